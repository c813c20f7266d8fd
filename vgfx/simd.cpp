// Vector row kernels (SSE2, and AVX2 compiled for that target only) and the choice of
// level, made once when the library loads.
#include "simd.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#if defined(__x86_64__) && defined(__SSE2__)
#include <immintrin.h>
#define KX_VGFX_X86 1
#endif

namespace kx::vgfx {
namespace {

i32 none_lerp32(const Lerp32Args&) {
    return 0;
}
i32 none_key_row(u8*, const u8*, i32, u32) {
    return 0;
}
i32 none_fetch32(const Fetch32Args&) {
    return 0;
}

#ifdef KX_VGFX_X86

// ---- SSE2 -------------------------------------------------------------------------------

template <int BYTES> __m128i splat128(u32 v) {
    if constexpr (BYTES == 1) return _mm_set1_epi8(static_cast<char>(v));
    if constexpr (BYTES == 2) return _mm_set1_epi16(static_cast<short>(v));
    if constexpr (BYTES == 4) return _mm_set1_epi32(static_cast<int>(v));
}
template <int BYTES> __m128i cmpeq128(__m128i a, __m128i b) {
    if constexpr (BYTES == 1) return _mm_cmpeq_epi8(a, b);
    if constexpr (BYTES == 2) return _mm_cmpeq_epi16(a, b);
    if constexpr (BYTES == 4) return _mm_cmpeq_epi32(a, b);
}

// Keyed rows select between source and destination without branches: skipping keyed
// groups cost more in mispredicted branches than it saved, and aligning the stores
// (which misaligns the loads) did not pay either.
template <int F> i32 key_row_sse2(u8* out, const u8* s, i32 n, u32 key) {
    using P = Px<F>;
    if (key & ~P::key_bits) return 0; // matches nothing: the scalar loop copies
    const __m128i bits = splat128<P::bytes>(P::key_bits);
    const __m128i vkey = splat128<P::bytes>(key);
    constexpr i32 per = 16 / P::bytes;
    i32 i = 0;
    for (; i + per <= n; i += per) {
        auto* q = reinterpret_cast<__m128i*>(out + i * P::bytes);
        __m128i v = _mm_and_si128(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i * P::bytes)), bits);
        __m128i m = cmpeq128<P::bytes>(v, vkey);
        _mm_storeu_si128(
            q, _mm_or_si128(_mm_and_si128(m, _mm_loadu_si128(q)), _mm_andnot_si128(m, v)));
    }
    return i;
}

template <bool KEY, bool CONST_T> i32 lerp32_sse2(const Lerp32Args& x) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i va = _mm_set1_epi16(static_cast<short>(x.a));
    const __m128i vb = _mm_set1_epi16(static_cast<short>(255 - x.a));
    const __m128i half = _mm_set1_epi16(128);
    const __m128i d255 = _mm_set1_epi16(257);
    const __m128i rgb = _mm_set1_epi32(0xFFFFFF);
    const __m128i vkey = _mm_set1_epi32(static_cast<int>(x.key));
    const __m128i vc = _mm_set1_epi32(static_cast<int>(x.c));
    // t * a + p * (255 - a), rounded / 255: (v + 128) * 257 >> 16 is div255(v).
    auto mix = [&](__m128i t, __m128i p) {
        __m128i v =
            _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(t, va), _mm_mullo_epi16(p, vb)), half);
        return _mm_mulhi_epu16(v, d255);
    };
    i32 i = 0;
    for (; i + 4 <= x.n; i += 4) {
        __m128i tv = CONST_T ? vc : _mm_loadu_si128(reinterpret_cast<const __m128i*>(x.t + 4 * i));
        __m128i pv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(x.p + 4 * i));
        __m128i lo = mix(_mm_unpacklo_epi8(tv, zero), _mm_unpacklo_epi8(pv, zero));
        __m128i hi = mix(_mm_unpackhi_epi8(tv, zero), _mm_unpackhi_epi8(pv, zero));
        __m128i r = _mm_and_si128(_mm_packus_epi16(lo, hi), rgb);
        if constexpr (KEY) {
            __m128i m = _mm_cmpeq_epi32(_mm_and_si128(tv, rgb), vkey);
            __m128i old = _mm_loadu_si128(reinterpret_cast<const __m128i*>(x.out + 4 * i));
            r = _mm_or_si128(_mm_and_si128(m, old), _mm_andnot_si128(m, r));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(x.out + 4 * i), r);
    }
    return i;
}

