// Image effects: fade, grey scale, phong map, light and mirror, each limited to its
// rectangle and the clip rectangle.
#include <cmath>

#include "canvas.h"

using namespace vt;

namespace {

// Applies `effect` to rectangle (1, 2, 9, 7) with the clip (0, 0, 8, 8) on a patterned
// canvas; checks that only pixels inside both changed and that each is want(old, x, y).
template <class Effect, class Want> void check_effect(int f, Effect effect, Want want) {
    Canvas c(f, 10, 10);
    c.pattern(f + 3);
    c.bind();
    VGFX_SetBufferViewPort(0, 0, 8, 8);
    const int32_t rect[4] = {1, 2, 9, 7};
    effect(rect);
    EXPECT_FALSE(c.changed_outside(1, 2, 8, 7)) << c.diff_map();
    for (int y = 2; y < 7; ++y)
        for (int x = 1; x < 8; ++x)
            ASSERT_EQ(c.get(x, y), ref_round_trip(f, want(c.old(x, y), x, y)))
                << fmt_name(f) << " at " << x << "," << y;
}

TEST(VgfxEffects, FadeAndGreyScaleInEveryFormat) {
    for (int f : kAllFormats) {
        for (int level : {0, 1, 128, 255, 400, -3}) {
            SCOPED_TRACE("level " + std::to_string(level));
            uint32_t l = level < 0 ? 0 : std::min(level, 255);
            check_effect(
                f, [&](const int32_t* r) { VGFX_FillRect_Fade(r, level); },
                [&](uint32_t p, int, int) { return ref_mul(p, rgb(l, l, l)); });
        }
        check_effect(
            f, [](const int32_t* r) { VGFX_FillRect_GreyScale(r); },
            [](uint32_t p, int, int) {
                uint32_t g = (77 * red(p) + 150 * green(p) + 29 * blue(p)) >> 8;
                return rgb(g, g, g);
            });
    }
    // Worked example: grey of pure red is (77 x 255) >> 8 = 76.
    Canvas c(4, 1, 1);
    c.fill(0xFF0000);
    c.bind();
    const int32_t all[4] = {0, 0, 1, 1};
    VGFX_FillRect_GreyScale(all);
    EXPECT_EQ(c.get(0, 0), 0x4C4C4Cu);
    VGFX_FillRect_GreyScale(nullptr); // no rectangle: nothing
    VGFX_FillRect_Fade(nullptr, 0);
    EXPECT_EQ(c.get(0, 0), 0x4C4C4Cu);
}

uint32_t lit(uint32_t colour, int x, int y, int cx, int cy, int radius) {
    double f = radius < 1 ? 0 : 1.0 - std::hypot(x - cx, y - cy) / radius;
    if (f <= 0) return 0;
    return rgb(uint32_t(red(colour) * f + 0.5), uint32_t(green(colour) * f + 0.5),
               uint32_t(blue(colour) * f + 0.5));
}

TEST(VgfxEffects, PhongMapAndLightFromAPoint) {
    const uint32_t colour = 0xFFC080;
    for (int f : kAllFormats) {
        for (int radius : {0, 3, 6}) {
            SCOPED_TRACE("radius " + std::to_string(radius));
            check_effect(
                f, [&](const int32_t* r) { VGFX_FillRect_PhongMap(r, 4, 4, radius, colour, 0); },
                [&](uint32_t p, int x, int y) {
                    return ref_mul(p, lit(colour, x, y, 4, 4, radius));
                });
            check_effect(
                f, [&](const int32_t* r) { VGFX_FillRect_PhongMap(r, 4, 4, radius, colour, 1); },
                [&](uint32_t p, int x, int y) {
                    return ref_add(p, lit(colour, x, y, 4, 4, radius));
                });
            check_effect(
                f, [&](const int32_t* r) { VGFX_FillRect_Light(r, 4, 4, radius, colour); },
                [&](uint32_t p, int x, int y) {
                    return ref_add(p, lit(colour, x, y, 4, 4, radius));
                });
        }
    }
    // Worked examples in 32 bits: full colour at the centre, half at half the radius,
    // nothing at the radius (black for the spot, unchanged for the light).
    Canvas c(4, 12, 3);
    c.fill(0x808080);
    c.bind();
    const int32_t all[4] = {0, 0, 12, 3};
    VGFX_FillRect_PhongMap(all, 0, 1, 10, 0xFFFFFF, 0);
    EXPECT_EQ(c.get(0, 1), 0x808080u);
    EXPECT_EQ(c.get(5, 1), ref_mul(0x808080, 0x808080)); // round(255 * 0.5) = 128
    EXPECT_EQ(c.get(10, 1), 0u);
    c.fill(0x101010);
    VGFX_FillRect_Light(all, 0, 1, 10, 0x204060);
    EXPECT_EQ(c.get(0, 1), 0x305070u);
    EXPECT_EQ(c.get(5, 1), 0x203040u);
    EXPECT_EQ(c.get(11, 1), 0x101010u);
}

TEST(VgfxEffects, MirrorFlipsInsideRectangleAndClip) {
    for (int f : kAllFormats)
        for (int right : {8, 9}) // odd and even widths
            for (int h = 0; h < 2; ++h)
                for (int v = 0; v < 2; ++v) {
                    SCOPED_TRACE(fmt_name(f) + " h " + std::to_string(h) + " v " +
                                 std::to_string(v));
                    Canvas c(f, 10, 10);
                    c.pattern(3);
                    c.bind();
                    VGFX_SetBufferViewPort(0, 0, right, 8);
                    const int32_t rect[4] = {1, 2, 10, 7}; // within the clip: x 1..right-1, y 2..6
                    VGFX_MirrorRect(rect, h ? 5 : 0, v ? -1 : 0);
                    EXPECT_FALSE(c.changed_outside(1, 2, right, 7));
                    for (int y = 2; y < 7; ++y)
                        for (int x = 1; x < right; ++x) {
                            int sx = h ? 1 + right - 1 - x : x, sy = v ? 2 + 6 - y : y;
                            ASSERT_EQ(c.get(x, y), c.old(sx, sy)) << x << "," << y;
                        }
                }
}

} // namespace
