#include "world/block_type.h"

#include <algorithm>
#include <bit>
#include <utility>

#include "graphics/driver.h"
#include "graphics/texture.h"

// ---------------------------------------------------------------------------
// BlockPreview
// ---------------------------------------------------------------------------

BlockPreview::BlockPreview(BlockPreview&& other) noexcept
    : driver(std::exchange(other.driver, nullptr)),
      object(std::exchange(other.object, nullptr)),
      picture(std::exchange(other.picture, nullptr)),
      depth(std::exchange(other.depth, nullptr)),
      angle(other.angle)
{
}

BlockPreview& BlockPreview::operator=(BlockPreview&& other) noexcept
{
    if (this == &other) return *this;
    Release();
    driver = std::exchange(other.driver, nullptr);
    object = std::exchange(other.object, nullptr);
    picture = std::exchange(other.picture, nullptr);
    depth = std::exchange(other.depth, nullptr);
    angle = other.angle;
    return *this;
}

void BlockPreview::Release()
{
    // The object's render sets go through its own driver link.
    CNBObject::Delete(object);
    object = nullptr;
    ReleaseTargets();
}

void BlockPreview::ReleaseTargets()
{
    for (CTexture** target : {&picture, &depth}) {
        if (!*target) continue;
        if (driver) driver->ReleaseTexture(*target);
        CTexture::Delete(*target);
        *target = nullptr;
    }
}

// ---------------------------------------------------------------------------
// BlockType
// ---------------------------------------------------------------------------

void BlockType::Init() { *this = BlockType{}; }

void BlockType::ComputeBounds()
{
    // About half the largest float, not the largest: the block library's own
    // start value.
    const float start = std::bit_cast<float>(uint32_t{0x7EFFFFFF});
    boundsMax = Vector3{-start, -start, -start};
    boundsMin = Vector3{start, start, start};
    for (const Vector3& v : vertices) {
        boundsMax = Vector3{std::max(boundsMax.x, v.x), std::max(boundsMax.y, v.y), std::max(boundsMax.z, v.z)};
        boundsMin = Vector3{std::min(boundsMin.x, v.x), std::min(boundsMin.y, v.y), std::min(boundsMin.z, v.z)};
    }
}
