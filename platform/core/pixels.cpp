// Pixel formats and the surface copy and fill loops.
#include "core/pixels.h"

#include <bit>
#include <new>
#include <vector>

namespace kxp::detail {
namespace {

Channel channel(std::uint32_t mask) {
    if (mask == 0) return {};
    return {mask, std::countr_zero(mask), std::popcount(mask)};
}

PixelFormat make(DWORD flags, DWORD bits, DWORD r, DWORD g, DWORD b, DWORD a) {
    PixelFormat f;
    f.pf = {sizeof(DDPIXELFORMAT), flags, 0, bits, r, g, b, a};
    f.bytes = static_cast<int>(bits / 8);
    f.luminance = (flags & DDPF_LUMINANCE) != 0;
    f.r = channel(r);
    f.g = channel(g);
    f.b = channel(b);
    f.a = channel(a);
    return f;
}

const PixelFormat kFormats[] = {
    make(DDPF_RGB, 16, 0xF800, 0x07E0, 0x001F, 0),
    make(DDPF_RGB, 16, 0x7C00, 0x03E0, 0x001F, 0),
    make(DDPF_RGB, 24, 0xFF0000, 0xFF00, 0xFF, 0),
    make(DDPF_RGB, 32, 0xFF0000, 0xFF00, 0xFF, 0),
    make(DDPF_RGB | DDPF_ALPHAPIXELS, 16, 0x7C00, 0x03E0, 0x001F, 0x8000),
    make(DDPF_RGB | DDPF_ALPHAPIXELS, 16, 0x0F00, 0x00F0, 0x000F, 0xF000),
    make(DDPF_RGB | DDPF_ALPHAPIXELS, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u),
    make(DDPF_LUMINANCE, 8, 0xFF, 0, 0, 0),
};

// Source x of each destination column (nearest pixel centre).
std::vector<std::int32_t> column_map(std::int32_t left, std::int32_t sw, std::int32_t dw) {
    std::vector<std::int32_t> xs(static_cast<std::size_t>(dw));
    for (std::int32_t x = 0; x < dw; ++x)
        xs[static_cast<std::size_t>(x)] =
            left +
            static_cast<std::int32_t>((2 * std::int64_t{x} + 1) * sw / (2 * std::int64_t{dw}));
    return xs;
}

} // namespace

const PixelFormat& pixel_format(Format f) {
    return kFormats[static_cast<int>(f)];
}

const PixelFormat* find_pixel_format(const DDPIXELFORMAT& pf) {
    for (const PixelFormat& f : kFormats) {
        DWORD kind = DDPF_RGB | DDPF_LUMINANCE | DDPF_ALPHAPIXELS | DDPF_FOURCC;
        if ((pf.dwFlags & kind) != (f.pf.dwFlags & kind) || pf.dwRGBBitCount != f.pf.dwRGBBitCount)
            continue;
        bool alpha = f.pf.dwFlags & DDPF_ALPHAPIXELS;
        if (pf.dwRBitMask == f.pf.dwRBitMask && pf.dwGBitMask == f.pf.dwGBitMask &&
            pf.dwBBitMask == f.pf.dwBBitMask &&
            (!alpha || pf.dwRGBAlphaBitMask == f.pf.dwRGBAlphaBitMask))
            return &f;
    }
    return nullptr;
}

void fill(const View& d, const RECT& r, std::uint32_t raw) {
    const PixelFormat& f = *d.format;
    for (std::int32_t y = r.top; y < r.bottom; ++y) {
        std::uint8_t* p = d.at(r.left, y);
        for (std::int32_t x = r.left; x < r.right; ++x, p += f.bytes)
            f.write(p, raw);
    }
}

bool blit(const View& d, const RECT& dr, const View& s0, const RECT& sr0,
          const DDCOLORKEY* key) try {
    View s = s0;
    RECT sr = sr0;
    std::int32_t sw = sr.right - sr.left, sh = sr.bottom - sr.top;
    std::int32_t dw = dr.right - dr.left, dh = dr.bottom - dr.top;
    // Same memory: copy the source out first (stretches and keys cannot run
    // in place in every direction).
    std::vector<std::uint8_t> copy;
    if (s.pixels == d.pixels) {
        std::int32_t row = sw * s.format->bytes;
        copy.resize(static_cast<std::size_t>(row) * static_cast<std::size_t>(sh));
        for (std::int32_t y = 0; y < sh; ++y)
            std::memcpy(copy.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(row),
                        s.at(sr.left, sr.top + y), static_cast<std::size_t>(row));
        s = {copy.data(), row, sw, sh, s.format};
        sr = {0, 0, sw, sh};
    }
    const PixelFormat& sf = *s.format;
    const PixelFormat& df = *d.format;
    bool same = sf.same_as(df);
    if (same && !key && sw == dw && sh == dh) {
        auto row = static_cast<std::size_t>(dw * df.bytes);
        for (std::int32_t y = 0; y < dh; ++y)
            std::memcpy(d.at(dr.left, dr.top + y), s.at(sr.left, sr.top + y), row);
        return true;
    }
    std::vector<std::int32_t> xs = column_map(sr.left, sw, dw);
    std::uint32_t low = key ? key->dwColorSpaceLowValue : 0;
    std::uint32_t high = key ? key->dwColorSpaceHighValue : 0;
    for (std::int32_t y = 0; y < dh; ++y) {
        std::int32_t sy = sr.top + static_cast<std::int32_t>((2 * std::int64_t{y} + 1) * sh /
                                                             (2 * std::int64_t{dh}));
        const std::uint8_t* srow = s.at(0, sy);
        std::uint8_t* p = d.at(dr.left, dr.top + y);
        for (std::int32_t x = 0; x < dw; ++x, p += df.bytes) {
            std::uint32_t raw = sf.read(srow + xs[static_cast<std::size_t>(x)] * sf.bytes);
            if (key && raw >= low && raw <= high) continue;
            df.write(p, same ? raw : df.from_argb(sf.to_argb(raw)));
        }
    }
    return true;
} catch (const std::bad_alloc&) {
    return false;
}

} // namespace kxp::detail
