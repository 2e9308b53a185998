// The loading screen as start-up leaves it, captured by demo-capture from a
// data folder whose console font is a synthetic sheet.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "font_test_sheet.h"

using namespace font_testing;
using namespace testing_support;

namespace {

// A data folder: the project's assets (if any) linked in, our own font.png.
void makeDataFolder(const TempDir& dir, const std::vector<uint16_t>& sheet) {
    const std::string data = dir.file("data");
    ASSERT_EQ(mkdir(data.c_str(), 0755), 0);
    if (DIR* assets = opendir(dataDir().c_str())) {
        while (dirent* entry = readdir(assets)) {
            const std::string name = entry->d_name;
            if (name == "." || name == ".." || name == "font.png") continue;
            ASSERT_EQ(symlink((dataDir() + "/" + name).c_str(), (data + "/" + name).c_str()), 0);
        }
        closedir(assets);
    }
    writePicture(data + "/font.png", 128, 45, sheet);
}

TEST(LoadingScreen, ShowsTheBarAfterThirteenSteps) {
    TempDir dir;
    std::vector<uint16_t> sheet = numberedSheet(128, 45);
    // Each bar glyph 'a'..'f' (65..70: row 4, columns 1..6) has a transparent
    // top-left pixel.
    for (int k = 65; k <= 70; k++)
        sheet[36 * 128 + 8 * (k % 16)] = TRANSPARENT_KEY;
    makeDataFolder(dir, sheet);

    std::string output;
    ASSERT_EQ(runCommand(programCommand("demo-capture") + " --until 0 --at loading --out out",
                         dir.path(), &output),
              0)
        << output;
    int width = 0, height = 0;
    const std::vector<uint16_t> frame =
        loadPicture(dir.file("out/frame-loading.png"), &width, &height);
    ASSERT_EQ(frame.size(), size_t(SCREEN_PIXELS));

    // White everywhere but row 11 of the console, which reads, from column 4:
    const std::string bar = "ffffffffffffffffffffffffffebc";
    std::vector<uint16_t> expected(SCREEN_PIXELS, 0xFFFF);
    for (size_t n = 0; n < bar.size(); n++) {
        const int k = bar[n] - 32;
        const int x = 5 + 8 * (4 + int(n)), y = 5 + 10 * 11;
        for (int t = 0; t < 9; t++)
            for (int j = 0; j < 8; j++) {
                const uint16_t p = sheet[(36 + t) * 128 + 8 * (k % 16) + j];
                if (p != TRANSPARENT_KEY) expected[(y + t) * SCREEN_WIDTH + x + j] = p;
            }
    }
    int wrong = 0;
    for (int i = 0; i < SCREEN_PIXELS; i++)
        wrong += frame[i] != expected[i];
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(frame[115 * SCREEN_WIDTH + 37], 0xFFFF); // the key in column 4's 'f'
    EXPECT_EQ(frame[115 * SCREEN_WIDTH + 38], sheetPixel(49, 36, 128));
}

} // namespace
