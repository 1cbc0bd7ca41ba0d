// CLine: points and their growth, the B-spline and rounded-curve samples,
// lengths and the arc-length walk, render sets and their release, and
// hostile orders and sample counts.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <vector>

#include "core/private_heap.h"
#include "graphics/driver.h"
#include "graphics/render_set.h"
#include "world/line.h"

namespace {

void ExpectNear(const Vector3& a, const Vector3& b, float tolerance = 1e-5f)
{
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

void Add(CLine& line, const std::vector<Vector3>& points)
{
    for (const Vector3& p : points) {
        Vector3* slot = line.AddPoint();
        ASSERT_NE(slot, nullptr);
        *slot = p;
    }
}

Vector3 RenderVertex(const RenderSet& set, int i)
{
    const float* v = set.vertices32 + 8 * i;
    return Vector3{v[0], v[1], v[2]};
}

}  // namespace

TEST(LineTest, PointsGrowAcrossTheStepAndIndexModuloTheCount)
{
    CLine line;
    for (int i = 0; i < 2049; ++i) {
        Vector3* p = line.AddPoint();
        ASSERT_NE(p, nullptr);
        *p = Vector3{float(i), float(2 * i), 0.0f};
    }
    EXPECT_EQ(line.pointMarks.size(), 2049u);
    EXPECT_EQ(line.points[2048].x, 2048.0f);  // kept across the growth
    EXPECT_EQ(line.points[5].x, 5.0f);
    EXPECT_EQ(line.pointFlags[2048], 0);

    CLine three;
    Add(three, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}});
    Vector3 out{9, 9, 9};
    EXPECT_EQ(three.GetPoint(5, out), 1);
    ExpectNear(out, {2, 0, 0});
    EXPECT_EQ(three.GetPoint(-1, out), 0);
    EXPECT_EQ(three.GetPointPointer(4), &three.points[1]);
    CLine empty;
    EXPECT_EQ(empty.GetPoint(0, out), 0);
    EXPECT_EQ(empty.GetPointPointer(0), nullptr);
}

TEST(LineTest, PolylineRenderSetIsALineListOfItsPoints)
{
    CLine line;
    line.CreateDriverRenderSet();
    EXPECT_EQ(line.renderSet, nullptr);
    Add(line, {{1, 2, 3}});
    line.CreateDriverRenderSet();
    EXPECT_EQ(line.renderSet, nullptr);

    Add(line, {{4, 5, 6}, {7, 8, 9}});
    line.CreateDriverRenderSet();
    ASSERT_NE(line.renderSet, nullptr);
    const RenderSet& set = *line.renderSet;
    EXPECT_EQ(set.indexCount, 4);
    EXPECT_EQ(set.indices[3], 2);
    ExpectNear(RenderVertex(set, 2), {7, 8, 9});
}

TEST(LineTest, TwoPointBSplineIsPaddedAndEndsOnItsPoints)
{
    CLine line;
    line.LineType = kBSpline;
    Add(line, {{0, 0, 0}, {4, 2, 0}});
    line.CreateDriverRenderSet();
    ASSERT_EQ(line.splineSamples, 16);
    ASSERT_NE(line.renderSet, nullptr);
    ExpectNear(RenderVertex(*line.renderSet, 0), {0, 0, 0});
    ExpectNear(RenderVertex(*line.renderSet, 16), {4, 2, 0});

    // Samples stay on the segment, moving monotonically towards the end.
    float previousX = -1.0f;
    for (int s = 0; s <= 16; ++s) {
        Vector3 p;
        line.GetBSplinePoint(s, p);
        EXPECT_NEAR(p.y, p.x * 0.5f, 1e-5f);
        EXPECT_GE(p.x, previousX);
        previousX = p.x;
    }
    Vector3 past;
    line.GetBSplinePoint(1000, past);
    ExpectNear(past, {4, 2, 0});
    line.EvaluateBSpline(1.5f, past);
    ExpectNear(past, {4, 2, 0});
}

TEST(LineTest, ARoundedCurvePassesThroughItsPointsAndReadsNothingPastItsEnd)
{
    CLine line;
    line.LineType = kRoundedCurve;
    const std::vector<Vector3> p = {{0, 0, 0}, {3, 0, 1}, {5, 2, 0}, {6, 6, 3}};
    Add(line, p);
    line.CreateDriverRenderSet();
    ASSERT_EQ(line.curveSamples, 12);
    ASSERT_NE(line.renderSet, nullptr);
    for (int c = 0; c < 3; ++c) {
        Vector3 sample;
        line.GetCurvePoint(4 * c, sample);
        ExpectNear(sample, p[c], 1e-4f);
        ExpectNear(RenderVertex(*line.renderSet, 4 * c), p[c], 1e-4f);
    }
    Vector3 last;
    line.GetCurvePoint(12, last);
    ExpectNear(last, p[3]);
    line.GetCurvePoint(500, last);
    ExpectNear(last, p[3]);

    // A basis index whose knots would lie past the vector reads nothing.
    CLine spline;
    spline.LineType = kBSpline;
    Add(spline, p);
    spline.BuildBSpline();
    EXPECT_EQ(BSplineBasis(spline.controlCount + 1, spline.order, 0.5f, spline.knots, spline.knotCount), 0.0f);
    EXPECT_EQ(BSplineBasis(0, spline.order, 0.5f, spline.knots, spline.knotCount), 0.0f);
}

