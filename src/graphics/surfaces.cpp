// The screen and surfaces: surface lookup, the current surface, locking,
// viewports, presentation and closing the screen.
#include <algorithm>

#include "graphics/graphics.h"
#include "graphics/raster.h"
#include "kx/kx_vgfx.h"
#include "kxp/d3d.h"
#include "kxp/ddraw.h"
#include "kxp/heap.h"
#include "kxp/input.h"
#include "kxp/window.h"
#include "memory/banks.h"
#include "window/window.h"

namespace kx::graphics {

namespace mem = kx::memory;

namespace {

// The current surface and the blit FX surface, remembered with the serial of
// their bank so that a handle freed and given to another bank is not taken
// for them.
struct Remembered {
    std::int32_t handle = 0;
    std::uint32_t serial = 0;
    Surface get() const {
        const mem::Bank* b = mem::find(handle);
        if (!b || b->serial != serial) return {};
        return surface(handle);
    }
    void set(const Surface& s) {
        handle = s ? s.handle : 0;
        serial = s ? mem::find(s.handle)->serial : 0;
    }
};
Remembered g_current;
Remembered g_blit_fx;

} // namespace

KX_Screen* screen_record(std::int32_t handle) noexcept {
    return mem::record<KX_Screen>(handle, mem::kScreen);
}

KX_Image* image_record(std::int32_t handle) noexcept {
    return mem::record<KX_Image>(handle, mem::kImage);
}

Surface surface(std::int32_t handle) noexcept {
    Surface s;
    if (KX_Screen* r = screen_record(handle)) {
        s.screen = r;
        s.size = &r->Size;
        s.viewport = &r->Viewport;
        s.lock = &r->Lock;
        s.type = &r->Type;
    } else if (KX_Image* i = image_record(handle)) {
        s.image = i;
        s.size = &i->Size;
        s.viewport = &i->Viewport;
        s.lock = &i->Lock;
        s.type = &i->Type;
    } else {
        return s;
    }
    s.handle = handle;
    return s;
}

std::int32_t bytes_per_pixel(std::int32_t format) noexcept {
    switch (format) {
    case KX_FORMAT_565:
    case KX_FORMAT_555: return 2;
    case KX_FORMAT_24: return 3;
    case KX_FORMAT_32:
    case 5: return 4;
    default: return 1;
    }
}

std::int64_t row_bytes(std::int32_t width, std::int32_t format) noexcept {
    if (width < 0) return -1;
    std::int64_t bytes = std::int64_t(width) * bytes_per_pixel(format) / 8 * 8 + 8;
    return bytes > INT32_MAX ? -1 : bytes;
}

// ---- Raster calls ---------------------------------------------------------------------

void raster_set_buffer(std::uint32_t pixels, std::int32_t pitch, std::int32_t format) noexcept {
    raster().VGFX_SetBuffer(kxp::ptr<void>(pixels), pitch, format);
}

void raster_set_source(std::uint32_t pixels, std::int32_t pitch, std::int32_t format,
                       std::int32_t width, std::int32_t height) noexcept {
    raster().VGFX_SetSrcBuffer(kxp::ptr<void>(pixels), pitch, format);
    raster().VGFX_SetSrcSize(width, height);
}

void raster_set_viewport(const KX_Viewport& v) noexcept {
    raster().VGFX_SetBufferViewPort(v.Left, v.Top, v.Right, v.Bottom);
}

void raster_blit(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                 std::int32_t x, std::int32_t y, std::uint32_t mask,
                 std::int32_t transparent) noexcept {
    raster().VGFX_Blit(left, top, right, bottom, x, y, static_cast<std::int32_t>(mask),
                       transparent);
}

// ---- The current surface --------------------------------------------------------------

void set_current(std::int32_t handle) noexcept {
    Surface s = surface(handle);
    g_current.set(s);
    if (s) raster_set_viewport(*s.viewport);
}

Surface current() noexcept {
    return g_current.get();
}

std::int32_t current_handle() noexcept {
    return current().handle;
}

std::int32_t set_blit_fx(std::int32_t handle) noexcept {
    g_blit_fx.set(surface(handle));
    return g_blit_fx.handle;
}

std::int32_t blit_fx_handle() noexcept {
    return g_blit_fx.get().handle;
}

// ---- Locking ---------------------------------------------------------------------------

std::uint32_t gfx_surface(const Surface& s) noexcept {
    if (s.screen) return s.screen->BackSurface;
    if (!s.image) return 0;
    switch (s.image->Type.RenderTo) {
    case 1: return s.image->Video.Surface;
    case 4: return s.image->Texture.Surface;
    default: return 0;
    }
}

std::int32_t lock(std::int32_t handle) noexcept {
    return lock(surface(handle));
}

std::int32_t lock(const Surface& s) noexcept {
    if (!s || s.lock->Locked != 0) return 0;
    switch (s.type->RenderTo) {
    case 1:
    case 4: {
        std::uint32_t gfx = gfx_surface(s);
        if (!gfx) return 0;
        kxp::DDSURFACEDESC2 d{};
        d.dwSize = sizeof d;
        if (kxp::Lock(gfx, nullptr, &d, kxp::DDLOCK_WAIT, 0) != kxp::DD_OK) return 0;
        s.lock->Locked = 1;
        s.lock->Pixels = d.lpSurface;
        s.lock->Pitch = d.lPitch;
        return 1;
    }
    case 2:
        if (!s.image) return 0;
        s.lock->Locked = 1;
        s.lock->Pixels = s.image->FX.Pixels;
        s.lock->Pitch = s.image->FX.Pitch;
        return 1;
    default: return 0;
    }
}

std::int32_t unlock(std::int32_t handle) noexcept {
    return unlock(surface(handle));
}

std::int32_t unlock(const Surface& s) noexcept {
    if (!s || s.lock->Locked != 1) return 0;
    switch (s.type->RenderTo) {
    case 1:
    case 4: {
        std::uint32_t gfx = gfx_surface(s);
        if (!gfx || kxp::Unlock(gfx, nullptr) != kxp::DD_OK) return 0;
        s.lock->Locked = 0;
        return 1;
    }
    case 2: s.lock->Locked = 0; return 1;
    default: return 0;
    }
}

std::int32_t temporary_pixels(std::int32_t handle, bool pitch) noexcept {
    Surface s = surface(handle);
    if (!s) return 0;
    bool locked_here = s.lock->Locked == 0 && lock(handle) == 1;
    std::int32_t r = 0;
    if (s.lock->Locked == 1) r = pitch ? s.lock->Pitch : static_cast<std::int32_t>(s.lock->Pixels);
    if (locked_here) unlock(handle);
    return r;
}

KX_Viewport* set_viewport(std::int32_t handle, std::int32_t x1, std::int32_t y1, std::int32_t x2,
                          std::int32_t y2) noexcept {
    Surface s = surface(handle);
    if (!s) return nullptr;
    KX_Viewport v{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
    v.Left = std::max(v.Left, 0);
    v.Top = std::max(v.Top, 0);
    v.Right = std::min(v.Right, s.size->Width);
    v.Bottom = std::min(v.Bottom, s.size->Height);
    *s.viewport = v;
    return s.viewport;
}

DrawTarget::DrawTarget() noexcept : DrawTarget(current()) {}

DrawTarget::DrawTarget(const Surface& s) noexcept : surface_(s) {
    if (!surface_) return;
    if (surface_.lock->Locked == 0) locked_here_ = lock(surface_) == 1;
    raster_set_buffer(surface_.lock->Pixels, surface_.lock->Pitch, surface_.lock->Format);
}

DrawTarget::~DrawTarget() {
    if (locked_here_) unlock(surface_);
}

// ---- The screen ------------------------------------------------------------------------

std::int32_t open_graphics() noexcept {
    std::int32_t h = mem::alloc(sizeof(KX_Screen), mem::kScreen, 0);
    return h < 1 ? 0 : h;
}

std::int32_t swap(std::int32_t handle, std::int32_t wait_vsync) noexcept {
    KX_Screen* s = screen_record(handle);
    if (!s) return 0;
    kxp::HRESULT r;
    if (s->Windowed == 1) {
        const KX_Window* w = window::record(s->Window);
        if (!w) return 0;
        kxp::RECT client{w->ClientScreenRect.Left, w->ClientScreenRect.Top,
                         w->ClientScreenRect.Right, w->ClientScreenRect.Bottom};
        r = kxp::Blt(s->FrontSurface, &client, s->BackSurface, nullptr, kxp::DDBLT_ASYNC, nullptr);
    } else {
        r = kxp::Flip(s->FrontSurface, 0, wait_vsync ? 0 : kxp::DDFLIP_NOVSYNC);
    }
    if (r != kxp::DD_OK) return 0;
    window::debug_count(window::kDebugPresents);
    return 1;
}

std::int32_t close_graphics(std::int32_t handle) noexcept {
    if (!screen_record(handle)) return 0;
    if (KX_Window* w = window::record(screen_record(handle)->Window)) w->ScreenHandle = 0;

    for (std::int32_t h = 1; h < mem::table_size(); ++h) {
        const mem::Bank* b = mem::find(h);
        if (!b || b->type != mem::kImage) continue;
        // An image bank that is not a sound image (too small, no screen) has no
        // buffers that can safely be released: only its bank goes.
        if (image_delete(h) != 1) mem::free(h);
    }

    KX_Screen* s = screen_record(handle); // deleting images may have moved nothing, but look again
    if (!s) return 0;
    std::int32_t released = 0;
    auto release = [&](std::uint32_t& object, bool counted) {
        if (!object) return;
        kxp::Release(object);
        object = 0;
        if (counted) released++;
    };
    if (s->DirectInput) {
        if (s->MouseDevice) kxp::Unacquire(s->MouseDevice);
        release(s->MouseDevice, true);
        if (s->KeyboardDevice) kxp::Unacquire(s->KeyboardDevice);
        release(s->KeyboardDevice, false);
        release(s->DirectInput, true);
    }
    if (s->Direct3D) {
        release(s->Direct3DDevice, false);
        release(s->Direct3D, false);
    }
    if (s->DirectDraw) {
        release(s->DepthSurface, true);
        release(s->BackSurface, true);
        release(s->FrontSurface, true);
        release(s->DirectDraw, true);
    }
    if (s->Windowed == 0) {
        kxp::SetWindowLong(s->WindowHandle, kxp::GWL_STYLE, static_cast<kxp::LONG>(s->SavedStyle));
        kxp::UpdateWindow(s->WindowHandle);
    }
    mem::free(handle);
    kxp::ShowCursor(1);
    return released;
}

} // namespace kx::graphics
