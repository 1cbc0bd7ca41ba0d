#include "world/block_type.h"

#include <algorithm>
#include <bit>

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
