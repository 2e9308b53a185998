// The closing scene: flower meshes drifting out of a haze, credits sliding
// across and a dragonfly hovering in front of everything.
#pragma once

#include <cstdint>

#include "core/fixed.h"

class Image;
class Mesh;
class Sprite;

const int FLOWER_COUNT = 12;
const int FLOWER_TEXTURE_COUNT = 5; // plain, hazed 25 %, 50 %, 75 %, all haze
const int WING_FRAME_COUNT = 3;
const int CREDITS_BAND_COUNT = 3;
const int WING_WIDTH = 192;
const int BODY_WIDTH = 32;
const int BODY_HEIGHT = 84;
const int CREDITS_WIDTH = 256; // pixels per row of the credits pictures
const int CREDITS_ROWS = 176;
const uint16_t HAZE_COLOUR = 0xF7BD; // (30, 61, 29)
const int32_t FLOWER_NEAREST = fixedFromDouble(2.0);
const int32_t FLOWER_FARTHEST = fixedFromDouble(20.0);

class DragonflyScene {
  public:
    Image* bodyPicture;
    Image* bodyOpacity; // opacity in green
    Image* creditsPicture;
    Image* creditsOpacity; // opacity in green
    Image* wingPictures[WING_FRAME_COUNT];
    int32_t wingLift[WING_FRAME_COUNT]; // rows each frame is drawn above its centre
    int32_t wingFrame;
    Image* background;
    int32_t hoverAngle; // the dragonfly's place on its circle
    Mesh* flower;
    Image* flowerTextures[FLOWER_TEXTURE_COUNT];
    int32_t flowerX[FLOWER_COUNT];          // Fixed position.x of each copy
    int32_t flowerDepth[FLOWER_COUNT];      // Fixed position.y: distance, 2.0 to 20.0
    int32_t flowerZ[FLOWER_COUNT];          // Fixed position.z
    int32_t lastTime;                       // time of the previous update; -1 before the first
    int32_t creditsX[CREDITS_BAND_COUNT];   // screen column of each band's left edge
    int32_t creditsBob[CREDITS_BAND_COUNT]; // vertical wobble of each band
    // The drawn pixels of the credits, the wing frames and the body, cut out
    // of the pictures above once.
    Sprite* creditsSprite;
    Sprite* wingSprites[WING_FRAME_COUNT];
    Sprite* bodySprite;

    DragonflyScene();
    ~DragonflyScene();
    DragonflyScene(const DragonflyScene&) = delete;
    DragonflyScene& operator=(const DragonflyScene&) = delete;

    void update(uint32_t time);
    void render();

  private:
    void buildHazedTextures();
    void drawFlowers();
    void drawCreditsBand(int32_t x, int32_t y, int32_t width, int32_t firstRow, int32_t endRow);
    void drawWings(int cx, int cy);
    void drawBody(int cx, int cy);
};
