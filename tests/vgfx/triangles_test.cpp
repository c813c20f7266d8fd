// Triangles and quads: the fill rule, coverage of quads, texture mapping, the
// textured blends and gouraud shading.
#include <algorithm>
#include <cmath>
#include <vector>

#include "canvas.h"

using namespace vt;

namespace {

struct P2 {
    int64_t x, y;
};

// Twice the signed area of (a, b, c), in doubled coordinates.
int64_t edge(P2 a, P2 b, P2 c) {
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

TEST(VgfxFillRule, TrianglesSharingEdgesNeitherOverlapNorLeaveGaps) {
    // The square split along a diagonal that runs through pixel centres.
    {
        Canvas c(4, 12, 12);
        c.fill(0);
        c.bind();
        VGFX_Tri(1, 1, 11, 1, 11, 11, 1, 0x20);
        // Alone, the upper triangle owns the centres on the diagonal: there it is the
        // left edge, which the top-left rule includes.
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 12; ++x)
                ASSERT_EQ(c.raw(x, y), x >= y && x >= 1 && x < 11 && y >= 1 ? 1u : 0u)
                    << x << "," << y;
        VGFX_Tri(1, 1, 11, 11, 1, 11, 1, 0x20);
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 12; ++x)
                ASSERT_EQ(c.raw(x, y), x >= 1 && x < 11 && y >= 1 && y < 11 ? 1u : 0u)
                    << x << "," << y;
    }
    // Fans of triangles around an inner point: pixels whose centres lie inside the fan's
    // outline are covered exactly once, pixels outside not at all.
    uint32_t s = 5;
    auto rnd = [&s](int n) { return int((s = s * 1103515245u + 12345u) >> 16) % n; };
    for (int trial = 0; trial < 60; ++trial) {
        const int W = 48;
        P2 centre{20 + rnd(8), 20 + rnd(8)};
        int n = 4 + rnd(5);
        std::vector<P2> ring;
        for (int i = 0; i < n; ++i) {
            double a = 2 * M_PI * (i + 0.2 + 0.6 * rnd(100) / 100.0) / n;
            double r = 8 + rnd(14);
            ring.push_back({centre.x + int64_t(std::lround(r * std::cos(a))),
                            centre.y + int64_t(std::lround(r * std::sin(a)))});
        }
        Canvas c(4, W, W);
        c.fill(0);
        c.bind();
        VGFX_SetBufferViewPort(0, 0, W, W);
        for (int i = 0; i < n; ++i) {
            P2 a = ring[i], b = ring[(i + 1) % n];
            VGFX_Tri(int(centre.x), int(centre.y), int(a.x), int(a.y), int(b.x), int(b.y), 1, 0x20);
        }
        for (int y = 0; y < W; ++y)
            for (int x = 0; x < W; ++x) {
                P2 q{2 * x + 1, 2 * y + 1}, o{2 * centre.x, 2 * centre.y};
                bool inside = false, on_outline = false;
                for (int i = 0; i < n; ++i) {
                    P2 a{2 * ring[i].x, 2 * ring[i].y},
                        b{2 * ring[(i + 1) % n].x, 2 * ring[(i + 1) % n].y};
                    int64_t e0 = edge(o, a, q), e1 = edge(a, b, q), e2 = edge(b, o, q);
                    bool pos = e0 >= 0 && e1 >= 0 && e2 >= 0, neg = e0 <= 0 && e1 <= 0 && e2 <= 0;
                    if (edge(o, a, b) != 0 && (pos || neg)) inside = true;
                    if (e1 == 0 && std::min(a.x, b.x) <= q.x && q.x <= std::max(a.x, b.x) &&
                        std::min(a.y, b.y) <= q.y && q.y <= std::max(a.y, b.y))
                        on_outline = true;
                }
                uint32_t got = c.raw(x, y);
                if (inside && !on_outline)
                    ASSERT_EQ(got, 1u) << "trial " << trial << " at " << x << "," << y;
                else
                    ASSERT_LE(got, inside ? 1u : 0u)
                        << "trial " << trial << " at " << x << "," << y;
            }
    }
}

// The four corners of a rectangle in one of eight orders (start corner, direction).
std::vector<P2> corners(int x, int y, int w, int h, int order) {
    std::vector<P2> c{{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}};
    std::rotate(c.begin(), c.begin() + (order % 4), c.end());
    if (order >= 4) std::reverse(c.begin(), c.end());
    return c;
}

