// A full-screen lighthouse whose lamp flashes in a fixed rhythm; from 50 s on
// the logo grows in over it in the order of a twirl map, its growing edge
// glows and throws off sparks that fall down the screen.
#pragma once

#include <cstdint>
#include <vector>

#include "video/image.h"

const int LIGHTHOUSE_SPARK_SLOTS = 100;

class LighthouseScene {
  public:
    Image* lighthousePicture; // 320x240, copied over the whole screen each frame
    Image* lampPicture;       // 128 wide, >= 128 rows; green = the glow's opacity
    Image* sparkPicture;      // 32x32; green = a spark's opacity
    Image* twirlMap;          // 320x240; green = each pixel's reveal level / 4
    Image* logoPicture;       // 320x240
    Image* logoAlpha;         // 320x240; green = the logo's opacity
    bool lampOn;
    int32_t revealLevel;                    // -1 before the logo part, then 0..255
    int32_t sparkX[LIGHTHOUSE_SPARK_SLOTS]; // column of each spark's centre
    int32_t sparkY[LIGHTHOUSE_SPARK_SLOTS]; // row of each spark's centre
    bool sparkActive[LIGHTHOUSE_SPARK_SLOTS];
    int32_t nextSpark; // the slot the next spark takes, a ring of 100
    // The pixels the lamp, a spark and the logo draw, cut out of their
    // pictures once: the lamp's and a spark's (drawTint's, of one colour) in
    // screen order, the logo's grouped by reveal level (a quarter level,
    // 0..63), each group in screen order, group q starting at
    // logoLevelStart[q].
    std::vector<uint32_t> lampTint;
    std::vector<uint32_t> sparkTint;
    std::vector<Dab> logoDabs;
    int32_t logoLevelStart[65];
    Image* revealedPictures[2]; // the frame once the logo is whole: lamp dark, lit

    LighthouseScene();
    ~LighthouseScene();
    LighthouseScene(const LighthouseScene&) = delete;
    LighthouseScene& operator=(const LighthouseScene&) = delete;

    void update(uint32_t now);
    void render();

  private:
    void cutDabs();
    void spawnSparks();
    void moveSparks();
    void drawLamp(uint16_t* pixels);
    void drawLogo(uint16_t* pixels, int32_t level);
    void drawEdgeGlow();
    void drawSparks();
    bool onGrowingEdge(int32_t index) const;
};
