// Objects made from block types.
#include "scene/scene.h"
#include "world/object.h"
#include "world/world.h"

// TODO(scene-runtime): the mesh, material, rotation, resting placement,
// animation and physics body from the block type. Until then a bare object of
// kind 2 stands at (x, y, z), so the callers' bookkeeping (world list, sector,
// drop pacing) already runs.
CNBObject* CScene::CreateObjectFromBlockType(BlockType* type, int addToList, int makeBody, float x, float y, float z,
                                             float nx, float ny, float nz)
{
    if (!type || !world) return nullptr;
    CNBObject* object = new CNBObject;
    if (!object) return nullptr;
    object->Kind = 2;
    object->WorldMatrix.m[12] = x;
    object->WorldMatrix.m[13] = y;
    object->WorldMatrix.m[14] = z;
    object->UpdatePosition();
    object->Center = object->Position;
    if (addToList) world->objects.push_back(object);
    return object;
}
