// The front end's object, its pictures and its frame. The screens are in
// ui/menu_screens.cpp, the GPU resources in ui/menu_resources.cpp.
//
// Index
//   - Construction
//   - Pictures
//   - One front-end frame
#include "ui/menu.h"

#include <imgui.h>

#include <new>

#include "graphics/driver.h"
#include "graphics/texture.h"
#include "input/input.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/imgui_backends.h"
#include "shell/game.h"
#include "shell/start_directory.h"
#include "ui/interface_frame.h"
#include "ui/notices.h"

CMenu* Menu = nullptr;

namespace {

// The front-end pictures, loaded in this order.
constexpr const char16_t* kPictureNames[] = {
    u"blank_scene_thumbnail.jpg", u"tube_scene_thumbnail.jpg", u"land_scene_thumbnail.jpg",
    u"background0.jpg",           u"background1.jpg",          u"background2.jpg",
};

// How long a frame whose present failed waits before it re-creates.
constexpr uint32_t kLostDeviceWait = 300;

}  // namespace

// ---------------------------------------------------------------------------
// Construction
// ---------------------------------------------------------------------------

CMenu::CMenu() = default;

CMenu::~CMenu() { ReleaseResources(); }

// ---------------------------------------------------------------------------
// Pictures
// ---------------------------------------------------------------------------

void CMenu::LoadTextures()
{
    if (!driver) return;
    // Loading twice must not list a picture twice (or lose the first copy).
    ReleaseTextures();
    // The driver names a picture after the file name it is given, so the
    // pictures are loaded by their bare names from inside the folder.
    platform::ScopedCurrentDirectory restore;
    if (!platform::SetCurrentDirectory(platform::JoinPath(StartDirectory, "TexturesUI"))) return;
    for (const char16_t* name : kPictureNames) {
        // Named before loading, so a picture that fails to load is still
        // found by name (and shows nothing).
        if (CTexture* texture = AppendNamedTexture(textures, name)) driver->LoadTextureFromFile(texture, name);
    }
}

void CMenu::ReleaseTextures()
{
    for (CTexture* texture : textures) {
        if (!texture) continue;
        if (driver) driver->ReleaseTexture(texture);
        CTexture::Delete(texture);
    }
    textures.clear();
}

// ---------------------------------------------------------------------------
// One front-end frame
// ---------------------------------------------------------------------------

namespace {

void DrawScreen(CMenu& menu)
{
    switch (menu.screenState) {
    case kMainMenuScreen: menu.MainMenuScreen(); break;
    case kWorldsScreen: menu.WorldsScreen(); break;
    case kOptionsScreen: menu.OptionsScreen(); break;
    case kScreenSettingsScreen: menu.ScreenSettingsScreen(); break;
    case kGraphicsScreen: menu.GraphicsScreen(); break;
    case kSoundsScreen:
    case kGameScreen: menu.SoundsGameScreen(); break;
    case kControlsScreen: menu.ControlsScreen(); break;
    case kNewWorldScreen: menu.NewWorldScreen(); break;
    default: break;
    }
}

}  // namespace

void DrawFrontEnd(CMenu& menu)
{
    if (!menu.updateChecked) {
        menu.CheckForUpdate();
        menu.updateChecked = 1;
    }
    DrawScreen(menu);
    DrawNotices();
}

void MenuFrame()
{
    CMenu* menu = Menu;
    if (!menu || !menu->driver || !menu->game) return;
    CDriver* driver = menu->driver;
    if (!driver->HasDevice()) {
        // An earlier re-creation could not make a device: try again, at the
        // pace of a failed present, rather than stay blank for good.
        platform::Sleep(kLostDeviceWait);
        menu->RecreateResources();
        return;
    }

    driver->Clear(0, 0, 0);
    menu->DrawBackground();

    // The renderer back end makes its device objects in its NewFrame when
    // it has none (first frame, or after an invalidate).
    CGame* game = menu->game;
    InterfaceFrame frame;
    frame.input = game->input;
    frame.view = 0;
    frame.dialogsShown = [menu] { return static_cast<uint64_t>(menu->screenState); };
    frame.leaving = [game] { return game->menuMode == 0; };
    frame.drawWindows = [menu] { DrawFrontEnd(*menu); };
    const bool drawn = DrawInterfaceFrame(frame);
    if (drawn) platform::RenderImGuiDrawData(driver->state->context);

    // Any non-zero result counts as failed, status codes included.
    if (gpu::SwapChain* swapChain = driver->state->swapChain) {
        const bool presented = swapChain->Present(driver->verticalSync ? 1 : 0, 0) == S_OK;
        if (game->input) game->input->router.NoteFramePresented();
        if (!presented) {
            platform::Sleep(kLostDeviceWait);
            menu->RecreateResources();
        }
    }

    if (menu->invalidateInterfaceObjects) {
        platform::InvalidateImGuiDeviceObjects();
        menu->invalidateInterfaceObjects = 0;
    }
}
