// Drawing primitives on the current surface: dots and pixel reads, boxes,
// circles, ellipses, clipped lines, triangles, quads, strips and span shapes.
// The pixel loops are the raster library's; this file decides whether
// anything is drawn, clips lines, clamps texture coordinates and takes and
// releases the locks.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "graphics/graphics.h"
#include "graphics/raster.h"
#include "kxp/ddraw.h"

namespace kx::graphics {

namespace {

using i64 = std::int64_t;

bool serves(std::int32_t render_to, std::int32_t kinds) {
    return (render_to == 1 || render_to == 2 || render_to == 4) && (render_to & kinds);
}

// A texture image as the raster library's source for the length of a draw:
// locked if it was not, handed over with its size, unlocked again.
class TextureSource {
  public:
    explicit TextureSource(std::int32_t handle) : handle_(handle) {
        const KX_Image* i = image_record(handle);
        if (!i) return;
        if (i->Lock.Locked == 0) locked_here_ = lock(handle) == 1;
        i = image_record(handle);
        if (i->Lock.Locked != 1) return;
        raster_set_source(i->Lock.Pixels, i->Lock.Pitch, i->Lock.Format, i->Size.Width,
                          i->Size.Height);
        ok_ = true;
    }
    ~TextureSource() {
        if (locked_here_) unlock(handle_);
    }
    TextureSource(const TextureSource&) = delete;
    TextureSource& operator=(const TextureSource&) = delete;
    bool ok() const { return ok_; }

