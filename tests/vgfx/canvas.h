// Test helpers for the raster library: pixel buffers in every format with padding
// around them, and a small reference model of the formats and blends written from
// the documented tables.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "kx/kx_vgfx.h"

namespace vt {

constexpr int kAllFormats[] = {0, 1, 2, 3, 4, 5};

inline int bytes_per_pixel(int f) {
    static const int b[] = {1, 2, 2, 3, 4, 4};
    return b[f];
}

inline uint32_t rgb(uint32_t r, uint32_t g, uint32_t b) {
    return r << 16 | g << 8 | b;
}
inline uint32_t red(uint32_t c) {
    return (c >> 16) & 255;
}
inline uint32_t green(uint32_t c) {
    return (c >> 8) & 255;
}
inline uint32_t blue(uint32_t c) {
    return c & 255;
}

// ---- Reference formats -------------------------------------------------------------

inline uint32_t ref_pack(int f, uint32_t c) {
    uint32_t r = red(c), g = green(c), b = blue(c);
    switch (f) {
    case 0: return b;
    case 1: return (r >> 3) << 11 | (g >> 2) << 5 | (b >> 3);
    case 2: return (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3);
    default: return c & 0xFFFFFF;
    }
}

inline uint32_t widen5(uint32_t v) {
    return v << 3 | v >> 2;
}
inline uint32_t widen6(uint32_t v) {
    return v << 2 | v >> 4;
}

inline uint32_t ref_unpack(int f, uint32_t v) {
    switch (f) {
    case 0: return rgb(v & 255, v & 255, v & 255);
    case 1: return rgb(widen5((v >> 11) & 31), widen6((v >> 5) & 63), widen5(v & 31));
    case 2: return rgb(widen5((v >> 10) & 31), widen5((v >> 5) & 31), widen5(v & 31));
    default: return v & 0xFFFFFF;
    }
}

// What a colour looks like once written and read back in format f.
inline uint32_t ref_round_trip(int f, uint32_t c) {
    return ref_unpack(f, ref_pack(f, c));
}

// ---- Reference blends ----------------------------------------------------------------

inline uint32_t rdiv255(uint32_t x) { // round(x / 255)
    return (2 * x + 255) / 510;
}

template <class Op> uint32_t channels(uint32_t a, uint32_t b, Op op) {
    return rgb(op(red(a), red(b)), op(green(a), green(b)), op(blue(a), blue(b)));
}

inline uint32_t ref_over(uint32_t p, uint32_t c, uint32_t level) {
    return channels(p, c,
                    [&](uint32_t x, uint32_t y) { return rdiv255(y * level + x * (255 - level)); });
}
inline uint32_t ref_mul(uint32_t p, uint32_t c) {
    return channels(p, c, [](uint32_t x, uint32_t y) { return rdiv255(x * y); });
}
inline uint32_t ref_add(uint32_t p, uint32_t c) {
    return channels(p, c, [](uint32_t x, uint32_t y) { return std::min(255u, x + y); });
}
inline uint32_t ref_sub(uint32_t p, uint32_t c) {
    return channels(p, c, [](uint32_t x, uint32_t y) { return x > y ? x - y : 0u; });
}
inline uint32_t ref_avg(uint32_t p, uint32_t c) {
    return channels(p, c, [](uint32_t x, uint32_t y) { return (x + y) / 2; });
}

// Shape mode: pixel p (0xRRGGBB), colour c (0xAARRGGBB).
inline uint32_t ref_shape(int mode, uint32_t p, uint32_t c) {
    int bits = mode & 0x7FF0;
    int low = bits & -bits;
    uint32_t c24 = c & 0xFFFFFF;
    switch (low) {
    case 0: return c24;
    case 0x10: return ref_avg(p, c24);
    case 0x20: return ref_add(p, c24);
    case 0x40: return ref_sub(p, c24);
    case 0x80: return p & c24;
    case 0x100: return p | c24;
    case 0x200: return p ^ c24;
    case 0x400: return ref_over(p, c24, c >> 24);
    case 0x800: return ref_mul(p, c24);
    case 0x1000: return 0xFFFFFF - p;
    case 0x2000: return channels(p, c24, [](uint32_t x, uint32_t y) { return std::max(x, y); });
    default: return channels(p, c24, [](uint32_t x, uint32_t y) { return std::min(x, y); });
    }
}

// The grey level of a colour, as grey scale and the luminance blend weigh it.
inline uint32_t ref_grey(uint32_t c) {
    return (77 * red(c) + 150 * green(c) + 29 * blue(c)) >> 8;
}

// Textured blend (mode without bit 0): texel t over pixel p with colours a and b.
inline uint32_t ref_tex(int blend, uint32_t t, uint32_t p, uint32_t a, uint32_t b) {
    uint32_t level = int32_t(b) < 0 ? 0 : std::min<uint32_t>(b, 255);
    a &= 0xFFFFFF;
    switch (blend) {
    case 0: return t;
    case 0x4: return ref_over(p, t, level);
    case 0x10: return ref_avg(p, t);
    case 0x20: return ref_add(p, t);
    case 0x40: return ref_sub(p, t);
    case 0x400: return a;
    case 0x800: return ref_over(a, t, level);
    case 0x1000: return ref_add(p, ref_mul(t, a));
    case 0x2000: return ref_sub(p, ref_mul(t, a));
    case 0x4000: return ref_over(a, b & 0xFFFFFF, ref_grey(t));
    case 0x10000: return ref_mul(t, a);
    default: return ref_avg(p, ref_mul(t, a));
    }
}

constexpr int kShapeModes[] = {0,     0x10,  0x20,  0x40,   0x80,   0x100,
                               0x200, 0x400, 0x800, 0x1000, 0x2000, 0x4000};
constexpr int kTexBlends[] = {0,     0x4,    0x10,   0x20,   0x40,    0x400,
                              0x800, 0x1000, 0x2000, 0x4000, 0x10000, 0x20000};

// ---- Canvas ------------------------------------------------------------------------------

// A w x h buffer in format f with padding bytes at the end of each row and whole
// guard rows above and below, all filled with a pattern, so writes outside the
// pixels show up. Optionally bottom-up (negative pitch).
class Canvas {
  public:
    Canvas(int format, int width, int height, bool bottom_up = false)
        : f(format), w(width), h(height), bpp(bytes_per_pixel(format)),
          row_bytes(width * bytes_per_pixel(format) + 13), bottom_up_(bottom_up) {
        mem_.resize(size_t(row_bytes) * size_t(h + 2));
        for (size_t i = 0; i < mem_.size(); ++i)
            mem_[i] = uint8_t(0x5A ^ (i * 7));
        pristine_ = mem_;
    }

