// The demo's millisecond clock. The program reads SDL's tick counter; an
// offline tool can switch to a virtual clock that it sets itself, so that
// frames are rendered at exact demo times however long each one takes.
#pragma once

#include <cstdint>

namespace platform {

// Milliseconds: SDL_GetTicks(), or the virtual time once one was set.
uint32_t clockTicks();

// Switches to the virtual clock (for good) and sets its time.
void setVirtualTicks(uint32_t ticks);

} // namespace platform
