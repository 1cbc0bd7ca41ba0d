// The in-game scene menu driven by clicks (Dear ImGui's remote activation,
// no window): saving under the world's own name and under a new one, the
// overwrite question and its answers after a name clash or an emptied scene,
// typed names that are refused or too long, and reloading the last saved world,
// which keeps the running world when the file cannot be read and otherwise
// leaves no link into the old world; then a reload in a running scene
// with its driver, Dear ImGui's real back ends, bodies and sounds; last, the
// quick bar's pictures through a reload clicked in the played scene.
#include <gtest/gtest.h>

#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <iterator>
#include <string>

#include "core/private_heap.h"
#include "core/strings.h"
#include "graphics/driver.h"
#include "graphics/gpu_registry.h"
#include "graphics/gpu_texture.h"
#include "graphics/texture.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/gpu/texture_test_hooks.h"
#include "platform/imgui_backends.h"
#include "platform/message_box.h"
#include "platform/text.h"
#include "scene/scene.h"
#include "shell/game.h"
#include "sound/sound_buffer.h"
#include "sound/sound_manager.h"
#include "support/headless_driver.h"
#include "support/imgui_test_frame.h"
#include "support/imgui_typing.h"
#include "support/played_world.h"
#include "support/running_game.h"
#include "support/shipped_data.h"
#include "support/temp_directory.h"
#include "support/virtual_keys.h"
#include "support/world_objects.h"
#include "ui/editor_dialogs.h"
#include "ui/editor_windows.h"
#include "ui/notices.h"
#include "world/block_type.h"
#include "world/object.h"
#include "world/physic_body.h"
#include "world/polygons_grid.h"
#include "world/world.h"
#include "world/worlds_folder.h"

using testing_support::ImGuiTestFrame;

namespace {

// A new blank world "first.vsk" (saved at once) in a scene with its game,
// the scene menu open.
class SceneMenu : public ::testing::Test {
protected:
    SceneMenu()
    {
        folder_.MakeFolder("Worlds");
        const BlankSceneParams blank{40.0f, 20.0f, 0, 0.0f, 0, 0};
        created_ = scene_.CreateWorld(kGenerateWorld, "first", kBlankScene, &blank, nullptr, nullptr);
        scene_.game = &game_;
        scene_.Flag(kFlagSceneMenu) = 1;
        DialogValues.saveName[0] = '\0';
        platform::SetMessageBoxesSuppressed(true);
        platform::SetMessageBoxFallback(QueueNotice);  // what the user is told shows as a notice
        Frame();
    }
    ~SceneMenu() override
    {
        platform::SetMessageBoxFallback(nullptr);
        ForgetNotices();
    }

    void SetUp() override { ASSERT_TRUE(created_); }

    // The menu, and the blank-scene dialog its "New" leads to.
    void Draw()
    {
        if (scene_.FlagOn(kFlagSceneMenu)) DrawSceneMenu(scene_);
        if (scene_.FlagOn(kFlagBlankSceneDialog)) DrawBlankSceneDialog(scene_);
    }
    // Each frame ends as the scene's does: a reload asked for in it follows.
    void Frame()
    {
        ui_.Frame([this] { Draw(); });
        ReloadIfAsked(scene_);
    }
    void Click(const char* label, const char* window = kSceneMenuName)
    {
        ui_.ClickAndFrame(window, {label}, [this] { Draw(); });
        ReloadIfAsked(scene_);
    }
    // "Save As", the name typed, "Save File".
    void SaveAs(const char* typed)
    {
        Click("Save As");
        std::strcpy(DialogValues.saveName, typed);
        Click("Save File");
    }
    bool WorldFile(const std::string& name) const { return platform::FileExists(folder_.File("Worlds/" + name)); }

    TempDirectory folder_;
    ScopedStartDirectory start_{folder_.Path()};
    CGame game_;
    CScene scene_;
    ImGuiTestFrame ui_;
    bool created_ = false;
};

}  // namespace

