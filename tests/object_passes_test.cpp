// The object passes on a headless device: which objects each pass takes, what
// they draw, and the limits they keep; each frame culled and drawn as the scene does.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "graphics/driver.h"
#include "platform/files.h"
#include "render/object_passes.h"
#include "scene/drop_queue.h"
#include "scene/scene.h"
#include "support/headless_driver.h"
#include "support/shipped_data.h"
#include "world/object.h"
#include "world/object_part.h"
#include "world/polygons_grid.h"
#include "world/sector.h"
#include "world/world.h"

namespace {

constexpr Pixel kCleared{17, 170, 250, 0};
constexpr int32_t kGlassCode = 0x1401;   // render-set slot 4
constexpr int32_t kTransparent = 0x2000;

int Brightness(const Pixel& pixel) { return pixel.r + pixel.g + pixel.b; }

using Pass = void (CScene::*)();

// A scene on the headless device around a world of one sector, without
// objects until a test adds boxes.
class ObjectPasses : public HeadlessDriverTest {
protected:
    void SetUp() override
    {
        HeadlessDriverTest::SetUp();
        for (const char* texture : {"Textures/ground.dds", "Textures/laminat_surface.dds", "Textures/boxred.jpg",
                                    "Textures/boxblue.jpg"})
            folder_.Write(texture, Shipped(texture));
        scene_ = std::make_unique<CScene>();
        scene_->driver = Driver;
        world_ = scene_->world = new CWorld;
        world_->driver = Driver;
        world_->RecreateSectors(1);
        world_->GenerateWorld();
        LookFrom(Vector3{0.0f, 0.0f, -6.0f}, Vector3{0.0f, 0.0f, 0.0f});
    }

    void TearDown() override
    {
        LightPosition = savedLight_;
        scene_.reset();  // the world's GPU objects go while the device lives
        HeadlessDriverTest::TearDown();
    }

    // A cube of side `size` (all six faces) at `centre`, sorted into the sector.
    CNBObject* Box(const Vector3& centre, float size = 2.0f, const char16_t* texture = u"laminat_surface.dds")
    {
        CNBObject* box = world_->CreateBoxObject(size, size, centre, size, texture, 1, 1, 1, 1, 1);
        EXPECT_NE(box, nullptr);
        if (!box) return nullptr;
        box->Kind = 2;
        world_->LinkObjectTextures(box);
        world_->AssignSectors();
        return box;
    }

    // A glass box: every face of the glass material, half transparent,
    // labelled so the frame lists it with the transparent objects.
    CNBObject* GlassBox(const Vector3& centre, float size, const char16_t* texture)
    {
        CNBObject* box = Box(centre, size, texture);
        if (!box) return nullptr;
        CPolygonsGrid* mesh = box->Parts[0].mainMesh;
        for (int f = 0; f < mesh->faceCount; ++f) mesh->faces[f].VertexFormat = kGlassCode;
        box->PrepareRenderSets(Vector3{});
        box->Flags |= kTransparent;
        box->RenderBytes[1] = 1;
        box->Diffuse.v[3] = 0.5f;
        world_->AssignSectors();
        return box;
    }

    void LookFrom(const Vector3& eye, const Vector3& target)
    {
        CCamera& camera = scene_->mainCamera;
        camera.position = eye;
        Vector3 up{0.0f, 1.0f, 0.0f};
        camera.LookAt(eye, target, up);
        camera.ApplySceneProjection(60.0f, 0.5f, 200.0f, backBufferWidth, backBufferHeight);
    }

    // One frame as the scene draws it: cull, mesh kinds, labels, clear, then
    // the passes; the picture is kept. `afterCull` runs between the cull and
    // the passes.
    void Frame(std::initializer_list<Pass> passes, const std::function<void()>& afterCull = {})
    {
        scene_->CullView();
        if (afterCull) afterCull();
        scene_->CollectMeshKinds();
        world_->ProjectLabels(scene_->mainCamera);
        Driver->Clear(kCleared.r, kCleared.g, kCleared.b);
        Driver->SetDepthStencilState(world_->FindDepthStencilState(u"default"));
        UseTriangleLists(*Driver);
        for (Pass pass : passes) (scene_.get()->*pass)();
        pixels_ = ReadBack(&width_);
    }

    Pixel At(Vector3 point)
    {
        const CCamera& camera = scene_->mainCamera;
        EXPECT_TRUE(camera.ProjectToScreen(point, backBufferWidth, backBufferHeight));
        return PixelAt(pixels_, width_, static_cast<uint32_t>(point.x), static_cast<uint32_t>(point.y));
    }
    Pixel Middle() { return PixelAt(pixels_, width_, width_ / 2, static_cast<uint32_t>(backBufferHeight / 2)); }

