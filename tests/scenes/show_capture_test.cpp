// The whole show, captured headless at the default step from the project's
// root (where data/ lives): it must reach the end mark without a complaint
// and give the same frames on every run.
#include <gtest/gtest.h>

#include <sstream>

#include "test_support.h"

using namespace testing_support;

namespace {

// Frames across the clouds, the cave (with and without the biplane) and the
// dragonfly scenes.
const char* const NAMED_TIMES[] = {"90000",  "100000", "137000", "150000", "176000",
                                   "178000", "185000", "205000", "215000", "232000"};

int captureShow(const std::string& out, std::string* output) {
    std::string at;
    for (const char* time : NAMED_TIMES)
        at += std::string(at.empty() ? "" : ",") + time;
    return runCommand(programCommand("demo-capture") + " --at " + at + " --raw --out '" + out + "'",
                      DEMO_SOURCE_DIR, output);
}

} // namespace

TEST(ShowCapture, WholeShowReachesTheEndMarkAndRepeatsItsFrames) {
    TempDir first, second;
    std::string output;
    ASSERT_EQ(captureShow(first.path(), &output), 0) << output;
    // 20, 40, ... 250020 ms: the first frame past 250000 ms ends the show.
    EXPECT_NE(output.find("done, 12501 frames, demo time 250020 ms"), std::string::npos) << output;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);)
        EXPECT_EQ(line.rfind("demo-capture: ", 0), 0u) << "unexpected output: " << line;

    std::string again;
    ASSERT_EQ(captureShow(second.path(), &again), 0) << again;
    for (const char* time : NAMED_TIMES) {
        const std::string name = std::string("frame-") + time + ".rgb565";
        const std::vector<uint8_t> frame = readFile(first.file(name));
        EXPECT_EQ(frame.size(), 153600u) << name;
        EXPECT_TRUE(frame == readFile(second.file(name))) << name << " differs between runs";
    }
}
