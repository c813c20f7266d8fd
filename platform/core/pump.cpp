// The message queue, timers, the pump and the input feed.
//
// Key and mouse input from the feed reaches the acquired input devices at
// once (as hardware input reaches DirectInput without the message loop) and is
// queued for the pump, which updates the system keyboard state and sends the
// window messages when it gets to it. Each pump delivers what was queued
// before it started; what procedures post meanwhile waits for the next pump.
#include "core/internal.h"

namespace kxp::detail {
namespace {

std::uint32_t thread_timer_counter = 0;

constexpr std::uint32_t kMinPeriod = 10;          // USER_TIMER_MINIMUM
constexpr std::uint32_t kMaxPeriod = 0x7FFFFFFFu; // USER_TIMER_MAXIMUM

bool is_down(UINT vk) {
    return (input_state().key_state[vk] & 0x80) != 0;
}

WPARAM mouse_keys() {
    WPARAM mk = 0;
    if (is_down(VK_LBUTTON)) mk |= MK_LBUTTON;
    if (is_down(VK_RBUTTON)) mk |= MK_RBUTTON;
    if (is_down(VK_SHIFT)) mk |= MK_SHIFT;
    if (is_down(VK_CONTROL)) mk |= MK_CONTROL;
    if (is_down(VK_MBUTTON)) mk |= MK_MBUTTON;
    if (is_down(VK_XBUTTON1)) mk |= MK_XBUTTON1;
    return mk;
}

void set_key(UINT vk, bool down) {
    BYTE* keys = input_state().key_state;
    if (down)
        keys[vk] |= 0x80;
    else
        keys[vk] &= 0x7F;
}

void deliver_key(WindowState& s, const Event& e) {
    UINT scan = static_cast<UINT>(e.a);
    bool down = e.b != 0;
    UINT sided = scan_to_vk(scan, true);
    UINT generic = scan_to_vk(scan, false);
    if (sided == 0) return;
    bool was_down = is_down(sided);
    if (down && !was_down && (sided == VK_CAPITAL || sided == VK_NUMLOCK || sided == VK_SCROLL))
        input_state().key_state[sided] ^= 1;
    set_key(sided, down);
    if (generic != sided) {
        UINT left = generic == VK_SHIFT     ? VK_LSHIFT
                    : generic == VK_CONTROL ? VK_LCONTROL
                                            : VK_LMENU;
        set_key(generic, is_down(left) || is_down(left + 1));
    }
    if (!s.focus) return;
    std::uint32_t l = 1u | ((scan & 0x7Fu) << 16);
    if (scan & 0x80) l |= 1u << 24;
    if (!down || was_down) l |= 1u << 30;
    if (!down) l |= 1u << 31;
    send(s.focus, down ? WM_KEYDOWN : WM_KEYUP, generic, static_cast<LPARAM>(l));
}

// Coordinate arithmetic on what a host fed (any 32-bit values): wraps as the
// mouse devices' counters do.
std::int32_t wrap(std::int64_t v) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
}

void deliver_button(WindowState& s, const Event& e) {
    static constexpr UINT vks[] = {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON, VK_XBUTTON1};
    static constexpr UINT downs[] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN,
                                     WM_XBUTTONDOWN};
    bool down = e.b != 0;
    set_key(vks[e.a], down);
    const Window* w = find_window(s.hover);
    if (!w) return;
    POINT o = client_origin(*w);
    WPARAM wp = mouse_keys();
    if (e.a == 3) wp |= static_cast<WPARAM>(XBUTTON1) << 16;
    UINT msg = downs[e.a] + (down ? 0 : 1);
    send(s.hover, msg, wp,
         MAKELPARAM(wrap(std::int64_t(e.cursor.x) - o.x), wrap(std::int64_t(e.cursor.y) - o.y)));
}

