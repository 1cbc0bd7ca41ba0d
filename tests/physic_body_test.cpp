// CPhysicBody: the six factories in a world built as the scene builds it,
// the holder's destruction, and what it does with bad input or a failed
// Bullet allocation.
#include <gtest/gtest.h>

#include <btBulletDynamicsCommon.h>
#include <BulletCollision/Gimpact/btGImpactShape.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <vector>

#include "support/physics_world.h"
#include "world/object.h"
#include "world/object_part.h"
#include "world/physic_body.h"
#include "world/polygons_grid.h"

namespace {

// One part whose main mesh holds `triangles` triangles and `quads` quads over
// distinct vertices spread along X.
void MakeMesh(CNBObject& object, int triangles, int quads)
{
    ASSERT_TRUE(object.AllocateParts(1));
    const int vertices = 3 * triangles + 4 * quads;
    ASSERT_TRUE(object.Parts[0].CreateGrid(vertices, triangles, quads));
    CPolygonsGrid* mesh = object.Parts[0].mainMesh;
    for (int i = 0; i < vertices; ++i) {
        mesh->positions[i] = Vector3{static_cast<float>(i), static_cast<float>(i % 2), static_cast<float>(i % 3)};
        mesh->cornerIndices[i] = static_cast<uint16_t>(i);
    }
    uint32_t first = 0;
    for (int f = 0; f < triangles + quads; ++f) {
        PolygonFace& face = mesh->faces[f];
        face.corners = f < triangles ? 3 : 4;
        face.firstIndex = first;
        face.cornerIndices = mesh->cornerIndices + first;
        first += face.corners;
    }
}

// Runs `make` with every Bullet block the size of a rigid body failing. The
// blocks keep the layout of Bullet's own aligned allocator (the real block's
// address just before the aligned one), so blocks cross freely between it and
// this one.
void* FailingAlignedAlloc(size_t size, int alignment)
{
    if (size == sizeof(btRigidBody)) return nullptr;
    char* real = static_cast<char*>(std::malloc(size + sizeof(void*) + (alignment - 1)));
    if (!real) return nullptr;
    const auto start = reinterpret_cast<uintptr_t>(real + sizeof(void*));
    const auto aligned = (start + (alignment - 1)) & ~uintptr_t(alignment - 1);
    reinterpret_cast<void**>(aligned)[-1] = real;
    return reinterpret_cast<void*>(aligned);
}
void AlignedFree(void* block)
{
    if (block) std::free(static_cast<void**>(block)[-1]);
}
template <class Make>
void WithRigidBodiesFailing(Make make)
{
    btAlignedAllocSetCustomAligned(FailingAlignedAlloc, AlignedFree);
    make();
    btAlignedAllocSetCustomAligned(nullptr, nullptr);
}

}  // namespace

TEST(PhysicBody, StaticBoxHasNoInertiaAndGrips)
{
    PhysicsWorld physics;
    CNBObject object;
    CPhysicBody* holder = new CPhysicBody;
    holder->CreateBoxBody(&object, physics.World(), physics.Shapes(), Vector3{1, 2, 3}, 0.5f, 1.0f, 1.5f, 0.0f);
    btRigidBody* body = holder->Body;
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(body->getLocalInertia(), btVector3(0, 0, 0));
    EXPECT_TRUE(body->isStaticObject());
    EXPECT_EQ(body->getFriction(), static_cast<double>(0.9f));
    EXPECT_EQ(body->getUserPointer(), &object);
    EXPECT_EQ(body->getWorldTransform().getOrigin(), btVector3(1, 2, 3));
    auto* box = static_cast<btBoxShape*>(holder->Shape);
    EXPECT_NEAR(box->getHalfExtentsWithMargin().z(), 1.5, 1e-12);
    EXPECT_EQ(physics.Shapes()->size(), 1);
    EXPECT_EQ((*physics.Shapes())[0], holder->Shape);
    EXPECT_EQ(physics.World()->getNumCollisionObjects(), 1);

    delete holder;  // out of the world and out of the shape list
    EXPECT_EQ(physics.World()->getNumCollisionObjects(), 0);
    EXPECT_EQ(physics.Shapes()->size(), 0);
    EXPECT_FALSE(CPhysicBody::Heap().Exists());
}

