#include "scenes/line_background_scene.h"

#include <cstdlib>

#include "video/image.h"
#include "video/screen.h"

LineBackgroundScene::LineBackgroundScene()
    : background(new Image("data/bg2.png", SCREEN_WIDTH, SCREEN_HEIGHT)) {}

LineBackgroundScene::~LineBackgroundScene() {
    delete background;
}

void LineBackgroundScene::update(uint32_t) {}

void LineBackgroundScene::render() {
    background->copyToScreen();
    Screen* screen = Screen::instance();
    for (int i = 0; i < LINE_COUNT; i++) {
        // Two draws per line, column first: the shared random sequence
        // depends on this order. A start row of at most 228 keeps the line's
        // end on row 238, the last one drawLine writes.
        const int x = rand() % 319;
        const int y = rand() % 229;
        screen->drawLine(x, y, x, y + LINE_LENGTH, LINE_COLOUR);
    }
}
