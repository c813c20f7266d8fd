// The SDL backend: every top-level window is mirrored by a real SDL window
// whose client area is the window's client rectangle; child windows live
// only in the services' tables. Presented frames are streamed into a texture
// of the window's renderer (an accelerated one when there is one, else the
// software renderer) and drawn 1:1 at the client area's top-left corner (full
// screen: scaled to the display, keeping the aspect ratio). The pump's poll
// turns SDL's events into feed calls, and the platform clock runs on SDL's
// tick counter while the backend lives.
//
// Nothing here throws: SDL reports failures with results, and the few
// allocations are guarded so that a failure leaves the window unmirrored.
#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "core/backend.h"
#include "kxp/host.h"
#include "kxp/system.h"
#include "kxp/window.h"
#include "sdl/keymap.h"

namespace kxp::detail {
namespace {

int live_backends = 0; // SDL's video subsystem is counted by SDL itself

DWORD sdl_ticks() {
    return static_cast<DWORD>(SDL_GetTicks64());
}

template <class F> void guarded(F f) noexcept {
    try {
        f();
    } catch (...) {
    }
}

std::int32_t width_of(const RECT& r) {
    return r.right - r.left;
}
std::int32_t height_of(const RECT& r) {
    return r.bottom - r.top;
}

struct Mirror {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    std::int32_t texture_width = 0, texture_height = 0;
    RECT outer{};  // as last mirrored, screen coordinates
    RECT client{}; // the SDL window's position and size
    bool visible = false;
    bool minimized = false;
    bool full_screen = false; // the last frame owned the display
    bool has_frame = false;
};

class Sdl final : public Backend {
  public:
    Sdl() {
        ++live_backends;
        set_tick_source(&sdl_ticks);
        SDL_Rect r{0, 0, 1024, 768}, u{0, 0, 1024, 768};
        if (SDL_GetDisplayBounds(0, &r) != 0) r = {0, 0, 1024, 768};
        if (SDL_GetDisplayUsableBounds(0, &u) != 0) u = r;
        desktop_ = {r.w, r.h, {u.x, u.y, u.x + u.w, u.y + u.h}};
    }

    ~Sdl() override {
        for (auto& [id, m] : windows_)
            release(m);
        for (SDL_Cursor* c : cursors_)
            if (c) SDL_FreeCursor(c);
        SDL_ShowCursor(SDL_ENABLE);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        if (--live_backends == 0) set_tick_source(nullptr);
    }

    const char* name() const override { return "sdl"; }
    Desktop desktop() const override { return desktop_; }

    bool window_created(const WindowView& view) override {
        if (!view.top_level) return true;
        bool made = false;
        guarded([&] {
            Mirror& m = windows_[view.id];
            Uint32 flags = SDL_WINDOW_HIDDEN;
            if (view.style & WS_THICKFRAME) flags |= SDL_WINDOW_RESIZABLE;
            if ((view.style & WS_CAPTION) != WS_CAPTION) flags |= SDL_WINDOW_BORDERLESS;
            m.client = view.client;
            m.outer = view.window;
            m.window = SDL_CreateWindow(view.title ? view.title : "", view.client.left,
                                        view.client.top, std::max(1, width_of(view.client)),
                                        std::max(1, height_of(view.client)), flags);
            if (!m.window) {
                windows_.erase(view.id);
                return;
            }
            by_sdl_id_[SDL_GetWindowID(m.window)] = view.id;
            show(m, view);
            made = true;
        });
        return made;
    }

    void window_changed(const WindowView& view, unsigned changes) override {
        auto it = windows_.find(view.id);
        if (it == windows_.end()) return;
        Mirror& m = it->second;
        if (changes & CHANGED_TEXT) SDL_SetWindowTitle(m.window, view.title ? view.title : "");
        if (changes & CHANGED_STYLE) {
            SDL_SetWindowResizable(m.window, (view.style & WS_THICKFRAME) ? SDL_TRUE : SDL_FALSE);
            SDL_SetWindowBordered(m.window,
                                  (view.style & WS_CAPTION) == WS_CAPTION ? SDL_TRUE : SDL_FALSE);
        }
        if (changes & CHANGED_SHOW) show(m, view);
        bool placed = !(view.style & WS_MINIMIZE) && !m.full_screen;
        if ((changes & CHANGED_RECT) && placed && !(changes & CHANGED_BY_FEED)) {
            if (view.client.left != m.client.left || view.client.top != m.client.top)
                SDL_SetWindowPosition(m.window, view.client.left, view.client.top);
            if (width_of(view.client) != width_of(m.client) ||
                height_of(view.client) != height_of(m.client))
                SDL_SetWindowSize(m.window, std::max(1, width_of(view.client)),
                                  std::max(1, height_of(view.client)));
        }
        if (placed) {
            m.client = view.client;
            m.outer = view.window;
        }
    }

    void window_destroyed(HWND id) override {
        auto it = windows_.find(id);
        if (it == windows_.end()) return;
        release(it->second);
        windows_.erase(it);
        if (active_seen_ == id) active_seen_ = 0;
        if (active_fed_ == id) active_fed_ = 0;
    }

