#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "cloud_world.h"
#include "core/camera.h"
#include "core/pixel.h"
#include "core/trig_tables.h"
#include "render3d/mesh.h"
#include "scenes/cloud_scene.h"
#include "video/image.h"
#include "video/screen.h"

using namespace scene_world;

namespace {

const uint16_t SENTINEL = 0xDEAD;
const uint16_t PLANE_COLOUR = 0x1234;

// Cloud texel green of layer k: a pattern that differs between texels, rows
// and layers, with red and blue that must be ignored.
uint16_t cloudTexel(int k, int index) {
    const int green = (index * 7 + (index >> 8) * 13 + k * 5) % 64;
    return packRgb565((index + k) % 32, green, index % 32);
}

// The biplane: one triangle around the model origin in both windings, so
// one of them faces the camera whatever the plane's rocking.
void writePlane(const DataFolder& data) {
    data.mesh("sopwith.ase", {{0, 0, 0}, {-40, -20, 0}, {40, -20, 0}, {0, 40, 0}},
              {{1, 2, 3, 0}, {1, 3, 2, 0}}, 136);
}

class CloudWorld {
  public:
    // Clouds of the pattern above, or of one uniform green when given.
    explicit CloudWorld(int uniformGreen = -1) {
        buildTrigTables();
        Screen::instance();
        data.uniformPicture("env_red.png", 256, 256, PLANE_COLOUR);
        writePlane(data);
        for (int k = 0; k < CLOUD_LAYER_COUNT; k++) {
            std::vector<uint16_t> texels(65536);
            for (int i = 0; i < 65536; i++)
                texels[i] = uniformGreen < 0 ? cloudTexel(k, i)
                                             : static_cast<uint16_t>(0xF81F | uniformGreen << 5);
            data.picture("cloud" + std::to_string(k + 1) + ".png", 256, 256, texels);
        }
        InDirectory in(data.path());
        scene.reset(new CloudScene);
    }
    DataFolder data;
    std::unique_ptr<CloudScene> scene;
};

int referenceFade(int64_t depth) {
    if (depth == 90000) return 64; // nothing survives
    const int64_t distance = depth > 32000 ? depth - 32000 : 32000 - depth;
    return static_cast<int>(63 * (distance * 65536 / 58000) / 65536);
}

int32_t wrap(int64_t v) {
    return static_cast<int32_t>(static_cast<uint32_t>(v));
}

// One cloud pixel from the layers, sampled at column x after vSteps row
// steps, computed from the layer formulas by multiplication.
uint16_t referencePixel(const CloudLayer* layers, int x, int64_t vSteps, uint16_t base) {
    int red = base >> 11, green = (base >> 5) & 63, blue = base & 31;
    for (int k = 0; k < CLOUD_LAYER_COUNT; k++) {
        const int32_t u = wrap(layers[k].originU + static_cast<int64_t>(x) * layers[k].scale);
        const int32_t v = wrap(layers[k].originV + vSteps * layers[k].scale);
        int64_t index = (256 * static_cast<int64_t>(v >> 16) + (u >> 16)) % 65536;
        if (index < 0) index += 65536;
        const int g = std::max(0, ((cloudTexel(k, static_cast<int>(index)) >> 5) & 63) -
                                      referenceFade(layers[k].depth));
        red += g >> 1;
        green += g;
        blue += g >> 1;
    }
    return packRgb565(std::min(red, 31), std::min(green, 63), std::min(blue, 31));
}

struct PlannedRow {
    int64_t row;
    int64_t vSteps;
    bool band;
};

// The three passes as rows in drawing order, unclamped.
std::vector<PlannedRow> planRows(int odd, int64_t top, int64_t bottom) {
    std::vector<PlannedRow> plan;
    int64_t j = 0, steps = 0;
    for (; j < top - 4; j += 2, steps += 2)
        plan.push_back({odd + j, steps, false});
    for (; j < bottom + 4; j++, steps++)
        plan.push_back({odd + j, steps, true});
    for (int64_t r = (bottom & ~int64_t(1)) - odd + 4; r <= 239; r += 2, steps += 2)
        plan.push_back({r, steps, false});
    return plan;
}

// The screen the passes should leave, from `before` and the depth buffer.
std::vector<uint16_t> expectedFrame(const CloudScene& scene, const std::vector<uint16_t>& before,
                                    const int32_t* depth, int64_t top, int64_t bottom) {
    std::vector<uint16_t> frame = before;
    for (const PlannedRow& planned : planRows(scene.oddField, top, bottom)) {
        if (planned.row < 0 || planned.row > 239) continue;
        for (int x = 0; x < 320; x++) {
            const int64_t i = planned.row * 320 + x;
            const bool covered = planned.band && depth[i] != 0x640000;
            frame[i] = referencePixel(scene.layers, x, planned.vSteps, covered ? frame[i] : 0x3393);
        }
    }
    return frame;
}

// A screen of sentinels with a patch of "plane" pixels marked in the depth
// buffer across rows 100..139 and along the top rows.
std::vector<uint16_t> prepareScreen() {
    Screen* screen = Screen::instance();
    for (int i = 0; i < SCREEN_PIXELS; i++) {
        const int x = i % 320, y = i / 320;
        const bool plane = (x > 140 && x < 200 && y >= 100 && y < 140) || (y < 3 && x < 50);
        screen->depthBuffer[i] = plane ? 0x500000 : 0x640000;
        screen->pixels[i] = plane ? static_cast<uint16_t>(0x0841 * (x % 7)) : SENTINEL;
    }
    screen->depthWrittenEverywhere();
    return std::vector<uint16_t>(screen->pixels, screen->pixels + SCREEN_PIXELS);
}

// Both fields with no band: every row of the screen is drawn.
void drawWholeScreen(CloudScene& scene) {
    for (int odd = 0; odd < 2; odd++) {
        scene.oddField = odd;
        scene.drawClouds(239, 0);
    }
}

int firstDifference(const std::vector<uint16_t>& a, const uint16_t* b) {
    for (size_t i = 0; i < a.size(); i++)
        if (a[i] != b[i]) return static_cast<int>(i);
    return -1;
}

} // namespace

