// CScene: everything a world needs while it runs - simulation, viewer,
// editing, drawing. CGame owns it; there is never a second one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/matrix4.h"
#include "core/matrix4d.h"
#include "core/vector3.h"
#include "generation/generator_settings.h"
#include "generation/landscape_images.h"
#include "render/instance_batches.h"
#include "render/shadow_maps.h"
#include "render/view_culling.h"
#include "scene/camera.h"
#include "scene/drop_queue.h"
#include "scene/frame_clock.h"
#include "scene/object_sounds.h"
#include "scene/physics_world.h"
#include "scene/scene_flags.h"
#include "scene/scene_params.h"
#include "scene/viewer.h"
#include "ui/editor_dialogs.h"
#include "ui/tool_box_state.h"
#include "world/vertex_formats.h"

class CDriver;
class CSoundManager;
class CSoundBuffer;
class CGame;
class CWorld;
class CNBObject;
class CLine;
class Sector;
struct BlockType;
struct ShaderEntry;
struct ConstantBufferEntry;

// The scene's own copy of the world's scene options (all but the sun angles),
// taken when a world is opened and given back before it is saved. The field
// names are the world file's; beside each field stands the scene flag
// (scene_flags.h) or the setting it is. Defaults of a new scene.
struct SceneOptions {
    uint8_t showPlacementFrame = 1;  // flag 229 "Show Ghost Object"
    uint8_t sceneOptionB = 1;        // flag 230 "Show Picked Object"
    uint8_t physicsActive = 1;       // flag 231 "Physics Enable": new objects are simulated
    uint8_t sceneOptionD = 0;        // flag 232 "Physics Enable" of the Perlin generator
    uint8_t sceneOptionE = 1;        // flag 233 "Flexible Object Snap"
    float sceneValueA = 0.5f;        // grid step
    Vector3 previewScale{1.0f, 1.0f, 1.0f};
    float moveFactor = 1.0f;
    float turnFactor = 1.0f;
    float fieldOfView = 70.0f;
    float nearPlane = 0.2f;
    float farPlane = 1000.0f;
    uint8_t smoothCamera = 0;        // flag 272
    float cameraRampTime = 2.0f;     // seconds
    float impulseStrength = 10.0f;
    uint8_t sceneOptionF = 1;        // flag 284: impulses times the mass
    uint8_t sceneOptionG = 1;        // flag 285: static mesh bodies are not dragged
    float sceneValueB = 0.1f;        // spread factor of throws and drops
    float sceneValueC = 0.0f;        // spin strength of throws and drops
    float physicsTimeScale = 1.0f;
    uint8_t physicsQuality = 0;      // flag 300
    float sceneValueD = 0.1f;        // key-move step
    float mouseRotateStep = 15.0f;
    uint8_t physicsPaused = 0;       // flag 225
    // Named for the world file; at run time 1 means gravity on: the viewer
    // walks, falls and jumps. 0 lets it fly. See CScene::GravityOn.
    uint8_t flyCamera = 1;
};

// The main camera's block as it travels to and from the world: its matrix,
// the flag byte and the word after it.
struct CameraBlock {
    Matrix4d matrix{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}, 1};
    uint8_t flag = 1;
    uint32_t extra = 0;
};

// A block type's default rotation applied to a matrix: its pitch about x,
// then roll about z, then yaw about y, each only when it is not zero.
void RotateByBlockAngles(Matrix4& matrix, const BlockType& type);

// Time-stamped copies of the world go to "Worlds/Backups" this often (ms).
inline constexpr uint32_t kBackupInterval = 900000;

// Registry entries the passes found by name, remembered while the device
// lives. An empty slot is searched for again when next used; a filled one
// holds until Clear, which the scene calls whenever it re-creates the
// device. Each pass owns its slots; in every array, slots 0 to
// kFrameCacheSlots - 1 are the scene frame's own.
struct RenderCaches {
    static constexpr int kShaderSlots = 6072;
    static constexpr int kConstantBufferSlots = 2024;
    static constexpr int kStateSlots = 6072;  // samplers, blend and depth-stencil states
    static constexpr int kFrameCacheSlots = 8;

    void Clear();

    ShaderEntry* shaders[kShaderSlots] = {};
    ConstantBufferEntry* constantBuffers[kConstantBufferSlots] = {};
    ConstantBufferEntry* states[kStateSlots] = {};
};

