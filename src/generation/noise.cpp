// Improved Perlin noise over the process-wide noise table, and the table's
// reloading and randomising.
#include "generation/noise.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "core/random.h"

namespace {

// The permutation printed with Perlin's improved noise, each of 0..255 once.
constexpr int32_t kPerlinPermutation[kNoiseTableSize] = {
    151, 160, 137, 91,  90,  15,  131, 13,  201, 95,  96,  53,  194, 233, 7,   225, 140, 36,  103, 30,  69,  142,
    8,   99,  37,  240, 21,  10,  23,  190, 6,   148, 247, 120, 234, 75,  0,   26,  197, 62,  94,  252, 219, 203,
    117, 35,  11,  32,  57,  177, 33,  88,  237, 149, 56,  87,  174, 20,  125, 136, 171, 168, 68,  175, 74,  165,
    71,  134, 139, 48,  27,  166, 77,  146, 158, 231, 83,  111, 229, 122, 60,  211, 133, 230, 220, 105, 92,  41,
    55,  46,  245, 40,  244, 102, 143, 54,  65,  25,  63,  161, 1,   216, 80,  73,  209, 76,  132, 187, 208, 89,
    18,  169, 200, 196, 135, 130, 116, 188, 159, 86,  164, 100, 109, 198, 173, 186, 3,   64,  52,  217, 226, 250,
    124, 123, 5,   202, 38,  147, 118, 126, 255, 82,  85,  212, 207, 206, 59,  227, 47,  16,  58,  17,  182, 189,
    28,  42,  223, 183, 170, 213, 119, 248, 152, 2,   44,  154, 163, 70,  221, 153, 101, 155, 167, 43,  172, 9,
    129, 22,  39,  253, 19,  98,  108, 110, 79,  113, 224, 232, 178, 185, 112, 104, 218, 246, 97,  228, 251, 34,
    242, 193, 238, 210, 144, 12,  191, 179, 162, 241, 81,  51,  145, 235, 249, 14,  239, 107, 49,  192, 214, 31,
    181, 199, 106, 157, 184, 84,  204, 176, 115, 121, 50,  45,  127, 4,   150, 254, 138, 236, 205, 93,  222, 114,
    67,  29,  24,  72,  243, 141, 128, 195, 78,  66,  215, 61,  156, 180};

// The largest value a randomised entry takes (251 values, 0..250).
constexpr int kRandomEntryMax = 250;

struct NoiseTables {
    int32_t table[kNoiseTableSize];
    int32_t working[2 * kNoiseTableSize];

    NoiseTables()
    {
        std::copy(std::begin(kPerlinPermutation), std::end(kPerlinPermutation), table);
        Reload();
    }
    void Reload()
    {
        for (int i = 0; i < kNoiseTableSize; ++i) working[i] = working[i + kNoiseTableSize] = table[i];
    }
};

NoiseTables& Tables()
{
    static NoiseTables tables;
    return tables;
}

double Fade(double t) { return t * t * t * (t * (t * 6.0 - 15.0) + 10.0); }

double Lerp(double t, double a, double b) { return a + t * (b - a); }

double Grad(int32_t hash, double x, double y, double z)
{
    const int h = hash & 15;
    const double a = h < 8 ? x : y;
    const double b = h < 4 ? y : (h == 12 || h == 14 ? x : z);
    return ((h & 1) == 0 ? a : -a) + ((h & 2) == 0 ? b : -b);
}

// The lattice cell of a coordinate, wrapped to 0..255 (negative ones too).
int Cell(double floored)
{
    // fmod of a whole number is exact, and unlike a cast it is defined for
    // every finite magnitude.
    double cell = std::fmod(floored, 256.0);
    if (cell < 0.0) cell += 256.0;
    return static_cast<int>(cell) & 255;
}

// A table value plus an offset as an index into the working table. With the
// published or a randomised table every sum stays below 512; the mask only
// keeps a table written by other means from reading outside.
int Index(int32_t value) { return value & (2 * kNoiseTableSize - 1); }

}  // namespace

double PerlinNoise3(double x, double y, double z)
{
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) return 0.0;
    const int32_t* p = Tables().working;
    const double fx = std::floor(x), fy = std::floor(y), fz = std::floor(z);
    const int X = Cell(fx), Y = Cell(fy), Z = Cell(fz);
    x -= fx;
    y -= fy;
    z -= fz;
    const double u = Fade(x), v = Fade(y), w = Fade(z);
    const int A = Index(p[X] + Y), AA = Index(p[A] + Z), AB = Index(p[A + 1] + Z);
    const int B = Index(p[X + 1] + Y), BA = Index(p[B] + Z), BB = Index(p[B + 1] + Z);
    return Lerp(w,
                Lerp(v, Lerp(u, Grad(p[AA], x, y, z), Grad(p[BA], x - 1, y, z)),
                     Lerp(u, Grad(p[AB], x, y - 1, z), Grad(p[BB], x - 1, y - 1, z))),
                Lerp(v, Lerp(u, Grad(p[Index(AA + 1)], x, y, z - 1), Grad(p[Index(BA + 1)], x - 1, y, z - 1)),
                     Lerp(u, Grad(p[Index(AB + 1)], x, y - 1, z - 1), Grad(p[Index(BB + 1)], x - 1, y - 1, z - 1))));
}

double PerlinNoise2(double x, double y)
{
    return PerlinNoise3(x, y, 0.0);
}

const int32_t* NoiseTable()
{
    return Tables().table;
}

void ReloadNoiseWorkingTable()
{
    Tables().Reload();
}

void RandomizeNoiseTable()
{
    for (int32_t& entry : Tables().table) entry = RandomInt(0, kRandomEntryMax);
}

void ResetNoiseTable()
{
    std::copy(std::begin(kPerlinPermutation), std::end(kPerlinPermutation), Tables().table);
}