TEST(PhysicBody, PrimitivesTakeBulletsInertiaAndDefaultFriction)
{
    PhysicsWorld physics;
    CNBObject object;
    CPhysicBody sphere;
    sphere.CreateSphereBody(&object, physics.World(), physics.Shapes(), Vector3{}, 2.0f, 50.0f);
    ASSERT_NE(sphere.Body, nullptr);
    EXPECT_NEAR(sphere.Body->getLocalInertia().x(), 0.4 * 50.0 * 4.0, 1e-9);
    EXPECT_EQ(sphere.Body->getFriction(), 0.5);
    EXPECT_NEAR(sphere.Body->getInvMass(), 1.0 / 50.0, 1e-15);

    CPhysicBody cylinder;
    cylinder.CreateCylinderBody(&object, physics.World(), physics.Shapes(), Vector3{}, 0.5f, 2.0f, 1.0f);
    ASSERT_NE(cylinder.Shape, nullptr);
    const btVector3 extents = static_cast<btCylinderShape*>(cylinder.Shape)->getHalfExtentsWithMargin();
    EXPECT_NEAR(extents.x(), 0.5, 1e-12);
    EXPECT_NEAR(extents.y(), 2.0, 1e-12);

    CPhysicBody cone;
    cone.CreateConeBody(&object, physics.World(), physics.Shapes(), Vector3{}, 1.0f, 3.0f, 1.0f);
    ASSERT_NE(cone.Shape, nullptr);
    EXPECT_NEAR(static_cast<btConeShape*>(cone.Shape)->getHeight(), 3.0, 1e-12);
    EXPECT_EQ(physics.Shapes()->size(), 3);
    EXPECT_EQ(physics.World()->getNumCollisionObjects(), 3);
}

TEST(PhysicBody, BadSizesAndMassesAreMadeSafe)
{
    PhysicsWorld physics;
    CNBObject object;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float infinity = std::numeric_limits<float>::infinity();
    CPhysicBody box;
    box.CreateBoxBody(&object, physics.World(), physics.Shapes(), Vector3{}, -1.0f, nan, infinity, -5.0f);
    ASSERT_NE(box.Body, nullptr);
    const btVector3 extents = static_cast<btBoxShape*>(box.Shape)->getHalfExtentsWithMargin();
    for (int axis = 0; axis < 3; ++axis) EXPECT_NEAR(extents[axis], CPhysicBody::kSmallestSize, 1e-12);
    EXPECT_EQ(box.Body->getInvMass(), 0.0);  // a negative mass makes a static body

    CPhysicBody sphere;
    sphere.CreateSphereBody(&object, physics.World(), physics.Shapes(), Vector3{}, 0.0f, nan);
    ASSERT_NE(sphere.Body, nullptr);
    EXPECT_NEAR(static_cast<btSphereShape*>(sphere.Shape)->getRadius(), CPhysicBody::kSmallestSize, 1e-12);
    EXPECT_EQ(sphere.Body->getInvMass(), 0.0);
    physics.World()->stepSimulation(1.0 / 60.0, 1, 1.0 / 60.0);  // nothing blows up
    EXPECT_TRUE(std::isfinite(sphere.Body->getWorldTransform().getOrigin().y()));
}

TEST(PhysicBody, MeshBodiesTakeTrianglesOnly)
{
    PhysicsWorld physics;
    CNBObject object;
    MakeMesh(object, 2, 3);
    CPhysicBody moving;
    moving.CreateGImpactMeshBody(&object, physics.World(), physics.Shapes(), &object, Vector3{0, 5, 0}, 2.0f);
    ASSERT_NE(moving.MeshShape, nullptr);
    EXPECT_EQ(moving.Shape, nullptr);
    ASSERT_NE(moving.TriangleMesh, nullptr);
    EXPECT_EQ(moving.TriangleMesh->getNumTriangles(), 2);
    ASSERT_NE(moving.Body, nullptr);
    EXPECT_NE(moving.Body->getInvMass(), 0.0);
    EXPECT_EQ((*physics.Shapes())[0], moving.MeshShape);

    // Quads alone give no shape at all: the object has no collision.
    CNBObject quads;
    MakeMesh(quads, 0, 2);
    CPhysicBody none;
    none.CreateBvhMeshBody(&quads, physics.World(), physics.Shapes(), &quads);
    none.CreateGImpactMeshBody(&quads, physics.World(), physics.Shapes(), &quads, Vector3{}, 1.0f);
    EXPECT_EQ(none.Shape, nullptr);
    EXPECT_EQ(none.MeshShape, nullptr);
    EXPECT_EQ(none.Body, nullptr);
    EXPECT_EQ(none.TriangleMesh, nullptr);
    CNBObject partless;
    none.CreateBvhMeshBody(&partless, physics.World(), physics.Shapes(), &partless);
    EXPECT_EQ(none.Body, nullptr);
    EXPECT_EQ(physics.Shapes()->size(), 1);
    EXPECT_EQ(physics.World()->getNumCollisionObjects(), 1);
}

