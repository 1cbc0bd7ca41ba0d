// Object manipulation: holding and releasing bodies, pushing the aimed
// object, dragging, key moves, wheel rotation and deletion.
//
// Sections: helpers / holding and releasing / throwing, placing and impulses
// / dragging and moving / rotating / deleting and clearing / texture and
// material.
#include <btBulletDynamicsCommon.h>

#include <algorithm>
#include <cmath>

#include "core/matrix4.h"
#include "core/random.h"
#include "graphics/texture.h"
#include "platform/clock.h"
#include "core/grid_snap.h"
#include "scene/ray_tests.h"
#include "scene/scene.h"
#include "sound/sound_buffer.h"
#include "world/block_type.h"
#include "world/line.h"
#include "world/object.h"
#include "world/object_part.h"
#include "world/physic_body.h"
#include "world/polygons_grid.h"
#include "world/world.h"

namespace {

constexpr uint32_t kHoldPeriod = 1500;  // ms after the last move
// Below this |y| a ray is taken as parallel to the grab plane.
constexpr float kLevelRay = 1e-4f;

btRigidBody* BodyOf(const CNBObject* object)
{
    return object && object->PhysicBody ? object->PhysicBody->Body : nullptr;
}

bool Finite(const btVector3& v) { return std::isfinite(v.x()) && std::isfinite(v.y()) && std::isfinite(v.z()); }

void NormalizeUnlessTiny(Vector3& v)
{
    const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (length >= 1e-8f) v = Vector3{v.x / length, v.y / length, v.z / length};
}

// Each component a step of 0.02 in [-1, 1], then normalised.
Vector3 RandomUnitVector()
{
    Vector3 v{static_cast<float>(RandomInt(0, 100)) / 50.0f - 1.0f, static_cast<float>(RandomInt(0, 100)) / 50.0f - 1.0f,
              static_cast<float>(RandomInt(0, 100)) / 50.0f - 1.0f};
    NormalizeUnlessTiny(v);
    return v;
}

// How far ahead of the viewer a thrown object is made: `ahead`, or half the
// way to a fixed surface that lies nearer along it (the floor when the
// viewer looks down, a wall close by). Made at the full distance, its centre
// would start below the floor or beyond the wall, and it would fall out of
// the world.
Vector3 ClearOfFixedSurfaces(const btCollisionWorld* world, const Vector3& from, const Vector3& ahead)
{
    if (!world) return ahead;
    const btVector3 start(from.x, from.y, from.z);
    const btVector3 end(from.x + ahead.x, from.y + ahead.y, from.z + ahead.z);
    btCollisionWorld::ClosestRayResultCallback hit(start, end);
    hit.m_collisionFilterMask = btBroadphaseProxy::StaticFilter;
    world->rayTest(start, end, hit);
    if (!hit.hasHit()) return ahead;
    const auto share = static_cast<float>(hit.m_closestHitFraction * 0.5);
    return Vector3{ahead.x * share, ahead.y * share, ahead.z * share};
}

}  // namespace

// The object takes its matrix, position and bounds from its body, is marked
// moved, and the body's box is refreshed in the broadphase.
static void SyncObjectFromBody(CScene& scene, CNBObject* object)
{
    btRigidBody* body = BodyOf(object);
    if (!body) return;
    if (scene.physics.dynamicsWorld && body->getBroadphaseHandle()) scene.physics.dynamicsWorld->updateSingleAabb(body);
    object->UpdateFromRigidBody();
    object->UpdatePosition();
    object->UpdateWorldBounds();
    object->Moved = 1;
}

// ---------------------------------------------------------------------------
// Holding and releasing
// ---------------------------------------------------------------------------
void CScene::HoldBody(CNBObject* object)
{
    btRigidBody* body = BodyOf(object);
    if (!body) return;
    body->setActivationState(ISLAND_SLEEPING);
    body->setCollisionFlags(body->getCollisionFlags() | btCollisionObject::CF_STATIC_OBJECT);
    object->PhysicBody->LastKeyMoveTime = platform::TimeGetTime();
    if (std::find(keyMovedObjects.begin(), keyMovedObjects.end(), object) == keyMovedObjects.end())
        keyMovedObjects.push_back(object);
}

