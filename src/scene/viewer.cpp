// The viewer: the main camera walking, flying, jumping and falling from the
// camera-move records of the input dispatch, kept out of the world geometry
// by a sphere, and the smooth camera that ramps the same records up and down.
//
// Index: helpers (ramps, jump term, walking sound) - MoveViewer - smooth
// camera (QueueCameraMove, ApplyCameraMoves) - CollideViewer (broad phase,
// triangle contacts, merging, applying)
#include <algorithm>
#include <cmath>
#include <vector>

#include "core/box_transform.h"
#include "scene/ray_tests.h"
#include "scene/scene.h"
#include "sound/sound_buffer.h"
#include "world/object.h"
#include "world/object_part.h"
#include "world/polygons_grid.h"
#include "world/sector.h"
#include "world/world.h"

namespace {

// ---------------------------------------------------------------------------
// Helpers
// ---------------------------------------------------------------------------

constexpr float kFallSpeed = 4.0f;           // units per second, before the cap
constexpr float kJumpAcceleration = 20.0f;
constexpr float kMaxJumpSpeed = 8.0f;
constexpr float kClimbThreshold = 0.2f;      // higher upward corrections are climbed
constexpr float kClimbClearance = 0.1f;
constexpr float kBroadPhaseMargin = 1.5f;
constexpr float kSameDirectionDegrees = 0.01f;
constexpr int kWarmUpSamples = 5;            // no falling or jumping up to this many samples

float Dot(const Vector3& a, const Vector3& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

float Clamp01(float value)
{
    if (!(value >= 0.0f)) return 0.0f;  // NaN too
    return std::min(value, 1.0f);
}

// The ramp duration of the smooth camera in whole milliseconds. At least 1:
// a ramp setting of 0 (or one that is not a number) would otherwise divide
// by zero and make every ramp infinite.
float RampMilliseconds(float rampSeconds)
{
    const float ms = std::trunc(rampSeconds * 1000.0f);
    if (!(ms >= 1.0f)) return 1.0f;
    return std::min(ms, 2147483647.0f);
}

// Starts a jump of kJumpHeight from where the camera stands.
void StartJump(CCamera& camera)
{
    camera.jumping = 1;
    camera.jumpSpeed = 0.0f;
    camera.jumpStartHeight = camera.position.y;
    camera.jumpStep = 0.0f;
    camera.jumpTravelled = 0.0f;
    camera.jumpTargetHeight = kJumpHeight;
}

// This frame's rise of a jump or climb (0 when none runs). Once the height
// gained reaches the target the jump ends, and the last step takes the
// camera back to exactly the target.
float JumpTerm(CCamera& camera, float dt)
{
    if (!camera.jumping) return 0.0f;
    camera.jumpSpeed = std::min(kMaxJumpSpeed, camera.jumpSpeed + kJumpAcceleration * dt);
    float step = camera.jumpSpeed * dt * dt * 0.5f + camera.jumpSpeed * dt;
    camera.jumpTravelled += step;
    const float gained = camera.position.y - camera.jumpStartHeight;
    if (gained >= camera.jumpTargetHeight) {
        camera.jumping = 0;
        step = camera.jumpTargetHeight - gained;
    }
    camera.jumpStep = step;
    return step;
}

// The walking sound follows the whole frame: it plays while the viewer
// walked on the ground this frame and is paused otherwise. The object-sound
// update carries the requests out. A pause also withdraws the play request,
// which would otherwise start the paused sound again from its beginning.
void RequestWalkingSound(CScene& scene, bool walking)
{
    CSoundBuffer* sound = scene.FindWalkingSound();
    if (walking) {
        if (!sound) sound = scene.AttachWalkingSound();
        if (!sound) return;
        sound->Paused = 0;
        sound->PlayRequested = 1;
        sound->SetVolume(1.0f, -1.0f);
    } else if (sound) {
        sound->Paused = 1;
        sound->PlayRequested = 0;
    }
}

// ---------------------------------------------------------------------------
// Collision helpers
// ---------------------------------------------------------------------------

struct ViewerContact {
    Vector3 point;
    Vector3 correction;  // pushes the viewer's sphere out of the triangle
    float depth = 0.0f;
    CNBObject* object = nullptr;
    int32_t kind = 0;
    uint8_t staticFlag = 0;
};

// Whether the segment p..q comes within `radius` of `centre` (the nearest
// point of the segment is taken with its parameter clamped to [0, 1]).
bool SegmentMeetsSphere(const Vector3& p, const Vector3& q, const Vector3& centre, float radius)
{
    const Vector3 d = Vector3::Sub(q, p);
    const float length2 = Dot(d, d);
    float t = length2 > 0.0f ? Dot(Vector3::Sub(centre, p), d) / length2 : 0.0f;
    t = Clamp01(t);
    const Vector3 nearest = Vector3::Add(p, Vector3::Scale(d, t));
    const Vector3 gap = Vector3::Sub(nearest, centre);
    return Dot(gap, gap) <= radius * radius;
}

// The viewer's sphere moving from p to q against one triangle's front side.
// The sphere at q touching the triangle gives the correction that lifts it
// back to kViewerRadius from the plane. A step long enough to carry the
// centre through the triangle (a fast fall, a slow frame) is caught where the
// segment crosses the plane and corrected the same way. A move that starts
// behind the plane meets nothing: a viewer inside an object (one placed at
// its feet) leaves through the object's faces, whose fronts look away from
// it. Were a face it comes at from behind to push it, the bottom face of a
// box standing on the floor would press it down through that floor as soon
// as a fall step reached below the floor's plane.
bool TriangleContact(const Vector3& p, const Vector3& q, const Vector3 (&triangle)[3], ViewerContact& contact)
{
    Plane plane;
    ComputeTrianglePlane(&plane, triangle);
    if (!IsNotNaNVector3(plane.normal) || !IsNotNaN(plane.d)) return false;
    const float wp = Dot(plane.normal, p) - plane.d;
    if (!(wp >= 0.0f)) return false;

    Vector3 foot;
    Vector3 normal;
    float depth = 0.0f;
    const float r = kViewerRadius;
    if (IntersectSphereTriangle(q, triangle, r, r, r, &foot, &normal, &depth)) {
        contact.point = foot;
        contact.correction = Vector3::Scale(normal, depth);
        contact.depth = depth;
        return true;
    }
    const float wq = Dot(plane.normal, q) - plane.d;
    if (!(wq < 0.0f)) return false;
    const Vector3 crossing = Vector3::Add(p, Vector3::Scale(Vector3::Sub(q, p), wp / (wp - wq)));
    if (!PointOnTrianglePlane(&crossing, triangle)) return false;
    contact.point = crossing;
    contact.depth = r - wq;
    contact.correction = Vector3::Scale(plane.normal, contact.depth);
    return true;
}

// A contact whose correction points the same way as an earlier one replaces
// it when deeper and is dropped otherwise; a new direction is added.
void MergeContact(std::vector<ViewerContact>& contacts, const ViewerContact& contact)
{
    for (ViewerContact& earlier : contacts) {
        if (Vector3::AngleDegrees(contact.correction, earlier.correction) < kSameDirectionDegrees) {
            if (contact.depth > earlier.depth) earlier = contact;
            return;
        }
    }
    contacts.push_back(contact);
}

void CollectObjectContacts(CNBObject& object, const Vector3& p, const Vector3& q,
                           std::vector<ViewerContact>& contacts)
{
    for (int partIndex = 0; object.Parts && partIndex < object.PartCount; ++partIndex) {
        const CPolygonsGrid* mesh = object.Parts[partIndex].mainMesh;
        if (!mesh || !mesh->faces || !mesh->positions) continue;
        for (int f = 0; f < mesh->faceCount; ++f) {
            const PolygonFace& face = mesh->faces[f];
            if (face.corners != 3 || !face.cornerIndices) continue;
            Vector3 triangle[3];
            bool valid = true;
            for (int c = 0; c < 3 && valid; ++c) {
                const uint16_t vertex = mesh->CornerVertex(face, c);
                valid = vertex < mesh->vertexCount;
                if (valid) triangle[c] = TransformPoint(object.WorldMatrix, mesh->positions[vertex]);
            }
            ViewerContact contact;
            if (!valid || !TriangleContact(p, q, triangle, contact)) continue;
            contact.object = &object;
            contact.kind = object.Kind;
            contact.staticFlag = object.StaticFlag;
            MergeContact(contacts, contact);
        }
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// MoveViewer
// ---------------------------------------------------------------------------
void CScene::MoveViewer()
{
    if (FlagOn(kFlagSmoothCamera)) {
        ApplyCameraMoves();
        return;
    }
    CCamera& camera = mainCamera;
    const float dt = timing.FrameTime();
    const bool gravity = GravityOn();
    const float s = options.moveFactor * 5.0f * dt;

    // Each record moves the viewer on its own and collides on its own.
    bool walked = false;
    for (size_t i = 0; i < cameraMoves.size(); ++i) {
        const CameraMove move = cameraMoves[i];
        Vector3 displacement;
        const bool walking = move.kind == kCameraForward || move.kind == kCameraBackward;
        switch (move.kind) {
        case kCameraForward: camera.ForwardStep(s, displacement); break;
        case kCameraBackward: camera.ForwardStep(-s, displacement); break;
        case kCameraSideways: camera.SidewaysStep(s, displacement); break;
        case kCameraSidewaysBack: camera.SidewaysStep(-s, displacement); break;
        case kCameraLower: camera.VerticalStep(-s, displacement); break;
        case kCameraRaise: camera.VerticalStep(s, displacement); break;
        case kCameraJump: StartJump(camera); break;
        default: break;
        }
        if (gravity && walking) {
            Vector3 sway;
            camera.SideVector(sway);
            displacement.AddAssign(sway);
        }
        CollideViewer(camera, displacement);
        if ((move.keepSelection & 0xFF) == 0) SelectAtCursor();
        walked = walked || walking;
    }

    // Falling and the jump's rise once per frame, however many keys are
    // held; not during the first samples of a scene, while the frame time
    // is still settling.
    if (timing.sampleCount > kWarmUpSamples) {
        float vertical = JumpTerm(camera, dt);
        if (gravity) vertical -= std::min(kMaxFallStep, kFallSpeed * dt);
        CollideViewer(camera, Vector3{0.0f, vertical, 0.0f});
    }
    RequestWalkingSound(*this, walked && gravity);
}

// ---------------------------------------------------------------------------
// Smooth camera
// ---------------------------------------------------------------------------
void CScene::QueueCameraMove(CameraMove move)
{
    const float growth = 1000.0f / RampMilliseconds(options.cameraRampTime) * timing.FrameTime();
    for (CameraMove& fed : cameraMoves) {
        if (fed.key != move.key) continue;
        fed.ramp = Clamp01(fed.ramp + growth);
        fed.time = timing.sceneClock;
        return;
    }
    move.ramp = Clamp01(move.ramp + growth);
    move.time = timing.sceneClock;
    cameraMoves.push_back(move);
}

void CScene::ApplyCameraMoves()
{
    // The input dispatch does not empty the list while the smooth camera is
    // on; records without a smooth motion (the jump key's) would pile up.
    cameraMoves.erase(std::remove_if(cameraMoves.begin(), cameraMoves.end(),
                                     [](const CameraMove& move) {
                                         return move.key < kCameraForward || move.key > kCameraPitchMinus;
                                     }),
                      cameraMoves.end());

    CCamera& camera = mainCamera;
    const float dt = timing.FrameTime();
    const float shrink = 1000.0f / RampMilliseconds(options.cameraRampTime) * dt;
    const auto feedGap = static_cast<uint32_t>(dt * 1000.0f * 1.8f);
    const uint32_t now = timing.sceneClock;
    for (CameraMove& move : cameraMoves) {
        if (now - move.time > feedGap) {
            const float ramp = move.ramp - shrink;
            if (ramp < 0.0f) continue;
            move.ramp = std::min(ramp, 1.0f);
        }
        const float share = move.ramp > 0.0f ? move.ramp : 0.0f;
        const float m = options.moveFactor * 25.0f * dt * share;
        const float t = options.turnFactor * 150.0f * dt * share;
        switch (move.key) {
        case kCameraForward: camera.MoveForward(m); break;
        case kCameraBackward: camera.MoveForward(-m); break;
        case kCameraSideways: camera.MoveSideways(m); break;
        case kCameraSidewaysBack: camera.MoveSideways(-m); break;
        case kCameraLower: camera.position.y -= m * camera.moveStep; break;
        case kCameraRaise: camera.position.y += m * camera.moveStep; break;
        // Yaw and Pitch turn by -(turn step x amount) degrees.
        case kCameraYawPlus: camera.Yaw(t); break;
        case kCameraYawMinus: camera.Yaw(-t); break;
        case kCameraPitchPlus: camera.Pitch(t); break;
        case kCameraPitchMinus: camera.Pitch(-t); break;
        default: break;
        }
    }
}

// ---------------------------------------------------------------------------
// CollideViewer
// ---------------------------------------------------------------------------
void CScene::CollideViewer(CCamera& camera, const Vector3& displacement)
{
    const Vector3 p = camera.position;
    const Vector3 q = Vector3::Add(p, displacement);

    // Broad phase: sectors and objects whose spheres, grown by the margin,
    // the path meets; narrow phase: their triangles.
    std::vector<ViewerContact> contacts;
    if (world) {
        for (Sector* sector : world->sectors) {
            if (!sector || !SegmentMeetsSphere(p, q, sector->boundsCentre, sector->radius + kBroadPhaseMargin))
                continue;
            for (CNBObject* object : sector->objects) {
                if (!object || !SegmentMeetsSphere(p, q, object->Center, object->Radius + kBroadPhaseMargin))
                    continue;
                CollectObjectContacts(*object, p, q, contacts);
            }
        }
    }

    // An upward correction higher than kClimbThreshold is a step in the way:
    // it is climbed by the jump state rather than jumped onto at once. What
    // only undoes this move's own descent is no step: it stops a fall on the
    // floor whatever the fall step.
    const float descent = std::max(0.0f, -displacement.y);
    for (const ViewerContact& contact : contacts) {
        Vector3 correction = contact.correction;
        if (correction.y - descent > kClimbThreshold) {
            camera.jumping = 1;
            camera.jumpTargetHeight = correction.y - descent + kClimbClearance;
            camera.jumpStartHeight = camera.position.y;
            correction.y = descent;
        }
        if (IsNotNaNVector3(correction)) camera.position.AddAssign(correction);
    }
    if (IsNotNaNVector3(displacement)) camera.position.AddAssign(displacement);
}
