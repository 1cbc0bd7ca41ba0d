// The scene dialogs over a running world: automatic scene or generated
// objects (flag 15), the scene chooser (18) and the blank, tube-style and
// landscape dialogs (19, 20, 21) that build a new scene in the running world.
// The scene menu is ui/scene_menu.cpp.
//
// Index: values kept for the run and small helpers - dialog geometry -
// generated-scene dialog - scene chooser - new-scene dialogs
#include <algorithm>
#include <string>

#include "platform/files.h"
#include "platform/text.h"
#include "scene/scene.h"
#include "shell/settings.h"
#include "ui/dialog_layout.h"
#include "ui/editor_dialogs.h"
#include "ui/editor_widgets.h"
#include "ui/editor_windows.h"
#include "ui/stepped_slider.h"
#include "world/world.h"

// ---------------------------------------------------------------------------
// Values kept for the run and small helpers
// ---------------------------------------------------------------------------
SceneDialogValues DialogValues;

void EditorDialogState::ForgetPictures()
{
    autoScenePicture = nullptr;
    objectsScenePicture = nullptr;
    blankThumbnail = nullptr;
    tubeThumbnail = nullptr;
    landThumbnail = nullptr;
}

int FileExists(const char16_t* path)
{
    if (!path || !*path) return 0;
    return platform::FileExists(platform::Utf16ToUtf8(path)) ? 1 : 0;
}

namespace {

const ImVec4 kPictureBackground{0.0f, 0.0f, 0.0f, 1.0f};

// A picture of the world's textures, looked up until it is found.
CTexture* Picture(const CScene& scene, CTexture*& cached, const char16_t* name)
{
    if (!cached && scene.world) cached = scene.world->FindTexture(name);
    return cached;
}

void ShowCaption(bool chosen, const std::u16string& caption)
{
    ImGui::TextUnformatted(chosen ? platform::Utf16ToUtf8(caption).c_str() : "");
}

// Numbered picture buttons: two pictures not found yet share the null id.
bool PictureButton(int number, const CTexture* picture, const ImVec2& size, bool selected)
{
    ImGui::PushID(number);
    const bool clicked = ImageButtonSelectable(picture, size, selected, kPictureBackground);
    ImGui::PopID();
    return clicked;
}

}  // namespace

// ---------------------------------------------------------------------------
// Dialog geometry
// ---------------------------------------------------------------------------
namespace scene_dialogs {

namespace {

// Centred on the screen, never off its top-left corner.
DialogRect Centred(int width, int height)
{
    const int screenWidth = Settings.screenWidth;
    const int screenHeight = Settings.screenHeight;
    return DialogRect{std::max(0, screenWidth / 2 - width / 2), std::max(0, screenHeight / 2 - height / 2), width,
                      height};
}

}  // namespace

DialogRect ScaledDialogRect(const CScene& scene, float width)
{
    const float scale = InterfaceScale();
    const int height = static_cast<int>(600.0f * scale) + (scene.FlagOn(kFlagSaveAsEntry) ? 100 : 0);
    return Centred(static_cast<int>(width * scale), height);
}

DialogRect FixedDialogRect(const CScene& scene)
{
    return Centred(400, scene.FlagOn(kFlagSaveAsEntry) ? 700 : 600);
}

DialogRect SceneMenuRect(const CScene& scene)
{
    const int height = (scene.FlagOn(kFlagSaveAsEntry) ? 660 : 560) + (scene.FlagOn(kFlagOverwriteQuestion) ? 60 : 0);
    return Centred(400, height);
}

void BeginDialog(const char* name, const DialogRect& rect)
{
    // Set before Begin, not after: a place or size changed after Begin lags
    // its clip rectangle by a frame, and the buttons of a dialog that just
    // moved (the "Save As" entry opening) would be clipped for that frame.
    ImGui::SetNextWindowPos(ImVec2(static_cast<float>(rect.x), static_cast<float>(rect.y)), ImGuiCond_Always);
    ImGui::SetNextWindowSize(ImVec2(static_cast<float>(rect.width), static_cast<float>(rect.height)),
                             ImGuiCond_Always);
    ImGui::Begin(name, nullptr, kDialogFlags);
}

void MoveDown(float pixels)
{
    const ImVec2 at = ImGui::GetCursorPos();
    ImGui::SetCursorPos(ImVec2(at.x, at.y + pixels));
}

}  // namespace scene_dialogs

using scene_dialogs::BeginDialog;
using scene_dialogs::DialogRect;
using scene_dialogs::kDialogButton;
using scene_dialogs::MoveDown;

