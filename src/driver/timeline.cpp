#include "driver/timeline.h"

#include "core/cut_times.h"
#include "scenes/transition_overlay.h"

const TimelineRow Timeline[TIMELINE_ROWS] = {
    {0, MASK_FILL_WHITE | MASK_TRANSITION},
    {CUT_FEATHER_MS, MASK_FEATHER | MASK_TRANSITION},
    {6200, MASK_FEATHER},
    {40000, MASK_FEATHER | MASK_TRANSITION},
    {CUT_LIGHTHOUSE_MS, MASK_LIGHTHOUSE | MASK_TRANSITION},
    {50000, MASK_LIGHTHOUSE},
    {62000, MASK_LIGHTHOUSE | MASK_TRANSITION},
    {CUT_RAIN_MS, MASK_LINE_BACKGROUND | MASK_RAINDROPS | MASK_TRANSITION},
    {69000, MASK_LINE_BACKGROUND | MASK_RAINDROPS},
    {85000, MASK_LINE_BACKGROUND | MASK_RAINDROPS | MASK_TRANSITION},
    {CUT_CLOUDS_MS, MASK_CLOUDS | MASK_TRANSITION},
    {92000, MASK_CLOUDS},
    {135000, MASK_CLOUDS | MASK_TRANSITION},
    {CUT_CAVE_MS, MASK_CAVE | MASK_TRANSITION},
    {142000, MASK_CAVE},
    {180000, MASK_CAVE | MASK_TRANSITION},
    {CUT_DRAGONFLY_MS, MASK_DRAGONFLY | MASK_TRANSITION},
    {187000, MASK_DRAGONFLY},
    {230000, MASK_DRAGONFLY | MASK_TRANSITION},
    {CUT_CLOSING_MS, MASK_SKY | MASK_TRANSITION},
    {236500, MASK_SKY},
    {244000, MASK_SKY | MASK_TRANSITION},
    {CUT_ENDING_MS, MASK_FILL_BLACK | MASK_TRANSITION},
    {SHOW_END_MS, MASK_END},
};

SceneMask timelineMask(uint32_t time, SceneMask previous) {
    SceneMask mask = previous;
    for (const TimelineRow& row : Timeline)
        if (row.after < time) mask = row.mask;
    return mask;
}

bool startsTransition(SceneMask mask, SceneMask previous, const TransitionOverlay& overlay) {
    return mask != previous && (mask & MASK_TRANSITION) && overlay.isFinished() &&
           !(previous & MASK_TRANSITION);
}
