#include <gtest/gtest.h>

#include <memory>

#include "cloud_world.h"
#include "core/camera.h"
#include "core/trig_tables.h"
#include "render3d/mesh.h"
#include "scenes/cave_scene.h"
#include "video/font.h"
#include "video/image.h"
#include "video/screen.h"

using namespace scene_world;

namespace {

uint16_t cavePixel(int i) {
    return static_cast<uint16_t>(i * 2654435761u >> 16);
}
// Scattered greens, so that every edge case of the waterfall occurs.
int scatter(uint32_t x) {
    return static_cast<int>((x * 2654435761u) >> 13) % 64;
}
int layerGreen(int k, int row, int column) {
    return scatter(row * 1000 + column * 7 + k * 500000);
}
// Some rows hide a few columns at either end (so the drawn run starts and
// ends inside a word of four columns) or the whole row.
int maskGreen(int row, int column) {
    if (row % 50 == 7 || column < row % 7 || column > 127 - row % 5) return 0;
    return scatter(row * 977 + column * 13 + 12345);
}
uint16_t paletteEntry(int i) {
    return static_cast<uint16_t>((i * 331) ^ 0x5A5A);
}

class CaveWorld {
  public:
    // All pictures, or only the meshes and the font when `withPictures` is
    // false (every picture then falls back to its black stand-in).
    explicit CaveWorld(bool withPictures = true) {
        buildTrigTables();
        Screen::instance();
        data.mesh("sopwith.ase", {{0, 0, 0}, {-40, -20, 0}, {40, -20, 0}, {0, 40, 0}},
                  {{1, 2, 3, 0}, {1, 3, 2, 0}}, 136);
        if (withPictures) {
            std::vector<uint16_t> cave(76800);
            for (int i = 0; i < 76800; i++)
                cave[i] = cavePixel(i);
            data.picture("luola.png", 320, 240, cave);
            data.uniformPicture("env_red.png", 256, 256, 0x1234);
            data.uniformPicture("fontgreet.png", 256, 80, 0xFFFF);
            for (int k = 0; k < 3; k++) {
                std::vector<uint16_t> layer(128 * 256);
                for (int i = 0; i < 128 * 256; i++)
                    layer[i] = static_cast<uint16_t>(0xF81F | layerGreen(k, i / 128, i % 128) << 5);
                data.picture("waterfall" + std::to_string(k + 1) + ".png", 128, 256, layer);
            }
            std::vector<uint16_t> palette(190);
            for (int i = 0; i < 190; i++)
                palette[i] = paletteEntry(i);
            data.picture("waterfall_pal.png", 19, 10, palette); // read as a run of pixels
            std::vector<uint16_t> mask(128 * 240);
            for (int i = 0; i < 128 * 240; i++)
                mask[i] = static_cast<uint16_t>(0x0801 | maskGreen(i / 128, i % 128) << 5);
            data.picture("luola_alpha.png", 128, 240, mask);
        }
        InDirectory in(data.path());
        scene.reset(new CaveScene);
    }
    DataFolder data;
    std::unique_ptr<CaveScene> scene;
};

} // namespace

TEST(CaveScene, ConstructionFillsNamesAndLetterStarts) {
    CaveWorld world;
    const CaveScene& scene = *world.scene;
    EXPECT_STREQ(scene.greetings[0], "VELMORIX");
    EXPECT_STREQ(scene.greetings[3], "FENNOWISKA");
    EXPECT_STREQ(scene.greetings[9], "VOQ");
    for (int i = 0; i < 10; i++) {
        EXPECT_EQ(scene.greetings[i][10], 0);
        EXPECT_EQ(scene.greetings[i][11], 0);
        for (int j = 0; j < 12; j++) {
            const int32_t base = scene.letterBase[i][j];
            EXPECT_GE(base, -50);
            EXPECT_LE(base, -10);
            EXPECT_EQ(base,
                      ((CosineTable[(480000 + 20000 * i - 4000 * j) % 65536] * 20) >> 16) - 30);
            EXPECT_EQ(scene.letterFall[i][j], base);
            EXPECT_EQ(scene.letterDrop[i][j], -20);
        }
    }
    EXPECT_EQ(scene.currentGreeting, 0);
    EXPECT_FALSE(scene.biplaneVisible);
}

