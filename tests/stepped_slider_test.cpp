// The stepped slider: values snap to min + k * step within the range, a
// drag and a typed value (a value, not a step count) report a change and
// stay inside the range, and a step or bound it cannot use leaves the value
// alone. Driven through Dear ImGui's IO (mouse position and buttons, typed
// characters) without a GPU.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include <imgui_internal.h>

#include "support/imgui_test_frame.h"
#include "ui/stepped_slider.h"

using testing_support::ImGuiTestFrame;

namespace {

class SteppedSlider : public ::testing::Test {
protected:
    // One frame with the slider alone in a window; its result and rectangle.
    bool Frame(float min, float max, float step)
    {
        bool changed = false;
        ui_.Frame([&] {
            ImGui::SetNextWindowPos(ImVec2(0, 0));
            ImGui::SetNextWindowSize(ImVec2(400, 100));
            ImGui::Begin("Panel");
            // No label: the item's rectangle is the slider's frame alone.
            changed = SteppedSliderFloat("##size", &value_, min, max, step);
            left_ = ImGui::GetItemRectMin();
            right_ = ImGui::GetItemRectMax();
            ImGui::End();
        });
        return changed;
    }

    ImGuiTestFrame ui_;
    float value_ = 0.0f;
    ImVec2 left_, right_;
};

}  // namespace

TEST_F(SteppedSlider, ValuesSnapToTheStepsOfTheRangeWithoutReportingAChange)
{
    const struct {
        float min, max, step, value, expected;
    } cases[] = {
        {20, 500, 10, 137, 130},  // truncated to the step below
        {0, 7, 2, 7, 6},          // a range that is no multiple of the step ends at its last whole step
        {20, 500, 10, 5, 20},     // below the range: the minimum
        {20, 500, 10, 900, 500},  // above the range: the maximum
    };
    for (const auto& c : cases) {
        value_ = c.value;
        EXPECT_FALSE(Frame(c.min, c.max, c.step)) << c.value;
        EXPECT_EQ(value_, c.expected) << c.min << ".." << c.max << " step " << c.step << " from " << c.value;
    }
}

TEST_F(SteppedSlider, AStepOrBoundItCannotUseLeavesTheValueAlone)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        float min, max, step;
    } cases[] = {{20, 500, 0}, {20, 500, nan}, {-inf, 500, 10}};
    for (const auto& c : cases) {
        value_ = 137.0f;
        EXPECT_FALSE(Frame(c.min, c.max, c.step));
        EXPECT_EQ(value_, 137.0f);
    }
    value_ = nan;
    EXPECT_FALSE(Frame(20, 500, 10));
    EXPECT_TRUE(std::isnan(value_));
}

TEST_F(SteppedSlider, DraggingToTheEndReportsAChangeAndGivesTheMaximum)
{
    value_ = 137.0f;
    Frame(20, 500, 10);
    ImGuiIO& io = ImGui::GetIO();
    io.MousePos = ImVec2(right_.x - 1, (left_.y + right_.y) / 2);
    io.MouseDown[0] = true;
    EXPECT_TRUE(Frame(20, 500, 10));
    EXPECT_EQ(value_, 500.0f);
}

TEST_F(SteppedSlider, ATypedValueIsTheValueAtItsNearestStepInsideTheRange)
{
    const struct {
        const char* typed;
        float expected;
    } cases[] = {{"100", 100}, {"137", 140}, {"134", 130}, {"10", 20}, {"999", 500}};
    ImGuiIO& io = ImGui::GetIO();
    for (const auto& c : cases) {
        value_ = 250.0f;
        Frame(20, 500, 10);
        // Ctrl+click turns the slider into a text field with its text selected.
        io.MousePos = ImVec2((left_.x + right_.x) / 2, (left_.y + right_.y) / 2);
        io.KeyCtrl = true;
        io.MouseDown[0] = true;
        Frame(20, 500, 10);
        io.MouseDown[0] = false;
        io.KeyCtrl = false;
        io.AddInputCharactersUTF8(c.typed);
        EXPECT_EQ(Frame(20, 500, 10), c.expected != 250.0f) << c.typed;
        EXPECT_EQ(value_, c.expected) << c.typed;
        ImGui::ClearActiveID();
        Frame(20, 500, 10);
        EXPECT_EQ(value_, c.expected) << c.typed;
    }
}
