#include "envelope.h"

#include "dsp_tables.h"

namespace music {
namespace {

constexpr int32_t ms(int milliseconds) {
    return milliseconds * 441 / 10;
}

// The release runs this many half-lives and is faded linearly to zero over
// them, so it ends without a step.
constexpr int RELEASE_HALVES = 8;

struct Shape {
    int32_t attack;      // frames to full level
    int32_t decayHalf;   // half-life of the fall toward sustain; 0 = no fall
    int32_t sustain;     // Q15 level held after the fall
    int32_t releaseHalf; // half-life after the key is let go
    int32_t level;       // Q15 loudness of the instrument in the mix
};

Shape shapeOf(Instrument instrument) {
    switch (instrument) {
    case Instrument::Pad:
        return {ms(900), 0, UNIT, ms(450), 6800};
    case Instrument::NightPad:
        return {ms(1400), 0, UNIT, ms(600), 7000};
    case Instrument::Piano:
        return {ms(3), ms(420), 7000, ms(110), 9000};
    case Instrument::Bell:
        return {ms(2), ms(650), 0, ms(400), 8500};
    case Instrument::Harp:
        return {ms(2), ms(260), 0, ms(120), 8000};
    case Instrument::Drip:
        return {ms(1), ms(45), 0, ms(40), 6000};
    case Instrument::Bass:
        return {ms(6), ms(260), 18000, ms(45), 12500};
    case Instrument::Lead:
        return {ms(70), ms(900), 24000, ms(110), 9500};
    case Instrument::Kick:
        return {ms(1), ms(85), 0, ms(25), 21000};
    case Instrument::Tom:
        return {ms(2), ms(190), 0, ms(60), 16000};
    case Instrument::Snare:
        return {ms(1), ms(55), 0, ms(25), 15000};
    case Instrument::Hat:
        return {ms(1), ms(16), 0, ms(10), 22000};
    case Instrument::OpenHat:
        return {ms(2), ms(110), 0, ms(40), 11000};
    case Instrument::Shaker:
        return {ms(9), ms(28), 0, ms(15), 10000};
    case Instrument::Riser:
        return {1, 0, UNIT, ms(25), 3600};
    case Instrument::Rain:
        return {ms(2500), 0, UNIT, ms(600), 3800};
    case Instrument::Waterfall:
        return {ms(3500), 0, UNIT, ms(700), 3100};
    case Instrument::Bird:
        return {ms(8), ms(60), 0, ms(20), 4800};
    }
    return {1, 0, 0, 1, 0};
}

// Level while the key is held, Q15.
int64_t heldLevel(const Shape& shape, const Note& note, int64_t t) {
    if (note.instrument == Instrument::Riser) {
        // Swells with the square of the time, reaching full level at release.
        const int64_t length = note.length > 0 ? note.length : 1;
        const int64_t ratio = (t << 15) / length;
        return (ratio * ratio) >> 15;
    }
    if (t < shape.attack) return (UNIT * t) / shape.attack;
    if (shape.decayHalf == 0) return UNIT;
    const int64_t above = UNIT - shape.sustain;
    return shape.sustain + ((above * halvings(t - shape.attack, shape.decayHalf)) >> 30);
}

int64_t envelope(const Shape& shape, const Note& note, int64_t t) {
    if (t <= 0) return 0;
    if (t <= note.length) return heldLevel(shape, note, t);
    const int64_t since = t - note.length;
    const int64_t end = int64_t(shape.releaseHalf) * RELEASE_HALVES;
    if (since >= end) return 0;
    const int64_t atRelease = heldLevel(shape, note, note.length);
    const int64_t fading = (atRelease * halvings(since, shape.releaseHalf)) >> 30;
    return fading * (end - since) / end;
}

} // namespace

int32_t releaseFrames(Instrument instrument) {
    return shapeOf(instrument).releaseHalf * RELEASE_HALVES;
}

int32_t amplitudeAt(const Note& note, int64_t elapsed) {
    const Shape shape = shapeOf(note.instrument);
    const int64_t velocity = (UNIT * note.velocity * note.velocity) / (127 * 127);
    const int64_t level = (envelope(shape, note, elapsed) * velocity) >> 15;
    return static_cast<int32_t>((level * shape.level) >> 15);
}

} // namespace music
