// SoundSamples and reading one sound file.
//
// Index: formats - uploads (OpenAL, DirectSound-style) - reading a file
#include "sound/sound_samples.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "platform/text.h"
#include "shell/log.h"
#include "sound/ima_adpcm.h"
#include "sound/sound_globals.h"
#include "sound/wav_reader.h"

namespace {

std::string HexText(uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof(text), "0x%X", static_cast<unsigned>(value));
    return text;
}

// "2 channels of 16-bit PCM at 22050 Hz"
std::string FormatText(const WaveSamplesFormat& samples)
{
    const platform::WaveFormatEx& format = samples.format;
    return std::to_string(format.channels) + (format.channels == 1 ? " channel of " : " channels of ") +
           std::to_string(format.bitsPerSample) + "-bit PCM at " + std::to_string(format.samplesPerSec) + " Hz";
}

// Playing time of `bytes` of data at `bytesPerSecond` (not 0): whole seconds
// x 1000 plus the fraction of a second, truncated to a millisecond.
uint32_t SoundDurationMs(uint32_t bytes, uint32_t bytesPerSecond)
{
    const uint32_t seconds = bytes / bytesPerSecond;
    float fraction = static_cast<float>(bytes % bytesPerSecond) / static_cast<float>(bytesPerSecond);
    if (!(fraction > 0.0f)) fraction = 0.0f;
    const uint32_t milliseconds = std::min<uint32_t>(static_cast<uint32_t>(fraction * 1000.0f), 999);
    const uint64_t total = uint64_t{seconds} * 1000 + milliseconds;
    return static_cast<uint32_t>(std::min<uint64_t>(total, std::numeric_limits<uint32_t>::max()));
}

}  // namespace

// ---------------------------------------------------------------------------
// Formats
// ---------------------------------------------------------------------------
int32_t OpenALFormatOf(const platform::WaveFormatEx& format)
{
    if (!OpenALLoaded) return -1;
    struct Entry {
        uint16_t tag;
        uint16_t channels;
        uint16_t bits;
        const char* name;
    };
    static constexpr Entry kFormats[] = {
        {platform::WAVE_FORMAT_PCM, 1, 8, "AL_FORMAT_MONO8"},   {platform::WAVE_FORMAT_PCM, 1, 16, "AL_FORMAT_MONO16"},
        {platform::WAVE_FORMAT_PCM, 2, 8, "AL_FORMAT_STEREO8"}, {platform::WAVE_FORMAT_PCM, 2, 16, "AL_FORMAT_STEREO16"},
        {platform::WAVE_FORMAT_PCM, 4, 16, "AL_FORMAT_QUAD16"}, {WAVE_FORMAT_IMA_ADPCM, 1, 4, "AL_FORMAT_MONO_IMA4"},
        {WAVE_FORMAT_IMA_ADPCM, 2, 4, "AL_FORMAT_STEREO_IMA4"},
    };
    for (const Entry& entry : kFormats) {
        if (entry.tag != format.formatTag || entry.channels != format.channels || entry.bits != format.bitsPerSample)
            continue;
        const ALenum value = OpenALFunctions.alGetEnumValue(entry.name);
        return value != 0 ? value : -1;  // 0: a library that does not know the format
    }
    return -1;
}

// ---------------------------------------------------------------------------
// Uploads
// ---------------------------------------------------------------------------
namespace {

bool UploadToOpenAL(SoundSamples& target, ALCcontext*& context, const WaveSamplesFormat& samples, const uint8_t* data,
                    uint32_t dataBytes, std::string& problem)
{
    if (!OpenALLoaded) {
        problem = "no OpenAL library";
        return false;
    }
    const platform::OpenALFunctionTable& al = OpenALFunctions;
    const int32_t format = OpenALFormatOf(samples.format);
    if (format == -1) {
        problem = "OpenAL has no format for " + FormatText(samples);
        return false;
    }
    constexpr uint32_t kLargest = static_cast<uint32_t>(std::numeric_limits<ALsizei>::max());
    if (dataBytes > kLargest || samples.format.samplesPerSec > kLargest) {
        problem = "too large for OpenAL";
        return false;
    }

    ALuint buffer = 0;
    al.alGetError();
    al.alGenBuffers(1, &buffer);
    if (const ALenum error = al.alGetError(); error != AL_NO_ERROR) {
        problem = "OpenAL made no buffer (error " + HexText(error) + ")";
        return false;
    }
    target.alBuffer = buffer;
    context = al.alcGetCurrentContext();
    al.alBufferData(buffer, format, data, static_cast<ALsizei>(dataBytes),
                    static_cast<ALsizei>(samples.format.samplesPerSec));
    if (const ALenum error = al.alGetError(); error != AL_NO_ERROR) {
        problem = "OpenAL refuses " + FormatText(samples) + " (error " + HexText(error) + ")";
        return false;
    }
    return true;
}

bool UploadToDirectSound(SoundSamples& target, platform::DirectSound8* device, const WaveSamplesFormat& samples,
                         const uint8_t* data, uint32_t dataBytes, uint32_t bufferBytes, std::string& problem)
{
    if (!device) {
        problem = "no sound device";
        return false;
    }
    // In hardware when the device has it, else in software.
    HResult result = E_FAIL;
    for (const uint32_t location : {platform::DSBCAPS_LOCHARDWARE, platform::DSBCAPS_LOCSOFTWARE}) {
        platform::DsBufferDesc desc;
        desc.flags = platform::DSBCAPS_STATIC | platform::DSBCAPS_CTRLFREQUENCY | platform::DSBCAPS_CTRLPAN |
                     platform::DSBCAPS_CTRLVOLUME | platform::DSBCAPS_GETCURRENTPOSITION2 | location;
        desc.bufferBytes = bufferBytes;
        desc.format = &samples.format;
        result = device->CreateSoundBuffer(&desc, &target.dsBuffer);
        if (Succeeded(result)) break;
    }
    if (Failed(result)) {
        problem = "the sound device refuses " + FormatText(samples) + " (error " + HexText(result) + ")";
        return false;
    }
    void* region1 = nullptr;
    void* region2 = nullptr;
    uint32_t bytes1 = 0;
    uint32_t bytes2 = 0;
    result = target.dsBuffer->Lock(0, bufferBytes, &region1, &bytes1, &region2, &bytes2, 0);
    if (Failed(result)) {
        problem = "the sound buffer cannot be written (error " + HexText(result) + ")";
        return false;
    }
    if (dataBytes <= bytes1) std::memcpy(region1, data, dataBytes);
    target.dsBuffer->Unlock(region1, bytes1, region2, bytes2);
    return true;
}

}  // namespace

