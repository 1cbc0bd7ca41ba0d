// The editor frame: every editor window over a running scene, in one Dear
// ImGui frame per scene frame and in a fixed order (later windows lie on top).
#include <imgui.h>

#include "graphics/driver.h"
#include "platform/imgui_backends.h"
#include "scene/scene.h"
#include "shell/game.h"
#include "ui/editor_windows.h"
#include "ui/interface_frame.h"
#include "ui/notices.h"

namespace {

// The dialogs a click opens in place of another, one bit each (the windows
// themselves are counted by the interface frame).
uint64_t DialogsShown(const CScene& scene)
{
    uint64_t shown = 0;
    for (int flag : {kFlagCreateObjectsDialog, kFlagSceneMenu, kFlagSceneChooser, kFlagBlankSceneDialog,
                     kFlagTubeSceneDialog, kFlagLandscapeSceneDialog, kFlagSaveAsEntry, kFlagOverwriteQuestion,
                     kFlagGenerateObjects, kFlagAutoSceneGenerator})
        if (scene.FlagOn(flag)) shown |= uint64_t{1} << flag;
    return shown;
}

}  // namespace

void CScene::DrawUserInterface()
{
    if (!ImGui::GetCurrentContext() || !driver || !driver->HasDevice()) return;
    InterfaceFrame frame;
    frame.input = game ? game->input : nullptr;
    frame.view = game ? game->sceneView : 1;
    frame.dialogsShown = [this] { return DialogsShown(*this); };
    frame.leaving = [this] { return game && (game->leaveRequest || game->quitRequest); };
    frame.drawWindows = [this] { DrawEditorWindows(*this); };
    // Without its back ends (a scene driven by a test) Dear ImGui has no
    // font atlas or display and cannot make a frame.
    if (!DrawInterfaceFrame(frame)) return;
    platform::RenderImGuiDrawData(driver->state->context);
    ReloadIfAsked(*this);
}

void DrawEditorWindows(CScene& scene)
{
    if (scene.FlagOn(kFlagCreateObjectsDialog)) DrawCreateObjectsDialog(scene);
    if (scene.FlagOn(kFlagConsole)) DrawConsoleWindow(scene);
    if (scene.FlagOn(kFlagConsoleCommands)) DrawConsoleCommandsWindow(scene);
    if (scene.FlagOn(kFlagMiscOptions)) DrawMiscOptionsWindow(scene);
    if (scene.FlagOn(kFlagCameraOptions)) DrawCameraOptionsWindow(scene);
    if (scene.FlagOn(kFlagTexturesWindow)) DrawTexturesWindow(scene);
    if (scene.FlagOn(kFlagBlocksWindow)) DrawBlocksWindow(scene);
    if (scene.FlagOn(kFlagObjectProperties)) DrawObjectPropertiesWindow(scene);
    if (scene.FlagOn(kFlagSunProperties)) DrawSunPropertiesWindow(scene);
    if (scene.FlagOn(kFlagStats)) DrawStatsWindow(scene);
    if (scene.FlagOn(kFlagHelpWindow) && scene.game) DrawHelpWindow(scene);
    if (scene.FlagOn(kFlagExtToolBox)) DrawExtToolBoxWindow(scene);
    if (scene.FlagOn(kFlagLineToolBox)) DrawLineToolBoxWindow(scene);
    if (scene.FlagOn(kFlagModelView)) DrawSingleObjectModeWindow(scene);
    PlaceToolBoxFirstTime(scene);
    if (scene.FlagOn(kFlagToolBox)) DrawToolBoxWindow(scene);
    if (scene.FlagOn(kFlagAutoSceneGenerator)) DrawAutoSceneGeneratorWindow(scene);
    if (scene.FlagOn(kFlagGenerateObjects)) DrawGenerateObjectsWindow(scene);
    if (scene.FlagOn(kFlagBlankSceneDialog)) DrawBlankSceneDialog(scene);
    if (scene.FlagOn(kFlagTubeSceneDialog)) DrawTubeSceneDialog(scene);
    if (scene.FlagOn(kFlagLandscapeSceneDialog)) DrawLandscapeSceneDialog(scene);
    if (scene.FlagOn(kFlagSceneChooser)) DrawSceneChooser(scene);
    if (scene.FlagOn(kFlagSceneMenu)) DrawSceneMenu(scene);
    if (scene.FlagOn(kFlagStartHints)) DrawStartHintsWindow(scene);
    DrawNotices();
}
