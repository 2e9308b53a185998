#include "platform/desktop/sdl_sound_queue.h"

#include <SDL.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <mutex>

#include "platform/byte_ring.h"

namespace platform {
namespace {

// One 8192-byte block: like the handheld's two 2048-byte fragments, it keeps
// the queue short, so the writer is held back to the device's pace.
const size_t QUEUE_BYTES = 8192;
const Uint16 CALLBACK_FRAMES = 1024;
// A device that stops asking for sound must not hold the writer for ever.
const std::chrono::milliseconds STALL_LIMIT(1000);

std::mutex queueLock;
std::condition_variable roomMade;
ByteRing<QUEUE_BYTES> queue;

void drainQueue(void*, Uint8* stream, int length) {
    std::lock_guard<std::mutex> guard(queueLock);
    queue.take(stream, static_cast<size_t>(length)); // silence when the queue runs dry
    roomMade.notify_all();
}

} // namespace

bool openSdlSoundQueue() {
    {
        std::lock_guard<std::mutex> guard(queueLock);
        queue.clear();
    }
    SDL_AudioSpec wanted;
    memset(&wanted, 0, sizeof wanted);
    wanted.freq = 44100;
    wanted.format = AUDIO_S16LSB;
    wanted.channels = 2;
    wanted.samples = CALLBACK_FRAMES;
    wanted.callback = drainQueue;
    // No "obtained" format: SDL converts to whatever the device really plays.
    if (SDL_OpenAudio(&wanted, nullptr) < 0) return false;
    SDL_PauseAudio(0);
    return true;
}

long writeSdlSoundQueue(const void* data, size_t length) {
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    size_t taken = 0;
    std::unique_lock<std::mutex> guard(queueLock);
    while (taken < length) {
        if (queue.room() == 0 &&
            !roomMade.wait_for(guard, STALL_LIMIT, [] { return queue.room() > 0; }))
            break;
        taken += queue.put(bytes + taken, length - taken);
    }
    return static_cast<long>(taken);
}

void closeSdlSoundQueue() {
    SDL_CloseAudio();
}

} // namespace platform
