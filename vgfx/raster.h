// Triangle rasterisation: exact edge walking with a top-left fill rule, and the
// attribute planes (colours, texture coordinates) evaluated at pixel centres.
#pragma once

#include <cmath>
#include <utility>

#include "kernels.h"
#include "state.h"

namespace kx::vgfx {

using i128 = __int128;

struct Pt {
    i64 x, y;
};

inline void floor_divmod(i128 n, i64 d, i64& q, i64& r) {
    // Corners near the origin (the usual case) need no 128-bit division.
    if (n == static_cast<i64>(n)) {
        i64 nn = static_cast<i64>(n), q64 = nn / d, r64 = nn % d;
        if (r64 < 0) {
            r64 += d;
            --q64;
        }
        q = q64;
        r = r64;
        return;
    }
    i128 qq = n / d, rr = n % d;
    if (rr < 0) {
        rr += d;
        --qq;
    }
    q = static_cast<i64>(qq);
    r = static_cast<i64>(rr);
}

// Walks an edge from a to b (a.y < b.y) down the rows, giving for row y the first
// pixel whose centre (x + 0.5, y + 0.5) lies at or right of the edge:
// ceil(x_edge(y + 0.5) - 0.5), kept exactly as a quotient and a remainder. A pixel
// whose centre lies on an edge thus belongs to the triangle on the edge's right: the
// edge is a left edge there (inclusive) and a right edge for the other (exclusive).
struct EdgeWalk {
    i64 q = 0, r = 0, den = 1, sq = 0, sr = 0;
    void start(Pt a, Pt b, i64 y) {
        i64 dx = b.x - a.x, dy = b.y - a.y;
        den = 2 * dy;
        i128 num = i128(2 * a.x - 1) * dy + i128(2 * (y - a.y) + 1) * dx;
        floor_divmod(num, den, q, r);
        floor_divmod(i128(2) * dx, den, sq, sr);
    }
    i64 first() const { return q + (r > 0); }
    // Without a branch: whether the remainder carries follows the edge's slope, which
    // no predictor follows.
    void step() {
        q += sq;
        r += sr;
        i64 carry = -i64(r >= den);
        r -= den & carry;
        q -= carry;
    }
};

// Calls row(y, x0, x1) for each row of the triangle inside the clip rectangle, with
// the covered pixels x0 .. x1 - 1 (never empty). Rows are sampled at y + 0.5, so with
// integer corners no centre lies on a horizontal edge.
template <class RowFn> void raster_triangle(Pt a, Pt b, Pt c, const Rect& clip, RowFn&& row) {
    if (b.y < a.y) std::swap(a, b);
    if (c.y < a.y) std::swap(a, c);
    if (c.y < b.y) std::swap(b, c);
    i128 area = i128(b.x - a.x) * (c.y - a.y) - i128(c.x - a.x) * (b.y - a.y);
    if (area == 0) return;
    i64 y0 = std::max(a.y, clip.t), y1 = std::min(c.y, clip.b);
    if (y0 >= y1) return;
    EdgeWalk along, side;
    along.start(a, c, y0);
    bool upper = y0 < b.y;
    if (upper)
        side.start(a, b, y0);
    else
        side.start(b, c, y0);
    for (i64 y = y0; y < y1; ++y) {
        if (upper && y == b.y) {
            side.start(b, c, y);
            upper = false;
        }
        i64 x0 = along.first(), x1 = side.first();
        if (x1 < x0) std::swap(x0, x1);
        x0 = std::max(x0, clip.l);
        x1 = std::min(x1, clip.r);
        if (x0 < x1) row(y, x0, x1);
        along.step();
        side.step();
    }
}

// One row of a triangle: pixels x0 .. x1 - 1 of row y.
struct Row {
    i64 y, x0, x1;
};

// A quantity interpolated linearly over a triangle: value(x, y) = v0 + ax (x - x0) +
// ay (y - y0).
struct Plane {
    double x0 = 0, y0 = 0, v0 = 0, ax = 0, ay = 0;
    double at(double x, double y) const { return v0 + ax * (x - x0) + ay * (y - y0); }
};

inline Plane make_plane(const Pt v[3], double a0, double a1, double a2) {
    double dx1 = double(v[1].x - v[0].x), dy1 = double(v[1].y - v[0].y);
    double dx2 = double(v[2].x - v[0].x), dy2 = double(v[2].y - v[0].y);
    double d = dx1 * dy2 - dx2 * dy1;
    Plane p;
    p.x0 = double(v[0].x);
    p.y0 = double(v[0].y);
    p.v0 = a0;
    if (d != 0) {
        p.ax = ((a1 - a0) * dy2 - (a2 - a0) * dy1) / d;
        p.ay = ((a2 - a0) * dx1 - (a1 - a0) * dx2) / d;
    }
    return p;
}

// The four channels (a, r, g, b) of three corner colours.
struct ColourPlanes {
    Plane ch[4];
    ColourPlanes(const Pt v[3], const u32 c[3]) {
        for (int k = 0; k < 4; ++k) {
            int s = 24 - 8 * k;
            ch[k] = make_plane(v, chan(c[0], s), chan(c[1], s), chan(c[2], s));
        }
    }
    // The ramp over pixels x0 .. x1 - 1 of row y: exact values at both ends.
    ColourRamp ramp(i64 y, i64 x0, i64 x1) const {
        ColourRamp r;
        i64 n = x1 - x0;
        double yc = double(y) + 0.5;
        for (int k = 0; k < 4; ++k) {
            // floor((v + 0.5) * 65536) clamped to 0 .. 256 * 65536 - 1; truncation is the
            // floor above 0, and no library call.
            auto fix = [](double v) {
                constexpr i32 top = 256 * 65536 - 1;
                double m = (v + 0.5) * 65536.0;
                return m <= 0 ? 0 : m >= top ? top : static_cast<i32>(m);
            };
            i32 a = fix(ch[k].at(double(x0) + 0.5, yc));
            i32 b = fix(ch[k].at(double(x1) - 0.5, yc));
            r.c[k] = a;
            r.d[k] = n > 1 ? static_cast<i32>((i64(b) - a) / (n - 1)) : 0;
        }
        return r;
    }
};

// Where a row starts in the texture and its step a pixel, in 32.32 fixed point.
struct TexStep {
    i64 U, V, dU, dV;
};

// Texture coordinates of a triangle. A corner's texture coordinate t names the
// texel whose centre (t + 0.5) maps to the corner; samples are taken at pixel
// centres and the texel is the floor, clamped to the texels the corners name (and
// to the source size when known), so no sample leaves them.
//
// Rows start from one reference point (a corner pulled into the drawn rows), with
// the gradients per pixel across and down in 32.32 fixed point: a row costs a few
// multiply-adds, and a pixel one add per coordinate. The reference is the plane's
// value rounded to 32.32, so gradients that are whole multiples of 2^-32 (mirrors,
// quarter turns, whole and halved scales) give every sample exactly. Where the
// plane is too steep or too far out for 64 bits (|value| of 2^30 texels or more
// over the drawn rows), each row is evaluated on its own instead, with its ends
// clamped and the step between them.
struct TexPlanes {
    Plane u, v;
    i64 ulo = 0, uhi = 0, vlo = 0, vhi = 0; // 32.32 fixed point bounds: whole texels lo .. hi
    bool stepped = false;
    bool corners_inside = false; // the corners name texels of the source, none clamped
    // Every row is inside the bounds: the corners name texels of the source, none clamped,
    // and the rows are stepped over a clip rectangle under 2^24 pixels across and down.
    // A row's pixel centres lie in the triangle, where the coordinates lie between the
    // corners' t + 0.5, half a texel inside the bounds, and the stepping drifts from the
    // plane by at most 2^-33 texel a pixel from the reference: under 2^-9 texel here.
    bool all_inside = false;
    i64 xr = 0, yr = 0, Ur = 0, Vr = 0, dUx = 0, dUy = 0, dVx = 0, dVy = 0;

