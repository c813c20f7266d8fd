// Boxes, shade boxes, circles, ellipses, lines, span shapes, strips and the shape
// blends.
#include <climits>
#include <cmath>
#include <functional>
#include <queue>
#include <set>
#include <utility>
#include <vector>

#include "canvas.h"

using namespace vt;

namespace {

using Pixels = std::set<std::pair<int, int>>;

// Draws with mode 0x20 (add) and colour 1 on a black 32-bit canvas: each pixel's
// value is how often the shape touched it.
struct CoverageCanvas : Canvas {
    CoverageCanvas(int w, int h) : Canvas(4, w, h) {
        fill(0);
        bind();
    }
    Pixels covered(int expected_count = 1) {
        Pixels s;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                uint32_t v = raw(x, y);
                if (v) {
                    EXPECT_EQ(v, uint32_t(expected_count)) << "(" << x << ", " << y << ")";
                    s.insert({x, y});
                }
            }
        return s;
    }
};

TEST(VgfxBox, OutlineIsTheBorderWithEachPixelOnce) {
    CoverageCanvas c(12, 12);
    VGFX_Box(1, 2, 7, 6, 1, 0x20); // add mode, outline
    Pixels got = c.covered(), want;
    for (int x = 1; x < 7; ++x)
        want.insert({x, 2}), want.insert({x, 5});
    for (int y = 3; y < 5; ++y)
        want.insert({1, y}), want.insert({6, y});
    EXPECT_EQ(got, want);
    // One pixel wide or high: still every pixel once. Empty boxes draw nothing.
    c.fill(0);
    VGFX_Box(3, 3, 4, 9, 1, 0x20);
    VGFX_Box(5, 1, 11, 2, 1, 0x20);
    VGFX_Box(4, 5, 4, 7, 1, 0x21);
    VGFX_Box(8, 10, 11, 10, 1, 0x20);
    EXPECT_EQ(c.covered().size(), 12u);
}

TEST(VgfxBlend, EveryShapeModeInEveryFormat) {
    // Worked by hand per channel: pixel 0x20A0F0, colour 0x6040FF at alpha level 0x80.
    const uint32_t P = 0x20A0F0, C = 0x806040FF;
    const std::pair<int, uint32_t> worked[] = {
        {0, 0x6040FF},      {0x10, 0x4070F7},   {0x20, 0x80E0FF},   {0x40, 0x006000},
        {0x80, 0x2000F0},   {0x100, 0x60E0FF},  {0x200, 0x40E00F},  {0x400, 0x4070F8},
        {0x800, 0x0C28F0},  {0x1000, 0xDF5F0F}, {0x2000, 0x60A0FF}, {0x4000, 0x2040F0},
        {0x0030, 0x4070F7}, {0x800F, 0x6040FF}}; // the lowest blend bit decides
    Canvas w(4, 1, 1);
    w.bind();
    for (auto [mode, want] : worked) {
        w.set(0, 0, P);
        VGFX_Dot(0, 0, C, mode);
        EXPECT_EQ(w.get(0, 0), want) << "mode " << mode;
        EXPECT_EQ(ref_shape(mode, P, C), want) << "mode " << mode; // the model agrees
    }
    // Alpha levels 0 and 255 keep the pixel and write the colour exactly.
    w.set(0, 0, 0xFFFFFF);
    VGFX_Dot(0, 0, 0x00000000, 0x400);
    VGFX_Dot(0, 0, 0x7F000000, 0x0C00); // alpha decides over multiply: 255 x 128 / 255
    EXPECT_EQ(w.get(0, 0), 0x808080u);
    VGFX_Dot(0, 0, 0xFF123456, 0x400);
    EXPECT_EQ(w.get(0, 0), 0x123456u);
    // Every format, over a pattern, in rows of 21 (vector groups and a rest).
    for (int f : kAllFormats)
        for (int mode : kShapeModes) {
            SCOPED_TRACE(fmt_name(f) + " mode " + std::to_string(mode));
            Canvas c(f, 21, 4);
            c.pattern(7);
            c.bind();
            VGFX_Box(0, 0, 21, 2, C, mode | 1);
            VGFX_Dot(3, 3, C, mode);
            expect_area(c, 0, 0, 21, 4, [&](int x, int y) {
                bool drawn = y < 2 || (x == 3 && y == 3);
                return drawn ? ref_round_trip(f, ref_shape(mode, c.old(x, y), C)) : c.old(x, y);
            });
        }
}

