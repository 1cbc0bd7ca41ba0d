// The tube-style scene: partition trees, rooms and corridors, the duplicate
// test, and whole scenes with the shipped box block types.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "core/random.h"
#include "generation/bsp_node.h"
#include "generation/tube_scene.h"
#include "platform/files.h"
#include "scene/scene.h"
#include "support/temp_directory.h"
#include "support/shipped_data.h"
#include "world/object.h"
#include "world/sector.h"
#include "world/world.h"

namespace {

// Leaves of a tree in list order.
std::vector<const BspNode*> Leaves(const BspTree& tree)
{
    std::vector<const BspNode*> leaves;
    for (const BspNode* node : tree.nodes)
        if (node->IsLeaf()) leaves.push_back(node);
    return leaves;
}

// A headless scene whose world holds the shipped box block types.
class TubeScene : public ::testing::Test {
protected:
    TubeScene()
    {
        for (const std::string name : {"BoxRed", "BoxDark", "BoxBlue", "BoxGreen", "BoxWhite", "BoxYellow"})
            folder_.Write("Blocks/" + name + ".bk", Shipped(platform::JoinPath(VESK_RUN_DIR, "Blocks/" + name + ".bk")));
        start_ = std::make_unique<ScopedStartDirectory>(folder_.Path());
        scene_ = std::make_unique<CScene>();
        scene_->world = new CWorld;
        scene_->world->LoadBlocks();
        scene_->InitPhysicsWorld();
    }
    ~TubeScene() override
    {
        scene_.reset();
        UnseedRandomForTests();
    }

    CWorld& World() { return *scene_->world; }
    std::vector<CNBObject*> Boxes() const
    {
        std::vector<CNBObject*> boxes;
        for (CNBObject* object : scene_->world->objects)
            if (object->Kind == 2) boxes.push_back(object);
        return boxes;
    }

    TempDirectory folder_;
    std::unique_ptr<ScopedStartDirectory> start_;
    std::unique_ptr<CScene> scene_;
};

}  // namespace

// ---- Trees, rooms and corridors ----
TEST(BspTreeBuild, LeavesTileTheSquareAndEveryRoomLiesInsideItsLeaf)
{
    for (const uint32_t seed : {1u, 2u}) {
        for (const auto& [side, maxLeaf] : {std::pair{100.5f, 10.0f}, {57.0f, 30.0f}}) {
            SeedRandomForTests(seed);
            const BspTree tree = BuildBspTree(side, maxLeaf);
            const auto leaves = Leaves(tree);
            ASSERT_GT(leaves.size(), 1u);
            double area = 0.0;
            for (const BspNode* leaf : leaves) {
                area += double(leaf->w) * leaf->h;
                EXPECT_GE(leaf->w, 6.0f);
                EXPECT_GE(leaf->h, 6.0f);
                // No leaf that could surely be cut stays too large.
                if (leaf->w > maxLeaf || leaf->h > maxLeaf) {
                    EXPECT_NE(leaf->ChanceOfSplit(), BspNode::SplitChance::kAlways) << leaf->w << " x " << leaf->h;
                }
                ASSERT_TRUE(leaf->hasRoom);
                EXPECT_GE(leaf->roomX, leaf->x + 1);
                EXPECT_LE(leaf->roomX + leaf->roomW, leaf->x + leaf->w);
            }
            EXPECT_NEAR(area, double(side) * side, 1e-3);
            for (const BspNode* node : tree.nodes) {
                if (node->IsLeaf()) {
                    EXPECT_TRUE(node->corridors.empty());
                    continue;
                }
                EXPECT_TRUE(node->connected);
            }
        }
    }
    UnseedRandomForTests();
}

// ---- The duplicate test ----
TEST(BoxPositionIndexTest, FindsPositionsCloserThanTheReachAcrossCellBordersAndAfterGrowing)
{
    BoxPositionIndex index;
    EXPECT_FALSE(index.HasNear(Vector3{0, 0, 0}));
    index.Add(Vector3{0.95f, 20.5f, -3.0f});
    EXPECT_TRUE(index.HasNear(Vector3{1.05f, 20.5f, -3.0f}));    // the next cell
    EXPECT_TRUE(index.HasNear(Vector3{0.95f, 20.5f, -2.70f}));   // 0.09 squared
    EXPECT_FALSE(index.HasNear(Vector3{0.95f, 20.5f, -2.68f}));  // about 0.102 squared
    EXPECT_FALSE(index.HasNear(Vector3{1.95f, 20.5f, -3.0f}));

    // Thousands of cells later, the table grown several times, all are found.
    for (int i = 0; i < 3000; ++i) index.Add(Vector3{float(i % 50), float(i / 50), 40.0f});
    EXPECT_TRUE(index.HasNear(Vector3{1.05f, 20.5f, -3.0f}));
    EXPECT_TRUE(index.HasNear(Vector3{49.0f, 59.0f, 40.1f}));
    EXPECT_FALSE(index.HasNear(Vector3{49.0f, 60.0f, 40.0f}));
}

