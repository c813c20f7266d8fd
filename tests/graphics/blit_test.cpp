// Blits, driven through the exports on a screen opened with the host kit.
// Pixels are written and read back as raw values through lock buffers and
// compared with a model of the blit; the DirectDraw road (video images) and
// the raster road (FX images) must agree with it and with each other.
#include <climits>
#include <cmath>
#include <utility>

#include "graphics/host_fixture.h"

namespace {

using namespace kxt;

struct Box {
    int64_t l, t, r, b;
};

class Blit : public Host {
  protected:
    const int32_t sw = 64, sh = 48;

    // A pattern of distinct raw pixels with `key` on every fifth diagonal.
    static Pixels pattern(int32_t w, int32_t h, bool wide, uint32_t key) {
        Pixels px(size_t(w) * size_t(h));
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                uint32_t v =
                    wide ? (uint32_t(x) * 0x010307u + uint32_t(y) * 0x0B0A09u + 0x1020u) & 0xFFFFFFu
                         : (uint32_t(x) * 0x0813u + uint32_t(y) * 0x03A1u + 0x21u) & 0xFFFFu;
                if (v == key) v ^= 1;
                px[size_t(y) * size_t(w) + size_t(x)] = (x + y) % 5 == 0 ? key : v;
            }
        return px;
    }

    // An image with the same pattern in each of the buffers it has; it is left
    // drawing from `render_to`.
    int32_t image(int32_t w, int32_t h, int32_t flags, int32_t render_to, uint32_t mask,
                  uint32_t key, Pixels* out = nullptr) {
        int32_t i = KX_ImageCreate(screen, w, h, 0, flags);
        EXPECT_GT(i, 0);
        Pixels px = pattern(w, h, KX_GraphicsPixelFormat(screen) == KX_FORMAT_32, key);
        for (int32_t kind : {1, 2, 4})
            if (flags & kind) {
                KX_ImageRenderTo(i, kind);
                write(i, px);
            }
        KX_ImageRenderTo(i, render_to);
        KX_ImageMaskColour(i, int32_t(mask));
        if (out) *out = px;
        return i;
    }

    // The model of a blit: source rectangle r of src (w pixels wide) at (x, y)
    // onto dst (dw wide), inside clip, skipping key when keyed.
    static void model(Pixels& dst, int32_t dw, Box clip, const Pixels& src, int32_t w, Box r,
                      int64_t x, int64_t y, bool keyed, uint32_t key) {
        int64_t h = int64_t(src.size()) / w;
        for (int64_t dy = clip.t; dy < clip.b; ++dy)
            for (int64_t dx = clip.l; dx < clip.r; ++dx) {
                int64_t sx = dx - x + r.l, sy = dy - y + r.t;
                if (sx < std::max<int64_t>(r.l, 0) || sx >= std::min<int64_t>(r.r, w) ||
                    sy < std::max<int64_t>(r.t, 0) || sy >= std::min<int64_t>(r.b, h))
                    continue;
                uint32_t v = src[size_t(sy * w + sx)];
                if (!keyed || v != key) dst[size_t(dy * dw + dx)] = v;
            }
    }
};

