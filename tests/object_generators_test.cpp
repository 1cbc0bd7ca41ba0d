// The object generators on a headless scene: direct-line rows and their 90
// degree width step, stacking, the circle's stop rule and the inverse spiral,
// colour runs when previews are created, the Perlin field (flat at lattice
// points, columns, the ground probe, creation with the Perlin physics switch),
// the along-line count guards and headings, the random spline's rules, and
// the clamping of settings past their sliders.
#include <btBulletDynamicsCommon.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/random.h"
#include "generation/generator_support.h"
#include "generation/noise.h"
#include "support/generator_scene.h"
#include "world/block_type.h"
#include "world/line.h"
#include "world/object.h"
#include "world/physic_body.h"
#include "world/world.h"

namespace {

Vector3 At(const CNBObject* object) { return object->WorldMatrix.GetTranslation(); }
// Where the object's local z axis points (the third row of its matrix).
Vector3 Facing(const CNBObject* object)
{
    const float* m = object->WorldMatrix.m;
    return Vector3{m[8], m[9], m[10]};
}

#define EXPECT_VEC(actual, ex, ey, ez)                 \
    do {                                               \
        const Vector3 v_ = (actual);                   \
        EXPECT_NEAR(v_.x, (ex), 1e-4f) << "x";         \
        EXPECT_NEAR(v_.y, (ey), 1e-4f) << "y";         \
        EXPECT_NEAR(v_.z, (ez), 1e-4f) << "z";         \
    } while (0)

// Every test but one generates unit cubes.
class ObjectGenerators : public ::testing::Test {
protected:
    void TearDown() override { UnseedRandomForTests(); }

    // The world's objects of kind 2 (the ground is kind 1).
    std::vector<CNBObject*> Made() const
    {
        std::vector<CNBObject*> made;
        for (CNBObject* object : g_.world->objects)
            if (object && object->Kind == 2) made.push_back(object);
        return made;
    }

    // A polyline through the points, the world's active line.
    CLine* ActiveLine(std::initializer_list<Vector3> points)
    {
        auto* line = new CLine;
        for (const Vector3& p : points) *line->AddPoint() = p;
        line->active = 1;
        g_.world->lines.push_back(line);
        return line;
    }

    GeneratorScene g_;
    BlockType* cube_ = g_.UseBlockType(u"Cube");
    CScene& scene_ = g_.scene;
    ObjectGeneratorSettings& s_ = g_.scene.generator;
};

}  // namespace

// ---- Direct line and stacking ----

TEST_F(ObjectGenerators, DirectLineRowsFollowTheAngleWithTheWidthStepTurnedNinetyDegrees)
{
    scene_.cursor3D = Vector3{10.0f, 2.0f, 20.0f};
    s_.lineLengthCount = 3.0f;
    s_.lineWidthCount = 2.0f;
    s_.lineAngle = 90.0f;
    s_.lineLengthOffset = 1.0f;
    s_.lineWidthOffset = 0.5f;
    s_.lineHeight = 2.0f;
    s_.lineHeightOffset = 0.5f;
    scene_.GenerateObjects(kGenerateDirectLine, kGeneratorPreview);

    ASSERT_EQ(scene_.previewObjects.size(), 12u);
    EXPECT_EQ(scene_.lastGeneratorType, kGenerateDirectLine);
    EXPECT_TRUE(Made().empty());  // previews never join the world
    size_t n = 0;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 2; ++j)
            for (int k = 0; k < 2; ++k) {
                const CNBObject* object = scene_.previewObjects[n++];
                // Along +x by depth 1 + 1; rows toward -z by 1 + 0.5; levels
                // 1 + 0.5 apart, centres half a height up.
                EXPECT_VEC(At(object), 10.0f + 2.0f * i, 2.0f + 1.5f * k + 0.5f, 20.0f - 1.5f * j);
                EXPECT_VEC(Facing(object), 1.0f, 0.0f, 0.0f);
            }
}

