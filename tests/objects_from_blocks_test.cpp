// Objects from block types: placement and resting, texture coordinates,
// material and transparency, bodies by shape kind and by flag 231, failures
// that leave nothing behind, bone weights, the preview and model-view
// objects, rebuilding bodies and rescaling.
#include <gtest/gtest.h>

#include <btBulletDynamicsCommon.h>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "core/private_heap.h"
#include "scene/scene.h"
#include "support/temp_directory.h"
#include "support/world_objects.h"
#include "world/block_type.h"
#include "world/object.h"
#include "world/object_part.h"
#include "world/physic_body.h"
#include "world/polygons_grid.h"
#include "world/world.h"
#include "world/world_file.h"

namespace {

// A cube of side 1 centred on its origin: 8 corners, 12 outward triangles,
// a box body of half extents 0.5 and mass 2.
BlockType Cube()
{
    BlockType type;
    MakeCubeType(type, u"TestCube");
    type.textureName = u"boxred.jpg";
    type.mass = 2.0f;
    return type;
}

const CPolygonsGrid* MeshOf(const CNBObject* object)
{
    const ObjectPart* part = object ? object->GetPart(0) : nullptr;
    return part ? part->mainMesh : nullptr;
}

Vector3 Translation(const CNBObject* object) { return object->WorldMatrix.GetTranslation(); }

// A scene with an empty world of one sector and its physics world, running
// at a steady 60 frames per second.
class ObjectsFromBlocks : public ::testing::Test {
protected:
    ObjectsFromBlocks()
    {
        scene_.world = new CWorld;
        scene_.world->RecreateSectors(1);
        scene_.InitPhysicsWorld();
        for (int i = 0; i < 4; ++i) scene_.timing.PushFpsSample(60.0f);
    }

    CNBObject* Make(BlockType& type, float x, float y, float z, float nx = 0, float ny = 0, float nz = 0)
    {
        return scene_.CreateObjectFromBlockType(&type, 1, 1, x, y, z, nx, ny, nz);
    }

    // A generator preview of the type, turned and placed as the generators
    // place theirs.
    CNBObject* Preview(BlockType& type, const Vector3& at)
    {
        CNBObject* object = scene_.CreateMeshObject(&type);
        if (!object) return nullptr;
        Vector3 up{0.0f, 1.0f, 0.0f};
        object->WorldMatrix.Rotate(up, 30.0f);
        object->WorldMatrix.m[12] = at.x;
        object->WorldMatrix.m[13] = at.y;
        object->WorldMatrix.m[14] = at.z;
        object->UpdatePosition();
        object->UpdateWorldBounds();
        return object;
    }

    // The world file's bytes of the world with `object` as its only object.
    std::vector<uint8_t> SavedAlone(CNBObject* object)
    {
        std::vector<CNBObject*> objects{object};
        objects.swap(scene_.world->objects);
        std::vector<uint8_t> bytes;
        WriteWorldData(*scene_.world, bytes);
        objects.swap(scene_.world->objects);
        return bytes;
    }

    TempDirectory folder_;
    ScopedStartDirectory start_{folder_.Path()};
    CScene scene_;
};

}  // namespace

TEST_F(ObjectsFromBlocks, AZeroDirectionLeavesThePositionExactAndAnyLengthRestsTheSame)
{
    BlockType cube = Cube();
    CNBObject* still = Make(cube, 1.25f, 3.5f, -7.75f);
    ASSERT_NE(still, nullptr);
    const Vector3 at = Translation(still);
    EXPECT_TRUE(at.x == 1.25f && at.y == 3.5f && at.z == -7.75f && still->Position.y == 3.5f);

    // The bottom face ends up in the plane through the placement point.
    for (const float length : {1.0f, 5.0f, 0.01f}) {
        CNBObject* rested = Make(cube, 0.0f, 2.0f, 0.0f, 0.0f, length, 0.0f);
        ASSERT_NE(rested, nullptr);
        EXPECT_NEAR(Translation(rested).y, 2.5f, 1e-5f) << length;
    }
    // Against a wall facing -x.
    CNBObject* wall = Make(cube, 4.0f, 0.0f, 0.0f, -3.0f, 0.0f, 0.0f);
    EXPECT_NEAR(Translation(wall).x, 3.5f, 1e-5f);
}

