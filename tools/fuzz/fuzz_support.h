// Helpers shared by the fuzz targets: the loaders under test read files by
// name, so each input is written to one scratch file first.
#pragma once

#include <cstddef>
#include <cstdint>

// Writes the input to this process's scratch file (made on the first call
// under $TMPDIR or /tmp, removed at exit) and returns its path. A `length`
// beyond `size` extends the file with zeros (without writing them: a sparse
// file), so that large files cost little.
const char* writeInputFile(const uint8_t* data, size_t size, size_t length = 0);

// SDL's dummy drivers, so the screen can be made without a display.
void useHeadlessDrivers();
