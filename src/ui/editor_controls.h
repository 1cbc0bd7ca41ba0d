// Controls the editor windows share: float sliders that can only ever hand
// back a usable value, and check boxes on scene flag bytes. Each works on a
// copy and stores it only when ImGui says the user changed it.
#pragma once

#include <imgui.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

// A float slider on `value` that clamps typed (Ctrl+click) input to
// [low, high] too and refuses a value that is not finite: true, with `value`
// written, only for such a change.
inline bool ClampedSliderFloat(const char* label, float& value, float low, float high, const char* format)
{
    float edited = value;
    if (!ImGui::SliderFloat(label, &edited, low, high, format, ImGuiSliderFlags_AlwaysClamp)) return false;
    if (!std::isfinite(edited)) return false;
    value = std::clamp(edited, low, high);
    return true;
}

// A check box on a flag byte (0 off, 1 on); true when it was switched.
inline bool FlagCheckbox(const char* label, uint8_t& flag)
{
    bool on = flag != 0;
    if (!ImGui::Checkbox(label, &on)) return false;
    flag = on ? 1 : 0;
    return true;
}

// The foot of most editor windows: a hint, then "Close" (200 x 32), which
// clears the window's flag. True when it was pressed.
inline bool HintAndCloseButton(uint8_t& windowFlag, const char* hint = "Shift - Block camera rotation")
{
    ImGui::TextUnformatted(hint);
    if (!ImGui::Button("Close", ImVec2(200, 32))) return false;
    windowFlag = 0;
    return true;
}
