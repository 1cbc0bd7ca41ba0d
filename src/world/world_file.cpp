// Reading and writing world files.
//
// Sections:
//   record sizes and field orders     what a count is checked against; stored slot orders
//   writing                           WorldWriter: strings, sectors, objects, parts, mesh
//                                     slots, faces, lines, QuickBar, settings, BlockSettings
//   reading                           WorldReader: the same records in the same order
//   files                             path resolution, CWorld::SaveWorldFile,
//                                     CWorld::LoadWorldFile
//
// The reader trusts nothing in the file: every count is checked against the
// bytes left before anything is made for it, every mesh is made from its
// stored kind and counts and checked against them, every face must lie within
// its mesh's corner indices (the vertex numbers in them are bounded by every
// user of a mesh), strings are cut to their buffers after all their bytes are
// read, and a number that is not finite never enters the world (it is read as
// 0 and the load says so in the log). A record that cannot be read completely
// is dropped; the complete records before it stay.
#include "world/world_file.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <new>
#include <span>
#include <string>
#include <utility>

#include "core/name_key.h"
#include "graphics/texture.h"
#include "platform/files.h"
#include "shell/log.h"
#include "world/line.h"
#include "world/object.h"
#include "world/object_part.h"
#include "world/physic_body.h"
#include "world/polygons_grid.h"
#include "world/save_prefetch.h"
#include "world/world.h"
#include "world/world_file_bytes.h"

namespace {

// ---------------------------------------------------------------------------
// Record sizes and field orders
// ---------------------------------------------------------------------------

// The fewest bytes each record can take in a file. A count is refused when
// this many bytes per record are not left, so no count can make the reader
// allocate more than the file could describe.
constexpr size_t kSectorRecordBytes = 48;
constexpr size_t kMinObjectRecordBytes = 293;   // every optional group absent, no parts
constexpr size_t kMinPartRecordBytes = 47;      // empty name, no mesh slots
constexpr size_t kMinLineRecordBytes = 25;
constexpr size_t kLinePointBytes = 13;
constexpr size_t kMinWideStringBytes = 2;
constexpr size_t kMinBlockSettingsBytes = 78;
constexpr size_t kVertexRecordBytes = 37;
constexpr size_t kCornerIndexBytes = 2;
constexpr size_t kMinFaceRecordBytes = 40;      // no texture coordinates
constexpr size_t kJointRecordBytes = 517;  // the joint fields as stored
// Taken in one piece, with no field-by-field way round a window too small.
static_assert(kMinFaceRecordBytes <= WorldFileBytes::kSmallestWindowBytes &&
              kVertexRecordBytes <= WorldFileBytes::kSmallestWindowBytes);

constexpr size_t kStringBuffer = kWorldFileStringLimit + 1;
constexpr int64_t kLargestWorldFile = int64_t{1} << 32;  // larger files are refused unread
constexpr int kMeshSlots = 4;                   // the main mesh, then the three further meshes
constexpr int kMaxFaceCorners = 4;
constexpr uint8_t kGridMesh = 1;
constexpr uint8_t kPolygonListMesh = 2;

// The mesh texture slots that travel with a mesh.
constexpr int kStoredTextureSlots[4] = {0, 1, 2, 4};

// The key-table slots in file order; slot 31 is not stored.
constexpr int kStoredKeySlots[] = {
    0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20,
    23, 24, 25, 26, 27, 28, 29, 30,
    32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44,
    47, 21, 22, 48, 49, 45, 46,
};
static_assert(sizeof(kStoredKeySlots) / sizeof(kStoredKeySlots[0]) == 49);

// The file image is encoded into a block of this size, handed to the file
// each time it fills, so a large world is never held twice in memory.
constexpr size_t kBlockBytes = size_t{1} << 20;

constexpr uint8_t kZeros[512] = {};

// ---------------------------------------------------------------------------
// Writing
// ---------------------------------------------------------------------------

// Little-endian encoders over a byte cursor; each returns the byte after the field.
template <class U>
uint8_t* PutLittle(uint8_t* at, U v)
{
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(at, &v, sizeof(U));
    } else {
        for (size_t i = 0; i < sizeof(U); ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
    }
    return at + sizeof(U);
}

uint8_t* PutF32(uint8_t* at, float v)
{
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    return PutLittle(at, bits);
}

uint8_t* PutVec3(uint8_t* at, const Vector3& v) { return PutF32(PutF32(PutF32(at, v.x), v.y), v.z); }

// Fields are encoded little-endian straight into one block of the image,
// which is handed on (to the file, or to the bytes kept in memory) each time
// it fills: one bounds check and one store per field, and every byte of the
// image copied once on its way out.
class WorldWriter {
public:
    // With a file the image goes to it a block at a time; without one it collects in Bytes().
    explicit WorldWriter(platform::AtomicFileWriter* file) : file_(file), block_(kBlockBytes) {}

    void WriteWorld(const CWorld& world);
    // Hands on the bytes still in the block. False once any write failed.
    bool Flush()
    {
        Drain();
        return !failed_;
    }
    std::vector<uint8_t>& Bytes()
    {
        Drain();
        return kept_;
    }

private:
    void Hand(const void* data, size_t bytes)
    {
        if (!file_) {
            const auto* p = static_cast<const uint8_t*>(data);
            kept_.insert(kept_.end(), p, p + bytes);
        } else if (!failed_ && bytes > 0 && !file_->Write(data, bytes)) {
            failed_ = true;
        }
    }
    void Drain()
    {
        Hand(block_.data(), filled_);
        filled_ = 0;
    }
    // The next `bytes` (at most kBlockBytes) bytes of the image, to be filled.
    uint8_t* Room(size_t bytes)
    {
        if (filled_ + bytes > kBlockBytes) Drain();
        uint8_t* at = block_.data() + filled_;
        filled_ += bytes;
        return at;
    }
    template <class U>
    void Little(U v)
    {
        PutLittle(Room(sizeof(U)), v);
    }
    void Raw(const void* data, size_t bytes)
    {
        if (bytes > kBlockBytes) {
            Drain();
            Hand(data, bytes);
            return;
        }
        std::memcpy(Room(bytes), data, bytes);
    }

    void U8(uint8_t v) { *Room(1) = v; }
    void U16(uint16_t v) { Little(v); }
    void U32(uint32_t v) { Little(v); }
    void I32(int32_t v) { Little(static_cast<uint32_t>(v)); }
    void U64(uint64_t v) { Little(v); }
    void F32(float v)
    {
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        Little(bits);
    }
    void F64(double v)
    {
        uint64_t bits;
        std::memcpy(&bits, &v, 8);
        Little(bits);
    }
    void Floats(const float* v, int n)
    {
        for (int i = 0; i < n; ++i) F32(v[i]);
    }
    void Vec3(const Vector3& v) { PutVec3(Room(12), v); }
    void Zeros(size_t bytes)
    {
        while (bytes > 0) {
            const size_t n = std::min(bytes, sizeof(kZeros));
            Raw(kZeros, n);
            bytes -= n;
        }
    }
    void Narrow(const char* text);
    void Wide(const std::u16string& text);

    void SectorRecord(const Sector& sector);
    void ObjectRecord(const CNBObject& object);
    void JointFields(const JointRecord& joint);
    void PartRecord(const ObjectPart& part);
    void MeshSlot(const CPolygonsGrid* mesh);
    void FaceRecord(const PolygonFace& face);
    void LineRecord(const CLine& line);
    void Settings(const CWorld& world);

