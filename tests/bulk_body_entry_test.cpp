// Bodies entering the physics world in bulk: the world, its broadphase and a
// simple drop end up as entering them one by one into Bullet's own broadphase
// gives (the static ones already where Bullet moves them after two steps), and
// the scene's bulk calls (object creation, body rebuilding) leave every body
// in the world with the shared shapes.
#include <gtest/gtest.h>

#include <btBulletDynamicsCommon.h>

#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "support/generator_scene.h"
#include "support/physics_world.h"
#include "world/object.h"
#include "world/physic_body.h"
#include "world/world.h"

namespace {

btDbvtBroadphase* BroadphaseOf(PhysicsWorld& physics)
{
    return static_cast<btDbvtBroadphase*>(physics.World()->getBroadphase());
}

// A ball in the world first, then boxes in the order given, entered in bulk
// into the resting broadphase or one by one into Bullet's own.
struct BoxAt {
    Vector3 at;
    float half = 0.5f;
    float mass = 0.0f;
};

struct BodyScene {
    using PairSet = std::set<std::pair<int, int>>;

    BodyScene(bool bulk, const Vector3& ballAt, const std::vector<BoxAt>& boxes)
        : physics(bulk ? PhysicsWorld::Broadphase::kResting : PhysicsWorld::Broadphase::kBulletsOwn)
    {
        ball.CreateSphereBody(&owner, physics.World(), physics.Shapes(), ballAt, 0.5f, 1.0f);
        btDiscreteDynamicsWorld* world = bulk ? nullptr : physics.World();
        for (const BoxAt& box : boxes) {
            holders.push_back(std::make_unique<CPhysicBody>());
            holders.back()->CreateBoxBody(&owner, world, physics.Shapes(), box.at, box.half, box.half, box.half,
                                          box.mass);
            if (!bulk) physics.World()->updateSingleAabb(holders.back()->Body);
        }
        if (bulk) {
            std::vector<CPhysicBody*> list;
            for (auto& holder : holders) list.push_back(holder.get());
            CPhysicBody::EnterWorldInBulk(list.data(), list.size(), physics.World(), BroadphaseOf(physics));
        }
    }

    // Index in `holders` (the ball is -1) of the body behind a collision object.
    int IndexOf(const btCollisionObject* object) const
    {
        if (object == ball.Body) return -1;
        for (size_t i = 0; i < holders.size(); ++i)
            if (holders[i]->Body == object) return static_cast<int>(i);
        return -2;
    }

    std::vector<int> ObjectOrder()
    {
        std::vector<int> order;
        const btCollisionObjectArray& objects = physics.World()->getCollisionObjectArray();
        for (int i = 0; i < objects.size(); ++i) order.push_back(IndexOf(objects[i]));
        return order;
    }

    PairSet Pairs()
    {
        PairSet pairs;
        btBroadphasePairArray& array = BroadphaseOf(physics)->getOverlappingPairCache()->getOverlappingPairArray();
        for (int i = 0; i < array.size(); ++i)
            pairs.emplace(IndexOf(static_cast<btCollisionObject*>(array[i].m_pProxy0->m_clientObject)),
                          IndexOf(static_cast<btCollisionObject*>(array[i].m_pProxy1->m_clientObject)));
        return pairs;
    }

    PhysicsWorld physics;
    CNBObject owner;
    CPhysicBody ball;
    std::vector<std::unique_ptr<CPhysicBody>> holders;
};

// A grid of static boxes (the last rows touching a falling ball and a box
// resting on the grid), with two dynamic bodies: a ball in the world before
// the grid, and a box made among the grid's bodies.
struct GridScene : BodyScene {
    static constexpr int kSide = 24;

    explicit GridScene(bool bulk) : BodyScene(bulk, Vector3{5.3f, 1.2f, 7.6f}, Boxes()) {}

    static std::vector<BoxAt> Boxes()
    {
        std::vector<BoxAt> boxes;
        for (int x = 0; x < kSide; ++x) {
            for (int z = 0; z < kSide; ++z) {
                const float y = static_cast<float>((x * 7 + z * 3) % 4) * 0.25f;
                boxes.push_back({Vector3{float(x), y - 0.5f, float(z)}});
                if (x == 10 && z == 10) boxes.push_back({Vector3{10.2f, 1.6f, 12.1f}, 0.3f, 2.0f});
            }
        }
        return boxes;
    }
};

}  // namespace

