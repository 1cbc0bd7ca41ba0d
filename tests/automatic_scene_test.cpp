// The automatic scene on a headless scene: the path's turns, the objects it
// places and the line it takes away again, the towers of several runs, the
// borrowed block type, an empty world, previews of the "Generate Objects"
// window surviving a run, and the line tool's vertex at the cursor.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>
#include <vector>

#include "core/random.h"
#include "generation/generator_support.h"
#include "support/generator_scene.h"
#include "world/block_type.h"
#include "world/line.h"
#include "world/object.h"
#include "world/world.h"

namespace {

class AutomaticScene : public ::testing::Test {
protected:
    AutomaticScene()
    {
        g_.AddBlockType(u"TitleBlack");
        tower1_ = g_.AddBlockType(u"DemoBlockColor1", Vector3{2.0f, 1.0f, 1.0f});
        tower2_ = g_.AddBlockType(u"DemoBlockColor2", Vector3{2.0f, 1.0f, 1.0f});
    }
    void TearDown() override { UnseedRandomForTests(); }

    std::vector<CNBObject*> OfType(const char16_t* name) const
    {
        std::vector<CNBObject*> found;
        for (CNBObject* object : g_.world->objects)
            if (object && object->TypeName == name) found.push_back(object);
        return found;
    }

    GeneratorScene g_;
    CScene& scene_ = g_.scene;
    BlockType* tower1_ = nullptr;
    BlockType* tower2_ = nullptr;
};

float TurnDegrees(const Vector3& a, const Vector3& b)
{
    const float dot = a.x * b.x + a.z * b.z;
    const float lengths = std::hypot(a.x, a.z) * std::hypot(b.x, b.z);
    return std::acos(std::clamp(dot / lengths, -1.0f, 1.0f)) * kRadiansToDegrees;
}

}  // namespace

TEST_F(AutomaticScene, EveryAcceptedTurnLiesBetween37And75Degrees)
{
    int turns = 0;
    for (uint32_t seed = 1; seed <= 8; ++seed) {
        SeedRandomForTests(seed);
        CLine line;
        DrawAutoScenePath(line, WorldRectangle{-100.0f, -100.0f, 100.0f, 100.0f});
        ASSERT_GE(line.pointCount, 2);
        ASSERT_LE(line.pointCount, 14);
        for (int i = 0; i < line.pointCount; ++i) {
            const Vector3& p = line.points[i];
            // The rectangle less a seventh of its size (28) on each side.
            EXPECT_LE(std::fabs(p.x), 72.0f + 1e-3f);
            EXPECT_LE(std::fabs(p.z), 72.0f + 1e-3f);
        }
        for (int i = 2; i < line.pointCount; ++i) {
            const Vector3 s = Vector3::Sub(line.points[i - 1], line.points[i - 2]);
            const Vector3 d = Vector3::Sub(line.points[i], line.points[i - 1]);
            if (std::hypot(s.x, s.z) < 1e-3f || std::hypot(d.x, d.z) < 1e-3f) continue;
            const float turn = TurnDegrees(s, d);
            EXPECT_GE(turn, 37.0f - 0.01f) << "seed " << seed;
            EXPECT_LE(turn, 75.0f + 0.01f) << "seed " << seed;
            ++turns;
        }
    }
    EXPECT_GT(turns, 8);
}

TEST_F(AutomaticScene, ARunPlacesAPathAndATowerAndTakesItsLineAway)
{
    g_.AddGround(100.0f);
    SeedRandomForTests(42);
    tower2_->pitch = 10.0f;
    scene_.GenerateAutoScene();

    EXPECT_TRUE(g_.world->lines.empty());
    EXPECT_EQ(g_.world->currentBlockType, nullptr);  // the borrowed "TitleBlack" is given back
    EXPECT_FALSE(OfType(u"TitleBlack").empty());      // the path
    const size_t lower = OfType(u"DemoBlockColor1").size();
    const size_t upper = OfType(u"DemoBlockColor2").size();
    EXPECT_EQ(lower, upper);
    EXPECT_GE(lower, 10u);  // two per level, 5 to 10 levels
    EXPECT_LE(lower, 20u);
    EXPECT_EQ(tower2_->pitch, 0.0f);
    for (const CNBObject* object : g_.world->objects) EXPECT_NE(object->SectorLink, nullptr);
}

TEST_F(AutomaticScene, SeveralRunsStackSeveralTowersAtTheirOwnPlaces)
{
    g_.AddGround(200.0f);
    SeedRandomForTests(3);
    for (int i = 0; i < 3; ++i) scene_.GenerateAutoScene();
    // The lowest layer of each tower: the first block of its level 0 sits at
    // half a block's height.
    std::set<std::pair<int, int>> towers;
    for (const CNBObject* object : OfType(u"DemoBlockColor1")) {
        const Vector3 p = object->WorldMatrix.GetTranslation();
        if (std::fabs(p.y - 0.5f) < 1e-3f) towers.insert({static_cast<int>(std::lround(p.x)), static_cast<int>(std::lround(p.z))});
    }
    // Each tower has two blocks on its lowest layer (cz and cz + 1.6).
    EXPECT_EQ(towers.size(), 6u);
}

TEST_F(AutomaticScene, AnEmptyWorldOrMissingTowerTypesAreSafe)
{
    scene_.GenerateAutoScene();  // no objects: no area to fill
    EXPECT_TRUE(g_.world->objects.empty());
    EXPECT_TRUE(g_.world->lines.empty());

    g_.AddGround(60.0f);
    tower1_->name = u"Renamed";
    SeedRandomForTests(8);
    scene_.GenerateAutoScene();
    EXPECT_TRUE(OfType(u"DemoBlockColor2").empty());
    EXPECT_FALSE(OfType(u"TitleBlack").empty());
}

TEST_F(AutomaticScene, PreviewsOfTheGenerateObjectsWindowWaitAsideDuringARun)
{
    g_.AddGround(100.0f);
    g_.world->currentBlockType = tower1_;
    scene_.generator.lineLengthCount = 3.0f;
    scene_.GenerateObjects(kGenerateDirectLine, kGeneratorPreview);
    const std::vector<CNBObject*> previews = scene_.previewObjects;
    ASSERT_EQ(previews.size(), 3u);
    SeedRandomForTests(11);
    scene_.GenerateAutoScene();
    EXPECT_EQ(scene_.previewObjects, previews);
    EXPECT_EQ(g_.world->currentBlockType, tower1_);
}

TEST_F(AutomaticScene, AClickOnNothingAddsTheVertexAtTheOriginRaised)
{
    scene_.AddLineVertexAtCursor();
    CLine* line = g_.world->drawingLine;
    ASSERT_NE(line, nullptr);
    ASSERT_EQ(g_.world->lines.size(), 1u);
    ASSERT_EQ(line->pointCount, 1);
    EXPECT_FLOAT_EQ(line->points[0].y, 0.1f);
}
