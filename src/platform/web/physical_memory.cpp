// The page's physical memory: an emulated register window and a zero-filled
// memory for the second CPU, as on the desktop. The second CPU is the
// desktop's native stand-in (Tremor compiled for the browser), stepped by the
// sound callback instead of running on a thread of its own.
#include "platform/physical_memory.h"

#include <cstdlib>
#include <memory>

#include "platform/coprocessor_image.h"
#include "platform/coprocessor_status.h"
#include "platform/desktop/music_program.h"
#include "platform/hardware_registers.h"
#include "platform/web/web_side.h"

namespace platform {
namespace {

const int EMULATED_DEVICE = 1000;

uint16_t registers[REGISTER_WINDOW_SIZE / 2];
uint8_t* coprocessorMemory = nullptr;

struct SecondCpu {
    bool powered = false;
    bool started = false; // released from reset since the last reset
    std::unique_ptr<MusicProgram> program;
} secondCpu;

} // namespace

int openPhysicalMemory() {
    if (!coprocessorMemory)
        coprocessorMemory = static_cast<uint8_t*>(calloc(COPROCESSOR_WINDOW_SIZE, 1));
    return coprocessorMemory ? EMULATED_DEVICE : -1;
}

void* mapPhysicalMemory(int device, size_t length, uint32_t physical) {
    if (device != EMULATED_DEVICE) return nullptr;
    if (physical == REGISTER_BASE && length <= REGISTER_WINDOW_SIZE) return registers;
    if (physical == COPROCESSOR_BASE && length <= COPROCESSOR_WINDOW_SIZE) {
        secondCpu.powered = true;
        return coprocessorMemory;
    }
    return nullptr;
}

void unmapPhysicalMemory(void* window, size_t) {
    if (!window || window != coprocessorMemory) return;
    secondCpu.program.reset();
    secondCpu.started = false;
    secondCpu.powered = false;
}

void closePhysicalMemory(int) {}

bool stepSecondCpu() {
    SecondCpu& cpu = secondCpu;
    if (!cpu.powered) return false;
    if (readRegister(registers, CPU2_CONTROL_REGISTER) & CPU2_RESET_BIT) {
        cpu.program.reset(); // a reset loses the program's state
        cpu.started = false;
        return false;
    }
    // Paused (run bit clear): the program keeps its state.
    if (!(readRegister(registers, CPU2_RUN_REGISTER) & CPU2_RUN_BIT)) return false;
    if (!cpu.started) {
        // Our program or the desktop image: the stand-in does what either does.
        cpu.started = true;
        if (coprocessorImageKind(coprocessorMemory + PROGRAM_AREA_OFFSET) !=
            CoprocessorImageKind::FOREIGN)
            cpu.program.reset(new MusicProgram(coprocessorMemory));
    }
    return cpu.program && cpu.program->step();
}

bool coprocessorIdle() {
    return !(secondCpu.program && secondCpu.program->hasMusicLeft());
}

} // namespace platform
