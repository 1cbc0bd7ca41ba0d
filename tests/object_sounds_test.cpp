// Object sounds through the DirectSound-style back end (SDL's dummy output):
// attaching, gains, the loudest four, the slide's end and release, sounds
// whose file did not load, the walking sound, and deleting a sounding object.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/sound/direct_sound.h"
#include "scene/scene.h"
#include "sound/sound_buffer.h"
#include "sound/sound_manager.h"
#include "support/shipped_data.h"
#include "support/temp_directory.h"
#include "world/object.h"
#include "world/world.h"

namespace {

// Whether the stand-in still holds the buffer, and how it plays.
bool IsLive(uint64_t id, bool* playing = nullptr, bool* looping = nullptr)
{
    for (const platform::SoundBufferState& state : platform::ListSoundBuffers()) {
        if (state.bufferId != id) continue;
        if (playing) *playing = state.playing;
        if (looping) *looping = state.looping;
        return true;
    }
    return false;
}

// A scene with an empty world, the viewer at the origin, the shipped sounds
// in its start directory and a sound manager started as the program does it.
class ObjectSounds : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        for (const std::string name : {"impact.wav", "movement.wav", "click.wav", "walking.wav"})
            folder_.Write("Sounds/" + name, Shipped(platform::JoinPath(VESK_RUN_DIR, "Sounds/" + name)));
        start_ = std::make_unique<ScopedStartDirectory>(folder_.Path());
        manager_ = std::make_unique<CSoundManager>();
        manager_->BackEnd = 0;
        manager_->EnumerateDevices();
        ASSERT_EQ(manager_->Init(), 0);
        manager_->InitListener();
        scene_ = std::make_unique<CScene>();
        scene_->soundManager = manager_.get();
        scene_->world = new CWorld;
        scene_->HookObjectRemoval();
        scene_->mainCamera.position = Vector3{};
        scene_->timing.sceneClock = 100000;
        platform::TakeSoundPlayEvents();
    }

    void TearDown() override
    {
        if (scene_) {
            delete scene_->world;
            scene_->world = nullptr;
            scene_.reset();
        }
        manager_.reset();
    }

    uint32_t& Now() { return scene_->timing.sceneClock; }

    // An object at `at`, hit head-on at a speed that gives the full gain.
    CNBObject* AddObject(const Vector3& at, float mass = 1.0f)
    {
        auto* object = new CNBObject;
        object->WorldMatrix.m[12] = at.x;
        object->WorldMatrix.m[13] = at.y;
        object->WorldMatrix.m[14] = at.z;
        object->Mass = mass;
        object->ImpactAngle = 180.0f;
        object->SlideAngle = 180.0f;
        object->ContactVelocity = Vector3{20.0f, 0.0f, 0.0f};
        scene_->world->objects.push_back(object);
        return object;
    }

    // What the physics step does for a contact.
    CSoundBuffer* Request(CNBObject* object, int key)
    {
        CSoundBuffer* sound = object->FindSound(key);
        if (!sound) sound = scene_->AttachObjectSound(object, key == 2 ? u"movement.wav" : u"impact.wav", key);
        if (!sound) return nullptr;
        sound->PlayRequested = 1;
        sound->TriggerTime = Now();
        if (key == 2) object->SlideTime = Now();
        return sound;
    }

    TempDirectory folder_;
    std::unique_ptr<ScopedStartDirectory> start_;
    std::unique_ptr<CSoundManager> manager_;
    std::unique_ptr<CScene> scene_;
};

