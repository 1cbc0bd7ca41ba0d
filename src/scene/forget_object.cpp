// The one way the scene forgets an object that is being deleted: every link
// the scene keeps to it goes, so no pointer to a deleted object survives
// anywhere in the scene (a freed object's address may come back as a new
// object). The world calls it through its removal hook for every object it
// removes; whoever adds a new link to objects to the scene clears it here.
#include <algorithm>
#include <vector>

#include "scene/object_sounds.h"
#include "scene/scene.h"
#include "sound/sound_buffer.h"
#include "world/object.h"
#include "world/world.h"

namespace {

void ForgetRemovedObject(void* scene, CNBObject* object) { static_cast<CScene*>(scene)->ForgetObject(object); }

}  // namespace

void CScene::HookObjectRemoval()
{
    if (!world) return;
    world->objectRemovedHook = ForgetRemovedObject;
    world->objectRemovedContext = this;
}

void CScene::ForgetObject(CNBObject* object)
{
    if (!object) return;

    // Selection, dragging and holding.
    if (selectedObject == object) selectedObject = nullptr;
    if (draggedObject == object) draggedObject = nullptr;
    if (heldObject == object) heldObject = nullptr;
    std::erase(keyMovedObjects, object);

    // Its sounds fall silent and are freed; it leaves the sounding list.
    std::vector<CSoundBuffer*> sounds;
    for (CSoundBuffer* sound : object->Sounds)
        if (sound && std::find(sounds.begin(), sounds.end(), sound) == sounds.end()) sounds.push_back(sound);
    for (CSoundBuffer* sound : soundInstances)
        if (sound && sound->Owner == object && std::find(sounds.begin(), sounds.end(), sound) == sounds.end())
            sounds.push_back(sound);
    object->Sounds.clear();
    for (CSoundBuffer* sound : sounds) {
        std::erase(soundInstances, sound);
        sound->Stop(timing.sceneClock);
        FreeSoundInstance(sound);
    }
    std::erase(soundingObjects, object);
    object->InSoundingList = 0;

    // Recorded pushes.
    std::erase_if(recordedObjects, [object](const RecordedObject& record) { return record.object == object; });

    // Generator state.
    std::erase(previewObjects, object);
    if (positionObject == object) positionObject = nullptr;
}

void CScene::ForgetWorld()
{
    if (world) {
        ForgetEveryObjectSound();
        for (CNBObject* object : world->objects) ForgetObject(object);
        // Nothing of the scene follows the world's removals any more.
        world->objectRemovedHook = nullptr;
        world->objectRemovedContext = nullptr;
    }
    // The generator previews are the scene's own, but made from the world's
    // block types with links to its textures.
    for (CNBObject* object : previewObjects) CNBObject::Delete(object);
    previewObjects.clear();
    CNBObject::Delete(positionObject);
    positionObject = nullptr;
    previewPositions.clear();
    generator.ReleaseGeneratedSpline();  // drawn over the old world's objects
    generator.fieldPrototype = nullptr;  // one of the world's block types
    Flag(kFlagGeneratorPreview) = 0;
    // Links that may still point at a world object ForgetObject did not see.
    selectedObject = nullptr;
    draggedObject = nullptr;
    heldObject = nullptr;
    keyMovedObjects.clear();
    recordedObjects.clear();

    renderCaches.Clear();       // entries of the world's registries
    dialogs.ForgetPictures();   // textures of the world
}
