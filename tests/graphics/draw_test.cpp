// Drawing primitives and image effects through the exports, on 16- and 32-bit
// screens opened with the host kit and on FX images; every result is read
// back from the surface's pixels and compared with a value worked out here.
#include <algorithm>
#include <climits>
#include <cmath>

#include "graphics/host_fixture.h"

namespace {

using namespace kxt;

constexpr uint32_t kWhite = 0xFFFFFF;

struct Pt {
    int x, y;
    bool operator==(const Pt&) const = default;
};

class Draw : public Host {
  protected:
    static std::vector<Pt> lit(int32_t s) {
        Colours c = colours(s);
        std::vector<Pt> out;
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x)
                if (c(x, y)) out.push_back({x, y});
        return out;
    }
    static void clear(int32_t s) {
        fill(s, 0);
        KX_SetCurrentSurface(s);
    }
    // The three targets: 16- and 32-bit screens and a 32-bit FX image.
    template <class F> void on_every_target(F test) {
        for (int depth : {16, 32}) {
            open_screen(depth);
            std::vector<int32_t> targets{screen};
            if (depth == 32) targets.push_back(KX_ImageCreate(screen, 64, 48, 32, 2));
            for (int32_t s : targets) {
                SCOPED_TRACE(testing::Message() << "depth " << depth << " surface " << s);
                clear(s);
                test(s);
            }
        }
    }
};

TEST_F(Draw, LinesEndWhereTheyAreClippedToTheSurface) {
    // A segment and its worked ends on the 64 x 48 surface, in order along its major axis
    // (x when |dx| >= |dy|): where it meets an edge, rounded down; none when it misses.
    struct Seg {
        float x1, y1, x2, y2;
        Pt lo, hi;
    };
    const Pt none{-1, -1};
    // clang-format off
    const Seg segs[] = {
        {10.7f, 10.2f, 20.9f, 30.5f, {10, 10}, {20, 30}}, // inside
        {30, -9, 30, 99, {30, 0}, {30, 47}},              // across, both ways
        {70, 5, 40, 35, {40, 35}, {63, 12}},              // in from the right
        {-3e9f, 9, 3e9f, 9, {0, 9}, {63, 9}},             // far beyond
        {-1, 1, 1, -1, {0, 0}, {0, 0}},                   // one pixel in the corner
        {-10, -10, -5, 200, none, none},                  // wholly left
        {60, 60, 70, 40, none, none}};                    // past the bottom-right corner
    // clang-format on
    on_every_target([&](int32_t s) {
        for (const Seg& g : segs) {
            SCOPED_TRACE(testing::Message() << g.x1 << "," << g.y1 << " " << g.x2 << "," << g.y2);
            clear(s);
            KX_Line(g.x1, g.y1, g.x2, g.y2, kWhite, 0);
            std::vector<Pt> px = lit(s);
            if (g.lo == none) {
                EXPECT_TRUE(px.empty());
                continue;
            }
            ASSERT_FALSE(px.empty());
            bool by_x = std::abs(g.hi.x - g.lo.x) >= std::abs(g.hi.y - g.lo.y);
            auto key = [&](Pt a) { return by_x ? a.x : a.y; };
            auto [lo, hi] = std::minmax_element(px.begin(), px.end(),
                                                [&](Pt a, Pt b) { return key(a) < key(b); });
            EXPECT_EQ((std::array{*lo, *hi}), (std::array{g.lo, g.hi}));
        }
        // Not-a-number coordinates draw nothing.
        clear(s);
        KX_Line(NAN, 1, 5, 5, kWhite, 0);
        EXPECT_TRUE(lit(s).empty());
    });
}

