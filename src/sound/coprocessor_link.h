#pragma once

#include <cstdint>

// The link state that start-up and shutdown handle themselves.
extern int memDevice;
extern volatile uint16_t* registerWindow;

// Placeholders until the sound is built: the show is silent.
void startSound();
void loadMusic(const char* path);
void playMusic();
void stopMusic();
void stopSound();
