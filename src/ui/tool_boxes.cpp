// The tool boxes that choose what to build: the ToolBox, a row of quick-bar
// pictures along the screen's lower edge ("Imaged Buttons", flag 24), the
// "Blocks" window with the whole block library (flag 11) and the "Textures"
// window with every loaded texture (flag 12). The option tool boxes are in
// tool_box_options.cpp.
//
// Index: shared pieces - first placement - ToolBox - "Blocks" - "Textures"
#include <imgui.h>

#include <algorithm>
#include <string>
#include <vector>

#include "graphics/texture.h"
#include "platform/clock.h"
#include "platform/text.h"
#include "scene/scene.h"
#include "shell/game.h"
#include "shell/settings.h"
#include "ui/editor_controls.h"
#include "ui/editor_widgets.h"
#include "ui/editor_windows.h"
#include "world/block_type.h"
#include "world/world.h"

// ---------------------------------------------------------------------------
// Shared pieces
// ---------------------------------------------------------------------------
namespace {

const ImVec4 kPictureBackground(0.0f, 0.0f, 0.0f, 1.0f);
constexpr uint32_t kHintPeriodMs = 3000;
constexpr int kHintCount = 12;
constexpr int kFirstToolSlot = 15;  // "Tool 1"; "Tool 10" is slot 24

// The ToolBox's hints: the key bound to an action, then what it does.
struct ToolBoxHint {
    int slot;
    const char* suffix;
};
const ToolBoxHint kHints[kHintCount] = {
    {39, " - Help"},                                 // "Help"
    {40, " - Extended Tools"},                       // "Extended Tool Box"
    {45, " - Camera/Movement Options"},              // "Camera Options"
    {46, " - Misc Options"},                         // "Misc Options"
    {35, " - Disable Physics Simulation"},           // "Enable Disable Physics Simulation"
    {27, " - Apply Relative Impulse"},               // "Apply Relative Impulse"
    {28, " - Apply Central Impulse"},                // "Apply Central Impulse"
    {28, " - Apply Central Impulse"},                // "Apply Central Impulse"
    {25, " - Create New Object"},                    // "Create New Object"
    {30, " - Create and Throw Object From Camera"},  // "Create and Throw New Object"
    {kSlotCreateObjects, " - Create Sets"},          // "Create Objects"
    {26, " - Delete picked object"},                 // "Delete Picked Object"
};

int ScreenWidth() { return Settings.screenWidth; }
int ScreenHeight() { return Settings.screenHeight; }

// The block type's turning preview picture; null before it was first
// rendered, and the button then shows no picture.
const CTexture* PreviewPictureOf(const BlockType* type) { return type ? type->PreviewPicture() : nullptr; }

void PlaceFirstTime(ToolBoxState& state, const std::string& id)
{
    int32_t& placed = state.placed[id];
    if (placed) return;
    placed = 1;
    state.positions[id] = ToolBoxPosition{static_cast<float>(ScreenWidth() / 2 - 300),
                                          static_cast<float>(ScreenHeight())};
}

void SetNextWindowAt(const ToolBoxPosition& position)
{
    ImGui::SetNextWindowPos(ImVec2(position.x, position.y), ImGuiCond_Always);
}

// The quick-bar slot of the tool in hand: the slot it was chosen from when
// that still holds it, else the first that does (the tool was put in hand
// some other way, or its slot has changed since); -1 when the tool in hand is
// none or not in the quick bar.
int SlotOfToolInHand(const CWorld& world)
{
    const BlockType* tool = world.currentBlockType;
    const QuickBar& bar = world.quickBar;
    if (!tool) return -1;
    const int32_t clicked = world.quickBarSlot;
    if (clicked >= 0 && static_cast<size_t>(clicked) < bar.size() && bar[static_cast<size_t>(clicked)] == tool)
        return clicked;
    const auto found = std::find(bar.begin(), bar.end(), tool);
    return found == bar.end() ? -1 : static_cast<int>(found - bar.begin());
}

// A block type chosen in "Blocks" takes the place of the tool in hand in the
// quick bar and becomes the tool in hand. Without a tool in hand from the
// quick bar, nothing changes.
void PutIntoCurrentQuickBarSlot(CScene& scene, BlockType* type)
{
    CWorld& world = *scene.world;
    const int slot = SlotOfToolInHand(world);
    if (slot < 0) return;
    world.quickBar[static_cast<size_t>(slot)] = type;
    world.quickBarSlot = slot;
    world.currentBlockType = type;
    scene.RebuildCurrentBlockObject();
}

// The hint shown now: moves on to the next one (after the last, the first)
// once more than kHintPeriodMs have passed since the last change.
const ToolBoxHint& CurrentHint(ToolBoxState& state)
{
    const uint32_t now = platform::TimeGetTime();
    if (now - state.hintClock > kHintPeriodMs) {
        state.hintClock = now;
        ++state.hintIndex;
    }
    if (state.hintIndex < 0 || state.hintIndex >= kHintCount) state.hintIndex = 0;
    return kHints[state.hintIndex];
}

const char* MouseWheelSuffix(const CScene& scene)
{
    if (scene.FlagOn(kFlagPitchKeyHeld)) return "; MouseWheel - Pitch";
    if (scene.FlagOn(kFlagRollKeyHeld)) return "; MouseWheel - Roll";
    if (scene.FlagOn(kFlagYawKeyHeld)) return "; MouseWheel - Yaw";
    return "";
}

}  // namespace

