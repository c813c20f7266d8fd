// Row kernels of the raster library: one instantiation per format (and blend),
// picked once per row from tables, so the loops themselves make no calls and
// test no format.
#pragma once

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "pixel.h"
#include "simd.h"

namespace kx::vgfx {

// ---- Tables of instantiations ------------------------------------------------------

template <template <int, int> class K, int F, std::size_t... B>
constexpr auto blend_row(std::index_sequence<B...>) {
    return std::array{&K<F, int(B)>::run...};
}
template <template <int, int> class K, int NB, std::size_t... F>
constexpr auto make_table(std::index_sequence<F...>) {
    return std::array{blend_row<K, int(F)>(std::make_index_sequence<NB>())...};
}
// table<K, NB>()[format][blend] is &K<format, blend>::run.
template <template <int, int> class K, int NB> constexpr auto table() {
    return make_table<K, NB>(std::make_index_sequence<kFormats>());
}
template <template <int> class K, std::size_t... F>
constexpr auto format_table_of(std::index_sequence<F...>) {
    return std::array{&K<int(F)>::run...};
}
// format_table<K>()[format] is &K<format>::run.
template <template <int> class K> constexpr auto format_table() {
    return format_table_of<K>(std::make_index_sequence<kFormats>());
}

// A colour converted to format f.
inline u32 pack_colour(int f, u32 colour) {
    static constexpr u32 (*pack[kFormats])(u32) = {Px<0>::pack, Px<1>::pack, Px<2>::pack,
                                                   Px<3>::pack, Px<4>::pack};
    return pack[f](colour);
}

// Vector kernels for whole groups of a row; the scalar loops finish it.
template <bool KEY, bool CONST_T> inline i32 lerp32(const Lerp32Args& x) {
    return g_simd.lerp32[KEY][CONST_T](x);
}

// ---- Fills and flat spans ------------------------------------------------------------

template <int F> inline void fill(u8* d, i64 n, u32 raw) {
    if (n <= 0) return;
    if constexpr (F == 0) {
        std::memset(d, static_cast<int>(raw & 0xFF), static_cast<std::size_t>(n));
    } else if constexpr (F == 1 || F == 2 || F == 4) {
        for (i64 i = 0; i < n; ++i)
            Px<F>::store(d + i * Px<F>::bytes, raw);
    } else {
        // 24-bit: one pixel, then the filled part doubled until the row is full.
        Px<3>::store(d, raw);
        i64 done = 1;
        while (done < n) {
            i64 k = std::min(done, n - done);
            std::memcpy(d + done * 3, d, static_cast<std::size_t>(k * 3));
            done += k;
        }
    }
}

// n pixels from d in a shape blend with one colour.
template <int F, int B> struct FlatSpan {
    static void run(u8* d, i32 n, u32 colour) {
        using P = Px<F>;
        if constexpr (B == SB_WRITE) {
            fill<F>(d, n, P::pack(colour));
        } else {
            i32 i = 0;
            if constexpr (F == 4 && B == SB_ALPHA)
                i = lerp32<false, true>({d, nullptr, d, n, colour >> 24, 0, colour});
            for (; i < n; ++i) {
                u8* q = d + i * P::bytes;
                P::store(q, P::pack(shape_blend<B>(P::unpack(P::load(q)), colour)));
            }
        }
    }
};
using FlatSpanFn = void (*)(u8*, i32, u32);
inline constexpr auto kFlatSpan = table<FlatSpan, kShapeBlends>();

// One pixel in a shape blend (used inside templated line and outline loops).
template <int F, int B> inline void plot(u8* q, u32 colour) {
    using P = Px<F>;
    if constexpr (B == SB_WRITE)
        P::store(q, P::pack(colour));
    else
        P::store(q, P::pack(shape_blend<B>(P::unpack(P::load(q)), colour)));
}

// n pixels down a column from d (stride: the pitch) in a shape blend.
template <int F, int B> struct ColumnSpan {
    static void run(u8* d, i64 stride, i32 n, u32 colour) {
        for (i32 i = 0; i < n; ++i)
            plot<F, B>(d + i * stride, colour);
    }
};
using ColumnSpanFn = void (*)(u8*, i64, i32, u32);
inline constexpr auto kColumnSpan = table<ColumnSpan, kShapeBlends>();

// ---- Interpolated colours -----------------------------------------------------------

// Channels a, r, g, b in 16.16 fixed point with the rounding half already added,
// and their steps per pixel.
struct ColourRamp {
    i32 c[4] = {};
    i32 d[4] = {};
};

template <int F, int B> struct RampSpan {
    static void run(u8* d, i32 n, const ColourRamp& ramp) {
        using P = Px<F>;
        i32 a = ramp.c[0], r = ramp.c[1], g = ramp.c[2], b = ramp.c[3];
        for (i32 i = 0; i < n; ++i) {
            u32 col = u32(a >> 16) << 24 | u32(r >> 16) << 16 | u32(g >> 16) << 8 | u32(b >> 16);
            u8* q = d + i * P::bytes;
            if constexpr (B == SB_WRITE)
                P::store(q, P::pack(col));
            else
                P::store(q, P::pack(shape_blend<B>(P::unpack(P::load(q)), col)));
            a += ramp.d[0];
            r += ramp.d[1];
            g += ramp.d[2];
            b += ramp.d[3];
        }
    }
};
using RampSpanFn = void (*)(u8*, i32, const ColourRamp&);
inline constexpr auto kRampSpan = table<RampSpan, kShapeBlends>();

// The colour ramp written down a column (gouraud strips).
template <int F> struct RampColumn {
    static void run(u8* d, i64 stride, i32 n, const ColourRamp& ramp) {
        using P = Px<F>;
        i32 r = ramp.c[1], g = ramp.c[2], b = ramp.c[3];
        for (i32 i = 0; i < n; ++i) {
            P::store(d + i * stride,
                     P::pack(u32(r >> 16) << 16 | u32(g >> 16) << 8 | u32(b >> 16)));
            r += ramp.d[1];
            g += ramp.d[2];
            b += ramp.d[3];
        }
    }
};
inline constexpr auto kRampColumn = format_table<RampColumn>();

// ---- Source rows ----------------------------------------------------------------------

// out = the textured blend of source row s over backdrop row bk. Pixels whose source
// equals the key (KEY) keep what out held. out may be bk, and s may be out.
template <int F, int B, bool KEY> struct Combine {
    static void run(u8* out, const u8* s, const u8* bk, i32 n, const TexArgs& x) {
        using P = Px<F>;
        i32 i = 0;
        if constexpr (F == 4 && B == TB_LEVEL)
            i = lerp32<KEY, false>({out, s, bk, n, x.level, x.key, 0});
        else if constexpr (KEY && B == TB_TEXEL && F != 3)
            i = g_simd.key_row[F](out, s, n, x.key);
        for (; i < n; ++i) {
            u32 sr = P::load(s + i * P::bytes);
            u32 p = 0;
            if constexpr (tex_reads_pixel(B)) p = P::unpack(P::load(bk + i * P::bytes));
            u32 r;
            if constexpr (B == TB_TEXEL)
                r = sr & P::key_bits;
            else
                r = P::pack(tex_blend<B>(P::unpack(sr), p, x));
            if constexpr (KEY) {
                if ((sr & P::key_bits) == x.key) r = P::load(out + i * P::bytes);
            }
            P::store(out + i * P::bytes, r);
        }
    }
};
template <int F, int B> struct CombinePlainK : Combine<F, B, false> {};
template <int F, int B> struct CombineKeyedK : Combine<F, B, true> {};
using CombineFn = void (*)(u8*, const u8*, const u8*, i32, const TexArgs&);
inline constexpr auto kCombine = table<CombinePlainK, kTexBlends>();
inline constexpr auto kCombineKeyed = table<CombineKeyedK, kTexBlends>();

// d = s over d at level a.
template <int F> struct LerpSpan {
    static void run(u8* d, const u8* s, i32 n, u32 a) {
        using P = Px<F>;
        i32 i = 0;
        if constexpr (F == 4) i = lerp32<false, false>({d, s, d, n, a, 0, 0});
        for (; i < n; ++i) {
            u8* q = d + i * P::bytes;
            P::store(q,
                     P::pack(lerp(P::unpack(P::load(q)), P::unpack(P::load(s + i * P::bytes)), a)));
        }
    }
};
inline constexpr auto kLerpSpan = format_table<LerpSpan>();

// Converting copy from format SF to DF; with a key, source pixels equal to it are
// skipped.
template <int SF, int DF> struct Convert {
    static void run(u8* d, const u8* s, i32 n, bool keyed, u32 key) {
        using S = Px<SF>;
        using D = Px<DF>;
        for (i32 i = 0; i < n; ++i) {
            u32 v = S::load(s + i * S::bytes);
            if (keyed && (v & S::key_bits) == key) continue;
            D::store(d + i * D::bytes, D::pack(S::unpack(v)));
        }
    }
};
inline constexpr auto kConvert = table<Convert, kFormats>();

// Texels along a line of the texture: (U, V) in 32.32 fixed point, stepped by (dU, dV).
// The caller keeps every sampled position inside the source.
template <int F> struct Fetch {
    static void run(u8* out, const u8* src, i64 pitch, i64 U, i64 V, i64 dU, i64 dV, i32 n) {
        using P = Px<F>;
        constexpr u32 bits = F == 4 ? 0xFFFFFFu : 0xFFFFFFFFu;
        if (dV == 0) {
            const u8* row = src + (V >> 32) * pitch;
            if (dU == i64(1) << 32) { // a straight copy of part of a texture row
                const u8* s = row + (U >> 32) * P::bytes;
                for (i32 i = 0; i < n; ++i)
                    P::store(out + i * P::bytes, P::load(s + i * P::bytes) & bits);
                return;
            }
            for (i32 i = 0; i < n; ++i) {
                P::store(out + i * P::bytes, P::load(row + (U >> 32) * P::bytes) & bits);
                U += dU;
            }
            return;
        }
        if constexpr (F == 4)
            if (g_simd.fetch32[0]({out, src, pitch, U, V, dU, dV, n, 0}) == n) return;
        for (i32 i = 0; i < n; ++i) {
            P::store(out + i * P::bytes,
                     P::load(src + (V >> 32) * pitch + (U >> 32) * P::bytes) & bits);
            U += dU;
            V += dV;
        }
    }
};
using FetchFn = void (*)(u8*, const u8*, i64, i64, i64, i64, i64, i32);
inline constexpr auto kFetch = format_table<Fetch>();

// Fetch and the keyed copy of Combine in one pass: texels (their key bits) written to
// out except those equal to key. The source must not overlap out.
template <int F> struct FetchKeyed {
    static void run(u8* out, const u8* src, i64 pitch, i64 U, i64 V, i64 dU, i64 dV, i32 n,
                    u32 key) {
        using P = Px<F>;
        i32 i = 0;
        if (dV == 0 && dU == i64(1) << 32) { // part of a texture row, keyed
            const u8* s = src + (V >> 32) * pitch + (U >> 32) * P::bytes;
            if constexpr (F != 3) i = g_simd.key_row[F](out, s, n, key);
            for (; i < n; ++i) {
                const u32 t = P::load(s + i * P::bytes) & P::key_bits;
                if (t != key) P::store(out + i * P::bytes, t);
            }
            return;
        }
        if constexpr (F == 4)
            if (g_simd.fetch32[1]({out, src, pitch, U, V, dU, dV, n, key}) == n) return;
        for (; i < n; ++i) {
            u32 t = P::load(src + (V >> 32) * pitch + (U >> 32) * P::bytes) & P::key_bits;
            if (t != key) P::store(out + i * P::bytes, t);
            U += dU;
            V += dV;
        }
    }
};
using FetchKeyedFn = void (*)(u8*, const u8*, i64, i64, i64, i64, i64, i32, u32);
inline constexpr auto kFetchKeyed = format_table<FetchKeyed>();

// The whole texels a triangle may sample.
struct TexClamp {
    i64 u0, u1, v0, v1;
};

// Fetch (KEY: FetchKeyed) with each sample's texel clamped to the bounds: the rows
// whose ends fall outside them, by rounding or by a coordinate beyond the texture.
template <int F, bool KEY> struct FetchClamped {
    static void run(u8* out, const u8* src, i64 pitch, i64 U, i64 V, i64 dU, i64 dV, i32 n,
                    const TexClamp& c, u32 key) {
        using P = Px<F>;
        constexpr u32 bits = KEY ? P::key_bits : F == 4 ? 0xFFFFFFu : 0xFFFFFFFFu; // as Fetch
        for (i32 i = 0; i < n; ++i) {
            const i64 tu = std::clamp(U >> 32, c.u0, c.u1), tv = std::clamp(V >> 32, c.v0, c.v1);
            const u32 t = P::load(src + tv * pitch + tu * P::bytes) & bits;
            if (!KEY || t != key) P::store(out + i * P::bytes, t);
            U += dU;
            V += dV;
        }
    }
};
template <int F> struct FetchClampedPlain : FetchClamped<F, false> {};
template <int F> struct FetchClampedKeyed : FetchClamped<F, true> {};
using FetchClampedFn = void (*)(u8*, const u8*, i64, i64, i64, i64, i64, i32, const TexClamp&, u32);
inline constexpr auto kFetchClamped = format_table<FetchClampedPlain>();
inline constexpr auto kFetchClampedKeyed = format_table<FetchClampedKeyed>();

// Texels along a line of the texture written down a column (texture strips).
template <int F> struct FetchColumn {
    static void run(u8* d, i64 stride, const u8* src, i64 pitch, i64 U, i64 V, i64 dU, i64 dV,
                    i32 n) {
        using P = Px<F>;
        constexpr u32 bits = F == 4 ? 0xFFFFFFu : 0xFFFFFFFFu;
        for (i32 i = 0; i < n; ++i) {
            P::store(d + i * stride,
                     P::load(src + (V >> 32) * pitch + (U >> 32) * P::bytes) & bits);
            U += dU;
            V += dV;
        }
    }
};
inline constexpr auto kFetchColumn = format_table<FetchColumn>();

// Gouraud-textured row: texel times the ramp's colour; intensity-textured row:
// texel over the pixel at the ramp's blue channel (the corners' low bytes).
template <int F> struct TexRampSpan {
    static void run(u8* d, const u8* t, i32 n, const ColourRamp& ramp, bool keyed, u32 key,
                    bool intensity) {
        using P = Px<F>;
        i32 r = ramp.c[1], g = ramp.c[2], b = ramp.c[3];
        for (i32 i = 0; i < n; ++i) {
            u32 tr = P::load(t + i * P::bytes);
            u8* q = d + i * P::bytes;
            if (!(keyed && (tr & P::key_bits) == key)) {
                u32 tex = P::unpack(tr);
                u32 out;
                if (intensity)
                    out = lerp(P::unpack(P::load(q)), tex, u32(b >> 16));
                else
                    out = multiply(tex, u32(r >> 16) << 16 | u32(g >> 16) << 8 | u32(b >> 16));
                P::store(q, P::pack(out));
            }
            r += ramp.d[1];
            g += ramp.d[2];
            b += ramp.d[3];
        }
    }
};
inline constexpr auto kTexRampSpan = format_table<TexRampSpan>();

} // namespace kx::vgfx
