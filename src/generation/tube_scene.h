// The tube-style scene's pieces under CScene::GenerateTubeScene: naming the
// rooms, laying the boxes of rooms, pillars and corridors, and the sectors
// over what was laid.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/vector3.h"
#include "generation/bsp_node.h"

class CNBObject;
class CScene;
struct BlockType;

// The dialog's ranges, enforced again by the generator.
inline constexpr float kTubeWorldSizeMax = 500.0f;
inline constexpr float kTubeLeafSizeMin = 10.0f;
inline constexpr float kTubeLeafSizeMax = 100.0f;
inline constexpr float kTubeLeafSizeDefault = 25.0f;  // for a size that is no number
inline constexpr float kTubeRoomHeight = 20.5f;
inline constexpr float kTubeUpperRoomHeight = 40.5f;
// A corridor cell closer than this (squared) to a box already laid is skipped.
inline constexpr float kTubeDuplicateDistanceSquared = 0.1f;
// Sectors appended per side at most.
inline constexpr int kTubeMostSectorsPerSide = 64;

// Gives each named-less child with a room the colour at counter mod 7 of the
// room table, visiting every node of the first tree, then of the second (may
// be null), in list order; siblings named together share a colour.
void NameRooms(BspTree& level1, BspTree* level2);

// Positions laid so far, bucketed by unit cell, so the duplicate test looks at
// the 27 cells around a point instead of at every box. The cells sit in one
// open-addressed table, each naming the last position laid in it, and each
// position the one laid before it in its cell: no allocation per cell.
class BoxPositionIndex {
public:
    // Room for `positions` positions in all, so adding up to that many
    // neither moves the positions nor rebuilds the cell table.
    void Reserve(size_t positions);
    void Add(const Vector3& position);
    // True when a position added so far lies strictly closer than the square
    // root of kTubeDuplicateDistanceSquared.
    bool HasNear(const Vector3& position) const;

private:
    static constexpr uint32_t kNone = 0xFFFFFFFFu;
    struct Cell {
        uint64_t key = 0;
        uint32_t last = kNone;  // kNone: the slot is free
    };
    struct Entry {
        Vector3 position;
        uint32_t previous = kNone;  // the one laid before it in its cell
    };

    static uint64_t Key(int64_t cx, int64_t cy, int64_t cz);
    // The slot of `key`: its cell, or the free slot where it would go.
    size_t Slot(uint64_t key) const;
    void Grow();
    // The cells again in a table of `size` slots (a power of two).
    void Rehash(size_t size);

    std::vector<Cell> cells_;  // a power of two long, at most half full
    size_t used_ = 0;
    std::vector<Entry> entries_;
};

// Lays the boxes of one run into the scene's world. The caller sets the
// scale and the physics switch for the run.
class TubeSceneBuilder {
public:
    explicit TubeSceneBuilder(CScene& scene) : scene_(scene) {}

    // Makes room for the boxes LayRooms and LayCorridors lay for `tree` at
    // most (every room cell, pillar and corridor cell), so the lists of laid
    // boxes and the world's objects grow without moving. Call it for each
    // tree before laying any.
    void ReserveFor(const BspTree& tree, bool pillars);

    // A box of the named block type at `at`, remembered for the duplicate
    // test and the sectors; null (nothing laid) when the block type is
    // missing or the object cannot be made.
    CNBObject* MakeBox(const std::u16string& typeName, const Vector3& at);
    // A platform of boxes over every named leaf's room at `height`, the room's
    // corner at (originX + room x, originZ + room y); with pillars, 20 boxes
    // under each room's centre down to 0.5.
    void LayRooms(const BspTree& tree, float originX, float originZ, float height, bool pillars);
    // Every corridor cell of every node, alternating "BoxGreen" and "BoxWhite"
    // along each corridor; cells where a box already stands are skipped.
    void LayCorridors(const BspTree& tree, float originX, float originZ, float height);
    // Square grid of new sectors centred on the origin over the laid boxes'
    // extent; nothing when no box was laid.
    void AppendSectors();

    const std::vector<CNBObject*>& Boxes() const { return boxes_; }

private:
    BlockType* TypeNamed(const std::u16string& name);

    CScene& scene_;
    size_t mostBoxes_ = 0;
    std::vector<CNBObject*> boxes_;
    BoxPositionIndex laid_;
    std::unordered_map<std::u16string, BlockType*> types_;
};
