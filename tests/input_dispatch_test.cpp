// The in-game input dispatch driven through the input layer's fake system and
// a fake clock: Esc and the windows, the fixed slot order, held-key repeats,
// the held Shift, the wheel, the double click, picking with the motion, and
// what the editor windows keep for themselves (the pointer over them, a text
// field's typing); last, a played world through the whole input path, where
// keys, characters and clicks act once, in order, where they were aimed.
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
#include "support/played_world.h"
#include "support/scan_codes.h"
#include "support/temp_directory.h"
#include "support/world_objects.h"
#include "ui/console_state.h"
#include "ui/editor_dialogs.h"
#include "ui/editor_widgets.h"
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

    // One main-loop pass: read the devices, then dispatch.
    void Pass()
    {
        input_.PollKeyboard();
        input_.PollMouse();
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
    auto fresh = std::make_unique<CScene>();
    fresh->Flag(kFlagStartHints) = 0;
    game_.scene = fresh.get();
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

// Presses are timed when they happen, not when a pass reads them: two left
// presses less than 500 ms apart set the cursor point on what the crosshair
// is on, even read seconds later in one pass; a third 501 ms after the
// second is a single click again, which starts a drag.
TEST_F(InputDispatchAiming, TwoLeftPressesWithin500MsAreADoubleClickHoweverSlowTheFrames)
{
    CNBObject* cube = AddCube(Vector3{0.0f, 0.0f, 0.0f});
    scene_->selectedObject = cube;
    auto click = [this](uint32_t at) {
        clock_ = at;
        fake::PressButton(0);
        fake::ReleaseButton(0);
    };
    click(10000);
    click(10300);
    clock_ = 13000;
    Pass();
    EXPECT_EQ(scene_->draggedObject, cube);  // the first
    EXPECT_NEAR(scene_->cursor3D.z, -0.5f, 1e-4f);  // the second: the cube's near face

    scene_->draggedObject = nullptr;
    scene_->cursor3D = Vector3{};
    click(10801);
    clock_ = 14000;
    Pass();
    EXPECT_EQ(scene_->draggedObject, cube);
    EXPECT_EQ(scene_->cursor3D.z, 0.0f);
}

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

// Beside the editor windows, with a real window for the pointer: keys go on
// to the scene over any window, the mouse stops at every one of them.
class InputDispatchBesideWindows : public InputDispatch {
protected:
    void SetUp() override
    {
        InputDispatch::SetUp();
        ASSERT_TRUE(gpu_.Ready()) << gpu_.Failure();
        scene_->world = new CWorld;
        object_ = NewBoxObject(Vector3{0.0f, 0.0f, 0.0f});
        object_->Kind = 2;
        scene_->selectedObject = object_;
    }
    void TearDown() override
    {
        scene_->selectedObject = nullptr;
        scene_->draggedObject = nullptr;
        CNBObject::Delete(object_);
        InputDispatch::TearDown();
    }

    // The user moves the pointer to (x, y): the window reports where it is
    // and the mouse how far it went; Dear ImGui sees it there too.
    void MovePointerTo(const ImVec2& at)
    {
        platform::PushMouseMotionEvent(gpu_.Window(), static_cast<int>(at.x), static_cast<int>(at.y));
        int code = 0;
        platform::PumpMessages(&code);
        fake::MoveMouse(25, 10);
        ImGui::GetIO().MousePos = at;
    }
    void Click()
    {
        fake::PressButton(0);
        fake::ReleaseButton(0);
        Pass();
        Pass();
    }

    HeadlessGpu gpu_;
    testing_support::ImGuiTestFrame ui_ {1024.0f, 768.0f};
    CNBObject* object_ = nullptr;
};

TEST_F(InputDispatchBesideWindows, KeysActOverAWindowWhileItsWheelStaysThere)
{
    scene_->Flag(kFlagCameraOptions) = 1;
    Pass();  // the window frees the mouse
    Pass();
    const auto draw = [] {
        ImGui::SetNextWindowPos(ImVec2(100, 100));
        ImGui::SetNextWindowSize(ImVec2(300, 200));
        ImGui::Begin("Panel");
        ImGui::Button("Soft");
        ImGui::End();
    };
    ui_.Frame(draw);
    MovePointerTo(ImVec2(150, 150));
    ui_.Frame(draw);
    BlockType type;
    type.Init();
    scene_->world->currentBlockType = &type;

    Tap(kEquals);
    EXPECT_TRUE(scene_->FlagOn(kFlagCreateObjectsDialog));
    scene_->Flag(kFlagCreateObjectsDialog) = 0;
    fake::TurnWheel(1);
    Pass();
    EXPECT_EQ(type.yaw, 0.0f);

    // An exclusive mouse points at no window, wherever the pointer was left.
    ASSERT_EQ(input_.SetMouseExclusive(1), S_OK);
    fake::TurnWheel(1);
    Pass();
    EXPECT_EQ(type.yaw, 15.0f);
    scene_->world->currentBlockType = nullptr;
}

// "Apply on Click": the way to the picture passes over the window, which
// must leave the selection alone, and the click textures the object that was
// selected before.
TEST_F(InputDispatchBesideWindows, TexturesApplyOnClickTexturesTheObjectSelectedBefore)
{
    auto* texture = new CTexture;
    texture->SetName(u"marble.dds");
    scene_->world->textures.push_back(texture);
    scene_->Flag(kFlagTexturesWindow) = 1;
    ASSERT_TRUE(scene_->FlagOn(kFlagApplyTextureOnClick));
    Pass();  // the window frees the mouse
    Pass();
    const auto draw = [this] { DrawTexturesWindow(*scene_); };
    ui_.Frame(draw);
    ui_.Frame(draw);
    ASSERT_NE(testing_support::PointOverItem(ui_, "Textures", {0, static_cast<const void*>(texture), "##picture"}, draw).x, -FLT_MAX);

    MovePointerTo(ImGui::GetIO().MousePos);
    Pass();
    EXPECT_EQ(scene_->selectedObject, object_);
    ImGui::GetIO().MouseDown[0] = true;
    ui_.Frame(draw);
    ImGui::GetIO().MouseDown[0] = false;
    ui_.Frame(draw);
    Click();
    EXPECT_EQ(scene_->draggedObject, nullptr);
    ASSERT_EQ(scene_->selectedObject, object_);
    EXPECT_EQ(object_->GetPart(0)->mainMesh->textures[0], texture);
}

}  // namespace

