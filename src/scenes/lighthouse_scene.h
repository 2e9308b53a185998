#pragma once

#include <cstdint>

// Placeholder until the scene is built: draws nothing.
class LighthouseScene {
  public:
    LighthouseScene();
    ~LighthouseScene();
    LighthouseScene(const LighthouseScene&) = delete;
    LighthouseScene& operator=(const LighthouseScene&) = delete;

    void update(uint32_t time);
    void render();
};
