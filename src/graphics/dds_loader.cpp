// Index
//   - File layout constants
//   - Parsing the file
//   - Formats and sizes
//   - Header to layout
//   - Collecting the mip levels
//   - Creating the texture and its view
//   - Loading from a file
#include "graphics/dds_loader.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <new>

#include "core/binary_io.h"
#include "platform/files.h"
#include "platform/text.h"

namespace {

// ---------------------------------------------------------------------------
// File layout constants
// ---------------------------------------------------------------------------

constexpr uint32_t MakeFourCC(char a, char b, char c, char d)
{
    return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 | uint32_t(uint8_t(d)) << 24;
}

constexpr uint32_t kDDSMagic = MakeFourCC('D', 'D', 'S', ' ');
constexpr size_t kHeaderBytes = 4 + 124;         // magic and header
constexpr size_t kDX10HeaderBytes = kHeaderBytes + 20;

constexpr uint32_t DDS_HEIGHT = 0x2;
constexpr uint32_t DDS_HEADER_FLAGS_VOLUME = 0x800000;
constexpr uint32_t DDS_FOURCC = 0x4;
constexpr uint32_t DDS_RGB = 0x40;
constexpr uint32_t DDS_LUMINANCE = 0x20000;
constexpr uint32_t DDS_ALPHA = 0x2;
constexpr uint32_t DDS_BUMPDUDV = 0x80000;
constexpr uint32_t DDS_CUBEMAP = 0x200;
constexpr uint32_t DDS_CUBEMAP_ALLFACES = 0xFE00;  // the cube bit and all six face bits

constexpr uint32_t kDimension1D = 2, kDimension2D = 3, kDimension3D = 4;
constexpr uint32_t kDX10MiscTextureCube = 0x4;

// Direct3D 11's limits.
constexpr uint32_t kMaxMipLevels = 15;
constexpr uint32_t kMaxArraySize = 2048;
constexpr uint32_t kMax1DWidth = 16384;
constexpr uint32_t kMax2DSize = 16384;
constexpr uint32_t kMax3DSize = 2048;

// Feature levels below the layer's lowest, for the retry sizes Direct3D
// would use on such hardware.
constexpr uint32_t kFeatureLevel9_1 = 0x9100, kFeatureLevel9_2 = 0x9200, kFeatureLevel9_3 = 0x9300;

}  // namespace

// ---------------------------------------------------------------------------
// Parsing the file
// ---------------------------------------------------------------------------

HResult ParseDDSData(const uint8_t* data, size_t size, DDSFile* file)
{
    if (!file) return E_INVALIDARG;
    *file = DDSFile {};
    if (!data || size < kHeaderBytes) return E_FAIL;
    BinaryReader reader(data, size);
    uint32_t magic = 0;
    DDSHeader header;
    uint32_t reserved = 0;
    reader.ReadU32(magic);
    reader.ReadU32(header.size);
    reader.ReadU32(header.flags);
    reader.ReadU32(header.height);
    reader.ReadU32(header.width);
    reader.ReadU32(header.pitchOrLinearSize);
    reader.ReadU32(header.depth);
    reader.ReadU32(header.mipMapCount);
    reader.Skip(11 * 4);
    DDSPixelFormat& pf = header.ddspf;
    reader.ReadU32(pf.size);
    reader.ReadU32(pf.flags);
    reader.ReadU32(pf.fourCC);
    reader.ReadU32(pf.rgbBitCount);
    reader.ReadU32(pf.rBitMask);
    reader.ReadU32(pf.gBitMask);
    reader.ReadU32(pf.bBitMask);
    reader.ReadU32(pf.aBitMask);
    reader.ReadU32(header.caps);
    reader.ReadU32(header.caps2);
    reader.ReadU32(header.caps3);
    reader.ReadU32(header.caps4);
    reader.ReadU32(reserved);
    if (magic != kDDSMagic || header.size != 124 || pf.size != 32) return E_FAIL;

    DDSHeaderDX10 dx10;
    const bool hasDX10 = (pf.flags & DDS_FOURCC) && pf.fourCC == MakeFourCC('D', 'X', '1', '0');
    if (hasDX10) {
        if (size < kDX10HeaderBytes) return E_FAIL;
        reader.ReadU32(dx10.dxgiFormat);
        reader.ReadU32(dx10.resourceDimension);
        reader.ReadU32(dx10.miscFlag);
        reader.ReadU32(dx10.arraySize);
        reader.ReadU32(dx10.miscFlags2);
    }
    file->header = header;
    file->hasDX10 = hasDX10;
    file->dx10 = dx10;
    file->bits = data + reader.Position();
    file->bitSize = reader.Remaining();
    return S_OK;
}

