// The devices of the virtual handheld, for the handheld's own program running
// under qemu-arm: a library preloaded into it (LD_PRELOAD) that answers its
// calls on /dev/mem and /dev/dsp and its exit to the menu program, and
// records, in order, what the program did with them.
//
// /dev/mem maps a file shared with the host's machine model
// (virtual-handheld machine): the register window at physical 0xC0000000 is
// the file's first 64 KiB, the second CPU's memory at 0x3000000 follows it.
// A mapped file shows only the latest value of a word, so the register window
// and the page of the shared block that holds its control words are mapped
// without access: every load and store the program makes there faults, and
// the fault handler carries it out on a second, accessible mapping of the
// same bytes, records it and steps past the instruction. The block's page is
// watched until the music has been announced (`newData` set).
//
// /dev/dsp is an OSS device that plays 44100 Hz, 16-bit stereo in real time
// from a 4096-byte buffer (two fragments of 2048 bytes); what it plays goes to
// a file.
//
// Settings, from the environment:
//   VH_MEMORY     the shared memory file (required)
//   VH_LOG        where the record goes, one event a line (required)
//   VH_DSP        where the device's sound goes (required)
//   VH_PROGRAM    where the second CPU's memory is copied (its first 2 MiB)
//                 when the program releases that CPU from reset
//   VH_DSP_MODE   normal; stalled (never any room, writes never return);
//                 slow-rate (answers 22050 Hz to the rate request); quirky
//                 (opened as descriptor 0, takes at most 1000 bytes a write)
//   VH_EXEC       fail: the menu program cannot be executed
//   VH_QUIT_AFTER_BYTES, VH_QUIT_AFTER_MS
//                 the user closes the window once the device has played
//                 that many bytes, or that long after the first frame
//
// Record lines: "open /dev/mem FLAGS", "mmap OFFSET LENGTH PROTECTION",
// "mapped OFFSET at ADDRESS", "munmap OFFSET LENGTH", "close /dev/mem";
// "reg OFFSET VALUE" (a 16-bit store to a register; "reg-size" for another
// width); "block OFFSET VALUE" (a store to a control word of the shared
// block, offset from the block); "release" (the second CPU's program area was
// copied to VH_PROGRAM as reset was released); "open /dev/dsp FLAGS
// DESCRIPTOR", "ioctl REQUEST PASSED ANSWER" (the first space query only),
// "close /dev/dsp ..." with the bytes played and the space queries; "quit";
// "chdir PATH"; "execl PATH ARG0 +MORE"; "fault ADDRESS PC INSTRUCTION" for
// an access to a watched window that it cannot carry out.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/ucontext.h>
#include <time.h>
#include <unistd.h>

#define REGISTER_BASE 0xC0000000ull
#define REGISTER_WINDOW 0x10000u
#define COPROCESSOR_BASE 0x3000000ull
#define COPROCESSOR_WINDOW 0xF80000u
#define SHARED_BLOCK 0x200000u
#define PROGRAM_AREA 0x200000u
#define PAGE 4096u
#define CONTROL_WORDS 24u // reserved, play, newData, loadDone, dataOffset, dataLength
#define NEW_DATA 8u

#define SNDCTL_DSP_SPEED 0xC0045002u
#define SNDCTL_DSP_SETFMT 0xC0045005u
#define SNDCTL_DSP_STEREO 0xC0045003u
#define SNDCTL_DSP_SETFRAGMENT 0xC004500Au
#define SNDCTL_DSP_GETOSPACE 0x8010500Cu
#define DSP_BUFFER 4096
#define DSP_FRAGMENT 2048
#define DSP_BYTES_PER_SECOND (44100 * 4)
#define SDL_QUIT_EVENT 12

enum DspMode { DSP_NORMAL, DSP_STALLED, DSP_SLOW_RATE, DSP_QUIRKY };

static int logFile = -1;
static const char* memoryPath;
static const char* dspPath;
static const char* programPath;
static enum DspMode dspMode = DSP_NORMAL;
static int execFails;
static long long quitAfterBytes = -1;
static long long quitAfterMs = -1;

