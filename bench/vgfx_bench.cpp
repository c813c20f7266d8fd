// Raster library benchmarks, side by side in one run with what a user would pick
// instead: memcpy of the same rows (the bandwidth limit), SDL2's surface blits,
// SDL2_gfx's primitives on a software renderer, and pixman. The comparison
// libraries are optional: a build without them reports the library alone.
// Destination 640 x 480; each case ends with a table of ratios (other time / ours,
// so above 1 means the raster library is faster). Ratios use CPU time, since the
// machine may be shared. KX_VGFX_SIMD=scalar|sse2|avx2 runs the library's vector
// kernels at a lower level, for comparison.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "kx/kx_vgfx.h"

#ifdef KX_BENCH_HAVE_SDL
#include <SDL.h>
#endif
#ifdef KX_BENCH_HAVE_SDL_GFX
#include <SDL2_gfxPrimitives.h>
#endif
#ifdef KX_BENCH_HAVE_PIXMAN
#include <pixman.h>
#endif

namespace {

constexpr int kW = 640, kH = 480, kImg = 256;
constexpr uint32_t kKey32 = 0xFF00FF;
constexpr uint16_t kKey16 = 0xF81F; // the same magenta in 5-6-5

// ---- Pixel data shared by every contender ------------------------------------------------

struct Image {
    int w, h, bpp;
    std::vector<uint8_t> px;
    int pitch() const { return w * bpp; }
    uint8_t* row(int y) { return px.data() + size_t(y) * pitch(); }
};

uint16_t to565(uint32_t c) {
    return uint16_t(((c >> 8) & 0xF800) | ((c >> 5) & 0x7E0) | ((c >> 3) & 0x1F));
}

// A 256 x 256 picture; with keyed, about a third of it in runs of the key colour.
Image picture(int bpp, bool keyed) {
    Image im{kImg, kImg, bpp, std::vector<uint8_t>(size_t(kImg) * kImg * bpp)};
    for (int y = 0; y < kImg; ++y)
        for (int x = 0; x < kImg; ++x) {
            uint32_t c = uint32_t(x * 0x010203 + y * 0x030201) & 0x7F7F7F;
            if (keyed && ((x / 16 + y / 16) % 3 == 0)) c = kKey32;
            if (bpp == 4)
                std::memcpy(im.row(y) + x * 4, &c, 4);
            else {
                uint16_t v = to565(c);
                std::memcpy(im.row(y) + x * 2, &v, 2);
            }
        }
    return im;
}

Image screen(int bpp) {
    return Image{kW, kH, bpp, std::vector<uint8_t>(size_t(kW) * kH * bpp, 0x20)};
}

struct Lists {
    std::vector<std::array<int, 4>> boxes, lines;
    std::vector<std::array<int, 2>> circles;
    std::vector<uint32_t> colours;
    Lists() {
        std::mt19937 r(1234);
        auto u = [&r](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(r); };
        for (int i = 0; i < 100; ++i) {
            int x = u(0, kW - 100), y = u(0, kH - 100);
            boxes.push_back({x, y, x + 100, y + 100});
            circles.push_back({u(50, kW - 51), u(50, kH - 51)});
        }
        for (int i = 0; i < 1000; ++i)
            lines.push_back({u(0, kW - 1), u(0, kH - 1), u(0, kW - 1), u(0, kH - 1)});
        for (int i = 0; i < 1000; ++i)
            colours.push_back(uint32_t(u(0, 0xFFFFFF)));
    }
};
const Lists& lists() {
    static Lists l;
    return l;
}

// Where the 256 x 256 image goes: a few positions, so caches see a moving target.
constexpr int kSpots[4][2] = {{10, 10}, {300, 120}, {120, 200}, {380, 220}};

// ---- The raster library ---------------------------------------------------------------------

void bind(Image& dst, int format) {
    VGFX_SetBuffer(dst.px.data(), dst.pitch(), format);
    VGFX_SetBufferViewPort(0, 0, kW, kH);
}
void bind_source(Image& src, int format) {
    VGFX_SetSrcBuffer(src.px.data(), src.pitch(), format);
    VGFX_SetSrcSize(src.w, src.h);
}

void ours_blit(benchmark::State& st, int bpp, bool keyed) {
    Image dst = screen(bpp), src = picture(bpp, keyed);
    int f = bpp == 4 ? 4 : 1;
    bind(dst, f);
    bind_source(src, f);
    int i = 0;
    for (auto _ : st) {
        const int* p = kSpots[i++ & 3];
        VGFX_Blit(0, 0, kImg, kImg, p[0], p[1], kKey32, keyed ? 1 : 0);
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * kImg * kImg);
}

// The C library's memcpy, called for real (a known size would let the compiler
// expand it inline as a slower string move).
void* (*volatile g_memcpy)(void*, const void*, size_t) = std::memcpy;

void memcpy_rows(benchmark::State& st, int bpp) {
    Image dst = screen(bpp), src = picture(bpp, false);
    auto copy = g_memcpy;
    int i = 0;
    for (auto _ : st) {
        const int* p = kSpots[i++ & 3];
        for (int y = 0; y < kImg; ++y)
            copy(dst.row(p[1] + y) + p[0] * bpp, src.row(y), size_t(kImg) * bpp);
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * kImg * kImg);
}

void ours_alpha(benchmark::State& st) {
    Image dst = screen(4), src = picture(4, false);
    bind(dst, 4);
    bind_source(src, 4);
    int i = 0;
    for (auto _ : st) {
        const int* p = kSpots[i++ & 3];
        VGFX_BlitFX(0, 0, kImg, kImg, p[0], p[1], VGFX_TEX_LEVEL, 0, 0, 128, 0, 0);
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * kImg * kImg);
}

void ours_boxes(benchmark::State& st) {
    Image dst = screen(4);
    bind(dst, 4);
    for (auto _ : st) {
        int k = 0;
        for (auto& b : lists().boxes)
            VGFX_Box(b[0], b[1], b[2], b[3], lists().colours[k++], 1);
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * int64_t(lists().boxes.size()));
}

void ours_circles(benchmark::State& st) {
    Image dst = screen(4);
    bind(dst, 4);
    for (auto _ : st) {
        int k = 0;
        for (auto& c : lists().circles)
            VGFX_Circle(c[0], c[1], 50, lists().colours[k++], 1);
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * int64_t(lists().circles.size()));
}

void ours_lines(benchmark::State& st) {
    Image dst = screen(4);
    bind(dst, 4);
    for (auto _ : st) {
        int k = 0;
        for (auto& l : lists().lines)
            VGFX_WriteLine(l[0], l[1], l[2], l[3], lists().colours[k++], 0);
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * int64_t(lists().lines.size()));
}

// The 64 x 64 image turned by 30 degrees about its centre and scaled 1.5 times, centred
// at (cx, cy): the destination corners in order around the image.
struct Rotated {
    double x[4], y[4];
    Rotated(double cx, double cy) {
        const double a = 30 * M_PI / 180, s = 1.5, c = std::cos(a), n = std::sin(a);
        const double ux[4] = {0, 64, 64, 0}, uy[4] = {0, 0, 64, 64};
        for (int i = 0; i < 4; ++i) {
            double px = (ux[i] - 32) * s, py = (uy[i] - 32) * s;
            x[i] = px * c - py * n + cx;
            y[i] = px * n + py * c + cy;
        }
    }
};
constexpr int kRotations = 100;

Image texture64() {
    Image t{64, 64, 4, std::vector<uint8_t>(64 * 64 * 4)};
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            uint32_t c =
                0xFF000000u | uint32_t(x * 4) << 16 | uint32_t(y * 4) << 8 | uint32_t((x ^ y) * 4);
            std::memcpy(t.row(y) + x * 4, &c, 4);
        }
    return t;
}

