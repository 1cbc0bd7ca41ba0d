// The scene's Bullet world (double precision) and the lock of its step.
//
// ScenePhysics holds the five Bullet objects of one discrete dynamics world,
// plus the list every body factory enters its new shapes in (the shapes
// themselves belong to the bodies' holders). The scene builds them once a
// world is entered (CScene::InitPhysicsWorld) and they go with the scene:
// the world of objects, whose bodies sit in the dynamics world, is deleted
// first, so no body outlives the dynamics world it was added to.
#pragma once

#include "world/physic_body.h"  // CollisionShapeArray

class btDefaultCollisionConfiguration;
class btCollisionDispatcher;
struct btDbvtBroadphase;
class btSequentialImpulseConstraintSolver;
class btDiscreteDynamicsWorld;

namespace platform {
class CriticalSection;
}

class ScenePhysics {
public:
    // The shape list exists from the start, so bodies can be made for a scene
    // whatever the order of its set-up; the Bullet objects are null.
    ScenePhysics();
    ~ScenePhysics();
    ScenePhysics(const ScenePhysics&) = delete;
    ScenePhysics& operator=(const ScenePhysics&) = delete;

    // Destroys the dynamics world, solver, broadphase, dispatcher and
    // configuration, in that order, and nulls them. The shape list stays (its
    // shapes belong to the bodies' holders).
    void Release();

    // Drops every overlapping pair of the broadphase, with its contact
    // points, in one walk over the pair list. For when every body is about
    // to leave: Bullet searches the whole pair list for each body that
    // leaves, so bodies still in touch would make emptying a world take time
    // in the square of their number. A body that stays is paired again only
    // once it moves.
    void DropAllContacts();

    btDefaultCollisionConfiguration* collisionConfiguration = nullptr;
    btCollisionDispatcher* dispatcher = nullptr;
    btDbvtBroadphase* broadphase = nullptr;
    btSequentialImpulseConstraintSolver* solver = nullptr;
    btDiscreteDynamicsWorld* dynamicsWorld = nullptr;
    CollisionShapeArray* collisionShapes = nullptr;  // owned list, borrowed shapes
};

// The process-wide lock of the physics step. The step only ever try-locks it
// and skips its frame when someone else holds it.
platform::CriticalSection& PhysicsStepLock();
