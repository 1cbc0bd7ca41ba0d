// The polygon mesh of one object part (CPolygonsGrid): vertex arrays, triangle
// and quad faces with a vertex-format code and texture coordinates each,
// optional bone weights, and one render set per vertex-format slot.
//
// Sections:
//   element records   TexCoord, VertexWeight, PolygonFace
//   element heaps     FaceHeap, TexCoordHeap, WeightHeap, VectorHeap
//   quaternions       Quaternion::Slerp, Quaternion::FromRotation
//   the mesh          CPolygonsGrid
//
// Every face points at its run of its mesh's cornerIndices, which number the
// mesh's vertices: a face reads its corners through its mesh. Corner indices
// are 16-bit, so a mesh holds at most 65,535 vertices and a render set at most
// 65,536.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "core/matrix4.h"
#include "core/private_heap.h"
#include "core/vector3.h"
#include "graphics/render_set.h"
#include "world/vertex_formats.h"

class CDriver;
class CTexture;
class CPhysicBody;

// ---------------------------------------------------------------------------
// Element records
// ---------------------------------------------------------------------------

struct TexCoord {
    float u = 0.0f;
    float v = 0.0f;
};

// The bones that move one vertex: up to eight, of which the skin stream of a
// render set carries the first four.
struct VertexWeight {
    int32_t count = 0;
    int32_t bones[8] = {};
    float weights[8] = {};
};

// One triangle or quad of a mesh.
struct PolygonFace {
    PolygonFace() = default;
    ~PolygonFace();
    PolygonFace(const PolygonFace&) = delete;
    PolygonFace& operator=(const PolygonFace&) = delete;

    // Replaces the coordinates by corners x min(sets, 7) zeroed pairs of the
    // face's own. True on success, also for zero sets; false when the memory
    // could not be had, and the face then has no coordinates.
    bool AllocateTexCoords(uint8_t sets);
    // faceNormal from the first three corners, placed at `positions` (its
    // mesh's); a degenerate face, or one without positions, gets (0, 0, 0).
    void ComputeNormal(const Vector3* positions);
    // Texture set `set` of corner `corner`; (0, 0) when the face holds none.
    TexCoord GetTexCoord(int corner, int set) const;

    // The fields are grouped by size (not in the file's order), and only
    // what something reads or the world file stores is kept: a face takes
    // 56 bytes, and a landscape holds over a million faces.
    uint16_t* cornerIndices = nullptr; // the face's first entry in the mesh's cornerIndices
    TexCoord* texCoords = nullptr;     // set s of corner j at j + s x corners; owned
    uint32_t firstIndex = 0;           // that entry's number
    uint16_t texCoordCount = 0;
    int8_t corners = 0;                // 3 or 4
    uint8_t hidden = 0;                // hidden faces are drawn by no render set and bound nothing
    uint8_t faceByte1 = 0;             // stored with the world
    uint8_t faceByte2 = 0;             // stored with the world; at most 6
    uint8_t ShadingMode = 3;           // 1: flat, every corner gets the face's normal
    uint8_t meshTexCoords = 0;         // 1: texCoords lie in the mesh's block and are not the face's to free
    int32_t VertexFormat = 0;          // the code whose render set draws the face
    Vector3 faceNormal;
    Vector3 flatNormal;                // creators copy faceNormal here
};

// ---------------------------------------------------------------------------
// Element heaps: each kind of element array lives on a heap of its own, with
// the element count kept ahead of the first element.
// ---------------------------------------------------------------------------

struct FaceHeap {
    static PrivateHeap& Heap();
    // `count` default faces, or null.
    static PolygonFace* Allocate(uint32_t count);
    // Destroys the faces (each frees its coordinates) and frees the block.
    static void Free(PolygonFace* faces);
};

struct TexCoordHeap {
    static PrivateHeap& Heap();
    static TexCoord* Allocate(uint32_t count);
    static void Free(TexCoord* coords);
};

struct WeightHeap {
    static PrivateHeap& Heap();
    static VertexWeight* Allocate(uint32_t count);
    static void Free(VertexWeight* weights);
};

// Vector3 arrays of meshes, lines, sectors and body pieces.
struct VectorHeap {
    static PrivateHeap& Heap();
    static Vector3* Allocate(uint32_t count);
    static void Free(Vector3* vectors);
};

// ---------------------------------------------------------------------------
// Quaternions: Vector4 with v[0] = w and v[1..3] = x, y, z.
// ---------------------------------------------------------------------------

