// ObjectPart: one piece of a CNBObject. It owns a main mesh and at most three
// further ones (for a grid part, the same grid at 1/2, 1/4 and 1/8 of its
// resolution). Also the plane operations of picking and cutting.
#pragma once

#include <cstdint>

#include "core/private_heap.h"
#include "core/vector3.h"

class CPolygonsGrid;

class ObjectPart {
public:
    ObjectPart();
    ~ObjectPart();
    ObjectPart(const ObjectPart&) = delete;
    ObjectPart& operator=(const ObjectPart&) = delete;

    // Null, or the name the part has, is ignored; otherwise a copy on the
    // shared heap replaces the name (null when the copy cannot be had).
    void SetName(const char* text);

    // Swaps the main mesh for a new polygon mesh sized for these counts; the
    // part becomes a polygon part. True when the part then has that mesh;
    // false leaves the part without a main mesh.
    bool CreateGrid(int vertexCount, int triangleCount, int quadCount);
    // Replaces further mesh `index` (0..2) by a new empty mesh and returns it;
    // null (nothing changed) for any other index or a failed allocation.
    CPolygonsGrid* CreateFurtherMesh(int index);
    // With a main mesh: replaces the three further meshes by empty meshes with
    // the main mesh's mode words; stops at the first failed allocation.
    void CreateFurtherMeshes();
    // Replaces the main mesh by a columns x rows grid and the further meshes by
    // grids of half, a quarter and an eighth of that size (a level whose halved
    // size reaches 0 is left as it was). 1 on success; 0 keeps the previous
    // main mesh.
    int CreateGridLevels(int columns, int rows);

    // Part arrays live on their own heap, the count kept ahead of element 0.
    static PrivateHeap& ArrayHeap();
    // n constructed parts, or null (also when the byte size overflows 32 bits).
    static ObjectPart* NewArray(uint32_t n);
    // Destroys every part of an array and frees the block. Null does nothing.
    static void FreeArray(ObjectPart* parts);

    // Stored with the world; meaning lies with the scene runtime. A part
    // keeps nothing the world file does not store or something else reads:
    // a landscape holds one part per cube.
    uint8_t headBytes[2] = {};
    uint32_t words[8] = {};
    const char* name = nullptr;                  // "noname" (read-only, shared by unnamed parts) after construction
    uint8_t PartKind = 1;                        // 1 grid with levels, 2 polygon mesh
    int32_t latePair[2] = {};                    // stored with the world
    int32_t partInt = 1;                         // its low byte is stored with the world
    CPolygonsGrid* mainMesh = nullptr;           // owned
    CPolygonsGrid* furtherMeshes[3] = {};        // owned
};

// A plane through `point` with unit `normal` and d = normal . point.
struct Plane {
    Vector3 point;
    Vector3 normal;
    float d = 0.0f;

    static void Clear(Plane* plane);
};

// The plane of triangle (A, B, C) through B. A degenerate triangle gives a
// normal of NaN components, by which callers reject it. Null does nothing.
void ComputeTrianglePlane(Plane* plane, const Vector3* triangle);
// 1 and the crossing point in *out when p0 and p1 are not strictly on the
// same side (an end on the plane counts; a segment lying in the plane gives
// p0); 0 with *out untouched otherwise.
int IntersectSegmentPlane(const Plane* plane, const Vector3& p0, const Vector3& p1, Vector3* out);
