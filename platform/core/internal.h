// State shared by the platform services (internal to kx_platform).
//
// One desktop per process, reset by UseBackend. The services are called from
// one thread at a time, like the runtime; nothing here is locked.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/backend.h"
#include "kxp/host.h"
#include "kxp/input.h"
#include "kxp/system.h"
#include "kxp/window.h"

namespace kxp::detail {

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
    std::vector<std::uint32_t> frame;
    std::int32_t frame_width = 0, frame_height = 0;
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

// Reference-counted objects named by ids (input objects and devices, display
// objects, surfaces, Direct3D objects and 3D devices).
struct Object {
    virtual ~Object() = default;
    // Called once the count reached 0 and the object left the table: release
    // the objects it holds. (Destructors only free memory: they also run when
    // UseBackend discards the whole table.)
    virtual void released() {}
    std::uint32_t id = 0;
    std::uint32_t refs = 1;
};

// GDI objects named by ids (fonts, device contexts); not reference-counted.
struct GdiObject {
    virtual ~GdiObject() = default;
};

struct State {
    std::unique_ptr<Backend> backend;
    Desktop desktop{};
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
    BYTE key_state[256] = {}; // virtual keys, as delivered by the pump
    std::map<std::uint32_t, std::unique_ptr<Object>> objects;
    BYTE keys_down[256] = {}; // scan codes, as fed
    BYTE buttons[4] = {};     // 0x80 per button down, as fed
    DWORD sequence = 0;
    std::map<std::uint32_t, std::unique_ptr<GdiObject>> gdi;
    std::uint32_t stock_font = 0; // the default font of device contexts, made on first use
};

// The desktop (starting the default backend on first use).
State& state();
// Next id of a family (never 0, never one still in use per the predicate);
// counters persist across resets so stale ids stay invalid.
template <class InUse> std::uint32_t next_id(std::uint32_t& counter, InUse in_use) {
    do {
        ++counter;
    } while (counter == 0 || in_use(counter));
    return counter;
}

void set_error(DWORD code);

// Appends to the message queue (pump.cpp).
void enqueue(Event e);

// --- windows (window.cpp) ---
Window* find_window(HWND hwnd);
LRESULT send(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
HWND top_level(HWND hwnd);
POINT client_origin(const Window& w); // screen coordinates
RECT screen_rect(const Window& w);
RECT client_size(const Window& w); // (0, 0, width, height)
// Moves / sizes the outer rectangle (parent coordinates) and sends WM_MOVE and
// WM_SIZE for what changed.
void place(HWND hwnd, RECT rect, unsigned changes_extra);
void activate(HWND top);
void deactivate();
WindowView view_of(const Window& w);
void discard_windows(State& s); // tells the backend; no messages

// --- reference-counted objects (objects.cpp) ---
// Adds an object with one reference; returns its id.
std::uint32_t add_object(std::unique_ptr<Object> object);
template <class T> T* find_object(std::uint32_t id) {
    State& s = state();
    auto it = s.objects.find(id);
    return it == s.objects.end() ? nullptr : dynamic_cast<T*>(it->second.get());
}
std::uint32_t add_gdi(std::unique_ptr<GdiObject> object);
template <class T> T* find_gdi(std::uint32_t id) {
    State& s = state();
    auto it = s.gdi.find(id);
    return it == s.gdi.end() ? nullptr : dynamic_cast<T*>(it->second.get());
}

// --- display objects (ddraw.cpp) ---
bool is_display(std::uint32_t id);
HRESULT set_display_level(std::uint32_t id, HWND hwnd, DWORD flags);

// --- input (dinput.cpp, keyboard.cpp) ---
void devices_key(UINT scan, bool down, DWORD time);
void devices_motion(std::int32_t dx, std::int32_t dy, std::int32_t dz);
void devices_focus_lost(HWND top);      // foreground devices of that window are lost
UINT scan_to_vk(UINT scan, bool sided); // DIK code (0x80 = extended) to virtual key

} // namespace kxp::detail
