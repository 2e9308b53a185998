// The program keeps to its own parts of the window: its data and .bss below
// 0x200000, the two buffers and their flags, and the working memory; never
// its code, the main CPU's words of the shared block or the music.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include "arm940_rig.h"
#include "test_support.h"

#if DEMO_HAVE_UNICORN
using namespace arm940_test;

namespace {

// Symbol addresses of the linked program, from its ELF.
std::map<std::string, uint32_t> programSymbols() {
    std::map<std::string, uint32_t> symbols;
    std::string listing;
    if (testing_support::runCommand(std::string("arm-none-eabi-nm '") + ARM940_PROGRAM_ELF + "'",
                                    ".", &listing) != 0)
        return symbols;
    char line[512];
    size_t start = 0;
    while (start < listing.size()) {
        const size_t end = listing.find('\n', start);
        const std::string text = listing.substr(start, end - start);
        start = end == std::string::npos ? listing.size() : end + 1;
        unsigned address;
        char type;
        if (sscanf(text.c_str(), "%x %c %511s", &address, &type, line) == 3)
            symbols[line] = address;
    }
    return symbols;
}

} // namespace

TEST(Arm940Memory, StoresOnlyIntoItsOwnAreas) {
    REQUIRE_PROGRAM();
    const auto symbols = programSymbols();
    ASSERT_TRUE(symbols.count("__data_start") && symbols.count("__bss_end"))
        << "cannot read the program's symbols";
    const uint32_t dataStart = symbols.at("__data_start");
    const uint32_t bssEnd = symbols.at("__bss_end");
    EXPECT_LT(bssEnd, BLOCK) << "the program and its variables lie below the shared block";
    EXPECT_EQ(symbols.at("coprocessorIdle"), 0x20u) << "the idle routine's fixed address";

    Rig rig;
    std::map<std::string, int> stray;
    rig.cpu().watchWrites([&](uint32_t address, int size) {
        const uint32_t last = address + static_cast<uint32_t>(size) - 1;
        const auto inside = [&](uint32_t from, uint32_t to) {
            return address >= from && last < to;
        };
        if (inside(dataStart, bssEnd) || inside(FULL[0], FULL[0] + 4) ||
            inside(PCM[0], PCM[0] + PCM_BYTES) || inside(FULL[1], FULL[1] + 4) ||
            inside(PCM[1], PCM[1] + PCM_BYTES) || inside(BLOCK_END, MUSIC))
            return;
        char where[32];
        snprintf(where, sizeof where, "0x%06x", address);
        stray[where]++;
    });
    // The whole life of the program: waiting, a pause, damaged music, the end.
    std::vector<uint8_t> ogg = makeOgg(30000, 2, 44100, 0.6f, 11);
    for (size_t i = ogg.size() / 2; i < ogg.size() / 2 + 40; i += 5)
        ogg[i] ^= 0x33;
    for (int i = 0; i < 10; i++)
        rig.cpu().step();
    rig.placeMusic(ogg);
    for (int i = 0; i < 10; i++)
        rig.cpu().step();
    rig.playToEnd();
    EXPECT_EQ(rig.cpu().lastIdleReason(), EmulatedArm940::FINISHED);
    EXPECT_TRUE(stray.empty()) << "stores outside the program's areas, first at "
                               << (stray.empty() ? "" : stray.begin()->first);
    EXPECT_GT(rig.pcm.size(), 0u);
}

#endif // DEMO_HAVE_UNICORN
