// The scene model end to end, as a user of the world classes builds it: a
// blank ground whose tiles and walls are static mesh bodies, a dropped object
// of every dynamic body shape, a line of every kind and a skinned pole posed
// with the shipped "BendingPole 2m" animation. The dropped objects settle in
// a Bullet world built as the scene builds its own and are sorted into their
// nearest sectors; the world goes through a save, a load and a second save
// that must give the same bytes; and everything made is given back to its
// heap, every body out of the Bullet world before that world goes.
#include <gtest/gtest.h>

#include <btBulletDynamicsCommon.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "core/private_heap.h"
#include "graphics/texture.h"
#include "platform/files.h"
#include "support/physics_world.h"
#include "support/temp_directory.h"
#include "world/block_type.h"
#include "world/line.h"
#include "world/object.h"
#include "world/object_part.h"
#include "world/physic_body.h"
#include "world/polygons_grid.h"
#include "world/world.h"

namespace {

// Live blocks of every heap the scene model allocates from: objects, bodies,
// lines, meshes, textures, faces, texture coordinates, vertex weights,
// vectors, part arrays, piece groups and the shared heap.
std::vector<int> LiveBlocks()
{
    return {CNBObject::Heap().LiveCount(),  CPhysicBody::Heap().LiveCount(), CLine::Heap().LiveCount(),
            CPolygonsGrid::Heap().LiveCount(), CTexture::Heap().LiveCount(), FaceHeap::Heap().LiveCount(),
            TexCoordHeap::Heap().LiveCount(), WeightHeap::Heap().LiveCount(), VectorHeap::Heap().LiveCount(),
            ObjectPart::ArrayHeap().LiveCount(), PieceGroup::Heap().LiveCount(), SharedHeap().LiveCount()};
}

// One dropped object: a unit box mesh carrying a body of `shape` (the kinds
// of CNBObject::ShapeKind) with these sizes, starting at `start`.
struct Drop {
    const char* name;
    int32_t shape;
    float sizes[3];
    Vector3 start;
};

constexpr float kDropHeight = 3.0f;
const Drop kDrops[] = {
    {"box", 1, {0.5f, 0.5f, 0.5f}, {-30, kDropHeight, -30}},  // half extents
    {"sphere", 2, {0.5f}, {30, kDropHeight, -30}},             // radius
    {"cone", 3, {0.5f, 1.0f}, {-30, kDropHeight, 30}},         // radius, height
    {"cylinder", 4, {0.5f, 0.5f}, {30, kDropHeight, 30}},      // radius, half height
    {"mesh", 5, {}, {-10, kDropHeight, -20}},                  // its own triangles
};
// Where the box is dragged to before the simulation starts: another sector.
const Vector3 kBoxDraggedTo{20, kDropHeight, 30};

// The points of every line; each kind's line lies 10 units further along z.
const Vector3 kLinePoints[] = {{-40, 0.1f, 0}, {-20, 0.1f, 10}, {0, 3, 0}, {20, 0.1f, 10}};

struct Scene {
    std::vector<CNBObject*> dropped;  // in kDrops order
    CNBObject* pole = nullptr;
};

// The body an object's stored description asks for, as the scene rebuilds
// bodies: static mesh bodies at the object's matrix, the others at its
// translation; the bounding box of every body then follows its placement.
void BuildBody(CNBObject& object, PhysicsWorld& physics)
{
    object.InitODEPhysic();
    ASSERT_NE(object.PhysicBody, nullptr);
    CPhysicBody& holder = *object.PhysicBody;
    btDiscreteDynamicsWorld* world = physics.World();
    CollisionShapeArray* shapes = physics.Shapes();
    const Vector3 at = object.WorldMatrix.GetTranslation();
    const float* s = object.ShapeSize;
    switch (object.ShapeKind) {
    case 1: holder.CreateBoxBody(&object, world, shapes, at, s[0], s[1], s[2], object.Mass); break;
    case 2: holder.CreateSphereBody(&object, world, shapes, at, s[0], object.Mass); break;
    case 3: holder.CreateConeBody(&object, world, shapes, at, s[0], s[1], object.Mass); break;
    case 4: holder.CreateCylinderBody(&object, world, shapes, at, s[0], s[1], object.Mass); break;
    case 5: holder.CreateGImpactMeshBody(&object, world, shapes, &object, at, object.Mass); break;
    case 6: holder.CreateBvhMeshBody(&object, world, shapes, &object); break;
    default: break;
    }
    ASSERT_NE(holder.Body, nullptr) << "shape kind " << object.ShapeKind;
    world->updateSingleAabb(holder.Body);
}

void BuildBodies(CWorld& world, PhysicsWorld& physics)
{
    for (CNBObject* object : world.objects) {
        if (!object->HasRigidBody) continue;
        ASSERT_NO_FATAL_FAILURE(BuildBody(*object, physics));
    }
}

// A 2-unit pole standing at `foot`, its lower half on bone 0 and its upper
// half on bone 1, animated by the keys of the shipped bending pole.
void AddPole(CWorld& world, const Vector3& foot, Scene& scene)
{
    const BlockType* type = world.FindBlockType(u"BendingPole 2m");
    ASSERT_NE(type, nullptr) << "the block library has no bending pole";
    ASSERT_EQ(type->animationMode, 2);
    CNBObject* pole =
        world.CreateBoxObject(0.2f, 2.0f, Vector3::Add(foot, {0, 1, 0}), 0.2f, u"pole.jpg", 1, 1, 1, 1, 1);
    ASSERT_NE(pole, nullptr);
    pole->Kind = 2;
    pole->TypeName = type->name;
    pole->ShapeKind = 0;
    pole->HasRigidBody = 0;
    pole->StaticFlag = 1;
    pole->AnimationMode = 2;
    pole->KeyCount = type->keyframeCount;
    pole->BoneCount = type->boneCount;
    pole->KeyRecordCount = type->keyframeCount * type->boneCount;
    pole->BoneKeys = type->boneKeys;
    pole->KeyTimes = type->frameTimes;
    BoneBind identity;
    identity.matrix.SetIdentity();
    pole->Pose.assign(static_cast<size_t>(type->boneCount), identity);

    CPolygonsGrid* mesh = pole->GetPart(0)->mainMesh;
    ASSERT_EQ(mesh->CreateVertexWeight(mesh->vertexCount), mesh->vertexCount);
    for (int v = 0; v < mesh->vertexCount; ++v) {
        mesh->weights[v].count = 1;
        mesh->weights[v].bones[0] = mesh->positions[v].y > 0.0f ? 1 : 0;
        mesh->weights[v].weights[0] = 1.0f;
    }
    pole->InitBones();
    pole->PrepareRenderSets(Vector3{});  // now with its skin stream
    scene.pole = pole;
}

// A new blank world as the scene creates one: the ground with its walls,
// GenerateWorld (no driver; it loads the block library), then a dropped
// object of every dynamic shape, the pole, a line of every kind, every body,
// every object sorted into its sector, and the default QuickBar.
void BuildScene(CWorld& world, PhysicsWorld& physics, Scene& scene)
{
    world.BuildGround(100.0f, 20.0f, 1, 5.0f, 0);
    ASSERT_EQ(world.sectors.size(), 4u);
    world.GenerateWorld();

    for (const Drop& drop : kDrops) {
        CNBObject* object = world.CreateBoxObject(1, 1, drop.start, 1, u"boxwhite.jpg", 1, 1, 1, 1, 1);
        ASSERT_NE(object, nullptr);
        object->SetName(drop.name);
        object->Kind = 2;
        object->ShapeKind = drop.shape;
        std::memcpy(object->ShapeSize, drop.sizes, sizeof(object->ShapeSize));
        object->Mass = 1.0f;
        scene.dropped.push_back(object);
    }
    ASSERT_NO_FATAL_FAILURE(AddPole(world, Vector3{-20, 0, 20}, scene));

    const int32_t kinds[] = {kPolyline, kRoundedCurve, kBSpline};
    for (int k = 0; k < 3; ++k) {
        world.BeginLine();
        CLine* line = world.drawingLine;
        ASSERT_NE(line, nullptr);
        line->LineType = kinds[k];
        for (const Vector3& p : kLinePoints) {
            Vector3* point = line->AddPoint();
            ASSERT_NE(point, nullptr);
            *point = Vector3::Add(p, {0, 0, 10.0f * k});
        }
        line->CreateDriverRenderSet();
        world.BeginLine();  // done drawing
    }

    ASSERT_NO_FATAL_FAILURE(BuildBodies(world, physics));
    world.AssignSectors();
    world.BuildDefaultQuickBar();  // as a new world gets it
}

// Drags the box into another sector, runs the simulation for four seconds
// and copies every dropped object's transform back, as the scene's physics
// step does for a moving body.
void Settle(CWorld& world, PhysicsWorld& physics, const Scene& scene)
{
    CNBObject* box = scene.dropped[0];
    box->WorldMatrix.m[12] = kBoxDraggedTo.x;
    box->WorldMatrix.m[13] = kBoxDraggedTo.y;
    box->WorldMatrix.m[14] = kBoxDraggedTo.z;
    box->PushToRigidBody();
    box->UpdateWorldBounds();
    box->Moved = 1;
    world.UpdateObjectSectors();

    for (int step = 0; step < 240; ++step) physics.World()->stepSimulation(1.0 / 60.0, 1, 1.0 / 60.0);
    for (CNBObject* object : scene.dropped) {
        object->UpdateFromRigidBody();
        object->UpdateWorldBounds();
        object->Moved = 1;
    }
    world.UpdateObjectSectors();
}

// The sector whose assignment centre is nearest to the object's centre.
const Sector* NearestSector(const CWorld& world, const CNBObject& object)
{
    const Sector* nearest = nullptr;
    float best = FLT_MAX;
    for (const Sector* sector : world.sectors) {
        const float d = Vector3::Sub(object.Center, sector->position).Length();
        if (d < best) best = d, nearest = sector;
    }
    return nearest;
}

// Every object in exactly one sector, the nearest, and linked to it.
void ExpectInNearestSectors(const CWorld& world, const char* when)
{
    SCOPED_TRACE(when);
    for (const CNBObject* object : world.objects) {
        const Sector* nearest = NearestSector(world, *object);
        EXPECT_EQ(object->SectorLink, nearest) << (object->Name ? object->Name : "ground");
        int holders = 0;
        for (const Sector* sector : world.sectors)
            holders += static_cast<int>(std::count(sector->objects.begin(), sector->objects.end(), object));
        EXPECT_EQ(holders, 1);
        EXPECT_EQ(std::count(nearest->objects.begin(), nearest->objects.end(), object), 1);
    }
}

std::vector<std::u16string> NamesOf(const QuickBar& bar)
{
    std::vector<std::u16string> names;
    for (const BlockType* type : bar) names.push_back(type->name);
    return names;
}

std::vector<uint8_t> FileBytes(const std::string& path)
{
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(platform::ReadWholeFile(path, bytes)) << path;
    return bytes;
}

// A start directory holding the shipped block library (from the build's data
// beside the tests) and an empty Worlds folder.
class SceneModel : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::vector<platform::DirectoryEntry> entries;
        ASSERT_TRUE(platform::ListDirectory("Blocks", entries));
        for (const platform::DirectoryEntry& entry : entries) {
            if (entry.isDirectory) continue;
            const std::vector<uint8_t> bytes = FileBytes("Blocks/" + entry.name);
            folder_.Write("Blocks/" + entry.name, std::string(bytes.begin(), bytes.end()));
        }
        folder_.MakeFolder("Worlds");
    }

    TempDirectory folder_;
    ScopedStartDirectory start_{folder_.Path()};
    const std::vector<int> before_ = LiveBlocks();
};

}  // namespace

