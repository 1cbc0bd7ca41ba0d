// The floor a blank world starts on: the sector grid, floor tiles (or, on
// request, a random mix of raised and missing ones) and walls along the
// edges. Every tile and wall is a box object that keeps only its visible
// faces.
//
// Index
//   - Box faces: corners, texture extents
//   - CreateBoxObject
//   - BuildGround
#include <algorithm>
#include <cmath>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "core/name_key.h"
#include "shell/log.h"
#include "world/object.h"
#include "world/object_part.h"
#include "world/polygons_grid.h"
#include "world/world.h"

namespace {

// ---------------------------------------------------------------------------
// Box faces
// ---------------------------------------------------------------------------

enum BoxFace { kFront, kRight, kBack, kLeft, kTop, kBottom, kBoxFaces };

// Corner c of a face is (sign x hx, sign y hy, sign z hz); corners run so that
// (c0, c1, c2) and (c0, c2, c3) face outwards.
struct FaceCorners {
    float sign[4][3];
    int firstExtent;   // 0 x, 1 y, 2 z: the extent that spans u
    int secondExtent;  // the extent that spans v
};

constexpr FaceCorners kFaceCorners[kBoxFaces] = {
    {{{-1, -1, -1}, {-1, 1, -1}, {1, 1, -1}, {1, -1, -1}}, 0, 1},  // front, -z
    {{{1, -1, -1}, {1, 1, -1}, {1, 1, 1}, {1, -1, 1}}, 2, 1},      // right, +x
    {{{1, -1, 1}, {1, 1, 1}, {-1, 1, 1}, {-1, -1, 1}}, 0, 1},      // back, +z
    {{{-1, -1, 1}, {-1, 1, 1}, {-1, 1, -1}, {-1, -1, -1}}, 2, 1},  // left, -x
    {{{-1, 1, -1}, {-1, 1, 1}, {1, 1, 1}, {1, 1, -1}}, 0, 2},      // top, +y
    {{{-1, -1, 1}, {-1, -1, -1}, {1, -1, -1}, {1, -1, 1}}, 0, 2},  // bottom, -y
};

// A face's two triangles by corner number, and each corner's texture
// coordinates in units of (a, b): u grows from corner 1 to corner 2, v from
// corner 1 to corner 0.
constexpr int kTriangleCorners[2][3] = {{0, 1, 2}, {0, 2, 3}};
constexpr float kCornerUv[4][2] = {{0, 1}, {0, 0}, {1, 0}, {1, 1}};

// Texture coordinates repeat every 10 units.
constexpr float kTexCoordsPerUnit = 0.1f;

// Shipped vertex format of the ground: position, normal, one uv set.
constexpr int32_t kGroundVertexFormat = 0x1001;

// ---------------------------------------------------------------------------
// Ground sizes
// ---------------------------------------------------------------------------

constexpr float kSectorSpacing = 100.0f;
constexpr float kTileThickness = 4.0f;
constexpr float kTileCentreY = -2.0f;        // the tile tops lie at height 0
constexpr float kRaisedTileCentreY = 2.0f;   // mosaic tiles raised by one thickness
constexpr float kWallThickness = 2.0f;
// The new-world screen asks for at most 6 sectors and 51 tiles a side; these
// bounds keep an absurd size from asking for millions of objects.
constexpr int kMaxSectorsPerSide = 64;
constexpr int kMaxTilesPerSide = 100;

// trunc(value) for a positive value, limited to `most`; converting a float
// beyond int's range would be undefined.
int CountOf(float value, int most)
{
    if (!(value < static_cast<float>(most))) return most;
    return std::max(1, static_cast<int>(value));
}

// One uniform draw of 0..10 from a Mersenne Twister seeded afresh from the
// system's random device.
int DrawEleven(std::random_device& device)
{
    std::mt19937 engine(device());
    return std::uniform_int_distribution<int>(0, 10)(engine);
}

}  // namespace

// ---------------------------------------------------------------------------
// CreateBoxObject
// ---------------------------------------------------------------------------

