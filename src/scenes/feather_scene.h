#pragma once

#include <cstdint>

// Placeholder until the scene is built: draws nothing.
class FeatherScene {
  public:
    FeatherScene();
    ~FeatherScene();
    FeatherScene(const FeatherScene&) = delete;
    FeatherScene& operator=(const FeatherScene&) = delete;

    void update(uint32_t time);
    void render();
};