TEST_F(Blit, BothRoadsDrawWhatTheModelDrawsAtBothDepths) {
    struct Depth {
        int32_t depth;
        uint32_t key; // the mask colour 0xFF0000 in the screen's format
    };
    for (Depth dp : {Depth{16, 0xF800}, Depth{32, 0xFF0000}}) {
        SCOPED_TRACE(dp.depth);
        open_screen(dp.depth);
        Box clip{6, 4, 58, 40};
        KX_SurfaceSetViewport(screen, 6, 4, 58, 40);
        KX_SetCurrentSurface(screen);
        // Video + FX images: RenderTo picks the DirectDraw (1) or the raster road (2).
        Pixels small_px, big_px;
        int32_t small = image(16, 12, 3, 1, 0xFF0000, dp.key, &small_px);
        int32_t big = image(80, 60, 3, 1, 0xFF0000, dp.key, &big_px); // larger than the screen
        EXPECT_EQ(KX_ImageGetMaskColour(small), 0xFF0000);            // kept as given

        struct Case {
            int32_t image, x, y, result;
            Box rect{0, 0, -1, 0}; // r < 0: the whole image through KX_ImageBlt
        };
        // Inside, clipped on every side, just touching, just missing, far off; source
        // rectangles inside, beyond the image, reversed.
        // clang-format off
        const Case cases[] = {
            {small, 20, 15, 1}, {small, -4, 20, 1}, {small, 50, 20, 1}, {small, 20, -3, 1},
            {small, 20, 33, 1}, {small, 46, 28, 1}, {small, -10, 4, 1}, {small, -11, 4, 0},
            {small, 59, 4, 0}, {small, INT_MAX, 0, 0}, {small, INT_MIN, 5, 0},
            {small, 8, INT_MIN + 3, 0}, {big, -3, -2, 1},
            {small, 30, 30, 1, {2, 3, 10, 9}}, {small, 10, 10, 1, {-5, -5, 21, 17}},
            {small, 20, 20, 1, {10, 2, 4, 8}}, {big, 40, 30, 1, {70, 50, 90, 70}},
            {small, INT_MAX - 4, 10, 0, {0, 0, 16, 12}}};
        // clang-format on
        for (const Case& c : cases)
            for (int32_t transparent : {0, 1}) {
                SCOPED_TRACE(::testing::Message() << c.x << "," << c.y << " rect " << c.rect.l
                                                  << " keyed " << transparent);
                const Pixels& src = c.image == small ? small_px : big_px;
                int32_t w = KX_SurfaceWidth(c.image);
                Box r = c.rect.r < 0 ? Box{0, 0, w, KX_SurfaceHeight(c.image)} : c.rect;
                Pixels want(size_t(sw) * size_t(sh), 0);
                model(want, sw, clip, src, w, r, c.x, c.y, transparent == 1, dp.key);
                for (int32_t road : {1, 2}) {
                    fill(screen, 0);
                    KX_ImageRenderTo(c.image, road);
                    int32_t rect[4] = {int32_t(r.l), int32_t(r.t), int32_t(r.r), int32_t(r.b)};
                    int32_t got = c.rect.r < 0
                                      ? KX_ImageBlt(c.image, c.x, c.y, transparent)
                                      : KX_ImageBltRect(c.image, rect, c.x, c.y, transparent);
                    EXPECT_EQ(got, c.result) << "road " << road;
                    EXPECT_EQ(raw(screen), want) << "road " << road;
                }
            }

        // Refused handles draw nothing.
        fill(screen, 0);
        for (int32_t bad : {0, -1, 999, screen, VM_NewKXStr(8)}) {
            EXPECT_TRUE(all_zero({KX_ImageBlt(bad, 0, 0, 0),
                                  KX_ImageBltRot(bad, 0, 0, 0, 1, 1, 0, 0, 255, 0),
                                  KX_ImageBltFX(bad, 0, 0, 0, 0, 0, 0, 0, 0)}));
            KX_ImageBltGrid(bad, 0, 0, 2, 2, 0);
            KX_ImageBltTile(bad, 0, 0, 0);
        }
        EXPECT_EQ(KX_ImageBltRect(small, nullptr, 0, 0, 0), 0);
        EXPECT_EQ(raw(screen), Pixels(size_t(sw) * size_t(sh), 0));
    }
}

TEST_F(Blit, GridTileAndBlitsOntoImages) {
    open_screen(32);
    Pixels px;
    int32_t tile = image(16, 8, 2, 2, 0xFF0000, 0xFF0000, &px);
    int32_t target = KX_ImageCreate(screen, 40, 30, 32, 2); // an FX image as the surface
    KX_SetCurrentSurface(target);
    fill(target, 0);
    // Three by two copies, then a grid of four billion that draws only the visible ones,
    // quickly, then a grid of none.
    Pixels want(40 * 30, 0);
    KX_ImageBltGrid(tile, 0, 0, 3, 2, 0);
    for (int32_t y = 0; y < 16; y += 8)
        for (int32_t x = 0; x < 48; x += 16)
            model(want, 40, {0, 0, 40, 30}, px, 16, {0, 0, 16, 8}, x, y, false, 0);
    EXPECT_EQ(raw(target), want);
    KX_ImageBltGrid(tile, -100, -100, INT_MAX, INT_MAX, 0);
    for (int32_t y = -4; y < 30; y += 8)
        for (int32_t x = -4; x < 40; x += 16)
            model(want, 40, {0, 0, 40, 30}, px, 16, {0, 0, 16, 8}, x, y, false, 0);
    KX_ImageBltGrid(tile, 0, 0, 0, 5, 0);
    EXPECT_EQ(raw(target), want);

    // Tiling: copies at x = 5 - 16 + k * 16, y = -3 - 8 + k * 8, over the viewport.
    KX_SurfaceSetViewport(target, 2, 1, 37, 28);
    KX_SetCurrentSurface(target);
    fill(target, 0);
    KX_ImageBltTile(tile, 5, -3, 1);
    want.assign(40 * 30, 0);
    for (int64_t y = 1 - 3 - 8; y < 29; y += 8)
        for (int64_t x = 2 + 5 - 16; x < 38; x += 16)
            model(want, 40, {2, 1, 37, 28}, px, 16, {0, 0, 16, 8}, x, y, true, 0xFF0000);
    EXPECT_EQ(raw(target), want);
}

