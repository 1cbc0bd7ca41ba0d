// View culling: before anything is drawn each frame, the scene sets the
// visible bytes of the sectors, objects and object instance records that may
// show - within reach and inside the main camera's frustum (CScene::CullView,
// CullSector, CullObject). With the camera final, CScene::CollectMeshKinds
// notes in CScene::meshKinds which render-set slots visible geometry uses; a
// colour pass whose slot is unmarked does nothing.
//
// Tests go top-down: a sector's bounding sphere (radius x scale, plus 15 %),
// then the objects of sectors that pass, then their instance records, each
// level checking distance before the planes. Visible bytes persist between
// culls: a sector leaving the view clears its objects' bytes once, and while
// it stays out they are skipped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "scene/camera.h"
#include "world/sector.h"

class CNBObject;
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

// Objects are large and spread over memory, so a cull walking a sector's
// list brings what it reads of an object (the fields grouped at the start of
// CNBObject) into the cache this many objects ahead of testing it.
inline constexpr size_t kCullFetchAhead = 8;
void FetchCulledFields(const CNBObject* object);

// What CScene::CullView left, sector by sector: the positions in each
// sector's object list of the objects whose visible byte is set (and the
// same for CScene::CullSectors and the shadow-visible bytes). The passes walk
// these instead of reading the byte of every object of the world (each read
// a cache miss on a large object), which is the same walk as long as the
// bytes are written by their cull alone: an entry holds a copy of its
// sector's list as the cull saw it and answers only while the list is
// unchanged, and the passes still test each listed object's byte. A sector
// that stays out keeps its entry from frame to frame, as its objects keep
// their bytes; one whose list changed meanwhile is recorded from the bytes.
class VisibleObjectRecord {
public:
    // The record of the sector at `index` in the world's sector list, or
    // null when the record does not describe that sector as it is now (never
    // recorded, a different sector, or its object list changed since): then
    // every object's own byte has to be read.
    const std::vector<uint32_t>* VisiblePositions(size_t index, const Sector& sector) const;
    // False only when the last cull recorded the sector as it is now and
    // listed no animated object of it: the skinned passes then pass the
    // sector by. (The passes run in the frame of the cull they read, and
    // nothing between them starts an animation; an entry left standing from
    // an earlier cull always answers true.)
    bool MayListAnimated(size_t index, const Sector& sector) const;

    // For the culls, first: the world's list has `count` sectors, entries
    // past it go, and the entries standing are from an earlier cull.
    void StartCull(size_t count);
    // For the culls: starts the entry of the sector at `index` anew, keeping
    // a copy of its list and listing none of its objects.
    void Record(size_t index, const Sector& sector);
    // For the culls, in list order: lists the object at `position` of the
    // sector's list in the entry last started at `index`.
    void List(size_t index, uint32_t position, const CNBObject& object);
    // Forgets every sector (a cull outside CullView changed bytes).
    void Clear();

private:
    struct Entry {
        const Sector* sector = nullptr;
        std::vector<CNBObject*> objects;  // the sector's list when recorded
        std::vector<uint32_t> visible;
        bool animated = false;  // some listed object was
        uint64_t cull = 0;      // the cull that recorded it
    };
    std::vector<Entry> entries_;
    uint64_t cull_ = 0;
};

// Calls visit(object), in list order, for the objects of the sector at
// `index` that the last cull may have left visible: those `record` lists
// while it describes the sector as it is now, else every object of the
// sector. Either way the caller still tests each object's own byte. A null
// record gives every object.
template <class Visit>
void ForEachPossiblyVisibleObject(const VisibleObjectRecord* record, size_t index, const Sector& sector,
                                  Visit&& visit)
{
    const std::vector<CNBObject*>& objects = sector.objects;
    if (const std::vector<uint32_t>* listed = record ? record->VisiblePositions(index, sector) : nullptr) {
        for (const uint32_t position : *listed) visit(*objects[position]);
        return;
    }
    for (CNBObject* object : objects)
        if (object) visit(*object);
}
