// CSoundManager: the single sound output of the program.
//
// The settings value soundBackEnd picks its back end when the program starts,
// for the whole run: 0 gives a DirectSound-style device over SDL audio, any
// other value OpenAL, loaded at run time. Start-up makes exactly one:
//
//   auto* sound = new CSoundManager;             // zero-filled, constructed
//   sound->BackEnd = setup.soundBackEnd;
//   sound->EnumerateDevices();
//   if (sound->Init() == 0) sound->InitListener();
//   sound->ResetStream();
//
// It works without a window and without any sound output: a back end that
// cannot open leaves the manager silent; buffers are still created, their
// loads fail and nothing crashes. The manager owns the device, the listener,
// the streaming voice and one copy of each sound file's samples, which every
// buffer of that file shares; the CSoundBuffer records it creates belong to
// whoever asked for them, and are freed before the manager.
#pragma once

#include <cstdint>

#include "platform/hresult.h"
#include "platform/sound/direct_sound.h"
#include "sound/sound_buffer.h"
#include "sound/sound_globals.h"
#include "sound/sound_file_cache.h"
#include "sound/sound_stream.h"

// One DirectSound device found by the enumeration.
struct SoundDeviceRecord {
    platform::SoundGuid Guid;
    char Description[84] = {};  // cut to 83 characters
    char Module[84] = {};
};

class CSoundManager {
public:
    static constexpr int kMaxDevices = 32;
    static constexpr int kMaxAlDevices = 8;
    static constexpr int kNameBytes = 128;

    // Defaults: 2 channels, 22050 Hz, 16 bits, nothing open. Also clears the
    // OpenAL table and OpenALLoaded.
    CSoundManager();
    // Start-up keeps its manager for the life of the process; other owners
    // (tests) get everything the manager opened closed again.
    ~CSoundManager();
    CSoundManager(const CSoundManager&) = delete;
    CSoundManager& operator=(const CSoundManager&) = delete;

    // DirectSound: fills Devices (the entries with a GUID, at most 32) and
    // selects the first. OpenAL: loads the library and lists its device names.
    void EnumerateDevices();
    // Opens the chosen back end: 0 on success, -1 or the failing call's result.
    int32_t Init();
    // Creates the 3D listener (rolloff 1.5, Doppler 10.0). CO_E_NOTINITIALIZED
    // without a DirectSound device, as always under OpenAL.
    HResult InitListener();
    // Releases the streaming voice and makes an empty one; true when it exists.
    bool ResetStream();
    // A new buffer for a WAVE file name, on the back end of this manager, not
    // loaded yet; its Load shares the file's samples through SoundFiles.
    // Null for a null name or when no record can be had.
    CSoundBuffer* CreateSoundBuffer(const char* name);

    // Loads the OpenAL library into a 65-entry table; false when the table is
    // null, the library is missing or an entry point cannot be found.
    static bool LoadOpenAL(platform::OpenALFunctionTable* table);

    int32_t BackEnd = 1;                     // 0 DirectSound-style, otherwise OpenAL
    ALCdevice* AlcDevice = nullptr;
    ALCcontext* AlcContext = nullptr;
    platform::DirectSound8* DirectSound = nullptr;    // owned
    platform::DsCaps Caps;
    platform::DirectSoundBuffer* PrimaryBuffer = nullptr;  // held only inside Init and InitListener
    platform::DirectSound3DListener* Listener = nullptr;   // owned; null under OpenAL
    int32_t Channels = 2;
    int32_t SampleRate = 22050;
    int32_t BitsPerSample = 16;
    int32_t DeviceCount = 0;
    SoundDeviceRecord Devices[kMaxDevices];
    const platform::SoundGuid* SelectedDeviceGuid = nullptr;  // inside Devices
    CSoundStream* Stream = nullptr;          // owned
    char AlDeviceNames[kMaxAlDevices][kNameBytes] = {};
    char AlDefaultDeviceName[kNameBytes] = {};
    char AlSelectedDeviceName[kNameBytes] = {};  // empty: the library's default device
    uint8_t AlDeviceCount = 0;
    void* Window = nullptr;                  // the main window, if any; set before Init
    SoundFileCache SoundFiles;               // each file's samples, read again only when the file changed

private:
    bool OpenOpenALDevice();
    platform::WaveFormatEx PrimaryFormat() const;
    void ReleaseStream();
};
