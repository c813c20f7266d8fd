// Boxes, shade boxes, circles, ellipses, lines, span shapes and strips.
#include <cmath>
#include <cstring>

#include "kernels.h"
#include "kx/kx_vgfx.h"
#include "raster.h"
#include "state.h"

namespace kx::vgfx {
namespace {

// Pixels x0 .. x1 - 1 of row y in a shape blend, clipped.
void hspan(FlatSpanFn fn, i64 y, i64 x0, i64 x1, u32 colour) {
    const Rect& c = g.clip;
    if (y < c.t || y >= c.b) return;
    x0 = std::max(x0, c.l);
    x1 = std::min(x1, c.r);
    if (x0 < x1) fn(g.dst.at(x0, y), i32(x1 - x0), colour);
}

// Pixels y0 .. y1 - 1 of column x in a shape blend, clipped.
void vspan(ColumnSpanFn fn, i64 x, i64 y0, i64 y1, u32 colour) {
    const Rect& c = g.clip;
    if (x < c.l || x >= c.r) return;
    y0 = std::max(y0, c.t);
    y1 = std::min(y1, c.b);
    if (y0 < y1) fn(g.dst.at(x, y0), g.dst.pitch, i32(y1 - y0), colour);
}

void box(i64 x1, i64 y1, i64 x2, i64 y2, u32 colour, i32 mode) {
    if (!can_draw()) return;
    i64 l = std::min(x1, x2), r = std::max(x1, x2), t = std::min(y1, y2), b = std::max(y1, y2);
    if (l == r || t == b) return;
    int f = g.dst.fmt, blend = shape_blend_of(mode);
    FlatSpanFn row = kFlatSpan[f][blend];
    if (mode & 3) {
        Rect k = Rect{l, t, r, b}.meet(g.clip);
        if (k.empty()) return;
        u8* p = g.dst.at(k.l, k.t);
        for (i64 y = k.t; y < k.b; ++y, p += g.dst.pitch)
            row(p, i32(k.r - k.l), colour);
        return;
    }
    // Outline: the top and bottom rows, then the columns between them.
    hspan(row, t, l, r, colour);
    if (b - t > 1) hspan(row, b - 1, l, r, colour);
    ColumnSpanFn col = kColumnSpan[f][blend];
    vspan(col, l, t + 1, b - 1, colour);
    if (r - l > 1) vspan(col, r - 1, t + 1, b - 1, colour);
}

// ---- Circles and ellipses ---------------------------------------------------------------

std::uint64_t isqrt(std::uint64_t v) {
    auto s = static_cast<std::uint64_t>(std::sqrt(static_cast<double>(v)));
    while (s > 0 && s * s > v)
        --s;
    while ((s + 1) * (s + 1) <= v)
        ++s;
    return s;
}

void filled_circle(i64 cx, i64 cy, i64 r, u32 colour, i32 mode) {
    FlatSpanFn row = kFlatSpan[g.dst.fmt][shape_blend_of(mode)];
    i64 y0 = std::max(cy - r, g.clip.t), y1 = std::min(cy + r + 1, g.clip.b);
    for (i64 y = y0; y < y1; ++y) {
        i64 dy = y - cy;
        i64 h = static_cast<i64>(isqrt(std::uint64_t(r * r - dy * dy)));
        hspan(row, y, cx - h, cx + h + 1, colour);
    }
}

// Largest h with h^2 ry^2 <= rx^2 (ry^2 - dy^2), the half width of a filled ellipse.
i64 ellipse_half_width(i64 rx, i64 ry, i64 dy) {
    if (ry == 0) return rx;
    i128 lim = i128(rx) * rx * (i128(ry) * ry - i128(dy) * dy);
    i128 ry2 = i128(ry) * ry;
    auto h = static_cast<i64>(double(rx) *
                              std::sqrt(std::max(0.0, 1.0 - double(dy) * dy / (double(ry) * ry))));
    while (h > 0 && i128(h) * h * ry2 > lim)
        --h;
    while (i128(h + 1) * (h + 1) * ry2 <= lim)
        ++h;
    return h;
}

void filled_ellipse(i64 cx, i64 cy, i64 rx, i64 ry, u32 colour, i32 mode) {
    FlatSpanFn row = kFlatSpan[g.dst.fmt][shape_blend_of(mode)];
    i64 y0 = std::max(cy - ry, g.clip.t), y1 = std::min(cy + ry + 1, g.clip.b);
    for (i64 y = y0; y < y1; ++y) {
        i64 h = ellipse_half_width(rx, ry, y - cy);
        hspan(row, y, cx - h, cx + h + 1, colour);
    }
}

template <int F, int B> struct Outline {
    u32 colour;
    i64 cx, cy;
    void at(i64 x, i64 y) const {
        x += cx;
        y += cy;
        if (g.clip.contains(x, y)) plot<F, B>(g.dst.at(x, y), colour);
    }
    // The four mirror images of (x, y), each pixel once.
    void four(i64 x, i64 y) const {
        at(x, y);
        if (x != 0) at(-x, y);
        if (y != 0) at(x, -y);
        if (x != 0 && y != 0) at(-x, -y);
    }
};

// Largest s with s * s <= v.
std::uint64_t isqrt_wide(std::uint64_t v) {
    auto s = static_cast<std::uint64_t>(std::sqrt(static_cast<double>(v)));
    while (s > 0 && static_cast<unsigned __int128>(s) * s > v)
        --s;
    while (static_cast<unsigned __int128>(s + 1) * (s + 1) <= v)
        ++s;
    return s;
}

// The midpoint ring of radius r, each pixel once. The ring is eight mirror
// images of one octant, in which the midpoint method steps y by one and keeps x
// while (y + 1)^2 + x (x - 1) < r^2: so x at row y is the largest x with
// x (x - 1) < r^2 - y^2, which gives any row's x at once. Each mirror image is
// drawn only over the rows that the clip rectangle lets through, so a ring that
// is mostly clipped costs what its visible part does.
template <int F, int B> struct CircleOutline {
    static i64 x_at(i64 r, i64 y) { // x (x - 1) <= n  <=>  (2x - 1)^2 <= 4n + 1
        i128 n = i128(r) * r - i128(y) * y - 1;
        return n < 0 ? 0 : i64((isqrt_wide(std::uint64_t(4 * n + 1)) + 1) / 2);
    }
    // First y in [lo, hi] (hi + 1 when none) where pred turns true; pred is
    // monotone (false, then true).
    template <class P> static i64 first(i64 lo, i64 hi, P pred) {
        ++hi;
        while (lo < hi) {
            i64 mid = lo + (hi - lo) / 2;
            if (pred(mid))
                hi = mid;
            else
                lo = mid + 1;
        }
        return lo;
    }
    static void run(i64 cx, i64 cy, i64 r, i64 unused, u32 colour) {
        (void)unused;
        Outline<F, B> o{colour, cx, cy};
        if (r == 0) {
            o.at(0, 0);
            return;
        }
        // The octant runs from y = 0 while x >= y.
        const i64 last = first(0, r, [&](i64 y) { return x_at(r, y) < y; }) - 1;
        const Rect& c = g.clip;
        for (int image = 0; image < 8; ++image) {
            const bool swap = image & 4;
            const i64 sx = (image & 1) ? -1 : 1, sy = (image & 2) ? -1 : 1;
            // Offsets from the centre allowed by the clip rectangle, as ranges of
            // the along (y) and across (x at y) values of the octant.
            auto range = [](i64 centre, i64 sign, i64 lo, i64 hi, i64& from, i64& to) {
                from = sign > 0 ? lo - centre : centre - (hi - 1);
                to = sign > 0 ? hi - 1 - centre : centre - lo;
            };
            i64 ax, bx, ay, by; // offsets in x and in y on the surface
            range(cx, sx, c.l, c.r, ax, bx);
            range(cy, sy, c.t, c.b, ay, by);
            // y is the surface's y offset unless swapped; x at y the other one.
            i64 y_lo = swap ? ax : ay, y_hi = swap ? bx : by;
            i64 x_lo = swap ? ay : ax, x_hi = swap ? by : bx;
            i64 y0 = std::max<i64>(y_lo, 0), y1 = std::min(y_hi, last);
            if (y0 > y1) continue;
            // x at y falls as y grows: keep the rows where it lies in [x_lo, x_hi].
            y0 = std::max(y0, first(y0, y1, [&](i64 y) { return x_at(r, y) <= x_hi; }));
            y1 = std::min(y1, first(y0, y1, [&](i64 y) { return x_at(r, y) < x_lo; }) - 1);
            if (y0 > y1) continue;
            i64 x = x_at(r, y0);
            i64 err = i64(i128(y0 + 1) * (y0 + 1) + i128(x) * (x - 1) - i128(r) * r);
            for (i64 y = y0; y <= y1; ++y) {
                // Each pixel once: mirror images of points on an axis or on the
                // diagonal are left out.
                bool skip = swap ? (x == y || (sx < 0 && y == 0) || (sy < 0 && x == 0))
                                 : ((sx < 0 && x == 0) || (sy < 0 && y == 0));
                if (!skip) o.at(swap ? sx * y : sx * x, swap ? sy * x : sy * y);
                if (err < 0) {
                    err += 2 * (y + 1) + 1;
                } else {
                    --x;
                    err += 2 * (y + 1 - x) + 1;
                }
            }
        }
    }
};

// The midpoint ellipse with radii a (x) and b (y), both at least 1, each pixel once.
// Decision values are kept times four so that they stay integers.
//
// A large ellipse that the clip rectangle cuts is drawn from closed forms of the
// same walk instead, so that it costs what the clip rectangle lets through, not
// what its radii are. Walking the quadrant from (0, b) to (a, 0):
// - in region 1 (b^2 x < a^2 y) x steps by one and y at x is the largest y with
//   a^2 (2y - 1)^2 < 4 b^2 (a^2 - x^2), except that y falls by at most one per
//   step, which matters only on the step that leaves the region;
// - in region 2 y steps by one and x at y (below the region's first row) is the
//   smallest x, at least the region's first x, with b^2 (2x + 1)^2 > 4 a^2 (b^2 - y^2).
// Both give the walk's pixels exactly (checked against the walk for every pair of
// radii up to 90 and random pairs up to 8,000).
template <int F, int B> struct EllipseOutline {
    static void walk(const Outline<F, B>& o, i64 a, i64 b) {
        const i128 a2 = i128(a) * a, b2 = i128(b) * b;
        i64 x = 0, y = b;
        // Region 1: x steps each time, while the slope is below 1 (b2 x < a2 y).
        i128 p = 4 * b2 - 4 * a2 * b + a2;
        while (b2 * x < a2 * y) {
            o.four(x, y);
            if (p < 0) {
                p += 4 * b2 * (2 * x + 3);
            } else {
                p += 4 * b2 * (2 * x + 3) - 8 * a2 * (y - 1);
                --y;
            }
            ++x;
        }
        // Region 2: y steps each time.
        i128 q = b2 * (2 * i128(x) + 1) * (2 * i128(x) + 1) + 4 * a2 * (i128(y) - 1) * (y - 1) -
                 4 * a2 * b2;
        while (y >= 0) {
            o.four(x, y);
            if (q > 0) {
                q -= 4 * a2 * (2 * i128(y) - 3);
            } else {
                q += b2 * (8 * i128(x) + 8) - 4 * a2 * (2 * i128(y) - 3);
                ++x;
            }
            --y;
        }
    }

    // Largest y in [0, b] with a^2 (2y - 1)^2 < 4 b^2 (a^2 - x^2) (0 when none).
    static i64 y_at(i64 a, i64 b, i64 x) {
        const i128 a2 = i128(a) * a, n = 4 * i128(b) * b * (a2 - i128(x) * x);
        auto inside = [&](i64 y) { return a2 * (2 * i128(y) - 1) * (2 * i128(y) - 1) < n; };
        long double r = n > 0 ? std::sqrt(static_cast<long double>(n)) / a : 0;
        i64 y = std::clamp<i64>(static_cast<i64>((r + 1) / 2), 0, b);
        while (y < b && inside(y + 1))
            ++y;
        while (y > 0 && !inside(y))
            --y;
        return y;
    }
    // Smallest x in [0, a + 1] with b^2 (2x + 1)^2 > 4 a^2 (b^2 - y^2).
    static i64 x_at(i64 a, i64 b, i64 y) {
        const i128 b2 = i128(b) * b, n = 4 * i128(a) * a * (b2 - i128(y) * y);
        auto outside = [&](i64 x) { return b2 * (2 * i128(x) + 1) * (2 * i128(x) + 1) > n; };
        long double r = n > 0 ? std::sqrt(static_cast<long double>(n)) / b : 0;
        i64 x = std::clamp<i64>(static_cast<i64>((r - 1) / 2), 0, a + 1);
        while (x > 0 && outside(x - 1))
            --x;
        while (x < a + 1 && !outside(x))
            ++x;
        return x;
    }
    // y of the walk at x within region 1, and on the step that leaves it.
    static i64 y_walk(i64 a, i64 b, i64 x) {
        return x == 0 ? b : std::max(y_at(a, b, x), y_at(a, b, x - 1) - 1);
    }

    // Calls f(v) for each v in [0, last] that lies in [lo1, hi1] or [lo2, hi2], once each.
    template <class Fn> static void each(i64 last, i64 lo1, i64 hi1, i64 lo2, i64 hi2, Fn f) {
        lo1 = std::max<i64>(lo1, 0), hi1 = std::min(hi1, last);
        lo2 = std::max<i64>(lo2, 0), hi2 = std::min(hi2, last);
        if (lo2 < lo1) {
            std::swap(lo1, lo2);
            std::swap(hi1, hi2);
        }
        if (lo1 <= hi1 && lo2 <= hi1 + 1) { // the two overlap or touch
            hi1 = std::max(hi1, hi2);
            lo2 = 1, hi2 = 0;
        }
        for (i64 v = lo1; v <= hi1; ++v)
            f(v);
        for (i64 v = lo2; v <= hi2; ++v)
            f(v);
    }

    static void clipped(const Outline<F, B>& o, i64 a, i64 b) {
        const Rect& c = g.clip;
        const i128 a2 = i128(a) * a, b2 = i128(b) * b;
        // Region 1 ends at the first x where b^2 x >= a^2 y (the walk's y).
        i64 lo = 0, hi = a + 1;
        while (lo < hi) {
            i64 mid = lo + (hi - lo) / 2;
            if (b2 * mid >= a2 * y_walk(a, b, mid))
                hi = mid;
            else
                lo = mid + 1;
        }
        const i64 x_end = lo, y_first = y_walk(a, b, x_end);
        // Columns and rows of the quadrant whose mirror images the clip lets through.
        each(x_end - 1, c.l - o.cx, c.r - 1 - o.cx, o.cx - c.r + 1, o.cx - c.l,
             [&](i64 x) { o.four(x, y_at(a, b, x)); });
        each(y_first, c.t - o.cy, c.b - 1 - o.cy, o.cy - c.b + 1, o.cy - c.t,
             [&](i64 y) { o.four(y == y_first ? x_end : std::max(x_end, x_at(a, b, y)), y); });
    }

    static void run(i64 cx, i64 cy, i64 a, i64 b, u32 colour) {
        Outline<F, B> o{colour, cx, cy};
        // The walk costs a + b steps, the closed forms a few multiplications for each
        // column and row of the clip rectangle.
        const Rect& c = g.clip;
        if (a + b <= 4 * ((c.r - c.l) + (c.b - c.t)))
            walk(o, a, b);
        else
            clipped(o, a, b);
    }
};

using OutlineFn = void (*)(i64, i64, i64, i64, u32);
constexpr auto kCircleOutline = table<CircleOutline, kShapeBlends>();
constexpr auto kEllipseOutline = table<EllipseOutline, kShapeBlends>();

// Whether the square or rectangle (cx +- rx, cy +- ry) misses the clip rectangle.
bool misses_clip(i64 cx, i64 cy, i64 rx, i64 ry) {
    return Rect{cx - rx, cy - ry, cx + rx + 1, cy + ry + 1}.meet(g.clip).empty();
}

void ellipse(i64 cx, i64 cy, i64 rx, i64 ry, u32 colour, i32 mode) {
    if (!can_draw() || rx < 0 || ry < 0 || misses_clip(cx, cy, rx, ry)) return;
    int f = g.dst.fmt, blend = shape_blend_of(mode);
    if (rx == 0 || ry == 0) {
        // A line: both outline and filled.
        if (rx == 0)
            vspan(kColumnSpan[f][blend], cx, cy - ry, cy + ry + 1, colour);
        else
            hspan(kFlatSpan[f][blend], cy, cx - rx, cx + rx + 1, colour);
        return;
    }
    if (mode & 3)
        filled_ellipse(cx, cy, rx, ry, colour, mode);
    else
        kEllipseOutline[f][blend](cx, cy, rx, ry, colour);
}

// ---- Lines --------------------------------------------------------------------------------

template <int F, int B> struct LineSteps {
    // count pixels from p; err < mod is the running remainder, inc its step.
    static void run(u8* p, i64 major, i64 minor, i64 count, i64 err, i64 inc, i64 mod, u32 colour) {
        for (i64 k = 0; k < count; ++k) {
            plot<F, B>(p, colour);
            p += major;
            err += inc;
            if (err >= mod) {
                err -= mod;
                p += minor;
            }
        }
    }
};
constexpr auto kLineSteps = table<LineSteps, kShapeBlends>();

// The same pixels with the minor offset in 32.32 fixed point: Y starts at or just above
// the exact offset and steps by m / n rounded up. The excess stays below 1 / 2n, the
// least distance of an exact offset from the next integer, as long as
// 2n (count + 1) <= 2^32, so every floor is the exact one; the loop carries no
// dependency but Y.
template <int F, int B> struct LineFixed {
    static void run(u8* p, i64 major, i64 minor, i64 count, std::uint64_t Y, std::uint64_t step,
                    u32 colour) {
        for (i64 k = 0; k < count; ++k) {
            plot<F, B>(p + k * major + static_cast<i64>(Y >> 32) * minor, colour);
            Y += step;
        }
    }
};
constexpr auto kLineFixed = table<LineFixed, kShapeBlends>();

template <class W> i64 ceil_div(W n, W d) { // d > 0
    W q = n / d;
    if (n % d != 0 && n > 0) ++q;
    return static_cast<i64>(q);
}

// The range [ilo, ihi] of steps whose minor offset floor((2 i m + n) / 2n) lies in
// [klo, khi] (m > 0), narrowed from the given one; W wide enough for 2 n k.
template <class W> void minor_range(i64 n, i64 m, i64 klo, i64 khi, i64& ilo, i64& ihi) {
    if (klo > 0) ilo = std::max(ilo, ceil_div<W>(W(2) * n * klo - n, W(2) * m));
    ihi = std::min(ihi, ceil_div<W>(W(2) * n * (W(khi) + 1) - n, W(2) * m) - 1);
}

// Pixels of the line from (x1, y1) to (x2, y2), both ends included. Along the major
// axis the i-th pixel (i = 0 .. n) is offset on the minor axis by
// floor((2 i m + n) / 2n) = i m / n rounded half up, where n and m are the lengths
// along the two axes; ends are ordered first so the pixels do not depend on which
// end is given first. Clipping picks the range of i that lies inside, exactly.
void line(i64 x1, i64 y1, i64 x2, i64 y2, u32 colour, i32 mode) {
    // Below this, products of two lengths fit in 64 bits.
    constexpr i64 kSmall = i64(1) << 29;
    if (!can_draw()) return;
    const Rect& c = g.clip;
    bool xmajor = std::abs(x2 - x1) >= std::abs(y2 - y1);
    if (xmajor ? x1 > x2 : y1 > y2) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    // a: major axis, b: minor axis.
    i64 a1 = xmajor ? x1 : y1, b1 = xmajor ? y1 : x1;
    i64 n = xmajor ? x2 - x1 : y2 - y1;
    i64 db = xmajor ? y2 - y1 : x2 - x1;
    i64 m = std::abs(db), s = db < 0 ? -1 : 1;
    i64 alo = xmajor ? c.l : c.t, ahi = xmajor ? c.r : c.b; // [alo, ahi)
    i64 blo = xmajor ? c.t : c.l, bhi = xmajor ? c.b : c.r;
    i64 ilo = 0, ihi = n, k0 = 0, err = n, mod = 2 * std::max<i64>(n, 1);
    if (!c.contains(x1, y1) || !c.contains(x2, y2)) {
        ilo = std::max<i64>(0, alo - a1);
        ihi = std::min<i64>(n, ahi - 1 - a1);
        // Allowed minor offsets k: b1 + s k in [blo, bhi - 1].
        i64 klo = s > 0 ? blo - b1 : b1 - (bhi - 1);
        i64 khi = s > 0 ? bhi - 1 - b1 : b1 - blo;
        if (khi < 0) return;
        if (m == 0) {
            if (klo > 0) return;
        } else if (n < kSmall && std::abs(klo) < kSmall && khi < kSmall) {
            minor_range<i64>(n, m, klo, khi, ilo, ihi);
        } else {
            minor_range<i128>(n, m, klo, khi, ilo, ihi);
        }
        if (ilo > ihi) return;
        if (n > 0 && n < kSmall) {
            k0 = (2 * ilo * m + n) / mod; // all terms are non-negative
            err = (2 * ilo * m + n) % mod;
        } else if (n > 0) {
            floor_divmod(i128(2) * ilo * m + n, mod, k0, err);
        }
    }
    i64 x = xmajor ? a1 + ilo : b1 + s * k0;
    i64 y = xmajor ? b1 + s * k0 : a1 + ilo;
    i64 px = bytes_of(g.dst.fmt), pitch = g.dst.pitch;
    i64 major = xmajor ? px : pitch, minor = xmajor ? s * pitch : s * px;
    i64 count = ihi - ilo + 1;
    int f = g.dst.fmt, blend = shape_blend_of(mode);
    if (n > 0 && n < (i64(1) << 31) && 2 * n * (count + 1) <= (i64(1) << 32)) {
        auto up = [](std::uint64_t a, std::uint64_t b) { return a / b + (a % b != 0); };
        // An unclipped start is half way (err = n): no division needed.
        std::uint64_t Y =
            err == n ? std::uint64_t(1) << 31 : up(std::uint64_t(err) << 32, std::uint64_t(mod));
        std::uint64_t step =
            m == n ? std::uint64_t(1) << 32 : up(std::uint64_t(m) << 32, std::uint64_t(n));
        kLineFixed[f][blend](g.dst.at(x, y), major, minor, count, Y, step, colour);
        return;
    }
    kLineSteps[f][blend](g.dst.at(x, y), major, minor, count, err, 2 * m, mod, colour);
}

// ---- Strips ---------------------------------------------------------------------------------

// A colour ramp over n pixels from c1 (pixel 0) to c2 (pixel n - 1), started at pixel k.
ColourRamp strip_ramp(u32 c1, u32 c2, i64 n, i64 k) {
    ColourRamp r;
    for (int ch = 1; ch < 4; ++ch) {
        int sh = 24 - 8 * ch;
        i64 a = i64(chan(c1, sh)) * 65536 + 32768, b = i64(chan(c2, sh)) * 65536 + 32768;
        i64 d = n > 1 ? (b - a) / (n - 1) : 0;
        r.c[ch] = i32(a + d * k);
        r.d[ch] = i32(d);
    }
    return r;
}

// Texture positions over n pixels from texel (t1) at pixel 0 to (t2) at pixel n - 1,
// in 32.32 fixed point at texel centres, started at pixel k.
void strip_tex(i64 t1, i64 t2, i64 size, i64 n, i64 k, i64& T, i64& dT) {
    i64 top = size >= 0 ? size - 1 : (i64(1) << 30);
    t1 = std::clamp<i64>(t1, 0, top);
    t2 = std::clamp<i64>(t2, 0, top);
    dT = n > 1 ? ((t2 - t1) << 32) / (n - 1) : 0;
    T = (t1 << 32) + (i64(1) << 31) + dT * k;
}

// Ordered ends and the clipped part [k0, k1) of the pixels 0 .. n - 1 of a strip from
// `from` along an axis clipped to [lo, hi).
bool strip_range(i64 from, i64 to, i64 lo, i64 hi, i64& n, i64& k0, i64& k1) {
    n = to - from + 1;
    k0 = std::max<i64>(0, lo - from);
    k1 = std::min<i64>(n, hi - from);
    return k0 < k1;
}

} // namespace
} // namespace kx::vgfx

