// CSoundBuffer: one instance of a sound, with play, stop, pause and volume,
// on the back end of the manager that made it. The samples are not the
// instance's: every instance of a file shares one copy (SoundSamples, loaded
// once through the manager's SoundFileCache). An instance keeps its voice -
// a duplicate of the shared DirectSound-style buffer, or an OpenAL source on
// the shared OpenAL buffer, made only while it sounds, since OpenAL has few
// sources to give - its gain and its play state.
// Pausing does not remember the place: Play after Pause begins at the start.
// Records live on their own private heap: the owner calls Release() and then
// deletes the record.
//
// The scene's sound code reads and writes the public state directly (play
// and pause requests, times, length, requested gain, owner); the operations
// below only store the clock values they are given.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/private_heap.h"
#include "platform/hresult.h"
#include "platform/sound/direct_sound.h"

class CNBObject;
class SoundFileCache;
class SoundSamples;

class CSoundBuffer : public HeapAllocated<CSoundBuffer> {
public:
    CSoundBuffer();
    ~CSoundBuffer();
    CSoundBuffer(const CSoundBuffer&) = delete;
    CSoundBuffer& operator=(const CSoundBuffer&) = delete;

    // Copies the name into FileName; null is ignored.
    void SetName(const char* name);
    // Makes the sound playable: the held Data when UseHeldData is set (a copy
    // of its own), otherwise the WAVE file FileName, whose samples are shared
    // with every other instance of that file. 1 on success (and at once when
    // already loaded), 0 on failure; a failed sound stays silent.
    int Load();
    // Plays from the start, once or looping. 0, the DirectSound result, or -1
    // without a buffer. Does nothing (0) while playing.
    HResult Play(uint32_t time, bool looping = false);
    // Stops (clears the play and pause requests and the start time). Same results.
    HResult Stop(uint32_t time);
    // Stops and marks paused, keeping the play request and start time.
    HResult Pause(uint32_t time);
    // Gain 0..1. DirectSound eases towards it at most 4 x MaxGainRate per second
    // when `seconds` > 0; a time step of 0 or less (callers pass -1.0) applies it at once.
    void SetVolume(float gain, float seconds);
    // Frees the held data and the voice, lets go of the shared samples and
    // empties FileName. Safe to repeat.
    void Release();

    // The OpenAL format enum of PCM (1, 2 or 4 channels of 8 or 16 bits) or
    // IMA ADPCM (1 or 2 channels), or -1.
    static int32_t GetOpenALFormat(const platform::WaveFormatEx* format);

    int32_t Key = 0;                 // the caller's sound key
    uint8_t Paused = 0;              // pause request; 1 after Pause, cleared by Play and Stop
    uint32_t LastUpdateTime = 0;     // the scene's last update of this sound (ms)
    uint8_t PlayRequested = 0;       // set by the scene to ask for playback; Stop clears it
    std::string FileName;            // WAVE file, relative to the current directory
    uint8_t* Data = nullptr;         // held PCM bytes (shared heap), owned
    uint32_t DataSize = 0;           // bytes of Data
    uint8_t UseHeldData = 1;         // Load uploads Data; whoever loads a file clears it first
    platform::WaveFormatEx Format;   // format of the loaded data
    platform::DirectSoundBuffer* DsBuffer = nullptr;  // owned duplicate of the shared buffer
    platform::DirectSound8* DirectSound = nullptr;    // the manager's device, borrowed
    uint32_t AlBuffer = 0;           // the shared OpenAL buffer's name, 0 = none; not owned
    uint32_t AlSource = 0;           // OpenAL source name while sounding, 0 = none
    int32_t UseOpenAL = 0;           // non-zero: the OpenAL back end
    uint32_t BufferBytes = 0;        // size of the data, and of the DirectSound buffer
    int32_t Stopped = 1;             // 1 when not playing
    int32_t AlPlaying = 0;           // 1 while this instance has a started source
    float Gain = 1.0f;               // the gain last applied
    float AlGain = 0.0f;             // the gain last sent to OpenAL
    float TargetGain = 0.0f;         // the gain last asked for
    float MaxGainRate = 1.0f;        // x 4.0: fastest DirectSound gain change per second
    float SmoothedGain = 0.0f;       // the DirectSound gain on its way to TargetGain
    uint32_t PlayTime = 0;           // clock of the last Play; 0 after Stop
    uint32_t StopTime = 0;           // clock of the last Stop or Pause
    uint32_t TriggerTime = 0;        // the scene's last request of this sound; not written here
    uint32_t PauseTime = 0;          // clock of the last Pause
    int32_t Loaded = 0;              // 1 once the data was uploaded
    uint32_t DataBytes = 0;          // copy of BufferBytes
    uint32_t DurationMs = 0;         // playing time of the data
    CNBObject* Owner = nullptr;      // the object the sound belongs to; null for the viewer's
    SoundFileCache* FileCache = nullptr;  // the manager's, borrowed; null: the file is read for this instance

private:
    // Takes its voice on `samples`; false when the back end gives none.
    bool Attach(std::shared_ptr<SoundSamples> samples);
    // Stops the voice and gives back the OpenAL source.
    void ReleaseOpenALVoice();
    HResult SilenceVoice();

    std::shared_ptr<SoundSamples> samples_;
};
