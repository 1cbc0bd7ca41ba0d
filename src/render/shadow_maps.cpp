// Cascaded shadow maps: the geometry of the cascades, the shadow culling,
// the two caster passes and the pass that runs them per cascade.
//
// Index:
//   - Cache slots and helpers
//   - Box corners, frustum slices and the light depth range
//   - Scene box, light view, cascade distances and projections
//   - The shadowed passes' parameters
//   - Shadow culling (CScene::CullSectors)
//   - Caster passes (CScene::RenderShadowCasters, RenderShadowCastersSkinned)
//   - The pass (CScene::RenderShadowMap)
#include "render/shadow_maps.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "graphics/driver.h"
#include "graphics/gpu_registry.h"
#include "graphics/gpu_texture.h"
#include "graphics/render_set.h"
#include "graphics/texture.h"
#include "render/object_passes.h"
#include "render/view_culling.h"
#include "render/render_caches.h"
#include "scene/scene.h"
#include "world/object.h"
#include "world/object_part.h"
#include "world/polygons_grid.h"
#include "world/sector.h"
#include "world/world.h"

namespace {

// ---------------------------------------------------------------------------
// Cache slots and helpers
// ---------------------------------------------------------------------------

// This pass's slots in the scene's render caches, past the blocks that
// render_caches.h hands out.
constexpr int kSlotBase = 1000;
enum ShaderSlot : int {
    kCasterVertexShader = kSlotBase,
    kCasterPixelShader,
    kSkinnedCasterVertexShader,
    kSkinnedCasterPixelShader,
};
enum BufferSlot : int { kCameraBuffer = kSlotBase, kColourBuffer, kWorldBuffer, kBonesBuffer, kCasterMatricesBuffer };
enum StateSlot : int { kNormalSampler = kSlotBase, kNormalBlend };

// Objects nearer than this (200 units) always enlarge the scene box.
constexpr float kNearCasterDistanceSquared = 40000.0f;
// Objects of this radius or more enlarge it by their centre only.
constexpr float kLargeObjectRadius = 100.0f;
constexpr float kMinimumMargin = 10.0f;
constexpr float kFirstCascadeDistance = 20.0f;
constexpr float kLightEyeFactor = 0.05f;
constexpr float kHomogeneousLimit = 1e-5f;
constexpr float kNormaliseLimit = 1e-8f;
// Below this share of its length across the vertical, the sun counts as
// straight above or below: (0, 1, 0) cannot be its up direction then.
constexpr float kVerticalSunLimit = 1e-3f;

template <class Entry, class LookUp>
Entry* Cached(Entry*& slot, LookUp lookUp)
{
    if (!slot) slot = lookUp();
    return slot;
}

// (p, 1) x m with the homogeneous divide, skipped when |w| < 1e-5.
Vector3 Transform(const Matrix4d& matrix, const Vector3& p)
{
    const double* m = matrix.m;
    const double x = p.x * m[0] + p.y * m[4] + p.z * m[8] + m[12];
    const double y = p.x * m[1] + p.y * m[5] + p.z * m[9] + m[13];
    const double z = p.x * m[2] + p.y * m[6] + p.z * m[10] + m[14];
    const double w = p.x * m[3] + p.y * m[7] + p.z * m[11] + m[15];
    const double divisor = std::fabs(w) < kHomogeneousLimit ? 1.0 : w;
    return Vector3{static_cast<float>(x / divisor), static_cast<float>(y / divisor), static_cast<float>(z / divisor)};
}

Vector3 Transform(const Matrix4& matrix, const Vector3& p)
{
    const float* m = matrix.m;
    const float x = p.x * m[0] + p.y * m[4] + p.z * m[8] + m[12];
    const float y = p.x * m[1] + p.y * m[5] + p.z * m[9] + m[13];
    const float z = p.x * m[2] + p.y * m[6] + p.z * m[10] + m[14];
    const float w = p.x * m[3] + p.y * m[7] + p.z * m[11] + m[15];
    if (std::fabs(w) < kHomogeneousLimit) return Vector3{x, y, z};
    return Vector3{x / w, y / w, z / w};
}

float DistanceSquared(const Vector3& a, const Vector3& b)
{
    const Vector3 d = Vector3::Sub(a, b);
    return d.x * d.x + d.y * d.y + d.z * d.z;
}

void GrowBox(Vector3& boxMin, Vector3& boxMax, const Vector3& low, const Vector3& high)
{
    boxMin = Vector3{std::min(boxMin.x, low.x), std::min(boxMin.y, low.y), std::min(boxMin.z, low.z)};
    boxMax = Vector3{std::max(boxMax.x, high.x), std::max(boxMax.y, high.y), std::max(boxMax.z, high.z)};
}

float Component(const Vector3& v, int axis) { return axis == 0 ? v.x : (axis == 1 ? v.y : v.z); }

void SetComponent(Vector3& v, int axis, float value)
{
    if (axis == 0)
        v.x = value;
    else if (axis == 1)
        v.y = value;
    else
        v.z = value;
}

}  // namespace

