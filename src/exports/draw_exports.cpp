// Exports of the drawing primitives and the image effects.
#include "graphics/graphics.h"
#include "graphics/raster.h"
#include "kx/kx_vm.h"

namespace gfx = kx::graphics;

extern "C" {

// ---- Drawing primitives -------------------------------------------------------------------

KX_API void KX_CALL KX_Cls(int32_t colour) noexcept {
    gfx::cls(uint32_t(colour));
}
KX_API void KX_CALL KX_Dot(int32_t x, int32_t y, int32_t colour, int32_t mode) noexcept {
    gfx::dot(x, y, uint32_t(colour), mode);
}
KX_API void KX_CALL KX_Dot2(int32_t x, int32_t y, int32_t colour, int32_t mode) noexcept {
    gfx::dot_unlocked(x, y, uint32_t(colour), mode);
}
KX_API void KX_CALL KX_FastDot_SetCurrentBuffer(void) noexcept {
    gfx::fast_dot_set_buffer();
}
KX_API void KX_CALL KX_FastDot(int32_t x, int32_t y, int32_t colour, int32_t mode) noexcept {
    gfx::raster().VGFX_FastDot(x, y, uint32_t(colour), mode);
}
KX_API int32_t KX_CALL KX_Point(int32_t x, int32_t y) noexcept {
    return int32_t(gfx::point(x, y));
}
KX_API int32_t KX_CALL KX_FastPoint(int32_t x, int32_t y) noexcept {
    return int32_t(gfx::raster().VGFX_FastPoint(x, y));
}
KX_API int32_t KX_CALL KX_PixelRunLength(int32_t x, int32_t y, int32_t dx, int32_t dy,
                                         int32_t max) noexcept {
    return gfx::pixel_run_length(x, y, dx, dy, max);
}
KX_API void KX_CALL KX_Box(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t colour,
                           int32_t mode) noexcept {
    gfx::box(x1, y1, x2, y2, uint32_t(colour), mode);
}
KX_API void KX_CALL KX_ShadeBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t c1,
                                int32_t c2, int32_t c3, int32_t c4, int32_t mode,
                                int32_t alpha) noexcept {
    (void)mode;
    (void)alpha;
    const uint32_t corners[4] = {uint32_t(c1), uint32_t(c2), uint32_t(c3), uint32_t(c4)};
    gfx::shade_box(x1, y1, x2, y2, corners);
}
KX_API void KX_CALL KX_Circle(int32_t x, int32_t y, int32_t radius, int32_t colour,
                              int32_t mode) noexcept {
    gfx::circle(x, y, radius, uint32_t(colour), mode);
}
KX_API void KX_CALL KX_Ellipse(int32_t x, int32_t y, int32_t rx, int32_t ry, int32_t colour,
                               int32_t mode) noexcept {
    gfx::ellipse(x, y, rx, ry, uint32_t(colour), mode);
}
KX_API void KX_CALL KX_Line(float x1, float y1, float x2, float y2, int32_t colour,
                            int32_t mode) noexcept {
    gfx::line(x1, y1, x2, y2, uint32_t(colour), mode);
}
KX_API void KX_CALL KX_Tri(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3,
                           int32_t colour, int32_t mode, int32_t alpha) noexcept {
    (void)alpha;
    const int32_t v[8] = {x1, y1, x2, y2, x3, y3, colour, mode};
    gfx::tri(v);
}
KX_API void KX_CALL KX_TriG(int32_t x1, int32_t y1, int32_t c1, int32_t x2, int32_t y2, int32_t c2,
                            int32_t x3, int32_t y3, int32_t c3, int32_t mode,
                            int32_t alpha) noexcept {
    (void)alpha;
    const int32_t v[10] = {x1, y1, c1, x2, y2, c2, x3, y3, c3, mode};
    gfx::tri_gouraud(v);
}
KX_API void KX_CALL KX_TriT(int32_t image, int32_t x1, int32_t y1, int32_t tx1, int32_t ty1,
                            int32_t x2, int32_t y2, int32_t tx2, int32_t ty2, int32_t x3,
                            int32_t y3, int32_t tx3, int32_t ty3, int32_t mode,
                            int32_t alpha) noexcept {
    const int32_t v[14] = {x1, y1, tx1, ty1, x2, y2, tx2, ty2, x3, y3, tx3, ty3, mode, alpha};
    gfx::tri_textured(image, v);
}
KX_API void KX_CALL KX_TriTG(int32_t image, int32_t x1, int32_t y1, int32_t tx1, int32_t ty1,
                             int32_t c1, int32_t x2, int32_t y2, int32_t tx2, int32_t ty2,
                             int32_t c2, int32_t x3, int32_t y3, int32_t tx3, int32_t ty3,
                             int32_t c3, int32_t transparent, int32_t mask) noexcept {
    const int32_t v[17] = {x1, y1, tx1, ty1, c1,  x2, y2,          tx2, ty2,
                           c2, x3, y3,  tx3, ty3, c3, transparent, mask};
    gfx::tri_textured_shaded(image, v, false);
}
KX_API void KX_CALL KX_TriTI(int32_t image, int32_t x1, int32_t y1, int32_t tx1, int32_t ty1,
                             int32_t c1, int32_t x2, int32_t y2, int32_t tx2, int32_t ty2,
                             int32_t c2, int32_t x3, int32_t y3, int32_t tx3, int32_t ty3,
                             int32_t c3, int32_t transparent, int32_t mask) noexcept {
    const int32_t v[17] = {x1, y1, tx1, ty1, c1,  x2, y2,          tx2, ty2,
                           c2, x3, y3,  tx3, ty3, c3, transparent, mask};
    gfx::tri_textured_shaded(image, v, true);
}
KX_API void KX_CALL KX_Quad(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3,
                            int32_t x4, int32_t y4, int32_t colour, int32_t mode,
                            int32_t unused) noexcept {
    (void)unused;
    const int32_t v[10] = {x1, y1, x2, y2, x3, y3, x4, y4, colour, mode};
    gfx::quad(v);
}
KX_API void KX_CALL KX_QuadG(int32_t x1, int32_t y1, int32_t c1, int32_t x2, int32_t y2, int32_t c2,
                             int32_t x3, int32_t y3, int32_t c3, int32_t x4, int32_t y4, int32_t c4,
                             int32_t mode, int32_t unused) noexcept {
    (void)unused;
    const int32_t v[13] = {x1, y1, c1, x2, y2, c2, x3, y3, c3, x4, y4, c4, mode};
    gfx::quad_gouraud(v);
}
KX_API void KX_CALL KX_QuadT(int32_t image, int32_t x1, int32_t y1, int32_t tx1, int32_t ty1,
                             int32_t x2, int32_t y2, int32_t tx2, int32_t ty2, int32_t x3,
                             int32_t y3, int32_t tx3, int32_t ty3, int32_t x4, int32_t y4,
                             int32_t tx4, int32_t ty4, int32_t mode, int32_t alpha) noexcept {
    const int32_t v[18] = {x1, y1,  tx1, ty1, x2, y2,  tx2, ty2,  x3,
                           y3, tx3, ty3, x4,  y4, tx4, ty4, mode, alpha};
    gfx::quad_textured(image, v);
}
KX_API void KX_CALL KX_QuadTG(int32_t image, int32_t x1, int32_t y1, int32_t tx1, int32_t ty1,
                              int32_t c1, int32_t x2, int32_t y2, int32_t tx2, int32_t ty2,
                              int32_t c2, int32_t x3, int32_t y3, int32_t tx3, int32_t ty3,
                              int32_t c3, int32_t x4, int32_t y4, int32_t tx4, int32_t ty4,
                              int32_t c4, int32_t transparent, int32_t mask) noexcept {
    const int32_t v[22] = {x1, y1,  tx1, ty1, c1, x2, y2,  tx2, ty2, c2,          x3,
                           y3, tx3, ty3, c3,  x4, y4, tx4, ty4, c4,  transparent, mask};
    gfx::quad_textured_shaded(image, v, false);
}
KX_API void KX_CALL KX_QuadTI(int32_t image, int32_t x1, int32_t y1, int32_t tx1, int32_t ty1,
                              int32_t c1, int32_t x2, int32_t y2, int32_t tx2, int32_t ty2,
                              int32_t c2, int32_t x3, int32_t y3, int32_t tx3, int32_t ty3,
                              int32_t c3, int32_t x4, int32_t y4, int32_t tx4, int32_t ty4,
                              int32_t c4, int32_t transparent, int32_t mask) noexcept {
    const int32_t v[22] = {x1, y1,  tx1, ty1, c1, x2, y2,  tx2, ty2, c2,          x3,
                           y3, tx3, ty3, c3,  x4, y4, tx4, ty4, c4,  transparent, mask};
    gfx::quad_textured_shaded(image, v, true);
}
KX_API void KX_CALL KX_GouraudStripV(int32_t y1, int32_t c1, int32_t y2, int32_t c2,
                                     int32_t x) noexcept {
    gfx::gouraud_strip(true, y1, uint32_t(c1), y2, uint32_t(c2), x);
}
KX_API void KX_CALL KX_GouraudStripH(int32_t x1, int32_t c1, int32_t x2, int32_t c2,
                                     int32_t y) noexcept {
    gfx::gouraud_strip(false, x1, uint32_t(c1), x2, uint32_t(c2), y);
}
KX_API void KX_CALL KX_TextureStripV(int32_t image, int32_t y1, int32_t tx1, int32_t ty1,
                                     int32_t y2, int32_t tx2, int32_t ty2, int32_t x) noexcept {
    gfx::texture_strip(true, image, y1, tx1, ty1, y2, tx2, ty2, x);
}
KX_API void KX_CALL KX_TextureStripH(int32_t image, int32_t x1, int32_t tx1, int32_t ty1,
                                     int32_t x2, int32_t tx2, int32_t ty2, int32_t y) noexcept {
    gfx::texture_strip(false, image, x1, tx1, ty1, x2, tx2, ty2, y);
}
KX_API void KX_CALL KX_DrawShape(void* spans, int32_t count, int32_t colour,
                                 int32_t mode) noexcept {
    gfx::draw_spans(static_cast<const int32_t*>(spans), count, uint32_t(colour), mode);
}

