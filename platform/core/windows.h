// The windows and messages service (internal to kx_platform): window classes,
// windows, timers, the message queue, activation and focus, and the cursor.
// Its state lives in window.cpp; cursors (cursor.cpp), system metrics
// (metrics.cpp) and message sending (messages.cpp) use it too.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/internal.h"

namespace kxp::detail {

// Frame metrics of the simulated system (classic look).
inline constexpr std::int32_t kCaption = 19;
inline constexpr std::int32_t kMenu = 19;
inline constexpr std::int32_t kFrame = 4;
inline constexpr std::int32_t kDlgFrame = 3;
inline constexpr std::int32_t kBorder = 1;
inline constexpr std::int32_t kEdge = 2;

struct Insets {
    std::int32_t left, top, right, bottom;
};

struct WindowClass {
    std::string name;
    ATOM atom = 0;
    UINT style = 0;
    WNDPROC proc = nullptr;
    std::int32_t wnd_extra = 0;
    HINSTANCE instance = 0;
    HICON icon = 0, icon_small = 0;
    HCURSOR cursor = 0;
    HBRUSH brush = 0;
    int windows = 0; // live windows of the class
};

enum class Shown { normal, minimized, maximized };

struct Window {
    HWND id = 0;
    ATOM atom = 0;
    WNDPROC proc = nullptr;
    UINT class_style = 0;
    HCURSOR class_cursor = 0;
    DWORD style = 0; // without WS_VISIBLE / WS_MINIMIZE / WS_MAXIMIZE (see style_word)
    DWORD ex_style = 0;
    HWND parent = 0;
    HMENU menu = 0;
    HINSTANCE instance = 0;
    LONG user_data = 0;
    std::vector<BYTE> extra;
    std::string text;
    RECT rect{};   // outer rectangle, parent client coordinates (screen for top-level)
    RECT normal{}; // restored rectangle, same coordinates
    POINT min_pos{-1, -1};
    POINT max_pos{-1, -1};
    Shown shown = Shown::normal;
    Insets insets{}; // frame thickness, fixed at creation and SetWindowPos
    bool restore_to_max = false;
    bool visible = false;
    bool needs_paint = false;
    bool destroying = false;
    // The last presented frame (0x00RRGGBB, frame_width x frame_height).
    // While frame_surface is set, the frame is read in place from that 32-bit
    // primary surface, at frame_at (see frame_of and own_frame, ddraw.cpp);
    // frame keeps its size and takes the pixels back when that ends.
    std::vector<std::uint32_t> frame;
    std::int32_t frame_width = 0, frame_height = 0;
    std::uint32_t frame_surface = 0;
    POINT frame_at{};
    DWORD presents = 0;
};

struct Timer {
    DWORD period = 0;
    DWORD due = 0;
    TIMERPROC proc = nullptr;
};

enum class EventKind { message, key, mouse_move, mouse_button, wheel, activate, move, size };

struct Event {
    EventKind kind;
    HWND hwnd = 0;
    UINT msg = 0;
    WPARAM wparam = 0;
    LPARAM lparam = 0;
    std::int32_t a = 0, b = 0;
    POINT cursor{}; // screen position of the cursor when the input happened
    std::uint64_t serial = 0;
};

struct WindowState {
    std::map<ATOM, WindowClass> classes;
    std::map<HWND, std::unique_ptr<Window>> windows;
    std::map<std::pair<HWND, std::uint32_t>, Timer> timers;
    std::deque<Event> queue;
    std::uint64_t next_serial = 0;
    HWND focus = 0;
    HWND active = 0;
    HWND hover = 0; // window the cursor last moved over
    HCURSOR cursor = 0;
    std::int32_t cursor_count = 0;
    POINT cursor_pos{};
    bool quit_posted = false;
    std::int32_t quit_code = 0;
};
WindowState& window_state();

// Appends to the message queue (pump.cpp).
void enqueue(Event e);

// --- windows (window.cpp) ---
Window* find_window(HWND hwnd);
// find_window that records ERROR_INVALID_WINDOW_HANDLE when there is none.
Window* checked(HWND hwnd);
HWND top_level(HWND hwnd);
POINT client_origin(const Window& w); // screen coordinates
RECT screen_rect(const Window& w);
RECT client_size(const Window& w); // (0, 0, width, height)
// Moves / sizes the outer rectangle (parent coordinates) and sends WM_MOVE and
// WM_SIZE for what changed.
void place(HWND hwnd, RECT rect, unsigned changes_extra);
void activate(HWND top);
void deactivate();
void destroy(HWND hwnd); // with its children and owned windows
void set_focus_quietly(HWND hwnd);
WindowView view_of(const Window& w);
void discard_windows(); // tells the backend; no messages

// --- frames (ddraw.cpp) ---
// Where the window's frame is read: its own pixels, or the primary's rows it
// shares (whose top bytes readers ignore). full_screen is false.
FrameView frame_of(const Window& w);
// Copies a shared frame into the window's own pixels: done before anything
// changes the primary without presenting to the window, or changes the
// window's frame area or whether the primary presents to it.
void own_frame(Window& w);

// --- messages (messages.cpp) ---
LRESULT send(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);

} // namespace kxp::detail