// ---------------------------------------------------------------------------
// Box corners, frustum slices and the light depth range
// ---------------------------------------------------------------------------

void ComputeBoxCorners(const Vector3& centre, const Vector3& halfExtents, Vector3 corners[8])
{
    for (int i = 0; i < 8; ++i) {
        const float sx = (i & 1) ? -1.0f : 1.0f;
        const float sy = (i & 2) ? -1.0f : 1.0f;
        const float sz = (i & 4) ? 1.0f : -1.0f;
        corners[i] = Vector3{centre.x + sx * halfExtents.x, centre.y + sy * halfExtents.y,
                             centre.z + sz * halfExtents.z};
    }
}

void ComputeCascadeBounds(const Matrix4d& projection, float nearDepth, float farDepth, Vector3 corners[8])
{
    Matrix4d inverse = projection;
    inverse.Inverse();
    const Vector3 right = Transform(inverse, Vector3{1.0f, 0.0f, 1.0f});
    const Vector3 left = Transform(inverse, Vector3{-1.0f, 0.0f, 1.0f});
    const Vector3 top = Transform(inverse, Vector3{0.0f, 1.0f, 1.0f});
    const Vector3 bottom = Transform(inverse, Vector3{0.0f, -1.0f, 1.0f});
    const float rightSlope = right.x / right.z;
    const float leftSlope = left.x / left.z;
    const float topSlope = top.y / top.z;
    const float bottomSlope = bottom.y / bottom.z;
    const Vector3 directions[4] = {{rightSlope, topSlope, 1.0f},
                                   {leftSlope, topSlope, 1.0f},
                                   {rightSlope, bottomSlope, 1.0f},
                                   {leftSlope, bottomSlope, 1.0f}};
    for (int i = 0; i < 4; ++i) {
        corners[i] = Vector3::Scale(directions[i], nearDepth);
        corners[4 + i] = Vector3::Scale(directions[i], farDepth);
    }
}

namespace {

struct Triangle {
    Vector3 v[3];
};

// The point on the edge a-b where `axis` equals `value`.
Vector3 Cut(const Vector3& a, const Vector3& b, int axis, float value)
{
    const float from = Component(a, axis);
    const float t = (value - from) / (Component(b, axis) - from);
    Vector3 p = Vector3::Add(a, Vector3::Scale(Vector3::Sub(b, a), t));
    SetComponent(p, axis, value);
    return p;
}

// Clips every triangle of `in` against one side of a plane (`keepAbove`:
// the inside is component >= value, else <= value) into `out`; returns the
// count written. Each triangle gives at most two.
int ClipTriangles(const Triangle* in, int count, int axis, float value, bool keepAbove, Triangle* out)
{
    const auto inside = [&](const Vector3& p) {
        return keepAbove ? Component(p, axis) >= value : Component(p, axis) <= value;
    };
    int written = 0;
    for (int t = 0; t < count; ++t) {
        const Triangle& tri = in[t];
        int insideIndex[3];
        int outsideIndex[3];
        int insideCount = 0;
        int outsideCount = 0;
        for (int k = 0; k < 3; ++k) {
            if (inside(tri.v[k]))
                insideIndex[insideCount++] = k;
            else
                outsideIndex[outsideCount++] = k;
        }
        if (insideCount == 3) {
            out[written++] = tri;
        } else if (insideCount == 1) {
            const Vector3& a = tri.v[insideIndex[0]];
            out[written++] = Triangle{{a, Cut(a, tri.v[outsideIndex[0]], axis, value),
                                       Cut(a, tri.v[outsideIndex[1]], axis, value)}};
        } else if (insideCount == 2) {
            const Vector3& a = tri.v[insideIndex[0]];
            const Vector3& b = tri.v[insideIndex[1]];
            const Vector3& c = tri.v[outsideIndex[0]];
            const Vector3 bc = Cut(b, c, axis, value);
            const Vector3 ac = Cut(a, c, axis, value);
            out[written++] = Triangle{{a, b, bc}};
            out[written++] = Triangle{{a, bc, ac}};
        }
    }
    return written;
}

}  // namespace