TEST(BulkBodyEntry, TheWorldEndsAsEnteringOneByOneAndADropSimulatesTheSame)
{
    GridScene single(false);
    GridScene bulk(true);
    EXPECT_FALSE(BroadphaseOf(bulk.physics)->m_deferedcollide);
    for (const auto& holder : bulk.holders) {
        EXPECT_EQ(holder->World, bulk.physics.World());
        EXPECT_FALSE(holder->AwaitsWorld);
    }

    // The same list of collision objects, ids in the same order, the same
    // broadphase boxes and pairs.
    EXPECT_EQ(bulk.ObjectOrder(), single.ObjectOrder());
    for (size_t i = 0; i < bulk.holders.size(); ++i) {
        const btBroadphaseProxy* mine = bulk.holders[i]->Body->getBroadphaseHandle();
        const btBroadphaseProxy* theirs = single.holders[i]->Body->getBroadphaseHandle();
        EXPECT_EQ(mine->m_aabbMin, theirs->m_aabbMin) << i;
        EXPECT_EQ(mine->m_aabbMax, theirs->m_aabbMax) << i;
        if (i > 0) {
            const btBroadphaseProxy* before = bulk.holders[i - 1]->Body->getBroadphaseHandle();
            EXPECT_LT(before->m_uniqueId, mine->m_uniqueId) << i;
        }
    }
    const BodyScene::PairSet pairs = bulk.Pairs();
    EXPECT_EQ(pairs, single.Pairs());
    EXPECT_FALSE(pairs.empty()) << "the ball and the box lie on the grid";

    // The static bodies rest in the tree of resting proxies from the start;
    // Bullet's own broadphase moves them there in its second step, all at once.
    const auto leaves = [](GridScene& scene) {
        btDbvtBroadphase* broadphase = BroadphaseOf(scene.physics);
        return std::make_pair(broadphase->m_sets[0].m_leaves, broadphase->m_sets[1].m_leaves);
    };
    const int statics = GridScene::kSide * GridScene::kSide;
    EXPECT_EQ(leaves(bulk), std::make_pair(2, statics));
    EXPECT_EQ(leaves(single), std::make_pair(statics + 2, 0));

    // Falling, landing and resting: the same path, step for step. (Where a
    // body meets several new bodies in one step, Bullet solves the contacts
    // in the order its broadphase tree finds them, which the bulk entry's
    // shallower tree may change.)
    for (int step = 0; step < 120; ++step) {
        single.physics.World()->stepSimulation(1.0 / 60.0, 1, 1.0 / 60.0);
        bulk.physics.World()->stepSimulation(1.0 / 60.0, 1, 1.0 / 60.0);
        ASSERT_EQ(bulk.ball.Body->getWorldTransform().getOrigin(), single.ball.Body->getWorldTransform().getOrigin())
            << step;
        const size_t box = 10 * GridScene::kSide + 11;
        ASSERT_EQ(bulk.holders[box]->Body->getWorldTransform().getOrigin(),
                  single.holders[box]->Body->getWorldTransform().getOrigin())
            << step;
    }
    EXPECT_EQ(leaves(single), leaves(bulk));
    // The box fell onto its column (top 0.5), the ball was pushed up on its.
    EXPECT_NEAR(bulk.holders[10 * GridScene::kSide + 11]->Body->getWorldTransform().getOrigin().y(), 0.8, 0.05);
    EXPECT_NEAR(bulk.ball.Body->getWorldTransform().getOrigin().y(), 1.25, 0.05);
}

TEST(BulkBodyEntry, MovingBodiesAreListedInListOrderEachKnowingItsPlace)
{
    // A row of touching boxes, more than one scrambled run of them, with
    // static boxes among them, after a ball already in the world; entered in
    // bulk and one by one.
    std::vector<BoxAt> row;
    for (int i = 0; i < 150; ++i) row.push_back({Vector3{float(i), 0.5f, 0.0f}, 0.5f, i % 10 == 3 ? 0.0f : 1.0f});
    const Vector3 ballAt{0.0f, 3.0f, 0.0f};
    BodyScene bulk(true, ballAt, row);
    BodyScene single(false, ballAt, row);

    const auto listed = [](btDiscreteDynamicsWorld* world) {
        std::vector<const btRigidBody*> bodies;
        const btAlignedObjectArray<btRigidBody*>& moving = world->getNonStaticRigidBodies();
        for (int i = 0; i < moving.size(); ++i) {
            EXPECT_EQ(moving[i]->getUserIndex3(), i) << "its place in the list";
            bodies.push_back(moving[i]);
        }
        return bodies;
    };
    std::vector<const btRigidBody*> expected{bulk.ball.Body};
    for (const auto& holder : bulk.holders)
        if (!holder->Body->isStaticObject()) expected.push_back(holder->Body);
    EXPECT_EQ(listed(bulk.physics.World()), expected);
    EXPECT_EQ(listed(single.physics.World()).size(), expected.size());

    // The same pairs, by place in the row.
    EXPECT_EQ(bulk.Pairs(), single.Pairs());
    EXPECT_EQ(bulk.Pairs().size(), 149u) << "each box touches the next";

    // Bodies leaving take the last one's place, which keeps knowing it.
    for (size_t i = 0; i < bulk.holders.size(); i += 7) bulk.holders[i].reset();
    listed(bulk.physics.World());
}