TEST_F(Draw, BoxesExcludeRightAndBottomAndClampToTheViewport) {
    on_every_target([&](int32_t s) {
        KX_Box(50, 40, 10, 20, kWhite, 1); // reversed corners
        Colours c = colours(s);
        EXPECT_EQ(c.at({{10, 20}, {49, 39}, {50, 39}, {49, 40}, {9, 20}}),
                  (Pixels{kWhite, kWhite, 0, 0, 0}));
        EXPECT_EQ(c.lit(), 40u * 20u);

        clear(s);
        KX_SurfaceSetViewport(s, 8, 6, 40, 30);
        KX_SetCurrentSurface(s);
        KX_Box(INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0x00FF00, 1);
        // Mode 2 on a screen is the surface's colour fill, which takes the colour as
        // it is: on a 5-6-5 screen 0xF800 is red and 0x1F blue.
        const bool raw16 = KX_SurfaceDepth(s) == 16 && s == screen;
        KX_Box(-10, -10, 12, 12, raw16 ? 0xF800 : 0xFF0000, 2);
        std::vector<Pt> px = lit(s);
        EXPECT_EQ(px.size(), 32u * 24u);
        EXPECT_EQ((std::array{px.front(), px.back()}), (std::array{Pt{8, 6}, Pt{39, 29}}));
        EXPECT_EQ(colours(s).at({{11, 11}, {12, 11}}), (Pixels{0xFF0000, 0x00FF00}));
        KX_Box(40, 6, 60, 10, kWhite, 1); // left at the viewport's right: nothing
        KX_Cls(raw16 ? 0x1F : 0xFF);      // only the viewport
        c = colours(s);
        EXPECT_EQ(c.at({{8, 6}, {7, 6}}), (Pixels{0x0000FF, 0}));
        EXPECT_EQ(c.lit(), 32u * 24u);

        // A box filled while the program holds the lock leaves it held.
        ASSERT_EQ(KX_LockSurface(s), 1);
        KX_Box(8, 6, 9, 7, kWhite, 2);
        EXPECT_EQ(lock_of(s)->Locked, 1);
        EXPECT_EQ(KX_UnLockSurface(s), 1);
        EXPECT_EQ(colours(s)(8, 6), kWhite);
        KX_SurfaceSetViewport(s, 0, 0, 64, 48);
    });
}

TEST_F(Draw, DotsAndPointsRespectTheViewportAndModes) {
    on_every_target([&](int32_t s) {
        KX_SurfaceSetViewport(s, 4, 4, 60, 44);
        KX_SetCurrentSurface(s);
        KX_Dot(60, 10, kWhite, 0); // at the right edge: nothing
        KX_Dot(4, 10, kWhite, 3);  // mode without blend bits writes
        EXPECT_EQ(lit(s), (std::vector<Pt>{{4, 10}}));
        EXPECT_EQ((Quad{KX_Point(4, 10), KX_Point(3, 10)}), (Quad{int32_t(kWhite), 0}));
        KX_Dot(4, 10, 0x000000, 0x13); // 0x10: average with black
        EXPECT_EQ(colours(s)(4, 10), KX_SurfaceDepth(s) == 16 ? 0x7B7D7Bu : 0x7F7F7Fu);
        KX_Box(10, 10, 20, 11, 0xFF0000, 1);
        EXPECT_EQ(KX_PixelRunLength(10, 10, 1, 0, 0), 10);
        EXPECT_EQ(KX_PixelRunLength(0, 0, 1, 0, 0), 0); // outside the viewport
        KX_SurfaceSetViewport(s, 0, 0, 64, 48);
    });
}

TEST_F(Draw, CirclesAreSymmetricAndReachTheirRadius) {
    on_every_target([&](int32_t s) {
        // The raster library's own tests check the ring's shape; here the export's
        // radius, both modes and the filled disc's 317 pixels (x^2 + y^2 <= 100).
        for (int mode : {0, 1}) {
            clear(s);
            KX_Circle(30, 24, 10, kWhite, mode);
            Colours c = colours(s);
            EXPECT_EQ(c.at({{40, 24}, {41, 24}, {20, 24}, {19, 24}, {30, 14}, {30, 34}, {30, 35}}),
                      (Pixels{kWhite, 0, kWhite, 0, kWhite, kWhite, 0}));
            if (mode == 1) {
                EXPECT_EQ(c.lit(), 317u);
            }
        }
        clear(s);
        KX_Circle(5, 5, 0, kWhite, 1); // the centre pixel
        KX_Circle(5, 5, -4, kWhite, 1);
        KX_Circle(INT_MAX, INT_MIN, INT_MAX, kWhite, 0); // reaches the corner
        KX_Circle(-100, 24, 99, kWhite, 1);              // wholly left
        KX_Ellipse(INT_MIN, 0, 5, 5, kWhite, 1);
        EXPECT_EQ(lit(s), (std::vector<Pt>{{5, 5}}));
        KX_Ellipse(30, 24, 12, 4, kWhite, 1);
        EXPECT_EQ(colours(s).at({{42, 24}, {43, 24}, {30, 28}, {30, 29}}),
                  (Pixels{kWhite, 0, kWhite, 0}));
    });
}

