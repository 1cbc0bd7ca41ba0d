// A sound manager started as the program starts it, on silent outputs (SDL's
// dummy driver, OpenAL Soft's null one) unless a test chose others, and sound
// buffers loaded and freed as the scene does it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class CSoundBuffer;
class CSoundManager;

std::unique_ptr<CSoundManager> StartSound(int32_t backEnd);
// A buffer for a file, loaded the way the scene attaches sounds.
CSoundBuffer* LoadSound(CSoundManager& manager, const std::string& path);
void DestroySound(CSoundBuffer* buffer);
