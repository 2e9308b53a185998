// Test rig for the second CPU's program: a memory window laid out as on the
// handheld, the program image copied to its address 0, the emulated ARM940T
// over it, and the main CPU's side (music loading, a consumer of the PCM
// buffers) played by the test thread between steps of the core.
#pragma once

#if DEMO_HAVE_UNICORN

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/desktop/block_decoder.h"
#include "platform/desktop/emulated_arm940.h"

namespace arm940_test {

// Window layout and shared-block words (byte offsets into the window).
const uint32_t WINDOW_SIZE = 0xF80000;
const uint32_t BLOCK = 0x200000;
const uint32_t PLAY = BLOCK + 4;
const uint32_t NEW_DATA = BLOCK + 8;
const uint32_t LOAD_DONE = BLOCK + 12;
const uint32_t DATA_OFFSET = BLOCK + 16;
const uint32_t DATA_LENGTH = BLOCK + 20;
const uint32_t FULL[2] = {BLOCK + 24, BLOCK + 8220};
const uint32_t PCM[2] = {BLOCK + 28, BLOCK + 8224};
const uint32_t BLOCK_END = BLOCK + 16416;
const uint32_t MUSIC = 0x700000;
const uint32_t PCM_BYTES = 8192;

// Skips the test when the build could not make the program.
#define REQUIRE_PROGRAM()                                                                          \
    if (arm940_test::programImage().empty())                                                       \
    GTEST_SKIP() << "the second CPU's program was not built (see the CMake messages)"

// The built program image; empty when the build could not make it.
const std::vector<uint8_t>& programImage();

// An Ogg Vorbis file from the suite's encoder (see encoder/make_ogg.cpp).
std::vector<uint8_t> makeOgg(long frames, int channels, int rate, float quality, unsigned seed);

class Rig {
  public:
    // A window in its start state with `image` at address 0 (the real
    // program unless given), and the core reset.
    explicit Rig(const std::vector<uint8_t>& image = programImage());
    ~Rig();

    uint32_t word(uint32_t offset) const;
    void setWord(uint32_t offset, uint32_t value);
    uint8_t* memory() { return window; }
    EmulatedArm940& cpu() { return *core; }

    // Places `ogg` in the music area the way the main CPU does, optionally
    // leaving out the final `newData` store.
    void placeMusic(const std::vector<uint8_t>& ogg, bool announce = true);

    // Steps the core until it idles (or `maxSteps` steps have run); true
    // when it idled.
    bool runUntilIdle(int maxSteps = 2000);

    // The consumer: if the buffer it waits for is full, appends its PCM to
    // `pcm`, clears its flag and turns to the other buffer. True if it took one.
    bool takeNext();
    int nextBuffer() const { return next; }

    // Plays to the end with a consumer that takes every block at once.
    std::vector<uint8_t> playToEnd(int maxSteps = 100000);

    std::vector<uint8_t> pcm;

  private:
    uint8_t* window;
    std::unique_ptr<EmulatedArm940> core;
    int next = 0;
};

} // namespace arm940_test

#endif // DEMO_HAVE_UNICORN
