// The window onto the handheld's physical memory: its hardware registers and
// the second CPU's memory. On the handheld these are mappings of /dev/mem;
// on a desktop they are emulated in ordinary memory, so the sound code runs
// unchanged against them and the real /dev/mem is never opened.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/shared_block.h"

namespace platform {

// Physical addresses and sizes of the two windows the show maps.
const uint32_t REGISTER_BASE = 0xC0000000u;
const size_t REGISTER_WINDOW_SIZE = 0x10000;
const uint32_t COPROCESSOR_BASE = 0x3000000u;
const size_t COPROCESSOR_WINDOW_SIZE = COPROCESSOR_MEMORY_SIZE;

// open("/dev/mem", O_RDWR) on the handheld; a descriptor of the emulated
// memory on a desktop. Negative on failure.
int openPhysicalMemory();

// mmap(PROT_READ | PROT_WRITE, MAP_SHARED) of `length` bytes at `physical`.
// Returns nullptr on failure (including, on a desktop, a window it does not
// emulate).
void* mapPhysicalMemory(int device, size_t length, uint32_t physical);

// munmap of a window returned by mapPhysicalMemory.
void unmapPhysicalMemory(void* window, size_t length);

void closePhysicalMemory(int device);

} // namespace platform
