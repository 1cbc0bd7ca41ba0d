// The scene object of one running world. At most one exists, owned by CGame.
#pragma once

#include <cstdint>

#include "core/matrix4d.h"
#include "core/vector3.h"
#include "scene/camera.h"
#include "scene/frame_clock.h"
#include "scene/scene_params.h"

class CDriver;
class CSoundManager;
class CGame;
class CWorld;

// The scene's own copy of the world's scene options (all but the sun angles),
// taken when a world is opened and given back before it is saved. Defaults as
// a new world's.
struct SceneOptions {
    uint8_t showPlacementFrame = 1;
    uint8_t sceneOptionB = 1;
    uint8_t physicsActive = 1;
    uint8_t sceneOptionD = 0;
    uint8_t sceneOptionE = 1;
    float sceneValueA = 0.5f;
    Vector3 previewScale{1.0f, 1.0f, 1.0f};
    float moveFactor = 1.0f;
    float turnFactor = 1.0f;
    float fieldOfView = 70.0f;
    float nearPlane = 0.2f;
    float farPlane = 1000.0f;
    uint8_t smoothCamera = 0;
    float cameraRampTime = 2.0f;
    float impulseStrength = 5.0f;
    uint8_t sceneOptionF = 1;
    uint8_t sceneOptionG = 1;
    float sceneValueB = 0.1f;
    float sceneValueC = 0.0f;
    float physicsTimeScale = 1.0f;
    uint8_t physicsQuality = 0;
    float sceneValueD = 0.1f;
    float mouseRotateStep = 15.0f;
    uint8_t physicsPaused = 0;
    uint8_t flyCamera = 1;
};

// The main camera's block as it travels to and from the world: its matrix,
// the flag byte and the word after it.
struct CameraBlock {
    Matrix4d matrix{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}, 1};
    uint8_t flag = 1;
    uint32_t extra = 0;
};

// Time-stamped copies of the world go to "Worlds/Backups" this often (ms).
inline constexpr uint32_t kBackupInterval = 900000;

class CScene {
public:
    // Starts a fresh "game.log" for every world that is opened or created.
    CScene();
    ~CScene();
    CScene(const CScene&) = delete;
    CScene& operator=(const CScene&) = delete;

    // Opens (mode 0) or generates (mode 1) the scene's world. True when a world
    // now exists.
    bool CreateWorld(int mode, const char* worldFileName, int sceneKind, const BlankSceneParams* blank,
                     const TubeSceneParams* tube, const LandscapeSceneParams* landscape);

    // One complete scene frame.
    void RenderFrame();

    // ---- saving (world_backup.cpp) ----
    // The world's scene options, camera block and camera position into the
    // scene (opening a world), and back (before saving). No world: nothing.
    void CopySettingsFromWorld();
    void CopySettingsToWorld();
    // Copies the live settings into the world, then saves it to `name`, else
    // to the world's file name, else to "default.vsk". 1 saved, 0 not (no
    // world, or the save failed: logged).
    int SaveCurrentWorld(const char* name);
    // Once per frame with frameClock: the first call only records the time;
    // afterwards, once more than kBackupInterval ms have passed, a copy of the
    // world named "<name><month>_<day>_<year>_<hour>_<minute>_<second>.vsk"
    // goes to "Worlds/Backups" when that folder exists, and the time is
    // recorded again either way.
    void BackupWorld();

    // ---- frame clock (frame_clock.cpp) ----
    // The camera's projection from the scene's field of view, near and far
    // planes and the back-buffer size, then its view, projection and frustum.
    void UpdateProjection(CCamera& camera);

    CDriver* driver = nullptr;
    CSoundManager* soundManager = nullptr;
    CGame* game = nullptr;
    CWorld* world = nullptr;

    SceneOptions options;
    CameraBlock cameraBlock;              // the main camera's block
    Vector3 cameraPosition;               // the main camera's position
    uint32_t frameClock = 0;              // timeGetTime of the current frame (ms), set every frame
    uint32_t lastBackupTime = 0;          // 0 until the first frame; written only by BackupWorld

    SceneSlot slots[32];
    FrameClock timing;  // frame rate, frame time, scene clock and limiter
};
