// The pieces behind writeMusic and checkMusic, for the tests and the
// demo-music program: any stretch of the piece can be written and checked.
#pragma once

#include <cstdint>
#include <string>

namespace music {

// Largest music file the handheld has room for.
constexpr int64_t MAX_MUSIC_BYTES = 8912896;
// Accepted difference from the expected length: 50 ms.
constexpr int64_t LENGTH_TOLERANCE = 2205;
// Encoder settings: moderate VBR quality and a fixed stream serial number.
constexpr float MUSIC_QUALITY = 0.3f;
constexpr int MUSIC_SERIAL = 0x3a8f11c5;

// Encodes frames [firstFrame, firstFrame + frameCount) of the piece into
// `path`; synthesis runs on a second thread while the encoder works.
bool writeMusicStretch(const std::string& path, int64_t firstFrame, int64_t frameCount,
                       std::string* error);

// What decoding a file with Tremor found.
struct DecodedMusic {
    long rate = 0;
    int channels = 0;
    int64_t frames = 0;      // frames actually decoded
    int64_t framesTotal = 0; // frames the stream says it has
    int peak = 0;            // largest |sample|, 16-bit scale
    int largestStep = 0;     // largest change between neighbouring samples of a channel
};

// Decodes the whole file; false with a reason when it cannot be read.
bool decodeMusic(const std::string& path, DecodedMusic* decoded, std::string* problem);

// checkMusic for a file expected to hold `expectedFrames` frames.
bool checkMusicFile(const std::string& path, int64_t expectedFrames, std::string* problem);

} // namespace music
