// Index: describing a world - the description's file - counting contacts -
// the plain world built and measured
#include "plain_bullet_reference.h"

#include <btBulletDynamicsCommon.h>
#include <BulletCollision/Gimpact/btGImpactCollisionAlgorithm.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <type_traits>

#include "bullet_clocks.h"
#include "process_memory.h"

namespace plain_bullet {

namespace {

// ---------------------------------------------------------------------------
// Describing a world
// ---------------------------------------------------------------------------

Place PlaceOf(const btTransform& transform)
{
    Place place{};
    const btMatrix3x3& basis = transform.getBasis();
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column) place.basis[3 * row + column] = basis[row][column];
    for (int axis = 0; axis < 3; ++axis) place.origin[axis] = transform.getOrigin()[axis];
    return place;
}

btTransform TransformOf(const Place& place)
{
    const double* b = place.basis;
    return btTransform(btMatrix3x3(b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8]),
                       btVector3(place.origin[0], place.origin[1], place.origin[2]));
}

BodySettings SettingsOf(const btRigidBody& body)
{
    BodySettings s;
    s.mass = body.getInvMass() != 0.0 ? 1.0 / body.getInvMass() : 0.0;
    s.friction = body.getFriction();
    s.rollingFriction = body.getRollingFriction();
    s.spinningFriction = body.getSpinningFriction();
    s.restitution = body.getRestitution();
    s.linearDamping = body.getLinearDamping();
    s.angularDamping = body.getAngularDamping();
    s.linearSleepingThreshold = body.getLinearSleepingThreshold();
    s.angularSleepingThreshold = body.getAngularSleepingThreshold();
    s.ccdMotionThreshold = body.getCcdMotionThreshold();
    s.ccdSweptSphereRadius = body.getCcdSweptSphereRadius();
    s.contactProcessingThreshold = body.getContactProcessingThreshold();
    s.collisionFlags = body.getCollisionFlags();
    s.rigidBodyFlags = body.getFlags();
    return s;
}

WorldSettings SettingsOf(const btDiscreteDynamicsWorld& world, double fixedTimeStep)
{
    WorldSettings w;
    w.solver = world.getSolverInfo();
    const btVector3 gravity = world.getGravity();
    for (int axis = 0; axis < 3; ++axis) w.gravity[axis] = gravity[axis];
    w.fixedTimeStep = fixedTimeStep;
    w.contactBreakingThreshold = gContactBreakingThreshold;
    w.deactivationTime = gDeactivationTime;
    if (const auto* dispatcher = dynamic_cast<const btCollisionDispatcher*>(world.getDispatcher()))
        w.dispatcherFlags = dispatcher->getDispatcherFlags();
    w.forceUpdateAllAabbs = world.getForceUpdateAllAabbs();
    const btDispatcherInfo& info = world.getDispatchInfo();
    w.enableSatConvex = info.m_enableSatConvex;
    w.useContinuous = info.m_useContinuous;
    w.useEpa = info.m_useEpa;
    w.useConvexConservativeDistanceUtil = info.m_useConvexConservativeDistanceUtil;
    w.deterministicOverlappingPairs = info.m_deterministicOverlappingPairs;
    w.allowedCcdPenetration = info.m_allowedCcdPenetration;
    w.convexConservativeDistanceThreshold = info.m_convexConservativeDistanceThreshold;
    return w;
}

// The triangles of a mesh shape, in its own frame.
std::vector<double> TrianglesOf(const btBvhTriangleMeshShape& shape)
{
    struct Collector : btInternalTriangleIndexCallback {
        std::vector<double> corners;
        void internalProcessTriangleIndex(btVector3* triangle, int, int) override
        {
            for (int k = 0; k < 3; ++k)
                for (int axis = 0; axis < 3; ++axis) corners.push_back(triangle[k][axis]);
        }
    } collector;
    const btVector3 everywhere(BT_LARGE_FLOAT, BT_LARGE_FLOAT, BT_LARGE_FLOAT);
    shape.getMeshInterface()->InternalProcessAllTriangles(&collector, -everywhere, everywhere);
    return collector.corners;
}

// ---------------------------------------------------------------------------
// The description's file: a header, each ground shape (its triangle count,
// then its corners), the ground bodies, the boxes' places.
// ---------------------------------------------------------------------------

