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
      featherY(-100), featherX(0), fruitVisible(false), fruitFade(0) {
    for (int i = 0; i < FEATHER_SIZE * FEATHER_SIZE; i++)
        featherTexels.push_back(opacityLevel(featherAlpha->pixels[i]) << 24 | feather->pixels[i]);
    for (int32_t k = FRUIT_FIRST_INDEX; k <= FRUIT_LAST_INDEX; k++) {
        const uint32_t opacity = greenOf(fruitOpacity->pixels[k]);
        if (opacity != 0) fruitDabs.push_back({2 * k, opacity << 24 | fruit->pixels[k]});
    }
}

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

    const uint32_t* texels = featherTexels.data();
    uint16_t* screen = Screen::instance()->pixels;

    // Unshifted source coordinates of (firstColumn, firstRow), centred on 0,
    // then moved by the centre: the whole part of each is then its texel
    // column or row (within +-2^24, far from overflowing).
    const int32_t dx0 = firstColumn - FEATHER_CENTRE;
    const int32_t dy0 = firstRow - FEATHER_CENTRE;
    int32_t rowU = dx0 * cs + dy0 * sn + (FEATHER_CENTRE << 16);
    int32_t rowV = dy0 * cs - dx0 * sn + (FEATHER_CENTRE << 16);
    for (int32_t i = firstRow; i < endRow; i++, rowU += sn, rowV += cs) {
        uint16_t* target = screen + (top + i) * SCREEN_WIDTH + left;
        int32_t u = rowU;
        int32_t v = rowV;
        for (int32_t j = firstColumn; j < endColumn; j++, u += cs, v -= sn) {
            // Both whole parts lie within 0..127 exactly when neither word
            // has a bit at 2^23 or above (a negative one has the top bit).
            if (static_cast<uint32_t>(u | v) >= uint32_t(FEATHER_SIZE) << 16)
                continue; // a corner of the turned square
            const uint32_t texel = texels[(v >> 16) * FEATHER_SIZE + (u >> 16)];
            if (texel >> 24 != 0) blendDab(target + j, texel); // level 0 leaves the pixel
        }
    }
}

// Blends the fruit over the fixed stretch of the screen it covers, its
// opacity reduced by the fade while it fades in. A pixel of opacity 0 has no
// weight left, so only the dabs can be drawn; once the fade is over each
// weight is the opacity's, blendLevel's.
void FeatherScene::drawFruit() {
    uint16_t* screen = Screen::instance()->pixels;
    const Dab* end = fruitDabs.data() + fruitDabs.size();
    if (fruitFade == 0) {
        drawDabs(screen, 0, fruitDabs.data(), end);
        return;
    }
    for (const Dab* dab = fruitDabs.data(); dab != end; dab++) {
        const int32_t weight = static_cast<int32_t>((dab->colourLevel >> 24) * 1024) - fruitFade;
        uint16_t& target = screen[dab->offset / 2];
        if (weight > 0)
            target = blendWeighted(static_cast<uint16_t>(dab->colourLevel), target, weight);
    }
}