// ---------------------------------------------------------------------------
// Through the whole input path, with the timing seen at a few frames per
// second: everything done during one frame arrives in one pump.
// ---------------------------------------------------------------------------
namespace {

constexpr int kVkEnter = 0x0D;
constexpr int kVkCtrl = 0x11;
constexpr int kVkEscape = 0x1B;
constexpr int kVkDelete = 0x2E;
constexpr int kVkMinus = 0xBD;
constexpr int kVkEquals = 0xBB;

class PlayedInput : public PlayedWorld {
protected:
    // Tool 1 and "Create New Object": the box made at the crosshair.
    CNBObject* PlaceBox()
    {
        Tap('1');
        Tap('C');
        Pass();
        CNBObject* box = Scene().world->objects.back();
        EXPECT_EQ(box->Kind, 2);
        return box;
    }
};

TEST_F(PlayedInput, KeysOfOneFrameActInTheOrderTypedWithTheModifiersTheyWerePressedWith)
{
    CWorld& world = *Scene().world;
    const size_t before = world.objects.size();
    // Tool 2, a new object, no tool: three times over, all in one frame.
    for (int i = 0; i < 3; ++i) {
        Tap('2');
        Tap('C');
        Tap(kVkMinus);
    }
    Pass();
    EXPECT_EQ(world.objects.size(), before + 3);
    EXPECT_EQ(world.currentBlockType, nullptr);

    // Ctrl+Delete also forgets the recorded objects: Ctrl held over frames,
    // and let go before the frame that reads Delete.
    Scene().recordedObjects.emplace_back();
    KeyDown(kVkCtrl);
    Pass();
    KeyDown(kVkDelete);
    KeyUp(kVkCtrl);
    KeyUp(kVkDelete);
    Pass();
    EXPECT_TRUE(Scene().recordedObjects.empty());
}

// A press made while a text field holds the keyboard is the field's, however
// the frames split what was typed: a slider's text entry, opened by
// Ctrl+click, takes "33" and Enter typed at once, and "nangg" in another,
// and none of it selects Tool 3, clears the scene (N) or throws (G held)
// afterwards. Esc leaves a field: the key typed right after it acts in the
// scene.
TEST_F(PlayedInput, WhatIsTypedIntoAFieldNeverActsInTheScene)
{
    CScene& scene = Scene();
    CWorld& world = *scene.world;
    world.currentBlockType = world.quickBar[1];
    scene.Flag(kFlagCameraOptions) = 1;
    Pass(2);  // the window shows and frees the mouse
    const auto draw = [&scene] { DrawCameraOptionsWindow(scene); };
    const size_t objects = world.objects.size();
    const auto typeInto = [&](const char* slider, const char* typed, int endKey) {
        const ImVec2 at = PointOver("Camera Options", {slider}, draw);
        ASSERT_NE(at.x, -FLT_MAX) << slider;
        KeyDown(kVkCtrl);
        Click(at);
        KeyUp(kVkCtrl);
        Type(typed);
        Tap(endKey);
    };
    typeInto("Camera FOV", "33", kVkEnter);
    Pass(6);
    typeInto("Camera Rotation Step", "nangg", kVkEnter);
    Pass(6);
    EXPECT_EQ(scene.options.fieldOfView, 33.0f);
    EXPECT_EQ(world.currentBlockType, world.quickBar[1]);
    EXPECT_EQ(world.objects.size(), objects);

    typeInto("Camera FOV", "50", kVkEscape);
    Tap(kVkEquals);  // "Create Objects"
    Pass(6);
    EXPECT_EQ(scene.options.fieldOfView, 33.0f);
    EXPECT_TRUE(scene.FlagOn(kFlagCreateObjectsDialog));
}

// A world entered by a double click on "Continue" gets the second press
// before it has shown a frame: it was aimed at the screen that opened the
// world, so it does not act in it. A double click on the shown world does.
TEST_F(PlayedInput, APressMadeBeforeTheWorldWasShownDoesNotActInIt)
{
    game_.UnloadWorld();
    const BlankSceneParams blank {40.0f, 20.0f, 1, 5.0f, 0, 0};
    ASSERT_TRUE(game_.NewWorld("entered", kBlankScene, &blank, nullptr, nullptr)) << Log();
    CScene& scene = Scene();
    scene.Flag(kFlagStartHints) = 0;
    const Vector3 cursor = scene.cursor3D;
    const ImVec2 centre(320.0f, 240.0f);
    Click(centre);
    Click(centre);
    Pass(3);
    EXPECT_EQ(scene.cursor3D.x, cursor.x);
    EXPECT_EQ(scene.cursor3D.y, cursor.y);
    EXPECT_EQ(scene.cursor3D.z, cursor.z);

    Click(centre);
    Click(centre);
    Pass(3);
    EXPECT_NE(scene.cursor3D.y, cursor.y);
}

// A long name typed into "Save As" and "Save File" clicked at once, all in
// one frame: the whole name is in the field when the click acts.
TEST_F(PlayedInput, TextTypedBeforeAClickIsAllInTheFieldWhenTheClickActs)
{
    CScene& scene = Scene();
    Tap(kVkEscape);
    Pass(2);
    const auto draw = [&scene] { DrawSceneMenu(scene); };
    Click(PointOver(kSceneMenuName, {"Save As"}, draw));
    Pass(4);
    const ImVec2 field = PointOver(kSceneMenuName, {"name"}, draw);
    const ImVec2 save = PointOver(kSceneMenuName, {"Save File"}, draw);
    Click(field);
    KeyDown(kVkCtrl);
    Tap('A');
    KeyUp(kVkCtrl);
    Type("MYWORLDNAMEISLONG");
    Click(save);
    Pass(8);
    EXPECT_TRUE(platform::FileExists(folder_.File("Worlds/MYWORLDNAMEISLONG.vsk")));
    EXPECT_EQ(scene.world->worldName, "MYWORLDNAMEISLONG.vsk");
}

// The console leaves the mouse captured: Shift frees it for a click on the
// command line. Shift let go right after that click, in the same frame,
// captures the mouse again before the interface has seen the click; the
// click still lands on the field, which then takes what is typed.
TEST_F(PlayedInput, AClickMadeWhileShiftFreedTheMouseLandsThoughShiftIsLetGoAtOnce)
{
    CScene& scene = Scene();
    constexpr int kVkShift = 0x10;
    Console = ConsoleText{};
    scene.Flag(kFlagConsole) = 1;
    KeyDown(kVkShift);
    Pass(2);
    ASSERT_EQ(input_.mouseExclusive, 0);
    Click(PointOver("Console", {"Command"}, [&scene] { DrawConsoleWindow(scene); }));
    KeyUp(kVkShift);
    Type("cursor");
    Tap(kVkEnter);
    Pass(10);
    EXPECT_EQ(input_.mouseExclusive, 1);
    EXPECT_EQ(scene.cursorSpriteShown, 0);
    EXPECT_EQ(std::string(Console.history), "cursor\n");
}

// The wheel acts where it was turned, though the pointer moves on before the
// frame reads it: over "Blocks" it scrolls the list and leaves the block in
// hand as it was; over the scene it turns that block and not the list.
TEST_F(PlayedInput, TheWheelActsWhereItWasTurnedThoughThePointerMovesOn)
{
    CScene& scene = Scene();
    BlockType* type = scene.world->quickBar[0];
    scene.world->currentBlockType = type;
    scene.Flag(kFlagBlocksWindow) = 1;
    Pass(3);  // the window shows and frees the mouse
    const ImGuiWindow* blocks = ImGui::FindWindowByName("Blocks");
    ASSERT_NE(blocks, nullptr);
    const ImVec2 list(blocks->Pos.x + blocks->Size.x * 0.5f, blocks->Pos.y + blocks->Size.y * 0.5f);
    const ImVec2 scene3D(list.x, blocks->Pos.y + blocks->Size.y + 30.0f);
    const float yaw = type->yaw;

    MoveTo(list);
    Pass(2);
    Wheel(-1);
    MoveTo(scene3D);
    Pass(3);
    EXPECT_EQ(type->yaw, yaw);
    const float scrolled = blocks->Scroll.y;
    EXPECT_GT(scrolled, 0.0f);

    Wheel(-1);
    MoveTo(list);
    Pass(3);
    EXPECT_EQ(type->yaw, yaw - scene.options.mouseRotateStep);
    EXPECT_EQ(blocks->Scroll.y, scrolled);
}

// "Save" fails and tells why in a box; the menu closes behind it. What the
// user does to the window while the box shows (under X11 that window keeps
// the keyboard and takes clicks) waits in its queue: none of it acts once
// the box is gone, neither N (Clear Scene) nor a click two seconds later
// that would drag the selected object.
TEST_F(PlayedInput, NothingDoneToTheWindowWhileABoxShowsActsAfterIt)
{
    CScene& scene = Scene();
    CWorld& world = *scene.world;
    CNBObject* object = PlaceBox();
    const size_t objects = world.objects.size();
    const std::string own = folder_.File("Worlds/" + world.worldName);
    ASSERT_TRUE(platform::DeleteFile(own));
    ASSERT_TRUE(platform::CreateDirectory(own));  // so the save fails
    uint32_t now = 100000;
    platform::SetClockSource([&now] { return now += 3; });
    Tap(kVkEscape);
    Pass(2);
    const ImVec2 save = PointOver(kSceneMenuName, {"Save"}, [&scene] { DrawSceneMenu(scene); });
    int boxes = 0;
    platform::SetMessageBoxStandIn([&](const std::string&, unsigned) {
        ++boxes;
        Tap('N');
        now += 2000;
        Click(save);
        return platform::IDOK;
    });
    scene.selectedObject = object;
    Click(save);
    Pass(8);
    platform::SetMessageBoxStandIn({});
    EXPECT_EQ(boxes, 1);
    EXPECT_NE(platform::LastMessageBoxText().find("could not be saved"), std::string::npos);
    EXPECT_EQ(world.objects.size(), objects);
    EXPECT_EQ(scene.draggedObject, nullptr);
}

// A click acts where it was made, though the pointer moves on before the
// frame reads it: on a window's check box and not in the scene, or in the
// scene (a drag) and not on the window it moved over.
TEST_F(PlayedInput, AClickActsWhereItWasMadeThoughThePointerMovesOnBeforeTheFrame)
{
    CScene& scene = Scene();
    CNBObject* object = PlaceBox();
    scene.Flag(kFlagCameraOptions) = 1;
    Pass(2);
    const ImVec2 soft = PointOver("Camera Options", {"Soft"}, [&scene] { DrawCameraOptionsWindow(scene); });
    const ImVec2 sky(600.0f, 60.0f);

    scene.selectedObject = object;
    Click(soft);
    MoveTo(sky);
    Pass(3);
    EXPECT_TRUE(scene.FlagOn(kFlagSmoothCamera));
    EXPECT_EQ(scene.draggedObject, nullptr);

    scene.selectedObject = object;
    Click(sky);
    MoveTo(soft);
    Pass(3);
    EXPECT_EQ(scene.draggedObject, object);
    EXPECT_TRUE(scene.FlagOn(kFlagSmoothCamera));
}

// A block chosen in "Blocks" replaces the tool in hand in the quick bar,
// however the tool was chosen: with the same block in slots 1 and 2, slot 2
// clicked and then the "Tool 1" key pressed, the block goes into slot 1.
TEST_F(PlayedInput, ABlockChosenInBlocksTakesTheSlotTheToolKeyChose)
{
    CScene& scene = Scene();
    CWorld& world = *scene.world;
    BlockType* twice = world.quickBar[0];
    world.quickBar[1] = twice;
    const size_t chosen = world.blockTypes[0] == twice ? 1 : 0;  // in the first row, shown at once
    scene.Flag(kFlagBlocksWindow) = 1;
    Pass(3);  // the window shows and frees the mouse
    const CTexture* picture = twice->PreviewPicture();
    const ImVec2 second = PointOver("Imaged Buttons", {1, picture, TextureIdOf(picture), "#image"}, [&scene] {
        PlaceToolBoxFirstTime(scene);
        DrawToolBoxWindow(scene);
    });
    ASSERT_NE(second.x, -FLT_MAX);
    Click(second);
    Pass(3);
    Tap('1');
    Pass();
    const CTexture* block = world.blockTypes[chosen]->PreviewPicture();
    const ImVec2 inBlocks = PointOver("Blocks", {static_cast<int>(chosen), block, TextureIdOf(block), "#image"},
                                      [&scene] { DrawBlocksWindow(scene); });
    ASSERT_NE(inBlocks.x, -FLT_MAX);
    Click(inBlocks);
    Pass(3);
    EXPECT_EQ(world.quickBar[0], world.blockTypes[chosen]);
    EXPECT_EQ(world.quickBar[1], twice);
    EXPECT_EQ(world.currentBlockType, world.blockTypes[chosen]);
}

}  // namespace
