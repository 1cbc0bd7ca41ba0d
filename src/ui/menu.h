// The front end: what the user sees whenever CGame is in menu mode. One
// instance for the life of the process, created at start-up.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scene/scene_params.h"
#include "ui/controls_screen_state.h"
#include "ui/screen_settings_state.h"

class CDriver;
class CGame;
class CTexture;

class CMenu {
public:
    CMenu();

    // ---- pictures and screens (ui/menu.cpp) ----
    // Loads the front-end pictures from the "TexturesUI" folder.
    void LoadTextures();
    // Releases every front-end picture and empties the list.
    void ReleaseTextures();
    void MainMenuScreen();       // screen 0
    void WorldsScreen();         // 1
    void OptionsScreen();        // 2
    void GraphicsScreen();       // 4
    void SoundsGameScreen();     // 5 and 7
    void NewWorldScreen();       // 8

    // ---- GPU resources (ui/menu_resources.cpp) ----
    // Creates the front end's own GPU resources; 1 on success.
    int CreateResources();
    // Draws the background picture over the whole back buffer.
    void DrawBackground();
    // 0 without a driver, else the result of CreateResources.
    int RecreateResources();

    // ---- options (ui/controls_screen.cpp, ui/screen_settings_screen.cpp, ui/update_check.cpp) ----
    void ControlsScreen();        // 6
    void ScreenSettingsScreen();  // 3
    // Clears the first other binding that holds `code`; the game link, or
    // null without one (nothing happens then).
    CGame* UnbindDuplicate(int32_t code);
    // Once per run, on the first front-end frame.
    void CheckForUpdate();
    // The main menu's "Download and Update": fetches and starts the update.
    void DownloadAndUpdate();

    int32_t updateChecked = 0;
    int32_t updateAvailable = 0;
    CDriver* driver = nullptr;
    CGame* game = nullptr;
    int32_t screenState = 0;
    int32_t selectedWorld = 0;
    uint8_t deleteConfirmation = 0;

    // The display choices of the screen-settings screen, copied from the
    // settings at start-up, and the screen's own working state.
    int32_t screenSettingsInitialised = 0;
    ScreenSettingsState screenSettings;
    int32_t adapterIndex = 0;
    int32_t outputIndex = 0;
    int32_t resolutionChoice = -1;
    int32_t windowed = 1;
    int32_t fsaaChoice = 0;
    int32_t aspectChoice = 0;
    ControlsScreenState controls;

    uint8_t invalidateInterfaceObjects = 0;  // served at the end of the next MenuFrame

    BlankSceneParams blankParams;
    TubeSceneParams tubeParams;
    LandscapeSceneParams landscapeParams;

    // The front-end pictures, laid out like CWorld's texture list.
    std::vector<CTexture*> textures;
    std::string proposedWorldName;
};

// The front end, created by the entry point.
extern CMenu* Menu;

// One front-end frame on the global menu.
void MenuFrame();
