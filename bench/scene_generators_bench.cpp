// Generation time of the whole-world scenes against their size, and the time
// a scene takes to go, headless (no device: no GPU textures, the CPU side
// only).
//
//   scene_generators_bench [runs]
//   scene_generators_bench boxes      (the moving boxes alone)
//
// The cube landscape at the new-world screen's sizes (32 to 512 cells per
// side, Max Height 25) and the tube-style scene at its world sizes (20 to 500,
// Max Leaf Size 25, both levels and the ground). Each size runs in a child
// process of its own, each run in a fresh scene with the shipped block
// library and biome graph of the start directory and its physics world; the
// time is the generator call alone: the first run (every object's memory is
// new to the process, as when a new world is created) and the best of `runs`
// (default 3; later runs reuse the memory the earlier scenes freed). Objects
// per second counts the objects the call added, at the best time; "leave" is
// the destruction of the first run's scene (its world, bodies and Bullet
// world), as when the user leaves the world, and "clear" CScene::ClearScene
// on the second run's scene (as the editor does before it generates anew).
// The "images" rows run the
// landscape in a world without block types: its pictures alone.
//
// Last, scenes of 10,000 to 160,000 moving boxes resting on a floor (every
// box in touch with it until it goes) are left: going should take time in
// proportion to the bodies. Below about 40,000 boxes much of what the leave
// touches is still in the processor's caches from making the scene, so each
// body goes faster there; the row compares two sizes past that.
//
// Lines starting with "row" are the figures the project tracks, each with
// its target.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include <btBulletDynamicsCommon.h>

#include "child_result.h"
#include "platform/heap.h"
#include "scene/scene.h"
#include "shell/start_directory.h"
#include "world/object.h"
#include "world/physic_body.h"
#include "world/world.h"

