// The in-game scene menu (flag 17, Esc): back to the world, a new scene, the
// generated-scene dialog, reloading and saving the world (also under a new
// name, with a question before a file is replaced), leaving and quitting.
//
// Index: saving - the menu - reloading once the frame is drawn
#include <string>

#include "core/strings.h"
#include "platform/files.h"
#include "platform/text.h"
#include "scene/scene.h"
#include "shell/game.h"
#include "ui/dialog_layout.h"
#include "ui/editor_dialogs.h"
#include "ui/editor_widgets.h"
#include "ui/editor_windows.h"
#include "ui/notices.h"
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

void TellUser(const std::string& message) { TellRefusal("CScene::DrawUserInterface()", message); }

// The Worlds folder, or empty (the user told) when it is missing.
std::string WorldsFolderToSaveIn()
{
    const std::string folder = WorldsFolder();
    if (platform::DirectoryExists(folder)) return folder;
    TellUser("The world cannot be saved: there is no folder " + folder + ".");
    return {};
}

// Saving finds a file of that name in any letter case: so does the question.
bool FileTaken(const std::string& folder, const std::string& name)
{
    return FileExists(platform::Utf8ToUtf16(platform::ResolveFileName(folder, name)).c_str()) != 0;
}

// The world saved in the Worlds folder under `name`, which it then carries
// (the next "Save" writes there) and which the worlds list then shows. A
// failed save tells the user and keeps the world's name.
bool SaveUnderName(CScene& scene, const std::string& folder, const std::string& name)
{
    if (!scene.world) return false;
    if (!scene.SaveCurrentWorld(platform::JoinPath(folder, name).c_str())) {
        TellUser("The world could not be saved as " + name + WorldFileReason() + ".");
        return false;
    }
    scene.world->worldName = name;
    scene.fileHoldsEarlierScene = false;
    if (scene.game) scene.game->AddWorldName(name);
    return true;
}

// The question whether to replace `name`, with the name entry open under it
// for another name instead.
void AskBeforeReplacing(CScene& scene, const std::string& name)
{
    scene.Flag(kFlagSaveAsEntry) = 1;
    scene.Flag(kFlagOverwriteQuestion) = 1;
    scene.dialogs.pendingSaveName = name;
    SetTextEntry(scene, 1);
    CopyUtf8Head(name, DialogValues.saveName, sizeof(DialogValues.saveName));
}

// "Save": the world under its own name in the Worlds folder. Its file is
// replaced without a question only while it holds this world: once the
// scene was emptied in place (Clear Scene, "New"), or for a world without a
// name of its own ("default.vsk" then), an existing file is asked about first. False when the
// question is open and the menu stays.
bool SaveUnderOwnName(CScene& scene)
{
    if (!scene.world) return true;
    const std::string folder = WorldsFolderToSaveIn();
    if (folder.empty()) return true;
    const std::string& own = scene.world->worldName;
    const std::string name = own.empty() ? "default.vsk" : own;
    if ((own.empty() || scene.fileHoldsEarlierScene) && FileTaken(folder, name)) {
        AskBeforeReplacing(scene, name);
        return false;
    }
    SaveUnderName(scene, folder, name);
    return true;
}

// "Save File": a name that cannot be a world's is refused, one already taken
// asks first; the world takes the new name only once it has been saved under it.
void SaveFile(CScene& scene)
{
    if (!scene.world) return;
    const std::string typed = DialogValues.saveName;
    const std::string refusal = WorldNameRefusal(typed);
    if (!refusal.empty()) {
        TellUser(refusal);
        return;
    }
    const std::string folder = WorldsFolderToSaveIn();
    if (folder.empty()) return;
    const std::string name = WorldFileNameOf(typed);
    if (FileTaken(folder, name)) {
        scene.dialogs.pendingSaveName = name;
        scene.Flag(kFlagOverwriteQuestion) = 1;
        return;
    }
    if (SaveUnderName(scene, folder, name)) CloseSaveAsEntry(scene);
}

// "Yes, replace it": the name asked about, saved over. A failed save leaves
// the entry open for another name.
void ReplaceFile(CScene& scene)
{
    const std::string name = scene.dialogs.pendingSaveName;
    scene.Flag(kFlagOverwriteQuestion) = 0;
    scene.dialogs.pendingSaveName.clear();
    if (name.empty()) return;
    const std::string folder = WorldsFolderToSaveIn();
    if (!folder.empty() && SaveUnderName(scene, folder, name)) CloseSaveAsEntry(scene);
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
        // The menu goes in this frame, so that the click is known to have
        // changed what is shown (input/input_router.h); the rest follows the
        // drawn frame.
        scene.Flag(kFlagSceneMenu) = 0;
        scene.dialogs.reloadAsked = true;
    }
    MoveDown(32.0f);
    if (ImGui::Button("Save", kDialogButton) && SaveUnderOwnName(scene)) CloseMenu(scene);
    MoveDown(32.0f);
    if (ImGui::Button("Save As", kDialogButton)) {
        scene.Flag(kFlagSaveAsEntry) = 1;
        scene.Flag(kFlagOverwriteQuestion) = 0;
        scene.dialogs.pendingSaveName.clear();
        SetTextEntry(scene, 1);
        CopyUtf8Head(scene.world ? scene.world->worldName : std::string(), DialogValues.saveName,
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

// ---------------------------------------------------------------------------
// Reloading once the frame is drawn
// ---------------------------------------------------------------------------
void ReloadIfAsked(CScene& scene)
{
    if (!scene.dialogs.reloadAsked) return;
    scene.dialogs.reloadAsked = false;
    std::string why;
    if (!scene.ReloadWorld(&why))
        TellUser("The last saved world could not be read again: " + why + ". The world stays as it is.");
    CloseMenu(scene);
}
