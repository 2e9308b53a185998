#pragma once

#include <cstdint>

// Placeholder until the scene is built: draws nothing.
class RaindropScene {
  public:
    RaindropScene();
    ~RaindropScene();
    RaindropScene(const RaindropScene&) = delete;
    RaindropScene& operator=(const RaindropScene&) = delete;

    void update(uint32_t time);
    void render();
};
