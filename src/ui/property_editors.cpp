// The property and option editors, each behind its scene flag:
// "Object Properties" (32) for the selected object's material and scale,
// "Sun Properties" (33) for where the sun stands and the world's light
// colours, "Misc Options" (14) for pushing, throwing and the physics, and
// "Camera Options" (13) for the view and how the viewer moves. Every control
// edits a copy and writes back only on a change; every slider clamps typed
// input to its range and refuses values that are not finite, so no typed
// number can break the physics or the projection.
//
// Index: shared pieces - "Misc Options" - "Camera Options" -
// "Object Properties" - "Sun Properties"
#include <imgui.h>

#include <cmath>

#include "core/vector3.h"
#include "scene/scene.h"
#include "shell/settings.h"
#include "ui/editor_controls.h"
#include "ui/editor_widgets.h"
#include "ui/editor_windows.h"
#include "world/object.h"
#include "world/world.h"

// ---------------------------------------------------------------------------
// Shared pieces
// ---------------------------------------------------------------------------
namespace {

float ScreenHeight() { return static_cast<float>(Settings.screenHeight); }

// "Misc Options" and "Camera Options" share one place on the screen.
void PlaceOptionsWindow()
{
    ImGui::SetNextWindowPos(ImVec2(0.0f, ScreenHeight() - 430.0f), ImGuiCond_Always);
    ImGui::SetNextWindowSize(ImVec2(450.0f, 400.0f), ImGuiCond_Always);
}

const char* const kColourLabels[3][3] = {
    {"Ambient Red", "Ambient Green", "Ambient Blue"},
    {"Diffuse Red", "Diffuse Green", "Diffuse Blue"},
    {"Specular Red", "Specular Green", "Specular Blue"},
};
const char* const kColourTitles[3] = {"Ambient", "Diffuse", "Specular"};

}  // namespace

// ---------------------------------------------------------------------------
// "Misc Options"
// ---------------------------------------------------------------------------
void DrawMiscOptionsWindow(CScene& scene)
{
    SceneOptions& options = scene.options;
    const ScopedFont font("gui");
    PlaceOptionsWindow();
    ImGui::Begin("Misc Options");
    ImGui::TextUnformatted("Misc Options");
    ClampedSliderFloat("Applied Impulse Value", options.impulseStrength, 0.1f, 25.0f, "ratio = %.1f");
    FlagCheckbox("Mass Scale", scene.Flag(kFlagImpulseTimesMass));
    FlagCheckbox("Move Static Objects", scene.Flag(kFlagStaticMeshNotDragged));
    ClampedSliderFloat("Throw Random Direction Vector", options.sceneValueB, 0.0f, 1.0f, "ratio = %.1f");
    ClampedSliderFloat("Throw Random Torque Vector", options.sceneValueC, 0.0f, 20.0f, "ratio = %.1f");
    ImGui::TextUnformatted("Physics Options");
    ClampedSliderFloat("Time of simulation", options.physicsTimeScale, 1.0f, 10.0f, "ratio = %.1f");
    // The combo shows the quality in force, also after a world or key changed it.
    uint8_t& quality = scene.Flag(kFlagPhysicsQuality);
    int precision = quality;  // a quality the combo does not list shows no item
    if (ImGui::Combo("Precision", &precision, "Normal\0High\0Very High\0")) quality = static_cast<uint8_t>(precision);
    HintAndCloseButton(scene.Flag(kFlagMiscOptions));
    ImGui::End();
}

// ---------------------------------------------------------------------------
// "Camera Options"
// ---------------------------------------------------------------------------
void DrawCameraOptionsWindow(CScene& scene)
{
    SceneOptions& options = scene.options;
    const ScopedFont font("gui");
    PlaceOptionsWindow();
    ImGui::Begin("Camera Options");
    ImGui::TextUnformatted("Camera Options");
    FlagCheckbox("Soft", scene.Flag(kFlagSmoothCamera));
    ImGui::BeginDisabled(!scene.FlagOn(kFlagSmoothCamera));
    ClampedSliderFloat("Softness", options.cameraRampTime, 0.0f, 3.0f, "ratio = %0.1f");
    ImGui::EndDisabled();
    ClampedSliderFloat("Camera Movement Step", options.moveFactor, 0.1f, 1.0f, "ratio = %.1f");
    ClampedSliderFloat("Camera Rotation Step", options.turnFactor, 0.1f, 1.0f, "ratio = %0.1f");
    ClampedSliderFloat("Camera FOV", options.fieldOfView, 30.0f, 90.0f, "ratio = %1.0f");
    // The two planes are edited through copies and kept apart: the projection
    // needs 0 < near < far.
    float nearPlane = options.nearPlane;
    if (ClampedSliderFloat("Camera Near Dist", nearPlane, 0.1f, 1.0f, "ratio = %0.1f") && nearPlane < options.farPlane)
        options.nearPlane = nearPlane;
    float farPlane = options.farPlane;
    if (ClampedSliderFloat("Camera Far Dist", farPlane, 500.0f, 1000.0f, "ratio = %1.0f") && farPlane > options.nearPlane)
        options.farPlane = farPlane;
    ImGui::TextUnformatted("Movement Options");
    ClampedSliderFloat("Movement Step", options.sceneValueD, 0.01f, 1.0f, "ratio = %0.01f");
    ClampedSliderFloat("Rotation Step", options.mouseRotateStep, 0.0f, 45.0f, "ratio = %1.0f");
    HintAndCloseButton(scene.Flag(kFlagCameraOptions));
    ImGui::End();
}

