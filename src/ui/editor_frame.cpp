// The editor frame: every editor window over a running scene, in one Dear
// ImGui frame per scene frame and in a fixed order (later windows lie on top).
#include <imgui.h>

#include "graphics/driver.h"
#include "platform/imgui_backends.h"
#include "scene/scene.h"
#include "ui/editor_windows.h"
#include "ui/notices.h"

void CScene::DrawUserInterface()
{
    if (!ImGui::GetCurrentContext() || !driver || !driver->HasDevice()) return;
    platform::NewImGuiFrame();
    // Without its back ends (a scene driven by a test) Dear ImGui has no
    // font atlas or display and cannot make a frame.
    const ImGuiIO& io = ImGui::GetIO();
    if (!io.Fonts->IsBuilt() || io.DisplaySize.x <= 0.0f || io.DisplaySize.y <= 0.0f) return;
    ImGui::NewFrame();

    if (FlagOn(kFlagCreateObjectsDialog)) DrawCreateObjectsDialog(*this);
    if (FlagOn(kFlagConsole)) DrawConsoleWindow(*this);
    if (FlagOn(kFlagConsoleCommands)) DrawConsoleCommandsWindow(*this);
    if (FlagOn(kFlagMiscOptions)) DrawMiscOptionsWindow(*this);
    if (FlagOn(kFlagCameraOptions)) DrawCameraOptionsWindow(*this);
    if (FlagOn(kFlagTexturesWindow)) DrawTexturesWindow(*this);
    if (FlagOn(kFlagBlocksWindow)) DrawBlocksWindow(*this);
    if (FlagOn(kFlagObjectProperties)) DrawObjectPropertiesWindow(*this);
    if (FlagOn(kFlagSunProperties)) DrawSunPropertiesWindow(*this);
    if (FlagOn(kFlagStats)) DrawStatsWindow(*this);
    if (FlagOn(kFlagHelpWindow) && game) DrawHelpWindow(*this);
    if (FlagOn(kFlagExtToolBox)) DrawExtToolBoxWindow(*this);
    if (FlagOn(kFlagLineToolBox)) DrawLineToolBoxWindow(*this);
    if (FlagOn(kFlagModelView)) DrawSingleObjectModeWindow(*this);
    PlaceToolBoxFirstTime(*this);
    if (FlagOn(kFlagToolBox)) DrawToolBoxWindow(*this);
    if (FlagOn(kFlagAutoSceneGenerator)) DrawAutoSceneGeneratorWindow(*this);
    if (FlagOn(kFlagGenerateObjects)) DrawGenerateObjectsWindow(*this);
    if (FlagOn(kFlagBlankSceneDialog)) DrawBlankSceneDialog(*this);
    if (FlagOn(kFlagTubeSceneDialog)) DrawTubeSceneDialog(*this);
    if (FlagOn(kFlagLandscapeSceneDialog)) DrawLandscapeSceneDialog(*this);
    if (FlagOn(kFlagSceneChooser)) DrawSceneChooser(*this);
    if (FlagOn(kFlagSceneMenu)) DrawSceneMenu(*this);
    if (FlagOn(kFlagStartHints)) DrawStartHintsWindow(*this);
    DrawNotices();

    ImGui::Render();
    platform::RenderImGuiDrawData(driver->state->context);
}