// A segment for CScene::PickByRay: start and end.
struct PickRay {
    float start[3] = {};
    float end[3] = {};
};

class CScene {
public:
    // Starts a fresh "game.log" for every world that is opened or created.
    CScene();
    ~CScene();
    CScene(const CScene&) = delete;
    CScene& operator=(const CScene&) = delete;

    // ---- world entry, flags and start position (scene.cpp) ----
    // Opens (mode 0) or generates (mode 1) the scene's world. True when the
    // scene now runs a world; false (logged) and the caller destroys the
    // scene:
    //  - opening reads "Worlds/<name>" ("default.vsk" for a null or
    //    one-character name); a file that cannot be read completely fails,
    //    so no empty world is ever saved over it;
    //  - a new world gets ".vsk" appended to a name without it and is saved
    //    at once through SaveCurrentWorld; a name WorldNameRefusal refuses,
    //    or one already taken by a file in the Worlds folder, fails before
    //    anything is built, an empty name saves nothing, and a first save
    //    that fails fails (its partial file removed). Kinds other than
    //    blank, tube and landscape fail.
    // Both set the light position from the world's own sun angles.
    bool CreateWorld(int mode, const char* worldFileName, int sceneKind, const BlankSceneParams* blank,
                     const TubeSceneParams* tube, const LandscapeSceneParams* landscape);
    // The main camera, unrotated, 2 units above the upward-facing polygon
    // nearest to (0, 2, 0) of the object chosen in the occupied sector nearest
    // to that point: the object nearest to it, or (generated) the highest of
    // those nearest the vertical axis. (0, 2, 0) when nothing qualifies.
    void PlaceViewerAtStart(bool generated);
    // Scene flag n (scene_flags.h). The flags a world file carries are bytes
    // of `options`; the others live in `flags`. A number outside the table
    // gives a scratch byte that nothing reads.
    uint8_t& Flag(int n);
    bool FlagOn(int n) const;
    // The viewer walks with gravity (falls and jumps); otherwise it flies.
    bool GravityOn() const { return options.flyCamera != 0; }
    // The main camera's orientation and position into cameraBlock and
    // cameraPosition, which saving copies into the world; and back, after a
    // world's settings were copied in.
    void StoreCameraBlock();
    void ApplyCameraBlock();

    // ---- scene frame (scene_frame.cpp) ----
    // One complete scene frame, or the model view while flag 16 is set.
    void RenderFrame();
    // The current block type alone, seen by the model-view camera.
    void RenderModelView();
    // After a failed present: the world's GPU objects (with the generator
    // previews' and the dialogs' links to its textures), the render caches
    // and the device go, the device is made anew, the world's GPU objects
    // rebuilt and every block picture drawn again; Dear ImGui makes its
    // renderer objects anew on its next frame.
    // True when a device exists again; otherwise deviceLost stays set and
    // the next frame tries again.
    bool RecoverLostDevice();

    // ---- saving (world_backup.cpp) ----
    // Takes over what the world file stores for the scene - its options, the
    // camera block and the camera position - when a world opens, and writes
    // them back before a save. Without a world neither does anything.
    void CopySettingsFromWorld();
    void CopySettingsToWorld();
    // Copies the live settings into the world, then saves it to `name`, else
    // to the world's file name, else to "default.vsk". 1 saved, 0 not (no
    // world, or the save failed: logged).
    int SaveCurrentWorld(const char* name);
    // Once per frame with frameClock: the first call only records the time;
    // afterwards, once more than kBackupInterval ms have passed, a copy of the
    // world named "<name><month>_<day>_<year>_<hour>_<minute>_<second>.vsk"
    // goes to "Worlds/Backups" when that folder exists, and the time is
    // recorded again either way.
    void BackupWorld();

    // ---- frame clock (frame_clock.cpp) ----
    // The camera's projection from the scene's field of view, near and far
    // planes and the back-buffer size, then its view, projection and frustum.
    void UpdateProjection(CCamera& camera);

    // ---- physics world and step (physics_world.cpp) ----
    // The Bullet world of the entered world (gravity (0, -10, 0), GImpact
    // meshes collide); also hooks the world's object removal to ForgetObject.
    // A second call keeps the existing Bullet world.
    void InitPhysicsWorld();
    // Once per frame: steps the world by the physics frame time x time scale at
    // the quality's fixed sub-step (quality 3 and up: no step), requests slide
    // and impact sounds for contacts, and copies the simulated bodies back into
    // their objects. Nothing while physics is paused, while another thread
    // holds PhysicsStepLock(), or from inside a step.
    void StepPhysics();
    // Clears every body's forces and wakes it.
    void StopAllBodies();

