// Reference counting of the GPU layer's objects, as COM's AddRef/Release: the
// creator holds one reference, a view holds one on its resource, the context
// holds one on everything bound to it. The last Release frees the object and
// its GL names.
#pragma once

#include <cstdint>

namespace gpu {

class Object {
public:
    Object() = default;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    uint32_t AddRef() { return ++references_; }
    uint32_t Release()
    {
        const uint32_t left = --references_;
        if (left == 0) delete this;
        return left;
    }
    // For checks such as "every reference to the back buffer was dropped".
    uint32_t ReferenceCount() const { return references_; }

protected:
    virtual ~Object() = default;

private:
    uint32_t references_ = 1;
};

// Holds a reference while a pointer is stored (binding slots, views).
template <class T>
void ReplaceReference(T*& slot, T* value)
{
    if (slot == value) return;
    if (value) value->AddRef();
    if (slot) slot->Release();
    slot = value;
}

}  // namespace gpu
