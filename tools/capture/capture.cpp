// demo-capture: renders the show offline, headless, with a virtual clock, and
// writes chosen frames as pictures. Run it from the folder that holds data/.
//
//   demo-capture [--step MS] [--until MS] [--at LIST] [--every] [--raw] [--out DIR]
//                [--wav FILE] [--video FILE] [--scale N]
//
// Without --wav it makes no sound: no sound device is opened and nothing
// waits for one.
#include <SDL.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "core/cut_times.h"
#include "driver/frame.h"
#include "driver/show.h"
#include "platform/clock.h"
#include "platform/coprocessor_status.h"
#include "platform/sound_device.h"
#include "tools/image_writer.h"
#include "tools/wav_sound_device.h"
#include "video/screen.h"
#include "video_writer.h"

namespace {

// The sound of the whole show: 44100 Hz 16-bit stereo up to its end mark.
const uint32_t SHOW_SOUND_BYTES = SHOW_END_MS / 1000 * 44100u * 4u;
// The WAV is complete when the second CPU has nothing more to give; where
// that cannot be seen, when no sound has come for this long.
const int MAX_STALLED_LOOKS = 300; // of 10 ms

struct Options {
    uint32_t step = 20;
    bool hasUntil = false;
    uint32_t until = 0;
    std::set<uint32_t> at;
    bool atLoading = false;
    bool every = false;
    bool raw = false;
    std::string out = "capture";
    std::string wav;
    std::string video;
    int scale = 3;
};

void usage() {
    fprintf(stderr, "usage: demo-capture [--step MS] [--until MS] [--at LIST] [--every] [--raw] "
                    "[--out DIR] [--wav FILE]\n"
                    "                    [--video FILE] [--scale N]\n"
                    "  --step MS   time between frames (default 20)\n"
                    "  --until MS  stop after the last frame not later than MS\n"
                    "  --at LIST   comma-separated demo times (or 'loading') to write\n"
                    "  --every     write every frame\n"
                    "  --raw       also write DIR/frame-<ms>.rgb565\n"
                    "  --out DIR   where frames go (default capture)\n"
                    "  --wav FILE  write the show's sound, as the audio thread delivers it\n"
                    "  --video FILE  also encode the frames at 1000/MS frames a second, with\n"
                    "                the sound, into FILE (e.g. show.mp4) with ffmpeg\n"
                    "  --scale N   enlarge the video N times, pixels kept sharp (default 3)\n");
}

bool parseMs(const char* text, uint32_t& value) {
    if (!*text) return false;
    char* end = nullptr;
    errno = 0;
    unsigned long long v = strtoull(text, &end, 10);
    if (*end || errno || v > 0xFFFFFFFFull || text[0] == '-') return false;
    value = static_cast<uint32_t>(v);
    return true;
}

bool parseAt(const std::string& list, Options& options) {
    size_t start = 0;
    while (start <= list.size()) {
        size_t comma = list.find(',', start);
        if (comma == std::string::npos) comma = list.size();
        std::string item = list.substr(start, comma - start);
        uint32_t ms = 0;
        if (item == "loading")
            options.atLoading = true;
        else if (parseMs(item.c_str(), ms))
            options.at.insert(ms);
        else
            return false;
        start = comma + 1;
    }
    return true;
}

bool parseArguments(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; i++) {
        std::string arg = argv[i];
        auto value = [&](const char*& v) {
            if (i + 1 >= argc) return false;
            v = argv[++i];
            return true;
        };
        const char* v = nullptr;
        if (arg == "--step") {
            if (!value(v) || !parseMs(v, options.step) || options.step == 0) return false;
        } else if (arg == "--until") {
            if (!value(v) || !parseMs(v, options.until)) return false;
            options.hasUntil = true;
        } else if (arg == "--at") {
            if (!value(v) || !parseAt(v, options)) return false;
        } else if (arg == "--every") {
            options.every = true;
        } else if (arg == "--raw") {
            options.raw = true;
        } else if (arg == "--wav") {
            if (!value(v) || !*v) return false;
            options.wav = v;
        } else if (arg == "--video") {
            if (!value(v) || !*v) return false;
            options.video = v;
        } else if (arg == "--scale") {
            uint32_t scale = 0;
            if (!value(v) || !parseMs(v, scale) || scale < 1 || scale > 16) return false;
            options.scale = static_cast<int>(scale);
        } else if (arg == "--out") {
            if (!value(v) || !*v) return false;
            options.out = v;
        } else {
            return false;
        }
    }
    return true;
}

