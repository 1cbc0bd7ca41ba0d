// World files: the exact bytes of an empty world, write-read-write of a world
// that uses every record, the reader's fix-ups, damaged and hostile files,
// atomic saving and the failed-load guard, and the scene's save and backup.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <limits>
#include <string>
#include <type_traits>
#include <vector>

#include "core/name_key.h"
#include "graphics/texture.h"
#include "platform/files.h"
#include "platform/local_time.h"
#include "scene/scene.h"
#include "support/physics_world.h"
#include "support/temp_directory.h"
#include "world/line.h"
#include "world/object.h"
#include "world/object_part.h"
#include "world/physic_body.h"
#include "world/polygons_grid.h"
#include "world/world.h"
#include "world/world_file.h"
#include "world/world_file_bytes.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr size_t kEmptyWorldBytes = 832;
// Offsets in a world without sectors, objects, lines and QuickBar entries.
constexpr size_t kSectorCountAt = 12;
constexpr size_t kObjectCountAt = 16;
constexpr size_t kSettingsAt = 28;
constexpr size_t kCameraFlagAt = kSettingsAt + 80;
constexpr size_t kCameraGroupBytes = 128 + 12 + 32;
constexpr size_t kKeyFlagAt = kCameraFlagAt + 4 + kCameraGroupBytes;
constexpr size_t kKeyGroupBytes = 49 * 4 + 70 * 4;
// From the end of the objects section to the end of the file, with no lines,
// QuickBar entries or BlockSettings.
constexpr size_t kTailAfterObjects = 4 + 4 + 736 + 4 + 64;

Bytes Write(const CWorld& world)
{
    Bytes bytes;
    WriteWorldData(world, bytes);
    return bytes;
}

int Read(CWorld& world, const Bytes& bytes) { return ReadWorldData(world, bytes.data(), bytes.size()); }

// Where two images first differ (the shorter size when one is a prefix), or -1.
long FirstDifference(const Bytes& a, const Bytes& b)
{
    const auto [left, right] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    if (left == a.end() && right == b.end()) return -1;
    return static_cast<long>(left - a.begin());
}

uint32_t Get32(const Bytes& bytes, size_t at)
{
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t{bytes.at(at + i)} << (8 * i);
    return v;
}

void Put32(Bytes& bytes, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) bytes.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
}

Bytes FileBytes(const std::string& path)
{
    Bytes bytes;
    EXPECT_TRUE(platform::ReadWholeFile(path, bytes));
    return bytes;
}

Vector3 V(float x, float y, float z) { return Vector3{x, y, z}; }

// Points every face at its mesh's arrays, as the mesh creators do.
void LinkFaces(CPolygonsGrid& mesh)
{
    mesh.SaveBasePositions();
    for (uint32_t f = 0; f < mesh.faceCount; ++f) {
        PolygonFace& face = mesh.faces[f];
        face.cornerIndices = mesh.cornerIndices + face.firstIndex;
    }
}

// A polygon-list part mesh: a triangle (corners 0-2) then quads, each corner
// pointing at a vertex, with positions, normals and corner flags filled.
void FillPolygonMesh(CPolygonsGrid& mesh, float seed)
{
    for (uint32_t v = 0; v < mesh.vertexCount; ++v) {
        mesh.unscaledPositions[v] = V(seed + v, 2.0f * v, -1.0f * v);
        mesh.positions[v] = V(seed + 2.0f * v, 4.0f * v, -2.0f * v);
        mesh.normals[v] = V(0.0f, 1.0f, 0.0f);
    }
    for (int i = 0; i < mesh.cornerIndexCount; ++i) {
        mesh.cornerIndices[i] = static_cast<uint16_t>(i % std::max<int>(mesh.vertexCount, 1));
        if (mesh.cornerFlags) mesh.cornerFlags[i] = static_cast<uint8_t>(i + 1);
    }
    uint32_t first = 0;
    for (uint32_t f = 0; f < mesh.faceCount; ++f) {
        PolygonFace& face = mesh.faces[f];
        face.corners = static_cast<int8_t>(static_cast<int>(f) < mesh.triangleCount ? 3 : 4);
        face.firstIndex = first;
        first += static_cast<uint32_t>(face.corners);
        face.faceByte1 = static_cast<uint8_t>(f + 1);
        face.faceByte2 = static_cast<uint8_t>(f % 7);
        face.hidden = static_cast<uint8_t>(f & 1);
        face.ShadingMode = 1;
        face.VertexFormat = 0x1001 + 2 * static_cast<int32_t>(f);
        face.faceNormal = V(0.0f, 0.0f, 1.0f);
        face.flatNormal = V(0.0f, 1.0f, 0.0f);
        face.AllocateTexCoords(static_cast<uint8_t>(1 + f % 2));
        for (uint16_t i = 0; i < face.texCoordCount; ++i) face.texCoords[i] = TexCoord{0.25f * i, seed - i};
    }
    LinkFaces(mesh);
}

void FillJoint(JointRecord& j)
{
    uint32_t next = 1000;
    j.flag = 9;
    j.value = next++;
    for (int k = 0; k < 32; ++k) j.a[k] = next++, j.b[k] = next++, j.c[k] = next++;
    for (uint32_t& w : j.w0to8) w = next++;
    for (uint32_t& w : j.w9to11) w = next++;
    for (uint32_t& w : j.w14to16) w = next++;
    j.w12 = next++;
    j.w13 = next++;
    j.h0 = 1, j.h1 = 2, j.h2 = 3, j.h3 = 4, j.h4 = 5, j.h5 = 6;
}

void FillObjectFields(CNBObject& o, uint64_t id, const char* name)
{
    o.Id = id;
    o.SetName(name);
    o.SetSubName("lid");
    o.HeadFlag = 1;
    o.Kind = 2;
    o.HeadByte = 3;
    o.HeadInt = -4;
    o.Center = V(1, 2, 3);
    o.CenterCopy = V(4, 5, 6);
    o.Radius = 7.5f;
    o.RadiusCopy = 8.5f;
    o.WorldMatrix.m[12] = 10.0f;
    o.WorldMatrix.m[1] = 0.5f;
    o.Scale = V(2, 3, 4);
    o.SecondName = u"second";
    o.TypeName = u"BoxWhite";
    o.ShapeKind = 1;
    o.AnimationWords[0] = -1, o.AnimationWords[1] = 5, o.AnimationWords[2] = 6;
    o.RenderByte = 7;
    o.RenderInt = 8;
    o.RenderBytes[0] = 1, o.RenderBytes[1] = 2, o.RenderBytes[2] = 3;
    o.IdInt = 11;
    o.SceneInt = 12;
    o.FloatRecordFlag = 1;
    o.FloatRecords = new FloatRecordGroup;
    for (int i = 0; i < 10; ++i) o.FloatRecords->values[i] = 0.5f * i;
    o.FloatRecords->jointMatrix.m[3] = 13.0f;
    o.StaticFlag = 0;
    o.Ambient = Vector4{{0.1f, 0.2f, 0.3f, 0.4f}};
    o.Diffuse = Vector4{{0.5f, 0.6f, 0.7f, 0.8f}};
    o.Specular = Vector4{{0.9f, 1.0f, 1.1f, 1.2f}};
    o.BoxMin = V(-1, -2, -3);
    o.BoxMax = V(1, 2, 3);
    o.SetStringA("alpha");
    o.Joint = new JointRecord;
    FillJoint(*o.Joint);
}

