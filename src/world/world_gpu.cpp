// Everything of a CWorld that lives on the graphics device: the objects'
// render sets, the auxiliary meshes (sprite quad, cursor marker, sky box),
// the textures of the Textures folder, the named registries, the shadow maps
// and the texture links. The scene builds it all once a world exists and again
// after the device was lost; the CPU-side world survives in between.
//
// Index
//   - Auxiliary meshes: their fixed vertex data and how one is built
//   - Texture links that must not outlive their texture
//   - GenerateWorld, ReleaseResources
//   - Textures
//   - Shadow maps
#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

#include "graphics/driver.h"
#include "graphics/render_set.h"
#include "graphics/texture.h"
#include "platform/files.h"
#include "platform/text.h"
#include "shell/log.h"
#include "shell/start_directory.h"
#include "world/line.h"
#include "world/object.h"
#include "world/object_part.h"
#include "world/polygons_grid.h"
#include "world/world.h"

namespace {

constexpr const char* kGenerateWorldError = "Error: CWorld::GenerateWorld() ";

// ---------------------------------------------------------------------------
// Auxiliary meshes
// ---------------------------------------------------------------------------

// One 32-byte vertex as the passes read it: position, normal, uv.
struct AuxVertex {
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};
static_assert(sizeof(AuxVertex) == 32, "auxiliary vertices are 32 bytes");

// The screen quad of the cursor sprite; the pass sets no normals.
constexpr AuxVertex kSpriteQuad[] = {
    {-1, -1, 0, 0, 0, 0, 0, 0}, {-1, 1, 0, 0, 0, 0, 0, 1}, {1, 1, 0, 0, 0, 0, 1, 1},
    {-1, -1, 0, 0, 0, 0, 0, 0}, {1, 1, 0, 0, 0, 0, 1, 1},  {1, -1, 0, 0, 0, 0, 1, 0},
};

// Three segments of a line list crossing at the 3D cursor.
constexpr AuxVertex kCursorMarker[] = {
    {-0.1f, 0, 0.1f, 0, 0, 0, 0, 0}, {0.1f, 0, -0.1f, 0, 0, 0, 0, 1}, {-0.1f, 0, -0.1f, 0, 0, 0, 1, 1},
    {0.1f, 0, 0.1f, 0, 0, 0, 0, 0},  {0, -0.1f, 0, 0, 0, 0, 0, 0},    {0, 0.1f, 0, 0, 0, 0, 0, 0},
};

// The four walls of the sky box, seen from inside: normals point inwards.
constexpr AuxVertex kSkyBoxSides[] = {
    // z = -1
    {-1, -1, -1, 0, 0, 1, 1, 1}, {1, 1, -1, 0, 0, 1, 0, 0}, {-1, 1, -1, 0, 0, 1, 1, 0},
    {-1, -1, -1, 0, 0, 1, 1, 1}, {1, -1, -1, 0, 0, 1, 0, 1}, {1, 1, -1, 0, 0, 1, 0, 0},
    // x = -1
    {-1, -1, -1, 1, 0, 0, 0, 1}, {-1, 1, -1, 1, 0, 0, 0, 0}, {-1, 1, 1, 1, 0, 0, 1, 0},
    {-1, -1, -1, 1, 0, 0, 0, 1}, {-1, 1, 1, 1, 0, 0, 1, 0}, {-1, -1, 1, 1, 0, 0, 1, 1},
    // z = 1
    {-1, -1, 1, 0, 0, -1, 0, 1}, {-1, 1, 1, 0, 0, -1, 0, 0}, {1, 1, 1, 0, 0, -1, 1, 0},
    {-1, -1, 1, 0, 0, -1, 0, 1}, {1, 1, 1, 0, 0, -1, 1, 0}, {1, -1, 1, 0, 0, -1, 1, 1},
    // x = 1
    {1, 1, 1, -1, 0, 0, 0, 0}, {1, 1, -1, -1, 0, 0, 1, 0}, {1, -1, -1, -1, 0, 0, 1, 1},
    {1, 1, 1, -1, 0, 0, 0, 0}, {1, -1, -1, -1, 0, 0, 1, 1}, {1, -1, 1, -1, 0, 0, 0, 1},
};

constexpr AuxVertex kSkyBoxTop[] = {
    {-1, 1, -1, 0, -1, 0, 0, 0}, {-1, 1, 1, 0, -1, 0, 1, 0}, {1, 1, 1, 0, -1, 0, 0, 1},
    {-1, 1, -1, 0, -1, 0, 0, 0}, {1, 1, 1, 0, -1, 0, 0, 1},  {1, 1, -1, 0, -1, 0, 1, 1},
};
// The top is wound the other way round, so it faces down into the box.
constexpr uint16_t kSkyBoxTopIndices[] = {0, 2, 1, 3, 5, 4};

constexpr AuxVertex kSkyBoxBottom[] = {
    {-1, -1, -1, 0, -1, 0, 0, 0}, {-1, -1, 1, 0, -1, 0, 1, 0}, {1, -1, 1, 0, -1, 0, 0, 1},
    {-1, -1, -1, 0, -1, 0, 0, 0}, {1, -1, 1, 0, -1, 0, 0, 1},  {1, -1, -1, 0, -1, 0, 1, 1},
};

// A render set of `count` vertices with indices (0, 1, ... when `indices` is
// null), handed to the driver when there is one. A failed allocation is
// logged; a record that lost an array keeps none (no GPU record, counts 0),
// so it is never filled or drawn. Null only when the record itself cannot be had.
RenderSet* BuildAuxiliaryMesh(CDriver* driver, const AuxVertex* vertices, int count, const uint16_t* indices)
{
    RenderSet* set = RenderSet::Allocate();
    if (!set) {
        WriteLog(kGenerateWorldError);
        return nullptr;
    }
    const auto n = static_cast<size_t>(count);
    set->vertices32 = static_cast<float*>(SharedHeapAlloc(n * sizeof(AuxVertex)));
    set->sourceIndices = static_cast<uint32_t*>(SharedHeapAlloc(n * sizeof(uint32_t)));
    set->indices = static_cast<uint16_t*>(SharedHeapAlloc(n * sizeof(uint16_t)));
    set->gpu = static_cast<GpuBufferSet*>(SharedHeapAlloc(sizeof(GpuBufferSet)));
    if (!set->vertices32 || !set->sourceIndices || !set->indices || !set->gpu) {
        WriteLog(kGenerateWorldError);
        RenderSet::Release(set);
        return set;
    }
    *set->gpu = GpuBufferSet{};
    std::memcpy(set->vertices32, vertices, n * sizeof(AuxVertex));
    std::memset(set->sourceIndices, 0, n * sizeof(uint32_t));
    for (size_t i = 0; i < n; ++i) set->indices[i] = indices ? indices[i] : static_cast<uint16_t>(i);
    set->vertexCount = count;
    set->indexCount = count;
    if (driver) driver->CreateRenderSetBuffers(set);
    return set;
}

template <size_t N>
RenderSet* BuildAuxiliaryMesh(CDriver* driver, const AuxVertex (&vertices)[N], const uint16_t* indices = nullptr)
{
    return BuildAuxiliaryMesh(driver, vertices, static_cast<int>(N), indices);
}

void FreeAuxiliaryMesh(CDriver* driver, RenderSet*& set)
{
    if (!set) return;
    if (driver) driver->ReleaseRenderSetBuffers(set);
    RenderSet::Release(set);
    RenderSet::Free(set);
    set = nullptr;
}

void FreeTexture(CDriver* driver, CTexture*& texture)
{
    if (!texture) return;
    if (driver) driver->ReleaseTexture(texture);
    CTexture::Delete(texture);
    texture = nullptr;
}

// ---------------------------------------------------------------------------
// Texture links that must not outlive their texture
// ---------------------------------------------------------------------------

// Clears every mesh slot of `object` that links to one of `released`: a saved
// or drawn mesh would otherwise read a freed texture until the next
// GenerateWorld links it again.
void ForgetTextureLinks(CNBObject* object, const std::vector<CTexture*>& released)
{
    if (!object) return;
    for (int i = 0; i < object->PartCount; ++i) {
        const ObjectPart* part = object->GetPart(i);
        if (!part) continue;
        for (CPolygonsGrid* mesh : {part->mainMesh, part->furtherMeshes[0], part->furtherMeshes[1],
                                    part->furtherMeshes[2]}) {
            if (!mesh) continue;
            for (CTexture*& link : mesh->textures)
                if (link && std::find(released.begin(), released.end(), link) != released.end()) link = nullptr;
        }
    }
}

// The world's own device objects: textures, shadow maps, registries and the
// auxiliary meshes, in the order the world releases them.
void ReleaseWorldDeviceObjects(CWorld& world)
{
    world.ReleaseTextures();
    world.ReleaseShadowMaps();
    world.gpuRegistry.ReleaseAll();
    for (RenderSet** set : {&world.skyBoxSides, &world.skyBoxTop, &world.skyBoxBottom, &world.spriteQuad,
                            &world.cursorMarker})
        FreeAuxiliaryMesh(world.driver, *set);
}

}  // namespace

