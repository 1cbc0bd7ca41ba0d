// Lines, the cursor marker and the frames: the hold after a throw, the
// placement pose, and on a headless device what each draws.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "graphics/driver.h"
#include "platform/clock.h"
#include "render/lines_and_frames.h"
#include "scene/scene.h"
#include "shell/settings.h"
#include "support/headless_driver.h"
#include "support/shipped_data.h"
#include "world/block_type.h"
#include "world/line.h"
#include "world/object.h"
#include "world/object_part.h"
#include "world/polygons_grid.h"
#include "world/world.h"

namespace {

void ExpectNear(const Vector3& v, float x, float y, float z, float tolerance = 1e-4f)
{
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

// An object whose first part's mesh has the eight corners of the box
// [-sx, sx] x [-sy, sy] x [-sz, sz].
CNBObject* NewCornerObject(float sx, float sy, float sz)
{
    auto* object = new CNBObject;
    if (!object->AllocateParts(1) || !object->GetPart(0)->CreateGrid(8, 12, 0)) return object;
    CPolygonsGrid* mesh = object->GetPart(0)->mainMesh;
    for (int i = 0; i < 8; ++i)
        mesh->positions[i] = Vector3{(i & 1) ? sx : -sx, (i & 2) ? sy : -sy, (i & 4) ? sz : -sz};
    return object;
}

}  // namespace

TEST(LinesAndFramesTest, AThrowHoldsTheFramesBackForFifteenHundredMilliseconds)
{
    // (The hold itself is the drawing test's; here the edges of the clock.)
    EXPECT_FALSE(IsRecentThrow(0, 100));  // no throw yet
    EXPECT_FALSE(IsRecentThrow(1000, 2500));
    EXPECT_TRUE(IsRecentThrow(0xFFFFFF00u, 0x100u));  // across the clock's wrap
}

TEST(LinesAndFramesTest, ThePlacementPoseIsRotatedAndRestsItsLowestVertexOnTheSurface)
{
    BlockType type;
    type.Init();
    CNBObject* object = NewCornerObject(1.0f, 2.0f, 3.0f);

    // Unrotated; the normal is made unit length first.
    PosePlacementObject(*object, &type, Vector3{0, 5, 0}, Vector3{0, 2, 0});
    ExpectNear(object->WorldMatrix.GetTranslation(), 0, 7, 0);

    // A quarter turn about x brings the z extent (3) down to the surface.
    type.pitch = 90.0f;
    PosePlacementObject(*object, &type, Vector3{0, 5, 0}, Vector3{0, 1, 0});
    ExpectNear(object->WorldMatrix.GetTranslation(), 0, 8, 0);
    // Nothing hit: no normal, so the object stays at the point.
    PosePlacementObject(*object, &type, Vector3{1, 2, 3}, Vector3{});
    ExpectNear(object->WorldMatrix.GetTranslation(), 1, 2, 3);
    CNBObject::Delete(object);

    // Without a part or vertices there is nothing to rest: moved to the point only.
    auto* bare = new CNBObject;
    PosePlacementObject(*bare, nullptr, Vector3{1, 2, 3}, Vector3{0, 1, 0});
    ExpectNear(bare->WorldMatrix.GetTranslation(), 1, 2, 3);
    CNBObject::Delete(bare);
}

// ---- On a device ----
namespace {

struct Rgb {
    int r, g, b;
};

// A world on a 200 x 150 back buffer, seen from (0, 0, -2) along +z.
class LinesAndFramesDevice : public HeadlessDriverTest {
protected:
    void SetUp() override
    {
        HeadlessDriverTest::SetUp();
        Settings.screenWidth = 200;
        Settings.screenHeight = 150;
        ASSERT_EQ(Driver->ResetVideoMode(), 1);
        folder_.Write("Textures/ground.dds", Shipped("Textures/ground.dds"));
        scene_.driver = Driver;
        scene_.world = new CWorld;
        scene_.world->driver = Driver;
        scene_.mainCamera.orientation.SetIdentity();
        scene_.mainCamera.position = Vector3{0, 0, -2};
        scene_.UpdateProjection(scene_.mainCamera);
    }
    void TearDown() override
    {
        platform::SetClockSource({});
        delete scene_.world;  // while the device still exists
        scene_.world = nullptr;
        HeadlessDriverTest::TearDown();
    }

    // A finished (not drawing) line through the points.
    CLine* AddLine(std::initializer_list<Vector3> points)
    {
        CWorld& world = *scene_.world;
        world.BeginLine();
        CLine* line = world.drawingLine;
        for (const Vector3& p : points) *line->AddPoint() = p;
        world.BeginLine();
        return line;
    }

    // A box of side `size` at `centre`, textured, kept out of the world's
    // object list when `detached`.
    CNBObject* AddBox(const Vector3& centre, float size, bool detached = false)
    {
        CWorld& world = *scene_.world;
        CNBObject* box = world.CreateBoxObject(size, size, centre, size, u"ground.dds", 1, 1, 1, 1, 1);
        if (box && detached) world.objects.pop_back();
        return box;
    }

