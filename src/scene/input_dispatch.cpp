// The in-game input dispatch: the keys, clicks, moves and turns of the wheel
// the input router gave the scene in one main-loop pass, in the order made,
// turned into operations of the running scene.
//
//   what may change owners   InputOfThisPass, ChangesWhoTakesInput
//   keys that went down      RunPressedCode, RunSlot
//   mouse buttons            RunButtonPress
//   held keys                RunHeldKeys
//   motion and wheel         PointerMoves, TurnOrSelect, TurnWithWheel
//   the pass                 DispatchGameInput (bottom)
#include <cmath>
#include <cstdint>

#include "input/input.h"
#include "platform/clock.h"
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

// A window is open that needs the pointer free (the mouse may not turn the
// camera while it shows).
bool WindowKeepsPointerFree(const CScene& scene)
{
    return AnyFlagOn(scene, {9, 11, 12, 13, 14, 15, 17, 18, 19, 20, 21, 30, 32, 33});
}

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

// The pointer where an event left it: what the aim through the mouse
// follows while that event is handled.
void FollowPointer(CScene& scene, const platform::InputEvent& event)
{
    if (!event.pointerKnown) return;
    scene.pointerKnown = true;
    scene.pointerX = static_cast<int>(std::floor(event.x));
    scene.pointerY = static_cast<int>(std::floor(event.y));
}

// A left press starts a drag, sets the cursor point on a double click, or
// adds a line vertex; a right press pushes what the aim is on.
void RunButtonPress(CGame& game, CScene& scene, const RoutedEvent& press)
{
    if (press.code == kMouseButton0) {
        // Timed when they were made, so two clicks read in one slow frame
        // are two clicks, and two read frames apart may be a double click.
        const bool doubleClick = press.event.time - game.lastLeftClick < kDoubleClickMs;
        game.lastLeftClick = press.event.time;
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
        game.lastRightClick = press.event.time;
        scene.ApplyImpulseAtAim(0);
    }
}

