#include "core/grid_snap.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kMaxSnapDivisions = 1000000;

}  // namespace

int SnapDivisions(float snapStep)
{
    if (!std::isfinite(snapStep) || !(snapStep > 0.0f)) return 1;
    const float perUnit = 1.0f / snapStep;
    if (!(perUnit < static_cast<float>(kMaxSnapDivisions))) return kMaxSnapDivisions;
    return std::max(1, static_cast<int>(perUnit));
}

Vector3 SnapToGrid(const Vector3& point, float snapStep)
{
    const auto n = static_cast<float>(SnapDivisions(snapStep));
    return Vector3{std::round(point.x * n) / n, std::round(point.y * n) / n, std::round(point.z * n) / n};
}