DDS_ALPHA_MODE ReadDDSAlphaMode(const DDSFile& file)
{
    const DDSPixelFormat& pf = file.header.ddspf;
    if (!(pf.flags & DDS_FOURCC)) return DDS_ALPHA_MODE_UNKNOWN;
    if (pf.fourCC == MakeFourCC('D', 'X', '1', '0')) {
        const uint32_t mode = file.dx10.miscFlags2 & 7;
        return mode <= DDS_ALPHA_MODE_CUSTOM ? static_cast<DDS_ALPHA_MODE>(mode) : DDS_ALPHA_MODE_UNKNOWN;
    }
    if (pf.fourCC == MakeFourCC('D', 'X', 'T', '2') || pf.fourCC == MakeFourCC('D', 'X', 'T', '4'))
        return DDS_ALPHA_MODE_PREMULTIPLIED;
    return DDS_ALPHA_MODE_UNKNOWN;
}

// ---------------------------------------------------------------------------
// Formats and sizes
// ---------------------------------------------------------------------------

uint32_t FormatBitsPerPixel(uint32_t format)
{
    if (format < 1 || format > 115) return 0;
    if (format <= 4) return 128;
    if (format <= 8) return 96;
    if (format <= 22 || format == 102 || format == 108 || format == 109) return 64;
    if ((format >= 48 && format <= 59) || format == 85 || format == 86 || format == 114 || format == 115) return 16;
    if ((format >= 60 && format <= 65) || (format >= 73 && format <= 78) || (format >= 82 && format <= 84) ||
        (format >= 94 && format <= 99) || (format >= 111 && format <= 113))
        return 8;
    if ((format >= 70 && format <= 72) || (format >= 79 && format <= 81)) return 4;
    if (format == 66) return 1;
    if (format == 103 || format == 106 || format == 110) return 12;
    if (format == 104 || format == 105) return 24;
    return 32;
}

HResult ComputeSurfaceSize(uint32_t width, uint32_t height, uint32_t format, uint64_t* imageBytes, uint64_t* rowBytes,
                           uint64_t* rowCount)
{
    uint64_t row = 0, rows = 0, image = 0;
    bool planar = false;
    const bool blockCompressed = (format >= 70 && format <= 84) || (format >= 94 && format <= 99);
    if (blockCompressed) {
        const uint64_t blockBytes = ((format >= 70 && format <= 72) || (format >= 79 && format <= 81)) ? 8 : 16;
        const uint64_t across = width == 0 ? 0 : std::max<uint64_t>(1, (uint64_t {width} + 3) / 4);
        const uint64_t down = height == 0 ? 0 : std::max<uint64_t>(1, (uint64_t {height} + 3) / 4);
        row = across * blockBytes;
        rows = down;
    } else if (format == 68 || format == 69 || format == 107 || format == 108 || format == 109) {
        const uint64_t pairBytes = (format == 108 || format == 109) ? 8 : 4;
        row = (uint64_t {width} + 1) / 2 * pairBytes;
        rows = height;
    } else if (format == 110) {
        row = (uint64_t {width} + 3) / 4 * 4;
        rows = uint64_t {height} * 2;
    } else if (format == 103 || format == 104 || format == 105 || format == 106) {
        const uint64_t pairBytes = (format == 103 || format == 106) ? 2 : 4;
        row = (uint64_t {width} + 1) / 2 * pairBytes;
        rows = uint64_t {height} + (uint64_t {height} + 1) / 2;
        planar = true;
    } else {
        const uint32_t bits = FormatBitsPerPixel(format);
        if (bits == 0) return E_INVALIDARG;
        row = (uint64_t {width} * bits + 7) / 8;
        rows = height;
    }
    // What does not fit the 32-bit pitches of a subresource is refused, each
    // factor checked before it is multiplied so nothing wraps.
    if (row > UINT32_MAX) return HRESULT_ARITHMETIC_OVERFLOW;
    if (planar) {
        const uint64_t luma = row * height;  // both below 2^32
        if (luma > UINT32_MAX) return HRESULT_ARITHMETIC_OVERFLOW;
        image = luma + (luma + 1) / 2;
    } else {
        if (rows != 0 && row > UINT32_MAX / rows) return HRESULT_ARITHMETIC_OVERFLOW;
        image = row * rows;
    }
    if (image > UINT32_MAX) return HRESULT_ARITHMETIC_OVERFLOW;
    if (imageBytes) *imageBytes = image;
    if (rowBytes) *rowBytes = row;
    if (rowCount) *rowCount = rows;
    return S_OK;
}

