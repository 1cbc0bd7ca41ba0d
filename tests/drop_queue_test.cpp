// The drop queue (records, pacing, the mark record), the recorded pushes, and
// forgetting a deleted object.
#include <gtest/gtest.h>

#include <btBulletDynamicsCommon.h>

#include <cstdint>
#include <vector>

#include "platform/clock.h"
#include "scene/scene.h"
#include "support/temp_directory.h"
#include "support/world_objects.h"
#include "world/block_type.h"
#include "world/object.h"
#include "world/physic_body.h"
#include "world/world.h"

namespace {

// A scene with an empty world and its physics, a fake clock and a current
// block type.
class DropQueue : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::SetClockSource([this] { return clock_; });
        LastDropTime = 0;
        scene_.world = new CWorld;
        scene_.InitPhysicsWorld();
        MakeCubeType(cube_, u"cube");
        scene_.world->currentBlockType = &cube_;
        scene_.cursor3D = Vector3{1.0f, 2.0f, 3.0f};
    }
    void TearDown() override { platform::SetClockSource({}); }

    size_t ObjectCount() const { return scene_.world->objects.size(); }

    CNBObject* AddObject(int kind)
    {
        auto* object = new CNBObject;
        object->Kind = kind;
        scene_.world->objects.push_back(object);
        return object;
    }

    // An object with a box body of this mass at rest in the scene's world.
    CNBObject* AddBody(float mass, float x)
    {
        CNBObject* object = AddObject(2);
        object->Mass = mass;
        object->StaticFlag = 0;
        object->InitODEPhysic();
        object->PhysicBody->CreateBoxBody(object, scene_.physics.dynamicsWorld, scene_.physics.collisionShapes,
                                          Vector3{x, 0.0f, 0.0f}, 0.5f, 0.5f, 0.5f, mass);
        return object;
    }

    static float SpeedZ(const CNBObject* object)
    {
        return static_cast<float>(object->PhysicBody->Body->getLinearVelocity().z());
    }

    TempDirectory folder_;
    ScopedStartDirectory start_{folder_.Path()};
    uint32_t clock_ = 1000000;
    BlockType cube_;
    CScene scene_;  // declared last: goes first, with its world, while the block type is still there
};

TEST_F(DropQueue, ObjectsDropOntoTheCursorAtMostEvery301ms)
{
    scene_.SetDropRecord(DropRecord{"cube", 0, 0});
    scene_.ProcessDropQueue();
    ASSERT_EQ(ObjectCount(), 1u);
    const CNBObject* dropped = scene_.world->objects[0];
    EXPECT_FLOAT_EQ(dropped->WorldMatrix.m[12], 1.0f);
    EXPECT_FLOAT_EQ(dropped->WorldMatrix.m[13], 32.0f);
    EXPECT_FLOAT_EQ(dropped->WorldMatrix.m[14], 3.0f);

    clock_ += 300;
    scene_.ProcessDropQueue();
    EXPECT_EQ(ObjectCount(), 1u);
    clock_ += 1;
    scene_.ProcessDropQueue();
    EXPECT_EQ(ObjectCount(), 2u);
    EXPECT_EQ(scene_.dropQueue.size(), 1u);  // it keeps dropping until removed

    // Two continuous records share the one pacing: one object per pass.
    scene_.dropQueue.push_back(DropRecord{"second", 0, 0});
    clock_ += 301;
    scene_.ProcessDropQueue();
    EXPECT_EQ(ObjectCount(), 3u);
}

TEST_F(DropQueue, DroppedObjectIsPushedAlongTheViewingAxis)
{
    scene_.mainCamera.orientation.SetIdentity();  // looking along +z
    scene_.options.sceneValueB = 0.0f;            // no spread
    scene_.options.sceneValueC = 0.0f;            // no spin
    scene_.SetDropRecord(DropRecord{"", 0, 0});
    scene_.ProcessDropQueue();
    ASSERT_EQ(ObjectCount(), 1u);
    const CNBObject* dropped = scene_.world->objects[0];
    ASSERT_TRUE(dropped->PhysicBody && dropped->PhysicBody->Body);
    const btRigidBody* body = dropped->PhysicBody->Body;
    EXPECT_NEAR(body->getLinearVelocity().x(), 0.0, 1e-5);
    EXPECT_NEAR(body->getLinearVelocity().z(), scene_.options.impulseStrength, 1e-4);
    EXPECT_TRUE(body->getAngularVelocity().isZero());

    scene_.options.sceneValueC = 2.0f;
    clock_ += 301;
    scene_.ProcessDropQueue();
    ASSERT_EQ(ObjectCount(), 2u);
    EXPECT_GT(scene_.world->objects[1]->PhysicBody->Body->getAngularVelocity().length(), 0.0);
}

