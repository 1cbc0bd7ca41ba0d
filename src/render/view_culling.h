// View culling: once per frame, before any pass draws, the scene decides
// which sectors, objects and object instance records the viewer can see, by
// distance and by the six frustum planes of the main camera, and leaves the
// answer in their visible bytes (CScene::CullView, CullSector, CullObject).
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

// True when the sphere lies wholly on the outer side of one of the planes:
// a x + b y + c z + d <= -radius. The planes are tried from the last to the
// first; so a sphere whose centre is exactly `radius` behind a plane is out.
bool SphereOutsideFrustum(const FrustumPlane (&planes)[6], const Vector3& centre, float radius);
