// Boxes, shade boxes, circles, ellipses, lines, span shapes, strips and the shape
// blends.
#include <climits>
#include <cmath>
#include <functional>
#include <queue>
#include <set>
#include <utility>

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

TEST(VgfxBox, CoversExactlyItsRectangleInEveryFormat) {
    for (int f : kAllFormats) {
        SCOPED_TRACE(fmt_name(f));
        Canvas c(f, 12, 12);
        c.fill(0);
        c.bind();
        VGFX_Box(2, 3, 6, 8, 0xFFFFFF, 1);
        EXPECT_FALSE(c.changed_outside(2, 3, 6, 8)) << c.diff_map();
        EXPECT_EQ(c.get(2, 3), ref_round_trip(f, 0xFFFFFF));
        EXPECT_EQ(c.get(5, 7), ref_round_trip(f, 0xFFFFFF));
        // Reversed corners draw the same box; mode 2 fills as 1 does.
        c.fill(0);
        VGFX_Box(6, 8, 2, 3, 0x808080, 2);
        EXPECT_FALSE(c.changed_outside(2, 3, 6, 8));
        EXPECT_EQ(c.get(5, 3), ref_round_trip(f, 0x808080));
        // Clipped at every edge of the clip rectangle.
        c.fill(0);
        VGFX_SetBufferViewPort(3, 4, 8, 9);
        VGFX_Box(-10, -10, 40, 40, 0x00FF00, 1);
        EXPECT_FALSE(c.changed_outside(3, 4, 8, 9));
        EXPECT_EQ(c.get(3, 4), ref_round_trip(f, 0x00FF00));
        EXPECT_EQ(c.get(7, 8), ref_round_trip(f, 0x00FF00));
        // A box whose left is the clip's right draws nothing; nor does an empty box.
        c.fill(0);
        VGFX_Box(8, 4, 12, 6, 0xFFFFFF, 1);
        VGFX_Box(4, 5, 4, 7, 0xFFFFFF, 1);
        EXPECT_FALSE(c.changed_anywhere());
    }
}

TEST(VgfxBox, OutlineIsTheBorderWithEachPixelOnce) {
    CoverageCanvas c(12, 12);
    VGFX_Box(1, 2, 7, 6, 1, 0x20); // add mode, outline
    Pixels got = c.covered(), want;
    for (int x = 1; x < 7; ++x)
        want.insert({x, 2}), want.insert({x, 5});
    for (int y = 3; y < 5; ++y)
        want.insert({1, y}), want.insert({6, y});
    EXPECT_EQ(got, want);
    // One pixel wide or high: still every pixel once.
    c.fill(0);
    VGFX_Box(3, 3, 4, 9, 1, 0x20);
    VGFX_Box(5, 1, 11, 2, 1, 0x20);
    EXPECT_EQ(c.covered().size(), 12u);
}

TEST(VgfxBlend, EveryShapeModeInEveryFormat) {
    const uint32_t colour = 0x80A0C040; // the top byte is the alpha mode's level
    for (int f : kAllFormats)
        for (int mode : kShapeModes) {
            SCOPED_TRACE(fmt_name(f) + " mode " + std::to_string(mode));
            Canvas c(f, 21, 4); // rows of 21: vector groups and a rest
            c.pattern(7);
            c.bind();
            VGFX_Box(0, 0, 21, 2, colour, mode | 1);
            VGFX_Dot(3, 3, colour, mode);
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < 21; ++x) {
                    bool drawn = y < 2 || (x == 3 && y == 3);
                    uint32_t want = drawn ? ref_round_trip(f, ref_shape(mode, c.old(x, y), colour))
                                          : c.old(x, y);
                    ASSERT_EQ(c.get(x, y), want) << x << "," << y;
                }
        }
    // The lowest blend bit decides; bit 15 and the low bits are not blends.
    Canvas c(4, 2, 1);
    c.bind();
    c.fill(0x102030);
    VGFX_Dot(0, 0, 0x010101, 0x0030);
    EXPECT_EQ(c.get(0, 0), ref_avg(0x102030, 0x010101));
    VGFX_Dot(1, 0, 0x010101, 0x800F);
    EXPECT_EQ(c.get(1, 0), 0x010101u);
    // Alpha levels 0 and 255 keep the pixel and write the colour exactly.
    VGFX_Dot(0, 0, 0x00FFFFFF, 0x400);
    EXPECT_EQ(c.get(0, 0), ref_avg(0x102030, 0x010101));
    VGFX_Dot(0, 0, 0xFF123456, 0x400);
    EXPECT_EQ(c.get(0, 0), 0x123456u);
}

