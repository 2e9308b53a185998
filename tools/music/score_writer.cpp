#include "score_writer.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "dsp_tables.h"

namespace music {
namespace {

struct NamedChord {
    const char* name;
    Chord chord;
};

// Voicings chosen so that neighbouring chords move by small steps.
constexpr NamedChord CHORDS[] = {
    {"F", {41, {53, 57, 60, 65}}},        {"Fmaj9", {41, {57, 60, 64, 67}}},
    {"C/E", {40, {55, 60, 62, 67}}},      {"C", {36, {55, 60, 64, 67}}},
    {"Cadd9", {36, {55, 60, 62, 64}}},    {"C6", {36, {52, 55, 57, 60}}},
    {"C7sus4", {36, {55, 58, 60, 65}}},   {"Dm7", {38, {53, 57, 60, 62}}},
    {"Dm9", {38, {53, 57, 60, 64}}},      {"Bbmaj7", {46, {53, 57, 62, 65}}},
    {"F/A", {45, {53, 57, 60, 67}}},      {"Gm7", {43, {53, 58, 62, 65}}},
    {"Gm9", {43, {53, 57, 58, 62}}},      {"Am7", {45, {52, 55, 60, 64}}},
    {"A7sus4", {45, {55, 57, 62, 64}}},   {"A7", {45, {55, 57, 61, 64}}},
    {"D7sus4", {38, {55, 57, 60, 62}}},   {"Gmaj9", {43, {54, 57, 59, 62}}},
    {"D/F#", {42, {54, 57, 62, 64}}},     {"Em9", {40, {54, 55, 59, 62}}},
    {"Cmaj7#11", {36, {54, 55, 59, 64}}},
};

struct Sends {
    int reverb;
    int echo;
};

Sends usualSends(Instrument instrument) {
    switch (instrument) {
    case Instrument::Pad:
        return {90, 0};
    case Instrument::NightPad:
        return {115, 0};
    case Instrument::Piano:
        return {70, 55};
    case Instrument::Bell:
        return {120, 100};
    case Instrument::Harp:
        return {70, 45};
    case Instrument::Drip:
        return {150, 110};
    case Instrument::Bass:
        return {8, 0};
    case Instrument::Lead:
        return {80, 40};
    case Instrument::Kick:
        return {12, 0};
    case Instrument::Tom:
        return {100, 30};
    case Instrument::Snare:
        return {60, 0};
    case Instrument::Hat:
        return {25, 0};
    case Instrument::OpenHat:
        return {40, 0};
    case Instrument::Shaker:
        return {30, 0};
    case Instrument::Riser:
        return {60, 30};
    case Instrument::Rain:
        return {40, 0};
    case Instrument::Waterfall:
        return {70, 0};
    case Instrument::Bird:
        return {80, 60};
    }
    return {0, 0};
}

// "A4", "C#5", "Bb3" -> MIDI note number; -1 for a rest ("r").
int parsePitch(const char* text, int length) {
    if (length >= 1 && text[0] == 'r') return -1;
    static const int LETTER_PITCH[7] = {9, 11, 0, 2, 4, 5, 7}; // A B C D E F G
    if (length < 2 || text[0] < 'A' || text[0] > 'G') {
        fprintf(stderr, "music: bad note '%.*s'\n", length, text);
        abort();
    }
    int pitch = LETTER_PITCH[text[0] - 'A'];
    int at = 1;
    if (text[at] == '#')
        ++pitch, ++at;
    else if (text[at] == 'b')
        --pitch, ++at;
    const int octave = text[at] - '0';
    return 12 * (octave + 1) + pitch;
}

bool sameChord(const Chord& a, const Chord& b) {
    return a.bass == b.bass && std::equal(a.tones, a.tones + 4, b.tones);
}

} // namespace

Chord chordNamed(const char* name) {
    for (const NamedChord& entry : CHORDS)
        if (std::strcmp(entry.name, name) == 0) return entry.chord;
    fprintf(stderr, "music: unknown chord '%s'\n", name);
    abort();
}

std::vector<Bar> layBars(int startBeat, std::initializer_list<const char*> chords, int lastBeats) {
    std::vector<Bar> bars;
    int64_t tick = tickOfBeat(startBeat);
    int number = 0;
    for (const char* name : chords) {
        const bool last = number + 1 == static_cast<int>(chords.size());
        const int beats = last ? lastBeats : 4;
        bars.push_back({tick, beats, chordNamed(name), number, name});
        tick += int64_t(beats) * TICKS_PER_BEAT;
        ++number;
    }
    return bars;
}

std::vector<Bar> joinBars(std::initializer_list<std::vector<Bar>> parts) {
    std::vector<Bar> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    for (size_t i = 0; i < all.size(); ++i)
        all[i].number = static_cast<int>(i);
    return all;
}

uint32_t ScoreWriter::random(int64_t a, int64_t b) {
    return mixBits(static_cast<uint32_t>(a * 2654435761u + (a >> 32)),
                   static_cast<uint32_t>(b * 40503u + 977));
}

void ScoreWriter::setSpace(int reverb, int echo) {
    reverbPercent = reverb;
    echoPercent = echo;
}

void ScoreWriter::play(Instrument instrument, int64_t tick, int64_t length, int pitch, int velocity,
                       int pan) {
    const Sends sends = usualSends(instrument);
    // A small, repeatable unevenness keeps repeated notes from sounding mechanical.
    const int wobble = static_cast<int>(random(tick, pitch * 31 + int(instrument)) % 9) - 4;
    Note note;
    note.start = frameOfTick(tick);
    note.length = static_cast<int32_t>(frameOfTick(tick + length) - note.start);
    note.instrument = instrument;
    note.pitch = static_cast<uint8_t>(std::clamp(pitch, 12, 120));
    note.velocity = static_cast<uint8_t>(std::clamp(velocity + wobble, 1, 127));
    note.reverb = static_cast<uint8_t>(std::min(255, sends.reverb * reverbPercent / 100));
    note.echo = static_cast<uint8_t>(std::min(255, sends.echo * echoPercent / 100));
    note.pan = static_cast<int16_t>(std::clamp(pan, 0, 256));
    note.seed = static_cast<uint16_t>(random(tick, int(instrument)));
    notes.push_back(note);
}

int64_t ScoreWriter::melody(Instrument instrument, int64_t tick, const char* text, int velocity,
                            int pan) {
    const char* at = text;
    while (*at) {
        if (std::isspace(static_cast<unsigned char>(*at)) || *at == '|') {
            ++at;
            continue;
        }
        const char* colon = std::strchr(at, ':');
        if (!colon) {
            fprintf(stderr, "music: note without length near '%s'\n", at);
            abort();
        }
        const int pitch = parsePitch(at, static_cast<int>(colon - at));
        char* after = nullptr;
        const long eighths = std::strtol(colon + 1, &after, 10);
        const int64_t length = eighths * EIGHTH;
        // Slightly detached, so that repeated notes speak again.
        if (pitch >= 0) play(instrument, tick, length - 2, pitch, velocity, pan);
        tick += length;
        at = after;
    }
    return tick;
}

void ScoreWriter::chords(Instrument instrument, const std::vector<Bar>& bars, int velocity) {
    for (size_t i = 0; i < bars.size();) {
        size_t j = i + 1;
        while (j < bars.size() && sameChord(bars[j].chord, bars[i].chord))
            ++j;
        const int64_t length = bars[j - 1].end() - bars[i].tick;
        for (int tone : bars[i].chord.tones)
            play(instrument, bars[i].tick, length, tone, velocity, 128);
        i = j;
    }
}

void ScoreWriter::bassDrone(const std::vector<Bar>& bars, int velocity) {
    for (size_t i = 0; i < bars.size();) {
        size_t j = i + 1;
        while (j < bars.size() && bars[j].chord.bass == bars[i].chord.bass)
            ++j;
        const int64_t length = bars[j - 1].end() - bars[i].tick;
        play(Instrument::Bass, bars[i].tick, length - 4, bars[i].chord.bass, velocity);
        i = j;
    }
}

void ScoreWriter::bassLine(const Bar& bar, std::initializer_list<std::pair<int, int>> figure,
                           int velocity) {
    int64_t tick = bar.tick;
    for (const auto& [interval, eighths] : figure) {
        if (tick >= bar.end()) break;
        const int64_t length = std::min<int64_t>(eighths * EIGHTH, bar.end() - tick);
        play(Instrument::Bass, tick, length - 3, bar.chord.bass + interval, velocity);
        tick += length;
    }
}

void ScoreWriter::arpeggio(Instrument instrument, const Bar& bar,
                           std::initializer_list<int> pattern, int step, int velocity, int spread) {
    int index = 0;
    const int count = static_cast<int>(pattern.size());
    for (int64_t tick = bar.tick; tick < bar.end(); tick += step, ++index) {
        const int tone = bar.chord.tone(pattern.begin()[index % count]);
        const int pan = 128 + ((index & 1) ? spread : -spread);
        // The first note of each beat a little stronger.
        const int accent = ((tick - bar.tick) % TICKS_PER_BEAT == 0) ? 8 : 0;
        play(instrument, tick, step, tone, velocity + accent, pan);
    }
}

void ScoreWriter::drums(Instrument instrument, const Bar& bar, const char* steps, int velocity,
                        int pitch) {
    const int count = static_cast<int>(std::strlen(steps));
    for (int i = 0; i < count && i * SIXTEENTH < bar.ticks(); ++i) {
        int level;
        switch (steps[i]) {
        case 'X':
            level = velocity * 5 / 4;
            break;
        case 'x':
            level = velocity;
            break;
        case 'o':
            level = velocity * 3 / 5;
            break;
        default:
            continue;
        }
        play(instrument, bar.tick + i * SIXTEENTH, SIXTEENTH * 3, pitch, level);
    }
}

void ScoreWriter::riser(int64_t endTick, int beats, int velocity) {
    const int64_t length = int64_t(beats) * TICKS_PER_BEAT;
    play(Instrument::Riser, endTick - length, length, 60, velocity);
}

void ScoreWriter::scatter(Instrument instrument, int64_t from, int64_t to, int step, int percent,
                          std::initializer_list<int> scale, int velocity) {
    const int count = static_cast<int>(scale.size());
    for (int64_t tick = from; tick < to; tick += step) {
        const uint32_t roll = random(tick, 0x5ca77e4);
        if (static_cast<int>(roll % 100) >= percent) continue;
        const int pitch = scale.begin()[(roll >> 8) % count];
        const int64_t nudge = (roll >> 16) % step; // off the grid, like real drops
        const int level = velocity - static_cast<int>((roll >> 20) % 30);
        const int pan = 40 + static_cast<int>((roll >> 24) % 177);
        play(instrument, tick + nudge, std::max(step / 2, 1), pitch, level, pan);
    }
}

} // namespace music
