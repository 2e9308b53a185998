// The show's program in the page (index.html starts it; see README.md):
//
//   (no arguments)            plays the show with its sound; the clock follows
//                             the sound played
//   --at LIST [--step MS]     renders frames at demo times MS, 2*MS, ... (default
//                             20) and at every time in LIST with a virtual clock
//                             and no sound, as demo-capture does, and hands the
//                             frames at LIST to the page
//
// The browser must get control back between frames, so the main loop runs
// one pass per animation frame instead of looping itself. When the show
// plays, start-up's steps after the first also run one per animation frame,
// so that the page shows the loading bar advancing.
#include <emscripten.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "driver/frame.h"
#include "driver/show.h"
#include "platform/clock.h"
#include "platform/menu.h"
#include "platform/sound_device.h"
#include "video/screen.h"

namespace {

// Frames of the test mode: rendered in runs of at most this long, so that
// the page stays responsive meanwhile.
const double RUN_MS = 25.0;

struct FrameRequest {
    uint32_t step = 20;
    std::set<uint32_t> at;
    uint32_t nextStepTime = 0;
    std::set<uint32_t>::const_iterator nextAt;
} request;

bool parseMs(const char* text, uint32_t& value) {
    if (!*text || text[0] == '-') return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long long v = strtoull(text, &end, 10);
    if (*end || errno || v > 0xFFFFFFFFull) return false;
    value = static_cast<uint32_t>(v);
    return true;
}

bool parseArguments(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; i += 2) {
        uint32_t ms = 0;
        if (!strcmp(argv[i], "--step")) {
            if (!parseMs(argv[i + 1], request.step) || request.step == 0) return false;
        } else if (!strcmp(argv[i], "--at")) {
            std::string list = argv[i + 1];
            size_t start = 0;
            while (start <= list.size()) {
                size_t comma = list.find(',', start);
                if (comma == std::string::npos) comma = list.size();
                if (!parseMs(list.substr(start, comma - start).c_str(), ms)) return false;
                request.at.insert(ms);
                start = comma + 1;
            }
        } else {
            return false;
        }
    }
    return argc % 2 == 1;
}

int nextStartUpStep = START_UP_STEPS;

void runNextStartUpStep() {
    runStartUpStep(nextStartUpStep);
    EM_ASM(
        {
            if (Module.onStartUpStep) Module.onStartUpStep($0, $1);
        },
        nextStartUpStep, nextStartUpStep == START_UP_STEPS - 1);
    if (++nextStartUpStep == START_UP_STEPS) prepareFirstFrame();
}

void showPass() {
    if (nextStartUpStep < START_UP_STEPS) {
        runNextStartUpStep();
        return;
    }
    const bool ended = runLoopPass();
    EM_ASM(
        {
            if (Module.onShowFrame) Module.onShowFrame($0);
        },
        demoClock());
    if (!ended) return;
    emscripten_cancel_main_loop();
    shutDown();
    platform::runMenuProgram();
}

// Frames in time order: every step, and every requested time, as
// demo-capture renders them (what a frame shows depends on the frames
// before it).
void framePass() {
    const double until = emscripten_get_now() + RUN_MS;
    while (emscripten_get_now() < until) {
        if (request.nextAt == request.at.end()) {
            emscripten_cancel_main_loop();
            EM_ASM({
                if (Module.onFramesDone) Module.onFramesDone();
            });
            return;
        }
        uint32_t time = request.nextStepTime;
        if (*request.nextAt <= time) time = *request.nextAt;
        platform::setVirtualTicks(time);
        runFrame(demoClock());
        if (time == request.nextStepTime) request.nextStepTime += request.step;
        bool named = false;
        while (request.nextAt != request.at.end() && *request.nextAt <= time) {
            named = named || *request.nextAt == time;
            ++request.nextAt;
        }
        if (named)
            EM_ASM(
                {
                    if (Module.onFrame) Module.onFrame($0, HEAPU8.slice($1, $1 + $2));
                },
                time, Screen::instance()->pixels, SCREEN_BYTES);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (!parseArguments(argc, argv)) {
        fprintf(stderr, "usage: [--at LIST [--step MS]]\n");
        return 2;
    }
    if (request.at.empty()) {
        // The screen is opened at once: the page fits the canvas after it.
        nextStartUpStep = 0;
        runNextStartUpStep();
        emscripten_set_main_loop(showPass, 0, 0);
        return 0;
    }
    platform::selectSoundDevice(&platform::absentSoundDevice());
    platform::setVirtualTicks(0);
    startUp();
    prepareFirstFrame();
    request.nextStepTime = request.step;
    request.nextAt = request.at.begin();
    emscripten_set_main_loop(framePass, 0, 0);
    return 0;
}
