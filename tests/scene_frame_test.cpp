// The scene frame: what runs without a driver (fresh-drop marks, sector
// upkeep), and whole headless runs through CGame: objects
// raining onto a blank world, a lost device recovered, nothing left behind.
#include <gtest/gtest.h>

#include <imgui.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>

#include "core/private_heap.h"
#include "graphics/driver.h"
#include "graphics/texture.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/gpu/test_hooks.h"
#include "platform/text.h"
#include "scene/scene.h"
#include "scene/drop_queue.h"
#include "shell/game.h"
#include "shell/settings.h"
#include "support/headless_driver.h"
#include "support/running_game.h"
#include "support/shipped_data.h"
#include "support/temp_directory.h"
#include "world/object.h"
#include "world/block_type.h"
#include "world/object_part.h"
#include "world/polygons_grid.h"
#include "world/world.h"

namespace {

// A clock the test sets; restored to the real one afterwards.
class FakeClock {
public:
    explicit FakeClock(uint32_t start) : now_(start)
    {
        platform::SetClockSource([this] { return now_; });
    }
    ~FakeClock() { platform::SetClockSource({}); }
    void Advance(uint32_t ms) { now_ += ms; }

private:
    uint32_t now_;
};

// A scene without driver around a world of one sector with `count` objects
// of kind 2 standing near the origin.
class SceneFrameNoDriver : public ::testing::Test {
protected:
    SceneFrameNoDriver()
    {
        scene_.world = new CWorld;
        scene_.world->RecreateSectors(1);
        for (int i = 0; i < 3; ++i) {
            CNBObject* object = scene_.world->CreateBoxObject(1.0f, 1.0f, Vector3{2.0f * i, 0.5f, 0.0f}, 1.0f,
                                                              u"ground.dds", 1, 1, 1, 1, 1);
            object->Kind = 2;
        }
        scene_.world->AssignSectors();
    }

    int Marked() const
    {
        return static_cast<int>(std::count_if(scene_.world->objects.begin(), scene_.world->objects.end(),
                                              [](const CNBObject* object) { return object->FreshDrop != 0; }));
    }

    FakeClock clock_{200000};
    CScene scene_;
};

}  // namespace

TEST_F(SceneFrameNoDriver, FreshDropMarksGoOneObjectPerFiftyMillisecondsAfterThreeSeconds)
{
    scene_.SetDropRecord(DropRecord{"", kMarkAllDropped, 0});
    scene_.RenderFrame();  // the queue runs without a driver
    EXPECT_EQ(Marked(), 3);
    EXPECT_TRUE(scene_.dropQueue.empty());

    // Nothing at exactly 3000 ms, one just after; the next only after 50 more.
    for (const auto& [advance, marked] : {std::pair{3000u, 3}, {1u, 2}, {50u, 2}, {1u, 1}}) {
        clock_.Advance(advance);
        scene_.RenderFrame();
        EXPECT_EQ(Marked(), marked) << "after " << advance << " ms more";
    }
}

TEST_F(SceneFrameNoDriver, SectorsAreReassignedEveryTwoMinutesAndUpdatedEverySecond)
{
    CNBObject* fallen = scene_.world->objects.back();
    fallen->Center.y = -3000.0f;
    scene_.RenderFrame();  // the first frame is long past 120,000 ms of clock
    EXPECT_EQ(scene_.world->GetObjectCount(), 2);
    clock_.Advance(1);
    scene_.RenderFrame();  // and the first update too

    CNBObject* moved = scene_.world->objects.front();
    moved->Moved = 1;
    clock_.Advance(1000);
    scene_.RenderFrame();
    EXPECT_EQ(moved->Moved, 1);
    clock_.Advance(1);
    scene_.RenderFrame();
    EXPECT_EQ(moved->Moved, 0);

    CNBObject* next = scene_.world->objects.back();
    next->Center.y = -3000.0f;
    clock_.Advance(120000 - 1002);  // exactly 120,000 since the reassignment: only an update
    scene_.RenderFrame();
    EXPECT_EQ(scene_.world->GetObjectCount(), 2);
    clock_.Advance(1);
    scene_.RenderFrame();
    EXPECT_EQ(scene_.world->GetObjectCount(), 1);
}

// ---- A whole headless run ----
namespace {

class SceneFrameHeadless : public RunningGameTest {
protected:
    // A new blank world of 40 without borders; the game's scene.
    CScene* NewBlankWorld(const char* name)
    {
        const BlankSceneParams blank{40.0f, 20.0f, 0, 0.0f, 0, 0};
        EXPECT_TRUE(game_.NewWorld(name, kBlankScene, &blank, nullptr, nullptr)) << Log();
        return game_.scene;
    }
};

}  // namespace

