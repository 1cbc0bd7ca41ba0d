// make_sounds: synthesises the program's sounds into a folder.
//
//   make_sounds <folder>
//
// writes walking.wav (footsteps, looping), movement.wav (a sliding scrape,
// looping), impact.wav (a heavy thud) and click.wav (a short click), each
// 16-bit PCM mono at 22050 Hz. The output is the same on every run: all noise
// comes from one fixed-seed generator per sound.
//
// Index: noise and filters - the four sounds - WAVE writing - main
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/binary_io.h"
#include "generator_support.h"

namespace {

using generator::kPi;

constexpr int kRate = 22050;

using Samples = std::vector<double>;

// ---------------------------------------------------------------------------
// Noise and filters
// ---------------------------------------------------------------------------
class Noise {
public:
    explicit Noise(uint64_t seed) : state_(seed ? seed : 1) {}
    // Uniform in [-1, 1).
    double Next()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return static_cast<double>(state_ >> 11) / static_cast<double>(uint64_t{1} << 52) - 1.0;
    }
    // Uniform in [low, high).
    double Between(double low, double high) { return low + (high - low) * (Next() + 1.0) * 0.5; }

private:
    uint64_t state_;
};

// A second-order filter (the usual audio-cookbook forms).
class Biquad {
public:
    static Biquad LowPass(double frequency, double q) { return Make(frequency, q, Kind::LowPass); }
    static Biquad HighPass(double frequency, double q) { return Make(frequency, q, Kind::HighPass); }
    static Biquad BandPass(double frequency, double q) { return Make(frequency, q, Kind::BandPass); }

    // Changes the frequency and keeps the filter's memory (for sweeps).
    void Retune(double frequency)
    {
        Biquad tuned = Make(frequency, q_, kind_);
        b0_ = tuned.b0_, b1_ = tuned.b1_, b2_ = tuned.b2_, a1_ = tuned.a1_, a2_ = tuned.a2_;
    }

    double Process(double x)
    {
        const double y = b0_ * x + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
        x2_ = x1_, x1_ = x, y2_ = y1_, y1_ = y;
        return y;
    }

private:
    enum class Kind { LowPass, HighPass, BandPass };

    static Biquad Make(double frequency, double q, Kind kind)
    {
        const double w = 2.0 * kPi * frequency / kRate;
        const double alpha = std::sin(w) / (2.0 * q);
        const double c = std::cos(w);
        double b0 = 0, b1 = 0, b2 = 0;
        switch (kind) {
        case Kind::LowPass: b0 = (1 - c) / 2, b1 = 1 - c, b2 = (1 - c) / 2; break;
        case Kind::HighPass: b0 = (1 + c) / 2, b1 = -(1 + c), b2 = (1 + c) / 2; break;
        case Kind::BandPass: b0 = alpha, b1 = 0, b2 = -alpha; break;
        }
        const double a0 = 1 + alpha;
        Biquad f;
        f.kind_ = kind;
        f.q_ = q;
        f.b0_ = b0 / a0, f.b1_ = b1 / a0, f.b2_ = b2 / a0;
        f.a1_ = -2 * c / a0, f.a2_ = (1 - alpha) / a0;
        return f;
    }

