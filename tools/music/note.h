// One sounding event of the piece: which instrument, when, how long, how loud.
#pragma once

#include <cstdint>

namespace music {

enum class Instrument : uint8_t {
    Pad,       // warm sustained chord tone, two detuned oscillators
    NightPad,  // darker pad for the night and cave sections
    Piano,     // soft electric piano (FM)
    Bell,      // glassy bell (FM, inharmonic)
    Harp,      // short plucked string (FM, fast-fading brightness)
    Drip,      // tiny high plink: raindrops, cave drips
    Bass,      // round bass
    Lead,      // breathy flute-like melody voice with vibrato
    Kick,      // soft kick drum (falling sine)
    Tom,       // deep tom for the cave
    Snare,     // brushed snare: band-passed noise and a little body
    Hat,       // closed hi-hat
    OpenHat,   // open hi-hat
    Shaker,    // shaker
    Riser,     // noise swell leading into a new section
    Rain,      // steady rain on glass, stereo noise bed
    Waterfall, // distant waterfall rumble, stereo noise bed
    Bird,      // short rising chirp
};

struct Note {
    int64_t start = 0;  // first frame
    int32_t length = 0; // frames the key is held; the release follows
    Instrument instrument = Instrument::Pad;
    uint8_t pitch = 60;     // MIDI note number
    uint8_t velocity = 100; // 1..127
    uint8_t reverb = 0;     // reverb send, 0..255
    uint8_t echo = 0;       // delay send, 0..255
    int16_t pan = 128;      // 0 left, 128 centre, 256 right
    uint16_t seed = 0;      // noise seed for noise instruments
};

} // namespace music
