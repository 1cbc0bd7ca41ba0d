// CSoundManager: device lists, opening a back end, the listener and the
// streaming voice.
//
// Index: process-wide state - construction - EnumerateDevices - Init and the
// OpenAL device - InitListener - ResetStream - CreateSoundBuffer
#include "sound/sound_manager.h"

#include <algorithm>
#include <cstring>
#include <new>

// ---------------------------------------------------------------------------
// Process-wide state
// ---------------------------------------------------------------------------
platform::OpenALFunctionTable OpenALFunctions{};
uint8_t OpenALLoaded = 0;
platform::CriticalSection SoundLock;

namespace {

// Copies a text into a fixed field, cut to fit and always terminated.
template <size_t N>
void CopyText(char (&field)[N], const char* text)
{
    std::memset(field, 0, N);
    if (!text) return;
    std::strncpy(field, text, N - 1);
}

struct DeviceCollection {
    SoundDeviceRecord records[CSoundManager::kMaxDevices];
    int count = 0;
};

// Skips the primary entry (no GUID) and anything past 32; always goes on.
bool CollectDevice(const platform::SoundGuid* guid, const char* description, const char* module, void* context)
{
    auto* collection = static_cast<DeviceCollection*>(context);
    if (!guid || collection->count >= CSoundManager::kMaxDevices) return true;
    SoundDeviceRecord& record = collection->records[collection->count++];
    record.Guid = *guid;
    CopyText(record.Description, description);
    CopyText(record.Module, module);
    return true;
}

}  // namespace

// ---------------------------------------------------------------------------
// Construction
// ---------------------------------------------------------------------------
CSoundManager::CSoundManager()
{
    std::memset(static_cast<void*>(&OpenALFunctions), 0, sizeof(OpenALFunctions));
    OpenALLoaded = 0;
}

CSoundManager::~CSoundManager()
{
    SoundFiles.Clear();  // while the OpenAL context that named the buffers is current
    ReleaseStream();
    if (Listener) Listener->Release();
    if (PrimaryBuffer) PrimaryBuffer->Release();
    if (DirectSound) DirectSound->Release();
    Listener = nullptr;
    PrimaryBuffer = nullptr;
    DirectSound = nullptr;
    if (OpenALLoaded) {
        if (AlcContext) {
            if (OpenALFunctions.alcGetCurrentContext() == AlcContext) OpenALFunctions.alcMakeContextCurrent(nullptr);
            OpenALFunctions.alcDestroyContext(AlcContext);
        }
        if (AlcDevice) OpenALFunctions.alcCloseDevice(AlcDevice);
    }
    AlcContext = nullptr;
    AlcDevice = nullptr;
}

bool CSoundManager::LoadOpenAL(platform::OpenALFunctionTable* table) { return platform::LoadOpenALLibrary(table); }

// ---------------------------------------------------------------------------
// EnumerateDevices
// ---------------------------------------------------------------------------
void CSoundManager::EnumerateDevices()
{
    OpenALLoaded = 0;
    if (BackEnd != 0) {
        if (!LoadOpenAL(&OpenALFunctions)) return;  // silent back end
        OpenALLoaded = 1;
        const ALCchar* list = OpenALFunctions.alcGetString(nullptr, ALC_DEVICE_SPECIFIER);
        const ALCchar* defaultName = OpenALFunctions.alcGetString(nullptr, ALC_DEFAULT_DEVICE_SPECIFIER);
        if (defaultName) CopyText(AlDefaultDeviceName, defaultName);
        // The list is names separated by NUL and ended by an empty name; a
        // library that gives no list at all has no devices to name.
        for (const ALCchar* name = list; name && *name; name += std::strlen(name) + 1)
            if (AlDeviceCount < kMaxAlDevices) CopyText(AlDeviceNames[AlDeviceCount++], name);
        return;
    }

    DeviceCollection collection;
    if (Failed(platform::DirectSoundEnumerate(&CollectDevice, &collection))) return;
    std::copy(collection.records, collection.records + collection.count, Devices);
    DeviceCount = collection.count;
    if (DeviceCount > 0) SelectedDeviceGuid = &Devices[0].Guid;
}

// ---------------------------------------------------------------------------
// Init and the OpenAL device
// ---------------------------------------------------------------------------
platform::WaveFormatEx CSoundManager::PrimaryFormat() const
{
    platform::WaveFormatEx format;
    format.formatTag = platform::WAVE_FORMAT_PCM;
    format.channels = static_cast<uint16_t>(Channels);
    format.samplesPerSec = static_cast<uint32_t>(SampleRate);
    format.bitsPerSample = static_cast<uint16_t>(BitsPerSample);
    format.blockAlign = static_cast<uint16_t>(BitsPerSample / 8 * Channels);
    format.avgBytesPerSec = format.blockAlign * format.samplesPerSec;
    format.extraSize = 0;
    return format;
}