TEST_F(Blit, SurfaceCopyRectBetweenSurfaces) {
    open_screen(16);
    Pixels px;
    int32_t video = image(20, 10, 1, 1, 0xFF0000, 0xF800, &px);
    int32_t fx = KX_ImageCreate(screen, 24, 16, 16, 2);
    int32_t video2 = KX_ImageCreate(screen, 24, 16, 16, 1);
    KX_SurfaceSetViewport(fx, 2, 2, 22, 14);
    KX_SurfaceSetViewport(video2, 2, 2, 22, 14);
    KX_SetCurrentSurface(screen);
    struct Case {
        int32_t x1, y1, x2, y2, dx, dy;
    };
    // Reversed corners, clips on every side, a source rectangle beyond the image.
    for (Case c : {Case{15, 8, 3, 1, 5, 5}, Case{0, 0, 20, 10, -4, 9}, Case{-6, -3, 30, 40, 10, 0},
                   Case{0, 0, 5, 5, 22, 3}, Case{0, 0, 5, 5, INT_MIN, INT_MAX}}) {
        SCOPED_TRACE(::testing::Message() << c.dx << "," << c.dy);
        Box r{std::min(c.x1, c.x2), std::min(c.y1, c.y2), std::max(c.x1, c.x2),
              std::max(c.y1, c.y2)};
        for (int32_t to : {fx, video2}) {
            fill(to, 0);
            Pixels want(24 * 16, 0);
            // The raster road (to the FX image) copies keyed pixels too.
            model(want, 24, {2, 2, 22, 14}, px, 20, r, c.dx, c.dy, to == video2, 0xF800);
            EXPECT_EQ(KX_SurfaceCopyRect(video, c.x1, c.y1, c.x2, c.y2, to, c.dx, c.dy, 1), 0);
            EXPECT_EQ(raw(to), want);
        }
    }
    // -1 is the current surface; the software road leaves both surfaces unlocked.
    KX_SetCurrentSurface(fx);
    ASSERT_EQ(KX_LockSurface(video), 1);
    KX_SurfaceCopyRect(video, 0, 0, 4, 4, -1, 0, 0, 0);
    EXPECT_EQ(lock_of(video)->Locked, 0);
    EXPECT_EQ(KX_GetCurrentSurface(), fx);
    EXPECT_EQ(KX_SurfaceCopyRect(0, 0, 0, 4, 4, fx, 0, 0, 0), 0);
    EXPECT_EQ(KX_SurfaceCopyRect(video, 0, 0, 4, 4, 12345, 0, 0, 0), 0);
}

TEST_F(Blit, FXBlitBlendsWithTheBlitFXSurface) {
    open_screen(32);
    Pixels px;
    int32_t src = image(8, 8, 2, 2, 0xFF0000, 0xFF0000, &px);
    int32_t back = KX_ImageCreate(screen, 32, 32, 32, 2);
    fill(back, 0x204060);
    KX_SetCurrentSurface(screen);
    fill(screen, 0x0A0A0A);
    KX_SetCurrentBlitFXSurface(back);
    // Average with the blend buffer's pixel at (x + 3, y + 2) as backdrop, keyed.
    EXPECT_EQ(KX_ImageBltFX(src, 10, 20, 0x13, 777, 0, 0, 3, 2), 1);
    auto avg = [](uint32_t t, uint32_t p) { // per channel, rounded down
        return ((t >> 1) & 0x7F7F7F) + ((p >> 1) & 0x7F7F7F) + (t & p & 0x010101);
    };
    Pixels got = raw(screen);
    for (int32_t i = 0; i < 64; ++i)
        ASSERT_EQ(got[size_t((20 + i / 8) * sw + 10 + i % 8)],
                  px[size_t(i)] == 0xFF0000 ? 0x0A0A0A : avg(px[size_t(i)], 0x204060))
            << i;
    // Without a blit FX surface the destination is the backdrop; the fifth argument is not read.
    KX_SetCurrentBlitFXSurface(0);
    KX_ImageDelete(back);
    for (int32_t fifth : {0, -99}) {
        fill(screen, 0x0A0A0A);
        EXPECT_EQ(KX_ImageBltFX(src, -2, 40, 0x12, fifth, 0, 0, 3, 2), 1);
        EXPECT_EQ(raw(screen)[size_t(40 * sw)], avg(px[2], 0x0A0A0A));
    }
    EXPECT_EQ(KX_ImageBltFX(src, -8, 0, 0, 0, 0, 0, 0, 0), 1); // touches the left edge
    EXPECT_EQ(KX_ImageBltFX(src, -9, 0, 0, 0, 0, 0, 0, 0), 0);
}

