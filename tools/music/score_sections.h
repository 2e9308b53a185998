// The sections of the piece, one per scene of the show. Each writes its own
// notes; the beat numbers are on the grid of score_writer.h.
#pragma once

#include "score_writer.h"

namespace music {

// Beat at which each section begins (0.1 s + beats / 2).
constexpr int INTRO_BEAT = 0;       // 0.1 s: the title fades in
constexpr int FEATHER_BEAT = 6;     // 3.1 s
constexpr int LIGHTHOUSE_BEAT = 86; // 43.1 s
constexpr int RAIN_BEAT = 130;      // 65.1 s
constexpr int CLOUDS_BEAT = 176;    // 88.1 s
constexpr int CAVE_BEAT = 276;      // 138.1 s
constexpr int DRAGONFLY_BEAT = 366; // 183.1 s
constexpr int CLOSING_BEAT = 466;   // 233.1 s
constexpr int ENDING_BEAT = 494;    // 247.1 s

void writeIntro(ScoreWriter& score);
void writeFeather(ScoreWriter& score);
void writeLighthouse(ScoreWriter& score);
void writeRain(ScoreWriter& score);
void writeClouds(ScoreWriter& score);
void writeCave(ScoreWriter& score);
void writeDragonfly(ScoreWriter& score);
void writeClosing(ScoreWriter& score);

} // namespace music
