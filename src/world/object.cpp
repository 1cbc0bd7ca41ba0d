// Sections: sub-records; construction and release; names; bounds; render
// sets; physics hand-over; animation; sounds and velocities.
#include "world/object.h"

#include <btBulletDynamicsCommon.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

#include "core/box_transform.h"
#include "core/name_key.h"
#include "graphics/driver.h"
#include "shell/log.h"
#include "sound/sound_buffer.h"
#include "world/object_part.h"
#include "world/physic_body.h"
#include "world/polygons_grid.h"

namespace {

char* CopyText(const char* text)
{
    const size_t bytes = std::strlen(text) + 1;
    char* copy = static_cast<char*>(SharedHeapAlloc(bytes));
    if (copy) std::memcpy(copy, text, bytes);
    return copy;
}

void FreeText(char*& text)
{
    SharedHeapFree(text);
    text = nullptr;
}

// The rotation of q with translation p in the fourth row.
Matrix4 PoseMatrix(const Vector4& q, const Vector3& p)
{
    Matrix4 matrix;
    matrix.FromQuaternion(q);
    matrix.m[12] = p.x;
    matrix.m[13] = p.y;
    matrix.m[14] = p.z;
    return matrix;
}

Vector3 Lerp(const Vector3& a, const Vector3& b, float t)
{
    return Vector3::Add(a, Vector3::Scale(Vector3::Sub(b, a), t));
}

}  // namespace

// ---------------------------------------------------------------------------
// Sub-records
// ---------------------------------------------------------------------------

PrivateHeap& BodyPiece::Heap()
{
    static PrivateHeap heap;
    return heap;
}

void BodyPiece::Release(BodyPiece* piece)
{
    if (!piece) return;
    delete piece->body;
    piece->body = nullptr;
    for (void*& buffer : piece->buffers) {
        SharedHeapFree(buffer);
        buffer = nullptr;
    }
    VectorHeap::Free(piece->points);
    piece->points = nullptr;
}

void BodyPiece::FreeArray(BodyPiece* pieces)
{
    if (!pieces) return;
    for (uint32_t i = 0; i < CountedArraySize(pieces); ++i) Release(&pieces[i]);
    DeleteCountedArray(Heap(), pieces);
}

PrivateHeap& PieceGroup::Heap()
{
    static PrivateHeap heap;
    return heap;
}

void PieceGroup::Release(PieceGroup* group)
{
    if (!group) return;
    BodyPiece::FreeArray(group->pieces);
    group->pieces = nullptr;
}

void PieceGroup::FreeArray(PieceGroup* groups)
{
    if (!groups) return;
    for (uint32_t i = 0; i < CountedArraySize(groups); ++i) Release(&groups[i]);
    DeleteCountedArray(Heap(), groups);
}

// ---------------------------------------------------------------------------
// Construction and release
// ---------------------------------------------------------------------------

CNBObject::CNBObject()
{
    WorldMatrix.SetIdentity();
    Ambient = Vector4{{0.3f, 0.3f, 0.3f, 1.0f}};
    Diffuse = Vector4{{0.6f, 0.6f, 0.6f, 1.0f}};
    Specular = Vector4{{0.3f, 0.3f, 0.3f, 1.0f}};
}

CNBObject::~CNBObject()
{
    ReleaseResources();
    PieceGroup::FreeArray(PieceGroups);
    PieceGroups = nullptr;
    for (char** text : {&Name, &SubName, &JointBuffer, &SpareBuffer, &StringA, &StringB, &HeadText, &JointText})
        FreeText(*text);
    DeleteCountedArray(SharedHeap(), KeyMatrices);
    KeyMatrices = nullptr;
    DeleteCountedArray(SharedHeap(), FrameMatrices);
    FrameMatrices = nullptr;
    KeyRecordCount = 0;
    delete Joint;
    Joint = nullptr;
    delete FloatRecords;
    FloatRecords = nullptr;
    delete AuxRenderSets;  // its sets went with ReleaseResources
    AuxRenderSets = nullptr;
}

