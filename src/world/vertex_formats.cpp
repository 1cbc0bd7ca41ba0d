#include "world/vertex_formats.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

// Families are listed by their variant-0 code; each fills six slots with the
// material variants 0x000..0x500 in ascending order.
constexpr VertexFormat kFamiliesFirst[] = {0x1001, 0x0001, 0x1003, 0x0003, 0x1005, 0x1007,
                                           0x1009, 0x100B, 0x100D, 0x100F};
constexpr VertexFormat kFamiliesSecond[] = {0x1011, 0x1013, 0x1015, 0x1019,
                                            0x101B, 0x101D, 0x101F, 0x1017};

std::array<VertexFormat, kVertexFormatSlots> BuildTable()
{
    std::array<VertexFormat, kVertexFormatSlots> table {};
    int slot = 0;
    auto family = [&](VertexFormat base) {
        for (int variant = 0; variant < 6; ++variant) table[slot++] = base | (variant << 8);
    };
    for (VertexFormat base : kFamiliesFirst) family(base);    // slots 0-59
    table[slot++] = 0x11001;                                  // 60
    table[slot++] = 0x21001;                                  // 61
    for (VertexFormat base : kFamiliesSecond) family(base);   // 62-109
    for (VertexFormat code = 0x40000001; code <= 0x4000000C; ++code) table[slot++] = code;  // 110-121
    for (VertexFormat low = 0x81; low <= 0x9F; low += 2) family(0x1000 | low);            // 122-217
    slot += 157;                                              // 218-374 stay 0
    for (VertexFormat code = 0x40000014; code <= 0x4000001F; ++code) table[slot++] = code;  // 375-386
    return table;
}

const std::array<VertexFormat, kVertexFormatSlots>& Table()
{
    static const std::array<VertexFormat, kVertexFormatSlots> table = BuildTable();
    return table;
}

// The assigned codes with their slots, sorted by code, for look-ups by code.
struct CodeSlot {
    VertexFormat code;
    int slot;
};

const std::vector<CodeSlot>& CodesInOrder()
{
    static const std::vector<CodeSlot> codes = [] {
        std::vector<CodeSlot> sorted;
        for (int slot = 0; slot < kVertexFormatSlots; ++slot)
            if (Table()[slot] != 0) sorted.push_back(CodeSlot{Table()[slot], slot});
        std::sort(sorted.begin(), sorted.end(), [](const CodeSlot& a, const CodeSlot& b) { return a.code != b.code ? a.code < b.code : a.slot < b.slot; });
        return sorted;
    }();
    return codes;
}

// The variant-0 code a code belongs to, or 0 when it is none of the table's.
VertexFormat FamilyOf(VertexFormat code)
{
    if (code == 0x11001 || code == 0x21001) return code;
    if (code & kFormatSpecial) {
        if ((code >= 0x40000001 && code <= 0x4000000C) || (code >= 0x40000014 && code <= 0x4000001F))
            return code;
        return 0;
    }
    const int variant = (code & kFormatVariantMask) >> 8;
    if (variant > 5) return 0;
    const VertexFormat family = code & ~kFormatVariantMask;
    if (family == 0x0001 || family == 0x0003) return family;
    if ((family & ~0xFF) != kFormatStandard || (family & 1) == 0) return 0;
    const int low = family & 0xFF;
    if ((low >= 0x01 && low <= 0x1F) || (low >= 0x81 && low <= 0x9F)) return family;
    return 0;
}

}  // namespace

VertexFormat VertexFormatOfSlot(int slot)
{
    if (slot < 0 || slot >= kVertexFormatSlots) return 0;
    return Table()[slot];
}

int SlotOfVertexFormat(VertexFormat code)
{
    if (code == 0) return -1;
    const std::vector<CodeSlot>& codes = CodesInOrder();
    const auto found = std::lower_bound(codes.begin(), codes.end(), code,
                                        [](const CodeSlot& entry, VertexFormat wanted) { return entry.code < wanted; });
    return found != codes.end() && found->code == code ? found->slot : -1;
}

VertexLayout VertexLayoutOf(VertexFormat code)
{
    VertexLayout layout;
    const VertexFormat family = FamilyOf(code);
    if (family == 0) return layout;

    if (family & kFormatSpecial) {
        // 0x40000001-0x4000000C: position, normal, uv0. 0x40000014-0x4000001F: + set 5.
        layout.vertexBytes = family >= 0x40000014 ? 40 : 32;
        layout.uvSlots = family >= 0x40000014 ? 2 : 1;
        layout.uvSets[1] = family >= 0x40000014 ? 5 : 0;
        return layout;
    }
    if (family == 0x11001 || family == 0x21001) {
        layout.vertexBytes = 32;
        layout.uvSlots = 1;
        layout.tangents = true;
        return layout;
    }
    // Set 2 together with set 4 has no vertex layout: such render sets carry
    // indices and side streams only.
    if ((family & kFormatTexSet2) && (family & kFormatTexSet4)) return layout;

    layout.uvSlots = 1;
    const struct { VertexFormat bit; int set; } sets[] = {
        {kFormatTexSet1, 1}, {kFormatTexSet2, 2}, {kFormatTexSet3, 3}, {kFormatTexSet4, 4}};
    for (const auto& entry : sets)
        if (family & entry.bit) layout.uvSets[layout.uvSlots++] = entry.set;
    layout.vertexBytes = 24 + 8 * layout.uvSlots;

    // Tangents go with the normal-mapped families 0x1009, 0x100B, 0x101D and
    // their 0x10 and 0x80 twins that have a layout, and with every 56-byte
    // family. 0x100D (sets 2 and 3 without 0x10) has none.
    switch (family & 0xFF) {
    case 0x09: case 0x19: case 0x0B: case 0x1B: case 0x1D: case 0x89: case 0x99:
    case 0x0F: case 0x1F: case 0x8B: case 0x9B:
        layout.tangents = true;
        break;
    default:
        break;
    }
    return layout;
}