TEST(CaveScene, EachGreetingIsCurrentForFourSecondsFrom141000) {
    CaveWorld world;
    CaveScene& scene = *world.scene;
    const std::pair<uint32_t, int> times[] = {{138100, 10}, {140999, 10}, {141000, 0},
                                              {144999, 0},  {145000, 1},  {176999, 8},
                                              {180999, 9},  {181000, 10}, {183100, 10}};
    for (const auto& t : times) {
        scene.update(t.first);
        EXPECT_EQ(scene.currentGreeting, t.second) << t.first;
    }
    CaveWorld fresh;
    fresh.scene->update(141000);
    for (int j = 0; j < 10; j++)
        EXPECT_EQ(fresh.scene->letterDrop[0][j], 0);
}

TEST(CaveScene, LettersDropUpToStep55AndFallFromStep56) {
    CaveWorld world;
    CaveScene& scene = *world.scene;
    const int g = 2;
    const uint32_t start = 141000 + 4000 * g;
    scene.update(start + 55 * 32 + 31); // s = 55
    for (int j = 0; j < 10; j++) {
        EXPECT_EQ(scene.letterDrop[g][j], 55);
        EXPECT_EQ(scene.letterFall[g][j], scene.letterBase[g][j]);
    }
    scene.update(start + 56 * 32); // s = 56: the first fall
    for (int j = 0; j < 10; j++) {
        const int32_t base = scene.letterBase[g][j];
        EXPECT_EQ(scene.letterDrop[g][j], 56);
        EXPECT_EQ(scene.letterFall[g][j], base - (base >> 3));
    }
    scene.update(start + 56 * 32); // the same time falls again
    scene.update(start + 3999);    // s = 124
    for (int j = 0; j < 10; j++) {
        const int32_t base = scene.letterBase[g][j];
        EXPECT_EQ(scene.letterFall[g][j], base - 3 * (base >> 3)) << j;
        EXPECT_EQ(scene.letterDrop[g][j], 124);
    }
    // Letters 10 and 11 and the other greetings are left alone.
    EXPECT_EQ(scene.letterDrop[g][10], -20);
    EXPECT_EQ(scene.letterDrop[g + 1][0], -20);
    EXPECT_EQ(scene.letterFall[g - 1][0], scene.letterBase[g - 1][0]);
}

TEST(CaveScene, BiplaneFliesFrom175351To184999) {
    CaveWorld world;
    CaveScene& scene = *world.scene;
    scene.update(175350);
    EXPECT_FALSE(scene.biplaneVisible);
    for (uint32_t now : {175351u, 180000u, 184999u}) {
        scene.update(now);
        EXPECT_TRUE(scene.biplaneVisible) << now;
        const uint32_t theta = (2 * (now - 32000)) % 65536;
        const Mesh& plane = *scene.biplane;
        EXPECT_EQ(plane.focalLength, 300 * 65536);
        EXPECT_EQ(plane.position.x, 100 * CosineTable[theta] - 70 * 65536);
        EXPECT_EQ(plane.position.y, 100 * SineTable[theta] + 70 * 65536);
        EXPECT_EQ(plane.position.z, static_cast<int32_t>(684.0625 * 65536 - now * 256.0));
        EXPECT_EQ(plane.angleY, static_cast<int32_t>((now - 32000) % 65536));
        EXPECT_EQ(plane.angleZ,
                  ((SineTable[theta] + 25000) >> 1) & 0xFFFF); // reduced by the transform
        const Camera& camera = *Screen::instance()->camera;
        EXPECT_EQ(camera.position.y, 4 * 65536);
        EXPECT_EQ(camera.angleX, 16384);
        EXPECT_EQ(camera.angleY, 7000);
    }
    scene.update(185000);
    EXPECT_FALSE(scene.biplaneVisible);
    scene.update(138100);
    EXPECT_FALSE(scene.biplaneVisible);
}

