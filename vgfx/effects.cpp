// Image effects over a rectangle: fade, grey scale, phong map, light and mirror.
#include <cmath>
#include <cstring>
#include <vector>

#include "kernels.h"
#include "kx/kx_vgfx.h"
#include "state.h"

namespace kx::vgfx {
namespace {

// The effect's rectangle (read from the caller's address) within the clip rectangle.
bool effect_rect(const int32_t* rect, Rect& k) {
    if (!rect || !can_draw()) return false;
    int32_t r[4];
    std::memcpy(r, rect, sizeof r);
    k = Rect{r[0], r[1], r[2], r[3]}.meet(g.clip);
    return !k.empty();
}

template <int F> struct FadeRow {
    static void run(u8* d, i32 n, u32 level) {
        using P = Px<F>;
        for (i32 i = 0; i < n; ++i) {
            u8* q = d + i * P::bytes;
            u32 p = P::unpack(P::load(q));
            P::store(q,
                     P::pack(per_channel(p, 0, [level](u32 x, u32) { return div255(x * level); })));
        }
    }
};

template <int F> struct GreyRow {
    static void run(u8* d, i32 n) {
        using P = Px<F>;
        for (i32 i = 0; i < n; ++i) {
            u8* q = d + i * P::bytes;
            P::store(q, P::pack(brightness(P::unpack(P::load(q))) * 0x010101u));
        }
    }
};

// The lit colour at distance d: round(colour x max(0, 1 - d / radius)) per channel.
struct Spot {
    double cx, cy, radius;
    u32 colour;
    u32 lit(double x, double y) const {
        if (radius < 1) return 0;
        double f = 1.0 - std::sqrt((x - cx) * (x - cx) + (y - cy) * (y - cy)) / radius;
        if (f <= 0) return 0;
        return per_channel(colour, 0, [f](u32 c, u32) { return static_cast<u32>(c * f + 0.5); });
    }
};

template <int F> struct SpotRow {
    // Row y, pixels x0 .. x0 + n - 1: add the lit colour or multiply by it.
    static void run(u8* d, i32 n, i64 x0, i64 y, const Spot& s, bool add) {
        using P = Px<F>;
        for (i32 i = 0; i < n; ++i) {
            u8* q = d + i * P::bytes;
            u32 p = P::unpack(P::load(q));
            u32 lit = s.lit(double(x0 + i), double(y));
            P::store(q, P::pack(add ? add_sat(p, lit) : multiply(p, lit)));
        }
    }
};

template <int F> struct MirrorRow {
    static void run(u8* d, i32 n) {
        using P = Px<F>;
        for (i32 i = 0, j = n - 1; i < j; ++i, --j) {
            u32 a = P::load(d + i * P::bytes), b = P::load(d + j * P::bytes);
            P::store(d + i * P::bytes, b);
            P::store(d + j * P::bytes, a);
        }
    }
};

constexpr auto kFade = format_table<FadeRow>();
constexpr auto kGrey = format_table<GreyRow>();
constexpr auto kSpot = format_table<SpotRow>();
constexpr auto kMirror = format_table<MirrorRow>();

void spot(const int32_t* rect, int32_t x, int32_t y, int32_t radius, uint32_t colour, bool add) {
    Rect k;
    if (!effect_rect(rect, k)) return;
    Spot s{double(x), double(y), double(radius), colour};
    auto row = kSpot[g.dst.fmt];
    for (i64 py = k.t; py < k.b; ++py)
        row(g.dst.at(k.l, py), i32(k.r - k.l), k.l, py, s, add);
}

} // namespace
} // namespace kx::vgfx

using namespace kx::vgfx;

extern "C" {

VGFX_API void VGFX_CALL VGFX_FillRect_Fade(const int32_t* rect, int32_t level) {
    Rect k;
    if (!effect_rect(rect, k)) return;
    auto row = kFade[g.dst.fmt];
    u32 lv = clamp_level(level);
    for (i64 y = k.t; y < k.b; ++y)
        row(g.dst.at(k.l, y), i32(k.r - k.l), lv);
}

VGFX_API void VGFX_CALL VGFX_FillRect_GreyScale(const int32_t* rect) {
    Rect k;
    if (!effect_rect(rect, k)) return;
    auto row = kGrey[g.dst.fmt];
    for (i64 y = k.t; y < k.b; ++y)
        row(g.dst.at(k.l, y), i32(k.r - k.l));
}

VGFX_API void VGFX_CALL VGFX_FillRect_PhongMap(const int32_t* rect, int32_t x, int32_t y,
                                               int32_t radius, uint32_t colour, int32_t mode) {
    spot(rect, x, y, radius, colour, (mode & 1) != 0);
}

VGFX_API void VGFX_CALL VGFX_FillRect_Light(const int32_t* rect, int32_t x, int32_t y,
                                            int32_t radius, uint32_t colour) {
    spot(rect, x, y, radius, colour, true);
}

VGFX_API void VGFX_CALL VGFX_MirrorRect(const int32_t* rect, int32_t horizontal, int32_t vertical) {
    Rect k;
    if (!effect_rect(rect, k)) return;
    i64 w = k.r - k.l;
    if (horizontal) {
        auto row = kMirror[g.dst.fmt];
        for (i64 y = k.t; y < k.b; ++y)
            row(g.dst.at(k.l, y), i32(w));
    }
    if (vertical) {
        auto bytes = static_cast<std::size_t>(w * bytes_of(g.dst.fmt));
        std::vector<u8> tmp(bytes);
        for (i64 a = k.t, b = k.b - 1; a < b; ++a, --b) {
            std::memcpy(tmp.data(), g.dst.at(k.l, a), bytes);
            std::memcpy(g.dst.at(k.l, a), g.dst.at(k.l, b), bytes);
            std::memcpy(g.dst.at(k.l, b), tmp.data(), bytes);
        }
    }
}

} // extern "C"
