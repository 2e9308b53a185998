#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>

#include "cloud_world.h"
#include "core/trig_tables.h"
#include "render3d/mesh.h"
#include "scenes/dragonfly_scene.h"
#include "video/image.h"
#include "video/screen.h"

using namespace scene_world;

namespace {

uint16_t backgroundPixel(int i) {
    return static_cast<uint16_t>((i * 40503u) >> 3);
}
uint16_t greenPixel(int green) {
    return static_cast<uint16_t>(0x8010 | green << 5);
}

// What the synthetic pictures hold; by default the wings and the body are
// fully transparent, so that a frame shows only what a test looks at.
struct DragonflyPictures {
    int wingHeight = 100;
    std::function<uint16_t(int frame, int row, int column)> wing = [](int, int, int) {
        return greenPixel(63);
    };
    std::function<uint16_t(int i)> bodyOpacity = [](int) { return greenPixel(0); };
    std::function<uint16_t(int i)> flower = [](int i) { return static_cast<uint16_t>(i * 7919); };
};

uint16_t bodyPixel(int i) {
    return static_cast<uint16_t>(0x1000 + i * 37);
}
uint16_t creditsPixel(int i) {
    return static_cast<uint16_t>(i * 2246822519u >> 11);
}
int creditsOpacity(int i) {
    return (i * 7 + (i >> 8)) % 64;
}

class DragonflyWorld {
  public:
    explicit DragonflyWorld(const DragonflyPictures& pictures = DragonflyPictures()) {
        buildTrigTables();
        Screen::instance();
        // A flower of zero-area faces only: it never covers a pixel.
        data.mesh("kukka.ase", {{0, 0, 0}, {40, 0, 0}, {0, 0, 40}}, {}, 121);
        std::vector<uint16_t> background(76800), body(32 * 84), bodyOpacity(32 * 84);
        for (int i = 0; i < 76800; i++)
            background[i] = backgroundPixel(i);
        data.picture("bg.png", 320, 240, background);
        for (int i = 0; i < 32 * 84; i++) {
            body[i] = bodyPixel(i);
            bodyOpacity[i] = pictures.bodyOpacity(i);
        }
        data.picture("dragonfly.png", 32, 84, body);
        data.picture("dragonfly_opac.png", 32, 84, bodyOpacity);
        for (int f = 0; f < 3; f++) {
            std::vector<uint16_t> wing(192 * pictures.wingHeight);
            for (size_t i = 0; i < wing.size(); i++)
                wing[i] = pictures.wing(f, static_cast<int>(i) / 192, static_cast<int>(i) % 192);
            data.picture("df_wing" + std::to_string(f + 1) + ".png", 192, pictures.wingHeight,
                         wing);
        }
        std::vector<uint16_t> credits(256 * 176), opacity(256 * 176);
        for (int i = 0; i < 256 * 176; i++) {
            credits[i] = creditsPixel(i);
            opacity[i] = greenPixel(creditsOpacity(i));
        }
        data.picture("credits.png", 256, 176, credits);
        data.picture("credits_opac.png", 256, 176, opacity);
        std::vector<uint16_t> flower(65536);
        for (int i = 0; i < 65536; i++)
            flower[i] = pictures.flower(i);
        data.picture("kukka.png", 256, 256, flower);
        InDirectory in(data.path());
        scene.reset(new DragonflyScene);
    }
    DataFolder data;
    std::unique_ptr<DragonflyScene> scene;
};

std::vector<uint16_t> backgroundFrame() {
    std::vector<uint16_t> frame(76800);
    for (int i = 0; i < 76800; i++)
        frame[i] = backgroundPixel(i);
    return frame;
}

int firstDifference(const std::vector<uint16_t>& a, const uint16_t* b) {
    for (size_t i = 0; i < a.size(); i++)
        if (a[i] != b[i]) return static_cast<int>(i);
    return -1;
}

void centre(uint32_t now, int& cx, int& cy) {
    const int a = (8 * now) % 65536;
    cx = 160 + ((20 * SineTable[a]) >> 16);
    cy = 170 + ((20 * CosineTable[a]) >> 16);
}

// The background with one wing frame blended in where the picture is dark
// enough; the picture's last row and rows off the screen are left out.
std::vector<uint16_t> frameWithWings(const DragonflyPictures& pictures, int frame, int cx, int cy) {
    const int lifts[3] = {60, 40, 10};
    std::vector<uint16_t> expected = backgroundFrame();
    const int top = cy - pictures.wingHeight / 2 - lifts[frame];
    for (int i = 0; i < pictures.wingHeight - 1; i++) {
        if (top + i < 0 || top + i > 239) continue;
        for (int j = 0; j < 192; j++) {
            const uint16_t p = pictures.wing(frame, i, j);
            const int o = 63 - ((p >> 5) & 63);
            if (o <= 10) continue;
            uint16_t& target = expected[(top + i) * 320 + cx + j - 95];
            target = referenceBlend(p, target, o);
        }
    }
    return expected;
}

} // namespace

