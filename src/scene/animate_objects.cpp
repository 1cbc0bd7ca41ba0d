// The frame's animation step: the key-frame and skeletal poses of the
// objects the viewer can see, advanced by the same frame time as everything
// else in the scene.
#include <cmath>

#include "scene/scene.h"
#include "world/object.h"
#include "world/sector.h"
#include "world/world.h"

void CScene::AnimateObjects()
{
    if (!world) return;
    float dt = timing.FrameTime();
    if (std::isnan(dt)) dt = 1.0f;
    const float step = options.physicsTimeScale * dt;
    // Objects out of sight keep their pose until they are seen again.
    for (Sector* sector : world->sectors) {
        if (!sector || !sector->visible) continue;
        for (CNBObject* object : sector->objects) {
            // Ground and block-type objects; the pose itself ignores objects
            // without an animation.
            if (object && (object->Kind == 1 || object->Kind == 2)) object->AnimatePose(step, mainCamera.position);
        }
    }
}
