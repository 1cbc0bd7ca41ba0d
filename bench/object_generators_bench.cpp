// Object generators: 10,000 objects placed along a spline.
//
//   object_generators_bench [objects]
//
// A B-spline winding over a ground box in rows, the world's active line;
// the along-line generator with a fixed step chosen so that the line holds
// the asked number of objects (10,000 by default). Two phases, each the best
// of three runs on a fresh scene: the preview (CScene::GenerateAlongLine(0):
// the line sampled, the ground probed under every place, a mesh object made
// per place) and preview plus create (GenerateAlongLine(1): every preview
// turned into a world object with a box body, sorted into its sector).
// Printed: seconds and objects per second of each.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "core/random.h"
#include "scene/scene.h"
#include "shell/start_directory.h"
#include "world/block_type.h"
#include "world/line.h"
#include "world/object.h"
#include "world/world.h"

namespace {

constexpr int kRuns = 3;
constexpr float kRowLength = 1000.0f;
constexpr int kPointsPerRow = 10;
constexpr float kSpacing = 1.5f;

BlockType* NewCube()
{
    auto* type = new BlockType;
    type->Init();
    type->name = u"BenchCube";
    type->textureName = u"boxred.jpg";
    for (int i = 0; i < 8; ++i) {
        type->vertices.push_back(Vector3{i & 1 ? 0.5f : -0.5f, i & 2 ? 0.5f : -0.5f, i & 4 ? 0.5f : -0.5f});
        type->normals.push_back(Vector3{0.0f, 1.0f, 0.0f});
    }
    type->triangles = {{0, 3, 1}, {0, 2, 3}, {4, 7, 6}, {4, 5, 7}, {0, 5, 4}, {0, 1, 5},
                       {2, 7, 3}, {2, 6, 7}, {0, 6, 2}, {0, 4, 6}, {1, 7, 5}, {1, 3, 7}};
    type->physicsShape = 1;
    type->shapeParams[0] = type->shapeParams[1] = type->shapeParams[2] = 0.5f;
    type->ComputeBounds();
    return type;
}

// A scene ready for the along-line generator: ground, block type, the
// winding B-spline as the active line, and the fixed step for `objects`.
std::unique_ptr<CScene> NewScene(int objects, bool describe)
{
    auto scene = std::make_unique<CScene>();
    CWorld* world = scene->world = new CWorld;
    world->RecreateSectors(1);
    scene->InitPhysicsWorld();
    CNBObject* ground = world->CreateBoxObject(1200.0f, 1.0f, Vector3{0.0f, -0.5f, 0.0f}, 1200.0f, u"ground.dds", 1,
                                               1, 1, 1, 1);
    ground->Kind = 1;
    world->PutObjectInSector(ground);
    world->blockTypes.push_back(NewCube());
    world->currentBlockType = world->blockTypes.back();

    // A serpentine of rows 1000 long and 10 apart, long enough for the
    // objects 1.5 apart (a little more than the cube's side: bodies do not
    // start inside each other).
    auto* line = new CLine;
    const int rows = static_cast<int>(std::ceil(kSpacing * objects / kRowLength)) + 1;
    for (int row = 0; row < rows; ++row) {
        const float z = -kRowLength / 2.0f + 10.0f * row;
        const float from = row % 2 == 0 ? -kRowLength / 2.0f : kRowLength / 2.0f;
        for (int k = 0; k <= kPointsPerRow; ++k)
            *line->AddPoint() = Vector3{from + (row % 2 == 0 ? 1.0f : -1.0f) * kRowLength * k / kPointsPerRow, 0.1f, z};
    }
    line->LineType = kBSpline;
    line->samplesPerSpan = 10;
    line->CreateDriverRenderSet();
    line->active = 1;
    world->lines.push_back(line);

    scene->Flag(kFlagLineStepMode) = 1;
    scene->generator.fixedStep = line->GetLength() / (static_cast<float>(objects) + 0.5f);
    if (describe)
        std::printf("  a B-spline of %d points, %.0f long, objects %.2f apart\n", line->pointCount, line->GetLength(),
                scene->generator.fixedStep);
    return scene;
}

struct Result {
    double seconds = 1e30;
    size_t made = 0;
};

Result Run(int objects, int mode, bool describe)
{
    Result best;
    for (int run = 0; run < kRuns; ++run) {
        std::unique_ptr<CScene> scene = NewScene(objects, describe && run == 0);
        scene->generator.alongLineRequest = 1;
        const auto start = std::chrono::steady_clock::now();
        scene->GenerateAlongLine(mode);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const size_t made = mode == 0 ? scene->previewObjects.size() : scene->world->objects.size() - 1;
        if (seconds < best.seconds) best = Result{seconds, made};
    }
    return best;
}

}  // namespace

int main(int argc, char** argv)
{
    const int objects = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    // The scene writes its log into the start directory: a folder of its own.
    char folder[] = "/tmp/object_generators_bench_XXXXXX";
    if (!mkdtemp(folder)) return 1;
    SetStartDirectory(folder);
    SeedRandomForTests(1);
    std::printf("objects along a spline, %d asked\n", objects);
    const Result preview = Run(objects, 0, true);
    std::printf("  preview           %8zu objects  %8.3f s  %10.0f objects/s\n", preview.made, preview.seconds,
                preview.made / preview.seconds);
    const Result create = Run(objects, 1, false);
    std::printf("  preview + create  %8zu objects  %8.3f s  %10.0f objects/s\n", create.made, create.seconds,
                create.made / create.seconds);
    std::remove((std::string(folder) + "/game.log").c_str());
    rmdir(folder);
    return 0;
}
