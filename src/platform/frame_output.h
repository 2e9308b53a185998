// How the screen's own RGB565 frame reaches the video surface.
#pragma once

#include <cstdint>

struct SDL_Surface;

namespace platform {

struct FrameOutput;

// Prepares to show `frame`, RGB565 rows of `width` pixels (it stays where it
// is); nullptr if that fails, and nothing is shown then.
FrameOutput* openFrameOutput(uint16_t* frame, int width, int height);

// Copies the frame to `surface`, converted to the surface's format, and
// updates the `width` x `height` area of the display.
void presentFrame(FrameOutput* output, SDL_Surface* surface, int width, int height);

void closeFrameOutput(FrameOutput* output);

} // namespace platform
