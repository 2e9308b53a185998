#include "scenes/feather_scene.h"

#include "core/pixel.h"
#include "core/trig_tables.h"
#include "video/image.h"
#include "video/screen.h"

namespace {
const int FEATHER_SIZE = 128;
const int FEATHER_CENTRE = 64;
const int FEATHER_TOP_OFFSET = 56;  // added to featherY
const int FEATHER_LEFT_OFFSET = 97; // added to featherX
const int ROCK_CENTRE_ANGLE = 40000;
const int32_t FRUIT_FIRST_INDEX = 25971; // row 81, column 51
const int32_t FRUIT_LAST_INDEX = 49554;  // row 154, column 274
const uint32_t FRUIT_START_MS = 16000;
const int64_t FRUIT_FADE_ORIGIN = 0x3F8000; // the fade reaches 0 at 16256 ms
} // namespace

FeatherScene::FeatherScene()
    : background(new Image("data/bg3.png", SCREEN_WIDTH, SCREEN_HEIGHT)),
      feather(new Image("data/feather.png", FEATHER_SIZE, FEATHER_SIZE)),
      featherAlpha(new Image("data/feather_alpha.png", FEATHER_SIZE, FEATHER_SIZE)),
      fruit(new Image("data/hedelmae.png", SCREEN_WIDTH, SCREEN_HEIGHT)),
      fruitOpacity(new Image("data/hedelmae_opac.png", SCREEN_WIDTH, SCREEN_HEIGHT)), swingPhase(0),
      featherY(-100), featherX(0), fruitVisible(false), fruitFade(0) {}

FeatherScene::~FeatherScene() {
    delete background;
    delete feather;
    delete featherAlpha;
    delete fruit;
    delete fruitOpacity;
}

void FeatherScene::update(uint32_t now) {
    swingPhase = now * 8;
    featherY = static_cast<int32_t>(now >> 8) - 100;
    featherX = (50 * SineTable[(now * 8 + 32000) & 0xFFFF]) >> 16;
    if (now <= FRUIT_START_MS) {
        fruitVisible = false; // the fade keeps whatever it had
        return;
    }
    fruitVisible = true;
    // Widened so that a late time cannot wrap the product into a positive fade.
    const int64_t fade = FRUIT_FADE_ORIGIN - static_cast<int64_t>(now) * 256;
    fruitFade = fade < 0 ? 0 : static_cast<int32_t>(fade);
}

void FeatherScene::render() {
    background->copyToScreen();
    drawFeather();
    if (fruitVisible) drawFruit();
}

// Turns the feather about its centre: each screen pixel of the 128x128 square
// looks up its source by the inverse rotation. The source position is walked
// by additions, cs and -sn along a row, sn and cs from row to row.
void FeatherScene::drawFeather() {
    const int32_t angle = (ROCK_CENTRE_ANGLE + (SineTable[swingPhase & 0xFFFF] >> 3)) & 0xFFFF;
    const int32_t cs = CosineTable[angle];
    const int32_t sn = SineTable[angle];
    const int32_t top = featherY + FEATHER_TOP_OFFSET;
    const int32_t left = featherX + FEATHER_LEFT_OFFSET;

    // Rows above and below the screen are cut. featherX stays within -50..49,
    // so the columns (47..273) never leave the screen; clipping them as well
    // only keeps the writes safe should that ever change.
    const int32_t firstRow = top < 0 ? -top : 0;
    const int32_t endRow = top + FEATHER_SIZE > SCREEN_HEIGHT ? SCREEN_HEIGHT - top : FEATHER_SIZE;
    const int32_t firstColumn = left < 0 ? -left : 0;
    const int32_t endColumn =
        left + FEATHER_SIZE > SCREEN_WIDTH ? SCREEN_WIDTH - left : FEATHER_SIZE;
    if (firstRow >= endRow || firstColumn >= endColumn) return;

    const uint16_t* colours = feather->pixels;
    const uint16_t* opacities = featherAlpha->pixels;
    uint16_t* screen = Screen::instance()->pixels;

    // Unshifted source coordinates of (firstColumn, firstRow), centred on 0.
    const int32_t dx0 = firstColumn - FEATHER_CENTRE;
    const int32_t dy0 = firstRow - FEATHER_CENTRE;
    int32_t rowU = dx0 * cs + dy0 * sn;
    int32_t rowV = dy0 * cs - dx0 * sn;
    for (int32_t i = firstRow; i < endRow; i++, rowU += sn, rowV += cs) {
        uint16_t* target = screen + (top + i) * SCREEN_WIDTH + left;
        int32_t u = rowU;
        int32_t v = rowV;
        for (int32_t j = firstColumn; j < endColumn; j++, u += cs, v -= sn) {
            const int32_t tx = (u >> 16) + FEATHER_CENTRE;
            const int32_t ty = (v >> 16) + FEATHER_CENTRE;
            if (static_cast<uint32_t>(tx) >= FEATHER_SIZE ||
                static_cast<uint32_t>(ty) >= FEATHER_SIZE)
                continue; // a corner of the turned square
            const int32_t source = ty * FEATHER_SIZE + tx;
            const uint32_t opacity = greenOf(opacities[source]);
            if (opacity == 63)
                target[j] = colours[source];
            else if (opacity != 0)
                target[j] = blendOpacity(colours[source], target[j], opacity);
        }
    }
}

// Blends the fruit over the fixed stretch of the screen it covers, its
// opacity reduced by the fade while it fades in.
void FeatherScene::drawFruit() {
    const uint16_t* colours = fruit->pixels;
    const uint16_t* opacities = fruitOpacity->pixels;
    uint16_t* screen = Screen::instance()->pixels;
    for (int32_t k = FRUIT_FIRST_INDEX; k <= FRUIT_LAST_INDEX; k++) {
        const int32_t weight = static_cast<int32_t>(greenOf(opacities[k]) * 1024) - fruitFade;
        if (weight > 0) screen[k] = blendWeighted(colours[k], screen[k], weight);
    }
}
