// CNBObject: anything solid in a world - a block set down by the user, a
// model made from a block type, a preview. Every pointer marked "owned"
// below (parts with their meshes, physics body, animation and render-set
// blocks) is freed with the object; the attached sounds and the driver are
// only borrowed.
//
// Sections of the class:
//   allocation and release     operator new/delete, Delete, Release*, AllocateParts
//   names                      SetName (with NameHash over the bytes) and the texts
//   bounds                     ComputeBounds, UpdateWorldBounds, UpdatePosition
//   render sets                PrepareRenderSets, ReleaseGpuRenderSets, UpdateRenderFlags
//   physics                    InitODEPhysic, PushToRigidBody, UpdateFromRigidBody
//   animation                  InitBones, AnimatePose, MultiplyPoseMatrices
//   sounds and velocities      FindSound, GetMean*Velocity
//   data                       in the order the world file and the passes know it
//
// Many fields are only carried: the world file stores them and the scene's
// code gives them their sense; here they just keep their initial values.
// Words that no operation reads and the world file does not store are not
// kept at all: a landscape holds a hundred thousand objects and more, and
// every byte here is paid once per object.
#pragma once

#include <bitset>
#include <cstdint>
#include <string>
#include <vector>

#include "core/matrix4.h"
#include "core/private_heap.h"
#include "core/vector3.h"
#include "graphics/render_set.h"
#include "world/vertex_formats.h"

class CDriver;
class CPhysicBody;
class CSoundBuffer;
class ObjectPart;
class Sector;

// One key of one bone: the source's bone value and the bone's transform.
struct BoneKey {
    int32_t bone = 0;
    Matrix4 matrix;
};

// A skinning or inverse-bind matrix, with the word the renderer uploads after it.
struct BoneBind {
    Matrix4 matrix;
};

// One vertex-weight record of a block type: the vertex, the bone, the weight.
struct BoneWeightRecord {
    int32_t vertex = 0;
    int32_t bone = 0;
    float weight = 0.0f;
};

// A Vector3 followed by two words, the slot shape of the velocity ring.
struct VectorSlot {
    Vector3 value;
    uint32_t words[2] = {};
};

// One placement of an object drawn from the same parts (culling fills the
// visibility bytes). Nothing fills the list yet.
struct ObjectInstance {
    uint8_t visible = 0;
    uint8_t shadowVisible = 0;
    uint8_t visibility[2] = {};
    Matrix4 transform;
    Vector3 center;
    float radius = 0.0f;
};

// The joint record; the world file stores its fields in an order of its own.
struct JointRecord {
    uint8_t flag = 0;
    uint32_t value = 0;
    uint32_t a[32] = {};
    uint32_t b[32] = {};
    uint32_t c[32] = {};
    uint32_t w0to8[9] = {};
    uint16_t h0 = 0, h1 = 0;
    uint32_t w9to11[3] = {};
    uint16_t h2 = 0, h3 = 0;
    uint32_t w12 = 0, w13 = 0;
    uint16_t h4 = 0, h5 = 0;
    uint32_t w14to16[3] = {};
};

// The float record and joint matrix of an object, stored with the world only
// while its FloatRecordFlag is set. Few objects have them, and every object
// of a large world would otherwise carry their 108 bytes: an object makes
// the group when something gives it one.
struct FloatRecordGroup {
    float values[10] = {1.0f};
    Matrix4 jointMatrix;  // identity

    FloatRecordGroup() { jointMatrix.SetIdentity(); }
};

// The six auxiliary render sets of an object (owned). Nothing in the scene
// model fills them; an object holds the block only once something does.
struct AuxRenderSetBlock {
    RenderSet* sets[6] = {};
};

// Extra render sets of an object, in up to five groups of 64 (owned), with a
// count and a flag byte per group. Nothing in the scene model fills them; an
// object holds the block only once something does.
struct ExtraRenderSetGroups {
    static constexpr int kGroups = 5;
    static constexpr int kGroupSize = 64;

    RenderSet* sets[kGroups][kGroupSize] = {};
    int32_t counts[kGroups] = {};
    uint8_t flags[kGroups] = {};
};

// Body pieces of an object, grouped: each piece holds a body holder, three
// shared-heap buffers and a Vector3 array. Nothing in the scene model makes
// them; the object frees whatever it holds.
struct BodyPiece {
    CPhysicBody* body = nullptr;
    void* buffers[3] = {};
    Vector3* points = nullptr;

    static PrivateHeap& Heap();
    static void Release(BodyPiece* piece);
    static void FreeArray(BodyPiece* pieces);  // releases each piece, then the block
};

struct PieceGroup {
    BodyPiece* pieces = nullptr;  // count ahead
    Matrix4 matrix;               // the group's own placement of the object's part meshes
    Vector3 position;             // where its label sits, before the matrix
    uint8_t labelled = 0;         // a label is projected for the group when set

    PieceGroup() { matrix.SetIdentity(); }

