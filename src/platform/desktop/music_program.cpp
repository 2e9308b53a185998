#include "platform/desktop/music_program.h"

#include <cstring>

#include "platform/physical_memory.h"

namespace {

size_t readMusic(void* destination, size_t size, size_t count, void* source) {
    auto* stream = static_cast<MusicStream*>(source);
    if (size == 0) return 0;
    size_t items = (stream->length - stream->position) / size;
    if (items > count) items = count;
    memcpy(destination, stream->bytes + stream->position, items * size);
    stream->position += items * size;
    return items;
}

// Read front to back only: the program never seeks in the music.
const ov_callbacks MUSIC_CALLBACKS = {readMusic, nullptr, nullptr, nullptr};

} // namespace

MusicProgram::MusicProgram(uint8_t* memory)
    : memory(memory), block(reinterpret_cast<SharedSoundBlock*>(memory + SHARED_BLOCK_OFFSET)) {}

MusicProgram::~MusicProgram() {
    if (state == PLAYING) ov_clear(&file);
}

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
    const size_t decoded = decodeBlock(pcm);
    if (decoded < PCM_BLOCK_BYTES) {
        ov_clear(&file);
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
    stream = {memory + offset, length, 0};
    return ov_open_callbacks(&stream, &file, nullptr, 0, MUSIC_CALLBACKS) == 0;
}

// Fills `pcm` with up to one block of stereo PCM; fewer bytes only at the end
// of the stream (or where it cannot be decoded further).
size_t MusicProgram::decodeBlock(uint8_t* pcm) {
    size_t filled = 0;
    while (filled < PCM_BLOCK_BYTES) {
        const long got = decodeStereo(pcm + filled, PCM_BLOCK_BYTES - filled);
        if (got == OV_HOLE) continue; // a gap in the stream: decoding goes on
        if (got <= 0) break;
        filled += static_cast<size_t>(got);
    }
    return filled;
}

// One read from the decoder into `pcm` as interleaved stereo: a mono stream
// is doubled into both channels; other channel counts are not played.
long MusicProgram::decodeStereo(uint8_t* pcm, size_t room) {
    const vorbis_info* info = ov_info(&file, -1);
    const int channels = info ? info->channels : 0;
    int section = 0;
    if (channels == 2)
        return ov_read(&file, reinterpret_cast<char*>(pcm), static_cast<int>(room), &section);
    if (channels != 1) return 0;

    int16_t mono[PCM_BLOCK_BYTES / 4];
    const size_t monoRoom = room / 2 < sizeof mono ? room / 2 : sizeof mono;
    const long got =
        ov_read(&file, reinterpret_cast<char*>(mono), static_cast<int>(monoRoom), &section);
    if (got <= 0) return got;
    const long samples = got / 2;
    for (long i = 0; i < samples; i++) {
        memcpy(pcm + 4 * i, &mono[i], 2);
        memcpy(pcm + 4 * i + 2, &mono[i], 2);
    }
    return samples * 4;
}