// The fields of a file image in the order the format lays them out. Run once
// without an image, it gives every field it names a value of its own, so no
// two neighbours can trade places unnoticed; run again over the image written
// from those values, it fails at the first field not holding its value.
class FileFields {
public:
    explicit FileFields(const Bytes* image = nullptr) : image_(image) {}
    template <class T> void U8(T& field) { Field(field, 1); }
    template <class T> void U16(T& field) { Field(field, 2); }
    template <class T> void U32(T& field) { Field(field, 4); }
    void U64(uint64_t& field) { Field(field, 8); }
    void F32(float& field) { Field(field, 4); }
    void F64(double& field) { Field(field, 8); }
    void Vec3(Vector3& v) { F32(v.x), F32(v.y), F32(v.z); }
    void Floats(float* v, int n) { for (int i = 0; i < n; ++i) F32(v[i]); }
    // What the format fixes: constants, zeros, counts and strings.
    void Is(uint64_t value, size_t bytes) { Expect(value, bytes); }
    void Zeros(size_t words) { for (size_t i = 0; i < words; ++i) Expect(0, 4); }
    void Narrow(const std::string& text) { Is(text.size(), 2); for (char c : text) Is(static_cast<uint8_t>(c), 1); }
    void Wide(const std::u16string& text) { Is(text.size(), 2); for (char16_t c : text) Is(c, 2); }
    size_t At() const { return at_; }

private:
    template <class T> void Field(T& field, size_t bytes)
    {
        uint64_t bits = 0;
        if constexpr (std::is_floating_point_v<T>) {
            if (!image_) field = static_cast<T>(next_++ + 0.5);
            std::memcpy(&bits, &field, sizeof field);
        } else {
            if (!image_) field = static_cast<T>(next_++);
            bits = static_cast<uint64_t>(field) & (~uint64_t{0} >> (64 - 8 * bytes));
        }
        Expect(bits, bytes);
    }
    void Expect(uint64_t want, size_t bytes)
    {
        if (!image_) return;
        uint64_t got = 0;
        for (size_t i = 0; i < bytes && at_ + i < image_->size(); ++i) got |= uint64_t{(*image_)[at_ + i]} << (8 * i);
        if (ok_ && (at_ + bytes > image_->size() || got != want)) {
            ok_ = false;
            ADD_FAILURE() << "the field at byte " << at_ << " holds " << got << " instead of " << want;
        }
        at_ += bytes;
    }
    const Bytes* image_;
    uint32_t next_ = 1;
    size_t at_ = 0;
    bool ok_ = true;
};

