// Index:
//   The input system: focus, key and button state, live devices
//   What the layer asks of the system (SDL, or the test seam's fakes)
//   Events from the message loop
//   DirectInputDevice8
//   DirectInput8
//   Test seam
#include "platform/input/dinput.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <vector>

#include "platform/input/event_times.h"
#include "platform/input/fake_input.h"
#include "platform/input/input_events.h"
#include "platform/input/input_log.h"
#include "platform/input/scan_codes.h"
#include "platform/window_internal.h"

namespace dinput {

// ---------------------------------------------------------------------------
// The input system: what the window has seen so far. One per process, main
// thread only, like the window it follows.
// ---------------------------------------------------------------------------
namespace {

// What the devices see of the recorded input: keys by DIK code (two SDL
// keys may share one). The buttons are the log's own (platform::ButtonHeld).
struct InputSystem {
    uint8_t keys[256] = {};
    std::vector<DirectInputDevice8*> devices;  // every live device, for events and focus changes

    // The test seam's stand-ins for SDL.
    bool fake = false;
    bool fakeRelativeMode = false;
    std::vector<fake::FakeController> fakeControllers;
    int fakeOpenControllers = 0;
    int fakeMostOpen = 0;
    int fakeAxisRanges = 0;
    std::optional<HResult> forcedAcquire;
    int acquireCalls = 0;
};

InputSystem& System()
{
    static InputSystem system;
    return system;
}

void ResetInputState()
{
    InputSystem& system = System();
    ForgetInputOfEarlierWindows();
    system.fakeRelativeMode = false;
    system.fakeControllers.clear();
    system.fakeMostOpen = system.fakeOpenControllers;
    system.fakeAxisRanges = 0;
    system.forcedAcquire.reset();
    system.acquireCalls = 0;
}

int32_t AddSaturated(int32_t total, int64_t amount)
{
    const int64_t sum = int64_t{total} + amount;
    return static_cast<int32_t>(std::clamp<int64_t>(sum, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

bool IsForeground(uint32_t cooperation) { return (cooperation & DISCL_FOREGROUND) != 0; }

uint32_t StateBytes(DataFormat format)
{
    switch (format) {
    case DataFormat::Keyboard: return 256;
    case DataFormat::Mouse2: return sizeof(MouseState2);
    case DataFormat::Joystick2: return sizeof(JoyState2);
    case DataFormat::None: break;
    }
    return 0;
}

// The SDL number of a DirectInput button (the test seam sends SDL events).
int SdlButton(int directInputButton)
{
    switch (directInputButton) {
    case 0: return SDL_BUTTON_LEFT;
    case 1: return SDL_BUTTON_RIGHT;
    case 2: return SDL_BUTTON_MIDDLE;
    default: break;
    }
    return directInputButton + 1;
}

// ---------------------------------------------------------------------------
// What the layer asks of the system: relative mouse mode, joysticks, haptics.
// ---------------------------------------------------------------------------
void SetRelativeMouseMode(bool on)
{
    if (System().fake) {
        System().fakeRelativeMode = on;
        return;
    }
    // Without a video driver that supports it SDL refuses; relative motion still
    // arrives in the motion events, so the mouse keeps working, only not captured.
    SDL_SetRelativeMouseMode(on ? SDL_TRUE : SDL_FALSE);
}

// The SDL device index of a joystick instance, or -1 when it went away.
int JoystickIndex(int32_t instance)
{
    const int count = SDL_NumJoysticks();
    for (int i = 0; i < count; ++i) {
        if (SDL_JoystickGetDeviceInstanceID(i) == instance) return i;
    }
    return -1;
}

struct ControllerObjects {
    int axes = 0;
    int pointsOfView = 0;
    int buttons = 0;
};

}  // namespace

// Layer-internal access to a device's private state.
struct DeviceAccess {
    static void Register(DirectInputDevice8* device) { System().devices.push_back(device); }
    static void Unregister(DirectInputDevice8* device)
    {
        auto& devices = System().devices;
        devices.erase(std::remove(devices.begin(), devices.end(), device), devices.end());
    }

    static void HoldRelativeMode(DirectInputDevice8& device, bool hold)
    {
        if (device.holdsRelativeMode_ == hold) return;
        device.holdsRelativeMode_ = hold;
        SetRelativeMouseMode(hold);
    }

    // Focus went to another window: foreground devices are unacquired and their
    // next read reports the loss.
    static void LoseFocus()
    {
        InputSystem& system = System();
        for (DirectInputDevice8* device : system.devices) {
            if (!device->acquired_ || !IsForeground(device->cooperation_)) continue;
            device->acquired_ = false;
            device->lost_ = true;
            HoldRelativeMode(*device, false);
        }
        // Keys released elsewhere are never reported to this window.
        std::memset(system.keys, 0, sizeof system.keys);
    }

    // A key or button went down: every acquired device of its kind has one
    // more press for its immediate reads to show.
    static void NotePress(DeviceKind kind, int index)
    {
        for (DirectInputDevice8* device : System().devices) {
            if (device->guid_.kind != kind || !device->acquired_) continue;
            uint32_t& unread = device->controls_[index].unreadPresses;
            if (unread < std::numeric_limits<uint32_t>::max()) ++unread;
        }
    }

    // One read of one key or button: a press not shown yet comes first (down,
    // and up before the next one); otherwise the control as it is now.
    static uint8_t ReadControl(DirectInputDevice8::Control& control, bool down)
    {
        if (!control.shown) {
            if (control.unreadPresses > 0) {
                control.shown = true;
                --control.unreadPresses;
            } else if (down) {
                control.shown = true;  // held since before the device was acquired
            }
        } else if (control.unreadPresses > 0 || !down) {
            control.shown = false;
        }
        return control.shown ? 0x80 : 0;
    }

    static void AddMouseMotion(int64_t dx, int64_t dy, int64_t wheel)
    {
        for (DirectInputDevice8* device : System().devices) {
            if (device->guid_.kind != DeviceKind::Mouse || !device->acquired_) continue;
            device->motionX_ = AddSaturated(device->motionX_, dx);
            device->motionY_ = AddSaturated(device->motionY_, dy);
            device->wheel_ = AddSaturated(device->wheel_, wheel);
        }
    }

    static ControllerObjects Objects(const DirectInputDevice8& device)
    {
        ControllerObjects objects;
        if (device.guid_.kind != DeviceKind::Controller) return objects;
        if (device.fakeController_ >= 0) {
            const auto& controllers = System().fakeControllers;
            if (static_cast<size_t>(device.fakeController_) >= controllers.size()) return objects;
            const fake::FakeController& controller = controllers[static_cast<size_t>(device.fakeController_)];
            objects = {controller.axes, controller.pointsOfView, controller.buttons};
        } else if (device.joystick_) {
            auto* joystick = static_cast<SDL_Joystick*>(device.joystick_);
            objects = {SDL_JoystickNumAxes(joystick), SDL_JoystickNumHats(joystick),
                       SDL_JoystickNumButtons(joystick)};
        }
        // DIJOYSTATE2 has room for eight axes, four points of view and 128 buttons.
        objects.axes = std::clamp(objects.axes, 0, 8);
        objects.pointsOfView = std::clamp(objects.pointsOfView, 0, 4);
        objects.buttons = std::clamp(objects.buttons, 0, 128);
        return objects;
    }
};

// ---------------------------------------------------------------------------
// DirectInputDevice8
// ---------------------------------------------------------------------------
HResult DirectInputDevice8::SetDataFormat(DataFormat format)
{
    if (acquired_) return DIERR_ACQUIRED;
    const DataFormat expected = guid_.kind == DeviceKind::Keyboard ? DataFormat::Keyboard
                                : guid_.kind == DeviceKind::Mouse  ? DataFormat::Mouse2
                                                                   : DataFormat::Joystick2;
    if (format != expected) return DIERR_INVALIDPARAM;
    format_ = format;
    return DI_OK;
}

HResult DirectInputDevice8::SetCooperativeLevel(WindowHandle window, uint32_t flags)
{
    const uint32_t access = flags & (DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE);
    const uint32_t scope = flags & (DISCL_FOREGROUND | DISCL_BACKGROUND);
    if ((access != DISCL_EXCLUSIVE && access != DISCL_NONEXCLUSIVE) ||
        (scope != DISCL_FOREGROUND && scope != DISCL_BACKGROUND))
        return DIERR_INVALIDPARAM;
    if (acquired_) return DIERR_ACQUIRED;
    cooperation_ = flags;
    return DI_OK;
}

HResult DirectInputDevice8::Acquire()
{
    InputSystem& system = System();
    ++system.acquireCalls;
    if (system.forcedAcquire) return *system.forcedAcquire;
    if (format_ == DataFormat::None) return DIERR_INVALIDPARAM;
    if (acquired_) return DI_NOEFFECT;
    if (IsForeground(cooperation_) && !platform::InputFocused()) return DIERR_OTHERAPPHASPRIO;
    acquired_ = true;
    lost_ = false;
    // Motion and presses before the acquisition are not this device's.
    motionX_ = motionY_ = wheel_ = 0;
    for (Control& control : controls_) control = Control {};
    if (guid_.kind == DeviceKind::Mouse && (cooperation_ & DISCL_EXCLUSIVE))
        DeviceAccess::HoldRelativeMode(*this, true);
    return DI_OK;
}

HResult DirectInputDevice8::Unacquire()
{
    lost_ = false;
    if (!acquired_) return DI_NOEFFECT;
    acquired_ = false;
    DeviceAccess::HoldRelativeMode(*this, false);
    return DI_OK;
}

HResult DirectInputDevice8::GetDeviceState(uint32_t bytes, void* data)
{
    if (!data || format_ == DataFormat::None || bytes != StateBytes(format_)) return DIERR_INVALIDPARAM;
    if (!acquired_) {
        if (lost_) {
            lost_ = false;
            return DIERR_INPUTLOST;
        }
        return DIERR_NOTACQUIRED;
    }
    const InputSystem& system = System();
    switch (guid_.kind) {
    case DeviceKind::Keyboard: {
        uint8_t keys[256];
        for (int key = 0; key < 256; ++key)
            keys[key] = DeviceAccess::ReadControl(controls_[key], (system.keys[key] & 0x80) != 0);
        std::memcpy(data, keys, sizeof keys);
        break;
    }
    case DeviceKind::Mouse: {
        MouseState2 state {motionX_, motionY_, wheel_, {}};
        for (int button = 0; button < 8; ++button)
            state.rgbButtons[button] =
                DeviceAccess::ReadControl(controls_[button], platform::ButtonHeld(button));
        std::memcpy(data, &state, sizeof state);
        motionX_ = motionY_ = wheel_ = 0;
        break;
    }
    case DeviceKind::Controller: {
        // Controllers are opened and configured but the program never reads
        // them: an acquired one reports the centre and no button.
        JoyState2 state {};
        for (uint32_t& pov : state.rgdwPOV) pov = 0xFFFFFFFFu;
        std::memcpy(data, &state, sizeof state);
        break;
    }
    }
    return DI_OK;
}

HResult DirectInputDevice8::SetAxisRange(uint32_t objectId, int32_t minimum, int32_t maximum)
{
    if (guid_.kind != DeviceKind::Controller || minimum >= maximum) return DIERR_INVALIDPARAM;
    if (acquired_) return DIERR_ACQUIRED;
    if (objectId >= static_cast<uint32_t>(DeviceAccess::Objects(*this).axes)) return DIERR_INVALIDPARAM;
    // Nothing reads a controller, so the range has nothing to scale.
    if (fakeController_ >= 0) ++System().fakeAxisRanges;
    return DI_OK;
}

HResult DirectInputDevice8::EnumObjects(const std::function<int(const DeviceObjectInstance&)>& callback)
{
    if (!callback) return DIERR_INVALIDPARAM;
    const ControllerObjects objects = DeviceAccess::Objects(*this);
    // Object ids: axes 0..7, points of view from 0x100, buttons from 0x200.
    for (int i = 0; i < objects.axes; ++i)
        if (callback({ObjectKind::Axis, static_cast<uint32_t>(i)}) == DIENUM_STOP) return DI_OK;
    for (int i = 0; i < objects.pointsOfView; ++i)
        if (callback({ObjectKind::PointOfView, 0x100u + static_cast<uint32_t>(i)}) == DIENUM_STOP) return DI_OK;
    for (int i = 0; i < objects.buttons; ++i)
        if (callback({ObjectKind::Button, 0x200u + static_cast<uint32_t>(i)}) == DIENUM_STOP) return DI_OK;
    return DI_OK;
}

HResult DirectInputDevice8::EnumEffects(const std::function<int(int effectType)>& callback)
{
    if (!callback || guid_.kind != DeviceKind::Controller) return DIERR_INVALIDPARAM;
    if (fakeController_ >= 0) {
        const auto& controllers = System().fakeControllers;
        if (static_cast<size_t>(fakeController_) >= controllers.size() ||
            !controllers[static_cast<size_t>(fakeController_)].forceFeedback)
            return DIERR_UNSUPPORTED;
        callback(SDL_HAPTIC_CONSTANT);
        return DI_OK;
    }
    auto* joystick = static_cast<SDL_Joystick*>(joystick_);
    SDL_Haptic* haptic = joystick ? SDL_HapticOpenFromJoystick(joystick) : nullptr;
    if (!haptic) return DIERR_UNSUPPORTED;
    const unsigned int supported = SDL_HapticQuery(haptic);
    for (unsigned int bit = 1; bit != 0 && bit <= supported; bit <<= 1) {
        if ((supported & bit) && callback(static_cast<int>(bit)) == DIENUM_STOP) break;
    }
    SDL_HapticClose(haptic);
    return DI_OK;
}

void DirectInputDevice8::Release()
{
    Unacquire();
    if (joystick_) SDL_JoystickClose(static_cast<SDL_Joystick*>(joystick_));
    if (fakeController_ >= 0) --System().fakeOpenControllers;
    DeviceAccess::Unregister(this);
    delete this;
}

// ---------------------------------------------------------------------------
// DirectInput8
// ---------------------------------------------------------------------------
HResult DirectInput8Create(uint32_t version, DirectInput8** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (version < DIRECTINPUT_VERSION) return DIERR_OLDDIRECTINPUTVERSION;
    if (version > DIRECTINPUT_VERSION) return DIERR_BETADIRECTINPUTVERSION;
    auto* directInput = new (std::nothrow) DirectInput8();
    if (!directInput) return E_OUTOFMEMORY;
    if (!System().fake) {
        // No joystick support means no controllers, not a failure.
        directInput->holdsJoysticks_ = SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0;
        directInput->holdsHaptics_ = directInput->holdsJoysticks_ && SDL_InitSubSystem(SDL_INIT_HAPTIC) == 0;
    }
    *out = directInput;
    return DI_OK;
}

HResult DirectInput8::CreateDevice(const DeviceGuid& guid, DirectInputDevice8** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    void* joystick = nullptr;
    int fakeController = -1;
    if (guid.kind == DeviceKind::Controller) {
        InputSystem& system = System();
        if (system.fake) {
            if (guid.instance < 0 || static_cast<size_t>(guid.instance) >= system.fakeControllers.size())
                return DIERR_DEVICENOTREG;
            fakeController = guid.instance;
        } else {
            const int index = holdsJoysticks_ ? JoystickIndex(guid.instance) : -1;
            joystick = index >= 0 ? SDL_JoystickOpen(index) : nullptr;
            if (!joystick) return DIERR_DEVICENOTREG;
        }
    }
    auto* device = new (std::nothrow) DirectInputDevice8(guid);
    if (!device) {
        if (joystick) SDL_JoystickClose(static_cast<SDL_Joystick*>(joystick));
        return E_OUTOFMEMORY;
    }
    device->joystick_ = joystick;
    device->fakeController_ = fakeController;
    if (fakeController >= 0) {
        InputSystem& system = System();
        system.fakeMostOpen = std::max(system.fakeMostOpen, ++system.fakeOpenControllers);
    }
    DeviceAccess::Register(device);
    *out = device;
    return DI_OK;
}

HResult DirectInput8::EnumDevices(DeviceClass deviceClass, const std::function<int(const DeviceInstance&)>& callback,
                                  uint32_t flags)
{
    if (!callback) return DIERR_INVALIDPARAM;
    const bool forceFeedbackOnly = (flags & DIEDFL_FORCEFEEDBACK) != 0;
    // Keyboard and mouse are always attached and have no force feedback.
    if (!forceFeedbackOnly) {
        if ((deviceClass == DeviceClass::All || deviceClass == DeviceClass::Keyboard) &&
            callback({GUID_SysKeyboard, "Keyboard", false}) == DIENUM_STOP)
            return DI_OK;
        if ((deviceClass == DeviceClass::All || deviceClass == DeviceClass::Pointer) &&
            callback({GUID_SysMouse, "Mouse", false}) == DIENUM_STOP)
            return DI_OK;
    }
    if (deviceClass != DeviceClass::All && deviceClass != DeviceClass::GameController) return DI_OK;

    std::vector<DeviceInstance> controllers;
    if (System().fake) {
        const auto& fakes = System().fakeControllers;
        for (size_t i = 0; i < fakes.size(); ++i)
            controllers.push_back({{DeviceKind::Controller, static_cast<int32_t>(i)}, fakes[i].name,
                                   fakes[i].forceFeedback});
    } else if (holdsJoysticks_) {
        const int count = SDL_NumJoysticks();
        for (int i = 0; i < count; ++i) {
            const char* name = SDL_JoystickNameForIndex(i);
            bool forceFeedback = false;
            if (forceFeedbackOnly && holdsHaptics_) {
                // SDL tells force feedback only of an open joystick.
                if (SDL_Joystick* joystick = SDL_JoystickOpen(i)) {
                    forceFeedback = SDL_JoystickIsHaptic(joystick) == SDL_TRUE;
                    SDL_JoystickClose(joystick);
                }
            }
            controllers.push_back({{DeviceKind::Controller, SDL_JoystickGetDeviceInstanceID(i)},
                                   name ? name : "", forceFeedback});
        }
    }
    for (const DeviceInstance& controller : controllers) {
        if (forceFeedbackOnly && !controller.forceFeedback) continue;
        if (callback(controller) == DIENUM_STOP) break;
    }
    return DI_OK;
}

void DirectInput8::Release()
{
    if (holdsHaptics_) SDL_QuitSubSystem(SDL_INIT_HAPTIC);
    if (holdsJoysticks_) SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    delete this;
}

// ---------------------------------------------------------------------------
// Test seam
// ---------------------------------------------------------------------------
namespace fake {

namespace {

// Made now, as far as the layer can tell.
void Send(SDL_Event& event)
{
    platform::StampAsMadeNow(event);
    DispatchEventToInput(event);
}

void SendKey(uint8_t dik, bool down)
{
    const int scancode = ScancodeFromDik(dik);
    if (scancode == 0) return;
    SDL_Event event {};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.scancode = static_cast<SDL_Scancode>(scancode);
    Send(event);
}

void SendButton(int button, bool down)
{
    SDL_Event event {};
    event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    event.button.button = static_cast<Uint8>(SdlButton(button));
    event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    Send(event);
}

void SendFocus(bool gained)
{
    SDL_Event event {};
    event.type = SDL_WINDOWEVENT;
    event.window.event = gained ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST;
    Send(event);
}

}  // namespace

void UseFakeSystem()
{
    System().fake = true;
    ResetInputState();
}

void UseSdlSystem()
{
    System().fake = false;
    ResetInputState();
}

void KeyDown(uint8_t dik) { SendKey(dik, true); }
void KeyUp(uint8_t dik) { SendKey(dik, false); }

void MoveMouse(int dx, int dy)
{
    SDL_Event event {};
    event.type = SDL_MOUSEMOTION;
    event.motion.xrel = dx;
    event.motion.yrel = dy;
    Send(event);
}

void TurnWheel(int notches)
{
    SDL_Event event {};
    event.type = SDL_MOUSEWHEEL;
    event.wheel.y = notches;
    event.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
    Send(event);
}

void PressButton(int button) { SendButton(button, true); }
void ReleaseButton(int button) { SendButton(button, false); }
void LoseFocus() { SendFocus(false); }
void GainFocus() { SendFocus(true); }

bool RelativeMouseMode() { return System().fakeRelativeMode; }

void SetControllers(const std::vector<FakeController>& controllers) { System().fakeControllers = controllers; }
int OpenControllerCount() { return System().fakeOpenControllers; }
int MostControllersOpenAtOnce() { return System().fakeMostOpen; }
int AxisRangesSet() { return System().fakeAxisRanges; }

void ForceAcquireResult(std::optional<HResult> result) { System().forcedAcquire = result; }
int AcquireCallCount() { return System().acquireCalls; }

}  // namespace fake

}  // namespace dinput

// ---------------------------------------------------------------------------
// Events from the message loop: recorded first, then handed to the devices
// as the log describes them.
// ---------------------------------------------------------------------------
namespace dinput {
namespace {

void DeliverToDevices(const platform::InputEvent& event)
{
    using Kind = platform::InputEvent::Kind;
    switch (event.kind) {
    case Kind::KeyDown:
    case Kind::KeyUp:
        if (const uint8_t dik = DikFromScancode(event.scancode)) {
            uint8_t& key = System().keys[dik];
            const bool down = event.kind == Kind::KeyDown;
            // Two keys that share a code change it only when it changes.
            if (down && !(key & 0x80)) DeviceAccess::NotePress(DeviceKind::Keyboard, dik);
            key = down ? 0x80 : 0;
        }
        break;
    case Kind::ButtonDown: DeviceAccess::NotePress(DeviceKind::Mouse, event.button); break;
    case Kind::Motion: DeviceAccess::AddMouseMotion(event.dx, event.dy, 0); break;
    // DirectInput counts 120 per notch, positive away from the user.
    case Kind::Wheel: DeviceAccess::AddMouseMotion(0, 0, int64_t{event.dy} * 120); break;
    case Kind::FocusLost: DeviceAccess::LoseFocus(); break;
    default: break;
    }
}

}  // namespace
}  // namespace dinput

void DispatchEventToInput(const SDL_Event& event)
{
    platform::PointerNow pointer;
    pointer.known = platform::PointerInBackBuffer(&pointer.x, &pointer.y, &pointer.inWindow);
    platform::InputEvent recorded;
    if (platform::RecordInputEvent(event, pointer, &recorded)) dinput::DeliverToDevices(recorded);
}

void ForgetInputOfEarlierWindows()
{
    platform::ForgetRecordedInput();
    std::memset(dinput::System().keys, 0, sizeof dinput::System().keys);
}
