// The tube-style scene's partition: cutting cells, rooms in the leaves and
// corridors between sibling subtrees.
//
// Index: PointInRect - Init / Split / ChanceOfSplit - CreateRooms - GetRoom /
// HasAnyRoom - ConnectRooms - BuildBspTree
#include "generation/bsp_node.h"

#include <algorithm>
#include <cstdlib>

#include "core/random.h"

namespace {

// A side at least this many times the other is always the one cut.
constexpr float kElongated = 1.25f;
// Both parts of a cut keep at least this much.
constexpr int kSmallestPart = 6;

enum class CutSide { kWidth, kHeight, kRandom };

CutSide ForcedCut(float w, float h)
{
    if (w > h && w / h >= kElongated) return CutSide::kWidth;
    if (h > w && h / w >= kElongated) return CutSide::kHeight;
    return CutSide::kRandom;
}

bool Cuttable(float side) { return !(side - kSmallestPart < kSmallestPart); }

}  // namespace

bool PointInRect(const FloatRect& rect, float px, float py)
{
    return rect.x <= px && px <= rect.x + rect.w && rect.y <= py && py <= rect.y + rect.h;
}

// ---------------------------------------------------------------------------
// Init, Split
// ---------------------------------------------------------------------------
void BspNode::Init(float cellX, float cellY, float cellW, float cellH)
{
    left.reset();
    right.reset();
    x = cellX;
    y = cellY;
    w = cellW;
    h = cellH;
    roomX = roomY = roomW = roomH = 0.0f;
    name.clear();
    hasRoom = 0;
    connected = 0;
    corridors.clear();
    room.reset();
}

bool BspNode::Split()
{
    if (!IsLeaf()) return false;
    CutSide side = ForcedCut(w, h);
    if (side == CutSide::kRandom) side = RandomInt(0, 10) >= 5 ? CutSide::kWidth : CutSide::kHeight;
    const float cut = side == CutSide::kWidth ? w : h;
    if (!Cuttable(cut)) return false;
    const int d = RandomInt(kSmallestPart, static_cast<int>(cut - kSmallestPart));

    left = std::make_unique<BspNode>();
    right = std::make_unique<BspNode>();
    if (side == CutSide::kWidth) {
        left->Init(x, y, static_cast<float>(d), h);
        right->Init(x + d, y, w - d, h);
    } else {
        left->Init(x, y, w, static_cast<float>(d));
        right->Init(x, y + d, w, h - d);
    }
    return true;
}

BspNode::SplitChance BspNode::ChanceOfSplit() const
{
    if (!IsLeaf()) return SplitChance::kNever;
    switch (ForcedCut(w, h)) {
    case CutSide::kWidth:
        return Cuttable(w) ? SplitChance::kAlways : SplitChance::kNever;
    case CutSide::kHeight:
        return Cuttable(h) ? SplitChance::kAlways : SplitChance::kNever;
    default:
        break;
    }
    const bool width = Cuttable(w), height = Cuttable(h);
    if (width && height) return SplitChance::kAlways;
    return width || height ? SplitChance::kMaybe : SplitChance::kNever;
}

// ---------------------------------------------------------------------------
// CreateRooms, GetRoom
// ---------------------------------------------------------------------------
void BspNode::CreateRooms()
{
    if (left) {
        left->CreateRooms();
    } else if (!right) {
        // A leaf: a room of at least 3 x 3 that keeps a unit of the cell free
        // on its low sides.
        roomW = static_cast<float>(RandomInt(3, std::max(3, static_cast<int>(w - 2))));
        roomH = static_cast<float>(RandomInt(3, std::max(3, static_cast<int>(h - 2))));
        roomX = x + RandomInt(1, std::max(1, static_cast<int>(w - roomW - 1)));
        roomY = y + RandomInt(1, std::max(1, static_cast<int>(h - roomH - 1)));
        hasRoom = 1;
        room = std::make_unique<RoomRecord>();
        room->rect = FloatRect{roomX, roomY, roomW, roomH};
        return;
    }
    if (right) right->CreateRooms();
    ConnectRooms(left.get(), right.get());
}

const RoomRecord* BspNode::GetRoom() const
{
    if (room) return room.get();
    if (IsLeaf()) return nullptr;
    // The left subtree's random room when the right has none, else the left
    // one for 5 draws of 11 when it has one, else the right one. Only the
    // chosen side draws its room: the sides' draws are independent of each
    // other and of the choice, so this picks as drawing both would, with
    // draws along one path instead of over the whole subtree.
    const bool leftHas = left && left->HasAnyRoom();
    const bool rightHas = right && right->HasAnyRoom();
    if (!rightHas) return leftHas ? left->GetRoom() : nullptr;
    if (leftHas && RandomInt(0, 10) < 5) return left->GetRoom();
    return right->GetRoom();
}

