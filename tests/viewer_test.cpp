// The viewer: free moves, falling onto a floor, climbing a step, jumping,
// the smooth camera's ramps, one fall per frame however many keys are held,
// the walking sound's requests, and the animation step of visible objects.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "scene/scene.h"
#include "sound/sound_buffer.h"
#include "world/object.h"
#include "world/sector.h"
#include "world/world.h"

namespace {

constexpr float kRestHeight = kViewerRadius;  // the viewer's height standing on a floor at 0

class Viewer : public ::testing::Test {
protected:
    Viewer()
    {
        scene_.world = new CWorld;
        scene_.world->RecreateSectors(1);
        scene_.mainCamera.orientation.SetIdentity();  // looking along +z
        scene_.options.moveFactor = 1.0f;
        SetFrameRate(50.0f);
    }
    ~Viewer() override
    {
        delete scene_.world;
        scene_.world = nullptr;
    }

    void SetFrameRate(float fps)
    {
        for (int i = 0; i < 7; ++i) scene_.timing.PushFpsSample(fps);
    }

    // A box whose top face lies at `top`, spanning [x0, x1] x [z0, z1].
    void AddBox(float x0, float x1, float z0, float z1, float top, float height = 1.0f)
    {
        scene_.world->CreateBoxObject(x1 - x0, height, Vector3{(x0 + x1) / 2, top - height / 2, (z0 + z1) / 2},
                                      z1 - z0, u"ground.dds", 1, 1, 1, 1, 1);
        scene_.world->AssignSectors();
    }

    // One frame of the direct path with the given record kinds, the list
    // emptied afterwards as the input dispatch does.
    void Frame(std::vector<int32_t> kinds = {})
    {
        for (int32_t kind : kinds) scene_.cameraMoves.push_back(CameraMove{0.0f, 0, kind, kind, 1});
        scene_.MoveViewer();
        scene_.cameraMoves.clear();
    }

    Vector3& Position() { return scene_.mainCamera.position; }

    CScene scene_;
};

}  // namespace

TEST_F(Viewer, FreePathMovesByTheFullDisplacement)
{
    scene_.options.flyCamera = 0;
    Position() = Vector3{1.0f, 5.0f, 2.0f};
    CCamera expected = scene_.mainCamera;
    Vector3 forward;
    Vector3 sideways;
    expected.ForwardStep(5.0f / 50.0f, forward);
    expected.SidewaysStep(-5.0f / 50.0f, sideways);

    Frame({kCameraForward, kCameraSidewaysBack});
    EXPECT_FLOAT_EQ(Position().x, 1.0f + forward.x + sideways.x);
    EXPECT_FLOAT_EQ(Position().z, 2.0f + forward.z + sideways.z);

    Frame({kCameraLower});  // the code of the slot named Up lowers
    EXPECT_FLOAT_EQ(Position().y, 4.9f);
}

TEST_F(Viewer, FallStopsOnTheFloorAndNeverStepsMoreThanEight)
{
    AddBox(-20, 20, -20, 20, 0.0f);
    Position() = Vector3{0.0f, 10.0f, 0.0f};
    SetFrameRate(0.25f);  // four seconds a frame: 16 units of fall, capped
    Frame();
    EXPECT_FLOAT_EQ(Position().y, 2.0f);
    Frame();  // a step through the whole floor still lands on it
    EXPECT_NEAR(Position().y, kRestHeight, 1e-5f);

    SetFrameRate(60.0f);
    Position() = Vector3{3.0f, 4.0f, 3.0f};
    float lowest = Position().y;
    for (int i = 0; i < 200; ++i) {
        const float before = Position().y;
        Frame();
        EXPECT_LE(before - Position().y, 4.0f / 60.0f + 1e-5f);
        lowest = std::fmin(lowest, Position().y);
    }
    EXPECT_NEAR(Position().y, kRestHeight, 1e-4f);
    EXPECT_GE(lowest, kRestHeight - 1e-4f);
}

