#include <gtest/gtest.h>

#include "driver/timeline.h"
#include "scenes/transition_overlay.h"

namespace {

TEST(Timeline, ThresholdsAreStrict) {
    EXPECT_EQ(timelineMask(1, 0), 0x100001u);
    EXPECT_EQ(timelineMask(3150, 0), 0x100001u);
    EXPECT_EQ(timelineMask(3151, 0), 0x11u);
    EXPECT_EQ(timelineMask(6200, 0), 0x11u);
    EXPECT_EQ(timelineMask(6201, 0), 0x10u);
    EXPECT_EQ(timelineMask(233101, 0), 0x101u);
    EXPECT_EQ(timelineMask(250000, 0), 0x80001u);
    EXPECT_EQ(timelineMask(250001, 0), 0x80000000u);
    EXPECT_EQ(timelineMask(0xFFFFFFFFu, 0), 0x80000000u);
}

TEST(Timeline, TimeZeroKeepsThePreviousMask) {
    EXPECT_EQ(timelineMask(0, 0), 0u);
    EXPECT_EQ(timelineMask(0, 0x81), 0x81u);
}

TEST(Timeline, EachSceneSpansOneContiguousStretch) {
    // Scene bits and the time span in which each must be set.
    struct Span {
        SceneMask bit;
        uint32_t from, to; // set for from < t <= to
    };
    const Span spans[] = {
        {MASK_FEATHER, 3150, 43100},          {MASK_LIGHTHOUSE, 43100, 65100},
        {MASK_LINE_BACKGROUND, 65100, 88100}, {MASK_RAINDROPS, 65100, 88100},
        {MASK_CLOUDS, 88100, 138100},         {MASK_CAVE, 138100, 183100},
        {MASK_DRAGONFLY, 183100, 233100},     {MASK_SKY, 233100, 247100},
    };
    for (uint32_t t = 1; t <= 250000; t++) {
        const SceneMask mask = timelineMask(t, 0);
        for (const Span& s : spans)
            ASSERT_EQ((mask & s.bit) != 0, t > s.from && t <= s.to)
                << "t=" << t << " bit " << s.bit;
    }
}

TEST(Timeline, TransitionRisesBeforeEveryCut) {
    // The overlay's bit rises exactly at these times after its first stretch.
    const uint32_t rises[] = {40000, 62000, 85000, 135000, 180000, 230000, 244000};
    int found = 0;
    for (uint32_t t = 6202; t <= 250000; t++) {
        const bool before = timelineMask(t - 1, 0) & MASK_TRANSITION;
        const bool now = timelineMask(t, 0) & MASK_TRANSITION;
        if (now && !before) {
            ASSERT_LT(found, 7);
            EXPECT_EQ(t - 1, rises[found]);
            found++;
        }
    }
    EXPECT_EQ(found, 7);
}

// The overlay loads its pattern pictures; missing ones become black, which
// is all these tests need.
class TransitionTrigger : public ::testing::Test {
  protected:
    TransitionOverlay overlay;
};

TEST_F(TransitionTrigger, NeedsAFinishedRunAndARisingEdge) {
    // A fresh overlay is in its first run, which started at time 0.
    overlay.update(100);
    ASSERT_FALSE(overlay.isFinished());
    EXPECT_FALSE(startsTransition(0x11, 0x10, overlay)); // still running
    overlay.update(7000);
    ASSERT_TRUE(overlay.isFinished());
    EXPECT_TRUE(startsTransition(0x11, 0x10, overlay));
    EXPECT_FALSE(startsTransition(0x3, 0x11, overlay));  // bit already set
    EXPECT_FALSE(startsTransition(0x11, 0x11, overlay)); // no change
    EXPECT_FALSE(startsTransition(0x10, 0x11, overlay)); // bit falls
}

} // namespace
