// A DirectSound-8-shaped sound device over SDL audio.
//
// The program's sound code talks to "DirectSound": it enumerates devices,
// creates one, sets the primary buffer's format, fills static secondary
// buffers and plays them once or looping, and keeps a 3D listener. This layer
// gives it exactly those calls with DirectSound's results:
//
//   - enumeration: a primary entry without a GUID first, then SDL's output devices;
//   - the device: opens SDL audio when the primary buffer's format is set;
//   - static secondary buffers: lock/unlock, play once or looping, stop keeping
//     the position, set the position, volume in hundredths of a decibel;
//   - duplicates of a secondary buffer: the samples are shared, while play
//     state, position and volume are each buffer's own;
//   - a 3D listener that stores and returns its parameters (nothing is panned).
//
// A small mixer runs in the SDL audio callback; a playing buffer's samples are
// converted to the device format by an SDL_AudioStream, which exists only
// while that buffer plays, so thousands of silent buffers cost little. Every
// buffer operation takes the SDL audio device lock, so the callback never sees
// a half-made change.
//
// Objects are reference counted as COM objects are: Release() frees at zero.
// A buffer or listener holds a reference on its device, so the device (and the
// open SDL audio device) outlives them.
//
// Index: results and constants - descriptors - enumeration and creation -
// DirectSound8 - DirectSoundBuffer - DirectSound3DListener - observation for tests
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/hresult.h"

struct _SDL_AudioStream;

namespace platform {

// ---------------------------------------------------------------------------
// Results and constants (values as DirectSound defines them)
// ---------------------------------------------------------------------------
constexpr HResult DSERR_INVALIDPARAM = E_INVALIDARG;
constexpr HResult DSERR_OUTOFMEMORY = E_OUTOFMEMORY;
constexpr HResult DSERR_UNSUPPORTED = E_NOTIMPL;
constexpr HResult DSERR_GENERIC = E_FAIL;
constexpr HResult DSERR_CONTROLUNAVAIL = static_cast<HResult>(0x8878001Eu);
constexpr HResult DSERR_INVALIDCALL = static_cast<HResult>(0x88780032u);
constexpr HResult DSERR_PRIOLEVELNEEDED = static_cast<HResult>(0x88780046u);
constexpr HResult DSERR_BADFORMAT = static_cast<HResult>(0x88780064u);
constexpr HResult DSERR_NODRIVER = static_cast<HResult>(0x88780078u);
constexpr HResult E_NOINTERFACE = static_cast<HResult>(0x80004002u);
constexpr HResult CO_E_NOTINITIALIZED = static_cast<HResult>(0x800401F0u);

constexpr uint16_t WAVE_FORMAT_PCM = 1;

constexpr uint32_t DSSCL_NORMAL = 1;
constexpr uint32_t DSSCL_PRIORITY = 2;

constexpr uint32_t DSBCAPS_PRIMARYBUFFER = 0x00000001;
constexpr uint32_t DSBCAPS_STATIC = 0x00000002;
constexpr uint32_t DSBCAPS_LOCHARDWARE = 0x00000004;
constexpr uint32_t DSBCAPS_LOCSOFTWARE = 0x00000008;
constexpr uint32_t DSBCAPS_CTRL3D = 0x00000010;
constexpr uint32_t DSBCAPS_CTRLFREQUENCY = 0x00000020;
constexpr uint32_t DSBCAPS_CTRLPAN = 0x00000040;
constexpr uint32_t DSBCAPS_CTRLVOLUME = 0x00000080;
constexpr uint32_t DSBCAPS_GETCURRENTPOSITION2 = 0x00010000;

constexpr uint32_t DSBPLAY_LOOPING = 0x00000001;
constexpr uint32_t DSBLOCK_ENTIREBUFFER = 0x00000002;
constexpr uint32_t DSBSTATUS_PLAYING = 0x00000001;
constexpr uint32_t DSBSTATUS_LOOPING = 0x00000004;

constexpr int32_t DSBVOLUME_MIN = -10000;  // silent
constexpr int32_t DSBVOLUME_MAX = 0;
constexpr uint32_t DSBSIZE_MIN = 4;
constexpr uint32_t DSBSIZE_MAX = 0x0FFFFFFF;
constexpr uint32_t DSBFREQUENCY_MIN = 100;
constexpr uint32_t DSBFREQUENCY_MAX = 200000;

constexpr uint32_t DS3D_IMMEDIATE = 0;
constexpr uint32_t DS3D_DEFERRED = 1;

// ---------------------------------------------------------------------------
// Descriptors
// ---------------------------------------------------------------------------
struct SoundGuid {
    uint8_t bytes[16] = {};
    bool operator==(const SoundGuid&) const = default;
};

// The 18 meaningful bytes of a WAVEFORMATEX, field by field.
struct WaveFormatEx {
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    uint16_t extraSize = 0;
};

struct DsBufferDesc {
    uint32_t size = sizeof(DsBufferDesc);
    uint32_t flags = 0;
    uint32_t bufferBytes = 0;
    uint32_t reserved = 0;
    const WaveFormatEx* format = nullptr;
    SoundGuid algorithm3D;
};

// Device capabilities; 96 bytes as the program sizes them.
struct DsCaps {
    uint32_t size = 0;
    uint32_t flags = 0;
    uint32_t minSecondarySampleRate = 0;
    uint32_t maxSecondarySampleRate = 0;
    uint32_t primaryBuffers = 0;
    uint32_t reserved[19] = {};
};
static_assert(sizeof(DsCaps) == 96);

struct DsVector {
    float x = 0.0f, y = 0.0f, z = 0.0f;
};

// All listener parameters at once; 64 bytes as the program sizes them.
struct Ds3DListener {
    uint32_t size = 0;
    DsVector position;
    DsVector velocity;
    DsVector orientFront;
    DsVector orientTop;
    float distanceFactor = 0.0f;
    float rolloffFactor = 0.0f;
    float dopplerFactor = 0.0f;
};
static_assert(sizeof(Ds3DListener) == 64);

// What tests can see of secondary buffers (see the end of this file).
struct SoundPlayEvent {
    uint64_t bufferId = 0;
    bool looping = false;
    int32_t volume = 0;
    uint32_t bytes = 0;
    WaveFormatEx format;
};

struct SoundBufferState {
    uint64_t bufferId = 0;
    bool playing = false;
    bool looping = false;
    int32_t volume = 0;
    uint32_t position = 0;
    uint32_t bytes = 0;
};

class DirectSound8;
class DirectSoundBuffer;
class DirectSound3DListener;

// ---------------------------------------------------------------------------
// Enumeration and creation
// ---------------------------------------------------------------------------

// Called once per device; `guid` is null for the primary entry. Return true to go on.
using DsEnumerateCallback = bool (*)(const SoundGuid* guid, const char* description, const char* module,
                                     void* context);

// The primary entry (no GUID, "Primary Sound Driver") and then one entry per
// SDL output device, the system default first. When SDL can open audio but
// lists no device, one entry stands for its default output. No audio at all:
// no entry, and still S_OK, as DirectSound answers on a machine without sound.
HResult DirectSoundEnumerate(DsEnumerateCallback callback, void* context);

// A device for a GUID from the enumeration, or the default output for null.
// DSERR_NODRIVER when SDL audio cannot start or the GUID names no device.
HResult DirectSoundCreate8(const SoundGuid* device, DirectSound8** out);

// ---------------------------------------------------------------------------
// DirectSound8: the device
// ---------------------------------------------------------------------------
class DirectSound8 {
public:
    uint32_t AddRef();
    uint32_t Release();

