// CGame, made once at start-up: it ties together the devices that live for
// the whole run, owns the scene of the world being played, and holds the 52
// key bindings, the names of the world files and what the in-game dispatch
// remembers between passes. The scene's buttons only raise leaveRequest and
// quitRequest; GameFrame acts on them once the pass is over.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "input/input.h"
#include "scene/scene_params.h"

class CDriver;
class CScene;
class CSoundManager;

constexpr int kKeySlotCount = 52;

// Slots the dispatch, the controls screen and the settings file name directly.
enum KeySlot : int {
    kSlotForward = 0,
    kSlotBackward = 1,
    kSlotLeft = 2,
    kSlotRight = 3,
    kSlotUp = 4,
    kSlotDown = 5,
    kSlotJump = 6,
    kSlotFlyCamera = 7,
    kSlotTool9 = 23,
    kSlotTool10 = 24,
    kSlotObjectProperties = 32,
    kSlotSunProperties = 33,
    kSlotShowHideToolBox = 48,
    kSlotShowHideConsole = 49,
    kSlotPhysicsActive = 50,
    kSlotCreateObjects = 51,
};

// The default binding of each slot, Windows virtual-key codes.
extern const int32_t kDefaultKeySlots[kKeySlotCount];

class CGame {
public:
    CGame();
    ~CGame();
    CGame(const CGame&) = delete;
    CGame& operator=(const CGame&) = delete;

    void SetDefaultBindings();

    // Opens a saved world from the Worlds folder. True when a scene with a
    // world now exists; on failure no scene is left and the caller stays in the
    // front end.
    bool LoadWorld(const char* worldFileName);
    // Creates a new world of the given kind and saves it under the name.
    bool NewWorld(const char* worldFileName, int sceneKind, const BlankSceneParams* blank,
                  const TubeSceneParams* tube, const LandscapeSceneParams* landscape);
    void UnloadWorld();

    // A free file name for a new world: "default.vsk", "default1.vsk", ...,
    // never one in worldNames nor one of a file already in the Worlds folder.
    std::string ProposeWorldName() const;
    // Records a world created during the run, so its name is not proposed again.
    void AddWorldName(const std::string& name);

    // What the program shows and takes, for the input router's pass.
    ProgramInput InputOfThisPass();
    // The in-game input dispatch, first in every game pass: the events the
    // router gave the program this pass, in order.
    void DispatchGameInput();
    // In its place while a notice waits (ui/notices.h): the user answers the
    // notice alone. Nothing pressed reaches the scene, what held keys were
    // doing stops, and the mouse is freed to reach the notice's "OK".
    void LeaveInputToNotice();

    CDriver* driver = nullptr;
    CScene* scene = nullptr;
    CInput* input = nullptr;
    CSoundManager* soundManager = nullptr;
    int menuMode = 1;
    // Counts the worlds entered: each running scene is a view of its own.
    uint32_t sceneView = 0;
    uint8_t modalOpen = 0;
    uint32_t lastLeftClick = 0;
    uint32_t lastRightClick = 0;
    std::map<std::string, uint32_t> actionTimes;
    uint8_t leaveRequest = 0;
    uint8_t quitRequest = 0;
    std::vector<std::string> worldNames;
    int32_t keySlots[kKeySlotCount] = {};
    int32_t passFlags[4] = {};

private:
    bool EnterWorld(int mode, const char* worldFileName, int sceneKind, const BlankSceneParams* blank,
                    const TubeSceneParams* tube, const LandscapeSceneParams* landscape);
};

// The application object, created by the entry point for the life of the process.
extern CGame* Game;

// One pass of scene mode: dispatch input (or leave it to a waiting notice),
// draw the scene frame, then handle the leave and quit requests, in that order.
void GameFrame(CGame* game);