    // ---- object sounds (object_sounds.cpp) ----
    // A new instance of a file of the start directory's "Sounds" folder for
    // the object, with the key; null without object, name, sound manager or
    // folder. A file that does not load still gives a (silent) instance.
    CSoundBuffer* AttachObjectSound(CNBObject* object, const char16_t* fileName, int key);
    // The viewer's "walking.wav" (key 5, no owner), or null.
    CSoundBuffer* AttachWalkingSound();
    CSoundBuffer* FindWalkingSound() const;
    // Takes the instance out of the object's and the scene's lists and frees
    // it. The object stays in the sounding list. Null object: nothing.
    void ReleaseSoundInstance(CNBObject* object, CSoundBuffer* instance);
    // Stops and frees every instance that belongs to an object and empties
    // the sounding list, in one pass: for when every object is about to go,
    // so that forgetting them one by one finds nothing left to search.
    void ForgetEveryObjectSound();
    void CheckSoundsFolder();
    // Once per frame after the editor windows: gains, starts, the loudest four
    // per kind, stops and frees; then commits the 3D listener.
    void UpdateObjectSounds();

    // ---- drop queue, recorded pushes and sun direction (drop_queue.cpp) ----
    // Replaces the last record with the same key, else appends.
    void SetDropRecord(DropRecord record);
    // Removes the first record with the same key.
    void RemoveDropRecord(const DropRecord& record);
    // Once per frame: runs every queued record (see DropRecord).
    void ProcessDropQueue();
    // Ctrl+Enter: records the object under the cursor with the viewing axis.
    void RecordObjectUnderCursor();
    // Enter: pushes every recorded object still in the world.
    void ApplyRecordedObjects();
    // LightPosition from the world's two sun angles.
    void SetLightDirection();

    // ---- forgetting deleted objects (forget_object.cpp) ----
    // Clears every link of the scene to an object that is being deleted:
    // selected, dragged and held object, key-moved list, its sounds (stopped
    // and freed) and the sounding list, recorded pushes, generator lists.
    void ForgetObject(CNBObject* object);
    // Makes the world call ForgetObject for every object it removes.
    void HookObjectRemoval();

    // ---- objects from block types (objects_from_blocks.cpp) ----
    // A new object of the block type at (x, y, z), resting against the
    // direction (nx, ny, nz) when it is not zero; appended to the world's
    // objects when addToList, with a body when makeBody. Null on failure.
    CNBObject* CreateObjectFromBlockType(BlockType* type, int addToList, int makeBody, float x, float y, float z,
                                         float nx, float ny, float nz);
    // The object CreateObjectFromBlockType(type, 1, 1, x, y, z, 0, 0, 0)
    // makes, made of the generator preview when it already holds the mesh
    // and render sets that call would build (a preview of the type at the
    // current scale, not animated): `preview` is then taken (set to null),
    // whether it becomes the object or goes with a failure. Otherwise the
    // preview is left as it is.
    CNBObject* CreateObjectFromPreview(CNBObject*& preview, BlockType* type, float x, float y, float z);
    // What the world file does not keep of the world's objects made from
    // block types, taken again from the type each names: the specular power,
    // drawing as glass, and the key or skeletal animation. For a world just
    // read (after GenerateWorld has loaded the block types); an object whose
    // type is not in the library keeps what it has.
    void TakeBlockTypeLooks();
    // Mesh and render sets only (no list, material, rotation, animation or
    // body), scaled by the preview scale; for the generators' previews. Null
    // on failure.
    CNBObject* CreateMeshObject(BlockType* type);
    // The world's placement preview object anew from its current block type,
    // and in the model view (flag 16) its object too; nothing without a
    // current block type. A failed build leaves the slot empty.
    void RebuildCurrentBlockObject();
    // After flag 16 changed: enters the model view (the ToolBox hidden, the
    // mouse freed, the model-view object built from the current block type,
    // the model-view camera in front of it) or leaves it.
    void ApplyModelViewMode();
    // The model-view object anew from the current block type (which must
    // exist), the model-view camera in front of it.
    void BuildModelViewObject();
    // Calls RebuildPhysicsBody on each world object with HasRigidBody (the
    // rebuild flag) set.
    void RebuildPhysicsBodies();
    // The object's body anew from its stored shape kind, sizes times its
    // scale and stored mass, placed by its world matrix. Null, or a rebuild
    // flag of 0: nothing.
    void RebuildPhysicsBody(CNBObject* object);
    // Rescales every mesh from its unscaled positions and rebuilds the body
    // with the sizes scaled and the mass kept.
    void ScaleObject(CNBObject* object, float sx, float sy, float sz);
    // Bodies in bulk, for many at once (a generated scene, a loaded world):
    // while open, the bodies CreateObjectFromBlockType makes for listed
    // objects and RebuildPhysicsBody makes wait outside the physics world;
    // closing enters the waiting bodies of the world's objects from index
    // `firstObject` on together (CPhysicBody::EnterWorldInBulk). Not nested:
    // Open returns false when already open, and only the Close of a true
    // Open is to be called.
    bool OpenBulkBodies();
    void CloseBulkBodies(size_t firstObject);
    bool bulkBodiesOpen = false;

