// CPolygonsGrid: geometry creation, bounds, render-set building and the
// vertex-format table it builds from; the quaternion helpers.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <type_traits>
#include <vector>

#include "core/matrix4.h"
#include "graphics/driver.h"
#include "platform/heap.h"
#include "support/temp_directory.h"
#include "world/object_part.h"
#include "world/polygons_grid.h"
#include "world/vertex_formats.h"

namespace {

// Points face f at the mesh's arrays with `corners` corners starting at index `first`.
void LinkFace(CPolygonsGrid& mesh, int f, int corners, uint32_t first, int32_t format)
{
    PolygonFace& face = mesh.faces[f];
    face.corners = static_cast<int8_t>(corners);
    face.firstIndex = first;
    face.cornerIndices = mesh.cornerIndices + first;
    face.VertexFormat = format;
}

// A unit quad (vertices 0-3) and a triangle (vertices 4-6), both of `format`.
CPolygonsGrid* QuadAndTriangle(int32_t format)
{
    CPolygonsGrid* mesh = new CPolygonsGrid;
    if (!mesh || !mesh->CreatePolygons(7, 1, 1)) return mesh;
    const Vector3 points[7] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 0, 0}, {3, 0, 0}, {2, 1, 0}};
    for (int i = 0; i < 7; ++i) {
        mesh->positions[i] = points[i];
        mesh->normals[i] = Vector3{0, 0, 1};
        mesh->cornerIndices[i] = static_cast<uint16_t>(i);
    }
    mesh->SaveBasePositions();
    LinkFace(*mesh, 0, 4, 0, format);
    LinkFace(*mesh, 1, 3, 4, format);
    return mesh;
}

// A render set sized for `vertices` / `indices` with the arrays of `format`.
RenderSet* BlankSet(int vertices, int indices, int32_t format, bool skin)
{
    RenderSet* set = RenderSet::Allocate();
    const VertexLayout layout = VertexLayoutOf(format);
    auto zeroed = [](size_t bytes) {
        void* block = SharedHeapAlloc(bytes);
        std::memset(block, 0, bytes);
        return block;
    };
    if (layout.vertexBytes == 32) set->vertices32 = static_cast<float*>(zeroed(vertices * 32));
    if (layout.vertexBytes == 40) set->vertices40 = static_cast<float*>(zeroed(vertices * 40));
    if (layout.vertexBytes == 48) set->vertices48 = static_cast<float*>(zeroed(vertices * 48));
    if (layout.tangents) set->tangents = static_cast<Vector3*>(zeroed(vertices * sizeof(Vector3)));
    if (skin) set->skin = static_cast<float*>(zeroed(vertices * 32));
    set->indices = static_cast<uint16_t*>(zeroed(indices * 2));
    set->sourceIndices = static_cast<uint32_t*>(zeroed(vertices * 4));
    set->vertexCount = vertices;
    set->indexCount = indices;
    return set;
}

void FreeSet(RenderSet* set)
{
    RenderSet::Release(set);
    RenderSet::Free(set);
}

}  // namespace

TEST(PolygonsGrid, VertexFormatTableAndLayouts)
{
    // Every slot, built from the table's rule: families of six material
    // variants (0x000 to 0x500), single codes, and 157 unassigned slots.
    std::vector<VertexFormat> table;
    auto family = [&table](VertexFormat low) {
        for (VertexFormat variant = 0; variant <= 0x500; variant += 0x100) table.push_back(low | variant);
    };
    auto run = [&table](VertexFormat first, VertexFormat last) {
        for (VertexFormat code = first; code <= last; ++code) table.push_back(code);
    };
    for (VertexFormat low : {0x1001, 0x0001, 0x1003, 0x0003, 0x1005, 0x1007, 0x1009, 0x100B, 0x100D, 0x100F}) family(low);
    run(0x11001, 0x11001), run(0x21001, 0x21001);
    for (VertexFormat low : {0x1011, 0x1013, 0x1015, 0x1019, 0x101B, 0x101D, 0x101F, 0x1017}) family(low);
    run(0x40000001, 0x4000000C);
    for (VertexFormat low = 0x1081; low <= 0x109F; low += 2) family(low);
    table.resize(table.size() + 157, 0);
    run(0x40000014, 0x4000001F);
    ASSERT_EQ(table.size(), size_t{kVertexFormatSlots});
    for (int slot = 0; slot < kVertexFormatSlots; ++slot) {
        EXPECT_EQ(VertexFormatOfSlot(slot), table[slot]) << slot;
        EXPECT_EQ(SlotOfVertexFormat(table[slot]), table[slot] ? slot : -1) << slot;  // no code twice
    }
    EXPECT_EQ(VertexFormatOfSlot(387), 0);

    const VertexLayout detail = VertexLayoutOf(0x1089);  // sets 3 and 4
    EXPECT_EQ(detail.vertexBytes, 48);
    EXPECT_EQ(detail.uvSets[1], 3);
    EXPECT_EQ(detail.uvSets[2], 4);
    EXPECT_TRUE(detail.tangents);
    EXPECT_FALSE(VertexLayoutOf(0x100D).tangents);
    EXPECT_EQ(VertexLayoutOf(0x1085).vertexBytes, 0);  // no layout: never drawn
    EXPECT_EQ(VertexLayoutOf(0x40000015).uvSets[1], 5);
}

