#include "driver/frame.h"

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

uint32_t startTicks = 0;
SceneMask sceneMask = 0;
SceneMask previousMask = 0;

namespace {

// One step of the frame: done when the mask holds `bit`. `update` (null for
// the steps that only draw) runs in the update pass, `render` in the render
// pass.
struct FrameStep {
    SceneMask bit;
    void (*update)(uint32_t demoTime);
    void (*render)();
};

// The scene that the Show member `scene` points to, updated or rendered.
template <auto scene> void updateScene(uint32_t demoTime) {
    (theShow.*scene)->update(demoTime);
}
template <auto scene> void renderScene() {
    (theShow.*scene)->render();
}

void fillWhite() {
    memset(Screen::instance()->pixels, 0xFF, SCREEN_BYTES);
}
// Black with nothing but the overlay on it: the overlay writes every pixel
// from the colour, without the fill.
bool overlayOnBlack() {
    return sceneMask == (MASK_FILL_BLACK | MASK_TRANSITION);
}
void fillBlack() {
    if (overlayOnBlack()) return;
    memset(Screen::instance()->pixels, 0, SCREEN_BYTES);
}
// The sky with nothing but the overlay on it: the overlay reads the sky
// itself instead of a copy of it on the screen.
bool overlayOnSky() {
    return sceneMask == (MASK_SKY | MASK_TRANSITION);
}
void copySky() {
    if (overlayOnSky()) return;
    theShow.skyImage->copyToScreen();
}
void renderTransition() {
    // Over nothing but the white fill, brightening changes no pixel.
    if ((sceneMask & ~MASK_TRANSITION) == MASK_FILL_WHITE) return;
    if (overlayOnSky())
        theShow.transition->renderOver(theShow.skyImage->pixels);
    else if (overlayOnBlack())
        theShow.transition->renderOnColour(0);
    else
        theShow.transition->render();
}

// The frame as a list, in drawing order. All updates come before all renders:
// the scenes draw random numbers from one shared sequence in this order.
const FrameStep FRAME[] = {
    {MASK_FILL_WHITE, nullptr, fillWhite},
    {MASK_FILL_BLACK, nullptr, fillBlack},
    {MASK_LIGHTHOUSE, updateScene<&Show::lighthouse>, renderScene<&Show::lighthouse>},
    {MASK_CAVE, updateScene<&Show::cave>, renderScene<&Show::cave>},
    {MASK_DRAGONFLY, updateScene<&Show::dragonfly>, renderScene<&Show::dragonfly>},
    {MASK_FEATHER, updateScene<&Show::feather>, renderScene<&Show::feather>},
    {MASK_LINE_BACKGROUND, updateScene<&Show::lineBackground>, renderScene<&Show::lineBackground>},
    {MASK_RAINDROPS, updateScene<&Show::raindrops>, renderScene<&Show::raindrops>},
    {MASK_CLOUDS, updateScene<&Show::clouds>, renderScene<&Show::clouds>},
    {MASK_SKY, nullptr, copySky},
    {MASK_TRANSITION, updateScene<&Show::transition>, renderTransition},
};

} // namespace

uint32_t demoClock() {
    return platform::clockTicks() - startTicks;
}

void runFrame(uint32_t demoTime) {
    Screen* screen = Screen::instance();
    previousMask = sceneMask;
    sceneMask = timelineMask(demoTime, sceneMask);

    // A rising edge that finds the last run still going does not restart it.
    if (startsTransition(sceneMask, previousMask, *theShow.transition))
        theShow.transition->restart(demoTime);

    for (const FrameStep& step : FRAME)
        if ((sceneMask & step.bit) && step.update) step.update(demoTime);

    screen->lock();
    for (const FrameStep& step : FRAME)
        if (sceneMask & step.bit) step.render();
    screen->unlock();
    screen->present();
}

// The end mark is the only mask with the top bit set.
bool showEnded() {
    return (sceneMask & MASK_END) != 0;
}
