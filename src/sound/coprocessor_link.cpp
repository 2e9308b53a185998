#include "sound/coprocessor_link.h"

int memDevice = -1;
volatile uint16_t* registerWindow = nullptr;

void startSound() {}
void loadMusic(const char*) {}
void playMusic() {}
void stopMusic() {}
void stopSound() {}
