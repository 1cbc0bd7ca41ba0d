#include "world/object_part.h"

#include <cmath>

#include "world/polygons_grid.h"
#include "world/shared_name.h"

namespace {

// A new empty mesh with the mode words of a part mesh, or null.
CPolygonsGrid* NewPartMesh(int32_t mode0, int32_t mode1)
{
    CPolygonsGrid* mesh = new CPolygonsGrid;
    if (!mesh) return nullptr;
    mesh->modeWords[0] = mode0;
    mesh->modeWords[1] = mode1;
    return mesh;
}

// Puts `mesh` into `slot`, destroying what the slot held.
void ReplaceMesh(CPolygonsGrid*& slot, CPolygonsGrid* mesh)
{
    if (slot && slot != mesh) DestroyMesh(slot);
    slot = mesh;
}

}  // namespace

ObjectPart::ObjectPart() : name(kUnnamed) {}

ObjectPart::~ObjectPart()
{
    FreeSharedName(name);
    DestroyMesh(mainMesh);
    mainMesh = nullptr;
    for (CPolygonsGrid*& mesh : furtherMeshes) {
        DestroyMesh(mesh);
        mesh = nullptr;
    }
}

void ObjectPart::SetName(const char* text) { SetSharedName(name, text); }

bool ObjectPart::CreateGrid(int vertexCount, int triangleCount, int quadCount)
{
    CPolygonsGrid* mesh = NewPartMesh(1, 0);
    if (mesh && !mesh->CreatePolygons(vertexCount, triangleCount, quadCount)) {
        // A mesh without arrays would be written through by every creator.
        delete mesh;
        mesh = nullptr;
    }
    ReplaceMesh(mainMesh, mesh);
    if (!mesh) return false;
    PartKind = 2;
    return true;
}

CPolygonsGrid* ObjectPart::CreateFurtherMesh(int index)
{
    if (index < 0 || index > 2) return nullptr;
    ReplaceMesh(furtherMeshes[index], nullptr);
    furtherMeshes[index] = new CPolygonsGrid;
    return furtherMeshes[index];
}

void ObjectPart::CreateFurtherMeshes()
{
    if (!mainMesh) return;
    for (CPolygonsGrid*& slot : furtherMeshes) {
        CPolygonsGrid* mesh = NewPartMesh(mainMesh->modeWords[0], mainMesh->modeWords[1]);
        ReplaceMesh(slot, mesh);
        if (!mesh) return;
    }
}

int ObjectPart::CreateGridLevels(int columns, int rows)
{
    CPolygonsGrid* main = NewPartMesh(1, 0);
    if (!main) return 0;
    if (!main->CreateGrid(columns, rows)) {
        delete main;
        return 0;
    }
    ReplaceMesh(mainMesh, main);
    for (CPolygonsGrid*& slot : furtherMeshes) {
        columns >>= 1;
        rows >>= 1;
        if (columns < 1 || rows < 1) continue;
        CPolygonsGrid* level = NewPartMesh(1, 0);
        if (level && !level->CreateGrid(columns, rows)) {
            delete level;
            level = nullptr;
        }
        ReplaceMesh(slot, level);
        if (!level) return 0;
    }
    PartKind = 1;
    return 1;
}

PrivateHeap& ObjectPart::ArrayHeap()
{
    static PrivateHeap heap;
    return heap;
}

ObjectPart* ObjectPart::NewArray(uint32_t n) { return NewCountedArray<ObjectPart>(ArrayHeap(), n); }

void ObjectPart::FreeArray(ObjectPart* parts) { DeleteCountedArray(ArrayHeap(), parts); }

void Plane::Clear(Plane* plane)
{
    if (plane) *plane = Plane{};
}

void ComputeTrianglePlane(Plane* plane, const Vector3* triangle)
{
    if (!plane || !triangle) return;
    const Vector3 e = Vector3::Sub(triangle[1], triangle[0]);
    const Vector3 g = Vector3::Sub(triangle[2], triangle[0]);
    const Vector3 k{e.y * g.z - e.z * g.y, e.z * g.x - e.x * g.z, e.x * g.y - e.y * g.x};
    // A degenerate triangle has |k| = 0: the normal becomes 0 x inf = NaN on
    // purpose, and the ray tests reject such planes.
    float f = 1.0f / k.Length();
    if (f == 0.0f) f = 1.0f;
    plane->normal = Vector3::Scale(k, f);
    plane->point = triangle[1];
    plane->d = plane->normal.x * plane->point.x + plane->normal.y * plane->point.y +
               plane->normal.z * plane->point.z;
}

int IntersectSegmentPlane(const Plane* plane, const Vector3& p0, const Vector3& p1, Vector3* out)
{
    if (!plane || !out) return 0;
    const Vector3& n = plane->normal;
    const float s0 = n.x * p0.x + n.y * p0.y + n.z * p0.z - plane->d;
    const float s1 = n.x * p1.x + n.y * p1.y + n.z * p1.z - plane->d;
    if ((s0 < 0.0f && s1 < 0.0f) || (s0 > 0.0f && s1 > 0.0f)) return 0;
    const float total = std::fabs(s1) + std::fabs(s0);
    // Both ends on the plane: the segment lies in it, and its start is a crossing.
    const float t = total > 0.0f ? std::fabs(s0) / total : 0.0f;
    *out = Vector3::Add(p0, Vector3::Scale(Vector3::Sub(p1, p0), t));
    return 1;
}