// Rotated blits: the textured quad (FX image) and the 3D device (texture
// image) against a model mapping pixel centres back into the image.
TEST_F(Blit, RotatedAndScaledBlits) {
    for (int32_t depth : {16, 32}) {
        SCOPED_TRACE(depth);
        open_screen(depth);
        uint32_t key = depth == 16 ? 0xF800 : 0xFF0000;
        Pixels px;
        const int32_t w = 8, h = 6;
        int32_t img = image(w, h, 6, 2, 0xFF0000, key, &px); // FX + texture
        KX_SetCurrentSurface(screen);
        struct Case {
            float angle, scale;
            int32_t quarter; // angle / 90
        };
        for (Case c : {Case{0, 1, 0}, Case{90, 1, 1}, Case{180, 1, 2}, Case{270, 1, 3},
                       Case{-90, 1, 3}, Case{0, 2, 0}, Case{90, 2, 1}})
            for (int32_t road : {2, 4}) {
                if (road == 4 && c.scale != 1) continue; // the device filters when it scales
                SCOPED_TRACE(::testing::Message()
                             << c.angle << " x" << c.scale << " road " << road);
                KX_ImageRenderTo(img, road);
                fill(screen, 0);
                // Turn about the image's centre, placed at (30, 20).
                ASSERT_EQ(KX_ImageBltRot(img, 30, 20, c.angle, c.scale, c.scale, -w / 2.0f,
                                         -h / 2.0f, 255, 1),
                          1);
                Pixels got = raw(screen), want(size_t(sw) * size_t(sh), 0);
                // Texel corners: (0, 0) at the turned top-left, (w - 1, h - 1) at the bottom-right.
                double hw = w * c.scale / 2, hh = h * c.scale / 2;
                auto texel = [&](double f, int32_t n) {
                    return road == 4 ? int32_t(f * n) : int32_t(0.5 + f * (n - 1));
                };
                for (size_t i = 0; i < want.size(); ++i) {
                    double u = double(i % size_t(sw)) + 0.5 - 30,
                           v = double(i / size_t(sw)) + 0.5 - 20;
                    for (int32_t q = 0; q < c.quarter; ++q) // undo the quarter turns
                        std::swap(u, v), v = -v;
                    if (std::abs(u) > hw || std::abs(v) > hh) continue;
                    uint32_t t =
                        px[size_t(texel(v / hh / 2 + 0.5, h) * w + texel(u / hw / 2 + 0.5, w))];
                    if (t != key) want[i] = t;
                }
                EXPECT_EQ(got, want);
            }

        // Other angles by coverage: both roads cover about the turned area, inside its box.
        for (int32_t road : {2, 4}) {
            KX_ImageRenderTo(img, road);
            fill(screen, 0);
            EXPECT_EQ(KX_ImageBltRot(img, 32, 24, 30.0f, 3.0f, 2.0f, -4.0f, -3.0f, 255, 0), 1);
            Pixels got = raw(screen);
            int64_t covered = 0, outside = 0;
            for (int32_t y = 0; y < sh; ++y)
                for (int32_t x = 0; x < sw; ++x)
                    if (got[size_t(y * sw + x)] != 0) {
                        covered++;
                        outside += std::hypot(x + 0.5 - 32, y + 0.5 - 24) > 16;
                    }
            EXPECT_NEAR(double(covered), 24.0 * 12.0, 24.0 * 12.0 * 0.12) << road;
            EXPECT_EQ(outside, 0) << road;
        }

        // Alpha below 1 draws nothing; wholly outside is refused; an FX surface draws nothing.
        fill(screen, 0);
        EXPECT_EQ(KX_ImageBltRot(img, 30, 20, 0, 1, 1, 0, 0, 0, 0), 1);
        EXPECT_EQ(KX_ImageBltRot(img, -9, 20, 0, 1, 1, 0, 0, 255, 0), 0);
        EXPECT_EQ(KX_ImageBltRot(img, 30, 20, NAN, 1, 1, 0, 0, 255, 0), 0);
        EXPECT_EQ(raw(screen), Pixels(size_t(sw) * size_t(sh), 0));
        EXPECT_EQ(KX_ImageBltRot(img, 30, 20, 0, 1e30f, -1e30f, 0, 0, 255, 0), 1);
        int32_t fx = KX_ImageCreate(screen, 16, 16, depth, 2);
        KX_SetCurrentSurface(fx);
        fill(fx, 0);
        EXPECT_EQ(KX_ImageBltRot(img, 4, 4, 0, 1, 1, 0, 0, 255, 0), 1);
        EXPECT_EQ(raw(fx), Pixels(256, 0));
        KX_SetCurrentSurface(screen);
    }
}

} // namespace
