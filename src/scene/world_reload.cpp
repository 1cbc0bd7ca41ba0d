// "ReLoad Last Saved": the world's own file read again into a new world,
// which replaces the running one only once it has been read completely.
#include <new>
#include <string>

#include "platform/files.h"
#include "scene/scene.h"
#include "shell/log.h"
#include "world/world.h"
#include "world/worlds_folder.h"

namespace {

void LogReload(const std::string& why) { WriteLog("Error: CScene::ReloadWorld() " + why); }

}  // namespace

bool CScene::ReloadWorld()
{
    if (!world) return false;
    const std::string name = world->worldName;
    if (name.empty()) {
        LogReload("the world has never been saved");
        return false;
    }
    const std::string folder = WorldsFolder();
    if (!platform::DirectoryExists(folder)) {
        LogReload("no folder " + folder);
        return false;
    }

    CWorld* loaded = new (std::nothrow) CWorld;
    if (!loaded) {
        LogReload("no memory for the world");
        return false;
    }
    loaded->driver = driver;
    if (!loaded->LoadWorldFile(platform::JoinPath(folder, name).c_str())) {
        // The running world stays; a half-read one would be saved over the file.
        LogReload("cannot read " + name + ", the world is kept");
        delete loaded;
        return false;
    }
    loaded->worldName = name;

    // The old world's objects take their bodies out of the Bullet world as
    // it goes, after the scene has let go of every one of them and of every
    // contact at once.
    ForgetWorld();
    physics.DropAllContacts();
    delete world;
    world = loaded;

    world->GenerateWorld();
    TakeBlockTypeLooks();
    InitPhysicsWorld();  // the Bullet world stays; the new world's removals are followed
    RebuildPhysicsBodies();
    world->AssignSectors();
    RenderBlockPreviews(-1);
    SetLightDirection();
    fileHoldsEarlierScene = false;  // the world is its file's again
    return true;
}