bool BspNode::HasAnyRoom() const
{
    if (room) return true;
    return (left && left->HasAnyRoom()) || (right && right->HasAnyRoom());
}

// ---------------------------------------------------------------------------
// ConnectRooms
// ---------------------------------------------------------------------------
void BspNode::ConnectRooms(BspNode* a, BspNode* b)
{
    if (!a || !b || connected) return;
    const RoomRecord* first = a->GetRoom();
    const RoomRecord* second = b->GetRoom();
    if (!first || !second) return;
    const FloatRect& p = first->rect;
    const FloatRect& q = second->rect;

    // One point inside each room, a unit away from its low sides.
    const int x1 = RandomInt(static_cast<int>(p.x + 1), static_cast<int>(p.x + p.w - 1));
    const int y1 = RandomInt(static_cast<int>(p.y + 1), static_cast<int>(p.y + p.h - 1));
    const int x2 = RandomInt(static_cast<int>(q.x + 1), static_cast<int>(q.x + q.w - 1));
    const int y2 = RandomInt(static_cast<int>(q.y + 1), static_cast<int>(q.y + q.h - 1));
    connected = 1;

    const int dx = x2 - x1;
    const int dy = y2 - y1;
    const float lowX = static_cast<float>(std::min(x1, x2));
    const float lowY = static_cast<float>(std::min(y1, y2));
    const float spanX = static_cast<float>(std::abs(dx));
    const float spanY = static_cast<float>(std::abs(dy));
    const bool horizontal = x1 != x2;  // a horizontal corridor has a length
    const bool vertical = y1 != y2;

    // The two corners of the L through the points: A = (x2, y1), B = (x1, y2).
    const bool aInP = PointInRect(p, x2, y1), aInQ = PointInRect(q, x2, y1);
    const bool bInP = PointInRect(p, x1, y2), bInQ = PointInRect(q, x1, y2);
    if (!aInP) {
        if (aInQ) {
            if (horizontal) corridors.push_back({lowX, float(y1), spanX, 1.0f});
        } else if (horizontal) {
            corridors.push_back({lowX, float(y1), spanX + 1.0f, 1.0f});
            if (vertical) corridors.push_back({float(x2), lowY, 1.0f, spanY});
        }
    } else if (!bInP) {
        if (bInQ) {
            if (vertical) corridors.push_back({float(x1), lowY, 1.0f, spanY});
        } else if (horizontal) {
            corridors.push_back({lowX, float(y2), spanX + 1.0f, 1.0f});
            if (vertical) corridors.push_back({float(x1), lowY, 1.0f, spanY});
        }
    } else if (!aInQ) {
        if (vertical) corridors.push_back({float(x2), lowY, 1.0f, spanY});
    }
    // The one-cell corridor near the level's corner, for a pair of points
    // that rises in both directions.
    if (dx > 0 && dy > 0) corridors.push_back({1.0f, 1.0f, 1.0f, 1.0f});
}

// ---------------------------------------------------------------------------
// BuildBspTree
// ---------------------------------------------------------------------------
BspTree BuildBspTree(float side, float maxLeafSize)
{
    BspTree tree;
    tree.root = std::make_unique<BspNode>();
    tree.root->Init(0.0f, 0.0f, side, side);
    tree.nodes.push_back(tree.root.get());

    // Every scan starts again from the front of the list. Nodes at the front
    // that can never be cut again (inner nodes, small leaves, leaves with no
    // side left to cut) would only be passed over, so the scan starts after
    // them; a leaf whose random side choice may fail stays in the scan.
    size_t firstLive = 0;
    for (bool cut = true; cut;) {
        cut = false;
        for (size_t i = firstLive; i < tree.nodes.size(); ++i) {
            BspNode* node = tree.nodes[i];
            const bool large = node->w > maxLeafSize || node->h > maxLeafSize;
            const BspNode::SplitChance chance = large ? node->ChanceOfSplit() : BspNode::SplitChance::kNever;
            if (chance == BspNode::SplitChance::kNever) {
                if (i == firstLive) ++firstLive;
                continue;
            }
            if (node->Split()) {
                tree.nodes.push_back(node->left.get());
                tree.nodes.push_back(node->right.get());
                cut = true;
                break;
            }
        }
    }
    tree.root->CreateRooms();
    return tree;
}