void ComputeLightDepthRange(const Vector3 lightCorners[8], const Vector3& boundsMin, const Vector3& boundsMax,
                            float& nearDepth, float& farDepth)
{
    static constexpr int kBoxTriangles[12][3] = {{0, 1, 2}, {1, 2, 3}, {4, 5, 6}, {5, 6, 7}, {0, 2, 4}, {2, 4, 6},
                                                 {1, 3, 5}, {3, 5, 7}, {0, 1, 4}, {1, 4, 5}, {2, 3, 6}, {3, 6, 7}};
    // Four planes, each at most doubling the list: 16 triangles at most.
    struct Plane {
        int axis;
        float value;
        bool keepAbove;
    };
    const Plane planes[4] = {{0, boundsMin.x, true}, {0, boundsMax.x, false}, {1, boundsMin.y, true},
                             {1, boundsMax.y, false}};
    nearDepth = FLT_MAX;
    farDepth = -FLT_MAX;
    for (const auto& corners : kBoxTriangles) {
        Triangle lists[2][16];
        lists[0][0] = Triangle{{lightCorners[corners[0]], lightCorners[corners[1]], lightCorners[corners[2]]}};
        int count = 1;
        int current = 0;
        for (const Plane& plane : planes) {
            count = ClipTriangles(lists[current], count, plane.axis, plane.value, plane.keepAbove, lists[1 - current]);
            current = 1 - current;
        }
        for (int t = 0; t < count; ++t)
            for (const Vector3& v : lists[current][t].v) {
                nearDepth = std::min(nearDepth, v.z);
                farDepth = std::max(farDepth, v.z);
            }
    }
}

// ---------------------------------------------------------------------------
// Scene box, light view, cascade distances and projections
// ---------------------------------------------------------------------------

bool ComputeSceneBox(const CWorld& world, const Vector3& viewer, float casterDistance, Vector3& boxMin,
                     Vector3& boxMax, const VisibleObjectRecord* visible)
{
    boxMin = Vector3{FLT_MAX, FLT_MAX, FLT_MAX};
    boxMax = Vector3{-FLT_MAX, -FLT_MAX, -FLT_MAX};
    float margin = 0.0f;
    bool grown = false;
    const float casterDistanceSquared = casterDistance * casterDistance;
    const auto counts = [&](float distanceSquared) {
        return distanceSquared <= casterDistanceSquared || distanceSquared < kNearCasterDistanceSquared;
    };

    const auto grow = [&](const CNBObject& object) {
        if (!object.Visible) return;
        margin = std::max(margin, object.Radius);
        const bool small = object.Radius < kLargeObjectRadius;
        if (counts(DistanceSquared(viewer, object.Center))) {
            GrowBox(boxMin, boxMax, small ? object.BoxMin : object.Center, small ? object.BoxMax : object.Center);
            grown = true;
        }
        for (const ObjectInstance& instance : object.Instances) {
            const Vector3 centre = Transform(instance.transform, object.Center);
            const float distanceSquared = DistanceSquared(viewer, centre);
            const bool counted = (instance.visible && distanceSquared <= casterDistanceSquared) ||
                                 distanceSquared < kNearCasterDistanceSquared;
            if (!counted) continue;
            GrowBox(boxMin, boxMax, small ? Transform(instance.transform, object.BoxMin) : centre,
                    small ? Transform(instance.transform, object.BoxMax) : centre);
            grown = true;
        }
    };
    for (size_t s = 0; s < world.sectors.size(); ++s)
        if (world.sectors[s]) ForEachPossiblyVisibleObject(visible, s, *world.sectors[s], grow);

    margin = std::max(margin, kMinimumMargin);
    // Nothing in view: the margin around the viewer keeps every matrix of the
    // pass finite (the casters are not drawn then).
    if (!grown) boxMin = boxMax = viewer;
    boxMin = Vector3::Sub(boxMin, Vector3{margin, margin, margin});
    boxMax = Vector3::Add(boxMax, Vector3{margin, margin, margin});
    return grown;
}

