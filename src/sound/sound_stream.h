// CSoundStream: a voice decoded from Ogg Vorbis as it plays. The manager
// keeps one from start-up on; nothing starts, fills or decodes it, so it stays
// empty, and releasing it only has to undo whatever a stream could own.
#pragma once

#include <cstdint>

#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

#include "platform/sound/direct_sound.h"

class CSoundStream {
public:
    static constexpr int32_t kIdle = 0;
    static constexpr int32_t kStopped = 3;

    CSoundStream();
    ~CSoundStream();
    CSoundStream(const CSoundStream&) = delete;
    CSoundStream& operator=(const CSoundStream&) = delete;

    // Stops the voice (under SoundLock) unless idle or stopped, closes the
    // decoder when it was opened, gives back its buffers and OpenAL names
    // and returns to idle.
    void Release();

    int32_t State = kIdle;
    platform::DirectSoundBuffer* DsBuffer = nullptr;   // owned
    platform::DirectSoundBuffer* DsBuffer8 = nullptr;  // owned second interface of the same buffer
    uint32_t AlBuffers[2] = {0, 0};
    uint32_t AlSource = 0;
    int32_t UseOpenAL = 0;
    OggVorbis_File Vorbis;
    bool VorbisOpened = false;  // ov_clear only undoes an ov_open
    uint8_t* DecodeBuffer = nullptr;  // owned (new[])
};