    std::unique_ptr<CScene> scene_;
    CWorld* world_ = nullptr;
    std::vector<uint8_t> pixels_;
    uint32_t width_ = 0;

private:
    Vector3 savedLight_ = LightPosition;
};

}  // namespace

TEST_F(ObjectPasses, ABoxOnTheGroundIsDrawnLitFromTheLightPosition)
{
    CNBObject* ground = world_->CreateBoxObject(40.0f, 1.0f, Vector3{0.0f, -0.5f, 0.0f}, 40.0f, u"ground.dds", 1, 1,
                                                1, 1, 1);
    ASSERT_NE(ground, nullptr);
    world_->LinkObjectTextures(ground);
    ASSERT_NE(Box(Vector3{0.0f, 1.0f, 0.0f}), nullptr);
    LookFrom(Vector3{0.0f, 5.0f, -6.0f}, Vector3{0.0f, 1.0f, 0.0f});
    LightPosition = Vector3{0.0f, 500.0f, 0.0f};  // straight above: the top is lit, the front is not

    Frame({&CScene::RenderDefaultPass});
    const Pixel top = At(Vector3{0.0f, 2.0f, 0.0f});
    const Pixel front = At(Vector3{0.0f, 1.0f, -1.0f});
    EXPECT_NE(front, kCleared);
    EXPECT_GT(Brightness(top), Brightness(front) + 60) << top << " " << front;
    EXPECT_EQ(PixelAt(pixels_, width_, 0, 0), kCleared);  // above the horizon nothing is drawn
}

TEST_F(ObjectPasses, AnimatedObjectsAreDrawnByTheSkinnedPassesOnly)
{
    CNBObject* box = Box(Vector3{0.0f, 0.0f, 0.0f});
    ASSERT_NE(box, nullptr);
    // Whatever held vertex slot 0 before, the skinned passes bind their own camera.
    ConstantBufferEntry* unrelated = world_->FindConstantBuffer(u"ConstantBufferLine");
    ASSERT_NE(unrelated, nullptr);

    for (uint8_t kind : {0, 2}) {
        SCOPED_TRACE(kind);
        box->AnimationMode = kind;
        const bool animated = kind != 0;
        Frame({&CScene::RenderDefaultPass});
        EXPECT_EQ(Middle() != kCleared, !animated);
        Frame({&CScene::RenderShadowedPass});
        EXPECT_EQ(Middle() != kCleared, !animated);
        Driver->SetVertexConstantBuffer(0, unrelated);
        Frame({&CScene::RenderSkinnedPass});
        EXPECT_EQ(Middle() != kCleared, animated);
        Frame({&CScene::RenderShadowedSkinnedPass});
        EXPECT_EQ(Middle() != kCleared, animated);
    }
}

TEST_F(ObjectPasses, AFreshlyDroppedObjectIsLeftOutOfTheShadowedOpaqueAndTransparentPasses)
{
    CNBObject* box = Box(Vector3{0.0f, 0.0f, 0.0f});
    CNBObject* glass = GlassBox(Vector3{0.0f, 3.0f, 0.0f}, 2.0f, u"boxblue.jpg");
    ASSERT_TRUE(box && glass);
    LookFrom(Vector3{0.0f, 1.5f, -8.0f}, Vector3{0.0f, 1.5f, 0.0f});
    box->FreshDrop = glass->FreshDrop = 1;
    const Vector3 boxFront{0.0f, 0.0f, -1.0f};
    const Vector3 glassFront{0.0f, 3.0f, -1.0f};

    Frame({&CScene::RenderDefaultPass, &CScene::RenderAlphaPass});
    EXPECT_NE(At(boxFront), kCleared);
    EXPECT_NE(At(glassFront), kCleared);
    Frame({&CScene::RenderShadowedPass, &CScene::RenderShadowedAlphaPass});
    EXPECT_EQ(At(boxFront), kCleared);
    EXPECT_EQ(At(glassFront), kCleared);
}

