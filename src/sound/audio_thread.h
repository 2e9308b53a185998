// The audio thread: opens and configures the sound device, puts the shared
// sound block into its start state, boots the second CPU and then writes each
// block the second CPU marks full to the device, buffer 0 first and then in
// strict alternation, until stopSound asks it to end.
#pragma once

#include "platform/shared_word.h"
#include "platform/thread.h"

// 1 while the thread is alive and owns the sound device.
extern SharedWord threadRunning;
// Set by stopSound: the thread shall end.
extern SharedWord stopRequested;

// How far the thread got in preparing the shared block, for startSound and
// loadMusic to see.
enum BlockState : uint32_t {
    BLOCK_PENDING = 0, // not yet initialised
    BLOCK_READY = 1,   // in its start state; loadMusic may use it
    BLOCK_ABSENT = 2,  // the thread ended without initialising it
};
extern SharedWord blockState;

// The thread, started by startSound and never joined: start-up (steps up to
// the boot), one look at the next buffer per pass, and the stop sequence.
extern const platform::SteppedThread AUDIO_THREAD;