    // The window is kept only for the record; SDL audio needs none.
    HResult SetCooperativeLevel(void* window, uint32_t level);
    // Primary (DSBCAPS_PRIMARYBUFFER, no size or format) or static secondary buffer.
    HResult CreateSoundBuffer(const DsBufferDesc* desc, DirectSoundBuffer** out);
    // A new secondary buffer on the samples of `original` (which must belong
    // to this device): same format, flags and volume, stopped at position 0.
    // Writing through either buffer's Lock changes what both play; the samples
    // live until the last buffer sharing them is released.
    HResult DuplicateSoundBuffer(DirectSoundBuffer* original, DirectSoundBuffer** out);
    HResult GetCaps(DsCaps* caps) const;

    // The SDL driver and device name in use ("dummy", "disk", "pulseaudio"...).
    const std::string& DriverName() const { return driverName_; }
    // Whether SDL audio is open (the primary format was set).
    bool IsOutputOpen() const { return audioDevice_ != 0; }

private:
    friend HResult DirectSoundCreate8(const SoundGuid*, DirectSound8**);
    friend std::vector<SoundBufferState> ListSoundBuffers();
    friend class DirectSoundBuffer;
    friend class DirectSound3DListener;

    DirectSound8() = default;
    ~DirectSound8();

    HResult OpenOutput(const WaveFormatEx& format);
    void CloseOutput();
    void LockAudio() const;
    void UnlockAudio() const;
    void RebuildConversions();
    void Mix(uint8_t* out, int bytes);
    static void AudioCallback(void* self, uint8_t* out, int bytes);

    // Joins or leaves secondaries_ in constant time: a leaving buffer's place
    // goes to the last one, so thousands of buffers go in time linear in
    // their number. Take the registry's lock, then the audio lock.
    void AddSecondary(DirectSoundBuffer* buffer);
    void RemoveSecondary(DirectSoundBuffer* buffer);

