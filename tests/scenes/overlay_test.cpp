// The transition overlay: its course over a run, the pattern pictures in
// turn, the brightening of each pixel, and its start on the timeline's
// rising edge.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <random>
#include <vector>

#include "core/pixel.h"
#include "driver/frame.h"
#include "driver/show.h"
#include "platform/clock.h"
#include "scenes/transition_overlay.h"
#include "test_support.h"
#include "video/image.h"
#include "video/screen.h"

using testing_support::TempDir;

namespace {

// The brightening of screen pixel s over pattern pixel t, with phase P and
// steps S, written out straight from its description.
uint16_t brightened(uint16_t s, uint16_t t, int32_t P, int32_t S) {
    if (s == 0xFFFF) return s;
    const int32_t tR = t >> 11, tB = t & 31;
    const bool rising = P <= 191;
    int32_t w = rising ? (2 * (S + tB - tR)) & 0x7E : (2 * (tR - S - tB)) & 0x7E;
    if (w > 63) w = 127 - w;
    int32_t a = rising ? P + w - 128 : w - P + 256;
    if (a < 0) a = 0;
    int32_t R = (s >> 11) * 2 + a, G = ((s >> 5) & 63) + a, B = (s & 31) * 2 + a;
    if (R > 63) R = 63;
    if (G > 63) G = 63;
    if (B > 63) B = 63;
    return packRgb565(R >> 1, G, B >> 1);
}

class OverlayTest : public ::testing::Test {
  protected:
    void SetUp() override {
        screen = Screen::instance()->pixels;
        std::mt19937 random(7);
        ASSERT_EQ(mkdir(dir.file("data").c_str(), 0755), 0);
        for (int n = 0; n < TRANSITION_PICTURES; n++) {
            patterns[n].resize(SCREEN_PIXELS);
            for (uint16_t& p : patterns[n])
                p = static_cast<uint16_t>(random());
            testing_support::writePicture(dir.file("data/trans" + std::to_string(n + 1) + ".png"),
                                          SCREEN_WIDTH, SCREEN_HEIGHT, patterns[n]);
        }
        frame.resize(SCREEN_PIXELS);
        for (uint16_t& p : frame)
            p = static_cast<uint16_t>(random());
        for (int i = 0; i < SCREEN_PIXELS; i += 7)
            frame[i] = 0xFFFF;
        overlay = construct();
    }

    // Constructs an overlay from the patterns in the temporary data folder.
    std::unique_ptr<TransitionOverlay> construct() {
        char cwd[4096];
        EXPECT_TRUE(getcwd(cwd, sizeof cwd));
        EXPECT_EQ(chdir(dir.path().c_str()), 0);
        std::unique_ptr<TransitionOverlay> made(new TransitionOverlay);
        EXPECT_EQ(chdir(cwd), 0);
        return made;
    }

    void showFrame() { std::copy(frame.begin(), frame.end(), screen); }
    void fill(uint16_t colour) { std::fill(screen, screen + SCREEN_PIXELS, colour); }
    bool frameUnchanged() const { return std::equal(frame.begin(), frame.end(), screen); }
    bool allWhite() const {
        return std::all_of(screen, screen + SCREEN_PIXELS, [](uint16_t p) { return p == 0xFFFF; });
    }

    // Renders the test frame at `time` into the run begun at `start` and
    // compares every pixel with the formula applied to the frame and `picture`.
    void expectFormula(uint32_t start, uint32_t time, int picture) {
        overlay->update(time);
        ASSERT_EQ(overlay->pictureIndex, picture) << "at " << time;
        showFrame();
        overlay->render();
        const int32_t S = static_cast<int32_t>((time - start) >> 4);
        for (int i = 0; i < SCREEN_PIXELS; i++)
            ASSERT_EQ(screen[i], brightened(frame[i], patterns[picture][i], S, S))
                << "pixel " << i << " at step " << S;
    }

