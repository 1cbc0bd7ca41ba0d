// The block library: the ".bk" reader (keys, sections, numbers, the checks
// that keep indices and animation counts consistent), the world's LoadBlocks
// with its QuickBar and settings, and every shipped block file.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "graphics/driver.h"
#include "graphics/gpu_texture.h"
#include "graphics/texture.h"
#include "platform/files.h"
#include "support/headless_driver.h"
#include "support/temp_directory.h"
#include "world/block_library.h"
#include "world/world.h"

namespace {

struct Parsed {
    BlockType type;
    BlockFileReport report;
    bool ok = false;
};

Parsed Parse(const std::string& text)
{
    Parsed out;
    out.type.Init();
    out.ok = ParseBlockText(text, out.type, out.report);
    return out;
}

std::vector<std::string> Numbers(std::string_view text)
{
    std::string_view found[16];
    const size_t n = FindBlockNumbers(text, found, 16);
    return std::vector<std::string>(found, found + n);
}

std::string BlockFile(const std::string& name, const std::string& texture)
{
    return "name: " + name + "\ntexture: " + texture +
           "\nvertices: {\n0 0 0\n1 2 3\n}\ntriangles: {\n0 1 1\n}\n";
}

bool HasTexture(const CWorld& world, const char16_t* name) { return world.FindTexture(name) != nullptr; }

}  // namespace

TEST(BlockLibraryParse, ReadsValueKeysSectionsAndPhysics)
{
    const Parsed p = Parse(
        "// a comment line\n"
        "name:  Box A \r\n"
        "texture: Stone.DDS\n"
        "thumbnail: Box_Thumb.JPG\n"
        "shading: Phong\n"
        "graphicmaterial: glass\n"
        "materialpower: 12.5\n"
        "ambient: 0.1 0.2 0.3\n"
        "diffuse: 0.4 0.5 0.6 0.7\n"
        "specular: 1 2 3 4 5\n"
        "vertices: {\n\t-1 -2 -3\n\t4 5 6\n}\n"
        "normals: {\n0 1 0\n0 0 1\n}\n"
        "textcoord: {\n0 1\n.5 1.\n}\n"
        "physics: {\nCube: 0.5 0.25 1\nMass: 3\n}\n");
    ASSERT_TRUE(p.ok) << p.report.failure;
    const BlockType& t = p.type;
    EXPECT_EQ(t.name, u"Box A");
    EXPECT_EQ(t.textureName, u"stone.dds");
    EXPECT_EQ(t.graphicMaterial, 0x1401);
    EXPECT_FLOAT_EQ(t.ambient.v[3], 1.0f);  // three numbers: alpha 1
    EXPECT_FLOAT_EQ(t.specular.v[0], 0.3f);  // five numbers: unchanged
    ASSERT_EQ(t.vertices.size(), 2u);
    EXPECT_FLOAT_EQ(t.vertices[0].z, -3.0f);
    ASSERT_EQ(t.texCoords.size(), 2u);
    EXPECT_FLOAT_EQ(t.texCoords[1].u, 0.5f);
    EXPECT_EQ(t.physicsShape, 1);  // sub-keys ignore letter case
    EXPECT_FLOAT_EQ(t.shapeParams[1], 0.25f);
    EXPECT_FLOAT_EQ(t.mass, 3.0f);
    EXPECT_FALSE(p.report.Repaired());
}

TEST(BlockLibraryParse, BothTriangleSpellingsOpenTheTriangleSection)
{
    const std::string vertices = "vertices:\n0 0 0\n1 0 0\n0 1 0\n}\n";
    const Parsed misspelt = Parse(vertices + "trinagles:\n0 1 2\n}\n");
    const Parsed correct = Parse(vertices + "triangles:\n2 1 0\n}\n");
    ASSERT_EQ(misspelt.type.triangles.size(), 1u);
    ASSERT_EQ(correct.type.triangles.size(), 1u);
    EXPECT_EQ(correct.type.triangles[0][0], 2);
}

