// A float slider that moves in whole steps between min and max.
#pragma once

// Adds itself to the current ImGui window; returns true only on the frame
// the user moves it. The value is written back on every call as
// min + k * step, k the step index within 0 .. trunc((max - min) / step), so
// a value outside the range comes back at its nearer end. A step that is not
// above 0, or a value or bound that is not finite, draws nothing, returns
// false and leaves the value alone. A value typed into the slider's text
// field (Ctrl+click) is taken as a value and rounded to the nearest step.
bool SteppedSliderFloat(const char* label, float* value, float min, float max, float step);
