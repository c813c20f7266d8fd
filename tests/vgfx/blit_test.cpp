// The plain blit (opaque, colour key, clipping, overlap, conversion) and the FX blit
// (every textured blend, the blend buffer as backdrop).
#include <vector>

#include "canvas.h"

using namespace vt;

namespace {

uint32_t key_bits(int f) {
    static const uint32_t k[] = {0xFF, 0xFFFF, 0x7FFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF};
    return k[f];
}

// A patterned source with about a third of its pixels set to the mask colour.
void keyed_pattern(Canvas& src, uint32_t mask) {
    src.pattern(21);
    for (int y = 0; y < src.h; ++y)
        for (int x = 0; x < src.w; ++x)
            if ((x * 7 + y * 3) % 3 == 0) src.set(x, y, mask);
    src.snapshot();
}

TEST(VgfxBlit, OpaqueAndColourKeyedInEveryFormat) {
    const uint32_t mask = 0xFF00FF;
    for (int f : kAllFormats)
        for (int transparent : {0, 1, 2, -1}) {
            SCOPED_TRACE(fmt_name(f) + " transparent " + std::to_string(transparent));
            Canvas src(f, 13, 7), c(f, 20, 12);
            keyed_pattern(src, mask);
            if (f == 2)
                src.set_raw(1, 1, ref_pack(2, mask) | 0x8000); // the unused bit is not compared
            src.bind_source();
            c.pattern(4);
            c.bind();
            VGFX_Blit(0, 0, 13, 7, 3, 2, mask, transparent);
            EXPECT_FALSE(c.changed_outside(3, 2, 16, 9));
            bool keyed = transparent & 1;
            for (int y = 0; y < 7; ++y)
                for (int x = 0; x < 13; ++x) {
                    bool skip = keyed && (src.raw(x, y) & key_bits(f)) == ref_pack(f, mask);
                    ASSERT_EQ(c.get(3 + x, 2 + y), skip ? c.old(3 + x, 2 + y) : src.get(x, y))
                        << x << "," << y;
                }
        }
}

TEST(VgfxBlit, ClipsAtEveryEdgeAndCutsTheSource) {
    for (int f : {1, 3, 4}) {
        Canvas src(f, 8, 8), c(f, 20, 20);
        src.pattern(2);
        src.bind_source();
        // Positions crossing each edge of the clip (4, 5) - (14, 15), and a sub-rectangle.
        for (auto [dx, dy] :
             {std::pair{1, 7}, {10, 7}, {7, 2}, {7, 12}, {0, 0}, {12, 13}, {-20, 3}, {14, 15}})
            for (int sub = 0; sub < 2; ++sub) {
                int sl = sub ? 2 : 0, st = sub ? 1 : 0, sr = sub ? 7 : 8, sb = sub ? 5 : 8;
                c.fill(0);
                c.bind();
                VGFX_SetBufferViewPort(4, 5, 14, 15);
                VGFX_Blit(sl, st, sr, sb, dx, dy, 0, 0);
                for (int y = 0; y < 20; ++y)
                    for (int x = 0; x < 20; ++x) {
                        int sx = x - dx + sl, sy = y - dy + st;
                        bool in = x >= 4 && x < 14 && y >= 5 && y < 15 && sx >= sl && sx < sr &&
                                  sy >= st && sy < sb;
                        ASSERT_EQ(c.get(x, y), in ? src.get(sx, sy) : 0u)
                            << dx << "," << dy << " at " << x << "," << y;
                    }
                EXPECT_FALSE(c.changed_outside(4, 5, 14, 15));
            }
        // Source rectangles reaching past the source are cut, moving the destination; empty
        // or reversed ones draw nothing.
        c.fill(0);
        c.bind();
        VGFX_Blit(-2, -3, 20, 20, 0, 0, 0, 0);
        EXPECT_EQ(c.get(2, 3), src.get(0, 0));
        EXPECT_EQ(c.get(9, 10), src.get(7, 7));
        EXPECT_FALSE(c.changed_outside(2, 3, 10, 11));
        c.fill(0);
        VGFX_Blit(5, 5, 5, 8, 0, 0, 0, 0);
        VGFX_Blit(6, 2, 3, 8, 0, 0, 0, 0);
        VGFX_Blit(8, 0, 12, 8, 0, 0, 0, 0); // wholly right of the 8 x 8 source
        EXPECT_FALSE(c.changed_anywhere());
    }
}

TEST(VgfxBlit, OverlappingCopiesWithinOneBuffer) {
    for (int f : {0, 1, 3, 4})
        for (int keyed = 0; keyed < 2; ++keyed)
            for (auto [dx, dy] :
                 {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {3, 2}, {-2, -3}, {5, -1}, {0, 0}}) {
                Canvas c(f, 16, 16);
                c.pattern(9);
                std::vector<uint32_t> before;
                for (int y = 0; y < 16; ++y)
                    for (int x = 0; x < 16; ++x)
                        before.push_back(c.get(x, y));
                c.bind();
                c.bind_source();
                uint32_t mask = before[4 * 16 + 5];
                VGFX_Blit(3, 3, 12, 12, 3 + dx, 3 + dy, mask, keyed);
                for (int y = 0; y < 16; ++y)
                    for (int x = 0; x < 16; ++x) {
                        int sx = x - dx, sy = y - dy;
                        uint32_t want = before[size_t(y * 16 + x)];
                        if (sx >= 3 && sx < 12 && sy >= 3 && sy < 12) {
                            uint32_t s = before[size_t(sy * 16 + sx)];
                            if (!(keyed && ref_pack(f, s) == ref_pack(f, mask))) want = s;
                        }
                        ASSERT_EQ(c.get(x, y), want) << fmt_name(f) << " shift " << dx << "," << dy
                                                     << " at " << x << "," << y;
                    }
            }
}

TEST(VgfxBlit, ConvertsBetweenFormats) {
    for (int sf : kAllFormats)
        for (int df : kAllFormats) {
            Canvas src(sf, 6, 4), c(df, 8, 6);
            src.pattern(sf * 7 + 1);
            uint32_t mask = src.get(2, 1);
            src.bind_source();
            c.fill(0x102030);
            c.bind();
            VGFX_Blit(0, 0, 6, 4, 1, 1, mask, 1);
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < 6; ++x) {
                    bool skip = (src.raw(x, y) & key_bits(sf)) == ref_pack(sf, mask);
                    uint32_t want = skip ? c.old(1 + x, 1 + y) : ref_round_trip(df, src.get(x, y));
                    ASSERT_EQ(c.get(1 + x, 1 + y), want)
                        << sf << " to " << df << " at " << x << "," << y;
                }
            EXPECT_FALSE(c.changed_outside(1, 1, 7, 5));
        }
}