TEST(BlockLibraryParse, LinesWithTheWrongNumberCountAddNothing)
{
    const Parsed p = Parse(
        "vertices:\n1 2\n1 2 3 4\n1 2 3\n}\n"
        "textcoord:\n1\n1 2 3\n}\n"
        "physics:\ncube: 1 2 3 4 5 6 7 8\n}\n"
        "physics:\nsphere: 1 2 3 4 5 6 7\n}\n");
    EXPECT_EQ(p.type.vertices.size(), 1u);
    EXPECT_TRUE(p.type.texCoords.empty());
    EXPECT_EQ(p.type.physicsShape, 2);
    EXPECT_FLOAT_EQ(p.type.shapeParams[6], 7.0f);
    EXPECT_FLOAT_EQ(p.type.shapeParams[7], 0.0f);
}

TEST(BlockLibraryParse, KeysAreTakenWhereTheyStandAndClosingBracesEndSections)
{
    const Parsed p = Parse("  texture: Stone.DDS\n    shading: lambert\nvertices: { 1 2 3 }\n4 5 6\n"
                           "normals: 0 1 0 }\n7 8 9\n}\n1 1 1\n");
    EXPECT_EQ(p.type.textureName, u"stone.dds");
    EXPECT_EQ(p.type.shading, 2);
    // A "}" is seen before the keys: a key on the same line opens its section
    // again, so both the line's numbers and the next line's count; a "}" on
    // its own closes it.
    ASSERT_EQ(p.type.vertices.size(), 2u);
    EXPECT_FLOAT_EQ(p.type.vertices[1].x, 4.0f);
    ASSERT_EQ(p.type.normals.size(), 2u);
    EXPECT_FLOAT_EQ(p.type.normals[1].z, 9.0f);
}

TEST(BlockLibraryParse, NumbersFollowThePattern)
{
    EXPECT_EQ(Numbers("1.5e3"), (std::vector<std::string>{"1.5", "3"}));
    EXPECT_EQ(Numbers("1..5 1.2.3"), (std::vector<std::string>{"1", ".5", "1.2", ".3"}));
    EXPECT_EQ(Numbers("+-5 a-5 3-4"), (std::vector<std::string>{"-5", "-5", "3", "-4"}));

    // Integer values keep the sign and the leading digits.
    const Parsed p = Parse("vertices:\n0 0 0\n0 0 0\n0 0 0\n}\ntriangles:\n2.9 1.1 .5\n}\n");
    ASSERT_EQ(p.type.triangles.size(), 1u);
    EXPECT_EQ(p.type.triangles[0], (std::array<int32_t, 3>{2, 1, 0}));
}

TEST(BlockLibraryParse, NumbersBeyondRangeMakeTheLineCountForNothing)
{
    const std::string huge(60, '9');
    const std::string tiny = "0." + std::string(400, '0') + "1";
    const Parsed p = Parse("vertices:\n" + huge + " 0 0\n" + tiny + " 0 0\n}\n"
                           "triangles:\n0 0 " + huge + "\n}\n"
                           "materialpower: " + huge + "\n");
    ASSERT_EQ(p.type.vertices.size(), 1u);  // the tiny one reads as 0
    EXPECT_FLOAT_EQ(p.type.vertices[0].x, 0.0f);
    EXPECT_TRUE(p.type.triangles.empty());
    EXPECT_FLOAT_EQ(p.type.materialPower, 4.0f);
}

TEST(BlockLibraryAnimation, BoneKeysCollectRowsAndRowThreeCompletesAKey)
{
    const Parsed p = Parse(
        "vertices:\n0 0 0\n0 1 0\n}\n"
        "bone_animation: {\n"
        "keyframes: 2\nAllBones: 1\ntotalweightnum: 2\n"
        "ftime: 0\nbone: 3\nrow0: 2 0 0 0\nrow1: 0 2 0 0\nrow2: 0 0 2 0\nrow3: 1 2 3 9\n"
        "ftime: 0.5\nrow0: 5 5 5\nrow3: 4 5 6\n"
        "animtimescaling: 7\n"
        "}\n"
        "vert_weight: {\n0 0 1\n1 0.9 0.5\n1 0\n}\n");
    ASSERT_TRUE(p.ok) << p.report.failure;
    const BlockType& t = p.type;
    EXPECT_EQ(t.frameTimes, (std::vector<float>{0.0f, 0.5f}));
    ASSERT_EQ(t.boneKeys.size(), 2u);
    EXPECT_EQ(t.boneKeys[0].bone, 3);
    EXPECT_FLOAT_EQ(t.boneKeys[0].matrix.m[13], 2.0f);
    EXPECT_FLOAT_EQ(t.boneKeys[0].matrix.m[15], 1.0f);  // whatever the line says
    // The short row line is ignored: the second key keeps the first's rows.
    EXPECT_FLOAT_EQ(t.boneKeys[1].matrix.m[0], 2.0f);
    EXPECT_FLOAT_EQ(t.boneKeys[1].matrix.m[12], 4.0f);
    ASSERT_EQ(t.vertexWeights.size(), 2u);  // "1 0" is too short
    EXPECT_EQ(t.vertexWeights[1].vertexIndex, 1);
    EXPECT_EQ(t.vertexWeights[1].boneIndex, 0);  // 0.9 truncated
    EXPECT_FLOAT_EQ(t.vertexWeights[1].weight, 0.5f);
}

