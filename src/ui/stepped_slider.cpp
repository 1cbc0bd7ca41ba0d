#include "ui/stepped_slider.h"

#include <imgui.h>

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
    // A value outside the range starts at the nearer end.
    int index = std::clamp(StepIndex((*value - min) / step), 0, last);
    const int lowest = 0;
    const bool changed =
        ImGui::SliderScalar(label, ImGuiDataType_S32, &index, &lowest, &last, shown, ImGuiSliderFlags_AlwaysClamp);
    *value = static_cast<float>(index) * step + min;
    return changed;
}