    // Runs `pass` over a black picture whose depth is cleared to `depth`.
    std::vector<uint8_t> Render(const std::function<void()>& pass, float depth = 1.0f)
    {
        Driver->Clear(0, 0, 0);
        Driver->state->context->ClearDepthStencilView(Driver->state->depthStencilView, gpu::CLEAR_DEPTH, depth, 0);
        pass();
        return ReadBack();
    }

    static Rgb At(const std::vector<uint8_t>& rgba, int x, int y)
    {
        const size_t i = (static_cast<size_t>(y) * 200 + static_cast<size_t>(x)) * 4;
        return Rgb{rgba[i], rgba[i + 1], rgba[i + 2]};
    }

    // Pixels within `tolerance` of the colour (0..1 components), in rows
    // top..bottom.
    static int Count(const std::vector<uint8_t>& rgba, float r, float g, float b, int top = 0, int bottom = 149)
    {
        int count = 0;
        for (int y = top; y <= bottom; ++y)
            for (int x = 0; x < 200; ++x) {
                const Rgb p = At(rgba, x, y);
                if (std::abs(p.r - std::lround(r * 255)) <= 2 && std::abs(p.g - std::lround(g * 255)) <= 2 &&
                    std::abs(p.b - std::lround(b * 255)) <= 2)
                    ++count;
            }
        return count;
    }

    static int Lit(const std::vector<uint8_t>& rgba, int top, int bottom)
    {
        int count = 0;
        for (int y = top; y <= bottom; ++y)
            for (int x = 0; x < 200; ++x) {
                const Rgb p = At(rgba, x, y);
                if (p.r || p.g || p.b) ++count;
            }
        return count;
    }

    CScene scene_;
};

}  // namespace

TEST_F(LinesAndFramesDevice, LinesShowThroughDepthInTheirColoursAndAOnePointLineDrawsNothing)
{
    CLine* upper = AddLine({Vector3{-0.5f, 0.3f, 0}, Vector3{0.5f, 0.3f, 0}});
    upper->pointMarks[1] = 1;
    AddLine({Vector3{0, -0.3f, 0}});
    scene_.world->GenerateWorld();

    // Depth cleared to 0: nothing would pass an ordinary depth test.
    std::vector<uint8_t> picture = Render([&] { scene_.RenderLines(); }, 0.0f);
    EXPECT_GT(Count(picture, 0.5f, 0.5f, 0.3f, 0, 74), 20);   // the curve and its first point
    EXPECT_GT(Count(picture, 0.95f, 0.1f, 0.1f, 0, 74), 2);   // the selected second point
    EXPECT_EQ(Lit(picture, 76, 149), 0);                     // the one-point line
}

TEST_F(LinesAndFramesDevice, TheCursorMarkerShowsOnlyWhileTheCursorIsShown)
{
    scene_.world->GenerateWorld();
    scene_.cursor3D = Vector3{0, 0.3f, 0};
    std::vector<uint8_t> picture = Render([&] { scene_.RenderCursorMarker(); }, 0.0f);
    EXPECT_GT(Count(picture, 0.95f, 0.3f, 0.3f, 0, 74), 2);
    EXPECT_EQ(Lit(picture, 76, 149), 0);

    scene_.cursorSpriteShown = 0;
    picture = Render([&] { scene_.RenderCursorMarker(); });
    EXPECT_EQ(Lit(picture, 0, 149), 0);
}

TEST_F(LinesAndFramesDevice, AfterAThrowOnlyTheDraggedFrameIsDrawnUntilTheHoldIsOver)
{
    uint32_t now = 500000;
    platform::SetClockSource([&now] { return now; });
    CWorld& world = *scene_.world;
    auto* type = new BlockType;
    type->Init();
    world.blockTypes.push_back(type);
    world.currentBlockType = type;
    world.previewObject = AddBox(Vector3{}, 0.5f, true);
    scene_.selectedObject = AddBox(Vector3{-1.2f, 0, 3}, 1.0f);
    scene_.selectedObject->Kind = 2;
    scene_.draggedObject = AddBox(Vector3{1.2f, 0, 3}, 1.0f);
    scene_.draggedObject->Kind = 2;
    world.GenerateWorld();
    // Screen places of the placement frame (at the origin: nothing is
    // picked), the selected and the dragged box.
    const int centre = 100, left = 74, right = 126, row = 75;

    scene_.lastThrowTime = now - 100;
    std::vector<uint8_t> picture = Render([&] { scene_.RenderFrames(); });
    Rgb p = At(picture, centre, row);
    EXPECT_EQ(p.r + p.g + p.b, 0);
    p = At(picture, left, row);
    EXPECT_EQ(p.r + p.g + p.b, 0);
    p = At(picture, right, row);
    EXPECT_GT(p.r, p.b);  // yellow
    EXPECT_GT(p.g, p.b);

    now += 1400;  // 1500 ms after the throw
    picture = Render([&] { scene_.RenderFrames(); });
    p = At(picture, centre, row);
    EXPECT_GT(p.b, p.r);  // blue
    p = At(picture, left, row);
    EXPECT_GT(p.g, p.r);  // green
    EXPECT_GT(p.g, p.b);
    p = At(picture, right, row);
    EXPECT_GT(p.r, p.b);
}
