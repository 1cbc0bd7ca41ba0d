// The front-end screens: main menu, worlds list with its delete dialog,
// options, the empty graphics/sounds/game panels and the new-world screen.
// Every window is rebuilt, placed and sized each frame from the screen size.
//
// Index
//   - Layout helpers
//   - World names: what a new world may be called, the last-world name
//   - Main menu (0)
//   - Worlds list (1) and the delete dialog
//   - Options (2) and the empty panels (4, 5, 7)
//   - New world (8)
#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>

#include "core/name_key.h"
#include "core/strings.h"
#include "input/input.h"
#include "platform/files.h"
#include "shell/game.h"
#include "shell/log.h"
#include "shell/main_window.h"
#include "shell/settings.h"
#include "ui/editor_widgets.h"
#include "ui/front_end_window.h"
#include "ui/menu.h"
#include "ui/notices.h"
#include "ui/confirmations.h"
#include "ui/stepped_slider.h"
#include "world/world.h"
#include "world/worlds_folder.h"

namespace {

// ---------------------------------------------------------------------------
// Layout helpers
// ---------------------------------------------------------------------------

int ScreenWidth() { return Settings.screenWidth; }
int ScreenHeight() { return Settings.screenHeight; }

// The next item goes n pixels further down.
void MoveDown(float n) { ImGui::SetCursorPos(ImVec2(ImGui::GetCursorPosX(), ImGui::GetCursorPosY() + n)); }

// Items between construction and destruction do nothing and show at half
// their alpha while `disabled`.
class DisabledWhen {
public:
    explicit DisabledWhen(bool disabled) : disabled_(disabled)
    {
        if (!disabled_) return;
        ImGui::PushStyleVar(ImGuiStyleVar_DisabledAlpha, 0.5f);
        ImGui::BeginDisabled();
    }
    ~DisabledWhen()
    {
        if (!disabled_) return;
        ImGui::EndDisabled();
        ImGui::PopStyleVar();
    }
    DisabledWhen(const DisabledWhen&) = delete;
    DisabledWhen& operator=(const DisabledWhen&) = delete;

private:
    bool disabled_;
};

const ImVec2 kMenuButton(280.0f, 40.0f);
const ImVec2 kPanelButton(240.0f, 24.0f);

// ---------------------------------------------------------------------------
// World names
// ---------------------------------------------------------------------------

// True when a world of that file name is listed or lies in the Worlds folder
// (in any letter case).
bool WorldExists(const CGame& game, const std::string& fileName)
{
    const std::string key = ToLowerAscii(fileName);
    for (const std::string& listed : game.worldNames)
        if (ToLowerAscii(listed) == key) return true;
    return platform::FileExists(platform::ResolveFileName(WorldsFolder(), fileName));
}

// Settings.lastWorld keeps what fits of the name, always terminated (the
// settings file holds no more).
void StoreLastWorld(const std::string& name)
{
    std::memset(Settings.lastWorld, 0, sizeof Settings.lastWorld);
    CopyUtf8Head(name, Settings.lastWorld, sizeof Settings.lastWorld);
}

// True when `listed` is the world remembered as the last one: the same name
// in any letter case, cut as the settings keep it, so a name too long to be
// kept whole is still found.
bool IsLastWorld(const std::string& listed)
{
    if (listed.empty() || Settings.lastWorld[0] == '\0') return false;
    char kept[sizeof Settings.lastWorld] = {};
    CopyUtf8Head(listed, kept, sizeof kept);
    return ToLowerAscii(kept) == ToLowerAscii(std::string(Settings.lastWorld, strnlen(Settings.lastWorld, sizeof kept)));
}

// Tells the user and the log why the front end stays.
void Refuse(const char* where, const std::string& message) { TellRefusal(std::string("CMenu::") + where + "()", message); }

// The scene has the mouse from now on.
void HandOverToWorld(CGame& game)
{
    if (game.input && !game.input->mouseExclusive) game.input->SetMouseExclusive(1);
    game.menuMode = 0;
}

}  // namespace

// ---------------------------------------------------------------------------
// Main menu (0)
// ---------------------------------------------------------------------------