TEST(VgfxShadeBox, CornerColoursAndInterpolation) {
    for (int f : kAllFormats) {
        SCOPED_TRACE(fmt_name(f));
        Canvas c(f, 12, 10), d(f, 12, 10);
        c.fill(0);
        c.bind();
        const uint32_t tl = 0xFF0000, tr = 0x00FF00, br = 0x0000FF, bl = 0xFFFFFF;
        VGFX_ShadeBox(1, 2, 10, 9, tl, tr, br, bl); // 9 x 7
        EXPECT_FALSE(c.changed_outside(1, 2, 10, 9));
        // The corners, then half way along the top and down the left.
        EXPECT_EQ((std::vector{c.get(1, 2), c.get(9, 2), c.get(9, 8), c.get(1, 8), c.get(5, 2),
                               c.get(1, 5)}),
                  (std::vector{ref_round_trip(f, tl), ref_round_trip(f, tr), ref_round_trip(f, br),
                               ref_round_trip(f, bl), ref_round_trip(f, 0x808000),
                               ref_round_trip(f, 0xFF8080)}));
        // Reversed corners: the colours stay with the named corners.
        d.fill(0);
        d.bind();
        VGFX_ShadeBox(10, 9, 1, 2, tl, tr, br, bl);
        expect_area(d, 0, 0, 12, 10, [&](int x, int y) { return c.get(x, y); });
    }
}

Pixels symmetric_images(const Pixels& s, int cx, int cy, bool eight) {
    Pixels out;
    for (auto [x, y] : s) {
        int dx = x - cx, dy = y - cy;
        out.insert({cx - dx, cy + dy});
        out.insert({cx + dx, cy - dy});
        if (eight) out.insert({cx + dy, cy + dx});
    }
    return out;
}

bool connected8(const Pixels& s) {
    if (s.empty()) return true;
    Pixels seen{*s.begin()};
    std::queue<std::pair<int, int>> q;
    q.push(*s.begin());
    while (!q.empty()) {
        auto [x, y] = q.front();
        q.pop();
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                std::pair<int, int> n{x + dx, y + dy};
                if (s.count(n) && !seen.count(n)) seen.insert(n), q.push(n);
            }
    }
    return seen.size() == s.size();
}

TEST(VgfxCircleEllipse, ClippedRingsArePiecesOfTheWholeRing) {
    // A ring drawn through any clip window is the whole ring's pixels in it. The
    // wider ellipses take the closed-form road through the small windows and the
    // step-by-step one through the whole canvas.
    CoverageCanvas c(120, 120);
    struct Ring {
        int rx, ry; // rx < 0: a circle of radius ry
    };
    for (Ring ring : {Ring{-1, 1}, Ring{-1, 2}, Ring{-1, 3}, Ring{-1, 5}, Ring{-1, 13},
                      Ring{-1, 40}, Ring{-1, 59}, Ring{59, 80}, Ring{100, 30}, Ring{7, 118},
                      Ring{200, 51}, Ring{1, 150}, Ring{150, 1}, Ring{90, 91}}) {
        SCOPED_TRACE(::testing::Message() << ring.rx << "x" << ring.ry);
        auto draw = [&] {
            if (ring.rx < 0)
                VGFX_Circle(60, 60, ring.ry, 1, 0x20);
            else
                VGFX_Ellipse(60, 60, ring.rx, ring.ry, 1, 0x20);
        };
        c.fill(0);
        VGFX_SetBufferViewPort(0, 0, 120, 120);
        draw();
        Pixels whole = c.covered();
        for (int t = 0; t < 120; t += 13)
            for (int l = 0; l < 120; l += 17) {
                c.fill(0);
                VGFX_SetBufferViewPort(l, t, std::min(l + 17, 120), std::min(t + 13, 120));
                draw();
                Pixels part;
                for (auto p : whole)
                    if (p.first >= l && p.first < l + 17 && p.second >= t && p.second < t + 13)
                        part.insert(p);
                ASSERT_EQ(c.covered(), part) << l << "," << t;
            }
    }
    // A ring of the largest radius through a small window: only its visible arc is
    // walked, and its pixels lie on the circle.
    c.fill(0);
    VGFX_SetBufferViewPort(0, 0, 120, 120);
    const int64_t r = INT32_MAX, cx = 60 - r;
    VGFX_Circle(int32_t(cx), 60, int32_t(r), 1, 0x20);
    Pixels arc = c.covered();
    EXPECT_EQ(arc.size(), 120u); // one pixel per row near the rightmost point
    for (auto [x, y] : arc)
        EXPECT_NEAR(std::hypot(double(x - cx), double(y - 60)), double(r), 1.0);
    // The same for an ellipse whose rightmost point is (60, 60): x falls by
    // r (dy / ry)^2 / 2, about 3.5 pixels at dy = 60.
    c.fill(0);
    VGFX_Ellipse(int32_t(cx), 60, int32_t(r), 1 << 20, 1, 0x20);
    std::set<int> rows;
    for (auto [x, y] : c.covered()) {
        rows.insert(y);
        double dy = (y - 60) / double(1 << 20);
        EXPECT_NEAR(x, 60 - double(r) * dy * dy / 2, 1.0) << y;
    }
    EXPECT_EQ(rows.size(), 120u);
}

