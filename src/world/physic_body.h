// CPhysicBody: the holder of one object's rigid body in the scene's Bullet
// world (double precision) - its collision shape, the triangle mesh behind a
// mesh shape, the motion state and the body - plus the world and the scene's
// shape list it was entered into.
//
// A holder is made empty (CNBObject::InitODEPhysic) and filled once by one
// factory. Destruction takes the body out of the world and the shape out of
// the scene's shape list, then destroys the Bullet objects in a fixed order.
// The world and the shape list must outlive the holder.
#pragma once

#include <cstdint>

#include "core/matrix4d.h"
#include "core/private_heap.h"
#include "core/vector3.h"

class btCollisionShape;
class btGImpactMeshShape;
class btDefaultMotionState;
class btRigidBody;
class btTriangleMesh;
class btTransform;
class btDiscreteDynamicsWorld;
class CNBObject;
template <typename T>
class btAlignedObjectArray;

// The scene's list of every collision shape made; it only lists them.
using CollisionShapeArray = btAlignedObjectArray<btCollisionShape*>;

class CPhysicBody : public HeapAllocated<CPhysicBody> {
public:
    CPhysicBody();
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
    // keeps the identity.
    void CreateBvhMeshBody(CNBObject* owner, btDiscreteDynamicsWorld* world, CollisionShapeArray* shapes,
                           CNBObject* source);

    static constexpr double kSmallestSize = 0.01;

    uint32_t headWords[3] = {};
    btCollisionShape* Shape = nullptr;        // box, sphere, cylinder, cone or BVH mesh; owned
    btGImpactMeshShape* MeshShape = nullptr;  // the dynamic mesh shape; owned
    btDefaultMotionState* MotionState = nullptr;
    btRigidBody* Body = nullptr;              // its user pointer is the owning CNBObject
    btTriangleMesh* TriangleMesh = nullptr;   // the triangles behind a mesh shape
    btDiscreteDynamicsWorld* World = nullptr; // borrowed; set once the body is in it
    CollisionShapeArray* Shapes = nullptr;    // borrowed; the list the shape was appended to
    uint32_t word0 = 0;
    Matrix4d matrix;                          // identity
    uint32_t words[3] = {};
    uint32_t LastKeyMoveTime = 0;             // ms; written by the scene when keys move the body
    Vector3 pointsA[8];
    Vector3 pointsB[8];
    uint32_t word1 = 0;
    uint8_t byte0 = 0;

private:
    // Motion state, body, user pointer and entry into the world; on failure
    // everything made so far is destroyed and the holder left empty. The
    // motion state and body start at `position`; a `placement` moves the body
    // alone (still at rest) before it enters the world.
    bool FinishBody(CNBObject* owner, btDiscreteDynamicsWorld* world, CollisionShapeArray* shapes,
                    btCollisionShape* shape, const Vector3& position, double mass,
                    const btTransform* placement = nullptr);
    bool ExtractTriangles(CNBObject* source);
    void AppendShape(CollisionShapeArray* shapes, btCollisionShape* shape);
    void DestroyAll();
};
