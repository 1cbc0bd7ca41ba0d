// Points and boxes through a 4x4 float matrix in the row-vector convention
// (p' = (x, y, z, 1) x M, translation in elements 12-14), with the homogeneous
// divide. Shared by everything that turns a local box into a world box.
#pragma once

#include "core/matrix4.h"
#include "core/vector3.h"

// (x, y, z, 1) x M with x, y and z divided by the resulting w (no guard: a w
// of 0 gives infinities or NaN, which callers' finite checks reject).
Vector3 TransformPoint(const Matrix4& matrix, const Vector3& point);

// The axis-aligned box around all eight transformed corners of the box
// [low, high]: a rotation can swap or mix the axes, so the two transformed
// extreme corners alone do not bound it. Sets outLow/outHigh.
void TransformBox(const Matrix4& matrix, const Vector3& low, const Vector3& high, Vector3& outLow,
                  Vector3& outHigh);

// Grows [low, high] component by component to include p.
void ExtendBox(Vector3& low, Vector3& high, const Vector3& p);
