#include "generation/noise.h"

double PerlinNoise3(double /*x*/, double /*y*/, double /*z*/)
{
    // TODO(generation)
    return 0.0;
}

double PerlinNoise2(double x, double y)
{
    return PerlinNoise3(x, y, 0.0);
}
