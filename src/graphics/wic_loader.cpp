// Index
//   - Pixel-format tables
//   - Building the texture
//   - Loading from a file
#include "graphics/wic_loader.h"

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "graphics/dds_loader.h"
#include "platform/image_decoder.h"

namespace {

using namespace platform;

// The imaging factory stand-in is always the version-2 one, which also
// converts to 96bppRGBFloat.
constexpr bool kWICFactoryVersion2 = true;

// ---------------------------------------------------------------------------
// Pixel-format tables
// ---------------------------------------------------------------------------

struct WICTranslate {
    WICPixelFormat wic;
    gpu::Format format;
};

// Formats the device samples as they are.
constexpr WICTranslate WICDirectFormats[] = {
    {WICPixelFormat128bppRGBAFloat, gpu::FORMAT_R32G32B32A32_FLOAT},
    {WICPixelFormat64bppRGBAHalf, gpu::FORMAT_R16G16B16A16_FLOAT},
    {WICPixelFormat64bppRGBA, gpu::FORMAT_R16G16B16A16_UNORM},
    {WICPixelFormat32bppRGBA, gpu::FORMAT_R8G8B8A8_UNORM},
    {WICPixelFormat32bppBGRA, gpu::FORMAT_B8G8R8A8_UNORM},
    {WICPixelFormat32bppBGR, gpu::FORMAT_B8G8R8X8_UNORM},
    {WICPixelFormat32bppRGBA1010102XR, gpu::FORMAT_R10G10B10_XR_BIAS_A2_UNORM},
    {WICPixelFormat32bppRGBA1010102, gpu::FORMAT_R10G10B10A2_UNORM},
    {WICPixelFormat16bppBGRA5551, gpu::FORMAT_B5G5R5A1_UNORM},
    {WICPixelFormat16bppBGR565, gpu::FORMAT_B5G6R5_UNORM},
    {WICPixelFormat32bppGrayFloat, gpu::FORMAT_R32_FLOAT},
    {WICPixelFormat16bppGrayHalf, gpu::FORMAT_R16_FLOAT},
    {WICPixelFormat16bppGray, gpu::FORMAT_R16_UNORM},
    {WICPixelFormat8bppGray, gpu::FORMAT_R8_UNORM},
    {WICPixelFormat8bppAlpha, gpu::FORMAT_A8_UNORM},
};

struct WICConvert {
    WICPixelFormat source;
    WICPixelFormat target;
};

// Formats converted first, to the nearest one of the table above.
constexpr WICConvert WICConversions[] = {
    {WICPixelFormatBlackWhite, WICPixelFormat8bppGray},
    {WICPixelFormat1bppIndexed, WICPixelFormat32bppRGBA},
    {WICPixelFormat2bppIndexed, WICPixelFormat32bppRGBA},
    {WICPixelFormat4bppIndexed, WICPixelFormat32bppRGBA},
    {WICPixelFormat8bppIndexed, WICPixelFormat32bppRGBA},
    {WICPixelFormat2bppGray, WICPixelFormat8bppGray},
    {WICPixelFormat4bppGray, WICPixelFormat8bppGray},
    {WICPixelFormat16bppGrayFixedPoint, WICPixelFormat16bppGrayHalf},
    {WICPixelFormat32bppGrayFixedPoint, WICPixelFormat32bppGrayFloat},
    {WICPixelFormat16bppBGR555, WICPixelFormat16bppBGRA5551},
    {WICPixelFormat32bppBGR101010, WICPixelFormat32bppRGBA1010102},
    {WICPixelFormat24bppBGR, WICPixelFormat32bppRGBA},
    {WICPixelFormat24bppRGB, WICPixelFormat32bppRGBA},
    {WICPixelFormat32bppPBGRA, WICPixelFormat32bppRGBA},
    {WICPixelFormat32bppPRGBA, WICPixelFormat32bppRGBA},
    {WICPixelFormat48bppRGB, WICPixelFormat64bppRGBA},
    {WICPixelFormat48bppBGR, WICPixelFormat64bppRGBA},
    {WICPixelFormat64bppBGRA, WICPixelFormat64bppRGBA},
    {WICPixelFormat64bppPRGBA, WICPixelFormat64bppRGBA},
    {WICPixelFormat64bppPBGRA, WICPixelFormat64bppRGBA},
    {WICPixelFormat48bppRGBFixedPoint, WICPixelFormat64bppRGBAHalf},
    {WICPixelFormat48bppBGRFixedPoint, WICPixelFormat64bppRGBAHalf},
    {WICPixelFormat64bppRGBAFixedPoint, WICPixelFormat64bppRGBAHalf},
    {WICPixelFormat64bppBGRAFixedPoint, WICPixelFormat64bppRGBAHalf},
    {WICPixelFormat64bppRGBFixedPoint, WICPixelFormat64bppRGBAHalf},
    {WICPixelFormat64bppRGBHalf, WICPixelFormat64bppRGBAHalf},
    {WICPixelFormat48bppRGBHalf, WICPixelFormat64bppRGBAHalf},
    {WICPixelFormat128bppPRGBAFloat, WICPixelFormat128bppRGBAFloat},
    {WICPixelFormat128bppRGBFloat, WICPixelFormat128bppRGBAFloat},
    {WICPixelFormat128bppRGBAFixedPoint, WICPixelFormat128bppRGBAFloat},
    {WICPixelFormat128bppRGBFixedPoint, WICPixelFormat128bppRGBAFloat},
    {WICPixelFormat32bppRGBE, WICPixelFormat128bppRGBAFloat},
    {WICPixelFormat32bppCMYK, WICPixelFormat32bppRGBA},
    {WICPixelFormat64bppCMYK, WICPixelFormat64bppRGBA},
    {WICPixelFormat40bppCMYKAlpha, WICPixelFormat32bppRGBA},
    {WICPixelFormat80bppCMYKAlpha, WICPixelFormat64bppRGBA},
    {WICPixelFormat32bppRGB, WICPixelFormat32bppRGBA},
    {WICPixelFormat64bppRGB, WICPixelFormat64bppRGBA},
    {WICPixelFormat64bppPRGBAHalf, WICPixelFormat64bppRGBAHalf},
};

gpu::Format WICToDXGI(WICPixelFormat format)
{
    for (const WICTranslate& row : WICDirectFormats)
        if (row.wic == format) return row.format;
    return gpu::FORMAT_UNKNOWN;
}

// ---------------------------------------------------------------------------
// Building the texture
// ---------------------------------------------------------------------------

struct TextureOptions {
    gpu::Usage usage = gpu::USAGE_DEFAULT;
    uint32_t bindFlags = gpu::BIND_SHADER_RESOURCE;
    uint32_t cpuAccessFlags = 0;
    uint32_t miscFlags = 0;
    uint32_t loadFlags = 0;
};

constexpr uint32_t kAllMips = 0xFFFFFFFFu;

// Feature levels below the layer's lowest, as Direct3D numbers them.
constexpr uint32_t kFeatureLevel9_1 = 0x9100, kFeatureLevel9_2 = 0x9200, kFeatureLevel9_3 = 0x9300;

size_t DeviceMaxSize(gpu::FeatureLevel level)
{
    switch (static_cast<uint32_t>(level)) {
    case kFeatureLevel9_1:
    case kFeatureLevel9_2: return 2048;
    case kFeatureLevel9_3: return 4096;
    case gpu::FEATURE_LEVEL_10_0:
    case gpu::FEATURE_LEVEL_10_1: return 8192;
    default: return 16384;
    }
}

// Whether the file marks its pixels as sRGB: the PNG sRGB chunk, else the
// EXIF colour space 1.
bool FrameIsSRGB(const ImageFrame& frame)
{
    MetadataValue value;
    if (frame.Container() == ImageContainer::Png)
        return Succeeded(frame.GetMetadataByName("/sRGB/RenderingIntent", &value)) &&
               value.type == MetadataValue::UnsignedByte;
    return Succeeded(frame.GetMetadataByName("System.Image.ColorSpace", &value)) &&
           value.type == MetadataValue::UnsignedShort && value.value == 1;
}

HResult BuildWICTexture(gpu::Device* device, gpu::Context* context, const ImageFrame& frame, size_t maxSize,
                        const TextureOptions& options, gpu::Resource** texture, gpu::ShaderResourceView** textureView)
{
    const uint32_t width = frame.Width();
    const uint32_t height = frame.Height();
    if (maxSize == 0) maxSize = DeviceMaxSize(device->GetFeatureLevel());

    // Too large: the longer side becomes maxSize, the other keeps the ratio.
    size_t targetWidth = width, targetHeight = height;
    if (width > maxSize || height > maxSize) {
        const float ratio = static_cast<float>(height) / static_cast<float>(width);
        if (width > height) {
            targetWidth = maxSize;
            targetHeight = std::max<size_t>(1, static_cast<size_t>(static_cast<float>(maxSize) * ratio));
        } else {
            targetHeight = maxSize;
            targetWidth = std::max<size_t>(1, static_cast<size_t>(static_cast<float>(maxSize) / ratio));
        }
    }
    if (targetWidth > UINT32_MAX || targetHeight > UINT32_MAX) return HRESULT_ARITHMETIC_OVERFLOW;

    // The pixel format the texture is made of, and what the frame converts to.
    const WICPixelFormat pixelFormat = frame.PixelFormat();
    WICPixelFormat convert = pixelFormat;
    uint32_t bitsPerPixel = 0;
    gpu::Format format = WICToDXGI(pixelFormat);
    if (format == gpu::FORMAT_UNKNOWN) {
        if (pixelFormat == WICPixelFormat96bppRGBFixedPoint) {
            convert = kWICFactoryVersion2 ? WICPixelFormat96bppRGBFloat : WICPixelFormat128bppRGBAFloat;
            format = kWICFactoryVersion2 ? gpu::FORMAT_R32G32B32_FLOAT : gpu::FORMAT_R32G32B32A32_FLOAT;
            bitsPerPixel = kWICFactoryVersion2 ? 96 : 128;
        } else {
            for (const WICConvert& row : WICConversions) {
                if (row.source != pixelFormat) continue;
                convert = row.target;
                format = WICToDXGI(row.target);
                bitsPerPixel = WICBitsPerPixel(row.target);
                break;
            }
        }
        if (format == gpu::FORMAT_UNKNOWN) return HRESULT_NOT_SUPPORTED;
    } else {
        bitsPerPixel = WICBitsPerPixel(pixelFormat);
    }

    uint32_t support = 0;
    if (format == gpu::FORMAT_R32G32B32_FLOAT && context && textureView &&
        (Failed(device->CheckFormatSupport(format, &support)) || !(support & gpu::FORMAT_SUPPORT_MIP_AUTOGEN))) {
        convert = WICPixelFormat128bppRGBAFloat;
        format = gpu::FORMAT_R32G32B32A32_FLOAT;
        bitsPerPixel = 128;
    }
    if (bitsPerPixel == 0) return E_FAIL;

    if (options.loadFlags & WIC_LOADER_FORCE_SRGB) format = SRGBVariant(format);
    else if (!(options.loadFlags & WIC_LOADER_IGNORE_SRGB) && FrameIsSRGB(frame)) format = SRGBVariant(format);

    // What the device cannot take becomes 8-bit RGBA, which every device can.
    if (Failed(device->CheckFormatSupport(format, &support)) || !(support & gpu::FORMAT_SUPPORT_TEXTURE2D)) {
        convert = WICPixelFormat32bppRGBA;
        format = gpu::FORMAT_R8G8B8A8_UNORM;
        bitsPerPixel = 32;
    }

    const uint64_t rowPitch = (uint64_t {targetWidth} * bitsPerPixel + 7) / 8;
    const uint64_t imageSize = rowPitch * targetHeight;
    if (rowPitch > UINT32_MAX || imageSize > UINT32_MAX) return HRESULT_ARITHMETIC_OVERFLOW;
    std::vector<uint8_t> pixels;
    try {
        pixels.resize(static_cast<size_t>(imageSize));
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }

    // One call converts and scales: the decoder is converter and scaler both.
    if (convert != pixelFormat && !WICCanConvert(pixelFormat, convert)) return E_UNEXPECTED;
    HResult result = frame.CopyPixels(convert, static_cast<uint32_t>(targetWidth), static_cast<uint32_t>(targetHeight),
                                      static_cast<uint32_t>(rowPitch), pixels.data(), pixels.size());
    if (Failed(result)) return result;

    const bool generateMips = context && textureView && Succeeded(device->CheckFormatSupport(format, &support)) &&
                              (support & gpu::FORMAT_SUPPORT_MIP_AUTOGEN);
    gpu::Texture2DDesc desc;
    desc.Width = static_cast<uint32_t>(targetWidth);
    desc.Height = static_cast<uint32_t>(targetHeight);
    desc.MipLevels = generateMips ? 0 : 1;
    desc.ArraySize = 1;
    desc.Format = format;
    desc.SampleDesc.Count = 1;
    desc.Usage = options.usage;
    desc.CPUAccessFlags = options.cpuAccessFlags;
    desc.BindFlags = generateMips ? options.bindFlags | gpu::BIND_RENDER_TARGET : options.bindFlags;
    desc.MiscFlags = generateMips ? options.miscFlags | gpu::RESOURCE_MISC_GENERATE_MIPS : options.miscFlags;

    gpu::SubresourceData initialData;
    initialData.pSysMem = pixels.data();
    initialData.SysMemPitch = static_cast<uint32_t>(rowPitch);
    initialData.SysMemSlicePitch = static_cast<uint32_t>(imageSize);
    gpu::Texture2D* made = nullptr;
    result = device->CreateTexture2D(&desc, generateMips ? nullptr : &initialData, &made);
    if (Failed(result)) return result;

    if (textureView) {
        gpu::ShaderResourceViewDesc view;
        view.Format = desc.Format;
        view.ViewDimension = gpu::SRV_DIMENSION_TEXTURE2D;
        view.Texture2D = gpu::SrvMipRange {0, generateMips ? kAllMips : 1};
        result = device->CreateShaderResourceView(made, &view, textureView);
        if (Failed(result)) {
            made->Release();
            return result;
        }
        if (generateMips) {
            context->UpdateSubresource(made, 0, nullptr, pixels.data(), static_cast<uint32_t>(rowPitch),
                                       static_cast<uint32_t>(imageSize));
            context->GenerateMips(*textureView);
        }
    }
    if (texture) *texture = made;
    else made->Release();
    return S_OK;
}

}  // namespace