    Kind kind_ = Kind::LowPass;
    double q_ = 0.707;
    double b0_ = 1, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0;
    double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

size_t SampleCount(double seconds) { return static_cast<size_t>(seconds * kRate); }

// A fast attack then an exponential decay with time constant `decay`.
double Strike(double t, double attack, double decay)
{
    if (t < 0) return 0;
    const double rise = t < attack ? t / attack : 1.0;
    return rise * std::exp(-t / decay);
}

void Normalise(Samples& samples, double peak)
{
    double loudest = 0;
    for (const double s : samples) loudest = std::max(loudest, std::fabs(s));
    if (loudest <= 0) return;
    for (double& s : samples) s *= peak / loudest;
}

// Fades the end into the start so the sound loops without a click: the
// result is `length` long and sample length-1 runs on into sample 0.
Samples MakeLoop(const Samples& source, size_t length, size_t fade)
{
    Samples loop(source.begin(), source.begin() + static_cast<std::ptrdiff_t>(length));
    for (size_t i = 0; i < fade; ++i) {
        const double w = static_cast<double>(i) / static_cast<double>(fade);
        const double in = std::sin(0.5 * kPi * w);
        const double out = std::cos(0.5 * kPi * w);
        loop[i] = source[i] * in + source[length + i] * out;
    }
    return loop;
}

// ---------------------------------------------------------------------------
// The four sounds
// ---------------------------------------------------------------------------

// A hard, short click: a high ring over a tiny burst of bright noise.
Samples Click()
{
    Noise noise(0xC11C);
    Biquad bright = Biquad::HighPass(2500, 0.8);
    Samples out(SampleCount(0.06));
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double burst = bright.Process(noise.Next()) * Strike(t, 0.0002, 0.0025);
        const double ring = std::sin(2 * kPi * 3200 * t) * Strike(t, 0.0003, 0.006) +
                            0.5 * std::sin(2 * kPi * 1750 * t) * Strike(t, 0.0003, 0.010);
        out[i] = 0.9 * burst + 0.6 * ring;
    }
    const size_t fade = SampleCount(0.01);
    for (size_t i = 0; i < fade; ++i) out[out.size() - 1 - i] *= static_cast<double>(i) / fade;
    Normalise(out, 0.85);
    return out;
}

// A heavy object landing: a low body whose pitch drops, a dull knock and a little rattle.
Samples Impact()
{
    Noise noise(0x1A9AC7);
    Biquad knock = Biquad::LowPass(1400, 0.7);
    Biquad rattle = Biquad::BandPass(420, 2.0);
    Samples out(SampleCount(0.6));
    double phase = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double pitch = 48 + 62 * std::exp(-t / 0.045);
        phase += 2 * kPi * pitch / kRate;
        const double body = std::sin(phase) * Strike(t, 0.002, 0.13) + 0.35 * std::sin(2.3 * phase) * Strike(t, 0.002, 0.05);
        const double hit = knock.Process(noise.Next()) * Strike(t, 0.0005, 0.016);
        const double buzz = rattle.Process(noise.Next()) * Strike(t, 0.004, 0.08);
        out[i] = body + 0.8 * hit + 0.5 * buzz;
    }
    // The last milliseconds fade to silence so nothing is cut off.
    const size_t fade = SampleCount(0.03);
    for (size_t i = 0; i < fade; ++i) out[out.size() - 1 - i] *= static_cast<double>(i) / fade;
    Normalise(out, 0.9);
    return out;
}

// Something dragged over rough ground: filtered noise whose brightness and
// strength wander with the stick-slip of the contact, with small crackles.
Samples Movement()
{
    Noise noise(0x5C2A9E);
    const size_t length = SampleCount(2.0);
    const size_t fade = SampleCount(0.12);
    Biquad scrape = Biquad::BandPass(900, 0.9);
    Biquad soften = Biquad::LowPass(3200, 0.7);
    Biquad grip = Biquad::LowPass(14, 0.7);     // slow roughness of the contact
    Biquad sweep = Biquad::LowPass(3, 0.7);     // slower drift of the pitch
    Biquad grit = Biquad::BandPass(2600, 3.0);
    Samples raw(length + fade);
    double crackle = 0;
    for (size_t i = 0; i < raw.size(); ++i) {
        const double roughness = std::clamp(0.6 + 6.0 * grip.Process(noise.Next()), 0.2, 1.0);
        const double drift = std::clamp(sweep.Process(noise.Next()) * 40.0, -1.0, 1.0);
        if (i % 32 == 0) scrape.Retune(950 + 300 * drift);
        if (noise.Between(0, 1) < 45.0 / kRate) crackle = noise.Between(0.4, 1.0);  // ~45 grains a second
        crackle *= std::exp(-1.0 / (0.003 * kRate));
        const double body = soften.Process(scrape.Process(noise.Next())) * roughness;
        const double grain = grit.Process(noise.Next()) * crackle;
        raw[i] = body + 1.5 * grain;
    }
    Samples out = MakeLoop(raw, length, fade);
    Normalise(out, 0.8);
    return out;
}

