// CWorld: the container of one loaded world — its objects, sectors, lines,
// textures, block library and QuickBar, lighting presets, key table and the
// scene options saved with the world file. An open scene has one and only
// one: the scene makes it, gives it the `driver` and deletes it. Everything the
// world owns dies with it.
//
// Sections of the class:
//   construction          CWorld, ~CWorld, Clear
//   look-ups              FindTexture, SortTextures, LinkTextures, FindBlockType, BuildDefaultQuickBar
//   block library         (block_library.cpp) LoadBlocks, ParseBlockFile, GetBlockSettings,
//                         SetBlockSettings
//   lines                 BeginLine, GetActiveLine, RemoveLines, DeleteLine
//   sectors               (sector.cpp) RecreateSectors, AssignSectors, PutObjectInSector,
//                         ReassignObject, UpdateObjectSectors, RemoveObject, ProjectLabels
//   world file            (world_file.cpp) SaveWorldFile, LoadWorldFile
//   GPU objects, ground   (world_gpu.cpp) GenerateWorld, ReleaseResources, textures, shadow maps,
//                         registry look-ups; (ground.cpp) BuildGround, CreateBoxObject
//   data                  scene options, owned collections, lighting, key table
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/matrix4d.h"
#include "core/vector3.h"
#include "graphics/gpu_registry.h"
#include "world/block_type.h"
#include "world/sector.h"

class CCamera;
class CDriver;
class CLine;
class CNBObject;
class CTexture;
struct RenderSet;

// One day-light preset; how presets are picked and blended is the renderer's.
struct LightingPreset {
    uint8_t enabled = 1;
    Vector4 colourA{{0.8f, 0.8f, 0.8f, 1.0f}};
    Vector4 colourB{{0.5f, 0.5f, 0.5f, 1.0f}};
    Vector4 colourC{{1.0f, 1.0f, 1.0f, 1.0f}};
    Vector3 lightPosition;                 // zero until the world fills the first preset
    Vector3 lightDirection;
    float presetParams[7] = {0, 0, 0, 0, 0, 0, 90.0f};
};

inline constexpr int kLightingPresets = 9;
inline constexpr int kKeyTableSlots = 50;

// Called by CWorld::RemoveObject just before an object is destroyed, so the
// scene can drop its own links to it (selection, held object, queues).
using ObjectRemovedHook = void (*)(void* context, CNBObject* object);

class CWorld {
public:
    CWorld();
    ~CWorld();
    CWorld(const CWorld&) = delete;
    CWorld& operator=(const CWorld&) = delete;

    // Removes every object and line and empties the labels; the sectors stay
    // as empty cells, so objects created afterwards are sorted into them.
    // Textures, block library, QuickBar and settings stay.
    void Clear();

    // ---- look-ups ----
    // The texture of exactly this name in `list` (hash, then unit by unit);
    // the query is not case-folded, and stored names are lower case. Null for
    // a null name or none found. Also searches the front end's textures.
    static CTexture* FindTexture(const std::vector<CTexture*>& list, const char16_t* name);
    CTexture* FindTexture(const char16_t* name) const { return FindTexture(textures, name); }
    // Orders `textures` by name (UTF-16 units); equal names keep their order.
    void SortTextures();
    // Looks up again, by name, the textures all part meshes use: those of the
    // world's objects and of previewObject (modelViewObject is left alone).
    void LinkTextures();
    // The same for one object; null does nothing.
    void LinkObjectTextures(CNBObject* object);
    // The first block type whose name equals `name` with A-Z folded; null
    // for a null name or none.
    BlockType* FindBlockType(const char16_t* name) const;
    // quickBar = those of the built-in default names found in the library,
    // in their fixed order.
    void BuildDefaultQuickBar();
    // When quick-bar slot `slot` holds a block type, it becomes the tool in
    // hand and quickBarSlot remembers the slot it came from (the slot a block
    // chosen in "Blocks" then replaces, also when the quick bar holds the
    // same block twice); otherwise nothing changes. However a slot is chosen
    // (a click on the ToolBox, a "Tool" key), it is chosen here.
    void ChooseQuickBarTool(int slot);
    int GetObjectCount() const { return static_cast<int>(objects.size()); }

    // ---- block library (block_library.cpp) ----
    // Reads every ".bk" file of the start directory's Blocks folder into
    // blockTypes, rebuilds quickBar from quickBarNames and the library, and
    // copies each block type's saved angles from blockSettings. A block type
    // whose name is already in the library is not added again (a repeat load
    // after a lost device only gives the library its textures back).
    void LoadBlocks();
    // Reads one ".bk" file (UTF-8 path) into a new block type, gives the world
    // its texture when it has none of that name, and appends it to blockTypes.
    // A file that cannot be opened, is refused or names no block type (both
    // logged) adds nothing.
    void ParseBlockFile(const std::string& path);
    // The first record of blockSettings whose non-empty name equals the block
    // type's exactly; an empty record when none matches or `type` is null.
    BlockSettings GetBlockSettings(const BlockType* type) const;
    void GetBlockSettings(BlockSettings& out, const BlockType* type) const { out = GetBlockSettings(type); }
    // Overwrites the first record with the same non-empty name, else appends.
    void SetBlockSettings(BlockSettings settings);

