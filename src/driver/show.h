// The life of the show: start-up, the main loop and shutdown. The `demo`
// program runs them in order; the capture tool runs the same start-up and
// frames with a virtual clock.
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

// Screen, console, tables, pictures, scenes, sound and the demo clock, with
// the loading bar advancing 13 times; leaves the loading screen presented.
void startUp();

// The last start-up step: a white frame, not presented, for the first frame
// of the loop to show.
void prepareFirstFrame();

// Handles one event; returns true when it asks the show to end.
bool handleEvent(const SDL_Event& event);

// Drains the whole SDL event queue; returns true when any event asked the
// show to end. Events after a quit request are still handled.
bool drainEvents();

// Frames until the timeline's end mark or a quit request.
void runMainLoop();

// Tears everything down in its fixed order (up to, not including, the exit
// to the menu program).
void shutDown();