    platform::AtomicFileWriter* file_ = nullptr;
    std::vector<uint8_t> block_;
    size_t filled_ = 0;
    std::vector<uint8_t> kept_;
    bool failed_ = false;
};

void WorldWriter::Narrow(const char* text)
{
    size_t n = 0;
    while (text && n < kWorldFileStringLimit && text[n] != '\0') ++n;
    U16(static_cast<uint16_t>(n));
    if (n) Raw(text, n);
}

void WorldWriter::Wide(const std::u16string& text)
{
    // As a C string: up to the first NUL, cut to what the reader's buffer holds.
    size_t n = 0;
    while (n < text.size() && n < kWorldFileStringLimit && text[n] != u'\0') ++n;
    uint8_t* at = PutLittle(Room(2 + 2 * n), static_cast<uint16_t>(n));
    for (size_t i = 0; i < n; ++i) at = PutLittle(at, static_cast<uint16_t>(text[i]));
}

void WorldWriter::SectorRecord(const Sector& sector)
{
    I32(sector.sectorId);
    I32(sector.reserved0);
    F32(sector.radius);
    Vec3(sector.boundsMin);
    Vec3(sector.boundsMax);
    Vec3(sector.boundsCentre);
}

void WorldWriter::JointFields(const JointRecord& joint)
{
    U8(joint.flag);
    U32(joint.value);
    U32(0);
    const uint32_t* w = joint.w0to8;
    for (uint32_t word : {w[0], w[2], w[8], joint.w9to11[1], joint.w9to11[2], w[3], w[4]}) U32(word);
    for (int k = 0; k < 32; ++k) {
        U32(joint.a[k]);
        U32(joint.b[k]);
        U32(joint.c[k]);
    }
    for (uint32_t word : {w[1], w[5], w[6], w[7]}) U32(word);
    U16(joint.h4);
    U16(joint.h5);
    for (uint32_t word : joint.w14to16) U32(word);
    U16(joint.h0);
    U32(joint.w9to11[0]);
    U16(joint.h2);
    U32(joint.w12);
    U32(joint.w13);
    U16(joint.h3);
    U16(joint.h1);
    Zeros(11 * 4);
}

void WorldWriter::ObjectRecord(const CNBObject& o)
{
    U64(o.Id);
    Narrow(o.Name);
    Narrow(o.SubName);
    U8(o.HeadFlag);
    I32(o.Kind);
    U8(o.HeadByte);
    I32(o.HeadInt);
    Vec3(o.Center);
    Vec3(o.CenterCopy);
    F32(o.Radius);
    F32(o.RadiusCopy);
    Floats(o.WorldMatrix.m, 16);
    Zeros(12 * 4);
    Vec3(o.Scale);
    Zeros(2 * 4);
    Wide(o.SecondName);
    Wide(o.TypeName);
    I32(o.ShapeKind);
    const bool hasBody = o.PhysicBody && o.PhysicBody->Body;
    U8(hasBody ? 1 : 0);
    if (hasBody) {
        Floats(o.ShapeSize, 3);
        Floats(o.PhysicsValues, 5);
        F32(o.Mass);
        Zeros(18 * 4);
    }
    F32(o.Radius);
    F32(o.RadiusCopy);
    for (int32_t word : o.AnimationWords) U32(static_cast<uint32_t>(word));
    U8(o.RenderByte);
    I32(o.RenderInt);
    for (uint8_t b : o.RenderBytes) U8(b);
    U32(static_cast<uint32_t>(o.AnimationWords[0]));
    U8(o.RenderByte);
    I32(o.IdInt);
    I32(o.SceneInt);
    U32(o.FloatRecordFlag);
    if (o.FloatRecordFlag != 0) {
        static const FloatRecordGroup kDefaults;
        const FloatRecordGroup& group = o.FloatRecords ? *o.FloatRecords : kDefaults;
        Floats(group.values, 4);
        Floats(group.values + 7, 3);
        Floats(group.jointMatrix.m, 16);
    }
    Zeros(2);
    U8(1);  // physics group
    U8(o.StaticFlag);
    Zeros(3 + 12 * 4);
    U8(1);  // material group
    Floats(o.Ambient.v, 4);
    Zeros(4 * 4);
    Floats(o.Diffuse.v, 4);
    Zeros(4 * 4);
    Floats(o.Specular.v, 4);
    Zeros(47 * 4);
    Vec3(o.BoxMin);
    Vec3(o.BoxMax);
    Vec3(o.Center);
    U32(1);
    Narrow(o.StringA);
    Narrow(o.StringB);
    U8(1);  // joint group
    if (o.Joint) JointFields(*o.Joint);
    else Zeros(kJointRecordBytes);  // a record that is all zero
    // The count is the number of part records that follow.
    const int32_t parts = o.Parts ? std::max(o.PartCount, 0) : 0;
    I32(parts);
    for (int32_t i = 0; i < parts; ++i) PartRecord(o.Parts[i]);
}

void WorldWriter::PartRecord(const ObjectPart& part)
{
    Narrow(part.name);
    U32(static_cast<uint32_t>(part.latePair[0]));
    U32(static_cast<uint32_t>(part.latePair[1]));
    for (int i = 0; i < 8; ++i) U32(part.words[i]);
    U8(part.headBytes[0]);
    U8(part.headBytes[1]);
    U8(part.PartKind);
    U8(static_cast<uint8_t>(part.partInt));
    U8(kMeshSlots);
    MeshSlot(part.mainMesh);
    for (const CPolygonsGrid* mesh : part.furtherMeshes) MeshSlot(mesh);
}

void WorldWriter::MeshSlot(const CPolygonsGrid* mesh)
{
    if (!mesh) {
        U8(0);
        return;
    }
    const CPolygonsGrid& m = *mesh;
    U8(1);
    Narrow(m.name);
    U32(static_cast<uint32_t>(m.modeWords[0]));
    U32(static_cast<uint32_t>(m.modeWords[1]));
    U8(m.MeshKind);
    U8(m.meshByte1);
    U8(m.meshByte2);
    U16(m.vertexCount);
    U16(m.rowCount1);
    U16(m.columnCount1);
    const uint32_t corners = static_cast<uint32_t>(std::max(m.cornerIndexCount, 0));
    U32(corners);
    U32(m.faceCount);
    U32(static_cast<uint32_t>(m.triangleCount));
    U32(static_cast<uint32_t>(m.quadCount));
    F32(m.radius);
    Vec3(m.boundsMin);
    Vec3(m.boundsMax);
    Vec3(m.boundsCenter);
    for (int slot : kStoredTextureSlots) {
        // A name whose texture is not loaded is kept, so saving never loses it.
        const CTexture* texture = slot == 0 ? m.textures[0] : nullptr;
        Wide(texture ? texture->name : m.textureNames[slot].name);
    }
    save_prefetch::FaceCoordinates(m);
    // The bulk of a file: vertices and corner indices are encoded a record
    // (or a run of indices) at a time.
    const Vector3 none;
    for (uint32_t v = 0; v < m.vertexCount; ++v) {
        uint8_t* at = Room(kVertexRecordBytes);
        at = PutVec3(at, m.unscaledPositions ? m.unscaledPositions[v] : none);
        at = PutVec3(at, m.positions ? m.positions[v] : none);
        at = PutVec3(at, m.normals ? m.normals[v] : none);
        *at = m.cornerFlags && v < corners ? m.cornerFlags[v] : 0;
    }
    constexpr uint32_t kIndexRun = kBlockBytes / 4;
    for (uint32_t i = 0; i < corners;) {
        const uint32_t run = std::min(corners - i, kIndexRun);
        uint8_t* at = Room(size_t{run} * kCornerIndexBytes);
        for (uint32_t k = 0; k < run; ++k, ++i) at = PutLittle<uint16_t>(at, m.cornerIndices ? m.cornerIndices[i] : 0);
    }
    static const PolygonFace kEmptyFace;
    for (uint32_t f = 0; f < m.faceCount; ++f) FaceRecord(m.faces ? m.faces[f] : kEmptyFace);
}

void WorldWriter::FaceRecord(const PolygonFace& face)
{
    const uint16_t count = face.texCoords ? face.texCoordCount : 0;
    uint8_t* at = Room(kMinFaceRecordBytes);
    *at++ = face.faceByte1;
    *at++ = face.faceByte2;
    *at++ = face.hidden;
    *at++ = face.ShadingMode;
    at = PutLittle(at, static_cast<uint32_t>(face.VertexFormat));
    at = PutVec3(at, face.faceNormal);
    at = PutVec3(at, face.flatNormal);
    *at++ = static_cast<uint8_t>(face.corners);
    at = PutLittle(at, face.firstIndex);
    *at++ = 0;
    PutLittle(at, count);
    at = Room(size_t{count} * 8);
    for (uint16_t i = 0; i < count; ++i) at = PutF32(PutF32(at, face.texCoords[i].u), face.texCoords[i].v);
}

void WorldWriter::LineRecord(const CLine& line)
{
    I32(line.LineType);
    U8(line.active);
    U32(line.attribute);
    I32(line.order);
    F32(line.roundness);
    I32(line.samplesPerSpan);
    const int32_t count = line.points ? std::max(line.pointCount, 0) : 0;
    I32(count);
    for (int32_t i = 0; i < count; ++i) {
        Vec3(line.points[i]);
        U8(line.pointFlags && i < line.pointCapacity ? line.pointFlags[i] : 0);
    }
}

void WorldWriter::Settings(const CWorld& w)
{
    for (float v : {w.moveFactor, w.fieldOfView, w.nearPlane, w.farPlane}) F32(v);
    for (uint8_t b : {w.showPlacementFrame, w.sceneOptionB, w.physicsActive, w.sceneOptionE}) U8(b);
    for (float v : {w.sceneValueA, w.turnFactor, w.previewScale.x, w.previewScale.y, w.previewScale.z, w.sceneValueD,
                    w.mouseRotateStep, w.impulseStrength})
        F32(v);
    for (uint8_t b : {w.sceneOptionF, w.flyCamera, w.sceneOptionD, w.sceneOptionG}) U8(b);
    F32(w.sceneValueB);
    F32(w.sceneValueC);
    for (uint8_t b : {w.physicsPaused, w.smoothCamera, w.physicsQuality}) U8(b);
    U8(0);
    F32(w.cameraRampTime);
    F32(w.physicsTimeScale);
    U32(0);
    U32(1);  // camera group
    for (double v : w.cameraMatrix.m) F64(v);
    Vec3(w.cameraPosition);
    Zeros(8 * 4);
    U32(1);  // key table
    for (int slot : kStoredKeySlots) I32(w.keyTable[slot]);
    Zeros(70 * 4);
}

void WorldWriter::WriteWorld(const CWorld& world)
{
    Raw(kWorldFileMagic, kWorldFileMagicBytes);

    // Every count is the number of records that follow it: null entries are skipped.
    auto live = [](const auto& list) {
        return static_cast<uint32_t>(std::count_if(list.begin(), list.end(), [](const auto* p) { return p; }));
    };
    U32(live(world.sectors));
    for (const Sector* sector : world.sectors)
        if (sector) SectorRecord(*sector);

    U32(live(world.objects));
    const std::vector<CNBObject*>& objects = world.objects;
    for (size_t i = 0; i < objects.size(); ++i) {
        save_prefetch::AheadOfObject(objects, i);
        const CNBObject* object = objects[i];
        if (!object) continue;
        ObjectRecord(*object);
        if (failed_) return;
    }

    U32(live(world.lines));
    for (const CLine* line : world.lines)
        if (line) LineRecord(*line);

    U32(live(world.quickBar));
    for (const BlockType* type : world.quickBar)
        if (type) Wide(type->name);

    Settings(world);

    U32(static_cast<uint32_t>(world.blockSettings.size()));
    for (const BlockSettings& settings : world.blockSettings) {
        Wide(settings.name);
        F32(settings.pitch);
        F32(settings.roll);
        F32(settings.yaw);
        Floats(settings.vectorA.v, 4);
        Zeros(12 * 4);
    }

    F32(world.sunAngleA);
    F32(world.sunAngleB);
    Zeros(14 * 4);
}

// ---------------------------------------------------------------------------
// Reading
// ---------------------------------------------------------------------------

// A record being read: destroyed on every way out unless released into its
// world list (failures and exceptions alike).
template <class T>
class Unlisted {
public:
    Unlisted(T* record, void (*destroy)(T*)) : record_(record), destroy_(destroy) {}
    ~Unlisted()
    {
        if (record_) destroy_(record_);
    }
    Unlisted(const Unlisted&) = delete;
    Unlisted& operator=(const Unlisted&) = delete;
    T* get() const { return record_; }
    T* release() { return std::exchange(record_, nullptr); }

private:
    T* record_;
    void (*destroy_)(T*);
};

bool SameJoint(const JointRecord& a, const JointRecord& b)
{
    return a.flag == b.flag && a.value == b.value && std::equal(a.a, a.a + 32, b.a) &&
           std::equal(a.b, a.b + 32, b.b) && std::equal(a.c, a.c + 32, b.c) &&
           std::equal(a.w0to8, a.w0to8 + 9, b.w0to8) && a.h0 == b.h0 && a.h1 == b.h1 &&
           std::equal(a.w9to11, a.w9to11 + 3, b.w9to11) && a.h2 == b.h2 && a.h3 == b.h3 && a.w12 == b.w12 &&
           a.w13 == b.w13 && a.h4 == b.h4 && a.h5 == b.h5 && std::equal(a.w14to16, a.w14to16 + 3, b.w14to16);
}

// What the reader learned about a mesh slot before the mesh is made.
struct MeshHeader {
    char name[kStringBuffer];  // set by Narrow
    uint32_t modeWords[2] = {};
    uint8_t kind = 0;
    uint8_t byte1 = 0;
    uint8_t byte2 = 0;
    uint16_t vertexCount = 0;
    uint16_t rowCount1 = 0;
    uint16_t columnCount1 = 0;
    uint32_t cornerCount = 0;
    uint32_t faceCount = 0;
    uint32_t triangleCount = 0;
    uint32_t quadCount = 0;
    float radius = 0.0f;
    Vector3 boundsMin, boundsMax, boundsCenter;
    std::u16string textureNames[4];

