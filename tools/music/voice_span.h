// What the voice renderers share: the stretch of frames they fill and the
// small filters of the noise instruments. Internal to the voices.
#pragma once

#include <cstdint>

#include "dsp_tables.h"
#include "voices.h"

namespace music {

// The coefficient 2 sin(pi f / rate) of a state-variable filter, Q15.
inline int32_t svfCoefficient(int64_t hertz) {
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

// Tonal voices: out[] (mono) or left[]/right[] get Q20 samples for the span.
void renderPad(Span& s, int32_t* left, int32_t* right);
void renderLead(Span& s, int32_t* out);
void renderFm(Span& s, int32_t* out);
void renderBass(Span& s, int32_t* out);
void renderSweep(Span& s, int32_t* out, uint32_t high, uint32_t low, int32_t halfLife);
void renderBird(Span& s, int32_t* out);

// Noise voices.
void renderSnare(Span& s, int32_t* out);
void renderHat(Span& s, int32_t* out);
void renderShaker(Span& s, int32_t* out);
void renderRiser(Span& s, int32_t* left, int32_t* right);
void renderRain(Span& s, int32_t* left, int32_t* right);
void renderWaterfall(Span& s, int32_t* left, int32_t* right);

} // namespace music
