#include "scenes/cave_scene.h"

#include <cstring>

#include "core/camera.h"
#include "core/pixel.h"
#include "core/trig_tables.h"
#include "render3d/mesh.h"
#include "scenes/biplane.h"
#include "video/font.h"
#include "video/image.h"
#include "video/screen.h"

namespace {

const char* const GREETING_NAMES[GREETING_COUNT] = {
    "VELMORIX", "QUISTADEL", "OBRANTHEK", "FENNOWISKA", "ZORPEL",
    "YUB",      "QOL",       "ZEM",       "KIVRAN",     "VOQ"};

const uint32_t GREETINGS_START = 141000; // ms: greeting 0 appears
const uint32_t GREETING_TIME = 4000;     // ms each greeting is shown
const uint32_t DROP_STEPS = 55;          // 32 ms steps of dropping before the fall
const int LETTERS_MOVED = 10;            // no name is longer

const uint32_t BIPLANE_START = 175351; // ms: first frame of the fly-through
const uint32_t BIPLANE_SPAN = 9648;    // ms after the start it stays

const int LAYER_ROWS = 256; // a layer repeats every 256 rows
const int MASK_ROWS = 240;
const int PALETTE_ENTRIES = 190; // largest green sum 3 * 63 = 189, plus one

} // namespace

CaveScene::CaveScene() {
    cavePicture = new Image("data/luola.png", 320, 240);
    greetFont = new Font("data/fontgreet.png", 16, 16, -1, 32, 102);
    loadBiplane(biplaneTexture, biplane);
    waterfallLayers[0] = new Image("data/waterfall1.png", WATERFALL_WIDTH, 256);
    waterfallLayers[1] = new Image("data/waterfall2.png", WATERFALL_WIDTH, 256);
    waterfallLayers[2] = new Image("data/waterfall3.png", WATERFALL_WIDTH, 256);
    waterfallPalette = Image::loadAtLeast("data/waterfall_pal.png", PALETTE_ENTRIES);
    waterfallMask = new Image("data/luola_alpha.png", WATERFALL_WIDTH, 240);
    cutWaterfall();

    memset(greetings, 0, sizeof greetings);
    for (int i = 0; i < GREETING_COUNT; i++)
        memcpy(greetings[i], GREETING_NAMES[i], strlen(GREETING_NAMES[i]));

    // Each letter starts 10 to 50 pixels above the screen; the same value,
    // an eighth of it, is its fall speed.
    for (int i = 0; i < GREETING_COUNT; i++)
        for (int j = 0; j < GREETING_SLOT; j++) {
            const int32_t angle = (480000 + 20000 * i - 4000 * j) & 0xFFFF;
            letterBase[i][j] = ((CosineTable[angle] * 20) >> 16) - 30;
            letterDrop[i][j] = -20;
            letterFall[i][j] = letterBase[i][j];
        }

    currentGreeting = 0;
    biplaneVisible = false;
    for (int32_t& offset : layerOffsets)
        offset = 0;
    wavePhase = 0;
}

CaveScene::~CaveScene() {
    delete cavePicture;
    delete greetFont;
    delete biplaneTexture;
    delete biplane;
    for (Image* layer : waterfallLayers)
        delete layer;
    delete waterfallPalette;
    delete waterfallMask;
}

void CaveScene::update(uint32_t now) {
    placeBiplane(now);
    wavePhase = static_cast<int32_t>(now * 32);
    advanceGreeting(now);
    layerOffsets[0] = static_cast<int32_t>(now >> 4);
    layerOffsets[1] = static_cast<int32_t>(now >> 3);
    layerOffsets[2] = static_cast<int32_t>(now >> 2);
}

