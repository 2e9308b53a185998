// The desktop's stand-in for the second CPU, on its own and end to end with
// the link and the audio thread: the sound that reaches the device is the
// music file's own PCM.
#include <algorithm>

#include "platform/coprocessor_status.h"
#include "platform/hardware_registers.h"
#include "sound/coprocessor_link.h"
#include "sound_rig.h"
#include "tools/coprocessor_image_file.h"

using namespace sound_rig;

namespace {

const long SHORT_MUSIC_FRAMES = 30000; // 0.68 s: 15 blocks, the last one short

std::vector<uint8_t> blockOf(const std::vector<uint8_t>& pcm, size_t index) {
    std::vector<uint8_t> out(PCM_BLOCK_BYTES, 0);
    const size_t start = index * PCM_BLOCK_BYTES;
    if (start < pcm.size())
        std::copy(pcm.begin() + start, pcm.begin() + std::min(pcm.size(), start + PCM_BLOCK_BYTES),
                  out.begin());
    return out;
}

// The PCM laid out as the device gets it: whole blocks, the last padded with
// silence.
std::vector<uint8_t> asBlocks(std::vector<uint8_t> pcm) {
    pcm.resize((pcm.size() + PCM_BLOCK_BYTES - 1) / PCM_BLOCK_BYTES * PCM_BLOCK_BYTES, 0);
    return pcm;
}

std::vector<uint8_t> monoToStereo(const std::vector<uint8_t>& mono) {
    std::vector<uint8_t> stereo;
    for (size_t i = 0; i + 1 < mono.size(); i += 2)
        stereo.insert(stereo.end(), {mono[i], mono[i + 1], mono[i], mono[i + 1]});
    return stereo;
}

} // namespace

class EndToEndTest : public SoundTest {
  protected:
    // Plays a music file through the link, the audio thread and the
    // stand-in, and returns everything the device received.
    std::vector<uint8_t> playThrough(const std::vector<uint8_t>& expected) {
        writeBytes(dataPath("ogg940.bin"), makeDesktopCoprocessorImage());
        startSound();
        loadMusic("data/warmer.ogg");
        EXPECT_TRUE(waitFor([] { return !platform::coprocessorIdle(); }, 3000))
            << "the stand-in did not take the music";
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        EXPECT_EQ(fake_device::bytesWritten(), 0u) << "sound before playMusic";

        playMusic();
        EXPECT_TRUE(waitFor([] { return platform::coprocessorIdle(); }, 5000));
        EXPECT_TRUE(waitFor([&] { return fake_device::bytesWritten() >= expected.size(); }, 5000));
        std::this_thread::sleep_for(std::chrono::milliseconds(30)); // nothing more comes
        stopMusic();
        stopSound();

        std::vector<uint8_t> received;
        const std::vector<RecordedWrite> writes = fake_device::writes();
        for (size_t i = 0; i < writes.size(); i++) {
            EXPECT_EQ(writes[i].buffer, static_cast<int>(i % 2)) << "write " << i;
            EXPECT_EQ(writes[i].bytes.size(), PCM_BLOCK_BYTES);
            received.insert(received.end(), writes[i].bytes.begin(), writes[i].bytes.end());
        }
        return received;
    }
};

TEST_F(EndToEndTest, DeviceReceivesTremorsOwnDecodeOfTheMusic) {
    if (!canMakeTestOgg()) GTEST_SKIP() << "make-test-ogg was not built";
    const std::vector<uint8_t> ogg = makeTestOgg(dataPath("warmer.ogg"), SHORT_MUSIC_FRAMES, 2, 11);
    const std::vector<uint8_t> pcm = decodeWithTremor(ogg);
    ASSERT_EQ(pcm.size(), SHORT_MUSIC_FRAMES * 4u);
    const std::vector<uint8_t> expected = asBlocks(pcm);

    const std::vector<uint8_t> received = playThrough(expected);
    ASSERT_EQ(received.size(), expected.size());
    // Compared block by block, so that a dropped, doubled or swapped block
    // shows where it happened.
    for (size_t i = 0; i < expected.size() / PCM_BLOCK_BYTES; i++)
        ASSERT_TRUE(blockOf(received, i) == blockOf(expected, i)) << "block " << i;
}

TEST_F(EndToEndTest, MonoMusicIsPlayedOnBothChannels) {
    if (!canMakeTestOgg()) GTEST_SKIP() << "make-test-ogg was not built";
    const std::vector<uint8_t> ogg = makeTestOgg(dataPath("warmer.ogg"), 9000, 1, 12);
    const std::vector<uint8_t> expected = asBlocks(monoToStereo(decodeWithTremor(ogg)));
    ASSERT_EQ(expected.size(), 5 * PCM_BLOCK_BYTES);
    EXPECT_TRUE(playThrough(expected) == expected);
}

