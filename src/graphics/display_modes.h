// The display enumeration: adapters, their outputs, each output's display
// modes and multisample quality levels, read once at start-up and asked by
// the screen-settings screen and by device creation.
//
// The screen-settings screen counts only usable adapters: an *ordinal* is the
// 0-based rank of an adapter in that list, skipping the ones that are not. Every query
// answers 0 for an argument that names nothing; no index ever reaches past a
// table.
#pragma once

#include <cstdint>

constexpr int kMaxAdapters = 16;
constexpr int kMaxOutputsPerAdapter = 32;
constexpr int kMultisampleSlots = 33;  // entry 0: probe device made; entries 1..32: quality levels

// Fills the tables (releasing any earlier ones first). 1, or 0 when no
// factory could be made.
int EnumerateAdapters();

// The number of adapters enumerated (usable or not).
int GetEnumeratedAdapterCount();

// 1 when adapter `index` (counted over all enumerated ones) can host a device
// of feature level 10_0 or above and is not the system's basic software
// renderer; 0 otherwise, also for an index out of range.
int IsAdapterUsable(int index);
int GetUsableAdapterCount();

// Copies the usable adapter's description (terminated, cut to `outChars`)
// into `out`; copies nothing when there is no such adapter. Returns 0.
int GetAdapterName(int ordinal, char16_t* out, int outChars);

int GetOutputCount(int ordinal);
// 1 after copying the output's device name (terminated, cut to `outChars`).
int GetOutputName(int ordinal, int output, char16_t* out, int outChars);

// 1 when some mode of the output matches the width and height exactly,
// whatever its refresh rate and format. An output beyond the last
// answers for the last.
int HasDisplayMode(int ordinal, int output, int width, int height);

// The multisample quality table entry for `samples` (0..32): for 0, 1 when
// a probe device could be made for that output; for a count above 0, how
// many quality levels the output's display format allows at that count
// (none: 0). An output beyond the last answers for the last.
int GetMultisampleQualityLevels(int ordinal, int output, int samples);
// The same query under the name the screen-settings screen uses for its FSAA
// offers (slot k non-zero: k samples are offered).
inline int GetDisplayModeCount(int ordinal, int output, int slot)
{
    return GetMultisampleQualityLevels(ordinal, output, slot);
}

// The table entry by enumeration index, as device creation reads it for the
// configured adapter number; 0 for anything out of range.
int32_t MultisampleQualityEntry(int adapter, int output, int samples);

// Shut-down: frees the mode lists, releases outputs and adapters, then the
// driver's device objects. Returns 0.
int ReleaseDisplayEnumeration();
