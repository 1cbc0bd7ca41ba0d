// Index
//   - stb_image (its declarations; stb_library.cpp holds its implementation)
//   - Pixel formats
//   - Metadata: the PNG sRGB chunk, the JPEG EXIF colour space
//   - Guards for the decoder
//   - Opening a frame
//   - Copying pixels
#include "platform/image_decoder.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>

// ---------------------------------------------------------------------------
// stb_image (built in stb_library.cpp)
// ---------------------------------------------------------------------------

// Declarations only: the same configuration as the implementation, so no
// reader outside it is even declared.
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#include <stb/stb_image.h>
#include <stb/stb_image_resize.h>

namespace platform {

namespace {

// A decoded picture above this many texels is refused as too large to hold
// (16384 x 16384); a hostile header cannot make the decoder allocate more.
constexpr uint64_t kMaxDecodedTexels = uint64_t {1} << 28;

// ---------------------------------------------------------------------------
// Pixel formats
// ---------------------------------------------------------------------------

struct FrameLayout {
    int channels = 0;
    int bits = 0;
};

// The layouts stb produces, and so the only ones a frame converts between.
FrameLayout LayoutOf(WICPixelFormat format)
{
    switch (format) {
    case WICPixelFormat8bppGray: return {1, 8};
    case WICPixelFormat16bppGray: return {1, 16};
    case WICPixelFormat24bppRGB: return {3, 8};
    case WICPixelFormat48bppRGB: return {3, 16};
    case WICPixelFormat32bppRGBA: return {4, 8};
    case WICPixelFormat64bppRGBA: return {4, 16};
    default: return {};
    }
}

// The frame format for stb's channel count and depth. Grey with alpha has no
// WIC format of its own; WIC's PNG decoder gives it as colour with alpha.
WICPixelFormat FrameFormat(int channels, bool sixteenBits)
{
    switch (channels) {
    case 1: return sixteenBits ? WICPixelFormat16bppGray : WICPixelFormat8bppGray;
    case 3: return sixteenBits ? WICPixelFormat48bppRGB : WICPixelFormat24bppRGB;
    default: return sixteenBits ? WICPixelFormat64bppRGBA : WICPixelFormat32bppRGBA;
    }
}

// ---------------------------------------------------------------------------
// Metadata
// ---------------------------------------------------------------------------

uint32_t BigEndian32(const uint8_t* p) { return uint32_t {p[0]} << 24 | uint32_t {p[1]} << 16 | p[2] << 8 | p[3]; }

// Walks the chunks before the image data for "sRGB" (one byte: the rendering
// intent). Every length is checked against the bytes left.
MetadataValue PngRenderingIntent(const std::vector<uint8_t>& bytes)
{
    size_t at = 8;
    while (bytes.size() - at >= 12) {
        const uint64_t length = BigEndian32(&bytes[at]);
        const uint8_t* type = &bytes[at + 4];
        if (std::memcmp(type, "IDAT", 4) == 0 || std::memcmp(type, "IEND", 4) == 0) break;
        if (length > bytes.size() - at - 12) break;
        if (std::memcmp(type, "sRGB", 4) == 0 && length == 1)
            return MetadataValue {MetadataValue::UnsignedByte, bytes[at + 8]};
        at += 12 + static_cast<size_t>(length);
    }
    return MetadataValue {};
}

// A TIFF structure (the body of an EXIF block) read with bounds on every field.
class TiffReader {
public:
    TiffReader(const uint8_t* data, size_t size) : data_(data), size_(size)
    {
        if (size_ >= 8 && data_[0] == 'I' && data_[1] == 'I') littleEndian_ = true;
        else if (size_ >= 8 && data_[0] == 'M' && data_[1] == 'M') littleEndian_ = false;
        else return;
        uint32_t magic = 0;
        valid_ = Read(2, 2, &magic) && magic == 42;
    }

    bool Valid() const { return valid_; }
    bool FirstDirectory(uint64_t* offset) const
    {
        uint32_t value = 0;
        if (!Read(4, 4, &value)) return false;
        *offset = value;
        return true;
    }