// The biplane crosses on a wide arc while it comes nearer, from 175351 ms to
// 184999 ms (past the end of the scene).
void CaveScene::placeBiplane(uint32_t now) {
    if (now - BIPLANE_START > BIPLANE_SPAN) {
        biplaneVisible = false;
        return;
    }
    const uint32_t theta = (2 * (now - 32000)) & 0xFFFF;
    biplane->focalLength = BIPLANE_FOCAL_LENGTH;

    Camera* camera = Screen::instance()->camera;
    camera->position.x = 0;
    camera->position.y = fixedFromDouble(4.0);
    camera->position.z = 0;
    camera->angleX = 16384;
    camera->angleY = 7000;
    camera->angleZ = 0;

    biplane->position.x = 100 * CosineTable[theta] - fixedFromDouble(70.0);
    biplane->position.y = 100 * SineTable[theta] + fixedFromDouble(70.0);
    biplane->position.z = static_cast<int32_t>(0x2AC1000u - now * 256);
    biplane->angleX = 0;
    biplane->angleY = static_cast<int32_t>(now - 32000);
    biplane->angleZ = (SineTable[theta] + 25000) >> 1;

    biplaneVisible = true;
    camera->update();
    biplane->transform();
}

// Each greeting is current for 4000 ms. Its letters drop one pixel per 32 ms
// for the first 56 steps, then also fall by a per-letter amount every update.
void CaveScene::advanceGreeting(uint32_t now) {
    const uint32_t sinceStart = now - GREETINGS_START; // huge before the start
    const uint32_t q = sinceStart / GREETING_TIME;
    if (q >= GREETING_COUNT) {
        currentGreeting = NO_GREETING;
        return;
    }
    currentGreeting = static_cast<int32_t>(q);
    const uint32_t s = (sinceStart - GREETING_TIME * q) >> 5;
    for (int j = 0; j < LETTERS_MOVED; j++) {
        if (s > DROP_STEPS) letterFall[q][j] -= letterBase[q][j] >> 3;
        letterDrop[q][j] = static_cast<int32_t>(s);
    }
}

void CaveScene::render() {
    cavePicture->copyToScreen();
    drawWaterfall();
    drawGreeting();
    if (biplaneVisible) {
        Screen::instance()->clearDepth(0x3E80000); // 1000.0
        biplane->render();
    }
}

void CaveScene::cutWaterfall() {
    for (int k = 0; k < WATERFALL_LAYER_COUNT; k++) {
        layerGreens[k].resize(WATERFALL_WIDTH * LAYER_ROWS / 4);
        uint8_t* greens = reinterpret_cast<uint8_t*>(layerGreens[k].data()); // in column order
        for (int i = 0; i < WATERFALL_WIDTH * LAYER_ROWS; i++)
            greens[i] = static_cast<uint8_t>(greenOf(waterfallLayers[k]->pixels[i]));
    }
    maskLevels.resize(WATERFALL_WIDTH * MASK_ROWS / 4);
    uint8_t* levels = reinterpret_cast<uint8_t*>(maskLevels.data()); // in column order
    for (int y = 0; y < MASK_ROWS; y++) {
        int first = WATERFALL_WIDTH, end = 0;
        for (int x = 0; x < WATERFALL_WIDTH; x++) {
            const uint32_t level = opacityLevel(waterfallMask->pixels[y * WATERFALL_WIDTH + x]);
            levels[y * WATERFALL_WIDTH + x] = static_cast<uint8_t>(level);
            if (level == 0) continue;
            if (first == WATERFALL_WIDTH) first = x;
            end = x + 1;
        }
        maskFirst[y] = static_cast<uint8_t>(first < end ? first : 0);
        maskEnd[y] = static_cast<uint8_t>(end);
    }
}

// Three scrolling layers whose greens are summed, coloured through the
// palette and laid into the cave through the mask's opacity. The greens are
// bytes of at most 63, so four columns' sums of three (at most 189) are made
// by adding words: no byte carries into the next. Byte k of a word is column
// 4w + k (every target is little-endian), and four columns start at a
// 4-byte boundary of the screen (WATERFALL_LEFT and the row are even).
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "columns are bytes of words");
static_assert(WATERFALL_LEFT % 2 == 0, "four columns are two pixel pairs");

namespace {

// The palette's entry `offset` bytes in.
inline uint32_t paletteAt(const uint16_t* palette, uint32_t offset) {
    return *reinterpret_cast<const uint16_t*>(reinterpret_cast<const uint8_t*>(palette) + offset);
}

// One waterfall pixel of mask level 0..64 and green sum 0..189.
inline void drawWaterfallPixel(uint16_t* target, const uint16_t* palette, uint32_t level,
                               uint32_t sum) {
    if (sum <= WATERFALL_LOW_SUM) return;
    const uint16_t colour = palette[sum];
    if (level == 64)
        *target = colour;
    else if (level != 0)
        *target = blendLevel(colour, *target, level);
}

} // namespace

