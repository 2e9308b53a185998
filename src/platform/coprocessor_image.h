// The program image for the second CPU as the desktop knows it. The desktop's
// stand-in for the second CPU runs only an image that begins with this
// header; any other content leaves it halted, as a CPU with a foreign program
// would stay silent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

const uint8_t COPROCESSOR_IMAGE_MAGIC[8] = {'Q', 'V', 'N', '9', '4', '0', 'D', 'T'};
const size_t COPROCESSOR_IMAGE_HEADER_SIZE = 16;

// The bytes of data/ogg940.bin for the desktop: the header (magic, then a
// little-endian format version) padded to a small image.
std::vector<uint8_t> makeDesktopCoprocessorImage();

// True when `memory` (at least COPROCESSOR_IMAGE_HEADER_SIZE bytes) starts
// with an image the desktop stand-in runs.
bool isDesktopCoprocessorImage(const uint8_t* memory);
