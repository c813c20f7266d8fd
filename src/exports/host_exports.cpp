// The host kit: backend choice, message pump, test clock and input feed.
#include "host/host.h"
#include "kx/kx_host.h"
#include "kxp/host.h"
#include "kxp/system.h"
#include "window/window.h"

namespace win = kx::window;

namespace {
// The window id of a window record, 0 for an invalid handle.
kxp::HWND window_id(int32_t window) {
    const KX_Window* w = win::record(window);
    return w ? w->hWnd : 0;
}
} // namespace

extern "C" {

KX_API int32_t KX_CALL KXH_UseBackend(const char* name) noexcept {
    return kxp::UseBackend(name);
}
KX_API int32_t KX_CALL KXH_PumpMessages(void) noexcept {
    return win::pump();
}
KX_API void KX_CALL KXH_SetTestClock(int32_t on, uint32_t ms) noexcept {
    if (on)
        kxp::SetTestClock(ms);
    else
        kxp::UseSystemClock();
}
KX_API void KX_CALL KXH_AdvanceClock(uint32_t ms) noexcept {
    kxp::AdvanceTestClock(ms);
}
KX_API int32_t KX_CALL KXH_FeedKey(int32_t scan_code, int32_t down) noexcept {
    if (scan_code < 1 || scan_code > 255) return 0;
    return kxp::FeedKey(static_cast<kxp::UINT>(scan_code), down != 0);
}
KX_API int32_t KX_CALL KXH_FeedMouseMove(int32_t window, int32_t x, int32_t y) noexcept {
    kxp::HWND id = window_id(window);
    return id ? kxp::FeedMouseMove(id, x, y) : 0;
}
KX_API void KX_CALL KXH_FeedMouseMotion(int32_t dx, int32_t dy) noexcept {
    kxp::FeedMouseMotion(dx, dy);
}
KX_API void KX_CALL KXH_FeedMouseWheel(int32_t delta) noexcept {
    kxp::FeedMouseWheel(delta);
}
KX_API int32_t KX_CALL KXH_FeedMouseButton(int32_t button, int32_t down) noexcept {
    if (button < 0 || button > 3) return 0;
    return kxp::FeedMouseButton(button, down != 0);
}
KX_API int32_t KX_CALL KXH_FeedClose(int32_t window) noexcept {
    kxp::HWND id = window_id(window);
    return id ? kxp::FeedClose(id) : 0;
}

} // extern "C"

extern "C" {

KX_API int32_t KX_CALL KXH_OpenScreen(int32_t window, int32_t width, int32_t height, int32_t depth,
                                      int32_t windowed) noexcept {
    return kx::host::open_screen(window, width, height, depth, windowed);
}
KX_API int32_t KX_CALL KXH_ReadFrame(int32_t window, void* pixels, int32_t capacity, int32_t* width,
                                     int32_t* height) noexcept {
    return kx::host::read_frame(window, pixels, capacity, width, height);
}
KX_API int32_t KX_CALL KXH_SaveFramePNG(int32_t window, const char* path) noexcept {
    return kx::host::save_frame_png(window, path);
}

} // extern "C"
