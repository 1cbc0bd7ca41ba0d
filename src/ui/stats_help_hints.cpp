// The read-only windows over a running scene: "Stats" (live values of the
// scene), "Help - F1" (every action with its key) and "Start Hints" (the
// few keys a newcomer needs on entering a world, and its "Show hints" switch).
//
// Index:
//   - Key lines: an action's label with the name of the key bound to it
//   - The help and hint pages, line by line
//   - "Stats"
//   - "Help - F1"
//   - "Start Hints"
#include <cstdint>
#include <string>

#include <imgui.h>

#include "core/vector3.h"
#include "input/input.h"
#include "platform/text.h"
#include "platform/window.h"
#include "scene/scene.h"
#include "shell/game.h"
#include "shell/settings.h"
#include "sound/sound_buffer.h"
#include "ui/editor_widgets.h"
#include "ui/editor_windows.h"
#include "world/world.h"

namespace {

// ---------------------------------------------------------------------------
// Key lines
// ---------------------------------------------------------------------------

// Binding slots of the actions the pages name (the controls screen's order).
enum ActionSlot : int {
    kForward = 0, kBackward, kLeft, kRight, kUp, kDown, kJump, kFlyCamera,
    kMoveFront, kMoveBack, kMoveLeft, kMoveRight, kMoveUp, kMoveDown,
    kNoneTool, kTool1, kTool10 = 24,
    kCreateNewObject, kDeletePickedObject, kRelativeImpulse, kCentralImpulse, kClearScene, kCreateAndThrow,
    kShadows, kObjectProperties, kSunProperties, kChangeTexture, kPhysicsSimulation,
    kPitchRotate, kRollRotate, kYawRotate, kHelp, kExtendedToolBox, kShowStats, kLineToolBox,
    kExtendedTools, kExtendedTextures, kCameraOptions, kMiscOptions, kSingleObjectMode,
    kShowHideToolBox, kShowHideConsole, kPhysicsActive, kCreateObjects,
};
static_assert(int{kCreateObjects} == int{kSlotCreateObjects} && int{kShowHideToolBox} == int{kSlotShowHideToolBox});

// A bullet line: the label, then the name of the key bound to `slot`.
void KeyLine(const CScene& scene, const char* label, int slot)
{
    ImGui::BulletText("%s%s", label, BoundKeyName(scene, slot).c_str());
}

// ---------------------------------------------------------------------------
// The help and hint pages
// ---------------------------------------------------------------------------

enum class LineKind { kText, kKey, kBullet, kNextColumn };

struct PageLine {
    LineKind kind;
    const char* text;
    int slot;
};

constexpr PageLine Text(const char* text) { return {LineKind::kText, text, -1}; }
constexpr PageLine Key(const char* label, int slot) { return {LineKind::kKey, label, slot}; }
constexpr PageLine Bullet(const char* text) { return {LineKind::kBullet, text, -1}; }
constexpr PageLine kNextColumn{LineKind::kNextColumn, "", -1};

constexpr PageLine kHelpPage[] = {
    Text("Movements:"),
    Key("Forward - ", kForward), Key("Backward - ", kBackward), Key("Left - ", kLeft), Key("Right - ", kRight),
    Key("Up - ", kUp), Key("Down - ", kDown), Key("Jump - ", kJump), Key("Fly Camera - ", kFlyCamera),
    Bullet("Alt - avoid mouse rotate"),
    Text("Move Selected Object:"),
    Key("Front - ", kMoveFront), Key("Back - ", kMoveBack), Key("Left - ", kMoveLeft), Key("Right - ", kMoveRight),
    Key("Up - ", kMoveUp), Key("Down - ", kMoveDown),
    Text("Rotate Selected Objects with Mouse Wheel:"),
    Key("Pitch - ", kPitchRotate), Key("Roll - ", kRollRotate), Key("Yaw - ", kYawRotate),
    Text("Create/Edit:"),
    Key("Create New Object - ", kCreateNewObject), Key("Create and Throw Object From Camera - ", kCreateAndThrow),
    Key("Create Sets - ", kCreateObjects), Key("Delete picked object - ", kDeletePickedObject),
    Key("Clear Scene - ", kClearScene), Key("Object Properties - ", kObjectProperties),
    Key("Sun Properties - ", kSunProperties), Key("Get Texture - Ctrl + ", kChangeTexture),
    Key("Apply Texture - ", kChangeTexture), Key("Single Object Mode - ", kSingleObjectMode),
    kNextColumn,
    Text("Tool Slot:"),
    Key("None Tool - ", kNoneTool), Key("Tool 1 - ", kTool1), Key("Tool 2 - ", kTool1 + 1),
    Key("Tool 3 - ", kTool1 + 2), Key("Tool 4 - ", kTool1 + 3), Key("Tool 5 - ", kTool1 + 4),
    Key("Tool 6 - ", kTool1 + 5), Key("Tool 7 - ", kTool1 + 6), Key("Tool 8 - ", kTool1 + 7),
    Key("Tool 9 - ", kTool1 + 8), Key("Tool 10 - ", kTool10),
    Text("Physics:"),
    Key("Apply Relative Impulse - ", kRelativeImpulse), Key("Apply Central Impulse - ", kCentralImpulse),
    Key("Disable Physics Simulation - ", kPhysicsSimulation), Key("Turn on/off Physics Active - ", kPhysicsActive),
    Text("Misc:"),
    Key("Enable/Disable Shadows - ", kShadows), Key("Help - ", kHelp), Key("Extended Tools - ", kExtendedToolBox),
    Key("Stats Menu On/Off - ", kShowStats), Key("Line Menu - ", kLineToolBox),
    Key("Extended Tools - ", kExtendedTools), Key("Extended Texture - ", kExtendedTextures),
    Key("Camera/Movement Options - ", kCameraOptions), Key("Misc Options - ", kMiscOptions),
    Key("Show ToolBox - ", kShowHideToolBox), Key("Show Console - ", kShowHideConsole),
    Bullet("Action - Enter"), Bullet("Add to Action - Ctrl + Enter"),
    Key("Clear List of Actions - Ctrl + ", kDeletePickedObject),
};

constexpr PageLine kHintsPage[] = {
    Key("Help - ", kHelp),
    Text("Movements:"),
    Key("Forward - ", kForward), Key("Backward - ", kBackward), Key("Left - ", kLeft), Key("Right - ", kRight),
    Key("Up - ", kUp), Key("Down - ", kDown), Key("Fly Camera - ", kFlyCamera),
    Text("Rotate Selected Objects with Mouse Wheel:"),
    Key("Pitch - ", kPitchRotate), Key("Roll - ", kRollRotate), Key("Yaw - ", kYawRotate),
    Text("Physics:"),
    Key("Apply Relative Impulse - ", kRelativeImpulse), Key("Apply Central Impulse - ", kCentralImpulse),
    Key("Disable Physics Simulation - ", kPhysicsSimulation), Key("Turn on/off Physics Active - ", kPhysicsActive),
    kNextColumn,
    Text("Create/Edit:"),
    Key("Create New Object - ", kCreateNewObject), Key("Create and Throw Object From Camera - ", kCreateAndThrow),
    Key("Create Sets - ", kCreateObjects), Key("Delete picked object - ", kDeletePickedObject),
    Key("Clear Scene - ", kClearScene), Key("Object Properties - ", kObjectProperties),
    Key("Sun Properties - ", kSunProperties), Key("Change Texture - ", kChangeTexture),
    Key("Single Object Mode - ", kSingleObjectMode),
    Text("Misc:"),
    Key("Extended Tools - ", kExtendedToolBox), Key("Stats Menu On/Off - ", kShowStats),
    Key("Extended Tools - ", kExtendedTools), Key("Extended Texture - ", kExtendedTextures),
    Key("Camera/Movement Options - ", kCameraOptions), Key("Misc Options - ", kMiscOptions),
    Key("Show ToolBox - ", kShowHideToolBox), Key("Show Console - ", kShowHideConsole),
};

// Two bordered columns under a separator; back to one column at the end.
template <size_t N>
void DrawPage(const CScene& scene, const PageLine (&page)[N])
{
    ImGui::Columns(2, "", true);
    ImGui::Separator();
    for (const PageLine& line : page) {
        switch (line.kind) {
        case LineKind::kText: ImGui::TextUnformatted(line.text); break;
        case LineKind::kKey: KeyLine(scene, line.text, line.slot); break;
        case LineKind::kBullet: ImGui::BulletText("%s", line.text); break;
        case LineKind::kNextColumn: ImGui::NextColumn(); break;
        }
    }
    ImGui::Columns(1);
}

// ---------------------------------------------------------------------------
// "Stats"
// ---------------------------------------------------------------------------

struct SoundCounts {
    int paused = 0;
    int playing = 0;
    int stopped = 0;
    int total = 0;
};

// Empty entries count only in the total.
SoundCounts CountSounds(const SoundInstanceList& sounds)
{
    SoundCounts counts;
    counts.total = static_cast<int>(sounds.size());
    for (const CSoundBuffer* sound : sounds) {
        if (!sound) continue;
        if (sound->Paused) ++counts.paused;
        if (sound->Stopped == 0) ++counts.playing;
        if (sound->Stopped == 1) ++counts.stopped;
    }
    return counts;
}

}  // namespace

