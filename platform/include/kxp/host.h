// The host's side of the platform layer: choosing the backend, and the input
// feed through which a host (or a test) hands in what a user does.
//
// Key and mouse input reaches the input devices at once, as hardware input
// would; everything else (messages, the system keyboard state, window moves,
// sizes and activation) is queued and carried out by PumpMessages, in order.
#pragma once

#include "kxp/types.h"

namespace kxp {

// Selects a backend by name ("headless"; null: the default) and starts it with
// an empty desktop: every window, class, timer, queued message, input object
// and device of the previous one is discarded without messages. Returns 1, or
// 0 for an unknown name (nothing changes). Without a call, the first use of
// the platform picks $KX_BACKEND if it names a backend, else the first
// backend that can run here; "headless" can always run.
KXP_API std::int32_t UseBackend(const char* name);
// Name of the backend in use (selecting the default if none is yet).
KXP_API const char* BackendName();

// A key (DirectInput scan code 1..255) goes down or up. Acquired keyboard
// devices record it now; the pump updates the keyboard state and sends
// WM_KEYDOWN / WM_KEYUP to the focus window.
KXP_API BOOL FeedKey(UINT scanCode, BOOL down);
// The cursor moves to client position (x, y) of a window: acquired mice see the
// motion now; the pump sends WM_SETCURSOR and WM_MOUSEMOVE to that window.
KXP_API BOOL FeedMouseMove(HWND hwnd, std::int32_t x, std::int32_t y);
// Relative motion seen only by acquired mice (the cursor does not move).
KXP_API void FeedMouseMotion(std::int32_t dx, std::int32_t dy);
// Wheel motion (WHEEL_DELTA per notch): mice see it now; the focus window gets WM_MOUSEWHEEL.
KXP_API void FeedMouseWheel(std::int32_t delta);
// Button 0 left, 1 right, 2 middle, 3 fourth: mice see it now; the window the
// cursor last moved over gets the button message.
KXP_API BOOL FeedMouseButton(std::int32_t button, BOOL down);
// The user asks to close the window: the pump delivers WM_CLOSE.
KXP_API BOOL FeedClose(HWND hwnd);
// The window's top-level window is activated, or deactivated (no window is
// then active, and foreground devices are lost).
KXP_API BOOL FeedActivate(HWND hwnd, BOOL active);
// The user moves the outer window to (x, y) / sizes it to width x height.
KXP_API BOOL FeedMove(HWND hwnd, std::int32_t x, std::int32_t y);
KXP_API BOOL FeedSize(HWND hwnd, std::int32_t width, std::int32_t height);

} // namespace kxp
