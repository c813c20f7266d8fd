// Drawing through the runtime's exports on a 640 x 480 32-bit screen opened with the
// host kit, side by side with SDL2_gfx on a software renderer (lines, circles) and a
// plain two-pass 3 x 3 box blur in C++ (the blur). SDL2_gfx is optional: a build
// without it reports the runtime alone. Each case ends with a ratio (other time /
// ours, above 1 the runtime is faster), by CPU time since the machine may be shared.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "kx/kx_host.h"
#include "kx/kx_vm.h"

#ifdef KX_BENCH_HAVE_SDL_GFX
#include <SDL.h>
#include <SDL2_gfxPrimitives.h>
#endif

namespace {

constexpr int kW = 640, kH = 480;

struct Shapes {
    std::vector<std::array<int, 4>> lines; // ends up to half a screen outside it
    std::vector<std::array<int, 2>> circles;
    std::vector<uint32_t> colours;
    Shapes() {
        std::mt19937 rng(7);
        auto u = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
        for (int i = 0; i < 1000; ++i)
            lines.push_back({u(-kW / 2, kW * 3 / 2), u(-kH / 2, kH * 3 / 2), u(-kW / 2, kW * 3 / 2),
                             u(-kH / 2, kH * 3 / 2)});
        for (int i = 0; i < 100; ++i)
            circles.push_back({u(0, kW - 1), u(0, kH - 1)});
        for (int i = 0; i < 1000; ++i)
            colours.push_back(uint32_t(u(0, 0xFFFFFF)));
    }
};
const Shapes& shapes() {
    static Shapes s;
    return s;
}

// The runtime with a screen open, once for the whole run.
int32_t screen() {
    static int32_t s = [] {
        VM_OpenMemoryManager(1000);
        KXH_UseBackend("headless");
        int32_t w = KX_OpenWindow(kW, kH);
        return KXH_OpenScreen(w, kW, kH, 32, 1);
    }();
    return s;
}

void ours_lines(benchmark::State& st) {
    KX_SetCurrentSurface(screen());
    for (auto _ : st) {
        size_t k = 0;
        for (auto& l : shapes().lines)
            KX_Line(float(l[0]), float(l[1]), float(l[2]), float(l[3]),
                    int32_t(shapes().colours[k++]), 0);
    }
    st.SetItemsProcessed(st.iterations() * 1000);
}

void ours_circles(benchmark::State& st) {
    KX_SetCurrentSurface(screen());
    for (auto _ : st) {
        size_t k = 0;
        for (auto& c : shapes().circles)
            KX_Circle(c[0], c[1], 50, int32_t(shapes().colours[k++]), 1);
    }
    st.SetItemsProcessed(st.iterations() * 100);
}

void ours_blur(benchmark::State& st) {
    KX_SetCurrentSurface(screen());
    for (int i = 0; i < 100; ++i)
        KX_Circle(i * 7, i * 5, 40, int32_t(shapes().colours[size_t(i)]), 1);
    for (auto _ : st)
        KX_ImageBlur(screen(), 9.0f);
    st.SetItemsProcessed(st.iterations() * kW * kH);
}

// A straightforward separable 3 x 3 box blur of 0x00RRGGBB pixels with the same
// wrap-around edges: horizontal sums into a buffer, then vertical sums / 9.
void plain_blur(benchmark::State& st) {
    std::vector<uint32_t> px(size_t(kW) * kH), out(px.size());
    std::vector<std::array<uint16_t, 3>> sums(px.size());
    std::mt19937 rng(3);
    for (auto& p : px)
        p = rng() & 0xFFFFFF;
    for (auto _ : st) {
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const uint32_t* row = &px[size_t(y) * kW];
                uint32_t a = row[(x + kW - 1) % kW], b = row[x], c = row[(x + 1) % kW];
                auto& s = sums[size_t(y) * kW + size_t(x)];
                for (int k = 0; k < 3; ++k) {
                    int sh = 16 - 8 * k;
                    s[size_t(k)] = uint16_t((a >> sh & 255) + (b >> sh & 255) + (c >> sh & 255));
                }
            }
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const auto& u = sums[size_t((y + kH - 1) % kH) * kW + size_t(x)];
                const auto& m = sums[size_t(y) * kW + size_t(x)];
                const auto& d = sums[size_t((y + 1) % kH) * kW + size_t(x)];
                uint32_t v = 0;
                for (int k = 0; k < 3; ++k)
                    v = v << 8 |
                        uint32_t(std::min(
                            255, int(float(u[size_t(k)] + m[size_t(k)] + d[size_t(k)]) / 9.0f)));
                out[size_t(y) * kW + size_t(x)] = v;
            }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * kW * kH);
}

