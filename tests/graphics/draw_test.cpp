// Drawing primitives and image effects through the exports, on 16- and 32-bit
// screens opened with the host kit and on FX images; every result is read
// back from the surface's pixels and compared with a value worked out here.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "kx/kx_host.h"
#include "kx/kx_vm.h"

namespace {

struct Pt {
    int x, y;
    bool operator==(const Pt&) const = default;
};

class Draw : public ::testing::Test {
  protected:
    int32_t window = 0;
    int32_t screen_ = 0; // the screen of on_every_target's current run
    void SetUp() override {
        ASSERT_NE(VM_OpenMemoryManager(1000), 0);
        ASSERT_EQ(KXH_UseBackend("headless"), 1);
        window = KX_OpenWindow(64, 48);
        ASSERT_GT(window, 0);
    }
    void TearDown() override {
        KX_CloseWindow(window);
        VM_CloseMemoryManager();
    }

    // Reads or writes one pixel as 0xRRGGBB through the lock buffer (5-6-5
    // channels widened by repeating their top bits).
    static uint32_t get(int32_t s, int x, int y) {
        auto* l = static_cast<KX_LockBuffer*>(KX_GetLockBufferPtr(s));
        bool here = l->Locked == 0 && KX_LockSurface(s) == 1;
        auto* row = reinterpret_cast<uint8_t*>(uintptr_t(l->Pixels)) + y * l->Pitch;
        uint32_t v = 0;
        if (l->Format == KX_FORMAT_565) {
            uint16_t p;
            std::memcpy(&p, row + 2 * x, 2);
            uint32_t r = p >> 11, g = (p >> 5) & 63, b = p & 31;
            v = (r << 3 | r >> 2) << 16 | (g << 2 | g >> 4) << 8 | (b << 3 | b >> 2);
        } else {
            std::memcpy(&v, row + 4 * x, 4);
            v &= 0xFFFFFF;
        }
        if (here) KX_UnLockSurface(s);
        return v;
    }
    static void put(int32_t s, int x, int y, uint32_t c) {
        auto* l = static_cast<KX_LockBuffer*>(KX_GetLockBufferPtr(s));
        bool here = l->Locked == 0 && KX_LockSurface(s) == 1;
        auto* row = reinterpret_cast<uint8_t*>(uintptr_t(l->Pixels)) + y * l->Pitch;
        std::memcpy(row + 4 * x, &c, 4); // 32-bit surfaces only
        if (here) KX_UnLockSurface(s);
    }
    static std::vector<Pt> lit(int32_t s) {
        std::vector<Pt> out;
        for (int y = 0; y < KX_SurfaceHeight(s); ++y)
            for (int x = 0; x < KX_SurfaceWidth(s); ++x)
                if (get(s, x, y)) out.push_back({x, y});
        return out;
    }
    static void clear(int32_t s) {
        KX_SetCurrentSurface(s);
        auto* v = static_cast<KX_Viewport*>(KX_GetViewportPtr(s));
        KX_Viewport saved = *v;
        KX_SurfaceSetViewport(s, 0, 0, KX_SurfaceWidth(s), KX_SurfaceHeight(s));
        KX_SetCurrentSurface(s);
        KX_Cls(0);
        *v = saved;
        KX_SetCurrentSurface(s);
    }
    // The three targets: 16- and 32-bit screens and a 32-bit FX image.
    template <class F> void on_every_target(F test) {
        for (int depth : {16, 32}) {
            int32_t screen = KXH_OpenScreen(window, 64, 48, depth, 1);
            ASSERT_GT(screen, 0);
            screen_ = screen;
            std::vector<int32_t> targets{screen};
            if (depth == 32) targets.push_back(KX_ImageCreate(screen, 64, 48, 32, 2));
            for (int32_t s : targets) {
                SCOPED_TRACE(testing::Message() << "depth " << depth << " surface " << s);
                clear(s);
                test(s);
            }
            KX_CloseGraphics(screen);
        }
    }
};

// An independent clip of a segment to the inclusive rectangle [l, r] x [t, b]
// (parametric, in double), the ends rounded down; false when it misses.
bool reference_clip(double x1, double y1, double x2, double y2, double l, double t, double r,
                    double b, Pt& p, Pt& q) {
    double t0 = 0, t1 = 1, dx = x2 - x1, dy = y2 - y1;
    for (auto [pk, qk] : {std::pair{-dx, x1 - l}, {dx, r - x1}, {-dy, y1 - t}, {dy, b - y1}}) {
        if (pk == 0) {
            if (qk < 0) return false;
            continue;
        }
        double u = qk / pk;
        if (pk < 0)
            t0 = std::max(t0, u);
        else
            t1 = std::min(t1, u);
    }
    if (t0 > t1) return false;
    // Rounded down, with values within 1e-6 of an integer taken as it.
    auto down = [](double v) { return int(std::floor(v + 1e-6)); };
    p = {down(x1 + t0 * dx), down(y1 + t0 * dy)};
    q = {down(x1 + t1 * dx), down(y1 + t1 * dy)};
    return true;
}

TEST_F(Draw, LinesEndWhereAnIndependentClipEndsThem) {
    struct Seg {
        float x1, y1, x2, y2;
    };
    const Seg segs[] = {{10.7f, 10.2f, 20.9f, 30.5f},
                        {-50, 20, 150, 20},
                        {30, -9, 30, 99},
                        {-10, -10, 100, 100},
                        {70, 5, 40, 35},
                        {-3e9f, 9, 3e9f, 9},
                        {-10, -10, -5, 200},
                        {-1, 1, 1, -1},
                        {60, 60, 70, 40},
                        {5, 50, -10, 35}};
    on_every_target([&](int32_t s) {
        KX_SurfaceSetViewport(s, 0, 0, 64, 48);
        KX_SetCurrentSurface(s);
        for (const Seg& g : segs) {
            SCOPED_TRACE(testing::Message() << g.x1 << "," << g.y1 << " " << g.x2 << "," << g.y2);
            clear(s);
            KX_Line(g.x1, g.y1, g.x2, g.y2, 0xFFFFFF, 0);
            std::vector<Pt> px = lit(s);
            Pt p, q;
            if (!reference_clip(g.x1, g.y1, g.x2, g.y2, 0, 0, 63, 47, p, q)) {
                EXPECT_TRUE(px.empty());
                continue;
            }
            ASSERT_FALSE(px.empty());
            // The drawn ends: the first and last lit pixels along the major axis.
            bool by_x = std::abs(q.x - p.x) >= std::abs(q.y - p.y);
            auto key = [&](Pt a) { return by_x ? a.x : a.y; };
            auto [lo, hi] = std::minmax_element(px.begin(), px.end(),
                                                [&](Pt a, Pt b) { return key(a) < key(b); });
            if (key(p) > key(q)) std::swap(p, q);
            EXPECT_EQ(*lo, p);
            EXPECT_EQ(*hi, q);
        }
        // Not-a-number coordinates draw nothing.
        clear(s);
        KX_Line(NAN, 1, 5, 5, 0xFFFFFF, 0);
        EXPECT_TRUE(lit(s).empty());
    });
}

TEST_F(Draw, BoxesExcludeRightAndBottomAndClampToTheViewport) {
    on_every_target([&](int32_t s) {
        KX_Box(50, 40, 10, 20, 0xFFFFFF, 1); // reversed corners
        EXPECT_NE(get(s, 10, 20), 0u);
        EXPECT_NE(get(s, 49, 39), 0u);
        EXPECT_EQ(get(s, 50, 39), 0u);
        EXPECT_EQ(get(s, 49, 40), 0u);
        EXPECT_EQ(get(s, 9, 20), 0u);
        EXPECT_EQ(lit(s).size(), 40u * 20u);

        clear(s);
        KX_SurfaceSetViewport(s, 8, 6, 40, 30);
        KX_SetCurrentSurface(s);
        KX_Box(INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0x00FF00, 1);
        // Mode 2 on a screen is the surface's colour fill, which takes the colour as
        // it is: on a 5-6-5 screen 0xF800 is red and 0x1F blue.
        const bool raw16 = KX_SurfaceDepth(s) == 16 && s == screen_;
        KX_Box(-10, -10, 12, 12, raw16 ? 0xF800 : 0xFF0000, 2);
        std::vector<Pt> px = lit(s);
        EXPECT_EQ(px.size(), 32u * 24u);
        EXPECT_EQ(px.front(), (Pt{8, 6}));
        EXPECT_EQ(px.back(), (Pt{39, 29}));
        EXPECT_EQ(get(s, 11, 11) >> 16, 0xFFu);
        EXPECT_EQ(get(s, 12, 11) >> 16, 0u);
        KX_Box(40, 6, 60, 10, 0xFFFFFF, 1); // left at the viewport's right: nothing
        KX_Cls(raw16 ? 0x1F : 0xFF);        // only the viewport
        EXPECT_EQ(get(s, 8, 6), 0x0000FFu);
        EXPECT_EQ(get(s, 7, 6), 0u);
        EXPECT_EQ(lit(s).size(), 32u * 24u);

        // A box filled while the program holds the lock leaves it held.
        ASSERT_EQ(KX_LockSurface(s), 1);
        KX_Box(8, 6, 9, 7, 0xFFFFFF, 2);
        EXPECT_EQ(static_cast<KX_LockBuffer*>(KX_GetLockBufferPtr(s))->Locked, 1);
        EXPECT_EQ(KX_UnLockSurface(s), 1);
        EXPECT_EQ(get(s, 8, 6), 0xFFFFFFu);
        KX_SurfaceSetViewport(s, 0, 0, 64, 48);
    });
}

TEST_F(Draw, DotsAndPointsRespectTheViewportAndModes) {
    on_every_target([&](int32_t s) {
        KX_SurfaceSetViewport(s, 4, 4, 60, 44);
        KX_SetCurrentSurface(s);
        KX_Dot(60, 10, 0xFFFFFF, 0); // at the right edge: nothing
        KX_Dot(4, 10, 0xFFFFFF, 3);  // mode without blend bits writes
        EXPECT_EQ(lit(s).size(), 1u);
        EXPECT_EQ(KX_Point(4, 10), 0xFFFFFF);
        EXPECT_EQ(KX_Point(3, 10), 0);
        KX_Dot(4, 10, 0x000000, 0x13); // 0x10: average with black
        EXPECT_EQ(get(s, 4, 10), KX_SurfaceDepth(s) == 16 ? 0x7B7D7Bu : 0x7F7F7Fu);
        KX_Box(10, 10, 20, 11, 0xFF0000, 1);
        EXPECT_EQ(KX_PixelRunLength(10, 10, 1, 0, 0), 10);
        EXPECT_EQ(KX_PixelRunLength(0, 0, 1, 0, 0), 0); // outside the viewport
        KX_SurfaceSetViewport(s, 0, 0, 64, 48);
    });
}

TEST_F(Draw, CirclesAreSymmetricAndReachTheirRadius) {
    on_every_target([&](int32_t s) {
        for (int mode : {0, 1}) {
            clear(s);
            KX_Circle(30, 24, 10, 0xFFFFFF, mode);
            for (int dy = -11; dy <= 11; ++dy)
                for (int dx = -11; dx <= 11; ++dx) {
                    uint32_t p = get(s, 30 + dx, 24 + dy);
                    ASSERT_EQ(p, get(s, 30 - dx, 24 + dy)) << dx << "," << dy;
                    ASSERT_EQ(p, get(s, 30 + dx, 24 - dy)) << dx << "," << dy;
                    ASSERT_EQ(p, get(s, 30 + dy, 24 + dx)) << dx << "," << dy;
                    if (mode == 1) {
                        ASSERT_EQ(p != 0, dx * dx + dy * dy <= 100) << dx << "," << dy;
                    }
                }
            EXPECT_NE(get(s, 40, 24), 0u);
            EXPECT_EQ(get(s, 41, 24), 0u);
        }
        clear(s);
        KX_Circle(5, 5, 0, 0xFFFFFF, 1); // the centre pixel
        KX_Circle(5, 5, -4, 0xFFFFFF, 1);
        KX_Circle(INT_MAX, INT_MIN, INT_MAX, 0xFFFFFF, 0); // reaches the corner
        KX_Circle(-100, 24, 99, 0xFFFFFF, 1);              // wholly left
        KX_Ellipse(INT_MIN, 0, 5, 5, 0xFFFFFF, 1);
        EXPECT_EQ(lit(s), (std::vector<Pt>{{5, 5}}));
        KX_Ellipse(30, 24, 12, 4, 0xFFFFFF, 1);
        EXPECT_NE(get(s, 42, 24), 0u);
        EXPECT_EQ(get(s, 43, 24), 0u);
        EXPECT_NE(get(s, 30, 28), 0u);
        EXPECT_EQ(get(s, 30, 29), 0u);
    });
}

TEST_F(Draw, ShadedShapesPutTheirColoursOnTheirCorners) {
    on_every_target([&](int32_t s) {
        KX_ShadeBox(2, 2, 18, 12, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0, 0);
        EXPECT_EQ(get(s, 2, 2), 0xFF0000u);
        EXPECT_EQ(get(s, 17, 2), 0x00FF00u);
        EXPECT_EQ(get(s, 17, 11), 0x0000FFu);
        EXPECT_EQ(get(s, 2, 11), 0xFFFFFFu);
        EXPECT_EQ(get(s, 18, 2), 0u);
        KX_GouraudStripH(20, 0xFF0000, 40, 0x0000FF, 30);
        EXPECT_EQ(get(s, 20, 30), 0xFF0000u);
        EXPECT_EQ(get(s, 40, 30), 0x0000FFu);
        EXPECT_EQ(get(s, 41, 30), 0u);
        KX_GouraudStripV(-5, 0xFFFFFF, 100, 0xFFFFFF, 64); // outside: nothing
        EXPECT_EQ(get(s, 63, 10), 0u);
    });
}

TEST_F(Draw, TexturedShapesCopyTheirImageAndNeverReadBeyondIt) {
    on_every_target([&](int32_t s) {
        if (KX_SurfaceDepth(s) == 16) return; // the texture is a 32-bit FX image
        int32_t tex = KX_ImageCreate(screen_, 8, 6, 32, 2);
        ASSERT_GT(tex, 0);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 8; ++x)
                put(tex, x, y, uint32_t(0x100000 * (x + 1) + 0x10 * (y + 1)));
        KX_SetCurrentSurface(s);
        // Texture corners beyond the image are clamped to it.
        KX_QuadT(tex, 10, 10, -5, -5, 18, 10, 99, 0, 18, 16, 7, 99, 10, 16, 0, 5, 0, 0);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 10; ++x)
                ASSERT_EQ(get(s, 9 + x, 9 + y),
                          (x >= 1 && x <= 8 && y >= 1 && y <= 6) ? get(tex, x - 1, y - 1) : 0u)
                    << x << "," << y;
        KX_TextureStripH(tex, 30, 0, 2, 37, 7, 2, 40);
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(get(s, 30 + x, 40), get(tex, x, 2));
        // Coordinates far beyond the texture: clamped by the raster library (ASan
        // reports any read outside it).
        KX_QuadTG(tex, 40, 0, 1000, 1000, 0xFFFFFF, 60, 0, -1000, 5000, 0xFFFFFF, 60, 20, 1 << 30,
                  0, 0xFFFFFF, 40, 20, 0, 1 << 30, 0xFFFFFF, 0, 0);
        KX_TriT(tex, 0, 40, 0, 0, 8, 40, 7, 0, 0, 47, 0, 5, 0, 0);
        EXPECT_EQ(get(s, 0, 40), get(tex, 0, 0));
        size_t before = lit(s).size();
        KX_TriT(tex + 500, 0, 0, 0, 0, 8, 0, 7, 0, 0, 7, 0, 5, 0, 0); // not an image
        KX_QuadT(0, 0, 0, 0, 0, 8, 0, 7, 0, 8, 7, 7, 5, 0, 7, 0, 5, 0, 0);
        EXPECT_EQ(lit(s).size(), before);
        EXPECT_EQ(static_cast<KX_LockBuffer*>(KX_GetLockBufferPtr(tex))->Locked, 0);
        KX_ImageDelete(tex);
    });
}

