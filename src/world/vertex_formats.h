// The vertex-format codes every mesh carries, one per render-set slot, and
// what each code means for the vertices a render set holds: the vertex size,
// which texture-coordinate sets fill the uv slots, and whether a tangent
// stream goes with it. The renderer reads "slot -> code" and "code -> layout"
// from here; meshes build their render sets from the same answers.
#pragma once

#include <cstdint>

#include "graphics/render_set.h"

inline constexpr int kVertexFormatSlots = 387;

// Bits of a code.
inline constexpr VertexFormat kFormatBase = 0x1;       // set in every code of the table
inline constexpr VertexFormat kFormatTexSet1 = 0x2;    // each adds one uv pair to the vertex
inline constexpr VertexFormat kFormatTexSet2 = 0x4;
inline constexpr VertexFormat kFormatTexSet3 = 0x8;
inline constexpr VertexFormat kFormatTexSet4 = 0x80;
inline constexpr VertexFormat kFormatVariantMask = 0x700;  // material variant 0-5 in bits 8-10
inline constexpr VertexFormat kFormatStandard = 0x1000;
inline constexpr VertexFormat kFormatSkinned = 0x800;      // input layouts only, never a mesh code
inline constexpr VertexFormat kFormatSpecial = 0x40000000;

// The material variants the block definitions name.
inline constexpr VertexFormat kFormatNormal = 0x1001;
inline constexpr VertexFormat kFormatMask = 0x1201;
inline constexpr VertexFormat kFormatGlass = 0x1401;

// The code of a slot (0..386); 0 for the unassigned slots and outside the table.
VertexFormat VertexFormatOfSlot(int slot);
// The slot holding `code`, or -1. Code 0 answers -1: it fills the 157
// unassigned slots, kFirstUnassignedSlot up to kLastUnassignedSlot.
int SlotOfVertexFormat(VertexFormat code);
inline constexpr int kFirstUnassignedSlot = 218;
inline constexpr int kLastUnassignedSlot = 374;

// How the vertices of one code are laid out.
struct VertexLayout {
    int vertexBytes = 0;          // 32, 40, 48 or 56; 0: no vertex array is built
    int uvSlots = 0;              // uv pairs in the vertex (0 when there is no vertex array)
    int uvSets[4] = {0, 0, 0, 0}; // texture set read into uv0..uv3 (uv0 is always set 0)
    bool tangents = false;        // a tangent stream (one Vector3 per vertex) goes with it
};

// The layout of a code; codes outside the table have no vertex array.
VertexLayout VertexLayoutOf(VertexFormat code);
