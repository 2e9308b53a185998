// The demo's millisecond clock. The program reads the platform's clock; an
// offline tool can switch to a virtual clock that it sets itself, so that
// frames are rendered at exact demo times however long each one takes.
#pragma once

#include <cstdint>

namespace platform {

// Milliseconds: the platform's own clock, or the virtual time once one was
// set.
uint32_t clockTicks();

// The platform's own millisecond clock: SDL_GetTicks() on the desktop and the
// handheld; in a browser, the sound that has been played (see web/).
uint32_t systemTicks();

// Switches to the virtual clock (for good) and sets its time.
void setVirtualTicks(uint32_t ticks);

} // namespace platform