    bool Empty() const
    {
        return vertexCount == 0 && cornerCount == 0 && faceCount == 0 && triangleCount == 0 && quadCount == 0;
    }
};

// A run of fixed-size fields is one generic decode(in) written once and
// called with three kinds of `in`: FieldSize (at compile time, for the run's
// size), FieldRun (the bytes are all there) and the reader itself (the file
// ends inside the run). The run's size is therefore the sum of the fields the
// decode names, and no count written beside it can fall out of step.

// A size in bytes carried in the type, so that `&&` over a run's fields adds
// their sizes while the compiler deduces the decode's result.
template <size_t N>
struct Bytes {
    static constexpr size_t value = N;
};

template <size_t A, size_t B>
constexpr Bytes<A + B> operator&&(Bytes<A>, Bytes<B>)
{
    return {};
}

// The size of each field call; only ever named inside decltype.
struct FieldSize {
    static Bytes<1> U8(uint8_t&);
    static Bytes<2> U16(uint16_t&);
    static Bytes<4> U32(uint32_t&);
    static Bytes<4> I32(int32_t&);
    static Bytes<4> F32(float&);
    static Bytes<12> Vec3(Vector3&);
    template <class Array>
    static Bytes<4 * decltype(std::span(std::declval<Array&>()))::extent> Floats(Array&&);
    template <size_t N>
    static Bytes<4 * N> Words(uint32_t (&)[N]);
    template <size_t N>
    static Bytes<N> Skip(Bytes<N>);
};

// Fixed-size fields read from bytes already known to be there, with the
// reader's field calls: each succeeds, so a run of such fields decodes with
// one bounds check for the run instead of one per field. Numbers that are not
// finite are read as 0 and counted, as the reader reads them.
class FieldRun {
public:
    FieldRun(const uint8_t* at, int& replaced) : at_(at), replaced_(replaced) {}