using namespace kx::vgfx;

extern "C" {

VGFX_API void VGFX_CALL VGFX_Box(int32_t left, int32_t top, int32_t right, int32_t bottom,
                                 uint32_t colour, int32_t mode) {
    box(left, top, right, bottom, colour, mode);
}

VGFX_API void VGFX_CALL VGFX_ShadeBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t c1,
                                      uint32_t c2, uint32_t c3, uint32_t c4) {
    if (!can_draw()) return;
    i64 l = std::min(x1, x2), r = std::max(x1, x2), t = std::min(y1, y2), b = std::max(y1, y2);
    Rect k = Rect{l, t, r, b}.meet(g.clip);
    if (k.empty()) return;
    i64 w = r - l, h = b - t;
    auto row = kRampSpan[g.dst.fmt][SB_WRITE];
    for (i64 y = k.t; y < k.b; ++y) {
        // The row's end colours on the left and right edges, then the ramp between.
        double v = h > 1 ? double(y - t) / double(h - 1) : 0.0;
        ColourRamp ramp;
        for (int ch = 1; ch < 4; ++ch) {
            int sh = 24 - 8 * ch;
            double left = chan(c1, sh) + (double(chan(c4, sh)) - chan(c1, sh)) * v;
            double right = chan(c2, sh) + (double(chan(c3, sh)) - chan(c2, sh)) * v;
            i64 a = static_cast<i64>(std::floor((left + 0.5) * 65536.0));
            i64 z = static_cast<i64>(std::floor((right + 0.5) * 65536.0));
            i64 d = w > 1 ? (z - a) / (w - 1) : 0;
            ramp.c[ch] = i32(a + d * (k.l - l));
            ramp.d[ch] = i32(d);
        }
        row(g.dst.at(k.l, y), i32(k.r - k.l), ramp);
    }
}

