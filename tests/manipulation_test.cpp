// Object manipulation: holding and releasing bodies, impulses, dragging, key
// moves, the wheel rotation and deleting.
#include <gtest/gtest.h>

#include <btBulletDynamicsCommon.h>

#include <cmath>
#include <cstdint>
#include <memory>

#include "platform/clock.h"
#include "scene/scene.h"
#include "support/temp_directory.h"
#include "support/world_objects.h"
#include "world/block_type.h"
#include "world/line.h"
#include "world/object.h"
#include "world/physic_body.h"
#include "world/sector.h"
#include "world/world.h"

namespace {

// A scene with an empty world and its physics, one large sector, a fake
// clock and the main camera at (0, 0, -5) looking along +z.
class Manipulation : public ::testing::Test {
protected:
    void SetUp() override
    {
        start_ = std::make_unique<ScopedStartDirectory>(folder_.Path());
        platform::SetClockSource([this] { return clock_; });
        scene_ = std::make_unique<CScene>();
        scene_->world = new CWorld;
        scene_->InitPhysicsWorld();
        auto* sector = new Sector;
        sector->radius = 1000.0f;
        scene_->world->sectors.push_back(sector);
        scene_->mainCamera.orientation.SetIdentity();
        scene_->mainCamera.position = Vector3{0.0f, 0.0f, -5.0f};
        scene_->mainCamera.UpdateViewMatrix();
    }

    void TearDown() override
    {
        delete scene_->world;
        scene_->world = nullptr;
        scene_.reset();
        platform::SetClockSource({});
    }

    // A unit cube with a box body of this mass at (x, 0, 0), in the world's
    // list and sector.
    CNBObject* AddBody(float mass, float x, int kind = 2)
    {
        BlockType& type = types_[typeCount_++ % 8];
        MakeCubeType(type, u"cube");
        type.mass = mass;
        CNBObject* object = scene_->CreateObjectFromBlockType(&type, 1, 1, x, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f);
        if (!object) return nullptr;
        object->Kind = kind;
        scene_->world->sectors[0]->objects.push_back(object);
        return object;
    }

    static btRigidBody* Body(const CNBObject* object) { return object->PhysicBody->Body; }
    static bool IsStatic(const CNBObject* object)
    {
        return (Body(object)->getCollisionFlags() & btCollisionObject::CF_STATIC_OBJECT) != 0;
    }

    TempDirectory folder_;
    std::unique_ptr<ScopedStartDirectory> start_;
    uint32_t clock_ = 1000000;
    std::unique_ptr<CScene> scene_;
    BlockType types_[8];
    int typeCount_ = 0;
};

}  // namespace

TEST_F(Manipulation, HeldBodiesAreReleasedStrictlyAfter1500ms)
{
    CNBObject* a = AddBody(1.0f, 0.0f);
    CNBObject* b = AddBody(1.0f, 3.0f);
    CNBObject* c = AddBody(1.0f, 6.0f);
    CNBObject* fixed = AddBody(0.0f, 9.0f);  // static before it was held
    for (CNBObject* object : {a, b, c, fixed}) scene_->HoldBody(object);
    scene_->HoldBody(a);  // at most once in the list
    ASSERT_EQ(scene_->keyMovedObjects.size(), 4u);
    EXPECT_TRUE(IsStatic(a));

    clock_ += 1500;
    scene_->ReleaseMovedBodies(0);
    EXPECT_EQ(scene_->keyMovedObjects.size(), 4u);

    clock_ += 1;
    scene_->ReleaseMovedBodies(0);  // every entry in one call, not every second one
    EXPECT_TRUE(scene_->keyMovedObjects.empty());
    for (CNBObject* object : {a, b, c}) EXPECT_FALSE(IsStatic(object));
    EXPECT_TRUE(IsStatic(fixed));

    // Scaling gives a held object a new body, which nothing holds: its entry
    // goes at the next look.
    scene_->HoldBody(a);
    scene_->ScaleObject(a, 2.0f, 2.0f, 2.0f);
    clock_ += 1;
    scene_->ReleaseMovedBodies(0);
    EXPECT_TRUE(scene_->keyMovedObjects.empty());
}

