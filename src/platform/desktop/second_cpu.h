// A stand-in for the handheld's second CPU (the ARM940T), for desktops. It is
// a thread that watches the emulated control registers the way the hardware
// does: held in reset or paused, it is halted; released and running, it runs
// the program in its memory, but only our desktop program image (any other
// content leaves it halted, as a foreign program would give no sound).
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

class SecondCpu {
  public:
    SecondCpu() = default;
    ~SecondCpu() { powerOff(); }
    SecondCpu(const SecondCpu&) = delete;
    SecondCpu& operator=(const SecondCpu&) = delete;

    // Starts the thread on these registers and this memory window; nothing
    // happens if it already runs.
    void powerOn(volatile uint16_t* registers, uint8_t* memory);

    // Ends the thread (whatever its state) and waits for it.
    void powerOff();

    // See platform::coprocessorIdle().
    bool idle() const;

  private:
    void run();

    volatile uint16_t* registers = nullptr;
    uint8_t* memory = nullptr;
    std::thread thread;
    std::atomic<bool> powered{false};
    std::atomic<bool> hasMusicLeft{false};
};
