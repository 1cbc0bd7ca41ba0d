// View culling without a device: the sector test (distance with the 15 %
// margin, then the planes), what a sector going out does to its objects,
// the object and instance tests, the skeletal object's posed centre, and the
// mesh-kind table built from what is visible.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "render/view_culling.h"
#include "scene/scene.h"
#include "support/world_objects.h"
#include "world/object.h"
#include "world/sector.h"
#include "world/world.h"

namespace {

// Planes that hold everything inside.
void OpenFrustum(CCamera& camera)
{
    for (FrustumPlane& plane : camera.planes) plane = FrustumPlane{0.0f, 0.0f, 0.0f, 1.0e30f};
}

// A scene whose main camera stands at the origin with view distance 500 and
// open planes, around a world of two empty sectors.
class ViewCulling : public ::testing::Test {
protected:
    void SetUp() override
    {
        scene_.world = new CWorld;
        ASSERT_TRUE(scene_.world->RecreateSectors(2));
        CCamera& camera = scene_.mainCamera;
        camera.position = Vector3{0.0f, 0.0f, 0.0f};
        camera.farDistance = 500.0f;
        OpenFrustum(camera);
    }

    Sector& SectorAt(int index, const Vector3& centre, float radius)
    {
        Sector& sector = *scene_.world->sectors[index];
        sector.boundsCentre = centre;
        sector.radius = radius;
        return sector;
    }

    // An object of the world with a bounding radius, put into a sector.
    CNBObject* ObjectIn(Sector& sector, const Vector3& at, float radius)
    {
        CNBObject* object = NewBoxObject(at);
        object->Position = at;
        object->Radius = radius;
        scene_.world->objects.push_back(object);
        sector.objects.push_back(object);
        return object;
    }

    CScene scene_;
};

}  // namespace

TEST_F(ViewCulling, ASectorIsOutBeyondTheViewDistancePlusItsEnlargedRadius)
{
    Sector& sector = SectorAt(0, Vector3{600.0f, 0.0f, 0.0f}, 100.0f);  // limit 500 + 115
    scene_.CullSector(&sector);
    EXPECT_EQ(sector.visible, 1);
    sector.boundsCentre = Vector3{0.0f, 0.0f, 620.0f};
    scene_.CullSector(&sector);
    EXPECT_EQ(sector.visible, 0);

    // Within reach it still has to be inside the planes, with the enlarged radius.
    sector.boundsCentre = Vector3{0.0f, 0.0f, 600.0f};
    scene_.mainCamera.planes[2] = FrustumPlane{0.0f, 0.0f, -1.0f, 486.0f};  // inside: z <= 486
    scene_.CullSector(&sector);
    EXPECT_EQ(sector.visible, 1);  // 114 behind the plane, radius 100 enlarged to 115
    scene_.mainCamera.planes[2].d = 484.0f;
    scene_.CullSector(&sector);
    EXPECT_EQ(sector.visible, 0);
}

TEST_F(ViewCulling, ASectorGoingOutTakesItsObjectsWithItAndLeavesThemAlone)
{
    Sector& sector = SectorAt(0, Vector3{0.0f, 0.0f, 100.0f}, 50.0f);
    CNBObject* near = ObjectIn(sector, Vector3{0.0f, 0.0f, 30.0f}, 1.0f);
    CNBObject* far = ObjectIn(sector, Vector3{0.0f, 0.0f, 140.0f}, 1.0f);
    scene_.CullView();
    ASSERT_EQ(sector.visible, 1);
    ASSERT_EQ(near->Visible, 1);
    ASSERT_EQ(far->Visible, 1);

    // Only the sector's sphere is behind the camera's view distance; the
    // near object alone would still be in reach.
    scene_.mainCamera.farDistance = 40.0f;
    sector.radius = 10.0f;
    scene_.CullView();
    EXPECT_EQ(sector.visible, 0);
    EXPECT_EQ(near->Visible, 0);
    EXPECT_EQ(far->Visible, 0);

    // Out and still out: the objects are not visited again.
    near->Visible = 1;
    scene_.CullView();
    EXPECT_EQ(near->Visible, 1);
}

