// The Perlin noise and its table (lattice zeros, wrapping, the reference
// value, reloading the working table) and the generators' texel writer.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "core/random.h"
#include "generation/noise.h"
#include "graphics/texture.h"

namespace {

class Noise : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetNoiseTable();
        ReloadNoiseWorkingTable();
    }
    void TearDown() override
    {
        UnseedRandomForTests();
        ResetNoiseTable();
        ReloadNoiseWorkingTable();
    }
};

}  // namespace

TEST_F(Noise, IsZeroAtLatticePointsMatchesTheReferenceAndWrapsEvery256Cells)
{
    for (double x : {-300.0, 17.0, 64000.0}) EXPECT_EQ(PerlinNoise3(x, -2.0, 9.0), 0.0) << x;
    // The value Ken Perlin's reference implementation gives.
    EXPECT_NEAR(PerlinNoise3(3.14, 42.0, 7.0), 0.13691995878400012, 1e-12);
    EXPECT_EQ(PerlinNoise3(NAN, 0.5, 0.5), 0.0);
    EXPECT_EQ(PerlinNoise3(-0.5, 0.25, 0.75), PerlinNoise3(255.5, 0.25, 0.75));
    EXPECT_TRUE(std::isfinite(PerlinNoise3(-1e300, 1e18, 3.5)));  // far coordinates still land in the table
}

TEST_F(Noise, ANewTableTakesEffectOnlyWhenTheWorkingTableIsReloaded)
{
    SeedRandomForTests(7);
    const double before = PerlinNoise3(10.3, 20.7, 0.4);
    const std::vector<int32_t> original(NoiseTable(), NoiseTable() + kNoiseTableSize);
    RandomizeNoiseTable();
    const std::vector<int32_t> drawn(NoiseTable(), NoiseTable() + kNoiseTableSize);
    EXPECT_NE(drawn, original);
    EXPECT_EQ(PerlinNoise3(10.3, 20.7, 0.4), before);
    ReloadNoiseWorkingTable();
    EXPECT_NE(PerlinNoise3(10.3, 20.7, 0.4), before);
    EXPECT_EQ(PerlinNoise3(4.0, 5.0, 6.0), 0.0);  // lattice zeros hold for any table
}

TEST(TexelWriter, WritesBlueGreenRedAlphaBottomUpAndNothingOutOfRange)
{
    CTexture* image = new CTexture;
    image->width = 4, image->height = 3, image->bitsPerPixel = 32;
    image->AllocPixels(48);
    std::memset(image->pixels, 0xAA, 48);
    const auto bytes = [&](size_t from, size_t n) {
        return std::vector<uint8_t>(image->pixels + from, image->pixels + from + n);
    };
    const std::vector<uint8_t> before = bytes(0, 48);
    image->SetTexel(0, 3, 1, 2, 3, 4);  // y = height
    image->SetTexel(4, 0, 1, 2, 3, 4);  // x = width: no spill into the next row
    image->SetTexel(0xFFFFFFFFu, 0xFFFFFFFFu, 1, 2, 3, 4);
    EXPECT_EQ(bytes(0, 48), before);

    image->SetTexel(1, 0, 10, 20, 30, 40);  // top row: the last row of the buffer
    EXPECT_EQ(bytes(4 * (2 * 4 + 1), 4), (std::vector<uint8_t>{30, 20, 10, 40}));

    image->Release();  // keeps the size, drops the pixels
    image->SetTexel(0, 0, 1, 2, 3, 4);  // nothing to write into: nothing, no crash
    CTexture::Delete(image);
}
