// The shared pixel formulas, over a whole frame: the blend at a weight and at
// an opacity, and the brightening.
#include <benchmark/benchmark.h>

#include <vector>

#include "core/pixel.h"
#include "micro_support.h"
#include "video/image.h"
#include "video/screen.h"

namespace {

// Two real pictures: the source laid over the destination.
struct Frames {
    std::vector<uint16_t> source, destination, out;
    Frames() : out(SCREEN_PIXELS) {
        Image a("data/hedelmae.png", SCREEN_WIDTH, SCREEN_HEIGHT);
        Image b("data/bg3.png", SCREEN_WIDTH, SCREEN_HEIGHT);
        source.assign(a.pixels, a.pixels + SCREEN_PIXELS);
        destination.assign(b.pixels, b.pixels + SCREEN_PIXELS);
    }
};

Frames& frames() {
    static Frames f;
    return f;
}

void BM_BlendWeighted(benchmark::State& state) {
    Frames& f = frames();
    // A weight that changes along the frame, as in the fades.
    for (auto _ : state) {
        for (int i = 0; i < SCREEN_PIXELS; i++)
            f.out[i] = blendWeighted(f.source[i], f.destination[i], (i * 7) & 0xFFFF);
        benchmark::DoNotOptimize(f.out.data());
        benchmark::ClobberMemory();
    }
    countPixels(state, SCREEN_PIXELS);
}
BENCHMARK(BM_BlendWeighted);

void BM_BlendOpacity(benchmark::State& state) {
    Frames& f = frames();
    // The opacity from the destination's green field, as an opacity picture.
    for (auto _ : state) {
        for (int i = 0; i < SCREEN_PIXELS; i++)
            f.out[i] = blendOpacity(f.source[i], f.out[i], greenOf(f.destination[i]));
        benchmark::DoNotOptimize(f.out.data());
        benchmark::ClobberMemory();
    }
    countPixels(state, SCREEN_PIXELS);
}
BENCHMARK(BM_BlendOpacity);

void BM_Brighten(benchmark::State& state) {
    Frames& f = frames();
    for (auto _ : state) {
        for (int i = 0; i < SCREEN_PIXELS; i++)
            f.out[i] = brighten(f.destination[i], i & 63);
        benchmark::DoNotOptimize(f.out.data());
        benchmark::ClobberMemory();
    }
    countPixels(state, SCREEN_PIXELS);
}
BENCHMARK(BM_Brighten);

// The floor every pass over a frame is compared with: one block copy.
void BM_FrameCopy(benchmark::State& state) {
    Frames& f = frames();
    for (auto _ : state) {
        std::copy(f.source.begin(), f.source.end(), f.out.begin());
        benchmark::DoNotOptimize(f.out.data());
        benchmark::ClobberMemory();
    }
    countPixels(state, SCREEN_PIXELS);
}
BENCHMARK(BM_FrameCopy);

} // namespace
