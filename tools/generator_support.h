// What the build-time data generators share: their one folder argument,
// writing a whole file, pi, and a small double-precision 3-vector.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

namespace generator {

constexpr double kPi = 3.14159265358979323846;

// The single argument every generator takes. False (after the usage line on
// stderr) for any other call; main then exits with 2.
inline bool FolderArgument(int argc, char** argv, const char* usage, std::filesystem::path* folder)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s\n", usage);
        return false;
    }
    *folder = argv[1];
    return true;
}

// Writes `size` bytes as the whole file; false when any of it could not be written.
inline bool WriteFileBytes(const std::filesystem::path& path, const void* data, size_t size)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    return static_cast<bool>(file);
}

inline bool WriteFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    return WriteFileBytes(path, bytes.data(), bytes.size());
}

struct V3 {
    double x = 0, y = 0, z = 0;
};
inline V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline V3 operator*(V3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline double Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline V3 Cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
// A zero vector stays zero rather than turning into NaN.
inline V3 Normalised(V3 a)
{
    const double length = std::sqrt(Dot(a, a));
    return length > 0 ? a * (1.0 / length) : a;
}

}  // namespace generator
