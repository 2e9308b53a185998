#include "scenes/line_background_scene.h"

LineBackgroundScene::LineBackgroundScene() {}

LineBackgroundScene::~LineBackgroundScene() {}

void LineBackgroundScene::update(uint32_t) {}

void LineBackgroundScene::render() {}

