// The tool boxes over a scene without a GPU: the ToolBox's quick-bar buttons,
// key labels, putting a block of the "Blocks" window into the quick bar,
// "Textures", the "Ext Tool Box" scale sliders,
// the "Line Tool Box" and "Single Object Mode". Clicks and typed values go
// through Dear ImGui's own activation (no mouse, no window).
#include <gtest/gtest.h>
#include <imgui_internal.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>

#include "graphics/texture.h"
#include "platform/clock.h"
#include "scene/scene.h"
#include "shell/game.h"
#include "shell/settings.h"
#include "support/editor_window_driver.h"
#include "support/imgui_test_frame.h"
#include "support/temp_directory.h"
#include "ui/editor_windows.h"
#include "ui/input_code_names.h"
#include "world/block_type.h"
#include "world/line.h"
#include "world/world.h"

using testing_support::FrameText;
using testing_support::ImGuiTestFrame;
using testing_support::MouseClick;
using testing_support::TypeIntoSlider;

namespace {

// No block type here has a preview picture, so every picture button is the
// plain stand-in button under the null picture's id.
const void* const kNoPicture = nullptr;

class ToolBoxes : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedSettings_ = Settings;
        Settings.screenWidth = 1440;
        Settings.screenHeight = 900;
        platform::SetClockSource([this] { return clock_; });
        scene_ = std::make_unique<CScene>();
        scene_->world = new CWorld;
        scene_->game = &game_;
    }

    void TearDown() override
    {
        delete scene_->world;
        scene_->world = nullptr;
        scene_.reset();
        platform::SetClockSource({});
        Settings = savedSettings_;
    }

    CWorld& World() { return *scene_->world; }

    BlockType* AddType(const char16_t* name)
    {
        auto* type = new BlockType;
        type->Init();
        type->name = name;
        World().blockTypes.push_back(type);
        return type;
    }

    static std::string Name(int32_t code)
    {
        char name[64] = {};
        InputCodeName(name, code);
        return name;
    }

    TempDirectory folder_;
    ScopedStartDirectory start_{folder_.Path()};
    StartupSetup savedSettings_;
    uint32_t clock_ = 1000;
    CGame game_;
    std::unique_ptr<CScene> scene_;
    ImGuiTestFrame ui_{1440.0f, 900.0f};
    const std::function<void()> drawToolBox_ = [this] {
        PlaceToolBoxFirstTime(*scene_);
        DrawToolBoxWindow(*scene_);
    };
    const std::function<void()> drawBlocks_ = [this] { DrawBlocksWindow(*scene_); };
    const std::function<void()> drawTextures_ = [this] { DrawTexturesWindow(*scene_); };
    const std::function<void()> drawExt_ = [this] { DrawExtToolBoxWindow(*scene_); };
    const std::function<void()> drawLines_ = [this] { DrawLineToolBoxWindow(*scene_); };
    const std::function<void()> drawSingle_ = [this] { DrawSingleObjectModeWindow(*scene_); };
};

// ---- ToolBox ----
TEST_F(ToolBoxes, ToolBoxHasAButtonAndKeyLabelOnlyForFilledQuickBarSlots)
{
    BlockType* first = AddType(u"Brick");
    BlockType* third = AddType(u"Stone");
    World().quickBar = {first, nullptr, third};  // fewer than ten, one empty
    for (int t = 0; t < 10; ++t) game_.keySlots[15 + t] = 1280 + t;  // "Tool k" on controller button k-1

    const std::string text = FrameText(ui_, drawToolBox_);
    // Each label names the key of its own slot's "Tool" action.
    EXPECT_NE(text.find(Name(1280)), std::string::npos) << text;
    EXPECT_NE(text.find(Name(1282)), std::string::npos) << text;
    for (int t : {1, 3, 4, 5, 6, 7, 8, 9})
        EXPECT_EQ(text.find(Name(1280 + t)), std::string::npos) << "label for empty slot " << t;

    // The ToolBox leaves the mouse to the scene unless "Blocks" is open.
    MouseClick(ui_, "Imaged Buttons", {2, kNoPicture, "##picture"}, drawToolBox_);
    EXPECT_EQ(World().currentBlockType, nullptr);
    scene_->Flag(kFlagBlocksWindow) = 1;
    MouseClick(ui_, "Imaged Buttons", {2, kNoPicture, "##picture"}, drawToolBox_);
    EXPECT_EQ(World().currentBlockType, third);
    EXPECT_EQ(World().quickBarSlot, 2);
    EXPECT_NE(FrameText(ui_, drawToolBox_).find("Stone"), std::string::npos);
}

