// The audio thread against a scripted second CPU: the test itself sets the
// flags and fills the buffers, with the real second CPU's stand-in held in
// reset (the test folder has no program image).
#include <chrono>
#include <future>

#include "platform/hardware_registers.h"
#include "sound/audio_thread.h"
#include "sound/coprocessor_link.h"
#include "sound_rig.h"

using namespace sound_rig;

namespace {

// Marks buffer `index` full with every byte set to `value`, as the second CPU
// hands over a block.
void handOver(SharedSoundBlock* block, int index, uint8_t value) {
    memset(block->buffer(index), value, PCM_BLOCK_BYTES);
    block->bufferFull(index).store(1);
}

bool allBytesAre(const std::vector<uint8_t>& bytes, uint8_t value) {
    for (uint8_t b : bytes)
        if (b != value) return false;
    return true;
}

double millisecondsOf(const std::function<void()>& action) {
    const auto start = std::chrono::steady_clock::now();
    action();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

} // namespace

TEST_F(SoundTest, StartConfiguresTheDeviceAndPutsTheBlockInItsStartState) {
    memset(memory + SHARED_BLOCK_OFFSET, 0x5A, sizeof(SharedSoundBlock));
    startSound();
    ASSERT_EQ(fake_device::opens(), 1);
    const std::vector<std::pair<unsigned long, int>> expected = {
        {platform::SNDCTL_DSP_SPEED, 44100},
        {platform::SNDCTL_DSP_SETFMT, 16},
        {platform::SNDCTL_DSP_STEREO, 1},
        {platform::SNDCTL_DSP_SETFRAGMENT, 0x0002000B},
        {platform::SNDCTL_DSP_GETOSPACE, 0}};
    EXPECT_EQ(fake_device::requests(), expected);

    EXPECT_EQ(block()->dataOffset.load(), 0x700000u);
    for (SharedWord* word :
         {&block()->reserved, &block()->play, &block()->newData, &block()->loadDone,
          &block()->dataLength, &block()->bufferFull(0), &block()->bufferFull(1)})
        EXPECT_EQ(word->load(), 0u);
    for (int i = 0; i < 2; i++)
        EXPECT_TRUE(allBytesAre(
            std::vector<uint8_t>(block()->buffer(i), block()->buffer(i) + PCM_BLOCK_BYTES), 0));
    // The boot runs beside the main thread; once the thread has ended it
    // has certainly run. No program image in this folder: the second CPU
    // was never released.
    stopSound();
    EXPECT_EQ(reg(platform::MUTUAL_IRQ_ENABLE_MAIN), 0);
    EXPECT_EQ(reg(platform::MUTUAL_IRQ_ENABLE_CPU2), 0);
    EXPECT_EQ(reg(platform::MUTUAL_IRQ_PENDING_MAIN), 0xFFFF);
    EXPECT_EQ(reg(platform::MUTUAL_IRQ_PENDING_CPU2), 0xFFFF);
    EXPECT_EQ(reg(platform::CPU2_CONTROL_REGISTER), 0x0083);
    EXPECT_EQ(reg(platform::CPU2_RUN_REGISTER) & 1, 0);
}

TEST_F(SoundTest, BuffersGoOutStrictlyInTurnStartingWithBufferZero) {
    startSound();
    // Buffer 1 out of turn: it waits for buffer 0.
    handOver(block(), 1, 0x11);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_TRUE(fake_device::writes().empty());
    EXPECT_EQ(block()->bufferFull(1).load(), 1u);

    handOver(block(), 0, 0x22);
    ASSERT_TRUE(waitFor([] { return fake_device::writes().size() == 2; }, 2000));
    ASSERT_TRUE(waitFor([&] { return block()->bufferFull(1).load() == 0; }, 2000));
    std::vector<RecordedWrite> writes = fake_device::writes();
    EXPECT_EQ(writes[0].buffer, 0);
    EXPECT_EQ(writes[1].buffer, 1);
    EXPECT_TRUE(allBytesAre(writes[0].bytes, 0x22));
    EXPECT_TRUE(allBytesAre(writes[1].bytes, 0x11));
    for (const RecordedWrite& write : writes) {
        EXPECT_EQ(write.bytes.size(), PCM_BLOCK_BYTES);
        EXPECT_NE(write.flagDuringWrite, 0u) << "a flag was cleared before its write returned";
    }
    EXPECT_EQ(block()->bufferFull(0).load(), 0u);

    // Next in turn is buffer 0 again: a second buffer 1 waits as well.
    handOver(block(), 1, 0x33);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(fake_device::writes().size(), 2u);
    handOver(block(), 0, 0x44);
    ASSERT_TRUE(waitFor([] { return fake_device::writes().size() == 4; }, 2000));
    writes = fake_device::writes();
    EXPECT_TRUE(allBytesAre(writes[2].bytes, 0x44));
    EXPECT_TRUE(allBytesAre(writes[3].bytes, 0x33));
}

TEST_F(SoundTest, StopWhileWaitingEndsTheThreadWithoutAWrite) {
    startSound();
    handOver(block(), 1, 0x11); // full, but out of turn: the thread keeps waiting
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(threadRunning.load(), 1u);

    EXPECT_LT(millisecondsOf(stopSound), 100.0);
    EXPECT_EQ(threadRunning.load(), 0u);
    EXPECT_TRUE(fake_device::writes().empty());
    EXPECT_EQ(fake_device::closes(), 1);
    EXPECT_EQ(coprocessorWindow, nullptr);
    EXPECT_EQ(sharedBlock, nullptr);
    // The stop sequence leaves the second CPU paused and held in reset.
    EXPECT_EQ(reg(platform::CPU2_CONTROL_REGISTER), 0x0083);
    EXPECT_EQ(reg(platform::CPU2_RUN_REGISTER) & 1, 0);
}

TEST_F(SoundTest, ADeviceWithoutRoomDoesNotHoldTheThread) {
    fake_device::answerRoom(0);
    startSound();
    handOver(block(), 0, 0x11);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_TRUE(fake_device::writes().empty()) << "wrote to a device without room";

    EXPECT_LT(millisecondsOf(stopSound), 100.0);
    EXPECT_EQ(threadRunning.load(), 0u);
    EXPECT_EQ(fake_device::closes(), 1);
}

TEST_F(SoundTest, ADeviceStuckInAWriteDoesNotHoldTheShow) {
    fake_device::holdWrites(true);
    startSound();
    handOver(block(), 0, 0x11);
    ASSERT_TRUE(waitFor([] { return fake_device::writesStarted() == 1; }, 2000));

    auto stopping = std::async(std::launch::async, [] { return millisecondsOf(stopSound); });
    if (stopping.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        fake_device::holdWrites(false);
        stopping.wait();
        FAIL() << "stopSound waited for as long as the device held the thread";
    }
    const double waited = stopping.get();
    EXPECT_GT(waited, 1500.0);
    EXPECT_LT(waited, 3000.0);
    EXPECT_EQ(threadRunning.load(), 1u);
    // Stopped from the main thread; the memory stays for the thread.
    EXPECT_EQ(reg(platform::CPU2_CONTROL_REGISTER), 0x0083);
    EXPECT_EQ(reg(platform::CPU2_RUN_REGISTER) & 1, 0);
    EXPECT_NE(coprocessorWindow, nullptr);

    fake_device::holdWrites(false);
    EXPECT_TRUE(waitFor([] { return threadRunning.load() == 0; }, 2000));
}

TEST_F(SoundTest, WaitingForAFlagLeavesTheProcessorAlone) {
    startSound();
    const double before = processCpuSeconds();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const double used = processCpuSeconds() - before;
    // A thread spinning on the flag would burn the whole 0.3 s.
    EXPECT_LT(used, 0.1);
}

TEST_F(SoundTest, DeviceThatFailsToOpenLeavesTheShowSilent) {
    fake_device::reset(true);
    memset(memory + SHARED_BLOCK_OFFSET, 0xA5, sizeof(SharedSoundBlock));
    const std::vector<uint8_t> untouched(block()->buffer(0), block()->buffer(0) + 64);
    writeBytes(dataPath("warmer.ogg"), patternBytes(5000, 1));

    EXPECT_LT(millisecondsOf(startSound), 1000.0) << "waited for a thread that had ended";
    EXPECT_EQ(fake_device::opens(), 1);
    EXPECT_EQ(threadRunning.load(), 0u);
    // Not initialised, and nothing copied: dataOffset holds no valid value.
    loadMusic("data/warmer.ogg");
    EXPECT_EQ(block()->dataOffset.load(), 0xA5A5A5A5u);
    EXPECT_EQ(block()->newData.load(), 0xA5A5A5A5u);
    EXPECT_EQ(block()->dataLength.load(), 0xA5A5A5A5u);
    EXPECT_EQ(std::vector<uint8_t>(block()->buffer(0), block()->buffer(0) + 64), untouched);
    // The second CPU stays paused and in reset as startSound left it.
    EXPECT_EQ(reg(platform::CPU2_CONTROL_REGISTER), 0x0083);
    EXPECT_EQ(reg(platform::CPU2_RUN_REGISTER) & 1, 0);

    EXPECT_LT(millisecondsOf(stopSound), 50.0);
    EXPECT_EQ(coprocessorWindow, nullptr);
    EXPECT_TRUE(fake_device::writes().empty());
}

TEST_F(SoundTest, WithoutTheRegisterWindowEverySoundStepIsSkipped) {
    registerWindow = nullptr;
    memDevice = -1;
    startSound();
    loadMusic("data/warmer.ogg");
    playMusic();
    stopMusic();
    EXPECT_LT(millisecondsOf(stopSound), 50.0);
    EXPECT_EQ(fake_device::opens(), 0);
    EXPECT_EQ(sharedBlock, nullptr);
}
