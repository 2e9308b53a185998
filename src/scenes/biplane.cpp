#include "scenes/biplane.h"

#include "render3d/mesh.h"
#include "video/image.h"

void loadBiplane(Image*& texture, Mesh*& mesh) {
    texture = new Image("data/env_red.png", 256, 256);
    mesh = new Mesh("data/sopwith.ase", texture, texture, 122, 136, 286);
}
