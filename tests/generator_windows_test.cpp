// The generator windows: a changed shape setting previews at once and
// "Generate" turns the preview into objects; typed slider values are
// clamped; the Perlin tab's "ReGenerate" always draws a new noise table;
// "Close" removes every preview; "Iterations" counts whole runs.
#include <gtest/gtest.h>
#include <imgui_internal.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "generation/noise.h"
#include "scene/scene.h"
#include "shell/settings.h"
#include "support/imgui_test_frame.h"
#include "support/imgui_typing.h"
#include "support/temp_directory.h"
#include "support/world_objects.h"
#include "ui/editor_windows.h"
#include "world/block_type.h"
#include "world/object.h"
#include "world/world.h"

using testing_support::FocusForTyping;
using testing_support::ImGuiTestFrame;
using testing_support::EndTyping;
using testing_support::TypeAndFrame;

namespace {

constexpr const char* kGenerate = "Generate Objects";
constexpr const char* kAuto = "Auto Scene Geenrator";

// A scene with an empty world, its physics and a cube as the current block
// type, with both generator windows open.
class GeneratorWindows : public ::testing::Test {
protected:
    void SetUp() override
    {
        Settings.screenWidth = 1280;
        Settings.screenHeight = 720;
        scene_ = std::make_unique<CScene>();
        scene_->world = new CWorld;
        scene_->InitPhysicsWorld();
        MakeCubeType(cube_, u"cube");
        scene_->world->currentBlockType = &cube_;
        scene_->Flag(kFlagGenerateObjects) = 1;
        scene_->Flag(kFlagAutoSceneGenerator) = 1;
        scene_->Flag(kFlagToolBox) = 0;
        draw_ = [this] {
            if (scene_->FlagOn(kFlagAutoSceneGenerator)) DrawAutoSceneGeneratorWindow(*scene_);
            if (scene_->FlagOn(kFlagGenerateObjects)) DrawGenerateObjectsWindow(*scene_);
        };
        ui_.Frame(draw_);
    }

    void TearDown() override
    {
        scene_.reset();
        Settings = saved_;
        ResetNoiseTable();
    }

    void Click(std::initializer_list<testing_support::IdPart> path) { ui_.ClickAndFrame(kGenerate, path, draw_); }

    // Selects a tab of "Generate Objects"; it shows from the next frame.
    void OpenTab(const char* tab)
    {
        Click({"MyTabBar", tab});
        ui_.Frame(draw_);
    }

    // Types a value into a slider of a tab, as Ctrl+click and typing do.
    void TypeInto(const char* tab, const char* slider, const char* text)
    {
        FocusForTyping(ui_, kGenerate, {"MyTabBar", tab, slider}, draw_);
        TypeAndFrame(ui_, text, draw_);
        EndTyping(ui_, draw_);
    }

    TempDirectory folder_;
    ScopedStartDirectory start_{folder_.Path()};
    ImGuiTestFrame ui_;
    std::function<void()> draw_;
    std::unique_ptr<CScene> scene_;
    BlockType cube_;
    const StartupSetup saved_ = Settings;
};

}  // namespace

TEST_F(GeneratorWindows, ShapeChangePreviewsAtOnceAndGenerateCreates)
{
    ASSERT_TRUE(ImGuiTestFrame::WindowShown(kGenerate));
    Click({"MyTabBar", "Direct Line", "Physics Enable"});  // stored only
    EXPECT_FALSE(scene_->FlagOn(kFlagPhysicsEnable));
    EXPECT_FALSE(scene_->FlagOn(kFlagGeneratorPreview));
    EXPECT_TRUE(scene_->previewObjects.empty());
    Click({"MyTabBar", "Direct Line", "Physics Enable"});

    Click({"MyTabBar", "Direct Line", "Dynamic Orientation"});
    EXPECT_TRUE(scene_->FlagOn(kFlagGeneratorPreview));
    EXPECT_EQ(scene_->previewObjects.size(), 1u);  // one place, one level
    EXPECT_TRUE(scene_->world->objects.empty());

    Click({"MyTabBar", "Direct Line", "Generate"});
    EXPECT_FALSE(scene_->FlagOn(kFlagGeneratorPreview));
    EXPECT_TRUE(scene_->previewObjects.empty());
    EXPECT_EQ(scene_->world->objects.size(), 1u);
}

