#include "sound/sound_stream.h"

#include <cstring>

#include "sound/sound_globals.h"

CSoundStream::CSoundStream() { std::memset(static_cast<void*>(&Vorbis), 0, sizeof(Vorbis)); }

CSoundStream::~CSoundStream() { Release(); }

void CSoundStream::Release()
{
    if (State != kIdle && State != kStopped) {
        SoundLock.Enter();
        if (UseOpenAL) {
            if (AlSource && OpenALLoaded) OpenALFunctions.alSourceStop(AlSource);
        } else if (DsBuffer) {
            DsBuffer->Stop();
        }
        State = kStopped;
        SoundLock.Leave();
    }

    if (VorbisOpened) ov_clear(&Vorbis);
    VorbisOpened = false;

    if (DsBuffer8) DsBuffer8->Release();
    if (DsBuffer) DsBuffer->Release();
    DsBuffer8 = nullptr;
    DsBuffer = nullptr;
    delete[] DecodeBuffer;
    DecodeBuffer = nullptr;

    if (OpenALLoaded) {
        if (AlSource) {
            OpenALFunctions.alSourceStop(AlSource);
            OpenALFunctions.alDeleteSources(1, &AlSource);
        }
        for (ALuint& buffer : AlBuffers)
            if (buffer) OpenALFunctions.alDeleteBuffers(1, &buffer);
    }
    AlBuffers[0] = AlBuffers[1] = 0;
    AlSource = 0;
    State = kIdle;
}
