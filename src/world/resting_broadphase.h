// RestingBroadphase: Bullet's dynamic AABB tree broadphase, except where a new
// static proxy starts.
//
// btDbvtBroadphase keeps two trees, one of proxies that move and one of
// proxies at rest. Every new proxy starts in the moving tree, and two
// collision passes later every proxy that has not moved since is taken out of
// it and put into the resting tree, one at a time and all in the same pass.
// A generated world enters well over 100,000 static bodies at once, and that
// pass then took a quarter of a second in one of the world's first frames.
//
// Here a proxy of the static filter group goes into the resting tree when it
// is made, where Bullet would have moved it: its stage, its tree, its box and
// the pairs found for it are what they would be after that pass. Anything
// that sets its box later moves it to the moving tree as Bullet does; only
// SetRestingAabb, for a box set as the body enters the world, leaves a
// resting proxy at rest.
#pragma once

#include <BulletCollision/BroadphaseCollision/btDbvtBroadphase.h>

class RestingBroadphase : public btDbvtBroadphase {
public:
    btBroadphaseProxy* createProxy(const btVector3& aabbMin, const btVector3& aabbMax, int shapeType, void* userPtr,
                                   int collisionFilterGroup, int collisionFilterMask,
                                   btDispatcher* dispatcher) override;

    // A resting proxy's box, changed in the resting tree (left where it is
    // when the box is the one it has); any other proxy's as setAabb changes it.
    void SetRestingAabb(btBroadphaseProxy* proxy, const btVector3& aabbMin, const btVector3& aabbMax,
                        btDispatcher* dispatcher);

    // While above 0, a proxy made at rest takes its box grown by `margin` on
    // every side. Bodies entered in bulk get the box Bullet's updateSingleAabb
    // would give them (grown by the contact threshold) right after they are
    // made; made with it, a proxy goes into the tree once instead of being
    // put in and then taken out and put in again. Set it only while new
    // proxies look for no pairs (deferred collision), which the larger box
    // would change.
    void SetRestingMargin(btScalar margin) { restingMargin_ = margin; }

private:
    btScalar restingMargin_ = 0;
};
