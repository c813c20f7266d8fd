// Vector row kernels of the raster library and the choice between them. Each kernel
// does whole groups of pixels from the start of a row and returns how many it did;
// the caller's scalar loop finishes the row (and does all of it at the scalar level,
// whose kernels do nothing), so every level gives the scalar loop's bytes.
#pragma once

#include "pixel.h"

namespace kx::vgfx {

// 32-bit rows: out = t over p at level a (exactly as lerp()), the top byte cleared.
// With CONST_T the texel is the colour c for every pixel; with KEY, pixels whose t
// (low 24 bits) equals key keep what out held.
struct Lerp32Args {
    u8* out;
    const u8* t;
    const u8* p;
    i32 n;
    u32 a, key, c;
};
using Lerp32Fn = i32 (*)(const Lerp32Args&);

// Keyed copy in one format: out[i] = s[i] & key_bits unless that equals key, in which
// case out[i] is left alone. s may be out.
using KeyRowFn = i32 (*)(u8* out, const u8* s, i32 n, u32 key);

// 32-bit texels along a line of the texture: (U, V) in 32.32 fixed point stepped by
// (dU, dV) per pixel, n of them written to out with the top byte cleared; with KEY,
// texels (low 24 bits) equal to key are skipped. The caller keeps every sample inside
// the source. Does the whole row or nothing.
struct Fetch32Args {
    u8* out;
    const u8* src;
    i64 pitch;
    i64 U, V, dU, dV;
    i32 n;
    u32 key;
};
using Fetch32Fn = i32 (*)(const Fetch32Args&);

// A triangle's 32-bit texel lines: every row steps by the same (dU, dV) and samples
// only texels whose element offset (v * stride + u) fits in 31 bits, which the caller
// has checked once for the triangle. The kernel writes all n pixels as Fetch32Fn does.
struct TexLine32 {
    const u8* src;
    i64 stride; // the pitch in pixels
    i64 dU, dV;
    u32 key;
};
using Line32Fn = void (*)(const TexLine32&, u8* out, i64 U, i64 V, i32 n);

enum class Simd { scalar, sse2, avx2 };

struct SimdKernels {
    Lerp32Fn lerp32[2][2]; // [KEY][CONST_T]
    KeyRowFn key_row[kFormats];
    Fetch32Fn fetch32[2]; // [KEY]
    Line32Fn line32[2];   // [KEY]; null at levels without it
};

// The kernels in use: the best level the processor has, or the one named by the
// environment variable KX_VGFX_SIMD (scalar, sse2 or avx2) when the library loads.
extern SimdKernels g_simd;

Simd simd_level();
// Switches to a level; false (and no change) when the processor lacks it.
bool set_simd_level(Simd level);

} // namespace kx::vgfx
