// The world's GPU objects and ground: the blank-world ground (cells, tiles,
// walls, mosaic, refused and clamped sizes), box objects (outward faces,
// texture repeat, a static mesh body in the physics world, a failed mesh),
// and GenerateWorld / ReleaseResources without a driver and on a real
// headless device, including the rebuild after a lost device.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/private_heap.h"
#include "graphics/driver.h"
#include "graphics/gpu_registry.h"
#include "graphics/gpu_texture.h"
#include "graphics/render_set.h"
#include "graphics/texture.h"
#include "platform/files.h"
#include "platform/heap.h"
#include "platform/text.h"
#include "shell/log.h"
#include "support/headless_driver.h"
#include "support/physics_world.h"
#include "support/shipped_data.h"
#include "support/temp_directory.h"
#include "world/line.h"
#include "world/object.h"
#include "world/object_part.h"
#include "world/physic_body.h"
#include "world/polygons_grid.h"
#include "world/world.h"

namespace {

const CPolygonsGrid* MeshOf(const CNBObject* object)
{
    const ObjectPart* part = object ? object->GetPart(0) : nullptr;
    return part ? part->mainMesh : nullptr;
}

Vector3 CentreOf(const CNBObject* object) { return object->WorldMatrix.GetTranslation(); }

Vector3 SizeOf(const CNBObject* object) { return Vector3::Sub(object->LocalBoxMax, object->LocalBoxMin); }

void ExpectNear(const Vector3& actual, const Vector3& expected, const char* what)
{
    EXPECT_NEAR(actual.x, expected.x, 1e-3f) << what;
    EXPECT_NEAR(actual.y, expected.y, 1e-3f) << what;
    EXPECT_NEAR(actual.z, expected.z, 1e-3f) << what;
}

// The outward directions of a box's faces, one per face (two triangles each),
// as unit axes written "+x", "-z"...
std::vector<std::string> FaceDirections(const CNBObject* object)
{
    std::vector<std::string> directions;
    const CPolygonsGrid* mesh = MeshOf(object);
    for (int f = 0; mesh && f + 1 < mesh->faceCount; f += 2) {
        const Vector3& n = mesh->faces[f].faceNormal;
        std::string name = "?";
        if (std::fabs(n.x) > 0.99f) name = n.x > 0 ? "+x" : "-x";
        if (std::fabs(n.y) > 0.99f) name = n.y > 0 ? "+y" : "-y";
        if (std::fabs(n.z) > 0.99f) name = n.z > 0 ? "+z" : "-z";
        directions.push_back(name);
    }
    return directions;
}

using Directions = std::vector<std::string>;

// Live blocks of the heaps the world's GPU side and ground use.
struct HeapCounts {
    int objects = CNBObject::Heap().LiveCount();
    int meshes = CPolygonsGrid::Heap().LiveCount();
    int vectors = VectorHeap::Heap().LiveCount();
    int textures = CTexture::Heap().LiveCount();
    int gpuTextures = GpuTexture::Heap().LiveCount();
    int shaders = ShaderEntry::Heap().LiveCount();
    int constantBuffers = ConstantBufferEntry::Heap(GpuEntryKind::kConstantBuffer).LiveCount();
    int shared = SharedHeap().LiveCount();
    bool operator==(const HeapCounts&) const = default;
};

std::ostream& operator<<(std::ostream& out, const HeapCounts& c)
{
    return out << c.objects << "/" << c.meshes << "/" << c.vectors << "/" << c.textures << "/" << c.gpuTextures
               << "/" << c.shaders << "/" << c.constantBuffers << "/" << c.shared;
}

std::vector<std::u16string> TextureNames(const CWorld& world)
{
    std::vector<std::u16string> names;
    for (const CTexture* texture : world.textures) names.push_back(texture ? texture->name : u"(null)");
    return names;
}

// A Textures folder with shipped pictures under names that test the
// extension rule, a broken file, a folder and a block file whose texture is
// not among them.
void WriteDataFolders(const TempDirectory& folder)
{
    const std::string jpeg = Shipped("Textures/boxred.jpg");
    folder.Write("Textures/ground.dds", Shipped("Textures/ground.dds"));
    folder.Write("Textures/laminat_surface.dds", Shipped("Textures/laminat_surface.dds"));
    folder.Write("Textures/boxred.jpg", jpeg);
    folder.Write("Textures/Photo.JPEG", jpeg);
    folder.Write("Textures/Mixed.Jpg", jpeg);         // skipped: only exact spellings count
    folder.Write("Textures/readme.txt", "not a picture");
    folder.Write("Textures/broken.dds", "DDS nonsense");  // listed, without an image
    folder.MakeFolder("Textures/folder.dds");
    folder.Write("Blocks/BoxWhite.bk", Shipped("Blocks/BoxWhite.bk"));
}

const std::vector<std::u16string> kExpectedTextures = {u"boxred.jpg", u"boxwhite.jpg", u"broken.dds",
                                                       u"ground.dds", u"laminat_surface.dds", u"photo.jpeg"};

// A box taken out of the world's list, for the preview and model-view slots.
CNBObject* DetachedBox(CWorld& world, const Vector3& at)
{
    CNBObject* object = world.CreateBoxObject(1, 1, at, 1, u"ground.dds", 1, 1, 1, 1, 1);
    world.objects.pop_back();
    return object;
}

bool HasBuffers(const RenderSet* set)
{
    return set && set->gpu && set->gpu->vertexBuffer && set->gpu->indexBuffer;
}

}  // namespace

