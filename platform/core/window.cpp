// Window classes and windows: creation, rectangles, placement, show states,
// activation and focus, texts and data words; and the state of the windows
// and messages service.
//
// Rectangles are kept as the outer rectangle in the parent's client
// coordinates (screen coordinates for top-level windows) plus the frame
// insets fixed from the style at creation and at every SetWindowPos, as the
// classic system recomputes the client area only then. Window procedures may
// create and destroy windows while they run, so no Window pointer is held
// across a call of a procedure.
#include <algorithm>
#include <cstring>
#include <strings.h>

#include "core/internal.h"
#include "kxp/heap.h"

namespace kxp::detail {
namespace {

WindowState& storage() {
    static WindowState s;
    return s;
}

constexpr std::int32_t kMaxExtraBytes = 256;
constexpr std::int32_t kIconic = -32000; // where minimised windows go
constexpr std::int32_t kIconicWidth = 160;

std::uint32_t window_counter = 0;
std::uint32_t atom_counter = 0;

Insets insets_for(DWORD style, bool menu, DWORD ex_style) {
    std::int32_t f = 0;
    if (style & WS_THICKFRAME)
        f = kFrame;
    else if ((style & WS_DLGFRAME) || (ex_style & WS_EX_DLGMODALFRAME))
        f = kDlgFrame;
    else if (style & WS_BORDER)
        f = kBorder;
    Insets in{f, f, f, f};
    if ((style & WS_CAPTION) == WS_CAPTION) in.top += kCaption;
    if (menu) in.top += kMenu;
    if (ex_style & WS_EX_CLIENTEDGE) {
        in.left += kEdge;
        in.top += kEdge;
        in.right += kEdge;
        in.bottom += kEdge;
    }
    return in;
}

Insets insets_of(const Window& w) {
    return insets_for(w.style, w.menu != 0 && !(w.style & WS_CHILD), w.ex_style);
}

DWORD style_word(const Window& w) {
    DWORD s = w.style;
    if (w.visible) s |= WS_VISIBLE;
    if (w.shown == Shown::minimized) s |= WS_MINIMIZE;
    if (w.shown == Shown::maximized) s |= WS_MAXIMIZE;
    return s;
}

bool is_atom(const char* name) {
    return reinterpret_cast<std::uintptr_t>(name) < 0x10000;
}

WindowClass* find_class(const char* name, HINSTANCE instance) {
    WindowState& s = window_state();
    if (!name) return nullptr;
    if (is_atom(name)) {
        auto it = s.classes.find(static_cast<ATOM>(reinterpret_cast<std::uintptr_t>(name)));
        return it == s.classes.end() ? nullptr : &it->second;
    }
    WindowClass* any = nullptr;
    for (auto& [atom, c] : s.classes) {
        if (strcasecmp(c.name.c_str(), name) != 0) continue;
        if (c.instance == instance) return &c;
        if (!any) any = &c;
    }
    return any;
}

// Origin of the client area in the parent's client coordinates.
POINT local_client_origin(const Window& w) {
    return {w.rect.left + w.insets.left, w.rect.top + w.insets.top};
}

// Screen position of the coordinate system w.rect is given in.
POINT frame_origin(const Window& w) {
    if (!(w.style & WS_CHILD)) return {0, 0};
    if (const Window* p = find_window(w.parent)) return client_origin(*p);
    return {0, 0};
}

RECT area_for_maximized(const Window& w) {
    if (w.style & WS_CHILD) {
        if (const Window* p = find_window(w.parent)) return client_size(*p);
        return {0, 0, 0, 0};
    }
    return platform().desktop.work;
}

RECT target_rect(const Window& w, Shown shown) {
    switch (shown) {
    case Shown::normal: return w.normal;
    case Shown::maximized: {
        RECT a = area_for_maximized(w);
        Insets in = insets_of(w);
        return {a.left - in.left, a.top - in.bottom, a.right + in.right, a.bottom + in.bottom};
    }
    case Shown::minimized: {
        Insets in = insets_of(w);
        return {kIconic, kIconic, kIconic + kIconicWidth, kIconic + in.top + in.bottom};
    }
    }
    return w.rect;
}

void notify(Window& w, unsigned changes) {
    // A shared frame stays as presented only while the window keeps its place
    // and stays one that the primary presents to.
    if (changes != CHANGED_TEXT) own_frame(w);
    platform().backend->window_changed(view_of(w), changes);
}

void set_visible(Window& w, bool visible) {
    if (w.visible == visible) return;
    w.visible = visible;
    if (visible) w.needs_paint = true;
    notify(w, CHANGED_SHOW);
}

bool inside(HWND hwnd, HWND ancestor) {
    for (int depth = 0; hwnd && depth < 1000; ++depth) {
        if (hwnd == ancestor) return true;
        const Window* w = find_window(hwnd);
        if (!w || !(w->style & WS_CHILD)) return false;
        hwnd = w->parent;
    }
    return false;
}

// Moves the window to another show state and sends what the change causes.
void set_shown(HWND hwnd, Shown shown) {
    Window* w = find_window(hwnd);
    if (!w || w->shown == shown) return;
    if (shown == Shown::minimized)
        w->restore_to_max = w->shown == Shown::maximized;
    else
        w->restore_to_max = false;
    w->shown = shown;
    RECT r = target_rect(*w, shown);
    if (shown == Shown::minimized) w->min_pos = {r.left, r.top};
    place(hwnd, r, CHANGED_SHOW);
}

void hide(HWND hwnd) {
    Window* w = find_window(hwnd);
    if (!w || !w->visible) return;
    set_visible(*w, false);
    WindowState& s = window_state();
    if (s.active == hwnd)
        deactivate();
    else if (s.focus && inside(s.focus, hwnd))
        s.focus = 0;
}

} // namespace

void set_focus_quietly(HWND hwnd) {
    window_state().focus = hwnd;
}

void destroy(HWND hwnd) {
    WindowState& s = window_state();
    Window* w = find_window(hwnd);
    if (!w || w->destroying) return;
    w->destroying = true;
    hide(hwnd);
    if (s.focus && inside(s.focus, hwnd)) s.focus = 0;
    send(hwnd, WM_DESTROY, 0, 0);
    // Children and owned windows go after the window itself has been told.
    std::vector<HWND> dependents;
    for (auto& [id, other] : s.windows)
        if (other->parent == hwnd) dependents.push_back(id);
    for (HWND d : dependents)
        destroy(d);

    for (auto it = s.timers.begin(); it != s.timers.end();)
        it = it->first.first == hwnd ? s.timers.erase(it) : std::next(it);
    std::erase_if(s.queue, [hwnd](const Event& e) { return e.hwnd == hwnd; });
    if (s.hover == hwnd) s.hover = 0;
    if (s.active == hwnd) s.active = 0;
    if (s.focus == hwnd) s.focus = 0;
    devices_focus_lost(hwnd);
    w = find_window(hwnd);
    if (!w) return;
    auto cls = s.classes.find(w->atom);
    if (cls != s.classes.end()) --cls->second.windows;
    platform().backend->window_destroyed(hwnd);
    s.windows.erase(hwnd);
}

namespace {

// A zero-terminated copy of a string in the low-memory heap (0 for null).
std::uint32_t low_copy(const char* text) {
    if (!text || is_atom(text)) return 0;
    std::size_t n = std::strlen(text) + 1;
    void* p = heap::alloc(n);
    if (!p) return 0;
    std::memcpy(p, text, n);
    return addr32(p);
}

bool valid_show_command(std::int32_t cmd) {
    return cmd >= SW_HIDE && cmd <= SW_FORCEMINIMIZE;
}

bool show(HWND hwnd, std::int32_t cmd) {
    Window* w = find_window(hwnd);
    bool was = w->visible;
    bool activates = false;
    switch (cmd) {
    case SW_HIDE: hide(hwnd); return was;
    case SW_SHOWNORMAL:
    case SW_SHOWDEFAULT:
    case SW_SHOWNOACTIVATE:
        set_shown(hwnd, Shown::normal);
        activates = cmd != SW_SHOWNOACTIVATE;
        break;
    case SW_RESTORE:
        set_shown(hwnd, w->shown == Shown::minimized && w->restore_to_max ? Shown::maximized
                                                                          : Shown::normal);
        activates = true;
        break;
    case SW_SHOW: activates = true; break;
    case SW_SHOWNA: break;
    case SW_SHOWMAXIMIZED:
        set_shown(hwnd, Shown::maximized);
        activates = true;
        break;
    case SW_SHOWMINIMIZED:
        set_shown(hwnd, Shown::minimized);
        activates = true;
        break;
    default: // SW_MINIMIZE, SW_SHOWMINNOACTIVE, SW_FORCEMINIMIZE
        set_shown(hwnd, Shown::minimized);
        if (window_state().active == hwnd) deactivate();
        break;
    }
    if ((w = find_window(hwnd))) set_visible(*w, true);
    if ((w = find_window(hwnd)) && activates && !(w->style & WS_CHILD)) activate(hwnd);
    return was;
}

} // namespace

WindowState& window_state() {
    platform();
    return storage();
}

void reset_windows(const Desktop& desktop) {
    WindowState& s = storage();
    s = WindowState{};
    s.cursor_pos = {(desktop.work.left + desktop.work.right) / 2,
                    (desktop.work.top + desktop.work.bottom) / 2};
    s.cursor = 1; // the arrow (see LoadCursor)
}

Window* find_window(HWND hwnd) {
    if (hwnd == 0) return nullptr;
    WindowState& s = window_state();
    auto it = s.windows.find(hwnd);
    return it == s.windows.end() ? nullptr : it->second.get();
}

HWND top_level(HWND hwnd) {
    for (int depth = 0; depth < 1000; ++depth) {
        const Window* w = find_window(hwnd);
        if (!w) return 0;
        if (!(w->style & WS_CHILD)) return hwnd;
        hwnd = w->parent;
    }
    return 0;
}

POINT client_origin(const Window& w) {
    POINT f = frame_origin(w), o = local_client_origin(w);
    return {f.x + o.x, f.y + o.y};
}

RECT screen_rect(const Window& w) {
    POINT f = frame_origin(w);
    return {w.rect.left + f.x, w.rect.top + f.y, w.rect.right + f.x, w.rect.bottom + f.y};
}

RECT client_size(const Window& w) {
    if (w.shown == Shown::minimized) return {0, 0, 0, 0};
    std::int32_t cw = w.rect.right - w.rect.left - w.insets.left - w.insets.right;
    std::int32_t ch = w.rect.bottom - w.rect.top - w.insets.top - w.insets.bottom;
    return {0, 0, std::max(cw, 0), std::max(ch, 0)};
}

WindowView view_of(const Window& w) {
    RECT c = client_size(w);
    POINT o = client_origin(w);
    return {w.id,
            w.text.c_str(),
            screen_rect(w),
            {o.x, o.y, o.x + c.right, o.y + c.bottom},
            style_word(w),
            w.visible && w.shown != Shown::minimized,
            !(w.style & WS_CHILD)};
}

void place(HWND hwnd, RECT r, unsigned changes) {
    Window* w = find_window(hwnd);
    if (!w) return;
    r.right = std::max(r.right, r.left);
    r.bottom = std::max(r.bottom, r.top);
    POINT old_origin = local_client_origin(*w);
    RECT old_client = client_size(*w);
    RECT old_rect = w->rect;
    w->insets = insets_of(*w);
    w->rect = r;
    if (w->shown == Shown::normal) w->normal = r;
    POINT origin = local_client_origin(*w);
    RECT client = client_size(*w);
    bool moved = origin.x != old_origin.x || origin.y != old_origin.y;
    bool sized = client.right != old_client.right || client.bottom != old_client.bottom;
    bool state_changed = changes & CHANGED_SHOW;
    if (sized) w->needs_paint = true;
    if (moved || sized || state_changed || std::memcmp(&old_rect, &r, sizeof r) != 0)
        notify(*w, CHANGED_RECT | changes);
    if (moved) send(hwnd, WM_MOVE, 0, MAKELPARAM(origin.x, origin.y));
    if ((sized || state_changed) && (w = find_window(hwnd))) {
        WPARAM kind = w->shown == Shown::minimized   ? SIZE_MINIMIZED
                      : w->shown == Shown::maximized ? SIZE_MAXIMIZED
                                                     : SIZE_RESTORED;
        send(hwnd, WM_SIZE, kind, MAKELPARAM(client.right, client.bottom));
    }
}

void activate(HWND top) {
    WindowState& s = window_state();
    if (s.active == top) return;
    HWND old = s.active;
    s.active = top;
    if (old) {
        if (s.focus && inside(s.focus, old)) s.focus = 0;
        devices_focus_lost(old);
        send(old, WM_ACTIVATE, WA_INACTIVE, static_cast<LPARAM>(top));
    }
    if (const Window* w = find_window(top); w && s.active == top) {
        WPARAM minimized = w->shown == Shown::minimized ? 1 : 0;
        send(top, WM_ACTIVATE, MAKEWPARAM(static_cast<std::int32_t>(WA_ACTIVE), minimized),
             static_cast<LPARAM>(old));
    }
}

void deactivate() {
    WindowState& s = window_state();
    HWND old = s.active;
    if (!old) return;
    s.active = 0;
    s.focus = 0;
    devices_focus_lost(old);
    send(old, WM_ACTIVATE, WA_INACTIVE, 0);
}

void discard_windows() {
    WindowState& s = window_state();
    for (auto& [id, w] : s.windows)
        platform().backend->window_destroyed(id);
}

Window* checked(HWND hwnd) {
    Window* w = find_window(hwnd);
    if (!w) set_error(ERROR_INVALID_WINDOW_HANDLE);
    return w;
}

} // namespace kxp::detail

