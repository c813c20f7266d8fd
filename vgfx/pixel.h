// Pixel formats and blend operations of the raster library, as templates so that
// every inner loop is compiled once per format and blend with no per-pixel calls.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace kx::vgfx {

using u8 = std::uint8_t;
using u32 = std::uint32_t;
using i32 = std::int32_t;
using i64 = std::int64_t;

// Host buffers may sit at any address: pixel loads and stores go through memcpy,
// which compiles to plain (unaligned) moves.
template <class T> inline T load_as(const u8* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
template <class T> inline void store_as(u8* p, T v) {
    std::memcpy(p, &v, sizeof v);
}

// Format classes: the format codes, with 5 folded into 4 (the same layout).
constexpr int kFormats = 5;
inline int format_class(i32 code) {
    return code == 5 ? 4 : (code >= 0 && code <= 4 ? code : -1);
}

// Px<F>: raw pixel access and conversion. Raw values are the stored bits; colours
// are 0xRRGGBB. unpack expands by bit replication.
template <int F> struct Px;

template <> struct Px<0> {
    static constexpr int bytes = 1;
    static constexpr u32 key_bits = 0xFF;
    static u32 load(const u8* p) { return *p; }
    static void store(u8* p, u32 v) { *p = static_cast<u8>(v); }
    static u32 pack(u32 c) { return c & 0xFF; }
    static u32 unpack(u32 v) { return (v & 0xFF) * 0x010101u; }
};

template <> struct Px<1> { // 5-6-5
    static constexpr int bytes = 2;
    static constexpr u32 key_bits = 0xFFFF;
    static u32 load(const u8* p) { return load_as<std::uint16_t>(p); }
    static void store(u8* p, u32 v) { store_as(p, static_cast<std::uint16_t>(v)); }
    static u32 pack(u32 c) { return ((c >> 8) & 0xF800) | ((c >> 5) & 0x07E0) | ((c >> 3) & 0x1F); }
    static u32 unpack(u32 v) {
        u32 r = (v >> 11) & 31, g = (v >> 5) & 63, b = v & 31;
        return ((r << 3 | r >> 2) << 16) | ((g << 2 | g >> 4) << 8) | (b << 3 | b >> 2);
    }
};

template <> struct Px<2> { // 5-5-5
    static constexpr int bytes = 2;
    static constexpr u32 key_bits = 0x7FFF;
    static u32 load(const u8* p) { return load_as<std::uint16_t>(p); }
    static void store(u8* p, u32 v) { store_as(p, static_cast<std::uint16_t>(v)); }
    static u32 pack(u32 c) { return ((c >> 9) & 0x7C00) | ((c >> 6) & 0x03E0) | ((c >> 3) & 0x1F); }
    static u32 unpack(u32 v) {
        u32 r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
        return ((r << 3 | r >> 2) << 16) | ((g << 3 | g >> 2) << 8) | (b << 3 | b >> 2);
    }
};

template <> struct Px<3> { // 24-bit, bytes B, G, R
    static constexpr int bytes = 3;
    static constexpr u32 key_bits = 0xFFFFFF;
    static u32 load(const u8* p) { return u32(p[0]) | u32(p[1]) << 8 | u32(p[2]) << 16; }
    static void store(u8* p, u32 v) {
        p[0] = static_cast<u8>(v);
        p[1] = static_cast<u8>(v >> 8);
        p[2] = static_cast<u8>(v >> 16);
    }
    static u32 pack(u32 c) { return c & 0xFFFFFF; }
    static u32 unpack(u32 v) { return v & 0xFFFFFF; }
};

template <> struct Px<4> { // 32-bit 0x00RRGGBB
    static constexpr int bytes = 4;
    static constexpr u32 key_bits = 0xFFFFFF;
    static u32 load(const u8* p) { return load_as<u32>(p); }
    static void store(u8* p, u32 v) { store_as(p, v); }
    static u32 pack(u32 c) { return c & 0xFFFFFF; }
    static u32 unpack(u32 v) { return v & 0xFFFFFF; }
};

inline int bytes_of(int f) {
    static constexpr int b[kFormats] = {1, 2, 2, 3, 4};
    return b[f];
}

// ---- Channel arithmetic ----------------------------------------------------------

// round(x / 255) for 0 <= x <= 255 * 255.
inline u32 div255(u32 x) {
    x += 128;
    return (x + (x >> 8)) >> 8;
}
inline u32 chan(u32 c, int shift) {
    return (c >> shift) & 255;
}
template <class Op> inline u32 per_channel(u32 a, u32 b, Op op) {
    return op(chan(a, 16), chan(b, 16)) << 16 | op(chan(a, 8), chan(b, 8)) << 8 |
           op(chan(a, 0), chan(b, 0));
}
// c over p at level a (0 keeps p, 255 gives c).
inline u32 lerp(u32 p, u32 c, u32 a) {
    return per_channel(p, c, [a](u32 x, u32 y) { return div255(y * a + x * (255 - a)); });
}
inline u32 multiply(u32 p, u32 c) {
    return per_channel(p, c, [](u32 x, u32 y) { return div255(x * y); });
}
inline u32 add_sat(u32 p, u32 c) {
    return per_channel(p, c, [](u32 x, u32 y) { return std::min<u32>(x + y, 255); });
}
inline u32 sub_sat(u32 p, u32 c) {
    return per_channel(p, c, [](u32 x, u32 y) { return x > y ? x - y : 0; });
}
inline u32 average(u32 p, u32 c) {
    return (((p ^ c) & 0xFEFEFE) >> 1) + (p & c & 0xFFFFFF);
}
inline u32 brightness(u32 c) {
    return (77 * chan(c, 16) + 150 * chan(c, 8) + 29 * chan(c, 0)) >> 8;
}
inline u32 clamp_level(i64 v) {
    return static_cast<u32>(std::clamp<i64>(v, 0, 255));
}

// ---- Shape blends ------------------------------------------------------------------

enum ShapeBlend {
    SB_WRITE,
    SB_AVERAGE,
    SB_ADD,
    SB_SUB,
    SB_AND,
    SB_OR,
    SB_XOR,
    SB_ALPHA,
    SB_MULTIPLY,
    SB_INVERT,
    SB_LIGHTEN,
    SB_DARKEN,
    kShapeBlends
};

// The lowest set bit of mode & 0x7FF0 (bits 4 to 14) picks the blend.
inline int shape_blend_of(i32 mode) {
    u32 m = static_cast<u32>(mode) & 0x7FF0;
    return m ? __builtin_ctz(m) - 3 : SB_WRITE;
}

// p: the pixel as 0xRRGGBB; c: the colour 0xAARRGGBB. Result 0xRRGGBB.
template <int B> inline u32 shape_blend(u32 p, u32 c) {
    if constexpr (B == SB_WRITE)
        return c & 0xFFFFFF;
    else if constexpr (B == SB_AVERAGE)
        return average(p, c);
    else if constexpr (B == SB_ADD)
        return add_sat(p, c);
    else if constexpr (B == SB_SUB)
        return sub_sat(p, c);
    else if constexpr (B == SB_AND)
        return p & c & 0xFFFFFF;
    else if constexpr (B == SB_OR)
        return (p | c) & 0xFFFFFF;
    else if constexpr (B == SB_XOR)
        return (p ^ c) & 0xFFFFFF;
    else if constexpr (B == SB_ALPHA)
        return lerp(p, c, c >> 24);
    else if constexpr (B == SB_MULTIPLY)
        return multiply(p, c);
    else if constexpr (B == SB_INVERT)
        return ~p & 0xFFFFFF;
    else if constexpr (B == SB_LIGHTEN)
        return per_channel(p, c, [](u32 x, u32 y) { return std::max(x, y); });
    else
        return per_channel(p, c, [](u32 x, u32 y) { return std::min(x, y); });
}

// ---- Textured blends -----------------------------------------------------------------

enum TexBlend {
    TB_TEXEL,
    TB_LEVEL,
    TB_AVERAGE,
    TB_ADD,
    TB_SUB,
    TB_SILHOUETTE,
    TB_FADE,
    TB_ADD_SCALED,
    TB_SUB_SCALED,
    TB_MAP,
    TB_TINT,
    TB_TINT_AVERAGE,
    kTexBlends
};

inline int tex_blend_of(i32 mode) {
    static constexpr u32 bits[] = {0x4,    0x10,   0x20,   0x40,    0x400,  0x800,
                                   0x1000, 0x2000, 0x4000, 0x10000, 0x20000};
    u32 known = 0;
    for (u32 b : bits)
        known |= b;
    u32 m = static_cast<u32>(mode) & known;
    if (!m) return TB_TEXEL;
    u32 low = m & (~m + 1);
    for (int i = 0; i < 11; ++i)
        if (bits[i] == low) return i + 1;
    return TB_TEXEL;
}

// Whether a blend reads the backdrop pixel.
constexpr bool tex_reads_pixel(int b) {
    return b == TB_LEVEL || b == TB_AVERAGE || b == TB_ADD || b == TB_SUB || b == TB_ADD_SCALED ||
           b == TB_SUB_SCALED || b == TB_TINT_AVERAGE;
}

struct TexArgs {
    u32 a = 0, b = 0; // colours A and B
    u32 level = 0;    // B clamped to 0..255
    u32 key = 0;      // the mask colour converted to the format
};

// t: the texel, p: the backdrop pixel, both 0xRRGGBB.
template <int B> inline u32 tex_blend(u32 t, u32 p, const TexArgs& x) {
    if constexpr (B == TB_TEXEL)
        return t;
    else if constexpr (B == TB_LEVEL)
        return lerp(p, t, x.level);
    else if constexpr (B == TB_AVERAGE)
        return average(p, t);
    else if constexpr (B == TB_ADD)
        return add_sat(p, t);
    else if constexpr (B == TB_SUB)
        return sub_sat(p, t);
    else if constexpr (B == TB_SILHOUETTE)
        return x.a & 0xFFFFFF;
    else if constexpr (B == TB_FADE)
        return lerp(x.a, t, x.level);
    else if constexpr (B == TB_ADD_SCALED)
        return add_sat(p, multiply(t, x.a));
    else if constexpr (B == TB_SUB_SCALED)
        return sub_sat(p, multiply(t, x.a));
    else if constexpr (B == TB_MAP)
        return lerp(x.a, x.b, brightness(t));
    else if constexpr (B == TB_TINT)
        return multiply(t, x.a);
    else
        return average(p, multiply(t, x.a));
}

} // namespace kx::vgfx
