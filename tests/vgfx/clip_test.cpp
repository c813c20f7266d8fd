// Clipping of every drawing entry point: a shape drawn with a small clip rectangle
// gives, inside it, exactly the pixels of the same shape drawn unclipped, and leaves
// every other byte alone. Shapes are moved across each edge of the clip rectangle.
#include <array>
#include <cstdlib>
#include <functional>
#include <vector>

#include "canvas.h"

using namespace vt;

namespace {

using Draw = std::function<void(int dx, int dy)>;

struct Named {
    const char* name;
    Draw draw;
};

std::vector<Named> shapes() {
    auto rect = [](int x, int y) { return std::array<int32_t, 4>{x + 2, y + 2, x + 16, y + 16}; };
    return {
        {"Box",
         [](int x, int y) {
             VGFX_Box(x + 2, y + 3, x + 15, y + 12, 0x8040C0, 0x21);
             VGFX_Box(x + 1, y + 5, x + 17, y + 16, 0x8040C0, 0x200);
         }},
        {"ShadeBox",
         [](int x, int y) {
             VGFX_ShadeBox(x + 1, y + 2, x + 16, y + 14, 0xFF0000, 0xFF00, 0xFF, 0xFFFFFF);
         }},
        {"Circle",
         [](int x, int y) {
             VGFX_Circle(x + 9, y + 9, 7, 0x123456, 0x41);
             VGFX_Circle(x + 9, y + 9, 8, 0x123456, 0x200);
         }},
        {"Ellipse",
         [](int x, int y) {
             VGFX_Ellipse(x + 9, y + 9, 8, 5, 0x654321, 2);
             VGFX_Ellipse(x + 9, y + 9, 5, 9, 0x654321, 0x10);
         }},
        {"Lines",
         [](int x, int y) {
             VGFX_WriteLine(x - 3, y + 1, x + 21, y + 16, 0xFFFFFF, 0x20);
             VGFX_WriteDrawModeLine(x + 18, y - 2, x + 4, y + 20, 0xFFFFFF, 0);
         }},
        {"Dots",
         [](int x, int y) {
             for (int i = 0; i < 18; ++i) {
                 VGFX_Dot(x + i, y + (i * 5) % 18, 0xFF00FF, 0);
                 VGFX_FastDot(x + (i * 7) % 18, y + i, 0xFF00FF, 0x100);
             }
         }},
        {"Tri and TriG",
         [](int x, int y) {
             VGFX_Tri(x + 1, y + 1, x + 17, y + 5, x + 6, y + 17, 0xFF00, 0);
             VGFX_TriG(x + 17, y + 1, 0xFF, x + 1, y + 5, 0xFF00, x + 12, y + 17, 0xFF0000, 0x20);
         }},
        {"Quad and QuadG",
         [](int x, int y) {
             VGFX_Quad(x, y + 3, x + 15, y, x + 18, y + 14, x + 2, y + 17, 0x808080, 0x800);
             VGFX_QuadG(x + 3, y, 0xFF, x + 18, y + 3, 0xFF00, x + 15, y + 17, 0xFF0000, x, y + 14,
                        0xFFFFFF, 0);
         }},
        {"TriT and QuadT",
         [](int x, int y) {
             VGFX_TriT(x + 1, y + 1, 0, 0, x + 17, y + 5, 7, 0, x + 6, y + 17, 3, 7, 0x11, 0, 0, 0);
             VGFX_QuadT(x, y + 3, 0, 0, x + 15, y, 7, 0, x + 18, y + 14, 7, 7, x + 2, y + 17, 0, 7,
                        0x4, 0, 100, 0x80);
         }},
        {"Gouraud- and intensity-textured",
         [](int x, int y) {
             VGFX_TriTG(x + 1, y + 1, 0, 0, 0xFFFFFF, x + 17, y + 5, 7, 0, 0x808080, x + 6, y + 17,
                        3, 7, 0xFF00FF, 0, 0);
             VGFX_TriTI(x + 17, y + 1, 0, 0, 0xFF, x + 1, y + 5, 7, 0, 0x80, x + 12, y + 17, 3, 7,
                        0x20, 0, 0);
             VGFX_QuadTG(x, y + 3, 0, 0, 0xFFFFFF, x + 15, y, 7, 0, 0x80FF80, x + 18, y + 14, 7, 7,
                         0x4040FF, x + 2, y + 17, 0, 7, 0, 0, 0);
             VGFX_QuadTI(x + 3, y, 0, 0, 0xFF, x + 18, y + 3, 7, 0, 0x10, x + 15, y + 17, 7, 7,
                         0x80, x, y + 14, 0, 7, 0xC0, 0, 0);
         }},
        {"Strips",
         [](int x, int y) {
             for (int i = 0; i < 18; i += 2) {
                 VGFX_HoriGouraudStrip(x - 1, 0xFF, x + 19, 0xFF00FF, y + i);
                 VGFX_VertGouraudStrip(y + 19, 0xFF, y - 2, 0xFFFF00, x + i);
                 VGFX_HoriTextureStrip(x - 1, 0, i % 8, x + 19, 7, 7 - i % 8, y + i + 1);
                 VGFX_VertTextureStrip(y - 1, i % 8, 0, y + 19, 7 - i % 8, 7, x + i + 1);
             }
         }},
        {"Draw_Shape_Span_Buffer",
         [](int x, int y) {
             std::vector<int32_t> s;
             for (int i = 0; i < 18; ++i)
                 s.insert(s.end(), {y + i, x + i / 2, x + 18 - i / 3});
             VGFX_Draw_Shape_Span_Buffer(s.data(), int32_t(s.size() / 3), 0x0F0F0F, 0x20);
         }},
        {"Blit",
         [](int x, int y) {
             VGFX_Blit(0, 0, 8, 8, x + 2, y + 2, 0, 0);
             VGFX_Blit(0, 0, 8, 8, x + 8, y + 8, 0x000000, 1);
         }},
        {"BlitFX",
         [](int x, int y) { VGFX_BlitFX(0, 0, 8, 8, x + 5, y + 5, 0x1001, 0, 0x808080, 0, 0, 0); }},
        {"FillRect_Fade and FillRect_GreyScale",
         [rect](int x, int y) {
             VGFX_FillRect_Fade(rect(x, y).data(), 100);
             VGFX_FillRect_GreyScale(rect(x + 3, y - 2).data());
         }},
        {"FillRect_PhongMap and FillRect_Light",
         [rect](int x, int y) {
             VGFX_FillRect_PhongMap(rect(x, y).data(), x + 9, y + 9, 8, 0xFFFFFF, 0);
             VGFX_FillRect_Light(rect(x - 2, y + 3).data(), x + 7, y + 12, 8, 0x804020);
         }},
    };
}

// Shapes moved across each edge and corner of the clip rectangle (7, 8) - (20, 19),
// and wholly outside it on every side.
TEST(VgfxClip, EveryEntryPointClipsAtEachEdge) {
    const int offsets[] = {-30, -9, 0, 9, 30};
    for (int f : kAllFormats) {
        Canvas tex(f, 8, 8);
        tex.pattern(5);
        for (const Named& s : shapes())
            for (int dy : offsets)
                for (int dx : offsets) {
                    SCOPED_TRACE(std::string(s.name) + " " + fmt_name(f) + " at " +
                                 std::to_string(dx) + "," + std::to_string(dy));
                    // Unclipped reference, drawn with the shape moved into a larger canvas.
                    Canvas ref(f, 48, 48), c(f, 30, 30);
                    ref.pattern(1);
                    c.pattern(1);
                    for (int y = 0; y < 30; ++y)
                        for (int x = 0; x < 30; ++x)
                            ref.set_raw(x + 9, y + 9, c.raw(x, y));
                    ref.bind();
                    tex.bind_source();
                    s.draw(dx + 9 + 6, dy + 9 + 6);
                    c.bind();
                    VGFX_SetBufferViewPort(7, 8, 20, 19);
                    tex.bind_source();
                    s.draw(dx + 6, dy + 6);
                    EXPECT_FALSE(c.changed_outside(7, 8, 20, 19));
                    if (std::abs(dx) == 30 || std::abs(dy) == 30) {
                        EXPECT_FALSE(c.changed_anywhere());
                    }
                    for (int y = 8; y < 19; ++y)
                        for (int x = 7; x < 20; ++x)
                            ASSERT_EQ(c.raw(x, y), ref.raw(x + 9, y + 9)) << x << "," << y;
                }
    }
}

// Which pixels of a black canvas a drawing changed.
std::vector<bool> written(Canvas& c) {
    std::vector<bool> v;
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x)
            v.push_back(c.raw(x, y) != 0);
    return v;
}

