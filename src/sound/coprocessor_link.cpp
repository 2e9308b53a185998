#include "sound/coprocessor_link.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/hardware_registers.h"
#include "platform/physical_memory.h"
#include "platform/thread.h"
#include "sound/audio_thread.h"

int memDevice = -1;
volatile uint16_t* registerWindow = nullptr;
uint8_t* coprocessorWindow = nullptr;
SharedSoundBlock* sharedBlock = nullptr;

namespace {

const char* const PROGRAM_PATH = "data/ogg940.bin";
const size_t PROGRAM_CHUNK_BYTES = 1000;
const size_t MUSIC_CHUNK_BYTES = 100000;

// Within its 100 ms the audio thread opens the sound device, initialises
// the block and boots the second CPU.
const useconds_t START_PAUSE_US = 100000;
const useconds_t BOOT_PAUSE_US = 10000;
const useconds_t LOOK_PAUSE_US = 10000;
// A slow start (a busy machine) gets up to two more seconds to initialise
// the block before loadMusic, which needs it, runs.
const int MAX_READY_LOOKS = 200;
// The audio thread ends within one look for room in the device; a thread
// held in a write by a device that broke its word gets two seconds, and the
// show then goes on to its end without it.
const int MAX_STOP_LOOKS = 200;

void pauseCoprocessor() {
    using namespace platform;
    const uint16_t run = readRegister(registerWindow, CPU2_RUN_REGISTER);
    writeRegister(registerWindow, CPU2_RUN_REGISTER, run & ~CPU2_RUN_BIT);
}

// True when the file is known to be longer than `room` bytes.
bool longerThan(FILE* file, size_t room) {
    struct stat info;
    return fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode) &&
           static_cast<unsigned long long>(info.st_size) > room;
}

// Copies the program image to the start of the window, 1000 bytes at a time.
// False when there is none to run (an empty file) or it does not fit below
// the shared block.
bool copyProgram(FILE* file) {
    if (longerThan(file, PROGRAM_AREA_SIZE)) return false;
    uint8_t chunk[PROGRAM_CHUNK_BYTES];
    size_t copied = 0;
    for (;;) {
        const size_t got = fread(chunk, 1, sizeof chunk, file);
        if (got == 0) return copied > 0;
        if (got > PROGRAM_AREA_SIZE - copied) return false; // the file grew
        memcpy(coprocessorWindow + PROGRAM_AREA_OFFSET + copied, chunk, got);
        copied += got;
    }
}

// True when `length` bytes at window offset `offset` lie in the music area.
bool insideMusicArea(uint32_t offset, size_t length) {
    return offset >= MUSIC_AREA_OFFSET && offset <= platform::COPROCESSOR_WINDOW_SIZE &&
           length <= platform::COPROCESSOR_WINDOW_SIZE - offset;
}

} // namespace

void openPhysicalWindows() {
    memDevice = platform::openPhysicalMemory();
    registerWindow = static_cast<volatile uint16_t*>(platform::mapPhysicalMemory(
        memDevice, platform::REGISTER_WINDOW_SIZE, platform::REGISTER_BASE));
}

void closePhysicalWindows() {
    platform::closePhysicalMemory(memDevice);
    memDevice = -1;
}

void startSound() {
    using namespace platform;
    // Without the register window (no /dev/mem) the show runs silent.
    if (memDevice < 0 || !registerWindow) return;
    pauseCoprocessor();
    writeRegister(registerWindow, CPU2_CONTROL_REGISTER, CPU2_HELD_IN_RESET_BANK3);

    void* window = mapPhysicalMemory(memDevice, COPROCESSOR_WINDOW_SIZE, COPROCESSOR_BASE);
    if (!window) return;
    coprocessorWindow = static_cast<uint8_t*>(window);
    sharedBlock = reinterpret_cast<SharedSoundBlock*>(coprocessorWindow + SHARED_BLOCK_OFFSET);

    stopRequested.store(0);
    blockState.store(BLOCK_PENDING);
    // The thread raises this itself first thing; raising it here as well
    // means a stopSound that comes at once still waits for the thread.
    threadRunning.store(1);
    if (!platform::startThread(AUDIO_THREAD)) {
        threadRunning.store(0);
        blockState.store(BLOCK_ABSENT);
        return;
    }
    usleep(START_PAUSE_US);
    for (int look = 0; look < MAX_READY_LOOKS && blockState.load() == BLOCK_PENDING; look++)
        usleep(LOOK_PAUSE_US);
}

