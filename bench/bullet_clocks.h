// Bullet's own work timed from its callbacks: its simulation steps from the
// tick callbacks (on the clock and in the stepping thread's processor time,
// which another process's load on the machine does not lengthen), and a pair
// search from the pairs offered to the pair cache. Header-only; Bullet and
// POSIX clocks.
#pragma once

#include <btBulletDynamicsCommon.h>
#include <time.h>

#include <chrono>

namespace bench_bullet {

// The processor time of the calling thread, in seconds (its own and the
// kernel's work on its behalf).
inline double ThreadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

struct StepClock {
    using Clock = std::chrono::steady_clock;

    int steps = 0;                // since the last Reset
    double seconds = 0.0;         // in steps since the last Reset
    double firstSeconds = 0.0;    // the first of them
    double firstProcessor = 0.0;  // its processor time
    double timeStep = 0.0;        // the fixed step of the last one
    Clock::time_point began;
    double beganProcessor = 0.0;

    void Reset() { steps = 0, seconds = 0.0, firstSeconds = 0.0, firstProcessor = 0.0; }

    // Installs the callbacks on `world` (once; the world's user info becomes
    // this clock).
    void Watch(btDynamicsWorld* world)
    {
        if (!world || world->getWorldUserInfo() == this) return;
        world->setInternalTickCallback(&StepClock::Before, this, true);
        world->setInternalTickCallback(&StepClock::After, this, false);
    }

private:
    static void Before(btDynamicsWorld* world, btScalar)
    {
        auto* clock = static_cast<StepClock*>(world->getWorldUserInfo());
        clock->beganProcessor = ThreadSeconds();
        clock->began = Clock::now();
    }
    static void After(btDynamicsWorld* world, btScalar timeStep)
    {
        auto* clock = static_cast<StepClock*>(world->getWorldUserInfo());
        const double took = std::chrono::duration<double>(Clock::now() - clock->began).count();
        if (clock->steps++ == 0) {
            clock->firstSeconds = took;
            clock->firstProcessor = ThreadSeconds() - clock->beganProcessor;
        }
        clock->seconds += took;
        clock->timeStep = timeStep;
    }
};

// The span from the first to the last pair the broadphase offers its pair
// cache while armed: Bullet's pair search when bodies enter a world with
// theirs held back until all are in. The clock is read at every 256th pair,
// so the span ends at most 255 pairs early. Installed as the cache's overlap
// filter, it answers as Bullet's own test of the collision groups does; it
// must outlive the cache's use of it.
class PairSearchClock : public btOverlapFilterCallback {
public:
    using Clock = std::chrono::steady_clock;

    void Watch(btOverlappingPairCache* cache)
    {
        if (cache && cache->getOverlapFilterCallback() != this) cache->setOverlapFilterCallback(this);
    }
    void Arm()
    {
        offered_ = 0;
        armed_ = true;
    }
    void Disarm() { armed_ = false; }
    long Offered() const { return offered_; }
    double Seconds() const { return offered_ ? std::chrono::duration<double>(last_ - first_).count() : 0.0; }

    bool needBroadphaseCollision(btBroadphaseProxy* a, btBroadphaseProxy* b) const override
    {
        if (armed_ && offered_++ % 256 == 0) {
            last_ = Clock::now();
            if (offered_ == 1) first_ = last_;
        }
        return (a->m_collisionFilterGroup & b->m_collisionFilterMask) != 0 &&
               (b->m_collisionFilterGroup & a->m_collisionFilterMask) != 0;
    }

private:
    bool armed_ = false;
    mutable long offered_ = 0;
    mutable Clock::time_point first_, last_;
};

}  // namespace bench_bullet
