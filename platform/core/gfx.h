// The display service (internal to kx_platform): display objects, surfaces
// and 3D objects. Its state lives in ddraw.cpp.
#pragma once

#include "core/internal.h"
#include "core/pixels.h"
#include "core/text.h"
#include "kxp/ddraw.h"
#include "kxp/heap.h"

namespace kxp::detail {

inline constexpr std::int32_t kMaxSurfaceSide = 16384;

struct DisplayState {
    ObjectTable objects; // display objects, surfaces, Direct3D objects and 3D devices
};
DisplayState& display_state();

struct Display final : Object {
    DWORD level = 0; // cooperative level flags; 0 until set
    HWND window = 0;
    bool exclusive = false;
    std::int32_t mode_width = 0, mode_height = 0;
    const PixelFormat* mode_format = nullptr; // set by SetDisplayMode (exclusive mode only)
    std::uint32_t primary = 0;                // the primary surface, if any (not a reference)
};

struct Surface final : Object {
    std::uint32_t display = 0; // holds a reference
    std::int32_t width = 0, height = 0, pitch = 0;
    const PixelFormat* format = nullptr;
    DWORD caps = 0;
    std::uint8_t* pixels = nullptr; // low-memory heap, pitch x height bytes
    bool locked = false;
    RECT lock_rect{};
    HDC dc = 0; // the device context out on the surface, if any
    bool has_key = false;
    DDCOLORKEY key{};
    bool primary = false;
    std::uint32_t back = 0;  // flipping primary: its back buffer (holds a reference)
    std::uint32_t front = 0; // back buffer: its primary (not a reference)

    ~Surface() override { heap::free(pixels); }
    void released() override;
    View view() const { return {pixels, pitch, width, height, format}; }
    RECT bounds() const { return {0, 0, width, height}; }
    bool busy() const { return locked || dc != 0; }
};

inline Surface* find_surface(std::uint32_t id) {
    return find_object<Surface>(id);
}

// Shows the area (primary coordinates) of a primary surface: copies it into
// the frames of the windows it covers, or lets a frame read the primary in
// place, and hands them to the backend.
void present(const Surface& primary, const RECT& area);
// Gives every window frame read in place from the primary its own copy: done
// before the primary's pixels change without being presented (a lock, a
// device context, 3D rendering), before it goes away, and before its display
// changes which windows it presents to.
void own_frames(const Surface& primary);

} // namespace kxp::detail