TEST_F(Viewer, AViewerInsideABoxOnTheFloorNeitherSinksNorIsHeldInIt)
{
    AddBox(-20, 20, -20, 20, 0.0f);
    AddBox(-0.6f, 0.4f, -0.3f, 0.7f, 1.0f);  // placed at the viewer's feet: it stands inside
    SetFrameRate(9.0f);                        // a slow frame falls further than the viewer's radius
    Position() = Vector3{0.0f, kRestHeight, 0.0f};
    for (int i = 0; i < 100; ++i) {
        Frame();
        ASSERT_GE(Position().y, kRestHeight - 1e-4f) << "frame " << i;
    }
    for (int i = 0; i < 30; ++i) Frame({kCameraForward});  // out through the box's far side
    EXPECT_GT(Position().z, 2.0f);
    EXPECT_NEAR(Position().y, kRestHeight, 1e-3f);
}

TEST_F(Viewer, NoFallDuringTheFirstSamples)
{
    scene_.timing = FrameClock{};
    for (int i = 0; i < 5; ++i) scene_.timing.PushFpsSample(50.0f);
    Position() = Vector3{0.0f, 10.0f, 0.0f};
    Frame();
    EXPECT_FLOAT_EQ(Position().y, 10.0f);
    scene_.timing.PushFpsSample(50.0f);
    Frame();
    EXPECT_FLOAT_EQ(Position().y, 10.0f - 4.0f / 50.0f);
}

TEST_F(Viewer, TwoHeldKeysFallNoFasterThanOne)
{
    Position() = Vector3{0.0f, 100.0f, 0.0f};
    Frame({kCameraForward});
    const float one = 100.0f - Position().y;
    Position() = Vector3{0.0f, 100.0f, 0.0f};
    Frame({kCameraForward, kCameraSideways});
    EXPECT_FLOAT_EQ(100.0f - Position().y, one);
    EXPECT_NEAR(one, 4.0f / 50.0f, 1e-5f);
}

TEST_F(Viewer, StepsAboveTwoTenthsAreClimbedLowerOnesStepped)
{
    AddBox(-20, 20, -20, 20, 0.0f);
    AddBox(-5, 5, 1, 6, 0.3f, 0.3f);    // a step of 0.3
    AddBox(-5, 5, -6, -1, 0.15f, 0.15f);  // a step of 0.15 behind the viewer
    SetFrameRate(60.0f);
    Position() = Vector3{0.0f, kRestHeight, 0.0f};

    bool climbed = false;
    for (int i = 0; i < 50; ++i) {  // 4.2 units: onto the step, not off its far end
        Frame({kCameraForward});
        climbed = climbed || scene_.mainCamera.jumping;
    }
    EXPECT_TRUE(climbed);
    EXPECT_GT(Position().z, 3.0f);
    for (int i = 0; i < 120; ++i) Frame();  // any climb left settles
    EXPECT_NEAR(Position().y, 0.3f + kRestHeight, 1e-3f);

    // Backwards off the high step, across the floor and onto the low one.
    scene_.mainCamera.jumping = 0;
    Position() = Vector3{0.0f, kRestHeight, 0.0f};
    bool jumped = false;
    for (int i = 0; i < 60; ++i) {
        Frame({kCameraBackward});
        jumped = jumped || scene_.mainCamera.jumping;
    }
    EXPECT_FALSE(jumped);
    EXPECT_LT(Position().z, -2.0f);
    EXPECT_NEAR(Position().y, 0.15f + kRestHeight, 1e-3f);
}

TEST_F(Viewer, AJumpGainsOnePointTwo)
{
    scene_.options.flyCamera = 0;  // nothing pulls it back
    Position() = Vector3{0.0f, 3.0f, 0.0f};
    Frame({kCameraJump});
    EXPECT_EQ(scene_.mainCamera.jumping, 1);
    for (int i = 0; i < 500 && scene_.mainCamera.jumping; ++i) Frame();
    EXPECT_EQ(scene_.mainCamera.jumping, 0);
    EXPECT_NEAR(Position().y, 3.0f + kJumpHeight, 1e-4f);

    // With gravity, from a floor: up by about the jump height, then down again.
    scene_.options.flyCamera = 1;
    AddBox(-20, 20, -20, 20, 0.0f);
    Position() = Vector3{0.0f, kRestHeight, 0.0f};
    Frame({kCameraJump});
    float highest = Position().y;
    for (int i = 0; i < 300; ++i) {
        Frame();
        highest = std::fmax(highest, Position().y);
    }
    EXPECT_GT(highest, kRestHeight + kJumpHeight - 0.1f);
    EXPECT_LT(highest, kRestHeight + kJumpHeight + 0.1f);
    EXPECT_NEAR(Position().y, kRestHeight, 1e-4f);
}

