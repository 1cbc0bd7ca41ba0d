#include "core/private_heap.h"

void* PrivateHeap::Alloc(size_t bytes)
{
    if (!handle_) {
        handle_ = platform::HeapCreate();
        if (!handle_) return nullptr;
    }
    void* block = platform::HeapAlloc(handle_, bytes);
    if (block) ++live_;
    return block;
}

void PrivateHeap::Free(void* block)
{
    if (!block || !handle_) return;
    if (!platform::HeapFree(handle_, block)) return;
    --live_;
    if (live_ == 0 && platform::HeapDestroy(handle_)) handle_ = nullptr;
}

void PrivateHeap::Forget()
{
    if (handle_) platform::HeapDestroy(handle_);
    handle_ = nullptr;
    live_ = 0;
}

PrivateHeap& SharedHeap()
{
    static PrivateHeap heap;
    return heap;
}

void* SharedHeapAlloc(size_t bytes) { return SharedHeap().Alloc(bytes); }

void SharedHeapFree(void* block) { SharedHeap().Free(block); }