    // ---- lines ----
    // Ends the current drawing when a line is being drawn; otherwise starts
    // a new line (drawingLine, appended to lines). A failed allocation
    // changes nothing.
    void BeginLine();
    // The first line whose active flag is set, or null.
    CLine* GetActiveLine() const;
    // Deletes the active lines and selectedLine; drawingLine and selectedLine
    // are cleared when deleted.
    void RemoveLines();
    // Deletes one line of `lines` (and clears drawingLine / selectedLine when
    // they are that line). Null, or a line not in the list, does nothing.
    void DeleteLine(CLine* line);

    // ---- sectors (sector.cpp) ----
    // Replaces all sectors by n fresh ones (none when n < 0) and clears
    // every object's sector link. False when a sector cannot be had (those
    // created so far stay).
    bool RecreateSectors(int n);
    // Assigns every object anew, deletes fallen objects, recomputes every sector.
    void AssignSectors();
    // Assigns one new object and fully recomputes its sector. Null does nothing.
    void PutObjectInSector(CNBObject* object);
    // Assigns one object and extends its sector incrementally. Null does nothing.
    void ReassignObject(CNBObject* object);
    // Takes every moved object out of its sector, reassigns it and clears its
    // moved flag.
    void UpdateObjectSectors();
    // Takes an object out of every sector, the labels and `objects`, then
    // destroys it (the removal hook runs first). Null or an object not in the
    // list does nothing.
    void RemoveObject(CNBObject* object);
    // Rebuilds `labels` from the visible sectors, sorted by depth.
    void ProjectLabels(const CCamera& camera);

    // ---- world file (world_file.cpp) ----
    // Writes the whole world to `path` (its name found ignoring case when the
    // exact name does not exist) through "<path>.tmp", renamed over the target
    // only once every byte is written: a failed save leaves the old file as it
    // was. Refused for the file a failed load came from. 1 written, 0 failed.
    int SaveWorldFile(const char* path) const;
    // Reads a world file into this freshly constructed world; `worldName`
    // becomes `path` first. 1 read completely; 0 failed (logged), keeping the
    // complete records read so far and remembering the file in failedLoadPath.
    int LoadWorldFile(const char* path);

    // ---- GPU objects (world_gpu.cpp) and ground (ground.cpp) ----
    // Every GPU-side resource of the world, through `driver` (without one the
    // CPU side is built alone): render sets of every object, the preview and
    // model-view objects and the lines; the auxiliary meshes; the Textures
    // folder; the registries; the shadow maps; the block library; texture
    // links. Whatever an earlier call left is released first, so a repeat
    // (after ReleaseResources and a new device, or without) duplicates nothing.
    void GenerateWorld();
    // Releases what GenerateWorld made; the CPU-side world stays.
    void ReleaseResources();
    // Appends a texture for every "jpg", "JPG", "jpeg", "JPEG", "dds" or "DDS"
    // file of the start directory's Textures folder, named by its file name;
    // one that fails to load stays listed without an image. A missing folder
    // adds nothing.
    void LoadTextures();
    // Releases and frees every texture; empties `textures`; currentTexture and
    // every mesh link to a released texture become null.
    void ReleaseTextures();
    // Replaces the shadow maps: cascades of 2048 x 2048 side by side in one
    // "shadowmap" depth texture (shadowMap, sampled) with its depth view
    // (shadowMapDepth), and the per-cascade depth biases.
    void CreateShadowMaps();
    // Releases and frees shadowMap and shadowMapDepth.
    void ReleaseShadowMaps();
    // Appends the sectors, floor tiles and (with borders) walls of a new blank
    // world, then links textures. Sizes that are not finite and positive (a
    // wall height, with borders, that is not finite and at least 0) build
    // nothing (logged); at most 64 x 64 sectors and 100 x 100 tiles.
    void BuildGround(float worldSize, float tileSize, int borders, float wallHeight, int mosaic);
    // One box object with its top face and the chosen others, centred at
    // `centre`, textured every 10 units, render sets prepared; appended to
    // `objects`. Null (nothing appended) when it cannot be made whole.
    CNBObject* CreateBoxObject(float sizeX, float sizeY, const Vector3& centre, float sizeZ,
                               const char16_t* textureName, int front, int right, int back, int left,
                               int bottom);
    // Named registry look-ups (see GpuRegistry): shaders and constant buffers
    // in any case, states by their exact stored name; null when absent.
    ShaderEntry* FindVertexShader(const char16_t* name) const { return gpuRegistry.FindVertexShader(name); }
    ShaderEntry* FindPixelShader(const char16_t* name) const { return gpuRegistry.FindPixelShader(name); }
    ConstantBufferEntry* FindConstantBuffer(const char16_t* name) const { return gpuRegistry.FindConstantBuffer(name); }
    ConstantBufferEntry* FindSamplerState(const char16_t* name) const { return gpuRegistry.FindSamplerState(name); }
    ConstantBufferEntry* FindBlendState(const char16_t* name) const { return gpuRegistry.FindBlendState(name); }
    ConstantBufferEntry* FindDepthStencilState(const char16_t* name) const
    {
        return gpuRegistry.FindDepthStencilState(name);
    }

