// Placing the program image and the music file in the second CPU's memory.
#include <thread>

#include "platform/hardware_registers.h"
#include "sound/audio_thread.h"
#include "sound/coprocessor_link.h"
#include "sound_rig.h"
#include "tools/coprocessor_image_file.h"

using namespace sound_rig;

namespace {

const uint8_t POISON = 0xEE;

// What a watcher saw at the moment newData turned 1.
struct Announcement {
    uint32_t loadDone;
    uint32_t dataLength;
    bool musicComplete;
};

} // namespace

class MusicLoadingTest : public SoundTest {
  protected:
    void SetUp() override {
        SoundTest::SetUp();
        if (HasFatalFailure() || IsSkipped()) return;
        startSound();
        ASSERT_EQ(blockState.load(), BLOCK_READY);
    }

    uint8_t* musicArea() { return memory + MUSIC_AREA_OFFSET; }

    // Loads a file of `length` bytes and checks, from another thread, that
    // everything was in place when newData came.
    void loadAndCheck(size_t length, unsigned seed) {
        SCOPED_TRACE("music of " + std::to_string(length) + " bytes");
        const std::vector<uint8_t> music = patternBytes(length, seed);
        writeBytes(dataPath("warmer.ogg"), music);
        const size_t poisoned = std::min<size_t>(length + 64, MUSIC_AREA_SIZE);
        memset(musicArea(), POISON, poisoned);
        block()->newData.store(0);
        block()->dataLength.store(0xDEAD);

        Announcement seen = {0, 0, false};
        std::thread watcher([&] {
            // A tight look, to catch the moment newData turns 1.
            const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
            while (block()->newData.load() != 1 && std::chrono::steady_clock::now() < end) {
            }
            seen.loadDone = block()->loadDone.load();
            seen.dataLength = block()->dataLength.load();
            seen.musicComplete = length == 0 || memcmp(musicArea(), music.data(), length) == 0;
        });
        loadMusic("data/warmer.ogg");
        watcher.join();

        EXPECT_EQ(seen.loadDone, 1u);
        EXPECT_EQ(seen.dataLength, length);
        EXPECT_TRUE(seen.musicComplete);
        EXPECT_EQ(block()->dataLength.load(), length);
        for (size_t i = length; i < poisoned; i++)
            ASSERT_EQ(musicArea()[i], POISON) << "written past the file at " << i;
    }

    // Every word the main CPU could touch, to see that nothing changed.
    std::vector<uint32_t> words() {
        return {block()->play.load(),       block()->newData.load(),    block()->loadDone.load(),
                block()->dataOffset.load(), block()->dataLength.load(), block()->reserved.load()};
    }
};

TEST_F(MusicLoadingTest, CopiesTheWholeFileAndAnnouncesItLast) {
    loadAndCheck(0, 1);
    loadAndCheck(1, 2);
    loadAndCheck(100000, 3);
    loadAndCheck(100001, 4);
    loadAndCheck(MUSIC_AREA_SIZE, 5);
}

TEST_F(MusicLoadingTest, MissingFileChangesNothing) {
    block()->loadDone.store(7);
    block()->dataLength.store(9);
    const std::vector<uint32_t> before = words();
    loadMusic("data/no-such-music.ogg");
    EXPECT_EQ(words(), before);
}

TEST_F(MusicLoadingTest, OversizedFileIsRefused) {
    writeBytes(dataPath("warmer.ogg"), patternBytes(MUSIC_AREA_SIZE + 1, 6));
    memset(musicArea(), POISON, 256);
    block()->loadDone.store(7);
    const std::vector<uint32_t> before = words();
    loadMusic("data/warmer.ogg");
    EXPECT_EQ(words(), before);
    for (int i = 0; i < 256; i++)
        ASSERT_EQ(musicArea()[i], POISON);
}

// The image has to fit below the shared block: one byte more and it is not
// copied and the second CPU is not started.
TEST_F(SoundTest, ProgramImageUpToItsAreaIsPlacedAndStarted) {
    std::vector<uint8_t> image = makeDesktopCoprocessorImage();
    image.resize(PROGRAM_AREA_SIZE, 0x3C);
    writeBytes(dataPath("ogg940.bin"), image);
    startSound();
    // The audio thread boots the second CPU beside the main thread; the run
    // bit is set last, after the copy.
    ASSERT_TRUE(waitFor([&] { return (reg(platform::CPU2_RUN_REGISTER) & 1) == 1; }, 3000));
    EXPECT_EQ(reg(platform::CPU2_CONTROL_REGISTER), 0x0003);
    EXPECT_EQ(memcmp(memory, image.data(), image.size()), 0);
    stopSound();
    EXPECT_EQ(reg(platform::CPU2_CONTROL_REGISTER), 0x0083);
    EXPECT_EQ(reg(platform::CPU2_RUN_REGISTER) & 1, 0);
}

TEST_F(SoundTest, EmptyProgramImageIsNotStarted) {
    writeBytes(dataPath("ogg940.bin"), {});
    startSound(); // returns 10 ms after the boot
    EXPECT_EQ(reg(platform::CPU2_CONTROL_REGISTER), 0x0083);
    EXPECT_EQ(reg(platform::CPU2_RUN_REGISTER) & 1, 0);
}

TEST_F(SoundTest, OversizedProgramImageIsNotCopied) {
    std::vector<uint8_t> image = makeDesktopCoprocessorImage();
    image.resize(PROGRAM_AREA_SIZE + 1, 0x3C);
    writeBytes(dataPath("ogg940.bin"), image);
    memset(memory, POISON, 64);
    startSound();
    stopSound(); // the boot has run once the thread has ended
    for (int i = 0; i < 64; i++)
        ASSERT_EQ(memory[i], POISON);
}
