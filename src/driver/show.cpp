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

void startUp() {
    Screen::instance();
    Console* console = Console::instance();
    theShow.consoleFont = new Font("data/font.png", 8, 9, -1, 32, 102);

    console->setFont(theShow.consoleFont);
    console->moveTo(5, 11);
    console->print("abbbbbbbbbbbbbbbbbbbbbbbbbbc"); // the empty loading bar
    console->moveTo(5, 11);
    console->redraw(true);

    buildSineQuarter();
    console->stepProgress(); // 1
    mirrorSineQuarter();
    console->stepProgress(); // 2
    negateSineHalf();
    console->stepProgress(); // 3
    buildCosineTable();
    theShow.skyImage = new Image("data/skybax.png", 320, 240);
    console->stepProgress(); // 4

    theShow.feather = new FeatherScene;
    console->stepProgress(); // 5
    theShow.lighthouse = new LighthouseScene;
    console->stepProgress(); // 6
    theShow.transition = new TransitionOverlay;
    console->stepProgress(); // 7
    theShow.cave = new CaveScene;
    console->stepProgress(); // 8
    theShow.dragonfly = new DragonflyScene;
    console->stepProgress(); // 9
    theShow.lineBackground = new LineBackgroundScene;
    console->stepProgress(); // 10
    theShow.raindrops = new RaindropScene;
    console->stepProgress(); // 11
    theShow.clouds = new CloudScene;
    console->stepProgress(); // 12

    openPhysicalWindows();
    startSound();
    loadMusic("data/warmer.ogg");
    // Demo time 0 is taken after the music is placed, so loading it does not
    // shift the timeline.
    startTicks = platform::clockTicks();
    playMusic();
    console->stepProgress(); // 13
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