    bool U8(uint8_t& v)
    {
        v = *at_++;
        return true;
    }
    bool U16(uint16_t& v) { return Little(v); }
    bool U32(uint32_t& v) { return Little(v); }
    bool I32(int32_t& v) { return Little(v); }
    bool F32(float& v)
    {
        Little(v);
        if (!std::isfinite(v)) {
            v = 0;
            ++replaced_;
        }
        return true;
    }
    // A float array, or a std::span of fixed extent over part of one.
    template <class Array>
    bool Floats(Array&& v)
    {
        for (float& f : std::span(v)) F32(f);
        return true;
    }
    template <size_t N>
    bool Words(uint32_t (&v)[N])
    {
        for (uint32_t& word : v) U32(word);
        return true;
    }
    bool Vec3(Vector3& v) { return F32(v.x) && F32(v.y) && F32(v.z); }
    template <size_t N>
    bool Skip(Bytes<N>)
    {
        at_ += N;
        return true;
    }
    const uint8_t* At() const { return at_; }

private:
    template <class T>
    bool Little(T& v)
    {
        v = WorldFileBytes::Little<T>(at_);
        at_ += sizeof(T);
        return true;
    }

    const uint8_t* at_;
    int& replaced_;
};

class WorldReader {
public:
    WorldReader(CWorld& world, WorldFileBytes& in) : world_(world), in_(in) {}

    int Read();
    const char* Fault() const { return fault_; }
    uint64_t Position() const { return in_.Position(); }
    int Replaced() const { return replaced_; }

private:
    bool Fail(const char* fault)
    {
        if (!fault_) fault_ = fault;
        return false;
    }
    bool Ok(bool ok) { return ok || Fail("the file ends inside a record"); }

    bool U8(uint8_t& v) { return Ok(in_.Read(v)); }
    bool U16(uint16_t& v) { return Ok(in_.Read(v)); }
    bool U32(uint32_t& v) { return Ok(in_.Read(v)); }
    bool I32(int32_t& v) { return Ok(in_.Read(v)); }
    bool U64(uint64_t& v) { return Ok(in_.Read(v)); }
    bool Skip(size_t bytes) { return Ok(in_.Skip(bytes)); }
    // Numbers that are not finite are read as 0 (and counted for the log).
    template <typename Number>
    bool Finite(bool read, Number& v)
    {
        if (!read) return false;
        if (!std::isfinite(v)) {
            v = 0;
            ++replaced_;
        }
        return true;
    }
    bool F32(float& v) { return Finite(Ok(in_.Read(v)), v); }
    // The float at `at`, 0 (counted) when it is not finite.
    float FiniteF32(const uint8_t* at)
    {
        float v = WorldFileBytes::Little<float>(at);
        Finite(true, v);
        return v;
    }
    template <size_t N>
    bool Skip(Bytes<N>)
    {
        return Skip(N);
    }
    // `count` records of `bytes` each, handed to decode(record, number) a
    // window at a time.
    template <class Decode>
    bool Records(uint32_t count, size_t bytes, Decode decode)
    {
        const auto perWindow = static_cast<uint32_t>(in_.WindowBytes() / bytes);
        for (uint32_t i = 0; i < count;) {
            const uint32_t run = std::min(count - i, perWindow);
            const uint8_t* at = in_.Take(size_t{run} * bytes);
            if (!Ok(at != nullptr)) return false;
            for (uint32_t k = 0; k < run; ++k, ++i, at += bytes) decode(at, i);
        }
        return true;
    }
    // A run of fixed-size fields, decoded by decode(source): when the run's
    // bytes are all there `source` is a FieldRun over them, else it is the
    // reader itself, so a file that ends inside the run fails where the
    // reader's field calls fail. decode returns false on a failed field
    // (never with a FieldRun).
    template <class Decode>
    bool Run(Decode decode)
    {
        constexpr size_t bytes = decltype(decode(std::declval<FieldSize&>()))::value;
        if (const uint8_t* at = in_.Peek(bytes)) {
            FieldRun run(at, replaced_);
            decode(run);
            assert(run.At() == at + bytes);
            in_.Take(bytes);
            return true;
        }
        return decode(*this);
    }
    bool F64(double& v) { return Finite(Ok(in_.Read(v)), v); }
    template <class Array>
    bool Floats(Array&& v)
    {
        for (float& f : std::span(v))
            if (!F32(f)) return false;
        return true;
    }
    template <size_t N>
    bool Words(uint32_t (&v)[N])
    {
        for (uint32_t& word : v)
            if (!U32(word)) return false;
        return true;
    }
    bool Vec3(Vector3& v) { return F32(v.x) && F32(v.y) && F32(v.z); }
    bool Narrow(char (&buffer)[kStringBuffer]);
    bool Wide(std::u16string& out);
    // A record count: none for 0 or less; refused when the bytes left cannot
    // hold that many records of at least `recordBytes` each.
    bool Count(int32_t& n, size_t recordBytes, const char* fault);

    bool Sectors();
    bool Objects();
    bool ObjectRecord(CNBObject& object);
    bool JointFields(JointRecord& joint);
    bool PartRecord(ObjectPart& part);
    bool MeshSlot(ObjectPart& part, int slot);
    bool MeshHeaderOf(MeshHeader& h);
    CPolygonsGrid* MakeMesh(ObjectPart& part, int slot, const MeshHeader& h);
    bool MeshBody(CPolygonsGrid& mesh, const MeshHeader& h);
    // A face's fields, its number of coordinate sets and its stored pairs
    // (appended to coordinates_).
    bool FaceRecord(CPolygonsGrid& mesh, PolygonFace& face, uint8_t& sets, uint16_t& stored);
    bool Lines();
    bool LineRecord(CLine& line);
    bool QuickBarNames();
    bool Settings();
    bool BlockSettingsRecords();
    bool Trailer();