// ---------------------------------------------------------------------------
// Loading from a file
// ---------------------------------------------------------------------------

HResult LoadWICTextureFromFile(gpu::Device* device, gpu::Context* context, const char16_t* fileName,
                               gpu::Resource** texture, gpu::ShaderResourceView** textureView, size_t maxSize)
{
    return LoadWICTextureWithOptions(device, context, fileName, maxSize, gpu::USAGE_DEFAULT, gpu::BIND_SHADER_RESOURCE,
                                     0, 0, WIC_LOADER_DEFAULT, texture, textureView);
}

HResult LoadWICTextureWithOptions(gpu::Device* device, gpu::Context* context, const char16_t* fileName,
                                  size_t maxSize, gpu::Usage usage, uint32_t bindFlags, uint32_t cpuAccessFlags,
                                  uint32_t miscFlags, uint32_t loadFlags, gpu::Resource** texture,
                                  gpu::ShaderResourceView** textureView)
{
    if (texture) *texture = nullptr;
    if (textureView) *textureView = nullptr;
    if (!device || !fileName || (!texture && !textureView)) return E_INVALIDARG;
    if (textureView && !(bindFlags & gpu::BIND_SHADER_RESOURCE)) return E_INVALIDARG;

    ImageFrame frame;
    const HResult result = frame.Open(ResolveTextureFileName(fileName));
    if (Failed(result)) return result;
    // A DDS surface is read by the DDS loader, whatever the file is called.
    if (frame.Container() == ImageContainer::Dds)
        return LoadDDSTextureWithOptions(device, context, fileName, maxSize, usage, bindFlags, cpuAccessFlags,
                                         miscFlags, (loadFlags & WIC_LOADER_FORCE_SRGB) != 0, texture, textureView);
    const TextureOptions options {usage, bindFlags, cpuAccessFlags, miscFlags, loadFlags};
    return BuildWICTexture(device, context, frame, maxSize, options, texture, textureView);
}
