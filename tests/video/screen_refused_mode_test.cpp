// A video mode change that SDL refuses leaves the screen without a surface;
// the frame that follows must still lock, unlock and present without
// touching it, and a later good mode brings the picture back.
#include <gtest/gtest.h>

#include <cstdlib>

#include "video/screen.h"

namespace {

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