// ---------------------------------------------------------------------------
// GenerateWorld, ReleaseResources
// ---------------------------------------------------------------------------

void CWorld::GenerateWorld()
{
    // What a previous build left (no ReleaseResources in between) is dropped
    // first, so a repeat never duplicates a texture or a registry entry and
    // never loses a mesh. After a proper release this finds nothing.
    ReleaseWorldDeviceObjects(*this);

    // The preview and model-view objects are drawn like the others, so they
    // get render sets of the current device too.
    const auto prepare = [this](CNBObject* object) {
        if (!object) return;
        object->Driver = driver;
        object->PrepareRenderSets(Vector3{});
        object->ComputeBounds();
    };
    for (CNBObject* object : objects) prepare(object);
    prepare(previewObject);
    if (modelViewObject != previewObject) prepare(modelViewObject);
    // Lines are drawn from render sets of the device as well.
    for (CLine* line : lines) {
        if (!line) continue;
        line->driver = driver;
        line->CreateDriverRenderSet();
    }

    spriteQuad = BuildAuxiliaryMesh(driver, kSpriteQuad);
    cursorMarker = BuildAuxiliaryMesh(driver, kCursorMarker);
    skyBoxSides = BuildAuxiliaryMesh(driver, kSkyBoxSides);
    skyBoxTop = BuildAuxiliaryMesh(driver, kSkyBoxTop, kSkyBoxTopIndices);
    skyBoxBottom = BuildAuxiliaryMesh(driver, kSkyBoxBottom);

    LoadTextures();
    gpuRegistry.CreateAll(driver);
    CreateShadowMaps();
    LoadBlocks();
    LinkTextures();
    LinkObjectTextures(modelViewObject);
    SortTextures();
}

