// Lookup tables and small integer helpers for the music synthesizer.
//
// Every table is built from integer arithmetic only, so the synthesized
// samples are the same bits on every machine and compiler: no libm calls and
// no floating-point expressions whose rounding could differ.
#pragma once

#include <cstdint>

namespace music {

constexpr int SAMPLE_RATE = 44100;

// Signal scale inside the synthesizer: full scale (1.0) is 1 << 20.
constexpr int SIGNAL_BITS = 20;
constexpr int32_t SIGNAL_ONE = 1 << SIGNAL_BITS;

// Gains, envelope levels and waveform points are Q15: 1.0 is 32768.
constexpr int32_t UNIT = 1 << 15;

// One cycle of a periodic waveform; phases are 32-bit, one cycle = 2^32.
constexpr int WAVE_BITS = 12;
constexpr int WAVE_SIZE = 1 << WAVE_BITS;

struct Wave {
    int32_t points[WAVE_SIZE + 1]; // Q15, last point repeats the first
};

// Linear interpolation between the two table points around `phase`.
inline int32_t waveAt(const Wave& wave, uint32_t phase) {
    const uint32_t index = phase >> (32 - WAVE_BITS);
    const int32_t fraction = (phase >> (32 - WAVE_BITS - 15)) & 0x7FFF;
    const int32_t a = wave.points[index];
    const int32_t b = wave.points[index + 1];
    return a + (((b - a) * fraction) >> 15);
}

// The waveforms the instruments use.
struct Waves {
    Wave sine;
    Wave warm;   // soft saw-like pad tone, ten harmonics
    Wave dark;   // mellow pad tone, five harmonics
    Wave round;  // bass: strong fundamental, a little second and third
    Wave flute;  // lead: nearly a sine with a breath of upper harmonics
    Wave hollow; // odd harmonics only, for plucked strings
};

// Built once on first use; the tables never change afterwards.
const Waves& waves();

inline int32_t sineAt(uint32_t phase) {
    return waveAt(waves().sine, phase);
}

// 2^(-numerator / denominator) in Q30 (1.0 = 1 << 30), 0 once below 2^-31.
// Used for every exponential decay: denominator is the half-life.
int32_t halvings(int64_t numerator, int64_t denominator);

// Phase increment per sample for a MIDI note number (69 = A 440 Hz).
uint32_t noteIncrement(int note);

// Increment scaled by a detune in cents (small, positive or negative).
uint32_t detuned(uint32_t increment, int cents);

// Phase increment for a frequency given in Hz.
inline uint32_t hertzIncrement(int64_t hertz) {
    return static_cast<uint32_t>((hertz << 32) / SAMPLE_RATE);
}

// White noise as a pure function of the frame and a seed: Q15, -32768..32767.
inline int32_t noiseAt(uint32_t frame, uint32_t seed) {
    uint32_t x = frame * 0x9E3779B1u ^ (seed * 0x85EBCA6Bu + 0x68E31DA4u);
    x ^= x >> 15;
    x *= 0x2C1B3C6Du;
    x ^= x >> 12;
    x *= 0x297A2D39u;
    x ^= x >> 15;
    return static_cast<int32_t>(x >> 16) - 32768;
}

// A well-mixed 32-bit hash, for the score's pseudo-random choices.
inline uint32_t mixBits(uint32_t a, uint32_t b) {
    return static_cast<uint32_t>(noiseAt(a, b) + 32768) << 16 |
           static_cast<uint32_t>(noiseAt(b ^ 0x5bd1e995u, a) + 32768);
}

// Constant-power pan: position 0 = left, 128 = centre, 256 = right.
struct PanGains {
    int32_t left;  // Q15
    int32_t right; // Q15
};
PanGains panGains(int position);

} // namespace music
