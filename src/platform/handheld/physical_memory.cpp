#include "platform/physical_memory.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace platform {

// The hardware registers sit at physical 0xC0000000, which a 32-bit off_t
// would turn negative.
static_assert(sizeof(off_t) >= 8, "physical memory offsets need a 64-bit off_t");

int openPhysicalMemory() {
    return open("/dev/mem", O_RDWR);
}

void* mapPhysicalMemory(int device, size_t length, uint32_t physical) {
    if (device < 0) return nullptr;
    void* window = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, device,
                        static_cast<off_t>(physical));
    return window == MAP_FAILED ? nullptr : window;
}

void unmapPhysicalMemory(void* window, size_t length) {
    if (window) munmap(window, length);
}

void closePhysicalMemory(int device) {
    if (device >= 0) close(device);
}

} // namespace platform
