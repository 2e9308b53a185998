// demo-assets: draws every asset of the show from code and writes it.
//
//   demo-assets [--out DIR] [--no-music]     writes DIR (default data)
//   demo-assets --check [DIR] [--no-music]   verifies DIR, one line per problem
//
// The output is the same, byte for byte, on every run and machine.
#include <cstdio>
#include <cstring>
#include <string>

#include "check.h"
#include "generate.h"

namespace {

void usage() {
    fprintf(stderr, "usage: demo-assets [--out DIR] [--no-music]\n"
                    "       demo-assets --check [DIR] [--no-music]\n"
                    "  --out DIR    folder to write (default data)\n"
                    "  --check      verify the files of DIR instead of writing them\n"
                    "  --no-music   leave out the music (writing and checking)\n");
}

} // namespace

int main(int argc, char** argv) {
    std::string dir = "data";
    bool check = false, withMusic = true;
    for (int i = 1; i < argc; i++) {
        const std::string arg = argv[i];
        if (arg == "--out" && i + 1 < argc) {
            dir = argv[++i];
        } else if (arg == "--check") {
            check = true;
            if (i + 1 < argc && argv[i + 1][0] != '-') dir = argv[++i];
        } else if (arg == "--no-music") {
            withMusic = false;
        } else {
            usage();
            return 2;
        }
    }
    if (check) return checkAssets(dir, withMusic) ? 0 : 1;
    return generateAssets(dir, withMusic) ? 0 : 1;
}
