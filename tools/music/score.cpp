#include "score.h"

#include <algorithm>

#include "score_sections.h"

namespace music {

std::vector<Note> composeScore() {
    std::vector<Note> notes;
    ScoreWriter score(notes);
    writeIntro(score);
    writeFeather(score);
    writeLighthouse(score);
    writeRain(score);
    writeClouds(score);
    writeCave(score);
    writeDragonfly(score);
    writeClosing(score);
    std::stable_sort(notes.begin(), notes.end(),
                     [](const Note& a, const Note& b) { return a.start < b.start; });
    return notes;
}

} // namespace music
