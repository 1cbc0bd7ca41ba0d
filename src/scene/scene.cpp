// The scene object itself: construction and destruction, the scene flags,
// the entry into a world (CreateWorld) and the viewer's start position.
//
// Index: world file names - flags - construction and destruction - camera
// block - CreateWorld (opening, generating) - PlaceViewerAtStart
#include "scene/scene.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <string>

#include "core/box_transform.h"
#include "platform/files.h"
#include "platform/heap.h"
#include "scene/ray_tests.h"
#include "shell/log.h"
#include "shell/settings.h"
#include "world/object.h"
#include "world/object_part.h"
#include "world/polygons_grid.h"
#include "world/world.h"
#include "world/worlds_folder.h"

namespace {

// ---------------------------------------------------------------------------
// World file names
// ---------------------------------------------------------------------------
constexpr char kDefaultWorldFile[] = "default.vsk";

// The file an opening reads: a null or one-character name reads the default
// world.
std::string NameToOpen(const char* name)
{
    if (!name || std::strlen(name) < 2) return kDefaultWorldFile;
    return name;
}

// World files live directly in the Worlds folder: a name that reaches into
// another folder is refused.
bool IsPlainFileName(const std::string& name)
{
    return name.find('/') == std::string::npos && name.find('\\') == std::string::npos && name != "." &&
           name != "..";
}

void LogCreateWorld(const std::string& why) { WriteLog("Error: CScene::CreateWorld() " + why); }

// ---------------------------------------------------------------------------
// Flags
// ---------------------------------------------------------------------------

// The byte of the options that carries world flag n, or null for a flag of
// the scene's own table.
template <class Options>
auto WorldFlagByte(Options& options, int n) -> decltype(&options.physicsPaused)
{
    switch (n) {
    case kFlagPhysicsPaused: return &options.physicsPaused;
    case kFlagShowGhostObject: return &options.showPlacementFrame;
    case kFlagShowPickedObject: return &options.sceneOptionB;
    case kFlagPhysicsEnable: return &options.physicsActive;
    case kFlagPerlinPhysics: return &options.sceneOptionD;
    case kFlagSnapToGrid: return &options.sceneOptionE;
    case kFlagSmoothCamera: return &options.smoothCamera;
    case kFlagImpulseTimesMass: return &options.sceneOptionF;
    case kFlagStaticMeshNotDragged: return &options.sceneOptionG;
    case kFlagPhysicsQuality: return &options.physicsQuality;
    default: return nullptr;
    }
}

// What a number outside the flag table reads and writes.
uint8_t scratchFlag = 0;

// ---------------------------------------------------------------------------
// Start position helpers
// ---------------------------------------------------------------------------
const Vector3 kStartPoint{0.0f, 2.0f, 0.0f};
constexpr float kEyeHeight = 2.0f;
constexpr float kVerticalReach = 100000.0f;

float DistanceSquared(const Vector3& a, const Vector3& b)
{
    const Vector3 d = Vector3::Sub(a, b);
    return d.x * d.x + d.y * d.y + d.z * d.z;
}

float HorizontalSquared(const Vector3& p) { return p.x * p.x + p.z * p.z; }

// The occupied sector whose centre is nearest to the start point; the first
// of equals wins.
const Sector* NearestOccupiedSector(const CWorld& world)
{
    const Sector* best = nullptr;
    float bestDistance = 0.0f;
    for (const Sector* sector : world.sectors) {
        if (!sector || std::none_of(sector->objects.begin(), sector->objects.end(),
                                    [](const CNBObject* object) { return object != nullptr; }))
            continue;
        const float distance = DistanceSquared(sector->boundsCentre, kStartPoint);
        if (!best || distance < bestDistance) {
            best = sector;
            bestDistance = distance;
        }
    }
    return best;
}

// Not generated: the object whose centre is nearest to the start point.
// Generated: of the objects nearest to the vertical axis (within 1.2 times the
// smallest squared horizontal distance plus their radius, squared), the one
// whose centre is highest.
const CNBObject* ChooseStartObject(const Sector& sector, bool generated)
{
    const CNBObject* chosen = nullptr;
    if (!generated) {
        float best = 0.0f;
        for (const CNBObject* object : sector.objects) {
            if (!object) continue;
            const float distance = DistanceSquared(object->Center, kStartPoint);
            if (!chosen || distance < best) {
                chosen = object;
                best = distance;
            }
        }
        return chosen;
    }
    float nearest = 0.0f;
    bool any = false;
    for (const CNBObject* object : sector.objects) {
        if (!object) continue;
        const float distance = HorizontalSquared(object->Center);
        if (!any || distance < nearest) nearest = distance;
        any = true;
    }
    for (const CNBObject* object : sector.objects) {
        if (!object) continue;
        const float reach = 1.2f * nearest + object->Radius;
        if (!(HorizontalSquared(object->Center) <= reach * reach)) continue;
        if (!chosen || object->Center.y > chosen->Center.y) chosen = object;
    }
    return chosen;
}

// A face that looks up: its normal makes less than 90 degrees with the up
// axis. A face without a usable normal does not.
bool FacesUp(const PolygonFace& face)
{
    const float length = face.faceNormal.Length();
    if (!(length > 0.0f)) return false;
    const float cosine = std::clamp(face.faceNormal.y / length, -1.0f, 1.0f);
    return std::acos(cosine) * kRadiansToDegrees < 90.0f;
}

// The corners of a face in the mesh's own coordinates; false when a corner
// names no vertex of the mesh.
bool FaceCorners(const CPolygonsGrid& mesh, const PolygonFace& face, Vector3 (&corners)[4], int& count)
{
    count = std::clamp(static_cast<int>(face.corners), 0, 4);
    if (count == 0 || !face.cornerIndices || !mesh.positions) return false;
    for (int c = 0; c < count; ++c) {
        const uint16_t vertex = mesh.CornerVertex(face, c);
        if (vertex >= mesh.vertexCount) return false;
        corners[c] = mesh.positions[vertex];
    }
    return true;
}

Vector3 Centroid(const Vector3* points, int count)
{
    Vector3 sum;
    for (int i = 0; i < count; ++i) sum = Vector3::Add(sum, points[i]);
    return Vector3::Divide(sum, static_cast<float>(count));
}

// The start point on the chosen object: 2 above where a vertical line
// through its upward face nearest to the start point meets that face.
bool StartPointOn(const CNBObject& object, Vector3& start)
{
    const CPolygonsGrid* bestMesh = nullptr;
    const PolygonFace* bestFace = nullptr;
    float bestDistance = 0.0f;
    for (int p = 0; object.Parts && p < object.PartCount; ++p) {
        const CPolygonsGrid* mesh = object.Parts[p].mainMesh;
        if (!mesh || !mesh->faces) continue;
        for (int f = 0; f < mesh->faceCount; ++f) {
            const PolygonFace& face = mesh->faces[f];
            Vector3 corners[4];
            int count = 0;
            if (!FacesUp(face) || !FaceCorners(*mesh, face, corners, count)) continue;
            const float distance = DistanceSquared(Centroid(corners, count), kStartPoint);
            if (!bestFace || distance < bestDistance) {
                bestMesh = mesh;
                bestFace = &face;
                bestDistance = distance;
            }
        }
    }
    if (!bestFace) return false;

    Vector3 corners[4];
    int count = 0;
    FaceCorners(*bestMesh, *bestFace, corners, count);
    for (int c = 0; c < count; ++c) corners[c] = TransformPoint(object.WorldMatrix, corners[c]);
    if (count != 3) return false;
    const Vector3 centre = Centroid(corners, count);
    const Vector3 segment[2] = {Vector3{centre.x, centre.y - kVerticalReach, centre.z},
                                Vector3{centre.x, centre.y + kVerticalReach, centre.z}};
    Vector3 hit;
    if (!IntersectRayTriangle(segment, corners, &hit) || !IsNotNaNVector3(hit)) return false;
    start = Vector3{hit.x, hit.y + kEyeHeight, hit.z};
    return true;
}

}  // namespace

