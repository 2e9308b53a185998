// What the sound tests share: the emulated machine prepared the way start-up
// prepares it, a fake sound device that records what the audio thread does
// with it, short Ogg files and Tremor's own decode of them.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/shared_sound_block.h"
#include "platform/sound_device.h"
#include "test_support.h"

namespace sound_rig {

// One write call the audio thread made.
struct RecordedWrite {
    int buffer;               // 0 or 1: which block buffer the bytes came from; -1 neither
    uint32_t flagDuringWrite; // that buffer's bufferFull while the call ran
    std::vector<uint8_t> bytes;
};

// The sound device the tests give the audio thread. It opens (or fails to),
// takes every write at once and keeps a copy.
namespace fake_device {
void reset(bool failToOpen);
const platform::SoundDevice& device();
int opens();
int closes();
std::vector<RecordedWrite> writes();
size_t bytesWritten();
// The requests, in order, with the value each was given.
std::vector<std::pair<unsigned long, int>> requests();
// What the space query answers from now on: `bytes` of room (unanswered
// while negative, as after reset).
void answerRoom(int bytes);
// While held, a write blocks (as a device that stopped playing may) until
// released; writesStarted() counts the write calls that began.
void holdWrites(bool held);
int writesStarted();
} // namespace fake_device

// Polls `condition` until it holds or `timeoutMs` pass; true if it held.
bool waitFor(const std::function<bool()>& condition, int timeoutMs);

// Whether make-test-ogg was built (it needs libvorbis).
bool canMakeTestOgg();

// Writes a short Ogg Vorbis file (44100 Hz) and returns its bytes.
std::vector<uint8_t> makeTestOgg(const std::string& path, long frames, int channels, unsigned seed);

// The PCM Tremor decodes from an Ogg file held in memory.
std::vector<uint8_t> decodeWithTremor(const std::vector<uint8_t>& ogg);

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// Bytes 0, 1, 2, ... mixed so that no two neighbouring chunks look alike.
std::vector<uint8_t> patternBytes(size_t length, unsigned seed);

double processCpuSeconds();

} // namespace sound_rig

// Runs each test in a fresh folder holding an empty data/, with the emulated
// /dev/mem opened and its register window mapped as start-up does, the
// second CPU paused and in reset, and the fake sound device chosen.
class SoundTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // A file under the test folder's data/.
    std::string dataPath(const std::string& name) const { return folder.file("data/" + name); }

    // The second CPU's memory and the block in it, as the tests see them
    // whether or not the sound is started.
    uint8_t* memory = nullptr;
    SharedSoundBlock* block() const {
        return reinterpret_cast<SharedSoundBlock*>(memory + SHARED_BLOCK_OFFSET);
    }
    uint16_t reg(uint32_t offset) const;
    void setReg(uint32_t offset, uint16_t value);

  private:
    testing_support::TempDir folder;
    std::string previousFolder;
};
