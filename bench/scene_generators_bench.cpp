// Generation time of the whole-world scenes against their size, headless (no
// device: no GPU textures, the CPU side only).
//
//   scene_generators_bench [runs]
//
// The cube landscape at the new-world screen's sizes (32 to 512 cells per
// side, Max Height 25) and the tube-style scene at its world sizes (20 to 500,
// Max Leaf Size 25, both levels and the ground). Each size runs in a fresh
// scene with the shipped block library and biome graph of the start directory
// and its physics world; the time is the generator call alone: the first run
// (a fresh process: every object's memory is new to it) and the best of
// `runs` (default 3; later runs reuse the memory the earlier scenes freed).
// Objects per second counts the objects the call added, at the best time.
// The "images" rows run the landscape in a world without block types: its
// pictures alone, without a cube.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "scene/scene.h"
#include "shell/start_directory.h"
#include "world/world.h"

namespace {

struct Result {
    double first = 0.0;
    double seconds = 1e30;
    size_t objects = 0;
};

// A scene with a fresh world holding the shipped block library, or none.
Result Measure(int runs, bool blocks, const std::function<void(CScene&)>& generate)
{
    Result best;
    for (int run = 0; run < runs; ++run) {
        CScene scene;
        scene.world = new CWorld;
        if (blocks) scene.world->LoadBlocks();
        scene.InitPhysicsWorld();
        const size_t before = scene.world->objects.size();
        const auto start = std::chrono::steady_clock::now();
        generate(scene);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (run == 0) best.first = seconds;
        if (seconds < best.seconds) {
            best.seconds = seconds;
            best.objects = scene.world->objects.size() - before;
        }
    }
    return best;
}

void Print(const char* what, double size, const Result& result)
{
    std::printf("%-10s %6.0f  %8.3f s  %8.3f s  %8zu  %10.0f\n", what, size, result.first, result.seconds,
                result.objects, result.seconds > 0 ? result.objects / result.seconds : 0.0);
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    SetStartDirectory(VESK_RUN_DIR);

    std::printf("scene        size     first       best   objects   objects/s\n");
    for (const int n : {32, 64, 128, 256, 512}) {
        const auto landscape = [n](CScene& scene) { scene.GenerateLandscapeScene(n, 25); };
        Print("images", n, Measure(runs, false, landscape));
        Print("landscape", n, Measure(runs, true, landscape));
    }
    for (const float size : {20.0f, 50.0f, 100.0f, 200.0f, 300.0f, 500.0f}) {
        const auto tube = [size](CScene& scene) { scene.GenerateTubeScene(size, 25.0f, 1, 1); };
        Print("tube", size, Measure(runs, true, tube));
    }
    return 0;
}
