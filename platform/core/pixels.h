// Pixel formats described by their masks, views of pixel memory, and the
// copy, stretch, colour-key and fill loops of surfaces (internal to
// kx_platform).
#pragma once

#include <cstdint>
#include <cstring>

#include "kxp/ddraw.h"

namespace kxp::detail {

struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
};

// A channel value of `bits` bits widened to 8 bits by bit replication.
inline std::uint32_t expand(std::uint32_t v, int bits) {
    if (bits >= 8) return v >> (bits - 8);
    std::uint32_t out = 0;
    for (int shift = 8 - bits; shift > -bits; shift -= bits)
        out |= shift >= 0 ? v << shift : v >> -shift;
    return out & 0xFF;
}

// The formats surfaces can have.
enum class Format { rgb565, rgb555, rgb888, xrgb8888, argb1555, argb4444, argb8888, l8 };
inline constexpr int kFormatCount = 8;

struct PixelFormat {
    DDPIXELFORMAT pf{};
    Format kind{};
    int bytes = 0;
    Channel r, g, b, a;
    bool luminance = false;

    std::uint32_t read(const std::uint8_t* p) const {
        switch (bytes) {
        case 1: return p[0];
        case 2: {
            std::uint16_t v;
            std::memcpy(&v, p, 2);
            return v;
        }
        case 3: return p[0] | (p[1] << 8) | (static_cast<std::uint32_t>(p[2]) << 16);
        default: {
            std::uint32_t v;
            std::memcpy(&v, p, 4);
            return v;
        }
        }
    }
    void write(std::uint8_t* p, std::uint32_t v) const {
        switch (bytes) {
        case 1: p[0] = static_cast<std::uint8_t>(v); break;
        case 2: {
            auto h = static_cast<std::uint16_t>(v);
            std::memcpy(p, &h, 2);
            break;
        }
        case 3:
            p[0] = static_cast<std::uint8_t>(v);
            p[1] = static_cast<std::uint8_t>(v >> 8);
            p[2] = static_cast<std::uint8_t>(v >> 16);
            break;
        default: std::memcpy(p, &v, 4); break;
        }
    }
    static std::uint32_t get(const Channel& c, std::uint32_t raw) {
        return expand((raw & c.mask) >> c.shift, c.bits);
    }
    static std::uint32_t put(const Channel& c, std::uint32_t v8) {
        return ((v8 >> (8 - c.bits)) << c.shift) & c.mask;
    }
    // Raw pixel to 0xAARRGGBB (alpha 255 without an alpha channel).
    std::uint32_t to_argb(std::uint32_t raw) const {
        std::uint32_t alpha = a.bits ? get(a, raw) : 255;
        if (luminance) {
            std::uint32_t l = get(r, raw);
            return alpha << 24 | l << 16 | l << 8 | l;
        }
        return alpha << 24 | get(r, raw) << 16 | get(g, raw) << 8 | get(b, raw);
    }
    std::uint32_t from_argb(std::uint32_t argb) const {
        std::uint32_t R = argb >> 16 & 0xFF, G = argb >> 8 & 0xFF, B = argb & 0xFF;
        std::uint32_t v = a.bits ? put(a, argb >> 24) : 0;
        if (luminance) return v | put(r, (77 * R + 150 * G + 29 * B) >> 8);
        return v | put(r, R) | put(g, G) | put(b, B);
    }
    bool same_as(const PixelFormat& o) const {
        return bytes == o.bytes && luminance == o.luminance && r.mask == o.r.mask &&
               g.mask == o.g.mask && b.mask == o.b.mask && a.mask == o.a.mask;
    }
};

const PixelFormat& pixel_format(Format f);
// The known format a description names (flags, bit count and masks), or null.
const PixelFormat* find_pixel_format(const DDPIXELFORMAT& pf);

// Pixel memory: width x height pixels, rows `pitch` bytes apart.
struct View {
    std::uint8_t* pixels = nullptr;
    std::int32_t pitch = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    const PixelFormat* format = nullptr;

    std::uint8_t* at(std::int32_t x, std::int32_t y) const {
        return pixels + static_cast<std::ptrdiff_t>(y) * pitch + x * format->bytes;
    }
    View part(const RECT& r) const {
        return {at(r.left, r.top), pitch, r.right - r.left, r.bottom - r.top, format};
    }
};

inline bool rect_inside(const RECT& r, std::int32_t width, std::int32_t height) {
    return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom && r.right <= width &&
           r.bottom <= height;
}
inline RECT intersect(const RECT& a, const RECT& b) {
    RECT r{a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
           a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom};
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
}
inline bool empty(const RECT& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

// Converts n pixels of one row from one format to another (raw values copied
// when the formats are the same). Chosen once per pair of formats: each is
// made for its two formats, with no per-pixel switch or call.
using RowConvert = void (*)(std::uint8_t* dst, const std::uint8_t* src, std::int32_t n);
RowConvert row_converter(const PixelFormat& from, const PixelFormat& to);
// Converts n pixels of one row to a window frame's 0x00RRGGBB words.
RowConvert frame_converter(const PixelFormat& from);

// Per-pixel access in one format, for loops that read and write single pixels.
struct PixelOps {
    std::uint32_t (*read)(const std::uint8_t* p);            // raw value
    std::uint32_t (*to_argb)(std::uint32_t raw);             // 0xAARRGGBB
    void (*write_argb)(std::uint8_t* p, std::uint32_t argb); // converted and stored
};
const PixelOps& pixel_ops(const PixelFormat& f);

// Fills r (inside d) with a raw pixel value.
void fill(const View& d, const RECT& r, std::uint32_t raw);
// Copies source rectangle sr of s to dr of d (both inside their views),
// stretching by nearest pixel when the sizes differ and converting when the
// formats differ. With a key, source pixels whose raw value lies in
// [low, high] are skipped. The two may share memory. False (nothing copied)
// when scratch memory cannot be had.
bool blit(const View& d, const RECT& dr, const View& s, const RECT& sr, const DDCOLORKEY* key);

} // namespace kxp::detail
