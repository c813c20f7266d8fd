// Windows and messages: window classes, windows with their rectangles, texts,
// placement and data words, timers, focus and activation, the cursor, system
// metrics, and the message pump that a host calls once per frame.
//
// Names, constants, flag values and results are the classic ones. Messages are
// delivered to the window procedure of their window: "sent" messages at once,
// from inside the call that causes them (creation, placement, showing,
// activation), "posted" ones and input by PumpMessages.
#pragma once

#include <cstddef>

#include "kxp/types.h"

namespace kxp {

// Window procedure: (window, message, first parameter, second parameter).
using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
// Timer procedure: (window, WM_TIMER, timer id, tick count).
using TIMERPROC = void (*)(HWND, UINT, std::uint32_t, DWORD);

// --- Messages -------------------------------------------------------------
inline constexpr UINT WM_NULL = 0x0000;
inline constexpr UINT WM_CREATE = 0x0001;
inline constexpr UINT WM_DESTROY = 0x0002;
inline constexpr UINT WM_MOVE = 0x0003;
inline constexpr UINT WM_SIZE = 0x0005;
inline constexpr UINT WM_ACTIVATE = 0x0006;
inline constexpr UINT WM_PAINT = 0x000F;
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_QUIT = 0x0012;
inline constexpr UINT WM_SETCURSOR = 0x0020;
inline constexpr UINT WM_KEYDOWN = 0x0100;
inline constexpr UINT WM_KEYUP = 0x0101;
inline constexpr UINT WM_TIMER = 0x0113;
inline constexpr UINT WM_MOUSEMOVE = 0x0200;
inline constexpr UINT WM_LBUTTONDOWN = 0x0201;
inline constexpr UINT WM_LBUTTONUP = 0x0202;
inline constexpr UINT WM_RBUTTONDOWN = 0x0204;
inline constexpr UINT WM_RBUTTONUP = 0x0205;
inline constexpr UINT WM_MBUTTONDOWN = 0x0207;
inline constexpr UINT WM_MBUTTONUP = 0x0208;
inline constexpr UINT WM_MOUSEWHEEL = 0x020A;
inline constexpr UINT WM_XBUTTONDOWN = 0x020B;
inline constexpr UINT WM_XBUTTONUP = 0x020C;
inline constexpr UINT WM_USER = 0x0400;

// WM_SIZE first parameter.
inline constexpr WPARAM SIZE_RESTORED = 0;
inline constexpr WPARAM SIZE_MINIMIZED = 1;
inline constexpr WPARAM SIZE_MAXIMIZED = 2;
// WM_ACTIVATE first parameter (low word; the high word is 1 for a minimised window).
inline constexpr WPARAM WA_INACTIVE = 0;
inline constexpr WPARAM WA_ACTIVE = 1;
inline constexpr WPARAM WA_CLICKACTIVE = 2;
// WM_SETCURSOR hit-test code (low word of the second parameter).
inline constexpr std::int32_t HTCLIENT = 1;
// Mouse message key flags (first parameter).
inline constexpr WPARAM MK_LBUTTON = 0x0001;
inline constexpr WPARAM MK_RBUTTON = 0x0002;
inline constexpr WPARAM MK_SHIFT = 0x0004;
inline constexpr WPARAM MK_CONTROL = 0x0008;
inline constexpr WPARAM MK_MBUTTON = 0x0010;
inline constexpr WPARAM MK_XBUTTON1 = 0x0020;
inline constexpr WORD XBUTTON1 = 0x0001;
inline constexpr std::int32_t WHEEL_DELTA = 120;

// --- Styles -----------------------------------------------------------------
inline constexpr UINT CS_VREDRAW = 0x0001;
inline constexpr UINT CS_HREDRAW = 0x0002;

inline constexpr DWORD WS_OVERLAPPED = 0x00000000;
inline constexpr DWORD WS_MAXIMIZEBOX = 0x00010000;
inline constexpr DWORD WS_MINIMIZEBOX = 0x00020000;
inline constexpr DWORD WS_THICKFRAME = 0x00040000;
inline constexpr DWORD WS_SYSMENU = 0x00080000;
inline constexpr DWORD WS_DLGFRAME = 0x00400000;
inline constexpr DWORD WS_BORDER = 0x00800000;
inline constexpr DWORD WS_CAPTION = 0x00C00000;
inline constexpr DWORD WS_MAXIMIZE = 0x01000000;
inline constexpr DWORD WS_CLIPCHILDREN = 0x02000000;
inline constexpr DWORD WS_CLIPSIBLINGS = 0x04000000;
inline constexpr DWORD WS_VISIBLE = 0x10000000;
inline constexpr DWORD WS_MINIMIZE = 0x20000000;
inline constexpr DWORD WS_CHILD = 0x40000000;
inline constexpr DWORD WS_POPUP = 0x80000000;
inline constexpr DWORD WS_OVERLAPPEDWINDOW = 0x00CF0000;
inline constexpr DWORD WS_EX_DLGMODALFRAME = 0x00000001;
inline constexpr DWORD WS_EX_CLIENTEDGE = 0x00000200;

// Position or size argument of CreateWindowEx asking for the default.
inline constexpr std::int32_t CW_USEDEFAULT = static_cast<std::int32_t>(0x80000000u);

// --- Show commands ----------------------------------------------------------
inline constexpr std::int32_t SW_HIDE = 0;
inline constexpr std::int32_t SW_SHOWNORMAL = 1;
inline constexpr std::int32_t SW_NORMAL = 1;
inline constexpr std::int32_t SW_SHOWMINIMIZED = 2;
inline constexpr std::int32_t SW_SHOWMAXIMIZED = 3;
inline constexpr std::int32_t SW_MAXIMIZE = 3;
inline constexpr std::int32_t SW_SHOWNOACTIVATE = 4;
inline constexpr std::int32_t SW_SHOW = 5;
inline constexpr std::int32_t SW_MINIMIZE = 6;
inline constexpr std::int32_t SW_SHOWMINNOACTIVE = 7;
inline constexpr std::int32_t SW_SHOWNA = 8;
inline constexpr std::int32_t SW_RESTORE = 9;
inline constexpr std::int32_t SW_SHOWDEFAULT = 10;
inline constexpr std::int32_t SW_FORCEMINIMIZE = 11;

// --- SetWindowPos -----------------------------------------------------------
inline constexpr UINT SWP_NOSIZE = 0x0001;
inline constexpr UINT SWP_NOMOVE = 0x0002;
inline constexpr UINT SWP_NOZORDER = 0x0004;
inline constexpr UINT SWP_NOREDRAW = 0x0008;
inline constexpr UINT SWP_NOACTIVATE = 0x0010;
inline constexpr UINT SWP_FRAMECHANGED = 0x0020;
inline constexpr UINT SWP_SHOWWINDOW = 0x0040;
inline constexpr UINT SWP_HIDEWINDOW = 0x0080;
inline constexpr HWND HWND_TOP = 0;

// --- Window data words (GetWindowLong / SetWindowLong) ---------------------
inline constexpr std::int32_t GWL_WNDPROC = -4;
inline constexpr std::int32_t GWL_HINSTANCE = -6;
inline constexpr std::int32_t GWL_HWNDPARENT = -8;
inline constexpr std::int32_t GWL_ID = -12;
inline constexpr std::int32_t GWL_STYLE = -16;
inline constexpr std::int32_t GWL_EXSTYLE = -20;
inline constexpr std::int32_t GWL_USERDATA = -21;

// --- System metrics ---------------------------------------------------------
inline constexpr std::int32_t SM_CXSCREEN = 0;
inline constexpr std::int32_t SM_CYSCREEN = 1;
inline constexpr std::int32_t SM_CXVSCROLL = 2;
inline constexpr std::int32_t SM_CYHSCROLL = 3;
inline constexpr std::int32_t SM_CYCAPTION = 4;
inline constexpr std::int32_t SM_CXBORDER = 5;
inline constexpr std::int32_t SM_CYBORDER = 6;
inline constexpr std::int32_t SM_CXDLGFRAME = 7;
inline constexpr std::int32_t SM_CYDLGFRAME = 8;
inline constexpr std::int32_t SM_CXICON = 11;
inline constexpr std::int32_t SM_CYICON = 12;
inline constexpr std::int32_t SM_CXCURSOR = 13;
inline constexpr std::int32_t SM_CYCURSOR = 14;
inline constexpr std::int32_t SM_CYMENU = 15;
inline constexpr std::int32_t SM_CXFULLSCREEN = 16; // work area width
inline constexpr std::int32_t SM_CYFULLSCREEN = 17; // work area height
inline constexpr std::int32_t SM_MOUSEPRESENT = 19;
inline constexpr std::int32_t SM_SWAPBUTTON = 23;
inline constexpr std::int32_t SM_CXFRAME = 32; // sizing frame
inline constexpr std::int32_t SM_CYFRAME = 33;
inline constexpr std::int32_t SM_CMOUSEBUTTONS = 43;
inline constexpr std::int32_t SM_CXEDGE = 45;
inline constexpr std::int32_t SM_CYEDGE = 46;
inline constexpr std::int32_t SM_CXSMICON = 49;
inline constexpr std::int32_t SM_CYSMICON = 50;
inline constexpr std::int32_t SM_CXMAXIMIZED = 61;
inline constexpr std::int32_t SM_CYMAXIMIZED = 62;
inline constexpr std::int32_t SM_MOUSEWHEELPRESENT = 75;
inline constexpr std::int32_t SM_CMONITORS = 80;

// --- Cursors and icons (system resources, loaded with instance 0) ----------
inline constexpr std::uint32_t IDC_ARROW = 32512;
inline constexpr std::uint32_t IDC_IBEAM = 32513;
inline constexpr std::uint32_t IDC_WAIT = 32514;
inline constexpr std::uint32_t IDC_CROSS = 32515;
inline constexpr std::uint32_t IDC_SIZEALL = 32646;
inline constexpr std::uint32_t IDC_NO = 32648;
inline constexpr std::uint32_t IDC_HAND = 32649;
inline constexpr std::uint32_t IDI_APPLICATION = 32512;
inline constexpr std::uint32_t IDI_HAND = 32513;
inline constexpr std::uint32_t IDI_QUESTION = 32514;
inline constexpr std::uint32_t IDI_EXCLAMATION = 32515;
inline constexpr std::uint32_t IDI_ASTERISK = 32516;
inline constexpr std::uint32_t IDI_WINLOGO = 32517;

// --- Records ----------------------------------------------------------------
struct WNDCLASSEX {
    UINT cbSize; // sizeof(WNDCLASSEX)
    UINT style;  // CS_ flags
    WNDPROC lpfnWndProc;
    std::int32_t cbClsExtra;
    std::int32_t cbWndExtra; // bytes of window data words at index 0 and up (at most 256)
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor; // class cursor, set by DefWindowProc on WM_SETCURSOR
    HBRUSH hbrBackground;
    const char* lpszMenuName;
    const char* lpszClassName; // or an atom: a value below 0x10000
    HICON hIconSm;
};

// The second parameter of WM_CREATE is the 32-bit address of this record (in
// the low-memory heap, valid during the call); strings are 32-bit addresses of
// zero-terminated copies.
struct CREATESTRUCT {
    std::uint32_t lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    std::int32_t cy;
    std::int32_t cx;
    std::int32_t y;
    std::int32_t x;
    LONG style;
    std::uint32_t lpszName;
    std::uint32_t lpszClass;
    DWORD dwExStyle;
};
static_assert(sizeof(CREATESTRUCT) == 48);

// 11 words; length must be 44 for GetWindowPlacement and SetWindowPlacement.
struct WINDOWPLACEMENT {
    UINT length;
    UINT flags;
    UINT showCmd;
    POINT ptMinPosition;
    POINT ptMaxPosition;
    RECT rcNormalPosition; // workspace (work area) coordinates
};
static_assert(sizeof(WINDOWPLACEMENT) == 44);
static_assert(offsetof(WINDOWPLACEMENT, rcNormalPosition) == 28);

inline constexpr UINT WPF_SETMINPOSITION = 0x0001;
inline constexpr UINT WPF_RESTORETOMAXIMIZED = 0x0002;

// --- Classes ----------------------------------------------------------------
// Registers a class; returns its atom, or 0 (already registered for the same
// instance, no procedure, no name, wrong cbSize, extra bytes out of range).
KXP_API ATOM RegisterClassEx(const WNDCLASSEX* wc);
// Fails while windows of the class exist.
KXP_API BOOL UnregisterClass(const char* className, HINSTANCE instance);

// --- Windows ----------------------------------------------------------------
// Creates a window of outer size (width, height) at (x, y) (screen coordinates,
// or the parent's client coordinates for WS_CHILD). Sends WM_CREATE (a result of
// -1 destroys the window and fails), then WM_SIZE and WM_MOVE; WS_VISIBLE shows
// and activates it. Returns the window id or 0.
KXP_API HWND CreateWindowEx(DWORD exStyle, const char* className, const char* windowName,
                            DWORD style, std::int32_t x, std::int32_t y, std::int32_t width,
                            std::int32_t height, HWND parent, HMENU menu, HINSTANCE instance,
                            std::uint32_t param = 0);
// Sends WM_DESTROY to the window and then to its children, and removes them
// with their timers and queued messages.
KXP_API BOOL DestroyWindow(HWND hwnd);
KXP_API BOOL IsWindow(HWND hwnd);
KXP_API BOOL IsWindowVisible(HWND hwnd);
KXP_API HWND GetParent(HWND hwnd);

// Moves and/or sizes the outer rectangle; sends WM_MOVE / WM_SIZE for what
// changed. The z-order is not modelled: insertAfter is ignored. Without
// SWP_NOACTIVATE a visible top-level window is activated.
KXP_API BOOL SetWindowPos(HWND hwnd, HWND insertAfter, std::int32_t x, std::int32_t y,
                          std::int32_t cx, std::int32_t cy, UINT flags);
KXP_API BOOL GetWindowPlacement(HWND hwnd, WINDOWPLACEMENT* wp);
KXP_API BOOL SetWindowPlacement(HWND hwnd, const WINDOWPLACEMENT* wp);
KXP_API BOOL GetWindowRect(HWND hwnd, RECT* rect); // outer rectangle, screen coordinates
KXP_API BOOL GetClientRect(HWND hwnd, RECT* rect); // (0, 0, width, height)
KXP_API BOOL ClientToScreen(HWND hwnd, POINT* point);
KXP_API BOOL ScreenToClient(HWND hwnd, POINT* point);
// Grows a client rectangle to the outer rectangle of a window of that style.
KXP_API BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL menu, DWORD exStyle);

