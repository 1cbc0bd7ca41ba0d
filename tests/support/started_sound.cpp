#include "support/started_sound.h"

#include <cstdlib>

#include "sound/sound_buffer.h"
#include "sound/sound_manager.h"

std::unique_ptr<CSoundManager> StartSound(int32_t backEnd)
{
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("ALSOFT_DRIVERS", "null", 0);
    auto manager = std::make_unique<CSoundManager>();
    manager->BackEnd = backEnd;
    manager->EnumerateDevices();
    if (manager->Init() == 0) manager->InitListener();
    manager->ResetStream();
    return manager;
}

CSoundBuffer* LoadSound(CSoundManager& manager, const std::string& path)
{
    CSoundBuffer* buffer = manager.CreateSoundBuffer(path.c_str());
    if (buffer) {
        buffer->UseHeldData = 0;
        buffer->Load();
    }
    return buffer;
}

void DestroySound(CSoundBuffer* buffer)
{
    buffer->Release();
    delete buffer;
}
