// Presenting one 640x480 32-bit frame with KX_SwapGraphics on each backend
// that can run here (sdl needs a display, e.g. under xvfb-run), against memcpy
// of the same bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "kx/kx_host.h"
#include "kx/kx_vm.h"

namespace {

constexpr int32_t kWidth = 640, kHeight = 480;

void BM_Memcpy(benchmark::State& state) {
    std::vector<uint32_t> a(size_t(kWidth) * kHeight, 0x123456), b(a.size());
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), a.size() * 4);
        benchmark::DoNotOptimize(b.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kWidth * kHeight * 4);
}
BENCHMARK(BM_Memcpy);

void swap_on(benchmark::State& state, const char* backend, int32_t windowed) {
    VM_OpenMemoryManager(100);
    if (!KXH_UseBackend(backend)) {
        state.SkipWithError("backend cannot run here");
        VM_CloseMemoryManager();
        return;
    }
    int32_t window = KX_OpenWindow(kWidth, kHeight);
    int32_t screen = KXH_OpenScreen(window, kWidth, kHeight, 32, windowed);
    if (screen < 1) {
        state.SkipWithError("no screen");
    } else {
        KXH_PumpMessages();
        for (auto _ : state)
            benchmark::DoNotOptimize(KX_SwapGraphics(screen, 0));
        state.SetBytesProcessed(int64_t(state.iterations()) * kWidth * kHeight * 4);
        KX_CloseGraphics(screen);
    }
    KX_CloseWindow(window);
    VM_CloseMemoryManager();
    KXH_UseBackend("headless");
}

void BM_SwapWindowed(benchmark::State& state, const char* backend) {
    swap_on(state, backend, 1);
}
void BM_SwapFullScreen(benchmark::State& state, const char* backend) {
    swap_on(state, backend, 0);
}
BENCHMARK_CAPTURE(BM_SwapWindowed, headless, "headless");
BENCHMARK_CAPTURE(BM_SwapFullScreen, headless, "headless");
BENCHMARK_CAPTURE(BM_SwapWindowed, sdl, "sdl");
BENCHMARK_CAPTURE(BM_SwapFullScreen, sdl, "sdl");

} // namespace

BENCHMARK_MAIN();