TEST(WorldGpuGroundTest, BordersGiveTopOnlyTilesSixWallsASideAndFourPosts)
{
    CWorld world;
    world.BuildGround(100.0f, 20.0f, 1, 5.0f, 0);

    ASSERT_EQ(world.sectors.size(), 4u);
    ExpectNear(world.sectors[1]->position, {50.0f, 0, -50.0f}, "sectors go column by column along x");

    const float g = 100.0f / 6;
    ASSERT_EQ(world.GetObjectCount(), 36 + 4 * 6 + 4);
    for (int i : {0, 13, 35}) {
        const CNBObject* tile = world.objects[i];
        const int r = i / 6, c = i % 6;
        ExpectNear(CentreOf(tile), {-50 + c * g + g / 2, -2, -50 + r * g + g / 2}, "tile centre");
        ExpectNear(SizeOf(tile), {g, 0, g}, "tile size");  // the box over its only face
        EXPECT_EQ(FaceDirections(tile), Directions{"+y"});
    }
    EXPECT_NEAR(world.objects[0]->BoxMax.y, 0.0f, 1e-5f);  // the floor is at height 0

    // +x walls, the four posts, -x, +z, -z walls.
    const CNBObject* const* walls = world.objects.data() + 36;
    const int k = 4;
    ExpectNear(CentreOf(walls[k]), {51, 2.5f, -50 + k * g + g / 2}, "+x wall");
    ExpectNear(SizeOf(walls[k]), {2, 5, g}, "+x wall size");
    EXPECT_EQ(FaceDirections(walls[k]), (Directions{"+x", "-x", "+y"}));
    ExpectNear(CentreOf(walls[10 + k]), {-51, 2.5f, -50 + k * g + g / 2}, "-x wall");
    ExpectNear(CentreOf(walls[16 + k]), {-50 + k * g + g / 2, 2.5f, 51}, "+z wall");
    ExpectNear(SizeOf(walls[16 + k]), {g, 5, 2}, "+z wall size");
    EXPECT_EQ(FaceDirections(walls[16 + k]), (Directions{"-z", "+z", "+y"}));
    ExpectNear(CentreOf(walls[22 + k]), {-50 + k * g + g / 2, 2.5f, -51}, "-z wall");
    ExpectNear(CentreOf(walls[6 + 1]), {-51, 2.5f, 51}, "post");
    ExpectNear(SizeOf(walls[6 + 1]), {2, 5, 2}, "post size");
    EXPECT_EQ(FaceDirections(walls[6 + 1]), (Directions{"+z", "-x", "+y"}));

    for (const CNBObject* object : world.objects)  // static mesh bodies of the ground, built by the scene
        EXPECT_TRUE(object->Kind == 1 && object->ShapeKind == 6 && object->HasRigidBody == 1 &&
                    object->StaticFlag == 0 && object->TypeName == u"base");
}

TEST(WorldGpuGroundTest, WithoutBordersTheOuterRingIsClosedAndSmallWorldsHaveOneSector)
{
    CWorld world;
    world.BuildGround(100.0f, 20.0f, 0, 0.0f, 0);
    ASSERT_EQ(world.GetObjectCount(), 36);
    EXPECT_EQ(FaceDirections(world.objects[0]), (Directions{"-z", "-x", "+y", "-y"}));    // row 0, column 0
    EXPECT_EQ(FaceDirections(world.objects[35]), (Directions{"+x", "+z", "+y", "-y"}));  // last row and column
    EXPECT_EQ(FaceDirections(world.objects[6 + 2]), Directions{"+y"});                     // inner tile

    CWorld small;
    small.BuildGround(50.0f, 20.0f, 0, 0.0f, 0);
    ASSERT_EQ(small.sectors.size(), 1u);
    ExpectNear(small.sectors[0]->position, {-25, 0, -25}, "the one sector");
    EXPECT_EQ(small.GetObjectCount(), 9);  // 50 / 20 + 1 = 3 tiles a side
}