constexpr char kMagic[8] = {'p', 'l', 'a', 'i', 'n', 'b', 't', '1'};

struct FileHeader {
    char magic[8];
    WorldSettings world;
    BoxKind box;
    uint64_t counts[3];  // ground shapes, ground bodies, boxes
};
static_assert(std::is_trivially_copyable_v<FileHeader> && std::is_trivially_copyable_v<GroundBody> &&
              std::is_trivially_copyable_v<Place>);

template <class T>
bool Write(std::FILE* file, const T* items, size_t count)
{
    return count == 0 || std::fwrite(items, sizeof(T), count, file) == count;
}

// Reads what the file holds, never more than it has left.
struct Reader {
    std::FILE* file;
    long left;

    template <class T>
    bool Read(std::vector<T>& items, uint64_t count)
    {
        if (count > static_cast<uint64_t>(left) / sizeof(T)) return false;
        items.resize(count);
        left -= static_cast<long>(count * sizeof(T));
        return count == 0 || std::fread(items.data(), sizeof(T), count, file) == count;
    }
    template <class T>
    bool Read(T& item)
    {
        std::vector<T> one;
        if (!Read(one, 1)) return false;
        item = one[0];
        return true;
    }
};

// ---------------------------------------------------------------------------
// The plain world
// ---------------------------------------------------------------------------

// A body as Bullet's examples make one: its inertia from its shape, a motion
// state when it moves.
btRigidBody* MakeBody(const BodySettings& s, btCollisionShape* shape, const Place& place)
{
    const btTransform transform = TransformOf(place);
    btVector3 inertia(0.0, 0.0, 0.0);
    if (s.mass != 0.0) shape->calculateLocalInertia(s.mass, inertia);
    btMotionState* motion = s.mass != 0.0 ? new btDefaultMotionState(transform) : nullptr;
    btRigidBody::btRigidBodyConstructionInfo info(s.mass, motion, shape, inertia);
    info.m_startWorldTransform = transform;
    info.m_friction = s.friction;
    info.m_rollingFriction = s.rollingFriction;
    info.m_spinningFriction = s.spinningFriction;
    info.m_restitution = s.restitution;
    info.m_linearDamping = s.linearDamping;
    info.m_angularDamping = s.angularDamping;
    info.m_linearSleepingThreshold = s.linearSleepingThreshold;
    info.m_angularSleepingThreshold = s.angularSleepingThreshold;
    auto* body = new btRigidBody(info);
    body->setCcdMotionThreshold(s.ccdMotionThreshold);
    body->setCcdSweptSphereRadius(s.ccdSweptSphereRadius);
    body->setContactProcessingThreshold(s.contactProcessingThreshold);
    body->setCollisionFlags(s.collisionFlags);
    body->setFlags(s.rigidBodyFlags);
    return body;
}

bool Fail(std::string& why, const std::string& reason)
{
    why = reason;
    return false;
}

double SecondsSince(std::chrono::steady_clock::time_point from)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
}

}  // namespace

// ---------------------------------------------------------------------------
// DescriptionWriter
// ---------------------------------------------------------------------------

DescriptionWriter::~DescriptionWriter()
{
    if (file_) std::fclose(file_);
}

