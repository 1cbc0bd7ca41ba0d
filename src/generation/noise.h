// Improved Perlin noise in doubles over the scene's noise table.
#pragma once

// About -1..1; 0 at every integer lattice point.
double PerlinNoise3(double x, double y, double z);
// PerlinNoise3(x, y, 0).
double PerlinNoise2(double x, double y);