TEST_F(SceneFrameHeadless, ABlankWorldRainsObjectsSurvivesALostDeviceAndLeavesNothingBehind)
{
    const HeapCounts before;
    const BlankSceneParams blank{100.0f, 20.0f, 1, 5.0f, 0, 0};
    ASSERT_TRUE(game_.NewWorld("rain", kBlankScene, &blank, nullptr, nullptr)) << Log();
    EXPECT_TRUE(platform::FileExists(folder_.File("Worlds/rain.vsk")));
    CScene* scene = game_.scene;
    CWorld* world = scene->world;
    ASSERT_FALSE(world->quickBar.empty());
    const size_t groundObjects = world->objects.size();
    const size_t blockTypes = world->blockTypes.size();

    // Every clock read is 3 ms later. Boxes and balls drop from 10 above the
    // ground: Bullet's discrete step lets fast or thin bodies through now and
    // then, so most, not all, are expected to stay on it.
    uint32_t now = 100000;
    platform::SetClockSource([&now] { return now += 3; });
    world->quickBar = {world->FindBlockType(u"BoxRed"), world->FindBlockType(u"RedBall 0.5m"),
                       world->FindBlockType(u"BoxBlue")};
    scene->cursor3D = Vector3{0.0f, -20.0f, 0.0f};
    scene->SetDropRecord(DropRecord{"rain", kDropContinuously, 0});
    for (int frame = 0; frame < 300; ++frame) {
        if (frame == 150) {
            gpu::ForceNextPresentResult(gpu::DXGI_ERROR_DEVICE_REMOVED);
            GameFrame(&game_);
            // Recovered at once: a device, the world's GPU objects on it, the
            // same block library with its pointers good, Dear ImGui to remake.
            ASSERT_TRUE(Driver->HasDevice());
            EXPECT_EQ(scene->deviceLost, 0);
            EXPECT_EQ(world->blockTypes.size(), blockTypes);
            for (BlockType* type : world->quickBar)
                EXPECT_NE(std::find(world->blockTypes.begin(), world->blockTypes.end(), type), world->blockTypes.end());
            continue;
        }
        GameFrame(&game_);
    }
    EXPECT_EQ(Log().find("RecoverLostDevice"), std::string::npos) << Log();
    EXPECT_EQ(scene->renderCaches.states[0], world->FindDepthStencilState(u"default"));
    EXPECT_NE(ImGui::GetIO().Fonts->TexID, nullptr);  // made again by the next frame

    // Objects rained onto the ground and stayed on it (balls may still be
    // rolling), and landing made sounds.
    const size_t dropped = world->objects.size() - groundObjects;
    EXPECT_GE(dropped, 10u);
    int resting = 0;
    for (size_t i = groundObjects; i < world->objects.size(); ++i) {
        const CNBObject* object = world->objects[i];
        if (object->Position.y > 0.0f && object->Position.y < 3.0f) ++resting;
    }
    EXPECT_GE(resting, 5) << dropped << " dropped";
    EXPECT_FALSE(scene->soundInstances.empty());

    game_.leaveRequest = 1;
    GameFrame(&game_);
    EXPECT_EQ(game_.scene, nullptr);
    EXPECT_EQ(game_.menuMode, 1);
    EXPECT_EQ(HeapCounts{}, before);
}

namespace {

bool InWorld(const CTexture* texture, const CWorld& world)
{
    return std::find(world.textures.begin(), world.textures.end(), texture) != world.textures.end();
}

// Every texture link of the object's meshes is one of the world's textures.
bool LinksIntoWorld(const CNBObject* object, const CWorld& world)
{
    for (int p = 0; object && p < object->PartCount; ++p)
        for (const CTexture* texture : object->Parts[p].mainMesh->textures)
            if (texture && !InWorld(texture, world)) return false;
    return true;
}

}  // namespace

