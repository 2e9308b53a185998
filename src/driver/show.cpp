#include "driver/show.h"

#include <SDL.h>

#include <cstring>

#include "core/trig_tables.h"
#include "driver/frame.h"
#include "platform/clock.h"
#include "scenes/cave_scene.h"
#include "scenes/cloud_scene.h"
#include "scenes/dragonfly_scene.h"
#include "scenes/feather_scene.h"
#include "scenes/lighthouse_scene.h"
#include "scenes/line_background_scene.h"
#include "scenes/raindrop_scene.h"
#include "scenes/transition_overlay.h"
#include "sound/coprocessor_link.h"
#include "video/console.h"
#include "video/font.h"
#include "video/image.h"
#include "video/screen.h"

Show theShow;

namespace {
template <typename T> void destroy(T*& object) {
    delete object;
    object = nullptr;
}
} // namespace

void runStartUpStep(int step) {
    switch (step) {
    case 0: {
        Screen::instance();
        Console* console = Console::instance();
        theShow.consoleFont = new Font("data/font.png", 8, 9, -1, 32, 102);
        console->setFont(theShow.consoleFont);
        console->moveTo(5, 11);
        console->print("abbbbbbbbbbbbbbbbbbbbbbbbbbc"); // the empty loading bar
        console->moveTo(5, 11);
        console->redraw(true);
        return;
    }
    case 1:
        buildSineQuarter();
        break;
    case 2:
        mirrorSineQuarter();
        break;
    case 3:
        negateSineHalf();
        break;
    case 4:
        buildCosineTable();
        theShow.skyImage = new Image("data/skybax.png", 320, 240);
        break;
    case 5:
        theShow.feather = new FeatherScene;
        break;
    case 6:
        theShow.lighthouse = new LighthouseScene;
        break;
    case 7:
        theShow.transition = new TransitionOverlay;
        break;
    case 8:
        theShow.cave = new CaveScene;
        break;
    case 9:
        theShow.dragonfly = new DragonflyScene;
        break;
    case 10:
        theShow.lineBackground = new LineBackgroundScene;
        break;
    case 11:
        theShow.raindrops = new RaindropScene;
        break;
    case 12:
        theShow.clouds = new CloudScene;
        break;
    case 13:
        openPhysicalWindows();
        startSound();
        loadMusic("data/warmer.ogg");
        // Demo time 0 is taken after the music is placed, so loading it does
        // not shift the timeline.
        startTicks = platform::clockTicks();
        playMusic();
        break;
    default:
        return;
    }
    Console::instance()->stepProgress();
}

void startUp() {
    for (int step = 0; step < START_UP_STEPS; step++)
        runStartUpStep(step);
}

void prepareFirstFrame() { memset(Screen::instance()->pixels, 0xFF, SCREEN_BYTES); }

bool handleEvent(const SDL_Event& event) {
    switch (event.type) {
    case SDL_QUIT:
        return true;
    case SDL_KEYUP:
        return event.key.keysym.sym == SDLK_BACKSPACE;
    case SDL_VIDEORESIZE:
        Screen::instance()->resize(event.resize.w, event.resize.h);
        return false;
    default:
        return false;
    }
}

bool drainEvents() {
    bool quit = false;
    SDL_Event event;
    while (SDL_PollEvent(&event))
        if (handleEvent(event)) quit = true;
    return quit;
}

bool runLoopPass() {
    runFrame(demoClock());
    bool quitRequested = showEnded();
    if (drainEvents()) quitRequested = true;
    return quitRequested;
}

void runMainLoop() {
    bool quitRequested = false;
    while (!quitRequested)
        quitRequested = runLoopPass();
}

void shutDown() {
    // Not the reverse of construction: this order is the show's own.
    destroy(theShow.feather);
    destroy(theShow.lighthouse);
    destroy(theShow.transition);
    destroy(theShow.cave);
    destroy(theShow.dragonfly);
    destroy(theShow.raindrops);
    destroy(theShow.clouds);
    destroy(theShow.lineBackground);
    destroy(theShow.skyImage);
    destroy(theShow.consoleFont);
    stopMusic();
    stopSound();
    closePhysicalWindows();
    Console::destroyInstance();
    Screen::destroyInstance();
}
