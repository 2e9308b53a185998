#include "video/image.h"

#include <stb_image.h>

#include <cstdio>
#include <cstring>

#include "core/pixel.h"
#include "video/screen.h"

namespace {

// Pictures are PNG files. stb_image would also take other formats, some of
// which let a few bytes of header claim a picture of gigabytes that it then
// allocates and fills, so anything without the PNG signature is refused
// before the decoder sees it.
bool startsWithPngSignature(FILE* file) {
    static const unsigned char SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    unsigned char head[8];
    const bool png = fread(head, 1, 8, file) == 8 && memcmp(head, SIGNATURE, 8) == 0;
    rewind(file);
    return png;
}

} // namespace

bool Image::decode(const char* path) {
    pixelCount = 0;
    pixels = nullptr;
    width = 0;
    height = 0;
    FILE* file = fopen(path, "rb");
    if (!file) return false;
    if (!startsWithPngSignature(file)) {
        fclose(file);
        return false;
    }
    int w = 0, h = 0, components = 0;
    unsigned char* rgb = stbi_load_from_file(file, &w, &h, &components, 3);
    fclose(file);
    if (!rgb) return false;
    width = w;
    height = h;
    pixelCount = w * h;
    pixels = new uint16_t[pixelCount];
    for (int32_t i = 0; i < pixelCount; i++) {
        const unsigned char* p = rgb + 3 * i;
        pixels[i] = packRgb565(p[0] >> 3, p[1] >> 2, p[2] >> 3);
    }
    stbi_image_free(rgb);
    return true;
}

void Image::makeBlank(int w, int h) {
    delete[] pixels;
    width = w;
    height = h;
    pixelCount = w * h;
    pixels = new uint16_t[pixelCount]();
}

Image::Image(const char* path) {
    decode(path);
}

Image::Image(const char* path, int needWidth, int minHeight) {
    if (decode(path) && width == needWidth && height >= minHeight) return;
    fprintf(stderr, "picture %s is missing or not %dx%d; using a black one\n", path, needWidth,
            minHeight);
    makeBlank(needWidth, minHeight);
}

Image* Image::loadAtLeast(const char* path, int minPixels) {
    Image* image = new Image;
    if (image->decode(path) && image->pixelCount >= minPixels) return image;
    fprintf(stderr, "picture %s is missing or has fewer than %d pixels; using a black one\n", path,
            minPixels);
    image->makeBlank(minPixels, 1);
    return image;
}

Image* Image::loadAtLeast(const char* path, int minWidth, int minHeight) {
    Image* image = new Image;
    if (image->decode(path) && image->width >= minWidth && image->height >= minHeight) return image;
    fprintf(stderr, "picture %s is missing or smaller than %dx%d; using a black one\n", path,
            minWidth, minHeight);
    image->makeBlank(minWidth, minHeight);
    return image;
}

Image::Image(int w, int h) : pixelCount(0), pixels(nullptr), width(0), height(0) {
    makeBlank(w, h);
}

Image::~Image() {
    delete[] pixels;
}

void Image::copyToScreen() const {
    memcpy(Screen::instance()->pixels, pixels, SCREEN_BYTES);
}