VGFX_API void VGFX_CALL VGFX_Circle(int32_t x, int32_t y, int32_t radius, uint32_t colour,
                                    int32_t mode) {
    if (!can_draw() || radius < 0 || misses_clip(x, y, radius, radius)) return;
    if (mode & 3)
        filled_circle(x, y, radius, colour, mode);
    else
        kCircleOutline[g.dst.fmt][shape_blend_of(mode)](x, y, radius, 0, colour);
}

VGFX_API void VGFX_CALL VGFX_Ellipse(int32_t x, int32_t y, int32_t rx, int32_t ry, uint32_t colour,
                                     int32_t mode) {
    ellipse(x, y, rx, ry, colour, mode);
}

VGFX_API void VGFX_CALL VGFX_WriteLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                                       uint32_t colour, int32_t mode) {
    line(x1, y1, x2, y2, colour, mode);
}

VGFX_API void VGFX_CALL VGFX_WriteDrawModeLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                                               uint32_t colour, int32_t mode) {
    line(x1, y1, x2, y2, colour, mode);
}

VGFX_API void VGFX_CALL VGFX_Draw_Shape_Span_Buffer(const int32_t* spans, int32_t count,
                                                    uint32_t colour, int32_t mode) {
    if (!spans || count <= 0 || !can_draw()) return;
    FlatSpanFn row = kFlatSpan[g.dst.fmt][shape_blend_of(mode)];
    for (int32_t i = 0; i < count; ++i) {
        int32_t s[3];
        std::memcpy(s, spans + 3 * i64(i), sizeof s);
        hspan(row, s[0], s[1], s[2], colour);
    }
}