TEST_F(ObjectGenerators, CountsBelowOneMakeNothingAndSettingsPastTheirSlidersAreClamped)
{
    s_.lineLengthCount = 0.9f;
    scene_.GenerateObjects(kGenerateDirectLine, kGeneratorPreview);
    EXPECT_TRUE(scene_.previewObjects.empty());

    s_.lineLengthCount = 1000.0f;  // typed past the slider: 100
    s_.lineWidthCount = -5.0f;     // 1
    s_.lineHeight = NAN;           // 1
    s_.lineAngle = NAN;            // 0
    s_.lineLengthOffset = 1e30f;   // 10
    scene_.GenerateObjects(kGenerateDirectLine, kGeneratorPreview);
    ASSERT_EQ(scene_.previewObjects.size(), 100u);
    EXPECT_VEC(At(scene_.previewObjects[99]), 0.0f, 0.5f, 99.0f * 11.0f);

    s_.circleObjectNum = 0.0f;
    scene_.GenerateObjects(kGenerateCircle, kGeneratorPreview);
    EXPECT_TRUE(scene_.previewObjects.empty());
    s_.circleObjectNum = 1e9f;  // 400
    scene_.GenerateObjects(kGenerateCircle, kGeneratorPreview);
    EXPECT_EQ(scene_.previewObjects.size(), 400u);

    EXPECT_EQ(CountOf(NAN), 0);
    EXPECT_EQ(CountOf(1e300), kMaxGeneratedObjects);
}

// ---- Circle and spiral ----

TEST_F(ObjectGenerators, TheCircleStopsAtTheFullAngleAndAnInverseSpiralTurnsBack)
{
    s_.circleObjectNum = 10.0f;
    s_.circleFullAngle = 90.0f;
    s_.circleStartAngle = 30.0f;
    scene_.GenerateObjects(kGenerateCircle, kGeneratorPreview);
    ASSERT_EQ(scene_.previewObjects.size(), 3u);  // 0, 36 and 72 degrees; 108 is past 90
    for (int i = 0; i < 3; ++i) {
        const float a = 36.0f * i * kDegreesToRadians;
        EXPECT_VEC(At(scene_.previewObjects[i]), 5.0f * std::cos(a), 0.5f, 5.0f * std::sin(a));
        // Turned by -a to face along the circle, then by the start angle.
        const float yaw = (30.0f - 36.0f * i) * kDegreesToRadians;
        EXPECT_VEC(Facing(scene_.previewObjects[i]), std::sin(yaw), 0.0f, std::cos(yaw));
    }

    // An inverse spiral walks to negative angles as its radius grows: 22.5
    // degrees a step, the radius 0.125 longer each.
    s_.circleSpiral = s_.circleInverse = 1;
    s_.circleObjectNum = 4.0f;
    s_.circleFullTurnNum = 0.0f;
    scene_.GenerateObjects(kGenerateCircle, kGeneratorPreview);
    ASSERT_EQ(scene_.previewObjects.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        const float a = -22.5f * i * kDegreesToRadians, r = 5.0f + 0.125f * i;
        EXPECT_VEC(At(scene_.previewObjects[i]), r * std::cos(a), 0.5f, r * std::sin(a));
    }
}

// ---- Creating and clearing ----

