// Noise voices: drums, the swell before a new section, rain and waterfall.
#include <algorithm>

#include "voice_span.h"

namespace music {

void renderSnare(Span& s, int32_t* out) {
    const int32_t f = svfCoefficient(1900);
    const uint32_t body = hertzIncrement(185);
    for (int i = 0; i < s.frames; ++i) {
        const uint32_t t = s.elapsed + i;
        const int32_t noise = noiseAt(static_cast<uint32_t>(s.firstFrame + i), s.note.seed);
        const int32_t hiss = bandPass(noise, s.state.memory[0], s.state.memory[1], f, 26000);
        const int32_t thump =
            static_cast<int32_t>((int64_t(sineAt(body * t)) * halvings(t, 1300)) >> 31);
        const int64_t tone = std::clamp(hiss + thump, -40000, 40000);
        out[i] = static_cast<int32_t>((tone * s.amp(i)) >> 10);
    }
}

void renderHat(Span& s, int32_t* out) {
    for (int i = 0; i < s.frames; ++i) {
        const int32_t noise = noiseAt(static_cast<uint32_t>(s.firstFrame + i), s.note.seed);
        const int32_t high = noise - lowPass(noise, s.state.memory[0], 20000);
        out[i] = (high * s.amp(i)) >> 10;
    }
}

void renderShaker(Span& s, int32_t* out) {
    const int32_t f = svfCoefficient(5200);
    for (int i = 0; i < s.frames; ++i) {
        const int32_t noise = noiseAt(static_cast<uint32_t>(s.firstFrame + i), s.note.seed);
        const int64_t band = bandPass(noise, s.state.memory[0], s.state.memory[1], f, 30000);
        out[i] = static_cast<int32_t>((band * s.amp(i)) >> 10);
    }
}

// Band-passed noise whose centre climbs four octaves over the held time.
void renderRiser(Span& s, int32_t* left, int32_t* right) {
    const int64_t length = std::max<int32_t>(s.note.length, 1);
    const int64_t left0 = std::max<int64_t>(length - s.segment, 0);
    const int64_t hertz = (int64_t(4800) * halvings(4 * left0, length)) >> 30;
    const int32_t f = svfCoefficient(std::max<int64_t>(hertz, 300));
    int32_t* m = s.state.memory;
    for (int i = 0; i < s.frames; ++i) {
        const uint32_t frame = static_cast<uint32_t>(s.firstFrame + i);
        const int64_t amp = s.amp(i);
        const int64_t l = bandPass(noiseAt(frame, s.note.seed), m[0], m[1], f, 20000);
        const int64_t r = bandPass(noiseAt(frame, s.note.seed + 1), m[2], m[3], f, 20000);
        left[i] = static_cast<int32_t>((l * amp) >> 10);
        right[i] = static_cast<int32_t>((r * amp) >> 10);
    }
}

// Rain on glass: bright band-passed noise with sparse sharp ticks, slowly
// swelling and easing.
void renderRain(Span& s, int32_t* left, int32_t* right) {
    const int32_t f = svfCoefficient(4200);
    constexpr uint32_t SWELL = 29218; // 0.3 Hz
    const int64_t sway =
        26000 + ((int64_t(6000) * sineAt(SWELL * static_cast<uint32_t>(s.segment))) >> 15);
    int32_t* m = s.state.memory;
    for (int i = 0; i < s.frames; ++i) {
        const uint32_t frame = static_cast<uint32_t>(s.firstFrame + i);
        const int32_t nl = noiseAt(frame, s.note.seed);
        const int32_t nr = noiseAt(frame, s.note.seed + 7);
        // A few frames in a thousand carry a full-scale tick: single drops.
        const int32_t tickL = noiseAt(frame, s.note.seed + 3) > 32700 ? nl * 2 : 0;
        const int32_t tickR = noiseAt(frame, s.note.seed + 4) > 32700 ? nr * 2 : 0;
        const int64_t l = bandPass((nl >> 1) + tickL, m[0], m[1], f, 36000);
        const int64_t r = bandPass((nr >> 1) + tickR, m[2], m[3], f, 36000);
        const int64_t amp = (s.amp(i) * sway) >> 15;
        left[i] = static_cast<int32_t>((l * amp) >> 10);
        right[i] = static_cast<int32_t>((r * amp) >> 10);
    }
}

// A waterfall heard from inside a cave: deep rumble and a thin hiss.
void renderWaterfall(Span& s, int32_t* left, int32_t* right) {
    int32_t* m = s.state.memory;
    for (int i = 0; i < s.frames; ++i) {
        const uint32_t frame = static_cast<uint32_t>(s.firstFrame + i);
        const int32_t nl = noiseAt(frame, s.note.seed);
        const int32_t nr = noiseAt(frame, s.note.seed + 5);
        const int32_t l = lowPass(lowPass(nl, m[0], 3800), m[1], 3800) * 2 + ((nl - m[0]) >> 4);
        const int32_t r = lowPass(lowPass(nr, m[2], 3800), m[3], 3800) * 2 + ((nr - m[2]) >> 4);
        const int64_t amp = s.amp(i);
        left[i] = static_cast<int32_t>((l * amp) >> 10);
        right[i] = static_cast<int32_t>((r * amp) >> 10);
    }
}

// A short chirp gliding up a major sixth over the held time.

} // namespace music
