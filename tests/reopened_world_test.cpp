// A world saved and opened again, by "ReLoad Last Saved" or from the worlds
// list, looks as it did: an object of every shipped block type, drawn by the
// real driver before the save and after each opening, pixel for pixel, with
// what the world file does not keep taken again from the block types.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/driver.h"
#include "platform/clock.h"
#include "scene/scene.h"
#include "shell/game.h"
#include "shell/settings.h"
#include "support/headless_driver.h"
#include "support/shipped_data.h"
#include "world/block_type.h"
#include "world/object.h"
#include "world/world.h"

namespace {

struct Looks {
    float power;
    int32_t flags;
    int32_t animationMode;
    bool operator==(const Looks&) const = default;
};

class ReopenedWorld : public HeadlessDriverTest {
protected:
    void SetUp() override
    {
        HeadlessDriverTest::SetUp();
        Settings.screenWidth = 320;
        Settings.screenHeight = 240;
        ASSERT_EQ(Driver->ResetVideoMode(), 1) << Log();
        CopyShippedFolder(folder_, "Blocks");
        CopyShippedFolder(folder_, "Textures");
        folder_.MakeFolder("Worlds");
        game_.driver = Driver;
        platform::SetClockSource([this] { return now_ += 3; });
    }
    void TearDown() override
    {
        game_.UnloadWorld();
        platform::SetClockSource({});
        HeadlessDriverTest::TearDown();
    }

    std::vector<uint8_t> Frame()
    {
        for (int i = 0; i < 3; ++i) game_.scene->RenderFrame();
        return ReadBack();
    }
    std::vector<Looks> LooksOfObjects() const
    {
        std::vector<Looks> looks;
        for (const CNBObject* object : game_.scene->world->objects)
            looks.push_back(Looks{object->Power, object->Flags, object->AnimationMode});
        return looks;
    }

    uint32_t now_ = 100000;
    CGame game_;
};

}  // namespace

TEST_F(ReopenedWorld, EveryBlockTypeIsDrawnAsBeforeTheSave)
{
    const BlankSceneParams blank{100.0f, 20.0f, 0, 5.0f, 0, 0};
    ASSERT_TRUE(game_.NewWorld("look", kBlankScene, &blank, nullptr, nullptr)) << Log();
    CScene* scene = game_.scene;
    float x = -6.0f;
    for (BlockType* type : scene->world->blockTypes) {
        ASSERT_NE(scene->CreateObjectFromBlockType(type, 1, 0, x, 0.0f, 4.0f, 0.0f, 1.0f, 0.0f), nullptr);
        x += 1.3f;
    }
    scene->world->AssignSectors();
    scene->Flag(kFlagPhysicsPaused) = 1;  // nothing moves between the pictures
    Vector3 up{0.0f, 1.0f, 0.0f};
    scene->mainCamera.LookAt(Vector3{0.0f, 3.0f, -5.0f}, Vector3{0.0f, 0.5f, 4.0f}, up);
    scene->mainCamera.position = Vector3{0.0f, 3.0f, -5.0f};
    scene->StoreCameraBlock();  // the file carries the viewer
    const std::vector<uint8_t> saved = Frame();
    const std::vector<Looks> looks = LooksOfObjects();
    ASSERT_EQ(scene->SaveCurrentWorld(folder_.File("Worlds/look.vsk").c_str()), 1);

    ASSERT_TRUE(scene->ReloadWorld()) << Log();
    EXPECT_EQ(LooksOfObjects(), looks);
    EXPECT_TRUE(Frame() == saved);

    game_.UnloadWorld();
    ASSERT_TRUE(game_.LoadWorld("look.vsk")) << Log();
    EXPECT_EQ(LooksOfObjects(), looks);
    EXPECT_TRUE(Frame() == saved);
}