TEST_F(Draw, NothingIsDrawnWithoutASurfaceOrOutsideAnEmptyViewport) {
    int32_t screen = KXH_OpenScreen(window, 64, 48, 32, 1);
    KX_SetCurrentSurface(0);
    KX_Cls(0xFFFFFF);
    KX_Dot(1, 1, 0xFFFFFF, 0);
    KX_Line(0, 0, 10, 10, 0xFFFFFF, 0);
    KX_Circle(5, 5, 5, 0xFFFFFF, 1);
    KX_Tri(0, 0, 10, 0, 0, 10, 0xFFFFFF, 0, 0);
    EXPECT_EQ(KX_Point(1, 1), 0);
    EXPECT_EQ(KX_PixelRunLength(1, 1, 1, 0, 0), 0);
    KX_SetCurrentSurface(screen);
    EXPECT_TRUE(lit(screen).empty());
    KX_SurfaceSetViewport(screen, 20, 20, 20, 20);
    KX_SetCurrentSurface(screen);
    KX_Cls(0xFFFFFF);
    KX_Box(0, 0, 64, 48, 0xFFFFFF, 1);
    KX_Line(0, 0, 63, 47, 0xFFFFFF, 0);
    KX_Circle(20, 20, 30, 0xFFFFFF, 0);
    KX_QuadG(0, 0, -1, 63, 0, -1, 63, 47, -1, 0, 47, -1, 0, 0);
    KX_ImageBlur(screen, 9.0f);
    KX_ImageFade(screen, 0);
    EXPECT_TRUE(lit(screen).empty());
    KX_CloseGraphics(screen);
}

