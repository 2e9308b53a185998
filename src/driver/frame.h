// One frame of the show: the timeline's mask for the demo time, the overlay's
// trigger, every active scene's update, then the fills, renders, sky and
// overlay in their fixed order, and the present.
#pragma once

#include <cstdint>

#include "driver/timeline.h"

// The clock reading at demo time 0, taken by start-up once the music is in
// place.
extern uint32_t startTicks;

// The masks of the last frame run and of the one before it.
extern SceneMask sceneMask;
extern SceneMask previousMask;

// Milliseconds since demo time 0 on the platform clock (the real one, or the
// virtual one the capture tool sets).
uint32_t demoClock();

// Draws and presents the frame for `demoTime`.
void runFrame(uint32_t demoTime);

// True once a frame has reached the timeline's end mark.
bool showEnded();