TEST_F(Manipulation, ImpulseAtAimScalesByMassUnderFlag284AndActsAtTheHitPoint)
{
    CNBObject* heavy = AddBody(50.0f, 0.3f);  // the aim passes 0.3 left of its centre
    scene_->Flag(284) = 1;
    scene_->ApplyImpulseAtAim(0);
    const btVector3 v = Body(heavy)->getLinearVelocity();
    EXPECT_NEAR(v.z(), scene_->options.impulseStrength, 1e-4);  // the same speed change for every mass

    Body(heavy)->setLinearVelocity(btVector3(0, 0, 0));
    scene_->Flag(284) = 0;
    scene_->ApplyImpulseAtAim(0);
    EXPECT_NEAR(Body(heavy)->getLinearVelocity().z(), scene_->options.impulseStrength / 50.0, 1e-4);

    // At the hit (0, 0, -0.5): the offset from the centre, in world axes, is
    // (-0.3, 0, -0.5), so the push along +z also spins the body about +y. The
    // body is turned a quarter about z (a cube looks the same) so that an
    // offset taken in its own axes would spin it about x instead.
    Body(heavy)->setLinearVelocity(btVector3(0, 0, 0));
    btTransform turned = Body(heavy)->getWorldTransform();
    turned.setRotation(btQuaternion(btVector3(0, 0, 1), SIMD_HALF_PI));
    Body(heavy)->setWorldTransform(turned);
    scene_->ApplyImpulseAtAim(1);
    const double strength = scene_->options.impulseStrength;
    const btVector3 spin = Body(heavy)->getAngularVelocity();
    EXPECT_NEAR(Body(heavy)->getLinearVelocity().z(), strength / 50.0, 1e-4);
    EXPECT_NEAR(spin.x(), 0.0, 1e-6);
    EXPECT_NEAR(spin.y(), 0.3 * strength / (50.0 / 6.0), 1e-5);  // a unit cube's inertia: m / 6
    EXPECT_NEAR(spin.z(), 0.0, 1e-6);
}

TEST_F(Manipulation, DragKeyMoveAndWheelKeepTheObjectInStepWithItsBody)
{
    CNBObject* object = AddBody(1.0f, 0.0f);
    scene_->selectedObject = object;
    scene_->pickHitPoint = Vector3{0.0f, 0.0f, -0.5f};

    scene_->MoveSelected(1);  // x + step
    EXPECT_EQ(scene_->draggedObject, object);
    EXPECT_NEAR(object->Position.x, 0.1f, 1e-5f);
    EXPECT_TRUE(IsStatic(object));

    // A horizontal aim never meets the grab plane: nothing moves, nothing
    // turns infinite.
    scene_->lastViewDirection = Vector3{0.0f, 0.5f, 0.5f};
    scene_->DragWithMouse(0.0f);
    EXPECT_NEAR(object->WorldMatrix.m[12], 0.1f, 1e-5f);
    for (float value : object->WorldMatrix.m) EXPECT_TRUE(std::isfinite(value));

    // The wheel during a drag lifts by 0.1 per unit.
    scene_->DragWithMouse(2.0f);
    EXPECT_NEAR(object->Position.y, 0.2f, 1e-5f);

    // The wheel rotation turns the body about y in place and syncs the object.
    object->Moved = 0;
    scene_->RotateSelected(1.0f);
    EXPECT_NEAR(object->WorldMatrix.m[12], 0.1f, 1e-5f);
    EXPECT_NEAR(std::fabs(object->WorldMatrix.m[2]), std::sin(15.0f * 3.14159265f / 180.0f), 1e-4f);
    EXPECT_EQ(object->Moved, 1);

    // The wheel with a rotation key held turns the dragged object in place too.
    CNBObject* away = AddBody(1.0f, 10.0f);
    scene_->draggedObject = away;
    scene_->RotateDraggedObject(0.0f, 0.0f, 15.0f);
    EXPECT_NEAR(away->Position.x, 10.0f, 1e-4f);
    EXPECT_NEAR(away->Position.z, 0.0f, 1e-4f);
    EXPECT_NEAR(Body(away)->getWorldTransform().getOrigin().x(), 10.0, 1e-4);
    EXPECT_NEAR(std::fabs(away->WorldMatrix.m[2]), std::sin(15.0f * 3.14159265f / 180.0f), 1e-4f);

    // Ground objects are never moved.
    CNBObject* ground = AddBody(0.0f, 5.0f, 1);
    scene_->selectedObject = ground;
    scene_->MoveSelected(1);
    EXPECT_NEAR(ground->WorldMatrix.m[12], 5.0f, 1e-5f);
}

