#include "scenes/lighthouse_scene.h"

LighthouseScene::LighthouseScene() {}

LighthouseScene::~LighthouseScene() {}

void LighthouseScene::update(uint32_t) {}

void LighthouseScene::render() {}

