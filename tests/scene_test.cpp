// The scene entering a world: file names, refused and failed entries, what
// travels through a world file, the Bullet world going with the scene (at a
// cost in proportion to its bodies), the start position.
#include <gtest/gtest.h>

#include <btBulletDynamicsCommon.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/files.h"
#include "scene/scene.h"
#include "shell/game.h"
#include "shell/settings.h"
#include "support/temp_directory.h"
#include "world/object.h"
#include "world/physic_body.h"
#include "world/world.h"

namespace {

// A start directory with an empty Worlds folder, and a scene without driver.
class SceneWorlds : public ::testing::Test {
protected:
    SceneWorlds() { folder_.MakeFolder("Worlds"); }

    std::vector<std::string> WorldFiles() const
    {
        std::vector<platform::DirectoryEntry> entries;
        platform::ListDirectory(folder_.File("Worlds"), entries);
        std::vector<std::string> names;
        for (const auto& entry : entries) names.push_back(entry.name);
        return names;
    }

    // A new blank world without borders under `name`, in a scene of its own.
    bool NewWorld(const char* name)
    {
        CScene scene;
        const BlankSceneParams blank{40.0f, 20.0f, 0, 0.0f, 0, 0};
        return scene.CreateWorld(kGenerateWorld, name, kBlankScene, &blank, nullptr, nullptr);
    }

    // Saves the scene's world as Worlds/<file> with its viewer moved to
    // `position` and turned by `degrees` about the vertical.
    void SaveWithViewerAt(CScene& scene, const Vector3& position, float degrees, const char* file)
    {
        scene.mainCamera.position = position;
        Vector3 axis{0.0f, 1.0f, 0.0f};
        scene.mainCamera.orientation.Rotate(axis, degrees);
        scene.StoreCameraBlock();
        ASSERT_EQ(scene.SaveCurrentWorld(folder_.File(std::string("Worlds/") + file).c_str()), 1);
    }

    TempDirectory folder_;
    ScopedStartDirectory start_{folder_.Path()};
};

bool Near(const Vector3& a, const Vector3& b, float tolerance = 1e-3f)
{
    return std::fabs(a.x - b.x) <= tolerance && std::fabs(a.y - b.y) <= tolerance && std::fabs(a.z - b.z) <= tolerance;
}

}  // namespace

// ---- World file names ----
TEST_F(SceneWorlds, NewWorldNamesGetTheExtensionOnceAndAnEmptyNameWritesNothing)
{
    EXPECT_TRUE(NewWorld("meadow"));
    EXPECT_TRUE(NewWorld("castle.vsk"));
    EXPECT_TRUE(NewWorld(""));
    EXPECT_TRUE(NewWorld(nullptr));
    EXPECT_EQ(WorldFiles(), (std::vector<std::string>{"castle.vsk", "meadow.vsk"}));
}

TEST_F(SceneWorlds, ANewWorldIsNeverWrittenOverAnExistingFile)
{
    folder_.Write("Worlds/Meadow.VSK", "someone's world");
    EXPECT_FALSE(NewWorld("meadow.vsk"));
    EXPECT_FALSE(NewWorld("meadow"));
    EXPECT_EQ(folder_.Read("Worlds/Meadow.VSK"), "someone's world");
    EXPECT_FALSE(NewWorld("../outside.vsk"));
    EXPECT_FALSE(platform::FileExists(folder_.File("outside.vsk")));
    CScene scene;
    EXPECT_FALSE(scene.CreateWorld(kGenerateWorld, "odd.vsk", 7, nullptr, nullptr, nullptr));
    EXPECT_EQ(scene.world, nullptr);
}

TEST_F(SceneWorlds, OpeningWithNoOrAOneCharacterNameReadsTheDefaultWorld)
{
    ASSERT_TRUE(NewWorld("default.vsk"));
    for (const char* name : {static_cast<const char*>(nullptr), "", "x"}) {
        CScene scene;
        ASSERT_TRUE(scene.CreateWorld(kOpenWorld, name, kBlankScene, nullptr, nullptr, nullptr));
        EXPECT_EQ(scene.world->worldName, "default.vsk");
        EXPECT_FALSE(scene.world->objects.empty());
    }
}