void CNBObject::Delete(CNBObject* object)
{
    delete object;
}

void CNBObject::FreeParts()
{
    ObjectPart::FreeArray(Parts);
    Parts = nullptr;
    PartCount = 0;
}

void CNBObject::ReleaseResources()
{
    ReleaseGpuRenderSets();
    ReleaseAuxRenderSets();
    ReleasePhysicsAndParts();
    ClearExtraRenderSets();
    delete PhysicBody;
    PhysicBody = nullptr;
    FreeParts();
}

void CNBObject::ReleasePhysicsAndParts()
{
    delete PhysicBody;
    PhysicBody = nullptr;
    PhysicsBlockInt = 0;
    FreeParts();
    SharedHeapFree(PhysicsBlock);
    PhysicsBlock = nullptr;
    FreeText(JointBuffer);
    JointBufferCount = 0;
}

bool CNBObject::AllocateParts(int n)
{
    FreeParts();
    if (n < 0) return false;
    Parts = ObjectPart::NewArray(static_cast<uint32_t>(n));
    if (!Parts) return false;
    PartCount = n;
    return true;
}

ObjectPart* CNBObject::GetPart(int index) const
{
    if (!Parts || index < 0 || index >= PartCount) return nullptr;
    return &Parts[index];
}

// ---------------------------------------------------------------------------
// Names
// ---------------------------------------------------------------------------

void CNBObject::SetText(char*& field, const char* text)
{
    if (!text) return;
    FreeText(field);
    field = CopyText(text);
}

void CNBObject::SetName(const char* text)
{
    if (!text) return;
    SetText(Name, text);
    NameHash = Name ? static_cast<int32_t>(NameHashBytes(Name)) : 0;
}

void CNBObject::SetSubName(const char* text) { SetText(SubName, text); }
void CNBObject::SetStringA(const char* text) { SetText(StringA, text); }
void CNBObject::SetStringB(const char* text) { SetText(StringB, text); }
void CNBObject::SetDefaultLabel() { TypeName = u"base"; }

// ---------------------------------------------------------------------------
// Bounds
// ---------------------------------------------------------------------------

void CNBObject::ComputeBounds()
{
    bool emptied = false;
    Vector3 low = LocalBoxMin;
    Vector3 high = LocalBoxMax;
    Vector3 center = LocalCenter;
    for (int i = 0; Parts && i < PartCount; ++i) {
        ObjectPart& part = Parts[i];
        if (part.mainMesh) part.mainMesh->ComputeBounds();
        for (CPolygonsGrid* mesh : part.furtherMeshes)
            if (mesh) mesh->ComputeBounds();
        if (!part.mainMesh) continue;
        if (!emptied) {
            low = Vector3{FLT_MAX, FLT_MAX, FLT_MAX};
            high = Vector3{-FLT_MAX, -FLT_MAX, -FLT_MAX};
            emptied = true;
        }
        const Vector3& meshLow = part.mainMesh->boundsMin;
        const Vector3& meshHigh = part.mainMesh->boundsMax;
        low = Vector3{std::min(low.x, meshLow.x), std::min(low.y, meshLow.y), std::min(low.z, meshLow.z)};
        high = Vector3{std::max(high.x, meshHigh.x), std::max(high.y, meshHigh.y), std::max(high.z, meshHigh.z)};
        center = Vector3::Scale(Vector3::Add(low, high), 0.5f);
        Radius = std::max(Vector3::Sub(center, high).Length(), Vector3::Sub(center, low).Length());
    }
    LocalBoxMin = low;
    LocalBoxMax = high;
    LocalCenter = center;
    UpdateWorldBounds();
    RadiusCopy = Radius;
    CenterCopy = Center;
}

void CNBObject::UpdateWorldBounds()
{
    TransformBox(WorldMatrix, LocalBoxMin, LocalBoxMax, BoxMin, BoxMax);
    Center = TransformPoint(WorldMatrix, LocalCenter);
}