TEST(VgfxQuad, FlatGouraudAndTexturedQuadsCoverExactlyTheirRectangle) {
    Canvas tex(4, 16, 16);
    tex.fill(0x000001);
    for (auto [w, h] : {std::pair{1, 1}, {5, 3}, {16, 16}, {2, 13}})
        for (int order = 0; order < 8; ++order) {
            SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + " order " +
                         std::to_string(order));
            auto k = corners(3, 2, w, h, order);
            Canvas c(4, 24, 24);
            for (int kind = 0; kind < 3; ++kind) {
                c.fill(0);
                c.bind();
                if (kind == 0) {
                    VGFX_Quad(k[0].x, k[0].y, k[1].x, k[1].y, k[2].x, k[2].y, k[3].x, k[3].y, 1,
                              0x20);
                } else if (kind == 1) {
                    VGFX_QuadG(k[0].x, k[0].y, 1, k[1].x, k[1].y, 1, k[2].x, k[2].y, 1, k[3].x,
                               k[3].y, 1, 0x20);
                } else {
                    tex.bind_source();
                    VGFX_QuadT(k[0].x, k[0].y, 0, 0, k[1].x, k[1].y, 15, 0, k[2].x, k[2].y, 15, 15,
                               k[3].x, k[3].y, 0, 15, 0x20, 0, 0, 0);
                }
                for (int y = 0; y < 24; ++y)
                    for (int x = 0; x < 24; ++x)
                        ASSERT_EQ(c.raw(x, y), x >= 3 && x < 3 + w && y >= 2 && y < 2 + h ? 1u : 0u)
                            << "kind " << kind << " at " << x << "," << y;
            }
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
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    ASSERT_EQ(c.get(2 + x, 1 + y), src.get(x, y)) << x << "," << y;
            EXPECT_FALSE(c.changed_outside(2, 1, 2 + w, 1 + h));
            // Mirrored left-right, and turned a quarter (h wide, w high).
            c.fill(0);
            VGFX_QuadT(0, 0, w - 1, 0, w, 0, 0, 0, w, h, 0, h - 1, 0, h, w - 1, h - 1, 0, 0, 0, 0);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    ASSERT_EQ(c.get(x, y), src.get(w - 1 - x, y)) << x << "," << y;
            if (h > 64 || w > 64) continue;
            c.fill(0);
            VGFX_QuadT(0, 0, 0, h - 1, h, 0, 0, 0, h, w, w - 1, 0, 0, w, w - 1, h - 1, 0, 0, 0, 0);
            for (int j = 0; j < w; ++j)
                for (int i = 0; i < h; ++i)
                    ASSERT_EQ(c.get(i, j), src.get(j, h - 1 - i)) << i << "," << j;
        }
}

uint32_t key_bits(int f) {
    static const uint32_t k[] = {0xFF, 0xFFFF, 0x7FFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF};
    return k[f];
}

TEST(VgfxTriT, EveryTexturedBlendWithAndWithoutTheMask) {
    const uint32_t mask = 0x30C0F8, A = 0x3060C0;
    for (int f : kAllFormats)
        for (int blend : kTexBlends)
            for (uint32_t B : {0x0000C8u, 0x40E0A0u})
                for (int keyed = 0; keyed < 2; ++keyed) {
                    SCOPED_TRACE(fmt_name(f) + " blend " + std::to_string(blend) + " B " +
                                 std::to_string(B) + (keyed ? " keyed" : ""));
                    Canvas src(f, 8, 6), c(f, 12, 10);
                    src.pattern(11);
                    for (int i = 0; i < 8; ++i)
                        src.set((i * 3) % 8, i % 6, mask);
                    src.bind_source();
                    c.pattern(12);
                    c.bind();
                    int mode = blend | keyed;
                    VGFX_TriT(2, 3, 0, 0, 10, 3, 7, 0, 10, 9, 7, 5, mode, mask, A, B);
                    VGFX_TriT(2, 3, 0, 0, 10, 9, 7, 5, 2, 9, 0, 5, mode, mask, A, B);
                    EXPECT_FALSE(c.changed_outside(2, 3, 10, 9));
                    for (int y = 0; y < 6; ++y)
                        for (int x = 0; x < 8; ++x) {
                            uint32_t p = c.old(2 + x, 3 + y), t = src.get(x, y);
                            bool skip = keyed && (src.raw(x, y) & key_bits(f)) == ref_pack(f, mask);
                            uint32_t want =
                                skip ? p : ref_round_trip(f, ref_tex(blend, t, p, A, B));
                            ASSERT_EQ(c.get(2 + x, 3 + y), want) << x << "," << y;
                        }
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
            for (int y = 0; y < 6; ++y)
                for (int x = 0; x < 21; ++x) {
                    uint32_t t = src.get(x, y), p = c.old(1 + x, 1 + y);
                    uint32_t want =
                        alpha >= 1 && alpha <= 254 ? ref_round_trip(f, ref_over(p, t, alpha)) : t;
                    ASSERT_EQ(c.get(1 + x, 1 + y), want) << fmt_name(f) << " alpha " << alpha;
                }
        }
        // The last argument is colour A (here a tint).
        c.pattern(2);
        VGFX_QuadT(1, 1, 0, 0, 22, 1, 20, 0, 22, 7, 20, 5, 1, 7, 0, 5, 0x10000, 0, 255, 0x808040);
        EXPECT_EQ(c.get(3, 4), ref_round_trip(f, ref_mul(src.get(2, 3), 0x808040)));
    }
}

