#pragma once

#include <cstdint>

// Placeholder until the scene is built: draws nothing.
class LineBackgroundScene {
  public:
    LineBackgroundScene();
    ~LineBackgroundScene();
    LineBackgroundScene(const LineBackgroundScene&) = delete;
    LineBackgroundScene& operator=(const LineBackgroundScene&) = delete;

    void update(uint32_t time);
    void render();
};
