#include "world/physic_body.h"

#include <algorithm>

#include <btBulletDynamicsCommon.h>
#include <BulletCollision/CollisionDispatch/btCollisionObjectWrapper.h>
#include <BulletCollision/CollisionDispatch/btManifoldResult.h>
#include <BulletCollision/CollisionShapes/btTriangleShape.h>
#include <BulletCollision/Gimpact/btGImpactShape.h>

#include <cmath>
#include <cstring>
#include <new>
#include <unordered_map>
#include <utility>
#include <vector>

#include "world/object.h"
#include "world/object_part.h"
#include "world/polygons_grid.h"
#include "world/resting_broadphase.h"

namespace {

// Bullet objects come from Bullet's aligned allocator, zero-filled before
// construction; a failed allocation yields null instead of a crash.
template <class T, class... Args>
T* NewBullet(Args&&... args)
{
    void* block = btAlignedAlloc(sizeof(T), 16);
    if (!block) return nullptr;
    std::memset(block, 0, sizeof(T));
    return new (block) T(std::forward<Args>(args)...);
}

// Through the virtual destructor of whatever T points at.
template <class T>
void DeleteBullet(T*& object)
{
    if (!object) return;
    object->~T();
    btAlignedFree(object);
    object = nullptr;
}

double SafeSize(float size)
{
    const double value = size;
    return (std::isfinite(value) && value > 0.0) ? value : CPhysicBody::kSmallestSize;
}

double SafeMass(float mass)
{
    const double value = mass;
    return (std::isfinite(value) && value > 0.0) ? value : 0.0;
}

// The corners of the triangles (quads are skipped) of the first part's main
// mesh, nine coordinates per triangle, as the collision mesh takes them: a
// corner without a usable position is the origin. Empty when there is no
// such mesh or it has no triangle.
void CollectTriangleCorners(CNBObject* source, std::vector<float>& corners)
{
    corners.clear();
    if (!source || source->PartCount < 1 || !source->Parts) return;
    const CPolygonsGrid* mesh = source->Parts[0].mainMesh;
    if (!mesh || !mesh->faces) return;

    const PolygonFace* const faces = mesh->faces;
    const uint32_t faceCount = mesh->faceCount;
    size_t triangles = 0;
    for (uint32_t f = 0; f < faceCount; ++f)
        if (faces[f].corners == 3) ++triangles;
    corners.resize(9 * triangles);
    float* out = corners.data();
    for (uint32_t f = 0; f < faceCount; ++f) {
        const PolygonFace& face = faces[f];
        if (face.corners != 3) continue;
        const Vector3* const positions = mesh->positions;
        const uint16_t* const indices = face.cornerIndices;
        // A face whose corners lie within the mesh's indices (every face a
        // mesh is made with) reads them directly; any other as CornerVertex does.
        const ptrdiff_t first = indices && mesh->cornerIndices ? indices - mesh->cornerIndices : -1;
        const bool within = first >= 0 && first + 3 <= mesh->cornerIndexCount;
        for (int k = 0; k < 3; ++k, out += 3) {
            Vector3 p{};
            if (positions && indices) {
                const uint16_t v = within ? indices[k] : mesh->CornerVertex(face, k);
                if (v < mesh->vertexCount) p = positions[v];
            }
            out[0] = p.x, out[1] = p.y, out[2] = p.z;
        }
    }
}

// A Bullet triangle mesh over the corners (shared vertices welded); null
// when it cannot be had.
btTriangleMesh* NewTriangleMesh(const std::vector<float>& corners)
{
    btTriangleMesh* mesh = NewBullet<btTriangleMesh>(true, true);
    if (!mesh) return nullptr;
    for (size_t i = 0; i + 9 <= corners.size(); i += 9) {
        const float* c = corners.data() + i;
        mesh->addTriangle(btVector3(c[0], c[1], c[2]), btVector3(c[3], c[4], c[5]), btVector3(c[6], c[7], c[8]),
                          true);
    }
    return mesh;
}

// Every body enters and leaves the world through these two. A body that
// enters the world's list of moving bodies keeps its place there in its
// third user index, so it leaves by taking the last one's place - what
// removeRigidBody does after searching the whole list for it.
//
// Written against Bullet 3.24: addRigidBody appends a moving body to
// m_nonStaticRigidBodies, removeRigidBody swaps the last one into its place,
// and Bullet itself never sets a user index. It pays: leaving 160,000 moving
// boxes takes 0.2 s with it and 2.5 s through Bullet's search (old and new
// builds alternated). Another Bullet stops the build here until that is
// checked against its sources.
static_assert(BT_BULLET_VERSION == 324, "the moving-body index follows Bullet 3.24's btDiscreteDynamicsWorld");

void EnterWorld(btDiscreteDynamicsWorld& world, btRigidBody* body)
{
    btAlignedObjectArray<btRigidBody*>& moving = world.getNonStaticRigidBodies();
    const int before = moving.size();
    world.addRigidBody(body);
    const bool listed = moving.size() == before + 1 && moving[before] == body;
    body->setUserIndex3(listed ? before : -1);
}

void LeaveWorld(btDiscreteDynamicsWorld& world, btRigidBody* body)
{
    btAlignedObjectArray<btRigidBody*>& moving = world.getNonStaticRigidBodies();
    const int at = body->getUserIndex3();
    body->setUserIndex3(-1);
    if (at >= 0 && at < moving.size() && moving[at] == body) {
        const int last = moving.size() - 1;
        moving.swap(at, last);
        moving.pop_back();
        if (at < last) moving[at]->setUserIndex3(at);
    } else if (at != -1) {
        world.removeRigidBody(body);  // a place it no longer has: Bullet's own search
        return;
    }
    world.btCollisionWorld::removeCollisionObject(body);
}

}  // namespace

