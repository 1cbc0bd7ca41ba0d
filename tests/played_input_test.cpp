// The program played through its whole input path (the window's event queue
// with each event's own time, the router, the real frames): a press acts
// once, where it was aimed, however the frames split what the user did and
// however slow they are. Double clicks across a change of screen, a key and
// a click in one frame, moves before a press, bursts of moves, message
// boxes, Shift freeing the mouse, layouts that settle, the focus coming back.
#include <gtest/gtest.h>

#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <vector>
#include <string>

#include "graphics/texture.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "scene/scene.h"
#include "shell/game.h"
#include "shell/settings.h"
#include "support/played_program.h"
#include "support/played_world.h"
#include "support/virtual_keys.h"
#include "ui/console_state.h"
#include "ui/editor_dialogs.h"
#include "ui/editor_widgets.h"
#include "ui/editor_windows.h"
#include "ui/menu.h"
#include "ui/notices.h"
#include "world/block_type.h"
#include "world/object.h"
#include "world/object_part.h"
#include "world/polygons_grid.h"
#include "world/world.h"

namespace {

class PlayedFrontEnd : public PlayedProgram {
protected:
    ImVec2 FrontEndPoint(const char* window, std::initializer_list<testing_support::IdPart> path)
    {
        const ImVec2 at = PointOver(window, path, [this] { DrawFrontEnd(menu_); });
        EXPECT_NE(at.x, -FLT_MAX) << window;
        return at;
    }
};

// Slow double clicks (380 to 600 ms apart, the press and the release of each
// read in frames of their own, at ten frames a second) on the front end's buttons
// that open a screen or answer a confirmation: the second press never acts
// on what the first one opened, and the world files stay as they were. A
// click of its own does.
TEST_F(PlayedFrontEnd, ASlowDoubleClickActsOnlyWhereItsFirstClickWasAimed)
{
    SetPassTime(100);
    folder_.Write("Worlds/broken.vsk", "not a world");  // opening it would fail with a notice
    folder_.Write("Worlds/doomed.vsk", "not a world either");
    game_.worldNames = {"broken.vsk", "doomed.vsk"};
    const auto files = WorldFiles();

    // Main menu "Continue" opens the list, whose "Continue" lies under it.
    DoubleClick(FrontEndPoint("GM", {"Continue"}), 600);
    Pass(6);
    EXPECT_EQ(menu_.screenState, kWorldsScreen);
    EXPECT_EQ(WaitingNotices(), 0u);
    EXPECT_FALSE(InWorld());

    // "New World" opens the new-world screen; its slider stays where it was.
    const float worldSize = menu_.blankParams.worldSize;
    DoubleClick(FrontEndPoint("GM", {"New World"}), 380);
    Pass(6);
    EXPECT_EQ(menu_.screenState, kNewWorldScreen);
    EXPECT_EQ(menu_.blankParams.worldSize, worldSize);
    Click(FrontEndPoint("SM", {"Back"}));
    Pass(4);
    ASSERT_EQ(menu_.screenState, kWorldsScreen);

    // The delete confirmation's "OK": the world goes, and nothing under the
    // pointer after it (the list's buttons) acts.
    menu_.selectedWorld = 1;
    const ImVec2 del = FrontEndPoint("GM", {"Delete"});
    Click(del);
    Pass(6);
    ASSERT_EQ(menu_.deleteConfirmation, 1);
    const ImVec2 ok = PointOverShown("Delete##confirm", {"OK"}, [this] {
        DrawFrontEnd(menu_);
        ImGui::Begin("GM");
        if (!ImGui::IsPopupOpen("Delete##confirm")) ImGui::OpenPopup("Delete##confirm");
        ImGui::End();
    });
    EXPECT_GT(std::abs(ok.y - del.y), 30.0f);  // clear of the pointer that opened it
    DoubleClick(ok, 450);
    Pass(6);
    EXPECT_FALSE(platform::FileExists(folder_.File("Worlds/doomed.vsk")));
    EXPECT_EQ(menu_.screenState, kWorldsScreen);
    EXPECT_FALSE(InWorld());
    EXPECT_EQ(WaitingNotices(), 0u);

    auto left = files;
    left.erase("doomed.vsk");
    EXPECT_EQ(WorldFiles(), left);

    // A click of its own, later, acts.
    Wait(1000);
    Click(FrontEndPoint("GM", {"Continue"}));
    Pass(6);
    EXPECT_EQ(WaitingNotices(), 1u);
    ForgetNotices();
}

// The same in a world entered from the new-world screen: "Quit to Menu"
// leaves, and the second press acts on nothing of the screen that comes
// back; "Save File" and "Yes, replace it" save once, and "Quit to Menu",
// under the pointer once the menu is shorter, does not act; the menu's
// "Continue" starts no drag in the world behind it.
TEST_F(PlayedFrontEnd, ASlowDoubleClickInASceneMenuActsOnce)
{
    SetPassTime(100);
    menu_.screenState = kNewWorldScreen;
    menu_.proposedWorldName = "first";
    Pass(2);
    Click(FrontEndPoint("SM", {"Continue"}));
    Pass(6);
    ASSERT_TRUE(InWorld()) << Log();
    CScene& scene = *game_.scene;
    scene.Flag(kFlagStartHints) = 0;
    const auto menuPoint = [this, &scene](const char* label) {
        const ImVec2 at = PointOver(kSceneMenuName, {label}, [&scene] { DrawSceneMenu(scene); });
        EXPECT_NE(at.x, -FLT_MAX) << label;
        return at;
    };

    // Leaving.
    const auto files = WorldFiles();
    Tap(kVkEscape);
    Pass(3);
    DoubleClick(menuPoint("Quit to Menu"), 450);
    Pass(8);
    EXPECT_FALSE(InWorld());
    EXPECT_EQ(menu_.screenState, kNewWorldScreen);  // whose "Back" lies under the pointer
    EXPECT_EQ(WorldFiles(), files);

    // Back in, through a world of its own.
    menu_.proposedWorldName = "second";
    Click(FrontEndPoint("SM", {"Continue"}));
    Pass(6);
    ASSERT_TRUE(InWorld()) << Log();
    CScene& second = *game_.scene;
    second.Flag(kFlagStartHints) = 0;

    // Saving under a new name, then over it.
    for (const char* answer : {"Save File", "Yes, replace it"}) {
        Tap(kVkEscape);
        Pass(3);
        Click(PointOver(kSceneMenuName, {"Save As"}, [&second] { DrawSceneMenu(second); }));
        Pass(4);
        Click(PointOver(kSceneMenuName, {"name"}, [&second] { DrawSceneMenu(second); }));
        KeyDown(kVkCtrl);
        Tap('A');
        KeyUp(kVkCtrl);
        Type("kept");
        Pass(8);
        if (std::string(answer) == "Yes, replace it") {
            Click(PointOver(kSceneMenuName, {"Save File"}, [&second] { DrawSceneMenu(second); }));
            Pass(4);
            ASSERT_TRUE(second.FlagOn(kFlagOverwriteQuestion));
        }
        DoubleClick(PointOver(kSceneMenuName, {answer}, [&second] { DrawSceneMenu(second); }), 600);
        Pass(8);
        EXPECT_TRUE(InWorld()) << answer;
        EXPECT_TRUE(platform::FileExists(folder_.File("Worlds/kept.vsk"))) << answer;
        EXPECT_FALSE(second.FlagOn(kFlagSaveAsEntry)) << answer;
        Tap(kVkEscape);  // the menu stays open after a save: close it
        Pass(3);
    }

    // Back to the world, with a box under the crosshair: no drag.
    Tap('1');
    Tap('C');
    Pass(3);
    CNBObject* box = second.world->objects.back();
    second.selectedObject = box;
    Tap(kVkEscape);
    Pass(3);
    ASSERT_TRUE(second.FlagOn(kFlagSceneMenu));
    DoubleClick(PointOver(kSceneMenuName, {"Continue"}, [&second] { DrawSceneMenu(second); }), 450);
    Pass(6);
    EXPECT_FALSE(second.FlagOn(kFlagSceneMenu));
    EXPECT_EQ(second.draggedObject, nullptr);
}


// ---------------------------------------------------------------------------
// In a world
// ---------------------------------------------------------------------------

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

