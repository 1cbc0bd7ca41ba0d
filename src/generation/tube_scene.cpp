// The tube-style scene: raised rooms of coloured boxes on pillars, joined by
// corridors of alternating green and white boxes, over a square cut by a
// binary space partition; optionally a smaller second level beside the first
// and a ground below.
//
// Index: NameRooms - BoxPositionIndex - TubeSceneBuilder (MakeBox, LayRooms,
// LayCorridors, AppendSectors) - CScene::GenerateTubeScene
#include "generation/tube_scene.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <new>

#include "scene/scene.h"
#include "world/block_type.h"
#include "world/object.h"
#include "world/sector.h"
#include "world/world.h"

namespace {

// The rooms' colours by a running counter ("BoxRed" stands twice).
const char16_t* const kRoomTypeNames[] = {u"BoxRed",   u"BoxDark",  u"BoxBlue",  u"BoxGreen",
                                          u"BoxRed",   u"BoxWhite", u"BoxYellow"};
constexpr int kRoomTypeCount = static_cast<int>(sizeof(kRoomTypeNames) / sizeof(kRoomTypeNames[0]));
const std::u16string kCorridorEven = u"BoxGreen";
const std::u16string kCorridorOdd = u"BoxWhite";

constexpr int kPillarBoxes = 20;
constexpr float kPillarTop = 19.5f;
constexpr float kSectorSpacing = 100.0f;
// The ground is this much wider than the partition; its tiles this large.
constexpr float kGroundScale = 1.2f;
constexpr float kGroundTileSize = 50.0f;

bool NameChild(BspNode* child, int counter)
{
    if (!child || !child->hasRoom || !child->name.empty()) return false;
    child->name = kRoomTypeNames[counter % kRoomTypeCount];
    return true;
}

void NameTree(BspTree& tree, int& counter)
{
    for (BspNode* node : tree.nodes) {
        const bool left = NameChild(node->left.get(), counter);
        const bool right = NameChild(node->right.get(), counter);
        if (left || right) ++counter;
    }
}

int64_t CellOf(float v) { return static_cast<int64_t>(std::floor(v)); }

}  // namespace

void NameRooms(BspTree& level1, BspTree* level2)
{
    int counter = 0;
    NameTree(level1, counter);
    if (level2) NameTree(*level2, counter);
}

// ---------------------------------------------------------------------------
// BoxPositionIndex
// ---------------------------------------------------------------------------
uint64_t BoxPositionIndex::Key(int64_t cx, int64_t cy, int64_t cz)
{
    // 21 bits per axis: the scene's coordinates stay far inside +/-2^20.
    const auto part = [](int64_t v) { return static_cast<uint64_t>(v) & 0x1FFFFFu; };
    return part(cx) | part(cy) << 21 | part(cz) << 42;
}

size_t BoxPositionIndex::Slot(uint64_t key) const
{
    const size_t mask = cells_.size() - 1;
    // The top bits of the product, which every bit of the key reaches (the
    // bits below the top miss the higher axes' bits altogether).
    const int shift = std::countl_zero(static_cast<uint64_t>(mask));
    size_t slot = static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> shift) & mask;
    while (cells_[slot].last != kNone && cells_[slot].key != key) slot = (slot + 1) & mask;
    return slot;
}

void BoxPositionIndex::Grow() { Rehash(cells_.empty() ? 1024 : 2 * cells_.size()); }

void BoxPositionIndex::Rehash(size_t size)
{
    std::vector<Cell> old(size);
    old.swap(cells_);
    for (const Cell& cell : old)
        if (cell.last != kNone) cells_[Slot(cell.key)] = cell;
}

void BoxPositionIndex::Reserve(size_t positions)
{
    entries_.reserve(positions);
    // Each position adds a cell at most, and Add keeps the table at most half full.
    size_t size = cells_.empty() ? 1024 : cells_.size();
    while (size < 2 * positions) size *= 2;
    if (size > cells_.size()) Rehash(size);
}

void BoxPositionIndex::Add(const Vector3& position)
{
    if (2 * (used_ + 1) > cells_.size()) Grow();
    const uint64_t key = Key(CellOf(position.x), CellOf(position.y), CellOf(position.z));
    Cell& cell = cells_[Slot(key)];
    if (cell.last == kNone) ++used_;
    cell.key = key;
    entries_.push_back(Entry{position, cell.last});
    cell.last = static_cast<uint32_t>(entries_.size() - 1);
}