VGFX_API void VGFX_CALL VGFX_HoriGouraudStrip(int32_t x1, uint32_t c1, int32_t x2, uint32_t c2,
                                              int32_t y) {
    if (!can_draw() || y < g.clip.t || y >= g.clip.b) return;
    if (x1 > x2) {
        std::swap(x1, x2);
        std::swap(c1, c2);
    }
    i64 n, k0, k1;
    if (!strip_range(x1, x2, g.clip.l, g.clip.r, n, k0, k1)) return;
    kRampSpan[g.dst.fmt][SB_WRITE](g.dst.at(x1 + k0, y), i32(k1 - k0), strip_ramp(c1, c2, n, k0));
}

VGFX_API void VGFX_CALL VGFX_VertGouraudStrip(int32_t y1, uint32_t c1, int32_t y2, uint32_t c2,
                                              int32_t x) {
    if (!can_draw() || x < g.clip.l || x >= g.clip.r) return;
    if (y1 > y2) {
        std::swap(y1, y2);
        std::swap(c1, c2);
    }
    i64 n, k0, k1;
    if (!strip_range(y1, y2, g.clip.t, g.clip.b, n, k0, k1)) return;
    kRampColumn[g.dst.fmt](g.dst.at(x, y1 + k0), g.dst.pitch, i32(k1 - k0),
                           strip_ramp(c1, c2, n, k0));
}