static int memDevice = -1;
static int dspDevice = -1;
static int dspFile = -1;
static long long dspBytes;
static long spaceQueries;
static double dspPlayedUntil; // seconds on the monotonic clock

// The watched windows: where the program sees them, and a mapping of the
// same bytes that the fault handler uses.
static uint8_t* registers;
static uint8_t* registerShadow;
static uint8_t* coprocessor;
static uint8_t* blockShadow; // one page: the block's control words
static volatile int blockWatched;
static int released;

static int (*realOpen)(const char*, int, ...);
static void* (*realMmap)(void*, size_t, int, int, int, off64_t);
static int (*realMunmap)(void*, size_t);
static int (*realIoctl)(int, unsigned long, ...);
static ssize_t (*realWrite)(int, const void*, size_t);
static int (*realClose)(int);
static int (*realChdir)(const char*);
static int (*realPollEvent)(void*);
static int (*realSigaction)(int, const struct sigaction*, struct sigaction*);

static void record(const char* format, ...) {
    char line[256];
    va_list arguments;
    va_start(arguments, format);
    int length = vsnprintf(line, sizeof line - 1, format, arguments);
    va_end(arguments);
    if (length < 0) return;
    if (length > (int)sizeof line - 2) length = sizeof line - 2;
    line[length++] = '\n';
    if (logFile >= 0) realWrite(logFile, line, (size_t)length);
}

