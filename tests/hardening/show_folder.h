// A throw-away copy of the show's data/ that a test can damage, and runs of
// the capture tool inside it with standard output and standard error kept
// apart.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "test_support.h"

namespace hardening {

struct CaptureRun {
    int status = -1; // exit status, -1 when the program did not exit normally
    std::string out; // standard output
    std::string err; // standard error
    std::vector<std::string> errLines;
};

class ShowFolder {
  public:
    // Copies the files of the project's data/ (or of `source`) into a fresh
    // temporary folder: the files themselves, never a link to them, so that
    // damaging the copy never reaches the show's own assets.
    explicit ShowFolder(const std::string& source = testing_support::dataDir());

    std::string dataFile(const std::string& name) const;
    void remove(const std::string& name) const;
    // Keeps only the first `bytes` bytes of the file, or extends it with
    // zeros to that length.
    void truncate(const std::string& name, size_t bytes) const;
    void write(const std::string& name, const std::vector<uint8_t>& bytes) const;
    void write(const std::string& name, const std::string& text) const;
    size_t size(const std::string& name) const;

    // Runs demo-capture with `arguments` in the folder; frames go to out/.
    // A run that takes longer than `timeLimit` seconds is stopped (and then
    // has the status 124).
    CaptureRun capture(const std::string& arguments, int timeLimit = 300) const;
    std::string file(const std::string& name) const { return dir.file(name); }
    std::string outFile(const std::string& name) const;

  private:
    testing_support::TempDir dir;
};

// The lines of `text` (without their line ends).
std::vector<std::string> linesOf(const std::string& text);

// Lines of the capture tool's own progress report left out.
std::vector<std::string> withoutProgress(const std::vector<std::string>& lines);

// 64-bit FNV-1a of a file's bytes; 0 for a missing or empty file.
uint64_t fileHash(const std::string& path);

// Pseudo-random bytes from a fixed seed, the same on every run.
std::vector<uint8_t> noise(size_t count, uint32_t seed);

} // namespace hardening
