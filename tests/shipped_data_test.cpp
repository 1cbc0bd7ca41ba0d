// The data installed beside the executable: every named file is there and
// whole, the biome graph holds the nine biome colours, DDS files hold their whole mip
// chains, JPEGs are whole, and block files name their types and textures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "generation/landscape_biomes.h"
#include "graphics/tga_image.h"
#include "platform/files.h"

namespace {

std::string RunFile(const std::string& relative) { return platform::JoinPath(VESK_RUN_DIR, relative); }

std::vector<uint8_t> ReadFile(const std::string& relative)
{
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(platform::ReadWholeFile(RunFile(relative), bytes)) << relative;
    return bytes;
}

uint32_t U32(const std::vector<uint8_t>& b, size_t at)
{
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

const std::vector<std::string> kWorldTextures = {
    "laminat_surface.dds", "ground.dds",      "rainbow_1.dds",       "rainbow_2.dds",
    "rainbow_3.dds",       "rainbow_4.dds",   "rainbow_5.dds",       "rainbow_6.dds",
    "rainbow_7.dds",       "rainbow_8.dds",   "pcross4.dds",         "skybox_side.jpg",
    "skybox_top.jpg",      "skybox_bottom.jpg", "auto_generated_scene.jpg", "objects_generated_scene.jpg",
    "blank_scene_thumbnail.jpg", "tube_scene_thumbnail.jpg", "land_scene_thumbnail.jpg"};

const std::vector<std::string> kFrontEndPictures = {
    "blank_scene_thumbnail.jpg", "tube_scene_thumbnail.jpg", "land_scene_thumbnail.jpg",
    "background0.jpg",           "background1.jpg",          "background2.jpg"};

// Block types other parts of the program ask for by name.
const std::vector<std::string> kNamedBlocks = {
    "BoxWhite", "BoxYellow", "BoxRed", "BoxDark", "BoxBlue", "BoxGreen",
    "GreenBall 0.5m", "RedBall 0.5m", "WhiteBall 0.5m", "TitleBlack", "TitleGreen", "TitleYellow",
    "Plate 1mX2m", "DemoBlockColor1", "DemoBlockColor2",
    "CubeBorealForest", "CubeTemperateRoainforest", "CubeRainforest", "CubeTemperateForest",
    "CubeSeasonalForest", "CubeTundra", "CubeSavanna", "CubeTropicalWoodland", "CubeDesert"};

// One block file reduced to what this test checks.
struct BlockFile {
    std::string name, texture;
};
BlockFile ReadBlockFile(const std::string& relative)
{
    const std::vector<uint8_t> bytes = ReadFile(relative);
    std::istringstream text(std::string(bytes.begin(), bytes.end()));
    BlockFile block;
    for (std::string line; std::getline(text, line);) {
        if (line.rfind("name: ", 0) == 0) block.name = line.substr(6);
        if (line.rfind("texture: ", 0) == 0) block.texture = line.substr(9);
    }
    return block;
}

std::vector<std::string> BlockFiles()
{
    std::vector<platform::DirectoryEntry> entries;
    EXPECT_TRUE(platform::ListDirectory(RunFile("Blocks"), entries));
    std::vector<std::string> files;
    for (const auto& entry : entries)
        if (!entry.isDirectory && entry.name.size() > 3 && entry.name.substr(entry.name.size() - 3) == ".bk")
            files.push_back("Blocks/" + entry.name);
    return files;
}

}  // namespace

TEST(ShippedData, BiomeGraphHoldsExactlyTheNineBiomeColours)
{
    const CTgaImage graph(RunFile("temp-percp-graph.tga"));
    ASSERT_FALSE(graph.compressed);
    ASSERT_EQ(graph.bitsPerPixel, 32u);

    // Texel (gx, gy): column gx of the gy-th row in file order, stored blue,
    // green, red, alpha; the generator uses gx for temperature and gy for
    // precipitation and keeps the alpha. Every texel is one of the
    // generator's biomes, and each biome is there.
    auto biome = [&](uint32_t gx, uint32_t gy) {
        const uint8_t* p = &graph.pixels[(size_t(gy) * graph.width + gx) * 4];
        EXPECT_EQ(p[3], 255) << gx << "," << gy;
        return FindLandscapeBiome(p[2], p[1], p[0]);
    };
    std::set<int> seen;
    for (uint32_t gy = 0; gy < graph.height; ++gy)
        for (uint32_t gx = 0; gx < graph.width; ++gx) seen.insert(biome(gx, gy));
    EXPECT_EQ(seen.size(), size_t(kLandscapeBiomeCount));
    EXPECT_EQ(seen.count(-1), 0u);

    // Where the climate says: cold is tundra, hot and dry is desert, hot and
    // wet is rainforest.
    const auto named = [&](uint32_t gx, uint32_t gy) {
        const int found = biome(gx, gy);
        return found < 0 ? std::u16string() : std::u16string(kLandscapeBiomes[found].prototype);
    };
    const uint32_t hot = graph.width - 1, wet = graph.height - 1;
    EXPECT_EQ(named(0, 0), u"CubeTundra");
    EXPECT_EQ(named(0, wet), u"CubeTundra");
    EXPECT_EQ(named(hot, 0), u"CubeDesert");
    EXPECT_EQ(named(hot, wet), u"CubeRainforest");
}

TEST(ShippedData, DdsFilesAreUncompressedWithWholeMipChains)
{
    std::vector<std::string> dds;
    for (const std::string& name : kWorldTextures)
        if (name.find(".dds") != std::string::npos) dds.push_back("Textures/" + name);
    for (const std::string& file : BlockFiles()) {
        const std::string texture = ReadBlockFile(file).texture;
        if (texture.find(".dds") != std::string::npos) dds.push_back("Textures/" + texture);
    }
    ASSERT_GE(dds.size(), 12u);

    for (const std::string& file : dds) {
        SCOPED_TRACE(file);
        const std::vector<uint8_t> b = ReadFile(file);
        ASSERT_GE(b.size(), 128u);
        EXPECT_EQ(U32(b, 0), 0x20534444u);  // "DDS "
        EXPECT_NE(U32(b, 80) & 0x40, 0u);  // RGB masks
        EXPECT_EQ(U32(b, 80) & 0x4, 0u);   // no four-character code

        const uint32_t height = U32(b, 12), width = U32(b, 16);
        const uint32_t mips = std::max(1u, U32(b, 28));
        ASSERT_TRUE(width >= 1 && width <= 4096 && height >= 1 && height <= 4096);
        EXPECT_LE(mips, 15u);
        uint64_t pixels = 0;
        for (uint32_t level = 0, w = width, h = height; level < mips; ++level, w = std::max(1u, w / 2), h = std::max(1u, h / 2))
            pixels += uint64_t(w) * h;
        EXPECT_EQ(b.size(), 128 + pixels * 4);
        EXPECT_EQ(std::max(width, height) >> (mips - 1), 1u);  // down to 1 x 1
    }
}

TEST(ShippedData, JpegPicturesAreWhole)
{
    std::vector<std::string> pictures;
    for (const std::string& name : kWorldTextures)
        if (name.find(".jpg") != std::string::npos) pictures.push_back("Textures/" + name);
    for (const std::string& name : kFrontEndPictures) pictures.push_back("TexturesUI/" + name);

    for (const std::string& file : pictures) {
        SCOPED_TRACE(file);
        const std::vector<uint8_t> b = ReadFile(file);
        ASSERT_GE(b.size(), 1000u);
        EXPECT_TRUE(b[0] == 0xFF && b[1] == 0xD8);                        // start of image
        EXPECT_TRUE(b[b.size() - 2] == 0xFF && b[b.size() - 1] == 0xD9);  // end of image
    }
}

TEST(ShippedData, BlockFilesNameTheirBlockTypesAndShippedTextures)
{
    std::set<std::string> names;
    for (const std::string& file : BlockFiles()) {
        SCOPED_TRACE(file);
        const BlockFile block = ReadBlockFile(file);
        EXPECT_FALSE(block.name.empty());
        EXPECT_TRUE(names.insert(block.name).second) << "two files define " << block.name;
        // The program loads block textures from the Textures folder by their
        // lower-case names.
        ASSERT_FALSE(block.texture.empty());
        EXPECT_EQ(block.texture, [&] {
            std::string lower = block.texture;
            std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
            return lower;
        }());
        EXPECT_GT(platform::FileSize(RunFile("Textures/" + block.texture)), 0) << block.texture;
    }
    for (const std::string& name : kNamedBlocks) EXPECT_EQ(names.count(name), 1u) << name;
}
