// Real threads, on the desktop and the handheld.
#include "platform/thread.h"

#include <pthread.h>
#include <unistd.h>

namespace platform {
namespace {

// The rest between two passes that found nothing to do. Far shorter than a
// sound block (46 ms), so the device never runs dry for it, and it leaves the
// processor to the show meanwhile.
const useconds_t WAITING_PAUSE_US = 500;

void* runSteppedThread(void* argument) {
    const SteppedThread* thread = static_cast<const SteppedThread*>(argument);
    if (!thread->start()) return nullptr;
    for (;;) {
        const ThreadPass pass = thread->pass();
        if (pass == THREAD_ENDING) break;
        if (pass == THREAD_WAITING) usleep(WAITING_PAUSE_US);
    }
    thread->end();
    return nullptr;
}

} // namespace

bool startThread(const SteppedThread& thread) {
    pthread_t handle;
    if (pthread_create(&handle, nullptr, runSteppedThread, const_cast<SteppedThread*>(&thread)) !=
        0)
        return false;
    // Nobody joins the thread; detached, it leaves nothing behind when it ends.
    pthread_detach(handle);
    return true;
}

void waitForThread(unsigned microseconds) {
    usleep(microseconds);
}

} // namespace platform
