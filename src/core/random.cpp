#include "core/random.h"

#include <cmath>
#include <random>
#include <utility>

namespace {

// The system's cryptographic generator, made once for the process on first use.
std::random_device& ProcessRandomDevice()
{
    static std::random_device device;
    return device;
}

struct TestSeeds {
    bool active = false;
    std::mt19937 source;
};

TestSeeds& Seeds()
{
    static TestSeeds seeds;
    return seeds;
}

uint32_t DrawSeed()
{
    TestSeeds& seeds = Seeds();
    if (seeds.active) return static_cast<uint32_t>(seeds.source());
    return static_cast<uint32_t>(ProcessRandomDevice()());
}

}  // namespace

void SeedRandomForTests(uint32_t seed)
{
    Seeds().active = true;
    Seeds().source.seed(seed);
}

void UnseedRandomForTests()
{
    Seeds().active = false;
}

int RandomInt(int a, int b)
{
    if (a > b) std::swap(a, b);
    std::mt19937 engine(DrawSeed());
    // In unsigned arithmetic the width of the full int range wraps to 0.
    const uint32_t span = static_cast<uint32_t>(b) - static_cast<uint32_t>(a) + 1u;
    if (span == 0) return static_cast<int>(static_cast<uint32_t>(a) + static_cast<uint32_t>(engine()));
    std::uniform_int_distribution<int> distribution(a, b);
    return distribution(engine);
}

double RoundTo(int factor, double value)
{
    if (factor == 0) return value;
    return std::round(value * factor) / factor;
}
