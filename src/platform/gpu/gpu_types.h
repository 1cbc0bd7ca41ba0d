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
    FORMAT_R16G16B16A16_FLOAT = 10,
    FORMAT_R10G10B10A2_UNORM = 24,
    FORMAT_R8G8B8A8_TYPELESS = 27,
    FORMAT_R8G8B8A8_UNORM = 28,
    FORMAT_R8G8B8A8_UNORM_SRGB = 29,
    FORMAT_R32_TYPELESS = 39,
    FORMAT_D32_FLOAT = 40,
    FORMAT_R32_FLOAT = 41,
    FORMAT_D24_UNORM_S8_UINT = 45,
    FORMAT_B8G8R8A8_UNORM = 87,
    FORMAT_B8G8R8A8_UNORM_SRGB = 91,
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
