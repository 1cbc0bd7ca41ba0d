// The whole scene frame drawn headless on a real driver and checked by its
// pixels: sky, ground, lit boxes, their shadows, a line and the aiming cross.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "graphics/driver.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "scene/drop_queue.h"
#include "scene/scene.h"
#include "shell/game.h"
#include "shell/settings.h"
#include "support/headless_driver.h"
#include "support/shipped_data.h"
#include "world/block_type.h"
#include "world/line.h"
#include "world/object.h"
#include "world/world.h"

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

void CopyFolder(const TempDirectory& to, const std::string& folder)
{
    std::vector<platform::DirectoryEntry> entries;
    ASSERT_TRUE(platform::ListDirectory(folder, entries)) << folder;
    for (const auto& entry : entries)
        if (!entry.isDirectory) to.Write(folder + "/" + entry.name, Shipped(platform::JoinPath(folder, entry.name)));
}

int Luminance(const Pixel& p) { return (299 * p.r + 587 * p.g + 114 * p.b) / 1000; }

// The mean of the 3 x 3 pixels around (x, y).
Pixel MeanAround(const std::vector<uint8_t>& rgba, int x, int y)
{
    int sum[3] = {};
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const Pixel p = PixelAt(rgba, kWidth, static_cast<uint32_t>(x + dx), static_cast<uint32_t>(y + dy));
            sum[0] += p.r;
            sum[1] += p.g;
            sum[2] += p.b;
        }
    return Pixel{static_cast<uint8_t>(sum[0] / 9), static_cast<uint8_t>(sum[1] / 9), static_cast<uint8_t>(sum[2] / 9),
                 255};
}

class SceneRender : public HeadlessDriverTest {
protected:
    void SetUp() override
    {
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        HeadlessDriverTest::SetUp();
        Settings.screenWidth = kWidth;
        Settings.screenHeight = kHeight;
        ASSERT_EQ(Driver->ResetVideoMode(), 1) << Log();
        ASSERT_EQ(backBufferWidth, kWidth);
        CopyFolder(folder_, "Blocks");
        CopyFolder(folder_, "Textures");
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

    // Where a world point lands on the screen, in whole pixels.
    void Project(const CScene& scene, Vector3 point, int& x, int& y) const
    {
        EXPECT_TRUE(scene.mainCamera.ProjectToScreen(point, kWidth, kHeight)) << point.x << " " << point.y;
        x = static_cast<int>(point.x);
        y = static_cast<int>(point.y);
    }

    uint32_t now_ = 100000;
    CGame game_;
};

}  // namespace