TEST(PhysicBody, StaticMeshSitsAtTheObjectsMatrix)
{
    PhysicsWorld physics;
    CNBObject object;
    MakeMesh(object, 3, 1);
    Vector3 axis{0.0f, 1.0f, 0.0f};
    object.WorldMatrix.Rotate(axis, 30.0f);
    object.WorldMatrix.m[12] = 7.0f, object.WorldMatrix.m[13] = 8.0f, object.WorldMatrix.m[14] = 9.0f;
    CPhysicBody holder;
    holder.CreateBvhMeshBody(&object, physics.World(), physics.Shapes(), &object);
    ASSERT_NE(holder.Body, nullptr);
    EXPECT_EQ(holder.TriangleMesh->getNumTriangles(), 3);
    EXPECT_TRUE(holder.Body->isStaticObject());

    const btTransform& transform = holder.Body->getWorldTransform();
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(transform.getBasis()[r][c], static_cast<double>(object.WorldMatrix.m[c * 4 + r])) << r << c;
    EXPECT_EQ(transform.getOrigin(), btVector3(7, 8, 9));
    // Another static mesh body made and gone, and steps taken, leave the
    // motion state (which static bodies share) where it was.
    {
        CPhysicBody other;
        other.CreateBvhMeshBody(&object, physics.World(), physics.Shapes(), &object);
        EXPECT_EQ(other.MotionState, holder.MotionState);
    }
    for (int step = 0; step < 5; ++step) physics.World()->stepSimulation(1.0 / 60.0, 0);
    btTransform motion;
    holder.MotionState->getWorldTransform(motion);
    EXPECT_EQ(motion.getOrigin(), btVector3(0, 0, 0));
    EXPECT_EQ(motion.getBasis(), btMatrix3x3::getIdentity());
}

TEST(PhysicBody, EmptyHolderAndFailedAllocationsTouchNothing)
{
    PhysicsWorld physics;
    {
        CPhysicBody empty;  // no factory ran: no world to leave
    }
    const int meshesBefore = CPhysicBody::SharedMeshShapeCount();
    const int primitivesBefore = CPhysicBody::SharedPrimitiveShapeCount();
    CNBObject object, mesh;
    MakeMesh(mesh, 3, 0);
    CPhysicBody holder, meshHolder;
    WithRigidBodiesFailing([&] {
        holder.CreateBoxBody(&object, physics.World(), physics.Shapes(), Vector3{}, 1, 1, 1, 1);
        meshHolder.CreateBvhMeshBody(&mesh, physics.World(), physics.Shapes(), &mesh);
    });
    for (const CPhysicBody* failed : {&holder, &meshHolder}) {
        EXPECT_EQ(failed->Body, nullptr);
        EXPECT_EQ(failed->Shape, nullptr);
        EXPECT_EQ(failed->MotionState, nullptr);
        EXPECT_EQ(failed->World, nullptr);
    }
    EXPECT_EQ(meshHolder.TriangleMesh, nullptr);
    // Each gave back its share of the shared shapes.
    EXPECT_EQ(CPhysicBody::SharedMeshShapeCount(), meshesBefore);
    EXPECT_EQ(CPhysicBody::SharedPrimitiveShapeCount(), primitivesBefore);
    EXPECT_EQ(physics.Shapes()->size(), 0);
    EXPECT_EQ(physics.World()->getNumCollisionObjects(), 0);

    // The same holder can still be filled.
    holder.CreateSphereBody(&object, physics.World(), physics.Shapes(), Vector3{}, 1.0f, 1.0f);
    EXPECT_NE(holder.Body, nullptr);
    EXPECT_EQ(physics.World()->getNumCollisionObjects(), 1);
}

