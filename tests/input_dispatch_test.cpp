// The in-game input dispatch driven through the input layer's fake system and
// a fake clock: Esc and the windows, the fixed slot order, held-key repeats,
// the held Shift, the wheel, the double click, picking with the motion, and
// what the editor windows keep for themselves (the pointer over them, a text
// field's typing). The program played through its whole input path is
// tests/played_input_test.cpp.
#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_internal.h>

#include <cfloat>
#include <cstdint>
#include <memory>

#include "input/input.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/input/fake_input.h"
#include "graphics/texture.h"
#include "platform/message_box.h"
#include "platform/window.h"
#include "platform/window_test_events.h"
#include "scene/scene.h"
#include "shell/game.h"
#include "support/editor_window_driver.h"
#include "support/headless_gpu.h"
#include "support/imgui_test_frame.h"
#include "support/imgui_typing.h"
#include "support/scan_codes.h"
#include "support/temp_directory.h"
#include "support/world_objects.h"
#include "ui/console_state.h"
#include "ui/editor_dialogs.h"
#include "ui/editor_windows.h"
#include "world/block_type.h"
#include "world/object.h"
#include "world/object_part.h"
#include "world/polygons_grid.h"
#include "world/sector.h"
#include "world/world.h"

namespace {

namespace fake = dinput::fake;

using namespace scan_code;

class InputDispatch : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::SetMessageBoxesSuppressed(true);
        start_ = std::make_unique<ScopedStartDirectory>(folder_.Path());
        platform::SetClockSource([this] { return clock_; });
        fake::UseFakeSystem();
        ASSERT_EQ(input_.InitInput(nullptr), S_OK);
        input_.AcquireDevices();
        scene_ = std::make_unique<CScene>();
        scene_->Flag(kFlagStartHints) = 0;
        scene_->timing.MeasureFps();  // the scene has drawn and shown its first frame
        scene_->timing.TickFrameClock();
        game_.input = &input_;
        game_.scene = scene_.get();
        // Held keys are read once per clock millisecond; the first two passes
        // take the mouse exclusively and acquire it.
        clock_ = 1;
        Pass();
        clock_ = 2;
        Pass();
        clock_ = 10000;
    }

    void TearDown() override
    {
        game_.scene = nullptr;
        if (scene_->world) {
            scene_->world->quickBar.clear();
            scene_->world->currentBlockType = nullptr;
            delete scene_->world;
            scene_->world = nullptr;
        }
        scene_.reset();
        input_.ReleaseDevices();
        fake::UseSdlSystem();
        platform::SetClockSource({});
    }

    // One main-loop pass: read the devices, route, then dispatch.
    void Pass()
    {
        input_.PollKeyboard();
        input_.PollMouse();
        game_.menuMode = 0;
        input_.router.Route(game_.InputOfThisPass());
        game_.DispatchGameInput();
    }

    void Tap(uint8_t key)
    {
        fake::KeyDown(key);
        Pass();
        fake::KeyUp(key);
        Pass();
    }

    TempDirectory folder_;
    std::unique_ptr<ScopedStartDirectory> start_;
    uint32_t clock_ = 1;
    CInput input_;
    CGame game_;
    std::unique_ptr<CScene> scene_;
};

TEST_F(InputDispatch, EscapeClosesTheCreateObjectsDialogBeforeOpeningTheMenu)
{
    scene_->Flag(kFlagCreateObjectsDialog) = 1;
    Tap(kEscape);
    EXPECT_FALSE(scene_->FlagOn(kFlagCreateObjectsDialog));
    EXPECT_FALSE(scene_->FlagOn(kFlagSceneMenu));

    Tap(kEscape);
    EXPECT_TRUE(scene_->FlagOn(kFlagSceneMenu));

    // Closing the menu ends the save-as entry and gives the keys back.
    scene_->Flag(kFlagSaveAsEntry) = 1;
    game_.modalOpen = 1;
    Tap(kEscape);
    EXPECT_FALSE(scene_->FlagOn(kFlagSceneMenu));
    EXPECT_FALSE(scene_->FlagOn(kFlagSaveAsEntry));
    EXPECT_EQ(game_.modalOpen, 0);
}

