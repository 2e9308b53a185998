// demo-microbench: Google Benchmark timings of the show's innermost loops,
// each through the public entry point its owner offers. Run it from the
// folder that holds data/ (the scenes load their real pictures):
//
//   demo-microbench [--benchmark_filter=REGEX] [--benchmark_format=console|csv|json] ...
//
// demo-bench gives whole scenes per frame; these isolate one loop each, so
// that a change to one of them can be measured on its own.
#include <benchmark/benchmark.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>

#include "core/trig_tables.h"
#include "video/screen.h"

int main(int argc, char** argv) {
    struct stat info;
    if (stat("data", &info) != 0 || !S_ISDIR(info.st_mode)) {
        fprintf(stderr, "demo-microbench: run me from the folder that holds data/\n");
        return 1;
    }
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    buildTrigTables();
    Screen::instance();

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Screen::destroyInstance();
    return 0;
}
