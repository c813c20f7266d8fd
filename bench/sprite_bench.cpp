// 10,000 sprites of a 32 x 32 image a frame on a 640 x 480 32-bit FX surface:
// (a) plain blits, (b) rotated and scaled through the mesh road, (c) alpha
// blended at 50 %, and 10,000 live particles updated and drawn as the quads of
// one sprite. (a) and (b) run beside SDL2's software renderer drawing the same
// sprites with SDL_RenderCopyEx (optional: a build without SDL2 reports the
// runtime alone). Targets: (a) under 4 ms, (b), (c) and particles under 16 ms a frame.
#include <benchmark/benchmark.h>

#include <climits>
#include <random>
#include <vector>

#include "kx/kx_host.h"
#include "kx/kx_vm.h"

#ifdef KX_BENCH_HAVE_SDL
#include <SDL.h>
#endif

namespace {

constexpr int kW = 640, kH = 480, kSprites = 10000;

struct Placement {
    float x, y, angle, scale;
};
const std::vector<Placement>& placements() {
    static const std::vector<Placement> p = [] {
        std::mt19937 rng(11);
        std::uniform_real_distribution<float> x(0, kW), y(0, kH), a(0, 360), s(0.5f, 1.5f);
        std::vector<Placement> out;
        for (int i = 0; i < kSprites; ++i)
            out.push_back({x(rng), y(rng), a(rng), s(rng)});
        return out;
    }();
    return p;
}

struct World {
    int32_t target = 0, image = 0;
    std::vector<int32_t> sprites;
    int32_t emitter = 0;
};
// The runtime with an FX surface, the image and the sprites, once for the run.
World& world() {
    static World w = [] {
        World w;
        VM_OpenMemoryManager(kSprites * 6 + 20000);
        KXH_UseBackend("headless");
        const int32_t window = KX_OpenWindow(kW, kH);
        const int32_t screen = KXH_OpenScreen(window, kW, kH, 32, 1);
        w.target = KX_ImageCreate(screen, kW, kH, 32, 2);
        w.image = KX_ImageCreate(screen, 32, 32, 32, 2);
        KX_SetCurrentSurface(w.image);
        KX_Cls(0x3366CC);
        KX_Circle(16, 16, 10, 0xFFCC00, 1);
        for (const Placement& p : placements()) {
            const int32_t s = KX_SpriteCreate();
            KX_SpriteImage(s, w.image);
            KX_SpriteCenterHandle(s);
            KX_SpritePos(s, p.x, p.y, 1, 3);
            w.sprites.push_back(s);
        }
        // One emitter with 10,000 particles spinning and drifting in place.
        w.emitter = KX_SpriteCreate();
        KX_SpriteImage(w.emitter, w.image);
        KX_SpriteDrawMode(w.emitter, 2);
        KX_SpriteInitParticles(w.emitter, kSprites + 1);
        std::mt19937 rng(5);
        std::uniform_real_distribution<float> d(-0.05f, 0.05f);
        for (const Placement& p : placements()) {
            KX_Particle q{};
            q.Life = INT_MAX;
            q.Width = q.Height = 16;
            q.Position[0] = p.x, q.Position[1] = p.y;
            q.Scale[0] = q.Scale[1] = q.Scale[2] = 1;
            q.Colour = 0xFFFFFF;
            q.Velocity = {1, {d(rng), d(rng), 0}, {0, 0, 0}, {-1, -1, 0}, {1, 1, 0}};
            q.Spin = {1, {0, 0, 2}, {0, 0, 0}, {0, 0, 0}, {0, 0, 10}};
            const int32_t i = KX_SpriteAddParticle(w.emitter, &q);
            for (int c = 0; c < 4; ++c)
                KX_SpritePokeFace(w.emitter, i, c, 4 * i + c, c == 1 || c == 2 ? 1.0f : 0.0f,
                                  c >= 2 ? 1.0f : 0.0f, 0, 7);
        }
        KX_SpriteDraw(w.emitter, nullptr); // builds the quads once, enlarging the mesh
        return w;
    }();
    return w;
}

void setup_sprites(int32_t mode, bool turned, float alpha) {
    World& w = world();
    for (size_t i = 0; i < w.sprites.size(); ++i) {
        const int32_t s = w.sprites[i];
        const Placement& p = placements()[i];
        KX_SpriteDrawMode(s, mode);
        KX_SpriteTransparent(s, 1);
        KX_SpriteAlpha(s, alpha);
        KX_SpriteRotate(s, 0, 0, turned ? p.angle : 0, 4);
        KX_SpriteScale(s, turned ? p.scale : 1, turned ? p.scale : 1, 1, 3);
    }
}

void run_sprites(benchmark::State& st, int32_t mode, bool turned, float alpha) {
    World& w = world();
    setup_sprites(mode, turned, alpha);
    KX_SetCurrentSurface(w.target);
    for (auto _ : st) {
        KX_Cls(0);
        for (int32_t s : w.sprites)
            KX_SpriteDraw(s, nullptr);
    }
    st.SetItemsProcessed(st.iterations() * kSprites);
}

void sprites_plain(benchmark::State& st) {
    run_sprites(st, 0, false, 1.0f);
}
void sprites_rotated_scaled(benchmark::State& st) {
    run_sprites(st, 2, true, 1.0f);
}
void sprites_alpha(benchmark::State& st) {
    run_sprites(st, 4 + 2, false, 0.5f);
}
void particles(benchmark::State& st) {
    World& w = world();
    KX_SetCurrentSurface(w.target);
    for (auto _ : st) {
        KX_Cls(0);
        KX_SpriteUpdateParticles(w.emitter);
        KX_SpriteDraw(w.emitter, nullptr);
    }
    st.SetItemsProcessed(st.iterations() * kSprites);
}

#ifdef KX_BENCH_HAVE_SDL
void sdl_sprites(benchmark::State& st, bool turned) {
    SDL_Surface* screen = SDL_CreateRGBSurfaceWithFormat(0, kW, kH, 32, SDL_PIXELFORMAT_RGB888);
    SDL_Renderer* r = SDL_CreateSoftwareRenderer(screen);
    SDL_Surface* img = SDL_CreateRGBSurfaceWithFormat(0, 32, 32, 32, SDL_PIXELFORMAT_RGB888);
    SDL_FillRect(img, nullptr, 0x3366CC);
    SDL_SetColorKey(img, SDL_TRUE, 0);
    SDL_Texture* t = SDL_CreateTextureFromSurface(r, img);
    for (auto _ : st) {
        SDL_SetRenderDrawColor(r, 0, 0, 0, 255);
        SDL_RenderClear(r);
        for (const Placement& p : placements()) {
            const float s = turned ? p.scale : 1.0f;
            const SDL_FRect dst{p.x - 16 * s, p.y - 16 * s, 32 * s, 32 * s};
            SDL_RenderCopyExF(r, t, nullptr, &dst, turned ? p.angle : 0.0, nullptr, SDL_FLIP_NONE);
        }
        SDL_RenderFlush(r);
    }
    st.SetItemsProcessed(st.iterations() * kSprites);
    SDL_DestroyTexture(t);
    SDL_FreeSurface(img);
    SDL_DestroyRenderer(r);
    SDL_FreeSurface(screen);
}
void sdl_plain(benchmark::State& st) {
    sdl_sprites(st, false);
}
void sdl_rotated_scaled(benchmark::State& st) {
    sdl_sprites(st, true);
}
#endif

} // namespace

BENCHMARK(sprites_plain)->Unit(benchmark::kMillisecond);
#ifdef KX_BENCH_HAVE_SDL
BENCHMARK(sdl_plain)->Unit(benchmark::kMillisecond);
#endif
BENCHMARK(sprites_rotated_scaled)->Unit(benchmark::kMillisecond);
#ifdef KX_BENCH_HAVE_SDL
BENCHMARK(sdl_rotated_scaled)->Unit(benchmark::kMillisecond);
#endif
BENCHMARK(sprites_alpha)->Unit(benchmark::kMillisecond);
BENCHMARK(particles)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
