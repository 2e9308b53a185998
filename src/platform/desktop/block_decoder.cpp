#include "platform/desktop/block_decoder.h"

#include <cstring>

BlockDecoder::~BlockDecoder() {
    close();
}

size_t BlockDecoder::read(void* destination, size_t size, size_t count, void* source) {
    auto* stream = static_cast<Stream*>(source);
    if (size == 0) return 0;
    size_t items = (stream->length - stream->position) / size;
    if (items > count) items = count;
    memcpy(destination, stream->bytes + stream->position, items * size);
    stream->position += items * size;
    return items;
}

bool BlockDecoder::open(const uint8_t* bytes, size_t length) {
    close();
    stream = {bytes, length, 0};
    // Front to back only: the program never seeks in the music.
    const ov_callbacks callbacks = {read, nullptr, nullptr, nullptr};
    opened = ov_open_callbacks(&stream, &file, nullptr, 0, callbacks) == 0;
    return opened;
}

void BlockDecoder::close() {
    if (opened) ov_clear(&file);
    opened = false;
}

size_t BlockDecoder::decodeBlock(uint8_t* pcm) {
    size_t filled = 0;
    while (opened && filled < PCM_BLOCK_BYTES) {
        const long got = decodeStereo(pcm + filled, PCM_BLOCK_BYTES - filled);
        if (got == OV_HOLE) continue; // a gap in the stream: decoding goes on
        if (got <= 0) break;
        filled += static_cast<size_t>(got);
    }
    return filled;
}

// One read from the decoder into `pcm` as interleaved stereo.
long BlockDecoder::decodeStereo(uint8_t* pcm, size_t room) {
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

std::vector<uint8_t> decodeToBlocks(const std::vector<uint8_t>& ogg) {
    std::vector<uint8_t> out;
    BlockDecoder decoder;
    if (!decoder.open(ogg.data(), ogg.size())) return out;
    uint8_t block[PCM_BLOCK_BYTES];
    for (;;) {
        const size_t filled = decoder.decodeBlock(block);
        if (filled == 0) break;
        memset(block + filled, 0, PCM_BLOCK_BYTES - filled);
        out.insert(out.end(), block, block + PCM_BLOCK_BYTES);
        if (filled < PCM_BLOCK_BYTES) break;
    }
    return out;
}
