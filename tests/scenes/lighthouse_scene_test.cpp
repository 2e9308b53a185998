#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "core/pixel.h"
#include "scenes/lighthouse_scene.h"
#include "test_support.h"
#include "video/screen.h"

using testing_support::expectFramesEqual;
using testing_support::referenceBlend;
using testing_support::TempDir;
using testing_support::writePicture;

namespace {

typedef std::vector<uint16_t> Pixels;
typedef std::function<uint16_t(int)> PixelAt;

uint16_t scramble(uint32_t i, uint32_t salt) {
    uint32_t h = (i + 7) * 2246822519u ^ salt * 374761393u;
    return static_cast<uint16_t>((h ^ (h >> 13)) * 3266489917u >> 16);
}
int greenOfPixel(uint16_t p) {
    return (p >> 5) & 63;
}
uint16_t withGreen(uint16_t other, int green) {
    return static_cast<uint16_t>((other & 0xF81F) | (green << 5));
}

// Indices on either side of where the logo and the glow bands begin and end.
bool nearBandEnd(int i) {
    return i == 20195 || i == 20196 || i == 55962 || i == 55963;
}

struct LighthousePictures {
    PixelAt lighthouse = [](int i) { return scramble(i, 1); };
    PixelAt lamp = [](int i) { return scramble(i, 2); };
    // Level 124 at the band ends: logo and glow there at 52000 ms (level 125).
    PixelAt twirl = [](int i) { return nearBandEnd(i) ? withGreen(i, 31) : scramble(i, 3); };
    PixelAt spark = [](int i) { return scramble(i, 4); };
    PixelAt logo = [](int i) { return scramble(i, 5); };
    PixelAt alpha = [](int i) { return nearBandEnd(i) ? withGreen(i, 40) : scramble(i, 6); };
};

void writeAt(const std::string& path, int width, int height, const PixelAt& at) {
    Pixels pixels(width * height);
    for (int i = 0; i < width * height; i++)
        pixels[i] = at(i);
    writePicture(path, width, height, pixels);
}

// Builds the scene from synthetic pictures in a temporary data/ folder.
std::unique_ptr<LighthouseScene> makeScene(const LighthousePictures& p) {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    Screen::instance();
    TempDir dir;
    const std::string data = dir.file("data");
    mkdir(data.c_str(), 0755);
    writeAt(data + "/majakka.png", 320, 240, p.lighthouse);
    writeAt(data + "/majakka_light.png", 128, 130, p.lamp); // taller than needed is fine
    writeAt(data + "/map_twirl.png", 320, 240, p.twirl);
    writeAt(data + "/spark.png", 32, 32, p.spark);
    writeAt(data + "/quorvane_logo.png", 320, 240, p.logo);
    writeAt(data + "/quorvane_alpha.png", 320, 240, p.alpha);
    char previous[4096];
    EXPECT_TRUE(getcwd(previous, sizeof previous));
    EXPECT_EQ(chdir(dir.path().c_str()), 0);
    std::unique_ptr<LighthouseScene> scene(new LighthouseScene);
    EXPECT_EQ(chdir(previous), 0);
    return scene;
}

// Draws `count` values of the (re)seeded sequence and seeds it again, so the
// scene then draws exactly these values.
std::vector<int64_t> upcomingRandom(unsigned seed, int count) {
    const std::vector<int> values = testing_support::replayRand(seed, count);
    return std::vector<int64_t>(values.begin(), values.end());
}

int32_t levelAt(uint32_t now) {
    return now <= 50000 ? -1 : std::min<int32_t>((now - 50000) / 16, 255);
}

struct Spark {
    int x, y;
};

Pixels referenceFrame(const LighthousePictures& p, uint32_t now, const std::vector<Spark>& sparks) {
    Pixels frame(76800);
    for (int i = 0; i < 76800; i++)
        frame[i] = p.lighthouse(i);
    const int m = now % 2000;
    if (m < 50 || (m >= 100 && m < 400))
        for (int r = 0; r < 128; r++)
            for (int c = 0; c < 112; c++) {
                uint16_t& d = frame[(32 + r) * 320 + 208 + c];
                d = referenceBlend(0xFFFE, d, greenOfPixel(p.lamp(128 * r + c)) * 1024);
            }
    const int level = levelAt(now);
    if (level < 0) return frame;
    for (int i = 20196; i < 76800; i++)
        if (4 * greenOfPixel(p.twirl(i)) <= level)
            frame[i] = referenceBlend(p.logo(i), frame[i], greenOfPixel(p.alpha(i)) * 1024);
    if (level == 255) return frame;
    for (int i = 20196; i <= 55962; i++) {
        const int v = 4 * greenOfPixel(p.twirl(i));
        if (std::abs(v - level) >= 10 || greenOfPixel(p.alpha(i)) == 0) continue;
        const int b = v - level + 10;
        const int red = std::min(63, 2 * (frame[i] >> 11) + b) / 2;
        const int green = std::min(63, greenOfPixel(frame[i]) + b);
        const int blue = std::min(63, 2 * (frame[i] & 31) + b) / 2;
        frame[i] = packRgb565(red, green, blue);
    }
    for (const Spark& s : sparks)
        for (int j = 0; j < 32; j++)
            for (int k = 0; k < 32; k++) {
                const int index = 320 * (s.y - 16 + j) + s.x - 16 + k;
                if (index < 0 || index >= 76800) continue;
                const int w = greenOfPixel(p.spark(32 * j + k)) * 1024;
                frame[index] = referenceBlend(0xFF9B, frame[index], w);
            }
    return frame;
}

TEST(LighthouseSceneFrames, WholeFramesMatchTheFormulas) {
    const LighthousePictures pictures;
    std::unique_ptr<LighthouseScene> scene = makeScene(pictures);
    // Live sparks at the left edge (wrapping to the row above), the top, the
    // bottom and the top-left corner; slot 7 holds a dead one.
    const std::vector<Spark> live = {{5, 100}, {250, 0}, {200, 250}, {0, 0}, {128, 64}};
    const uint32_t times[] = {45000, 46120, 50000, 50001, 52000, 52345, 54079, 54080, 60000};
    for (uint32_t now : times) {
        upcomingRandom(3, 0);
        scene->update(now);
        std::fill(scene->sparkActive, scene->sparkActive + 100, false);
        for (size_t s = 0; s < live.size(); s++) {
            scene->sparkX[10 + s] = live[s].x;
            scene->sparkY[10 + s] = live[s].y;
            scene->sparkActive[10 + s] = true;
        }
        scene->sparkX[7] = 100;
        scene->sparkY[7] = 100;
        scene->render();
        expectFramesEqual(referenceFrame(pictures, now, live), Screen::instance()->pixels, now);
    }
}

TEST(LighthouseSceneUpdate, LampRhythmAndRevealLevel) {
    std::unique_ptr<LighthouseScene> scene = makeScene(LighthousePictures());
    EXPECT_FALSE(scene->lampOn);
    EXPECT_EQ(scene->nextSpark, 0);
    const std::pair<uint32_t, bool> lamp[] = {{49, true},  {50, false},  {99, false},   {100, true},
                                              {399, true}, {400, false}, {1999, false}, {0, true}};
    for (uint32_t period : {44000u, 52000u, 58000u})
        for (const auto& c : lamp) {
            scene->update(period + c.first);
            EXPECT_EQ(scene->lampOn, c.second) << "m = " << c.first << " at " << period;
        }
    const std::pair<uint32_t, int32_t> levels[] = {{43101, -1},  {50000, -1}, {50001, 0},
                                                   {50015, 0},   {50016, 1},  {54079, 254},
                                                   {54080, 255}, {65100, 255}};
    for (const auto& c : levels) {
        scene->update(c.first);
        EXPECT_EQ(scene->revealLevel, c.second) << c.first;
    }
}

// Twirl level 40 everywhere: a candidate is taken within 9 levels of it.
TEST(LighthouseSceneSparks, CandidatesWithinNineLevelsOfTheEdgeTakeRingSlots) {
    LighthousePictures pictures;
    pictures.twirl = [](int i) { return withGreen(scramble(i, 8), 10); };
    pictures.alpha = [](int i) { return withGreen(scramble(i, 9), 1 + i % 63); };
    const std::pair<uint32_t, bool> cases[] = {{50000 + 31 * 16, true},
                                               {50000 + 49 * 16, true},
                                               {50000 + 30 * 16, false},
                                               {50000 + 50 * 16, false}};
    for (const auto& c : cases) {
        std::unique_ptr<LighthouseScene> scene = makeScene(pictures);
        const std::vector<int64_t> values = upcomingRandom(11, 201);
        scene->update(c.first);
        EXPECT_EQ(rand(), values[200]) << "100 candidates, two values each";
        EXPECT_EQ(std::count(scene->sparkActive, scene->sparkActive + 100, true),
                  c.second ? 100 : 0)
            << "level " << scene->revealLevel;
    }
    // Every candidate taken: the ring wraps from slot 99 to 0.
    std::unique_ptr<LighthouseScene> scene = makeScene(pictures);
    scene->nextSpark = 99;
    const std::vector<int64_t> values = upcomingRandom(5, 4);
    scene->update(50000 + 40 * 16);
    EXPECT_EQ(scene->nextSpark, 99);
    EXPECT_EQ(scene->sparkX[99], (values[0] + 64) % 256);
    EXPECT_EQ(scene->sparkY[99], (values[1] + 96) % 128 + 10);
    EXPECT_EQ(scene->sparkX[0], (values[2] + 64) % 256);
    EXPECT_EQ(scene->sparkY[0], (values[3] + 96) % 128 + 10);

    // No logo opacity, no spark.
    pictures.alpha = [](int i) { return withGreen(scramble(i, 9), 0); };
    scene = makeScene(pictures);
    scene->update(50000 + 40 * 16);
    EXPECT_EQ(std::count(scene->sparkActive, scene->sparkActive + 100, true), 0);
}

// Spawning and falling against a step-by-step simulation of the sequence.
TEST(LighthouseSceneSparks, SpawnAndFallFollowTheSequence) {
    const LighthousePictures pictures;
    std::unique_ptr<LighthouseScene> scene = makeScene(pictures);
    int32_t x[100] = {}, y[100] = {};
    bool active[100] = {};
    int next = 97;
    scene->nextSpark = next;
    const int preset[][3] = {{40, 235, 1}, {41, 241, 1}, {42, 240, 1}, {43, 245, 1}, {44, 100, 0}};
    for (const auto& s : preset) {
        y[s[0]] = scene->sparkY[s[0]] = s[1];
        active[s[0]] = scene->sparkActive[s[0]] = s[2];
    }
    int taken = 0;
    for (uint32_t now = 50200; now < 50600; now += 37) {
        const int level = levelAt(now);
        const std::vector<int64_t> values = upcomingRandom(now, 200);
        for (int c = 0; c < 100; c++) {
            const int cx = (values[2 * c] + 64) % 256, cy = (values[2 * c + 1] + 96) % 128;
            const int v = 4 * greenOfPixel(pictures.twirl(320 * cy + cx));
            if (std::abs(v - level) >= 10 || greenOfPixel(pictures.alpha(320 * cy + cx)) == 0)
                continue;
            x[next] = cx, y[next] = cy, active[next] = true;
            next = (next + 1) % 100;
            taken++;
        }
        for (int s = 0; s < 100; s++)
            if (active[s] && (y[s] += 10) > 250) active[s] = false;
        scene->update(now);
        if (now == 50200) { // the presets fall once
            EXPECT_TRUE(scene->sparkActive[40]);
            EXPECT_EQ(scene->sparkY[40], 245);
            EXPECT_FALSE(scene->sparkActive[41]);
            EXPECT_TRUE(scene->sparkActive[42]);
            EXPECT_FALSE(scene->sparkActive[43]);
            EXPECT_EQ(scene->sparkY[43], 255);
            EXPECT_EQ(scene->sparkY[44], 100); // dead sparks do not move
        }
        ASSERT_EQ(scene->nextSpark, next) << now;
        for (int s = 0; s < 100; s++) {
            ASSERT_EQ(scene->sparkActive[s], active[s]) << "slot " << s << " at " << now;
            if (!active[s]) continue;
            EXPECT_EQ(scene->sparkX[s], x[s]) << "slot " << s << " at " << now;
            EXPECT_EQ(scene->sparkY[s], y[s]) << "slot " << s << " at " << now;
            EXPECT_GE(x[s], 0);
            EXPECT_LT(x[s], 256);
        }
    }
    EXPECT_GT(taken, 20); // the run must wrap the ring and exercise the test

    // The last level of the reveal still spawns.
    std::vector<int64_t> values = upcomingRandom(2, 201);
    scene->update(54079);
    EXPECT_EQ(rand(), values[200]);

    // Outside the reveal nothing is drawn from the sequence and nothing moves.
    const std::vector<bool> before(scene->sparkActive, scene->sparkActive + 100);
    const std::vector<int32_t> rows(scene->sparkY, scene->sparkY + 100);
    for (uint32_t now : {54080u, 50000u, 43200u}) {
        values = upcomingRandom(2, 1);
        scene->update(now);
        EXPECT_EQ(rand(), values[0]) << now;
        EXPECT_EQ(std::vector<bool>(scene->sparkActive, scene->sparkActive + 100), before);
        EXPECT_EQ(std::vector<int32_t>(scene->sparkY, scene->sparkY + 100), rows);
    }
}

} // namespace