void CNBObject::UpdatePosition() { Position = WorldMatrix.GetTranslation(); }

// ---------------------------------------------------------------------------
// Render sets
// ---------------------------------------------------------------------------

template <class Visit>
void CNBObject::ForEachExtraRenderSet(Visit visit)
{
    if (!ExtraRenderSets) return;
    for (int g = 0; g < ExtraGroupCount && g < ExtraRenderSetGroups::kGroups; ++g) {
        const int count = std::clamp(ExtraRenderSets->counts[g], 0, ExtraRenderSetGroups::kGroupSize);
        for (int k = 0; k < count; ++k)
            if (ExtraRenderSets->sets[g][k]) visit(ExtraRenderSets->sets[g][k]);
    }
}

void CNBObject::PrepareRenderSets(const Vector3& offset)
{
    for (int i = 0; Parts && i < PartCount; ++i) {
        ObjectPart& part = Parts[i];
        if (!part.mainMesh) continue;
        part.mainMesh->PrepareRenderSets(Driver, offset);
        for (CPolygonsGrid* mesh : part.furtherMeshes)
            if (mesh) mesh->PrepareRenderSets(Driver, offset);
    }
    UpdateRenderFlags();
    RenderScale = RenderScaleSelector == 1 ? 0.25f : RenderScaleSelector == 2 ? 0.65f : 1.0f;
    ForEachExtraRenderSet([this](RenderSet*& set) {
        if (!set->gpu) {
            set->gpu = static_cast<GpuBufferSet*>(SharedHeapAlloc(sizeof(GpuBufferSet)));
            if (!set->gpu) return;
            *set->gpu = GpuBufferSet{};
        }
        if (Driver) Driver->CreateRenderSetBuffers(set);
    });
}

void CNBObject::ReleaseGpuRenderSets()
{
    for (int i = 0; Parts && i < PartCount; ++i) {
        ObjectPart& part = Parts[i];
        if (!part.mainMesh) continue;
        part.mainMesh->ReleaseRenderSets(Driver);
        for (CPolygonsGrid* mesh : part.furtherMeshes)
            if (mesh) mesh->ReleaseRenderSets(Driver);
    }
    ForEachExtraRenderSet([this](RenderSet*& set) {
        if (!set->gpu) return;
        if (Driver && Driver->HasDevice()) Driver->ReleaseRenderSetBuffers(set);
        SharedHeapFree(set->gpu);
        set->gpu = nullptr;
    });
}

void CNBObject::ReleaseAuxRenderSets()
{
    if (!Driver || !AuxRenderSets) return;
    for (RenderSet*& set : AuxRenderSets->sets) {
        if (!set) continue;
        Driver->ReleaseRenderSetBuffers(set);
        RenderSet::Release(set);
        RenderSet::Free(set);
        set = nullptr;
    }
}

void CNBObject::ClearExtraRenderSets()
{
    ForEachExtraRenderSet([](RenderSet*& set) {
        RenderSet::Release(set);
        RenderSet::Free(set);
        set = nullptr;
    });
    delete ExtraRenderSets;
    ExtraRenderSets = nullptr;
    ExtraGroupCount = 0;
}

void CNBObject::UpdateRenderFlags()
{
    RenderFlags.reset();
    for (int i = 0; Parts && i < PartCount; ++i) {
        ObjectPart& part = Parts[i];
        if (!part.mainMesh) continue;
        const CPolygonsGrid* meshes[4] = {part.mainMesh, part.furtherMeshes[0], part.furtherMeshes[1],
                                          part.furtherMeshes[2]};
        for (const CPolygonsGrid* mesh : meshes) {
            if (!mesh) continue;
            for (const SlotRenderSet& entry : mesh->BuiltRenderSets()) RenderFlags[entry.slot] = 1;
        }
    }
}

// ---------------------------------------------------------------------------
// Physics hand-over. Bullet's bases act on column vectors: our matrix rows
// are its basis columns.
// ---------------------------------------------------------------------------

