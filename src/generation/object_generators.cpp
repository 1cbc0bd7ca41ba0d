// The object generators' common road: CScene::GenerateObjects (clear,
// preview or create for a generator type), turning previews and Perlin
// positions into world objects, the pieces every generator shares, and the
// noise table switch of the Perlin generators.
//
// Index: shared pieces (measures, guarded settings, world rectangle,
// stacking) - create passes - CScene::GenerateObjects -
// CScene::RandomizePerlinTable
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/matrix4.h"
#include "core/name_key.h"
#include "core/random.h"
#include "generation/generator_support.h"
#include "generation/noise.h"
#include "graphics/texture.h"
#include "platform/heap.h"
#include "scene/scene.h"
#include "world/block_type.h"
#include "world/object.h"
#include "world/object_part.h"
#include "world/polygons_grid.h"
#include "world/sector.h"
#include "world/world.h"

// ---------------------------------------------------------------------------
// Shared pieces
// ---------------------------------------------------------------------------

namespace {

// A size that is not finite or is negative (a block type without vertices
// keeps its bounds at the float extremes) measures 0.
float UsableSize(float size) { return std::isfinite(size) && size > 0.0f ? size : 0.0f; }

constexpr double kCoordinateLimit = 1e9;

}  // namespace

PrototypeMeasures MeasurePrototype(const BlockType& type, const Vector3& objectScale)
{
    const Vector3 size{UsableSize(type.boundsMax.x - type.boundsMin.x), UsableSize(type.boundsMax.y - type.boundsMin.y),
                       UsableSize(type.boundsMax.z - type.boundsMin.z)};
    PrototypeMeasures measures;
    measures.extent = Vector3{size.x * objectScale.x, size.y * objectScale.y, size.z * objectScale.z};
    Matrix4 rotation;
    rotation.SetIdentity();
    RotateByBlockAngles(rotation, type);
    const Vector3& e = measures.extent;
    const float* m = rotation.m;
    // The extent as a row vector times the rotation.
    measures.rotatedHeight = std::fabs(e.x * m[1] + e.y * m[5] + e.z * m[9]);
    measures.rotatedDepth = std::fabs(e.x * m[2] + e.y * m[6] + e.z * m[10]);
    measures.diagonal = size.Length();
    return measures;
}

float ClampSetting(float value, GeneratorRange range)
{
    if (std::isnan(value)) return range.low;
    return std::clamp(value, range.low, range.high);
}

int CountOf(double value)
{
    if (!std::isfinite(value) || value <= 0.0) return 0;
    return static_cast<int>(std::min(value, static_cast<double>(kMaxGeneratedObjects)));
}

int TruncatedCoordinate(double value)
{
    if (std::isnan(value)) return 0;
    return static_cast<int>(std::clamp(value, -kCoordinateLimit, kCoordinateLimit));
}

bool MeasureWorldRectangle(const CWorld& world, WorldRectangle& out)
{
    bool any = false;
    for (const CNBObject* object : world.objects) {
        if (!object) continue;
        const Vector3& low = object->BoxMin;
        const Vector3& high = object->BoxMax;
        if (!std::isfinite(low.x) || !std::isfinite(low.z) || !std::isfinite(high.x) || !std::isfinite(high.z)) continue;
        if (low.x > high.x || low.z > high.z) continue;
        if (!any) {
            out = WorldRectangle{low.x, low.z, high.x, high.z};
            any = true;
            continue;
        }
        out.minX = std::min(out.minX, low.x);
        out.minZ = std::min(out.minZ, low.z);
        out.maxX = std::max(out.maxX, high.x);
        out.maxZ = std::max(out.maxZ, high.z);
    }
    return any;
}

PreviewStacker::PreviewStacker(CScene& scene, const PrototypeMeasures& measures, float height, float heightOffset)
    : scene_(scene), measures_(measures),
      levels_(CountOf(ClampSetting(height, kStackHeightRange))),
      levelRise_(measures.extent.y + ClampSetting(heightOffset, kStackHeightOffsetRange))
{
}

