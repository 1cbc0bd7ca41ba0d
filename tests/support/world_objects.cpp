#include "support/world_objects.h"

#include "world/object.h"
#include "world/object_part.h"
#include "world/polygons_grid.h"

CNBObject* NewBoxObject(const Vector3& at, const Vector3& low, const Vector3& high)
{
    auto* object = new CNBObject;
    if (!object) return nullptr;
    if (!object->AllocateParts(1) || !object->GetPart(0)->CreateGrid(8, 12, 0)) {
        CNBObject::Delete(object);
        return nullptr;
    }
    CPolygonsGrid* mesh = object->GetPart(0)->mainMesh;
    mesh->boundsMin = low;
    mesh->boundsMax = high;
    PlaceObject(*object, at);
    return object;
}

void PlaceObject(CNBObject& object, const Vector3& at)
{
    object.WorldMatrix.SetIdentity();
    object.WorldMatrix.m[12] = at.x;
    object.WorldMatrix.m[13] = at.y;
    object.WorldMatrix.m[14] = at.z;
    object.Center = at;
}
