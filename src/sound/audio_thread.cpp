#include "sound/audio_thread.h"

#include <unistd.h>

#include <cstring>

#include "platform/hardware_registers.h"
#include "platform/sound_device.h"
#include "platform/thread.h"
#include "sound/coprocessor_link.h"

SharedWord threadRunning;
SharedWord stopRequested;
SharedWord blockState;

namespace {

// The pause between two looks for room in the device, which frees a
// 2048-byte fragment every 11.6 ms; and how long a device may take no sound
// at all before it counts as stopped.
const useconds_t ROOM_PAUSE_US = 2000;
const useconds_t DEVICE_STALL_US = 1000000;
const int PCM_FRAMES_PER_SECOND = 44100;

// 44100 Hz, 16-bit little-endian, stereo, two fragments of 2048 bytes: the
// device buffers only half a block, so its pace is the sound's. The driver
// writes back what it chose; false when that is not what the second CPU
// makes, which would play at the wrong speed or as noise.
bool configureDevice(const platform::SoundDevice& dsp, int device) {
    int speed = PCM_FRAMES_PER_SECOND;
    dsp.control(device, platform::SNDCTL_DSP_SPEED, &speed);
    int format = platform::AFMT_S16_LE;
    dsp.control(device, platform::SNDCTL_DSP_SETFMT, &format);
    int stereo = 1;
    dsp.control(device, platform::SNDCTL_DSP_STEREO, &stereo);
    int fragments = 0x0002000B;
    dsp.control(device, platform::SNDCTL_DSP_SETFRAGMENT, &fragments);
    platform::OssBufferInfo space;
    dsp.control(device, platform::SNDCTL_DSP_GETOSPACE, &space);
    return speed == PCM_FRAMES_PER_SECOND && format == platform::AFMT_S16_LE && stereo == 1;
}

// Bytes the device takes now without blocking; NO_ANSWER when it does not
// say (it then blocks as long as it needs).
const int NO_ANSWER = -1;
int roomInDevice(const platform::SoundDevice& dsp, int device) {
    platform::OssBufferInfo space = {0, 0, 0, NO_ANSWER};
    if (dsp.control(device, platform::SNDCTL_DSP_GETOSPACE, &space) != 0) return NO_ANSWER;
    return space.bytes < 0 ? NO_ANSWER : space.bytes;
}

// Hands one block to the device, in as many writes as it takes: each write
// waits until the device has room and gives it no more than that, so that a
// device that stops playing cannot hold the thread in a write. A device with
// no room for DEVICE_STALL_US has stopped: the rest of the block is dropped.
// So is the rest after a failed write. False when stopSound asked the
// thread to end meanwhile.
bool writeBlock(const platform::SoundDevice& dsp, int device, const uint8_t* pcm) {
    uint32_t written = 0;
    useconds_t waited = 0;
    while (written < PCM_BLOCK_BYTES) {
        if (stopRequested.load() != 0) return false;
        uint32_t length = PCM_BLOCK_BYTES - written;
        const int room = roomInDevice(dsp, device);
        if (room == 0) {
            if (waited >= DEVICE_STALL_US) return true;
            usleep(ROOM_PAUSE_US);
            waited += ROOM_PAUSE_US;
            continue;
        }
        if (room != NO_ANSWER && static_cast<uint32_t>(room) < length) length = room;
        const long taken = dsp.write(device, pcm + written, length);
        if (taken <= 0) return true;
        written += static_cast<uint32_t>(taken);
        waited = 0;
    }
    return true;
}

// The block's start state. The second CPU is held in reset meanwhile.
void initialiseBlock(SharedSoundBlock* block) {
    block->dataOffset.store(MUSIC_AREA_OFFSET);
    block->bufferFull(1).store(0);
    block->reserved.store(0);
    block->play.store(0);
    block->newData.store(0);
    block->loadDone.store(0);
    block->dataLength.store(0);
    block->bufferFull(0).store(0);
    memset(block->buffer(0), 0, PCM_BLOCK_BYTES);
    memset(block->buffer(1), 0, PCM_BLOCK_BYTES);
}

// Paused and held in reset, as startSound left it before the boot.
void stopCoprocessor() {
    using namespace platform;
    const uint16_t run = readRegister(registerWindow, CPU2_RUN_REGISTER);
    writeRegister(registerWindow, CPU2_RUN_REGISTER, run & ~CPU2_RUN_BIT);
    writeRegister(registerWindow, CPU2_CONTROL_REGISTER, CPU2_HELD_IN_RESET_BANK3);
}

// The thread's own state: its device and the buffer it serves next.
const platform::SoundDevice* dsp = nullptr;
int device = -1;
SharedSoundBlock* block = nullptr;
int nextBuffer = 0;

bool startAudioThread() {
    threadRunning.store(1);
    dsp = &platform::selectedSoundDevice();
    device = dsp->open();
    const bool playable = device >= 0 && configureDevice(*dsp, device);
    if (!playable) {
        // No sound: the block stays as it was and the second CPU in reset.
        if (device >= 0) dsp->close(device);
        blockState.store(BLOCK_ABSENT);
        threadRunning.store(0);
        return false;
    }
    block = sharedBlock;
    initialiseBlock(block);
    blockState.store(BLOCK_READY);
    bootCoprocessor();
    // Buffer 0 first, then strictly in turn: a full buffer out of turn waits.
    nextBuffer = 0;
    return true;
}

platform::ThreadPass passAudioThread() {
    if (stopRequested.load() != 0) return platform::THREAD_ENDING;
    SharedWord& full = block->bufferFull(nextBuffer);
    if (full.load() == 0) return platform::THREAD_WAITING;
    if (!writeBlock(*dsp, device, block->buffer(nextBuffer))) return platform::THREAD_ENDING;
    // Only now, with the bytes handed to the device, may the second CPU
    // refill the buffer.
    full.store(0);
    nextBuffer ^= 1;
    return platform::THREAD_WORKED;
}

void endAudioThread() {
    dsp->close(device);
    // The second CPU is stopped before the flag drops: stopSound unmaps its
    // memory as soon as it sees the flag at 0.
    stopCoprocessor();
    threadRunning.store(0);
}

} // namespace

const platform::SteppedThread AUDIO_THREAD = {startAudioThread, passAudioThread, endAudioThread};
