// The cave with its palette waterfall, the falling greetings and the biplane
// passing through near the end.
#pragma once

#include <cstdint>
#include <vector>

class Font;
class Image;
class Mesh;

const int GREETING_COUNT = 10;
const int GREETING_SLOT = 12; // bytes per name, zero-filled
const int WATERFALL_LAYER_COUNT = 3;
const int WATERFALL_LEFT = 100;   // first screen column of the waterfall band
const int WATERFALL_WIDTH = 128;  // width of the band, the layers and the mask
const int WATERFALL_LOW_SUM = 90; // layer green sums up to this are not drawn
const int32_t NO_GREETING = GREETING_COUNT;

class CaveScene {
  public:
    Image* cavePicture;
    Font* greetFont;
    Image* waterfallLayers[WATERFALL_LAYER_COUNT]; // 128x256; only green is read
    Image* waterfallPalette; // colour ramp indexed by the green sum, 190 entries
    Image* waterfallMask;    // 128x240: opacity in green; the letters' clip plane
    Mesh* biplane;
    Image* biplaneTexture;
    int32_t layerOffsets[WATERFALL_LAYER_COUNT]; // scroll of each layer, in rows
    int32_t wavePhase;                           // phase of the letters' wobble
    char greetings[GREETING_COUNT][GREETING_SLOT];
    int32_t letterBase[GREETING_COUNT][GREETING_SLOT]; // start height and fall speed
    int32_t letterDrop[GREETING_COUNT][GREETING_SLOT]; // distance dropped so far
    int32_t letterFall[GREETING_COUNT][GREETING_SLOT]; // accumulated fall
    int32_t currentGreeting;                           // 0..9, or NO_GREETING
    bool biplaneVisible;
    // Made once from the pictures above: each layer's greens, 128x256 bytes,
    // and the mask's levels (blendLevel's 0..64), 128x240 bytes, both held in
    // words, four columns to a word; and for each row the columns from the
    // first to the last one the mask lets through.
    std::vector<uint32_t> layerGreens[WATERFALL_LAYER_COUNT];
    std::vector<uint32_t> maskLevels;
    uint8_t maskFirst[240];
    uint8_t maskEnd[240];

    CaveScene();
    ~CaveScene();
    CaveScene(const CaveScene&) = delete;
    CaveScene& operator=(const CaveScene&) = delete;

    void update(uint32_t time);
    void render();

  private:
    void placeBiplane(uint32_t now);
    void advanceGreeting(uint32_t now);
    void cutWaterfall();
    void drawWaterfall();
    void drawGreeting();
};
