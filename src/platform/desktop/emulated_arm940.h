// The handheld's second CPU (an ARM940T) emulated with the Unicorn engine, so
// that the desktop runs the real program image data/ogg940.bin.
//
// The emulated core sees the second CPU's memory window at its address 0:
// the window's host bytes are mapped into the emulator as they are, so the
// program and the main CPU's side share every byte, as on the handheld.
// Unicorn has no ARM940T; its TI925T model is the one ARMv4T core it offers
// (ARM9TDMI-class like the ARM940T, without the ARM940T's protection unit,
// which the program only sets up when its ID register names an ARM940T). An
// ARMv5 or later instruction is undefined on that core and stops it; the
// build also rejects images that hold one.
//
// The program calls an idle routine at a fixed address whenever it waits for
// the main CPU, and once after each block it hands over. The emulator stops
// there instead of running the routine: a waiting program then costs no host
// time until the caller runs it again, and a busy one returns control at
// least once per block. (The engine is never stopped from another thread:
// Unicorn does not resume such a stop reliably.)
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

struct uc_struct;

class EmulatedArm940 {
  public:
    // Address of the program's idle routine; r0 holds its IdleReason.
    static constexpr uint32_t IDLE_ROUTINE_ADDRESS = 0x20;
    enum IdleReason : uint32_t {
        WAITING_FOR_MUSIC = 0,
        WAITING_FOR_BUFFER = 1,
        FINISHED = 2,
        TRAPPED = 3,
        HANDED_OVER = 4,
        NOT_YET_IDLE = 0xFFFFFFFF
    };

    // `memory`: the second CPU's whole window (`size` bytes, a multiple of
    // 4 KiB), page aligned. The core starts as after a reset, at address 0.
    EmulatedArm940(uint8_t* memory, uint32_t size);
    ~EmulatedArm940();
    EmulatedArm940(const EmulatedArm940&) = delete;
    EmulatedArm940& operator=(const EmulatedArm940&) = delete;

    // False when the engine could not be set up; nothing then runs.
    bool usable() const { return engine != nullptr; }

    // Runs the program until it waits, or until it hands over a block after
    // `sliceMicroseconds` of host time. True when it stopped busy, false when
    // it waits (or has stopped for good: a fault, a trap). Between calls the
    // core keeps its state, as a paused CPU does.
    bool step(uint32_t sliceMicroseconds = 10000);

    // True while the program has music placed (or being decoded) that it has
    // not yet handed over, judged from its last idle call and `newData`.
    bool hasMusicLeft() const;

    // The reason of the program's last idle call, NOT_YET_IDLE before one.
    IdleReason lastIdleReason() const { return idleReason.load(); }

    // True once the core met something it cannot run (an undefined
    // instruction, an access outside the window), or ran for RUNAWAY_SECONDS
    // without reaching its idle routine.
    bool faulted() const { return fault.load(); }
    // What stopped it, for messages (empty while it has not faulted).
    const std::string& faultDescription() const { return faultReport; }
    static constexpr int RUNAWAY_SECONDS = 5;

    // Instructions executed so far, counted only after countInstructions()
    // (which slows the core down).
    uint64_t instructionCount() const { return instructions; }
    void countInstructions();

    // Tests: called for every store the program makes (address, bytes).
    void watchWrites(std::function<void(uint32_t, int)> observer);

  private:
    bool runToIdle();
    void returnFromIdle();
    static void onBlock(uc_struct* uc, uint64_t address, uint32_t size, void* self);
    static void onWrite(uc_struct* uc, int type, uint64_t address, int size, int64_t value,
                        void* self);
    void watchdog();

    uc_struct* engine = nullptr;
    uint8_t* memory;
    std::atomic<bool> fault{false};
    std::string faultReport;
    std::atomic<IdleReason> idleReason{NOT_YET_IDLE};
    uint64_t instructions = 0;
    std::function<void(uint32_t, int)> writeObserver;

    // Stops a program that never reaches its idle routine (one that is not
    // ours, or has lost its way) so that the caller gets control back.
    std::thread watchdogThread;
    std::mutex watchdogMutex;
    std::condition_variable watchdogWake;
    bool quitting = false;
    bool running = false;
    uint64_t runs = 0;
    bool runaway = false;
};
