// Keyboard and mouse state, polled once per main-loop pass.
#pragma once

#include "platform/hresult.h"

class CInput {
public:
    // Acquires keyboard, mouse and every controller.
    HResult AcquireDevices();
    // Re-creates the mouse with exclusive (non-zero) or shared (0) access.
    HResult SetMouseExclusive(int exclusive);

    // Whether the mouse is held exclusively now; callers read it before switching.
    int mouseExclusive = 0;
};
