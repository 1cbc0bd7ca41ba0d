// DXGI-style enumeration: a factory lists adapters, an adapter lists its
// outputs, an output lists its display modes.
//
// What is enumerated comes from a DisplaySystem description. The real one has
// a single adapter, the GL renderer of the current context (named from
// GL_RENDERER), whose outputs are SDL's displays and whose multisample support
// is GL's. Tests install a fake description to get any adapters, displays and
// modes they need; device creation itself always uses the real GL context.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gpu/gpu_types.h"
#include "platform/gpu/object.h"

namespace gpu {

// ---------------------------------------------------------------------------
// The system behind the enumeration
// ---------------------------------------------------------------------------

struct DisplayModeInfo {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t refreshHz = 0;
};

struct DisplayInfo {
    std::u16string name;
    Rect desktop;  // position and extent on the desktop
    std::vector<DisplayModeInfo> modes;
};

struct AdapterInfo {
    std::u16string description;
    uint32_t vendorId = 0;
    uint32_t deviceId = 0;
    // Whether a device can be made on it, and at which feature level.
    bool canCreateDevice = true;
    FeatureLevel featureLevel = FEATURE_LEVEL_11_0;
    // The real adapter answers multisample queries from GL; a fake one from
    // `sampleCounts` (the counts above 1 that every colour format supports).
    bool real = false;
    std::vector<uint32_t> sampleCounts;
    std::vector<DisplayInfo> outputs;
};

struct DisplaySystem {
    std::vector<AdapterInfo> adapters;
};

// The real system as it is now (needs the GL context current for the adapter).
DisplaySystem QueryRealDisplaySystem();
// The adapter the layer draws with: the current GL context's renderer.
AdapterInfo QueryGlAdapter();

// Replaces what the factory enumerates (a copy is kept); null returns to the
// real system.
void SetDisplaySystemForTesting(const DisplaySystem* fake);

// ---------------------------------------------------------------------------
// Factory, adapters, outputs
// ---------------------------------------------------------------------------

struct AdapterDesc {
    char16_t Description[128] = {};
    uint32_t VendorId = 0;
    uint32_t DeviceId = 0;
    uint32_t SubSysId = 0;
    uint32_t Revision = 0;
};

struct OutputDesc {
    char16_t DeviceName[32] = {};
    Rect DesktopCoordinates;
    int32_t AttachedToDesktop = 0;
};

class Output : public Object {
public:
    HResult GetDesc(OutputDesc* desc) const;
    // Modes of `format` in ascending order. With `modes` null, `*count` gets
    // the number; otherwise up to `*count` are written and `*count` becomes
    // the number written (DXGI_ERROR_MORE_DATA when there were more).
    HResult GetDisplayModeList(Format format, uint32_t flags, uint32_t* count, ModeDesc* modes) const;

    explicit Output(DisplayInfo info) : info_(std::move(info)) {}

private:
    DisplayInfo info_;
};

class Adapter : public Object {
public:
    HResult GetDesc(AdapterDesc* desc) const;
    // DXGI_ERROR_NOT_FOUND past the last output.
    HResult EnumOutputs(uint32_t index, Output** output) const;

    // Layer-internal: what the adapter is made of.
    const AdapterInfo& Info() const { return *info_; }
    explicit Adapter(std::shared_ptr<const AdapterInfo> info) : info_(std::move(info)) {}

private:
    std::shared_ptr<const AdapterInfo> info_;
};

class Factory : public Object {
public:
    // DXGI_ERROR_NOT_FOUND past the last adapter.
    HResult EnumAdapters(uint32_t index, Adapter** adapter) const;

    explicit Factory(const DisplaySystem& system);

private:
    std::vector<std::shared_ptr<const AdapterInfo>> adapters_;
};

// CreateDXGIFactory: a snapshot of the system as it is now.
HResult CreateFactory(Factory** factory);

}  // namespace gpu
