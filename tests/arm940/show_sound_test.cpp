// The whole sound path with the real program: demo-capture's WAV of a short
// piece is the same, byte for byte, whether the desktop runs the program in
// the emulated ARM940T or the desktop image in its native stand-in.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>

#include "arm940_rig.h"
#include "test_support.h"
#include "tools/coprocessor_image_file.h"

#if DEMO_HAVE_UNICORN
using namespace arm940_test;
using testing_support::TempDir;

namespace {

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

// A data folder with the show's pictures and meshes, this music and this
// program image.
void makeDataFolder(const std::string& dir, const std::vector<uint8_t>& music,
                    const std::vector<uint8_t>& program) {
    const std::string data = dir + "/data";
    ASSERT_EQ(mkdir(data.c_str(), 0755), 0);
    const std::string show = testing_support::dataDir();
    DIR* folder = opendir(show.c_str());
    ASSERT_NE(folder, nullptr) << "make data/ first";
    while (dirent* entry = readdir(folder)) {
        const std::string name = entry->d_name;
        if (name[0] == '.' || name == "warmer.ogg" || name == "ogg940.bin") continue;
        ASSERT_EQ(symlink((show + "/" + name).c_str(), (data + "/" + name).c_str()), 0);
    }
    closedir(folder);
    writeBytes(data + "/warmer.ogg", music);
    writeBytes(data + "/ogg940.bin", program);
}

std::vector<uint8_t> captureSound(const std::vector<uint8_t>& music,
                                  const std::vector<uint8_t>& program) {
    TempDir dir;
    makeDataFolder(dir.path(), music, program);
    const std::string command = testing_support::programCommand("demo-capture") +
                                " --until 40 --out cap --wav show.wav > /dev/null 2>&1";
    EXPECT_EQ(testing_support::runCommand(command, dir.path()), 0) << command;
    return testing_support::readFile(dir.file("show.wav"));
}

} // namespace

TEST(Arm940ShowSound, CaptureGivesTheSameWavWithTheRealProgramAsWithTheNativeStandIn) {
    REQUIRE_PROGRAM();
    const std::vector<uint8_t> music = makeOgg(44100 * 2, 2, 44100, 0.4f, 21);
    const std::vector<uint8_t> emulated = captureSound(music, programImage());
    const std::vector<uint8_t> native = captureSound(music, makeDesktopCoprocessorImage());
    const std::vector<uint8_t> pcm = decodeToBlocks(music);
    ASSERT_GT(emulated.size(), pcm.size());
    EXPECT_TRUE(emulated == native);
    EXPECT_NE(std::search(emulated.begin(), emulated.end(), pcm.begin(), pcm.end()), emulated.end())
        << "the WAV holds the music's PCM";
}

#endif // DEMO_HAVE_UNICORN
