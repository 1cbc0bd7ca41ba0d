// The DirectSound-shaped device over SDL audio.
//
// Index: helpers - observation registry - enumeration and creation -
// DirectSound8 - mixer - DirectSoundBuffer - DirectSound3DListener
#include "platform/sound/direct_sound.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>
#include <new>

namespace platform {

// ---------------------------------------------------------------------------
// Helpers
// ---------------------------------------------------------------------------
namespace {

// One sample frame of a format the mixer converts: PCM, 8 or 16 bits, mono or stereo.
bool IsMixableFormat(const WaveFormatEx& format)
{
    return format.formatTag == WAVE_FORMAT_PCM && (format.channels == 1 || format.channels == 2) &&
           (format.bitsPerSample == 8 || format.bitsPerSample == 16) &&
           format.samplesPerSec >= DSBFREQUENCY_MIN && format.samplesPerSec <= DSBFREQUENCY_MAX &&
           format.blockAlign == format.channels * format.bitsPerSample / 8;
}

SDL_AudioFormat SdlSampleFormat(const WaveFormatEx& format)
{
    return format.bitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16LSB;
}

bool StartAudio() { return SDL_InitSubSystem(SDL_INIT_AUDIO) == 0; }
void StopAudio() { SDL_QuitSubSystem(SDL_INIT_AUDIO); }

struct OutputDevice {
    SoundGuid guid;
    std::string description;
    bool named = false;  // false: SDL's default output (opened with a null name)
};

// A GUID that stays the same for a device name across runs: "VSKA", the
// occurrence of that name in the list, and a 64-bit FNV-1a hash of it.
SoundGuid GuidForDevice(const std::string& name, uint32_t occurrence)
{
    uint64_t hash = 0xCBF29CE484222325ull;
    for (const unsigned char c : name) hash = (hash ^ c) * 0x100000001B3ull;
    SoundGuid guid;
    const uint8_t tag[4] = {'V', 'S', 'K', 'A'};
    for (int i = 0; i < 4; ++i) guid.bytes[i] = tag[i];
    for (int i = 0; i < 4; ++i) guid.bytes[4 + i] = static_cast<uint8_t>(occurrence >> (8 * i));
    for (int i = 0; i < 8; ++i) guid.bytes[8 + i] = static_cast<uint8_t>(hash >> (8 * i));
    return guid;
}

std::vector<std::string>& TestOutputNames()
{
    static std::vector<std::string> names;
    return names;
}

// Needs the SDL audio subsystem started.
std::vector<OutputDevice> ListOutputDevices()
{
    if (!TestOutputNames().empty()) {
        std::vector<OutputDevice> devices;
        for (const std::string& name : TestOutputNames()) devices.push_back({GuidForDevice(name, 0), name, true});
        return devices;
    }
    std::string defaultName;
    char* name = nullptr;
    SDL_AudioSpec spec;
    if (SDL_GetDefaultAudioInfo(&name, &spec, 0) == 0 && name) {
        defaultName = name;
        SDL_free(name);
    }

    std::vector<OutputDevice> devices;
    const int count = SDL_GetNumAudioDevices(0);
    for (int i = 0; i < count; ++i) {
        const char* deviceName = SDL_GetAudioDeviceName(i, 0);
        if (!deviceName) continue;
        const std::string text = deviceName;
        const auto occurrence = static_cast<uint32_t>(std::count_if(
            devices.begin(), devices.end(), [&](const OutputDevice& d) { return d.description == text; }));
        devices.push_back({GuidForDevice(text, occurrence), text, true});
    }
    // Windows lists the default device first and the program opens the first
    // device it is given, so the user's default output is the one used.
    std::stable_partition(devices.begin(), devices.end(),
                          [&](const OutputDevice& d) { return !defaultName.empty() && d.description == defaultName; });
    if (devices.empty()) devices.push_back({GuidForDevice("", 0xFFFFFFFFu), "Default audio output", false});
    return devices;
}

std::atomic<uint64_t> nextBufferId{1};

}  // namespace

// ---------------------------------------------------------------------------
// Observation registry: live devices (whose secondary buffers tests list) and
// the plays asked for
// ---------------------------------------------------------------------------
namespace {

std::mutex& RegistryMutex()
{
    static std::mutex mutex;
    return mutex;
}
std::vector<DirectSound8*>& LiveDevices()
{
    static std::vector<DirectSound8*> devices;
    return devices;
}
std::vector<SoundPlayEvent>& PlayEvents()
{
    static std::vector<SoundPlayEvent> events;
    return events;
}

}  // namespace

std::vector<SoundPlayEvent> TakeSoundPlayEvents()
{
    const std::lock_guard<std::mutex> lock(RegistryMutex());
    std::vector<SoundPlayEvent> events;
    events.swap(PlayEvents());
    return events;
}

std::vector<SoundBufferState> ListSoundBuffers()
{
    const std::lock_guard<std::mutex> lock(RegistryMutex());
    std::vector<SoundBufferState> states;
    for (DirectSound8* device : LiveDevices()) {
        device->LockAudio();
        for (const DirectSoundBuffer* buffer : device->secondaries_) states.push_back(buffer->DescribeState());
        device->UnlockAudio();
    }
    // Buffer ids grow with every buffer made.
    std::sort(states.begin(), states.end(),
              [](const SoundBufferState& a, const SoundBufferState& b) { return a.bufferId < b.bufferId; });
    return states;
}

// ---------------------------------------------------------------------------
// Enumeration and creation
// ---------------------------------------------------------------------------
HResult DirectSoundEnumerate(DsEnumerateCallback callback, void* context)
{
    if (!callback) return DSERR_INVALIDPARAM;
    if (!StartAudio()) return S_OK;
    const char* driver = SDL_GetCurrentAudioDriver();
    const std::string module = driver ? driver : "";
    const std::vector<OutputDevice> devices = ListOutputDevices();
    StopAudio();

    if (!callback(nullptr, "Primary Sound Driver", "", context)) return S_OK;
    for (const OutputDevice& device : devices)
        if (!callback(&device.guid, device.description.c_str(), module.c_str(), context)) break;
    return S_OK;
}

HResult DirectSoundCreate8(const SoundGuid* guid, DirectSound8** out)
{
    if (!out) return DSERR_INVALIDPARAM;
    *out = nullptr;
    if (!StartAudio()) return DSERR_NODRIVER;

    const std::vector<OutputDevice> devices = ListOutputDevices();
    const OutputDevice* chosen = nullptr;
    if (guid) {
        for (const OutputDevice& device : devices)
            if (device.guid == *guid) chosen = &device;
        if (!chosen) {
            StopAudio();
            return DSERR_NODRIVER;
        }
    }

    auto* device = new (std::nothrow) DirectSound8();
    if (!device) {
        StopAudio();
        return DSERR_OUTOFMEMORY;
    }
    device->audioStarted_ = true;
    device->hasDeviceName_ = chosen && chosen->named;
    if (device->hasDeviceName_) device->deviceName_ = chosen->description;
    const char* driver = SDL_GetCurrentAudioDriver();
    device->driverName_ = driver ? driver : "";
    Ds3DListener& listener = device->listenerCurrent_;
    listener.size = sizeof(Ds3DListener);
    listener.orientFront = {0.0f, 0.0f, 1.0f};
    listener.orientTop = {0.0f, 1.0f, 0.0f};
    listener.distanceFactor = 1.0f;
    listener.rolloffFactor = 1.0f;
    listener.dopplerFactor = 1.0f;
    device->listenerDeferred_ = listener;
    {
        const std::lock_guard<std::mutex> lock(RegistryMutex());
        LiveDevices().push_back(device);
    }
    *out = device;
    return S_OK;
}

// ---------------------------------------------------------------------------
// DirectSound8
// ---------------------------------------------------------------------------
DirectSound8::~DirectSound8()
{
    {
        const std::lock_guard<std::mutex> lock(RegistryMutex());
        std::erase(LiveDevices(), this);
    }
    CloseOutput();
    if (audioStarted_) StopAudio();
}

void DirectSound8::AddSecondary(DirectSoundBuffer* buffer)
{
    LockAudio();
    buffer->secondarySlot_ = secondaries_.size();
    secondaries_.push_back(buffer);
    UnlockAudio();
}

void DirectSound8::RemoveSecondary(DirectSoundBuffer* buffer)
{
    LockAudio();
    DirectSoundBuffer* last = secondaries_.back();
    secondaries_[buffer->secondarySlot_] = last;
    last->secondarySlot_ = buffer->secondarySlot_;
    secondaries_.pop_back();
    UnlockAudio();
}

uint32_t DirectSound8::AddRef() { return ++references_; }

uint32_t DirectSound8::Release()
{
    const uint32_t left = --references_;
    if (left == 0) delete this;
    return left;
}

HResult DirectSound8::SetCooperativeLevel(void* window, uint32_t level)
{
    if (level < DSSCL_NORMAL || level > 4) return DSERR_INVALIDPARAM;
    cooperativeLevel_ = level;
    return S_OK;
}

HResult DirectSound8::CreateSoundBuffer(const DsBufferDesc* desc, DirectSoundBuffer** out)
{
    if (!desc || !out || desc->size != sizeof(DsBufferDesc)) return DSERR_INVALIDPARAM;
    *out = nullptr;

    if (desc->flags & DSBCAPS_PRIMARYBUFFER) {
        if (desc->bufferBytes != 0 || desc->format) return DSERR_INVALIDPARAM;
        auto* primary = new (std::nothrow) DirectSoundBuffer(this, desc->flags);
        if (!primary) return DSERR_OUTOFMEMORY;
        primary->format_ = outputFormat_;
        *out = primary;
        return S_OK;
    }

    if ((desc->flags & DSBCAPS_LOCHARDWARE) && (desc->flags & DSBCAPS_LOCSOFTWARE)) return DSERR_INVALIDPARAM;
    // No device mixes in hardware any more; DirectSound on current Windows
    // refuses such buffers and callers fall back to software.
    if (desc->flags & DSBCAPS_LOCHARDWARE) return DSERR_UNSUPPORTED;
    if (!desc->format) return DSERR_INVALIDPARAM;
    if (!IsMixableFormat(*desc->format)) return DSERR_BADFORMAT;
    if (desc->bufferBytes < DSBSIZE_MIN || desc->bufferBytes > DSBSIZE_MAX) return DSERR_INVALIDPARAM;

    auto* buffer = new (std::nothrow) DirectSoundBuffer(this, desc->flags);
    if (!buffer) return DSERR_OUTOFMEMORY;
    buffer->format_ = *desc->format;
    try {
        buffer->data_ = std::make_shared<std::vector<uint8_t>>(desc->bufferBytes,
                                                               desc->format->bitsPerSample == 8 ? 0x80 : 0x00);
    } catch (const std::bad_alloc&) {
        buffer->Release();
        return DSERR_OUTOFMEMORY;
    }
    buffer->playableBytes_ = desc->bufferBytes / desc->format->blockAlign * desc->format->blockAlign;
    buffer->Register();
    *out = buffer;
    return S_OK;
}

HResult DirectSound8::DuplicateSoundBuffer(DirectSoundBuffer* original, DirectSoundBuffer** out)
{
    if (!out) return DSERR_INVALIDPARAM;
    *out = nullptr;
    if (!original || original->device_ != this) return DSERR_INVALIDPARAM;
    if (original->IsPrimary()) return DSERR_INVALIDCALL;
    auto* buffer = new (std::nothrow) DirectSoundBuffer(this, original->flags_);
    if (!buffer) return DSERR_OUTOFMEMORY;
    buffer->format_ = original->format_;
    buffer->data_ = original->data_;
    buffer->playableBytes_ = original->playableBytes_;
    LockAudio();
    buffer->volume_ = original->volume_;
    buffer->gain_ = original->gain_;
    UnlockAudio();
    buffer->Register();
    *out = buffer;
    return S_OK;
}

HResult DirectSound8::GetCaps(DsCaps* caps) const
{
    if (!caps || caps->size != sizeof(DsCaps)) return DSERR_INVALIDPARAM;
    *caps = DsCaps{};
    caps->size = sizeof(DsCaps);
    caps->flags = 0x0F0F;  // primary and secondary: mono, stereo, 8 and 16 bits
    caps->minSecondarySampleRate = DSBFREQUENCY_MIN;
    caps->maxSecondarySampleRate = DSBFREQUENCY_MAX;
    caps->primaryBuffers = 1;
    return S_OK;
}

HResult DirectSound8::OpenOutput(const WaveFormatEx& format)
{
    if (audioDevice_ && outputFormat_.channels == format.channels &&
        outputFormat_.samplesPerSec == format.samplesPerSec && outputFormat_.bitsPerSample == format.bitsPerSample)
        return S_OK;
    CloseOutput();

    SDL_AudioSpec wanted{};
    wanted.freq = static_cast<int>(format.samplesPerSec);
    wanted.format = format.bitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16SYS;
    wanted.channels = static_cast<Uint8>(format.channels);
    wanted.samples = 512;
    wanted.callback = &DirectSound8::AudioCallback;
    wanted.userdata = this;
    SDL_AudioSpec obtained{};
    // No allowed changes: SDL converts to the hardware, the mixer writes exactly this format.
    const SDL_AudioDeviceID id =
        SDL_OpenAudioDevice(hasDeviceName_ ? deviceName_.c_str() : nullptr, 0, &wanted, &obtained, 0);
    if (id == 0) return DSERR_GENERIC;

    // The device opens paused: the callback cannot run until it is unpaused.
    audioDevice_ = id;
    outputFormat_ = format;
    RebuildConversions();
    SDL_PauseAudioDevice(id, 0);
    return S_OK;
}

void DirectSound8::CloseOutput()
{
    if (!audioDevice_) return;
    SDL_CloseAudioDevice(audioDevice_);  // waits for a running callback
    audioDevice_ = 0;
    RebuildConversions();  // frees them: nothing converts without an output
}

void DirectSound8::LockAudio() const
{
    if (audioDevice_) SDL_LockAudioDevice(audioDevice_);
}

void DirectSound8::UnlockAudio() const
{
    if (audioDevice_) SDL_UnlockAudioDevice(audioDevice_);
}

void DirectSound8::RebuildConversions()
{
    LockAudio();
    for (DirectSoundBuffer* buffer : secondaries_) buffer->RebuildConversion();
    UnlockAudio();
}

// ---------------------------------------------------------------------------
// Mixer: runs on SDL's audio thread with the device lock held
// ---------------------------------------------------------------------------
void DirectSound8::AudioCallback(void* self, uint8_t* out, int bytes)
{
    static_cast<DirectSound8*>(self)->Mix(out, bytes);
}

void DirectSound8::Mix(uint8_t* out, int bytes)
{
    const int bytesPerSample = outputFormat_.bitsPerSample / 8;
    const size_t samples = static_cast<size_t>(bytes) / static_cast<size_t>(bytesPerSample);
    mix_.assign(samples, 0.0f);
    if (scratch_.size() < samples) scratch_.resize(samples);
    for (DirectSoundBuffer* buffer : secondaries_) buffer->MixInto(mix_.data(), scratch_.data(), samples);

    if (bytesPerSample == 2) {
        auto* target = reinterpret_cast<int16_t*>(out);
        for (size_t i = 0; i < samples; ++i)
            target[i] = static_cast<int16_t>(std::lround(std::clamp(mix_[i], -1.0f, 1.0f) * 32767.0f));
    } else {
        for (size_t i = 0; i < samples; ++i)
            out[i] = static_cast<uint8_t>(128 + std::lround(std::clamp(mix_[i], -1.0f, 1.0f) * 127.0f));
    }
}

void DirectSoundBuffer::MixInto(float* mix, float* scratch, size_t samples)
{
    if (!playing_ || !conversion_) return;
    const int wanted = static_cast<int>(samples * sizeof(float));
    const uint32_t feedBytes = std::max<uint32_t>(4096u / format_.blockAlign * format_.blockAlign, format_.blockAlign);

    while (!drained_ && SDL_AudioStreamAvailable(conversion_) < wanted) {
        if (position_ < playableBytes_) {
            const uint32_t chunk = std::min(playableBytes_ - position_, feedBytes);
            if (SDL_AudioStreamPut(conversion_, data_->data() + position_, static_cast<int>(chunk)) != 0) {
                playing_ = false;
                return;
            }
            position_ += chunk;
        } else if (looping_ && playableBytes_ > 0) {
            position_ = 0;
        } else {
            SDL_AudioStreamFlush(conversion_);
            drained_ = true;
        }
    }

    const int got = SDL_AudioStreamGet(conversion_, scratch, wanted);
    const size_t converted = got > 0 ? static_cast<size_t>(got) / sizeof(float) : 0;
    for (size_t i = 0; i < converted; ++i) mix[i] += scratch[i] * gain_;

    if (drained_ && SDL_AudioStreamAvailable(conversion_) == 0) {
        // Played to the end once: stopped, as a DirectSound buffer is, ready to start over.
        playing_ = false;
        looping_ = false;
        drained_ = false;
        position_ = 0;
        FreeConversion();
    }
}

// ---------------------------------------------------------------------------
// DirectSoundBuffer
// ---------------------------------------------------------------------------
DirectSoundBuffer::DirectSoundBuffer(DirectSound8* device, uint32_t flags)
    : device_(device), flags_(flags), id_(nextBufferId++)
{
    device_->AddRef();
}

DirectSoundBuffer::~DirectSoundBuffer()
{
    if (registered_) {
        const std::lock_guard<std::mutex> lock(RegistryMutex());
        device_->RemoveSecondary(this);
    }
    if (!IsPrimary()) FreeConversion();
    device_->Release();
}

void DirectSoundBuffer::Register()
{
    const std::lock_guard<std::mutex> lock(RegistryMutex());
    device_->AddSecondary(this);
    registered_ = true;
}

uint32_t DirectSoundBuffer::AddRef() { return ++references_; }

uint32_t DirectSoundBuffer::Release()
{
    const uint32_t left = --references_;
    if (left == 0) delete this;
    return left;
}

void DirectSoundBuffer::FreeConversion()
{
    if (conversion_) SDL_FreeAudioStream(conversion_);
    conversion_ = nullptr;
}

void DirectSoundBuffer::RebuildConversion()
{
    FreeConversion();
    drained_ = false;
    if (IsPrimary() || !playing_ || !device_->audioDevice_) return;
    const WaveFormatEx& output = device_->outputFormat_;
    conversion_ = SDL_NewAudioStream(SdlSampleFormat(format_), static_cast<Uint8>(format_.channels),
                                     static_cast<int>(format_.samplesPerSec), AUDIO_F32SYS,
                                     static_cast<Uint8>(output.channels), static_cast<int>(output.samplesPerSec));
}

HResult DirectSoundBuffer::SetFormat(const WaveFormatEx* format)
{
    if (!IsPrimary()) return DSERR_INVALIDCALL;
    if (!format) return DSERR_INVALIDPARAM;
    if (device_->cooperativeLevel_ < DSSCL_PRIORITY) return DSERR_PRIOLEVELNEEDED;
    if (!IsMixableFormat(*format)) return DSERR_BADFORMAT;
    const HResult result = device_->OpenOutput(*format);
    if (Succeeded(result)) format_ = *format;
    return result;
}

HResult DirectSoundBuffer::QueryListener(DirectSound3DListener** out)
{
    if (!out) return DSERR_INVALIDPARAM;
    *out = nullptr;
    if (!IsPrimary() || !(flags_ & DSBCAPS_CTRL3D)) return E_NOINTERFACE;
    auto* listener = new (std::nothrow) DirectSound3DListener(device_);
    if (!listener) return DSERR_OUTOFMEMORY;
    *out = listener;
    return S_OK;
}

HResult DirectSoundBuffer::Lock(uint32_t offset, uint32_t bytes, void** region1, uint32_t* bytes1, void** region2,
                                uint32_t* bytes2, uint32_t flags)
{
    if (IsPrimary()) return DSERR_INVALIDCALL;
    if (!region1 || !bytes1) return DSERR_INVALIDPARAM;
    std::vector<uint8_t>& data = *data_;
    const auto size = static_cast<uint32_t>(data.size());
    if (flags & DSBLOCK_ENTIREBUFFER) bytes = size;
    if (offset >= size || bytes == 0 || bytes > size) return DSERR_INVALIDPARAM;

    device_->LockAudio();
    const uint32_t first = std::min(bytes, size - offset);
    const uint32_t wrapped = bytes - first;
    *region1 = data.data() + offset;
    *bytes1 = first;
    if (region2) *region2 = wrapped ? data.data() : nullptr;
    if (bytes2) *bytes2 = wrapped;
    device_->UnlockAudio();
    return S_OK;
}

HResult DirectSoundBuffer::Unlock(void* region1, uint32_t bytes1, void* region2, uint32_t bytes2)
{
    if (IsPrimary()) return DSERR_INVALIDCALL;
    const std::vector<uint8_t>& data = *data_;
    const auto inside = [&](void* region, uint32_t bytes) {
        if (!region) return bytes == 0;
        const auto* p = static_cast<const uint8_t*>(region);
        return p >= data.data() && bytes <= data.size() && p + bytes <= data.data() + data.size();
    };
    if (!region1 || !inside(region1, bytes1) || !inside(region2, bytes2)) return DSERR_INVALIDPARAM;
    return S_OK;
}

HResult DirectSoundBuffer::Play(uint32_t reserved, uint32_t priority, uint32_t flags)
{
    if (IsPrimary()) return S_OK;
    if (reserved != 0 || priority != 0) return DSERR_INVALIDPARAM;

    device_->LockAudio();
    const bool looping = (flags & DSBPLAY_LOOPING) != 0;
    if (!playing_) {
        playing_ = true;
        RebuildConversion();
    } else if (drained_ && looping) {
        // Already past the end of a single play: loop from the start.
        drained_ = false;
        position_ = 0;
        if (conversion_) SDL_AudioStreamClear(conversion_);
    }
    looping_ = looping;
    SoundPlayEvent event;
    event.bufferId = id_;
    event.looping = looping;
    event.volume = volume_;
    event.bytes = static_cast<uint32_t>(data_->size());
    event.format = format_;
    device_->UnlockAudio();

    const std::lock_guard<std::mutex> lock(RegistryMutex());
    PlayEvents().push_back(event);
    return S_OK;
}

HResult DirectSoundBuffer::Stop()
{
    if (IsPrimary()) return S_OK;
    device_->LockAudio();
    playing_ = false;
    looping_ = false;
    drained_ = false;
    FreeConversion();
    device_->UnlockAudio();
    return S_OK;
}

HResult DirectSoundBuffer::SetCurrentPosition(uint32_t position)
{
    if (IsPrimary()) return DSERR_INVALIDCALL;
    if (position >= data_->size()) return DSERR_INVALIDPARAM;
    device_->LockAudio();
    position_ = position / format_.blockAlign * format_.blockAlign;
    drained_ = false;
    if (conversion_) SDL_AudioStreamClear(conversion_);
    device_->UnlockAudio();
    return S_OK;
}

HResult DirectSoundBuffer::GetCurrentPosition(uint32_t* play, uint32_t* write) const
{
    if (IsPrimary()) return DSERR_INVALIDCALL;
    device_->LockAudio();
    const uint32_t position = position_ < data_->size() ? position_ : 0;
    device_->UnlockAudio();
    if (play) *play = position;
    if (write) *write = position;
    return S_OK;
}

HResult DirectSoundBuffer::SetVolume(int32_t volume)
{
    if (!(flags_ & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
    if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX) return DSERR_INVALIDPARAM;
    const float gain = volume <= DSBVOLUME_MIN ? 0.0f : static_cast<float>(std::pow(10.0, volume / 2000.0));
    device_->LockAudio();
    volume_ = volume;
    gain_ = gain;
    device_->UnlockAudio();
    return S_OK;
}

HResult DirectSoundBuffer::GetVolume(int32_t* volume) const
{
    if (!volume) return DSERR_INVALIDPARAM;
    if (!(flags_ & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
    device_->LockAudio();
    *volume = volume_;
    device_->UnlockAudio();
    return S_OK;
}

HResult DirectSoundBuffer::GetStatus(uint32_t* status) const
{
    if (!status) return DSERR_INVALIDPARAM;
    device_->LockAudio();
    *status = (playing_ ? DSBSTATUS_PLAYING : 0) | (playing_ && looping_ ? DSBSTATUS_LOOPING : 0);
    device_->UnlockAudio();
    return S_OK;
}

SoundBufferState DirectSoundBuffer::DescribeState() const
{
    SoundBufferState state;
    device_->LockAudio();
    state.bufferId = id_;
    state.playing = playing_;
    state.looping = playing_ && looping_;
    state.volume = volume_;
    state.position = position_;
    state.bytes = static_cast<uint32_t>(data_->size());
    device_->UnlockAudio();
    return state;
}

// ---------------------------------------------------------------------------
// DirectSound3DListener
// ---------------------------------------------------------------------------
namespace {

bool IsValidListener(const Ds3DListener& p)
{
    const auto finite = [](const DsVector& v) {
        return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
    };
    // DirectSound's ranges: distance factor above 0, rolloff and Doppler 0 to 10.
    return finite(p.position) && finite(p.velocity) && finite(p.orientFront) && finite(p.orientTop) &&
           p.distanceFactor > 0.0f && std::isfinite(p.distanceFactor) && p.rolloffFactor >= 0.0f &&
           p.rolloffFactor <= 10.0f && p.dopplerFactor >= 0.0f && p.dopplerFactor <= 10.0f;
}

}  // namespace

DirectSound3DListener::DirectSound3DListener(DirectSound8* device) : device_(device) { device_->AddRef(); }

DirectSound3DListener::~DirectSound3DListener() { device_->Release(); }

uint32_t DirectSound3DListener::AddRef() { return ++references_; }

uint32_t DirectSound3DListener::Release()
{
    const uint32_t left = --references_;
    if (left == 0) delete this;
    return left;
}

HResult DirectSound3DListener::SetVelocity(float x, float y, float z, uint32_t apply)
{
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) return DSERR_INVALIDPARAM;
    if (apply == DS3D_DEFERRED) {
        if (!device_->listenerHasDeferred_) device_->listenerDeferred_ = device_->listenerCurrent_;
        device_->listenerDeferred_.velocity = {x, y, z};
        device_->listenerHasDeferred_ = true;
    } else {
        device_->listenerCurrent_.velocity = {x, y, z};
        device_->listenerDeferred_.velocity = {x, y, z};
    }
    return S_OK;
}

HResult DirectSound3DListener::GetAllParameters(Ds3DListener* out) const
{
    if (!out || out->size != sizeof(Ds3DListener)) return DSERR_INVALIDPARAM;
    *out = device_->listenerCurrent_;
    return S_OK;
}

HResult DirectSound3DListener::SetAllParameters(const Ds3DListener* in, uint32_t apply)
{
    if (!in || in->size != sizeof(Ds3DListener) || !IsValidListener(*in)) return DSERR_INVALIDPARAM;
    if (apply == DS3D_DEFERRED) {
        device_->listenerDeferred_ = *in;
        device_->listenerHasDeferred_ = true;
    } else {
        device_->listenerCurrent_ = *in;
        device_->listenerDeferred_ = *in;
    }
    return S_OK;
}

HResult DirectSound3DListener::CommitDeferredSettings()
{
    if (device_->listenerHasDeferred_) device_->listenerCurrent_ = device_->listenerDeferred_;
    device_->listenerHasDeferred_ = false;
    return S_OK;
}

void SetSoundOutputsForTests(std::vector<std::string> names) { TestOutputNames() = std::move(names); }

}  // namespace platform
