#include "scenes/lighthouse_scene.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "core/pixel.h"
#include "video/image.h"
#include "video/screen.h"

namespace {
const uint32_t LOGO_START_MS = 50000;
const int32_t LEVEL_REVEALED = 255;
const int TWIRL_STEPS = 64; // the twirl map's greens
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
    cutDabs();
    // Once the logo is whole a frame is the lighthouse, the lamp if lit and
    // the whole logo: both of them are made here, once.
    for (int lit = 0; lit < 2; lit++) {
        revealedPictures[lit] = new Image(SCREEN_WIDTH, SCREEN_HEIGHT);
        uint16_t* pixels = revealedPictures[lit]->pixels;
        memcpy(pixels, lighthousePicture->pixels, SCREEN_BYTES);
        if (lit) drawLamp(pixels);
        drawLogo(pixels, LEVEL_REVEALED);
    }
}

// Each opacity-0 pixel would leave the screen as it is, so only the others
// are kept. The logo's are kept from LOGO_FIRST_INDEX on, counted per twirl
// step and then placed group by group.
void LighthouseScene::cutDabs() {
    for (int r = 0; r < LAMP_ROWS; r++)
        for (int c = 0; c < LAMP_COLUMNS; c++) {
            const uint32_t opacity = greenOf(lampPicture->pixels[LAMP_SIZE * r + c]);
            if (opacity != 0)
                lampTint.push_back(uint32_t(2 * (SCREEN_WIDTH * r + c)) << 8 | opacity);
        }
    for (int j = 0; j < SPARK_SIZE; j++)
        for (int k = 0; k < SPARK_SIZE; k++) {
            const uint32_t opacity = greenOf(sparkPicture->pixels[SPARK_SIZE * j + k]);
            if (opacity != 0)
                sparkTint.push_back(uint32_t(2 * (SCREEN_WIDTH * j + k)) << 8 | opacity);
        }
    int32_t counts[TWIRL_STEPS] = {};
    for (int32_t i = LOGO_FIRST_INDEX; i < SCREEN_PIXELS; i++)
        if (greenOf(logoAlpha->pixels[i]) != 0) counts[greenOf(twirlMap->pixels[i])]++;
    logoLevelStart[0] = 0;
    for (int q = 0; q < TWIRL_STEPS; q++)
        logoLevelStart[q + 1] = logoLevelStart[q] + counts[q];
    logoDabs.resize(logoLevelStart[TWIRL_STEPS]);
    int32_t next[TWIRL_STEPS];
    std::copy(logoLevelStart, logoLevelStart + TWIRL_STEPS, next);
    for (int32_t i = LOGO_FIRST_INDEX; i < SCREEN_PIXELS; i++) {
        const uint32_t opacity = greenOf(logoAlpha->pixels[i]);
        if (opacity != 0)
            logoDabs[next[greenOf(twirlMap->pixels[i])]++] = {2 * i, opacity << 24 |
                                                                         logoPicture->pixels[i]};
    }
}

LighthouseScene::~LighthouseScene() {
    delete lighthousePicture;
    delete lampPicture;
    delete twirlMap;
    delete sparkPicture;
    delete logoPicture;
    delete logoAlpha;
    for (Image* picture : revealedPictures)
        delete picture;
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
    if (revealLevel == LEVEL_REVEALED) {
        revealedPictures[lampOn]->copyToScreen();
        return;
    }
    uint16_t* screen = Screen::instance()->pixels;
    lighthousePicture->copyToScreen();
    if (lampOn) drawLamp(screen);
    if (revealLevel < 0) return;
    drawLogo(screen, revealLevel);
    if (revealLevel > 254) return;
    drawEdgeGlow();
    drawSparks();
}

void LighthouseScene::drawLamp(uint16_t* pixels) {
    drawTint(pixels, 2 * (LAMP_TOP * SCREEN_WIDTH + LAMP_LEFT), LAMP_COLOUR, lampTint.data(),
             lampTint.data() + lampTint.size());
}

// Pixels whose reveal level lies beyond `level` are not drawn: the groups up
// to its own are.
void LighthouseScene::drawLogo(uint16_t* pixels, int32_t level) {
    const int32_t last = std::min(level >> 2, TWIRL_STEPS - 1); // levelOf(twirl) <= level
    drawDabs(pixels, 0, logoDabs.data(), logoDabs.data() + logoLevelStart[last + 1]);
}

// The band of logo pixels within 10 levels of the reveal level glows, the
// brighter the further it still is from being revealed: the groups of the
// twirl steps q with |4q - revealLevel| < 10, up to GLOW_LAST_INDEX.
void LighthouseScene::drawEdgeGlow() {
    uint16_t* screen = Screen::instance()->pixels;
    const int32_t firstStep = revealLevel < EDGE_WIDTH ? 0 : (revealLevel - EDGE_WIDTH) / 4 + 1;
    const int32_t lastStep = std::min(TWIRL_STEPS - 1, (revealLevel + EDGE_WIDTH - 1) / 4);
    for (int32_t q = firstStep; q <= lastStep; q++) {
        const uint32_t amount = 4 * q - revealLevel + EDGE_WIDTH; // 1..19
        const Dab* end = logoDabs.data() + logoLevelStart[q + 1];
        for (const Dab* dab = logoDabs.data() + logoLevelStart[q]; dab != end; dab++) {
            const int32_t i = dab->offset / 2;
            if (i > GLOW_LAST_INDEX) break; // the group is in screen order
            screen[i] = brighten(screen[i], amount);
        }
    }
}

// Sparks are clipped by screen index only: rows above and below the screen
// are cut, but a spark reaching past the left edge lands at the right end of
// the row above (and past the right edge at the start of the row below). A
// spark's pixels are in screen order, so those that land on the screen are
// one run.
void LighthouseScene::drawSparks() {
    uint16_t* screen = Screen::instance()->pixels;
    const uint32_t* tint = sparkTint.data();
    const uint32_t* tintEnd = tint + sparkTint.size();
    const auto before = [](uint32_t e, int32_t offset) { return int32_t(e >> 8) < offset; };
    for (int s = 0; s < LIGHTHOUSE_SPARK_SLOTS; s++) {
        if (!sparkActive[s]) continue;
        const int32_t corner = SCREEN_WIDTH * (sparkY[s] - SPARK_HALF) + (sparkX[s] - SPARK_HALF);
        const uint32_t* begin = std::lower_bound(tint, tintEnd, -2 * corner, before);
        const uint32_t* end =
            std::lower_bound(begin, tintEnd, 2 * (SCREEN_PIXELS - corner), before);
        drawTint(screen, 2 * corner, SPARK_COLOUR, begin, end);
    }
}