TEST_F(SceneModel, DroppedBodiesComeToRestOnTheGroundInTheirNearestSectorsAndThePoleBends)
{
    {
        PhysicsWorld physics;
        {
            CWorld world;
            Scene scene;
            ASSERT_NO_FATAL_FAILURE(BuildScene(world, physics, scene));
            EXPECT_EQ(world.GetObjectCount(), 64 + 5 + 1);
            EXPECT_EQ(physics.World()->getNumCollisionObjects(), 64 + 5);
            ExpectInNearestSectors(world, "as built");
            const Sector* boxSectorBefore = scene.dropped[0]->SectorLink;

            Settle(world, physics, scene);
            for (size_t i = 0; i < scene.dropped.size(); ++i) {
                const CNBObject& object = *scene.dropped[i];
                SCOPED_TRACE(object.Name);
                EXPECT_NEAR(object.BoxMin.y, 0.0f, 0.05f);  // the unit mesh stands on the floor
                EXPECT_LT(object.PhysicBody->Body->getLinearVelocity().length(), 0.05);
                const Vector3 start = i == 0 ? kBoxDraggedTo : kDrops[i].start;
                EXPECT_NEAR(object.Position.x, start.x, 1.0f);  // about where it was dropped
                EXPECT_NEAR(object.Position.z, start.z, 1.0f);
            }
            ExpectInNearestSectors(world, "after the simulation");
            EXPECT_NE(scene.dropped[0]->SectorLink, boxSectorBefore);  // the dragged box changed sector

            // Five steps of 0.15 s reach the second key: bone 0 stays, bone 1 leans.
            CNBObject& pole = *scene.pole;
            for (int step = 0; step < 5; ++step) pole.AnimatePose(0.15f, Vector3{});
            ASSERT_EQ(pole.AnimationMode, 2) << "the animation switched itself off";
            EXPECT_NEAR(pole.Pose[0].matrix.m[0], 1.0f, 1e-4f);
            EXPECT_NEAR(std::fabs(pole.Pose[1].matrix.m[1]), 0.5f, 1e-3f);  // 30 degrees
        }
        // The world's destruction took every body and shape out of the Bullet world.
        EXPECT_EQ(physics.World()->getNumCollisionObjects(), 0);
        EXPECT_EQ(physics.Shapes()->size(), 0);
    }
    EXPECT_EQ(LiveBlocks(), before_);
}

