// Three small scene services, each run by its own timer or by a key: the drop
// queue (objects raining onto the 3D cursor, and the fresh-drop mark of
// every object), the recorded pushes (Ctrl+Enter records, Enter fires), and
// the sun direction behind the process-wide light position.
//
// Index: process-wide values - helpers - drop queue (SetDropRecord,
// RemoveDropRecord, ProcessDropQueue) - recorded pushes - sun direction
#include "scene/drop_queue.h"

#include <btBulletDynamicsCommon.h>

#include <algorithm>
#include <cmath>

#include "core/random.h"
#include "platform/clock.h"
#include "scene/scene.h"
#include "world/object.h"
#include "world/physic_body.h"
#include "world/world.h"

// ---------------------------------------------------------------------------
// Process-wide values
// ---------------------------------------------------------------------------
Vector3 LightPosition{500.0f, 500.0f, 500.0f};
uint32_t LastDropTime = 0;

namespace {

constexpr uint32_t kDropPeriod = 300;        // more than this between two drops (ms)
constexpr float kDropHeight = 30.0f;         // above the 3D cursor
constexpr uint32_t kFreshDropDelay = 3000;   // the world's stamp runs this far ahead of a drop
constexpr float kSunRadius = 500.0f;

// ---------------------------------------------------------------------------
// Helpers
// ---------------------------------------------------------------------------

// The main camera's viewing axis (third column of its orientation, which is
// the third column of its view matrix).
Vector3 ForwardAxis(const CCamera& camera)
{
    const double* m = camera.orientation.m;
    return Vector3{static_cast<float>(m[2]), static_cast<float>(m[6]), static_cast<float>(m[10])};
}

// Unit length unless the squared length is below 1e-8.
void NormalizeUnlessTiny(Vector3& v)
{
    const float squared = v.x * v.x + v.y * v.y + v.z * v.z;
    if (squared >= 1e-8f) v = Vector3::Divide(v, std::sqrt(squared));
}

// Each component a whole percent step of [-1, 1], then normalised.
Vector3 RandomDirection()
{
    Vector3 v{static_cast<float>(RandomInt(0, 100)) / 50.0f - 1.0f,
              static_cast<float>(RandomInt(0, 100)) / 50.0f - 1.0f,
              static_cast<float>(RandomInt(0, 100)) / 50.0f - 1.0f};
    NormalizeUnlessTiny(v);
    return v;
}

// Scene settings read here.
bool ImpulseScaledByMass(const CScene& scene) { return scene.FlagOn(kFlagImpulseTimesMass); }
float SpreadFactor(const CScene& scene) { return scene.options.sceneValueB; }
float SpinStrength(const CScene& scene) { return scene.options.sceneValueC; }

// Wakes the body and changes its velocity by the impulse, multiplied by the
// object's mass first when the scene wants the same speed change for every
// object.
void PushBody(const CScene& scene, const CNBObject& object, btRigidBody& body, Vector3 impulse)
{
    if (object.Mass > 0.0f && ImpulseScaledByMass(scene)) impulse = Vector3::Scale(impulse, object.Mass);
    body.activate(true);
    const btVector3 change = btVector3(impulse.x, impulse.y, impulse.z) * body.getLinearFactor() * body.getInvMass();
    body.setLinearVelocity(body.getLinearVelocity() + change);
}

btRigidBody* RigidBodyOf(const CNBObject* object)
{
    return object && object->PhysicBody ? object->PhysicBody->Body : nullptr;
}

// One object of the current block type (or a random QuickBar entry) dropped
// from above the 3D cursor, pushed along the viewing axis.
void DropOneObject(CScene& scene, uint32_t now)
{
    Vector3 direction = ForwardAxis(scene.mainCamera);
    const Vector3 point{scene.cursor3D.x, scene.cursor3D.y + kDropHeight, scene.cursor3D.z};
    // A drop that cannot make its object still takes its slot.
    LastDropTime = now;
    if (!scene.world) return;
    CWorld& world = *scene.world;

    BlockType* const current = world.currentBlockType;
    if (!world.quickBar.empty())
        world.currentBlockType = world.quickBar[RandomInt(0, static_cast<int>(world.quickBar.size()) - 1)];

    CNBObject* object =
        scene.CreateObjectFromBlockType(world.currentBlockType, 1, 1, point.x, point.y, point.z, 0.0f, 0.0f, 0.0f);
    world.PutObjectInSector(object);
    world.previewStamp = now + kFreshDropDelay;
    scene.lastThrowTime = now;

    if (btRigidBody* body = RigidBodyOf(object)) {
        NormalizeUnlessTiny(direction);
        const Vector3 spread = Vector3::Scale(RandomDirection(), SpreadFactor(scene));
        PushBody(scene, *object, *body, Vector3::Scale(Vector3::Add(direction, spread), scene.options.impulseStrength));
        const Vector3 spin = Vector3::Scale(RandomDirection(), SpinStrength(scene));
        if (spin.x != 0.0f || spin.y != 0.0f || spin.z != 0.0f)
            body->applyTorqueImpulse(btVector3(spin.x, spin.y, spin.z));
    }

    world.currentBlockType = current;
}

// The fresh-drop mark on every object but the ground and borders.
void MarkAllDropped(CScene& scene, uint32_t now)
{
    if (scene.world)
        for (CNBObject* object : scene.world->objects)
            if (object && object->Kind != 1) object->FreshDrop = 1;
    scene.dropsMade = 1;
    scene.lastDropMarkTime = now;
}

}  // namespace

