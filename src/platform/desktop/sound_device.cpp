// The desktop's sound device: the real /dev/dsp where the system has one
// (OSS or its emulation), otherwise SDL audio behind a blocking write. If
// neither opens, the device fails to open and the show runs silent.
#include "platform/sound_device.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstring>

#include "platform/desktop/sdl_sound_queue.h"

namespace platform {
namespace {

// Names the SDL device; only one sound device is open at a time.
const int SDL_DEVICE = 0x5D1;
bool usingSdl = false;

int openDesktopSound() {
    const int device = ::open("/dev/dsp", O_WRONLY);
    if (device >= 0) {
        usingSdl = false;
        return device;
    }
    usingSdl = openSdlSoundQueue();
    return usingSdl ? SDL_DEVICE : -1;
}

int controlDesktopSound(int device, unsigned long request, void* argument) {
    if (!usingSdl) return ioctl(device, request, argument);
    // SDL plays the one format asked for at open; only the space query has
    // something to answer.
    if (request == SNDCTL_DSP_GETOSPACE) {
        OssBufferInfo info = {2, 2, 2048, 4096};
        memcpy(argument, &info, sizeof info);
    }
    return 0;
}

long writeDesktopSound(int device, const void* data, size_t length) {
    if (usingSdl) return writeSdlSoundQueue(data, length);
    return ::write(device, data, length);
}

void closeDesktopSound(int device) {
    if (usingSdl)
        closeSdlSoundQueue();
    else
        ::close(device);
    usingSdl = false;
}

const SoundDevice DESKTOP_SOUND = {openDesktopSound, controlDesktopSound, writeDesktopSound,
                                   closeDesktopSound};

} // namespace

const SoundDevice& systemSoundDevice() {
    return DESKTOP_SOUND;
}

} // namespace platform