    TempDir dir;
    uint16_t* screen = nullptr;
    std::vector<uint16_t> patterns[TRANSITION_PICTURES];
    std::vector<uint16_t> frame;
    std::unique_ptr<TransitionOverlay> overlay;
};

TEST_F(OverlayTest, FirstRunNeedsNoRestart) {
    EXPECT_EQ(overlay->pictureIndex, 1);
    EXPECT_FALSE(overlay->isFinished());

    // Up to step 65 nothing changes; from 66 the brightest pattern values show.
    for (uint32_t time : {0u, 500u, 1040u, 1055u}) {
        overlay->update(time);
        showFrame();
        overlay->render();
        EXPECT_TRUE(frameUnchanged()) << time;
    }
    overlay->update(1056);
    showFrame();
    overlay->render();
    EXPECT_FALSE(frameUnchanged());

    // White at the top of the run, in both formulas.
    for (uint32_t time : {3056u, 3072u, 3087u, 3088u}) {
        overlay->update(time);
        fill(0);
        overlay->render();
        EXPECT_TRUE(allWhite()) << time;
    }
    overlay->update(3055);
    fill(0);
    overlay->render();
    EXPECT_FALSE(allWhite());

    // Unchanged again from step 319 until the run ends at 6160 ms.
    for (uint32_t time : {5104u, 6000u, 6159u}) {
        overlay->update(time);
        EXPECT_FALSE(overlay->isFinished());
        showFrame();
        overlay->render();
        EXPECT_TRUE(frameUnchanged()) << time;
    }
    overlay->update(6160);
    EXPECT_TRUE(overlay->isFinished());
    EXPECT_EQ(overlay->phase, 384);
    overlay->update(100000);
    EXPECT_TRUE(overlay->isFinished());
    EXPECT_EQ(overlay->phase, 384);
}

TEST_F(OverlayTest, PictureMovesOnAtRestartAndMidRun) {
    overlay->update(3087); // step 192: the falling half, still the first picture
    EXPECT_EQ(overlay->pictureIndex, 1);
    EXPECT_FALSE(overlay->swapped);
    overlay->update(3088);
    EXPECT_EQ(overlay->pictureIndex, 2);
    EXPECT_TRUE(overlay->swapped);
    overlay->update(5000); // once a run
    EXPECT_EQ(overlay->pictureIndex, 2);

    const int expected[][2] = {{3, 4}, {0, 1}, {2, 3}, {4, 0}, {1, 2}};
    uint32_t start = 40000;
    for (const auto& pair : expected) {
        overlay->update(start);
        ASSERT_TRUE(overlay->isFinished());
        overlay->restart(start);
        EXPECT_FALSE(overlay->isFinished());
        overlay->update(start + 3087);
        EXPECT_EQ(overlay->pictureIndex, pair[0]);
        overlay->update(start + 3088);
        EXPECT_EQ(overlay->pictureIndex, pair[1]);
        start += 20000;
    }
}

TEST_F(OverlayTest, RestartWhileRunningStartsANewRunAtOnce) {
    overlay->update(4000);
    ASSERT_TRUE(overlay->swapped);
    overlay->restart(4500);
    EXPECT_EQ(overlay->pictureIndex, 3);
    EXPECT_FALSE(overlay->swapped);
    EXPECT_FALSE(overlay->isFinished());
    overlay->update(4500);
    EXPECT_EQ(overlay->steps, 0u);
    EXPECT_EQ(overlay->phase, 0);
}

TEST_F(OverlayTest, FramesFollowTheFormula) {
    // Both halves, the step the falling formula takes over with the first
    // picture, and the step after the switch.
    for (uint32_t time : {1100u, 1600u, 2400u, 3056u})
        expectFormula(0, time, 1);
    for (uint32_t time : {3072u, 3087u})
        expectFormula(0, time, 1);
    for (uint32_t time : {3088u, 3700u, 4400u, 5090u})
        expectFormula(0, time, 2);
    // A later run, started away from a multiple of 16 ms.
    overlay->update(7000);
    overlay->restart(40007);
    expectFormula(40007, 40007 + 2000, 3);
    expectFormula(40007, 40007 + 4000, 4);
}

TEST_F(OverlayTest, UnalignedScreenFollowsTheFormula) {
    // Two bytes off a word boundary, the pairs leave a lone pixel at each end
    // and an odd number of pairs; with and without white runs, in place,
    // from a source aligned like the screen or not, and from a colour.
    std::vector<uint16_t> buffer(SCREEN_PIXELS + 1);
    Screen* const own = Screen::instance();
    struct Restore {
        Screen* own;
        uint16_t* pixels;
        ~Restore() { own->pixels = pixels; }
    } restore{own, own->pixels};
    own->pixels = screen = buffer.data() + 1;
    ASSERT_EQ(reinterpret_cast<uintptr_t>(screen) & 3, 2u);
    expectFormula(0, 2000, 1);
    expectFormula(0, 2600, 1);
    std::vector<uint16_t> source(SCREEN_PIXELS + 1);
    for (const int offset : {0, 1}) {
        std::copy(frame.begin(), frame.end(), source.begin() + offset);
        fill(0x1234);
        overlay->renderOver(source.data() + offset);
        for (int i = 0; i < SCREEN_PIXELS; i++)
            ASSERT_EQ(screen[i], brightened(frame[i], patterns[1][i], 162, 162))
                << "pixel " << i << " from offset " << offset;
    }
    fill(0);
    overlay->renderOnColour(0x1234);
    for (int i = 0; i < SCREEN_PIXELS; i++)
        ASSERT_EQ(screen[i], brightened(0x1234, patterns[1][i], 162, 162)) << "pixel " << i;
}

TEST_F(OverlayTest, SourceOnAlignedScreenFollowsTheFormula) {
    // From another picture onto the word-aligned screen, block by block:
    // blocks left as they are (so copied), written white and brightened,
    // with each frame's choice of tests, both pictures.
    ASSERT_EQ(reinterpret_cast<uintptr_t>(screen) & 3, 0u);
    const std::vector<uint16_t> source(frame);
    for (const uint32_t time : {1100u, 2000u, 3040u, 4400u}) {
        overlay->update(time);
        const int picture = overlay->pictureIndex;
        const int32_t S = static_cast<int32_t>(time >> 4);
        fill(0x1234);
        overlay->renderOver(source.data());
        for (int i = 0; i < SCREEN_PIXELS; i++)
            ASSERT_EQ(screen[i], brightened(frame[i], patterns[picture][i], S, S))
                << "pixel " << i << " at step " << S;
    }
}

TEST_F(OverlayTest, ChannelsSaturateOnTheirOwn) {
    // With tB - tR = 21 at step 75 the pattern value is 63 and the amount 10.
    std::vector<uint16_t> flat(SCREEN_PIXELS, 0x0015);
    testing_support::writePicture(dir.file("data/trans2.png"), SCREEN_WIDTH, SCREEN_HEIGHT, flat);
    overlay = construct();
    overlay->update(75 * 16);
    fill(0xF800);
    screen[1] = 0x07E0;
    screen[2] = 0x001F;
    screen[3] = 0x0000;
    overlay->render();
    EXPECT_EQ(screen[0], 0xF945); // red 31, green 10, blue 5
    EXPECT_EQ(screen[1], 0x2FE5);
    EXPECT_EQ(screen[2], 0x295F);
    EXPECT_EQ(screen[3], 0x2945);
}

TEST_F(OverlayTest, FinishedRunDrawsNothing) {
    overlay->update(6160);
    ASSERT_TRUE(overlay->isFinished());
    // Even with a phase that would brighten, a finished run leaves the frame.
    overlay->phase = 150;
    overlay->steps = 150;
    showFrame();
    overlay->render();
    EXPECT_TRUE(frameUnchanged());
}

TEST_F(OverlayTest, WrongSizedPatternIsReplaced) {
    std::vector<uint16_t> small(160 * 120, 0x1234);
    testing_support::writePicture(dir.file("data/trans2.png"), 160, 120, small);
    overlay = construct();
    EXPECT_EQ(overlay->pictures[1]->width, SCREEN_WIDTH);
    EXPECT_GE(overlay->pictures[1]->height, SCREEN_HEIGHT);
    overlay->update(2000);
    showFrame();
    overlay->render(); // reads the whole replacement, nothing beyond it
}

// The timeline restarts the overlay on the rising edge of its bit, and only
// when the previous run has finished. The sky-only stretch before 244000 ms
// needs no scenes besides the overlay.
TEST_F(OverlayTest, TimelineRestartsOnlyAFinishedRun) {
    Image sky(SCREEN_WIDTH, SCREEN_HEIGHT);
    const Show saved = theShow;
    theShow.transition = overlay.get();
    theShow.skyImage = &sky;
    startTicks = 0;

    auto frameAt = [](uint32_t time) {
        platform::setVirtualTicks(time);
        runFrame(demoClock());
    };
    sceneMask = 0;
    frameAt(243000); // mask 0x100: the overlay is off
    overlay->restart(242000);
    const int running = overlay->pictureIndex;
    frameAt(244001); // rising edge while the run still goes
    EXPECT_EQ(sceneMask, 0x101u);
    EXPECT_EQ(overlay->startTime, 242000u);
    EXPECT_EQ(overlay->pictureIndex, running);

    frameAt(243000);
    overlay->update(250000);
    ASSERT_TRUE(overlay->isFinished());
    const int finished = overlay->pictureIndex;
    frameAt(244001); // rising edge with the run finished
    EXPECT_EQ(overlay->startTime, 244001u);
    EXPECT_EQ(overlay->pictureIndex, (finished + 1) % TRANSITION_PICTURES);
    EXPECT_FALSE(overlay->isFinished());
    frameAt(244100); // no edge: the bit was already set
    EXPECT_EQ(overlay->startTime, 244001u);

    theShow = saved;
    sceneMask = 0;
    previousMask = 0;
}

} // namespace
