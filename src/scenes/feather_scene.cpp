#include "scenes/feather_scene.h"

FeatherScene::FeatherScene() {}

FeatherScene::~FeatherScene() {}

void FeatherScene::update(uint32_t) {}

void FeatherScene::render() {}