void CaveScene::drawWaterfall() {
    const uint16_t* palette = waterfallPalette->pixels;
    uint16_t* screen = Screen::instance()->pixels;
    // Four levels of 64 in one word.
    const uint32_t ALL_OPAQUE = 0x40404040u;
    // Each sum byte is at most 189: adding 127 - WATERFALL_LOW_SUM to it
    // sets its top bit exactly when it is drawn, and never carries out.
    const uint32_t SUM_BIAS = (127 - WATERFALL_LOW_SUM) * 0x01010101u, TOP_BITS = 0x80808080u;
    for (int y = 0; y < MASK_ROWS; y++) {
        const int first = maskFirst[y], end = maskEnd[y];
        if (first >= end) continue; // the mask hides the whole row
        // Each layer is shown shifted down by its offset, wrapping every 256 rows.
        const uint32_t* rows[WATERFALL_LAYER_COUNT];
        for (int k = 0; k < WATERFALL_LAYER_COUNT; k++)
            rows[k] = layerGreens[k].data() +
                      ((static_cast<uint32_t>(y) - static_cast<uint32_t>(layerOffsets[k])) &
                       (LAYER_ROWS - 1)) *
                          (WATERFALL_WIDTH / 4);
        const uint32_t* levelWords = maskLevels.data() + y * (WATERFALL_WIDTH / 4);
        uint16_t* target = screen + y * SCREEN_WIDTH + WATERFALL_LEFT;
        // Columns first..end-1 in whole words: those outside have level 0.
        for (int w = first / 4; w < (end + 3) / 4; w++) {
            const uint32_t sums = rows[0][w] + rows[1][w] + rows[2][w];
            const uint32_t levels = levelWords[w];
            uint16_t* four = target + 4 * w;
            if (levels == ALL_OPAQUE && ((sums + SUM_BIAS) & TOP_BITS) == TOP_BITS) {
                // All four copied from the palette, written as two pairs;
                // (sums >> (8k - 1)) & 0x1FE is twice sum k: its byte offset.
                PixelPair* pairs = reinterpret_cast<PixelPair*>(four);
                pairs[0] = paletteAt(palette, sums << 1 & 0x1FE) |
                           paletteAt(palette, sums >> 7 & 0x1FE) << 16;
                pairs[1] = paletteAt(palette, sums >> 15 & 0x1FE) |
                           paletteAt(palette, sums >> 23 & 0x1FE) << 16;
                continue;
            }
            if (levels == 0) continue;
            drawWaterfallPixel(four, palette, levels & 0xFF, sums & 0xFF);
            drawWaterfallPixel(four + 1, palette, levels >> 8 & 0xFF, sums >> 8 & 0xFF);
            drawWaterfallPixel(four + 2, palette, levels >> 16 & 0xFF, sums >> 16 & 0xFF);
            drawWaterfallPixel(four + 3, palette, levels >> 24, sums >> 24);
        }
    }
}

// The current greeting's letters, each turned by a wobbling angle and cut by
// the waterfall mask.
void CaveScene::drawGreeting() {
    if (currentGreeting < 0 || currentGreeting >= GREETING_COUNT) return;
    const int g = currentGreeting;
    const int length = static_cast<int>(strlen(greetings[g]));
    for (int j = 0; j < GREETING_SLOT; j++) {
        const unsigned char letter = static_cast<unsigned char>(greetings[g][j]);
        if (letter == 0) continue;
        const uint32_t phase = (static_cast<uint32_t>(wavePhase) + 4096 * j) & 0xFFFF;
        const int32_t angle = 32000 + (SineTable[phase] >> 3);
        greetFont->drawRotatedGlyph(164 + 14 * j - 7 * length, letterDrop[g][j] + letterFall[g][j],
                                    letter, static_cast<uint16_t>(angle), waterfallMask->pixels);
    }
}