// ---------------------------------------------------------------------------
// Generated-scene dialog: an automatic scene or objects generated directly
// ---------------------------------------------------------------------------
void DrawCreateObjectsDialog(CScene& scene)
{
    EditorDialogState& state = scene.dialogs;
    const float scale = InterfaceScale();
    const DialogRect rect = scene_dialogs::ScaledDialogRect(scene, 450.0f);
    const ImVec2 pictureSize(static_cast<float>(static_cast<int>(214.0f * scale)),
                             static_cast<float>(static_cast<int>(128.0f * scale)));
    const ImVec2 wideButton(static_cast<float>(static_cast<int>(0.99f * rect.width)),
                            static_cast<float>(static_cast<int>(0.08f * rect.width)));

    ScopedFont font("gui");
    BeginDialog(kCreateObjectsDialogName, rect);
    if (PictureButton(0, Picture(scene, state.autoScenePicture, u"auto_generated_scene.jpg"), pictureSize,
                      state.objectsChoice == 0)) {
        state.objectsChoice = 0;
        state.objectsCaption = u"Auto Generated Scene";
    }
    ImGui::SameLine();
    if (PictureButton(1, Picture(scene, state.objectsScenePicture, u"objects_generated_scene.jpg"), pictureSize,
                      state.objectsChoice == 1)) {
        state.objectsChoice = 1;
        state.objectsCaption = u"Direct Objects";
    }
    ImGui::NewLine();
    ShowCaption(state.objectsChoice != -1, state.objectsCaption);
    ImGui::NewLine();

    // Disabled buttons act on nothing, whatever activates them.
    const bool chosen = state.objectsChoice == 0 || state.objectsChoice == 1;
    ImGui::PushStyleVar(ImGuiStyleVar_DisabledAlpha, 0.5f);
    ImGui::BeginDisabled(!chosen);
    if (ImGui::Button("Continue", wideButton) && chosen) {
        scene.Flag(kFlagCreateObjectsDialog) = 0;
        scene.Flag(kFlagToolBox) = 1;
        if (state.objectsChoice == 0) {
            scene.Flag(kFlagAutoSceneGenerator) = 1;
        } else {
            scene.Flag(kFlagGenerateObjects) = 1;
            // A direct-line preview shows at once.
            scene.Flag(kFlagGeneratorPreview) = 1;
            scene.GenerateObjects(0, 0);
        }
    }
    ImGui::EndDisabled();
    ImGui::PopStyleVar();
    if (ImGui::Button("Cancel", wideButton)) {
        scene.Flag(kFlagCreateObjectsDialog) = 0;
        GiveMouseBackToScene(scene);
    }
    ImGui::End();
}

// ---------------------------------------------------------------------------
// Scene chooser: blank, tube style or cube landscape
// ---------------------------------------------------------------------------
void DrawSceneChooser(CScene& scene)
{
    struct Choice {
        CTexture* EditorDialogState::*picture;
        const char16_t* pictureName;
        const char16_t* caption;
    };
    static constexpr Choice kChoices[] = {
        {&EditorDialogState::blankThumbnail, u"blank_scene_thumbnail.jpg", u"Blank Simple Scene"},
        {&EditorDialogState::tubeThumbnail, u"tube_scene_thumbnail.jpg", u"Tube Style Scene"},
        {&EditorDialogState::landThumbnail, u"land_scene_thumbnail.jpg", u"3D Cube Landscape Scene"},
    };
    static constexpr int kDialogOfChoice[] = {kFlagBlankSceneDialog, kFlagTubeSceneDialog,
                                              kFlagLandscapeSceneDialog};

    EditorDialogState& state = scene.dialogs;
    const float scale = InterfaceScale();
    const DialogRect rect = scene_dialogs::ScaledDialogRect(scene, 440.0f);
    const float side = static_cast<float>(static_cast<int>(128.0f * scale));
    const ImVec2 wideButton(static_cast<float>(static_cast<int>(0.99f * rect.width)),
                            static_cast<float>(static_cast<int>(0.08f * rect.width)));

    ScopedFont font("gui");
    BeginDialog(kSceneChooserName, rect);
    for (int i = 0; i < 3; ++i) {
        if (i > 0) ImGui::SameLine();
        const Choice& choice = kChoices[i];
        if (PictureButton(i, Picture(scene, state.*choice.picture, choice.pictureName), ImVec2(side, side),
                          state.sceneChoice == i)) {
            state.sceneChoice = i;
            state.sceneCaption = choice.caption;
        }
    }
    ShowCaption(state.sceneChoice != -1, state.sceneCaption);
    ImGui::NewLine();

    const bool chosen = state.sceneChoice >= 0 && state.sceneChoice <= 2;
    ImGui::BeginDisabled(!chosen);
    if (ImGui::Button("Continue", wideButton) && chosen) {
        scene.Flag(kFlagSceneChooser) = 0;
        scene.Flag(kDialogOfChoice[state.sceneChoice]) = 1;
    }
    ImGui::EndDisabled();
    if (ImGui::Button("Back", wideButton)) {
        scene.Flag(kFlagSceneChooser) = 0;
        GiveMouseBackToScene(scene);
    }
    ImGui::End();
}