void bootCoprocessor() {
    using namespace platform;
    pauseCoprocessor();
    writeRegister(registerWindow, MUTUAL_IRQ_PENDING_CPU2, 0xFFFF);
    writeRegister(registerWindow, CPU2_CONTROL_REGISTER, CPU2_HELD_IN_RESET_BANK3);
    writeRegister(registerWindow, MUTUAL_IRQ_ENABLE_MAIN, 0x0000);
    writeRegister(registerWindow, MUTUAL_IRQ_ENABLE_CPU2, 0x0000);
    writeRegister(registerWindow, MUTUAL_IRQ_PENDING_MAIN, 0xFFFF);

    // Without a program (no file, an empty one, or one too large for its
    // area) the second CPU stays paused and in reset: no sound.
    FILE* file = fopen(PROGRAM_PATH, "r");
    if (!file) return;
    const bool placed = copyProgram(file);
    fclose(file);
    if (!placed) return;

    const uint16_t run = readRegister(registerWindow, CPU2_RUN_REGISTER);
    writeRegister(registerWindow, CPU2_CONTROL_REGISTER, CPU2_RELEASED_BANK3);
    writeRegister(registerWindow, CPU2_RUN_REGISTER, run | CPU2_RUN_BIT);
    usleep(BOOT_PAUSE_US);
}

void loadMusic(const char* path) {
    // The block must be in its start state: without it dataOffset means
    // nothing and no byte may be copied.
    if (!sharedBlock || blockState.load() != BLOCK_READY) return;
    FILE* file = fopen(path, "r");
    if (!file) return;
    if (longerThan(file, MUSIC_AREA_SIZE)) {
        fclose(file);
        return;
    }

    sharedBlock->loadDone.store(0);
    std::vector<uint8_t> chunk(MUSIC_CHUNK_BYTES);
    size_t copied = 0;
    bool placed = true;
    for (;;) {
        const size_t got = fread(chunk.data(), 1, chunk.size(), file);
        if (got == 0) break;
        const uint32_t offset = sharedBlock->dataOffset.load();
        if (!insideMusicArea(offset, copied + got)) {
            placed = false; // the file grew, or the offset is not the music area's
            break;
        }
        memcpy(coprocessorWindow + offset + copied, chunk.data(), got);
        copied += got;
    }
    fclose(file);
    if (!placed) return;

    // newData last: the second CPU takes the music once it sees it.
    sharedBlock->loadDone.store(1);
    sharedBlock->dataLength.store(static_cast<uint32_t>(copied));
    sharedBlock->newData.store(1);
}

void playMusic() {
    if (sharedBlock) sharedBlock->play.store(1);
}

void stopMusic() {
    if (sharedBlock) sharedBlock->play.store(0);
}

void stopSound() {
    stopRequested.store(1);
    for (int look = 0; look < MAX_STOP_LOOKS && threadRunning.load() != 0; look++)
        platform::waitForThread(LOOK_PAUSE_US);
    if (threadRunning.load() != 0) {
        // The thread is stuck in the device. The second CPU is stopped from
        // here instead, and its memory stays mapped: the thread still holds
        // a buffer of it.
        pauseCoprocessor();
        platform::writeRegister(registerWindow, platform::CPU2_CONTROL_REGISTER,
                                platform::CPU2_HELD_IN_RESET_BANK3);
        return;
    }
    if (coprocessorWindow)
        platform::unmapPhysicalMemory(coprocessorWindow, platform::COPROCESSOR_WINDOW_SIZE);
    coprocessorWindow = nullptr;
    sharedBlock = nullptr;
}
