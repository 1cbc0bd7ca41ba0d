// The sky box pass on a headless device: the sky fills the background the
// right way up, the top has its own picture (the side picture when the top
// one is missing), objects drawn afterwards stand in front of it even with a
// short view distance, and a world without a sky mesh gets nothing.
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
#include "world/object.h"
#include "world/world.h"

namespace {

constexpr Pixel kCleared{17, 170, 250, 0};

class SkyBox : public HeadlessDriverTest {
protected:
    // A scene on the device with a world whose Textures folder holds the
    // given pictures.
    void MakeWorld(const std::vector<std::string>& pictures)
    {
        for (const std::string& picture : pictures) folder_.Write("Textures/" + picture, Shipped("Textures/" + picture));
        scene_ = std::make_unique<CScene>();
        scene_->driver = Driver;
        world_ = scene_->world = new CWorld;
        world_->driver = Driver;
        world_->RecreateSectors(1);
        world_->GenerateWorld();
    }

    void TearDown() override
    {
        scene_.reset();
        HeadlessDriverTest::TearDown();
    }

    void LookFrom(const Vector3& eye, const Vector3& target, Vector3 up = Vector3{0.0f, 1.0f, 0.0f},
                  float farPlane = 1000.0f)
    {
        CCamera& camera = scene_->mainCamera;
        camera.position = eye;
        camera.LookAt(eye, target, up);
        camera.ApplySceneProjection(70.0f, 0.2f, farPlane, backBufferWidth, backBufferHeight);
    }

    // The frame's clear, then the sky (and whatever passes follow).
    void Frame(bool withObjects = false)
    {
        Driver->Clear(kCleared.r, kCleared.g, kCleared.b);
        Driver->SetDepthStencilState(world_->FindDepthStencilState(u"default"));
        UseTriangleLists(*Driver);
        scene_->RenderSkyBox();
        if (withObjects) {
            scene_->CullView();
            scene_->CollectMeshKinds();
            scene_->RenderDefaultPass();
        }
        pixels_ = ReadBack(&width_);
    }

    Pixel At(uint32_t x, uint32_t y) const { return PixelAt(pixels_, width_, x, y); }
    uint32_t Bottom() const { return static_cast<uint32_t>(backBufferHeight - 1); }

    std::unique_ptr<CScene> scene_;
    CWorld* world_ = nullptr;
    std::vector<uint8_t> pixels_;
    uint32_t width_ = 0;
};

}  // namespace

TEST_F(SkyBox, TheSkyFillsTheBackgroundTheRightWayUp)
{
    MakeWorld({"skybox_side.jpg", "skybox_top.jpg", "skybox_bottom.jpg"});
    // Wherever the viewer stands and looks along the horizon, the side
    // picture shows: blue sky above, green-brown land below.
    for (const Vector3& eye : {Vector3{0.0f, 0.0f, 0.0f}, Vector3{300.0f, 20.0f, -900.0f}}) {
        for (const Vector3& along : {Vector3{1.0f, 0.0f, 0.0f}, Vector3{0.0f, 0.0f, -1.0f}}) {
            LookFrom(eye, Vector3::Add(eye, along));
            Frame();
            for (uint32_t x : {0u, width_ - 1}) {
                const Pixel above = At(x, 0);
                const Pixel below = At(x, Bottom());
                EXPECT_NE(above, kCleared);
                EXPECT_GT(above.b, above.r + 20) << above;
                EXPECT_GT(below.g, below.b) << below;
            }
        }
    }
}

TEST_F(SkyBox, TheTopHasItsOwnPictureOrWithoutItTheSidePicture)
{
    for (const bool withTop : {false, true}) {
        MakeWorld(withTop ? std::vector<std::string>{"skybox_side.jpg", "skybox_top.jpg"}
                          : std::vector<std::string>{"skybox_side.jpg"});
        LookFrom(Vector3{}, Vector3{0.0f, 1.0f, 0.0f}, Vector3{0.0f, 0.0f, 1.0f});
        Frame();
        const Pixel top = At(width_ / 2, static_cast<uint32_t>(backBufferHeight / 2));
        EXPECT_NE(top, kCleared);
        // The deep blue of the top picture, or the side picture's pale middle.
        EXPECT_EQ(top.b > top.r + 80, withTop) << top;
    }
}

TEST_F(SkyBox, ObjectsStandInFrontOfTheSkyAndAWorldWithoutSkyGetsNone)
{
    MakeWorld({"skybox_side.jpg", "skybox_top.jpg", "skybox_bottom.jpg", "laminat_surface.dds"});
    CNBObject* box = world_->CreateBoxObject(2.0f, 2.0f, Vector3{0.0f, 0.0f, 8.0f}, 2.0f, u"laminat_surface.dds", 1,
                                             1, 1, 1, 1);
    ASSERT_NE(box, nullptr);
    world_->LinkObjectTextures(box);
    world_->AssignSectors();
    // The view ends at 10: the sky, 250 away, still lies behind the box.
    LookFrom(Vector3{}, Vector3{0.0f, 0.0f, 1.0f}, Vector3{0.0f, 1.0f, 0.0f}, 10.0f);
    Frame();
    const Pixel skyOnly = At(width_ / 2, static_cast<uint32_t>(backBufferHeight / 2));
    Frame(true);
    const Pixel withBox = At(width_ / 2, static_cast<uint32_t>(backBufferHeight / 2));
    EXPECT_NE(withBox, skyOnly);

    RenderSet* sides = world_->skyBoxSides;
    world_->skyBoxSides = nullptr;
    Frame();
    world_->skyBoxSides = sides;
    EXPECT_EQ(At(0, 0), kCleared);
}
