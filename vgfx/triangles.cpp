// Flat, gouraud and textured triangles and quads. Quads are the triangles 1-2-3 and
// 1-3-4, which the fill rule keeps from overlapping along their shared diagonal.
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

void textured_tri(const Pt v[3], const i32 tx[3], const i32 ty[3], const TexJob& job) {
    TexPlanes tp(v, tx, ty, g.src_w, g.src_h);
    int f = g.dst.fmt;
    i64 bytes = bytes_of(f);
    FetchFn fetch = kFetch[f];
    CombineFn combine = job.keyed ? kCombineKeyed[f][job.blend] : kCombine[f][job.blend];
    bool direct = job.blend == TB_TEXEL && !job.keyed && job.alpha == 0;
    const u8* src = g.src.px;
    i64 pitch = g.src.pitch;
    alignas(16) u8 tex[kChunk * 4];
    alignas(16) u8 out[kChunk * 4];
    raster_triangle(v[0], v[1], v[2], g.clip, [&](i64 y, i64 x0, i64 x1) {
        i64 U, V, dU, dV;
        tp.span(y, x0, x1, U, V, dU, dV);
        u8* d = g.dst.at(x0, y);
        for (i64 left = x1 - x0; left > 0;) {
            i32 k = i32(std::min<i64>(left, kChunk));
            if (direct) {
                fetch(d, src, pitch, U, V, dU, dV, k);
            } else {
                fetch(tex, src, pitch, U, V, dU, dV, k);
                if (job.alpha) {
                    std::memcpy(out, d, std::size_t(k * bytes));
                    combine(out, tex, d, k, job.args);
                    kLerpSpan[f](d, out, k, job.alpha);
                } else {
                    combine(d, tex, d, k, job.args);
                }
            }
            U += dU * k;
            V += dV * k;
            d += k * bytes;
            left -= k;
        }
    });
}

// Gouraud-textured (texel times colour) or intensity-textured (texel over the pixel at
// the corners' interpolated low bytes).
void ramp_textured_tri(const Pt v[3], const i32 tx[3], const i32 ty[3], const u32 c[3],
                       i32 transparent, u32 mask, bool intensity) {
    TexPlanes tp(v, tx, ty, g.src_w, g.src_h);
    ColourPlanes cp(v, c);
    int f = g.dst.fmt;
    i64 bytes = bytes_of(f);
    FetchFn fetch = kFetch[f];
    auto span = kTexRampSpan[f];
    bool keyed = (transparent & 1) != 0;
    u32 key = pack_colour(f, mask);
    alignas(16) u8 tex[kChunk * 4];
    raster_triangle(v[0], v[1], v[2], g.clip, [&](i64 y, i64 x0, i64 x1) {
        i64 U, V, dU, dV;
        tp.span(y, x0, x1, U, V, dU, dV);
        ColourRamp ramp = cp.ramp(y, x0, x1);
        u8* d = g.dst.at(x0, y);
        for (i64 left = x1 - x0; left > 0;) {
            i32 k = i32(std::min<i64>(left, kChunk));
            fetch(tex, g.src.px, g.src.pitch, U, V, dU, dV, k);
            span(d, tex, k, ramp, keyed, key, intensity);
            U += dU * k;
            V += dV * k;
            for (int ch = 0; ch < 4; ++ch)
                ramp.c[ch] += ramp.d[ch] * k;
            d += k * bytes;
            left -= k;
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
