#include "world/physic_body.h"

#include <algorithm>

#include <btBulletDynamicsCommon.h>
#include <BulletCollision/Gimpact/btGImpactShape.h>

#include <cmath>
#include <cstring>
#include <new>
#include <utility>

#include "world/object.h"
#include "world/object_part.h"
#include "world/polygons_grid.h"

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

}  // namespace

CPhysicBody::CPhysicBody() { matrix.SetIdentity(); }

CPhysicBody::~CPhysicBody() { DestroyAll(); }

void CPhysicBody::DestroyAll()
{
    if (World && Body) World->removeRigidBody(Body);
    World = nullptr;
    if (Shapes) {
        if (Shape) Shapes->remove(Shape);
        if (MeshShape) Shapes->remove(MeshShape);
    }
    Shapes = nullptr;
    DeleteBullet(Shape);
    DeleteBullet(MeshShape);
    DeleteBullet(MotionState);
    DeleteBullet(Body);
    DeleteBullet(TriangleMesh);
}

void CPhysicBody::AppendShape(CollisionShapeArray* shapes, btCollisionShape* shape)
{
    if (!shapes || !shape) return;
    shapes->push_back(shape);
    Shapes = shapes;
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

    MotionState = NewBullet<btDefaultMotionState>(start, btTransform::getIdentity());
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
        world->addRigidBody(Body);
        World = world;
    }
    return true;
}

void CPhysicBody::CreateBoxBody(CNBObject* owner, btDiscreteDynamicsWorld* world, CollisionShapeArray* shapes,
                                const Vector3& position, float halfX, float halfY, float halfZ, float mass)
{
    DestroyAll();
    Shape = NewBullet<btBoxShape>(btVector3(SafeSize(halfX), SafeSize(halfY), SafeSize(halfZ)));
    if (!Shape) return;
    AppendShape(shapes, Shape);
    if (!FinishBody(owner, world, shapes, Shape, position, SafeMass(mass))) return;
    // Boxes grip: the single-precision 0.9 the block library was tuned with.
    Body->setFriction(btScalar(0.9f));
}

void CPhysicBody::CreateSphereBody(CNBObject* owner, btDiscreteDynamicsWorld* world, CollisionShapeArray* shapes,
                                   const Vector3& position, float radius, float mass)
{
    DestroyAll();
    Shape = NewBullet<btSphereShape>(SafeSize(radius));
    if (!Shape) return;
    AppendShape(shapes, Shape);
    FinishBody(owner, world, shapes, Shape, position, SafeMass(mass));
}

void CPhysicBody::CreateCylinderBody(CNBObject* owner, btDiscreteDynamicsWorld* world,
                                     CollisionShapeArray* shapes, const Vector3& position, float radius,
                                     float halfHeight, float mass)
{
    DestroyAll();
    const double r = SafeSize(radius);
    Shape = NewBullet<btCylinderShape>(btVector3(r, SafeSize(halfHeight), r));
    if (!Shape) return;
    AppendShape(shapes, Shape);
    FinishBody(owner, world, shapes, Shape, position, SafeMass(mass));
}

void CPhysicBody::CreateConeBody(CNBObject* owner, btDiscreteDynamicsWorld* world, CollisionShapeArray* shapes,
                                 const Vector3& position, float radius, float height, float mass)
{
    DestroyAll();
    Shape = NewBullet<btConeShape>(SafeSize(radius), SafeSize(height));
    if (!Shape) return;
    AppendShape(shapes, Shape);
    FinishBody(owner, world, shapes, Shape, position, SafeMass(mass));
}

bool CPhysicBody::ExtractTriangles(CNBObject* source)
{
    if (!source || source->PartCount < 1 || !source->Parts) return false;
    const CPolygonsGrid* mesh = source->Parts[0].mainMesh;
    if (!mesh || !mesh->faces) return false;

    int triangles = 0;
    for (uint32_t f = 0; f < mesh->faceCount; ++f)
        if (mesh->faces[f].corners == 3) ++triangles;
    // Bullet cannot build a shape over nothing: without a triangle the object
    // simply has no collision.
    if (triangles == 0) return false;

    TriangleMesh = NewBullet<btTriangleMesh>(true, true);
    if (!TriangleMesh) return false;
    for (uint32_t f = 0; f < mesh->faceCount; ++f) {
        const PolygonFace& face = mesh->faces[f];
        if (face.corners != 3) continue;
        btVector3 corner[3];
        for (int k = 0; k < 3; ++k) {
            corner[k].setValue(0.0, 0.0, 0.0);
            if (!face.positions || !face.cornerIndices) continue;
            const uint16_t v = mesh->CornerVertex(face, k);
            if (v >= mesh->vertexCount) continue;
            const Vector3& p = face.positions[v];
            corner[k].setValue(p.x, p.y, p.z);
        }
        TriangleMesh->addTriangle(corner[0], corner[1], corner[2], true);
    }
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
    if (!ExtractTriangles(source)) {
        DestroyAll();
        return;
    }
    Shape = NewBullet<btBvhTriangleMeshShape>(TriangleMesh, true, true);
    if (!Shape) {
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
    Body->activate();
}
