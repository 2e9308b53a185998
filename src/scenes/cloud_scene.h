#pragma once

#include <cstdint>

// Placeholder until the scene is built: draws nothing.
class CloudScene {
  public:
    CloudScene();
    ~CloudScene();
    CloudScene(const CloudScene&) = delete;
    CloudScene& operator=(const CloudScene&) = delete;

    void update(uint32_t time);
    void render();
};
