// Index:
//   Key tables
//   Construction, initialisation and release
//   Controllers
//   Acquisition and polling
//   Queries
//   Exclusive mouse
#include "input/input.h"

#include <array>
#include <cstring>
#include <iterator>

#include "platform/message_box.h"

namespace {

// ---------------------------------------------------------------------------
// Key tables: DirectInput scan code to input code. The pressed-key table and
// the changed-key table differ in three rows only: Enter is a new press (13)
// but never a held key, and the Shifts are held modifiers (16) but never a new
// press. Numeric-pad minus is 108, not VK_SUBTRACT, as bindings saved by the
// program expect.
// ---------------------------------------------------------------------------
struct KeyRow {
    uint8_t scanCode;
    InputCode code;
};

constexpr KeyRow kCommonKeys[] = {
    {1, 27},
    {2, 49}, {3, 50}, {4, 51}, {5, 52}, {6, 53}, {7, 54}, {8, 55}, {9, 56}, {10, 57}, {11, 48},
    {12, 189}, {13, 187}, {14, 8}, {15, 5},
    {16, 81}, {17, 87}, {18, 69}, {19, 82}, {20, 84}, {21, 89}, {22, 85}, {23, 73}, {24, 79}, {25, 80},
    {26, 219}, {27, 221},
    {29, 3},
    {30, 65}, {31, 83}, {32, 68}, {33, 70}, {34, 71}, {35, 72}, {36, 74}, {37, 75}, {38, 76},
    {39, 186}, {40, 222}, {41, 192},
    {43, 220},
    {44, 90}, {45, 88}, {46, 67}, {47, 86}, {48, 66}, {49, 78}, {50, 77},
    {51, 188}, {52, 190}, {53, 191},
    {55, 106}, {56, 1}, {57, 32},
    {59, 112}, {60, 113}, {61, 114}, {62, 115}, {63, 116}, {64, 117}, {65, 118}, {66, 119}, {67, 120}, {68, 121},
    {71, 103}, {72, 104}, {73, 105}, {74, 108},
    {75, 100}, {76, 101}, {77, 102}, {78, 107},
    {79, 97}, {80, 98}, {81, 99}, {82, 96}, {83, 110},
    {87, 122}, {88, 123},
    {100, 124}, {101, 125}, {102, 126},
    {157, 4}, {181, 111}, {184, 2},
    {199, 36}, {200, 38}, {201, 33}, {203, 37}, {205, 39}, {207, 35}, {208, 40}, {209, 34},
    {210, 45}, {211, 46},
    {219, 91}, {220, 92}, {221, 93},
};

using KeyTable = std::array<InputCode, 256>;

constexpr KeyTable BuildKeyTable(bool changedKeys)
{
    KeyTable table {};
    for (const KeyRow& row : kCommonKeys) table[row.scanCode] = row.code;
    table[kDikEnter] = changedKeys ? 13 : 0;
    table[kDikLeftShift] = changedKeys ? 0 : 16;
    table[kDikRightShift] = changedKeys ? 0 : 16;
    return table;
}

constexpr KeyTable kPressedKeyTable = BuildKeyTable(false);
constexpr KeyTable kChangedKeyTable = BuildKeyTable(true);

// Re-acquiring stops when the device answers anything but "input lost"; the
// bound keeps a device that keeps answering it from stalling the main loop.
constexpr int kMaxAcquireAttempts = 4;

HResult AcquireAgain(dinput::DirectInputDevice8* device)
{
    HResult result = device->Acquire();
    for (int attempt = 1; result == dinput::DIERR_INPUTLOST && attempt < kMaxAcquireAttempts; ++attempt)
        result = device->Acquire();
    return result;
}

// The n-th entry (from 0) with bit 7 set, through the table; 0 when there is none.
template <class Value>
InputCode NthDownCode(const Value (&values)[256], const KeyTable& table, int index)
{
    if (index < 0) return 0;
    int seen = 0;
    for (int scanCode = 0; scanCode < 256; ++scanCode) {
        if (!(values[scanCode] & 0x80)) continue;
        if (seen == index) return table[static_cast<size_t>(scanCode)];
        ++seen;
    }
    return 0;
}

template <class Value>
int CountDown(const Value (&values)[256])
{
    int count = 0;
    for (const Value value : values)
        if (value & 0x80) ++count;
    return count;
}

void ShowError(const char* text) { platform::ShowMessageBox(text, "Error", platform::MB_OK); }

// Makes the keyboard or the mouse, sets its data format, and gives it the
// access asked for; the step that fails shows its message
// (`createError` for the device itself) when `cooperationError` is set, and
// the cooperative level's failure only then. `device` keeps what was made
// even when a later step fails: ReleaseDevices frees it.
HResult OpenSystemDevice(dinput::DirectInput8* directInput, const dinput::DeviceGuid& guid,
                         dinput::DataFormat format, dinput::WindowHandle window, uint32_t cooperation,
                         const char* createError, const char* cooperationError, dinput::DirectInputDevice8** device)
{
    HResult result = directInput->CreateDevice(guid, device);
    if (Failed(result)) {
        ShowError(createError);
        return result;
    }
    result = (*device)->SetDataFormat(format);
    if (Failed(result)) {
        ShowError("Error on SetDataFormat");
        return result;
    }
    result = (*device)->SetCooperativeLevel(window, cooperation);
    if (Failed(result) && cooperationError) ShowError(cooperationError);
    return result;
}

}  // namespace

