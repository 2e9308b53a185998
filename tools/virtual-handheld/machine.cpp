// virtual-handheld: the host side of the virtual handheld in which the
// handheld's own program runs under qemu-arm (scripts/test-handheld.sh).
//
//   virtual-handheld machine FILE   the machine: FILE models the physical
//                                   memory the program maps through /dev/mem
//   virtual-handheld decode OGG PCM what Tremor decodes OGG to (16-bit stereo)
//
// FILE holds the 64 KiB register window (physical 0xC0000000) at offset 0,
// then the second CPU's 15.5 MiB (physical 0x3000000) at offset 0x10000; the
// program's preload library (devices.c) maps the same file. The machine
// watches the second CPU's run and reset registers and runs the program in
// its memory while it is released, as the desktop's stand-in does, until its
// standard input closes.
#include <fcntl.h>
#include <sys/mman.h>
#include <tremor/ivorbisfile.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/desktop/second_cpu.h"
#include "platform/hardware_registers.h"
#include "platform/physical_memory.h"

namespace {

const size_t MEMORY_FILE_SIZE = platform::REGISTER_WINDOW_SIZE + platform::COPROCESSOR_WINDOW_SIZE;
// The run register's bits other than the second CPU's, which the program
// must write back unchanged.
const uint16_t RUN_REGISTER_OTHER_BITS = 0xA5A4;

int runMachine(const char* path) {
    const int file = open(path, O_RDWR | O_CREAT | O_TRUNC, 0644);
    if (file < 0 || ftruncate(file, MEMORY_FILE_SIZE) != 0) {
        perror(path);
        return 1;
    }
    void* mapped = mmap(nullptr, MEMORY_FILE_SIZE, PROT_READ | PROT_WRITE, MAP_SHARED, file, 0);
    if (mapped == MAP_FAILED) {
        perror("mmap");
        return 1;
    }
    auto* registers = static_cast<volatile uint16_t*>(mapped);
    uint8_t* memory = static_cast<uint8_t*>(mapped) + platform::REGISTER_WINDOW_SIZE;
    // Power-on: the second CPU paused and held in reset.
    platform::writeRegister(registers, platform::CPU2_RUN_REGISTER, RUN_REGISTER_OTHER_BITS);
    platform::writeRegister(registers, platform::CPU2_CONTROL_REGISTER,
                            platform::CPU2_HELD_IN_RESET_BANK3);

    SecondCpu cpu;
    cpu.powerOn(registers, memory);
    fprintf(stderr, "virtual-handheld: machine ready, second CPU: %s\n", SecondCpu::runnerName());
    char ignored[256];
    while (read(STDIN_FILENO, ignored, sizeof ignored) > 0) {
    }
    cpu.powerOff();
    munmap(mapped, MEMORY_FILE_SIZE);
    close(file);
    return 0;
}

int decode(const char* oggPath, const char* pcmPath) {
    FILE* ogg = fopen(oggPath, "rb");
    OggVorbis_File vorbis;
    if (!ogg || ov_open(ogg, &vorbis, nullptr, 0) != 0) {
        fprintf(stderr, "virtual-handheld: cannot decode %s\n", oggPath);
        return 1;
    }
    FILE* pcm = fopen(pcmPath, "wb");
    if (!pcm) {
        perror(pcmPath);
        return 1;
    }
    char chunk[4096];
    int section = 0;
    long got;
    while ((got = ov_read(&vorbis, chunk, sizeof chunk, &section)) != 0) {
        if (got == OV_HOLE) continue;
        if (got < 0) break;
        fwrite(chunk, 1, static_cast<size_t>(got), pcm);
    }
    ov_clear(&vorbis); // closes the file
    return fclose(pcm) == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && strcmp(argv[1], "machine") == 0) return runMachine(argv[2]);
    if (argc == 4 && strcmp(argv[1], "decode") == 0) return decode(argv[2], argv[3]);
    fprintf(stderr, "usage: virtual-handheld machine FILE | decode OGG PCM\n");
    return 2;
}
