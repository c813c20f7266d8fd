// Flat, gouraud and textured triangles and quads. Quads are the triangles 1-2-3 and
// 1-3-4, which the fill rule keeps from overlapping along their shared diagonal.
#include <climits>
#include <cstdint>
#include <cstring>

#include "kernels.h"
#include "kx/kx_vgfx.h"
#include "raster.h"
#include "state.h"

namespace kx::vgfx {
namespace {

void flat_tri(const Pt v[3], u32 colour, i32 mode) {
    FlatSpanFn row = kFlatSpan[g.dst.fmt][shape_blend_of(mode)];
    raster_triangle(v[0], v[1], v[2], g.clip,
                    [&](i64 y, i64 x0, i64 x1) { row(g.dst.at(x0, y), i32(x1 - x0), colour); });
}

void gouraud_tri(const Pt v[3], const u32 c[3], i32 mode) {
    ColourPlanes planes(v, c);
    RampSpanFn row = kRampSpan[g.dst.fmt][shape_blend_of(mode)];
    raster_triangle(v[0], v[1], v[2], g.clip, [&](i64 y, i64 x0, i64 x1) {
        row(g.dst.at(x0, y), i32(x1 - x0), planes.ramp(y, x0, x1));
    });
}

// What a textured triangle does with its texels.
struct TexJob {
    int blend = TB_TEXEL;
    bool keyed = false;
    TexArgs args;
    u32 alpha = 0; // 1..254: the result over the pixel at that level; 0: opaque
};

// Whether the texels a triangle's planes can sample and the destination rows y0 .. y1 - 1
// (inside the clip rectangle) are apart in memory. Only then may a row read its texels
// as it writes: else they are fetched a chunk ahead, as a source overlapping the
// destination has always been read.
bool source_apart(const TexPlanes& tp, i64 y0, i64 y1) {
    auto span_of = [](const u8* base, i64 pitch, i64 r0, i64 r1, i64 c0, i64 c1, i64 bytes,
                      i128& lo, i128& hi) {
        i128 a = i128(r0) * pitch, b = i128(r1) * pitch;
        lo = i128(reinterpret_cast<std::uintptr_t>(base)) + std::min(a, b) + i128(c0) * bytes;
        hi = i128(reinterpret_cast<std::uintptr_t>(base)) + std::max(a, b) + i128(c1) * bytes;
    };
    i64 bytes = bytes_of(g.dst.fmt);
    i128 slo, shi, dlo, dhi;
    span_of(g.src.px, g.src.pitch, tp.vlo >> 32, tp.vhi >> 32, tp.ulo >> 32, (tp.uhi >> 32) + 1,
            bytes, slo, shi);
    span_of(g.dst.px, g.dst.pitch, y0, y1 - 1, g.clip.l, g.clip.r, bytes, dlo, dhi);
    return shi <= dlo || dhi <= slo;
}

// The triangle's rows top .. bottom - 1 (inside the clip rectangle) and its texture
// stepping, or false when it draws nothing.
bool tex_setup(const Pt v[3], const i32 tx[3], const i32 ty[3], TexPlanes& tp, i64& top,
               i64& bottom) {
    top = std::max(std::min({v[0].y, v[1].y, v[2].y}), g.clip.t);
    bottom = std::min(std::max({v[0].y, v[1].y, v[2].y}), g.clip.b);
    if (top >= bottom) return false;
    tp = TexPlanes(v, tx, ty, g.src_w, g.src_h);
    tp.prepare(v[0], g.clip, top, bottom);
    return true;
}

// n texels of a row from (U, V) stepped by (dU, dV) into out, each clamped when the
// row's ends leave the bounds; with keyed, those equal to key are skipped.
struct RowFetch {
    FetchFn fetch;
    FetchKeyedFn fetch_keyed;
    FetchClampedFn clamped, clamped_keyed;
    TexClamp c;
    const u8* src;
    i64 pitch;
    // Turned 32-bit triangles stepped from one reference take the vector line kernel:
    // its rows all step alike, and the offsets of the texels inside rows sample are
    // checked here once.
    TexLine32 line{};
    const Line32Fn* line_fn = nullptr;
    RowFetch(const TexPlanes& tp, u32 key)
        : fetch(kFetch[g.dst.fmt]), fetch_keyed(kFetchKeyed[g.dst.fmt]),
          clamped(kFetchClamped[g.dst.fmt]), clamped_keyed(kFetchClampedKeyed[g.dst.fmt]),
          c(tp.clamp()), src(g.src.px), pitch(g.src.pitch) {
        if (g.dst.fmt == 4 && tp.stepped && tp.dVx != 0 && g_simd.line32[0] && pitch > 0 &&
            pitch % 4 == 0 && c.v1 * (pitch / 4) + c.u1 <= INT32_MAX) {
            line = {src, pitch / 4, tp.dUx, tp.dVx, key};
            line_fn = g_simd.line32;
        }
    }
    void operator()(u8* out, const TexStep& s, i32 n, bool inside, bool keyed, u32 key) const {
        if (inside && line_fn) return line_fn[keyed](line, out, s.U, s.V, n);
        if (inside) {
            if (keyed)
                fetch_keyed(out, src, pitch, s.U, s.V, s.dU, s.dV, n, key);
            else
                fetch(out, src, pitch, s.U, s.V, s.dU, s.dV, n);
        } else {
            (keyed ? clamped_keyed : clamped)(out, src, pitch, s.U, s.V, s.dU, s.dV, n, c, key);
        }
    }
};

void textured_tri(const Pt v[3], const i32 tx[3], const i32 ty[3], const TexJob& job) {
    i64 top, bottom;
    TexPlanes tp;
    if (!tex_setup(v, tx, ty, tp, top, bottom)) return;
    const int f = g.dst.fmt;
    const i64 bytes = bytes_of(f);
    u8* const dst = g.dst.px;
    const i64 dpitch = g.dst.pitch;
    const RowFetch fetch(tp, job.args.key);
    const bool direct = job.blend == TB_TEXEL && !job.keyed && job.alpha == 0;
    // Straight and keyed copies read each texel as they write it.
    if (direct || (job.blend == TB_TEXEL && job.alpha == 0 && source_apart(tp, top, bottom))) {
        const u32 key = job.args.key;
        raster_triangle(v[0], v[1], v[2], g.clip, [&](i64 y, i64 x0, i64 x1) {
            const TexStep s = tp.row({y, x0, x1});
            const i64 n = x1 - x0;
            fetch(dst + y * dpitch + x0 * bytes, s, i32(n), tp.inside(s, n), !direct, key);
        });
        return;
    }
    const CombineFn combine = job.keyed ? kCombineKeyed[f][job.blend] : kCombine[f][job.blend];
    alignas(16) u8 tex[kChunk * 4];
    alignas(16) u8 out[kChunk * 4];
    auto blend_row = [&](i64 y, i64 x0, i64 x1) {
        TexStep s = tp.row({y, x0, x1});
        const bool inside = tp.inside(s, x1 - x0);
        u8* d = dst + y * dpitch + x0 * bytes;
        for (i64 left = x1 - x0; left > 0;) {
            i32 n = i32(std::min<i64>(left, kChunk));
            fetch(tex, s, n, inside, false, 0);
            if (job.alpha) {
                std::memcpy(out, d, std::size_t(n * bytes));
                combine(out, tex, d, n, job.args);
                kLerpSpan[f](d, out, n, job.alpha);
            } else {
                combine(d, tex, d, n, job.args);
            }
            s.U += s.dU * n;
            s.V += s.dV * n;
            d += n * bytes;
            left -= n;
        }
    };
    // 32-bit level blends of unturned triangles (the usual alpha sprite): each row's
    // texels come from one texture row, read straight into the chunk and blended by the
    // vector kernel, with no calls between.
    if (f == 4 && job.blend == TB_LEVEL && job.alpha == 0 && tp.stepped && tp.dVx == 0) {
        const Lerp32Fn level = g_simd.lerp32[job.keyed][0];
        const i64 dU = tp.dUx;
        raster_triangle(v[0], v[1], v[2], g.clip, [&](i64 y, i64 x0, i64 x1) {
            const TexStep s = tp.row({y, x0, x1});
            if (x1 - x0 > kChunk || !tp.inside(s, x1 - x0)) return blend_row(y, x0, x1);
            const u8* row = g.src.px + (s.V >> 32) * g.src.pitch;
            u8* d = dst + y * dpitch + x0 * 4;
            const i32 n = i32(x1 - x0);
            i64 U = s.U;
            for (i32 i = 0; i < n; ++i, U += dU)
                Px<4>::store(tex + 4 * i, Px<4>::load(row + (U >> 32) * 4) & 0xFFFFFF);
            const i32 k = level({d, tex, d, n, job.args.level, job.args.key, 0});
            if (k < n) combine(d + 4 * k, tex + 4 * k, d + 4 * k, n - k, job.args);
        });
        return;
    }
    raster_triangle(v[0], v[1], v[2], g.clip, blend_row);
}

// Gouraud-textured (texel times colour) or intensity-textured (texel over the pixel at
// the corners' interpolated low bytes).
void ramp_textured_tri(const Pt v[3], const i32 tx[3], const i32 ty[3], const u32 c[3],
                       i32 transparent, u32 mask, bool intensity) {
    i64 top, bottom;
    TexPlanes tp;
    if (!tex_setup(v, tx, ty, tp, top, bottom)) return;
    ColourPlanes cp(v, c);
    const int f = g.dst.fmt;
    const i64 bytes = bytes_of(f);
    const RowFetch fetch(tp, 0);
    const auto span = kTexRampSpan[f];
    const bool keyed = (transparent & 1) != 0;
    const u32 key = pack_colour(f, mask);
    alignas(16) u8 tex[kChunk * 4];
    raster_triangle(v[0], v[1], v[2], g.clip, [&](i64 y, i64 x0, i64 x1) {
        TexStep s = tp.row({y, x0, x1});
        const bool inside = tp.inside(s, x1 - x0);
        ColourRamp ramp = cp.ramp(y, x0, x1);
        u8* d = g.dst.at(x0, y);
        for (i64 left = x1 - x0; left > 0;) {
            i32 n = i32(std::min<i64>(left, kChunk));
            fetch(tex, s, n, inside, false, 0);
            span(d, tex, n, ramp, keyed, key, intensity);
            s.U += s.dU * n;
            s.V += s.dV * n;
            for (int ch = 0; ch < 4; ++ch)
                ramp.c[ch] += ramp.d[ch] * n;
            d += n * bytes;
            left -= n;
        }
    });
}

bool can_texture() {
    return can_draw() && can_read_source();
}

TexJob tex_job(i32 mode, u32 mask, u32 a, u32 b) {
    TexJob job;
    job.blend = tex_blend_of(mode);
    job.keyed = (mode & 1) != 0;
    job.args.a = a;
    job.args.b = b;
    job.args.level = clamp_level(static_cast<i32>(b));
    job.args.key = pack_colour(g.dst.fmt, mask);
    return job;
}

} // namespace
} // namespace kx::vgfx

