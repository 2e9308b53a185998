// The desktop's physical memory: an emulated register window and a
// zero-filled memory for the second CPU, whose stand-in (second_cpu.h) runs
// while its memory is mapped. The real /dev/mem is never opened.
#include "platform/physical_memory.h"

#include <sys/mman.h>

#include "platform/desktop/second_cpu.h"

namespace platform {
namespace {

// Any positive number serves: the descriptor only names the emulated device.
const int EMULATED_DEVICE = 1000;

// Like the hardware, the emulated memory lives as long as the process.
uint16_t registers[REGISTER_WINDOW_SIZE / 2];
uint8_t* coprocessorMemory = nullptr;

} // namespace

int openPhysicalMemory() {
    // Zeroed and page-aligned: the emulated ARM940T maps these bytes as its
    // own memory, page by page.
    if (!coprocessorMemory) {
        void* memory = mmap(nullptr, COPROCESSOR_WINDOW_SIZE, PROT_READ | PROT_WRITE,
                            MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (memory != MAP_FAILED) coprocessorMemory = static_cast<uint8_t*>(memory);
    }
    return coprocessorMemory ? EMULATED_DEVICE : -1;
}

void* mapPhysicalMemory(int device, size_t length, uint32_t physical) {
    if (device != EMULATED_DEVICE) return nullptr;
    if (physical == REGISTER_BASE && length <= REGISTER_WINDOW_SIZE) return registers;
    if (physical == COPROCESSOR_BASE && length <= COPROCESSOR_WINDOW_SIZE) {
        theSecondCpu.powerOn(registers, coprocessorMemory);
        return coprocessorMemory;
    }
    return nullptr;
}

void unmapPhysicalMemory(void* window, size_t) {
    // The second CPU's stand-in ends with the mapping of its memory, so that
    // no thread of it outlives the sound; the memory itself stays.
    if (window && window == coprocessorMemory) theSecondCpu.powerOff();
}

void closePhysicalMemory(int) {}

} // namespace platform
