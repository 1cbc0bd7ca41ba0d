// Sound: the WAVE reader, the OpenAL loader, the manager and its buffers on
// both back ends, and the mix written to files through SDL's "disk" driver and
// OpenAL Soft's "wave" driver (no sound card needed).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/private_heap.h"
#include "platform/files.h"
#include "platform/text.h"
#include "platform/sound/direct_sound.h"
#include "platform/sound/openal_library.h"
#include "sound/sound_buffer.h"
#include "sound/sound_manager.h"
#include "sound/wav_reader.h"
#include "support/started_sound.h"
#include "support/temp_directory.h"
#include "support/wave_bytes.h"

namespace {

// ---- Helpers ----
// 16-bit samples of a sine, `frames` long, in every channel.
std::string Tone(uint32_t frames, uint16_t channels, double amplitude = 0.5)
{
    std::string bytes;
    for (uint32_t i = 0; i < frames; ++i) {
        const auto s = static_cast<int16_t>(std::lround(amplitude * 32767 * std::sin(i * 0.2)));
        for (uint16_t c = 0; c < channels; ++c) bytes += U16(static_cast<uint16_t>(s));
    }
    return bytes;
}

HResult OpenBytes(CWavReader& reader, const std::string& bytes)
{
    return reader.OpenMemory(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

std::string ReadAll(CWavReader& reader)
{
    std::string data(reader.DataSize, '\0');
    uint32_t read = 0;
    EXPECT_EQ(reader.Read(reinterpret_cast<uint8_t*>(data.data()), reader.DataSize, &read), S_OK);
    data.resize(read);
    return data;
}

std::string SoundFile(const std::string& name) { return platform::JoinPath(VESK_RUN_DIR, "Sounds/" + name); }

bool AllSlotsNull(const platform::OpenALFunctionTable& table)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(&table);
    for (size_t i = 0; i < sizeof(table); ++i)
        if (bytes[i]) return false;
    return true;
}

// Sets an environment variable for one test and restores it after.
struct ScopedEnvironment {
    ScopedEnvironment(const char* name, const std::string& value) : name(name)
    {
        if (const char* old = std::getenv(name)) previous = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnvironment() { previous ? setenv(name, previous->c_str(), 1) : unsetenv(name); }
    const char* name;
    std::optional<std::string> previous;
};

struct ScopedOpenALLibraryNames {
    explicit ScopedOpenALLibraryNames(std::vector<std::string> names) { platform::SetOpenALLibraryNames(names); }
    ~ScopedOpenALLibraryNames() { platform::SetOpenALLibraryNames({}); }
};

// Waits up to ten seconds for a real output thread to reach `done`.
bool WaitFor(const std::function<bool()>& done)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return done();
}

int32_t VolumeOf(const CSoundBuffer& buffer)
{
    int32_t volume = 1;
    EXPECT_EQ(buffer.DsBuffer->GetVolume(&volume), S_OK);
    return volume;
}

// ---- WAVE reader ----
TEST(SoundWaveReader, FindsFormatAndDataInAnyOrderPastOtherChunks)
{
    const std::string samples = Tone(6, 2);
    for (const std::string& file :
         {Riff(Chunk("LIST", "abc") + Chunk("fmt ", Fmt(2, 22050, 16)) + Chunk("data", samples)),
          Riff(Chunk("data", samples) + Chunk("junk", std::string(5, 'x')) + Chunk("fmt ", Fmt(2, 22050, 16))),
          // PCM ignores an extra-size field, however large.
          Riff(Chunk("fmt ", Fmt(2, 22050, 16) + U16(99)) + Chunk("data", samples))}) {
        CWavReader reader;
        ASSERT_EQ(OpenBytes(reader, file), S_OK);
        const platform::WaveFormatEx format = reader.Format();
        EXPECT_EQ(format.channels, 2);
        EXPECT_EQ(format.samplesPerSec, 22050u);
        EXPECT_EQ(reader.DataSize, samples.size());
        EXPECT_EQ(ReadAll(reader), samples);
    }
}

TEST(SoundWaveReader, RejectsFilesThatAreNotWave)
{
    const std::string fmt = Chunk("fmt ", Fmt(1, 22050, 16));
    const std::string data = Chunk("data", Tone(4, 1));
    const std::string bad[] = {
        "",
        "RIFX" + U32(40) + "WAVE" + fmt + data,           // foreign RIFF id
        Riff(Chunk("fmt ", Fmt(1, 22050, 16).substr(0, 14)) + data),  // format chunk too short
        Riff(Chunk("fmt ", Fmt(1, 22050, 16), 16).substr(0, 14)),      // format cut by the end of file
        Riff(data),                                        // no format
        Riff(Chunk("fmt ", Fmt(1, 22050, 4, 0x11) + U16(50) + "ab") + data),  // more extra bytes than the chunk holds
    };
    for (const std::string& file : bad) {
        CWavReader reader;
        EXPECT_EQ(OpenBytes(reader, file), -1);
        EXPECT_EQ(reader.DataSize, 0u);
    }
    // A missing, empty or sub-frame data chunk gives no data.
    for (const std::string& file : {Riff(fmt), Riff(fmt + Chunk("data", "")), Riff(fmt + Chunk("data", "\x01"))}) {
        CWavReader reader;
        OpenBytes(reader, file);
        EXPECT_EQ(reader.DataSize, 0u);
        EXPECT_EQ(ReadAll(reader), "");
    }
}

TEST(SoundWaveReader, SizesPastTheEndOfTheFileAreCutToWholeFrames)
{
    const std::string fmt = Chunk("fmt ", Fmt(2, 22050, 16));
    const std::string samples = Tone(3, 2).substr(0, 11);  // two whole frames and three bytes
    for (const uint32_t claimed : {1000u, 0xFFFFFFFFu, 0xFFFFFFF8u}) {
        CWavReader reader;
        ASSERT_EQ(OpenBytes(reader, Riff(fmt + "data" + U32(claimed) + samples, 0xFFFFFFFFu)), S_OK);
        EXPECT_EQ(reader.DataSize, 8u);
        EXPECT_EQ(ReadAll(reader), samples.substr(0, 8));
    }

    // A chunk whose size runs past the file hides what follows it; the
    // RIFF chunk ends where it says it ends.
    CWavReader reader;
    OpenBytes(reader, Riff(fmt + Chunk("junk", "ab", 0xFFFFFFF0u) + Chunk("data", Tone(2, 2))));
    EXPECT_EQ(reader.DataSize, 0u);
    const std::string inside = fmt + Chunk("data", Tone(2, 2));
    OpenBytes(reader, Riff(inside, static_cast<uint32_t>(4 + fmt.size())) );
    EXPECT_EQ(reader.DataSize, 0u);
}

TEST(SoundOpenALLoader, AMissingEntryPointFailsTheLoadAndNamesIt)
{
    struct Fake {
        static void* Resolve(void* context, const char* name)
        {
            static char target;
            return std::strcmp(name, static_cast<const char*>(context)) == 0 ? nullptr : &target;
        }
    };
    platform::OpenALFunctionTable table;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(platform::FillOpenALFunctionTable(&table, &Fake::Resolve, const_cast<char*>("alGenBuffers")));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Failed to retrieve 'alGenBuffers' function address\n"),
              std::string::npos);
}

TEST(SoundOpenALLoader, MissingLibraryGivesASilentBackEndThatCallsNothing)
{
    {  // the setting 0 never loads OpenAL
        auto plain = StartSound(0);
        EXPECT_TRUE(AllSlotsNull(OpenALFunctions));
    }
    ScopedOpenALLibraryNames missing({"libvesk-no-such-openal.so.1"});
    auto manager = std::make_unique<CSoundManager>();
    manager->BackEnd = 1;
    manager->EnumerateDevices();
    EXPECT_EQ(OpenALLoaded, 0);
    // Every slot is null: any OpenAL call from here on would crash the test.
    EXPECT_TRUE(AllSlotsNull(OpenALFunctions));

    CSoundBuffer* click = LoadSound(*manager, SoundFile("click.wav"));
    ASSERT_NE(click, nullptr);
    EXPECT_EQ(click->Loaded, 0);
    EXPECT_EQ(click->Play(10), 0);
    click->SetVolume(0.5f, -1.0f);
    EXPECT_EQ(click->Pause(20), 0);
    EXPECT_EQ(click->Stop(30), 0);
    DestroySound(click);
    EXPECT_TRUE(AllSlotsNull(OpenALFunctions));
}

// ---- Manager start-up ----
TEST(SoundManagerStartUp, DirectSoundStyleOpensTheFirstDeviceAndTheListener)
{
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    {
        // Of several outputs the first listed is chosen; the primary entry has no GUID and is skipped.
        platform::SetSoundOutputsForTests({"first output", "second output", "third output"});
        CSoundManager listed;
        listed.BackEnd = 0;
        listed.EnumerateDevices();
        platform::SetSoundOutputsForTests({});
        ASSERT_EQ(listed.DeviceCount, 3);
        EXPECT_STREQ(listed.Devices[0].Description, "first output");
        EXPECT_EQ(listed.SelectedDeviceGuid, &listed.Devices[0].Guid);
    }
    auto manager = std::make_unique<CSoundManager>();
    manager->BackEnd = 0;
    manager->EnumerateDevices();
    // The dummy driver's one output.
    ASSERT_EQ(manager->DeviceCount, 1);
    EXPECT_EQ(manager->SelectedDeviceGuid, &manager->Devices[0].Guid);
    ASSERT_EQ(manager->Init(), 0);
    ASSERT_NE(manager->DirectSound, nullptr);
    EXPECT_TRUE(manager->DirectSound->IsOutputOpen());
    EXPECT_EQ(manager->InitListener(), S_OK);
    EXPECT_NE(manager->Listener, nullptr);
}

TEST(SoundManagerStartUp, WithoutADeviceTheDirectSoundStyleBackEndStaysSilent)
{
    CSoundManager manager;
    manager.BackEnd = 0;  // no enumeration: no device selected
    EXPECT_EQ(manager.Init(), -1);
    EXPECT_EQ(manager.InitListener(), platform::CO_E_NOTINITIALIZED);
    EXPECT_EQ(manager.CreateSoundBuffer(nullptr), nullptr);

    CSoundBuffer* click = LoadSound(manager, SoundFile("click.wav"));
    ASSERT_NE(click, nullptr);
    EXPECT_EQ(click->Loaded, 0);
    EXPECT_EQ(click->DsBuffer, nullptr);
    EXPECT_EQ(click->Play(5), -1);
    EXPECT_EQ(click->Stopped, 1);
    DestroySound(click);
}

// ---- Buffers on the DirectSound-style back end ----
class SoundDirectSoundBuffer : public testing::Test {
protected:
    void SetUp() override
    {
        manager = StartSound(0);
        ASSERT_NE(manager->DirectSound, nullptr);
        platform::TakeSoundPlayEvents();
    }