// ---- AVX2 -------------------------------------------------------------------------------

#define KX_AVX2 __attribute__((target("avx2")))

template <int BYTES> KX_AVX2 __m256i splat256(u32 v) {
    if constexpr (BYTES == 1) return _mm256_set1_epi8(static_cast<char>(v));
    if constexpr (BYTES == 2) return _mm256_set1_epi16(static_cast<short>(v));
    if constexpr (BYTES == 4) return _mm256_set1_epi32(static_cast<int>(v));
}
template <int BYTES> KX_AVX2 __m256i cmpeq256(__m256i a, __m256i b) {
    if constexpr (BYTES == 1) return _mm256_cmpeq_epi8(a, b);
    if constexpr (BYTES == 2) return _mm256_cmpeq_epi16(a, b);
    if constexpr (BYTES == 4) return _mm256_cmpeq_epi32(a, b);
}

// As the SSE2 rows; 32-bit rows store the pixels that are not keyed with a masked
// store instead, so they never read the destination.
template <int F> KX_AVX2 i32 key_row_avx2(u8* out, const u8* s, i32 n, u32 key) {
    using P = Px<F>;
    if (key & ~P::key_bits) return 0;
    const __m256i bits = splat256<P::bytes>(P::key_bits);
    const __m256i vkey = splat256<P::bytes>(key);
    const __m256i ones = _mm256_set1_epi32(-1);
    constexpr i32 per = 32 / P::bytes;
    i32 i = 0;
    for (; i + per <= n; i += per) {
        auto* q = reinterpret_cast<__m256i*>(out + i * P::bytes);
        __m256i v = _mm256_and_si256(
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i * P::bytes)), bits);
        __m256i m = cmpeq256<P::bytes>(v, vkey);
        if constexpr (P::bytes == 4)
            _mm256_maskstore_epi32(reinterpret_cast<int*>(q), _mm256_xor_si256(m, ones), v);
        else
            _mm256_storeu_si256(q, _mm256_blendv_epi8(v, _mm256_loadu_si256(q), m));
    }
    // The tail in one 16-byte group when it is that long (AVX2 includes SSE2).
    if (n - i >= 16 / P::bytes)
        i += key_row_sse2<F>(out + i * P::bytes, s + i * P::bytes, n - i, key);
    return i;
}

