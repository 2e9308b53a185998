/* The music program of the second CPU: waits until the main CPU has placed
 * the Ogg Vorbis file in our memory, decodes it with Tremor and, while `play`
 * is 1, hands the PCM over through the shared block's two buffers in turn.
 *
 * What it writes in the shared block is only the buffers and their `full`
 * flags; every other word there belongs to the main CPU. The PCM stream it
 * produces is the one the desktop's native stand-in produces with the same
 * library: stereo passes through, mono is doubled into both channels, holes
 * in the stream are skipped, the last short block is padded with silence. */
#include <ivorbisfile.h>
#include <string.h>

#include "core/shared_block.h"
#include "idle.h"

/* We see our memory from address 0, so the block lies at its offset. */
#define SHARED_BLOCK ((struct SharedSoundBlock*)SHARED_BLOCK_OFFSET)

struct MusicStream {
    const uint8_t* bytes;
    uint32_t length;
    uint32_t position;
};

static size_t readMusic(void* destination, size_t size, size_t count, void* source) {
    struct MusicStream* stream = source;
    if (size == 0) return 0;
    size_t items = (stream->length - stream->position) / size;
    if (items > count) items = count;
    memcpy(destination, stream->bytes + stream->position, items * size);
    stream->position += items * size;
    return items;
}

/* Front to back only: the program never seeks in the music. */
static const ov_callbacks MUSIC_CALLBACKS = {readMusic, NULL, NULL, NULL};

static struct MusicStream stream;
static OggVorbis_File file;

static int openMusic(void) {
    const uint32_t offset = SHARED_BLOCK->dataOffset;
    const uint32_t length = SHARED_BLOCK->dataLength;
    if (offset > COPROCESSOR_MEMORY_SIZE || length > COPROCESSOR_MEMORY_SIZE - offset) return 0;
    stream.bytes = (const uint8_t*)(uintptr_t)offset;
    stream.length = length;
    stream.position = 0;
    return ov_open_callbacks(&stream, &file, NULL, 0, MUSIC_CALLBACKS) == 0;
}

/* One read from the decoder into `pcm` as interleaved stereo; other channel
 * counts than one or two are not played. */
static long decodeStereo(uint8_t* pcm, size_t room) {
    static int16_t mono[PCM_BLOCK_BYTES / 4];
    const vorbis_info* info = ov_info(&file, -1);
    const int channels = info ? info->channels : 0;
    int section = 0;
    if (channels == 2) return ov_read(&file, (char*)pcm, (int)room, &section);
    if (channels != 1) return 0;

    const size_t monoRoom = room / 2 < sizeof mono ? room / 2 : sizeof mono;
    const long got = ov_read(&file, (char*)mono, (int)monoRoom, &section);
    if (got <= 0) return got;
    const long samples = got / 2;
    for (long i = 0; i < samples; i++) {
        memcpy(pcm + 4 * i, &mono[i], 2);
        memcpy(pcm + 4 * i + 2, &mono[i], 2);
    }
    return samples * 4;
}

/* Fills `pcm` with up to one block; fewer bytes only at the end of the
 * stream or where it cannot be decoded further. */
static size_t decodeBlock(uint8_t* pcm) {
    size_t filled = 0;
    while (filled < PCM_BLOCK_BYTES) {
        const long got = decodeStereo(pcm + filled, PCM_BLOCK_BYTES - filled);
        if (got == OV_HOLE) continue;
        if (got <= 0) break;
        filled += (size_t)got;
    }
    return filled;
}

static void waitForMusic(void) {
    /* newData comes last, after the whole file, loadDone and dataLength. */
    while (!(SHARED_BLOCK->newData == 1 && SHARED_BLOCK->loadDone == 1))
        coprocessorIdle(IDLE_WAITING_FOR_MUSIC);
}

/* Waits until playing is wanted and buffer `index` has been taken. */
static void waitForTurn(int index) {
    while (!(SHARED_BLOCK->play == 1 && SHARED_BLOCK->slot[index].full == 0))
        coprocessorIdle(IDLE_WAITING_FOR_BUFFER);
}

/* Marks buffer `index` full, after every byte of its PCM: the barrier keeps
 * the compiler from moving the PCM stores past the flag, and the hardware
 * keeps them in order because the shared block is neither cached nor
 * write-buffered. */
static void handOver(int index) {
    __asm__ __volatile__("" ::: "memory");
    SHARED_BLOCK->slot[index].full = 1;
    coprocessorIdle(IDLE_HANDED_OVER);
}

static void playMusic(void) {
    int next = 0;
    for (;;) {
        waitForTurn(next);
        uint8_t* pcm = SHARED_BLOCK->slot[next].pcm;
        const size_t decoded = decodeBlock(pcm);
        if (decoded < PCM_BLOCK_BYTES) {
            ov_clear(&file);
            if (decoded == 0) return;
            memset(pcm + decoded, 0, PCM_BLOCK_BYTES - decoded);
            handOver(next);
            return;
        }
        handOver(next);
        next ^= 1;
    }
}

int main(void) {
    waitForMusic();
    if (openMusic()) playMusic();
    for (;;) coprocessorIdle(IDLE_FINISHED);
}
