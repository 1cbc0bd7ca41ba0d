// The in-game scene menu (flag 17, Esc): back to the world, a new scene, the
// generated-scene dialog, reloading and saving the world (also under a new
// name, with a question before a file is replaced), leaving and quitting.
//
// Index: saving - the menu
#include <string>

#include "platform/files.h"
#include "platform/text.h"
#include "scene/scene.h"
#include "shell/game.h"
#include "shell/log.h"
#include "ui/dialog_layout.h"
#include "ui/editor_dialogs.h"
#include "ui/editor_widgets.h"
#include "ui/editor_windows.h"
#include "world/world.h"
#include "world/worlds_folder.h"

using scene_dialogs::kDialogButton;
using scene_dialogs::MoveDown;

namespace {

// ---------------------------------------------------------------------------
// Saving
// ---------------------------------------------------------------------------
const ImVec2 kSaveFileButton{336.6f, 27.2f};
const ImVec2 kAnswerButton{130.68f, 32.0f};

void SetTextEntry(const CScene& scene, uint8_t open)
{
    if (scene.game) scene.game->modalOpen = open;
}

// The menu closes and the scene gets the ToolBox, the keys and the mouse back.
void CloseMenu(CScene& scene)
{
    scene.Flag(kFlagSceneMenu) = 0;
    scene.Flag(kFlagToolBox) = 1;
    SetTextEntry(scene, 0);
    GiveMouseBackToScene(scene);
}

void CloseSaveAsEntry(CScene& scene)
{
    scene.Flag(kFlagSaveAsEntry) = 0;
    scene.Flag(kFlagOverwriteQuestion) = 0;
    scene.dialogs.pendingSaveName.clear();
    SetTextEntry(scene, 0);
}

// A typed name stays a file of the Worlds folder.
bool IsPlainFileName(const std::string& name)
{
    return name.find('/') == std::string::npos && name.find('\\') == std::string::npos;
}

// "Save": the world under its own name in the Worlds folder.
void SaveUnderOwnName(CScene& scene)
{
    const std::string folder = WorldsFolder();
    if (!scene.world || !platform::DirectoryExists(folder)) return;
    const std::string& own = scene.world->worldName;
    scene.SaveCurrentWorld(platform::JoinPath(folder, own.empty() ? "default.vsk" : own).c_str());
}

// The world saved in the Worlds folder under `name`, which it then carries
// (the next "Save" writes there). A failed save (logged) keeps its name.
bool SaveUnderNewName(CScene& scene, const std::string& name)
{
    const std::string folder = WorldsFolder();
    if (!scene.world || !platform::DirectoryExists(folder)) return false;
    if (!scene.SaveCurrentWorld(platform::JoinPath(folder, name).c_str())) return false;
    scene.world->worldName = name;
    return true;
}

// "Save File": a name already taken asks first; the world takes the new name
// only once it has been saved under it.
void SaveFile(CScene& scene)
{
    const std::string name = WorldFileNameOf(DialogValues.saveName);
    const std::string folder = WorldsFolder();
    if (!scene.world || !platform::DirectoryExists(folder)) return;
    if (!IsPlainFileName(name)) {
        WriteLog("Error: Save File: not a world file name: " + name);
        return;
    }
    // Saving finds a file of that name in any letter case: so does the question.
    const std::string path = platform::ResolveFileName(folder, name);
    if (FileExists(platform::Utf8ToUtf16(path).c_str())) {
        scene.dialogs.pendingSaveName = name;
        scene.Flag(kFlagOverwriteQuestion) = 1;
        return;
    }
    if (SaveUnderNewName(scene, name)) CloseSaveAsEntry(scene);
}

// "Yes, replace it": the name asked about, saved over. A failed save leaves
// the entry open for another name.
void ReplaceFile(CScene& scene)
{
    const std::string name = scene.dialogs.pendingSaveName;
    scene.Flag(kFlagOverwriteQuestion) = 0;
    scene.dialogs.pendingSaveName.clear();
    if (!name.empty() && SaveUnderNewName(scene, name)) CloseSaveAsEntry(scene);
}

}  // namespace

// ---------------------------------------------------------------------------
// The menu
// ---------------------------------------------------------------------------
void DrawSceneMenu(CScene& scene)
{
    ScopedFont font("gui");
    scene_dialogs::BeginDialog(kSceneMenuName, scene_dialogs::SceneMenuRect(scene));

    if (ImGui::Button("Continue", kDialogButton)) {
        CloseSaveAsEntry(scene);
        CloseMenu(scene);
    }
    MoveDown(32.0f);
    if (ImGui::Button("New", kDialogButton)) {
        scene.Flag(kFlagSceneMenu) = 0;
        scene.Flag(kFlagSceneChooser) = 1;
        SetTextEntry(scene, 0);
        GiveMouseBackToScene(scene);
    }
    MoveDown(32.0f);
    if (ImGui::Button("Generete Scene Objects", kDialogButton)) {
        scene.Flag(kFlagSceneMenu) = 0;
        scene.Flag(kFlagCreateObjectsDialog) = 1;
        SetTextEntry(scene, 0);
        GiveMouseBackToScene(scene);
    }
    MoveDown(32.0f);
    if (ImGui::Button("ReLoad Last Saved", kDialogButton)) {
        scene.ReloadWorld();
        CloseMenu(scene);
    }
    MoveDown(32.0f);
    if (ImGui::Button("Save", kDialogButton)) {
        SaveUnderOwnName(scene);
        CloseMenu(scene);
    }
    MoveDown(32.0f);
    if (ImGui::Button("Save As", kDialogButton)) {
        scene.Flag(kFlagSaveAsEntry) = 1;
        scene.Flag(kFlagOverwriteQuestion) = 0;
        scene.dialogs.pendingSaveName.clear();
        SetTextEntry(scene, 1);
        CopyNameCut(scene.world ? scene.world->worldName : std::string(), DialogValues.saveName,
                    sizeof(DialogValues.saveName));
    }
    MoveDown(32.0f);

    if (scene.FlagOn(kFlagSaveAsEntry)) {
        ImGui::InputText("name", DialogValues.saveName, sizeof(DialogValues.saveName));
        MoveDown(16.0f);
        const bool named = DialogValues.saveName[0] != '\0';
        ImGui::BeginDisabled(!named);
        if (ImGui::Button("Save File", kSaveFileButton) && named) SaveFile(scene);
        ImGui::EndDisabled();
        if (scene.FlagOn(kFlagOverwriteQuestion)) {
            ImGui::TextUnformatted("File with this name exists. Replace it?");
            if (ImGui::Button("Yes, replace it", kAnswerButton)) ReplaceFile(scene);
            ImGui::SameLine();
            if (ImGui::Button("No", kAnswerButton)) {
                scene.Flag(kFlagOverwriteQuestion) = 0;
                scene.dialogs.pendingSaveName.clear();
            }
        }
        MoveDown(24.0f);
    }

    if (ImGui::Button("Quit to Menu", kDialogButton) && scene.game) scene.game->leaveRequest = 1;
    MoveDown(32.0f);
    if (ImGui::Button("Quit", kDialogButton) && scene.game) scene.game->quitRequest = 1;
    ImGui::End();
}
