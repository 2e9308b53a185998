// The generator as a program: deterministic output and its --check mode.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "generated_assets.h"
#include "tools/image_writer.h"

using testing_support::readFile;
using testing_support::TempDir;

TEST(AssetGenerator, WritesTheSameBytesOnEveryRun) {
    TempDir second;
    std::string output;
    ASSERT_EQ(0, runAssets("--out '" + second.path() + "' --no-music", &output)) << output;
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(generatedAssets())) {
        const std::string name = entry.path().filename().string();
        const auto first = readFile(entry.path().string());
        EXPECT_FALSE(first.empty()) << name;
        EXPECT_TRUE(first == readFile(second.file(name))) << name << " differs between runs";
        files++;
    }
    EXPECT_EQ(43, files); // 40 pictures, 2 meshes, the program image
}

TEST(AssetGenerator, CheckPassesOnAFreshSet) {
    std::string output;
    EXPECT_EQ(0, runAssets("--check '" + generatedAssets() + "' --no-music", &output)) << output;
    EXPECT_EQ("", output);
}

TEST(AssetGenerator, CheckNamesMissingWrongAndBrokenFiles) {
    TempDir dir;
    std::filesystem::copy(generatedAssets(), dir.path(), std::filesystem::copy_options::recursive);
    // A missing picture, one of the wrong size, a mesh short of a face and a
    // file that is no picture at all.
    std::filesystem::remove(dir.file("spark.png"));
    const std::vector<uint16_t> small(100 * 50, 0x1234);
    ASSERT_TRUE(writeFramePng(dir.file("bg.png"), small.data(), 100, 50));
    {
        FILE* f = fopen(dir.file("luola.png").c_str(), "wb");
        ASSERT_NE(nullptr, f);
        fputs("not a picture", f);
        fclose(f);
    }
    {
        auto text = readFile(dir.file("kukka.ase"));
        std::string s(text.begin(), text.end());
        const size_t at = s.find("*MESH_FACE    0:");
        ASSERT_NE(std::string::npos, at);
        s.erase(at, s.find('\n', at) - at);
        FILE* f = fopen(dir.file("kukka.ase").c_str(), "w");
        ASSERT_NE(nullptr, f);
        fputs(s.c_str(), f);
        fclose(f);
    }
    std::string output;
    EXPECT_EQ(1, runAssets("--check '" + dir.path() + "' --no-music", &output));
    EXPECT_NE(std::string::npos, output.find("spark.png: is missing")) << output;
    EXPECT_NE(std::string::npos, output.find("bg.png: is 100x50, needs 320x240")) << output;
    EXPECT_NE(std::string::npos, output.find("luola.png: not a decodable PNG")) << output;
    EXPECT_NE(std::string::npos, output.find("kukka.ase: has 120 faces, needs exactly 121"))
        << output;
    // Every line names the file it is about.
    size_t start = 0;
    for (size_t end = output.find('\n'); end != std::string::npos;
         start = end + 1, end = output.find('\n', start)) {
        const std::string line = output.substr(start, end - start);
        const std::string name = line.substr(0, line.find(':'));
        EXPECT_TRUE(name == "spark.png" || name == "bg.png" || name == "luola.png" ||
                    name == "kukka.ase")
            << line;
    }
}

TEST(AssetGenerator, RejectsUnknownArguments) {
    std::string output;
    EXPECT_EQ(2, runAssets("--bogus", &output));
    EXPECT_NE(std::string::npos, output.find("usage")) << output;
}
