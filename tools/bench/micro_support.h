// What the microbenchmarks share: a screen holding a real picture, so that
// the loops see the data they see in the show.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>

// Copies a 320x240 picture of the show (data/<name>) over the screen.
void fillScreenWith(const char* name);

// Counts the pixels a benchmark touched per iteration, so that the report
// shows pixels per second next to the time.
inline void countPixels(benchmark::State& state, int64_t pixelsPerIteration) {
    state.SetItemsProcessed(state.iterations() * pixelsPerIteration);
    state.counters["pixels"] = static_cast<double>(pixelsPerIteration);
}
