#include "platform/sound_device.h"

#include "platform/shared_word.h"

namespace platform {
namespace {

int openNothing() {
    return -1;
}
int controlNothing(int, unsigned long, void*) {
    return -1;
}
long writeNothing(int, const void*, size_t) {
    return -1;
}
void closeNothing(int) {}

const SoundDevice ABSENT_DEVICE = {openNothing, controlNothing, writeNothing, closeNothing};

// Read by the audio thread when it starts; chosen on the main thread before.
const SoundDevice* volatile chosenDevice = nullptr;

} // namespace

const SoundDevice& absentSoundDevice() {
    return ABSENT_DEVICE;
}

void selectSoundDevice(const SoundDevice* device) {
    storeRelease(&chosenDevice, device);
}

const SoundDevice& selectedSoundDevice() {
    const SoundDevice* device = loadAcquire(&chosenDevice);
    return device ? *device : systemSoundDevice();
}

} // namespace platform
