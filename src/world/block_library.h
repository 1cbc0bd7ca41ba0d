// Reading ".bk" block definition files into BlockType records.
//
// A ".bk" file is line-oriented text (lines end at LF, CR LF or CR).
// Single-value keys ("name:", "texture:",
// "shading:", "ambient:" ...) set one field each; section keys ("vertices:",
// "normals:", "triangles:", "textcoord:", "physics:", "simple_animation:",
// "bone_animation:", "vert_weight:") choose where the numbers of the following
// lines go, until a line with "}". Lines that do not fit their section are
// ignored without a message.
//
// This reader is the one place block data is checked: what it accepts can be
// indexed by the mesh, animation and physics code without further tests
// (vertex indices in range, one normal per vertex, at most kMaxBlockVertices
// vertices, animation counts that match the key data, finite numbers).
//
// The CWorld operations built on it (LoadBlocks, ParseBlockFile,
// GetBlockSettings, SetBlockSettings) are declared in world.h and defined in
// block_library.cpp. ParseBlockFile leaves out, with a log line, a file that
// gives a type no name or no mesh (no vertex or no triangle).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "world/block_type.h"

// The mesh code keeps vertex indices in 16 bits.
inline constexpr size_t kMaxBlockVertices = 65535;
// Bounds what one file may cost in memory; the largest mesh the vertex limit
// allows fits well below it.
inline constexpr size_t kMaxBlockFileBytes = size_t{32} << 20;
// Key records (keys x bones) of one animation; every object made from the
// type copies them.
inline constexpr size_t kMaxBlockAnimationKeys = 65536;

// What the reader mended or why it refused a file.
struct BlockFileReport {
    std::string failure;             // empty when the block type was accepted
    int droppedTriangles = 0;        // triangles naming a vertex that does not exist
    int paddedNormals = 0;           // vertices without a normal, given (0, 1, 0)
    int droppedNormals = 0;          // normals beyond the last vertex
    int droppedWeights = 0;          // weights naming a vertex or bone that does not exist
    std::string animationOff;        // the counts that did not match when the animation was switched off

    bool Repaired() const
    {
        return droppedTriangles || paddedNormals || droppedNormals || droppedWeights || !animationOff.empty();
    }
    // "3 triangles with a vertex out of range dropped, ..." or empty.
    std::string RepairText() const;
};

// Parses the text of one ".bk" file into `type`, which the caller has
// Init-ed. True when the block type is usable (possibly mended, see
// `report`); false with report.failure set when it is refused. Never reads
// past `text`; memory use is bounded by the length of `text`. Does not touch
// textures or bounds.
bool ParseBlockText(std::string_view text, BlockType& type, BlockFileReport& report);

// `text` with any characters of `chars` stripped from both ends; empty when
// nothing else is left.
std::string TrimChars(std::string_view text, std::string_view chars);

// The numbers of `text`, left to right, by the pattern
// "[+-]?([0-9]*[.])?[0-9]+" (so "1.5e3" gives "1.5" and "3", ".5" gives ".5"
// and "5." gives "5"). Stores at most `limit` of them in `out` and returns how
// many it stored.
size_t FindBlockNumbers(std::string_view text, std::string_view* out, size_t limit);
