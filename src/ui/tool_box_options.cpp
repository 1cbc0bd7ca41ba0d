// The tool boxes that say how to build: the "Ext Tool Box" with placement,
// preview scale and along-line options (flag 30), the "Line Tool Box" for
// drawing lines and curves (flag 35) and the "Single Object Mode" window for
// rotating the current block type (flag 16).
//
// Index: "Ext Tool Box" - "Line Tool Box" - "Single Object Mode"
#include <imgui.h>

#include <cmath>

#include "core/vector3.h"
#include "generation/generator_settings.h"
#include "scene/scene.h"
#include "shell/settings.h"
#include "ui/editor_controls.h"
#include "ui/editor_widgets.h"
#include "ui/editor_windows.h"
#include "world/block_type.h"
#include "world/line.h"
#include "world/world.h"

namespace {

float ScreenHeight() { return static_cast<float>(Settings.screenHeight); }

void PlaceWindow(float x, float y, float width, float height)
{
    ImGui::SetNextWindowPos(ImVec2(x, y), ImGuiCond_Always);
    ImGui::SetNextWindowSize(ImVec2(width, height), ImGuiCond_Always);
}

// The along-line generator previews (mode 0) or creates (mode 1) only when
// asked to first.
void RunAlongLine(CScene& scene, int mode)
{
    scene.generator.alongLineRequest = 1;
    scene.GenerateAlongLine(mode);
}

// Line kinds in the order of the kind combo: "PolyLine", "Nurbs", "Bezier".
constexpr int32_t kComboLineKinds[3] = {kPolyline, kBSpline, kRoundedCurve};

// Degrees per radian, as the angle sliders convert.
constexpr double kDegreesPerRadian = 57.295779512896175;

}  // namespace

// ---------------------------------------------------------------------------
// "Ext Tool Box"
// ---------------------------------------------------------------------------
void DrawExtToolBoxWindow(CScene& scene)
{
    const float s = InterfaceScale();
    const ScopedFont font("gui");
    PlaceWindow(0.0f, ScreenHeight() - 470.0f * s, 450.0f * s, 440.0f * s);
    ImGui::Begin("Ext Tool Box");
    ImGui::TextUnformatted("Ext Tool Box");

    FlagCheckbox("Physics Enable", scene.Flag(kFlagPhysicsEnable));
    FlagCheckbox("Show Ghost Object", scene.Flag(kFlagShowGhostObject));
    FlagCheckbox("Show Picked Object", scene.Flag(kFlagShowPickedObject));
    FlagCheckbox("Flexible Object Snap", scene.Flag(kFlagSnapToGrid));
    ClampedSliderFloat("Snap Step", scene.options.sceneValueA, 0.0f, 2.0f, "ratio = %.1f");

    // The preview scale of new objects; with "Lock Axis" the three move together.
    const char* const scaleLabels[3] = {"Scale Object X", "Scale Object Y", "Scale Object Z"};
    Vector3& scale = scene.options.previewScale;
    float* const axes[3] = {&scale.x, &scale.y, &scale.z};
    for (int a = 0; a < 3; ++a) {
        if (!ClampedSliderFloat(scaleLabels[a], *axes[a], 0.1f, 20.0f, "ratio = %.1f")) continue;
        if (scene.FlagOn(kFlagLockAxis)) scale = Vector3{*axes[a], *axes[a], *axes[a]};
        scene.RebuildCurrentBlockObject();
    }

    if (FlagCheckbox("Lock Axis", scene.Flag(kFlagLockAxis))) scene.GenerateAlongLine(0);
    if (FlagCheckbox("Generate Along Spline", scene.Flag(kFlagGenerateAlongSpline))) RunAlongLine(scene, 0);

    const bool alongLine = scene.FlagOn(kFlagGenerateAlongSpline);
    ImGui::BeginDisabled(!alongLine);
    int stepMode = scene.FlagOn(kFlagLineStepMode) ? 1 : 0;
    if (ImGui::Combo("##StepMode", &stepMode, "Auto\0Fixed\0")) {
        scene.Flag(kFlagLineStepMode) = static_cast<uint8_t>(stepMode);
        RunAlongLine(scene, 0);
    }
    ImGui::EndDisabled();

    ImGui::BeginDisabled(!alongLine || !scene.FlagOn(kFlagLineStepMode));
    if (ClampedSliderFloat("Fixed Step", scene.generator.fixedStep, 0.0f, 5.0f, "ratio = %0.1f"))
        RunAlongLine(scene, 0);
    ImGui::EndDisabled();

    ImGui::BeginDisabled(!alongLine);
    if (ImGui::Button("Generate")) {
        scene.Flag(kFlagExtToolBox) = 0;
        RunAlongLine(scene, 1);
    }
    ImGui::EndDisabled();

    HintAndCloseButton(scene.Flag(kFlagExtToolBox));
    ImGui::End();
}