void CMenu::MainMenuScreen()
{
    ScopedFont font("main");
    const int W = ScreenWidth();
    const int H = ScreenHeight();

    BeginFrontEndWindow("GM2", 10, 10, 300, 160);
    ImGui::SetCursorPos(ImVec2(10, 10));
    ImGui::Text("%2.2fa", 0.01);
    ImGui::End();

    BeginFrontEndWindow("GM", std::max(0, W / 2 - 200), std::max(0, H / 2 - 200), 400, 400);
    if (ImGui::Button("Continue", kMenuButton)) {
        screenState = kWorldsScreen;
        // The last world is selected again, whatever case its name was typed in.
        if (game) {
            for (size_t i = 0; i < game->worldNames.size(); ++i) {
                if (IsLastWorld(game->worldNames[i])) {
                    selectedWorld = static_cast<int32_t>(i);
                    break;
                }
            }
        }
    }
    MoveDown(40);
    if (ImGui::Button("Options", kMenuButton)) screenState = kOptionsScreen;
    MoveDown(40);
    if (ImGui::Button("Quit", kMenuButton)) SendCloseToMainWindow();
    ImGui::End();

    BeginFrontEndWindow("GM3", std::max(0, W / 2 - 200), std::max(0, H - 300), 400, 200);
    ImGui::SetCursorPos(ImVec2(10, 10));
    if (updateAvailable) {
        MoveDown(20);
        ImGui::TextUnformatted("Newer version is available");
        // The update closes the window itself once it has started; a
        // failure is reported and the front end stays.
        if (ImGui::Button("Download and Update", kMenuButton)) DownloadAndUpdate();
    }
    ImGui::End();
}

// ---------------------------------------------------------------------------
// Worlds list (1) and the delete dialog
// ---------------------------------------------------------------------------

void CMenu::WorldsScreen()
{
    ScopedFont font("main");
    BeginFrontEndWindow("GM", std::max(0, ScreenWidth() / 2 - 200), std::max(0, ScreenHeight() / 2 - 250), 400, 500);

    static const std::vector<std::string> kNoWorlds;
    const std::vector<std::string>& names = game ? game->worldNames : kNoWorlds;
    const bool empty = names.empty();
    const bool selectionValid = selectedWorld >= 0 && static_cast<size_t>(selectedWorld) < names.size();

    std::string items;
    for (const std::string& name : names) {
        items += name;
        items.push_back('\0');
    }
    int choice = selectedWorld;
    if (ImGui::Combo("  World", &choice, items.c_str())) selectedWorld = choice;

    MoveDown(40);
    {
        DisabledWhen disabled(empty);
        if (ImGui::Button("Continue", kMenuButton) && game && selectionValid) {
            const std::string name = names[static_cast<size_t>(selectedWorld)];
            StoreLastWorld(name);
            if (game->LoadWorld(name.c_str()))
                HandOverToWorld(*game);
            else
                Refuse("WorldsScreen", "The world " + name + " cannot be opened" + WorldFileReason() + ".");
        }
    }

    MoveDown(40);
    if (ImGui::Button("New World", kMenuButton)) {
        screenState = kNewWorldScreen;
        if (game) proposedWorldName = game->ProposeWorldName();
    }

    MoveDown(40);
    {
        DisabledWhen disabled(empty);
        if (ImGui::Button("Delete", kMenuButton) && !empty) {
            deleteConfirmation = 1;
            ImGui::OpenPopup("Delete##confirm");
        }
    }

    MoveDown(40);
    if (deleteConfirmation) DeleteDialog();

    if (ImGui::Button("Back", kMenuButton)) screenState = kMainMenuScreen;
    ImGui::End();
}

void CMenu::DeleteDialog()
{
    // "OK" never lies under the pointer that clicked "Delete".
    if (!BeginConfirmation("Delete##confirm")) return;
    // A selection outside the list names no world: "OK" then deletes nothing.
    const bool valid =
        game && selectedWorld >= 0 && static_cast<size_t>(selectedWorld) < game->worldNames.size();
    const std::string name = valid ? game->worldNames[static_cast<size_t>(selectedWorld)] : std::string();
    ImGui::Text("Delete %s ?", name.c_str());
    ImGui::Separator();

    if (ImGui::Button("OK", ImVec2(120, 0))) {
        if (valid) {
            if (platform::DeleteFile(platform::JoinPath(WorldsFolder(), name))) {
                game->worldNames.erase(game->worldNames.begin() + selectedWorld);
                selectedWorld = std::max(0, selectedWorld - 1);
            } else {
                Refuse("WorldsScreen", "The world " + name + " cannot be deleted: " + platform::LastFileErrorText() + ".");
            }
        }
        deleteConfirmation = 0;
        ImGui::CloseCurrentPopup();
    }
    ImGui::SetItemDefaultFocus();
    ImGui::SameLine();
    if (ImGui::Button("Cancel", ImVec2(120, 0))) {
        deleteConfirmation = 0;
        ImGui::CloseCurrentPopup();
    }
    ImGui::EndPopup();
}