TEST_F(ObjectGenerators, CreatingTurnsPreviewsIntoWorldObjectsWithTheirMatrices)
{
    scene_.GenerateObjects(kGenerateDirectLine, kGeneratorCreate);  // "Generate" before any preview
    EXPECT_TRUE(Made().empty());

    s_.lineLengthCount = 3.0f;
    s_.lineAngle = 30.0f;
    scene_.GenerateObjects(kGenerateDirectLine, kGeneratorPreview);
    ASSERT_EQ(scene_.previewObjects.size(), 3u);
    const Vector3 third = At(scene_.previewObjects[2]);
    const Vector3 facing = Facing(scene_.previewObjects[2]);
    scene_.GenerateObjects(kGenerateDirectLine, kGeneratorCreate);
    EXPECT_TRUE(scene_.previewObjects.empty());
    const std::vector<CNBObject*> made = Made();
    ASSERT_EQ(made.size(), 3u);
    EXPECT_VEC(At(made[2]), third.x, third.y, third.z);
    EXPECT_VEC(Facing(made[2]), facing.x, facing.y, facing.z);
    EXPECT_NE(made[2]->SectorLink, nullptr);
    // The bodies are in the physics world where their objects stand, and the
    // touching neighbours already know each other.
    for (CNBObject* object : made) {
        ASSERT_NE(object->PhysicBody, nullptr);
        ASSERT_NE(object->PhysicBody->Body, nullptr);
        EXPECT_EQ(object->PhysicBody->World, scene_.physics.dynamicsWorld);
    }
    const btVector3& origin = made[2]->PhysicBody->Body->getWorldTransform().getOrigin();
    EXPECT_VEC((Vector3{float(origin.x()), float(origin.y()), float(origin.z())}), third.x, third.y, third.z);
    EXPECT_NE(scene_.physics.dynamicsWorld->getPairCache()->findPair(made[0]->PhysicBody->Body->getBroadphaseHandle(),
                                                                    made[1]->PhysicBody->Body->getBroadphaseHandle()),
              nullptr);
    EXPECT_EQ(TextureNameOf(made[2]), u"boxred.jpg");  // not colourful

    scene_.GenerateObjects(kGenerateCircle, kGeneratorPreview);
    EXPECT_FALSE(scene_.previewObjects.empty());
    scene_.GenerateObjects(kGenerateDirectLine, kGeneratorClear);
    EXPECT_TRUE(scene_.previewObjects.empty());
    EXPECT_EQ(Made().size(), 3u);
}

TEST_F(ObjectGenerators, ColourRunsCycleRainbowOneToEightThenOneToFour)
{
    g_.AddRainbowTextures();
    SeedRandomForTests(3);
    s_.lineColorful = 1;
    s_.lineLengthCount = 100.0f;
    s_.lineWidthCount = 2.0f;
    scene_.GenerateObjects(kGenerateDirectLine, kGeneratorPreview);
    scene_.GenerateObjects(kGenerateDirectLine, kGeneratorCreate);
    const std::vector<CNBObject*> made = Made();
    ASSERT_EQ(made.size(), 200u);
    std::vector<std::pair<std::u16string, int>> runs;  // texture, objects
    for (const CNBObject* object : made) {
        if (runs.empty() || runs.back().first != TextureNameOf(object)) runs.push_back({TextureNameOf(object), 0});
        ++runs.back().second;
    }
    ASSERT_GE(runs.size(), 14u);
    for (size_t r = 0; r < runs.size(); ++r) {
        EXPECT_EQ(runs[r].first, u"rainbow_" + std::u16string(1, u'1' + r % 12 % 8) + u".dds") << r;
        // Three to seven objects in the first run, one more in each later one.
        const int fewest = r == 0 ? 3 : 4;
        if (r + 1 < runs.size()) {
            EXPECT_TRUE(runs[r].second >= fewest && runs[r].second <= fewest + 4) << r;
        }
    }
}

TEST_F(ObjectGenerators, NothingHappensWithoutACurrentBlockType)
{
    g_.world->currentBlockType = nullptr;
    scene_.lastGeneratorType = kGenerateCircle;
    s_.fieldDirty = 1;
    scene_.GenerateObjects(kGeneratePerlin, kGeneratorPreview);
    EXPECT_EQ(scene_.lastGeneratorType, kGenerateCircle);
    EXPECT_TRUE(scene_.previewPositions.empty());
    EXPECT_EQ(s_.fieldDirty, 1);
}

// ---- Perlin field ----