TEST(BulkBodyEntry, HoldersWithoutABodyOrAlreadyInAWorldAreLeftAsTheyAre)
{
    PhysicsWorld physics;
    CNBObject owner;
    CPhysicBody inWorld, empty, waiting;
    inWorld.CreateSphereBody(&owner, physics.World(), physics.Shapes(), Vector3{}, 1.0f, 0.0f);
    waiting.CreateSphereBody(&owner, nullptr, physics.Shapes(), Vector3{3, 0, 0}, 1.0f, 0.0f);
    empty.AwaitsWorld = waiting.AwaitsWorld = true;
    CPhysicBody* list[] = {&inWorld, nullptr, &empty, &waiting};
    CPhysicBody::EnterWorldInBulk(list, 4, physics.World(), BroadphaseOf(physics));
    EXPECT_EQ(physics.World()->getNumCollisionObjects(), 2);
    EXPECT_EQ(waiting.World, physics.World());
    EXPECT_EQ(empty.World, nullptr);
    EXPECT_FALSE(empty.AwaitsWorld);
    EXPECT_FALSE(waiting.AwaitsWorld);

    // Without a world nothing enters; the marks go all the same.
    CPhysicBody alone;
    alone.CreateSphereBody(&owner, nullptr, physics.Shapes(), Vector3{}, 1.0f, 0.0f);
    alone.AwaitsWorld = true;
    CPhysicBody* one[] = {&alone};
    CPhysicBody::EnterWorldInBulk(one, 1, nullptr, BroadphaseOf(physics));
    EXPECT_EQ(alone.World, nullptr);
    EXPECT_FALSE(alone.AwaitsWorld);
}

TEST(BulkBodyEntry, TheScenesBulkCallsHoldListedObjectsBodiesBackTillTheClose)
{
    GeneratorScene generator;
    CScene& scene = generator.scene;
    BlockType* cube = generator.AddBlockType(u"Cube");
    btDiscreteDynamicsWorld* world = scene.physics.dynamicsWorld;
    const int sharedBefore = CPhysicBody::SharedMeshShapeCount();

    const size_t first = scene.world->objects.size();
    ASSERT_TRUE(scene.OpenBulkBodies());
    EXPECT_FALSE(scene.OpenBulkBodies()) << "not nested";
    scene.options.physicsActive = 0;
    CNBObject* a = scene.CreateObjectFromBlockType(cube, 1, 1, 0, 0, 0, 0, 0, 0);
    CNBObject* b = scene.CreateObjectFromBlockType(cube, 1, 1, 2, 0, 0, 0, 0, 0);
    scene.options.physicsActive = 1;
    CNBObject* c = scene.CreateObjectFromBlockType(cube, 1, 1, 4, 3, 0, 0, 0, 0);
    CNBObject* unlisted = scene.CreateObjectFromBlockType(cube, 0, 1, 6, 0, 0, 0, 0, 0);
    ASSERT_TRUE(a && b && c && unlisted);
    for (CNBObject* object : {a, b, c}) {
        ASSERT_NE(object->PhysicBody->Body, nullptr);
        EXPECT_EQ(object->PhysicBody->World, nullptr);
        EXPECT_TRUE(object->PhysicBody->AwaitsWorld);
    }
    EXPECT_EQ(unlisted->PhysicBody->World, world) << "only the world's list is searched at the close";
    EXPECT_EQ(a->PhysicBody->Shape, b->PhysicBody->Shape);
    EXPECT_EQ(CPhysicBody::SharedMeshShapeCount(), sharedBefore + 1);
    // Placed and turned as ever, only not in the world yet.
    EXPECT_EQ(b->PhysicBody->Body->getWorldTransform().getOrigin(), btVector3(2, 0, 0));

    scene.CloseBulkBodies(first);
    EXPECT_FALSE(scene.bulkBodiesOpen);
    for (CNBObject* object : {a, b, c}) {
        EXPECT_EQ(object->PhysicBody->World, world);
        EXPECT_FALSE(object->PhysicBody->AwaitsWorld);
    }
    EXPECT_EQ(world->getNumCollisionObjects(), 4);

    // A world just read: RebuildPhysicsBodies enters its bodies in bulk, in
    // list order.
    for (CNBObject* object : {a, b, c}) {
        delete object->PhysicBody;
        object->PhysicBody = nullptr;
        object->HasRigidBody = 1;
    }
    EXPECT_EQ(world->getNumCollisionObjects(), 1);
    scene.RebuildPhysicsBodies();
    ASSERT_EQ(world->getNumCollisionObjects(), 4);
    EXPECT_EQ(world->getCollisionObjectArray()[1], a->PhysicBody->Body);
    EXPECT_EQ(world->getCollisionObjectArray()[2], b->PhysicBody->Body);
    EXPECT_EQ(world->getCollisionObjectArray()[3], c->PhysicBody->Body);
    EXPECT_FALSE(scene.bulkBodiesOpen);
    CNBObject::Delete(unlisted);
}
