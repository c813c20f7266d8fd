// Exports of the game window, keyboard and mouse, and the debug counters.
#include "kx/kx_vm.h"
#include "kxp/system.h"
#include "window/window.h"

namespace win = kx::window;

extern "C" {

// ---- Window ----------------------------------------------------------------------

KX_API int32_t KX_CALL KX_OpenWindow(int32_t width, int32_t height) noexcept {
    return win::open(width, height);
}
KX_API int32_t KX_CALL KX_CloseWindow(int32_t window) noexcept {
    win::close(window);
    return 0;
}
KX_API int32_t KX_CALL KX_PositionWindow(int32_t window, int32_t x, int32_t y) noexcept {
    return win::position(window, x, y);
}
KX_API int32_t KX_CALL KX_SizeWindow(int32_t window, int32_t width, int32_t height) noexcept {
    return win::size(window, width, height);
}
KX_API int32_t KX_CALL KX_CenterWindow(int32_t window) noexcept {
    return win::center(window);
}
KX_API int32_t KX_CALL KX_FullScreenWindow(int32_t window) noexcept {
    return win::full_screen(window);
}
KX_API int32_t KX_CALL KX_GetWindowX(int32_t window) noexcept {
    return win::normal_rect(window).Left;
}
KX_API int32_t KX_CALL KX_GetWindowY(int32_t window) noexcept {
    return win::normal_rect(window).Top;
}
KX_API int32_t KX_CALL KX_GetWindowWidth(int32_t window) noexcept {
    KX_Rect r = win::normal_rect(window);
    return static_cast<int32_t>(static_cast<uint32_t>(r.Right) - static_cast<uint32_t>(r.Left));
}
KX_API int32_t KX_CALL KX_GetWindowHeight(int32_t window) noexcept {
    KX_Rect r = win::normal_rect(window);
    return static_cast<int32_t>(static_cast<uint32_t>(r.Bottom) - static_cast<uint32_t>(r.Top));
}
KX_API int32_t KX_CALL KX_GetWindowHandle(int32_t window) noexcept {
    const KX_Window* w = win::record(window);
    return w ? static_cast<int32_t>(w->hWnd) : 0;
}
KX_API int32_t KX_CALL KX_GetWindowClose(int32_t window) noexcept {
    return win::take_close_request(window);
}
KX_API void KX_CALL KX_GetWindowTitle(int32_t window, int32_t dest) noexcept {
    win::get_title(window, dest);
}
KX_API int32_t KX_CALL KX_SetWindowTitle(int32_t window, int32_t source) noexcept {
    return win::set_title(window, source);
}
KX_API int32_t KX_CALL KX_GetHinstance(int32_t hwnd) noexcept {
    return static_cast<int32_t>(win::get_instance(static_cast<uint32_t>(hwnd)));
}
KX_API int32_t KX_CALL KX_AvailSysMem(void) noexcept {
    kxp::MEMORYSTATUS m{};
    kxp::GlobalMemoryStatus(&m);
    return static_cast<int32_t>(m.dwAvailPhys);
}

// ---- Keyboard and mouse ----------------------------------------------------------------

KX_API int32_t KX_CALL KX_KeyBoardAquire(int32_t screen) noexcept {
    return win::keyboard_acquire(screen);
}
KX_API int32_t KX_CALL KX_MouseAquire(int32_t screen) noexcept {
    return win::mouse_acquire(screen);
}
KX_API int32_t KX_CALL KX_KeyBoardUpdateInputState(int32_t screen) noexcept {
    return win::keyboard_sample(screen);
}
KX_API int32_t KX_CALL KX_MouseUpdateInputState(int32_t screen) noexcept {
    return win::mouse_sample(screen);
}
KX_API int32_t KX_CALL KX_KeyState(int32_t scan_code) noexcept {
    return win::key_state(scan_code);
}
KX_API void KX_CALL KX_FlushKeys(void) noexcept {
    win::flush_keys();
}
KX_API int32_t KX_CALL KX_ScanCode(void) noexcept {
    return win::scan_code();
}
KX_API void KX_CALL KX_Inkey(int32_t dest) noexcept {
    win::inkey(dest);
}
KX_API int32_t KX_CALL KX_InkeyASCII(void) noexcept {
    return win::inkey_ascii();
}
KX_API int32_t KX_CALL KX_KeyStateFKEYS(void) noexcept {
    return win::function_key();
}
KX_API int32_t KX_CALL KX_MouseX(int32_t screen) noexcept {
    return win::mouse_x(screen);
}
KX_API int32_t KX_CALL KX_MouseY(int32_t screen) noexcept {
    return win::mouse_y(screen);
}
KX_API int32_t KX_CALL KX_MouseZ(int32_t screen) noexcept {
    return win::mouse_z(screen);
}
KX_API int32_t KX_CALL KX_MouseMoveX(int32_t screen) noexcept {
    return win::take_mouse_move_x(screen);
}
KX_API int32_t KX_CALL KX_MouseMoveY(int32_t screen) noexcept {
    return win::take_mouse_move_y(screen);
}
KX_API int32_t KX_CALL KX_MouseMoveZ(int32_t screen) noexcept {
    return win::take_mouse_move_z(screen);
}
KX_API int32_t KX_CALL KX_MouseButton(int32_t screen) noexcept {
    return win::mouse_buttons(screen);
}

// ---- Debug counters ----------------------------------------------------------------------

KX_API int32_t KX_CALL KX_WindowDebug(int32_t index) noexcept {
    return win::debug_word(index);
}

} // extern "C"