    TexPlanes() = default;
    TexPlanes(const Pt p[3], const i32 tx[3], const i32 ty[3], i64 w, i64 h) {
        u = make_plane(p, tx[0] + 0.5, tx[1] + 0.5, tx[2] + 0.5);
        v = make_plane(p, ty[0] + 0.5, ty[1] + 0.5, ty[2] + 0.5);
        const bool u_in =
            bounds(std::min({tx[0], tx[1], tx[2]}), std::max({tx[0], tx[1], tx[2]}), w, ulo, uhi);
        const bool v_in =
            bounds(std::min({ty[0], ty[1], ty[2]}), std::max({ty[0], ty[1], ty[2]}), h, vlo, vhi);
        corners_inside = u_in && v_in;
    }
    // Whether lo .. hi needed no clamping.
    static bool bounds(i64 lo, i64 hi, i64 size, i64& flo, i64& fhi) {
        const i64 top = size > 0 ? size - 1 : (i64(1) << 30);
        const bool inside = lo >= 0 && hi <= top;
        lo = std::clamp<i64>(lo, 0, top);
        hi = std::clamp<i64>(hi, 0, top);
        flo = lo << 32;
        fhi = ((hi + 1) << 32) - 1;
        return inside;
    }
    // t * 2^32 rounded to nearest, halves away from zero; |t| < 2^31.
    static i64 round32(double t) {
        double x = t * 4294967296.0;   // exact; |x| < 2^63
        i64 r = static_cast<i64>(x);   // toward zero
        double f = x - double(r);      // the fraction, exact
        r += (f >= 0.5) - (f <= -0.5); // halves away from zero
        return r;
    }
    // t in 32.32 fixed point, rounded, clamped to lo .. hi. Beyond +-2^31 the value is
    // taken as lo (bounds never go below 0).
    static i64 fix(double t, i64 lo, i64 hi) {
        constexpr double lim = double(i64(1) << 31);
        if (!(t > -lim && t < lim)) return lo;
        return std::clamp(round32(t), lo, hi);
    }
    // Sets up the stepping over the rows top .. bottom - 1 inside clip, when 64 bits
    // hold every value on them.
    void prepare(const Pt& corner, const Rect& clip, i64 top, i64 bottom) {
        xr = std::clamp(corner.x, clip.l, clip.r);
        yr = std::clamp(corner.y, top, bottom);
        const double xc = double(xr) + 0.5, yc = double(yr) + 0.5;
        const double w = double(clip.r - clip.l), h = double(bottom - top);
        const double ur = u.at(xc, yc), vr = v.at(xc, yc);
        constexpr double lim = double(i64(1) << 30);
        auto small = [&](double at, const Plane& p) {
            return std::fabs(at) + (std::fabs(p.ax) + std::fabs(p.ay)) * 2 * (w + h) < lim;
        };
        stepped = small(ur, u) && small(vr, v);
        if (!stepped) return;
        all_inside = corners_inside && w + h < double(1 << 24);
        Ur = round32(ur);
        Vr = round32(vr);
        dUx = round32(u.ax);
        dUy = round32(u.ay);
        dVx = round32(v.ax);
        dVy = round32(v.ay);
    }
    // Start and step over the pixels of a row.
    [[gnu::always_inline]] TexStep row(const Row& r) const {
        if (!stepped) return span(r);
        const i64 dx = r.x0 - xr, dy = r.y - yr;
        return {Ur + dUx * dx + dUy * dy, Vr + dVx * dx + dVy * dy, dUx, dVx};
    }
    // Whether every sample of a row of n pixels lies inside the bounds (the ends do,
    // as the coordinates are linear along the row).
    [[gnu::always_inline]] bool inside(const TexStep& s, i64 n) const {
        if (all_inside) return true;
        const i64 U1 = s.U + s.dU * (n - 1), V1 = s.V + s.dV * (n - 1);
        return std::min(s.U, U1) >= ulo && std::max(s.U, U1) <= uhi && std::min(s.V, V1) >= vlo &&
               std::max(s.V, V1) <= vhi;
    }
    // A row evaluated on its own: both ends clamped, the step between them.
    TexStep span(const Row& r) const {
        double yc = double(r.y) + 0.5;
        double xa = double(r.x0) + 0.5, xb = double(r.x1) - 0.5;
        i64 n = r.x1 - r.x0;
        TexStep s;
        s.U = fix(u.at(xa, yc), ulo, uhi);
        s.V = fix(v.at(xa, yc), vlo, vhi);
        i64 U1 = fix(u.at(xb, yc), ulo, uhi);
        i64 V1 = fix(v.at(xb, yc), vlo, vhi);
        s.dU = n > 1 ? (U1 - s.U) / (n - 1) : 0;
        s.dV = n > 1 ? (V1 - s.V) / (n - 1) : 0;
        return s;
    }
    // The texel bounds for clamping each sample.
    TexClamp clamp() const { return {ulo >> 32, uhi >> 32, vlo >> 32, vhi >> 32}; }
};

// Rows of textured pixels are built in chunks of this many.
constexpr i32 kChunk = 256;

} // namespace kx::vgfx
