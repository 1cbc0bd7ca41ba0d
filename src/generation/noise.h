// Improved Perlin noise (Ken Perlin's 2002 reference algorithm) in doubles,
// driven by the process-wide noise table.
//
// The 256-entry noise table begins as the reference permutation; random
// entries may replace it (RandomizeNoiseTable, or CScene::RandomizePerlinTable
// while "Randomize Noise" is on). Sampling reads a 512-entry working copy, the
// table written out twice, which only ReloadNoiseWorkingTable refreshes. Each
// generator reloads it just before it samples, so a new table shows from the
// next run on, never in the middle of one.
// Main thread only.
#pragma once

#include <cstdint>

inline constexpr int kNoiseTableSize = 256;

// Roughly within -1..1, and exactly 0 where x, y and z are whole numbers.
// Reads only the working table, so it never allocates.
double PerlinNoise3(double x, double y, double z);
// PerlinNoise3(x, y, 0).
double PerlinNoise2(double x, double y);

// The noise table (kNoiseTableSize entries) as it stands.
const int32_t* NoiseTable();
// Working entries i and i + 256 = noise table entry i.
void ReloadNoiseWorkingTable();
// Every entry of the noise table a new uniform draw in 0..250 (RandomInt:
// a fresh twister per entry). Values may repeat; every index stays inside
// the working table.
void RandomizeNoiseTable();
// The noise table back to Ken Perlin's permutation.
void ResetNoiseTable();
