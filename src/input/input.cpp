#include "input/input.h"

HResult CInput::AcquireDevices()
{
    // TODO(input): acquire the keyboard, mouse and controllers.
    return S_OK;
}

HResult CInput::SetMouseExclusive(int exclusive)
{
    // TODO(input): re-create the mouse device with the new access.
    mouseExclusive = exclusive ? 1 : 0;
    return S_OK;
}