void CNBObject::InitODEPhysic()
{
    delete PhysicBody;
    PhysicBody = new CPhysicBody;
    if (!PhysicBody) WriteLog("Error: CNBObject :: InitODEPhysic() = NULL ");
}

void CNBObject::UpdateFromRigidBody()
{
    if (!PhysicBody || !PhysicBody->Body || !PhysicBody->Body->getMotionState()) return;
    btTransform interpolated;
    PhysicBody->Body->getMotionState()->getWorldTransform(interpolated);
    const btTransform& transform = PhysicBody->Body->getWorldTransform();
    const btMatrix3x3& basis = transform.getBasis();
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) WorldMatrix.m[r * 4 + c] = static_cast<float>(basis[c][r]);
    const btVector3& origin = transform.getOrigin();
    WorldMatrix.m[12] = static_cast<float>(origin.x());
    WorldMatrix.m[13] = static_cast<float>(origin.y());
    WorldMatrix.m[14] = static_cast<float>(origin.z());
    Position = Vector3{WorldMatrix.m[12], WorldMatrix.m[13], WorldMatrix.m[14]};
}

void CNBObject::PushToRigidBody()
{
    if (!PhysicBody || !PhysicBody->Body || !PhysicBody->Body->getMotionState()) return;
    const float* m = WorldMatrix.m;
    const btMatrix3x3 basis(m[0], m[4], m[8], m[1], m[5], m[9], m[2], m[6], m[10]);
    btRigidBody* body = PhysicBody->Body;
    body->setWorldTransform(btTransform(basis, btVector3(m[12], m[13], m[14])));
    body->setLinearVelocity(btVector3(0.0, 0.0, 0.0));
    body->setAngularVelocity(btVector3(0.0, 0.0, 0.0));
    body->activate();
}

// ---------------------------------------------------------------------------
// Animation
// ---------------------------------------------------------------------------

void CNBObject::SwitchAnimationOff(const char* operation)
{
    AnimationMode = 0;
    std::string line = "Error: CNBObject :: ";
    line += operation;
    line += " inconsistent animation data";
    WriteLog(line);
}

bool CNBObject::AnimationCountsConsistent() const
{
    if (KeyCount < 1 || BoneCount < 1 || KeyRecordCount < 1) return false;
    if (KeyTimes.size() < size_t(KeyCount)) return false;
    if (int64_t{KeyRecordCount} < int64_t{KeyCount} * BoneCount) return false;
    if (BoneKeys.size() < size_t(KeyRecordCount)) return false;
    if (AnimationMode == 2) {
        if (KeyRotations.size() < size_t(KeyRecordCount)) return false;
        if (InverseBind.size() < size_t(BoneCount)) return false;
    }
    return true;
}

void CNBObject::InitBones()
{
    InverseBind.clear();
    KeyRotations.clear();
    if (BoneCount < 0 || BoneKeys.size() < size_t(BoneCount) || KeyRecordCount < 0 ||
        (!BoneKeys.empty() && BoneKeys.size() < size_t(KeyRecordCount))) {
        SwitchAnimationOff("InitBones()");
        return;
    }
    for (int b = 0; b < BoneCount; ++b) {
        BoneBind bind{BoneKeys[b].matrix};
        bind.matrix.Inverse();
        InverseBind.push_back(bind);
    }
    if (BoneKeys.empty()) return;
    for (int r = 0; r < KeyRecordCount; ++r) KeyRotations.push_back(Quaternion::FromRotation(BoneKeys[r].matrix));
}

void CNBObject::MultiplyPoseMatrices(const Matrix4& a, const Matrix4& b, Matrix4& out)
{
    float product[16];
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += a.m[r * 4 + k] * b.m[k * 4 + c];
            product[r * 4 + c] = sum;
        }
    }
    std::memcpy(out.m, product, sizeof(product));
}