    // ---- held bodies (manipulation.cpp), block pictures (render/block_previews.cpp)
    // and the editor windows (ui/editor_frame.cpp) ----
    // Lets the physics take over again bodies the user moved, once 1500 ms
    // have passed since their last move, or all at once (manipulation.cpp).
    void ReleaseMovedBodies(int releaseAll);
    // The block pictures: -1 renders every block type, each at the angle it
    // has; anything else turns and renders the selected type, plus the
    // "Blocks" window's while flag 11 is set.
    void RenderBlockPreviews(int which);
    // The editor windows of one frame, in their fixed order (ui/editor_frame.cpp).
    void DrawUserInterface();

    // ---- reloading the world (scene/world_reload.cpp, scene/forget_object.cpp) ----
    // "ReLoad Last Saved": reads the world's own file from the Worlds folder
    // into a new world; only once that has been read completely does it take
    // the old world's place (ForgetWorld, then the old world goes). A file
    // that cannot be read leaves the old world running (logged, and the
    // reason in words for the user in `why` when given). True when the
    // world was replaced.
    bool ReloadWorld(std::string* why = nullptr);
    // Drops every link the scene keeps into its world before the world goes:
    // each object through ForgetObject, the generator previews (built from
    // the world's block types and textures, with the generated spline and
    // the Perlin prototype), the render caches and the dialogs' pictures.
    // The world itself stays. A new link into the world is dropped here.
    void ForgetWorld();

    // ---- tube-style and cube landscape scenes (generation/tube_scene.cpp, generation/cube_landscape.cpp) ----
    // Fills the world with raised rooms on pillars joined by corridors, all
    // of one-unit boxes (static, scale 1), over a World Size square cut into
    // leaves of at most Max Leaf Size; Multi Level adds a smaller level beside
    // it, Base Level a ground. Sizes are held to the dialog's ranges; a World
    // Size below 12 (or no number) lays no box. Sectors are appended over
    // the boxes.
    void GenerateTubeScene(float worldSize, float maxLeafSize, int multiLevel, int baseLevel);
    // Fills the world with a size x size landscape of biome cubes (static,
    // scale 1) at the 3D cursor, heights up to maxHeight; size is held to
    // 32..512 and maxHeight to 0..64. An empty world gets 16 sectors. The
    // images along the way stay in landscapeImages; statusLines lists the
    // biomes no column took. Without the biome graph (logged) no cube is made.
    void GenerateLandscapeScene(int size, int maxHeight);
    // The landscape's eleven intermediate images, kept until the next
    // landscape or the scene's end, and one line per biome the last landscape
    // left out (shown by the "Stats" window).
    LandscapeImages landscapeImages;
    std::vector<std::u16string> statusLines;

