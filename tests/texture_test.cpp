// CTexture: names, pixel addressing and the record's life cycle.
#include <gtest/gtest.h>

#include "core/name_key.h"
#include "graphics/texture.h"

TEST(Texture, NameIsStoredLowerCasedWithItsHash)
{
    // Look-ups compare the hash first, then the lower-cased name.
    CTexture* texture = new CTexture;
    texture->SetName(u"Wall.DDS\u00C4");
    EXPECT_EQ(texture->name, u"wall.dds\u00C4");
    EXPECT_EQ(texture->nameHash, NameHash(u"wall.dds\u00C4"));
    CTexture::Delete(texture);
    EXPECT_FALSE(CTexture::Heap().Exists());
}

TEST(Texture, PixelsAreAddressedBottomUp)
{
    CTexture texture;
    texture.width = 2;
    texture.height = 2;
    texture.bitsPerPixel = 32;
    texture.AllocPixels(16);
    for (int i = 0; i < 16; ++i) texture.pixels[i] = static_cast<uint8_t>(i);
    uint8_t r, g, b, a;
    ASSERT_TRUE(texture.GetPixel(0, 0, r, g, b, a));  // element 2: the top row's first
    EXPECT_TRUE(r == 10 && g == 9 && b == 8 && a == 11) << int(r) << " " << int(g) << " " << int(b) << " " << int(a);
    ASSERT_TRUE(texture.GetPixel(1, 1, r, g, b, a));  // element 1
    EXPECT_EQ(b, 4);
    ASSERT_TRUE(texture.GetPixel(2, 1, r, g, b, a));  // x past the width reads the next row up
    EXPECT_EQ(b, 8);
    r = 77;
    EXPECT_FALSE(texture.GetPixel(0, 2, r, g, b, a));  // below the bottom row
    EXPECT_FALSE(texture.GetPixel(3, 0, r, g, b, a));
    EXPECT_FALSE(texture.GetPixel(0xFFFFFFFFu, -1, r, g, b, a));
    texture.bitsPerPixel = 8;  // no palette to read the channels from
    EXPECT_FALSE(texture.GetPixel(0, 0, r, g, b, a));
    EXPECT_EQ(r, 77);
    texture.Release();
    EXPECT_EQ(SharedHeap().LiveCount(), 0);
}