    std::string WriteFile(const std::string& name, const std::string& bytes)
    {
        temp.Write(name, bytes);
        return temp.File(name);
    }

    TempDirectory temp;
    std::unique_ptr<CSoundManager> manager;
};

TEST_F(SoundDirectSoundBuffer, BadFilesFailToLoadAndStaySilent)
{
    std::string zeroRate = Fmt(1, 22050, 16);
    zeroRate.replace(8, 4, U32(0));  // bytes per second 0
    const std::string files[] = {
        "not a wave file at all",
        Riff(Chunk("fmt ", zeroRate) + Chunk("data", Tone(8, 1))),
    };
    for (size_t i = 0; i < std::size(files); ++i) {
        CSoundBuffer* sound = LoadSound(*manager, WriteFile("bad" + std::to_string(i) + ".wav", files[i]));
        EXPECT_EQ(sound->Loaded, 0) << "file " << i;
        EXPECT_EQ(sound->Play(1), sound->DsBuffer ? 0 : -1);
        DestroySound(sound);
    }
    CSoundBuffer* missing = LoadSound(*manager, temp.File("missing.wav"));
    EXPECT_EQ(missing->Loaded, 0);
    DestroySound(missing);
    EXPECT_TRUE(platform::TakeSoundPlayEvents().empty());
}

TEST_F(SoundDirectSoundBuffer, PlayStopPauseAndVolume)
{
    CSoundBuffer* impact = LoadSound(*manager, SoundFile("impact.wav"));
    ASSERT_EQ(impact->Loaded, 1);

    impact->SetVolume(0.5f, -1.0f);
    EXPECT_EQ(impact->Play(100), S_OK);

    // Asked for once, not looping, at the volume set.
    const auto events = platform::TakeSoundPlayEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_FALSE(events[0].looping);
    EXPECT_EQ(events[0].volume, -602);

    EXPECT_EQ(impact->Play(150), 0);  // already playing: nothing changes
    EXPECT_EQ(impact->PlayTime, 100u);
    EXPECT_TRUE(platform::TakeSoundPlayEvents().empty());

    EXPECT_EQ(impact->Pause(200), S_OK);
    EXPECT_EQ(impact->Pause(210), 0);  // not playing
    EXPECT_EQ(impact->PauseTime, 200u);

    // A paused sound starts again from its beginning.
    impact->DsBuffer->SetCurrentPosition(1000);
    EXPECT_EQ(impact->Play(300), S_OK);
    uint32_t position = 1;
    impact->DsBuffer->GetCurrentPosition(&position, nullptr);
    EXPECT_LT(position, 1000u);
    EXPECT_EQ(impact->Stop(400), S_OK);
    EXPECT_EQ(impact->Stop(500), 0);
    EXPECT_EQ(impact->StopTime, 400u);

    // The scene starts its looping sounds on the buffer itself.
    EXPECT_EQ(impact->DsBuffer->Play(0, 0, platform::DSBPLAY_LOOPING), S_OK);
    const auto looping = platform::TakeSoundPlayEvents();
    ASSERT_EQ(looping.size(), 2u);
    EXPECT_TRUE(looping[1].looping);

    // Volumes are hundredths of a decibel: silence, clamped to full, and a
    // gain that is not a number is silence.
    impact->SetVolume(0.0f, -1.0f);
    EXPECT_EQ(VolumeOf(*impact), -10000);
    impact->SetVolume(2.0f, -1.0f);
    EXPECT_EQ(VolumeOf(*impact), 0);
    impact->SetVolume(std::nanf(""), -1.0f);
    EXPECT_EQ(VolumeOf(*impact), -10000);
    DestroySound(impact);
}

// The bytes a DirectSound-style instance plays, where its buffer keeps them.
std::string_view SamplesOf(CSoundBuffer* sound)
{
    void* region = nullptr;
    uint32_t bytes = 0;
    EXPECT_EQ(sound->DsBuffer->Lock(0, 0, &region, &bytes, nullptr, nullptr, platform::DSBLOCK_ENTIREBUFFER), S_OK);
    sound->DsBuffer->Unlock(region, bytes, nullptr, 0);
    return std::string_view(static_cast<const char*>(region), bytes);
}

TEST_F(SoundDirectSoundBuffer, InstancesOfAFileShareOneCopyOfItsSamples)
{
    CSoundBuffer* first = LoadSound(*manager, SoundFile("impact.wav"));
    CSoundBuffer* second = LoadSound(*manager, SoundFile("impact.wav"));
    ASSERT_EQ(first->Loaded, 1);
    ASSERT_EQ(second->Loaded, 1);
    ASSERT_NE(first->DsBuffer, second->DsBuffer);
    // Both lock the same memory.
    EXPECT_EQ(SamplesOf(first).data(), SamplesOf(second).data());

    // Each instance plays at its own volume; the other stays silent.
    second->SetVolume(0.5f, -1.0f);
    EXPECT_EQ(second->Play(1), S_OK);
    const auto events = platform::TakeSoundPlayEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].bufferId, second->DsBuffer->Id());
    EXPECT_EQ(events[0].volume, -602);
    uint32_t status = 1;
    first->DsBuffer->GetStatus(&status);
    EXPECT_EQ(status, 0u);

    // The samples outlive the instance that loaded them first.
    const std::string samples(SamplesOf(first));
    DestroySound(first);
    EXPECT_EQ(SamplesOf(second), samples);
    DestroySound(second);
}