TEST_F(ObjectSounds, AttachedInstancesAreListedOnceAndLoaded)
{
    CNBObject* object = AddObject(Vector3{});
    CSoundBuffer* impact = scene_->AttachObjectSound(object, u"impact.wav", 3);
    CSoundBuffer* slide = scene_->AttachObjectSound(object, u"movement.wav", 2);
    ASSERT_NE(impact, nullptr);
    ASSERT_NE(slide, nullptr);
    EXPECT_NE(impact->DsBuffer, nullptr);
    EXPECT_EQ(object->Sounds, (std::vector<CSoundBuffer*>{impact, slide}));
    EXPECT_EQ(scene_->soundingObjects, std::vector<CNBObject*>{object});
    EXPECT_EQ(scene_->soundInstances.size(), 2u);

    // Without an object, a name, a manager or the folder there is nothing to attach.
    EXPECT_EQ(scene_->AttachObjectSound(nullptr, u"impact.wav", 3), nullptr);
    EXPECT_EQ(scene_->AttachObjectSound(object, nullptr, 3), nullptr);
    ScopedStartDirectory elsewhere(platform::JoinPath(folder_.Path(), "missing"));
    EXPECT_EQ(scene_->AttachObjectSound(object, u"impact.wav", 3), nullptr);
    EXPECT_EQ(scene_->soundInstances.size(), 2u);
}

TEST_F(ObjectSounds, GainFollowsDistanceSpeedAngleAndMass)
{
    struct Case {
        Vector3 at;
        float mass;
        float angle;
        Vector3 velocity;
        float gain;
    };
    const Case cases[] = {
        {{0.5f, 0.0f, 0.0f}, 1.0f, 180.0f, {20.0f, 0.0f, 0.0f}, 1.0f},            // closer than 1: distance 1
        {{0.0f, 10.0f, 0.0f}, 1.0f, 180.0f, {20.0f, 0.0f, 0.0f}, 0.398107f},     // 10^-0.4
        {{0.0f, 0.0f, 0.0f}, 1.0f, 90.0f, {20.0f, 0.0f, 0.0f}, 0.35f},           // sliding past: at least 0.35
        {{0.0f, 0.0f, 0.0f}, 0.1f, 180.0f, {20.0f, 0.0f, 0.0f}, 0.5f},           // and at least 0.5
        {{0.0f, 0.0f, 0.0f}, 1.0f, 180.0f, {3.0f, 6.0f, 0.0f}, 0.5f},            // 45 / 180 of full speed
    };
    std::vector<CSoundBuffer*> impacts;
    for (const Case& c : cases) {
        CNBObject* object = AddObject(c.at, c.mass);
        object->ImpactAngle = c.angle;
        object->ContactVelocity = c.velocity;
        impacts.push_back(scene_->AttachObjectSound(object, u"impact.wav", 3));
        ASSERT_NE(impacts.back(), nullptr);
    }
    CNBObject* sliding = AddObject(Vector3{});
    sliding->SlideAngle = 90.0f;
    CSoundBuffer* slide = scene_->AttachObjectSound(sliding, u"movement.wav", 2);

    scene_->UpdateObjectSounds();
    for (size_t i = 0; i < impacts.size(); ++i) EXPECT_NEAR(impacts[i]->TargetGain, cases[i].gain, 1e-5) << i;
    EXPECT_NEAR(slide->TargetGain, 0.35f, 1e-5);
}

TEST_F(ObjectSounds, FiveImpactsPlayTheFourLoudestAndPauseTheFifth)
{
    CNBObject* farthest = AddObject(Vector3{50.0f, 0.0f, 0.0f});
    CSoundBuffer* quiet = Request(farthest, 3);
    scene_->UpdateObjectSounds();
    ASSERT_EQ(platform::TakeSoundPlayEvents().size(), 1u);
    ASSERT_EQ(quiet->Stopped, 0);

    Now() += 10;
    std::vector<uint64_t> loud;
    for (int i = 1; i <= 4; ++i) loud.push_back(Request(AddObject(Vector3{float(i), 0.0f, 0.0f}), 3)->DsBuffer->Id());
    scene_->UpdateObjectSounds();

    const std::vector<platform::SoundPlayEvent> plays = platform::TakeSoundPlayEvents();
    ASSERT_EQ(plays.size(), 4u);
    for (const platform::SoundPlayEvent& play : plays)
        EXPECT_NE(std::find(loud.begin(), loud.end(), play.bufferId), loud.end());
    EXPECT_EQ(quiet->Paused, 1);
    bool playing = true;
    EXPECT_TRUE(IsLive(quiet->DsBuffer->Id(), &playing));
    EXPECT_FALSE(playing);
}

