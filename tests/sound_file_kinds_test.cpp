// WAVE files as sox and libsndfile write them, on both back ends: each kind
// either plays its real samples or is refused with a log line naming the
// file and why. The DirectSound-style buffer must hold the file's PCM bytes,
// or for IMA ADPCM exactly the 16-bit samples sox decodes from it; OpenAL's
// output, rendered through a loopback device, must follow sox's own decoding
// without a sample's lead. sox and sndfile-convert make the files when the
// suite starts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/sound/direct_sound.h"
#include "platform/text.h"
#include "sound/sound_buffer.h"
#include "sound/sound_manager.h"
#include "sound/wav_reader.h"
#include "support/started_sound.h"
#include "support/temp_directory.h"
#include "support/wave_bytes.h"

#include <AL/alext.h>

namespace {

struct FileKind {
    const char* name;
    const char* soxOptions;   // how sox writes it; null: made from another kind
    bool directSound;         // played by the DirectSound-style back end
    bool openAL;              // played by OpenAL
    const char* reason;       // in the log line of a refusal
    bool decoded = false;     // the back ends are given its samples decoded to 16 bits
};

const FileKind kKinds[] = {
    {"u8-mono.wav", "-c 1 -e unsigned-integer -b 8", true, true, ""},
    {"u8-stereo.wav", "-c 2 -e unsigned-integer -b 8", true, true, ""},
    {"u8-quad.wav", "-c 4 -e unsigned-integer -b 8", false, false, "4 channels of 8-bit PCM"},
    {"s16-mono.wav", "-c 1 -e signed-integer -b 16", true, true, ""},
    {"s16-stereo.wav", "-c 2 -e signed-integer -b 16", true, true, ""},
    {"s16-quad.wav", "-c 4 -e signed-integer -b 16", false, true, "4 channels of 16-bit PCM"},
    {"s24-mono.wav", "-c 1 -e signed-integer -b 24", false, false, "1 channel of 24-bit PCM"},
    {"s32-stereo.wav", "-c 2 -e signed-integer -b 32", false, false, "2 channels of 32-bit PCM"},
    {"float-mono.wav", "-c 1 -e floating-point -b 32", false, false, "floating-point samples"},
    {"double-stereo.wav", "-c 2 -e floating-point -b 64", false, false, "floating-point samples"},
    {"alaw-mono.wav", "-c 1 -e a-law", false, false, "A-law samples"},
    {"ulaw-stereo.wav", "-c 2 -e u-law", false, false, "mu-law samples"},
    {"ima-mono.wav", "-c 1 -e ima-adpcm", true, true, "", true},
    {"ima-stereo.wav", "-c 2 -e ima-adpcm", true, true, "", true},
    {"msadpcm-stereo.wav", "-c 2 -e ms-adpcm", false, false, "MS ADPCM samples"},
    {"gsm-mono.wav", "-c 1 -e gsm-full-rate", false, false, "GSM 6.10 samples"},
    // Made from the kinds above.
    {"pcm16-stereo-extensible.wav", nullptr, true, true, ""},
    {"ima-mono-sndfile.wav", nullptr, true, true, "", true},
    {"ima-stereo-sndfile.wav", nullptr, true, true, "", true},
};

// The plain 16-bit stereo file again, with the extensible header some tools
// write for it: PCM sub-format, channel mask front left and right.
std::string ExtensibleCopy(const std::string& pcm)
{
    const std::string fmt = Fmt(2, 22050, 16, 0xFFFE) + U16(22) + U16(16) + U32(3) + U16(1) +
                            std::string("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
    return Riff(Chunk("fmt ", fmt) + Chunk("data", pcm));
}

std::string DataOf(const std::string& path)
{
    CWavReader reader;
    reader.Open(platform::Utf8ToUtf16(path).c_str());
    std::string data(reader.DataSize, '\0');
    uint32_t read = 0;
    reader.Read(reinterpret_cast<uint8_t*>(data.data()), reader.DataSize, &read);
    data.resize(read);
    return data;
}

std::vector<float> FloatsOf(const std::string& bytes)
{
    std::vector<float> values(bytes.size() / sizeof(float));
    std::memcpy(values.data(), bytes.data(), values.size() * sizeof(float));
    return values;
}

// The best normalised correlation of `heard` with `expected` over the
// delays the mixer may add.
double Likeness(const std::vector<float>& heard, const std::vector<float>& expected)
{
    double best = -1.0;
    for (ptrdiff_t delay = 0; delay <= 256; ++delay) {
        double both = 0.0, a = 0.0, b = 0.0;
        for (size_t i = 0; i < expected.size() && i + delay < heard.size(); ++i) {
            const double h = heard[i + delay];
            both += h * expected[i];
            a += h * h;
            b += double{expected[i]} * expected[i];
        }
        if (a > 0.0 && b > 0.0) best = std::max(best, both / std::sqrt(a * b));
    }
    return best;
}

// An OpenAL loopback device made current in place of the manager's: what
// the sources play is rendered on request as mono floats at 22050 Hz.
class OpenALLoopback {
public:
    OpenALLoopback()
    {
        const platform::OpenALFunctionTable& al = OpenALFunctions;
        auto* open = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(
            al.alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
        render_ = reinterpret_cast<LPALCRENDERSAMPLESSOFT>(al.alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
        if (!open || !render_) return;
        device_ = open(nullptr);
        const ALCint attributes[] = {ALC_FREQUENCY,        22050, ALC_FORMAT_CHANNELS_SOFT, ALC_MONO_SOFT,
                                     ALC_FORMAT_TYPE_SOFT, ALC_FLOAT_SOFT, 0};
        if (device_) context_ = al.alcCreateContext(device_, attributes);
        previous_ = al.alcGetCurrentContext();
        if (context_) al.alcMakeContextCurrent(context_);
    }
    ~OpenALLoopback()
    {
        const platform::OpenALFunctionTable& al = OpenALFunctions;
        al.alcMakeContextCurrent(previous_);
        if (context_) al.alcDestroyContext(context_);
        if (device_) al.alcCloseDevice(device_);
    }
    bool IsOpen() const { return context_ != nullptr; }
    std::vector<float> Render(size_t frames)
    {
        std::vector<float> samples(frames);
        render_(device_, samples.data(), static_cast<ALCsizei>(frames));
        return samples;
    }

private:
    LPALCRENDERSAMPLESSOFT render_ = nullptr;
    ALCdevice* device_ = nullptr;
    ALCcontext* context_ = nullptr;
    ALCcontext* previous_ = nullptr;
};

class SoundFileKinds : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        folder_ = new TempDirectory;
        const auto run = [](const std::string& command) {
            toolsMissing_ = toolsMissing_ || std::system(command.c_str()) != 0;
        };
        for (const FileKind& kind : kKinds) {
            if (!kind.soxOptions) continue;
            // A rising tone, so that no delay of a wrong decoding looks alike.
            run(std::string("sox -V1 -n -r 22050 ") + kind.soxOptions + " " + folder_->File(kind.name) +
                " synth 0.3 sine 200-2000 vol 0.7");
        }
        folder_->Write("pcm16-stereo-extensible.wav", ExtensibleCopy(DataOf(folder_->File("s16-stereo.wav"))));
        for (const char* channels : {"mono", "stereo"}) {
            run("sndfile-convert -ima-adpcm " + folder_->File(std::string("s16-") + channels + ".wav") + " " +
                folder_->File(std::string("ima-") + channels + "-sndfile.wav"));
        }
        for (const FileKind& kind : kKinds) {
            const std::string file = folder_->File(kind.name);
            // sox's own decoding, mixed to mono as the loopback renders it,
            // and as 16-bit samples.
            run("sox -V1 " + file + " -t f32 -c 1 " + file + ".f32");
            if (kind.decoded) run("sox -V1 " + file + " -t s16 -L " + file + ".s16");
        }
    }
    static void TearDownTestSuite() { delete folder_; }

    void SetUp() override
    {
        ASSERT_FALSE(toolsMissing_) << "sox and sndfile-convert make the files: .ci/install-deps installs them";
    }

    // What a back end is given: the data chunk of PCM, sox's 16-bit decoding of the rest.
    std::string PcmOf(const FileKind& kind) const
    {
        return kind.decoded ? folder_->Read(std::string(kind.name) + ".s16") : DataOf(Path(kind));
    }

    std::string Path(const FileKind& kind) const { return folder_->File(kind.name); }

    // The refusal's line names the file and the reason, once however often it is loaded.
    void ExpectRefusalLogged(const FileKind& kind)
    {
        const std::string log = logFolder_.Read("game.log");
        const std::string line = "Error: CSoundBuffer::Load() " + Path(kind) + ": ";
        const size_t at = log.find(line);
        ASSERT_NE(at, std::string::npos) << kind.name;
        EXPECT_EQ(log.find(line, at + 1), std::string::npos) << kind.name;
        const std::string rest = log.substr(at + line.size(), log.find('\n', at) - at - line.size());
        EXPECT_NE(rest.find(kind.reason), std::string::npos) << kind.name << ": " << rest;
    }

    TempDirectory logFolder_;
    ScopedStartDirectory start_{logFolder_.Path()};

    static TempDirectory* folder_;
    static bool toolsMissing_;
};

TempDirectory* SoundFileKinds::folder_ = nullptr;
bool SoundFileKinds::toolsMissing_ = false;

TEST_F(SoundFileKinds, TheDirectSoundStyleBackEndHoldsThePcmBytesOrLogsTheRefusal)
{
    auto manager = StartSound(0);
    ASSERT_NE(manager->DirectSound, nullptr);
    for (const FileKind& kind : kKinds) {
        for (int load = 0; load < 2; ++load) {
            CSoundBuffer* sound = LoadSound(*manager, Path(kind));
            if (!kind.directSound) {
                EXPECT_EQ(sound->Loaded, 0) << kind.name;
                EXPECT_EQ(sound->DsBuffer, nullptr) << kind.name;
                DestroySound(sound);
                continue;
            }
            ASSERT_EQ(sound->Loaded, 1) << kind.name;
            EXPECT_EQ(sound->Format.formatTag, platform::WAVE_FORMAT_PCM) << kind.name;
            const std::string pcm = PcmOf(kind);
            ASSERT_FALSE(pcm.empty()) << kind.name;
            void* region = nullptr;
            uint32_t bytes = 0;
            ASSERT_EQ(sound->DsBuffer->Lock(0, 0, &region, &bytes, nullptr, nullptr, platform::DSBLOCK_ENTIREBUFFER),
                      S_OK);
            const std::string held(static_cast<const char*>(region), bytes);
            EXPECT_TRUE(held == pcm) << kind.name << ": " << held.size() << " bytes held, " << pcm.size()
                                     << " expected, first difference at byte "
                                     << std::mismatch(held.begin(), held.end(), pcm.begin(), pcm.end()).first -
                                            held.begin();
            sound->DsBuffer->Unlock(region, bytes, nullptr, 0);
            DestroySound(sound);
        }
        if (!kind.directSound) ExpectRefusalLogged(kind);
    }
}

TEST_F(SoundFileKinds, OpenALPlaysWhatSoxDecodesOrLogsTheRefusal)
{
    auto manager = StartSound(1);
    if (!OpenALLoaded || !manager->AlcContext) GTEST_SKIP() << "no OpenAL library or device";
    {
        OpenALLoopback loopback;
        ASSERT_TRUE(loopback.IsOpen());
        for (const FileKind& kind : kKinds) {
            for (int load = 0; load < 2; ++load) {
                CSoundBuffer* sound = LoadSound(*manager, Path(kind));
                if (!kind.openAL) {
                    EXPECT_EQ(sound->Loaded, 0) << kind.name;
                    DestroySound(sound);
                    continue;
                }
                ASSERT_EQ(sound->Loaded, 1) << kind.name;
                const std::vector<float> expected = FloatsOf(folder_->Read(std::string(kind.name) + ".f32"));
                ASSERT_GT(expected.size(), 6000u);
                sound->Play(1);
                EXPECT_GT(Likeness(loopback.Render(expected.size() + 512), expected), 0.99) << kind.name;
                DestroySound(sound);
            }
            if (!kind.openAL) ExpectRefusalLogged(kind);
        }
        // The shared buffers were made on the loopback device: they go with it.
        manager->SoundFiles.Clear();
    }
}

}  // namespace