    CWorld& world_;
    WorldFileBytes& in_;
    std::vector<TexCoord> coordinates_;  // the faces of the mesh being read
    std::vector<uint8_t> faceSets_;
    std::vector<uint16_t> faceCoords_;
    const char* fault_ = nullptr;
    int replaced_ = 0;
};

bool WorldReader::Narrow(char (&buffer)[kStringBuffer])
{
    // Every caller takes the buffer as text, so the NUL after the bytes kept
    // (or the first NUL among them) ends it; nothing past that is read.
    buffer[0] = '\0';
    uint16_t n = 0;
    if (!U16(n)) return false;
    const size_t kept = std::min<size_t>(n, kWorldFileStringLimit);
    if (!Ok(in_.ReadBytes(buffer, kept))) return false;
    buffer[kept] = '\0';
    return Skip(n - kept);
}

bool WorldReader::Wide(std::u16string& out)
{
    out.clear();
    uint16_t n = 0;
    if (!U16(n)) return false;
    if (size_t{n} * 2 > in_.Remaining()) return Ok(false);
    // A NUL ends the text, as in the reader's buffer; the units after it
    // are read and dropped.
    if (const uint8_t* at = in_.Take(size_t{n} * 2)) {
        size_t kept = 0;
        while (kept < n && kept < kWorldFileStringLimit && WorldFileBytes::Little<uint16_t>(at + 2 * kept) != 0)
            ++kept;
        out.resize(kept);
        for (size_t i = 0; i < kept; ++i) out[i] = static_cast<char16_t>(WorldFileBytes::Little<uint16_t>(at + 2 * i));
        return true;
    }
    // A file that ends before the size it had: unit by unit up to its end.
    bool ended = false;
    for (uint16_t i = 0; i < n; ++i) {
        uint16_t unit = 0;
        if (!U16(unit)) return false;
        if (unit == 0) ended = true;
        if (!ended && i < kWorldFileStringLimit) out.push_back(static_cast<char16_t>(unit));
    }
    return true;
}

bool WorldReader::Count(int32_t& n, size_t recordBytes, const char* fault)
{
    if (!I32(n)) return false;
    if (n <= 0) {
        n = 0;
        return true;
    }
    if (uint64_t(n) * recordBytes > in_.Remaining()) return Fail(fault);
    return true;
}

bool WorldReader::Sectors()
{
    int32_t count = 0;
    if (!Count(count, kSectorRecordBytes, "more sectors than the file holds")) return false;
    if (!world_.RecreateSectors(count)) return Fail("the sectors cannot be made");
    for (Sector* sector : world_.sectors) {
        if (!sector) continue;
        int32_t reserved = 0;
        if (!I32(sector->sectorId) || !I32(reserved) || !F32(sector->radius) || !Vec3(sector->boundsMin) ||
            !Vec3(sector->boundsMax) || !Vec3(sector->boundsCentre))
            return false;
        sector->storedRadius = sector->radius;
        sector->storedBoundsMin = sector->boundsMin;
        sector->storedBoundsMax = sector->boundsMax;
        sector->position = sector->boundsCentre;
    }
    return true;
}

bool WorldReader::Objects()
{
    int32_t count = 0;
    if (!Count(count, kMinObjectRecordBytes, "more objects than the file holds")) return false;
    for (int32_t i = 0; i < count; ++i) {
        // The object joins the world only once it has been read completely.
        Unlisted<CNBObject> object(new CNBObject, CNBObject::Delete);
        if (!object.get()) return Fail("an object cannot be made");
        if (!ObjectRecord(*object.get())) return false;
        // Its bounds are recomputed while its meshes are still in the
        // processor's cache; a second pass over all objects would fetch the
        // whole world from memory again. Nothing read after the record
        // changes an object, so the bounds are the same either way.
        object.get()->ComputeBounds();
        world_.objects.push_back(object.get());
        object.release();
    }
    return true;
}

bool WorldReader::JointFields(JointRecord& j)
{
    uint32_t* w = j.w0to8;
    if (!U8(j.flag) || !U32(j.value) || !Skip(4)) return false;
    for (uint32_t* word : {&w[0], &w[2], &w[8], &j.w9to11[1], &j.w9to11[2], &w[3], &w[4]})
        if (!U32(*word)) return false;
    for (int k = 0; k < 32; ++k)
        if (!U32(j.a[k]) || !U32(j.b[k]) || !U32(j.c[k])) return false;
    for (uint32_t* word : {&w[1], &w[5], &w[6], &w[7]})
        if (!U32(*word)) return false;
    if (!U16(j.h4) || !U16(j.h5)) return false;
    for (uint32_t& word : j.w14to16)
        if (!U32(word)) return false;
    return U16(j.h0) && U32(j.w9to11[0]) && U16(j.h2) && U32(j.w12) && U32(j.w13) && U16(j.h3) && U16(j.h1) &&
           Skip(11 * 4);
}

bool WorldReader::ObjectRecord(CNBObject& o)
{
    char text[kStringBuffer];
    uint64_t id = 0;
    if (!U64(id) || !Narrow(text)) return false;
    o.SetName(text);
    if (!Narrow(text)) return false;
    if (text[0]) o.SetSubName(text);  // an empty one stays unset: it is saved as the same empty text
    // The fixed fields between the variable ones, in runs (see Run).
    const bool head = Run([&](auto& in) {
        return in.U8(o.HeadFlag) && in.I32(o.Kind) && in.U8(o.HeadByte) && in.I32(o.HeadInt) && in.Vec3(o.Center) &&
               in.Vec3(o.CenterCopy) && in.F32(o.Radius) && in.F32(o.RadiusCopy) && in.Floats(o.WorldMatrix.m) &&
               in.Skip(Bytes<12 * 4>{}) && in.Vec3(o.Scale) && in.Skip(Bytes<2 * 4>{});
    });
    if (!head || !Wide(o.SecondName) || !Wide(o.TypeName) || !I32(o.ShapeKind)) return false;

    uint8_t hasBody = 0;
    if (!U8(hasBody)) return false;
    if (hasBody) {
        const bool body = Run([&](auto& in) {
            return in.Floats(o.ShapeSize) && in.Floats(o.PhysicsValues) && in.F32(o.Mass) && in.Skip(Bytes<18 * 4>{});
        });
        if (!body) return false;
        o.HasRigidBody = 1;
        o.StaticFlag = 0;  // read again with the physics group
    }
    uint32_t words[3];
    uint32_t firstWordAgain = 0;
    const bool render = Run([&](auto& in) {
        return in.F32(o.Radius) && in.F32(o.RadiusCopy) && in.Words(words) &&
               in.U8(o.RenderByte) && in.I32(o.RenderInt) && in.U8(o.RenderBytes[0]) && in.U8(o.RenderBytes[1]) &&
               in.U8(o.RenderBytes[2]) && in.U32(firstWordAgain) && in.U8(o.RenderByte) && in.I32(o.IdInt) &&
               in.I32(o.SceneInt) && in.U32(o.FloatRecordFlag);
    });
    if (!render) return false;
    for (int i = 0; i < 3; ++i) o.AnimationWords[i] = static_cast<int32_t>(words[i]);
    o.AnimationWords[0] = static_cast<int32_t>(firstWordAgain);
    if (o.FloatRecordFlag != 0) {
        if (!o.FloatRecords) o.FloatRecords = new (std::nothrow) FloatRecordGroup;
        if (!o.FloatRecords) return Fail("a float record cannot be made");
        FloatRecordGroup& group = *o.FloatRecords;
        const std::span values(group.values);
        const bool read = Run([&](auto& in) {
            return in.Floats(values.first<4>()) && in.Floats(values.subspan<7, 3>()) &&
                   in.Floats(group.jointMatrix.m);
        });
        if (!read) return false;
    }

    uint8_t group = 0;
    if (!Skip(2) || !U8(group)) return false;
    if (group && !Run([&](auto& in) { return in.U8(o.StaticFlag) && in.Skip(Bytes<3 + 12 * 4>{}); })) return false;
    if (!U8(group)) return false;
    if (group && !Run([&](auto& in) {
            return in.Floats(o.Ambient.v) && in.Skip(Bytes<4 * 4>{}) && in.Floats(o.Diffuse.v) &&
                   in.Skip(Bytes<4 * 4>{}) && in.Floats(o.Specular.v) && in.Skip(Bytes<47 * 4>{});
        }))
        return false;
    uint32_t constant = 0;
    const bool box = Run([&](auto& in) {
        return in.Vec3(o.BoxMin) && in.Vec3(o.BoxMax) && in.Vec3(o.Center) && in.U32(constant);
    });
    if (!box) return false;
    if (!Narrow(text)) return false;
    if (text[0]) o.SetStringA(text);
    if (!Narrow(text)) return false;
    if (text[0]) o.SetStringB(text);
    if (!U8(group)) return false;
    if (group) {
        // Almost every stored joint record is all zero, which an object
        // holds as none: such a record is passed over whole.
        static constexpr uint8_t kZeroRecord[kJointRecordBytes] = {};
        const uint8_t* stored = in_.Peek(kJointRecordBytes);
        if (stored && std::memcmp(stored, kZeroRecord, kJointRecordBytes) == 0) {
            in_.Take(kJointRecordBytes);
            group = 0;
        }
    }
    if (group) {
        JointRecord joint;
        if (!JointFields(joint)) return false;
        static const JointRecord kZeroJoint;
        if (!SameJoint(joint, kZeroJoint)) {
            if (!o.Joint) o.Joint = new (std::nothrow) JointRecord;
            if (!o.Joint) return Fail("a joint record cannot be made");
            *o.Joint = joint;
        }
    }

    int32_t parts = 0;
    if (!Count(parts, kMinPartRecordBytes, "more object parts than the file holds")) return false;
    if (!o.AllocateParts(parts)) return Fail("the object parts cannot be made");
    for (int32_t i = 0; i < parts; ++i)
        if (!PartRecord(o.Parts[i])) return false;

    // Fix-ups of a complete record.
    if (id == 0) id = ++world_.nextObjectId;
    // Ids read from the file are taken, so numbering goes on after the highest.
    if (static_cast<uint64_t>(id) > world_.nextObjectId) world_.nextObjectId = static_cast<uint64_t>(id);
    o.Id = id;
    for (float* s : {&o.Scale.x, &o.Scale.y, &o.Scale.z})
        if (*s <= 0.0f) *s = 1.0f;
    if (o.ShapeKind == 6) o.HasRigidBody = 1;
    return true;
}

bool WorldReader::PartRecord(ObjectPart& part)
{
    char text[kStringBuffer];
    if (!Narrow(text)) return false;
    part.SetName(text);
    uint32_t pair[2];
    uint8_t partByte = 0;
    uint8_t slots = 0;
    const bool fields = Run([&](auto& in) {
        return in.Words(pair) && in.Words(part.words) && in.U8(part.headBytes[0]) && in.U8(part.headBytes[1]) &&
               in.U8(part.PartKind) && in.U8(partByte) && in.U8(slots);
    });
    if (!fields) return false;
    part.latePair[0] = static_cast<int32_t>(pair[0]);
    part.latePair[1] = static_cast<int32_t>(pair[1]);
    part.partInt = partByte;
    if (slots > kMeshSlots) return Fail("a part has more mesh slots than it can hold");
    for (int slot = 0; slot < slots; ++slot)
        if (!MeshSlot(part, slot)) return false;
    return true;
}

bool WorldReader::MeshHeaderOf(MeshHeader& h)
{
    if (!Narrow(h.name)) return false;
    const bool fields = Run([&](auto& in) {
        return in.U32(h.modeWords[0]) && in.U32(h.modeWords[1]) && in.U8(h.kind) && in.U8(h.byte1) &&
               in.U8(h.byte2) && in.U16(h.vertexCount) && in.U16(h.rowCount1) && in.U16(h.columnCount1) &&
               in.U32(h.cornerCount) && in.U32(h.faceCount) && in.U32(h.triangleCount) && in.U32(h.quadCount) &&
               in.F32(h.radius) && in.Vec3(h.boundsMin) && in.Vec3(h.boundsMax) && in.Vec3(h.boundsCenter);
    });
    if (!fields) return false;
    for (std::u16string& name : h.textureNames)
        if (!Wide(name)) return false;

    // The counts must describe a mesh its kind can make...
    const uint64_t t = h.triangleCount, q = h.quadCount;
    bool agree = false;
    if (h.Empty()) {
        agree = h.kind == kPolygonListMesh || (h.kind == kGridMesh && h.rowCount1 == 0 && h.columnCount1 == 0);
    } else if (h.kind == kGridMesh) {
        const uint64_t columns = h.columnCount1 ? h.columnCount1 - 1u : 0, rows = h.rowCount1 ? h.rowCount1 - 1u : 0;
        agree = h.columnCount1 > 0 && h.rowCount1 > 0 && h.vertexCount == uint64_t{h.columnCount1} * h.rowCount1 &&
                t == 0 && q == columns * rows && h.faceCount == q && h.cornerCount == 4 * q;
    } else if (h.kind == kPolygonListMesh) {
        agree = h.faceCount == t + q && h.cornerCount == 3 * t + 4 * q;
    }
    if (!agree) return Fail("a mesh's counts do not agree with its kind");
    // ... and fit in the bytes left.
    const uint64_t needed = uint64_t{h.vertexCount} * kVertexRecordBytes + uint64_t{h.cornerCount} * kCornerIndexBytes +
                            uint64_t{h.faceCount} * kMinFaceRecordBytes;
    if (needed > in_.Remaining()) return Fail("a mesh is larger than the file");
    return true;
}

bool CountsMatch(const CPolygonsGrid& mesh, const MeshHeader& h)
{
    return mesh.MeshKind == h.kind && mesh.vertexCount == h.vertexCount &&
           mesh.cornerIndexCount == static_cast<int64_t>(h.cornerCount) && mesh.faceCount == h.faceCount &&
           mesh.triangleCount == static_cast<int64_t>(h.triangleCount) &&
           mesh.quadCount == static_cast<int64_t>(h.quadCount);
}

// Makes `mesh` hold the geometry the header describes. A grid mesh of no
// cells is a fresh mesh that never had geometry.
bool ShapeMesh(CPolygonsGrid& mesh, const MeshHeader& h)
{
    if (h.kind == kGridMesh && h.Empty()) return mesh.vertexCount == 0 && mesh.MeshKind == kGridMesh;
    if (h.kind == kGridMesh) return mesh.CreateGrid(h.columnCount1 - 1, h.rowCount1 - 1) == 1;
    return mesh.CreatePolygons(h.vertexCount, static_cast<int>(h.triangleCount), static_cast<int>(h.quadCount)) == 1;
}

CPolygonsGrid* WorldReader::MakeMesh(ObjectPart& part, int slot, const MeshHeader& h)
{
    if (slot == 0) {
        if (h.kind == kGridMesh && h.Empty()) {
            CPolygonsGrid* fresh = new CPolygonsGrid;
            if (!fresh) return nullptr;
            DestroyMesh(part.mainMesh);
            part.mainMesh = fresh;
            return fresh;
        }
        const bool made = h.kind == kGridMesh
                              ? part.CreateGridLevels(h.columnCount1 - 1, h.rowCount1 - 1) == 1
                              : part.CreateGrid(h.vertexCount, static_cast<int>(h.triangleCount),
                                                static_cast<int>(h.quadCount));
        return made ? part.mainMesh : nullptr;
    }
    const int index = slot - 1;
    CPolygonsGrid* mesh = part.furtherMeshes[index];
    if (index == 0 && !mesh && part.headBytes[0]) {
        part.CreateFurtherMeshes();
        mesh = part.furtherMeshes[0];
    }
    if (!mesh) mesh = part.CreateFurtherMesh(index);
    if (!mesh) return nullptr;
    // The further mesh the part already has is kept when it is the one stored;
    // otherwise it is made anew from the stored kind and counts.
    if (CountsMatch(*mesh, h)) return mesh;
    if (ShapeMesh(*mesh, h)) return mesh;
    mesh = part.CreateFurtherMesh(index);
    return mesh && ShapeMesh(*mesh, h) ? mesh : nullptr;
}

bool WorldReader::MeshSlot(ObjectPart& part, int slot)
{
    uint8_t present = 0;
    if (!U8(present)) return false;
    if (!present) return true;
    MeshHeader h;
    if (!MeshHeaderOf(h)) return false;
    CPolygonsGrid* mesh = MakeMesh(part, slot, h);
    if (!mesh) return Fail("a mesh cannot be made");
    if (!CountsMatch(*mesh, h)) return Fail("a mesh does not match its stored counts");

    mesh->rowCount1 = h.rowCount1;
    mesh->columnCount1 = h.columnCount1;
    mesh->SetName(h.name);
    mesh->modeWords[0] = static_cast<int32_t>(h.modeWords[0]);
    mesh->modeWords[1] = static_cast<int32_t>(h.modeWords[1]);
    mesh->meshByte1 = h.byte1;
    mesh->meshByte2 = h.byte2;
    mesh->radius = h.radius;
    mesh->boundsMin = h.boundsMin;
    mesh->boundsMax = h.boundsMax;
    mesh->boundsCenter = h.boundsCenter;
    for (int i = 0; i < 4; ++i) mesh->textureNames.Set(kStoredTextureSlots[i], std::move(h.textureNames[i]));
    return MeshBody(*mesh, h);
}

bool WorldReader::MeshBody(CPolygonsGrid& mesh, const MeshHeader& h)
{
    if (mesh.vertexCount > 0 && (!mesh.positions || !mesh.normals || !mesh.unscaledPositions))
        return Fail("a mesh has no vertex arrays");
    if (mesh.cornerIndexCount > 0 && !mesh.cornerIndices) return Fail("a mesh has no corner indices");
    if (mesh.faceCount > 0 && !mesh.faces) return Fail("a mesh has no faces");
    const auto corners = static_cast<uint32_t>(mesh.cornerIndexCount);
    // The arrays are held apart from the mesh, whose fields the stores
    // could otherwise change for all the compiler knows.
    Vector3* const unscaled = mesh.unscaledPositions;
    Vector3* const scaled = mesh.positions;
    Vector3* const normals = mesh.normals;
    uint8_t* const flags = mesh.cornerFlags;
    const auto vector = [&](const uint8_t* at) { return Vector3{FiniteF32(at), FiniteF32(at + 4), FiniteF32(at + 8)}; };
    const bool vertices = Records(mesh.vertexCount, kVertexRecordBytes, [&](const uint8_t* at, uint32_t v) {
        unscaled[v] = vector(at);
        scaled[v] = vector(at + 12);
        normals[v] = vector(at + 24);
        if (flags && v < corners) flags[v] = at[36];
    });
    if (!vertices) return false;
    const bool indices = Records(corners, kCornerIndexBytes, [&](const uint8_t* at, uint32_t i) {
        mesh.cornerIndices[i] = WorldFileBytes::Little<uint16_t>(at);
    });
    if (!indices) return false;
    mesh.SaveBasePositions();

    // The coordinates of all faces are collected first and then handed to
    // the faces from one block of the mesh's.
    coordinates_.clear();
    faceSets_.assign(mesh.faceCount, 0);
    faceCoords_.assign(mesh.faceCount, 0);
    for (uint32_t f = 0; f < mesh.faceCount; ++f)
        if (!FaceRecord(mesh, mesh.faces[f], faceSets_[f], faceCoords_[f])) return false;
    if (mesh.faceCount > 0 && !mesh.AllocateTexCoords(faceSets_.data()))
        return Fail("texture coordinates cannot be made");
    const TexCoord* from = coordinates_.data();
    for (uint32_t f = 0; f < mesh.faceCount; ++f) {
        PolygonFace& face = mesh.faces[f];
        // Every stored pair was read; the face keeps as many as it has room for.
        const uint16_t kept = std::min(faceCoords_[f], face.texCoordCount);
        std::copy(from, from + kept, face.texCoords);
        from += faceCoords_[f];
    }
    return true;
}

bool WorldReader::FaceRecord(CPolygonsGrid& mesh, PolygonFace& face, uint8_t& sets, uint16_t& stored)
{
    const uint8_t* at = in_.Take(kMinFaceRecordBytes);
    if (!Ok(at != nullptr)) return false;
    face.faceByte1 = at[0];
    face.faceByte2 = std::min<uint8_t>(at[1], 6);
    face.hidden = at[2];
    face.ShadingMode = at[3];
    face.VertexFormat = WorldFileBytes::Little<int32_t>(at + 4);
    face.faceNormal = Vector3{FiniteF32(at + 8), FiniteF32(at + 12), FiniteF32(at + 16)};
    face.flatNormal = Vector3{FiniteF32(at + 20), FiniteF32(at + 24), FiniteF32(at + 28)};
    const uint8_t corners = at[32];
    face.firstIndex = WorldFileBytes::Little<uint32_t>(at + 33);
    stored = WorldFileBytes::Little<uint16_t>(at + 38);  // after a reserved byte
    if (corners > kMaxFaceCorners) return Fail("a face has more corners than a quad");
    if (uint64_t{face.firstIndex} + corners > static_cast<uint64_t>(mesh.cornerIndexCount))
        return Fail("a face points outside its mesh's corner indices");
    face.corners = static_cast<int8_t>(corners);
    sets = corners > 0 ? static_cast<uint8_t>(std::min(stored / corners, 255)) : 0;
    const bool read = Records(stored, 8, [&](const uint8_t* pair, uint32_t) {
        coordinates_.push_back(TexCoord{FiniteF32(pair), FiniteF32(pair + 4)});
    });
    if (!read) return false;
    face.cornerIndices = mesh.cornerIndices ? mesh.cornerIndices + face.firstIndex : nullptr;
    return true;
}

bool WorldReader::Lines()
{
    int32_t count = 0;
    if (!Count(count, kMinLineRecordBytes, "more lines than the file holds")) return false;
    for (int32_t i = 0; i < count; ++i) {
        // The line joins the world only once it has been read completely.
        Unlisted<CLine> line(new CLine, [](CLine* l) { delete l; });
        if (!line.get()) return Fail("a line cannot be made");
        if (!LineRecord(*line.get())) return false;
        world_.lines.push_back(line.get());
        CLine* listed = line.release();
        listed->driver = world_.driver;
        listed->CreateDriverRenderSet();
    }
    return true;
}

bool WorldReader::LineRecord(CLine& line)
{
    int32_t points = 0;
    if (!I32(line.LineType) || !U8(line.active) || !U32(line.attribute) || !I32(line.order) ||
        !F32(line.roundness) || !I32(line.samplesPerSpan) ||
        !Count(points, kLinePointBytes, "a line has more points than the file holds"))
        return false;
    for (int32_t i = 0; i < points; ++i) {
        Vector3* point = line.AddPoint();
        if (!point) return Fail("a line point cannot be made");
        uint8_t flag = 0;
        if (!Vec3(*point) || !U8(flag)) return false;
        line.pointFlags[line.pointCount - 1] = flag;
    }
    return true;
}

bool WorldReader::QuickBarNames()
{
    int32_t count = 0;
    if (!Count(count, kMinWideStringBytes, "more QuickBar names than the file holds")) return false;
    world_.quickBarNames.clear();
    for (int32_t i = 0; i < count; ++i) {
        std::u16string name;
        if (!Wide(name)) return false;
        world_.quickBarNames.push_back(std::move(name));
    }
    return true;
}

bool WorldReader::Settings()
{
    CWorld& w = world_;
    if (!F32(w.moveFactor) || !F32(w.fieldOfView) || !F32(w.nearPlane) || !F32(w.farPlane) ||
        !U8(w.showPlacementFrame) || !U8(w.sceneOptionB) || !U8(w.physicsActive) || !U8(w.sceneOptionE) ||
        !F32(w.sceneValueA) || !F32(w.turnFactor) || !Vec3(w.previewScale) || !F32(w.sceneValueD) ||
        !F32(w.mouseRotateStep) || !F32(w.impulseStrength) || !U8(w.sceneOptionF) || !U8(w.flyCamera) ||
        !U8(w.sceneOptionD) || !U8(w.sceneOptionG) || !F32(w.sceneValueB) || !F32(w.sceneValueC) ||
        !U8(w.physicsPaused) || !U8(w.smoothCamera) || !U8(w.physicsQuality) || !Skip(1) ||
        !F32(w.cameraRampTime) || !F32(w.physicsTimeScale) || !Skip(4))
        return false;
    if (w.physicsTimeScale < 0.1f) w.physicsTimeScale = 1.0f;

    uint32_t flag = 0;
    if (!U32(flag)) return false;
    if (flag) {
        for (double& v : w.cameraMatrix.m)
            if (!F64(v)) return false;
        if (!Vec3(w.cameraPosition) || !Skip(8 * 4)) return false;
    }
    if (!U32(flag)) return false;
    if (!flag) return true;
    for (int slot : kStoredKeySlots)
        if (!I32(w.keyTable[slot])) return false;
    return Skip(70 * 4);
}

bool WorldReader::BlockSettingsRecords()
{
    int32_t count = 0;
    if (!Count(count, kMinBlockSettingsBytes, "more BlockSettings than the file holds")) return false;
    for (int32_t i = 0; i < count; ++i) {
        BlockSettings settings;
        if (!Wide(settings.name) || !F32(settings.pitch) || !F32(settings.roll) || !F32(settings.yaw) ||
            !Floats(settings.vectorA.v) || !Skip(12 * 4))
            return false;
        world_.blockSettings.push_back(std::move(settings));
    }
    return true;
}

bool WorldReader::Trailer()
{
    float a = 0.0f, b = 0.0f;
    if (!F32(a) || !F32(b)) return false;
    if (a == 0.0f && b == 0.0f) {
        a = 40.0f;
        b = 50.0f;
    }
    world_.sunAngleA = a;
    world_.sunAngleB = b;
    return Skip(14 * 4);
}

int WorldReader::Read()
{
    char magic[kWorldFileMagicBytes];
    if (!Ok(in_.ReadBytes(magic, sizeof(magic)))) return 0;
    if (std::memcmp(magic, kWorldFileMagic, sizeof(magic)) != 0) {
        Fail("not a world file");
        return 0;
    }
    try {
        const bool ok = Sectors() && Objects() && Lines() && QuickBarNames() && Settings() &&
                        BlockSettingsRecords() && Trailer();
        return ok ? 1 : 0;
    } catch (const std::bad_alloc&) {
        Fail("out of memory");
        return 0;
    }
}

}  // namespace