TEST_F(ObjectSounds, ImpactStopsAfterItsLengthAndIsFreedThirtySecondsLater)
{
    CNBObject* object = AddObject(Vector3{});
    CSoundBuffer* impact = Request(object, 3);
    scene_->UpdateObjectSounds();
    ASSERT_EQ(impact->Stopped, 0);

    Now() += 600 + 51;  // past its length: stopped by the trigger rule
    scene_->UpdateObjectSounds();
    EXPECT_EQ(impact->Stopped, 1);
    const uint32_t stopped = Now();

    Now() = stopped + 600 + 30000;
    scene_->UpdateObjectSounds();
    ASSERT_EQ(object->Sounds.size(), 1u);
    Now() += 1;
    scene_->UpdateObjectSounds();
    EXPECT_TRUE(object->Sounds.empty());
    EXPECT_TRUE(scene_->soundInstances.empty());
    EXPECT_EQ(scene_->soundingObjects, std::vector<CNBObject*>{object});  // it stays a sounding object
}

TEST_F(ObjectSounds, SlideStops250msAfterTheLastContactAndIsFreedAfter30s)
{
    CNBObject* object = AddObject(Vector3{});
    CSoundBuffer* slide = Request(object, 2);
    const uint32_t contact = Now();
    const uint64_t id = slide->DsBuffer->Id();
    scene_->UpdateObjectSounds();
    const std::vector<platform::SoundPlayEvent> plays = platform::TakeSoundPlayEvents();
    ASSERT_EQ(plays.size(), 1u);
    EXPECT_TRUE(plays[0].looping);

    Now() = contact + 250;
    scene_->UpdateObjectSounds();
    EXPECT_EQ(slide->Stopped, 0);

    Now() = contact + 251;
    scene_->UpdateObjectSounds();
    EXPECT_EQ(slide->Stopped, 1);

    Now() = contact + 30001;
    scene_->UpdateObjectSounds();
    EXPECT_TRUE(object->Sounds.empty());
    EXPECT_FALSE(IsLive(id));
}

TEST_F(ObjectSounds, InstanceWhoseFileDidNotLoadNeverPlaysAndIsFreed)
{
    folder_.Write("Sounds/impact.wav", "not a wave file");
    CNBObject* object = AddObject(Vector3{});
    CSoundBuffer* broken = Request(object, 3);
    ASSERT_NE(broken, nullptr);
    EXPECT_EQ(broken->DsBuffer, nullptr);
    const uint32_t requested = Now();

    scene_->UpdateObjectSounds();
    EXPECT_TRUE(platform::TakeSoundPlayEvents().empty());
    EXPECT_EQ(broken->Stopped, 1);

    Now() = requested + 30001;
    scene_->UpdateObjectSounds();
    EXPECT_TRUE(object->Sounds.empty());
    EXPECT_TRUE(scene_->soundInstances.empty());
}

TEST_F(ObjectSounds, WalkingSoundLoopsStaysAndTheListenerIsCommitted)
{
    CSoundBuffer* walking = scene_->AttachWalkingSound();
    ASSERT_NE(walking, nullptr);
    EXPECT_TRUE(scene_->soundingObjects.empty());

    walking->PlayRequested = 1;
    ASSERT_NE(manager_->Listener, nullptr);
    manager_->Listener->SetVelocity(1.0f, 2.0f, 3.0f, platform::DS3D_DEFERRED);
    scene_->UpdateObjectSounds();
    const std::vector<platform::SoundPlayEvent> plays = platform::TakeSoundPlayEvents();
    ASSERT_EQ(plays.size(), 1u);
    EXPECT_TRUE(plays[0].looping);
    platform::Ds3DListener listener;
    listener.size = sizeof(listener);
    manager_->Listener->GetAllParameters(&listener);
    EXPECT_FLOAT_EQ(listener.velocity.y, 2.0f);

    Now() += 100000;
    scene_->UpdateObjectSounds();
    EXPECT_EQ(scene_->FindWalkingSound(), walking);
    EXPECT_EQ(walking->Stopped, 0);
}

