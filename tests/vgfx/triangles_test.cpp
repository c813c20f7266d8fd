// Triangles and quads: the fill rule, coverage of quads, texture mapping, the
// textured blends and gouraud shading.
#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "canvas.h"

using namespace vt;

namespace {

struct P2 {
    int64_t x, y;
};

// Every pixel of a black 32-bit canvas is 1 inside [l, r) x [t, b) and 0 elsewhere.
void expect_exactly_once(Canvas& c, int l, int t, int r, int b) {
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x)
            ASSERT_EQ(c.raw(x, y), x >= l && x < r && y >= t && y < b ? 1u : 0u) << x << "," << y;
}

TEST(VgfxFillRule, TrianglesSharingEdgesNeitherOverlapNorLeaveGaps) {
    // The square split along a diagonal that runs through pixel centres. Alone, the upper
    // triangle owns the centres on the diagonal: there it is the left edge, which the
    // top-left rule includes.
    Canvas sq(4, 12, 12);
    sq.fill(0);
    sq.bind();
    VGFX_Tri(1, 1, 11, 1, 11, 11, 1, 0x20);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x)
            ASSERT_EQ(sq.raw(x, y), x >= y && x >= 1 && x < 11 && y >= 1 ? 1u : 0u)
                << x << "," << y;
    VGFX_Tri(1, 1, 11, 11, 1, 11, 1, 0x20);
    expect_exactly_once(sq, 1, 1, 11, 11);
    // A square mesh with its inner vertices moved at random (edges of every slope, many
    // through pixel centres) tiles its outline: every pixel exactly once. Cells are drawn
    // as two triangles or as flat or gouraud quads, in either winding.
    uint32_t s = 5;
    auto rnd = [&s](int n) { return int((s = s * 1103515245u + 12345u) >> 16) % n; };
    const int N = 6, G = 8;
    for (int trial = 0; trial < 40; ++trial) {
        SCOPED_TRACE("trial " + std::to_string(trial));
        P2 v[N + 1][N + 1];
        for (int i = 0; i <= N; ++i)
            for (int j = 0; j <= N; ++j)
                v[i][j] = {2 + G * i + (i % N ? rnd(5) - 2 : 0),
                           2 + G * j + (j % N ? rnd(5) - 2 : 0)};
        Canvas c(4, 2 * 2 + G * N, 2 * 2 + G * N);
        c.fill(0);
        c.bind();
        for (int i = 0; i < N; ++i)
            for (int j = 0; j < N; ++j) {
                P2 k[4] = {v[i][j], v[i + 1][j], v[i + 1][j + 1], v[i][j + 1]};
                int r = rnd(4), kind = rnd(3);
                P2 a = k[r], b = k[(r + 1) % 4], d = k[(r + 2) % 4], e = k[(r + 3) % 4];
                if (rnd(2)) std::swap(b, e); // the other winding
                if (kind == 0) {
                    VGFX_Tri(a.x, a.y, b.x, b.y, d.x, d.y, 1, 0x20);
                    VGFX_Tri(d.x, d.y, a.x, a.y, e.x, e.y, 1, 0x20);
                } else if (kind == 1) {
                    VGFX_Quad(a.x, a.y, b.x, b.y, d.x, d.y, e.x, e.y, 1, 0x20);
                } else {
                    VGFX_QuadG(d.x, d.y, 1, e.x, e.y, 1, a.x, a.y, 1, b.x, b.y, 1, 0x20);
                }
            }
        expect_exactly_once(c, 2, 2, 2 + G * N, 2 + G * N);
    }
}

TEST(VgfxQuadT, AxisAlignedQuadsCopyTheTextureExactly) {
    for (int f : kAllFormats)
        for (auto [w, h] : {std::pair{1, 1}, {3, 5}, {17, 9}, {64, 64}, {255, 3}}) {
            SCOPED_TRACE(fmt_name(f) + " " + std::to_string(w) + "x" + std::to_string(h));
            Canvas src(f, w, h), c(f, 270, 70);
            src.pattern(w + h);
            src.bind_source();
            c.fill(0);
            c.bind();
            // Straight copy at (2, 1).
            VGFX_QuadT(2, 1, 0, 0, 2 + w, 1, w - 1, 0, 2 + w, 1 + h, w - 1, h - 1, 2, 1 + h, 0,
                       h - 1, 0, 0, 0, 0);
            expect_area(c, 2, 1, w, h, [&](int x, int y) { return src.get(x, y); });
            // Mirrored left-right.
            c.fill(0);
            VGFX_QuadT(0, 0, w - 1, 0, w, 0, 0, 0, w, h, 0, h - 1, 0, h, w - 1, h - 1, 0, 0, 0, 0);
            expect_area(c, 0, 0, w, h, [&](int x, int y) { return src.get(w - 1 - x, y); });
        }
}

