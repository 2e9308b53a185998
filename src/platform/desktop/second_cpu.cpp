#include "platform/desktop/second_cpu.h"

#include <unistd.h>

#include <memory>

#include "platform/coprocessor_image.h"
#include "platform/desktop/emulated_arm940.h"
#include "platform/desktop/music_program.h"
#include "platform/hardware_registers.h"
#include "platform/physical_memory.h"
#include "platform/shared_sound_block.h"

namespace {
// How long the stand-in rests when it has nothing to do. Short enough that
// an unpaced sound device (a WAV file) is fed quickly, long enough to leave
// the processor to others.
const useconds_t IDLE_PAUSE_US = 1000;
// How long idle() waits at most for the thread to go round (in pauses).
const int MAX_IDLE_WAITS = 2000;
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
    // What the thread last published may predate the caller's own last store
    // (the music just placed) or a slow first step (the emulator starting):
    // wait until it has gone round twice, so that one whole pass began after
    // this call.
    const uint32_t seen = passes.load();
    for (int i = 0; i < MAX_IDLE_WAITS && powered.load() && passes.load() - seen < 2; i++)
        usleep(IDLE_PAUSE_US);
    if (hasMusicLeft.load()) return false;
    if (!memory) return true;
    auto* block = reinterpret_cast<SharedSoundBlock*>(memory + SHARED_BLOCK_OFFSET);
    return block->bufferFull(0).load() == 0 && block->bufferFull(1).load() == 0;
}

// What runs the program in memory: the native stand-in (for the desktop
// image, and for our real program where there is no emulator) or the
// emulated ARM940T (for any other image, where Unicorn is installed).
struct SecondCpu::Program {
    std::unique_ptr<MusicProgram> native;
#if DEMO_HAVE_UNICORN
    std::unique_ptr<EmulatedArm940> emulated;
#endif

    explicit Program(uint8_t* memory) {
        const CoprocessorImageKind kind = coprocessorImageKind(memory + PROGRAM_AREA_OFFSET);
#if DEMO_HAVE_UNICORN
        if (kind != CoprocessorImageKind::DESKTOP_IMAGE) {
            emulated.reset(new EmulatedArm940(memory, platform::COPROCESSOR_WINDOW_SIZE));
            return;
        }
#endif
        if (kind != CoprocessorImageKind::FOREIGN) native.reset(new MusicProgram(memory));
    }
    bool step() {
#if DEMO_HAVE_UNICORN
        if (emulated) return emulated->step();
#endif
        return native && native->step();
    }
    bool hasMusicLeft() const {
#if DEMO_HAVE_UNICORN
        if (emulated) return emulated->hasMusicLeft();
#endif
        return native && native->hasMusicLeft();
    }
};

SecondCpu::SecondCpu() = default;

SecondCpu::~SecondCpu() {
    powerOff();
}

const char* SecondCpu::runnerName() {
#if DEMO_HAVE_UNICORN
    return "emulated ARM940T (Unicorn)";
#else
    return "native stand-in";
#endif
}

void SecondCpu::run() {
    using namespace platform;
    std::unique_ptr<Program> program;
    bool started = false; // released from reset since the last reset
    while (powered.load()) {
        bool worked = false;
        if (readRegister(registers, CPU2_CONTROL_REGISTER) & CPU2_RESET_BIT) {
            program.reset(); // a reset loses the program's state
            started = false;
        } else if (readRegister(registers, CPU2_RUN_REGISTER) & CPU2_RUN_BIT) {
            if (!started) {
                // The CPU starts at address 0, with whatever lies there.
                started = true;
                program.reset(new Program(memory));
            }
            worked = program->step();
        }
        // Paused (run bit clear): the program keeps its state.
        hasMusicLeft.store(program && program->hasMusicLeft());
        passes.fetch_add(1);
        if (!worked) usleep(IDLE_PAUSE_US);
    }
    hasMusicLeft.store(false);
}

SecondCpu theSecondCpu;
