// demo-bench: what each scene costs per frame, headless.
//
//   demo-bench [--frames N] [--format table|csv|json] [--no-show]
//
// Each scene runs `update` + `render` at representative demo times; the
// table gives the median time per frame, the frame rate that allows, and the
// ratio to one copy of a whole frame measured in the same run (the floor of
// touching every pixel once). Then the whole show is rendered offline at the
// capture tool's default step. Run it from the folder that holds data/.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "driver/frame.h"
#include "driver/show.h"
#include "platform/clock.h"
#include "scenes/cave_scene.h"
#include "scenes/cloud_scene.h"
#include "scenes/dragonfly_scene.h"
#include "scenes/feather_scene.h"
#include "scenes/lighthouse_scene.h"
#include "scenes/line_background_scene.h"
#include "scenes/raindrop_scene.h"
#include "scenes/transition_overlay.h"
#include "video/image.h"
#include "video/screen.h"

namespace {

typedef std::chrono::steady_clock Clock;

struct Options {
    int frames = 100;
    std::string format = "table";
    bool show = true;
};

struct Case {
    const char* name;
    uint32_t start; // demo time of the first measured frame
    std::function<void(uint32_t)> frame;
};

struct Result {
    std::string name;
    double medianMs;
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Runs `frame` at start, start + 20, ... and returns the median time of one.
double measure(const Case& c, int frames) {
    c.frame(c.start); // warm caches and lazy state
    std::vector<double> times;
    for (int i = 1; i <= frames; i++) {
        const auto start = Clock::now();
        c.frame(c.start + 20 * i);
        times.push_back(millisecondsSince(start));
    }
    return median(times);
}

bool parseArguments(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; i++) {
        const std::string arg = argv[i];
        if (arg == "--frames" && i + 1 < argc) {
            options.frames = atoi(argv[++i]);
            if (options.frames < 1) return false;
        } else if (arg == "--format" && i + 1 < argc) {
            options.format = argv[++i];
            if (options.format != "table" && options.format != "csv" && options.format != "json")
                return false;
        } else if (arg == "--no-show") {
            options.show = false;
        } else {
            return false;
        }
    }
    return true;
}

std::vector<Case> sceneCases() {
    Show& s = theShow;
    Screen* screen = Screen::instance();
    auto drawn = [screen](std::function<void()> render) {
        screen->lock();
        render();
        screen->unlock();
    };
    return {
        {"feather", 10000,
         [=, &s](uint32_t t) { s.feather->update(t), drawn([&] { s.feather->render(); }); }},
        {"lighthouse", 52000,
         [=, &s](uint32_t t) { s.lighthouse->update(t), drawn([&] { s.lighthouse->render(); }); }},
        {"line background", 70000,
         [=, &s](uint32_t t) {
             s.lineBackground->update(t), drawn([&] { s.lineBackground->render(); });
         }},
        {"raindrops", 70000,
         [=, &s](uint32_t t) { s.raindrops->update(t), drawn([&] { s.raindrops->render(); }); }},
        {"clouds", 100000,
         [=, &s](uint32_t t) { s.clouds->update(t), drawn([&] { s.clouds->render(); }); }},
        {"cave", 160000,
         [=, &s](uint32_t t) { s.cave->update(t), drawn([&] { s.cave->render(); }); }},
        {"dragonfly", 200000,
         [=, &s](uint32_t t) { s.dragonfly->update(t), drawn([&] { s.dragonfly->render(); }); }},
        {"sky picture", 240000, [=, &s](uint32_t) { drawn([&] { s.skyImage->copyToScreen(); }); }},
        // The overlay over the cave, through the middle of a run where it
        // works on every pixel that is not white.
        {"overlay (over cave)", 160000,
         [=, &s](uint32_t t) {
             if (t == 160000) s.transition->restart(t - 1100);
             s.transition->update(t);
             drawn([&] { s.transition->render(); });
         }},
    };
}

void print(const Options& options, const std::vector<Result>& results, double copyMs,
           double showSeconds, uint32_t showFrames) {
    if (options.format == "csv") {
        printf("scene,median_ms,fps,frame_copies\n");
        for (const Result& r : results)
            printf("%s,%.4f,%.1f,%.1f\n", r.name.c_str(), r.medianMs, 1000.0 / r.medianMs,
                   r.medianMs / copyMs);
        printf("frame copy,%.4f,%.1f,1.0\n", copyMs, 1000.0 / copyMs);
        if (showFrames)
            printf("whole show,%.3f,%.1f,\n", showSeconds * 1000.0 / showFrames,
                   showFrames / showSeconds);
    } else if (options.format == "json") {
        printf("{\n  \"frames\": %d,\n  \"frame_copy_ms\": %.4f,\n  \"scenes\": [\n",
               options.frames, copyMs);
        for (size_t i = 0; i < results.size(); i++)
            printf("    {\"scene\": \"%s\", \"median_ms\": %.4f, \"fps\": %.1f, "
                   "\"frame_copies\": %.1f}%s\n",
                   results[i].name.c_str(), results[i].medianMs, 1000.0 / results[i].medianMs,
                   results[i].medianMs / copyMs, i + 1 < results.size() ? "," : "");
        printf("  ]");
        if (showFrames)
            printf(",\n  \"whole_show\": {\"frames\": %u, \"seconds\": %.3f}", showFrames,
                   showSeconds);
        printf("\n}\n");
    } else {
        printf("%-22s %12s %10s %14s\n", "scene", "median ms", "fps", "frame copies");
        for (const Result& r : results)
            printf("%-22s %12.3f %10.1f %14.1f\n", r.name.c_str(), r.medianMs, 1000.0 / r.medianMs,
                   r.medianMs / copyMs);
        printf("%-22s %12.4f %10.1f %14.1f\n", "frame copy (153600 B)", copyMs, 1000.0 / copyMs,
               1.0);
        if (showFrames)
            printf("\nwhole show offline: %u frames at 20 ms steps in %.2f s (%.1f frames/s)\n",
                   showFrames, showSeconds, showFrames / showSeconds);
    }
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseArguments(argc, argv, options)) {
        fprintf(stderr, "usage: demo-bench [--frames N] [--format table|csv|json] [--no-show]\n");
        return 2;
    }
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    platform::setVirtualTicks(0);
    startUp();
    prepareFirstFrame();
    Screen* screen = Screen::instance();

    std::vector<Result> results;
    for (const Case& c : sceneCases())
        results.push_back({c.name, measure(c, options.frames)});

    // The floor: one block copy of a whole frame.
    static uint16_t scratch[SCREEN_PIXELS];
    const Case copy = {"frame copy", 0, [&](uint32_t t) {
                           memcpy(scratch, screen->pixels, SCREEN_BYTES);
                           screen->pixels[t % SCREEN_PIXELS] ^= scratch[(t * 7) % SCREEN_PIXELS];
                       }};
    const double copyMs = measure(copy, std::max(options.frames, 200));

    double showSeconds = 0;
    uint32_t showFrames = 0;
    if (options.show) {
        // Start again from the beginning of the show, as the capture tool does.
        sceneMask = 0;
        const auto start = Clock::now();
        for (uint32_t t = 20;; t += 20) {
            platform::setVirtualTicks(t);
            runFrame(demoClock());
            showFrames++;
            if (showEnded()) break;
        }
        showSeconds = millisecondsSince(start) / 1000.0;
    }
    print(options, results, copyMs, showSeconds, showFrames);
    shutDown();
    return 0;
}