TEST_F(InputDispatch, CaptureSwitchLetsOnlyEscapeThrough)
{
    game_.modalOpen = 1;
    const bool toolBox = scene_->FlagOn(kFlagToolBox);
    Tap(kEquals);  // "Create Objects" by default
    EXPECT_FALSE(scene_->FlagOn(kFlagCreateObjectsDialog));
    EXPECT_EQ(scene_->FlagOn(kFlagToolBox), toolBox);
    Tap(kEscape);
    EXPECT_EQ(game_.modalOpen, 0);
    Tap(kEquals);
    EXPECT_TRUE(scene_->FlagOn(kFlagCreateObjectsDialog));
}

// A frame of an interface with one text field.
void DrawTextField()
{
    static char text[16] = "";
    ImGui::Begin("Typing");
    ImGui::InputText("field", text, sizeof text);
    ImGui::End();
}

TEST_F(InputDispatch, TypingAndModalPopupsKeepTheKeysButShiftStillFreesTheMouse)
{
    testing_support::ImGuiTestFrame ui;
    testing_support::FocusForTyping(ui, "Typing", {"field"}, DrawTextField);
    Tap(kEquals);
    EXPECT_FALSE(scene_->FlagOn(kFlagCreateObjectsDialog));
    // Shift types capitals; it also frees the mouse, to click out of the field.
    ASSERT_EQ(input_.mouseExclusive, 1);
    fake::KeyDown(kLeftShift);
    Pass();
    EXPECT_EQ(input_.mouseExclusive, 0);
    fake::KeyUp(kLeftShift);
    // The first frame after the field let the keyboard go, keys act again.
    testing_support::EndTyping(ui, DrawTextField);
    Tap(kEquals);
    EXPECT_TRUE(scene_->FlagOn(kFlagCreateObjectsDialog));
    scene_->Flag(kFlagCreateObjectsDialog) = 0;

    bool answered = false;
    const auto question = [&answered] {
        if (!ImGui::IsPopupOpen("Question")) ImGui::OpenPopup("Question");
        if (ImGui::BeginPopupModal("Question")) {
            if (answered) ImGui::CloseCurrentPopup();
            ImGui::EndPopup();
        }
    };
    ui.Frame(question);
    Tap(kEquals);
    EXPECT_FALSE(scene_->FlagOn(kFlagCreateObjectsDialog));
    answered = true;
    ui.Frame(question);
    ui.Frame({});
    Tap(kEquals);
    EXPECT_TRUE(scene_->FlagOn(kFlagCreateObjectsDialog));
}

// The world was made in the front end's frame, with its name field still
// taking typing: the keys pressed meanwhile are the new scene's.
TEST_F(InputDispatch, AKeyPressedWhileTheWorldWasMadeActsInItsFirstPass)
{
    testing_support::ImGuiTestFrame ui;
    testing_support::FocusForTyping(ui, "Typing", {"field"}, DrawTextField);
    input_.router.NoteInterfaceFrame(0, 1, true);  // the front end's frame, which made the world
    auto fresh = std::make_unique<CScene>();
    fresh->Flag(kFlagStartHints) = 0;
    game_.scene = fresh.get();
    ++game_.sceneView;
    Tap(kEquals);
    EXPECT_TRUE(fresh->FlagOn(kFlagCreateObjectsDialog));
    game_.scene = scene_.get();
}

TEST_F(InputDispatch, CodeBoundToTwoSlotsRunsBothInTheFixedOrder)
{
    scene_->world = new CWorld;
    BlockType tool;
    tool.Init();
    scene_->world->quickBar.push_back(&tool);
    BlockType other;
    other.Init();
    scene_->world->currentBlockType = &other;

    // "None Tool" is tested before "Tool 1": the tool wins.
    game_.keySlots[14] = 0xBB;
    game_.keySlots[15] = 0xBB;
    // Both window switches bound to the same key flip together.
    game_.keySlots[kSlotShowHideToolBox] = 0xBB;
    const bool toolBox = scene_->FlagOn(kFlagToolBox);
    Tap(kEquals);
    EXPECT_EQ(scene_->world->currentBlockType, &tool);
    EXPECT_TRUE(scene_->FlagOn(kFlagCreateObjectsDialog));
    EXPECT_NE(scene_->FlagOn(kFlagToolBox), toolBox);

    CNBObject::Delete(scene_->world->previewObject);
    scene_->world->previewObject = nullptr;
}

