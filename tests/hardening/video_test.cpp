// demo-capture --video: the frames of the show encoded by ffmpeg at
// 1000 / step frames a second, enlarged with sharp pixels, with the music;
// without ffmpeg a clear message and no file at all.
#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "show_folder.h"
#include "video/image.h"

using namespace hardening;
using namespace testing_support;

namespace {

bool ffmpegPresent() {
    return system("command -v ffmpeg >/dev/null 2>&1") == 0;
}

std::set<std::string> filesIn(const std::string& dir) {
    std::set<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* entry = readdir(d))
            if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0)
                names.insert(entry->d_name);
        closedir(d);
    }
    return names;
}

std::string capture(const std::string& arguments) {
    return programCommand("demo-capture") + " " + arguments;
}

// One value of ffprobe's report on the first video (or audio) stream.
std::string probe(const std::string& file, const std::string& entry,
                  const std::string& stream = "v:0") {
    std::string out;
    runCommand("ffprobe -v error -select_streams " + stream +
                   " -count_frames -show_entries stream=" + entry +
                   " -of default=noprint_wrappers=1:nokey=1 '" + file + "'",
               "/", &out);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
        out.pop_back();
    return out;
}

// Mean difference per channel (0..255) between decoded RGB and a captured
// RGB565 frame enlarged `scale` times by repeating pixels.
double meanDifference(const std::vector<uint8_t>& rgb, const std::vector<uint8_t>& frame,
                      int scale) {
    const int width = 320 * scale, height = 240 * scale;
    if (rgb.size() != static_cast<size_t>(width) * height * 3 || frame.size() != 153600) return 1e9;
    double sum = 0;
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            const size_t source = (static_cast<size_t>(y / scale) * 320 + x / scale) * 2;
            uint8_t expected[3];
            rgb565ToRgb888(static_cast<uint16_t>(frame[source] | frame[source + 1] << 8), expected);
            for (int c = 0; c < 3; c++)
                sum += std::abs(rgb[(static_cast<size_t>(y) * width + x) * 3 + c] - expected[c]);
        }
    return sum / (static_cast<double>(width) * height * 3);
}

TEST(Video, FramesAtTheStepRateEnlargedWithSharpPixels) {
    if (!ffmpegPresent()) GTEST_SKIP() << "ffmpeg is not installed";
    TempDir dir;
    std::string output;
    // Frames at 0, 1000, ... 6000 ms: seven frames at one a second.
    ASSERT_EQ(runCommand(capture("--step 1000 --until 6000 --at 4000,5000 --raw --scale 2 "
                                 "--video '" +
                                 dir.file("show.mp4") + "' --out '" + dir.file("frames") + "'"),
                         DEMO_SOURCE_DIR, &output),
              0)
        << output;
    EXPECT_NE(output.find("demo-capture: video 100%, 7 of 7 frames"), std::string::npos) << output;
    // Only the finished video is left beside the frames.
    EXPECT_EQ(filesIn(dir.path()), (std::set<std::string>{"frames", "show.mp4"}));

    const std::string video = dir.file("show.mp4");
    EXPECT_EQ(probe(video, "width"), "640");
    EXPECT_EQ(probe(video, "height"), "480");
    EXPECT_EQ(probe(video, "r_frame_rate"), "1/1");
    EXPECT_EQ(probe(video, "nb_read_frames"), "7");
    // The music comes along, as long as the pictures.
    EXPECT_EQ(probe(video, "codec_type", "a:0"), "audio");
    const double soundSeconds = atof(probe(video, "duration", "a:0").c_str());
    EXPECT_NEAR(soundSeconds, 7.0, 0.1);

    // Video frame 5 shows demo time 5000 ms, pixel for pixel up to what the
    // lossy encoding changes, and clearly not the frame before it.
    ASSERT_EQ(runCommand("ffmpeg -v error -i show.mp4 -vf 'select=eq(n\\,5)' -vframes 1 -f "
                         "rawvideo -pix_fmt rgb24 frame5.rgb",
                         dir.path(), &output),
              0)
        << output;
    const std::vector<uint8_t> decoded = readFile(dir.file("frame5.rgb"));
    const double same = meanDifference(decoded, readFile(dir.file("frames/frame-5000.rgb565")), 2);
    const double before =
        meanDifference(decoded, readFile(dir.file("frames/frame-4000.rgb565")), 2);
    EXPECT_LT(same, 4.0);
    EXPECT_GT(before, 2 * same);
}

// Without ffmpeg on the PATH: the message names the package, the exit status
// is 1 and nothing at all is written, not even the frame folder.
TEST(Video, WithoutFfmpegSaysWhatToInstallAndWritesNothing) {
    TempDir dir, bin;
    // Only the emulator that runs the tools in a cross build stays reachable.
    const std::string launcher = DEMO_PROGRAM_LAUNCHER;
    if (!launcher.empty()) {
        const std::string name = launcher.substr(1, launcher.find('\'', 1) - 1);
        std::string where;
        runCommand("command -v '" + name + "'", "/", &where);
        while (!where.empty() && where.back() == '\n')
            where.pop_back();
        ASSERT_EQ(symlink(where.c_str(), bin.file(name).c_str()), 0) << where;
    }
    std::string output;
    const int status = runCommand("PATH='" + bin.path() + "' " +
                                      capture("--step 1000 --video show.mp4 --out frames"),
                                  dir.path(), &output);
    EXPECT_EQ(status, 1) << output;
    EXPECT_NE(output.find("ffmpeg"), std::string::npos) << output;
    EXPECT_NE(output.find("apt-get install ffmpeg"), std::string::npos) << output;
    EXPECT_EQ(filesIn(dir.path()), std::set<std::string>{});
}

} // namespace
