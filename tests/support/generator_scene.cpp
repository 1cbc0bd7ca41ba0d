#include "support/generator_scene.h"

#include <string>

#include "graphics/texture.h"
#include "world/block_type.h"
#include "world/object.h"
#include "world/object_part.h"
#include "world/polygons_grid.h"
#include "world/world.h"

GeneratorScene::GeneratorScene()
{
    world = scene.world = new CWorld;
    world->RecreateSectors(1);
    scene.InitPhysicsWorld();
    for (int i = 0; i < 4; ++i) scene.timing.PushFpsSample(60.0f);
}

GeneratorScene::~GeneratorScene() = default;  // the scene deletes the world

BlockType* GeneratorScene::AddBlockType(const char16_t* name, const Vector3& size)
{
    auto* type = new BlockType;
    type->Init();
    type->name = name;
    type->textureName = u"boxred.jpg";
    for (int i = 0; i < 8; ++i) {
        type->vertices.push_back(Vector3{(i & 1 ? 0.5f : -0.5f) * size.x, (i & 2 ? 0.5f : -0.5f) * size.y,
                                         (i & 4 ? 0.5f : -0.5f) * size.z});
        type->normals.push_back(Vector3{0.0f, 1.0f, 0.0f});
    }
    type->triangles = {{0, 3, 1}, {0, 2, 3}, {4, 7, 6}, {4, 5, 7}, {0, 5, 4}, {0, 1, 5},
                       {2, 7, 3}, {2, 6, 7}, {0, 6, 2}, {0, 4, 6}, {1, 7, 5}, {1, 3, 7}};
    type->physicsShape = 1;
    type->shapeParams[0] = size.x / 2.0f;
    type->shapeParams[1] = size.y / 2.0f;
    type->shapeParams[2] = size.z / 2.0f;
    type->ComputeBounds();
    world->blockTypes.push_back(type);
    return type;
}

BlockType* GeneratorScene::UseBlockType(const char16_t* name, const Vector3& size)
{
    BlockType* type = AddBlockType(name, size);
    world->currentBlockType = type;
    return type;
}

CNBObject* GeneratorScene::AddGround(float side, float top, float centreX, float centreZ)
{
    CNBObject* ground =
        world->CreateBoxObject(side, 1.0f, Vector3{centreX, top - 0.5f, centreZ}, side, u"ground.dds", 1, 1, 1, 1, 1);
    if (!ground) return nullptr;
    ground->Kind = 1;
    world->PutObjectInSector(ground);
    return ground;
}

void GeneratorScene::AddRainbowTextures()
{
    for (char16_t n = u'1'; n <= u'8'; ++n) {
        auto* texture = new CTexture;
        texture->SetName(std::u16string(u"rainbow_") + n + u".dds");
        world->textures.push_back(texture);
    }
}

std::u16string TextureNameOf(const CNBObject* object)
{
    const ObjectPart* part = object ? object->GetPart(0) : nullptr;
    return part && part->mainMesh ? part->mainMesh->textureNames[0].name : std::u16string();
}
