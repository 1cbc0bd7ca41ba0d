// Saving the scene's world: the settings copies between scene and world,
// CScene::SaveCurrentWorld and the periodic time-stamped backup.
#include <ctime>
#include <string>

#include "platform/files.h"
#include "platform/local_time.h"
#include "scene/scene.h"
#include "world/world.h"
#include "world/worlds_folder.h"

namespace {

// Copies every scene option but the sun angles, which only the sun window
// and the world file touch.
template <class From, class To>
void CopyOptions(const From& from, To& to)
{
    to.showPlacementFrame = from.showPlacementFrame;
    to.sceneOptionB = from.sceneOptionB;
    to.physicsActive = from.physicsActive;
    to.sceneOptionD = from.sceneOptionD;
    to.sceneOptionE = from.sceneOptionE;
    to.sceneValueA = from.sceneValueA;
    to.previewScale = from.previewScale;
    to.moveFactor = from.moveFactor;
    to.turnFactor = from.turnFactor;
    to.fieldOfView = from.fieldOfView;
    to.nearPlane = from.nearPlane;
    to.farPlane = from.farPlane;
    to.smoothCamera = from.smoothCamera;
    to.cameraRampTime = from.cameraRampTime;
    to.impulseStrength = from.impulseStrength;
    to.sceneOptionF = from.sceneOptionF;
    to.sceneOptionG = from.sceneOptionG;
    to.sceneValueB = from.sceneValueB;
    to.sceneValueC = from.sceneValueC;
    to.physicsTimeScale = from.physicsTimeScale;
    to.physicsQuality = from.physicsQuality;
    to.sceneValueD = from.sceneValueD;
    to.mouseRotateStep = from.mouseRotateStep;
    to.physicsPaused = from.physicsPaused;
    to.flyCamera = from.flyCamera;
}

// The name a backup of `worldName` gets: the bare file name (backups always
// land in the backup folder) with the local time put before its first ".vsk";
// a name without ".vsk" is used unchanged.
std::string BackupName(const std::string& worldName)
{
    std::string name = worldName;
    const size_t slash = name.rfind('/');
    if (slash != std::string::npos) name.erase(0, slash + 1);
    if (name.empty()) name = "default.vsk";  // what saving the world itself would write
    const size_t extension = name.find(".vsk");
    if (extension == std::string::npos) return name;
    char stamp[100] = {};
    std::tm local{};
    if (platform::GetLocalCalendarTime(local)) std::strftime(stamp, sizeof(stamp), "%m_%d_%Y_%H_%M_%S", &local);
    return name.substr(0, extension) + stamp + ".vsk";
}

}  // namespace

void CScene::CopySettingsFromWorld()
{
    if (!world) return;
    CopyOptions(*world, options);
    cameraBlock.matrix = world->cameraMatrix;
    cameraBlock.flag = world->cameraFlag;
    cameraBlock.extra = world->cameraExtra;
    cameraPosition = world->cameraPosition;
}

void CScene::CopySettingsToWorld()
{
    if (!world) return;
    CopyOptions(options, *world);
    world->cameraMatrix = cameraBlock.matrix;
    world->cameraFlag = cameraBlock.flag;
    world->cameraExtra = cameraBlock.extra;
    world->cameraPosition = cameraPosition;
}

int CScene::SaveCurrentWorld(const char* name)
{
    if (!world) return 0;
    CopySettingsToWorld();
    const char* target = name && *name              ? name
                         : !world->worldName.empty() ? world->worldName.c_str()
                                                     : "default.vsk";
    return world->SaveWorldFile(target);
}

void CScene::BackupWorld()
{
    const uint32_t now = frameClock;
    if (lastBackupTime == 0) {
        lastBackupTime = now;
        return;
    }
    if (static_cast<uint32_t>(now - lastBackupTime) <= kBackupInterval) return;
    // Nothing creates the backup folder: without it there are no backups.
    const std::string folder = platform::JoinPath(WorldsFolder(), "Backups");
    if (world && platform::DirectoryExists(folder))
        SaveCurrentWorld(platform::JoinPath(folder, BackupName(world->worldName)).c_str());
    lastBackupTime = now;
}
