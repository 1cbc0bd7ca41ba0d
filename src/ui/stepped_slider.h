// A float slider that moves in whole steps between min and max.
#pragma once

// Draws the slider in the current Dear ImGui window; true on the frames in
// which the user changed it. The value is snapped to min + k * step.
bool SteppedSliderFloat(const char* label, float* value, float min, float max, float step);
