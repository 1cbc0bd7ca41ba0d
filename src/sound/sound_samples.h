// SoundSamples: one copy of a sound's samples on a back end, shared by every
// CSoundBuffer that plays it - an OpenAL buffer that each instance's source
// plays, or a DirectSound-style buffer that each instance duplicates. An
// instance thus holds only its own voice, position and state.
//
// LoadSoundFile reads and uploads one file. A file whose samples no back end
// can play is logged, as
//   Error: CSoundBuffer::Load() <file>: <why>
// and a file that cannot be read stays silent without a word, as before.
// SoundFileCache (sound_file_cache.h) decides how long a copy is kept.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/sound/direct_sound.h"
#include "platform/sound/openal_library.h"
#include "sound/wave_format.h"

// Where samples go: OpenAL (through OpenALFunctions, in the current context)
// or a DirectSound-style device.
struct SoundBackEnd {
    bool openAL = false;
    platform::DirectSound8* directSound = nullptr;  // borrowed
};

class SoundSamples {
public:
    // Puts `dataBytes` of samples into a new back-end buffer of `bufferBytes`
    // (DirectSound-style: the bytes are copied only when they fit; OpenAL:
    // `bufferBytes` is not used). Null, with `problem` set, when the back end
    // refuses them.
    static std::shared_ptr<SoundSamples> Upload(const SoundBackEnd& backEnd, const WaveSamplesFormat& samples,
                                                const uint8_t* data, uint32_t dataBytes, uint32_t bufferBytes,
                                                std::string& problem);
    ~SoundSamples();
    SoundSamples(const SoundSamples&) = delete;
    SoundSamples& operator=(const SoundSamples&) = delete;

    platform::WaveFormatEx format;  // as the back end was given it
    uint32_t bytes = 0;             // of sample data
    uint32_t durationMs = 0;
    ALuint alBuffer = 0;            // OpenAL: the buffer every instance's source plays
    platform::DirectSoundBuffer* dsBuffer = nullptr;  // DirectSound-style: what instances duplicate; owned

private:
    SoundSamples() = default;
    ALCcontext* alContext_ = nullptr;  // the context the buffer name belongs to
};

// The OpenAL format of PCM (1, 2 or 4 channels of 8 or 16 bits; 4 channels
// only of 16) or IMA ADPCM (1 or 2 channels), looked up by name; -1 for
// anything else or while OpenAL is not loaded.
int32_t OpenALFormatOf(const platform::WaveFormatEx& format);

// Reads and uploads one file without remembering it (what the cache does
// when it has no copy of the file as it is now).
std::shared_ptr<SoundSamples> LoadSoundFile(const std::string& fileName, const SoundBackEnd& backEnd);
