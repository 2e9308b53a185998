// Fuzz target: the picture loader with any file content, in each of the ways
// the show loads pictures. Whatever the file holds, a loaded picture must
// hold exactly width x height readable pixels, and the checked forms must
// give their callers the size they rely on. The input is read from memory.
// (This target compiles the decoder in itself, see
// stb_image_instrumented.c.)
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz_support.h"
#include "video/image.h"

namespace {

// Where the pixel sums go, so that the reads are not optimised away.
volatile uint32_t sink;

// Reads every pixel, so a picture shorter than it claims is caught.
uint32_t sumOfPixels(const Image& image, int32_t count) {
    uint32_t sum = 0;
    for (int32_t i = 0; i < count; i++)
        sum += image.pixels[i];
    return sum;
}

void require(bool condition) {
    if (!condition) abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FILE* input = openInput(data, size);
    const PictureSource source(input, "input");
    // One of the forms per input, chosen by its length, so that each input
    // is decoded once. The sizes asked for are small ones, which the seeds
    // meet, so that the accepted pictures stay cheap to decode.
    switch (size % 3) {
    case 0: {
        Image asLoaded(source);
        require(asLoaded.width >= 0 && asLoaded.height >= 0);
        require(asLoaded.width <= MAX_PICTURE_SIDE && asLoaded.height <= MAX_PICTURE_SIDE);
        require(asLoaded.pixelCount == asLoaded.width * asLoaded.height);
        require(asLoaded.pixelCount == 0 || asLoaded.pixels);
        sink = sumOfPixels(asLoaded, asLoaded.pixelCount);
        break;
    }
    case 1: {
        // Exactly 4 columns and at least 4 rows, as a background is checked
        // for 320 and 240.
        Image checked(source, 4, 4);
        require(checked.width == 4 && checked.height >= 4);
        require(checked.pixelCount == checked.width * checked.height);
        sink = sumOfPixels(checked, checked.pixelCount);
        break;
    }
    default: {
        // A palette ramp, read only as a run of pixels.
        Image* ramp = Image::loadAtLeast(source, 16);
        require(ramp->pixelCount >= 16);
        sink = sumOfPixels(*ramp, ramp->pixelCount);
        delete ramp;
        break;
    }
    }
    fclose(input);
    return 0;
}
