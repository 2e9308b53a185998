#include "sound_rig.h"

#include <tremor/ivorbisfile.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <thread>

#include "platform/hardware_registers.h"
#include "platform/physical_memory.h"
#include "sound/audio_thread.h"
#include "sound/coprocessor_link.h"

namespace sound_rig {
namespace fake_device {
namespace {

const int FAKE_DEVICE = 7;

std::mutex lock;
bool failing = false;
int openCount = 0;
int closeCount = 0;
std::vector<RecordedWrite> recorded;
size_t recordedBytes = 0;
std::vector<std::pair<unsigned long, int>> requestLog;
int room = -1;
bool writesHeld = false;
int startedWrites = 0;
std::condition_variable writesReleased;

int openFake() {
    std::lock_guard<std::mutex> guard(lock);
    openCount++;
    return failing ? -1 : FAKE_DEVICE;
}

int controlFake(int, unsigned long request, void* argument) {
    std::lock_guard<std::mutex> guard(lock);
    int value = 0;
    if (request != platform::SNDCTL_DSP_GETOSPACE) memcpy(&value, argument, sizeof value);
    if (request == platform::SNDCTL_DSP_GETOSPACE && room >= 0) {
        const platform::OssBufferInfo info = {room / 2048, 2, 2048, room};
        memcpy(argument, &info, sizeof info);
        return 0; // looked at before every write: not worth recording
    }
    requestLog.push_back({request, value});
    return 0;
}

long writeFake(int, const void* data, size_t length) {
    {
        std::unique_lock<std::mutex> guard(lock);
        startedWrites++;
        writesReleased.wait(guard, [] { return !writesHeld; });
    }
    RecordedWrite write;
    write.buffer = -1;
    write.flagDuringWrite = 0;
    for (int i = 0; i < 2; i++) {
        if (sharedBlock && data == sharedBlock->buffer(i)) {
            write.buffer = i;
            write.flagDuringWrite = sharedBlock->bufferFull(i).load();
        }
    }
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    write.bytes.assign(bytes, bytes + length);
    std::lock_guard<std::mutex> guard(lock);
    recordedBytes += length;
    recorded.push_back(std::move(write));
    return static_cast<long>(length);
}

void closeFake(int) {
    std::lock_guard<std::mutex> guard(lock);
    closeCount++;
}

const platform::SoundDevice FAKE = {openFake, controlFake, writeFake, closeFake};

} // namespace

void reset(bool failToOpen) {
    std::lock_guard<std::mutex> guard(lock);
    failing = failToOpen;
    openCount = closeCount = 0;
    recorded.clear();
    recordedBytes = 0;
    requestLog.clear();
    room = -1;
    writesHeld = false;
    startedWrites = 0;
    writesReleased.notify_all();
}

const platform::SoundDevice& device() {
    return FAKE;
}

int opens() {
    std::lock_guard<std::mutex> guard(lock);
    return openCount;
}

int closes() {
    std::lock_guard<std::mutex> guard(lock);
    return closeCount;
}

std::vector<RecordedWrite> writes() {
    std::lock_guard<std::mutex> guard(lock);
    return recorded;
}

size_t bytesWritten() {
    std::lock_guard<std::mutex> guard(lock);
    return recordedBytes;
}

std::vector<std::pair<unsigned long, int>> requests() {
    std::lock_guard<std::mutex> guard(lock);
    return requestLog;
}

void answerRoom(int bytes) {
    std::lock_guard<std::mutex> guard(lock);
    room = bytes;
}

void holdWrites(bool held) {
    std::lock_guard<std::mutex> guard(lock);
    writesHeld = held;
    writesReleased.notify_all();
}

int writesStarted() {
    std::lock_guard<std::mutex> guard(lock);
    return startedWrites;
}

} // namespace fake_device

bool waitFor(const std::function<bool()>& condition, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

bool canMakeTestOgg() {
    return access(testing_support::builtProgram("make-test-ogg").c_str(), X_OK) == 0;
}

std::vector<uint8_t> makeTestOgg(const std::string& path, long frames, int channels,
                                 unsigned seed) {
    const std::string command = testing_support::programCommand("make-test-ogg") + " '" + path +
                                "' " + std::to_string(frames) + " " + std::to_string(channels) +
                                " " + std::to_string(seed);
    std::string output;
    EXPECT_EQ(testing_support::runCommand(command, "/tmp", &output), 0) << output;
    return testing_support::readFile(path);
}

namespace {
struct MemoryFile {
    const std::vector<uint8_t>* bytes;
    size_t position;
};

size_t readMemory(void* destination, size_t size, size_t count, void* source) {
    auto* file = static_cast<MemoryFile*>(source);
    size_t items = (file->bytes->size() - file->position) / size;
    if (items > count) items = count;
    if (items > 0) memcpy(destination, file->bytes->data() + file->position, items * size);
    file->position += items * size;
    return items;
}
} // namespace

std::vector<uint8_t> decodeWithTremor(const std::vector<uint8_t>& ogg) {
    MemoryFile file = {&ogg, 0};
    OggVorbis_File vorbis;
    const ov_callbacks callbacks = {readMemory, nullptr, nullptr, nullptr};
    std::vector<uint8_t> pcm;
    if (ov_open_callbacks(&file, &vorbis, nullptr, 0, callbacks) != 0) return pcm;
    char chunk[4096];
    int section = 0;
    long got;
    while ((got = ov_read(&vorbis, chunk, sizeof chunk, &section)) != 0) {
        if (got == OV_HOLE) continue; // a gap in the stream: decoding goes on
        if (got < 0) break;
        pcm.insert(pcm.end(), chunk, chunk + got);
    }
    ov_clear(&vorbis);
    return pcm;
}

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* file = fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    if (!bytes.empty()) {
        EXPECT_EQ(fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    }
    fclose(file);
}

std::vector<uint8_t> patternBytes(size_t length, unsigned seed) {
    std::vector<uint8_t> bytes(length);
    uint32_t state = seed * 2654435761u + 1;
    for (size_t i = 0; i < length; i++) {
        state = state * 1664525u + 1013904223u;
        bytes[i] = static_cast<uint8_t>(state >> 24);
    }
    return bytes;
}

double processCpuSeconds() {
    timespec now;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

} // namespace sound_rig

void SoundTest::SetUp() {
#ifdef DEMO_HANDHELD
    // These tests play the second CPU's part in emulated memory; on the
    // handheld they would reach the real hardware.
    GTEST_SKIP() << "the sound tests run against the desktop stand-ins";
#endif
    char here[4096];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    previousFolder = here;
    ASSERT_EQ(system(("mkdir -p '" + folder.file("data") + "'").c_str()), 0);
    ASSERT_EQ(chdir(folder.path().c_str()), 0);

    memDevice = platform::openPhysicalMemory();
    ASSERT_GT(memDevice, 0);
    registerWindow = static_cast<volatile uint16_t*>(platform::mapPhysicalMemory(
        memDevice, platform::REGISTER_WINDOW_SIZE, platform::REGISTER_BASE));
    ASSERT_NE(registerWindow, nullptr);
    // Power-on state of the second CPU: paused and held in reset, no
    // mutual interrupts set up.
    setReg(platform::CPU2_RUN_REGISTER, 0);
    setReg(platform::CPU2_CONTROL_REGISTER, platform::CPU2_HELD_IN_RESET_BANK3);
    for (uint32_t offset : {platform::MUTUAL_IRQ_ENABLE_MAIN, platform::MUTUAL_IRQ_ENABLE_CPU2,
                            platform::MUTUAL_IRQ_PENDING_MAIN, platform::MUTUAL_IRQ_PENDING_CPU2})
        setReg(offset, 0x1234);
    memory = static_cast<uint8_t*>(platform::mapPhysicalMemory(
        memDevice, platform::COPROCESSOR_WINDOW_SIZE, platform::COPROCESSOR_BASE));
    ASSERT_NE(memory, nullptr);

    sound_rig::fake_device::reset(false);
    platform::selectSoundDevice(&sound_rig::fake_device::device());
}

void SoundTest::TearDown() {
    stopSound();
    if (memory) platform::unmapPhysicalMemory(memory, platform::COPROCESSOR_WINDOW_SIZE);
    platform::closePhysicalMemory(memDevice);
    memDevice = -1;
    registerWindow = nullptr;
    platform::selectSoundDevice(nullptr);
    if (!previousFolder.empty()) {
        EXPECT_EQ(chdir(previousFolder.c_str()), 0);
    }
}

uint16_t SoundTest::reg(uint32_t offset) const {
    return platform::readRegister(registerWindow, offset);
}

void SoundTest::setReg(uint32_t offset, uint16_t value) {
    platform::writeRegister(registerWindow, offset, value);
}