// ---- Effects ----------------------------------------------------------------------------

class Effects : public Draw {
  protected:
    int32_t screen = 0, img = 0;
    std::vector<uint32_t> before;
    static constexpr int W = 7, H = 5;
    void SetUp() override {
        Draw::SetUp();
        screen = KXH_OpenScreen(window, 64, 48, 32, 1);
        img = KX_ImageCreate(screen, W, H, 32, 2);
        uint32_t seed = 12345;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                seed = seed * 1103515245u + 12345u;
                put(img, x, y, (seed >> 8) & 0xFFFFFF);
            }
        before = pixels();
        KX_SurfaceSetViewport(screen, 3, 3, 30, 30);
        KX_SetCurrentSurface(screen);
    }
    std::vector<uint32_t> pixels() const {
        std::vector<uint32_t> p;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                p.push_back(get(img, x, y));
        return p;
    }
    uint32_t old(int x, int y) const { return before[size_t(y * W + x)]; }
    template <class F> void expect_each(F expected) {
        std::vector<uint32_t> now = pixels();
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                ASSERT_EQ(now[size_t(y * W + x)], expected(x, y)) << x << "," << y;
        // The effect gave the screen back as the current surface, with its viewport.
        EXPECT_EQ(KX_GetCurrentSurface(), screen);
        KX_Dot(2, 2, 0xFFFFFF, 0);
        EXPECT_EQ(get(screen, 2, 2), 0u);
    }
    static uint32_t ch(uint32_t c, int shift) { return (c >> shift) & 255; }
};