TEST(PolygonsGrid, FillWritesQuadsAsTwoTrianglesFromTheBaseVertex)
{
    CPolygonsGrid* mesh = QuadAndTriangle(0x1001);
    ASSERT_NE(mesh->faces, nullptr);
    mesh->faces[0].AllocateTexCoords(1);
    mesh->faces[0].texCoords[2] = TexCoord{0.25f, 0.75f};
    RenderSet* set = BlankSet(7, 9, 0x1001, false);
    mesh->FillRenderSet(set, 0x1001, Vector3{10, 20, 30});

    const uint16_t expected[9] = {0, 1, 2, 0, 2, 3, 4, 5, 6};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(set->indices[i], expected[i]) << i;
    const float* v = set->vertices32 + 8 * 2;  // quad corner 2: (1, 1, 0) + offset
    EXPECT_FLOAT_EQ(v[0], 11.0f);
    EXPECT_FLOAT_EQ(v[1], 21.0f);
    EXPECT_FLOAT_EQ(v[6], 0.25f);
    EXPECT_FLOAT_EQ(v[7], 0.75f);
    EXPECT_FLOAT_EQ(set->vertices32[8 * 5 + 6], 0.0f);  // the triangle holds no coordinates
    FreeSet(set);
    delete mesh;
}

TEST(PolygonsGrid, RenderSetsGoToTheirCodesSlotsWithoutHiddenFaces)
{
    CDriver driver;  // no device: nothing is uploaded, the CPU side is built
    CPolygonsGrid* mesh = QuadAndTriangle(0x1001);
    mesh->faces[1].VertexFormat = 0x1401;
    mesh->PrepareRenderSets(&driver, Vector3{});

    RenderSet* plain = mesh->GetRenderSet(0);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->vertexCount, 4);
    RenderSet* glass = mesh->GetRenderSet(4);
    ASSERT_NE(glass, nullptr);
    EXPECT_EQ(glass->vertexCount, 3);
    EXPECT_EQ(mesh->GetRenderSet(387), nullptr);
    EXPECT_EQ(mesh->GetRenderSet(-1), nullptr);
    EXPECT_EQ(mesh->renderSetSlots, 5);

    // Code 0 fills every unassigned slot; a code outside the table none.
    mesh->faces[0].VertexFormat = 0;
    mesh->faces[1].VertexFormat = 0x1777;
    mesh->PrepareRenderSets(&driver, Vector3{});
    ASSERT_EQ(mesh->BuiltRenderSets().size(), 157u);
    EXPECT_EQ(mesh->BuiltRenderSets().front().slot, 218);
    EXPECT_EQ(mesh->GetRenderSet(374)->vertexCount, 4);
    EXPECT_EQ(mesh->renderSetSlots, 375);

    mesh->faces[1].hidden = 1;
    mesh->faces[0].hidden = 1;
    mesh->PrepareRenderSets(&driver, Vector3{});
    EXPECT_EQ(mesh->GetRenderSet(0), nullptr);
    EXPECT_EQ(mesh->GetRenderSet(4), nullptr);

    mesh->ReleaseRenderSets(&driver);
    delete mesh;
}

TEST(PolygonsGrid, RenderSetPastSixteenBitIndicesIsRefused)
{
    TempDirectory folder;
    ScopedStartDirectory start(folder.Path());
    CDriver driver;
    CPolygonsGrid* mesh = new CPolygonsGrid;
    // 16,385 quads emit 65,540 vertices, past what 16-bit indices reach.
    ASSERT_EQ(mesh->CreatePolygons(4, 0, 16385), 1);
    for (int f = 0; f < 16385; ++f) LinkFace(*mesh, f, 4, 4 * f, 0x1001);
    RenderSet* slot = nullptr;
    EXPECT_EQ(mesh->PrepeareRenderSet(&driver, &slot, 0x1001, Vector3{}), 0);
    EXPECT_EQ(slot, nullptr);
    EXPECT_NE(folder.Read("game.log").find("Error: CPolygonsGrid :: PrepeareRenderSet() \n"), std::string::npos);

    mesh->faces[16384].hidden = 1;  // 65,536 vertices still fit
    EXPECT_EQ(mesh->PrepeareRenderSet(&driver, &slot, 0x1001, Vector3{}), 0);
    ASSERT_NE(slot, nullptr);
    EXPECT_EQ(slot->vertexCount, 65536);
    FreeSet(slot);
    delete mesh;
}

