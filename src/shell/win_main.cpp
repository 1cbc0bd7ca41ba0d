// Start-up, main loop and shut-down.
//
// Index
//   - Start-up failures
//   - Start-up
//   - Main loop
//   - Shut-down
#include "shell/win_main.h"

#include <imgui.h>

#include <cstring>
#include <new>
#include <string>

#include "core/private_heap.h"
#include "graphics/display_modes.h"
#include "graphics/driver.h"
#include "input/input.h"
#include "platform/files.h"
#include "platform/heap.h"
#include "platform/imgui_backends.h"
#include "platform/message_box.h"
#include "platform/window.h"
#include "shell/fonts.h"
#include "shell/interface_layout.h"
#include "shell/game.h"
#include "shell/log.h"
#include "shell/main_window.h"
#include "shell/settings.h"
#include "shell/start_directory.h"
#include "shell/window_placement.h"
#include "sound/sound_manager.h"
#include "ui/menu.h"
#include "ui/notices.h"
#include "world/worlds_folder.h"

namespace {

std::function<void(int)> passHook;

platform::Window* mainWindow = nullptr;
CInput* input = nullptr;
CSoundManager* soundManager = nullptr;
bool imguiUp = false;

// ---------------------------------------------------------------------------
// Start-up failures
// ---------------------------------------------------------------------------

// A start-up that cannot go on says why, undoes what it made and ends the
// process with a failure code; the program never runs on without a device.
int FailStartup(const std::string& why)
{
    WriteLog("Error: WinMain");
    WriteLog(why);
    platform::ShowMessageBox("Vesk cannot start: " + why, "Vesk", platform::MB_OK | platform::MB_ICONERROR);
    if (imguiUp) {
        platform::ShutdownImGuiBackEnds();
        ImGui::DestroyContext();
        imguiUp = false;
    }
    delete Game;
    Game = nullptr;
    ReleaseDisplayEnumeration();
    delete Driver;
    Driver = nullptr;
    if (mainWindow) platform::DestroyMainWindow(mainWindow);
    mainWindow = nullptr;
    platform::SetMessageBoxFallback(nullptr);
    ForgetNotices();
    return 1;
}

// The directory of the executable is the start directory: data folders sit
// beside it, and it is the current directory from here on. A start directory
// set before (a scripted run in a folder of its own) is kept.
void EnterStartDirectory()
{
    std::string folder = StartDirectory.empty() ? platform::ExecutableDirectory() : StartDirectory;
    if (folder.empty() || !platform::SetCurrentDirectory(folder)) platform::GetCurrentDirectory(folder);
    SetStartDirectory(folder);
}

void ReleaseGlobalResources()
{
    ReleaseDisplayEnumeration();
    delete Driver;
    Driver = nullptr;
    SharedHeap().Forget();
}

}  // namespace

void SetMainLoopPassHook(std::function<void(int pass)> hook) { passHook = std::move(hook); }

int WinMain(int showCommand)
{
    // -----------------------------------------------------------------------
    // Start-up
    // -----------------------------------------------------------------------
    Running = 1;
    platform::ApplyProgramHeapPolicy();
    EnterStartDirectory();
    std::memset(Settings.lastWorld, 0, sizeof Settings.lastWorld);
    std::memset(Settings.reservedText, 0, sizeof Settings.reservedText);

    Game = new (std::nothrow) CGame;
    if (!Game) return 1;
    // What no message box can show is drawn in the window (and logged).
    platform::SetMessageBoxFallback(QueueNotice);
    LoadStartupSetup();

    std::string why;
    mainWindow = platform::CreateMainWindow(platform::kMainWindowTitle, MainWndProc, &why);
    if (!mainWindow) return FailStartup(why.empty() ? "No window" : why);
    PlaceMainWindow();
    platform::ShowMainWindow(mainWindow, showCommand != 0);

    if (!InitDefaultDriver() || !Driver || !Driver->HasDevice())
        return FailStartup("No graphics device for any display mode");

    input = new (std::nothrow) CInput;
    if (!input) return FailStartup("No input object");
    WriteLog("DXInput...ok");
    if (Failed(input->InitInput(mainWindow))) return FailStartup("Keyboard and mouse cannot be opened");
    WriteLog("DXInput->Initialize...ok");

    soundManager = new (std::nothrow) CSoundManager;
    if (!soundManager) return FailStartup("No sound manager");
    soundManager->BackEnd = Settings.soundBackEnd;
    soundManager->EnumerateDevices();
    if (soundManager->Init() == 0) soundManager->InitListener();
    soundManager->ResetStream();

    ImGui::CreateContext();
    imguiUp = true;
    LoadInterfaceLayout();
    ImGui::StyleColorsDark();
    LoadInterfaceFonts(FontScaleForScreenWidth(Settings.screenWidth), platform::MaxTextureSize());
    if (!platform::InitImGuiBackEnds(mainWindow)) return FailStartup("The user interface cannot be drawn");

    Menu = new (std::nothrow) CMenu;
    if (!Menu) return FailStartup("No front end");
    Game->soundManager = soundManager;
    Menu->adapterIndex = Settings.adapterIndex;
    Menu->outputIndex = Settings.outputIndex;
    Menu->resolutionChoice = Settings.resolutionChoice;
    Menu->windowed = Settings.windowed;
    Menu->fsaaChoice = Settings.fsaaChoice;
    Menu->aspectChoice = Settings.aspectChoice;
    ScanWorldsFolder(Game);
    Menu->driver = Driver;
    Menu->game = Game;
    Game->driver = Driver;
    Game->input = input;
    Menu->LoadTextures();
    Menu->CreateResources();

    // -----------------------------------------------------------------------
    // Main loop: input, one frame, then every pending window message. The
    // loop never waits; the frames limit themselves.
    // -----------------------------------------------------------------------
    int exitCode = 0;
    for (int pass = 0; Running; ++pass) {
        if (passHook) passHook(pass);
        if (input->active) {
            input->PollKeyboard();
            input->PollMouse();
            input->PollJoysticks();
        }
        input->router.Route(Game->InputOfThisPass());
        if (Game->menuMode)
            MenuFrame();
        else
            GameFrame(Game);
        if (!platform::PumpMessages(&exitCode)) break;
    }

    // -----------------------------------------------------------------------
    // Shut-down
    // -----------------------------------------------------------------------
    platform::ShutdownImGuiBackEnds();
    ImGui::DestroyContext();
    imguiUp = false;
    Game->UnloadWorld();
    SaveStartupSetup();
    delete Game;
    Game = nullptr;
    // The front end's pictures and GPU objects go while the driver still exists.
    Menu->ReleaseResources();
    ReleaseGlobalResources();
    platform::DestroyMainWindow(mainWindow);
    mainWindow = nullptr;
    // Closing the sound device stops its audio thread before its buffers go.
    delete Menu;
    Menu = nullptr;
    delete soundManager;
    soundManager = nullptr;
    delete input;
    input = nullptr;
    platform::SetMessageBoxFallback(nullptr);
    ForgetNotices();
    return exitCode;
}