// The sanitizer build catches a read of a released texture in the frames
// after a loss; the links and pictures are checked in every build.
TEST_F(SceneFrameHeadless, ALostDeviceLeavesNoLinkToReleasedTexturesAndDrawsEveryBlockPictureAgain)
{
    folder_.Write("Textures/blank_scene_thumbnail.jpg", Shipped("Textures/blank_scene_thumbnail.jpg"));
    CScene* scene = NewBlankWorld("lost");
    ASSERT_NE(scene, nullptr);
    CWorld* world = scene->world;
    world->currentBlockType = world->FindBlockType(u"BoxRed");
    world->currentTexture = world->FindTexture(u"ground.dds");
    const auto loseTheDevice = [this, scene] {
        GameFrame(&game_);
        gpu::ForceNextPresentResult(gpu::DXGI_ERROR_DEVICE_REMOVED);
        GameFrame(&game_);
        ASSERT_EQ(scene->deviceLost, 0);
        GameFrame(&game_);
    };

    // The Perlin positions with their position object, and the scene chooser.
    scene->Flag(kFlagSceneChooser) = 1;
    scene->generator.fieldDirty = 1;
    scene->GenerateObjects(kGeneratePerlin, kGeneratorPreview);
    loseTheDevice();
    ASSERT_FALSE(scene->previewPositions.empty());
    EXPECT_TRUE(LinksIntoWorld(scene->positionObject, *world));
    EXPECT_TRUE(InWorld(scene->dialogs.blankThumbnail, *world));
    EXPECT_EQ(world->currentTexture, world->FindTexture(u"ground.dds"));  // still in hand

    // A spline's preview objects, and every block picture.
    scene->Flag(kFlagGeneratorPreview) = 1;
    scene->GenerateObjects(kGenerateSpline, kGeneratorPreview);
    ASSERT_FALSE(scene->previewObjects.empty());
    loseTheDevice();
    for (const CNBObject* object : scene->previewObjects) EXPECT_TRUE(LinksIntoWorld(object, *world));
    for (const BlockType* type : world->quickBar) {
        ASSERT_NE(type->PreviewPicture(), nullptr) << platform::Utf16ToUtf8(type->name);
        EXPECT_NE(type->PreviewPicture()->gpu, nullptr) << platform::Utf16ToUtf8(type->name);
    }
}

TEST_F(SceneFrameHeadless, ADeviceThatCannotBeMadeAgainIsTriedEachFrameAndNeverPresented)
{
    CScene* scene = NewBlankWorld("lost");
    ASSERT_NE(scene, nullptr);
    GameFrame(&game_);

    Settings.screenWidth = 0;  // no device can be made for this
    gpu::ForceNextPresentResult(gpu::DXGI_ERROR_DEVICE_REMOVED);
    GameFrame(&game_);
    EXPECT_EQ(scene->deviceLost, 1);
    EXPECT_FALSE(Driver->HasDevice());
    GameFrame(&game_);  // tried again, nothing drawn or presented
    EXPECT_EQ(scene->deviceLost, 1);

    Settings.screenWidth = 64;
    GameFrame(&game_);
    EXPECT_EQ(scene->deviceLost, 0);
    ASSERT_TRUE(Driver->HasDevice());
    EXPECT_NE(scene->world->shadowMap, nullptr);
    GameFrame(&game_);
    EXPECT_NE(scene->renderCaches.states[0], nullptr);
    const std::string log = Log();
    const size_t first = log.find("Error: CScene::RecoverLostDevice()");
    EXPECT_NE(first, std::string::npos);
    EXPECT_EQ(log.find("Error: CScene::RecoverLostDevice()", first + 1), std::string::npos);  // logged once
}

// The model view draws its object the same whatever the world frame drew
// before it: the specular power the shader reads is the block type's, not
// the last world object's.
TEST_F(SceneFrameHeadless, TheModelViewShowsTheCurrentBlockTypeAloneWhateverWasDrawnBefore)
{
    folder_.Write("Textures/boxwhite.jpg", Shipped("Textures/boxwhite.jpg"));
    CScene* scene = NewBlankWorld("model");
    ASSERT_NE(scene, nullptr);
    CWorld* world = scene->world;
    scene->Flag(kFlagStartHints) = 0;
    // Room above the "Single Object Mode" window for the object.
    Settings.screenWidth = 640;
    Settings.screenHeight = 480;
    gpu::ForceNextPresentResult(gpu::DXGI_ERROR_DEVICE_REMOVED);
    GameFrame(&game_);
    world->currentBlockType = world->FindBlockType(u"BoxWhite");
    ASSERT_NE(world->currentBlockType, nullptr);
    const Vector3 sun = LightPosition;
    LightPosition = Vector3{0.0f, 200.0f, -500.0f};  // behind the viewer: the front face shines

    // A world frame whose objects shine with `power`, then the model view.
    const auto modelViewAfter = [&](float power) {
        for (CNBObject* object : world->objects) object->Power = power;
        scene->Flag(kFlagModelView) = 0;
        scene->ApplyModelViewMode();
        GameFrame(&game_);
        scene->Flag(kFlagModelView) = 1;
        scene->ApplyModelViewMode();
        const size_t objects = world->objects.size();
        scene->SetDropRecord(DropRecord{"", kDropContinuously, 0});
        GameFrame(&game_);
        EXPECT_EQ(world->objects.size(), objects);  // no drop: the world frame did not run
        EXPECT_EQ(BackBufferAt(0, 0), (Pixel{150, 150, 30, 0}));
        scene->dropQueue.clear();
        return BackBufferAt(320, 200);  // the object's front face
    };
    const Pixel dull = modelViewAfter(1.0f);
    EXPECT_NE(dull, (Pixel{150, 150, 30, 0}));
    EXPECT_EQ(modelViewAfter(100.0f), dull);
    LightPosition = sun;
}