// ---- Shared static mesh shapes ----

namespace {

// A floor of two triangles over [0, 2] x [0, 2] at height 0.
void MakeFloor(CNBObject& object)
{
    MakeMesh(object, 2, 0);
    CPolygonsGrid* mesh = object.Parts[0].mainMesh;
    const Vector3 corners[6] = {{0, 0, 0}, {0, 0, 2}, {2, 0, 2}, {0, 0, 0}, {2, 0, 2}, {2, 0, 0}};
    for (int i = 0; i < 6; ++i) mesh->positions[i] = corners[i];
}

}  // namespace

TEST(PhysicBody, StaticMeshesOverTheSameTrianglesShareOneShapeThatOutlivesEachBody)
{
    PhysicsWorld physics;
    const int before = CPhysicBody::SharedMeshShapeCount();
    CNBObject first, second, other;
    MakeFloor(first);
    MakeFloor(second);
    MakeFloor(other);
    other.Parts[0].mainMesh->positions[0].x = 0.5f;  // one corner elsewhere
    second.WorldMatrix.m[13] = 3.0f;                  // placed elsewhere: the shape is local

    auto* a = new CPhysicBody;
    auto* b = new CPhysicBody;
    CPhysicBody c;
    a->CreateBvhMeshBody(&first, physics.World(), physics.Shapes(), &first);
    b->CreateBvhMeshBody(&second, physics.World(), physics.Shapes(), &second);
    c.CreateBvhMeshBody(&other, physics.World(), physics.Shapes(), &other);
    ASSERT_NE(a->Body, nullptr);
    ASSERT_NE(b->Body, nullptr);
    EXPECT_EQ(a->Shape, b->Shape);
    EXPECT_EQ(a->TriangleMesh, b->TriangleMesh);
    EXPECT_NE(c.Shape, a->Shape);
    EXPECT_EQ(CPhysicBody::SharedMeshShapeCount(), before + 2);
    EXPECT_EQ(physics.Shapes()->size(), 3);  // one entry per body, as before
    EXPECT_EQ(b->Body->getWorldTransform().getOrigin(), btVector3(0, 3, 0));

    // The first holder goes: the shape stays for the second, whose body
    // still answers a ray.
    delete a;
    EXPECT_EQ(CPhysicBody::SharedMeshShapeCount(), before + 2);
    EXPECT_EQ(physics.Shapes()->size(), 2);
    EXPECT_EQ(b->Shape->getShapeType(), TRIANGLE_MESH_SHAPE_PROXYTYPE);
    EXPECT_EQ(b->TriangleMesh->getNumTriangles(), 2);
    btCollisionWorld::ClosestRayResultCallback ray(btVector3(1.5, 13.0, 0.5), btVector3(1.5, -10.0, 0.5));
    physics.World()->rayTest(ray.m_rayFromWorld, ray.m_rayToWorld, ray);
    EXPECT_EQ(ray.m_collisionObject, b->Body);
    EXPECT_NEAR(ray.m_hitPointWorld.y(), 3.0, 1e-9);

    // A holder filled anew gives its share back first; the last user frees it.
    b->CreateBvhMeshBody(&other, physics.World(), physics.Shapes(), &other);
    EXPECT_EQ(b->Shape, c.Shape);
    EXPECT_EQ(CPhysicBody::SharedMeshShapeCount(), before + 1);
    delete b;
    EXPECT_EQ(CPhysicBody::SharedMeshShapeCount(), before + 1);
    c.CreateSphereBody(&other, physics.World(), physics.Shapes(), Vector3{}, 1.0f, 0.0f);
    EXPECT_EQ(CPhysicBody::SharedMeshShapeCount(), before);
    EXPECT_EQ(physics.Shapes()->size(), 1);
}

