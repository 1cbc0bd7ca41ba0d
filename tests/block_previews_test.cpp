// The block types' preview pictures: the camera that circles a block type
// (distance, turning, upright), which block types a call renders and at what
// scale, the pictures read back from a headless GPU (opaque green around an
// upright object, the scene's camera and viewport left as they were), and
// that objects and targets go with their block type.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "core/vector3.h"
#include "graphics/driver.h"
#include "graphics/gpu_texture.h"
#include "graphics/texture.h"
#include "platform/files.h"
#include "render/block_previews.h"
#include "scene/camera.h"
#include "scene/scene.h"
#include "platform/gpu/texture_test_hooks.h"
#include "support/headless_driver.h"
#include "support/shipped_data.h"
#include "support/temp_directory.h"
#include "world/block_type.h"
#include "world/object.h"
#include "world/world.h"

namespace {

constexpr Pixel kGreen{0, 200, 0, 255};

// A box block type of the given corners, textured "boxred.jpg", on the heap
// for a world's library.
BlockType* NewBox(const char16_t* name, const Vector3& low, const Vector3& high)
{
    auto* type = new BlockType;
    type->name = name;
    type->textureName = u"boxred.jpg";
    for (int i = 0; i < 8; ++i) {
        type->vertices.push_back(
            Vector3{i & 1 ? high.x : low.x, i & 2 ? high.y : low.y, i & 4 ? high.z : low.z});
        type->normals.push_back(Vector3{0.0f, 1.0f, 0.0f});
    }
    type->triangles = {{0, 3, 1}, {0, 2, 3}, {4, 7, 6}, {4, 5, 7}, {0, 5, 4}, {0, 1, 5},
                       {2, 7, 3}, {2, 6, 7}, {0, 6, 2}, {0, 4, 6}, {1, 7, 5}, {1, 3, 7}};
    type->ComputeBounds();
    return type;
}

BlockType* NewCube(const char16_t* name)
{
    return NewBox(name, Vector3{-0.5f, -0.5f, -0.5f}, Vector3{0.5f, 0.5f, 0.5f});
}

bool Finite(const Matrix4d& matrix)
{
    for (double value : matrix.m)
        if (!std::isfinite(value)) return false;
    return true;
}

bool SameVector(const Vector3& a, const Vector3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

}  // namespace

TEST(BlockPreviewCamera, CirclesAtItsDistanceLooksAtTheCentreUprightAndKeepsAMinimumDistance)
{
    CCamera camera;
    SetUpBlockPreviewCamera(camera, 10.0f, 90.0f);
    EXPECT_NEAR(camera.position.Length(), 12.0f, 1e-4f);

    Vector3 centre{0.0f, 0.0f, 0.0f};
    ASSERT_TRUE(camera.ProjectToScreen(centre, kBlockPreviewSide, kBlockPreviewSide));
    EXPECT_NEAR(centre.x, 256.0f, 1.0f);
    EXPECT_NEAR(centre.y, 256.0f, 1.0f);
    Vector3 above{0.0f, 1.0f, 0.0f};
    camera.ProjectToScreen(above, kBlockPreviewSide, kBlockPreviewSide);
    EXPECT_LT(above.y, centre.y - 10.0f);  // up is up in the picture

    // A box of no size, or no finite size, still has the eye outside the
    // centre and a usable projection.
    for (float size : {0.0f, NAN}) {
        SCOPED_TRACE(size);
        CCamera tiny;
        SetUpBlockPreviewCamera(tiny, size, 30.0f);
        EXPECT_NEAR(tiny.position.Length(), kBlockPreviewMinimumDistance, 1e-5f);
        EXPECT_TRUE(Finite(tiny.viewMatrix) && Finite(tiny.projectionMatrix));
        Vector3 middle{0.0f, 0.0f, 0.0f};
        EXPECT_TRUE(tiny.ProjectToScreen(middle, kBlockPreviewSide, kBlockPreviewSide));
    }
}

TEST(BlockPreviewCamera, TurnsFifteenDegreesPerSecondOfFrameTimeOnly)
{
    EXPECT_FLOAT_EQ(AdvanceBlockPreviewAngle(10.0f, 1.0f / 60.0f), 10.25f);
    EXPECT_FLOAT_EQ(AdvanceBlockPreviewAngle(359.0f, 0.2f), 2.0f);  // stays within a turn
    for (float noTime : {-1.0f, NAN}) EXPECT_FLOAT_EQ(AdvanceBlockPreviewAngle(10.0f, noTime), 10.0f);
    EXPECT_FLOAT_EQ(AdvanceBlockPreviewAngle(NAN, 0.0f), 0.0f);
}

namespace {

class BlockPreviewsWithoutDevice : public ::testing::Test {
protected:
    BlockPreviewsWithoutDevice()
    {
        scene_.world = new CWorld;
        for (const char16_t* name : {u"First", u"Second", u"Third"}) scene_.world->blockTypes.push_back(NewCube(name));
    }