    static PrivateHeap& Heap();
    static void Release(PieceGroup* group);
    static void FreeArray(PieceGroup* groups);  // releases each group, then the block
};

// CNBObject::Flags bit of glass objects: drawn blended, and the only objects
// whose labels are projected each frame (the transparent passes read them
// from that list).
inline constexpr int32_t kTransparentObjectFlag = 0x2000;

class CNBObject : public HeapAllocated<CNBObject> {
public:
    static constexpr int kPoseBones = 80;  // bones past this are interpolated but not stored

    CNBObject();
    ~CNBObject();
    CNBObject(const CNBObject&) = delete;
    CNBObject& operator=(const CNBObject&) = delete;

    // Destructor, then the object's heap. Null does nothing.
    static void Delete(CNBObject* object);

    void ReleaseResources();
    void ReleasePhysicsAndParts();
    // Replaces the parts by n default parts. False leaves none.
    bool AllocateParts(int n);
    // Part `index`, or null outside 0..PartCount-1.
    ObjectPart* GetPart(int index) const;

    // Each ignores null and replaces the previous text with a shared-heap copy.
    void SetName(const char* text);  // also NameHash = NameHashBytes(the copy)
    void SetSubName(const char* text);
    void SetStringA(const char* text);
    void SetStringB(const char* text);
    void SetDefaultLabel();          // TypeName = "base"

    // The local box over the parts' main meshes, its centre and radius, and the
    // world box and centre through WorldMatrix.
    void ComputeBounds();
    // The world box and centre from the saved local box.
    void UpdateWorldBounds();
    // Position = the translation of WorldMatrix.
    void UpdatePosition();

    void PrepareRenderSets(const Vector3& offset);
    void ReleaseGpuRenderSets();
    void ReleaseAuxRenderSets();
    void ClearExtraRenderSets();
    void UpdateRenderFlags();

    // Replaces the body holder by an empty one (logged when it cannot be had).
    void InitODEPhysic();
    // Reads the rigid body's transform into WorldMatrix and Position.
    void UpdateFromRigidBody();
    // Sets the rigid body's transform from WorldMatrix, stops it and wakes it.
    void PushToRigidBody();

    // InverseBind and KeyRotations from BoneKeys. Inconsistent counts switch
    // the animation off (logged).
    void InitBones();
    // Moves the animation on by dt seconds, then poses the whole object or
    // its bones. Inconsistent counts switch the animation off (logged).
    void AnimatePose(float dt, const Vector3& viewer);
    // out = a x b, all sixteen elements.
    static void MultiplyPoseMatrices(const Matrix4& a, const Matrix4& b, Matrix4& out);

    // The first attached sound with this key (2 movement, 3 impact), or null.
    CSoundBuffer* FindSound(int key) const;
    // The mean of the valid samples of the velocity ring; zero when none is.
    Vector3 GetMeanLinearVelocity() const;
    Vector3 GetMeanAngularVelocity() const;
    // Posed each frame and drawn by the skinned passes (AnimationMode 1 or 2).
    bool IsAnimated() const { return AnimationMode == 1 || AnimationMode == 2; }

    // ---- read for every object in view, every frame ----
    // The culls, the label list, the shadow box, the animation walk and the
    // passes' choice of objects read only these fields, kept together at the
    // start of the object (the first 64 bytes hold all a cull reads): a large
    // world has over 100,000 objects, each spread over several kilobytes, and
    // every further cache line these walks touched cost a miss per object.
    Vector3 Position;                // the translation of WorldMatrix
    float Radius = 0.0f;             // half diagonal of the local box
    uint8_t AnimationMode = 0;       // 1 whole-object keys, 2 skeletal, else none (see IsAnimated)
    uint8_t RootPositionValid = 0;
    uint8_t Visible = 0;
    uint8_t ShadowVisible = 0;
    int32_t Flags = 0;               // kTransparentObjectFlag
    std::vector<ObjectInstance> Instances;
    Vector3 Center;                  // world centre of the box
    int32_t Kind = 0;                // 1 ground and borders, 2 made from a block type
    Vector3 RootPosition;            // bone 0 after the last skeletal pose
    uint8_t FreshDrop = 0;           // set while a dropped object waits for its first frame
    std::vector<BoneKey> BoneKeys;   // key-major: key k, bone b at k x BoneCount + b
    std::bitset<kVertexFormatSlots> RenderFlags;  // set where any mesh has a render set

    // ---- head and placement ----
    uint8_t HeadFlag = 0;            // 1 for objects the sector assignment handled
    uint8_t HeadByte = 0;
    int32_t HeadInt = 0;
    char* HeadText = nullptr;        // owned, shared heap
    PieceGroup* PieceGroups = nullptr;  // owned, count ahead
    Vector3 CenterCopy;
    float RadiusCopy = 0.0f;

    // ---- velocities: a ring of three samples each ----
    VectorSlot LinearSamples[3];
    VectorSlot AngularSamples[3];
    int32_t SampleValid[3] = {};
    int32_t SampleIndex = 0;