    // ---- scene options saved with the world ----
    uint8_t showPlacementFrame = 1;
    uint8_t sceneOptionB = 1;
    uint8_t physicsActive = 1;
    uint8_t sceneOptionD = 0;
    uint8_t sceneOptionE = 1;
    float sceneValueA = 0.5f;
    Vector3 previewScale{1.0f, 1.0f, 1.0f};
    float moveFactor = 1.0f;
    float turnFactor = 1.0f;
    float fieldOfView = 70.0f;
    float nearPlane = 0.2f;
    float farPlane = 1000.0f;
    uint8_t smoothCamera = 0;
    float cameraRampTime = 2.0f;
    float impulseStrength = 5.0f;
    uint8_t sceneOptionF = 1;
    uint8_t sceneOptionG = 1;
    float sceneValueB = 0.1f;
    float sceneValueC = 0.0f;
    float physicsTimeScale = 1.0f;
    uint8_t physicsQuality = 0;        // sub-stepping mode 0, 1 or 2
    float sunAngleA = 40.0f;           // zenith, degrees
    float sunAngleB = 50.0f;           // azimuth, degrees
    float sceneValueD = 0.1f;
    float mouseRotateStep = 15.0f;     // degrees
    uint8_t physicsPaused = 0;
    uint8_t flyCamera = 1;
    Matrix4d cameraMatrix;             // identity; with the next two, the main camera's block
    uint8_t cameraFlag = 1;
    uint32_t cameraExtra = 0;
    Vector3 cameraPosition;

    // ---- owned and borrowed collections ----
    std::vector<Sector*> sectors;      // owned
    std::vector<CNBObject*> objects;   // owned, in creation order
    std::vector<ObjectLabel> labels;   // rebuilt every frame
    std::vector<CTexture*> textures;   // owned, sorted by name
    CTexture* currentTexture = nullptr;  // borrowed from textures
    std::string worldName;
    std::vector<BlockSettings> blockSettings;
    std::vector<BlockType*> blockTypes;  // owned
    QuickBar quickBar;                 // borrowed from blockTypes, at most kQuickBarSlots
    std::vector<std::u16string> quickBarNames;
    BlockType* currentBlockType = nullptr;  // borrowed
    BlockType* pickedBlockType = nullptr;   // borrowed
    int32_t quickBarSlot = -1;
    CNBObject* modelViewObject = nullptr;   // owned
    CNBObject* previewObject = nullptr;     // owned
    uint32_t previewStamp = 0;
    CDriver* driver = nullptr;              // borrowed from the scene
    GpuRegistry gpuRegistry;                // shaders, constant buffers and states by name

    RenderSet* spriteQuad = nullptr;        // owned auxiliary meshes
    RenderSet* cursorMarker = nullptr;
    RenderSet* skyBoxSides = nullptr;
    RenderSet* skyBoxTop = nullptr;
    RenderSet* skyBoxBottom = nullptr;
    int32_t shadowCascadeCount = 0;
    int32_t shadowMapSize = 0;
    float shadowDepthBias[3] = {};
    CTexture* shadowMap = nullptr;          // owned
    CTexture* shadowMapDepth = nullptr;     // owned

    LightingPreset lightingPresets[kLightingPresets];
    double timeOfDay = 0.0;
    float lightingBlend = 0.0f;
    int32_t lightingSet = 0;

    std::vector<CLine*> lines;              // owned, in creation order
    CLine* drawingLine = nullptr;           // borrowed from lines
    CLine* selectedLine = nullptr;          // borrowed from lines

    int32_t keyTable[kKeyTableSlots] = {};  // Windows virtual-key codes
    Vector4 sunAmbient;
    Vector4 sunDiffuse;
    Vector4 sunSpecular;
    uint64_t nextObjectId = 0;
    // The file (absolute path) whose load failed: it still holds the good
    // world, so SaveWorldFile never writes over it. Empty when none.
    std::string failedLoadPath;

    // Set by the scene; see ObjectRemovedHook.
    ObjectRemovedHook objectRemovedHook = nullptr;
    void* objectRemovedContext = nullptr;

private:
    // Erases lines[index], clears drawingLine / selectedLine when they are
    // that line, and deletes it.
    void EraseLine(size_t index);
    // Sector nearest to the object's centre within reach, or null; logs and
    // gives null for a non-finite centre.
    Sector* NearestSector(const CNBObject& object, const char* operation) const;
};
