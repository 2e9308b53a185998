#include "driver/timeline.h"

#include <cstring>

#include "driver/show.h"
#include "platform/clock.h"
#include "scenes/cave_scene.h"
#include "scenes/cloud_scene.h"
#include "scenes/dragonfly_scene.h"
#include "scenes/feather_scene.h"
#include "scenes/lighthouse_scene.h"
#include "scenes/line_background_scene.h"
#include "scenes/raindrop_scene.h"
#include "scenes/transition_overlay.h"
#include "video/image.h"
#include "video/screen.h"

const TimelineRow Timeline[TIMELINE_ROWS] = {
    {0, 0x100001},      {3150, 0x11},       {6200, 0x10},       {40000, 0x11},
    {43100, 0x3},       {50000, 0x2},       {62000, 0x3},       {65100, 0x61},
    {69000, 0x60},      {85000, 0x61},      {88100, 0x81},      {92000, 0x80},
    {135000, 0x81},     {138100, 0x5},      {142000, 0x4},      {180000, 0x5},
    {183100, 0x9},      {187000, 0x8},      {230000, 0x9},      {233100, 0x101},
    {236500, 0x100},    {244000, 0x101},    {247100, 0x80001},  {250000, 0x80000000u},
};

uint32_t startTicks = 0;
uint32_t demoTime = 0;
SceneMask sceneMask = 0;
SceneMask previousMask = 0;

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

void runFrame() {
    Screen* screen = Screen::instance();
    demoTime = platform::clockTicks() - startTicks;
    previousMask = sceneMask;
    sceneMask = timelineMask(demoTime, sceneMask);

    // A rising edge that finds the last run still going does not restart it.
    if (startsTransition(sceneMask, previousMask, *theShow.transition))
        theShow.transition->restart(demoTime);

    // All updates come before all renders: the scenes draw random numbers
    // from one shared sequence in this order.
    if (sceneMask & MASK_LIGHTHOUSE) theShow.lighthouse->update(demoTime);
    if (sceneMask & MASK_CAVE) theShow.cave->update(demoTime);
    if (sceneMask & MASK_DRAGONFLY) theShow.dragonfly->update(demoTime);
    if (sceneMask & MASK_FEATHER) theShow.feather->update(demoTime);
    if (sceneMask & MASK_LINE_BACKGROUND) theShow.lineBackground->update(demoTime);
    if (sceneMask & MASK_RAINDROPS) theShow.raindrops->update(demoTime);
    if (sceneMask & MASK_CLOUDS) theShow.clouds->update(demoTime);
    if (sceneMask & MASK_TRANSITION) theShow.transition->update(demoTime);

    screen->lock();
    if (sceneMask & MASK_FILL_WHITE) memset(screen->pixels, 0xFF, SCREEN_BYTES);
    if (sceneMask & MASK_FILL_BLACK) memset(screen->pixels, 0, SCREEN_BYTES);
    if (sceneMask & MASK_LIGHTHOUSE) theShow.lighthouse->render();
    if (sceneMask & MASK_CAVE) theShow.cave->render();
    if (sceneMask & MASK_DRAGONFLY) theShow.dragonfly->render();
    if (sceneMask & MASK_FEATHER) theShow.feather->render();
    if (sceneMask & MASK_LINE_BACKGROUND) theShow.lineBackground->render();
    if (sceneMask & MASK_RAINDROPS) theShow.raindrops->render();
    if (sceneMask & MASK_CLOUDS) theShow.clouds->render();
    if (sceneMask & MASK_SKY) theShow.skyImage->copyToScreen();
    if (sceneMask & MASK_TRANSITION) theShow.transition->render();
    screen->unlock();
    screen->present();
}
