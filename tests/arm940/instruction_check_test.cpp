// The build's check that the program holds nothing an ARM940T cannot run,
// and the emulated core's own refusal of later instructions.
#include <gtest/gtest.h>

#include <fstream>

#include "arm940_rig.h"
#include "test_support.h"

using testing_support::runCommand;
using testing_support::TempDir;

namespace {

bool haveCompiler() {
    return runCommand("command -v arm-none-eabi-gcc >/dev/null", ".") == 0;
}

// Compiles and links `source` (C) for `arch`; returns the ELF's path.
std::string buildElf(const TempDir& dir, const std::string& source, const std::string& flags) {
    std::ofstream(dir.file("t.c")) << source;
    const std::string elf = dir.file("t.elf");
    const std::string command =
        "arm-none-eabi-gcc -O2 -nostdlib -nostartfiles -Wl,-e,f " + flags + " t.c -o t.elf -lgcc";
    EXPECT_EQ(runCommand(command, dir.path()), 0) << command;
    return elf;
}

int check(const std::string& elf, std::string* output) {
    return runCommand(std::string("'") + ARM940_CHECK_SCRIPT + "' arm-none-eabi-objdump '" + elf +
                          "' 2>&1",
                      ".", output);
}

// A count of leading zeros, two calls through a pointer and, where the
// architecture has it, a doubleword load.
const char* SOURCE =
    "unsigned f(unsigned x) { return __builtin_clz(x); }\n"
    "void g(void (*h)(void)) { h(); h(); }\n"
    "#if __ARM_ARCH >= 5 && !defined(__thumb__)\n"
    "void k(void) { __asm__ volatile(\"ldrd r2, r3, [r0]\" ::: \"r2\", \"r3\"); }\n"
    "#endif\n";

} // namespace

TEST(Arm940Instructions, LaterArchitecturesAndThumbAreRejected) {
    if (!haveCompiler()) GTEST_SKIP() << "arm-none-eabi-gcc is not installed";
    TempDir v5;
    std::string output;
    EXPECT_NE(check(buildElf(v5, SOURCE, "-march=armv5te -marm"), &output), 0);
    EXPECT_NE(output.find("clz"), std::string::npos) << output;
    EXPECT_NE(output.find("ldrd"), std::string::npos) << output;
    EXPECT_NE(output.find("blx"), std::string::npos) << output;

    TempDir v7;
    EXPECT_NE(check(buildElf(v7, SOURCE, "-march=armv7-a -marm"), &output), 0) << output;

    TempDir thumb;
    EXPECT_NE(check(buildElf(thumb, SOURCE, "-march=armv4t -mthumb"), &output), 0);
    EXPECT_NE(output.find("Thumb instruction"), std::string::npos) << output;

    // The same source for ARMv4T in ARM state passes (libgcc's count of
    // leading zeros included).
    TempDir v4;
    EXPECT_EQ(check(buildElf(v4, SOURCE, "-march=armv4t -marm"), &output), 0) << output;
}

TEST(Arm940Instructions, TheBuiltProgramPasses) {
    if (!haveCompiler() || std::string(ARM940_PROGRAM_ELF).empty())
        GTEST_SKIP() << "the program was not built";
    std::string output;
    EXPECT_EQ(check(ARM940_PROGRAM_ELF, &output), 0) << output;
}

// The same check on a Linux program for the main CPU, through its link map:
// our objects and the compiler's helpers are checked, the C library's start
// files are not; the kernel's atomic helpers are refused.
TEST(Arm920tInstructions, OurCodeAndTheHelpersAreCheckedThroughTheMap) {
    if (runCommand("command -v arm-linux-gnueabi-gcc >/dev/null", ".") != 0 || !haveCompiler())
        GTEST_SKIP() << "the ARM Linux cross compiler is not installed";
    TempDir dir;
    std::ofstream(dir.file("d.c")) << "unsigned z(unsigned x) { return __builtin_clz(x); }\n"
                                      "unsigned d(unsigned a, unsigned b) { return a / b; }\n"
                                      "int main(int c, char** v) { return d(c, v[0][0]); }\n";
    std::ofstream(dir.file("s.c")) << "int main(void) { __sync_synchronize(); return 0; }\n";
    const std::string gcc = "arm-linux-gnueabi-gcc -O2 -marm -Wl,-z,noexecstack ";
    const std::string baremetalHelpers =
        " $(arm-none-eabi-gcc -marm -march=armv4t -print-libgcc-file-name) "
        "-Wl,--no-enum-size-warning";
    auto linkAndCheck = [&](const std::string& flags, std::string* output) {
        const std::string link = gcc + flags + " -Wl,-Map=p.map -o p";
        EXPECT_EQ(runCommand(link, dir.path()), 0) << link;
        return runCommand(std::string("'") + ARM940_CHECK_SCRIPT +
                              "' arm-linux-gnueabi-objdump p p.map 2>&1",
                          dir.path(), output);
    };
    std::string output;
    EXPECT_NE(linkAndCheck("-march=armv4t d.c", &output), 0);
    EXPECT_NE(output.find("clz"), std::string::npos) << output; // the ARMv5TE libgcc's division
    EXPECT_EQ(linkAndCheck("-march=armv4t d.c" + baremetalHelpers, &output), 0) << output;
    EXPECT_NE(linkAndCheck("-march=armv5te d.c" + baremetalHelpers, &output), 0) << output;
    EXPECT_NE(linkAndCheck("-march=armv4t s.c", &output), 0);
    EXPECT_NE(output.find("the kernel's user helpers"), std::string::npos) << output;
}

#if DEMO_HAVE_UNICORN
TEST(Arm940Instructions, TheEmulatedCoreStopsAtAnArmv5Instruction) {
    using namespace arm940_test;
    // clz r0, r0 at the reset vector, then a loop calling the idle routine.
    const std::vector<uint8_t> image = {0x10, 0x0F, 0x6F, 0xE1, 0xFE, 0xFF, 0xFF, 0xEA};
    Rig rig(image);
    EXPECT_FALSE(rig.cpu().step());
    EXPECT_TRUE(rig.cpu().faulted());
    EXPECT_FALSE(rig.cpu().step()) << "a faulted core stays stopped";

    // With an ARMv4T instruction there (mov r0, r0) it runs on to its
    // "bl 0x20" and stops in the idle routine.
    std::vector<uint8_t> v4 = {0x00, 0x00, 0xA0, 0xE1, 0x05, 0x00, 0x00, 0xEB};
    v4.resize(0x24, 0);
    const uint8_t returnInstruction[4] = {0x1E, 0xFF, 0x2F, 0xE1}; // bx lr
    std::copy(returnInstruction, returnInstruction + 4, v4.begin() + 0x20);
    Rig ok(v4);
    EXPECT_FALSE(ok.cpu().step());
    EXPECT_FALSE(ok.cpu().faulted()) << ok.cpu().faultDescription();
    EXPECT_EQ(ok.cpu().lastIdleReason(), EmulatedArm940::WAITING_FOR_MUSIC);
}
#endif
