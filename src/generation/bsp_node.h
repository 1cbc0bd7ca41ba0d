// BspNode: one cell of the binary space partition behind the tube-style
// scene. A square is cut into leaves; each leaf gets a random room, and every
// inner node joins a room of its left subtree to a room of its right subtree
// with straight or L-shaped corridors one unit wide. All sizes are partition
// units, and a node's y runs along the world's z axis.
//
// A node owns its children and its room record; the tree lives for one
// generation run.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct FloatRect {
    float x = 0.0f;
    float y = 0.0f;
    float w = 0.0f;
    float h = 0.0f;
};

// The room of a leaf: its rectangle and three further values, always 0.
struct RoomRecord {
    FloatRect rect;
    float reserved[3] = {};
};

// Whether (px, py) lies in the rectangle; a point on its edge counts as inside.
bool PointInRect(const FloatRect& rect, float px, float py);

// The smallest cell side that can still be cut: both halves keep 6 units.
inline constexpr float kSmallestCuttableSide = 12.0f;

struct BspNode {
    // The cell; children, room, name, flags and corridors cleared.
    void Init(float x, float y, float w, float h);
    bool IsLeaf() const { return !left && !right; }

    // Cuts a leaf in two along its longer side (a side at least 1.25 times
    // the other), else along a random one; the cut keeps at least 6 units on
    // both sides. False for an inner node or a side below 12.
    bool Split();
    // Whether Split can succeed, may succeed, or can never succeed for a leaf
    // of this size (the random side choice makes the middle case).
    enum class SplitChance { kNever, kMaybe, kAlways };
    SplitChance ChanceOfSplit() const;

    // A random room in every leaf of the subtree; then every inner node joins
    // its two subtrees (ConnectRooms).
    void CreateRooms();
    // Joins a room of subtree a to a room of subtree b with corridors kept in
    // this node; once per node. Nothing when either has no room.
    void ConnectRooms(BspNode* a, BspNode* b);
    // A leaf's room, or a random room of the subtree (left or right about
    // evenly), or null.
    const RoomRecord* GetRoom() const;
    // Whether any leaf of the subtree has its room.
    bool HasAnyRoom() const;

    std::unique_ptr<BspNode> left;
    std::unique_ptr<BspNode> right;
    float x = 0.0f;
    float y = 0.0f;
    float w = 0.0f;
    float h = 0.0f;
    float roomX = 0.0f;
    float roomY = 0.0f;
    float roomW = 0.0f;
    float roomH = 0.0f;
    std::u16string name;             // block type for the room; an empty name lays no boxes
    uint8_t hasRoom = 0;
    uint8_t connected = 0;
    std::vector<FloatRect> corridors;
    std::unique_ptr<RoomRecord> room;  // leaves only
};

// One partition level: the root and every node made from it, in the order
// the nodes were made (root first, then each cut's left and right child).
struct BspTree {
    std::unique_ptr<BspNode> root;
    std::vector<BspNode*> nodes;  // borrowed from root's subtree
};

// Cuts the square (0, 0, side, side) until no leaf larger than maxLeafSize
// in either direction is cut any more, then makes the rooms and corridors.
// The scan restarts from the first node after every cut and stops after a
// scan without one.
BspTree BuildBspTree(float side, float maxLeafSize);