TEST(WorldGpuGroundTest, MosaicKeepsAboutSixInElevenTilesAndRaisesAboutSevenInEleven)
{
    CWorld world;
    world.BuildGround(500.0f, 20.0f, 0, 0.0f, 1);
    const int tiles = 26 * 26;
    int raised = 0;
    for (const CNBObject* tile : world.objects) {
        EXPECT_EQ(FaceDirections(tile).size(), 6u);
        const float y = CentreOf(tile).y;
        EXPECT_TRUE(y == -2.0f || y == 2.0f) << y;
        if (y == 2.0f) ++raised;
    }
    const double kept = double(world.GetObjectCount()) / tiles;
    EXPECT_NEAR(kept, 6.0 / 11, 0.1);
    EXPECT_NEAR(double(raised) / world.GetObjectCount(), 7.0 / 11, 0.1);
}

TEST(WorldGpuGroundTest, UnusableSizesBuildNothingAndHugeOnesAreClamped)
{
    TempDirectory folder;
    ScopedStartDirectory start(folder.Path());
    ResetLog();
    const float nan = std::nanf("");
    const float inf = INFINITY;
    CWorld world;
    for (float size : {0.0f, -100.0f, nan, inf}) {
        world.BuildGround(size, 20.0f, 1, 5.0f, 0);
        world.BuildGround(100.0f, size, 1, 5.0f, 0);
    }
    world.BuildGround(100.0f, 20.0f, 1, nan, 0);  // walls of no usable height
    world.BuildGround(100.0f, 20.0f, 1, -1.0f, 0);
    EXPECT_TRUE(world.sectors.empty());
    EXPECT_EQ(world.GetObjectCount(), 0);
    EXPECT_NE(folder.Read("game.log").find("Error: CWorld::BuildGround() "), std::string::npos);

    world.BuildGround(100.0f, 20.0f, 0, nan, 0);  // the height matters only with walls
    EXPECT_EQ(world.GetObjectCount(), 36);
    world.Clear();
    world.RecreateSectors(0);

    // A million units in tiles of one: 100 x 100 tiles that still cover it all.
    world.BuildGround(1.0e6f, 1.0f, 0, 0.0f, 0);
    EXPECT_EQ(world.sectors.size(), 64u * 64u);
    ASSERT_EQ(world.GetObjectCount(), 100 * 100);
    ExpectNear(SizeOf(world.objects[0]), {1.0e4f, 4, 1.0e4f}, "clamped corner tile");
    EXPECT_NEAR(world.objects.back()->BoxMax.x, 5.0e5f, 1.0f);
}

TEST(WorldGpuGroundTest, BoxFacesPointOutwardAndRepeatTheTextureEveryTenUnits)
{
    CWorld world;
    CNBObject* box = world.CreateBoxObject(4.0f, 2.0f, Vector3{10, 20, 30}, 6.0f, u"ground.dds", 1, 1, 1, 1, 1);
    ASSERT_NE(box, nullptr);
    ASSERT_EQ(world.objects, std::vector<CNBObject*>{box});
    const CPolygonsGrid* mesh = MeshOf(box);
    ASSERT_EQ(mesh->vertexCount, 24);
    ASSERT_EQ(mesh->faceCount, 12);
    EXPECT_EQ(FaceDirections(box), (Directions{"-z", "+x", "+z", "-x", "+y", "-y"}));
    ExpectNear(box->BoxMin, {8, 19, 27}, "world box");

    for (int f = 0; f < mesh->faceCount; ++f) {
        const PolygonFace& face = mesh->faces[f];
        EXPECT_TRUE(face.corners == 3 && face.VertexFormat == 0x1001 && face.ShadingMode == 1);
        ExpectNear(face.flatNormal, face.faceNormal, "flat normal");
        // Every corner lies on the face's outer side of the box centre.
        for (int j = 0; j < 3; ++j) {
            const Vector3& p = mesh->positions[mesh->CornerVertex(face, j)];
            EXPECT_GT(p.x * face.faceNormal.x + p.y * face.faceNormal.y + p.z * face.faceNormal.z, 0.0f) << f;
        }
    }
    // Top face (triangles 8 and 9): a = 0.1 x 4 along x, b = 0.1 x 6 along z.
    const PolygonFace& top = mesh->faces[8];
    EXPECT_NEAR(top.GetTexCoord(0, 0).v, 0.6f, 1e-6f);
    EXPECT_NEAR(top.GetTexCoord(2, 0).u, 0.4f, 1e-6f);
    // Right face (triangle 2): a along z (0.6), b along y (0.2).
    EXPECT_NEAR(mesh->faces[2].GetTexCoord(0, 0).v, 0.2f, 1e-6f);
}