bool PreviewStacker::Stack(const Vector3& place, const float* yawDegrees, int yawCount)
{
    BlockType* type = scene_.world ? scene_.world->currentBlockType : nullptr;
    if (!type) return false;
    for (int k = 0; k < levels_; ++k) {
        if (scene_.previewObjects.size() >= static_cast<size_t>(kMaxGeneratedObjects)) return false;
        CNBObject* object = scene_.CreateMeshObject(type);
        if (!object) return false;  // its textures are linked by name as it is made
        scene_.previewObjects.push_back(object);
        for (int r = 0; r < yawCount; ++r) {
            Vector3 up{0.0f, 1.0f, 0.0f};
            object->WorldMatrix.Rotate(up, yawDegrees[r]);
        }
        const float level = place.y + static_cast<float>(k) * levelRise_;
        object->WorldMatrix.m[12] = place.x;
        object->WorldMatrix.m[13] = level + measures_.rotatedHeight / 2.0f;
        object->WorldMatrix.m[14] = place.z;
        object->UpdatePosition();
        object->UpdateWorldBounds();
    }
    return true;
}

void DestroyPreviewObjects(CScene& scene)
{
    for (CNBObject* object : scene.previewObjects) CNBObject::Delete(object);
    scene.previewObjects.clear();
}

// ---------------------------------------------------------------------------
// Create passes
// ---------------------------------------------------------------------------

namespace {

// "rainbow_1.dds" .. "rainbow_8.dds" by colour index (0..11).
CTexture* RainbowTexture(const CWorld& world, int colour)
{
    const std::u16string name = u"rainbow_" + std::u16string(1, static_cast<char16_t>(u'1' + colour % 8)) + u".dds";
    return world.FindTexture(name.c_str());
}

void PaintObject(CNBObject& object, CTexture& texture)
{
    for (int p = 0; p < object.PartCount; ++p) {
        ObjectPart* part = object.GetPart(p);
        CPolygonsGrid* mesh = part ? part->mainMesh : nullptr;
        if (!mesh) continue;
        mesh->textures[0] = &texture;
        mesh->textureNames[0].name = texture.name;
        mesh->textureNames[0].hash = NameHash(texture.name);
    }
}

constexpr int kLastColour = 11;

// Sorts the new objects of one create pass into their sectors. Each goes in
// as CWorld::PutObjectInSector puts it, but its sector's bounds and slot
// table grow by that object alone; every sector that took objects is then
// recomputed whole once when the pass ends. The result is the same, without
// a full recomputation per object (which made large runs quadratic).
class SectorSorter {
public:
    explicit SectorSorter(CWorld& world) : world_(world) {}
    SectorSorter(const SectorSorter&) = delete;
    SectorSorter& operator=(const SectorSorter&) = delete;
    ~SectorSorter()
    {
        for (Sector* sector : touched_) {
            sector->UpdateBounds();
            sector->UpdateRenderFlags();
        }
    }

    void Put(CNBObject* object)
    {
        world_.ReassignObject(object);
        Sector* sector = object->SectorLink;
        if (sector && std::find(touched_.begin(), touched_.end(), sector) == touched_.end()) touched_.push_back(sector);
    }

private:
    CWorld& world_;
    std::vector<Sector*> touched_;
};

}  // namespace