TEST_F(Effects, BlurAveragesNeighboursThatWrapAroundTheViewport) {
    // Blur the inner viewport only: (1, 1) to (6, 4); the edges wrap inside it.
    KX_SurfaceSetViewport(img, 1, 1, 6, 4);
    for (float divisor : {9.0f, 4.5f, 1000.0f}) {
        SCOPED_TRACE(divisor);
        std::vector<uint32_t> start = pixels();
        auto at = [&](int x, int y) { return start[size_t(y * W + x)]; };
        KX_ImageBlur(img, divisor);
        float d = std::min(divisor, 255.0f);
        expect_each([&](int x, int y) -> uint32_t {
            if (x < 1 || x >= 6 || y < 1 || y >= 4) return at(x, y);
            uint32_t out = 0;
            for (int shift : {16, 8, 0}) {
                int sum = 0;
                for (int j = -1; j <= 1; ++j)
                    for (int i = -1; i <= 1; ++i)
                        sum += int(ch(at(1 + (x - 1 + i + 5) % 5, 1 + (y - 1 + j + 3) % 3), shift));
                out |= uint32_t(std::clamp(int(float(sum) / d), 0, 255)) << shift;
            }
            return out;
        });
    }
    std::vector<uint32_t> now = pixels();
    KX_ImageBlur(img, 0.0f);
    EXPECT_EQ(pixels(), now);
    KX_ImageBlur(img, -9.0f);
    expect_each(
        [&](int x, int y) { return (x < 1 || x >= 6 || y < 1 || y >= 4) ? old(x, y) : 0u; });
}