    uint32_t references_ = 1;
    bool audioStarted_ = false;            // SDL audio subsystem held by this device
    bool hasDeviceName_ = false;           // false: SDL's default output
    std::string deviceName_;
    std::string driverName_;
    uint32_t cooperativeLevel_ = 0;
    uint32_t audioDevice_ = 0;             // SDL_AudioDeviceID, 0 when closed
    WaveFormatEx outputFormat_;
    // Live secondary buffers in no particular order, each knowing its place;
    // guarded by the SDL audio lock.
    std::vector<DirectSoundBuffer*> secondaries_;
    // The device has one listener; every listener interface handed out reads
    // and writes these.
    Ds3DListener listenerCurrent_;
    Ds3DListener listenerDeferred_;
    bool listenerHasDeferred_ = false;
    std::vector<float> mix_;
    std::vector<float> scratch_;
};

// ---------------------------------------------------------------------------
// DirectSoundBuffer: the primary buffer or a static secondary buffer
// ---------------------------------------------------------------------------
class DirectSoundBuffer {
public:
    uint32_t AddRef();
    uint32_t Release();

    // Primary buffer only: opens SDL audio at this PCM format (8/16 bits, 1 or 2
    // channels). Needs DSSCL_PRIORITY, as DirectSound does.
    HResult SetFormat(const WaveFormatEx* format);
    // Primary buffer created with DSBCAPS_CTRL3D only: the device's listener
    // (QueryInterface for IDirectSound3DListener).
    HResult QueryListener(DirectSound3DListener** out);

    // Secondary buffers. Lock hands out the buffer memory, wrapping once past
    // the end as DirectSound does; the second region is null when it does not wrap.
    HResult Lock(uint32_t offset, uint32_t bytes, void** region1, uint32_t* bytes1, void** region2,
                 uint32_t* bytes2, uint32_t flags);
    HResult Unlock(void* region1, uint32_t bytes1, void* region2, uint32_t bytes2);
    // Plays from the current position; DSBPLAY_LOOPING repeats until Stop. On
    // a playing buffer it only changes the looping choice.
    HResult Play(uint32_t reserved, uint32_t priority, uint32_t flags);
    // Stops and keeps the position.
    HResult Stop();
    HResult SetCurrentPosition(uint32_t position);
    HResult GetCurrentPosition(uint32_t* play, uint32_t* write) const;
    // Hundredths of a decibel, DSBVOLUME_MIN (silent) to DSBVOLUME_MAX.
    HResult SetVolume(int32_t volume);
    HResult GetVolume(int32_t* volume) const;
    HResult GetStatus(uint32_t* status) const;

    // A number unique in the process, so tests can tell buffers apart.
    uint64_t Id() const { return id_; }
    SoundBufferState DescribeState() const;

private:
    friend class DirectSound8;

    DirectSoundBuffer(DirectSound8* device, uint32_t flags);
    ~DirectSoundBuffer();

    bool IsPrimary() const { return (flags_ & DSBCAPS_PRIMARYBUFFER) != 0; }
    // Makes the converter of a playing buffer while an output is open, frees
    // it otherwise. Called with the device lock held, or while no output is open.
    void RebuildConversion();
    void FreeConversion();
    // Joins the device's secondaries, which tests read through the registry.
    void Register();
    void MixInto(float* mix, float* scratch, size_t samples);

    uint32_t references_ = 1;
    DirectSound8* device_;
    uint32_t flags_;
    uint64_t id_;
    size_t secondarySlot_ = 0;  // index in the device's secondaries_ while registered
    bool registered_ = false;
    WaveFormatEx format_;
    std::shared_ptr<std::vector<uint8_t>> data_;  // shared with duplicates
    uint32_t playableBytes_ = 0;  // whole sample frames only
    uint32_t position_ = 0;       // bytes handed to the converter so far
    bool playing_ = false;
    bool looping_ = false;
    bool drained_ = false;        // the end was reached and the converter flushed
    int32_t volume_ = 0;
    float gain_ = 1.0f;
    _SDL_AudioStream* conversion_ = nullptr;
};

// ---------------------------------------------------------------------------
// DirectSound3DListener: stores what it is given; DS3D_DEFERRED values take
// effect at CommitDeferredSettings.
// ---------------------------------------------------------------------------
class DirectSound3DListener {
public:
    uint32_t AddRef();
    uint32_t Release();

    HResult SetVelocity(float x, float y, float z, uint32_t apply);
    HResult GetAllParameters(Ds3DListener* out) const;
    HResult SetAllParameters(const Ds3DListener* in, uint32_t apply);
    HResult CommitDeferredSettings();

private:
    friend class DirectSoundBuffer;
    friend class DirectSound8;

    explicit DirectSound3DListener(DirectSound8* device);
    ~DirectSound3DListener();

    uint32_t references_ = 1;
    DirectSound8* device_;
};

// ---------------------------------------------------------------------------
// Observation for tests: which buffers were asked to play, and the state of
// every live secondary buffer.
// ---------------------------------------------------------------------------
// Every successful Play call on a secondary buffer since the last take.
std::vector<SoundPlayEvent> TakeSoundPlayEvents();
// Every live secondary buffer of every device, in creation order.
std::vector<SoundBufferState> ListSoundBuffers();
// Makes enumeration list these outputs, in this order, instead of the audio
// driver's (an empty list gives the driver's back), so a test can see which
// of several devices the program picks.
void SetSoundOutputsForTests(std::vector<std::string> names);

}  // namespace platform