TEST_F(SceneWorlds, AWorldThatCannotBeReadIsNotEnteredAndStaysAsItWas)
{
    ASSERT_TRUE(NewWorld("good.vsk"));
    const std::string good = folder_.Read("Worlds/good.vsk");
    folder_.Write("Worlds/cut.vsk", good.substr(0, good.size() / 2));

    CScene scene;
    EXPECT_FALSE(scene.CreateWorld(kOpenWorld, "cut.vsk", kBlankScene, nullptr, nullptr, nullptr));
    EXPECT_EQ(scene.world, nullptr);
    EXPECT_EQ(folder_.Read("Worlds/cut.vsk"), good.substr(0, good.size() / 2));

    CScene missing;
    EXPECT_FALSE(missing.CreateWorld(kOpenWorld, "nowhere.vsk", kBlankScene, nullptr, nullptr, nullptr));

    // Through the game: no scene is left, so the front end stays.
    CGame game;
    EXPECT_FALSE(game.LoadWorld("cut.vsk"));
    EXPECT_EQ(game.scene, nullptr);
    EXPECT_TRUE(game.LoadWorld("GOOD.vsk"));
    ASSERT_NE(game.scene, nullptr);
    EXPECT_FALSE(game.scene->world->objects.empty());
}

TEST_F(SceneWorlds, SettingsAndViewerSurviveSceneWorldFileWorldScene)
{
    Vector3 placedAt;
    {
        CScene scene;
        scene.options.sceneValueA = 0.25f;
        scene.options.flyCamera = 0;
        scene.Flag(kFlagSnapToGrid) = 0;
        scene.Flag(kFlagPerlinPhysics) = 1;
        const BlankSceneParams blank{40.0f, 20.0f, 0, 0.0f, 0, 0};
        ASSERT_TRUE(scene.CreateWorld(kGenerateWorld, "kept", kBlankScene, &blank, nullptr, nullptr));
        placedAt = scene.mainCamera.position;
        // A viewer that moved on is what a later save writes.
        ASSERT_NO_FATAL_FAILURE(SaveWithViewerAt(scene, Vector3{4.0f, 6.0f, 8.0f}, 30.0f, "moved.vsk"));
    }
    CScene first;
    ASSERT_TRUE(first.CreateWorld(kOpenWorld, "kept.vsk", kBlankScene, nullptr, nullptr, nullptr));
    EXPECT_TRUE(Near(first.mainCamera.position, placedAt));
    EXPECT_EQ(first.options.sceneValueA, 0.25f);
    EXPECT_FALSE(first.GravityOn());
    EXPECT_FALSE(first.FlagOn(kFlagSnapToGrid));
    EXPECT_TRUE(first.FlagOn(kFlagPerlinPhysics));

    CScene second;
    ASSERT_TRUE(second.CreateWorld(kOpenWorld, "moved.vsk", kBlankScene, nullptr, nullptr, nullptr));
    EXPECT_TRUE(Near(second.mainCamera.position, Vector3{4.0f, 6.0f, 8.0f}));
    EXPECT_NE(second.mainCamera.orientation.m[0], 1.0) << "the turn is kept";
}

TEST_F(SceneWorlds, TheFirstFrameCullsWithTheFrustumOfTheViewerWhereItStands)
{
    const auto countVisible = [](CScene& scene) {
        scene.CullView();
        size_t visible = 0;
        for (const CNBObject* object : scene.world->objects) visible += object->Visible ? 1 : 0;
        return visible;
    };
    {
        CScene scene;
        const BlankSceneParams blank{400.0f, 20.0f, 0, 0.0f, 0, 0};
        ASSERT_TRUE(scene.CreateWorld(kGenerateWorld, "tiles", kBlankScene, &blank, nullptr, nullptr));
        // Standing on the ground looking along +z: about half the tiles are behind.
        const size_t tiles = scene.world->objects.size();
        ASSERT_GT(tiles, 300u);
        EXPECT_LT(countVisible(scene), tiles * 2 / 3);
        ASSERT_NO_FATAL_FAILURE(SaveWithViewerAt(scene, Vector3{0.0f, 6.0f, 150.0f}, 180.0f, "turned.vsk"));
    }
    // An opened world's viewer, near its +z edge and turned round, sees most of it.
    CScene opened;
    ASSERT_TRUE(opened.CreateWorld(kOpenWorld, "turned.vsk", kBlankScene, nullptr, nullptr, nullptr));
    const size_t visible = countVisible(opened);
    EXPECT_GT(visible, 0u);
    EXPECT_LT(visible, opened.world->objects.size());
    for (const CNBObject* object : opened.world->objects) {
        if (object->Center.z > 170.0f) {
            EXPECT_FALSE(object->Visible) << object->Center.x << " " << object->Center.z;
        }
    }
}

