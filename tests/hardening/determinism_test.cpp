// The show is a function of demo time alone: the same run gives the same
// frames, and a frame does not depend on how many frames came before it,
// wherever the scenes on screen are pure functions of time.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "show_folder.h"

using namespace hardening;
using namespace testing_support;

namespace {

int capture(const std::string& arguments, const TempDir& out, std::string* output) {
    return runCommand(programCommand("demo-capture") + " " + arguments + " --raw --out '" +
                          out.path() + "'",
                      DEMO_SOURCE_DIR, output);
}

std::string commaList(const std::vector<uint32_t>& times) {
    std::string list;
    for (uint32_t t : times)
        list += (list.empty() ? "" : ",") + std::to_string(t);
    return list;
}

uint64_t frameHash(const TempDir& out, uint32_t time) {
    return fileHash(out.file("frame-" + std::to_string(time) + ".rgb565"));
}

// Two whole runs give the same frames everywhere, including the scenes that
// draw random numbers and keep state from frame to frame. The times lie off
// the one-second grid too, and cover every scene, the cuts and the end.
TEST(Determinism, TwoWholeShowRunsGiveIdenticalFrames) {
    const std::vector<uint32_t> times = {
        500,    3500,   10000,  17777,  41000,  45500,  51234,  53000,  60000,  66000,
        70500,  80000,  86000,  89000,  95555,  120000, 136000, 139000, 150000, 165000,
        176000, 182000, 184000, 200000, 220000, 231000, 235000, 245000, 248000, 250000};
    TempDir first, second;
    std::string output;
    for (const TempDir* out : {&first, &second})
        ASSERT_EQ(capture("--step 1000 --at " + commaList(times), *out, &output), 0) << output;

    std::set<uint64_t> distinct;
    for (uint32_t t : times) {
        const uint64_t hash = frameHash(first, t);
        EXPECT_NE(hash, 0u) << "no frame at " << t;
        EXPECT_EQ(hash, frameHash(second, t)) << "frame " << t << " differs between runs";
        distinct.insert(hash);
    }
    // The frames really show the show: apart from a few all white (at the
    // height of a transition) or all black (the end), no two are alike.
    EXPECT_GE(distinct.size(), times.size() - 5);
}

// The real program draws as many frames as the machine manages, so the same
// demo time is reached after a different number of frames on a fast and on
// a slow machine. Here 20 frames a second and one frame a second stand for
// the two. "Does not depend on speed" can only hold where every scene on
// screen is a pure function of demo time. Several scenes are not, by design:
// the lighthouse's sparks while the logo is revealed, the line background and
// the raindrops draw from the one random sequence per frame; the clouds
// redraw every other row per frame and keep the rest from the frame before;
// the dragonfly's wings advance one picture per frame; the greetings' fall
// grows per frame once it starts; and each transition after the first starts
// at the first frame that finds its bit set. The times below avoid all of
// those, and between them cover every pure scene: the first transition over
// the feather, the feather with the fruit, the lamp, the revealed logo (its
// sparks no longer drawn), the cave with a greeting still dropping, the
// same with the biplane's 3D pass and its depth buffer, and the sky.
TEST(Determinism, FramesDoNotDependOnTheFrameRate) {
    const std::vector<uint32_t> pureTimes = {5000,  20000,  30000,  48100,
                                             58000, 150000, 177500, 240000};
    TempDir fast, slow;
    std::string output;
    const std::string at = " --until 240000 --at " + commaList(pureTimes);
    ASSERT_EQ(capture("--step 50" + at, fast, &output), 0) << output;
    ASSERT_EQ(capture("--step 1000" + at, slow, &output), 0) << output;
    for (uint32_t t : pureTimes) {
        const uint64_t hash = frameHash(fast, t);
        EXPECT_NE(hash, 0u) << "no frame at " << t;
        EXPECT_EQ(hash, frameHash(slow, t)) << "frame " << t << " depends on the frame rate";
    }
}

} // namespace
