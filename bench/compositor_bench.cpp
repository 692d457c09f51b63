// How fast a representative playfield frame is composed: a plain copy of the frame's bytes,
// our compositor, and the same frame on SDL2's own software blitter, in one run.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "gfx/display.h"
#include "platform/platform.h"

namespace {

constexpr uint16_t KEY = 0xF81F;

// A sprite whose outer ring (about 40 % of its pixels) is the key colour.
Image MakeSprite(int size) {
    Image image;
    image.width = image.height = size;
    image.pixels.resize(size_t(size) * size);
    const float r = size * 0.39f, c = (size - 1) / 2.0f;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float dx = x - c, dy = y - c;
            image.pixels[y * size + x] = dx * dx + dy * dy <= r * r * 1.3f ? uint16_t(0x2945 + x) : KEY;
        }
    SetColourKey(image, KEY);
    return image;
}

struct Scene {
    Image background, sprite, shot, shield;
    Scene() : sprite(MakeSprite(64)), shot(MakeSprite(16)), shield(MakeSprite(32)) {
        background.width = 800, background.height = 600;
        background.pixels.assign(800 * 600, 0x1082);
        CreateFlipChain();
    }
};

// 30 viruses, the ship, 2 items, 15 shots, 3 shields: about 50 keyed copies and 3 stretched.
template <typename Blit, typename Stretch>
void ComposeFrame(Blit blit, Stretch stretch) {
    for (int i = 0; i < 30; ++i) blit(0, 74 * (i % 6) + 20, 64 * (i / 6) + 32);
    blit(0, 368, 536);
    blit(0, 200, 300);
    blit(0, 500, 300);
    for (int i = 0; i < 15; ++i) blit(1, 40 + 48 * i, 420);
    for (int s = 0; s < 3; ++s) stretch(232 * s + 104, 472, 128, 32);
}

void BM_Memcpy(benchmark::State& state) {
    std::vector<uint16_t> from(800 * 600, 1), to(800 * 600);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), to.size() * 2);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
}

void BM_OurCompositor(benchmark::State& state) {
    static Scene scene;
    const Rect shieldSource{0, 0, 32, 32};
    for (auto _ : state) {
        BlitOpaque(0, 0, &scene.background);
        ComposeFrame(
            [&](int which, int x, int y) { BlitKeyed(x, y, which == 0 ? &scene.sprite : &scene.shot); },
            [&](int x, int y, int w, int h) {
                BlitStretchKeyed(Rect{x, y, x + w, y + h}, &scene.shield, shieldSource);
            });
        benchmark::DoNotOptimize(display.backBuffer->pixels.data());
        benchmark::ClobberMemory();
    }
}

SDL_Surface* ToSdl(const Image& image, bool keyed) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, image.width, image.height, 16, SDL_PIXELFORMAT_RGB565);
    for (int y = 0; y < image.height; ++y)
        std::memcpy((uint8_t*)s->pixels + y * s->pitch, image.pixels.data() + y * image.width, image.width * 2);
    if (keyed) {
        SDL_SetColorKey(s, SDL_TRUE, KEY);
        SDL_SetSurfaceRLE(s, 1);
    }
    return s;
}

void BM_Sdl2Blitter(benchmark::State& state) {
    static Scene scene;
    SDL_Surface* target = SDL_CreateRGBSurfaceWithFormat(0, 800, 600, 16, SDL_PIXELFORMAT_RGB565);
    SDL_Surface* background = ToSdl(scene.background, false);
    SDL_Surface* sprites[2] = {ToSdl(scene.sprite, true), ToSdl(scene.shot, true)};
    SDL_Surface* shield = ToSdl(scene.shield, true);
    for (auto _ : state) {
        SDL_BlitSurface(background, nullptr, target, nullptr);
        ComposeFrame(
            [&](int which, int x, int y) {
                SDL_Rect to{x, y, 0, 0};
                SDL_BlitSurface(sprites[which], nullptr, target, &to);
            },
            [&](int x, int y, int w, int h) {
                SDL_Rect to{x, y, w, h};
                SDL_BlitScaled(shield, nullptr, target, &to);
            });
        benchmark::DoNotOptimize(target->pixels);
        benchmark::ClobberMemory();
    }
    for (SDL_Surface* s : {target, background, sprites[0], sprites[1], shield}) SDL_FreeSurface(s);
}

}  // namespace

BENCHMARK(BM_Memcpy);
BENCHMARK(BM_OurCompositor);
BENCHMARK(BM_Sdl2Blitter);
BENCHMARK_MAIN();