TEST_F(ObjectsFromBlocks, ANewObjectCarriesTheBlockTypesLookAndRotation)
{
    BlockType cube = Cube();
    cube.graphicMaterial = 0x1401;
    cube.shading = 1;
    cube.ambient = Vector4{{0.1f, 0.2f, 0.3f, 1.0f}};
    cube.materialPower = 9.0f;
    cube.yaw = 90.0f;
    scene_.options.previewScale = Vector3{2.0f, 1.0f, 1.0f};
    CNBObject* object = Make(cube, 0, 0, 0);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->Kind, 2);  // not ground: the drop queue's mark record reaches it
    EXPECT_EQ(object->TypeName, u"TestCube");
    EXPECT_EQ(object->Ambient.v[2], 0.3f);
    EXPECT_EQ(object->Power, 9.0f);
    const CPolygonsGrid* mesh = MeshOf(object);
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->textureNames[0].name, u"boxred.jpg");
    EXPECT_EQ(mesh->faces[0].ShadingMode, 3);
    EXPECT_EQ(mesh->faces[0].VertexFormat, 0x1401);
    // Scaled by the preview scale; the unscaled copy is what the world file keeps.
    EXPECT_EQ(mesh->unscaledPositions[7].x, 0.5f);
    EXPECT_EQ(mesh->positions[7].x, 1.0f);
    EXPECT_EQ(mesh->basePositions[7].x, 1.0f);
    // Yaw 90 turns the long x side along z, on the object and on its body.
    EXPECT_NEAR(object->BoxMax.z - object->BoxMin.z, 2.0f, 1e-4f);
    const btMatrix3x3& basis = object->PhysicBody->Body->getWorldTransform().getBasis();
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(basis[c][r], object->WorldMatrix.m[r * 4 + c], 1e-6) << r << c;
}

TEST_F(ObjectsFromBlocks, ShortTextureCoordinateListsFallBackToTheParityDefaults)
{
    BlockType cube = Cube();
    cube.texCoords = {{0.1f, 0.2f}, {0.3f, 0.4f}, {0.5f, 0.6f}, {0.7f, 0.8f}};
    const CPolygonsGrid* mesh = MeshOf(Make(cube, 0, 0, 0));
    ASSERT_NE(mesh, nullptr);
    const auto coord = [&](int face, int corner) {
        const TexCoord c = mesh->faces[face].GetTexCoord(corner, 0);
        return std::pair<float, float>{c.u, c.v};
    };
    using P = std::pair<float, float>;
    EXPECT_EQ(coord(0, 0), P(0.1f, 0.2f));
    EXPECT_EQ(coord(0, 2), P(0.5f, 0.6f));
    EXPECT_EQ(coord(1, 0), P(0.7f, 0.8f));
    EXPECT_EQ(coord(1, 1), P(1.0f, 0.0f));  // odd face
    EXPECT_EQ(coord(1, 2), P(0.0f, 0.0f));
    EXPECT_EQ(coord(2, 0), P(0.0f, 1.0f));  // even face
    EXPECT_EQ(coord(2, 1), P(1.0f, 1.0f));
    EXPECT_EQ(coord(2, 2), P(1.0f, 0.0f));
}

TEST_F(ObjectsFromBlocks, ACubeDroppedOnTheGroundComesToRestOnIt)
{
    scene_.world->BuildGround(40.0f, 20.0f, 0, 0.0f, 0);  // tile tops at y = 0
    scene_.RebuildPhysicsBodies();
    BlockType cube = Cube();
    CNBObject* object = Make(cube, 3.0f, 4.0f, 3.0f);
    ASSERT_TRUE(object && object->PhysicBody && object->PhysicBody->Body);
    EXPECT_EQ(object->StaticFlag, 0);
    EXPECT_EQ(object->ShapeKind, 1);
    EXPECT_EQ(object->Mass, 2.0f);
    for (int frame = 0; frame < 240; ++frame) scene_.StepPhysics();
    EXPECT_NEAR(object->Position.y, 0.5f, 0.05f);
    EXPECT_NEAR(object->Position.x, 3.0f, 1.0f);  // a bounce may carry it a little
    EXPECT_LT(object->LinearVelocity.Length(), 0.1f);
}