    void cursor_changed(bool visible, HCURSOR cursor) override {
        // The system cursors' handles are their places in LoadCursor's table.
        static constexpr SDL_SystemCursor kShapes[] = {
            SDL_SYSTEM_CURSOR_ARROW,     SDL_SYSTEM_CURSOR_IBEAM,   SDL_SYSTEM_CURSOR_WAIT,
            SDL_SYSTEM_CURSOR_CROSSHAIR, SDL_SYSTEM_CURSOR_SIZEALL, SDL_SYSTEM_CURSOR_NO,
            SDL_SYSTEM_CURSOR_HAND};
        if (visible && cursor >= 1 && cursor <= std::size(kShapes)) {
            SDL_Cursor*& c = cursors_[cursor - 1];
            if (!c) c = SDL_CreateSystemCursor(kShapes[cursor - 1]);
            if (c) SDL_SetCursor(c);
        }
        SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
    }

    void present(const WindowView& view, const FrameView& frame) override {
        auto it = windows_.find(view.id);
        if (it == windows_.end() || !frame.pixels || frame.width <= 0 || frame.height <= 0) return;
        Mirror& m = it->second;
        if (!m.renderer) {
            m.renderer = SDL_CreateRenderer(m.window, -1, SDL_RENDERER_ACCELERATED);
            if (!m.renderer) m.renderer = SDL_CreateRenderer(m.window, -1, SDL_RENDERER_SOFTWARE);
            if (!m.renderer) return;
        }
        if (!m.texture || m.texture_width != frame.width || m.texture_height != frame.height) {
            if (m.texture) SDL_DestroyTexture(m.texture);
            // 0x00RRGGBB in 32 bits, the top byte ignored as frames want.
            m.texture = SDL_CreateTexture(m.renderer, SDL_PIXELFORMAT_RGB888,
                                          SDL_TEXTUREACCESS_STREAMING, frame.width, frame.height);
            m.texture_width = m.texture ? frame.width : 0;
            m.texture_height = m.texture ? frame.height : 0;
            m.has_frame = false;
            if (!m.texture) return;
        }
        if (frame.full_screen != m.full_screen) {
            m.full_screen = frame.full_screen;
            SDL_SetWindowFullscreen(m.window, m.full_screen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
        }
        if (SDL_UpdateTexture(m.texture, nullptr, frame.pixels, frame.stride * 4) != 0) return;
        m.has_frame = true;
        draw(m);
    }

    void poll() override {
        guarded([&] {
            follow_activation();
            SDL_Event e;
            while (SDL_PollEvent(&e))
                handle(e);
        });
    }

  private:
    void release(Mirror& m) {
        if (m.texture) SDL_DestroyTexture(m.texture);
        if (m.renderer) SDL_DestroyRenderer(m.renderer);
        if (m.window) {
            by_sdl_id_.erase(SDL_GetWindowID(m.window));
            SDL_DestroyWindow(m.window);
        }
        m = Mirror{};
    }

    void show(Mirror& m, const WindowView& view) {
        bool minimized = (view.style & WS_MINIMIZE) != 0;
        bool visible = (view.style & WS_VISIBLE) != 0;
        if (visible != m.visible) {
            if (visible)
                SDL_ShowWindow(m.window);
            else
                SDL_HideWindow(m.window);
            m.visible = visible;
        }
        if (minimized != m.minimized) {
            if (minimized)
                SDL_MinimizeWindow(m.window);
            else
                SDL_RestoreWindow(m.window);
            m.minimized = minimized;
        }
    }

    void draw(Mirror& m) {
        if (!m.renderer || !m.texture || !m.has_frame) return;
        SDL_SetRenderDrawColor(m.renderer, 0, 0, 0, 255);
        SDL_RenderClear(m.renderer);
        SDL_Rect dst{0, 0, m.texture_width, m.texture_height};
        int ow = 0, oh = 0;
        if (m.full_screen && SDL_GetRendererOutputSize(m.renderer, &ow, &oh) == 0 && ow > 0 &&
            oh > 0) {
            // The largest copy of the frame that fits, centred.
            long long sw = static_cast<long long>(ow) * m.texture_height;
            long long sh = static_cast<long long>(oh) * m.texture_width;
            if (sw <= sh) {
                dst.w = ow;
                dst.h = static_cast<int>(static_cast<long long>(ow) * m.texture_height /
                                         m.texture_width);
            } else {
                dst.h = oh;
                dst.w = static_cast<int>(static_cast<long long>(oh) * m.texture_width /
                                         m.texture_height);
            }
            dst.x = (ow - dst.w) / 2;
            dst.y = (oh - dst.h) / 2;
        }
        SDL_RenderCopy(m.renderer, m.texture, nullptr, &dst);
        SDL_RenderPresent(m.renderer);
    }

    HWND window_of(Uint32 sdl_id) const {
        auto it = by_sdl_id_.find(sdl_id);
        return it == by_sdl_id_.end() ? 0 : it->second;
    }

    // The program activated a window itself (SetFocus, ShowWindow): bring its
    // SDL window to the front with the input focus.
    void follow_activation() {
        HWND active = GetActiveWindow();
        if (active == active_seen_) return;
        active_seen_ = active;
        if (!active || active == active_fed_) return;
        auto it = windows_.find(active);
        if (it != windows_.end() && it->second.visible) SDL_RaiseWindow(it->second.window);
    }

    void handle(const SDL_Event& e) {
        switch (e.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            if (e.key.repeat) break; // the runtime makes its own repeat
            if (UINT dik = dik_of_sdl_scancode(e.key.keysym.scancode))
                FeedKey(dik, e.type == SDL_KEYDOWN ? 1 : 0);
            break;
        case SDL_MOUSEMOTION: {
            // Over a window, the move carries the motion to the mouse device
            // (it sees the cursor's displacement); elsewhere, and in relative
            // mode, only the motion is fed.
            HWND h = window_of(e.motion.windowID);
            if (h && !SDL_GetRelativeMouseMode())
                FeedMouseMove(h, e.motion.x, e.motion.y);
            else
                FeedMouseMotion(e.motion.xrel, e.motion.yrel);
            break;
        }
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            std::int32_t button = e.button.button == SDL_BUTTON_LEFT     ? 0
                                  : e.button.button == SDL_BUTTON_RIGHT  ? 1
                                  : e.button.button == SDL_BUTTON_MIDDLE ? 2
                                  : e.button.button == SDL_BUTTON_X1     ? 3
                                                                         : -1;
            if (button >= 0) FeedMouseButton(button, e.type == SDL_MOUSEBUTTONDOWN ? 1 : 0);
            break;
        }
        case SDL_MOUSEWHEEL: {
            long long notches = e.wheel.y;
            if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
            long long delta = std::clamp(notches * WHEEL_DELTA, -0x7FFFFFFFLL, 0x7FFFFFFFLL);
            if (delta) FeedMouseWheel(static_cast<std::int32_t>(delta));
            break;
        }
        case SDL_WINDOWEVENT: window_event(e.window); break;
        default: break;
        }
    }