TEST_F(SceneMenu, SaveFileAppendsTheExtensionOnlyToANameWithoutItAndListsTheWorld)
{
    game_.worldNames = {"first.vsk", "other.vsk"};
    SaveAs("meadow");
    EXPECT_TRUE(WorldFile("meadow.vsk"));
    EXPECT_EQ(scene_.world->worldName, "meadow.vsk");

    SaveAs("b.vsk");
    EXPECT_TRUE(WorldFile("b.vsk"));
    EXPECT_FALSE(WorldFile("b.vsk.vsk"));
    EXPECT_EQ(scene_.world->worldName, "b.vsk");
    // Listed at once, after the names the list had, so a selection keeps its world.
    EXPECT_EQ(game_.worldNames, (std::vector<std::string>{"first.vsk", "other.vsk", "meadow.vsk", "b.vsk"}));

    // The next plain "Save" writes under the name taken.
    platform::DeleteFile(folder_.File("Worlds/b.vsk"));
    Click("Save");
    EXPECT_TRUE(WorldFile("b.vsk"));
}

TEST_F(SceneMenu, ANameTakenInAnyCaseAsksFirstAndNoKeepsTheWorldsName)
{
    folder_.Write("Worlds/Taken.VSK", "someone's world");
    SaveAs("taken");
    EXPECT_TRUE(scene_.FlagOn(kFlagOverwriteQuestion));
    EXPECT_EQ(folder_.Read("Worlds/Taken.VSK"), "someone's world");

    Click("No");
    EXPECT_FALSE(scene_.FlagOn(kFlagOverwriteQuestion));
    EXPECT_EQ(scene_.world->worldName, "first.vsk");

    // "Save" after "No" writes the world's own file, never the refused one.
    platform::DeleteFile(folder_.File("Worlds/first.vsk"));
    Click("Save");
    EXPECT_TRUE(WorldFile("first.vsk"));
    EXPECT_EQ(folder_.Read("Worlds/Taken.VSK"), "someone's world");
}

TEST_F(SceneMenu, YesReplacesTheFileAskedAboutAndTheWorldTakesItsName)
{
    folder_.Write("Worlds/taken.vsk", "someone's world");
    SaveAs("taken");
    ASSERT_TRUE(scene_.FlagOn(kFlagOverwriteQuestion));
    // The name asked about is the one saved, whatever is typed meanwhile.
    std::strcpy(DialogValues.saveName, "other");
    Click("Yes, replace it");
    EXPECT_NE(folder_.Read("Worlds/taken.vsk"), "someone's world");
    EXPECT_FALSE(WorldFile("other.vsk"));
    EXPECT_EQ(scene_.world->worldName, "taken.vsk");
    EXPECT_EQ(game_.worldNames, (std::vector<std::string>{"taken.vsk"}));
    EXPECT_EQ(game_.modalOpen, 0);
}

TEST_F(SceneMenu, RefusedNamesAFailedSaveAndAMissingFolderChangeNothingAndTellTheUser)
{
    SaveAs("");
    EXPECT_FALSE(WorldFile(".vsk"));
    EXPECT_TRUE(scene_.FlagOn(kFlagSaveAsEntry));
    // Outside the folder, or a file the list would not show.
    for (const char* typed : {"../outside", "a.vsk.bak", "tube.vsk rooms"}) {
        const size_t told = WaitingNotices();
        SaveAs(typed);
        EXPECT_EQ(WaitingNotices(), told + 1) << typed;
        EXPECT_TRUE(scene_.FlagOn(kFlagSaveAsEntry));
    }
    EXPECT_FALSE(platform::FileExists(folder_.File("outside.vsk")));
    EXPECT_FALSE(WorldFile("a.vsk.bak"));
    EXPECT_FALSE(WorldFile("tube.vsk rooms"));

    // A save that fails keeps the world's name, lists nothing and says why.
    folder_.MakeFolder("Worlds/dir.vsk");
    const size_t told = WaitingNotices();
    SaveAs("dir");
    EXPECT_EQ(WaitingNotices(), told + 1);
    EXPECT_EQ(platform::LastMessageBoxText(), "The world could not be saved as dir.vsk: Is a directory.");
    EXPECT_TRUE(scene_.FlagOn(kFlagSaveAsEntry));
    EXPECT_EQ(scene_.world->worldName, "first.vsk");
    EXPECT_TRUE(game_.worldNames.empty());

    ASSERT_TRUE(platform::DeleteFile(folder_.File("Worlds/first.vsk")));
    ASSERT_TRUE(platform::RenameFile(folder_.File("Worlds"), folder_.File("Gone")));
    std::strcpy(DialogValues.saveName, "meadow");
    Click("Save File");
    EXPECT_TRUE(scene_.FlagOn(kFlagSaveAsEntry));
    EXPECT_EQ(scene_.world->worldName, "first.vsk");
    Click("Save");
    EXPECT_FALSE(scene_.FlagOn(kFlagSceneMenu));  // the menu closes all the same
    EXPECT_FALSE(platform::FileExists(folder_.File("Gone/meadow.vsk")));
    EXPECT_FALSE(platform::FileExists(folder_.File("Gone/first.vsk")));
}

