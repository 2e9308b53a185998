#include "platform/coprocessor_image.h"

#include <cstring>

namespace {
uint32_t littleEndianWord(const uint8_t* bytes) {
    uint32_t value = 0;
    for (int i = 0; i < 4; i++)
        value |= static_cast<uint32_t>(bytes[i]) << (8 * i);
    return value;
}
} // namespace

bool isDesktopCoprocessorImage(const uint8_t* memory) {
    return memcmp(memory, COPROCESSOR_IMAGE_MAGIC, sizeof COPROCESSOR_IMAGE_MAGIC) == 0 &&
           littleEndianWord(memory + 8) == COPROCESSOR_IMAGE_VERSION;
}

CoprocessorImageKind coprocessorImageKind(const uint8_t* memory) {
    if (isDesktopCoprocessorImage(memory)) return CoprocessorImageKind::DESKTOP_IMAGE;
    const uint8_t* identity = memory + COPROCESSOR_PROGRAM_IDENTITY_OFFSET;
    if (memcmp(identity, COPROCESSOR_PROGRAM_MAGIC, sizeof COPROCESSOR_PROGRAM_MAGIC) == 0 &&
        littleEndianWord(identity + 8) == COPROCESSOR_PROGRAM_VERSION)
        return CoprocessorImageKind::REAL_PROGRAM;
    return CoprocessorImageKind::FOREIGN;
}