TEST(DragonflyScene, ConstructionDrawsThirtySixRandomNumbersForTheFlowerHeights) {
    const int32_t heights[10] = {-196608, -190054, -183500, -176947, -170393,
                                 -163840, -157286, -150732, -144179, -137625};
    srand(4242);
    std::vector<int> expected(37);
    for (int& value : expected)
        value = rand();
    srand(4242);
    DragonflyWorld world;
    EXPECT_EQ(rand(), expected[36]); // exactly 36 were drawn
    const int32_t xs[12] = {-6, -10, -1, 4, 3, -5, 6, -8, -1, -3, 2, 7};
    const int32_t depths[12] = {3, 6, 5, 3, 8, 10, 11, 12, 13, 18, 17, 15};
    for (int k = 0; k < 12; k++) {
        EXPECT_EQ(world.scene->flowerZ[k], heights[expected[3 * k + 2] % 10]) << k;
        EXPECT_EQ(world.scene->flowerX[k], xs[k] * 65536);
        EXPECT_EQ(world.scene->flowerDepth[k], depths[k] * 65536);
    }
    EXPECT_EQ(world.scene->flower->focalLength, 250 * 65536);
    EXPECT_EQ(world.scene->lastTime, -1);
}

TEST(DragonflyScene, HazedTexturesMixTheFlowerTowardsTheHaze) {
    DragonflyPictures pictures;
    pictures.flower = [](int i) { return i == 0 ? 0xFFFF : static_cast<uint16_t>(i * 7919); };
    DragonflyWorld world(pictures);
    Image* const* textures = world.scene->flowerTextures;
    auto channels = [](uint16_t p) { return std::array<int, 3>{p >> 11, (p >> 5) & 63, p & 31}; };
    // A white pixel: floors of 30.75, 62.5, 30.5 / 30.5, 62, 30 / 30.25, 61.5, 29.5.
    EXPECT_EQ(channels(textures[1]->pixels[0]), (std::array<int, 3>{30, 62, 30}));
    EXPECT_EQ(channels(textures[2]->pixels[0]), (std::array<int, 3>{30, 62, 30}));
    EXPECT_EQ(channels(textures[3]->pixels[0]), (std::array<int, 3>{30, 61, 29}));
    const int haze[3] = {30, 61, 29};
    const double own[3] = {0.75, 0.5, 0.25};
    for (int i = 0; i < 65536; i += 17) {
        const std::array<int, 3> plain = channels(textures[0]->pixels[i]);
        for (int t = 0; t < 3; t++) {
            const std::array<int, 3> mixed = channels(textures[t + 1]->pixels[i]);
            for (int c = 0; c < 3; c++)
                ASSERT_EQ(mixed[c],
                          static_cast<int>(std::floor(own[t] * plain[c] + (1 - own[t]) * haze[c])))
                    << "pixel " << i << " texture " << t + 1 << " channel " << c;
        }
        ASSERT_EQ(textures[4]->pixels[i], 0xF7BD);
    }
}

