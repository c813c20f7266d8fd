// Pixel formats and the surface copy and fill loops.
#include "core/pixels.h"

#include <array>
#include <bit>
#include <new>
#include <utility>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace kxp::detail {
namespace {

Channel channel(std::uint32_t mask) {
    if (mask == 0) return {};
    return {mask, std::countr_zero(mask), std::popcount(mask)};
}

PixelFormat make(Format kind, DWORD flags, DWORD bits, DWORD r, DWORD g, DWORD b, DWORD a) {
    PixelFormat f;
    f.kind = kind;
    f.pf = {sizeof(DDPIXELFORMAT), flags, 0, bits, r, g, b, a};
    f.bytes = static_cast<int>(bits / 8);
    f.luminance = (flags & DDPF_LUMINANCE) != 0;
    f.r = channel(r);
    f.g = channel(g);
    f.b = channel(b);
    f.a = channel(a);
    return f;
}

// The formats at compile time, in the order of Format.
struct Spec {
    DWORD flags;
    int bytes;
    std::uint32_t r, g, b, a;
};
constexpr Spec kSpecs[kFormatCount] = {
    {DDPF_RGB, 2, 0xF800, 0x07E0, 0x001F, 0},
    {DDPF_RGB, 2, 0x7C00, 0x03E0, 0x001F, 0},
    {DDPF_RGB, 3, 0xFF0000, 0xFF00, 0xFF, 0},
    {DDPF_RGB, 4, 0xFF0000, 0xFF00, 0xFF, 0},
    {DDPF_RGB | DDPF_ALPHAPIXELS, 2, 0x7C00, 0x03E0, 0x001F, 0x8000},
    {DDPF_RGB | DDPF_ALPHAPIXELS, 2, 0x0F00, 0x00F0, 0x000F, 0xF000},
    {DDPF_RGB | DDPF_ALPHAPIXELS, 4, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u},
    {DDPF_LUMINANCE, 1, 0xFF, 0, 0, 0},
};

PixelFormat make_format(int k) {
    const Spec& s = kSpecs[k];
    return make(static_cast<Format>(k), s.flags, static_cast<DWORD>(8 * s.bytes), s.r, s.g, s.b,
                s.a);
}

const PixelFormat kFormats[kFormatCount] = {make_format(0), make_format(1), make_format(2),
                                            make_format(3), make_format(4), make_format(5),
                                            make_format(6), make_format(7)};

// --- One format's pixels, with everything known at compile time -------------

// A channel value of Bits bits widened to 8 bits (as expand() does).
template <int Bits> constexpr std::uint32_t widen(std::uint32_t v) {
    if constexpr (Bits >= 8) {
        return v >> (Bits - 8);
    } else {
        std::uint32_t out = 0;
        for (int shift = 8 - Bits; shift > -Bits; shift -= Bits)
            out |= shift >= 0 ? v << shift : v >> -shift;
        return out & 0xFF;
    }
}

template <std::uint32_t Mask> constexpr std::uint32_t get(std::uint32_t raw) {
    constexpr int shift = std::countr_zero(Mask);
    return widen<std::popcount(Mask)>((raw & Mask) >> shift);
}

template <std::uint32_t Mask> constexpr std::uint32_t put(std::uint32_t v8) {
    constexpr int shift = std::countr_zero(Mask), bits = std::popcount(Mask);
    return ((v8 >> (8 - bits)) << shift) & Mask;
}

template <Format F> struct Pixel {
    static constexpr Spec S = kSpecs[static_cast<int>(F)];
    static constexpr int bytes = S.bytes;
    static constexpr bool luminance = (S.flags & DDPF_LUMINANCE) != 0;

    static std::uint32_t read(const std::uint8_t* p) {
        if constexpr (bytes == 1) {
            return p[0];
        } else if constexpr (bytes == 2) {
            std::uint16_t v;
            std::memcpy(&v, p, 2);
            return v;
        } else if constexpr (bytes == 3) {
            return p[0] | (p[1] << 8) | (static_cast<std::uint32_t>(p[2]) << 16);
        } else {
            std::uint32_t v;
            std::memcpy(&v, p, 4);
            return v;
        }
    }
    static void write(std::uint8_t* p, std::uint32_t v) {
        if constexpr (bytes == 1) {
            p[0] = static_cast<std::uint8_t>(v);
        } else if constexpr (bytes == 2) {
            auto h = static_cast<std::uint16_t>(v);
            std::memcpy(p, &h, 2);
        } else if constexpr (bytes == 3) {
            p[0] = static_cast<std::uint8_t>(v);
            p[1] = static_cast<std::uint8_t>(v >> 8);
            p[2] = static_cast<std::uint8_t>(v >> 16);
        } else {
            std::memcpy(p, &v, 4);
        }
    }
    static std::uint32_t to_argb(std::uint32_t raw) {
        std::uint32_t alpha = 255;
        if constexpr (S.a != 0) alpha = get<S.a>(raw);
        if constexpr (luminance) {
            std::uint32_t l = get<S.r>(raw);
            return alpha << 24 | l << 16 | l << 8 | l;
        } else {
            return alpha << 24 | get<S.r>(raw) << 16 | get<S.g>(raw) << 8 | get<S.b>(raw);
        }
    }
    static std::uint32_t from_argb(std::uint32_t argb) {
        std::uint32_t R = argb >> 16 & 0xFF, G = argb >> 8 & 0xFF, B = argb & 0xFF;
        std::uint32_t v = 0;
        if constexpr (S.a != 0) v = put<S.a>(argb >> 24);
        if constexpr (luminance)
            return v | put<S.r>((77 * R + 150 * G + 29 * B) >> 8);
        else
            return v | put<S.r>(R) | put<S.g>(G) | put<S.b>(B);
    }
    static void write_argb(std::uint8_t* p, std::uint32_t argb) { write(p, from_argb(argb)); }
};

template <int Bytes> void copy_row(std::uint8_t* dst, const std::uint8_t* src, std::int32_t n) {
    std::memcpy(dst, src, static_cast<std::size_t>(n) * Bytes);
}

template <Format From, Format To>
void convert_row(std::uint8_t* dst, const std::uint8_t* src, std::int32_t n) {
    using S = Pixel<From>;
    using D = Pixel<To>;
    for (std::int32_t x = 0; x < n; ++x)
        D::write(dst + x * D::bytes, D::from_argb(S::to_argb(S::read(src + x * S::bytes))));
}

// n 32-bit pixels with their top byte cleared.
void clear_top_portable(std::uint8_t* dst, const std::uint8_t* src, std::int32_t n) {
    for (std::int32_t x = 0; x < n; ++x) {
        std::uint32_t v;
        std::memcpy(&v, src + 4 * x, 4);
        v &= 0xFFFFFFu;
        std::memcpy(dst + 4 * x, &v, 4);
    }
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
// Whole frames go through here: 32 bytes a step where the processor has the
// registers (one store a cycle makes the store count the limit).
__attribute__((target("avx2"))) void clear_top_wide(std::uint8_t* dst, const std::uint8_t* src,
                                                    std::int32_t n) {
    const __m256i mask = _mm256_set1_epi32(0xFFFFFF);
    // Loads that cross no cache line: single pixels up to a 32-byte boundary.
    std::int32_t x =
        static_cast<std::int32_t>(((32 - reinterpret_cast<std::uintptr_t>(src) % 32) % 32) / 4);
    if ((reinterpret_cast<std::uintptr_t>(src) & 3) != 0 || x > n) x = 0;
    clear_top_portable(dst, src, x);
    for (; x + 16 <= n; x += 16) {
        __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + 4 * x));
        __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + 4 * x + 32));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 4 * x), _mm256_and_si256(a, mask));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 4 * x + 32),
                            _mm256_and_si256(b, mask));
    }
    for (; x + 8 <= n; x += 8) {
        __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + 4 * x));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 4 * x), _mm256_and_si256(v, mask));
    }
    clear_top_portable(dst + 4 * x, src + 4 * x, n - x);
}

