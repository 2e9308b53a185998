// The shared effects and the loudness envelopes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "dsp_tables.h"
#include "effects.h"
#include "envelope.h"

using namespace music;

TEST(MusicEffects, LimiterLeavesQuietSamplesAndNeverReachesTheCeiling) {
    EXPECT_EQ(softLimit(0), 0);
    EXPECT_EQ(softLimit(400000), 400000);
    EXPECT_EQ(softLimit(-400000), -400000);
    int32_t previous = softLimit(0);
    for (int32_t x = 0; x <= 40 * SIGNAL_ONE; x += 997) {
        const int32_t y = softLimit(x);
        ASSERT_GE(y, previous) << x; // keeps the order of levels
        ASSERT_LT(y, LIMIT_CEILING) << x;
        ASSERT_EQ(softLimit(-x), -y) << x; // symmetric
        previous = y;
    }
    // About -1 dBFS in: bent below the ceiling, but only gently.
    EXPECT_GT(softLimit(SIGNAL_ONE * 9 / 10), LIMIT_CEILING * 9 / 10);
}

TEST(MusicEffects, ReverbTailDecaysAndSpreadsToBothSides) {
    Reverb reverb;
    constexpr int BLOCK = 32;
    int32_t input[BLOCK] = {SIGNAL_ONE / 2};
    const int32_t silence[BLOCK] = {};
    std::vector<int64_t> energy; // per tenth of a second, both sides
    int64_t left = 0, right = 0, tenth = 0;
    for (int block = 0; block < 44100 * 4 / BLOCK; ++block) {
        int32_t outLeft[BLOCK] = {};
        int32_t outRight[BLOCK] = {};
        reverb.process(block == 0 ? input : silence, outLeft, outRight, BLOCK);
        for (int i = 0; i < BLOCK; ++i) {
            left += int64_t(outLeft[i]) * outLeft[i] >> 10;
            right += int64_t(outRight[i]) * outRight[i] >> 10;
            tenth += (int64_t(outLeft[i]) * outLeft[i] + int64_t(outRight[i]) * outRight[i]) >> 10;
        }
        if ((block + 1) % (4410 / BLOCK) == 0) {
            energy.push_back(tenth);
            tenth = 0;
        }
    }
    ASSERT_GE(energy.size(), 30u);
    EXPECT_GT(left, 0);
    EXPECT_GT(right, 0);
    EXPECT_GT(energy[1], energy[0] / 100) << "a tail, not just a click";
    EXPECT_LT(energy[20], energy[2] / 100) << "dies away within two seconds";
    EXPECT_LE(energy[30], energy[20]);
}

TEST(MusicEffects, EchoRepeatsOnAlternateSidesAndFades) {
    StereoEcho echo;
    constexpr int LENGTH = 16538 * 4;
    std::vector<int32_t> inLeft(LENGTH, 0), inRight(LENGTH, 0);
    std::vector<int32_t> outLeft(LENGTH, 0), outRight(LENGTH, 0);
    for (int i = 0; i < 64; ++i)
        inLeft[i] = SIGNAL_ONE / 4; // a short burst on the left
    for (int at = 0; at < LENGTH; at += 32)
        echo.process(&inLeft[at], &inRight[at], &outLeft[at], &outRight[at],
                     std::min(32, LENGTH - at));
    auto peak = [](const std::vector<int32_t>& v, int from, int to) {
        int32_t p = 0;
        for (int i = from; i < to; ++i)
            p = std::max(p, std::abs(v[i]));
        return p;
    };
    EXPECT_EQ(peak(outLeft, 0, 16538), 0);
    const int32_t first = peak(outLeft, 16538, 16538 + 200);
    const int32_t second = peak(outRight, 2 * 16538, 2 * 16538 + 400);
    const int32_t third = peak(outLeft, 3 * 16538, 3 * 16538 + 600);
    EXPECT_EQ(first, SIGNAL_ONE / 4) << "the first repeat is the burst itself";
    EXPECT_EQ(peak(outRight, 16538, 16538 + 200), 0);
    EXPECT_GT(second, first / 8);
    EXPECT_LT(second, first / 2);
    EXPECT_LT(third, second);
}

TEST(MusicEnvelope, AttackSustainAndReleaseToZero) {
    Note pad;
    pad.instrument = Instrument::Pad;
    pad.length = 3 * 44100;
    pad.velocity = 127;
    EXPECT_EQ(amplitudeAt(pad, 0), 0);
    EXPECT_EQ(amplitudeAt(pad, -10), 0);
    int32_t previous = 0;
    for (int t = 1; t < 44100; t += 50) { // the slow attack climbs steadily
        const int32_t level = amplitudeAt(pad, t);
        ASSERT_GE(level, previous) << t;
        previous = level;
    }
    const int32_t held = amplitudeAt(pad, 2 * 44100);
    EXPECT_GT(held, 0);
    EXPECT_EQ(amplitudeAt(pad, 44100 + 5), held) << "a pad holds its level";
    const int64_t end = pad.length + releaseFrames(pad.instrument);
    EXPECT_LT(amplitudeAt(pad, pad.length + releaseFrames(pad.instrument) / 8), held * 6 / 10);
    EXPECT_GT(amplitudeAt(pad, end - releaseFrames(pad.instrument) / 2), 0);
    EXPECT_EQ(amplitudeAt(pad, end), 0);

    // A struck note falls from its peak even while held; softer when
    // played softer.
    Note bell = pad;
    bell.instrument = Instrument::Bell;
    const int32_t strike = amplitudeAt(bell, 200);
    EXPECT_LT(amplitudeAt(bell, 44100), strike / 2);
    bell.velocity = 64;
    EXPECT_LT(amplitudeAt(bell, 200), strike / 3);
}
