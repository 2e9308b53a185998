#include "tools/wav_sound_device.h"

#include <cstdio>

#include "platform/shared_word.h"

namespace platform {
namespace {

const int WAV_DEVICE = 1;
const uint32_t HEADER_BYTES = 44;

std::string wavPath;
uint32_t limit = 0;
FILE* wavFile = nullptr;
// Written by the audio thread, read by the main thread.
SharedWord written;

void putWord(uint8_t* at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; i++)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
}

// A PCM WAV header for `dataBytes` of 44100 Hz, 16-bit, stereo sound.
bool writeHeader(FILE* file, uint32_t dataBytes) {
    uint8_t header[HEADER_BYTES] = {'R', 'I', 'F', 'F', 0,   0,   0,   0, 'W', 'A', 'V',
                                    'E', 'f', 'm', 't', ' ', 0,   0,   0, 0,   0,   0,
                                    0,   0,   0,   0,   0,   0,   0,   0, 0,   0,   0,
                                    0,   0,   0,   'd', 'a', 't', 'a', 0, 0,   0,   0};
    putWord(header + 4, 36 + dataBytes, 4);
    putWord(header + 16, 16, 4);        // format chunk size
    putWord(header + 20, 1, 2);         // integer PCM
    putWord(header + 22, 2, 2);         // channels
    putWord(header + 24, 44100, 4);     // frames per second
    putWord(header + 28, 44100 * 4, 4); // bytes per second
    putWord(header + 32, 4, 2);         // bytes per frame
    putWord(header + 34, 16, 2);        // bits per sample
    putWord(header + 40, dataBytes, 4);
    return fseek(file, 0, SEEK_SET) == 0 && fwrite(header, 1, HEADER_BYTES, file) == HEADER_BYTES;
}

int openWav() {
    wavFile = fopen(wavPath.c_str(), "wb");
    if (!wavFile) return -1;
    written.store(0);
    if (!writeHeader(wavFile, 0)) {
        fclose(wavFile);
        wavFile = nullptr;
        return -1;
    }
    return WAV_DEVICE;
}

int controlWav(int, unsigned long, void*) {
    return 0;
}

long writeWav(int, const void* data, size_t length) {
    const uint32_t kept = written.load();
    size_t keep = limit - kept;
    if (keep > length) keep = length;
    if (keep > 0 && fwrite(data, 1, keep, wavFile) != keep) return -1;
    written.store(kept + static_cast<uint32_t>(keep));
    return static_cast<long>(length);
}

void closeWav(int) {
    if (!wavFile) return;
    writeHeader(wavFile, written.load());
    fclose(wavFile);
    wavFile = nullptr;
}

const SoundDevice WAV = {openWav, controlWav, writeWav, closeWav};

} // namespace

bool prepareWavSoundDevice(const std::string& path, uint32_t byteLimit) {
    wavPath = path;
    limit = byteLimit & ~3u; // whole stereo frames
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool headerWritten = writeHeader(file, 0);
    return fclose(file) == 0 && headerWritten;
}

const SoundDevice& wavSoundDevice() {
    return WAV;
}

uint32_t wavBytesWritten() {
    return written.load();
}

} // namespace platform