// ---------------------------------------------------------------------------
// "Object Properties"
// ---------------------------------------------------------------------------
void DrawObjectPropertiesWindow(CScene& scene)
{
    CNBObject* object = scene.selectedObject;
    float* const properties = scene.selectedObjectProperties;
    const float s = InterfaceScale();
    const ScopedFont font("gui");
    ImGui::SetNextWindowPos(ImVec2(0.0f, ScreenHeight() - 580.0f * s), ImGuiCond_Always);
    ImGui::SetNextWindowSize(ImVec2(0.0f, 0.0f), ImGuiCond_Always);
    ImGui::Begin("Object Properties");

    // Without a selected object the object's controls show, disabled, with
    // neutral values: there is nothing to edit.
    ImGui::BeginDisabled(object == nullptr);
    bool materialChanged = false;
    for (int c = 0; c < 3; ++c) {
        ImGui::TextUnformatted(kColourTitles[c]);
        for (int k = 0; k < 3; ++k)
            materialChanged |= ClampedSliderFloat(kColourLabels[c][k], properties[4 * c + k], 0.0f, 1.0f, "ratio = %.1f");
    }
    ImGui::TextUnformatted("Material");
    float unselectedPower = 0.0f;
    materialChanged |= ClampedSliderFloat("Mat Power", object ? object->Power : unselectedPower, 0.0f, 10.0f,
                                          "ratio = %.1f");
    ImGui::EndDisabled();

    FlagCheckbox("Apply To All Similar", scene.Flag(kFlagCopyMaterialByName));

    ImGui::BeginDisabled(object == nullptr);
    ImGui::TextUnformatted("Scale Object");
    const char* const scaleLabels[3] = {"Scale Object X", "Scale Object Y", "Scale Object Z"};
    for (int a = 0; a < 3; ++a) {
        const Vector3 current = object ? object->Scale : Vector3{1.0f, 1.0f, 1.0f};
        float edited = a == 0 ? current.x : (a == 1 ? current.y : current.z);
        if (!ClampedSliderFloat(scaleLabels[a], edited, 0.1f, 5.0f, "ratio = %.1f") || !object) continue;
        Vector3 scaled = current;
        (a == 0 ? scaled.x : (a == 1 ? scaled.y : scaled.z)) = edited;
        scene.ScaleObject(object, scaled.x, scaled.y, scaled.z);
        object->Scale = scaled;
    }
    ImGui::EndDisabled();

    // The edited colours go into the object (its alphas stay), then, when
    // asked, to every object of its name.
    if (materialChanged && object) {
        Vector4* const colours[3] = {&object->Ambient, &object->Diffuse, &object->Specular};
        for (int c = 0; c < 3; ++c)
            for (int k = 0; k < 3; ++k) colours[c]->v[k] = properties[4 * c + k];
        if (scene.FlagOn(kFlagCopyMaterialByName)) scene.CopyMaterialToNamesakes(object);
    }

    HintAndCloseButton(scene.Flag(kFlagObjectProperties));
    ImGui::End();
}

// ---------------------------------------------------------------------------
// "Sun Properties"
// ---------------------------------------------------------------------------
void DrawSunPropertiesWindow(CScene& scene)
{
    CWorld* world = scene.world;
    const float s = InterfaceScale();
    const ScopedFont font("gui");
    ImGui::SetNextWindowPos(ImVec2(0.0f, ScreenHeight() - 500.0f * s), ImGuiCond_Always);
    ImGui::SetNextWindowSize(ImVec2(450.0f * s, 470.0f * s), ImGuiCond_Always);
    ImGui::Begin("Sun Properties");

    // Without a world there is no sun: the controls show disabled.
    float unusedAngles[2] = {};
    Vector4 unusedColours[3];
    float& zenith = world ? world->sunAngleA : unusedAngles[0];
    float& azimuth = world ? world->sunAngleB : unusedAngles[1];
    Vector4* const colours[3] = {world ? &world->sunAmbient : &unusedColours[0],
                                 world ? &world->sunDiffuse : &unusedColours[1],
                                 world ? &world->sunSpecular : &unusedColours[2]};
    ImGui::BeginDisabled(world == nullptr);
    ImGui::TextUnformatted("Position");
    bool moved = ClampedSliderFloat("Zenith", zenith, 0.0f, 90.0f, "ratio = %1.0f");
    moved |= ClampedSliderFloat("Azimuth", azimuth, 0.0f, 360.0f, "ratio = %1.0f");
    for (int c = 0; c < 3; ++c) {
        ImGui::TextUnformatted(kColourTitles[c]);
        for (int k = 0; k < 3; ++k) ClampedSliderFloat(kColourLabels[c][k], colours[c]->v[k], -1.0f, 1.0f, "ratio = %.1f");
    }
    ImGui::EndDisabled();
    if (moved) scene.SetLightDirection();

    HintAndCloseButton(scene.Flag(kFlagSunProperties));
    ImGui::End();
}
