#include "platform/physical_memory.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace platform {

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
