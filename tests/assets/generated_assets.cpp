#include "generated_assets.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <sys/stat.h>

using testing_support::TempDir;

int runAssets(const std::string& arguments, std::string* output) {
    return testing_support::runCommand(
        testing_support::programCommand("demo-assets") + " " + arguments, "/tmp", output);
}

const std::string& generatedAssets() {
    static std::unique_ptr<TempDir> dir;
    static std::string path;
    if (!path.empty()) return path;
    // Under ctest a fixture has written the set already; a test program run
    // by hand writes its own.
    const char* shared = std::getenv("DEMO_GENERATED_ASSETS");
    struct stat info;
    if (shared && stat(shared, &info) == 0 && S_ISDIR(info.st_mode)) {
        path = shared;
    } else {
        dir = std::make_unique<TempDir>();
        path = dir->path() + "/data";
        std::string output;
        EXPECT_EQ(0, runAssets("--out '" + path + "' --no-music", &output)) << output;
    }
    return path;
}
