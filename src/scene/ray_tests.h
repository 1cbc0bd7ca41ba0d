// The geometry that picking, the viewer's collision, the search for a start
// position and the camera's levelled directions share: segment and ellipsoid
// against triangle, the point-in-triangle tests (in a plane seen along one
// axis, and in space), splitting a vector into parts across and along an
// axis, and checks for NaN. Plain functions without state. A triangle is an array of three
// points; results are 1 (yes) or 0 (no).
#pragma once

#include "core/vector3.h"

struct Plane;

// 0 as soon as the float, or any of the vector's components, is NaN; else 1.
int IsNotNaN(float value);
int IsNotNaNVector3(const Vector3& v);

// The segment segment[0]..segment[1] against the triangle. 1 with the crossing
// point in *out (when out is not null); 0 for null arguments, a degenerate
// triangle, ends strictly on one side of its plane, or a crossing outside it.
int IntersectRayTriangle(const Vector3* segment, const Vector3* triangle, Vector3* out);

// The point inside the triangle as seen along one axis: 1 drops x, 2 drops y,
// 3 drops z. The plane's normal gives the winding, so both windings work.
// Points on an edge pass within 1.0000001e-6 of the edge's cross value.
int PointInTriangle2D(int axis, const Plane* plane, const Vector3* point, const Vector3* triangle);

// 1 when the point lies within 0.001 of the triangle's plane and inside it.
int PointOnTrianglePlane(const Vector3* point, const Vector3* triangle);

// The triangle's front side against an ellipsoid at `centre` whose radii
// along x, y and z are a, b and c. Foot (the centre dropped onto the
// plane), normal (the plane's) and depth are written before the last two
// tests, so they are set also for some misses; 1 on contact.
int IntersectSphereTriangle(const Vector3& centre, const Vector3* triangle, float a, float b, float c,
                            Vector3* foot, Vector3* normal, float* depth);

// Splits v into the part perpendicular to `axis` (rotated into the plane
// across the axis, keeping that part's length) and the remainder along it.
// With v parallel to the axis there is no rotation axis and the
// perpendicular part comes out (nearly) zero.
void RotateIntoPlane(const Vector3& v, const Vector3& axis, Vector3* perpendicular, Vector3* along);