std::shared_ptr<SoundSamples> SoundSamples::Upload(const SoundBackEnd& backEnd, const WaveSamplesFormat& samples,
                                                   const uint8_t* data, uint32_t dataBytes, uint32_t bufferBytes,
                                                   std::string& problem)
{
    if (samples.encoding == WaveEncoding::Refused) {
        problem = samples.problem;
        return nullptr;
    }
    // The back ends get PCM only (see ima_adpcm.h).
    if (samples.encoding == WaveEncoding::ImaAdpcm) {
        DecodedImaAdpcm decoded;
        if (!DecodeImaAdpcm(samples, data, dataBytes, decoded, problem)) return nullptr;
        const auto pcmBytes = static_cast<uint32_t>(decoded.bytes.size());
        return Upload(backEnd, decoded.format, decoded.bytes.data(), pcmBytes, pcmBytes, problem);
    }
    std::shared_ptr<SoundSamples> uploaded(new SoundSamples);
    uploaded->format = samples.format;
    uploaded->bytes = dataBytes;
    if (samples.format.avgBytesPerSec) uploaded->durationMs = SoundDurationMs(dataBytes, samples.format.avgBytesPerSec);
    const bool done = backEnd.openAL
                          ? UploadToOpenAL(*uploaded, uploaded->alContext_, samples, data, dataBytes, problem)
                          : UploadToDirectSound(*uploaded, backEnd.directSound, samples, data, dataBytes, bufferBytes,
                                                problem);
    return done ? uploaded : nullptr;
}

SoundSamples::~SoundSamples()
{
    if (dsBuffer) dsBuffer->Release();
    // A name of a context that is gone (its manager was destroyed) is not
    // deleted: the same number may name another buffer by now.
    if (alBuffer && OpenALLoaded && OpenALFunctions.alcGetCurrentContext() == alContext_)
        OpenALFunctions.alDeleteBuffers(1, &alBuffer);
}

// ---------------------------------------------------------------------------
// Reading a file
// ---------------------------------------------------------------------------
namespace {

// The whole data chunk of an open reader; empty, with `problem` set, when
// it cannot be had.
std::vector<uint8_t> ReadSamples(CWavReader& reader, std::string& problem)
{
    std::vector<uint8_t> data;
    try {
        data.resize(reader.DataSize);
    } catch (const std::bad_alloc&) {
        problem = "no memory for " + std::to_string(reader.DataSize) + " bytes of samples";
        return {};
    }
    uint32_t read = 0;
    if (Failed(reader.Read(data.data(), reader.DataSize, &read)) || read != reader.DataSize) {
        problem = "the data cannot be read";
        return {};
    }
    return data;
}

}  // namespace

std::shared_ptr<SoundSamples> LoadSoundFile(const std::string& fileName, const SoundBackEnd& backEnd)
{
    CWavReader reader;
    reader.Open(platform::Utf8ToUtf16(fileName).c_str());
    // A file that cannot be read, is no WAVE file or holds no data stays
    // silent without a word, as it always has.
    if (reader.DataSize == 0 || reader.Format().avgBytesPerSec == 0) return nullptr;

    const WaveSamplesFormat samples = DescribeWaveFormat(reader.FormatBlock());
    std::string problem = samples.problem;
    std::shared_ptr<SoundSamples> loaded;
    if (samples.encoding != WaveEncoding::Refused) {
        const std::vector<uint8_t> data = ReadSamples(reader, problem);
        if (!data.empty())
            loaded = SoundSamples::Upload(backEnd, samples, data.data(), static_cast<uint32_t>(data.size()),
                                          static_cast<uint32_t>(data.size()), problem);
    }
    if (!loaded) WriteLog("Error: CSoundBuffer::Load() " + fileName + ": " + problem);
    return loaded;
}
