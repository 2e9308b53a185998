#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "core/trig_tables.h"
#include "scenes/feather_scene.h"
#include "test_support.h"
#include "video/screen.h"

using testing_support::expectFramesEqual;
using testing_support::referenceBlend;
using testing_support::TempDir;
using testing_support::writePicture;

namespace {

typedef std::vector<uint16_t> Pixels;
typedef std::function<uint16_t(int)> PixelAt;

Pixels makePixels(int count, const PixelAt& at) {
    Pixels pixels(count);
    for (int i = 0; i < count; i++)
        pixels[i] = at(i);
    return pixels;
}

// A scrambled but fixed pattern covering every bit.
uint16_t noise(uint32_t i, uint32_t salt) {
    uint32_t h = (i + 1) * 2654435761u ^ salt * 40503u;
    return static_cast<uint16_t>((h ^ (h >> 15)) * 2246822519u >> 16);
}

// An opacity picture: the green field carries `opacity`, the other bits noise
// that must be ignored.
uint16_t withGreen(uint16_t other, uint32_t opacity) {
    return static_cast<uint16_t>((other & 0xF81F) | (opacity << 5));
}

struct FeatherPictures {
    PixelAt background = [](int i) { return noise(i, 1); };
    PixelAt feather = [](int i) { return noise(i, 2); };
    PixelAt featherAlpha = [](int i) { return noise(i, 3); };
    PixelAt fruit = [](int i) { return noise(i, 4); };
    PixelAt fruitOpacity = [](int i) { return noise(i, 5); };
};

// Builds the scene from synthetic pictures in a temporary data/ folder.
std::unique_ptr<FeatherScene> makeScene(const FeatherPictures& p, Pixels* background = nullptr) {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    Screen::instance();
    buildTrigTables();
    TempDir dir;
    const std::string data = dir.file("data");
    mkdir(data.c_str(), 0755);
    const Pixels bg = makePixels(76800, p.background);
    writePicture(data + "/bg3.png", 320, 240, bg);
    writePicture(data + "/feather.png", 128, 128, makePixels(16384, p.feather));
    writePicture(data + "/feather_alpha.png", 128, 128, makePixels(16384, p.featherAlpha));
    writePicture(data + "/hedelmae.png", 320, 240, makePixels(76800, p.fruit));
    writePicture(data + "/hedelmae_opac.png", 320, 240, makePixels(76800, p.fruitOpacity));
    if (background) *background = bg;
    char previous[4096];
    EXPECT_TRUE(getcwd(previous, sizeof previous));
    EXPECT_EQ(chdir(dir.path().c_str()), 0);
    std::unique_ptr<FeatherScene> scene(new FeatherScene);
    EXPECT_EQ(chdir(previous), 0);
    return scene;
}

Pixels renderAt(FeatherScene& scene, uint32_t now) {
    scene.update(now);
    scene.render();
    const uint16_t* screen = Screen::instance()->pixels;
    return Pixels(screen, screen + SCREEN_PIXELS);
}

// The whole frame as the scene must draw it, straight from the formulas:
// products per pixel, the screen index test as stated, the fade by time.
Pixels referenceFrame(const FeatherPictures& p, uint32_t now) {
    Pixels frame = makePixels(76800, p.background);
    const int32_t featherY = static_cast<int32_t>(now / 256) - 100;
    const int32_t featherX = (50 * SineTable[(now * 8 + 32000) % 65536]) >> 16;
    const int32_t r = (40000 + (SineTable[(now * 8) % 65536] >> 3)) % 65536;
    const int32_t cs = CosineTable[r], sn = SineTable[r];
    for (int i = 0; i < 128; i++)
        for (int j = 0; j < 128; j++) {
            const int dx = j - 64, dy = i - 64;
            const int tx = ((dx * cs + dy * sn) >> 16) + 64;
            const int ty = ((dy * cs - dx * sn) >> 16) + 64;
            if (tx < 0 || tx > 127 || ty < 0 || ty > 127) continue;
            const int index = (featherY + 56 + i) * 320 + featherX + 97 + j;
            if (index <= 0 || index >= 76800) continue;
            const int a = (p.featherAlpha(ty * 128 + tx) >> 5) & 63;
            const uint16_t c = p.feather(ty * 128 + tx);
            frame[index] = a == 63 ? c : referenceBlend(c, frame[index], a * 1024);
        }
    if (now <= 16000) return frame;
    const int64_t fade = std::max<int64_t>(0, 4161536 - 256 * int64_t(now));
    for (int k = 25971; k <= 49554; k++) {
        const int64_t w = std::max<int64_t>(0, ((p.fruitOpacity(k) >> 5) & 63) * 1024 - fade);
        frame[k] = referenceBlend(p.fruit(k), frame[k], w);
    }
    return frame;
}

TEST(FeatherSceneFrames, WholeFramesMatchTheFormulas) {
    const FeatherPictures pictures;
    std::unique_ptr<FeatherScene> scene = makeScene(pictures);
    // Top rows cut, mid-show, fruit off/just on/fading/full, bottom rows cut.
    for (uint32_t now : {3151u, 10000u, 16000u, 16003u, 16100u, 16256u, 30000u, 43100u})
        expectFramesEqual(referenceFrame(pictures, now), renderAt(*scene, now).data(), now);
}

// With a fully opaque feather of one colour, the centre column shows exactly
// which screen rows the feather reaches.
TEST(FeatherSceneFrames, RowsOffTheScreenAreCutWithoutWrapping) {
    FeatherPictures pictures;
    pictures.background = [](int) { return uint16_t(0x0000); };
    pictures.feather = [](int) { return uint16_t(0x1234); };
    pictures.featherAlpha = [](int i) { return withGreen(noise(i, 9), 63); };
    pictures.fruitOpacity = [](int) { return uint16_t(0); };
    std::unique_ptr<FeatherScene> scene = makeScene(pictures);

    Pixels frame = renderAt(*scene, 3151);
    EXPECT_EQ(scene->featherY, -88);
    int centre = scene->featherX + 161;
    for (int row = 0; row < 240; row++)
        EXPECT_EQ(frame[row * 320 + centre], row < 96 ? 0x1234 : 0) << "row " << row;

    frame = renderAt(*scene, 43100);
    EXPECT_EQ(scene->featherY, 68);
    centre = scene->featherX + 161;
    for (int row = 0; row < 240; row++)
        EXPECT_EQ(frame[row * 320 + centre], row >= 124 ? 0x1234 : 0) << "row " << row;
}

TEST(FeatherSceneFrames, OpacityCopiesBlendsOrLeavesThePixel) {
    // White feather over black: 63 copies, 62 gives (30, 61, 30), 0 nothing.
    const std::pair<uint32_t, uint16_t> cases[] = {{63, 0xFFFF}, {62, 0xF7BE}, {0, 0x0000}};
    for (const auto& c : cases) {
        FeatherPictures pictures;
        pictures.background = [](int) { return uint16_t(0); };
        pictures.feather = [](int) { return uint16_t(0xFFFF); };
        const uint32_t opacity = c.first;
        pictures.featherAlpha = [opacity](int i) { return withGreen(noise(i, 7), opacity); };
        std::unique_ptr<FeatherScene> scene = makeScene(pictures);
        const Pixels frame = renderAt(*scene, 10000);
        EXPECT_EQ(frame[(scene->featherY + 120) * 320 + scene->featherX + 161], c.second)
            << "opacity " << opacity;
    }
}

TEST(FeatherSceneFruit, FadesInOverItsFixedStretch) {
    FeatherPictures pictures;
    pictures.background = [](int) { return uint16_t(0); };
    pictures.featherAlpha = [](int) { return uint16_t(0); };
    pictures.fruit = [](int) { return uint16_t(0xFFFF); };
    pictures.fruitOpacity = [](int i) { return withGreen(noise(i, 6), 63); };
    std::unique_ptr<FeatherScene> scene = makeScene(pictures);

    Pixels frame = renderAt(*scene, 16000);
    EXPECT_FALSE(scene->fruitVisible);
    EXPECT_EQ(std::count(frame.begin(), frame.end(), 0), 76800);

    const int32_t fades[] = {65280, 65024, 64768, 64512};
    for (uint32_t now = 16001; now <= 16004; now++) {
        frame = renderAt(*scene, now);
        EXPECT_TRUE(scene->fruitVisible);
        EXPECT_EQ(scene->fruitFade, fades[now - 16001]);
        EXPECT_EQ(std::count(frame.begin(), frame.end(), 0), 76800) << now;
    }

    // Weight 64512 - 39936 = 24576 gives (11, 23, 11); the full 64512 (30, 62, 30).
    const std::pair<uint32_t, uint16_t> stages[] = {{16100, 0x5AEB}, {16256, 0xF7DE}};
    for (const auto& stage : stages) {
        frame = renderAt(*scene, stage.first);
        EXPECT_EQ(frame[25970], 0);
        EXPECT_EQ(frame[25971], stage.second);
        EXPECT_EQ(frame[100 * 320], stage.second); // whole rows in between
        EXPECT_EQ(frame[49554], stage.second);
        EXPECT_EQ(frame[49555], 0);
        EXPECT_EQ(std::count(frame.begin(), frame.end(), stage.second), 49554 - 25971 + 1);
    }
    EXPECT_EQ(scene->fruitFade, 0);
    renderAt(*scene, 40000);
    EXPECT_EQ(scene->fruitFade, 0);

    // Back at or before 16000 the fruit is hidden but its fade is kept.
    scene->update(16100);
    scene->update(15000);
    EXPECT_FALSE(scene->fruitVisible);
    EXPECT_EQ(scene->fruitFade, 39936);
}

} // namespace
