// Fuzz target: the ASE mesh loader with any file content, followed by a
// transform and a draw of whatever was loaded.
//
// The capacities given to the loader depend on the input's length (modulo
// four), so the same file is tried against the show's biplane capacities,
// small ones, single records and none at all: records beyond a capacity and
// indices that point outside the arrays must be dropped, never written or
// read out of bounds.
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

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    useHeadlessDrivers();
    buildTrigTables();
    Screen::instance();
    texture = new Image(256, 256);
    for (int i = 0; i < 256 * 256; i++)
        texture->pixels[i] = static_cast<uint16_t>(i * 37);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* path = writeInputFile(data, size);
    const Capacities& c = CAPACITY_SETS[size % 4];
    Mesh mesh(path, texture, texture, c.vertices, c.faces, c.texVertices);

    // Put the mesh in front of the camera so that its faces reach the
    // rasterizer, as the scenes do before every draw.
    mesh.position = Vec3{0, 0, 0x80000};
    mesh.angleY = static_cast<int32_t>(size * 977);
    mesh.transform();
    Screen* screen = Screen::instance();
    screen->dirtyTop = 0;
    screen->dirtyBottom = SCREEN_HEIGHT;
    screen->clearDepth(0x3E80000);
    mesh.render();
    return 0;
}
