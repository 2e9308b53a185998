#pragma once

#include <cstdint>

// Placeholder until the scene is built: draws nothing.
class DragonflyScene {
  public:
    DragonflyScene();
    ~DragonflyScene();
    DragonflyScene(const DragonflyScene&) = delete;
    DragonflyScene& operator=(const DragonflyScene&) = delete;

    void update(uint32_t time);
    void render();
};