// One footfall on a gravel path: the heel's low thump, the crunch of grit
// under the sole, and the lighter roll onto the toe.
void AddStep(Samples& out, double start, double weight, double heelPitch, Noise& noise)
{
    Biquad crunchLow = Biquad::BandPass(650, 1.2);
    Biquad crunchHigh = Biquad::BandPass(1900, 1.5);
    Biquad dull = Biquad::LowPass(4500, 0.7);  // a shoe on dirt, not a hiss
    struct Grain {
        double time;
        double strength;
    };
    std::vector<Grain> grains;
    for (int g = 0; g < 14; ++g) {
        const double time = 0.004 + noise.Between(0.0, 0.11) * noise.Between(0.3, 1.0);
        grains.push_back({time, noise.Between(0.3, 1.0) * std::exp(-time / 0.06)});
    }
    for (int g = 0; g < 6; ++g) {  // toe contact
        const double time = 0.085 + noise.Between(0.0, 0.05);
        grains.push_back({time, 0.5 * noise.Between(0.3, 1.0)});
    }

    const size_t first = SampleCount(start);
    const size_t count = SampleCount(0.32);
    double phase = 0;
    for (size_t i = 0; i < count && first + i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        phase += 2 * kPi * (heelPitch + 25 * std::exp(-t / 0.02)) / kRate;
        const double thump = std::sin(phase) * Strike(t, 0.003, 0.035);
        double grit = 0;
        for (const Grain& grain : grains) grit += grain.strength * Strike(t - grain.time, 0.0004, 0.005);
        const double crunch = dull.Process(0.7 * crunchLow.Process(noise.Next()) + crunchHigh.Process(noise.Next()));
        out[first + i] += weight * (0.9 * thump + 1.6 * crunch * grit);
    }
}

// Two steps a second, left and right a little different; the loop point lies
// in the quiet between them.
Samples Walking()
{
    Noise noise(0xF007);
    Samples out(SampleCount(1.0));
    AddStep(out, 0.02, 1.0, 78, noise);
    AddStep(out, 0.52, 0.88, 86, noise);
    Normalise(out, 0.85);
    return out;
}

// ---------------------------------------------------------------------------
// WAVE writing
// ---------------------------------------------------------------------------
bool WriteWave(const std::filesystem::path& path, const Samples& samples)
{
    constexpr uint16_t kChannels = 1;
    constexpr uint16_t kBits = 16;
    constexpr uint16_t kBlockAlign = kChannels * kBits / 8;
    const auto dataBytes = static_cast<uint32_t>(samples.size() * kBlockAlign);

    BinaryWriter out;
    out.WriteBytes("RIFF", 4);
    out.WriteU32(4 + (8 + 16) + (8 + dataBytes));
    out.WriteBytes("WAVE", 4);
    out.WriteBytes("fmt ", 4);
    out.WriteU32(16);
    out.WriteU16(1);  // PCM
    out.WriteU16(kChannels);
    out.WriteU32(kRate);
    out.WriteU32(kRate * kBlockAlign);
    out.WriteU16(kBlockAlign);
    out.WriteU16(kBits);
    out.WriteBytes("data", 4);
    out.WriteU32(dataBytes);
    for (const double s : samples)
        out.WriteI16(static_cast<int16_t>(std::lround(std::clamp(s, -1.0, 1.0) * 32767.0)));

    return generator::WriteFileBytes(path, out.Bytes());
}

}  // namespace

int main(int argc, char** argv)
{
    std::filesystem::path folder;
    if (!generator::FolderArgument(argc, argv, "make_sounds <folder>", &folder)) return 2;
    std::error_code error;
    std::filesystem::create_directories(folder, error);

    const struct {
        const char* name;
        Samples samples;
    } sounds[] = {
        {"walking.wav", Walking()},
        {"movement.wav", Movement()},
        {"impact.wav", Impact()},
        {"click.wav", Click()},
    };
    for (const auto& sound : sounds) {
        if (!WriteWave(folder / sound.name, sound.samples)) {
            std::fprintf(stderr, "make_sounds: cannot write %s\n", (folder / sound.name).c_str());
            return 1;
        }
    }
    return 0;
}
