// The one view of the 3D renderer, owned by the Screen: plain fixed-point
// data and the rotation built from three table angles.
#pragma once

#include "core/fixed.h"

struct Camera {
    Vec3 position;    // added to every mesh position before the view rotation
    int32_t angleX;   // view angles in 1/65536 turns; only the low 16 bits count
    int32_t angleY;
    int32_t angleZ;
    Vec3 move;        // pending move along the view axes, folded in by update()
    Matrix3 rotation; // view rotation rebuilt from the angles by update()

    // Zero position, angles and move; the exact identity rotation.
    void reset();

    // Rebuilds the rotation from the angles and folds the pending move into
    // the position.
    void update();
};

// Reduces each angle field to its low 16 bits, then builds the rotation from
// the sine and cosine tables (identity multiplied by the rotation).
Matrix3 rotationFromAngles(int32_t& angleX, int32_t& angleY, int32_t& angleZ);
