// The whole piece as a list of notes.
#pragma once

#include <cstdint>
#include <vector>

#include "core/cut_times.h"
#include "note.h"

namespace music {

// Length of the piece: the whole show, 250 s.
constexpr int64_t PIECE_FRAMES = int64_t(SHOW_END_MS) * 441 / 10;

// Where the master fade that ends the piece begins and where it reaches
// silence; everything after the second point is exactly zero.
constexpr int64_t FINAL_FADE_START = 248300 * 441 / 10;
constexpr int64_t FINAL_SILENCE = 249800 * 441 / 10;

// Every note of the piece, ordered by start frame.
std::vector<Note> composeScore();

} // namespace music