void clear_top_narrow(std::uint8_t* dst, const std::uint8_t* src, std::int32_t n) {
    const __m128i mask = _mm_set1_epi32(0xFFFFFF);
    std::int32_t x = 0;
    for (; x + 4 <= n; x += 4) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * x), _mm_and_si128(v, mask));
    }
    clear_top_portable(dst + 4 * x, src + 4 * x, n - x);
}

const RowConvert clear_top = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? &clear_top_wide : &clear_top_narrow;
}();
#else
const RowConvert clear_top = &clear_top_portable;
#endif

// Frames hold 0x00RRGGBB: the 32-bit format without alpha, whatever the
// source's unused bits hold (so never a plain copy).
template <Format From> void frame_row(std::uint8_t* dst, const std::uint8_t* src, std::int32_t n) {
    if constexpr (From == Format::xrgb8888 || From == Format::argb8888)
        clear_top(dst, src, n); // the channels are in place already
    else
        convert_row<From, Format::xrgb8888>(dst, src, n);
}

// Stretched or keyed rows: source x of each destination pixel from xs; with
// keyed, source pixels whose raw value lies in [low, high] are skipped.
using MappedRow = void (*)(std::uint8_t* dst, const std::uint8_t* srow, const std::int32_t* xs,
                           std::int32_t n, bool keyed, std::uint32_t low, std::uint32_t high);

