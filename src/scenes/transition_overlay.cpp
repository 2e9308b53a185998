#include "scenes/transition_overlay.h"

TransitionOverlay::TransitionOverlay() {}

TransitionOverlay::~TransitionOverlay() {}

void TransitionOverlay::update(uint32_t) {}

void TransitionOverlay::render() {}

bool TransitionOverlay::isFinished() const { return true; }

void TransitionOverlay::restart(uint32_t) {}

