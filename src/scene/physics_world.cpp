// The scene's physics: building the Bullet world, stepping it once per frame,
// turning contacts into slide and impact sound requests, writing each body's
// pose back to its object, and halting all bodies.
//
// Index: ScenePhysics - the step lock - InitPhysicsWorld - StepPhysics
// (simulation, contact sounds, transforms back) - StopAllBodies
#include "scene/physics_world.h"

#include <btBulletDynamicsCommon.h>
#include <BulletCollision/Gimpact/btGImpactCollisionAlgorithm.h>

#include <algorithm>
#include <cmath>

#include "core/box_transform.h"
#include "platform/critical_section.h"
#include "scene/scene.h"
#include "sound/sound_buffer.h"
#include "world/object.h"
#include "world/reserving_solver.h"
#include "world/resting_broadphase.h"
#include "world/world.h"

namespace {

constexpr int kSlideSoundKey = 2;
constexpr int kImpactSoundKey = 3;

// Set while a step runs; read and written only with the step lock held. The
// lock is recursive, so it alone would let a step started from inside a step
// (a Bullet callback calling back into the scene) step the world re-entrantly.
bool stepInProgress = false;

Vector3 ToVector(const btVector3& v)
{
    return Vector3{static_cast<float>(v.x()), static_cast<float>(v.y()), static_cast<float>(v.z())};
}

float Dot(const Vector3& a, const Vector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// The object behind a collision object of the scene's world: only rigid
// bodies with an object in their user pointer take part in contact sounds.
CNBObject* ObjectOf(const btCollisionObject* body)
{
    if (!btRigidBody::upcast(body)) return nullptr;
    return static_cast<CNBObject*>(body->getUserPointer());
}

// How fast a point of the object moves: the object's mean linear velocity,
// plus the spin (its mean angular velocity) crossed with the point's offset
// from the centre.
Vector3 PointVelocity(const CNBObject& object, const Vector3& point)
{
    Vector3 spin = object.GetMeanAngularVelocity();
    spin.CrossAssign(Vector3::Sub(point, object.Center));
    return Vector3::Add(object.GetMeanLinearVelocity(), spin);
}

// The object's centre as its matrix places it.
void SetCentreFromMatrix(CNBObject& object) { object.Center = TransformPoint(object.WorldMatrix, object.LocalCenter); }

// Finds the object's sound of `key`, attaching `fileName` when it has none,
// and asks for it to play from now on.
void RequestContactSound(CScene& scene, CNBObject& object, int key, const char16_t* fileName, uint32_t now)
{
    CSoundBuffer* sound = object.FindSound(key);
    if (!sound) sound = scene.AttachObjectSound(&object, fileName, key);
    if (!sound) return;
    sound->PlayRequested = 1;
    sound->TriggerTime = now;
}

// Steps the world by the frame time scaled by the time scale, at the fixed
// sub-step of the quality; any other quality leaves the bodies where they are.
void AdvanceSimulation(btDiscreteDynamicsWorld& world, const CScene& scene)
{
    const double timeStep =
        static_cast<double>(scene.options.physicsTimeScale) * static_cast<double>(scene.timing.PhysicsFrameTime());
    // A time step that is not a positive number would poison Bullet's clock for good.
    if (!(std::isfinite(timeStep) && timeStep > 0.0)) return;
    switch (scene.options.physicsQuality) {  // flag 300
    case 0: world.stepSimulation(timeStep, 1, static_cast<double>(1.0f / 60.0f)); break;
    case 1: world.stepSimulation(timeStep, 4, static_cast<double>(0.01f)); break;
    case 2: world.stepSimulation(timeStep, 10, static_cast<double>(1.0f / 150.0f)); break;
    default: break;
    }
}

// Every penetrating contact point of the dispatcher: the faster side's point
// velocity against the contact normal decides between a slide (70..110
// degrees) and an impact (110..250 degrees); a contact no faster than 1
// makes no sound.
void RequestContactSounds(CScene& scene, btCollisionDispatcher& dispatcher)
{
    const uint32_t now = scene.timing.sceneClock;
    const int manifolds = dispatcher.getNumManifolds();
    for (int m = 0; m < manifolds; ++m) {
        const btPersistentManifold* manifold = dispatcher.getManifoldByIndexInternal(m);
        if (!manifold) continue;
        CNBObject* first = ObjectOf(manifold->getBody0());
        CNBObject* second = ObjectOf(manifold->getBody1());
        if (!first && !second) continue;
        for (int p = 0; p < manifold->getNumContacts(); ++p) {
            const btManifoldPoint& point = manifold->getContactPoint(p);
            if (!(point.getDistance() < 0.0)) continue;
            const Vector3 position = ToVector(point.getPositionWorldOnB());
            const Vector3 normal = ToVector(point.m_normalWorldOnB);

            const Vector3 firstVelocity = first ? PointVelocity(*first, position) : Vector3{};
            const Vector3 secondVelocity = second ? PointVelocity(*second, position) : Vector3{};
            const bool firstMoves =
                first && (!second || Dot(firstVelocity, firstVelocity) >= Dot(secondVelocity, secondVelocity));
            CNBObject& mover = firstMoves ? *first : *second;
            const Vector3 velocity = firstMoves ? firstVelocity : secondVelocity;
            const Vector3 facing = firstMoves ? normal : normal.Negate();

            const float speedSquared = Dot(velocity, velocity);
            if (!(speedSquared > 1.0f)) continue;
            const float lengths = std::sqrt(speedSquared) * facing.Length();
            if (!(lengths > 0.0f)) continue;
            const float cosine = std::clamp(Dot(velocity, facing) / lengths, -1.0f, 1.0f);
            const float angle = std::acos(cosine) * kRadiansToDegrees;

            if (angle > 70.0f && angle < 110.0f) {
                mover.SlideAngle = angle;
                mover.SlideTime = now;
                mover.ContactVelocity = velocity;
                RequestContactSound(scene, mover, kSlideSoundKey, u"movement.wav", now);
            } else if (angle > 110.0f && angle < 250.0f) {
                mover.ImpactAngle = angle;
                mover.ImpactTime = now;
                mover.ContactVelocity = velocity;
                RequestContactSound(scene, mover, kImpactSoundKey, u"impact.wav", now);
            }
        }
    }
}

// The simulated state of every simulated object of the scene's world back
// into the object: velocities (and their ring), matrix, and for a moving
// object its world bounds and moved mark. Objects whose holder has no rigid
// body, or whose body is not in this world, have nothing to copy.
void CopyTransformsBack(CWorld& world, btDiscreteDynamicsWorld& dynamicsWorld)
{
    for (CNBObject* object : world.objects) {
        if (!object || object->StaticFlag || !object->PhysicBody) continue;
        btRigidBody* body = object->PhysicBody->Body;
        if (!body || object->PhysicBody->World != &dynamicsWorld) continue;

        dynamicsWorld.updateSingleAabb(body);
        SetCentreFromMatrix(*object);

        const btVector3 linear = body->getLinearVelocity();
        const btVector3 angular = body->getAngularVelocity();
        object->LinearVelocity = ToVector(linear);
        object->AngularVelocity = ToVector(angular);
        const int slot = object->SampleIndex >= 0 && object->SampleIndex < 3 ? object->SampleIndex : 0;
        object->LinearSamples[slot].value = object->LinearVelocity;
        object->AngularSamples[slot].value = object->AngularVelocity;
        object->SampleValid[slot] = 1;
        object->SampleIndex = (slot + 1) % 3;

        object->UpdateFromRigidBody();
        if (Dot(object->LinearVelocity, object->LinearVelocity) > 0.01f ||
            Dot(object->AngularVelocity, object->AngularVelocity) > 0.01f) {
            object->UpdateWorldBounds();
            object->Moved = 1;
            dynamicsWorld.updateSingleAabb(body);
            SetCentreFromMatrix(*object);
        }
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// ScenePhysics
// ---------------------------------------------------------------------------
ScenePhysics::ScenePhysics() : collisionShapes(new CollisionShapeArray) {}

ScenePhysics::~ScenePhysics()
{
    Release();
    delete collisionShapes;
    collisionShapes = nullptr;
}

void ScenePhysics::Release()
{
    delete dynamicsWorld;
    dynamicsWorld = nullptr;
    delete solver;
    solver = nullptr;
    delete broadphase;
    broadphase = nullptr;
    delete dispatcher;
    dispatcher = nullptr;
    delete collisionConfiguration;
    collisionConfiguration = nullptr;
}

void ScenePhysics::DropAllContacts()
{
    if (!dynamicsWorld || !dispatcher) return;
    // Each pair the callback accepts is removed at once through the pair
    // cache's hash, and the last pair takes its place in the list.
    struct EveryPair : btOverlapCallback {
        bool processOverlap(btBroadphasePair&) override { return true; }
    } every;
    dynamicsWorld->getPairCache()->processAllOverlappingPairs(&every, dispatcher);
}

// ---------------------------------------------------------------------------
// The step lock
// ---------------------------------------------------------------------------
platform::CriticalSection& PhysicsStepLock()
{
    static platform::CriticalSection lock;
    return lock;
}

// ---------------------------------------------------------------------------
// InitPhysicsWorld
// ---------------------------------------------------------------------------
void CScene::InitPhysicsWorld()
{
    // Entering a world is also where the scene starts to forget the world's
    // objects as they are deleted.
    HookObjectRemoval();
    // Bodies may already sit in an existing dynamics world; replacing it
    // would leave them pointing at a deleted one.
    if (physics.dynamicsWorld) return;

    physics.collisionConfiguration = new btDefaultCollisionConfiguration();
    physics.dispatcher = new btCollisionDispatcher(physics.collisionConfiguration);
    btGImpactCollisionAlgorithm::registerAlgorithm(physics.dispatcher);
    physics.broadphase = new RestingBroadphase();
    physics.solver = new ReservingSolver();
    physics.dynamicsWorld = new btDiscreteDynamicsWorld(physics.dispatcher, physics.broadphase, physics.solver,
                                                        physics.collisionConfiguration);
    physics.dynamicsWorld->setGravity(btVector3(0.0, -10.0, 0.0));
    physics.dynamicsWorld->setForceUpdateAllAabbs(false);
    // Boxes (which know their faces) touch ground triangles on whole faces.
    physics.dynamicsWorld->getDispatchInfo().m_enableSatConvex = true;
    // Nothing is pushed through the back of a static mesh's triangle.
    CPhysicBody::InstallStaticMeshContactRule();
}

// ---------------------------------------------------------------------------
// StepPhysics
// ---------------------------------------------------------------------------
void CScene::StepPhysics()
{
    if (FlagOn(kFlagPhysicsPaused)) return;
    platform::CriticalSection& lock = PhysicsStepLock();
    if (!lock.TryEnter()) return;
    if (stepInProgress) {
        lock.Leave();
        return;
    }
    stepInProgress = true;

    if (physics.dynamicsWorld && world) {
        AdvanceSimulation(*physics.dynamicsWorld, *this);
        RequestContactSounds(*this, *physics.dispatcher);
        CopyTransformsBack(*world, *physics.dynamicsWorld);
    }

    stepInProgress = false;
    lock.Leave();
}

// ---------------------------------------------------------------------------
// StopAllBodies
// ---------------------------------------------------------------------------
void CScene::StopAllBodies()
{
    if (!world) return;
    for (CNBObject* object : world->objects) {
        if (!object || !object->PhysicBody) continue;
        btRigidBody* body = object->PhysicBody->Body;
        if (!body || !body->getMotionState()) continue;
        body->clearForces();
        body->activate(false);
    }
}
