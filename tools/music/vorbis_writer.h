// Streams stereo float samples into an Ogg Vorbis file.
//
// The encoder library is loaded privately (its own symbol scope) because
// Tremor, the decoder the show and our checks link, exports functions with
// the same names but different structures; mixing the two in one global
// scope makes one of them call the other's code.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace music {

class VorbisWriter {
  public:
    VorbisWriter();
    ~VorbisWriter();
    VorbisWriter(const VorbisWriter&) = delete;
    VorbisWriter& operator=(const VorbisWriter&) = delete;

    // Creates `path` and writes the stream headers. `quality` is Vorbis VBR
    // quality (-0.1 .. 1.0); `serial` fixes the stream's serial number so
    // that the same samples always give the same bytes.
    bool open(const std::string& path, int rate, float quality, int serial, std::string* error);

    // Encodes `frames` interleaved stereo frames.
    bool write(const float* interleaved, int frames, std::string* error);

    // Ends the stream and closes the file.
    bool finish(std::string* error);

  private:
    struct State;
    bool drain(bool flushAll, std::string* error);
    std::unique_ptr<State> state;
};

} // namespace music
