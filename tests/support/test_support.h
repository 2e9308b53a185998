// Helpers shared by the test suites.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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

} // namespace testing_support