TEST_F(ObjectsFromBlocks, ShapeKindsOutsideOneToFiveGetAHolderWithoutABodyAndPhysicsOffAStaticMesh)
{
    for (const int kind : {0, 6, 9}) {
        BlockType shapeless = Cube();
        shapeless.physicsShape = kind;
        CNBObject* object = Make(shapeless, 0, 1, 0);
        ASSERT_TRUE(object && object->PhysicBody) << kind;
        EXPECT_EQ(object->PhysicBody->Body, nullptr) << kind;
    }
    BlockType cube = Cube();
    CNBObject* bodiless = scene_.CreateObjectFromBlockType(&cube, 1, 0, 0, 0, 0, 0, 0, 0);
    ASSERT_NE(bodiless, nullptr);
    EXPECT_EQ(bodiless->PhysicBody, nullptr);

    scene_.Flag(kFlagPhysicsEnable) = 0;
    BlockType ball = Cube();
    ball.physicsShape = 2;
    CNBObject* object = Make(ball, 0, 1, 0);
    ASSERT_TRUE(object && object->PhysicBody && object->PhysicBody->Body);
    EXPECT_EQ(object->ShapeKind, 6);
    EXPECT_EQ(object->StaticFlag, 1);
    EXPECT_TRUE(object->PhysicBody->Body->isStaticObject());
    EXPECT_EQ(object->PhysicBody->World, scene_.physics.dynamicsWorld);
}

TEST_F(ObjectsFromBlocks, ScalingDoublesTheBoxButKeepsTheMassAndRebuildsOnlyMarkedBodies)
{
    BlockType cube = Cube();
    CNBObject* object = Make(cube, 0, 5, 0);
    ASSERT_TRUE(object && object->PhysicBody && object->PhysicBody->Body);
    EXPECT_EQ(object->HasRigidBody, 0);

    // Objects never rescaled keep their bodies through a rebuild.
    const CPhysicBody* before = object->PhysicBody;
    scene_.RebuildPhysicsBodies();
    EXPECT_EQ(object->PhysicBody, before);

    scene_.ScaleObject(object, 2.0f, 1.0f, 1.0f);
    EXPECT_EQ(object->HasRigidBody, 1);
    ASSERT_TRUE(object->PhysicBody && object->PhysicBody->Body);
    const auto* box = static_cast<const btBoxShape*>(object->PhysicBody->Body->getCollisionShape());
    EXPECT_NEAR(box->getHalfExtentsWithMargin().x(), 1.0, 1e-6);
    EXPECT_NEAR(box->getHalfExtentsWithMargin().y(), 0.5, 1e-6);
    EXPECT_EQ(object->Mass, 2.0f);
    EXPECT_NEAR(object->PhysicBody->Body->getInvMass(), 0.5, 1e-9);
    EXPECT_NEAR(object->PhysicBody->Body->getWorldTransform().getOrigin().y(), 5.0, 1e-6);
    EXPECT_EQ(MeshOf(object)->positions[7].x, 1.0f);
    EXPECT_NEAR(object->LocalBoxMax.x, 1.0f, 1e-6f);
    EXPECT_EQ(scene_.physics.dynamicsWorld->getNumCollisionObjects(), 1);
}

TEST_F(ObjectsFromBlocks, AnObjectThatCannotBeBuiltLeavesNothingBehind)
{
    const int objects = CNBObject::Heap().LiveCount();
    BlockType broken = Cube();
    broken.triangles.push_back({0, 1, 8});  // no vertex 8
    EXPECT_EQ(Make(broken, 0, 0, 0), nullptr);
    EXPECT_EQ(scene_.CreateMeshObject(&broken), nullptr);
    EXPECT_EQ(scene_.CreateObjectFromBlockType(nullptr, 1, 1, 0, 0, 0, 0, 0, 0), nullptr);
    EXPECT_TRUE(scene_.world->objects.empty());
    EXPECT_EQ(scene_.physics.dynamicsWorld->getNumCollisionObjects(), 0);
    EXPECT_EQ(CNBObject::Heap().LiveCount(), objects);

    // Without vertices there is nothing to rest: the object stays put.
    BlockType empty;
    empty.Init();
    if (CNBObject* object = scene_.CreateObjectFromBlockType(&empty, 0, 0, 1, 2, 3, 0, 1, 0)) {
        EXPECT_EQ(Translation(object).y, 2.0f);
        CNBObject::Delete(object);
    }
}

