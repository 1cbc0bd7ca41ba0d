// Picking: the object and point under the aim.
//
// Sections: segment helpers / the shared sector-sphere-triangle search /
// PickAtCursor and PickByRay / selection and the 3D cursor.
#include <algorithm>
#include <cmath>
#include <vector>

#include "core/grid_snap.h"
#include "graphics/driver.h"
#include "platform/window.h"
#include "scene/ray_tests.h"
#include "scene/scene.h"
#include "world/line.h"
#include "world/object.h"
#include "world/object_part.h"
#include "world/polygons_grid.h"
#include "world/sector.h"
#include "world/world.h"

namespace {

constexpr float kPickLength = 1000.0f;

float Dot(const Vector3& a, const Vector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vector3 Minus(const Vector3& a, const Vector3& b) { return Vector3{a.x - b.x, a.y - b.y, a.z - b.z}; }

// The segment start..end crosses the sphere (the quadratic's test as the
// picking has always made it).
bool SegmentCrossesSphere(const Vector3& s, const Vector3& e, const Vector3& c, float r)
{
    const Vector3 d = Minus(e, s);
    const float a = Dot(d, d);
    if (!(a > 0.0f)) return false;
    const float b = 2.0f * Dot(d, Minus(s, c));
    const float cc = Dot(s, s) - 2.0f * Dot(s, c) + Dot(c, c) - r * r;
    const float disc = b * b - 4.0f * a * cc;
    if (disc <= 0.0f) return false;
    const float root = std::sqrt(std::fabs(disc));
    const float t1 = (-b - root) / (2.0f * a);
    const float t2 = (root - b) / (2.0f * a);
    return !(t1 > 1.0f || t2 > 1.0f);
}

bool PointInSphere(const Vector3& p, const Vector3& c, float r)
{
    const Vector3 d = Minus(p, c);
    return Dot(d, d) <= r * r;
}

Vector3 TransformPoint(const Vector3& p, const Matrix4& m)
{
    const float* e = m.m;
    Vector3 out{p.x * e[0] + p.y * e[4] + p.z * e[8] + e[12], p.x * e[1] + p.y * e[5] + p.z * e[9] + e[13],
                p.x * e[2] + p.y * e[6] + p.z * e[10] + e[14]};
    const float w = p.x * e[3] + p.y * e[7] + p.z * e[11] + e[15];
    if (std::fabs(w) >= 1e-5f) out = Vector3{out.x / w, out.y / w, out.z / w};
    return out;
}

struct PickHit {
    CNBObject* object = nullptr;
    Vector3 point;
    Vector3 normal;
    int staticFlag = 0;
    float distance = 0.0f;  // squared, from the segment's start
};

// Records the nearest triangle hit of one object into best (strictly nearer
// only, so the first of equal hits stays).
void TestObjectTriangles(CNBObject* object, const Vector3 segment[2], PickHit& best)
{
    for (int p = 0; p < object->PartCount; ++p) {
        const ObjectPart* part = object->GetPart(p);
        const CPolygonsGrid* mesh = part ? part->mainMesh : nullptr;
        if (!mesh || !mesh->faces || !mesh->positions) continue;
        for (int f = 0; f < mesh->faceCount; ++f) {
            const PolygonFace& face = mesh->faces[f];
            if (face.corners != 3) continue;
            Vector3 triangle[3];
            bool inside = true;
            for (int k = 0; k < 3; ++k) {
                const uint16_t v = mesh->CornerVertex(face, k);
                if (v >= mesh->vertexCount) inside = false;
                else triangle[k] = TransformPoint(mesh->positions[v], object->WorldMatrix);
            }
            if (!inside) continue;
            Vector3 at;
            if (!IntersectRayTriangle(segment, triangle, &at)) continue;
            const Vector3 toHit = Minus(at, segment[0]);
            const float distance = Dot(toHit, toHit);
            if (best.object && !(distance < best.distance)) continue;
            const Vector3 ab = Minus(triangle[1], triangle[0]);
            const Vector3 ac = Minus(triangle[2], triangle[0]);
            Vector3 n{ab.y * ac.z - ab.z * ac.y, ab.z * ac.x - ab.x * ac.z, ab.x * ac.y - ab.y * ac.x};
            const float length = std::sqrt(Dot(n, n));
            if (length >= 1e-8f) n = Vector3{n.x / length, n.y / length, n.z / length};
            best.object = object;
            best.point = at;
            best.normal = n;
            best.staticFlag = object->StaticFlag;
            best.distance = distance;
        }
    }
}

float SnapValue(float value, int n) { return std::round(static_cast<float>(n) * value) / static_cast<float>(n); }

}  // namespace

// ---------------------------------------------------------------------------
// The search shared by both picks
// ---------------------------------------------------------------------------
CNBObject* CScene::PickSegment(const Vector3& start, const Vector3& end, bool fromViewer, Vector3& hitPoint,
                               Vector3& placementPoint, Vector3& normal, int& staticFlag)
{
    hitPoint = Vector3{};
    placementPoint = Vector3{};
    normal = Vector3{};
    staticFlag = 0;
    if (!world) return nullptr;
    if (!IsNotNaNVector3(start) || !IsNotNaNVector3(end)) return nullptr;

    const Vector3 segment[2] = {start, end};
    PickHit best;
    for (Sector* sector : world->sectors) {
        if (!sector) continue;
        // The sphere test alone passes only segments that leave the sphere, so
        // a sector holding an end of the segment is taken as well.
        const bool taken = PointInSphere(start, sector->boundsCentre, sector->radius) ||
                           (!fromViewer && PointInSphere(end, sector->boundsCentre, sector->radius)) ||
                           SegmentCrossesSphere(start, end, sector->boundsCentre, sector->radius);
        if (!taken) continue;
        for (CNBObject* object : sector->objects) {
            if (!object) continue;
            bool candidate = SegmentCrossesSphere(start, end, object->Center, object->Radius);
            if (!fromViewer)
                candidate = candidate || PointInSphere(start, object->Center, object->Radius) ||
                            PointInSphere(end, object->Center, object->Radius);
            if (candidate) TestObjectTriangles(object, segment, best);
        }
    }
    if (!best.object) return nullptr;

    hitPoint = best.point;
    normal = best.normal;
    staticFlag = best.staticFlag;
    const float* m = best.object->WorldMatrix.m;
    placementPoint = Vector3{m[12], m[13], m[14]};
    const int n = SnapDivisions(options.sceneValueA);
    if (staticFlag == 1) {
        placementPoint = SnapToGrid(hitPoint, options.sceneValueA);
    } else if (FlagOn(233)) {
        placementPoint.x = SnapValue(hitPoint.x, n);
        placementPoint.z = SnapValue(hitPoint.z, n);
    }
    return best.object;
}

// ---------------------------------------------------------------------------
// PickAtCursor and PickByRay
// ---------------------------------------------------------------------------
void CScene::RayThroughPixel(int x, int y, Vector3& origin, Vector3& direction, Vector3& farPoint)
{
    mainCamera.viewportWidth = driver ? backBufferWidth : 0;
    mainCamera.viewportHeight = driver ? backBufferHeight : 0;
    Vector3 nearScreen{static_cast<float>(x), static_cast<float>(y), 0.0f};
    Vector3 farScreen{static_cast<float>(x), static_cast<float>(y), 0.991f};
    mainCamera.Unproject(nearScreen, origin);
    mainCamera.Unproject(farScreen, farPoint);
    direction = Minus(farPoint, origin);
    const float length = std::sqrt(Dot(direction, direction));
    if (length >= 1e-8f) direction = Vector3{direction.x / length, direction.y / length, direction.z / length};
}

bool CScene::PointerPosition(int* x, int* y) const
{
    if (!pointerKnown) return platform::GetCursorClientPosition(x, y);
    *x = pointerX;
    *y = pointerY;
    return true;
}

bool CScene::MouseRay(Vector3& origin, Vector3& direction)
{
    origin = Vector3{};
    direction = Vector3{};
    int x = 0;
    int y = 0;
    if (!PointerPosition(&x, &y)) return false;
    Vector3 farPoint;
    RayThroughPixel(x, y, origin, direction, farPoint);
    return true;
}

CNBObject* CScene::PickAtPixel(int x, int y, Vector3& hitPoint, Vector3& placementPoint, Vector3& normal,
                               int& staticFlag)
{
    Vector3 origin;
    Vector3 direction;
    Vector3 farPoint;
    RayThroughPixel(x, y, origin, direction, farPoint);
    const Vector3 end{farPoint.x + kPickLength * direction.x, farPoint.y + kPickLength * direction.y,
                      farPoint.z + kPickLength * direction.z};
    return PickSegment(mainCamera.position, end, true, hitPoint, placementPoint, normal, staticFlag);
}

CNBObject* CScene::PickAtCursor(Vector3& hitPoint, Vector3& placementPoint, Vector3& normal, int& staticFlag)
{
    const Vector3 start = mainCamera.position;
    if (spaceHeld) {
        int x = 0;
        int y = 0;
        // A cursor that cannot be read aims at nothing.
        if (PointerPosition(&x, &y)) return PickAtPixel(x, y, hitPoint, placementPoint, normal, staticFlag);
        hitPoint = placementPoint = normal = Vector3{};
        staticFlag = 0;
        return nullptr;
    }
    const Vector3 forward = ViewForward();
    const Vector3 end{start.x + kPickLength * forward.x, start.y + kPickLength * forward.y,
                      start.z + kPickLength * forward.z};
    return PickSegment(start, end, true, hitPoint, placementPoint, normal, staticFlag);
}

CNBObject* CScene::PickByRay(const PickRay& ray, Vector3& hitPoint, Vector3& placementPoint, Vector3& normal,
                             int& staticFlag)
{
    return PickSegment(Vector3{ray.start[0], ray.start[1], ray.start[2]}, Vector3{ray.end[0], ray.end[1], ray.end[2]},
                       false, hitPoint, placementPoint, normal, staticFlag);
}

Vector3 CScene::ViewForward() const
{
    const double* v = mainCamera.viewMatrix.m;
    return Vector3{static_cast<float>(v[2]), static_cast<float>(v[6]), static_cast<float>(v[10])};
}

// ---------------------------------------------------------------------------
// Selection and the 3D cursor
// ---------------------------------------------------------------------------
CNBObject* CScene::SetCursorPoint()
{
    Vector3 hit;
    Vector3 placement;
    Vector3 normal;
    int staticFlag = 0;
    CNBObject* object = PickAtCursor(hit, placement, normal, staticFlag);
    if (object) cursor3D = hit;
    return object;
}

void CScene::SelectAtCursor()
{
    selectedObject = nullptr;
    if (pickingOff) return;

    int staticFlag = 0;
    selectedObject = PickAtCursor(pickHitPoint, pickPlacementPoint, pickNormal, staticFlag);
    if (selectedObject) {
        const Vector4* colours[3] = {&selectedObject->Ambient, &selectedObject->Diffuse, &selectedObject->Specular};
        for (int c = 0; c < 3; ++c) {
            for (int k = 0; k < 4; ++k) selectedObjectProperties[4 * c + k] = colours[c]->v[k];
        }
    }
    SelectLinesAtCentre();
}

// A point projected by the main camera; false when it lies behind the viewer
// or beyond the far plane, where the projection mirrors it onto the screen.
static bool ProjectLinePoint(const CCamera& camera, Vector3 point, int width, int height, Vector3& screen)
{
    camera.ProjectToScreen(point, width, height);
    screen = point;
    return point.z >= 0.0f && point.z <= 1.0f && IsNotNaNVector3(point);
}

void CScene::SelectLinesAtCentre()
{
    if (!world) return;
    const int width = driver ? backBufferWidth : 0;
    const int height = driver ? backBufferHeight : 0;
    const Vector3 c{static_cast<float>(width / 2), static_cast<float>(height / 2), 0.0f};

    for (CLine* line : world->lines) {
        if (!line || line->pointCount < 2 || !line->points) continue;
        line->active = 0;
        std::fill(line->pointMarks.begin(), line->pointMarks.end(), uint8_t{0});
        for (int i = 0; i < line->pointCount; ++i) {
            Vector3 screen;
            if (!ProjectLinePoint(mainCamera, line->points[i], width, height, screen)) continue;
            if (std::fabs(screen.x - c.x) < 6.0f && std::fabs(screen.y - c.y) < 6.0f &&
                static_cast<size_t>(i) < line->pointMarks.size())
                line->pointMarks[static_cast<size_t>(i)] = 1;
        }

        const int kind = line->LineType;
        int pairs = 0;
        if (kind == kPolyline) pairs = line->pointCount - 1;
        else if (kind == kBSpline) pairs = line->splineSamples;
        else if (kind == kRoundedCurve) pairs = line->curveSamples;
        for (int t = 0; t < pairs && !line->active; ++t) {
            Vector3 a;
            Vector3 b;
            if (kind == kPolyline) {
                a = line->points[t];
                b = line->points[t + 1];
            } else if (kind == kBSpline) {
                line->GetBSplinePoint(t, a);
                line->GetBSplinePoint(t + 1, b);  // the last sample gives the end point
            } else {
                line->GetCurvePoint(t, a);
                line->GetCurvePoint(t + 1, b);
            }
            Vector3 p0;
            Vector3 p1;
            if (!ProjectLinePoint(mainCamera, a, width, height, p0) || !ProjectLinePoint(mainCamera, b, width, height, p1))
                continue;
            const float dx = p1.x - p0.x;
            const float dy = p1.y - p0.y;
            const float length = std::sqrt(dx * dx + dy * dy);
            const float toCentre = std::sqrt((c.x - p0.x) * (c.x - p0.x) + (c.y - p0.y) * (c.y - p0.y));
            if (kind == kPolyline) {
                const float distance =
                    length == 0.0f ? toCentre : ((p0.y - c.y) * dx - (p0.x - c.x) * dy) / length;
                if (std::fabs(distance) < 3.0f) line->active = 1;
                continue;
            }
            float distance = toCentre;
            float w = toCentre > 0.0f ? 1.1f : 0.0f;
            if (length != 0.0f) {
                w = ((p0.x - c.x) * (p0.x - p1.x) + (p0.y - c.y) * (p0.y - p1.y)) / (length * length);
                distance = (dx * (p0.y - c.y) - dy * (p0.x - c.x)) / length;
            }
            if (distance >= 0.0f && distance < 4.0f && w >= 0.0f && w <= 1.0f) line->active = 1;
        }
    }
}
