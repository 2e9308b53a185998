/* The second CPU's memory as the two CPUs share it, and the control block
 * through which they exchange the music and the decoded sound. One header for
 * both sides: the second CPU's C program and the main CPU's C++.
 *
 * Offsets are the main CPU's offsets into its window onto this memory, and
 * also the addresses at which the second CPU sees the same bytes (it maps
 * them as memory bank 3 from address 0).
 *
 * Every word of the block is 32-bit little-endian, read and written whole:
 * the other CPU changes it behind the reader's back. In C a word is a
 * volatile uint32_t. C++ code includes platform/shared_sound_block.h, which
 * names its shared-word type (acquire loads, release stores) in
 * SHARED_BLOCK_WORD before including this file; C++ that includes it
 * directly sees only the memory map. */
#ifndef CORE_SHARED_BLOCK_MAP
#define CORE_SHARED_BLOCK_MAP

#include <stddef.h>
#include <stdint.h>

/* The second CPU's program image, copied in by the main CPU. */
#define PROGRAM_AREA_OFFSET 0x000000u
#define PROGRAM_AREA_SIZE 0x200000u /* 2,097,152 bytes */
/* The block below; the second CPU keeps the 32 KiB from here uncached. */
#define SHARED_BLOCK_OFFSET 0x200000u
/* The music file, placed by the main CPU. */
#define MUSIC_AREA_OFFSET 0x700000u
/* Everything of the second CPU's memory that the main CPU maps. */
#define COPROCESSOR_MEMORY_SIZE 0xF80000u
#define MUSIC_AREA_SIZE (COPROCESSOR_MEMORY_SIZE - MUSIC_AREA_OFFSET) /* 8,912,896 bytes */

/* One block of PCM: 16-bit signed little-endian, left and right interleaved,
 * 44100 frames per second; 2048 frames, about 46.4 ms. */
#define PCM_BLOCK_BYTES 8192u

#endif

#if !defined(__cplusplus) && !defined(SHARED_BLOCK_WORD)
#define SHARED_BLOCK_WORD volatile uint32_t
#endif

#if defined(SHARED_BLOCK_WORD) && !defined(CORE_SHARED_BLOCK_STRUCT)
#define CORE_SHARED_BLOCK_STRUCT

/* A PCM buffer and the flag in front of it: non-zero while the buffer holds a
 * block ready for output (set by the second CPU, cleared by the main CPU's
 * audio thread once the block went to the sound device). */
struct PcmSlot {
    SHARED_BLOCK_WORD full;
    uint8_t pcm[PCM_BLOCK_BYTES];
};

struct SharedSoundBlock {
    SHARED_BLOCK_WORD reserved;
    SHARED_BLOCK_WORD play;       /* 1: decode and hand over blocks; 0: don't */
    SHARED_BLOCK_WORD newData;    /* 1 once the music file is in place (written last) */
    SHARED_BLOCK_WORD loadDone;   /* 0 while the music file is being copied */
    SHARED_BLOCK_WORD dataOffset; /* window offset of the music file's first byte */
    SHARED_BLOCK_WORD dataLength; /* bytes of the music file placed */
    struct PcmSlot slot[2];
#ifdef __cplusplus
    SHARED_BLOCK_WORD& bufferFull(int index) {
        return slot[index].full;
    }
    uint8_t* buffer(int index) {
        return slot[index].pcm;
    }
#endif
};

#ifdef __cplusplus
#define SHARED_BLOCK_CHECK(condition) static_assert(condition, "shared block layout")
#else
#define SHARED_BLOCK_CHECK(condition) _Static_assert(condition, "shared block layout")
#endif
SHARED_BLOCK_CHECK(offsetof(struct SharedSoundBlock, reserved) == 0);
SHARED_BLOCK_CHECK(offsetof(struct SharedSoundBlock, play) == 4);
SHARED_BLOCK_CHECK(offsetof(struct SharedSoundBlock, newData) == 8);
SHARED_BLOCK_CHECK(offsetof(struct SharedSoundBlock, loadDone) == 12);
SHARED_BLOCK_CHECK(offsetof(struct SharedSoundBlock, dataOffset) == 16);
SHARED_BLOCK_CHECK(offsetof(struct SharedSoundBlock, dataLength) == 20);
SHARED_BLOCK_CHECK(offsetof(struct SharedSoundBlock, slot[0].full) == 24);
SHARED_BLOCK_CHECK(offsetof(struct SharedSoundBlock, slot[0].pcm) == 28);
SHARED_BLOCK_CHECK(offsetof(struct SharedSoundBlock, slot[1].full) == 8220);
SHARED_BLOCK_CHECK(offsetof(struct SharedSoundBlock, slot[1].pcm) == 8224);
SHARED_BLOCK_CHECK(sizeof(struct SharedSoundBlock) == 16416);
SHARED_BLOCK_CHECK(SHARED_BLOCK_OFFSET + sizeof(struct SharedSoundBlock) == 0x204020);
SHARED_BLOCK_CHECK(MUSIC_AREA_SIZE == 8912896);

#endif
