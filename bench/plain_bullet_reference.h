// The physics work of a world of boxes done again by plain Bullet, to measure
// the program against: a description of a dynamics world's bodies and
// settings, written by the process that has the world, and a bare
// btDiscreteDynamicsWorld built from it in a process that holds nothing else,
// with the cost of entering its boxes, of its first step and of its memory.
//
// Plain means Bullet's own classes, given the described world's settings:
// btDefaultCollisionConfiguration, btCollisionDispatcher (with the GImpact
// algorithm registered, as the program's is), btDbvtBroadphase and
// btSequentialImpulseConstraintSolver, bodies made as Bullet's examples make
// them and added one by one with addRigidBody. Where the program replaces a
// Bullet class (a broadphase that puts static proxies at rest at once, a
// solver that sizes its pools before filling them, a rule for contacts with
// static meshes), the reference keeps Bullet's.
//
// A describable world holds static triangle mesh bodies (a ground) and moving
// boxes that share one box shape and one set of body settings.
#pragma once

#include <BulletDynamics/ConstraintSolver/btContactSolverInfo.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class btDiscreteDynamicsWorld;

namespace plain_bullet {

// A body's settings besides its shape and place.
struct BodySettings {
    double mass = 0;
    double friction = 0;
    double rollingFriction = 0;
    double spinningFriction = 0;
    double restitution = 0;
    double linearDamping = 0;
    double angularDamping = 0;
    double linearSleepingThreshold = 0;
    double angularSleepingThreshold = 0;
    double ccdMotionThreshold = 0;
    double ccdSweptSphereRadius = 0;
    double contactProcessingThreshold = 0;
    int32_t collisionFlags = 0;
    int32_t rigidBodyFlags = 0;
    bool operator==(const BodySettings&) const = default;
};

// A rotation (rows) and an origin.
struct Place {
    double basis[9];
    double origin[3];
};

// The world's settings, as the program's world has them when it steps.
struct WorldSettings {
    btContactSolverInfoData solver{};  // iterations, solver mode, ERP, ...
    double gravity[3] = {};
    double fixedTimeStep = 0;             // of the internal steps
    double contactBreakingThreshold = 0;  // Bullet's globals
    double deactivationTime = 0;
    int32_t dispatcherFlags = 0;
    bool forceUpdateAllAabbs = false;
    bool enableSatConvex = false;  // the dispatch info's
    bool useContinuous = false;
    bool useEpa = false;
    bool useConvexConservativeDistanceUtil = false;
    bool deterministicOverlappingPairs = false;
    double allowedCcdPenetration = 0;
    double convexConservativeDistanceThreshold = 0;
};

struct GroundBody {
    int32_t shape = 0;  // into Description::groundShapes
    Place place{};
    BodySettings settings;
};

// The one shape and settings of every box.
struct BoxKind {
    double halfExtents[3] = {};  // with the margin, as btBoxShape takes them
    double margin = 0;
    BodySettings settings;
};

struct Description {
    WorldSettings world;
    std::vector<std::vector<double>> groundShapes;  // each a triangle mesh: 9 coordinates a triangle
    std::vector<GroundBody> ground;                 // in the world's order
    BoxKind box;
    std::vector<Place> boxes;  // in the world's order
};

// Writes the description of a world to a file in two strokes, so that the
// process measuring the world holds none of it: its bodies as they stand
// when Begin is called (before the first step over them), then its settings
// once it has stepped (Finish), when its fixed time step is known.
class DescriptionWriter {
public:
    DescriptionWriter() = default;
    ~DescriptionWriter();
    DescriptionWriter(const DescriptionWriter&) = delete;
    DescriptionWriter& operator=(const DescriptionWriter&) = delete;

    // False, with the reason, for a world that cannot be described or a file
    // that cannot be written.
    bool Begin(const btDiscreteDynamicsWorld& world, const std::string& path, std::string& why);
    bool Finish(const btDiscreteDynamicsWorld& world, double fixedTimeStep, std::string& why);

private:
    std::FILE* file_ = nullptr;
    BoxKind box_;
    uint64_t counts_[3] = {};  // ground shapes, ground bodies, boxes
};

bool ReadDescription(const std::string& path, Description& out, std::string& why);

// What a world's broadphase and dispatcher hold.
struct Contacts {
    long pairs = 0;
    long manifolds = 0;
    long points = 0;
};
Contacts CountContacts(btDiscreteDynamicsWorld& world);

struct Figures {
    long boxes = 0;
    double makeSeconds = 0;           // making the box bodies
    double enterSeconds = 0;          // adding them to the world and finding their pairs
    double firstStepSeconds = 0;      // the first internal step over them
    double firstStepProcessor = 0;    // its processor time
    double kilobytesPerBox = 0;       // resident after the steps, less before the boxes, per box
    Contacts entered;                 // after entering
    Contacts stepped;                 // after the first step
};

// Builds the described world in this process, ground first, and takes
// `steps` steps; the world is left standing (the process is to end).
Figures Measure(const Description& description, int steps);

}  // namespace plain_bullet
