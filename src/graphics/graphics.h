// Internal interface of the graphics core: surfaces (the screen and images),
// the current surface, locking, presentation and images.
//
// A surface handle is a bank of type 8 (the screen, KX_Screen) or 9 (an image,
// KX_Image) at least as large as its record; every operation here refuses any
// other handle. The records that screens and images share (size, viewport,
// lock buffer, image type) sit at different offsets in the two; Surface gathers
// their addresses.
#pragma once

#include <cstdint>

#include "kx/kx_records.h"

namespace kx::graphics {

struct Surface {
    std::int32_t handle = 0;
    KX_Screen* screen = nullptr; // exactly one of screen and image is set
    KX_Image* image = nullptr;
    KX_SurfaceSize* size = nullptr;
    KX_Viewport* viewport = nullptr;
    KX_LockBuffer* lock = nullptr;
    KX_ImageType* type = nullptr;
    explicit operator bool() const { return handle != 0; }
};

// The surface of a handle; empty (false) for anything that is not one.
Surface surface(std::int32_t handle) noexcept;
KX_Screen* screen_record(std::int32_t handle) noexcept;
KX_Image* image_record(std::int32_t handle) noexcept;

// Bytes per pixel of a pixel-format code (0: 1 byte).
std::int32_t bytes_per_pixel(std::int32_t format) noexcept;
// Bytes per row of a buffer the runtime allocates: width x bytes per pixel,
// rounded down to a multiple of 8, plus 8. -1 when it does not fit 31 bits.
std::int64_t row_bytes(std::int32_t width, std::int32_t format) noexcept;

// ---- Screen and surfaces ------------------------------------------------------------

std::int32_t open_graphics() noexcept;
std::int32_t close_graphics(std::int32_t screen) noexcept;
std::int32_t swap(std::int32_t screen, std::int32_t wait_vsync) noexcept;

// The gfx surface: the screen's back surface, an image's video or texture
// surface by RenderTo; 0 when none.
std::uint32_t gfx_surface(const Surface& s) noexcept;

void set_current(std::int32_t handle) noexcept;
// The current surface, looked up again on every call (empty when none, or when
// its bank has gone since it was selected).
Surface current() noexcept;
std::int32_t current_handle() noexcept;
std::int32_t set_blit_fx(std::int32_t handle) noexcept;
std::int32_t blit_fx_handle() noexcept;

std::int32_t lock(std::int32_t handle) noexcept;
std::int32_t unlock(std::int32_t handle) noexcept;
std::int32_t temporary_pixels(std::int32_t handle, bool pitch) noexcept;
KX_Viewport* set_viewport(std::int32_t handle, std::int32_t x1, std::int32_t y1, std::int32_t x2,
                          std::int32_t y2) noexcept;

// Drawing into the current surface: locks it if it is unlocked and hands its
// pixels to the raster library as the destination; the destructor unlocks
// what the constructor locked. ok() is false when there is no current surface.
class DrawTarget {
  public:
    DrawTarget() noexcept;
    ~DrawTarget();
    DrawTarget(const DrawTarget&) = delete;
    DrawTarget& operator=(const DrawTarget&) = delete;
    bool ok() const { return surface_ && surface_.lock->Locked == 1; }
    const Surface& surface() const { return surface_; }

  private:
    Surface surface_;
    bool locked_here_ = false;
};

// ---- Raster library calls of the graphics core ---------------------------------------

void raster_set_buffer(std::uint32_t pixels, std::int32_t pitch, std::int32_t format) noexcept;
void raster_set_source(std::uint32_t pixels, std::int32_t pitch, std::int32_t format,
                       std::int32_t width, std::int32_t height) noexcept;
void raster_set_viewport(const KX_Viewport& v) noexcept;
void raster_blit(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                 std::int32_t x, std::int32_t y, std::uint32_t mask,
                 std::int32_t transparent) noexcept;

// ---- Images ----------------------------------------------------------------------------

std::int32_t image_create(std::int32_t screen, std::int32_t width, std::int32_t height,
                          std::int32_t depth, std::int32_t type_flags) noexcept;
std::int32_t image_delete(std::int32_t image) noexcept;
std::int32_t image_clone(std::int32_t image) noexcept;
std::int32_t image_clone_original(std::int32_t image) noexcept;
void image_sync(std::int32_t image, std::int32_t from, std::int32_t to) noexcept;
std::int32_t image_prepare_fx(std::int32_t image) noexcept;
std::int32_t image_mask_colour(std::int32_t image, std::uint32_t colour) noexcept;
void image_render_to(std::int32_t image, std::int32_t kind) noexcept;
std::int32_t cache_textures(std::int32_t on) noexcept;

// ---- Blits ------------------------------------------------------------------------------
// Image blits draw onto the current surface, clipped to its viewport (cut to
// the surface's buffer); by DirectDraw between video and texture buffers, by
// the raster library where an FX buffer is involved. Results as the exports.

std::int32_t image_blt(std::int32_t image, std::int32_t x, std::int32_t y,
                       std::int32_t transparent) noexcept;
// rect: left, top, right, bottom within the image (null draws nothing).
std::int32_t image_blt_rect(std::int32_t image, const std::int32_t* rect, std::int32_t x,
                            std::int32_t y, std::int32_t transparent) noexcept;
std::int32_t image_blt_fx(std::int32_t image, std::int32_t x, std::int32_t y, std::int32_t fx1,
                          std::int32_t fx2, std::int32_t fx3, std::int32_t fx4,
                          std::int32_t fx5) noexcept;
void image_blt_grid(std::int32_t image, std::int32_t x, std::int32_t y, std::int32_t across,
                    std::int32_t down, std::int32_t transparent) noexcept;
void image_blt_tile(std::int32_t image, std::int32_t x, std::int32_t y,
                    std::int32_t transparent) noexcept;
void surface_copy_rect(std::int32_t source, std::int32_t x1, std::int32_t y1, std::int32_t x2,
                       std::int32_t y2, std::int32_t dest, std::int32_t dx, std::int32_t dy,
                       std::int32_t transparent) noexcept;
// The rotated and scaled blit: through the textured quad, or the 3D device
// for texture images.
std::int32_t image_blt_rot(std::int32_t image, std::int32_t x, std::int32_t y, float angle,
                           float scale_x, float scale_y, float offset_x, float offset_y,
                           std::int32_t alpha, std::int32_t transparent) noexcept;

} // namespace kx::graphics