    // ---- object generators (generation/object_generators.cpp, generator_lines.cpp,
    // random_spline.cpp, perlin_field_generator.cpp, automatic_scene.cpp) and
    // their preview passes (render/generator_preview_passes.cpp) ----
    // Type 0 direct line, 1 circle or spiral, 2 random spline, 3 Perlin field
    // (GeneratorType); mode 0 preview, 1 create the previews (or the Perlin
    // positions), -1 drop every preview (GeneratorMode). Settings and working
    // state are `generator`; nothing happens without a current block type.
    void GenerateObjects(int type, int mode);
    // Preview (0) or preview then create (non-zero; previews already there
    // are created at once) along the world's active line. Runs only while
    // generator.alongLineRequest is set, and clears it.
    void GenerateAlongLine(int mode);
    // The preview along a given line (the spline generator's); the same request.
    void GenerateAlongGivenLine(CWorld* world, CLine* line);
    // A new noise table (noise.h), only while "Randomize Noise" (flag 42) is on.
    void RandomizePerlinTable();
    // Lays a random path and builds a tower within the rectangle the world's
    // objects span (automatic_scene.cpp); a world without objects is left
    // as it is.
    void GenerateAutoScene();
    // The line tool's click: a vertex 0.1 above the picked point ((0, 0.1, 0)
    // when nothing is hit) for the line being drawn, started when none is.
    void AddLineVertexAtCursor();
    // The Perlin positions with the one position object (built from the
    // field prototype when null), and the other generators' preview objects.
    void RenderPreviewPositions();
    void RenderPreviewPositionsShadowed();
    void RenderPreviewObjects();
    void RenderPreviewObjectsShadowed();
    int lastGeneratorType = 0;  // the type of the last GenerateObjects call past its block-type check

    // ---- viewer movement (viewer.cpp) and animation (animate_objects.cpp) ----
    // Once per frame, first thing: the camera-move records into walking,
    // flying, jumping and falling of the main camera, kept out of the world
    // geometry; the walking sound asked to play or pause. The smooth camera
    // (flag 272) runs ApplyCameraMoves instead.
    void MoveViewer();
    // The smooth camera: every record moves or turns the camera by its ramp
    // share of full speed; a record no longer fed ramps down.
    void ApplyCameraMoves();
    // Feeds the record with the same key (its ramp grows), else appends it.
    void QueueCameraMove(CameraMove move);
    // Moves the camera by `displacement` until the world's geometry stops it;
    // a step higher than 0.2 in the way starts a climb.
    void CollideViewer(CCamera& camera, const Vector3& displacement);
    // The pose of every object of a visible sector, advanced by the frame
    // time x the physics time scale.
    void AnimateObjects();

    // ---- view culling (render/view_culling.cpp) ----
    // The visible bytes of the world's sectors, of the objects of accepted
    // sectors and of their instance records, from the main camera's
    // position, view distance (its far distance) and frustum planes.
    void CullView();
    // One sector: out beyond the view distance plus its radius (times its
    // scale, enlarged by 15 %) or outside a plane; a sector going out clears
    // its objects' visible bytes, an accepted one tests each object. Null:
    // nothing.
    void CullSector(Sector* sector);
    // One object and its instance records; returns 0. Null: nothing.
    int CullObject(CNBObject* object);
    // meshKinds anew: the render-set slots of visible sectors that a visible
    // object (or a hidden one's first visible instance) brings.
    void CollectMeshKinds();

    // ---- sky box and object passes (render/sky_box_pass.cpp, render/object_passes.cpp) ----
    void RenderSkyBox();
    void RenderDefaultPass();
    void RenderSkinnedPass();
    void RenderAlphaPass();
    void RenderShadowedPass();
    void RenderShadowedSkinnedPass();
    void RenderShadowedAlphaPass();
    // One object seen by `camera` and lit from the camera's position, as the
    // default pass draws it but without any visibility, kind or slot test.
    // Nothing for a null object or camera.
    void RenderSingleObject(CNBObject* object, CCamera* camera);

    // ---- cascaded shadow maps (render/shadow_maps.cpp) ----
    // The shadow casters' depth from the sun into the world's shadow map, one
    // cascade after the other, and the matrices the shadowed passes read
    // (shadowCascades). The main camera is each cascade's light camera while
    // it draws and the viewer's again at the end.
    void RenderShadowMap();
    // Sets the shadow-visible marks of the sectors, objects and instance
    // records within the camera's frustum. Objects of a sector found outside
    // are not tested again: their marks stay as they were.
    void CullSectors(const CCamera& camera);
    // The shadow-visible casters drawn with the main camera: not animated and
    // not freshly dropped ones, then animated ones with their bones.
    void RenderShadowCasters();
    void RenderShadowCastersSkinned();