// ---- Image effects ------------------------------------------------------------------------

KX_API void KX_CALL KX_ImageFade(int32_t surface, int32_t level) noexcept {
    gfx::effect(surface, gfx::Effect::Fade, {level, 0, 0, 0, 0});
}
KX_API void KX_CALL KX_ImageGreyScale(int32_t surface) noexcept {
    gfx::effect(surface, gfx::Effect::GreyScale, {0, 0, 0, 0, 0});
}
KX_API void KX_CALL KX_ImageMirror(int32_t surface, int32_t horizontal, int32_t vertical) noexcept {
    gfx::effect(surface, gfx::Effect::Mirror, {horizontal, vertical, 0, 0, 0});
}
KX_API void KX_CALL KX_ImageRGBMask(int32_t surface, int32_t colour, int32_t mode) noexcept {
    gfx::effect(surface, gfx::Effect::RGBMask, {colour, mode, 0, 0, 0});
}
KX_API void KX_CALL KX_ImagePhongMap(int32_t surface, int32_t x, int32_t y, int32_t radius,
                                     int32_t colour, int32_t mode) noexcept {
    gfx::effect(surface, gfx::Effect::PhongMap, {x, y, radius, colour, mode});
}
KX_API void KX_CALL KX_ImageLight(int32_t surface, int32_t x, int32_t y, int32_t radius,
                                  int32_t colour) noexcept {
    gfx::effect(surface, gfx::Effect::Light, {x, y, radius, colour, 0});
}
KX_API void KX_CALL KX_ImageBlur(int32_t surface, float divisor) noexcept {
    gfx::blur(surface, divisor);
}
KX_API void KX_CALL KX_ImageScroll(int32_t image, int32_t dx, int32_t dy, int32_t mode) noexcept {
    gfx::scroll(image, dx, dy, mode);
}
KX_API int32_t KX_CALL KX_ImageScale(int32_t image, float sx, float sy, int32_t absolute) noexcept {
    return gfx::scale(image, sx, sy, absolute);
}

} // extern "C"