TEST(PolygonsGrid, TangentsAreUnitAndOrthogonalToTheNormal)
{
    CPolygonsGrid* mesh = QuadAndTriangle(0x1009);
    const Vector3 normals[7] = {{0, 1, 0}, {1, 0, 0}, {0, 0, -1}, {0.3f, 0.4f, 0.5f},
                                {-1, -1, 1}, {0, -2, 0}, {0.7f, 0.0f, 0.7f}};
    for (int i = 0; i < 7; ++i) mesh->normals[i] = normals[i];
    RenderSet* set = BlankSet(7, 9, 0x1009, false);
    ASSERT_NE(set->tangents, nullptr);
    mesh->FillRenderSet(set, 0x1009, Vector3{});
    for (int k = 0; k < 7; ++k) {
        const Vector3& t = set->tangents[k];
        Vector3 n = normals[k];
        n.Normalize();
        EXPECT_NEAR(t.Length(), 1.0f, 1e-5f) << k;
        EXPECT_NEAR(t.x * n.x + t.y * n.y + t.z * n.z, 0.0f, 1e-5f) << k;
    }
    // +Y picks the reference (-1, 0, 0): the tangent of (0, 1, 0) is -X.
    EXPECT_NEAR(set->tangents[0].x, -1.0f, 1e-6f);
    FreeSet(set);
    delete mesh;
}

TEST(PolygonsGrid, SkinStreamKeepsFourWeightsAndFlatFacesShareOneNormal)
{
    CPolygonsGrid* mesh = QuadAndTriangle(0x1001);
    ASSERT_EQ(mesh->CreateVertexWeight(7), 7);
    VertexWeight& w = mesh->weights[2];
    w.count = 6;
    for (int i = 0; i < 6; ++i) {
        w.bones[i] = 10 + i;
        w.weights[i] = 0.1f * (i + 1);
    }
    mesh->normals[4] = Vector3{1, 0, 0};
    PolygonFace& triangle = mesh->faces[1];
    triangle.ShadingMode = 1;
    triangle.faceNormal = Vector3{0, 1, 0};
    triangle.flatNormal = Vector3{0.01f, 0.01f, 0.01f};  // too short: the face normal is used

    RenderSet* set = BlankSet(7, 9, 0x1001, true);
    mesh->FillRenderSet(set, 0x1001, Vector3{});
    const float* skin = set->skin + 8 * 2;
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(skin[i], 0.1f * (i + 1));
        EXPECT_FLOAT_EQ(skin[4 + i], static_cast<float>(10 + i));
    }
    for (int k = 4; k < 7; ++k) {
        EXPECT_FLOAT_EQ(set->vertices32[8 * k + 3], 0.0f);
        EXPECT_FLOAT_EQ(set->vertices32[8 * k + 4], 1.0f);
    }
    FreeSet(set);
    delete mesh;
}

TEST(PolygonsGrid, CreationRefusesWhatSixteenBitsCannotHold)
{
    CPolygonsGrid* mesh = new CPolygonsGrid;
    ASSERT_EQ(mesh->CreateGrid(300, 10), 1);  // columns are clamped to 256
    EXPECT_EQ(mesh->vertexCount, 257 * 11);

    EXPECT_EQ(mesh->CreateGrid(256, 256), 0);  // 66,049 vertices
    EXPECT_EQ(mesh->positions, nullptr);
    EXPECT_EQ(mesh->vertexCount, 0);
    EXPECT_EQ(mesh->CreatePolygons(65536, 1, 0), 0);
    EXPECT_EQ(mesh->CreatePolygons(3, 40000, 30000), 0);
    EXPECT_EQ(mesh->CreatePolygons(3, -1, 0), 0);
    ASSERT_EQ(mesh->CreatePolygons(65535, 1, 0), 1);
    delete mesh;
    EXPECT_FALSE(VectorHeap::Heap().Exists());
    EXPECT_FALSE(FaceHeap::Heap().Exists());
}

TEST(PolygonsGrid, BoundsCoverVisibleFacesOnly)
{
    CPolygonsGrid* mesh = QuadAndTriangle(0x1001);
    mesh->faces[1].hidden = 1;
    mesh->ComputeBounds();
    EXPECT_FLOAT_EQ(mesh->boundsMax.x, 1.0f);

    mesh->faces[0].hidden = 1;
    mesh->ComputeBounds();
    EXPECT_EQ(mesh->radius, 0.0f);
    delete mesh;
}