void CWorld::ReleaseResources()
{
    for (CNBObject* object : objects) {
        if (!object) continue;
        object->ReleaseGpuRenderSets();
        object->ReleaseAuxRenderSets();
    }
    // Releasing twice is harmless when one object fills both slots.
    for (CNBObject* object : {previewObject, modelViewObject}) {
        if (!object) continue;
        object->ReleaseGpuRenderSets();
        object->ReleaseAuxRenderSets();
    }
    // A line keeps its CPU-side render set; only its buffers belong to the device.
    for (CLine* line : lines)
        if (line && line->renderSet && line->driver) line->driver->ReleaseRenderSetBuffers(line->renderSet);
    ReleaseWorldDeviceObjects(*this);
}

// ---------------------------------------------------------------------------
// Textures
// ---------------------------------------------------------------------------

namespace {

// Only these spellings are loaded: "Jpg" or "Dds" are not.
bool IsTextureFileName(std::string_view name)
{
    const size_t dot = name.find_last_of('.');
    if (dot == std::string_view::npos) return false;
    const std::string_view extension = name.substr(dot + 1);
    for (std::string_view accepted : {"jpg", "JPG", "JPEG", "jpeg", "dds", "DDS"})
        if (extension == accepted) return true;
    return false;
}

}  // namespace

void CWorld::LoadTextures()
{
    const std::string folder = platform::JoinPath(StartDirectory, "Textures");
    std::vector<platform::DirectoryEntry> entries;
    if (!platform::ListDirectory(folder, entries)) return;

    // The driver names a texture after the file name it is given, so files
    // are loaded by their bare names from inside the folder.
    platform::ScopedCurrentDirectory restore;
    if (!platform::SetCurrentDirectory(folder)) return;
    for (const platform::DirectoryEntry& entry : entries) {
        if (entry.isDirectory || !IsTextureFileName(entry.name)) continue;
        const std::u16string name = platform::Utf8ToUtf16(entry.name);
        // Named here too, so a world without a device still links its meshes
        // by name; a file that fails to load stays listed without an image.
        CTexture* texture = AppendNamedTexture(textures, name);
        if (texture && driver) driver->LoadTextureFromFile(texture, name.c_str());
    }
}

void CWorld::ReleaseTextures()
{
    for (CNBObject* object : objects) ForgetTextureLinks(object, textures);
    ForgetTextureLinks(previewObject, textures);
    ForgetTextureLinks(modelViewObject, textures);
    for (CTexture*& texture : textures) FreeTexture(driver, texture);
    textures.clear();
    currentTexture = nullptr;
}

// ---------------------------------------------------------------------------
// Shadow maps
// ---------------------------------------------------------------------------

void CWorld::CreateShadowMaps()
{
    ReleaseShadowMaps();
    shadowMapSize = 2048;
    shadowDepthBias[0] = -1.25e-7f;
    shadowDepthBias[1] = -1.875e-5f;
    shadowDepthBias[2] = -2.5e-5f;
    shadowCascadeCount = 3;

    // The cascades lie side by side in one depth texture.
    for (CTexture** slot : {&shadowMap, &shadowMapDepth}) {
        CTexture* texture = new CTexture;
        *slot = texture;
        if (!texture) continue;
        texture->width = shadowCascadeCount * shadowMapSize;
        texture->height = shadowMapSize;
        texture->SetName(u"shadowmap");
        texture->bitsPerPixel = 32;
        texture->kind = kTextureDepthTarget;
    }
    if (!driver) return;
    driver->CreateShadowMapTarget(shadowMap, shadowMapDepth);
    if (driver->HasDevice() && shadowMap) driver->CreateDepthShaderView(shadowMap);
}

void CWorld::ReleaseShadowMaps()
{
    FreeTexture(driver, shadowMap);
    FreeTexture(driver, shadowMapDepth);
}
