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