TEST_F(SceneModel, ASavedWorldLoadsAndSavesAgainByteForByte)
{
    const std::string first = folder_.File("Worlds/scene.vsk");
    const std::string second = folder_.File("Worlds/scene_again.vsk");
    {
        PhysicsWorld physics;
        PhysicsWorld physicsAgain;
        {
            CWorld world;
            Scene scene;
            ASSERT_NO_FATAL_FAILURE(BuildScene(world, physics, scene));
            Settle(world, physics, scene);
            world.AssignSectors();  // the scene's periodic full reassignment
            // The reader numbers objects stored without an id and recomputes
            // every object's bounds, whose centre copy the file keeps (a moved
            // object's copy is stale until then). This world is brought to that
            // state first, so its reload must write every byte back unchanged.
            for (size_t i = 0; i < world.objects.size(); ++i) {
                world.objects[i]->Id = i + 1;
                world.objects[i]->ComputeBounds();
            }
            ASSERT_EQ(world.SaveWorldFile(first.c_str()), 1);

            // As the scene enters a saved world: read it, build its GPU side
            // (and library), rebuild the bodies it describes, sort the objects
            // into the sectors read.
            CWorld again;
            ASSERT_EQ(again.LoadWorldFile(first.c_str()), 1);
            again.GenerateWorld();
            ASSERT_NO_FATAL_FAILURE(BuildBodies(again, physicsAgain));
            again.AssignSectors();
            ASSERT_EQ(again.SaveWorldFile(second.c_str()), 1);

            const std::vector<uint8_t> firstBytes = FileBytes(first);
            const std::vector<uint8_t> secondBytes = FileBytes(second);
            ASSERT_EQ(secondBytes.size(), firstBytes.size());
            const auto [differs, unused] = std::mismatch(firstBytes.begin(), firstBytes.end(), secondBytes.begin());
            EXPECT_TRUE(differs == firstBytes.end()) << "first difference at byte " << (differs - firstBytes.begin());

            // The bytes carry everything; the rebuilt side must match too.
            ExpectInNearestSectors(again, "loaded");  // the centres read are the stored boxes' centres
            EXPECT_EQ(physicsAgain.World()->getNumCollisionObjects(), physics.World()->getNumCollisionObjects());
            EXPECT_EQ(NamesOf(again.quickBar), NamesOf(world.quickBar));
        }
        EXPECT_EQ(physics.World()->getNumCollisionObjects(), 0);
        EXPECT_EQ(physicsAgain.World()->getNumCollisionObjects(), 0);
    }
    EXPECT_EQ(LiveBlocks(), before_);
}
