#include "ui/menu.h"

#include <imgui.h>

#include "graphics/driver.h"
#include "platform/imgui_backends.h"


CMenu* Menu = nullptr;

CMenu::CMenu() = default;

void CMenu::LoadTextures()
{
    // TODO(front-end): load the background pictures and scene thumbnails.
}

void CMenu::ReleaseTextures() {}
void CMenu::MainMenuScreen() {}
void CMenu::WorldsScreen() {}
void CMenu::OptionsScreen() {}
void CMenu::GraphicsScreen() {}
void CMenu::SoundsGameScreen() {}
void CMenu::NewWorldScreen() {}

void MenuFrame()
{
    // TODO(front-end): the background and the screens. Until they exist a
    // frame is cleared, runs an empty Dear ImGui frame and is presented.
    if (!Menu || !Menu->driver || !Menu->driver->HasDevice()) return;
    CDriver* driver = Menu->driver;
    driver->Clear(0, 0, 0);
    platform::NewImGuiFrame();
    ImGui::NewFrame();
    ImGui::Render();
    platform::RenderImGuiDrawData(driver->state->context);
    if (driver->state->swapChain) driver->state->swapChain->Present(driver->verticalSync ? 1 : 0, 0);
}