TEST(VgfxBlitFX, EveryTexturedBlendOverTheDestination) {
    const uint32_t mask = 0x00FF00, A = 0xC08040;
    for (int f : kAllFormats)
        for (int blend : kTexBlends)
            for (int keyed = 0; keyed < 2; ++keyed) {
                SCOPED_TRACE(fmt_name(f) + " blend " + std::to_string(blend) +
                             (keyed ? " keyed" : ""));
                // 37 columns stay inside the clip: vector groups of 8 and 4 and a rest.
                const uint32_t B = 0x5A;
                Canvas src(f, 40, 5), c(f, 46, 9);
                keyed_pattern(src, mask);
                src.bind_source();
                c.pattern(6);
                c.bind();
                VGFX_SetBufferViewPort(0, 0, 42, 9);
                VGFX_BlitFX(0, 0, 40, 5, 5, 2, blend | keyed, mask, A, B, 0, 0);
                EXPECT_FALSE(c.changed_outside(5, 2, 42, 7));
                for (int y = 0; y < 5; ++y)
                    for (int x = 0; x < 37; ++x) {
                        uint32_t p = c.old(5 + x, 2 + y);
                        bool skip = keyed && (src.raw(x, y) & key_bits(f)) == ref_pack(f, mask);
                        uint32_t want =
                            skip ? p : ref_round_trip(f, ref_tex(blend, src.get(x, y), p, A, B));
                        ASSERT_EQ(c.get(5 + x, 2 + y), want) << x << "," << y;
                    }
            }
}

TEST(VgfxBlitFX, BlendBufferIsTheBackdropWhereItReaches) {
    for (int f : {1, 4}) {
        SCOPED_TRACE(fmt_name(f));
        Canvas src(f, 6, 6), back(f, 10, 10), c(f, 12, 12);
        src.pattern(1);
        back.pattern(2);
        src.bind_source();
        VGFX_SetSrcBlendBuffer(back.pixels(), back.pitch(), back.f);
        VGFX_SetSrcBlendSize(8, 7); // only part of the buffer counts
        c.pattern(3);
        c.bind();
        // Destination (x, y) takes back (x + 3, y - 1) as backdrop; the average shows it.
        VGFX_BlitFX(0, 0, 6, 6, 2, 2, 0x10 | 2, 0, 0, 0, 3, -1);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 6; ++x) {
                int bx = 2 + x + 3, by = 2 + y - 1;
                uint32_t p = bx < 8 && by < 7 ? back.get(bx, by) : c.old(2 + x, 2 + y);
                ASSERT_EQ(c.get(2 + x, 2 + y), ref_round_trip(f, ref_avg(p, src.get(x, y))))
                    << x << "," << y;
            }
        EXPECT_FALSE(back.changed_anywhere());
        // Without bit 1, or with a blend buffer of another format, the destination is the
        // backdrop.
        for (int variant = 0; variant < 2; ++variant) {
            c.pattern(3);
            if (variant) VGFX_SetSrcBlendBuffer(back.pixels(), back.pitch(), f == 1 ? 4 : 1);
            VGFX_BlitFX(0, 0, 6, 6, 2, 2, 0x10 | (variant ? 2 : 0), 0, 0, 0, 3, -1);
            EXPECT_EQ(c.get(4, 5), ref_round_trip(f, ref_avg(c.old(4, 5), src.get(2, 3))));
        }
    }
    // The destination itself as blend buffer, shifted: read before being overwritten.
    Canvas src(4, 4, 4), c(4, 10, 10);
    src.fill(0x000000);
    c.pattern(8);
    src.bind_source();
    c.bind();
    VGFX_SetSrcBlendBuffer(c.pixels(), c.pitch(), 4);
    VGFX_SetSrcBlendSize(10, 10);
    VGFX_BlitFX(0, 0, 4, 4, 2, 2, 0x20 | 2, 0, 0, 0, 1, 0); // add black: copy of back (x + 1)
    for (int y = 2; y < 6; ++y)
        for (int x = 2; x < 6; ++x)
            ASSERT_EQ(c.get(x, y), c.old(x + 1, y)) << x << "," << y;
}

} // namespace