    void* PhysicsBlock = nullptr;    // owned, shared heap
    int32_t PhysicsBlockInt = 0;
    AuxRenderSetBlock* AuxRenderSets = nullptr;  // owned; null while there are none

    CDriver* Driver = nullptr;       // borrowed
    Matrix4 WorldMatrix;             // identity

    // ---- animation ----
    std::vector<Vector4> KeyRotations;     // one per BoneKey, w x y z
    Matrix4* KeyMatrices = nullptr;        // owned, count ahead
    std::vector<BoneBind> InverseBind;     // one per bone
    std::vector<float> KeyTimes;           // one per key, ascending, seconds
    int32_t KeyRecordCount = 0;            // keys x bones
    int32_t KeyCount = 0;
    int32_t BoneCount = 0;
    Matrix4* FrameMatrices = nullptr;      // owned, count ahead
    std::vector<BoneBind> Pose;            // the skinning matrices the renderer uploads
    float AnimationTime = 0.0f;
    int32_t AnimationWords[3] = {-1, 0, 0};  // stored with the world
    std::vector<BoneWeightRecord> BoneWeights;  // the block type's weight records

    // ---- physics-step and render state ----
    uint8_t RenderByte = 0;          // stored with the world
    int32_t RenderInt = 0;
    uint8_t RenderBytes[3] = {};     // [1]: project the object's own label
    uint8_t RenderScaleSelector = 3;
    float RenderScale = 1.0f;

    ObjectPart* Parts = nullptr;     // owned, count ahead
    int32_t PartCount = 0;
    int32_t IdInt = 0;
    uint64_t Id = 0;                 // world-wide id, assigned by the world-file reader
    std::u16string TypeName;         // the block type's name
    std::u16string SecondName;
    char* Name = nullptr;            // shared heap
    int32_t NameHash = 0;            // NameHashBytes of Name
    char* SubName = nullptr;         // shared heap
    Vector3 BoxMin;                  // world space after every bounds update
    Vector3 BoxMax;
    Vector3 LocalBoxMin;             // saved by ComputeBounds
    Vector3 LocalBoxMax;
    Vector3 LocalCenter;
    Vector4 Ambient;
    Vector4 Diffuse;
    Vector4 Specular;
    float Power = 4.0f;

    // ---- scene-runtime state ----
    uint8_t Moved = 0;               // moved since the last sector update
    uint8_t StaticFlag = 1;          // not simulated; also stored with the world
    int32_t SceneInt = 0;            // stored with the world
    int32_t AnimationFlags = 0;      // bit 4: animate only within 120 units of the viewer
    uint32_t FloatRecordFlag = 0;    // the world file stores FloatRecords when set
    FloatRecordGroup* FloatRecords = nullptr;  // owned; null reads as the group's defaults
    JointRecord* Joint = nullptr;    // owned; null while the record is all zero
    char* JointText = nullptr;       // owned, shared heap
    char* JointBuffer = nullptr;     // owned, shared heap
    int32_t JointBufferCount = 0;


    Vector3 Scale{1.0f, 1.0f, 1.0f}; // multiplies the shape sizes

    // ---- physics ----
    CPhysicBody* PhysicBody = nullptr;  // owned
    Vector3 LinearVelocity;
    Vector3 AngularVelocity;
    int32_t ShapeKind = 0;           // 1..4 box, sphere, cone, cylinder; 5 mesh, 6 static mesh
    float ShapeSize[3] = {};
    float PhysicsValues[5] = {};
    float Mass = 0.0f;
    int32_t HasRigidBody = 0;        // a body is to be (re)built from the fields above

    Sector* SectorLink = nullptr;    // the sector of the last assignment; borrowed
    char* StringA = nullptr;         // shared heap
    char* StringB = nullptr;
    char* SpareBuffer = nullptr;     // owned, shared heap

    float AnimationSpeed = 1.0f;
    float AnimationStartOffset = 0.0f;
    uint8_t AnimationStarted = 0;

    uint16_t ExtraGroupCount = 0;
    ExtraRenderSetGroups* ExtraRenderSets = nullptr;  // owned; null while there are none


    std::vector<CSoundBuffer*> Sounds;  // borrowed; the scene frees them
    uint8_t InSoundingList = 0;         // the scene lists it among its sounding objects

    // ---- contact sounds, written by the physics step ----
    uint32_t ImpactTime = 0;
    float ImpactAngle = 0.0f;        // degrees
    float SlideAngle = 0.0f;         // degrees
    Vector3 ContactVelocity;         // the point velocity of the last contact
    uint32_t SlideTime = 0;

private:
    // Calls visit(set) for every present set among the counted ones of the
    // groups in use.
    template <class Visit>
    void ForEachExtraRenderSet(Visit visit);
    void SetText(char*& field, const char* text);
    void FreeParts();
    bool AnimationCountsConsistent() const;
    void SwitchAnimationOff(const char* operation);
};
