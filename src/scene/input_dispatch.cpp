// The in-game input dispatch: one main-loop pass of keys, mouse buttons,
// motion and wheel turned into operations of the running scene.
//
//   gate and preparation     DispatchGameInput (top)
//   keys that went down      RunPressedCode, RunSlot
//   mouse buttons            RunButtonPress
//   held keys                RunHeldKeys
//   motion and wheel         TurnOrSelect, TurnWithWheel
#include <imgui.h>

#include <cstdint>

#include "input/input.h"
#include "platform/clock.h"
#include "platform/imgui_backends.h"
#include "scene/scene.h"
#include "shell/game.h"
#include "world/block_type.h"
#include "world/object.h"
#include "world/object_part.h"
#include "world/physic_body.h"
#include "world/polygons_grid.h"
#include "world/world.h"

namespace {

// Codes as CInput delivers them.
constexpr InputCode kCodeAltLeft = 1;
constexpr InputCode kCodeAltRight = 2;
constexpr InputCode kCodeCtrlLeft = 3;
constexpr InputCode kCodeCtrlRight = 4;
constexpr InputCode kCodeEnter = 13;
constexpr InputCode kCodeShift = 16;
constexpr InputCode kCodeEscape = 27;
constexpr InputCode kCodeSpace = 32;
constexpr InputCode kCodePageUp = 33;
constexpr InputCode kCodePageDown = 34;
constexpr InputCode kCodeLeftArrow = 37;
constexpr InputCode kCodeUpArrow = 38;
constexpr InputCode kCodeRightArrow = 39;
constexpr InputCode kCodeDownArrow = 40;
constexpr InputCode kCodeThrowKey = 'G';

constexpr int kMaxPressedCodes = 1024;
constexpr uint32_t kMoveRepeatMs = 150;   // held arrows repeat after more than this
constexpr uint32_t kThrowRepeatMs = 151;  // G repeats after at least this
constexpr uint32_t kDoubleClickMs = 500;
constexpr float kAxisScale = 0.35f;

// Indices of CGame::passFlags.
enum HeldModifier { kHeldShift = 0, kHeldAlt = 1, kHeldCtrl = 2, kHeldSpace = 3 };

// Slot tests run in this order for every pressed code; -1 stands for the
// fixed Enter key, tested between slots 6 and 33.
constexpr int kSlotOrder[] = {10, 11, 8,  9,  12, 13, 26, 39, 40, 41, 42, 43, 50, 44, 45, 46, 48, 49,
                              47, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 31, 35, 51, 25, 34, 27,
                              28, 29, 7,  32, 6,  -1, 33, 30};

// Held keys are looked at no more than once per clock millisecond.
uint32_t lastHeldKeyTime = 0;

bool AnyFlagOn(const CScene& scene, std::initializer_list<int> numbers)
{
    for (int n : numbers)
        if (scene.FlagOn(n)) return true;
    return false;
}

// How many of the interface's latest key presses are remembered: a press
// stays shown by the keyboard's reads for a few passes at most.
constexpr size_t kRememberedInterfacePresses = 256;

void Toggle(CScene& scene, int flag) { scene.Flag(flag) = scene.FlagOn(flag) ? 0 : 1; }

float Sign(float value) { return value > 0.0f ? 1.0f : (value < 0.0f ? -1.0f : 0.0f); }

// A camera-move record of the direct path or the smooth camera.
void SendCameraMove(CScene& scene, int32_t key, int32_t kind)
{
    CameraMove move;
    move.time = scene.timing.sceneClock;
    move.key = key;
    move.kind = kind;
    if (scene.FlagOn(kFlagSmoothCamera))
        scene.QueueCameraMove(move);
    else
        scene.cameraMoves.push_back(move);
}

void StampAndMove(CGame& game, CScene& scene, const char* timer, int direction, uint32_t now)
{
    game.actionTimes[timer] = now;
    scene.MoveSelected(direction);
}

// The effect of one binding slot whose code went down.
void RunSlot(CGame& game, CScene& scene, int slot, bool ctrl, bool shift, uint32_t now)
{
    CWorld* world = scene.world;
    switch (slot) {
    case kSlotJump: {
        CameraMove move;
        move.time = scene.timing.sceneClock;
        move.key = kCameraJumpKey;
        move.kind = kCameraJump;
        scene.cameraMoves.push_back(move);
        break;
    }
    case kSlotFlyCamera: scene.options.flyCamera = scene.options.flyCamera ? 0 : 1; break;
    case 8: StampAndMove(game, scene, "moveforward", 2, now); break;
    case 9: StampAndMove(game, scene, "moveback", 3, now); break;
    case 10: StampAndMove(game, scene, "moveleft", 0, now); break;
    case 11: StampAndMove(game, scene, "moveright", 1, now); break;
    case 12: StampAndMove(game, scene, "moveup", 4, now); break;
    case 13: StampAndMove(game, scene, "movedown", 5, now); break;
    case 14:
        if (world) world->currentBlockType = nullptr;
        break;
    case 25: scene.PlaceObjectAtCursor(); break;
    case 26:
        scene.DeleteSelected();
        if (ctrl) scene.recordedObjects.clear();
        break;
    case 27: scene.ApplyImpulseAtAim(1); break;
    case 28: scene.ApplyImpulseAtAim(0); break;
    case 29: scene.ClearScene(); break;
    case 30:
        scene.ThrowObject();
        game.actionTimes["throw"] = now;
        break;
    case 31: scene.shadowsOn = scene.shadowsOn ? 0 : 1; break;
    case kSlotObjectProperties: Toggle(scene, kFlagObjectProperties); break;
    case kSlotSunProperties: Toggle(scene, kFlagSunProperties); break;
    case 34:
        if (!ctrl) {
            scene.ApplyTextureToSelected();
        } else if (world && scene.selectedObject) {
            // Ctrl picks the texture up from the selected object instead.
            ObjectPart* part = scene.selectedObject->GetPart(0);
            if (part && part->mainMesh) world->currentTexture = part->mainMesh->textures[0];
        }
        break;
    case 35: Toggle(scene, kFlagPhysicsPaused); break;
    case 39:
        if (!scene.FlagOn(kFlagStartHints)) Toggle(scene, kFlagHelpWindow);
        scene.Flag(kFlagStartHints) = 0;
        break;
    case 40: Toggle(scene, kFlagExtToolBox); break;
    case 41: Toggle(scene, kFlagStats); break;
    case 42:
        if (!shift) Toggle(scene, kFlagLineToolBox);
        break;
    case 43: Toggle(scene, kFlagBlocksWindow); break;
    case 44: Toggle(scene, kFlagTexturesWindow); break;
    case 45: Toggle(scene, kFlagCameraOptions); break;
    case 46: Toggle(scene, kFlagMiscOptions); break;
    case 47:
        Toggle(scene, kFlagModelView);
        scene.ApplyModelViewMode();
        break;
    case kSlotShowHideToolBox: Toggle(scene, kFlagToolBox); break;
    case kSlotShowHideConsole: Toggle(scene, kFlagConsole); break;
    case kSlotPhysicsActive: Toggle(scene, kFlagPhysicsEnable); break;
    case kSlotCreateObjects: Toggle(scene, kFlagCreateObjectsDialog); break;
    default:
        if (slot >= 15 && slot <= kSlotTool10) {
            if (world) world->ChooseQuickBarTool(slot - 15);
            scene.RebuildCurrentBlockObject();
        }
        break;
    }
}

// Esc, then every slot bound to the code, in the fixed order.
void RunPressedCode(CGame& game, CScene& scene, InputCode code, bool ctrl, bool shift, uint32_t now)
{
    if (code == kCodeEscape) {
        bool closed = false;
        for (int flag : {15, 18, 19, 20, 21}) {
            if (scene.FlagOn(flag)) {
                scene.Flag(flag) = 0;
                closed = true;
                break;
            }
        }
        if (!closed) {
            Toggle(scene, kFlagSceneMenu);
            if (!scene.FlagOn(kFlagSceneMenu)) scene.Flag(kFlagSaveAsEntry) = 0;
        }
        // Esc is the one key read while the capture switch is set, so it
        // must always give the input back to the scene.
        game.modalOpen = 0;
    }
    for (int slot : kSlotOrder) {
        if (slot < 0) {
            if (code != kCodeEnter) continue;
            if (ctrl)
                scene.RecordObjectUnderCursor();
            else
                scene.ApplyRecordedObjects();
            continue;
        }
        if (game.keySlots[slot] == -1 || game.keySlots[slot] != code) continue;
        RunSlot(game, scene, slot, ctrl, shift, now);
    }
}

// A left press starts a drag, sets the cursor point on a double click, or
// adds a line vertex; a right press pushes what the aim is on.
void RunButtonPress(CGame& game, CScene& scene, const InputPress& press)
{
    if (press.code == kMouseButton0) {
        // Timed when they happened, so two clicks read passes apart in slow
        // frames are still a double click.
        const bool doubleClick = press.time - game.lastLeftClick < kDoubleClickMs;
        game.lastLeftClick = press.time;
        if (doubleClick) {
            scene.SetCursorPoint();
            // While "Generate Objects" is open, the preview follows the new cursor point.
            if (scene.FlagOn(kFlagGenerateObjects)) scene.GenerateObjects(scene.lastGeneratorType, 0);
        } else if (scene.FlagOn(kFlagLineToolBox) && scene.FlagOn(kFlagLineAddVertex)) {
            scene.AddLineVertexAtCursor();
        } else {
            scene.BeginDrag();
            scene.ActivateFlaggedLine();
        }
    } else if (press.code == kMouseButton0 + 1) {
        game.lastRightClick = press.time;
        scene.ApplyImpulseAtAim(0);
    }
}

// A key held down since a press that the interface took, or whose owner is
// not decided yet, is not the scene's.
bool HeldForElsewhere(const CGame& game, uint32_t pressSequence)
{
    if (pressSequence == 0) return false;
    for (const uint32_t taken : game.interfaceKeyPresses)
        if (taken == pressSequence) return true;
    for (const InputPress& press : game.undecidedPresses)
        if (press.sequence == pressSequence) return true;
    return false;
}

void ForgetOldInterfacePresses(CGame& game)
{
    auto& taken = game.interfaceKeyPresses;
    if (taken.size() > kRememberedInterfacePresses)
        taken.erase(taken.begin(), taken.end() - static_cast<std::ptrdiff_t>(kRememberedInterfacePresses));
}

// Modifiers, movement, the rotate keys and the repeating fixed keys.
void RunHeldKeys(CGame& game, CScene& scene, const CInput& input, uint32_t now, bool rotateHeld[3])
{
    scene.Flag(kFlagPitchKeyHeld) = 0;
    scene.Flag(kFlagRollKeyHeld) = 0;
    scene.Flag(kFlagYawKeyHeld) = 0;
    if (now == lastHeldKeyTime) return;
    lastHeldKeyTime = now;
    if (game.modalOpen || AnyFlagOn(scene, {15, 17, 18, 19, 20, 21})) return;

    const int count = input.PressedKeyCount();
    for (int i = 0; i < count; ++i) {
        const InputCode code = input.PressedKeyCode(i);
        if (code <= 0 || HeldForElsewhere(game, input.PressedKeySequence(i))) continue;
        if (code == kCodeAltLeft || code == kCodeAltRight) game.passFlags[kHeldAlt] = 1;
        if (code == kCodeCtrlLeft || code == kCodeCtrlRight) game.passFlags[kHeldCtrl] = 1;
        if (code == kCodeShift) game.passFlags[kHeldShift] = 1;
        if (code == kCodeSpace) game.passFlags[kHeldSpace] = 1;

        for (int slot = kSlotForward; slot <= kSlotDown; ++slot)
            if (game.keySlots[slot] == code) SendCameraMove(scene, slot + 1, slot + 1);

        for (int r = 0; r < 3; ++r) {
            if (game.keySlots[36 + r] == code) {
                scene.Flag(kFlagPitchKeyHeld + r) = 1;
                rotateHeld[r] = true;
            }
        }

        struct Repeat {
            InputCode code;
            const char* timer;
            int direction;
        };
        static constexpr Repeat kRepeats[] = {
            {kCodeLeftArrow, "moveleft", 0}, {kCodeRightArrow, "moveright", 1}, {kCodeUpArrow, "moveforward", 2},
            {kCodeDownArrow, "moveback", 3}, {kCodePageUp, "moveup", 4},       {kCodePageDown, "movedown", 5},
        };
        for (const Repeat& repeat : kRepeats)
            if (code == repeat.code && now - game.actionTimes[repeat.timer] > kMoveRepeatMs)
                StampAndMove(game, scene, repeat.timer, repeat.direction, now);
        if (code == kCodeThrowKey && now - game.actionTimes["throw"] >= kThrowRepeatMs) {
            game.actionTimes["throw"] = now;
            scene.ThrowObject();
        }
    }
}

// Mouse motion on one axis: turn the viewer, then drag or select.
void TurnOrSelect(CScene& scene, float amount, int32_t keyPlus, int32_t keyMinus, bool horizontal, bool space,
                  bool leftHeld, float frameTime)
{
    CameraMove move;
    move.time = scene.timing.sceneClock;
    move.key = amount > 0.0f ? keyPlus : keyMinus;
    move.kind = kCameraSmoothOnly;
    if (!space) {
        if (scene.FlagOn(kFlagSmoothCamera)) {
            scene.QueueCameraMove(move);
        } else {
            const float turn = scene.options.turnFactor * amount * frameTime * 50.0f;
            if (horizontal)
                scene.mainCamera.Yaw(turn);
            else
                scene.mainCamera.Pitch(turn);
            // The pick below aims along the view this motion turned to, not
            // the one the last frame was drawn with.
            scene.mainCamera.UpdateViewMatrix();
        }
    }
    if (scene.draggedObject && leftHeld) {
        scene.DragWithMouse(0.0f);
        scene.EditLinePoint(1);
    } else {
        scene.SelectAtCursor();
    }
}

void TurnWithWheel(CScene& scene, float wheel, const bool rotateHeld[3])
{
    CWorld* world = scene.world;
    const float step = Sign(wheel) * scene.options.mouseRotateStep;
    BlockType* type = world ? world->currentBlockType : nullptr;
    if (rotateHeld[0] || rotateHeld[1] || rotateHeld[2]) {
        bool changed = false;
        if (type && world->previewObject) {
            float* angles[3] = {&type->pitch, &type->roll, &type->yaw};
            for (int r = 0; r < 3; ++r) {
                if (!rotateHeld[r]) continue;
                *angles[r] += step;
                changed = true;
            }
        }
        if (!changed)
            scene.RotateDraggedObject(rotateHeld[0] ? step : 0.0f, rotateHeld[1] ? step : 0.0f,
                                      rotateHeld[2] ? step : 0.0f);
        return;
    }
    CNBObject* selected = scene.selectedObject;
    if (selected && !scene.FlagOn(kFlagModelView) && !scene.FlagOn(kFlagBlocksWindow) && selected->Kind != 1 &&
        selected->PhysicBody && selected->PhysicBody->Body) {
        scene.RotateSelected(wheel);
        return;
    }
    if (type) type->yaw += step;
}

}  // namespace

