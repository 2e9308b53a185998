// A sound device that writes into a WAV file exactly what the audio thread
// delivers (44100 Hz, signed 16-bit, stereo), as fast as it comes: nothing
// paces it. It keeps the first `byteLimit` bytes and takes the rest without
// keeping it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/sound_device.h"

namespace platform {

// Sets the file and the limit for the next open; the file is created (empty)
// at once so that a path that cannot be written is known early. False then.
bool prepareWavSoundDevice(const std::string& path, uint32_t byteLimit);

const SoundDevice& wavSoundDevice();

// PCM bytes in the file so far (readable from any thread).
uint32_t wavBytesWritten();

} // namespace platform