TEST_F(SoundTest, ForeignProgramImageGivesNoSound) {
    writeBytes(dataPath("ogg940.bin"), patternBytes(4096, 13));
    // Any music will do: it is never decoded.
    writeBytes(dataPath("warmer.ogg"), patternBytes(20000, 14));
    startSound();
    loadMusic("data/warmer.ogg");
    playMusic();
    // Started as far as the registers go, but it runs nothing of ours.
    ASSERT_TRUE(waitFor([&] { return (reg(platform::CPU2_RUN_REGISTER) & 1) == 1; }, 3000));
    EXPECT_EQ(reg(platform::CPU2_CONTROL_REGISTER), 0x0003);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(block()->bufferFull(0).load(), 0u);
    EXPECT_EQ(fake_device::bytesWritten(), 0u);
    EXPECT_TRUE(platform::coprocessorIdle());
}

// The stand-in driven directly, with the test in the main CPU's place and no
// audio thread: the hand-over protocol and the register controls.
class StandInTest : public SoundTest {
  protected:
    void SetUp() override {
        SoundTest::SetUp();
        if (HasFatalFailure() || IsSkipped()) return;
        if (!canMakeTestOgg()) GTEST_SKIP() << "make-test-ogg was not built";
        const std::vector<uint8_t> ogg =
            makeTestOgg(dataPath("warmer.ogg"), SHORT_MUSIC_FRAMES, 2, 21);
        pcm = decodeWithTremor(ogg);
        const std::vector<uint8_t> image = makeDesktopCoprocessorImage();
        memcpy(memory, image.data(), image.size());
        memset(memory + SHARED_BLOCK_OFFSET, 0, sizeof(SharedSoundBlock));
        memcpy(memory + MUSIC_AREA_OFFSET, ogg.data(), ogg.size());
        block()->dataOffset.store(MUSIC_AREA_OFFSET);
        block()->dataLength.store(static_cast<uint32_t>(ogg.size()));
        block()->loadDone.store(1);
        block()->newData.store(1);
        block()->play.store(1);
    }

    void release() {
        setReg(platform::CPU2_CONTROL_REGISTER, 0x0003);
        setReg(platform::CPU2_RUN_REGISTER, 1);
    }

    bool full(int index) { return block()->bufferFull(index).load() != 0; }

    // Buffer `index` holds block `number` of the music.
    bool holds(int index, size_t number) {
        return std::equal(block()->buffer(index), block()->buffer(index) + PCM_BLOCK_BYTES,
                          blockOf(pcm, number).begin());
    }

    void settle() { std::this_thread::sleep_for(std::chrono::milliseconds(30)); }

    std::vector<uint8_t> pcm;
};

TEST_F(StandInTest, FillsBothBuffersInTurnOnlyWhileFree) {
    settle();
    EXPECT_FALSE(full(0)) << "ran while held in reset";
    release();
    ASSERT_TRUE(waitFor([&] { return full(0) && full(1); }, 2000));
    EXPECT_TRUE(holds(0, 0));
    EXPECT_TRUE(holds(1, 1));
    settle();
    EXPECT_TRUE(holds(0, 0)) << "a full buffer was overwritten";

    // Buffer 1 freed out of turn: the next block belongs in buffer 0.
    block()->bufferFull(1).store(0);
    settle();
    EXPECT_FALSE(full(1));
    EXPECT_TRUE(holds(1, 1));
    block()->bufferFull(0).store(0);
    ASSERT_TRUE(waitFor([&] { return full(0) && full(1); }, 2000));
    EXPECT_TRUE(holds(0, 2));
    EXPECT_TRUE(holds(1, 3));

    // play 0: nothing more is handed over.
    block()->play.store(0);
    settle();
    block()->bufferFull(0).store(0);
    settle();
    EXPECT_FALSE(full(0));
    block()->play.store(1);
    ASSERT_TRUE(waitFor([&] { return full(0); }, 2000));
    EXPECT_TRUE(holds(0, 4));
}

TEST_F(StandInTest, PauseKeepsItsPlaceAndResetStartsOver) {
    release();
    ASSERT_TRUE(waitFor([&] { return full(0) && full(1); }, 2000));

    setReg(platform::CPU2_RUN_REGISTER, 0); // paused
    settle();
    block()->bufferFull(0).store(0);
    settle();
    EXPECT_FALSE(full(0));
    setReg(platform::CPU2_RUN_REGISTER, 1);
    ASSERT_TRUE(waitFor([&] { return full(0); }, 2000));
    EXPECT_TRUE(holds(0, 2));

    setReg(platform::CPU2_CONTROL_REGISTER, 0x0083); // reset: the program's state is gone
    settle();
    block()->bufferFull(0).store(0);
    block()->bufferFull(1).store(0);
    settle();
    EXPECT_FALSE(full(0));
    release();
    ASSERT_TRUE(waitFor([&] { return full(0) && full(1); }, 2000));
    EXPECT_TRUE(holds(0, 0));
    EXPECT_TRUE(holds(1, 1));
}