// A world that uses every record of the file: sectors with a null slot, a
// grid object with all four mesh levels, a polygon-list object whose further
// meshes come from its head byte, a mesh with more vertices than corner
// flags, every line kind, QuickBar, settings, key table and BlockSettings.
void FillRichWorld(CWorld& w)
{
    ASSERT_TRUE(w.RecreateSectors(2));
    w.sectors[0]->sectorId = 7;
    w.sectors[0]->radius = 12.5f;
    w.sectors[0]->boundsMin = V(-1, -2, -3);
    w.sectors[0]->boundsMax = V(4, 5, 6);
    w.sectors[0]->boundsCentre = V(1.5f, 1.5f, 1.5f);
    w.sectors[1]->sectorId = 8;
    w.sectors.insert(w.sectors.begin() + 1, nullptr);

    // A grid part: the main grid and its three halved levels.
    auto* grid = new CNBObject;
    FillObjectFields(*grid, 42, "terrain");
    ASSERT_TRUE(grid->AllocateParts(1));
    ObjectPart& gridPart = grid->Parts[0];
    ASSERT_EQ(gridPart.CreateGridLevels(8, 8), 1);
    gridPart.SetName("grid");
    gridPart.latePair[0] = 5, gridPart.latePair[1] = -6;
    for (int i = 0; i < 8; ++i) gridPart.words[i] = 100u + i;
    gridPart.headBytes[1] = 2;
    CPolygonsGrid& main = *gridPart.mainMesh;
    for (uint32_t v = 0; v < main.vertexCount; ++v) main.positions[v] = main.unscaledPositions[v] = V(v % 9, 0, v / 9);
    for (uint32_t f = 0; f < main.faceCount; ++f) {
        main.faces[f].corners = 4;
        main.faces[f].firstIndex = 4 * f;
        main.faces[f].VertexFormat = 0x1001;
        const uint16_t corner = static_cast<uint16_t>(f / 8 * 9 + f % 8);
        const uint16_t quad[4] = {corner, static_cast<uint16_t>(corner + 1), static_cast<uint16_t>(corner + 10),
                                  static_cast<uint16_t>(corner + 9)};
        std::memcpy(main.cornerIndices + 4 * f, quad, sizeof(quad));
    }
    LinkFaces(main);
    main.textureNames[0].name = u"ground.dds";
    main.textureNames[4].name = u"bump.dds";
    main.meshByte1 = 9;
    main.meshByte2 = 8;
    w.objects.push_back(grid);
    w.objects.push_back(nullptr);

    // A polygon list with further meshes made by the part's head byte.
    auto* list = new CNBObject;
    FillObjectFields(*list, 43, "crate");
    list->SetStringB("beta");
    ASSERT_TRUE(list->AllocateParts(2));
    ObjectPart& listPart = list->Parts[0];
    ASSERT_TRUE(listPart.CreateGrid(6, 1, 1));
    listPart.headBytes[0] = 1;
    listPart.partInt = 0x1FF;
    FillPolygonMesh(*listPart.mainMesh, 3.0f);
    listPart.mainMesh->textureNames[1].name = u"unused.dds";
    listPart.mainMesh->textureNames[2].name = u"detail.dds";
    auto* texture = new CTexture;
    texture->SetName(u"linked.dds");
    w.textures.push_back(texture);
    listPart.mainMesh->textures[0] = texture;  // a linked texture is stored by its own name
    CPolygonsGrid* further = listPart.CreateFurtherMesh(0);
    ASSERT_TRUE(further && further->CreatePolygons(3, 1, 0));
    FillPolygonMesh(*further, 5.0f);
    ASSERT_TRUE(listPart.CreateFurtherMesh(1));                                   // empty, never shaped
    ASSERT_TRUE(listPart.CreateFurtherMesh(2) && listPart.furtherMeshes[2]->CreatePolygons(0, 0, 0));
    ObjectPart& tallPart = list->Parts[1];                                        // vertices past the flags
    ASSERT_TRUE(tallPart.CreateGrid(10, 1, 0));
    FillPolygonMesh(*tallPart.mainMesh, 7.0f);
    w.objects.push_back(list);

    auto* bare = new CNBObject;  // no parts, no optional texts
    bare->Id = 44;
    w.objects.push_back(bare);

    for (int kind = kPolyline; kind <= kBSpline; ++kind) {
        auto* line = new CLine;
        line->LineType = kind;
        line->active = static_cast<uint8_t>(kind == 2);
        line->attribute = 0xABC0u + kind;
        line->order = 3 + kind;
        line->roundness = 0.5f * kind;
        line->samplesPerSpan = 2 * kind;
        for (int i = 0; i < 4 + kind; ++i) {
            *line->AddPoint() = V(i, kind, -i);
            line->pointFlags[i] = static_cast<uint8_t>(i * kind);
        }
        w.lines.push_back(line);
        if (kind == 1) w.lines.push_back(nullptr);
    }

    for (const char16_t* name : {u"BoxWhite", u"Plate 1mX2m"}) {
        auto* type = new BlockType;
        type->Init();
        type->name = name;
        w.blockTypes.push_back(type);
        w.quickBar.push_back(type);
    }
    w.quickBar.insert(w.quickBar.begin() + 1, nullptr);

    w.moveFactor = 1.5f, w.fieldOfView = 60.0f, w.nearPlane = 0.3f, w.farPlane = 900.0f;
    w.showPlacementFrame = 0, w.sceneOptionB = 2, w.physicsActive = 0, w.sceneOptionD = 3, w.sceneOptionE = 4;
    w.sceneValueA = 0.25f, w.turnFactor = 2.5f, w.previewScale = V(1.5f, 2.5f, 3.5f), w.sceneValueD = 0.3f;
    w.mouseRotateStep = 30.0f, w.impulseStrength = 6.0f, w.sceneOptionF = 5, w.flyCamera = 0, w.sceneOptionG = 6;
    w.sceneValueB = 0.2f, w.sceneValueC = 0.7f, w.physicsPaused = 1, w.smoothCamera = 1, w.physicsQuality = 2;
    w.cameraRampTime = 3.0f, w.physicsTimeScale = 2.5f;
    w.cameraMatrix.m[15] = 2.0;
    w.cameraPosition = V(9, 8, 7);
    for (int slot = 0; slot < kKeyTableSlots; ++slot) w.keyTable[slot] = 3 * slot + 1;

    BlockSettings first;
    first.name = u"BoxWhite";
    first.pitch = 10.0f, first.roll = 20.0f, first.yaw = 30.0f;
    first.vectorA = Vector4{{1, 2, 3, 4}};
    first.vectorB = Vector4{{5, 6, 7, 8}};  // not stored
    w.blockSettings.push_back(first);
    BlockSettings second;
    second.name = u"RedBall 0.5m";
    w.blockSettings.push_back(second);
    w.sunAngleA = 0.0f;
    w.sunAngleB = 10.0f;
    // The reader recomputes every object's bounds; stored ones that agree come back unchanged.
    for (CNBObject* object : w.objects)
        if (object) object->ComputeBounds();
}

// What the block library does once a world is open: the QuickBar names read
// become the QuickBar, here from block types made for them.
void ResolveQuickBar(CWorld& world)
{
    for (const std::u16string& name : world.quickBarNames) {
        auto* type = new BlockType;
        type->Init();
        type->name = name;
        world.blockTypes.push_back(type);
        world.quickBar.push_back(type);
    }
}

// An object of one polygon-list part (a triangle, no texture coordinates).
CNBObject* NewTriangleObject(uint64_t id)
{
    auto* object = new CNBObject;
    object->Id = id;
    object->SetName("tri");
    object->AllocateParts(1);
    object->Parts[0].CreateGrid(3, 1, 0);
    FillPolygonMesh(*object->Parts[0].mainMesh, 1.0f);
    return object;
}

// The time_t of a local calendar time.
std::time_t LocalTime(int year, int month, int day, int hour, int minute, int second)
{
    std::tm t{};
    t.tm_year = year - 1900, t.tm_mon = month - 1, t.tm_mday = day;
    t.tm_hour = hour, t.tm_min = minute, t.tm_sec = second, t.tm_isdst = -1;
    return std::mktime(&t);
}

// Lends a world to a scene for one test: the link is cut before the scene
// goes, so the scene never owns the test's world.
class LentWorld {
public:
    LentWorld(CScene& scene, CWorld& world) : scene_(scene) { scene_.world = &world; }
    ~LentWorld() { scene_.world = nullptr; }
    LentWorld(const LentWorld&) = delete;
    LentWorld& operator=(const LentWorld&) = delete;

private:
    CScene& scene_;
};

class ScopedTimeSource {
public:
    explicit ScopedTimeSource(std::time_t fixed) { platform::SetTimeSource([fixed] { return fixed; }); }
    ~ScopedTimeSource() { platform::SetTimeSource(nullptr); }
};

}  // namespace

TEST(WorldFileTest, EmptyWorldIsExactly832Bytes)
{
    CWorld world;
    ASSERT_EQ(Write(world).size(), kEmptyWorldBytes);

    // An object without parts, body or float record: 293 bytes of fields and
    // the physics (52), material (268) and joint (517) groups.
    CWorld one;
    one.objects.push_back(new CNBObject);
    EXPECT_EQ(Write(one).size() - kEmptyWorldBytes, 293u + 52u + 268u + 517u);
}