bool BoxPositionIndex::HasNear(const Vector3& position) const
{
    if (cells_.empty()) return false;
    // The reach (about 0.32) is below a cell's side, so along each axis a
    // candidate lies in the cells the reach around the position touches: one
    // or two, not always three. The small margin keeps rounding in the
    // subtraction from leaving out a candidate on a cell's edge.
    const float reach = std::sqrt(kTubeDuplicateDistanceSquared) + 0.01f;
    const int64_t x0 = CellOf(position.x - reach), x1 = CellOf(position.x + reach);
    const int64_t y0 = CellOf(position.y - reach), y1 = CellOf(position.y + reach);
    const int64_t z0 = CellOf(position.z - reach), z1 = CellOf(position.z + reach);
    for (int64_t i = x0; i <= x1; ++i)
        for (int64_t j = y0; j <= y1; ++j)
            for (int64_t k = z0; k <= z1; ++k) {
                for (uint32_t at = cells_[Slot(Key(i, j, k))].last; at != kNone; at = entries_[at].previous) {
                    const Vector3& p = entries_[at].position;
                    const float dx = p.x - position.x, dy = p.y - position.y, dz = p.z - position.z;
                    if (dx * dx + dy * dy + dz * dz < kTubeDuplicateDistanceSquared) return true;
                }
            }
    return false;
}

// ---------------------------------------------------------------------------
// TubeSceneBuilder
// ---------------------------------------------------------------------------
BlockType* TubeSceneBuilder::TypeNamed(const std::u16string& name)
{
    const auto found = types_.find(name);
    if (found != types_.end()) return found->second;
    BlockType* type = scene_.world ? scene_.world->FindBlockType(name.c_str()) : nullptr;
    types_.emplace(name, type);
    return type;
}

void TubeSceneBuilder::ReserveFor(const BspTree& tree, bool pillars)
{
    // The counts as LayRooms and LayCorridors take them.
    for (const BspNode* node : tree.nodes) {
        if (node->IsLeaf() && node->hasRoom && !node->name.empty())
            mostBoxes_ += static_cast<size_t>(std::max(static_cast<int>(node->roomH), 0)) *
                              static_cast<size_t>(std::max(static_cast<int>(node->roomW), 0)) +
                          (pillars ? kPillarBoxes : 0);
        for (const FloatRect& corridor : node->corridors)
            mostBoxes_ += static_cast<size_t>(std::max(static_cast<int>(corridor.h), 0)) *
                          static_cast<size_t>(std::max(static_cast<int>(corridor.w), 0));
    }
    boxes_.reserve(mostBoxes_);
    laid_.Reserve(mostBoxes_);
    if (scene_.world) scene_.world->objects.reserve(scene_.world->objects.size() + mostBoxes_);
}

CNBObject* TubeSceneBuilder::MakeBox(const std::u16string& typeName, const Vector3& at)
{
    BlockType* type = TypeNamed(typeName);
    if (!type) return nullptr;
    CNBObject* box = scene_.CreateObjectFromBlockType(type, 1, 1, at.x, at.y, at.z, 0.0f, 0.0f, 0.0f);
    if (!box) return nullptr;
    boxes_.push_back(box);
    laid_.Add(at);
    return box;
}

void TubeSceneBuilder::LayRooms(const BspTree& tree, float originX, float originZ, float height, bool pillars)
{
    for (const BspNode* node : tree.nodes) {
        if (!node->IsLeaf() || !node->hasRoom || node->name.empty()) continue;
        const int rows = static_cast<int>(node->roomH);
        const int columns = static_cast<int>(node->roomW);
        for (int row = 0; row < rows; ++row)
            for (int column = 0; column < columns; ++column)
                MakeBox(node->name, Vector3{originX + node->roomX + column, height, originZ + node->roomY + row});
        if (!pillars) continue;
        const float centreX = originX + node->roomX + node->roomW / 2;
        const float centreZ = originZ + node->roomY + node->roomH / 2;
        for (int i = 0; i < kPillarBoxes; ++i) MakeBox(node->name, Vector3{centreX, kPillarTop - i, centreZ});
    }
}

void TubeSceneBuilder::LayCorridors(const BspTree& tree, float originX, float originZ, float height)
{
    for (const BspNode* node : tree.nodes) {
        for (const FloatRect& corridor : node->corridors) {
            const int rows = static_cast<int>(corridor.h);
            const int columns = static_cast<int>(corridor.w);
            int cell = 0;
            for (int row = 0; row < rows; ++row) {
                for (int column = 0; column < columns; ++column, ++cell) {
                    const Vector3 at{originX + corridor.x + column, height, originZ + corridor.y + row};
                    if (laid_.HasNear(at)) continue;
                    MakeBox(cell % 2 == 0 ? kCorridorEven : kCorridorOdd, at);
                }
            }
        }
    }
}