TEST(VgfxCircleEllipse, FilledIsTheDiscAndOutlineTheSymmetricRing) {
    // Circles of radius 0 .. 13, then ellipses; about the centre of pixel (20, 19).
    std::vector<std::pair<int, int>> radii{{7, 3}, {3, 9}, {1, 5}, {12, 12}, {5, 1}};
    for (int r = 13; r >= 0; --r)
        radii.insert(radii.begin(), {-r, r}); // a negative rx marks a circle
    for (auto [rx, ry] : radii) {
        const bool circle = rx <= 0;
        rx = std::abs(rx);
        SCOPED_TRACE((circle ? "circle " : "ellipse ") + std::to_string(rx) + " x " +
                     std::to_string(ry));
        auto draw = [&](int mode) {
            circle ? VGFX_Circle(20, 19, rx, 1, mode) : VGFX_Ellipse(20, 19, rx, ry, 1, mode);
        };
        CoverageCanvas c(40, 40);
        draw(0x21);
        Pixels filled = c.covered(), want;
        for (int64_t y = 0; y < 40; ++y)
            for (int64_t x = 0; x < 40; ++x) {
                int64_t dx = x - 20, dy = y - 19;
                if (circle ? dx * dx + dy * dy <= rx * rx
                           : dx * dx * ry * ry + dy * dy * rx * rx <= int64_t(rx) * rx * ry * ry)
                    want.insert({int(x), int(y)});
            }
        EXPECT_EQ(filled, want);
        c.fill(0);
        draw(0x20);
        Pixels ring = c.covered(); // each pixel once: no doubled octant ends
        EXPECT_EQ(symmetric_images(ring, 20, 19, circle), ring);
        EXPECT_TRUE(connected8(ring));
        // The ring reaches the four extremes and stays near the curve.
        for (auto p : {std::pair{20 + rx, 19}, {20 - rx, 19}, {20, 19 + ry}, {20, 19 - ry}})
            EXPECT_TRUE(ring.count(p)) << p.first << "," << p.second;
        for (auto [x, y] : ring) {
            double u = double(x - 20) / std::max(rx, 1), v = double(y - 19) / std::max(ry, 1);
            double tolerance = circle ? 0.75 / std::max(rx, 1) : 1.0 / std::min(rx, ry) + 0.05;
            EXPECT_NEAR(std::sqrt(u * u + v * v), rx ? 1.0 : 0.0, tolerance) << x << "," << y;
        }
    }
    // The midpoint ring of radius 5: per octant (5,0) (5,1) (5,2) (4,3).
    CoverageCanvas c(16, 16);
    VGFX_Circle(8, 8, 5, 1, 0x20);
    Pixels ring = c.covered();
    EXPECT_EQ(ring.size(), 28u);
    for (auto p : {std::pair{13, 8}, {13, 9}, {13, 10}, {12, 11}, {11, 12}, {8, 3}})
        EXPECT_TRUE(ring.count(p)) << p.first << "," << p.second;
    EXPECT_FALSE(ring.count({12, 12}));
    // A negative radius draws nothing; equal radii fill as the circle; a zero radius gives a
    // line.
    c.fill(0);
    VGFX_Circle(8, 8, -1, 1, 1);
    EXPECT_FALSE(c.changed_anywhere());
    VGFX_Ellipse(8, 8, 6, 6, 1, 0x21);
    VGFX_Circle(8, 8, 6, 1, 0x41); // subtracts exactly what the ellipse added
    EXPECT_FALSE(c.changed_anywhere());
    VGFX_Ellipse(8, 8, 0, 4, 1, 0x20);
    EXPECT_EQ(c.covered().size(), 9u);
    c.fill(0);
    VGFX_Ellipse(8, 8, 3, 0, 1, 0x21);
    EXPECT_EQ(c.covered().size(), 7u);
}