TEST(WorldFileTest, EveryFieldLiesAtItsPlaceInTheFile)
{
    // One record of every kind, each optional group present.
    PhysicsWorld physics;  // outlives the world, whose object's body is in it
    CWorld w;
    ASSERT_TRUE(w.RecreateSectors(1));
    Sector& sector = *w.sectors[0];
    auto* o = new CNBObject;
    w.objects.push_back(o);
    o->InitODEPhysic();
    o->PhysicBody->CreateBoxBody(o, physics.World(), physics.Shapes(), Vector3{}, 1, 1, 1, 5.0f);
    ASSERT_NE(o->PhysicBody->Body, nullptr);
    o->SetName("name"), o->SetSubName("sub"), o->SetStringA("a"), o->SetStringB("bb");
    o->SecondName = u"second", o->TypeName = u"type";
    ASSERT_TRUE(o->AllocateParts(1));
    ObjectPart& part = o->Parts[0];
    ASSERT_TRUE(part.CreateGrid(3, 1, 0));
    part.SetName("part");
    CPolygonsGrid& m = *part.mainMesh;
    m.SetName("mesh");
    for (int slot : {0, 1, 2, 3, 4}) m.textureNames[slot].name = u"t" + std::u16string(1, u'0' + slot);
    for (int v = 0; v < 3; ++v) m.cornerIndices[v] = static_cast<uint16_t>(2 - v);
    PolygonFace& face = m.faces[0];
    face.corners = 3, face.firstIndex = 0;
    face.AllocateTexCoords(1);
    LinkFaces(m);
    auto* line = new CLine;
    w.lines.push_back(line);
    line->LineType = kBSpline;
    line->AddPoint(), line->AddPoint();
    auto* type = new BlockType;
    type->Init();
    type->name = u"quick";
    w.blockTypes.push_back(type);
    w.quickBar.push_back(type);
    w.blockSettings.push_back(BlockSettings{});
    BlockSettings& settings = w.blockSettings[0];
    settings.name = u"block";

    o->Joint = new JointRecord;
    o->FloatRecords = new FloatRecordGroup;
    JointRecord& j = *o->Joint;
    auto layout = [&](FileFields& f) {
        for (char c : std::string("vesk_v0.004", 12)) f.Is(static_cast<uint8_t>(c), 1);
        f.Is(1, 4), f.U32(sector.sectorId), f.U32(sector.reserved0), f.F32(sector.radius);
        f.Vec3(sector.boundsMin), f.Vec3(sector.boundsMax), f.Vec3(sector.boundsCentre);

        f.Is(1, 4), f.U64(o->Id), f.Narrow("name"), f.Narrow("sub");
        f.U8(o->HeadFlag), f.U32(o->Kind), f.U8(o->HeadByte), f.U32(o->HeadInt);
        f.Vec3(o->Center), f.Vec3(o->CenterCopy), f.F32(o->Radius), f.F32(o->RadiusCopy);
        f.Floats(o->WorldMatrix.m, 16), f.Zeros(12), f.Vec3(o->Scale), f.Zeros(2);
        f.Wide(u"second"), f.Wide(u"type"), f.U32(o->ShapeKind);
        f.Is(1, 1), f.Floats(o->ShapeSize, 3), f.Floats(o->PhysicsValues, 5), f.F32(o->Mass), f.Zeros(18);
        f.F32(o->Radius), f.F32(o->RadiusCopy);
        for (int32_t& word : o->AnimationWords) f.U32(word);
        f.U8(o->RenderByte), f.U32(o->RenderInt);
        for (uint8_t& b : o->RenderBytes) f.U8(b);
        f.U32(o->AnimationWords[0]), f.U8(o->RenderByte), f.U32(o->IdInt), f.U32(o->SceneInt);
        f.U32(o->FloatRecordFlag), f.Floats(o->FloatRecords->values, 4), f.Floats(o->FloatRecords->values + 7, 3);
        f.Floats(o->FloatRecords->jointMatrix.m, 16);
        f.Is(0, 2), f.Is(1, 1), f.U8(o->StaticFlag), f.Is(0, 3), f.Zeros(12);
        f.Is(1, 1), f.Floats(o->Ambient.v, 4), f.Zeros(4), f.Floats(o->Diffuse.v, 4), f.Zeros(4);
        f.Floats(o->Specular.v, 4), f.Zeros(47);
        f.Vec3(o->BoxMin), f.Vec3(o->BoxMax), f.Vec3(o->Center), f.Is(1, 4), f.Narrow("a"), f.Narrow("bb");
        // The joint record, in its stored order.
        f.Is(1, 1), f.U8(j.flag), f.U32(j.value), f.Zeros(1);
        for (uint32_t* word : {&j.w0to8[0], &j.w0to8[2], &j.w0to8[8], &j.w9to11[1], &j.w9to11[2], &j.w0to8[3],
                               &j.w0to8[4]})
            f.U32(*word);
        for (int k = 0; k < 32; ++k) f.U32(j.a[k]), f.U32(j.b[k]), f.U32(j.c[k]);
        for (int k : {1, 5, 6, 7}) f.U32(j.w0to8[k]);
        f.U16(j.h4), f.U16(j.h5);
        for (uint32_t& word : j.w14to16) f.U32(word);
        f.U16(j.h0), f.U32(j.w9to11[0]), f.U16(j.h2), f.U32(j.w12), f.U32(j.w13), f.U16(j.h3), f.U16(j.h1);
        f.Zeros(11);

        f.Is(1, 4), f.Narrow("part"), f.U32(part.latePair[0]), f.U32(part.latePair[1]);
        for (int k = 0; k < 8; ++k) f.U32(part.words[k]);  // the first eight of its words
        f.Is(0, 1), f.U8(part.headBytes[1]), f.U8(part.PartKind), f.U8(part.partInt), f.Is(4, 1);
        f.Is(1, 1), f.Narrow("mesh"), f.U32(m.modeWords[0]), f.U32(m.modeWords[1]);
        f.Is(2, 1), f.U8(m.meshByte1), f.U8(m.meshByte2), f.Is(3, 2), f.U16(m.rowCount1), f.U16(m.columnCount1);
        f.Is(3, 4), f.Is(1, 4), f.Is(1, 4), f.Is(0, 4);
        f.F32(m.radius), f.Vec3(m.boundsMin), f.Vec3(m.boundsMax), f.Vec3(m.boundsCenter);
        f.Wide(u"t0"), f.Wide(u"t1"), f.Wide(u"t2"), f.Wide(u"t4");
        for (int v = 0; v < 3; ++v)
            f.Vec3(m.unscaledPositions[v]), f.Vec3(m.positions[v]), f.Vec3(m.normals[v]), f.U8(m.cornerFlags[v]);
        f.Is(2, 2), f.Is(1, 2), f.Is(0, 2);
        f.U8(face.faceByte1), f.U8(face.faceByte2), f.U8(face.hidden), f.U8(face.ShadingMode);
        f.U32(face.VertexFormat), f.Vec3(face.faceNormal), f.Vec3(face.flatNormal);
        f.Is(3, 1), f.Is(0, 4), f.Is(0, 1), f.Is(3, 2);
        for (int i = 0; i < 3; ++i) f.F32(face.texCoords[i].u), f.F32(face.texCoords[i].v);
        f.Is(0, 1), f.Is(0, 1), f.Is(0, 1);  // no further meshes

        f.Is(1, 4), f.Is(kBSpline, 4), f.U8(line->active), f.U32(line->attribute), f.U32(line->order);
        f.F32(line->roundness), f.U32(line->samplesPerSpan), f.Is(2, 4);
        for (int i = 0; i < 2; ++i) f.Vec3(line->points[i]), f.U8(line->pointFlags[i]);
        f.Is(1, 4), f.Wide(u"quick");

        for (float* v : {&w.moveFactor, &w.fieldOfView, &w.nearPlane, &w.farPlane}) f.F32(*v);
        for (uint8_t* b : {&w.showPlacementFrame, &w.sceneOptionB, &w.physicsActive, &w.sceneOptionE}) f.U8(*b);
        f.F32(w.sceneValueA), f.F32(w.turnFactor), f.Vec3(w.previewScale), f.F32(w.sceneValueD);
        f.F32(w.mouseRotateStep), f.F32(w.impulseStrength);
        for (uint8_t* b : {&w.sceneOptionF, &w.flyCamera, &w.sceneOptionD, &w.sceneOptionG}) f.U8(*b);
        f.F32(w.sceneValueB), f.F32(w.sceneValueC);
        f.U8(w.physicsPaused), f.U8(w.smoothCamera), f.U8(w.physicsQuality), f.Is(0, 1);
        f.F32(w.cameraRampTime), f.F32(w.physicsTimeScale), f.Zeros(1), f.Is(1, 4);
        for (double& v : w.cameraMatrix.m) f.F64(v);
        f.Vec3(w.cameraPosition), f.Zeros(8), f.Is(1, 4);
        // 49 of the 50 key slots: slot 31 is not stored.
        for (int slot : {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 23, 24, 25,
                         26, 27, 28, 29, 30, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 47, 21, 22, 48, 49, 45, 46})
            f.U32(w.keyTable[slot]);
        f.Zeros(70);
        f.Is(1, 4), f.Wide(u"block"), f.F32(settings.pitch), f.F32(settings.roll), f.F32(settings.yaw);
        f.Floats(settings.vectorA.v, 4), f.Zeros(12);
        f.F32(w.sunAngleA), f.F32(w.sunAngleB), f.Zeros(14);
    };
    FileFields fill;
    layout(fill);
    const Bytes bytes = Write(w);
    FileFields check(&bytes);
    layout(check);
    EXPECT_EQ(check.At(), bytes.size());

    // The reader takes the body group and then the physics byte read after it.
    CWorld back;
    ASSERT_EQ(Read(back, bytes), 1);
    EXPECT_EQ(back.objects.at(0)->HasRigidBody, 1);
    EXPECT_EQ(back.objects.at(0)->StaticFlag, o->StaticFlag);
}

