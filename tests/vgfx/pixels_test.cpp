// Buffers and clip state, dots, reads and random numbers.
#include <climits>
#include <set>

#include "canvas.h"

using namespace vt;

namespace {

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
    // Worked examples: low bits dropped on the way in, replicated on the way out.
    Canvas c565(1, 2, 1), c8(0, 2, 1), c24(3, 2, 1), c32(4, 2, 1);
    c565.bind();
    VGFX_Dot(0, 0, 0x123456, 0);
    EXPECT_EQ(c565.raw(0, 0), 0x11AAu);
    EXPECT_EQ(VGFX_Point(0, 0), 0x103452u);
    VGFX_Dot(0, 0, 0x07FB07, 0); // just below each channel's next step
    EXPECT_EQ(c565.raw(0, 0), 0x07C0u);
    EXPECT_EQ(VGFX_Point(0, 0), 0x00FB00u);
    c8.bind();
    VGFX_Dot(0, 0, 0x123456, 0);
    EXPECT_EQ(VGFX_Point(0, 0), 0x565656u);
    c24.bind();
    VGFX_Dot(1, 0, 0x123456, 0);
    EXPECT_EQ(c24.at(1, 0)[0], 0x56); // blue first
    EXPECT_EQ(c24.at(1, 0)[2], 0x12);
    c32.bind();
    VGFX_Dot(0, 0, 0xFF123456, 0); // the top byte is never written
    EXPECT_EQ(c32.raw(0, 0), 0x00123456u);
}

TEST(VgfxPixels, ReadsStayInsideTheClipRectangle) {
    for (int f : kAllFormats) {
        SCOPED_TRACE(fmt_name(f));
        Canvas c(f, 12, 4);
        c.pattern(f + 1);
        c.bind();
        VGFX_SetBufferViewPort(2, 1, 9, 3);
        EXPECT_EQ(VGFX_Point(2, 1), c.get(2, 1)); // left and top are inside
        EXPECT_EQ(VGFX_FastPoint(8, 2), c.get(8, 2));
        for (auto [x, y] : {std::pair{9, 2}, {5, 3}, {1, 2}, {5, 0}, {-1, -1}})
            EXPECT_EQ(VGFX_Point(x, y) | VGFX_FastPoint(x, y), 0u) << x << "," << y;
        uint32_t out[12];
        std::fill(std::begin(out), std::end(out), 0xDEADBEEF);
        VGFX_PeekPixelStrip(0, 12, 1, out); // indexed by column, only inside the clip
        for (int x = 0; x < 12; ++x)
            EXPECT_EQ(out[x], x >= 2 && x < 9 ? c.get(x, 1) : 0xDEADBEEF) << x;
        VGFX_PeekPixelStrip(0, 12, 3, out); // row outside: nothing read
        EXPECT_EQ(out[4], c.get(4, 1));
        EXPECT_FALSE(c.changed_anywhere());
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

TEST(VgfxPixels, PixelRunLengthCountsEqualPixelsInAnyDirection) {
    for (int f : {0, 1, 2, 3, 4}) {
        SCOPED_TRACE(fmt_name(f));
        Canvas c(f, 10, 10);
        c.fill(0x000000);
        c.bind();
        VGFX_Box(2, 4, 8, 5, 0xFF8040, 1); // row 4, x 2..7
        // Right, left, at most max, in steps of 2 (2, 4, 6), the black diagonal up to
        // (3, 3), no limit up to the clip edge, no direction (the pixel); then with the
        // clip's right at 6: stopping there, and starting outside.
        std::vector<int32_t> got{
            VGFX_PixelRunLength(4, 4, 1, 0, 0), VGFX_PixelRunLength(7, 4, -1, 0, 0),
            VGFX_PixelRunLength(2, 4, 1, 0, 3), VGFX_PixelRunLength(2, 4, 2, 0, 0),
            VGFX_PixelRunLength(0, 0, 1, 1, 0), VGFX_PixelRunLength(0, 9, 1, 0, -1),
            VGFX_PixelRunLength(3, 3, 0, 0, 5)};
        VGFX_SetBufferViewPort(0, 0, 6, 10);
        got.push_back(VGFX_PixelRunLength(2, 4, 1, 0, 0));
        got.push_back(VGFX_PixelRunLength(6, 4, -1, 0, 0));
        EXPECT_EQ(got, (std::vector<int32_t>{4, 6, 3, 3, 4, 10, 1, 4, 0}));
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
        int32_t v = KX_Rnd(6), n = KX_Rnd(-3), big = KX_Rnd(INT_MAX), low = KX_Rnd(INT_MIN);
        ASSERT_TRUE(v >= 0 && v <= 6 && n >= -3 && n <= 0 && KX_Rnd(0) == 0 && big >= 0 && low <= 0)
            << v << " " << n << " " << big << " " << low;
        seen.insert(v);
    }
    EXPECT_EQ(seen.size(), 7u);
}

} // namespace
