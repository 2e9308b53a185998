// The line background: the picture, then 150 clipped vertical lines placed by
// two random draws each, checked against frames built here from the rules.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "scenes/line_background_scene.h"
#include "test_support.h"
#include "video/screen.h"

using testing_support::TempDir;
using testing_support::writePicture;

namespace {

const uint16_t LINE = 0xEF7F;

struct Line {
    int x, y;
};

class LineBackgroundTest : public ::testing::Test {
  protected:
    void SetUp() override {
        screen = Screen::instance();
        background.resize(SCREEN_PIXELS);
        for (int i = 0; i < SCREEN_PIXELS; i++)
            background[i] = static_cast<uint16_t>((i * 37) % 0xE000); // never the line colour
        ASSERT_EQ(mkdir(dir.file("data").c_str(), 0755), 0);
        writePicture(dir.file("data/bg2.png"), SCREEN_WIDTH, SCREEN_HEIGHT, background);
        scene = testing_support::constructIn<LineBackgroundScene>(dir.path());
    }

    // The lines of one frame from its 300 draws, column first.
    static std::vector<Line> linesOf(const std::vector<int>& draws, int frame) {
        std::vector<Line> lines;
        for (int l = 0; l < 150; l++)
            lines.push_back(
                {draws[frame * 300 + 2 * l] % 319, draws[frame * 300 + 2 * l + 1] % 229});
        return lines;
    }

    // Background, then each line's 11 pixels in rows 1..238 and columns
    // 1..318 only.
    std::vector<uint16_t> expectedFrame(const std::vector<Line>& lines) const {
        std::vector<uint16_t> frame = background;
        for (const Line& line : lines)
            for (int row = line.y; row <= line.y + 10; row++)
                if (line.x >= 1 && line.x <= 318 && row >= 1 && row <= 238)
                    frame[row * 320 + line.x] = LINE;
        return frame;
    }

    uint16_t at(int x, int y) const { return screen->pixels[y * 320 + x]; }

    TempDir dir;
    Screen* screen = nullptr;
    std::vector<uint16_t> background;
    std::unique_ptr<LineBackgroundScene> scene;
};

TEST_F(LineBackgroundTest, UpdateDrawsNoRandomNumbers) {
    const std::vector<int> draws = testing_support::replayRand(7, 1);
    for (uint32_t t = 65101; t < 65200; t += 13)
        scene->update(t);
    EXPECT_EQ(rand(), draws[0]);
}

TEST_F(LineBackgroundTest, FramesMatchPictureAndClippedLines) {
    const int frames = 20;
    const std::vector<int> draws = testing_support::replayRand(1, frames * 300 + 1);
    int fromRow228 = 0, atColumn0 = 0, fromRow0 = 0;
    for (int f = 0; f < frames; f++) {
        scene->update(65101 + 16 * f);
        scene->render();
        const std::vector<Line> lines = linesOf(draws, f);
        const std::vector<uint16_t> expected = expectedFrame(lines);
        ASSERT_EQ(std::vector<uint16_t>(screen->pixels, screen->pixels + SCREEN_PIXELS), expected)
            << "frame " << f;
        for (const Line& line : lines) {
            if (line.y == 228 && line.x > 0) {
                fromRow228++; // drawn whole down to row 238, row 239 untouched
                for (int row = 228; row <= 238; row++)
                    EXPECT_EQ(at(line.x, row), LINE);
                EXPECT_EQ(at(line.x, 239), background[239 * 320 + line.x]);
            }
            if (line.x == 0) atColumn0++;
            if (line.y == 0 && line.x > 0) {
                fromRow0++; // loses its top pixel only
                EXPECT_EQ(at(line.x, 0), background[line.x]);
                for (int row = 1; row <= 10; row++)
                    EXPECT_EQ(at(line.x, row), LINE);
            }
        }
        for (int row = 0; row < 240; row++)
            ASSERT_EQ(at(0, row), background[row * 320]) << "column 0 is never drawn";
    }
    // Exactly 300 draws per frame: the next number is the one after them.
    EXPECT_EQ(rand(), draws[frames * 300]);
    // The sequence did put lines on each clipping edge.
    EXPECT_GT(fromRow228, 0);
    EXPECT_GT(atColumn0, 0);
    EXPECT_GT(fromRow0, 0);
}

TEST(LineBackgroundAssets, MissingPictureGivesBlackBackground) {
    TempDir empty;
    Screen* screen = Screen::instance();
    std::unique_ptr<LineBackgroundScene> scene =
        testing_support::constructIn<LineBackgroundScene>(empty.path());
    scene->render();
    for (int i = 0; i < SCREEN_PIXELS; i++)
        ASSERT_TRUE(screen->pixels[i] == 0 || screen->pixels[i] == LINE) << i;
    EXPECT_EQ(screen->pixels[0], 0);
}

} // namespace