// ---------------------------------------------------------------------------
// Drop queue
// ---------------------------------------------------------------------------
void CScene::SetDropRecord(DropRecord record)
{
    const auto last = std::find_if(dropQueue.rbegin(), dropQueue.rend(),
                                   [&record](const DropRecord& queued) { return queued.key == record.key; });
    if (last == dropQueue.rend()) {
        dropQueue.push_back(std::move(record));
        return;
    }
    *last = std::move(record);
}

void CScene::RemoveDropRecord(const DropRecord& record)
{
    const auto first = std::find_if(dropQueue.begin(), dropQueue.end(),
                                    [&record](const DropRecord& queued) { return queued.key == record.key; });
    if (first != dropQueue.end()) dropQueue.erase(first);
}

void CScene::ProcessDropQueue()
{
    for (size_t i = 0; i < dropQueue.size();) {
        const uint32_t now = platform::TimeGetTime();
        const int32_t key = dropQueue[i].key;
        if (key == kDropContinuously) {
            if (now - LastDropTime > kDropPeriod) DropOneObject(*this, now);
        } else if (key == kMarkAllDropped) {
            MarkAllDropped(*this, now);
            // The mark is made once: the record leaves the queue, and the
            // record behind it moves into its place and is looked at next.
            dropQueue.erase(dropQueue.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        ++i;
    }
}

// ---------------------------------------------------------------------------
// Recorded pushes
// ---------------------------------------------------------------------------
void CScene::RecordObjectUnderCursor()
{
    Vector3 hit, placement, normal;
    int staticFlag = 0;
    RecordedObject record;
    record.object = PickAtCursor(hit, placement, normal, staticFlag);
    if (record.object) record.direction = ForwardAxis(mainCamera);
    recordedObjects.push_back(record);
}

void CScene::ApplyRecordedObjects()
{
    if (!world) return;
    for (const RecordedObject& record : recordedObjects) {
        if (!record.object) continue;
        if (std::find(world->objects.begin(), world->objects.end(), record.object) == world->objects.end()) continue;
        btRigidBody* body = RigidBodyOf(record.object);
        if (!body) continue;
        PushBody(*this, *record.object, *body, Vector3::Scale(record.direction, options.impulseStrength));
    }
}

// ---------------------------------------------------------------------------
// Sun direction
// ---------------------------------------------------------------------------
void CScene::SetLightDirection()
{
    if (!world) return;
    const float a = world->sunAngleA * kDegreesToRadians;  // from the vertical
    const float d = world->sunAngleB * kDegreesToRadians;  // around it
    LightPosition = Vector3{kSunRadius * std::sin(a) * std::cos(d), kSunRadius * std::cos(a),
                            kSunRadius * std::sin(a) * std::sin(d)};
}