// ---------------------------------------------------------------------------
// Flags
// ---------------------------------------------------------------------------
uint8_t& CScene::Flag(int n)
{
    if (uint8_t* byte = WorldFlagByte(options, n)) return *byte;
    if (n < 0 || n >= kSceneFlagCount) {
        scratchFlag = 0;
        return scratchFlag;
    }
    return flags[n];
}

bool CScene::FlagOn(int n) const
{
    if (const uint8_t* byte = WorldFlagByte(options, n)) return *byte != 0;
    return n >= 0 && n < kSceneFlagCount && flags[n] != 0;
}

// ---------------------------------------------------------------------------
// Construction and destruction
// ---------------------------------------------------------------------------
CScene::CScene()
{
    // The physics step's lock exists before the first step can need it.
    PhysicsStepLock();
    flags[kFlagStartHints] = Settings.showHints != 0 ? 1 : 0;
    flags[kFlagToolBox] = 1;
    flags[kFlagApplyTextureOnClick] = 1;
    flags[kFlagDynamicPreview] = 1;
    flags[kFlagLockAxis] = 1;
    mainCamera.position = Vector3{0.0f, 5.0f, -10.0f};
    ResetLog();
}

CScene::~CScene()
{
    // The world's objects take their bodies out of the Bullet world as they
    // are destroyed, so the world goes before the Bullet world. Its removal
    // hook is not run by its destructor: nothing of the scene is forgotten
    // piecemeal while everything goes. The contacts go first, all at once,
    // so that no body searches for its own as it leaves.
    physics.DropAllContacts();
    delete world;
    world = nullptr;
    physics.Release();

    // Only what the scene owns: the held, selected and dragged objects were
    // links into the world.
    heldObject = nullptr;
    selectedObject = nullptr;
    draggedObject = nullptr;
    for (CNBObject* object : previewObjects) CNBObject::Delete(object);
    previewObjects.clear();
    CNBObject::Delete(positionObject);
    positionObject = nullptr;

    soundInstances.FreeAll();
    soundingObjects.clear();
    dropQueue.clear();
    recordedObjects.clear();
    keyMovedObjects.clear();
}

