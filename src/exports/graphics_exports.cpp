// Exports of the screen, surfaces and images.
#include "graphics/graphics.h"
#include "kx/kx_vm.h"

namespace gfx = kx::graphics;

namespace {
template <class T> void* address(T* p) {
    return static_cast<void*>(p);
}
} // namespace

extern "C" {

// ---- Screen and surfaces -------------------------------------------------------------

KX_API int32_t KX_CALL KX_OpenGraphics(int32_t, int32_t, int32_t, int32_t, int32_t) noexcept {
    return gfx::open_graphics();
}
KX_API int32_t KX_CALL KX_CloseGraphics(int32_t screen) noexcept {
    return gfx::close_graphics(screen);
}
KX_API int32_t KX_CALL KX_GraphicsPixelFormat(int32_t screen) noexcept {
    const KX_Screen* s = gfx::screen_record(screen);
    return s ? s->Lock.Format : 0;
}
KX_API int32_t KX_CALL KX_SwapGraphics(int32_t screen, int32_t wait_vsync) noexcept {
    return gfx::swap(screen, wait_vsync);
}
KX_API int32_t KX_CALL KX_Graphics3DState(int32_t screen) noexcept {
    const KX_Screen* s = gfx::screen_record(screen);
    return s ? s->State3D : 0;
}
KX_API int32_t KX_CALL KX_ValidSurface(int32_t surface) noexcept {
    return gfx::surface(surface) ? 1 : 0;
}
KX_API int32_t KX_CALL KX_GetGfxSurface(int32_t surface) noexcept {
    return static_cast<int32_t>(gfx::gfx_surface(gfx::surface(surface)));
}
KX_API void* KX_CALL KX_GetSurfaceSizePtr(int32_t surface) noexcept {
    return address(gfx::surface(surface).size);
}
KX_API void* KX_CALL KX_GetViewportPtr(int32_t surface) noexcept {
    return address(gfx::surface(surface).viewport);
}
KX_API void* KX_CALL KX_GetLockBufferPtr(int32_t surface) noexcept {
    return address(gfx::surface(surface).lock);
}
KX_API void* KX_CALL KX_GetImageTypePtr(int32_t surface) noexcept {
    return address(gfx::surface(surface).type);
}
KX_API void* KX_CALL KX_GetFXImagePtr(int32_t image) noexcept {
    KX_Image* i = gfx::image_record(image);
    return i ? address(&i->FX) : nullptr;
}
KX_API void* KX_CALL KX_SurfaceGetViewportPtr(int32_t surface) noexcept {
    return address(gfx::surface(surface).viewport);
}
KX_API int32_t KX_CALL KX_SetCurrentSurface(int32_t surface) noexcept {
    gfx::set_current(surface);
    return 0;
}
KX_API int32_t KX_CALL KX_GetCurrentSurface(void) noexcept {
    return gfx::current_handle();
}
KX_API int32_t KX_CALL KX_SetCurrentBlitFXSurface(int32_t surface) noexcept {
    return gfx::set_blit_fx(surface);
}
KX_API int32_t KX_CALL KX_LockSurface(int32_t surface) noexcept {
    return gfx::lock(surface);
}
KX_API int32_t KX_CALL KX_UnLockSurface(int32_t surface) noexcept {
    return gfx::unlock(surface);
}
KX_API int32_t KX_CALL KX_SurfaceWidth(int32_t surface) noexcept {
    gfx::Surface s = gfx::surface(surface);
    return s ? s.size->Width : 0;
}
KX_API int32_t KX_CALL KX_SurfaceHeight(int32_t surface) noexcept {
    gfx::Surface s = gfx::surface(surface);
    return s ? s.size->Height : 0;
}
KX_API int32_t KX_CALL KX_SurfaceDepth(int32_t surface) noexcept {
    gfx::Surface s = gfx::surface(surface);
    return s ? s.size->Depth : 0;
}
KX_API int32_t KX_CALL KX_SurfacePTR(int32_t surface) noexcept {
    return gfx::temporary_pixels(surface, false);
}
KX_API int32_t KX_CALL KX_SurfacePitch(int32_t surface) noexcept {
    return gfx::temporary_pixels(surface, true);
}
KX_API int32_t KX_CALL KX_SurfaceFormat(int32_t surface) noexcept {
    gfx::Surface s = gfx::surface(surface);
    return s && s.lock->Locked == 1 ? s.lock->Format : 0;
}
KX_API void* KX_CALL KX_SurfaceSetViewport(int32_t surface, int32_t x1, int32_t y1, int32_t x2,
                                           int32_t y2) noexcept {
    return address(gfx::set_viewport(surface, x1, y1, x2, y2));
}

// ---- Images ----------------------------------------------------------------------------

KX_API int32_t KX_CALL KX_ImageCreate(int32_t screen, int32_t width, int32_t height, int32_t depth,
                                      int32_t type_flags) noexcept {
    return gfx::image_create(screen, width, height, depth, type_flags);
}
KX_API int32_t KX_CALL KX_ImageDelete(int32_t image) noexcept {
    return gfx::image_delete(image);
}
KX_API int32_t KX_CALL KX_ImageClone(int32_t image) noexcept {
    return gfx::image_clone(image);
}
KX_API int32_t KX_CALL KX_ImageClone_ORIGINAL(int32_t image) noexcept {
    return gfx::image_clone_original(image);
}
KX_API int32_t KX_CALL KX_ImageSync(int32_t image, int32_t from, int32_t to) noexcept {
    gfx::image_sync(image, from, to);
    return 0;
}
KX_API int32_t KX_CALL KX_ImagePrepareFX(int32_t image) noexcept {
    return gfx::image_prepare_fx(image);
}
KX_API int32_t KX_CALL KX_ImageMaskColour(int32_t image, int32_t colour) noexcept {
    return gfx::image_mask_colour(image, static_cast<uint32_t>(colour));
}
KX_API int32_t KX_CALL KX_ImageGetMaskColour(int32_t image) noexcept {
    const KX_Image* i = gfx::image_record(image);
    return i ? static_cast<int32_t>(i->MaskColour) : 0;
}
KX_API int32_t KX_CALL KX_ImageRenderTo(int32_t image, int32_t kind) noexcept {
    gfx::image_render_to(image, kind);
    return 0;
}
KX_API int32_t KX_CALL KX_ImageGetRenderTo(int32_t image) noexcept {
    const KX_Image* i = gfx::image_record(image);
    return i ? i->Type.RenderTo : 0;
}
KX_API int32_t KX_CALL KX_ImageGetType(int32_t image) noexcept {
    const KX_Image* i = gfx::image_record(image);
    return i ? i->Type.TypeFlags : 0;
}
KX_API int32_t KX_CALL KX_CacheTexturesChanges(int32_t on) noexcept {
    return gfx::cache_textures(on);
}

} // extern "C"
