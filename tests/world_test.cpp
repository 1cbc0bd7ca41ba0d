// CWorld: texture and block-type look-ups, the default QuickBar,
// line bookkeeping, Clear, and that destruction gives every record back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/private_heap.h"
#include "graphics/texture.h"
#include "support/world_objects.h"
#include "world/line.h"
#include "world/object.h"
#include "world/object_part.h"
#include "world/polygons_grid.h"
#include "world/world.h"

namespace {

CTexture* AddTexture(std::vector<CTexture*>& list, const char16_t* name)
{
    auto* texture = new CTexture;
    texture->SetName(name);
    list.push_back(texture);
    return texture;
}

BlockType* AddBlockType(CWorld& world, const char16_t* name)
{
    auto* type = new BlockType;
    type->Init();
    type->name = name;
    world.blockTypes.push_back(type);
    return type;
}

}  // namespace

TEST(WorldTest, FindTextureMatchesStoredLowerCaseNamesExactly)
{
    CWorld world;
    CTexture* ground = AddTexture(world.textures, u"Ground.dds");  // stored lower-cased
    AddTexture(world.textures, u"sky.dds");
    EXPECT_EQ(world.FindTexture(u"ground.dds"), ground);
    EXPECT_EQ(world.FindTexture(u"GROUND.DDS"), nullptr);
    EXPECT_EQ(world.FindTexture(nullptr), nullptr);

    world.textures.push_back(nullptr);
    world.SortTextures();
    ASSERT_EQ(world.textures.size(), 3u);
    EXPECT_EQ(world.textures[0], ground);
    EXPECT_EQ(world.textures[1]->name, u"sky.dds");
    EXPECT_EQ(world.textures[2], nullptr);
}

TEST(WorldTest, LinkTexturesResolvesEveryPartMeshButTheModelView)
{
    CWorld world;
    CTexture* ground = AddTexture(world.textures, u"ground.dds");
    auto named = [](const char16_t* name) {
        CNBObject* object = NewBoxObject({0, 0, 0});
        CPolygonsGrid* mesh = object->GetPart(0)->mainMesh;
        mesh->textureNames[0].name = name;
        mesh->textures[0] = reinterpret_cast<CTexture*>(0x1);  // stale link, to be replaced
        return object;
    };
    world.objects.push_back(named(u"ground.dds"));
    world.objects.push_back(named(u"missing.dds"));
    world.previewObject = named(u"ground.dds");
    world.modelViewObject = named(u"ground.dds");
    world.LinkTextures();
    EXPECT_EQ(world.objects[0]->GetPart(0)->mainMesh->textures[0], ground);
    EXPECT_EQ(world.objects[1]->GetPart(0)->mainMesh->textures[0], nullptr);
    EXPECT_EQ(world.previewObject->GetPart(0)->mainMesh->textures[0], ground);
    CPolygonsGrid* modelViewMesh = world.modelViewObject->GetPart(0)->mainMesh;
    EXPECT_EQ(modelViewMesh->textures[0], reinterpret_cast<CTexture*>(0x1));
    modelViewMesh->textures[0] = nullptr;
    world.LinkObjectTextures(nullptr);
}

TEST(WorldTest, FindBlockTypeFoldsAsciiLettersOnly)
{
    CWorld world;
    BlockType* box = AddBlockType(world, u"BoxWhite");
    BlockType* umlaut = AddBlockType(world, u"\u00C4pfel");
    AddBlockType(world, u"boxwhite");  // a later equal name is never found
    EXPECT_EQ(world.FindBlockType(u"boxwhite"), box);
    EXPECT_EQ(world.FindBlockType(u"BOXWHITE"), box);
    EXPECT_EQ(world.FindBlockType(u"\u00C4PFEL"), umlaut);
    EXPECT_EQ(world.FindBlockType(u"\u00E4pfel"), nullptr);  // non-ASCII letters keep their case
    EXPECT_EQ(world.FindBlockType(nullptr), nullptr);
}

TEST(WorldTest, DefaultQuickBarKeepsListOrderAndSkipsMissingNames)
{
    CWorld world;
    world.BuildDefaultQuickBar();
    EXPECT_TRUE(world.quickBar.empty());

    BlockType* plate = AddBlockType(world, u"Plate 1mX2m");
    BlockType* red = AddBlockType(world, u"boxred");
    AddBlockType(world, u"Unlisted");
    BlockType* white = AddBlockType(world, u"BoxWhite");
    BlockType* ball = AddBlockType(world, u"GreenBall 0.5m");
    world.quickBar.push_back(plate);  // replaced, not appended to
    world.BuildDefaultQuickBar();
    EXPECT_EQ(world.quickBar, (QuickBar{white, red, ball, plate}));
}