    void window_event(const SDL_WindowEvent& e) {
        HWND h = window_of(e.windowID);
        auto it = windows_.find(h);
        if (!h || it == windows_.end()) return;
        Mirror& m = it->second;
        switch (e.event) {
        case SDL_WINDOWEVENT_MOVED:
            // SDL gives the client area's position; the feed moves the outer
            // rectangle. Echoes of the backend's own moves change nothing.
            if (m.minimized || m.full_screen) break;
            if (e.data1 == m.client.left && e.data2 == m.client.top) break;
            FeedMove(h, e.data1 - (m.client.left - m.outer.left),
                     e.data2 - (m.client.top - m.outer.top));
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            if (m.minimized || m.full_screen) break;
            if (e.data1 == width_of(m.client) && e.data2 == height_of(m.client)) break;
            FeedSize(h, e.data1 + width_of(m.outer) - width_of(m.client),
                     e.data2 + height_of(m.outer) - height_of(m.client));
            break;
        case SDL_WINDOWEVENT_EXPOSED:
            draw(m);
            InvalidateRect(h, nullptr, 0);
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            active_fed_ = h;
            FeedActivate(h, 1);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            if (active_fed_ == h) active_fed_ = 0;
            FeedActivate(h, 0);
            break;
        case SDL_WINDOWEVENT_CLOSE: FeedClose(h); break;
        default: break;
        }
    }

    Desktop desktop_{};
    std::map<HWND, Mirror> windows_;
    std::map<Uint32, HWND> by_sdl_id_;
    SDL_Cursor* cursors_[7] = {};
    HWND active_seen_ = 0; // the active window at the last poll
    HWND active_fed_ = 0;  // the window whose activation the backend fed
};

} // namespace

bool sdl_can_run() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"})
        if (const char* v = std::getenv(name); v && *v) return true;
    return false;
}

std::unique_ptr<Backend> make_sdl_backend() {
    // The host keeps its own signal handling; SDL would turn SIGINT and
    // SIGTERM into quit events.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // Without a display SDL falls back to drivers that show nothing: those
    // only when $SDL_VIDEODRIVER asks for them. A display server can refuse a
    // connection now and then (seen with X servers under load), so a start
    // that lands on no display is tried again a few times.
    const char* wanted = std::getenv("SDL_VIDEODRIVER");
    bool started = false;
    for (int attempt = 0; attempt < 8 && !started; ++attempt) {
        if (attempt > 0) SDL_Delay(10);
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) continue;
        const char* driver = SDL_GetCurrentVideoDriver();
        bool shows =
            driver && std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0;
        started = shows || (driver && wanted && std::strcmp(driver, wanted) == 0);
        if (!started) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    if (!started) return nullptr;
    try {
        return std::make_unique<Sdl>();
    } catch (...) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return nullptr;
    }
}

} // namespace kxp::detail
