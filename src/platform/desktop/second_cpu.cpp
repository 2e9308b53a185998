#include "platform/desktop/second_cpu.h"

#include <unistd.h>

#include <memory>

#include "platform/coprocessor_image.h"
#include "platform/desktop/music_program.h"
#include "platform/hardware_registers.h"
#include "sound/shared_sound_block.h"

namespace {
// How long the stand-in rests when it has nothing to do. Short enough that
// an unpaced sound device (a WAV file) is fed quickly, long enough to leave
// the processor to others.
const useconds_t IDLE_PAUSE_US = 1000;
} // namespace

void SecondCpu::powerOn(volatile uint16_t* registerWindow, uint8_t* memoryWindow) {
    if (thread.joinable()) return;
    registers = registerWindow;
    memory = memoryWindow;
    powered.store(true);
    thread = std::thread(&SecondCpu::run, this);
}

void SecondCpu::powerOff() {
    if (!thread.joinable()) return;
    powered.store(false);
    thread.join();
}

bool SecondCpu::idle() const {
    if (hasMusicLeft.load()) return false;
    if (!memory) return true;
    auto* block = reinterpret_cast<SharedSoundBlock*>(memory + SHARED_BLOCK_OFFSET);
    return block->bufferFull(0).load() == 0 && block->bufferFull(1).load() == 0;
}

void SecondCpu::run() {
    using namespace platform;
    std::unique_ptr<MusicProgram> program;
    bool started = false; // released from reset since the last reset
    while (powered.load()) {
        bool worked = false;
        if (readRegister(registers, CPU2_CONTROL_REGISTER) & CPU2_RESET_BIT) {
            program.reset(); // a reset loses the program's state
            started = false;
        } else if (readRegister(registers, CPU2_RUN_REGISTER) & CPU2_RUN_BIT) {
            if (!started) {
                // The CPU starts at address 0: our image, or nothing useful.
                started = true;
                if (isDesktopCoprocessorImage(memory + PROGRAM_AREA_OFFSET))
                    program.reset(new MusicProgram(memory));
            }
            worked = program && program->step();
        }
        // Paused (run bit clear): the program keeps its state.
        hasMusicLeft.store(program && program->hasMusicLeft());
        if (!worked) usleep(IDLE_PAUSE_US);
    }
    hasMusicLeft.store(false);
}
