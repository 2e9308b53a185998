// The biplane that flies in the cave and among the clouds: one mesh mapped
// with its red environment texture, loaded and viewed the same way by both.
#pragma once

#include "core/fixed.h"

class Image;
class Mesh;

// The lens both scenes see it through.
constexpr Fixed BIPLANE_FOCAL_LENGTH = fixedFromDouble(300.0);

// Loads the texture, then the mesh that uses it; the caller owns both.
void loadBiplane(Image*& texture, Mesh*& mesh);
