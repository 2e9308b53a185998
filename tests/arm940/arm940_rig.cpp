#include "arm940_rig.h"

#if DEMO_HAVE_UNICORN

#include <sys/mman.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "test_support.h"

namespace arm940_test {

using testing_support::readFile;

const std::vector<uint8_t>& programImage() {
    static const std::vector<uint8_t> image = readFile(ARM940_PROGRAM);
    return image;
}

std::vector<uint8_t> makeOgg(long frames, int channels, int rate, float quality, unsigned seed) {
    testing_support::TempDir dir;
    const std::string command = testing_support::programCommand("make-arm940-ogg") + " " +
                                dir.file("t.ogg") + " " + std::to_string(frames) + " " +
                                std::to_string(channels) + " " + std::to_string(rate) + " " +
                                std::to_string(quality) + " " + std::to_string(seed);
    if (testing_support::runCommand(command, dir.path()) != 0)
        throw std::runtime_error("make-arm940-ogg failed: " + command);
    return readFile(dir.file("t.ogg"));
}

Rig::Rig(const std::vector<uint8_t>& image) {
    void* mapped =
        mmap(nullptr, WINDOW_SIZE, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) throw std::runtime_error("no memory for the window");
    window = static_cast<uint8_t*>(mapped);
    memcpy(window, image.data(), image.size());
    setWord(DATA_OFFSET, MUSIC);
    core.reset(new EmulatedArm940(window, WINDOW_SIZE));
}

Rig::~Rig() {
    core.reset();
    munmap(window, WINDOW_SIZE);
}

uint32_t Rig::word(uint32_t offset) const {
    uint32_t value;
    memcpy(&value, window + offset, 4);
    return value;
}

void Rig::setWord(uint32_t offset, uint32_t value) {
    memcpy(window + offset, &value, 4);
}

void Rig::placeMusic(const std::vector<uint8_t>& ogg, bool announce) {
    setWord(LOAD_DONE, 0);
    memcpy(window + MUSIC, ogg.data(), ogg.size());
    setWord(LOAD_DONE, 1);
    setWord(DATA_LENGTH, static_cast<uint32_t>(ogg.size()));
    if (announce) setWord(NEW_DATA, 1);
}

bool Rig::runUntilIdle(int maxSteps) {
    for (int i = 0; i < maxSteps; i++)
        if (!core->step()) return true;
    return false;
}

bool Rig::takeNext() {
    if (word(FULL[next]) == 0) return false;
    pcm.insert(pcm.end(), window + PCM[next], window + PCM[next] + PCM_BYTES);
    setWord(FULL[next], 0);
    next ^= 1;
    return true;
}

std::vector<uint8_t> Rig::playToEnd(int maxSteps) {
    setWord(PLAY, 1);
    for (int i = 0; i < maxSteps; i++) {
        const bool busy = core->step();
        while (takeNext()) {
        }
        if (!busy && (core->lastIdleReason() == EmulatedArm940::FINISHED || core->faulted())) break;
    }
    while (takeNext()) {
    }
    return pcm;
}

} // namespace arm940_test

#endif // DEMO_HAVE_UNICORN