// ---- "Blocks" and "Textures" ----
// A block chosen in "Blocks" replaces the tool in hand in its quick-bar slot:
// the slot it was chosen from, or the first holding it when that slot is
// unknown or holds another block now.
TEST_F(ToolBoxes, BlocksPutTheChosenTypeIntoTheSlotOfTheToolInHand)
{
    BlockType* a = AddType(u"A");
    BlockType* b = AddType(u"B");
    BlockType* c = AddType(u"Cobble");
    BlockType* d = AddType(u"D");
    scene_->Flag(kFlagBlocksWindow) = 1;
    ui_.Frame(drawBlocks_);  // placed first below the screen, then at the top

    for (int32_t clicked : {-1, 0, 1, 2}) {
        World().quickBar = {a, b};
        World().currentBlockType = b;
        World().quickBarSlot = clicked;
        ui_.ClickAndFrame("Blocks", {2, kNoPicture, "##picture"}, drawBlocks_);
        EXPECT_EQ(World().pickedBlockType, c);
        EXPECT_EQ(World().quickBar, (QuickBar{a, c})) << "slot chosen last " << clicked;
        EXPECT_EQ(World().currentBlockType, c);
        EXPECT_EQ(World().quickBarSlot, 1);
    }
    EXPECT_NE(FrameText(ui_, drawBlocks_).find("Cobble"), std::string::npos);

    // The same block in two slots: the one it was chosen from is replaced.
    World().quickBar = {b, b};
    World().currentBlockType = b;
    World().quickBarSlot = 1;
    ui_.ClickAndFrame("Blocks", {3, kNoPicture, "##picture"}, drawBlocks_);
    EXPECT_EQ(World().quickBar, (QuickBar{b, d}));

    // No tool in hand, or one the quick bar does not hold: only shown.
    for (BlockType* tool : {static_cast<BlockType*>(nullptr), a}) {
        World().quickBar = {b, c};
        World().currentBlockType = tool;
        ui_.ClickAndFrame("Blocks", {3, kNoPicture, "##picture"}, drawBlocks_);
        EXPECT_EQ(World().pickedBlockType, d);
        EXPECT_EQ(World().quickBar, (QuickBar{b, c}));
        EXPECT_EQ(World().currentBlockType, tool);
    }
}

TEST_F(ToolBoxes, TexturesChooseTheCurrentTextureAndGiveItsNameToTheTool)
{
    auto* texture = new CTexture;
    texture->SetName(u"Marble.dds");
    texture->width = 256;
    texture->height = 128;
    World().textures.push_back(texture);
    BlockType* type = AddType(u"Brick");
    World().currentBlockType = type;
    scene_->Flag(kFlagTexturesWindow) = 1;

    EXPECT_NE(FrameText(ui_, drawTextures_).find("marble.dds  Res: 256x128"), std::string::npos);
    ui_.ClickAndFrame("Textures", {0, static_cast<const void*>(texture), "##picture"}, drawTextures_);
    EXPECT_EQ(World().currentTexture, texture);
    ui_.ClickAndFrame("Textures", {"Apply to Tool"}, drawTextures_);
    EXPECT_EQ(type->textureName, u"marble.dds");
}

