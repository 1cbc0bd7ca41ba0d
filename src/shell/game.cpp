#include "shell/game.h"

#include <new>

#include "input/input.h"
#include "platform/files.h"
#include "platform/heap.h"
#include "scene/scene.h"
#include "shell/main_window.h"
#include "shell/start_directory.h"
#include "ui/notices.h"

CGame* Game = nullptr;

const int32_t kDefaultKeySlots[kKeySlotCount] = {
    0x57, 0x53, 0x41, 0x44, 0x45, 0x51, 0x20, 0x46,  // W S A D E Q Space F
    0x26, 0x28, 0x25, 0x27, 0x21, 0x22,              // arrows, Page Up, Page Down
    0xBD,                                            // minus: "None Tool"
    0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x30,  // tools 1..10
    0x43, 0x2E, 0x55, 0x59, 0x4E, 0x47, 0x5A, 0x42, 0x4D, 0x54, 0x50,  // C Del U Y N G Z B M T P
    0x4A, 0x4B, 0x4C,                                // J K L
    0x70, 0x71, 0x72, 0x73, 0x74, 0x76, 0x77, 0x78,  // F1 F2 F3 F4 F5 F7 F8 F9
    0x75,                                            // F6
    0x7A, 0xBF, 0xC0, 0xBB,                          // F11 / ` =
};

CGame::CGame() { SetDefaultBindings(); }

CGame::~CGame() { UnloadWorld(); }

void CGame::SetDefaultBindings()
{
    for (int i = 0; i < kKeySlotCount; ++i) keySlots[i] = kDefaultKeySlots[i];
}

bool CGame::EnterWorld(int mode, const char* worldFileName, int sceneKind, const BlankSceneParams* blank,
                       const TubeSceneParams* tube, const LandscapeSceneParams* landscape)
{
    UnloadWorld();
    scene = new (std::nothrow) CScene();
    if (!scene) return false;
    if (++sceneView == 0) ++sceneView;  // 0 is the front end's
    scene->driver = driver;
    scene->soundManager = soundManager;
    scene->game = this;
    if (!scene->CreateWorld(mode, worldFileName, sceneKind, blank, tube, landscape)) {
        // A scene without its world would leave a blank program with no way back.
        UnloadWorld();
        return false;
    }
    if (input) input->AcquireDevices();
    return true;
}

bool CGame::LoadWorld(const char* worldFileName)
{
    // Opening a world does not use the parameter blocks; they carry their defaults.
    const BlankSceneParams blank;
    const TubeSceneParams tube;
    const LandscapeSceneParams landscape;
    return EnterWorld(kOpenWorld, worldFileName, kBlankScene, &blank, &tube, &landscape);
}

bool CGame::NewWorld(const char* worldFileName, int sceneKind, const BlankSceneParams* blank,
                     const TubeSceneParams* tube, const LandscapeSceneParams* landscape)
{
    return EnterWorld(kGenerateWorld, worldFileName, sceneKind, blank, tube, landscape);
}

void CGame::UnloadWorld()
{
    const bool left = scene != nullptr;
    delete scene;
    scene = nullptr;
    // The world's memory is not wanted by the front end.
    if (left) platform::GiveBackFreeMemory();
    // A text entry of the world left (Save As) must not keep the keys of the
    // next one.
    modalOpen = 0;
}

void CGame::LeaveInputToNotice()
{
    for (int32_t& held : passFlags) held = 0;
    if (scene) {
        scene->cameraMoves.clear();
        scene->Flag(kFlagPitchKeyHeld) = scene->Flag(kFlagRollKeyHeld) = scene->Flag(kFlagYawKeyHeld) = 0;
        scene->spaceHeld = 0;
    }
    if (input && input->mouseExclusive) input->SetMouseExclusive(0);
}

void GameFrame(CGame* game)
{
    if (!game) return;
    if (WaitingNotices() == 0)
        game->DispatchGameInput();
    else
        game->LeaveInputToNotice();
    if (game->scene) game->scene->RenderFrame();
    if (game->leaveRequest) {
        game->leaveRequest = 0;
        game->UnloadWorld();
        if (game->input && game->input->mouseExclusive) game->input->SetMouseExclusive(0);
        game->menuMode = 1;
    }
    if (game->quitRequest) {
        game->quitRequest = 0;
        SendCloseToMainWindow();
    }
}
