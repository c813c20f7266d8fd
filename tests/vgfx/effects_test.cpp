// Image effects: fade, grey scale, phong map, light and mirror, each limited to its
// rectangle and the clip rectangle.
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
    expect_area(c, 1, 2, 7, 5,
                [&](int x, int y) { return ref_round_trip(f, want(c.old(1 + x, 2 + y))); });
}

TEST(VgfxEffects, FadeAndGreyScaleInEveryFormat) {
    for (int f : kAllFormats) {
        for (int level : {0, 1, 128, 255, 400, -3}) {
            SCOPED_TRACE("level " + std::to_string(level));
            uint32_t l = level < 0 ? 0 : std::min(level, 255);
            check_effect(
                f, [&](const int32_t* r) { VGFX_FillRect_Fade(r, level); },
                [&](uint32_t p) { return ref_mul(p, rgb(l, l, l)); });
        }
        check_effect(
            f, [](const int32_t* r) { VGFX_FillRect_GreyScale(r); },
            [](uint32_t p) { return rgb(ref_grey(p), ref_grey(p), ref_grey(p)); });
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

TEST(VgfxEffects, PhongMapAndLightFromAPoint) {
    // The lit colour of 0xFFC080 about (1, 1) with radius 10: full at the centre, half at
    // distance 5 (127.5 rounds up), nothing at 10 and beyond. The spot multiplies white
    // by it; the phong map's mode 1 and the light add it to 0x081018.
    const std::pair<int, int> at[] = {{1, 1}, {4, 5}, {7, 9}, {9, 9}};
    const uint32_t spot[] = {0xFFC080, 0x806040, 0, 0};
    const uint32_t added[] = {0xFFD098, 0x887058, 0x081018, 0x081018};
    const int32_t all[4] = {0, 0, 10, 10};
    for (int f : kAllFormats) {
        SCOPED_TRACE(fmt_name(f));
        Canvas c(f, 10, 10);
        c.bind();
        for (int kind = 0; kind < 3; ++kind) {
            c.fill(kind == 0 ? 0xFFFFFF : 0x081018);
            if (kind < 2)
                VGFX_FillRect_PhongMap(all, 1, 1, 10, 0xFFC080, kind);
            else
                VGFX_FillRect_Light(all, 1, 1, 10, 0xFFC080);
            for (int i = 0; i < 4; ++i)
                EXPECT_EQ(c.get(at[i].first, at[i].second),
                          ref_round_trip(f, kind == 0 ? spot[i] : added[i]))
                    << "kind " << kind << " point " << i;
        }
        // A radius below 1 lights nothing: black for the spot, unchanged for the light.
        c.snapshot();
        VGFX_FillRect_Light(all, 1, 1, 0, 0xFFFFFF);
        EXPECT_FALSE(c.changed_anywhere());
        c.fill(0xFFFFFF);
        VGFX_FillRect_PhongMap(all, 1, 1, 0, 0xFFFFFF, 0);
        EXPECT_EQ(c.get(1, 1) | c.get(9, 0), 0u);
    }
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
                    expect_area(c, 1, 2, right - 1, 5, [&](int x, int y) {
                        return c.old(h ? right - 1 - x : 1 + x, v ? 6 - y : 2 + y);
                    });
                }
}

} // namespace