TEST(WorldTest, LinesBeginEndAndAreRemovedWithTheirLinks)
{
    CWorld world;
    world.BeginLine();
    ASSERT_EQ(world.lines.size(), 1u);
    CLine* first = world.drawingLine;
    EXPECT_EQ(first, world.lines[0]);
    world.BeginLine();  // ends the drawing, keeps the line
    EXPECT_EQ(world.lines.size(), 1u);

    world.BeginLine();
    CLine* second = world.drawingLine;
    world.BeginLine();
    world.BeginLine();
    CLine* third = world.drawingLine;
    world.BeginLine();
    world.BeginLine();
    CLine* fourth = world.drawingLine;
    first->active = 1;
    second->active = 1;
    world.selectedLine = fourth;
    world.drawingLine = second;
    EXPECT_EQ(world.GetActiveLine(), first);

    world.RemoveLines();
    EXPECT_EQ(world.lines, std::vector<CLine*>{third});
    EXPECT_EQ(world.drawingLine, nullptr);
    EXPECT_EQ(world.selectedLine, nullptr);

    world.drawingLine = third;
    world.DeleteLine(nullptr);
    EXPECT_EQ(world.lines.size(), 1u);
    world.DeleteLine(third);
    EXPECT_TRUE(world.lines.empty());
    EXPECT_EQ(world.drawingLine, nullptr);
}

TEST(WorldTest, ClearKeepsCellsLibraryAndTexturesSoNewObjectsAreSorted)
{
    CWorld world;
    for (float x : {0.0f, 100.0f}) {
        auto* sector = new Sector();
        sector->position = Vector3{x, 0, 0};
        world.sectors.push_back(sector);
    }
    world.objects.push_back(NewBoxObject({1, 0, 0}));
    world.objects.push_back(nullptr);
    world.objects.push_back(NewBoxObject({99, 0, 0}));
    world.AssignSectors();
    world.BeginLine();
    world.selectedLine = world.lines[0];
    world.labels.push_back(ObjectLabel{world.objects[0], nullptr, 0.1f});
    CTexture* texture = AddTexture(world.textures, u"ground.dds");
    BlockType* type = AddBlockType(world, u"BoxWhite");
    world.BuildDefaultQuickBar();

    world.Clear();
    EXPECT_EQ(world.GetObjectCount(), 0);
    EXPECT_TRUE(world.labels.empty());
    EXPECT_EQ(world.selectedLine, nullptr);
    ASSERT_EQ(world.sectors.size(), 2u);
    EXPECT_TRUE(world.sectors[0]->objects.empty());
    EXPECT_EQ(world.textures, std::vector<CTexture*>{texture});
    EXPECT_EQ(world.quickBar, QuickBar{type});

    CNBObject* fresh = NewBoxObject({98, 0, 0});
    world.objects.push_back(fresh);
    world.PutObjectInSector(fresh);
    EXPECT_EQ(fresh->SectorLink, world.sectors[1]);
    EXPECT_EQ(world.sectors[1]->objects, std::vector<CNBObject*>{fresh});
}

TEST(WorldTest, DestructionGivesEveryRecordBack)
{
    const int objectsBefore = CNBObject::Heap().LiveCount();
    const int linesBefore = CLine::Heap().LiveCount();
    const int texturesBefore = CTexture::Heap().LiveCount();
    const int sharedBefore = SharedHeap().LiveCount();
    {
        CWorld world;
        world.sectors.push_back(new Sector());
        world.objects.push_back(NewBoxObject({0, 0, 0}));
        world.AssignSectors();
        world.modelViewObject = NewBoxObject({1, 0, 0});
        world.previewObject = NewBoxObject({2, 0, 0});
        world.BeginLine();
        *world.drawingLine->AddPoint() = Vector3{0, 0, 0};
        *world.drawingLine->AddPoint() = Vector3{1, 0, 0};
        world.drawingLine->CreateDriverRenderSet();
        world.currentTexture = AddTexture(world.textures, u"a.dds");
        world.shadowMap = new CTexture;
        AddBlockType(world, u"BoxWhite");
        world.BuildDefaultQuickBar();
    }
    {
        CWorld shared;  // one object as both model view and preview is freed once
        shared.modelViewObject = NewBoxObject({0, 0, 0});
        shared.previewObject = shared.modelViewObject;
    }
    EXPECT_EQ(CNBObject::Heap().LiveCount(), objectsBefore);
    EXPECT_EQ(CLine::Heap().LiveCount(), linesBefore);
    EXPECT_EQ(CTexture::Heap().LiveCount(), texturesBefore);
    EXPECT_EQ(SharedHeap().LiveCount(), sharedBefore);
}