    // A box that stays where it is put, `ahead` along the view and `aside`
    // to its right.
    CNBObject* BoxAt(float ahead, float aside)
    {
        CScene& scene = Scene();
        const double* view = scene.mainCamera.viewMatrix.m;
        const Vector3 eye = scene.mainCamera.position;
        const auto along = [&](int axis) {
            return eye.*(axis == 0 ? &Vector3::x : axis == 1 ? &Vector3::y : &Vector3::z) +
                   ahead * static_cast<float>(view[2 + 4 * axis]) + aside * static_cast<float>(view[4 * axis]);
        };
        scene.options.physicsActive = 0;
        CNBObject* box = scene.CreateObjectFromBlockType(scene.world->quickBar[0], 1, 1, along(0), along(1), along(2),
                                                         0.0f, 0.0f, 0.0f);
        scene.options.physicsActive = 1;
        scene.world->AssignSectors();
        return box;
    }

    // The mouse motion that turns the viewer by `degrees` in the next pass.
    int MotionForDegrees(float degrees)
    {
        CScene& scene = Scene();
        return static_cast<int>(degrees / (scene.options.turnFactor * 0.35f * scene.timing.FrameTime() * 50.0f) + 0.5f);
    }

    bool InWorld(const CNBObject* object)
    {
        const auto& objects = Scene().world->objects;
        return std::find(objects.begin(), objects.end(), object) != objects.end();
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
    // Keys act in the scene whatever the pointer is over.
    Tap(kVkEquals);
    Pass(2);
    EXPECT_TRUE(scene.FlagOn(kFlagCreateObjectsDialog));
    scene.Flag(kFlagCreateObjectsDialog) = 0;
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
// the keyboard, takes clicks and sees the mouse move) waits in its queue:
// none of it acts once the box is gone, neither N (Clear Scene), nor a click
// two seconds later that would drag the selected object, nor a move that
// would turn the viewer. What was done before the box appeared, still in
// the queue as it came up ("2", Tool 2), acts.
TEST_F(PlayedInput, OnlyWhatWasDoneWhileABoxShowedIsDropped)
{
    CScene& scene = Scene();
    CWorld& world = *scene.world;
    CNBObject* object = PlaceBox();
    const size_t objects = world.objects.size();
    const std::string own = folder_.File("Worlds/" + world.worldName);
    ASSERT_TRUE(platform::DeleteFile(own));
    ASSERT_TRUE(platform::CreateDirectory(own));  // so the save fails
    Tap(kVkEscape);
    Pass(2);
    const ImVec2 save = PointOver(kSceneMenuName, {"Save"}, [&scene] { DrawSceneMenu(scene); });
    int boxes = 0;
    platform::SetMessageBoxStandIn([&](const std::string&, unsigned) {
        ++boxes;
        // Pressed while the frame that showed the box was being made.
        clock_ -= 40;
        Tap('2');
        clock_ += 40;
        // And while the box showed.
        Wait(100);
        Tap('N');
        MoveBy(200, 0);
        Wait(2000);
        Click(save);
        return platform::IDOK;
    });
    scene.selectedObject = object;
    const double facing = scene.mainCamera.orientation.m[0];
    Click(save);
    Pass(12);
    platform::SetMessageBoxStandIn({});
    EXPECT_EQ(boxes, 1);
    EXPECT_NE(platform::LastMessageBoxText().find("could not be saved"), std::string::npos);
    EXPECT_EQ(world.objects.size(), objects);
    EXPECT_EQ(scene.draggedObject, nullptr);
    EXPECT_EQ(world.currentBlockType, world.quickBar[1]);
    EXPECT_EQ(scene.mainCamera.orientation.m[0], facing);
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


// A key that opens a window and a click made with it in one slow frame: the
// click was made before the window was shown, so it acts on nothing, neither
// the scene (a drag of the box aimed at) nor the window that appeared under
// it (the scene menu's "New").
TEST_F(PlayedInput, AClickMadeWithAKeyThatOpensAWindowActsOnNeither)
{
    CScene& scene = Scene();
    CNBObject* box = PlaceBox();
    scene.Flag(kFlagCameraOptions) = 1;  // the mouse is free
    Pass(3);
    scene.selectedObject = box;
    const ImVec2 fresh = PointOver(kSceneMenuName, {"New"}, [&scene] {
        scene.Flag(kFlagSceneMenu) = 1;
        DrawSceneMenu(scene);
        scene.Flag(kFlagSceneMenu) = 0;
    });
    Tap(kVkEscape);
    Click(fresh);
    Pass(6);
    EXPECT_TRUE(scene.FlagOn(kFlagSceneMenu));
    EXPECT_FALSE(scene.FlagOn(kFlagSceneChooser));
    EXPECT_EQ(scene.draggedObject, nullptr);
}

// At a frame a second, the view turned by a move and Delete pressed after
// it, both read in one frame: Delete removes the box the crosshair was on
// when it was pressed, not the one it was on before the move.
TEST_F(PlayedInput, APressActsOnTheSelectionTheMovesBeforeItLeft)
{
    CScene& scene = Scene();
    std::vector<CNBObject*> row;
    for (int i = -8; i <= 8; ++i) row.push_back(BoxAt(8.0f, static_cast<float>(i)));
    CNBObject* aimed = row[8];
    scene.selectedObject = aimed;
    const size_t objects = scene.world->objects.size();
    for (int i = 0; i < 4; ++i) scene.timing.PushFpsSample(1.0f);
    MoveBy(MotionForDegrees(14.0f), 0);
    Wait(150);
    Tap(kVkDelete);
    Pass();
    EXPECT_EQ(scene.world->objects.size(), objects - 1);
    EXPECT_TRUE(InWorld(aimed));
}

// Two clicks 600 ms apart read in one slow frame are two clicks (two drags),
// not a double click; two clicks 450 ms apart read frames apart are one
// (the cursor point goes where the crosshair is).
TEST_F(PlayedInput, ClicksAreTimedWhenTheyWereMade)
{
    CScene& scene = Scene();
    CNBObject* box = BoxAt(6.0f, 0.0f);
    scene.selectedObject = box;
    const Vector3 cursor = scene.cursor3D;
    const ImVec2 centre(320.0f, 240.0f);
    Click(centre);
    Wait(600);
    Click(centre);
    Pass();
    EXPECT_EQ(scene.draggedObject, box);
    EXPECT_EQ(scene.cursor3D.z, cursor.z);
    EXPECT_EQ(scene.cursor3D.x, cursor.x);

    Wait(1000);
    DoubleClick(centre, 450);
    Pass(2);
    EXPECT_NE(scene.cursor3D.z, cursor.z);
}

// With Space held the aim follows the mouse: a double click on a box sets
// the cursor point on it, though the pointer moved off every box before the
// frame that reads the clicks.
TEST_F(PlayedInput, ASpaceHeldClickAimsWhereItWasMade)
{
    CScene& scene = Scene();
    BoxAt(6.0f, 0.0f);
    const Vector3 cursor = scene.cursor3D;
    KeyDown(kVkSpace);
    Pass(2);
    const ImVec2 centre(320.0f, 240.0f);
    MoveTo(centre);
    Button(0, true, centre);
    Button(0, false, centre);
    Wait(100);
    Button(0, true, centre);
    Button(0, false, centre);
    MoveTo(ImVec2(5.0f, 5.0f));  // the sky
    Pass();
    KeyUp(kVkSpace);
    Pass();
    EXPECT_NE(scene.cursor3D.z, cursor.z);
}

// Many moves in one slow frame (a fast mouse in a heavy world) lose and
// misplace no press among them: a click on a window's check box followed by
// thousands of moves lands on the check box, not in the scene; "n" typed
// into a slider's text entry with them stays in the field; a click after a
// long spin of the wheel still starts its drag.
TEST_F(PlayedInput, NoPressIsLostOrMisplacedAmongManyMoves)
{
    CScene& scene = Scene();
    CWorld& world = *scene.world;
    CNBObject* box = PlaceBox();
    const size_t objects = world.objects.size();
    scene.Flag(kFlagCameraOptions) = 1;
    Pass(3);
    const auto draw = [&scene] { DrawCameraOptionsWindow(scene); };
    const uint8_t smooth = scene.Flag(kFlagSmoothCamera);

    scene.selectedObject = box;
    Click(PointOver("Camera Options", {"Soft"}, draw));
    for (int move = 0; move < 5000; ++move) MoveBy(move % 2 ? 1 : -1, 0);
    Pass(6);
    EXPECT_NE(scene.Flag(kFlagSmoothCamera), smooth);
    EXPECT_EQ(scene.draggedObject, nullptr);

    KeyDown(kVkCtrl);
    Click(PointOver("Camera Options", {"Camera FOV"}, draw));
    KeyUp(kVkCtrl);
    Type("n");
    for (int move = 0; move < 5000; ++move) MoveBy(move % 2 ? 1 : -1, 0);
    Tap(kVkEscape);
    Pass(8);
    EXPECT_EQ(world.objects.size(), objects);

    scene.Flag(kFlagCameraOptions) = 0;
    Pass(3);
    ASSERT_EQ(input_.mouseExclusive, 1);
    scene.selectedObject = box;
    scene.draggedObject = nullptr;
    for (int notch = 0; notch < 300; ++notch) Wheel(1);
    Click(ImVec2(320.0f, 240.0f));
    Pass(2);
    EXPECT_EQ(scene.draggedObject, box);
}

// Shift frees a captured mouse for a click on a window that leaves the mouse
// captured (the console): pressed, clicked and let go within one frame, the
// click lands on the command line all the same, and a move made after Shift
// went down moves the pointer rather than turning the viewer.
TEST_F(PlayedInput, AShiftClickInOneFrameLandsOnTheWindow)
{
    CScene& scene = Scene();
    Console = ConsoleText{};
    scene.Flag(kFlagConsole) = 1;
    Pass(3);
    ASSERT_EQ(input_.mouseExclusive, 1);
    const ImVec2 command = PointOver("Console", {"Command"}, [&scene] { DrawConsoleWindow(scene); });
    const double facing = scene.mainCamera.orientation.m[0];
    MoveTo(ImVec2(command.x - 60.0f, command.y));
    Pass();
    KeyDown(kVkShift);
    MoveBy(60, 0);
    Click(command);
    KeyUp(kVkShift);
    Type("cursor");
    Tap(kVkEnter);
    Pass(12);
    EXPECT_EQ(std::string(Console.history), "cursor\n");
    EXPECT_EQ(scene.cursorSpriteShown, 0);
    EXPECT_EQ(scene.mainCamera.orientation.m[0], facing);
    EXPECT_EQ(input_.mouseExclusive, 1);

    // While the command line takes the typing, Shift+clicks on it 300 ms
    // apart are its own too, not a double click in the world behind.
    const Vector3 cursor = scene.cursor3D;
    for (int click = 0; click < 3; ++click) {
        KeyDown(kVkShift);
        Click(command);
        KeyUp(kVkShift);
        Wait(300);
        Pass(3);
    }
    EXPECT_EQ(scene.cursor3D.x, cursor.x);
    EXPECT_EQ(scene.cursor3D.z, cursor.z);
}

// A click that opens or grows a dialog: the frame presented after it shows
// the dialog where the next frames keep it, so what the user sees is where
// a click lands (the name field of "Save As", not "Save File").
TEST_F(PlayedInput, AWindowStandsWhereItWasShownUntilTheUserActs)
{
    CScene& scene = Scene();
    Tap(kVkEscape);
    Pass(3);
    Click(PointOver(kSceneMenuName, {"Save As"}, [&scene] { DrawSceneMenu(scene); }));
    const auto menuPlace = [] {
        const ImGuiWindow* menu = ImGui::FindWindowByName(kSceneMenuName);
        return menu ? ImVec4(menu->Pos.x, menu->Pos.y, menu->Size.x, menu->Size.y) : ImVec4();
    };
    int passes = 0;
    for (; passes < 6 && !scene.FlagOn(kFlagSaveAsEntry); ++passes) Pass();
    ASSERT_TRUE(scene.FlagOn(kFlagSaveAsEntry));
    const ImVec4 shown = menuPlace();
    Pass(3);
    const ImVec4 later = menuPlace();
    EXPECT_EQ(shown.x, later.x);
    EXPECT_EQ(shown.y, later.y);
    EXPECT_EQ(shown.w, later.w);
    EXPECT_EQ(shown.z, later.z);
}

// Input made as the window gets the focus back reaches the scene: Tool 1 and
// "Create New Object" pressed at once make the object; Ctrl held through
// the focus going and coming back still makes T take the texture of the
// selected object rather than give it the one in hand.
TEST_F(PlayedInput, InputAsTheFocusComesBackActs)
{
    CScene& scene = Scene();
    CWorld& world = *scene.world;
    const size_t objects = world.objects.size();
    Focus(false);
    Pass(2);
    Focus(true);
    Tap('1');
    Tap('C');
    Pass(2);
    EXPECT_EQ(world.objects.size(), objects + 1);

    CNBObject* box = world.objects.back();
    CTexture* own = box->GetPart(0)->mainMesh->textures[0];
    ASSERT_NE(own, nullptr);
    CTexture* inHand = nullptr;
    for (CTexture* texture : world.textures)
        if (texture && texture != own) inHand = texture;
    ASSERT_NE(inHand, nullptr);
    world.currentTexture = inHand;
    KeyDown(kVkCtrl);
    Pass();
    Focus(false);
    Pass();
    Focus(true);
    KeyDown(kVkCtrl);  // the system tells again what is held as the focus comes back
    Tap('T');
    scene.selectedObject = box;
    Pass(2);
    KeyUp(kVkCtrl);
    Pass();
    EXPECT_EQ(world.currentTexture, own);
    EXPECT_EQ(box->GetPart(0)->mainMesh->textures[0], own);
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


// "Apply on Click" in "Textures": the way to a picture passes over the
// window, which leaves the selection alone, and the click gives the picture
// to the object selected before, without dragging it.
TEST_F(PlayedInput, TexturesApplyOnClickTexturesTheObjectSelectedBefore)
{
    CScene& scene = Scene();
    CWorld& world = *scene.world;
    CNBObject* box = PlaceBox();
    const CTexture* own = box->GetPart(0)->mainMesh->textures[0];
    int other = 0;
    while (other < static_cast<int>(world.textures.size()) && world.textures[other] == own) ++other;
    ASSERT_LT(other, static_cast<int>(world.textures.size()));
    CTexture* picture = world.textures[static_cast<size_t>(other)];
    scene.Flag(kFlagTexturesWindow) = 1;
    ASSERT_TRUE(scene.FlagOn(kFlagApplyTextureOnClick));
    Pass(3);  // the window frees the mouse
    const auto draw = [&scene] { DrawTexturesWindow(scene); };
    // A texture the test world has no file for keeps an empty button.
    const ImVec2 at = TextureIdOf(picture) ? PointOver("Textures", {other, picture, TextureIdOf(picture), "#image"}, draw)
                                           : PointOver("Textures", {other, picture, "##picture"}, draw);
    ASSERT_NE(at.x, -FLT_MAX);
    scene.selectedObject = box;
    MoveTo(at);
    Pass();
    EXPECT_EQ(scene.selectedObject, box);
    Click(at);
    Pass(4);
    EXPECT_EQ(scene.draggedObject, nullptr);
    EXPECT_EQ(scene.selectedObject, box);
    EXPECT_EQ(box->GetPart(0)->mainMesh->textures[0], picture);
}
}  // namespace