    // ---- cursor sprite (render/cursor_sprite.cpp) ----
    // The aiming cross over the scene: at the centre, or at the mouse cursor
    // while Space is held. Nothing without a world, while the cross is
    // switched off (cursorSpriteShown) or while the window has no area.
    void RenderCursorSprite();

    // ---- lines, cursor marker and frames (render/lines_and_frames.cpp) ----
    // The world's lines with their control points, drawn over everything.
    void RenderLines();
    // The marker at the 3D cursor, while the cursor is shown.
    void RenderCursorMarker();
    // Translucent highlights over the object about to be placed (posed on the
    // surface under the aim), the selected and the dragged object.
    void RenderFrames();

    // ---- picking (picking.cpp) ----
    // The object under the aim (the mouse ray while Space is held), or null;
    // the out-parameters get the hit point, the placement point, the normal
    // there and whether the object hit is static (zeros when nothing is hit).
    CNBObject* PickAtCursor(Vector3& hitPoint, Vector3& placementPoint, Vector3& normal, int& staticFlag);
    // The same search along a segment the caller gives (the generators); an
    // object whose sphere holds either end is also tested.
    CNBObject* PickByRay(const PickRay& ray, Vector3& hitPoint, Vector3& placementPoint, Vector3& normal,
                         int& staticFlag);
    // Selects the object under the aim (nothing while pickingOff) and keeps
    // the pick values and its colours.
    void SelectAtCursor();
    // Marks the line points within 6 pixels of the screen centre and makes
    // active each line that passes near it (part of SelectAtCursor).
    void SelectLinesAtCentre();
    // The 3D cursor to the hit point of the aim; the hit object or null.
    CNBObject* SetCursorPoint();
    // The mouse ray through the cursor (near point and unit direction);
    // false, with zeros, when the cursor cannot be read.
    bool MouseRay(Vector3& origin, Vector3& direction);
    // The pointer the aim through the mouse follows (see pointerKnown); false
    // when it cannot be told.
    bool PointerPosition(int* x, int* y) const;
    // The ray through a pixel of the main window: near point, unit direction
    // and the far point (depth 0.991); the camera's viewport is set from the
    // display size first.
    void RayThroughPixel(int x, int y, Vector3& origin, Vector3& direction, Vector3& farPoint);
    // PickAtCursor's search along the mouse ray through that pixel.
    CNBObject* PickAtPixel(int x, int y, Vector3& hitPoint, Vector3& placementPoint, Vector3& normal,
                           int& staticFlag);
    // The main camera's viewing direction in world axes, as its view matrix
    // holds it.
    Vector3 ViewForward() const;
    CNBObject* PickSegment(const Vector3& start, const Vector3& end, bool fromViewer, Vector3& hitPoint,
                           Vector3& placementPoint, Vector3& normal, int& staticFlag);

    // ---- object manipulation (manipulation.cpp) ----
    // Held bodies are static and asleep until ReleaseMovedBodies (1: every
    // one, 0: those held more than 1500 ms) hands them back. Objects of kind
    // 1 are never moved or deleted here.
    void HoldBody(CNBObject* object);
    // Makes an object of the current block type just ahead of the eye and
    // gives it an impulse along the view.
    void ThrowObject();
    // Puts a fresh copy of the current block type on the surface under the aim.
    void PlaceObjectAtCursor();
    void ApplyImpulseAtAim(int mode);
    void BeginDrag();
    void DragWithMouse(float wheel);
    void MoveSelected(int direction);
    void RotateSelected(float amount);
    void RotateDraggedObject(float pitch, float roll, float yaw);
    void DeleteSelected();
    // Empties the world of objects and lines. The world's file then still
    // holds what was there before: fileHoldsEarlierScene is set.
    void ClearScene();
    // The current texture onto every part mesh of the selected object; opens
    // the "Textures" window when there is no current texture.
    void ApplyTextureToSelected();
    // The object's colours and power onto every other object of its name.
    void CopyMaterialToNamesakes(CNBObject* object);
    // Drags the selected line points along the aim (0: nothing).
    void EditLinePoint(int enabled);
    // The world's selected line becomes the first line marked active.
    void ActivateFlaggedLine();

    CDriver* driver = nullptr;
    CSoundManager* soundManager = nullptr;
    CGame* game = nullptr;
    CWorld* world = nullptr;