    BlockType& Type(int i) { return *scene_.world->blockTypes[static_cast<size_t>(i)]; }

    TempDirectory folder_;
    ScopedStartDirectory start_{folder_.Path()};
    CScene scene_;
};

}  // namespace

TEST_F(BlockPreviewsWithoutDevice, EachFrameTurnsTheCurrentAndTheShownBlockTypeOnceTheRateIsKnown)
{
    CWorld& world = *scene_.world;
    world.currentBlockType = &Type(1);
    world.pickedBlockType = &Type(2);

    // Before the frame rate is known nothing turns.
    scene_.RenderBlockPreviews(1);
    EXPECT_EQ(Type(0).preview.object, nullptr);
    ASSERT_NE(Type(1).preview.object, nullptr);
    EXPECT_EQ(Type(2).preview.object, nullptr);  // the "Blocks" window is closed
    EXPECT_EQ(Type(1).preview.angle, 0.0f);

    for (int i = 0; i < 4; ++i) scene_.timing.PushFpsSample(60.0f);
    scene_.Flag(kFlagBlocksWindow) = 1;
    for (int frame = 0; frame < 60; ++frame) scene_.RenderBlockPreviews(1);
    EXPECT_NEAR(Type(1).preview.angle, 15.0f, 1e-3f);
    EXPECT_NEAR(Type(2).preview.angle, 15.0f, 1e-3f);
    EXPECT_EQ(Type(0).preview.angle, 0.0f);

    // A history of zero rates has no frame time, not an endless one.
    for (int i = 0; i < 7; ++i) scene_.timing.fpsHistory[i] = 0.0f;
    scene_.RenderBlockPreviews(1);
    EXPECT_NEAR(Type(1).preview.angle, 15.0f, 1e-3f);
}

TEST_F(BlockPreviewsWithoutDevice, AnAllCallRendersAtScaleOneAndLeavesThePreviewScale)
{
    CWorld& world = *scene_.world;
    world.currentBlockType = &Type(0);
    scene_.options.previewScale = Vector3{2.0f, 3.0f, 4.0f};
    scene_.RenderBlockPreviews(1);
    ASSERT_NE(Type(0).preview.object, nullptr);
    EXPECT_TRUE(SameVector(Type(0).preview.object->Scale, Vector3{2.0f, 3.0f, 4.0f}));

    scene_.RenderBlockPreviews(-1);
    ASSERT_NE(Type(2).preview.object, nullptr);
    EXPECT_TRUE(SameVector(Type(0).preview.object->Scale, Vector3{1.0f, 1.0f, 1.0f}));
    EXPECT_TRUE(SameVector(scene_.options.previewScale, Vector3{2.0f, 3.0f, 4.0f}));
    EXPECT_TRUE(world.objects.empty());  // pictures are no world objects

    // The next frame's picture is made at the scene's scale again.
    scene_.RenderBlockPreviews(1);
    EXPECT_TRUE(SameVector(Type(0).preview.object->Scale, Vector3{2.0f, 3.0f, 4.0f}));
}

namespace {

class BlockPreviews : public HeadlessDriverTest {
protected:
    void SetUp() override
    {
        HeadlessDriverTest::SetUp();
        folder_.Write("Textures/boxred.jpg", Shipped("Textures/boxred.jpg"));
        scene_ = std::make_unique<CScene>();
        scene_->driver = Driver;
        world_ = scene_->world = new CWorld;
        world_->driver = Driver;
        world_->RecreateSectors(1);
        world_->GenerateWorld();
    }

    void TearDown() override
    {
        scene_.reset();  // the pictures go with the world's block types, while the device lives
        HeadlessDriverTest::TearDown();
    }

