// The image decoder standing in for WIC: which codec a file goes to, the
// metadata read from hostile PNG chunks and EXIF blocks, and the rules of
// copying pixels out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/image_decoder.h"
#include "support/image_files.h"

namespace {

using platform::ImageContainer;
using platform::ImageFrame;
using platform::MetadataValue;

HResult Open(ImageFrame& frame, const std::string& bytes)
{
    return frame.OpenMemory(std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

MetadataValue Query(const ImageFrame& frame, const char* name)
{
    MetadataValue value;
    frame.GetMetadataByName(name, &value);
    return value;
}

TEST(ImageDecoder, FilesGoToTheirCodecByContent)
{
    ImageFrame frame;
    ASSERT_EQ(Open(frame, PngFile(2, 1, 2, 8, {1, 2, 3, 4})), S_OK);
    EXPECT_EQ(frame.Container(), ImageContainer::Png);
    EXPECT_EQ(frame.PixelFormat(), platform::WICPixelFormat32bppRGBA);  // grey + alpha as colour

    // An uncompressed 24-bit TGA, bottom-up: the top row is read first all the same.
    std::string tga = std::string("\0\0\x02\0\0\0\0\0\0\0\0\0\x01\0\x02\0\x18\0", 18) + "\x01\x02\x03" + "\x04\x05\x06";
    ASSERT_EQ(Open(frame, tga), S_OK);
    EXPECT_EQ(frame.Container(), ImageContainer::Tga);
    uint8_t pixels[8] = {};
    ASSERT_EQ(frame.CopyPixels(platform::WICPixelFormat32bppRGBA, 1, 2, 4, pixels, sizeof pixels), S_OK);
    EXPECT_EQ(pixels[0], 6);  // red of the second (top) row, stored as blue, green, red
    EXPECT_EQ(pixels[3], 255);

    EXPECT_EQ(Open(frame, "\x89PNG\r\n\x1a\n"), platform::WINCODEC_ERR_BADIMAGE);
    EXPECT_EQ(Open(frame, ""), platform::WINCODEC_ERR_COMPONENTNOTFOUND);
}

TEST(ImageDecoder, PngSrgbChunkIsReadOnlyWhereItBelongs)
{
    ImageFrame frame;
    ASSERT_EQ(Open(frame, PngFile(1, 1, 3, 8, {1, 2, 3}, true)), S_OK);
    EXPECT_EQ(Query(frame, "/sRGB/RenderingIntent").type, MetadataValue::UnsignedByte);
    EXPECT_EQ(Query(frame, "System.Image.ColorSpace").type, MetadataValue::Empty);

    // A two-byte "sRGB" chunk (after the 33 bytes of signature and header)
    // is not the one WIC reports; neither is one after the image data.
    std::string png = PngFile(1, 1, 3, 8, {1, 2, 3});
    const std::string twoBytes = std::string("\0\0\0\x02sRGB\0\0crc!", 14);
    ASSERT_EQ(Open(frame, std::string(png).insert(33, twoBytes)), S_OK);
    EXPECT_EQ(Query(frame, "/sRGB/RenderingIntent").type, MetadataValue::Empty);
    const std::string late = std::string("\0\0\0\x01sRGB\0crc!", 13);
    ASSERT_EQ(Open(frame, std::string(png).insert(png.size() - 12, late)), S_OK);
    EXPECT_EQ(Query(frame, "/sRGB/RenderingIntent").type, MetadataValue::Empty);
}

TEST(ImageDecoder, FilesThatWouldOverrunTheDecoderAreRefused)
{
    // A chunk announcing 2 GB in a file of a hundred bytes.
    ImageFrame frame;
    std::string png = PngFile(1, 1, 3, 8, {1, 2, 3}, true);
    png[png.find("sRGB") - 4] = '\x7F';
    EXPECT_EQ(Open(frame, png), platform::WINCODEC_ERR_BADIMAGE);

    // A Huffman table with more than 256 codes.
    const std::vector<uint8_t> samples(8 * 8 * 3, 128);
    std::string jpeg = JpegFile(8, 8, 3, samples);
    const size_t table = jpeg.find("\xFF\xC4");
    ASSERT_NE(table, std::string::npos);
    ASSERT_EQ(Open(frame, jpeg), S_OK);
    for (size_t count = 0; count < 16; ++count) jpeg[table + 5 + count] = '\x20';
    EXPECT_EQ(Open(frame, jpeg), platform::WINCODEC_ERR_BADIMAGE);
}

TEST(ImageDecoder, ExifColourSpaceSurvivesHostileOffsets)
{
    const std::vector<uint8_t> samples(8 * 8 * 3, 128);
    const std::string jpeg = JpegFile(8, 8, 3, samples, 1);
    ImageFrame frame;
    ASSERT_EQ(Open(frame, jpeg), S_OK);
    const MetadataValue colorSpace = Query(frame, "System.Image.ColorSpace");
    EXPECT_EQ(colorSpace.type, MetadataValue::UnsignedShort);
    EXPECT_EQ(colorSpace.value, 1u);

    // Offsets of the TIFF block inside the file (after SOI, APP1 header, "Exif\0\0").
    const size_t tiff = 2 + 4 + 6;
    const auto patched = [&](size_t at, std::string bytes) {
        std::string copy = jpeg;
        copy.replace(tiff + at, bytes.size(), bytes);
        return copy;
    };
    const std::string hostile[] = {
        patched(4, std::string("\xF0\xFF\xFF\xFF", 4)),  // IFD0 past the end
        patched(18, std::string("\xFF\xFF\xFF\x7F", 4)),  // EXIF directory past the end
        patched(26, std::string("\xFF\xFF\x02\xA0", 4)),  // 65535 entries, none the colour space
        patched(8, std::string("\0\0", 2)),              // IFD0 without entries
        patched(0, "XX"),                                 // no byte order
        patched(size_t(-8), std::string("\xFF\xFF", 2)),  // APP1 longer than the file
    };
    for (const std::string& bytes : hostile) {
        // The codec may refuse the picture with the broken segment length;
        // the metadata walk never leaves the file.
        const HResult result = Open(frame, bytes);
        if (&bytes != &hostile[5]) {
            EXPECT_EQ(result, S_OK);
        }
        EXPECT_EQ(Query(frame, "System.Image.ColorSpace").type, MetadataValue::Empty);
    }
    // A colour space stored as a LONG is not the two-byte value WIC reports.
    ASSERT_EQ(Open(frame, patched(30, std::string("\x04", 1))), S_OK);
    EXPECT_EQ(Query(frame, "System.Image.ColorSpace").type, MetadataValue::Empty);
}

TEST(ImageDecoder, CopyPixelsChecksFormatAndBuffer)
{
    ImageFrame frame;
    // The image data begins with an empty chunk, as some writers make it.
    std::string png = PngFile(2, 2, 1, 8, {10, 20, 30, 40});
    png.insert(png.find("IDAT") - 4, std::string("\0\0\0\0IDAT\x35\xAF\x06\x1E", 12));
    ASSERT_EQ(Open(frame, png), S_OK);
    ASSERT_EQ(frame.PixelFormat(), platform::WICPixelFormat8bppGray);
    std::vector<uint8_t> buffer(8, 0xEE);
    EXPECT_EQ(frame.CopyPixels(platform::WICPixelFormat8bppGray, 2, 2, 4, buffer.data(), 6), S_OK);
    EXPECT_EQ(buffer, (std::vector<uint8_t> {10, 20, 0xEE, 0xEE, 30, 40, 0xEE, 0xEE}));
    EXPECT_EQ(frame.CopyPixels(platform::WICPixelFormat8bppGray, 2, 2, 4, buffer.data(), 5), E_INVALIDARG);
    EXPECT_EQ(frame.CopyPixels(platform::WICPixelFormat8bppGray, 2, 2, 1, buffer.data(), 8), E_INVALIDARG);
    EXPECT_EQ(frame.CopyPixels(platform::WICPixelFormat128bppRGBAFloat, 2, 2, 32, buffer.data(), 8),
              platform::WINCODEC_ERR_UNSUPPORTEDOPERATION);

    // Scaled down by two: each texel the average of four.
    std::vector<uint8_t> one(1);
    ASSERT_EQ(frame.CopyPixels(platform::WICPixelFormat8bppGray, 1, 1, 1, one.data(), 1), S_OK);
    EXPECT_NEAR(one[0], 25, 1);
}

}  // namespace
