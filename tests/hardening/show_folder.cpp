#include "show_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

using namespace testing_support;

namespace hardening {

namespace {

std::string quoted(const std::string& path) {
    return "'" + path + "'";
}

std::string readText(const std::string& path) {
    const std::vector<uint8_t> bytes = readFile(path);
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

ShowFolder::ShowFolder(const std::string& source) {
    // -L follows links, the folder's own and any inside it.
    const int status = runCommand("cp -RL " + quoted(source) + " data", dir.path());
    EXPECT_EQ(status, 0) << "cannot copy " << source << " into " << dir.path();
}

std::string ShowFolder::dataFile(const std::string& name) const {
    return dir.file("data/" + name);
}

void ShowFolder::remove(const std::string& name) const {
    ASSERT_EQ(unlink(dataFile(name).c_str()), 0) << name;
}

void ShowFolder::truncate(const std::string& name, size_t bytes) const {
    ASSERT_NE(bytes, size(name)) << name;
    ASSERT_EQ(::truncate(dataFile(name).c_str(), static_cast<off_t>(bytes)), 0) << name;
}

void ShowFolder::write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    std::ofstream file(dataFile(name), std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(file.good()) << name;
}

void ShowFolder::write(const std::string& name, const std::string& text) const {
    write(name, std::vector<uint8_t>(text.begin(), text.end()));
}

size_t ShowFolder::size(const std::string& name) const {
    struct stat info;
    return stat(dataFile(name).c_str(), &info) == 0 ? static_cast<size_t>(info.st_size) : 0;
}

CaptureRun ShowFolder::capture(const std::string& arguments, int timeLimit) const {
    // The group keeps the program's own standard error in its file; what
    // runCommand merges into its output is then standard output alone. In a
    // sanitizer build the leak checker keeps its list of suppressed reports
    // to itself, so that standard error holds only the program's own lines.
    const std::string command =
        std::string("{ ASAN_OPTIONS=\"${ASAN_OPTIONS:+$ASAN_OPTIONS:}print_suppressions=0\" ") +
        "timeout -k 5 " + std::to_string(timeLimit) + " " + programCommand("demo-capture") + " " +
        arguments + " --out out 2>stderr.txt; }";
    CaptureRun run;
    run.status = runCommand(command, dir.path(), &run.out);
    run.err = readText(dir.file("stderr.txt"));
    run.errLines = linesOf(run.err);
    return run;
}

std::string ShowFolder::outFile(const std::string& name) const {
    return dir.file("out/" + name);
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::string> withoutProgress(const std::vector<std::string>& lines) {
    std::vector<std::string> rest;
    for (const std::string& line : lines)
        if (line.rfind("demo-capture: ", 0) != 0) rest.push_back(line);
    return rest;
}

uint64_t fileHash(const std::string& path) {
    const std::vector<uint8_t> bytes = readFile(path);
    if (bytes.empty()) return 0;
    uint64_t hash = 0xCBF29CE484222325ull;
    for (uint8_t byte : bytes) {
        hash ^= byte;
        hash *= 0x100000001B3ull;
    }
    return hash;
}

std::vector<uint8_t> noise(size_t count, uint32_t seed) {
    std::vector<uint8_t> bytes(count);
    uint32_t x = seed ? seed : 1;
    for (uint8_t& byte : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        byte = static_cast<uint8_t>(x >> 24);
    }
    return bytes;
}

} // namespace hardening