TEST_F(ViewCulling, ObjectsAndTheirInstancesAreTestedByDistanceAndPlanes)
{
    Sector& sector = SectorAt(0, Vector3{}, 1000.0f);
    CNBObject* object = ObjectIn(sector, Vector3{0.0f, 0.0f, 505.0f}, 5.0f);  // limit (500 + 5)^2
    ObjectInstance inside;
    inside.center = Vector3{0.0f, 0.0f, 10.0f};
    ObjectInstance beyond;
    beyond.center = Vector3{0.0f, 0.0f, 506.0f};
    ObjectInstance behindPlane;
    behindPlane.center = Vector3{0.0f, -20.0f, 0.0f};
    object->Instances = {inside, beyond, behindPlane};
    scene_.mainCamera.planes[3] = FrustumPlane{0.0f, 1.0f, 0.0f, 10.0f};  // inside: y >= -10

    EXPECT_EQ(scene_.CullObject(object), 0);
    EXPECT_EQ(object->Visible, 1);
    EXPECT_EQ(object->Instances[0].visible, 1);
    EXPECT_EQ(object->Instances[1].visible, 0);  // the object's radius, its own centre
    EXPECT_EQ(object->Instances[2].visible, 0);

    object->Position.z = 506.0f;
    scene_.CullObject(object);
    EXPECT_EQ(object->Visible, 0);
    EXPECT_EQ(object->Instances[0].visible, 1);  // tested whatever the object's answer

    // A skeletal object is found where its root bone was posed.
    object->RootPosition = Vector3{0.0f, 0.0f, 20.0f};
    object->RootPositionValid = 1;
    object->AnimationMode = 1;
    scene_.CullObject(object);
    EXPECT_EQ(object->Visible, 0);
    object->AnimationMode = 2;
    scene_.CullObject(object);
    EXPECT_EQ(object->Visible, 1);
}

TEST_F(ViewCulling, MeshKindsComeFromVisibleObjectsOfVisibleSectors)
{
    Sector& first = SectorAt(0, Vector3{}, 10.0f);
    Sector& second = SectorAt(1, Vector3{0.0f, 0.0f, 900.0f}, 10.0f);  // out of reach
    ObjectIn(first, Vector3{0.0f, 0.0f, 700.0f}, 1.0f);  // beyond the view distance
    ObjectIn(first, Vector3{0.0f, 0.0f, 5.0f}, 1.0f);
    ObjectIn(second, Vector3{0.0f, 0.0f, 900.0f}, 1.0f);
    first.renderFlags[0] = 1;
    first.renderFlags[4] = 1;
    second.renderFlags[7] = 1;
    const auto marked = [this] {
        return std::count(std::begin(scene_.meshKinds), std::end(scene_.meshKinds), 1);
    };

    scene_.CullView();
    scene_.CollectMeshKinds();
    EXPECT_EQ(scene_.meshKinds[0], 1);
    EXPECT_EQ(scene_.meshKinds[4], 1);
    EXPECT_EQ(scene_.meshKinds[7], 0);
    EXPECT_EQ(marked(), 2);

    // No visible sector: nothing, whatever was marked before.
    scene_.mainCamera.position = Vector3{0.0f, 5000.0f, 0.0f};
    scene_.CullView();
    scene_.CollectMeshKinds();
    EXPECT_EQ(first.visible, 0);
    EXPECT_EQ(marked(), 0);
}

// The skinned passes pass by a sector only on the word of the cull just
// made: an entry of an earlier cull, or of a list changed since, may hold
// objects animated meanwhile.
TEST_F(ViewCulling, OnlyTheLatestCullOfASectorMayRuleOutAnimatedObjects)
{
    Sector& near = SectorAt(0, Vector3{}, 10.0f);
    Sector& far = SectorAt(1, Vector3{0.0f, 0.0f, 900.0f}, 10.0f);  // out of reach
    CNBObject* still = ObjectIn(near, Vector3{0.0f, 0.0f, 5.0f}, 1.0f);
    CNBObject* posed = ObjectIn(near, Vector3{0.0f, 0.0f, 6.0f}, 1.0f);
    ObjectIn(far, Vector3{0.0f, 0.0f, 900.0f}, 1.0f);
    const VisibleObjectRecord& record = scene_.visibleObjects;

    scene_.CullView();
    EXPECT_FALSE(record.MayListAnimated(0, near));
    EXPECT_FALSE(record.MayListAnimated(1, far));  // it went out in this cull

    posed->AnimationMode = 2;
    scene_.CullView();
    EXPECT_TRUE(record.MayListAnimated(0, near));
    EXPECT_TRUE(record.MayListAnimated(1, far));  // its entry stands from the cull before

    posed->AnimationMode = 0;
    scene_.CullView();
    EXPECT_FALSE(record.MayListAnimated(0, near));
    near.objects.push_back(still);  // a list changed after the cull is not described
    EXPECT_TRUE(record.MayListAnimated(0, near));
}
