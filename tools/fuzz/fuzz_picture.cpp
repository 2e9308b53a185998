// Fuzz target: the picture loader with any file content, in each of the ways
// the show loads pictures. Whatever the file holds, a loaded picture must
// hold exactly width x height readable pixels, and the checked forms must
// give their callers the size they rely on. (This target compiles the
// decoder in itself, see stb_image_instrumented.c.)
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
    const char* path = writeInputFile(data, size);

    Image asLoaded(path);
    require(asLoaded.width >= 0 && asLoaded.height >= 0);
    require(asLoaded.pixelCount == asLoaded.width * asLoaded.height);
    require(asLoaded.pixelCount == 0 || asLoaded.pixels);
    sink = sumOfPixels(asLoaded, asLoaded.pixelCount);

    // A background: exactly 320 columns and at least 240 rows.
    Image background(path, 320, 240);
    require(background.width == 320 && background.height >= 240);
    require(background.pixelCount == background.width * background.height);
    sink = sumOfPixels(background, background.pixelCount);

    // A palette ramp, read only as a run of pixels.
    Image* ramp = Image::loadAtLeast(path, 190);
    require(ramp->pixelCount >= 190);
    sink = sumOfPixels(*ramp, ramp->pixelCount);
    delete ramp;
    return 0;
}
