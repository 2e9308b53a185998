// The biplane flying through three cloud layers that rush towards the viewer.
#pragma once

#include <cstdint>

#include "core/fixed.h"
#include "video/screen.h"

class Image;
class Mesh;

// One cloud picture scaled about screen column 340, row count -10, by a
// factor that follows the layer's depth.
struct CloudLayer {
    int32_t depth;   // 1..90000; index into the fade table; equal to scale
    int32_t originU; // Fixed texel column sampled at screen column 0
    int32_t originV; // Fixed texel row sampled at row count 0
    int32_t scale;   // Fixed texel step per screen pixel, both directions
};

const int CLOUD_LAYER_COUNT = 3;
// Depths run from CLOUD_DEPTH_CYCLE down to 1; the fade table covers 0..cycle-1.
const int32_t CLOUD_DEPTH_CYCLE = 90000;
const uint16_t CLOUD_SKY = 0x3393;                        // (6, 28, 19)
const int32_t CLOUD_CLEAR_DEPTH = fixedFromDouble(100.0); // pixels the biplane did not cover
// Words of CloudScene::light: the layers' light by texel byte, then the sky
// pixel by the summed light (layout in cloud_scene.cpp).
const int CLOUD_LIGHT_WORDS = 952;

class CloudScene {
  public:
    CloudLayer layers[CLOUD_LAYER_COUNT];
    Mesh* biplane;
    Image* biplaneTexture;
    Image* clouds[CLOUD_LAYER_COUNT];     // 256x256; only green is read
    uint8_t* greens[CLOUD_LAYER_COUNT];   // picture k's green + 64 k, one byte a texel
    int32_t fadeTable[CLOUD_DEPTH_CYCLE]; // subtracted from a texel's green, by depth
    int32_t oddField;                     // which rows (even 0, odd 1) the field passes draw
    uint32_t light[CLOUD_LIGHT_WORDS];    // the layers' part made per frame from their fades
    // One layer's light words along the row last drawn, two pixels a word
    // (the first in the low half), kept for the rows after it that walk the
    // same texels (drawRow).
    uint32_t slowWords[SCREEN_WIDTH / 2 + 1]; // and an end mark
    uint32_t slowWordsAt;                     // that walk's first position
    bool slowWordsValid;                      // made in this drawClouds call
    int32_t slowLayer;

    CloudScene();
    ~CloudScene();
    CloudScene(const CloudScene&) = delete;
    CloudScene& operator=(const CloudScene&) = delete;

    void update(uint32_t time);
    void render();

    // Places a layer at depth z (1..90000).
    static void placeLayer(CloudLayer& layer, int32_t z);

    // The three cloud passes around the band of rows [top, bottom) that the
    // biplane drew; rows outside the screen are never written.
    void drawClouds(int32_t top, int32_t bottom);

  private:
    void drawRow(int row, const int32_t* rowV, const int32_t* fade, bool band);
};
