#include "generated_assets.h"

#include <gtest/gtest.h>

#include <memory>

using testing_support::TempDir;

int runAssets(const std::string& arguments, std::string* output) {
    return testing_support::runCommand(
        testing_support::programCommand("demo-assets") + " " + arguments, "/tmp", output);
}

const std::string& generatedAssets() {
    static std::unique_ptr<TempDir> dir;
    static std::string path;
    if (!dir) {
        dir = std::make_unique<TempDir>();
        path = dir->path() + "/data";
        std::string output;
        EXPECT_EQ(0, runAssets("--out '" + path + "' --no-music", &output)) << output;
    }
    return path;
}
