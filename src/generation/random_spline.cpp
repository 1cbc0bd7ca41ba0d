// The spline generator (type 2): random axis-parallel steps within the
// rectangle the world's objects span. The line survives from one preview to
// the next as the generated spline; the along-line generator places the
// objects on it.
#include <algorithm>
#include <cmath>

#include "core/random.h"
#include "generation/generator_support.h"
#include "scene/scene.h"
#include "world/line.h"
#include "world/world.h"

ObjectGeneratorSettings::~ObjectGeneratorSettings()
{
    ReleaseGeneratedSpline();
}

void ObjectGeneratorSettings::ReleaseGeneratedSpline()
{
    delete generatedSpline;
    generatedSpline = nullptr;
}

namespace {

constexpr int kAttemptsPerPoint = 550;
constexpr float kPointHeight = 0.02f;
constexpr int kSplineSubdivision = 5;
// A new segment may touch an existing one only this close to its start.
constexpr float kCrossingAllowance = 1.0f;
// Points keep this many prototype diagonals away from other segments.
constexpr float kClearanceDiagonals = 1.1f;

struct Point2 {
    float x;
    float z;
};

Point2 PointOf(const Vector3& p) { return Point2{p.x, p.z}; }

struct Area {
    float minX, maxX, minZ, maxZ;
    bool Holds(const Point2& p) const { return p.x >= minX && p.x <= maxX && p.z >= minZ && p.z <= maxZ; }
};

// Where segment a0-a1 crosses segment b0-b1, both parameters in [0, 1].
bool SegmentsCross(const Point2& a0, const Point2& a1, const Point2& b0, const Point2& b1, Point2& at)
{
    const float rx = a1.x - a0.x, rz = a1.z - a0.z;
    const float sx = b1.x - b0.x, sz = b1.z - b0.z;
    const float denominator = rx * sz - rz * sx;
    if (denominator == 0.0f) return false;
    const float qx = b0.x - a0.x, qz = b0.z - a0.z;
    const float t = (qx * sz - qz * sx) / denominator;
    const float u = (qx * rz - qz * rx) / denominator;
    if (t < 0.0f || t > 1.0f || u < 0.0f || u > 1.0f) return false;
    at = Point2{a0.x + t * rx, a0.z + t * rz};
    return true;
}

// A candidate is refused when its segment from the previous point crosses
// the line away from that point, or when it comes too near a segment.
bool Refused(const CLine& line, const Point2& previous, const Point2& candidate, float clearance)
{
    for (int i = 0; i + 1 < line.pointCount; ++i) {
        Point2 at;
        if (SegmentsCross(previous, candidate, PointOf(line.points[i]), PointOf(line.points[i + 1]), at) &&
            std::hypot(at.x - previous.x, at.z - previous.z) > kCrossingAllowance)
            return true;
    }
    for (int i = 0; i + 1 < line.pointCount; ++i) {
        const Point2 a = PointOf(line.points[i]);
        const Point2 b = PointOf(line.points[i + 1]);
        const float bx = b.x - a.x, bz = b.z - a.z;
        const float lengthSquared = bx * bx + bz * bz;
        if (!(lengthSquared > 0.0f)) continue;  // a repeated point makes no segment to keep away from
        const float cx = candidate.x - a.x, cz = candidate.z - a.z;
        const float u = (cx * bx + cz * bz) / lengthSquared;
        if (std::fabs(u) > 1.0f) continue;
        const float distance = std::fabs(cx * bz - cz * bx) / std::sqrt(lengthSquared);
        if (distance < clearance) return true;
    }
    return false;
}

bool AppendPoint(CLine& line, float x, float z)
{
    Vector3* point = line.AddPoint();
    if (!point) return false;
    *point = Vector3{x, kPointHeight, z};
    return true;
}

void DrawRandomPoints(CScene& scene, CLine& line, const Area& inner, float diagonal)
{
    const ObjectGeneratorSettings& s = scene.generator;
    const float maxSegments = ClampSetting(s.splineMaxSegments, kSplineMaxSegmentsRange);
    const int budget = RandomInt(CountOf(0.8 * maxSegments), CountOf(maxSegments));
    const int maxX = CountOf(ClampSetting(s.splineMaxXStep, kSplineMaxStepRange));
    const int maxZ = CountOf(ClampSetting(s.splineMaxYStep, kSplineMaxStepRange));
    const bool limited = s.splineRectLimits != 0;
    const float halfWidth = ClampSetting(s.splineRectLimitWidth, kSplineRectLimitRange) / 2.0f;
    const float halfHeight = ClampSetting(s.splineRectLimitHeight, kSplineRectLimitRange) / 2.0f;
    const Vector3& cursor = scene.cursor3D;
    const Area limits{cursor.x - halfWidth, cursor.x + halfWidth, cursor.z - halfHeight, cursor.z + halfHeight};
    const float clearance = kClearanceDiagonals * diagonal;

    for (int step = 0; step < budget; ++step) {
        if (line.pointCount == 0) {
            // The cursor starts the line whatever the tests would say.
            if (!AppendPoint(line, static_cast<float>(TruncatedCoordinate(cursor.x)),
                             static_cast<float>(TruncatedCoordinate(cursor.z))))
                return;
            continue;
        }
        const Point2 previous = PointOf(line.points[line.pointCount - 1]);
        for (int attempt = 0; attempt < kAttemptsPerPoint; ++attempt) {
            const int kind = RandomInt(0, 10);
            int dx = 0;
            int dz = 0;
            if (kind <= 4) {
                dx = RandomInt(-maxX, maxX);
            } else if (kind <= 8) {
                dz = RandomInt(-maxZ, maxZ);
            } else {
                dx = RandomInt(-maxX, maxX);
                dz = RandomInt(-maxZ, maxZ);
            }
            const Point2 candidate{static_cast<float>(TruncatedCoordinate(previous.x + dx)),
                                   static_cast<float>(TruncatedCoordinate(previous.z + dz))};
            if (!inner.Holds(candidate) || (limited && !limits.Holds(candidate))) continue;
            if (Refused(line, previous, candidate, clearance)) continue;
            if (!AppendPoint(line, candidate.x, candidate.z)) return;
            break;
        }
    }
}

int32_t LineTypeOf(uint8_t curveKind)
{
    switch (curveKind) {
    case kCurveBezier: return kRoundedCurve;
    case kCurveNurbs: return kBSpline;
    default: return kPolyline;
    }
}

}  // namespace