TEST_F(Manipulation, DeleteLeavesNoDanglingReference)
{
    CNBObject* object = AddBody(1.0f, 0.0f);
    CNBObject* other = AddBody(1.0f, 3.0f);
    scene_->selectedObject = object;
    scene_->draggedObject = object;
    scene_->HoldBody(object);
    scene_->HoldBody(other);
    scene_->soundingObjects.push_back(object);

    scene_->DeleteSelected();
    EXPECT_EQ(scene_->selectedObject, nullptr);
    EXPECT_EQ(scene_->draggedObject, nullptr);
    EXPECT_EQ(scene_->keyMovedObjects, std::vector<CNBObject*>{other});
    EXPECT_TRUE(scene_->soundingObjects.empty());
    EXPECT_EQ(scene_->world->sectors[0]->objects.size(), 1u);

    // Kind 1 is never deleted.
    CNBObject* ground = AddBody(0.0f, 5.0f, 1);
    scene_->selectedObject = ground;
    scene_->DeleteSelected();
    EXPECT_EQ(scene_->world->objects.size(), 2u);
}

TEST_F(Manipulation, ThrowAndPlaceMakeObjectsOfTheCurrentType)
{
    scene_->ThrowObject();  // no current block type: nothing, but the time is taken
    EXPECT_TRUE(scene_->world->objects.empty());
    EXPECT_EQ(scene_->lastThrowTime, clock_);

    CNBObject* model = AddBody(50.0f, 100.0f);  // makes types_[0] a cube of mass 50
    scene_->world->currentBlockType = &types_[0];
    scene_->options.sceneValueB = 0.0f;         // no random spread
    for (int scaled : {1, 0}) {
        scene_->Flag(284) = static_cast<uint8_t>(scaled);
        scene_->ThrowObject();
        CNBObject* thrown = scene_->world->objects.back();
        ASSERT_NE(thrown, model);
        const double expected = scaled ? scene_->options.impulseStrength : scene_->options.impulseStrength / 50.0;
        EXPECT_NEAR(Body(thrown)->getLinearVelocity().z(), expected, 1e-4);
        EXPECT_GT(thrown->WorldMatrix.m[14], -5.0f);  // ahead of the viewer
    }

    // Aiming at nothing places at the origin without a resting step.
    scene_->mainCamera.position = Vector3{0.0f, 50.0f, -5.0f};
    scene_->mainCamera.UpdateViewMatrix();
    const size_t before = scene_->world->objects.size();
    scene_->PlaceObjectAtCursor();
    ASSERT_EQ(scene_->world->objects.size(), before + 1);
    const CNBObject* placed = scene_->world->objects.back();
    EXPECT_FLOAT_EQ(placed->WorldMatrix.GetTranslation().Length(), 0.0f);
}

