// The rasterizer's span filling (Mesh::drawSpan): a textured, depth-tested
// row of pixels, with texel coordinates that stay on the picture (the fast
// path), that need clamping, and a span hidden behind the depth buffer.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>

#include "core/camera.h"
#include "micro_support.h"
#include "render3d/mesh.h"
#include "video/image.h"
#include "video/screen.h"

namespace {

struct SpanRig {
    Image texture{"data/env_red.png", 256, 256};
    Mesh mesh{"data/sopwith.ase", &texture, &texture, 122, 136, 286};
    Screen* screen = Screen::instance();
    SpanRig() { mesh.currentTexels = texture.pixels; }
};

SpanRig& rig() {
    static SpanRig r;
    return r;
}

void clearWholeDepth(Fixed value) {
    Screen* screen = Screen::instance();
    screen->dirtyTop = 0;
    screen->dirtyBottom = SCREEN_HEIGHT;
    screen->clearDepth(value);
}

// Spans of `width` pixels on every row; each frame is nearer than the last,
// so that every pixel passes the depth test and is written.
void drawFrameOfSpans(benchmark::State& state, Fixed u1, Fixed v1, Fixed u2, Fixed v2) {
    SpanRig& r = rig();
    const int width = static_cast<int>(state.range(0));
    const int left = (SCREEN_WIDTH - width) / 2;
    const Fixed farthest = 0x7F000000;
    Fixed z = farthest;
    clearWholeDepth(INT32_MAX);
    for (auto _ : state) {
        for (int row = 0; row < SCREEN_HEIGHT; row++)
            r.mesh.drawSpan(left, left + width - 1, row, u1, v1, u2, v2, z, z + 0x10000);
        z -= 0x20000;
        if (z < 0x10000000) { // start again from far away, very rarely
            clearWholeDepth(INT32_MAX);
            z = farthest;
        }
        benchmark::ClobberMemory();
    }
    countPixels(state, static_cast<int64_t>(width) * SCREEN_HEIGHT);
}

void BM_DrawSpanOnPicture(benchmark::State& state) {
    drawFrameOfSpans(state, 0x100000, 0x200000, 0xF00000, 0xE00000);
}
BENCHMARK(BM_DrawSpanOnPicture)->Arg(16)->Arg(64)->Arg(320);

void BM_DrawSpanClamped(benchmark::State& state) {
    // Runs off the picture on both ends, as environment-mapped faces can.
    drawFrameOfSpans(state, -0x400000, 0x800000, 0x1400000, 0x900000);
}
BENCHMARK(BM_DrawSpanClamped)->Arg(64)->Arg(320);

void BM_DrawSpanHidden(benchmark::State& state) {
    SpanRig& r = rig();
    clearWholeDepth(0);
    // Everything lies behind depth 0: the test fails on every pixel.
    for (auto _ : state) {
        for (int row = 0; row < SCREEN_HEIGHT; row++)
            r.mesh.drawSpan(0, SCREEN_WIDTH - 1, row, 0x100000, 0x200000, 0xF00000, 0xE00000,
                            0x100000, 0x200000);
        benchmark::ClobberMemory();
    }
    countPixels(state, SCREEN_PIXELS);
}
BENCHMARK(BM_DrawSpanHidden);

// A whole mesh: the biplane close up, transformed and drawn over a cleared
// depth buffer.
void BM_BiplaneTransformAndRender(benchmark::State& state) {
    SpanRig& r = rig();
    // The camera as the screen makes it; other cases (the clouds) move it.
    r.screen->camera->reset();
    r.mesh.angleY = 0;
    r.mesh.position = Vec3{0, 0, static_cast<Fixed>(state.range(0)) << 16};
    r.mesh.focalLength = 0x12C0000;
    // How much of the screen it covers, for the report.
    std::fill(r.screen->pixels, r.screen->pixels + SCREEN_PIXELS, 0);
    clearWholeDepth(0x3E80000);
    r.mesh.transform();
    r.mesh.render();
    state.counters["pixels"] = static_cast<double>(
        SCREEN_PIXELS - std::count(r.screen->pixels, r.screen->pixels + SCREEN_PIXELS, 0));
    int32_t angle = 0;
    for (auto _ : state) {
        r.mesh.angleY = angle += 300;
        r.screen->clearDepth(0x3E80000);
        r.mesh.transform();
        r.mesh.render();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_BiplaneTransformAndRender)->Arg(4)->Arg(8)->Arg(16);

} // namespace