    const int f, w, h, bpp;
    const int row_bytes;

    uint8_t* pixels() {
        return bottom_up_ ? mem_.data() + size_t(row_bytes) * size_t(h) : mem_.data() + row_bytes;
    }
    int32_t pitch() const { return bottom_up_ ? -row_bytes : row_bytes; }
    uint8_t* at(int x, int y) { return pixels() + int64_t(y) * pitch() + x * bpp; }

    // Makes this the destination with the whole canvas as the clip rectangle.
    void bind() {
        VGFX_SetBuffer(pixels(), pitch(), f);
        VGFX_SetBufferViewPort(0, 0, w, h);
    }
    void bind_source(bool with_size = true) {
        VGFX_SetSrcBuffer(pixels(), pitch(), f);
        if (with_size) VGFX_SetSrcSize(w, h);
    }

    uint32_t raw(int x, int y) {
        uint32_t v = 0;
        std::memcpy(&v, at(x, y), size_t(bpp));
        return v;
    }
    void set_raw(int x, int y, uint32_t v) { std::memcpy(at(x, y), &v, size_t(bpp)); }
    // The pixel read back as 0xRRGGBB by the reference model.
    uint32_t get(int x, int y) { return ref_unpack(f, raw(x, y)); }
    void set(int x, int y, uint32_t c) { set_raw(x, y, ref_pack(f, c)); }
    void fill(uint32_t c) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                set(x, y, c);
        snapshot();
    }
    // A deterministic pattern of colours.
    void pattern(uint32_t seed = 1) {
        uint32_t s = seed * 2654435761u + 12345;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                s = s * 1664525u + 1013904223u;
                set(x, y, s >> 8);
            }
        snapshot();
    }
    // Remember the current bytes; changed() compares against them.
    void snapshot() { pristine_ = mem_; }

    // Whether any byte outside the pixels of rectangle [l, r) x [t, b) changed since
    // the last snapshot (padding and guard rows included).
    bool changed_outside(int l, int t, int r, int b) {
        std::vector<bool> inside(mem_.size(), false);
        for (int y = std::max(t, 0); y < std::min(b, h); ++y)
            for (int x = std::max(l, 0); x < std::min(r, w); ++x)
                for (int k = 0; k < bpp; ++k)
                    inside[size_t(at(x, y) + k - mem_.data())] = true;
        for (size_t i = 0; i < mem_.size(); ++i)
            if (!inside[i] && mem_[i] != pristine_[i]) return true;
        return false;
    }
    bool changed_anywhere() { return mem_ != pristine_; }
    // The pixel as it was at the last snapshot.
    uint32_t old(int x, int y) {
        uint32_t v = 0;
        std::memcpy(&v, pristine_.data() + (at(x, y) - mem_.data()), size_t(bpp));
        return ref_unpack(f, v);
    }

    // Whether the stored source pixel equals the mask colour, as the colour key compares.
    bool is_key(int x, int y, uint32_t mask) {
        return (raw(x, y) & key_bits()) == ref_pack(f, mask);
    }
    uint32_t key_bits() const {
        static const uint32_t k[] = {0xFF, 0xFFFF, 0x7FFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF};
        return k[f];
    }

  private:
    bool bottom_up_;
    std::vector<uint8_t> mem_, pristine_;
};

inline std::string fmt_name(int f) {
    return "format " + std::to_string(f);
}

// Asserts that the w x h pixels from (ox, oy) read back as want(x, y), x and y counted
// from there, and that nothing outside them changed since the last snapshot.
template <class Want> void expect_area(Canvas& c, int ox, int oy, int w, int h, Want want) {
    EXPECT_FALSE(c.changed_outside(ox, oy, ox + w, oy + h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            ASSERT_EQ(c.get(ox + x, oy + y), want(x, y)) << "at " << x << "," << y;
}

} // namespace vt
