// Cascaded shadow maps: the depth of the shadow casters seen from the sun,
// three cascades side by side in the world's one "shadowmap" depth texture
// (CWorld::CreateShadowMaps). Each cascade covers the viewer's frustum from
// the eye out to its far distance, squared and snapped to whole shadow texels
// so the shadows do not shimmer while the viewer moves, with a depth range
// taken from the scene box as the light sees it.
//
// CScene::RenderShadowMap (shadow_maps.cpp) runs the pass once per frame
// before the colour passes. While it culls and draws a cascade
// (CScene::CullSectors, CScene::RenderShadowCasters,
// CScene::RenderShadowCastersSkinned), `mainCamera` holds that cascade's
// light camera; the viewer's camera is restored at the end. What it
// publishes in ShadowCascades is read by the shadowed object passes of the
// same frame; they fill their pixel-stage shadow buffer with
// FillShadowMapParameters.
//
// Index:
//   - ShadowCascades: the pass's state kept in the scene
//   - The geometry of one pass (free functions, no device needed)
//   - The shadowed passes' parameters
#pragma once

#include <cfloat>
#include <cstdint>

#include "core/matrix4d.h"
#include "core/vector3.h"
#include "render/constant_buffers.h"
#include "scene/camera.h"

class CWorld;
class VisibleObjectRecord;

// ---------------------------------------------------------------------------
// ShadowCascades: the pass's state kept in the scene
// ---------------------------------------------------------------------------

struct ShadowCascades {
    // The scene box of the last pass (world space, margin included); empty
    // (+FLT_MAX / -FLT_MAX) until a pass has run.
    Vector3 sceneBoxMin{FLT_MAX, FLT_MAX, FLT_MAX};
    Vector3 sceneBoxMax{-FLT_MAX, -FLT_MAX, -FLT_MAX};
    // Objects farther than this from the viewer enlarge the scene box only
    // within 200 units.
    float casterDistance = 1000.0f;
    // The light position is cut to at most this many scene-box diagonals
    // from the origin before the light's view is built from it.
    float lightDistanceFactor = 1000.0f;
    // The viewer's camera as the last pass left it: the cascades of a frame
    // are fitted to the camera of the frame before. Until a pass has stored
    // one the main camera itself is used.
    CCamera savedViewerCamera;
    uint8_t viewerCameraSaved = 0;

    // Published for the shadowed passes: the sun's view (shared by every
    // cascade), each cascade's orthographic projection and far distance
    // (only the world's cascade count of entries are written; the rest stay
    // zero).
    Matrix4d lightView;
    Matrix4d cascadeProjections[kMaxShadowCascades];
    float cascadeFarDistances[kMaxShadowCascades] = {};
};

// ---------------------------------------------------------------------------
// The geometry of one pass
// ---------------------------------------------------------------------------

// Corner i of the box around `centre`: a set bit 0 of i picks the low x
// side, bit 1 low y, bit 2 high z; a clear bit picks the other side.
void ComputeBoxCorners(const Vector3& centre, const Vector3& halfExtents, Vector3 corners[8]);

// The eight view-space corners of the frustum slice between view depths
// `nearDepth` and `farDepth` of a perspective projection: corners 0-3 are the
// directions (right, top), (left, top), (right, bottom), (left, bottom) at
// z = 1 scaled by nearDepth, corners 4-7 the same scaled by farDepth.
void ComputeCascadeBounds(const Matrix4d& projection, float nearDepth, float farDepth, Vector3 corners[8]);

// The nearest and farthest light-space depth of the box (its eight light-space
// corners, in ComputeBoxCorners order) within the x/y rectangle of
// boundsMin..boundsMax: the box's twelve triangles are clipped to the
// rectangle and the depths of what is left taken. Nothing left gives near
// +FLT_MAX and far -FLT_MAX.
void ComputeLightDepthRange(const Vector3 lightCorners[8], const Vector3& boundsMin, const Vector3& boundsMax,
                            float& nearDepth, float& farDepth);

// The scene box of a pass: every view-visible object (and counting instance
// record) of the world's sectors within the caster distance of `viewer`, or
// within 200 units whatever that distance, widened on every side by the
// largest bounding radius seen, at least 10. False when nothing grew the box;
// the box is then the 10-unit margin around the viewer. With the record of
// the view cull that set the visible bytes, a sector it describes is walked
// through the objects it lists (the same objects, without reading every
// byte of a large world).
bool ComputeSceneBox(const CWorld& world, const Vector3& viewer, float casterDistance, Vector3& boxMin,
                     Vector3& boxMax, const VisibleObjectRecord* visible = nullptr);

// The sun's view matrix: looking from 0.05 x the light vector towards the
// world origin, the light vector shortened to maxLength when it is longer.
// A sun straight above or below looks with (0, 0, 1) as its up direction.
Matrix4d ComputeLightView(const Vector3& lightPosition, float maxLength);

// The far distance of each of `count` cascades over a scene of the given
// diagonal: diagonal x i / count, the first 20.
void ComputeCascadeDistances(float diagonal, int count, float distances[]);

// The left-handed off-centre orthographic projection of the light-space box
// x, y within boundsMin..boundsMax and depth near..far (row-vector form).
// Empty ranges are widened to one unit so the matrix stays finite.
Matrix4d ComputeCascadeProjection(const Vector3& boundsMin, const Vector3& boundsMax, float nearDepth,
                                  float farDepth);

// One cascade fitted to the viewer: the light-space square around the slice
// of the viewer's frustum from the eye to farDistance, snapped to whole
// texels of a cascade of shadowSize texels, with the depth range of the scene
// box (its light-space corners) within it. Returns the projection.
Matrix4d FitCascade(const CCamera& viewer, const Matrix4d& lightView, const Vector3 lightBoxCorners[8],
                    float farDistance, int shadowSize);

// ---------------------------------------------------------------------------
// The shadowed passes' parameters
// ---------------------------------------------------------------------------

// "PSConstantBufferDefSM" from the last pass's cascades and the world's
// shadow settings: per cascade c its offsets and scales, the fixed filter
// set-up and texel sizes, the far distances, and the light direction (minus
// the light position, unit length unless shorter than 1e-8). The depth bias
// of cascade c (CWorld::shadowDepthBias) goes into the otherwise reserved
// y of cascadeDistanceVectors[c]; the shadowed effects add it to the depth
// they compare.
void FillShadowMapParameters(const ShadowCascades& cascades, const CWorld& world, const Vector3& lightPosition,
                             PSConstantBufferDefSM& out);
