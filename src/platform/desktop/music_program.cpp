#include "platform/desktop/music_program.h"

#include <cstring>

#include "platform/physical_memory.h"

MusicProgram::MusicProgram(uint8_t* memory)
    : memory(memory), block(reinterpret_cast<SharedSoundBlock*>(memory + SHARED_BLOCK_OFFSET)) {}

bool MusicProgram::hasMusicLeft() const {
    if (state == WAITING_FOR_MUSIC) return block->newData.load() == 1;
    return state == PLAYING;
}

bool MusicProgram::step() {
    if (state == WAITING_FOR_MUSIC) {
        // newData comes last, after the whole file, loadDone and dataLength.
        if (block->newData.load() != 1 || block->loadDone.load() != 1) return false;
        state = openMusic() ? PLAYING : FINISHED;
        return true;
    }
    if (state != PLAYING || block->play.load() != 1) return false;
    SharedWord& full = block->bufferFull(nextBuffer);
    if (full.load() != 0) return false; // not yet taken by the audio thread

    uint8_t* pcm = block->buffer(nextBuffer);
    const size_t decoded = decoder.decodeBlock(pcm);
    if (decoded < PCM_BLOCK_BYTES) {
        decoder.close();
        state = FINISHED;
        if (decoded == 0) return true;
        // The last, short block is handed over padded with silence.
        memset(pcm + decoded, 0, PCM_BLOCK_BYTES - decoded);
    }
    full.store(1);
    nextBuffer ^= 1;
    return true;
}

bool MusicProgram::openMusic() {
    const uint32_t offset = block->dataOffset.load();
    const uint32_t length = block->dataLength.load();
    if (offset > platform::COPROCESSOR_WINDOW_SIZE ||
        length > platform::COPROCESSOR_WINDOW_SIZE - offset)
        return false;
    return decoder.open(memory + offset, length);
}
