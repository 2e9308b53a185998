// demo-arm940-bench: runs the second CPU's program in the emulated ARM940T on
// one music file, as fast as it goes, and reports its speed against real time
// and whether its PCM equals native Tremor's, byte for byte.
//
//   demo-arm940-bench [OGG] [--count]
//
// OGG defaults to data/warmer.ogg. --count runs it a second time with every
// executed instruction counted (slower), for instructions per second of sound.
#include <sys/mman.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "platform/desktop/block_decoder.h"
#include "platform/desktop/emulated_arm940.h"
#include "platform/shared_sound_block.h"

namespace {

// Window offsets of the shared block's words.
const uint32_t BLOCK = SHARED_BLOCK_OFFSET;
const uint32_t FULL[2] = {BLOCK + offsetof(SharedSoundBlock, slot[0].full),
                          BLOCK + offsetof(SharedSoundBlock, slot[1].full)};
const uint32_t PCM[2] = {BLOCK + offsetof(SharedSoundBlock, slot[0].pcm),
                         BLOCK + offsetof(SharedSoundBlock, slot[1].pcm)};
const double BYTES_PER_SECOND = 44100.0 * 4;

std::vector<uint8_t> readAll(const std::string& path) {
    std::vector<uint8_t> bytes;
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) return bytes;
    uint8_t chunk[65536];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    fclose(file);
    return bytes;
}

void setWord(uint8_t* window, uint32_t offset, uint32_t value) {
    memcpy(window + offset, &value, 4);
}
uint32_t word(const uint8_t* window, uint32_t offset) {
    uint32_t value;
    memcpy(&value, window + offset, 4);
    return value;
}

double threadSeconds() {
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec * 1e-9;
}

struct Run {
    std::vector<uint8_t> pcm;
    double wallSeconds = 0, cpuSeconds = 0;
    uint64_t instructions = 0;
    bool faulted = false;
};

// The main CPU's side, at full speed: the music placed, play on, every block
// taken as soon as it is full.
Run emulate(const std::vector<uint8_t>& image, const std::vector<uint8_t>& ogg, bool count) {
    Run run;
    auto* window =
        static_cast<uint8_t*>(mmap(nullptr, COPROCESSOR_MEMORY_SIZE, PROT_READ | PROT_WRITE,
                                   MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    memcpy(window, image.data(), image.size());
    setWord(window, BLOCK + offsetof(SharedSoundBlock, dataOffset), MUSIC_AREA_OFFSET);
    memcpy(window + MUSIC_AREA_OFFSET, ogg.data(), ogg.size());
    setWord(window, BLOCK + offsetof(SharedSoundBlock, loadDone), 1);
    setWord(window, BLOCK + offsetof(SharedSoundBlock, dataLength),
            static_cast<uint32_t>(ogg.size()));
    setWord(window, BLOCK + offsetof(SharedSoundBlock, newData), 1);
    setWord(window, BLOCK + offsetof(SharedSoundBlock, play), 1);
    {
        EmulatedArm940 cpu(window, COPROCESSOR_MEMORY_SIZE);
        if (count) cpu.countInstructions();
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = threadSeconds();
        int next = 0;
        for (;;) {
            const bool busy = cpu.step();
            while (word(window, FULL[next])) {
                run.pcm.insert(run.pcm.end(), window + PCM[next],
                               window + PCM[next] + PCM_BLOCK_BYTES);
                setWord(window, FULL[next], 0);
                next ^= 1;
            }
            if (!busy && (cpu.faulted() || cpu.lastIdleReason() == EmulatedArm940::FINISHED)) break;
        }
        run.cpuSeconds = threadSeconds() - cpuStart;
        run.wallSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        run.instructions = cpu.instructionCount();
        run.faulted = cpu.faulted();
    }
    munmap(window, COPROCESSOR_MEMORY_SIZE);
    return run;
}

} // namespace

int main(int argc, char** argv) {
    std::string path = "data/warmer.ogg";
    bool count = false;
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "--count") == 0)
            count = true;
        else
            path = argv[i];
    }
    const std::vector<uint8_t> image = readAll(ARM940_PROGRAM);
    const std::vector<uint8_t> ogg = readAll(path);
    if (image.empty() || ogg.empty() || ogg.size() > MUSIC_AREA_SIZE) {
        fprintf(stderr, "demo-arm940-bench: cannot read %s or %s\n", ARM940_PROGRAM, path.c_str());
        return 1;
    }
    const Run run = emulate(image, ogg, false);
    const double audio = run.pcm.size() / BYTES_PER_SECOND;
    const double nativeStart = threadSeconds();
    const std::vector<uint8_t> native = decodeToBlocks(ogg);
    const double nativeSeconds = threadSeconds() - nativeStart;
    printf("music:            %s, %.1f s of sound (%zu blocks)\n", path.c_str(), audio,
           run.pcm.size() / PCM_BLOCK_BYTES);
    printf("emulated ARM940T: %.2f s wall, %.2f s CPU: %.2fx real time (wall), %.2fx (CPU)\n",
           run.wallSeconds, run.cpuSeconds, audio / run.wallSeconds, audio / run.cpuSeconds);
    printf("native Tremor:    %.2f s CPU: %.1fx real time\n", nativeSeconds, audio / nativeSeconds);
    printf("same PCM:         %s%s\n", run.pcm == native ? "yes" : "NO",
           run.faulted ? " (the core faulted)" : "");
    if (count) {
        const Run counted = emulate(image, ogg, true);
        printf("instructions:     %llu, %.1f million per second of sound; %.0f million per second "
               "emulated (uncounted run)\n",
               static_cast<unsigned long long>(counted.instructions),
               counted.instructions / audio / 1e6, counted.instructions / run.cpuSeconds / 1e6);
    }
    return run.pcm == native && !run.faulted ? 0 : 1;
}
