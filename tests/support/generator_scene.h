// A headless scene for the object generators: a world of one sector with a
// Bullet world, block types of box shape in its library, a flat ground box,
// and the "rainbow_N.dds" textures the colour runs look for (names only, no
// pixels). The start directory is a temporary folder.
#pragma once

#include <memory>

#include "core/vector3.h"
#include "scene/scene.h"
#include "support/temp_directory.h"

struct BlockType;
class CNBObject;

class GeneratorScene {
public:
    GeneratorScene();
    ~GeneratorScene();

    // A box-shaped block type of the given size centred on its origin, with
    // a box body, appended to the world's library.
    BlockType* AddBlockType(const char16_t* name, const Vector3& size = Vector3{1.0f, 1.0f, 1.0f});
    // AddBlockType, made the current block type.
    BlockType* UseBlockType(const char16_t* name, const Vector3& size = Vector3{1.0f, 1.0f, 1.0f});
    // A ground box (kind 1) of side `side`, its top face at `top`, centred on
    // (centreX, centreZ), sorted into its sector.
    CNBObject* AddGround(float side, float top = 0.0f, float centreX = 0.0f, float centreZ = 0.0f);
    // "rainbow_1.dds" to "rainbow_8.dds".
    void AddRainbowTextures();

    TempDirectory folder;
    ScopedStartDirectory start{folder.Path()};
    CScene scene;
    CWorld* world = nullptr;
};

// The texture name of part 0's main mesh ("" when there is none).
std::u16string TextureNameOf(const CNBObject* object);