TEST(DragonflyScene, FlowersComeNearerWithTimeAndStartAgainFarAway) {
    DragonflyWorld world;
    DragonflyScene& scene = *world.scene;
    scene.update(190000); // the first update moves nothing
    EXPECT_EQ(scene.wingFrame, 1);
    EXPECT_EQ(scene.flowerDepth[0], 3 * 65536);
    EXPECT_EQ(scene.lastTime, 190000);

    scene.flowerDepth[0] = 0x24000;  // 2.25
    scene.flowerDepth[1] = 0x140000; // 20.0
    scene.update(190064);            // 0.25 nearer
    EXPECT_EQ(scene.wingFrame, 2);
    EXPECT_EQ(scene.flowerDepth[0], 0x20000);
    EXPECT_EQ(scene.flowerDepth[1], 0x140000 - 0x4000);
    EXPECT_EQ(scene.flowerDepth[2], 5 * 65536 - 0x4000);
    scene.flowerDepth[0] = 0x24000;
    scene.update(190064 + 128); // 0.5 nearer: below 2.0, so back to 20.0
    EXPECT_EQ(scene.wingFrame, 0);
    EXPECT_EQ(scene.flowerDepth[0], 0x140000);
    // A flower at 20.0 that does not move stays there (20.0 rem 20.0 is 0).
    scene.flowerDepth[0] = 0x140000;
    scene.update(190064 + 128);
    EXPECT_EQ(scene.flowerDepth[0], 0x140000);

    // The texture follows the distance at the time of drawing.
    const std::pair<int32_t, int> choices[] = {{0xFFD70, 0},  {0x100000, 1}, {0x128000, 3},
                                               {0x140000, 4}, {0x20000, 0},  {0x10FFFF, 1},
                                               {0x11FFFF, 2}};
    for (const auto& choice : choices) {
        scene.flowerDepth[11] = choice.first;
        scene.render();
        EXPECT_EQ(scene.flower->texture, scene.flowerTextures[choice.second]) << choice.first;
        EXPECT_EQ(scene.flower->envMap, scene.flowerTextures[0]);
    }
}

TEST(DragonflyScene, CreditsStayOffScreenBefore200000AndAreClippedPerRowAndColumn) {
    DragonflyWorld world;
    DragonflyScene& scene = *world.scene;
    const std::vector<uint16_t> background = backgroundFrame();
    scene.update(199999);
    EXPECT_EQ(scene.creditsX[0], 67108863 - 260);
    EXPECT_EQ(scene.creditsX[1], 400 - 67108863);
    scene.render();
    EXPECT_EQ(firstDifference(background, Screen::instance()->pixels), -1);
    scene.update(200000);
    EXPECT_EQ(scene.creditsX[0], -260);
    EXPECT_EQ(scene.creditsX[1], 400);
    EXPECT_EQ(scene.creditsX[2], -400);
    EXPECT_EQ(scene.creditsBob[0], (SineTable[(10 * 200000) % 65536] * 10) >> 16);
    scene.render();
    EXPECT_EQ(firstDifference(background, Screen::instance()->pixels), -1);
    scene.update(200000 + 64 * 100);
    EXPECT_EQ(scene.creditsX[0], -160);

    // Bands reaching over every edge of the screen.
    const int32_t xs[3] = {-50, 250, 100}, bobs[3] = {-30, 125, 3};
    const int widths[3] = {180, 130, 110}, firstRows[3] = {0, 66, 126}, endRows[3] = {56, 118, 176};
    const int tops[3] = {20, 90, 40};
    std::vector<uint16_t> expected = background;
    for (int b = 0; b < 3; b++) {
        scene.creditsX[b] = xs[b];
        scene.creditsBob[b] = bobs[b];
        for (int j = firstRows[b]; j < endRows[b]; j++)
            for (int h = 0; h < widths[b]; h++) {
                const int row = bobs[b] + tops[b] + j - firstRows[b], column = xs[b] + h;
                if (row < 0 || row > 239 || column < 0 || column > 319) continue;
                uint16_t& target = expected[row * 320 + column];
                const int o = creditsOpacity(256 * j + h);
                target = o == 63 ? creditsPixel(256 * j + h)
                                 : referenceBlend(creditsPixel(256 * j + h), target, o);
            }
    }
    scene.render();
    EXPECT_EQ(firstDifference(expected, Screen::instance()->pixels), -1);
}

