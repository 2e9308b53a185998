// Raindrops: starting, growing, sliding and touching drops, stamping their
// tiles into the displacement map and refracting the frame through it. The
// whole-run checks compare against a model and frames built here from the
// rules of the scene.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "core/pixel.h"
#include "scenes/raindrop_scene.h"
#include "test_support.h"
#include "video/screen.h"

using testing_support::blue;
using testing_support::green;
using testing_support::red;
using testing_support::TempDir;
using testing_support::writePicture;

namespace {

const uint16_t NEUTRAL = 0x7BE0;

uint16_t rgb(int r, int g, int b) {
    return packRgb565(r, g, b);
}
// A sheet of scattered displacement values, with neutral ones mixed in.
std::vector<uint16_t> syntheticSheet() {
    std::vector<uint16_t> sheet(256 * 256);
    for (uint32_t i = 0; i < sheet.size(); i++) {
        const uint32_t h = i * 2654435761u;
        sheet[i] = (h >> 29) == 0 ? NEUTRAL : static_cast<uint16_t>(h >> 16);
    }
    return sheet;
}

// The drops as the rules describe them, kept apart from the scene's code.
struct DropModel {
    int x[50] = {}, y[50] = {}, stage[50] = {}, speed[50] = {};
    bool live[50] = {};
    int next = 0;

    void update(uint32_t now, const std::vector<int>& draws, size_t& used) {
        if (!live[next]) {
            x[next] = draws[used++] % 280;
            y[next] = draws[used++] % 200;
            stage[next] = 0;
            live[next] = true;
            speed[next] = draws[used++] % 4 + 1;
        }
        next = (next + 1) % 50;
        for (int i = 0; i < 50; i++) {
            if (!live[i]) continue;
            if (now % 50 <= 24 && stage[i] <= 6) stage[i] += 1;
            if (stage[i] > 4) y[i] += speed[i];
            if (y[i] > 240) live[i] = false;
        }
        for (int i = 0; i < 50; i++)
            for (int j = 0; j < 50; j++)
                if (live[i] && live[j] && y[i] - 10 < y[j] && y[j] < y[i] + 10 &&
                    x[i] - 20 < x[j] && x[j] < x[i] + 20 && abs(speed[i] - speed[j]) > 1)
                    speed[i] = speed[j] = 5;
    }

    std::vector<uint16_t> map(const std::vector<uint16_t>& sheet) const {
        std::vector<uint16_t> m(76800, NEUTRAL);
        for (int i = 0; i < 50; i++)
            for (int j = 0; live[i] && j < 32; j++)
                for (int k = 0; k < 32; k++) {
                    const int t = x[i] + k + (y[i] + j) * 320;
                    if (t < 1 || t > 76799) continue;
                    const uint16_t d = sheet[stage[i] * 8192 + j * 256 + k];
                    m[t] = rgb(std::max(red(d), red(m[t])), std::max(green(d), green(m[t])), 0);
                }
        return m;
    }
};

// The refracted frame: every displaced pixel from 4 pixels per unit away,
// brightened by |dx + dy| (half of it in red and blue), each channel capped.
std::vector<uint16_t> refracted(const std::vector<uint16_t>& frame,
                                const std::vector<uint16_t>& map) {
    std::vector<uint16_t> out = frame;
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++) {
            const uint16_t m = map[y * 320 + x];
            const int dx = red(m) - 16, dy = green(m) / 2 - 16;
            if (dx == -1 || dy == -1) continue;
            const int u = (y + 4 * dy) * 320 + x + 4 * dx;
            if (u < 1 || u > 76799) continue;
            const uint16_t c = frame[u];
            const int b = abs(dx + dy);
            out[y * 320 + x] = rgb(std::min(31, red(c) + b / 2), std::min(63, green(c) + b),
                                   std::min(31, blue(c) + b / 2));
        }
    return out;
}

std::vector<uint16_t> screenFrame() {
    const uint16_t* p = Screen::instance()->pixels;
    return std::vector<uint16_t>(p, p + SCREEN_PIXELS);
}

