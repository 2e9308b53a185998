// The sound's one extra thread, given in three pieces so that a platform
// without threads (the browser) can run it piecewise: `start` once, then
// `pass` whenever there is room for it, then `end`. Where there are threads
// it is an ordinary thread that runs them in order.
#pragma once

namespace platform {

enum ThreadPass {
    THREAD_WORKED,  // did something; the next pass may follow at once
    THREAD_WAITING, // had nothing to do; a threaded platform rests a little
    THREAD_ENDING,  // the thread shall end: `end` runs next
};

struct SteppedThread {
    bool (*start)(); // false: the thread ends at once, `end` does not run
    ThreadPass (*pass)();
    void (*end)();
};

// Starts the thread; false if it could not be started. Where there are no
// threads `start` has run before this returns.
bool startThread(const SteppedThread& thread);

// Rests while waiting for the thread. Where there are no threads, the
// thread's passes run here instead, so that what is waited for can happen.
void waitForThread(unsigned microseconds);

} // namespace platform
