// The scene's physics step: bodies copied back into their objects, paused
// physics, meshes and thin boxes on triangles, contact sounds and the step
// lock.
#include <gtest/gtest.h>

#include <btBulletDynamicsCommon.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "platform/critical_section.h"
#include "scene/scene.h"
#include "sound/sound_buffer.h"
#include "sound/sound_manager.h"
#include "support/temp_directory.h"
#include "world/object.h"
#include "world/object_part.h"
#include "world/physic_body.h"
#include "world/polygons_grid.h"
#include "world/world.h"

namespace {

constexpr int kSlide = 2;
constexpr int kImpact = 3;

// A scene with an empty world, its physics world, a steady 60 frames per
// second and a silent sound manager whose instances never load.
class PhysicsStep : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_.MakeFolder("Sounds");
        start_ = std::make_unique<ScopedStartDirectory>(folder_.Path());
        scene_ = std::make_unique<CScene>();
        scene_->world = new CWorld;
        scene_->InitPhysicsWorld();
        for (int i = 0; i < 4; ++i) scene_->timing.PushFpsSample(60.0f);
        scene_->timing.sceneClock = 5000;
        sound_.BackEnd = 0;
        scene_->soundManager = &sound_;
    }

    void TearDown() override
    {
        delete scene_->world;  // the objects take their bodies out of the dynamics world
        scene_->world = nullptr;
        scene_.reset();
    }

    // An object with a cube mesh of half size `half` at `at`, entered into the
    // world with a box body of that size; mass 0 makes a static floor.
    CNBObject* AddBox(const Vector3& at, float half, float mass, Vector3 halfExtents = {})
    {
        if (halfExtents.x == 0.0f) halfExtents = Vector3{half, half, half};
        auto* object = new CNBObject;
        object->WorldMatrix.SetIdentity();
        object->WorldMatrix.m[12] = at.x;
        object->WorldMatrix.m[13] = at.y;
        object->WorldMatrix.m[14] = at.z;
        object->UpdatePosition();
        object->Center = at;
        object->LocalBoxMin = halfExtents.Negate();
        object->LocalBoxMax = halfExtents;
        object->Mass = mass;
        object->StaticFlag = mass > 0.0f ? 0 : 1;
        object->InitODEPhysic();
        object->PhysicBody->CreateBoxBody(object, scene_->physics.dynamicsWorld, scene_->physics.collisionShapes, at,
                                          halfExtents.x, halfExtents.y, halfExtents.z, mass);
        scene_->world->objects.push_back(object);
        return object;
    }

    CNBObject* AddFloor() { return AddBox(Vector3{0.0f, -1.0f, 0.0f}, 0.0f, 0.0f, Vector3{20.0f, 1.0f, 20.0f}); }

    // An object in the world whose mesh is the triangles of `corners` over
    // the vertices `at(i)` (the mesh's own coordinates); no body yet.
    template <class Vertex>
    CNBObject* AddTriangles(int vertices, const std::vector<uint16_t>& corners, Vertex at)
    {
        auto* object = new CNBObject;
        scene_->world->objects.push_back(object);
        const int triangles = static_cast<int>(corners.size() / 3);
        if (!object->AllocateParts(1) || !object->GetPart(0)->CreateGrid(vertices, triangles, 0)) return object;
        CPolygonsGrid* mesh = object->GetPart(0)->mainMesh;
        for (int i = 0; i < vertices; ++i) mesh->positions[i] = at(i);
        for (int f = 0; f < triangles; ++f) {
            PolygonFace& face = mesh->faces[f];
            face.corners = 3;
            face.firstIndex = static_cast<uint32_t>(3 * f);
            face.cornerIndices = mesh->cornerIndices + 3 * f;
            for (int k = 0; k < 3; ++k) mesh->cornerIndices[3 * f + k] = corners[static_cast<size_t>(3 * f + k)];
        }
        return object;
    }

    // An object at `at` whose mesh is a box of twelve triangles; no body yet.
    CNBObject* AddBoxOfTriangles(const Vector3& at, const Vector3& half)
    {
        // Outward-facing: counter-clockwise seen from outside.
        CNBObject* object = AddTriangles(8, {0, 3, 1, 0, 2, 3, 4, 7, 6, 4, 5, 7, 0, 5, 4, 0, 1, 5,
                                             2, 7, 3, 2, 6, 7, 0, 6, 2, 0, 4, 6, 1, 7, 5, 1, 3, 7},
                                         [&half](int i) {
                                             return Vector3{i & 1 ? half.x : -half.x, i & 2 ? half.y : -half.y,
                                                            i & 4 ? half.z : -half.z};
                                         });
        object->WorldMatrix.m[12] = at.x;
        object->WorldMatrix.m[13] = at.y;
        object->WorldMatrix.m[14] = at.z;
        object->InitODEPhysic();
        return object;
    }

    // A box of triangles with a moving-mesh (GImpact) body.
    CNBObject* AddMeshBox(const Vector3& at, const Vector3& half, float mass)
    {
        CNBObject* object = AddBoxOfTriangles(at, half);
        if (!object->Parts) return object;
        object->StaticFlag = mass > 0.0f ? 0 : 1;
        object->Mass = mass;
        object->PhysicBody->CreateGImpactMeshBody(object, scene_->physics.dynamicsWorld,
                                                  scene_->physics.collisionShapes, object, at, mass);
        return object;
    }

    // The blank world's floor: two triangles 60 wide facing up at height 0,
    // with a static mesh body; their shared edge runs along x = z.
    CNBObject* AddFloorOfTriangles()
    {
        CNBObject* floor = AddTriangles(4, {0, 2, 3, 0, 3, 1}, [](int i) {
            return Vector3{i & 1 ? 30.0f : -30.0f, 0.0f, i & 2 ? 30.0f : -30.0f};
        });
        if (!floor->Parts) return floor;
        floor->InitODEPhysic();
        floor->PhysicBody->CreateBvhMeshBody(floor, scene_->physics.dynamicsWorld, scene_->physics.collisionShapes,
                                             floor);
        return floor;
    }

    void Step(int frames)
    {
        for (int i = 0; i < frames; ++i) {
            scene_->StepPhysics();
            scene_->timing.sceneClock += 16;
        }
    }

    static btVector3 Origin(const CNBObject* object) { return object->PhysicBody->Body->getWorldTransform().getOrigin(); }

    TempDirectory folder_;
    std::unique_ptr<ScopedStartDirectory> start_;
    CSoundManager sound_;
    std::unique_ptr<CScene> scene_;
};

