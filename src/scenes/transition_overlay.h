#pragma once

#include <cstdint>

// Placeholder until the scene is built: draws nothing.
class TransitionOverlay {
  public:
    TransitionOverlay();
    ~TransitionOverlay();
    TransitionOverlay(const TransitionOverlay&) = delete;
    TransitionOverlay& operator=(const TransitionOverlay&) = delete;

    void update(uint32_t time);
    void render();
    bool isFinished() const;
    void restart(uint32_t time);
};