// ---------------------------------------------------------------------------
// Shared static mesh shapes
// ---------------------------------------------------------------------------
// One per distinct list of triangle corners. Bullet builds the same mesh and
// tree from the same corners, so a body on a shared shape collides exactly as
// it would on its own copy.
struct SharedMeshShape {
    std::vector<float> corners;  // the key, compared bit for bit
    uint64_t hash = 0;
    btTriangleMesh* mesh = nullptr;
    btBvhTriangleMeshShape* shape = nullptr;
    int users = 0;
};

namespace {

using SharedMeshTable = std::unordered_multimap<uint64_t, SharedMeshShape*>;

// Never destroyed, so a holder that goes during the program's exit still
// finds it.
SharedMeshTable& SharedMeshes()
{
    static auto* table = new SharedMeshTable;
    return *table;
}

uint64_t HashCorners(const std::vector<float>& corners)
{
    uint64_t hash = 14695981039346656037ull;  // FNV-1a over the 32-bit words
    for (const float corner : corners) {
        uint32_t word;
        std::memcpy(&word, &corner, sizeof(word));
        hash ^= word;
        hash *= 1099511628211ull;
    }
    return hash;
}

bool SameCorners(const std::vector<float>& a, const std::vector<float>& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

void DestroySharedMesh(SharedMeshShape* entry)
{
    DeleteBullet(entry->shape);  // before the mesh it reads
    DeleteBullet(entry->mesh);
    delete entry;
}

// The shared shape of these corners with one more user; built when there is
// none yet. Null when it cannot be had.
SharedMeshShape* AcquireSharedMesh(std::vector<float>&& corners)
{
    SharedMeshTable& table = SharedMeshes();
    const uint64_t hash = HashCorners(corners);
    const auto range = table.equal_range(hash);
    for (auto it = range.first; it != range.second; ++it) {
        if (SameCorners(it->second->corners, corners)) {
            ++it->second->users;
            return it->second;
        }
    }
    auto* entry = new (std::nothrow) SharedMeshShape;
    if (!entry) return nullptr;
    entry->corners = std::move(corners);
    entry->hash = hash;
    entry->mesh = NewTriangleMesh(entry->corners);
    if (entry->mesh) entry->shape = NewBullet<btBvhTriangleMeshShape>(entry->mesh, true, true);
    if (!entry->shape) {
        DestroySharedMesh(entry);
        return nullptr;
    }
    try {
        table.emplace(hash, entry);
    } catch (const std::bad_alloc&) {
        DestroySharedMesh(entry);
        return nullptr;
    }
    entry->users = 1;
    return entry;
}

// One user less; the last one destroys the shape and its mesh.
void ReleaseSharedMesh(SharedMeshShape* entry)
{
    if (--entry->users > 0) return;
    SharedMeshTable& table = SharedMeshes();
    const auto range = table.equal_range(entry->hash);
    for (auto it = range.first; it != range.second; ++it) {
        if (it->second == entry) {
            table.erase(it);
            break;
        }
    }
    DestroySharedMesh(entry);
}

}  // namespace

// ---------------------------------------------------------------------------
// Shared primitive shapes
// ---------------------------------------------------------------------------
// One per kind and size (the sizes Bullet is given, compared bit for bit): a
// box, sphere, cylinder or cone is the same shape for every body of that
// size, and nothing changes it once made. A box's faces (its polyhedral
// features) cost far more than its body, so a world of equal boxes builds
// them once.
struct SharedPrimitiveShape {
    int kind = 0;
    double sizes[3] = {};
    btCollisionShape* shape = nullptr;
    int users = 0;
};

namespace {

enum PrimitiveKind { kBoxShape = 1, kSphereShape, kCylinderShape, kConeShape };

struct PrimitiveKey {
    int kind;
    uint64_t sizes[3];
    bool operator==(const PrimitiveKey&) const = default;
};

struct PrimitiveKeyHash {
    size_t operator()(const PrimitiveKey& key) const
    {
        uint64_t hash = 14695981039346656037ull ^ static_cast<uint64_t>(key.kind);
        for (const uint64_t size : key.sizes) hash = (hash ^ size) * 1099511628211ull;
        return static_cast<size_t>(hash ^ (hash >> 29));
    }
};

using SharedPrimitiveTable = std::unordered_map<PrimitiveKey, SharedPrimitiveShape*, PrimitiveKeyHash>;

// Never destroyed, as the mesh table.
SharedPrimitiveTable& SharedPrimitives()
{
    static auto* table = new SharedPrimitiveTable;
    return *table;
}

PrimitiveKey KeyOf(int kind, const double sizes[3])
{
    PrimitiveKey key{kind, {}};
    for (int i = 0; i < 3; ++i) std::memcpy(&key.sizes[i], &sizes[i], sizeof(double));
    return key;
}

btCollisionShape* NewPrimitive(int kind, const double sizes[3])
{
    switch (kind) {
    case kBoxShape: {
        auto* box = NewBullet<btBoxShape>(btVector3(sizes[0], sizes[1], sizes[2]));
        // With its faces known, a box meets a triangle of the ground on a
        // whole face (up to four contact points) instead of one point a
        // step; a thin box sliding on one point tips and sinks through the
        // single-sided ground. The world must have its SAT test for convex
        // shapes on.
        if (box && !box->getConvexPolyhedron()) box->initializePolyhedralFeatures();
        return box;
    }
    case kSphereShape: return NewBullet<btSphereShape>(sizes[0]);
    case kCylinderShape: return NewBullet<btCylinderShape>(btVector3(sizes[0], sizes[1], sizes[2]));
    case kConeShape: return NewBullet<btConeShape>(sizes[0], sizes[1]);
    default: return nullptr;
    }
}

// The shared shape of this kind and size with one more user; made when
// there is none yet. Null when it cannot be had.
SharedPrimitiveShape* AcquireSharedPrimitive(int kind, const double sizes[3])
{
    SharedPrimitiveTable& table = SharedPrimitives();
    const PrimitiveKey key = KeyOf(kind, sizes);
    const auto found = table.find(key);
    if (found != table.end()) {
        ++found->second->users;
        return found->second;
    }
    auto* entry = new (std::nothrow) SharedPrimitiveShape;
    if (!entry) return nullptr;
    entry->kind = kind;
    std::copy(sizes, sizes + 3, entry->sizes);
    entry->shape = NewPrimitive(kind, sizes);
    bool listed = false;
    if (entry->shape) {
        try {
            table.emplace(key, entry);
            listed = true;
        } catch (const std::bad_alloc&) {
        }
    }
    if (!listed) {
        DeleteBullet(entry->shape);
        delete entry;
        return nullptr;
    }
    entry->users = 1;
    return entry;
}

// One user less; the last one destroys the shape.
void ReleaseSharedPrimitive(SharedPrimitiveShape* entry)
{
    if (--entry->users > 0) return;
    SharedPrimitives().erase(KeyOf(entry->kind, entry->sizes));
    DeleteBullet(entry->shape);
    delete entry;
}

}  // namespace

int CPhysicBody::SharedMeshShapeCount() { return static_cast<int>(SharedMeshes().size()); }

int CPhysicBody::SharedPrimitiveShapeCount() { return static_cast<int>(SharedPrimitives().size()); }

CPhysicBody::~CPhysicBody() { DestroyAll(); }

// The motion state of every static body that starts at the origin (every
// static mesh body: it is placed by its own transform, not by the motion
// state). Bullet writes a motion state only for a moving body and nothing
// here writes one, so this one keeps the identity; sharing it saves a
// landscape one allocation of about 400 bytes per cube.
btDefaultMotionState* CPhysicBody::RestingMotionState()
{
    static btDefaultMotionState resting;
    return &resting;
}

void CPhysicBody::DestroyAll()
{
    if (World && Body) LeaveWorld(*World, Body);
    World = nullptr;
    RemoveShapeEntry();
    if (SharedMesh || SharedPrimitive) {
        // Not ours: given back below, once the body that uses it is gone.
        Shape = nullptr;
        if (SharedMesh) TriangleMesh = nullptr;
    }
    DeleteBullet(Shape);
    DeleteBullet(MeshShape);
    if (MotionState == RestingMotionState()) MotionState = nullptr;  // shared, never ours to delete
    DeleteBullet(MotionState);
    DeleteBullet(Body);
    DeleteBullet(TriangleMesh);
    if (SharedMesh) ReleaseSharedMesh(SharedMesh);
    SharedMesh = nullptr;
    if (SharedPrimitive) ReleaseSharedPrimitive(SharedPrimitive);
    SharedPrimitive = nullptr;
    AwaitsWorld = false;
}

void CPhysicBody::AppendShape(CollisionShapeArray* shapes, btCollisionShape* shape)
{
    if (!shapes || !shape) return;
    RemoveShapeEntry();
    shapes->shapes_.push_back(shape);
    shapes->holders_.push_back(this);
    Shapes = shapes;
    ShapeEntry = shapes->size() - 1;
}

void CPhysicBody::RemoveShapeEntry()
{
    if (Shapes && ShapeEntry >= 0 && ShapeEntry < Shapes->size()) {
        const auto at = static_cast<size_t>(ShapeEntry);
        Shapes->shapes_[at] = Shapes->shapes_.back();
        Shapes->holders_[at] = Shapes->holders_.back();
        Shapes->holders_[at]->ShapeEntry = ShapeEntry;
        Shapes->shapes_.pop_back();
        Shapes->holders_.pop_back();
    }
    Shapes = nullptr;
    ShapeEntry = -1;
}

bool CPhysicBody::FinishBody(CNBObject* owner, btDiscreteDynamicsWorld* world, CollisionShapeArray* shapes,
                             btCollisionShape* shape, const Vector3& position, double mass,
                             const btTransform* placement)
{
    btTransform start;
    start.setIdentity();
    start.setOrigin(btVector3(position.x, position.y, position.z));
    btVector3 inertia(0.0, 0.0, 0.0);
    if (mass != 0.0) shape->calculateLocalInertia(mass, inertia);

    MotionState = mass == 0.0 && start.getOrigin().isZero() ? RestingMotionState()
                                                            : NewBullet<btDefaultMotionState>(start, btTransform::getIdentity());
    if (!MotionState) {
        DestroyAll();
        return false;
    }
    btRigidBody::btRigidBodyConstructionInfo info(mass, MotionState, shape, inertia);
    Body = NewBullet<btRigidBody>(info);
    if (!Body) {
        DestroyAll();
        return false;
    }
    Body->setUserPointer(owner);
    // A fast, thin body (a thrown tile, a box after a long fall) would step
    // through the single-sided ground between two fixed steps: sweep a sphere
    // inside it whenever it moves further than half its size in one step.
    if (mass != 0.0) {
        btVector3 low;
        btVector3 high;
        shape->getAabb(btTransform::getIdentity(), low, high);
        const btVector3 extent = high - low;
        const btScalar smallest = std::min(extent.x(), std::min(extent.y(), extent.z()));
        if (smallest > 0.0) {
            Body->setCcdMotionThreshold(smallest * 0.5);
            Body->setCcdSweptSphereRadius(smallest * 0.4);
        }
    }
    // A body is entered into the world where it belongs: entering it at the
    // origin and moving it afterwards costs the broadphase a re-sort of its
    // tree (and a search for new pairs) per body, which grows with the world.
    if (placement) {
        Body->setWorldTransform(*placement);
        Body->setLinearVelocity(btVector3(0.0, 0.0, 0.0));
        Body->setAngularVelocity(btVector3(0.0, 0.0, 0.0));
    }
    if (world) {
        EnterWorld(*world, Body);
        World = world;
    }
    return true;
}

bool CPhysicBody::TakeSharedPrimitive(int kind, double a, double b, double c)
{
    const double sizes[3] = {a, b, c};
    SharedPrimitiveShape* entry = nullptr;
    try {
        entry = AcquireSharedPrimitive(kind, sizes);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (!entry) return false;
    SharedPrimitive = entry;
    Shape = entry->shape;
    return true;
}

void CPhysicBody::CreateBoxBody(CNBObject* owner, btDiscreteDynamicsWorld* world, CollisionShapeArray* shapes,
                                const Vector3& position, float halfX, float halfY, float halfZ, float mass)
{
    DestroyAll();
    if (!TakeSharedPrimitive(kBoxShape, SafeSize(halfX), SafeSize(halfY), SafeSize(halfZ))) return;
    AppendShape(shapes, Shape);
    if (!FinishBody(owner, world, shapes, Shape, position, SafeMass(mass))) return;
    // Boxes grip: the single-precision 0.9 the block library was tuned with.
    Body->setFriction(btScalar(0.9f));
}

void CPhysicBody::CreateSphereBody(CNBObject* owner, btDiscreteDynamicsWorld* world, CollisionShapeArray* shapes,
                                   const Vector3& position, float radius, float mass)
{
    DestroyAll();
    if (!TakeSharedPrimitive(kSphereShape, SafeSize(radius), 0.0, 0.0)) return;
    AppendShape(shapes, Shape);
    FinishBody(owner, world, shapes, Shape, position, SafeMass(mass));
}

void CPhysicBody::CreateCylinderBody(CNBObject* owner, btDiscreteDynamicsWorld* world,
                                     CollisionShapeArray* shapes, const Vector3& position, float radius,
                                     float halfHeight, float mass)
{
    DestroyAll();
    const double r = SafeSize(radius);
    if (!TakeSharedPrimitive(kCylinderShape, r, SafeSize(halfHeight), r)) return;
    AppendShape(shapes, Shape);
    FinishBody(owner, world, shapes, Shape, position, SafeMass(mass));
}

void CPhysicBody::CreateConeBody(CNBObject* owner, btDiscreteDynamicsWorld* world, CollisionShapeArray* shapes,
                                 const Vector3& position, float radius, float height, float mass)
{
    DestroyAll();
    if (!TakeSharedPrimitive(kConeShape, SafeSize(radius), SafeSize(height), 0.0)) return;
    AppendShape(shapes, Shape);
    FinishBody(owner, world, shapes, Shape, position, SafeMass(mass));
}

bool CPhysicBody::ExtractTriangles(CNBObject* source)
{
    std::vector<float> corners;
    try {
        CollectTriangleCorners(source, corners);
    } catch (const std::bad_alloc&) {
        return false;
    }
    // Bullet cannot build a shape over nothing: without a triangle the object
    // simply has no collision.
    if (corners.empty()) return false;
    TriangleMesh = NewTriangleMesh(corners);
    return TriangleMesh != nullptr;
}

bool CPhysicBody::TakeSharedMesh(CNBObject* source)
{
    SharedMeshShape* entry = nullptr;
    try {
        std::vector<float> corners;
        CollectTriangleCorners(source, corners);
        if (corners.empty()) return false;
        entry = AcquireSharedMesh(std::move(corners));
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (!entry) return false;
    SharedMesh = entry;
    Shape = entry->shape;
    TriangleMesh = entry->mesh;
    return true;
}

void CPhysicBody::CreateGImpactMeshBody(CNBObject* owner, btDiscreteDynamicsWorld* world,
                                        CollisionShapeArray* shapes, CNBObject* source, const Vector3& position,
                                        float mass)
{
    DestroyAll();
    if (!ExtractTriangles(source)) {
        DestroyAll();
        return;
    }
    MeshShape = NewBullet<btGImpactMeshShape>(TriangleMesh);
    if (!MeshShape) {
        DestroyAll();
        return;
    }
    MeshShape->setLocalScaling(btVector3(1.0, 1.0, 1.0));
    MeshShape->setMargin(btScalar(0.01f));
    MeshShape->updateBound();
    AppendShape(shapes, MeshShape);
    FinishBody(owner, world, shapes, MeshShape, position, SafeMass(mass));
}

void CPhysicBody::CreateBvhMeshBody(CNBObject* owner, btDiscreteDynamicsWorld* world, CollisionShapeArray* shapes,
                                    CNBObject* source)
{
    DestroyAll();
    if (!TakeSharedMesh(source)) {
        DestroyAll();
        return;
    }
    AppendShape(shapes, Shape);
    // Placed at the source's matrix (our rows are Bullet's basis columns)
    // before it enters the world; the motion state keeps the identity.
    const float* m = source->WorldMatrix.m;
    const btMatrix3x3 basis(m[0], m[4], m[8], m[1], m[5], m[9], m[2], m[6], m[10]);
    const btTransform placement(basis, btVector3(m[12], m[13], m[14]));
    if (!FinishBody(owner, world, shapes, Shape, Vector3{}, 0.0, &placement)) return;
    Body->setCollisionFlags(Body->getCollisionFlags() | btCollisionObject::CF_CUSTOM_MATERIAL_CALLBACK);
    Body->activate();
}

// ---------------------------------------------------------------------------
// Contacts with static meshes
// ---------------------------------------------------------------------------
namespace {

// Bullet's contacts between a convex body and a mesh hold the convex body
// first and the mesh's triangle second, the normal pointing from the
// triangle towards the convex body.
bool KeepInFrontOfStaticMesh(btManifoldPoint& point, const btCollisionObjectWrapper* convexSide, int, int,
                             const btCollisionObjectWrapper* triangleSide, int, int)
{
    const btCollisionObject* mesh = triangleSide->getCollisionObject();
    if (triangleSide->getCollisionShape()->getShapeType() != TRIANGLE_SHAPE_PROXYTYPE ||
        mesh->getCollisionShape()->getShapeType() != TRIANGLE_MESH_SHAPE_PROXYTYPE || !mesh->isStaticObject())
        return false;
    // A moving mesh's triangles come in triangle wrappers too: the body's own
    // shape tells them apart.
    const btCollisionObject* body = convexSide->getCollisionObject();
    if (!convexSide->getCollisionShape()->isConvex() || !body->getCollisionShape()->isConvex()) return false;

    const auto* triangle = static_cast<const btTriangleShape*>(triangleSide->getCollisionShape());
    const btTransform& meshPlace = triangleSide->getWorldTransform();
    const btVector3 a = meshPlace * triangle->m_vertices1[0];
    const btVector3 b = meshPlace * triangle->m_vertices1[1];
    const btVector3 c = meshPlace * triangle->m_vertices1[2];
    btVector3 front = (b - a).cross(c - a);
    const btScalar twiceArea = front.length();
    if (!(twiceArea > SIMD_EPSILON)) return false;
    front /= twiceArea;
    const btTransform& bodyPlace = convexSide->getWorldTransform();
    const btVector3 centre = bodyPlace.getOrigin();
    const btScalar behind = front.dot(centre - a);
    if (point.m_normalWorldOnB.dot(front) >= 0.0 || !(behind < 0.0)) return false;

    // How far the body reaches behind the triangle's plane.
    const auto* convex = static_cast<const btConvexShape*>(convexSide->getCollisionShape());
    const btVector3 deepest = bodyPlace * convex->localGetSupportingVertex(-front * bodyPlace.getBasis());
    const btScalar depth = front.dot(deepest - a);
    // A body pushed through has its centre under the triangle, or (just
    // across, over a neighbouring triangle) less than a third of its reach
    // behind the plane. One whose centre lies further back beside the
    // triangle touches its edge from below (a box against a higher step):
    // lifting it in front would throw it up onto the step.
    const bool under = front.dot((b - a).cross(centre - a)) >= 0.0 && front.dot((c - b).cross(centre - b)) >= 0.0 &&
                       front.dot((a - c).cross(centre - c)) >= 0.0;
    if (!under && !(3.0 * behind > depth)) return false;

    // Out in front: the contact moves down to the depth of the deepest point
    // and meets the plane there.
    btVector3& onBody = point.m_positionWorldOnA;
    onBody -= front * front.dot(onBody - deepest);
    point.m_positionWorldOnB = onBody - front * depth;
    point.m_normalWorldOnB = front;
    point.m_distance1 = depth;
    point.m_localPointA = body->getWorldTransform().invXform(point.m_positionWorldOnA);
    point.m_localPointB = mesh->getWorldTransform().invXform(point.m_positionWorldOnB);
    return true;
}

}  // namespace

void CPhysicBody::InstallStaticMeshContactRule() { gContactAddedCallback = KeepInFrontOfStaticMesh; }

// ---------------------------------------------------------------------------
// Entering many bodies at once
// ---------------------------------------------------------------------------
namespace {

// Adds the broadphase pair of every leaf overlapping the proxy's own leaf, as
// Bullet's own search does when a proxy enters or moves (pairs the filters
// reject, and pairs already known, are left out by the pair cache).
struct PairSeeker : btDbvt::ICollide {
    using btDbvt::ICollide::Process;
    btDbvtBroadphase* broadphase = nullptr;
    btDbvtProxy* proxy = nullptr;

    void Process(const btDbvtNode* leaf)
    {
        auto* other = static_cast<btDbvtProxy*>(leaf->data);
        if (!other || other == proxy) return;
        btDbvtProxy* first = proxy;
        btDbvtProxy* second = other;
        if (first->m_uniqueId > second->m_uniqueId) std::swap(first, second);
        broadphase->m_paircache->addOverlappingPair(first, second);
        ++broadphase->m_newpairs;
    }
};

// A fixed scramble (the same every time, and apart from the program's
// random numbers) that keeps some locality: runs of consecutive holders -
// made one after another, so mostly neighbours in space and in memory - in a
// scrambled order, each run scrambled within. The broadphase's tree comes
// out shallow, and entering touches memory in runs instead of at random.
void Scramble(std::vector<CPhysicBody*>& holders)
{
    constexpr size_t kRun = 64;
    uint64_t state = 0x9E3779B97F4A7C15ull;
    const auto next = [&state](size_t below) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return static_cast<size_t>(state % below);
    };
    const size_t runs = (holders.size() + kRun - 1) / kRun;
    std::vector<size_t> runOrder(runs);
    for (size_t i = 0; i < runs; ++i) runOrder[i] = i;
    for (size_t i = runs; i > 1; --i) std::swap(runOrder[i - 1], runOrder[next(i)]);
    std::vector<CPhysicBody*> scrambled;
    scrambled.reserve(holders.size());
    for (const size_t run : runOrder) {
        const size_t first = scrambled.size();
        const size_t begin = run * kRun;
        const size_t end = std::min(holders.size(), begin + kRun);
        scrambled.insert(scrambled.end(), holders.begin() + static_cast<std::ptrdiff_t>(begin),
                         holders.begin() + static_cast<std::ptrdiff_t>(end));
        for (size_t i = scrambled.size() - first; i > 1; --i)
            std::swap(scrambled[first + i - 1], scrambled[first + next(i)]);
    }
    holders.swap(scrambled);
}

// The box Bullet's updateSingleAabb gives a static body (its shape's box
// grown by the contact threshold on every side), set where a resting
// broadphase leaves the body at rest; any other body through updateSingleAabb.
void UpdateEnteredAabb(btDiscreteDynamicsWorld& world, btRigidBody* body)
{
    auto* resting = dynamic_cast<RestingBroadphase*>(world.getBroadphase());
    if (!resting || !body->isStaticObject() || !body->getBroadphaseHandle()) {
        world.updateSingleAabb(body);
        return;
    }
    btVector3 low, high;
    body->getCollisionShape()->getAabb(body->getWorldTransform(), low, high);
    const btVector3 threshold(gContactBreakingThreshold, gContactBreakingThreshold, gContactBreakingThreshold);
    resting->SetRestingAabb(body->getBroadphaseHandle(), low - threshold, high + threshold, world.getDispatcher());
}

void EnterOne(CPhysicBody& holder, btDiscreteDynamicsWorld& world)
{
    EnterWorld(world, holder.Body);
    holder.World = &world;
    UpdateEnteredAabb(world, holder.Body);
}

}  // namespace

void CPhysicBody::EnterWorldInBulk(CPhysicBody* const* holders, size_t count, btDiscreteDynamicsWorld* world,
                                   btDbvtBroadphase* broadphase)
{
    if (!holders) return;
    struct ClearMarks {
        CPhysicBody* const* holders;
        size_t count;
        ~ClearMarks()
        {
            for (size_t i = 0; i < count; ++i)
                if (holders[i]) holders[i]->AwaitsWorld = false;
        }
    } clearMarks{holders, count};
    if (!world) return;

    const auto waits = [](const CPhysicBody* holder) { return holder && holder->Body && !holder->World; };
    std::vector<CPhysicBody*> waiting;  // list order
    std::vector<CPhysicBody*> order;    // entry order
    std::vector<int> ids;
    try {
        for (size_t i = 0; i < count; ++i)
            if (waits(holders[i])) waiting.push_back(holders[i]);
        order.reserve(waiting.size());
        ids.reserve(waiting.size());
        // The static bodies scrambled, then the non-static ones scrambled
        // apart (and put back in list order in the world's own list of them
        // below). Entered in list order, 100,000 generated boxes took
        // 0.43-0.65 s to enter and 1.2-2.4 s for their pairs; scrambled,
        // 0.20-0.21 s and 0.74-0.82 s (alternated runs).
        std::vector<CPhysicBody*> nonStatic;
        for (CPhysicBody* holder : waiting) (holder->Body->isStaticObject() ? order : nonStatic).push_back(holder);
        Scramble(order);
        Scramble(nonStatic);
        order.insert(order.end(), nonStatic.begin(), nonStatic.end());
    } catch (const std::bad_alloc&) {
        // No room to sort them: one by one, in list order.
        for (size_t i = 0; i < count; ++i)
            if (waits(holders[i])) EnterOne(*holders[i], *world);
        return;
    }
    if (waiting.empty()) return;
    if (!broadphase || world->getBroadphase() != broadphase) {
        for (CPhysicBody* holder : waiting) EnterOne(*holder, *world);
        return;
    }

    btCollisionObjectArray& objects = world->getCollisionObjectArray();
    btAlignedObjectArray<btRigidBody*>& moving = world->getNonStaticRigidBodies();
    const int first = objects.size();
    const int firstMoving = moving.size();
    const bool deferred = broadphase->m_deferedcollide;
    broadphase->m_deferedcollide = true;
    // Static bodies are made with the box they are entered with (see
    // UpdateEnteredAabb), so each goes into the resting tree once.
    auto* resting = dynamic_cast<RestingBroadphase*>(broadphase);
    if (resting) resting->SetRestingMargin(gContactBreakingThreshold);
    for (CPhysicBody* holder : order) EnterOne(*holder, *world);
    if (resting) resting->SetRestingMargin(0);
    broadphase->m_deferedcollide = deferred;

    // Back to list order: the places in the world's list of collision
    // objects and in its list of non-static bodies (with each one's place
    // kept in the body), and the broadphase ids (which order the two sides of
    // a pair). No pair holds these proxies yet, so their ids may still change.
    const int entered = objects.size() - first;
    if (entered == static_cast<int>(waiting.size())) {
        for (CPhysicBody* holder : order) ids.push_back(holder->Body->getBroadphaseHandle()->m_uniqueId);
        std::sort(ids.begin(), ids.end());
        int place = firstMoving;
        for (int i = 0; i < entered; ++i) {
            btRigidBody* body = waiting[static_cast<size_t>(i)]->Body;
            objects[first + i] = body;
            body->setWorldArrayIndex(first + i);
            body->getBroadphaseHandle()->m_uniqueId = ids[static_cast<size_t>(i)];
            if (body->isStaticObject() || place >= moving.size()) continue;
            moving[place] = body;
            body->setUserIndex3(place++);
        }
    }

    // The pairs the held-back search would have found: a static body pairs
    // with non-static ones only, so each non-static body looks for its own
    // (the scene's world holds rigid bodies only).
    PairSeeker seeker;
    seeker.broadphase = broadphase;
    for (int i = 0; i < moving.size(); ++i) {
        seeker.proxy = static_cast<btDbvtProxy*>(moving[i]->getBroadphaseHandle());
        if (!seeker.proxy || !seeker.proxy->leaf) continue;
        const btDbvtVolume& volume = seeker.proxy->leaf->volume;
        for (btDbvt& set : broadphase->m_sets) set.collideTV(set.m_root, volume, seeker);
    }
}