TEST_F(SceneWorlds, NewAndOpenedWorldsSetTheLightFromTheirOwnSun)
{
    const auto expected = [](float a, float d) {
        a *= 0.017453292f;
        d *= 0.017453292f;
        return Vector3{500.0f * std::sin(a) * std::cos(d), 500.0f * std::cos(a), 500.0f * std::sin(a) * std::sin(d)};
    };
    LightPosition = Vector3{1.0f, 2.0f, 3.0f};
    {
        CScene scene;
        ASSERT_TRUE(scene.CreateWorld(kGenerateWorld, "sunny", kBlankScene, nullptr, nullptr, nullptr));
        EXPECT_TRUE(Near(LightPosition, expected(40.0f, 50.0f)));
        scene.world->sunAngleA = 10.0f;
        scene.world->sunAngleB = 200.0f;
        ASSERT_EQ(scene.SaveCurrentWorld(folder_.File("Worlds/sunny.vsk").c_str()), 1);
    }
    LightPosition = Vector3{1.0f, 2.0f, 3.0f};
    CScene opened;
    ASSERT_TRUE(opened.CreateWorld(kOpenWorld, "sunny.vsk", kBlankScene, nullptr, nullptr, nullptr));
    EXPECT_TRUE(Near(LightPosition, expected(10.0f, 200.0f)));
    LightPosition = Vector3{500.0f, 500.0f, 500.0f};
}

namespace {

int liveBulletBlocks = 0;

void* CountedAlloc(size_t size)
{
    ++liveBulletBlocks;
    return std::malloc(size);
}

void CountedFree(void* block)
{
    if (block) --liveBulletBlocks;
    std::free(block);
}

}  // namespace

TEST_F(SceneWorlds, TheSceneTakesItsBulletWorldAndBodiesWithIt)
{
    const int objects = CNBObject::Heap().LiveCount();
    btAlignedAllocSetCustom(CountedAlloc, CountedFree);
    liveBulletBlocks = 0;
    {
        CScene scene;
        ASSERT_TRUE(scene.CreateWorld(kGenerateWorld, "bodies", kBlankScene, nullptr, nullptr, nullptr));
        ASSERT_NE(scene.physics.dynamicsWorld, nullptr);
        EXPECT_GT(scene.physics.dynamicsWorld->getNumCollisionObjects(), 0);
        EXPECT_GT(liveBulletBlocks, 0);
        // A link to a world object is not the scene's to free.
        scene.heldObject = scene.world->objects.front();
        scene.selectedObject = scene.world->objects.back();
    }
    EXPECT_EQ(liveBulletBlocks, 0);
    btAlignedAllocSetCustom(nullptr, nullptr);
    EXPECT_EQ(CNBObject::Heap().LiveCount(), objects);
}

namespace {

// A pair cache that counts the pairs each walk over its list visits: Bullet
// walks the whole list for every body that leaves the world.
class CountingPairCache : public btHashedOverlappingPairCache {
public:
    using btHashedOverlappingPairCache::processAllOverlappingPairs;
    void processAllOverlappingPairs(btOverlapCallback* callback, btDispatcher* dispatcher) override
    {
        visits += getNumOverlappingPairs();
        btHashedOverlappingPairCache::processAllOverlappingPairs(callback, dispatcher);
    }
    long visits = 0;
};

}  // namespace

