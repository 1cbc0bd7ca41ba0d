// Segment, point and ellipsoid tests against triangles; the split of a vector
// across and along an axis.
#include <gtest/gtest.h>

#include <cmath>

#include "scene/ray_tests.h"
#include "world/object_part.h"

namespace {

void ExpectNear(const Vector3& v, float x, float y, float z, float tolerance = 1e-4f)
{
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

float Dot(const Vector3& a, const Vector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

}  // namespace

TEST(RayTestsTest, SegmentHitsTriangleWhateverTheWindingAndDirection)
{
    // A floor triangle, an upright one and a tilted one (which takes the
    // second view as well), each in both windings.
    const Vector3 floorTriangle[3] = {{0, 0, 0}, {0, 0, 4}, {4, 0, 0}};
    const Vector3 uprightTriangle[3] = {{0, 0, 2}, {4, 0, 2}, {0, 4, 2}};
    const Vector3 tiltedTriangle[3] = {{0, 0, 0}, {4, 2, 0}, {0, 0, 4}};
    struct Case {
        const Vector3* triangle;
        Vector3 from;
        Vector3 to;
        Vector3 expected;
    };
    const Case cases[] = {
        {floorTriangle, {1, 5, 1}, {1, -5, 1}, {1, 0, 1}},
        {uprightTriangle, {1, 1, -3}, {1, 1, 7}, {1, 1, 2}},
        {tiltedTriangle, {1, 10, 1}, {1, -10, 1}, {1, 0.5f, 1}},
    };
    for (const Case& c : cases) {
        const Vector3 reversed[3] = {c.triangle[0], c.triangle[2], c.triangle[1]};
        for (const Vector3* triangle : {c.triangle, static_cast<const Vector3*>(reversed)}) {
            for (int direction = 0; direction < 2; ++direction) {
                const Vector3 segment[2] = {direction ? c.to : c.from, direction ? c.from : c.to};
                Vector3 hit;
                ASSERT_EQ(IntersectRayTriangle(segment, triangle, &hit), 1);
                ExpectNear(hit, c.expected.x, c.expected.y, c.expected.z);
            }
        }
    }
}

TEST(RayTestsTest, SegmentMissesOutsideTheTriangleOrWithBothEndsOnOneSide)
{
    const Vector3 triangle[3] = {{0, 0, 0}, {0, 0, 4}, {4, 0, 0}};
    Vector3 hit{7, 7, 7};
    // Crosses the plane outside the triangle.
    const Vector3 outside[2] = {{3, 1, 3}, {3, -1, 3}};
    EXPECT_EQ(IntersectRayTriangle(outside, triangle, &hit), 0);
    // Both ends strictly above, one of them a hair above the triangle itself.
    const Vector3 above[2] = {{1, 1e-4f, 1}, {1, 3, 1}};
    EXPECT_EQ(IntersectRayTriangle(above, triangle, &hit), 0);
    // Lying flat above the plane and reaching past the triangle's extension.
    const Vector3 flat[2] = {{-10, 0.5f, 1}, {10, 0.5f, 1}};
    EXPECT_EQ(IntersectRayTriangle(flat, triangle, &hit), 0);
    ExpectNear(hit, 7, 7, 7);  // untouched by misses

    // An end exactly on the triangle counts as a crossing.
    const Vector3 touching[2] = {{1, 0, 1}, {1, 3, 1}};
    EXPECT_EQ(IntersectRayTriangle(touching, triangle, &hit), 1);
    ExpectNear(hit, 1, 0, 1);

    const Vector3 line[3] = {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}};
    const Vector3 through[2] = {{1, -5, 1}, {1, 5, 1}};
    EXPECT_EQ(IntersectRayTriangle(through, line, &hit), 0);
    EXPECT_EQ(IntersectRayTriangle(nullptr, triangle, &hit), 0);
}

TEST(RayTestsTest, PointInTriangle2DAcceptsEdgePointsWithinTolerance)
{
    const Vector3 triangle[3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    const Vector3 reversed[3] = {triangle[0], triangle[2], triangle[1]};
    for (const Vector3* t : {static_cast<const Vector3*>(triangle), static_cast<const Vector3*>(reversed)}) {
        Plane plane;
        ComputeTrianglePlane(&plane, t);
        const Vector3 inside{0.25f, 0.25f, 0};
        const Vector3 justOutside{0.5f, -5e-7f, 0};
        const Vector3 outside{0.5f, -1e-5f, 0};
        EXPECT_EQ(PointInTriangle2D(3, &plane, &justOutside, t), 1);
        EXPECT_EQ(PointInTriangle2D(3, &plane, &outside, t), 0);
        EXPECT_EQ(PointInTriangle2D(3, nullptr, &inside, t), 0);
    }
}

TEST(RayTestsTest, PointOnFloorTriangleAtLargeCoordinatesIsAccepted)
{
    // The ground under a viewer far from the origin: float rounding leaves
    // the dropped foot point a few millionths above or below the floor, which
    // a view along x sees as miles off an edge of the edge-on triangle.
    const Vector3 floor[3] = {{90, 50, 90}, {90, 50, 130}, {130, 50, 90}};
    const Vector3 reversed[3] = {floor[0], floor[2], floor[1]};
    for (const Vector3* t : {static_cast<const Vector3*>(floor), static_cast<const Vector3*>(reversed)}) {
        for (const float dy : {4e-6f, -5e-4f}) {
            const Vector3 point{100.3f, 50.0f + dy, 99.7f};
            EXPECT_EQ(PointOnTrianglePlane(&point, t), 1) << "dy " << dy;
        }
        const Vector3 offPlane{100.3f, 50.002f, 99.7f};
        EXPECT_EQ(PointOnTrianglePlane(&offPlane, t), 0);
    }

    // The viewer's collision sphere resting on such a floor as it comes out
    // of an object's world matrix, a few ulps off level, finds it.
    const Vector3 transformedFloor[3] = {{90, 50, 90}, {90, 50.000008f, 130}, {130, 49.999992f, 90}};
    Vector3 foot;
    Vector3 normal;
    float depth = 0;
    for (const float x : {99.9f, 100.37f, 110.2f}) {
        for (const float z : {95.3f, 104.9f}) {
            const Vector3 centre{x, 50.3f, z};
            EXPECT_EQ(IntersectSphereTriangle(centre, transformedFloor, 0.375f, 0.375f, 0.375f, &foot, &normal, &depth),
                      1)
                << "x " << x << " z " << z;
        }
    }
}

TEST(RayTestsTest, SphereTouchesTheFrontSideOnly)
{
    const Vector3 triangle[3] = {{0, 0, 0}, {0, 0, 4}, {4, 0, 0}};  // normal +y
    Vector3 foot;
    Vector3 normal;
    float depth = 0;
    EXPECT_EQ(IntersectSphereTriangle(Vector3{1, 0.25f, 1}, triangle, 0.5f, 0.5f, 0.5f, &foot, &normal, &depth), 1);
    ExpectNear(foot, 1, 0, 1);
    ExpectNear(normal, 0, 1, 0);
    EXPECT_NEAR(depth, 0.25f, 1e-5f);

    // Behind the triangle, however close; beyond the radius; beside it.
    EXPECT_EQ(IntersectSphereTriangle(Vector3{1, -1e-6f, 1}, triangle, 0.5f, 0.5f, 0.5f, &foot, &normal, &depth), 0);
    EXPECT_EQ(IntersectSphereTriangle(Vector3{1, 0.6f, 1}, triangle, 0.5f, 0.5f, 0.5f, &foot, &normal, &depth), 0);
    EXPECT_EQ(IntersectSphereTriangle(Vector3{3, 0.25f, 3}, triangle, 0.5f, 0.5f, 0.5f, &foot, &normal, &depth), 0);
    ExpectNear(foot, 3, 0, 3);  // written before the in-triangle test

    // A flat ellipsoid reaches less far down than its largest semi-axis.
    EXPECT_EQ(IntersectSphereTriangle(Vector3{1, 0.3f, 1}, triangle, 0.5f, 0.2f, 0.5f, &foot, &normal, &depth), 0);
    EXPECT_EQ(IntersectSphereTriangle(Vector3{1, 0.1f, 1}, triangle, 0.5f, 0.2f, 0.5f, &foot, &normal, &depth), 1);
    EXPECT_NEAR(depth, 0.1f, 1e-5f);
    // A zero semi-axis along a zero offset is no contact rather than NaN.
    EXPECT_EQ(IntersectSphereTriangle(Vector3{1, 0, 1}, triangle, 0.5f, 0.0f, 0.5f, &foot, &normal, &depth), 0);
}

TEST(RayTestsTest, RotateIntoPlaneSplitsAcrossAndAlongTheAxis)
{
    const Vector3 up{0, 1, 0};
    Vector3 across;
    Vector3 along;
    RotateIntoPlane(Vector3{3, -4, 0}, up, &across, &along);
    ExpectNear(across, 3, 0, 0);
    ExpectNear(along, 0, -4, 0);

    const Vector3 vectors[] = {{1, 2, 3}, {0.1f, -5, 0.2f}};
    const Vector3 axes[] = {{1, 0, 0}, {0.6f, 0, 0.8f}};
    for (const Vector3& v : vectors) {
        for (const Vector3& axis : axes) {
            RotateIntoPlane(v, axis, &across, &along);
            const float sine = std::sin(Vector3::AngleDegrees(v, axis) * kDegreesToRadians);
            EXPECT_NEAR(Dot(across, axis), 0.0f, 1e-4f);
            EXPECT_NEAR(across.Length(), v.Length() * sine, 1e-4f);
            const Vector3 sum = Vector3::Add(across, along);
            ExpectNear(sum, v.x, v.y, v.z);
        }
    }

    // Parallel to the axis: nothing lies across it.
    RotateIntoPlane(Vector3{0, 2, 0}, up, &across, &along);
    EXPECT_LT(across.Length(), 1e-6f);
    ExpectNear(along, 0, 2, 0);
}
