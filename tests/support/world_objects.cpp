#include "support/world_objects.h"

#include "world/block_type.h"

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

void MakeCubeType(BlockType& type, const char16_t* name, bool boxBody)
{
    type.Init();
    type.name = name;
    for (int i = 0; i < 8; ++i) {
        type.vertices.push_back(Vector3{i & 1 ? 0.5f : -0.5f, i & 2 ? 0.5f : -0.5f, i & 4 ? 0.5f : -0.5f});
        type.normals.push_back(Vector3{0.0f, 1.0f, 0.0f});
    }
    const int32_t corners[36] = {0, 3, 1, 0, 2, 3, 4, 7, 6, 4, 5, 7, 0, 5, 4, 0, 1, 5,
                                 2, 7, 3, 2, 6, 7, 0, 6, 2, 0, 4, 6, 1, 7, 5, 1, 3, 7};
    for (int f = 0; f < 12; ++f) type.triangles.push_back({corners[3 * f], corners[3 * f + 1], corners[3 * f + 2]});
    if (boxBody) {
        type.physicsShape = 1;
        type.shapeParams[0] = type.shapeParams[1] = type.shapeParams[2] = 0.5f;
        type.mass = 1.0f;
    }
    type.ComputeBounds();
}