TEST(VgfxShadeBox, CornerColoursAndInterpolation) {
    for (int f : kAllFormats) {
        SCOPED_TRACE(fmt_name(f));
        Canvas c(f, 12, 10);
        c.fill(0);
        c.bind();
        const uint32_t tl = 0xFF0000, tr = 0x00FF00, br = 0x0000FF, bl = 0xFFFFFF;
        VGFX_ShadeBox(1, 2, 10, 9, tl, tr, br, bl); // 9 x 7
        EXPECT_FALSE(c.changed_outside(1, 2, 10, 9));
        EXPECT_EQ(c.get(1, 2), ref_round_trip(f, tl));
        EXPECT_EQ(c.get(9, 2), ref_round_trip(f, tr));
        EXPECT_EQ(c.get(9, 8), ref_round_trip(f, br));
        EXPECT_EQ(c.get(1, 8), ref_round_trip(f, bl));
        EXPECT_EQ(c.get(5, 2), ref_round_trip(f, 0x808000)); // half way along the top
        EXPECT_EQ(c.get(1, 5), ref_round_trip(f, 0xFF8080)); // half way down the left
        // Reversed corners: the colours stay with the named corners.
        Canvas d(f, 12, 10);
        d.fill(0);
        d.bind();
        VGFX_ShadeBox(10, 9, 1, 2, tl, tr, br, bl);
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 12; ++x)
                ASSERT_EQ(d.get(x, y), c.get(x, y)) << x << "," << y;
        // Clipped: the same pixels as unclipped, inside the clip only.
        d.fill(0);
        VGFX_SetBufferViewPort(3, 4, 7, 6);
        VGFX_ShadeBox(1, 2, 10, 9, tl, tr, br, bl);
        EXPECT_FALSE(d.changed_outside(3, 4, 7, 6));
        for (int y = 4; y < 6; ++y)
            for (int x = 3; x < 7; ++x)
                ASSERT_EQ(d.get(x, y), c.get(x, y)) << x << "," << y;
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

TEST(VgfxCircle, FilledIsTheDiscAndOutlineTheSymmetricRing) {
    for (int r = 0; r <= 13; ++r) {
        SCOPED_TRACE("radius " + std::to_string(r));
        CoverageCanvas c(32, 32);
        VGFX_Circle(15, 16, r, 1, 0x21);
        Pixels disc = c.covered(), want;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                if ((x - 15) * (x - 15) + (y - 16) * (y - 16) <= r * r) want.insert({x, y});
        EXPECT_EQ(disc, want);
        c.fill(0);
        VGFX_Circle(15, 16, r, 1, 0x20);
        Pixels ring = c.covered(); // each pixel once: no doubled octant ends
        EXPECT_EQ(symmetric_images(ring, 15, 16, true), ring);
        EXPECT_TRUE(connected8(ring));
        for (auto [x, y] : ring) {
            double d = std::hypot(x - 15, y - 16);
            EXPECT_LT(std::abs(d - r), 0.75) << x << "," << y;
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
    // Negative radius: nothing.
    c.fill(0);
    VGFX_Circle(8, 8, -1, 1, 1);
    EXPECT_FALSE(c.changed_anywhere());
}

TEST(VgfxEllipse, FilledOutlineAndDegenerateRadii) {
    for (auto [rx, ry] : {std::pair{7, 3}, {3, 9}, {1, 5}, {12, 12}, {5, 1}}) {
        SCOPED_TRACE(std::to_string(rx) + " x " + std::to_string(ry));
        CoverageCanvas c(40, 40);
        VGFX_Ellipse(20, 19, rx, ry, 1, 1);
        Pixels filled = c.covered(), want;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x) {
                int64_t dx = x - 20, dy = y - 19;
                if (dx * dx * ry * ry + dy * dy * rx * rx <= int64_t(rx) * rx * ry * ry)
                    want.insert({x, y});
            }
        EXPECT_EQ(filled, want);
        c.fill(0);
        VGFX_Ellipse(20, 19, rx, ry, 1, 0x20);
        Pixels ring = c.covered();
        EXPECT_EQ(symmetric_images(ring, 20, 19, false), ring);
        EXPECT_TRUE(connected8(ring));
        // The ring reaches the four extremes and stays near the curve.
        for (auto p : {std::pair{20 + rx, 19}, {20 - rx, 19}, {20, 19 + ry}, {20, 19 - ry}})
            EXPECT_TRUE(ring.count(p)) << p.first << "," << p.second;
        for (auto [x, y] : ring) {
            double u = double(x - 20) / rx, v = double(y - 19) / ry;
            EXPECT_NEAR(std::sqrt(u * u + v * v), 1.0, 1.0 / std::min(rx, ry) + 0.05)
                << x << "," << y;
        }
    }
    // Equal radii fill as the circle does; a zero radius gives a line.
    CoverageCanvas a(30, 30), b(30, 30);
    a.bind();
    VGFX_Ellipse(15, 15, 9, 9, 1, 0x21);
    b.bind();
    VGFX_Circle(15, 15, 9, 1, 0x21);
    EXPECT_EQ(a.covered(), b.covered());
    a.fill(0);
    a.bind();
    VGFX_Ellipse(15, 15, 0, 4, 1, 0x20);
    EXPECT_EQ(a.covered().size(), 9u);
    a.fill(0);
    VGFX_Ellipse(15, 15, 3, 0, 1, 0x21);
    EXPECT_EQ(a.covered().size(), 7u);
}

Pixels line_pixels(int x1, int y1, int x2, int y2, int w = 64, int h = 64) {
    CoverageCanvas c(w, h);
    VGFX_WriteLine(x1, y1, x2, y2, 1, 0x20);
    return c.covered();
}

TEST(VgfxLine, BothEndsEachPixelOnceAndEitherDirection) {
    uint32_t s = 99;
    auto rnd = [&s](int n) { return int((s = s * 1103515245u + 12345u) >> 16) % n; };
    for (int i = 0; i < 300; ++i) {
        int x1 = rnd(64), y1 = rnd(64), x2 = rnd(64), y2 = rnd(64);
        SCOPED_TRACE(std::to_string(x1) + "," + std::to_string(y1) + " - " + std::to_string(x2) +
                     "," + std::to_string(y2));
        Pixels p = line_pixels(x1, y1, x2, y2);
        EXPECT_EQ(p.size(), size_t(std::max(std::abs(x2 - x1), std::abs(y2 - y1)) + 1));
        EXPECT_TRUE(p.count({x1, y1}) && p.count({x2, y2}));
        EXPECT_TRUE(connected8(p));
        EXPECT_EQ(line_pixels(x2, y2, x1, y1), p);
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

TEST(VgfxLine, ClippingKeepsTheSamePixelsEvenFromFarAway) {
    uint32_t s = 7;
    auto rnd = [&s](int n) { return int((s = s * 1103515245u + 12345u) >> 16) % n; };
    for (int i = 0; i < 300; ++i) {
        int x1 = rnd(100) - 20, y1 = rnd(100) - 20, x2 = rnd(100) - 20, y2 = rnd(100) - 20;
        CoverageCanvas full(64, 64);
        VGFX_SetBufferViewPort(0, 0, 64, 64);
        // The same line drawn in a large window, then cut to the clip rectangle.
        Pixels want;
        {
            CoverageCanvas big(140, 140);
            VGFX_WriteLine(x1 + 20, y1 + 20, x2 + 20, y2 + 20, 1, 0x20);
            for (auto [x, y] : big.covered())
                if (x - 20 >= 10 && x - 20 < 50 && y - 20 >= 5 && y - 20 < 41)
                    want.insert({x - 20, y - 20});
        }
        full.bind();
        VGFX_SetBufferViewPort(10, 5, 50, 41);
        VGFX_WriteLine(x1, y1, x2, y2, 1, 0x20);
        ASSERT_EQ(full.covered(), want) << x1 << "," << y1 << " - " << x2 << "," << y2;
    }
    // End points at the far ends of the integer range.
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
        Canvas c(f, 12, 12);
        c.fill(0);
        c.bind();
        VGFX_HoriGouraudStrip(1, 0xFF0000, 9, 0x0000FF, 2);
        EXPECT_EQ(c.get(1, 2), ref_round_trip(f, 0xFF0000));
        EXPECT_EQ(c.get(9, 2), ref_round_trip(f, 0x0000FF));
        EXPECT_EQ(c.get(5, 2), ref_round_trip(f, 0x800080));
        EXPECT_FALSE(c.changed_outside(1, 2, 10, 3));
        VGFX_VertGouraudStrip(10, 0x00FF00, 3, 0xFFFFFF, 11); // reversed ends
        EXPECT_EQ(c.get(11, 3), ref_round_trip(f, 0xFFFFFF));
        EXPECT_EQ(c.get(11, 10), ref_round_trip(f, 0x00FF00));
        EXPECT_FALSE(c.changed_outside(0, 0, 12, 11));
        // Clipped strips keep the colours they have unclipped.
        uint32_t mid = c.get(4, 2);
        c.fill(0);
        VGFX_SetBufferViewPort(4, 0, 6, 12);
        VGFX_HoriGouraudStrip(1, 0xFF0000, 9, 0x0000FF, 2);
        EXPECT_EQ(c.get(4, 2), mid);
        EXPECT_FALSE(c.changed_outside(4, 2, 6, 3));

        // Texture strips: texel (tx1, ty1) at one end to (tx2, ty2) at the other.
        Canvas src(f, 8, 8);
        src.pattern(3);
        src.bind_source();
        c.fill(0);
        c.bind();
        VGFX_HoriTextureStrip(2, 0, 5, 9, 7, 5, 4); // row 5 of the texture, one texel a pixel
        for (int x = 2; x <= 9; ++x)
            EXPECT_EQ(c.get(x, 4), src.get(x - 2, 5)) << x;
        VGFX_VertTextureStrip(7, 3, 0, 0, 3, 7, 1); // reversed: texel (3, 0) at y 7, (3, 7) at y 0
        for (int y = 0; y <= 7; ++y)
            EXPECT_EQ(c.get(1, y), src.get(3, 7 - y)) << y;
        // Beyond the source they are clamped to its edge texels.
        VGFX_HoriTextureStrip(0, -4, 2, 3, 100, 2, 11);
        EXPECT_EQ(c.get(0, 11), src.get(0, 2));
        EXPECT_EQ(c.get(3, 11), src.get(7, 2));
    }
}

} // namespace