void PreviewSpline(CScene& scene, const PrototypeMeasures& measures)
{
    CWorld* world = scene.world;
    ObjectGeneratorSettings& s = scene.generator;
    if (!s.generatedSpline) {
        WorldRectangle rectangle;
        // Without objects there is no area to draw in.
        if (!MeasureWorldRectangle(*world, rectangle)) return;
        const int minX = TruncatedCoordinate(rectangle.minX), maxX = TruncatedCoordinate(rectangle.maxX);
        const int minZ = TruncatedCoordinate(rectangle.minZ), maxZ = TruncatedCoordinate(rectangle.maxZ);
        const int w = maxX - minX;
        const int h = maxZ - minZ;
        const float innerMinX = static_cast<float>(minX + w / 20);
        const float innerMinZ = static_cast<float>(minZ + h / 20);
        const Area inner{innerMinX, std::max(innerMinX, static_cast<float>(maxX - w / 20)), innerMinZ,
                         std::max(innerMinZ, static_cast<float>(maxZ - h / 20))};
        CLine* line = new CLine;
        if (!line) return;
        line->driver = scene.driver;
        s.generatedSpline = line;
        DrawRandomPoints(scene, *line, inner, measures.diagonal);
    }
    CLine* line = s.generatedSpline;
    line->LineType = LineTypeOf(s.splineCurveKind);
    line->samplesPerSpan = kSplineSubdivision;
    line->CreateDriverRenderSet();
    s.alongLineRequest = 1;
    scene.GenerateAlongGivenLine(world, line);
}
