// Sectors: nearest-sector assignment (ties, reach, non-finite centres),
// bounds over rotated objects and empty sectors, moved and fallen objects,
// render flags, re-creation, and the depth-sorted label projection.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <vector>

#include "scene/camera.h"
#include "shell/log.h"
#include "support/temp_directory.h"
#include "support/world_objects.h"
#include "world/object.h"
#include "world/world.h"

namespace {

Sector* AddSector(CWorld& world, const Vector3& position)
{
    auto* sector = new Sector();
    sector->position = position;
    world.sectors.push_back(sector);
    return sector;
}

CNBObject* AddObject(CWorld& world, const Vector3& at)
{
    CNBObject* object = NewBoxObject(at);
    EXPECT_NE(object, nullptr);
    world.objects.push_back(object);
    return object;
}

bool Holds(const Sector* sector, const CNBObject* object)
{
    for (const CNBObject* o : sector->objects)
        if (o == object) return true;
    return false;
}

// At the origin looking along +z with the scene's projection.
CCamera PerspectiveCamera(int width, int height)
{
    CCamera camera;
    camera.orientation.SetIdentity();
    camera.viewportWidth = width;
    camera.viewportHeight = height;
    camera.ApplySceneProjection(90.0f, 1.0f, 100.0f, width, height);
    return camera;
}

void CollectRemoved(void* context, CNBObject* object)
{
    static_cast<std::vector<CNBObject*>*>(context)->push_back(object);
}

}  // namespace

TEST(SectorTest, NearestSectorWinsTiesGoToTheEarlierAndReachIsStrict)
{
    CWorld world;
    world.sectors.push_back(nullptr);  // null slots are skipped
    Sector* first = AddSector(world, {10, 0, 0});
    Sector* second = AddSector(world, {-10, 0, 0});
    CNBObject* tied = AddObject(world, {0, 0, 0});
    CNBObject* nearSecond = AddObject(world, {-9, 0, 0});
    world.AssignSectors();
    EXPECT_EQ(tied->SectorLink, first);
    EXPECT_EQ(nearSecond->SectorLink, second);
    EXPECT_TRUE(Holds(first, tied));
    EXPECT_EQ(tied->HeadFlag, 1);

    CWorld reach;
    Sector* origin = AddSector(reach, {0, 0, 0});
    CNBObject* atEdge = AddObject(reach, {5000, 0, 0});  // squared distance exactly 2.5e7
    CNBObject* inside = AddObject(reach, {0, 4999.5f, 0});
    reach.AssignSectors();
    EXPECT_EQ(atEdge->SectorLink, nullptr);
    EXPECT_EQ(atEdge->HeadFlag, 1);  // handled, though not assigned
    EXPECT_EQ(inside->SectorLink, origin);
    EXPECT_EQ(origin->objects.size(), 1u);
}

TEST(SectorTest, NonFiniteCentresAreSkippedWithALogLine)
{
    TempDirectory folder;
    ScopedStartDirectory start(folder.Path());
    CWorld world;
    Sector* sector = AddSector(world, {0, 0, 0});
    CNBObject* lost = AddObject(world, {0, 0, 0});
    lost->Center = Vector3{NAN, 0, 0};
    world.AssignSectors();
    EXPECT_EQ(lost->SectorLink, nullptr);
    EXPECT_TRUE(sector->objects.empty());
    world.PutObjectInSector(lost);
    EXPECT_TRUE(sector->objects.empty());
    const std::string log = folder.Read("game.log");
    EXPECT_NE(log.find("Error: CWorld::AssignSectors() object centre is not finite"), std::string::npos);
    EXPECT_NE(log.find("Error: CWorld::PutObjectInSector()"), std::string::npos);
}

TEST(SectorTest, BoundsCoverEveryCornerOfARotatedObject)
{
    CWorld world;
    Sector* sector = AddSector(world, {0, 0, 0});
    CNBObject* object = AddObject(world, {0, 0, 0});
    Vector3 up{0, 1, 0};
    object->WorldMatrix.Rotate(up, 45.0f);
    object->WorldMatrix.m[12] = 3.0f;
    world.AssignSectors();
    const float r2 = std::sqrt(2.0f);
    EXPECT_NEAR(sector->boundsMin.x, 3.0f - r2, 1e-5f);
    EXPECT_NEAR(sector->boundsMax.z, r2, 1e-5f);
    EXPECT_NEAR(sector->radius, std::sqrt(2.0f * 2.0f + 1.0f), 1e-5f);

    Sector empty;  // never culled away
    empty.UpdateBounds();
    EXPECT_EQ(empty.radius, FLT_MAX);
}

