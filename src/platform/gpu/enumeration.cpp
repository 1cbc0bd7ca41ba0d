// Index
//   - The real system: GL adapter, SDL displays
//   - Test override
//   - Factory, adapters, outputs
#include "platform/gpu/enumeration.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <optional>
#include <utility>

#include "platform/gpu/gl_names.h"
#include "platform/text.h"

namespace gpu {

// ---------------------------------------------------------------------------
// The real system: GL adapter, SDL displays
// ---------------------------------------------------------------------------

namespace {

std::string GlString(GLenum name)
{
    const GLubyte* text = glGetString(name);
    return text ? reinterpret_cast<const char*>(text) : "";
}

// PCI vendor numbers of the GL vendor string, so the description looks as
// DXGI's does; 0 when the vendor is not one of these.
uint32_t VendorIdOf(const std::string& vendor)
{
    if (vendor.find("NVIDIA") != std::string::npos) return 0x10DE;
    if (vendor.find("AMD") != std::string::npos || vendor.find("ATI") != std::string::npos) return 0x1002;
    if (vendor.find("Intel") != std::string::npos) return 0x8086;
    return 0;
}

// Window sizes offered on every monitor large enough for them.
constexpr std::pair<uint32_t, uint32_t> kScaledModeSizes[] = {
    {640, 480},   {800, 600},   {1024, 768},  {1152, 864},  {1280, 720},  {1280, 800},
    {1280, 1024}, {1366, 768},  {1440, 900},  {1600, 900},  {1600, 1200}, {1680, 1050},
    {1920, 1080}, {1920, 1200}, {2560, 1440}, {3840, 2160},
};

DisplayInfo QueryDisplay(int index)
{
    DisplayInfo display;
    SDL_Rect bounds {0, 0, 0, 0};
    SDL_GetDisplayBounds(index, &bounds);
    display.desktop = Rect {bounds.x, bounds.y, bounds.x + bounds.w, bounds.y + bounds.h};
    const char* name = SDL_GetDisplayName(index);
    display.name = platform::Utf8ToUtf16(name && *name ? name : "Display " + std::to_string(index + 1));

    const int count = std::min(SDL_GetNumDisplayModes(index), 4096);
    for (int mode = 0; mode < count; ++mode) {
        SDL_DisplayMode sdlMode {};
        if (SDL_GetDisplayMode(index, mode, &sdlMode) != 0) continue;
        // Drivers without real modes (the headless one) report 0 x 0: the
        // desktop itself is then the one mode.
        DisplayModeInfo info {static_cast<uint32_t>(sdlMode.w), static_cast<uint32_t>(sdlMode.h),
                              static_cast<uint32_t>(std::max(sdlMode.refresh_rate, 0))};
        if (sdlMode.w <= 0 || sdlMode.h <= 0) {
            if (bounds.w <= 0 || bounds.h <= 0) continue;
            info.width = static_cast<uint32_t>(bounds.w);
            info.height = static_cast<uint32_t>(bounds.h);
        }
        display.modes.push_back(info);
    }
    if (display.modes.empty() && bounds.w > 0 && bounds.h > 0)
        display.modes.push_back({static_cast<uint32_t>(bounds.w), static_cast<uint32_t>(bounds.h), 0});
    // Full screen is a borderless window with the picture scaled to the
    // monitor, never a mode switch, so every common size that fits on the
    // desktop is as good as a mode the monitor reports (X servers without
    // RandR modes, such as Xvfb, report only the desktop's own).
    const uint32_t desktopRefresh = display.modes.empty() ? 0 : display.modes.back().refreshHz;
    for (const auto& size : kScaledModeSizes) {
        const uint32_t width = size.first;
        const uint32_t height = size.second;
        if (width > static_cast<uint32_t>(bounds.w) || height > static_cast<uint32_t>(bounds.h)) continue;
        const bool listed = std::any_of(display.modes.begin(), display.modes.end(), [&](const DisplayModeInfo& mode) {
            return mode.width == width && mode.height == height;
        });
        if (!listed) display.modes.push_back({width, height, desktopRefresh});
    }
    auto order = [](const DisplayModeInfo& a, const DisplayModeInfo& b) {
        if (a.width != b.width) return a.width < b.width;
        if (a.height != b.height) return a.height < b.height;
        return a.refreshHz < b.refreshHz;
    };
    auto same = [](const DisplayModeInfo& a, const DisplayModeInfo& b) {
        return a.width == b.width && a.height == b.height && a.refreshHz == b.refreshHz;
    };
    std::sort(display.modes.begin(), display.modes.end(), order);
    display.modes.erase(std::unique(display.modes.begin(), display.modes.end(), same), display.modes.end());
    return display;
}

}  // namespace

AdapterInfo QueryGlAdapter()
{
    AdapterInfo adapter;
    adapter.real = true;
    if (!GlReady()) {
        adapter.description = u"No OpenGL context";
        adapter.canCreateDevice = false;
        return adapter;
    }
    adapter.description = platform::Utf8ToUtf16(GlString(GL_RENDERER));
    adapter.vendorId = VendorIdOf(GlString(GL_VENDOR));
    GLint profile = 0;
    glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
    adapter.canCreateDevice = epoxy_gl_version() >= 45 && (profile & GL_CONTEXT_CORE_PROFILE_BIT) != 0;
    return adapter;
}

DisplaySystem QueryRealDisplaySystem()
{
    DisplaySystem system;
    AdapterInfo adapter = QueryGlAdapter();
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0) {
        const int displays = SDL_GetNumVideoDisplays();
        for (int index = 0; index < displays; ++index) adapter.outputs.push_back(QueryDisplay(index));
    }
    system.adapters.push_back(std::move(adapter));
    return system;
}

