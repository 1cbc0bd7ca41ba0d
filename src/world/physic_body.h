// CPhysicBody: everything one object needs in the scene's Bullet world
// (double precision): the body, its shape and motion state, the triangles a
// mesh shape is built over, and which world and shape list it went into.
//
// A holder keeps only what its operations use (a landscape makes one per
// cube). It is made empty (CNBObject::InitODEPhysic) and filled once by one
// factory. Destruction takes the body out of the world and the shape out of
// the scene's shape list, then destroys the Bullet objects in a fixed order.
// The world and the shape list must outlive the holder.
//
// Static mesh shapes are shared: every static mesh body over the same
// triangles (corner for corner, bit for bit) uses one triangle mesh and one
// BVH shape, counted by its users and destroyed with the last of them. A
// landscape of cubes thus builds a handful of shapes instead of one per cube.
// Primitive shapes are shared the same way: every box (sphere, cylinder,
// cone) of one size uses one shape. Nothing changes a shared shape once
// built (a rescaled object gets a body over its new triangles or of its new
// size); holders are made and destroyed on the scene's thread only.
//
// Static mesh bodies are the outsides of solids (the ground's tiles, blocks,
// landscape cubes): their triangles face outwards, and nothing belongs
// behind one. Bullet meets a triangle from either side and pushes a body out
// the nearer way, so a thin body pressed more than halfway through one (a
// tile under a pile) would be pushed on through it. Static mesh bodies
// therefore ask for a look at their new contacts, and the rule
// InstallStaticMeshContactRule installs turns such contacts round.
//
// Many bodies at once (a generated scene, a loaded world) enter the world
// through EnterWorldInBulk, which is much cheaper than one by one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/private_heap.h"
#include "core/vector3.h"

class btCollisionShape;
class btGImpactMeshShape;
class btDefaultMotionState;
class btRigidBody;
class btTriangleMesh;
class btTransform;
class btDiscreteDynamicsWorld;
struct btDbvtBroadphase;
class CNBObject;
class CPhysicBody;
struct SharedMeshShape;
struct SharedPrimitiveShape;

// The scene's list of the collision shapes of its bodies, one entry per body
// (a shared static mesh shape is listed once for each body on it). It only
// lists them: the holders own their shapes. Each holder keeps the place of
// its entry, so an entry leaves by taking the last one's place instead of
// being searched for.
class CollisionShapeArray {
public:
    int size() const { return static_cast<int>(shapes_.size()); }
    btCollisionShape* operator[](int i) const { return shapes_[static_cast<size_t>(i)]; }

private:
    friend class CPhysicBody;
    std::vector<btCollisionShape*> shapes_;
    std::vector<CPhysicBody*> holders_;  // whose entry each one is
};

class CPhysicBody : public HeapAllocated<CPhysicBody> {
public:
    CPhysicBody() = default;
    ~CPhysicBody();
    CPhysicBody(const CPhysicBody&) = delete;
    CPhysicBody& operator=(const CPhysicBody&) = delete;

    // Primitive bodies at `position` with an identity rotation. Sizes that are
    // not finite and positive become kSmallestSize; a mass that is negative or
    // not finite becomes 0 (a static body). Box friction is 0.9, else 0.5.
    void CreateBoxBody(CNBObject* owner, btDiscreteDynamicsWorld* world, CollisionShapeArray* shapes,
                       const Vector3& position, float halfX, float halfY, float halfZ, float mass);
    void CreateSphereBody(CNBObject* owner, btDiscreteDynamicsWorld* world, CollisionShapeArray* shapes,
                          const Vector3& position, float radius, float mass);
    // Along the Y axis.
    void CreateCylinderBody(CNBObject* owner, btDiscreteDynamicsWorld* world, CollisionShapeArray* shapes,
                            const Vector3& position, float radius, float halfHeight, float mass);
    void CreateConeBody(CNBObject* owner, btDiscreteDynamicsWorld* world, CollisionShapeArray* shapes,
                        const Vector3& position, float radius, float height, float mass);
    // Mesh bodies over the triangles (quads are skipped) of the first part's
    // main mesh of `source`. Nothing is made when there is no such mesh or it
    // has no triangle.
    void CreateGImpactMeshBody(CNBObject* owner, btDiscreteDynamicsWorld* world, CollisionShapeArray* shapes,
                               CNBObject* source, const Vector3& position, float mass);
    // Static (mass 0), placed at the source's WorldMatrix; the motion state
    // keeps the identity. The shape (and TriangleMesh) is the shared one of
    // these triangles. Its contacts pass the static mesh contact rule.
    void CreateBvhMeshBody(CNBObject* owner, btDiscreteDynamicsWorld* world, CollisionShapeArray* shapes,
                           CNBObject* source);

