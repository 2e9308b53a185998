// The written-down piece: notes in order and inside the piece, sections
// beginning where the show changes scene, the melody notation.
#include <gtest/gtest.h>

#include <algorithm>

#include "score.h"
#include "score_writer.h"
#include "voices.h"

using namespace music;

TEST(MusicScore, NotesAreOrderedAndReleasedBeforeTheEnd) {
    const std::vector<Note> notes = composeScore();
    ASSERT_GT(notes.size(), 1000u);
    EXPECT_TRUE(std::is_sorted(notes.begin(), notes.end(),
                               [](const Note& a, const Note& b) { return a.start < b.start; }));
    for (const Note& note : notes) {
        ASSERT_GE(note.start, 0);
        ASSERT_GT(note.length, 0);
        ASSERT_GT(note.velocity, 0);
        // Nothing starts under the final fade, every key is let go before
        // the silence at the end.
        ASSERT_LT(note.start, FINAL_FADE_START);
        ASSERT_LE(note.start + note.length, FINAL_SILENCE) << "note at frame " << note.start;
    }
}

TEST(MusicScore, NewMaterialStartsAtEverySceneChange) {
    const std::vector<Note> notes = composeScore();
    for (double change : {3.1, 43.1, 65.1, 88.1, 138.1, 183.1, 233.1, 247.1}) {
        const int64_t frame = static_cast<int64_t>(change * 44100 + 0.5);
        const auto starting = std::count_if(notes.begin(), notes.end(), [&](const Note& note) {
            return note.start >= frame - 5 && note.start <= frame + 5;
        });
        EXPECT_GE(starting, 3) << "at " << change << " s";
        // The section before ends with a swell into the change.
        if (change > 40) {
            const bool swell = std::any_of(notes.begin(), notes.end(), [&](const Note& note) {
                return note.instrument == Instrument::Riser &&
                       std::llabs(note.start + note.length - frame) <= 5;
            });
            EXPECT_TRUE(swell) << "at " << change << " s";
        }
    }
}

TEST(MusicScore, MelodyTextBecomesNotesOnTheGrid) {
    std::vector<Note> notes;
    ScoreWriter writer(notes);
    const int64_t end = writer.melody(Instrument::Lead, 48, "C#5:2 r:2 | Bb3:4 A4:1", 100, 90);
    EXPECT_EQ(end, 48 + 9 * EIGHTH);
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(notes[0].pitch, 73);
    EXPECT_EQ(notes[1].pitch, 58);
    EXPECT_EQ(notes[2].pitch, 69);
    EXPECT_EQ(notes[0].start, frameOfTick(48));
    EXPECT_EQ(notes[1].start, frameOfTick(48 + 4 * EIGHTH));
    EXPECT_EQ(notes[2].start, frameOfTick(48 + 8 * EIGHTH));
    // Held a little less than written so that repeated notes speak again.
    EXPECT_LT(notes[1].start + notes[1].length, notes[2].start);
    EXPECT_GT(notes[1].start + notes[1].length, notes[2].start - FRAMES_PER_BEAT / 4);
    EXPECT_EQ(notes[0].pan, 90);
    for (const Note& note : notes)
        EXPECT_NEAR(note.velocity, 100, 4);
}

TEST(MusicScore, BeatGridPutsSceneChangesOnBeats) {
    EXPECT_EQ(frameOfTick(0), 4410);
    EXPECT_EQ(frameOfTick(tickOfBeat(86)), 43100 * 441 / 10);
    EXPECT_EQ(frameOfTick(tickOfBeat(494)), 247100 * 441 / 10);
}

TEST(MusicScore, PatternsChordsAndBassFollowTheBar) {
    std::vector<Note> notes;
    ScoreWriter writer(notes);
    const std::vector<Bar> bars = layBars(8, {"Dm9", "Dm9", "Bbmaj7"}, 2);
    ASSERT_EQ(bars.size(), 3u);
    EXPECT_EQ(bars[2].tick, tickOfBeat(16));
    EXPECT_EQ(bars[2].ticks(), 2 * TICKS_PER_BEAT);

    // Drum steps: accent, normal, soft, rest; steps past a short bar are dropped.
    writer.drums(Instrument::Kick, bars[2], "X.x.o...x.......", 80);
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(notes[0].start, frameOfTick(bars[2].tick));
    EXPECT_EQ(notes[1].start, frameOfTick(bars[2].tick + 2 * SIXTEENTH));
    EXPECT_EQ(notes[2].start, frameOfTick(bars[2].tick + 4 * SIXTEENTH));
    EXPECT_GT(notes[0].velocity, notes[1].velocity);
    EXPECT_GT(notes[1].velocity, notes[2].velocity);

    // A chord repeated in the next bar is held on, not struck again.
    notes.clear();
    writer.chords(Instrument::Pad, bars, 60);
    ASSERT_EQ(notes.size(), 8u);
    EXPECT_EQ(notes[0].start, frameOfTick(bars[0].tick));
    EXPECT_EQ(notes[0].start + notes[0].length, frameOfTick(bars[2].tick));
    EXPECT_EQ(notes[4].start, frameOfTick(bars[2].tick));
    EXPECT_EQ(notes[4].pitch, chordNamed("Bbmaj7").tones[0]);

    // The bass figure stops at the end of a short bar.
    notes.clear();
    writer.bassLine(bars[2], {{0, 3}, {7, 3}, {12, 2}}, 70);
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0].pitch, chordNamed("Bbmaj7").bass);
    EXPECT_EQ(notes[1].pitch, chordNamed("Bbmaj7").bass + 7);
    EXPECT_LE(notes[1].start + notes[1].length, frameOfTick(bars[2].end()));
}

TEST(MusicScore, ArpeggioWalksTheChordAndScatterIsRepeatable) {
    std::vector<Note> notes;
    ScoreWriter writer(notes);
    const Bar bar = layBars(0, {"Fmaj9"})[0];
    writer.arpeggio(Instrument::Harp, bar, {0, 4, 7}, EIGHTH, 50, 40);
    ASSERT_EQ(notes.size(), 8u);
    EXPECT_EQ(notes[0].pitch, 57);
    EXPECT_EQ(notes[1].pitch, 69); // one octave up
    EXPECT_EQ(notes[2].pitch, 79);
    EXPECT_EQ(notes[3].pitch, 57);
    EXPECT_EQ(notes[0].pan, 88);
    EXPECT_EQ(notes[1].pan, 168);

    std::vector<Note> first, second;
    ScoreWriter a(first), b(second);
    a.scatter(Instrument::Drip, 0, 96 * 16, SIXTEENTH, 25, {80, 84, 87}, 70);
    b.scatter(Instrument::Drip, 0, 96 * 16, SIXTEENTH, 25, {80, 84, 87}, 70);
    ASSERT_EQ(first.size(), second.size());
    // About a quarter of the 256 steps, each from the scale.
    EXPECT_GT(first.size(), 40u);
    EXPECT_LT(first.size(), 90u);
    for (size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(first[i].start, second[i].start);
        EXPECT_TRUE(first[i].pitch == 80 || first[i].pitch == 84 || first[i].pitch == 87);
    }
}
