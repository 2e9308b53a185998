#include "test_support.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "tools/image_writer.h"
#include "video/image.h"

namespace testing_support {

TempDir::TempDir() {
    char pattern[] = "/tmp/demo-test-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (!made) ADD_FAILURE() << "cannot make a temporary folder";
    dir = made ? made : "/tmp";
}

TempDir::~TempDir() {
    if (dir.rfind("/tmp/demo-test-", 0) == 0) {
        const std::string command = "rm -rf '" + dir + "'";
        if (system(command.c_str()) != 0) fprintf(stderr, "could not remove %s\n", dir.c_str());
    }
}

std::string builtProgram(const std::string& name) { return std::string(DEMO_BINARY_DIR) + "/" + name; }

std::string programCommand(const std::string& name) {
    return std::string(DEMO_PROGRAM_LAUNCHER) + "'" + builtProgram(name) + "'";
}

std::string dataDir() { return std::string(DEMO_SOURCE_DIR) + "/data"; }

int runCommand(const std::string& command, const std::string& workdir, std::string* output) {
    const std::string full = "cd '" + workdir + "' && " + command + " 2>&1";
    FILE* pipe = popen(full.c_str(), "r");
    if (!pipe) return -1;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        if (output) output->append(buffer, n);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void writePicture(const std::string& path, int width, int height,
                  const std::vector<uint16_t>& pixels) {
    ASSERT_TRUE(writeFramePng(path, pixels.data(), width, height)) << path;
}

std::vector<uint16_t> loadPicture(const std::string& path, int* width, int* height) {
    Image image(path.c_str());
    if (width) *width = image.width;
    if (height) *height = image.height;
    if (!image.pixels) return {};
    return std::vector<uint16_t>(image.pixels, image.pixels + image.pixelCount);
}

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

InDirectory::InDirectory(const std::string& dir) {
    char* current = getcwd(nullptr, 0);
    previous = current ? current : ".";
    free(current);
    if (chdir(dir.c_str()) != 0) ADD_FAILURE() << "cannot enter " << dir;
}

InDirectory::~InDirectory() {
    if (chdir(previous.c_str()) != 0) ADD_FAILURE() << "cannot go back to " << previous;
}

std::vector<int> replayRand(unsigned seed, int n) {
    srand(seed);
    std::vector<int> draws(n);
    for (int& d : draws)
        d = rand();
    srand(seed);
    return draws;
}

void expectFramesEqual(const std::vector<uint16_t>& expected, const uint16_t* actual,
                       uint32_t now) {
    int wrong = 0;
    for (int i = 0; i < 76800; i++)
        if (expected[i] != actual[i] && wrong++ < 3)
            ADD_FAILURE() << "at " << now << " ms, pixel (" << i % 320 << ", " << i / 320
                          << "): expected " << expected[i] << ", got " << actual[i];
    EXPECT_EQ(wrong, 0) << "wrong pixels at " << now << " ms";
}

uint16_t referenceBlend(uint16_t c, uint16_t d, int64_t w) {
    const int shifts[3] = {11, 5, 0};
    const int64_t limits[3] = {31, 63, 31};
    uint16_t out = 0;
    for (int n = 0; n < 3; n++) {
        const int64_t cc = (c >> shifts[n]) & limits[n], dd = (d >> shifts[n]) & limits[n];
        const int64_t sum = std::min(w * cc + (65536 - w) * dd, limits[n] << 16);
        out |= static_cast<uint16_t>((sum >> 16) << shifts[n]);
    }
    return out;
}

} // namespace testing_support
