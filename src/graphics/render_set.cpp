#include "graphics/render_set.h"

#include <new>

#include "core/private_heap.h"

void RenderSet::Init(RenderSet* set)
{
    if (set) *set = RenderSet {};
}

void RenderSet::Release(RenderSet* set)
{
    if (!set) return;
    void* arrays[] = {set->vertices32, set->vertices40, set->vertices48, set->vertices56, set->spare,
                      set->extraStream16, set->indices, set->gpu, set->sourceIndices, set->tangents,
                      set->skin, set->vertexBytes};
    for (void* block : arrays) SharedHeapFree(block);
    *set = RenderSet {};
}

RenderSet* RenderSet::Allocate()
{
    void* block = SharedHeapAlloc(sizeof(RenderSet));
    return block ? new (block) RenderSet {} : nullptr;
}

void RenderSet::Free(RenderSet* set) { SharedHeapFree(set); }
