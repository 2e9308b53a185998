// demo-timeline: the timeline's mask and scene name for each frame of a
// capture at a fixed step, one "TIME MASK NAME" a line, for the cost meter:
//
//   demo-timeline STEP_MS [UNTIL_MS]
//
// The frames are those demo-capture runs (STEP, 2 STEP, ... up to UNTIL or
// the end mark).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "driver/timeline.h"

namespace {

// The scene a mask draws, named after the scene that covers the screen.
std::string sceneName(SceneMask mask) {
    static const struct {
        SceneMask bit;
        const char* name;
    } NAMES[] = {
        {MASK_CLOUDS, "clouds"}, {MASK_RAINDROPS, "raindrops"}, {MASK_DRAGONFLY, "dragonfly"},
        {MASK_CAVE, "cave"},     {MASK_FEATHER, "feather"},     {MASK_LIGHTHOUSE, "lighthouse"},
        {MASK_SKY, "sky"},       {MASK_FILL_BLACK, "black"},    {MASK_FILL_WHITE, "white"},
    };
    std::string name = "end mark";
    for (const auto& n : NAMES)
        if (mask & n.bit) {
            name = n.name;
            break;
        }
    if (mask & MASK_TRANSITION) name += " under the overlay";
    return name;
}

} // namespace

int main(int argc, char** argv) {
    const long step = argc > 1 ? strtol(argv[1], nullptr, 10) : 0;
    const long until = argc > 2 ? strtol(argv[2], nullptr, 10) : 0x7FFFFFFF;
    if (step <= 0 || until < 0) {
        fprintf(stderr, "usage: demo-timeline STEP_MS [UNTIL_MS]\n");
        return 2;
    }
    SceneMask mask = 0;
    for (long time = step; time <= until; time += step) {
        mask = timelineMask(static_cast<uint32_t>(time), mask);
        printf("%ld %#x %s\n", time, static_cast<unsigned>(mask), sceneName(mask).c_str());
        if (mask & MASK_END) break;
    }
    return 0;
}