// Clear Scene (key N) and "New" empty the running world in place; its file
// still holds the world before, so the first "Save" asks, and "No" leaves
// the file as it was. Reading the file again makes the world its file's.
TEST_F(SceneMenu, TheFirstSaveAfterTheSceneWasEmptiedAsksBeforeReplacingTheWorldsFile)
{
    const auto clearScene = [this] { scene_.ClearScene(); };
    const auto newBlankScene = [this] {
        scene_.Flag(kFlagSceneMenu) = 0;
        scene_.Flag(kFlagBlankSceneDialog) = 1;
        Frame();
        Click("Create", kBlankSceneDialogName);
    };
    for (const auto& empty : {std::function<void()>(clearScene), std::function<void()>(newBlankScene)}) {
        const std::string before = folder_.Read("Worlds/first.vsk");
        empty();
        scene_.Flag(kFlagSceneMenu) = 1;
        Frame();

        Click("Save");
        EXPECT_TRUE(scene_.FlagOn(kFlagSceneMenu));
        EXPECT_TRUE(scene_.FlagOn(kFlagOverwriteQuestion));
        Click("No");
        EXPECT_EQ(folder_.Read("Worlds/first.vsk"), before);
        Click("Save");
        Click("Yes, replace it");
        EXPECT_NE(folder_.Read("Worlds/first.vsk"), before);
        EXPECT_FALSE(scene_.FlagOn(kFlagSaveAsEntry));

        // The file holds this scene now: saving again asks nothing.
        scene_.Flag(kFlagSceneMenu) = 1;
        Click("Save");
        EXPECT_FALSE(scene_.FlagOn(kFlagSceneMenu));
        EXPECT_FALSE(scene_.FlagOn(kFlagOverwriteQuestion));
    }

    scene_.ClearScene();
    scene_.Flag(kFlagSceneMenu) = 1;
    Click("ReLoad Last Saved");
    scene_.Flag(kFlagSceneMenu) = 1;
    Click("Save");
    EXPECT_FALSE(scene_.FlagOn(kFlagOverwriteQuestion));
}

