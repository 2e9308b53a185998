#include "scenes/lighthouse_scene.h"

#include <cstdlib>

#include "core/pixel.h"
#include "video/image.h"
#include "video/screen.h"

namespace {
const uint32_t LOGO_START_MS = 50000;
const int32_t LEVEL_REVEALED = 255;
const uint32_t LAMP_PERIOD_MS = 2000;

const int LAMP_SIZE = 128; // the picture's row length and minimum height
const int LAMP_ROWS = 128;
const int LAMP_COLUMNS = 112; // only the left 112 columns are drawn
const int LAMP_TOP = 32;
const int LAMP_LEFT = 208;
const uint16_t LAMP_COLOUR = packRgb565(31, 63, 30);

const int32_t LOGO_FIRST_INDEX = 20196; // row 63, column 36
const int32_t GLOW_LAST_INDEX = 55962;  // row 174, column 282
const int32_t EDGE_WIDTH = 10;          // levels either side of the edge

const int SPARK_SIZE = 32;
const int SPARK_HALF = 16;
const int SPARK_CANDIDATES = 100;
const int32_t SPARK_FALL = 10;      // rows per update
const int32_t SPARK_LAST_ROW = 250; // a spark below this is gone
const uint16_t SPARK_COLOUR = packRgb565(31, 60, 27);

// The twirl map stores a quarter of each pixel's reveal level.
inline int32_t levelOf(uint16_t twirl) {
    return 4 * static_cast<int32_t>(greenOf(twirl));
}
} // namespace

LighthouseScene::LighthouseScene()
    : lighthousePicture(new Image("data/majakka.png", SCREEN_WIDTH, SCREEN_HEIGHT)),
      lampPicture(new Image("data/majakka_light.png", LAMP_SIZE, LAMP_SIZE)), sparkPicture(nullptr),
      twirlMap(nullptr), logoPicture(nullptr), logoAlpha(nullptr), lampOn(false), revealLevel(-1),
      sparkX(), sparkY(), sparkActive(), nextSpark(0) {
    // The twirl map is loaded before the spark, unlike the field order.
    twirlMap = new Image("data/map_twirl.png", SCREEN_WIDTH, SCREEN_HEIGHT);
    sparkPicture = new Image("data/spark.png", SPARK_SIZE, SPARK_SIZE);
    logoPicture = new Image("data/quorvane_logo.png", SCREEN_WIDTH, SCREEN_HEIGHT);
    logoAlpha = new Image("data/quorvane_alpha.png", SCREEN_WIDTH, SCREEN_HEIGHT);
}

LighthouseScene::~LighthouseScene() {
    delete lighthousePicture;
    delete lampPicture;
    delete twirlMap;
    delete sparkPicture;
    delete logoPicture;
    delete logoAlpha;
}

void LighthouseScene::update(uint32_t now) {
    if (now <= LOGO_START_MS) {
        revealLevel = -1;
    } else {
        const uint32_t level = (now - LOGO_START_MS) >> 4; // one level per 16 ms
        revealLevel = level > LEVEL_REVEALED ? LEVEL_REVEALED : static_cast<int32_t>(level);
    }

    // Flash 50 ms, dark 50 ms, lit 300 ms, dark 1600 ms.
    const uint32_t m = now % LAMP_PERIOD_MS;
    lampOn = m < 50 || (m >= 100 && m <= 399);

    // Sparks live only while the logo is growing (level 0..254).
    if (static_cast<uint32_t>(revealLevel) > 254) return;
    spawnSparks();
    moveSparks();
}

bool LighthouseScene::onGrowingEdge(int32_t index) const {
    const int32_t v = levelOf(twirlMap->pixels[index]);
    return v + EDGE_WIDTH > revealLevel && v - EDGE_WIDTH < revealLevel &&
           greenOf(logoAlpha->pixels[index]) != 0;
}

