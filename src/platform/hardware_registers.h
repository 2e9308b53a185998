// The handheld's hardware registers that control the second CPU (the
// ARM940T): 16-bit registers at byte offsets into the 64 KiB register window.
// On a desktop the window is emulated and a stand-in for the second CPU
// watches the same registers, so they are read and written as ordered words.
#pragma once

#include <cstdint>

#include "platform/shared_word.h"

namespace platform {

// Bit 0 lets the second CPU run (1) or pauses it (0); the other bits belong
// to other hardware and are written back unchanged.
const uint32_t CPU2_RUN_REGISTER = 0x0904;
const uint16_t CPU2_RUN_BIT = 0x0001;

// Mutual interrupts between the CPUs: enables, and pending bits that are
// cleared by writing ones.
const uint32_t MUTUAL_IRQ_ENABLE_MAIN = 0x3B40;
const uint32_t MUTUAL_IRQ_ENABLE_CPU2 = 0x3B42;
const uint32_t MUTUAL_IRQ_PENDING_MAIN = 0x3B44;
const uint32_t MUTUAL_IRQ_PENDING_CPU2 = 0x3B46;

// Bit 7 holds the second CPU in reset; the low bits choose the memory bank
// that it sees as its address 0 (bank 3: physical 0x3000000).
const uint32_t CPU2_CONTROL_REGISTER = 0x3B48;
const uint16_t CPU2_RESET_BIT = 0x0080;
const uint16_t CPU2_HELD_IN_RESET_BANK3 = 0x0083;
const uint16_t CPU2_RELEASED_BANK3 = 0x0003;

inline uint16_t readRegister(volatile uint16_t* window, uint32_t offset) {
    return loadAcquire(window + offset / 2);
}

inline void writeRegister(volatile uint16_t* window, uint32_t offset, uint16_t value) {
    storeRelease(window + offset / 2, value);
}

} // namespace platform
