// The scene's sound instances: every CSoundBuffer the scene made for an
// object (slide, impact, click) or for the viewer's footsteps, in creation
// order. The list owns them: an instance leaves it only by being released
// and freed on the CSoundBuffer heap (CScene::ReleaseSoundInstance,
// CScene::ForgetObject), and whatever is left goes with the scene.
#pragma once

#include <vector>

class CSoundBuffer;

// Sound keys of the scene's instances.
inline constexpr int kSlideSound = 2;    // "movement.wav", looping
inline constexpr int kImpactSound = 3;   // "impact.wav"
inline constexpr int kClickSound = 4;    // "click.wav"
inline constexpr int kWalkingSound = 5;  // "walking.wav", looping, the viewer's

class SoundInstanceList : public std::vector<CSoundBuffer*> {
public:
    SoundInstanceList() = default;
    ~SoundInstanceList();
    SoundInstanceList(const SoundInstanceList&) = delete;
    SoundInstanceList& operator=(const SoundInstanceList&) = delete;

    // Releases and frees every instance and empties the list.
    void FreeAll();
};

// Releases one instance's sound and frees its record. Null does nothing.
void FreeSoundInstance(CSoundBuffer* instance);
