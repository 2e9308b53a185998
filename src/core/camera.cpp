#include "core/camera.h"

#include "core/trig_tables.h"

void Camera::reset() {
    position = Vec3{0, 0, 0};
    angleX = 0;
    angleY = 0;
    angleZ = 0;
    move = Vec3{0, 0, 0};
    rotation = Matrix3{{FIXED_ONE, 0, 0, 0, FIXED_ONE, 0, 0, 0, FIXED_ONE}};
}

Matrix3 rotationFromAngles(int32_t& angleX, int32_t& angleY, int32_t& angleZ) {
    angleX &= 0xFFFF;
    angleY &= 0xFFFF;
    angleZ &= 0xFFFF;
    Matrix3 turn;
    turn.setRotation(SineTable[angleX], SineTable[angleY], SineTable[angleZ], CosineTable[angleX],
                     CosineTable[angleY], CosineTable[angleZ]);
    Matrix3 result;
    result.setIdentity();
    result.multiply(turn);
    return result;
}

void Camera::update() {
    rotation = rotationFromAngles(angleX, angleY, angleZ);
    // The move is given along the view axes: take it through the transposed
    // rotation into world space.
    const Fixed* r = rotation.m;
    position.x =
        fixedAdd(position.x, fixedAdd(fixedAdd(fixedMul(move.x, r[0]), fixedMul(move.y, r[1])),
                                      fixedMul(move.z, r[2])));
    position.y =
        fixedAdd(position.y, fixedAdd(fixedAdd(fixedMul(move.x, r[3]), fixedMul(move.y, r[4])),
                                      fixedMul(move.z, r[5])));
    position.z =
        fixedAdd(position.z, fixedAdd(fixedAdd(fixedMul(move.x, r[6]), fixedMul(move.y, r[7])),
                                      fixedMul(move.z, r[8])));
    move = Vec3{0, 0, 0};
}
