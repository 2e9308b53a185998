// The scenes' own full-frame loops, each through the scene's public entry
// points, on the real pictures: the transition overlay's pass, the raindrop
// map and refraction, the cloud rows, the cave's waterfall band, and the
// feather and lighthouse passes. Where a measured call also copies a
// background over the screen first, BM_FrameCopy is the part to take away.
#include <benchmark/benchmark.h>

#include <vector>

#include "micro_support.h"
#include "scenes/cave_scene.h"
#include "scenes/cloud_scene.h"
#include "scenes/feather_scene.h"
#include "scenes/lighthouse_scene.h"
#include "scenes/raindrop_scene.h"
#include "scenes/transition_overlay.h"
#include "video/screen.h"

namespace {

// The overlay 1100 ms into a run: it brightens every pixel that is not
// white. The frame under it is put back (untimed) before each pass.
void BM_OverlayPass(benchmark::State& state) {
    static TransitionOverlay overlay;
    Screen* screen = Screen::instance();
    fillScreenWith("luola.png");
    const std::vector<uint16_t> frame(screen->pixels, screen->pixels + SCREEN_PIXELS);
    overlay.restart(0);
    overlay.update(static_cast<uint32_t>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        std::copy(frame.begin(), frame.end(), screen->pixels);
        state.ResumeTiming();
        overlay.render();
        benchmark::ClobberMemory();
    }
    countPixels(state, SCREEN_PIXELS);
}
BENCHMARK(BM_OverlayPass)->Arg(1100)->Arg(3000);

// Drops as the show has them a few seconds into the scene.
struct Rain {
    RaindropScene scene;
    std::vector<uint16_t> map, frameCopy;
    Rain() : map(SCREEN_PIXELS), frameCopy(SCREEN_PIXELS) {
        for (uint32_t t = 65120; t <= 70000; t += 20)
            scene.update(t);
        scene.stampDrops(map.data());
        fillScreenWith("bg2.png");
        Screen* screen = Screen::instance();
        frameCopy.assign(screen->pixels, screen->pixels + SCREEN_PIXELS);
    }
};

Rain& rain() {
    static Rain r;
    return r;
}

void BM_RaindropStamp(benchmark::State& state) {
    Rain& r = rain();
    for (auto _ : state) {
        r.scene.stampDrops(r.map.data());
        benchmark::ClobberMemory();
    }
    countPixels(state, SCREEN_PIXELS);
}
BENCHMARK(BM_RaindropStamp);

void BM_RaindropRefraction(benchmark::State& state) {
    Rain& r = rain();
    Screen* screen = Screen::instance();
    for (auto _ : state) {
        RaindropScene::refract(r.frameCopy.data(), r.map.data(), screen->pixels);
        benchmark::ClobberMemory();
    }
    countPixels(state, SCREEN_PIXELS);
}
BENCHMARK(BM_RaindropRefraction);

// The three cloud layers around a band of `range(0)` rows that the biplane
// drew in the middle of the screen: half the other rows plus the band.
void BM_CloudRows(benchmark::State& state) {
    static CloudScene clouds;
    clouds.update(100000);
    const int band = static_cast<int>(state.range(0));
    const int top = (SCREEN_HEIGHT - band) / 2;
    for (auto _ : state) {
        clouds.drawClouds(top, top + band);
        benchmark::ClobberMemory();
    }
    countPixels(state, SCREEN_WIDTH * ((SCREEN_HEIGHT - band) / 2 + band));
}
BENCHMARK(BM_CloudRows)->Arg(0)->Arg(60)->Arg(240);

CaveScene& cave() {
    static CaveScene scene;
    return scene;
}

// Before the first greeting and the biplane: the cave picture and the
// waterfall band (128x240) alone.
void BM_CaveWaterfall(benchmark::State& state) {
    CaveScene& scene = cave();
    uint32_t t = 139000;
    for (auto _ : state) {
        scene.update(t += 20); // the layers scroll on
        if (t > 140900) t = 139000;
        scene.render();
        benchmark::ClobberMemory();
    }
    countPixels(state, WATERFALL_WIDTH * SCREEN_HEIGHT);
}
BENCHMARK(BM_CaveWaterfall);

// The feather turned per pixel and the fruit blended, after the background.
void BM_FeatherAndFruit(benchmark::State& state) {
    static FeatherScene scene;
    uint32_t t = 20000;
    for (auto _ : state) {
        scene.update(t += 20);
        if (t > 30000) t = 20000;
        scene.render();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FeatherAndFruit);

// The logo blended over the lighthouse once it is revealed, the lamp lit.
void BM_LighthouseLogo(benchmark::State& state) {
    static LighthouseScene scene;
    scene.update(56000); // lamp on, logo whole, no sparks
    for (auto _ : state) {
        scene.render();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_LighthouseLogo);

} // namespace