void TubeSceneBuilder::AppendSectors()
{
    CWorld* world = scene_.world;
    // No box, no extent: nothing to cover.
    if (!world || boxes_.empty()) return;
    constexpr float kFar = std::numeric_limits<float>::max();
    Vector3 low{kFar, kFar, kFar}, high{-kFar, -kFar, -kFar};
    float reach = 0.0f;
    for (const CNBObject* box : boxes_) {
        const Vector3& p = box->Position;
        low = Vector3{std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
        high = Vector3{std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
        if (std::isfinite(box->Radius)) reach = std::max(reach, box->Radius);
    }
    const double ex = double(high.x) - low.x + 2.0 * reach;
    const double ey = double(high.y) - low.y + 2.0 * reach;
    const double ez = double(high.z) - low.z + 2.0 * reach;
    const float diagonal = static_cast<float>(std::sqrt(ex * ex + ey * ey + ez * ez));
    if (!std::isfinite(diagonal) || diagonal <= 0.0f) return;

    const int perSide = std::min(static_cast<int>(diagonal / kSectorSpacing + 1), kTubeMostSectorsPerSide);
    const float step = perSide - 1 > 0 ? diagonal / (perSide - 1) : diagonal;
    for (int j = 0; j < perSide; ++j) {
        for (int i = 0; i < perSide; ++i) {
            Sector* sector = new (std::nothrow) Sector;
            if (!sector) return;
            sector->position = Vector3{-diagonal / 2 + i * step, 0.0f, -diagonal / 2 + j * step};
            world->sectors.push_back(sector);
        }
    }
}

// ---------------------------------------------------------------------------
// CScene::GenerateTubeScene
// ---------------------------------------------------------------------------
void CScene::GenerateTubeScene(float worldSize, float maxLeafSize, int multiLevel, int baseLevel)
{
    if (!world || !std::isfinite(worldSize) || worldSize <= 0.0f) return;
    worldSize = std::min(worldSize, kTubeWorldSizeMax);
    if (std::isnan(maxLeafSize)) maxLeafSize = kTubeLeafSizeDefault;
    maxLeafSize = std::clamp(maxLeafSize, kTubeLeafSizeMin, kTubeLeafSizeMax);

    // A side below 12 is never cut: its single leaf stays unnamed and lays
    // nothing, so only the ground can come of it.
    const bool partitioned = worldSize >= kSmallestCuttableSide;
    BspTree level1, level2;
    if (partitioned) {
        level1 = BuildBspTree(worldSize, maxLeafSize);
        if (multiLevel) level2 = BuildBspTree(worldSize / 2, maxLeafSize);
        NameRooms(level1, multiLevel ? &level2 : nullptr);
    }

    // The boxes are built with scale 1 and without active physics.
    const Vector3 savedScale = options.previewScale;
    const uint8_t savedPhysics = options.physicsActive;
    options.previewScale = Vector3{1.0f, 1.0f, 1.0f};
    options.physicsActive = 0;

    if (baseLevel) world->BuildGround(kGroundScale * worldSize, kGroundTileSize, 0, 0.0f, 0);

    // Tens of thousands of static bodies: they enter the physics world
    // together once all are made.
    const size_t firstObject = world->objects.size();
    const bool bulk = OpenBulkBodies();
    TubeSceneBuilder builder(*this);
    if (partitioned) {
        builder.ReserveFor(level1, true);
        if (multiLevel) builder.ReserveFor(level2, false);
        const float origin = -worldSize / 2;
        const float upperX = worldSize / 2;  // the second level lies beside the first
        builder.LayRooms(level1, origin, origin, kTubeRoomHeight, true);
        if (multiLevel) builder.LayRooms(level2, upperX, origin, kTubeUpperRoomHeight, false);
        builder.LayCorridors(level1, origin, origin, kTubeRoomHeight);
        if (multiLevel) builder.LayCorridors(level2, upperX, origin, kTubeUpperRoomHeight);
    }
    if (bulk) CloseBulkBodies(firstObject);

    options.previewScale = savedScale;
    options.physicsActive = savedPhysics;
    builder.AppendSectors();
}
