// Exports of the blitters and the rotated blit.
#include "graphics/graphics.h"
#include "kx/kx_vm.h"

namespace gfx = kx::graphics;

extern "C" {

KX_API int32_t KX_CALL KX_ImageBlt(int32_t image, int32_t x, int32_t y,
                                   int32_t transparent) noexcept {
    return gfx::image_blt(image, x, y, transparent);
}
KX_API int32_t KX_CALL KX_ImageBltRect(int32_t image, const void* rect, int32_t x, int32_t y,
                                       int32_t transparent) noexcept {
    return gfx::image_blt_rect(image, static_cast<const int32_t*>(rect), x, y, transparent);
}
KX_API int32_t KX_CALL KX_ImageBltFX(int32_t image, int32_t x, int32_t y, int32_t fx1, int32_t,
                                     int32_t fx2, int32_t fx3, int32_t fx4, int32_t fx5) noexcept {
    return gfx::image_blt_fx(image, x, y, fx1, fx2, fx3, fx4, fx5);
}
KX_API void KX_CALL KX_ImageBltGrid(int32_t image, int32_t x, int32_t y, int32_t across,
                                    int32_t down, int32_t transparent) noexcept {
    gfx::image_blt_grid(image, x, y, across, down, transparent);
}
KX_API void KX_CALL KX_ImageBltTile(int32_t image, int32_t x, int32_t y,
                                    int32_t transparent) noexcept {
    gfx::image_blt_tile(image, x, y, transparent);
}
KX_API int32_t KX_CALL KX_SurfaceCopyRect(int32_t source, int32_t x1, int32_t y1, int32_t x2,
                                          int32_t y2, int32_t dest, int32_t dx, int32_t dy,
                                          int32_t transparent) noexcept {
    gfx::surface_copy_rect(source, x1, y1, x2, y2, dest, dx, dy, transparent);
    return 0;
}
KX_API int32_t KX_CALL KX_ImageBltRot(int32_t image, int32_t x, int32_t y, float angle,
                                      float scaleX, float scaleY, float offsetX, float offsetY,
                                      int32_t alpha, int32_t transparent) noexcept {
    return gfx::image_blt_rot(image, x, y, angle, scaleX, scaleY, offsetX, offsetY, alpha,
                              transparent);
}

} // extern "C"
