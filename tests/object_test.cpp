// CNBObject and ObjectPart: parts and meshes with their heaps, bounds, the
// physics hand-over, animation, and the plane helpers.
#include <gtest/gtest.h>

#include <btBulletDynamicsCommon.h>

#include <cmath>
#include <string>

#include "platform/heap.h"
#include "support/physics_world.h"
#include "support/temp_directory.h"
#include "world/object.h"
#include "world/object_part.h"
#include "world/physic_body.h"
#include "world/polygons_grid.h"

namespace {

// An axis-aligned box mesh from (0, 0, 0) to size as eight vertices and twelve triangles.
void MakeBoxMesh(ObjectPart& part, const Vector3& size)
{
    ASSERT_TRUE(part.CreateGrid(8, 12, 0));
    CPolygonsGrid* mesh = part.mainMesh;
    for (int i = 0; i < 8; ++i)
        mesh->positions[i] = Vector3{(i & 1) ? size.x : 0.0f, (i & 2) ? size.y : 0.0f, (i & 4) ? size.z : 0.0f};
    const uint16_t triangles[36] = {0, 1, 3, 0, 3, 2, 4, 6, 7, 4, 7, 5, 0, 4, 5, 0, 5, 1,
                                    2, 3, 7, 2, 7, 6, 0, 2, 6, 0, 6, 4, 1, 5, 7, 1, 7, 3};
    for (int i = 0; i < 36; ++i) mesh->cornerIndices[i] = triangles[i];
    mesh->SaveBasePositions();
    for (int f = 0; f < 12; ++f) {
        PolygonFace& face = mesh->faces[f];
        face.corners = 3;
        face.firstIndex = 3 * f;
        face.cornerIndices = mesh->cornerIndices + 3 * f;
        face.VertexFormat = 0x1001;
        face.AllocateTexCoords(1);
    }
}

Matrix4 Translation(float x, float y, float z)
{
    Matrix4 m;
    m.SetIdentity();
    m.m[12] = x, m.m[13] = y, m.m[14] = z;
    return m;
}

// Every transformed corner of the local box lies in the world box.
void ExpectBoxHoldsCorners(const CNBObject& object, const Vector3& size)
{
    const float* m = object.WorldMatrix.m;
    for (int i = 0; i < 8; ++i) {
        const Vector3 p{(i & 1) ? size.x : 0.0f, (i & 2) ? size.y : 0.0f, (i & 4) ? size.z : 0.0f};
        const float x = m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12];
        const float y = m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13];
        const float z = m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14];
        EXPECT_LE(object.BoxMin.x, x + 1e-5f);
        EXPECT_LE(object.BoxMin.y, y + 1e-5f);
        EXPECT_LE(object.BoxMin.z, z + 1e-5f);
        EXPECT_GE(object.BoxMax.x, x - 1e-5f);
        EXPECT_GE(object.BoxMax.y, y - 1e-5f);
        EXPECT_GE(object.BoxMax.z, z - 1e-5f);
    }
}

// A key-animated object: one bone, keys at the given times with the given rotations
// (quaternions) and translations.
void SetKeys(CNBObject& object, const std::vector<float>& times, const std::vector<Vector4>& rotations,
             const std::vector<Vector3>& translations)
{
    object.AnimationMode = 1;
    object.BoneCount = 1;
    object.KeyCount = static_cast<int32_t>(times.size());
    object.KeyRecordCount = object.KeyCount;
    object.KeyTimes = times;
    for (size_t k = 0; k < times.size(); ++k) {
        BoneKey key;
        key.matrix.FromQuaternion(rotations[k]);
        key.matrix.m[12] = translations[k].x;
        key.matrix.m[13] = translations[k].y;
        key.matrix.m[14] = translations[k].z;
        object.BoneKeys.push_back(key);
    }
    object.InitBones();
}

}  // namespace

