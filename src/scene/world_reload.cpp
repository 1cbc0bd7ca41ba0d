// "ReLoad Last Saved": the world's own file read again into a new world,
// which replaces the running one only once it has been read completely.
#include <new>
#include <string>

#include "platform/files.h"
#include "scene/scene.h"
#include "shell/log.h"
#include "world/world.h"
#include "world/world_file.h"
#include "world/worlds_folder.h"

namespace {

// Logs why the reload failed, hands the reason to the caller and answers false.
bool FailReload(const std::string& why, std::string* reason)
{
    WriteLog("Error: CScene::ReloadWorld() " + why);
    if (reason) *reason = why;
    return false;
}

}  // namespace

bool CScene::ReloadWorld(std::string* why)
{
    if (!world) return FailReload("there is no world", why);
    const std::string name = world->worldName;
    if (name.empty()) return FailReload("the world has never been saved", why);
    const std::string folder = WorldsFolder();
    if (!platform::DirectoryExists(folder)) return FailReload("there is no folder " + folder, why);

    CWorld* loaded = new (std::nothrow) CWorld;
    if (!loaded) return FailReload("there is no memory for the world", why);
    loaded->driver = driver;
    if (!loaded->LoadWorldFile(platform::JoinPath(folder, name).c_str())) {
        // The running world stays; a half-read one would be saved over the file.
        delete loaded;
        return FailReload(name + ": " + WorldFileProblem(), why);
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
