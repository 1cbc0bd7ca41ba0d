// The TGA image reader: exact pixel bytes for both encodings, packet limits,
// files that end early, and the files it must refuse.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "graphics/tga_image.h"
#include "support/temp_directory.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr char kNotTgaFile[] = "Invalid File Format. Required: 24 or 32 Bit TGA File.";
constexpr char kWrongDepth[] = "Invalid File Format. Required: 24 or 32 Bit Image.";

// An 18-byte header with no ID, no colour map and a zero origin, then `data`.
Bytes Tga(uint8_t imageType, uint16_t width, uint16_t height, uint8_t depth, const Bytes& data = {})
{
    Bytes file(18 + data.size(), 0);
    file[2] = imageType;
    file[12] = uint8_t(width);
    file[13] = uint8_t(width >> 8);
    file[14] = uint8_t(height);
    file[15] = uint8_t(height >> 8);
    file[16] = depth;
    std::copy(data.begin(), data.end(), file.begin() + 18);
    return file;
}

CTgaImage Decode(const Bytes& file) { return CTgaImage(file.data(), file.size()); }

std::string RejectionOf(const Bytes& file)
{
    try {
        Decode(file);
    } catch (const std::invalid_argument& error) {
        return error.what();
    }
    return "accepted";
}

}  // namespace

TEST(TgaImage, UncompressedKeepsFileOrderAndPadsRowsToFourBytes)
{
    const CTgaImage image = Decode(Tga(2, 2, 1, 32, {1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_FALSE(image.compressed);
    EXPECT_EQ(image.width, 2u);
    EXPECT_EQ(image.height, 1u);
    EXPECT_EQ(image.bitsPerPixel, 32u);
    EXPECT_EQ(image.size, 8u);
    EXPECT_EQ(image.pixels, (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));

    // A 9-byte row counts as 12: the block takes the bytes that follow the
    // packed pixels, and zeros where the file has none.
    const CTgaImage padded = Decode(Tga(2, 3, 1, 24, {1, 2, 3, 4, 5, 6, 7, 8, 9, 0xAA, 0xBB}));
    EXPECT_EQ(padded.size, 12u);
    EXPECT_EQ(padded.pixels, (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 0xAA, 0xBB, 0}));
}

TEST(TgaImage, RunLengthStoresRedGreenBlueAndPacks24BitPixels)
{
    const CTgaImage run = Decode(Tga(10, 2, 1, 32, {0x81, 1, 2, 3, 4}));
    EXPECT_TRUE(run.compressed);
    EXPECT_EQ(run.size, 8u);
    EXPECT_EQ(run.pixels, (Bytes{3, 2, 1, 4, 3, 2, 1, 4}));

    // 24-bit pixels pack at 3 bytes into a width x height x 4 vector; a raw
    // packet then a run packet crossing into the second row.
    const CTgaImage packed = Decode(Tga(10, 2, 2, 24, {0x00, 1, 2, 3, 0x82, 4, 5, 6}));
    EXPECT_EQ(packed.size, 16u);
    EXPECT_EQ(packed.pixels, (Bytes{3, 2, 1, 6, 5, 4, 6, 5, 4, 6, 5, 4, 0, 0, 0, 0}));

    const CTgaImage empty = Decode(Tga(10, 0, 5, 32, {0x81, 1, 2, 3, 4}));
    EXPECT_TRUE(empty.pixels.empty());
}

TEST(TgaImage, PacketsCoverUpTo128PixelsAndStopAtTheLastPixel)
{
    Bytes stream = {0xFF, 10, 20, 30, 40, 0x7F};
    for (int i = 0; i < 128; ++i) stream.insert(stream.end(), {uint8_t(i), 0, 0, 0xFF});
    const CTgaImage image = Decode(Tga(10, 16, 16, 32, stream));
    ASSERT_EQ(image.pixels.size(), 1024u);
    EXPECT_EQ((Bytes(image.pixels.begin() + 127 * 4, image.pixels.begin() + 128 * 4)), (Bytes{30, 20, 10, 40}));
    EXPECT_EQ((Bytes(image.pixels.begin() + 255 * 4, image.pixels.end())), (Bytes{0, 0, 127, 0xFF}));

    // A run of 128 into a 2-pixel image stores two and nothing past them.
    EXPECT_EQ(Decode(Tga(10, 2, 1, 32, {0xFF, 1, 2, 3, 4})).pixels, (Bytes{3, 2, 1, 4, 3, 2, 1, 4}));
}

TEST(TgaImage, StreamThatEndsEarlyLeavesZerosInsteadOfRepeating)
{
    // The run stores its pixel once; the raw packet's second pixel is cut short.
    const CTgaImage cut = Decode(Tga(10, 4, 1, 32, {0x80, 1, 2, 3, 4, 0x01, 5, 6, 7, 8, 9, 9}));
    EXPECT_EQ(cut.pixels, (Bytes{3, 2, 1, 4, 7, 6, 5, 8, 0, 0, 0, 0, 0, 0, 0, 0}));

    // A packet header with no pixel after it stores nothing.
    EXPECT_EQ(Decode(Tga(10, 2, 1, 24, {0x81, 1, 2})).pixels, Bytes(8, 0));
    EXPECT_EQ(Decode(Tga(2, 2, 1, 32, {1, 2, 3})).pixels, (Bytes{1, 2, 3, 0, 0, 0, 0, 0}));
}

TEST(TgaImage, RefusesFilesItCannotRead)
{
    Bytes withId = Tga(2, 1, 1, 32, {0, 0, 0, 0, 0});
    withId[0] = 1;
    EXPECT_EQ(RejectionOf(withId), kNotTgaFile);
    Bytes withOrigin = Tga(10, 1, 1, 32, {0x80, 0, 0, 0, 0});
    withOrigin[8] = 1;
    EXPECT_EQ(RejectionOf(withOrigin), kNotTgaFile);
    EXPECT_EQ(RejectionOf(Tga(1, 1, 1, 8, {0})), kNotTgaFile);   // colour-mapped
    EXPECT_EQ(RejectionOf(Tga(3, 1, 1, 8, {0})), kNotTgaFile);   // greyscale

    EXPECT_EQ(RejectionOf(Tga(2, 1, 1, 16, {0, 0})), kWrongDepth);
    EXPECT_EQ(RejectionOf(Tga(10, 1, 1, 8, {0, 0})), kWrongDepth);

    // A header cut short, and sizes that would wrap 32 bits into a small vector.
    Bytes shortHeader = Tga(2, 1, 1, 32);
    shortHeader.pop_back();
    EXPECT_EQ(RejectionOf(shortHeader), kNotTgaFile);
    EXPECT_EQ(RejectionOf({}), kNotTgaFile);
    EXPECT_EQ(RejectionOf(Tga(2, 65535, 65535, 32)), kNotTgaFile);
    // Padded rows fit here, width x height x 4 does not.
    EXPECT_EQ(RejectionOf(Tga(10, 65535, 20000, 24)), kNotTgaFile);
}

// (Reading a file that is there is the biome graph's test.)
TEST(TgaImage, AMissingFileOrAFolderIsNotFound)
{
    TempDirectory folder;
    for (const std::string& path : {folder.File("missing.tga"), folder.Path()}) {
        try {
            CTgaImage missing(path);
            ADD_FAILURE() << "read " << path;
        } catch (const std::invalid_argument& error) {
            EXPECT_STREQ(error.what(), "File Not Found.");
        }
    }
}