void CNBObject::AnimatePose(float dt, const Vector3& viewer)
{
    if (BoneKeys.empty()) return;
    AnimationTime += AnimationSpeed * dt;
    if (!AnimationStarted) {
        AnimationStarted = 1;
        AnimationTime += AnimationStartOffset;
    }
    if (!KeyTimes.empty()) {
        const float last = KeyTimes.back();
        if (last > 0.0f && AnimationTime > last) AnimationTime -= std::trunc(AnimationTime / last) * last;
    }
    if (AnimationFlags & 4) {
        const Vector3 d = Vector3::Sub(Center, viewer);
        if (d.x * d.x + d.y * d.y + d.z * d.z > 14400.0f) return;
    }
    if (AnimationMode != 1 && AnimationMode != 2) return;
    if (AnimationMode == 2 && (InverseBind.empty() || KeyRotations.empty() || BoneCount < 1)) return;
    if (!AnimationCountsConsistent()) {
        SwitchAnimationOff("AnimatePose()");
        return;
    }

    // The current key; a clock before the first key shows key 0.
    int i = 0;
    for (int k = KeyCount - 1; k >= 0; --k) {
        if (AnimationTime >= KeyTimes[k]) {
            i = k;
            break;
        }
    }
    const int n = (i + 1) % static_cast<int>(KeyTimes.size());
    const float span = KeyTimes[n] - KeyTimes[i];
    const float t = span > 0.0f ? (AnimationTime - KeyTimes[i]) / span : 0.0f;
    const int64_t B = BoneCount;
    const int64_t records = KeyRecordCount;

    if (AnimationMode == 1) {
        const Matrix4& a = BoneKeys[size_t(i * B)].matrix;
        const Matrix4& b = BoneKeys[size_t(((i + 1) * B) % records)].matrix;
        const Vector4 q = Quaternion::Slerp(Quaternion::FromRotation(a), Quaternion::FromRotation(b), t);
        const Vector3 p = Lerp(a.GetTranslation(), b.GetTranslation(), t);
        const int flag = WorldMatrix.identity;
        WorldMatrix = PoseMatrix(q, p);
        WorldMatrix.identity = flag;
        return;
    }

    for (int64_t bone = 0; bone < B; ++bone) {
        const size_t here = size_t(i * B + bone);
        const size_t next = size_t(((i + 1) * B + bone) % records);
        const Vector4 q = Quaternion::Slerp(KeyRotations[here], KeyRotations[next], t);
        const Vector3 p = Lerp(BoneKeys[here].matrix.GetTranslation(), BoneKeys[next].matrix.GetTranslation(), t);
        if (bone >= kPoseBones) continue;
        Matrix4 pose;
        MultiplyPoseMatrices(InverseBind[size_t(bone)].matrix, PoseMatrix(q, p), pose);
        if (size_t(bone) < Pose.size()) std::memcpy(Pose[size_t(bone)].matrix.m, pose.m, sizeof(pose.m));
        if (bone == 0) {
            const float w = pose.m[15];
            RootPosition = Vector3::Add(Vector3{pose.m[12] / w, pose.m[13] / w, pose.m[14] / w}, Center);
            RootPositionValid = 1;
        }
    }
}

// ---------------------------------------------------------------------------
// Sounds and velocities
// ---------------------------------------------------------------------------

CSoundBuffer* CNBObject::FindSound(int key) const
{
    for (CSoundBuffer* sound : Sounds)
        if (sound && sound->Key == key) return sound;
    return nullptr;
}

namespace {

Vector3 MeanOfValid(const VectorSlot (&samples)[3], const int32_t (&valid)[3])
{
    Vector3 sum;
    int count = 0;
    for (int i = 0; i < 3; ++i) {
        if (!valid[i]) continue;
        sum = Vector3::Add(sum, samples[i].value);
        ++count;
    }
    return count ? Vector3::Divide(sum, static_cast<float>(count)) : Vector3{};
}

}  // namespace

Vector3 CNBObject::GetMeanLinearVelocity() const { return MeanOfValid(LinearSamples, SampleValid); }
Vector3 CNBObject::GetMeanAngularVelocity() const { return MeanOfValid(AngularSamples, SampleValid); }
