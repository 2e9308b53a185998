// What the browser's side of the platform layer shares within itself. The
// page has one thread: the second CPU's stand-in and the audio thread's
// passes run where the sound needs them, in SDL's audio callback.
#pragma once

#include "platform/thread.h"

namespace platform {

// One piece of the second CPU's work (taking the music, or decoding one
// block); false when it had nothing to do or is halted.
bool stepSecondCpu();

// One pass of the started thread; THREAD_ENDING when none runs or it shall
// end (its `end` is then left to waitForThread).
ThreadPass passStartedThread();

} // namespace platform