// Copies at most maxCount - 1 characters and a terminator; returns the count copied.
KXP_API std::int32_t GetWindowText(HWND hwnd, char* buffer, std::int32_t maxCount);
KXP_API std::int32_t GetWindowTextLength(HWND hwnd);
KXP_API BOOL SetWindowText(HWND hwnd, const char* text);

// GWL_USERDATA, GWL_STYLE, GWL_EXSTYLE, GWL_HINSTANCE, GWL_ID and the class's
// extra window bytes (index >= 0). GWL_WNDPROC cannot be held in 32 bits and
// is refused. SetWindowLong returns the previous value.
KXP_API LONG GetWindowLong(HWND hwnd, std::int32_t index);
KXP_API LONG SetWindowLong(HWND hwnd, std::int32_t index, LONG value);

KXP_API BOOL ShowWindow(HWND hwnd, std::int32_t cmdShow); // previous visibility
// Sends WM_PAINT at once if the window is visible and needs painting.
KXP_API BOOL UpdateWindow(HWND hwnd);
// Marks the window for painting (the rectangle is not tracked: the whole
// client area is invalidated).
KXP_API BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
KXP_API HWND SetFocus(HWND hwnd); // previous focus window
KXP_API HWND GetFocus();
KXP_API HWND GetActiveWindow();