// ---------------------------------------------------------------------------
// New-scene dialogs: the running world emptied and built anew
// ---------------------------------------------------------------------------
namespace {

// After the new objects exist: bodies, sectors, the QuickBar, the viewer;
// the dialog closes and the ToolBox comes back.
void FinishNewScene(CScene& scene, bool generated, int dialogFlag)
{
    scene.RebuildPhysicsBodies();
    scene.world->AssignSectors();
    scene.world->BuildDefaultQuickBar();
    scene.PlaceViewerAtStart(generated);
    scene.Flag(dialogFlag) = 0;
    scene.Flag(kFlagToolBox) = 1;
    GiveMouseBackToScene(scene);
}

// "Create" and "Quit", each 32 pixels below what stands above it. True when
// "Create" was clicked in a scene with a world; "Quit" closes the dialog.
bool CreateOrQuit(CScene& scene, int dialogFlag)
{
    MoveDown(32.0f);
    const bool create = ImGui::Button("Create", kDialogButton) && scene.world;
    MoveDown(32.0f);
    if (ImGui::Button("Quit", kDialogButton)) {
        scene.Flag(dialogFlag) = 0;
        GiveMouseBackToScene(scene);
    }
    return create;
}

constexpr ImGuiSliderFlags kClamped = ImGuiSliderFlags_AlwaysClamp;

}  // namespace

void DrawBlankSceneDialog(CScene& scene)
{
    SceneDialogValues& values = DialogValues;
    ScopedFont font("gui");
    BeginDialog(kBlankSceneDialogName, scene_dialogs::FixedDialogRect(scene));
    SteppedSliderFloat("World Size", &values.blankWorldSize, 20.0f, 500.0f, 10.0f);
    SteppedSliderFloat("Object Size", &values.blankObjectSize, 10.0f, 100.0f, 5.0f);
    ImGui::Checkbox("Vertical Borders", &values.blankVerticalBorders);
    // Walls have a height; a mosaic floor goes without walls.
    ImGui::BeginDisabled(!values.blankVerticalBorders);
    ImGui::SliderFloat("Height", &values.blankHeight, 0.5f, 8.0f, "meters = %0.1f", kClamped);
    ImGui::EndDisabled();
    ImGui::BeginDisabled(values.blankVerticalBorders);
    ImGui::Checkbox("Mosaic", &values.blankMosaic);
    ImGui::EndDisabled();
    if (CreateOrQuit(scene, kFlagBlankSceneDialog)) {
        scene.ClearScene();
        scene.world->BuildGround(values.blankWorldSize, values.blankObjectSize, values.blankVerticalBorders ? 1 : 0,
                                 values.blankHeight, values.blankMosaic ? 1 : 0);
        FinishNewScene(scene, false, kFlagBlankSceneDialog);
    }
    ImGui::End();
}

void DrawTubeSceneDialog(CScene& scene)
{
    SceneDialogValues& values = DialogValues;
    ScopedFont font("gui");
    BeginDialog(kTubeSceneDialogName, scene_dialogs::FixedDialogRect(scene));
    SteppedSliderFloat("World Size", &values.tubeWorldSize, 20.0f, 500.0f, 10.0f);
    SteppedSliderFloat("Max Leaf Size", &values.tubeMaxLeafSize, 10.0f, 100.0f, 5.0f);
    ImGui::Checkbox("Multi Level", &values.tubeMultiLevel);
    ImGui::Checkbox("Base Level", &values.tubeBaseLevel);
    if (CreateOrQuit(scene, kFlagTubeSceneDialog)) {
        scene.ClearScene();
        scene.GenerateTubeScene(values.tubeWorldSize, values.tubeMaxLeafSize, values.tubeMultiLevel ? 1 : 0,
                                values.tubeBaseLevel ? 1 : 0);
        FinishNewScene(scene, true, kFlagTubeSceneDialog);
    }
    ImGui::End();
}

void DrawLandscapeSceneDialog(CScene& scene)
{
    SceneDialogValues& values = DialogValues;
    ScopedFont font("gui");
    BeginDialog(kLandscapeSceneDialogName, scene_dialogs::FixedDialogRect(scene));
    ImGui::SliderFloat("World Size", &values.landscapeWorldSize, 32.0f, 512.0f, "m = %1.0f", kClamped);
    ImGui::SliderFloat("Max Height", &values.landscapeMaxHeight, 0.0f, 64.0f, "m = %1.0f", kClamped);
    if (CreateOrQuit(scene, kFlagLandscapeSceneDialog)) {
        scene.ClearScene();
        scene.GenerateLandscapeScene(static_cast<int>(values.landscapeWorldSize),
                                     static_cast<int>(values.landscapeMaxHeight));
        FinishNewScene(scene, true, kFlagLandscapeSceneDialog);
    }
    ImGui::End();
}