// ---------------------------------------------------------------------------
// "Line Tool Box"
// ---------------------------------------------------------------------------
void DrawLineToolBoxWindow(CScene& scene)
{
    CWorld* world = scene.world;
    const float s = InterfaceScale();
    const ScopedFont font("gui");
    PlaceWindow(0.0f, ScreenHeight() - 260.0f * s, 400.0f * s, 250.0f * s);
    ImGui::Begin("Line Tool Box");
    ImGui::TextUnformatted("Line Tool Box");

    if (ImGui::Button("New Line") && world) world->BeginLine();
    // At most one editing mode is on; the in-game clicks apply it.
    const int modes[3] = {kFlagLineAddVertex, kFlagLineMoveVertex, kFlagLineDelete};
    const char* const modeLabels[3] = {"Add Vertex", "Move Vertex", "Delete Line"};
    for (int m = 0; m < 3; ++m) {
        if (!ImGui::Button(modeLabels[m])) continue;
        for (int other = 0; other < 3; ++other) scene.Flag(modes[other]) = other == m ? 1 : 0;
    }

    CLine* active = world ? world->GetActiveLine() : nullptr;
    int32_t& index = scene.toolBoxes.lineKindIndex;
    if (active) {
        for (int k = 0; k < 3; ++k)
            if (active->LineType == kComboLineKinds[k]) index = k;
    }
    if (index < 0 || index > 2) index = 0;
    int chosen = index;
    if (ImGui::Combo("##LineKind", &chosen, "PolyLine\0Nurbs\0Bezier\0")) {
        index = chosen;
        if (active) {
            active->LineType = kComboLineKinds[chosen];
            active->CreateDriverRenderSet();
        }
    }

    HintAndCloseButton(scene.Flag(kFlagLineToolBox));
    ImGui::End();
}

// ---------------------------------------------------------------------------
// "Single Object Mode"
// ---------------------------------------------------------------------------
void DrawSingleObjectModeWindow(CScene& scene)
{
    CWorld* world = scene.world;
    float* const angles = scene.toolBoxes.singleObjectAngles;
    const float s = InterfaceScale();
    const ScopedFont font("gui");
    PlaceWindow(0.0f, ScreenHeight() - 250.0f * s, 800.0f * s, 240.0f * s);
    ImGui::Begin("Single Object Mode");
    ImGui::TextUnformatted("Single Object Mode");

    BlockType* type = world ? world->currentBlockType : nullptr;
    float* const typeAngles[3] = {type ? &type->pitch : nullptr, type ? &type->roll : nullptr,
                                  type ? &type->yaw : nullptr};
    if (type)
        for (int r = 0; r < 3; ++r) angles[r] = static_cast<float>(*typeAngles[r] / kDegreesPerRadian);

    // The block type's angles are kept in the world's block settings too, so
    // the turn survives saving and opening the world again.
    const auto storeAngles = [&] {
        BlockSettings settings;
        world->GetBlockSettings(settings, type);
        settings.name = type->name;
        settings.pitch = type->pitch;
        settings.roll = type->roll;
        settings.yaw = type->yaw;
        world->SetBlockSettings(settings);
    };

    const char* const labels[3] = {"Pitch", "Roll", "Yaw"};
    for (int r = 0; r < 3; ++r) {
        float edited = angles[r];
        if (!ImGui::SliderAngle(labels[r], &edited, -180.0f, 180.0f, "%.0f deg", ImGuiSliderFlags_AlwaysClamp))
            continue;
        if (!std::isfinite(edited)) continue;
        angles[r] = edited;
        if (!type) continue;
        *typeAngles[r] = static_cast<float>(edited * kDegreesPerRadian);
        storeAngles();
    }
    if (ImGui::Button("Reset") && type) {
        type->pitch = type->roll = type->yaw = 0.0f;
        storeAngles();
    }

    // Closing leaves the model view the way the "Single Object Mode" key does:
    // the ToolBox and the mouse come back to the scene.
    if (HintAndCloseButton(scene.Flag(kFlagModelView), "Shift - Move mouse")) scene.ApplyModelViewMode();
    ImGui::End();
}