// --- Timers -----------------------------------------------------------------
// Periods below 10 ms are raised to 10 ms. Timers are keyed by (window, id);
// id 0 is a valid id for a window timer. Returns id, or 1 for id 0, or 0 for
// a bad window. Without a window a timer procedure is required and a new id
// is returned.
KXP_API std::uint32_t SetTimer(HWND hwnd, std::uint32_t id, UINT elapse, TIMERPROC proc);
KXP_API BOOL KillTimer(HWND hwnd, std::uint32_t id);

// --- Cursor and icons -------------------------------------------------------
KXP_API HCURSOR LoadCursor(HINSTANCE instance, std::uint32_t cursorName);
KXP_API HICON LoadIcon(HINSTANCE instance, std::uint32_t iconName);
// Returns the previous cursor; 0 hides the cursor; an unknown id is refused (0).
KXP_API HCURSOR SetCursor(HCURSOR cursor);
KXP_API HCURSOR GetCursor();
// Adjusts the display count (starting at 0) and returns it; the cursor shows
// while the count is >= 0.
KXP_API std::int32_t ShowCursor(BOOL show);

KXP_API std::int32_t GetSystemMetrics(std::int32_t index);

// --- Messages ---------------------------------------------------------------
KXP_API LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
KXP_API LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Queues a message for PumpMessages; refused for a window that does not exist.
KXP_API BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
KXP_API void PostQuitMessage(std::int32_t exitCode);

// Called by the host once per frame. Polls the backend, then delivers, in
// order: the input and messages queued before the call (in the order they
// were queued), WM_PAINT to visible windows that need painting, and one
// WM_TIMER per due timer (period on the platform clock, GetTickCount).
// Returns 1 if a quit message had been posted (its code stored in *exitCode
// when non-null; the quit is reported once), else 0.
KXP_API std::int32_t PumpMessages(std::int32_t* exitCode = nullptr);

} // namespace kxp
