// The generator preview passes on a headless device: the Perlin positions
// drawn with the one position object (built lazily from the field
// prototype), the other generators' preview objects with their own
// matrices, both in the plain and the shadowed family, and preview colours
// untouched by the world's light colours.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "graphics/driver.h"
#include "platform/files.h"
#include "render/object_passes.h"
#include "scene/scene.h"
#include "support/headless_driver.h"
#include "support/shipped_data.h"
#include "world/block_type.h"
#include "world/object.h"
#include "world/world.h"

namespace {

constexpr Pixel kCleared{17, 170, 250, 0};

using Pass = void (CScene::*)();

class GeneratorPreviewPasses : public HeadlessDriverTest {
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

        cube_ = new BlockType;
        cube_->Init();
        cube_->name = u"Cube";
        cube_->textureName = u"boxred.jpg";
        for (int i = 0; i < 8; ++i) {
            cube_->vertices.push_back(Vector3{i & 1 ? 1.0f : -1.0f, i & 2 ? 1.0f : -1.0f, i & 4 ? 1.0f : -1.0f});
            cube_->normals.push_back(Vector3{0.0f, 0.0f, -1.0f});
        }
        cube_->triangles = {{0, 3, 1}, {0, 2, 3}, {4, 7, 6}, {4, 5, 7}, {0, 5, 4}, {0, 1, 5},
                            {2, 7, 3}, {2, 6, 7}, {0, 6, 2}, {0, 4, 6}, {1, 7, 5}, {1, 3, 7}};
        cube_->ComputeBounds();
        world_->blockTypes.push_back(cube_);

        CCamera& camera = scene_->mainCamera;
        const Vector3 eye{0.0f, 0.0f, -10.0f};
        Vector3 up{0.0f, 1.0f, 0.0f};
        camera.position = eye;
        camera.LookAt(eye, Vector3{0.0f, 0.0f, 0.0f}, up);
        camera.ApplySceneProjection(60.0f, 0.5f, 200.0f, backBufferWidth, backBufferHeight);
    }

    void TearDown() override
    {
        scene_.reset();
        HeadlessDriverTest::TearDown();
    }

    void Frame(Pass pass)
    {
        Driver->Clear(kCleared.r, kCleared.g, kCleared.b);
        Driver->SetDepthStencilState(world_->FindDepthStencilState(u"default"));
        UseTriangleLists(*Driver);
        (scene_.get()->*pass)();
        pixels_ = ReadBack(&width_);
    }

    Pixel At(Vector3 point)
    {
        EXPECT_TRUE(scene_->mainCamera.ProjectToScreen(point, backBufferWidth, backBufferHeight));
        return PixelAt(pixels_, width_, static_cast<uint32_t>(point.x), static_cast<uint32_t>(point.y));
    }

    CNBObject* PreviewAt(const Vector3& at)
    {
        CNBObject* object = scene_->CreateMeshObject(cube_);
        EXPECT_NE(object, nullptr);
        object->WorldMatrix.m[12] = at.x;
        object->WorldMatrix.m[13] = at.y;
        object->WorldMatrix.m[14] = at.z;
        object->Ambient = Vector4{{0.4f, 0.4f, 0.4f, 1.0f}};
        object->Diffuse = Vector4{{0.3f, 0.3f, 0.3f, 1.0f}};
        scene_->previewObjects.push_back(object);
        return object;
    }

    std::unique_ptr<CScene> scene_;
    CWorld* world_ = nullptr;
    BlockType* cube_ = nullptr;
    std::vector<uint8_t> pixels_;
    uint32_t width_ = 0;
};

}  // namespace

TEST_F(GeneratorPreviewPasses, PositionsAreDrawnWithTheOnePositionObject)
{
    scene_->previewPositions = {Vector3{-3.0f, 0.0f, 0.0f}, Vector3{3.0f, 0.0f, 0.0f}};

    Frame(&CScene::RenderPreviewPositions);  // no field prototype yet: nothing
    EXPECT_EQ(At(Vector3{-3.0f, 0.0f, -1.0f}), kCleared);
    EXPECT_EQ(scene_->positionObject, nullptr);

    scene_->generator.fieldPrototype = cube_;
    for (Pass pass : {&CScene::RenderPreviewPositions, &CScene::RenderPreviewPositionsShadowed}) {
        Frame(pass);
        ASSERT_NE(scene_->positionObject, nullptr);
        EXPECT_NE(At(Vector3{-3.0f, 0.0f, -1.0f}), kCleared);
        EXPECT_NE(At(Vector3{3.0f, 0.0f, -1.0f}), kCleared);
        EXPECT_EQ(At(Vector3{0.0f, 0.0f, -1.0f}), kCleared);  // between the two positions
    }

    // Every position shares the object's rotation and scale: only the
    // translation changes. A position object moved away is still drawn at
    // the positions.
    CNBObject* object = scene_->positionObject;
    object->WorldMatrix.m[12] = 50.0f;
    Frame(&CScene::RenderPreviewPositions);
    EXPECT_EQ(scene_->positionObject, object);
    EXPECT_NE(At(Vector3{3.0f, 0.0f, -1.0f}), kCleared);
}

TEST_F(GeneratorPreviewPasses, PreviewObjectsAreDrawnWithTheirOwnMatricesAndColours)
{
    Frame(&CScene::RenderPreviewObjects);  // an empty list draws nothing
    EXPECT_EQ(At(Vector3{0.0f, 0.0f, -1.0f}), kCleared);

    PreviewAt(Vector3{-3.0f, 0.0f, 0.0f});
    PreviewAt(Vector3{3.0f, 0.0f, 0.0f});
    for (Pass pass : {&CScene::RenderPreviewObjects, &CScene::RenderPreviewObjectsShadowed}) {
        Frame(pass);
        EXPECT_NE(At(Vector3{-3.0f, 0.0f, -1.0f}), kCleared);
        EXPECT_NE(At(Vector3{3.0f, 0.0f, -1.0f}), kCleared);
        EXPECT_EQ(At(Vector3{0.0f, 0.0f, -1.0f}), kCleared);
    }

    // The world's added light colours do not reach previews.
    Frame(&CScene::RenderPreviewObjects);
    const Pixel plain = At(Vector3{3.0f, 0.0f, -1.0f});
    world_->sunAmbient = Vector4{{0.6f, 0.6f, 0.6f, 0.0f}};
    world_->sunDiffuse = Vector4{{0.6f, 0.6f, 0.6f, 0.0f}};
    Frame(&CScene::RenderPreviewObjects);
    EXPECT_EQ(At(Vector3{3.0f, 0.0f, -1.0f}), plain);
}