void deliver(WindowState& s, const Event& e) {
    switch (e.kind) {
    case EventKind::message: send(e.hwnd, e.msg, e.wparam, e.lparam); break;
    case EventKind::key: deliver_key(s, e); break;
    case EventKind::mouse_move:
        if (!find_window(e.hwnd)) break;
        s.hover = e.hwnd;
        send(e.hwnd, WM_SETCURSOR, e.hwnd,
             MAKELPARAM(HTCLIENT, static_cast<std::int32_t>(WM_MOUSEMOVE)));
        send(e.hwnd, WM_MOUSEMOVE, mouse_keys(), MAKELPARAM(e.a, e.b));
        break;
    case EventKind::mouse_button: deliver_button(s, e); break;
    case EventKind::wheel:
        if (s.focus)
            send(s.focus, WM_MOUSEWHEEL, MAKEWPARAM(static_cast<std::int32_t>(mouse_keys()), e.a),
                 MAKELPARAM(e.cursor.x, e.cursor.y));
        break;
    case EventKind::activate: {
        HWND top = top_level(e.hwnd);
        if (!top) break;
        if (e.a)
            activate(top);
        else if (s.active == top)
            deactivate();
        break;
    }
    case EventKind::move:
    case EventKind::size: {
        const Window* w = find_window(e.hwnd);
        if (!w) break;
        RECT r = w->rect;
        if (e.kind == EventKind::move)
            r = {e.a, e.b, e.a + (r.right - r.left), e.b + (r.bottom - r.top)};
        else
            r = {r.left, r.top, r.left + e.a, r.top + e.b};
        place(e.hwnd, r, CHANGED_BY_FEED);
        break;
    }
    }
}

void paint_pass(WindowState& s) {
    std::vector<HWND> due;
    for (auto& [id, w] : s.windows)
        if (w->needs_paint && w->shown != Shown::minimized && IsWindowVisible(id))
            due.push_back(id);
    for (HWND id : due) {
        Window* w = find_window(id);
        if (!w || !w->needs_paint) continue;
        w->needs_paint = false;
        send(id, WM_PAINT, 0, 0);
    }
}

void timer_pass(WindowState& s) {
    DWORD now = GetTickCount();
    std::vector<std::pair<HWND, std::uint32_t>> keys;
    for (auto& [key, t] : s.timers)
        if (static_cast<std::int32_t>(now - t.due) >= 0) keys.push_back(key);
    for (auto key : keys) {
        auto it = s.timers.find(key);
        if (it == s.timers.end()) continue;
        Timer& t = it->second;
        if (static_cast<std::int32_t>(now - t.due) < 0) continue;
        // One message however many periods went by; the next one stays on the
        // timer's own beat.
        DWORD periods = (now - t.due) / t.period + 1;
        t.due += periods * t.period;
        TIMERPROC proc = t.proc;
        if (proc)
            proc(key.first, WM_TIMER, key.second, now);
        else
            send(key.first, WM_TIMER, key.second, 0);
    }
}

} // namespace

void enqueue(Event e) {
    WindowState& s = window_state();
    e.serial = s.next_serial++;
    s.queue.push_back(e);
}

} // namespace kxp::detail

