// The game window: the window record, the window class and procedure, and
// placement, title and close requests.
#include "window/window.h"

#include <algorithm>
#include <cstring>

#include "graphics/graphics.h"
#include "kxp/gdi.h"
#include "kxp/input.h"
#include "kxp/system.h"
#include "kxp/window.h"
#include "memory/banks.h"
#include "strings/strings.h"

namespace kx::window {

namespace mem = kx::memory;
namespace str = kx::strings;

namespace {

constexpr const char* kClassName = "QuentharkWindowClass";
constexpr const char* kTitle = "Quenthark";
constexpr std::uint32_t kTimerId = 0;
constexpr kxp::UINT kTimerPeriod = 10;
constexpr std::int32_t kTitleCapacity = 1024;

std::uint32_t g_instance = 0;

kxp::HWND hwnd_of(const KX_Window* w) {
    return static_cast<kxp::HWND>(w->hWnd);
}

// The placement call's buffer is the record's own Placement field.
kxp::WINDOWPLACEMENT* placement(KX_Window* w) {
    static_assert(sizeof(kxp::WINDOWPLACEMENT) == sizeof(KX_Placement));
    w->Placement.Length = sizeof(kxp::WINDOWPLACEMENT);
    return reinterpret_cast<kxp::WINDOWPLACEMENT*>(&w->Placement);
}

std::int32_t read_placement(KX_Window* w) {
    return kxp::GetWindowPlacement(hwnd_of(w), placement(w));
}

std::int32_t write_placement(KX_Window* w) {
    return kxp::SetWindowPlacement(hwnd_of(w), placement(w));
}

void store(KX_Rect& to, const kxp::RECT& from) {
    to = {from.left, from.top, from.right, from.bottom};
}

std::int32_t saturate(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

// The outer rectangle into WindowRect and the client area in screen
// coordinates into ClientScreenRect.
void refresh_outer_and_client(KX_Window* w, kxp::HWND hwnd) {
    kxp::RECT r{};
    kxp::GetWindowRect(hwnd, &r);
    store(w->WindowRect, r);
    kxp::RECT c{};
    kxp::GetClientRect(hwnd, &c);
    kxp::POINT a{c.left, c.top}, b{c.right, c.bottom};
    kxp::ClientToScreen(hwnd, &a);
    kxp::ClientToScreen(hwnd, &b);
    w->ClientScreenRect = {a.x, a.y, b.x, b.y};
}

// Size and paint: only for a windowed screen and the record's own window.
bool refresh_rectangles(KX_Window* w, const KX_Screen* s, kxp::HWND hwnd) {
    if (!w || !s || s->Windowed != 1 || hwnd != hwnd_of(w)) return false;
    refresh_outer_and_client(w, hwnd);
    return true;
}

void present(std::int32_t screen_handle) {
    kx::graphics::swap(screen_handle, 0);
}

// Mouse positions of a windowed screen, scaled from the client area to the
// screen's resolution.
void mouse_moved(KX_Window* w, KX_Screen* s, kxp::HWND hwnd, kxp::LPARAM lp) {
    refresh_outer_and_client(w, hwnd);
    std::int32_t cw = w->ClientScreenRect.Right - w->ClientScreenRect.Left;
    std::int32_t ch = w->ClientScreenRect.Bottom - w->ClientScreenRect.Top;
    double sx = cw > 0 ? double(s->Size.Width) / cw : 0.0;
    double sy = ch > 0 ? double(s->Size.Height) / ch : 0.0;
    auto bits = static_cast<std::uint32_t>(lp);
    auto scale = [](std::uint32_t v, double f) {
        return saturate(static_cast<std::int64_t>(double(v) * f));
    };
    std::int32_t x = scale(bits & 0xFFFF, sx);
    std::int32_t y = scale(bits >> 16, sy);
    s->MouseMoveX = saturate(std::int64_t(x) - s->MouseX);
    s->MouseMoveY = saturate(std::int64_t(y) - s->MouseY);
    s->MouseX = x;
    s->MouseY = y;
}

std::int32_t g_delivered = 0; // messages that reached the procedure

kxp::LRESULT procedure(kxp::HWND hwnd, kxp::UINT msg, kxp::WPARAM wp, kxp::LPARAM lp) {
    g_delivered++;
    std::int32_t handle = kxp::GetWindowLong(hwnd, kxp::GWL_USERDATA);
    KX_Window* w = record(handle);
    std::int32_t screen_handle = 0;
    KX_Screen* s = nullptr;
    if (w) {
        screen_handle = w->ScreenHandle;
        debug_set(kDebugScreenSeen, screen_handle);
        s = screen(screen_handle);
    }
    switch (msg) {
    case kxp::WM_CREATE: return 0;
    case kxp::WM_ACTIVATE:
        if (s) {
            mouse_acquire(screen_handle);
            return 1;
        }
        break;
    case kxp::WM_TIMER:
        debug_count(kDebugTimers);
        if (s) {
            debug_count(kDebugSamplingTimers);
            mouse_sample(screen_handle);
            keyboard_sample(screen_handle);
        }
        break;
    case kxp::WM_SETCURSOR:
        if (s && s->Windowed == 0) kxp::SetCursor(0);
        return 0;
    case kxp::WM_MOUSEMOVE:
        if (s && s->Windowed == 1 && hwnd == hwnd_of(w)) mouse_moved(w, s, hwnd, lp);
        break;
    case kxp::WM_SIZE: refresh_rectangles(w, s, hwnd); break;
    case kxp::WM_PAINT:
        if (refresh_rectangles(w, s, hwnd) && s) present(screen_handle);
        break;
    case kxp::WM_MOVE:
        if (s && s->Open == 1 && s->Windowed == 1 && hwnd == hwnd_of(w)) {
            kxp::RECT r{};
            kxp::GetWindowRect(hwnd, &r);
            store(w->WindowRect, r);
            debug_count(kDebugMoves);
            kxp::GetClientRect(hwnd, &r);
            store(w->ClientRect, r);
            refresh_outer_and_client(w, hwnd);
            present(screen_handle);
        }
        break;
    case kxp::WM_CLOSE:
        if (w) w->CloseRequests++;
        kxp::PostQuitMessage(0);
        return 0;
    default: break;
    }
    return kxp::DefWindowProc(hwnd, msg, wp, lp);
}

void register_class() {
    kxp::WNDCLASSEX wc{};
    wc.cbSize = sizeof wc;
    wc.style = kxp::CS_HREDRAW | kxp::CS_VREDRAW;
    wc.lpfnWndProc = &procedure;
    wc.hInstance = g_instance;
    wc.hIcon = kxp::LoadIcon(0, 0);
    wc.hCursor = kxp::LoadCursor(0, kxp::IDC_ARROW);
    wc.hbrBackground = kxp::GetStockObject(kxp::BLACK_BRUSH);
    wc.lpszClassName = kClassName;
    wc.hIconSm = kxp::LoadIcon(0, kxp::IDI_APPLICATION);
    kxp::RegisterClassEx(&wc); // already registered: nothing to do
}

} // namespace

KX_Window* record(std::int32_t handle) noexcept {
    return mem::record<KX_Window>(handle, mem::kWindow);
}

KX_Screen* screen(std::int32_t handle) noexcept {
    return kx::graphics::screen_record(handle);
}

std::int32_t pump() noexcept {
    g_delivered = 0;
    std::int32_t quit = kxp::PumpMessages(nullptr);
    return quit ? -1 : g_delivered;
}

std::int32_t open(std::int32_t client_width, std::int32_t client_height) noexcept {
    std::int32_t handle = mem::alloc(sizeof(KX_Window), mem::kWindow);
    if (handle < 1) return 0;
    g_instance = kxp::GetModuleHandle(nullptr);
    register_class();

    std::int64_t outer_w = std::int64_t(client_width) + 2 * kxp::GetSystemMetrics(kxp::SM_CXFRAME);
    std::int64_t outer_h = std::int64_t(client_height) + kxp::GetSystemMetrics(kxp::SM_CYMENU) +
                           2 * kxp::GetSystemMetrics(kxp::SM_CYFRAME);
    std::int64_t x = kxp::GetSystemMetrics(kxp::SM_CXFULLSCREEN) / 2 - outer_w / 2;
    std::int64_t y = kxp::GetSystemMetrics(kxp::SM_CYFULLSCREEN) / 2 - outer_h / 2;
    kxp::HWND hwnd =
        kxp::CreateWindowEx(0, kClassName, kTitle, kxp::WS_OVERLAPPEDWINDOW, saturate(x),
                            saturate(y), saturate(outer_w), saturate(outer_h), 0, 0, g_instance, 0);
    KX_Window* w = record(handle);
    w->hWnd = hwnd;
    if (!hwnd) return handle;

    kxp::SetWindowLong(hwnd, kxp::GWL_USERDATA, handle);
    kxp::SetTimer(hwnd, kTimerId, kTimerPeriod, nullptr);
    w->TimerActive = 1;
    kxp::ShowWindow(hwnd, kxp::SW_SHOWNORMAL);
    kxp::UpdateWindow(hwnd);
    kxp::SetFocus(hwnd);
    w = record(handle); // messages sent above may not move it, but look again
    if (!w) return handle;
    kxp::RECT r{};
    kxp::GetWindowRect(hwnd, &r);
    store(w->OpenRect, r);
    w->RequestedWidth = client_width;
    w->RequestedHeight = client_height;
    return handle;
}

void close(std::int32_t window) noexcept {
    KX_Window* w = record(window);
    if (!w) return;
    kxp::HWND hwnd = hwnd_of(w);
    if (w->TimerActive == 1) {
        kxp::KillTimer(hwnd, kTimerId);
        w->TimerActive = 0;
    }
    if (hwnd) kxp::DestroyWindow(hwnd);
    if (record(window)) mem::free(window);
}

std::int32_t position(std::int32_t window, std::int32_t x, std::int32_t y) noexcept {
    KX_Window* w = record(window);
    if (!w) return 0;
    kxp::SetWindowPos(hwnd_of(w), kxp::HWND_TOP, x, y, 0, 0, kxp::SWP_NOSIZE | kxp::SWP_NOZORDER);
    w = record(window);
    return w ? read_placement(w) : 0;
}

std::int32_t size(std::int32_t window, std::int32_t width, std::int32_t height) noexcept {
    KX_Window* w = record(window);
    if (!w) return 0;
    kxp::SetWindowPos(hwnd_of(w), kxp::HWND_TOP, 0, 0, width, height,
                      kxp::SWP_NOMOVE | kxp::SWP_NOZORDER);
    w = record(window);
    return w ? read_placement(w) : 0;
}

std::int32_t center(std::int32_t window) noexcept {
    KX_Window* w = record(window);
    if (!w) return 0;
    read_placement(w);
    KX_Rect& n = w->Placement.Normal;
    std::int64_t width = std::int64_t(n.Right) - n.Left;
    std::int64_t height = std::int64_t(n.Bottom) - n.Top;
    std::int64_t left = kxp::GetSystemMetrics(kxp::SM_CXFULLSCREEN) / 2 - width / 2;
    std::int64_t top = kxp::GetSystemMetrics(kxp::SM_CYFULLSCREEN) / 2 - height / 2;
    n = {saturate(left), saturate(top), saturate(left + width), saturate(top + height)};
    return write_placement(w);
}

std::int32_t full_screen(std::int32_t window) noexcept {
    KX_Window* w = record(window);
    if (!w) return 0;
    read_placement(w);
    w->Placement.Normal = {0, 0, kxp::GetSystemMetrics(kxp::SM_CXFULLSCREEN),
                           kxp::GetSystemMetrics(kxp::SM_CYFULLSCREEN)};
    return write_placement(w);
}

KX_Rect normal_rect(std::int32_t window) noexcept {
    KX_Window* w = record(window);
    if (!w) return {};
    read_placement(w);
    return w->Placement.Normal;
}

void refresh_rectangles(std::int32_t window) noexcept {
    KX_Window* w = record(window);
    if (!w || !w->hWnd) return;
    refresh_outer_and_client(w, hwnd_of(w));
    kxp::RECT c{};
    kxp::GetClientRect(hwnd_of(w), &c);
    store(w->ClientRect, c);
}

std::int32_t take_close_request(std::int32_t window) noexcept {
    KX_Window* w = record(window);
    if (!w || w->CloseRequests < 1) return 0;
    w->CloseRequests--;
    return 1;
}

void get_title(std::int32_t window, std::int32_t dest) noexcept {
    KX_Window* w = record(window);
    if (!w || dest == 0 || !str::is_string(dest)) return;
    char text[kTitleCapacity] = {};
    std::int32_t n = kxp::GetWindowText(hwnd_of(w), text, kTitleCapacity);
    n = std::clamp(n, 0, kTitleCapacity - 1);
    if (str::room(dest) < kTitleCapacity) str::resize(dest, kTitleCapacity);
    str::assign(dest, reinterpret_cast<const std::uint8_t*>(text), n);
}

std::int32_t set_title(std::int32_t window, std::int32_t source) noexcept {
    KX_Window* w = record(window);
    if (!w || source == 0) return 0;
    str::Text t = str::text(source);
    // The window text is zero-terminated: it ends at the first zero character.
    std::string_view v = t.view();
    char text[kTitleCapacity * 4];
    std::size_t n = std::min(v.size(), sizeof text - 1);
    std::memcpy(text, v.data(), n);
    text[n] = 0;
    return kxp::SetWindowText(hwnd_of(w), text);
}

std::uint32_t get_instance(std::uint32_t hwnd) noexcept {
    if (hwnd == 0) return 0;
    g_instance = static_cast<std::uint32_t>(kxp::GetWindowLong(hwnd, kxp::GWL_HINSTANCE));
    return g_instance;
}

std::uint32_t instance() noexcept {
    return g_instance;
}

} // namespace kx::window
