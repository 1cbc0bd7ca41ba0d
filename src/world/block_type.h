// The records of the block library: one BlockType per ".bk" file (geometry,
// material, physics shape, animation), the per-type settings the world file
// stores (BlockSettings), and the QuickBar of up to ten types offered for
// quick selection. Reading ".bk" files is the block library's work; these are
// only the records and their defaults.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/vector3.h"
#include "world/object.h"  // BoneKey

class CDriver;
class CTexture;

struct BlockTexCoord {
    float u = 0.0f;
    float v = 0.0f;
};

// One "vert_weight:" line: the vertex, its bone, the weight.
struct VertexWeightEntry {
    int32_t vertexIndex = 0;
    int32_t boneIndex = 0;
    float weight = 0.0f;
};

// The turning picture of a block type: the object it shows and the targets it
// is drawn into (CScene::RenderBlockPreviews, render/block_previews.cpp makes
// them on the block type's first visit). Owned by its block type: released
// with it, or by Release. Moves hand the links over; copies would free twice.
struct BlockPreview {
    BlockPreview() = default;
    ~BlockPreview() { Release(); }
    BlockPreview(BlockPreview&& other) noexcept;
    BlockPreview& operator=(BlockPreview&& other) noexcept;
    BlockPreview(const BlockPreview&) = delete;
    BlockPreview& operator=(const BlockPreview&) = delete;

    // Frees the object and both targets (their GPU objects through `driver`)
    // and clears the links; the angle stays, so a picture made again goes on
    // turning from where it was.
    void Release();
    // Frees both targets only.
    void ReleaseTargets();

    CDriver* driver = nullptr;    // the scene's driver, stored on every visit
    CNBObject* object = nullptr;  // made at the preview scale it was last drawn with
    CTexture* picture = nullptr;  // 512 x 512 colour target with shader and target views
    CTexture* depth = nullptr;    // its depth target, named "shadowmap", kind 2
    float angle = 0.0f;           // degrees, turning 15 per second of frame time
};

// Made with new, then Init; owned by the world's blockTypes.
struct BlockType {
    // Every field back to the defaults below.
    void Init();
    // boundsMax / boundsMin over the vertices, starting from -/+1.7014117e38
    // (bit patterns 0xFEFFFFFF / 0x7EFFFFFF); without vertices they keep those.
    void ComputeBounds();

    uint32_t headWord = 0;
    std::u16string name;           // as written in the file, case kept
    std::u16string textureName;    // lower-cased
    std::u16string thumbnailName;  // lower-cased
    uint32_t spareWords[3] = {};
    std::vector<Vector3> vertices;
    std::vector<Vector3> normals;
    Vector3 boundsMax;
    Vector3 boundsMin;
    std::vector<std::array<int32_t, 3>> triangles;
    std::vector<BlockTexCoord> texCoords;
    int32_t physicsShape = 0;      // body: 0 none; 1..4 box, sphere, cone, cylinder; 5 a mesh of the triangles
    float shapeParams[8] = {};
    float mass = 1.0f;
    int32_t graphicMaterial = 0x1001;  // vertex-format code of the faces: 0x1001 normal, 0x1401 glass, 0x1201 mask
    float pitch = 0.0f;            // default rotation in degrees about x,
    float roll = 0.0f;             // about z,
    float yaw = 0.0f;              // and about y
    int32_t shading = 0;           // 0 none, 1 phong, 2 lambert
    Vector4 ambient{{0.3f, 0.3f, 0.3f, 1.0f}};
    Vector4 diffuse{{0.6f, 0.6f, 0.6f, 1.0f}};
    Vector4 specular{{0.3f, 0.3f, 0.3f, 1.0f}};
    float materialPower = 4.0f;
    int32_t keyframeCount = 0;
    int32_t boneCount = 0;
    int32_t totalWeightCount = 0;
    uint32_t spareWord = 0;
    std::vector<BoneKey> boneKeys;
    std::vector<float> frameTimes;
    std::vector<VertexWeightEntry> vertexWeights;
    uint32_t tailWord = 0;
    float tailValue = 20.0f;
    uint8_t animationMode = 0;     // 1 simple, 2 bone animation

    // The picture the "Blocks" window and the quick bar show: null until the
    // block type was first rendered on a device (then its shader view is
    // the Dear ImGui texture id; row 0 is the top, uv (0,0)-(1,1) upright).
    CTexture* PreviewPicture() const { return preview.picture; }
    BlockPreview preview;
};

// Per-block-type settings, matched to a block type by exact name.
struct BlockSettings {
    std::u16string name;
    float pitch = 0.0f;
    float roll = 0.0f;
    float yaw = 0.0f;
    Vector4 vectorA;               // the only vector the world file stores
    Vector4 vectorB;
    Vector4 vectorC;
};

// The QuickBar: up to kQuickBarSlots block types borrowed from the library, in
// slot order.
inline constexpr int kQuickBarSlots = 10;
using QuickBar = std::vector<BlockType*>;