Pixels line_pixels(int x1, int y1, int x2, int y2, int w = 64, int h = 64) {
    CoverageCanvas c(w, h);
    VGFX_WriteLine(x1, y1, x2, y2, 1, 0x20);
    return c.covered();
}

TEST(VgfxLine, BothEndsEachPixelOnceInEitherDirection) {
    uint32_t s = 99;
    auto rnd = [&s](int n) { return int((s = s * 1103515245u + 12345u) >> 16) % n; };
    for (int i = 0; i < 300; ++i) {
        int x1 = rnd(100), y1 = rnd(100), x2 = rnd(100), y2 = rnd(100);
        SCOPED_TRACE(std::to_string(x1) + "," + std::to_string(y1) + " - " + std::to_string(x2) +
                     "," + std::to_string(y2));
        Pixels p = line_pixels(x1, y1, x2, y2, 100, 100);
        EXPECT_EQ(p.size(), size_t(std::max(std::abs(x2 - x1), std::abs(y2 - y1)) + 1));
        EXPECT_TRUE(p.count({x1, y1}) && p.count({x2, y2}));
        EXPECT_TRUE(connected8(p));
        EXPECT_EQ(line_pixels(x2, y2, x1, y1, 100, 100), p);
        // Each pixel lies within half a pixel of the ideal line along the minor axis.
        for (auto [x, y] : p) {
            double t = std::abs(x2 - x1) >= std::abs(y2 - y1)
                           ? (x1 == x2 ? 0.0 : double(x - x1) / (x2 - x1))
                           : double(y - y1) / (y2 - y1);
            EXPECT_LE(std::abs(x1 + t * (x2 - x1) - x) + std::abs(y1 + t * (y2 - y1) - y),
                      0.5 + 1e-9);
        }
    }
    // Ties round away from the first end: (0,0)-(4,1) steps at x = 2.
    EXPECT_EQ(line_pixels(0, 0, 4, 1), (Pixels{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 1}}));
    // WriteDrawModeLine draws the same line in the given mode.
    CoverageCanvas c(64, 64);
    VGFX_WriteDrawModeLine(3, 60, 50, 2, 1, 0x20);
    EXPECT_EQ(c.covered(), line_pixels(3, 60, 50, 2));
}