template <Format From, Format To>
void mapped_row(std::uint8_t* dst, const std::uint8_t* srow, const std::int32_t* xs, std::int32_t n,
                bool keyed, std::uint32_t low, std::uint32_t high) {
    using S = Pixel<From>;
    using D = Pixel<To>;
    for (std::int32_t x = 0; x < n; ++x, dst += D::bytes) {
        std::uint32_t raw = S::read(srow + xs[x] * S::bytes);
        if (keyed && raw >= low && raw <= high) continue;
        if constexpr (From == To)
            D::write(dst, raw);
        else
            D::write(dst, D::from_argb(S::to_argb(raw)));
    }
}

template <std::size_t I> constexpr RowConvert row_entry() {
    constexpr auto from = static_cast<Format>(I / kFormatCount);
    constexpr auto to = static_cast<Format>(I % kFormatCount);
    if constexpr (from == to)
        return &copy_row<Pixel<from>::bytes>;
    else
        return &convert_row<from, to>;
}

template <std::size_t... I> constexpr auto row_table(std::index_sequence<I...>) {
    return std::array<RowConvert, sizeof...(I)>{row_entry<I>()...};
}
template <std::size_t... I> constexpr auto mapped_table(std::index_sequence<I...>) {
    return std::array<MappedRow, sizeof...(I)>{
        &mapped_row<static_cast<Format>(I / kFormatCount),
                    static_cast<Format>(I % kFormatCount)>...};
}
template <std::size_t... I> constexpr auto frame_table(std::index_sequence<I...>) {
    return std::array<RowConvert, sizeof...(I)>{&frame_row<static_cast<Format>(I)>...};
}
template <std::size_t... I> constexpr auto ops_table(std::index_sequence<I...>) {
    return std::array<PixelOps, sizeof...(I)>{
        PixelOps{&Pixel<static_cast<Format>(I)>::read, &Pixel<static_cast<Format>(I)>::to_argb,
                 &Pixel<static_cast<Format>(I)>::write_argb}...};
}

constexpr auto kRowTable = row_table(std::make_index_sequence<kFormatCount * kFormatCount>{});
constexpr auto kMappedTable = mapped_table(std::make_index_sequence<kFormatCount * kFormatCount>{});
constexpr auto kFrameTable = frame_table(std::make_index_sequence<kFormatCount>{});
constexpr auto kOpsTable = ops_table(std::make_index_sequence<kFormatCount>{});

std::size_t pair_index(const PixelFormat& from, const PixelFormat& to) {
    return static_cast<std::size_t>(from.kind) * kFormatCount + static_cast<std::size_t>(to.kind);
}

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

RowConvert row_converter(const PixelFormat& from, const PixelFormat& to) {
    return kRowTable[pair_index(from, to)];
}

RowConvert frame_converter(const PixelFormat& from) {
    return kFrameTable[static_cast<std::size_t>(from.kind)];
}

const PixelOps& pixel_ops(const PixelFormat& f) {
    return kOpsTable[static_cast<std::size_t>(f.kind)];
}

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
    auto source_row = [&](std::int32_t y) {
        return sr.top +
               static_cast<std::int32_t>((2 * std::int64_t{y} + 1) * sh / (2 * std::int64_t{dh}));
    };
    if (!key && sw == dw) { // whole rows, converted
        RowConvert convert = row_converter(sf, df);
        for (std::int32_t y = 0; y < dh; ++y)
            convert(d.at(dr.left, dr.top + y), s.at(sr.left, source_row(y)), dw);
        return true;
    }
    std::vector<std::int32_t> xs = column_map(sr.left, sw, dw);
    MappedRow row = kMappedTable[pair_index(sf, df)];
    std::uint32_t low = key ? key->dwColorSpaceLowValue : 0;
    std::uint32_t high = key ? key->dwColorSpaceHighValue : 0;
    for (std::int32_t y = 0; y < dh; ++y)
        row(d.at(dr.left, dr.top + y), s.at(0, source_row(y)), xs.data(), dw, key != nullptr, low,
            high);
    return true;
} catch (const std::bad_alloc&) {
    return false;
}

} // namespace kxp::detail