TEST_F(PhysicsStep, FallingBoxCarriesItsObjectAlong)
{
    CNBObject* box = AddBox(Vector3{2.0f, 10.0f, -3.0f}, 0.5f, 1.0f);
    Step(30);

    const btVector3 origin = Origin(box);
    EXPECT_LT(origin.y(), 9.0);
    EXPECT_FLOAT_EQ(box->WorldMatrix.m[13], static_cast<float>(origin.y()));
    EXPECT_NEAR(box->BoxMin.y, origin.y() - 0.5, 1e-4);
    EXPECT_LT(box->GetMeanLinearVelocity().y, -1.0f);
}

TEST_F(PhysicsStep, PausedPhysicsFreezesBodiesObjectsAndSounds)
{
    AddFloor();
    CNBObject* box = AddBox(Vector3{0.0f, 0.6f, 0.0f}, 0.5f, 1.0f);
    box->PhysicBody->Body->setLinearVelocity(btVector3(0.0, -8.0, 0.0));
    scene_->options.physicsPaused = 1;

    // Moved by hand while paused: neither the simulation nor the copy back runs.
    box->PhysicBody->Body->getWorldTransform().setOrigin(btVector3(0.0, 0.7, 0.0));
    Step(20);

    EXPECT_DOUBLE_EQ(Origin(box).y(), 0.7);
    EXPECT_FLOAT_EQ(box->WorldMatrix.m[13], 0.6f);
    EXPECT_TRUE(box->Sounds.empty());
    EXPECT_EQ(box->ImpactTime, 0u);
}

TEST_F(PhysicsStep, HolderWithoutRigidBodyAndStaticObjectsAreLeftAlone)
{
    auto* empty = new CNBObject;
    empty->StaticFlag = 0;
    empty->InitODEPhysic();  // a holder, no body
    empty->WorldMatrix.m[13] = 4.0f;
    scene_->world->objects.push_back(empty);
    scene_->world->objects.push_back(nullptr);
    CNBObject* floor = AddFloor();
    floor->PhysicBody->Body->getWorldTransform().setOrigin(btVector3(0.0, -2.0, 0.0));

    Step(3);
    EXPECT_FLOAT_EQ(empty->WorldMatrix.m[13], 4.0f);
    EXPECT_FLOAT_EQ(floor->WorldMatrix.m[13], -1.0f);  // not simulated: not copied
    std::erase(scene_->world->objects, nullptr);
}