TEST(CloudScene, FadeTableFollowsTheDistanceFromTheClearestDepth) {
    CloudWorld world(0);
    const int32_t* fade = world.scene->fadeTable;
    const std::pair<int, int> listed[] = {{0, 34},     {16000, 17}, {31999, 0}, {32000, 0},
                                          {32001, 0},  {33000, 1},  {40000, 8}, {50000, 19},
                                          {61000, 31}, {70000, 41}, {89999, 62}};
    for (const auto& entry : listed)
        EXPECT_EQ(fade[entry.first], entry.second) << entry.first;
    for (int i = 0; i < 90000; i += 997)
        EXPECT_EQ(fade[i], referenceFade(i)) << i;
}

TEST(CloudScene, UpdatePlacesLayersAFixedPartOfTheCycleApartAndFlipsTheField) {
    CloudWorld world(0);
    CloudScene& scene = *world.scene;
    scene.update(0);
    EXPECT_EQ(scene.oddField, 1);
    const int32_t depths[3] = {90000, 60000, 30000};
    for (int k = 0; k < 3; k++) {
        EXPECT_EQ(scene.layers[k].depth, depths[k]);
        EXPECT_EQ(scene.layers[k].scale, depths[k]);
        EXPECT_EQ(scene.layers[k].originU, 340 * 65536 - 340 * depths[k]);
        EXPECT_EQ(scene.layers[k].originV, 10 * depths[k] - 10 * 65536);
    }
    scene.update(4625);
    EXPECT_EQ(scene.oddField, 0);
    EXPECT_EQ(scene.layers[0].depth, 32000);
    scene.update(1875);
    EXPECT_EQ(scene.layers[1].depth, 90000);
    scene.update(3750 + 5625 * 3);
    EXPECT_EQ(scene.layers[2].depth, 90000);
    scene.update(1); // 32 per ms
    EXPECT_EQ(scene.layers[0].depth, 89968);

    // Camera and plane follow the time; the transform keeps 16-bit angles.
    const uint32_t now = 100000;
    scene.update(now);
    const Camera* camera = Screen::instance()->camera;
    EXPECT_EQ(camera->position.x, 2 * SineTable[(8 * now) & 0xFFFF]);
    EXPECT_EQ(camera->position.y, 0x9E666);
    EXPECT_EQ(camera->position.z, 2 * CosineTable[(4 * now) & 0xFFFF]);
    EXPECT_EQ(camera->angleX, 16384);
    EXPECT_EQ(camera->angleZ, SineTable[(SineTable[(16 * now) & 0xFFFF] >> 7) & 0xFFFF] & 0xFFFF);
    EXPECT_EQ(scene.biplane->focalLength, 0x12C0000);
    EXPECT_EQ(scene.biplane->angleX,
              (SineTable[(SineTable[(8 * now) & 0xFFFF] >> 8) & 0xFFFF] + 4000) & 0xFFFF);
    EXPECT_EQ(scene.biplane->angleZ, 65536 - 5000);
    EXPECT_EQ(scene.biplane->position.x, 0);
}

