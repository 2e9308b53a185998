// Loudness of a note over time: attack, decay to a sustain level while the
// key is held, then an exponential release that is faded to exactly zero.
#pragma once

#include <cstdint>

#include "note.h"

namespace music {

// Frames the release lasts after the key is let go.
int32_t releaseFrames(Instrument instrument);

// Q15 loudness of the note `elapsed` frames after its start, including its
// velocity and the instrument's level in the mix; 0 before the start and
// after the release.
int32_t amplitudeAt(const Note& note, int64_t elapsed);

} // namespace music