TEST(VgfxQuadT, AlphaLevelAndColourArgument) {
    for (int f : {1, 4}) {
        Canvas src(f, 21, 6), c(f, 23, 8); // rows of 21: vector groups and a rest
        src.pattern(1);
        src.bind_source();
        for (int alpha : {0, 1, 128, 254, 255, 300, -5}) {
            c.pattern(2);
            c.bind();
            VGFX_QuadT(1, 1, 0, 0, 22, 1, 20, 0, 22, 7, 20, 5, 1, 7, 0, 5, 0, 0, alpha, 0);
            expect_area(c, 1, 1, 21, 6, [&](int x, int y) {
                uint32_t t = src.get(x, y), p = c.old(1 + x, 1 + y);
                return alpha >= 1 && alpha <= 254 ? ref_round_trip(f, ref_over(p, t, alpha)) : t;
            });
        }
        // The last argument is colour A (here a tint).
        c.pattern(2);
        VGFX_QuadT(1, 1, 0, 0, 22, 1, 20, 0, 22, 7, 20, 5, 1, 7, 0, 5, 0x10000, 0, 255, 0x808040);
        EXPECT_EQ(c.get(3, 4), ref_round_trip(f, ref_mul(src.get(2, 3), 0x808040)));
    }
}

// Gouraud-textured: texel times colour; intensity-textured: texel over pixel at the
// level of the colour's low byte. With constant corners, worked per pixel.
TEST(VgfxTexturedGouraud, TexelTimesColourAndIntensityLevels) {
    for (int f : {1, 2, 4})
        for (uint32_t k : {0xFFFFFFu, 0x808040u, 0x000000u, 0xFFu, 0x00u, 0x80u})
            for (int keyed = 0; keyed < 2; ++keyed) {
                SCOPED_TRACE(fmt_name(f) + " colour " + std::to_string(k));
                const bool intensity = k <= 0xFF;
                Canvas src(f, 6, 6), c(f, 8, 8);
                src.pattern(4);
                src.set(2, 2, 0x123456);
                src.bind_source();
                c.pattern(5);
                c.bind();
                (intensity ? VGFX_QuadTI : VGFX_QuadTG)(1, 1, 0, 0, k, 7, 1, 5, 0, k, 7, 7, 5, 5, k,
                                                        1, 7, 0, 5, k, keyed, 0x123456);
                expect_area(c, 1, 1, 6, 6, [&](int x, int y) {
                    uint32_t t = src.get(x, y), p = c.old(1 + x, 1 + y);
                    if (keyed && x == 2 && y == 2) return p;
                    return ref_round_trip(f, intensity ? ref_over(p, t, k) : ref_mul(t, k));
                });
            }
}

TEST(VgfxGouraud, RampsReachTheCornersAndBlendLikeFlatColours) {
    const uint32_t corner[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0x404040};
    const int cx[4] = {2, 21, 21, 2}, cy[4] = {2, 2, 21, 21};
    for (int f : kAllFormats) {
        SCOPED_TRACE(fmt_name(f));
        Canvas a(f, 24, 24), b(f, 24, 24);
        auto draw = [&](int mode) {
            VGFX_QuadG(2, 2, corner[0], 22, 2, corner[1], 22, 22, corner[2], 2, 22, corner[3],
                       mode);
        };
        a.fill(0);
        a.bind();
        draw(0);
        for (int i = 0; i < 4; ++i) // within a step of the ramp of the corner's colour
            for (int s : {16, 8, 0})
                EXPECT_NEAR(int((a.get(cx[i], cy[i]) >> s) & 255),
                            int((ref_round_trip(f, corner[i]) >> s) & 255), 30);
        // Added to grey: every pixel the sum, saturating (in 16 bits the ramp's dropped low
        // bits may carry: one step of slack).
        b.fill(0x101010);
        b.bind();
        draw(0x20);
        int slack = f == 1 || f == 2 ? 8 : 0;
        for (int y = 2; y < 22; ++y)
            for (int x = 2; x < 22; ++x)
                for (int s : {16, 8, 0})
                    ASSERT_NEAR(int((b.get(x, y) >> s) & 255),
                                int((ref_round_trip(f, ref_add(a.get(x, y), 0x101010)) >> s) & 255),
                                slack)
                        << x << "," << y;
        // The alpha mode blends by the interpolated top byte: 255 writes, 0 keeps.
        VGFX_TriG(0, 0, 0xFF336699, 20, 3, 0xFF336699, 5, 20, 0xFF336699, 0x400);
        VGFX_TriG(0, 0, 0x00FFFFFF, 20, 3, 0x00FFFFFF, 5, 20, 0x00FFFFFF, 0x400);
        EXPECT_EQ(b.get(6, 6), ref_round_trip(f, 0x336699));
    }
}