Matrix4d ComputeLightView(const Vector3& lightPosition, float maxLength)
{
    Vector3 sun = lightPosition;
    if (sun.Length() > maxLength) {
        sun.Normalize();
        sun = Vector3::Scale(sun, maxLength);
    }
    CCamera light;
    light.position = Vector3{-120.0f, 100.0f, -0.3f};
    light.farDistance = 500.0f;
    light.verticalViewAngle = 2.0f;
    light.horizontalViewAngle = 2.0f;
    const float across = std::sqrt(sun.x * sun.x + sun.z * sun.z);
    Vector3 up{0.0f, 1.0f, 0.0f};
    if (!(across > kVerticalSunLimit * sun.Length())) up = Vector3{0.0f, 0.0f, 1.0f};
    light.LookAt(Vector3::Scale(sun, kLightEyeFactor), Vector3{}, up);
    return light.orientation;
}

void ComputeCascadeDistances(float diagonal, int count, float distances[])
{
    if (count <= 0) return;
    for (int i = 0; i < count; ++i) distances[i] = diagonal * static_cast<float>(i) / static_cast<float>(count);
    distances[0] = kFirstCascadeDistance;
}

namespace {

// A range that is empty or not finite becomes one unit (more where one unit
// would vanish beside a huge low end) from its low end.
void WidenEmptyRange(double& low, double& high)
{
    if (high - low > 0.0 && std::isfinite(high - low)) return;
    if (!std::isfinite(low)) low = 0.0;
    high = low + std::max(1.0, std::fabs(low) * 1e-3);
}

}  // namespace

Matrix4d ComputeCascadeProjection(const Vector3& boundsMin, const Vector3& boundsMax, float nearDepth,
                                  float farDepth)
{
    double minX = boundsMin.x, maxX = boundsMax.x;
    double minY = boundsMin.y, maxY = boundsMax.y;
    double nearZ = nearDepth, farZ = farDepth;
    WidenEmptyRange(minX, maxX);
    WidenEmptyRange(minY, maxY);
    WidenEmptyRange(nearZ, farZ);
    Matrix4d projection;
    double* m = projection.m;
    m[0] = 2.0 / (maxX - minX);
    m[5] = 2.0 / (maxY - minY);
    m[10] = 1.0 / (farZ - nearZ);
    m[12] = (maxX + minX) / (minX - maxX);
    m[13] = (maxY + minY) / (minY - maxY);
    m[14] = nearZ / (nearZ - farZ);
    m[15] = 1.0;
    return projection;
}

