// The placement grid: points rounded to whole fractions of a unit, shared by
// picking, dragging and the placement frame so all three agree on a spot.
#pragma once

#include "core/vector3.h"

// How many grid cells one unit holds for a snap step: 1 / step truncated,
// kept within 1..1,000,000. Steps that are not finite or not positive give 1,
// so a bad setting never divides by zero.
int SnapDivisions(float snapStep);
// Each coordinate rounded to the nearest multiple of 1 / SnapDivisions(snapStep),
// halves away from zero.
Vector3 SnapToGrid(const Vector3& point, float snapStep);