TEST(CloudScene, CloudPixelAddsEachLayersGreenAboveItsFade) {
    Screen* screen = Screen::instance();
    {
        CloudWorld world(63); // every texel green 63
        CloudScene& scene = *world.scene;
        // Depth 90000 lies one past the table: the layer adds nothing.
        for (CloudLayer& layer : scene.layers)
            CloudScene::placeLayer(layer, 90000);
        drawWholeScreen(scene);
        EXPECT_TRUE(std::all_of(screen->pixels, screen->pixels + SCREEN_PIXELS,
                                [](uint16_t p) { return p == 0x3393; }));
        // At depth 32000 there is no fade: 63 saturates all three channels.
        CloudScene::placeLayer(scene.layers[1], 32000);
        drawWholeScreen(scene);
        EXPECT_TRUE(std::all_of(screen->pixels, screen->pixels + SCREEN_PIXELS,
                                [](uint16_t p) { return p == 0xFFFF; }));
        // Fade 62 at depth 89999 leaves 1 of green, nothing for red and blue.
        CloudScene::placeLayer(scene.layers[1], 89999);
        drawWholeScreen(scene);
        EXPECT_EQ(screen->pixels[12345], 0x3393 + (1 << 5));
        // Two layers at fade 8 add 55 each: green saturates, red and blue
        // take 27 each before saturating.
        CloudScene::placeLayer(scene.layers[0], 40000);
        CloudScene::placeLayer(scene.layers[1], 24000);
        drawWholeScreen(scene);
        EXPECT_EQ(screen->pixels[0], packRgb565(31, 63, 31));
    }
    {
        CloudWorld world(8); // green equal to the fade at 40000 adds nothing
        CloudScene& scene = *world.scene;
        for (CloudLayer& layer : scene.layers)
            CloudScene::placeLayer(layer, 40000);
        drawWholeScreen(scene);
        EXPECT_TRUE(std::all_of(screen->pixels, screen->pixels + SCREEN_PIXELS,
                                [](uint16_t p) { return p == 0x3393; }));
        CloudScene::placeLayer(scene.layers[2], 39000); // fade 7: adds 1 green
        drawWholeScreen(scene);
        EXPECT_EQ(screen->pixels[76799], 0x3393 + (1 << 5));
    }
}

TEST(CloudScene, PassesDrawFieldsAroundTheBandAndTheBandOverThePlane) {
    CloudWorld world;
    CloudScene& scene = *world.scene;
    Screen* screen = Screen::instance();
    CloudScene::placeLayer(scene.layers[0], 40000);
    CloudScene::placeLayer(scene.layers[1], 65536);
    CloudScene::placeLayer(scene.layers[2], 20000);
    // (top, bottom): inside the screen with both parities, near and beyond
    // the top edge, beyond the bottom edge, far beyond both, and the empty
    // band that a plane out of sight leaves.
    const std::pair<int32_t, int32_t> bands[] = {{100, 140},    {101, 139}, {4, 30},    {3, 30},
                                                 {-20, 10},     {200, 236}, {200, 250}, {230, 400},
                                                 {-9000, 9000}, {239, 0}};
    for (const auto& band : bands)
        for (int odd = 0; odd < 2; odd++) {
            scene.oddField = odd;
            const std::vector<uint16_t> before = prepareScreen();
            const std::vector<uint16_t> expected =
                expectedFrame(scene, before, screen->depthBuffer, band.first, band.second);
            scene.drawClouds(band.first, band.second);
            EXPECT_EQ(firstDifference(expected, screen->pixels), -1)
                << "band " << band.first << ".." << band.second << " odd " << odd;
        }

    // Near the top edge the upper pass draws nothing and the band starts at
    // row oddField, over the plane's pixels there.
    scene.oddField = 0;
    prepareScreen();
    scene.drawClouds(3, 30);
    EXPECT_NE(screen->pixels[10], 0x0841 * (10 % 7));
    EXPECT_NE(screen->pixels[100], SENTINEL);
    scene.oddField = 1;
    prepareScreen();
    scene.drawClouds(3, 30);
    EXPECT_EQ(screen->pixels[100], SENTINEL); // row 0 is not drawn
    EXPECT_NE(screen->pixels[320 + 100], SENTINEL);
}