    // The entry `tag` of the directory at `directory`: its type, count and
    // the offset of its 4-byte value field.
    bool FindEntry(uint64_t directory, uint16_t tag, uint32_t* type, uint32_t* count, uint64_t* valueAt) const
    {
        uint32_t entries = 0;
        if (!Read(directory, 2, &entries)) return false;
        for (uint32_t index = 0; index < entries; ++index) {
            const uint64_t entry = directory + 2 + uint64_t {index} * 12;
            uint32_t entryTag = 0;
            if (!Read(entry, 2, &entryTag) || !Read(entry + 2, 2, type) || !Read(entry + 4, 4, count)) return false;
            if (entryTag == tag) {
                *valueAt = entry + 8;
                return true;
            }
        }
        return false;
    }

    bool Read(uint64_t offset, int width, uint32_t* value) const
    {
        if (offset > size_ || size_ - offset < static_cast<uint64_t>(width)) return false;
        uint32_t result = 0;
        for (int index = 0; index < width; ++index) {
            const uint32_t byte = data_[offset + (littleEndian_ ? width - 1 - index : index)];
            result = result << 8 | byte;
        }
        *value = result;
        return true;
    }

private:
    const uint8_t* data_;
    size_t size_;
    bool littleEndian_ = true;
    bool valid_ = false;
};

constexpr uint16_t kExifDirectoryTag = 0x8769;
constexpr uint16_t kColorSpaceTag = 0xA001;
constexpr uint32_t kTiffShort = 3;
constexpr uint32_t kTiffLong = 4;

MetadataValue ExifColorSpace(const uint8_t* tiff, size_t size)
{
    const TiffReader reader(tiff, size);
    uint64_t directory = 0;
    uint32_t type = 0, count = 0, value = 0;
    uint64_t valueAt = 0;
    if (!reader.Valid() || !reader.FirstDirectory(&directory) ||
        !reader.FindEntry(directory, kExifDirectoryTag, &type, &count, &valueAt) || type != kTiffLong ||
        !reader.Read(valueAt, 4, &value))
        return MetadataValue {};
    if (!reader.FindEntry(value, kColorSpaceTag, &type, &count, &valueAt) || type != kTiffShort || count != 1 ||
        !reader.Read(valueAt, 2, &value))
        return MetadataValue {};
    return MetadataValue {MetadataValue::UnsignedShort, value};
}

// Walks the JPEG segments before the scan for the first EXIF block.
MetadataValue JpegColorSpace(const std::vector<uint8_t>& bytes)
{
    size_t at = 2;
    while (bytes.size() - at >= 4) {
        if (bytes[at] != 0xFF) break;
        const uint8_t marker = bytes[at + 1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {  // markers without a length
            at += 2;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) break;  // the scan, or the end
        const size_t length = static_cast<size_t>(bytes[at + 2]) << 8 | bytes[at + 3];
        if (length < 2 || length > bytes.size() - at - 2) break;
        const uint8_t* body = &bytes[at + 4];
        const size_t bodySize = length - 2;
        if (marker == 0xE1 && bodySize >= 6 && std::memcmp(body, "Exif\0\0", 6) == 0)
            return ExifColorSpace(body + 6, bodySize - 6);
        at += 2 + length;
    }
    return MetadataValue {};
}

// ---------------------------------------------------------------------------
// Guards for the decoder
// ---------------------------------------------------------------------------

// The system's stb_image (2.27) trusts two things a hostile file controls,
// so files are checked for them before stb sees them:
//   - a JPEG Huffman table whose code counts add up past 256 overruns the
//     decoder's tables (a write outside them);
//   - a PNG chunk announcing more bytes than the file holds makes it
//     allocate that much (up to 2 GB for a file of a hundred bytes).
// Such files are refused as undecodable, which is what they are.

uint32_t BigEndian16(const std::vector<uint8_t>& bytes, size_t at)
{
    // Reads past the end give zeros, as stb's reader does.
    const uint32_t high = at < bytes.size() ? bytes[at] : 0;
    const uint32_t low = at + 1 < bytes.size() ? bytes[at + 1] : 0;
    return high << 8 | low;
}

// The DHT segment whose length field is at `at`, table by table as stb reads
// it: false when a table it would build holds more than 256 codes.
bool HuffmanSegmentFits(const std::vector<uint8_t>& bytes, size_t at)
{
    int64_t left = static_cast<int64_t>(BigEndian16(bytes, at)) - 2;
    size_t table = at + 2;
    while (left > 0 && table < bytes.size()) {
        const uint8_t kind = bytes[table];
        if ((kind >> 4) > 1 || (kind & 15) > 3) return true;  // stb stops here
        uint32_t codes = 0;
        for (size_t length = 1; length <= 16; ++length)
            codes += table + length < bytes.size() ? bytes[table + length] : 0;
        if (codes > 256) return false;
        table += 17 + codes;
        left -= 17 + codes;
    }
    return true;
}

// stb reads the markers before the frame header one segment after another
// (skipping stray bytes up to the next 0xFF), and any later marker wherever
// a 0xFF precedes it. So the segments before the frame are walked as stb
// walks them, and from the frame on every 0xFF 0xC4 is taken for a DHT.
bool JpegHuffmanTablesFit(const std::vector<uint8_t>& bytes)
{
    size_t at = 0;
    // The next marker as stb finds it: none unless at a 0xFF, fill bytes skipped.
    const auto nextMarker = [&](int* marker) {
        if (at >= bytes.size()) return false;
        if (bytes[at++] != 0xFF) {
            *marker = -1;
            return true;
        }
        while (at < bytes.size() && bytes[at] == 0xFF) ++at;
        if (at >= bytes.size()) return false;
        *marker = bytes[at++];
        return true;
    };
    int marker = -1;
    if (!nextMarker(&marker) || marker != 0xD8) return true;  // not a JPEG to stb
    while (nextMarker(&marker)) {
        if (marker == -1) continue;
        if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2) break;  // the frame
        const size_t length = BigEndian16(bytes, at);
        if (marker == 0xC4 && !HuffmanSegmentFits(bytes, at)) return false;
        const bool known = marker == 0xC4 || marker == 0xDB || marker == 0xDD || (marker >= 0xE0 && marker <= 0xEF) ||
                           marker == 0xFE;
        if (!known || length < 2) return true;  // stb gives up on the file here
        at += length;
    }
    for (size_t index = at; index + 1 < bytes.size(); ++index)
        if (bytes[index] == 0xFF && bytes[index + 1] == 0xC4 && !HuffmanSegmentFits(bytes, index + 2)) return false;
    return true;
}

bool PngChunksFit(const std::vector<uint8_t>& bytes)
{
    size_t at = 8;
    while (bytes.size() - at >= 8) {
        const uint64_t length = BigEndian32(&bytes[at]);
        if (length > bytes.size() - at - 8) return false;
        if (std::memcmp(&bytes[at + 4], "IEND", 4) == 0) break;
        at += std::min<size_t>(bytes.size() - at, 12 + static_cast<size_t>(length));
    }
    return true;
}

// ---------------------------------------------------------------------------
// Opening a frame
// ---------------------------------------------------------------------------

ImageContainer ContainerOf(const std::vector<uint8_t>& bytes)
{
    const auto starts = [&](const char* magic, size_t length) {
        return bytes.size() >= length && std::memcmp(bytes.data(), magic, length) == 0;
    };
    if (starts("\x89PNG\r\n\x1a\n", 8)) return ImageContainer::Png;
    if (starts("\xFF\xD8\xFF", 3)) return ImageContainer::Jpeg;
    if (starts("BM", 2)) return ImageContainer::Bmp;
    if (starts("GIF87a", 6) || starts("GIF89a", 6)) return ImageContainer::Gif;
    if (starts("DDS ", 4)) return ImageContainer::Dds;
    return ImageContainer::Unknown;
}

HResult ReadFile(const std::string& path, std::vector<uint8_t>* bytes)
{
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return HResultFromErrno(errno ? errno : ENOENT);
    HResult result = S_OK;
    std::vector<uint8_t> read;
    uint8_t chunk[65536];
    for (;;) {
        const size_t got = std::fread(chunk, 1, sizeof chunk, file);
        // stb reads from an int-sized buffer; WIC would run out of memory first.
        if (read.size() + got > INT_MAX) {
            result = E_OUTOFMEMORY;
            break;
        }
        read.insert(read.end(), chunk, chunk + got);
        if (got < sizeof chunk) {
            if (std::ferror(file)) result = HResultFromErrno(errno ? errno : EIO);
            break;
        }
    }
    std::fclose(file);
    if (Succeeded(result)) *bytes = std::move(read);
    return result;
}

}  // namespace

uint32_t WICBitsPerPixel(WICPixelFormat format)
{
    switch (format) {
    case WICPixelFormatUndefined: return 0;
    case WICPixelFormatBlackWhite:
    case WICPixelFormat1bppIndexed: return 1;
    case WICPixelFormat2bppIndexed:
    case WICPixelFormat2bppGray: return 2;
    case WICPixelFormat4bppIndexed:
    case WICPixelFormat4bppGray: return 4;
    case WICPixelFormat8bppIndexed:
    case WICPixelFormat8bppGray:
    case WICPixelFormat8bppAlpha: return 8;
    case WICPixelFormat16bppGray:
    case WICPixelFormat16bppGrayHalf:
    case WICPixelFormat16bppGrayFixedPoint:
    case WICPixelFormat16bppBGR555:
    case WICPixelFormat16bppBGR565:
    case WICPixelFormat16bppBGRA5551: return 16;
    case WICPixelFormat24bppBGR:
    case WICPixelFormat24bppRGB: return 24;
    case WICPixelFormat40bppCMYKAlpha: return 40;
    case WICPixelFormat48bppRGB:
    case WICPixelFormat48bppBGR:
    case WICPixelFormat48bppRGBFixedPoint:
    case WICPixelFormat48bppBGRFixedPoint:
    case WICPixelFormat48bppRGBHalf: return 48;
    case WICPixelFormat64bppRGB:
    case WICPixelFormat64bppRGBA:
    case WICPixelFormat64bppBGRA:
    case WICPixelFormat64bppPRGBA:
    case WICPixelFormat64bppPBGRA:
    case WICPixelFormat64bppRGBFixedPoint:
    case WICPixelFormat64bppRGBAFixedPoint:
    case WICPixelFormat64bppBGRAFixedPoint:
    case WICPixelFormat64bppRGBHalf:
    case WICPixelFormat64bppRGBAHalf:
    case WICPixelFormat64bppPRGBAHalf:
    case WICPixelFormat64bppCMYK: return 64;
    case WICPixelFormat80bppCMYKAlpha: return 80;
    case WICPixelFormat96bppRGBFloat:
    case WICPixelFormat96bppRGBFixedPoint: return 96;
    case WICPixelFormat128bppRGBFloat:
    case WICPixelFormat128bppRGBAFloat:
    case WICPixelFormat128bppPRGBAFloat:
    case WICPixelFormat128bppRGBFixedPoint:
    case WICPixelFormat128bppRGBAFixedPoint: return 128;
    default: return 32;  // the remaining 32bpp formats
    }
}

bool WICCanConvert(WICPixelFormat from, WICPixelFormat to)
{
    return LayoutOf(from).channels != 0 && LayoutOf(to).channels != 0;
}

HResult ImageFrame::Open(const std::string& path)
{
    std::vector<uint8_t> bytes;
    const HResult result = ReadFile(path, &bytes);
    if (Failed(result)) {
        *this = ImageFrame {};
        return result;
    }
    return OpenMemory(std::move(bytes));
}

HResult ImageFrame::OpenMemory(std::vector<uint8_t> bytes)
{
    *this = ImageFrame {};
    if (bytes.size() > INT_MAX) return E_OUTOFMEMORY;
    ImageContainer container = ContainerOf(bytes);
    if (container == ImageContainer::Dds) {
        container_ = container;
        return S_OK;
    }
    if (!JpegHuffmanTablesFit(bytes) || (container == ImageContainer::Png && !PngChunksFit(bytes)))
        return WINCODEC_ERR_BADIMAGE;
    int width = 0, height = 0, channels = 0;
    const int size = static_cast<int>(bytes.size());
    const bool known = stbi_info_from_memory(bytes.data(), size, &width, &height, &channels) != 0;
    if (container == ImageContainer::Unknown) {
        // Only TGA has no magic: what the TGA reader accepts is one.
        if (!known) return WINCODEC_ERR_COMPONENTNOTFOUND;
        container = ImageContainer::Tga;
    }
    if (!known || width <= 0 || height <= 0 || channels < 1 || channels > 4) return WINCODEC_ERR_BADIMAGE;

    container_ = container;
    width_ = static_cast<uint32_t>(width);
    height_ = static_cast<uint32_t>(height);
    pixelFormat_ = FrameFormat(channels, stbi_is_16_bit_from_memory(bytes.data(), size) != 0);
    if (container == ImageContainer::Png) pngRenderingIntent_ = PngRenderingIntent(bytes);
    if (container == ImageContainer::Jpeg) exifColorSpace_ = JpegColorSpace(bytes);
    bytes_ = std::move(bytes);
    return S_OK;
}

HResult ImageFrame::GetMetadataByName(const std::string& name, MetadataValue* value) const
{
    if (!value) return E_INVALIDARG;
    *value = MetadataValue {};
    if (container_ == ImageContainer::Png && name == "/sRGB/RenderingIntent") *value = pngRenderingIntent_;
    if (container_ == ImageContainer::Jpeg && name == "System.Image.ColorSpace") *value = exifColorSpace_;
    return value->type == MetadataValue::Empty ? WINCODEC_ERR_PROPERTYNOTFOUND : S_OK;
}

// ---------------------------------------------------------------------------
// Copying pixels
// ---------------------------------------------------------------------------

HResult ImageFrame::CopyPixels(WICPixelFormat format, uint32_t width, uint32_t height, uint32_t rowPitch,
                               uint8_t* buffer, size_t bufferSize) const
{
    const FrameLayout layout = LayoutOf(format);
    if (!WICCanConvert(pixelFormat_, format)) return WINCODEC_ERR_UNSUPPORTEDOPERATION;
    if (!buffer || width == 0 || height == 0 || width > INT_MAX || height > INT_MAX || rowPitch > INT_MAX)
        return E_INVALIDARG;
    const uint64_t rowBytes = uint64_t {width} * layout.channels * (layout.bits / 8);
    if (rowPitch < rowBytes || uint64_t {rowPitch} * (height - 1) + rowBytes > bufferSize) return E_INVALIDARG;
    if (uint64_t {width_} * height_ > kMaxDecodedTexels) return E_OUTOFMEMORY;

    int decodedWidth = 0, decodedHeight = 0, fileChannels = 0;
    const int size = static_cast<int>(bytes_.size());
    void* decoded = layout.bits == 16
                        ? static_cast<void*>(stbi_load_16_from_memory(bytes_.data(), size, &decodedWidth,
                                                                      &decodedHeight, &fileChannels, layout.channels))
                        : static_cast<void*>(stbi_load_from_memory(bytes_.data(), size, &decodedWidth, &decodedHeight,
                                                                   &fileChannels, layout.channels));
    if (!decoded) {
        const char* reason = stbi_failure_reason();
        return reason && std::strcmp(reason, "outofmem") == 0 ? E_OUTOFMEMORY : WINCODEC_ERR_BADIMAGE;
    }
    HResult result = S_OK;
    const size_t decodedRow = static_cast<size_t>(decodedWidth) * layout.channels * (layout.bits / 8);
    if (static_cast<uint32_t>(decodedWidth) != width_ || static_cast<uint32_t>(decodedHeight) != height_) {
        result = WINCODEC_ERR_BADIMAGE;
    } else if (width == width_ && height == height_) {
        for (uint32_t row = 0; row < height; ++row)
            std::memcpy(buffer + size_t {rowPitch} * row, static_cast<const uint8_t*>(decoded) + decodedRow * row,
                        decodedRow);
    } else {
        // An area filter, as WIC's Fant scaler averages the texels it covers.
        const int alpha = layout.channels == 4 ? 3 : STBIR_ALPHA_CHANNEL_NONE;
        const int done =
            layout.bits == 16
                ? stbir_resize_uint16_generic(static_cast<const stbir_uint16*>(decoded), decodedWidth, decodedHeight,
                                              static_cast<int>(decodedRow), reinterpret_cast<stbir_uint16*>(buffer),
                                              static_cast<int>(width), static_cast<int>(height),
                                              static_cast<int>(rowPitch), layout.channels, alpha, 0, STBIR_EDGE_CLAMP,
                                              STBIR_FILTER_BOX, STBIR_COLORSPACE_LINEAR, nullptr)
                : stbir_resize_uint8_generic(static_cast<const unsigned char*>(decoded), decodedWidth, decodedHeight,
                                             static_cast<int>(decodedRow), buffer, static_cast<int>(width),
                                             static_cast<int>(height), static_cast<int>(rowPitch), layout.channels,
                                             alpha, 0, STBIR_EDGE_CLAMP, STBIR_FILTER_BOX, STBIR_COLORSPACE_LINEAR,
                                             nullptr);
        if (!done) result = E_OUTOFMEMORY;
    }
    stbi_image_free(decoded);
    return result;
}

}  // namespace platform
