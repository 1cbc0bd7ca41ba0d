// CSoundBuffer: loading, playing and releasing one sound on either back end.
//
// Index: construction - Load and the two uploads - Play, Stop, Pause -
// SetVolume - Release - OpenAL formats
#include "sound/sound_buffer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/text.h"
#include "sound/sound_globals.h"
#include "sound/wav_reader.h"

namespace {

// Whole seconds x 1000 plus the fraction of a second, truncated to a millisecond.
uint32_t DurationOf(uint32_t bytes, uint32_t bytesPerSecond)
{
    const uint32_t seconds = bytes / bytesPerSecond;
    float fraction = static_cast<float>(bytes % bytesPerSecond) / static_cast<float>(bytesPerSecond);
    if (!(fraction > 0.0f)) fraction = 0.0f;
    const uint32_t milliseconds = std::min<uint32_t>(static_cast<uint32_t>(fraction * 1000.0f), 999);
    const uint64_t total = uint64_t{seconds} * 1000 + milliseconds;
    return static_cast<uint32_t>(std::min<uint64_t>(total, std::numeric_limits<uint32_t>::max()));
}

// Silences a sounding instance on its back end: OpenAL stops the source
// (when the library is there), DirectSound the buffer, which the caller has
// checked exists.
HResult SilenceVoice(CSoundBuffer& sound)
{
    if (!sound.UseOpenAL) return sound.DsBuffer->Stop();
    if (OpenALLoaded) {
        OpenALFunctions.alSourceStop(sound.AlSource);
        sound.AlPlaying = 0;
    }
    return 0;
}

// Reads exactly `bytes` of the data chunk; false when the reader holds fewer.
bool ReadData(CWavReader& reader, uint8_t* target, uint32_t bytes)
{
    uint32_t done = 0;
    while (done < bytes) {
        uint32_t read = 0;
        if (Failed(reader.Read(target + done, bytes - done, &read)) || read == 0) return false;
        done += read;
    }
    return true;
}

}  // namespace

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
// Load
// ---------------------------------------------------------------------------
int CSoundBuffer::Load()
{
    if (UseHeldData) {
        if (!Data) return 0;
        if (UseOpenAL ? !OpenALLoaded : !DirectSound) return 0;
        return UseOpenAL ? UploadToOpenAL(nullptr) : UploadToDirectSound(nullptr);
    }
    if (Loaded) return 1;
    Loaded = 0;
    if (FileName.empty() || (UseOpenAL ? !OpenALLoaded : !DirectSound)) return 0;

    CWavReader reader;
    reader.Open(platform::Utf8ToUtf16(FileName).c_str());
    if (reader.DataSize == 0) return 0;
    const platform::WaveFormatEx format = reader.Format();
    if (format.avgBytesPerSec == 0) return 0;
    BufferBytes = DataBytes = reader.DataSize;
    DurationMs = DurationOf(reader.DataSize, format.avgBytesPerSec);
    Format = format;
    return UseOpenAL ? UploadToOpenAL(&reader) : UploadToDirectSound(&reader);
}

int CSoundBuffer::UploadToOpenAL(CWavReader* reader)
{
    const platform::OpenALFunctionTable& al = OpenALFunctions;
    // Names left by an earlier failed load are given back before new ones are made.
    DeleteOpenALNames();

    ALuint buffer = 0;
    al.alGetError();
    al.alGenBuffers(1, &buffer);
    if (al.alGetError() != AL_NO_ERROR) return 0;
    AlBuffer = buffer;
    ALuint source = 0;
    al.alGetError();
    al.alGenSources(1, &source);
    if (al.alGetError() != AL_NO_ERROR) return 0;
    AlSource = source;

    const int32_t format = GetOpenALFormat(&Format);
    const uint32_t bytes = reader ? reader->DataSize : DataSize;
    constexpr uint32_t kLargest = static_cast<uint32_t>(std::numeric_limits<ALsizei>::max());
    if (format == -1 || bytes > kLargest || Format.samplesPerSec > kLargest) return 0;
    const auto frequency = static_cast<ALsizei>(Format.samplesPerSec);

    if (!reader) {
        al.alBufferData(AlBuffer, format, Data, static_cast<ALsizei>(bytes), frequency);
    } else {
        // Sized in 64 bits: a data size near 4 GiB cannot wrap the block.
        auto* block = static_cast<uint8_t*>(SharedHeapAlloc(size_t{bytes} + 10));
        if (!block) return 0;
        const bool complete = ReadData(*reader, block, bytes);
        if (complete) al.alBufferData(AlBuffer, format, block, static_cast<ALsizei>(bytes), frequency);
        SharedHeapFree(block);
        if (!complete) return 0;
    }
    if (al.alGetError() != AL_NO_ERROR) return 0;
    al.alSourcei(AlSource, AL_BUFFER, static_cast<ALint>(AlBuffer));
    Loaded = 1;
    return 1;
}

