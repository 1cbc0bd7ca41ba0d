// Previews on straight lines and circles and along drawn lines: the direct
// line (type 0), the circle and spiral (type 1), and the along-line tools
// (CScene::GenerateAlongLine on the world's active line,
// CScene::GenerateAlongGivenLine on the spline generator's line).
//
// Index: direct line - circle and spiral - along a line
#include <algorithm>
#include <cmath>
#include <vector>

#include "generation/generator_support.h"
#include "scene/scene.h"
#include "world/block_type.h"
#include "world/line.h"
#include "world/object.h"
#include "world/world.h"

namespace {

Vector3 Plus(const Vector3& a, const Vector3& b) { return Vector3::Add(a, b); }
Vector3 Times(const Vector3& v, float s) { return Vector3::Scale(v, s); }
float Dot(const Vector3& a, const Vector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vector3 Cross(const Vector3& a, const Vector3& b)
{
    return Vector3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

const Vector3 kUp{0.0f, 1.0f, 0.0f};

Vector3 Across(const Vector3& v) { return Vector3{v.x, 0.0f, v.z}; }

}  // namespace

// ---------------------------------------------------------------------------
// Direct line
// ---------------------------------------------------------------------------

void PreviewDirectLine(CScene& scene, const PrototypeMeasures& measures)
{
    const ObjectGeneratorSettings& s = scene.generator;
    const float angle = ClampSetting(s.lineAngle, kAngleRange);
    Vector3 direction{0.0f, 0.0f, 1.0f};
    Vector3::RotateAboutAxis(kUp, angle, direction);

    const int length = CountOf(ClampSetting(s.lineLengthCount, kLineLengthCountRange));
    if (length < 1) return;
    const int width = CountOf(ClampSetting(s.lineWidthCount, kLineWidthCountRange));
    const Vector3 lengthStep = Times(direction, ClampSetting(s.lineLengthOffset, kLineOffsetRange) + measures.rotatedDepth);
    Vector3 widthStep = Times(direction, ClampSetting(s.lineWidthOffset, kLineOffsetRange) + measures.rotatedDepth);
    Vector3::RotateAboutAxis(kUp, 90.0f, widthStep);

    PreviewStacker stacker(scene, measures, s.lineHeight, s.lineHeightOffset);
    const int turns = s.lineDynamicOrientation ? 1 : 0;
    for (int i = 0; i < length; ++i) {
        for (int j = 0; j < width; ++j) {
            const Vector3 place =
                Plus(Plus(scene.cursor3D, Times(lengthStep, static_cast<float>(i))), Times(widthStep, static_cast<float>(j)));
            if (!stacker.Stack(Vector3{place.x, scene.cursor3D.y, place.z}, &angle, turns)) return;
        }
    }
}

// ---------------------------------------------------------------------------
// Circle and spiral
// ---------------------------------------------------------------------------

void PreviewCircle(CScene& scene, const PrototypeMeasures& measures)
{
    const ObjectGeneratorSettings& s = scene.generator;
    const float objectNum = ClampSetting(s.circleObjectNum, kCircleObjectNumRange);
    const int count = CountOf(objectNum);
    const float startOffset = ClampSetting(s.circleStartAngleOffset, kAngleRange);
    const float fullAngle = ClampSetting(s.circleFullAngle, kAngleRange);
    const float fullTurns = ClampSetting(s.circleFullTurnNum, kCircleFullTurnRange);
    const float startAngle = ClampSetting(s.circleStartAngle, kCircleStartAngleRange);
    const bool spiral = s.circleSpiral != 0;

    const float arc = spiral ? fullTurns * 360.0f + fullAngle : 360.0f;
    const float step = objectNum > 0.0f ? arc / objectNum : 0.0f;
    const float growth = spiral ? ClampSetting(s.circleRadiusStep, kCircleRadiusStepRange) / 360.0f * step : 0.0f;
    const float circleEnd = fullAngle + startOffset;
    const float spiralEnd = std::fabs(fullAngle + startOffset + fullTurns * 360.0f);

    PreviewStacker stacker(scene, measures, s.circleHeight, s.circleHeightOffset);
    float a = startOffset;
    float r = ClampSetting(s.circleRadius, kCircleRadiusRange);
    const Vector3& cursor = scene.cursor3D;
    for (int i = 0; i < count; ++i) {
        const float radians = a * kDegreesToRadians;
        const Vector3 place{cursor.x + r * std::cos(radians), cursor.y, cursor.z + r * std::sin(radians)};
        float turns[2] = {-a, startAngle};
        const bool facing = s.circleDynamicOrientation != 0;
        if (!stacker.Stack(place, facing ? turns : turns + 1, facing ? 2 : 1)) return;
        if (spiral) {
            a = s.circleInverse ? a - step : a + step;
            r += growth;
            if (std::fabs(a) >= spiralEnd) return;
        } else {
            a += step;
            if (a >= circleEnd) return;
        }
    }
}

// ---------------------------------------------------------------------------
// Along a line
// ---------------------------------------------------------------------------

namespace {

// A line measured once: its samples and the length walked up to each, so
// that the point at a fraction of the length is found without walking the
// line again for every object.
class MeasuredLine {
public:
    explicit MeasuredLine(CLine& line)
    {
        const int count = line.GetSampleCount();
        if (count <= 0 || line.pointCount <= 0) return;
        samples_.reserve(static_cast<size_t>(count));
        walked_.reserve(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            Vector3 p;
            if (line.LineType == kPolyline) line.GetPoint(i, p);
            else if (line.LineType == kBSpline) line.GetBSplinePoint(i, p);
            else line.GetCurvePoint(i, p);
            walked_.push_back(samples_.empty() ? 0.0f : walked_.back() + Vector3::Sub(p, samples_.back()).Length());
            samples_.push_back(p);
        }
    }

    bool Empty() const { return samples_.empty(); }
    float Length() const { return walked_.empty() ? 0.0f : walked_.back(); }

    // The point at fraction f (0..1) of the length, between the two samples
    // around it.
    Vector3 PointAt(float f) const
    {
        if (samples_.empty()) return Vector3{};
        const float length = Length();
        if (samples_.size() < 2 || !(length > 0.0f)) return samples_.front();
        const float target = std::clamp(f, 0.0f, 1.0f) * length;
        const auto after = std::upper_bound(walked_.begin(), walked_.end(), target);
        if (after == walked_.end()) return samples_.back();
        const size_t i = static_cast<size_t>(after - walked_.begin());  // >= 1: walked_[0] is 0
        const float span = walked_[i] - walked_[i - 1];
        const float t = span > 0.0f ? (target - walked_[i - 1]) / span : 0.0f;
        return Plus(samples_[i - 1], Times(Vector3::Sub(samples_[i], samples_[i - 1]), t));
    }

    const std::vector<Vector3>& Samples() const { return samples_; }

private:
    std::vector<Vector3> samples_;
    std::vector<float> walked_;
};

// A private copy of the line's points and shape values with its samples
// rebuilt by its kind. Null when it cannot be had.
CLine* CopyLine(const CLine& source)
{
    CLine* copy = new CLine;
    if (!copy) return nullptr;
    for (int i = 0; i < source.pointCount && source.points; ++i) {
        Vector3* point = copy->AddPoint();
        if (!point) {
            delete copy;
            return nullptr;
        }
        *point = source.points[i];
    }
    copy->LineType = source.LineType;
    copy->samplesPerSpan = source.samplesPerSpan;
    copy->order = source.order;
    copy->roundness = source.roundness;
    if (copy->LineType == kBSpline) copy->BuildBSpline();
    else if (copy->LineType == kRoundedCurve) copy->BuildCurve();
    return copy;
}

// The heading in degrees about the vertical axis that turns the local z
// axis toward `direction`.
float HeadingToward(const Vector3& zAxis, const Vector3& direction)
{
    const float lengths = zAxis.Length() * direction.Length();
    if (!(lengths > 0.0f)) return 0.0f;
    const float heading = std::acos(std::clamp(Dot(zAxis, direction) / lengths, -1.0f, 1.0f)) * 57.2957763671875f;
    Vector3 side = Cross(zAxis, kUp);
    side.Normalize();
    return Dot(side, direction) > 0.0f ? -heading : heading;
}

// The ground under p within 5 units up or down, else p as it is.
Vector3 OnGround(CScene& scene, Vector3 p)
{
    PickRay ray;
    ray.start[0] = ray.end[0] = p.x;
    ray.start[2] = ray.end[2] = p.z;
    ray.start[1] = p.y + 5.0f;
    ray.end[1] = p.y - 5.0f;
    Vector3 hit, placement, normal;
    int staticFlag = 0;
    if (scene.PickByRay(ray, hit, placement, normal, staticFlag)) p.y = hit.y;
    return p;
}

// The object count along a line of length L.
int AlongLineCount(const CScene& scene, float length, float objectSize)
{
    double spacing = 0.0;
    if (scene.FlagOn(kFlagLineStepMode)) spacing = ClampSetting(scene.generator.fixedStep, kFixedStepRange);
    else spacing = 1.5 * static_cast<double>(objectSize);
    // A spacing of 0 (a fixed step of 0, a prototype of no size) or a
    // length that is no number still gives the one object at the start.
    const int count = spacing > 0.0 ? CountOf(static_cast<double>(length) / spacing) : 1;
    return std::max(count, 1);
}

void PreviewAlongLine(CScene& scene, CLine& source)
{
    CWorld& world = *scene.world;
    BlockType* type = world.currentBlockType;
    DestroyPreviewObjects(scene);
    CLine* line = CopyLine(source);
    if (!line) return;
    const MeasuredLine path(*line);

    CNBObject::Delete(scene.positionObject);
    scene.positionObject = scene.CreateMeshObject(type);
    if (scene.positionObject && !path.Empty()) {
        const PrototypeMeasures measures = MeasurePrototype(*type, scene.options.previewScale);
        const int n = AlongLineCount(scene, path.Length(), scene.positionObject->Radius);
        const float* row = scene.positionObject->WorldMatrix.m;
        const Vector3 zAxis{row[8], row[9], row[10]};
        const float fractionStep = n > 1 ? 1.0f / static_cast<float>(n - 1) : 0.0f;
        PreviewStacker stacker(scene, measures, scene.generator.splineHeight, scene.generator.splineHeightOffset);
        Vector3 previous;
        for (int i = 0; i < n; ++i) {
            const float fraction = static_cast<float>(i) * fractionStep;
            const Vector3 p = OnGround(scene, path.PointAt(fraction));
            // Headings turn about the vertical axis, so directions are
            // taken across the ground: a slope or a probed height does not
            // tilt them.
            Vector3 direction;
            if (i == 0) {
                // Toward the first later point of the line that differs.
                if (n > 1) {
                    for (int k = 1; k < n; ++k) {
                        direction = Across(Vector3::Sub(path.PointAt(static_cast<float>(k) * fractionStep), p));
                        if (direction.x != 0.0f || direction.z != 0.0f) break;
                    }
                } else {
                    for (const Vector3& sample : path.Samples()) {
                        direction = Across(Vector3::Sub(sample, p));
                        if (direction.x != 0.0f || direction.z != 0.0f) break;
                    }
                }
            } else {
                direction = Across(Vector3::Sub(p, previous));
            }
            direction.Normalize();
            previous = p;
            const float heading = HeadingToward(zAxis, direction);
            if (!stacker.Stack(p, &heading, 1)) break;
        }
    }
    CNBObject::Delete(scene.positionObject);
    scene.positionObject = nullptr;
    delete line;
}

}  // namespace

void CScene::GenerateAlongGivenLine(CWorld* lineWorld, CLine* line)
{
    if (!generator.alongLineRequest) return;
    generator.alongLineRequest = 0;
    if (!lineWorld || lineWorld != world || !world->currentBlockType || !line) return;
    PreviewAlongLine(*this, *line);
}

void CScene::GenerateAlongLine(int mode)
{
    if (mode != 0 && !previewObjects.empty()) {
        generator.alongLineRequest = 0;
        CreateFromPreviews(*this, true);
        return;
    }
    if (!generator.alongLineRequest) return;
    generator.alongLineRequest = 0;
    CLine* line = world ? world->GetActiveLine() : nullptr;
    if (!line || !world->currentBlockType) return;
    PreviewAlongLine(*this, *line);
    if (mode != 0) CreateFromPreviews(*this, true);
}
