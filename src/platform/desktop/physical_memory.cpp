#include "platform/physical_memory.h"

#include <cstring>

namespace platform {
namespace {
// The emulated windows: plain zero-filled memory that lives for the whole
// process, like the hardware it stands in for.
const int EMULATED_DEVICE = 1000;
uint16_t registerWindow[REGISTER_WINDOW_SIZE / 2];
uint8_t* coprocessorMemory = nullptr;
} // namespace

int openPhysicalMemory() { return EMULATED_DEVICE; }

void* mapPhysicalMemory(int device, size_t length, uint32_t physical) {
    if (device != EMULATED_DEVICE) return nullptr;
    if (physical == REGISTER_BASE && length <= REGISTER_WINDOW_SIZE) return registerWindow;
    if (physical == COPROCESSOR_BASE && length <= COPROCESSOR_WINDOW_SIZE) {
        if (!coprocessorMemory) coprocessorMemory = new uint8_t[COPROCESSOR_WINDOW_SIZE]();
        return coprocessorMemory;
    }
    return nullptr;
}

void unmapPhysicalMemory(void*, size_t) {
    // The emulated memory stays, as physical memory would.
}

void closePhysicalMemory(int) {}

} // namespace platform