Matrix4d FitCascade(const CCamera& viewer, const Matrix4d& lightView, const Vector3 lightBoxCorners[8],
                    float farDistance, int shadowSize)
{
    Vector3 corners[8];
    ComputeCascadeBounds(viewer.projectionMatrix, 0.0f, farDistance, corners);
    Matrix4d inverseView = viewer.viewMatrix;
    inverseView.Inverse();
    Vector3 boundsMin{FLT_MAX, FLT_MAX, FLT_MAX};
    Vector3 boundsMax{-FLT_MAX, -FLT_MAX, -FLT_MAX};
    for (Vector3& corner : corners) {
        corner = Transform(inverseView, corner);
        const Vector3 light = Transform(lightView, corner);
        GrowBox(boundsMin, boundsMax, light, light);
    }

    // A square as wide as the slice's longest extent, so the cascade keeps
    // its size in texels whichever way the viewer turns.
    const float bound = Vector3::Sub(corners[0], corners[6]).Length();
    const Vector3 extent = Vector3::Sub(boundsMax, boundsMin);
    Vector3 offset = Vector3::Scale(Vector3::Sub(Vector3{bound, bound, bound}, extent), 0.5f);
    offset.z = 0.0f;
    boundsMax = Vector3::Add(boundsMax, offset);
    boundsMin = Vector3::Sub(boundsMin, offset);

    // Moved in whole texels only, so the shadows' edges stand still.
    const float perTexel = shadowSize > 0 ? bound / static_cast<float>(shadowSize) : 0.0f;
    if (perTexel > 0.0f && std::isfinite(perTexel)) {
        for (Vector3* v : {&boundsMin, &boundsMax}) {
            v->x = std::floor(v->x / perTexel) * perTexel;
            v->y = std::floor(v->y / perTexel) * perTexel;
        }
    }

    float nearDepth = 0.0f;
    float farDepth = 0.0f;
    ComputeLightDepthRange(lightBoxCorners, boundsMin, boundsMax, nearDepth, farDepth);
    // The square misses the scene box: the box's whole depth range stands in.
    if (nearDepth > farDepth) {
        for (int i = 0; i < 8; ++i) {
            nearDepth = std::min(nearDepth, lightBoxCorners[i].z);
            farDepth = std::max(farDepth, lightBoxCorners[i].z);
        }
    }
    return ComputeCascadeProjection(boundsMin, boundsMax, nearDepth, farDepth);
}

// ---------------------------------------------------------------------------
// The shadowed passes' parameters
// ---------------------------------------------------------------------------

void FillShadowMapParameters(const ShadowCascades& cascades, const CWorld& world, const Vector3& lightPosition,
                             PSConstantBufferDefSM& out)
{
    std::memset(&out, 0, sizeof(out));
    constexpr int kCascades = 3;
    const int count = std::clamp(world.shadowCascadeCount, 0, kCascades);
    for (int c = 0; c < count; ++c) {
        const double* p = cascades.cascadeProjections[c].m;
        out.cascadeOffsets[c] = ShaderFloat4{static_cast<float>(p[12] + 1.0), static_cast<float>(p[13] + 1.0),
                                             static_cast<float>(p[14]), 0.0f};
        out.cascadeScales[c] =
            ShaderFloat4{static_cast<float>(p[0]), static_cast<float>(p[5]), static_cast<float>(p[10]), 1.0f};
    }
    out.cascadeSetup = ShaderInt4{kCascades, 0, -1, 2};
    const float size = static_cast<float>(std::max(world.shadowMapSize, 1));
    out.borderAndBias = ShaderFloat4{1.0f / size, (size - 1.0f) / size, 0.001f, 1.0f / 3.0f};
    out.texelSizes = ShaderFloat4{0.005f, 1.0f / size, (1.0f / size) / 3.0f, 0.0f};
    const float* e = cascades.cascadeFarDistances;
    out.cascadeDistances[0] = ShaderFloat4{e[0], e[1], e[2], e[3]};
    out.cascadeDistances[1] = ShaderFloat4{e[4], e[5], e[6], e[7]};
    for (int i = 0; i < kMaxShadowCascades; ++i) out.cascadeDistanceVectors[i].x = e[i];
    for (int c = 0; c < count; ++c) out.cascadeDistanceVectors[c].y = world.shadowDepthBias[c];

    Vector3 direction = lightPosition.Negate();
    const float length = direction.Length();
    if (length >= kNormaliseLimit) direction = Vector3::Divide(direction, length);
    out.lightDirection = ShaderFloat4{direction.x, direction.y, direction.z, 1.0f};
}

// ---------------------------------------------------------------------------
// Shadow culling
// ---------------------------------------------------------------------------

namespace {

// Planes tried from the sixth to the first; a sphere is out of a plane when
// it lies at least its radius behind it.
bool SphereInside(const CCamera& camera, const Vector3& centre, float radius)
{
    for (int i = 5; i >= 0; --i) {
        const FrustumPlane& p = camera.planes[i];
        if (p.a * centre.x + p.b * centre.y + p.c * centre.z + p.d <= -radius) return false;
    }
    return true;
}

}  // namespace