    static std::vector<uint8_t> PictureOf(const BlockType& type, uint32_t* width, uint32_t* height)
    {
        std::vector<uint8_t> rgba;
        const CTexture* picture = type.PreviewPicture();
        EXPECT_TRUE(picture && picture->gpu && picture->gpu->texture);
        if (picture && picture->gpu) {
            EXPECT_EQ(gpu::ReadTexturePixels(picture->gpu->texture, &rgba, width, height), S_OK);
        }
        return rgba;
    }

    std::unique_ptr<CScene> scene_;
    CWorld* world_ = nullptr;
};

}  // namespace

TEST_F(BlockPreviews, APictureShowsTheObjectUprightOnOpaqueGreenAndLeavesTheSceneAsItWas)
{
    // A box wholly above the centre it is seen around: it shows in the upper
    // half of the picture, the lower half is background.
    BlockType* raised = NewBox(u"Raised", Vector3{-0.5f, 0.5f, -0.5f}, Vector3{0.5f, 1.5f, 0.5f});
    world_->blockTypes.push_back(raised);
    world_->currentBlockType = raised;
    const Vector3 eye{1.0f, 2.0f, 3.0f};
    scene_->mainCamera.position = eye;
    gpu::Context* context = Driver->state->context;
    const gpu::Viewport before{0.0f, 0.0f, 40.0f, 30.0f, 0.0f, 1.0f};
    context->RSSetViewports(1, &before);

    scene_->RenderBlockPreviews(1);
    uint32_t width = 0;
    uint32_t height = 0;
    const std::vector<uint8_t> rgba = PictureOf(*raised, &width, &height);
    ASSERT_EQ(height, 512u);

    int coveredAbove = 0;
    int coveredBelow = 0;
    for (uint32_t y = 0; y < height; y += 8)
        for (uint32_t x = 0; x < width; x += 8)
            if (PixelAt(rgba, width, x, y) != kGreen) ++(y < height / 2 ? coveredAbove : coveredBelow);
    EXPECT_GT(coveredAbove, 100);
    EXPECT_EQ(coveredBelow, 0);

    EXPECT_TRUE(SameVector(scene_->mainCamera.position, eye));
    gpu::Viewport after;
    uint32_t count = 1;
    context->RSGetViewports(&count, &after);
    EXPECT_EQ(after.Width, 40.0f);
}

TEST_F(BlockPreviews, AllCallPicturesEveryBlockTypeAndTheyGoWithTheWorld)
{
    const int texturesBefore = CTexture::Heap().LiveCount();
    const int objectsBefore = CNBObject::Heap().LiveCount();
    const int recordsBefore = GpuTexture::Heap().LiveCount();
    for (const char16_t* name : {u"One", u"Two"}) world_->blockTypes.push_back(NewCube(name));

    scene_->RenderBlockPreviews(-1);
    for (BlockType* type : world_->blockTypes) {
        uint32_t width = 0;
        uint32_t height = 0;
        const std::vector<uint8_t> rgba = PictureOf(*type, &width, &height);
        ASSERT_EQ(width, 512u);
        EXPECT_NE(PixelAt(rgba, width, 256, 256), kGreen);  // the cube at the centre
        EXPECT_EQ(PixelAt(rgba, width, 2, 2), kGreen);
    }
    EXPECT_EQ(CTexture::Heap().LiveCount(), texturesBefore + 4);
    EXPECT_EQ(CNBObject::Heap().LiveCount(), objectsBefore + 2);

    // A block type set back to its defaults lets its picture go.
    world_->blockTypes[0]->Init();
    EXPECT_EQ(CTexture::Heap().LiveCount(), texturesBefore + 2);

    // Made again only when asked: a released picture comes back on the next visit.
    ReleaseBlockPreviews(*world_);
    EXPECT_EQ(world_->blockTypes[0]->PreviewPicture(), nullptr);
    EXPECT_EQ(CTexture::Heap().LiveCount(), texturesBefore);
    scene_->RenderBlockPreviews(-1);
    EXPECT_NE(world_->blockTypes[1]->PreviewPicture(), nullptr);

    delete scene_->world;
    scene_->world = nullptr;
    world_ = nullptr;
    EXPECT_EQ(CNBObject::Heap().LiveCount(), objectsBefore);
    EXPECT_LE(CTexture::Heap().LiveCount(), texturesBefore);  // the world's own textures went too
    EXPECT_LE(GpuTexture::Heap().LiveCount(), recordsBefore);
}
