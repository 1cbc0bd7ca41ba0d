// CSoundBuffer: loading, playing and releasing one sound instance on either
// back end.
//
// Index: construction - Load and the voice - Play, Stop, Pause - SetVolume -
// Release - OpenAL formats
#include "sound/sound_buffer.h"

#include <algorithm>
#include <cmath>

#include "sound/sound_globals.h"
#include "sound/sound_file_cache.h"

// ---------------------------------------------------------------------------
// Construction
// ---------------------------------------------------------------------------
CSoundBuffer::CSoundBuffer() = default;

CSoundBuffer::~CSoundBuffer() { Release(); }

void CSoundBuffer::SetName(const char* name)
{
    if (name) FileName = name;
}

// ---------------------------------------------------------------------------
// Load and the voice
// ---------------------------------------------------------------------------
int CSoundBuffer::Load()
{
    const SoundBackEnd backEnd{UseOpenAL != 0, DirectSound};
    if (UseHeldData) {
        if (!Data) return 0;
        if (UseOpenAL ? !OpenALLoaded : !DirectSound) return 0;
        std::string problem;
        return Attach(SoundSamples::Upload(backEnd, DescribeWaveFormat(Format, nullptr, 0), Data, DataSize,
                                           BufferBytes, problem))
                   ? 1
                   : 0;
    }
    if (Loaded) return 1;
    Loaded = 0;
    if (FileName.empty() || (UseOpenAL ? !OpenALLoaded : !DirectSound)) return 0;

    std::shared_ptr<SoundSamples> samples =
        FileCache ? FileCache->Load(FileName, backEnd) : LoadSoundFile(FileName, backEnd);
    if (!samples) return 0;
    BufferBytes = DataBytes = samples->bytes;
    DurationMs = samples->durationMs;
    Format = samples->format;
    return Attach(std::move(samples)) ? 1 : 0;
}

bool CSoundBuffer::Attach(std::shared_ptr<SoundSamples> samples)
{
    // A voice on earlier samples goes first.
    if (DsBuffer) {
        DsBuffer->Release();
        DsBuffer = nullptr;
    }
    ReleaseOpenALVoice();
    samples_.reset();
    AlBuffer = 0;
    if (!samples) return false;
    if (UseOpenAL) {
        AlBuffer = samples->alBuffer;
    } else if (Failed(DirectSound->DuplicateSoundBuffer(samples->dsBuffer, &DsBuffer))) {
        return false;
    }
    samples_ = std::move(samples);
    Loaded = 1;
    return true;
}

void CSoundBuffer::ReleaseOpenALVoice()
{
    if (OpenALLoaded && AlSource) {
        OpenALFunctions.alSourceStop(AlSource);
        OpenALFunctions.alDeleteSources(1, &AlSource);
    }
    AlSource = 0;
    AlPlaying = 0;
}

// Silences a sounding instance on its back end: OpenAL gives its source
// back, DirectSound stops the buffer, which the caller has checked exists.
HResult CSoundBuffer::SilenceVoice()
{
    if (!UseOpenAL) return DsBuffer->Stop();
    ReleaseOpenALVoice();
    return 0;
}

// ---------------------------------------------------------------------------
// Play, Stop, Pause
// ---------------------------------------------------------------------------
HResult CSoundBuffer::Play(uint32_t time, bool looping)
{
    Paused = 0;
    if (!Stopped) return 0;
    if (UseOpenAL) {
        PlayTime = time;
        if (OpenALLoaded && AlBuffer) {
            const platform::OpenALFunctionTable& al = OpenALFunctions;
            // The source is made now and given back when the sound stops.
            al.alGetError();
            al.alGenSources(1, &AlSource);
            if (al.alGetError() != AL_NO_ERROR) AlSource = 0;
            if (AlSource) {
                al.alSourcei(AlSource, AL_BUFFER, static_cast<ALint>(AlBuffer));
                al.alSourcef(AlSource, AL_GAIN, Gain);
                al.alSourcei(AlSource, AL_LOOPING, looping ? AL_TRUE : AL_FALSE);
                al.alSourcePlay(AlSource);
                AlPlaying = 1;
            }
        }
        Stopped = 0;
        return 0;
    }
    if (!DsBuffer) return -1;
    PlayTime = time;
    DsBuffer->SetCurrentPosition(0);
    const HResult result = DsBuffer->Play(0, 0, looping ? platform::DSBPLAY_LOOPING : 0);
    // A buffer that refused to play is still stopped; the scene asks again.
    if (Succeeded(result)) Stopped = 0;
    return result;
}

HResult CSoundBuffer::Stop(uint32_t time)
{
    Paused = 0;
    PlayRequested = 0;
    PlayTime = 0;
    if (Stopped) return 0;
    if (!UseOpenAL && !DsBuffer) return -1;
    const HResult result = SilenceVoice();
    StopTime = time;
    Stopped = 1;
    return result;
}

HResult CSoundBuffer::Pause(uint32_t time)
{
    if (!UseOpenAL && !DsBuffer) return -1;
    if (Stopped) return 0;
    Paused = 1;
    // OpenAL stops rather than pauses: the next Play starts from the beginning, as on DirectSound.
    const HResult result = SilenceVoice();
    StopTime = PauseTime = time;
    Stopped = 1;
    return result;
}

// ---------------------------------------------------------------------------
// SetVolume
// ---------------------------------------------------------------------------
void CSoundBuffer::SetVolume(float gain, float seconds)
{
    if (UseOpenAL) {
        TargetGain = SmoothedGain = gain;
        if (OpenALLoaded) {
            if (AlSource) OpenALFunctions.alSourcef(AlSource, AL_GAIN, gain);
            AlGain = gain;
        }
        Gain = gain;
        return;
    }
    if (!DsBuffer) return;
    TargetGain = gain;
    float value = gain;
    if (seconds > 0.0f) {
        float rate = (gain - SmoothedGain) / seconds;
        const float fastest = MaxGainRate * 4.0f;
        if (std::fabs(rate) > fastest) rate = std::copysign(fastest, rate);
        SmoothedGain += rate * seconds;
        value = SmoothedGain;
    }
    value = value >= 1e-9f ? std::min(value, 1.0f) : 1e-9f;  // NaN counts as silent
    const double hundredths = std::clamp(2000.0 * std::log10(static_cast<double>(value)), -10000.0, 0.0);
    DsBuffer->SetVolume(static_cast<int32_t>(hundredths));
    Gain = value;
}

// ---------------------------------------------------------------------------
// Release
// ---------------------------------------------------------------------------
void CSoundBuffer::Release()
{
    if (Data) {
        SharedHeapFree(Data);
        Data = nullptr;
    }
    Attach(nullptr);
    Loaded = 0;
    std::string().swap(FileName);
}

// ---------------------------------------------------------------------------
// OpenAL formats
// ---------------------------------------------------------------------------
int32_t CSoundBuffer::GetOpenALFormat(const platform::WaveFormatEx* format)
{
    return format ? OpenALFormatOf(*format) : -1;
}
