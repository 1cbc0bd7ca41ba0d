// The object passes: the world's objects drawn into the current target once
// per frame, between the sky box and the overlays (previews, frames, cursor,
// lines). Two families of three, chosen by the scene's shadows switch:
//
//   plain                      shadowed ("defaultshadowmap*.fx")
//   CScene::RenderDefaultPass  CScene::RenderShadowedPass          opaque, not animated
//   CScene::RenderSkinnedPass  CScene::RenderShadowedSkinnedPass   animated (kind 1 or 2)
//   CScene::RenderAlphaPass    CScene::RenderShadowedAlphaPass     transparent, far to near
//
// and CScene::RenderSingleObject, one object seen by a given camera (the
// block-type pictures). The opaque and skinned passes walk the sectors and
// run only while render-set slot 0 occurs in visible geometry (meshKinds);
// the transparent passes walk `labels` (rebuilt each frame by ProjectLabels,
// depth-sorted) and run only while slot 4 does. Objects must be visible;
// the shadowed opaque and transparent passes also skip freshly dropped
// objects.
//
// The plain opaque pass gathers the copies of equal meshes and draws them by
// instances (instance_batches.h); the others draw object by object.
//
// Binding slots, the same in every colour pass. Vertex constant buffers: the
// camera at 0, the world matrix at 1 (the plain opaque pass: the placements
// of a run of copies), the material at 2, the bones at 3.
// Pixel constant buffers: 0 colours, 1 shadow parameters; textures and samplers 0 the
// part's texture with "normal", 5 the shadow map with "shadowmap".
//
// Below: the pieces the object passes are built of, for the other colour
// passes (sky box, generator previews) to share.
#pragma once

#include <algorithm>

#include "render/constant_buffers.h"
#include "world/object.h"
#include "world/object_part.h"
#include "world/polygons_grid.h"

class CCamera;
class CDriver;
class CWorld;
struct Matrix4d;
struct Vector3;

// "PSConstantBufferDef" as a pass starts it: ambient 0.3, diffuse 0.8,
// specular 0.24 (alpha 1).
PSConstantBufferDef PassDefaultColours();

// "ConstantBufferDef" of a camera lit by a point light at `light`.
ConstantBufferDef CameraConstants(const CCamera& camera, const Vector3& light);

// "ConstantBufferDefSM": the camera, the light view of the shadow cascades
// and the light position.
ConstantBufferDefSM ShadowedCameraConstants(const CCamera& camera, const Matrix4d& lightView, const Vector3& light);

// The object's three material colours (ambient, diffuse, specular), each
// brightened by the world's matching additive light colour; red, green and
// blue clamped to [0, 1], alpha the object's own.
PSConstantBufferDef ObjectColours(const CNBObject& object, const CWorld& world);

// (p, p, p, 1) and (1, 1, 1, 1), p the object's material value.
ConstantBufferMaterialSM ObjectMaterial(const CNBObject& object);

// Calls use(mesh, set) for the render sets of each textured part mesh of
// the object, from slot 0 to the mesh's count (386 at most): what a pass
// draws of it. With requiredSlot 0 or more, a mesh without a render set in
// that slot is passed by.
inline constexpr int kAnyMeshSlot = -1;
template <class Use>
void ForEachPartSet(const CNBObject& object, int requiredSlot, Use&& use)
{
    for (int p = 0; object.Parts && p < object.PartCount; ++p) {
        const CPolygonsGrid* mesh = object.Parts[p].mainMesh;
        if (!mesh || !mesh->textures[0]) continue;
        if (requiredSlot >= 0 && !mesh->GetRenderSet(requiredSlot)) continue;
        // The count comes with the mesh; the table it indexes does not grow.
        const int count = std::min(mesh->renderSetSlots, kVertexFormatSlots);
        for (int slot = 0; slot < count; ++slot)
            if (RenderSet* set = mesh->GetRenderSet(slot)) use(*mesh, set);
    }
}

// Draws what ForEachPartSet visits, each mesh's texture bound at pixel slot 0.
void DrawObjectParts(CDriver& driver, const CNBObject& object, int requiredSlot);

// Triangle-list topology, while the driver has a device.
void UseTriangleLists(CDriver& driver);
