// The sound devices that stand in for /dev/dsp: SDL audio behind a blocking
// write on desktops, and the capture tool's WAV file.
#include <SDL.h>

#include <chrono>

#include "platform/sound_device.h"
#include "sound_rig.h"
#include "tools/wav_sound_device.h"

using namespace sound_rig;

#ifndef DEMO_HANDHELD
// Without /dev/dsp (as on this machine) the desktop plays through SDL; its
// write must hold the writer to the device's pace as the real device does.
// SDL's dummy driver consumes sound in real time and plays nothing.
TEST(DesktopSoundDevice, WritesAtTheDevicesPace) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_AUDIO), 0) << SDL_GetError();
    const platform::SoundDevice& dsp = platform::systemSoundDevice();
    const int device = dsp.open();
    ASSERT_GT(device, 0);
    int speed = 44100;
    EXPECT_EQ(dsp.control(device, platform::SNDCTL_DSP_SPEED, &speed), 0);

    const std::vector<uint8_t> silence(PCM_BLOCK_BYTES, 0);
    const int blocks = 12; // 557 ms of sound
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < blocks; i++)
        ASSERT_EQ(dsp.write(device, silence.data(), silence.size()), long(PCM_BLOCK_BYTES));
    const double elapsedMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    dsp.close(device);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    // The queue and SDL's own buffer hold about two blocks; the rest had to
    // wait for the device.
    EXPECT_GT(elapsedMs, 300.0);
    EXPECT_LT(elapsedMs, 3000.0);
}
#endif

TEST(WavSoundDevice, KeepsTheFirstBytesUpToItsLimitInAPlayableFile) {
    testing_support::TempDir folder;
    const std::string path = folder.file("show.wav");
    const uint32_t limit = 2 * PCM_BLOCK_BYTES + 1002; // rounded down to whole frames
    ASSERT_TRUE(platform::prepareWavSoundDevice(path, limit));
    const platform::SoundDevice& wav = platform::wavSoundDevice();
    const int device = wav.open();
    ASSERT_GT(device, 0);
    const std::vector<uint8_t> pcm = patternBytes(3 * PCM_BLOCK_BYTES, 31);
    for (int i = 0; i < 3; i++)
        EXPECT_EQ(wav.write(device, pcm.data() + i * PCM_BLOCK_BYTES, PCM_BLOCK_BYTES),
                  long(PCM_BLOCK_BYTES));
    EXPECT_EQ(platform::wavBytesWritten(), 2 * PCM_BLOCK_BYTES + 1000);
    wav.close(device);

    const std::vector<uint8_t> file = testing_support::readFile(path);
    const uint32_t kept = 2 * PCM_BLOCK_BYTES + 1000;
    ASSERT_EQ(file.size(), 44 + kept);
    auto word = [&](size_t at) {
        return uint32_t(file[at]) | uint32_t(file[at + 1]) << 8 | uint32_t(file[at + 2]) << 16 |
               uint32_t(file[at + 3]) << 24;
    };
    EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "RIFF");
    EXPECT_EQ(word(4), 36 + kept);
    EXPECT_EQ(std::string(file.begin() + 8, file.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(word(20), 0x00020001u); // integer PCM, two channels
    EXPECT_EQ(word(24), 44100u);
    EXPECT_EQ(word(28), 44100u * 4);
    EXPECT_EQ(word(32), 0x00100004u); // 4 bytes a frame, 16 bits a sample
    EXPECT_EQ(std::string(file.begin() + 36, file.begin() + 40), "data");
    EXPECT_EQ(word(40), kept);
    EXPECT_TRUE(std::equal(file.begin() + 44, file.end(), pcm.begin()));
}