// The name field holds every name a new world may have: typed whole, it is
// saved whole; a longer one is refused as the new-world screen refuses it,
// never cut to another world's name.
TEST_F(SceneMenu, SaveAsTakesEveryNameANewWorldMayHaveAndRefusesLongerOnesWhole)
{
    const auto draw = [this] { Draw(); };
    // The field starts from the world's name and takes the keys from the scene.
    Click("Save As");
    EXPECT_STREQ(DialogValues.saveName, "first.vsk");
    EXPECT_EQ(game_.modalOpen, 1);
    const auto typeName = [&](const std::string& typed) {
        Click("Save As");
        DialogValues.saveName[0] = '\0';
        testing_support::FocusForTyping(ui_, kSceneMenuName, {"name"}, draw);
        testing_support::TypeAndFrame(ui_, typed.c_str(), draw);
        testing_support::EndTyping(ui_, draw);
        Click("Save File");
    };
    const std::string longest = std::string(120, 'w') + "\xD0\x9C" + std::string(106, 'w');  // 228 bytes
    typeName(longest);
    EXPECT_TRUE(WorldFile(longest + ".vsk"));
    EXPECT_EQ(scene_.world->worldName, longest + ".vsk");

    const std::string tooLong = longest + "w";
    const size_t told = WaitingNotices();
    typeName(tooLong);
    EXPECT_EQ(WaitingNotices(), told + 1);
    EXPECT_EQ(platform::LastMessageBoxText(), WorldNameRefusal(tooLong));
    EXPECT_TRUE(scene_.FlagOn(kFlagSaveAsEntry));
    EXPECT_EQ(scene_.world->worldName, longest + ".vsk");
    std::vector<platform::DirectoryEntry> files;
    ASSERT_TRUE(platform::ListDirectory(folder_.File("Worlds"), files));
    EXPECT_EQ(files.size(), 2u);  // "first.vsk" and the longest name
    Click("Continue");
    EXPECT_EQ(game_.modalOpen, 0);
}

TEST_F(SceneMenu, ReloadKeepsTheRunningWorldWhenItsFileIsGoneOrDamagedAndSaysWhich)
{
    CWorld* running = scene_.world;
    const size_t objects = running->objects.size();
    ASSERT_TRUE(platform::DeleteFile(folder_.File("Worlds/first.vsk")));
    Click("ReLoad Last Saved");
    EXPECT_EQ(scene_.world, running);
    EXPECT_EQ(scene_.world->objects.size(), objects);
    EXPECT_NE(folder_.Read("game.log").find("Error: CScene::ReloadWorld()"), std::string::npos);
    EXPECT_NE(platform::LastMessageBoxText().find("first.vsk: No such file or directory."), std::string::npos)
        << platform::LastMessageBoxText();

    // A file that stops half way is not taken either.
    scene_.Flag(kFlagSceneMenu) = 1;
    ASSERT_EQ(scene_.SaveCurrentWorld(folder_.File("Worlds/first.vsk").c_str()), 1);
    const std::string saved = folder_.Read("Worlds/first.vsk");
    folder_.Write("Worlds/first.vsk", saved.substr(0, saved.size() / 2));
    Click("ReLoad Last Saved");
    EXPECT_EQ(scene_.world, running);
    EXPECT_EQ(scene_.world->objects.size(), objects);
    EXPECT_NE(platform::LastMessageBoxText().find("the file is damaged"), std::string::npos);
}

TEST_F(SceneMenu, ReloadBringsBackTheSavedWorldAndDropsEveryLinkIntoTheOldOne)
{
    const size_t saved = scene_.world->objects.size();
    ASSERT_GT(saved, 0u);
    // Changes after the save, and links into the running world.
    CNBObject* added = NewBoxObject(Vector3{1.0f, 3.0f, 1.0f});
    scene_.world->objects.push_back(added);
    scene_.world->PutObjectInSector(added);
    CNBObject* ground = scene_.world->objects.front();
    scene_.selectedObject = added;
    scene_.draggedObject = ground;
    scene_.heldObject = added;
    scene_.keyMovedObjects.push_back(added);
    scene_.soundingObjects.push_back(ground);
    RecordedObject record;
    record.object = added;
    scene_.recordedObjects.push_back(record);
    scene_.previewObjects.push_back(NewBoxObject(Vector3{0.0f, 0.0f, 0.0f}));
    scene_.positionObject = NewBoxObject(Vector3{0.0f, 0.0f, 0.0f});
    scene_.Flag(kFlagGeneratorPreview) = 1;

    Click("ReLoad Last Saved");
    ASSERT_NE(scene_.world, nullptr);
    EXPECT_EQ(scene_.world->objects.size(), saved);
    EXPECT_EQ(scene_.selectedObject, nullptr);
    EXPECT_EQ(scene_.draggedObject, nullptr);
    EXPECT_EQ(scene_.heldObject, nullptr);
    EXPECT_TRUE(scene_.keyMovedObjects.empty());
    EXPECT_TRUE(scene_.soundingObjects.empty());
    EXPECT_TRUE(scene_.recordedObjects.empty());
    EXPECT_TRUE(scene_.previewObjects.empty());
    EXPECT_EQ(scene_.positionObject, nullptr);
    EXPECT_FALSE(scene_.FlagOn(kFlagGeneratorPreview));

    // The new world's removals reach the scene.
    CNBObject* first = scene_.world->objects.front();
    scene_.selectedObject = first;
    scene_.world->RemoveObject(first);
    EXPECT_EQ(scene_.selectedObject, nullptr);
}

