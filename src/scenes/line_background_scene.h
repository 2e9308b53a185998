// A full-screen background streaked with short vertical light lines at new
// random places in every frame: the flicker of falling rain behind the
// raindrop scene.
#pragma once

#include <cstdint>

class Image;

class LineBackgroundScene {
  public:
    static constexpr int LINE_COUNT = 150;
    static constexpr int LINE_LENGTH = 10;          // rows below the start; 11 pixels in all
    static constexpr uint16_t LINE_COLOUR = 0xEF7F; // a slightly blue white

    LineBackgroundScene();
    ~LineBackgroundScene();
    LineBackgroundScene(const LineBackgroundScene&) = delete;
    LineBackgroundScene& operator=(const LineBackgroundScene&) = delete;

    // Nothing moves between frames: the lines are new in every render.
    void update(uint32_t time);
    void render();

  private:
    Image* background; // 320x240, copied over the whole screen first
};
