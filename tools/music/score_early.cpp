// The first half of the piece: title, feather, lighthouse, rain.
#include "score_sections.h"

#include <cstddef>

namespace music {
namespace {

std::vector<Bar> slice(const std::vector<Bar>& bars, size_t from, size_t to) {
    return std::vector<Bar>(bars.begin() + from, bars.begin() + to);
}

// The feather's tune and its answer, over Fmaj9 C/E Dm9 Bbmaj7.
constexpr const char* FEATHER_TUNE =
    "C5:4 A4:2 G4:2 | G4:4 E4:2 G4:2 | A4:2 F4:2 D5:2 C5:2 | A4:8 |"
    "C5:4 A4:2 C5:2 | D5:4 E5:2 D5:2 | C5:2 A4:2 F4:2 A4:2 | G4:6 r:2";
constexpr const char* FEATHER_ANSWER = "A4:4 G4:2 F4:2 | E4:4 G4:4 | F4:8";

// Over Bbmaj7 Bbmaj7 Gm9 Gm9 A7sus4 A7 Dm9 Bbmaj7.
constexpr const char* LIGHTHOUSE_TUNE = "F5:4 E5:2 D5:2 | C5:8 | D5:4 Bb4:2 A4:2 | G4:8 |"
                                        "A4:4 D5:4 | C#5:6 r:2 | D5:4 F5:2 E5:2 | D5:8";

// Long notes over the rain: Bbmaj7 C6 Am7 Dm9 Gm9 C7sus4.
constexpr const char* RAIN_TUNE = "F5:8 | E5:8 | E5:4 C5:4 | D5:8 | D5:4 Bb4:4 | C5:8";

} // namespace

void writeIntro(ScoreWriter& score) {
    score.setSpace(130, 130);
    // The opening pad is held through the feather's first bar, so the chord
    // grows once instead of being struck again at the first scene.
    score.chords(Instrument::Pad, layBars(INTRO_BEAT, {"Fmaj9", "Fmaj9", "Fmaj9"}, 2), 60);
    const int64_t start = tickOfBeat(INTRO_BEAT);
    score.play(Instrument::Bell, start + 2 * TICKS_PER_BEAT, EIGHTH, 84, 40, 90);
    score.play(Instrument::Bell, start + 3 * TICKS_PER_BEAT, EIGHTH, 79, 36, 170);
    score.play(Instrument::Bell, start + 4 * TICKS_PER_BEAT + EIGHTH, EIGHTH, 76, 32, 120);
}

void writeFeather(ScoreWriter& score) {
    score.setSpace(110, 110);
    const auto bars =
        layBars(FEATHER_BEAT, {"Fmaj9",  "C/E",    "Dm9",   "Bbmaj7", "Fmaj9",  "C/E",   "Dm9",
                               "Bbmaj7", "Fmaj9",  "C/E",   "Dm9",    "Bbmaj7", "Fmaj9", "C/E",
                               "Dm9",    "Bbmaj7", "Fmaj9", "C/E",    "Dm9",    "Bbmaj7"});
    score.chords(Instrument::Pad, slice(bars, 1, bars.size()), 60);
    score.bassDrone(slice(bars, 0, 4), 56);
    score.bassDrone(slice(bars, 4, 12), 66);
    for (const Bar& bar : bars) {
        // A slowly falling arpeggio: the feather drifting down.
        if (bar.number < 4)
            score.arpeggio(Instrument::Piano, bar, {7, 6, 5, 4}, TICKS_PER_BEAT, 44, 30);
        else
            score.arpeggio(Instrument::Piano, bar, {7, 5, 6, 4, 5, 3, 4, 2}, EIGHTH, 40, 40);
        if (bar.number % 4 == 0)
            score.play(Instrument::Bell, bar.tick, EIGHTH, bar.chord.tone(7) + 12, 42,
                       bar.number % 8 ? 190 : 66);
        if (bar.number >= 12) {
            score.bassLine(bar, {{0, 6}, {7, 1}, {12, 1}}, 72);
            score.drums(Instrument::Kick, bar, "x.......o.......", 60);
            score.drums(Instrument::Shaker, bar, "o.x.o.x.o.x.o.x.", 50);
        }
    }
    score.melody(Instrument::Lead, bars[8].tick, FEATHER_TUNE, 90);
    score.melody(Instrument::Lead, bars[16].tick, FEATHER_ANSWER, 84);
    score.riser(tickOfBeat(LIGHTHOUSE_BEAT), 6, 58);
}

void writeLighthouse(ScoreWriter& score) {
    score.setSpace(145, 140);
    const auto bars = layBars(LIGHTHOUSE_BEAT, {"Dm9", "Dm9", "Bbmaj7", "Bbmaj7", "Gm9", "Gm9",
                                                "A7sus4", "A7", "Dm9", "Bbmaj7", "A7sus4"});
    score.chords(Instrument::NightPad, bars, 72);
    score.bassDrone(bars, 62);
    for (const Bar& bar : bars) {
        // The beam: one high bell every other bar, sweeping from side to side.
        if (bar.number % 2 == 0)
            score.play(Instrument::Bell, bar.tick, EIGHTH, 81, 52, bar.number % 4 ? 200 : 56);
        if (bar.number >= 2 && bar.number <= 9) {
            score.drums(Instrument::Kick, bar, "x.o.....x.o.....", 62);
            score.arpeggio(Instrument::Piano, bar, {2, 3}, 2 * TICKS_PER_BEAT, 36, 50);
        } else {
            score.arpeggio(Instrument::Piano, bar, {4, 2, 3, 1}, TICKS_PER_BEAT, 40, 50);
        }
        if (bar.number >= 4 && bar.number <= 9)
            score.drums(Instrument::Hat, bar, "..o...o...o...o.", 42);
    }
    score.melody(Instrument::Lead, bars[2].tick, LIGHTHOUSE_TUNE, 88);
    score.riser(tickOfBeat(RAIN_BEAT), 6, 55);
}

void writeRain(ScoreWriter& score) {
    score.setSpace(100, 120);
    const auto bars = layBars(RAIN_BEAT,
                              {"Bbmaj7", "C6", "Am7", "Dm9", "Bbmaj7", "C6", "Am7", "Dm9", "Gm9",
                               "C7sus4", "Bbmaj7", "C7sus4"},
                              2);
    // The rain starts under the cut and clears as the clouds arrive.
    score.play(Instrument::Rain, tickOfBeat(RAIN_BEAT - 4), tickOfBeat(44), 60, 100);
    score.scatter(Instrument::Drip, tickOfBeat(RAIN_BEAT - 2), tickOfBeat(CLOUDS_BEAT - 6),
                  SIXTEENTH, 20, {77, 79, 81, 84, 86, 89, 91, 93}, 72);
    score.chords(Instrument::Pad, bars, 58);
    score.bassDrone(slice(bars, 0, 2), 64);
    for (const Bar& bar : bars) {
        if (bar.number < 2) continue;
        score.arpeggio(Instrument::Harp, bar, {0, 2, 1, 3, 2, 4, 3, 5}, EIGHTH, 40, 60);
        score.bassLine(bar, {{0, 3}, {0, 1}, {7, 2}, {12, 2}}, 72);
        if (bar.beats == 2) {
            score.drums(Instrument::Snare, bar, "oxoxxxXX", 44);
            continue;
        }
        score.drums(Instrument::Hat, bar, "xoooxoooxoooxooo", 38);
        score.drums(Instrument::Kick, bar, "x.........x.....", 66);
        if (bar.number >= 4) score.drums(Instrument::Snare, bar, "........x.......", 50);
    }
    score.melody(Instrument::Lead, bars[4].tick, RAIN_TUNE, 80);
    score.riser(tickOfBeat(CLOUDS_BEAT), 6, 72);
}

} // namespace music
