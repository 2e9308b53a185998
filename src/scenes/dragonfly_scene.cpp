#include "scenes/dragonfly_scene.h"

#include <cstdlib>

#include "core/camera.h"
#include "core/pixel.h"
#include "core/trig_tables.h"
#include "render3d/mesh.h"
#include "video/image.h"
#include "video/screen.h"

namespace {

const int32_t FLOWER_START_X[FLOWER_COUNT] = {-6, -10, -1, 4, 3, -5, 6, -8, -1, -3, 2, 7};
const int32_t FLOWER_START_DEPTH[FLOWER_COUNT] = {3, 6, 5, 3, 8, 10, 11, 12, 13, 18, 17, 15};
const int32_t WING_LIFT[WING_FRAME_COUNT] = {60, 40, 10};
// Weight of a flower texel against the haze in textures 1, 2 and 3.
const uint32_t HAZE_WEIGHTS[3] = {0xC000, 0x8000, 0x4000};
const int TEXTURE_SIZE = 256;
const uint32_t CREDITS_START = 200000; // ms: the bands start sliding in
const uint32_t OPAQUE = 63;
const uint32_t LIGHTEST_WING = 10; // wing opacities up to this are not drawn
const int32_t WING_LEFT = 95;      // wing column drawn on the dragonfly's centre

} // namespace

DragonflyScene::DragonflyScene() {
    bodyPicture = new Image("data/dragonfly.png", BODY_WIDTH, BODY_HEIGHT);
    bodyOpacity = new Image("data/dragonfly_opac.png", BODY_WIDTH, BODY_HEIGHT);
    wingPictures[0] = new Image("data/df_wing1.png", WING_WIDTH, 1);
    wingPictures[1] = new Image("data/df_wing2.png", WING_WIDTH, 1);
    wingPictures[2] = new Image("data/df_wing3.png", WING_WIDTH, 1);
    creditsPicture = new Image("data/credits.png", CREDITS_WIDTH, CREDITS_ROWS);
    creditsOpacity = new Image("data/credits_opac.png", CREDITS_WIDTH, CREDITS_ROWS);
    background = new Image("data/bg.png", SCREEN_WIDTH, SCREEN_HEIGHT);
    flowerTextures[0] = new Image("data/kukka.png", TEXTURE_SIZE, TEXTURE_SIZE);

    flower = new Mesh("data/kukka.ase", flowerTextures[0], flowerTextures[0], 121, 121, 224);
    for (int t = 1; t < FLOWER_TEXTURE_COUNT; t++)
        flowerTextures[t] = new Image(TEXTURE_SIZE, TEXTURE_SIZE);
    buildHazedTextures();

    flower->focalLength = fixedFromDouble(250.0);
    for (int f = 0; f < WING_FRAME_COUNT; f++)
        wingLift[f] = WING_LIFT[f];
    wingFrame = 0;
    hoverAngle = 0;

    // The flowers' heights come from the shared random sequence: three
    // numbers per flower, of which only the third is used.
    for (int k = 0; k < FLOWER_COUNT; k++) {
        rand();
        rand();
        const int r = rand() % 10;
        flowerZ[k] = static_cast<int32_t>((static_cast<float>(r) / 10.0f - 3.0f) * 65536.0f);
    }
    for (int k = 0; k < FLOWER_COUNT; k++) {
        flowerX[k] = FLOWER_START_X[k] * 65536;
        flowerDepth[k] = FLOWER_START_DEPTH[k] * 65536;
    }
    lastTime = -1;
    creditsSprite = new Sprite(
        *creditsPicture, [this](int32_t i) { return opacityLevel(creditsOpacity->pixels[i]); });
    bodySprite = new Sprite(*bodyPicture,
                            [this](int32_t i) { return opacityLevel(bodyOpacity->pixels[i]); });
    // The darker a wing pixel, the more opaque.
    for (int f = 0; f < WING_FRAME_COUNT; f++) {
        const uint16_t* wing = wingPictures[f]->pixels;
        wingSprites[f] = new Sprite(*wingPictures[f], [wing](int32_t i) {
            const uint32_t o = OPAQUE - greenOf(wing[i]);
            return o > LIGHTEST_WING ? o : 0;
        });
    }
    for (int b = 0; b < CREDITS_BAND_COUNT; b++) {
        creditsX[b] = 0;
        creditsBob[b] = 0; // set by every update before it is read
    }
}

DragonflyScene::~DragonflyScene() {
    delete bodyPicture;
    delete bodyOpacity;
    for (Image* wing : wingPictures)
        delete wing;
    delete background;
    for (Image* texture : flowerTextures)
        delete texture;
    delete flower;
    delete creditsPicture;
    delete creditsOpacity;
    delete creditsSprite;
    for (Sprite* wing : wingSprites)
        delete wing;
    delete bodySprite;
}

