// A DirectInput-8-shaped input layer over SDL: the DirectInput object, keyboard,
// mouse and game-controller devices with the calls the program makes of them,
// and the results (HRESULT values) DirectInput gives.
//
// Keyboard and mouse state is built from the SDL events the window's message
// loop drains (see input_events.h), never from SDL's own polled state, so
// synthetic events drive the program exactly like real ones. Devices in
// foreground mode lose their acquisition when the window loses focus, as they
// do on Windows; focus starts as held.
//
// An immediate read never misses a press, however long the program takes
// between reads: a key or button that went down since the device's last read
// is shown down by the next read even when it is up again by then, and up by
// the read after; each further press since then takes another down and up,
// so a key tapped twice between two reads reads down, up, down, up.
//
// The order of presses, their times and who they are for are the input
// router's (src/input/input_router.h), which reads the window's input log
// itself; the devices answer only what is down and how far the mouse went.
//
// Index:
//   Results and constants
//   Device state records (DIMOUSESTATE2, DIJOYSTATE2)
//   Device identities and enumeration records
//   DirectInputDevice8
//   DirectInput8 and DirectInput8Create
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/hresult.h"

namespace dinput {

// ---------------------------------------------------------------------------
// Results and constants
// ---------------------------------------------------------------------------
constexpr HResult DI_OK = S_OK;
constexpr HResult DI_NOEFFECT = S_FALSE;  // acquiring a device already acquired
constexpr HResult DIERR_INVALIDPARAM = E_INVALIDARG;
constexpr HResult DIERR_OTHERAPPHASPRIO = static_cast<HResult>(0x80070005u);  // another window has the focus
constexpr HResult DIERR_NOTACQUIRED = static_cast<HResult>(0x8007000Cu);
constexpr HResult DIERR_INPUTLOST = static_cast<HResult>(0x8007001Eu);
constexpr HResult DIERR_ACQUIRED = static_cast<HResult>(0x800700AAu);  // not allowed while acquired
constexpr HResult DIERR_DEVICENOTREG = static_cast<HResult>(0x80040154u);
constexpr HResult DIERR_UNSUPPORTED = E_NOTIMPL;
constexpr HResult DIERR_OLDDIRECTINPUTVERSION = static_cast<HResult>(0x8007047Eu);
constexpr HResult DIERR_BETADIRECTINPUTVERSION = static_cast<HResult>(0x80070481u);

constexpr uint32_t DIRECTINPUT_VERSION = 0x0800;

// Cooperative levels; a valid level has exactly one of each pair.
constexpr uint32_t DISCL_EXCLUSIVE = 0x1;
constexpr uint32_t DISCL_NONEXCLUSIVE = 0x2;
constexpr uint32_t DISCL_FOREGROUND = 0x4;
constexpr uint32_t DISCL_BACKGROUND = 0x8;

// Enumeration callbacks answer one of these.
constexpr int DIENUM_STOP = 0;
constexpr int DIENUM_CONTINUE = 1;

// EnumDevices filters.
constexpr uint32_t DIEDFL_ATTACHEDONLY = 0x1;
constexpr uint32_t DIEDFL_FORCEFEEDBACK = 0x100;

// The main window, as the program hands it to SetCooperativeLevel. Null is
// accepted (tests run without a window).
using WindowHandle = void*;

// The data formats the program sets: c_dfDIKeyboard (256 bytes),
// c_dfDIMouse2 (MouseState2) and c_dfDIJoystick2 (JoyState2).
enum class DataFormat { None, Keyboard, Mouse2, Joystick2 };

// ---------------------------------------------------------------------------
// Device state records
// ---------------------------------------------------------------------------

// DIMOUSESTATE2: motion since the previous read, wheel in 120 per notch,
// button bytes with bit 7 set while down (0 left, 1 right, 2 middle).
struct MouseState2 {
    int32_t lX;
    int32_t lY;
    int32_t lZ;
    uint8_t rgbButtons[8];
};
static_assert(sizeof(MouseState2) == 20);

// DIJOYSTATE2.
struct JoyState2 {
    int32_t lX, lY, lZ, lRx, lRy, lRz;
    int32_t rglSlider[2];
    uint32_t rgdwPOV[4];
    uint8_t rgbButtons[128];
    int32_t lVX, lVY, lVZ, lVRx, lVRy, lVRz;
    int32_t rglVSlider[2];
    int32_t lAX, lAY, lAZ, lARx, lARy, lARz;
    int32_t rglASlider[2];
    int32_t lFX, lFY, lFZ, lFRx, lFRy, lFRz;
    int32_t rglFSlider[2];
};
static_assert(sizeof(JoyState2) == 272);

// ---------------------------------------------------------------------------
// Device identities and enumeration records
// ---------------------------------------------------------------------------
enum class DeviceKind { Keyboard, Mouse, Controller };

// Stands in for a device GUID: the system keyboard, the system mouse, or one
// attached controller (by its joystick instance id).
struct DeviceGuid {
    DeviceKind kind;
    int32_t instance;
};
constexpr DeviceGuid GUID_SysKeyboard {DeviceKind::Keyboard, 0};
constexpr DeviceGuid GUID_SysMouse {DeviceKind::Mouse, 0};

// Device classes for EnumDevices; the program enumerates game controllers only.
enum class DeviceClass { All, Keyboard, Pointer, GameController };

struct DeviceInstance {
    DeviceGuid guidInstance;
    std::string productName;
    bool forceFeedback;
};

// One object of a controller, as EnumObjects reports it.
enum class ObjectKind { Axis, PointOfView, Button };
struct DeviceObjectInstance {
    ObjectKind kind;
    uint32_t objectId;  // the id SetAxisRange takes
};

class DirectInputDevice8;
class DirectInput8;

// DirectInput8Create: the one entry point. `version` must be 0x0800.
HResult DirectInput8Create(uint32_t version, DirectInput8** out);

// ---------------------------------------------------------------------------
// DirectInputDevice8: one keyboard, mouse or controller device. Created by
// DirectInput8::CreateDevice; Release destroys it (unacquiring it first).
// ---------------------------------------------------------------------------
class DirectInputDevice8 {
public:
    HResult SetDataFormat(DataFormat format);
    HResult SetCooperativeLevel(WindowHandle window, uint32_t flags);
    // DI_OK, or DI_NOEFFECT when already acquired; DIERR_OTHERAPPHASPRIO for a
    // foreground device while the window lacks focus.
    HResult Acquire();
    HResult Unacquire();
    // Immediate data: `bytes` must match the data format (256, 20 or 272).
    // Fails with DIERR_INPUTLOST once after the focus was lost, then with
    // DIERR_NOTACQUIRED until acquired again. Only presses made while the
    // device is acquired are its own.
    HResult GetDeviceState(uint32_t bytes, void* data);
    // DIPROP_RANGE by object id (controllers).
    HResult SetAxisRange(uint32_t objectId, int32_t minimum, int32_t maximum);
    // Axes, points of view and buttons of a controller; none for keyboard and mouse.
    HResult EnumObjects(const std::function<int(const DeviceObjectInstance&)>& callback);
    // Force-feedback effect types of a controller (DIERR_UNSUPPORTED without force feedback).
    HResult EnumEffects(const std::function<int(int effectType)>& callback);
    void Release();

