// Vectors, matrices, grid snapping, random integers and rounding.
#include <gtest/gtest.h>

#include <climits>
#include <limits>
#include <cstring>
#include <vector>

#include "core/grid_snap.h"
#include "core/matrix4.h"
#include "core/random.h"
#include "core/vector3.h"

namespace {

// p x M for a point (w = 1), row-vector convention.
Vector3 Transform(const Vector3& p, const Matrix4& m)
{
    return Vector3{p.x * m.m[0] + p.y * m.m[4] + p.z * m.m[8] + m.m[12],
                   p.x * m.m[1] + p.y * m.m[5] + p.z * m.m[9] + m.m[13],
                   p.x * m.m[2] + p.y * m.m[6] + p.z * m.m[10] + m.m[14]};
}

void ExpectNear(const Vector3& v, float x, float y, float z, float tolerance = 1e-5f)
{
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

template <class M>
M FromValues(std::initializer_list<double> values)
{
    M result;
    int i = 0;
    for (double v : values) result.m[i++] = static_cast<decltype(result.m[0] + 0)>(v);
    return result;
}

// Well conditioned, no zeros on the diagonal, determinant -134.
const std::initializer_list<double> kGeneral = {2, 1, 0, 3, 1, 3, 1, 0, 0, 2, 4, 1, 5, 0, 1, 2};

}  // namespace

TEST(MathsMatrix, GeneralMatrixTimesItsInverseIsIdentityAndASingularOneGivesZeros)
{
    const Matrix4 a = FromValues<Matrix4>(kGeneral);
    EXPECT_FLOAT_EQ(a.Determinant(), -134.0f);
    Matrix4 inverse = a;
    inverse.Inverse();
    Matrix4 product;
    a.Multiply(inverse, product);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(product.m[i], (i % 5 == 0) ? 1.0f : 0.0f, 1e-5f) << i;

    // Singular: the adjugate, which for zeros is zeros, with no failure.
    Matrix4 zero;
    zero.Inverse();
    for (float v : zero.m) EXPECT_EQ(v, 0.0f);
}

TEST(MathsMatrix, MultiplyAppliesLeftFirstAndAllowsAliasing)
{
    // Translate by (1, 0, 0), then rotate 90 degrees about z: (0,0,0) -> (0,1,0).
    Matrix4 translate;
    translate.SetIdentity();
    translate.m[12] = 1.0f;
    Matrix4 rotate;
    rotate.SetIdentity();
    Vector3 z{0, 0, 1};
    rotate.Rotate(z, 90.0f);
    Matrix4 expected;
    translate.Multiply(rotate, expected);
    ExpectNear(Transform(Vector3{}, expected), 0, 1, 0);

    Matrix4 intoLeft = translate;
    intoLeft.Multiply(rotate, intoLeft);
    Matrix4 intoRight = rotate;
    translate.Multiply(intoRight, intoRight);
    EXPECT_EQ(std::memcmp(intoLeft.m, expected.m, sizeof expected.m), 0);
    EXPECT_EQ(std::memcmp(intoRight.m, expected.m, sizeof expected.m), 0);
}

TEST(MathsMatrix, RotateNormalisesTheAxisAndUsesRowVectors)
{
    Matrix4 m;
    m.SetIdentity();
    Vector3 axis{0, 0, 2};
    m.Rotate(axis, 90.0f);
    ExpectNear(axis, 0, 0, 1, 0.0f);
    ExpectNear(Transform(Vector3{1, 0, 0}, m), 0, 1, 0);
    Vector3 slanted{1, 2, -2};
    Matrix4 f;
    f.SetIdentity();
    f.Rotate(slanted, 37.0f);
    const Vector3 p{0.5f, -1.0f, 3.0f};
    Vector3 rotated = p;
    Vector3::RotateAboutAxis(slanted, 37.0f, rotated);
    const Vector3 viaMatrix = Transform(p, f);
    ExpectNear(viaMatrix, rotated.x, rotated.y, rotated.z);
}

TEST(MathsVector, NormalizeLeavesTinyVectorsAlone)
{
    Vector3 zero;
    EXPECT_EQ(zero.Normalize(), 0.0f);
    ExpectNear(zero, 0, 0, 0, 0.0f);
    Vector3 tiny{1e-9f, 0, 0};
    EXPECT_FLOAT_EQ(tiny.Normalize(), 1e-9f);
    EXPECT_EQ(tiny.x, 1e-9f);
    Vector3 v{3, 0, -4};
    EXPECT_FLOAT_EQ(v.Normalize(), 5.0f);
    ExpectNear(v, 0.6f, 0, -0.8f);
}

TEST(MathsGrid, SnappingUsesWholeDivisionsAndSurvivesUnusableSteps)
{
    for (const float unusable : {0.0f, -0.5f, std::numeric_limits<float>::quiet_NaN(),
                                 std::numeric_limits<float>::infinity()})
        EXPECT_EQ(SnapDivisions(unusable), 1) << unusable;
    EXPECT_EQ(SnapDivisions(0.3f), 3);

    ExpectNear(SnapToGrid(Vector3{1.1f, 2.0f, -0.2f}, 0.3f), 1.0f, 2.0f, -1.0f / 3.0f, 1e-4f);
    // Whole numbers, halves away from zero.
    ExpectNear(SnapToGrid(Vector3{2.6f, -1.5f, 0.4f}, 2.0f), 3.0f, -2.0f, 0.0f);
    ExpectNear(SnapToGrid(Vector3{2.6f, -1.5f, 0.4f}, 0.0f), 3.0f, -2.0f, 0.0f);
}

TEST(MathsNumbers, RandomIntStaysInItsRangeAndSeededRunsRepeat)
{
    bool seenLow = false, seenHigh = false;
    for (int i = 0; i < 400; ++i) {
        const int r = RandomInt(10, 3);  // swapped bounds
        ASSERT_GE(r, 3);
        ASSERT_LE(r, 10);
        seenLow |= (r == 3);
        seenHigh |= (r == 10);
    }
    EXPECT_TRUE(seenLow && seenHigh);
    EXPECT_EQ(RandomInt(INT_MIN, INT_MIN), INT_MIN);

    // The whole range, without overflow, and the same numbers for one seed.
    SeedRandomForTests(1234);
    std::vector<int> first;
    for (int i = 0; i < 64; ++i) first.push_back(RandomInt(INT_MIN, INT_MAX));
    SeedRandomForTests(1234);
    std::vector<int> second;
    for (int i = 0; i < 64; ++i) second.push_back(RandomInt(INT_MIN, INT_MAX));
    UnseedRandomForTests();

    EXPECT_EQ(first, second);
    bool negative = false, positive = false;
    for (int r : first) {
        negative |= r < 0;
        positive |= r > 0;
    }
    EXPECT_TRUE(negative && positive);
}
