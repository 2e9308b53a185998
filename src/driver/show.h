// The life of the show: start-up, the main loop and shutdown.
//
// Start-up: startUp() opens the screen and console, builds the trig tables,
// loads the sky and every scene (each scene's constructor loads its own
// pictures and meshes), opens the sound and places the music, then takes
// demo time 0 (startTicks). prepareFirstFrame() leaves a white frame behind
// the loading screen. startUp() runs the steps of runStartUpStep() back to
// back; a platform that must give control back between them (the page) runs
// them one at a time, in the same order.
//
// The frame loop: runMainLoop() calls runFrame(demoClock()) (driver/frame.h)
// until showEnded() or a quit event. runFrame asks the timeline
// (driver/timeline.h) for the frame's scene mask, then walks the frame table
// in driver/frame.cpp: every active scene's update(demoTime), then the fills,
// the renders, the sky and the overlay, then the present.
//
// The virtual clock: demoClock() reads the platform clock, which tools and
// tests switch to a clock of their own with platform::setVirtualTicks()
// (platform/clock.h). demo-capture sets it to 0 before startUp(), so demo
// time 0 is clock 0, then for each frame time sets it and calls runFrame
// itself: every run gives the same frames, however long each one takes.
//
// Adding a scene: write a plain class with update(uint32_t demoTime) and
// render() in src/scenes/, give it a pointer in Show, construct it in a step
// of runStartUpStep() (one more loading-bar step) and delete it in
// shutDown(), give it a MASK_ bit used by the timeline's rows, and add its
// row to the frame table where its updates and drawing belong. The order of
// that table is the order of the updates, of the drawing and of the scenes'
// rand() draws.
#pragma once

class Font;
class Image;
class FeatherScene;
class LighthouseScene;
class TransitionOverlay;
class CaveScene;
class DragonflyScene;
class LineBackgroundScene;
class RaindropScene;
class CloudScene;
union SDL_Event;

// The program-wide objects, created once by start-up and destroyed by
// shutdown. A pointer stays null until its object exists.
struct Show {
    Font* consoleFont = nullptr;
    Image* skyImage = nullptr;
    FeatherScene* feather = nullptr;
    LighthouseScene* lighthouse = nullptr;
    TransitionOverlay* transition = nullptr;
    CaveScene* cave = nullptr;
    DragonflyScene* dragonfly = nullptr;
    LineBackgroundScene* lineBackground = nullptr;
    RaindropScene* raindrops = nullptr;
    CloudScene* clouds = nullptr;
};

extern Show theShow;

// Start-up's steps: step 0 opens the screen and the console with the empty
// loading bar; each of steps 1 to 13 does its part (tables, pictures, scenes,
// then sound, music and the demo clock) and advances the bar, presented.
const int START_UP_STEPS = 14;
void runStartUpStep(int step);

// Every start-up step in order; leaves the loading screen presented.
void startUp();

// The last start-up step: a white frame, not presented, for the first frame
// of the loop to show.
void prepareFirstFrame();

// Handles one event; returns true when it asks the show to end.
bool handleEvent(const SDL_Event& event);

// Drains the whole SDL event queue; returns true when any event asked the
// show to end. Events after a quit request are still handled.
bool drainEvents();

// One pass of the main loop: a frame, then the whole event queue. True when
// the show shall end (the end mark, or a quit request).
bool runLoopPass();

// Passes until the show shall end.
void runMainLoop();

// Tears everything down in its fixed order (up to, not including, the exit
// to the menu program).
void shutDown();