namespace {

struct Result {
    double first = 0.0;
    double seconds = 1e30;
    double leave = 0.0;
    double clear = 0.0;
    size_t objects = 0;
};

double Seconds(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

Result InChild(const std::function<Result()>& measure)
{
    Result failed;
    failed.first = failed.seconds = -1.0;
    return ResultOfChild(measure, failed);
}

// A scene with a fresh world holding the shipped block library, or none.
CScene* NewScene(bool blocks)
{
    auto* scene = new CScene;
    scene->world = new CWorld;
    if (blocks) scene->world->LoadBlocks();
    scene->InitPhysicsWorld();
    return scene;
}

Result Measure(int runs, bool blocks, const std::function<void(CScene&)>& generate)
{
    return InChild([&] {
        Result best;
        for (int run = 0; run < runs; ++run) {
            CScene* scene = NewScene(blocks);
            const size_t before = scene->world->objects.size();
            const double seconds = Seconds([&] { generate(*scene); });
            if (run == 0) best.first = seconds;
            if (seconds < best.seconds) {
                best.seconds = seconds;
                best.objects = scene->world->objects.size() - before;
            }
            if (run == 1) best.clear = Seconds([&] { scene->ClearScene(); });
            const double leave = Seconds([&] { delete scene; });
            if (run == 0) best.leave = leave;
        }
        return best;
    });
}

// Leaving a scene of `boxes` moving boxes on a floor, after one step has
// brought every box into touch with it.
double LeaveMovingBoxes(int boxes)
{
    return InChild([boxes] {
        CScene* scene = NewScene(false);
        btDiscreteDynamicsWorld* world = scene->physics.dynamicsWorld;
        const int side = 1 + static_cast<int>(std::sqrt(double(boxes)));
        const auto add = [&](const Vector3& at, const Vector3& half, float mass) {
            auto* object = new CNBObject;
            object->WorldMatrix.m[12] = at.x;
            object->WorldMatrix.m[13] = at.y;
            object->WorldMatrix.m[14] = at.z;
            object->StaticFlag = mass > 0.0f ? 0 : 1;
            object->InitODEPhysic();
            object->PhysicBody->CreateBoxBody(object, world, scene->physics.collisionShapes, at, half.x, half.y,
                                              half.z, mass);
            scene->world->objects.push_back(object);
        };
        // The floor is listed last, so every box still touches it as it leaves.
        const float extent = 2.0f * side;
        for (int i = 0; i < boxes; ++i)
            add(Vector3{2.0f * (i % side) + 1.0f, 0.49f, 2.0f * (i / side) + 1.0f}, Vector3{0.5f, 0.5f, 0.5f}, 1.0f);
        add(Vector3{extent / 2, -1.0f, extent / 2}, Vector3{extent, 1.0f, extent}, 0.0f);
        world->stepSimulation(1.0 / 60.0, 1, 1.0 / 60.0);
        Result result;
        result.objects = static_cast<size_t>(world->getDispatcher()->getNumManifolds());
        result.leave = Seconds([&] { delete scene; });
        return result;
    }).leave;
}

void Print(const char* what, double size, const Result& result)
{
    std::printf("%-10s %6.0f  %8.3f s  %8.3f s  %8zu  %10.0f  %8.3f s  %8.3f s\n", what, size, result.first,
                result.seconds, result.objects, result.seconds > 0 ? result.objects / result.seconds : 0.0, result.leave,
                result.clear);
}

struct BoxLeaves {
    double some = 0.0;  // 40,000 boxes
    double many = 0.0;  // 160,000
};

// The leave of 10,000 to 160,000 moving boxes, each with its time per body.
BoxLeaves LeaveBoxesLadder()
{
    BoxLeaves result;
    std::printf("leave      moving boxes:");
    for (const int boxes : {10000, 40000, 160000}) {
        const double seconds = LeaveMovingBoxes(boxes);
        std::printf("  %d: %.3f s (%.2f us each)", boxes, seconds, seconds * 1e6 / boxes);
        std::fflush(stdout);
        if (boxes == 40000) result.some = seconds;
        if (boxes == 160000) result.many = seconds;
    }
    std::printf("\n");
    return result;
}

}  // namespace

int main(int argc, char** argv)
{
    platform::ApplyProgramHeapPolicy();  // the program's heap, as WinMain sets it up
    SetStartDirectory(VESK_RUN_DIR);
    if (argc > 1 && std::string(argv[1]) == "boxes") {
        LeaveBoxesLadder();
        return 0;
    }
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;

    std::printf("scene        size     first       best   objects   objects/s     leave     clear\n");
    Result landscape512, tube500;
    for (const int n : {32, 64, 128, 256, 512}) {
        const auto landscape = [n](CScene& scene) { scene.GenerateLandscapeScene(n, 25); };
        Print("images", n, Measure(runs, false, landscape));
        const Result result = Measure(runs, true, landscape);
        Print("landscape", n, result);
        if (n == 512) landscape512 = result;
    }
    for (const float size : {20.0f, 50.0f, 100.0f, 200.0f, 300.0f, 500.0f}) {
        const auto tube = [size](CScene& scene) { scene.GenerateTubeScene(size, 25.0f, 1, 1); };
        const Result result = Measure(runs, true, tube);
        Print("tube", size, result);
        if (size == 500.0f) tube500 = result;
    }
    const BoxLeaves boxes = LeaveBoxesLadder();
    std::printf("row  cube landscape 512, first run: %.3f s (%zu objects)   target at most 1.5 s\n",
                landscape512.first, landscape512.objects);
    std::printf("row  tube-style scene 500, first run: %.3f s (%zu objects)   target at most 1.2 s\n", tube500.first,
                tube500.objects);
    std::printf("row  leaving the cube landscape 512 scene: %.3f s; clearing it: %.3f s   target at most 1 s\n",
                landscape512.leave, landscape512.clear);
    std::printf("row  leaving 160,000 moving box bodies: %.3f s = %.1fx leaving 40,000 (%.3f s)   target 4x (linear)\n",
                boxes.many, boxes.some > 0 ? boxes.many / boxes.some : 0.0, boxes.some);
    return 0;
}