TEST_F(TubeScene, OverlappingCorridorsLayOneBoxPerCellAlternatingInEach)
{
    BspTree tree;
    tree.root = std::make_unique<BspNode>();
    tree.root->Init(0, 0, 20, 20);
    // A horizontal corridor of 5 and a vertical one of 4 crossing its third cell.
    tree.root->corridors = {FloatRect{2, 5, 5, 1}, FloatRect{4, 3, 1, 4}};
    tree.nodes = {tree.root.get()};

    TubeSceneBuilder builder(*scene_);
    builder.LayCorridors(tree, -10, -10, kTubeRoomHeight);
    ASSERT_EQ(builder.Boxes().size(), 8u);
    std::set<std::pair<float, float>> cells;
    std::map<std::pair<float, float>, std::u16string> types;
    for (const CNBObject* box : builder.Boxes()) {
        EXPECT_EQ(box->Position.y, kTubeRoomHeight);
        cells.insert({box->Position.x, box->Position.z});
        types[{box->Position.x, box->Position.z}] = box->TypeName;
    }
    EXPECT_EQ(cells.size(), 8u);
    const auto TypeAt = [&types](float x, float z) { return types[{x, z}]; };
    // Running cell numbers: green at 0, 2, 4 of the first corridor; the second
    // counts its own cells, its third (at the crossing) skipped.
    EXPECT_EQ(TypeAt(-8.0f, -5.0f), u"BoxGreen");
    EXPECT_EQ(TypeAt(-7.0f, -5.0f), u"BoxWhite");
    EXPECT_EQ(TypeAt(-6.0f, -5.0f), u"BoxGreen");
    EXPECT_EQ(TypeAt(-6.0f, -7.0f), u"BoxGreen");
    EXPECT_EQ(TypeAt(-6.0f, -6.0f), u"BoxWhite");
    EXPECT_EQ(TypeAt(-6.0f, -4.0f), u"BoxWhite");

    // A corridor over a room's boxes adds nothing there.
    const size_t before = builder.Boxes().size();
    tree.root->corridors = {FloatRect{2, 5, 5, 1}};
    builder.LayCorridors(tree, -10, -10, kTubeRoomHeight);
    EXPECT_EQ(builder.Boxes().size(), before);
}

TEST_F(TubeScene, AMissingBlockTypeLaysNothingForItsCells)
{
    TubeSceneBuilder builder(*scene_);
    EXPECT_EQ(builder.MakeBox(u"NoSuchBox", Vector3{0, 0, 0}), nullptr);
    EXPECT_NE(builder.MakeBox(u"boxred", Vector3{0, 0, 0}), nullptr);  // names in any case
    EXPECT_EQ(builder.Boxes().size(), 1u);
}

// ---- Whole scenes ----
TEST_F(TubeScene, RoomsPillarsAndCorridorsLieOnTheirLevelsWithoutDuplicates)
{
    SeedRandomForTests(21);
    scene_->options.previewScale = Vector3{2.0f, 3.0f, 4.0f};
    scene_->options.physicsActive = 1;
    const size_t sectorsBefore = World().sectors.size();
    scene_->GenerateTubeScene(100, 25, 1, 0);
    EXPECT_EQ(scene_->options.previewScale.y, 3.0f) << "the scene settings are given back";
    const std::vector<CNBObject*> boxes = Boxes();
    ASSERT_GT(boxes.size(), 100u);
    EXPECT_EQ(boxes.size(), World().objects.size()) << "no ground without Base Level";
    std::set<std::tuple<float, float, float>> seen;
    int upper = 0, pillars = 0;
    for (const CNBObject* box : boxes) {
        const Vector3& p = box->Position;
        EXPECT_TRUE(seen.insert({p.x, p.y, p.z}).second) << "two boxes at " << p.x << ", " << p.y << ", " << p.z;
        EXPECT_EQ(box->StaticFlag, 1) << "built without active physics";
        if (p.y == kTubeUpperRoomHeight) {
            ++upper;  // beside the first level, not above it
            EXPECT_GE(p.x, 50.0f);
            continue;
        }
        EXPECT_LE(p.x, 50.0f);
        if (p.y != kTubeRoomHeight) ++pillars;
    }
    EXPECT_GT(upper, 0);
    EXPECT_GT(pillars, 0);
    EXPECT_EQ(pillars % 20, 0) << "20 boxes per pillar";

    // The sectors: n x n over the boxes' extent.
    const size_t added = World().sectors.size() - sectorsBefore;
    const int perSide = static_cast<int>(std::lround(std::sqrt(double(added))));
    EXPECT_EQ(size_t(perSide) * perSide, added);
    EXPECT_GE(perSide, 2);
}

TEST_F(TubeScene, AWorldBelowTwelveOrNoNumberBuildsNoBoxAndNoSector)
{
    const size_t sectorsBefore = World().sectors.size();
    for (const float size : {11.9f, 0.0f, -40.0f, NAN, INFINITY}) {
        scene_->GenerateTubeScene(size, 25, 1, 0);
        EXPECT_TRUE(World().objects.empty()) << size;
        EXPECT_EQ(World().sectors.size(), sectorsBefore) << size;
    }
    // With Base Level the ground alone is laid.
    scene_->GenerateTubeScene(10, 25, 0, 1);
    EXPECT_FALSE(World().objects.empty());
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(TubeScene, TheLeafSizeIsHeldToTheDialogsRange)
{
    SeedRandomForTests(8);
    // 1e9 counts as 100: a 150 square is still cut. No number counts as 25.
    scene_->GenerateTubeScene(150, 1e9f, 0, 0);
    EXPECT_FALSE(Boxes().empty());
    scene_->ClearScene();
    scene_->GenerateTubeScene(60, NAN, 0, 0);
    EXPECT_FALSE(Boxes().empty());
}

TEST_F(TubeScene, ANewTubeWorldIsBuiltSavedAndEnteredOnARoom)
{
    SeedRandomForTests(2);
    folder_.MakeFolder("Worlds");
    CScene scene;
    const TubeSceneParams params{60.0f, 25.0f, 1, 1};
    ASSERT_TRUE(scene.CreateWorld(kGenerateWorld, "tubes", kTubeScene, nullptr, &params, nullptr));
    EXPECT_GT(scene.world->objects.size(), 100u);
    EXPECT_TRUE(platform::FileExists(folder_.File("Worlds/tubes.vsk")));
    EXPECT_GE(scene.mainCamera.position.y, kTubeRoomHeight) << "on a platform";
}