void fillScreen(const std::vector<uint16_t>& frame) {
    std::copy(frame.begin(), frame.end(), Screen::instance()->pixels);
}

std::vector<uint16_t> patternFrame() {
    std::vector<uint16_t> frame(76800);
    for (int i = 0; i < 76800; i++)
        frame[i] = static_cast<uint16_t>(i * 40503u >> 3);
    return frame;
}

class RaindropTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Screen::instance();
        sheet = syntheticSheet();
        ASSERT_EQ(mkdir(dir.file("data").c_str(), 0755), 0);
        writePicture(dir.file("data/drops01.png"), 256, 256, sheet);
        scene = testing_support::constructIn<RaindropScene>(dir.path());
    }

    // Puts a live drop in `slot` and makes it the slot looked at next, so
    // that the next update starts no other drop.
    void place(int slot, int x, int y, int stage, int speed) {
        scene->dropActive[slot] = true;
        scene->dropX[slot] = x;
        scene->dropY[slot] = y;
        scene->dropStage[slot] = stage;
        scene->dropSpeed[slot] = speed;
        scene->dropColumn[slot] = 0;
        scene->nextSlot = slot;
    }

    TempDir dir;
    std::vector<uint16_t> sheet;
    std::unique_ptr<RaindropScene> scene;
};

TEST_F(RaindropTest, StartsOneDropPerUpdateDrawingColumnRowSpeed) {
    const std::vector<int> d = testing_support::replayRand(3, 8);
    scene->update(30); // second half of the period: no growth
    EXPECT_TRUE(scene->dropActive[0]);
    EXPECT_EQ(scene->dropX[0], d[0] % 280);
    EXPECT_EQ(scene->dropY[0], d[1] % 200);
    EXPECT_EQ(scene->dropSpeed[0], d[2] % 4 + 1);
    EXPECT_EQ(scene->dropStage[0], 0);
    EXPECT_EQ(scene->nextSlot, 1);
    EXPECT_FALSE(scene->dropActive[2]);
    scene->update(10); // first half: the new drop grows in its own update
    EXPECT_EQ(scene->dropX[1], d[3] % 280);
    EXPECT_EQ(scene->dropY[1], d[4] % 200);
    EXPECT_EQ(scene->dropSpeed[1], d[5] % 4 + 1);
    EXPECT_EQ(scene->dropStage[1], 1);
    EXPECT_EQ(scene->dropStage[0], 1);
    // A live slot starts nothing and draws nothing; the slot index wraps.
    scene->nextSlot = 49;
    scene->dropActive[49] = true;
    scene->dropY[49] = 0;
    scene->update(30);
    EXPECT_EQ(scene->nextSlot, 0);
    EXPECT_EQ(rand(), d[6]);
}

TEST_F(RaindropTest, GrowsInFirstHalfOfPeriodAndSlidesFromStageFive) {
    place(0, 100, 50, 0, 2);
    const uint32_t times[] = {24, 25, 49, 50, 74, 100, 101, 102, 103, 130, 150};
    const int stages[] = {1, 1, 1, 2, 3, 4, 5, 6, 7, 7, 7};
    const int rows[] = {50, 50, 50, 50, 50, 50, 52, 54, 56, 58, 60};
    for (int n = 0; n < 11; n++) {
        scene->nextSlot = 0;
        scene->update(times[n]);
        EXPECT_EQ(scene->dropStage[0], stages[n]) << "update at " << times[n];
        EXPECT_EQ(scene->dropY[0], rows[n]) << "update at " << times[n];
    }
}

TEST_F(RaindropTest, DropFromRow199AtSpeed1LeavesAfter42SlidingUpdates) {
    place(0, 10, 199, 5, 1);
    int updates = 0;
    while (scene->dropActive[0] && updates < 100) {
        EXPECT_EQ(scene->dropY[0], 199 + updates);
        scene->nextSlot = 0;
        scene->update(25 + 50 * updates); // no growth: stage stays 5
        updates++;
    }
    EXPECT_EQ(updates, 42);
    EXPECT_EQ(scene->dropY[0], 241);
}

