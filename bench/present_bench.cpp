// Windowed presentation on the headless desktop: a 640 x 480 back surface
// blitted to the primary surface over a window's client area (the call a
// windowed game makes every frame, which also copies the pixels into the
// window's frame), from a 16-bit (5-6-5) and from a 32-bit back surface,
// against memcpy of the 32-bit frame's bytes. GetWindowFrame reads it back.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "kxp/ddraw.h"
#include "kxp/heap.h"
#include "kxp/host.h"
#include "kxp/screen.h"
#include "kxp/system.h"
#include "kxp/window.h"

namespace {

using namespace kxp;

constexpr std::int32_t kWidth = 640, kHeight = 480;
constexpr std::size_t kFrameBytes = std::size_t{kWidth} * kHeight * 4;

struct Scene {
    HWND window = 0;
    LPDIRECTDRAW7 dd = 0;
    LPDIRECTDRAWSURFACE7 primary = 0, back = 0;
    RECT client{};
    bool ok = false;
};

LRESULT quiet(HWND h, UINT m, WPARAM w, LPARAM l) {
    return DefWindowProc(h, m, w, l);
}

Scene open_scene(DWORD bits) {
    Scene s;
    UseBackend("headless");
    WNDCLASSEX wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = quiet;
    wc.hInstance = GetModuleHandle(nullptr);
    wc.lpszClassName = "PresentBenchClass";
    RegisterClassEx(&wc);
    s.window = CreateWindowEx(0, "PresentBenchClass", "", WS_POPUP | WS_VISIBLE, 100, 100, kWidth,
                              kHeight, 0, 0, wc.hInstance);
    POINT o{0, 0};
    ClientToScreen(s.window, &o);
    s.client = {o.x, o.y, o.x + kWidth, o.y + kHeight};
    if (DirectDrawCreateEx(0, &s.dd, IID_IDirectDraw7, 0) != DD_OK ||
        SetCooperativeLevel(s.dd, s.window, DDSCL_NORMAL) != DD_OK)
        return s;
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    d.dwFlags = DDSD_CAPS;
    d.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    if (CreateSurface(s.dd, &d, &s.primary, 0) != DD_OK) return s;
    d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    d.dwWidth = kWidth;
    d.dwHeight = kHeight;
    d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    d.ddpfPixelFormat = bits == 16 ? DDPIXELFORMAT{32, DDPF_RGB, 0, 16, 0xF800, 0x07E0, 0x001F, 0}
                                   : DDPIXELFORMAT{32, DDPF_RGB, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0};
    if (CreateSurface(s.dd, &d, &s.back, 0) != DD_OK) return s;
    // Something other than zeros to convert.
    DDSURFACEDESC2 lock{};
    lock.dwSize = sizeof lock;
    if (Lock(s.back, nullptr, &lock, DDLOCK_WAIT, 0) != DD_OK) return s;
    auto* p = ptr<std::uint8_t>(lock.lpSurface);
    for (std::int32_t y = 0; y < kHeight; ++y)
        for (std::int32_t x = 0; x < lock.lPitch; ++x)
            p[static_cast<std::size_t>(y) * static_cast<std::size_t>(lock.lPitch) +
              static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(x * 7 + y * 13);
    Unlock(s.back, nullptr);
    s.ok = true;
    return s;
}

void close_scene(const Scene& s) {
    if (s.back) Release(s.back);
    if (s.primary) Release(s.primary);
    if (s.dd) Release(s.dd);
    if (s.window) DestroyWindow(s.window);
}

void present(benchmark::State& state, DWORD bits) {
    Scene s = open_scene(bits);
    if (!s.ok) {
        state.SkipWithError("could not set up the surfaces");
        close_scene(s);
        return;
    }
    for (auto _ : state) {
        HRESULT r = Blt(s.primary, &s.client, s.back, nullptr, DDBLT_WAIT, nullptr);
        benchmark::DoNotOptimize(r);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(kFrameBytes));
    close_scene(s);
}

void BM_Present16To32(benchmark::State& state) {
    present(state, 16);
}
BENCHMARK(BM_Present16To32);

void BM_Present32To32(benchmark::State& state) {
    present(state, 32);
}
BENCHMARK(BM_Present32To32);

// Reading the presented frame back (what a host showing it does).
void BM_GetWindowFrame(benchmark::State& state) {
    Scene s = open_scene(32);
    Blt(s.primary, &s.client, s.back, nullptr, DDBLT_WAIT, nullptr);
    std::vector<std::uint8_t> out(kFrameBytes);
    FrameInfo info{};
    for (auto _ : state) {
        BOOL ok =
            GetWindowFrame(s.window, &info, out.data(), static_cast<std::uint32_t>(kFrameBytes));
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(kFrameBytes));
    close_scene(s);
}
BENCHMARK(BM_GetWindowFrame);

void BM_Memcpy32(benchmark::State& state) {
    std::vector<std::uint8_t> in(kFrameBytes, 1), out(kFrameBytes);
    for (auto _ : state) {
        std::memcpy(out.data(), in.data(), kFrameBytes);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(kFrameBytes));
}
BENCHMARK(BM_Memcpy32);

} // namespace

BENCHMARK_MAIN();