TEST(DragonflyScene, WingsDrawDarkPixelsAndTheBodyItsOpacity) {
    DragonflyPictures pictures;
    pictures.wingHeight = 90;
    // Greens 52 (opacity 11) and 53 (skipped) side by side, some opaque black.
    pictures.wing = [](int frame, int row, int column) {
        if (column % 3 == 0) return greenPixel(52);
        if (column % 3 == 1) return greenPixel(53);
        return (row + frame) % 5 == 0 ? uint16_t(0) : greenPixel(63);
    };
    pictures.bodyOpacity = [](int i) { return greenPixel(i % 5 == 0 ? 63 : (i * 11) % 64); };
    DragonflyWorld world(pictures);
    DragonflyScene& scene = *world.scene;
    const uint32_t now = 201234;
    scene.update(now);
    scene.creditsX[0] = scene.creditsX[1] = scene.creditsX[2] = 5000; // out of the way
    scene.render();

    int cx, cy;
    centre(now, cx, cy);
    std::vector<uint16_t> expected = frameWithWings(pictures, 1, cx, cy);
    for (int i = 0; i < 84; i++)
        for (int j = 0; j < 32; j++) {
            const int o = (pictures.bodyOpacity(32 * i + j) >> 5) & 63;
            uint16_t& target = expected[(cy - 42 + i) * 320 + cx - 16 + j];
            if (o == 63)
                target = bodyPixel(32 * i + j);
            else if (o > 0)
                target = referenceBlend(bodyPixel(32 * i + j), target, o);
        }
    EXPECT_EQ(firstDifference(expected, Screen::instance()->pixels), -1);
    // Opacity 11 really blends (the background differs from the wing).
    const int i = (cy - 45 - 40) * 320 + cx - 95;
    EXPECT_EQ(Screen::instance()->pixels[i],
              referenceBlend(greenPixel(52), backgroundPixel(i), 11));
    EXPECT_EQ(Screen::instance()->pixels[i + 1], backgroundPixel(i + 1));
}

TEST(DragonflyScene, WingsTallerThanTheScreenAreClippedToIt) {
    DragonflyPictures pictures;
    pictures.wingHeight = 700;
    pictures.wing = [](int, int row, int) { return greenPixel(row % 40); };
    DragonflyWorld world(pictures);
    DragonflyScene& scene = *world.scene;
    for (uint32_t now : {190000u, 190500u, 191000u}) {
        scene.update(now);
        scene.creditsX[0] = scene.creditsX[1] = scene.creditsX[2] = -5000;
        scene.render();
        int cx, cy;
        centre(now, cx, cy);
        EXPECT_EQ(firstDifference(frameWithWings(pictures, scene.wingFrame, cx, cy),
                                  Screen::instance()->pixels),
                  -1)
            << now;
    }
}

TEST(DragonflyScene, MissingPicturesNeverLeadOutside) {
    DataFolder data;
    data.mesh("kukka.ase", {{0, 0, 0}}, {}, 121);
    buildTrigTables();
    std::unique_ptr<DragonflyScene> scene;
    {
        InDirectory in(data.path());
        scene.reset(new DragonflyScene);
    }
    for (uint32_t now : {183100u, 200000u, 215000u, 233100u}) {
        scene->update(now);
        scene->render();
    }
    // Black stand-ins everywhere: the background, the opaque black credits.
    EXPECT_EQ(Screen::instance()->pixels[0], 0);
    EXPECT_EQ(scene->wingPictures[0]->height, 1);
}
