// Water drops on a pane of glass over the finished frame. Each drop comes up
// at a random place, swells through eight stages and then slides down. The
// drops are not painted: every stage is a 32x32 tile of a displacement
// picture, the tiles of all live drops are stamped into a full-screen
// displacement map, and every screen pixel then takes a brightened pixel of
// a copy of the frame from the place its map value points at.
#pragma once

#include <cstdint>

class Image;

class RaindropScene {
  public:
    static constexpr int MAX_DROPS = 50;
    static constexpr int TILE_SIZE = 32;
    static constexpr int SHEET_WIDTH = 256;  // eight tiles across
    static constexpr int SHEET_HEIGHT = 256; // one tile row per stage 0..7
    static constexpr int LAST_STAGE = 7;
    static constexpr int FIRST_SLIDING_STAGE = 5;
    static constexpr int TOUCH_SPEED = 5;
    // Displacement value meaning "no offset": red 15, green 31 give an
    // offset of -1 in both directions, which refraction leaves alone.
    static constexpr uint16_t NEUTRAL_OFFSET = 0x7BE0;

    RaindropScene();
    ~RaindropScene();
    RaindropScene(const RaindropScene&) = delete;
    RaindropScene& operator=(const RaindropScene&) = delete;

    // Starts, grows, moves and retires drops; draws three random numbers
    // when it starts a drop and none otherwise.
    void update(uint32_t time);
    // Refracts the frame on the screen through the live drops.
    void render();

    // Stamps the tiles of all live drops into a 320x240 displacement map,
    // keeping per pixel the larger red and the larger green field.
    void stampDrops(uint16_t* map) const;
    // Writes into `screen` every pixel whose map value displaces it: the
    // frame copy's pixel 4 pixels away per unit of offset, brightened by
    // |dx + dy|. Other pixels are left as they are, without reading the copy.
    static void refract(const uint16_t* frameCopy, const uint16_t* map, uint16_t* screen);

    // The drop slots, parallel arrays indexed by slot. Open so that drops
    // can be placed and inspected directly.
    Image* dropSheet;              // the tiles: row of tiles s holds stage s
    int32_t dropX[MAX_DROPS];      // left column of the tile, 0..279
    int32_t dropY[MAX_DROPS];      // top row of the tile
    bool dropActive[MAX_DROPS];    // the slot holds a live drop
    int32_t dropStage[MAX_DROPS];  // 0..7, the row of tiles used
    int32_t dropColumn[MAX_DROPS]; // column of tiles, always 0 in this show
    int32_t dropSpeed[MAX_DROPS];  // rows per update once sliding: 1..4, 5 after a touch
    int32_t nextSlot;              // the slot looked at for a new drop next

  private:
    bool refractInPlace(uint16_t* screen) const;
    void startDrop();
    void growAndSlide(uint32_t time);
    void touchDrops();
};