TEST_F(Draw, ShadedShapesPutTheirColoursOnTheirCorners) {
    on_every_target([&](int32_t s) {
        KX_ShadeBox(2, 2, 18, 12, 0xFF0000, 0x00FF00, 0x0000FF, kWhite, 0, 0);
        KX_GouraudStripH(20, 0xFF0000, 40, 0x0000FF, 30);
        KX_GouraudStripV(-5, kWhite, 100, kWhite, 64); // outside: nothing
        Colours c = colours(s);
        EXPECT_EQ(c.at({{2, 2}, {17, 2}, {17, 11}, {2, 11}, {18, 2}}),
                  (Pixels{0xFF0000, 0x00FF00, 0x0000FF, kWhite, 0}));
        EXPECT_EQ(c.at({{20, 30}, {40, 30}, {41, 30}, {63, 10}}), (Pixels{0xFF0000, 0xFF, 0, 0}));
    });
}

TEST_F(Draw, TexturedShapesCopyTheirImageAndNeverReadBeyondIt) {
    on_every_target([&](int32_t s) {
        if (KX_SurfaceDepth(s) == 16) return; // the texture is a 32-bit FX image
        int32_t tex = KX_ImageCreate(screen, 8, 6, 32, 2);
        ASSERT_GT(tex, 0);
        Pixels texels;
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 8; ++x)
                texels.push_back(uint32_t(0x100000 * (x + 1) + 0x10 * (y + 1)));
        write(tex, texels);
        auto texel = [&](int x, int y) { return texels[size_t(y * 8 + x)]; };
        KX_SetCurrentSurface(s);
        // Texture corners beyond the image are clamped to it.
        KX_QuadT(tex, 10, 10, -5, -5, 18, 10, 99, 0, 18, 16, 7, 99, 10, 16, 0, 5, 0, 0);
        KX_TextureStripH(tex, 30, 0, 2, 37, 7, 2, 40);
        Colours c = colours(s);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 10; ++x)
                ASSERT_EQ(c(9 + x, 9 + y),
                          (x >= 1 && x <= 8 && y >= 1 && y <= 6) ? texel(x - 1, y - 1) : 0u)
                    << x << "," << y;
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(c(30 + x, 40), texel(x, 2));
        // Coordinates far beyond the texture: clamped by the raster library (ASan
        // reports any read outside it).
        KX_QuadTG(tex, 40, 0, 1000, 1000, kWhite, 60, 0, -1000, 5000, kWhite, 60, 20, 1 << 30, 0,
                  kWhite, 40, 20, 0, 1 << 30, kWhite, 0, 0);
        KX_TriT(tex, 0, 40, 0, 0, 8, 40, 7, 0, 0, 47, 0, 5, 0, 0);
        EXPECT_EQ(colours(s)(0, 40), texel(0, 0));
        size_t before = lit(s).size();
        KX_TriT(tex + 500, 0, 0, 0, 0, 8, 0, 7, 0, 0, 7, 0, 5, 0, 0); // not an image
        KX_QuadT(0, 0, 0, 0, 0, 8, 0, 7, 0, 8, 7, 7, 5, 0, 7, 0, 5, 0, 0);
        EXPECT_EQ(lit(s).size(), before);
        EXPECT_EQ(lock_of(tex)->Locked, 0);
        KX_ImageDelete(tex);
    });
}

