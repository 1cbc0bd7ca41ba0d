// The front end: what the user sees whenever CGame is in menu mode. Made
// once at start-up and kept until the program ends.
//
// Its GPU resources (the seven named registries and the background quad) are
// its own, apart from any world's; whoever owns the driver releases them
// (ReleaseResources) before the driver goes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "graphics/gpu_registry.h"
#include "scene/scene_params.h"
#include "ui/controls_screen_state.h"
#include "ui/screen_settings_state.h"

class CDriver;
class CGame;
class CTexture;
struct RenderSet;

// The front-end screens, the values of CMenu::screenState.
enum MenuScreen : int32_t {
    kMainMenuScreen = 0,
    kWorldsScreen = 1,
    kOptionsScreen = 2,
    kScreenSettingsScreen = 3,
    kGraphicsScreen = 4,
    kSoundsScreen = 5,
    kControlsScreen = 6,
    kGameScreen = 7,
    kNewWorldScreen = 8,
};

class CMenu {
public:
    CMenu();
    // Releases what ReleaseResources has not (through the driver link).
    ~CMenu();
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    // ---- pictures and screens (ui/menu.cpp, ui/menu_screens.cpp) ----
    // Fills the picture list from the "TexturesUI" folder, replacing what it
    // held; a picture that fails to load keeps its name and shows nothing.
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
    // Builds the registries and the background quad; the quad's
    // CDriver::CreateRenderSetBuffers result (1 on success), 0 when the quad
    // cannot be made.
    int CreateResources();
    // Draws the background picture over the whole back buffer.
    void DrawBackground();
    // CreateResources' result; 0 when no driver is linked.
    int RecreateResources();
    // Pictures, registries and quad, all released; the driver link stays.
    void ReleaseResources();
    // The front end's look-ups: the sprite shaders ("2dsprite.fx"), the
    // placement buffer ("VSConstantBufferScale") and depth states by exact name.
    ShaderEntry* FindVertexShader() const;
    ShaderEntry* FindPixelShader() const;
    ConstantBufferEntry* FindConstantBuffer() const;
    ConstantBufferEntry* FindDepthStencilState(const char16_t* name) const;

    // ---- options (ui/controls_screen.cpp, ui/screen_settings_screen.cpp, ui/update_check.cpp) ----
    void ControlsScreen();        // 6
    void ScreenSettingsScreen();  // 3
    // Clears the first other binding that holds `code`; the game link, or
    // null without one (nothing happens then).
    CGame* UnbindDuplicate(int32_t code);
    // Asks the update server when the last check is old enough (the date
    // is stored first, so a failure waits too). The menu frame calls it once.
    void CheckForUpdate();
    // The main menu's "Download and Update": fetches and starts the update,
    // then closes the main window itself and returns 1. On any failure it
    // tells the user and returns 0, and the program keeps running (so the
    // button sends no close of its own).
    int DownloadAndUpdate();

    int32_t updateChecked = 0;
    int32_t updateAvailable = 0;
    CDriver* driver = nullptr;
    CGame* game = nullptr;
    int32_t screenState = kMainMenuScreen;
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

    // The new-world screen's choice; kept while the user leaves and returns.
    int32_t sceneType = kBlankScene;
    std::string sceneLabel;

    // The front end's own shaders, constant buffers and states, and the
    // full-screen quad of the background (null until created).
    GpuRegistry registries;
    RenderSet* backgroundQuad = nullptr;

private:
    // The landscape's "World Size" slider edits a float copy of the block's
    // int, taken the first time the slider shows.
    float landscapeWorldSize = 0.0f;
    bool landscapeWorldSizeTaken = false;

    void DeleteDialog();
    void EnterNewWorld();
    void NewWorldParameters();
    void ReleaseBackgroundQuad();
};

// The front end, created by the entry point.
extern CMenu* Menu;

// One front-end frame on the global menu.
void MenuFrame();
// What a front-end frame draws inside its Dear ImGui frame: the update check
// on the first, the screen that screenState selects, the notices waiting.
void DrawFrontEnd(CMenu& menu);
