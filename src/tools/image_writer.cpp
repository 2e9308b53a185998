#include "tools/image_writer.h"

#include <stb_image_write.h>

#include <cstdio>
#include <vector>

#include "video/image.h"

bool writeFramePng(const std::string& path, const uint16_t* pixels, int width, int height) {
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    for (int i = 0; i < width * height; i++)
        rgb565ToRgb888(pixels[i], &rgb[3 * static_cast<size_t>(i)]);
    return stbi_write_png(path.c_str(), width, height, 3, rgb.data(), width * 3) != 0;
}

bool writeFrameRaw(const std::string& path, const uint16_t* pixels, int count) {
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) return false;
    bool ok = true;
    for (int i = 0; i < count && ok; i++) {
        const uint8_t bytes[2] = {static_cast<uint8_t>(pixels[i] & 0xFF),
                                  static_cast<uint8_t>(pixels[i] >> 8)};
        ok = fwrite(bytes, 1, 2, file) == 2;
    }
    return fclose(file) == 0 && ok;
}