TEST(PhysicBody, PrimitivesOfOneKindAndSizeShareOneShapeThatOutlivesEachBody)
{
    PhysicsWorld physics;
    CNBObject object;
    auto* a = new CPhysicBody;
    CPhysicBody b, wider, sphere, cylinder;
    a->CreateBoxBody(&object, physics.World(), physics.Shapes(), Vector3{}, 0.5f, 0.5f, 0.5f, 1.0f);
    b.CreateBoxBody(&object, physics.World(), physics.Shapes(), Vector3{0, 2, 0}, 0.5f, 0.5f, 0.5f, 0.0f);
    wider.CreateBoxBody(&object, physics.World(), physics.Shapes(), Vector3{}, 0.5f, 0.5f, 0.75f, 1.0f);
    sphere.CreateSphereBody(&object, physics.World(), physics.Shapes(), Vector3{}, 0.5f, 1.0f);
    cylinder.CreateCylinderBody(&object, physics.World(), physics.Shapes(), Vector3{}, 0.5f, 0.5f, 1.0f);
    ASSERT_NE(a->Body, nullptr);
    ASSERT_NE(b.Body, nullptr);
    EXPECT_EQ(a->Shape, b.Shape);
    EXPECT_NE(wider.Shape, a->Shape);
    EXPECT_EQ(CPhysicBody::SharedPrimitiveShapeCount(), 4);
    EXPECT_EQ(physics.Shapes()->size(), 5);  // one entry per body, as before
    // Each body keeps its own mass properties over the shared shape.
    EXPECT_EQ(b.Body->getLocalInertia(), btVector3(0, 0, 0));
    EXPECT_NEAR(a->Body->getLocalInertia().x(), 1.0 / 12.0 * (1.0 + 1.0), 1e-9);
    EXPECT_NE(static_cast<btBoxShape*>(a->Shape)->getConvexPolyhedron(), nullptr);

    delete a;  // the shape stays for the other box
    EXPECT_EQ(CPhysicBody::SharedPrimitiveShapeCount(), 4);
    EXPECT_NEAR(static_cast<btBoxShape*>(b.Shape)->getHalfExtentsWithMargin().x(), 0.5, 1e-12);
    b.CreateSphereBody(&object, physics.World(), physics.Shapes(), Vector3{}, 0.5f, 1.0f);
    EXPECT_EQ(b.Shape, sphere.Shape);
    EXPECT_EQ(CPhysicBody::SharedPrimitiveShapeCount(), 3);  // the last box of that size gave it back
}

TEST(PhysicBody, HoldersLeaveInAnyOrderAndTheListsNameExactlyTheRest)
{
    PhysicsWorld physics;
    btDiscreteDynamicsWorld* world = physics.World();
    CNBObject owner;
    std::vector<CPhysicBody*> holders;
    for (int i = 0; i < 12; ++i) {
        holders.push_back(new CPhysicBody);
        const Vector3 at{3.0f * i, i % 3 == 0 ? 0.0f : 5.0f, 0.0f};
        if (i % 3 == 0) holders.back()->CreateBoxBody(&owner, world, physics.Shapes(), at, 1, 1, 1, 0.0f);
        else holders.back()->CreateSphereBody(&owner, world, physics.Shapes(), at, 0.5f, 2.0f);
    }
    // A moving body held still the way dragging holds it, while in the world.
    btRigidBody* held = holders[4]->Body;
    held->setCollisionFlags(held->getCollisionFlags() | btCollisionObject::CF_STATIC_OBJECT);

    const auto sorted = [](std::vector<const void*> list) {
        std::sort(list.begin(), list.end());
        return list;
    };
    for (const int gone : {5, 0, 11, 4, 1, 9, 7, 2, 10, 3, 8, 6}) {
        delete holders[static_cast<size_t>(gone)];
        holders[static_cast<size_t>(gone)] = nullptr;
        std::vector<const void*> shapes, moving, listedShapes, listedMoving;
        int bodies = 0;
        for (const CPhysicBody* holder : holders) {
            if (!holder) continue;
            ++bodies;
            shapes.push_back(holder->Shape);
            if (holder->Body->getInvMass() > 0.0) moving.push_back(holder->Body);
        }
        for (int i = 0; i < physics.Shapes()->size(); ++i) listedShapes.push_back((*physics.Shapes())[i]);
        for (int i = 0; i < world->getNonStaticRigidBodies().size(); ++i)
            listedMoving.push_back(world->getNonStaticRigidBodies()[i]);
        ASSERT_EQ(sorted(listedShapes), sorted(shapes)) << "after holder " << gone;
        ASSERT_EQ(sorted(listedMoving), sorted(moving)) << "after holder " << gone;
        ASSERT_EQ(world->getNumCollisionObjects(), bodies);
        world->stepSimulation(1.0 / 60.0, 1, 1.0 / 60.0);
    }
}
