#include "ui/stepped_slider.h"

#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// A step index as an int: truncated toward zero, kept inside the int range
// (and at 0 for NaN) so that no conversion overflows.
int StepIndex(float steps)
{
    if (!(steps > 0.0f)) return 0;
    constexpr float kLargest = 2147483520.0f;  // the largest float below 2^31
    return static_cast<int>(std::min(steps, kLargest));
}

}  // namespace

bool SteppedSliderFloat(const char* label, float* value, float min, float max, float step)
{
    // Without a usable step or range there are no positions to slide over.
    if (!value || !std::isfinite(*value) || !std::isfinite(min) || !std::isfinite(max) || !std::isfinite(step) ||
        !(step > 0.0f))
        return false;

    // The slider shows the value as it was before this frame's change,
    // without decimals; the text serves as the slider's whole format.
    char shown[64] = {};
    std::snprintf(shown, sizeof shown, "%1.0f", static_cast<double>(*value));

    const int last = StepIndex((max - min) / step);
    const int lowest = 0;
    // Ctrl+click (or Enter) turns the slider into a text field. What the user
    // types there is a value, not a step count: the same item reads it as a
    // float, and it comes back as the nearest step inside the range.
    if (ImGui::TempInputIsActive(ImGui::GetID(label))) {
        const float before = *value;
        float typed = *value;
        ImGui::SliderScalar(label, ImGuiDataType_Float, &typed, &min, &max, shown);
        if (std::isfinite(typed)) {
            const float steps = std::nearbyint((typed - min) / step);
            *value = static_cast<float>(std::clamp(StepIndex(steps), lowest, last)) * step + min;
        }
        return *value != before;
    }

    // A value outside the range starts at the nearer end.
    int index = std::clamp(StepIndex((*value - min) / step), 0, last);
    const bool changed =
        ImGui::SliderScalar(label, ImGuiDataType_S32, &index, &lowest, &last, shown, ImGuiSliderFlags_AlwaysClamp);
    *value = static_cast<float>(index) * step + min;
    return changed;
}