void DrawStatsWindow(CScene& scene)
{
    const ScopedFont font("gui");
    ImGui::SetNextWindowPos(ImVec2(0.0f, 0.0f), ImGuiCond_Always);
    ImGui::SetNextWindowSize(ImVec2(0.0f, 0.0f), ImGuiCond_Always);
    // Clicks over the window reach the scene.
    ImGui::Begin("Stats", nullptr, ImGuiWindowFlags_NoInputs);

    Vector3 hit;
    Vector3 placement;
    Vector3 normal;
    int staticFlag = 0;
    scene.PickAtCursor(hit, placement, normal, staticFlag);
    ImGui::Text("Cross XYZ: %f,%f,%f", hit.x, hit.y, hit.z);

    int mouseX = 0;
    int mouseY = 0;
    if (platform::GetCursorClientPosition(&mouseX, &mouseY)) ImGui::Text("Mouse: %d,%d", mouseX, mouseY);

    // The dispatch keeps Shift, Alt, Ctrl and Space held in this order.
    const int spaceHeld = scene.game ? scene.game->passFlags[3] : 0;
    ImGui::Text("Space Active: %d", spaceHeld);
    const int exclusive = scene.game && scene.game->input ? scene.game->input->mouseExclusive : 0;
    ImGui::Text("Mouse Exclusive Mode: %d", exclusive);
    ImGui::Text("Disabled Physics: %d", scene.Flag(kFlagPhysicsPaused));
    ImGui::Text("Objects: %d", scene.world ? scene.world->GetObjectCount() : 0);
    const SoundCounts sounds = CountSounds(scene.soundInstances);
    ImGui::Text("Paused/Playing/Stopped/Total Sounds: %d/%d/%d/%d", sounds.paused, sounds.playing, sounds.stopped,
                sounds.total);
    ImGui::Text("FPS: %f", scene.timing.AverageFps());
    ImGui::Text("Physics Active on Creation: %d", scene.Flag(kFlagPhysicsEnable));
    for (const std::u16string& line : scene.statusLines)
        ImGui::TextUnformatted(platform::Utf16ToUtf8(line).c_str());

    ImGui::End();
}