bool CSoundBuffer::CreateSecondaryBuffer(bool hardware)
{
    if (DsBuffer) {
        DsBuffer->Release();
        DsBuffer = nullptr;
    }
    platform::DsBufferDesc desc;
    desc.flags = platform::DSBCAPS_STATIC | platform::DSBCAPS_CTRLFREQUENCY | platform::DSBCAPS_CTRLPAN |
                 platform::DSBCAPS_CTRLVOLUME | platform::DSBCAPS_GETCURRENTPOSITION2 |
                 (hardware ? platform::DSBCAPS_LOCHARDWARE : platform::DSBCAPS_LOCSOFTWARE);
    desc.bufferBytes = BufferBytes;
    desc.format = &Format;
    return Succeeded(DirectSound->CreateSoundBuffer(&desc, &DsBuffer));
}

int CSoundBuffer::UploadToDirectSound(CWavReader* reader)
{
    if (!CreateSecondaryBuffer(true) && !CreateSecondaryBuffer(false)) return 0;
    DsBuffer->SetCurrentPosition(0);
    void* region1 = nullptr;
    void* region2 = nullptr;
    uint32_t bytes1 = 0;
    uint32_t bytes2 = 0;
    if (Failed(DsBuffer->Lock(0, BufferBytes, &region1, &bytes1, &region2, &bytes2, 0))) return 0;

    bool complete = true;
    if (!reader) {
        if (DataSize <= bytes1) std::memcpy(region1, Data, DataSize);
    } else {
        complete = ReadData(*reader, static_cast<uint8_t*>(region1), std::min(bytes1, reader->DataSize));
    }
    DsBuffer->Unlock(region1, bytes1, region2, bytes2);
    if (!complete) return 0;
    Loaded = 1;
    return 1;
}

// ---------------------------------------------------------------------------
// Play, Stop, Pause
// ---------------------------------------------------------------------------
HResult CSoundBuffer::Play(uint32_t time)
{
    Paused = 0;
    if (!Stopped) return 0;
    if (UseOpenAL) {
        PlayTime = time;
        if (OpenALLoaded) {
            OpenALFunctions.alSourcei(AlSource, AL_LOOPING, AL_FALSE);
            OpenALFunctions.alSourcePlay(AlSource);
            AlPlaying = 1;
        }
        Stopped = 0;
        return 0;
    }
    if (!DsBuffer) return -1;
    PlayTime = time;
    DsBuffer->SetCurrentPosition(0);
    const HResult result = DsBuffer->Play(0, 0, 0);
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
    const HResult result = SilenceVoice(*this);
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
    const HResult result = SilenceVoice(*this);
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
            OpenALFunctions.alSourcef(AlSource, AL_GAIN, gain);
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
void CSoundBuffer::DeleteOpenALNames()
{
    if (OpenALLoaded) {
        // Name 0 means "none": only names really made are stopped and deleted.
        if (AlSource) {
            OpenALFunctions.alSourceStop(AlSource);
            OpenALFunctions.alDeleteSources(1, &AlSource);
        }
        if (AlBuffer) OpenALFunctions.alDeleteBuffers(1, &AlBuffer);
        AlPlaying = 0;
    }
    AlBuffer = 0;
    AlSource = 0;
}

void CSoundBuffer::Release()
{
    if (Data) {
        SharedHeapFree(Data);
        Data = nullptr;
    }
    if (DsBuffer) {
        DsBuffer->Release();
        DsBuffer = nullptr;
    }
    DeleteOpenALNames();
    std::string().swap(FileName);
}

// ---------------------------------------------------------------------------
// OpenAL formats
// ---------------------------------------------------------------------------
int32_t CSoundBuffer::GetOpenALFormat(const platform::WaveFormatEx* format)
{
    if (!format || !OpenALLoaded) return -1;
    struct Entry {
        uint16_t channels;
        uint16_t bits;
        const char* name;
    };
    static constexpr Entry kFormats[] = {
        {1, 4, "AL_FORMAT_MONO_IMA4"},   {1, 8, "AL_FORMAT_MONO8"},   {1, 16, "AL_FORMAT_MONO16"},
        {2, 4, "AL_FORMAT_STEREO_IMA4"}, {2, 8, "AL_FORMAT_STEREO8"}, {2, 16, "AL_FORMAT_STEREO16"},
        {4, 16, "AL_FORMAT_QUAD16"},
    };
    for (const Entry& entry : kFormats)
        if (entry.channels == format->channels && entry.bits == format->bitsPerSample)
            return OpenALFunctions.alGetEnumValue(entry.name);
    return -1;
}