TEST(BlockLibraryAnimation, RowThreeWithoutEarlierRowsAppendsAnIdentityKey)
{
    const Parsed p = Parse("simple_animation:\nkeyframes: 1\nftime: 0\nrow3: 1 2 3\n}\n");
    ASSERT_TRUE(p.ok) << p.report.failure;
    EXPECT_EQ(p.type.animationMode, 1);
    ASSERT_EQ(p.type.boneKeys.size(), 1u);
    const float* m = p.type.boneKeys[0].matrix.m;
    EXPECT_FLOAT_EQ(m[5], 1.0f);
    EXPECT_FLOAT_EQ(m[14], 3.0f);
}

TEST(BlockLibraryAnimation, InconsistentCountsSwitchTheAnimationOffAndKeepTheType)
{
    const std::string key = "row3: 0 0 0\n";
    // Animated as read: the mode it announced; kept, not animated: mode 0.
    const auto animation = [](const std::string& text) {
        const Parsed p = Parse(text);
        EXPECT_TRUE(p.ok) << text;
        EXPECT_EQ(p.type.animationMode == 0, !p.report.animationOff.empty()) << text;
        return p.type.animationMode;
    };
    // Bone animation: keys x bones records and one time per key.
    EXPECT_EQ(animation("bone_animation:\nkeyframes: 1\nallbones: 2\nftime: 0\n" + key + key + "}\n"), 2);
    EXPECT_EQ(animation("bone_animation:\nkeyframes: 1\nallbones: 2\nftime: 0\n" + key + "}\n"), 0);
    EXPECT_EQ(animation("bone_animation:\nkeyframes: 2\nallbones: 1\nftime: 0\n" + key + key + "}\n"), 0);
    EXPECT_EQ(animation("bone_animation:\nkeyframes: 0\nallbones: 100000\n}\n"), 0);
    // Simple animation: one record per key, whatever the bone count says.
    EXPECT_EQ(animation("simple_animation:\nkeyframes: 1\nallbones: 7\nftime: 0\n" + key + "}\n"), 1);
    EXPECT_EQ(animation("simple_animation:\nkeyframes: 3\nftime: 0\n" + key + "}\n"), 0);
    // Without an animation section the counts are never used.
    EXPECT_TRUE(Parse("keyframes: 5\n").report.animationOff.empty());
}

TEST(BlockLibraryChecks, TrianglesOutOfRangeGoWithTheirTextureCoordinates)
{
    const Parsed p = Parse(
        "vertices:\n0 0 0\n1 0 0\n0 1 0\n}\n"
        "normals:\n0 1 0\n}\n"
        "triangles:\n0 1 2\n0 1 3\n-1 0 1\n2 1 0\n}\n"
        "textcoord:\n0 0\n0 1\n0 2\n1 0\n1 1\n1 2\n2 0\n2 1\n2 2\n3 0\n3 1\n3 2\n4 4\n}\n"
        "vert_weight:\n0 0 1\n");
    ASSERT_TRUE(p.ok);
    ASSERT_EQ(p.type.triangles.size(), 2u);
    EXPECT_EQ(p.type.triangles[1][0], 2);
    ASSERT_EQ(p.type.texCoords.size(), 7u);  // the dropped faces' six pairs gone, the spare one kept
    EXPECT_FLOAT_EQ(p.type.texCoords[3].u, 3.0f);
    EXPECT_FLOAT_EQ(p.type.texCoords[6].u, 4.0f);
    EXPECT_EQ(p.report.droppedTriangles, 2);
    // One normal per vertex, the missing ones pointing up.
    ASSERT_EQ(p.type.normals.size(), 3u);
    EXPECT_FLOAT_EQ(p.type.normals[2].y, 1.0f);
    EXPECT_EQ(p.report.paddedNormals, 2);
    // No bones: the weight names a bone that does not exist.
    EXPECT_TRUE(p.type.vertexWeights.empty());
    EXPECT_EQ(p.report.droppedWeights, 1);
    EXPECT_NE(p.report.RepairText().find("2 triangles"), std::string::npos);
}

