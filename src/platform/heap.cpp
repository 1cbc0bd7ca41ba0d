#include "platform/heap.h"

#include <malloc.h>

#include <cstdlib>
#include <new>

namespace platform {

struct Heap {
    size_t outstanding = 0;
};

namespace {

int failCreates = 0;
int failAllocs = 0;

// A request this large can only come from an overflowed size computation.
constexpr size_t kLargestBlock = size_t{1} << 40;

}  // namespace

HeapHandle HeapCreate()
{
    if (failCreates > 0) { --failCreates; return nullptr; }
    return new (std::nothrow) Heap{};
}

void* HeapAlloc(HeapHandle heap, size_t bytes)
{
    if (!heap || bytes >= kLargestBlock) return nullptr;
    if (failAllocs > 0) { --failAllocs; return nullptr; }
    void* block = std::malloc(bytes == 0 ? 1 : bytes);
    if (block) ++heap->outstanding;
    return block;
}

bool HeapFree(HeapHandle heap, void* block)
{
    if (!heap || !block) return false;
    std::free(block);
    if (heap->outstanding > 0) --heap->outstanding;
    return true;
}

bool HeapDestroy(HeapHandle heap)
{
    if (!heap) return false;
    delete heap;
    return true;
}

size_t HeapOutstandingBlocks(HeapHandle heap) { return heap ? heap->outstanding : 0; }

// ---------------------------------------------------------------------------
// Heap policy
// ---------------------------------------------------------------------------

namespace {

// What the heap may keep free at its top before glibc gives it back, and the
// size from which glibc maps a block on its own.
constexpr int kKeptFreeBytes = 128 << 20;
constexpr int kMappedBlockBytes = 32 << 20;

}  // namespace

void ApplyProgramHeapPolicy()
{
    // llvmpipe bins every frame's draws in 64 KiB blocks and frees them when
    // the frame is drawn: tens of megabytes per frame in a large world. glibc
    // would give that back to the kernel at each free and fault it in again
    // in the next frame; kept, it is reused. Fixing the trim threshold ends
    // glibc's own tuning of it and of the size from which blocks are mapped
    // on their own, so that one is fixed at the largest value glibc's tuning
    // reaches. Measured when it came (50,000 boxes, shadows off: 74 -> 50 ms a
    // frame, about 140 brk calls a frame -> none) and again since: without it
    // the render benchmark's process takes 1.07x the processor time. What it
    // keeps beyond a frame's needs goes back through GiveBackFreeMemory.
    //
    // glibc's fast bins for small blocks stay as they are: switching them off
    // (M_MXFAST 0) once made leaving a large world faster, but measured again
    // beside glibc's default the whole landscape run took 1.67x the processor
    // time with it, and leaving 2.05-2.52 s against 1.20-2.04 s.
    mallopt(M_MMAP_THRESHOLD, kMappedBlockBytes);
    mallopt(M_TRIM_THRESHOLD, kKeptFreeBytes);
}

void GiveBackFreeMemory() { malloc_trim(0); }

void FailNextHeapCreates(int count) { failCreates = count; }
void FailNextHeapAllocs(int count) { failAllocs = count; }

}  // namespace platform