bool prepareDirectory(const std::string& dir) {
    std::string path;
    for (size_t i = 0; i <= dir.size(); i++) {
        if (i == dir.size() || dir[i] == '/') {
            if (!path.empty() && mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) return false;
        }
        if (i < dir.size()) path += dir[i];
    }
    struct stat info;
    return stat(dir.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && access(dir.c_str(), W_OK) == 0;
}

bool writeFrame(const Options& options, const std::string& name) {
    const uint16_t* pixels = Screen::instance()->pixels;
    const std::string base = options.out + "/frame-" + name;
    if (!writeFramePng(base + ".png", pixels, SCREEN_WIDTH, SCREEN_HEIGHT)) {
        fprintf(stderr, "demo-capture: cannot write %s.png\n", base.c_str());
        return false;
    }
    if (options.raw && !writeFrameRaw(base + ".rgb565", pixels, SCREEN_PIXELS)) {
        fprintf(stderr, "demo-capture: cannot write %s.rgb565\n", base.c_str());
        return false;
    }
    return true;
}

// Nothing paces the WAV device, so the sound usually runs far ahead of the
// frames; a short capture still waits for the show's sound (or all of the
// music, when that is shorter) to reach the file.
void waitForShowSound(uint32_t soundBytes) {
    uint32_t written = platform::wavBytesWritten();
    int stalledLooks = 0;
    while (written < soundBytes && !platform::coprocessorIdle() &&
           stalledLooks < MAX_STALLED_LOOKS) {
        usleep(10000);
        const uint32_t now = platform::wavBytesWritten();
        stalledLooks = now == written ? stalledLooks + 1 : 0;
        written = now;
    }
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseArguments(argc, argv, options)) {
        usage();
        return 2;
    }
    // Without ffmpeg nothing is started and nothing is written.
    if (!options.video.empty() && !VideoWriter::ffmpegInstalled()) return 1;
    if (!prepareDirectory(options.out)) {
        fprintf(stderr, "demo-capture: cannot write to directory %s\n", options.out.c_str());
        return 1;
    }
    // Headless unless the caller chose a driver.
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);

    // A video takes its sound from --wav, or else from a WAV file of its own
    // that is removed when the video is done.
    VideoWriter video;
    // Its own sound needs to be only as long as the video (a short one
    // then does not wait for the whole show's music to be decoded).
    uint32_t soundBytes = SHOW_SOUND_BYTES;
    if (!options.video.empty() && options.wav.empty()) {
        options.wav = video.soundFile(options.video);
        if (options.hasUntil && options.until < SHOW_END_MS) {
            const uint64_t videoMs = (uint64_t{options.until} / options.step + 1) * options.step;
            soundBytes =
                static_cast<uint32_t>(std::min<uint64_t>(SHOW_SOUND_BYTES, videoMs * 441 / 10 * 4));
        }
    }

    if (!options.wav.empty()) {
        if (!platform::prepareWavSoundDevice(options.wav, soundBytes)) {
            fprintf(stderr, "demo-capture: cannot write %s\n", options.wav.c_str());
            return 1;
        }
        platform::selectSoundDevice(&platform::wavSoundDevice());
    } else {
        platform::selectSoundDevice(&platform::absentSoundDevice());
    }

    platform::setVirtualTicks(0);
    startUp();
    if (options.atLoading && !writeFrame(options, "loading")) return 1;
    prepareFirstFrame();

    // The video's frame k shows demo time k * step; frame 0 is the white
    // frame the show opens with. Times named with --at only, off the step
    // grid, are not part of it.
    if (!options.video.empty()) {
        VideoSettings settings;
        settings.path = options.video;
        settings.stepMs = options.step;
        settings.scale = options.scale;
        const uint32_t last = options.hasUntil && options.until < SHOW_END_MS
                                  ? options.until / options.step
                                  : SHOW_END_MS / options.step + 1;
        settings.totalFrames = last + 1;
        if (!video.start(settings) || !video.addFrame(Screen::instance()->pixels)) return 1;
    }

    // Frames at step, 2*step, ... and at every --at time, in time order.
    uint32_t nextStepTime = options.step;
    auto nextAt = options.at.begin();
    uint32_t frames = 0;
    uint32_t demoTime = 0;
    for (;;) {
        uint32_t time = nextStepTime;
        bool named = false;
        if (nextAt != options.at.end() && *nextAt <= time) {
            time = *nextAt;
            named = true;
        }
        if (options.hasUntil && time > options.until) break;
        platform::setVirtualTicks(time);
        demoTime = demoClock();
        runFrame(demoTime);
        frames++;
        const bool onStep = time == nextStepTime;
        if (onStep) nextStepTime += options.step;
        if (onStep && !options.video.empty() && !video.addFrame(Screen::instance()->pixels)) {
            video.abandon();
            return 1;
        }
        while (nextAt != options.at.end() && *nextAt <= time) {
            named = named || *nextAt == time;
            ++nextAt;
        }
        if ((named || options.every) && !writeFrame(options, std::to_string(time))) return 1;
        drainEvents(); // a headless run has no one to ask it to stop
        if (frames % 500 == 0 && options.video.empty()) // a video has its own progress line
            fprintf(stderr, "demo-capture: %u frames, demo time %u ms\n", frames, time);
        if (showEnded()) break;
        if (nextStepTime < time) break; // the step wrapped past 2^32 ms
    }
    fprintf(stderr, "demo-capture: done, %u frames, demo time %u ms\n", frames, demoTime);
    if (!options.wav.empty()) {
        waitForShowSound(soundBytes);
        fprintf(stderr, "demo-capture: %u bytes of sound in %s\n", platform::wavBytesWritten(),
                options.wav.c_str());
    }
    shutDown();
    if (!options.video.empty() && !video.finish(options.wav)) return 1;
    return 0;
}