void ours_rotate(benchmark::State& st) {
    Image dst = screen(4), tex = texture64();
    bind(dst, 4);
    bind_source(tex, 4);
    for (auto _ : st) {
        for (int i = 0; i < kRotations; ++i) {
            Rotated r(100 + (i % 10) * 48, 100 + (i / 10) * 30);
            VGFX_QuadT(int(r.x[0]), int(r.y[0]), 0, 0, int(r.x[1]), int(r.y[1]), 63, 0, int(r.x[2]),
                       int(r.y[2]), 63, 63, int(r.x[3]), int(r.y[3]), 0, 63, 0, 0, 0, 0);
        }
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * kRotations);
}

// ---- SDL2 ---------------------------------------------------------------------------------------

#ifdef KX_BENCH_HAVE_SDL
SDL_Surface* sdl_surface(Image& im) {
    Uint32 fmt = im.bpp == 4 ? SDL_PIXELFORMAT_RGB888 : SDL_PIXELFORMAT_RGB565;
    return SDL_CreateRGBSurfaceWithFormatFrom(im.px.data(), im.w, im.h, im.bpp * 8, im.pitch(),
                                              fmt);
}

// mode 0: opaque; 1: colour key; 2: colour key with RLE; 3: 50 % alpha; 4: 50 % alpha
// with RLE asked for (SDL encodes only keyed or per-pixel alpha surfaces, so this shows
// whether asking changes anything).
void sdl_blit(benchmark::State& st, int bpp, int mode) {
    Image dst = screen(bpp), src = picture(bpp, mode == 1 || mode == 2);
    SDL_Surface* d = sdl_surface(dst);
    SDL_Surface* s = sdl_surface(src);
    SDL_SetSurfaceBlendMode(s, SDL_BLENDMODE_NONE);
    if (mode == 1 || mode == 2) SDL_SetColorKey(s, SDL_TRUE, bpp == 4 ? kKey32 : kKey16);
    SDL_SetSurfaceRLE(s, mode == 2 || mode == 4 ? 1 : 0);
    if (mode == 3 || mode == 4) {
        SDL_SetSurfaceBlendMode(s, SDL_BLENDMODE_BLEND);
        SDL_SetSurfaceAlphaMod(s, 128);
    }
    int i = 0;
    for (auto _ : st) {
        const int* p = kSpots[i++ & 3];
        SDL_Rect to{p[0], p[1], kImg, kImg};
        SDL_BlitSurface(s, nullptr, d, &to);
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * kImg * kImg);
    SDL_FreeSurface(s);
    SDL_FreeSurface(d);
}
#endif

