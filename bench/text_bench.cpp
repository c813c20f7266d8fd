// Drawing 10,000 characters a frame on a 640x480 32-bit screen: with a system
// font, with its bitmap conversion (DirectDraw road) and prepared for the FX
// road.
#include <benchmark/benchmark.h>

#include <string>

#include "kx/kx_host.h"
#include "kx/kx_vm.h"

namespace {

constexpr int kLine = 80, kLines = 125; // 10,000 characters

void draw_text(benchmark::State& state, int kind) {
    VM_OpenMemoryManager(1000);
    KXH_UseBackend("headless");
    int32_t window = KX_OpenWindow(640, 480);
    int32_t screen = KXH_OpenScreen(window, 640, 480, 32, 1);
    int32_t font = KX_FontLoad(screen, VM_NewStrFromPtr("DejaVu Sans Mono"), 10, 0);
    if (kind >= 1) KX_FontConvertBitmap(font, 0xFFFFFF, 1);
    if (kind == 2) KX_FontPrepareFX(font, 0xFFFFFF);
    std::string line;
    for (int i = 0; i < kLine; ++i)
        line += static_cast<char>(' ' + 1 + i % 90);
    int32_t text = VM_NewStrFromPtr(line.c_str());
    int32_t height = KX_FontCalcTextSize(font, text, 0);
    for (auto _ : state)
        for (int i = 0; i < kLines; ++i)
            KX_DrawText(font, text, 0, (i * height) % 480, 0xFFFFFF, 0);
    state.SetItemsProcessed(int64_t(state.iterations()) * kLine * kLines);
    KX_CloseGraphics(screen);
    KX_CloseWindow(window);
    VM_CloseMemoryManager();
}

void BM_SystemFont(benchmark::State& s) {
    draw_text(s, 0);
}
void BM_BitmapFont(benchmark::State& s) {
    draw_text(s, 1);
}
void BM_BitmapFontFX(benchmark::State& s) {
    draw_text(s, 2);
}
BENCHMARK(BM_SystemFont)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BitmapFont)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BitmapFontFX)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
