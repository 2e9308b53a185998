// The program image for the second CPU (data/ogg940.bin) as the desktop knows
// it. Two images are ours:
//  - the second CPU's real program (coprocessor/), recognised by an identity
//    at COPROCESSOR_PROGRAM_IDENTITY_OFFSET; the desktop runs it in its
//    emulated ARM940T where Unicorn is installed, else in its native stand-in;
//  - a small desktop image that begins with a header: the native stand-in
//    runs it (the build writes it when it could not make the real program).
// Any other content runs in the emulated ARM940T where there is one, and
// leaves the second CPU halted where there is not, as a CPU with a program
// that is not ours would stay silent. The tools write these images
// (tools/coprocessor_image_file.h).
#pragma once

#include <cstddef>
#include <cstdint>

const uint8_t COPROCESSOR_IMAGE_MAGIC[8] = {'Q', 'V', 'N', '9', '4', '0', 'D', 'T'};
const size_t COPROCESSOR_IMAGE_HEADER_SIZE = 16;
const uint32_t COPROCESSOR_IMAGE_VERSION = 1; // little-endian, after the magic

const uint8_t COPROCESSOR_PROGRAM_MAGIC[8] = {'Q', 'V', 'N', '9', '4', '0', 'A', 'R'};
const size_t COPROCESSOR_PROGRAM_IDENTITY_OFFSET = 0x30;
const uint32_t COPROCESSOR_PROGRAM_VERSION = 1; // little-endian, after the magic
// Bytes of an image that coprocessorImageKind() looks at.
const size_t COPROCESSOR_IMAGE_PROBE_SIZE = COPROCESSOR_PROGRAM_IDENTITY_OFFSET + 16;

enum class CoprocessorImageKind { DESKTOP_IMAGE, REAL_PROGRAM, FOREIGN };

// True when `memory` (at least COPROCESSOR_IMAGE_HEADER_SIZE bytes) starts
// with an image the desktop stand-in runs.
bool isDesktopCoprocessorImage(const uint8_t* memory);

// What `memory` (at least COPROCESSOR_IMAGE_PROBE_SIZE bytes) holds.
CoprocessorImageKind coprocessorImageKind(const uint8_t* memory);
