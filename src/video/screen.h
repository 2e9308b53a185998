// The single owner of the video output and the per-frame render state that
// every drawing routine shares.
#pragma once

#include <cstdint>

struct Camera;
struct SDL_Surface;
namespace platform {
struct FrameOutput;
}

const int SCREEN_WIDTH = 320;
const int SCREEN_HEIGHT = 240;
const int SCREEN_PIXELS = SCREEN_WIDTH * SCREEN_HEIGHT;
const int SCREEN_BYTES = SCREEN_PIXELS * 2;

class Screen {
  public:
    // The frame everything draws into: RGB565, 320x240, stride 320. It is
    // the screen's own memory, so its address never changes, even when the
    // video mode does; present() brings it to the current surface.
    uint16_t* pixels;
    int32_t width; // size of the current video mode
    int32_t height;
    int32_t depthBuffer[SCREEN_PIXELS]; // one Fixed depth per pixel
    Camera* camera;
    int32_t dirtyTop;    // band of depth rows written since the last clearDepth
    int32_t dirtyBottom; // (exclusive); empty as 239 / 0
    // Per row: the value clearDepth last gave it (0 from the constructor)
    // and the columns [depthLeft, depthRight] written since (empty as
    // SCREEN_WIDTH / -1). Every column of a row outside its extent holds
    // depthRowValue, so a clear to the same value needs only the extent.
    // Whoever writes depthBuffer must widen the row's extent first
    // (depthWritten); the rasterizer does it once per span.
    int32_t depthRowValue[SCREEN_HEIGHT];
    int16_t depthLeft[SCREEN_HEIGHT];
    int16_t depthRight[SCREEN_HEIGHT];
    SDL_Surface* surface;

    // The one screen, created with (320, 240, 16) on the first call.
    static Screen* instance();
    // Destroys the screen made by instance() (shutdown).
    static void destroyInstance();

    Screen(int width, int height, int bitsPerPixel);
    ~Screen();
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;

    void lock();
    void unlock();
    void present();
    void resize(int w, int h);
    // Sets every depth of the dirty band's rows to `value` and empties the
    // band; rows outside it keep what they hold.
    void clearDepth(int32_t value);
    // Columns left..right (0 <= left <= right < SCREEN_WIDTH) of `row`
    // (0 <= row < SCREEN_HEIGHT) may now hold other depths than the row
    // was cleared to.
    void depthWritten(int row, int left, int right) {
        widenExtent(depthLeft[row], depthRight[row], left, right);
    }
    // The same on a row's two extent entries, for callers that reach them
    // through pointers. Both are read before either is compared: a halfword
    // load's result comes two cycles late on the handheld, and the second
    // load fills the first one's wait.
    static void widenExtent(int16_t& extentLeft, int16_t& extentRight, int left, int right) {
        const int16_t oldLeft = extentLeft, oldRight = extentRight;
        __asm__("" : : "r"(oldLeft), "r"(oldRight)); // both loaded here: the order is kept
        if (left < oldLeft) extentLeft = static_cast<int16_t>(left);
        if (right > oldRight) extentRight = static_cast<int16_t>(right);
    }
    // The whole buffer may hold anything (for code that fills it at once).
    void depthWrittenEverywhere();
    void drawLine(int x0, int y0, int x1, int y1, uint16_t colour);

  private:
    uint16_t frame[SCREEN_PIXELS];
    platform::FrameOutput* frameOutput; // brings frame to the video surface
};
