#include "scenes/cave_scene.h"

CaveScene::CaveScene() {}

CaveScene::~CaveScene() {}

void CaveScene::update(uint32_t) {}

void CaveScene::render() {}

