// Fuzz target: the ASE mesh loader with any file content, followed by a
// transform and a draw of whatever was loaded.
//
// The capacities given to the loader depend on the input's length (modulo
// four), so the same file is tried against the show's biplane capacities,
// small ones, single records and none at all: records beyond a capacity and
// indices that point outside the arrays must be dropped, never written or
// read out of bounds. The input is read from memory, and only the band of
// depth rows that the previous draw wrote is cleared, as in the show.
#include <cstddef>
#include <cstdint>

#include "core/trig_tables.h"
#include "fuzz_support.h"
#include "render3d/mesh.h"
#include "video/image.h"
#include "video/screen.h"

namespace {

struct Capacities {
    int vertices, faces, texVertices;
};

const Capacities CAPACITY_SETS[4] = {
    {122, 136, 286}, // the biplane's
    {8, 8, 8},
    {1, 1, 1},
    {0, 0, 0},
};

Image* texture = nullptr; // 256x256, as the rasterizer samples it

const Fixed FAR_DEPTH = 0x3E80000; // 1000.0

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    useHeadlessDrivers();
    buildTrigTables();
    Screen* screen = Screen::instance();
    screen->dirtyTop = 0;
    screen->dirtyBottom = SCREEN_HEIGHT;
    screen->clearDepth(FAR_DEPTH);
    texture = new Image(256, 256);
    for (int i = 0; i < 256 * 256; i++)
        texture->pixels[i] = static_cast<uint16_t>(i * 37);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Capacities& c = CAPACITY_SETS[size % 4];
    FILE* input = openInput(data, size);
    Mesh mesh(input, texture, texture, c.vertices, c.faces, c.texVertices);
    fclose(input);

    // Put the mesh in front of the camera so that its faces reach the
    // rasterizer, as the scenes do before every draw; far enough that a
    // model of a few units covers a small part of the frame.
    mesh.position = Vec3{0, 0, 0x200000};
    mesh.angleY = static_cast<int32_t>(size * 977);
    mesh.transform();
    Screen::instance()->clearDepth(FAR_DEPTH);
    mesh.render();
    return 0;
}