TEST(WorldGpuGroundTest, AThinTileFallingFromHighDoesNotPassThroughTheGround)
{
    PhysicsWorld physics;
    CWorld world;
    world.BuildGround(50.0f, 20.0f, 0, 0.0f, 0);
    for (CNBObject* tile : world.objects) {
        tile->InitODEPhysic();
        tile->PhysicBody->CreateBvhMeshBody(tile, physics.World(), physics.Shapes(), tile);
        physics.World()->updateSingleAabb(tile->PhysicBody->Body);
    }
    // A 0.1 thick tile dropped from 30 units moves about 0.4 units a step on
    // arrival: without a swept test it would cross the ground between steps.
    CNBObject* tile = new CNBObject;
    tile->InitODEPhysic();
    tile->PhysicBody->CreateBoxBody(tile, physics.World(), physics.Shapes(), Vector3{0.5f, 30.0f, 0.5f}, 0.5f, 0.05f,
                                    0.5f, 1.0f);
    world.objects.push_back(tile);
    for (int step = 0; step < 600; ++step) physics.World()->stepSimulation(1.0 / 60.0, 1, 1.0 / 60.0);
    tile->UpdateFromRigidBody();
    EXPECT_GT(tile->Position.y, -0.01f);
    EXPECT_LT(tile->Position.y, 0.5f);
}

TEST(WorldGpuGroundTest, ABoxWhoseMeshCannotBeMadeIsNotKept)
{
    CWorld world;
    // Keeps the object, part-array and shared heaps alive, so the only heap the
    // next box still has to create is the one of its mesh.
    CNBObject* keeper = new CNBObject;
    ASSERT_TRUE(keeper->AllocateParts(1));
    keeper->SetName("keeper");
    const int objectsBefore = CNBObject::Heap().LiveCount();
    ASSERT_TRUE(SharedHeap().Exists());
    ASSERT_FALSE(CPolygonsGrid::Heap().Exists());

    platform::FailNextHeapCreates(1);
    EXPECT_EQ(world.CreateBoxObject(1, 1, Vector3{}, 1, u"ground.dds", 1, 1, 1, 1, 1), nullptr);
    platform::FailNextHeapCreates(0);
    EXPECT_EQ(world.GetObjectCount(), 0);
    EXPECT_EQ(CNBObject::Heap().LiveCount(), objectsBefore);

    EXPECT_NE(world.CreateBoxObject(1, 1, Vector3{}, 1, u"ground.dds", 1, 1, 1, 1, 1), nullptr);
    EXPECT_EQ(world.GetObjectCount(), 1);
    CNBObject::Delete(keeper);
}

TEST(WorldGpuGenerateTest, WithoutADriverTheCpuSideIsBuiltAndReleased)
{
    TempDirectory folder;
    ScopedStartDirectory start(folder.Path());
    WriteDataFolders(folder);
    const HeapCounts before;
    {
        CWorld world;
        world.BuildGround(100.0f, 20.0f, 1, 5.0f, 0);
        world.previewObject = DetachedBox(world, Vector3{0, 10, 0});
        world.BeginLine();
        *world.drawingLine->AddPoint() = Vector3{0, 0, 0};
        *world.drawingLine->AddPoint() = Vector3{1, 0, 0};

        for (int build = 0; build < 2; ++build) {
            SCOPED_TRACE(build);
            world.GenerateWorld();
            EXPECT_EQ(TextureNames(world), kExpectedTextures);
            for (const CTexture* texture : world.textures) EXPECT_EQ(texture->gpu, nullptr);
            EXPECT_EQ(MeshOf(world.objects[0])->textures[0], world.FindTexture(u"laminat_surface.dds"));
            EXPECT_EQ(MeshOf(world.previewObject)->textures[0], world.FindTexture(u"ground.dds"));
            EXPECT_NE(world.drawingLine->renderSet, nullptr);

            world.ReleaseResources();
            EXPECT_TRUE(world.textures.empty() && world.shadowMap == nullptr);
            EXPECT_EQ(MeshOf(world.objects[0])->textures[0], nullptr);  // no link to a freed texture
            EXPECT_EQ(MeshOf(world.previewObject)->textures[0], nullptr);
            EXPECT_EQ(world.GetObjectCount(), 64);
        }
    }
    EXPECT_EQ(HeapCounts{}, before);
}

