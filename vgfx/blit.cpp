// Blits: the plain blit with its colour key, and the FX blit with the textured
// blends and an optional backdrop buffer.
#include <cstdint>
#include <cstring>
#include <vector>

#include "kernels.h"
#include "kx/kx_vgfx.h"
#include "state.h"

namespace kx::vgfx {
namespace {

// A source rectangle mapped to the destination and clipped: w x h pixels from
// (sl, st) in the source to (dl, dt) in the destination.
struct BlitPlan {
    i64 sl, st, dl, dt, w, h;
};

bool plan_blit(i64 sl, i64 st, i64 sr, i64 sb, i64 dx, i64 dy, BlitPlan& p) {
    if (sr <= sl || sb <= st) return false;
    // Nothing lies left of or above pixel (0, 0), nor beyond a known source size.
    if (sl < 0) {
        dx -= sl;
        sl = 0;
    }
    if (st < 0) {
        dy -= st;
        st = 0;
    }
    if (g.src_w >= 0) sr = std::min(sr, g.src_w);
    if (g.src_h >= 0) sb = std::min(sb, g.src_h);
    if (sr <= sl || sb <= st) return false;
    i64 dr = dx + (sr - sl), db = dy + (sb - st);
    const Rect& c = g.clip;
    if (dx < c.l) {
        sl += c.l - dx;
        dx = c.l;
    }
    if (dy < c.t) {
        st += c.t - dy;
        dy = c.t;
    }
    dr = std::min(dr, c.r);
    db = std::min(db, c.b);
    p = {sl, st, dx, dy, dr - dx, db - dy};
    return p.w > 0 && p.h > 0;
}

// Rows of pixels: row y (from 0) at px + y * pitch.
struct View {
    const u8* px;
    i64 pitch;
    const u8* row(i64 y) const { return px + y * pitch; }
};

bool overlaps(const Buffer& a, i64 ax, i64 ay, const Buffer& b, i64 bx, i64 by, i64 w, i64 h) {
    auto extent = [w, h](const Buffer& buf, i64 x, i64 y, std::uintptr_t& lo, std::uintptr_t& hi) {
        auto first = reinterpret_cast<std::uintptr_t>(buf.at(x, y));
        auto last = reinterpret_cast<std::uintptr_t>(buf.at(x, y + h - 1));
        lo = std::min(first, last);
        hi = std::max(first, last) + std::uintptr_t(w * bytes_of(buf.fmt));
    };
    std::uintptr_t alo, ahi, blo, bhi;
    extent(a, ax, ay, alo, ahi);
    extent(b, bx, by, blo, bhi);
    return alo < bhi && blo < ahi;
}

// A view of w x h pixels at (x, y) of `from`; copied into `scratch` first when the
// destination rectangle (dl, dt) overlaps them (other than pixel for pixel).
View view_of(const Buffer& from, i64 x, i64 y, i64 dl, i64 dt, i64 w, i64 h,
             std::vector<u8>& scratch) {
    const u8* origin = from.at(x, y);
    bool same_pixels =
        origin == g.dst.at(dl, dt) && from.pitch == g.dst.pitch && from.fmt == g.dst.fmt;
    if (same_pixels || !overlaps(from, x, y, g.dst, dl, dt, w, h)) return {origin, from.pitch};
    i64 row_bytes = w * bytes_of(from.fmt);
    scratch.resize(static_cast<std::size_t>(row_bytes * h));
    for (i64 r = 0; r < h; ++r)
        std::memcpy(scratch.data() + r * row_bytes, from.at(x, y + r),
                    static_cast<std::size_t>(row_bytes));
    return {scratch.data(), row_bytes};
}

std::vector<u8> g_src_scratch, g_blend_scratch;

} // namespace
} // namespace kx::vgfx

using namespace kx::vgfx;

