#include "platform/sound_device.h"

#include <atomic>

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
std::atomic<const SoundDevice*> chosenDevice{nullptr};

} // namespace

const SoundDevice& absentSoundDevice() {
    return ABSENT_DEVICE;
}

void selectSoundDevice(const SoundDevice* device) {
    chosenDevice.store(device);
}

const SoundDevice& selectedSoundDevice() {
    const SoundDevice* device = chosenDevice.load();
    return device ? *device : systemSoundDevice();
}

} // namespace platform
