// Object sounds: attaching sound instances to objects and the viewer,
// releasing them, and the once-per-frame update that sets their gains, starts
// requested ones, keeps the four loudest of each kind playing, stops finished
// ones and frees those silent for 30 seconds.
//
// Index: the instance list - attaching (AttachObjectSound, AttachWalkingSound,
// FindWalkingSound, CheckSoundsFolder) - releasing - the frame update (gains,
// starting a requested sound, one rule per kind, the loudest four)
//
// Every time difference is unsigned 32-bit (the clock wraps); a length plus
// its margin is compared in 64 bits so a huge length cannot wrap.
#include "scene/object_sounds.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <unordered_set>

#include "platform/files.h"
#include "scene/scene.h"
#include "shell/start_directory.h"
#include "sound/sound_buffer.h"
#include "sound/sound_manager.h"
#include "world/object.h"

namespace {

constexpr size_t kLoudestPerKind = 4;
constexpr uint32_t kStopMargin = 50;          // a one-shot stops this long after its length
constexpr uint32_t kContactStopMargin = 500;  // contact sounds that ran past their length
constexpr uint32_t kFreeAfter = 30000;        // silent this long: freed
constexpr uint32_t kSlideContactGap = 250;    // no slide contact this long: the slide stops

// Narrow names for the 8-bit file interfaces: the low byte of each unit.
std::string NarrowName(const char16_t* name)
{
    std::string narrow;
    for (; *name; ++name) narrow += static_cast<char>(*name & 0xFF);
    return narrow;
}

std::string SoundsFolder() { return platform::JoinPath(StartDirectory, "Sounds"); }

// More than `length + margin` ms from `since` to `now`.
bool Elapsed(uint32_t now, uint32_t since, uint32_t length, uint32_t margin)
{
    return uint64_t{now - since} > uint64_t{length} + margin;
}

// A DirectSound instance whose file did not load has nothing to play.
bool LoadFailed(const CSoundBuffer& sound) { return !sound.UseOpenAL && !sound.DsBuffer; }

// Played past its length; an instance that cannot play is always finished.
bool Finished(const CSoundBuffer& sound, uint32_t now)
{
    return LoadFailed(sound) || Elapsed(now, sound.PlayTime, sound.DurationMs, 0);
}

bool Started(const CSoundBuffer& sound) { return sound.PlayTime != 0; }

// Silent for more than the length plus 30 s: stopped that long ago, or, for
// an instance that never could play, asked for that long ago.
bool SilentLongEnough(const CSoundBuffer& sound, uint32_t now)
{
    if (sound.StopTime) return Elapsed(now, sound.StopTime, sound.DurationMs, kFreeAfter);
    return LoadFailed(sound) && Elapsed(now, sound.TriggerTime, sound.DurationMs, kFreeAfter);
}

// Stops a started sound once it has played `margin` ms past its length;
// true when it stopped now.
bool StopWhenPlayedOut(CSoundBuffer& sound, uint32_t now, uint32_t margin)
{
    if (!Finished(sound, now) || !Started(sound) || !Elapsed(now, sound.PlayTime, sound.DurationMs, margin))
        return false;
    sound.Stop(now);
    return true;
}

// Playing, or asked to play: only these compete for the loudest four.
bool Audible(const CSoundBuffer& sound) { return !sound.Stopped || sound.PlayRequested; }

// Starts a requested sound from its beginning, looping or once. The request
// is not cleared here: it is cleared when the instance stops.
void StartRequested(CSoundBuffer& sound, uint32_t now, bool looping)
{
    if (sound.PlayRequested) sound.Play(now, looping);
}

// ---- gains ----
float MassFactor(float mass) { return mass >= 0.5f ? std::min(mass, 1.0f) : 0.5f; }

float DistanceGain(const Vector3& listener, const Vector3& position)
{
    const float distance = Vector3::Sub(listener, position).Length();
    if (!std::isfinite(distance)) return 0.0f;
    const double gain = std::exp(-0.4 * std::log(std::max(static_cast<double>(distance), 1.0)));
    return static_cast<float>(std::clamp(gain, 0.0, 1.0));
}

float ContactSpeedFactor(const Vector3& velocity)
{
    const float s = std::min((velocity.x * velocity.x + velocity.y * velocity.y + velocity.z * velocity.z) / 180.0f,
                             1.0f);
    return s > 0.0f ? std::sqrt(s) : 0.0f;
}

float AngleFactor(float degrees) { return std::max(0.35f, std::fabs(std::cos(degrees * kDegreesToRadians))); }

// The gain a sound is ranked by; a gain that is not a number ranks as silent.
float RankOf(const CSoundBuffer* sound) { return sound->TargetGain >= 0.0f ? sound->TargetGain : 0.0f; }

// Loudest first; equal gains keep their order, so the same sounds keep
// playing from frame to frame.
void SortLoudestFirst(std::vector<CSoundBuffer*>& list)
{
    std::stable_sort(list.begin(), list.end(),
                     [](const CSoundBuffer* a, const CSoundBuffer* b) { return RankOf(a) > RankOf(b); });
}

// The lists one frame builds, one per kind, and the instances it releases.
struct FrameLists {
    std::vector<CSoundBuffer*> impacts;
    std::vector<CSoundBuffer*> slides;
    std::vector<CSoundBuffer*> clicks;
    std::vector<CSoundBuffer*> walking;
    std::vector<CSoundBuffer*> released;