struct Quaternion {
    // Shortest-arc interpolation; not renormalised. t = 0 gives a.
    static Vector4 Slerp(const Vector4& a, const Vector4& b, float t);
    // The rotation of the upper 3x3 of a row-vector matrix; the inverse of
    // Matrix4::FromQuaternion for rotation matrices.
    static Vector4 FromRotation(const Matrix4& m);
};

// ---------------------------------------------------------------------------
// The mesh
// ---------------------------------------------------------------------------

// A render-set slot that holds a set.
struct SlotRenderSet {
    int32_t slot = 0;
    RenderSet* set = nullptr;
};

// A texture name with its NameHash.
struct TextureNameSlot {
    std::u16string name;
    uint32_t hash = 0;
};

// A mesh's texture names by slot, 0 to kSlots - 1. Slot 0 names the texture
// the passes bind and lives in the mesh; the other slots only travel with a
// world file and are almost always empty, so they are made together on the
// first write to any of them: a large world holds over a hundred thousand
// meshes, and five empty names cost each 200 bytes.
class MeshTextureNames {
public:
    static constexpr int kSlots = 6;

    MeshTextureNames() = default;
    ~MeshTextureNames() { Clear(); }
    MeshTextureNames(const MeshTextureNames&) = delete;
    MeshTextureNames& operator=(const MeshTextureNames&) = delete;

    // The slot to write; the first write past slot 0 makes the other slots
    // (std::bad_alloc when they cannot be had).
    TextureNameSlot& operator[](int slot);
    // The slot to read; a slot never written reads as an empty name of hash 0.
    const TextureNameSlot& operator[](int slot) const;
    // The name and its NameHash into the slot. An empty name for a slot never
    // written leaves it unwritten (it already reads as empty).
    void Set(int slot, std::u16string name);
    // Every slot empty again.
    void Clear();

private:
    TextureNameSlot first_;
    TextureNameSlot* others_ = nullptr;  // slots 1 .. kSlots - 1, or null while never written
};

class CPolygonsGrid : public HeapAllocated<CPolygonsGrid> {
public:
    CPolygonsGrid();
    // Frees everything the mesh owns. GPU buffers are not touched: owners call
    // ReleaseRenderSets first.
    ~CPolygonsGrid();
    CPolygonsGrid(const CPolygonsGrid&) = delete;
    CPolygonsGrid& operator=(const CPolygonsGrid&) = delete;

    // Null, or the name the mesh has, is ignored; otherwise a copy on the
    // shared heap replaces the name.
    void SetName(const char* text);

    // Drops the old geometry for vertexCount vertices, triangleCount triangle
    // faces followed by quadCount quads, and their corner indices and flags,
    // all zeroed. 1, or 0 with no geometry left (allocation failure, a
    // negative count, or more vertices or faces than 16 bits hold).
    int CreatePolygons(int vertexCount, int triangleCount, int quadCount);
    // Replaces all geometry by a grid of columns x rows quad cells (each at most
    // 256), (columns + 1)(rows + 1) vertices. 1, or 0 with no geometry left
    // (also when the vertex count would not fit in 16 bits).
    int CreateGrid(int columns, int rows);
    // Gives every face corners x min(sets, 7) zeroed coordinate pairs, as
    // PolygonFace::AllocateTexCoords would face by face, but all from one
    // block of the mesh's (freed with its geometry). The second form takes
    // each face's own number of sets. False leaves every face without.
    bool AllocateTexCoords(uint8_t sets);
    bool AllocateTexCoords(const uint8_t* setsPerFace);
    // basePositions = positions, vertex by vertex; nothing to do while they
    // are one array, as in every mesh made by CreatePolygons or CreateGrid.
    void SaveBasePositions();
    // Box, centre and radius over the corners of the visible faces; a mesh
    // without any has everything 0.
    void ComputeBounds();
    // Replaces the weights by `count` zeroed records. Returns count, or 0 (none
    // asked for, or the allocation failed: logged).
    int CreateVertexWeight(int count);