bool DescriptionWriter::Begin(const btDiscreteDynamicsWorld& world, const std::string& path, std::string& why)
{
    const btCollisionObjectArray& objects = world.getCollisionObjectArray();
    std::vector<const btBvhTriangleMeshShape*> groundShapes;
    const btBoxShape* boxShape = nullptr;
    counts_[1] = counts_[2] = 0;
    for (int i = 0; i < objects.size(); ++i) {
        const btRigidBody* body = btRigidBody::upcast(objects[i]);
        if (!body) return Fail(why, "a collision object that is no rigid body");
        const btCollisionShape* shape = body->getCollisionShape();
        if (body->isStaticObject()) {
            const auto* mesh = dynamic_cast<const btBvhTriangleMeshShape*>(shape);
            if (!mesh) return Fail(why, "a static body that is no triangle mesh");
            if (std::find(groundShapes.begin(), groundShapes.end(), mesh) == groundShapes.end())
                groundShapes.push_back(mesh);
            ++counts_[1];
            continue;
        }
        if (!boxShape) {
            boxShape = dynamic_cast<const btBoxShape*>(shape);
            if (!boxShape) return Fail(why, "a moving body that is no box");
            box_.settings = SettingsOf(*body);
        } else if (shape != boxShape || !(SettingsOf(*body) == box_.settings)) {
            return Fail(why, "boxes of more than one shape or set of settings");
        }
        ++counts_[2];
    }
    if (!boxShape) return Fail(why, "no moving box");
    const btVector3 half = boxShape->getHalfExtentsWithMargin();
    for (int axis = 0; axis < 3; ++axis) box_.halfExtents[axis] = half[axis];
    box_.margin = boxShape->getMargin();
    counts_[0] = groundShapes.size();

    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) return Fail(why, "cannot write " + path);
    const FileHeader placeholder{};
    bool written = Write(file_, &placeholder, 1);
    for (const btBvhTriangleMeshShape* shape : groundShapes) {
        const std::vector<double> corners = TrianglesOf(*shape);
        const int32_t triangles = static_cast<int32_t>(corners.size() / 9);
        written = written && Write(file_, &triangles, 1) && Write(file_, corners.data(), corners.size());
    }
    for (int i = 0; written && i < objects.size(); ++i) {
        const btCollisionObject* body = objects[i];
        if (!body->isStaticObject()) continue;
        const auto* shape = static_cast<const btBvhTriangleMeshShape*>(body->getCollisionShape());
        GroundBody ground;
        ground.shape = static_cast<int32_t>(std::find(groundShapes.begin(), groundShapes.end(), shape) -
                                            groundShapes.begin());
        ground.place = PlaceOf(body->getWorldTransform());
        ground.settings = SettingsOf(*btRigidBody::upcast(body));
        written = Write(file_, &ground, 1);
    }
    for (int i = 0; written && i < objects.size(); ++i) {
        if (objects[i]->isStaticObject()) continue;
        const Place place = PlaceOf(objects[i]->getWorldTransform());
        written = Write(file_, &place, 1);
    }
    if (!written) return Fail(why, "cannot write " + path);
    return true;
}

bool DescriptionWriter::Finish(const btDiscreteDynamicsWorld& world, double fixedTimeStep, std::string& why)
{
    if (!file_) return Fail(why, "the description was not begun");
    FileHeader header{};
    std::memcpy(header.magic, kMagic, sizeof(kMagic));
    header.world = SettingsOf(world, fixedTimeStep);
    header.box = box_;
    std::memcpy(header.counts, counts_, sizeof(counts_));
    const bool written = std::fseek(file_, 0, SEEK_SET) == 0 && Write(file_, &header, 1);
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!written || !closed) return Fail(why, "cannot finish the description");
    return true;
}

bool ReadDescription(const std::string& path, Description& out, std::string& why)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return Fail(why, "cannot read " + path);
    Reader reader{file, 0};
    if (std::fseek(file, 0, SEEK_END) == 0) reader.left = std::ftell(file);
    std::rewind(file);
    FileHeader header{};
    bool read = reader.Read(header) && std::memcmp(header.magic, kMagic, sizeof(kMagic)) == 0;
    if (read) {
        out.world = header.world;
        out.box = header.box;
        out.groundShapes.resize(header.counts[0] <= 1024 ? header.counts[0] : 0);
        read = out.groundShapes.size() == header.counts[0];
    }
    for (std::vector<double>& corners : out.groundShapes) {
        int32_t triangles = 0;
        read = read && reader.Read(triangles) && triangles >= 0 && reader.Read(corners, 9 * uint64_t(triangles));
    }
    read = read && reader.Read(out.ground, header.counts[1]) && reader.Read(out.boxes, header.counts[2]);
    for (const GroundBody& ground : out.ground)
        read = read && ground.shape >= 0 && static_cast<size_t>(ground.shape) < out.groundShapes.size();
    std::fclose(file);
    if (!read) return Fail(why, "the description in " + path + " is damaged");
    return true;
}

// ---------------------------------------------------------------------------
// CountContacts
// ---------------------------------------------------------------------------

Contacts CountContacts(btDiscreteDynamicsWorld& world)
{
    Contacts contacts;
    contacts.pairs = world.getPairCache()->getNumOverlappingPairs();
    btDispatcher* dispatcher = world.getDispatcher();
    contacts.manifolds = dispatcher->getNumManifolds();
    for (int i = 0; i < contacts.manifolds; ++i)
        contacts.points += dispatcher->getManifoldByIndexInternal(i)->getNumContacts();
    return contacts;
}