TEST_F(InputDispatch, HeldArrowRepeatsAfterMoreThan150Ms)
{
    fake::KeyDown(kLeftArrow);
    Pass();  // the press moves once at once
    EXPECT_EQ(game_.actionTimes["moveleft"], 10000u);
    clock_ = 10150;
    Pass();
    EXPECT_EQ(game_.actionTimes["moveleft"], 10000u);
    clock_ = 10151;
    Pass();
    EXPECT_EQ(game_.actionTimes["moveleft"], 10151u);
    fake::KeyUp(kLeftArrow);
    clock_ = 10400;
    Pass();
    EXPECT_EQ(game_.actionTimes["moveleft"], 10151u);
}

TEST_F(InputDispatch, ShiftStopsTurningAndTheExclusiveMouse)
{
    for (int i = 0; i < 4; ++i) scene_->timing.PushFpsSample(60.0f);
    scene_->mainCamera.orientation.SetIdentity();
    const double before = scene_->mainCamera.orientation.m[0];

    fake::KeyDown(kLeftShift);
    for (uint32_t t = 10001; t <= 10003; ++t) {
        fake::MoveMouse(40, 0);
        clock_ = t;
        Pass();
    }
    ASSERT_NE(input_.GetMouseAxis(kMouseAxisX), 0);
    EXPECT_EQ(game_.passFlags[0], 1);
    EXPECT_EQ(scene_->mainCamera.orientation.m[0], before);
    EXPECT_EQ(input_.mouseExclusive, 0);

    fake::KeyUp(kLeftShift);
    clock_ = 10010;
    Pass();
    EXPECT_EQ(input_.mouseExclusive, 1);
    fake::MoveMouse(40, 0);
    clock_ = 10011;
    Pass();  // the new exclusive mouse is acquired here
    fake::MoveMouse(40, 0);
    clock_ = 10012;
    Pass();
    EXPECT_NE(scene_->mainCamera.orientation.m[0], before);
    input_.SetMouseExclusive(0);
}

TEST_F(InputDispatch, WheelWithNothingSelectedTurnsTheBlockTypesYaw)
{
    scene_->world = new CWorld;
    BlockType type;
    type.Init();
    scene_->world->currentBlockType = &type;
    fake::TurnWheel(1);
    Pass();
    EXPECT_FLOAT_EQ(type.yaw, 15.0f);
    fake::TurnWheel(-1);
    Pass();
    EXPECT_FLOAT_EQ(type.yaw, 0.0f);
}

// The crosshair and the mouse motion: a world of one large sector with unit
// cubes, the camera at (0, 0, -5) looking along +z.
class InputDispatchAiming : public InputDispatch {
protected:
    void SetUp() override
    {
        InputDispatch::SetUp();
        scene_->world = new CWorld;
        scene_->world->sectors.push_back(new Sector);
        scene_->world->sectors[0]->radius = 1000.0f;
        MakeCubeType(cube_, u"cube", false);
        scene_->mainCamera.orientation.SetIdentity();
        scene_->mainCamera.position = Vector3{0.0f, 0.0f, -5.0f};
        scene_->mainCamera.UpdateViewMatrix();
        for (int i = 0; i < 4; ++i) scene_->timing.PushFpsSample(50.0f);
    }
    CNBObject* AddCube(const Vector3& at)
    {
        CNBObject* object = scene_->CreateObjectFromBlockType(&cube_, 1, 0, at.x, at.y, at.z, 0.0f, 0.0f, 0.0f);
        scene_->world->sectors[0]->objects.push_back(object);
        return object;
    }
    BlockType cube_;
};

// The selection follows the crosshair with each motion: the pick made for a
// motion aims along the view that motion turned the camera to.
TEST_F(InputDispatchAiming, AMotionSelectsWhatTheCameraItTurnedLooksAt)
{
    // Where the camera looks after the turn 100 mouse units make at 50 frames
    // a second (0.35 x 100 x 1/50 x 50 turning units): a cube there.
    CCamera turned = scene_->mainCamera;
    turned.Yaw(35.0f);
    turned.UpdateViewMatrix();
    const double* view = turned.viewMatrix.m;
    const Vector3 eye = scene_->mainCamera.position;
    CNBObject* cube = AddCube(Vector3{eye.x + 10.0f * static_cast<float>(view[2]),
                                      eye.y + 10.0f * static_cast<float>(view[6]),
                                      eye.z + 10.0f * static_cast<float>(view[10])});
    fake::MoveMouse(100, 0);
    Pass();
    EXPECT_EQ(scene_->selectedObject, cube);
    fake::MoveMouse(-100, 0);
    Pass();
    EXPECT_EQ(scene_->selectedObject, nullptr);
}

}  // namespace