// Looking down at the floor, or at a wall close by, from where the viewer
// stands: the thrown object starts on the viewer's side of it, never below
// the floor or beyond the wall.
TEST_F(Manipulation, AThrowAtAFixedSurfaceCloseByStartsInFrontOfIt)
{
    AddBody(0.0f, 0.0f, 1);  // a fixed cube, its top at 0.5
    AddBody(0.0f, 6.0f, 1);  // a second one ahead of a viewer looking along +x
    scene_->world->currentBlockType = &types_[0];
    Vector3 up{0.0f, 0.0f, 1.0f};
    scene_->mainCamera.LookAt(Vector3{0.0f, 2.0f, 0.0f}, Vector3{0.0f, 0.0f, 0.01f}, up);
    scene_->mainCamera.position = Vector3{0.0f, 2.0f, 0.0f};
    scene_->ThrowObject();
    EXPECT_GT(scene_->world->objects.back()->Center.y, 0.5f);

    Vector3 level{0.0f, 1.0f, 0.0f};
    scene_->mainCamera.LookAt(Vector3{4.2f, 0.0f, 0.0f}, Vector3{6.0f, 0.0f, 0.0f}, level);
    scene_->mainCamera.position = Vector3{4.2f, 0.0f, 0.0f};
    scene_->ThrowObject();
    EXPECT_LT(scene_->world->objects.back()->Center.x, 5.5f);
}

TEST_F(Manipulation, MaterialCopyAndClearScene)
{
    CNBObject* a = AddBody(1.0f, 0.0f);
    CNBObject* b = AddBody(1.0f, 3.0f);
    CNBObject* c = AddBody(1.0f, 6.0f);
    a->Diffuse.v[0] = 0.5f;
    a->TypeName.clear();
    scene_->CopyMaterialToNamesakes(a);  // no name: nothing changes
    EXPECT_NE(b->Diffuse.v[0], 0.5f);
    a->TypeName = u"crate";
    b->TypeName = u"crate";
    c->TypeName = u"Crate";  // names compare case-sensitively
    scene_->CopyMaterialToNamesakes(a);
    EXPECT_FLOAT_EQ(b->Diffuse.v[0], 0.5f);
    EXPECT_NE(c->Diffuse.v[0], 0.5f);

    scene_->selectedObject = a;
    scene_->draggedObject = b;
    scene_->HoldBody(c);
    scene_->ClearScene();
    EXPECT_TRUE(scene_->world->objects.empty());
    EXPECT_EQ(scene_->selectedObject, nullptr);
    EXPECT_EQ(scene_->draggedObject, nullptr);
    EXPECT_TRUE(scene_->keyMovedObjects.empty());
}

TEST_F(Manipulation, SelectedLinePointsFollowTheAim)
{
    auto* line = new CLine;
    for (const Vector3& point : {Vector3{0.0f, 0.0f, 0.0f}, Vector3{1.0f, 0.0f, 0.0f}})
        if (Vector3* slot = line->AddPoint()) *slot = point;
    scene_->world->lines.push_back(line);
    ASSERT_EQ(line->pointMarks.size(), 2u);
    line->pointMarks[1] = 1;
    line->active = 1;
    scene_->ActivateFlaggedLine();
    EXPECT_EQ(scene_->world->selectedLine, line);

    // Looking down from (0, 5, -5) at 45 degrees: the aim meets y = 0 at z = 0.
    scene_->mainCamera.position = Vector3{0.0f, 5.0f, -5.0f};
    scene_->mainCamera.Pitch(-45.0f);
    scene_->mainCamera.UpdateViewMatrix();
    scene_->grabPoint = Vector3{1.0f, 0.0f, -1.0f};
    scene_->lastViewDirection = Vector3{0.0f, 0.0f, 1.0f};
    scene_->EditLinePoint(1);
    const Vector3 forward = scene_->ViewForward();
    ASSERT_GT(std::fabs(forward.y), 0.1f);
    const float t = -5.0f / forward.y;
    EXPECT_NEAR(scene_->grabPoint.z, -5.0f + t * forward.z, 1e-4f);
    EXPECT_NEAR(line->points[1].z, scene_->grabPoint.z + 1.0f, 1e-4f);
    EXPECT_FLOAT_EQ(line->points[0].z, 0.0f);

    // A level aim is skipped instead of sending the points to infinity.
    scene_->mainCamera.orientation.SetIdentity();
    scene_->mainCamera.UpdateViewMatrix();
    const Vector3 before = line->points[1];
    scene_->EditLinePoint(1);
    EXPECT_FLOAT_EQ(line->points[1].z, before.z);
}