gpu::Format SRGBVariant(gpu::Format format)
{
    switch (format) {
    case gpu::FORMAT_R8G8B8A8_UNORM: return gpu::FORMAT_R8G8B8A8_UNORM_SRGB;
    case gpu::FORMAT_BC1_UNORM: return gpu::FORMAT_BC1_UNORM_SRGB;
    case gpu::FORMAT_BC2_UNORM: return gpu::FORMAT_BC2_UNORM_SRGB;
    case gpu::FORMAT_BC3_UNORM: return gpu::FORMAT_BC3_UNORM_SRGB;
    case gpu::FORMAT_B8G8R8A8_UNORM: return gpu::FORMAT_B8G8R8A8_UNORM_SRGB;
    case gpu::FORMAT_B8G8R8X8_UNORM: return gpu::FORMAT_B8G8R8X8_UNORM_SRGB;
    case gpu::FORMAT_BC7_UNORM: return gpu::FORMAT_BC7_UNORM_SRGB;
    default: return format;
    }
}

// ---------------------------------------------------------------------------
// Header to layout
// ---------------------------------------------------------------------------

namespace {

bool HasMasks(const DDSPixelFormat& pf, uint32_t r, uint32_t g, uint32_t b, uint32_t a)
{
    return pf.rBitMask == r && pf.gBitMask == g && pf.bBitMask == b && pf.aBitMask == a;
}

// The legacy pixel-format table; the first matching row wins.
gpu::Format LegacyFormat(const DDSPixelFormat& pf)
{
    using namespace gpu;
    if (pf.flags & DDS_RGB) {
        if (pf.rgbBitCount == 16) {
            if (HasMasks(pf, 0x7C00, 0x03E0, 0x001F, 0x8000)) return FORMAT_B5G5R5A1_UNORM;
            if (HasMasks(pf, 0xF800, 0x07E0, 0x001F, 0)) return FORMAT_B5G6R5_UNORM;
            if (HasMasks(pf, 0x0F00, 0x00F0, 0x000F, 0xF000)) return FORMAT_B4G4R4A4_UNORM;
        } else if (pf.rgbBitCount == 32) {
            if (HasMasks(pf, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000)) return FORMAT_R8G8B8A8_UNORM;
            if (HasMasks(pf, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000)) return FORMAT_B8G8R8A8_UNORM;
            if (HasMasks(pf, 0x00FF0000, 0x0000FF00, 0x000000FF, 0)) return FORMAT_B8G8R8X8_UNORM;
            if (HasMasks(pf, 0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000)) return FORMAT_R10G10B10A2_UNORM;
            if (HasMasks(pf, 0x0000FFFF, 0xFFFF0000, 0, 0)) return FORMAT_R16G16_UNORM;
            if (HasMasks(pf, 0xFFFFFFFF, 0, 0, 0)) return FORMAT_R32_FLOAT;
        }
    } else if (pf.flags & DDS_LUMINANCE) {
        if (pf.rgbBitCount == 8) {
            if (HasMasks(pf, 0xFF, 0, 0, 0)) return FORMAT_R8_UNORM;
            if (HasMasks(pf, 0xFF, 0, 0, 0xFF00)) return FORMAT_R8G8_UNORM;
        } else if (pf.rgbBitCount == 16) {
            if (HasMasks(pf, 0xFFFF, 0, 0, 0)) return FORMAT_R16_UNORM;
            if (HasMasks(pf, 0xFF, 0, 0, 0xFF00)) return FORMAT_R8G8_UNORM;
        }
    } else if (pf.flags & DDS_ALPHA) {
        if (pf.rgbBitCount == 8) return FORMAT_A8_UNORM;
    } else if (pf.flags & DDS_BUMPDUDV) {
        if (pf.rgbBitCount == 16 && HasMasks(pf, 0xFF, 0xFF00, 0, 0)) return FORMAT_R8G8_SNORM;
        if (pf.rgbBitCount == 32) {
            if (HasMasks(pf, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000)) return FORMAT_R8G8B8A8_SNORM;
            if (HasMasks(pf, 0x0000FFFF, 0xFFFF0000, 0, 0)) return FORMAT_R16G16_SNORM;
        }
    } else if (pf.flags & DDS_FOURCC) {
        switch (pf.fourCC) {
        case MakeFourCC('D', 'X', 'T', '1'): return FORMAT_BC1_UNORM;
        case MakeFourCC('D', 'X', 'T', '2'):
        case MakeFourCC('D', 'X', 'T', '3'): return FORMAT_BC2_UNORM;
        case MakeFourCC('D', 'X', 'T', '4'):
        case MakeFourCC('D', 'X', 'T', '5'): return FORMAT_BC3_UNORM;
        case MakeFourCC('A', 'T', 'I', '1'):
        case MakeFourCC('B', 'C', '4', 'U'): return FORMAT_BC4_UNORM;
        case MakeFourCC('B', 'C', '4', 'S'): return FORMAT_BC4_SNORM;
        case MakeFourCC('A', 'T', 'I', '2'):
        case MakeFourCC('B', 'C', '5', 'U'): return FORMAT_BC5_UNORM;
        case MakeFourCC('B', 'C', '5', 'S'): return FORMAT_BC5_SNORM;
        case MakeFourCC('R', 'G', 'B', 'G'): return FORMAT_R8G8_B8G8_UNORM;
        case MakeFourCC('G', 'R', 'G', 'B'): return FORMAT_G8R8_G8B8_UNORM;
        case MakeFourCC('Y', 'U', 'Y', '2'): return FORMAT_YUY2;
        // Direct3D 9 format numbers stored as the code.
        case 36: return FORMAT_R16G16B16A16_UNORM;
        case 110: return FORMAT_R16G16B16A16_SNORM;
        case 111: return FORMAT_R16_FLOAT;
        case 112: return FORMAT_R16G16_FLOAT;
        case 113: return FORMAT_R16G16B16A16_FLOAT;
        case 114: return FORMAT_R32_FLOAT;
        case 115: return FORMAT_R32G32_FLOAT;
        case 116: return FORMAT_R32G32B32A32_FLOAT;
        default: break;
        }
    }
    return FORMAT_UNKNOWN;
}

}  // namespace