TEST(SectorTest, FallenObjectsAreDeletedThroughTheRemovalHook)
{
    CWorld world;  // no sectors: nothing is assigned, the fallen still go
    std::vector<CNBObject*> removed;
    world.objectRemovedHook = CollectRemoved;
    world.objectRemovedContext = &removed;
    CNBObject* fallenA = AddObject(world, {0, -2500, 0});
    CNBObject* fallenB = AddObject(world, {0, -2000.5f, 0});
    CNBObject* standing = AddObject(world, {0, -2000, 0});
    CNBObject* fallenC = AddObject(world, {0, -9000, 0});
    world.AssignSectors();
    ASSERT_EQ(world.objects.size(), 1u);
    EXPECT_EQ(world.objects[0], standing);
    EXPECT_EQ(removed, (std::vector<CNBObject*>{fallenA, fallenB, fallenC}));
}

TEST(SectorTest, MovedObjectsChangeSectorAndExtendTheNewOne)
{
    CWorld world;
    Sector* a = AddSector(world, {0, 0, 0});
    Sector* b = AddSector(world, {1000, 0, 0});
    CNBObject* object = AddObject(world, {10, 0, 0});
    object->RenderFlags[5] = 1;
    world.AssignSectors();
    ASSERT_EQ(object->SectorLink, a);
    EXPECT_EQ(a->renderFlags[5], 1);
    const Vector3 boxOfA = a->boundsMax;

    PlaceObject(*object, {990, 0, 0});
    object->Moved = 1;
    world.UpdateObjectSectors();
    EXPECT_EQ(object->Moved, 0);
    EXPECT_EQ(object->SectorLink, b);
    EXPECT_FALSE(Holds(a, object));
    EXPECT_TRUE(Holds(b, object));
    EXPECT_EQ(a->boundsMax.x, boxOfA.x);  // the old sector waits for the next full pass
    EXPECT_NEAR(b->boundsMin.x, 989.0f, 1e-3f);
    EXPECT_EQ(b->renderFlags[5], 1);

    // Out of reach, it stays in no sector; moving back in reach reassigns it.
    PlaceObject(*object, {9000, 0, 0});
    object->Moved = 1;
    world.UpdateObjectSectors();
    EXPECT_FALSE(Holds(a, object));
    EXPECT_FALSE(Holds(b, object));
    PlaceObject(*object, {5, 0, 0});
    object->Moved = 1;
    world.UpdateObjectSectors();
    EXPECT_EQ(object->SectorLink, a);
    EXPECT_EQ(a->objects.size(), 1u);

    // Many at once: the objects that stay keep their order, the moved ones
    // follow in list order wherever they land, and an object whose link is
    // stale leaves the sector that holds it.
    CNBObject* still = AddObject(world, {20, 0, 0});
    CNBObject* across = AddObject(world, {30, 0, 0});
    CNBObject* stale = AddObject(world, {40, 0, 0});
    world.AssignSectors();
    ASSERT_EQ(a->objects, (std::vector<CNBObject*>{object, still, across, stale}));
    stale->SectorLink = b;
    PlaceObject(*across, {995, 0, 0});
    for (CNBObject* moved : {object, across, stale}) moved->Moved = 1;
    world.UpdateObjectSectors();
    EXPECT_EQ(a->objects, (std::vector<CNBObject*>{still, object, stale}));
    EXPECT_EQ(b->objects, (std::vector<CNBObject*>{across}));
}

TEST(SectorTest, RenderFlagsAreTheUnionAndRecreationClearsLinks)
{
    CWorld world;
    Sector* sector = AddSector(world, {0, 0, 0});
    CNBObject* first = AddObject(world, {1, 0, 0});
    CNBObject* second = AddObject(world, {2, 0, 0});
    first->RenderFlags[3] = 1;
    second->RenderFlags[386] = 1;
    world.AssignSectors();
    EXPECT_EQ(sector->renderFlags[3], 1);
    EXPECT_EQ(sector->renderFlags[386], 1);
    EXPECT_EQ(sector->renderFlags[4], 0);

    EXPECT_TRUE(world.RecreateSectors(3));
    EXPECT_EQ(first->SectorLink, nullptr);  // no link into a freed sector
    EXPECT_EQ(second->SectorLink, nullptr);
    EXPECT_TRUE(world.RecreateSectors(-4));
    EXPECT_TRUE(world.sectors.empty());
}

