// One pump that delivers 100 queued input events (50 key changes, 50 mouse
// moves over a window) on each backend: headless, with the events fed through
// the feed functions, and sdl, with the events pushed into SDL's queue and
// turned into feed calls by the backend's poll (skipped without a display).
// Only the pump is timed.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <string_view>

#include "kxp/host.h"
#include "kxp/input.h"
#include "kxp/system.h"
#include "kxp/window.h"

namespace {

using namespace kxp;
using Clock = std::chrono::steady_clock;

std::uint64_t messages = 0;

LRESULT counting(HWND h, UINT m, WPARAM w, LPARAM l) {
    ++messages;
    return DefWindowProc(h, m, w, l);
}

HWND open_window(const char* backend) {
    if (!UseBackend(backend)) return 0;
    WNDCLASSEX wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = counting;
    wc.hInstance = GetModuleHandle(nullptr);
    wc.lpszClassName = "BenchWindowClass";
    RegisterClassEx(&wc);
    HWND h = CreateWindowEx(0, "BenchWindowClass", "bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                            648, 507, 0, 0, wc.hInstance);
    SetFocus(h);
    for (int i = 0; i < 5; ++i)
        PumpMessages();
    return h;
}

template <class Queue> void run(benchmark::State& state, HWND h, Queue queue) {
    messages = 0;
    for (auto _ : state) {
        for (int i = 0; i < 50; ++i)
            queue(h, i);
        auto start = Clock::now();
        PumpMessages();
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
    state.counters["messages/pump"] =
        static_cast<double>(messages) / static_cast<double>(state.iterations());
    UseBackend("headless");
}

void BM_Pump100Events_Headless(benchmark::State& state) {
    HWND h = open_window("headless");
    run(state, h, [](HWND w, int i) {
        FeedKey(DIK_A, i % 2 == 0);
        FeedMouseMove(w, i, 100);
    });
}
BENCHMARK(BM_Pump100Events_Headless)->UseManualTime();

void BM_Pump100Events_Sdl(benchmark::State& state) {
    HWND h = open_window("sdl");
    if (!h) {
        state.SkipWithError("no display: the sdl backend cannot start");
        return;
    }
    SDL_Window* window = nullptr;
    for (Uint32 id = 1; id < 4096 && !window; ++id)
        if (SDL_Window* w = SDL_GetWindowFromID(id))
            if (SDL_GetWindowTitle(w) == std::string_view("bench")) window = w;
    Uint32 window_id = window ? SDL_GetWindowID(window) : 0;
    run(state, h, [window_id](HWND, int i) {
        SDL_Event k{};
        k.type = i % 2 == 0 ? SDL_KEYDOWN : SDL_KEYUP;
        k.key.keysym.scancode = SDL_SCANCODE_A;
        SDL_PushEvent(&k);
        SDL_Event m{};
        m.type = SDL_MOUSEMOTION;
        m.motion.windowID = window_id;
        m.motion.x = i;
        m.motion.y = 100;
        SDL_PushEvent(&m);
    });
}
BENCHMARK(BM_Pump100Events_Sdl)->UseManualTime();

} // namespace

BENCHMARK_MAIN();
