// The sections of the piece, one per scene of the show. Each writes its own
// notes; the beat numbers are on the grid of score_writer.h.
#pragma once

#include "core/cut_times.h"
#include "score_writer.h"

namespace music {

// The beat on which a cut of the show falls, or the last beat before it.
constexpr int beatOfCut(uint32_t cutMs) {
    return static_cast<int>((int64_t(cutMs) * 441 / 10 - GRID_ORIGIN) / FRAMES_PER_BEAT);
}

// Beat at which each section begins: the show's cuts.
constexpr int INTRO_BEAT = 0; // 0.1 s: the title fades in
constexpr int FEATHER_BEAT = beatOfCut(CUT_FEATHER_MS);
constexpr int LIGHTHOUSE_BEAT = beatOfCut(CUT_LIGHTHOUSE_MS);
constexpr int RAIN_BEAT = beatOfCut(CUT_RAIN_MS);
constexpr int CLOUDS_BEAT = beatOfCut(CUT_CLOUDS_MS);
constexpr int CAVE_BEAT = beatOfCut(CUT_CAVE_MS);
constexpr int DRAGONFLY_BEAT = beatOfCut(CUT_DRAGONFLY_MS);
constexpr int CLOSING_BEAT = beatOfCut(CUT_CLOSING_MS);
constexpr int ENDING_BEAT = beatOfCut(CUT_ENDING_MS);

void writeIntro(ScoreWriter& score);
void writeFeather(ScoreWriter& score);
void writeLighthouse(ScoreWriter& score);
void writeRain(ScoreWriter& score);
void writeClouds(ScoreWriter& score);
void writeCave(ScoreWriter& score);
void writeDragonfly(ScoreWriter& score);
void writeClosing(ScoreWriter& score);

} // namespace music
