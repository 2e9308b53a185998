// make-arm940-ogg: writes a short Ogg Vorbis file for the second-CPU tests.
//
//   make-arm940-ogg OUT FRAMES CHANNELS RATE QUALITY SEED
//
// QUALITY is libvorbis' VBR quality (-0.1 .. 1.0). The signal is a chord that
// glides, bursts of noise and a few silent stretches, all fixed by SEED, so
// that every codebook and floor of the decoder gets work.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "ogg_encoder.h"

namespace {

float sample(long frame, int channel, int rate, unsigned& noise, unsigned seed) {
    noise = noise * 1103515245u + 12345u;
    const float hiss = static_cast<float>((noise >> 16) & 0x7FFF) / 32768.0f - 0.5f;
    const float t = static_cast<float>(frame) / static_cast<float>(rate);
    const long section = frame / (rate / 4);
    if (section % 7 == 6) return 0.0f; // a silent quarter second now and then
    const float base = 220.0f + 30.0f * static_cast<float>(seed % 5) + 40.0f * t;
    const float twoPi = 6.2831853f;
    float value = 0.35f * sinf(twoPi * base * t + channel) + 0.2f * sinf(twoPi * base * 1.5f * t) +
                  0.1f * sinf(twoPi * base * 4.02f * t * (1 + channel));
    if (section % 3 == 1) value += 0.3f * hiss;
    return value;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 7) {
        fprintf(stderr, "usage: make-arm940-ogg OUT FRAMES CHANNELS RATE QUALITY SEED\n");
        return 2;
    }
    const long frames = atol(argv[2]);
    const int channels = atoi(argv[3]);
    const int rate = atoi(argv[4]);
    const float quality = static_cast<float>(atof(argv[5]));
    const unsigned seed = static_cast<unsigned>(atol(argv[6]));
    FILE* out = fopen(argv[1], "wb");
    if (!out || frames < 0 || channels < 1 || channels > 2 || rate < 8000) return 1;
    unsigned noise = seed;
    const bool ok = encodeOgg(
        out, frames, channels, rate, quality, static_cast<int>(seed),
        [&](long frame, int channel) { return sample(frame, channel, rate, noise, seed); });
    return fclose(out) == 0 && ok ? 0 : 1;
}
