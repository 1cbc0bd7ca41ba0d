// The cube landscape: its biome graph (24- and 32-bit, plain and run-length
// pictures, unreadable files), a Voronoi seed without texels, and whole
// landscapes in a headless world with the shipped cube block types and biome
// graph.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "core/random.h"
#include "graphics/driver.h"
#include "generation/cube_landscape.h"
#include "generation/landscape_biomes.h"
#include "generation/landscape_images.h"
#include "generation/landscape_voronoi.h"
#include "generation/noise.h"
#include "graphics/texture.h"
#include "graphics/tga_image.h"
#include "graphics/gpu_texture.h"
#include "platform/files.h"
#include "scene/scene.h"
#include "support/headless_driver.h"
#include "support/shipped_data.h"
#include "support/temp_directory.h"
#include "world/block_type.h"
#include "world/object.h"
#include "world/object_part.h"
#include "world/polygons_grid.h"
#include "world/sector.h"
#include "world/world.h"

namespace {

using Rgba = std::array<uint8_t, 4>;

// A TGA file of `texels` (red, green, blue, alpha; rows in file order) at 24
// or 32 bits, uncompressed or run-length encoded (one raw packet a texel).
std::string TgaFile(uint16_t width, uint16_t height, int bits, bool runLength, const std::vector<Rgba>& texels)
{
    std::string file(18, '\0');
    file[2] = static_cast<char>(runLength ? 10 : 2);
    file[12] = static_cast<char>(width & 0xFF);
    file[13] = static_cast<char>(width >> 8);
    file[14] = static_cast<char>(height & 0xFF);
    file[15] = static_cast<char>(height >> 8);
    file[16] = static_cast<char>(bits);
    file[17] = static_cast<char>(bits == 32 ? 8 : 0);
    for (const Rgba& t : texels) {
        if (runLength) file += '\0';
        file += static_cast<char>(t[2]);
        file += static_cast<char>(t[1]);
        file += static_cast<char>(t[0]);
        if (bits == 32) file += static_cast<char>(t[3]);
    }
    return file;
}

BiomeGraph GraphOf(const std::string& file)
{
    const CTgaImage tga(reinterpret_cast<const uint8_t*>(file.data()), file.size());
    BiomeGraph graph;
    std::string error;
    EXPECT_TRUE(BiomeGraphFromTga(tga, graph, error)) << error;
    return graph;
}

Rgba TexelOf(const BiomeGraph& graph, uint32_t gx, uint32_t gy)
{
    Rgba texel{};
    graph.Texel(gx, gy, texel.data());
    return texel;
}

Rgba PixelOf(const CTexture& image, int x, int y)
{
    Rgba p{};
    EXPECT_TRUE(image.GetPixel(x, y, p[0], p[1], p[2], p[3]));
    return p;
}

struct ImageDeleter {
    void operator()(CTexture* image) const { CTexture::Delete(image); }
};
using Image = std::unique_ptr<CTexture, ImageDeleter>;

Image NewImage(int n) { return Image(NewLandscapeImage(n, u"test")); }

VoronoiSeed SeedAt(float x, float y, float red)
{
    VoronoiSeed seed;
    seed.x = x;
    seed.y = y;
    seed.red = red;
    return seed;
}

const std::vector<std::string> kCubeTypes = {
    "CubeBorealForest", "CubeTemperateRoainforest", "CubeRainforest", "CubeTemperateForest", "CubeSeasonalForest",
    "CubeTundra",       "CubeSavanna",              "CubeTropicalWoodland", "CubeDesert"};

// A headless scene in a start directory holding the shipped biome graph and
// the cube block types (less those left out).
class LandscapeScene : public ::testing::Test {
protected:
    void SetUp() override { Start(true, {}); }
    void TearDown() override
    {
        scene_.reset();
        start_.reset();
        UnseedRandomForTests();
    }

    void Start(bool withGraph, const std::set<std::string>& leftOut)
    {
        scene_.reset();
        start_.reset();
        folder_ = std::make_unique<TempDirectory>();
        for (const std::string& name : kCubeTypes)
            if (!leftOut.count(name)) Copy("Blocks/" + name + ".bk");
        if (withGraph) Copy(kBiomeGraphFile);
        start_ = std::make_unique<ScopedStartDirectory>(folder_->Path());
        scene_ = std::make_unique<CScene>();
        scene_->world = new CWorld;
        scene_->world->LoadBlocks();
        scene_->InitPhysicsWorld();
    }