void CScene::CullSectors(const CCamera& camera)
{
    if (!world) return;
    const std::vector<Sector*>& sectors = world->sectors;
    VisibleObjectRecord& record = shadowVisibleObjects;
    record.StartCull(sectors.size());
    for (size_t s = 0; s < sectors.size(); ++s) {
        Sector* sector = sectors[s];
        if (!sector) continue;
        const std::vector<CNBObject*>& objects = sector->objects;
        sector->shadowVisible = 0;
        if (!SphereInside(camera, sector->boundsCentre, sector->radius)) {
            // Its objects keep their bytes: the entry stands while the list
            // does, and a changed list is recorded from the bytes.
            if (record.VisiblePositions(s, *sector)) continue;
            record.Record(s, *sector);
            for (size_t i = 0; i < objects.size(); ++i)
                if (objects[i] && objects[i]->ShadowVisible) record.List(s, static_cast<uint32_t>(i), *objects[i]);
            continue;
        }
        sector->shadowVisible = 1;
        record.Record(s, *sector);
        for (size_t i = 0; i < objects.size(); ++i) {
            if (i + kCullFetchAhead < objects.size()) FetchCulledFields(objects[i + kCullFetchAhead]);
            CNBObject* object = objects[i];
            if (!object) continue;
            object->ShadowVisible = SphereInside(camera, object->Center, object->Radius) ? 1 : 0;
            for (ObjectInstance& instance : object->Instances)
                instance.shadowVisible = SphereInside(camera, instance.center, instance.radius) ? 1 : 0;
            if (object->ShadowVisible) record.List(s, static_cast<uint32_t>(i), *object);
        }
    }
}

// ---------------------------------------------------------------------------
// Caster passes
// ---------------------------------------------------------------------------

namespace {

// Calls draw(object), sector by sector and in list order, for the objects
// that `takes` among those the last shadow culling may have left visible.
// The skinned casters pass by the sectors the record lists no animated
// object of.
template <typename Takes, typename Draw>
void DrawShadowCasters(const VisibleObjectRecord& record, const std::vector<Sector*>& sectors, bool skinned,
                       Takes&& takes, Draw&& draw)
{
    for (size_t index = 0; index < sectors.size(); ++index) {
        if (!sectors[index]) continue;
        const Sector& sector = *sectors[index];
        if (skinned && !record.MayListAnimated(index, sector)) continue;
        ForEachPossiblyVisibleObject(&record, index, sector, [&](const CNBObject& object) {
            if (takes(object)) draw(object);
        });
    }
}

// The set-up both caster passes share; false when a shader or constant
// buffer is missing and nothing may be drawn.
bool PrepareCasterPass(CScene& scene, bool skinned)
{
    CWorld* world = scene.world;
    CDriver* driver = scene.driver;
    if (!world || !driver) return false;
    RenderCaches& caches = scene.renderCaches;
    const char16_t* file = skinned ? u"rendershadowmapskinnedanimation.fx" : u"rendershadowmap.fx";
    ShaderEntry* vertexShader =
        Cached(caches.shaders[skinned ? kSkinnedCasterVertexShader : kCasterVertexShader],
               [&] { return world->FindVertexShader(file); });
    ShaderEntry* pixelShader = Cached(caches.shaders[skinned ? kSkinnedCasterPixelShader : kCasterPixelShader],
                                      [&] { return world->FindPixelShader(file); });
    ConstantBufferEntry* cameraBuffer = Cached(caches.constantBuffers[kCameraBuffer],
                                               [&] { return world->FindConstantBuffer(u"ConstantBufferDef"); });
    ConstantBufferEntry* colourBuffer = Cached(caches.constantBuffers[kColourBuffer],
                                               [&] { return world->FindConstantBuffer(u"PSConstantBufferDef"); });
    // Skinned casters are drawn one by one, the others by instances.
    ConstantBufferEntry* worldBuffer =
        skinned ? Cached(caches.constantBuffers[kWorldBuffer],
                         [&] { return world->FindConstantBuffer(u"ConstantBufferWorldMatrix"); })
                : Cached(caches.constantBuffers[kCasterMatricesBuffer],
                         [&] { return world->FindConstantBuffer(u"ConstantBufferCasterMatrices"); });
    ConstantBufferEntry* bonesBuffer =
        skinned ? Cached(caches.constantBuffers[kBonesBuffer],
                         [&] { return world->FindConstantBuffer(u"ConstantBufferBonesMatrices"); })
                : nullptr;
    if (!vertexShader || !pixelShader || !cameraBuffer || !colourBuffer || !worldBuffer || (skinned && !bonesBuffer))
        return false;

    UseTriangleLists(*driver);
    driver->SetPixelSampler(0,
                            Cached(caches.states[kNormalSampler], [&] { return world->FindSamplerState(u"normal"); }));
    driver->SetBlendState(Cached(caches.states[kNormalBlend], [&] { return world->FindBlendState(u"normal"); }));

    const ConstantBufferDef cameraData = CameraConstants(scene.mainCamera, LightPosition);
    driver->UpdateConstantBuffer(cameraBuffer, &cameraData);
    driver->SetVertexConstantBuffer(0, cameraBuffer);
    const PSConstantBufferDef colours = PassDefaultColours();
    driver->UpdateConstantBuffer(colourBuffer, &colours);
    driver->SetPixelConstantBuffer(0, colourBuffer);
    driver->SetVertexConstantBuffer(1, worldBuffer);
    if (skinned) driver->SetVertexConstantBuffer(3, bonesBuffer);
    driver->SetVertexShader(vertexShader);
    driver->SetPixelShader(pixelShader);
    return true;
}

}  // namespace

