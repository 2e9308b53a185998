// The sound that leaves the emulated program is, byte for byte, what native
// Tremor makes of the same file under the desktop stand-in's rules: across
// qualities, rates and channel counts, and for damaged files.
#include <gtest/gtest.h>

#include "arm940_rig.h"
#include "test_support.h"

#if DEMO_HAVE_UNICORN
using namespace arm940_test;

namespace {

void expectSameSound(const std::vector<uint8_t>& ogg, const char* what) {
    Rig rig;
    rig.placeMusic(ogg);
    const std::vector<uint8_t> pcm = rig.playToEnd();
    EXPECT_FALSE(rig.cpu().faulted()) << what << ": " << rig.cpu().faultDescription();
    EXPECT_EQ(rig.cpu().lastIdleReason(), EmulatedArm940::FINISHED) << what;
    const std::vector<uint8_t> expected = decodeToBlocks(ogg);
    EXPECT_EQ(pcm.size(), expected.size()) << what;
    EXPECT_TRUE(pcm == expected) << what << ": the PCM differs";
}

} // namespace

TEST(Arm940Identity, StereoAtSeveralQualities) {
    REQUIRE_PROGRAM();
    expectSameSound(makeOgg(30000, 2, 44100, -0.1f, 1), "quality -0.1");
    expectSameSound(makeOgg(30000, 2, 44100, 0.5f, 2), "quality 0.5");
    expectSameSound(makeOgg(30000, 2, 44100, 1.0f, 3), "quality 1.0");
}

TEST(Arm940Identity, MonoIsDoubledIntoBothChannels) {
    REQUIRE_PROGRAM();
    const std::vector<uint8_t> ogg = makeOgg(20000, 1, 44100, 0.3f, 4);
    expectSameSound(ogg, "mono");
    Rig rig;
    rig.placeMusic(ogg);
    const std::vector<uint8_t> pcm = rig.playToEnd();
    ASSERT_GT(pcm.size(), 0u);
    for (size_t i = 0; i + 3 < pcm.size(); i += 4)
        ASSERT_TRUE(pcm[i] == pcm[i + 2] && pcm[i + 1] == pcm[i + 3]) << "frame " << i / 4;
}

TEST(Arm940Identity, OtherRateAndAStreamShorterThanOneBlock) {
    REQUIRE_PROGRAM();
    expectSameSound(makeOgg(25000, 2, 22050, 0.4f, 5), "22050 Hz");
    expectSameSound(makeOgg(1000, 2, 44100, 0.4f, 6), "1000 frames");
}

TEST(Arm940Identity, TruncatedAndCorruptedFiles) {
    REQUIRE_PROGRAM();
    const std::vector<uint8_t> ogg = makeOgg(40000, 2, 44100, 0.4f, 8);
    std::vector<uint8_t> cut(ogg.begin(), ogg.begin() + static_cast<long>(ogg.size() * 3 / 5));
    expectSameSound(cut, "truncated");

    std::vector<uint8_t> damaged = ogg;
    for (size_t i = damaged.size() / 3; i < damaged.size() / 3 + 64; i += 3)
        damaged[i] ^= 0x5A;
    expectSameSound(damaged, "corrupted audio pages");

    std::vector<uint8_t> badHeader = ogg;
    for (size_t i = 40; i < 200 && i < badHeader.size(); i += 7)
        badHeader[i] ^= 0xFF;
    expectSameSound(badHeader, "corrupted headers");

    expectSameSound(std::vector<uint8_t>(5000, 0x4F), "not an Ogg file");
}

TEST(Arm940Identity, TheShowsMusicFromTheStart) {
    REQUIRE_PROGRAM();
    const std::vector<uint8_t> ogg =
        testing_support::readFile(testing_support::dataDir() + "/warmer.ogg");
    if (ogg.empty()) GTEST_SKIP() << "no data/warmer.ogg";
    // The first 60 blocks (2.8 s); the whole piece is compared by
    // demo-arm940-bench, which takes longer than a test should.
    const size_t blocks = 60;
    Rig rig;
    rig.placeMusic(ogg);
    rig.setWord(PLAY, 1);
    while (rig.pcm.size() < blocks * PCM_BYTES && !rig.cpu().faulted()) {
        rig.cpu().step();
        while (rig.takeNext()) {
        }
    }
    const std::vector<uint8_t> expected = decodeToBlocks(ogg);
    ASSERT_GE(expected.size(), blocks * PCM_BYTES);
    EXPECT_TRUE(
        std::equal(rig.pcm.begin(), rig.pcm.begin() + blocks * PCM_BYTES, expected.begin()));
}

#endif // DEMO_HAVE_UNICORN
