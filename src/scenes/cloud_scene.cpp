#include "scenes/cloud_scene.h"

#include "core/camera.h"
#include "core/pixel.h"
#include "core/trig_tables.h"
#include "render3d/mesh.h"
#include "scenes/biplane.h"
#include "video/image.h"
#include "video/screen.h"

namespace {

// Layer k is a third of the depth cycle behind layer k - 1.
const uint32_t LAYER_OFFSETS[CLOUD_LAYER_COUNT] = {0, 30000, 60000};
// Depth of full strength: no fade.
const int32_t CLEAREST_DEPTH = 32000;
// A fade no texel green (0..63) survives: the layer adds nothing.
const int32_t NO_CLOUD = 64;
const int32_t LAST_ROW = SCREEN_HEIGHT - 1;

// Moves every layer's row position on by `rows` rows. The positions wrap like
// the 32-bit sums they stand for, so a jump equals that many additions.
void advanceRows(int32_t* rowV, const CloudLayer* layers, int64_t rows) {
    for (int k = 0; k < CLOUD_LAYER_COUNT; k++)
        rowV[k] = static_cast<int32_t>(static_cast<uint32_t>(rowV[k]) +
                                       static_cast<uint32_t>(layers[k].scale) *
                                           static_cast<uint32_t>(rows));
}

// The sky with light added, saturated, in two tables: red and blue by the
// summed red-blue light (three layers of at most 31), green by the summed
// green (three of at most 63). OR-ed together they give
// addLight(CLOUD_SKY, redBlue, green).
const int MAX_RED_BLUE_LIGHT = 3 * 31;
const int MAX_GREEN_LIGHT = 3 * 63;
const uint16_t GREEN_BITS = packRgb565(0, 63, 0);
struct SkyLight {
    uint16_t redBlue[MAX_RED_BLUE_LIGHT + 1];
    uint16_t green[MAX_GREEN_LIGHT + 1];
};
constexpr SkyLight makeSkyLight() {
    SkyLight light{};
    for (int i = 0; i <= MAX_RED_BLUE_LIGHT; i++)
        light.redBlue[i] = addLight(CLOUD_SKY, i, 0) & ~GREEN_BITS;
    for (int i = 0; i <= MAX_GREEN_LIGHT; i++)
        light.green[i] = addLight(CLOUD_SKY, 0, i) & GREEN_BITS;
    return light;
}
constexpr SkyLight SKY_LIGHT = makeSkyLight();

// One layer's walk along a screen row.
struct RowWalk {
    const uint8_t* greens;
    int32_t fade;
    uint32_t at, step;
};

// The pixels of one row (see CloudScene::drawRow). BAND: onto the biplane
// where it was drawn; SKY_TABLES: every fade is 0 or more, so every sum is in
// the sky tables. Instances per case keep the tests out of the pixel loop.
template <bool BAND, bool SKY_TABLES>
void lightRow(uint16_t* out, const int32_t* depth, RowWalk w0, RowWalk w1, RowWalk w2) {
    for (uint16_t* const end = out + SCREEN_WIDTH; out != end; out++, depth++) {
        uint32_t green = 0, redBlue = 0;
        int32_t g = w0.greens[w0.at >> 16] - w0.fade; // LDRB's offset shifted: no index arithmetic
        if (g > 0) {                                  // conditional adds, no branch
            green += g;
            redBlue += g >> 1;
        }
        g = w1.greens[w1.at >> 16] - w1.fade;
        if (g > 0) {
            green += g;
            redBlue += g >> 1;
        }
        g = w2.greens[w2.at >> 16] - w2.fade;
        if (g > 0) {
            green += g;
            redBlue += g >> 1;
        }
        w0.at += w0.step; // the next pixel's texel, on from this one
        w1.at += w1.step;
        w2.at += w2.step;
        if (BAND && *depth != CLOUD_CLEAR_DEPTH)
            *out = addLight(*out, redBlue, green);
        else if (SKY_TABLES) // two loads instead of three saturating channels
            *out = SKY_LIGHT.redBlue[redBlue] | SKY_LIGHT.green[green];
        else
            *out = addLight(CLOUD_SKY, redBlue, green);
    }
}

} // namespace

CloudScene::CloudScene() : layers(), oddField(0) {
    loadBiplane(biplaneTexture, biplane);
    clouds[0] = new Image("data/cloud1.png", 256, 256);
    clouds[1] = new Image("data/cloud2.png", 256, 256);
    clouds[2] = new Image("data/cloud3.png", 256, 256);
    for (int k = 0; k < CLOUD_LAYER_COUNT; k++) {
        greens[k] = new uint8_t[256 * 256];
        for (int i = 0; i < 256 * 256; i++)
            greens[k][i] = static_cast<uint8_t>(greenOf(clouds[k]->pixels[i]));
    }

    // The fade grows linearly with the distance from the clearest depth,
    // one step per 58000/63 of depth. Built once so frames need no division.
    for (int32_t i = 0; i < CLOUD_DEPTH_CYCLE; i++) {
        const int64_t distance = i < CLEAREST_DEPTH ? CLEAREST_DEPTH - i : i - CLEAREST_DEPTH;
        const int64_t q = (distance * 65536) / 58000;
        fadeTable[i] = static_cast<int32_t>((63 * q) >> 16);
    }
}

CloudScene::~CloudScene() {
    delete biplaneTexture;
    delete biplane;
    for (Image* cloud : clouds)
        delete cloud;
    for (uint8_t* green : greens)
        delete[] green;
}

void CloudScene::placeLayer(CloudLayer& layer, int32_t z) {
    layer.depth = z;
    layer.scale = z;
    layer.originU = 0x1540000 - 340 * z;
    layer.originV = 10 * z - 0xA0000;
}

