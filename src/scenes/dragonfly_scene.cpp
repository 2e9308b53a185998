#include "scenes/dragonfly_scene.h"

DragonflyScene::DragonflyScene() {}

DragonflyScene::~DragonflyScene() {}

void DragonflyScene::update(uint32_t) {}

void DragonflyScene::render() {}