// A sound put in place, or edited, while the program runs is heard from the
// next instance on; an instance made before keeps what it had.
TEST_F(SoundDirectSoundBuffer, AFileThatAppearsOrChangesIsReadAgain)
{
    const auto wave = [](const std::string& samples) {
        return Riff(Chunk("fmt ", Fmt(1, 22050, 16)) + Chunk("data", samples));
    };
    const std::string path = temp.File("late.wav");
    CSoundBuffer* missing = LoadSound(*manager, path);
    EXPECT_EQ(missing->Loaded, 0);
    DestroySound(missing);

    WriteFile("late.wav", wave(Tone(100, 1)));
    CSoundBuffer* first = LoadSound(*manager, path);
    ASSERT_EQ(first->Loaded, 1);
    EXPECT_EQ(SamplesOf(first), Tone(100, 1));

    WriteFile("late.wav", wave(Tone(200, 1, 0.25)));
    CSoundBuffer* longer = LoadSound(*manager, path);
    ASSERT_EQ(longer->Loaded, 1);
    EXPECT_EQ(SamplesOf(longer), Tone(200, 1, 0.25));
    EXPECT_EQ(SamplesOf(first), Tone(100, 1));

    // The same size, saved a second later.
    const auto written = std::filesystem::last_write_time(path);
    WriteFile("late.wav", wave(Tone(200, 1, 0.75)));
    std::filesystem::last_write_time(path, written + std::chrono::seconds(1));
    CSoundBuffer* louder = LoadSound(*manager, path);
    ASSERT_EQ(louder->Loaded, 1);
    EXPECT_EQ(SamplesOf(louder), Tone(200, 1, 0.75));
    // Unchanged since: the copy is shared, not read again.
    CSoundBuffer* again = LoadSound(*manager, path);
    EXPECT_EQ(SamplesOf(again).data(), SamplesOf(louder).data());
    for (CSoundBuffer* sound : {first, longer, louder, again}) DestroySound(sound);
}