void CGame::DispatchGameInput()
{
    if (!input || !scene) return;
    CScene& s = *scene;
    // The interface keeps the keys only while one of its text fields takes
    // typing or a modal popup waits for an answer, and a click only where
    // the pointer lay over one of its windows when the button went down (an
    // exclusive mouse points at none). Whatever it does not keep goes to the
    // scene, in every window. Until the scene has drawn a frame of its own
    // the interface's state is the front end's (a world name still being
    // typed when the world was made), which holds nothing of this scene: a
    // key pressed while the world was made acts in its first pass.
    const bool interfaceCounts = ImGui::GetCurrentContext() && s.timing.started;
    const bool keysToInterface = interfaceCounts && platform::ImGuiHoldsKeyboard();
    const bool mouseToInterface = interfaceCounts && !input->mouseExclusive && platform::PointerOverImGuiWindow();

    // ---- preparation ----
    for (int32_t& held : passFlags) held = 0;
    const float frameTime = s.timing.FrameTime();
    if (!s.FlagOn(kFlagSmoothCamera)) s.cameraMoves.clear();
    std::vector<InputPress> presses = std::move(undecidedPresses);
    undecidedPresses.clear();
    const std::vector<InputPress> read = input->PressesInOrder();
    presses.insert(presses.end(), read.begin(), read.end());
    const uint32_t now = platform::TimeGetTime();

    // ---- keys and buttons that went down, in the order they did ----
    // Each goes where it went as it happened: a press made while a text
    // field held the keyboard is the field's, whichever read reports it,
    // and acts with the modifiers held when it was made. So does each turn
    // of the wheel: the scene turns with those made where it had the pointer.
    int pressedCodes = 0;
    int32_t sceneWheel = 0;
    for (size_t i = 0; i < presses.size(); ++i) {
        const InputPress& press = presses[i];
        const platform::InputOwner owner =
            interfaceCounts ? platform::OwnerOfInputEvent(press.sequence) : platform::InputOwner::Program;
        if (owner == platform::InputOwner::Undecided) {
            // The interface's next frame decides where these go.
            undecidedPresses.assign(presses.begin() + static_cast<std::ptrdiff_t>(i), presses.end());
            break;
        }
        if (press.code == kMouseWheel) {
            if (owner == platform::InputOwner::Program) sceneWheel += press.wheel;
            continue;
        }
        const bool button = press.code >= kMouseButton0;
        if (owner == platform::InputOwner::Interface) {
            if (!button) interfaceKeyPresses.push_back(press.sequence);
            continue;
        }
        if (button) {
            // A click made before the world was first shown was aimed at the
            // screen that opened it (the second press of a double click on
            // "Continue"), not at anything in the world.
            const bool madeBeforeShown = !s.timing.shown || static_cast<int32_t>(press.time - s.timing.firstShownAt) <= 0;
            if (!madeBeforeShown) RunButtonPress(*this, s, press);
            continue;
        }
        // While the capture switch is set only Esc gets through, to end it.
        if (modalOpen && press.code != kCodeEscape) continue;
        if (pressedCodes++ < kMaxPressedCodes) RunPressedCode(*this, s, press.code, press.ctrl, press.shift, now);
    }

    // ---- held keys ----
    bool rotateHeld[3] = {false, false, false};
    if (!keysToInterface) {
        RunHeldKeys(*this, s, *input, now, rotateHeld);
    } else {
        s.Flag(kFlagPitchKeyHeld) = s.Flag(kFlagRollKeyHeld) = s.Flag(kFlagYawKeyHeld) = 0;
        // In a text field Shift only types capitals, so it may still free
        // the mouse: the way to click out of the field while the mouse turns
        // the camera.
        for (int i = 0; i < input->PressedKeyCount() && !modalOpen; ++i)
            if (input->PressedKeyCode(i) == kCodeShift) passFlags[kHeldShift] = 1;
    }
    ForgetOldInterfacePresses(*this);

    // ---- motion and wheel ----
    const bool leftHeld = (input->mouseState.rgbButtons[0] & 0x80) != 0;
    const bool shiftHeld = passFlags[kHeldShift] != 0;
    const bool space = passFlags[kHeldSpace] != 0;
    const int exclusive = !shiftHeld && !AnyFlagOn(s, {9, 11, 12, 13, 14, 15, 17, 18, 19, 20, 21, 30, 32, 33});
    if (exclusive != (input->mouseExclusive != 0)) input->SetMouseExclusive(exclusive);
    s.spaceHeld = space ? 1 : 0;

    const bool turningBlocked = shiftHeld || AnyFlagOn(s, {15, 16, 17, 18, 19, 20, 21});
    // Over a window the pointer neither turns the viewer nor selects what
    // lies behind the window.
    const auto axis = [this, mouseToInterface](InputCode code) {
        return mouseToInterface ? 0.0f : static_cast<float>(input->GetMouseAxis(code)) * kAxisScale;
    };
    const float x = axis(kMouseAxisX);
    const float y = axis(kMouseAxisY);
    const float w = static_cast<float>(sceneWheel) * kAxisScale;
    if (x != 0.0f && !turningBlocked)
        TurnOrSelect(s, x, kCameraYawPlus, kCameraYawMinus, true, space, leftHeld, frameTime);
    if (y != 0.0f && !turningBlocked)
        TurnOrSelect(s, y, kCameraPitchPlus, kCameraPitchMinus, false, space, leftHeld, frameTime);
    if (w != 0.0f) TurnWithWheel(s, w, rotateHeld);
}