TEST_F(Viewer, SmoothCameraRampsAndAZeroRampSettingStaysFinite)
{
    scene_.Flag(kFlagSmoothCamera) = 1;
    scene_.options.cameraRampTime = 0.0f;
    scene_.timing.sceneClock = 5000;
    scene_.QueueCameraMove(CameraMove{0.0f, 0, kCameraForward, kCameraForward, 0});
    ASSERT_EQ(scene_.cameraMoves.size(), 1u);

    CCamera expected = scene_.mainCamera;
    expected.MoveForward(25.0f / 50.0f);
    scene_.MoveViewer();
    EXPECT_FLOAT_EQ(Position().z, expected.position.z);

    // Released: the ramp would fall below zero, so the record rests.
    scene_.timing.sceneClock += 1000;
    scene_.MoveViewer();
    EXPECT_FLOAT_EQ(Position().z, expected.position.z);

    // Two seconds of ramp: a released key keeps moving while it decays.
    scene_.cameraMoves.clear();
    scene_.options.cameraRampTime = 2.0f;
    for (int i = 0; i < 200; ++i) scene_.QueueCameraMove(CameraMove{0.0f, 0, kCameraYawPlus, -1, 0});
    ASSERT_EQ(scene_.cameraMoves.size(), 1u);  // a held key is one record
    scene_.timing.sceneClock += 1000;
    scene_.MoveViewer();
    EXPECT_FLOAT_EQ(scene_.cameraMoves[0].ramp, 0.99f);
    EXPECT_NE(scene_.mainCamera.orientation.m[0], 1.0);  // turned

    // Jump records have no smooth motion and do not pile up.
    for (int i = 0; i < 10; ++i) {
        scene_.cameraMoves.push_back(CameraMove{0.0f, scene_.timing.sceneClock, kCameraJumpKey, kCameraJump, 0});
        scene_.MoveViewer();
    }
    EXPECT_EQ(scene_.cameraMoves.size(), 1u);
}

TEST_F(Viewer, WalkingSoundIsDecidedOncePerFrame)
{
    auto* walking = new CSoundBuffer;
    walking->Key = kWalkingSound;
    scene_.soundInstances.push_back(walking);  // the list frees it

    Frame({kCameraForward, kCameraSideways});  // walked this frame, though not last
    EXPECT_EQ(walking->PlayRequested, 1);

    Frame();
    EXPECT_EQ(walking->Paused, 1);
    EXPECT_EQ(walking->PlayRequested, 0);  // or the frame update would restart it

    scene_.options.flyCamera = 0;  // flying makes no footsteps
    Frame({kCameraForward});
    EXPECT_EQ(walking->PlayRequested, 0);
}

TEST_F(Viewer, AnimationAdvancesVisibleObjectsByTheFrameTime)
{
    auto* object = new CNBObject;
    scene_.world->objects.push_back(object);  // the world owns it
    Sector& sector = *scene_.world->sectors[0];
    sector.objects.push_back(object);
    object->Kind = 2;
    object->AnimationMode = 1;
    object->BoneCount = 1;
    object->KeyCount = 2;
    object->KeyRecordCount = 2;
    object->KeyTimes = {0.0f, 10.0f};
    for (float x : {0.0f, 10.0f}) {
        BoneKey key;
        key.matrix.SetIdentity();
        key.matrix.m[12] = x;
        object->BoneKeys.push_back(key);
    }
    object->InitBones();

    sector.visible = 0;
    scene_.AnimateObjects();
    EXPECT_FLOAT_EQ(object->AnimationTime, 0.0f);

    sector.visible = 1;
    scene_.options.physicsTimeScale = 2.0f;
    scene_.AnimateObjects();
    EXPECT_FLOAT_EQ(object->AnimationTime, 0.04f);
    EXPECT_FLOAT_EQ(object->WorldMatrix.m[12], 0.04f);

    scene_.timing = FrameClock{};  // no samples: no time passes
    scene_.AnimateObjects();
    EXPECT_FLOAT_EQ(object->AnimationTime, 0.04f);
}