void CScene::RenderShadowCasters()
{
    if (!PrepareCasterPass(*this, false)) return;
    ConstantBufferEntry* matricesBuffer = renderCaches.constantBuffers[kCasterMatricesBuffer];
    const auto takes = [](const CNBObject& object) {
        return object.ShadowVisible && !object.IsAnimated() && !object.FreshDrop;
    };
    instanceBatches.Clear();
    DrawShadowCasters(shadowVisibleObjects, world->sectors, false, takes, [&](const CNBObject& object) {
        const ShaderMatrix placement = ShaderMatrixOf(object.WorldMatrix);
        ForEachPartSet(object, kAnyMeshSlot, [&](const CPolygonsGrid&, RenderSet* set) {
            instanceBatches.Add(set, CopyLook{}, placement);
        });
    });
    instanceBatches.ForEachRun([&](RenderSet* set, const CopyLook&, const ShaderMatrix* placements, uint32_t count) {
        driver->UpdateConstantBufferStart(matricesBuffer, placements, count * sizeof(ShaderMatrix));
        driver->DrawRenderSetInstances(set, count);
    });
}

void CScene::RenderShadowCastersSkinned()
{
    if (!PrepareCasterPass(*this, true)) return;
    ConstantBufferEntry* worldBuffer = renderCaches.constantBuffers[kWorldBuffer];
    ConstantBufferEntry* bonesBuffer = renderCaches.constantBuffers[kBonesBuffer];
    // Entries past an object's own bones keep what the object before left.
    ConstantBufferBonesMatrices palette{};
    const auto takes = [](const CNBObject& object) { return object.ShadowVisible && object.IsAnimated(); };
    DrawShadowCasters(shadowVisibleObjects, world->sectors, true, takes, [&](const CNBObject& object) {
        const ConstantBufferWorldMatrix placed{ShaderMatrixOf(object.WorldMatrix)};
        driver->UpdateConstantBuffer(worldBuffer, &placed);
        const size_t bones = std::min(object.Pose.size(), static_cast<size_t>(kMaxBoneMatrices));
        for (size_t b = 0; b < bones; ++b) palette.bones[b] = ShaderMatrixOf(object.Pose[b].matrix);
        driver->UpdateConstantBuffer(bonesBuffer, &palette);
        ForEachPartSet(object, kAnyMeshSlot, [&](const CPolygonsGrid&, RenderSet* set) { driver->DrawRenderSet(set); });
    });
}

