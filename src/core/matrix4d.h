// The 4x4 double matrix of the cameras and the physics bodies. Same layout and
// conventions as Matrix4: row-major (element (r, c) at r * 4 + c, translation
// in elements 12, 13, 14), row vectors (p' = p x M; A x B applies A first).
#pragma once

#include "core/vector3.h"

struct Matrix4d {
    double m[16] = {};
    // Set to 1 by SetIdentity and Rotate; no other operation changes it.
    int identity = 0;

    void SetIdentity();
    // this = this x R, R the right-handed rotation by `degrees` about `axis`.
    // Normalises the caller's axis in place, except a near-zero one (length
    // below 1e-8), which stays untouched. The identity flag ends as 1.
    void Rotate(Vector3& axis, float degrees);
    // out = this x b; out may be this or b. out's identity flag is kept.
    void Multiply(const Matrix4d& b, Matrix4d& out) const;
    void Transpose();
    double Determinant() const;
    // In place. A singular matrix (determinant exactly 0) becomes its adjugate.
    void Inverse();
};

// The determinant of the 3x3 minor of a row-major 4x4 matrix without row
// `skipRow` and column `skipColumn`. Shared by both matrix kinds.
double MinorDeterminant(const double m[16], int skipRow, int skipColumn);