TEST_F(Effects, RasterEffectsFollowTheirFormulas) {
    KX_ImageFade(img, 128);
    expect_each([&](int x, int y) {
        uint32_t c = old(x, y), out = 0;
        for (int shift : {16, 8, 0})
            out |= ((ch(c, shift) * 128 * 2 + 255) / 510) << shift;
        return out;
    });
    before = pixels();
    KX_ImageGreyScale(img);
    expect_each([&](int x, int y) {
        uint32_t c = old(x, y), g = (77 * ch(c, 16) + 150 * ch(c, 8) + 29 * ch(c, 0)) >> 8;
        return g * 0x010101u;
    });
    before = pixels();
    KX_ImageMirror(img, 1, 0);
    expect_each([&](int x, int y) { return old(W - 1 - x, y); });
    before = pixels();
    KX_ImageRGBMask(img, 0x00FF00, 0x81);
    expect_each([&](int x, int y) { return old(x, y) & 0x00FF00u; });
    before = pixels();
    KX_ImageLight(img, 3, 2, 2, 0x402010); // distance 0: all of it; 2 and beyond: none
    expect_each([&](int x, int y) {
        double f = std::max(0.0, 1.0 - std::hypot(x - 3, y - 2) / 2.0);
        uint32_t c = old(x, y), out = 0;
        for (int shift : {16, 8, 0})
            out |= std::min(255u, ch(c, shift) + uint32_t(std::lround(ch(0x402010, shift) * f)))
                   << shift;
        return out;
    });
    // Not a surface: nothing anywhere, the current surface kept.
    KX_ImageFade(12345, 0);
    EXPECT_EQ(KX_GetCurrentSurface(), screen);
}

