// The seam between the platform services and the system that shows windows
// and produces input (internal to kx_platform).
//
// The services in core/ keep every window's state, the message queue, the
// timers, the keyboard state and the input devices; a backend only mirrors
// windows on a real display (or keeps none) and turns what the user does into
// calls of the input feed (kxp/host.h) when the pump polls it. Adding a
// backend: implement Backend, and add a line to the table in state.cpp.
#pragma once

#include <memory>

#include "kxp/types.h"

namespace kxp::detail {

// What a backend needs to show one window.
struct WindowView {
    HWND id;
    const char* title;
    RECT window;    // outer rectangle, screen coordinates
    RECT client;    // client area, screen coordinates
    DWORD style;    // WS_ flags, WS_VISIBLE included
    bool visible;   // shown and not minimised
    bool top_level; // false for WS_CHILD windows
};

// Bits of Backend::window_changed.
enum : unsigned {
    CHANGED_RECT = 1, // position or size
    CHANGED_TEXT = 2,
    CHANGED_SHOW = 4, // visibility, minimised/maximised state
    CHANGED_STYLE = 8,
    CHANGED_BY_FEED = 16 // the change came from the input feed (the user did it)
};

// A window's frame as presented: 32-bit 0x00RRGGBB pixels, width x height,
// each row stride pixels after the one before. The top byte of each pixel is
// not part of the frame (a frame read in place from the primary surface keeps
// whatever the primary holds there): readers ignore it. full_screen: the
// window owns the display (exclusive mode).
struct FrameView {
    const std::uint32_t* pixels;
    std::int32_t width;
    std::int32_t height;
    std::int32_t stride;
    bool full_screen;
};

struct Desktop {
    std::int32_t width; // screen size
    std::int32_t height;
    RECT work; // work area (SM_CXFULLSCREEN / SM_CYFULLSCREEN give its size)
};

class Backend {
  public:
    virtual ~Backend() = default;
    virtual const char* name() const = 0;
    virtual Desktop desktop() const = 0;
    // A window was made; false makes CreateWindowEx fail.
    virtual bool window_created(const WindowView& view) = 0;
    virtual void window_changed(const WindowView& view, unsigned changes) = 0;
    virtual void window_destroyed(HWND id) = 0;
    // The cursor to show over the backend's windows (visible false: none).
    virtual void cursor_changed(bool visible, HCURSOR cursor) = 0;
    // A frame was presented to a window. The services keep it (hosts read it
    // with GetWindowFrame); the pixels are only valid during the call.
    virtual void present(const WindowView& view, const FrameView& frame) = 0;
    // Called at the start of every PumpMessages: hand pending user input to
    // the feed functions.
    virtual void poll() = 0;
};

struct BackendEntry {
    const char* name;
    bool (*can_run)();                  // e.g. a display is there
    std::unique_ptr<Backend> (*make)(); // null result: could not start
};

std::unique_ptr<Backend> make_headless_backend();
bool sdl_can_run(); // a display is named ($DISPLAY or $WAYLAND_DISPLAY)
std::unique_ptr<Backend> make_sdl_backend();

// The clock GetTickCount reads (system.cpp): a backend with a clock of its own
// installs it (null: back to CLOCK_BOOTTIME). The ticks go on from where the
// clock stood, so they stay milliseconds since the system started; the test
// clock still overrides both.
void set_tick_source(DWORD (*milliseconds)());

} // namespace kxp::detail
