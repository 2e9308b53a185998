#include <SDL.h>

#include "platform/clock.h"

namespace platform {

uint32_t systemTicks() {
    return SDL_GetTicks();
}

} // namespace platform
