// demo-music: writes the show's music (or its first seconds) for listening
// and measuring.
//   demo-music --out FILE [--seconds N] [--start S]
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>

#include "music.h"
#include "music_file.h"
#include "score.h"

namespace {

int usage() {
    fprintf(stderr, "usage: demo-music --out FILE [--seconds N] [--start S]\n");
    return 2;
}

double decibels(int peak) {
    return peak > 0 ? 20.0 * std::log10(peak / 32768.0) : -999.0;
}

} // namespace

int main(int argc, char** argv) {
    std::string out;
    double seconds = -1;
    double start = 0;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--out") && i + 1 < argc)
            out = argv[++i];
        else if (!std::strcmp(argv[i], "--seconds") && i + 1 < argc)
            seconds = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--start") && i + 1 < argc)
            start = std::atof(argv[++i]);
        else
            return usage();
    }
    if (out.empty()) return usage();
    const bool whole = seconds < 0 && start == 0;
    const int64_t first = static_cast<int64_t>(start * 44100);
    const int64_t count =
        seconds < 0 ? music::PIECE_FRAMES - first : static_cast<int64_t>(seconds * 44100);
    if (first < 0 || count <= 0 || first + count > music::PIECE_FRAMES) {
        fprintf(stderr, "demo-music: the piece is 250 s long\n");
        return 2;
    }

    const auto began = std::chrono::steady_clock::now();
    std::string error;
    const bool written =
        whole ? writeMusic(out, &error) : music::writeMusicStretch(out, first, count, &error);
    const double took =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    if (!written) {
        fprintf(stderr, "demo-music: %s\n", error.c_str());
        return 1;
    }
    struct stat info;
    stat(out.c_str(), &info);
    printf("wrote %s: %.2f s of music, %lld bytes, in %.2f s\n", out.c_str(), count / 44100.0,
           static_cast<long long>(info.st_size), took);

    music::DecodedMusic decoded;
    if (!music::decodeMusic(out, &decoded, &error)) {
        fprintf(stderr, "demo-music: %s\n", error.c_str());
        return 1;
    }
    printf("decoded: %ld Hz, %d channels, %lld frames, peak %d (%.2f dBFS), largest step %d\n",
           decoded.rate, decoded.channels, static_cast<long long>(decoded.frames), decoded.peak,
           decibels(decoded.peak), decoded.largestStep);
    if (!music::checkMusicFile(out, count, &error)) {
        fprintf(stderr, "demo-music: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