TEST_F(ObjectGenerators, APerlinFieldIsFlatAtLatticePointsFindsTheGroundAndStacksColumns)
{
    ResetNoiseTable();
    scene_.cursor3D = Vector3{1.0f, 2.0f, 3.0f};
    s_.perlinTextureSizeX = 4.0f;
    s_.perlinTextureSizeY = 3.0f;
    s_.perlinScale = 1.0f;  // whole-number noise coordinates: noise 0 everywhere
    s_.fieldDirty = 1;
    scene_.GenerateObjects(kGeneratePerlin, kGeneratorPreview);
    EXPECT_EQ(s_.fieldDirty, 0);
    EXPECT_EQ(s_.fieldPrototype, cube_);
    ASSERT_EQ(scene_.previewPositions.size(), 12u);
    size_t n = 0;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_VEC(scene_.previewPositions[n++], 1.0f + i, 2.5f, 3.0f + j);
    EXPECT_TRUE(scene_.previewObjects.empty());

    scene_.options.sceneOptionD = 0;  // the Perlin "Physics Enable": off
    scene_.positionObject = scene_.CreateMeshObject(cube_);
    scene_.GenerateObjects(kGeneratePerlin, kGeneratorCreate);
    const std::vector<CNBObject*> made = Made();
    ASSERT_EQ(made.size(), 12u);
    for (const CNBObject* object : made) EXPECT_EQ(object->StaticFlag, 1);
    EXPECT_EQ(scene_.options.physicsActive, 1);  // the general switch is back
    EXPECT_TRUE(scene_.previewPositions.empty());
    EXPECT_EQ(scene_.positionObject, nullptr);

    // Over ground 2 high, a cell 6 high stands at 6 - 2; with "3D Noise" it
    // is a column from the ground up to 6, and a height below 1 makes none.
    g_.AddGround(100.0f, 2.0f);
    s_.perlinTextureSizeY = 1.0f;
    auto preview = [this](float height) {
        scene_.cursor3D = Vector3{0.0f, height, 0.0f};
        s_.fieldDirty = 1;
        scene_.GenerateObjects(kGeneratePerlin, kGeneratorPreview);
        return scene_.previewPositions;
    };
    std::vector<Vector3> at = preview(6.0f);
    ASSERT_EQ(at.size(), 4u);
    EXPECT_VEC(at[1], 1.0f, 4.5f, 0.0f);
    scene_.Flag(kFlagNoise3D) = 1;
    at = preview(6.0f);
    ASSERT_EQ(at.size(), 16u);
    for (int k = 0; k < 4; ++k) EXPECT_VEC(at[4 + k], 1.0f, 2.5f + k, 0.0f);
    EXPECT_TRUE(preview(0.5f).empty());
}

// ---- Along a line ----

TEST_F(ObjectGenerators, AlongALineObjectsAreSpacedByTheStepAndTurnedAlongIt)
{
    g_.AddRainbowTextures();
    ActiveLine({Vector3{0, 0, 0}, Vector3{10, 0, 0}});
    scene_.Flag(kFlagLineStepMode) = 1;
    s_.fixedStep = 2.5f;

    scene_.GenerateAlongLine(0);  // no request: nothing
    EXPECT_TRUE(scene_.previewObjects.empty());

    s_.alongLineRequest = 1;
    scene_.GenerateAlongLine(0);
    EXPECT_EQ(s_.alongLineRequest, 0);
    ASSERT_EQ(scene_.previewObjects.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_VEC(At(scene_.previewObjects[i]), 10.0f * i / 3.0f, 0.5f, 0.0f);
        EXPECT_VEC(Facing(scene_.previewObjects[i]), 1.0f, 0.0f, 0.0f);
    }
    EXPECT_EQ(scene_.positionObject, nullptr);

    s_.alongLineRequest = 1;
    scene_.GenerateAlongLine(1);  // creates the previews there, in colour runs
    const std::vector<CNBObject*> made = Made();
    ASSERT_EQ(made.size(), 4u);
    EXPECT_EQ(TextureNameOf(made[0]), u"rainbow_1.dds");
    EXPECT_TRUE(scene_.previewObjects.empty());
}

TEST_F(ObjectGenerators, AlongALineTheCountNeverFailsAndFollowsTheGround)
{
    g_.AddGround(100.0f, 2.0f);
    ActiveLine({Vector3{0, 0, 0}, Vector3{0, 0, -10}});
    scene_.Flag(kFlagLineStepMode) = 1;
    for (float step : {0.0f, NAN, -1.0f}) {
        s_.fixedStep = step;
        s_.alongLineRequest = 1;
        scene_.GenerateAlongLine(0);
        ASSERT_EQ(scene_.previewObjects.size(), 1u) << step;
        EXPECT_VEC(At(scene_.previewObjects[0]), 0.0f, 2.5f, 0.0f);  // on the ground at the start
        EXPECT_VEC(Facing(scene_.previewObjects[0]), 0.0f, 0.0f, -1.0f);
    }

    // The automatic step with a prototype of no size.
    scene_.Flag(kFlagLineStepMode) = 0;
    g_.UseBlockType(u"Point", Vector3{0.0f, 0.0f, 0.0f});
    s_.alongLineRequest = 1;
    scene_.GenerateAlongLine(0);
    ASSERT_EQ(scene_.previewObjects.size(), 1u);
}