    void Copy(const std::string& relative) { folder_->Write(relative, Shipped(platform::JoinPath(VESK_RUN_DIR, relative))); }

    std::vector<CNBObject*> Cubes() const { return scene_->world->objects; }

    std::unique_ptr<TempDirectory> folder_;
    std::unique_ptr<ScopedStartDirectory> start_;
    std::unique_ptr<CScene> scene_;
};

}  // namespace

// ---- Biome graph ----

TEST(LandscapeBiomeGraph, PlainAndRunLengthPicturesOf24And32BitsGiveTheSameTexels)
{
    const std::vector<Rgba> texels = {{35, 114, 94, 255}, {34, 61, 53, 128}, {33, 77, 41, 255},
                                      {68, 179, 106, 0},  {1, 2, 3, 4},      {255, 255, 178, 255}};
    for (const bool runLength : {false, true}) {
        const BiomeGraph full = GraphOf(TgaFile(3, 2, 32, runLength, texels));
        ASSERT_EQ(full.width, 3u);
        ASSERT_EQ(full.height, 2u);
        EXPECT_EQ(TexelOf(full, 1, 0), (Rgba{34, 61, 53, 128})) << runLength;
        // 24 bits: 3 bytes a texel, alpha 255.
        const BiomeGraph packed = GraphOf(TgaFile(3, 2, 24, runLength, texels));
        EXPECT_EQ(TexelOf(packed, 1, 1), (Rgba{1, 2, 3, 255})) << runLength;
        EXPECT_EQ(TexelOf(packed, 3, 0), (Rgba{0, 0, 0, 0})) << "outside";
    }
}

TEST(LandscapeBiomeGraph, UnreadableFilesFailWithTheReadersMessage)
{
    TempDirectory folder;
    BiomeGraph graph;
    std::string error;
    EXPECT_FALSE(LoadBiomeGraph(folder.File("none.tga"), graph, error));
    EXPECT_EQ(error, "File Not Found.");
    std::string sixteen = TgaFile(2, 2, 32, false, std::vector<Rgba>(4));
    sixteen[16] = 16;
    folder.Write("sixteen.tga", sixteen);
    EXPECT_FALSE(LoadBiomeGraph(folder.File("sixteen.tga"), graph, error));
    EXPECT_EQ(error, "Invalid File Format. Required: 24 or 32 Bit Image.");
    folder.Write("good.tga", TgaFile(2, 1, 24, false, {{9, 8, 7, 6}, {5, 4, 3, 2}}));
    EXPECT_TRUE(LoadBiomeGraph(folder.File("good.tga"), graph, error));
    EXPECT_EQ(TexelOf(graph, 1, 0), (Rgba{5, 4, 3, 255}));
}

// ---- Voronoi cells ----