namespace {

using RunningSceneReload = RunningGameTest;

}  // namespace

TEST_F(RunningSceneReload, AReloadReplacesAWorldWithBodiesSoundsAndCachesAndLeavesNothingBehind)
{
    const HeapCounts before;
    const BlankSceneParams blank{60.0f, 20.0f, 1, 5.0f, 0, 0};
    ASSERT_TRUE(game_.NewWorld("reload", kBlankScene, &blank, nullptr, nullptr)) << Log();
    CScene* scene = game_.scene;
    const size_t saved = scene->world->objects.size();
    uint32_t now = 100000;
    platform::SetClockSource([&now] { return now += 3; });

    // Objects thrown after the save fall, collide and sound; one is selected.
    ASSERT_FALSE(scene->world->quickBar.empty());
    scene->world->currentBlockType = scene->world->quickBar.front();
    for (int i = 0; i < 3; ++i) scene->ThrowObject();
    ASSERT_EQ(scene->world->objects.size(), saved + 3);
    for (int frame = 0; frame < 30; ++frame) GameFrame(&game_);
    scene->selectedObject = scene->world->objects.back();
    scene->draggedObject = scene->world->objects[saved];
    scene->keyMovedObjects.push_back(scene->world->objects[saved + 1]);
    scene->generator.fieldPrototype = scene->world->quickBar.front();

    // The 64 x 48 headless screen has no room for the menu's buttons: the
    // menu's own click is tested above; here the reload runs between frames.
    // Every render-cache entry is one of the current world's registries.
    const auto cachesFromWorld = [scene] {
        const GpuRegistry& registry = scene->world->gpuRegistry;
        const auto listed = [](const auto& list, const void* entry) {
            return std::find(list.begin(), list.end(), entry) != list.end();
        };
        const RenderCaches& caches = scene->renderCaches;
        for (const ShaderEntry* entry : caches.shaders)
            if (entry && !listed(registry.vertexShaders, entry) && !listed(registry.pixelShaders, entry)) return false;
        for (const ConstantBufferEntry* entry : caches.constantBuffers)
            if (entry && !listed(registry.constantBuffers, entry)) return false;
        for (const ConstantBufferEntry* entry : caches.states)
            if (entry && !listed(registry.samplerStates, entry) && !listed(registry.blendStates, entry) &&
                !listed(registry.depthStencilStates, entry) && !listed(registry.rasterizerStates, entry))
                return false;
        return true;
    };
    ASSERT_TRUE(cachesFromWorld());
    ASSERT_TRUE(std::any_of(std::begin(scene->renderCaches.shaders), std::end(scene->renderCaches.shaders),
                            [](const ShaderEntry* entry) { return entry != nullptr; }));
    ASSERT_TRUE(scene->ReloadWorld()) << Log();
    EXPECT_TRUE(cachesFromWorld());
    GameFrame(&game_);
    ASSERT_EQ(game_.scene, scene);
    EXPECT_EQ(scene->world->objects.size(), saved);
    EXPECT_EQ(scene->selectedObject, nullptr);
    EXPECT_EQ(scene->draggedObject, nullptr);
    EXPECT_TRUE(scene->keyMovedObjects.empty());
    EXPECT_EQ(scene->generator.fieldPrototype, nullptr);
    EXPECT_FALSE(scene->world->textures.empty());

    // The new world runs: drawn with its own GPU objects, simulated, thrown into.
    ASSERT_FALSE(scene->world->quickBar.empty());
    scene->world->currentBlockType = scene->world->quickBar.front();
    for (int i = 0; i < 2; ++i) scene->ThrowObject();
    for (int frame = 0; frame < 30; ++frame) GameFrame(&game_);
    EXPECT_EQ(scene->world->objects.size(), saved + 2);
    EXPECT_EQ(Log().find("Error: CScene::ReloadWorld()"), std::string::npos);

    game_.UnloadWorld();
    EXPECT_EQ(HeapCounts(), before);
}