TEST_F(ObjectsFromBlocks, BoneWeightsKeepEightPerVertexOfPosedBonesOnly)
{
    BlockType skinned = Cube();
    skinned.animationMode = 2;
    skinned.boneCount = 90;
    skinned.keyframeCount = 1;
    BoneKey key;
    key.matrix.SetIdentity();
    skinned.boneKeys.assign(90, key);
    skinned.frameTimes = {0.0f};
    for (int b = 0; b < 10; ++b) skinned.vertexWeights.push_back({0, b, 0.1f});
    skinned.vertexWeights.push_back({1, 85, 1.0f});  // beyond the 80 posed bones
    skinned.vertexWeights.push_back({1, 3, 0.5f});
    CNBObject* object = Make(skinned, 0, 0, 0);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->AnimationMode, 2);
    EXPECT_EQ(object->KeyRecordCount, 90);
    EXPECT_EQ(object->Pose.size(), 80u);
    const CPolygonsGrid* mesh = MeshOf(object);
    ASSERT_NE(mesh->weights, nullptr);
    EXPECT_EQ(mesh->weights[0].count, 8);
    EXPECT_EQ(mesh->weights[0].bones[7], 7);
    EXPECT_EQ(mesh->weights[1].count, 1);
    EXPECT_EQ(mesh->weights[1].bones[0], 3);
    EXPECT_EQ(mesh->weights[2].count, 0);
}

TEST_F(ObjectsFromBlocks, PreviewAndModelViewObjectsFollowTheCurrentBlockType)
{
    BlockType cube = Cube();
    scene_.options.previewScale = Vector3{3.0f, 3.0f, 3.0f};
    scene_.RebuildCurrentBlockObject();  // no current block type: nothing
    EXPECT_EQ(scene_.world->previewObject, nullptr);

    scene_.world->currentBlockType = &cube;
    scene_.RebuildCurrentBlockObject();
    ASSERT_NE(scene_.world->previewObject, nullptr);
    EXPECT_EQ(scene_.world->previewObject->StaticFlag, 0);
    EXPECT_EQ(MeshOf(scene_.world->previewObject)->positions[7].x, 1.5f);

    scene_.Flag(kFlagModelView) = 1;
    scene_.ApplyModelViewMode();
    EXPECT_FALSE(scene_.FlagOn(kFlagToolBox));
    const CNBObject* shown = scene_.world->modelViewObject;
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(MeshOf(shown)->positions[7].x, 0.5f);  // as defined, whatever the preview scale
    const float r = shown->Radius;
    EXPECT_NEAR(scene_.modelViewCamera.position.y, 0.85f * r, 1e-5f);
    EXPECT_NEAR(scene_.modelViewCamera.position.z, -3.0f * r, 1e-5f);

    // Another tool chosen while the model view shows (a "Tool" key, a quick-bar
    // click): the view shows it, from its own distance.
    BlockType large = Cube();
    for (Vector3& corner : large.vertices) corner = Vector3::Scale(corner, 4.0f);
    scene_.world->currentBlockType = &large;
    scene_.RebuildCurrentBlockObject();
    ASSERT_NE(scene_.world->modelViewObject, nullptr);
    EXPECT_EQ(MeshOf(scene_.world->modelViewObject)->positions[7].x, 2.0f);
    EXPECT_NEAR(scene_.modelViewCamera.position.z, -12.0f * r, 1e-4f);

    // A block type that cannot be built leaves the slots empty.
    BlockType broken = Cube();
    broken.triangles.push_back({0, 1, 9});
    scene_.world->currentBlockType = &broken;
    scene_.RebuildCurrentBlockObject();
    EXPECT_EQ(scene_.world->previewObject, nullptr);
    scene_.ApplyModelViewMode();
    EXPECT_EQ(scene_.world->modelViewObject, nullptr);

    scene_.Flag(kFlagModelView) = 0;
    scene_.ApplyModelViewMode();
    EXPECT_TRUE(scene_.FlagOn(kFlagToolBox));
    scene_.world->currentBlockType = nullptr;
}

