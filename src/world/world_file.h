// The world file (".vsk"): everything a world needs in one binary file —
// its sectors, each object and its parts' meshes, the lines, QuickBar
// names, scene options (camera block and key table included), BlockSettings
// records and the sun angles.
// Every field is little-endian with its own width, in a fixed order, with no
// directory, lengths or checksum; reader and writer agree field for field.
//
// CWorld::SaveWorldFile and CWorld::LoadWorldFile (world_file.cpp) work on
// paths; the functions below work on a file image in memory or on an open
// file, for the fuzz targets, the tests and the benchmark.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CWorld;
class WorldFileBytes;

// The 12 bytes every world file starts with: the text and its NUL.
inline constexpr char kWorldFileMagic[] = "vesk_v0.004";
inline constexpr size_t kWorldFileMagicBytes = sizeof(kWorldFileMagic);
static_assert(kWorldFileMagicBytes == 12);

// Strings are read into 260-unit buffers; longer ones are cut to this many
// units when written and when read.
inline constexpr size_t kWorldFileStringLimit = 259;

// Appends the file image of `world` to `out`.
void WriteWorldData(const CWorld& world, std::vector<uint8_t>& out);

// Reads a file image into a freshly constructed world, appending its objects,
// lines, QuickBar names and BlockSettings. 1 when the image was read
// completely; 0 (with a log line) at the first fault, keeping in the world
// every complete record read before it.
int ReadWorldData(CWorld& world, const uint8_t* data, size_t size);
// The same through `in`, as CWorld::LoadWorldFile reads an open file.
int ReadWorldBytes(CWorld& world, WorldFileBytes& in);

// Why the last CWorld::LoadWorldFile or CWorld::SaveWorldFile failed, in
// words for the user: the system's own error text ("Permission denied", "No
// such file or directory"), or that the file is damaged (it is no world file,
// or stops or goes wrong before its end). Empty after a success.
const std::string& WorldFileProblem();