// Two moving-mesh (GImpact) bodies only collide through the GImpact algorithm.
TEST_F(PhysicsStep, MeshBodiesCollideBecauseGImpactIsRegistered)
{
    CNBObject* ground = AddMeshBox(Vector3{0.0f, -1.0f, 0.0f}, Vector3{2.0f, 1.0f, 2.0f}, 0.0f);
    CNBObject* cube = AddMeshBox(Vector3{0.0f, 2.0f, 0.0f}, Vector3{0.5f, 0.5f, 0.5f}, 1.0f);
    ASSERT_NE(ground->PhysicBody->Body, nullptr);
    ASSERT_NE(cube->PhysicBody->Body, nullptr);

    Step(180);
    EXPECT_GT(cube->WorldMatrix.m[13], 0.2f);  // resting on the ground, not fallen through
    EXPECT_LT(cube->WorldMatrix.m[13], 1.0f);
}

// The blank world's floor is the top faces of its tiles alone. Thin boxes
// thrown onto it land, slide and come to rest on it; thin boxes under a heavy
// pile are pressed more than halfway into it, and are pushed back out on top
// of it, not on through it.
TEST_F(PhysicsStep, ThinBoxesThrownOntoOrPressedIntoAFloorOfTrianglesStayOnIt)
{
    CNBObject* floor = AddFloorOfTriangles();
    ASSERT_TRUE(floor->PhysicBody && floor->PhysicBody->Body);

    // Tiles 0.1 and plates 0.05 thick, thrown at 5 to 9 m/s as the G key does.
    std::vector<CNBObject*> thin;
    for (int i = 0; i < 8; ++i) {
        const float halfHeight = i % 2 ? 0.025f : 0.05f;
        CNBObject* box = AddBox(Vector3{-20.0f + 5.0f * i, 1.0f, 0.0f}, 0.0f, 2.0f, Vector3{0.5f, halfHeight, 0.5f});
        box->PhysicBody->Body->setLinearVelocity(btVector3(4.0 + 0.5 * i, -3.0, 2.0 - 0.6 * i));
        thin.push_back(box);
    }
    // Three by three of them across the floor's diagonal under a pile of 80 boxes.
    for (int i = 0; i < 9; ++i) {
        const float halfHeight = i % 2 ? 0.025f : 0.05f;
        const Vector3 at{10.0f + 1.05f * (i % 3 - 1), halfHeight, 10.0f + 1.05f * (i / 3 - 1)};
        thin.push_back(AddBox(at, 0.0f, 2.0f, Vector3{0.5f, halfHeight, 0.5f}));
    }
    for (int i = 0; i < 80; ++i) {
        const Vector3 at{10.0f + 1.05f * (i % 2 - 0.5f), 0.65f + 1.1f * (i / 4), 10.0f + 1.05f * (i / 2 % 2 - 0.5f)};
        AddBox(at, 0.5f, 5.0f);
    }
    Step(300);
    for (const CNBObject* box : thin) EXPECT_GT(Origin(box).y(), 0.0) << Origin(box).x() << ", " << Origin(box).z();
}

// A box pressed against the side of a higher static box, its top just over
// the step's top, touches the step's top triangles from below their edge: it
// is not lifted onto the step.
TEST_F(PhysicsStep, ABoxPressedAgainstAHigherStepStaysBesideIt)
{
    ASSERT_NE(AddFloorOfTriangles()->PhysicBody->Body, nullptr);
    CNBObject* step = AddBoxOfTriangles(Vector3{0.0f, 0.5f, 0.0f}, Vector3{1.0f, 0.5f, 1.0f});
    step->PhysicBody->CreateBvhMeshBody(step, scene_->physics.dynamicsWorld, scene_->physics.collisionShapes, step);
    ASSERT_NE(step->PhysicBody->Body, nullptr);
    CNBObject* box = AddBox(Vector3{1.4f, 0.504f, 0.0f}, 0.5f, 5.0f);

    double highest = 0.0;
    for (int frame = 0; frame < 60; ++frame) {
        Step(1);
        highest = std::max(highest, Origin(box).y());
    }
    EXPECT_LT(highest, 0.6);
    EXPECT_NEAR(Origin(box).x(), 1.5, 0.05);
}