#ifdef KX_BENCH_HAVE_SDL_GFX
// SDL2_gfx on a software renderer drawing into a 640 x 480 surface; each iteration
// ends with a flush so that the drawing is done within it.
void gfx_shapes(benchmark::State& st, int what) {
    Image dst = screen(4);
    SDL_Surface* d = sdl_surface(dst);
    SDL_Renderer* r = SDL_CreateSoftwareRenderer(d);
    if (!r) {
        st.SkipWithError("no software renderer");
        return;
    }
    for (auto _ : st) {
        int k = 0;
        auto col = [&](int i) { return lists().colours[size_t(i)]; };
        if (what == 0)
            for (auto& b : lists().boxes) {
                uint32_t c = col(k++);
                boxRGBA(r, Sint16(b[0]), Sint16(b[1]), Sint16(b[2] - 1), Sint16(b[3] - 1),
                        Uint8(c >> 16), Uint8(c >> 8), Uint8(c), 255);
            }
        else if (what == 1)
            for (auto& c : lists().circles) {
                uint32_t v = col(k++);
                filledCircleRGBA(r, Sint16(c[0]), Sint16(c[1]), 50, Uint8(v >> 16), Uint8(v >> 8),
                                 Uint8(v), 255);
            }
        else
            for (auto& l : lists().lines) {
                uint32_t v = col(k++);
                lineRGBA(r, Sint16(l[0]), Sint16(l[1]), Sint16(l[2]), Sint16(l[3]), Uint8(v >> 16),
                         Uint8(v >> 8), Uint8(v), 255);
            }
        SDL_RenderFlush(r);
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * int64_t(what == 0   ? lists().boxes.size()
                                                   : what == 1 ? lists().circles.size()
                                                               : lists().lines.size()));
    SDL_DestroyRenderer(r);
    SDL_FreeSurface(d);
}
#endif

// ---- pixman
// ---------------------------------------------------------------------------------------

#ifdef KX_BENCH_HAVE_PIXMAN
pixman_image_t* pix(Image& im, pixman_format_code_t f) {
    return pixman_image_create_bits(f, im.w, im.h, reinterpret_cast<uint32_t*>(im.px.data()),
                                    im.pitch());
}

void pixman_alpha(benchmark::State& st) {
    Image dst = screen(4), src = picture(4, false);
    pixman_image_t* d = pix(dst, PIXMAN_x8r8g8b8);
    pixman_image_t* s = pix(src, PIXMAN_x8r8g8b8);
    pixman_color_t half{0, 0, 0, 0x8080};
    pixman_image_t* m = pixman_image_create_solid_fill(&half);
    int i = 0;
    for (auto _ : st) {
        const int* p = kSpots[i++ & 3];
        pixman_image_composite32(PIXMAN_OP_OVER, s, m, d, 0, 0, 0, 0, p[0], p[1], kImg, kImg);
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * kImg * kImg);
    pixman_image_unref(m);
    pixman_image_unref(s);
    pixman_image_unref(d);
}

