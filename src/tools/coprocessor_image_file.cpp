#include "tools/coprocessor_image_file.h"

#include <cstdio>
#include <cstring>

#include "platform/coprocessor_image.h"

#ifndef DEMO_COPROCESSOR_PROGRAM
#define DEMO_COPROCESSOR_PROGRAM ""
#endif

namespace {
const size_t IMAGE_SIZE = 256;
} // namespace

std::vector<uint8_t> makeDesktopCoprocessorImage() {
    std::vector<uint8_t> image(IMAGE_SIZE, 0);
    memcpy(image.data(), COPROCESSOR_IMAGE_MAGIC, sizeof COPROCESSOR_IMAGE_MAGIC);
    for (int i = 0; i < 4; i++)
        image[8 + i] = static_cast<uint8_t>(COPROCESSOR_IMAGE_VERSION >> (8 * i));
    return image;
}

std::vector<uint8_t> makeCoprocessorImage() {
    // DEMO_COPROCESSOR_PROGRAM: where the build put the real program ("" when
    // it could not make it).
    std::vector<uint8_t> program;
    if (FILE* file = fopen(DEMO_COPROCESSOR_PROGRAM, "rb")) {
        uint8_t chunk[4096];
        size_t got;
        while ((got = fread(chunk, 1, sizeof chunk, file)) > 0)
            program.insert(program.end(), chunk, chunk + got);
        fclose(file);
    }
    if (program.size() >= COPROCESSOR_IMAGE_PROBE_SIZE &&
        coprocessorImageKind(program.data()) == CoprocessorImageKind::REAL_PROGRAM)
        return program;
    return makeDesktopCoprocessorImage();
}
