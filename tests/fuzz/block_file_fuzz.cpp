// The ".bk" block reader against arbitrary text. Besides not crashing, an
// accepted block type must hold what the mesh and animation code index
// without further checks.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "world/block_library.h"

namespace {

void Require(bool condition)
{
    if (!condition) std::abort();
}

bool Finite(const Vector3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    BlockType type;
    type.Init();
    BlockFileReport report;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (!ParseBlockText(text, type, report)) {
        Require(!report.failure.empty());
        return 0;
    }
    const int64_t vertexCount = static_cast<int64_t>(type.vertices.size());
    Require(type.vertices.size() <= kMaxBlockVertices);
    Require(type.normals.size() == type.vertices.size());
    for (const Vector3& v : type.vertices) Require(Finite(v));
    for (const Vector3& n : type.normals) Require(Finite(n));
    for (const auto& triangle : type.triangles)
        for (const int32_t index : triangle) Require(index >= 0 && index < vertexCount);
    for (const VertexWeightEntry& w : type.vertexWeights)
        Require(w.vertexIndex >= 0 && w.vertexIndex < vertexCount && w.boneIndex >= 0 && w.boneIndex < type.boneCount &&
                std::isfinite(w.weight));
    if (type.animationMode == 1 || type.animationMode == 2) {
        const int64_t bones = type.animationMode == 1 ? 1 : type.boneCount;
        Require(type.keyframeCount >= 0 && bones >= 0);
        Require(static_cast<int64_t>(type.boneKeys.size()) == type.keyframeCount * bones);
        Require(static_cast<int64_t>(type.frameTimes.size()) == type.keyframeCount);
    }
    for (const float f : type.shapeParams) Require(std::isfinite(f));
    Require(std::isfinite(type.mass) && std::isfinite(type.materialPower));
    type.ComputeBounds();
    return 0;
}