TEST(VgfxTexturedGouraud, TexelTimesColourAndIntensityLevels) {
    for (int f : {1, 2, 4}) {
        SCOPED_TRACE(fmt_name(f));
        Canvas src(f, 6, 6), c(f, 8, 8);
        src.pattern(4);
        src.set(2, 2, 0x123456);
        src.bind_source();
        struct Case {
            uint32_t colour;
            bool intensity;
        };
        for (Case k : {Case{0xFFFFFF, false},
                       {0x808040, false},
                       {0x000000, false},
                       {0xFF, true},
                       {0x00, true},
                       {0x80, true}})
            for (int keyed = 0; keyed < 2; ++keyed) {
                c.pattern(5);
                c.bind();
                auto draw = k.intensity ? VGFX_QuadTI : VGFX_QuadTG;
                draw(1, 1, 0, 0, k.colour, 7, 1, 5, 0, k.colour, 7, 7, 5, 5, k.colour, 1, 7, 0, 5,
                     k.colour, keyed, 0x123456);
                EXPECT_FALSE(c.changed_outside(1, 1, 7, 7));
                for (int y = 0; y < 6; ++y)
                    for (int x = 0; x < 6; ++x) {
                        uint32_t t = src.get(x, y), p = c.old(1 + x, 1 + y);
                        uint32_t want =
                            k.intensity ? ref_over(p, t, k.colour) : ref_mul(t, k.colour);
                        if (keyed && x == 2 && y == 2) want = p;
                        ASSERT_EQ(c.get(1 + x, 1 + y), ref_round_trip(f, want)) << x << "," << y;
                    }
            }
        // Varying corner colours: black on the left to white on the right.
        c.fill(0);
        src.fill(0xFFFFFF);
        VGFX_TriTG(1, 1, 0, 0, 0x000000, 7, 1, 5, 0, 0xFFFFFF, 7, 7, 5, 5, 0xFFFFFF, 0, 0);
        uint32_t prev = 0;
        for (int x = 2; x < 7; ++x) {
            EXPECT_GE(red(c.get(x, 1)), red(prev));
            prev = c.get(x, 1);
        }
        EXPECT_GE(red(c.get(6, 1)), 200u);
    }
}

TEST(VgfxGouraud, RampsBlendAndShadeBetweenCorners) {
    for (int f : kAllFormats) {
        SCOPED_TRACE(fmt_name(f));
        Canvas a(f, 24, 24), b(f, 24, 24);
        a.fill(0);
        a.bind();
        VGFX_QuadG(2, 2, 0xFF0000, 22, 2, 0x00FF00, 22, 22, 0x0000FF, 2, 22, 0x404040, 0);
        // Near each corner the colour is the corner's, within a step of the ramp.
        auto near = [&](int x, int y, uint32_t want) {
            uint32_t got = a.get(x, y), w = ref_round_trip(f, want);
            for (int s : {16, 8, 0})
                EXPECT_NEAR(int((got >> s) & 255), int((w >> s) & 255), 30) << x << "," << y;
        };
        near(2, 2, 0xFF0000);
        near(21, 2, 0x00FF00);
        near(21, 21, 0x0000FF);
        near(2, 21, 0x404040);
        // The same ramp added to a grey canvas: every pixel is the sum, saturating.
        b.fill(0x101010);
        b.bind();
        VGFX_QuadG(2, 2, 0xFF0000, 22, 2, 0x00FF00, 22, 22, 0x0000FF, 2, 22, 0x404040, 0x20);
        // (In 16-bit formats the ramp's dropped low bits may carry: allow one step.)
        int slack = f == 1 || f == 2 ? 8 : 0;
        for (int y = 2; y < 22; ++y)
            for (int x = 2; x < 22; ++x) {
                uint32_t got = b.get(x, y),
                         want = ref_round_trip(f, ref_add(a.get(x, y), b.old(x, y)));
                for (int s : {16, 8, 0})
                    ASSERT_NEAR(int((got >> s) & 255), int((want >> s) & 255), slack)
                        << x << "," << y;
            }
        // Constant corners: a flat triangle.
        a.fill(0);
        a.bind();
        VGFX_TriG(0, 0, 0x336699, 20, 3, 0x336699, 5, 20, 0x336699, 0);
        EXPECT_EQ(a.get(6, 6), ref_round_trip(f, 0x336699));
        // The alpha mode blends by the interpolated top byte: 255 writes, 0 keeps.
        a.fill(0x204060);
        VGFX_TriG(0, 0, 0xFF336699, 20, 3, 0xFF336699, 5, 20, 0xFF336699, 0x400);
        VGFX_TriG(0, 0, 0x00FFFFFF, 20, 3, 0x00FFFFFF, 5, 20, 0x00FFFFFF, 0x400);
        EXPECT_EQ(a.get(6, 6), ref_round_trip(f, 0x336699));
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
        VGFX_HoriTextureStrip(0, -5, 9, 19, 50, 9, 19);
        EXPECT_EQ(c.get(0, 19), texel(0, 3));
        EXPECT_EQ(c.get(19, 19), texel(4, 3));
        // The blit's cut-off corner (3, 3) moves the destination with it.
        VGFX_Blit(-3, -3, 90, 90, 10, 10, 0, 0);
        EXPECT_EQ(c.get(13, 13), texel(0, 0));
        EXPECT_EQ(c.get(17, 16), texel(4, 3));
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