void WriteWorldData(const CWorld& world, std::vector<uint8_t>& out)
{
    WorldWriter writer(nullptr);
    writer.WriteWorld(world);
    std::vector<uint8_t>& bytes = writer.Bytes();
    if (out.empty()) out.swap(bytes);
    else out.insert(out.end(), bytes.begin(), bytes.end());
}

int ReadWorldBytes(CWorld& world, WorldFileBytes& in)
{
    WorldReader reader(world, in);
    const int result = reader.Read();
    if (reader.Replaced() > 0)
        WriteLog("Error: CWorld :: LoadWorldFile() " + std::to_string(reader.Replaced()) +
                 " numbers that are not finite were read as 0");
    if (!result)
        WriteLog(std::string("Error: CWorld :: LoadWorldFile() ") + (reader.Fault() ? reader.Fault() : "failed") +
                 " (at byte " + std::to_string(reader.Position()) + ")");
    return result;
}

int ReadWorldData(CWorld& world, const uint8_t* data, size_t size)
{
    WorldFileBytes in(data, size);
    return ReadWorldBytes(world, in);
}

// ---------------------------------------------------------------------------
// Files
// ---------------------------------------------------------------------------

namespace {

// The file a path names: its folder as given, its name found ignoring case
// when the exact name does not exist (names are typed by the user, and a
// world saved on a system that ignores case may differ in case).
std::string ResolveWorldPath(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        const std::string resolved = platform::ResolveFileName(".", path);
        return resolved.rfind("./", 0) == 0 ? resolved.substr(2) : resolved;
    }
    return platform::ResolveFileName(path.substr(0, slash + 1), path.substr(slash + 1));
}

