// The plain blit (colour key, source cutting, overlap, conversion), the textured blends
// of the FX blit and the textured triangles, and the blend buffer as backdrop.
#include <vector>

#include "canvas.h"

using namespace vt;

namespace {

// A patterned source with about a third of its pixels set to the mask colour.
void keyed_pattern(Canvas& src, uint32_t mask) {
    src.pattern(21);
    for (int y = 0; y < src.h; ++y)
        for (int x = 0; x < src.w; ++x)
            if ((x * 7 + y * 3) % 3 == 0) src.set(x, y, mask);
    src.snapshot();
}

TEST(VgfxBlit, OverlappingCopiesWithinOneBuffer) {
    for (int f : {0, 1, 3, 4})
        for (int keyed = 0; keyed < 2; ++keyed)
            for (auto [dx, dy] :
                 {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {3, 2}, {-2, -3}, {5, -1}, {0, 0}}) {
                Canvas c(f, 16, 16);
                c.pattern(9);
                c.bind();
                c.bind_source();
                uint32_t mask = c.get(5, 4);
                VGFX_Blit(3, 3, 12, 12, 3 + dx, 3 + dy, mask, keyed);
                SCOPED_TRACE(fmt_name(f) + " shift " + std::to_string(dx) + "," +
                             std::to_string(dy));
                expect_area(c, 0, 0, 16, 16, [&](int x, int y) {
                    int sx = x - dx, sy = y - dy;
                    bool in = sx >= 3 && sx < 12 && sy >= 3 && sy < 12;
                    uint32_t s = in ? c.old(sx, sy) : 0;
                    return in && !(keyed && ref_pack(f, s) == ref_pack(f, mask)) ? s : c.old(x, y);
                });
            }
}

TEST(VgfxBlit, CopiesKeysAndConvertsBetweenEveryPairOfFormats) {
    for (int sf : kAllFormats)
        for (int df : kAllFormats)
            for (int transparent : {0, 1, 2, -1}) { // only bit 0 asks for the colour key
                SCOPED_TRACE(std::to_string(sf) + " to " + std::to_string(df) + " transparent " +
                             std::to_string(transparent));
                Canvas src(sf, 13, 4), c(df, 16, 6);
                src.pattern(sf * 7 + 1);
                uint32_t mask = src.get(2, 1);
                src.set(9, 3, mask);
                if (sf == 2) src.set_raw(4, 2, ref_pack(2, mask) | 0x8000); // unused bit
                src.bind_source();
                c.pattern(df + 2);
                c.bind();
                VGFX_Blit(0, 0, 13, 4, 1, 1, mask, transparent);
                expect_area(c, 1, 1, 13, 4, [&](int x, int y) {
                    bool skip = (transparent & 1) && src.is_key(x, y, mask);
                    return skip ? c.old(1 + x, 1 + y) : ref_round_trip(df, src.get(x, y));
                });
            }
}

// Texel 0x6040FF over pixel 0x20A0F0 with colour A 0x3060C0 and B 0x80 (level 128;
// as a colour, 0x000080), worked by hand per channel; Y of the texel is 95.
const std::pair<int, uint32_t> kWorkedTexBlends[] = {
    {0, 0x6040FF},          {0x4, 0x4070F8},    {0x10, 0x4070F7},    {0x20, 0x80E0FF},
    {0x40, 0x006000},       {0x400, 0x3060C0},  {0x800, 0x4850E0},   {0x1000, 0x32B8FF},
    {0x2000, 0x0E8830},     {0x4000, 0x1E3CA8}, {0x10000, 0x1218C0}, {0x20000, 0x195CD8},
    {0x8 | 0x10, 0x4070F7}, {0x8000, 0x6040FF}}; // unknown bits are ignored

// Every textured blend, with and without the colour key, through the textured triangles
// (a rectangle as two) and the FX blit, in every format, over 37 columns (vector groups
// of 8 and 4 and a rest).
TEST(VgfxTextured, EveryBlendThroughTrianglesAndTheFxBlit) {
    const uint32_t T = 0x6040FF, P = 0x20A0F0, A = 0x3060C0, B = 0x80;
    for (int via_blit = 0; via_blit < 2; ++via_blit) {
        Canvas t(4, 1, 1), w(4, 1, 1);
        t.set(0, 0, T);
        t.bind_source();
        w.bind();
        for (auto [blend, want] : kWorkedTexBlends) {
            w.set(0, 0, P);
            if (via_blit) {
                VGFX_BlitFX(0, 0, 1, 1, 0, 0, blend, 0, A, B, 0, 0);
            } else {
                VGFX_TriT(0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, blend, 0, A, B);
                VGFX_TriT(1, 0, 0, 0, 1, 1, 0, 0, 0, 1, 0, 0, blend, 0, A, B);
            }
            EXPECT_EQ(w.get(0, 0), want) << "blend " << blend << (via_blit ? " blit" : " tri");
            EXPECT_EQ(ref_tex(blend & ~0x8008, T, P, A, B), want) << blend; // the model agrees
        }
    }
    const uint32_t mask = 0x30C0F8;
    for (int f : kAllFormats)
        for (int blend : kTexBlends)
            for (uint32_t b : {0x0000C8u, 0x40E0A0u})
                for (int mode : {blend, blend | 1})
                    for (int via_blit = 0; via_blit < 2; ++via_blit) {
                        SCOPED_TRACE(fmt_name(f) + " mode " + std::to_string(mode) + " B " +
                                     std::to_string(b) + (via_blit ? " blit" : " triangles"));
                        Canvas src(f, 37, 5), c(f, 42, 9);
                        keyed_pattern(src, mask);
                        src.bind_source();
                        c.pattern(6);
                        c.bind();
                        if (via_blit) {
                            VGFX_BlitFX(0, 0, 37, 5, 3, 2, mode, mask, A, b, 0, 0);
                        } else {
                            VGFX_TriT(3, 2, 0, 0, 40, 2, 36, 0, 40, 7, 36, 4, mode, mask, A, b);
                            VGFX_TriT(3, 2, 0, 0, 40, 7, 36, 4, 3, 7, 0, 4, mode, mask, A, b);
                        }
                        expect_area(c, 3, 2, 37, 5, [&](int x, int y) {
                            uint32_t p = c.old(3 + x, 2 + y);
                            return (mode & 1) && src.is_key(x, y, mask)
                                       ? p
                                       : ref_round_trip(f, ref_tex(blend, src.get(x, y), p, A, b));
                        });
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
        expect_area(c, 2, 2, 6, 6, [&](int x, int y) {
            int bx = 2 + x + 3, by = 2 + y - 1;
            uint32_t p = bx < 8 && by < 7 ? back.get(bx, by) : c.old(2 + x, 2 + y);
            return ref_round_trip(f, ref_avg(p, src.get(x, y)));
        });
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
    expect_area(c, 2, 2, 4, 4, [&](int x, int y) { return c.old(x + 3, y + 2); });
}

} // namespace