TEST(SectorTest, RemovedObjectsLeaveSectorsAndLabels)
{
    CWorld world;
    Sector* sector = AddSector(world, {0, 0, 0});
    CNBObject* object = AddObject(world, {0, 0, 4});
    CNBObject* other = AddObject(world, {0, 0, 6});
    world.AssignSectors();
    sector->objects.push_back(object);  // held twice: both entries must go
    world.labels.push_back(ObjectLabel{object, nullptr, 0.5f});
    world.labels.push_back(ObjectLabel{other, nullptr, 0.6f});
    std::vector<CNBObject*> removed;
    world.objectRemovedHook = CollectRemoved;
    world.objectRemovedContext = &removed;

    world.RemoveObject(nullptr);
    CNBObject* stranger = NewBoxObject({0, 0, 0});
    world.RemoveObject(stranger);  // not in the list: untouched
    CNBObject::Delete(stranger);
    EXPECT_TRUE(removed.empty());

    world.RemoveObject(object);
    EXPECT_EQ(removed, std::vector<CNBObject*>{object});
    EXPECT_EQ(world.objects, std::vector<CNBObject*>{other});
    EXPECT_EQ(sector->objects, std::vector<CNBObject*>{other});
    ASSERT_EQ(world.labels.size(), 1u);
    EXPECT_EQ(world.labels[0].object, other);
}

TEST(SectorTest, LabelsOfVisibleSectorsAreSortedByDepth)
{
    CWorld world;
    Sector* sector = AddSector(world, {0, 0, 0});
    Sector* hidden = AddSector(world, {0, 0, 3000});
    CNBObject* far = AddObject(world, {0, 0, 10});
    CNBObject* near = AddObject(world, {0, 0, 5});
    CNBObject* behind = AddObject(world, {0, 0, -5});
    CNBObject* unflagged = AddObject(world, {0, 0, 7});
    CNBObject* elsewhere = AddObject(world, {0, 0, 3000});
    for (CNBObject* o : {far, near, behind, elsewhere}) {
        o->Flags = 0x2000;
        o->RenderBytes[1] = 1;
    }
    unflagged->RenderBytes[1] = 1;
    world.AssignSectors();
    ASSERT_TRUE(Holds(hidden, elsewhere));

    const CCamera camera = PerspectiveCamera(800, 600);
    world.ProjectLabels(camera);
    EXPECT_TRUE(world.labels.empty());  // no sector visible yet

    sector->visible = 1;
    world.ProjectLabels(camera);
    ASSERT_EQ(world.labels.size(), 3u);
    EXPECT_EQ(world.labels[0].object, near);
    EXPECT_EQ(world.labels[1].object, far);
    EXPECT_EQ(world.labels[2].object, behind);  // off screen, still listed
}

TEST(SectorTest, PieceGroupsExtendBoundsAndCarryTheirOwnLabels)
{
    CWorld world;
    Sector* sector = AddSector(world, {0, 0, 0});
    CNBObject* object = AddObject(world, {0, 0, 5});
    object->Flags = 0x2000;
    object->PieceGroups = NewCountedArray<PieceGroup>(PieceGroup::Heap(), 2);
    ASSERT_NE(object->PieceGroups, nullptr);
    // The second group places the same box 40 units up and carries a label.
    PieceGroup& lifted = object->PieceGroups[1];
    lifted.matrix.m[13] = 40.0f;
    lifted.position = {0, 0, 8};
    lifted.labelled = 1;
    world.AssignSectors();
    ASSERT_TRUE(Holds(sector, object));
    sector->UpdateBounds();
    EXPECT_GE(sector->boundsMax.y, 40.0f);

    sector->visible = 1;
    world.ProjectLabels(PerspectiveCamera(800, 600));
    ASSERT_EQ(world.labels.size(), 1u);
    EXPECT_EQ(world.labels[0].group, &lifted);
}
