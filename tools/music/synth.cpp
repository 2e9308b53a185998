#include "synth.h"

#include <algorithm>

#include "dsp_tables.h"
#include "score.h"

namespace music {
namespace {

constexpr int64_t EDGE_FADE = 441;     // 10 ms
constexpr int32_t MASTER_GAIN = 46000; // Q15: about +3 dB

} // namespace

MusicSynth::MusicSynth(int64_t firstFrame, int64_t frameCount)
    : MusicSynth(firstFrame, frameCount, composeScore()) {}

MusicSynth::MusicSynth(int64_t firstFrame, int64_t frameCount, std::vector<Note> score)
    : notes(std::move(score)), first(firstFrame), end(firstFrame + frameCount),
      position(firstFrame) {}

int MusicSynth::render(float* out, int frames) {
    int written = 0;
    while (written < frames && position < end) {
        // Blocks follow the absolute control grid, so a stretch sounds the
        // same wherever it was started.
        const int64_t gridEnd = (position / CONTROL_FRAMES + 1) * CONTROL_FRAMES;
        const int64_t stop = std::min({gridEnd, end, position + (frames - written)});
        const int count = static_cast<int>(stop - position);
        renderBlock(out + 2 * written, count);
        written += count;
        position = stop;
    }
    return written;
}

// Q15 gain of the fades: the piece's own ending, and the 10 ms edges of a
// stretch cut out of the middle.
int32_t MusicSynth::edgeGain(int64_t frame) const {
    int64_t gain = UNIT;
    if (frame >= FINAL_SILENCE) return 0;
    if (frame > FINAL_FADE_START) {
        const int64_t left = FINAL_SILENCE - frame;
        const int64_t linear = (left << 15) / (FINAL_SILENCE - FINAL_FADE_START);
        gain = (linear * linear) >> 15;
    }
    if (first > 0 && frame - first < EDGE_FADE) gain = gain * (frame - first) / EDGE_FADE;
    if (end < PIECE_FRAMES && end - 1 - frame < EDGE_FADE)
        gain = gain * (end - 1 - frame) / EDGE_FADE;
    return static_cast<int32_t>(gain);
}

void MusicSynth::renderBlock(float* out, int count) {
    const int64_t blockEnd = position + count;
    while (nextNote < notes.size() && notes[nextNote].start < blockEnd) {
        if (noteEnd(notes[nextNote]) > position) active.push_back({&notes[nextNote], {}});
        ++nextNote;
    }
    buses.clear();
    for (Active& voice : active)
        renderVoice(*voice.note, voice.state, position, count, buses);
    active.erase(
        std::remove_if(active.begin(), active.end(),
                       [&](const Active& voice) { return noteEnd(*voice.note) <= blockEnd; }),
        active.end());

    int32_t left[CONTROL_FRAMES];
    int32_t right[CONTROL_FRAMES];
    std::copy(buses.left, buses.left + count, left);
    std::copy(buses.right, buses.right + count, right);
    reverb.process(buses.reverb, left, right, count);
    echo.process(buses.echoLeft, buses.echoRight, left, right, count);

    // Powers of two only: the conversion to float is exact.
    constexpr float SCALE = 1.0f / SIGNAL_ONE;
    for (int i = 0; i < count; ++i) {
        const int64_t gain = (int64_t(edgeGain(position + i)) * MASTER_GAIN) >> 15;
        const int32_t l = softLimit(static_cast<int32_t>((left[i] * gain) >> 15));
        const int32_t r = softLimit(static_cast<int32_t>((right[i] * gain) >> 15));
        out[2 * i] = static_cast<float>(l) * SCALE;
        out[2 * i + 1] = static_cast<float>(r) * SCALE;
    }
}

} // namespace music