TEST_F(SoundDirectSoundBuffer, InstancesFreedInAnyOrderLeaveTheOthersListedAndPlaying)
{
    // Freed out of order, as sounds of a scene fall silent; every instance
    // left must still be known to the device and play as itself.
    std::vector<CSoundBuffer*> sounds;
    for (int i = 0; i < 40; ++i) sounds.push_back(LoadSound(*manager, SoundFile(i % 3 ? "impact.wav" : "click.wav")));
    for (CSoundBuffer* sound : sounds) ASSERT_EQ(sound->Loaded, 1);
    const auto ids = [](const std::vector<platform::SoundBufferState>& states) {
        std::vector<uint64_t> listed;
        for (const platform::SoundBufferState& state : states) listed.push_back(state.bufferId);
        return listed;
    };
    std::vector<uint64_t> samplesOnly = ids(platform::ListSoundBuffers());
    for (CSoundBuffer* sound : sounds) std::erase(samplesOnly, sound->DsBuffer->Id());

    std::vector<CSoundBuffer*> kept;
    for (size_t i = 0; i < sounds.size(); ++i) {
        if (i % 5 == 1 || i % 5 == 2 || i == 0 || i + 1 == sounds.size()) DestroySound(sounds[i]);
        else kept.push_back(sounds[i]);
    }
    std::vector<uint64_t> expected;
    for (CSoundBuffer* sound : kept) expected.push_back(sound->DsBuffer->Id());
    std::vector<uint64_t> listed = ids(platform::ListSoundBuffers());
    std::erase_if(listed, [&](uint64_t id) { return std::find(expected.begin(), expected.end(), id) == expected.end(); });
    EXPECT_EQ(listed, expected);  // in the order they were made

    for (CSoundBuffer* sound : kept) {
        ASSERT_EQ(sound->Play(7), S_OK);
        const auto events = platform::TakeSoundPlayEvents();
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].bufferId, sound->DsBuffer->Id());
    }
    const std::vector<platform::SoundBufferState> states = platform::ListSoundBuffers();
    EXPECT_EQ(std::count_if(states.begin(), states.end(), [](const auto& state) { return state.playing; }),
              static_cast<long>(kept.size()));

    for (CSoundBuffer* sound : kept) DestroySound(sound);
    EXPECT_EQ(ids(platform::ListSoundBuffers()), samplesOnly);
}

