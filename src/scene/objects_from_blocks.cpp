// Objects from block types: the one place where a BlockType becomes a
// CNBObject (a one-part mesh with material, animation and, when asked, a
// physics body), the lighter mesh-only objects of the previews, the world's
// placement preview and model-view objects, and the rebuilding of bodies and
// rescaling of objects.
//
// Index: helpers (rotation, mesh, animation, bodies) - CreateObjectFromBlockType,
// CreateObjectFromPreview - CreateMeshObject - RebuildCurrentBlockObject - ApplyModelViewMode -
// RebuildPhysicsBodies / RebuildPhysicsBody - OpenBulkBodies / CloseBulkBodies
// - ScaleObject
#include <btBulletDynamicsCommon.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/box_transform.h"
#include "core/name_key.h"
#include "input/input.h"
#include "scene/scene.h"
#include "shell/game.h"
#include "world/block_type.h"
#include "world/object.h"
#include "world/object_part.h"
#include "world/physic_body.h"
#include "world/polygons_grid.h"
#include "world/world.h"

namespace {

// ---------------------------------------------------------------------------
// Helpers
// ---------------------------------------------------------------------------
constexpr int32_t kGlassVertexFormat = 0x1401;
constexpr int32_t kPhongShading = 1;
constexpr uint8_t kSmoothFace = 3;  // corners keep their vertex normals
constexpr uint8_t kFlatFace = 1;    // every corner gets the face normal
constexpr int kMostWeightsPerVertex = 8;
constexpr float kDirectionGuard = 1e-8f;

enum BodyKind : int { kBoxBody = 1, kSphereBody, kConeBody, kCylinderBody, kMeshBody, kStaticMeshBody };

// How the block type's positions go into a mesh.
enum class Positions {
    kScaled,    // raw positions as defined, current ones times the scale
    kUnscaled,  // the model view: current positions as defined, no raw ones
};

float Dot(const Vector3& a, const Vector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

Vector3 TimesComponents(const Vector3& v, const Vector3& s) { return Vector3{v.x * s.x, v.y * s.y, v.z * s.z}; }

// The texture coordinates a corner gets once the block type's list is used
// up: by the parity of the face.
constexpr TexCoord kEvenFaceCoords[3] = {{0.0f, 1.0f}, {1.0f, 1.0f}, {1.0f, 0.0f}};
constexpr TexCoord kOddFaceCoords[3] = {{0.0f, 1.0f}, {1.0f, 0.0f}, {0.0f, 0.0f}};

// Gives the object one part with a mesh of the block type: positions,
// normals, triangles, texture name, base positions and one face per
// triangle. False when the part or mesh cannot be had or the block type
// names a vertex it does not have.
bool BuildBlockMesh(CNBObject& object, const BlockType& type, const Vector3& scale, Positions mode)
{
    const size_t vertexCount = type.vertices.size();
    const size_t triangleCount = type.triangles.size();
    if (vertexCount > std::numeric_limits<uint16_t>::max() || triangleCount > std::numeric_limits<uint16_t>::max())
        return false;
    for (const auto& triangle : type.triangles)
        for (const int32_t index : triangle)
            if (index < 0 || static_cast<size_t>(index) >= vertexCount) return false;

    ObjectPart* part = object.AllocateParts(1) ? object.GetPart(0) : nullptr;
    if (!part || !part->CreateGrid(static_cast<int>(vertexCount), static_cast<int>(triangleCount), 0)) return false;
    CPolygonsGrid* mesh = part->mainMesh;
    if (!mesh) return false;

    for (size_t i = 0; i < vertexCount; ++i) {
        const Vector3& position = type.vertices[i];
        if (mode == Positions::kScaled) {
            mesh->unscaledPositions[i] = position;
            mesh->positions[i] = TimesComponents(position, scale);
        } else {
            mesh->positions[i] = position;
        }
    }
    const size_t normals = std::min(type.normals.size(), vertexCount);
    for (size_t i = 0; i < normals; ++i) mesh->normals[i] = type.normals[i];
    for (size_t k = 0; k < triangleCount; ++k)
        for (int j = 0; j < 3; ++j) mesh->cornerIndices[3 * k + j] = static_cast<uint16_t>(type.triangles[k][j]);
    TextureNameSlot& texture = mesh->textureNames[0];
    texture.name = type.textureName;
    texture.hash = NameHash(texture.name);
    mesh->SaveBasePositions();

    for (size_t k = 0; k < triangleCount; ++k) mesh->faces[k].corners = 3;
    if (!mesh->AllocateTexCoords(1)) return false;
    size_t nextCoord = 0;
    for (size_t k = 0; k < triangleCount; ++k) {
        PolygonFace& face = mesh->faces[k];
        face.firstIndex = static_cast<uint32_t>(3 * k);
        face.VertexFormat = type.graphicMaterial;
        if (type.graphicMaterial == kGlassVertexFormat) {
            // Transparent objects are drawn only from the frame's label list,
            // and only objects whose label byte is set join it.
            object.Flags |= kTransparentObjectFlag;
            object.RenderBytes[1] = 1;
        }
        face.cornerIndices = mesh->cornerIndices + 3 * k;
        face.ShadingMode = type.shading == kPhongShading ? kSmoothFace : kFlatFace;
        face.ComputeNormal(mesh->positions);
        const TexCoord* defaults = k % 2 == 0 ? kEvenFaceCoords : kOddFaceCoords;
        for (int c = 0; c < 3; ++c) {
            if (nextCoord < type.texCoords.size()) {
                const BlockTexCoord& coord = type.texCoords[nextCoord++];
                face.texCoords[c] = TexCoord{coord.u, coord.v};
            } else {
                face.texCoords[c] = defaults[c];
            }
        }
        face.flatNormal = face.faceNormal;
    }
    return true;
}

// Shifts the object along `direction` until its rearmost vertex (seen along
// that direction) touches the plane through its placement point normal to
// the direction. Normalize leaves a near-zero direction unscaled; a mesh
// with no vertices is not moved.
void RestOnSurface(CNBObject& object, const CPolygonsGrid& mesh, Vector3 direction)
{
    if (mesh.vertexCount == 0 || !mesh.positions) return;
    direction.Normalize();
    const Vector3 placement = object.WorldMatrix.GetTranslation();
    const float planeDistance = Dot(placement, direction);
    float nearest = std::numeric_limits<float>::max();
    for (int i = 0; i < mesh.vertexCount; ++i)
        nearest = std::min(nearest, Dot(TransformPoint(object.WorldMatrix, mesh.positions[i]), direction) - planeDistance);
    if (!std::isfinite(nearest)) return;
    const Vector3 rested = Vector3::Add(placement, Vector3::Scale(direction, -nearest));
    object.WorldMatrix.m[12] = rested.x;
    object.WorldMatrix.m[13] = rested.y;
    object.WorldMatrix.m[14] = rested.z;
}

// Key or skeletal animation of the block type. A vertex keeps at most eight
// weights, and only of bones the object poses.
void CopyAnimation(CNBObject& object, CPolygonsGrid& mesh, const BlockType& type)
{
    if (type.animationMode == 1) {
        object.KeyRecordCount = std::max(type.keyframeCount, 0);
        object.KeyCount = type.keyframeCount;
        object.BoneCount = 1;
        object.AnimationMode = 1;
        object.BoneKeys = type.boneKeys;
        object.KeyTimes = type.frameTimes;
        return;
    }
    if (type.animationMode != 2) return;

    const int64_t records = int64_t{type.boneCount} * type.keyframeCount;
    object.KeyRecordCount = static_cast<int32_t>(std::clamp<int64_t>(records, 0, std::numeric_limits<int32_t>::max()));
    const int posedBones = std::clamp(type.boneCount, 0, CNBObject::kPoseBones);
    BoneBind identity;
    identity.matrix.SetIdentity();
    object.Pose.assign(static_cast<size_t>(posedBones), identity);
    object.KeyCount = type.keyframeCount;
    object.BoneCount = type.boneCount;
    object.AnimationMode = 2;
    object.BoneKeys = type.boneKeys;
    object.BoneWeights.clear();
    for (const VertexWeightEntry& entry : type.vertexWeights)
        object.BoneWeights.push_back(BoneWeightRecord{entry.vertexIndex, entry.boneIndex, entry.weight});
    object.KeyTimes = type.frameTimes;

    mesh.CreateVertexWeight(mesh.vertexCount);
    if (mesh.weights) {
        for (const VertexWeightEntry& entry : type.vertexWeights) {
            if (entry.vertexIndex < 0 || entry.vertexIndex >= mesh.vertexCount) continue;
            if (entry.boneIndex < 0 || entry.boneIndex >= posedBones) continue;
            VertexWeight& weight = mesh.weights[entry.vertexIndex];
            if (weight.count >= kMostWeightsPerVertex) continue;
            weight.bones[weight.count] = entry.boneIndex;
            weight.weights[weight.count] = entry.weight;
            ++weight.count;
        }
    }
    object.InitBones();
}

// The world a new body enters at once: none while bodies wait for a bulk
// entry (then the holder is marked to take part in it).
btDiscreteDynamicsWorld* WorldForNewBody(const CScene& scene, bool mayWait)
{
    return mayWait && scene.bulkBodiesOpen ? nullptr : scene.physics.dynamicsWorld;
}

void MarkWaitingBody(const CScene& scene, CNBObject& object, bool mayWait)
{
    CPhysicBody* holder = object.PhysicBody;
    if (holder && holder->Body && !holder->World && mayWait && scene.bulkBodiesOpen && scene.physics.dynamicsWorld)
        holder->AwaitsWorld = true;
}

// The body of a shape kind 1 to 5 at `position`, its sizes the first three
// physics values times the scale. Other kinds make none.
void MakeShapedBody(CScene& scene, btDiscreteDynamicsWorld* world, CNBObject& object, int kind,
                    const float (&sizes)[3], const Vector3& scale, float mass, const Vector3& position)
{
    CPhysicBody* holder = object.PhysicBody;
    CollisionShapeArray* shapes = scene.physics.collisionShapes;
    switch (kind) {
    case kBoxBody:
        holder->CreateBoxBody(&object, world, shapes, position, sizes[0] * scale.x, sizes[1] * scale.y,
                              sizes[2] * scale.z, mass);
        break;
    case kSphereBody: holder->CreateSphereBody(&object, world, shapes, position, sizes[0] * scale.x, mass); break;
    case kConeBody:
        holder->CreateConeBody(&object, world, shapes, position, sizes[0] * scale.x, sizes[1] * scale.y, mass);
        break;
    case kCylinderBody:
        holder->CreateCylinderBody(&object, world, shapes, position, sizes[0] * scale.x, sizes[1] * scale.y, mass);
        break;
    case kMeshBody: holder->CreateGImpactMeshBody(&object, world, shapes, &object, position, mass); break;
    default: break;
    }
}

// The mass a new body gets: the block type's mass times the scale factors
// its shape grows with.
float ScaledMass(int kind, float mass, const Vector3& scale)
{
    switch (kind) {
    case kBoxBody:
    case kMeshBody: return mass * scale.x * scale.y * scale.z;
    case kSphereBody: return mass * scale.x;
    case kConeBody:
    case kCylinderBody: return mass * scale.x * scale.y;
    default: return mass;
    }
}

// Our rows are Bullet's basis columns.
btMatrix3x3 BasisOf(const Matrix4& matrix)
{
    const float* m = matrix.m;
    return btMatrix3x3(m[0], m[4], m[8], m[1], m[5], m[9], m[2], m[6], m[10]);
}

void PlaceBody(btRigidBody& body, const btTransform& transform)
{
    body.setWorldTransform(transform);
    body.setInterpolationWorldTransform(transform);
}

// The translation back from the body's origin.
void TakeTranslation(CNBObject& object, const btRigidBody& body)
{
    const btVector3& origin = body.getWorldTransform().getOrigin();
    object.WorldMatrix.m[12] = static_cast<float>(origin.x());
    object.WorldMatrix.m[13] = static_cast<float>(origin.y());
    object.WorldMatrix.m[14] = static_cast<float>(origin.z());
}

void UpdateBodyBounds(CScene& scene, CNBObject& object)
{
    btRigidBody* body = object.PhysicBody ? object.PhysicBody->Body : nullptr;
    if (!body) return;
    if (scene.physics.dynamicsWorld && object.PhysicBody->World == scene.physics.dynamicsWorld)
        scene.physics.dynamicsWorld->updateSingleAabb(body);
    object.UpdatePosition();
}

// A mesh-only object of kind 2 (not static): mesh, render sets, bounds and
// texture links. Null when it cannot be built whole.
CNBObject* NewMeshObject(CScene& scene, const BlockType& type, Positions mode)
{
    CNBObject* object = new CNBObject;
    if (!object) return nullptr;
    object->TypeName = type.name;
    object->Kind = 2;
    object->StaticFlag = 0;
    if (!BuildBlockMesh(*object, type, scene.options.previewScale, mode)) {
        CNBObject::Delete(object);
        return nullptr;
    }
    object->Driver = scene.driver;
    object->PrepareRenderSets(Vector3{});
    object->ComputeBounds();
    return object;
}

}  // namespace

void RotateByBlockAngles(Matrix4& matrix, const BlockType& type)
{
    if (std::fabs(type.pitch) > 0.0f) {
        Vector3 axis{1.0f, 0.0f, 0.0f};
        matrix.Rotate(axis, type.pitch);
    }
    if (std::fabs(type.roll) > 0.0f) {
        Vector3 axis{0.0f, 0.0f, 1.0f};
        matrix.Rotate(axis, type.roll);
    }
    if (std::fabs(type.yaw) > 0.0f) {
        Vector3 axis{0.0f, 1.0f, 0.0f};
        matrix.Rotate(axis, type.yaw);
    }
}

// ---------------------------------------------------------------------------
// CreateObjectFromBlockType, CreateObjectFromPreview
// ---------------------------------------------------------------------------
namespace {

// Whether a generator preview holds the mesh and render sets that
// CreateObjectFromBlockType would build for the type now. Previews are made
// by CreateMeshObject (the block type's mesh at the preview scale, render
// sets of the scene's driver), so one made of this type - named as it, with
// its vertices at the current scale - holds them, unless the type is
// animated (its mesh and render sets then change with the animation).
bool HoldsBlockMesh(const CScene& scene, const CNBObject& preview, const BlockType& type)
{
    if (type.animationMode != 0 || preview.TypeName != type.name || preview.Driver != scene.driver ||
        preview.PartCount != 1 || !preview.Parts || preview.PhysicBody)
        return false;
    const ObjectPart& part = preview.Parts[0];
    const CPolygonsGrid* mesh = part.mainMesh;
    if (!mesh || part.furtherMeshes[0] || part.furtherMeshes[1] || part.furtherMeshes[2] || !mesh->positions ||
        !mesh->unscaledPositions || static_cast<size_t>(mesh->vertexCount) != type.vertices.size())
        return false;
    for (size_t i = 0; i < type.vertices.size(); ++i) {
        const Vector3 scaled = TimesComponents(type.vertices[i], scene.options.previewScale);
        if (std::memcmp(&mesh->unscaledPositions[i], &type.vertices[i], sizeof(Vector3)) != 0 ||
            std::memcmp(&mesh->positions[i], &scaled, sizeof(Vector3)) != 0)
            return false;
    }
    return true;
}

// Makes `object`, which holds the block type's mesh (and its render sets
// when `renderSetsMade`), the object CreateObjectFromBlockType makes; frees
// it on failure.
CNBObject* FinishBlockObject(CScene& scene, CNBObject* object, BlockType& type, bool renderSetsMade, int addToList,
                             int makeBody, float x, float y, float z, float nx, float ny, float nz)
{
    const ScenePhysics& physics = scene.physics;
    const SceneOptions& options = scene.options;
    object->TypeName = type.name;
    object->Kind = 2;
    object->StaticFlag = options.physicsActive ? 0 : 1;

    CPolygonsGrid& mesh = *object->Parts[0].mainMesh;
    const Vector3 scale = options.previewScale;
    object->Scale = scale;
    object->WorldMatrix.SetIdentity();
    RotateByBlockAngles(object->WorldMatrix, type);
    object->WorldMatrix.m[12] = x;
    object->WorldMatrix.m[13] = y;
    object->WorldMatrix.m[14] = z;
    RestOnSurface(*object, mesh, Vector3{nx, ny, nz});
    object->UpdatePosition();

    CopyAnimation(*object, mesh, type);

    object->Driver = scene.driver;
    if (!renderSetsMade) object->PrepareRenderSets(Vector3{});
    object->ComputeBounds();
    object->Ambient = type.ambient;
    object->Diffuse = type.diffuse;
    object->Specular = type.specular;
    object->Power = type.materialPower;

    if (makeBody) {
        // Only a listed object can wait for a bulk entry: the entry finds
        // the waiting bodies through the world's list.
        const bool mayWait = addToList != 0;
        btDiscreteDynamicsWorld* bodyWorld = WorldForNewBody(scene, mayWait);
        object->InitODEPhysic();
        if (object->PhysicBody && options.physicsActive) {
            const int kind = type.physicsShape;
            const float sizes[3] = {type.shapeParams[0], type.shapeParams[1], type.shapeParams[2]};
            const float mass = ScaledMass(kind, type.mass, scale);
            MakeShapedBody(scene, bodyWorld, *object, kind, sizes, scale, mass, object->WorldMatrix.GetTranslation());
            object->ShapeKind = kind;
            std::copy(sizes, sizes + 3, object->ShapeSize);
            std::copy(type.shapeParams + 3, type.shapeParams + 8, object->PhysicsValues);
            object->Mass = mass;
            if (btRigidBody* body = object->PhysicBody->Body) {
                // The body's own rotation, then the block type's angles.
                btTransform transform = body->getWorldTransform();
                Matrix4 rotation;
                rotation.SetIdentity();
                const btMatrix3x3& basis = transform.getBasis();
                for (int r = 0; r < 3; ++r)
                    for (int c = 0; c < 3; ++c) rotation.m[r * 4 + c] = static_cast<float>(basis[c][r]);
                RotateByBlockAngles(rotation, type);
                transform.setBasis(BasisOf(rotation));
                PlaceBody(*body, transform);
                if (body->getMotionState()) TakeTranslation(*object, *body);
            }
        } else if (object->PhysicBody) {
            // Not simulated: a static triangle-mesh body whatever the shape.
            object->PhysicBody->CreateBvhMeshBody(object, bodyWorld, physics.collisionShapes, object);
            object->ShapeKind = kStaticMeshBody;
        }
        MarkWaitingBody(scene, *object, mayWait);
        UpdateBodyBounds(scene, *object);
    }

    scene.world->LinkObjectTextures(object);
    if (addToList) {
        try {
            scene.world->objects.push_back(object);
        } catch (const std::bad_alloc&) {
            CNBObject::Delete(object);
            return nullptr;
        }
    }
    return object;
}

}  // namespace

CNBObject* CScene::CreateObjectFromBlockType(BlockType* type, int addToList, int makeBody, float x, float y, float z,
                                             float nx, float ny, float nz)
{
    if (!type || !world) return nullptr;
    CNBObject* object = new CNBObject;
    if (!object) return nullptr;
    // Nothing of a half-built object reaches the world: every failure frees it.
    if (!BuildBlockMesh(*object, *type, options.previewScale, Positions::kScaled)) {
        CNBObject::Delete(object);
        return nullptr;
    }
    return FinishBlockObject(*this, object, *type, false, addToList, makeBody, x, y, z, nx, ny, nz);
}

CNBObject* CScene::CreateObjectFromPreview(CNBObject*& preview, BlockType* type, float x, float y, float z)
{
    if (!type || !world || !preview || !HoldsBlockMesh(*this, *preview, *type))
        return CreateObjectFromBlockType(type, 1, 1, x, y, z, 0.0f, 0.0f, 0.0f);
    CNBObject* object = preview;
    preview = nullptr;
    return FinishBlockObject(*this, object, *type, true, 1, 1, x, y, z, 0.0f, 0.0f, 0.0f);
}

// ---------------------------------------------------------------------------
// TakeBlockTypeLooks
// ---------------------------------------------------------------------------
void CScene::TakeBlockTypeLooks()
{
    if (!world) return;
    // Many objects share a few types: each name is looked up once.
    std::unordered_map<std::u16string, const BlockType*> types;
    for (CNBObject* object : world->objects) {
        if (!object || object->Kind != 2 || !object->Parts || !object->Parts[0].mainMesh) continue;
        const auto found = types.try_emplace(object->TypeName, nullptr);
        if (found.second) found.first->second = world->FindBlockType(object->TypeName.c_str());
        const BlockType* type = found.first->second;
        if (!type) continue;
        object->Power = type->materialPower;
        if (type->graphicMaterial == kGlassVertexFormat) object->Flags |= kTransparentObjectFlag;
        if (object->AnimationMode == 0 && (type->animationMode == 1 || type->animationMode == 2)) {
            CopyAnimation(*object, *object->Parts[0].mainMesh, *type);
            // The skinned passes draw from render sets that carry the weights.
            object->ReleaseGpuRenderSets();
            object->PrepareRenderSets(Vector3{});
        }
    }
}

// ---------------------------------------------------------------------------
// CreateMeshObject
// ---------------------------------------------------------------------------
CNBObject* CScene::CreateMeshObject(BlockType* type)
{
    if (!type) return nullptr;
    CNBObject* object = NewMeshObject(*this, *type, Positions::kScaled);
    if (object && world) world->LinkObjectTextures(object);
    return object;
}

// ---------------------------------------------------------------------------
// RebuildCurrentBlockObject
// ---------------------------------------------------------------------------
void CScene::RebuildCurrentBlockObject()
{
    if (!world || !world->currentBlockType) return;
    CNBObject::Delete(world->previewObject);
    // The normals go with it too: smooth faces are lit by them.
    world->previewObject = NewMeshObject(*this, *world->currentBlockType, Positions::kScaled);
    world->LinkObjectTextures(world->previewObject);
    // The model view shows the tool in hand, whichever way it was chosen.
    if (FlagOn(kFlagModelView)) BuildModelViewObject();
}

// ---------------------------------------------------------------------------
// ApplyModelViewMode
// ---------------------------------------------------------------------------
void CScene::ApplyModelViewMode()
{
    CInput* input = game ? game->input : nullptr;
    if (!FlagOn(kFlagModelView) || !world || !world->currentBlockType) {
        flags[kFlagToolBox] = 1;
        if (input && !input->mouseExclusive) input->SetMouseExclusive(1);
        if (world) {
            CNBObject::Delete(world->modelViewObject);
            world->modelViewObject = nullptr;
        }
        return;
    }
    flags[kFlagToolBox] = 0;
    if (input && input->mouseExclusive) input->SetMouseExclusive(0);
    BuildModelViewObject();
}

void CScene::BuildModelViewObject()
{
    CNBObject::Delete(world->modelViewObject);
    world->modelViewObject = NewMeshObject(*this, *world->currentBlockType, Positions::kUnscaled);
    CNBObject* object = world->modelViewObject;
    if (!object) return;
    object->Power = world->currentBlockType->materialPower;  // shines as the block type's objects do
    world->LinkTextures();
    world->LinkObjectTextures(object);
    const float r = object->Radius;
    modelViewCamera.position = Vector3{0.0f, 0.85f * r, -3.0f * r};
}

// ---------------------------------------------------------------------------
// RebuildPhysicsBodies / RebuildPhysicsBody
// ---------------------------------------------------------------------------
void CScene::RebuildPhysicsBodies()
{
    if (!world) return;
    // In bulk when no body to be rebuilt is in the world yet (a world just
    // read): otherwise the old bodies leave as the new ones come, one by one,
    // and the world's order of bodies stays what that gives.
    bool fresh = true;
    for (const CNBObject* object : world->objects)
        if (object && object->HasRigidBody && object->PhysicBody && object->PhysicBody->World) fresh = false;
    const bool bulk = fresh && OpenBulkBodies();
    for (CNBObject* object : world->objects)
        if (object && object->HasRigidBody) RebuildPhysicsBody(object);
    if (bulk) CloseBulkBodies(0);
}

void CScene::RebuildPhysicsBody(CNBObject* object)
{
    if (!object || !object->HasRigidBody) return;
    object->InitODEPhysic();
    if (!object->PhysicBody) return;
    btDiscreteDynamicsWorld* bodyWorld = WorldForNewBody(*this, true);
    if (object->ShapeKind == kStaticMeshBody) {
        object->PhysicBody->CreateBvhMeshBody(object, bodyWorld, physics.collisionShapes, object);
    } else {
        // The stored mass stays what it is: it already carries the scale the
        // object was made with.
        MakeShapedBody(*this, bodyWorld, *object, object->ShapeKind, object->ShapeSize, object->Scale, object->Mass,
                       object->WorldMatrix.GetTranslation());
    }
    MarkWaitingBody(*this, *object, true);
    btRigidBody* body = object->PhysicBody->Body;
    if (body && body->getMotionState()) {
        PlaceBody(*body, btTransform(BasisOf(object->WorldMatrix),
                                     btVector3(object->WorldMatrix.m[12], object->WorldMatrix.m[13],
                                               object->WorldMatrix.m[14])));
        TakeTranslation(*object, *body);
    }
    UpdateBodyBounds(*this, *object);
}

// ---------------------------------------------------------------------------
// OpenBulkBodies / CloseBulkBodies
// ---------------------------------------------------------------------------
bool CScene::OpenBulkBodies()
{
    if (bulkBodiesOpen) return false;
    bulkBodiesOpen = true;
    return true;
}

void CScene::CloseBulkBodies(size_t firstObject)
{
    bulkBodiesOpen = false;
    if (!world) return;
    std::vector<CPhysicBody*> waiting;
    try {
        for (size_t i = firstObject; i < world->objects.size(); ++i) {
            CNBObject* object = world->objects[i];
            if (object && object->PhysicBody && object->PhysicBody->AwaitsWorld) waiting.push_back(object->PhysicBody);
        }
    } catch (const std::bad_alloc&) {
        // No room for the list: each waiting body enters on its own.
        for (size_t i = firstObject; i < world->objects.size(); ++i) {
            CNBObject* object = world->objects[i];
            if (object && object->PhysicBody && object->PhysicBody->AwaitsWorld)
                CPhysicBody::EnterWorldInBulk(&object->PhysicBody, 1, physics.dynamicsWorld, nullptr);
        }
        return;
    }
    CPhysicBody::EnterWorldInBulk(waiting.data(), waiting.size(), physics.dynamicsWorld, physics.broadphase);
}

// ---------------------------------------------------------------------------
// ScaleObject
// ---------------------------------------------------------------------------
void CScene::ScaleObject(CNBObject* object, float sx, float sy, float sz)
{
    if (!object) return;
    const Vector3 scale{sx, sy, sz};
    for (int p = 0; object->Parts && p < object->PartCount; ++p) {
        CPolygonsGrid* mesh = object->Parts[p].mainMesh;
        if (!mesh || !mesh->positions || !mesh->unscaledPositions) continue;
        for (int i = 0; i < mesh->vertexCount; ++i)
            mesh->positions[i] = TimesComponents(mesh->unscaledPositions[i], scale);
        mesh->SaveBasePositions();
    }
    object->Scale = scale;
    object->ComputeBounds();
    object->PrepareRenderSets(Vector3{});
    delete object->PhysicBody;
    object->PhysicBody = nullptr;
    object->HasRigidBody = 1;
    RebuildPhysicsBody(object);
}
