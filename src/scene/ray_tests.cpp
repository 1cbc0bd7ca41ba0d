#include "scene/ray_tests.h"

#include <cmath>

#include "world/object_part.h"

namespace {

constexpr float kEdgeTolerance = 1.0000001e-6f;
constexpr float kOnPlaneTolerance = 0.001f;
// A normal whose two minor components are both this small is taken as lying
// on its dominant axis; a second view along a minor axis would then see the
// triangle edge-on, and its result would be float rounding.
constexpr float kAxisAlignedLimit = 0.02f;

enum DropAxis : int { kDropX = 1, kDropY = 2, kDropZ = 3 };

bool PlaneIsValid(const Plane& plane)
{
    return IsNotNaNVector3(plane.normal) && IsNotNaN(plane.d);
}

// The axis along which the triangle is seen largest, and the second view for
// the cross-check: along the larger of the two other components.
void ChooseViews(const Vector3& n, int* first, int* second)
{
    const float ax = std::fabs(n.x);
    const float ay = std::fabs(n.y);
    const float az = std::fabs(n.z);
    if (ax >= ay && ax >= az) {
        *first = kDropX;
        *second = ay >= az ? kDropY : kDropZ;
    } else if (ay >= ax && ay >= az) {
        *first = kDropY;
        *second = az <= ax ? kDropX : kDropZ;
    } else {
        *first = kDropZ;
        *second = ay <= ax ? kDropX : kDropY;
    }
}

// Both views must agree, except that a nearly axis-aligned triangle is judged
// by its dominant view alone.
bool InsideBothViews(const Plane& plane, const Vector3& point, const Vector3* triangle)
{
    int first = 0;
    int second = 0;
    ChooseViews(plane.normal, &first, &second);
    if (!PointInTriangle2D(first, &plane, &point, triangle)) return false;
    const Vector3& n = plane.normal;
    float minorA = 0.0f;
    float minorB = 0.0f;
    if (first == kDropX) {
        minorA = n.y;
        minorB = n.z;
    } else if (first == kDropY) {
        minorA = n.x;
        minorB = n.z;
    } else {
        minorA = n.x;
        minorB = n.y;
    }
    if (std::fabs(minorA) <= kAxisAlignedLimit && std::fabs(minorB) <= kAxisAlignedLimit) return true;
    return PointInTriangle2D(second, &plane, &point, triangle) != 0;
}

float Dot(const Vector3& a, const Vector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

}  // namespace

int IsNotNaN(float value) { return std::isnan(value) ? 0 : 1; }

int IsNotNaNVector3(const Vector3& v) { return IsNotNaN(v.x) && IsNotNaN(v.y) && IsNotNaN(v.z) ? 1 : 0; }

int IntersectRayTriangle(const Vector3* segment, const Vector3* triangle, Vector3* out)
{
    if (!segment || !triangle) return 0;
    Plane plane;
    ComputeTrianglePlane(&plane, triangle);
    if (!PlaneIsValid(plane)) return 0;
    Vector3 crossing;
    if (!IntersectSegmentPlane(&plane, segment[0], segment[1], &crossing)) return 0;
    if (!IsNotNaNVector3(crossing)) return 0;
    if (!InsideBothViews(plane, crossing, triangle)) return 0;
    if (out) *out = crossing;
    return 1;
}

int PointInTriangle2D(int axis, const Plane* plane, const Vector3* point, const Vector3* triangle)
{
    if (!plane || !point || !triangle) return 0;
    if (axis != kDropX && axis != kDropY && axis != kDropZ) return 0;
    const Vector3& p = *point;
    const Vector3& n = plane->normal;
    for (int edge = 0; edge < 3; ++edge) {
        const Vector3& a = triangle[edge];
        const Vector3& b = triangle[(edge + 1) % 3];
        bool passes = false;
        if (axis == kDropX) {
            const float value = (p.z - a.z) * (b.y - a.y) - (b.z - a.z) * (p.y - a.y);
            passes = n.x >= 0.0f ? value >= -kEdgeTolerance : value <= kEdgeTolerance;
        } else if (axis == kDropY) {
            const float value = (p.z - a.z) * (b.x - a.x) - (b.z - a.z) * (p.x - a.x);
            passes = n.y >= 0.0f ? value <= kEdgeTolerance : value >= -kEdgeTolerance;
        } else {
            const float value = (p.y - a.y) * (b.x - a.x) - (b.y - a.y) * (p.x - a.x);
            passes = n.z >= 0.0f ? value >= -kEdgeTolerance : value <= kEdgeTolerance;
        }
        if (!passes) return 0;
    }
    return 1;
}

int PointOnTrianglePlane(const Vector3* point, const Vector3* triangle)
{
    if (!point || !triangle) return 0;
    Plane plane;
    ComputeTrianglePlane(&plane, triangle);
    if (!PlaneIsValid(plane)) return 0;
    if (std::fabs(Dot(plane.normal, *point) - plane.d) > kOnPlaneTolerance) return 0;
    return InsideBothViews(plane, *point, triangle) ? 1 : 0;
}

int IntersectSphereTriangle(const Vector3& centre, const Vector3* triangle, float a, float b, float c,
                            Vector3* foot, Vector3* normal, float* depth)
{
    if (!triangle) return 0;
    Plane plane;
    ComputeTrianglePlane(&plane, triangle);
    if (!PlaneIsValid(plane)) return 0;
    const Vector3& n = plane.normal;
    const float radius = std::fmax(a, std::fmax(b, c));
    const float w = Dot(n, centre) - plane.d;
    if (w < 0.0f || w > radius) return 0;

    const Vector3 footPoint = Vector3::Sub(centre, Vector3::Scale(n, w));
    if (depth) *depth = radius - w;
    if (normal) *normal = n;
    if (foot) *foot = footPoint;

    // How far the ellipsoid's surface lies beyond the plane along the normal.
    const Vector3 u = Vector3::Scale(n, -w);
    const float qx = u.x / a;
    const float qy = u.y / b;
    const float qz = u.z / c;
    const float q = qx * qx + qy * qy + qz * qz;
    const float k = std::sqrt(q);
    const Vector3 s = k > 0.0f ? Vector3::Divide(u, k) : u;
    if (depth) *depth = Vector3::Sub(s, u).Length();
    // Also false for a NaN q (a zero semi-axis along a zero offset).
    if (!(q <= 1.0f)) return 0;
    return PointOnTrianglePlane(&footPoint, triangle);
}

void RotateIntoPlane(const Vector3& v, const Vector3& axis, Vector3* perpendicular, Vector3* along)
{
    Vector3 k = axis;
    k.CrossAssign(v);
    k.Normalize();
    const float theta = 90.0f - Vector3::AngleDegrees(v, axis);

    Vector3 r = v;
    Vector3::RotateAboutAxis(k, theta, r);
    const float angle = std::fabs(Vector3::AngleDegrees(r, axis));
    if (angle > 95.1f || angle < 85.9f) {
        r = v;
        Vector3::RotateAboutAxis(k, -theta, r);
    }

    const float length = r.Length();
    Vector3 direction = r;
    direction.Normalize();
    const auto cosine = static_cast<float>(std::cos(static_cast<double>(theta * kDegreesToRadians)));
    const Vector3 across = Vector3::Scale(direction, length * cosine);
    if (perpendicular) *perpendicular = across;
    if (along) *along = Vector3::Sub(v, across);
}
