#include "core/box_transform.h"

#include <algorithm>
#include <cfloat>

Vector3 TransformPoint(const Matrix4& matrix, const Vector3& p)
{
    const float* m = matrix.m;
    const float x = m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12];
    const float y = m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13];
    const float z = m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14];
    const float w = m[3] * p.x + m[7] * p.y + m[11] * p.z + m[15];
    // Placements are affine (w is exactly 1), and dividing by 1 changes nothing.
    if (w == 1.0f) return Vector3{x, y, z};
    return Vector3{x / w, y / w, z / w};
}

void ExtendBox(Vector3& low, Vector3& high, const Vector3& p)
{
    low = Vector3{std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
    high = Vector3{std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
}

void TransformBox(const Matrix4& matrix, const Vector3& low, const Vector3& high, Vector3& outLow,
                  Vector3& outHigh)
{
    outLow = Vector3{FLT_MAX, FLT_MAX, FLT_MAX};
    outHigh = Vector3{-FLT_MAX, -FLT_MAX, -FLT_MAX};
    for (int corner = 0; corner < 8; ++corner) {
        const Vector3 local{(corner & 1) ? high.x : low.x, (corner & 2) ? high.y : low.y,
                            (corner & 4) ? high.z : low.z};
        ExtendBox(outLow, outHigh, TransformPoint(matrix, local));
    }
}
