#include "scenes/raindrop_scene.h"

RaindropScene::RaindropScene() {}

RaindropScene::~RaindropScene() {}

void RaindropScene::update(uint32_t) {}

void RaindropScene::render() {}