// ---- "Ext Tool Box" ----
TEST_F(ToolBoxes, ScaleSlidersMoveTogetherWhileLockAxisIsOn)
{
    ASSERT_TRUE(scene_->FlagOn(kFlagLockAxis));
    ui_.Frame(drawExt_);
    TypeIntoSlider(ui_, "Ext Tool Box", {"Scale Object Y"}, "3", drawExt_);
    EXPECT_FLOAT_EQ(scene_->options.previewScale.x, 3.0f);

    ui_.ClickAndFrame("Ext Tool Box", {"Lock Axis"}, drawExt_);
    EXPECT_FALSE(scene_->FlagOn(kFlagLockAxis));
    TypeIntoSlider(ui_, "Ext Tool Box", {"Scale Object Z"}, "50", drawExt_);  // past the end: clamped
    EXPECT_FLOAT_EQ(scene_->options.previewScale.x, 3.0f);
    EXPECT_FLOAT_EQ(scene_->options.previewScale.z, 20.0f);
}

// ---- "Line Tool Box" ----
TEST_F(ToolBoxes, LineKindComboFollowsTheActiveLineAndChangesIt)
{
    auto* line = new CLine;
    line->LineType = kBSpline;
    line->active = 1;
    World().lines.push_back(line);

    EXPECT_NE(FrameText(ui_, drawLines_).find("Nurbs"), std::string::npos);
    EXPECT_EQ(scene_->toolBoxes.lineKindIndex, 1);

    // Open the combo, then choose its third item.
    ui_.ClickAndFrame("Line Tool Box", {"##LineKind"}, drawLines_);
    ui_.ClickAndFrame("##Combo_00", {2, "Bezier"}, drawLines_);
    EXPECT_EQ(line->LineType, kRoundedCurve);
    EXPECT_NE(FrameText(ui_, drawLines_).find("Bezier"), std::string::npos);

    // Without an active line the combo keeps its choice.
    line->active = 0;
    EXPECT_NE(FrameText(ui_, drawLines_).find("Bezier"), std::string::npos);
}

// ---- "Single Object Mode" ----
TEST_F(ToolBoxes, AngleSlidersTurnTheBlockTypeAndKeepTheTurnInItsSettings)
{
    BlockType* type = AddType(u"Arch");
    type->yaw = 45.0f;
    World().currentBlockType = type;
    ui_.Frame(drawSingle_);
    EXPECT_NEAR(scene_->toolBoxes.singleObjectAngles[2], 45.0f * kDegreesToRadians, 1e-5f);

    TypeIntoSlider(ui_, "Single Object Mode", {"Pitch"}, "90", drawSingle_);
    EXPECT_NEAR(type->pitch, 90.0f, 1e-3f);
    BlockSettings stored = World().GetBlockSettings(type);
    EXPECT_NEAR(stored.pitch, 90.0f, 1e-3f);
    EXPECT_NEAR(stored.yaw, 45.0f, 1e-3f);

    ui_.ClickAndFrame("Single Object Mode", {"Reset"}, drawSingle_);
    EXPECT_EQ(type->pitch, 0.0f);
}

TEST_F(ToolBoxes, SingleObjectModeWithoutABlockTypeChangesNothingAndCloseLeavesTheModelView)
{
    scene_->Flag(kFlagModelView) = 1;
    scene_->Flag(kFlagToolBox) = 0;  // the model view hides the ToolBox
    ui_.Frame(drawSingle_);
    TypeIntoSlider(ui_, "Single Object Mode", {"Roll"}, "30", drawSingle_);
    ui_.ClickAndFrame("Single Object Mode", {"Reset"}, drawSingle_);
    EXPECT_TRUE(World().blockSettings.empty());

    ui_.ClickAndFrame("Single Object Mode", {"Close"}, drawSingle_);
    EXPECT_FALSE(scene_->FlagOn(kFlagModelView));
    EXPECT_TRUE(scene_->FlagOn(kFlagToolBox));
}

}  // namespace
