// The page's sound device and clock. SDL's audio callback runs on the page's
// one thread; it asks the second CPU's stand-in for blocks and lets the
// audio thread pass them on, until it has what the browser asked for. The
// device's writes never block: they only queue the block for the callback.
//
// The show's clock is the sound: it reads how much of what the callback gave
// the browser has been played at this moment, so the timeline follows the
// music even when the browser stalls or plays at its own pace.
#include <SDL.h>
#include <emscripten.h>

#include <cstdint>
#include <cstring>

#include "platform/byte_ring.h"
#include "platform/clock.h"
#include "platform/sound_device.h"
#include "platform/web/web_side.h"

namespace platform {
namespace {

const int SAMPLE_RATE = 44100;
const int FRAME_BYTES = 4; // 16-bit stereo
// One block's worth, about 46 ms; SDL keeps five such buffers queued ahead of
// what plays. That only delays the start: the clock follows what is played.
const Uint16 CALLBACK_FRAMES = 2048;
// What the callback asks for plus one 8192-byte block fits with room to spare.
const size_t QUEUE_BYTES = 32768;
const int WEB_DEVICE = 0x3EB;

ByteRing<QUEUE_BYTES> queue;
bool deviceOpen = false;

// When the browser plays each buffer the callback filled: the start, in the
// audio context's seconds, and the sound frames that came before it.
struct PlayMark {
    double start;
    uint64_t framesBefore;
};
const int MARKS = 32;
PlayMark marks[MARKS];
int markCount = 0;
uint64_t framesGiven = 0;

void fillSound(void*, Uint8* stream, int length) {
    const size_t wanted = static_cast<size_t>(length);
    while (queue.fill < wanted) {
        const bool decoded = stepSecondCpu();
        const ThreadPass pass = passStartedThread();
        if (pass == THREAD_ENDING || (!decoded && pass == THREAD_WAITING)) break;
    }
    queue.take(stream, wanted); // silence when no sound comes
    // SDL schedules this buffer right after the last one, or, when that has
    // already ended, a little after now.
    const double start = EM_ASM_DOUBLE({
        return Math.max(SDL.audioContext.currentTime + SDL.audio.bufferingDelay,
                        SDL.audio.nextPlayTime);
    });
    marks[markCount % MARKS] = {start, framesGiven};
    markCount++;
    framesGiven += wanted / FRAME_BYTES;
}

int openWebSound() {
    queue.clear();
    markCount = 0;
    framesGiven = 0;
    SDL_AudioSpec wanted;
    memset(&wanted, 0, sizeof wanted);
    wanted.freq = SAMPLE_RATE;
    wanted.format = AUDIO_S16LSB;
    wanted.channels = 2;
    wanted.samples = CALLBACK_FRAMES;
    wanted.callback = fillSound;
    if (SDL_OpenAudio(&wanted, nullptr) < 0) return -1;
    SDL_PauseAudio(0);
    deviceOpen = true;
    return WEB_DEVICE;
}

// SDL plays the one format asked for at open; only the space query has
// something to answer.
int controlWebSound(int, unsigned long request, void* argument) {
    if (request == SNDCTL_DSP_GETOSPACE) {
        const OssBufferInfo info = {2, 2, 2048, 4096};
        memcpy(argument, &info, sizeof info);
    }
    return 0;
}

long writeWebSound(int, const void* data, size_t length) {
    length = queue.put(data, length);
    // The page may keep what the second CPU decoded (its test compares it).
    EM_ASM(
        {
            if (Module.onShowSound) Module.onShowSound(HEAPU8.subarray($0, $0 + $1));
        },
        data, length);
    return static_cast<long>(length);
}

void closeWebSound(int) {
    SDL_CloseAudio();
    deviceOpen = false;
}

const SoundDevice WEB_SOUND = {openWebSound, controlWebSound, writeWebSound, closeWebSound};

} // namespace

const SoundDevice& systemSoundDevice() {
    return WEB_SOUND;
}

uint32_t systemTicks() {
    if (!deviceOpen) return SDL_GetTicks();
    // What comes out of the speakers now, later than the context's own time
    // by the output's latency.
    const double now = EM_ASM_DOUBLE({
        const context = SDL.audioContext;
        return context ? context.currentTime - (context.outputLatency || 0) : 0;
    });
    // The latest buffer that has begun to play; sound given before it has
    // been played whole, of it only what the time covers. A gap in the
    // sound (the browser starved) holds the clock at its end.
    for (int k = markCount - 1; k >= 0 && k >= markCount - MARKS; k--) {
        const PlayMark& mark = marks[k % MARKS];
        if (mark.start > now) continue;
        double played = (now - mark.start) * SAMPLE_RATE;
        if (played > CALLBACK_FRAMES) played = CALLBACK_FRAMES;
        const uint64_t frames = mark.framesBefore + static_cast<uint64_t>(played);
        return static_cast<uint32_t>(frames * 1000 / SAMPLE_RATE);
    }
    return 0;
}

} // namespace platform
