// The rendered piece: repeatable samples, level, section changes, ending.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "score.h"
#include "synth.h"

using namespace music;

namespace {

constexpr int64_t RATE = 44100;
// -1 dBFS as a float sample.
const float MINUS_ONE_DB = static_cast<float>(std::pow(10.0, -1.0 / 20.0));

std::vector<float> renderStretch(double fromSeconds, double seconds, int chunk = 4096) {
    const int64_t first = static_cast<int64_t>(fromSeconds * RATE);
    const int64_t count = static_cast<int64_t>(seconds * RATE);
    MusicSynth synth(first, count);
    std::vector<float> out(2 * count);
    int64_t done = 0;
    while (done < count) {
        const int frames = synth.render(out.data() + 2 * done, chunk);
        if (frames == 0) break;
        done += frames;
    }
    EXPECT_EQ(done, count);
    EXPECT_EQ(synth.framesLeft(), 0);
    return out;
}

uint64_t hashOf(const std::vector<float>& samples) {
    uint64_t hash = 1469598103934665603ull; // FNV-1a over the float bits
    for (float sample : samples) {
        uint32_t bits;
        std::memcpy(&bits, &sample, 4);
        for (int i = 0; i < 4; ++i) {
            hash ^= (bits >> (8 * i)) & 0xFF;
            hash *= 1099511628211ull;
        }
    }
    return hash;
}

float peakOf(const std::vector<float>& samples, size_t from = 0, size_t to = SIZE_MAX) {
    float peak = 0;
    for (size_t i = from; i < std::min(to, samples.size()); ++i)
        peak = std::max(peak, std::fabs(samples[i]));
    return peak;
}

float largestStep(const std::vector<float>& samples) {
    float step = 0;
    for (size_t i = 2; i < samples.size(); ++i)
        step = std::max(step, std::fabs(samples[i] - samples[i - 2]));
    return step;
}

} // namespace

TEST(MusicSynth, SameSamplesEveryTimeWhateverTheChunkSize) {
    const std::vector<float> first = renderStretch(96.0, 1.0, 4096);
    const std::vector<float> again = renderStretch(96.0, 1.0, 4096);
    const std::vector<float> oddChunks = renderStretch(96.0, 1.0, 1001);
    EXPECT_EQ(hashOf(first), hashOf(again));
    EXPECT_EQ(first, oddChunks);
    EXPECT_NE(hashOf(first), hashOf(renderStretch(97.0, 1.0)));
    EXPECT_GT(peakOf(first), 0.05f) << "the middle of the piece is not silent";
}

TEST(MusicSynth, SamplesAreTheSameBitsOnEveryMachine) {
    // The synthesizer uses integer arithmetic only and converts to float by
    // powers of two, so this excerpt has one right answer everywhere. When
    // the music is changed on purpose, put the new value here.
    const std::vector<float> samples = renderStretch(96.0, 0.5);
    EXPECT_EQ(hashOf(samples), 0x6f2835d14742388aull) << std::hex << hashOf(samples);
}

TEST(MusicSynth, LoudestPassageStaysBelowMinusOneDecibel) {
    // The clouds section is the fullest part of the piece.
    const std::vector<float> loud = renderStretch(94.0, 4.0);
    EXPECT_LE(peakOf(loud), MINUS_ONE_DB);
    EXPECT_GT(peakOf(loud), 0.3f) << "and it is not timid either";
}

TEST(MusicSynth, SectionChangesHaveNoClicks) {
    // Around every scene change: no jump between neighbouring samples that a
    // note or effect switching on or off abruptly would cause.
    for (double change : {3.15, 43.1, 65.1, 88.1, 138.1, 183.1, 233.1, 247.1}) {
        SCOPED_TRACE(change);
        const std::vector<float> around = renderStretch(change - 0.4, 0.8);
        EXPECT_LT(largestStep(around), 0.2f);
        EXPECT_LE(peakOf(around), MINUS_ONE_DB);
    }
}

TEST(MusicSynth, StretchCutFromTheMiddleFadesInAndOut) {
    const std::vector<float> stretch = renderStretch(100.0, 0.5);
    const size_t frames = stretch.size() / 2;
    // Within 10 ms of either edge a sample is at most the fade's gain.
    for (size_t i = 0; i < 441; ++i) {
        const float gain = i / 441.0f + 1e-6f;
        ASSERT_LE(std::fabs(stretch[2 * i]), gain) << i;
        ASSERT_LE(std::fabs(stretch[2 * i + 1]), gain) << i;
        ASSERT_LE(std::fabs(stretch[2 * (frames - 1 - i)]), gain) << i;
        ASSERT_LE(std::fabs(stretch[2 * (frames - 1 - i) + 1]), gain) << i;
    }
    EXPECT_GT(peakOf(stretch, 2 * 441, stretch.size() - 2 * 441), 0.05f);
}

TEST(MusicSynth, PieceDiesAwayBeforeItsEnd) {
    const std::vector<float> ending = renderStretch(247.0, 3.0);
    const size_t second = 2 * RATE;
    // Still sounding when the last scene begins, fading through the last
    // two seconds, silent for the final fifth of a second.
    EXPECT_GT(peakOf(ending, 0, second / 2), 0.05f);
    EXPECT_LT(peakOf(ending, 2 * second + second / 2, 2 * second + second * 7 / 10),
              peakOf(ending, second + second / 2, 2 * second));
    EXPECT_EQ(peakOf(ending, 2 * second + second * 8 / 10), 0.0f);
    EXPECT_LT(largestStep(ending), 0.2f);
}

TEST(MusicSynth, SingleNoteThroughTheEffectsEchoesAndFades) {
    Note note;
    note.start = 4410;
    note.length = 8820;
    note.instrument = Instrument::Bell;
    note.pitch = 81;
    note.velocity = 110;
    note.reverb = 200;
    note.echo = 200;
    MusicSynth synth(0, 6 * RATE, {note});
    std::vector<float> out(2 * 6 * RATE);
    ASSERT_EQ(synth.render(out.data(), 6 * RATE), 6 * RATE);
    EXPECT_EQ(peakOf(out, 0, 2 * 4410), 0.0f);
    const float strike = peakOf(out, 2 * 4410, 2 * 8820);
    EXPECT_GT(strike, 0.01f);
    // The echo repeats the strike a dotted eighth later, softer.
    const size_t echoAt = 2 * (4410 + 16538);
    EXPECT_GT(peakOf(out, echoAt, echoAt + 2 * 2000), strike / 20);
    EXPECT_LT(peakOf(out, out.size() - 2 * RATE), strike / 30);
}