TEST(WorldFileTest, RichWorldWritesReadsAndWritesTheSameBytes)
{
    CWorld world;
    FillRichWorld(world);
    world.keyTable[31] = 999;  // never stored
    const Bytes first = Write(world);
    EXPECT_EQ(Get32(first, kSectorCountAt), 2u);  // null entries are not counted

    CWorld back;
    ASSERT_EQ(Read(back, first), 1);
    ResolveQuickBar(back);
    EXPECT_EQ(FirstDifference(Write(back), first), -1);

    ASSERT_EQ(back.sectors.size(), 2u);
    EXPECT_EQ(back.sectors[0]->position.x, 1.5f);
    ASSERT_EQ(back.objects.size(), 3u);
    const CNBObject& grid = *back.objects[0];
    EXPECT_EQ(back.nextObjectId, 44u);  // numbering goes on after the highest stored id
    ASSERT_EQ(grid.PartCount, 1);
    for (const CPolygonsGrid* level : grid.Parts[0].furtherMeshes) ASSERT_NE(level, nullptr);
    EXPECT_EQ(grid.Parts[0].mainMesh->textureNames[0].hash, NameHash(u"ground.dds"));
    EXPECT_EQ(grid.Parts[0].mainMesh->faces[9].cornerIndices, grid.Parts[0].mainMesh->cornerIndices + 36);
    const CNBObject& list = *back.objects[1];
    EXPECT_EQ(list.Parts[0].partInt, 0xFF);
    EXPECT_EQ(list.Parts[0].mainMesh->textureNames[0].name, u"linked.dds");
    EXPECT_EQ(back.objects[2]->StringA, nullptr);
    ASSERT_EQ(back.lines.size(), 3u);
    EXPECT_EQ(back.keyTable[31], 0);
    EXPECT_EQ(back.keyTable[46], 3 * 46 + 1);
    EXPECT_EQ(back.quickBarNames, (std::vector<std::u16string>{u"BoxWhite", u"Plate 1mX2m"}));
    ASSERT_EQ(back.blockSettings.size(), 2u);
    EXPECT_EQ(back.blockSettings[0].vectorB.v[0], 0.0f);
    EXPECT_EQ(back.sunAngleA, 0.0f);  // (0, 10) is kept
    EXPECT_EQ(back.sunAngleB, 10.0f);
}

TEST(WorldFileTest, ReaderAppliesItsFixUps)
{
    CWorld world;
    world.objects.push_back(NewTriangleObject(0));
    world.objects.push_back(NewTriangleObject(77));
    world.objects.push_back(NewTriangleObject(0));
    world.objects[0]->Scale = V(0.0f, -2.0f, 3.0f);
    world.objects[1]->ShapeKind = 6;
    world.objects[1]->Parts[0].mainMesh->faces[0].faceByte2 = 9;
    world.physicsTimeScale = 0.05f;
    world.sunAngleA = world.sunAngleB = 0.0f;

    CWorld back;
    ASSERT_EQ(Read(back, Write(world)), 1);
    ASSERT_EQ(back.objects.size(), 3u);
    EXPECT_EQ(back.objects[0]->Id, 1u);
    EXPECT_EQ(back.objects[1]->Id, 77u);
    EXPECT_EQ(back.objects[2]->Id, 78u);  // never a stored id again
    EXPECT_EQ(back.nextObjectId, 78u);
    EXPECT_EQ(back.objects[0]->Scale.x + back.objects[0]->Scale.y + back.objects[0]->Scale.z, 5.0f);  // 1, 1, 3
    EXPECT_EQ(back.objects[1]->HasRigidBody, 1);
    EXPECT_EQ(back.objects[0]->HasRigidBody, 0);
    EXPECT_EQ(back.objects[1]->Parts[0].mainMesh->faces[0].faceByte2, 6);
    EXPECT_EQ(back.physicsTimeScale, 1.0f);
    EXPECT_EQ(back.sunAngleA, 40.0f);
    EXPECT_EQ(back.sunAngleB, 50.0f);
}