TEST_F(ObjectSounds, DeletingASoundingObjectStopsAndFreesItsSounds)
{
    CNBObject* object = AddObject(Vector3{});
    CNBObject* other = AddObject(Vector3{});
    CSoundBuffer* slide = Request(object, 2);
    Request(object, 3);
    CSoundBuffer* kept = Request(other, 3);
    scene_->UpdateObjectSounds();
    const uint64_t id = slide->DsBuffer->Id();
    bool playing = false;
    bool looping = false;
    ASSERT_TRUE(IsLive(id, &playing, &looping));
    ASSERT_TRUE(playing && looping);

    scene_->world->RemoveObject(object);
    EXPECT_FALSE(IsLive(id));
    EXPECT_EQ(scene_->soundingObjects, std::vector<CNBObject*>{other});
    EXPECT_EQ(scene_->soundInstances, std::vector<CSoundBuffer*>{kept});

    Now() += 10;
    scene_->UpdateObjectSounds();  // nothing left points at the deleted object
    EXPECT_EQ(kept->Stopped, 0);
}

TEST_F(ObjectSounds, ManySoundsGoTogetherWhenSilentWhenClearedAndWhenLeaving)
{
    // Two piles of sounding objects, a few of each kind playing and the rest
    // paused: the first pile's slides are all freed in one frame, the
    // second's sounds go with Clear Scene, the walking sound with the scene.
    const int before = CSoundBuffer::Heap().LiveCount();
    CSoundBuffer* walking = scene_->AttachWalkingSound();
    ASSERT_NE(walking, nullptr);
    std::vector<uint64_t> instanceIds{walking->DsBuffer->Id()};
    const auto pile = [&](int count, std::vector<int> keys) {
        std::vector<CNBObject*> objects;
        for (int i = 0; i < count; ++i) {
            objects.push_back(AddObject(Vector3{static_cast<float>(i % 20), 0.0f, static_cast<float>(i / 20)}));
            for (const int key : keys) instanceIds.push_back(Request(objects.back(), key)->DsBuffer->Id());
        }
        return objects;
    };
    const std::vector<CNBObject*> first = pile(600, {2});
    scene_->UpdateObjectSounds();
    Now() += 30001;  // no slide contact for that long
    const std::vector<CNBObject*> second = pile(300, {2, 3});
    scene_->UpdateObjectSounds();
    EXPECT_EQ(CSoundBuffer::Heap().LiveCount(), before + 601);
    EXPECT_EQ(scene_->soundInstances.size(), 601u);
    EXPECT_EQ(scene_->soundInstances.front(), walking);
    for (CNBObject* object : first) EXPECT_TRUE(object->Sounds.empty());
    EXPECT_EQ(scene_->soundingObjects.size(), 900u);  // silent ones stay listed

    scene_->ClearScene();
    EXPECT_EQ(CSoundBuffer::Heap().LiveCount(), before + 1);
    EXPECT_EQ(scene_->soundInstances, std::vector<CSoundBuffer*>{walking});
    EXPECT_TRUE(scene_->soundingObjects.empty());

    scene_.reset();
    EXPECT_EQ(CSoundBuffer::Heap().LiveCount(), before);
    for (const platform::SoundBufferState& state : platform::ListSoundBuffers()) {
        EXPECT_EQ(std::count(instanceIds.begin(), instanceIds.end(), state.bufferId), 0);
        EXPECT_FALSE(state.playing);  // only the shared copies of the files are left
    }
}

}  // namespace
