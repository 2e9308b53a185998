// Tonal voices: pads, lead, FM keys and bells, bass, falling-pitch drums,
// bird chirps.
#include <algorithm>

#include "voice_span.h"

namespace music {
namespace {

// Vibrato as phase modulation: about 12 cents at 5 Hz once the note has
// been held for a while.
int64_t vibratoPhase(uint32_t increment, int64_t elapsed) {
    const int64_t onset = elapsed - 11000;
    if (onset <= 0) return 0;
    const int64_t depth = std::min<int64_t>(onset, 22000) * increment / 22000 * 10;
    constexpr uint32_t LFO = 486957; // 5 Hz
    return (depth * sineAt(LFO * static_cast<uint32_t>(elapsed))) >> 15;
}

struct FmSetting {
    int ratioNumerator, ratioDenominator;
    int32_t indexStart, indexEnd; // modulation depth in cycles, Q16
    int32_t indexHalfLife;        // frames
};

FmSetting fmSetting(Instrument instrument) {
    switch (instrument) {
    case Instrument::Bell:
        return {7, 2, 36000, 3000, 9000};
    case Instrument::Harp:
        return {2, 1, 30000, 2500, 2200};
    case Instrument::Drip:
        return {1, 1, 20000, 1000, 900};
    default:
        return {1, 1, 22000, 5000, 8000}; // Piano
    }
}

} // namespace

void renderPad(Span& s, int32_t* left, int32_t* right) {
    const Wave& wave = s.note.instrument == Instrument::Pad ? waves().warm : waves().dark;
    const uint32_t base = noteIncrement(s.note.pitch);
    const uint32_t incA = detuned(base, -7);
    const uint32_t incB = detuned(base, 6);
    const uint32_t offset = mixBits(s.note.seed, s.note.pitch);
    const PanGains a = panGains(s.note.pan - 56);
    const PanGains b = panGains(s.note.pan + 56);
    for (int i = 0; i < s.frames; ++i) {
        const uint32_t t = s.elapsed + i;
        const int64_t oscA = waveAt(wave, incA * t);
        const int64_t oscB = waveAt(wave, incB * t + offset);
        const int64_t amp = s.amp(i);
        left[i] = static_cast<int32_t>(((oscA * a.left + oscB * b.left) >> 16) * amp >> 10);
        right[i] = static_cast<int32_t>(((oscA * a.right + oscB * b.right) >> 16) * amp >> 10);
    }
}

void renderLead(Span& s, int32_t* out) {
    const uint32_t inc = noteIncrement(s.note.pitch);
    const int64_t pm0 = vibratoPhase(inc, s.segment);
    const int64_t pm1 = vibratoPhase(inc, s.segment + CONTROL_FRAMES);
    int32_t& breath = s.state.memory[0];
    for (int i = 0; i < s.frames; ++i) {
        const uint32_t t = s.elapsed + i;
        const uint32_t phase = inc * t + static_cast<uint32_t>(s.lerp(pm0, pm1, i));
        const int32_t air =
            lowPass(noiseAt(static_cast<uint32_t>(s.firstFrame + i), s.note.seed), breath, 9000);
        const int32_t tone = waveAt(waves().flute, phase) + (air >> 5);
        out[i] = (tone * s.amp(i)) >> 10;
    }
}

void renderFm(Span& s, int32_t* out) {
    const FmSetting fm = fmSetting(s.note.instrument);
    const uint32_t carrier = noteIncrement(s.note.pitch);
    const uint32_t modulator =
        static_cast<uint32_t>(int64_t(carrier) * fm.ratioNumerator / fm.ratioDenominator);
    auto indexAt = [&](int64_t t) {
        return fm.indexEnd +
               ((int64_t(fm.indexStart - fm.indexEnd) * halvings(t, fm.indexHalfLife)) >> 30);
    };
    const int64_t index0 = indexAt(s.segment);
    const int64_t index1 = indexAt(s.segment + CONTROL_FRAMES);
    for (int i = 0; i < s.frames; ++i) {
        const uint32_t t = s.elapsed + i;
        const int64_t index = s.lerp(index0, index1, i);
        const int64_t mod = sineAt(modulator * t);
        const uint32_t phase = carrier * t + static_cast<uint32_t>(mod * index * 2);
        out[i] = (sineAt(phase) * s.amp(i)) >> 10;
    }
}

void renderBass(Span& s, int32_t* out) {
    const uint32_t inc = noteIncrement(s.note.pitch);
    for (int i = 0; i < s.frames; ++i)
        out[i] = (waveAt(waves().round, inc * (s.elapsed + i)) * s.amp(i)) >> 10;
}

// A sine whose pitch falls exponentially from `high` to `low` Hz; the phase
// is the closed-form integral of that frequency.
void renderSweep(Span& s, int32_t* out, uint32_t high, uint32_t low, int32_t halfLife) {
    const int64_t spread = int64_t(high - low) * ((int64_t(halfLife) * 1477) >> 10); // / ln 2
    for (int i = 0; i < s.frames; ++i) {
        const int64_t t = s.elapsed + i;
        const int64_t gone = ((int64_t(1) << 30) - halvings(t, halfLife)) >> 10;
        const uint32_t phase = static_cast<uint32_t>(low * t + ((spread * gone) >> 20));
        out[i] = (sineAt(phase) * s.amp(i)) >> 10;
    }
}

void renderBird(Span& s, int32_t* out) {
    const int64_t low = noteIncrement(s.note.pitch);
    const int64_t high = noteIncrement(s.note.pitch + 9);
    const int64_t length = std::max<int32_t>(s.note.length, 1);
    for (int i = 0; i < s.frames; ++i) {
        const int64_t t = std::min<int64_t>(s.elapsed + i, length);
        const int64_t beyond = s.elapsed + i - t;
        const uint32_t phase =
            static_cast<uint32_t>(low * t + (high - low) * t * t / (2 * length) + high * beyond);
        out[i] = (sineAt(phase) * s.amp(i)) >> 10;
    }
}

} // namespace music