TEST_F(ObjectsFromBlocks, AGeneratorPreviewOfTheTypeAtTheScaleBecomesTheObjectTheTypeMakes)
{
    BlockType cube = Cube();
    cube.graphicMaterial = 0x1401;  // glass: marks on the object too
    cube.yaw = 90.0f;
    cube.ambient = Vector4{{0.1f, 0.2f, 0.3f, 1.0f}};
    scene_.options.previewScale = Vector3{2.0f, 1.0f, 1.0f};
    const Vector3 at{3.0f, 1.5f, -4.0f};
    CNBObject* fresh = Make(cube, at.x, at.y, at.z);
    CNBObject* preview = Preview(cube, at);
    ASSERT_TRUE(fresh && preview);
    CNBObject* const shown = preview;
    CNBObject* made = scene_.CreateObjectFromPreview(preview, &cube, at.x, at.y, at.z);
    EXPECT_EQ(made, shown);
    EXPECT_EQ(preview, nullptr) << "taken from the caller";
    ASSERT_EQ(scene_.world->objects.size(), 2u);
    EXPECT_EQ(scene_.world->objects[1], made);

    // What the world file keeps of it, what it is drawn with, and its body
    // are what the type makes.
    EXPECT_EQ(SavedAlone(made), SavedAlone(fresh));
    EXPECT_EQ(made->Flags, fresh->Flags);
    EXPECT_EQ(made->RenderFlags, fresh->RenderFlags);
    EXPECT_EQ(made->CenterCopy.x, fresh->CenterCopy.x);
    EXPECT_EQ(made->RadiusCopy, fresh->RadiusCopy);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(made->WorldMatrix.m[i], fresh->WorldMatrix.m[i]) << i;
    const btRigidBody* body = made->PhysicBody->Body;
    const btRigidBody* freshBody = fresh->PhysicBody->Body;
    ASSERT_TRUE(body && freshBody);
    EXPECT_EQ(made->PhysicBody->World, scene_.physics.dynamicsWorld);
    EXPECT_EQ(body->getCollisionShape(), freshBody->getCollisionShape());
    EXPECT_EQ(body->getInvMass(), freshBody->getInvMass());
    EXPECT_EQ(body->getWorldTransform().getOrigin(), freshBody->getWorldTransform().getOrigin());
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(body->getWorldTransform().getBasis()[r], freshBody->getWorldTransform().getBasis()[r]) << r;
        EXPECT_EQ(body->getInterpolationWorldTransform().getBasis()[r],
                  freshBody->getInterpolationWorldTransform().getBasis()[r])
            << r;
    }

    // A preview of another type, of an animated type or made at another
    // scale stays the caller's; the object is made anew.
    BlockType other = Cube();
    other.name = u"Other";
    BlockType animated = Cube();
    animated.animationMode = 1;
    CNBObject* ofOther = Preview(other, at);
    CNBObject* ofAnimated = Preview(animated, at);
    CNBObject* rescaled = Preview(cube, at);
    scene_.options.previewScale = Vector3{1.0f, 1.0f, 1.0f};
    for (auto [kept, type] : {std::pair{ofOther, &cube}, std::pair{ofAnimated, &animated}, std::pair{rescaled, &cube}}) {
        ASSERT_NE(kept, nullptr);
        CNBObject* held = kept;
        made = scene_.CreateObjectFromPreview(held, type, at.x, at.y, at.z);
        EXPECT_EQ(held, kept);
        ASSERT_NE(made, nullptr);
        EXPECT_NE(made, kept);
        EXPECT_EQ(made->TypeName, type->name);
        EXPECT_EQ(MeshOf(made)->positions[7].x, 0.5f);
        CNBObject::Delete(kept);
    }
    EXPECT_EQ(scene_.world->objects.size(), 5u);
}

TEST_F(ObjectsFromBlocks, GlassObjectsJoinTheFramesTransparentList)
{
    BlockType glass = Cube();
    glass.graphicMaterial = 0x1401;
    CNBObject* pane = Make(glass, 0, 5, 10);
    ASSERT_NE(pane, nullptr);
    EXPECT_NE(pane->Flags & 0x2000, 0);

    scene_.world->AssignSectors();
    for (Sector* sector : scene_.world->sectors) sector->visible = 1;
    CCamera camera;
    camera.viewportWidth = 64;
    camera.viewportHeight = 64;
    scene_.world->ProjectLabels(camera);
    ASSERT_EQ(scene_.world->labels.size(), 1u);
    EXPECT_EQ(scene_.world->labels[0].object, pane);
}
