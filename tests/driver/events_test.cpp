#include <SDL.h>
#include <gtest/gtest.h>

#include "driver/show.h"
#include "video/screen.h"

namespace {

SDL_Event keyEvent(Uint8 type, SDLKey key) {
    SDL_Event event = {};
    event.type = type;
    event.key.type = type;
    event.key.keysym.sym = key;
    return event;
}

TEST(Events, BackspaceReleaseQuitsButPressDoesNot) {
    Screen::instance();
    EXPECT_TRUE(handleEvent(keyEvent(SDL_KEYUP, SDLK_BACKSPACE)));
    EXPECT_FALSE(handleEvent(keyEvent(SDL_KEYDOWN, SDLK_BACKSPACE)));
    EXPECT_FALSE(handleEvent(keyEvent(SDL_KEYUP, SDLK_ESCAPE)));
    SDL_Event quit = {};
    quit.type = SDL_QUIT;
    EXPECT_TRUE(handleEvent(quit));
}

TEST(Events, QueueIsDrainedAfterAQuitRequest) {
    Screen* screen = Screen::instance();
    while (drainEvents()) {
    }
    SDL_Event quit = {};
    quit.type = SDL_QUIT;
    SDL_Event resize = {};
    resize.type = SDL_VIDEORESIZE;
    resize.resize.w = 641;
    resize.resize.h = 481;
    ASSERT_EQ(SDL_PushEvent(&quit), 0);
    ASSERT_EQ(SDL_PushEvent(&resize), 0);
    EXPECT_TRUE(drainEvents());
    // The resize after the quit was still applied.
    EXPECT_EQ(screen->width, 640);
    EXPECT_EQ(screen->height, 480);
    EXPECT_FALSE(drainEvents());
    screen->resize(320, 240);
}

} // namespace
