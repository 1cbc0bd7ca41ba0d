// Index
//   - The tables
//   - Filling and releasing them
//   - Adapter ordinals
//   - Queries
#include "graphics/display_modes.h"

#include <algorithm>

#include "core/private_heap.h"
#include "graphics/driver.h"
#include "platform/gpu/gpu.h"

// ---------------------------------------------------------------------------
// The tables
// ---------------------------------------------------------------------------

namespace {

struct DisplayEnumeration {
    int32_t adapterCount = 0;
    gpu::Adapter* adapters[kMaxAdapters] = {};
    gpu::AdapterDesc adapterDescs[kMaxAdapters] = {};
    int32_t outputCounts[kMaxAdapters] = {};
    gpu::Output* outputs[kMaxAdapters][kMaxOutputsPerAdapter] = {};
    gpu::OutputDesc outputDescs[kMaxAdapters][kMaxOutputsPerAdapter] = {};
    int32_t modeCounts[kMaxAdapters][kMaxOutputsPerAdapter] = {};
    gpu::ModeDesc* modeLists[kMaxAdapters][kMaxOutputsPerAdapter] = {};
    int32_t MultisampleQualityTable[kMaxAdapters][kMaxOutputsPerAdapter][kMultisampleSlots] = {};
};

DisplayEnumeration& Tables()
{
    static DisplayEnumeration tables;
    return tables;
}

// The mode lists live on a heap of their own, gone when the last list is freed.
PrivateHeap& ModeListHeap()
{
    static PrivateHeap heap;
    return heap;
}

// A display reports at most a few hundred modes; more is a broken driver.
constexpr uint32_t kMaxModesPerOutput = 4096;

// The formats a display may run in, in the order they are tried.
constexpr gpu::Format kDisplayFormats[] = {gpu::FORMAT_R8G8B8A8_UNORM_SRGB, gpu::FORMAT_R8G8B8A8_UNORM,
                                           gpu::FORMAT_R16G16B16A16_FLOAT, gpu::FORMAT_R10G10B10A2_UNORM};

constexpr gpu::FeatureLevel kProbeLevels[] = {gpu::FEATURE_LEVEL_11_0, gpu::FEATURE_LEVEL_10_1,
                                              gpu::FEATURE_LEVEL_10_0};

// The operating system's own software renderer is never offered.
constexpr uint32_t kBasicRenderVendor = 0x1414;
constexpr uint32_t kBasicRenderDevice = 0x8C;

template <class T>
void ReleaseAndClear(T*& object)
{
    if (object) object->Release();
    object = nullptr;
}

void ReleaseTables()
{
    DisplayEnumeration& t = Tables();
    for (int adapter = 0; adapter < kMaxAdapters; ++adapter) {
        for (int output = 0; output < kMaxOutputsPerAdapter; ++output) {
            if (t.modeLists[adapter][output]) ModeListHeap().Free(t.modeLists[adapter][output]);
            t.modeLists[adapter][output] = nullptr;
            ReleaseAndClear(t.outputs[adapter][output]);
        }
        ReleaseAndClear(t.adapters[adapter]);
    }
    t = DisplayEnumeration {};
}

// A probe device on the adapter, as device creation would make one.
bool ProbeDevice(gpu::Adapter* adapter, gpu::Device** device)
{
    gpu::FeatureLevel level = gpu::FEATURE_LEVEL_10_0;
    gpu::Context* context = nullptr;
    const HResult result =
        gpu::CreateDevice(adapter, gpu::DRIVER_TYPE_UNKNOWN, 0, kProbeLevels, 3, device, &level, &context);
    if (context) context->Release();
    if (Failed(result)) return false;
    if (level < gpu::FEATURE_LEVEL_10_0) {
        ReleaseAndClear(*device);
        return false;
    }
    return true;
}

// Reads one output's modes in the first display format that has a readable
// list, and its multisample row in that format.
void ReadOutputModes(int adapter, int output)
{
    DisplayEnumeration& t = Tables();
    gpu::Output* source = t.outputs[adapter][output];
    for (const gpu::Format format : kDisplayFormats) {
        uint32_t count = 0;
        if (Failed(source->GetDisplayModeList(format, gpu::ENUM_MODES_INTERLACED, &count, nullptr))) continue;
        count = std::min(count, kMaxModesPerOutput);
        auto* list = static_cast<gpu::ModeDesc*>(ModeListHeap().Alloc(sizeof(gpu::ModeDesc) * std::max(count, 1u)));
        if (!list) continue;
        t.modeLists[adapter][output] = list;
        if (Failed(source->GetDisplayModeList(format, gpu::ENUM_MODES_INTERLACED, &count, list))) return;
        t.modeCounts[adapter][output] = static_cast<int32_t>(count);

        gpu::Device* device = nullptr;
        if (ProbeDevice(t.adapters[adapter], &device)) {
            int32_t* row = t.MultisampleQualityTable[adapter][output];
            row[0] = 1;
            for (uint32_t samples = 1; samples < kMultisampleSlots; ++samples) {
                uint32_t levels = 0;
                if (Succeeded(device->CheckMultisampleQualityLevels(format, samples, &levels)) && levels != 0)
                    row[samples] = static_cast<int32_t>(levels);
            }
            device->Release();
        }
        return;
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// Filling and releasing them
// ---------------------------------------------------------------------------

int EnumerateAdapters()
{
    ReleaseTables();
    DisplayEnumeration& t = Tables();
    gpu::Factory* factory = nullptr;
    if (Failed(gpu::CreateFactory(&factory))) return 0;

    while (t.adapterCount < kMaxAdapters &&
           Succeeded(factory->EnumAdapters(static_cast<uint32_t>(t.adapterCount), &t.adapters[t.adapterCount])))
        ++t.adapterCount;
    for (int adapter = 0; adapter < t.adapterCount; ++adapter) t.adapters[adapter]->GetDesc(&t.adapterDescs[adapter]);

    // Outputs beyond the table's width are not enumerated.
    for (int adapter = 0; adapter < t.adapterCount; ++adapter) {
        int32_t& count = t.outputCounts[adapter];
        while (count < kMaxOutputsPerAdapter &&
               Succeeded(t.adapters[adapter]->EnumOutputs(static_cast<uint32_t>(count), &t.outputs[adapter][count]))) {
            t.outputs[adapter][count]->GetDesc(&t.outputDescs[adapter][count]);
            ++count;
        }
    }
    for (int adapter = 0; adapter < t.adapterCount; ++adapter)
        for (int output = 0; output < t.outputCounts[adapter]; ++output) ReadOutputModes(adapter, output);

    factory->Release();
    return 1;
}

int ReleaseDisplayEnumeration()
{
    ReleaseTables();
    if (Driver && Driver->state) {
        Driver->state->Release();
        delete Driver->state;
        Driver->state = nullptr;
    }
    return 0;
}

int GetEnumeratedAdapterCount() { return Tables().adapterCount; }

// ---------------------------------------------------------------------------
// Adapter ordinals
// ---------------------------------------------------------------------------

int IsAdapterUsable(int index)
{
    const DisplayEnumeration& t = Tables();
    if (index < 0 || index >= t.adapterCount) return 0;
    gpu::Device* device = nullptr;
    if (!ProbeDevice(t.adapters[index], &device)) return 0;
    device->Release();
    gpu::AdapterDesc desc;
    t.adapters[index]->GetDesc(&desc);
    return desc.VendorId == kBasicRenderVendor && desc.DeviceId == kBasicRenderDevice ? 0 : 1;
}

int GetUsableAdapterCount()
{
    int usable = 0;
    for (int index = 0; index < Tables().adapterCount; ++index) usable += IsAdapterUsable(index);
    return usable;
}

namespace {

// The enumeration index of the ordinal-th usable adapter, or -1.
int ResolveOrdinal(int ordinal)
{
    if (ordinal < 0) return -1;
    int seen = 0;
    for (int index = 0; index < Tables().adapterCount; ++index) {
        if (!IsAdapterUsable(index)) continue;
        if (seen == ordinal) return index;
        ++seen;
    }
    return -1;
}

// For the output queries: the ordinal must be a valid enumeration index; it
// stands for itself when there is no such usable adapter.
int ResolveForOutputs(int ordinal)
{
    if (ordinal < 0 || ordinal >= Tables().adapterCount) return -1;
    const int index = ResolveOrdinal(ordinal);
    return index >= 0 ? index : ordinal;
}

template <size_t N>
void CopyTerminated(const char16_t (&from)[N], char16_t* out, int outChars)
{
    size_t length = 0;
    while (length < N && from[length] != 0) ++length;
    length = std::min(length, static_cast<size_t>(outChars - 1));
    std::copy_n(from, length, out);
    out[length] = 0;
}

}  // namespace

// ---------------------------------------------------------------------------
// Queries
// ---------------------------------------------------------------------------

int GetAdapterName(int ordinal, char16_t* out, int outChars)
{
    if (!out || outChars <= 0) return 0;
    const int index = ResolveOrdinal(ordinal);
    if (index >= 0) CopyTerminated(Tables().adapterDescs[index].Description, out, outChars);
    return 0;
}

int GetOutputCount(int ordinal)
{
    const DisplayEnumeration& t = Tables();
    if (ordinal < 0 || ordinal >= t.adapterCount || t.outputCounts[ordinal] == 0) return 0;
    return t.outputCounts[ResolveForOutputs(ordinal)];
}

int GetOutputName(int ordinal, int output, char16_t* out, int outChars)
{
    const DisplayEnumeration& t = Tables();
    if (!out || outChars <= 0 || ordinal < 0 || ordinal >= t.adapterCount || t.outputCounts[ordinal] == 0) return 0;
    const int index = ResolveForOutputs(ordinal);
    if (output < 0 || output >= t.outputCounts[index]) return 0;
    CopyTerminated(t.outputDescs[index][output].DeviceName, out, outChars);
    return 1;
}

namespace {

// The enumeration index and output an (ordinal, output) pair asks about, the
// output clamped to the adapter's last; false when it names nothing.
bool ResolveOutput(int ordinal, int output, int* index, int* clamped)
{
    if (output < 0) return false;
    *index = ResolveForOutputs(ordinal);
    if (*index < 0 || Tables().outputCounts[*index] == 0) return false;
    *clamped = std::min(output, Tables().outputCounts[*index] - 1);
    return true;
}

}  // namespace

int HasDisplayMode(int ordinal, int output, int width, int height)
{
    int index = 0, clamped = 0;
    if (!ResolveOutput(ordinal, output, &index, &clamped)) return 0;
    const gpu::ModeDesc* modes = Tables().modeLists[index][clamped];
    const int count = modes ? Tables().modeCounts[index][clamped] : 0;
    for (int mode = 0; mode < count; ++mode)
        if (static_cast<int64_t>(modes[mode].Width) == width && static_cast<int64_t>(modes[mode].Height) == height)
            return 1;
    return 0;
}

int GetMultisampleQualityLevels(int ordinal, int output, int samples)
{
    int index = 0, clamped = 0;
    if (samples < 0 || samples >= kMultisampleSlots || !ResolveOutput(ordinal, output, &index, &clamped)) return 0;
    return Tables().MultisampleQualityTable[index][clamped][samples];
}

int32_t MultisampleQualityEntry(int adapter, int output, int samples)
{
    if (adapter < 0 || adapter >= Tables().adapterCount || output < 0 || output >= kMaxOutputsPerAdapter ||
        samples < 0 || samples >= kMultisampleSlots)
        return 0;
    return Tables().MultisampleQualityTable[adapter][output][samples];
}
