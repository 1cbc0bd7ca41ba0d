// The Perlin noise and its table (lattice zeros, wrapping, the reference
// value, reloading the working table) and the generators' texel writer.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "core/private_heap.h"
#include "core/random.h"
#include "generation/noise.h"
#include "graphics/texture.h"
#include "scene/scene.h"
#include "support/temp_directory.h"

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

TEST_F(Noise, IsZeroAtLatticePointsAndMatchesTheReference)
{
    for (double x : {-300.0, 17.0, 64000.0}) EXPECT_EQ(PerlinNoise3(x, -2.0, 9.0), 0.0) << x;
    // The value Ken Perlin's reference implementation gives.
    EXPECT_NEAR(PerlinNoise3(3.14, 42.0, 7.0), 0.13691995878400012, 1e-12);
    EXPECT_EQ(PerlinNoise3(NAN, 0.5, 0.5), 0.0);
}

TEST_F(Noise, NegativeCoordinatesWrapEvery256Cells)
{
    EXPECT_EQ(PerlinNoise3(-0.5, 0.25, 0.75), PerlinNoise3(255.5, 0.25, 0.75));
    // Far coordinates still land in the table.
    EXPECT_TRUE(std::isfinite(PerlinNoise3(-1e300, 1e18, 3.5)));
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

// ---- SetTexel ----
namespace {

struct Image {
    Image(int32_t width, int32_t height, uint8_t bits)
    {
        texture = new CTexture;
        texture->width = width;
        texture->height = height;
        texture->bitsPerPixel = bits;
        bytes = static_cast<size_t>(width) * height * (bits / 8);
        texture->AllocPixels(bytes);
        std::memset(texture->pixels, 0xAA, bytes);
    }
    ~Image() { CTexture::Delete(texture); }
    std::vector<uint8_t> Bytes() const { return std::vector<uint8_t>(texture->pixels, texture->pixels + bytes); }

    CTexture* texture = nullptr;
    size_t bytes = 0;
};

}  // namespace

TEST(TexelWriter, WritesBlueGreenRedAlphaBottomUpAndNothingOutOfRange)
{
    Image image(4, 3, 32);
    const std::vector<uint8_t> before = image.Bytes();
    image.texture->SetTexel(0, 3, 1, 2, 3, 4);  // y = height
    image.texture->SetTexel(4, 0, 1, 2, 3, 4);  // x = width: no spill into the next row
    image.texture->SetTexel(0xFFFFFFFFu, 0xFFFFFFFFu, 1, 2, 3, 4);
    EXPECT_EQ(image.Bytes(), before);

    image.texture->SetTexel(1, 0, 10, 20, 30, 40);  // top row: the last row of the buffer
    const size_t at = 4 * (2 * 4 + 1);
    EXPECT_EQ(std::vector<uint8_t>(image.texture->pixels + at, image.texture->pixels + at + 4),
              (std::vector<uint8_t>{30, 20, 10, 40}));

    CTexture* empty = new CTexture;
    empty->width = 2;
    empty->height = 2;
    empty->bitsPerPixel = 32;
    empty->SetTexel(0, 0, 1, 2, 3, 4);  // no pixels: nothing, no crash
    CTexture::Delete(empty);
}