void LighthouseScene::spawnSparks() {
    for (int candidate = 0; candidate < SPARK_CANDIDATES; candidate++) {
        // Unsigned so that rand() near RAND_MAX wraps instead of overflowing;
        // the low bits are the same.
        const int32_t x = (static_cast<uint32_t>(rand()) + 64) & 255;
        const int32_t y = (static_cast<uint32_t>(rand()) + 96) & 127;
        if (!onGrowingEdge(SCREEN_WIDTH * y + x)) continue;
        sparkY[nextSpark] = y;
        sparkActive[nextSpark] = true;
        sparkX[nextSpark] = x;
        nextSpark = nextSpark == LIGHTHOUSE_SPARK_SLOTS - 1 ? 0 : nextSpark + 1;
    }
}

void LighthouseScene::moveSparks() {
    for (int s = 0; s < LIGHTHOUSE_SPARK_SLOTS; s++) {
        if (!sparkActive[s]) continue;
        sparkY[s] += SPARK_FALL;
        if (sparkY[s] > SPARK_LAST_ROW) sparkActive[s] = false;
    }
}

void LighthouseScene::render() {
    lighthousePicture->copyToScreen();
    if (lampOn) drawLamp();
    if (revealLevel < 0) return;
    drawLogo();
    if (revealLevel > 254) return;
    drawEdgeGlow();
    drawSparks();
}

void LighthouseScene::drawLamp() {
    const uint16_t* opacities = lampPicture->pixels;
    uint16_t* screen = Screen::instance()->pixels;
    for (int r = 0; r < LAMP_ROWS; r++) {
        uint16_t* target = screen + (LAMP_TOP + r) * SCREEN_WIDTH + LAMP_LEFT;
        const uint16_t* row = opacities + LAMP_SIZE * r;
        for (int c = 0; c < LAMP_COLUMNS; c++) {
            const uint32_t opacity = greenOf(row[c]);
            if (opacity != 0) target[c] = blendOpacity(LAMP_COLOUR, target[c], opacity);
        }
    }
}

// Pixels whose reveal level lies beyond the current one are skipped before
// the logo and its opacity are read; a zero opacity would leave the pixel as
// it is, so it is skipped too.
void LighthouseScene::drawLogo() {
    const uint16_t* twirl = twirlMap->pixels;
    const uint16_t* colours = logoPicture->pixels;
    const uint16_t* opacities = logoAlpha->pixels;
    uint16_t* screen = Screen::instance()->pixels;
    for (int32_t i = LOGO_FIRST_INDEX; i < SCREEN_PIXELS; i++) {
        if (levelOf(twirl[i]) > revealLevel) continue;
        const uint32_t opacity = greenOf(opacities[i]);
        if (opacity != 0) screen[i] = blendOpacity(colours[i], screen[i], opacity);
    }
}

// The band of logo pixels within 10 levels of the reveal level glows, the
// brighter the further it still is from being revealed.
void LighthouseScene::drawEdgeGlow() {
    const uint16_t* twirl = twirlMap->pixels;
    uint16_t* screen = Screen::instance()->pixels;
    for (int32_t i = LOGO_FIRST_INDEX; i <= GLOW_LAST_INDEX; i++) {
        if (!onGrowingEdge(i)) continue;
        const int32_t amount = levelOf(twirl[i]) - revealLevel + EDGE_WIDTH; // 1..19
        screen[i] = brighten(screen[i], amount);
    }
}

// Sparks are clipped by screen index only: rows above and below the screen
// are cut, but a spark reaching past the left edge lands at the right end of
// the row above (and past the right edge at the start of the row below).
void LighthouseScene::drawSparks() {
    const uint16_t* opacities = sparkPicture->pixels;
    uint16_t* screen = Screen::instance()->pixels;
    for (int s = 0; s < LIGHTHOUSE_SPARK_SLOTS; s++) {
        if (!sparkActive[s]) continue;
        const int32_t corner = SCREEN_WIDTH * (sparkY[s] - SPARK_HALF) + (sparkX[s] - SPARK_HALF);
        for (int j = 0; j < SPARK_SIZE; j++) {
            const int32_t rowStart = corner + SCREEN_WIDTH * j;
            for (int k = 0; k < SPARK_SIZE; k++) {
                const int32_t index = rowStart + k;
                if (static_cast<uint32_t>(index) >= static_cast<uint32_t>(SCREEN_PIXELS)) continue;
                screen[index] = blendOpacity(SPARK_COLOUR, screen[index],
                                             greenOf(opacities[SPARK_SIZE * j + k]));
            }
        }
    }
}