namespace kxp {

using namespace detail;

ATOM RegisterClassEx(const WNDCLASSEX* wc) {
    if (!wc || wc->cbSize != sizeof(WNDCLASSEX) || !wc->lpfnWndProc || !wc->lpszClassName ||
        is_atom(wc->lpszClassName) || wc->lpszClassName[0] == 0 || wc->cbWndExtra < 0 ||
        wc->cbWndExtra > kMaxExtraBytes || wc->cbClsExtra < 0 || wc->cbClsExtra > kMaxExtraBytes) {
        set_error(ERROR_INVALID_PARAMETER);
        return 0;
    }
    WindowState& s = window_state();
    for (auto& [atom, c] : s.classes) {
        if (c.instance == wc->hInstance && strcasecmp(c.name.c_str(), wc->lpszClassName) == 0) {
            set_error(ERROR_CLASS_ALREADY_EXISTS);
            return 0;
        }
    }
    // Registered class atoms lie in 0xC000..0xFFFF.
    ATOM atom = 0;
    for (int tries = 0; tries < 0x4000 && atom == 0; ++tries) {
        atom_counter = (atom_counter + 1) % 0x4000;
        ATOM candidate = static_cast<ATOM>(0xC000 + atom_counter);
        if (!s.classes.count(candidate)) atom = candidate;
    }
    if (atom == 0) {
        set_error(ERROR_INVALID_PARAMETER);
        return 0;
    }
    WindowClass& c = s.classes[atom];
    c.name = wc->lpszClassName;
    c.atom = atom;
    c.style = wc->style;
    c.proc = wc->lpfnWndProc;
    c.wnd_extra = wc->cbWndExtra;
    c.instance = wc->hInstance;
    c.icon = wc->hIcon;
    c.icon_small = wc->hIconSm;
    c.cursor = wc->hCursor;
    c.brush = wc->hbrBackground;
    return atom;
}

BOOL UnregisterClass(const char* className, HINSTANCE instance) {
    WindowState& s = window_state();
    for (auto it = s.classes.begin(); it != s.classes.end(); ++it) {
        WindowClass& c = it->second;
        bool match =
            className && (is_atom(className) ? c.atom == reinterpret_cast<std::uintptr_t>(className)
                                             : strcasecmp(c.name.c_str(), className) == 0);
        if (!match || c.instance != instance) continue;
        if (c.windows > 0) {
            set_error(ERROR_CLASS_HAS_WINDOWS);
            return 0;
        }
        s.classes.erase(it);
        return 1;
    }
    set_error(ERROR_CLASS_DOES_NOT_EXIST);
    return 0;
}

HWND CreateWindowEx(DWORD exStyle, const char* className, const char* windowName, DWORD style,
                    std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                    HWND parent, HMENU menu, HINSTANCE instance, std::uint32_t param) {
    WindowState& s = window_state();
    WindowClass* cls = find_class(className, instance);
    if (!cls) {
        set_error(ERROR_CANNOT_FIND_WND_CLASS);
        return 0;
    }
    if ((style & WS_CHILD) && parent == 0) {
        set_error(ERROR_TLW_WITH_WSCHILD);
        return 0;
    }
    if (parent != 0 && !checked(parent)) return 0;
    if (!(style & (WS_POPUP | WS_CHILD))) style |= WS_CAPTION | WS_CLIPSIBLINGS;
    bool overlapped = !(style & (WS_POPUP | WS_CHILD));
    if (x == CW_USEDEFAULT) x = y = 0;
    if (width == CW_USEDEFAULT) {
        RECT work = platform().desktop.work;
        width = overlapped ? (work.right - work.left) * 3 / 4 : 0;
        height = overlapped ? (work.bottom - work.top) * 3 / 4 : 0;
    }
    width = std::max(width, 0);
    height = std::max(height, 0);

    auto owned = std::make_unique<Window>();
    Window& w = *owned;
    w.id = next_id(window_counter, [&s](std::uint32_t id) { return s.windows.count(id) != 0; });
    w.atom = cls->atom;
    w.proc = cls->proc;
    w.class_style = cls->style;
    w.class_cursor = cls->cursor;
    w.style = style & ~(WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE);
    w.ex_style = exStyle;
    w.parent = parent;
    w.menu = menu;
    w.instance = instance;
    w.extra.assign(static_cast<std::size_t>(cls->wnd_extra), 0);
    w.text = windowName && !is_atom(windowName) ? windowName : "";
    w.rect = {x, y, x + width, y + height};
    w.normal = w.rect;
    w.insets = insets_of(w);
    HWND id = w.id;
    s.windows[id] = std::move(owned);
    ++cls->windows;
    if (!platform().backend->window_created(view_of(w))) {
        --cls->windows;
        s.windows.erase(id);
        set_error(ERROR_INVALID_PARAMETER);
        return 0;
    }

    auto* cs = static_cast<CREATESTRUCT*>(heap::alloc(sizeof(CREATESTRUCT)));
    if (cs) {
        *cs = {param,
               instance,
               menu,
               parent,
               height,
               width,
               y,
               x,
               static_cast<LONG>(style),
               low_copy(windowName),
               low_copy(className),
               exStyle};
    }
    LRESULT created = send(id, WM_CREATE, 0, cs ? static_cast<LPARAM>(addr32(cs)) : 0);
    if (cs) {
        heap::free(ptr<void>(cs->lpszName));
        heap::free(ptr<void>(cs->lpszClass));
        heap::free(cs);
    }
    if (!find_window(id)) return 0;
    if (created == -1) {
        destroy(id);
        return 0;
    }
    if (Window* n = find_window(id)) {
        RECT c = client_size(*n);
        send(id, WM_SIZE, SIZE_RESTORED, MAKELPARAM(c.right, c.bottom));
    }
    if (Window* n = find_window(id)) {
        POINT o = local_client_origin(*n);
        send(id, WM_MOVE, 0, MAKELPARAM(o.x, o.y));
    }
    if (style & WS_MINIMIZE) set_shown(id, Shown::minimized);
    if (style & WS_MAXIMIZE) set_shown(id, Shown::maximized);
    if ((style & WS_VISIBLE) && find_window(id)) show(id, SW_SHOW);
    return find_window(id) ? id : 0;
}

BOOL DestroyWindow(HWND hwnd) {
    if (!checked(hwnd)) return 0;
    destroy(hwnd);
    return 1;
}

BOOL IsWindow(HWND hwnd) {
    return find_window(hwnd) ? 1 : 0;
}

BOOL IsWindowVisible(HWND hwnd) {
    for (int depth = 0; depth < 1000; ++depth) {
        const Window* w = find_window(hwnd);
        if (!w || !w->visible) return 0;
        if (!(w->style & WS_CHILD)) return 1;
        hwnd = w->parent;
    }
    return 0;
}

HWND GetParent(HWND hwnd) {
    const Window* w = checked(hwnd);
    return w && (w->style & WS_CHILD) ? w->parent : 0;
}

BOOL SetWindowPos(HWND hwnd, HWND, std::int32_t x, std::int32_t y, std::int32_t cx, std::int32_t cy,
                  UINT flags) {
    Window* w = checked(hwnd);
    if (!w) return 0;
    RECT r = w->rect;
    if (!(flags & SWP_NOMOVE)) {
        r = {x, y, x + (r.right - r.left), y + (r.bottom - r.top)};
    }
    if (!(flags & SWP_NOSIZE)) {
        r.right = r.left + std::max(cx, 0);
        r.bottom = r.top + std::max(cy, 0);
    }
    place(hwnd, r, (flags & SWP_FRAMECHANGED) ? unsigned(CHANGED_STYLE) : 0u);
    if ((flags & SWP_SHOWWINDOW) && (w = find_window(hwnd))) set_visible(*w, true);
    if (flags & SWP_HIDEWINDOW) hide(hwnd);
    if (!(flags & SWP_NOACTIVATE) && (w = find_window(hwnd)) && w->visible &&
        !(w->style & WS_CHILD))
        activate(hwnd);
    return 1;
}

BOOL GetWindowPlacement(HWND hwnd, WINDOWPLACEMENT* wp) {
    if (!wp || wp->length != sizeof(WINDOWPLACEMENT)) {
        set_error(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const Window* w = checked(hwnd);
    if (!w) return 0;
    POINT work = {0, 0};
    if (!(w->style & WS_CHILD)) work = {platform().desktop.work.left, platform().desktop.work.top};
    wp->flags = w->restore_to_max ? WPF_RESTORETOMAXIMIZED : 0;
    wp->showCmd = w->shown == Shown::minimized   ? SW_SHOWMINIMIZED
                  : w->shown == Shown::maximized ? SW_SHOWMAXIMIZED
                                                 : SW_SHOWNORMAL;
    wp->ptMinPosition = w->min_pos;
    wp->ptMaxPosition = w->max_pos;
    wp->rcNormalPosition = {w->normal.left - work.x, w->normal.top - work.y,
                            w->normal.right - work.x, w->normal.bottom - work.y};
    return 1;
}

BOOL SetWindowPlacement(HWND hwnd, const WINDOWPLACEMENT* wp) {
    if (!wp || wp->length != sizeof(WINDOWPLACEMENT) ||
        !valid_show_command(static_cast<std::int32_t>(wp->showCmd))) {
        set_error(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Window* w = checked(hwnd);
    if (!w) return 0;
    POINT work = {0, 0};
    if (!(w->style & WS_CHILD)) work = {platform().desktop.work.left, platform().desktop.work.top};
    RECT n = wp->rcNormalPosition;
    n = {n.left + work.x, n.top + work.y, std::max(n.right, n.left) + work.x,
         std::max(n.bottom, n.top) + work.y};
    w->normal = n;
    if (wp->flags & WPF_SETMINPOSITION) w->min_pos = wp->ptMinPosition;
    w->max_pos = wp->ptMaxPosition;
    if (w->shown == Shown::minimized) w->restore_to_max = wp->flags & WPF_RESTORETOMAXIMIZED;
    if (w->shown == Shown::normal) place(hwnd, n, 0);
    if (find_window(hwnd)) show(hwnd, static_cast<std::int32_t>(wp->showCmd));
    return 1;
}

BOOL GetWindowRect(HWND hwnd, RECT* rect) {
    const Window* w = checked(hwnd);
    if (!w || !rect) return 0;
    *rect = screen_rect(*w);
    return 1;
}

BOOL GetClientRect(HWND hwnd, RECT* rect) {
    const Window* w = checked(hwnd);
    if (!w || !rect) return 0;
    *rect = client_size(*w);
    return 1;
}

BOOL ClientToScreen(HWND hwnd, POINT* point) {
    const Window* w = checked(hwnd);
    if (!w || !point) return 0;
    POINT o = client_origin(*w);
    point->x += o.x;
    point->y += o.y;
    return 1;
}

BOOL ScreenToClient(HWND hwnd, POINT* point) {
    const Window* w = checked(hwnd);
    if (!w || !point) return 0;
    POINT o = client_origin(*w);
    point->x -= o.x;
    point->y -= o.y;
    return 1;
}

BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL menu, DWORD exStyle) {
    if (!rect) return 0;
    Insets in = insets_for(style, menu != 0, exStyle);
    rect->left -= in.left;
    rect->top -= in.top;
    rect->right += in.right;
    rect->bottom += in.bottom;
    return 1;
}

std::int32_t GetWindowText(HWND hwnd, char* buffer, std::int32_t maxCount) {
    const Window* w = checked(hwnd);
    if (!w || !buffer || maxCount <= 0) return 0;
    std::size_t n = std::min(w->text.size(), static_cast<std::size_t>(maxCount - 1));
    std::memcpy(buffer, w->text.data(), n);
    buffer[n] = 0;
    return static_cast<std::int32_t>(n);
}

std::int32_t GetWindowTextLength(HWND hwnd) {
    const Window* w = checked(hwnd);
    return w ? static_cast<std::int32_t>(w->text.size()) : 0;
}

BOOL SetWindowText(HWND hwnd, const char* text) {
    Window* w = checked(hwnd);
    if (!w) return 0;
    w->text = text ? text : "";
    notify(*w, CHANGED_TEXT);
    return 1;
}

LONG GetWindowLong(HWND hwnd, std::int32_t index) {
    const Window* w = checked(hwnd);
    if (!w) return 0;
    switch (index) {
    case GWL_USERDATA: return w->user_data;
    case GWL_STYLE: return static_cast<LONG>(style_word(*w));
    case GWL_EXSTYLE: return static_cast<LONG>(w->ex_style);
    case GWL_HINSTANCE: return static_cast<LONG>(w->instance);
    case GWL_ID: return static_cast<LONG>(w->menu);
    case GWL_HWNDPARENT: return static_cast<LONG>(w->parent);
    default: break;
    }
    if (index >= 0 && static_cast<std::size_t>(index) + 4 <= w->extra.size()) {
        LONG v;
        std::memcpy(&v, w->extra.data() + index, 4);
        return v;
    }
    set_error(ERROR_INVALID_INDEX);
    return 0;
}

LONG SetWindowLong(HWND hwnd, std::int32_t index, LONG value) {
    Window* w = checked(hwnd);
    if (!w) return 0;
    LONG old = 0;
    switch (index) {
    case GWL_USERDATA:
        old = w->user_data;
        w->user_data = value;
        return old;
    case GWL_EXSTYLE:
        old = static_cast<LONG>(w->ex_style);
        w->ex_style = static_cast<DWORD>(value);
        notify(*w, CHANGED_STYLE);
        return old;
    case GWL_HINSTANCE:
        old = static_cast<LONG>(w->instance);
        w->instance = static_cast<HINSTANCE>(value);
        return old;
    case GWL_ID:
        old = static_cast<LONG>(w->menu);
        w->menu = static_cast<HMENU>(value);
        return old;
    case GWL_STYLE: {
        old = static_cast<LONG>(style_word(*w));
        DWORD v = static_cast<DWORD>(value);
        w->style = v & ~(WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE);
        bool visible = v & WS_VISIBLE;
        if (visible != w->visible) {
            w->visible = visible;
            if (visible) w->needs_paint = true;
        }
        notify(*w, CHANGED_STYLE | CHANGED_SHOW);
        return old;
    }
    default: break;
    }
    if (index >= 0 && static_cast<std::size_t>(index) + 4 <= w->extra.size()) {
        std::memcpy(&old, w->extra.data() + index, 4);
        std::memcpy(w->extra.data() + index, &value, 4);
        return old;
    }
    set_error(ERROR_INVALID_INDEX);
    return 0;
}

BOOL ShowWindow(HWND hwnd, std::int32_t cmdShow) {
    if (!checked(hwnd)) return 0;
    if (!valid_show_command(cmdShow)) {
        set_error(ERROR_INVALID_SHOWWIN_COMMAND);
        return 0;
    }
    return show(hwnd, cmdShow) ? 1 : 0;
}

BOOL UpdateWindow(HWND hwnd) {
    Window* w = checked(hwnd);
    if (!w) return 0;
    if (w->visible && w->needs_paint) {
        w->needs_paint = false;
        send(hwnd, WM_PAINT, 0, 0);
    }
    return 1;
}

BOOL InvalidateRect(HWND hwnd, const RECT*, BOOL) {
    Window* w = checked(hwnd);
    if (!w) return 0;
    w->needs_paint = true;
    return 1;
}

HWND SetFocus(HWND hwnd) {
    WindowState& s = window_state();
    HWND previous = s.focus;
    if (hwnd == 0) {
        s.focus = 0;
        return previous;
    }
    if (!checked(hwnd)) return 0;
    HWND top = top_level(hwnd);
    if (s.active != top) activate(top);
    if (find_window(hwnd)) set_focus_quietly(hwnd);
    return previous;
}

HWND GetFocus() {
    return window_state().focus;
}
HWND GetActiveWindow() {
    return window_state().active;
}

} // namespace kxp
