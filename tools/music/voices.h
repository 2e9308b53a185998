// Renders single notes into the mixing buses.
//
// A voice's oscillator phases and envelope are pure functions of the time
// since its note started, so a voice can begin at any frame and sounds the
// same as one that has been running; only the short memories of its noise
// filters live in VoiceState.
#pragma once

#include <cstdint>

#include "note.h"

namespace music {

// Frames per envelope step: envelopes are evaluated at this rate and
// interpolated linearly in between.
constexpr int CONTROL_SHIFT = 5;
constexpr int CONTROL_FRAMES = 1 << CONTROL_SHIFT;

// Where voices add their output, Q20 samples, one block of CONTROL_FRAMES.
struct Buses {
    int32_t left[CONTROL_FRAMES];
    int32_t right[CONTROL_FRAMES];
    int32_t reverb[CONTROL_FRAMES];   // mono send into the reverb
    int32_t echoLeft[CONTROL_FRAMES]; // send into the stereo delay
    int32_t echoRight[CONTROL_FRAMES];
    void clear();
};

struct VoiceState {
    int32_t memory[6] = {0, 0, 0, 0, 0, 0};
};

// First frame after the note's release has died away completely.
int64_t noteEnd(const Note& note);

// Adds the note's sound for frames [blockStart, blockStart + frames) to the
// buses (frames <= CONTROL_FRAMES; the block lies inside one control step).
void renderVoice(const Note& note, VoiceState& state, int64_t blockStart, int frames, Buses& buses);

} // namespace music