// ---------------------------------------------------------------------------
// Construction, initialisation and release
// ---------------------------------------------------------------------------
CInput::CInput()
{
    active = 1;
    axisRange = 32000;
}

CInput::~CInput() { ReleaseDevices(); }

HResult CInput::InitInput(dinput::WindowHandle mainWindow)
{
    using namespace dinput;
    window = mainWindow;
    ReleaseDevices();
    keyboardAcquired = mouseAcquired = devicesAcquired = 0;
    std::memset(controllerAcquired, 0, sizeof controllerAcquired);
    std::memset(controllerStates, 0, sizeof controllerStates);
    std::memset(keyState, 0, sizeof keyState);
    std::memset(keyPrevious, 0, sizeof keyPrevious);
    std::memset(keyChanged, 0, sizeof keyChanged);
    mouseState = {};
    std::memset(buttonPrevious, 0, sizeof buttonPrevious);
    std::memset(buttonChanged, 0, sizeof buttonChanged);
    mouseExclusive = 0;
    active = 1;

    HResult result = DirectInput8Create(DIRECTINPUT_VERSION, &directInput);
    if (Failed(result)) {
        ShowError("Error on creating DXInput8");
        return result;
    }

    const uint32_t shared = DISCL_NONEXCLUSIVE | DISCL_FOREGROUND;
    result = OpenSystemDevice(directInput, GUID_SysKeyboard, DataFormat::Keyboard, window, shared,
                              "Error on creating Keyboard8", "Error on SetCooperativeLevel", &keyboard);
    if (Failed(result)) return result;
    result = OpenSystemDevice(directInput, GUID_SysMouse, DataFormat::Mouse2, window, shared,
                              "Error on creating Mouse8", "Error on SetCooperativeLevel", &mouse);
    if (Failed(result)) return result;
    mouseExclusive = 0;

    InitJoysticks();  // controllers are optional; whatever happens there does not fail start-up
    active = 1;
    return S_OK;
}

void CInput::ReleaseDevices()
{
    if (keyboard) {
        keyboard->Unacquire();
        keyboard->Release();
        keyboard = nullptr;
    }
    if (mouse) {
        mouse->Unacquire();
        mouse->Release();
        mouse = nullptr;
    }
    for (dinput::DirectInputDevice8*& controller : controllers) {
        if (!controller) continue;
        controller->Unacquire();
        controller->Release();
        controller = nullptr;
    }
    controllerCount = 0;
    if (directInput) {
        directInput->Release();
        directInput = nullptr;
    }
}

