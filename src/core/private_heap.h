// Private heaps: every kind of record has a heap to itself. The heap appears
// with the first block asked of it and goes again once its live count is back
// at zero, so a kind nobody uses any more keeps no memory. A live-block counter per heap lets
// tests prove that every record was given back.
//
//   class CLine : public HeapAllocated<CLine> { ... };   // new/delete on CLine's heap
//   Vector3* points = NewCountedArray<Vector3>(heap, n);  // count kept before element 0
//
// The shared heap serves variable-size blocks of many kinds (text copies,
// vertex and index arrays, pixels, sound data).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

#include "platform/heap.h"

class PrivateHeap {
public:
    // A block of `bytes`; null when the system refuses the heap or the block.
    void* Alloc(size_t bytes);
    // Frees a block of this heap; null, or no heap, does nothing. The heap goes
    // away when its live count returns to 0.
    void Free(void* block);

    int LiveCount() const { return live_; }
    bool Exists() const { return handle_ != nullptr; }

    // Shut-down: forget the heap and its counter without freeing the blocks
    // still live; their owners (the audio thread among them) may still use them.
    void Forget();

private:
    platform::HeapHandle handle_ = nullptr;
    int live_ = 0;
};

PrivateHeap& SharedHeap();
void* SharedHeapAlloc(size_t bytes);
void SharedHeapFree(void* block);

// Gives a class allocation and release operators on a heap of its own. Blocks
// are zero-filled before the constructor runs, as the program's records expect.
// Allocation failure makes `new` yield null; a throwing constructor frees its block.
template <class T>
class HeapAllocated {
public:
    static PrivateHeap& Heap()
    {
        static PrivateHeap heap;
        return heap;
    }

    static void* operator new(size_t bytes) noexcept
    {
        void* block = Heap().Alloc(bytes);
        if (block) std::memset(block, 0, bytes);
        return block;
    }
    static void operator delete(void* block) noexcept { Heap().Free(block); }
    static void* operator new(size_t, void* place) noexcept { return place; }
    static void operator delete(void*, void*) noexcept {}
};

// ---------------------------------------------------------------------------
// Count-prefixed arrays: the element count sits in the 4 bytes just before the
// first element; the header is padded to the element's alignment.
// ---------------------------------------------------------------------------
namespace counted_array_detail {

template <class T>
constexpr size_t HeaderBytes()
{
    static_assert(alignof(T) <= alignof(std::max_align_t), "over-aligned elements are not supported");
    return alignof(T) > 4 ? alignof(T) : 4;
}

}  // namespace counted_array_detail

template <class T>
uint32_t CountedArraySize(const T* first)
{
    if (!first) return 0;
    uint32_t count;
    std::memcpy(&count, reinterpret_cast<const unsigned char*>(first) - 4, 4);
    return count;
}

// Constructs `count` elements in one block. Null when the 32-bit size would
// overflow or the block cannot be had; a throwing constructor destroys the
// elements already built, frees the block and rethrows.
template <class T, class... Args>
T* NewCountedArray(PrivateHeap& heap, uint32_t count, Args&&... args)
{
    constexpr size_t header = counted_array_detail::HeaderBytes<T>();
    const uint64_t total = uint64_t{count} * sizeof(T) + header;
    if (total > 0xFFFFFFFFull) return nullptr;
    auto* block = static_cast<unsigned char*>(heap.Alloc(static_cast<size_t>(total)));
    if (!block) return nullptr;
    std::memset(block, 0, static_cast<size_t>(total));
    T* first = reinterpret_cast<T*>(block + header);
    std::memcpy(block + header - 4, &count, 4);
    uint32_t built = 0;
    try {
        for (; built < count; ++built) new (first + built) T(std::forward<Args>(args)...);
    } catch (...) {
        while (built > 0) first[--built].~T();
        heap.Free(block);
        throw;
    }
    return first;
}

// Destroys the elements in reverse order and frees the block.
template <class T>
void DeleteCountedArray(PrivateHeap& heap, T* first)
{
    if (!first) return;
    constexpr size_t header = counted_array_detail::HeaderBytes<T>();
    for (uint32_t i = CountedArraySize(first); i > 0; --i) first[i - 1].~T();
    heap.Free(reinterpret_cast<unsigned char*>(first) - header);
}
