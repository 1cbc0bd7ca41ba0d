// Random integers and rounding to a grid.
#pragma once

#include <cstdint>

// A uniform int in [a, b] (the bounds are swapped when a > b). Every call seeds
// a fresh Mersenne Twister from the process-wide random device, so calls are
// independent of each other.
int RandomInt(int a, int b);

// round(value x factor) / factor, halves rounded away from zero: the nearest
// multiple of 1 / factor. A factor of 0 gives the value unchanged.
double RoundTo(int factor, double value);

// Test hook: from now on the per-call seeds come from one std::mt19937 seeded
// with `seed` instead of the random device, so a sequence of draws repeats.
void SeedRandomForTests(uint32_t seed);
// Back to the random device.
void UnseedRandomForTests();