// ---------------------------------------------------------------------------
// Measure
// ---------------------------------------------------------------------------

Figures Measure(const Description& description, int steps)
{
    const WorldSettings& w = description.world;
    gContactBreakingThreshold = w.contactBreakingThreshold;
    gDeactivationTime = w.deactivationTime;
    // Never deleted: the process ends with the measurement, and taking a
    // world of this size apart would only make it end later.
    auto* configuration = new btDefaultCollisionConfiguration;
    auto* dispatcher = new btCollisionDispatcher(configuration);
    btGImpactCollisionAlgorithm::registerAlgorithm(dispatcher);
    dispatcher->setDispatcherFlags(w.dispatcherFlags);
    auto* broadphase = new btDbvtBroadphase;
    auto* solver = new btSequentialImpulseConstraintSolver;
    auto* world = new btDiscreteDynamicsWorld(dispatcher, broadphase, solver, configuration);
    world->setGravity(btVector3(w.gravity[0], w.gravity[1], w.gravity[2]));
    static_cast<btContactSolverInfoData&>(world->getSolverInfo()) = w.solver;
    world->setForceUpdateAllAabbs(w.forceUpdateAllAabbs);
    btDispatcherInfo& info = world->getDispatchInfo();
    info.m_enableSatConvex = w.enableSatConvex;
    info.m_useContinuous = w.useContinuous;
    info.m_useEpa = w.useEpa;
    info.m_useConvexConservativeDistanceUtil = w.useConvexConservativeDistanceUtil;
    info.m_deterministicOverlappingPairs = w.deterministicOverlappingPairs;
    info.m_allowedCcdPenetration = w.allowedCcdPenetration;
    info.m_convexConservativeDistanceThreshold = w.convexConservativeDistanceThreshold;

    std::vector<btCollisionShape*> groundShapes;
    for (const std::vector<double>& corners : description.groundShapes) {
        auto* mesh = new btTriangleMesh;
        for (size_t i = 0; i + 9 <= corners.size(); i += 9) {
            const double* c = corners.data() + i;
            mesh->addTriangle(btVector3(c[0], c[1], c[2]), btVector3(c[3], c[4], c[5]), btVector3(c[6], c[7], c[8]));
        }
        groundShapes.push_back(new btBvhTriangleMeshShape(mesh, true));
    }
    for (const GroundBody& ground : description.ground)
        world->addRigidBody(MakeBody(ground.settings, groundShapes[static_cast<size_t>(ground.shape)], ground.place));

    Figures figures;
    figures.boxes = static_cast<long>(description.boxes.size());
    const long before = bench_memory::ResidentKilobytes();
    const BoxKind& kind = description.box;
    auto* box = new btBoxShape(btVector3(kind.halfExtents[0], kind.halfExtents[1], kind.halfExtents[2]));
    box->setMargin(kind.margin);
    box->initializePolyhedralFeatures();

    auto mark = std::chrono::steady_clock::now();
    std::vector<btRigidBody*> bodies;
    bodies.reserve(description.boxes.size());
    for (const Place& place : description.boxes) bodies.push_back(MakeBody(kind.settings, box, place));
    figures.makeSeconds = SecondsSince(mark);
    mark = std::chrono::steady_clock::now();
    for (btRigidBody* body : bodies) world->addRigidBody(body);
    // A body enters the broadphase with its shape's box, and its first step
    // grows that box by the contact threshold and looks for pairs again.
    // Done here, the step that follows does the work the program's first
    // step does (whose bodies enter with the grown box): both find the pairs
    // they keep in place.
    world->updateAabbs();
    figures.enterSeconds = SecondsSince(mark);
    figures.entered = CountContacts(*world);

    bench_bullet::StepClock clock;
    clock.Watch(world);
    for (int step = 0; step < steps; ++step) {
        world->stepSimulation(w.fixedTimeStep, 1, w.fixedTimeStep);
        if (step == 0) figures.stepped = CountContacts(*world);
    }
    figures.firstStepSeconds = clock.firstSeconds;
    figures.firstStepProcessor = clock.firstProcessor;
    if (figures.boxes > 0)
        figures.kilobytesPerBox =
            static_cast<double>(bench_memory::ResidentKilobytes() - before) / static_cast<double>(figures.boxes);
    return figures;
}

}  // namespace plain_bullet
