#include "platform/coprocessor_image.h"

#include <cstdio>
#include <cstring>

#ifndef DEMO_COPROCESSOR_PROGRAM
#define DEMO_COPROCESSOR_PROGRAM ""
#endif

namespace {
const uint32_t IMAGE_VERSION = 1;
const uint32_t PROGRAM_VERSION = 1;
const size_t IMAGE_SIZE = 256;

uint32_t littleEndianWord(const uint8_t* bytes) {
    uint32_t value = 0;
    for (int i = 0; i < 4; i++)
        value |= static_cast<uint32_t>(bytes[i]) << (8 * i);
    return value;
}
} // namespace

std::vector<uint8_t> makeDesktopCoprocessorImage() {
    std::vector<uint8_t> image(IMAGE_SIZE, 0);
    memcpy(image.data(), COPROCESSOR_IMAGE_MAGIC, sizeof COPROCESSOR_IMAGE_MAGIC);
    for (int i = 0; i < 4; i++)
        image[8 + i] = static_cast<uint8_t>(IMAGE_VERSION >> (8 * i));
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

bool isDesktopCoprocessorImage(const uint8_t* memory) {
    return memcmp(memory, COPROCESSOR_IMAGE_MAGIC, sizeof COPROCESSOR_IMAGE_MAGIC) == 0 &&
           littleEndianWord(memory + 8) == IMAGE_VERSION;
}

CoprocessorImageKind coprocessorImageKind(const uint8_t* memory) {
    if (isDesktopCoprocessorImage(memory)) return CoprocessorImageKind::DESKTOP_IMAGE;
    const uint8_t* identity = memory + COPROCESSOR_PROGRAM_IDENTITY_OFFSET;
    if (memcmp(identity, COPROCESSOR_PROGRAM_MAGIC, sizeof COPROCESSOR_PROGRAM_MAGIC) == 0 &&
        littleEndianWord(identity + 8) == PROGRAM_VERSION)
        return CoprocessorImageKind::REAL_PROGRAM;
    return CoprocessorImageKind::FOREIGN;
}
