// The bytes the generator writes as data/ogg940.bin (the image kinds are
// described in platform/coprocessor_image.h).
#pragma once

#include <cstdint>
#include <vector>

// The desktop image: the header (magic, then a little-endian format version)
// padded to a small image.
std::vector<uint8_t> makeDesktopCoprocessorImage();

// The real program where the build made it, else the desktop image.
std::vector<uint8_t> makeCoprocessorImage();
