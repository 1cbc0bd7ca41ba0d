// Sections: helpers; construction and points; B-spline; rounded curve;
// measuring; drawing.
#include "world/line.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

#include "graphics/driver.h"
#include "graphics/render_set.h"
#include "shell/log.h"
#include "world/polygons_grid.h"

namespace {

constexpr const char* kRenderSetError = "Error: CLine::CreateDriverRenderSet() ";

Vector3 Cross(const Vector3& a, const Vector3& b)
{
    return Vector3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

Vector3 Unit(Vector3 v)
{
    v.Normalize();
    return v;
}

// A sample count that stays a valid 32-bit int however large the line.
int32_t SampleProduct(int64_t spans, int64_t perSpan)
{
    const int64_t product = std::max<int64_t>(0, spans) * perSpan;
    return static_cast<int32_t>(std::min<int64_t>(product, INT32_MAX - 1));
}

}  // namespace

void DeleteVector3Array(Vector3* array) { VectorHeap::Free(array); }

// ---------------------------------------------------------------------------
// Construction and points
// ---------------------------------------------------------------------------

CLine::CLine() { transform.SetIdentity(); }

CLine::~CLine()
{
    ReleaseRenderSet();
    FreeControlData();
    DeleteVector3Array(points);
    points = nullptr;
    SharedHeapFree(pointFlags);
    pointFlags = nullptr;
    pointCount = 0;
    pointCapacity = 0;
}

int CLine::UsedOrder() const { return std::clamp<int32_t>(order, 1, kMaxLineOrder); }
int CLine::UsedSamplesPerSpan() const { return std::clamp<int32_t>(samplesPerSpan, 1, kMaxSamplesPerSpan); }

Vector3 CLine::LastPoint() const { return (points && pointCount > 0) ? points[pointCount - 1] : Vector3{}; }

Vector3* CLine::AddPoint()
{
    if (pointCount >= pointCapacity || !points || !pointFlags) {
        const int64_t step = growStep > 0 ? growStep : 2048;
        const int64_t capacity = int64_t{std::max(pointCapacity, 0)} + step;
        if (capacity > INT32_MAX) return nullptr;
        Vector3* grownPoints = VectorHeap::Allocate(static_cast<uint32_t>(capacity));
        auto* grownFlags = static_cast<uint8_t*>(SharedHeapAlloc(static_cast<size_t>(capacity)));
        if (!grownPoints || !grownFlags) {
            DeleteVector3Array(grownPoints);
            SharedHeapFree(grownFlags);
            return nullptr;
        }
        std::memset(grownFlags, 0, static_cast<size_t>(capacity));
        const int kept = (points && pointFlags) ? std::max(pointCount, 0) : 0;
        if (kept > 0) {
            std::copy(points, points + kept, grownPoints);
            std::memcpy(grownFlags, pointFlags, static_cast<size_t>(kept));
        }
        DeleteVector3Array(points);
        SharedHeapFree(pointFlags);
        points = grownPoints;
        pointFlags = grownFlags;
        pointCapacity = static_cast<int32_t>(capacity);
        pointCount = kept;
    }
    try {
        pointMarks.push_back(0);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    pointFlags[pointCount] = 0;
    points[pointCount] = Vector3{};
    return &points[pointCount++];
}

int CLine::GetPoint(int i, Vector3& out) const
{
    const Vector3* p = GetPointPointer(i);
    if (!p) return 0;
    out = *p;
    return 1;
}

Vector3* CLine::GetPointPointer(int i) const
{
    if (!points || pointCount <= 0 || i < 0) return nullptr;
    return &points[i % pointCount];
}

// ---------------------------------------------------------------------------
// B-spline
// ---------------------------------------------------------------------------

int MakeOpenUniformKnots(float* knots, const float* interior, int m, int k)
{
    if (!knots) return 0;
    k = std::max(k, 0);
    m = std::max(m, 0);
    int n = 0;
    for (int j = 0; j < k; ++j) knots[n++] = 0.0f;
    for (int j = 0; j < m; ++j) knots[n++] = interior ? interior[j] : 0.0f;
    for (int j = 0; j < k; ++j) knots[n++] = 1.0f;
    return n;
}

float BSplineBasis(int i, int order, float t, const float* knots, int knotCount)
{
    if (!knots || order < 1 || order > kMaxLineOrder || i < 1) return 0.0f;
    if (int64_t{i} + order - 1 > int64_t{knotCount} - 1) return 0.0f;
    // The triangle of Cox-de Boor values, level by level: n[j] holds N(i + j, a).
    // Each value is formed exactly as the recursive definition forms it.
    float n[kMaxLineOrder];
    for (int j = 0; j < order; ++j) {
        const int index = i + j;
        n[j] = (knots[index - 1] <= t && t <= knots[index]) ? 1.0f : 0.0f;
    }
    for (int a = 2; a <= order; ++a) {
        for (int j = 0; j <= order - a; ++j) {
            const int index = i + j;
            float left = 0.0f;
            float right = 0.0f;
            const float d1 = knots[index + a - 2] - knots[index - 1];
            if (d1 != 0.0f) left = (t - knots[index - 1]) * n[j] / d1;
            const float d2 = knots[index + a - 1] - knots[index];
            if (d2 != 0.0f) right = (knots[index + a - 1] - t) * n[j + 1] / d2;
            n[j] = left + right;
        }
    }
    return n[0];
}

void CLine::FreeControlData()
{
    DeleteVector3Array(controlPoints);
    controlPoints = nullptr;
    std::free(knots);
    knots = nullptr;
    controlCount = 0;
    controlCapacity = 0;
    knotCount = 0;
    splineSamples = 0;
    curveSamples = 0;
}

bool CLine::AllocateKnots(int controls, int usedOrder)
{
    const int64_t count = int64_t{controls} + usedOrder;
    if (count > INT32_MAX) return false;
    knots = static_cast<float*>(std::malloc(static_cast<size_t>(count) * sizeof(float)));
    if (!knots) return false;
    knotCount = static_cast<int32_t>(count);
    return true;
}

void CLine::BuildBSpline()
{
    FreeControlData();
    if (pointCount < 2 || !points) return;
    const int k = UsedOrder();
    const int n = std::max(pointCount, k + 1);
    controlPoints = VectorHeap::Allocate(static_cast<uint32_t>(n));
    if (!controlPoints) return;
    controlCapacity = n;
    std::copy(points, points + pointCount, controlPoints);
    std::fill(controlPoints + pointCount, controlPoints + n, points[pointCount - 1]);
    controlCount = n;

    if (!AllocateKnots(n, k)) {
        FreeControlData();
        return;
    }
    std::vector<float> interior(static_cast<size_t>(n - k));
    for (int j = 0; j < n - k; ++j) interior[j] = static_cast<float>(j + 1) / static_cast<float>(n - k + 1);
    MakeOpenUniformKnots(knots, interior.data(), n - k, k);
    splineSamples = SampleProduct(n - 1, UsedSamplesPerSpan());
}

void CLine::EvaluateBSpline(float t, Vector3& out) const
{
    if (t > 1.0f) {
        out = LastPoint();
        return;
    }
    out = Vector3{};
    if (!controlPoints || !knots || controlCount <= 0) return;
    const int k = UsedOrder();
    // Only the basis functions whose closed support [knots[i-1], knots[i+k-1]]
    // holds t can be non-zero; the rest add nothing to either sum.
    const int lastUsable = std::min(controlCount, knotCount - k);
    const float* begin = knots;
    const float* end = knots + knotCount;
    const int lower = static_cast<int>(std::lower_bound(begin, end, t) - begin);
    const int upper = static_cast<int>(std::upper_bound(begin, end, t) - begin);
    const int first = std::max(1, lower - k + 1);
    const int last = std::min(lastUsable, upper);
    Vector3 sum;
    float weight = 0.0f;
    for (int i = first; i <= last; ++i) {
        const float b = BSplineBasis(i, k, t, knots, knotCount);
        if (b == 0.0f) continue;
        sum.AddAssign(Vector3::Scale(controlPoints[i - 1], b));
        weight += b;
    }
    if (weight != 0.0f) out = Vector3::Divide(sum, weight);
}

void CLine::GetBSplinePoint(int s, Vector3& out) const
{
    if (s >= splineSamples) {
        out = LastPoint();
        return;
    }
    EvaluateBSpline(static_cast<float>(s) / static_cast<float>(splineSamples), out);
}

// ---------------------------------------------------------------------------
// Rounded curve
// ---------------------------------------------------------------------------

void CLine::BuildCurve()
{
    FreeControlData();
    const int k = UsedOrder();
    const int capacity = std::max(4, k + 5);
    controlPoints = VectorHeap::Allocate(static_cast<uint32_t>(capacity));
    if (!controlPoints) return;
    controlCapacity = capacity;
    controlCount = 4;

    // The knots of four controls of order k, then 1.0 up to the length that
    // the most controls SetBezierControls loads (order + 1) needs. The extra
    // knots sit at the end, so no sample below t = 1 sees them.
    const int controls = std::max(4, k + 1);
    if (!AllocateKnots(controls, k)) {
        FreeControlData();
        return;
    }
    const int m = std::max(0, 4 - k);
    float interior[3] = {};
    for (int j = 0; j < m; ++j) interior[j] = static_cast<float>(j + 1) / static_cast<float>(4 - k + 1);
    const int written = MakeOpenUniformKnots(knots, interior, m, k);
    std::fill(knots + written, knots + knotCount, 1.0f);

    splineSamples = SampleProduct(3, UsedSamplesPerSpan());
    curveSamples = SampleProduct(int64_t{pointCount} - 1, UsedSamplesPerSpan());
}

void CLine::SetBezierControls(const Vector3& p0, const Vector3& p1, const Vector3& p2, const Vector3& p3)
{
    if (!controlPoints || controlCapacity < 4) return;
    controlPoints[0] = p0;
    controlPoints[1] = p1;
    controlPoints[2] = p2;
    controlPoints[3] = p3;
    int count = 4;
    const int k = UsedOrder();
    if (k > 3)
        while (count < k + 1 && count < controlCapacity) controlPoints[count++] = p3;
    controlCount = count;
}

int CLine::RoundSegment(const Vector3* segment, const Vector3* previous, const Vector3* next, Vector3* out) const
{
    if (!segment || !out) return 0;
    const Vector3 p0 = segment[0];
    const Vector3 p1 = segment[1];
    if (!previous && !next) {
        out[0] = p0;
        out[1] = p1;
        return 1;
    }
    const Vector3 delta = Vector3::Sub(p1, p0);
    const float length = delta.Length();
    const Vector3 d = Unit(delta);
    const float r = roundness;
    // The straight controls used where a neighbour runs parallel.
    const float s = r * length / 3.0f;
    const Vector3 straight1 = Vector3::Add(p0, Vector3::Scale(d, s));
    const Vector3 straight2 = Vector3::Add(p0, Vector3::Scale(Vector3::Scale(d, 2.0f), s));

    Vector3 c1 = p0;
    Vector3 c2 = p1;
    bool previousParallel = false;
    bool nextParallel = false;
    if (previous) {
        const float lengthE = Vector3::Sub(previous[1], previous[0]).Length();
        const Vector3 e = Unit(Vector3::Sub(previous[0], previous[1]));
        const Vector3 axis = Unit(Cross(d, e));
        if (axis.Length() < 0.5f) {
            previousParallel = true;
            c1 = straight1;
        } else {
            // The tangent at P0: the bisector turned a quarter about the
            // segments' normal, pointing away from the previous segment.
            Vector3 tangent = Unit(Vector3::Add(d, e));
            Vector3::RotateAboutAxis(axis, 90.0f, tangent);
            if (Vector3::AngleDegrees(e, tangent) < 90.0f) tangent = tangent.Negate();
            tangent.Normalize();
            c1 = Vector3::Add(p0, Vector3::Scale(tangent, r * (lengthE / 15.0f + length * 0.125f)));
        }
    }
    if (next) {
        const float lengthF = Vector3::Sub(next[1], next[0]).Length();
        const Vector3 f = Unit(Vector3::Sub(next[0], next[1]));
        const Vector3 axis = Unit(Cross(d, f));
        if (axis.Length() < 0.5f) {
            nextParallel = true;
            c1 = straight1;
            c2 = straight2;
        } else {
            Vector3 tangent = Unit(Vector3::Sub(d.Negate(), f));
            Vector3::RotateAboutAxis(axis, 90.0f, tangent);
            if (Vector3::AngleDegrees(f, tangent) > 90.0f) tangent = tangent.Negate();
            tangent.Normalize();
            c2 = Vector3::Add(p1, Vector3::Scale(tangent, r * (lengthF / 15.0f + length * 0.125f)));
        }
    }
    if (previous && !next) {
        if (previousParallel) {
            c1 = straight1;
            c2 = straight2;
        } else {
            c2 = Vector3::Add(p1, Vector3::Scale(Unit(Vector3::Sub(c1, p1)), r * length * 0.125f));
        }
    } else if (next && !previous && !nextParallel) {
        c1 = Vector3::Add(p0, Vector3::Scale(Unit(Vector3::Sub(c2, p0)), r * length * 0.125f));
    }
    out[0] = c1;
    out[1] = c2;
    return 1;
}

void CLine::GetCurvePoint(int s, Vector3& out)
{
    if (!points || pointCount <= 0) {
        out = Vector3{};
        return;
    }
    if (s < 0) {
        out = points[0];
        return;
    }
    const int perSpan = UsedSamplesPerSpan();
    const int c = s / perSpan;
    // At or past the end, also when curveSamples is older than the points.
    if (s >= curveSamples || c >= pointCount - 1) {
        out = LastPoint();
        return;
    }
    const float t = static_cast<float>(s % perSpan) / static_cast<float>(perSpan);
    const Vector3 segment[2] = {points[c], points[c + 1]};
    const Vector3 previous[2] = {c > 0 ? points[c - 1] : Vector3{}, points[c]};
    const Vector3 following[2] = {points[c + 1], c + 2 < pointCount ? points[c + 2] : Vector3{}};
    Vector3 controls[2];
    RoundSegment(segment, c > 0 ? previous : nullptr, c + 2 < pointCount ? following : nullptr, controls);
    SetBezierControls(points[c], controls[0], controls[1], points[c + 1]);
    EvaluateBSpline(t, out);
}

// ---------------------------------------------------------------------------
// Measuring
// ---------------------------------------------------------------------------

int CLine::GetSampleCount() const
{
    switch (LineType) {
    case kPolyline: return std::max(pointCount, 0);
    case kBSpline: return splineSamples + 1;
    case kRoundedCurve: return curveSamples + 1;
    default: return 0;
    }
}

void CLine::Sample(int i, Vector3& out)
{
    switch (LineType) {
    case kPolyline: out = (points && i >= 0 && i < pointCount) ? points[i] : LastPoint(); break;
    case kBSpline: GetBSplinePoint(i, out); break;
    case kRoundedCurve: GetCurvePoint(i, out); break;
    default: out = Vector3{}; break;
    }
}

float CLine::GetLength()
{
    if (pointCount < 2 || !points) return 0.0f;
    int samples;
    switch (LineType) {
    case kPolyline: samples = pointCount - 1; break;
    case kBSpline: samples = splineSamples; break;
    case kRoundedCurve: samples = curveSamples; break;
    default: return 0.0f;
    }
    float length = 0.0f;
    Vector3 previous;
    Sample(0, previous);
    for (int i = 1; i <= samples; ++i) {
        Vector3 current;
        Sample(i, current);
        length += Vector3::Sub(current, previous).Length();
        previous = current;
    }
    return length;
}

void CLine::GetPointAtLength(float f, Vector3& out, int& segment)
{
    segment = 0;
    const int n = GetSampleCount();
    if (n <= 0 || pointCount <= 0 || !points) {
        out = Vector3{};
        return;
    }
    const float length = GetLength();
    Vector3 first;
    Sample(0, first);
    if (n < 2 || !(length > 0.0f)) {
        out = first;
        return;
    }
    float walked = 0.0f;
    float walkedBefore = 0.0f;
    Vector3 previous = first;
    for (int i = 1; i < n; ++i) {
        if (f < walked / length) break;
        Vector3 current;
        Sample(i, current);
        segment = i - 1;
        walkedBefore = walked;
        walked += Vector3::Sub(current, previous).Length();
        previous = current;
    }
    Vector3 a;
    Vector3 b;
    Sample(segment, a);
    Sample(segment + 1, b);
    float span = (walked - walkedBefore) / length;
    if (span == 0.0f) span = 1.0f;
    out = Vector3::Add(a, Vector3::Scale(Vector3::Sub(b, a), (f - walkedBefore / length) / span));
}

// ---------------------------------------------------------------------------
// Drawing
// ---------------------------------------------------------------------------

void CLine::ReleaseRenderSet()
{
    if (!renderSet) return;
    if (driver) driver->ReleaseRenderSetBuffers(renderSet);
    RenderSet::Release(renderSet);
    RenderSet::Free(renderSet);
    renderSet = nullptr;
}

void CLine::CreateDriverRenderSet()
{
    if (LineType == kBSpline) BuildBSpline();
    else if (LineType == kRoundedCurve) BuildCurve();
    ReleaseRenderSet();

    int64_t vertices;
    switch (LineType) {
    case kPolyline: vertices = pointCount; break;
    case kRoundedCurve: vertices = int64_t{curveSamples} + 1; break;
    case kBSpline: vertices = int64_t{splineSamples} + 1; break;
    default: return;
    }
    if (vertices < 2 || pointCount < 2 || !points) return;
    if (vertices > kMaxLineVertices) {
        // Beyond what 16-bit indices address: drawing it would join the wrong samples.
        WriteLog(kRenderSetError);
        return;
    }
    const int v = static_cast<int>(vertices);
    const int m = 2 * (v - 1);

    RenderSet* set = RenderSet::Allocate();
    if (!set) {
        WriteLog(kRenderSetError);
        return;
    }
    set->vertices32 = static_cast<float*>(SharedHeapAlloc(size_t(v) * 32));
    set->indices = static_cast<uint16_t*>(SharedHeapAlloc(size_t(m) * 2));
    set->sourceIndices = static_cast<uint32_t*>(SharedHeapAlloc(size_t(v) * 4));
    set->gpu = static_cast<GpuBufferSet*>(SharedHeapAlloc(sizeof(GpuBufferSet)));
    if (!set->vertices32 || !set->indices || !set->sourceIndices || !set->gpu) {
        // A half-built set is never handed on.
        WriteLog(kRenderSetError);
        RenderSet::Release(set);
        RenderSet::Free(set);
        return;
    }
    *set->gpu = GpuBufferSet{};
    set->vertexCount = v;
    set->indexCount = m;
    std::memset(set->vertices32, 0, size_t(v) * 32);
    for (int i = 0; i < v; ++i) {
        Vector3 p;
        Sample(i, p);
        float* vertex = set->vertices32 + 8 * size_t(i);
        vertex[0] = p.x;
        vertex[1] = p.y;
        vertex[2] = p.z;
        set->sourceIndices[i] = static_cast<uint32_t>(i);
    }
    for (int k = 0; k < m / 2; ++k) {
        set->indices[2 * k] = static_cast<uint16_t>(k);
        set->indices[2 * k + 1] = static_cast<uint16_t>(k + 1);
    }
    renderSet = set;
    if (driver) driver->CreateRenderSetBuffers(set);
}