  private:
    std::int32_t handle_;
    bool locked_here_ = false;
    bool ok_ = false;
};

// The draw frame: run draw() with the current surface as the destination when
// it serves one of kinds (a mask of 1, 2 and 4).
template <class F> void with_target(std::int32_t kinds, F&& draw) {
    Surface s = current();
    if (!s || !serves(s.type->RenderTo, kinds)) return;
    DrawTarget target;
    if (target.ok()) draw();
}

// The same with an image as the source; nothing for a handle that is not an
// image. The surface is locked first, then the image; unlocked in reverse.
template <class F> void with_texture(std::int32_t kinds, std::int32_t image, F&& draw) {
    Surface s = current();
    if (!s || !serves(s.type->RenderTo, kinds) || !image_record(image)) return;
    DrawTarget target;
    if (!target.ok()) return;
    TextureSource source(image);
    if (source.ok()) draw();
}

bool inside(const KX_Viewport& v, std::int32_t x, std::int32_t y) {
    return x >= v.Left && x < v.Right && y >= v.Top && y < v.Bottom;
}

// Low four bits dropped; a mode without blend bits writes.
std::int32_t dot_mode(std::int32_t mode) {
    return (mode & 0xFFF0) ? (mode & 0xFFF0) : 1;
}

// Texture coordinates clamped to the image, lower bound first.
std::int32_t clamp_texel(std::int32_t t, std::int32_t size) {
    return std::min(std::max(t, 0), size - 1);
}

// A float that lies within the int32_t range (after clipping) as an integer,
// truncated; values beyond it are pinned to it.
std::int32_t to_int(float v) {
    if (!(v > -2147483648.0f)) return INT32_MIN;
    if (v >= 2147483648.0f) return INT32_MAX;
    return static_cast<std::int32_t>(v);
}

constexpr std::int32_t kAllKinds = 1 | 2 | 4, kVideoAndFX = 1 | 2;

} // namespace

// ---- Dots and pixel reads ----------------------------------------------------------------

void dot(std::int32_t x, std::int32_t y, std::uint32_t colour, std::int32_t mode) noexcept {
    Surface s = current();
    if (!s || !inside(*s.viewport, x, y)) return;
    DrawTarget target;
    if (target.ok()) raster().VGFX_FastDot(x, y, colour, dot_mode(mode));
}

void dot_unlocked(std::int32_t x, std::int32_t y, std::uint32_t colour,
                  std::int32_t mode) noexcept {
    Surface s = current();
    if (!s || !inside(*s.viewport, x, y)) return;
    raster().VGFX_FastDot(x, y, colour, dot_mode(mode));
}

void fast_dot_set_buffer() noexcept {
    Surface s = current();
    if (s && s.lock->Locked == 1) raster_set_buffer(s.lock->Pixels, s.lock->Pitch, s.lock->Format);
}

std::uint32_t point(std::int32_t x, std::int32_t y) noexcept {
    Surface s = current();
    if (!s || !inside(*s.viewport, x, y)) return 0;
    std::uint32_t r = 0;
    with_target(kAllKinds, [&] { r = raster().VGFX_Point(x, y); });
    return r;
}

std::int32_t pixel_run_length(std::int32_t x, std::int32_t y, std::int32_t dx, std::int32_t dy,
                              std::int32_t max) noexcept {
    Surface s = current();
    if (!s || !inside(*s.viewport, x, y)) return 0;
    std::int32_t r = 0;
    with_target(kAllKinds, [&] { r = raster().VGFX_PixelRunLength(x, y, dx, dy, max); });
    return r;
}

// ---- Boxes ---------------------------------------------------------------------------------

void box(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, std::uint32_t colour,
         std::int32_t mode) noexcept {
    Surface s = current();
    if (!s) return;
    const KX_Viewport v = *s.viewport;
    std::int32_t l = std::min(x1, x2), r = std::max(x1, x2);
    std::int32_t t = std::min(y1, y2), b = std::max(y1, y2);
    if (r < v.Left || l >= v.Right || b < v.Top || t >= v.Bottom) return;
    l = std::max(l, v.Left);
    r = std::min(r, v.Right);
    t = std::max(t, v.Top);
    b = std::min(b, v.Bottom);
    std::int32_t kind = s.type->RenderTo;
    if ((kind == 1 || kind == 4) && mode == 2) {
        // The gfx surface's colour fill, which needs the surface unlocked.
        std::uint32_t gfx = gfx_surface(s);
        if (!gfx) return;
        bool was_locked = s.lock->Locked == 1 && unlock(s.handle) == 1;
        kxp::RECT rect{l, t, r, b};
        kxp::DDBLTFX fx{};
        fx.dwSize = sizeof fx;
        fx.dwFillColor = colour;
        kxp::Blt(gfx, &rect, 0, nullptr, kxp::DDBLT_COLORFILL | kxp::DDBLT_WAIT | kxp::DDBLT_ASYNC,
                 &fx);
        if (was_locked) lock(s.handle);
        return;
    }
    with_target(kAllKinds, [&] { raster().VGFX_Box(l, t, r, b, colour, mode); });
}

void cls(std::uint32_t colour) noexcept {
    Surface s = current();
    if (!s) return;
    const KX_Viewport v = *s.viewport;
    box(v.Left, v.Top, v.Right, v.Bottom, colour, 2);
}

void shade_box(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
               const std::uint32_t (&c)[4]) noexcept {
    Surface s = current();
    if (!s) return;
    const KX_Viewport& v = *s.viewport;
    if (x2 < v.Left || x1 >= v.Right || y2 < v.Top || y1 >= v.Bottom) return;
    with_target(kAllKinds, [&] { raster().VGFX_ShadeBox(x1, y1, x2, y2, c[0], c[1], c[2], c[3]); });
}

// ---- Circles and ellipses -------------------------------------------------------------------

void ellipse(std::int32_t x, std::int32_t y, std::int32_t rx, std::int32_t ry, std::uint32_t colour,
             std::int32_t mode) noexcept {
    Surface s = current();
    if (!s) return;
    const KX_Viewport& v = *s.viewport;
    if (i64(x) + rx < v.Left || i64(x) - rx >= v.Right || i64(y) + ry < v.Top ||
        i64(y) - ry >= v.Bottom)
        return;
    with_target(kAllKinds, [&] { raster().VGFX_Ellipse(x, y, rx, ry, colour, mode); });
}

void circle(std::int32_t x, std::int32_t y, std::int32_t radius, std::uint32_t colour,
            std::int32_t mode) noexcept {
    Surface s = current();
    if (!s) return;
    const KX_Viewport& v = *s.viewport;
    if (i64(x) + radius < v.Left || i64(x) - radius >= v.Right || i64(y) + radius < v.Top ||
        i64(y) - radius >= v.Bottom)
        return;
    with_target(kAllKinds, [&] { raster().VGFX_Circle(x, y, radius, colour, mode); });
}

// ---- Lines ----------------------------------------------------------------------------------

namespace {

struct Point {
    float x, y;
};

struct Bounds {
    float l, t, r, b; // inclusive
};

std::int32_t clip_code(Point p, const Bounds& c) {
    std::int32_t code = 0;
    if (p.x < c.l) code = 2;
    if (p.x > c.r) code = 1;
    if (p.y < c.t) code += 8;
    if (p.y > c.b) code += 4;
    return code;
}

Point floored(float x, float y) {
    return {std::floor(x), std::floor(y)};
}

// Where the segment crosses the row y = edge within [low, high].
bool cross_horizontal(Point a, Point b, float edge, float low, float high, Point& out) {
    Point p = a.y < b.y ? a : b, q = a.y < b.y ? b : a;
    if (!(p.y <= edge && edge <= q.y)) return false;
    float slope = q.y == p.y ? 0.0f : (q.x - p.x) / (q.y - p.y);
    float x = p.x + (edge - p.y) * slope;
    if (!(low <= x && x <= high)) return false;
    out = floored(x, edge);
    return true;
}

// Where the segment crosses the column x = edge within [low, high].
bool cross_vertical(Point a, Point b, float edge, float low, float high, Point& out) {
    Point p = a.x < b.x ? a : b, q = a.x < b.x ? b : a;
    if (!(p.x <= edge && edge <= q.x)) return false;
    float slope = q.x == p.x ? 0.0f : (q.y - p.y) / (q.x - p.x);
    float y = p.y + (edge - p.x) * slope;
    if (!(low <= y && y <= high)) return false;
    out = floored(edge, y);
    return true;
}

// The crossing of one end when both ends are outside. The right edge's span
// ends one row above the left edge's.
bool clip_end(Point a, Point b, std::int32_t code, const Bounds& c, Point& out) {
    return ((code & 1) && cross_vertical(a, b, c.r, c.t, c.b - 1, out)) ||
           ((code & 2) && cross_vertical(a, b, c.l, c.t, c.b, out)) ||
           ((code & 8) && cross_horizontal(a, b, c.t, c.l, c.r, out)) ||
           ((code & 4) && cross_horizontal(a, b, c.b, c.l, c.r, out));
}

} // namespace

std::int32_t clip_line(float x1, float y1, float x2, float y2, const KX_Viewport& v,
                       float (&out)[4]) noexcept {
    const Bounds c{float(v.Left), float(v.Top), float(i64(v.Right) - 1), float(i64(v.Bottom) - 1)};
    Point a{x1, y1}, b{x2, y2};
    std::int32_t c1 = clip_code(a, c), c2 = clip_code(b, c);
    if (c1 == 0 && c2 == 0) return 0;
    if (c1 == c2 || (c1 & c2 & (1 | 2 | 4 | 8))) return -1;
    Point e1 = a, e2 = b;
    if (c1 == 0 || c2 == 0) {
        std::int32_t code = c1 ? c1 : c2;
        Point& end = c1 ? e1 : e2;
        bool found = ((code & 8) && cross_horizontal(a, b, c.t, c.l, c.r, end)) ||
                     ((code & 2) && cross_vertical(a, b, c.l, c.t, c.b, end)) ||
                     ((code & 1) && cross_vertical(a, b, c.r, c.t, c.b, end)) ||
                     ((code & 4) && cross_horizontal(a, b, c.b, c.l, c.r, end));
        if (!found) return -1;
    } else {
        bool f1 = clip_end(a, b, c1, c, e1), f2 = clip_end(a, b, c2, c, e2);
        if (!f1 && !f2) return -1;
        if (!f1) e1 = e2;
        if (!f2) e2 = e1;
    }
    out[0] = std::floor(e1.x);
    out[1] = std::floor(e1.y);
    out[2] = std::floor(e2.x);
    out[3] = std::floor(e2.y);
    return 1;
}

void line(float x1, float y1, float x2, float y2, std::uint32_t colour,
          std::int32_t mode) noexcept {
    Surface s = current();
    if (!s || std::isnan(x1) || std::isnan(y1) || std::isnan(x2) || std::isnan(y2)) return;
    float p[4] = {x1, y1, x2, y2};
    std::int32_t clipped = clip_line(x1, y1, x2, y2, *s.viewport, p);
    if (clipped < 0) return;
    with_target(kAllKinds, [&] {
        raster().VGFX_WriteLine(to_int(p[0]), to_int(p[1]), to_int(p[2]), to_int(p[3]), colour,
                                mode);
    });
}

// ---- Triangles, quads and span shapes -------------------------------------------------------

void tri(const std::int32_t (&v)[8]) noexcept {
    with_target(kAllKinds, [&] {
        raster().VGFX_Tri(v[0], v[1], v[2], v[3], v[4], v[5], std::uint32_t(v[6]), v[7]);
    });
}

void tri_gouraud(const std::int32_t (&v)[10]) noexcept {
    using u = std::uint32_t;
    with_target(kAllKinds, [&] {
        raster().VGFX_TriG(v[0], v[1], u(v[2]), v[3], v[4], u(v[5]), v[6], v[7], u(v[8]), v[9]);
    });
}

void tri_textured(std::int32_t image, const std::int32_t (&v)[14]) noexcept {
    with_texture(kAllKinds, image, [&] {
        const KX_Image* i = image_record(image);
        std::int32_t w = i->Size.Width, h = i->Size.Height;
        std::int32_t c[12];
        for (int k = 0; k < 12; ++k)
            c[k] = (k % 4 == 2) ? clamp_texel(v[k], w) : (k % 4 == 3) ? clamp_texel(v[k], h) : v[k];
        raster().VGFX_TriT(c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7], c[8], c[9], c[10], c[11],
                           v[12], i->MaskColour, 0, 0);
    });
}

