// The sound device the audio thread writes to, reached through the same few
// calls as the handheld's OSS device /dev/dsp: open, control requests,
// blocking writes, close.
//
// Which device answers is chosen before the sound starts: the platform's own
// (the real /dev/dsp on the handheld; on a desktop /dev/dsp if it opens,
// otherwise SDL audio), no device at all, a WAV file, or a test's fake.
#pragma once

#include <cstddef>

namespace platform {

struct SoundDevice {
    // A descriptor (0 or more), or a negative number when there is no device.
    int (*open)();
    // An ioctl-style request with a pointer to its argument; the result is
    // the device's, 0 for success.
    int (*control)(int device, unsigned long request, void* argument);
    // Blocks as the device does; returns the bytes taken or -1.
    long (*write)(int device, const void* data, size_t length);
    void (*close)(int device);
};

// OSS requests the audio thread sends, as /dev/dsp knows them.
const unsigned long SNDCTL_DSP_SPEED = 0xC0045002;
const unsigned long SNDCTL_DSP_SETFMT = 0xC0045005;
const unsigned long SNDCTL_DSP_STEREO = 0xC0045003;
const unsigned long SNDCTL_DSP_SETFRAGMENT = 0xC004500A;
const unsigned long SNDCTL_DSP_GETOSPACE = 0x8010500C;
const int AFMT_S16_LE = 16;

// The answer to SNDCTL_DSP_GETOSPACE (OSS's audio_buf_info).
struct OssBufferInfo {
    int fragments;
    int fragmentsTotal;
    int fragmentSize;
    int bytes;
};

// This platform's real sound output.
const SoundDevice& systemSoundDevice();

// A device that never opens: the show stays silent and nothing waits.
const SoundDevice& absentSoundDevice();

// Chooses the device that the next audio thread opens; nullptr goes back to
// the system's. Call it before startSound.
void selectSoundDevice(const SoundDevice* device);

const SoundDevice& selectedSoundDevice();

} // namespace platform
