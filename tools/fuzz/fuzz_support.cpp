#include "fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string scratchPath;

void removeScratchFile() {
    if (!scratchPath.empty()) unlink(scratchPath.c_str());
}

} // namespace

FILE* openInput(const uint8_t* data, size_t size) {
    static uint8_t nothing[1];
    FILE* stream = fmemopen(size ? const_cast<uint8_t*>(data) : nothing, size, "rb");
    if (!stream) {
        perror("demo fuzz: cannot open the input as a stream");
        abort();
    }
    return stream;
}

const char* writeInputFile(const uint8_t* data, size_t size, size_t length) {
    if (scratchPath.empty()) {
        const char* dir = getenv("TMPDIR");
        std::string pattern = std::string(dir && *dir ? dir : "/tmp") + "/demo-fuzz-XXXXXX";
        const int fd = mkstemp(&pattern[0]);
        if (fd < 0) {
            perror("demo fuzz: cannot make a scratch file");
            abort();
        }
        close(fd);
        scratchPath = pattern;
        atexit(removeScratchFile);
    }
    FILE* file = fopen(scratchPath.c_str(), "wb");
    const bool written =
        file && fwrite(data, 1, size, file) == size && fflush(file) == 0 &&
        (length <= size || ftruncate(fileno(file), static_cast<off_t>(length)) == 0);
    if (!file || fclose(file) != 0 || !written) {
        perror("demo fuzz: cannot write the scratch file");
        abort();
    }
    return scratchPath.c_str();
}

void useHeadlessDrivers() {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
}