// pixman has no colour key: the keyed picture as a8r8g8b8 with alpha 0 on the keyed
// pixels and 255 elsewhere, composited OVER the 32-bit or 5-6-5 screen.
void pixman_keyed(benchmark::State& st, int bpp) {
    Image dst = screen(bpp), src = picture(4, true);
    for (int y = 0; y < kImg; ++y)
        for (int x = 0; x < kImg; ++x) {
            uint32_t c;
            std::memcpy(&c, src.row(y) + x * 4, 4);
            c = c == kKey32 ? 0 : c | 0xFF000000u;
            std::memcpy(src.row(y) + x * 4, &c, 4);
        }
    pixman_image_t* d = pix(dst, bpp == 4 ? PIXMAN_x8r8g8b8 : PIXMAN_r5g6b5);
    pixman_image_t* s = pix(src, PIXMAN_a8r8g8b8);
    int i = 0;
    for (auto _ : st) {
        const int* p = kSpots[i++ & 3];
        pixman_image_composite32(PIXMAN_OP_OVER, s, nullptr, d, 0, 0, 0, 0, p[0], p[1], kImg, kImg);
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * kImg * kImg);
    pixman_image_unref(s);
    pixman_image_unref(d);
}

void pixman_rotate(benchmark::State& st) {
    Image dst = screen(4), tex = texture64();
    pixman_image_t* d = pix(dst, PIXMAN_x8r8g8b8);
    pixman_image_t* s = pix(tex, PIXMAN_a8r8g8b8);
    pixman_image_set_filter(s, PIXMAN_FILTER_NEAREST, nullptr, 0);
    pixman_image_set_repeat(s, PIXMAN_REPEAT_NONE);
    for (auto _ : st) {
        for (int i = 0; i < kRotations; ++i) {
            double cx = 100 + (i % 10) * 48, cy = 100 + (i / 10) * 30;
            Rotated r(cx, cy);
            int x0 = int(std::floor(std::min({r.x[0], r.x[1], r.x[2], r.x[3]})));
            int y0 = int(std::floor(std::min({r.y[0], r.y[1], r.y[2], r.y[3]})));
            int x1 = int(std::ceil(std::max({r.x[0], r.x[1], r.x[2], r.x[3]})));
            int y1 = int(std::ceil(std::max({r.y[0], r.y[1], r.y[2], r.y[3]})));
            // Destination to source: undo the placement, the turn and the scale.
            pixman_f_transform ft;
            pixman_f_transform_init_identity(&ft);
            pixman_f_transform_translate(&ft, nullptr, -32, -32);
            pixman_f_transform_scale(&ft, nullptr, 1.5, 1.5);
            pixman_f_transform_rotate(&ft, nullptr, std::cos(M_PI / 6), std::sin(M_PI / 6));
            pixman_f_transform_translate(&ft, nullptr, cx - x0, cy - y0);
            pixman_f_transform inv;
            pixman_f_transform_invert(&inv, &ft);
            pixman_transform t;
            pixman_transform_from_pixman_f_transform(&t, &inv);
            pixman_image_set_transform(s, &t);
            pixman_image_composite32(PIXMAN_OP_OVER, s, nullptr, d, 0, 0, 0, 0, x0, y0, x1 - x0,
                                     y1 - y0);
        }
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * kRotations);
    pixman_image_unref(s);
    pixman_image_unref(d);
}
#endif

// ---- The table ----------------------------------------------------------------------------------

class Capture : public benchmark::ConsoleReporter {
  public:
    std::map<std::string, double> seconds;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (!r.error_occurred)
                seconds[r.run_name.function_name] = r.cpu_accumulated_time / double(r.iterations);
        ConsoleReporter::ReportRuns(runs);
    }
};

struct Row {
    const char* label;
    const char* ours;
    const char* other;
    const char* target;
};

void reg(const std::string& name, std::function<void(benchmark::State&)> fn) {
    benchmark::RegisterBenchmark(name.c_str(), [fn](benchmark::State& st) { fn(st); })
        ->Unit(benchmark::kMicrosecond)
        ->MinTime(0.3);
}

} // namespace