// ---------------------------------------------------------------------------
// Controllers: enumerated and configured, then released again, so that no
// controller is ever read.
// ---------------------------------------------------------------------------
HResult CInput::InitJoysticks()
{
    using namespace dinput;
    if (!directInput) return -1;

    // Force-feedback controllers are opened only to see which effects they have.
    directInput->EnumDevices(
        DeviceClass::GameController,
        [this](const DeviceInstance& instance) {
            DirectInputDevice8* device = nullptr;
            if (Succeeded(directInput->CreateDevice(instance.guidInstance, &device))) {
                device->EnumEffects([](int) { return DIENUM_CONTINUE; });
                device->Release();
            }
            return DIENUM_CONTINUE;
        },
        DIEDFL_ATTACHEDONLY | DIEDFL_FORCEFEEDBACK);

    directInput->EnumDevices(
        DeviceClass::GameController,
        [this](const DeviceInstance& instance) {
            DirectInputDevice8* device = nullptr;
            if (Succeeded(directInput->CreateDevice(instance.guidInstance, &device)))
                controllers[controllerCount++] = device;
            return controllerCount < kMaxControllers ? DIENUM_CONTINUE : DIENUM_STOP;
        },
        DIEDFL_ATTACHEDONLY);

    for (int i = 0; i < controllerCount; ++i) {
        DirectInputDevice8* controller = controllers[i];
        controller->SetDataFormat(DataFormat::Joystick2);
        controller->SetCooperativeLevel(window, DISCL_EXCLUSIVE | DISCL_FOREGROUND);
        controller->EnumObjects([this, controller](const DeviceObjectInstance& object) {
            if (object.kind == ObjectKind::Axis) controller->SetAxisRange(object.objectId, -axisRange, axisRange);
            return DIENUM_CONTINUE;
        });
    }

    for (int i = 0; i < kMaxControllers; ++i) {
        if (controllers[i]) {
            controllers[i]->Unacquire();
            controllers[i]->Release();
            controllers[i] = nullptr;
        }
        controllerAcquired[i] = 0;
    }
    controllerCount = 0;
    return S_OK;
}

// ---------------------------------------------------------------------------
// Acquisition and polling
// ---------------------------------------------------------------------------
HResult CInput::AcquireDevices()
{
    // Keyboard and mouse count as acquired whatever Acquire answers: a failed
    // acquisition is retried by the next poll.
    if (keyboard) {
        keyboard->Acquire();
        keyboardAcquired = 1;
    }
    if (mouse) {
        mouse->Acquire();
        mouseAcquired = 1;
    }
    for (int i = 0; i < controllerCount; ++i) {
        if (controllers[i] && Succeeded(controllers[i]->Acquire())) controllerAcquired[i] = 1;
    }
    devicesAcquired = 1;
    return S_OK;
}

HResult CInput::PollKeyboard()
{
    std::memset(keyState, 0, sizeof keyState);
    // A pass without a good read has no new presses: reporting the last ones
    // again would fire their actions every pass until the keyboard comes back.
    // keyPrevious stays, so a key held through the gap is not new afterwards.
    std::memset(keyChanged, 0, sizeof keyChanged);
    if (!keyboard || !keyboardAcquired) return S_OK;

    if (Failed(keyboard->GetDeviceState(sizeof keyState, keyState))) {
        std::memset(keyState, 0, sizeof keyState);
        AcquireAgain(keyboard);
        return S_OK;
    }
    for (int scanCode = 0; scanCode < 256; ++scanCode) {
        // F10 and right Control are never reported as new presses.
        if (scanCode == kDikRightControl || scanCode == kDikF10) continue;
        if (keyState[scanCode] != keyPrevious[scanCode]) {
            keyPrevious[scanCode] = keyState[scanCode];
            keyChanged[scanCode] = keyState[scanCode];
        }
    }
    return S_OK;
}