class WorldGpuDeviceTest : public HeadlessDriverTest {};

TEST_F(WorldGpuDeviceTest, GenerateBuildsEveryGpuObjectAndALostDeviceRebuildsThemWithoutDuplicates)
{
    WriteDataFolders(folder_);
    CWorld world;
    world.driver = Driver;
    world.BuildGround(100.0f, 20.0f, 1, 5.0f, 0);
    world.previewObject = DetachedBox(world, Vector3{0, 10, 0});
    world.modelViewObject = DetachedBox(world, Vector3{0, 20, 0});
    world.BeginLine();
    for (float x : {0.0f, 1.0f, 2.0f}) *world.drawingLine->AddPoint() = Vector3{x, 0, 0};

    // Checks every GPU object of the world after a build.
    const auto expectBuilt = [&](const char* when) {
        SCOPED_TRACE(when);
        const GpuRegistry& registry = world.gpuRegistry;
        EXPECT_EQ(registry.vertexShaders.size() + registry.pixelShaders.size(), 24u);
        EXPECT_EQ(registry.constantBuffers.size(), 14u);
        EXPECT_EQ(registry.samplerStates.size() + registry.blendStates.size() + registry.depthStencilStates.size() +
                      registry.rasterizerStates.size(),
                  8u);

        ASSERT_TRUE(world.shadowMap && world.shadowMap->gpu && world.shadowMap->gpu->texture);
        EXPECT_NE(world.shadowMap->gpu->shaderView, nullptr);
        ASSERT_TRUE(world.shadowMapDepth && world.shadowMapDepth->gpu);
        EXPECT_NE(world.shadowMapDepth->gpu->depthView, nullptr);

        // The Textures folder, sorted, with the block library's texture added.
        EXPECT_EQ(TextureNames(world), kExpectedTextures);
        for (const CTexture* texture : world.textures) {
            const bool image = texture->name != u"broken.dds" && texture->name != u"boxwhite.jpg";
            EXPECT_EQ(texture->gpu && texture->gpu->shaderView, image) << platform::Utf16ToUtf8(texture->name);
        }

        for (CNBObject* object : world.objects) {
            const RenderSet* set = MeshOf(object)->GetRenderSet(0);
            EXPECT_TRUE(HasBuffers(set));
            // Uploaded, a mesh's set keeps no copy of its streams.
            if (set) {
                EXPECT_TRUE(!set->vertices32 && !set->tangents && !set->sourceIndices && !set->indices);
            }
        }
        EXPECT_EQ(MeshOf(world.objects[0])->textures[0], world.FindTexture(u"laminat_surface.dds"));
        for (CNBObject* object : {world.previewObject, world.modelViewObject}) {
            EXPECT_TRUE(HasBuffers(MeshOf(object)->GetRenderSet(0)));
            EXPECT_EQ(MeshOf(object)->textures[0], world.FindTexture(u"ground.dds"));
        }
        EXPECT_TRUE(HasBuffers(world.drawingLine->renderSet));
        for (const RenderSet* set :
             {world.spriteQuad, world.cursorMarker, world.skyBoxSides, world.skyBoxTop, world.skyBoxBottom})
            EXPECT_TRUE(HasBuffers(set));
    };

    world.GenerateWorld();
    expectBuilt("first build");
    const HeapCounts built;

    world.ReleaseResources();
    EXPECT_TRUE(world.textures.empty() && world.gpuRegistry.vertexShaders.empty());
    EXPECT_TRUE(world.spriteQuad == nullptr && world.shadowMap == nullptr);
    EXPECT_EQ(MeshOf(world.modelViewObject)->GetRenderSet(0), nullptr);
    EXPECT_EQ(MeshOf(world.modelViewObject)->textures[0], nullptr);
    EXPECT_EQ(world.drawingLine->renderSet->gpu->vertexBuffer, nullptr);
    EXPECT_EQ(world.GetObjectCount(), 64);  // the CPU-side world survives

    Driver->ReleaseDevice();
    ASSERT_EQ(Driver->CreateDeviceAndSwapChain(), 0);
    world.GenerateWorld();
    expectBuilt("after a lost device");
    EXPECT_EQ(HeapCounts{}, built);

    world.GenerateWorld();  // no release in between: replaced, not added
    expectBuilt("built twice");
    EXPECT_EQ(HeapCounts{}, built);
}
