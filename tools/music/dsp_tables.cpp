#include "dsp_tables.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

namespace music {
namespace {

constexpr int Q = 30;
constexpr int64_t PI_Q30 = 3373259426; // pi * 2^30, rounded

// sin(x) for 0 <= x <= pi/2, x and result in Q30, by its Taylor series.
// Terms up to x^19 leave an error far below one Q30 step.
int64_t sineQ30(int64_t x) {
    const int64_t x2 = (x * x) >> Q;
    int64_t term = x;
    int64_t sum = x;
    for (int k = 1; k <= 9; ++k) {
        term = -((term * x2) >> Q) / ((2 * k) * (2 * k + 1));
        sum += term;
    }
    return sum;
}

// One full cycle of the sine in Q30 with WAVE_SIZE points, from the first
// quadrant mirrored.
std::vector<int64_t> sineCycleQ30() {
    const int quarter = WAVE_SIZE / 4;
    std::vector<int64_t> cycle(WAVE_SIZE);
    for (int i = 0; i <= quarter; ++i) {
        const int64_t angle = (static_cast<int64_t>(i) * PI_Q30) / (2 * quarter);
        const int64_t value = sineQ30(angle);
        cycle[i] = value;
        cycle[(2 * quarter - i) % WAVE_SIZE] = value;
        if (i > 0) cycle[(2 * quarter + i) % WAVE_SIZE] = -value;
        cycle[(4 * quarter - i) % WAVE_SIZE] = -value;
    }
    cycle[0] = 0;
    cycle[2 * quarter] = 0;
    return cycle;
}

// Sum of sine harmonics with integer weights (weights[0] is the fundamental),
// scaled so its largest point is 32767.
void buildHarmonicWave(Wave& wave, const std::vector<int64_t>& sine,
                       std::initializer_list<int> weights) {
    std::vector<int64_t> sum(WAVE_SIZE, 0);
    int harmonic = 1;
    for (int weight : weights) {
        // Harmonic k steps through the cycle k points at a time. (Written as
        // a running index: the same loop with a modulo is miscompiled by
        // clang 14 at -O3.)
        size_t index = 0;
        for (int i = 0; i < WAVE_SIZE; ++i) {
            sum[i] += weight * sine[index];
            index = (index + harmonic) & (WAVE_SIZE - 1);
        }
        ++harmonic;
    }
    int64_t peak = 1;
    for (int64_t v : sum)
        peak = std::max<int64_t>(peak, v < 0 ? -v : v);
    // Rounded to the nearest step.
    for (int i = 0; i < WAVE_SIZE; ++i) {
        const int64_t scaled = sum[i] * 32767;
        wave.points[i] = static_cast<int32_t>((scaled + (scaled < 0 ? -peak : peak) / 2) / peak);
    }
    wave.points[WAVE_SIZE] = wave.points[0];
}

std::unique_ptr<Waves> buildWaves() {
    auto built = std::make_unique<Waves>();
    const std::vector<int64_t> sine = sineCycleQ30();
    buildHarmonicWave(built->sine, sine, {1});
    buildHarmonicWave(built->warm, sine, {1000, 480, 300, 190, 120, 80, 50, 30, 20, 12});
    buildHarmonicWave(built->dark, sine, {1000, 300, 120, 50, 20});
    buildHarmonicWave(built->round, sine, {1000, 420, 160, 60, 20});
    buildHarmonicWave(built->flute, sine, {1000, 180, 90, 30, 12});
    buildHarmonicWave(built->hollow, sine, {1000, 0, 260, 0, 100, 0, 40, 0, 15});
    return built;
}

// 2^(-i/64) in Q30 for i = 0..64, by repeated multiplication with 2^(-1/64).
struct HalvingTable {
    int32_t steps[65];
    HalvingTable() {
        constexpr int64_t STEP = 1062175491; // 2^(-1/64) * 2^30, rounded
        int64_t value = int64_t(1) << Q;
        for (int i = 0; i <= 64; ++i) {
            steps[i] = static_cast<int32_t>(value);
            value = (value * STEP + (int64_t(1) << (Q - 1))) >> Q;
        }
        steps[64] = 1 << (Q - 1);
    }
};

// 2^(k/12) in Q30 for k = 0..11, rounded: the equal-tempered semitones.
constexpr int64_t SEMITONES[12] = {1073741824, 1137589835, 1205234447, 1276901417,
                                   1352829926, 1433273380, 1518500250, 1608794974,
                                   1704458901, 1805811301, 1913190429, 2026954652};
constexpr int64_t A440_INCREMENT = 42852281; // 440 * 2^32 / 44100, rounded

} // namespace

const Waves& waves() {
    static const std::unique_ptr<Waves> built = buildWaves();
    return *built;
}

int32_t halvings(int64_t numerator, int64_t denominator) {
    static const HalvingTable table;
    if (numerator <= 0) return 1 << Q;
    // Position in 1/256 of a table step (a table step is 1/64 halving).
    const int64_t position = (numerator << 14) / denominator;
    const int64_t whole = position >> 14;
    if (whole >= 31) return 0;
    const int step = static_cast<int>((position >> 8) & 63);
    const int64_t fraction = position & 255;
    const int64_t a = table.steps[step];
    const int64_t b = table.steps[step + 1];
    return static_cast<int32_t>((a + (((b - a) * fraction) >> 8)) >> whole);
}

uint32_t noteIncrement(int note) {
    int offset = note - 69;
    int octave = 0;
    while (offset < 0) {
        offset += 12;
        --octave;
    }
    octave += offset / 12;
    const int64_t scaled = A440_INCREMENT * SEMITONES[offset % 12]; // Q30
    const int shift = Q - octave;
    return static_cast<uint32_t>(shift >= 0 ? scaled >> shift : scaled << -shift);
}

uint32_t detuned(uint32_t increment, int cents) {
    // 2^(1/1200) - 1 is about 606 / 2^20; enough for a few cents.
    return static_cast<uint32_t>((static_cast<int64_t>(increment) * ((1 << 20) + 606 * cents)) >>
                                 20);
}

PanGains panGains(int position) {
    if (position < 0) position = 0;
    if (position > 256) position = 256;
    // A quarter turn spread over 0..256.
    const uint32_t angle = static_cast<uint32_t>(position) << 22;
    const int32_t right = sineAt(angle);
    const int32_t left = sineAt(angle + 0x40000000u);
    return {left, right};
}

} // namespace music