    SceneOptions options;
    CameraBlock cameraBlock;              // the main camera's block
    Vector3 cameraPosition;               // the main camera's position
    uint32_t frameClock = 0;              // timeGetTime of the current frame (ms), set every frame
    uint32_t lastBackupTime = 0;          // 0 until the first frame; written only by BackupWorld
    // Set once the scene was emptied in place (ClearScene): until the world
    // is saved under its name, or read again, its file holds what was there
    // before, and "Save" asks before it replaces it.
    bool fileHoldsEarlierScene = false;

    SceneSlot slots[32];
    CCamera mainCamera;  // the viewer; its position is the sound listener
    FrameClock timing;  // frame rate, frame time, scene clock and limiter

    Vector3 cursor3D;                 // the 3D cursor: the last picked point
    CNBObject* heldObject = nullptr;  // a link, not owned; cleared when its object is forgotten
    int32_t dropsMade = 0;            // set by a drop mark; the frame's release step reads it
    uint32_t lastDropMarkTime = 0;    // ms
    uint32_t lastThrowTime = 0;       // ms of the last object thrown, placed or dropped

    // Selection (links into the world's objects, or null).
    CNBObject* selectedObject = nullptr;
    CNBObject* draggedObject = nullptr;
    std::vector<CNBObject*> keyMovedObjects;  // objects whose bodies are held, each once
    // Where the last pick hit, and how the drag holds its object.
    Vector3 pickHitPoint;
    Vector3 pickPlacementPoint;
    Vector3 pickNormal;
    Vector3 grabPoint;
    Vector3 grabPlacementPoint;
    Vector3 grabNormal;
    Vector3 grabOffset;          // grab point minus the camera position
    Vector3 lastViewDirection;
    uint8_t pickingOff = 0;      // console "dontpick"

    // Generator previews: objects owned by the list, never in the world.
    std::vector<CNBObject*> previewObjects;
    CNBObject* positionObject = nullptr;
    std::vector<Vector3> previewPositions;  // of the Perlin field generators

    std::vector<RecordedObject> recordedObjects;  // Ctrl+Enter records, fired by Enter
    std::vector<DropRecord> dropQueue;            // in insertion order
    std::vector<CameraMove> cameraMoves;          // the input dispatch's requests, in order

    SoundInstanceList soundInstances;         // every sound instance, in creation order; owned
    std::vector<CNBObject*> soundingObjects;  // each object that received an instance, once

    // Flags that no world file carries (see Flag). Defaults in the constructor.
    uint8_t flags[kSceneFlagCount] = {};
    // Settings no world file carries.
    float generatorScale = 1.0f;
    float selectedObjectProperties[12] = {};
    uint8_t cursorSpriteShown = 1;  // flag 396: the cursor cross and the cursor marker
    uint8_t spaceHeld = 0;          // Space is held: the aim follows the mouse cursor
    // Where the pointer was as the input handled so far left it (back-buffer
    // pixels): the aim through the mouse points there, not where the pointer
    // went after a click that is handled now. Until the dispatch sets it,
    // the window's last position.
    bool pointerKnown = false;
    int pointerX = 0;
    int pointerY = 0;

    CCamera modelViewCamera;        // the model view's own viewer
    int32_t shadowsOn = 1;          // shadowed or plain object passes
    // Render-set slots that occur in this frame's visible geometry (CollectMeshKinds).
    uint8_t meshKinds[kVertexFormatSlots] = {};
    VisibleObjectRecord visibleObjects;        // which objects CullView left visible, per sector
    VisibleObjectRecord shadowVisibleObjects;  // and which CullSectors left shadow-visible
    ShadowCascades shadowCascades;  // the shadow pass's settings and results
    InstanceBatches instanceBatches;  // the copies of the pass or cascade being drawn
    RenderCaches renderCaches;
    uint32_t lastReleaseStepTime = 0;     // ms; fresh-drop marks are cleared one per 50 ms
    uint32_t lastSectorReassignTime = 0;  // ms; all objects re-sorted every 120 s
    uint32_t lastSectorUpdateTime = 0;    // ms; moved objects re-sorted every second
    uint8_t deviceLost = 0;               // re-creating the device failed; retried each frame

    // The editor windows' and generators' own state, one block per concern.
    EditorDialogState dialogs;
    ToolBoxState toolBoxes;
    ObjectGeneratorSettings generator;

    // The Bullet world. The destructor deletes the world (whose objects take
    // their bodies out of it) before members go.
    ScenePhysics physics;
};