// ---------------------------------------------------------------------------
// Test override
// ---------------------------------------------------------------------------

namespace {

std::optional<DisplaySystem>& FakeSystem()
{
    static std::optional<DisplaySystem> fake;
    return fake;
}

}  // namespace

void SetDisplaySystemForTesting(const DisplaySystem* fake)
{
    if (fake) FakeSystem() = *fake;
    else FakeSystem().reset();
}

// ---------------------------------------------------------------------------
// Factory, adapters, outputs
// ---------------------------------------------------------------------------

namespace {

template <size_t N>
void CopyName(const std::u16string& from, char16_t (&to)[N])
{
    const size_t length = std::min(from.size(), N - 1);
    std::copy_n(from.data(), length, to);
    to[length] = 0;
}

// Display modes are listed for the 8-bit-per-channel formats a desktop runs
// in; other formats have none.
bool DisplayFormat(Format format)
{
    return format == FORMAT_R8G8B8A8_UNORM || format == FORMAT_R8G8B8A8_UNORM_SRGB ||
           format == FORMAT_B8G8R8A8_UNORM || format == FORMAT_B8G8R8A8_UNORM_SRGB;
}

}  // namespace

HResult Output::GetDesc(OutputDesc* desc) const
{
    if (!desc) return E_INVALIDARG;
    *desc = OutputDesc {};
    CopyName(info_.name, desc->DeviceName);
    desc->DesktopCoordinates = info_.desktop;
    desc->AttachedToDesktop = 1;
    return S_OK;
}

HResult Output::GetDisplayModeList(Format format, uint32_t, uint32_t* count, ModeDesc* modes) const
{
    if (!count) return E_INVALIDARG;
    const size_t available = DisplayFormat(format) ? info_.modes.size() : 0;
    if (!modes) {
        *count = static_cast<uint32_t>(available);
        return S_OK;
    }
    const size_t written = std::min<size_t>(*count, available);
    for (size_t index = 0; index < written; ++index) {
        const DisplayModeInfo& mode = info_.modes[index];
        ModeDesc& out = modes[index];
        out = ModeDesc {};
        out.Width = mode.width;
        out.Height = mode.height;
        out.RefreshRate = Rational {mode.refreshHz, 1};
        out.Format = format;
        out.ScanlineOrdering = MODE_SCANLINE_ORDER_PROGRESSIVE;
    }
    *count = static_cast<uint32_t>(written);
    return written < available ? DXGI_ERROR_MORE_DATA : S_OK;
}

HResult Adapter::GetDesc(AdapterDesc* desc) const
{
    if (!desc) return E_INVALIDARG;
    *desc = AdapterDesc {};
    CopyName(info_->description, desc->Description);
    desc->VendorId = info_->vendorId;
    desc->DeviceId = info_->deviceId;
    return S_OK;
}

HResult Adapter::EnumOutputs(uint32_t index, Output** output) const
{
    if (!output) return E_INVALIDARG;
    *output = nullptr;
    if (index >= info_->outputs.size()) return DXGI_ERROR_NOT_FOUND;
    *output = new Output(info_->outputs[index]);
    return S_OK;
}

Factory::Factory(const DisplaySystem& system)
{
    for (const AdapterInfo& adapter : system.adapters) adapters_.push_back(std::make_shared<AdapterInfo>(adapter));
}

HResult Factory::EnumAdapters(uint32_t index, Adapter** adapter) const
{
    if (!adapter) return E_INVALIDARG;
    *adapter = nullptr;
    if (index >= adapters_.size()) return DXGI_ERROR_NOT_FOUND;
    *adapter = new Adapter(adapters_[index]);
    return S_OK;
}

HResult CreateFactory(Factory** factory)
{
    if (!factory) return E_INVALIDARG;
    *factory = new Factory(FakeSystem() ? *FakeSystem() : QueryRealDisplaySystem());
    return S_OK;
}

}  // namespace gpu
