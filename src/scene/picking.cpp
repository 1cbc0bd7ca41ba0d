// Picking: the object and point under the aim.
#include "scene/scene.h"

// TODO(acting): the segment test against sectors, bounding spheres and
// triangles. Until then nothing is ever hit.
CNBObject* CScene::PickAtCursor(Vector3& hitPoint, Vector3& placementPoint, Vector3& normal, int& staticFlag)
{
    hitPoint = Vector3{};
    placementPoint = Vector3{};
    normal = Vector3{};
    staticFlag = 0;
    return nullptr;
}
