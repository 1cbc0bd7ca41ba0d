// CScene::CullView, CullSector, CullObject and CollectMeshKinds.
#include "render/view_culling.h"

#include <cmath>
#include <cstring>

#include "core/vector3.h"
#include "scene/scene.h"
#include "world/object.h"
#include "world/sector.h"
#include "world/world.h"

namespace {

float SquaredDistance(const Vector3& a, const Vector3& b)
{
    const float dx = a.x - b.x;
    const float dy = a.y - b.y;
    const float dz = a.z - b.z;
    return dx * dx + dy * dy + dz * dz;
}

// 1 when the sphere is within the view distance of the camera (the distance
// to its centre at most viewDistance + radius) and inside every plane.
uint8_t SphereVisible(const CCamera& camera, const Vector3& centre, float radius)
{
    const float reach = camera.farDistance + radius;
    if (SquaredDistance(camera.position, centre) > reach * reach) return 0;
    return SphereOutsideFrustum(camera.planes, centre, radius) ? 0 : 1;
}

}  // namespace

bool SphereOutsideFrustum(const FrustumPlane (&planes)[6], const Vector3& centre, float radius)
{
    for (int i = 5; i >= 0; --i) {
        const FrustumPlane& plane = planes[i];
        if (plane.a * centre.x + plane.b * centre.y + plane.c * centre.z + plane.d <= -radius) return true;
    }
    return false;
}

// ---------------------------------------------------------------------------
// Culling
// ---------------------------------------------------------------------------

void CScene::CullView()
{
    if (!world) return;
    for (Sector* sector : world->sectors)
        if (sector) CullSector(sector);
}

void CScene::CullSector(Sector* sector)
{
    if (!sector) return;
    const CCamera& camera = mainCamera;
    const float reach = sector->radius * sector->scale * kSectorCullMargin;
    const float distance = std::sqrt(SquaredDistance(camera.position, sector->boundsCentre));
    const bool out =
        distance > reach + camera.farDistance || SphereOutsideFrustum(camera.planes, sector->boundsCentre, reach);
    if (out) {
        // Objects of a sector that goes out go with it, even those that lie
        // inside the frustum; after that they are not visited again.
        if (sector->visible)
            for (CNBObject* object : sector->objects)
                if (object) object->Visible = 0;
        sector->visible = 0;
        return;
    }
    sector->visible = 1;
    for (CNBObject* object : sector->objects) CullObject(object);
}

int CScene::CullObject(CNBObject* object)
{
    if (!object) return 0;
    // A skeletal object is tested where its root bone was last posed.
    const bool posedCentre = object->AnimationMode == 2 && object->RootPositionValid;
    const Vector3& centre = posedCentre ? object->RootPosition : object->Position;
    const float radius = object->Radius;
    object->Visible = SphereVisible(mainCamera, centre, radius);
    for (ObjectInstance& instance : object->Instances)
        instance.visible = SphereVisible(mainCamera, instance.center, radius);
    return 0;
}

// ---------------------------------------------------------------------------
// Mesh kinds
// ---------------------------------------------------------------------------

void CScene::CollectMeshKinds()
{
    std::memset(meshKinds, 0, sizeof(meshKinds));
    if (!world) return;
    for (const Sector* sector : world->sectors) {
        if (!sector || !sector->visible) continue;
        for (int slot = 0; slot < kVertexFormatSlots; ++slot) {
            if (meshKinds[slot] || !sector->renderFlags[slot]) continue;
            for (const CNBObject* object : sector->objects) {
                if (!object) continue;
                if (object->Visible) {
                    meshKinds[slot] = 1;
                    break;
                }
                if (!object->Instances.empty() && object->Instances.front().visible) meshKinds[slot] = 1;
            }
        }
    }
}
