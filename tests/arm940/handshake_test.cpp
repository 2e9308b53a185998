// The program's side of the handshake with the main CPU, run in the emulated
// ARM940T: it waits for the music, fills the buffers in turn while `play` is
// 1, and never touches a buffer whose flag is still set.
#include <gtest/gtest.h>

#include "arm940_rig.h"

#if DEMO_HAVE_UNICORN
using namespace arm940_test;

namespace {

const std::vector<uint8_t>& shortMusic() {
    static const std::vector<uint8_t> ogg = makeOgg(44100 * 3 / 2, 2, 44100, 0.2f, 7);
    return ogg;
}

// Records the order of flag stores, and fails on a PCM store into a buffer
// whose flag is set.
struct BufferWatch {
    std::vector<int> flagsSet;
    int storesIntoFullBuffer = 0;
    int pcmStores = 0;

    void attach(Rig& rig) {
        rig.cpu().watchWrites([this, &rig](uint32_t address, int) {
            for (int i = 0; i < 2; i++) {
                if (address == FULL[i]) flagsSet.push_back(i);
                if (address >= PCM[i] && address < PCM[i] + PCM_BYTES) {
                    pcmStores++;
                    if (rig.word(FULL[i]) != 0) storesIntoFullBuffer++;
                }
            }
        });
    }
};

} // namespace

TEST(Arm940Handshake, WaitsUntilNewDataAndLoadDoneAreBothOne) {
    REQUIRE_PROGRAM();
    Rig rig;
    BufferWatch watch;
    watch.attach(rig);
    rig.setWord(PLAY, 1);
    rig.placeMusic(shortMusic(), false); // everything but the final newData
    for (int i = 0; i < 50; i++)
        EXPECT_FALSE(rig.cpu().step());
    EXPECT_EQ(rig.cpu().lastIdleReason(), EmulatedArm940::WAITING_FOR_MUSIC);
    EXPECT_FALSE(rig.cpu().hasMusicLeft());

    rig.setWord(LOAD_DONE, 0);
    rig.setWord(NEW_DATA, 1);
    for (int i = 0; i < 50; i++)
        EXPECT_FALSE(rig.cpu().step());
    EXPECT_EQ(rig.cpu().lastIdleReason(), EmulatedArm940::WAITING_FOR_MUSIC);
    EXPECT_EQ(watch.pcmStores, 0);
    EXPECT_TRUE(watch.flagsSet.empty());

    rig.setWord(LOAD_DONE, 1);
    EXPECT_EQ(rig.playToEnd(), decodeToBlocks(shortMusic()));
    EXPECT_FALSE(rig.cpu().faulted()) << rig.cpu().faultDescription();
}

TEST(Arm940Handshake, FillsBufferZeroFirstThenAlternatesAndWaitsForTheConsumer) {
    REQUIRE_PROGRAM();
    Rig rig;
    BufferWatch watch;
    watch.attach(rig);
    rig.placeMusic(shortMusic());
    rig.setWord(PLAY, 1);
    ASSERT_TRUE(rig.runUntilIdle());
    // Both buffers filled, buffer 0 first; then it waits with nothing to do.
    EXPECT_EQ(watch.flagsSet, (std::vector<int>{0, 1}));
    EXPECT_EQ(rig.cpu().lastIdleReason(), EmulatedArm940::WAITING_FOR_BUFFER);
    EXPECT_TRUE(rig.cpu().hasMusicLeft());
    for (int i = 0; i < 20; i++)
        EXPECT_FALSE(rig.cpu().step());
    EXPECT_EQ(watch.flagsSet.size(), 2u);

    // A slow consumer: one block taken now and then, the core idling between.
    int taken = 0;
    while (rig.cpu().lastIdleReason() != EmulatedArm940::FINISHED && taken < 100) {
        for (int i = 0; i < 3; i++)
            rig.cpu().step();
        if (rig.takeNext()) taken++;
    }
    while (rig.takeNext()) {
    }
    EXPECT_EQ(rig.pcm, decodeToBlocks(shortMusic()));
    EXPECT_EQ(watch.storesIntoFullBuffer, 0);
    for (size_t i = 0; i < watch.flagsSet.size(); i++)
        EXPECT_EQ(watch.flagsSet[i], static_cast<int>(i % 2)) << "flag store " << i;
    EXPECT_FALSE(rig.cpu().hasMusicLeft());
}