extern "C" {

VGFX_API void VGFX_CALL VGFX_Blit(int32_t srcLeft, int32_t srcTop, int32_t srcRight,
                                  int32_t srcBottom, int32_t dstX, int32_t dstY,
                                  uint32_t maskColour, int32_t transparent) {
    if (!can_draw() || !g.src.usable() || g.src_w == 0 || g.src_h == 0) return;
    BlitPlan p;
    if (!plan_blit(srcLeft, srcTop, srcRight, srcBottom, dstX, dstY, p)) return;
    bool keyed = (transparent & 1) != 0;
    int df = g.dst.fmt, sf = g.src.fmt;
    View s = view_of(g.src, p.sl, p.st, p.dl, p.dt, p.w, p.h, g_src_scratch);
    if (sf != df) {
        auto convert = kConvert[sf][df];
        u32 key = pack_colour(sf, maskColour);
        for (i64 y = 0; y < p.h; ++y)
            convert(g.dst.at(p.dl, p.dt + y), s.row(y), i32(p.w), keyed, key);
        return;
    }
    u8* d = g.dst.at(p.dl, p.dt);
    const u8* from = s.px;
    const i64 dpitch = g.dst.pitch, spitch = s.pitch;
    if (!keyed) {
        auto bytes = static_cast<std::size_t>(p.w * bytes_of(df));
        for (i64 y = 0; y < p.h; ++y, d += dpitch, from += spitch)
            std::memcpy(d, from, bytes);
        return;
    }
    TexArgs args;
    args.key = pack_colour(df, maskColour);
    auto combine = kCombineKeyed[df][TB_TEXEL];
    for (i64 y = 0; y < p.h; ++y, d += dpitch, from += spitch)
        combine(d, from, d, i32(p.w), args);
}

VGFX_API void VGFX_CALL VGFX_BlitFX(int32_t srcLeft, int32_t srcTop, int32_t srcRight,
                                    int32_t srcBottom, int32_t dstX, int32_t dstY, int32_t fx1,
                                    uint32_t maskColour, uint32_t colourA, uint32_t colourB,
                                    int32_t offsetX, int32_t offsetY) {
    if (!can_draw() || !can_read_source()) return;
    BlitPlan p;
    if (!plan_blit(srcLeft, srcTop, srcRight, srcBottom, dstX, dstY, p)) return;
    int f = g.dst.fmt;
    int blend = tex_blend_of(fx1);
    TexArgs args;
    args.a = colourA;
    args.b = colourB;
    args.level = clamp_level(static_cast<int32_t>(colourB));
    args.key = pack_colour(f, maskColour);
    auto combine = (fx1 & 1) ? kCombineKeyed[f][blend] : kCombine[f][blend];
    View s = view_of(g.src, p.sl, p.st, p.dl, p.dt, p.w, p.h, g_src_scratch);

    // The part of the blend buffer that serves as backdrop, in destination
    // coordinates: columns bl .. br - 1, rows bt .. bb - 1.
    Rect back{0, 0, 0, 0};
    View bv{nullptr, 0};
    if ((fx1 & VGFX_FX_BLEND_BUFFER) && g.blend.usable() && g.blend.fmt == f) {
        i64 bw = g.blend_w >= 0 ? g.blend_w : INT64_MAX / 4;
        i64 bh = g.blend_h >= 0 ? g.blend_h : INT64_MAX / 4;
        Rect in_blend =
            Rect{p.dl + offsetX, p.dt + offsetY, p.dl + offsetX + p.w, p.dt + offsetY + p.h}.meet(
                Rect{0, 0, bw, bh});
        if (!in_blend.empty()) {
            back = Rect{in_blend.l - offsetX, in_blend.t - offsetY, in_blend.r - offsetX,
                        in_blend.b - offsetY};
            bv = view_of(g.blend, in_blend.l, in_blend.t, back.l, back.t, back.r - back.l,
                         back.b - back.t, g_blend_scratch);
        }
    }
    int bytes = bytes_of(f);
    for (i64 y = 0; y < p.h; ++y) {
        i64 dy = p.dt + y;
        u8* d = g.dst.at(p.dl, dy);
        const u8* srow = s.row(y);
        if (back.empty() || dy < back.t || dy >= back.b) {
            combine(d, srow, d, i32(p.w), args);
            continue;
        }
        // Columns [a, b) of this row (from p.dl) take the blend buffer as backdrop.
        i64 a = std::clamp(back.l - p.dl, i64(0), p.w), b = std::clamp(back.r - p.dl, a, p.w);
        const u8* brow = bv.row(dy - back.t) + (p.dl + a - back.l) * bytes;
        if (a > 0) combine(d, srow, d, i32(a), args);
        if (b > a) combine(d + a * bytes, srow + a * bytes, brow, i32(b - a), args);
        if (p.w > b) combine(d + b * bytes, srow + b * bytes, d + b * bytes, i32(p.w - b), args);
    }
}

} // extern "C"