// ---------------------------------------------------------------------------
// "Help - F1"
// ---------------------------------------------------------------------------

void DrawHelpWindow(CScene& scene)
{
    if (!scene.game) return;
    const float s = InterfaceScale();
    const ScopedFont font("help");
    ImGui::SetNextWindowPos(ImVec2(0.0f, 0.0f), ImGuiCond_Always);
    ImGui::SetNextWindowSize(ImVec2(420.0f * s, 530.0f * s), ImGuiCond_Always);
    ImGui::Begin("Help - F1", nullptr, ImGuiWindowFlags_NoInputs);
    DrawPage(scene, kHelpPage);
    ImGui::End();
}

// ---------------------------------------------------------------------------
// "Start Hints"
// ---------------------------------------------------------------------------

void DrawStartHintsWindow(CScene& scene)
{
    const float s = InterfaceScale();
    const int w = static_cast<int>(700.0f * s);
    const int h = static_cast<int>(500.0f * s);
    const ScopedFont font("gui");
    ImGui::SetNextWindowPos(ImVec2(static_cast<float>(Settings.screenWidth / 2 - w / 2),
                                   static_cast<float>(Settings.screenHeight / 2 - h / 2)),
                            ImGuiCond_Always);
    ImGui::SetNextWindowSize(ImVec2(static_cast<float>(w), static_cast<float>(h)), ImGuiCond_Always);
    ImGui::Begin("Start Hints");
    DrawPage(scene, kHintsPage);

    const ImVec2 closeSize(static_cast<float>(static_cast<int>(0.18f * static_cast<float>(w))) / 2.0f,
                           static_cast<float>(static_cast<int>(0.08f * static_cast<float>(w))) / 2.0f);
    if (ImGui::Button("Close", closeSize)) scene.Flag(kFlagStartHints) = 0;
    // Decides only whether later scenes open with the hints; this one keeps them.
    bool showHints = Settings.showHints != 0;
    if (ImGui::Checkbox("Show hints", &showHints)) Settings.showHints = showHints ? 1 : 0;
    ImGui::TextUnformatted("Shift - Block camera rotation");
    ImGui::Text("%s%s%s", "Press ", BoundKeyName(scene, kHelp).c_str(), " to close this window");
    ImGui::End();
}
