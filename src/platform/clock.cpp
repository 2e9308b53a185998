#include "platform/clock.h"

namespace platform {
namespace {
bool virtualClock = false;
uint32_t virtualTicks = 0;
} // namespace

uint32_t clockTicks() {
    return virtualClock ? virtualTicks : systemTicks();
}

void setVirtualTicks(uint32_t ticks) {
    virtualClock = true;
    virtualTicks = ticks;
}

} // namespace platform