TEST_F(RaindropTest, TouchingDropsWithClearlyDifferentSpeedsRunTogether) {
    struct Case {
        int dx, dy, speedA, speedB, expectA, expectB;
    } cases[] = {
        {19, 9, 1, 3, 5, 5},  {-19, -9, 3, 1, 5, 5}, {19, 9, 2, 3, 2, 3}, // difference 1
        {20, 9, 1, 3, 1, 3},  {19, 10, 1, 3, 1, 3},  {-20, 0, 4, 1, 4, 1},
        {0, -10, 1, 4, 1, 4}, {0, 0, 4, 4, 4, 4},
    };
    for (const Case& c : cases) {
        for (int s = 0; s < 50; s++)
            scene->dropActive[s] = false;
        place(1, 100 + c.dx, 100 + c.dy, 0, c.speedB);
        place(0, 100, 100, 0, c.speedA);
        scene->update(30); // still drops: positions stay put
        EXPECT_EQ(scene->dropSpeed[0], c.expectA) << c.dx << "," << c.dy;
        EXPECT_EQ(scene->dropSpeed[1], c.expectB) << c.dx << "," << c.dy;
    }
    // Pairs see earlier pairs' results: (0,1) makes 0 fast, after which 0
    // and 2 differ by 1 only, so 2 keeps its speed.
    for (int s = 0; s < 50; s++)
        scene->dropActive[s] = false;
    place(2, 105, 105, 0, 4);
    place(1, 110, 95, 0, 3);
    place(0, 100, 100, 0, 1);
    scene->update(30);
    EXPECT_EQ(scene->dropSpeed[0], 5);
    EXPECT_EQ(scene->dropSpeed[1], 5);
    EXPECT_EQ(scene->dropSpeed[2], 4);
}

TEST_F(RaindropTest, StampingKeepsLargerFieldsAndCutsOutsideTheMap) {
    // Slot 0 at the top-left corner (index 0 is never stamped), slot 1
    // overlapping it, slot 2 hanging below the bottom row.
    place(0, 0, 0, 3, 1);
    place(1, 10, 5, 6, 1);
    place(2, 279, 230, 7, 1);
    std::vector<uint16_t> map(76800, NEUTRAL);
    scene->stampDrops(map.data());
    DropModel model;
    for (int s : {0, 1, 2}) {
        model.live[s] = true;
        model.x[s] = scene->dropX[s];
        model.y[s] = scene->dropY[s];
        model.stage[s] = scene->dropStage[s];
    }
    EXPECT_EQ(map, model.map(sheet));
    EXPECT_EQ(map[0], NEUTRAL);
    // Spot checks of the rule itself where the tiles overlap.
    const uint16_t a = sheet[3 * 8192 + 10 * 256 + 20], b = sheet[6 * 8192 + 5 * 256 + 10];
    const uint16_t m = map[10 * 320 + 20];
    EXPECT_EQ(red(m), std::max({red(a), red(b), 15}));
    EXPECT_EQ(green(m), std::max({green(a), green(b), 31}));
    EXPECT_EQ(blue(m), 0);
}

