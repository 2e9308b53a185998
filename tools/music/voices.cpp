#include "voices.h"

#include <algorithm>
#include <cstring>

#include "dsp_tables.h"
#include "envelope.h"

namespace music {
namespace {

// The coefficient 2 sin(pi f / rate) of a state-variable filter, Q15.
int32_t svfCoefficient(int64_t hertz) {
    return 2 * sineAt(hertzIncrement(hertz) / 2);
}

// Chamberlin state-variable filter step; returns the band-pass output.
// `low` and `band` are the filter's memories, `damping` is 1/Q in Q15.
inline int32_t bandPass(int32_t input, int32_t& low, int32_t& band, int32_t f, int32_t damping) {
    low += static_cast<int32_t>((static_cast<int64_t>(f) * band) >> 15);
    const int32_t high =
        input - low - static_cast<int32_t>((static_cast<int64_t>(damping) * band) >> 15);
    band += static_cast<int32_t>((static_cast<int64_t>(f) * high) >> 15);
    return band;
}

// One-pole low-pass: memory moves toward the input by `amount` (Q15).
inline int32_t lowPass(int32_t input, int32_t& memory, int32_t amount) {
    memory += static_cast<int32_t>((static_cast<int64_t>(input - memory) * amount) >> 15);
    return memory;
}

// The stretch of frames a renderer fills. Slowly changing values (loudness,
// modulation depth) are evaluated at control points every CONTROL_FRAMES
// frames of the note's own time and interpolated linearly in between; a
// span never crosses a control point, so the output depends only on the time
// since the note started, however the frames are split into blocks.
struct Span {
    const Note& note;
    VoiceState& state;
    int64_t firstFrame; // absolute frame of out[0]
    uint32_t elapsed;   // frames since the note started, at out[0]
    int frames;
    int64_t segment;   // note time of the control point before out[0]
    int offset;        // elapsed - segment
    int64_t loudness0; // Q15 loudness at the control points around the span
    int64_t loudness1;

    // A control value given at both ends of the segment, at out[i].
    int64_t lerp(int64_t atStart, int64_t atEnd, int i) const {
        return atStart + (((atEnd - atStart) * (offset + i)) >> CONTROL_SHIFT);
    }
    int64_t amp(int i) const { return lerp(loudness0, loudness1, i); }
};

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

// Vibrato as phase modulation: about 12 cents at 5 Hz once the note has
// been held for a while.
int64_t vibratoPhase(uint32_t increment, int64_t elapsed) {
    const int64_t onset = elapsed - 11000;
    if (onset <= 0) return 0;
    const int64_t depth = std::min<int64_t>(onset, 22000) * increment / 22000 * 10;
    constexpr uint32_t LFO = 486957; // 5 Hz
    return (depth * sineAt(LFO * static_cast<uint32_t>(elapsed))) >> 15;
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

void mixMono(const Note& note, const int32_t* sound, int offset, int frames, Buses& buses) {
    const PanGains pan = panGains(note.pan);
    const int64_t reverb = note.reverb * 128;
    const int64_t echo = note.echo * 128;
    for (int i = 0; i < frames; ++i) {
        const int64_t v = sound[i];
        const int32_t l = static_cast<int32_t>((v * pan.left) >> 15);
        const int32_t r = static_cast<int32_t>((v * pan.right) >> 15);
        buses.left[offset + i] += l;
        buses.right[offset + i] += r;
        buses.reverb[offset + i] += static_cast<int32_t>((v * reverb) >> 15);
        buses.echoLeft[offset + i] += static_cast<int32_t>((l * echo) >> 15);
        buses.echoRight[offset + i] += static_cast<int32_t>((r * echo) >> 15);
    }
}

void mixStereo(const Note& note, const int32_t* left, const int32_t* right, int offset, int frames,
               Buses& buses) {
    const int64_t reverb = note.reverb * 64; // half each side
    const int64_t echo = note.echo * 128;
    for (int i = 0; i < frames; ++i) {
        const int64_t l = left[i];
        const int64_t r = right[i];
        buses.left[offset + i] += left[i];
        buses.right[offset + i] += right[i];
        buses.reverb[offset + i] += static_cast<int32_t>(((l + r) * reverb) >> 15);
        buses.echoLeft[offset + i] += static_cast<int32_t>((l * echo) >> 15);
        buses.echoRight[offset + i] += static_cast<int32_t>((r * echo) >> 15);
    }
}

void renderSpan(Span& s, int offset, Buses& buses) {
    int32_t mono[CONTROL_FRAMES];
    int32_t left[CONTROL_FRAMES];
    int32_t right[CONTROL_FRAMES];
    switch (s.note.instrument) {
    case Instrument::Pad:
    case Instrument::NightPad:
        renderPad(s, left, right);
        break;
    case Instrument::Rain:
        renderRain(s, left, right);
        break;
    case Instrument::Waterfall:
        renderWaterfall(s, left, right);
        break;
    case Instrument::Riser:
        renderRiser(s, left, right);
        break;
    case Instrument::Lead:
        renderLead(s, mono);
        break;
    case Instrument::Piano:
    case Instrument::Bell:
    case Instrument::Harp:
    case Instrument::Drip:
        renderFm(s, mono);
        break;
    case Instrument::Bass:
        renderBass(s, mono);
        break;
    case Instrument::Kick:
        renderSweep(s, mono, hertzIncrement(150), hertzIncrement(48), 1000);
        break;
    case Instrument::Tom: {
        const uint32_t low = noteIncrement(s.note.pitch);
        renderSweep(s, mono, low + low / 2, low, 2200);
        break;
    }
    case Instrument::Snare:
        renderSnare(s, mono);
        break;
    case Instrument::Hat:
    case Instrument::OpenHat:
        renderHat(s, mono);
        break;
    case Instrument::Shaker:
        renderShaker(s, mono);
        break;
    case Instrument::Bird:
        renderBird(s, mono);
        break;
    }
    switch (s.note.instrument) {
    case Instrument::Pad:
    case Instrument::NightPad:
    case Instrument::Rain:
    case Instrument::Waterfall:
    case Instrument::Riser:
        mixStereo(s.note, left, right, offset, s.frames, buses);
        break;
    default:
        mixMono(s.note, mono, offset, s.frames, buses);
        break;
    }
}

} // namespace

void Buses::clear() {
    std::memset(this, 0, sizeof(*this));
}

int64_t noteEnd(const Note& note) {
    return note.start + note.length + releaseFrames(note.instrument);
}

void renderVoice(const Note& note, VoiceState& state, int64_t blockStart, int frames,
                 Buses& buses) {
    int64_t from = std::max(blockStart, note.start);
    const int64_t to = std::min(blockStart + frames, noteEnd(note));
    while (from < to) {
        const int64_t elapsed = from - note.start;
        const int64_t segment = elapsed & ~int64_t(CONTROL_FRAMES - 1);
        const int count = static_cast<int>(std::min(to - from, segment + CONTROL_FRAMES - elapsed));
        Span span{note,
                  state,
                  from,
                  static_cast<uint32_t>(elapsed),
                  count,
                  segment,
                  static_cast<int>(elapsed - segment),
                  amplitudeAt(note, segment),
                  amplitudeAt(note, segment + CONTROL_FRAMES)};
        renderSpan(span, static_cast<int>(from - blockStart), buses);
        from += count;
    }
}

} // namespace music
