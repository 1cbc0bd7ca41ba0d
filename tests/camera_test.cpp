// The camera: projection and its inverse, the frustum, the scene's projection
// settings, levelled movement and turning, orientation from directions.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <type_traits>

#include "scene/camera.h"

namespace {

static_assert(std::is_trivially_copyable_v<CCamera>, "cameras are saved and restored by copy");

void ExpectNear(const Vector3& v, float x, float y, float z, float tolerance = 1e-4f)
{
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

// A camera at `position` looking along +z, with the scene's projection.
CCamera StraightCamera(const Vector3& position, int width = 800, int height = 600)
{
    CCamera camera;
    camera.orientation.SetIdentity();
    camera.position = position;
    camera.viewportWidth = width;
    camera.viewportHeight = height;
    camera.ApplySceneProjection(90.0f, 0.5f, 100.0f, width, height);
    return camera;
}

bool InsideFrustum(const CCamera& camera, const Vector3& p)
{
    for (const FrustumPlane& plane : camera.planes)
        if (plane.a * p.x + plane.b * p.y + plane.c * p.z + plane.d < 0.0f) return false;
    return true;
}

bool AllFinite(const Matrix4d& m)
{
    for (const double e : m.m)
        if (!std::isfinite(e)) return false;
    return true;
}

}  // namespace

TEST(CameraTest, DepthIsZeroAtNearAndOneAtFar)
{
    CCamera camera = StraightCamera(Vector3{1, 2, 3});
    Vector3 nearPoint{1, 2, 3.5f};
    EXPECT_TRUE(camera.ProjectToScreen(nearPoint, 800, 600));
    EXPECT_NEAR(nearPoint.z, 0.0f, 1e-6f);
    ExpectNear(nearPoint, 400, 300, 0);
    Vector3 farPoint{1, 2, 103};
    camera.ProjectToScreen(farPoint, 800, 600);
    EXPECT_NEAR(farPoint.z, 1.0f, 1e-6f);
    Vector3 behind{1, 2, 2};
    EXPECT_FALSE(camera.ProjectToScreen(behind, 800, 600));
    Vector3 noViewport{1, 2, 8};
    EXPECT_FALSE(camera.ProjectToScreen(noViewport, 0, 600));
    Vector3 huge{1e30f, 2, 8};
    EXPECT_FALSE(camera.ProjectToScreen(huge, 800, 600));
}

TEST(CameraTest, UnprojectReversesProjectAndFlipsTheGivenPoint)
{
    CCamera camera;
    camera.position = Vector3{3, 2, -5};
    camera.Yaw(30.0f);
    camera.Pitch(-10.0f);
    camera.viewportWidth = 800;
    camera.viewportHeight = 600;
    camera.ApplySceneProjection(70.0f, 0.2f, 1000.0f, 800, 600);

    // Points ahead of the turned camera, off its axis by its side and up axes.
    const double* o = camera.orientation.m;
    const Vector3 side{float(o[0]), float(o[4]), float(o[8])};
    const Vector3 up{float(o[1]), float(o[5]), float(o[9])};
    const Vector3 ahead{float(o[2]), float(o[6]), float(o[10])};
    for (const Vector3& offset : {Vector3{0.5f, 1.0f, 6}, Vector3{-2, -0.7f, 3}, Vector3{4, 3, 20}}) {
        const Vector3 world = Vector3::Add(
            camera.position, Vector3::Add(Vector3::Scale(side, offset.x),
                                          Vector3::Add(Vector3::Scale(up, offset.y), Vector3::Scale(ahead, offset.z))));
        Vector3 screen = world;
        ASSERT_TRUE(camera.ProjectToScreen(screen, 800, 600));
        Vector3 back;
        Vector3 given = screen;
        camera.Unproject(given, back);
        ExpectNear(back, world.x, world.y, world.z, 2e-3f);
        EXPECT_FLOAT_EQ(given.y, 600.0f - screen.y);
    }
}

TEST(CameraTest, FrustumHoldsWhatIsInViewAndNothingElse)
{
    const CCamera camera = StraightCamera(Vector3{0, 0, 0});
    for (const FrustumPlane& plane : camera.planes)
        EXPECT_NEAR(std::sqrt(plane.a * plane.a + plane.b * plane.b + plane.c * plane.c), 1.0f, 1e-5f);
    EXPECT_TRUE(InsideFrustum(camera, Vector3{0, 0, 10}));
    EXPECT_TRUE(InsideFrustum(camera, Vector3{0, 0, 0.3f}));  // just short of near still counts
    EXPECT_FALSE(InsideFrustum(camera, Vector3{0, 0, -10}));
    EXPECT_FALSE(InsideFrustum(camera, Vector3{0, 0, 0.2f}));
    EXPECT_FALSE(InsideFrustum(camera, Vector3{0, 0, 101}));
    EXPECT_FALSE(InsideFrustum(camera, Vector3{20, 0, 10}));
    EXPECT_FALSE(InsideFrustum(camera, Vector3{0, -20, 10}));

    // A degenerate projection leaves planes unnormalised instead of NaN.
    CCamera flat = camera;
    for (double& e : flat.projectionMatrix.m) e = 0.0;
    flat.UpdateFrustum();
    for (const FrustumPlane& plane : flat.planes) {
        EXPECT_FALSE(std::isnan(plane.a) || std::isnan(plane.b) || std::isnan(plane.c) || std::isnan(plane.d));
    }
}

TEST(CameraTest, SceneProjectionClampsAndReplacesUnusableSettings)
{
    CCamera camera;
    camera.ApplySceneProjection(10.0f, 0.2f, 1000.0f, 1600, 900);
    EXPECT_FLOAT_EQ(camera.fieldOfView, 15.0f);
    camera.ApplySceneProjection(170.0f, 0.2f, 1000.0f, 1600, 900);
    EXPECT_FLOAT_EQ(camera.fieldOfView, 160.0f);

    // Offsets never take a view angle to 180 degrees or below half a degree.
    camera.angleOffsets[0] = 60.0f;
    camera.angleOffsets[1] = -300.0f;
    camera.ApplySceneProjection(160.0f, 0.2f, 1000.0f, 1600, 900);
    EXPECT_LT(camera.verticalViewAngle, 3.1415927f);
    EXPECT_GT(camera.projectionMatrix.m[5], 0.0);
    EXPECT_FLOAT_EQ(camera.horizontalViewAngle, 0.008726646f);
    camera.angleOffsets[0] = camera.angleOffsets[1] = 0.0f;

    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    camera.ApplySceneProjection(nan, 0.2f, 1000.0f, 1600, 900);
    EXPECT_FLOAT_EQ(camera.fieldOfView, 70.0f);
    struct Distances {
        float nearPlane;
        float farPlane;
    };
    for (const Distances d : {Distances{0.0f, 1000.0f}, Distances{5.0f, 5.0f}, Distances{50.0f, 10.0f},
                              Distances{nan, 1000.0f}, Distances{0.2f, inf}}) {
        camera.ApplySceneProjection(70.0f, d.nearPlane, d.farPlane, 1600, 900);
        EXPECT_FLOAT_EQ(camera.nearDistance, 0.2f);
        EXPECT_FLOAT_EQ(camera.farDistance, 1000.0f);
        EXPECT_TRUE(AllFinite(camera.projectionMatrix));
    }

    // Distances written directly are guarded by the matrix itself.
    camera.nearDistance = 0.0f;
    camera.UpdateProjectionMatrix();
    EXPECT_TRUE(AllFinite(camera.projectionMatrix));
}

TEST(CameraTest, LevelledMovementStaysHorizontalWhateverThePitch)
{
    CCamera camera;
    for (const float pitch : {25.0f, -60.0f}) {
        camera.Yaw(37.0f);
        camera.Pitch(pitch);
        const Vector3 forward = camera.LevelledForward();
        EXPECT_NEAR(forward.y, 0.0f, 1e-5f);
        EXPECT_NEAR(forward.Length(), 1.0f, 1e-5f);
        EXPECT_NEAR(camera.LevelledSide().y, 0.0f, 1e-5f);
    }

    // Straight ahead along +z: steps and moves.
    camera.orientation.SetIdentity();
    camera.moveStep = 2.0f;
    camera.position = Vector3{1, 1, 1};
    camera.MoveForward(1.5f);
    ExpectNear(camera.position, 1, 1, 4);
    Vector3 step;
    camera.ForwardStep(1.0f, step);
    ExpectNear(step, 0, 0, 2);
    camera.ForwardStep(-0.25f, step);
    EXPECT_FLOAT_EQ(camera.travelledDistance, 1.5f);

    // Side direction is minus row 0; steps and moves negate its z.
    camera.Yaw(30.0f);
    const Vector3 side = camera.LevelledSide();
    const Vector3 before = camera.position;
    camera.MoveSideways(1.0f);
    ExpectNear(Vector3::Sub(camera.position, before), 2 * side.x, 0, -2 * side.z);
}

TEST(CameraTest, LookAtAndSetOrientationPointTheViewingAxis)
{
    CCamera camera;
    camera.viewportWidth = 640;
    camera.viewportHeight = 480;
    const Vector3 eye{2, 3, -10};
    const Vector3 target{4, 1, 5};
    Vector3 up{0, 2, 0};
    camera.LookAt(eye, target, up);
    EXPECT_NEAR(up.Length(), 1.0f, 1e-5f);
    EXPECT_NEAR(up.y, 0.0f, 1e-5f);  // replaced by the (horizontal) side axis
    camera.position = eye;
    camera.ApplySceneProjection(70.0f, 0.2f, 1000.0f, 640, 480);
    Vector3 centre = target;
    ASSERT_TRUE(camera.ProjectToScreen(centre, 640, 480));
    ExpectNear(centre, 320, 240, centre.z, 1e-2f);
    Vector3 above = Vector3{4, 3, 5};
    camera.ProjectToScreen(above, 640, 480);
    EXPECT_LT(above.y, 240.0f);  // up on screen is up in the world

    camera.SetOrientation(Vector3{1, 0, 0}, Vector3{0, 0, -3});
    ExpectNear(camera.LevelledForward(), 1, 0, 0);
    camera.position = Vector3{};
    camera.UpdateViewMatrix();
    camera.UpdateProjectionMatrix();
    Vector3 ahead{10, 0, 0};
    EXPECT_TRUE(camera.ProjectToScreen(ahead, 640, 480));
    ExpectNear(ahead, 320, 240, ahead.z, 1e-2f);
}
