#include "effects.h"

namespace music {
namespace {

// Comb and all-pass lengths in frames at 44100 Hz: mutually prime-ish so
// their echoes do not line up into audible patterns.
constexpr int COMB_LENGTHS[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
constexpr int ALLPASS_LENGTHS[4] = {556, 441, 341, 225};
constexpr int STEREO_SPREAD = 23;

constexpr int32_t ROOM_FEEDBACK = 27400; // Q15, about 0.84: a long, soft tail
constexpr int32_t ROOM_DAMPING = 9800;   // Q15: highs die faster than lows
constexpr int32_t ROOM_INPUT = 520;      // Q15 gain into the combs
constexpr int32_t ROOM_OUTPUT = 30000;   // Q15 gain of the diffused sum

constexpr int ECHO_FRAMES = 16538;       // a dotted eighth at 120 beats a minute
constexpr int32_t ECHO_FEEDBACK = 14000; // Q15
constexpr int32_t ECHO_SOFTEN = 15000;   // Q15 low-pass amount in the loop

inline int32_t scaled(int64_t value, int32_t gain) {
    return static_cast<int32_t>((value * gain) >> 15);
}

} // namespace

int32_t DampedComb::process(int32_t input, int32_t feedback, int32_t damping) {
    const int32_t output = buffer[index];
    store = static_cast<int32_t>((int64_t(output) * (32768 - damping) + int64_t(store) * damping) >>
                                 15);
    buffer[index] = input + scaled(store, feedback);
    if (++index == buffer.size()) index = 0;
    return output;
}

int32_t AllPass::process(int32_t input) {
    const int32_t delayed = buffer[index];
    buffer[index] = input + (delayed >> 1);
    if (++index == buffer.size()) index = 0;
    return delayed - input;
}

Reverb::Reverb() {
    for (int length : COMB_LENGTHS) {
        combsLeft.emplace_back(length);
        combsRight.emplace_back(length + STEREO_SPREAD);
    }
    for (int length : ALLPASS_LENGTHS) {
        allPassLeft.emplace_back(length);
        allPassRight.emplace_back(length + STEREO_SPREAD);
    }
}

void Reverb::process(const int32_t* input, int32_t* left, int32_t* right, int frames) {
    for (int i = 0; i < frames; ++i) {
        const int32_t in = scaled(input[i], ROOM_INPUT);
        int32_t l = 0;
        int32_t r = 0;
        for (auto& comb : combsLeft)
            l += comb.process(in, ROOM_FEEDBACK, ROOM_DAMPING);
        for (auto& comb : combsRight)
            r += comb.process(in, ROOM_FEEDBACK, ROOM_DAMPING);
        for (auto& pass : allPassLeft)
            l = pass.process(l);
        for (auto& pass : allPassRight)
            r = pass.process(r);
        left[i] += scaled(l, ROOM_OUTPUT);
        right[i] += scaled(r, ROOM_OUTPUT);
    }
}

StereoEcho::StereoEcho() : bufferLeft(ECHO_FRAMES, 0), bufferRight(ECHO_FRAMES, 0) {}

void StereoEcho::process(const int32_t* inLeft, const int32_t* inRight, int32_t* left,
                         int32_t* right, int frames) {
    for (int i = 0; i < frames; ++i) {
        const int32_t delayedLeft = bufferLeft[index];
        const int32_t delayedRight = bufferRight[index];
        softLeft += scaled(delayedLeft - softLeft, ECHO_SOFTEN);
        softRight += scaled(delayedRight - softRight, ECHO_SOFTEN);
        // Each side's repeat comes back on the other side.
        bufferLeft[index] = inLeft[i] + scaled(softRight, ECHO_FEEDBACK);
        bufferRight[index] = inRight[i] + scaled(softLeft, ECHO_FEEDBACK);
        if (++index == bufferLeft.size()) index = 0;
        left[i] += delayedLeft;
        right[i] += delayedRight;
    }
}

int32_t softLimit(int32_t sample) {
    constexpr int64_t KNEE = 560000; // about -5.5 dBFS
    constexpr int64_t ROOM = LIMIT_CEILING - KNEE;
    const int64_t magnitude = sample < 0 ? -int64_t(sample) : sample;
    if (magnitude <= KNEE) return sample;
    const int64_t over = magnitude - KNEE;
    const int64_t bent = KNEE + over * ROOM / (over + ROOM);
    return static_cast<int32_t>(sample < 0 ? -bent : bent);
}

} // namespace music