TEST(Object, PartsOwnTheirMeshesAndReplaceThem)
{
    CNBObject object;
    ASSERT_TRUE(object.AllocateParts(2));
    ObjectPart* part = object.GetPart(1);
    ASSERT_NE(part, nullptr);
    EXPECT_EQ(object.GetPart(2), nullptr);

    ASSERT_TRUE(part->CreateGrid(4, 0, 1));
    ASSERT_TRUE(part->CreateGrid(3, 1, 0));  // the first mesh is freed
    EXPECT_EQ(CPolygonsGrid::Heap().LiveCount(), 1);
    EXPECT_FALSE(part->CreateGrid(70000, 0, 0));
    EXPECT_EQ(part->mainMesh, nullptr);
    EXPECT_EQ(CPolygonsGrid::Heap().LiveCount(), 0);

    EXPECT_EQ(part->CreateFurtherMesh(3), nullptr);
    EXPECT_EQ(part->CreateFurtherMesh(-1), nullptr);
    ASSERT_NE(part->CreateFurtherMesh(0), nullptr);
    ASSERT_NE(part->CreateFurtherMesh(0), nullptr);
    EXPECT_EQ(CPolygonsGrid::Heap().LiveCount(), 1);

    ASSERT_EQ(part->CreateGridLevels(64, 32), 1);
    EXPECT_EQ(part->furtherMeshes[0]->columnCount1, 33);
    EXPECT_EQ(part->furtherMeshes[2]->rowCount1, 5);
    EXPECT_EQ(CPolygonsGrid::Heap().LiveCount(), 4);

    ObjectPart& first = *object.GetPart(0);
    ASSERT_EQ(first.CreateGridLevels(4, 1), 1);  // halving 1 gives 0: no levels
    EXPECT_EQ(first.furtherMeshes[0], nullptr);
    first.CreateFurtherMeshes();
    first.CreateFurtherMeshes();
    EXPECT_EQ(CPolygonsGrid::Heap().LiveCount(), 8);
}

TEST(Object, DeletingAnObjectGivesEveryHeapBack)
{
    const int sharedBefore = SharedHeap().LiveCount();
    {
        PhysicsWorld physics;
        CNBObject* object = new CNBObject;
        object->SetName("crate");
        object->SetSubName("lid");
        object->SetStringA("a");
        ASSERT_TRUE(object->AllocateParts(2));
        MakeBoxMesh(object->Parts[0], Vector3{1, 1, 1});
        ASSERT_EQ(object->Parts[1].CreateGridLevels(8, 8), 1);
        object->Parts[0].mainMesh->CreateVertexWeight(8);
        object->ComputeBounds();
        object->InitODEPhysic();
        ASSERT_NE(object->PhysicBody, nullptr);
        object->PhysicBody->CreateGImpactMeshBody(object, physics.World(), physics.Shapes(), object, Vector3{}, 1.0f);
        ASSERT_NE(object->PhysicBody->Body, nullptr);
        CNBObject::Delete(object);
        EXPECT_EQ(physics.World()->getNumCollisionObjects(), 0);
        EXPECT_EQ(physics.Shapes()->size(), 0);
    }
    EXPECT_FALSE(CNBObject::Heap().Exists());
    EXPECT_FALSE(ObjectPart::ArrayHeap().Exists());
    EXPECT_FALSE(CPolygonsGrid::Heap().Exists());
    EXPECT_FALSE(CPhysicBody::Heap().Exists());
    EXPECT_FALSE(WeightHeap::Heap().Exists());
    EXPECT_EQ(SharedHeap().LiveCount(), sharedBefore);
}

TEST(Object, FailedAllocationsLeaveAValidObject)
{
    TempDirectory folder;
    ScopedStartDirectory start(folder.Path());
    CNBObject object;
    ASSERT_TRUE(object.AllocateParts(1));
    platform::FailNextHeapAllocs(1);
    EXPECT_FALSE(object.AllocateParts(3));
    EXPECT_EQ(object.Parts, nullptr);
    EXPECT_EQ(object.PartCount, 0);
    EXPECT_FALSE(object.AllocateParts(-1));

    platform::FailNextHeapCreates(1);
    object.InitODEPhysic();
    platform::FailNextHeapCreates(0);
    EXPECT_EQ(object.PhysicBody, nullptr);
    EXPECT_NE(folder.Read("game.log").find("Error: CNBObject :: InitODEPhysic() = NULL \n"), std::string::npos);
}

TEST(Object, WorldBoxOfARotatedObjectHoldsEveryCorner)
{
    CNBObject object;
    ASSERT_TRUE(object.AllocateParts(1));
    const Vector3 size{1, 2, 3};
    MakeBoxMesh(object.Parts[0], size);
    Vector3 axisZ{0, 0, 1};
    Vector3 axisX{1, 0, 0};
    object.WorldMatrix.Rotate(axisZ, 45.0f);
    object.WorldMatrix.Rotate(axisX, 30.0f);
    object.WorldMatrix.m[12] = 5.0f, object.WorldMatrix.m[13] = -2.0f, object.WorldMatrix.m[14] = 7.0f;
    object.ComputeBounds();

    EXPECT_FLOAT_EQ(object.Radius, (Vector3{0.5f, 1.0f, 1.5f}.Length()));
    ExpectBoxHoldsCorners(object, size);

    object.WorldMatrix = Translation(1, 1, 1);
    object.UpdateWorldBounds();
    EXPECT_FLOAT_EQ(object.BoxMin.x, 1.0f);
    EXPECT_FLOAT_EQ(object.BoxMax.z, 4.0f);
    EXPECT_FLOAT_EQ(object.Center.y, 2.0f);
}