HResult ReadDDSTextureLayout(const DDSFile& file, uint32_t miscFlags, DDSTextureLayout* layout)
{
    if (!layout) return E_INVALIDARG;
    const DDSHeader& header = file.header;
    DDSTextureLayout made;
    made.width = header.width;
    made.height = header.height;
    made.depth = header.depth;
    made.mipCount = header.mipMapCount == 0 ? 1 : header.mipMapCount;
    // 64 bits: six faces per cube must not wrap a hostile array size.
    uint64_t arraySize = 1;

    if (file.hasDX10) {
        const DDSHeaderDX10& dx10 = file.dx10;
        arraySize = dx10.arraySize;
        if (arraySize == 0) return HRESULT_INVALID_DATA;
        // Palette formats (AI44, IA44, P8, A8P8) and unknown numbers.
        if ((dx10.dxgiFormat >= 111 && dx10.dxgiFormat <= 114) || FormatBitsPerPixel(dx10.dxgiFormat) == 0)
            return HRESULT_NOT_SUPPORTED;
        made.format = static_cast<gpu::Format>(dx10.dxgiFormat);
        switch (dx10.resourceDimension) {
        case kDimension1D:
            if ((header.flags & DDS_HEIGHT) && made.height != 1) return HRESULT_INVALID_DATA;
            made.height = made.depth = 1;
            made.dimension = gpu::RESOURCE_DIMENSION_TEXTURE1D;
            break;
        case kDimension2D:
            if (dx10.miscFlag & kDX10MiscTextureCube) {
                made.isCubeMap = true;
                arraySize *= 6;
            }
            made.depth = 1;
            made.dimension = gpu::RESOURCE_DIMENSION_TEXTURE2D;
            break;
        case kDimension3D:
            if (!(header.flags & DDS_HEADER_FLAGS_VOLUME)) return HRESULT_INVALID_DATA;
            if (arraySize > 1) return HRESULT_NOT_SUPPORTED;
            made.dimension = gpu::RESOURCE_DIMENSION_TEXTURE3D;
            break;
        default: return HRESULT_NOT_SUPPORTED;
        }
    } else {
        made.format = LegacyFormat(header.ddspf);
        if (made.format == gpu::FORMAT_UNKNOWN) return HRESULT_NOT_SUPPORTED;
        if (header.flags & DDS_HEADER_FLAGS_VOLUME) {
            made.dimension = gpu::RESOURCE_DIMENSION_TEXTURE3D;
        } else {
            if (header.caps2 & DDS_CUBEMAP) {
                // A cube map with faces missing cannot be made.
                if ((header.caps2 & DDS_CUBEMAP_ALLFACES) != DDS_CUBEMAP_ALLFACES) return HRESULT_NOT_SUPPORTED;
                arraySize = 6;
                made.isCubeMap = true;
            }
            made.depth = 1;
            made.dimension = gpu::RESOURCE_DIMENSION_TEXTURE2D;
        }
    }

    if ((miscFlags & gpu::RESOURCE_MISC_TEXTURECUBE) && made.dimension == gpu::RESOURCE_DIMENSION_TEXTURE2D &&
        arraySize % 6 == 0)
        made.isCubeMap = true;

    if (made.mipCount > kMaxMipLevels) return HRESULT_NOT_SUPPORTED;
    switch (made.dimension) {
    case gpu::RESOURCE_DIMENSION_TEXTURE1D:
        if (arraySize > kMaxArraySize || made.width > kMax1DWidth) return HRESULT_NOT_SUPPORTED;
        break;
    case gpu::RESOURCE_DIMENSION_TEXTURE2D:
        if (arraySize > kMaxArraySize || made.width > kMax2DSize || made.height > kMax2DSize)
            return HRESULT_NOT_SUPPORTED;
        break;
    default:
        if (arraySize > 1 || made.width > kMax3DSize || made.height > kMax3DSize || made.depth > kMax3DSize)
            return HRESULT_NOT_SUPPORTED;
        break;
    }
    made.arraySize = static_cast<uint32_t>(arraySize);
    *layout = made;
    return S_OK;
}