using namespace kx::vgfx;

extern "C" {

VGFX_API void VGFX_CALL VGFX_Tri(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3,
                                 int32_t y3, uint32_t colour, int32_t mode) {
    if (!can_draw()) return;
    const Pt v[3] = {{x1, y1}, {x2, y2}, {x3, y3}};
    flat_tri(v, colour, mode);
}

VGFX_API void VGFX_CALL VGFX_TriG(int32_t x1, int32_t y1, uint32_t c1, int32_t x2, int32_t y2,
                                  uint32_t c2, int32_t x3, int32_t y3, uint32_t c3, int32_t mode) {
    if (!can_draw()) return;
    const Pt v[3] = {{x1, y1}, {x2, y2}, {x3, y3}};
    const u32 c[3] = {c1, c2, c3};
    gouraud_tri(v, c, mode);
}

VGFX_API void VGFX_CALL VGFX_Quad(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3,
                                  int32_t y3, int32_t x4, int32_t y4, uint32_t colour,
                                  int32_t mode) {
    if (!can_draw()) return;
    const Pt a[3] = {{x1, y1}, {x2, y2}, {x3, y3}}, b[3] = {{x1, y1}, {x3, y3}, {x4, y4}};
    flat_tri(a, colour, mode);
    flat_tri(b, colour, mode);
}

VGFX_API void VGFX_CALL VGFX_QuadG(int32_t x1, int32_t y1, uint32_t c1, int32_t x2, int32_t y2,
                                   uint32_t c2, int32_t x3, int32_t y3, uint32_t c3, int32_t x4,
                                   int32_t y4, uint32_t c4, int32_t mode) {
    if (!can_draw()) return;
    const Pt a[3] = {{x1, y1}, {x2, y2}, {x3, y3}}, b[3] = {{x1, y1}, {x3, y3}, {x4, y4}};
    const u32 ca[3] = {c1, c2, c3}, cb[3] = {c1, c3, c4};
    gouraud_tri(a, ca, mode);
    gouraud_tri(b, cb, mode);
}

VGFX_API void VGFX_CALL VGFX_TriT(int32_t x1, int32_t y1, int32_t tx1, int32_t ty1, int32_t x2,
                                  int32_t y2, int32_t tx2, int32_t ty2, int32_t x3, int32_t y3,
                                  int32_t tx3, int32_t ty3, int32_t mode, uint32_t maskColour,
                                  uint32_t colourA, uint32_t colourB) {
    if (!can_texture()) return;
    const Pt v[3] = {{x1, y1}, {x2, y2}, {x3, y3}};
    const i32 tx[3] = {tx1, tx2, tx3}, ty[3] = {ty1, ty2, ty3};
    textured_tri(v, tx, ty, tex_job(mode, maskColour, colourA, colourB));
}

VGFX_API void VGFX_CALL VGFX_TriTG(int32_t x1, int32_t y1, int32_t tx1, int32_t ty1, uint32_t c1,
                                   int32_t x2, int32_t y2, int32_t tx2, int32_t ty2, uint32_t c2,
                                   int32_t x3, int32_t y3, int32_t tx3, int32_t ty3, uint32_t c3,
                                   int32_t transparent, uint32_t maskColour) {
    if (!can_texture()) return;
    const Pt v[3] = {{x1, y1}, {x2, y2}, {x3, y3}};
    const i32 tx[3] = {tx1, tx2, tx3}, ty[3] = {ty1, ty2, ty3};
    const u32 c[3] = {c1, c2, c3};
    ramp_textured_tri(v, tx, ty, c, transparent, maskColour, false);
}

VGFX_API void VGFX_CALL VGFX_TriTI(int32_t x1, int32_t y1, int32_t tx1, int32_t ty1, uint32_t c1,
                                   int32_t x2, int32_t y2, int32_t tx2, int32_t ty2, uint32_t c2,
                                   int32_t x3, int32_t y3, int32_t tx3, int32_t ty3, uint32_t c3,
                                   int32_t transparent, uint32_t maskColour) {
    if (!can_texture()) return;
    const Pt v[3] = {{x1, y1}, {x2, y2}, {x3, y3}};
    const i32 tx[3] = {tx1, tx2, tx3}, ty[3] = {ty1, ty2, ty3};
    const u32 c[3] = {c1, c2, c3};
    ramp_textured_tri(v, tx, ty, c, transparent, maskColour, true);
}

VGFX_API void VGFX_CALL VGFX_QuadT(int32_t x1, int32_t y1, int32_t tx1, int32_t ty1, int32_t x2,
                                   int32_t y2, int32_t tx2, int32_t ty2, int32_t x3, int32_t y3,
                                   int32_t tx3, int32_t ty3, int32_t x4, int32_t y4, int32_t tx4,
                                   int32_t ty4, int32_t mode, uint32_t maskColour, int32_t alpha,
                                   uint32_t colour) {
    if (!can_texture()) return;
    TexJob job = tex_job(mode, maskColour, colour, colour);
    job.alpha = alpha >= 1 && alpha <= 254 ? u32(alpha) : 0;
    const Pt a[3] = {{x1, y1}, {x2, y2}, {x3, y3}}, b[3] = {{x1, y1}, {x3, y3}, {x4, y4}};
    const i32 txa[3] = {tx1, tx2, tx3}, tya[3] = {ty1, ty2, ty3};
    const i32 txb[3] = {tx1, tx3, tx4}, tyb[3] = {ty1, ty3, ty4};
    textured_tri(a, txa, tya, job);
    textured_tri(b, txb, tyb, job);
}

VGFX_API void VGFX_CALL VGFX_QuadTG(int32_t x1, int32_t y1, int32_t tx1, int32_t ty1, uint32_t c1,
                                    int32_t x2, int32_t y2, int32_t tx2, int32_t ty2, uint32_t c2,
                                    int32_t x3, int32_t y3, int32_t tx3, int32_t ty3, uint32_t c3,
                                    int32_t x4, int32_t y4, int32_t tx4, int32_t ty4, uint32_t c4,
                                    int32_t transparent, uint32_t maskColour) {
    VGFX_TriTG(x1, y1, tx1, ty1, c1, x2, y2, tx2, ty2, c2, x3, y3, tx3, ty3, c3, transparent,
               maskColour);
    VGFX_TriTG(x1, y1, tx1, ty1, c1, x3, y3, tx3, ty3, c3, x4, y4, tx4, ty4, c4, transparent,
               maskColour);
}

VGFX_API void VGFX_CALL VGFX_QuadTI(int32_t x1, int32_t y1, int32_t tx1, int32_t ty1, uint32_t c1,
                                    int32_t x2, int32_t y2, int32_t tx2, int32_t ty2, uint32_t c2,
                                    int32_t x3, int32_t y3, int32_t tx3, int32_t ty3, uint32_t c3,
                                    int32_t x4, int32_t y4, int32_t tx4, int32_t ty4, uint32_t c4,
                                    int32_t transparent, uint32_t maskColour) {
    VGFX_TriTI(x1, y1, tx1, ty1, c1, x2, y2, tx2, ty2, c2, x3, y3, tx3, ty3, c3, transparent,
               maskColour);
    VGFX_TriTI(x1, y1, tx1, ty1, c1, x3, y3, tx3, ty3, c3, x4, y4, tx4, ty4, c4, transparent,
               maskColour);
}

} // extern "C"