TEST_F(SceneRender, SkyGroundLitBoxesShadowsLineAndCrossAreDrawn)
{
    const BlankSceneParams blank{100.0f, 20.0f, 0, 5.0f, 0, 0};
    ASSERT_TRUE(game_.NewWorld("render", kBlankScene, &blank, nullptr, nullptr)) << Log();
    CScene* scene = game_.scene;
    CWorld* world = scene->world;

    // Three boxes of 1 m on the ground (its top at height 0), no bodies.
    BlockType* box = world->FindBlockType(u"BoxRed");
    ASSERT_NE(box, nullptr);
    std::vector<CNBObject*> boxes;
    for (float x : {-4.0f, 0.0f, 4.0f}) {
        CNBObject* object = scene->CreateObjectFromBlockType(box, 1, 0, x, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f);
        ASSERT_NE(object, nullptr);
        boxes.push_back(object);
    }
    world->AssignSectors();
    const CNBObject* middle = boxes[1];
    const Vector3 centre = middle->Center;

    // A line across in front of the boxes, still being drawn (red).
    world->BeginLine();
    CLine* line = world->drawingLine;
    ASSERT_NE(line, nullptr);
    for (float x : {-6.0f, -2.0f, 2.0f, 6.0f}) *line->AddPoint() = Vector3{x, 0.3f, -2.5f};
    line->driver = Driver;
    line->CreateDriverRenderSet();
    ASSERT_NE(line->renderSet, nullptr);

    // The sun from -x, 45 degrees high: the shadows fall towards +x.
    world->sunAngleA = 45.0f;
    world->sunAngleB = 180.0f;
    scene->SetLightDirection();
    scene->shadowsOn = 1;
    scene->cursorSpriteShown = 1;
    scene->cursor3D = Vector3{0.0f, 0.0f, -100.0f};  // the cursor marker behind the viewer
    const Vector3 eye{0.0f, 3.0f, -7.0f};
    Vector3 up{0.0f, 1.0f, 0.0f};
    scene->mainCamera.LookAt(eye, Vector3{centre.x, 0.5f, centre.z}, up);
    scene->mainCamera.position = eye;

    for (int frame = 0; frame < 3; ++frame) scene->RenderFrame();
    uint32_t width = 0;
    const std::vector<uint8_t> rgba = ReadBack(&width);
    ASSERT_EQ(width, static_cast<uint32_t>(kWidth));

    // The sky: every pixel of the top rows blue-ish.
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < kWidth; x += 8) {
            const Pixel p = PixelAt(rgba, kWidth, x, y);
            EXPECT_GT(p.b, p.r) << x << "," << y << " " << p;
            EXPECT_GT(p.b, 100) << x << "," << y << " " << p;
        }

    // The ground below, lit: not the sky's colour and not black.
    int gx = 0, gy = 0;
    const Vector3 lightGround{centre.x - 2.0f, 0.0f, centre.z - 1.5f};
    Project(*scene, lightGround, gx, gy);
    const Pixel ground = MeanAround(rgba, gx, gy);
    EXPECT_GT(Luminance(ground), 40) << ground;
    EXPECT_FALSE(ground.b > ground.r + 40) << ground;

    // The middle box: its top, facing the sun, brighter than its front,
    // which the sun only grazes; both textured red.
    int tx = 0, ty = 0, fx = 0, fy = 0;
    Project(*scene, Vector3{centre.x - 0.2f, 1.0f, centre.z}, tx, ty);
    Project(*scene, Vector3{centre.x - 0.2f, 0.5f, centre.z - 0.5f}, fx, fy);
    const Pixel top = MeanAround(rgba, tx, ty + 2);
    const Pixel front = MeanAround(rgba, fx, fy);
    EXPECT_GT(top.r, top.b) << top;
    EXPECT_GT(Luminance(top), Luminance(front) + 10) << top << " " << front;
    EXPECT_GT(front.r, 0) << front;

    // Its shadow on the ground beside it, towards +x, darker than the lit ground.
    int sx = 0, sy = 0;
    Project(*scene, Vector3{centre.x + 0.9f, 0.0f, centre.z}, sx, sy);
    const Pixel shadow = MeanAround(rgba, sx, sy);
    EXPECT_LT(Luminance(shadow) * 10, Luminance(ground) * 8) << shadow << " " << ground;

    // The line in its drawing colour somewhere next to where its middle projects.
    int lx = 0, ly = 0;
    Project(*scene, Vector3{0.0f, 0.3f, -2.5f}, lx, ly);
    bool lineFound = false;
    for (int dy = -2; dy <= 2 && !lineFound; ++dy)
        for (int dx = -2; dx <= 2; ++dx) {
            const Pixel p = PixelAt(rgba, kWidth, lx + dx, ly + dy);
            if (p.r > 220 && p.g < 50 && p.b < 50) lineFound = true;
        }
    EXPECT_TRUE(lineFound) << "around " << lx << "," << ly << ": " << PixelAt(rgba, kWidth, lx, ly);

    // The cross at the screen centre: the frame drawn again without it
    // differs there and nowhere far from it.
    scene->cursorSpriteShown = 0;
    scene->RenderFrame();
    const std::vector<uint8_t> without = ReadBack();
    int changedNear = 0, changedFar = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const size_t i = (static_cast<size_t>(y) * kWidth + x) * 4;
            const bool changed = rgba[i] != without[i] || rgba[i + 1] != without[i + 1] || rgba[i + 2] != without[i + 2];
            if (!changed) continue;
            const bool near = std::abs(x - kWidth / 2) <= kHeight / 20 && std::abs(y - kHeight / 2) <= kHeight / 20;
            ++(near ? changedNear : changedFar);
        }
    EXPECT_GT(changedNear, 4);
    EXPECT_EQ(changedFar, 0);
}