template <bool KEY, bool CONST_T> KX_AVX2 i32 lerp32_avx2(const Lerp32Args& x) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i va = _mm256_set1_epi16(static_cast<short>(x.a));
    const __m256i vb = _mm256_set1_epi16(static_cast<short>(255 - x.a));
    const __m256i half = _mm256_set1_epi16(128);
    const __m256i d255 = _mm256_set1_epi16(257);
    const __m256i rgb = _mm256_set1_epi32(0xFFFFFF);
    const __m256i vkey = _mm256_set1_epi32(static_cast<int>(x.key));
    const __m256i vc = _mm256_set1_epi32(static_cast<int>(x.c));
    auto mix = [&](__m256i t, __m256i p) KX_AVX2 {
        __m256i v = _mm256_add_epi16(
            _mm256_add_epi16(_mm256_mullo_epi16(t, va), _mm256_mullo_epi16(p, vb)), half);
        return _mm256_mulhi_epu16(v, d255);
    };
    // Eight pixels t over p, the top bytes cleared.
    auto over = [&](__m256i tv, __m256i pv) KX_AVX2 {
        __m256i lo = mix(_mm256_unpacklo_epi8(tv, zero), _mm256_unpacklo_epi8(pv, zero));
        __m256i hi = mix(_mm256_unpackhi_epi8(tv, zero), _mm256_unpackhi_epi8(pv, zero));
        return _mm256_and_si256(_mm256_packus_epi16(lo, hi), rgb);
    };
    i32 i = 0;
    for (; i + 8 <= x.n; i += 8) {
        __m256i tv =
            CONST_T ? vc : _mm256_loadu_si256(reinterpret_cast<const __m256i*>(x.t + 4 * i));
        __m256i pv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(x.p + 4 * i));
        __m256i r = over(tv, pv);
        if constexpr (KEY) {
            __m256i m = _mm256_cmpeq_epi32(_mm256_and_si256(tv, rgb), vkey);
            __m256i old = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(x.out + 4 * i));
            r = _mm256_blendv_epi8(r, old, m);
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(x.out + 4 * i), r);
    }
    // The rest of the row (rows are short: a sprite's rows are a few groups long) in
    // one masked group, which reads and writes only the pixels of the row.
    if (i < x.n) {
        const __m256i m = _mm256_cmpgt_epi32(_mm256_set1_epi32(x.n - i),
                                             _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
        __m256i tv =
            CONST_T ? vc : _mm256_maskload_epi32(reinterpret_cast<const int*>(x.t + 4 * i), m);
        __m256i pv = _mm256_maskload_epi32(reinterpret_cast<const int*>(x.p + 4 * i), m);
        __m256i r = over(tv, pv);
        __m256i store = m;
        if constexpr (KEY)
            store = _mm256_andnot_si256(_mm256_cmpeq_epi32(_mm256_and_si256(tv, rgb), vkey), m);
        _mm256_maskstore_epi32(reinterpret_cast<int*>(x.out + 4 * i), store, r);
        i = x.n;
    }
    return i;
}

// The texels' addresses are element offsets from the source, gathered four at a time
// from 64-bit lanes of coordinates (the rows are short: a lighter set-up pays more than
// wider groups). Turned triangles call this for each row, their offsets checked once.
template <bool KEY> KX_AVX2 void line32_avx2(const TexLine32& l, u8* out, i64 U0, i64 V0, i32 n) {
    __m256i U =
        _mm256_add_epi64(_mm256_set1_epi64x(U0), _mm256_setr_epi64x(0, l.dU, 2 * l.dU, 3 * l.dU));
    __m256i V =
        _mm256_add_epi64(_mm256_set1_epi64x(V0), _mm256_setr_epi64x(0, l.dV, 2 * l.dV, 3 * l.dV));
    const __m256i dU4 = _mm256_set1_epi64x(4 * l.dU), dV4 = _mm256_set1_epi64x(4 * l.dV);
    const __m256i vstride = _mm256_set1_epi64x(l.stride);
    const __m128i rgb = _mm_set1_epi32(0xFFFFFF);
    const __m128i vkey = _mm_set1_epi32(static_cast<int>(l.key));
    const __m128i ones = _mm_set1_epi32(-1);
    const int* src = reinterpret_cast<const int*>(l.src);
    auto index = [&]() KX_AVX2 {
        return _mm256_add_epi64(_mm256_mul_epu32(_mm256_srli_epi64(V, 32), vstride),
                                _mm256_srli_epi64(U, 32));
    };
    i32 i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i t = _mm_and_si128(_mm256_i64gather_epi32(src, index(), 4), rgb);
        int* q = reinterpret_cast<int*>(out + 4 * i);
        if constexpr (KEY)
            _mm_maskstore_epi32(q, _mm_xor_si128(_mm_cmpeq_epi32(t, vkey), ones), t);
        else
            _mm_storeu_si128(reinterpret_cast<__m128i*>(q), t);
        U = _mm256_add_epi64(U, dU4);
        V = _mm256_add_epi64(V, dV4);
    }
    if (i < n) {
        const __m128i m = _mm_cmpgt_epi32(_mm_set1_epi32(n - i), _mm_setr_epi32(0, 1, 2, 3));
        const __m128i t = _mm_and_si128(
            _mm256_mask_i64gather_epi32(_mm_setzero_si128(), src, index(), m, 4), rgb);
        __m128i store = m;
        if constexpr (KEY) store = _mm_andnot_si128(_mm_cmpeq_epi32(t, vkey), m);
        _mm_maskstore_epi32(reinterpret_cast<int*>(out + 4 * i), store, t);
    }
}