TEST(BlockLibraryChecks, ExtraNormalsAreDroppedAndTooManyVerticesRefused)
{
    const Parsed extra = Parse("vertices:\n0 0 0\n}\nnormals:\n0 1 0\n1 0 0\n}\n");
    ASSERT_TRUE(extra.ok);
    EXPECT_EQ(extra.type.normals.size(), 1u);
    EXPECT_EQ(extra.report.droppedNormals, 1);

    std::string text = "vertices:\n";
    for (size_t i = 0; i <= kMaxBlockVertices; ++i) text += "1 2 3\n";
    const Parsed tooMany = Parse(text);
    EXPECT_FALSE(tooMany.ok);
    EXPECT_NE(tooMany.report.failure.find("65535"), std::string::npos);
    text.resize(text.size() - 6);  // exactly the limit
    EXPECT_TRUE(Parse(text).ok);
}

class BlockLibraryWorld : public ::testing::Test {
protected:
    BlockLibraryWorld() : start_(folder_.Path()) {}

    void AddFiles(int count)
    {
        for (int i = 0; i < count; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "T%02d", i);
            folder_.Write(std::string("Blocks/") + name + ".bk", BlockFile(name, std::string(name) + ".jpg"));
        }
    }

    std::vector<std::u16string> QuickBarNames() const
    {
        std::vector<std::u16string> names;
        for (const BlockType* type : world_.quickBar) names.push_back(type->name);
        return names;
    }

    TempDirectory folder_;
    ScopedStartDirectory start_;
    CWorld world_;
};

TEST(BlockLibraryQuickBar, FewTypesAreOfferedTwiceInLibraryOrder)
{
    TempDirectory noBlocksFolder;
    ScopedStartDirectory start(noBlocksFolder.Path());
    for (const size_t count : {4u, 7u}) {
        CWorld world;
        for (size_t i = 0; i < count; ++i) {
            auto* type = new BlockType;
            type->Init();
            type->name = std::u16string(1, static_cast<char16_t>(u'A' + i));
            world.blockTypes.push_back(type);
        }
        world.LoadBlocks();  // no Blocks folder: the library stays, the QuickBar is rebuilt
        ASSERT_EQ(world.blockTypes.size(), count);
        const size_t expected = count == 4 ? 8u : 10u;
        ASSERT_EQ(world.quickBar.size(), expected);
        for (size_t slot = 0; slot < expected; ++slot)
            EXPECT_EQ(world.quickBar[slot], world.blockTypes[slot % count]) << count << " types, slot " << slot;
    }
}

TEST_F(BlockLibraryWorld, SavedQuickBarNamesIgnoreLetterCase)
{
    AddFiles(3);
    world_.quickBarNames = {u"t02", u"nothing", u"T01"};
    world_.LoadBlocks();
    EXPECT_EQ(QuickBarNames(), (std::vector<std::u16string>{u"T02", u"T01", u"T00", u"T01", u"T02"}));
}

TEST_F(BlockLibraryWorld, OnlyBkFilesInTwoSpellingsAreRead)
{
    folder_.Write("Blocks/A.bk", BlockFile("A", "a.jpg"));
    folder_.Write("Blocks/B.BK", BlockFile("B", "b.jpg"));
    folder_.Write("Blocks/C.Bk", BlockFile("C", "c.jpg"));
    folder_.Write("Blocks/D.bk.txt", BlockFile("D", "d.jpg"));
    folder_.Write("Blocks/E.bk/inner.bk", BlockFile("E", "e.jpg"));
    world_.LoadBlocks();
    ASSERT_EQ(world_.blockTypes.size(), 2u);
    EXPECT_EQ(world_.blockTypes[0]->name, u"A");
    EXPECT_EQ(world_.blockTypes[1]->name, u"B");
    // Bounds over the vertices, computed as each type is read.
    EXPECT_FLOAT_EQ(world_.blockTypes[0]->boundsMax.y, 2.0f);
    EXPECT_FLOAT_EQ(world_.blockTypes[0]->boundsMin.z, 0.0f);
}

