// make-test-ogg: writes a short Ogg Vorbis file for the sound tests.
//
//   make-test-ogg OUT FRAMES CHANNELS SEED
//
// 44100 Hz; the signal is two tones and a little noise, all fixed by SEED.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "ogg_encoder.h"

namespace {

const int RATE = 44100;

float sample(long frame, int channel, unsigned& noise, unsigned seed) {
    noise = noise * 1103515245u + 12345u;
    const float hiss = static_cast<float>((noise >> 16) & 0x7FFF) / 32768.0f - 0.5f;
    const float pitch = 0.02f + 0.005f * static_cast<float>(seed % 7) + 0.013f * channel;
    return 0.4f * sinf(pitch * frame) + 0.2f * sinf(pitch * 3.1f * frame) + 0.1f * hiss;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        fprintf(stderr, "usage: make-test-ogg OUT FRAMES CHANNELS SEED\n");
        return 2;
    }
    const long frames = atol(argv[2]);
    const int channels = atoi(argv[3]);
    const unsigned seed = static_cast<unsigned>(atol(argv[4]));
    FILE* out = fopen(argv[1], "wb");
    if (!out || frames < 0 || channels < 1 || channels > 2) return 1;
    unsigned noise = seed;
    const bool ok =
        encodeOgg(out, frames, channels, RATE, 0.3f, static_cast<int>(seed),
                  [&](long frame, int channel) { return sample(frame, channel, noise, seed); });
    return fclose(out) == 0 && ok ? 0 : 1;
}