void CScene::ReleaseMovedBodies(int releaseAll)
{
    const uint32_t now = platform::TimeGetTime();
    size_t i = 0;
    // Every entry is looked at: after a removal the next one has moved into
    // the same index.
    while (i < keyMovedObjects.size()) {
        CNBObject* object = keyMovedObjects[i];
        btRigidBody* body = BodyOf(object);
        const uint32_t heldAt = body ? object->PhysicBody->LastKeyMoveTime : 0;
        // A body made anew since it was held (ScaleObject rebuilds it), or
        // none at all, is held by nothing: the entry would never fall due.
        if (heldAt == 0) {
            keyMovedObjects.erase(keyMovedObjects.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        const bool due = releaseAll == 1 || now - heldAt > kHoldPeriod;
        if (!due) {
            ++i;
            continue;
        }
        body->setActivationState(ACTIVE_TAG);
        // A body without mass was static before it was held and stays so.
        if (body->getInvMass() > 0.0)
            body->setCollisionFlags(body->getCollisionFlags() & ~btCollisionObject::CF_STATIC_OBJECT);
        body->setLinearVelocity(btVector3(0, 0, 0));
        body->setAngularVelocity(btVector3(0, 0, 0));
        body->activate(false);
        object->PhysicBody->LastKeyMoveTime = 0;
        keyMovedObjects.erase(keyMovedObjects.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

// ---------------------------------------------------------------------------
// Throwing, placing and impulses
// ---------------------------------------------------------------------------
// A click from the object, softer with the distance to the viewer.
static void PlayClick(CScene& scene, CNBObject* object)
{
    CSoundBuffer* click = scene.AttachObjectSound(object, u"click.wav", 4);
    if (!click) return;
    const Vector3& eye = scene.mainCamera.position;
    const float* m = object->WorldMatrix.m;
    const float dx = m[12] - eye.x;
    const float dy = m[13] - eye.y;
    const float dz = m[14] - eye.z;
    const float distance = std::sqrt(dx * dx + dy * dy + dz * dz);
    const float gain = std::clamp(std::pow(std::max(distance, 1.0f), -0.4f), 0.0f, 1.0f);
    click->SetVolume(gain, -1.0f);
    click->PlayRequested = 1;
}

void CScene::ThrowObject()
{
    if (!world) return;
    const Vector3 start = mainCamera.position;
    Vector3 forward = ViewForward();
    const double* o = mainCamera.orientation.m;
    Vector3 ahead{static_cast<float>(o[2]), static_cast<float>(o[6]), static_cast<float>(o[10])};
    BlockType* type = world->currentBlockType;
    if (type) {
        const float dx = type->boundsMax.x - type->boundsMin.x;
        const float dy = type->boundsMax.y - type->boundsMin.y;
        const float dz = type->boundsMax.z - type->boundsMin.z;
        const float diagonal = std::sqrt(dx * dx + dy * dy + dz * dz);
        ahead = Vector3{ahead.x * diagonal, ahead.y * diagonal, ahead.z * diagonal};
    }
    ahead = ClearOfFixedSurfaces(physics.dynamicsWorld, start, ahead);
    CNBObject* object = CreateObjectFromBlockType(type, 1, 1, start.x + ahead.x, start.y + ahead.y,
                                                  start.z + ahead.z, 0.0f, 0.0f, 0.0f);
    world->PutObjectInSector(object);
    lastThrowTime = platform::TimeGetTime();
    if (!object) return;
    if (btRigidBody* body = BodyOf(object)) {
        NormalizeUnlessTiny(forward);
        const Vector3 spread = RandomUnitVector();
        const float factor = options.sceneValueB;
        btVector3 v(forward.x + spread.x * factor, forward.y + spread.y * factor, forward.z + spread.z * factor);
        v *= options.impulseStrength;
        if (FlagOn(284) && object->Mass > 0.0f) v *= object->Mass;
        body->activate(true);
        body->applyCentralImpulse(v);
        const Vector3 spin = RandomUnitVector();
        const btVector3 w = btVector3(spin.x, spin.y, spin.z) * options.sceneValueC;
        if (w.length() > 0.0) body->applyTorqueImpulse(w);
    }
    PlayClick(*this, object);
}

void CScene::PlaceObjectAtCursor()
{
    if (!world) return;
    Vector3 hit;
    Vector3 placement;
    Vector3 normal;
    int staticFlag = 0;
    PickAtCursor(hit, placement, normal, staticFlag);
    Vector3 point = hit;
    if (FlagOn(233)) point = SnapToGrid(point, options.sceneValueA);
    CNBObject* object = CreateObjectFromBlockType(world->currentBlockType, 1, 1, point.x, point.y, point.z, normal.x,
                                                  normal.y, normal.z);
    if (!object) return;
    world->PutObjectInSector(object);
    PlayClick(*this, object);
}

void CScene::ApplyImpulseAtAim(int mode)
{
    if (mode != 0 && mode != 1) return;
    Vector3 hit;
    Vector3 placement;
    Vector3 normal;
    int staticFlag = 0;
    CNBObject* object = PickAtCursor(hit, placement, normal, staticFlag);
    btRigidBody* body = BodyOf(object);
    if (!body) return;
    const Vector3 forward = ViewForward();
    btVector3 impulse(forward.x, forward.y, forward.z);
    body->activate(true);
    impulse *= options.impulseStrength;
    if (FlagOn(284) && object->Mass > 0.0f) impulse *= object->Mass;
    if (mode == 0) {
        body->applyCentralImpulse(impulse);
        return;
    }
    // Bullet takes the offset from the centre of mass in world axes.
    const btVector3 offset = btVector3(hit.x, hit.y, hit.z) - body->getCenterOfMassPosition();
    body->applyImpulse(impulse, offset);
}

// ---------------------------------------------------------------------------
// Dragging and key moves
// ---------------------------------------------------------------------------
void CScene::BeginDrag()
{
    draggedObject = nullptr;
    if (selectedObject && selectedObject->Kind != 1) draggedObject = selectedObject;
    grabPoint = pickHitPoint;
    grabPlacementPoint = pickPlacementPoint;
    grabNormal = pickNormal;
    lastViewDirection = ViewForward();
    const Vector3& eye = mainCamera.position;
    grabOffset = Vector3{grabPoint.x - eye.x, grabPoint.y - eye.y, grabPoint.z - eye.z};
}

void CScene::DragWithMouse(float wheel)
{
    Vector3 origin = mainCamera.position;
    Vector3 direction = ViewForward();
    if (spaceHeld && !MouseRay(origin, direction)) return;  // no cursor, no drag

    const Vector3 change{lastViewDirection.x - direction.x, lastViewDirection.y - direction.y,
                         lastViewDirection.z - direction.z};
    CNBObject* object = draggedObject;
    if (!object || object->Kind == 1) return;
    if (object->ShapeKind == 6 && FlagOn(285)) return;
    btRigidBody* body = BodyOf(object);
    if (body) HoldBody(object);
    const float changeLength = std::sqrt(change.x * change.x + change.y * change.y + change.z * change.z);
    if (!(changeLength > 0.0f) || !body) return;

    if (wheel != 0.0f) {
        if (!body->getMotionState()) return;
        btTransform transform = body->getWorldTransform();
        transform.getOrigin().setY(transform.getOrigin().y() + wheel * 0.1);
        if (!Finite(transform.getOrigin())) return;
        body->setWorldTransform(transform);
        body->activate(false);
        SyncObjectFromBody(*this, object);
        return;
    }

    const float length = std::sqrt(direction.x * direction.x + direction.y * direction.y + direction.z * direction.z);
    if (length >= 1e-8f) direction = Vector3{direction.x / length, direction.y / length, direction.z / length};
    // A ray (nearly) parallel to the grab plane meets it nowhere useful.
    if (std::fabs(direction.y) < kLevelRay) return;
    const float t = (grabPoint.y - origin.y) / direction.y;
    const Vector3 target{origin.x + t * direction.x, origin.y + t * direction.y, origin.z + t * direction.z};
    if (!IsNotNaNVector3(target) || !std::isfinite(target.x) || !std::isfinite(target.y) || !std::isfinite(target.z))
        return;
    const btVector3 delta(target.x - grabPoint.x, target.y - grabPoint.y, target.z - grabPoint.z);
    grabPoint = target;
    const Vector3& eye = mainCamera.position;
    grabOffset = Vector3{target.x - eye.x, target.y - eye.y, target.z - eye.z};
    lastViewDirection = ViewForward();
    if (body->getMotionState()) {
        btTransform transform = body->getWorldTransform();
        transform.setOrigin(transform.getOrigin() + delta);
        body->setWorldTransform(transform);
        body->activate(false);
    }
    SyncObjectFromBody(*this, object);
}

void CScene::MoveSelected(int direction)
{
    CNBObject* object = selectedObject;
    btRigidBody* body = BodyOf(object);
    if (!body || object->Kind == 1) return;
    BeginDrag();
    const double s = options.sceneValueD;
    HoldBody(object);
    if (body->getMotionState()) {
        btTransform transform = body->getWorldTransform();
        btVector3 origin = transform.getOrigin();
        switch (direction) {
        case 0: origin.setX(origin.x() - s); break;
        case 1: origin.setX(origin.x() + s); break;
        case 2: origin.setZ(origin.z() + s); break;
        case 3: origin.setZ(origin.z() - s); break;
        case 4: origin.setY(origin.y() + s); break;
        case 5: origin.setY(origin.y() - s); break;
        default: break;
        }
        if (Finite(origin)) {
            transform.setOrigin(origin);
            body->setWorldTransform(transform);
            body->setLinearVelocity(btVector3(0, 0, 0));
            body->setAngularVelocity(btVector3(0, 0, 0));
            body->activate(false);
        }
    }
    SyncObjectFromBody(*this, object);
}

// ---------------------------------------------------------------------------
// Rotating
// ---------------------------------------------------------------------------
void CScene::RotateSelected(float amount)
{
    CNBObject* object = selectedObject;
    btRigidBody* body = BodyOf(object);
    if (!body || object->Kind == 1 || !body->getMotionState()) return;
    btTransform transform = body->getWorldTransform();
    const btMatrix3x3& basis = transform.getBasis();
    Matrix4 rotation;
    rotation.SetIdentity();
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) rotation.m[r * 4 + c] = static_cast<float>(basis[c][r]);
    const float sign = amount > 0.0f ? 1.0f : (amount < 0.0f ? -1.0f : 0.0f);
    Vector3 axis{0.0f, 1.0f, 0.0f};
    rotation.Rotate(axis, options.mouseRotateStep * sign);
    const float* m = rotation.m;
    transform.setBasis(btMatrix3x3(m[0], m[4], m[8], m[1], m[5], m[9], m[2], m[6], m[10]));
    body->setWorldTransform(transform);
    body->setLinearVelocity(btVector3(0, 0, 0));
    body->setAngularVelocity(btVector3(0, 0, 0));
    body->activate(false);
    SyncObjectFromBody(*this, object);
}

void CScene::RotateDraggedObject(float pitch, float roll, float yaw)
{
    CNBObject* object = draggedObject;
    btRigidBody* body = BodyOf(object);
    if (!body) return;
    HoldBody(object);
    // Turned about its own position, as the wheel turns the selected object:
    // rotating the whole matrix would swing the translation about the world
    // origin too.
    Matrix4 matrix = object->WorldMatrix;
    const Vector3 position = matrix.GetTranslation();
    matrix.m[12] = matrix.m[13] = matrix.m[14] = 0.0f;
    Vector3 xAxis{1.0f, 0.0f, 0.0f};
    Vector3 zAxis{0.0f, 0.0f, 1.0f};
    Vector3 yAxis{0.0f, 1.0f, 0.0f};
    if (std::fabs(pitch) > 0.0f) matrix.Rotate(xAxis, pitch);
    if (std::fabs(roll) > 0.0f) matrix.Rotate(zAxis, roll);
    if (std::fabs(yaw) > 0.0f) matrix.Rotate(yAxis, yaw);
    matrix.m[12] = position.x;
    matrix.m[13] = position.y;
    matrix.m[14] = position.z;
    object->WorldMatrix = matrix;
    if (body->getMotionState()) {
        const float* m = matrix.m;
        body->setWorldTransform(btTransform(btMatrix3x3(m[0], m[4], m[8], m[1], m[5], m[9], m[2], m[6], m[10]),
                                            btVector3(m[12], m[13], m[14])));
        SyncObjectFromBody(*this, object);
        return;
    }
    object->UpdatePosition();
    object->UpdateWorldBounds();
    object->Moved = 1;
}

// ---------------------------------------------------------------------------
// Deleting and clearing
// ---------------------------------------------------------------------------
void CScene::DeleteSelected()
{
    if (!world) return;
    world->RemoveLines();
    CNBObject* object = selectedObject;
    if (!object || object->Kind == 1) return;
    // Every link of the scene goes before the object does.
    ForgetObject(object);
    world->RemoveObject(object);
    selectedObject = nullptr;
    StopAllBodies();
}

void CScene::ClearScene()
{
    // Every body goes: their contacts go first, all at once.
    physics.DropAllContacts();
    ForgetEveryObjectSound();
    if (world) world->Clear();  // every object goes through ForgetObject first
    StopAllBodies();
    draggedObject = nullptr;
    selectedObject = nullptr;
    for (CNBObject* object : previewObjects) CNBObject::Delete(object);
    previewObjects.clear();
    CNBObject::Delete(positionObject);
    positionObject = nullptr;
    keyMovedObjects.clear();
    fileHoldsEarlierScene = true;
}

// ---------------------------------------------------------------------------
// Texture, material and line points
// ---------------------------------------------------------------------------
void CScene::ApplyTextureToSelected()
{
    if (!world) return;
    CTexture* texture = world->currentTexture;
    if (!texture && !FlagOn(12)) Flag(12) = 1;  // the "Textures" window opens for a choice
    CNBObject* object = selectedObject;
    if (!object || !texture || !object->Parts) return;
    for (int p = 0; p < object->PartCount; ++p) {
        ObjectPart* part = object->GetPart(p);
        CPolygonsGrid* mesh = part ? part->mainMesh : nullptr;
        if (!mesh) continue;
        mesh->textures[0] = texture;
        mesh->textureNames[0].name = texture->name;
    }
}

void CScene::CopyMaterialToNamesakes(CNBObject* source)
{
    // Objects are alike by the block type they were made from: the narrow
    // name stays empty for every object a block type makes.
    if (!world || !source || source->TypeName.empty()) return;
    for (CNBObject* object : world->objects) {
        if (!object || object == source || object->TypeName != source->TypeName) continue;
        object->Ambient = source->Ambient;
        object->Diffuse = source->Diffuse;
        object->Specular = source->Specular;
        object->Power = source->Power;
    }
}

void CScene::EditLinePoint(int enabled)
{
    if (!enabled || !world) return;
    const Vector3 eye = mainCamera.position;
    Vector3 forward = ViewForward();
    bool anySelected = false;
    for (const CLine* line : world->lines)
        if (line && std::find(line->pointMarks.begin(), line->pointMarks.end(), uint8_t{1}) != line->pointMarks.end())
            anySelected = true;
    const Vector3 change{lastViewDirection.x - forward.x, lastViewDirection.y - forward.y,
                         lastViewDirection.z - forward.z};
    if (!anySelected || !(change.x * change.x + change.y * change.y + change.z * change.z > 0.0f)) return;
    NormalizeUnlessTiny(forward);
    // A level aim never meets the grab plane.
    if (std::fabs(forward.y) < kLevelRay) return;
    const float t = (grabPoint.y - eye.y) / forward.y;
    const Vector3 target{eye.x + t * forward.x, eye.y + t * forward.y, eye.z + t * forward.z};
    if (!std::isfinite(target.x) || !std::isfinite(target.y) || !std::isfinite(target.z)) return;
    const Vector3 delta{target.x - grabPoint.x, target.y - grabPoint.y, target.z - grabPoint.z};
    grabPoint = target;
    grabOffset = Vector3{target.x - eye.x, target.y - eye.y, target.z - eye.z};
    lastViewDirection = ViewForward();
    for (CLine* line : world->lines) {
        if (!line || !line->points) continue;
        bool moved = false;
        const int count = std::min(line->pointCount, static_cast<int>(line->pointMarks.size()));
        for (int i = 0; i < count; ++i) {
            if (!line->pointMarks[static_cast<size_t>(i)]) continue;
            line->points[i] = Vector3{line->points[i].x + delta.x, line->points[i].y + delta.y,
                                      line->points[i].z + delta.z};
            moved = true;
        }
        if (moved) line->CreateDriverRenderSet();
    }
}

void CScene::ActivateFlaggedLine()
{
    if (!world) return;
    world->selectedLine = nullptr;
    world->selectedLine = world->GetActiveLine();
}