TEST_F(Effects, ScrollWrapsAndScaleResizesEveryBuffer) {
    KX_ImageScroll(img, 5, 0, 0);
    expect_each([&](int x, int y) { return old((x - 5 + W) % W, y); });
    before = pixels();
    KX_ImageScroll(img, -3 - 2 * W, 1 + H, 0);
    expect_each([&](int x, int y) { return old((x + 3) % W, (y - 1 + H) % H); });
    before = pixels();
    KX_ImageScroll(img, W, H, 0);
    expect_each([&](int x, int y) { return old(x, y); });

    EXPECT_EQ(KX_ImageScale(img, 0.1f, 1.0f, 0), 0);
    EXPECT_EQ(KX_ImageScale(img, NAN, 1.0f, 1), 0);
    EXPECT_EQ(KX_SurfaceWidth(img), W);
    EXPECT_EQ(KX_ImageScale(img, 3.0f, 3.0f, 0), 1);
    EXPECT_EQ(KX_GetCurrentSurface(), screen);
    ASSERT_EQ(KX_SurfaceWidth(img), 3 * W);
    ASSERT_EQ(KX_SurfaceHeight(img), 3 * H);
    auto* v = static_cast<KX_Viewport*>(KX_GetViewportPtr(img));
    EXPECT_EQ(v->Right, 3 * W);
    EXPECT_EQ(v->Bottom, 3 * H);
    // The old corner texels sit on the new corners: pixel centre x + 1/2 reads
    // texel floor(1/2 + (x + 1/2) (W - 1) / 3W), likewise for y (never a tie here).
    for (int y = 0; y < 3 * H; ++y)
        for (int x = 0; x < 3 * W; ++x)
            ASSERT_EQ(get(img, x, y), old((3 * W + (2 * x + 1) * (W - 1)) / (6 * W),
                                          (3 * H + (2 * y + 1) * (H - 1)) / (6 * H)))
                << x << "," << y;
    EXPECT_EQ(KX_ImageScale(img, 10.7f, 20.2f, 1), 1);
    EXPECT_EQ(KX_SurfaceWidth(img), 10);
    EXPECT_EQ(KX_SurfaceHeight(img), 20);
    EXPECT_EQ(KX_ImageScale(img, 5000.0f, 10.0f, 1), 1);
    EXPECT_EQ(KX_SurfaceWidth(img), 4000);

    int32_t video = KX_ImageCreate(screen, 4, 4, 32, 1);
    put(video, 3, 3, 0x123456);
    EXPECT_EQ(KX_ImageScale(video, 2.0f, 2.0f, 0), 1);
    EXPECT_EQ(get(video, 7, 7), 0x123456u);
    EXPECT_EQ(get(video, 5, 5), 0u);
    EXPECT_EQ(KX_ImageScale(screen, 2.0f, 2.0f, 0), 0); // not an image
}

} // namespace