TEST(VgfxLine, EndsFarOutsideKeepTheirPixels) {
    Pixels p = line_pixels(INT_MIN, 5, INT_MAX, 5, 16, 16);
    EXPECT_EQ(p.size(), 16u);
    EXPECT_TRUE(p.count({0, 5}) && p.count({15, 5}));
    p = line_pixels(-1000000000, -1000000000, 1000000000, 1000000000, 16, 16);
    EXPECT_EQ(p.size(), 16u);
    for (int i = 0; i < 16; ++i)
        EXPECT_TRUE(p.count({i, i}));
    EXPECT_TRUE(line_pixels(INT_MIN, INT_MIN, INT_MIN, INT_MAX, 16, 16).empty());
    // Long shallow lines (the longer one too long for fixed point): at x in 0 .. 15 the
    // minor offset is floor((2 (x + L) 3 + 2L) / 4L) = 2.
    for (int L : {60000, 2000000000}) {
        p = line_pixels(-L, 0, L, 3, 16, 16);
        EXPECT_EQ(p.size(), 16u);
        for (int i = 0; i < 16; ++i)
            EXPECT_TRUE(p.count({i, 2})) << L << " " << i;
        EXPECT_EQ(line_pixels(L, 3, -L, 0, 16, 16), p);
        // One step half way, at x = 5: a tie, which rounds away from the first end.
        Pixels want;
        for (int i = 0; i < 16; ++i)
            want.insert({i, i < 5 ? 0 : 1});
        EXPECT_EQ(line_pixels(5 - L, 0, 5 + L, 1, 16, 16), want) << L;
    }
}

TEST(VgfxSpans, SpanBufferFillsHalfOpenRuns) {
    for (int f : {1, 3, 4}) {
        Canvas c(f, 10, 6);
        c.fill(0x000000);
        c.bind();
        VGFX_SetBufferViewPort(0, 0, 8, 5);
        const int32_t spans[] = {0,      2, 5, /**/ 1, -3, 3,  /**/ 2,  6, 20, /**/ 3, 4, 4,
                                 /**/ 4, 7, 2, /**/ 9, 0,  10, /**/ -1, 0, 10};
        VGFX_Draw_Shape_Span_Buffer(spans, 7, 0xFFFFFF, 0);
        Pixels want{{2, 0}, {3, 0}, {4, 0}, {0, 1}, {1, 1}, {2, 1}, {6, 2}, {7, 2}};
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 10; ++x)
                EXPECT_EQ(c.get(x, y) != 0, want.count({x, y}) == 1)
                    << fmt_name(f) << " " << x << "," << y;
        EXPECT_FALSE(c.changed_outside(0, 0, 8, 5));
        VGFX_Draw_Shape_Span_Buffer(spans, 1, 0xFFFFFF, 0x200); // xor: back to black
        EXPECT_EQ(c.get(3, 0), 0u);
        VGFX_Draw_Shape_Span_Buffer(nullptr, 3, 0xFFFFFF, 0);
        VGFX_Draw_Shape_Span_Buffer(spans, -1, 0xFFFFFF, 0);
    }
}

TEST(VgfxStrips, GouraudAndTextureStripsIncludeBothEnds) {
    for (int f : kAllFormats) {
        SCOPED_TRACE(fmt_name(f));
        Canvas c(f, 12, 12), src(f, 8, 8);
        c.fill(0);
        c.bind();
        VGFX_HoriGouraudStrip(1, 0xFF0000, 9, 0x0000FF, 2);
        EXPECT_FALSE(c.changed_outside(1, 2, 10, 3));
        VGFX_VertGouraudStrip(10, 0x00FF00, 3, 0xFFFFFF, 11); // reversed ends
        EXPECT_FALSE(c.changed_outside(0, 0, 12, 11));
        EXPECT_EQ((std::vector{c.get(1, 2), c.get(9, 2), c.get(5, 2), c.get(11, 3), c.get(11, 10)}),
                  (std::vector{ref_round_trip(f, 0xFF0000), ref_round_trip(f, 0x0000FF),
                               ref_round_trip(f, 0x800080), ref_round_trip(f, 0xFFFFFF),
                               ref_round_trip(f, 0x00FF00)}));
        // Texture strips: texel (tx1, ty1) at one end to (tx2, ty2) at the other.
        src.pattern(3);
        src.bind_source();
        VGFX_HoriTextureStrip(2, 0, 5, 9, 7, 5, 4); // row 5 of the texture, one texel a pixel
        for (int x = 2; x <= 9; ++x)
            EXPECT_EQ(c.get(x, 4), src.get(x - 2, 5)) << x;
        VGFX_VertTextureStrip(7, 3, 0, 0, 3, 7, 1); // reversed: texel (3, 0) at y 7, (3, 7) at y 0
        for (int y = 0; y <= 7; ++y)
            EXPECT_EQ(c.get(1, y), src.get(3, 7 - y)) << y;
    }
}

} // namespace
