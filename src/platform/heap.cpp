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

void JoinFreedBlocksAtOnce()
{
    // glibc keeps freed blocks of up to 128 bytes apart ("fast bins") and
    // joins them only when a large block is freed or asked for.
    mallopt(M_MXFAST, 0);
}

void FailNextHeapCreates(int count) { failCreates = count; }
void FailNextHeapAllocs(int count) { failAllocs = count; }

}  // namespace platform
