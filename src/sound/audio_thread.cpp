#include "sound/audio_thread.h"

#include <cstring>

#include "platform/hardware_registers.h"
#include "platform/sound_device.h"
#include "platform/thread.h"
#include "sound/coprocessor_link.h"

SharedWord threadRunning;
SharedWord stopRequested;
SharedWord blockState;

namespace {

// 44100 Hz, 16-bit little-endian, stereo, two fragments of 2048 bytes: the
// device buffers only half a block, so its blocking write paces the thread.
// What the driver answers is not looked at.
void configureDevice(const platform::SoundDevice& dsp, int device) {
    int speed = 44100;
    dsp.control(device, platform::SNDCTL_DSP_SPEED, &speed);
    int format = platform::AFMT_S16_LE;
    dsp.control(device, platform::SNDCTL_DSP_SETFMT, &format);
    int stereo = 1;
    dsp.control(device, platform::SNDCTL_DSP_STEREO, &stereo);
    int fragments = 0x0002000B;
    dsp.control(device, platform::SNDCTL_DSP_SETFRAGMENT, &fragments);
    platform::OssBufferInfo space;
    dsp.control(device, platform::SNDCTL_DSP_GETOSPACE, &space);
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
    if (device <= 0) {
        // No sound: the block stays as it was and the second CPU in reset.
        blockState.store(BLOCK_ABSENT);
        threadRunning.store(0);
        return false;
    }
    configureDevice(*dsp, device);
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
    // A short or failed write loses the rest of the block; it is released
    // all the same.
    dsp->write(device, block->buffer(nextBuffer), PCM_BLOCK_BYTES);
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
