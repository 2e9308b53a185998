// Fuzz target: placing a music file of any content and length in the second
// CPU's memory, with any value in the block's dataOffset word (which that
// CPU's program could have overwritten).
//
// Input: 4 bytes dataOffset (little-endian), 1 byte length class, 2 bytes k,
// then the file's first bytes. Class 0 takes the file as it is; class 1 pads
// it with zeros to 8,912,896 - k bytes (the music area's size) and class 2 to
// 8,912,896 + k, so that both sides of the size limit get tried.
//
// The memory is zero-filled like the desktop's emulated memory (and guarded
// at both ends by the address sanitizer); everything outside the music area
// is write-protected apart from the shared block, which is compared word by
// word, so that any byte written outside the music area stops the run.
#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzz_support.h"
#include "platform/physical_memory.h"
#include "platform/shared_sound_block.h"
#include "sound/audio_thread.h"
#include "sound/coprocessor_link.h"

namespace {

const size_t HEADER_BYTES = 7;
const size_t PAGE = 4096;
// The pages that hold the shared block; the rest of the last one is not
// the block's and must stay as it was.
const uint32_t BLOCK_PAGES_END =
    (SHARED_BLOCK_OFFSET + sizeof(SharedSoundBlock) + PAGE - 1) / PAGE * PAGE;
const uint8_t FILL = 0xA5;

void require(bool condition) {
    if (!condition) abort();
}

uint32_t readLittle(const uint8_t* p, int bytes) {
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; i--)
        value = (value << 8) | p[i];
    return value;
}

bool allEqual(const uint8_t* p, size_t count, uint8_t value) {
    static uint8_t same[65536];
    memset(same, value, sizeof same);
    for (size_t done = 0; done < count; done += sizeof same) {
        const size_t n = count - done < sizeof same ? count - done : sizeof same;
        if (memcmp(p + done, same, n) != 0) return false;
    }
    return true;
}

// The block in its start state, as the audio thread leaves it.
void resetBlock(uint32_t dataOffset) {
    memset(sharedBlock, 0, sizeof(SharedSoundBlock));
    sharedBlock->dataOffset.store(dataOffset);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    void* memory = nullptr;
    require(posix_memalign(&memory, PAGE, platform::COPROCESSOR_WINDOW_SIZE) == 0);
    coprocessorWindow = static_cast<uint8_t*>(memory);
    memset(coprocessorWindow, FILL, platform::COPROCESSOR_WINDOW_SIZE);
    sharedBlock = reinterpret_cast<SharedSoundBlock*>(coprocessorWindow + SHARED_BLOCK_OFFSET);
    require(mprotect(coprocessorWindow, SHARED_BLOCK_OFFSET, PROT_READ) == 0);
    require(mprotect(coprocessorWindow + BLOCK_PAGES_END, MUSIC_AREA_OFFSET - BLOCK_PAGES_END,
                     PROT_READ) == 0);
    blockState.store(BLOCK_READY);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < HEADER_BYTES) return 0;
    const uint32_t dataOffset = readLittle(data, 4);
    const uint32_t k = readLittle(data + 5, 2);
    size_t length = size - HEADER_BYTES;
    if (data[4] % 3 == 1) length = MUSIC_AREA_SIZE - k;
    if (data[4] % 3 == 2) length = MUSIC_AREA_SIZE + k;
    const size_t head = size - HEADER_BYTES < length ? size - HEADER_BYTES : length;
    const char* path = writeInputFile(data + HEADER_BYTES, head, length);

    resetBlock(dataOffset);
    loadMusic(path);

    // Placed exactly when the whole file fits the music area from dataOffset.
    const bool fits = length <= MUSIC_AREA_SIZE &&
                      (length == 0 || (dataOffset >= MUSIC_AREA_OFFSET &&
                                       dataOffset <= platform::COPROCESSOR_WINDOW_SIZE &&
                                       length <= platform::COPROCESSOR_WINDOW_SIZE - dataOffset));
    require(sharedBlock->newData.load() == (fits ? 1u : 0u));
    require(sharedBlock->loadDone.load() == (fits ? 1u : 0u));
    require(sharedBlock->dataLength.load() == (fits ? length : 0u));
    require(sharedBlock->dataOffset.load() == dataOffset);
    require(sharedBlock->play.load() == 0 && sharedBlock->reserved.load() == 0);
    require(allEqual(reinterpret_cast<const uint8_t*>(&sharedBlock->slot), sizeof sharedBlock->slot,
                     0));
    const uint8_t* afterBlock = reinterpret_cast<const uint8_t*>(sharedBlock + 1);
    require(allEqual(afterBlock, coprocessorWindow + BLOCK_PAGES_END - afterBlock, FILL));
    if (fits && length > 0) {
        const uint8_t* placed = coprocessorWindow + dataOffset;
        require(memcmp(placed, data + HEADER_BYTES, head) == 0);
        require(allEqual(placed + head, length - head, 0));
    }
    return 0;
}
