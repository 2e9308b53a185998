// The textured, depth-tested triangle rasterizer (being written).
#include "render3d/mesh.h"

void Mesh::render() {}

void Mesh::drawSpan(int, int, int, Fixed, Fixed, Fixed, Fixed, Fixed, Fixed) {}