// ---------------------------------------------------------------------------
// Camera block
// ---------------------------------------------------------------------------
void CScene::StoreCameraBlock()
{
    cameraBlock.matrix = mainCamera.orientation;
    cameraBlock.flag = mainCamera.orientation.identity != 0 ? 1 : 0;
    cameraPosition = mainCamera.position;
}

void CScene::ApplyCameraBlock()
{
    mainCamera.orientation = cameraBlock.matrix;
    mainCamera.position = cameraPosition;
}

// ---------------------------------------------------------------------------
// CreateWorld
// ---------------------------------------------------------------------------
bool CScene::CreateWorld(int mode, const char* worldFileName, int sceneKind, const BlankSceneParams* blank,
                         const TubeSceneParams* tube, const LandscapeSceneParams* landscape)
{
    // A scene enters one world in its life.
    if (world) {
        LogCreateWorld("the scene already has a world");
        return false;
    }
    const bool opening = mode == kOpenWorld;
    // An empty (or null) name for a new world stays empty: such a world is not saved.
    const std::string typed = worldFileName ? worldFileName : "";
    const std::string name = opening ? NameToOpen(worldFileName) : WorldFileNameOf(typed);
    const std::string folder = WorldsFolder();

    // Refusals before anything is built.
    if (!name.empty() && (opening ? !IsPlainFileName(name) : !WorldNameRefusal(typed).empty())) {
        LogCreateWorld("not a world file name: " + name);
        return false;
    }
    if (!opening && !name.empty() && platform::FileExists(platform::ResolveFileName(folder, name))) {
        // The new world would be saved over it at once.
        LogCreateWorld("a world file of that name exists: " + name);
        return false;
    }
    if (!opening && sceneKind != kBlankScene && sceneKind != kTubeScene && sceneKind != kLandscapeScene) {
        LogCreateWorld("unknown scene kind " + std::to_string(sceneKind));
        return false;
    }

    world = new (std::nothrow) CWorld;
    if (!world) {
        LogCreateWorld("no memory for the world");
        return false;
    }
    world->driver = driver;

    if (opening) {
        // A world that cannot be read completely is not entered: an empty or
        // half world in its place would be saved over the file.
        if (!world->LoadWorldFile(platform::JoinPath(folder, name).c_str())) {
            LogCreateWorld("cannot open " + name);
            delete world;
            world = nullptr;
            return false;
        }
        world->worldName = name;
        CopySettingsFromWorld();
        ApplyCameraBlock();  // the world file carries the viewer
        world->GenerateWorld();
        TakeBlockTypeLooks();
        InitPhysicsWorld();
        RebuildPhysicsBodies();
        world->AssignSectors();
        SetLightDirection();
    } else {
        bool generated = true;
        switch (sceneKind) {
        case kBlankScene: {
            const BlankSceneParams p = blank ? *blank : BlankSceneParams{};
            world->BuildGround(p.worldSize, p.objectSize, p.verticalBorders, p.height, p.mosaic);
            world->GenerateWorld();
            InitPhysicsWorld();
            generated = p.verticalBorders == 0;
            break;
        }
        case kTubeScene: {
            const TubeSceneParams p = tube ? *tube : TubeSceneParams{};
            world->GenerateWorld();
            InitPhysicsWorld();
            GenerateTubeScene(p.worldSize, p.maxLeafSize, p.multiLevel, p.baseLevel);
            break;
        }
        default: {
            const LandscapeSceneParams p = landscape ? *landscape : LandscapeSceneParams{};
            world->GenerateWorld();
            InitPhysicsWorld();
            GenerateLandscapeScene(p.worldSize, p.maxHeight);
            break;
        }
        }
        RebuildPhysicsBodies();
        world->AssignSectors();
        world->worldName = name;
        world->BuildDefaultQuickBar();
        PlaceViewerAtStart(generated);
        StoreCameraBlock();
        SetLightDirection();
        // The first save is an ordinary one: the scene's settings go with it.
        if (name.empty()) {
            CopySettingsToWorld();
        } else if (!SaveCurrentWorld(platform::JoinPath(folder, name).c_str())) {
            // The world would live on under a name it cannot be saved as (the
            // caller leaves it); the file did not exist before, so what part
            // of it was written goes.
            LogCreateWorld("cannot save " + name);
            platform::DeleteFile(platform::JoinPath(folder, name));
            return false;
        }
    }

    // A frame culls with the frustum the frame before left; the first one
    // takes the viewer's as it stands now, not the empty one of a new camera
    // (inside which every object of the world is drawn).
    UpdateProjection(mainCamera);
    RenderBlockPreviews(-1);
    CheckSoundsFolder();
    // What reading or generating the world needed for a while (the file's
    // bytes, a landscape's images) is not wanted again.
    platform::GiveBackFreeMemory();
    return true;
}

// ---------------------------------------------------------------------------
// PlaceViewerAtStart
// ---------------------------------------------------------------------------
void CScene::PlaceViewerAtStart(bool generated)
{
    Vector3 start = kStartPoint;
    if (world) {
        const Sector* sector = NearestOccupiedSector(*world);
        const CNBObject* object = sector ? ChooseStartObject(*sector, generated) : nullptr;
        Vector3 onObject;
        if (object && StartPointOn(*object, onObject)) start = onObject;
    }
    mainCamera.position = start;
    mainCamera.orientation.SetIdentity();
    mainCamera.viewMatrix.SetIdentity();
}