TEST(VgfxTextured, ReadsStayInsideTheSourceAndNeedItsFormat) {
    for (int f : kAllFormats) {
        SCOPED_TRACE(fmt_name(f));
        // A source of exactly 5 x 4 pixels with no slack around it.
        const int bpp = bytes_per_pixel(f);
        std::vector<uint8_t> tight(size_t(5 * 4 * bpp));
        for (size_t i = 0; i < tight.size(); ++i)
            tight[i] = uint8_t(i * 37 + 11);
        auto texel = [&](int x, int y) {
            uint32_t v = 0;
            std::memcpy(&v, tight.data() + (y * 5 + x) * bpp, size_t(bpp));
            return ref_round_trip(f, ref_unpack(f, v));
        };
        Canvas c(f, 20, 20);
        c.fill(0);
        c.bind();
        VGFX_SetSrcBuffer(tight.data(), 5 * bpp, f);
        VGFX_SetSrcSize(5, 4);
        // Texture coordinates far outside are clamped to the source's edge texels.
        VGFX_QuadT(0, 0, -50, -50, 20, 0, 400, -50, 20, 20, 400, 400, 0, 20, -50, 400, 0, 0, 0, 0);
        EXPECT_EQ(c.get(0, 0), texel(0, 0));
        EXPECT_EQ(c.get(19, 0), texel(4, 0));
        EXPECT_EQ(c.get(19, 19), texel(4, 3));
        EXPECT_EQ(c.get(0, 19), texel(0, 3));
        VGFX_TriT(0, 0, -9, 1000, 19, 0, 1000, 1000, 0, 19, -9, 2000, 0, 0, 0, 0);
        EXPECT_EQ(c.get(0, 0), texel(4, 3));
        // Texture planes too steep for 64-bit stepping (2^32 texels a pixel) still
        // sample only the source.
        c.fill(0);
        VGFX_TriT(0, 0, INT32_MIN, 0, 2, 0, INT32_MAX, INT32_MIN, 0, 19, 0, INT32_MAX, 0, 0, 0, 0);
        for (auto [x, y] : {std::pair{0, 0}, {1, 0}, {0, 9}}) {
            bool a_texel = false;
            for (int k = 0; k < 20; ++k)
                a_texel = a_texel || c.get(x, y) == texel(k % 5, k / 5);
            EXPECT_TRUE(a_texel) << x << "," << y;
        }
        VGFX_HoriTextureStrip(0, -5, 9, 19, 50, 9, 19);
        EXPECT_EQ(c.get(0, 19), texel(0, 3));
        EXPECT_EQ(c.get(19, 19), texel(4, 3));
        // A blit past the source on every side is cut, moving the destination with the
        // top left corner; empty, reversed or wholly outside, it draws nothing.
        c.snapshot();
        VGFX_Blit(-3, -3, 90, 90, 10, 10, 0, 0);
        expect_area(c, 13, 13, 5, 4, [&](int x, int y) { return texel(x, y); });
        c.snapshot();
        for (auto [l, t, r, b] :
             {std::array{2, 2, 2, 4}, {3, 0, 1, 4}, {5, 0, 9, 4}, {-9, 0, -1, 4}})
            VGFX_Blit(l, t, r, b, 0, 0, 0, 0);
        EXPECT_FALSE(c.changed_anywhere());
        // An empty size draws nothing; setting the buffer again forgets the size.
        c.fill(0);
        VGFX_SetSrcSize(0, 4);
        VGFX_QuadT(0, 0, 0, 0, 5, 0, 4, 0, 5, 4, 4, 3, 0, 4, 0, 3, 0, 0, 0, 0);
        EXPECT_FALSE(c.changed_anywhere());
        VGFX_SetSrcBuffer(tight.data(), 5 * bpp, f);
        VGFX_QuadT(0, 0, 0, 0, 5, 0, 4, 0, 5, 4, 4, 3, 0, 4, 0, 3, 0, 0, 0, 0);
        EXPECT_EQ(c.get(4, 3), texel(4, 3));
        // A source of another format is not read by the textured shapes.
        c.fill(0);
        VGFX_SetSrcBuffer(tight.data(), 5 * bpp, f >= 4 ? 1 : 4);
        VGFX_SetSrcSize(1, 1);
        VGFX_QuadT(0, 0, 0, 0, 1, 0, 0, 0, 1, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0);
        VGFX_TriTG(0, 0, 0, 0, 0xFFFFFF, 1, 0, 0, 0, 0xFFFFFF, 0, 1, 0, 0, 0xFFFFFF, 0, 0);
        EXPECT_FALSE(c.changed_anywhere());
    }
}

} // namespace
