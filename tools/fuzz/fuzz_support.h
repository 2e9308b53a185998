// Helpers shared by the fuzz targets: inputs are read by the loaders from
// memory through a stream, or, for a loader that reads files by name, from
// one scratch file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// A read-only stream over the input's bytes (no copy is made); close it
// with fclose.
FILE* openInput(const uint8_t* data, size_t size);

// Writes the input to this process's scratch file (made on the first call
// under $TMPDIR or /tmp, removed at exit) and returns its path. A `length`
// beyond `size` extends the file with zeros (without writing them: a sparse
// file), so that large files cost little.
const char* writeInputFile(const uint8_t* data, size_t size, size_t length = 0);

// SDL's dummy drivers, so the screen can be made without a display.
void useHeadlessDrivers();