TEST(RaindropRefraction, OffsetsNeutralEdgesAndLargest) {
    const std::vector<uint16_t> copy = patternFrame();
    std::vector<uint16_t> map(76800, NEUTRAL), screen(76800, 0x1234);
    auto set = [&](int x, int y, int r, int g) { map[y * 320 + x] = rgb(r, g, 0); };
    set(5, 5, 15, 0); // dx = -1: unchanged whatever the green
    set(6, 5, 15, 63);
    set(7, 5, 31, 30); // dy = -1 from green 30 and 31
    set(8, 5, 0, 31);
    set(10, 20, 31, 63); // dx = dy = 15: 60 right, 60 down, +15/+30/+15
    set(310, 5, 19, 32); // dx = 3 runs past the right edge into row 6
    set(8, 0, 14, 32);   // reads index 0, which is outside 1..76799
    set(0, 239, 16, 63); // 60 rows below the screen
    std::vector<uint16_t> frameCopy = copy;
    frameCopy[80 * 320 + 70] = rgb(10, 20, 30);
    RaindropScene::refract(frameCopy.data(), map.data(), screen.data());
    for (int x : {5, 6, 7, 8})
        EXPECT_EQ(screen[5 * 320 + x], 0x1234) << x;
    EXPECT_EQ(screen[8], 0x1234);
    EXPECT_EQ(screen[239 * 320], 0x1234);
    EXPECT_EQ(screen[20 * 320 + 10], rgb(25, 50, 31));
    const uint16_t wrapped = copy[6 * 320 + 2];
    EXPECT_EQ(screen[5 * 320 + 310],
              rgb(std::min(31, red(wrapped) + 1), std::min(63, green(wrapped) + 3),
                  std::min(31, blue(wrapped) + 1)));
    EXPECT_EQ(std::count(screen.begin(), screen.end(), 0x1234), 76800 - 2);
}

TEST_F(RaindropTest, WholeRunMatchesModelAndRefractedFrames) {
    const std::vector<uint16_t> background = patternFrame();
    fillScreen(background);
    scene->render(); // no live drop yet
    EXPECT_EQ(screenFrame(), background);

    const std::vector<int> draws = testing_support::replayRand(11, 3 * 400 + 1);
    size_t used = 0;
    DropModel model;
    for (int n = 0; n < 400; n++) {
        const uint32_t now = 65101 + 17 * n; // both halves of the period
        scene->update(now);
        model.update(now, draws, used);
        for (int s = 0; s < 50; s++) {
            ASSERT_EQ(scene->dropActive[s], model.live[s]) << n << " " << s;
            if (!model.live[s]) continue;
            ASSERT_EQ(scene->dropX[s], model.x[s]);
            ASSERT_EQ(scene->dropY[s], model.y[s]);
            ASSERT_EQ(scene->dropStage[s], model.stage[s]);
            ASSERT_EQ(scene->dropSpeed[s], model.speed[s]) << n << " " << s;
        }
        if (n % 40 == 39) {
            fillScreen(background);
            scene->render();
            ASSERT_EQ(screenFrame(), refracted(background, model.map(sheet))) << "update " << n;
        }
    }
    EXPECT_EQ(rand(), draws[used]); // render draws nothing
}

TEST_F(RaindropTest, CornerDropAndDropPastTheLastColumnMatchTheModel) {
    // A tile whose first value displaces, at the top-left corner: index 0
    // stays out of the map. Then a tile past column 288, whose rows run on
    // into the next screen row.
    int stage = 0;
    while (stage < 8 && (sheet[stage * 8192] & 0x8400) != 0x8400)
        stage++;
    ASSERT_LT(stage, 8);
    const std::vector<uint16_t> background = patternFrame();
    for (const int x : {0, 300}) {
        for (int s = 0; s < 50; s++)
            scene->dropActive[s] = false;
        place(0, x, 0, stage, 1);
        DropModel model;
        model.live[0] = true;
        model.x[0] = x;
        model.stage[0] = stage;
        fillScreen(background);
        scene->render();
        EXPECT_EQ(screenFrame(), refracted(background, model.map(sheet))) << x;
    }
}

TEST(RaindropAssets, MissingSheetLeavesTheFrameAlone) {
    TempDir empty;
    std::unique_ptr<RaindropScene> scene =
        testing_support::constructIn<RaindropScene>(empty.path());
    const std::vector<uint16_t> background = patternFrame();
    fillScreen(background);
    for (int n = 0; n < 60; n++)
        scene->update(n * 10);
    scene->render(); // black tiles are never larger than the neutral value
    EXPECT_EQ(screenFrame(), background);
}

} // namespace