// ---------------------------------------------------------------------------
// Collecting the mip levels
// ---------------------------------------------------------------------------

HResult CollectMipData(const DDSTextureLayout& layout, size_t maxSize, const uint8_t* bits, size_t bitSize,
                       DDSMipData* mips)
{
    if (!mips || (!bits && bitSize)) return E_INVALIDARG;
    *mips = DDSMipData {};
    size_t offset = 0;
    for (uint32_t item = 0; item < layout.arraySize; ++item) {
        uint32_t width = layout.width, height = layout.height, depth = layout.depth;
        for (uint32_t mip = 0; mip < layout.mipCount; ++mip) {
            uint64_t imageBytes = 0, rowBytes = 0;
            const HResult result = ComputeSurfaceSize(width, height, layout.format, &imageBytes, &rowBytes, nullptr);
            if (Failed(result)) return result;
            // Every slice of a volume level must be in the file, not just the first.
            const uint64_t levelBytes = imageBytes * depth;
            if (levelBytes > bitSize - offset) return E_HANDLE_EOF;

            if (layout.mipCount <= 1 || maxSize == 0 || (width <= maxSize && height <= maxSize && depth <= maxSize)) {
                if (mips->width == 0) {
                    mips->width = width;
                    mips->height = height;
                    mips->depth = depth;
                }
                gpu::SubresourceData data;
                data.pSysMem = bits + offset;
                data.SysMemPitch = static_cast<uint32_t>(rowBytes);
                data.SysMemSlicePitch = static_cast<uint32_t>(imageBytes);
                mips->subresources.push_back(data);
            } else if (item == 0) {
                ++mips->skippedMips;
            }
            offset += static_cast<size_t>(levelBytes);
            width = std::max(width / 2, 1u);
            height = std::max(height / 2, 1u);
            depth = std::max(depth / 2, 1u);
        }
    }
    return mips->subresources.empty() ? E_FAIL : S_OK;
}

// ---------------------------------------------------------------------------
// Creating the texture and its view
// ---------------------------------------------------------------------------