// Block files as users' tools save them: UTF-8 with a byte-order mark and
// CR LF (unix2dos -m, Notepad's "UTF-8 with BOM"), old Mac line ends
// (unix2mac), UTF-16 with CR LF (iconv, Notepad's "Unicode"); and files that
// give a type no name or no mesh.
TEST_F(BlockLibraryWorld, FilesSavedByCommonEditorsKeepTheirNameOrAreLeftOutWithALogLine)
{
    folder_.Write("Blocks/Marked.bk", BlockFile("BoxRed", "box.jpg"));
    folder_.Write("Blocks/Mac.bk", BlockFile("BoxMac", "box.jpg"));
    folder_.Write("Blocks/wide.txt", BlockFile("BoxWide", "box.jpg"));
    const std::string tools = "cd '" + folder_.File("Blocks") +
                              "' && unix2dos -q -m Marked.bk && unix2mac -q Mac.bk && unix2dos -q wide.txt && "
                              "iconv -f UTF-8 -t UTF-16 wide.txt > Wide.bk && rm wide.txt";
    ASSERT_EQ(std::system(tools.c_str()), 0) << "dos2unix and iconv make the files: .ci/install-deps installs them";
    ASSERT_EQ(folder_.Read("Blocks/Marked.bk").substr(0, 3), "\xEF\xBB\xBF");
    ASSERT_EQ(folder_.Read("Blocks/Mac.bk").find('\n'), std::string::npos);
    ASSERT_EQ(folder_.Read("Blocks/Wide.bk").substr(0, 2), "\xFF\xFE");
    folder_.Write("Blocks/Nameless.bk", "vertices:\n0 0 0\n}\n");
    folder_.Write("Blocks/Meshless.bk", "name: Meshless\nvertices:\n0 0 0\n1 0 0\n}\n");
    world_.LoadBlocks();

    ASSERT_EQ(world_.blockTypes.size(), 2u);
    for (const char16_t* name : {u"BoxRed", u"BoxMac"}) {
        const BlockType* type = world_.FindBlockType(name);
        ASSERT_NE(type, nullptr);
        EXPECT_EQ(type->textureName, u"box.jpg");
        EXPECT_EQ(type->vertices.size(), 2u);
        EXPECT_EQ(type->triangles.size(), 1u);
    }
    const std::string log = folder_.Read("game.log");
    EXPECT_NE(log.find("ParseBlockFile() Wide.bk: no name: the file is UTF-16 text"), std::string::npos) << log;
    EXPECT_NE(log.find("ParseBlockFile() Nameless.bk: no name"), std::string::npos) << log;
    EXPECT_NE(log.find("ParseBlockFile() Meshless.bk: no mesh: 2 vertices and 0 triangles read"), std::string::npos)
        << log;
}

TEST_F(BlockLibraryWorld, ARepeatLoadAddsNoDuplicatesButRestoresTextures)
{
    AddFiles(2);
    folder_.Write("Blocks/Shared.bk", BlockFile("Shared", "T00.JPG"));  // same texture, other case
    folder_.Write("Blocks/Broken.bk",
                  BlockFile("Broken", "t00.jpg") + "normals:\n0 1 0\n0 1 0\n}\nbone_animation:\nkeyframes: 3\n}\n");
    world_.LoadBlocks();
    ASSERT_EQ(world_.blockTypes.size(), 4u);  // the broken one stays, not animated
    EXPECT_EQ(world_.FindBlockType(u"Broken")->animationMode, 0);
    EXPECT_NE(folder_.Read("game.log").find("Error: CWorld::ParseBlockFile() Broken.bk: animation switched off"),
              std::string::npos);
    EXPECT_EQ(world_.textures.size(), 2u);
    const BlockType* first = world_.blockTypes[0];

    world_.ReleaseTextures();  // as after a lost device
    world_.LoadBlocks();
    ASSERT_EQ(world_.blockTypes.size(), 4u);
    EXPECT_EQ(world_.blockTypes[0], first);
    EXPECT_EQ(world_.textures.size(), 2u);
    EXPECT_TRUE(HasTexture(world_, u"t00.jpg") && HasTexture(world_, u"t01.jpg"));

    // A file added since joins the library.
    folder_.Write("Blocks/New.bk", BlockFile("New", "new.jpg"));
    world_.LoadBlocks();
    EXPECT_EQ(world_.blockTypes.size(), 5u);
    EXPECT_TRUE(HasTexture(world_, u"new.jpg"));
}