TEST_F(DropQueue, DropThatMakesNoObjectStillTakesItsSlot)
{
    scene_.world->currentBlockType = nullptr;
    scene_.SetDropRecord(DropRecord{"", 0, 0});
    scene_.ProcessDropQueue();
    EXPECT_EQ(ObjectCount(), 0u);
    EXPECT_EQ(LastDropTime, clock_);
    EXPECT_EQ(scene_.lastThrowTime, clock_);
}

TEST_F(DropQueue, MarkRecordMarksAllButTheGroundOnceAndLeavesTheQueue)
{
    CNBObject* ground = AddObject(1);
    CNBObject* block = AddObject(2);
    CNBObject* other = AddObject(0);
    scene_.dropQueue = {DropRecord{"", 2, 0}, DropRecord{"", 0, 0}, DropRecord{"", 7, 0}};
    scene_.ProcessDropQueue();

    EXPECT_EQ(ground->FreshDrop, 0);
    EXPECT_EQ(block->FreshDrop, 1);
    EXPECT_EQ(other->FreshDrop, 1);
    ASSERT_EQ(scene_.dropQueue.size(), 2u);
    EXPECT_EQ(scene_.dropQueue[0].key, 0);
    EXPECT_EQ(scene_.dropQueue[1].key, 7);
    EXPECT_EQ(ObjectCount(), 4u);  // the record behind the mark ran in the same pass
}

TEST_F(DropQueue, RecordedPushesFireTogetherAndAgain)
{
    CNBObject* heavy = AddBody(4.0f, 0.0f);
    CNBObject* light = AddBody(1.0f, 3.0f);
    const Vector3 forward{0.0f, 0.0f, 1.0f};
    scene_.recordedObjects = {{heavy, forward}, {light, forward}};
    scene_.RecordObjectUnderCursor();  // nothing under the cursor: a record that does nothing
    ASSERT_EQ(scene_.recordedObjects.size(), 3u);

    const float strength = scene_.options.impulseStrength;
    scene_.Flag(kFlagImpulseTimesMass) = 1;
    scene_.ApplyRecordedObjects();
    EXPECT_FLOAT_EQ(SpeedZ(heavy), strength);  // the same speed change for both
    EXPECT_FLOAT_EQ(SpeedZ(light), strength);

    scene_.Flag(kFlagImpulseTimesMass) = 0;
    scene_.ApplyRecordedObjects();  // the list stays for the next Enter
    EXPECT_FLOAT_EQ(SpeedZ(heavy), strength + strength / 4.0f);
    EXPECT_FLOAT_EQ(SpeedZ(light), 2.0f * strength);
    EXPECT_TRUE(heavy->PhysicBody->Body->isActive());
}

TEST_F(DropQueue, DeletedObjectLeavesNoLinkBehind)
{
    CNBObject* doomed = AddBody(1.0f, 0.0f);
    CNBObject* kept = AddBody(1.0f, 3.0f);
    scene_.selectedObject = doomed;
    scene_.draggedObject = doomed;
    scene_.heldObject = doomed;
    scene_.keyMovedObjects = {doomed, kept};
    scene_.recordedObjects = {{doomed, Vector3{0.0f, 0.0f, 1.0f}}, {kept, Vector3{0.0f, 0.0f, 1.0f}}};
    scene_.previewObjects = {doomed};
    scene_.positionObject = doomed;

    scene_.world->RemoveObject(doomed);
    EXPECT_EQ(scene_.selectedObject, nullptr);
    EXPECT_EQ(scene_.draggedObject, nullptr);
    EXPECT_EQ(scene_.heldObject, nullptr);
    EXPECT_EQ(scene_.keyMovedObjects, std::vector<CNBObject*>{kept});
    ASSERT_EQ(scene_.recordedObjects.size(), 1u);
    EXPECT_EQ(scene_.recordedObjects[0].object, kept);
    EXPECT_TRUE(scene_.previewObjects.empty());
    EXPECT_EQ(scene_.positionObject, nullptr);

    // A new object at the freed address is not pushed by the old record.
    CNBObject* newcomer = AddBody(1.0f, 6.0f);
    scene_.ApplyRecordedObjects();
    EXPECT_FLOAT_EQ(SpeedZ(newcomer), 0.0f);
    EXPECT_GT(SpeedZ(kept), 0.0f);
}

}  // namespace