// The resolved path made absolute, to tell whether two paths name one file.
std::string AbsoluteWorldPath(const std::string& path)
{
    const std::string resolved = ResolveWorldPath(path);
    std::string current;
    if (resolved.empty() || resolved.front() == '/' || !platform::GetCurrentDirectory(current)) return resolved;
    return platform::JoinPath(current, resolved);
}

std::string worldFileProblem;

constexpr char kDamaged[] = "the file is damaged";

// Records why the file call failed and answers its result, 0.
int FailWith(const std::string& problem)
{
    worldFileProblem = problem;
    return 0;
}

}  // namespace

const std::string& WorldFileProblem() { return worldFileProblem; }

int CWorld::SaveWorldFile(const char* path) const
{
    worldFileProblem.clear();
    if (!path || !*path) {
        WriteLog("Error: CWorld :: SaveWorldFile() no file name");
        return FailWith("the world has no file name");
    }
    const std::string target = ResolveWorldPath(path);
    // The file a failed load came from still holds the good world: the
    // half-read one never replaces it.
    if (!failedLoadPath.empty() && AbsoluteWorldPath(target) == failedLoadPath) {
        WriteLog(std::string("Error: CWorld :: SaveWorldFile() refused: the world could not be read from ") +
                 path + ", which is kept");
        return FailWith("the file could not be read when the world was opened, so it is kept as it is");
    }
    platform::AtomicFileWriter file;
    if (!file.Open(target)) {
        WriteLog(std::string("Error: CWorld :: SaveWorldFile() cannot create ") + target + ".tmp: " +
                 file.FailureText());
        return FailWith(file.FailureText());
    }
    WorldWriter writer(&file);
    writer.WriteWorld(*this);
    const bool written = writer.Flush();
    if (!written || !file.Commit()) {
        const std::string why = file.FailureText();
        file.Abandon();
        WriteLog(std::string("Error: CWorld :: SaveWorldFile() cannot write ") + target + ": " + why);
        return FailWith(why);
    }
    // Saved; only a crash before the system writes the folder back could
    // bring back the file it replaced.
    if (!file.UnflushedFolderText().empty())
        WriteLog(std::string("CWorld :: SaveWorldFile() saved ") + target +
                 ", but the file system does not flush its folder: " + file.UnflushedFolderText());
    return 1;
}

