// The encoded file: repeatable bytes, what Tremor decodes, and the checks
// that reject wrong files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <unistd.h>

#include "music.h"
#include "music_file.h"
#include "test_support.h"

using namespace music;
using testing_support::readFile;
using testing_support::TempDir;

namespace {

constexpr int64_t TWO_SECONDS = 2 * 44100;
const int MINUS_ONE_DB = static_cast<int>(32768 * std::pow(10.0, -1.0 / 20.0));

// Two seconds from the busiest part of the piece.
std::string writeExcerpt(const TempDir& dir, const std::string& name) {
    const std::string path = dir.file(name);
    std::string error;
    EXPECT_TRUE(writeMusicStretch(path, 96 * 44100, TWO_SECONDS, &error)) << error;
    return path;
}

} // namespace

// The encoder library is loaded with RTLD_DEEPBIND to keep its symbols apart
// from Tremor's, and AddressSanitizer's runtime cannot work with that flag.
// Under AddressSanitizer these tests are skipped; the ordinary build runs them.
class MusicFile : public ::testing::Test {
  protected:
    void SetUp() override {
#if defined(__SANITIZE_ADDRESS__)
        GTEST_SKIP() << "the encoder cannot be loaded under AddressSanitizer";
#endif
    }
};

TEST_F(MusicFile, SameBytesEveryTime) {
    TempDir dir;
    const std::vector<uint8_t> first = readFile(writeExcerpt(dir, "a.ogg"));
    const std::vector<uint8_t> second = readFile(writeExcerpt(dir, "b.ogg"));
    ASSERT_GT(first.size(), 4096u);
    EXPECT_EQ(first, second);
    EXPECT_EQ(std::string(first.begin(), first.begin() + 4), "OggS");
}

TEST_F(MusicFile, ExcerptDecodesWithTremorCleanly) {
    TempDir dir;
    const std::string path = writeExcerpt(dir, "excerpt.ogg");
    DecodedMusic decoded;
    std::string problem;
    ASSERT_TRUE(decodeMusic(path, &decoded, &problem)) << problem;
    EXPECT_EQ(decoded.rate, 44100);
    EXPECT_EQ(decoded.channels, 2);
    EXPECT_EQ(decoded.frames, TWO_SECONDS);
    EXPECT_EQ(decoded.framesTotal, TWO_SECONDS);
    EXPECT_LE(decoded.peak, MINUS_ONE_DB);
    EXPECT_GT(decoded.peak, 32768 / 4);
    EXPECT_LT(decoded.largestStep, 32768 / 5);
    EXPECT_TRUE(checkMusicFile(path, TWO_SECONDS, &problem)) << problem;
}

TEST_F(MusicFile, CheckRejectsWrongFiles) {
    TempDir dir;
    std::string problem;

    EXPECT_FALSE(checkMusic(dir.file("missing.ogg"), &problem));
    EXPECT_NE(problem.find("missing.ogg"), std::string::npos) << problem;

    const std::string text = dir.file("text.ogg");
    std::ofstream(text) << "these are not the bytes of an Ogg Vorbis stream\n";
    problem.clear();
    EXPECT_FALSE(checkMusic(text, &problem));
    EXPECT_NE(problem.find("not an Ogg Vorbis"), std::string::npos) << problem;

    // A good stream of the wrong length.
    const std::string excerpt = writeExcerpt(dir, "short.ogg");
    problem.clear();
    EXPECT_FALSE(checkMusic(excerpt, &problem));
    EXPECT_NE(problem.find("length"), std::string::npos) << problem;
    EXPECT_FALSE(checkMusicFile(excerpt, TWO_SECONDS + 3000, &problem));
    EXPECT_TRUE(checkMusicFile(excerpt, TWO_SECONDS + 2000, &problem)) << problem;

    // A file that would not fit the handheld's music area, whatever it holds.
    const std::string big = dir.file("big.ogg");
    std::ofstream(big) << "x";
    ASSERT_EQ(truncate(big.c_str(), MAX_MUSIC_BYTES + 1), 0);
    problem.clear();
    EXPECT_FALSE(checkMusic(big, &problem));
    EXPECT_NE(problem.find("bytes"), std::string::npos) << problem;
}

TEST_F(MusicFile, UnwritablePathIsReported) {
    std::string error;
    EXPECT_FALSE(writeMusic("/nonexistent-folder/warmer.ogg", &error));
    EXPECT_NE(error.find("nonexistent-folder"), std::string::npos) << error;
}
