// A recursive lock in place of a Win32 critical section. TryEnter stands in
// for TryEnterCriticalSection (the physics step skips a frame when it fails).
#pragma once

#include <mutex>

namespace platform {

class CriticalSection {
public:
    void Enter() { mutex_.lock(); }
    bool TryEnter() { return mutex_.try_lock(); }
    void Leave() { mutex_.unlock(); }

private:
    std::recursive_mutex mutex_;
};

}  // namespace platform
