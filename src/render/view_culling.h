// View culling: each frame, before anything is drawn, the scene marks in
// their visible bytes which sectors, objects and object instance records
// could show - near enough, and inside all six planes of the main camera's
// frustum (CScene::CullView, CullSector, CullObject).
// Once the frame's camera is final, CScene::CollectMeshKinds summarises which
// render-set slots occur in visible geometry (CScene::meshKinds); the colour
// passes skip themselves when their slot is not marked.
//
// The test is hierarchical: a sector's sphere (its radius times its scale,
// enlarged by 15 %), then the objects of accepted sectors, then their
// instance records; at each level the distance test runs before the planes.
// The bytes hold from one cull to the next: the objects of a sector that was
// out and is still out are not visited.
#pragma once

#include "scene/camera.h"

struct Vector3;

// The sector sphere is enlarged by this much before it is tested.
inline constexpr float kSectorCullMargin = 1.15f;

// Render-set slots the colour passes look for in CScene::meshKinds.
inline constexpr int kPlainMeshSlot = 0;  // plain material: the opaque and skinned passes
inline constexpr int kGlassMeshSlot = 4;  // glass material: the transparent passes

// True when the sphere is entirely behind some plane, i.e. its centre's
// signed distance is -radius or less (so a sphere that only touches a plane
// from behind is out). The planes are tried from the last to the first.
bool SphereOutsideFrustum(const FrustumPlane (&planes)[6], const Vector3& centre, float radius);