namespace {

struct TextureOptions {
    gpu::Usage usage = gpu::USAGE_DEFAULT;
    uint32_t bindFlags = gpu::BIND_SHADER_RESOURCE;
    uint32_t cpuAccessFlags = 0;
    uint32_t miscFlags = 0;
    bool forceSRGB = false;
};

constexpr uint32_t kAllMips = 0xFFFFFFFFu;

// The fields the 1-D, 2-D and 3-D descriptions share.
template <typename Desc>
void FillSharedDesc(Desc& desc, uint32_t width, uint32_t mipCount, gpu::Format format,
                    const TextureOptions& options, uint32_t miscFlags)
{
    desc.Width = width;
    desc.MipLevels = mipCount;
    desc.Format = format;
    desc.Usage = options.usage;
    desc.BindFlags = options.bindFlags;
    desc.CPUAccessFlags = options.cpuAccessFlags;
    desc.MiscFlags = miscFlags;
}

// `mipCount` 0 asks for a full chain (for GPU generation; no initial data).
HResult CreateTextureAndView(gpu::Device* device, const DDSTextureLayout& layout, uint32_t width, uint32_t height,
                             uint32_t depth, uint32_t mipCount, const TextureOptions& options,
                             const gpu::SubresourceData* initialData, gpu::Resource** texture,
                             gpu::ShaderResourceView** textureView)
{
    const gpu::Format format = options.forceSRGB ? SRGBVariant(layout.format) : layout.format;
    const uint32_t viewMips = mipCount == 0 ? kAllMips : mipCount;
    const uint32_t plainMisc = options.miscFlags & ~uint32_t {gpu::RESOURCE_MISC_TEXTURECUBE};
    gpu::Resource* made = nullptr;
    gpu::ShaderResourceViewDesc view;
    view.Format = format;
    HResult result = S_OK;

    switch (layout.dimension) {
    case gpu::RESOURCE_DIMENSION_TEXTURE1D: {
        gpu::Texture1DDesc desc;
        FillSharedDesc(desc, width, mipCount, format, options, plainMisc);
        desc.ArraySize = layout.arraySize;
        gpu::Texture1D* texture1D = nullptr;
        result = device->CreateTexture1D(&desc, initialData, &texture1D);
        made = texture1D;
        if (layout.arraySize > 1) {
            view.ViewDimension = gpu::SRV_DIMENSION_TEXTURE1DARRAY;
            view.Texture1DArray = gpu::SrvMipArrayRange {0, viewMips, 0, layout.arraySize};
        } else {
            view.ViewDimension = gpu::SRV_DIMENSION_TEXTURE1D;
            view.Texture1D = gpu::SrvMipRange {0, viewMips};
        }
        break;
    }
    case gpu::RESOURCE_DIMENSION_TEXTURE2D: {
        gpu::Texture2DDesc desc;
        FillSharedDesc(desc, width, mipCount, format, options,
                       layout.isCubeMap ? plainMisc | gpu::RESOURCE_MISC_TEXTURECUBE : plainMisc);
        desc.Height = height;
        desc.ArraySize = layout.arraySize;
        desc.SampleDesc.Count = 1;
        gpu::Texture2D* texture2D = nullptr;
        result = device->CreateTexture2D(&desc, initialData, &texture2D);
        made = texture2D;
        if (layout.isCubeMap && layout.arraySize > 6) {
            view.ViewDimension = gpu::SRV_DIMENSION_TEXTURECUBEARRAY;
            view.TextureCubeArray = gpu::SrvCubeArrayRange {0, viewMips, 0, layout.arraySize / 6};
        } else if (layout.isCubeMap) {
            view.ViewDimension = gpu::SRV_DIMENSION_TEXTURECUBE;
            view.TextureCube = gpu::SrvMipRange {0, viewMips};
        } else if (layout.arraySize > 1) {
            view.ViewDimension = gpu::SRV_DIMENSION_TEXTURE2DARRAY;
            view.Texture2DArray = gpu::SrvMipArrayRange {0, viewMips, 0, layout.arraySize};
        } else {
            view.ViewDimension = gpu::SRV_DIMENSION_TEXTURE2D;
            view.Texture2D = gpu::SrvMipRange {0, viewMips};
        }
        break;
    }
    default: {
        gpu::Texture3DDesc desc;
        FillSharedDesc(desc, width, mipCount, format, options, plainMisc);
        desc.Height = height;
        desc.Depth = depth;
        gpu::Texture3D* texture3D = nullptr;
        result = device->CreateTexture3D(&desc, initialData, &texture3D);
        made = texture3D;
        view.ViewDimension = gpu::SRV_DIMENSION_TEXTURE3D;
        view.Texture3D = gpu::SrvMipRange {0, viewMips};
        break;
    }
    }
    if (Failed(result)) return result;

    if (textureView) {
        result = device->CreateShaderResourceView(made, &view, textureView);
        if (Failed(result)) {
            made->Release();
            return result;
        }
    }
    // Without a texture output the view's reference keeps the texture alive.
    if (texture) *texture = made;
    else made->Release();
    return S_OK;
}

// The largest size the device takes when the caller gave none, for the retry
// after a creation failure.
size_t RetryMaxSize(gpu::FeatureLevel level, const DDSTextureLayout& layout)
{
    const bool volume = layout.dimension == gpu::RESOURCE_DIMENSION_TEXTURE3D;
    switch (static_cast<uint32_t>(level)) {
    case kFeatureLevel9_1:
    case kFeatureLevel9_2: return layout.isCubeMap ? 512 : volume ? 256 : 2048;
    case kFeatureLevel9_3: return volume ? 256 : 4096;
    default: return volume ? 2048 : 8192;
    }
}

// The top level goes to the GPU and the GPU makes the rest of the chain.
HResult BuildWithGeneratedMips(gpu::Device* device, gpu::Context* context, const DDSTextureLayout& layout,
                               const uint8_t* bits, size_t bitSize, TextureOptions options, gpu::Resource** texture,
                               gpu::ShaderResourceView** textureView)
{
    options.bindFlags |= gpu::BIND_RENDER_TARGET;
    options.miscFlags |= gpu::RESOURCE_MISC_GENERATE_MIPS;
    uint64_t imageBytes = 0, rowBytes = 0;
    HResult result = ComputeSurfaceSize(layout.width, layout.height, layout.format, &imageBytes, &rowBytes, nullptr);
    if (Failed(result)) return result;
    // A volume's top level holds every slice.
    if (imageBytes * layout.depth > bitSize) return E_HANDLE_EOF;

    gpu::Resource* made = nullptr;
    gpu::ShaderResourceView* view = nullptr;
    result = CreateTextureAndView(device, layout, layout.width, layout.height, layout.depth, 0, options, nullptr,
                                  &made, &view);
    if (Failed(result)) return result;

    if (layout.arraySize > 1) {
        gpu::ShaderResourceViewDesc desc;
        view->GetDesc(&desc);
        uint32_t mipLevels = 0;
        switch (desc.ViewDimension) {
        case gpu::SRV_DIMENSION_TEXTURE1D: mipLevels = desc.Texture1D.MipLevels; break;
        case gpu::SRV_DIMENSION_TEXTURE1DARRAY: mipLevels = desc.Texture1DArray.MipLevels; break;
        case gpu::SRV_DIMENSION_TEXTURE2D: mipLevels = desc.Texture2D.MipLevels; break;
        case gpu::SRV_DIMENSION_TEXTURE2DARRAY: mipLevels = desc.Texture2DArray.MipLevels; break;
        case gpu::SRV_DIMENSION_TEXTURECUBE: mipLevels = desc.TextureCube.MipLevels; break;
        case gpu::SRV_DIMENSION_TEXTURECUBEARRAY: mipLevels = desc.TextureCubeArray.MipLevels; break;
        case gpu::SRV_DIMENSION_TEXTURE3D: mipLevels = desc.Texture3D.MipLevels; break;
        default: result = E_UNEXPECTED; break;
        }
        size_t offset = 0;
        for (uint32_t item = 0; Succeeded(result) && item < layout.arraySize; ++item) {
            if (imageBytes > bitSize - offset) {
                result = E_HANDLE_EOF;
                break;
            }
            context->UpdateSubresource(made, item * mipLevels, nullptr, bits + offset, static_cast<uint32_t>(rowBytes),
                                       static_cast<uint32_t>(imageBytes));
            offset += static_cast<size_t>(imageBytes);
        }
    } else {
        context->UpdateSubresource(made, 0, nullptr, bits, static_cast<uint32_t>(rowBytes),
                                   static_cast<uint32_t>(imageBytes));
    }
    if (Failed(result)) {
        view->Release();
        made->Release();
        return result;
    }
    context->GenerateMips(view);
    *textureView = view;
    if (texture) *texture = made;
    else made->Release();
    return S_OK;
}

HResult BuildDDSTexture(gpu::Device* device, gpu::Context* context, const DDSFile& file, size_t maxSize,
                        const TextureOptions& options, gpu::Resource** texture, gpu::ShaderResourceView** textureView)
{
    DDSTextureLayout layout;
    HResult result = ReadDDSTextureLayout(file, options.miscFlags, &layout);
    if (Failed(result)) return result;

    uint32_t support = 0;
    const bool generateMips = layout.mipCount == 1 && context && textureView &&
                              Succeeded(device->CheckFormatSupport(layout.format, &support)) &&
                              (support & gpu::FORMAT_SUPPORT_MIP_AUTOGEN) &&
                              (layout.dimension != gpu::RESOURCE_DIMENSION_TEXTURE3D ||
                               device->GetFeatureLevel() >= gpu::FEATURE_LEVEL_10_0);
    if (generateMips)
        return BuildWithGeneratedMips(device, context, layout, file.bits, file.bitSize, options, texture, textureView);

    DDSMipData mips;
    result = CollectMipData(layout, maxSize, file.bits, file.bitSize, &mips);
    if (Succeeded(result))
        result = CreateTextureAndView(device, layout, mips.width, mips.height, mips.depth,
                                      layout.mipCount - mips.skippedMips, options, mips.subresources.data(), texture,
                                      textureView);
    // Too large for the device: once more with the device's own size limit.
    if (Failed(result) && maxSize == 0 && layout.mipCount > 1) {
        result = CollectMipData(layout, RetryMaxSize(device->GetFeatureLevel(), layout), file.bits, file.bitSize,
                                &mips);
        if (Succeeded(result))
            result = CreateTextureAndView(device, layout, mips.width, mips.height, mips.depth,
                                          layout.mipCount - mips.skippedMips, options, mips.subresources.data(),
                                          texture, textureView);
    }
    return result;
}

// CreateFileW, the size and ReadFile: the whole file in one buffer.
HResult ReadDDSFile(const std::string& path, std::vector<uint8_t>* bytes)
{
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return HResultFromErrno(errno ? errno : ENOENT);
    HResult result = S_OK;
    int64_t size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
    if (size < 0 || std::fseek(file, 0, SEEK_SET) != 0) result = HResultFromErrno(errno ? errno : EIO);
    else if (static_cast<uint64_t>(size) > UINT32_MAX || static_cast<uint64_t>(size) < kHeaderBytes) result = E_FAIL;
    if (Succeeded(result)) {
        try {
            bytes->resize(static_cast<size_t>(size));
        } catch (const std::bad_alloc&) {
            result = E_OUTOFMEMORY;
        }
    }
    if (Succeeded(result)) {
        errno = 0;
        const size_t read = std::fread(bytes->data(), 1, bytes->size(), file);
        if (std::ferror(file)) result = HResultFromErrno(errno ? errno : EIO);
        else if (read < bytes->size()) result = E_FAIL;
    }
    std::fclose(file);
    return result;
}

}  // namespace

