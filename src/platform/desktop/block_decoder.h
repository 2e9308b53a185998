// Ogg Vorbis in memory decoded with the host's Tremor into blocks of
// PCM_BLOCK_BYTES of 16-bit stereo, by the rules of the second CPU's program:
// stereo passes through, mono is doubled into both channels, other channel
// counts give nothing, holes in the stream are skipped. The desktop's native
// stand-in hands these blocks over; the benchmark and the tests compare the
// real program's PCM with decodeToBlocks().
#pragma once

#include <tremor/ivorbisfile.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/shared_block.h"

class BlockDecoder {
  public:
    BlockDecoder() = default;
    ~BlockDecoder();
    BlockDecoder(const BlockDecoder&) = delete;
    BlockDecoder& operator=(const BlockDecoder&) = delete;

    // Starts on the file at `bytes`, which must stay in place until close().
    // False (and nothing open) when Tremor cannot open it.
    bool open(const uint8_t* bytes, size_t length);

    // Fills `pcm` with up to PCM_BLOCK_BYTES; fewer only at the end of the
    // stream (or where it cannot be decoded further), 0 once it is over.
    size_t decodeBlock(uint8_t* pcm);

    // Releases the decoder; nothing happens if none is open.
    void close();

  private:
    long decodeStereo(uint8_t* pcm, size_t room);

    struct Stream {
        const uint8_t* bytes;
        size_t length;
        size_t position;
    };
    static size_t read(void* destination, size_t size, size_t count, void* source);

    Stream stream = {nullptr, 0, 0};
    OggVorbis_File file;
    bool opened = false;
};

// The whole file as whole blocks, the last one padded with silence; empty
// when Tremor cannot open it.
std::vector<uint8_t> decodeToBlocks(const std::vector<uint8_t>& ogg);