    // Enters the bodies of `holders` (made without a world, listed in the
    // order their objects were made) into `world` together, each as a factory
    // would have entered it and with its broadphase bounds brought up to date
    // (btCollisionWorld::updateSingleAabb). Entering one at a time in a
    // spatially sorted order grows the broadphase's tree into a deep chain
    // that every later entry walks; so the broadphase takes them in a fixed
    // scrambled order with its pair search held back, then the pairs are
    // sought once for every body that can have any (the non-static ones).
    // The world's list of collision objects, the non-static bodies' order
    // and the broadphase ids end up as entering one by one in list order
    // gives. Holders without a body, or already in a world, are skipped;
    // every holder's AwaitsWorld is cleared.
    static void EnterWorldInBulk(CPhysicBody* const* holders, size_t count, btDiscreteDynamicsWorld* world,
                                 btDbvtBroadphase* broadphase);
    // Makes Bullet pass every new contact of a static mesh body through the
    // rule that keeps bodies in front of its triangles: a convex body whose
    // centre went behind a triangle it still touches (under the triangle, or
    // just across its plane) is pushed back out in front, as deep as it
    // reaches behind. A body touching a triangle's edge from beside and below
    // keeps Bullet's contact, and so do moving mesh (GImpact) bodies. The
    // rule is Bullet's one process-wide contact hook and keeps no state;
    // installing it again changes nothing.
    static void InstallStaticMeshContactRule();
    // How many shared static mesh shapes, and shared primitive shapes, are
    // alive (for tests).
    static int SharedMeshShapeCount();
    static int SharedPrimitiveShapeCount();
    // The one motion state, at the identity, of the static bodies that start
    // at the origin; never deleted by a holder.
    static btDefaultMotionState* RestingMotionState();

    static constexpr double kSmallestSize = 0.01;

    btCollisionShape* Shape = nullptr;        // shared by every body of its kind and size (BVH mesh: triangles)
    btGImpactMeshShape* MeshShape = nullptr;  // the dynamic mesh shape; owned
    btDefaultMotionState* MotionState = nullptr;
    btRigidBody* Body = nullptr;              // its user pointer is the owning CNBObject
    btTriangleMesh* TriangleMesh = nullptr;   // the triangles behind a mesh shape (shared with a BVH one)
    btDiscreteDynamicsWorld* World = nullptr; // borrowed; set once the body is in it
    CollisionShapeArray* Shapes = nullptr;    // borrowed; the list the shape was appended to
    int ShapeEntry = -1;                      // the shape's place in that list
    uint32_t LastKeyMoveTime = 0;             // ms; written by the scene when keys move the body
    SharedMeshShape* SharedMesh = nullptr;    // the shared BVH shape and mesh this holder uses, if any
    SharedPrimitiveShape* SharedPrimitive = nullptr;  // the shared box, sphere, cylinder or cone shape, if any
    bool AwaitsWorld = false;                 // made for a bulk entry (set and cleared by the scene)

private:
    // Motion state, body, user pointer and entry into the world; on failure
    // everything made so far is destroyed and the holder left empty. The
    // motion state and body start at `position`; a `placement` moves the body
    // alone (still at rest) before it enters the world.
    bool FinishBody(CNBObject* owner, btDiscreteDynamicsWorld* world, CollisionShapeArray* shapes,
                    btCollisionShape* shape, const Vector3& position, double mass,
                    const btTransform* placement = nullptr);
    bool ExtractTriangles(CNBObject* source);
    // Takes (or builds) the shared shape of the source's triangles into
    // Shape, TriangleMesh and SharedMesh. False when there is none to take.
    bool TakeSharedMesh(CNBObject* source);
    // Takes (or makes) the shared primitive shape of this kind and these
    // sizes into Shape. False when there is none to take.
    bool TakeSharedPrimitive(int kind, double a, double b, double c);
    void AppendShape(CollisionShapeArray* shapes, btCollisionShape* shape);
    void RemoveShapeEntry();
    void DestroyAll();
};