void tri_textured_shaded(std::int32_t image, const std::int32_t (&v)[17], bool intensity) noexcept {
    using u = std::uint32_t;
    with_texture(intensity ? kVideoAndFX : kAllKinds, image, [&] {
        auto fn = intensity ? raster().VGFX_TriTI : raster().VGFX_TriTG;
        fn(v[0], v[1], v[2], v[3], u(v[4]), v[5], v[6], v[7], v[8], u(v[9]), v[10], v[11], v[12],
           v[13], u(v[14]), v[15], u(v[16]));
    });
}

void quad(const std::int32_t (&v)[10]) noexcept {
    with_target(kVideoAndFX, [&] {
        raster().VGFX_Quad(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], std::uint32_t(v[8]),
                           v[9]);
    });
}

void quad_gouraud(const std::int32_t (&v)[13]) noexcept {
    using u = std::uint32_t;
    with_target(kAllKinds, [&] {
        raster().VGFX_QuadG(v[0], v[1], u(v[2]), v[3], v[4], u(v[5]), v[6], v[7], u(v[8]), v[9],
                            v[10], u(v[11]), v[12]);
    });
}

void quad_textured(std::int32_t image, const std::int32_t (&v)[18]) noexcept {
    with_texture(kAllKinds, image, [&] {
        const KX_Image* i = image_record(image);
        std::int32_t w = i->Size.Width, h = i->Size.Height;
        std::int32_t c[16];
        for (int k = 0; k < 16; ++k)
            c[k] = (k % 4 == 2) ? clamp_texel(v[k], w) : (k % 4 == 3) ? clamp_texel(v[k], h) : v[k];
        raster().VGFX_QuadT(c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7], c[8], c[9], c[10],
                            c[11], c[12], c[13], c[14], c[15], v[16], i->MaskColour, v[17], 0);
    });
}

