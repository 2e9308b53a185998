#include "platform/coprocessor_image.h"

#include <cstring>

namespace {
const uint32_t IMAGE_VERSION = 1;
const size_t IMAGE_SIZE = 256;
} // namespace

std::vector<uint8_t> makeDesktopCoprocessorImage() {
    std::vector<uint8_t> image(IMAGE_SIZE, 0);
    memcpy(image.data(), COPROCESSOR_IMAGE_MAGIC, sizeof COPROCESSOR_IMAGE_MAGIC);
    for (int i = 0; i < 4; i++)
        image[8 + i] = static_cast<uint8_t>(IMAGE_VERSION >> (8 * i));
    return image;
}

bool isDesktopCoprocessorImage(const uint8_t* memory) {
    if (memcmp(memory, COPROCESSOR_IMAGE_MAGIC, sizeof COPROCESSOR_IMAGE_MAGIC) != 0) return false;
    uint32_t version = 0;
    for (int i = 0; i < 4; i++)
        version |= static_cast<uint32_t>(memory[8 + i]) << (8 * i);
    return version == IMAGE_VERSION;
}