TEST(LineTest, RoundSegmentKeepsALoneSegmentStraightAndBendsAwayFromTheLastOne)
{
    CLine line;
    const Vector3 segment[2] = {{2, 0, 0}, {4, 0, 0}};
    Vector3 out[2];
    ASSERT_EQ(line.RoundSegment(segment, nullptr, nullptr, out), 1);
    ExpectNear(out[0], {2, 0, 0});
    ExpectNear(out[1], {4, 0, 0});

    // A bend: the control at P0 leaves along the bisector's normal, away from
    // the previous segment, and lies in the plane of the two segments.
    const Vector3 bentPrevious[2] = {{2, -2, 0}, {2, 0, 0}};
    ASSERT_EQ(line.RoundSegment(segment, bentPrevious, nullptr, out), 1);
    EXPECT_NEAR(out[0].z, 0.0f, 1e-5f);
    EXPECT_GT(out[0].x, 2.0f);
    EXPECT_GT(out[0].y, 0.0f);
}

TEST(LineTest, LengthAndPointAtLengthWalkTheSamples)
{
    CLine line;
    Add(line, {{0, 0, 0}, {1, 0, 0}, {4, 0, 0}});
    EXPECT_FLOAT_EQ(line.GetLength(), 4.0f);
    Vector3 p;
    int segment = -1;
    line.GetPointAtLength(0.125f, p, segment);
    ExpectNear(p, {0.5f, 0, 0});
    EXPECT_EQ(segment, 0);
    line.GetPointAtLength(0.5f, p, segment);
    ExpectNear(p, {2, 0, 0});
    EXPECT_EQ(segment, 1);
    line.GetPointAtLength(1.25f, p, segment);  // beyond: the last segment extended
    ExpectNear(p, {5, 0, 0});

    // A curve's length is that of its samples: longer than its chord, shorter
    // than the polygon of its control points.
    CLine curve;
    curve.LineType = kBSpline;
    Add(curve, {{0, 0, 0}, {2, 4, 0}, {4, 0, 0}});
    curve.BuildBSpline();
    EXPECT_GT(curve.GetLength(), 4.5f);
    EXPECT_LT(curve.GetLength(), 2.0f * std::sqrt(20.0f) - 0.5f);

    // Zero length: the first point, segment 0, no division by zero.
    CLine still;
    Add(still, {{3, 3, 3}, {3, 3, 3}});
    still.GetPointAtLength(0.7f, p, segment);
    ExpectNear(p, {3, 3, 3});
    EXPECT_EQ(segment, 0);
    CLine empty;
    empty.GetPointAtLength(0.5f, p, segment);
    ExpectNear(p, {0, 0, 0});
}

TEST(LineTest, HostileOrderAndSamplesAreClampedWhereUsed)
{
    for (int kind : {kRoundedCurve, kBSpline}) {
        CLine line;
        line.LineType = kind;
        Add(line, {{0, 0, 0}, {1, 1, 0}, {2, 0, 0}});
        line.order = 1000000;
        line.samplesPerSpan = INT_MAX;
        line.CreateDriverRenderSet();
        EXPECT_EQ(line.order, 1000000);  // stored values stay for the world file
        EXPECT_EQ(line.samplesPerSpan, INT_MAX);
        ASSERT_NE(line.renderSet, nullptr);
        if (kind == kBSpline) EXPECT_EQ(line.splineSamples, (11 - 1) * 64);
        else EXPECT_EQ(line.curveSamples, 2 * 64);
        EXPECT_GT(line.GetLength(), 0.0f);

        line.order = -7;
        line.samplesPerSpan = -3;
        line.CreateDriverRenderSet();
        ASSERT_NE(line.renderSet, nullptr);
        if (kind == kBSpline) EXPECT_EQ(line.splineSamples, 2);
        else EXPECT_EQ(line.curveSamples, 2);
        Vector3 p;
        int segment = 0;
        line.GetPointAtLength(0.5f, p, segment);
        EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
    }
}

TEST(LineTest, MoreVerticesThanSixteenBitIndicesReachGiveNoRenderSet)
{
    CLine line;
    for (int i = 0; i < kMaxLineVertices + 1; ++i) *line.AddPoint() = Vector3{float(i), 0, 0};
    line.CreateDriverRenderSet();
    EXPECT_EQ(line.renderSet, nullptr);

    CLine fits;
    for (int i = 0; i < kMaxLineVertices; ++i) *fits.AddPoint() = Vector3{float(i), 0, 0};
    fits.CreateDriverRenderSet();
    ASSERT_NE(fits.renderSet, nullptr);
    EXPECT_EQ(fits.renderSet->indices[fits.renderSet->indexCount - 1], 65535);
}