// ---------------------------------------------------------------------------
// First placement
// ---------------------------------------------------------------------------
void PlaceToolBoxFirstTime(CScene& scene) { PlaceFirstTime(scene.toolBoxes, "MainToolBox"); }

// ---------------------------------------------------------------------------
// ToolBox "Imaged Buttons"
// ---------------------------------------------------------------------------
void DrawToolBoxWindow(CScene& scene)
{
    ToolBoxState& state = scene.toolBoxes;
    CWorld* world = scene.world;
    const float s = InterfaceScale();
    const ScopedFont font("gui");
    SetNextWindowAt(state.positions["MainToolBox"]);
    ImGui::SetNextWindowSize(ImVec2(800.0f * s, 108.0f * s), ImGuiCond_Always);
    // Only while "Blocks" is open does the ToolBox take clicks (to choose the
    // slot a block goes into); otherwise the mouse stays with the scene.
    ImGuiWindowFlags windowFlags = ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoBackground;
    if (!scene.FlagOn(kFlagBlocksWindow)) windowFlags |= ImGuiWindowFlags_NoInputs;
    ImGui::Begin("Imaged Buttons", nullptr, windowFlags);

    // One button per quick-bar entry that holds a block type; each is labelled
    // with the key of the "Tool" action that picks its slot.
    struct Label {
        ImVec2 at;
        int slot;
    };
    std::vector<Label> labels;
    if (world) {
        const size_t count = std::min(world->quickBar.size(), static_cast<size_t>(kQuickBarSlots));
        for (size_t i = 0; i < count; ++i) {
            BlockType* type = world->quickBar[i];
            if (!type) continue;
            const int slot = static_cast<int>(i);
            ImGui::PushID(slot);
            labels.push_back(Label{ImGui::GetCursorPos(), kFirstToolSlot + slot});
            if (ImageButtonSelectable(PreviewPictureOf(type), ImVec2(56.0f * s, 56.0f * s),
                                      type == world->currentBlockType, kPictureBackground)) {
                world->ChooseQuickBarTool(slot);
                scene.RebuildCurrentBlockObject();
            }
            ImGui::PopID();
            ImGui::SameLine();
        }
    }
    ImGui::NewLine();
    for (const Label& label : labels) {
        ImGui::SetCursorPos(ImVec2(label.at.x + 28.0f * s, label.at.y + 58.0f * s));
        ImGui::TextUnformatted(BoundKeyName(scene, label.slot).c_str());
    }

    const BlockType* current = world ? world->currentBlockType : nullptr;
    ImGui::TextUnformatted(current ? platform::Utf16ToUtf8(current->name).c_str() : "");
    const ToolBoxHint& hint = CurrentHint(state);
    ImGui::SameLine();
    ImGui::TextUnformatted("   ");
    ImGui::SameLine();
    ImGui::Text("%s%s%s", BoundKeyName(scene, hint.slot).c_str(), hint.suffix, MouseWheelSuffix(scene));

    // From the next frame on the ToolBox stands centred on the bottom edge.
    const ImVec2 size = ImGui::GetWindowSize();
    state.positions["MainToolBox"] = ToolBoxPosition{static_cast<float>(ScreenWidth() / 2) - size.x / 2.0f,
                                                     static_cast<float>(ScreenHeight()) - size.y + 4.0f};
    ImGui::End();
}

