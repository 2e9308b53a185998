// The second half of the piece: clouds, cave, dragonfly, closing sky.
#include "score_sections.h"

#include <cstddef>

namespace music {
namespace {

std::vector<Bar> slice(const std::vector<Bar>& bars, size_t from, size_t to) {
    return std::vector<Bar>(bars.begin() + from, bars.begin() + to);
}

// The main theme over F C/E Dm7 Bbmaj7 F/A Gm7 C7sus4 C, its livelier
// second half, and the last statement an octave up, resolving on F.
constexpr const char* THEME = "A4:4 G4:2 A4:2 | C5:4 G4:4 | F4:2 A4:2 D5:2 C5:2 | A4:6 r:2 |"
                              "A4:4 G4:2 A4:2 | D5:4 C5:2 Bb4:2 | A4:2 Bb4:2 C5:2 G4:2 | E4:6 r:2";
constexpr const char* THEME_LIFT = "C5:2 A4:2 C5:2 F5:2 | E5:4 D5:2 C5:2 | D5:2 C5:2 A4:2 C5:2 |"
                                   "D5:4 C5:2 A4:2 | C5:4 A4:2 C5:2 | Bb4:4 D5:2 F5:2 |"
                                   "F5:4 D5:2 C5:2 | C5:2 D5:2 E5:4";
constexpr const char* THEME_HIGH = "A5:4 G5:2 A5:2 | C6:4 G5:4 | F5:2 A5:2 D6:2 C6:2 | A5:6 r:2 |"
                                   "A5:4 G5:2 A5:2 | D6:4 C6:2 Bb5:2 | A5:2 Bb5:2 C6:2 G5:2 |"
                                   "F5:6 r:2";
// The theme's first seven bars, as the show closes.
constexpr const char* THEME_FAREWELL =
    "A4:4 G4:2 A4:2 | C5:4 G4:4 | F4:2 A4:2 D5:2 C5:2 | A4:6 r:2 |"
    "A4:4 G4:2 A4:2 | D5:4 C5:2 Bb4:2 | A4:2 Bb4:2 C5:2 G4:2";

// In the cave, over Dm9 Dm9 Bbmaj7 Bbmaj7 Gm9 Gm9 Dm9 A7sus4, then its answer.
constexpr const char* CAVE_TUNE = "D5:6 E5:2 | F5:4 E5:2 C5:2 | D5:8 | r:4 A4:2 C5:2 |"
                                  "D5:6 F5:2 | E5:4 D5:4 | A4:8";
constexpr const char* CAVE_ANSWER = "F5:4 E5:2 D5:2 | D5:6 C5:2 | Bb4:4 D5:4 | A4:8 |"
                                    "D5:4 F5:4 | E5:4 G5:4";

// The dragonfly's tune in G over Gmaj9 D/F# Em9 Cmaj7#11, and the bells'
// reply.
constexpr const char* DRAGONFLY_TUNE =
    "B4:2 D5:2 F#5:4 | E5:4 D5:2 A4:2 | B4:4 G4:2 B4:2 | E5:6 r:2 |"
    "D5:2 B4:2 D5:2 G5:2 | F#5:4 E5:2 D5:2 |"
    "E5:2 D5:2 B4:2 G4:2 | A4:6 r:2";
constexpr const char* DRAGONFLY_TUNE_2 =
    "B4:2 D5:2 F#5:4 | E5:4 D5:2 A4:2 | B4:4 G4:2 B4:2 | E5:6 r:2 |"
    "D5:2 B4:2 D5:2 G5:2 | A5:4 F#5:2 D5:2 |"
    "G5:2 F#5:2 E5:2 B4:2 | E5:6 r:2";
constexpr const char* DRAGONFLY_BELLS = "D6:3 B5:3 A5:2 | A5:3 F#5:3 E5:2 | G5:3 E5:3 D5:2 | E5:8";

// Two to four quick chirps somewhere in the bar, now and then.
void birdsong(ScoreWriter& score, const Bar& bar) {
    const uint32_t roll = ScoreWriter::random(bar.tick, 0xB12D);
    if (roll % 100 >= 55) return;
    const int count = 2 + static_cast<int>((roll >> 8) % 3);
    int64_t tick = bar.tick + ((roll >> 12) % 8) * EIGHTH;
    const int pitch = 86 + static_cast<int>((roll >> 16) % 6);
    const int pan = 50 + static_cast<int>((roll >> 20) % 157);
    for (int i = 0; i < count; ++i) {
        score.play(Instrument::Bird, tick, 2, pitch + (i % 2) * 2, 60, pan);
        tick += SIXTEENTH + ((roll >> (24 + i)) & 1) * 3;
    }
}

} // namespace

void writeClouds(ScoreWriter& score) {
    score.setSpace(90, 100);
    const auto bars = layBars(
        CLOUDS_BEAT, {"F",   "C/E",    "Dm7",    "Bbmaj7", "F/A",    "Gm7",    "C7sus4", "C", "F",
                      "C/E", "Dm7",    "Bbmaj7", "F/A",    "Gm7",    "C7sus4", "C",      "F", "C/E",
                      "Dm7", "Bbmaj7", "F/A",    "Gm7",    "C7sus4", "Fmaj9",  "Bbmaj7"});
    score.chords(Instrument::Pad, bars, 64);
    for (const Bar& bar : bars) {
        if (bar.number == 24) break;
        score.bassLine(bar, {{0, 3}, {0, 1}, {12, 1}, {0, 1}, {7, 2}}, 82);
        score.drums(Instrument::Kick, bar, "x.....x.x.......", 80);
        score.drums(Instrument::Snare, bar,
                    bar.number % 8 == 7 ? "....x.......xxXX" : "....x.......x...", 66);
        score.drums(Instrument::Hat, bar, "o.x.o.x.o.x.o.x.", 54);
        if (bar.number % 2 == 1) score.drums(Instrument::OpenHat, bar, "..............x.", 46);
        // Off-beat chord stabs.
        for (int offset : {1, 3, 6})
            for (int tone : bar.chord.tones)
                score.play(Instrument::Piano, bar.tick + offset * EIGHTH, 10, tone, 44);
        if (bar.number >= 8)
            score.arpeggio(Instrument::Harp, bar, {0, 2, 4, 6, 7, 5, 3, 1}, SIXTEENTH, 36, 70);
        if (bar.number >= 16) score.drums(Instrument::Shaker, bar, "xoxoxoxoxoxoxoxo", 44);
    }
    // The last bar hangs on one chord while the scene gives way to the cave.
    const Bar& last = bars[24];
    score.play(Instrument::Bass, last.tick, last.ticks(), last.chord.bass, 70);
    score.drums(Instrument::Kick, last, "x...............", 70);
    score.arpeggio(Instrument::Piano, last, {7, 6, 5, 4, 3, 2, 1, 0}, EIGHTH, 40, 40);
    score.melody(Instrument::Lead, bars[0].tick, THEME, 96);
    score.melody(Instrument::Lead, bars[8].tick, THEME_LIFT, 96);
    score.melody(Instrument::Lead, bars[16].tick, THEME_HIGH, 84);
    score.riser(tickOfBeat(CAVE_BEAT), 6, 50);
}

void writeCave(ScoreWriter& score) {
    score.setSpace(190, 150);
    const auto bars = joinBars(
        {layBars(CAVE_BEAT, {"Dm9", "Dm9", "Bbmaj7", "Bbmaj7", "Gm9", "Gm9", "Dm9", "A7sus4"}),
         layBars(CAVE_BEAT + 32, {"Dm9", "Dm9", "Bbmaj7", "Bbmaj7", "Gm9", "Gm9", "Dm9", "A7sus4"}),
         layBars(CAVE_BEAT + 64, {"Dm9", "Bbmaj7", "Gm9", "A7sus4", "Bbmaj7", "Cadd9", "D7sus4"},
                 2)});
    // The waterfall rises under the cut into the cave and is gone before the
    // dragonfly.
    score.play(Instrument::Waterfall, tickOfBeat(CAVE_BEAT - 6), tickOfBeat(80), 60, 100);
    score.scatter(Instrument::Drip, tickOfBeat(CAVE_BEAT), tickOfBeat(DRAGONFLY_BEAT - 10), EIGHTH,
                  10, {74, 77, 79, 81, 84, 86}, 74);
    score.chords(Instrument::NightPad, bars, 70);
    score.bassDrone(slice(bars, 0, 16), 60);
    for (const Bar& bar : bars) {
        if (bar.number % 4 == 0 && bar.number < 16)
            score.play(Instrument::Bell, bar.tick, EIGHTH, 74, 50, bar.number % 8 ? 196 : 60);
        if (bar.number >= 2 && bar.number < 16)
            score.arpeggio(Instrument::Harp, bar, {0, 2, 4, 3}, TICKS_PER_BEAT, 44, 50);
        if (bar.number >= 4 && bar.number < 16)
            score.drums(Instrument::Tom, bar, "x.........o.....", 70, 38);
        if (bar.number >= 16) {
            // Building up again toward the dragonfly.
            score.bassLine(bar, {{0, 6}, {7, 2}}, 68);
            score.drums(Instrument::Tom, bar, "x.....o...x..o..", 68, 38);
            score.drums(Instrument::Kick, bar, "x.......x.......", 62);
            score.drums(Instrument::Shaker, bar, "..x...x...x...x.", 44);
            score.arpeggio(Instrument::Harp, bar, {0, 2, 4, 3, 5, 4, 6, 5}, EIGHTH, 42, 60);
        }
        if (bar.number >= 20) score.drums(Instrument::Snare, bar, "....x.......x.xx", 54);
    }
    score.melody(Instrument::Lead, bars[8].tick, CAVE_TUNE, 84);
    score.melody(Instrument::Lead, bars[16].tick, CAVE_ANSWER, 86);
    score.riser(tickOfBeat(DRAGONFLY_BEAT), 6, 70);
}

void writeDragonfly(ScoreWriter& score) {
    score.setSpace(100, 100);
    std::vector<Bar> bars;
    for (int loop = 0; loop < 6; ++loop)
        for (const Bar& bar :
             layBars(DRAGONFLY_BEAT + 16 * loop, {"Gmaj9", "D/F#", "Em9", "Cmaj7#11"}))
            bars.push_back(bar);
    bars.push_back(layBars(DRAGONFLY_BEAT + 96, {"C7sus4"})[0]);
    for (size_t i = 0; i < bars.size(); ++i)
        bars[i].number = static_cast<int>(i);
    score.chords(Instrument::Pad, bars, 60);
    for (const Bar& bar : bars) {
        if (bar.number == 24) {
            score.arpeggio(Instrument::Harp, bar, {7, 6, 5, 4, 3, 2, 1, 0}, EIGHTH, 40, 80);
            score.play(Instrument::Bass, bar.tick, bar.ticks(), bar.chord.bass, 70);
            break;
        }
        // Wings: fast arpeggios flickering left and right.
        score.arpeggio(Instrument::Harp, bar, {0, 2, 4, 6, 7, 5, 3, 1}, SIXTEENTH, 38, 90);
        birdsong(score, bar);
        if (bar.number < 4) {
            score.drums(Instrument::Shaker, bar, "xoxoxoxoxoxoxoxo", 40);
            score.drums(Instrument::Kick, bar, "x.......x.......", 62);
            score.bassDrone({bar}, 64);
            continue;
        }
        score.bassLine(bar, {{0, 2}, {7, 1}, {12, 1}, {0, 2}, {7, 2}}, 80);
        score.drums(Instrument::Kick, bar, "x.....x...x.....", 76);
        score.drums(Instrument::Snare, bar,
                    bar.number % 12 == 11 ? "....x.......xxXX" : "....x.......x...", 62);
        score.drums(Instrument::Shaker, bar, "xoxoXoxoxoxoXoxo", 46);
        score.drums(Instrument::Hat, bar, "..x...x...x...x.", 44);
    }
    score.melody(Instrument::Lead, bars[4].tick, DRAGONFLY_TUNE, 94);
    score.melody(Instrument::Bell, bars[12].tick, DRAGONFLY_BELLS, 62);
    score.melody(Instrument::Lead, bars[16].tick, DRAGONFLY_TUNE_2, 94);
    score.riser(tickOfBeat(CLOSING_BEAT), 6, 68);
}

void writeClosing(ScoreWriter& score) {
    score.setSpace(125, 115);
    const auto bars =
        layBars(CLOSING_BEAT, {"Fmaj9", "C/E", "Dm9", "Bbmaj7", "F/A", "Gm7", "C7sus4"});
    score.chords(Instrument::Pad, bars, 62);
    score.bassDrone(bars, 66);
    for (const Bar& bar : bars) {
        score.arpeggio(Instrument::Piano, bar, {7, 5, 6, 4, 5, 3, 4, 2}, EIGHTH, 40, 40);
        if (bar.number < 6)
            score.drums(Instrument::Shaker, bar, "o.x.o.x.o.x.o.x.", 48 - 4 * bar.number);
        if (bar.number < 4)
            score.drums(Instrument::Kick, bar, "x.......x.......", 64 - 4 * bar.number);
    }
    score.melody(Instrument::Lead, bars[0].tick, THEME_FAREWELL, 88);
    score.riser(tickOfBeat(ENDING_BEAT), 6, 36);

    // The last chord, rolled upward, left to ring out into silence.
    const int64_t end = tickOfBeat(ENDING_BEAT);
    const Chord home = chordNamed("Fmaj9");
    const int64_t held = 5 * TICKS_PER_BEAT;
    for (int i = 0; i < 4; ++i) {
        score.play(Instrument::Pad, end, held, home.tones[i], 62);
        score.play(Instrument::Piano, end + 3 * i, held, home.tones[i], 52, 80 + 30 * i);
    }
    score.play(Instrument::Bass, end, held, home.bass, 70);
    score.play(Instrument::Lead, end, 4 * TICKS_PER_BEAT, 65, 80);
    score.play(Instrument::Bell, end + EIGHTH, EIGHTH, 84, 46, 170);
    score.play(Instrument::Bell, end + 2 * EIGHTH + 3, EIGHTH, 81, 40, 90);
}

} // namespace music
