// No threads in the page: the thread's start runs at once, its passes run
// in the sound callback (web/sound_device.cpp) and while it is waited for.
#include "platform/thread.h"

#include "platform/web/web_side.h"

namespace platform {
namespace {
const SteppedThread* started = nullptr;
} // namespace

bool startThread(const SteppedThread& thread) {
    // A failed start ends the thread at once, as a real thread would end.
    started = thread.start() ? &thread : nullptr;
    return true;
}

ThreadPass passStartedThread() {
    return started ? started->pass() : THREAD_ENDING;
}

void waitForThread(unsigned) {
    if (!started) return;
    stepSecondCpu();
    if (started->pass() != THREAD_ENDING) return;
    const SteppedThread* ending = started;
    started = nullptr;
    ending->end();
}

} // namespace platform