namespace kxp {

using namespace detail;

std::uint32_t SetTimer(HWND hwnd, std::uint32_t id, UINT elapse, TIMERPROC proc) {
    WindowState& s = window_state();
    if (hwnd != 0 && !find_window(hwnd)) {
        set_error(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (hwnd == 0) {
        if (!proc) {
            set_error(ERROR_INVALID_PARAMETER);
            return 0;
        }
        if (id == 0 || !s.timers.count({0, id}))
            id = next_id(thread_timer_counter, [&s](std::uint32_t k) {
                return s.timers.count({0, k}) != 0;
            });
    }
    DWORD period = elapse < kMinPeriod ? kMinPeriod : elapse > kMaxPeriod ? kMaxPeriod : elapse;
    s.timers[{hwnd, id}] = {period, GetTickCount() + period, proc};
    return id != 0 ? id : 1;
}

BOOL KillTimer(HWND hwnd, std::uint32_t id) {
    WindowState& s = window_state();
    if (hwnd != 0 && !find_window(hwnd)) {
        set_error(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (s.timers.erase({hwnd, id}) == 0) {
        set_error(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return 1;
}

void PostQuitMessage(std::int32_t exitCode) {
    WindowState& s = window_state();
    s.quit_posted = true;
    s.quit_code = exitCode;
}

std::int32_t PumpMessages(std::int32_t* exitCode) {
    WindowState& s = window_state();
    platform().backend->poll();
    std::uint64_t limit = s.next_serial;
    while (!s.queue.empty() && s.queue.front().serial < limit) {
        Event e = s.queue.front();
        s.queue.pop_front();
        deliver(s, e);
    }
    paint_pass(s);
    timer_pass(s);
    if (!s.quit_posted) return 0;
    s.quit_posted = false;
    if (exitCode) *exitCode = s.quit_code;
    return 1;
}

// --- Feed -----------------------------------------------------------------------

namespace {
BOOL feed_window(HWND hwnd, EventKind kind, std::int32_t a, std::int32_t b) {
    if (!find_window(hwnd)) {
        set_error(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    Event e{kind};
    e.hwnd = hwnd;
    e.a = a;
    e.b = b;
    enqueue(e);
    return 1;
}
} // namespace

BOOL FeedKey(UINT scanCode, BOOL down) {
    if (scanCode == 0 || scanCode > 255) {
        set_error(ERROR_INVALID_PARAMETER);
        return 0;
    }
    BYTE now = down ? 0x80 : 0;
    if (BYTE& was = input_state().keys_down[scanCode]; was != now) {
        was = now;
        devices_key(scanCode, down != 0, GetTickCount());
    }
    Event e{EventKind::key};
    e.a = static_cast<std::int32_t>(scanCode);
    e.b = down ? 1 : 0;
    enqueue(e);
    return 1;
}

BOOL FeedMouseMove(HWND hwnd, std::int32_t x, std::int32_t y) {
    const Window* w = find_window(hwnd);
    if (!w) {
        set_error(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    WindowState& s = window_state();
    POINT o = client_origin(*w);
    // A host may feed any coordinates: the sums wrap as the devices' counters do.
    POINT to = {wrap(std::int64_t(o.x) + x), wrap(std::int64_t(o.y) + y)};
    devices_motion(wrap(std::int64_t(to.x) - s.cursor_pos.x),
                   wrap(std::int64_t(to.y) - s.cursor_pos.y), 0);
    s.cursor_pos = to;
    return feed_window(hwnd, EventKind::mouse_move, x, y);
}

void FeedMouseMotion(std::int32_t dx, std::int32_t dy) {
    devices_motion(dx, dy, 0);
}

void FeedMouseWheel(std::int32_t delta) {
    devices_motion(0, 0, delta);
    Event e{EventKind::wheel};
    e.a = delta;
    e.cursor = window_state().cursor_pos;
    enqueue(e);
}

BOOL FeedMouseButton(std::int32_t button, BOOL down) {
    if (button < 0 || button > 3) {
        set_error(ERROR_INVALID_PARAMETER);
        return 0;
    }
    WindowState& s = window_state();
    input_state().buttons[button] = down ? 0x80 : 0;
    Event e{EventKind::mouse_button};
    e.a = button;
    e.b = down ? 1 : 0;
    e.cursor = s.cursor_pos;
    enqueue(e);
    return 1;
}

BOOL FeedClose(HWND hwnd) {
    if (!find_window(hwnd)) {
        set_error(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    Event e{EventKind::message};
    e.hwnd = hwnd;
    e.msg = WM_CLOSE;
    enqueue(e);
    return 1;
}

BOOL FeedActivate(HWND hwnd, BOOL active) {
    return feed_window(hwnd, EventKind::activate, active ? 1 : 0, 0);
}

BOOL FeedMove(HWND hwnd, std::int32_t x, std::int32_t y) {
    return feed_window(hwnd, EventKind::move, x, y);
}

BOOL FeedSize(HWND hwnd, std::int32_t width, std::int32_t height) {
    return feed_window(hwnd, EventKind::size, width, height);
}

} // namespace kxp
