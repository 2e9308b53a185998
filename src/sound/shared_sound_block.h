// The second CPU's memory as the two CPUs share it, and the control block
// through which they exchange the music and the decoded sound.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/physical_memory.h"
#include "platform/shared_word.h"

// Layout of the second CPU's memory window. Offsets are also the addresses at
// which the second CPU sees the same bytes (memory bank 3).
const uint32_t PROGRAM_AREA_OFFSET = 0x000000;
const uint32_t PROGRAM_AREA_SIZE = 0x200000; // 2,097,152 bytes
const uint32_t SHARED_BLOCK_OFFSET = 0x200000;
const uint32_t MUSIC_AREA_OFFSET = 0x700000;
const uint32_t MUSIC_AREA_SIZE =
    platform::COPROCESSOR_WINDOW_SIZE - MUSIC_AREA_OFFSET; // 8,912,896 bytes

// One block of PCM: 16-bit signed little-endian, left and right interleaved,
// 44100 frames per second; 2048 frames, about 46.4 ms.
const uint32_t PCM_BLOCK_BYTES = 8192;

// A PCM buffer and the flag in front of it: non-zero while the buffer holds
// a block ready for output (set by the second CPU, cleared by the audio
// thread once the block went to the sound device).
struct PcmSlot {
    SharedWord full;
    uint8_t pcm[PCM_BLOCK_BYTES];
};

// All words are 32-bit little-endian, read and written whole (SharedWord).
struct SharedSoundBlock {
    SharedWord reserved;
    SharedWord play;       // 1: decode and hand over blocks; 0: don't
    SharedWord newData;    // 1 once the music file is in place (written last)
    SharedWord loadDone;   // 0 while the music file is being copied
    SharedWord dataOffset; // window offset of the music file's first byte
    SharedWord dataLength; // bytes of the music file placed
    PcmSlot slot[2];

    SharedWord& bufferFull(int index) { return slot[index].full; }
    uint8_t* buffer(int index) { return slot[index].pcm; }
};

static_assert(offsetof(SharedSoundBlock, reserved) == 0, "block layout");
static_assert(offsetof(SharedSoundBlock, play) == 4, "block layout");
static_assert(offsetof(SharedSoundBlock, newData) == 8, "block layout");
static_assert(offsetof(SharedSoundBlock, loadDone) == 12, "block layout");
static_assert(offsetof(SharedSoundBlock, dataOffset) == 16, "block layout");
static_assert(offsetof(SharedSoundBlock, dataLength) == 20, "block layout");
static_assert(offsetof(SharedSoundBlock, slot[0].full) == 24, "block layout");
static_assert(offsetof(SharedSoundBlock, slot[0].pcm) == 28, "block layout");
static_assert(offsetof(SharedSoundBlock, slot[1].full) == 8220, "block layout");
static_assert(offsetof(SharedSoundBlock, slot[1].pcm) == 8224, "block layout");
static_assert(sizeof(SharedSoundBlock) == 16416, "block layout");
static_assert(SHARED_BLOCK_OFFSET + sizeof(SharedSoundBlock) == 0x204020, "block layout");
static_assert(MUSIC_AREA_SIZE == 8912896, "music area");