TEST_F(SceneRender, GroundAndBoxObjectsFarFromTheOriginAreDrawnWhenTheOriginIsOutOfView)
{
    // Culling tests each object where it stands; ground tiles and box
    // objects made by the world itself must be found there too.
    const BlankSceneParams blank{100.0f, 20.0f, 0, 5.0f, 0, 0};
    ASSERT_TRUE(game_.NewWorld("far", kBlankScene, &blank, nullptr, nullptr)) << Log();
    CScene* scene = game_.scene;
    CWorld* world = scene->world;
    const Vector3 boxCentre{30.0f, 1.0f, 30.0f};
    CNBObject* box = world->CreateBoxObject(2.0f, 2.0f, boxCentre, 2.0f, u"boxred.jpg", 1, 1, 1, 1, 1);
    ASSERT_NE(box, nullptr);
    world->GenerateWorld();  // the new box's GPU buffers
    world->AssignSectors();

    // Looking away from the origin, down at the box.
    const Vector3 eye{30.0f, 4.0f, 24.0f};
    Vector3 up{0.0f, 1.0f, 0.0f};
    scene->mainCamera.LookAt(eye, boxCentre, up);
    scene->mainCamera.position = eye;
    scene->cursorSpriteShown = 0;
    for (int frame = 0; frame < 3; ++frame) scene->RenderFrame();
    const std::vector<uint8_t> rgba = ReadBack();
    ASSERT_EQ(rgba.size(), static_cast<size_t>(kWidth) * kHeight * 4);

    int x = 0, y = 0;
    Project(*scene, Vector3{boxCentre.x, 2.0f, boxCentre.z}, x, y);  // the top face
    const Pixel top = MeanAround(rgba, x, y + 2);
    EXPECT_GT(top.r, top.b + 30) << top;
    Project(*scene, Vector3{boxCentre.x + 3.0f, 0.0f, boxCentre.z - 3.0f}, x, y);  // bare ground
    const Pixel ground = MeanAround(rgba, x, y);
    EXPECT_FALSE(ground.b > ground.r) << "sky where the ground should be: " << ground;
}

// A world saved and opened again, by "ReLoad Last Saved" or from the worlds
// list, is drawn pixel for pixel as before the save, though the world file
// keeps neither the specular power, nor glass drawing, nor animations.
TEST_F(SceneRender, AReopenedWorldOfEveryBlockTypeIsDrawnAsBeforeTheSave)
{
    const BlankSceneParams blank{100.0f, 20.0f, 0, 5.0f, 0, 0};
    ASSERT_TRUE(game_.NewWorld("look", kBlankScene, &blank, nullptr, nullptr)) << Log();
    CScene* scene = game_.scene;
    const auto frame = [this] {
        for (int i = 0; i < 3; ++i) game_.scene->RenderFrame();
        return ReadBack();
    };
    // What the file does not keep, object by object.
    const auto looks = [this] {
        std::vector<std::tuple<float, int32_t, int32_t>> all;
        for (const CNBObject* object : game_.scene->world->objects)
            all.emplace_back(object->Power, object->Flags, object->AnimationMode);
        return all;
    };
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
    const std::vector<uint8_t> saved = frame();
    const auto savedLooks = looks();
    ASSERT_EQ(scene->SaveCurrentWorld(folder_.File("Worlds/look.vsk").c_str()), 1);

    ASSERT_TRUE(scene->ReloadWorld()) << Log();
    EXPECT_EQ(looks(), savedLooks);
    EXPECT_TRUE(frame() == saved);

    game_.UnloadWorld();
    ASSERT_TRUE(game_.LoadWorld("look.vsk")) << Log();
    EXPECT_EQ(looks(), savedLooks);
    EXPECT_TRUE(frame() == saved);
}