// The flower picture hazed 25 %, 50 % and 75 % towards the haze colour, and
// the haze alone, made once so that fading a flower only swaps its texture.
void DragonflyScene::buildHazedTextures() {
    const uint16_t* plain = flowerTextures[0]->pixels;
    for (int i = 0; i < TEXTURE_SIZE * TEXTURE_SIZE; i++) {
        for (int t = 0; t < 3; t++)
            flowerTextures[t + 1]->pixels[i] =
                blendWeighted(plain[i], HAZE_COLOUR, HAZE_WEIGHTS[t]);
        flowerTextures[4]->pixels[i] = HAZE_COLOUR;
    }
}

void DragonflyScene::update(uint32_t now) {
    const int32_t elapsed = lastTime == -1 ? 0 : static_cast<int32_t>(now - lastTime);
    lastTime = static_cast<int32_t>(now);
    wingFrame = (wingFrame + 1) % WING_FRAME_COUNT;
    hoverAngle = static_cast<int32_t>((8 * now) & 0xFFFF);

    Camera* camera = Screen::instance()->camera;
    camera->position.x = 0;
    camera->position.y = 0;
    camera->position.z = 0;
    camera->angleX = 16384;
    camera->angleY = 0;
    camera->angleZ = SineTable[(SineTable[(4 * (now - 100000)) & 0xFFFF] >> 7) & 0xFFFF];
    flower->angleX = 0;
    flower->angleY = 0;
    flower->angleZ = 0;
    camera->update();

    // One unit nearer every 256 ms; nearer than 2.0 starts again at 20.0.
    const uint32_t approach = 256 * static_cast<uint32_t>(elapsed);
    for (int k = 0; k < FLOWER_COUNT; k++) {
        const int32_t depth =
            static_cast<int32_t>(static_cast<uint32_t>(flowerDepth[k]) - approach) %
            FLOWER_FARTHEST;
        flowerDepth[k] = depth >= FLOWER_NEAREST ? depth : FLOWER_FARTHEST;
    }

    // One pixel per 64 ms from 200000 ms; before that u is huge and every
    // band lies far off the screen.
    const int32_t u = static_cast<int32_t>((now - CREDITS_START) >> 6);
    creditsX[0] = u - 260;
    creditsX[1] = 400 - u;
    creditsX[2] = u - 400;
    creditsBob[0] = (SineTable[(10 * now) & 0xFFFF] * 10) >> 16;
    creditsBob[1] = (SineTable[(8 * now) & 0xFFFF] * 15) >> 16;
    creditsBob[2] = (SineTable[(9 * now) & 0xFFFF] * 13) >> 16;
}

void DragonflyScene::render() {
    background->copyToScreen();
    Screen::instance()->clearDepth(0x3E80000); // 1000.0, once for all flowers
    drawFlowers();

    drawCreditsBand(creditsX[0], creditsBob[0] + 20, 180, 0, 56);
    drawCreditsBand(creditsX[1], creditsBob[1] + 90, 130, 66, 118);
    drawCreditsBand(creditsX[2], creditsBob[2] + 40, 110, 126, 176);

    // A circle of radius 20 around (160, 170), one turn per 8192 ms.
    const int cx = 160 + ((20 * SineTable[hoverAngle & 0xFFFF]) >> 16);
    const int cy = 170 + ((20 * CosineTable[hoverAngle & 0xFFFF]) >> 16);
    drawWings(cx, cy);
    drawBody(cx, cy);
}

// One mesh drawn twelve times; distant copies take the hazed textures. The
// copies share the depth buffer, so nearer ones hide farther ones.
void DragonflyScene::drawFlowers() {
    for (int k = 0; k < FLOWER_COUNT; k++) {
        flower->position.x = flowerX[k];
        flower->position.y = flowerDepth[k];
        flower->position.z = flowerZ[k];
        int32_t haze = (flowerDepth[k] >> 16) - 15;
        if (haze < 0) haze = 0;
        if (haze > FLOWER_TEXTURE_COUNT - 1) haze = FLOWER_TEXTURE_COUNT - 1;
        flower->texture = flowerTextures[haze];
        flower->transform();
        flower->render();
    }
}

void DragonflyScene::drawCreditsBand(int32_t x, int32_t y, int32_t width, int32_t firstRow,
                                     int32_t endRow) {
    creditsSprite->draw(x, y, firstRow, endRow, width);
}

// The wing frame in use, centred on the dragonfly and lifted by its own
// amount. The frame's last row is not drawn.
void DragonflyScene::drawWings(int cx, int cy) {
    const Image* wing = wingPictures[wingFrame];
    const int32_t top = cy - (wing->height >> 1) - wingLift[wingFrame];
    wingSprites[wingFrame]->draw(cx - WING_LEFT, top, 0, wing->height - 1, WING_WIDTH);
}

void DragonflyScene::drawBody(int cx, int cy) {
    bodySprite->draw(cx - BODY_WIDTH / 2, cy - BODY_HEIGHT / 2, 0, BODY_HEIGHT, BODY_WIDTH);
}
