// Sending and posting messages, and default message processing.
#include "core/internal.h"

namespace kxp::detail {

LRESULT send(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    Window* w = find_window(hwnd);
    if (!w || !w->proc) return 0;
    WNDPROC proc = w->proc;
    return proc(hwnd, msg, wparam, lparam);
}

} // namespace kxp::detail

namespace kxp {

using namespace detail;

LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* w = find_window(hwnd);
    if (!w) return 0;
    switch (msg) {
    case WM_CLOSE: destroy(hwnd); return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && HIWORD(wParam) == 0) set_focus_quietly(hwnd);
        return 0;
    case WM_PAINT: w->needs_paint = false; return 0;
    case WM_SETCURSOR: {
        // A child lets its parent decide first.
        if ((w->style & WS_CHILD) && send(w->parent, WM_SETCURSOR, wParam, lParam)) return 1;
        if (!(w = find_window(hwnd))) return 0;
        if (GET_X_LPARAM(lParam) == HTCLIENT && w->class_cursor) {
            SetCursor(w->class_cursor);
            return 1;
        }
        return 0;
    }
    default: return 0;
    }
}

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!checked(hwnd)) return 0;
    return send(hwnd, msg, wParam, lParam);
}

BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!checked(hwnd)) return 0;
    Event e{EventKind::message};
    e.hwnd = hwnd;
    e.msg = msg;
    e.wparam = wParam;
    e.lparam = lParam;
    enqueue(e);
    return 1;
}

} // namespace kxp
