// The fixed timeline of the show: which scenes and frame actions are active
// at each moment.
#pragma once

#include <cstdint>

// Set of active scenes and frame actions for one frame.
typedef uint32_t SceneMask;

enum : SceneMask {
    MASK_TRANSITION = 0x1,
    MASK_LIGHTHOUSE = 0x2,
    MASK_CAVE = 0x4,
    MASK_DRAGONFLY = 0x8,
    MASK_FEATHER = 0x10,
    MASK_LINE_BACKGROUND = 0x20,
    MASK_RAINDROPS = 0x40,
    MASK_CLOUDS = 0x80,
    MASK_SKY = 0x100,
    MASK_FILL_BLACK = 0x80000,
    MASK_FILL_WHITE = 0x100000,
    MASK_END = 0x80000000u,
};

struct TimelineRow {
    uint32_t after; // the row applies when demo time is strictly greater
    SceneMask mask;
};

const int TIMELINE_ROWS = 24;
extern const TimelineRow Timeline[TIMELINE_ROWS];

// The mask for `demoTime`: the last row whose threshold lies strictly below
// it, or `previous` when none does (demo time 0).
SceneMask timelineMask(uint32_t demoTime, SceneMask previous);

class TransitionOverlay;

// True when the frame with `mask` after `previous` starts a new overlay run:
// the mask changed, it holds the overlay's bit, the overlay's last run has
// finished, and the previous mask did not hold the bit. isFinished() is asked
// only when the first two hold.
bool startsTransition(SceneMask mask, SceneMask previous, const TransitionOverlay& overlay);
