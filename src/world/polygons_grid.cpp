// Sections: element records and heaps; quaternions; mesh construction and
// geometry; render sets (count, fill, upload, release).
#include "world/polygons_grid.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <vector>

#include "core/name_key.h"
#include "graphics/driver.h"
#include "graphics/texture.h"
#include "shell/log.h"
#include "world/physic_body.h"
#include "world/shared_name.h"

static_assert(sizeof(PolygonFace) <= 56, "the face's fields are grouped by size");

namespace {

constexpr int kMaxTexCoordSets = 7;
constexpr int kMaxGridCells = 256;
constexpr int kMaxMeshVertices = 0xFFFF;           // the 16-bit vertex count
constexpr int64_t kMaxRenderSetVertices = 0x10000; // 16-bit indices 0..65535

Vector3 Cross(const Vector3& a, const Vector3& b)
{
    return Vector3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float Dot(const Vector3& a, const Vector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// The tangent of a vertex normal: the axis closest to the normal picks a
// reference direction, and the tangent is the reference made orthogonal to
// the normal.
Vector3 TangentOf(const Vector3& normal)
{
    static const Vector3 kAxes[6] = {{0, 1, 0}, {0, -1, 0}, {1, 0, 0}, {-1, 0, 0}, {0, 0, 1}, {0, 0, -1}};
    const float length = normal.Length();
    int winner = 0;
    float smallest = 0.0f;
    for (int axis = 0; axis < 6; ++axis) {
        const float cosine = std::clamp(Dot(normal, kAxes[axis]) / length, -1.0f, 1.0f);
        const float angle = std::acos(cosine) * kRadiansToDegrees;
        if (axis == 0 || angle <= smallest) {  // a later axis wins ties
            smallest = angle;
            winner = axis;
        }
    }
    const bool alongX = winner == 2 || winner == 3;
    const Vector3 reference = alongX ? Vector3{0, 0, -1} : Vector3{-1, 0, 0};
    Vector3 side = Cross(normal, reference);
    side.Normalize();
    Vector3 tangent = Cross(side, normal);
    tangent.Normalize();
    tangent.Normalize();
    return tangent;
}

}  // namespace

// ---------------------------------------------------------------------------
// Element records and heaps
// ---------------------------------------------------------------------------

PolygonFace::~PolygonFace()
{
    if (!meshTexCoords) TexCoordHeap::Free(texCoords);
    texCoords = nullptr;
}

bool PolygonFace::AllocateTexCoords(uint8_t sets)
{
    if (!meshTexCoords) TexCoordHeap::Free(texCoords);
    texCoords = nullptr;
    meshTexCoords = 0;
    const int usedSets = std::min<int>(sets, kMaxTexCoordSets);
    const int count = std::max<int>(corners, 0) * usedSets;
    texCoordCount = static_cast<uint16_t>(count);
    texCoords = TexCoordHeap::Allocate(static_cast<uint32_t>(count));
    if (!texCoords) texCoordCount = 0;
    return texCoords != nullptr;
}

void PolygonFace::ComputeNormal(const Vector3* positions)
{
    Vector3 a, b, c;
    const int n = corners;
    if (n > 0 && positions && cornerIndices) {
        a = positions[cornerIndices[0]];
        b = positions[cornerIndices[1 % n]];
        c = positions[cornerIndices[2 % n]];
    }
    const Vector3 k = Cross(Vector3::Sub(b, a), Vector3::Sub(c, a));
    const float length = k.Length();
    // Collinear corners have no normal; a zero one keeps them out of lighting
    // and picking instead of spreading NaN.
    if (!(length > 0.0f) || !std::isfinite(length)) {
        faceNormal = Vector3{};
        return;
    }
    faceNormal = Vector3::Scale(k, 1.0f / length);
}

TexCoord PolygonFace::GetTexCoord(int corner, int set) const
{
    const int index = corner + set * corners;
    if (!texCoords || index < 0 || index >= texCoordCount) return TexCoord{};
    return texCoords[index];
}

TextureNameSlot& MeshTextureNames::operator[](int slot)
{
    if (slot <= 0) return first_;
    if (!others_) others_ = new TextureNameSlot[kSlots - 1];
    return others_[std::min(slot, kSlots - 1) - 1];
}

const TextureNameSlot& MeshTextureNames::operator[](int slot) const
{
    static const TextureNameSlot kNone;
    if (slot <= 0) return first_;
    return others_ ? others_[std::min(slot, kSlots - 1) - 1] : kNone;
}

void MeshTextureNames::Set(int slot, std::u16string name)
{
    if (slot > 0 && !others_ && name.empty()) return;
    TextureNameSlot& target = (*this)[slot];
    target.hash = NameHash(name);
    target.name = std::move(name);
}

void MeshTextureNames::Clear()
{
    first_ = TextureNameSlot{};
    delete[] others_;
    others_ = nullptr;
}

PrivateHeap& FaceHeap::Heap()
{
    static PrivateHeap heap;
    return heap;
}
PolygonFace* FaceHeap::Allocate(uint32_t count) { return NewCountedArray<PolygonFace>(Heap(), count); }
void FaceHeap::Free(PolygonFace* faces) { DeleteCountedArray(Heap(), faces); }

PrivateHeap& TexCoordHeap::Heap()
{
    static PrivateHeap heap;
    return heap;
}
TexCoord* TexCoordHeap::Allocate(uint32_t count) { return NewCountedArray<TexCoord>(Heap(), count); }
void TexCoordHeap::Free(TexCoord* coords) { DeleteCountedArray(Heap(), coords); }

PrivateHeap& WeightHeap::Heap()
{
    static PrivateHeap heap;
    return heap;
}
VertexWeight* WeightHeap::Allocate(uint32_t count) { return NewCountedArray<VertexWeight>(Heap(), count); }
void WeightHeap::Free(VertexWeight* weights) { DeleteCountedArray(Heap(), weights); }

PrivateHeap& VectorHeap::Heap()
{
    static PrivateHeap heap;
    return heap;
}
Vector3* VectorHeap::Allocate(uint32_t count) { return NewCountedArray<Vector3>(Heap(), count); }
void VectorHeap::Free(Vector3* vectors) { DeleteCountedArray(Heap(), vectors); }

// ---------------------------------------------------------------------------
// Quaternions
// ---------------------------------------------------------------------------

Vector4 Quaternion::Slerp(const Vector4& a, const Vector4& b, float t)
{
    Vector4 target = b;
    float d = a.v[0] * b.v[0] + a.v[1] * b.v[1] + a.v[2] * b.v[2] + a.v[3] * b.v[3];
    if (d < 0.0f) {
        for (float& c : target.v) c = -c;
        d = -d;
    }
    float wa = 1.0f - t;
    float wb = t;
    if (1.0f - d > 0.001f) {
        const float theta = std::acos(d);
        const float sine = std::sin(theta);
        wa = std::sin((1.0f - t) * theta) / sine;
        wb = std::sin(t * theta) / sine;
    }
    Vector4 result;
    for (int i = 0; i < 4; ++i) result.v[i] = wa * a.v[i] + wb * target.v[i];
    return result;
}

Vector4 Quaternion::FromRotation(const Matrix4& matrix)
{
    auto m = [&](int r, int c) { return matrix.m[r * 4 + c]; };
    Vector4 q;
    const float trace = m(0, 0) + m(1, 1) + m(2, 2);
    if (trace > 0.0f) {
        const float s = std::sqrt(trace + 1.0f);
        const float f = 0.5f / s;
        q.v[0] = s * 0.5f;
        q.v[1] = (m(1, 2) - m(2, 1)) * f;
        q.v[2] = (m(2, 0) - m(0, 2)) * f;
        q.v[3] = (m(0, 1) - m(1, 0)) * f;
        return q;
    }
    int i = m(0, 0) >= m(1, 1) ? 0 : 1;
    if (m(i, i) < m(2, 2)) i = 2;
    const int j = (i + 1) % 3;
    const int k = (i + 2) % 3;
    const float s = std::sqrt(m(i, i) - (m(j, j) + m(k, k)) + 1.0f);
    const float f = s != 0.0f ? 0.5f / s : s;
    float xyz[3];
    xyz[i] = s * 0.5f;
    xyz[j] = (m(i, j) + m(j, i)) * f;
    xyz[k] = (m(i, k) + m(k, i)) * f;
    q.v[0] = (m(j, k) - m(k, j)) * f;
    q.v[1] = xyz[0];
    q.v[2] = xyz[1];
    q.v[3] = xyz[2];
    return q;
}

// ---------------------------------------------------------------------------
// Mesh construction and geometry
// ---------------------------------------------------------------------------

CPolygonsGrid::CPolygonsGrid() : name(kUnnamed) {}

CPolygonsGrid::~CPolygonsGrid()
{
    if (physicBody) {
        delete physicBody;
        physicBody = nullptr;
    }
    FreeGeometry();
    FreeSharedName(name);
    FreeRenderSets(nullptr);
    if (extraRenderSet) {
        RenderSet::Release(extraRenderSet);
        RenderSet::Free(extraRenderSet);
        extraRenderSet = nullptr;
    }
    // The CPU side of the texture is ours to free whether or not a driver
    // ever saw it; only the GPU side needs the driver.
    if (ownTexture) {
        if (driver) driver->ReleaseTexture(ownTexture);
        CTexture::Delete(ownTexture);
        ownTexture = nullptr;
    }
    SharedHeapFree(vertexRecords16);
    vertexRecords16 = nullptr;
    WeightHeap::Free(weights);
    weights = nullptr;
    weightCount = 0;
    textureNames.Clear();
}

void CPolygonsGrid::SetName(const char* text) { SetSharedName(name, text); }

void CPolygonsGrid::FreeGeometry()
{
    FaceHeap::Free(faces);  // before the coordinate block some faces point into
    faces = nullptr;
    faceCount = 0;
    TexCoordHeap::Free(texCoordBlock_);
    texCoordBlock_ = nullptr;
    VectorHeap::Heap().Free(geometryBlock_);
    geometryBlock_ = nullptr;
    unscaledPositions = positions = basePositions = normals = nullptr;
    cornerIndices = nullptr;
    cornerIndexCount = 0;
    cornerFlags = nullptr;
    vertexCount = 0;
    triangleCount = 0;
    quadCount = 0;
}

bool CPolygonsGrid::AllocateGeometry(uint32_t vertices, uint32_t corners, bool withCornerFlags, uint32_t faceTotal)
{
    // The three vertex arrays, then the corner indices and their flags, in one
    // zeroed block: one allocation instead of five, and a mesh's arrays side
    // by side. The render sets' base positions are the positions themselves:
    // everything that changes positions saves them as the base at once, so a
    // copy of its own would always hold the same values (and cost 12 bytes
    // per vertex of every mesh).
    const size_t vectorBytes = size_t{vertices} * sizeof(Vector3);
    const size_t bytes = 3 * vectorBytes + size_t{corners} * 2 + (withCornerFlags ? corners : 0);
    auto* block = static_cast<uint8_t*>(VectorHeap::Heap().Alloc(bytes));
    if (block) {
        std::memset(block, 0, bytes);
        geometryBlock_ = block;
        positions = reinterpret_cast<Vector3*>(block);
        unscaledPositions = positions + vertices;
        basePositions = positions;
        normals = unscaledPositions + vertices;
        cornerIndices = reinterpret_cast<uint16_t*>(block + 3 * vectorBytes);
        if (withCornerFlags) cornerFlags = block + 3 * vectorBytes + size_t{corners} * 2;
        faces = FaceHeap::Allocate(faceTotal);
    }
    if (!faces) {
        FreeGeometry();
        return false;
    }
    cornerIndexCount = static_cast<int32_t>(corners);
    vertexCount = static_cast<uint16_t>(vertices);
    faceCount = static_cast<uint16_t>(faceTotal);
    return true;
}

int CPolygonsGrid::CreatePolygons(int newVertexCount, int newTriangleCount, int newQuadCount)
{
    FreeGeometry();
    const int64_t faceTotal = int64_t{newTriangleCount} + newQuadCount;
    if (newVertexCount < 0 || newTriangleCount < 0 || newQuadCount < 0 || newVertexCount > kMaxMeshVertices ||
        faceTotal > 0xFFFF)
        return 0;
    const int indexTotal = 3 * newTriangleCount + 4 * newQuadCount;
    if (!AllocateGeometry(static_cast<uint32_t>(newVertexCount), static_cast<uint32_t>(indexTotal), true,
                          static_cast<uint32_t>(faceTotal)))
        return 0;
    triangleCount = newTriangleCount;
    quadCount = newQuadCount;
    MeshKind = 2;
    return 1;
}

int CPolygonsGrid::CreateGrid(int columns, int rows)
{
    FreeGeometry();
    columns = std::min(columns, kMaxGridCells);
    rows = std::min(rows, kMaxGridCells);
    if (columns < 0 || rows < 0) return 0;
    // 256 x 256 cells would need 66,049 vertices; the count is 16-bit.
    const int vertices = (columns + 1) * (rows + 1);
    const int cells = columns * rows;
    if (vertices > kMaxMeshVertices || cells > 0xFFFF) return 0;
    if (!AllocateGeometry(static_cast<uint32_t>(vertices), static_cast<uint32_t>(4 * cells), false,
                          static_cast<uint32_t>(cells)))
        return 0;
    rowCount1 = static_cast<uint16_t>(rows + 1);
    columnCount1 = static_cast<uint16_t>(columns + 1);
    triangleCount = 0;
    quadCount = cells;
    MeshKind = 1;
    return 1;
}

void CPolygonsGrid::DropFaceTexCoords()
{
    for (uint32_t f = 0; faces && f < faceCount; ++f) {
        PolygonFace& face = faces[f];
        if (!face.meshTexCoords) TexCoordHeap::Free(face.texCoords);
        face.texCoords = nullptr;
        face.texCoordCount = 0;
        face.meshTexCoords = 0;
    }
    TexCoordHeap::Free(texCoordBlock_);
    texCoordBlock_ = nullptr;
}

template <class SetsOf>
bool CPolygonsGrid::AllocateMeshTexCoords(SetsOf setsOf)
{
    DropFaceTexCoords();
    if (!faces) return false;
    const auto pairsOf = [&](uint32_t f) {
        return std::max<int>(faces[f].corners, 0) * std::min<int>(setsOf(f), kMaxTexCoordSets);
    };
    uint64_t total = 0;
    for (uint32_t f = 0; f < faceCount; ++f) total += static_cast<uint64_t>(pairsOf(f));
    texCoordBlock_ = total <= 0xFFFFFFFFu ? TexCoordHeap::Allocate(static_cast<uint32_t>(total)) : nullptr;
    if (!texCoordBlock_) return false;
    TexCoord* next = texCoordBlock_;
    for (uint32_t f = 0; f < faceCount; ++f) {
        PolygonFace& face = faces[f];
        const int pairs = pairsOf(f);
        face.texCoords = next;
        face.texCoordCount = static_cast<uint16_t>(pairs);
        face.meshTexCoords = 1;
        next += pairs;
    }
    return true;
}

bool CPolygonsGrid::AllocateTexCoords(const uint8_t* setsPerFace)
{
    if (!setsPerFace) {
        DropFaceTexCoords();
        return false;
    }
    return AllocateMeshTexCoords([setsPerFace](uint32_t f) { return setsPerFace[f]; });
}

bool CPolygonsGrid::AllocateTexCoords(uint8_t sets)
{
    return AllocateMeshTexCoords([sets](uint32_t) { return sets; });
}

void CPolygonsGrid::SaveBasePositions()
{
    if (!positions || !basePositions || basePositions == positions) return;
    for (uint32_t i = 0; i < vertexCount; ++i) basePositions[i] = positions[i];
}

uint16_t CPolygonsGrid::CornerVertex(const PolygonFace& face, int corner) const
{
    if (!face.cornerIndices || !cornerIndices) return 0;
    const ptrdiff_t first = face.cornerIndices - cornerIndices;
    if (first < 0 || first + corner >= cornerIndexCount) return 0;
    return face.cornerIndices[corner];
}

void CPolygonsGrid::ComputeBounds()
{
    Vector3 low{FLT_MAX, FLT_MAX, FLT_MAX};
    Vector3 high{-FLT_MAX, -FLT_MAX, -FLT_MAX};
    bool any = false;
    for (uint32_t f = 0; positions && faces && f < faceCount; ++f) {
        const PolygonFace& face = faces[f];
        const int corners = face.corners;
        if (corners < 1 || face.hidden) continue;
        // A face whose corners all lie within the mesh's indices (every face
        // a world file gives) reads them directly; any other as CornerVertex does.
        const ptrdiff_t first = face.cornerIndices && cornerIndices ? face.cornerIndices - cornerIndices : -1;
        const bool within = first >= 0 && first + corners <= cornerIndexCount;
        for (int j = 0; j < corners; ++j) {
            const uint16_t v = within ? face.cornerIndices[j] : CornerVertex(face, j);
            if (v >= vertexCount) continue;
            const Vector3& p = positions[v];
            low = Vector3{std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
            high = Vector3{std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
            any = true;
        }
    }
    if (!any) {
        // Nothing visible: an empty box at the origin that culls as a point.
        boundsMin = boundsMax = boundsCenter = Vector3{};
        radius = 0.0f;
        return;
    }
    boundsMin = low;
    boundsMax = high;
    boundsCenter = Vector3::Scale(Vector3::Add(low, high), 0.5f);
    radius = std::max(Vector3::Sub(boundsCenter, high).Length(), Vector3::Sub(boundsCenter, low).Length());
}

int CPolygonsGrid::CreateVertexWeight(int count)
{
    WeightHeap::Free(weights);
    weights = nullptr;
    weightCount = 0;
    if (count <= 0) return 0;
    weights = WeightHeap::Allocate(static_cast<uint32_t>(count));
    if (!weights) {
        WriteLog("Error: CPolygonsGrid :: CreateVertexWeight() = NULL");
        return 0;
    }
    weightCount = count;
    return count;
}

// ---------------------------------------------------------------------------
// Render sets
// ---------------------------------------------------------------------------

bool CPolygonsGrid::Matches(const PolygonFace& face, int32_t vertexFormat) const
{
    return face.VertexFormat == vertexFormat && face.hidden == 0 && (face.corners == 3 || face.corners == 4);
}

int CPolygonsGrid::PrepeareRenderSet(CDriver* useDriver, RenderSet** slot, int32_t vertexFormat,
                                     const Vector3& offset)
{
    if (!slot) return 0;
    if (*slot) {
        RenderSet::Release(*slot);
        RenderSet::Free(*slot);
        *slot = nullptr;
    }
    // Only faces the fill can write count, so the arrays always hold what it writes.
    int64_t vertices = 0;
    int64_t indexTotal = 0;
    for (uint32_t f = 0; faces && f < faceCount; ++f) {
        if (!Matches(faces[f], vertexFormat)) continue;
        vertices += faces[f].corners;
        indexTotal += faces[f].corners == 3 ? 3 : 6;
    }
    bool uploaded = false;
    *slot = BuildRenderSet(useDriver, vertexFormat, vertices, indexTotal, offset, uploaded);
    return uploaded ? 1 : 0;
}

RenderSet* CPolygonsGrid::BuildRenderSet(CDriver* useDriver, int32_t vertexFormat, int64_t vertices,
                                         int64_t indexTotal, const Vector3& offset, bool& uploaded)
{
    uploaded = false;
    if (vertices < 3 || indexTotal < 3) return nullptr;
    if (vertices > kMaxRenderSetVertices) {
        // 16-bit indices cannot reach past vertex 65,535.
        WriteLog("Error: CPolygonsGrid :: PrepeareRenderSet() ");
        return nullptr;
    }
    const auto n = static_cast<size_t>(vertices);
    const auto m = static_cast<size_t>(indexTotal);
    const VertexLayout layout = VertexLayoutOf(vertexFormat);

    RenderSet* set = RenderSet::Allocate();
    if (!set) {
        WriteLog("Error: CPolygonsGrid :: PrepeareRenderSet() ");
        return nullptr;
    }
    bool ok = true;
    auto allocate = [&](size_t bytes) {
        void* block = SharedHeapAlloc(bytes);
        if (block) std::memset(block, 0, bytes);
        else ok = false;
        return block;
    };
    switch (layout.vertexBytes) {
    case 32: set->vertices32 = static_cast<float*>(allocate(n * 32)); break;
    case 40: set->vertices40 = static_cast<float*>(allocate(n * 40)); break;
    case 48: set->vertices48 = static_cast<float*>(allocate(n * 48)); break;
    case 56: set->vertices56 = static_cast<float*>(allocate(n * 56)); break;
    default: break;
    }
    if (layout.tangents) set->tangents = static_cast<Vector3*>(allocate(n * sizeof(Vector3)));
    if (layout.vertexBytes > 0 && weights) set->skin = static_cast<float*>(allocate(n * 32));
    if (vertexRecords16) set->extraStream16 = static_cast<uint8_t*>(allocate(n * 16));
    set->indices = static_cast<uint16_t*>(allocate(m * 2));
    set->sourceIndices = static_cast<uint32_t*>(allocate(n * 4));
    set->gpu = static_cast<GpuBufferSet*>(allocate(sizeof(GpuBufferSet)));
    if (!ok) {
        WriteLog("Error: CPolygonsGrid :: PrepeareRenderSet() ");
        RenderSet::Release(set);
        RenderSet::Free(set);
        return nullptr;
    }
    if (set->gpu) *set->gpu = GpuBufferSet{};
    set->vertexCount = static_cast<int32_t>(n);
    set->indexCount = static_cast<int32_t>(m);
    FillRenderSet(set, vertexFormat, offset);

    uploaded = useDriver && useDriver->CreateRenderSetBuffers(set) > 0;
    // The index data lives in the GPU index buffer from here on. So do the
    // vertex streams once the driver took them: a mesh that changes builds
    // new sets from its own arrays, and a new device rebuilds them from the
    // mesh too, so the copies would never be read again. Without a device
    // they stay (they are all there is of the set).
    const auto drop = [](auto*& array) {
        SharedHeapFree(array);
        array = nullptr;
    };
    drop(set->indices);
    if (uploaded) {
        drop(set->vertices32), drop(set->vertices40), drop(set->vertices48), drop(set->vertices56);
        drop(set->tangents), drop(set->skin), drop(set->extraStream16), drop(set->sourceIndices);
    }
    return set;
}

void CPolygonsGrid::FillRenderSet(RenderSet* set, int32_t vertexFormat, const Vector3& offset) const
{
    if (!set) return;
    const VertexLayout layout = VertexLayoutOf(vertexFormat);
    float* vertexArray = set->vertices32 ? set->vertices32
                       : set->vertices40 ? set->vertices40
                       : set->vertices48 ? set->vertices48
                                         : set->vertices56;
    const int floatsPerVertex = layout.vertexBytes / 4;
    const auto capacity = static_cast<uint32_t>(std::max(set->vertexCount, 0));
    uint32_t k = 0;
    // Local copies: the stores below could otherwise alias the record's fields.
    uint32_t* const sourceIndices = set->sourceIndices;
    Vector3* const tangents = set->tangents;
    uint8_t* const vertexBytes = set->vertexBytes;
    uint8_t* const extraStream16 = set->extraStream16;
    float* const skinStream = set->skin;

    for (uint32_t f = 0; faces && f < faceCount && layout.vertexBytes > 0; ++f) {
        const PolygonFace& face = faces[f];
        if (!Matches(face, vertexFormat)) continue;
        Vector3 shadingNormal = face.faceNormal;
        if (Dot(face.flatNormal, face.flatNormal) > 0.001f) shadingNormal = face.flatNormal;
        for (int j = 0; j < face.corners && k < capacity; ++j, ++k) {
            const uint16_t v = CornerVertex(face, j);
            const bool inMesh = v < vertexCount;
            if (sourceIndices) sourceIndices[k] = v;
            const Vector3 vertexNormal = (normals && inMesh) ? normals[v] : Vector3{};
            if (tangents) tangents[k] = TangentOf(vertexNormal);
            if (vertexBytes && cornerFlags && v < cornerIndexCount) vertexBytes[k] = cornerFlags[v];
            if (extraStream16 && vertexRecords16 && inMesh)
                std::memcpy(extraStream16 + 16 * size_t(k), vertexRecords16 + 16 * size_t(v), 16);
            if (skinStream) {
                float* skin = skinStream + 8 * size_t(k);
                std::fill(skin, skin + 8, 0.0f);
                if (weights && v < weightCount) {
                    const VertexWeight& weight = weights[v];
                    const int used = std::clamp(weight.count, 0, 4);
                    for (int i = 0; i < used; ++i) {
                        skin[i] = weight.weights[i];
                        skin[4 + i] = static_cast<float>(weight.bones[i]);
                    }
                }
            }
            if (!vertexArray) continue;
            float* out = vertexArray + size_t(floatsPerVertex) * k;
            const Vector3 base = (basePositions && inMesh) ? basePositions[v] : Vector3{};
            const Vector3 position = Vector3::Add(base, offset);
            const Vector3 normal = face.ShadingMode == 1 ? shadingNormal : vertexNormal;
            out[0] = position.x, out[1] = position.y, out[2] = position.z;
            out[3] = normal.x, out[4] = normal.y, out[5] = normal.z;
            for (int uv = 0; uv < layout.uvSlots; ++uv) {
                const TexCoord coord = face.GetTexCoord(j, layout.uvSets[uv]);
                out[6 + 2 * uv] = coord.u;
                out[7 + 2 * uv] = coord.v;
            }
        }
    }

    // Indices from each face's first vertex b: a triangle as it is, a quad
    // split along its diagonal from b into two triangles.
    if (!set->indices) return;
    const auto indexCapacity = static_cast<uint32_t>(std::max(set->indexCount, 0));
    uint32_t written = 0;
    uint32_t b = 0;
    auto put = [&](uint32_t index) {
        if (written < indexCapacity) set->indices[written++] = static_cast<uint16_t>(index);
    };
    for (uint32_t f = 0; faces && f < faceCount; ++f) {
        const PolygonFace& face = faces[f];
        if (!Matches(face, vertexFormat)) continue;
        put(b), put(b + 1), put(b + 2);
        if (face.corners == 4) {
            put(b), put(b + 2), put(b + 3);
            b += 4;
        } else {
            b += 3;
        }
    }
}

int CPolygonsGrid::PrepareRenderSets(CDriver* useDriver, const Vector3& offset)
{
    if (!useDriver) return 0;
    driver = useDriver;
    ReleaseRenderSets(useDriver);

    // One pass sorts the drawable faces by code: the vertices and indices
    // each slot's set will take.
    struct Bucket {
        int32_t code = 0;
        int64_t vertices = 0;
        int64_t indices = 0;
    };
    std::vector<Bucket> buckets;
    size_t last = 0;
    for (uint32_t f = 0; faces && f < faceCount; ++f) {
        const PolygonFace& face = faces[f];
        if (face.hidden != 0 || (face.corners != 3 && face.corners != 4)) continue;
        if (last >= buckets.size() || buckets[last].code != face.VertexFormat) {
            last = 0;
            while (last < buckets.size() && buckets[last].code != face.VertexFormat) ++last;
            if (last == buckets.size()) {
                // Codes outside the table have no slot and build nothing.
                if (face.VertexFormat != 0 && SlotOfVertexFormat(face.VertexFormat) < 0) continue;
                buckets.push_back(Bucket{face.VertexFormat});
            }
        }
        buckets[last].vertices += face.corners;
        buckets[last].indices += face.corners == 3 ? 3 : 6;
    }

    // Each slot a bucket fills, in slot order (code 0 fills every unassigned slot).
    struct Job {
        int slot;
        const Bucket* bucket;
    };
    std::vector<Job> jobs;
    for (const Bucket& bucket : buckets) {
        if (bucket.vertices < 3 || bucket.indices < 3) continue;
        if (bucket.code != 0) {
            jobs.push_back(Job{SlotOfVertexFormat(bucket.code), &bucket});
            continue;
        }
        for (int slot = kFirstUnassignedSlot; slot <= kLastUnassignedSlot; ++slot) jobs.push_back(Job{slot, &bucket});
    }
    std::sort(jobs.begin(), jobs.end(), [](const Job& a, const Job& b) { return a.slot < b.slot; });

    int result = 0;
    std::vector<SlotRenderSet> built;
    built.reserve(jobs.size());
    for (const Job& job : jobs) {
        bool uploaded = false;
        RenderSet* set = BuildRenderSet(useDriver, job.bucket->code, job.bucket->vertices, job.bucket->indices, offset,
                                        uploaded);
        if (uploaded) result = 1;
        if (!set) continue;
        set->vertexFormat = VertexFormatOfSlot(job.slot);
        built.push_back(SlotRenderSet{job.slot, set});
    }
    if (!built.empty()) {
        builtSets_ = NewCountedArray<SlotRenderSet>(SharedHeap(), static_cast<uint32_t>(built.size()));
        if (builtSets_) {
            std::copy(built.begin(), built.end(), builtSets_);
        } else {
            WriteLog("Error: CPolygonsGrid :: PrepeareRenderSet() ");
            for (SlotRenderSet& entry : built) {
                useDriver->ReleaseRenderSetBuffers(entry.set);
                RenderSet::Release(entry.set);
                RenderSet::Free(entry.set);
            }
            built.clear();
            result = 0;
        }
    }
    renderSetSlots = built.empty() ? 1 : built.back().slot + 1;
    return result;
}

void CPolygonsGrid::FreeRenderSets(CDriver* releaseBuffers)
{
    for (const SlotRenderSet& entry : BuiltRenderSets()) {
        if (releaseBuffers) releaseBuffers->ReleaseRenderSetBuffers(entry.set);
        RenderSet::Release(entry.set);
        RenderSet::Free(entry.set);
    }
    DeleteCountedArray(SharedHeap(), builtSets_);
    builtSets_ = nullptr;
}

void CPolygonsGrid::ReleaseRenderSets(CDriver* useDriver)
{
    if (!useDriver) return;
    FreeRenderSets(useDriver);
    if (extraRenderSet) useDriver->ReleaseRenderSetBuffers(extraRenderSet);
}

RenderSet* CPolygonsGrid::GetRenderSet(int slot) const
{
    for (const SlotRenderSet& entry : BuiltRenderSets()) {
        if (entry.slot == slot) return entry.set;
        if (entry.slot > slot) break;
    }
    return nullptr;
}

std::span<const SlotRenderSet> CPolygonsGrid::BuiltRenderSets() const
{
    return {builtSets_, CountedArraySize(builtSets_)};
}

void DestroyMesh(CPolygonsGrid* mesh)
{
    if (!mesh) return;
    mesh->ReleaseRenderSets(mesh->driver);
    delete mesh;
}
