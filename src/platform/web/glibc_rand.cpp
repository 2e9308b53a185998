// The scenes draw from the C library's rand(), never seeded, and what they
// draw decides what the show looks like. The desktop and the handheld have
// glibc's generator; the browser's C library has another one, so the page
// brings glibc's own: its additive feedback generator (x[i] = x[i-3] +
// x[i-31]) from seed 1, the first 310 outputs discarded, each result shifted
// right by one.
#include <cstdint>
#include <cstdlib>

namespace {

const int DEGREE = 31;
const int SEPARATION = 3;
const int RING = 34; // enough to reach back 31 places
const int DISCARDED = 310;

struct GlibcRandom {
    uint32_t ring[RING];
    unsigned next = 0;

    GlibcRandom() {
        int32_t r = 1;
        ring[0] = 1;
        for (int i = 1; i < DEGREE; i++) {
            // 16807 * r mod (2^31 - 1), without overflow (Schrage)
            const int32_t hi = r / 127773;
            const int32_t lo = r % 127773;
            r = 16807 * lo - 2836 * hi;
            if (r < 0) r += 2147483647;
            ring[i] = static_cast<uint32_t>(r);
        }
        for (int i = DEGREE; i < RING; i++)
            ring[i] = ring[i - DEGREE];
        next = RING;
        for (int i = 0; i < DISCARDED; i++)
            step();
    }

    uint32_t step() {
        const uint32_t value = ring[(next - DEGREE) % RING] + ring[(next - SEPARATION) % RING];
        ring[next % RING] = value;
        next = (next + 1) % RING + RING; // stays far from wrapping
        return value;
    }
};

GlibcRandom generator;

} // namespace

extern "C" int rand(void) {
    return static_cast<int>(generator.step() >> 1);
}