void CloudScene::update(uint32_t now) {
    Camera* camera = Screen::instance()->camera;
    biplane->focalLength = BIPLANE_FOCAL_LENGTH;

    // The camera sways around the plane, which rocks in place at the origin.
    camera->angleX = 16384;
    camera->angleY = 0;
    camera->angleZ = SineTable[(SineTable[(16 * now) & 0xFFFF] >> 7) & 0xFFFF];
    camera->position.x = 2 * SineTable[(8 * now) & 0xFFFF];
    camera->position.y = fixedFromDouble(9.9);
    camera->position.z = 2 * CosineTable[(4 * now) & 0xFFFF];
    biplane->angleX = SineTable[(SineTable[(8 * now) & 0xFFFF] >> 8) & 0xFFFF] + 4000;
    biplane->angleY = SineTable[(SineTable[(16 * now) & 0xFFFF] >> 6) & 0xFFFF];
    biplane->angleZ = -5000;
    camera->update();
    biplane->transform();

    // Each layer's depth falls by 32 per ms from 90000 to 1, then starts over.
    for (int k = 0; k < CLOUD_LAYER_COUNT; k++) {
        const uint32_t cycle = static_cast<uint32_t>(CLOUD_DEPTH_CYCLE);
        const uint32_t z = cycle - ((32 * now + LAYER_OFFSETS[k]) % cycle);
        placeLayer(layers[k], static_cast<int32_t>(z));
    }
    oddField = 1 - oddField;
}

void CloudScene::render() {
    Screen* screen = Screen::instance();
    screen->clearDepth(CLOUD_CLEAR_DEPTH);
    biplane->render();
    drawClouds(screen->dirtyTop, screen->dirtyBottom);
}

void CloudScene::drawClouds(int32_t top, int32_t bottom) {
    int32_t rowV[CLOUD_LAYER_COUNT];
    int32_t fade[CLOUD_LAYER_COUNT];
    for (int k = 0; k < CLOUD_LAYER_COUNT; k++) {
        rowV[k] = layers[k].originV;
        // Depth 90000 lies one past the table and adds nothing.
        const int32_t depth = layers[k].depth;
        fade[k] = depth >= 0 && depth < CLOUD_DEPTH_CYCLE ? fadeTable[depth] : NO_CLOUD;
    }
    // The band may reach beyond the screen: rows outside it are passed over,
    // but the sampling positions still move as if they had been drawn.
    int64_t count = 0;
    const int64_t upperEnd = static_cast<int64_t>(top) - 4;
    while (count < upperEnd) {
        const int64_t row = oddField + count;
        if (row > LAST_ROW) {
            const int64_t remaining = (upperEnd - count + 1) / 2;
            advanceRows(rowV, layers, 2 * remaining);
            count += 2 * remaining;
            break;
        }
        drawRow(static_cast<int>(row), rowV, fade, false);
        advanceRows(rowV, layers, 2);
        count += 2;
    }

    // The band around the biplane: every row, over the plane's own pixels.
    const int64_t bandEnd = static_cast<int64_t>(bottom) + 4;
    while (count < bandEnd) {
        const int64_t row = oddField + count;
        if (row > LAST_ROW) {
            advanceRows(rowV, layers, bandEnd - count);
            break;
        }
        drawRow(static_cast<int>(row), rowV, fade, true);
        advanceRows(rowV, layers, 1);
        count++;
    }

    // Every other row below the band, sampling on from the band's last row.
    int64_t row = (static_cast<int64_t>(bottom) & ~int64_t(1)) - oddField + 4;
    if (row < 0) {
        const int64_t skipped = (1 - row) / 2;
        advanceRows(rowV, layers, 2 * skipped);
        row += 2 * skipped;
    }
    for (; row <= LAST_ROW; row += 2) {
        drawRow(static_cast<int>(row), rowV, fade, false);
        advanceRows(rowV, layers, 2);
    }
}

// One screen row: three texels per pixel, each layer's green less its fade,
// added onto the sky, or in the band onto the biplane where it was drawn.
//
// A texel's index is (rowStart + column) & 0xFFFF, column being the top half
// of the layer's u; that is the top half of u + (rowStart << 16), so one
// 32-bit position per layer walks the row, wrapping where the picture
// repeats, and the load takes it shifted (LDRB's register offset, LSR #16).
void CloudScene::drawRow(int row, const int32_t* rowV, const int32_t* fade, bool band) {
    Screen* screen = Screen::instance();
    uint16_t* out = screen->pixels + row * SCREEN_WIDTH;
    const int32_t* depth = screen->depthBuffer + row * SCREEN_WIDTH;
    RowWalk walk[CLOUD_LAYER_COUNT];
    for (int k = 0; k < CLOUD_LAYER_COUNT; k++)
        walk[k] = {greens[k], fade[k],
                   static_cast<uint32_t>(layers[k].originU) +
                       (static_cast<uint32_t>(rowV[k] >> 16) << 24),
                   static_cast<uint32_t>(layers[k].scale)};
    const bool skyTables = fade[0] >= 0 && fade[1] >= 0 && fade[2] >= 0;
    if (band && skyTables)
        lightRow<true, true>(out, depth, walk[0], walk[1], walk[2]);
    else if (band)
        lightRow<true, false>(out, depth, walk[0], walk[1], walk[2]);
    else if (skyTables)
        lightRow<false, true>(out, depth, walk[0], walk[1], walk[2]);
    else
        lightRow<false, false>(out, depth, walk[0], walk[1], walk[2]);
}
