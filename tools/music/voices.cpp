#include "voices.h"

#include <algorithm>
#include <cstring>

#include "envelope.h"
#include "voice_span.h"

namespace music {
namespace {

void mixMono(const Note& note, const int32_t* sound, int offset, int frames, Buses& buses) {
    const PanGains pan = panGains(note.pan);
    const int64_t reverb = note.reverb * 128;
    const int64_t echo = note.echo * 128;
    for (int i = 0; i < frames; ++i) {
        const int64_t v = sound[i];
        const int32_t l = static_cast<int32_t>((v * pan.left) >> 15);
        const int32_t r = static_cast<int32_t>((v * pan.right) >> 15);
        buses.left[offset + i] += l;
        buses.right[offset + i] += r;
        buses.reverb[offset + i] += static_cast<int32_t>((v * reverb) >> 15);
        buses.echoLeft[offset + i] += static_cast<int32_t>((l * echo) >> 15);
        buses.echoRight[offset + i] += static_cast<int32_t>((r * echo) >> 15);
    }
}

void mixStereo(const Note& note, const int32_t* left, const int32_t* right, int offset, int frames,
               Buses& buses) {
    const int64_t reverb = note.reverb * 64; // half each side
    const int64_t echo = note.echo * 128;
    for (int i = 0; i < frames; ++i) {
        const int64_t l = left[i];
        const int64_t r = right[i];
        buses.left[offset + i] += left[i];
        buses.right[offset + i] += right[i];
        buses.reverb[offset + i] += static_cast<int32_t>(((l + r) * reverb) >> 15);
        buses.echoLeft[offset + i] += static_cast<int32_t>((l * echo) >> 15);
        buses.echoRight[offset + i] += static_cast<int32_t>((r * echo) >> 15);
    }
}

void renderSpan(Span& s, int offset, Buses& buses) {
    int32_t mono[CONTROL_FRAMES];
    int32_t left[CONTROL_FRAMES];
    int32_t right[CONTROL_FRAMES];
    switch (s.note.instrument) {
    case Instrument::Pad:
    case Instrument::NightPad:
        renderPad(s, left, right);
        break;
    case Instrument::Rain:
        renderRain(s, left, right);
        break;
    case Instrument::Waterfall:
        renderWaterfall(s, left, right);
        break;
    case Instrument::Riser:
        renderRiser(s, left, right);
        break;
    case Instrument::Lead:
        renderLead(s, mono);
        break;
    case Instrument::Piano:
    case Instrument::Bell:
    case Instrument::Harp:
    case Instrument::Drip:
        renderFm(s, mono);
        break;
    case Instrument::Bass:
        renderBass(s, mono);
        break;
    case Instrument::Kick:
        renderSweep(s, mono, hertzIncrement(150), hertzIncrement(48), 1000);
        break;
    case Instrument::Tom: {
        const uint32_t low = noteIncrement(s.note.pitch);
        renderSweep(s, mono, low + low / 2, low, 2200);
        break;
    }
    case Instrument::Snare:
        renderSnare(s, mono);
        break;
    case Instrument::Hat:
    case Instrument::OpenHat:
        renderHat(s, mono);
        break;
    case Instrument::Shaker:
        renderShaker(s, mono);
        break;
    case Instrument::Bird:
        renderBird(s, mono);
        break;
    }
    switch (s.note.instrument) {
    case Instrument::Pad:
    case Instrument::NightPad:
    case Instrument::Rain:
    case Instrument::Waterfall:
    case Instrument::Riser:
        mixStereo(s.note, left, right, offset, s.frames, buses);
        break;
    default:
        mixMono(s.note, mono, offset, s.frames, buses);
        break;
    }
}

} // namespace

void Buses::clear() {
    std::memset(this, 0, sizeof(*this));
}

int64_t noteEnd(const Note& note) {
    return note.start + note.length + releaseFrames(note.instrument);
}

void renderVoice(const Note& note, VoiceState& state, int64_t blockStart, int frames,
                 Buses& buses) {
    int64_t from = std::max(blockStart, note.start);
    const int64_t to = std::min(blockStart + frames, noteEnd(note));
    while (from < to) {
        const int64_t elapsed = from - note.start;
        const int64_t segment = elapsed & ~int64_t(CONTROL_FRAMES - 1);
        const int count = static_cast<int>(std::min(to - from, segment + CONTROL_FRAMES - elapsed));
        Span span{note,
                  state,
                  from,
                  static_cast<uint32_t>(elapsed),
                  count,
                  segment,
                  static_cast<int>(elapsed - segment),
                  amplitudeAt(note, segment),
                  amplitudeAt(note, segment + CONTROL_FRAMES)};
        renderSpan(span, static_cast<int>(from - blockStart), buses);
        from += count;
    }
}

} // namespace music
