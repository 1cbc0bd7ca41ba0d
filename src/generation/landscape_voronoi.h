// The cube landscape's cells: a Voronoi diagram of 60 random seeds, relaxed
// once towards the cells' centroids, the cells read back by colour, and
// pictures averaged over each cell.
//
// Seeds and texels share one frame: texel (x, y) is the point (x, y, 0).
// Seed coordinates are drawn from 1..n, not 0..n-1, so a seed may sit just
// past the last column or row.
#pragma once

#include <cstdint>
#include <vector>

class CTexture;

struct VoronoiSeed {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float red = 0.0f;  // colour bytes held as floats
    float green = 0.0f;
    float blue = 0.0f;
    float sumX = 0.0f;  // texel positions gathered by PaintVoronoiCells
    float sumY = 0.0f;
    float sumZ = 0.0f;
    int32_t count = 0;
};

inline constexpr int kVoronoiSeedCount = 60;

// kVoronoiSeedCount seeds for an n x n picture, each drawn in this order:
// x = RandomInt(1, n), y = RandomInt(1, n), z = 0, then red, green, blue in
// 0..255. Sums and counts zero.
std::vector<VoronoiSeed> DrawVoronoiSeeds(int n);

// The index of the seed nearest to (x, y, 0) by the single-precision
// distance; on equal distances the lower index wins. -1 without seeds.
int NearestSeed(const std::vector<VoronoiSeed>& seeds, float x, float y);

// Every texel of the 32-bit image (x outer, y inner) takes the colour of its
// nearest seed (each channel truncated to its low 8 bits) with alpha 255.
// With `gather`, each seed adds the positions of its texels to its sums and
// counts them.
void PaintVoronoiCells(CTexture& image, std::vector<VoronoiSeed>& seeds, bool gather);

// One Lloyd step: a seed that gathered texels moves to their mean, a seed
// without texels to (0, 0, 0). Colours stay.
void RelaxSeeds(std::vector<VoronoiSeed>& seeds);

struct TexelPosition {
    uint32_t x = 0;
    uint32_t y = 0;
};
// The texels of each colour (red, green, blue; alpha ignored) of a picture,
// one cell per colour in the order the colours first appear (x outer, y
// inner). Two seeds of one colour make one cell.
using LandscapeCells = std::vector<std::vector<TexelPosition>>;
LandscapeCells CollectCells(const CTexture& cellImage);

// Every texel of each cell in `target` takes the per-channel mean (red,
// green, blue, alpha; unsigned integer division) of `source` over the cell.
void AverageOverCells(const LandscapeCells& cells, const CTexture& source, CTexture& target);
