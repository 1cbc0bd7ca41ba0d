// Voronoi seeds, cells and per-cell averages of the cube landscape.
//
// Index: seeds - nearest seed and painting - relaxation - cells and averages
#include "generation/landscape_voronoi.h"

#include <cmath>
#include <limits>
#include <unordered_map>

#include "core/random.h"
#include "graphics/texture.h"

namespace {

uint8_t LowByte(float channel) { return static_cast<uint8_t>(static_cast<int>(channel) & 0xFF); }

// The distance as the cells are defined by: sqrt(dx^2 + dy^2 + dz^2) in
// single precision. Squared distances that differ can round to one float
// distance, which the tie rule then decides, so the root is not skipped.
int Nearest(const std::vector<VoronoiSeed>& seeds, const float* dx2, const float* dz2, float y)
{
    float best = std::numeric_limits<float>::max();
    int nearest = -1;
    const int count = static_cast<int>(seeds.size());
    for (int s = 0; s < count; ++s) {
        const float dy = seeds[s].y - y;
        const float distance = std::sqrt(dx2[s] + dy * dy + dz2[s]);
        if (distance < best) {
            best = distance;
            nearest = s;
        }
    }
    return nearest;
}

}  // namespace

// ---------------------------------------------------------------------------
// Seeds
// ---------------------------------------------------------------------------
std::vector<VoronoiSeed> DrawVoronoiSeeds(int n)
{
    std::vector<VoronoiSeed> seeds(kVoronoiSeedCount);
    for (VoronoiSeed& seed : seeds) {
        seed = VoronoiSeed{};
        seed.x = static_cast<float>(RandomInt(1, n));
        seed.y = static_cast<float>(RandomInt(1, n));
        seed.z = 0.0f;
        seed.red = static_cast<float>(RandomInt(0, 255));
        seed.green = static_cast<float>(RandomInt(0, 255));
        seed.blue = static_cast<float>(RandomInt(0, 255));
    }
    return seeds;
}

// ---------------------------------------------------------------------------
// Nearest seed, painting
// ---------------------------------------------------------------------------
int NearestSeed(const std::vector<VoronoiSeed>& seeds, float x, float y)
{
    std::vector<float> dx2(seeds.size()), dz2(seeds.size());
    for (size_t s = 0; s < seeds.size(); ++s) {
        const float dx = seeds[s].x - x;
        dx2[s] = dx * dx;
        dz2[s] = seeds[s].z * seeds[s].z;
    }
    return Nearest(seeds, dx2.data(), dz2.data(), y);
}

void PaintVoronoiCells(CTexture& image, std::vector<VoronoiSeed>& seeds, bool gather)
{
    if (seeds.empty() || image.width <= 0 || image.height <= 0) return;
    const uint32_t width = static_cast<uint32_t>(image.width);
    const uint32_t height = static_cast<uint32_t>(image.height);
    std::vector<float> dx2(seeds.size()), dz2(seeds.size());
    for (size_t s = 0; s < seeds.size(); ++s) dz2[s] = seeds[s].z * seeds[s].z;
    for (uint32_t x = 0; x < width; ++x) {
        const float fx = static_cast<float>(x);
        for (size_t s = 0; s < seeds.size(); ++s) {
            const float dx = seeds[s].x - fx;
            dx2[s] = dx * dx;
        }
        for (uint32_t y = 0; y < height; ++y) {
            const float fy = static_cast<float>(y);
            VoronoiSeed& seed = seeds[Nearest(seeds, dx2.data(), dz2.data(), fy)];
            image.SetTexel(x, y, LowByte(seed.red), LowByte(seed.green), LowByte(seed.blue), 255);
            if (gather) {
                seed.sumX += fx;
                seed.sumY += fy;
                seed.count += 1;
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Relaxation
// ---------------------------------------------------------------------------
void RelaxSeeds(std::vector<VoronoiSeed>& seeds)
{
    for (VoronoiSeed& seed : seeds) {
        if (seed.count >= 1) {
            const float count = static_cast<float>(seed.count);
            seed.x = seed.sumX / count;
            seed.y = seed.sumY / count;
            seed.z = seed.sumZ / count;
        } else {
            seed.x = seed.y = seed.z = 0.0f;
        }
    }
}

// ---------------------------------------------------------------------------
// Cells, averages
// ---------------------------------------------------------------------------
LandscapeCells CollectCells(const CTexture& cellImage)
{
    LandscapeCells cells;
    if (cellImage.width <= 0 || cellImage.height <= 0) return cells;
    const uint32_t width = static_cast<uint32_t>(cellImage.width);
    const uint32_t height = static_cast<uint32_t>(cellImage.height);
    std::unordered_map<uint32_t, size_t> cellOfColour;
    for (uint32_t x = 0; x < width; ++x) {
        for (uint32_t y = 0; y < height; ++y) {
            uint8_t r = 0, g = 0, b = 0, a = 0;
            if (!cellImage.GetPixel(x, static_cast<int32_t>(y), r, g, b, a)) continue;
            const uint32_t colour = uint32_t{r} << 16 | uint32_t{g} << 8 | b;
            const auto [found, added] = cellOfColour.try_emplace(colour, cells.size());
            if (added) cells.emplace_back();
            cells[found->second].push_back(TexelPosition{x, y});
        }
    }
    return cells;
}

void AverageOverCells(const LandscapeCells& cells, const CTexture& source, CTexture& target)
{
    for (const std::vector<TexelPosition>& cell : cells) {
        if (cell.empty()) continue;
        uint64_t sums[4] = {};
        for (const TexelPosition& texel : cell) {
            uint8_t c[4] = {};
            source.GetPixel(texel.x, static_cast<int32_t>(texel.y), c[0], c[1], c[2], c[3]);
            for (int i = 0; i < 4; ++i) sums[i] += c[i];
        }
        const uint64_t count = cell.size();
        const auto mean = [&](int i) { return static_cast<uint8_t>(sums[i] / count); };
        for (const TexelPosition& texel : cell) target.SetTexel(texel.x, texel.y, mean(0), mean(1), mean(2), mean(3));
    }
}