CNBObject* CWorld::CreateBoxObject(float sizeX, float sizeY, const Vector3& centre, float sizeZ,
                                   const char16_t* textureName, int front, int right, int back, int left,
                                   int bottom)
{
    CNBObject* object = new CNBObject;
    if (!object) return nullptr;
    object->SetDefaultLabel();

    bool wanted[kBoxFaces] = {};
    wanted[kFront] = front != 0;
    wanted[kRight] = right != 0;
    wanted[kBack] = back != 0;
    wanted[kLeft] = left != 0;
    wanted[kTop] = true;
    wanted[kBottom] = bottom != 0;
    int faceCount = 0;
    for (bool face : wanted) faceCount += face ? 1 : 0;

    // An object without its mesh would be kept, saved and handed to a mesh
    // body; it is dropped instead.
    ObjectPart* part = object->AllocateParts(1) ? object->GetPart(0) : nullptr;
    if (!part || !part->CreateGrid(4 * faceCount, 2 * faceCount, 0)) {
        CNBObject::Delete(object);
        return nullptr;
    }
    object->StaticFlag = 0;
    object->ShapeKind = 6;  // static triangle mesh
    object->HasRigidBody = 1;
    object->Kind = 1;       // ground and borders
    object->WorldMatrix.m[12] = centre.x;
    object->WorldMatrix.m[13] = centre.y;
    object->WorldMatrix.m[14] = centre.z;
    // View and shadow culling test the object at Position; it must agree
    // with the matrix from the start, not only once physics has copied a
    // body back.
    object->UpdatePosition();

    CPolygonsGrid* mesh = part->mainMesh;
    const float size[3] = {sizeX, sizeY, sizeZ};
    const float half[3] = {sizeX / 2, sizeY / 2, sizeZ / 2};
    TexCoord coords[kBoxFaces * 6];
    int vertex = 0;
    int triangleIndex = 0;
    int coordCount = 0;
    for (int face = 0; face < kBoxFaces; ++face) {
        if (!wanted[face]) continue;
        const FaceCorners& corners = kFaceCorners[face];
        const int first = vertex;
        for (const auto& sign : corners.sign) {
            const Vector3 p{sign[0] * half[0], sign[1] * half[1], sign[2] * half[2]};
            // The unscaled positions are the box as defined; the world file
            // keeps both and rescaling starts from them.
            mesh->positions[vertex] = p;
            mesh->unscaledPositions[vertex] = p;
            ++vertex;
        }
        const float a = kTexCoordsPerUnit * size[corners.firstExtent];
        const float b = kTexCoordsPerUnit * size[corners.secondExtent];
        for (const auto& triangle : kTriangleCorners) {
            for (int j = 0; j < 3; ++j) {
                const int c = triangle[j];
                mesh->cornerIndices[3 * triangleIndex + j] = static_cast<uint16_t>(first + c);
                coords[coordCount++] = TexCoord{a * kCornerUv[c][0], b * kCornerUv[c][1]};
            }
            ++triangleIndex;
        }
    }

    TextureNameSlot& slot = mesh->textureNames[0];
    slot.name = textureName ? std::u16string(textureName) : std::u16string();
    slot.hash = NameHash(slot.name);
    mesh->SaveBasePositions();

    for (int k = 0; k < mesh->faceCount; ++k) mesh->faces[k].corners = 3;
    const bool coordinates = mesh->AllocateTexCoords(1);
    for (int k = 0; k < mesh->faceCount; ++k) {
        PolygonFace& face = mesh->faces[k];
        face.firstIndex = static_cast<uint32_t>(3 * k);
        face.cornerIndices = mesh->cornerIndices + 3 * k;
        face.VertexFormat = kGroundVertexFormat;
        face.ShadingMode = 1;  // flat: every corner gets the face's normal
        face.ComputeNormal(mesh->positions);
        if (coordinates)
            for (int j = 0; j < 3; ++j) face.texCoords[j] = coords[3 * k + j];
        face.flatNormal = face.faceNormal;
    }

    object->Driver = driver;
    object->PrepareRenderSets(Vector3{});
    object->ComputeBounds();
    try {
        objects.push_back(object);
    } catch (const std::bad_alloc&) {
        CNBObject::Delete(object);
        return nullptr;
    }
    return object;
}

