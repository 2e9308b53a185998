// Whole-frame checks through the headless capture tool, run from the
// project's root where data/ lives.
#include <gtest/gtest.h>

#include <algorithm>
#include <sys/stat.h>

#include "test_support.h"
#include "video/image.h"

using namespace testing_support;

namespace {

int capture(const std::string& arguments, std::string* output = nullptr) {
    return runCommand(programCommand("demo-capture") + " " + arguments, DEMO_SOURCE_DIR,
                      output);
}

std::vector<uint16_t> rawFrame(const std::string& path) {
    const std::vector<uint8_t> bytes = readFile(path);
    std::vector<uint16_t> pixels(bytes.size() / 2);
    for (size_t i = 0; i < pixels.size(); i++)
        pixels[i] = static_cast<uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return pixels;
}

TEST(Capture, FirstSecondIsWhite) {
    TempDir out;
    ASSERT_EQ(capture("--until 1000 --at 1000 --raw --out '" + out.path() + "'"), 0);
    const std::vector<uint16_t> raw = rawFrame(out.file("frame-1000.rgb565"));
    ASSERT_EQ(raw.size(), 76800u);
    EXPECT_TRUE(std::all_of(raw.begin(), raw.end(), [](uint16_t p) { return p == 0xFFFF; }));
    // The PNG holds the same pixels.
    EXPECT_EQ(loadPicture(out.file("frame-1000.png")), raw);
    // Frames not named are not written.
    struct stat info;
    EXPECT_NE(stat(out.file("frame-980.png").c_str(), &info), 0);
}

TEST(Capture, SkyPictureStandsAlone) {
    TempDir out;
    ASSERT_EQ(capture("--step 1000 --until 240000 --at 240000 --raw --out '" + out.path() + "'"),
              0);
    Image sky("data/skybax.png", 320, 240);
    const std::vector<uint16_t> expected(sky.pixels, sky.pixels + 76800);
    EXPECT_EQ(rawFrame(out.file("frame-240000.rgb565")), expected);
}

TEST(Capture, NamedTimesBetweenStepsAndDeterminism) {
    TempDir first, second;
    for (const TempDir* dir : {&first, &second})
        ASSERT_EQ(capture("--step 500 --until 1600 --at 777,1500 --raw --out '" + dir->path() + "'"),
                  0);
    for (const char* name : {"frame-777.rgb565", "frame-1500.rgb565"}) {
        const std::vector<uint8_t> a = readFile(first.file(name));
        EXPECT_EQ(a.size(), 153600u) << name;
        EXPECT_EQ(a, readFile(second.file(name))) << name;
    }
    struct stat info;
    EXPECT_NE(stat(first.file("frame-1000.rgb565").c_str(), &info), 0);
}

TEST(Capture, EveryWritesAllFramesUpToUntil) {
    TempDir out;
    ASSERT_EQ(capture("--step 100 --until 450 --every --out '" + out.path() + "'"), 0);
    struct stat info;
    for (int t : {100, 200, 300, 400})
        EXPECT_EQ(stat(out.file("frame-" + std::to_string(t) + ".png").c_str(), &info), 0) << t;
    EXPECT_NE(stat(out.file("frame-500.png").c_str(), &info), 0);
}

TEST(Capture, LoadingScreenIsWrittenBeforeTheFirstFrame) {
    TempDir out;
    ASSERT_EQ(capture("--until 0 --at loading --out '" + out.path() + "'"), 0);
    int w = 0, h = 0;
    EXPECT_EQ(loadPicture(out.file("frame-loading.png"), &w, &h).size(), 76800u);
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 240);
}

// The show uses no SDL audio (its sound goes its own way), so an SDL that
// can give none still lets it play, its frames as they always are.
TEST(Capture, PlaysWhereSdlRefusesAudio) {
    TempDir out;
    std::string output;
    ASSERT_EQ(runCommand("SDL_AUDIODRIVER=no-such-driver " + programCommand("demo-capture") +
                             " --until 1000 --at 1000 --raw --out '" + out.path() + "'",
                         DEMO_SOURCE_DIR, &output),
              0)
        << output;
    EXPECT_EQ(output.find("Unable to init SDL"), std::string::npos) << output;
    EXPECT_EQ(rawFrame(out.file("frame-1000.rgb565")), std::vector<uint16_t>(76800, 0xFFFF));
}

TEST(Capture, BadArgumentsAndUnwritableFolderFail) {
    std::string output;
    EXPECT_NE(capture("--step", &output), 0);
    EXPECT_NE(capture("--step 0"), 0);
    EXPECT_NE(capture("--at 12,x"), 0);
    EXPECT_NE(capture("--frobnicate"), 0);
    output.clear();
    EXPECT_NE(capture("--until 100 --out /proc/no-such-folder", &output), 0);
    EXPECT_NE(output.find("/proc/no-such-folder"), std::string::npos) << output;
}

} // namespace