    // Releases all render sets, then builds one per slot whose code has faces
    // (the faces are sorted by code in one pass). Remembers the driver. 1 when
    // at least one render set was uploaded.
    int PrepareRenderSets(CDriver* driver, const Vector3& offset);
    // Builds the render set of one code into *slot (null when the code's
    // visible faces give fewer than 3 vertices or indices). 1 when uploaded.
    int PrepeareRenderSet(CDriver* driver, RenderSet** slot, int32_t vertexFormat, const Vector3& offset);
    // Writes vertices, side streams and indices of the code's faces.
    void FillRenderSet(RenderSet* set, int32_t vertexFormat, const Vector3& offset) const;
    // GPU buffers, arrays and records of every slot; GPU buffers of extraRenderSet.
    void ReleaseRenderSets(CDriver* driver);
    // The render set of slot 0..386, else null.
    RenderSet* GetRenderSet(int slot) const;
    // The slots that hold a render set, in ascending slot order.
    std::span<const SlotRenderSet> BuiltRenderSets() const;

    // The vertex index at a face's corner. A face without corner indices, or
    // one whose indices lie outside this mesh's array, reads as vertex 0.
    uint16_t CornerVertex(const PolygonFace& face, int corner) const;

    int32_t triangleCount = 0;
    int32_t quadCount = 0;
    uint8_t meshByte1 = 0;               // stored with the world
    uint16_t meshHalf = 0;
    int32_t meshInt0 = 0;
    CPhysicBody* physicBody = nullptr;   // owned
    const char* name = nullptr;          // shared heap; "noname" (read-only, shared) after construction
    int32_t modeWords[2] = {};           // 1 and 0 for part meshes; stored with the world
    int32_t meshInt1 = 0;
    uint16_t meshHalf2 = 0;
    uint8_t meshByte2 = 0;               // stored with the world
    uint8_t MeshKind = 1;                // 1 regular grid, 2 polygon list
    uint16_t vertexCount = 0;
    uint16_t rowCount1 = 0;              // grid rows + 1
    uint16_t columnCount1 = 0;           // grid columns + 1
    int32_t weightCount = 0;
    int32_t renderSetSlots = 0;          // highest slot holding a set + 1 (1 for none)

    Vector3* unscaledPositions = nullptr;  // as defined
    Vector3* positions = nullptr;          // scaled
    Vector3* basePositions = nullptr;      // what the render sets read; the positions array itself
    VertexWeight* weights = nullptr;
    uint8_t* cornerFlags = nullptr;        // one byte per corner index, optional

    MeshTextureNames textureNames;
    // The borrowed link to the texture of name slot 0, the one the passes
    // bind; nothing links the other slots.
    CTexture* textures[1] = {};

    Vector3* normals = nullptr;
    uint16_t* cornerIndices = nullptr;
    int32_t cornerIndexCount = 0;
    uint16_t faceCount = 0;
    RenderSet* extraRenderSet = nullptr;   // owned; freed by the destructor only
    PolygonFace* faces = nullptr;

    Vector3 boundsMin;
    Vector3 boundsMax;
    Vector3 boundsCenter;
    float radius = 0.0f;

    CDriver* driver = nullptr;             // remembered by PrepareRenderSets
    CTexture* ownTexture = nullptr;        // owned
    uint8_t* vertexRecords16 = nullptr;    // 16 bytes per vertex, optional; shared heap

private:
    void FreeGeometry();
    // The vertex arrays, corner indices (with flags when asked) and faces.
    bool AllocateGeometry(uint32_t vertices, uint32_t corners, bool withCornerFlags, uint32_t faceTotal);
    void DropFaceTexCoords();
    template <class SetsOf>
    bool AllocateMeshTexCoords(SetsOf setsOf);
    bool Matches(const PolygonFace& face, int32_t vertexFormat) const;
    // A filled and uploaded render set of `vertices` vertices and `indexTotal`
    // indices for the faces of one code, or null (logged) when it cannot be
    // had; `uploaded` tells whether the driver took it.
    RenderSet* BuildRenderSet(CDriver* useDriver, int32_t vertexFormat, int64_t vertices, int64_t indexTotal,
                              const Vector3& offset, bool& uploaded);
    void FreeRenderSets(CDriver* releaseBuffers);

    // Only the slots that hold a set are stored: most meshes fill one or two
    // of the 387. Shared heap, count ahead, ascending slots.
    SlotRenderSet* builtSets_ = nullptr;
    void* geometryBlock_ = nullptr;      // the arrays above point into it; vector-array heap
    TexCoord* texCoordBlock_ = nullptr;  // the faces' coordinates when given by the mesh
};

// Destroys a mesh: its render sets through the driver it remembered, then the
// mesh itself. Null does nothing.
void DestroyMesh(CPolygonsGrid* mesh);
