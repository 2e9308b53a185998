#include "render3d/camera.h"

void Camera::reset() {
    position = Vec3{0, 0, 0};
    angleX = 0;
    angleY = 0;
    angleZ = 0;
    move = Vec3{0, 0, 0};
    rotation = Matrix3{{FIXED_ONE, 0, 0, 0, FIXED_ONE, 0, 0, 0, FIXED_ONE}};
}