// ---------------------------------------------------------------------------
// Options (2) and the empty panels (4, 5, 7)
// ---------------------------------------------------------------------------

void CMenu::OptionsScreen()
{
    ScopedFont font("main");
    BeginFrontEndWindow("OM", std::max(0, ScreenWidth() / 2 - 200), std::max(0, ScreenHeight() / 2 - 250), 400, 500);
    struct Choice {
        const char* label;
        int32_t screen;
    };
    static constexpr Choice kChoices[] = {
        {"Screen", kScreenSettingsScreen}, {"Graphics", kGraphicsScreen}, {"Sounds", kSoundsScreen},
        {"Controls", kControlsScreen},     {"Game", kGameScreen},         {"Back", kMainMenuScreen},
    };
    for (size_t i = 0; i < std::size(kChoices); ++i) {
        if (i > 0) MoveDown(40);
        if (!ImGui::Button(kChoices[i].label, kMenuButton)) continue;
        screenState = kChoices[i].screen;
        // The controls screen reads keys and buttons as they are pressed.
        if (screenState == kControlsScreen && game && game->input) game->input->AcquireDevices();
    }
    ImGui::End();
}

namespace {

void EmptyPanel(const char* windowName, int32_t& screenState)
{
    ScopedFont font("gui");
    BeginFrontEndWindow(windowName, std::max(0, ScreenWidth() / 2 - 300), std::max(0, ScreenHeight() / 2 - 250), 600,
                        500);
    MoveDown(24);
    ImGui::Button("Apply", kPanelButton);
    if (ImGui::Button("Back", kPanelButton)) screenState = kOptionsScreen;
    ImGui::End();
}

}  // namespace

void CMenu::GraphicsScreen() { EmptyPanel("GM", screenState); }

void CMenu::SoundsGameScreen() { EmptyPanel("SM", screenState); }

// ---------------------------------------------------------------------------
// New world (8)
// ---------------------------------------------------------------------------

namespace {

struct SceneChoice {
    const char16_t* thumbnail;
    const char* label;
};

constexpr SceneChoice kSceneChoices[] = {
    {u"blank_scene_thumbnail.jpg", "Blank Simple Scene"},
    {u"tube_scene_thumbnail.jpg", "Tube Style Scene"},
    {u"land_scene_thumbnail.jpg", "3D Cube Landscape Scene"},
};

// A float slider that Ctrl+click cannot push out of its range.
bool ClampedSlider(const char* label, float* value, float min, float max, const char* format)
{
    return ImGui::SliderFloat(label, value, min, max, format, ImGuiSliderFlags_AlwaysClamp);
}

}  // namespace

void CMenu::NewWorldScreen()
{
    ScopedFont font("gui");
    const int W = ScreenWidth();
    const int H = ScreenHeight();
    const float s = InterfaceScale();
    const int w = static_cast<int>(s * 440.0f);
    const int h = static_cast<int>(s * 500.0f);
    BeginFrontEndWindow("SM", std::max(0, W / 2 - w / 2), std::max(0, H / 2 - h / 2), w, h);
    // Back on the screen (from the world just made, which may have been saved
    // under other names too): a name taken since is replaced by a free one.
    if (ImGui::IsWindowAppearing() && game && WorldExists(*game, WorldFileNameOf(proposedWorldName)))
        proposedWorldName = game->ProposeWorldName();
    const auto bw = static_cast<float>(static_cast<int>(static_cast<float>(w) * 0.6f));
    const auto g = static_cast<float>(static_cast<int>(static_cast<float>(w) * 0.06f));

    MoveDown(g);
    // Pictures are looked up every frame: a reload replaces them.
    for (int i = 0; i < 3; ++i) {
        if (i > 0) ImGui::SameLine();
        ImGui::PushID(i);
        const CTexture* picture = CWorld::FindTexture(textures, kSceneChoices[i].thumbnail);
        if (ImageButtonSelectable(picture, ImVec2(s * 128.0f, s * 128.0f), sceneType == i, ImVec4(0, 0, 0, 0))) {
            sceneType = i;
            sceneLabel = kSceneChoices[i].label;
        }
        ImGui::PopID();
    }
    ImGui::TextUnformatted(sceneLabel.c_str());
    NewWorldParameters();

    MoveDown(g);
    char buffer[kWorldNameFieldBytes] = {};
    CopyUtf8Head(proposedWorldName, buffer, sizeof buffer);
    if (ImGui::InputText("World Name", buffer, sizeof buffer)) proposedWorldName = buffer;

    MoveDown(g * 0.5f);
    if (ImGui::Button("Continue", ImVec2(bw, g))) EnterNewWorld();
    if (ImGui::Button("Back", ImVec2(bw, g))) screenState = kWorldsScreen;
    ImGui::End();
}

