#include "scenes/cloud_scene.h"

CloudScene::CloudScene() {}

CloudScene::~CloudScene() {}

void CloudScene::update(uint32_t) {}

void CloudScene::render() {}

