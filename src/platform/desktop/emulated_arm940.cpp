// Built only where Unicorn is installed (CMake defines DEMO_HAVE_UNICORN).
#if DEMO_HAVE_UNICORN
#include "platform/desktop/emulated_arm940.h"

#include <unicorn/unicorn.h>

#include <chrono>
#include <cstddef>

#include "platform/shared_sound_block.h"

namespace {
// Supervisor mode with IRQ and FIQ masked: the state reset leaves the core in.
const uint32_t RESET_CPSR = 0xD3;
// Where the program finds the shared block's `newData` word.
const uint32_t NEW_DATA_ADDRESS = SHARED_BLOCK_OFFSET + offsetof(SharedSoundBlock, newData);

uint32_t readRegister(uc_engine* uc, int reg) {
    uint32_t value = 0;
    uc_reg_read(uc, reg, &value);
    return value;
}

void writeRegister(uc_engine* uc, int reg, uint32_t value) {
    uc_reg_write(uc, reg, &value);
}
} // namespace

EmulatedArm940::EmulatedArm940(uint8_t* window, uint32_t size) : memory(window) {
    uc_engine* uc = nullptr;
    if (uc_open(UC_ARCH_ARM, UC_MODE_ARM, &uc) != UC_ERR_OK) return;
    const bool ready = uc_ctl_set_cpu_model(uc, UC_CPU_ARM_TI925T) == UC_ERR_OK &&
                       uc_mem_map_ptr(uc, 0, size, UC_PROT_ALL, window) == UC_ERR_OK &&
                       uc_reg_write(uc, UC_ARM_REG_CPSR, &RESET_CPSR) == UC_ERR_OK;
    if (!ready) {
        uc_close(uc);
        return;
    }
    writeRegister(uc, UC_ARM_REG_PC, 0);
    engine = uc;
    watchdogThread = std::thread(&EmulatedArm940::watchdog, this);
}

EmulatedArm940::~EmulatedArm940() {
    if (!engine) return;
    {
        std::lock_guard<std::mutex> lock(watchdogMutex);
        quitting = true;
    }
    watchdogWake.notify_all();
    watchdogThread.join();
    uc_close(engine);
}

void EmulatedArm940::countInstructions() {
    uc_hook hook;
    uc_hook_add(engine, &hook, UC_HOOK_BLOCK, reinterpret_cast<void*>(&EmulatedArm940::onBlock),
                this, 1, 0);
}

void EmulatedArm940::watchWrites(std::function<void(uint32_t, int)> observer) {
    writeObserver = std::move(observer);
    uc_hook hook;
    uc_hook_add(engine, &hook, UC_HOOK_MEM_WRITE, reinterpret_cast<void*>(&EmulatedArm940::onWrite),
                this, 1, 0);
}

bool EmulatedArm940::step(uint32_t sliceMicroseconds) {
    if (!engine || fault.load() || idleReason.load() == TRAPPED) return false;
    const auto end =
        std::chrono::steady_clock::now() + std::chrono::microseconds(sliceMicroseconds);
    for (;;) {
        if (readRegister(engine, UC_ARM_REG_PC) == IDLE_ROUTINE_ADDRESS) returnFromIdle();
        if (!runToIdle()) return false;
        const auto reason = static_cast<IdleReason>(readRegister(engine, UC_ARM_REG_R0));
        idleReason.store(reason);
        if (reason != HANDED_OVER) return false;
        if (std::chrono::steady_clock::now() >= end) return true;
    }
}

// What the idle routine does, less its short delay: return to the caller.
void EmulatedArm940::returnFromIdle() {
    writeRegister(engine, UC_ARM_REG_R1, 0);
    writeRegister(engine, UC_ARM_REG_PC, readRegister(engine, UC_ARM_REG_LR));
}

// Runs until the program enters its idle routine; false on a fault.
bool EmulatedArm940::runToIdle() {
    {
        std::lock_guard<std::mutex> lock(watchdogMutex);
        running = true;
        runs++;
    }
    watchdogWake.notify_all();
    const uint32_t pc = readRegister(engine, UC_ARM_REG_PC);
    const uc_err result = uc_emu_start(engine, pc, IDLE_ROUTINE_ADDRESS, 0, 0);
    bool stoppedByWatchdog;
    {
        std::lock_guard<std::mutex> lock(watchdogMutex);
        running = false;
        stoppedByWatchdog = runaway;
    }
    watchdogWake.notify_all();
    const uint32_t at = readRegister(engine, UC_ARM_REG_PC);
    if (result == UC_ERR_OK && !stoppedByWatchdog && at == IDLE_ROUTINE_ADDRESS) return true;
    if (stoppedByWatchdog)
        faultReport = "no idle call for " + std::to_string(RUNAWAY_SECONDS) + " s";
    else
        faultReport = std::string(uc_strerror(result)) + " at " + std::to_string(at);
    fault.store(true);
    return false;
}

bool EmulatedArm940::hasMusicLeft() const {
    if (fault.load()) return false;
    switch (idleReason.load()) {
    case WAITING_FOR_BUFFER:
    case HANDED_OVER:
        return true;
    case FINISHED:
    case TRAPPED:
        return false;
    default: {
        // Starting, or waiting for the music: there is music once it is placed.
        uint32_t newData;
        __atomic_load(reinterpret_cast<const uint32_t*>(memory + NEW_DATA_ADDRESS), &newData,
                      __ATOMIC_ACQUIRE);
        return newData == 1;
    }
    }
}

void EmulatedArm940::onBlock(uc_struct*, uint64_t, uint32_t size, void* self) {
    static_cast<EmulatedArm940*>(self)->instructions += size / 4;
}

void EmulatedArm940::onWrite(uc_struct*, int, uint64_t address, int size, int64_t, void* self) {
    static_cast<EmulatedArm940*>(self)->writeObserver(static_cast<uint32_t>(address), size);
}

void EmulatedArm940::watchdog() {
    std::unique_lock<std::mutex> lock(watchdogMutex);
    while (!quitting) {
        if (!running) {
            watchdogWake.wait(lock);
            continue;
        }
        const uint64_t run = runs;
        const bool ended = watchdogWake.wait_for(lock, std::chrono::seconds(RUNAWAY_SECONDS), [&] {
            return quitting || !running || runs != run;
        });
        if (!ended) {
            // The state after this stop cannot be trusted: the run counts
            // as a fault and the core is not resumed.
            runaway = true;
            uc_emu_stop(engine);
            watchdogWake.wait(lock, [&] { return quitting || !running; });
        }
    }
}

#endif // DEMO_HAVE_UNICORN
