// Picking: the nearest triangle along the aim, the first of equal hits, the
// placement point on the grid, the mouse ray through a pixel, and selection.
#include <gtest/gtest.h>

#include <memory>

#include "graphics/driver.h"
#include "scene/scene.h"
#include "support/headless_driver.h"
#include "support/temp_directory.h"
#include "support/world_objects.h"
#include "world/block_type.h"
#include "world/line.h"
#include "world/object.h"
#include "world/sector.h"
#include "world/world.h"

namespace {

// A scene with one large sector, unit cubes placed into it, and the main
// camera at (0, 0, -5) looking along +z.
class PickingScene {
public:
    PickingScene()
    {
        scene.world = new CWorld;
        MakeCubeType(cube, u"cube", false);
        auto* sector = new Sector;
        sector->radius = 1000.0f;
        scene.world->sectors.push_back(sector);
        scene.mainCamera.orientation.SetIdentity();
        scene.mainCamera.position = Vector3{0.0f, 0.0f, -5.0f};
        scene.mainCamera.UpdateViewMatrix();
    }
    ~PickingScene()
    {
        delete scene.world;
        scene.world = nullptr;
    }

    CNBObject* AddCube(float x, float y, float z)
    {
        CNBObject* object = scene.CreateObjectFromBlockType(&cube, 1, 0, x, y, z, 0.0f, 0.0f, 0.0f);
        if (object) scene.world->sectors[0]->objects.push_back(object);
        return object;
    }

    CScene scene;
    BlockType cube;
};

class Picking : public ::testing::Test {
protected:
    TempDirectory folder_;
    ScopedStartDirectory start_{folder_.Path()};
    PickingScene p_;
    Vector3 hit_, placement_, normal_;
    int static_ = 0;
};

}  // namespace

TEST_F(Picking, NearestHitWinsAndTheFirstOfEqualHits)
{
    CNBObject* first = p_.AddCube(0.0f, 0.0f, 0.0f);
    CNBObject* twin = p_.AddCube(0.0f, 0.0f, 0.0f);
    ASSERT_TRUE(first && twin);
    EXPECT_EQ(p_.scene.PickAtCursor(hit_, placement_, normal_, static_), first);
    EXPECT_NEAR(hit_.z, -0.5f, 1e-4f);

    CNBObject* nearer = p_.AddCube(0.0f, 0.0f, -2.0f);  // recorded last, but nearer
    EXPECT_EQ(p_.scene.PickAtCursor(hit_, placement_, normal_, static_), nearer);
    EXPECT_NEAR(hit_.z, -2.5f, 1e-4f);

    p_.scene.mainCamera.position = Vector3{0.0f, 10.0f, -5.0f};  // aims past them all
    p_.scene.mainCamera.UpdateViewMatrix();
    EXPECT_EQ(p_.scene.PickAtCursor(hit_, placement_, normal_, static_), nullptr);
}

TEST_F(Picking, PlacementPointSnapsToTheGrid)
{
    // Front face at z = -0.26; the segment meets it at (1.3, 0.74, -0.26).
    CNBObject* object = p_.AddCube(1.0f, 0.6f, 0.24f);
    ASSERT_TRUE(object);
    PickRay ray;
    ray.start[0] = 1.3f, ray.start[1] = 0.74f, ray.start[2] = -5.0f;
    ray.end[0] = 1.3f, ray.end[1] = 0.74f, ray.end[2] = 5.0f;

    object->StaticFlag = 1;
    ASSERT_EQ(p_.scene.PickByRay(ray, hit_, placement_, normal_, static_), object);
    EXPECT_EQ(static_, 1);
    EXPECT_FLOAT_EQ(placement_.x, 1.5f);
    EXPECT_FLOAT_EQ(placement_.y, 0.5f);
    EXPECT_FLOAT_EQ(placement_.z, -0.5f);

    // Dynamic: the object's own origin, or with snapping on its x and z from
    // the snapped hit and its own y.
    object->StaticFlag = 0;
    p_.scene.Flag(kFlagSnapToGrid) = 0;
    ASSERT_EQ(p_.scene.PickByRay(ray, hit_, placement_, normal_, static_), object);
    EXPECT_EQ(static_, 0);
    EXPECT_FLOAT_EQ(placement_.x, 1.0f);
    EXPECT_FLOAT_EQ(placement_.z, 0.24f);
    p_.scene.Flag(kFlagSnapToGrid) = 1;
    p_.scene.PickByRay(ray, hit_, placement_, normal_, static_);
    EXPECT_FLOAT_EQ(placement_.x, 1.5f);
    EXPECT_FLOAT_EQ(placement_.y, 0.6f);
    EXPECT_FLOAT_EQ(placement_.z, -0.5f);
}