int CWorld::LoadWorldFile(const char* path)
{
    worldFileProblem.clear();
    if (!path) return FailWith(std::strerror(ENOENT));
    worldName = path;
    const std::string source = ResolveWorldPath(path);
    // Read as it is parsed, a window at a time (see WorldFileBytes).
    const bool exists = platform::FileExists(source);
    const int64_t size = exists ? platform::FileSize(source) : -1;
    errno = 0;
    std::FILE* file = size >= 0 && size <= kLargestWorldFile ? std::fopen(source.c_str(), "rb") : nullptr;
    if (!file) {
        const int error = errno;
        WriteLog(std::string("Error: CWorld :: LoadWorldFile() cannot read ") + path);
        // A file that exists but cannot be read is still a world to keep.
        if (!exists) return FailWith(std::strerror(ENOENT));
        failedLoadPath = AbsoluteWorldPath(source);
        return FailWith(size > kLargestWorldFile ? kDamaged : std::strerror(error != 0 ? error : EIO));
    }
    WorldFileBytes in(file, static_cast<uint64_t>(size));
    const int result = ReadWorldBytes(*this, in);
    // A read the system failed is no fault of the file's.
    const bool readFailed = std::ferror(file) != 0;
    std::fclose(file);
    if (result) return 1;
    failedLoadPath = AbsoluteWorldPath(source);
    return FailWith(readFailed ? std::strerror(EIO) : kDamaged);
}
