// Sections: Sector (bounds and flags); the world's sector operations
// (nearest sector, assignment, moved objects, removal, labels).
#include "world/sector.h"

#include <algorithm>
#include <bitset>
#include <cfloat>
#include <cmath>
#include <new>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/box_transform.h"
#include "scene/camera.h"
#include "shell/log.h"
#include "world/object.h"
#include "world/object_part.h"
#include "world/polygons_grid.h"
#include "world/world.h"

namespace {

bool IsFinite(const Vector3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

float DistanceSquared(const Vector3& a, const Vector3& b)
{
    const float dx = a.x - b.x;
    const float dy = a.y - b.y;
    const float dz = a.z - b.z;
    return dx * dx + dy * dy + dz * dz;
}

}  // namespace

// ---------------------------------------------------------------------------
// Sector
// ---------------------------------------------------------------------------

void Sector::Release() { std::vector<CNBObject*>().swap(objects); }

void Sector::RemoveObject(const CNBObject* object)
{
    const auto it = std::find(objects.begin(), objects.end(), object);
    if (it != objects.end()) objects.erase(it);
}

bool Sector::ExtendBoxBy(const CNBObject& object)
{
    bool extended = false;
    for (int i = 0; i < object.PartCount; ++i) {
        const ObjectPart* part = object.GetPart(i);
        if (!part || !part->mainMesh) continue;
        const CPolygonsGrid& mesh = *part->mainMesh;
        Vector3 low;
        Vector3 high;
        TransformBox(object.WorldMatrix, mesh.boundsMin, mesh.boundsMax, low, high);
        ExtendBox(boundsMin, boundsMax, low);
        ExtendBox(boundsMin, boundsMax, high);
        extended = true;
    }
    // Each piece group places the same part meshes with a matrix of its own.
    const uint32_t groupCount = CountedArraySize(object.PieceGroups);
    for (uint32_t g = 0; g < groupCount; ++g) {
        const PieceGroup& group = object.PieceGroups[g];
        for (int i = 0; i < object.PartCount; ++i) {
            const ObjectPart* part = object.GetPart(i);
            if (!part || !part->mainMesh) continue;
            Vector3 low;
            Vector3 high;
            TransformBox(group.matrix, part->mainMesh->boundsMin, part->mainMesh->boundsMax, low, high);
            ExtendBox(boundsMin, boundsMax, low);
            ExtendBox(boundsMin, boundsMax, high);
            extended = true;
        }
    }
    return extended;
}

void Sector::FinishBounds()
{
    const bool empty = !(boundsMin.x <= boundsMax.x && boundsMin.y <= boundsMax.y && boundsMin.z <= boundsMax.z);
    if (empty) {
        // Nothing to bound: a sphere that no culling test rejects.
        boundsCentre = Vector3{};
        radius = FLT_MAX;
        return;
    }
    boundsCentre = Vector3::Scale(Vector3::Add(boundsMin, boundsMax), 0.5f);
    radius = std::max(Vector3::Sub(boundsCentre, boundsMax).Length(), Vector3::Sub(boundsCentre, boundsMin).Length());
}

void Sector::UpdateBounds()
{
    boundsMin = Vector3{FLT_MAX, FLT_MAX, FLT_MAX};
    boundsMax = Vector3{-FLT_MAX, -FLT_MAX, -FLT_MAX};
    for (const CNBObject* object : objects)
        if (object) ExtendBoxBy(*object);
    FinishBounds();
}

void Sector::ExtendBounds(const CNBObject* object)
{
    if (!object) return;
    ExtendBoxBy(*object);
    FinishBounds();
}

void Sector::UpdateRenderFlags()
{
    // A word at a time: a sector of a large world holds many thousands of objects.
    std::bitset<kVertexFormatSlots> any;
    for (const CNBObject* object : objects)
        if (object) any |= object->RenderFlags;
    for (int k = 0; k < kVertexFormatSlots; ++k) renderFlags[k] = any[k] ? 1 : 0;
}

// ---------------------------------------------------------------------------
// The world's sector operations
// ---------------------------------------------------------------------------

Sector* CWorld::NearestSector(const CNBObject& object, const char* operation) const
{
    if (!IsFinite(object.Center)) {
        WriteLog(std::string("Error: CWorld::") + operation + "() object centre is not finite");
        return nullptr;
    }
    float best = FLT_MAX;
    Sector* nearest = nullptr;
    for (Sector* sector : sectors) {
        if (!sector) continue;
        const float distance = DistanceSquared(object.Center, sector->position);
        if (distance < best) {  // strictly: on a tie the earlier sector stays
            best = distance;
            nearest = sector;
        }
    }
    return (nearest && best < kSectorReachSquared) ? nearest : nullptr;
}

bool CWorld::RecreateSectors(int n)
{
    for (Sector*& sector : sectors) {
        delete sector;
        sector = nullptr;
    }
    sectors.clear();
    // No object may keep a link to a deleted sector.
    for (CNBObject* object : objects)
        if (object) object->SectorLink = nullptr;
    for (CNBObject* object : {previewObject, modelViewObject})
        if (object) object->SectorLink = nullptr;

    for (int i = 0; i < n; ++i) {
        Sector* sector = new (std::nothrow) Sector();
        if (!sector) return false;
        try {
            sectors.push_back(sector);
        } catch (const std::bad_alloc&) {
            delete sector;
            return false;
        }
    }
    return true;
}

void CWorld::AssignSectors()
{
    for (Sector* sector : sectors)
        if (sector) sector->objects.clear();

    for (CNBObject* object : objects) {
        if (!object) continue;
        object->HeadFlag = 1;
        if (Sector* sector = NearestSector(*object, "AssignSectors")) {
            sector->objects.push_back(object);
            object->SectorLink = sector;
        }
    }

    // Objects that fell out of the world; the next object moves into a freed slot.
    for (size_t i = 0; i < objects.size();) {
        CNBObject* object = objects[i];
        if (object && object->HeadFlag == 1 && object->Center.y < kFallOutHeight) {
            RemoveObject(object);
            if (i < objects.size() && objects[i] == object) ++i;
            continue;
        }
        ++i;
    }

    for (Sector* sector : sectors) {
        if (!sector) continue;
        sector->UpdateBounds();
        sector->UpdateRenderFlags();
    }
}

void CWorld::PutObjectInSector(CNBObject* object)
{
    if (!object) return;
    object->HeadFlag = 1;
    Sector* sector = NearestSector(*object, "PutObjectInSector");
    if (!sector) return;
    sector->objects.push_back(object);
    sector->UpdateBounds();
    sector->UpdateRenderFlags();
    object->SectorLink = sector;
}

void CWorld::ReassignObject(CNBObject* object)
{
    if (!object) return;
    object->HeadFlag = 1;
    Sector* sector = NearestSector(*object, "ReassignObject");
    if (!sector) return;
    sector->objects.push_back(object);
    sector->ExtendBounds(object);
    for (int k = 0; k < kVertexFormatSlots; ++k)
        if (object->RenderFlags[k]) sector->renderFlags[k] = 1;
    object->SectorLink = sector;
}

void CWorld::UpdateObjectSectors()
{
    // Each moved object leaves one entry: in its own sector when that holds
    // it, else in the first sector that does. An object that no sector holds
    // (it was out of reach) is reassigned all the same, so it lands in a
    // sector once it moves back within reach. Then every moved object is
    // reassigned in list order. The entries are found in one pass over each
    // sector and taken out together: searching a sector of 100,000 falling
    // boxes once per box made a frame quadratic. The sectors end as taking
    // the objects out and back one at a time leaves them.
    if (std::none_of(objects.begin(), objects.end(), [](const CNBObject* object) { return object && object->Moved; }))
        return;
    std::unordered_map<const CNBObject*, std::vector<std::pair<Sector*, size_t>>> entries;
    for (Sector* sector : sectors) {
        if (!sector) continue;
        for (size_t i = 0; i < sector->objects.size(); ++i) {
            const CNBObject* object = sector->objects[i];
            if (!object || !object->Moved) continue;
            auto& found = entries[object];
            if (found.empty() || found.back().first != sector) found.emplace_back(sector, i);
        }
    }
    std::unordered_map<Sector*, std::vector<size_t>> leaving;
    for (CNBObject* object : objects) {
        if (!object || !object->Moved) continue;
        const auto found = entries.find(object);
        if (found == entries.end()) continue;
        auto& places = found->second;
        auto place = std::find_if(places.begin(), places.end(),
                                  [&](const auto& entry) { return entry.first == object->SectorLink; });
        if (place == places.end()) place = places.begin();
        leaving[place->first].push_back(place->second);
        entries.erase(found);  // listed twice in the world, it still moves once
    }
    for (auto& [sector, places] : leaving) {
        std::sort(places.begin(), places.end());
        size_t next = 0, kept = 0;
        for (size_t i = 0; i < sector->objects.size(); ++i) {
            if (next < places.size() && places[next] == i) {
                ++next;
                continue;
            }
            sector->objects[kept++] = sector->objects[i];
        }
        sector->objects.resize(kept);
    }
    for (CNBObject* object : objects) {
        if (!object || !object->Moved) continue;
        ReassignObject(object);
        object->Moved = 0;
    }
}

void CWorld::RemoveObject(CNBObject* object)
{
    if (!object || objects.empty()) return;
    if (std::find(objects.begin(), objects.end(), object) == objects.end()) return;
    // Every entry, not just the first: nothing may keep pointing at it.
    for (Sector* sector : sectors)
        if (sector) std::erase(sector->objects, object);
    std::erase_if(labels, [object](const ObjectLabel& label) { return label.object == object; });
    if (objectRemovedHook) objectRemovedHook(objectRemovedContext, object);
    std::erase(objects, object);
    CNBObject::Delete(object);
}

void CWorld::ProjectLabels(const CCamera& camera)
{
    labels.clear();
    for (const Sector* sector : sectors) {
        if (!sector || !sector->visible) continue;
        for (CNBObject* object : sector->objects) {
            if (!object || !(object->Flags & kTransparentObjectFlag)) continue;
            if (object->RenderBytes[1]) {
                // The centre already stands where the object stands: placing
                // it once more by the object's matrix would move it by the
                // object's own position again.
                Vector3 point = object->Center;
                camera.ProjectToScreen(point, camera.viewportWidth, camera.viewportHeight);
                labels.push_back(ObjectLabel{object, nullptr, point.z});
            }
            const uint32_t groupCount = CountedArraySize(object->PieceGroups);
            for (uint32_t g = 0; g < groupCount; ++g) {
                PieceGroup& group = object->PieceGroups[g];
                if (!group.labelled) continue;
                Vector3 point = TransformPoint(group.matrix, group.position);
                camera.ProjectToScreen(point, camera.viewportWidth, camera.viewportHeight);
                labels.push_back(ObjectLabel{object, &group, point.z});
            }
        }
    }
    // Smallest depth first; a NaN depth sorts last instead of breaking the sort.
    std::sort(labels.begin(), labels.end(), [](const ObjectLabel& a, const ObjectLabel& b) {
        if (std::isnan(a.depth)) return false;
        return std::isnan(b.depth) || a.depth < b.depth;
    });
}