TEST(Arm940Handshake, PlayDroppedToZeroPausesAndRaisedAgainResumesWithoutLoss) {
    REQUIRE_PROGRAM();
    Rig rig;
    BufferWatch watch;
    watch.attach(rig);
    rig.placeMusic(shortMusic());
    rig.setWord(PLAY, 1);
    for (int blocks = 0; blocks < 5;) {
        rig.cpu().step();
        while (rig.takeNext())
            blocks++;
    }
    rig.setWord(PLAY, 0);
    rig.cpu().step(); // finishes at most the block it was on
    while (rig.takeNext()) {
    }
    const size_t stores = watch.flagsSet.size();
    for (int i = 0; i < 50; i++)
        EXPECT_FALSE(rig.cpu().step());
    EXPECT_EQ(watch.flagsSet.size(), stores) << "handed over a block while play was 0";
    EXPECT_EQ(rig.word(FULL[0]) | rig.word(FULL[1]), 0u);
    EXPECT_EQ(rig.cpu().lastIdleReason(), EmulatedArm940::WAITING_FOR_BUFFER);

    EXPECT_EQ(rig.playToEnd(), decodeToBlocks(shortMusic())); // playToEnd raises play again
    EXPECT_EQ(watch.storesIntoFullBuffer, 0);
}

TEST(Arm940Handshake, AFlagClearedOutOfTurnIsNotServedBeforeItsTurn) {
    REQUIRE_PROGRAM();
    Rig rig;
    BufferWatch watch;
    watch.attach(rig);
    rig.placeMusic(shortMusic());
    rig.setWord(PLAY, 1);
    ASSERT_TRUE(rig.runUntilIdle());
    ASSERT_EQ(watch.flagsSet, (std::vector<int>{0, 1}));
    // The consumer frees buffer 1 while buffer 0, the next in turn, stays full.
    const std::vector<uint8_t> first(rig.memory() + PCM[0], rig.memory() + PCM[0] + PCM_BYTES);
    const std::vector<uint8_t> second(rig.memory() + PCM[1], rig.memory() + PCM[1] + PCM_BYTES);
    rig.setWord(FULL[1], 0);
    const int pcmStores = watch.pcmStores;
    for (int i = 0; i < 50; i++)
        EXPECT_FALSE(rig.cpu().step());
    EXPECT_EQ(rig.word(FULL[1]), 0u);
    EXPECT_EQ(watch.pcmStores, pcmStores);

    // Once buffer 0 is free too, it is refilled first, then buffer 1.
    rig.setWord(FULL[0], 0);
    ASSERT_TRUE(rig.runUntilIdle());
    EXPECT_EQ(watch.flagsSet, (std::vector<int>{0, 1, 0, 1}));
    std::vector<uint8_t> pcm = first;
    pcm.insert(pcm.end(), second.begin(), second.end());
    pcm.insert(pcm.end(), rig.memory() + PCM[0], rig.memory() + PCM[0] + PCM_BYTES);
    pcm.insert(pcm.end(), rig.memory() + PCM[1], rig.memory() + PCM[1] + PCM_BYTES);
    const std::vector<uint8_t> expected = decodeToBlocks(shortMusic());
    ASSERT_GE(expected.size(), pcm.size());
    EXPECT_TRUE(std::equal(pcm.begin(), pcm.end(), expected.begin()));
}

TEST(Arm940Handshake, APresetFlagKeepsItsBufferUntouched) {
    REQUIRE_PROGRAM();
    Rig rig;
    BufferWatch watch;
    watch.attach(rig);
    rig.setWord(FULL[0], 1); // left set by someone before the program ran
    rig.placeMusic(shortMusic());
    rig.setWord(PLAY, 1);
    for (int i = 0; i < 50; i++)
        EXPECT_FALSE(rig.cpu().step());
    EXPECT_EQ(watch.pcmStores, 0);
    EXPECT_TRUE(watch.flagsSet.empty());
    EXPECT_EQ(rig.cpu().lastIdleReason(), EmulatedArm940::WAITING_FOR_BUFFER);
}

#endif // DEMO_HAVE_UNICORN
