// The 4x4 float matrix of object and bone transforms.
// Row-major: element (r, c) at r * 4 + c; the translation is elements 12, 13, 14.
// Row vectors: a point transforms as p' = p x M, and A x B applies A first.
#pragma once

#include "core/vector3.h"

struct Matrix4 {
    float m[16] = {};
    // Set to 1 by SetIdentity; no other operation changes it.
    int identity = 0;

    void SetIdentity();
    // out = this x b; out may be this or b. out's identity flag is kept.
    void Multiply(const Matrix4& b, Matrix4& out) const;
    // this = this x R, R the right-handed rotation by `degrees` about `axis`.
    // Normalises the caller's axis in place, except a near-zero one (length
    // below 1e-8), which stays untouched. `identity` keeps its value.
    void Rotate(Vector3& axis, float degrees);
    void Transpose();
    Vector3 GetTranslation() const;
    float Determinant() const;
    // In place. A singular matrix (determinant exactly 0) becomes its adjugate.
    void Inverse();
    // The rotation of the unit quaternion q (q.v[0] the scalar part), in the
    // row-vector form; the whole matrix is overwritten, the flag is kept.
    void FromQuaternion(const Vector4& q);
};