// Outlines, fills and spans are written by code instantiated per format; each format,
// top-down and bottom-up, must cover the pixels the 32-bit one does, in the colour given.
TEST(VgfxFormats, ShapesCoverTheSamePixelsInEveryFormatAndOrientation) {
    const std::vector<std::function<void()>> draws = {
        [] { VGFX_Box(3, 4, 17, 15, 0x4080C0, 0); },
        [] { VGFX_Box(17, 15, 3, 4, 0x4080C0, 2); }, // reversed corners, mode 2 fills
        [] { VGFX_Circle(11, 12, 9, 0x4080C0, 0); },
        [] { VGFX_Circle(11, 12, 9, 0x4080C0, 1); },
        [] { VGFX_Ellipse(11, 12, 10, 6, 0x4080C0, 0); },
        [] { VGFX_Ellipse(11, 12, 4, 9, 0x4080C0, 3); },
        [] { VGFX_WriteLine(1, 20, 21, 3, 0x4080C0, 0); },
        [] { VGFX_Tri(2, 1, 21, 9, 7, 22, 0x4080C0, 0); },
        [] { VGFX_Quad(1, 4, 16, 1, 21, 20, 3, 17, 0x4080C0, 0); },
    };
    for (size_t i = 0; i < draws.size(); ++i) {
        Canvas ref(4, 24, 24);
        ref.fill(0);
        ref.bind();
        draws[i]();
        for (int f : kAllFormats)
            for (bool bottom_up : {false, true}) {
                SCOPED_TRACE("shape " + std::to_string(i) + " " + fmt_name(f) +
                             (bottom_up ? " bottom-up" : ""));
                Canvas c(f, 24, 24, bottom_up);
                c.fill(0);
                c.bind();
                draws[i]();
                EXPECT_EQ(written(c), written(ref));
                EXPECT_FALSE(c.changed_outside(0, 0, 24, 24));
                for (int y = 0; y < 24; ++y)
                    for (int x = 0; x < 24; ++x)
                        if (c.raw(x, y)) {
                            ASSERT_EQ(c.get(x, y), ref_round_trip(f, 0x4080C0)) << x << "," << y;
                        }
            }
    }
}

} // namespace
