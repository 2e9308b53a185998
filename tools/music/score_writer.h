// Tools for writing the piece down: a beat grid, chords, bars, melodies given
// as text, arpeggios and drum patterns, all turned into Notes.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "note.h"

namespace music {

// 120 beats a minute; the grid starts 0.1 s into the piece so that every
// scene change of the show falls on a beat.
constexpr int TICKS_PER_BEAT = 24;
constexpr int SIXTEENTH = TICKS_PER_BEAT / 4;
constexpr int EIGHTH = TICKS_PER_BEAT / 2;
constexpr int BAR = 4 * TICKS_PER_BEAT;
constexpr int64_t FRAMES_PER_BEAT = 22050;
constexpr int64_t GRID_ORIGIN = 4410;

inline int64_t frameOfTick(int64_t tick) {
    return GRID_ORIGIN + tick * FRAMES_PER_BEAT / TICKS_PER_BEAT;
}
inline int64_t tickOfBeat(int beat) {
    return int64_t(beat) * TICKS_PER_BEAT;
}

// A chord: its bass note and a four-note voicing around middle C.
struct Chord {
    int bass;
    int tones[4];
    // Voicing tones 0..3, then the same an octave higher for 4..7, and so on.
    int tone(int index) const { return tones[index & 3] + 12 * (index >> 2); }
};

// Looks up a chord by its name ("Fmaj9", "C/E", ...).
Chord chordNamed(const char* name);

struct Bar {
    int64_t tick; // first tick
    int beats;    // 4, or 2 for the short bar that squares a section with the show
    Chord chord;
    int number; // counted from 0 within its section
    const char* name;
    int64_t ticks() const { return int64_t(beats) * TICKS_PER_BEAT; }
    int64_t end() const { return tick + ticks(); }
};

// One bar per chord name from `startBeat`; the last bar has `lastBeats`.
std::vector<Bar> layBars(int startBeat, std::initializer_list<const char*> chords,
                         int lastBeats = 4);

// Joins bar lists of consecutive parts of a section, renumbering them.
std::vector<Bar> joinBars(std::initializer_list<std::vector<Bar>> parts);

class ScoreWriter {
  public:
    explicit ScoreWriter(std::vector<Note>& notes) : notes(notes) {}

    // Scales the instruments' usual reverb and echo sends, in percent.
    void setSpace(int reverbPercent, int echoPercent);

    // A single note; lengths and times in ticks.
    void play(Instrument instrument, int64_t tick, int64_t length, int pitch, int velocity,
              int pan = 128);

    // Notes written as "A4:4 G4:2 r:2 | C5:8" (durations in eighths, r = rest,
    // bar lines are only for the reader). Returns the tick after the last note.
    int64_t melody(Instrument instrument, int64_t tick, const char* text, int velocity,
                   int pan = 128);

    // Sustained chord per bar; a chord repeated in the next bar is held on.
    void chords(Instrument instrument, const std::vector<Bar>& bars, int velocity);

    // Bass root per bar, held the same way as chords().
    void bassDrone(const std::vector<Bar>& bars, int velocity);

    // A bass figure repeated each bar: intervals above the root in semitones
    // with durations in eighths, e.g. {{0, 3}, {0, 1}, {12, 2}, {7, 2}}.
    void bassLine(const Bar& bar, std::initializer_list<std::pair<int, int>> figure, int velocity);

    // Steps through chord-tone indices (Chord::tone) every `step` ticks
    // across the bar, alternating the pan around the centre by `spread`.
    void arpeggio(Instrument instrument, const Bar& bar, std::initializer_list<int> pattern,
                  int step, int velocity, int spread = 0);

    // Sixteen steps per four beats: 'X' accent, 'x' normal, 'o' soft, '.' rest.
    // `pitch` matters only for tuned drums (the tom).
    void drums(Instrument instrument, const Bar& bar, const char* steps, int velocity,
               int pitch = 60);

    // A noise swell over `beats` beats ending exactly at `endTick`.
    void riser(int64_t endTick, int beats, int velocity);

    // Scattered plinks: in each `step`, with `percent` chance, one note from
    // `scale` (pitches) at a soft random level and place.
    void scatter(Instrument instrument, int64_t from, int64_t to, int step, int percent,
                 std::initializer_list<int> scale, int velocity);

    // A deterministic pseudo-random number from a few integers.
    static uint32_t random(int64_t a, int64_t b);

  private:
    std::vector<Note>& notes;
    int reverbPercent = 100;
    int echoPercent = 100;
};

} // namespace music
