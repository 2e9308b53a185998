// Single voices and the integer tables they are built on.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "dsp_tables.h"
#include "voices.h"

using namespace music;

namespace {

constexpr Instrument ALL_INSTRUMENTS[] = {
    Instrument::Pad,       Instrument::NightPad, Instrument::Piano, Instrument::Bell,
    Instrument::Harp,      Instrument::Drip,     Instrument::Bass,  Instrument::Lead,
    Instrument::Kick,      Instrument::Tom,      Instrument::Snare, Instrument::Hat,
    Instrument::OpenHat,   Instrument::Shaker,   Instrument::Riser, Instrument::Rain,
    Instrument::Waterfall, Instrument::Bird};

Note sampleNote(Instrument instrument) {
    Note note;
    note.start = 1000;   // deliberately off the control grid
    note.length = 13230; // 0.3 s
    note.instrument = instrument;
    note.pitch = instrument == Instrument::Bird ? 86 : 60;
    note.velocity = 100;
    note.reverb = 100;
    note.echo = 100;
    note.seed = 7;
    return note;
}

// The note alone (left + right dry output) for frames [from, noteEnd + 100),
// rendered block by block on the control grid as the synthesizer does.
std::vector<int32_t> renderAlone(const Note& note, int64_t from) {
    VoiceState state;
    Buses buses;
    std::vector<int32_t> out;
    const int64_t stop = noteEnd(note) + 100;
    for (int64_t block = from; block < stop;) {
        const int64_t gridEnd = (block / CONTROL_FRAMES + 1) * CONTROL_FRAMES;
        const int frames = static_cast<int>(gridEnd - block);
        buses.clear();
        renderVoice(note, state, block, frames, buses);
        for (int i = 0; i < frames; ++i)
            out.push_back(buses.left[i] + buses.right[i]);
        block = gridEnd;
    }
    return out;
}

int32_t peakOf(const std::vector<int32_t>& samples, size_t from, size_t to) {
    int32_t peak = 0;
    for (size_t i = from; i < to && i < samples.size(); ++i)
        peak = std::max(peak, std::abs(samples[i]));
    return peak;
}

} // namespace

TEST(MusicVoices, EveryNoteRisesFromSilenceAndFadesToExactlyZero) {
    for (Instrument instrument : ALL_INSTRUMENTS) {
        SCOPED_TRACE(static_cast<int>(instrument));
        const Note note = sampleNote(instrument);
        const std::vector<int32_t> out = renderAlone(note, 0);
        const size_t start = static_cast<size_t>(note.start);
        const size_t end = static_cast<size_t>(noteEnd(note));
        const int32_t peak = peakOf(out, start, end);
        ASSERT_GT(peak, SIGNAL_ONE / 1000) << "the note should be heard";
        EXPECT_EQ(peakOf(out, 0, start), 0) << "nothing before the start";
        EXPECT_EQ(peakOf(out, end, out.size()), 0) << "nothing after the release";
        // No instant onset and no cut-off: the first frames and the last
        // frames of the release stay well below the note's peak.
        EXPECT_LE(peakOf(out, start, start + 8), peak / 4);
        EXPECT_LE(peakOf(out, end - 64, end), peak / 50);
    }
}

TEST(MusicVoices, AVoiceJoinedLateSoundsLikeOneThatPlayedThrough) {
    // Voices without filter memories depend only on the time since their
    // start, which lets a stretch of the piece begin anywhere.
    for (Instrument instrument :
         {Instrument::Pad, Instrument::Bass, Instrument::Piano, Instrument::Bell, Instrument::Harp,
          Instrument::Kick, Instrument::Tom, Instrument::Bird}) {
        SCOPED_TRACE(static_cast<int>(instrument));
        const Note note = sampleNote(instrument);
        const int64_t join = note.start + 5003;
        const std::vector<int32_t> through = renderAlone(note, 0);
        const std::vector<int32_t> late = renderAlone(note, join);
        ASSERT_EQ(through.size(), late.size() + static_cast<size_t>(join));
        EXPECT_TRUE(std::equal(late.begin(), late.end(), through.begin() + join));
    }
}

TEST(MusicTables, SineTableMatchesTheSine) {
    const Wave& sine = waves().sine;
    EXPECT_EQ(sine.points[0], 0);
    EXPECT_EQ(sine.points[WAVE_SIZE / 4], 32767);
    EXPECT_EQ(sine.points[WAVE_SIZE / 2], 0);
    EXPECT_EQ(sine.points[3 * WAVE_SIZE / 4], -32767);
    EXPECT_EQ(sine.points[WAVE_SIZE], sine.points[0]);
    for (int i = 0; i < WAVE_SIZE; ++i) {
        const double expected = 32767.0 * std::sin(2.0 * M_PI * i / WAVE_SIZE);
        ASSERT_NEAR(sine.points[i], expected, 0.51) << i;
    }
    // Between table points the lookup interpolates.
    EXPECT_NEAR(sineAt(0x40000000u / 3), 32767.0 * std::sin(M_PI / 6), 2.0);
}

TEST(MusicTables, HarmonicWavesUseTheFullRange) {
    for (const Wave* wave :
         {&waves().warm, &waves().dark, &waves().round, &waves().flute, &waves().hollow}) {
        int32_t peak = 0;
        for (int32_t point : wave->points)
            peak = std::max(peak, std::abs(point));
        EXPECT_EQ(peak, 32767);
        EXPECT_EQ(wave->points[WAVE_SIZE], wave->points[0]);
    }
}

TEST(MusicTables, HalvingsFollowTwoToTheMinusX) {
    EXPECT_EQ(halvings(0, 100), 1 << 30);
    EXPECT_EQ(halvings(-5, 100), 1 << 30);
    EXPECT_NEAR(halvings(100, 100), 1 << 29, 4);
    EXPECT_NEAR(halvings(300, 100), 1 << 27, 4);
    EXPECT_NEAR(halvings(50, 100), std::ldexp(M_SQRT1_2, 30), 1 << 12);
    EXPECT_EQ(halvings(3200, 100), 0);
    int32_t previous = halvings(0, 1000);
    for (int t = 1; t < 20000; t += 7) {
        const int32_t now = halvings(t, 1000);
        ASSERT_LE(now, previous) << t;
        previous = now;
    }
}

TEST(MusicTables, NotesAreEqualTempered) {
    const double a440 = 440.0 * 4294967296.0 / SAMPLE_RATE;
    EXPECT_NEAR(noteIncrement(69), a440, 1.0);
    EXPECT_NEAR(noteIncrement(81), 2 * a440, 2.0);
    EXPECT_NEAR(noteIncrement(57), a440 / 2, 1.0);
    EXPECT_NEAR(noteIncrement(72), a440 * std::pow(2.0, 3.0 / 12), 2.0);
    EXPECT_NEAR(noteIncrement(29), a440 / 16 * std::pow(2.0, 8.0 / 12), 1.0);
    EXPECT_NEAR(detuned(noteIncrement(69), 10), a440 * std::pow(2.0, 10.0 / 1200),
                a440 * 6e-5); // within a tenth of a cent
}

TEST(MusicTables, PanKeepsThePowerConstant) {
    for (int position : {0, 64, 128, 200, 256}) {
        const PanGains gains = panGains(position);
        const double power = double(gains.left) * gains.left + double(gains.right) * gains.right;
        EXPECT_NEAR(power / (32767.0 * 32767.0), 1.0, 0.001) << position;
    }
    EXPECT_EQ(panGains(0).right, 0);
    EXPECT_EQ(panGains(256).left, 0);
    EXPECT_EQ(panGains(128).left, panGains(128).right);
}