// Modifiers, movement, the rotate keys and the repeating fixed keys.
void RunHeldKeys(CGame& game, CScene& scene, const std::vector<InputCode>& held, uint32_t now, bool rotateHeld[3])
{
    scene.Flag(kFlagPitchKeyHeld) = 0;
    scene.Flag(kFlagRollKeyHeld) = 0;
    scene.Flag(kFlagYawKeyHeld) = 0;
    if (now == lastHeldKeyTime) return;
    lastHeldKeyTime = now;
    if (game.modalOpen || AnyFlagOn(scene, {15, 17, 18, 19, 20, 21})) return;

    for (const InputCode code : held) {
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

// The program's moves and turns of the wheel since the last press: handled
// in one go before the next press, so a press acts on the view and the
// selection the moves before it left.
class PointerMoves {
public:
    void Add(const RoutedEvent& routed)
    {
        const platform::InputEvent& event = routed.event;
        if (event.kind == platform::InputEvent::Kind::Motion) {
            x_ += static_cast<float>(event.dx) * kAxisScale;
            y_ += static_cast<float>(event.dy) * kAxisScale;
        } else {
            wheel_ += static_cast<float>(event.dy) * 120.0f * kAxisScale;
        }
        last_ = routed;
        pending_ = true;
    }

    // Turns the viewer and picks again (or drags) for the moves, then turns
    // with the wheel. The held modifiers are those of the last move.
    void Apply(CScene& scene, float frameTime, const bool rotateHeld[3])
    {
        if (!pending_) return;
        pending_ = false;
        FollowPointer(scene, last_.event);
        scene.spaceHeld = last_.space ? 1 : 0;
        const bool turningBlocked = last_.shift || AnyFlagOn(scene, {15, 16, 17, 18, 19, 20, 21});
        if (x_ != 0.0f && !turningBlocked)
            TurnOrSelect(scene, x_, kCameraYawPlus, kCameraYawMinus, true, last_.space, last_.leftButton, frameTime);
        if (y_ != 0.0f && !turningBlocked)
            TurnOrSelect(scene, y_, kCameraPitchPlus, kCameraPitchMinus, false, last_.space, last_.leftButton, frameTime);
        if (wheel_ != 0.0f) TurnWithWheel(scene, wheel_, rotateHeld);
        x_ = y_ = wheel_ = 0.0f;
    }

private:
    float x_ = 0.0f;
    float y_ = 0.0f;
    float wheel_ = 0.0f;
    RoutedEvent last_;
    bool pending_ = false;
};

// The rotate keys held as the pass ends (the wheel turns by them).
void RotateKeysHeld(const CGame& game, const std::vector<InputCode>& held, bool rotateHeld[3])
{
    for (int r = 0; r < 3; ++r) {
        rotateHeld[r] = false;
        for (const InputCode code : held)
            if (code > 0 && game.keySlots[36 + r] == code) rotateHeld[r] = true;
    }
}

// Slots whose action opens or closes a window (or the model view).
constexpr int kWindowSlots[] = {kSlotObjectProperties, kSlotSunProperties, 39, 40, 41, 42, 43, 44, 45, 46, 47,
                                kSlotShowHideToolBox, kSlotShowHideConsole, kSlotCreateObjects};

// Whether the scene's handling of an event it takes may change who takes the
// next ones: Esc and the keys of the window slots open and close windows
// (which then take clicks, or free the mouse); Shift frees the mouse, or
// takes it again, when no window keeps it free.
bool ChangesWhoTakesInput(const CGame& game, const RoutedEvent& routed)
{
    const CScene* scene = game.scene;
    if (!scene) return false;
    const platform::InputEvent& event = routed.event;
    const bool key = event.kind == platform::InputEvent::Kind::KeyDown ||
                     event.kind == platform::InputEvent::Kind::KeyUp;
    if (!key) return false;
    // Shift held by anyone frees the mouse (see DispatchGameInput).
    if (PressedKeyCodeOf(event.dik) == kCodeShift)
        return !WindowKeepsPointerFree(*scene);
    if (routed.owner != InputOwner::Program) return false;
    if (event.kind != platform::InputEvent::Kind::KeyDown || routed.code <= 0) return false;
    if (routed.code == kCodeEscape) return true;
    for (const int slot : kWindowSlots)
        if (game.keySlots[slot] == routed.code) return true;
    return false;
}

}  // namespace

ProgramInput CGame::InputOfThisPass()
{
    ProgramInput program;
    program.view = menuMode ? 0 : sceneView;
    program.takesInput = !menuMode && scene != nullptr;
    program.pointerHeld = input && input->mouseExclusive;
    program.mayChangeOwners = [this](const RoutedEvent& routed) { return ChangesWhoTakesInput(*this, routed); };
    return program;
}

void CGame::DispatchGameInput()
{
    if (!input || !scene) return;
    CScene& s = *scene;

    // ---- preparation ----
    for (int32_t& held : passFlags) held = 0;
    const float frameTime = s.timing.FrameTime();
    if (!s.FlagOn(kFlagSmoothCamera)) s.cameraMoves.clear();
    const uint32_t now = platform::TimeGetTime();
    const std::vector<InputCode> held = input->router.ProgramHeldKeys();
    bool rotateHeld[3] = {false, false, false};
    RotateKeysHeld(*this, held, rotateHeld);

    // ---- the scene's events of this pass, in the order made ----
    // Moves and turns gather until the next press, which acts after them,
    // where the pointer was and with the modifiers held when it was made.
    PointerMoves moves;
    int pressedCodes = 0;
    using Kind = platform::InputEvent::Kind;
    for (const RoutedEvent& routed : input->router.Events()) {
        if (routed.owner != InputOwner::Program) continue;
        switch (routed.event.kind) {
        case Kind::Motion:
        case Kind::Wheel:
            moves.Add(routed);
            break;
        case Kind::KeyDown:
            moves.Apply(s, frameTime, rotateHeld);
            // While the capture switch is set only Esc gets through, to end it.
            if (routed.code <= 0 || (modalOpen && routed.code != kCodeEscape)) break;
            s.spaceHeld = routed.space ? 1 : 0;
            if (pressedCodes++ < kMaxPressedCodes) RunPressedCode(*this, s, routed.code, routed.ctrl, routed.shift, now);
            break;
        case Kind::ButtonDown:
            moves.Apply(s, frameTime, rotateHeld);
            FollowPointer(s, routed.event);
            s.spaceHeld = routed.space ? 1 : 0;
            RunButtonPress(*this, s, routed);
            break;
        case Kind::ButtonUp:
            // The moves of a drag come before the release that ends it.
            moves.Apply(s, frameTime, rotateHeld);
            break;
        default: break;
        }
    }

    // ---- held keys ----
    RunHeldKeys(*this, s, held, now, rotateHeld);
    // Shift frees the mouse whoever took it: in a text field it types
    // capitals, and is still the way to click out of the field while the
    // mouse turns the camera.
    if (input->router.ShiftHeld() && !modalOpen) passFlags[kHeldShift] = 1;

    // ---- motion and wheel after the last press ----
    moves.Apply(s, frameTime, rotateHeld);
    const bool shiftHeld = passFlags[kHeldShift] != 0;
    const int exclusive = !shiftHeld && !WindowKeepsPointerFree(s);
    if (exclusive != (input->mouseExclusive != 0)) input->SetMouseExclusive(exclusive);
    s.spaceHeld = passFlags[kHeldSpace] ? 1 : 0;
}
