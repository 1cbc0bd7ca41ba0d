// A Bullet world built the way the scene builds its own: default collision
// configuration, dispatcher with GImpact registered, the resting broadphase
// (or Bullet's own DBVT broadphase, to compare with),
// sequential-impulse solver, gravity (0, -10, 0), bounding boxes updated for
// active bodies only, the face-against-triangle test for convex shapes, the
// static mesh contact rule, and the list every body factory appends its
// shape to.
#pragma once

#include <btBulletDynamicsCommon.h>

#include <memory>

#include "world/physic_body.h"

class PhysicsWorld {
public:
    enum class Broadphase { kResting, kBulletsOwn };
    explicit PhysicsWorld(Broadphase broadphase = Broadphase::kResting);
    ~PhysicsWorld();
    PhysicsWorld(const PhysicsWorld&) = delete;
    PhysicsWorld& operator=(const PhysicsWorld&) = delete;

    btDiscreteDynamicsWorld* World() { return world_.get(); }
    CollisionShapeArray* Shapes() { return &shapes_; }

private:
    std::unique_ptr<btDefaultCollisionConfiguration> configuration_;
    std::unique_ptr<btCollisionDispatcher> dispatcher_;
    std::unique_ptr<btDbvtBroadphase> broadphase_;
    std::unique_ptr<btSequentialImpulseConstraintSolver> solver_;
    std::unique_ptr<btDiscreteDynamicsWorld> world_;
    CollisionShapeArray shapes_;
};