void quad_textured_shaded(std::int32_t image, const std::int32_t (&v)[22],
                          bool intensity) noexcept {
    using u = std::uint32_t;
    with_texture(kVideoAndFX, image, [&] {
        auto fn = intensity ? raster().VGFX_QuadTI : raster().VGFX_QuadTG;
        fn(v[0], v[1], v[2], v[3], u(v[4]), v[5], v[6], v[7], v[8], u(v[9]), v[10], v[11], v[12],
           v[13], u(v[14]), v[15], v[16], v[17], v[18], u(v[19]), v[20], u(v[21]));
    });
}

void draw_spans(const std::int32_t* spans, std::int32_t count, std::uint32_t colour,
                std::int32_t mode) noexcept {
    if (!raster().VGFX_Draw_Shape_Span_Buffer) return;
    with_target(kAllKinds,
                [&] { raster().VGFX_Draw_Shape_Span_Buffer(spans, count, colour, mode); });
}

// ---- Strips ---------------------------------------------------------------------------------

namespace {

// Whether a strip along one axis from a1 to a2 at the fixed coordinate across
// misses the viewport.
bool strip_outside(const KX_Viewport& v, bool vertical, std::int32_t a1, std::int32_t a2,
                   std::int32_t across) {
    if (vertical) return across < v.Left || across >= v.Right || a2 < v.Top || a1 >= v.Bottom;
    return across < v.Top || across >= v.Bottom || a2 < v.Left || a1 >= v.Right;
}

} // namespace

void gouraud_strip(bool vertical, std::int32_t a1, std::uint32_t c1, std::int32_t a2,
                   std::uint32_t c2, std::int32_t across) noexcept {
    Surface s = current();
    if (!s || strip_outside(*s.viewport, vertical, a1, a2, across)) return;
    with_target(kVideoAndFX, [&] {
        if (vertical)
            raster().VGFX_VertGouraudStrip(a1, c1, a2, c2, across);
        else
            raster().VGFX_HoriGouraudStrip(a1, c1, a2, c2, across);
    });
}

void texture_strip(bool vertical, std::int32_t image, std::int32_t a1, std::int32_t tx1,
                   std::int32_t ty1, std::int32_t a2, std::int32_t tx2, std::int32_t ty2,
                   std::int32_t across) noexcept {
    Surface s = current();
    if (!s || strip_outside(*s.viewport, vertical, a1, a2, across) || !image_record(image)) return;
    with_texture(kVideoAndFX, image, [&] {
        if (vertical)
            raster().VGFX_VertTextureStrip(a1, tx1, ty1, a2, tx2, ty2, across);
        else
            raster().VGFX_HoriTextureStrip(a1, tx1, ty1, a2, tx2, ty2, across);
    });
}

} // namespace kx::graphics