    // Out of its object's list at once; out of the scene's list, and freed,
    // with every other released one at the end of the update, so that a
    // frame releasing thousands searches the scene's list once.
    void Release(CNBObject& object, CSoundBuffer* sound)
    {
        const auto own = std::find(object.Sounds.begin(), object.Sounds.end(), sound);
        if (own != object.Sounds.end()) object.Sounds.erase(own);
        released.push_back(sound);
    }
};

}  // namespace

// ---------------------------------------------------------------------------
// The instance list
// ---------------------------------------------------------------------------
void FreeSoundInstance(CSoundBuffer* instance)
{
    if (!instance) return;
    instance->Release();
    delete instance;
}

SoundInstanceList::~SoundInstanceList() { FreeAll(); }

void SoundInstanceList::FreeAll()
{
    for (CSoundBuffer* instance : *this) FreeSoundInstance(instance);
    clear();
}

// ---------------------------------------------------------------------------
// Attaching
// ---------------------------------------------------------------------------
CSoundBuffer* CScene::AttachObjectSound(CNBObject* object, const char16_t* fileName, int key)
{
    if (!object || !fileName || !soundManager) return nullptr;
    const std::string folder = SoundsFolder();
    if (!platform::DirectoryExists(folder)) return nullptr;

    // The file is named by its full path, so the current directory never changes.
    CSoundBuffer* instance =
        soundManager->CreateSoundBuffer(platform::ResolveFileName(folder, NarrowName(fileName)).c_str());
    if (!instance) return nullptr;
    instance->UseHeldData = 0;
    instance->Load();  // a sound that does not load stays a silent instance
    instance->Owner = object;
    object->Sounds.push_back(instance);
    if (!object->InSoundingList) {
        soundingObjects.push_back(object);
        object->InSoundingList = 1;
    }
    instance->Key = key;
    soundInstances.push_back(instance);
    return instance;
}

CSoundBuffer* CScene::AttachWalkingSound()
{
    if (!soundManager) return nullptr;
    const std::string folder = SoundsFolder();
    if (!platform::DirectoryExists(folder)) return nullptr;
    CSoundBuffer* instance = soundManager->CreateSoundBuffer(platform::ResolveFileName(folder, "walking.wav").c_str());
    if (!instance) return nullptr;
    instance->UseHeldData = 0;
    instance->Load();
    instance->Owner = nullptr;
    instance->Key = kWalkingSound;
    soundInstances.push_back(instance);
    return instance;
}

CSoundBuffer* CScene::FindWalkingSound() const
{
    for (CSoundBuffer* instance : soundInstances)
        if (instance && instance->Key == kWalkingSound) return instance;
    return nullptr;
}

void CScene::CheckSoundsFolder()
{
    // Loads nothing: only looks whether the folder can be reached.
    if (soundManager) platform::DirectoryExists(SoundsFolder());
}

// ---------------------------------------------------------------------------
// Releasing
// ---------------------------------------------------------------------------
void CScene::ReleaseSoundInstance(CNBObject* object, CSoundBuffer* instance)
{
    if (!object || !instance) return;
    const auto own = std::find(object->Sounds.begin(), object->Sounds.end(), instance);
    if (own != object->Sounds.end()) object->Sounds.erase(own);
    const auto listed = std::find(soundInstances.begin(), soundInstances.end(), instance);
    if (listed != soundInstances.end()) soundInstances.erase(listed);
    FreeSoundInstance(instance);
}

void CScene::ForgetEveryObjectSound()
{
    std::unordered_set<CSoundBuffer*> going;
    for (CNBObject* object : soundingObjects) {
        if (!object) continue;
        going.insert(object->Sounds.begin(), object->Sounds.end());
        object->Sounds.clear();
        object->InSoundingList = 0;
    }
    soundingObjects.clear();
    std::erase_if(soundInstances, [&going](CSoundBuffer* sound) {
        if (!sound || !sound->Owner) return false;
        going.insert(sound);
        return true;
    });
    going.erase(nullptr);
    for (CSoundBuffer* sound : going) {
        sound->Stop(timing.sceneClock);
        FreeSoundInstance(sound);
    }
}