// ---- Buffers on OpenAL (OpenAL Soft's null output) ----
class SoundOpenALBuffer : public testing::Test {
protected:
    void SetUp() override
    {
        manager = StartSound(1);
        if (!OpenALLoaded || !manager->AlcContext) GTEST_SKIP() << "no OpenAL library or device";
    }

    ALint SourceState(ALuint source)
    {
        ALint state = 0;
        OpenALFunctions.alGetSourcei(source, AL_SOURCE_STATE, &state);
        return state;
    }

    std::unique_ptr<CSoundManager> manager;
};

TEST_F(SoundOpenALBuffer, ASourceExistsOnlyWhileTheSoundPlays)
{
    CSoundBuffer* movement = LoadSound(*manager, SoundFile("movement.wav"));
    ASSERT_EQ(movement->Loaded, 1);
    EXPECT_EQ(movement->DurationMs, 2000u);
    ASSERT_NE(movement->AlBuffer, 0u);
    EXPECT_EQ(movement->AlSource, 0u);

    // The gain set while silent is the one the new source plays at.
    movement->SetVolume(0.25f, -1.0f);
    EXPECT_EQ(movement->Play(10, true), 0);
    const ALuint source = movement->AlSource;
    ASSERT_NE(source, 0u);
    EXPECT_EQ(SourceState(source), AL_PLAYING);
    ALfloat gain = 0;
    OpenALFunctions.alGetSourcef(source, AL_GAIN, &gain);
    EXPECT_FLOAT_EQ(gain, 0.25f);
    ALint looping = 0;
    OpenALFunctions.alGetSourcei(source, AL_LOOPING, &looping);
    EXPECT_EQ(looping, AL_TRUE);

    EXPECT_EQ(movement->Pause(20), 0);
    EXPECT_FALSE(OpenALFunctions.alIsSource(source));
    EXPECT_EQ(movement->Play(30), 0);
    EXPECT_EQ(SourceState(movement->AlSource), AL_PLAYING);
    EXPECT_EQ(movement->Stop(40), 0);
    EXPECT_EQ(movement->AlSource, 0u);
    EXPECT_EQ(OpenALFunctions.alGetError(), AL_NO_ERROR);
    DestroySound(movement);
}