TEST_F(Picking, UnreadableCursorAndPickingOffSelectNothing)
{
    CNBObject* object = p_.AddCube(0.0f, 0.0f, 0.0f);
    ASSERT_TRUE(object);
    object->Diffuse.v[1] = 0.25f;
    p_.scene.SelectAtCursor();
    EXPECT_EQ(p_.scene.selectedObject, object);

    // No mouse event has been seen, so the cursor cannot be read: no hit.
    p_.scene.spaceHeld = 1;
    EXPECT_EQ(p_.scene.PickAtCursor(hit_, placement_, normal_, static_), nullptr);
    EXPECT_EQ(p_.scene.SetCursorPoint(), nullptr);

    p_.scene.spaceHeld = 0;
    p_.scene.pickingOff = 1;
    p_.scene.pickHitPoint = Vector3{7.0f, 7.0f, 7.0f};
    p_.scene.SelectAtCursor();
    EXPECT_EQ(p_.scene.selectedObject, nullptr);
    EXPECT_FLOAT_EQ(p_.scene.pickHitPoint.x, 7.0f);

    EXPECT_EQ(p_.scene.SetCursorPoint(), object);
    EXPECT_NEAR(p_.scene.cursor3D.z, -0.5f, 1e-4f);
}

class PickingPixel : public HeadlessDriverTest {};

TEST_F(PickingPixel, MouseRayHitsTheObjectUnderThePixel)
{
    PickingScene p;
    p.scene.driver = Driver;
    CNBObject* left = p.AddCube(-3.0f, 0.0f, 10.0f);
    CNBObject* right = p.AddCube(3.0f, 0.0f, 10.0f);
    ASSERT_TRUE(left && right);
    p.scene.mainCamera.ApplySceneProjection(70.0f, 0.2f, 1000.0f, backBufferWidth, backBufferHeight);

    Vector3 hit, placement, normal;
    int staticFlag = 0;
    for (CNBObject* target : {left, right}) {
        Vector3 screen{target->WorldMatrix.m[12], 0.0f, 9.5f};
        ASSERT_TRUE(p.scene.mainCamera.ProjectToScreen(screen, backBufferWidth, backBufferHeight));
        EXPECT_EQ(p.scene.PickAtPixel(static_cast<int>(screen.x), static_cast<int>(screen.y), hit, placement, normal,
                                      staticFlag),
                  target);
        EXPECT_NEAR(hit.x, target->WorldMatrix.m[12], 0.5f);  // within a pixel's width
    }
    p.scene.driver = nullptr;
}

TEST_F(PickingPixel, LinePointsNearTheCentreAreSelectedUnlessBehindTheViewer)
{
    PickingScene p;
    p.scene.driver = Driver;
    p.scene.mainCamera.ApplySceneProjection(70.0f, 0.2f, 1000.0f, backBufferWidth, backBufferHeight);
    auto addLine = [&](std::initializer_list<Vector3> points) {
        auto* line = new CLine;
        line->LineType = kPolyline;
        for (const Vector3& point : points)
            if (Vector3* slot = line->AddPoint()) *slot = point;
        p.scene.world->lines.push_back(line);
        return line;
    };
    CLine* ahead = addLine({Vector3{0.0f, 0.0f, 5.0f}, Vector3{3.0f, 0.0f, 5.0f}});
    // Straight behind the viewer: its projection lands on the centre too.
    CLine* behind = addLine({Vector3{0.0f, 0.0f, -15.0f}, Vector3{0.0f, 0.1f, -25.0f}});
    addLine({Vector3{4.0f, 3.0f, 5.0f}, Vector3{4.0f, 4.0f, 5.0f}});  // off to the side
    ASSERT_EQ(ahead->pointMarks.size(), 2u);

    p.scene.SelectAtCursor();
    EXPECT_EQ(ahead->pointMarks[0], 1);
    EXPECT_EQ(ahead->pointMarks[1], 0);
    EXPECT_EQ(behind->pointMarks[0], 0);
    EXPECT_EQ(behind->active, 0);

    p.scene.driver = nullptr;
}
