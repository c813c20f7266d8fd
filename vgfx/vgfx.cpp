// The raster library's state and its simplest entry points: buffers, clip rectangle,
// source sizes, dots, pixel reads and the random numbers.
#include <cstring>

#include "kernels.h"
#include "kx/kx_vgfx.h"
#include "state.h"

namespace kx::vgfx {

State g;

namespace {

Buffer make_buffer(void* pixels, int32_t pitch, int32_t format) {
    Buffer b;
    b.px = static_cast<u8*>(pixels);
    b.pitch = pitch;
    b.fmt = format_class(format);
    return b;
}

i64 size_or_empty(int32_t v) {
    return v < 1 ? 0 : v;
}

template <int F> struct ReadPixel {
    static u32 run(const u8* p) { return Px<F>::unpack(Px<F>::load(p)); }
};
constexpr auto kRead = format_table<ReadPixel>();

template <int F> struct RunLength {
    // Pixels from p stepping by `step` bytes that equal the first, at most n.
    static i64 run(const u8* p, i64 step, i64 n) {
        using P = Px<F>;
        u32 first = P::load(p) & P::key_bits;
        i64 k = 1;
        while (k < n && (P::load(p + k * step) & P::key_bits) == first)
            ++k;
        return k;
    }
};
constexpr auto kRunLength = format_table<RunLength>();

template <int F> struct PeekRow {
    static void run(const u8* p, uint32_t* out, i64 n) {
        for (i64 i = 0; i < n; ++i) {
            u32 v = Px<F>::unpack(Px<F>::load(p + i * Px<F>::bytes));
            std::memcpy(out + i, &v, sizeof v);
        }
    }
};
constexpr auto kPeekRow = format_table<PeekRow>();

void dot(int32_t x, int32_t y, uint32_t colour, int32_t mode) {
    if (!can_draw() || !g.clip.contains(x, y)) return;
    kFlatSpan[g.dst.fmt][shape_blend_of(mode)](g.dst.at(x, y), 1, colour);
}

uint32_t point(int32_t x, int32_t y) {
    if (!can_draw() || !g.clip.contains(x, y)) return 0;
    return kRead[g.dst.fmt](g.dst.at(x, y));
}

// Steps from `from` by `step` while inside [lo, hi): how many positions, `from` included.
i64 steps_inside(i64 from, i64 step, i64 lo, i64 hi) {
    if (step == 0) return INT64_MAX;
    if (step > 0) return (hi - 1 - from) / step + 1;
    return (from - lo) / -step + 1;
}

} // namespace
} // namespace kx::vgfx

using namespace kx::vgfx;

extern "C" {

VGFX_API void VGFX_CALL VGFX_SetBuffer(void* pixels, int32_t pitch, int32_t format) {
    g.dst = make_buffer(pixels, pitch, format);
}

VGFX_API void VGFX_CALL VGFX_SetSrcBuffer(void* pixels, int32_t pitch, int32_t format) {
    g.src = make_buffer(pixels, pitch, format);
    g.src_w = g.src_h = -1;
}

VGFX_API void VGFX_CALL VGFX_SetSrcBlendBuffer(void* pixels, int32_t pitch, int32_t format) {
    g.blend = make_buffer(pixels, pitch, format);
    g.blend_w = g.blend_h = -1;
}

VGFX_API void VGFX_CALL VGFX_SetBufferViewPort(int32_t left, int32_t top, int32_t right,
                                               int32_t bottom) {
    g.clip = Rect{std::max<i64>(left, 0), std::max<i64>(top, 0), right, bottom};
}

VGFX_API void VGFX_CALL VGFX_SetSrcSize(int32_t width, int32_t height) {
    g.src_w = size_or_empty(width);
    g.src_h = size_or_empty(height);
}

VGFX_API void VGFX_CALL VGFX_SetSrcBlendSize(int32_t width, int32_t height) {
    g.blend_w = size_or_empty(width);
    g.blend_h = size_or_empty(height);
}

VGFX_API void VGFX_CALL VGFX_Dot(int32_t x, int32_t y, uint32_t colour, int32_t mode) {
    dot(x, y, colour, mode);
}

VGFX_API void VGFX_CALL VGFX_FastDot(int32_t x, int32_t y, uint32_t colour, int32_t mode) {
    dot(x, y, colour, mode);
}

VGFX_API uint32_t VGFX_CALL VGFX_Point(int32_t x, int32_t y) {
    return point(x, y);
}

VGFX_API uint32_t VGFX_CALL VGFX_FastPoint(int32_t x, int32_t y) {
    return point(x, y);
}

VGFX_API int32_t VGFX_CALL VGFX_PixelRunLength(int32_t x, int32_t y, int32_t dx, int32_t dy,
                                               int32_t max) {
    if (!can_draw() || !g.clip.contains(x, y)) return 0;
    if (dx == 0 && dy == 0) return 1;
    const Rect& c = g.clip;
    i64 n = std::min(steps_inside(x, dx, c.l, c.r), steps_inside(y, dy, c.t, c.b));
    if (max >= 1) n = std::min<i64>(n, max);
    i64 step = i64(dy) * g.dst.pitch + i64(dx) * bytes_of(g.dst.fmt);
    return static_cast<int32_t>(kRunLength[g.dst.fmt](g.dst.at(x, y), step, n));
}

VGFX_API void VGFX_CALL VGFX_PeekPixelStrip(int32_t x1, int32_t x2, int32_t y, uint32_t* out) {
    if (!out || !can_draw() || y < g.clip.t || y >= g.clip.b) return;
    i64 l = std::max<i64>(x1, g.clip.l), r = std::min<i64>(x2, g.clip.r);
    if (l >= r) return;
    kPeekRow[g.dst.fmt](g.dst.at(l, y), out + l, r - l);
}

VGFX_API int32_t VGFX_CALL KX_Rnd(int32_t n) {
    // xorshift64*: the high 32 bits of the product, scaled to the range.
    g.rng ^= g.rng >> 12;
    g.rng ^= g.rng << 25;
    g.rng ^= g.rng >> 27;
    uint64_t bits = (g.rng * 0x2545F4914F6CDD1Dull) >> 32;
    uint64_t span = static_cast<uint64_t>(n < 0 ? -i64(n) : i64(n)) + 1;
    i64 v = static_cast<i64>((bits * span) >> 32);
    return static_cast<int32_t>(n < 0 ? -v : v);
}

} // extern "C"