TEST(LandscapeVoronoi, ASeedWithoutTexelsMovesToTheCornerInsteadOfDividingByZero)
{
    // Two seeds on one spot: the second never wins, so it ends at (0, 0).
    const Image image = NewImage(4);
    std::vector<VoronoiSeed> twins = {SeedAt(1, 1, 30), SeedAt(1, 1, 50)};
    PaintVoronoiCells(*image, twins, true);
    EXPECT_EQ(twins[0].count, 16);
    EXPECT_EQ(twins[1].count, 0);
    RelaxSeeds(twins);
    EXPECT_EQ(std::make_pair(twins[0].x, twins[0].y), std::make_pair(1.5f, 1.5f));
    EXPECT_EQ(std::make_tuple(twins[1].x, twins[1].y, twins[1].z), std::make_tuple(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(twins[1].red, 50.0f) << "colours stay";
}

// ---- Whole landscapes ----

TEST_F(LandscapeScene, AWholeLandscapeLeavesElevenImagesCubesOnItsColumnsAndTheAbsentBiomes)
{
    SeedRandomForTests(17);
    ASSERT_TRUE(scene_->world->sectors.empty());
    scene_->Flag(kFlagRandomizeNoise) = 0;
    const int n = 32, maxHeight = 20;
    scene_->GenerateLandscapeScene(n, maxHeight);

    EXPECT_EQ(scene_->world->sectors.size(), 16u);
    EXPECT_EQ(scene_->Flag(kFlagRandomizeNoise), 1);
    for (int slot = 1; slot <= kLandscapeImageSlots; ++slot) ASSERT_NE(scene_->landscapeImages.Get(slot), nullptr);
    const CTexture& relaxed = *scene_->landscapeImages.Get(2);
    const CTexture& averaged = *scene_->landscapeImages.Get(8);
    const CTexture& biomes = *scene_->landscapeImages.Get(10);
    // A cell of the relaxed picture has one averaged temperature.
    const LandscapeCells cells = CollectCells(relaxed);
    EXPECT_LE(cells.size(), 60u);
    for (const auto& cell : cells)
        for (const TexelPosition& t : cell) EXPECT_EQ(PixelOf(averaged, t.x, t.y), PixelOf(averaged, cell[0].x, cell[0].y));

    // Every column of a biome holds its cube unless its level is negative;
    // the height list still stands in the noise's working table.
    std::set<int> seen;
    std::map<std::pair<int, int>, const CNBObject*> cubeAt;
    for (const CNBObject* cube : Cubes()) cubeAt[{int(cube->Position.z), int(cube->Position.x) - 1}] = cube;
    size_t expected = 0;
    for (int x = 0; x < n; ++x) {
        for (int y = 0; y < n; ++y) {
            const Rgba colour = PixelOf(biomes, x, y);
            const int biome = FindLandscapeBiome(colour[0], colour[1], colour[2]);
            ASSERT_GE(biome, 0) << "the shipped graph holds only biome colours";
            seen.insert(biome);
            const float h = static_cast<float>(PerlinNoise2((n - 1 - y) / 40.0, x / 40.0));
            const int level = LandscapeLevel(h, maxHeight);
            const auto found = cubeAt.find({x, y});
            if (level < 0) {
                EXPECT_EQ(found, cubeAt.end());
                continue;
            }
            ++expected;
            ASSERT_NE(found, cubeAt.end()) << x << ", " << y;
            EXPECT_EQ(found->second->TypeName, std::u16string(kLandscapeBiomes[biome].prototype));
            EXPECT_FLOAT_EQ(found->second->Position.y, 0.5f + level);
        }
    }
    EXPECT_EQ(Cubes().size(), expected);
    bool present[kLandscapeBiomeCount] = {};
    for (const int biome : seen) present[biome] = true;
    EXPECT_EQ(scene_->statusLines, AbsentBiomeLines(present));

    // A second landscape replaces the images and adds no sectors.
    scene_->GenerateLandscapeScene(n, 0);
    EXPECT_EQ(scene_->world->sectors.size(), 16u);
    EXPECT_NE(scene_->landscapeImages.Get(11), nullptr);
}

// Every object leaves the landscape linked to the world's textures: the new
// cubes and those the world held before, even when a link went stale.
TEST_F(LandscapeScene, EveryObjectLeavesLinkedToTheWorldsTextures)
{
    SeedRandomForTests(5);
    CWorld& world = *scene_->world;
    for (const BlockType* type : world.blockTypes) {
        if (!type || world.FindTexture(type->textureName.c_str())) continue;
        auto* texture = new CTexture;
        texture->SetName(type->textureName.c_str());
        world.textures.push_back(texture);
    }
    ASSERT_FALSE(world.textures.empty());
    CNBObject* before = scene_->CreateObjectFromBlockType(world.blockTypes[0], 1, 1, 0.0f, 50.0f, 0.0f, 0, 0, 0);
    ASSERT_NE(before, nullptr);
    before->GetPart(0)->mainMesh->textures[0] = reinterpret_cast<CTexture*>(0x1);  // stale

    scene_->GenerateLandscapeScene(32, 20);
    ASSERT_GT(world.objects.size(), 1u);
    for (const CNBObject* object : world.objects) {
        const CPolygonsGrid* mesh = object->GetPart(0)->mainMesh;
        ASSERT_NE(mesh->textures[0], nullptr);
        EXPECT_EQ(mesh->textures[0], world.FindTexture(mesh->textureNames[0].name.c_str()));
    }
}

TEST_F(LandscapeScene, AMissingGraphIsLoggedAndLeavesNoCubesAndEveryBiomeAbsent)
{
    Start(false, {});
    scene_->world->RecreateSectors(3);
    scene_->GenerateLandscapeScene(32, 10);
    EXPECT_TRUE(Cubes().empty());
    EXPECT_EQ(scene_->world->sectors.size(), 3u) << "a world with sectors gets none";
    EXPECT_EQ(scene_->statusLines.size(), 9u);
    EXPECT_EQ(scene_->landscapeImages.Get(10), nullptr);
    EXPECT_NE(folder_->Read("game.log").find(
                  "Error: CScene::GenerateLandscapeScene() temp-percp-graph.tga: File Not Found."),
              std::string::npos);
}

TEST_F(LandscapeScene, ASyntheticGraphDecidesEveryColumnsBiome)
{
    // A 24-bit run-length graph of desert only: every column is desert.
    Start(false, {});
    const LandscapeBiome& desert = kLandscapeBiomes[8];
    folder_->Write(kBiomeGraphFile, TgaFile(3, 3, 24, true, std::vector<Rgba>(9, {desert.red, desert.green,
                                                                                   desert.blue, 0})));
    scene_->GenerateLandscapeScene(32, 0);
    ASSERT_EQ(Cubes().size(), 32u * 32u) << "Max Height 0: every column at level 0";
    for (const CNBObject* cube : Cubes()) {
        EXPECT_EQ(cube->TypeName, u"CubeDesert");
        EXPECT_FLOAT_EQ(cube->Position.y, 0.5f);
    }
    EXPECT_EQ(scene_->statusLines.size(), 8u);
    EXPECT_EQ(std::count(scene_->statusLines.begin(), scene_->statusLines.end(), u"Desert"), 0);

    // A colour outside the table leaves every column empty.
    scene_->ClearScene();
    folder_->Write(kBiomeGraphFile, TgaFile(1, 1, 32, false, {{1, 2, 3, 255}}));
    scene_->GenerateLandscapeScene(32, 0);
    EXPECT_TRUE(Cubes().empty());
    EXPECT_EQ(scene_->statusLines.size(), 9u);
}

TEST_F(LandscapeScene, ANewLandscapeWorldIsBuiltSavedAndEnteredOnItsCubes)
{
    SeedRandomForTests(17);
    folder_->MakeFolder("Worlds");
    CScene scene;
    const LandscapeSceneParams params{32, 5};
    ASSERT_TRUE(scene.CreateWorld(kGenerateWorld, "land", kLandscapeScene, nullptr, nullptr, &params));
    EXPECT_GT(scene.world->objects.size(), 500u);
    EXPECT_EQ(scene.world->sectors.size(), 16u);
    EXPECT_TRUE(platform::FileExists(folder_->File("Worlds/land.vsk")));
    EXPECT_GE(scene.mainCamera.position.y, 2.0f) << "on top of a cube";
}

TEST_F(LandscapeScene, SizesAreHeldToTheNewWorldScreensRange)
{
    Start(true, std::set<std::string>(kCubeTypes.begin(), kCubeTypes.end()));  // images only, no cubes
    for (const auto& [size, side] : {std::pair{-7, 32}, {1 << 30, 512}}) {
        scene_->GenerateLandscapeScene(size, 1000);
        ASSERT_NE(scene_->landscapeImages.Get(11), nullptr);
        EXPECT_EQ(scene_->landscapeImages.Get(11)->height, side) << size;
    }
    EXPECT_TRUE(Cubes().empty());
}

// ---- With a device ----

class LandscapeOnDevice : public HeadlessDriverTest {};

TEST_F(LandscapeOnDevice, EverySlotImageGetsItsTextureAndTheSceneReleasesThem)
{
    std::vector<uint8_t> graph;
    ASSERT_TRUE(platform::ReadWholeFile(platform::JoinPath(VESK_RUN_DIR, kBiomeGraphFile), graph));
    folder_.Write(kBiomeGraphFile, std::string(graph.begin(), graph.end()));
    CScene scene;
    scene.driver = Driver;
    scene.world = new CWorld;
    for (int run = 0; run < 2; ++run) {
        scene.GenerateLandscapeScene(32, 5);
        for (int slot = 1; slot <= kLandscapeImageSlots; ++slot) {
            const CTexture* image = scene.landscapeImages.Get(slot);
            ASSERT_NE(image, nullptr) << slot;
            ASSERT_NE(image->gpu, nullptr) << slot;
            EXPECT_NE(image->gpu->shaderView, nullptr) << slot;
        }
    }
    scene.landscapeImages.Release();
    EXPECT_EQ(scene.landscapeImages.Get(1), nullptr);
}
