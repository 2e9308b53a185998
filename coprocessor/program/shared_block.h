/* The second CPU's view of its memory: where the main CPU puts the music,
 * where the shared block lies, and the block's words. The main CPU maps the
 * same memory with bank 3, so these addresses equal its window offsets. */
#ifndef SHARED_BLOCK_H
#define SHARED_BLOCK_H

#include <stdint.h>

#define SHARED_BLOCK_ADDRESS 0x200000u
#define WINDOW_SIZE 0xF80000u /* everything the main CPU maps of our memory */
#define PCM_BLOCK_BYTES 8192u

/* Field offsets are fixed by the main CPU's side: 0, 4, 8, ... 24, 28, 8220,
 * 8224; 16416 bytes in all. Every word is read and written whole through a
 * volatile pointer, because the main CPU changes them behind our back. */
struct PcmSlot {
    volatile uint32_t full; /* set by us once the block is ready; cleared by the main CPU */
    uint8_t pcm[PCM_BLOCK_BYTES];
};

struct SharedSoundBlock {
    volatile uint32_t reserved;
    volatile uint32_t play;
    volatile uint32_t newData;
    volatile uint32_t loadDone;
    volatile uint32_t dataOffset;
    volatile uint32_t dataLength;
    struct PcmSlot slot[2];
};

_Static_assert(sizeof(struct SharedSoundBlock) == 16416, "shared block layout");
_Static_assert(__builtin_offsetof(struct SharedSoundBlock, slot[1].full) == 8220,
               "shared block layout");

#define SHARED_BLOCK ((struct SharedSoundBlock*)SHARED_BLOCK_ADDRESS)

#endif