// A row checked on its own: the offsets of its first and last texels (the largest and
// smallest, as the coordinates are linear) must fit.
template <bool KEY> KX_AVX2 i32 fetch32_avx2(const Fetch32Args& x) {
    if (x.n < 1 || x.pitch <= 0 || (x.pitch & 3)) return 0;
    const i64 last = x.n - 1, stride = x.pitch / 4;
    const i64 u0 = x.U >> 32, u1 = (x.U + x.dU * last) >> 32;
    const i64 v0 = x.V >> 32, v1 = (x.V + x.dV * last) >> 32;
    const i64 hi = std::max(v0, v1) * stride + std::max(u0, u1);
    if (std::min(u0, u1) < 0 || std::min(v0, v1) < 0 || hi > INT32_MAX) return 0;
    line32_avx2<KEY>({x.src, stride, x.dU, x.dV, x.key}, x.out, x.U, x.V, x.n);
    return x.n;
}

#undef KX_AVX2
#endif // KX_VGFX_X86

constexpr SimdKernels kScalar = {
    {{none_lerp32, none_lerp32}, {none_lerp32, none_lerp32}},
    {none_key_row, none_key_row, none_key_row, none_key_row, none_key_row},
    {none_fetch32, none_fetch32},
    {nullptr, nullptr},
};

#ifdef KX_VGFX_X86
// 24-bit rows have no vector kernel.
constexpr SimdKernels kSse2 = {
    {{lerp32_sse2<false, false>, lerp32_sse2<false, true>},
     {lerp32_sse2<true, false>, lerp32_sse2<true, true>}},
    {key_row_sse2<0>, key_row_sse2<1>, key_row_sse2<2>, none_key_row, key_row_sse2<4>},
    {none_fetch32, none_fetch32},
    {nullptr, nullptr},
};
constexpr SimdKernels kAvx2 = {
    {{lerp32_avx2<false, false>, lerp32_avx2<false, true>},
     {lerp32_avx2<true, false>, lerp32_avx2<true, true>}},
    {key_row_avx2<0>, key_row_avx2<1>, key_row_avx2<2>, none_key_row, key_row_avx2<4>},
    {fetch32_avx2<false>, fetch32_avx2<true>},
    {line32_avx2<false>, line32_avx2<true>},
};
#endif

bool supported(Simd level) {
#ifdef KX_VGFX_X86
    if (level == Simd::avx2) return __builtin_cpu_supports("avx2");
    return true;
#else
    return level == Simd::scalar;
#endif
}

Simd g_level = Simd::scalar;

// The best level the processor has, capped by KX_VGFX_SIMD.
Simd initial_level() {
#ifdef KX_VGFX_X86
    __builtin_cpu_init(); // this may run before the processor model's own initialiser
#endif
    Simd level = Simd::avx2;
    if (const char* want = std::getenv("KX_VGFX_SIMD")) {
        if (std::strcmp(want, "scalar") == 0) level = Simd::scalar;
        if (std::strcmp(want, "sse2") == 0) level = Simd::sse2;
    }
    while (!supported(level))
        level = Simd(int(level) - 1);
    return level;
}

} // namespace

// Scalar until the initialiser below has run, so an early call is still correct.
SimdKernels g_simd = kScalar;

Simd simd_level() {
    return g_level;
}

bool set_simd_level(Simd level) {
    if (!supported(level)) return false;
    g_level = level;
#ifdef KX_VGFX_X86
    g_simd = level == Simd::avx2 ? kAvx2 : level == Simd::sse2 ? kSse2 : kScalar;
#else
    g_simd = kScalar;
#endif
    return true;
}

namespace {
[[maybe_unused]] const bool g_chosen = set_simd_level(initial_level());
} // namespace

} // namespace kx::vgfx
