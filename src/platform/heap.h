// Counted heaps in place of HeapCreate/HeapAlloc/HeapFree/HeapDestroy.
// Each heap is a handle over malloc that counts its outstanding blocks, so tests
// can see that a kind of record gives all of its memory back. Allocation failure
// returns null (Windows would raise a structured exception).
//
// Destroying a heap forgets the handle only: blocks still outstanding stay valid
// and belong to whoever holds them (at shut-down the audio thread may still read
// sound data).
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

struct Heap;
using HeapHandle = Heap*;

HeapHandle HeapCreate();
void* HeapAlloc(HeapHandle heap, size_t bytes);
bool HeapFree(HeapHandle heap, void* block);
bool HeapDestroy(HeapHandle heap);

// Blocks handed out and not yet freed, on this heap.
size_t HeapOutstandingBlocks(HeapHandle heap);

// The program's heap policy, set once at start-up (WinMain; benchmarks that
// build a scene without it call it too). heap.cpp says what each setting is
// for and what it was measured to give.
void ApplyProgramHeapPolicy();
// Hands the heap's free pages back to the system. For the moments when much
// was freed at once and will not be wanted again soon: a world left, a
// generator's temporary records gone.
void GiveBackFreeMemory();

// Test hooks: make the next HeapCreate or HeapAlloc calls fail.
void FailNextHeapCreates(int count);
void FailNextHeapAllocs(int count);

}  // namespace platform