TEST(WorldFileTest, OptionalSettingsGroupsMayBeAbsent)
{
    CWorld world;
    world.cameraMatrix.m[0] = 5.0;
    world.keyTable[0] = 'Z';
    world.keyTable[31] = 123;
    Bytes bytes = Write(world);
    bytes.erase(bytes.begin() + kKeyFlagAt + 4, bytes.begin() + kKeyFlagAt + 4 + kKeyGroupBytes);
    Put32(bytes, kKeyFlagAt, 0);
    bytes.erase(bytes.begin() + kCameraFlagAt + 4, bytes.begin() + kCameraFlagAt + 4 + kCameraGroupBytes);
    Put32(bytes, kCameraFlagAt, 0);

    CWorld back;
    ASSERT_EQ(Read(back, bytes), 1);
    EXPECT_EQ(back.cameraMatrix.m[0], 1.0);
    EXPECT_EQ(back.keyTable[0], 'W');
    EXPECT_EQ(back.keyTable[31], 0);
}

TEST(WorldFileTest, TruncationAtEveryOffsetFailsCleanly)
{
    TempDirectory folder;
    ScopedStartDirectory start(folder.Path());  // the log goes there
    CWorld world;
    FillRichWorld(world);
    const Bytes bytes = Write(world);
    size_t kept = 0;
    for (size_t size = 0; size < bytes.size(); ++size) {
        CWorld back;
        ASSERT_EQ(ReadWorldData(back, bytes.data(), size), 0) << size;
        ASSERT_GE(back.objects.size(), kept) << size;  // complete records stay, in order
        kept = back.objects.size();
        for (const CNBObject* object : back.objects) ASSERT_NE(object->Name, nullptr);
    }
    EXPECT_EQ(kept, 3u);
}

TEST(WorldFileTest, AnyChangedMagicByteIsRefused)
{
    TempDirectory folder;
    ScopedStartDirectory start(folder.Path());
    CWorld source;
    FillRichWorld(source);
    for (size_t i : {0, 10}) {
        Bytes bad = Write(source);
        bad[i] ^= 0x20;
        CWorld back;
        EXPECT_EQ(Read(back, bad), 0) << i;
        EXPECT_TRUE(back.sectors.empty() && back.objects.empty()) << i;
    }
}

TEST(WorldFileTest, CountsLargerThanTheFileAreRefusedBeforeAnythingIsMade)
{
    TempDirectory folder;
    ScopedStartDirectory start(folder.Path());
    CWorld empty;
    const Bytes good = Write(empty);
    for (size_t at : {kSectorCountAt, kObjectCountAt, kObjectCountAt + 4, kObjectCountAt + 8}) {
        Bytes bad = good;
        Put32(bad, at, 0x7FFFFFFF);
        CWorld back;
        EXPECT_EQ(Read(back, bad), 0) << at;
        EXPECT_TRUE(back.sectors.empty() && back.objects.empty() && back.lines.empty()) << at;
    }
    Bytes negative = good;
    Put32(negative, kSectorCountAt, 0xFFFFFFFB);  // -5: none
    CWorld back;
    EXPECT_EQ(Read(back, negative), 1);
    EXPECT_TRUE(back.sectors.empty());
}

TEST(WorldFileTest, MeshesThatDisagreeWithTheirCountsAreRefused)
{
    TempDirectory folder;
    ScopedStartDirectory start(folder.Path());
    enum Damage { kTriangleCount, kFirstIndex, kCorners, kSlotCount };
    for (Damage damage : {kTriangleCount, kFirstIndex, kCorners, kSlotCount}) {
        CWorld world;
        world.objects.push_back(NewTriangleObject(1));
        CPolygonsGrid& mesh = *world.objects[0]->Parts[0].mainMesh;
        Bytes bytes;
        if (damage == kTriangleCount) {
            mesh.triangleCount = 2;
            bytes = Write(world);
            mesh.triangleCount = 1;
        } else if (damage == kFirstIndex) {
            mesh.faces[0].firstIndex = 1;  // corners 1..3 of three
            bytes = Write(world);
        } else if (damage == kCorners) {
            mesh.faces[0].corners = 5;
            bytes = Write(world);
        } else {
            // A part without meshes ends with its slot count and four empty slots.
            CWorld bare;
            bare.objects.push_back(new CNBObject);
            bare.objects[0]->AllocateParts(1);
            bytes = Write(bare);
            const size_t slotCountAt = bytes.size() - kTailAfterObjects - 5;
            ASSERT_EQ(bytes[slotCountAt], 4);
            bytes[slotCountAt] = 5;
        }
        CWorld back;
        EXPECT_EQ(Read(back, bytes), 0) << damage;
        EXPECT_TRUE(back.objects.empty()) << damage;
    }
}

TEST(WorldFileTest, NumbersThatAreNotFiniteNeverEnterTheWorld)
{
    TempDirectory folder;
    ScopedStartDirectory start(folder.Path());
    CWorld world;
    ASSERT_TRUE(world.RecreateSectors(1));
    world.sectors[0]->radius = std::numeric_limits<float>::quiet_NaN();
    world.objects.push_back(NewTriangleObject(1));
    world.objects[0]->Scale.x = std::numeric_limits<float>::infinity();
    world.cameraMatrix.m[5] = -std::numeric_limits<double>::infinity();

    CWorld back;
    ASSERT_EQ(Read(back, Write(world)), 1);
    EXPECT_EQ(back.sectors[0]->radius, 0.0f);
    EXPECT_EQ(back.objects[0]->Scale.x, 1.0f);  // read as 0, then the scale fix-up
    EXPECT_EQ(back.cameraMatrix.m[5], 0.0);
    EXPECT_NE(folder.Read("game.log").find("not finite"), std::string::npos);
}