int32_t CSoundManager::Init()
{
    if (BackEnd != 0) return OpenOpenALDevice() ? 0 : -1;
    if (!SelectedDeviceGuid) return -1;

    if (PrimaryBuffer) PrimaryBuffer->Release();
    PrimaryBuffer = nullptr;
    if (DirectSound) DirectSound->Release();
    DirectSound = nullptr;

    HResult result = platform::DirectSoundCreate8(SelectedDeviceGuid, &DirectSound);
    if (Failed(result)) return result;
    result = DirectSound->SetCooperativeLevel(Window, platform::DSSCL_PRIORITY);
    if (Failed(result)) return result;
    platform::DsBufferDesc desc;
    desc.flags = platform::DSBCAPS_PRIMARYBUFFER;
    result = DirectSound->CreateSoundBuffer(&desc, &PrimaryBuffer);
    if (Failed(result)) return result;
    const platform::WaveFormatEx format = PrimaryFormat();
    result = PrimaryBuffer->SetFormat(&format);
    if (Failed(result)) return result;

    Caps = platform::DsCaps{};
    Caps.size = sizeof(platform::DsCaps);
    DirectSound->GetCaps(&Caps);
    PrimaryBuffer->Release();
    PrimaryBuffer = nullptr;
    return 0;
}

bool CSoundManager::OpenOpenALDevice()
{
    if (BackEnd == 0) return false;
    if (!OpenALLoaded) return true;  // silent: no library, no call
    const platform::OpenALFunctionTable& al = OpenALFunctions;

    // Whatever context is current is torn down first - when there is one.
    if (ALCcontext* current = al.alcGetCurrentContext()) {
        ALCdevice* device = al.alcGetContextsDevice(current);
        al.alcMakeContextCurrent(nullptr);
        al.alcDestroyContext(current);
        if (device) al.alcCloseDevice(device);
        if (current == AlcContext) AlcContext = nullptr;
        if (device == AlcDevice) AlcDevice = nullptr;
    }

    AlcDevice = al.alcOpenDevice(AlSelectedDeviceName[0] ? AlSelectedDeviceName : nullptr);
    if (!AlcDevice) return false;
    AlcContext = al.alcCreateContext(AlcDevice, nullptr);
    if (!AlcContext) return false;
    al.alcMakeContextCurrent(AlcContext);
    return true;
}

// ---------------------------------------------------------------------------
// InitListener
// ---------------------------------------------------------------------------
HResult CSoundManager::InitListener()
{
    if (!DirectSound) return platform::CO_E_NOTINITIALIZED;
    if (Listener) Listener->Release();
    Listener = nullptr;

    platform::DsBufferDesc desc;
    desc.flags = platform::DSBCAPS_PRIMARYBUFFER | platform::DSBCAPS_CTRL3D;
    platform::DirectSoundBuffer* primary = nullptr;
    HResult result = DirectSound->CreateSoundBuffer(&desc, &primary);
    if (Failed(result)) return result;
    const platform::WaveFormatEx format = PrimaryFormat();
    result = primary->SetFormat(&format);
    if (Failed(result)) {
        primary->Release();
        return result;
    }
    result = primary->QueryListener(&Listener);
    primary->Release();
    if (Failed(result)) return result;

    Listener->SetVelocity(0.0f, 0.0f, 0.0f, platform::DS3D_IMMEDIATE);
    platform::Ds3DListener parameters;
    parameters.size = sizeof(parameters);
    Listener->GetAllParameters(&parameters);
    parameters.rolloffFactor = 1.5f;
    parameters.dopplerFactor = 10.0f;
    Listener->SetAllParameters(&parameters, platform::DS3D_IMMEDIATE);
    return 0;
}

// ---------------------------------------------------------------------------
// ResetStream
// ---------------------------------------------------------------------------
void CSoundManager::ReleaseStream()
{
    if (!Stream) return;
    SoundLock.Enter();
    Stream->Release();
    SoundLock.Leave();
    delete Stream;
    Stream = nullptr;
}

bool CSoundManager::ResetStream()
{
    ReleaseStream();
    Stream = new (std::nothrow) CSoundStream();
    return Stream != nullptr;
}

// ---------------------------------------------------------------------------
// CreateSoundBuffer
// ---------------------------------------------------------------------------
CSoundBuffer* CSoundManager::CreateSoundBuffer(const char* name)
{
    if (!name) return nullptr;
    auto* buffer = new CSoundBuffer();
    if (!buffer) return nullptr;
    buffer->FileName = name;
    buffer->FileCache = &SoundFiles;
    if (BackEnd != 0)
        buffer->UseOpenAL = BackEnd;
    else
        buffer->DirectSound = DirectSound;
    return buffer;
}
