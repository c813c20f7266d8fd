// The platform layer's per-frame costs on the headless desktop: an idle pump,
// a pump that delivers a timer and a mouse move to a window procedure (the
// runtime's 10 ms input sampling), and buffered keyboard events fed and read.
#include <benchmark/benchmark.h>

#include "kxp/host.h"
#include "kxp/input.h"
#include "kxp/system.h"
#include "kxp/window.h"

namespace {

using namespace kxp;

std::uint64_t messages = 0;

LRESULT counting(HWND h, UINT m, WPARAM w, LPARAM l) {
    ++messages;
    return DefWindowProc(h, m, w, l);
}

HWND open_window() {
    UseBackend("headless");
    WNDCLASSEX wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = counting;
    wc.hInstance = GetModuleHandle(nullptr);
    wc.lpszClassName = "BenchWindowClass";
    RegisterClassEx(&wc);
    HWND h = CreateWindowEx(0, "BenchWindowClass", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 648,
                            507, 0, 0, wc.hInstance);
    PumpMessages();
    return h;
}

void BM_PumpIdle(benchmark::State& state) {
    open_window();
    SetTestClock(0);
    for (auto _ : state)
        benchmark::DoNotOptimize(PumpMessages());
    UseSystemClock();
}
BENCHMARK(BM_PumpIdle);

void BM_PumpTimerAndMouseMove(benchmark::State& state) {
    HWND h = open_window();
    SetTestClock(0);
    SetTimer(h, 0, 10, nullptr);
    messages = 0;
    std::int32_t x = 0;
    for (auto _ : state) {
        FeedMouseMove(h, x++ & 511, 100);
        AdvanceTestClock(10);
        PumpMessages();
    }
    state.counters["messages/frame"] =
        static_cast<double>(messages) / static_cast<double>(state.iterations());
    UseSystemClock();
}
BENCHMARK(BM_PumpTimerAndMouseMove);

void BM_KeyboardFeedAndRead16(benchmark::State& state) {
    open_window();
    LPDIRECTINPUT di;
    LPDIRECTINPUTDEVICE kb;
    DirectInputCreate(GetModuleHandle(nullptr), DIRECTINPUT_VERSION, &di);
    CreateDevice(di, GUID_SysKeyboard, &kb);
    Acquire(kb);
    DIDEVICEOBJECTDATA ev[16];
    for (auto _ : state) {
        for (UINT k = 0; k < 8; ++k) {
            FeedKey(DIK_Q + k, 1);
            FeedKey(DIK_Q + k, 0);
        }
        DWORD n = 16;
        GetDeviceData(kb, sizeof ev[0], ev, &n, 0);
        PumpMessages(); // the key messages and keyboard state
        benchmark::DoNotOptimize(n);
    }
    Release(kb);
    Release(di);
}
BENCHMARK(BM_KeyboardFeedAndRead16);

} // namespace

BENCHMARK_MAIN();
