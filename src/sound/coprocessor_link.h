// The link to the handheld's second CPU: its control registers and memory,
// reached through /dev/mem; placing its program and the music file; and the
// control words of the shared sound block. The audio thread (audio_thread.h)
// carries the decoded sound from the block to the sound device.
//
// Start-up calls openPhysicalWindows, startSound, loadMusic and playMusic;
// shutdown calls stopMusic, stopSound and closePhysicalWindows. Where the
// register window is missing the sound steps do nothing and the show is
// silent.
#pragma once

#include <cstdint>

#include "platform/shared_sound_block.h"

// /dev/mem, opened and closed by start-up and shutdown.
extern int memDevice;
// The 64 KiB hardware register window; mapped at start-up, never unmapped.
extern volatile uint16_t* registerWindow;
// The second CPU's 15.5 MiB memory; mapped from startSound to stopSound.
extern uint8_t* coprocessorWindow;
// coprocessorWindow + SHARED_BLOCK_OFFSET while it is mapped.
extern SharedSoundBlock* sharedBlock;

// Opens /dev/mem (memDevice) and maps the register window (registerWindow,
// null when it cannot be mapped).
void openPhysicalWindows();

// Closes /dev/mem; the register window stays mapped, as on the hardware.
void closePhysicalWindows();

// Stops the second CPU, maps its memory and starts the audio thread; returns
// 100 ms after the thread was created, once the thread has initialised the
// shared block (or has ended without a sound device).
void startSound();

// Copies the music file into the second CPU's memory in 100000-byte chunks
// and announces it through the block; nothing changes if the file cannot be
// read, does not fit, or the block was never initialised.
void loadMusic(const char* path);

void playMusic();
void stopMusic();

// Ends the audio thread, waiting for it, and unmaps the second CPU's memory.
// A thread that does not end within two seconds (held by its device) is left
// behind: the second CPU is stopped from here and its memory stays mapped.
void stopSound();

// Places data/ogg940.bin in the second CPU's memory and starts that CPU.
// Called once by the audio thread after it has initialised the block.
void bootCoprocessor();
