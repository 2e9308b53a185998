// A full-screen background with a feather drifting down it, swinging from
// side to side and rocking about its centre; from 16 s on a piece of fruit
// fades in over the middle of the picture, on top of the feather.
#pragma once

#include <cstdint>
#include <vector>

#include "video/image.h"

class FeatherScene {
  public:
    Image* background;   // 320x240, copied over the whole screen each frame
    Image* feather;      // 128x128 colours
    Image* featherAlpha; // 128x128; green field = the feather's opacity
    Image* fruit;        // 320x240, laid over the screen pixel for pixel
    Image* fruitOpacity; // 320x240; green field = the fruit's opacity
    uint32_t swingPhase; // now * 8; its low 16 bits are the rocking angle
    int32_t featherY;    // (now >> 8) - 100: top row before the offset of 56
    int32_t featherX;    // -50..49: sideways offset
    bool fruitVisible;
    int32_t fruitFade; // 16.16 amount taken off the fruit's opacity weight
    // Made once from the pictures above: the feather as level << 24 | colour
    // (blendLevel's levels, 0 for nothing), and the fruit's pixels of
    // non-zero opacity as dabs at their screen index, opacity as the level.
    std::vector<uint32_t> featherTexels;
    std::vector<Dab> fruitDabs;

    FeatherScene();
    ~FeatherScene();
    FeatherScene(const FeatherScene&) = delete;
    FeatherScene& operator=(const FeatherScene&) = delete;

    void update(uint32_t now);
    void render();

  private:
    void drawFeather();
    void drawFruit();
};