TEST_F(SoundOpenALBuffer, InstancesBeyondTheLibrarysSourceLimitShareOneBufferAndPlay)
{
    // OpenAL Soft gives out 256 sources; a world of falling boxes has thousands of instances.
    std::vector<CSoundBuffer*> impacts;
    for (int i = 0; i < 300; ++i) impacts.push_back(LoadSound(*manager, SoundFile("impact.wav")));
    for (CSoundBuffer* impact : impacts) {
        ASSERT_EQ(impact->Loaded, 1);
        EXPECT_EQ(impact->AlBuffer, impacts[0]->AlBuffer);
    }
    for (size_t i = impacts.size() - 4; i < impacts.size(); ++i) {
        impacts[i]->Play(1);
        EXPECT_EQ(SourceState(impacts[i]->AlSource), AL_PLAYING);
    }
    // The shared buffer stays while instances are freed and made again.
    const ALuint buffer = impacts[0]->AlBuffer;
    for (CSoundBuffer* impact : impacts) DestroySound(impact);
    EXPECT_TRUE(OpenALFunctions.alIsBuffer(buffer));
    CSoundBuffer* again = LoadSound(*manager, SoundFile("impact.wav"));
    EXPECT_EQ(again->AlBuffer, buffer);
    DestroySound(again);
    EXPECT_EQ(OpenALFunctions.alGetError(), AL_NO_ERROR);
}