// Boxes resting on a floor that leaves after them: each keeps its contact
// until it goes. Clearing the world and leaving it visit each contact about
// once, not once per body that leaves.
TEST(SceneTeardown, ClearingOrLeavingAWorldVisitsEachContactAboutOnce)
{
    constexpr int kBoxes = 400;
    CountingPairCache pairs;
    auto* scene = new CScene;
    scene->world = new CWorld;
    ScenePhysics& physics = scene->physics;
    physics.collisionConfiguration = new btDefaultCollisionConfiguration;
    physics.dispatcher = new btCollisionDispatcher(physics.collisionConfiguration);
    physics.broadphase = new btDbvtBroadphase(&pairs);
    physics.solver = new btSequentialImpulseConstraintSolver;
    physics.dynamicsWorld = new btDiscreteDynamicsWorld(physics.dispatcher, physics.broadphase, physics.solver,
                                                        physics.collisionConfiguration);
    scene->InitPhysicsWorld();  // keeps this Bullet world
    const auto add = [scene](const Vector3& at, const Vector3& half, float mass) {
        auto* object = new CNBObject;
        object->StaticFlag = mass > 0.0f ? 0 : 1;
        object->InitODEPhysic();
        object->PhysicBody->CreateBoxBody(object, scene->physics.dynamicsWorld, scene->physics.collisionShapes, at,
                                          half.x, half.y, half.z, mass);
        scene->world->objects.push_back(object);
    };
    const auto fill = [&] {
        for (int i = 0; i < kBoxes; ++i) add(Vector3{2.0f * (i % 20), 0.49f, 2.0f * (i / 20)}, {0.5f, 0.5f, 0.5f}, 1.0f);
        add(Vector3{20.0f, -1.0f, 20.0f}, {40.0f, 1.0f, 40.0f}, 0.0f);
        physics.dynamicsWorld->stepSimulation(1.0 / 60.0, 1, 1.0 / 60.0);
        ASSERT_EQ(pairs.getNumOverlappingPairs(), kBoxes);
        pairs.visits = 0;
    };

    fill();
    scene->ClearScene();
    EXPECT_EQ(physics.dynamicsWorld->getNumCollisionObjects(), 0);
    EXPECT_EQ(pairs.getNumOverlappingPairs(), 0);
    EXPECT_LE(pairs.visits, 2 * kBoxes);

    fill();
    delete scene;
    EXPECT_LE(pairs.visits, 2 * kBoxes);
}

namespace {

// A scene with an empty world of one sector at the origin.
class SceneStart : public ::testing::Test {
protected:
    SceneStart()
    {
        scene_.world = new CWorld;
        scene_.world->RecreateSectors(1);
    }

    // A box of 2 x height x 2 standing on y = 0 at (x, z).
    void AddBox(float x, float z, float height)
    {
        ASSERT_NE(scene_.world->CreateBoxObject(2.0f, height, Vector3{x, height / 2, z}, 2.0f, u"ground.dds", 1, 1,
                                                1, 1, 1),
                  nullptr);
        scene_.world->AssignSectors();
    }

    CScene scene_;
};

}  // namespace

TEST_F(SceneStart, TheViewerStandsTwoAboveTheOriginOrTheTopOfTheChosenBox)
{
    scene_.PlaceViewerAtStart(false);  // no objects
    EXPECT_TRUE(Near(scene_.mainCamera.position, Vector3{0.0f, 2.0f, 0.0f}));

    AddBox(1.0f, 0.0f, 2.0f);   // near (0, 2, 0), top at 2
    AddBox(1.5f, 0.0f, 10.0f);  // near the axis too, but tall: top at 10
    scene_.PlaceViewerAtStart(false);
    Vector3 at = scene_.mainCamera.position;
    EXPECT_NEAR(at.y, 4.0f, 1e-3f);
    EXPECT_TRUE(at.x >= 0.0f && at.x <= 2.0f && at.z >= -1.0f && at.z <= 1.0f) << at.x << ", " << at.z;

    // A generated scene stands on the highest object near the axis.
    scene_.PlaceViewerAtStart(true);
    at = scene_.mainCamera.position;
    EXPECT_NEAR(at.y, 12.0f, 1e-3f);
    EXPECT_TRUE(at.x >= 0.5f && at.x <= 2.5f) << at.x;
}