// ---------------------------------------------------------------------------
// Loading from a file
// ---------------------------------------------------------------------------

std::string ResolveTextureFileName(const char16_t* fileName)
{
    const std::string path = platform::Utf16ToUtf8(fileName ? fileName : u"");
    if (path.empty() || platform::FileExists(path)) return path;
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return platform::ResolveFileName("", path);
    return platform::ResolveFileName(path.substr(0, slash + 1), path.substr(slash + 1));
}

HResult LoadDDSTextureFromFile(gpu::Device* device, gpu::Context* context, const char16_t* fileName,
                               gpu::Resource** texture, gpu::ShaderResourceView** textureView, size_t maxSize)
{
    return LoadDDSTextureWithOptions(device, context, fileName, maxSize, gpu::USAGE_DEFAULT, gpu::BIND_SHADER_RESOURCE,
                                     0, 0, false, texture, textureView, nullptr);
}

HResult LoadDDSTextureWithOptions(gpu::Device* device, gpu::Context* context, const char16_t* fileName,
                                  size_t maxSize, gpu::Usage usage, uint32_t bindFlags, uint32_t cpuAccessFlags,
                                  uint32_t miscFlags, bool forceSRGB, gpu::Resource** texture,
                                  gpu::ShaderResourceView** textureView, DDS_ALPHA_MODE* alphaMode)
{
    if (texture) *texture = nullptr;
    if (textureView) *textureView = nullptr;
    if (alphaMode) *alphaMode = DDS_ALPHA_MODE_UNKNOWN;
    if (!device || !fileName || (!texture && !textureView)) return E_INVALIDARG;
    if (textureView && !(bindFlags & gpu::BIND_SHADER_RESOURCE)) return E_INVALIDARG;

    std::vector<uint8_t> bytes;
    HResult result = ReadDDSFile(ResolveTextureFileName(fileName), &bytes);
    if (Failed(result)) return result;
    DDSFile file;
    result = ParseDDSData(bytes.data(), bytes.size(), &file);
    if (Failed(result)) return result;

    const TextureOptions options {usage, bindFlags, cpuAccessFlags, miscFlags, forceSRGB};
    result = BuildDDSTexture(device, context, file, maxSize, options, texture, textureView);
    if (Succeeded(result) && alphaMode) *alphaMode = ReadDDSAlphaMode(file);
    return result;
}
