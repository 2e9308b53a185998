// Helpers shared by the test suites.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/pixel.h"

namespace testing_support {

// A fresh folder under /tmp, removed with everything in it when destroyed.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return dir; }
    std::string file(const std::string& name) const { return dir + "/" + name; }

  private:
    std::string dir;
};

// Path of a program built beside the tests (demo-capture, demo-assets, ...).
std::string builtProgram(const std::string& name);

// Shell words that start that program: its quoted path, behind the emulator
// when the build is for another CPU. Append arguments after a space.
std::string programCommand(const std::string& name);

// The project's data/ folder.
std::string dataDir();

// Runs a shell command in `workdir`; returns its exit status (-1 if it did
// not exit normally). Its output goes to `output` when given.
int runCommand(const std::string& command, const std::string& workdir,
               std::string* output = nullptr);

// Writes pixels as an RGB PNG that loads back to exactly the same RGB565.
void writePicture(const std::string& path, int width, int height,
                  const std::vector<uint16_t>& pixels);

// Loads a PNG the way the show loads pictures; empty when it cannot.
std::vector<uint16_t> loadPicture(const std::string& path, int* width = nullptr,
                                  int* height = nullptr);

// Reads a whole file; empty if missing.
std::vector<uint8_t> readFile(const std::string& path);

// Makes `dir` the working directory until destroyed, then goes back.
class InDirectory {
  public:
    explicit InDirectory(const std::string& dir);
    ~InDirectory();
    InDirectory(const InDirectory&) = delete;
    InDirectory& operator=(const InDirectory&) = delete;

  private:
    std::string previous;
};

// Constructs a T (a scene, which loads its files from data/) with `dir` as
// the working directory.
template <typename T> std::unique_ptr<T> constructIn(const std::string& dir) {
    InDirectory in(dir);
    return std::make_unique<T>();
}

// The next n numbers of rand()'s sequence seeded with `seed`, leaving it
// reseeded so that the code under test draws the same numbers again.
std::vector<int> replayRand(unsigned seed, int n);

// The show's blend written out channel by channel in 64 bits: weight w of
// 65536 for c, the rest for d, saturated, back by 16 bits.
uint16_t referenceBlend(uint16_t c, uint16_t d, int64_t w);

// Compares a whole 320x240 frame, naming the first three wrong pixels and
// the demo time `now` they were drawn for.
void expectFramesEqual(const std::vector<uint16_t>& expected, const uint16_t* actual, uint32_t now);

// RGB565 channels as ints, for arithmetic in the tests.
inline int red(uint16_t p) {
    return static_cast<int>(redOf(p));
}
inline int green(uint16_t p) {
    return static_cast<int>(greenOf(p));
}
inline int blue(uint16_t p) {
    return static_cast<int>(blueOf(p));
}

} // namespace testing_support