    DeviceKind Kind() const { return guid_.kind; }

private:
    friend class DirectInput8;
    friend struct DeviceAccess;
    explicit DirectInputDevice8(DeviceGuid guid) : guid_(guid) {}
    ~DirectInputDevice8() = default;

    // What the last read showed of one key or button, and how many presses
    // made since it has not shown yet.
    struct Control {
        bool shown = false;
        uint32_t unreadPresses = 0;
    };

    DeviceGuid guid_;
    DataFormat format_ = DataFormat::None;
    uint32_t cooperation_ = DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;
    bool acquired_ = false;
    bool lost_ = false;              // focus took the device away; the next read says so
    bool holdsRelativeMode_ = false; // an acquired exclusive mouse holds the pointer
    int32_t motionX_ = 0, motionY_ = 0, wheel_ = 0;  // mouse motion since the last read
    Control controls_[256] = {};     // keys by scan code, or the mouse buttons
    void* joystick_ = nullptr;       // a controller's open SDL joystick
    int fakeController_ = -1;        // or its index among the test seam's controllers
};

// ---------------------------------------------------------------------------
// DirectInput8: creates devices and enumerates attached controllers.
// ---------------------------------------------------------------------------
class DirectInput8 {
public:
    HResult CreateDevice(const DeviceGuid& guid, DirectInputDevice8** out);
    // Calls `callback` for each device of the class until it answers
    // DIENUM_STOP. Controllers are listed in the system's order.
    HResult EnumDevices(DeviceClass deviceClass, const std::function<int(const DeviceInstance&)>& callback,
                        uint32_t flags);
    // Devices created by this object stay valid; release them separately.
    void Release();

private:
    friend HResult DirectInput8Create(uint32_t, DirectInput8**);
    DirectInput8() = default;
    ~DirectInput8() = default;

    bool holdsJoysticks_ = false;  // SDL's joystick and haptic subsystems, initialised for this object
    bool holdsHaptics_ = false;
};

}  // namespace dinput
