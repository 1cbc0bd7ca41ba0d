#include "support/physics_world.h"

#include <BulletCollision/Gimpact/btGImpactCollisionAlgorithm.h>

#include "world/resting_broadphase.h"

PhysicsWorld::PhysicsWorld(Broadphase broadphase)
    : configuration_(new btDefaultCollisionConfiguration()),
      dispatcher_(new btCollisionDispatcher(configuration_.get())),
      broadphase_(broadphase == Broadphase::kResting ? new RestingBroadphase() : new btDbvtBroadphase()),
      solver_(new btSequentialImpulseConstraintSolver())
{
    btGImpactCollisionAlgorithm::registerAlgorithm(dispatcher_.get());
    world_.reset(new btDiscreteDynamicsWorld(dispatcher_.get(), broadphase_.get(), solver_.get(),
                                             configuration_.get()));
    world_->setGravity(btVector3(0.0, -10.0, 0.0));
    world_->setForceUpdateAllAabbs(false);
    world_->getDispatchInfo().m_enableSatConvex = true;
    CPhysicBody::InstallStaticMeshContactRule();
}

// The bodies' holders own the shapes; the list only names them.
PhysicsWorld::~PhysicsWorld()
{
    world_.reset();
    solver_.reset();
    broadphase_.reset();
    dispatcher_.reset();
    configuration_.reset();
}