TEST(WorldFileTest, LongStringsAreCutAndEveryStoredByteIsConsumed)
{
    TempDirectory folder;
    ScopedStartDirectory start(folder.Path());
    // Writing cuts narrow and wide strings to 259 units; a wide one ends at its first NUL.
    CWorld world;
    world.objects.push_back(NewTriangleObject(1));
    world.objects[0]->SetName(std::string(300, 'n').c_str());
    world.objects[0]->TypeName = std::u16string(300, u'w');
    world.objects[0]->SecondName = std::u16string(u"ab\0cd", 5);
    CWorld back;
    ASSERT_EQ(Read(back, Write(world)), 1);
    EXPECT_EQ(std::strlen(back.objects[0]->Name), 259u);
    EXPECT_EQ(back.objects[0]->TypeName.size(), 259u);
    EXPECT_EQ(back.objects[0]->SecondName, u"ab");

    // A stored name longer than the buffer is cut on reading, and the fields after it still line up.
    CWorld shortName;
    shortName.objects.push_back(NewTriangleObject(1));
    shortName.objects[0]->SetName("ab");
    shortName.objects[0]->SetSubName("lid");
    Bytes bytes = Write(shortName);
    const size_t nameAt = kObjectCountAt + 4 + 8;
    ASSERT_EQ(bytes[nameAt], 2);
    bytes.erase(bytes.begin() + nameAt, bytes.begin() + nameAt + 4);
    Bytes longName = {0x2C, 0x01};  // 300
    longName.insert(longName.end(), 300, 'x');
    bytes.insert(bytes.begin() + nameAt, longName.begin(), longName.end());
    CWorld cut;
    ASSERT_EQ(Read(cut, bytes), 1);
    EXPECT_EQ(std::string(cut.objects[0]->Name), std::string(259, 'x'));
    EXPECT_STREQ(cut.objects[0]->SubName, "lid");

    // More texture coordinates than the face keeps (sets past 7, a count that is no multiple of the corners).
    CWorld coords;
    coords.objects.push_back(NewTriangleObject(1));
    PolygonFace& face = coords.objects[0]->Parts[0].mainMesh->faces[0];
    face.corners = 4;
    ASSERT_TRUE(face.AllocateTexCoords(7));
    for (uint16_t i = 0; i < face.texCoordCount; ++i) face.texCoords[i] = TexCoord{float(i), 0.0f};
    face.corners = 3;
    coords.objects.push_back(NewTriangleObject(2));
    CWorld kept;
    ASSERT_EQ(Read(kept, Write(coords)), 1);
    const PolygonFace& read = kept.objects[0]->Parts[0].mainMesh->faces[0];
    EXPECT_EQ(read.texCoordCount, 21);  // 28 / 3 = 9 sets, at most 7 kept
    EXPECT_EQ(read.texCoords[20].u, 20.0f);
    EXPECT_EQ(kept.objects[1]->Id, 2u);
}

TEST(WorldFileTest, SaveWritesTheImageAndLoadReadsItBack)
{
    TempDirectory folder;
    ScopedStartDirectory start(folder.Path());
    CWorld world;
    FillRichWorld(world);
    // Larger than the window the reader takes the file in.
    auto* line = new CLine;
    for (int i = 0; i < 30000; ++i) *line->AddPoint() = V(float(i), 0.5f, -float(i));
    world.lines.push_back(line);
    const std::string path = folder.File("Castle.vsk");
    ASSERT_EQ(world.SaveWorldFile(path.c_str()), 1);
    ASSERT_GT(FileBytes(path).size(), WorldFileBytes::kWindowBytes);
    EXPECT_EQ(FileBytes(path), Write(world));
    EXPECT_FALSE(platform::FileExists(path + ".tmp"));

    CWorld back;
    const std::string typed = folder.File("castle.VSK");  // found ignoring case
    ASSERT_EQ(back.LoadWorldFile(typed.c_str()), 1);
    EXPECT_EQ(back.worldName, typed);
    ResolveQuickBar(back);
    EXPECT_EQ(FirstDifference(Write(back), Write(world)), -1);
    EXPECT_TRUE(back.failedLoadPath.empty());

    CWorld missing;
    const std::string absent = folder.File("absent.vsk");
    EXPECT_EQ(missing.LoadWorldFile(absent.c_str()), 0);
    EXPECT_EQ(missing.worldName, absent);
    EXPECT_TRUE(missing.failedLoadPath.empty());  // nothing there to protect
    EXPECT_EQ(missing.SaveWorldFile(absent.c_str()), 1);
}

TEST(WorldFileTest, FileWindowReadsStraddlingARefillAndAFileShorterThanItsSize)
{
    constexpr size_t kWindow = WorldFileBytes::kSmallestWindowBytes;
    TempDirectory folder;
    std::string counting(2 * kWindow + 100, '\0');
    for (size_t i = 0; i < counting.size(); ++i) counting[i] = static_cast<char>(i * 7);
    folder.Write("bytes", counting);
    const auto* image = reinterpret_cast<const uint8_t*>(counting.data());
    for (size_t start = kWindow - 9; start < kWindow + 2; ++start) {
        std::FILE* file = std::fopen(folder.File("bytes").c_str(), "rb");
        ASSERT_NE(file, nullptr);
        WorldFileBytes in(file, counting.size(), kWindow);
        uint64_t wide = 0;
        uint32_t word = 0;
        ASSERT_TRUE(in.Skip(start));
        ASSERT_TRUE(in.Read(word) && in.Read(wide));
        EXPECT_EQ(word, WorldFileBytes::Little<uint32_t>(image + start)) << start;
        EXPECT_EQ(wide, WorldFileBytes::Little<uint64_t>(image + start + 4)) << start;
        EXPECT_EQ(in.Remaining(), counting.size() - start - 12);
        std::fclose(file);
    }
    // Opened as 50 bytes longer than it is: the last reads fail, nothing is consumed.
    std::FILE* file = std::fopen(folder.File("bytes").c_str(), "rb");
    WorldFileBytes in(file, counting.size() + 50, kWindow);
    ASSERT_TRUE(in.Skip(counting.size() - 2));
    uint32_t word = 0;
    EXPECT_FALSE(in.Read(word));
    EXPECT_EQ(in.Remaining(), 2u);
    std::fclose(file);

    // A whole world through the smallest window reads as from memory.
    CWorld rich;
    FillRichWorld(rich);
    const Bytes written = Write(rich);
    folder.Write("rich.vsk", std::string(written.begin(), written.end()));
    file = std::fopen(folder.File("rich.vsk").c_str(), "rb");
    WorldFileBytes world(file, written.size(), kWindow);
    CWorld throughWindow, fromMemory;
    EXPECT_EQ(ReadWorldBytes(throughWindow, world), 1);
    std::fclose(file);
    ASSERT_EQ(Read(fromMemory, written), 1);
    EXPECT_EQ(FirstDifference(Write(throughWindow), Write(fromMemory)), -1);
}

