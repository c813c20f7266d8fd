// Exports, buffers and clip state, dots, reads and random numbers.
#include <dlfcn.h>

#include <climits>
#include <set>

#include "canvas.h"

using namespace vt;

namespace {

TEST(VgfxExports, EveryEntryPointByItsPlainNameAndNoInitLib) {
    Dl_info info{};
    ASSERT_NE(dladdr(reinterpret_cast<void*>(&VGFX_Box), &info), 0);
    void* lib = dlopen(info.dli_fname, RTLD_NOW);
    ASSERT_NE(lib, nullptr);
    const char* names[] = {"VGFX_SetBuffer",
                           "VGFX_SetSrcBuffer",
                           "VGFX_SetSrcBlendBuffer",
                           "VGFX_SetBufferViewPort",
                           "VGFX_SetSrcSize",
                           "VGFX_SetSrcBlendSize",
                           "VGFX_Blit",
                           "VGFX_BlitFX",
                           "VGFX_Dot",
                           "VGFX_FastDot",
                           "VGFX_Point",
                           "VGFX_FastPoint",
                           "VGFX_PixelRunLength",
                           "VGFX_PeekPixelStrip",
                           "VGFX_Box",
                           "VGFX_ShadeBox",
                           "VGFX_Circle",
                           "VGFX_Ellipse",
                           "VGFX_WriteLine",
                           "VGFX_WriteDrawModeLine",
                           "VGFX_Tri",
                           "VGFX_TriG",
                           "VGFX_TriT",
                           "VGFX_TriTG",
                           "VGFX_TriTI",
                           "VGFX_Quad",
                           "VGFX_QuadG",
                           "VGFX_QuadT",
                           "VGFX_QuadTG",
                           "VGFX_QuadTI",
                           "VGFX_HoriGouraudStrip",
                           "VGFX_VertGouraudStrip",
                           "VGFX_HoriTextureStrip",
                           "VGFX_VertTextureStrip",
                           "VGFX_Draw_Shape_Span_Buffer",
                           "VGFX_FillRect_Fade",
                           "VGFX_FillRect_GreyScale",
                           "VGFX_FillRect_PhongMap",
                           "VGFX_FillRect_Light",
                           "VGFX_MirrorRect",
                           "KX_Rnd"};
    for (const char* n : names)
        EXPECT_NE(dlsym(lib, n), nullptr) << n;
    // The binding takes this name's presence as an incompatible library.
    EXPECT_EQ(dlsym(lib, "VGFX_Init_Lib"), nullptr);
    dlclose(lib);
}

TEST(VgfxPixels, ColoursConvertAndReadBackInEveryFormat) {
    for (int f : kAllFormats) {
        SCOPED_TRACE(fmt_name(f));
        Canvas c(f, 4, 2);
        c.bind();
        for (uint32_t colour : {0x000000u, 0xFFFFFFu, 0x123456u, 0x80FF01u, 0xAB00CDEFu}) {
            VGFX_Dot(1, 1, colour, 0);
            EXPECT_EQ(c.raw(1, 1), ref_pack(f, colour));
            EXPECT_EQ(VGFX_Point(1, 1), ref_round_trip(f, colour));
            VGFX_FastDot(2, 0, colour, 1);
            EXPECT_EQ(VGFX_FastPoint(2, 0), ref_round_trip(f, colour));
        }
    }
    // Worked examples of the conversions.
    Canvas c565(1, 2, 1), c8(0, 2, 1), c24(3, 2, 1), c32(4, 2, 1);
    c565.bind();
    VGFX_Dot(0, 0, 0x123456, 0);
    EXPECT_EQ(c565.raw(0, 0), 0x11AAu);
    EXPECT_EQ(VGFX_Point(0, 0), 0x103452u); // 5 and 6 bits widened by replication
    VGFX_Dot(0, 0, 0x00FF00, 0);
    EXPECT_EQ(c565.raw(0, 0), 0x07E0u);
    c8.bind();
    VGFX_Dot(0, 0, 0x123456, 0);
    EXPECT_EQ(c8.raw(0, 0), 0x56u);
    EXPECT_EQ(VGFX_Point(0, 0), 0x565656u);
    c24.bind();
    VGFX_Dot(1, 0, 0x123456, 0);
    EXPECT_EQ(c24.at(1, 0)[0], 0x56); // blue first
    EXPECT_EQ(c24.at(1, 0)[2], 0x12);
    c32.bind();
    VGFX_Dot(0, 0, 0xFF123456, 0); // the top byte is never written
    EXPECT_EQ(c32.raw(0, 0), 0x00123456u);
}

TEST(VgfxPixels, DotsAndReadsStayInsideTheClipRectangle) {
    for (int f : {1, 4}) {
        Canvas c(f, 10, 10);
        c.fill(0x000000);
        c.bind();
        VGFX_SetBufferViewPort(2, 3, 7, 8);
        for (int y = -3; y < 13; ++y)
            for (int x = -3; x < 13; ++x) {
                VGFX_Dot(x, y, 0xFFFFFF, 0);
                VGFX_FastDot(x, y, 0xFFFFFF, 0);
            }
        EXPECT_FALSE(c.changed_outside(2, 3, 7, 8)) << c.diff_map();
        EXPECT_EQ(VGFX_Point(2, 3), 0xFFFFFFu); // left and top are inside
        EXPECT_EQ(VGFX_Point(6, 7), 0xFFFFFFu);
        EXPECT_EQ(VGFX_Point(7, 5), 0u); // right and bottom are not
        EXPECT_EQ(VGFX_FastPoint(5, 8), 0u);
        EXPECT_EQ(VGFX_FastPoint(-1, 5), 0u);
    }
}

TEST(VgfxPixels, UnusableBuffersAndClipsDrawNothing) {
    Canvas c(4, 8, 8);
    c.fill(0x000000);
    c.bind();
    VGFX_SetBuffer(c.pixels(), c.pitch(), 6); // no such format
    VGFX_Box(0, 0, 8, 8, 0xFFFFFF, 1);
    VGFX_Dot(1, 1, 0xFFFFFF, 0);
    EXPECT_EQ(VGFX_Point(1, 1), 0u);
    VGFX_SetBuffer(nullptr, c.pitch(), 4);
    VGFX_Box(0, 0, 8, 8, 0xFFFFFF, 1);
    EXPECT_EQ(VGFX_Point(1, 1), 0u);
    EXPECT_FALSE(c.changed_anywhere());
    // A clip rectangle reaching left of or above pixel (0, 0) is cut there.
    c.bind();
    VGFX_SetBufferViewPort(-5, -5, 3, 3);
    VGFX_Box(-10, -10, 10, 10, 0xFFFFFF, 1);
    VGFX_Dot(-1, 0, 0xFFFFFF, 0);
    EXPECT_FALSE(c.changed_outside(0, 0, 3, 3));
    EXPECT_EQ(c.get(2, 2), 0xFFFFFFu);
    // Reversed or empty clip rectangles clip everything away.
    c.snapshot();
    VGFX_SetBufferViewPort(6, 6, 2, 2);
    VGFX_Box(0, 0, 8, 8, 0x123456, 1);
    VGFX_SetBufferViewPort(3, 3, 3, 8);
    VGFX_Box(0, 0, 8, 8, 0x123456, 1);
    EXPECT_FALSE(c.changed_anywhere());
}

TEST(VgfxPixels, BottomUpBuffersWithNegativePitch) {
    for (int f : kAllFormats) {
        Canvas c(f, 6, 5, /*bottom_up=*/true);
        c.fill(0);
        c.bind();
        VGFX_Box(1, 1, 4, 3, 0x4080C0, 1);
        VGFX_WriteLine(0, 4, 5, 4, 0xFFFFFF, 0);
        EXPECT_FALSE(c.changed_outside(0, 0, 6, 5)) << fmt_name(f);
        EXPECT_EQ(c.get(3, 2), ref_round_trip(f, 0x4080C0)) << fmt_name(f);
        EXPECT_EQ(c.get(0, 4), ref_round_trip(f, 0xFFFFFF)) << fmt_name(f);
        EXPECT_EQ(c.get(4, 3), 0u) << fmt_name(f);
    }
}

TEST(VgfxPixels, PeekPixelStripFillsByColumnInsideTheClip) {
    for (int f : kAllFormats) {
        Canvas c(f, 12, 3);
        c.pattern(f + 1);
        c.bind();
        VGFX_SetBufferViewPort(2, 0, 9, 3);
        uint32_t out[12];
        for (uint32_t& v : out)
            v = 0xDEADBEEF;
        VGFX_PeekPixelStrip(0, 12, 1, out);
        for (int x = 0; x < 12; ++x)
            EXPECT_EQ(out[x], x >= 2 && x < 9 ? c.get(x, 1) : 0xDEADBEEF)
                << fmt_name(f) << " x " << x;
        VGFX_PeekPixelStrip(0, 12, 3, out); // row outside: nothing read
        EXPECT_EQ(out[4], c.get(4, 1));
    }
}

TEST(VgfxPixels, PixelRunLengthCountsEqualPixelsInAnyDirection) {
    for (int f : {0, 1, 2, 3, 4}) {
        SCOPED_TRACE(fmt_name(f));
        Canvas c(f, 10, 10);
        c.fill(0x000000);
        c.bind();
        VGFX_Box(2, 4, 8, 5, 0xFF8040, 1); // row 4, x 2..7
        EXPECT_EQ(VGFX_PixelRunLength(2, 4, 1, 0, 0), 6);
        EXPECT_EQ(VGFX_PixelRunLength(4, 4, 1, 0, 0), 4);
        EXPECT_EQ(VGFX_PixelRunLength(7, 4, -1, 0, 0), 6);
        EXPECT_EQ(VGFX_PixelRunLength(2, 4, 1, 0, 3), 3); // at most max
        EXPECT_EQ(VGFX_PixelRunLength(2, 4, 2, 0, 0), 3); // 2, 4, 6
        EXPECT_EQ(VGFX_PixelRunLength(2, 4, 0, 1, 0), 1);
        EXPECT_EQ(VGFX_PixelRunLength(0, 0, 1, 1, 0), 4);   // diagonal of black up to (3, 3)
        EXPECT_EQ(VGFX_PixelRunLength(0, 9, 1, 0, -1), 10); // up to the clip edge
        EXPECT_EQ(VGFX_PixelRunLength(3, 3, 0, 0, 5), 1);   // no direction: the pixel
        VGFX_SetBufferViewPort(0, 0, 6, 10);
        EXPECT_EQ(VGFX_PixelRunLength(2, 4, 1, 0, 0), 4);  // stops at the clip's right
        EXPECT_EQ(VGFX_PixelRunLength(6, 4, -1, 0, 0), 0); // starts outside
    }
    // Pixels differing only in the unused top bits count as equal.
    Canvas c(4, 4, 1);
    c.bind();
    c.set_raw(0, 0, 0x00123456);
    c.set_raw(1, 0, 0xFF123456);
    c.set_raw(2, 0, 0x00123457);
    EXPECT_EQ(VGFX_PixelRunLength(0, 0, 1, 0, 0), 2);
}

TEST(VgfxRandom, KX_RndCoversZeroToNInclusive) {
    std::set<int32_t> seen;
    for (int i = 0; i < 5000; ++i) {
        int32_t v = KX_Rnd(6);
        ASSERT_GE(v, 0);
        ASSERT_LE(v, 6);
        seen.insert(v);
    }
    EXPECT_EQ(seen.size(), 7u);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(KX_Rnd(0), 0);
        int32_t n = KX_Rnd(-3);
        EXPECT_TRUE(n >= -3 && n <= 0) << n;
        EXPECT_GE(KX_Rnd(INT_MAX), 0);
        EXPECT_LE(KX_Rnd(INT_MIN), 0);
    }
    int32_t a = KX_Rnd(1000000), b = KX_Rnd(1000000), c = KX_Rnd(1000000);
    EXPECT_FALSE(a == b && b == c); // the sequence moves
}

} // namespace