#ifdef KX_BENCH_HAVE_SDL_GFX
// SDL2_gfx on a software renderer over a 640 x 480 32-bit surface; each iteration
// ends with a flush so that the drawing is done within it.
void gfx_shapes(benchmark::State& st, bool circles) {
    std::vector<uint32_t> px(size_t(kW) * kH);
    SDL_Surface* d =
        SDL_CreateRGBSurfaceWithFormatFrom(px.data(), kW, kH, 32, kW * 4, SDL_PIXELFORMAT_XRGB8888);
    SDL_Renderer* r = d ? SDL_CreateSoftwareRenderer(d) : nullptr;
    if (!r) {
        st.SkipWithError("no software renderer");
        return;
    }
    for (auto _ : st) {
        size_t k = 0;
        if (circles)
            for (auto& c : shapes().circles) {
                uint32_t v = shapes().colours[k++];
                filledCircleRGBA(r, Sint16(c[0]), Sint16(c[1]), 50, Uint8(v >> 16), Uint8(v >> 8),
                                 Uint8(v), 255);
            }
        else
            for (auto& l : shapes().lines) {
                uint32_t v = shapes().colours[k++];
                lineRGBA(r, Sint16(l[0]), Sint16(l[1]), Sint16(l[2]), Sint16(l[3]), Uint8(v >> 16),
                         Uint8(v >> 8), Uint8(v), 255);
            }
        SDL_RenderFlush(r);
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * (circles ? 100 : 1000));
    SDL_DestroyRenderer(r);
    SDL_FreeSurface(d);
}
#endif

// Keeps each benchmark's CPU time per iteration for the table at the end.
struct Capture : benchmark::ConsoleReporter {
    std::map<std::string, double> seconds;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration)
                seconds[r.benchmark_name()] = r.GetAdjustedCPUTime() * 1e-9;
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark("lines/kx", ours_lines);
    benchmark::RegisterBenchmark("circles/kx", ours_circles);
    benchmark::RegisterBenchmark("blur/kx", ours_blur);
    benchmark::RegisterBenchmark("blur/plain", plain_blur);
#ifdef KX_BENCH_HAVE_SDL_GFX
    benchmark::RegisterBenchmark("lines/sdl2_gfx",
                                 [](benchmark::State& s) { gfx_shapes(s, false); });
    benchmark::RegisterBenchmark("circles/sdl2_gfx",
                                 [](benchmark::State& s) { gfx_shapes(s, true); });
#endif
    benchmark::Initialize(&argc, argv);
    Capture rep;
    benchmark::RunSpecifiedBenchmarks(&rep);
    const std::array<std::array<const char*, 3>, 3> rows{{
        {"1000 clipped lines", "lines/kx", "lines/sdl2_gfx"},
        {"100 filled circles r=50", "circles/kx", "circles/sdl2_gfx"},
        {"3x3 blur of 640x480", "blur/kx", "blur/plain"},
    }};
    std::printf("\n%-26s %-12s %10s %10s %7s\n", "case", "against", "kx us", "other us", "ratio");
    for (const auto& r : rows) {
        auto a = rep.seconds.find(r[1]), b = rep.seconds.find(r[2]);
        if (a == rep.seconds.end() || b == rep.seconds.end()) continue;
        std::printf("%-26s %-12s %10.1f %10.1f %7.2f\n", r[0], std::strchr(r[2], '/') + 1,
                    a->second * 1e6, b->second * 1e6, b->second / a->second);
    }
    benchmark::Shutdown();
    return 0;
}