TEST(WorldFileTest, FailedSavesAreReportedAndLeaveTheOldFileIntact)
{
    TempDirectory folder;
    ScopedStartDirectory start(folder.Path());
    const std::string castle = folder.File("castle.vsk");
    CWorld world;
    FillRichWorld(world);
    folder.Write("castle.vsk", "the good world");
    folder.MakeFolder("castle.vsk.tmp");  // the temporary file cannot be made
    EXPECT_EQ(world.SaveWorldFile(castle.c_str()), 0);
    EXPECT_EQ(WorldFileProblem(), std::strerror(EISDIR));
    EXPECT_EQ(folder.Read("castle.vsk"), "the good world");
    EXPECT_NE(folder.Read("game.log").find("Error: CWorld :: SaveWorldFile() cannot create"), std::string::npos);
    std::filesystem::remove(folder.File("castle.vsk.tmp"));
    ASSERT_EQ(world.SaveWorldFile(castle.c_str()), 1);

    // Over that world: renamed into place, but the folder's flush lost data,
    // so after a power cut the old world could come back. The save fails
    // with that reason, not the earlier one.
    world.sunAngleA = 12.0f;
    platform::FailNextFolderSyncs(1, EIO);
    EXPECT_EQ(world.SaveWorldFile(castle.c_str()), 0);
    EXPECT_EQ(WorldFileProblem(), std::strerror(EIO));
    EXPECT_EQ(FileBytes(castle), Write(world));
    EXPECT_NE(folder.Read("game.log").find("Error: CWorld :: SaveWorldFile() cannot write " + castle + ": " +
                                           std::strerror(EIO)),
              std::string::npos);

    // A file system that does not flush folders at all: the save is made,
    // and the log says why the folder was not flushed.
    world.sunAngleA = 13.0f;
    platform::FailNextFolderSyncs(1, EINVAL);
    EXPECT_EQ(world.SaveWorldFile(castle.c_str()), 1);
    platform::FailNextFolderSyncs(0, EIO);
    EXPECT_EQ(WorldFileProblem(), "");
    EXPECT_EQ(FileBytes(castle), Write(world));
    EXPECT_FALSE(platform::FileExists(castle + ".tmp"));
    EXPECT_NE(folder.Read("game.log").find("saved " + castle + ", but the file system does not flush its folder: " +
                                           std::strerror(EINVAL)),
              std::string::npos);
}

TEST(WorldFileTest, WorldWhoseLoadFailedIsNotSavedOverItsFile)
{
    TempDirectory folder;
    ScopedStartDirectory start(folder.Path());
    CWorld source;
    FillRichWorld(source);
    Bytes damaged = Write(source);
    damaged.resize(damaged.size() - 100);  // ends inside the settings
    folder.Write("castle.vsk", std::string(damaged.begin(), damaged.end()));

    CWorld world;
    platform::ScopedCurrentDirectory keep;
    ASSERT_TRUE(platform::SetCurrentDirectory(folder.Path()));
    EXPECT_EQ(world.LoadWorldFile("castle.vsk"), 0);
    EXPECT_EQ(world.worldName, "castle.vsk");
    EXPECT_FALSE(world.objects.empty());  // what was complete stays
    // The same file under every spelling is refused; another name is not.
    EXPECT_EQ(world.SaveWorldFile("castle.vsk"), 0);
    EXPECT_EQ(world.SaveWorldFile(folder.File("CASTLE.vsk").c_str()), 0);
    EXPECT_EQ(FileBytes(folder.File("castle.vsk")), damaged);
    EXPECT_EQ(world.SaveWorldFile("castle_copy.vsk"), 1);
    EXPECT_TRUE(platform::FileExists(folder.File("castle_copy.vsk")));
}

TEST(WorldFileScene, SaveCurrentWorldCopiesTheLiveSettingsAndPicksTheName)
{
    TempDirectory folder;
    ScopedStartDirectory start(folder.Path());
    platform::ScopedCurrentDirectory keep;
    ASSERT_TRUE(platform::SetCurrentDirectory(folder.Path()));
    CWorld world;
    CScene scene;
    EXPECT_EQ(scene.SaveCurrentWorld("none.vsk"), 0);  // no world
    LentWorld lent(scene, world);
    scene.options.fieldOfView = 55.0f;
    scene.options.physicsQuality = 2;
    scene.cameraBlock.matrix.m[12] = 3.0;
    scene.cameraBlock.extra = 17;
    scene.cameraPosition = V(1, 2, 3);
    world.sunAngleA = 33.0f;

    EXPECT_EQ(scene.SaveCurrentWorld(nullptr), 1);  // no name anywhere: "default.vsk"
    EXPECT_TRUE(platform::FileExists(folder.File("default.vsk")));
    EXPECT_EQ(world.fieldOfView, 55.0f);
    EXPECT_EQ(world.cameraExtra, 17u);
    EXPECT_EQ(world.sunAngleA, 33.0f);
    world.worldName = "named.vsk";
    EXPECT_EQ(scene.SaveCurrentWorld(""), 1);
    EXPECT_EQ(scene.SaveCurrentWorld("given.vsk"), 1);

    CWorld back;
    ASSERT_EQ(back.LoadWorldFile("named.vsk"), 1);
    EXPECT_TRUE(platform::FileExists(folder.File("given.vsk")));
    CScene opened;
    LentWorld lentBack(opened, back);
    opened.CopySettingsFromWorld();
    EXPECT_EQ(opened.options.fieldOfView, 55.0f);
    EXPECT_EQ(opened.options.physicsQuality, 2);
    EXPECT_EQ(opened.cameraBlock.matrix.m[12], 3.0);
    EXPECT_EQ(opened.cameraPosition.z, 3.0f);

    world.failedLoadPath = folder.File("named.vsk");
    EXPECT_EQ(scene.SaveCurrentWorld(nullptr), 0);  // refused, and said so
}

TEST(WorldFileScene, BackupsAreTimeStampedAndFifteenMinutesApart)
{
    TempDirectory folder;
    ScopedStartDirectory start(folder.Path());
    ScopedTimeSource time(LocalTime(2024, 12, 31, 23, 59, 7));
    folder.MakeFolder("Worlds/Backups");
    const std::string backup = folder.File("Worlds/Backups/castle12_31_2024_23_59_07.vsk");
    CWorld world;
    world.worldName = "castle.vsk";
    CScene scene;
    LentWorld lent(scene, world);

    scene.frameClock = 0xFFFFF000u;  // the clock wraps between the frames
    scene.BackupWorld();
    EXPECT_EQ(scene.lastBackupTime, 0xFFFFF000u);
    EXPECT_FALSE(platform::FileExists(backup));
    scene.frameClock = 0xFFFFF000u + 900000u;
    scene.BackupWorld();
    EXPECT_FALSE(platform::FileExists(backup));
    scene.frameClock += 1;
    scene.BackupWorld();
    EXPECT_TRUE(platform::FileExists(backup));
    EXPECT_EQ(scene.lastBackupTime, 0xFFFFF000u + 900001u);
    EXPECT_FALSE(platform::FileExists(folder.File("castle.vsk")));

    // Without the folder nothing is written, and the next try is 15 minutes later.
    std::filesystem::remove_all(folder.File("Worlds/Backups"));
    const uint32_t tried = scene.frameClock + 900001u;
    scene.frameClock = tried;
    scene.BackupWorld();
    EXPECT_EQ(scene.lastBackupTime, tried);

    // A failed load does not stop backups.
    folder.MakeFolder("Worlds/Backups");
    world.failedLoadPath = folder.File("castle.vsk");
    world.worldName = folder.File("castle.vsk");  // only the bare name is used
    scene.frameClock = tried + 900001u;
    scene.BackupWorld();
    EXPECT_TRUE(platform::FileExists(backup));
}