static double now(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

static const char* setting(const char* name) {
    const char* value = getenv(name);
    if (!value || !*value) {
        fprintf(stderr, "virtual handheld: %s is not set\n", name);
        _exit(99);
    }
    return value;
}

// --- The fault handler: one load or store, carried out on the shadow. ---

// Where the bytes at `address` are accessible, or null if not watched.
static uint8_t* shadowOf(uintptr_t address) {
    if (registers && address - (uintptr_t)registers < REGISTER_WINDOW)
        return registerShadow + (address - (uintptr_t)registers);
    if (blockWatched && coprocessor && address - (uintptr_t)(coprocessor + SHARED_BLOCK) < PAGE)
        return blockShadow + (address - (uintptr_t)(coprocessor + SHARED_BLOCK));
    return 0;
}

// Where a word of a multiple transfer is reached: through the shadow if it
// is watched, else where it is (an access that straddles the watched page).
static uint8_t* reach(uintptr_t address) {
    uint8_t* shadow = shadowOf(address);
    return shadow ? shadow : (uint8_t*)address;
}

static void copyOutProgram(void) {
    if (!programPath || !coprocessor) return;
    int file = realOpen(programPath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (file < 0) return;
    realWrite(file, coprocessor, PROGRAM_AREA);
    realClose(file);
    record("release");
}

static void noteStore(uintptr_t address, uint32_t value, int size) {
    if (registers && address - (uintptr_t)registers < REGISTER_WINDOW) {
        const uint32_t offset = (uint32_t)(address - (uintptr_t)registers);
        if (size != 2) record("reg-size %04x %d", offset, size);
        record("reg %04x %04x", offset, value & 0xFFFF);
        // Out of reset: the image must be in place by now.
        if (offset == 0x3B48 && !(value & 0x80) && !released) {
            released = 1;
            copyOutProgram();
        }
        return;
    }
    const uint32_t offset = (uint32_t)(address - (uintptr_t)(coprocessor + SHARED_BLOCK));
    if (offset < CONTROL_WORDS) record("block %u %x", offset, value);
    if (offset == NEW_DATA && value != 0) {
        // The music is announced: what follows runs unwatched.
        blockWatched = 0;
        mprotect(coprocessor + SHARED_BLOCK, PAGE, PROT_READ | PROT_WRITE);
    }
}

static uint32_t loadFrom(const uint8_t* at, int size, int sign) {
    uint32_t value = 0;
    memcpy(&value, at, (size_t)size);
    if (sign && size == 1) value = (uint32_t)(int32_t)(int8_t)value;
    if (sign && size == 2) value = (uint32_t)(int32_t)(int16_t)value;
    return value;
}

static void storeTo(uint8_t* at, uint32_t value, int size, uintptr_t address) {
    memcpy(at, &value, (size_t)size);
    noteStore(address, value, size);
}

static uint32_t shifted(uint32_t value, uint32_t type, uint32_t amount) {
    switch (type) {
    case 0:
        return value << amount;
    case 1:
        return amount ? value >> amount : 0;
    case 2:
        return amount ? (uint32_t)((int32_t)value >> amount) : (uint32_t)((int32_t)value >> 31);
    default:
        return amount ? (value >> amount) | (value << (32 - amount)) : value;
    }
}

// Carries out the ARM load or store `instruction`; false if it is not one
// this handler knows.
static int emulate(uint32_t instruction, uint32_t* r) {
    const uint32_t rn = (instruction >> 16) & 15, rd = (instruction >> 12) & 15;
    const int pre = (instruction >> 24) & 1, up = (instruction >> 23) & 1;
    const int writeBack = (instruction >> 21) & 1, load = (instruction >> 20) & 1;
    const uint32_t base = r[rn] + (rn == 15 ? 8 : 0);

    if ((instruction & 0x0C000000) == 0x04000000) { // LDR, STR, LDRB, STRB
        uint32_t offset = instruction & 0xFFF;
        if (instruction & (1u << 25)) {
            if (instruction & 0x10) return 0; // a register-specified shift
            offset = shifted(r[instruction & 15], (instruction >> 5) & 3, (instruction >> 7) & 31);
        }
        const uint32_t moved = up ? base + offset : base - offset;
        const uint32_t address = pre ? moved : base;
        const int size = (instruction & (1u << 22)) ? 1 : 4;
        uint8_t* at = shadowOf(address);
        if (!at) return 0;
        if (load)
            r[rd] = loadFrom(at, size, 0);
        else
            storeTo(at, r[rd], size, address);
        if (!pre || writeBack) r[rn] = moved;
        return 1;
    }
    if ((instruction & 0x0E000090) == 0x00000090 && (instruction & 0x60)) { // halfwords
        const uint32_t sh = (instruction >> 5) & 3;
        const uint32_t offset = (instruction & (1u << 22))
                                    ? ((instruction >> 4) & 0xF0) | (instruction & 0xF)
                                    : r[instruction & 15];
        const uint32_t moved = up ? base + offset : base - offset;
        const uint32_t address = pre ? moved : base;
        uint8_t* at = shadowOf(address);
        if (!at) return 0;
        if (load) {
            r[rd] = loadFrom(at, sh == 2 ? 1 : 2, sh != 1);
        } else if (sh == 1) {
            storeTo(at, r[rd], 2, address);
        } else { // LDRD / STRD
            if (sh == 2) {
                r[rd] = loadFrom(at, 4, 0);
                r[rd + 1] = loadFrom(reach(address + 4), 4, 0);
            } else {
                storeTo(at, r[rd], 4, address);
                storeTo(reach(address + 4), r[rd + 1], 4, address + 4);
            }
        }
        if (!pre || writeBack) r[rn] = moved;
        return 1;
    }
    if ((instruction & 0x0E000000) == 0x08000000) { // LDM, STM
        const uint32_t list = instruction & 0xFFFF;
        if (instruction & (1u << 22)) return 0; // user-bank or exception-return forms
        int count = 0;
        for (int i = 0; i < 16; i++)
            count += (list >> i) & 1;
        uint32_t address = up ? base + (pre ? 4 : 0) : base - 4 * count + (pre ? 0 : 4);
        uint32_t loaded[16];
        for (int i = 0; i < 16; i++) {
            if (!((list >> i) & 1)) continue;
            if (load)
                loaded[i] = loadFrom(reach(address), 4, 0);
            else
                storeTo(reach(address), r[i], 4, address);
            address += 4;
        }
        if (writeBack) r[rn] = up ? base + 4 * count : base - 4 * count;
        if (load) {
            for (int i = 0; i < 16; i++)
                if ((list >> i) & 1) r[i] = loaded[i];
            if ((list >> 15) & 1) return 2; // loaded the pc: do not step
        }
        return 1;
    }
    return 0;
}

static void onFault(int signal, siginfo_t* info, void* context) {
    ucontext_t* uc = (ucontext_t*)context;
    uint32_t* r = (uint32_t*)&uc->uc_mcontext.arm_r0; // r0..r15 in order
    const uint32_t pc = r[15];
    const uintptr_t address = (uintptr_t)info->si_addr;
    if (shadowOf(address) && !(uc->uc_mcontext.arm_cpsr & 0x20)) {
        const uint32_t instruction = *(const uint32_t*)(uintptr_t)pc;
        const int done = emulate(instruction, r);
        if (done == 1) r[15] = pc + 4;
        if (done) return;
        record("fault %08lx %08x %08x", (unsigned long)address, pc, instruction);
    } else if (blockShadow && address - (uintptr_t)(coprocessor + SHARED_BLOCK) < PAGE) {
        return; // the page was opened by another thread meanwhile: try again
    }
    // Not ours: the program's own crash.
    struct sigaction plain;
    memset(&plain, 0, sizeof plain);
    plain.sa_handler = SIG_DFL;
    realSigaction(signal, &plain, 0);
}

// --- /dev/mem ---

static void* mapWatched(size_t length, off64_t offset) {
    const off64_t fileOffset = offset == (off64_t)REGISTER_BASE ? 0 : REGISTER_WINDOW;
    uint8_t* window =
        realMmap(0, length, PROT_READ | PROT_WRITE, MAP_SHARED, memDevice, fileOffset);
    if (window == MAP_FAILED) return MAP_FAILED;
    if (offset == (off64_t)REGISTER_BASE) {
        registerShadow = realMmap(0, length, PROT_READ | PROT_WRITE, MAP_SHARED, memDevice, 0);
        registers = window;
        mprotect(window, length, PROT_NONE);
    } else {
        blockShadow = realMmap(0, PAGE, PROT_READ | PROT_WRITE, MAP_SHARED, memDevice,
                               REGISTER_WINDOW + SHARED_BLOCK);
        coprocessor = window;
        blockWatched = 1;
        mprotect(window + SHARED_BLOCK, PAGE, PROT_NONE);
    }
    return window;
}

// --- /dev/dsp ---

// Real-time playing: the buffer empties at 176400 bytes a second.
static int dspRoom(void) {
    if (dspMode == DSP_STALLED) return 0;
    const double t = now();
    if (dspPlayedUntil < t) dspPlayedUntil = t;
    const int queued = (int)((dspPlayedUntil - t) * DSP_BYTES_PER_SECOND);
    // Room is counted in whole fragments.
    return queued >= DSP_BUFFER ? 0 : (DSP_BUFFER - queued) / DSP_FRAGMENT * DSP_FRAGMENT;
}

static ssize_t dspWrite(const void* data, size_t length) {
    if (dspMode == DSP_STALLED)
        for (;;)
            pause(); // a device that stopped playing
    if (dspMode == DSP_QUIRKY && length > 1000) length = 1000;
    // Blocks until the buffer has room for all of it, as OSS does.
    size_t done = 0;
    while (done < length) {
        int room = dspRoom();
        if (room == 0) {
            usleep(1000);
            continue;
        }
        size_t part = length - done < (size_t)room ? length - done : (size_t)room;
        // Bytes in the watched page of the block are read through the shadow.
        const uint8_t* bytes = (const uint8_t*)data + done;
        uint8_t copy[DSP_BUFFER];
        for (size_t i = 0; i < part; i++) {
            const uint8_t* shadow = shadowOf((uintptr_t)(bytes + i));
            copy[i] = shadow ? *shadow : bytes[i];
        }
        realWrite(dspFile, copy, part);
        dspPlayedUntil += (double)part / DSP_BYTES_PER_SECOND;
        dspBytes += (long long)part;
        done += part;
    }
    return (ssize_t)length;
}

static int dspControl(unsigned long request, void* argument) {
    int* value = argument;
    const int passed = value ? *value : 0;
    switch (request) {
    case SNDCTL_DSP_SPEED:
        *value = dspMode == DSP_SLOW_RATE ? 22050 : 44100;
        break;
    case SNDCTL_DSP_SETFMT:
        *value = 16;
        break;
    case SNDCTL_DSP_STEREO:
        *value = 1;
        break;
    case SNDCTL_DSP_SETFRAGMENT:
        break;
    case SNDCTL_DSP_GETOSPACE: {
        const int room = dspRoom();
        const int info[4] = {room / DSP_FRAGMENT, DSP_BUFFER / DSP_FRAGMENT, DSP_FRAGMENT, room};
        memcpy(argument, info, sizeof info);
        // The first query is part of the set-up; later ones are only counted.
        if (spaceQueries++ == 0) record("ioctl %08lx - %d", request, room);
        return 0;
    }
    default:
        record("ioctl %08lx %d unknown", request, passed);
        errno = EINVAL;
        return -1;
    }
    record("ioctl %08lx %d %d", request, passed, *value);
    return 0;
}

// --- The calls the program makes ---

static int openDevice(const char* path, int flags, mode_t mode) {
    if (strcmp(path, "/dev/mem") == 0) {
        memDevice = realOpen(memoryPath, O_RDWR);
        record("open /dev/mem %s", flags == O_RDWR ? "O_RDWR" : "other-flags");
        return memDevice;
    }
    if (strcmp(path, "/dev/dsp") == 0) {
        dspFile = realOpen(dspPath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dspDevice = dspFile;
        if (dspMode == DSP_QUIRKY && dspFile != 0) {
            realClose(0);
            dspDevice = dup2(dspFile, 0);
        }
        record("open /dev/dsp %s %d", flags == O_WRONLY ? "O_WRONLY" : "other-flags", dspDevice);
        return dspDevice;
    }
    return realOpen(path, flags, mode);
}

int open(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(arguments, mode_t) : 0;
    va_end(arguments);
    return openDevice(path, flags, mode);
}

int open64(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(arguments, mode_t) : 0;
    va_end(arguments);
    return openDevice(path, flags, mode);
}

static void* mapDevice(void* address, size_t length, int protection, int flags, int device,
                       off64_t offset) {
    if (device >= 0 && device == memDevice) {
        record("mmap %llx %zx %s", (unsigned long long)offset, length,
               protection == (PROT_READ | PROT_WRITE) && flags == MAP_SHARED ? "shared-rw"
                                                                             : "other");
        const int known = (offset == (off64_t)REGISTER_BASE && length <= REGISTER_WINDOW) ||
                          (offset == (off64_t)COPROCESSOR_BASE && length <= COPROCESSOR_WINDOW);
        if (!known) {
            errno = EINVAL;
            return MAP_FAILED;
        }
        void* window = mapWatched(length, offset);
        record("mapped %llx at %p", (unsigned long long)offset, window);
        return window;
    }
    return realMmap(address, length, protection, flags, device, offset);
}

void* mmap(void* address, size_t length, int protection, int flags, int device, off_t offset) {
    return mapDevice(address, length, protection, flags, device, (off64_t)(uint32_t)offset);
}

void* mmap64(void* address, size_t length, int protection, int flags, int device, off64_t offset) {
    return mapDevice(address, length, protection, flags, device, offset);
}

int munmap(void* address, size_t length) {
    if (address && address == coprocessor) {
        record("munmap %llx %zx", COPROCESSOR_BASE, length);
        blockWatched = 0;
        coprocessor = 0;
    }
    return realMunmap(address, length);
}

int ioctl(int device, unsigned long request, ...) {
    va_list arguments;
    va_start(arguments, request);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);
    if (device >= 0 && device == dspDevice) return dspControl(request, argument);
    return realIoctl(device, request, argument);
}

ssize_t write(int device, const void* data, size_t length) {
    if (device >= 0 && device == dspDevice) return dspWrite(data, length);
    return realWrite(device, data, length);
}

int close(int device) {
    if (device >= 0 && device == dspDevice) {
        record("close /dev/dsp %lld bytes, %ld space queries", dspBytes, spaceQueries);
        dspDevice = -1;
        if (dspFile != device) realClose(dspFile);
    } else if (device >= 0 && device == memDevice) {
        record("close /dev/mem");
        memDevice = -1;
    }
    return realClose(device);
}

int chdir(const char* path) {
    record("chdir %s", path);
    if (strcmp(path, "/usr/gp2x") == 0) return 0; // the handheld's folder
    return realChdir(path);
}

int execl(const char* path, const char* argument, ...) {
    va_list arguments;
    va_start(arguments, argument);
    int more = 0;
    while (va_arg(arguments, const char*))
        more++;
    va_end(arguments);
    record("execl %s %s +%d", path, argument, more);
    if (execFails) {
        errno = ENOENT;
        return -1;
    }
    _exit(0); // the menu program takes over
}

// The program keeps the fault handler: it is the watched windows' hardware.
int sigaction(int signal, const struct sigaction* action, struct sigaction* previous) {
    if (signal == SIGSEGV && action) return 0;
    return realSigaction(signal, action, previous);
}

// The user closes the window once enough has been played or enough time
// has passed.
int SDL_PollEvent(void* event) {
    static double firstPoll;
    static int quitSent;
    const int got = realPollEvent(event);
    if (got || quitSent || !event) return got;
    if (firstPoll == 0) firstPoll = now();
    const int enoughSound = quitAfterBytes >= 0 && dspBytes >= quitAfterBytes;
    const int enoughTime = quitAfterMs >= 0 && (now() - firstPoll) * 1000 >= quitAfterMs;
    if (!enoughSound && !enoughTime) return 0;
    quitSent = 1;
    record("quit %s", enoughSound ? "sound" : "time");
    *(uint8_t*)event = SDL_QUIT_EVENT; // a quit event carries nothing else
    return 1;
}

__attribute__((constructor)) static void setUp(void) {
    realOpen = dlsym(RTLD_NEXT, "open64");
    realMmap = dlsym(RTLD_NEXT, "mmap64");
    realMunmap = dlsym(RTLD_NEXT, "munmap");
    realIoctl = dlsym(RTLD_NEXT, "ioctl");
    realWrite = dlsym(RTLD_NEXT, "write");
    realClose = dlsym(RTLD_NEXT, "close");
    realChdir = dlsym(RTLD_NEXT, "chdir");
    realSigaction = dlsym(RTLD_NEXT, "sigaction");
    realPollEvent = dlsym(RTLD_NEXT, "SDL_PollEvent");

    memoryPath = setting("VH_MEMORY");
    dspPath = setting("VH_DSP");
    logFile = realOpen(setting("VH_LOG"), O_WRONLY | O_CREAT | O_APPEND, 0644);
    programPath = getenv("VH_PROGRAM");
    const char* mode = getenv("VH_DSP_MODE");
    if (mode && strcmp(mode, "stalled") == 0) dspMode = DSP_STALLED;
    if (mode && strcmp(mode, "slow-rate") == 0) dspMode = DSP_SLOW_RATE;
    if (mode && strcmp(mode, "quirky") == 0) dspMode = DSP_QUIRKY;
    const char* exec = getenv("VH_EXEC");
    execFails = exec && strcmp(exec, "fail") == 0;
    const char* bytes = getenv("VH_QUIT_AFTER_BYTES");
    if (bytes && *bytes) quitAfterBytes = atoll(bytes);
    const char* ms = getenv("VH_QUIT_AFTER_MS");
    if (ms && *ms) quitAfterMs = atoll(ms);

    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_sigaction = onFault;
    action.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    realSigaction(SIGSEGV, &action, 0);
}
