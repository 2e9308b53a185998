// Decoding with Tremor, the integer decoder the show itself relies on.
// Kept apart from the encoder: Tremor's header defines structures under the
// same names as the encoder library's.
#include <tremor/ivorbisfile.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

#include "music.h"
#include "music_file.h"
#include "score.h"

namespace music {

bool decodeMusic(const std::string& path, DecodedMusic* decoded, std::string* problem) {
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) {
        if (problem) *problem = "cannot open " + path;
        return false;
    }
    OggVorbis_File vorbis;
    if (ov_open(file, &vorbis, nullptr, 0) != 0) {
        fclose(file);
        if (problem) *problem = path + " is not an Ogg Vorbis stream";
        return false;
    }
    DecodedMusic found;
    const vorbis_info* info = ov_info(&vorbis, -1);
    found.rate = info->rate;
    found.channels = info->channels;
    found.framesTotal = ov_pcm_total(&vorbis, -1);
    const int channels = found.channels > 0 ? found.channels : 1;
    int previous[2] = {0, 0};
    int64_t samples = 0;
    bool failed = false;
    char buffer[8192];
    for (;;) {
        int section = 0;
        const long bytes = ov_read(&vorbis, buffer, sizeof buffer, &section);
        if (bytes == 0) break;
        if (bytes < 0) {
            failed = true;
            break;
        }
        const int16_t* pcm = reinterpret_cast<const int16_t*>(buffer);
        for (long i = 0; i < bytes / 2; ++i, ++samples) {
            const int value = pcm[i];
            const int channel = static_cast<int>(samples % channels) & 1;
            found.peak = std::max(found.peak, std::abs(value));
            if (samples >= channels)
                found.largestStep =
                    std::max(found.largestStep, std::abs(value - previous[channel]));
            previous[channel] = value;
        }
    }
    found.frames = samples / channels;
    ov_clear(&vorbis); // also closes the file
    if (failed) {
        if (problem) *problem = path + " has damaged audio data";
        return false;
    }
    *decoded = found;
    return true;
}

bool checkMusicFile(const std::string& path, int64_t expectedFrames, std::string* problem) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        if (problem) *problem = "cannot find " + path;
        return false;
    }
    if (info.st_size > MAX_MUSIC_BYTES) {
        if (problem)
            *problem = path + " is " + std::to_string(info.st_size) + " bytes, more than " +
                       std::to_string(MAX_MUSIC_BYTES);
        return false;
    }
    DecodedMusic decoded;
    if (!decodeMusic(path, &decoded, problem)) return false;
    std::string wrong;
    if (decoded.rate != 44100)
        wrong = "sample rate " + std::to_string(decoded.rate) + " instead of 44100";
    else if (decoded.channels != 2)
        wrong = std::to_string(decoded.channels) + " channels instead of 2";
    else if (std::llabs(decoded.frames - expectedFrames) > LENGTH_TOLERANCE ||
             std::llabs(decoded.framesTotal - expectedFrames) > LENGTH_TOLERANCE)
        wrong = "length " + std::to_string(decoded.frames) + " frames instead of " +
                std::to_string(expectedFrames);
    if (wrong.empty()) return true;
    if (problem) *problem = path + ": " + wrong;
    return false;
}

} // namespace music

bool checkMusic(const std::string& path, std::string* problem) {
    return music::checkMusicFile(path, music::PIECE_FRAMES, problem);
}
