// Plain types of the Direct3D-11-shaped GPU layer: result codes, formats,
// feature levels and the descriptor structs the device and context take.
// Values are Direct3D's and DXGI's, so the program fills them exactly as it
// would there.
//
// Index
//   - Results
//   - Formats, feature levels, driver types
//   - Swap chain and display-mode descriptions
//   - Texture and view descriptions
//   - Pipeline state descriptions
//   - Buffers, input layouts, topology
//   - Viewports and rectangles
#pragma once

#include <cstdint>

#include "platform/hresult.h"

namespace platform {
struct Window;
}

namespace gpu {

// ---------------------------------------------------------------------------
// Results
// ---------------------------------------------------------------------------

constexpr HResult DXGI_STATUS_OCCLUDED = 0x087A0001;
constexpr HResult DXGI_ERROR_INVALID_CALL = static_cast<HResult>(0x887A0001u);
constexpr HResult DXGI_ERROR_NOT_FOUND = static_cast<HResult>(0x887A0002u);
constexpr HResult DXGI_ERROR_MORE_DATA = static_cast<HResult>(0x887A0003u);
constexpr HResult DXGI_ERROR_UNSUPPORTED = static_cast<HResult>(0x887A0004u);
constexpr HResult DXGI_ERROR_DEVICE_REMOVED = static_cast<HResult>(0x887A0005u);
constexpr HResult DXGI_ERROR_DEVICE_HUNG = static_cast<HResult>(0x887A0006u);
constexpr HResult DXGI_ERROR_DEVICE_RESET = static_cast<HResult>(0x887A0007u);
constexpr HResult DXGI_ERROR_NOT_CURRENTLY_AVAILABLE = static_cast<HResult>(0x887A0022u);

// ---------------------------------------------------------------------------
// Formats, feature levels, driver types
// ---------------------------------------------------------------------------

// DXGI format numbers. The layer knows the ones listed in format.cpp; any
// other number is "not supported".
enum Format : uint32_t {
    FORMAT_UNKNOWN = 0,
    FORMAT_R32G32B32A32_FLOAT = 2,
    FORMAT_R32G32B32_FLOAT = 6,
    FORMAT_R16G16B16A16_FLOAT = 10,
    FORMAT_R32G32_FLOAT = 16,
    FORMAT_R10G10B10A2_UNORM = 24,
    FORMAT_R8G8B8A8_TYPELESS = 27,
    FORMAT_R8G8B8A8_UNORM = 28,
    FORMAT_R8G8B8A8_UNORM_SRGB = 29,
    FORMAT_R32_TYPELESS = 39,
    FORMAT_D32_FLOAT = 40,
    FORMAT_R32_FLOAT = 41,
    FORMAT_R32_UINT = 42,
    FORMAT_D24_UNORM_S8_UINT = 45,
    FORMAT_R16_UINT = 57,
    FORMAT_B8G8R8A8_UNORM = 87,
    FORMAT_B8G8R8A8_UNORM_SRGB = 91,
    // Formats image files may name (the DDS and WIC tables). The layer
    // samples only those format.cpp lists; the others are "not supported".
    FORMAT_R16G16B16A16_UNORM = 11,
    FORMAT_R16G16B16A16_SNORM = 13,
    FORMAT_R8G8B8A8_SNORM = 31,
    FORMAT_R16G16_FLOAT = 34,
    FORMAT_R16G16_UNORM = 35,
    FORMAT_R16G16_SNORM = 37,
    FORMAT_R8G8_UNORM = 49,
    FORMAT_R8G8_SNORM = 51,
    FORMAT_R16_FLOAT = 54,
    FORMAT_R16_UNORM = 56,
    FORMAT_R8_UNORM = 61,
    FORMAT_A8_UNORM = 65,
    FORMAT_R8G8_B8G8_UNORM = 68,
    FORMAT_G8R8_G8B8_UNORM = 69,
    FORMAT_BC1_UNORM = 71,
    FORMAT_BC1_UNORM_SRGB = 72,
    FORMAT_BC2_UNORM = 74,
    FORMAT_BC2_UNORM_SRGB = 75,
    FORMAT_BC3_UNORM = 77,
    FORMAT_BC3_UNORM_SRGB = 78,
    FORMAT_BC4_UNORM = 80,
    FORMAT_BC4_SNORM = 81,
    FORMAT_BC5_UNORM = 83,
    FORMAT_BC5_SNORM = 84,
    FORMAT_B5G6R5_UNORM = 85,
    FORMAT_B5G5R5A1_UNORM = 86,
    FORMAT_B8G8R8X8_UNORM = 88,
    FORMAT_R10G10B10_XR_BIAS_A2_UNORM = 89,
    FORMAT_B8G8R8X8_UNORM_SRGB = 93,
    FORMAT_BC7_UNORM = 98,
    FORMAT_BC7_UNORM_SRGB = 99,
    FORMAT_YUY2 = 107,
    FORMAT_B4G4R4A4_UNORM = 115,
};

enum FeatureLevel : uint32_t {
    FEATURE_LEVEL_10_0 = 0xA000,
    FEATURE_LEVEL_10_1 = 0xA100,
    FEATURE_LEVEL_11_0 = 0xB000,
    FEATURE_LEVEL_11_1 = 0xB100,
};

enum DriverType : uint32_t {
    DRIVER_TYPE_UNKNOWN = 0,
    DRIVER_TYPE_HARDWARE = 1,
};

// ---------------------------------------------------------------------------
// Swap chain and display-mode descriptions
// ---------------------------------------------------------------------------

struct Rational {
    uint32_t Numerator = 0;
    uint32_t Denominator = 0;
};

enum ModeScanlineOrder : uint32_t { MODE_SCANLINE_ORDER_UNSPECIFIED = 0, MODE_SCANLINE_ORDER_PROGRESSIVE = 1 };
enum ModeScaling : uint32_t { MODE_SCALING_UNSPECIFIED = 0 };

struct ModeDesc {
    uint32_t Width = 0;
    uint32_t Height = 0;
    Rational RefreshRate;
    gpu::Format Format = FORMAT_UNKNOWN;
    ModeScanlineOrder ScanlineOrdering = MODE_SCANLINE_ORDER_UNSPECIFIED;
    ModeScaling Scaling = MODE_SCALING_UNSPECIFIED;
};

struct SampleDesc {
    uint32_t Count = 0;
    uint32_t Quality = 0;
};

constexpr uint32_t USAGE_RENDER_TARGET_OUTPUT = 0x20;
constexpr uint32_t SWAP_CHAIN_FLAG_ALLOW_MODE_SWITCH = 2;
constexpr uint32_t ENUM_MODES_INTERLACED = 1;
constexpr uint32_t PRESENT_TEST = 1;

enum SwapEffect : uint32_t { SWAP_EFFECT_DISCARD = 0 };

struct SwapChainDesc {
    ModeDesc BufferDesc;
    gpu::SampleDesc SampleDesc;
    uint32_t BufferUsage = 0;
    uint32_t BufferCount = 0;
    platform::Window* OutputWindow = nullptr;
    int32_t Windowed = 0;
    gpu::SwapEffect SwapEffect = SWAP_EFFECT_DISCARD;
    uint32_t Flags = 0;
};

// ---------------------------------------------------------------------------
// Texture and view descriptions
// ---------------------------------------------------------------------------

enum Usage : uint32_t { USAGE_DEFAULT = 0, USAGE_IMMUTABLE = 1, USAGE_DYNAMIC = 2, USAGE_STAGING = 3 };

enum BindFlag : uint32_t {
    BIND_VERTEX_BUFFER = 0x1,
    BIND_INDEX_BUFFER = 0x2,
    BIND_CONSTANT_BUFFER = 0x4,
    BIND_SHADER_RESOURCE = 0x8,
    BIND_RENDER_TARGET = 0x20,
    BIND_DEPTH_STENCIL = 0x40,
};

struct Texture2DDesc {
    uint32_t Width = 0;
    uint32_t Height = 0;
    uint32_t MipLevels = 0;
    uint32_t ArraySize = 0;
    gpu::Format Format = FORMAT_UNKNOWN;
    gpu::SampleDesc SampleDesc;
    gpu::Usage Usage = USAGE_DEFAULT;
    uint32_t BindFlags = 0;
    uint32_t CPUAccessFlags = 0;
    uint32_t MiscFlags = 0;
};

struct SubresourceData {
    const void* pSysMem = nullptr;
    uint32_t SysMemPitch = 0;
    uint32_t SysMemSlicePitch = 0;
};

enum ResourceMiscFlag : uint32_t { RESOURCE_MISC_GENERATE_MIPS = 0x1, RESOURCE_MISC_TEXTURECUBE = 0x4 };
enum CpuAccessFlag : uint32_t { CPU_ACCESS_WRITE = 0x10000, CPU_ACCESS_READ = 0x20000 };

struct Texture1DDesc {
    uint32_t Width = 0;
    uint32_t MipLevels = 0;
    uint32_t ArraySize = 0;
    gpu::Format Format = FORMAT_UNKNOWN;
    gpu::Usage Usage = USAGE_DEFAULT;
    uint32_t BindFlags = 0;
    uint32_t CPUAccessFlags = 0;
    uint32_t MiscFlags = 0;
};

struct Texture3DDesc {
    uint32_t Width = 0;
    uint32_t Height = 0;
    uint32_t Depth = 0;
    uint32_t MipLevels = 0;
    gpu::Format Format = FORMAT_UNKNOWN;
    gpu::Usage Usage = USAGE_DEFAULT;
    uint32_t BindFlags = 0;
    uint32_t CPUAccessFlags = 0;
    uint32_t MiscFlags = 0;
};

// CheckFormatSupport's answer bits.
enum FormatSupport : uint32_t {
    FORMAT_SUPPORT_TEXTURE1D = 0x10,
    FORMAT_SUPPORT_TEXTURE2D = 0x20,
    FORMAT_SUPPORT_TEXTURE3D = 0x40,
    FORMAT_SUPPORT_TEXTURECUBE = 0x80,
    FORMAT_SUPPORT_SHADER_LOAD = 0x100,
    FORMAT_SUPPORT_SHADER_SAMPLE = 0x200,
    FORMAT_SUPPORT_MIP = 0x1000,
    FORMAT_SUPPORT_MIP_AUTOGEN = 0x2000,
    FORMAT_SUPPORT_RENDER_TARGET = 0x4000,
    FORMAT_SUPPORT_BLENDABLE = 0x8000,
    FORMAT_SUPPORT_DEPTH_STENCIL = 0x10000,
};

enum SrvDimension : uint32_t {
    SRV_DIMENSION_UNKNOWN = 0,
    SRV_DIMENSION_BUFFER = 1,
    SRV_DIMENSION_TEXTURE1D = 2,
    SRV_DIMENSION_TEXTURE1DARRAY = 3,
    SRV_DIMENSION_TEXTURE2D = 4,
    SRV_DIMENSION_TEXTURE2DARRAY = 5,
    SRV_DIMENSION_TEXTURE2DMS = 6,
    SRV_DIMENSION_TEXTURE2DMSARRAY = 7,
    SRV_DIMENSION_TEXTURE3D = 8,
    SRV_DIMENSION_TEXTURECUBE = 9,
    SRV_DIMENSION_TEXTURECUBEARRAY = 10,
};

struct SrvMipRange {
    uint32_t MostDetailedMip;
    uint32_t MipLevels;  // 0xFFFFFFFF (-1): every mip from MostDetailedMip on
};
struct SrvMipArrayRange {
    uint32_t MostDetailedMip;
    uint32_t MipLevels;
    uint32_t FirstArraySlice;
    uint32_t ArraySize;
};
struct SrvCubeArrayRange {
    uint32_t MostDetailedMip;
    uint32_t MipLevels;
    uint32_t First2DArrayFace;
    uint32_t NumCubes;
};

// The member matching ViewDimension is the one read; all start with the mip
// range, as Direct3D's union members do.
struct ShaderResourceViewDesc {
    gpu::Format Format = FORMAT_UNKNOWN;
    SrvDimension ViewDimension = SRV_DIMENSION_UNKNOWN;
    union {
        SrvMipArrayRange Texture2DArray = {};
        SrvMipRange Texture1D;
        SrvMipArrayRange Texture1DArray;
        SrvMipRange Texture2D;
        SrvMipRange Texture3D;
        SrvMipRange TextureCube;
        SrvCubeArrayRange TextureCubeArray;
    };
};

enum RtvDimension : uint32_t { RTV_DIMENSION_UNKNOWN = 0, RTV_DIMENSION_TEXTURE2D = 4, RTV_DIMENSION_TEXTURE2DMS = 6 };
enum DsvDimension : uint32_t { DSV_DIMENSION_UNKNOWN = 0, DSV_DIMENSION_TEXTURE2D = 3, DSV_DIMENSION_TEXTURE2DMS = 5 };

struct RenderTargetViewDesc {
    gpu::Format Format = FORMAT_UNKNOWN;
    RtvDimension ViewDimension = RTV_DIMENSION_UNKNOWN;
    struct {
        uint32_t MipSlice = 0;
    } Texture2D;
};

struct DepthStencilViewDesc {
    gpu::Format Format = FORMAT_UNKNOWN;
    DsvDimension ViewDimension = DSV_DIMENSION_UNKNOWN;
    uint32_t Flags = 0;
    struct {
        uint32_t MipSlice = 0;
    } Texture2D;
};

// ---------------------------------------------------------------------------
// Pipeline state descriptions
// ---------------------------------------------------------------------------

enum ComparisonFunc : uint32_t {
    COMPARISON_NEVER = 1,
    COMPARISON_LESS = 2,
    COMPARISON_EQUAL = 3,
    COMPARISON_LESS_EQUAL = 4,
    COMPARISON_GREATER = 5,
    COMPARISON_NOT_EQUAL = 6,
    COMPARISON_GREATER_EQUAL = 7,
    COMPARISON_ALWAYS = 8,
};

enum DepthWriteMask : uint32_t { DEPTH_WRITE_MASK_ZERO = 0, DEPTH_WRITE_MASK_ALL = 1 };

enum StencilOp : uint32_t {
    STENCIL_OP_KEEP = 1,
    STENCIL_OP_ZERO = 2,
    STENCIL_OP_REPLACE = 3,
    STENCIL_OP_INCR_SAT = 4,
    STENCIL_OP_DECR_SAT = 5,
    STENCIL_OP_INVERT = 6,
    STENCIL_OP_INCR = 7,
    STENCIL_OP_DECR = 8,
};

struct DepthStencilOpDesc {
    StencilOp StencilFailOp = STENCIL_OP_KEEP;
    StencilOp StencilDepthFailOp = STENCIL_OP_KEEP;
    StencilOp StencilPassOp = STENCIL_OP_KEEP;
    ComparisonFunc StencilFunc = COMPARISON_ALWAYS;
};

struct DepthStencilDesc {
    int32_t DepthEnable = 1;
    gpu::DepthWriteMask DepthWriteMask = DEPTH_WRITE_MASK_ALL;
    ComparisonFunc DepthFunc = COMPARISON_LESS;
    int32_t StencilEnable = 0;
    uint8_t StencilReadMask = 0xFF;
    uint8_t StencilWriteMask = 0xFF;
    DepthStencilOpDesc FrontFace;
    DepthStencilOpDesc BackFace;
};

enum FillMode : uint32_t { FILL_WIREFRAME = 2, FILL_SOLID = 3 };
enum CullMode : uint32_t { CULL_NONE = 1, CULL_FRONT = 2, CULL_BACK = 3 };

struct RasterizerDesc {
    gpu::FillMode FillMode = FILL_SOLID;
    gpu::CullMode CullMode = CULL_BACK;
    int32_t FrontCounterClockwise = 0;
    int32_t DepthBias = 0;
    float DepthBiasClamp = 0.0f;
    float SlopeScaledDepthBias = 0.0f;
    int32_t DepthClipEnable = 1;
    int32_t ScissorEnable = 0;
    int32_t MultisampleEnable = 0;
    int32_t AntialiasedLineEnable = 0;
};

enum ClearFlag : uint32_t { CLEAR_DEPTH = 0x1, CLEAR_STENCIL = 0x2 };

enum Blend : uint32_t {
    BLEND_ZERO = 1,
    BLEND_ONE = 2,
    BLEND_SRC_COLOR = 3,
    BLEND_INV_SRC_COLOR = 4,
    BLEND_SRC_ALPHA = 5,
    BLEND_INV_SRC_ALPHA = 6,
    BLEND_DEST_ALPHA = 7,
    BLEND_INV_DEST_ALPHA = 8,
    BLEND_DEST_COLOR = 9,
    BLEND_INV_DEST_COLOR = 10,
    BLEND_SRC_ALPHA_SAT = 11,
    BLEND_BLEND_FACTOR = 14,
    BLEND_INV_BLEND_FACTOR = 15,
};

enum BlendOp : uint32_t {
    BLEND_OP_ADD = 1,
    BLEND_OP_SUBTRACT = 2,
    BLEND_OP_REV_SUBTRACT = 3,
    BLEND_OP_MIN = 4,
    BLEND_OP_MAX = 5,
};

constexpr uint8_t COLOR_WRITE_ENABLE_ALL = 0xF;  // red 1, green 2, blue 4, alpha 8

struct RenderTargetBlendDesc {
    int32_t BlendEnable = 0;
    Blend SrcBlend = BLEND_ONE;
    Blend DestBlend = BLEND_ZERO;
    gpu::BlendOp BlendOp = BLEND_OP_ADD;
    Blend SrcBlendAlpha = BLEND_ONE;
    Blend DestBlendAlpha = BLEND_ZERO;
    gpu::BlendOp BlendOpAlpha = BLEND_OP_ADD;
    uint8_t RenderTargetWriteMask = COLOR_WRITE_ENABLE_ALL;
};

// Without IndependentBlendEnable every target blends as RenderTarget[0].
struct BlendDesc {
    int32_t AlphaToCoverageEnable = 0;
    int32_t IndependentBlendEnable = 0;
    RenderTargetBlendDesc RenderTarget[8];
};

// Direct3D's filter codes: bit 0x1 linear mip, 0x4 linear magnification,
// 0x10 linear minification, 0x40 anisotropic, 0x80 comparison.
enum Filter : uint32_t {
    FILTER_MIN_MAG_MIP_POINT = 0x0,
    FILTER_MIN_MAG_LINEAR_MIP_POINT = 0x14,
    FILTER_MIN_MAG_MIP_LINEAR = 0x15,
    FILTER_ANISOTROPIC = 0x55,
    FILTER_COMPARISON_MIN_MAG_LINEAR_MIP_POINT = 0x94,
    FILTER_COMPARISON_MIN_MAG_MIP_LINEAR = 0x95,
};

enum TextureAddressMode : uint32_t {
    TEXTURE_ADDRESS_WRAP = 1,
    TEXTURE_ADDRESS_MIRROR = 2,
    TEXTURE_ADDRESS_CLAMP = 3,
    TEXTURE_ADDRESS_BORDER = 4,
    TEXTURE_ADDRESS_MIRROR_ONCE = 5,
};

constexpr float kFloatMax = 3.402823466e+38f;

// The defaults are Direct3D's default sampler state, which a pixel shader
// also gets at a slot where nothing is bound.
struct SamplerDesc {
    gpu::Filter Filter = FILTER_MIN_MAG_MIP_LINEAR;
    TextureAddressMode AddressU = TEXTURE_ADDRESS_CLAMP;
    TextureAddressMode AddressV = TEXTURE_ADDRESS_CLAMP;
    TextureAddressMode AddressW = TEXTURE_ADDRESS_CLAMP;
    float MipLODBias = 0.0f;
    uint32_t MaxAnisotropy = 1;
    gpu::ComparisonFunc ComparisonFunc = COMPARISON_NEVER;
    float BorderColor[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float MinLOD = -kFloatMax;
    float MaxLOD = kFloatMax;
};

// ---------------------------------------------------------------------------
// Buffers, input layouts, topology
// ---------------------------------------------------------------------------

struct BufferDesc {
    uint32_t ByteWidth = 0;
    gpu::Usage Usage = USAGE_DEFAULT;
    uint32_t BindFlags = 0;
    uint32_t CPUAccessFlags = 0;
    uint32_t MiscFlags = 0;
    uint32_t StructureByteStride = 0;
};

// A region of a resource for UpdateSubresource (bytes for buffers).
struct Box {
    uint32_t left = 0, top = 0, front = 0;
    uint32_t right = 0, bottom = 1, back = 1;
};

enum InputClassification : uint32_t { INPUT_PER_VERTEX_DATA = 0, INPUT_PER_INSTANCE_DATA = 1 };
constexpr uint32_t APPEND_ALIGNED_ELEMENT = 0xFFFFFFFF;

// Semantics map to fixed GL attribute locations: POSITION 0, NORMAL 1,
// TEXCOORD 2, BLENDWEIGHT 3, BLENDINDICES 4 (semantic index 0 only).
struct InputElementDesc {
    const char* SemanticName = nullptr;
    uint32_t SemanticIndex = 0;
    gpu::Format Format = FORMAT_UNKNOWN;
    uint32_t InputSlot = 0;
    uint32_t AlignedByteOffset = 0;
    InputClassification InputSlotClass = INPUT_PER_VERTEX_DATA;
    uint32_t InstanceDataStepRate = 0;
};

enum PrimitiveTopology : uint32_t {
    PRIMITIVE_TOPOLOGY_UNDEFINED = 0,
    PRIMITIVE_TOPOLOGY_POINTLIST = 1,
    PRIMITIVE_TOPOLOGY_LINELIST = 2,
    PRIMITIVE_TOPOLOGY_LINESTRIP = 3,
    PRIMITIVE_TOPOLOGY_TRIANGLELIST = 4,
    PRIMITIVE_TOPOLOGY_TRIANGLESTRIP = 5,
};

// Slots of the input assembler and of each shader stage.
constexpr uint32_t kVertexBufferSlots = 16;
constexpr uint32_t kConstantBufferSlots = 14;
// Texture tN and sampler sN share GL texture unit N.
constexpr uint32_t kShaderResourceSlots = 16;
constexpr uint32_t kSamplerSlots = 16;
// Pixel-stage constant buffer bN is GL uniform-buffer binding 16 + N.
constexpr uint32_t kPixelConstantBufferBase = 16;

// ---------------------------------------------------------------------------
// Viewports and rectangles (Direct3D's: origin at the top-left of the target)
// ---------------------------------------------------------------------------

struct Viewport {
    float TopLeftX = 0.0f;
    float TopLeftY = 0.0f;
    float Width = 0.0f;
    float Height = 0.0f;
    float MinDepth = 0.0f;
    float MaxDepth = 0.0f;
};

struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

constexpr uint32_t kMaxRenderTargets = 8;
constexpr uint32_t kMaxViewports = 16;

}  // namespace gpu