HResult CInput::PollMouse()
{
    mouseState = {};
    // As for the keyboard: no new presses without a good read. buttonPrevious
    // stays, so a button held through a failed read (every exclusive switch
    // makes one) is not pressed again, and gives no phantom double click.
    std::memset(buttonChanged, 0, sizeof buttonChanged);
    if (!mouse || !mouseAcquired) return S_OK;

    const HResult read = mouse->GetDeviceState(sizeof mouseState, &mouseState);
    if (Failed(read)) {
        mouseState = {};
        return AcquireAgain(mouse);
    }
    for (int button = 0; button < 8; ++button) {
        if (mouseState.rgbButtons[button] != buttonPrevious[button]) {
            buttonPrevious[button] = mouseState.rgbButtons[button];
            buttonChanged[button] = mouseState.rgbButtons[button];
        }
    }
    return read;
}

HResult CInput::PollJoysticks()
{
    std::memset(controllerStates, 0, sizeof controllerStates);
    if (controllerCount == 0) return -1;
    HResult result = S_OK;
    for (int i = 0; i < controllerCount; ++i) {
        if (!controllers[i] || !controllerAcquired[i]) continue;
        const HResult read = controllers[i]->GetDeviceState(sizeof controllerStates[i], &controllerStates[i]);
        if (Failed(read)) {
            controllerStates[i] = {};
            result = AcquireAgain(controllers[i]);
        }
    }
    return result;
}

// ---------------------------------------------------------------------------
// Queries
// ---------------------------------------------------------------------------
InputCode PressedKeyCodeOf(uint8_t dik) { return kPressedKeyTable[dik]; }

InputCode ChangedKeyCodeOf(uint8_t dik)
{
    return dik == kDikRightControl || dik == kDikF10 ? 0 : kChangedKeyTable[dik];
}

int CInput::PressedKeyCount() const { return CountDown(keyState); }

InputCode CInput::PressedKeyCode(int index) const { return NthDownCode(keyState, kPressedKeyTable, index); }

int CInput::ChangedKeyCount() const { return CountDown(keyChanged); }

InputCode CInput::ChangedKeyCode(int index) const { return NthDownCode(keyChanged, kChangedKeyTable, index); }

int32_t CInput::GetMouseAxis(InputCode code) const
{
    switch (code) {
    case kMouseAxisX: return mouseState.lX;
    case kMouseAxisY: return mouseState.lY;
    case kMouseWheel: return mouseState.lZ;
    default: break;
    }
    return 0;
}

// ---------------------------------------------------------------------------
// Exclusive mouse
// ---------------------------------------------------------------------------
HResult CInput::SetMouseExclusive(int exclusive)
{
    using namespace dinput;
    if (!mouse || !directInput) {
        // Nothing holds the mouse, so it is not held exclusively either.
        mouseExclusive = 0;
        return -1;
    }
    mouse->Unacquire();
    mouse->Release();
    mouse = nullptr;
    mouseExclusive = 0;

    const uint32_t access = exclusive ? DISCL_EXCLUSIVE | DISCL_FOREGROUND : DISCL_NONEXCLUSIVE | DISCL_FOREGROUND;
    const HResult result = OpenSystemDevice(directInput, GUID_SysMouse, DataFormat::Mouse2, window, access,
                                            "Error on creating Mouse8", nullptr, &mouse);
    if (Succeeded(result) && exclusive) mouseExclusive = 1;
    // Acquired at once, as the mouse it replaces was: a device takes only
    // what happens while it is acquired, so a press made before the next
    // poll would otherwise be lost. One that cannot be acquired now is
    // acquired by the next PollMouse, which then reports an empty pass.
    if (Succeeded(result) && mouseAcquired) mouse->Acquire();
    return result;
}