TEST_F(ObjectPasses, TransparentObjectsAreTakenFromTheLabelListAndBlended)
{
    LightPosition = Vector3{0.0f, 0.0f, -500.0f};  // the front faces are lit
    CNBObject* glass = GlassBox(Vector3{0.0f, 0.0f, 0.0f}, 2.0f, u"boxblue.jpg");
    ASSERT_NE(glass, nullptr);

    // Not in the label list: visible, but no transparent pass draws it.
    glass->RenderBytes[1] = 0;
    Frame({&CScene::RenderDefaultPass, &CScene::RenderAlphaPass, &CScene::RenderShadowedAlphaPass});
    EXPECT_EQ(Middle(), kCleared);
    glass->RenderBytes[1] = 1;

    // Glass over the cleared target, an opaque wall behind it alone, then
    // both: the glass lets half of what lies behind it through.
    Frame({&CScene::RenderDefaultPass, &CScene::RenderAlphaPass});
    const Pixel glassOverClear = Middle();
    CNBObject* wall = Box(Vector3{0.0f, 0.0f, 5.0f}, 4.0f, u"boxred.jpg");
    ASSERT_NE(wall, nullptr);
    Frame({&CScene::RenderDefaultPass});
    const Pixel wallAlone = Middle();
    Frame({&CScene::RenderDefaultPass, &CScene::RenderAlphaPass});
    const Pixel both = Middle();
    ASSERT_NE(glassOverClear, kCleared);
    ASSERT_NE(wallAlone, kCleared);
    // both = glass / 2 + wall / 2 = glassOverClear - cleared / 2 + wall / 2
    const auto expected = [](int overClear, int cleared, int behind) { return overClear - cleared / 2.0 + behind / 2.0; };
    EXPECT_NEAR(both.r, expected(glassOverClear.r, kCleared.r, wallAlone.r), 3.0) << both;
    EXPECT_NEAR(both.b, expected(glassOverClear.b, kCleared.b, wallAlone.b), 3.0) << both;
}

TEST_F(ObjectPasses, GlassAwayFromTheOriginIsBlendedFarthestFirst)
{
    // Seen from 100 along z towards the origin: a blue pane 40 away, a red
    // one 80 away. Drawn first, the red one shows through the blue; drawn
    // after it, the depth test would hide it.
    LightPosition = Vector3{0.0f, 0.0f, 500.0f};
    LookFrom(Vector3{0.0f, 0.0f, 100.0f}, Vector3{0.0f, 0.0f, 0.0f});
    CNBObject* nearPane = GlassBox(Vector3{0.0f, 0.0f, 60.0f}, 4.0f, u"boxblue.jpg");
    Frame({&CScene::RenderAlphaPass});
    const Pixel nearPaneAlone = Middle();
    ASSERT_NE(nearPaneAlone, kCleared);
    ASSERT_NE(GlassBox(Vector3{0.0f, 0.0f, 20.0f}, 4.0f, u"boxred.jpg"), nullptr);
    for (Pass pass : {&CScene::RenderAlphaPass, &CScene::RenderShadowedAlphaPass}) {
        Frame({pass});
        ASSERT_EQ(world_->labels.size(), 2u);
        EXPECT_EQ(world_->labels.front().object, nearPane);  // the list itself stays nearest first
        EXPECT_GT(Middle().r, nearPaneAlone.r + 20) << Middle() << " " << nearPaneAlone;
        EXPECT_LT(Middle().b, nearPaneAlone.b - 20) << Middle() << " " << nearPaneAlone;
    }
}

TEST_F(ObjectPasses, RenderSetCountsAboveTheTableAndBonesBeyondThePaletteAreCutOff)
{
    CNBObject* box = Box(Vector3{0.0f, 0.0f, 0.0f});
    ASSERT_NE(box, nullptr);
    box->Parts[0].mainMesh->renderSetSlots = 100000;
    Frame({&CScene::RenderDefaultPass});
    EXPECT_NE(Middle(), kCleared);

    box->AnimationMode = 2;
    BoneBind bone;
    bone.matrix.SetIdentity();
    box->Pose.assign(200, bone);
    Frame({&CScene::RenderSkinnedPass, &CScene::RenderShadowedSkinnedPass});
    EXPECT_NE(Middle(), kCleared);

    // A skinned mesh without a render set in slot 0 draws none of its sets.
    CPolygonsGrid* mesh = box->Parts[0].mainMesh;
    for (int f = 0; f < mesh->faceCount; ++f) mesh->faces[f].VertexFormat = VertexFormatOfSlot(5);
    box->PrepareRenderSets(Vector3{});
    ASSERT_EQ(mesh->GetRenderSet(0), nullptr);
    Frame({&CScene::RenderSkinnedPass});
    EXPECT_EQ(Middle(), kCleared);
    box->AnimationMode = 0;
    box->RenderFlags[0] = 1;  // still chosen by the plain pass, which draws every present slot
    Frame({&CScene::RenderDefaultPass});
    EXPECT_NE(Middle(), kCleared);
}