TEST_F(Draw, NothingIsDrawnWithoutASurfaceOrOutsideAnEmptyViewport) {
    open_screen(32);
    KX_SetCurrentSurface(0);
    KX_Cls(kWhite);
    KX_Dot(1, 1, kWhite, 0);
    KX_Line(0, 0, 10, 10, kWhite, 0);
    KX_Circle(5, 5, 5, kWhite, 1);
    KX_Tri(0, 0, 10, 0, 0, 10, kWhite, 0, 0);
    EXPECT_EQ((Quad{KX_Point(1, 1), KX_PixelRunLength(1, 1, 1, 0, 0)}), (Quad{0, 0}));
    EXPECT_TRUE(lit(screen).empty());
    KX_SurfaceSetViewport(screen, 20, 20, 20, 20);
    KX_SetCurrentSurface(screen);
    KX_Cls(kWhite);
    KX_Box(0, 0, 64, 48, kWhite, 1);
    KX_Line(0, 0, 63, 47, kWhite, 0);
    KX_Circle(20, 20, 30, kWhite, 0);
    KX_QuadG(0, 0, -1, 63, 0, -1, 63, 47, -1, 0, 47, -1, 0, 0);
    KX_ImageBlur(screen, 9.0f);
    KX_ImageFade(screen, 0);
    EXPECT_TRUE(lit(screen).empty());
}

// ---- Effects ----------------------------------------------------------------------------

// A 7 x 5 FX image of arbitrary pixels on a 32-bit screen whose viewport is (3, 3) to (30, 30).
class Effects : public Host {
  protected:
    int32_t img = 0;
    Pixels before;
    static constexpr int W = 7, H = 5;
    void SetUp() override {
        Host::SetUp();
        open_screen(32);
        img = KX_ImageCreate(screen, W, H, 32, 2);
        uint32_t seed = 12345;
        for (int i = 0; i < W * H; ++i) {
            seed = seed * 1103515245u + 12345u;
            before.push_back((seed >> 8) & 0xFFFFFF);
        }
        write(img, before);
        KX_SurfaceSetViewport(screen, 3, 3, 30, 30);
        KX_SetCurrentSurface(screen);
    }
    uint32_t old(int x, int y) const { return before[size_t(y * W + x)]; }
    // Checks every pixel of the image, then that the effect gave the screen back as the
    // current surface with its viewport; the image's pixels become the new `before`.
    template <class F> void expect_each(F expected) {
        Pixels now = raw(img);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                ASSERT_EQ(now[size_t(y * W + x)], expected(x, y)) << x << "," << y;
        EXPECT_EQ(KX_GetCurrentSurface(), screen);
        KX_Dot(2, 2, kWhite, 0);
        EXPECT_EQ(raw(screen)[2 * 64 + 2], 0u);
        before = now;
    }
    static bool inner(int x, int y) { return x >= 1 && x < 6 && y >= 1 && y < 4; }
};

TEST_F(Effects, BlurAveragesNeighboursThatWrapAroundTheViewport) {
    // One white pixel on the inner viewport's corner (1, 1), one outside it at (0, 0):
    // the blur spreads the first over its neighbours, wrapping inside (1, 1) to (6, 4).
    KX_SurfaceSetViewport(img, 1, 1, 6, 4);
    struct Case {
        float divisor;
        uint32_t spread; // 255 / divisor, truncated and kept in 0 to 255
    };
    for (Case c : {Case{9.0f, 0x1C1C1C}, Case{4.5f, 0x383838}, Case{1000.0f, 0x010101},
                   Case{-9.0f, 0}, Case{0.0f, 0}}) {
        SCOPED_TRACE(c.divisor);
        fill(img, 0);
        poke(img, 0, 0, kWhite);
        poke(img, 1, 1, kWhite);
        KX_ImageBlur(img, c.divisor);
        expect_each([&](int x, int y) -> uint32_t {
            if (x + y == 0 || (c.divisor == 0 && x == 1 && y == 1)) return kWhite;
            bool near = (x == 5 || x == 1 || x == 2) && (y == 3 || y == 1 || y == 2);
            return c.divisor != 0 && near ? c.spread : 0;
        });
    }
}