VGFX_API void VGFX_CALL VGFX_HoriTextureStrip(int32_t x1, int32_t tx1, int32_t ty1, int32_t x2,
                                              int32_t tx2, int32_t ty2, int32_t y) {
    if (!can_draw() || !can_read_source() || y < g.clip.t || y >= g.clip.b) return;
    if (x1 > x2) {
        std::swap(x1, x2);
        std::swap(tx1, tx2);
        std::swap(ty1, ty2);
    }
    i64 n, k0, k1, U, dU, V, dV;
    if (!strip_range(x1, x2, g.clip.l, g.clip.r, n, k0, k1)) return;
    strip_tex(tx1, tx2, g.src_w, n, k0, U, dU);
    strip_tex(ty1, ty2, g.src_h, n, k0, V, dV);
    kFetch[g.dst.fmt](g.dst.at(x1 + k0, y), g.src.px, g.src.pitch, U, V, dU, dV, i32(k1 - k0));
}

VGFX_API void VGFX_CALL VGFX_VertTextureStrip(int32_t y1, int32_t tx1, int32_t ty1, int32_t y2,
                                              int32_t tx2, int32_t ty2, int32_t x) {
    if (!can_draw() || !can_read_source() || x < g.clip.l || x >= g.clip.r) return;
    if (y1 > y2) {
        std::swap(y1, y2);
        std::swap(tx1, tx2);
        std::swap(ty1, ty2);
    }
    i64 n, k0, k1, U, dU, V, dV;
    if (!strip_range(y1, y2, g.clip.t, g.clip.b, n, k0, k1)) return;
    strip_tex(tx1, tx2, g.src_w, n, k0, U, dU);
    strip_tex(ty1, ty2, g.src_h, n, k0, V, dV);
    kFetchColumn[g.dst.fmt](g.dst.at(x, y1 + k0), g.dst.pitch, g.src.px, g.src.pitch, U, V, dU, dV,
                            i32(k1 - k0));
}

} // extern "C"
