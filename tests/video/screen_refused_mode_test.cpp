// A video mode change that SDL refuses leaves the screen without a surface;
// the frame that follows must still lock, unlock and present without
// touching it, and a later good mode brings the picture back. A frame
// wrapper that SDL refuses at start-up ends the program like a refused mode.
#include <SDL.h>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "video/screen.h"

namespace {
bool refuseSurfaces = false;
}

// Stands in for SDL's own function in this test program: refuses when told
// to, otherwise passes the call on.
extern "C" SDL_Surface* SDL_CreateRGBSurfaceFrom(void* pixels, int width, int height, int depth,
                                                 int pitch, Uint32 red, Uint32 green, Uint32 blue,
                                                 Uint32 alpha) {
    if (refuseSurfaces) {
        SDL_SetError("no surface today");
        return nullptr;
    }
    using Create = SDL_Surface* (*)(void*, int, int, int, int, Uint32, Uint32, Uint32, Uint32);
    static const Create sdls =
        reinterpret_cast<Create>(dlsym(RTLD_NEXT, "SDL_CreateRGBSurfaceFrom"));
    return sdls(pixels, width, height, depth, pitch, red, green, blue, alpha);
}

namespace {

TEST(ScreenRefusedMode, RefusedFrameWrapperEndsStartUpLikeARefusedMode) {
    EXPECT_EXIT(
        {
            dup2(2, 1); // the message goes to stdout; let the death test see it
            refuseSurfaces = true;
            new Screen(SCREEN_WIDTH, SCREEN_HEIGHT, 16);
            fprintf(stderr, "still running\n");
        },
        ::testing::ExitedWithCode(1), "^Unable to set video: no surface today\n$");
}

TEST(ScreenRefusedMode, FrameAfterARefusedModeDoesNotCrash) {
    Screen* screen = Screen::instance();
    EXPECT_EXIT(
        {
            screen->resize(-3, -3); // -2 x -2: SDL refuses it
            if (screen->surface) exit(2);
            screen->pixels[0] = 0x1234;
            screen->lock();
            screen->unlock();
            screen->present();
            screen->resize(320, 240);
            if (!screen->surface) exit(3);
            screen->lock();
            screen->unlock();
            screen->present();
            exit(screen->pixels[0] == 0x1234 ? 0 : 4);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