TEST(CaveScene, WaterfallSumsThreeScrolledLayersThroughPaletteAndMask) {
    CaveWorld world;
    CaveScene& scene = *world.scene;
    const uint32_t now = 100000; // no greeting, no biplane
    scene.update(now);
    const int offsets[3] = {static_cast<int>(now >> 4), static_cast<int>(now >> 3),
                            static_cast<int>(now >> 2)};
    for (int k = 0; k < 3; k++)
        EXPECT_EQ(scene.layerOffsets[k], offsets[k]);
    scene.render();

    const uint16_t* screen = Screen::instance()->pixels;
    int low = 0, first = 0, opaque = 0, blended = 0, hidden = 0;
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++) {
            const int i = y * 320 + x;
            uint16_t expected = cavePixel(i);
            const int column = x - 100;
            if (column >= 0 && column < 128) {
                // Each layer is shown moved down by its offset, every 256 rows.
                int sum = 0;
                for (int k = 0; k < 3; k++)
                    sum += layerGreen(k, ((y - offsets[k]) % 256 + 256) % 256, column);
                const int a = maskGreen(y, column);
                if (a > 0 && sum > 90) {
                    expected = a == 63 ? paletteEntry(sum)
                                       : referenceBlend(paletteEntry(sum), cavePixel(i), a);
                    opaque += a == 63 && sum == 91;
                    blended += a == 62 && sum == 91;
                    first += sum == 91;
                } else {
                    low += a > 0 && sum == 90;
                    hidden += a == 0 && sum > 90;
                }
            }
            ASSERT_EQ(screen[i], expected) << "x " << x << " y " << y;
        }
    // The edge cases all occur in this frame.
    EXPECT_GT(low, 0);
    EXPECT_GT(opaque, 0);
    EXPECT_GT(blended, 0);
    EXPECT_GT(hidden, 0);
}

TEST(CaveScene, MissingPicturesNeverLeadOutside) {
    CaveWorld world(false);
    CaveScene& scene = *world.scene;
    for (uint32_t now : {138100u, 141000u, 143000u, 176000u, 183100u}) {
        scene.update(now);
        scene.render();
    }
    // Black stand-ins: a black cave, and a mask that lets nothing through.
    const uint16_t* screen = Screen::instance()->pixels;
    EXPECT_EQ(screen[0], 0);
    EXPECT_EQ(screen[120 * 320 + 160], 0);
}

TEST(CaveScene, GreetingLettersAreTurnedAndPlacedOverTheWaterfall) {
    CaveWorld world;
    CaveScene& scene = *world.scene;
    Screen* screen = Screen::instance();
    const uint32_t now = 141000 + 4000 * 3 + 100 * 32; // greeting 3, falling
    scene.update(now);
    scene.render();
    const std::vector<uint16_t> drawn(screen->pixels, screen->pixels + SCREEN_PIXELS);

    // The same frame without the letters, then the letters placed by hand.
    scene.currentGreeting = NO_GREETING;
    scene.render();
    const std::vector<uint16_t> waterfallOnly(screen->pixels, screen->pixels + SCREEN_PIXELS);
    const char* name = "FENNOWISKA";
    for (int j = 0; j < 10; j++) {
        const int32_t base = scene.letterBase[3][j];
        const int y = 100 + base - (base >> 3);
        const int32_t angle = 32000 + (SineTable[(now * 32 + 4096 * j) % 65536] >> 3);
        scene.greetFont->drawRotatedGlyph(164 + 14 * j - 70, y, name[j],
                                          static_cast<uint16_t>(angle),
                                          scene.waterfallMask->pixels);
    }
    EXPECT_EQ(std::vector<uint16_t>(screen->pixels, screen->pixels + SCREEN_PIXELS), drawn);
    EXPECT_NE(drawn, waterfallOnly);
}
