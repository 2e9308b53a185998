#include "platform/sound_device.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace platform {
namespace {

int openDsp() {
    return ::open("/dev/dsp", O_WRONLY);
}

int controlDsp(int device, unsigned long request, void* argument) {
    return ioctl(device, request, argument);
}

long writeDsp(int device, const void* data, size_t length) {
    return ::write(device, data, length);
}

void closeDsp(int device) {
    ::close(device);
}

const SoundDevice DSP = {openDsp, controlDsp, writeDsp, closeDsp};

} // namespace

const SoundDevice& systemSoundDevice() {
    return DSP;
}

} // namespace platform