TEST_F(SoundOpenALBuffer, HeldSamplesInAFormatOpenALLacksFailWithoutKeepingAName)
{
    CSoundBuffer* sound = manager->CreateSoundBuffer("held");
    const std::string samples = Tone(64, 1);
    sound->Data = static_cast<uint8_t*>(SharedHeapAlloc(samples.size()));
    std::memcpy(sound->Data, samples.data(), samples.size());
    sound->DataSize = static_cast<uint32_t>(samples.size());
    sound->Format.formatTag = 1;
    sound->Format.channels = 3;
    sound->Format.samplesPerSec = 22050;
    sound->Format.bitsPerSample = 16;
    EXPECT_EQ(CSoundBuffer::GetOpenALFormat(&sound->Format), -1);
    EXPECT_EQ(sound->Load(), 0);
    EXPECT_EQ(sound->AlBuffer, 0u);

    sound->Format.channels = 1;
    EXPECT_EQ(CSoundBuffer::GetOpenALFormat(&sound->Format), AL_FORMAT_MONO16);
    ASSERT_EQ(sound->Load(), 1);
    sound->Play(1);
    EXPECT_EQ(SourceState(sound->AlSource), AL_PLAYING);
    EXPECT_EQ(OpenALFunctions.alGetError(), AL_NO_ERROR);
    DestroySound(sound);
}

// ---- Output: the mix reaches a file ----
int PeakOf16BitSamples(const std::string& bytes, size_t from)
{
    int peak = 0;
    for (size_t i = from; i + 1 < bytes.size(); i += 2) {
        const auto sample = static_cast<int16_t>(static_cast<uint8_t>(bytes[i]) | (static_cast<uint8_t>(bytes[i + 1]) << 8));
        peak = std::max(peak, std::abs(static_cast<int>(sample)));
    }
    return peak;
}

TEST(SoundOutput, ClickOnTheDirectSoundStyleBackEndReachesTheDiskDriver)
{
    TempDirectory temp;
    const std::string output = temp.File("mix.raw");
    ScopedEnvironment driver("SDL_AUDIODRIVER", "disk");
    ScopedEnvironment file("SDL_DISKAUDIOFILE", output);

    auto manager = StartSound(0);
    ASSERT_GE(manager->DeviceCount, 1);
    if (std::string(manager->Devices[0].Module) != "disk") GTEST_SKIP() << "SDL audio started before the test";
    ASSERT_NE(manager->DirectSound, nullptr);
    CSoundBuffer* click = LoadSound(*manager, SoundFile("click.wav"));
    ASSERT_EQ(click->Loaded, 1);
    ASSERT_EQ(click->Play(1), S_OK);

    // A single play ends by itself once the mixer has passed the end.
    uint32_t status = 1;
    EXPECT_TRUE(WaitFor([&] { return click->DsBuffer->GetStatus(&status) == S_OK && status == 0; }));
    DestroySound(click);
    manager.reset();  // closes the device and its file

    // 16-bit stereo at 22050 Hz: the click is in there, loud.
    EXPECT_GT(PeakOf16BitSamples(temp.Read("mix.raw"), 0), 16000);
}

}  // namespace
