// The shared effects after the voices: a room reverb, a stereo echo and the
// master limiter. All integer; signals are Q20 (1.0 = 1 << 20).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace music {

// A feedback comb with a low-pass in its loop (damped reflections).
class DampedComb {
  public:
    explicit DampedComb(int length) : buffer(length, 0) {}
    int32_t process(int32_t input, int32_t feedback, int32_t damping);

  private:
    std::vector<int32_t> buffer;
    size_t index = 0;
    int32_t store = 0;
};

// A Schroeder all-pass that diffuses the combs' echoes.
class AllPass {
  public:
    explicit AllPass(int length) : buffer(length, 0) {}
    int32_t process(int32_t input);

  private:
    std::vector<int32_t> buffer;
    size_t index = 0;
};

// Eight parallel combs and four all-passes per side, the right side's
// delays slightly longer for width.
class Reverb {
  public:
    Reverb();
    // Adds the reverberated mono `input` to `left` and `right`.
    void process(const int32_t* input, int32_t* left, int32_t* right, int frames);

  private:
    std::vector<DampedComb> combsLeft, combsRight;
    std::vector<AllPass> allPassLeft, allPassRight;
};

// Ping-pong echo at a dotted eighth of the tempo, softened on each repeat.
class StereoEcho {
  public:
    StereoEcho();
    void process(const int32_t* inLeft, const int32_t* inRight, int32_t* left, int32_t* right,
                 int frames);

  private:
    std::vector<int32_t> bufferLeft, bufferRight;
    size_t index = 0;
    int32_t softLeft = 0, softRight = 0;
};

// Leaves quiet samples alone and bends louder ones smoothly toward a
// ceiling they never reach.
int32_t softLimit(int32_t sample);

// The ceiling softLimit approaches, Q20.
constexpr int32_t LIMIT_CEILING = 760000; // about -2.8 dBFS

} // namespace music