TEST_F(GeneratorWindows, TypedSliderValuesAreClampedToTheSliderRange)
{
    TypeInto("Direct Line", "Length Object Num", "100000");
    EXPECT_EQ(scene_->generator.lineLengthCount, 100.0f);
    EXPECT_TRUE(scene_->FlagOn(kFlagGeneratorPreview));
    EXPECT_EQ(scene_->previewObjects.size(), 100u);

    OpenTab("Circle");
    TypeInto("Circle", "Radius", "-7");
    EXPECT_FLOAT_EQ(scene_->generator.circleRadius, 0.2f);
    EXPECT_EQ(scene_->lastGeneratorType, kGenerateCircle);

    FocusForTyping(ui_, kAuto, {"Iterations"}, draw_);
    TypeAndFrame(ui_, "500", draw_);
    EXPECT_EQ(scene_->generator.autoSceneIterations, 10.0f);
}

TEST_F(GeneratorWindows, PerlinRegenerateAlwaysDrawsANewNoiseTable)
{
    ResetNoiseTable();
    const std::vector<int32_t> before(NoiseTable(), NoiseTable() + kNoiseTableSize);
    scene_->generator.perlinTextureSizeX = 4.0f;
    scene_->generator.perlinTextureSizeY = 3.0f;
    scene_->positionObject = NewBoxObject(Vector3{});
    ASSERT_FALSE(scene_->FlagOn(kFlagRandomizeNoise));

    OpenTab("Perlin");
    Click({"MyTabBar", "Perlin", "ReGenerate"});
    const std::vector<int32_t> after(NoiseTable(), NoiseTable() + kNoiseTableSize);
    EXPECT_NE(after, before);
    EXPECT_FALSE(scene_->FlagOn(kFlagRandomizeNoise));  // the switch is left as it was
    EXPECT_FALSE(scene_->previewPositions.empty());

    Click({"MyTabBar", "Perlin", "Create"});
    EXPECT_TRUE(scene_->FlagOn(kFlagToolBox));
    EXPECT_TRUE(scene_->previewPositions.empty());
    EXPECT_FALSE(scene_->world->objects.empty());
}

TEST_F(GeneratorWindows, CloseRemovesEveryPreviewAndGivesTheToolBoxBack)
{
    Click({"MyTabBar", "Direct Line", "Dynamic Orientation"});
    ASSERT_FALSE(scene_->previewObjects.empty());
    scene_->previewPositions.push_back(Vector3{1.0f, 2.0f, 3.0f});
    Click({"Close"});
    EXPECT_TRUE(scene_->previewObjects.empty());
    EXPECT_TRUE(scene_->previewPositions.empty());
    EXPECT_FALSE(scene_->FlagOn(kFlagGenerateObjects));
    EXPECT_FALSE(scene_->FlagOn(kFlagToolBox));

    ui_.ClickAndFrame(kAuto, {"Close"}, draw_);
    EXPECT_FALSE(scene_->FlagOn(kFlagAutoSceneGenerator));
    EXPECT_TRUE(scene_->FlagOn(kFlagToolBox));
}

TEST(AutoSceneRunCount, WholeRunsWithinTheSliderRange)
{
    EXPECT_EQ(AutoSceneRunCount(0.99f), 0);
    EXPECT_EQ(AutoSceneRunCount(std::numeric_limits<float>::infinity()), 10);
    EXPECT_EQ(AutoSceneRunCount(std::nanf("")), 0);
}
