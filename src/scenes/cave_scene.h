#pragma once

#include <cstdint>

// Placeholder until the scene is built: draws nothing.
class CaveScene {
  public:
    CaveScene();
    ~CaveScene();
    CaveScene(const CaveScene&) = delete;
    CaveScene& operator=(const CaveScene&) = delete;

    void update(uint32_t time);
    void render();
};
