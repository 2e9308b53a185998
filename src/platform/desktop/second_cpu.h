// A stand-in for the handheld's second CPU (the ARM940T), for desktops. It is
// a thread that watches the emulated control registers the way the hardware
// does: held in reset or paused, it is halted; released and running, it runs
// the program in its memory. Where Unicorn is installed, an emulated ARM940T
// runs the real program (and any image that is not the desktop image); the
// desktop image, and the real program where there is no emulator, run in a
// native stand-in that does the same with host Tremor. Anything else leaves
// it halted (see platform/coprocessor_image.h).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

class SecondCpu {
  public:
    SecondCpu();
    ~SecondCpu();
    SecondCpu(const SecondCpu&) = delete;
    SecondCpu& operator=(const SecondCpu&) = delete;

    // Starts the thread on these registers and this memory window; nothing
    // happens if it already runs.
    void powerOn(volatile uint16_t* registers, uint8_t* memory);

    // Ends the thread (whatever its state) and waits for it.
    void powerOff();

    // See platform::coprocessorIdle().
    bool idle() const;

    // What runs the real program on this build, for people to read.
    static const char* runnerName();

  private:
    struct Program;
    void run();

    volatile uint16_t* registers = nullptr;
    uint8_t* memory = nullptr;
    std::thread thread;
    std::atomic<bool> powered{false};
    std::atomic<bool> hasMusicLeft{false};
    // Rounds of the thread's loop. 32 bits, compared by difference so that a
    // wrap does no harm: 32-bit ARM Linux has no 64-bit atomics without
    // libatomic, while 32-bit ones are served by libgcc and the kernel.
    std::atomic<uint32_t> passes{0};
};

// The desktop's one second CPU: the emulated physical memory powers it on and
// off, and the idle routine (platform::coprocessorIdle) asks it.
extern SecondCpu theSecondCpu;