// Band pairs are lit two pixels at a time: a plane pixel first in its pair
// with the sky second, the other way round, and one near white that the
// faint light saturates. The row's written columns, 160..200, end inside a
// pair: the band loop covers pairs 160..201 and the sky the rest.
TEST(CloudScene, BandLightsPairsWithOnePlanePixel) {
    CloudWorld world;
    CloudScene& scene = *world.scene;
    Screen* screen = Screen::instance();
    CloudScene::placeLayer(scene.layers[0], 80000);
    CloudScene::placeLayer(scene.layers[1], 70000);
    CloudScene::placeLayer(scene.layers[2], 60000);
    scene.oddField = 0;
    prepareScreen();
    screen->dirtyTop = 0;
    screen->dirtyBottom = SCREEN_HEIGHT;
    screen->clearDepth(0x640000);
    for (int x : {160, 171, 200}) {
        screen->depthWritten(120, x, x);
        screen->depthBuffer[120 * 320 + x] = 0x500000;
        screen->pixels[120 * 320 + x] = x == 200 ? 0xF7BE : 0x0841;
    }
    const std::vector<uint16_t> before(screen->pixels, screen->pixels + SCREEN_PIXELS);
    const std::vector<uint16_t> expected =
        expectedFrame(scene, before, screen->depthBuffer, 119, 121);
    scene.drawClouds(119, 121);
    EXPECT_EQ(firstDifference(expected, screen->pixels), -1);
}

TEST(CloudScene, TwoConsecutiveFramesRedrawEveryRowWhileTheBandStays) {
    CloudWorld world;
    CloudScene& scene = *world.scene;
    Screen* screen = Screen::instance();
    for (CloudLayer& layer : scene.layers)
        CloudScene::placeLayer(layer, 50000);
    for (int32_t bottom : {140, 141}) {
        prepareScreen();
        scene.oddField = 1;
        for (int frame = 0; frame < 2; frame++) {
            scene.oddField = 1 - scene.oddField;
            scene.drawClouds(100, bottom);
            if (frame == 0) { // the first frame alone leaves rows untouched
                EXPECT_EQ(screen->pixels[1 * 320 + 60], SENTINEL);
                EXPECT_EQ(screen->pixels[240 * 320 - 1], SENTINEL);
            }
        }
        for (int row = 0; row < 240; row++)
            EXPECT_NE(screen->pixels[row * 320 + 7], SENTINEL) << "row " << row;
    }
}

TEST(CloudScene, RenderAddsCloudsOverTheBiplaneInTheBandItLeaves) {
    CloudWorld world;
    CloudScene& scene = *world.scene;
    Screen* screen = Screen::instance();
    // Every depth at the cleared value and an empty band, as after a frame
    // in which nothing was drawn.
    std::fill(screen->depthBuffer, screen->depthBuffer + SCREEN_PIXELS, 0x640000);
    screen->depthWrittenEverywhere();
    screen->dirtyTop = 239;
    screen->dirtyBottom = 0;
    for (uint32_t now : {100000u, 100020u, 123456u}) {
        scene.update(now);
        std::fill(screen->pixels, screen->pixels + SCREEN_PIXELS, SENTINEL);
        scene.render();
        // The plane's pixels are those whose depth it wrote; it was drawn in
        // its texture's one colour before the clouds were added.
        std::vector<uint16_t> before(SCREEN_PIXELS, SENTINEL);
        int covered = 0;
        for (int i = 0; i < SCREEN_PIXELS; i++)
            if (screen->depthBuffer[i] != 0x640000) {
                before[i] = PLANE_COLOUR;
                covered++;
            }
        EXPECT_GT(covered, 0) << now;
        EXPECT_LT(screen->dirtyTop, screen->dirtyBottom);
        const std::vector<uint16_t> expected = expectedFrame(scene, before, screen->depthBuffer,
                                                             screen->dirtyTop, screen->dirtyBottom);
        EXPECT_EQ(firstDifference(expected, screen->pixels), -1) << now;
    }
}