TEST(Object, KeyAnimationShowsItsKeysAndWrapsItsClock)
{
    CNBObject object;
    const float h = std::sqrt(0.5f);
    SetKeys(object, {0.0f, 1.0f, 2.0f}, {{{h, 0, 0, h}}, {{1, 0, 0, 0}}, {{h, h, 0, 0}}},
            {{1, 2, 3}, {0, 0, 0}, {4, 4, 4}});
    ASSERT_EQ(object.KeyRotations.size(), 3u);

    object.AnimatePose(0.0f, Vector3{});
    // Key 0 comes back as itself: a rotation is not inverted on the way.
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(object.WorldMatrix.m[i], object.BoneKeys[0].matrix.m[i], 1e-6f) << i;

    object.AnimatePose(2.5f, Vector3{});
    EXPECT_FLOAT_EQ(object.AnimationTime, 0.5f);
    EXPECT_FLOAT_EQ(object.WorldMatrix.m[12], 0.5f);  // halfway from (1, 2, 3) to (0, 0, 0)
    EXPECT_FLOAT_EQ(object.WorldMatrix.m[13], 1.0f);

    object.AnimatePose(1.5f, Vector3{});  // exactly at the last key: no wrap, key 2 unblended
    EXPECT_FLOAT_EQ(object.AnimationTime, 2.0f);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(object.WorldMatrix.m[i], object.BoneKeys[2].matrix.m[i], 1e-6f) << i;

    object.AnimationFlags = 4;
    object.Center = Vector3{121, 0, 0};
    const Matrix4 kept = object.WorldMatrix;
    object.AnimatePose(0.5f, Vector3{});
    EXPECT_FLOAT_EQ(object.AnimationTime, 0.5f);  // the clock still runs
    for (int i = 0; i < 16; ++i) EXPECT_EQ(object.WorldMatrix.m[i], kept.m[i]);
}

TEST(Object, SkeletonPosesItsFirstEightyBones)
{
    CNBObject object;
    object.AnimationMode = 2;
    object.BoneCount = 100;
    object.KeyCount = 2;
    object.KeyRecordCount = 200;
    object.KeyTimes = {0.0f, 1.0f};
    for (int k = 0; k < 2; ++k) {
        for (int b = 0; b < 100; ++b) {
            BoneKey key;
            key.bone = b;
            key.matrix = Translation(static_cast<float>(b), static_cast<float>(k), 0);
            object.BoneKeys.push_back(key);
        }
    }
    object.Pose.resize(100, BoneBind{Translation(0, 0, 0)});
    object.InitBones();
    ASSERT_EQ(object.InverseBind.size(), 100u);
    object.Center = Vector3{10, 0, 0};

    object.AnimatePose(0.5f, Vector3{});
    for (int b = 0; b < 80; ++b) {
        EXPECT_NEAR(object.Pose[b].matrix.m[12], 0.0f, 1e-4f) << b;
        EXPECT_NEAR(object.Pose[b].matrix.m[13], 0.5f, 1e-6f) << b;
    }
    EXPECT_EQ(object.Pose[80].matrix.m[13], 0.0f);
    EXPECT_FLOAT_EQ(object.RootPosition.y, 0.5f);
}

TEST(Object, InconsistentAnimationSwitchesItselfOff)
{
    TempDirectory folder;
    ScopedStartDirectory start(folder.Path());
    CNBObject object;
    SetKeys(object, {0.0f, 1.0f}, {{{1, 0, 0, 0}}, {{1, 0, 0, 0}}}, {{0, 0, 0}, {1, 0, 0}});
    object.KeyCount = 3;  // more keys than key times
    object.AnimatePose(0.1f, Vector3{});
    EXPECT_EQ(object.AnimationMode, 0);

    CNBObject skeleton;
    skeleton.AnimationMode = 2;
    skeleton.BoneCount = 2;
    skeleton.KeyCount = 1;
    skeleton.KeyRecordCount = 0;  // would divide by zero
    skeleton.KeyTimes = {0.0f};
    skeleton.BoneKeys.resize(2);
    skeleton.InitBones();
    skeleton.KeyRotations.resize(2);
    skeleton.AnimatePose(0.1f, Vector3{});
    EXPECT_EQ(skeleton.AnimationMode, 0);

    CNBObject shortKeys;
    shortKeys.AnimationMode = 2;
    shortKeys.BoneCount = 3;
    shortKeys.KeyRecordCount = 3;
    shortKeys.BoneKeys.resize(2);
    shortKeys.InitBones();
    EXPECT_EQ(shortKeys.AnimationMode, 0);
    EXPECT_TRUE(shortKeys.InverseBind.empty());

    const std::string log = folder.Read("game.log");
    EXPECT_NE(log.find("Error: CNBObject :: AnimatePose() inconsistent animation data\n"), std::string::npos);
    EXPECT_NE(log.find("Error: CNBObject :: InitBones() inconsistent animation data\n"), std::string::npos);
}