// ---------------------------------------------------------------------------
// The frame update
// ---------------------------------------------------------------------------
void CScene::UpdateObjectSounds()
{
    const uint32_t now = timing.sceneClock;
    const Vector3 listener = mainCamera.position;
    FrameLists lists;
    if (CSoundBuffer* walking = FindWalkingSound()) lists.walking.push_back(walking);

    for (CNBObject* object : soundingObjects) {
        if (!object) continue;
        const float mass = MassFactor(object->Mass);
        const float gain =
            DistanceGain(listener, object->WorldMatrix.GetTranslation()) * ContactSpeedFactor(object->ContactVelocity);

        // A released instance leaves the object's list; the one after it
        // moves into its place and is visited next.
        for (size_t i = 0; i < object->Sounds.size();) {
            CSoundBuffer* sound = object->Sounds[i];
            if (!sound) {
                ++i;
                continue;
            }
            const uint32_t length = sound->DurationMs;
            bool stoppedNow = false;
            switch (sound->Key) {
            case kClickSound:
                StartRequested(*sound, now, false);
                sound->LastUpdateTime = now;
                stoppedNow = StopWhenPlayedOut(*sound, now, kStopMargin);
                if (Finished(*sound, now) && Elapsed(now, sound->PlayTime, length, kFreeAfter)) {
                    lists.Release(*object, sound);
                    continue;
                }
                if (!stoppedNow && Audible(*sound)) lists.clicks.push_back(sound);
                break;

            case kImpactSound:
                sound->SetVolume(AngleFactor(object->ImpactAngle) * gain * mass, -1.0f);
                stoppedNow = StopWhenPlayedOut(*sound, now, kContactStopMargin);
                if (SilentLongEnough(*sound, now)) {
                    lists.Release(*object, sound);
                    continue;
                }
                if (sound->TriggerTime && Elapsed(now, sound->TriggerTime, length, kStopMargin)) {
                    sound->Stop(now);
                    stoppedNow = true;
                }
                if (!stoppedNow && Audible(*sound)) lists.impacts.push_back(sound);
                break;

            case kSlideSound:
                sound->SetVolume(AngleFactor(object->SlideAngle) * gain * mass, -1.0f);
                sound->LastUpdateTime = now;
                stoppedNow = StopWhenPlayedOut(*sound, now, kContactStopMargin);
                if (SilentLongEnough(*sound, now)) {
                    lists.Release(*object, sound);
                    continue;
                }
                if (object->SlideTime && now - object->SlideTime > kSlideContactGap) {
                    sound->Stop(now);
                    stoppedNow = true;
                    if (now - object->SlideTime > kFreeAfter) {
                        lists.Release(*object, sound);
                        continue;
                    }
                }
                if (!stoppedNow && Audible(*sound)) lists.slides.push_back(sound);
                break;

            default:
                break;
            }
            ++i;
        }
    }

    SortLoudestFirst(lists.impacts);
    SortLoudestFirst(lists.slides);
    SortLoudestFirst(lists.clicks);

    // The loudest four of each kind play, the rest wait paused.
    const auto playOneShots = [now](const std::vector<CSoundBuffer*>& list) {
        for (size_t i = 0; i < list.size(); ++i) {
            CSoundBuffer& sound = *list[i];
            if (i >= kLoudestPerKind) {
                sound.Pause(now);
                continue;
            }
            StartRequested(sound, now, false);
            sound.LastUpdateTime = now;
            if (Finished(sound, now) && Started(sound) && Elapsed(now, sound.PlayTime, sound.DurationMs, kStopMargin))
                sound.Stop(now);
        }
    };
    playOneShots(lists.impacts);

    for (size_t i = 0; i < lists.slides.size(); ++i) {
        CSoundBuffer* sound = lists.slides[i];
        if (i >= kLoudestPerKind) {
            sound->Pause(now);
            continue;
        }
        StartRequested(*sound, now, true);
        sound->LastUpdateTime = now;
        CNBObject* owner = sound->Owner;
        if (owner && owner->SlideTime && now - owner->SlideTime > kSlideContactGap) {
            sound->Stop(now);
            if (now - owner->SlideTime > kFreeAfter) lists.Release(*owner, sound);
        }
    }

    playOneShots(lists.clicks);

    for (CSoundBuffer* walking : lists.walking) {
        if (walking->Paused) walking->Pause(now);
        StartRequested(*walking, now, true);
        walking->LastUpdateTime = now;
    }

    if (!lists.released.empty()) {
        const std::unordered_set<CSoundBuffer*> going(lists.released.begin(), lists.released.end());
        std::erase_if(soundInstances, [&going](CSoundBuffer* sound) { return going.count(sound) != 0; });
        for (CSoundBuffer* sound : going) FreeSoundInstance(sound);
    }

    if (soundManager && soundManager->Listener) soundManager->Listener->CommitDeferredSettings();
}
