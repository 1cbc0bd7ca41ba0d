// CLine: an editable 3D line through control points, drawn as a line list.
// LineType says how the points are joined: 1 straight segments, 2 a smoothed
// path (each segment a cubic whose inner control points come from its
// neighbours), 3 one open-uniform B-spline over all points. The world keeps its lines;
// the world file stores them; generators place objects along them by arc
// length.
//
// Sections of the class:
//   allocation        private heap (HeapAllocated), destructor frees everything
//   points            AddPoint, GetPoint, GetPointPointer
//   B-spline          BuildBSpline, EvaluateBSpline, GetBSplinePoint
//   rounded curve     BuildCurve, RoundSegment, SetBezierControls, GetCurvePoint
//   measuring         GetSampleCount, GetLength, GetPointAtLength
//   drawing           CreateDriverRenderSet, ReleaseRenderSet
//
// `order` and `samplesPerSpan` are stored as given (the world file keeps them)
// and clamped where they are used: order to 1..kMaxLineOrder, samples per
// span to 1..kMaxSamplesPerSpan.
#pragma once

#include <cstdint>
#include <vector>

#include "core/matrix4d.h"
#include "core/private_heap.h"
#include "core/vector3.h"

class CDriver;
struct RenderSet;

enum LineKind : int32_t { kPolyline = 1, kRoundedCurve = 2, kBSpline = 3 };

inline constexpr int kMaxLineOrder = 10;
inline constexpr int kMaxSamplesPerSpan = 64;
// A line's render set is indexed with 16 bits.
inline constexpr int kMaxLineVertices = 65536;

class CLine : public HeapAllocated<CLine> {
public:
    CLine();
    // Frees the points, control data and flags, and the render set (through
    // `driver` when there is one).
    ~CLine();
    CLine(const CLine&) = delete;
    CLine& operator=(const CLine&) = delete;

    // ---- points ----
    // Appends a point (flag 0, mark 0) and returns its address for the caller
    // to write; null when the grown arrays cannot be had (points kept).
    Vector3* AddPoint();
    // Point i modulo pointCount into out and 1; 0 with `out` untouched for an
    // empty line or a negative i.
    int GetPoint(int i, Vector3& out) const;
    // Address of point i modulo pointCount; null as for GetPoint.
    Vector3* GetPointPointer(int i) const;

    // ---- B-spline (kind 3) ----
    // Control points (the points, the last repeated up to order + 1) and the
    // open uniform knot vector; splineSamples = (controls - 1) x samples per
    // span. Fewer than 2 points leaves no control data.
    void BuildBSpline();
    // The spline at parameter t into out; t > 1 gives the last point.
    void EvaluateBSpline(float t, Vector3& out) const;
    // Sample s of splineSamples; at or past the end the last point.
    void GetBSplinePoint(int s, Vector3& out) const;

    // ---- rounded curve (kind 2) ----
    // Room for the four Bezier controls of one segment and their knots;
    // curveSamples = (pointCount - 1) x samples per span.
    void BuildCurve();
    // The two inner controls of one segment. Segments are pairs of points
    // (start, end); previous and next may be null. 1 with C1, C2 in out[0],
    // out[1]; 0 when segment or out is null.
    int RoundSegment(const Vector3* segment, const Vector3* previous, const Vector3* next, Vector3* out) const;
    // Loads p0..p3 as the control points (the last repeated up to order + 1
    // points when the order is above 3).
    void SetBezierControls(const Vector3& p0, const Vector3& p1, const Vector3& p2, const Vector3& p3);
    // Sample s of curveSamples; at or past the end the last point.
    void GetCurvePoint(int s, Vector3& out);

    // ---- measuring ----
    // pointCount (kind 1), splineSamples + 1 (kind 3), curveSamples + 1
    // (kind 2), 0 otherwise.
    int GetSampleCount() const;
    // Length of the polyline through the samples (sample counts as they
    // stand: no rebuild). 0 for fewer than 2 points or another kind.
    float GetLength();
    // The point at fraction f of the length (f beyond 1 extends the last
    // segment) and the index of the sample segment it lies on. A line of
    // zero length gives its first sample and segment 0.
    void GetPointAtLength(float f, Vector3& out, int& segment);

    // ---- drawing ----
    // Recomputes the samples for the line's kind, builds a line list joining
    // them one after another and hands it to the driver. Fewer than 2 vertices,
    // more than kMaxLineVertices, or a failed allocation leave no render set.
    void CreateDriverRenderSet();
    // GPU buffers (through `driver`), arrays and record; renderSet null.
    void ReleaseRenderSet();

    // The order and samples per span in use (the stored values clamped).
    int UsedOrder() const;
    int UsedSamplesPerSpan() const;

    // ---- data ----
    Matrix4d transform;               // identity
    uint8_t colour[3] = {255, 255, 255};
    uint8_t visibleFlag = 1;
    CDriver* driver = nullptr;        // borrowed; set by the owner before drawing
    RenderSet* renderSet = nullptr;   // owned
    uint32_t attribute = 0;           // stored with the world
    int32_t LineType = kPolyline;

    Vector3* points = nullptr;        // pointCapacity entries, vector heap
    Vector3* controlPoints = nullptr; // controlCapacity entries, vector heap
    float* knots = nullptr;           // knotCount entries, C heap
    std::vector<uint8_t> pointMarks;  // one per point (selection marks of the editor)
    uint8_t active = 0;               // the line under edit

    int32_t pointCount = 0;
    int32_t pointCapacity = 0;
    int32_t growStep = 2048;
    uint8_t* pointFlags = nullptr;    // pointCapacity entries, shared heap; stored with the world

    int32_t samplesPerSpan = 4;       // stored
    int32_t order = 4;                // stored
    int32_t controlCount = 0;
    int32_t controlCapacity = 0;
    int32_t knotCount = 0;
    int32_t splineSamples = 0;
    float roundness = 1.5f;           // stored
    int32_t curveSamples = 0;

private:
    // Frees controlPoints and knots and resets every count derived from them.
    void FreeControlData();
    // Allocates knotCount = controls + order knots; false (none left) on failure.
    bool AllocateKnots(int controls, int usedOrder);
    Vector3 LastPoint() const;
    // Sample i of the kind: point i (kind 1), B-spline or rounded-curve sample.
    void Sample(int i, Vector3& out);
};

// Basis function N(i, order) at t over `knots` (i from 1), Cox-de Boor with
// closed order-1 intervals; a term with a zero denominator is 0. 0 when i,
// order or the knot range would read outside the knotCount knots.
float BSplineBasis(int i, int order, float t, const float* knots, int knotCount);

// k zeros, the m interior values, k ones; returns the count written (2k + m).
int MakeOpenUniformKnots(float* knots, const float* interior, int m, int k);

// Destroys and frees a Vector3 array of the vector heap. Null does nothing.
void DeleteVector3Array(Vector3* array);