// ---------------------------------------------------------------------------
// The pass
// ---------------------------------------------------------------------------

void CScene::RenderShadowMap()
{
    if (!world) return;
    CWorld& w = *world;
    ShadowCascades& cascades = shadowCascades;
    const int count = std::clamp(w.shadowCascadeCount, 0, kMaxShadowCascades);
    const int size = w.shadowMapSize;

    // The viewer's camera goes back in place at the end; the cascades follow
    // the camera the last pass saved, or this one before any pass has run.
    const CCamera viewerCamera = mainCamera;
    const CCamera& fitted = cascades.viewerCameraSaved ? cascades.savedViewerCamera : viewerCamera;

    const bool anyCaster =
        ComputeSceneBox(w, fitted.position, cascades.casterDistance, cascades.sceneBoxMin, cascades.sceneBoxMax,
                        &visibleObjects);
    const Vector3 extent = Vector3::Sub(cascades.sceneBoxMax, cascades.sceneBoxMin);
    const float diagonal = extent.Length();
    const Matrix4d lightView = ComputeLightView(LightPosition, cascades.lightDistanceFactor * diagonal);

    float distances[kMaxShadowCascades] = {};
    ComputeCascadeDistances(diagonal, count, distances);

    Vector3 lightBoxCorners[8];
    ComputeBoxCorners(Vector3::Scale(Vector3::Add(cascades.sceneBoxMin, cascades.sceneBoxMax), 0.5f),
                      Vector3::Scale(extent, 0.5f), lightBoxCorners);
    for (Vector3& corner : lightBoxCorners) corner = Transform(lightView, corner);

    // Only depth is written: the sampled record has no colour view. Without
    // the target nothing is drawn (it would land in the back buffer).
    const bool target = driver && driver->HasDevice() && w.shadowMap && w.shadowMap->gpu && w.shadowMapDepth &&
                        w.shadowMapDepth->gpu && w.shadowMapDepth->gpu->depthView;
    gpu::Viewport keptViewport;
    uint32_t keptViewports = 1;
    if (target) {
        gpu::Context* context = driver->state->context;
        driver->PushRenderTarget(w.shadowMap, w.shadowMapDepth);
        context->ClearDepthStencilView(w.shadowMapDepth->gpu->depthView, gpu::CLEAR_DEPTH | gpu::CLEAR_STENCIL, 1.0f,
                                       0);
        context->RSGetViewports(&keptViewports, &keptViewport);
    }

    CCamera lightCamera;
    lightCamera.position = Vector3{-120.0f, 100.0f, -0.3f};
    lightCamera.farDistance = 500.0f;
    lightCamera.verticalViewAngle = 2.0f;
    lightCamera.horizontalViewAngle = 2.0f;
    for (int c = 0; c < count; ++c) {
        const Matrix4d projection = FitCascade(fitted, lightView, lightBoxCorners, distances[c], size);
        cascades.cascadeFarDistances[c] = distances[c];

        lightCamera.viewMatrix = lightView;
        lightCamera.projectionMatrix = projection;
        lightCamera.UpdateFrustum();
        mainCamera = lightCamera;
        CullSectors(mainCamera);

        if (target) {
            gpu::Viewport viewport;
            viewport.TopLeftX = static_cast<float>(c * size);
            viewport.TopLeftY = 0.0f;
            viewport.Width = static_cast<float>(size);
            viewport.Height = static_cast<float>(size);
            viewport.MinDepth = 0.0f;
            viewport.MaxDepth = 1.0f;
            driver->state->context->RSSetViewports(1, &viewport);
            if (anyCaster) {
                RenderShadowCasters();
                RenderShadowCastersSkinned();
            }
        }
        cascades.lightView = mainCamera.viewMatrix;
        cascades.cascadeProjections[c] = mainCamera.projectionMatrix;
    }

    if (target) {
        driver->PopRenderTarget();
        if (keptViewports > 0) driver->state->context->RSSetViewports(keptViewports, &keptViewport);
    }
    mainCamera = viewerCamera;
    cascades.savedViewerCamera = mainCamera;
    cascades.viewerCameraSaved = 1;
}
