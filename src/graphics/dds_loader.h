// DirectDraw Surface files as GPU textures: header checks, the DX10 header
// extension, 1-D, 2-D and 3-D textures, arrays, cube maps and mip chains,
// with a full mip chain generated on the GPU for single-level files when the
// format allows it. The driver loads every texture file through here or
// through the WIC loader (wic_loader.h), which hands "DDS " files back here.
//
// The parsing half (ParseDDSData, ReadDDSTextureLayout, CollectMipData and
// the size computations) needs no GPU; every size it computes is 64-bit and
// every level it hands on lies inside the file's bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/gpu/gpu.h"

// Results the loaders give besides the common ones (Win32 errors as HRESULTs).
constexpr HResult HRESULT_INVALID_DATA = static_cast<HResult>(0x8007000Du);
constexpr HResult HRESULT_NOT_SUPPORTED = static_cast<HResult>(0x80070032u);
constexpr HResult HRESULT_ARITHMETIC_OVERFLOW = static_cast<HResult>(0x80070216u);
constexpr HResult E_UNEXPECTED = static_cast<HResult>(0x8000FFFFu);

enum DDS_ALPHA_MODE : uint32_t {
    DDS_ALPHA_MODE_UNKNOWN = 0,
    DDS_ALPHA_MODE_STRAIGHT = 1,
    DDS_ALPHA_MODE_PREMULTIPLIED = 2,
    DDS_ALPHA_MODE_OPAQUE = 3,
    DDS_ALPHA_MODE_CUSTOM = 4,
};

// ---------------------------------------------------------------------------
// The file
// ---------------------------------------------------------------------------

struct DDSPixelFormat {
    uint32_t size = 0;
    uint32_t flags = 0;
    uint32_t fourCC = 0;
    uint32_t rgbBitCount = 0;
    uint32_t rBitMask = 0, gBitMask = 0, bBitMask = 0, aBitMask = 0;
};

struct DDSHeader {
    uint32_t size = 0;
    uint32_t flags = 0;
    uint32_t height = 0;
    uint32_t width = 0;
    uint32_t pitchOrLinearSize = 0;
    uint32_t depth = 0;
    uint32_t mipMapCount = 0;
    DDSPixelFormat ddspf;
    uint32_t caps = 0, caps2 = 0, caps3 = 0, caps4 = 0;
};

struct DDSHeaderDX10 {
    uint32_t dxgiFormat = 0;
    uint32_t resourceDimension = 0;
    uint32_t miscFlag = 0;
    uint32_t arraySize = 0;
    uint32_t miscFlags2 = 0;
};

// A DDS file in memory: its header, the DX10 extension when it has one, and
// the pixel data (pointing into the caller's bytes) up to the end of the file.
struct DDSFile {
    DDSHeader header;
    bool hasDX10 = false;
    DDSHeaderDX10 dx10;
    const uint8_t* bits = nullptr;
    size_t bitSize = 0;
};

// Checks magic "DDS ", header size 124, pixel-format size 32 and, with the
// "DX10" code, room for the extension: E_FAIL otherwise (also for fewer than
// 128 bytes).
HResult ParseDDSData(const uint8_t* data, size_t size, DDSFile* file);

// Only a file with a four-character code names its alpha mode: "DX10" through
// miscFlags2 & 7 (values 0-4 taken, others unknown), "DXT2" and "DXT4" as
// premultiplied; every other file reports unknown.
DDS_ALPHA_MODE ReadDDSAlphaMode(const DDSFile& file);

// ---------------------------------------------------------------------------
// Formats and sizes
// ---------------------------------------------------------------------------

// Bits per texel of DXGI formats 1-115; 0 for every other value.
uint32_t FormatBitsPerPixel(uint32_t format);

// The size of a `width` x `height` image in bytes, with its row pitch and its
// row count (rows of blocks for compressed formats). E_INVALIDARG for a format
// without a size, HRESULT_ARITHMETIC_OVERFLOW when an image (or a row) would
// not fit 32 bits.
HResult ComputeSurfaceSize(uint32_t width, uint32_t height, uint32_t format, uint64_t* imageBytes, uint64_t* rowBytes,
                           uint64_t* rowCount);

// The _SRGB twin of RGBA8, BGRA8, BGRX8, BC1, BC2, BC3 and BC7; others unchanged.
gpu::Format SRGBVariant(gpu::Format format);

// ---------------------------------------------------------------------------
// From header to subresources (no GPU)
// ---------------------------------------------------------------------------

struct DDSTextureLayout {
    gpu::ResourceDimension dimension = gpu::RESOURCE_DIMENSION_UNKNOWN;
    gpu::Format format = gpu::FORMAT_UNKNOWN;
    uint32_t width = 0, height = 0, depth = 0;
    uint32_t mipCount = 0;
    uint32_t arraySize = 0;  // faces count for cube maps (6 per cube)
    bool isCubeMap = false;
};

// What the header describes, with the limits Direct3D 11 sets: the DX10
// extension or the legacy pixel-format table, 1-D/2-D/3-D, arrays and cube
// maps (all six faces required). `miscFlags` are the caller's: a cube flag
// there makes a 2-D array of 6n faces a cube map.
HResult ReadDDSTextureLayout(const DDSFile& file, uint32_t miscFlags, DDSTextureLayout* layout);

struct DDSMipData {
    std::vector<gpu::SubresourceData> subresources;  // item-major, each item's kept mips
    uint32_t width = 0, height = 0, depth = 0;        // of the first kept level
    uint32_t skippedMips = 0;                          // levels left out above maxSize
};

// Walks every item's mips through the pixel data, keeping the levels no
// larger than `maxSize` (0: all). Each kept level's data lies wholly inside
// `bits` (all slices of a 3-D level): else HRESULT_FROM_WIN32(ERROR_HANDLE_EOF).
// E_FAIL when no level is kept.
HResult CollectMipData(const DDSTextureLayout& layout, size_t maxSize, const uint8_t* bits, size_t bitSize,
                       DDSMipData* mips);

// ---------------------------------------------------------------------------
// Loading
// ---------------------------------------------------------------------------

// *texture and *textureView are nulled before the file is read, so a failure
// leaves both null. Mips are generated only when a context is given; null
// skips that step. maxSize 0 means the device's limits.
HResult LoadDDSTextureFromFile(gpu::Device* device, gpu::Context* context, const char16_t* fileName,
                               gpu::Resource** texture, gpu::ShaderResourceView** textureView, size_t maxSize = 0);

HResult LoadDDSTextureWithOptions(gpu::Device* device, gpu::Context* context, const char16_t* fileName,
                                  size_t maxSize, gpu::Usage usage, uint32_t bindFlags, uint32_t cpuAccessFlags,
                                  uint32_t miscFlags, bool forceSRGB, gpu::Resource** texture,
                                  gpu::ShaderResourceView** textureView, DDS_ALPHA_MODE* alphaMode = nullptr);

// The file name as the loaders open it: UTF-8, and where the exact name does
// not exist, the entry of its folder that matches ignoring ASCII case (as
// Windows would open it).
std::string ResolveTextureFileName(const char16_t* fileName);