TEST_F(ObjectPasses, CopiesOfOneMeshAreEachDrawnInPlaceWithTheirOwnTextureAndColours)
{
    // Equal boxes share their buffers, so the plain pass draws them by
    // instances: 270 far behind, then three in front, the red one past the
    // first run of its copies, one textured blue and one dark.
    for (int i = 0; i < 270; ++i)
        ASSERT_NE(Box(Vector3{(i % 18 - 9) * 1.5f, (i / 18 - 7) * 1.5f, 40.0f}, 1.0f, u"boxred.jpg"), nullptr);
    CNBObject* red = Box(Vector3{-1.5f, 0.0f, 0.0f}, 1.0f, u"boxred.jpg");
    CNBObject* blue = Box(Vector3{0.0f, 0.0f, 0.0f}, 1.0f, u"boxblue.jpg");
    CNBObject* dark = Box(Vector3{1.5f, 0.0f, 0.0f}, 1.0f, u"boxred.jpg");
    ASSERT_TRUE(red && blue && dark);
    dark->Ambient = Vector4{0.0f, 0.0f, 0.0f, 1.0f};
    dark->Diffuse = Vector4{0.05f, 0.05f, 0.05f, 1.0f};
    LightPosition = Vector3{0.0f, 0.0f, -500.0f};

    Frame({&CScene::RenderDefaultPass});
    const auto front = [&](const CNBObject* box) {
        return At(Vector3{box->Position.x, box->Position.y, box->Position.z - 0.5f});
    };
    const Pixel redFront = front(red), blueFront = front(blue), darkFront = front(dark);
    EXPECT_GT(redFront.r, redFront.b + 40) << redFront;
    EXPECT_GT(blueFront.b, blueFront.r + 40) << blueFront;
    EXPECT_LT(Brightness(darkFront) + 150, Brightness(redFront)) << darkFront << " " << redFront;
}

TEST_F(ObjectPasses, AnObjectIsDrawnByTheVisibleByteItCarriesIntoAnotherSector)
{
    CNBObject* box = Box(Vector3{0.0f, 0.0f, 0.0f});
    ASSERT_NE(box, nullptr);
    ASSERT_NE(Box(Vector3{4.0f, 0.0f, 0.0f}, 1.0f), nullptr);  // keeps the opaque passes running
    // A second sector far beyond the view distance: never tested, so the
    // objects it gets keep the bytes they bring.
    auto* away = new Sector;
    away->boundsCentre = Vector3{0.0f, 0.0f, -5000.0f};
    away->radius = 1.0f;
    away->renderFlags[0] = 1;
    world_->sectors.push_back(away);
    Sector* home = world_->sectors[0];
    const auto moveTo = [&](Sector* from, Sector* to) {
        from->objects.erase(std::find(from->objects.begin(), from->objects.end(), box));
        to->objects.push_back(box);
    };

    Frame({&CScene::RenderDefaultPass});
    ASSERT_NE(Middle(), kCleared);
    // Moved between the cull and the passes, and then culled in its new
    // sector frame after frame.
    Frame({&CScene::RenderDefaultPass}, [&] { moveTo(home, away); });
    EXPECT_NE(Middle(), kCleared);
    for (int frame = 0; frame < 2; ++frame) {
        Frame({&CScene::RenderDefaultPass});
        EXPECT_NE(Middle(), kCleared);
    }
    Frame({&CScene::RenderDefaultPass}, [&] { box->Visible = 0; });
    EXPECT_EQ(Middle(), kCleared);
    // Back home, where the cull tests it again.
    Frame({&CScene::RenderDefaultPass}, [&] { moveTo(away, home); });
    EXPECT_EQ(Middle(), kCleared);
    Frame({&CScene::RenderDefaultPass});
    EXPECT_NE(Middle(), kCleared);
}

TEST_F(ObjectPasses, ASingleObjectIsDrawnByItsOwnCameraAndLitFromIt)
{
    CNBObject* box = Box(Vector3{0.0f, 0.0f, 0.0f});
    ASSERT_NE(box, nullptr);
    box->Visible = 0;  // no test of its own
    LightPosition = Vector3{0.0f, 0.0f, 500.0f};  // behind the box: its front gets no sun

    Frame({&CScene::RenderDefaultPass});
    const Pixel sunlit = Middle();
    // The main camera looks away; the given one looks at the front face.
    CCamera camera = scene_->mainCamera;
    LookFrom(Vector3{0.0f, 0.0f, -6.0f}, Vector3{0.0f, 0.0f, -20.0f});
    Driver->Clear(kCleared.r, kCleared.g, kCleared.b);
    scene_->RenderSingleObject(nullptr, &camera);
    EXPECT_EQ(Centre(), kCleared);
    scene_->RenderSingleObject(box, &camera);
    const Pixel single = Centre();
    EXPECT_NE(single, kCleared);
    EXPECT_GT(Brightness(single), Brightness(sunlit) + 60) << single << " " << sunlit;
}
