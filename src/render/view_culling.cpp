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

void FetchCulledFields(const CNBObject* object)
{
    // The fields a cull reads span at most two lines, from Position to Kind;
    // the posed centre's line is left to the few skeletal objects that read it.
    if (!object) return;
    __builtin_prefetch(&object->Position, 1);
    __builtin_prefetch(&object->Kind, 1);
}

// ---------------------------------------------------------------------------
// Culling
// ---------------------------------------------------------------------------

namespace {

// The sector test: false when the sector is out.
bool SectorInView(const CCamera& camera, const Sector& sector)
{
    const float reach = sector.radius * sector.scale * kSectorCullMargin;
    const float distance = std::sqrt(SquaredDistance(camera.position, sector.boundsCentre));
    const bool out =
        distance > reach + camera.farDistance || SphereOutsideFrustum(camera.planes, sector.boundsCentre, reach);
    return !out;
}

// The object test; leaves the object's and its instances' visible bytes.
void TestObject(const CCamera& camera, CNBObject& object)
{
    // A skeletal object is tested where its root bone was last posed.
    const bool posedCentre = object.AnimationMode == 2 && object.RootPositionValid;
    const Vector3& centre = posedCentre ? object.RootPosition : object.Position;
    const float radius = object.Radius;
    object.Visible = SphereVisible(camera, centre, radius);
    for (ObjectInstance& instance : object.Instances) instance.visible = SphereVisible(camera, instance.center, radius);
}

// The sector and, when it is in, its objects. With a record, the sector's
// entry (at `index`) is brought up to date.
void CullSectorObjects(const CCamera& camera, Sector& sector, VisibleObjectRecord* record, size_t index)
{
    std::vector<CNBObject*>& objects = sector.objects;
    if (!SectorInView(camera, sector)) {
        // Objects of a sector that goes out go with it, even those that lie
        // inside the frustum; after that they are not visited again.
        if (sector.visible) {
            sector.visible = 0;
            for (CNBObject* object : objects)
                if (object) object->Visible = 0;
            if (record) record->Record(index, sector);
            return;
        }
        // Still out: the entry stands while the list does; a changed list is
        // recorded from the bytes its objects bring.
        if (!record || record->VisiblePositions(index, sector)) return;
        record->Record(index, sector);
        for (size_t i = 0; i < objects.size(); ++i)
            if (objects[i] && objects[i]->Visible) record->List(index, static_cast<uint32_t>(i), *objects[i]);
        return;
    }
    sector.visible = 1;
    if (record) record->Record(index, sector);
    for (size_t i = 0; i < objects.size(); ++i) {
        if (i + kCullFetchAhead < objects.size()) FetchCulledFields(objects[i + kCullFetchAhead]);
        if (!objects[i]) continue;
        TestObject(camera, *objects[i]);
        if (record && objects[i]->Visible) record->List(index, static_cast<uint32_t>(i), *objects[i]);
    }
}

}  // namespace

void CScene::CullView()
{
    if (!world) return;
    const std::vector<Sector*>& sectors = world->sectors;
    visibleObjects.StartCull(sectors.size());
    for (size_t i = 0; i < sectors.size(); ++i)
        if (sectors[i]) CullSectorObjects(mainCamera, *sectors[i], &visibleObjects, i);
}

void CScene::CullSector(Sector* sector)
{
    if (!sector) return;
    visibleObjects.Clear();
    CullSectorObjects(mainCamera, *sector, nullptr, 0);
}

int CScene::CullObject(CNBObject* object)
{
    if (!object) return 0;
    visibleObjects.Clear();
    TestObject(mainCamera, *object);
    return 0;
}

// ---------------------------------------------------------------------------
// The record of visible objects
// ---------------------------------------------------------------------------

const std::vector<uint32_t>* VisibleObjectRecord::VisiblePositions(size_t index, const Sector& sector) const
{
    if (index >= entries_.size()) return nullptr;
    const Entry& entry = entries_[index];
    if (entry.sector != &sector || entry.objects != sector.objects) return nullptr;
    return &entry.visible;
}

void VisibleObjectRecord::StartCull(size_t count)
{
    entries_.resize(count);
    ++cull_;
}

bool VisibleObjectRecord::MayListAnimated(size_t index, const Sector& sector) const
{
    return !VisiblePositions(index, sector) || entries_[index].cull != cull_ || entries_[index].animated;
}

void VisibleObjectRecord::Record(size_t index, const Sector& sector)
{
    Entry& entry = entries_[index];
    entry.sector = &sector;
    entry.objects = sector.objects;
    entry.visible.clear();
    entry.animated = false;
    entry.cull = cull_;
}

void VisibleObjectRecord::List(size_t index, uint32_t position, const CNBObject& object)
{
    Entry& entry = entries_[index];
    entry.visible.push_back(position);
    if (object.IsAnimated()) entry.animated = true;
}

void VisibleObjectRecord::Clear() { entries_.clear(); }

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