void CMenu::NewWorldParameters()
{
    switch (sceneType) {
    case kBlankScene: {
        BlankSceneParams& p = blankParams;
        SteppedSliderFloat("World Size", &p.worldSize, 20.0f, 500.0f, 10.0f);
        SteppedSliderFloat("Object Size", &p.objectSize, 10.0f, 100.0f, 5.0f);
        bool borders = p.verticalBorders != 0;
        if (ImGui::Checkbox("Vertical Borders", &borders)) p.verticalBorders = borders ? 1 : 0;
        {
            DisabledWhen disabled(p.verticalBorders == 0);
            float height = p.height;
            if (ClampedSlider("Height", &height, 0.5f, 8.0f, "meters = %0.1f") && p.verticalBorders != 0)
                p.height = height;
        }
        {
            DisabledWhen disabled(p.verticalBorders != 0);
            bool mosaic = p.mosaic != 0;
            if (ImGui::Checkbox("Mosaic", &mosaic) && p.verticalBorders == 0) p.mosaic = mosaic ? 1 : 0;
        }
        break;
    }
    case kTubeScene: {
        TubeSceneParams& p = tubeParams;
        SteppedSliderFloat("World Size", &p.worldSize, 20.0f, 500.0f, 10.0f);
        SteppedSliderFloat("Max Leaf Size", &p.maxLeafSize, 10.0f, 100.0f, 5.0f);
        bool multiLevel = p.multiLevel != 0;
        if (ImGui::Checkbox("Multi Level", &multiLevel)) p.multiLevel = multiLevel ? 1 : 0;
        bool baseLevel = p.baseLevel != 0;
        if (ImGui::Checkbox("Base Level", &baseLevel)) p.baseLevel = baseLevel ? 1 : 0;
        break;
    }
    case kLandscapeScene: {
        LandscapeSceneParams& p = landscapeParams;
        if (!landscapeWorldSizeTaken) {
            landscapeWorldSize = static_cast<float>(p.worldSize);
            landscapeWorldSizeTaken = true;
        }
        if (ClampedSlider("World Size", &landscapeWorldSize, 32.0f, 512.0f, "m = %1.0f"))
            p.worldSize = static_cast<int32_t>(landscapeWorldSize);
        auto maxHeight = static_cast<float>(p.maxHeight);
        if (ClampedSlider("Max Height", &maxHeight, 0.0f, 64.0f, "m = %1.0f"))
            p.maxHeight = static_cast<int32_t>(maxHeight);
        break;
    }
    default: break;
    }
}

void CMenu::EnterNewWorld()
{
    if (!game) return;
    const std::string& name = proposedWorldName;
    const std::string refusal = WorldNameRefusal(name);
    if (!refusal.empty()) {
        Refuse("NewWorldScreen", refusal);
        return;
    }
    const std::string fileName = WorldFileNameOf(name);
    if (WorldExists(*game, fileName)) {
        Refuse("NewWorldScreen", "A world named " + fileName + " exists already. Please choose another name.");
        return;
    }
    if (!game->NewWorld(name.c_str(), sceneType, &blankParams, &tubeParams, &landscapeParams)) {
        Refuse("NewWorldScreen", "The world " + fileName + " could not be made and saved in the Worlds folder" +
                                     WorldFileReason() + ".");
        return;
    }
    // The file name, so that "Continue" on the main menu finds the world again.
    StoreLastWorld(fileName);
    game->AddWorldName(fileName);
    HandOverToWorld(*game);
}