namespace {

// The played world with every shipped texture, so that each picture shows
// its block's own (a mesh whose texture is missing is drawn with whatever
// texture was bound last).
class PlayedReload : public PlayedWorld {
protected:
    void SetUp() override
    {
        CopyShippedFolder(folder_, "Textures");
        PlayedWorld::SetUp();
    }
};

std::vector<uint8_t> PictureOf(const BlockType& type)
{
    std::vector<uint8_t> rgba;
    const CTexture* picture = type.PreviewPicture();
    uint32_t width = 0;
    uint32_t height = 0;
    if (picture && picture->gpu) gpu::ReadTexturePixels(picture->gpu->texture, &rgba, &width, &height);
    return rgba;
}

// The pixels of the pictures' opaque green within the quick bar's window on
// the screen the last frame presented.
int GreenInQuickBar(const std::vector<uint8_t>& screen, uint32_t width)
{
    const ImGuiWindow* bar = ImGui::FindWindowByName("Imaged Buttons");
    if (!bar || width == 0) return 0;
    const uint32_t height = static_cast<uint32_t>(screen.size() / 4 / width);
    const auto from = [](float at) { return static_cast<uint32_t>(std::max(at, 0.0f)); };
    int green = 0;
    for (uint32_t y = from(bar->Pos.y); y < std::min(from(bar->Pos.y + bar->Size.y), height); ++y)
        for (uint32_t x = from(bar->Pos.x); x < std::min(from(bar->Pos.x + bar->Size.x), width); ++x)
            if (PixelAt(screen, width, x, y) == Pixel{0, 200, 0, 255}) ++green;
    return green;
}

}  // namespace

// "ReLoad Last Saved" clicked in a slow running world: the frame of the click
// shows the quick bar's pictures as before the menu opened (its windows were
// laid out with the running world's, which the reload lets go, and the menu
// the click closed is gone from it), and the world read again shows the
// pictures that opening it draws, not turned by that moment's frame time.
TEST_F(PlayedReload, TheQuickBarKeepsItsPicturesThroughAReloadAndShowsTheOnesOpeningDraws)
{
    CScene& scene = Scene();
    const std::vector<uint8_t> opened = PictureOf(*scene.world->quickBar[0]);
    ASSERT_FALSE(opened.empty());
    // About a frame a second, as in a large landscape.
    for (int i = 0; i < 4; ++i) scene.timing.PushFpsSample(1.0f);
    const auto greenOnScreen = [this] {
        uint32_t width = 0;
        const std::vector<uint8_t> screen = ReadBack(&width);
        return GreenInQuickBar(screen, width);
    };
    Pass();
    const int green = greenOnScreen();
    ASSERT_GT(green, 1000);
    Tap(kVkEscape);
    Pass(2);

    const CWorld* running = scene.world;
    Click(PointOver(kSceneMenuName, {"ReLoad Last Saved"}, [&scene] { DrawSceneMenu(scene); }));
    for (int pass = 0; pass < 8 && scene.world == running; ++pass) Pass();
    ASSERT_NE(scene.world, running) << Log();
    EXPECT_EQ(greenOnScreen(), green);
    EXPECT_TRUE(PictureOf(*scene.world->quickBar[0]) == opened);
}