int main(int argc, char** argv) {
    reg("blit32/vgfx", [](auto& s) { ours_blit(s, 4, false); });
    reg("blit32/memcpy", [](auto& s) { memcpy_rows(s, 4); });
    reg("blit16/vgfx", [](auto& s) { ours_blit(s, 2, false); });
    reg("blit16/memcpy", [](auto& s) { memcpy_rows(s, 2); });
    reg("key32/vgfx", [](auto& s) { ours_blit(s, 4, true); });
    reg("key16/vgfx", [](auto& s) { ours_blit(s, 2, true); });
    reg("alpha50/vgfx", [](auto& s) { ours_alpha(s); });
    reg("boxes/vgfx", [](auto& s) { ours_boxes(s); });
    reg("circles/vgfx", [](auto& s) { ours_circles(s); });
    reg("lines/vgfx", [](auto& s) { ours_lines(s); });
    reg("rotate/vgfx", [](auto& s) { ours_rotate(s); });
#ifdef KX_BENCH_HAVE_SDL
    reg("blit32/sdl", [](auto& s) { sdl_blit(s, 4, 0); });
    reg("blit16/sdl", [](auto& s) { sdl_blit(s, 2, 0); });
    reg("key32/sdl", [](auto& s) { sdl_blit(s, 4, 1); });
    reg("key32/sdl-rle", [](auto& s) { sdl_blit(s, 4, 2); });
    reg("key16/sdl", [](auto& s) { sdl_blit(s, 2, 1); });
    reg("key16/sdl-rle", [](auto& s) { sdl_blit(s, 2, 2); });
    reg("alpha50/sdl", [](auto& s) { sdl_blit(s, 4, 3); });
    reg("alpha50/sdl-rle", [](auto& s) { sdl_blit(s, 4, 4); });
#endif
#ifdef KX_BENCH_HAVE_SDL_GFX
    reg("boxes/sdl2_gfx", [](auto& s) { gfx_shapes(s, 0); });
    reg("circles/sdl2_gfx", [](auto& s) { gfx_shapes(s, 1); });
    reg("lines/sdl2_gfx", [](auto& s) { gfx_shapes(s, 2); });
#endif
#ifdef KX_BENCH_HAVE_PIXMAN
    reg("alpha50/pixman", [](auto& s) { pixman_alpha(s); });
    reg("key32/pixman", [](auto& s) { pixman_keyed(s, 4); });
    reg("key16/pixman", [](auto& s) { pixman_keyed(s, 2); });
    reg("rotate/pixman", [](auto& s) { pixman_rotate(s); });
#endif
    benchmark::Initialize(&argc, argv);
    Capture rep;
    benchmark::RunSpecifiedBenchmarks(&rep);

    const Row rows[] = {
        {"opaque blit 256x256, 32-bit", "blit32/vgfx", "blit32/memcpy", ">= 0.9"},
        {"opaque blit 256x256, 32-bit", "blit32/vgfx", "blit32/sdl", ""},
        {"opaque blit 256x256, 16-bit", "blit16/vgfx", "blit16/memcpy", ">= 0.9"},
        {"opaque blit 256x256, 16-bit", "blit16/vgfx", "blit16/sdl", ""},
        {"colour-key blit, 32-bit", "key32/vgfx", "key32/sdl", "> 1"},
        {"colour-key blit, 32-bit", "key32/vgfx", "key32/sdl-rle", "> 1"},
        {"colour-key blit, 32-bit", "key32/vgfx", "key32/pixman", "> 1"},
        {"colour-key blit, 16-bit", "key16/vgfx", "key16/sdl", "> 1"},
        {"colour-key blit, 16-bit", "key16/vgfx", "key16/sdl-rle", "> 1"},
        {"colour-key blit, 16-bit", "key16/vgfx", "key16/pixman", "> 1"},
        {"50 % alpha blit, 32-bit", "alpha50/vgfx", "alpha50/sdl", "> 1"},
        {"50 % alpha blit, 32-bit", "alpha50/vgfx", "alpha50/sdl-rle", "> 1"},
        {"50 % alpha blit, 32-bit", "alpha50/vgfx", "alpha50/pixman", "> 1"},
        {"100 filled boxes 100x100", "boxes/vgfx", "boxes/sdl2_gfx", ">= 2"},
        {"100 filled circles r=50", "circles/vgfx", "circles/sdl2_gfx", ">= 2"},
        {"1000 random lines", "lines/vgfx", "lines/sdl2_gfx", ">= 2"},
        {"100 x 64x64 turned 30 deg, x1.5", "rotate/vgfx", "rotate/pixman", ">= 1"},
    };
    std::printf("\n%-34s %-16s %12s %12s %8s %8s\n", "case", "against", "vgfx us", "other us",
                "ratio", "target");
    for (const Row& r : rows) {
        auto a = rep.seconds.find(r.ours), b = rep.seconds.find(r.other);
        if (a == rep.seconds.end() || b == rep.seconds.end()) continue;
        const char* other = std::strchr(r.other, '/') + 1;
        std::printf("%-34s %-16s %12.1f %12.1f %8.2f %8s\n", r.label, other, a->second * 1e6,
                    b->second * 1e6, b->second / a->second, r.target);
    }
    std::printf("(ratio: the other's time / the raster library's time; above 1 the raster library "
                "is faster;\n"
                " against memcpy it is the library's share of memcpy's throughput)\n");
    benchmark::Shutdown();
    return 0;
}
