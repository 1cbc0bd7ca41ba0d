// The Perlin noise and its table (lattice zeros, wrapping, the reference
// value, the working table taking a new table only when reloaded, the
// "Randomize Noise" switch) and the texel writer of the generators' images.
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
    for (double x : {-300.0, -1.0, 0.0, 1.0, 17.0, 64000.0})
        for (double y : {-2.0, 0.0, 3.0, 64001.0})
            for (double z : {-5.0, 0.0, 9.0}) EXPECT_EQ(PerlinNoise3(x, y, z), 0.0) << x << " " << y << " " << z;
    // The value Ken Perlin's reference implementation gives.
    EXPECT_NEAR(PerlinNoise3(3.14, 42.0, 7.0), 0.13691995878400012, 1e-12);
    EXPECT_EQ(PerlinNoise2(3.14, 42.0), PerlinNoise3(3.14, 42.0, 0.0));
    // Stays in about -1..1 and is no constant.
    double low = 0.0, high = 0.0;
    for (int i = 0; i < 2000; ++i) {
        const double v = PerlinNoise3(i * 0.37, i * 0.11 - 20.0, i * 0.053);
        low = std::min(low, v);
        high = std::max(high, v);
    }
    EXPECT_GE(low, -1.1);
    EXPECT_LE(high, 1.1);
    EXPECT_LT(low, -0.2);
    EXPECT_GT(high, 0.2);
    EXPECT_EQ(PerlinNoise3(NAN, 0.5, 0.5), 0.0);
}

TEST_F(Noise, NegativeCoordinatesWrapEvery256Cells)
{
    EXPECT_EQ(PerlinNoise3(-0.5, 0.25, 0.75), PerlinNoise3(255.5, 0.25, 0.75));
    EXPECT_NEAR(PerlinNoise3(1.3, -7.6, 2.2), PerlinNoise3(1.3, 248.4, 2.2), 1e-9);
    EXPECT_NEAR(PerlinNoise3(0.3, 0.6, -0.9), PerlinNoise3(256.3, 256.6, 255.1), 1e-9);
    // Far coordinates still land in the table.
    EXPECT_TRUE(std::isfinite(PerlinNoise3(-1e300, 1e18, 3.5)));
}

TEST_F(Noise, ANewTableTakesEffectOnlyWhenTheWorkingTableIsReloaded)
{
    SeedRandomForTests(7);
    const double before = PerlinNoise3(10.3, 20.7, 0.4);
    const std::vector<int32_t> original(NoiseTable(), NoiseTable() + kNoiseTableSize);
    EXPECT_EQ(original[0], 151);
    RandomizeNoiseTable();
    const std::vector<int32_t> drawn(NoiseTable(), NoiseTable() + kNoiseTableSize);
    EXPECT_NE(drawn, original);
    for (const int32_t value : drawn) {
        EXPECT_GE(value, 0);
        EXPECT_LE(value, 250);
    }
    EXPECT_EQ(PerlinNoise3(10.3, 20.7, 0.4), before);
    ReloadNoiseWorkingTable();
    EXPECT_NE(PerlinNoise3(10.3, 20.7, 0.4), before);
    EXPECT_EQ(PerlinNoise3(4.0, 5.0, 6.0), 0.0);  // lattice zeros hold for any table
}

TEST_F(Noise, RandomizePerlinTableDrawsOnlyWhileRandomizeNoiseIsOn)
{
    TempDirectory folder;
    ScopedStartDirectory start(folder.Path());
    CScene scene;
    const std::vector<int32_t> original(NoiseTable(), NoiseTable() + kNoiseTableSize);
    scene.Flag(kFlagRandomizeNoise) = 0;
    scene.RandomizePerlinTable();
    EXPECT_EQ(std::vector<int32_t>(NoiseTable(), NoiseTable() + kNoiseTableSize), original);
    scene.Flag(kFlagRandomizeNoise) = 1;
    scene.RandomizePerlinTable();
    EXPECT_NE(std::vector<int32_t>(NoiseTable(), NoiseTable() + kNoiseTableSize), original);
}

// ---------------------------------------------------------------------------
// SetTexel
// ---------------------------------------------------------------------------

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

TEST(TexelWriter, WritesBlueGreenRedAlphaBottomUp)
{
    Image rgba(3, 2, 32);
    rgba.texture->SetTexel(1, 0, 10, 20, 30, 40);  // top row: the second row of the buffer
    const std::vector<uint8_t> b = rgba.Bytes();
    const size_t at = 4 * (1 * 3 + 1);
    EXPECT_EQ(b[at + 0], 30);
    EXPECT_EQ(b[at + 1], 20);
    EXPECT_EQ(b[at + 2], 10);
    EXPECT_EQ(b[at + 3], 40);
    uint8_t r, g, bl, a;
    ASSERT_TRUE(rgba.texture->GetPixel(1, 0, r, g, bl, a));
    EXPECT_EQ(r, 10);
    EXPECT_EQ(a, 40);

    Image rgb(2, 2, 24);
    rgb.texture->SetTexel(0, 1, 1, 2, 3, 4);  // bottom row: the first in the buffer
    const std::vector<uint8_t> c = rgb.Bytes();
    EXPECT_EQ(c[0], 3);
    EXPECT_EQ(c[1], 2);
    EXPECT_EQ(c[2], 1);
    EXPECT_EQ(c[3], 0xAA);

    Image packed(2, 1, 16);
    packed.texture->SetTexel(1, 0, 0xFF, 0x80, 0x08, 0x99);
    const std::vector<uint8_t> d = packed.Bytes();
    const uint16_t texel = static_cast<uint16_t>(d[2] | (d[3] << 8));
    EXPECT_EQ(texel, (1u << 10) | (16u << 5) | 31u);  // red in the low five bits, top bit 0
    EXPECT_EQ(d[0], 0xAA);
}

TEST(TexelWriter, WritesNothingOutOfRangeOrAtEightBits)
{
    Image image(4, 3, 32);
    const std::vector<uint8_t> before = image.Bytes();
    image.texture->SetTexel(0, 3, 1, 2, 3, 4);  // y = height
    image.texture->SetTexel(4, 0, 1, 2, 3, 4);  // x = width: no spill into the next row
    image.texture->SetTexel(0xFFFFFFFFu, 0xFFFFFFFFu, 1, 2, 3, 4);
    EXPECT_EQ(image.Bytes(), before);

    Image indexed(2, 2, 8);
    const std::vector<uint8_t> unchanged = indexed.Bytes();
    indexed.texture->SetTexel(0, 0, 1, 2, 3, 4);
    EXPECT_EQ(indexed.Bytes(), unchanged);

    CTexture* empty = new CTexture;
    empty->width = 2;
    empty->height = 2;
    empty->bitsPerPixel = 32;
    empty->SetTexel(0, 0, 1, 2, 3, 4);  // no pixels: nothing, no crash
    CTexture::Delete(empty);
}
