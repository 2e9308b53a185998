// The show over a damaged music file or coprocessor program, with its sound
// written to a WAV file: whatever the damage, the show runs to its end,
// silent where nothing can be played, and shuts down without hanging.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "show_folder.h"

using namespace hardening;
using namespace testing_support;

namespace {

const size_t MUSIC_AREA_BYTES = 8912896;
const size_t PROGRAM_AREA_BYTES = 2097152;
const size_t WAV_HEADER_BYTES = 44;
const int TIME_LIMIT_SECONDS = 120;

struct Damage {
    const char* what;
    void (*apply)(const ShowFolder&, const std::string& name, size_t room);
};

// Missing, empty, noise, and the real file made one byte too long for its
// area (so that it would play if the size were not checked).
const Damage DAMAGES[] = {
    {"missing", [](const ShowFolder& s, const std::string& n, size_t) { s.remove(n); }},
    {"empty", [](const ShowFolder& s, const std::string& n, size_t) { s.truncate(n, 0); }},
    {"garbage",
     [](const ShowFolder& s, const std::string& n, size_t) { s.write(n, noise(300000, 7)); }},
    {"oversized",
     [](const ShowFolder& s, const std::string& n, size_t room) { s.truncate(n, room + 1); }},
};

// Runs the whole show with its sound going to sound.wav.
CaptureRun captureWithSound(const ShowFolder& show) {
    return show.capture("--step 1000 --wav sound.wav", TIME_LIMIT_SECONDS);
}

void expectSilentShow(const ShowFolder& show, const CaptureRun& run, const std::string& what) {
    EXPECT_EQ(run.status, 0) << what << " (124: it hung)\n" << run.err;
    EXPECT_EQ(run.out, "") << what;
    EXPECT_EQ(withoutProgress(run.errLines), std::vector<std::string>{}) << what << "\n" << run.err;
    EXPECT_NE(run.err.find("demo-capture: done, 251 frames"), std::string::npos) << what;
    EXPECT_NE(run.err.find("demo-capture: 0 bytes of sound in sound.wav"), std::string::npos)
        << what << "\n"
        << run.err;
    EXPECT_EQ(readFile(show.file("sound.wav")).size(), WAV_HEADER_BYTES) << what;
}

TEST(BrokenSound, DamagedMusicLeavesTheShowSilent) {
    for (const Damage& damage : DAMAGES) {
        ShowFolder show;
        damage.apply(show, "warmer.ogg", MUSIC_AREA_BYTES);
        expectSilentShow(show, captureWithSound(show), std::string("music ") + damage.what);
    }
}

TEST(BrokenSound, DamagedProgramLeavesTheShowSilent) {
    for (const Damage& damage : DAMAGES) {
        ShowFolder show;
        damage.apply(show, "ogg940.bin", PROGRAM_AREA_BYTES);
        expectSilentShow(show, captureWithSound(show), std::string("program ") + damage.what);
    }
}

// Music that breaks off, or turns to noise, part of the way through: what
// can be decoded plays, then the sound stops and the show goes on to its end.
TEST(BrokenSound, MusicBrokenMidwayPlaysWhatItCanAndTheShowEnds) {
    // Early on, so that little has to be decoded: the second CPU's program
    // runs emulated on a desktop, at a few times real time.
    const size_t breakAt = 150000;
    ASSERT_GT(readFile(dataDir() + "/warmer.ogg").size(), 4 * breakAt);
    ShowFolder cut, noisy;
    cut.truncate("warmer.ogg", breakAt);
    std::vector<uint8_t> damaged = readFile(dataDir() + "/warmer.ogg");
    const std::vector<uint8_t> junk = noise(damaged.size(), 11);
    for (size_t i = breakAt; i < damaged.size(); i += 997)
        damaged[i] = junk[i];
    noisy.write("warmer.ogg", damaged);

    for (const ShowFolder* show : {&cut, &noisy}) {
        const CaptureRun run = captureWithSound(*show);
        EXPECT_EQ(run.status, 0) << "(124: it hung)\n" << run.err;
        EXPECT_EQ(withoutProgress(run.errLines), std::vector<std::string>{}) << run.err;
        EXPECT_NE(run.err.find("demo-capture: done, 251 frames"), std::string::npos) << run.err;
        const size_t sound = readFile(show->file("sound.wav")).size() - WAV_HEADER_BYTES;
        // Some sound, but not the whole show's 250 s of it.
        EXPECT_GT(sound, 44100u * 4u) << run.err;
        EXPECT_LT(sound, 250u * 44100u * 4u) << run.err;
    }
}

} // namespace
