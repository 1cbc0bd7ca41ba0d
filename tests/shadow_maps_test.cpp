// Cascaded shadow maps: scene box, cascade fitting, culling, the pass without
// a device, and on a headless device the depth per cascade and a cast shadow.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "graphics/driver.h"
#include "graphics/gpu_texture.h"
#include "graphics/texture.h"
#include "platform/files.h"
#include "platform/gpu/texture_test_hooks.h"
#include "render/object_passes.h"
#include "render/shadow_maps.h"
#include "scene/scene.h"
#include "shell/settings.h"
#include "support/headless_driver.h"
#include "world/object.h"
#include "world/sector.h"
#include "world/world.h"

namespace {

bool Finite(const Matrix4d& matrix)
{
    for (const double e : matrix.m)
        if (!std::isfinite(e)) return false;
    return true;
}

Vector3 Through(const Matrix4d& matrix, const Vector3& p)
{
    const double* m = matrix.m;
    const double w = p.x * m[3] + p.y * m[7] + p.z * m[11] + m[15];
    return Vector3{static_cast<float>((p.x * m[0] + p.y * m[4] + p.z * m[8] + m[12]) / w),
                   static_cast<float>((p.x * m[1] + p.y * m[5] + p.z * m[9] + m[13]) / w),
                   static_cast<float>((p.x * m[2] + p.y * m[6] + p.z * m[10] + m[14]) / w)};
}

void ExpectNear(const Vector3& v, float x, float y, float z, float tolerance = 1e-3f)
{
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

// A camera at `position` looking along +z with the scene's projection.
CCamera StraightCamera(const Vector3& position)
{
    CCamera camera;
    camera.orientation.SetIdentity();
    camera.position = position;
    camera.ApplySceneProjection(70.0f, 0.2f, 1000.0f, 800, 600);
    return camera;
}

// Hand-made objects (centre, radius, box) in one sector of a world.
Sector* AddSector(CWorld& world, const Vector3& centre, float radius)
{
    auto* sector = new Sector;
    sector->boundsCentre = centre;
    sector->radius = radius;
    world.sectors.push_back(sector);
    return sector;
}

CNBObject* AddObject(CWorld& world, Sector* sector, const Vector3& centre, float radius, bool visible = true)
{
    auto* object = new CNBObject;
    object->Center = centre;
    object->Radius = radius;
    object->BoxMin = Vector3::Sub(centre, Vector3{radius, radius, radius});
    object->BoxMax = Vector3::Add(centre, Vector3{radius, radius, radius});
    object->Visible = visible ? 1 : 0;
    world.objects.push_back(object);
    sector->objects.push_back(object);
    return object;
}

// Restores the process-wide light position a test changes.
class ScopedLightPosition {
public:
    explicit ScopedLightPosition(const Vector3& position) : saved_(LightPosition) { LightPosition = position; }
    ~ScopedLightPosition() { LightPosition = saved_; }

private:
    Vector3 saved_;
};

}  // namespace

// ---- Geometry ----
TEST(ShadowMapsTest, SceneBoxTakesNearObjectsWholeAndLargeOnesByCentreWithTheirRadiusAsMargin)
{
    CWorld world;
    Sector* sector = AddSector(world, Vector3{}, 1000.0f);
    const Vector3 viewer{};
    Vector3 low, high;

    // Beyond the caster distance, yet within 200 units: counted.
    AddObject(world, sector, Vector3{150, 0, 0}, 1.0f);
    AddObject(world, sector, Vector3{-250, 0, 0}, 1.0f);  // beyond both: not counted
    EXPECT_TRUE(ComputeSceneBox(world, viewer, 100.0f, low, high));
    ExpectNear(low, 149 - 10, -11, -11);
    ExpectNear(high, 151 + 10, 11, 11);

    // A large object counts by its centre only, but widens every side.
    AddObject(world, sector, Vector3{150, 0, 50}, 120.0f);
    EXPECT_TRUE(ComputeSceneBox(world, viewer, 100.0f, low, high));
    ExpectNear(low, 149 - 120, -1 - 120, -1 - 120);
    ExpectNear(high, 151 + 120, 1 + 120, 50 + 120);

    // Invisible objects count for nothing, not even for the margin.
    CWorld small;
    Sector* cell = AddSector(small, Vector3{}, 100.0f);
    AddObject(small, cell, Vector3{}, 1.0f);
    AddObject(small, cell, Vector3{5, 0, 0}, 50.0f, false);
    EXPECT_TRUE(ComputeSceneBox(small, viewer, 1000.0f, low, high));
    ExpectNear(low, -11, -11, -11);
    ExpectNear(high, 11, 11, 11);
}

TEST(ShadowMapsTest, DepthRangeIsTheBoxClippedToTheCascadeSquare)
{
    // A box x, y in [-1, 1], z in [0, 1], sheared so that z grows with x.
    Vector3 corners[8];
    ComputeBoxCorners(Vector3{0, 0, 0.5f}, Vector3{1, 1, 0.5f}, corners);
    for (Vector3& c : corners) c.z += c.x;
    float nearDepth = 0.0f, farDepth = 0.0f;

    ComputeLightDepthRange(corners, Vector3{-5, -5, 0}, Vector3{5, 5, 0}, nearDepth, farDepth);
    EXPECT_NEAR(nearDepth, -1.0f, 1e-5f);
    EXPECT_NEAR(farDepth, 2.0f, 1e-5f);

    ComputeLightDepthRange(corners, Vector3{0, -0.5f, 0}, Vector3{0.5f, 0.5f, 0}, nearDepth, farDepth);
    EXPECT_NEAR(nearDepth, 0.0f, 1e-5f);
    EXPECT_NEAR(farDepth, 1.5f, 1e-5f);

    ComputeLightDepthRange(corners, Vector3{3, 3, 0}, Vector3{4, 4, 0}, nearDepth, farDepth);
    EXPECT_EQ(nearDepth, FLT_MAX);
    EXPECT_EQ(farDepth, -FLT_MAX);

    // An empty range still gives a finite projection.
    EXPECT_TRUE(Finite(ComputeCascadeProjection(Vector3{0, 0, 0}, Vector3{1, 1, 0}, 3.0f, 3.0f)));
    EXPECT_TRUE(Finite(ComputeCascadeProjection(Vector3{0, 0, 0}, Vector3{0, 0, 0}, FLT_MAX, -FLT_MAX)));
}

TEST(ShadowMapsTest, ACascadeIsATexelSnappedSquareAroundTheViewersSlice)
{
    const CCamera viewer = StraightCamera(Vector3{3.3f, 2.0f, -7.7f});
    const Matrix4d lightView = ComputeLightView(Vector3{300, 400, -200}, 1.0e6f);
    Vector3 box[8];
    ComputeBoxCorners(Vector3{0, 0, 0}, Vector3{100, 100, 100}, box);
    for (Vector3& corner : box) corner = Through(lightView, corner);

    const Matrix4d projection = FitCascade(viewer, lightView, box, 20.0f, 2048);
    ASSERT_TRUE(Finite(projection));
    const double width = 2.0 / projection.m[0];
    const double height = 2.0 / projection.m[5];
    EXPECT_NEAR(width, height, 1e-3);
    const double minX = (-1.0 - projection.m[12]) / projection.m[0];
    const double minY = (-1.0 - projection.m[13]) / projection.m[5];
    const double texel = width / 2048.0;
    EXPECT_NEAR(minX / texel, std::round(minX / texel), 1e-2);
    EXPECT_NEAR(minY / texel, std::round(minY / texel), 1e-2);

    // The eye and the slice's far end land inside the square, in depth range.
    Matrix4d lightToClip;
    lightView.Multiply(projection, lightToClip);
    for (const Vector3& p : {viewer.position, Vector3{3.3f, 2.0f, 10.0f}, Vector3{10.0f, 2.0f, 5.0f}}) {
        const Vector3 clip = Through(lightToClip, p);
        EXPECT_LE(std::fabs(clip.x), 1.0f + 4.0f / 2048.0f);
        EXPECT_LE(std::fabs(clip.y), 1.0f + 4.0f / 2048.0f);
        EXPECT_GE(clip.z, 0.0f);
        EXPECT_LE(clip.z, 1.0f);
    }
}

// ---- Culling and parameters ----
TEST(ShadowMapsTest, CullingMarksWhatIsInsideAndLeavesSectorsOutsideAlone)
{
    CScene scene;
    scene.world = new CWorld;
    CWorld& world = *scene.world;
    Sector* ahead = AddSector(world, Vector3{0, 0, 20}, 15.0f);
    CNBObject* inside = AddObject(world, ahead, Vector3{0, 0, 20}, 1.0f);
    CNBObject* aside = AddObject(world, ahead, Vector3{200, 0, 20}, 1.0f);
    aside->ShadowVisible = 1;
    Sector* behind = AddSector(world, Vector3{0, 0, -50}, 15.0f);
    CNBObject* kept = AddObject(world, behind, Vector3{0, 0, -50}, 1.0f);
    kept->ShadowVisible = 1;
    behind->shadowVisible = 1;

    scene.CullSectors(StraightCamera(Vector3{}));
    EXPECT_EQ(ahead->shadowVisible, 1);
    EXPECT_EQ(inside->ShadowVisible, 1);
    EXPECT_EQ(aside->ShadowVisible, 0);
    EXPECT_EQ(behind->shadowVisible, 0);
    EXPECT_EQ(kept->ShadowVisible, 1);  // not visited
}

// ---- The pass without a device ----
TEST(ShadowMapsTest, TheFirstPassFitsTheMainCameraAndPutsItBack)
{
    CScene scene;
    scene.world = new CWorld;
    scene.world->CreateShadowMaps();
    Sector* sector = AddSector(*scene.world, Vector3{500, 0, 300}, 500.0f);
    AddObject(*scene.world, sector, Vector3{500, 0, 310}, 1.0f);
    AddObject(*scene.world, sector, Vector3{520, 0, 400}, 1.0f);
    scene.mainCamera = StraightCamera(Vector3{500, 2, 300});
    const CCamera before = scene.mainCamera;

    scene.RenderShadowMap();
    EXPECT_EQ(std::memcmp(&scene.mainCamera, &before, sizeof(CCamera)), 0);
    EXPECT_TRUE(scene.shadowCascades.viewerCameraSaved);
    const ShadowCascades& cascades = scene.shadowCascades;
    const float diagonal = Vector3::Sub(cascades.sceneBoxMax, cascades.sceneBoxMin).Length();
    EXPECT_FLOAT_EQ(cascades.cascadeFarDistances[0], 20.0f);
    EXPECT_FLOAT_EQ(cascades.cascadeFarDistances[2], diagonal * 2.0f / 3.0f);

    // A point just in front of the viewer lies in the first cascade.
    Matrix4d lightToClip;
    cascades.lightView.Multiply(cascades.cascadeProjections[0], lightToClip);
    const Vector3 clip = Through(lightToClip, Vector3{500, 0, 310});
    EXPECT_LT(std::fabs(clip.x), 1.0f);
    EXPECT_LT(std::fabs(clip.y), 1.0f);
    EXPECT_GT(clip.z, 0.0f);
    EXPECT_LT(clip.z, 1.0f);
}

TEST(ShadowMapsTest, AnEmptySceneAndASunOverheadKeepEveryMatrixFinite)
{
    const ScopedLightPosition overhead(Vector3{0, 500, 0});
    CScene scene;
    scene.world = new CWorld;
    scene.world->CreateShadowMaps();
    Sector* sector = AddSector(*scene.world, Vector3{}, 100.0f);
    CNBObject* object = AddObject(*scene.world, sector, Vector3{0, 0, 5}, 1.0f, false);
    scene.mainCamera = StraightCamera(Vector3{});

    for (const bool visible : {false, true}) {
        object->Visible = visible ? 1 : 0;
        scene.RenderShadowMap();
        SCOPED_TRACE(visible);
        EXPECT_TRUE(Finite(scene.shadowCascades.lightView));
        for (int c = 0; c < 3; ++c) EXPECT_TRUE(Finite(scene.shadowCascades.cascadeProjections[c])) << c;
        EXPECT_TRUE(std::isfinite(scene.shadowCascades.cascadeFarDistances[2]));
    }
}

// ---- On a device ----
namespace {

class ShadowMapsDevice : public HeadlessDriverTest {
protected:
    // A scene on the test's device with an empty world of one sector, whose
    // boxes can use the shipped "ground.dds".
    void OpenSceneWithGroundTexture(CScene& scene)
    {
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(platform::ReadWholeFile("Textures/ground.dds", bytes));
        folder_.Write("Textures/ground.dds", std::string(bytes.begin(), bytes.end()));
        scene.driver = Driver;
        scene.world = new CWorld;
        scene.world->driver = Driver;
        ASSERT_TRUE(scene.world->RecreateSectors(1));
    }
};

}  // namespace

TEST_F(ShadowMapsDevice, ABoxOnTheGroundCastsItsShadowAwayFromTheSun)
{
    Settings.screenWidth = 160;
    Settings.screenHeight = 120;
    ASSERT_EQ(Driver->ResetVideoMode(), 1);
    const ScopedLightPosition sunFromPlusX(Vector3{500, 500, 0});

    CScene scene;
    ASSERT_NO_FATAL_FAILURE(OpenSceneWithGroundTexture(scene));
    CWorld& world = *scene.world;
    CNBObject* ground = world.CreateBoxObject(40.0f, 1.0f, Vector3{0, -0.5f, 0}, 40.0f, u"ground.dds", 1, 1, 1, 1, 1);
    CNBObject* box = world.CreateBoxObject(2.0f, 2.0f, Vector3{0, 1, 0}, 2.0f, u"ground.dds", 1, 1, 1, 1, 1);
    ASSERT_TRUE(ground && box);
    for (CNBObject* object : {ground, box}) {
        object->Ambient = Vector4{{0.3f, 0.3f, 0.3f, 1.0f}};
        object->Diffuse = Vector4{{0.8f, 0.8f, 0.8f, 1.0f}};
    }
    world.AssignSectors();
    world.GenerateWorld();

    Vector3 up{0, 1, 0};
    scene.mainCamera.position = Vector3{0, 10, -8};
    scene.mainCamera.LookAt(scene.mainCamera.position, Vector3{}, up);
    // The frame's road up to the opaque objects.
    scene.CullView();
    scene.UpdateProjection(scene.mainCamera);
    scene.RenderShadowMap();
    Driver->Clear(0, 0, 0);
    UseTriangleLists(*Driver);
    Driver->SetDepthStencilState(world.FindDepthStencilState(u"default"));
    scene.CollectMeshKinds();
    scene.RenderShadowedPass();

    uint32_t width = 0;
    const std::vector<uint8_t> picture = ReadBack(&width);
    const auto brightness = [&](Vector3 point) {
        EXPECT_TRUE(scene.mainCamera.ProjectToScreen(point, backBufferWidth, backBufferHeight));
        const Pixel p = PixelAt(picture, width, static_cast<uint32_t>(point.x), static_cast<uint32_t>(point.y));
        return p.r + p.g + p.b;
    };
    // The ground beside the box: in its shadow on the side away from the
    // sun (-x), in the sun on the other.
    const int shaded = brightness(Vector3{-2, 0, 0});
    const int lit = brightness(Vector3{2, 0, 0});
    EXPECT_GT(shaded, 0);
    EXPECT_LT(shaded * 10, lit * 6) << shaded << " vs " << lit;
    // Farther out on the shadow's side the ground is lit again.
    EXPECT_GT(brightness(Vector3{-5, 0, 0}) * 10, lit * 8);
}

TEST_F(ShadowMapsDevice, ACasterIsDrawnByTheByteItWasLeftUntilItIsCulledAgain)
{
    CScene scene;
    ASSERT_NO_FATAL_FAILURE(OpenSceneWithGroundTexture(scene));
    CWorld& world = *scene.world;
    CNBObject* box = world.CreateBoxObject(2.0f, 2.0f, Vector3{0, 0, 10}, 2.0f, u"ground.dds", 1, 1, 1, 1, 1);
    ASSERT_NE(box, nullptr);
    // Its neighbour in the list stays behind every light camera below.
    ASSERT_NE(world.CreateBoxObject(2.0f, 2.0f, Vector3{0, 0, -10}, 2.0f, u"ground.dds", 1, 1, 1, 1, 1), nullptr);
    world.AssignSectors();
    ASSERT_EQ(world.sectors[0]->objects.front(), box);
    world.GenerateWorld();
    Sector* home = world.sectors[0];
    home->boundsCentre = Vector3{0, 0, 10};
    home->radius = 3.0f;
    Sector* away = AddSector(world, Vector3{0, 0, -500}, 1.0f);  // never seen
    const auto move = [&](Sector* from, Sector* to) {
        from->objects.erase(std::find(from->objects.begin(), from->objects.end(), box));
        to->objects.push_back(box);
    };
    gpu::Context* context = Driver->state->context;
    const auto draws = [&] {
        const uint64_t before = context->CopiesDrawn();
        scene.RenderShadowCasters();
        return context->CopiesDrawn() - before;
    };
    const CCamera sees = StraightCamera(Vector3{});
    const CCamera blind = StraightCamera(Vector3{0, 0, 50});

    scene.CullSectors(sees);
    const uint64_t drawn = draws();
    ASSERT_GT(drawn, 0u);
    // A sector the light camera does not see leaves its objects' bytes
    // alone: they are drawn again, wherever their sector lists put them.
    scene.CullSectors(blind);
    EXPECT_EQ(draws(), drawn);
    move(home, away);
    EXPECT_EQ(draws(), drawn);
    for (int cull = 0; cull < 2; ++cull) {
        scene.CullSectors(blind);
        EXPECT_EQ(draws(), drawn) << cull;
    }
    box->ShadowVisible = 0;
    EXPECT_EQ(draws(), 0u);
    move(away, home);
    scene.CullSectors(sees);
    EXPECT_EQ(draws(), drawn);
}

TEST_F(ShadowMapsDevice, EqualCastersDrawnTogetherEachLeaveTheirOwnDepth)
{
    CScene scene;
    ASSERT_NO_FATAL_FAILURE(OpenSceneWithGroundTexture(scene));
    CWorld& world = *scene.world;
    // More small boxes of one size than one instanced draw places, and a few
    // larger ones between them: two groups, the first in two runs.
    std::vector<Vector3> smalls, larges;
    for (int row = 0; row < 15; ++row)
        for (int column = 0; column < 20; ++column) {
            const Vector3 at{column * 3.0f - 30.0f, 0.5f, row * 3.0f - 21.0f};
            ASSERT_NE(world.CreateBoxObject(1.0f, 1.0f, at, 1.0f, u"ground.dds", 1, 1, 1, 1, 1), nullptr);
            smalls.push_back(at);
        }
    for (int i = 0; i < 5; ++i) {
        const Vector3 at{i * 12.0f - 22.5f, 1.0f, 27.0f};
        ASSERT_NE(world.CreateBoxObject(2.0f, 2.0f, at, 2.0f, u"ground.dds", 1, 1, 1, 1, 1), nullptr);
        larges.push_back(at);
    }
    world.AssignSectors();
    world.GenerateWorld();
    ASSERT_TRUE(world.shadowMapDepth && world.shadowMapDepth->gpu && world.shadowMapDepth->gpu->depthView);

    // The sun straight above, its square the world's 80 x 80 middle.
    CCamera light;
    light.viewMatrix = ComputeLightView(Vector3{0, 500, 0}, 1.0e6f);
    light.projectionMatrix = ComputeCascadeProjection(Vector3{-40, -40, 0}, Vector3{40, 40, 0}, 0.0f, 100.0f);
    light.UpdateFrustum();
    scene.mainCamera = light;
    scene.CullSectors(light);

    const int size = world.shadowMapSize;
    gpu::Context* context = Driver->state->context;
    Driver->PushRenderTarget(world.shadowMap, world.shadowMapDepth);
    context->ClearDepthStencilView(world.shadowMapDepth->gpu->depthView, gpu::CLEAR_DEPTH | gpu::CLEAR_STENCIL, 1.0f, 0);
    const gpu::Viewport first{0.0f, 0.0f, static_cast<float>(size), static_cast<float>(size), 0.0f, 1.0f};
    context->RSSetViewports(1, &first);
    const uint64_t drawsBefore = context->DrawCount(), copiesBefore = context->CopiesDrawn();
    scene.RenderShadowCasters();
    Driver->PopRenderTarget();
    EXPECT_EQ(context->CopiesDrawn() - copiesBefore, smalls.size() + larges.size());
    EXPECT_EQ(context->DrawCount() - drawsBefore, 3u);

    // The depths read back once (a sample through the shader view compiles
    // a program per point, half a minute for these under the sanitizers).
    std::vector<uint8_t> depths;
    ASSERT_EQ(gpu::ReadTextureSubresource(world.shadowMap->gpu->texture, 0, &depths), S_OK);
    const int width = world.shadowMap->width, height = world.shadowMap->height;
    ASSERT_EQ(depths.size(), 4u * width * height);
    const float cascades = static_cast<float>(world.shadowCascadeCount);  // side by side in the texture
    const auto depthAt = [&](const Vector3& point) {
        const Vector3 clip = Through(light.projectionMatrix, Through(light.viewMatrix, point));
        const int x = std::clamp(static_cast<int>((clip.x + 1.0f) * 0.5f / cascades * width), 0, width - 1);
        const int y = std::clamp(static_cast<int>((1.0f - clip.y) * 0.5f * height), 0, height - 1);
        float depth = -1.0f;
        std::memcpy(&depth, &depths[4 * (static_cast<size_t>(y) * width + x)], sizeof depth);
        return depth;
    };
    // Each box's top where it stands, open ground beside it.
    for (const std::vector<Vector3>* boxes : {&smalls, &larges})
        for (const Vector3& at : *boxes) {
            EXPECT_LT(depthAt(at), 1.0f) << at.x << " " << at.z;
            EXPECT_EQ(depthAt(Vector3{at.x + 1.4f, 0.0f, at.z + 1.4f}), 1.0f) << at.x << " " << at.z;
        }
}
