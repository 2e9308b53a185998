// Renders the piece, or any stretch of it, to interleaved stereo floats.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "effects.h"
#include "note.h"
#include "voices.h"

namespace music {

class MusicSynth {
  public:
    // Frames [firstFrame, firstFrame + frameCount) of the piece. A stretch
    // that starts or ends inside the piece is faded in or out over 10 ms at
    // that edge; voices already sounding at firstFrame join in where they
    // are, but the reverb and echo start empty.
    MusicSynth(int64_t firstFrame, int64_t frameCount);

    // The same for any list of notes ordered by start (the tests play
    // single notes through the whole chain).
    MusicSynth(int64_t firstFrame, int64_t frameCount, std::vector<Note> notes);

    // Writes up to `frames` frames (two floats each, -1..1) and returns how
    // many it wrote; 0 once the stretch is done.
    int render(float* out, int frames);

    int64_t framesLeft() const { return end - position; }

  private:
    struct Active {
        const Note* note;
        VoiceState state;
    };

    // Renders [position, position + count) into `out`; count <= CONTROL_FRAMES
    // and the stretch lies inside one control step.
    void renderBlock(float* out, int count);
    int32_t edgeGain(int64_t frame) const;

    std::vector<Note> notes;
    size_t nextNote = 0;
    std::vector<Active> active;
    Buses buses;
    Reverb reverb;
    StereoEcho echo;
    int64_t first;
    int64_t end;
    int64_t position;
};

} // namespace music
