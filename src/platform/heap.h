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

// Tunes the process's heap for worlds of many small records: a freed block
// joins its free neighbours at once, instead of waiting in a list of its size
// for a later sweep over every such block. A world of 150,000 objects thus
// goes in one pass over its memory while each block is still in the caches,
// not in a second, cold pass at the next large request. Called once at
// start-up; the program's behaviour is unchanged.
void JoinFreedBlocksAtOnce();

// Test hooks: make the next HeapCreate or HeapAlloc calls fail.
void FailNextHeapCreates(int count);
void FailNextHeapAllocs(int count);

}  // namespace platform