TEST_F(Effects, FadeGreyAndLightGiveWorkedValuesInsideTheViewport) {
    fill(img, 0xFF8040);
    KX_SurfaceSetViewport(img, 1, 1, 6, 4);
    KX_ImageFade(img, 128); // each channel times 128 / 255, rounded
    expect_each([](int x, int y) { return inner(x, y) ? 0x804020u : 0xFF8040u; });
    KX_ImageGreyScale(img); // 0.30 red + 0.59 green + 0.11 blue
    expect_each([](int x, int y) { return inner(x, y) ? 0x4F4F4Fu : 0xFF8040u; });
    // Radius 4: all of the colour at the centre, 3/4 at distance 1, half at distance 2.
    KX_ImageLight(img, 3, 2, 4, 0x402010);
    EXPECT_EQ(colours(img).at({{3, 2}, {4, 2}, {1, 2}, {3, 3}, {3, 0}}),
              (Pixels{0x8F6F5F, 0x7F675B, 0x6F5F57, 0x7F675B, 0xFF8040}));
    // Not a surface: nothing anywhere; the current surface kept by both.
    KX_ImageFade(12345, 0);
    EXPECT_EQ(KX_GetCurrentSurface(), screen);
}

TEST_F(Effects, MirrorMaskScrollAndScaleMovePixels) {
    KX_ImageMirror(img, 1, 0);
    expect_each([&](int x, int y) { return old(W - 1 - x, y); });
    KX_ImageRGBMask(img, 0x00FF00, 0x81);
    expect_each([&](int x, int y) { return old(x, y) & 0x00FF00u; });
    KX_ImageScroll(img, 5, 0, 0);
    expect_each([&](int x, int y) { return old((x - 5 + W) % W, y); });
    KX_ImageScroll(img, -3 - 2 * W, 1 + H, 0);
    expect_each([&](int x, int y) { return old((x + 3) % W, (y - 1 + H) % H); });
    KX_ImageScroll(img, W, H, 0);
    expect_each([&](int x, int y) { return old(x, y); });

    // Refused scales change nothing; braces keep the order.
    ASSERT_EQ((std::array{KX_ImageScale(img, 0.1f, 1.0f, 0), KX_ImageScale(img, NAN, 1.0f, 1),
                          KX_SurfaceWidth(img), KX_ImageScale(img, 3.0f, 3.0f, 0),
                          KX_GetCurrentSurface(), KX_SurfaceWidth(img), KX_SurfaceHeight(img)}),
              (std::array{0, 0, W, 1, screen, 3 * W, 3 * H}));
    EXPECT_EQ(quad(*static_cast<KX_Viewport*>(KX_GetViewportPtr(img))), (Quad{0, 0, 3 * W, 3 * H}));
    // The old corner texels sit on the new corners: pixel centre x + 1/2 reads
    // texel floor(1/2 + (x + 1/2) (W - 1) / 3W), likewise for y (never a tie here).
    Colours c = colours(img);
    for (int y = 0; y < 3 * H; ++y)
        for (int x = 0; x < 3 * W; ++x)
            ASSERT_EQ(c(x, y), old((3 * W + (2 * x + 1) * (W - 1)) / (6 * W),
                                   (3 * H + (2 * y + 1) * (H - 1)) / (6 * H)))
                << x << "," << y;
    EXPECT_EQ((std::array{KX_ImageScale(img, 10.7f, 20.2f, 1), KX_SurfaceWidth(img),
                          KX_SurfaceHeight(img), KX_ImageScale(img, 5000.0f, 10.0f, 1),
                          KX_SurfaceWidth(img)}),
              (std::array{1, 10, 20, 1, 4000}));

    int32_t video = KX_ImageCreate(screen, 4, 4, 32, 1);
    poke(video, 3, 3, 0x123456);
    EXPECT_EQ(KX_ImageScale(video, 2.0f, 2.0f, 0), 1);
    EXPECT_EQ(colours(video).at({{7, 7}, {5, 5}}), (Pixels{0x123456, 0}));
    EXPECT_EQ(KX_ImageScale(screen, 2.0f, 2.0f, 0), 0); // not an image
}

} // namespace
