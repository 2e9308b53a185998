// The show's music, "warmer.ogg": synthesized here and encoded as Ogg Vorbis
// (44100 Hz, stereo, 250 s), the same bytes on every run.
#pragma once

#include <string>

// Writes the whole piece to `path`. On failure returns false and says why
// in `error` (when given).
bool writeMusic(const std::string& path, std::string* error);

// Verifies a music file: decodable Ogg Vorbis, 44100 Hz, two channels,
// 250 s long (within 50 ms), at most 8,912,896 bytes. On failure returns
// false and describes the first problem found in `problem` (when given).
bool checkMusic(const std::string& path, std::string* problem);