TEST_F(BlockLibraryWorld, SettingsGiveTheTypesTheirAngles)
{
    AddFiles(2);
    BlockSettings saved;
    saved.name = u"T01";
    saved.pitch = 10.0f;
    saved.roll = 20.0f;
    saved.yaw = 30.0f;
    world_.SetBlockSettings(saved);
    world_.LoadBlocks();
    EXPECT_FLOAT_EQ(world_.blockTypes[1]->yaw, 30.0f);
    EXPECT_FLOAT_EQ(world_.blockTypes[0]->pitch, 0.0f);

    // Get: exact name; Set: replaces that record, a name differing in case is new.
    BlockSettings read = world_.GetBlockSettings(world_.blockTypes[1]);
    EXPECT_FLOAT_EQ(read.roll, 20.0f);
    read.roll = 5.0f;
    world_.SetBlockSettings(read);
    EXPECT_EQ(world_.blockSettings.size(), 1u);
    BlockSettings other = read;
    other.name = u"t01";
    world_.SetBlockSettings(other);
    EXPECT_EQ(world_.blockSettings.size(), 2u);
    EXPECT_TRUE(world_.GetBlockSettings(nullptr).name.empty());
}

// The block textures through the real driver: the file is found in the Blocks
// folder whatever its letter case, the texture keeps the block's lower-cased
// name, and a repeat load after the textures were released loads it again.
class BlockLibraryTextures : public HeadlessDriverTest {};

TEST_F(BlockLibraryTextures, AreLoadedFromTheBlocksFolderAndAgainAfterRelease)
{
    std::string tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 2, 0, 32, 0x28};
    for (int pixel = 0; pixel < 6; ++pixel) tga += std::string{'\x10', '\x20', '\x30', '\xFF'};
    folder_.Write("Blocks/PIC.tga", tga);
    folder_.Write("Blocks/A.bk", BlockFile("A", "Pic.TGA"));
    CWorld world;
    world.driver = Driver;
    for (int load = 0; load < 2; ++load) {
        world.LoadBlocks();
        ASSERT_EQ(world.blockTypes.size(), 1u);
        ASSERT_EQ(world.textures.size(), 1u) << "load " << load;
        const CTexture* texture = world.FindTexture(u"pic.tga");
        ASSERT_NE(texture, nullptr) << "load " << load;
        EXPECT_EQ(texture->width, 3);
        ASSERT_NE(texture->gpu, nullptr);
        EXPECT_NE(texture->gpu->shaderView, nullptr);
        world.ReleaseTextures();
    }
}

TEST(BlockLibraryShipped, EveryBlockFileIsReadWithoutRepairs)
{
    std::vector<platform::DirectoryEntry> entries;
    ASSERT_TRUE(platform::ListDirectory("Blocks", entries)) << "no Blocks folder in the start directory";
    int files = 0;
    for (const platform::DirectoryEntry& entry : entries) {
        if (entry.isDirectory || entry.name.size() < 3 || entry.name.substr(entry.name.size() - 3) != ".bk") continue;
        ++files;
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(platform::ReadWholeFile(platform::JoinPath("Blocks", entry.name), bytes));
        const Parsed p = Parse(std::string(bytes.begin(), bytes.end()));
        ASSERT_TRUE(p.ok) << entry.name << ": " << p.report.failure;
        EXPECT_FALSE(p.report.Repaired()) << entry.name << ": " << p.report.RepairText();
        EXPECT_FALSE(p.type.name.empty() || p.type.textureName.empty() || p.type.triangles.empty()) << entry.name;
        EXPECT_GE(p.type.texCoords.size(), 3 * p.type.triangles.size()) << entry.name;
        EXPECT_GE(p.type.physicsShape, 1) << entry.name;
    }
    EXPECT_GT(files, 0);

    // The default QuickBar names all exist in the library.
    std::string here;
    ASSERT_TRUE(platform::GetCurrentDirectory(here));
    ScopedStartDirectory start(here);
    CWorld world;
    world.LoadBlocks();
    EXPECT_EQ(world.blockTypes.size(), static_cast<size_t>(files));
    world.BuildDefaultQuickBar();
    EXPECT_EQ(world.quickBar.size(), 10u);
}