void CreateFromPreviews(CScene& scene, bool colourful)
{
    CWorld* world = scene.world;
    BlockType* type = world ? world->currentBlockType : nullptr;
    if (world && type) {
        // A run may make 100,000 bodies: they enter the physics world
        // together, in their final places, once all are made, as a loaded
        // world's do.
        const size_t firstObject = world->objects.size();
        const bool bulk = scene.OpenBulkBodies();
        SectorSorter sorter(*world);
        int runLength = RandomInt(kColourRunShortest, kColourRunLongest);
        int counter = 0;
        int colour = 0;
        for (CNBObject*& preview : scene.previewObjects) {
            if (!preview) continue;
            // A preview that already holds the object's mesh and render sets
            // becomes the object (and leaves the list): for 100,000 boxes
            // this pass, with freeing the previews after it, went from
            // 1.1-1.3 s to 0.37-0.44 s (the bodies' entry aside; alternated
            // runs on a loaded machine).
            const Matrix4 placement = preview->WorldMatrix;
            const Vector3 p = placement.GetTranslation();
            CNBObject* object = scene.CreateObjectFromPreview(preview, type, p.x, p.y, p.z);
            if (!object) continue;
            if (++counter > runLength) {
                counter = 0;
                runLength = RandomInt(kColourRunShortest, kColourRunLongest);
                if (++colour > kLastColour) colour = 0;
            }
            CTexture* texture = RainbowTexture(*world, colour);
            if (texture && colourful) PaintObject(*object, *texture);
            object->WorldMatrix = placement;
            object->UpdatePosition();
            object->UpdateWorldBounds();
            object->PushToRigidBody();
            sorter.Put(object);
        }
        if (bulk) scene.CloseBulkBodies(firstObject);
    }
    DestroyPreviewObjects(scene);
    platform::GiveBackFreeMemory();  // what the previews held
}

void CreateFromPositions(CScene& scene)
{
    CWorld* world = scene.world;
    const uint8_t generalPhysics = scene.options.physicsActive;
    scene.options.physicsActive = scene.options.sceneOptionD;  // the Perlin "Physics Enable"
    if (world) {
        const size_t firstObject = world->objects.size();
        const bool bulk = scene.OpenBulkBodies();
        SectorSorter sorter(*world);
        for (const Vector3& p : scene.previewPositions) {
            CNBObject* object =
                scene.CreateObjectFromBlockType(scene.generator.fieldPrototype, 1, 1, p.x, p.y, p.z, 0.0f, 0.0f, 0.0f);
            if (object) sorter.Put(object);
        }
        if (bulk) scene.CloseBulkBodies(firstObject);
    }
    CNBObject::Delete(scene.positionObject);
    scene.positionObject = nullptr;
    scene.previewPositions.clear();
    scene.options.physicsActive = generalPhysics;
}

// ---------------------------------------------------------------------------
// CScene::GenerateObjects
// ---------------------------------------------------------------------------

void CScene::GenerateObjects(int type, int mode)
{
    if (mode == kGeneratorClear) {
        DestroyPreviewObjects(*this);
        previewPositions.clear();
        platform::GiveBackFreeMemory();  // what the previews held
        return;
    }
    if (mode == kGeneratorPreview) previewPositions.clear();
    if (!world || !world->currentBlockType) return;

    const PrototypeMeasures measures = MeasurePrototype(*world->currentBlockType, options.previewScale);
    lastGeneratorType = type;

    if (mode == kGeneratorCreate && !previewObjects.empty()) {
        const bool colourful = (type == kGenerateDirectLine && generator.lineColorful) ||
                               (type == kGenerateCircle && generator.circleColorful) ||
                               (type == kGenerateSpline && generator.splineColorful);
        CreateFromPreviews(*this, colourful);
        return;
    }
    if (mode == kGeneratorCreate && !previewPositions.empty()) {
        CreateFromPositions(*this);
        return;
    }
    DestroyPreviewObjects(*this);
    if (mode != kGeneratorPreview) return;
    switch (type) {
    case kGenerateDirectLine: PreviewDirectLine(*this, measures); break;
    case kGenerateCircle: PreviewCircle(*this, measures); break;
    case kGenerateSpline: PreviewSpline(*this, measures); break;
    case kGeneratePerlin: PreviewPerlinField(*this, measures); break;
    default: break;
    }
}

// ---------------------------------------------------------------------------
// CScene::RandomizePerlinTable
// ---------------------------------------------------------------------------

void CScene::RandomizePerlinTable()
{
    if (FlagOn(kFlagRandomizeNoise)) RandomizeNoiseTable();
}
