// Image decoding in place of the Windows Imaging Component: a decoder made
// from a file name gives its first frame's size, pixel format and the
// metadata the texture loader asks for, then copies its pixels converted and
// scaled (format converter and bitmap scaler in one call). stb_image decodes
// PNG, JPEG, BMP, GIF and TGA; a file of any other kind fails as WIC fails
// for a missing codec. DDS files are recognised by their "DDS " magic (WIC's
// own DDS codec), so the caller can hand them to its DDS reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/hresult.h"

namespace platform {

// WIC's failure codes, as its calls return them.
constexpr HResult WINCODEC_ERR_PROPERTYNOTFOUND = static_cast<HResult>(0x88982F40u);
constexpr HResult WINCODEC_ERR_COMPONENTNOTFOUND = static_cast<HResult>(0x88982F50u);
constexpr HResult WINCODEC_ERR_BADIMAGE = static_cast<HResult>(0x88982F60u);
constexpr HResult WINCODEC_ERR_UNSUPPORTEDOPERATION = static_cast<HResult>(0x88982F81u);

// WIC's pixel formats, named as the GUID_WICPixelFormat... GUIDs they stand
// for. The texture loader's tables name all of them; a decoded frame is one of
// 8bppGray, 16bppGray, 24bppRGB, 48bppRGB, 32bppRGBA and 64bppRGBA.
enum WICPixelFormat : uint32_t {
    WICPixelFormatUndefined = 0,
    WICPixelFormatBlackWhite,
    WICPixelFormat1bppIndexed,
    WICPixelFormat2bppIndexed,
    WICPixelFormat4bppIndexed,
    WICPixelFormat8bppIndexed,
    WICPixelFormat2bppGray,
    WICPixelFormat4bppGray,
    WICPixelFormat8bppGray,
    WICPixelFormat8bppAlpha,
    WICPixelFormat16bppGray,
    WICPixelFormat16bppGrayHalf,
    WICPixelFormat16bppGrayFixedPoint,
    WICPixelFormat16bppBGR555,
    WICPixelFormat16bppBGR565,
    WICPixelFormat16bppBGRA5551,
    WICPixelFormat24bppBGR,
    WICPixelFormat24bppRGB,
    WICPixelFormat32bppBGR,
    WICPixelFormat32bppRGB,
    WICPixelFormat32bppBGRA,
    WICPixelFormat32bppRGBA,
    WICPixelFormat32bppPBGRA,
    WICPixelFormat32bppPRGBA,
    WICPixelFormat32bppGrayFloat,
    WICPixelFormat32bppGrayFixedPoint,
    WICPixelFormat32bppBGR101010,
    WICPixelFormat32bppRGBA1010102,
    WICPixelFormat32bppRGBA1010102XR,
    WICPixelFormat32bppRGBE,
    WICPixelFormat32bppCMYK,
    WICPixelFormat40bppCMYKAlpha,
    WICPixelFormat48bppRGB,
    WICPixelFormat48bppBGR,
    WICPixelFormat48bppRGBFixedPoint,
    WICPixelFormat48bppBGRFixedPoint,
    WICPixelFormat48bppRGBHalf,
    WICPixelFormat64bppRGB,
    WICPixelFormat64bppRGBA,
    WICPixelFormat64bppBGRA,
    WICPixelFormat64bppPRGBA,
    WICPixelFormat64bppPBGRA,
    WICPixelFormat64bppRGBFixedPoint,
    WICPixelFormat64bppRGBAFixedPoint,
    WICPixelFormat64bppBGRAFixedPoint,
    WICPixelFormat64bppRGBHalf,
    WICPixelFormat64bppRGBAHalf,
    WICPixelFormat64bppPRGBAHalf,
    WICPixelFormat64bppCMYK,
    WICPixelFormat80bppCMYKAlpha,
    WICPixelFormat96bppRGBFloat,
    WICPixelFormat96bppRGBFixedPoint,
    WICPixelFormat128bppRGBFloat,
    WICPixelFormat128bppRGBAFloat,
    WICPixelFormat128bppPRGBAFloat,
    WICPixelFormat128bppRGBFixedPoint,
    WICPixelFormat128bppRGBAFixedPoint,
};

// The component information's bits per pixel; 0 for Undefined.
uint32_t WICBitsPerPixel(WICPixelFormat format);

// Whether a format converter can turn `from` into `to`.
bool WICCanConvert(WICPixelFormat from, WICPixelFormat to);

enum class ImageContainer { Unknown, Png, Jpeg, Bmp, Gif, Tga, Dds };

// A metadata value as the loader tests it: its type and number.
struct MetadataValue {
    enum Type { Empty, UnsignedByte, UnsignedShort } type = Empty;
    uint32_t value = 0;
};

// The first frame of an image file. Pixels are decoded only when copied.
class ImageFrame {
public:
    // CreateDecoderFromFilename + GetFrame(0). Fails with the file's error
    // (HRESULT from errno: a missing file is 0x80070002), with
    // WINCODEC_ERR_COMPONENTNOTFOUND for a kind no codec reads, and with
    // WINCODEC_ERR_BADIMAGE for a header the codec refuses. A DDS file opens
    // with Container() Dds and no frame: its pixels are not copied here.
    HResult Open(const std::string& path);
    // The same over bytes already in memory.
    HResult OpenMemory(std::vector<uint8_t> bytes);

    ImageContainer Container() const { return container_; }
    uint32_t Width() const { return width_; }
    uint32_t Height() const { return height_; }
    WICPixelFormat PixelFormat() const { return pixelFormat_; }

    // GetMetadataQueryReader + GetMetadataByName. Known names:
    // "/sRGB/RenderingIntent" in a PNG (the sRGB chunk's byte) and
    // "System.Image.ColorSpace" in a JPEG (the EXIF colour space). Anything
    // absent gives WINCODEC_ERR_PROPERTYNOTFOUND.
    HResult GetMetadataByName(const std::string& name, MetadataValue* value) const;

    // The frame's pixels in `format`, scaled to `width` x `height` with an
    // area filter when that differs from the frame's size, rows top-down and
    // `rowPitch` bytes apart in `buffer`. WINCODEC_ERR_UNSUPPORTEDOPERATION
    // when no converter reaches `format`, E_INVALIDARG for a buffer too
    // small, WINCODEC_ERR_BADIMAGE when the data cannot be decoded,
    // E_OUTOFMEMORY when the picture cannot be held.
    HResult CopyPixels(WICPixelFormat format, uint32_t width, uint32_t height, uint32_t rowPitch, uint8_t* buffer,
                       size_t bufferSize) const;

private:
    std::vector<uint8_t> bytes_;
    ImageContainer container_ = ImageContainer::Unknown;
    uint32_t width_ = 0;
    uint32_t height_ = 0;
    WICPixelFormat pixelFormat_ = WICPixelFormatUndefined;
    MetadataValue pngRenderingIntent_;
    MetadataValue exifColorSpace_;
};

}  // namespace platform
