// The cube landscape's last steps under CScene::GenerateLandscapeScene: which
// height a column takes and the cubes of the biome map.
#pragma once

#include <cstddef>
#include <vector>

#include "generation/landscape_biomes.h"

class CScene;
class CTexture;

// The new-world screen's ranges, enforced again by the generator.
inline constexpr int kLandscapeSizeMin = 32;
inline constexpr int kLandscapeSizeMax = 512;
inline constexpr int kLandscapeHeightMin = 0;
inline constexpr int kLandscapeHeightMax = 64;
// Sectors an empty world gets.
inline constexpr int kLandscapeSectors = 16;
// The file of the biome graph in the start directory.
inline constexpr const char* kBiomeGraphFile = "temp-percp-graph.tga";

// The entry of the height list (entry i x n + j holds the noise at (i, j))
// that column (x, y) stands on: the height field is turned a quarter.
inline size_t LandscapeHeightIndex(int n, int x, int y)
{
    return static_cast<size_t>(n - 1 - y) * static_cast<size_t>(n) + static_cast<size_t>(x);
}

// The cube level of a column: h x maxHeight in single precision, truncated
// toward zero, so anything above -1 gives level 0 or more. Negative: no
// cube (also for a height that is no number).
int LandscapeLevel(float h, int maxHeight);

// One cube per column (x outer, y inner) whose biome-map colour is a biome
// whose block type exists and whose level is not negative, at (cursor x +
// y + 1, cursor y + half the block type's height + level, cursor z + x),
// static and at scale 1 (both scene settings come back afterwards). Every
// biome met is marked present, with or without its block type. `heights`
// holds n x n entries; returns the number of cubes made.
int PlaceLandscapeCubes(CScene& scene, const CTexture& biomeMap, const std::vector<float>& heights, int maxHeight,
                        bool present[kLandscapeBiomeCount]);
