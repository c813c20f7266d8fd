// The host's side of the screen: opening one for the runtime, and reading
// back what a window shows.
#pragma once

#include "kx/kx_records.h"
#include "kxp/d3d.h"
#include "kxp/ddraw.h"
#include "kxp/input.h"

namespace kxp {

// Opens a screen of width x height pixels at 16 (5-6-5), 24 or 32 bits per
// pixel on a top-level window, and fills the screen record:
//
// - windowed: a display object at the normal cooperative level with the
//   desktop at the screen's depth, the primary surface (the desktop) and a
//   back surface of the screen's size (and so depth);
// - full screen: exclusive mode and the display mode, a flipping primary with
//   one back buffer; the window's style is saved in SavedStyle and replaced by
//   WS_POPUP | WS_VISIBLE, and the window covers (0, 0, width, height);
//
// then the Direct3D object and the 3D device on the back surface, the input
// object with its keyboard (buffer of 16 events) and mouse devices
// (non-exclusive and foreground; the mouse exclusive in full screen), not yet
// acquired, and hides the cursor (the runtime shows it again on close). The
// record gets Open 1, the size, the viewport (0, 0, width, height), the lock
// buffer's format code, RenderTo 1 (TypeFlags 1), the objects, the colour
// masks, Window = windowRecord, WindowHandle, Windowed and State3D 1; the
// other fields are zero. Returns DD_OK, or the failing call's result (or
// DDERR_INVALIDPARAMS for bad arguments) with nothing made and the record
// unchanged. The runtime's KX_CloseGraphics releases the objects.
KXP_API HRESULT OpenScreen(HWND window, std::int32_t width, std::int32_t height, std::int32_t depth,
                           BOOL windowed, std::int32_t windowRecord, KX_Screen* screen);

// A window's last presented frame: 32-bit pixels 0x00RRGGBB, rows of `width`
// pixels (pitch = 4 x width), top row first. presents counts the
// presentations that reached the window.
struct FrameInfo {
    std::int32_t width;
    std::int32_t height;
    std::int32_t pitch;
    DDPIXELFORMAT format;
    DWORD presents;
};

// Fills info and, when pixels is not null and size is at least pitch x
// height, copies the frame there. Returns 1, or 0 for an unknown window or
// one that has not been presented to (info is then zero).
KXP_API BOOL GetWindowFrame(HWND window, FrameInfo* info, void* pixels, std::uint32_t size);

} // namespace kxp