// ---------------------------------------------------------------------------
// BuildGround
// ---------------------------------------------------------------------------

void CWorld::BuildGround(float worldSize, float tileSize, int borders, float wallHeight, int mosaic)
{
    const bool sizesUsable = std::isfinite(worldSize) && worldSize > 0.0f && std::isfinite(tileSize) &&
                             tileSize > 0.0f && (!borders || (std::isfinite(wallHeight) && wallHeight >= 0.0f));
    if (!sizesUsable) {
        WriteLog("Error: CWorld::BuildGround() ");
        return;
    }
    const float w = worldSize;
    const float h = w / 2;

    // Sectors: a grid about 100 units apart over the whole ground.
    const int m = CountOf(w / kSectorSpacing + 1.0f, kMaxSectorsPerSide);
    const float step = m - 1 > 0 ? w / static_cast<float>(m - 1) : w;
    for (int r = 0; r < m; ++r) {
        for (int c = 0; c < m; ++c) {
            Sector* sector = new (std::nothrow) Sector();
            if (!sector) continue;
            sector->position = Vector3{-h + static_cast<float>(c) * step, 0.0f, -h + static_cast<float>(r) * step};
            try {
                sectors.push_back(sector);
            } catch (const std::bad_alloc&) {
                delete sector;
            }
        }
    }

    // Tiles: n x n of size g, slightly smaller than asked so they fill the ground.
    const int n = CountOf(w / tileSize + 1.0f, kMaxTilesPerSide);
    const float g = w / static_cast<float>(n);
    const auto along = [&](int k) { return -h + static_cast<float>(k) * g + g / 2; };

    std::random_device device;
    std::vector<uint8_t> present;
    if (mosaic) {
        present.resize(static_cast<size_t>(n) * n);
        for (uint8_t& entry : present) entry = DrawEleven(device) < 6 ? 1 : 0;
    }
    for (int r = 0; r < n; ++r) {
        for (int c = 0; c < n; ++c) {
            Vector3 centre{along(c), kTileCentreY, along(r)};
            if (mosaic) {
                if (DrawEleven(device) > 3) centre.y = kRaisedTileCentreY;
                if (!present[static_cast<size_t>(r) * n + c]) continue;
                CreateBoxObject(g, kTileThickness, centre, g, u"laminat_surface.dds", 1, 1, 1, 1, 1);
            } else if (!borders) {
                const bool ring = r == 0 || r == n - 1 || c == 0 || c == n - 1;
                CreateBoxObject(g, kTileThickness, centre, g, u"laminat_surface.dds", r == 0, c == n - 1,
                                r == n - 1, c == 0, ring);
            } else {
                CreateBoxObject(g, kTileThickness, centre, g, u"laminat_surface.dds", 0, 0, 0, 0, 0);
            }
        }
    }

    if (borders) {
        const float H = wallHeight;
        const float y = H / 2;
        const float out = h + kWallThickness / 2;
        const float t = kWallThickness;
        const char16_t* wall = u"ground.dds";
        for (int k = 0; k < n; ++k) CreateBoxObject(t, H, Vector3{out, y, along(k)}, g, wall, 0, 1, 0, 1, 0);
        CreateBoxObject(t, H, Vector3{out, y, out}, t, wall, 0, 1, 1, 0, 0);
        CreateBoxObject(t, H, Vector3{-out, y, out}, t, wall, 0, 0, 1, 1, 0);
        CreateBoxObject(t, H, Vector3{out, y, -out}, t, wall, 1, 1, 0, 0, 0);
        CreateBoxObject(t, H, Vector3{-out, y, -out}, t, wall, 1, 0, 0, 1, 0);
        for (int k = 0; k < n; ++k) CreateBoxObject(t, H, Vector3{-out, y, along(k)}, g, wall, 0, 1, 0, 1, 0);
        for (int k = 0; k < n; ++k) CreateBoxObject(g, H, Vector3{along(k), y, out}, t, wall, 1, 0, 1, 0, 0);
        for (int k = 0; k < n; ++k) CreateBoxObject(g, H, Vector3{along(k), y, -out}, t, wall, 1, 0, 1, 0, 0);
    }

    LinkTextures();
}