TEST(PolygonsGrid, FaceNormalsAndTextureCoordinateSets)
{
    CPolygonsGrid* mesh = QuadAndTriangle(0x1001);
    PolygonFace& quad = mesh->faces[0];
    quad.ComputeNormal(mesh->positions);
    EXPECT_FLOAT_EQ(quad.faceNormal.z, 1.0f);
    mesh->positions[5] = mesh->positions[4];  // triangle collapses
    mesh->faces[1].ComputeNormal(mesh->positions);
    EXPECT_EQ(mesh->faces[1].faceNormal.Length(), 0.0f);  // no NaN from a collapsed face

    EXPECT_TRUE(quad.AllocateTexCoords(9));
    EXPECT_EQ(quad.texCoordCount, 28);
    EXPECT_TRUE(quad.AllocateTexCoords(0));
    EXPECT_EQ(quad.texCoordCount, 0);
    EXPECT_EQ(quad.GetTexCoord(0, 0).u, 0.0f);
    delete mesh;
    EXPECT_FALSE(TexCoordHeap::Heap().Exists());
}

TEST(PolygonsGrid, FailedWeightAllocationIsLogged)
{
    TempDirectory folder;
    ScopedStartDirectory start(folder.Path());
    CPolygonsGrid* mesh = new CPolygonsGrid;
    EXPECT_EQ(mesh->CreateVertexWeight(0), 0);
    platform::FailNextHeapAllocs(1);
    EXPECT_EQ(mesh->CreateVertexWeight(5), 0);
    platform::FailNextHeapAllocs(0);
    EXPECT_EQ(mesh->weights, nullptr);
    EXPECT_EQ(mesh->weightCount, 0);
    EXPECT_NE(folder.Read("game.log").find("Error: CPolygonsGrid :: CreateVertexWeight() = NULL\n"),
              std::string::npos);
    delete mesh;
}

TEST(PolygonsGrid, SlerpTakesTheShortArc)
{
    const Vector4 a{{1, 0, 0, 0}};
    const float h = std::sqrt(0.5f);
    const Vector4 quarter{{h, 0, h, 0}};  // 90 degrees about Y
    const Vector4 half = Quaternion::Slerp(a, quarter, 0.5f);
    EXPECT_NEAR(half.v[0], std::cos(0.3926991f), 1e-6f);
    EXPECT_NEAR(half.v[2], std::sin(0.3926991f), 1e-6f);

    // -quarter is the same rotation: the result is the same as towards +quarter.
    const Vector4 negated{{-h, 0, -h, 0}};
    const Vector4 viaNegative = Quaternion::Slerp(a, negated, 0.5f);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(viaNegative.v[i], half.v[i], 1e-6f);
}

TEST(PolygonsGrid, QuaternionRoundTripsThroughTheMatrix)
{
    // Positive trace (a small rotation) and the diagonal branch (180 degrees about X,
    // 170 degrees about Z).
    const Vector4 samples[] = {
        {{std::cos(0.2f), std::sin(0.2f) * 0.6f, std::sin(0.2f) * 0.8f, 0.0f}},
        {{0.0f, 1.0f, 0.0f, 0.0f}},
        {{std::cos(1.4835f), 0.0f, 0.0f, std::sin(1.4835f)}},
    };
    for (const Vector4& q : samples) {
        Matrix4 m;
        m.FromQuaternion(q);
        const Vector4 back = Quaternion::FromRotation(m);
        const float sign = (back.v[0] * q.v[0] + back.v[1] * q.v[1] + back.v[2] * q.v[2] + back.v[3] * q.v[3]) < 0
                               ? -1.0f
                               : 1.0f;
        for (int i = 0; i < 4; ++i) EXPECT_NEAR(sign * back.v[i], q.v[i], 1e-5f) << i;
    }
}

// Unnamed parts and meshes point at one text, which no holder of a part or
// mesh can write through; a given name is a copy of its own, freed with it.
TEST(PolygonsGrid, UnnamedPartsAndMeshesShareOneReadOnlyName)
{
    static_assert(std::is_same_v<decltype(ObjectPart::name), const char*>);
    static_assert(std::is_same_v<decltype(CPolygonsGrid::name), const char*>);
    const int live = SharedHeap().LiveCount();
    {
        ObjectPart part, renamed;
        CPolygonsGrid mesh, renamedMesh;
        EXPECT_STREQ(part.name, "noname");
        EXPECT_EQ(mesh.name, part.name);
        renamed.SetName("door");
        renamedMesh.SetName("door");
        EXPECT_STREQ(renamed.name, "door");
        EXPECT_NE(renamed.name, renamedMesh.name);
        EXPECT_STREQ(part.name, "noname");
        EXPECT_EQ(SharedHeap().LiveCount(), live + 2);
    }
    EXPECT_EQ(SharedHeap().LiveCount(), live);
}
