// SDL audio behind a blocking write, for desktops without /dev/dsp: a short
// queue that SDL's callback drains at the device's pace, so that a write of
// one block returns when the device has made room for it, as a write to the
// handheld's sound device does.
#pragma once

#include <cstddef>

namespace platform {

// Opens SDL audio at 44100 Hz, signed 16-bit little-endian, stereo, and
// starts it. False when SDL has no audio device to give.
bool openSdlSoundQueue();

// Copies all of `data` into the queue, waiting for room; returns `length`, or
// the bytes taken if the device stopped draining.
long writeSdlSoundQueue(const void* data, size_t length);

void closeSdlSoundQueue();

} // namespace platform