// ---- Contact sounds ----
TEST_F(PhysicsStep, HeadOnFloorHitRequestsAnImpact)
{
    AddFloor();
    CNBObject* box = AddBox(Vector3{0.0f, 3.0f, 0.0f}, 0.5f, 1.0f);
    for (int frame = 0; frame < 120 && box->ImpactTime == 0; ++frame) Step(1);

    ASSERT_NE(box->ImpactTime, 0u);
    EXPECT_GT(box->ImpactAngle, 170.0f);
    EXPECT_LT(box->ContactVelocity.y, -5.0f);
    CSoundBuffer* impact = box->FindSound(kImpact);
    ASSERT_NE(impact, nullptr);
    EXPECT_EQ(impact->PlayRequested, 1);
    EXPECT_EQ(box->FindSound(kSlide), nullptr);
    ASSERT_EQ(scene_->soundingObjects.size(), 1u);

    // Later hits reuse the instance.
    const size_t instances = scene_->soundInstances.size();
    Step(30);
    EXPECT_EQ(scene_->soundInstances.size(), instances);
}

TEST_F(PhysicsStep, SlidingContactRequestsASlide)
{
    // A box spinning in place on the floor (its corners slide although its
    // centre stays), then one sliding along it.
    AddFloor();
    CNBObject* spinning = AddBox(Vector3{0.0f, 0.49f, 6.0f}, 0.5f, 1.0f);
    spinning->PhysicBody->Body->setAngularVelocity(btVector3(0.0, 12.0, 0.0));
    CNBObject* box = nullptr;
    for (CNBObject** slider : {&spinning, &box}) {
        if (!*slider) {
            box = AddBox(Vector3{0.0f, 0.49f, 0.0f}, 0.5f, 1.0f);
            box->PhysicBody->Body->setLinearVelocity(btVector3(6.0, 0.0, 0.0));
        }
        Step(4);
        ASSERT_NE((*slider)->SlideTime, 0u);
        EXPECT_GT((*slider)->SlideAngle, 70.0f);
        EXPECT_LT((*slider)->SlideAngle, 110.0f);
        ASSERT_NE((*slider)->FindSound(kSlide), nullptr);
        EXPECT_EQ((*slider)->FindSound(kImpact), nullptr);
    }
    EXPECT_LT(spinning->GetMeanLinearVelocity().Length(), 0.1f);
}

TEST_F(PhysicsStep, ContactsAtASpeedOfOneOrLessAreQuiet)
{
    AddFloor();
    CNBObject* resting = AddBox(Vector3{0.0f, 0.49f, 0.0f}, 0.5f, 1.0f);
    CNBObject* creeping = AddBox(Vector3{5.0f, 0.49f, 0.0f}, 0.5f, 1.0f);
    creeping->PhysicBody->Body->setLinearVelocity(btVector3(0.9, 0.0, 0.0));
    Step(60);

    for (const CNBObject* box : {resting, creeping}) {
        EXPECT_TRUE(box->Sounds.empty());
        EXPECT_EQ(box->SlideTime, 0u);
        EXPECT_EQ(box->ImpactTime, 0u);
    }
    EXPECT_TRUE(scene_->soundInstances.empty());
}

TEST_F(PhysicsStep, WithoutASoundManagerContactsAreStillRecorded)
{
    scene_->soundManager = nullptr;
    AddFloor();
    CNBObject* box = AddBox(Vector3{0.0f, 3.0f, 0.0f}, 0.5f, 1.0f);
    Step(60);
    EXPECT_NE(box->ImpactTime, 0u);
    EXPECT_TRUE(box->Sounds.empty());
}

// ---- The step lock ----

int tickCalls = 0;
void StepAgainFromInsideTheStep(btDynamicsWorld* world, btScalar)
{
    ++tickCalls;
    static_cast<CScene*>(world->getWorldUserInfo())->StepPhysics();
}

TEST_F(PhysicsStep, StepCalledFromInsideAStepDoesNothing)
{
    CNBObject* box = AddBox(Vector3{0.0f, 10.0f, 0.0f}, 0.5f, 1.0f);
    scene_->physics.dynamicsWorld->setInternalTickCallback(StepAgainFromInsideTheStep, scene_.get());
    tickCalls = 0;
    Step(1);  // one sub-step at 60 frames per second, whose callback steps again
    EXPECT_EQ(tickCalls, 1);
    EXPECT_LT(Origin(box).y(), 10.0);
    scene_->physics.dynamicsWorld->setInternalTickCallback(nullptr);
}

}  // namespace