// ---- Random spline ----

TEST_F(ObjectGenerators, ASplineWhoseEveryCandidateIsRefusedKeepsOnlyTheCursorPoint)
{
    g_.AddGround(40.0f);
    SeedRandomForTests(5);
    scene_.cursor3D = Vector3{500.0f, 0.0f, 500.0f};  // far outside the world's area
    s_.splineMaxSegments = 3.0f;
    scene_.GenerateObjects(kGenerateSpline, kGeneratorPreview);
    ASSERT_NE(s_.generatedSpline, nullptr);
    EXPECT_EQ(s_.generatedSpline->pointCount, 1);
    ASSERT_EQ(scene_.previewObjects.size(), 1u);
    EXPECT_VEC(At(scene_.previewObjects[0]), 500.0f, 0.52f, 500.0f);
}

TEST_F(ObjectGenerators, ARandomSplineKeepsToItsAreaAndNeverCrossesOrCrowdsItself)
{
    // Cubes: points keep 1.1 diagonals, 1.1 sqrt(3), off other segments
    g_.AddGround(40.0f);       // the world's area: -20..20, its inner part -18..18
    SeedRandomForTests(11);
    s_.splineMaxSegments = 60.0f;
    s_.splineMaxXStep = s_.splineMaxYStep = 6.0f;
    s_.splineRectLimits = 1;
    s_.splineRectLimitWidth = 20.0f;
    s_.splineRectLimitHeight = 30.0f;
    scene_.cursor3D = Vector3{2.7f, 0.0f, -3.2f};
    scene_.GenerateObjects(kGenerateSpline, kGeneratorPreview);
    const CLine& line = *s_.generatedSpline;
    ASSERT_TRUE(line.pointCount >= 10 && line.pointCount <= 60);
    EXPECT_VEC(line.points[0], 2.0f, 0.02f, -3.0f);
    // Each point against the line as it stood when the point was added.
    for (int k = 1; k < line.pointCount; ++k) {
        const double px = line.points[k - 1].x, pz = line.points[k - 1].z, cx = line.points[k].x, cz = line.points[k].z;
        EXPECT_TRUE(cx == std::trunc(cx) && cz == std::trunc(cz) && line.points[k].y == 0.02f) << k;
        EXPECT_TRUE(std::fabs(cx - px) <= 6 && std::fabs(cz - pz) <= 6) << k;
        EXPECT_TRUE(cx >= 2.7 - 10 && cx <= 2.7 + 10 && cz >= -18 && cz <= -3.2 + 15) << k;
        for (int i = 0; i + 1 < k; ++i) {
            const double ax = line.points[i].x, az = line.points[i].z;
            const double bx = line.points[i + 1].x - ax, bz = line.points[i + 1].z - az;
            // Meeting another segment only within 1 of where it starts...
            const double rx = cx - px, rz = cz - pz, d = rx * bz - rz * bx;
            const double t = ((ax - px) * bz - (az - pz) * bx) / d, u = ((ax - px) * rz - (az - pz) * rx) / d;
            EXPECT_FALSE(d != 0 && t >= 0 && t <= 1 && u >= 0 && u <= 1 && t * std::hypot(rx, rz) > 1.0) << k;
            // ...and never nearer than the clearance beside one.
            const double length = bx * bx + bz * bz, along = ((cx - ax) * bx + (cz - az) * bz) / length;
            const double distance = std::fabs((cx - ax) * bz - (cz - az) * bx) / std::sqrt(length);
            EXPECT_FALSE(length > 0 && std::fabs(along) <= 1 && distance < 1.1 * std::sqrt(3.0)) << k << " " << i;
        }
    }
}
