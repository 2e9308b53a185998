#include "arm940_rig.h"

#if DEMO_HAVE_UNICORN

#include <sys/mman.h>
#include <tremor/ivorbisfile.h>

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

namespace {
struct Source {
    const std::vector<uint8_t>* bytes;
    size_t position;
};

size_t readSource(void* destination, size_t size, size_t count, void* from) {
    auto* source = static_cast<Source*>(from);
    if (size == 0) return 0;
    size_t items = (source->bytes->size() - source->position) / size;
    if (items > count) items = count;
    memcpy(destination, source->bytes->data() + source->position, items * size);
    source->position += items * size;
    return items;
}
} // namespace

std::vector<uint8_t> nativePcm(const std::vector<uint8_t>& ogg) {
    Source source{&ogg, 0};
    OggVorbis_File file;
    const ov_callbacks callbacks = {readSource, nullptr, nullptr, nullptr};
    std::vector<uint8_t> out;
    if (ov_open_callbacks(&source, &file, nullptr, 0, callbacks) != 0) return out;
    std::vector<uint8_t> block(PCM_BYTES);
    for (;;) {
        size_t filled = 0;
        while (filled < PCM_BYTES) {
            const vorbis_info* info = ov_info(&file, -1);
            const int channels = info ? info->channels : 0;
            int section = 0;
            long got = 0;
            if (channels == 2) {
                got = ov_read(&file, reinterpret_cast<char*>(&block[filled]),
                              static_cast<int>(PCM_BYTES - filled), &section);
            } else if (channels == 1) {
                int16_t mono[PCM_BYTES / 4];
                got = ov_read(&file, reinterpret_cast<char*>(mono),
                              static_cast<int>((PCM_BYTES - filled) / 2), &section);
                if (got > 0) {
                    for (long i = 0; i < got / 2; i++) {
                        memcpy(&block[filled + 4 * i], &mono[i], 2);
                        memcpy(&block[filled + 4 * i + 2], &mono[i], 2);
                    }
                    got = got / 2 * 4;
                }
            }
            if (got == OV_HOLE) continue;
            if (got <= 0) break;
            filled += static_cast<size_t>(got);
        }
        if (filled == 0) break;
        std::fill(block.begin() + static_cast<long>(filled), block.end(), 0);
        out.insert(out.end(), block.begin(), block.end());
        if (filled < PCM_BYTES) break;
    }
    ov_clear(&file);
    return out;
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