// ---------------------------------------------------------------------------
// "Blocks"
// ---------------------------------------------------------------------------
void DrawBlocksWindow(CScene& scene)
{
    ToolBoxState& state = scene.toolBoxes;
    CWorld* world = scene.world;
    const float s = InterfaceScale();
    const ScopedFont font("gui");
    PlaceFirstTime(state, "ExtToolBox");
    ImGui::SetNextWindowSize(ImVec2(600.0f * s, 300.0f * s), ImGuiCond_Once);
    SetNextWindowAt(state.positions["ExtToolBox"]);
    ImGui::Begin("Blocks");

    const BlockType* shown = world ? world->pickedBlockType : nullptr;
    ImGui::TextUnformatted(shown ? platform::Utf16ToUtf8(shown->name).c_str() : "");
    if (world) {
        float x = 0.0f;
        for (size_t i = 0; i < world->blockTypes.size(); ++i) {
            BlockType* type = world->blockTypes[i];
            ImGui::PushID(static_cast<int>(i));
            if (ImageButtonSelectable(PreviewPictureOf(type), ImVec2(64.0f * s, 64.0f * s), false,
                                      kPictureBackground) &&
                type) {
                world->pickedBlockType = type;
                PutIntoCurrentQuickBarSlot(scene, type);
            }
            ImGui::PopID();
            x += 82.0f * s;
            ImGui::SameLine();
            if (x >= state.blocksWidth - 8.0f * s) {
                ImGui::NewLine();
                x = 0.0f;
            }
        }
    }
    ImGui::NewLine();
    state.positions["ExtToolBox"] =
        ToolBoxPosition{static_cast<float>(ScreenWidth() / 2) - ImGui::GetWindowWidth() / 2.0f, 20.0f};

    HintAndCloseButton(scene.Flag(kFlagBlocksWindow));
    state.blocksWidth = ImGui::GetWindowWidth();
    ImGui::End();
}

// ---------------------------------------------------------------------------
// "Textures"
// ---------------------------------------------------------------------------
void DrawTexturesWindow(CScene& scene)
{
    ToolBoxState& state = scene.toolBoxes;
    CWorld* world = scene.world;
    const float s = InterfaceScale();
    const ScopedFont font("gui");
    ImGui::SetNextWindowSize(ImVec2(480.0f * s, 300.0f * s), ImGuiCond_Once);
    ImGui::SetNextWindowPos(ImVec2(10.0f, 10.0f), ImGuiCond_Always);
    ImGui::Begin("Textures");

    FlagCheckbox("Apply on Click", scene.Flag(kFlagApplyTextureOnClick));
    ImGui::SameLine();
    const CTexture* current = world ? world->currentTexture : nullptr;
    ImGui::TextUnformatted(current ? platform::Utf16ToUtf8(current->name).c_str() : "");
    if (world) {
        float x = 0.0f;
        for (size_t i = 0; i < world->textures.size(); ++i) {
            CTexture* texture = world->textures[i];
            if (!texture) continue;
            ImGui::PushID(static_cast<int>(i));
            if (ImageButtonSelectable(texture, ImVec2(128.0f * s, 128.0f * s), texture == world->currentTexture,
                                      kPictureBackground)) {
                world->currentTexture = texture;
                if (scene.FlagOn(kFlagApplyTextureOnClick)) scene.ApplyTextureToSelected();
            }
            ImGui::SameLine();
            ImGui::Text("%s  Res: %dx%d", platform::Utf16ToUtf8(texture->name).c_str(), static_cast<int>(texture->width),
                        static_cast<int>(texture->height));
            ImGui::PopID();
            x += 60.0f * s;
            if (x >= state.texturesWidth - 8.0f * s) {
                ImGui::NewLine();
                x = 0.0f;
            }
        }
    }
    ImGui::NewLine();

    if (ImGui::Button("Apply to Tool", ImVec2(200, 32)) && world && world->currentBlockType && world->currentTexture)
        world->currentBlockType->textureName = world->currentTexture->name;
    HintAndCloseButton(scene.Flag(kFlagTexturesWindow));
    state.texturesWidth = ImGui::GetWindowWidth();
    ImGui::End();
}
