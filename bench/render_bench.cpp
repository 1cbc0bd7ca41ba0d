// Scene frame cost against a plain draw loop, headless on llvmpipe.
//
//   cd build/vesk && SDL_VIDEODRIVER=offscreen ../bench/render_bench [frames] [objects...]
//
// Run from a start directory with the shipped Shaders and Textures. For each
// object count (1,000, 10,000 and 50,000 box objects on a blank world by
// default), each in a child process of its own (so getrusage's peak belongs
// to that world alone):
//   - the scene's frame road with shadows off and on, timed as culling
//     (CullView + CollectMeshKinds), passes (projection, shadow map, clear,
//     sky box, object passes, frames, cursor, lines) and present;
//   - a plain loop with no culling: one DrawRenderSet per object with the
//     default effect, and with shadows the same loop drawn first into each
//     of three shadow cascades too; and without shadows once more over only
//     the objects the scene found in view (off-screen draws cost llvmpipe
//     little, so the scene's draws, all in view, are dearer than the average
//     draw of the whole loop);
//   - like with like, both again without shadows from high above the middle
//     of the world, where every object is in view: the scene then draws what
//     the plain loop draws, and "x plain" is the scene's own cost per object.
// Times are medians of the frames, wall clock in milliseconds; llvmpipe
// rasterises on its own threads and finishes a frame at present. "drawn" are
// the copies of meshes the draws that reached GL in one frame drew (an
// instanced draw of n copies counts n, as n plain draws would); "us/drawn"
// is the whole frame's time over them, and "x plain" that figure against the
// plain loop's of the same shadow mode. Memory is the growth of the peak resident size from the empty
// world (after two frames in each shadow mode) to the end, over the object
// count (llvmpipe's buffers live in the process too).
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "graphics/display_modes.h"
#include "graphics/driver.h"
#include "graphics/gpu_texture.h"
#include "graphics/texture.h"
#include "platform/files.h"
#include "platform/heap.h"
#include "platform/message_box.h"
#include "platform/window.h"
#include "render/constant_buffers.h"
#include "render/render_caches.h"
#include "scene/drop_queue.h"
#include "scene/scene.h"
#include "shell/log.h"
#include "shell/settings.h"
#include "shell/start_directory.h"
#include "world/object.h"
#include "world/object_part.h"
#include "world/polygons_grid.h"
#include "world/world.h"

namespace {

using Clock = std::chrono::steady_clock;

struct FrameTimes {
    std::vector<double> cull, passes, present;
    uint64_t draws = 0;  // in the last frame
};

double Ms(Clock::time_point from) { return std::chrono::duration<double, std::milli>(Clock::now() - from).count(); }

double Median(std::vector<double> values)
{
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

long PeakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void Present(CDriver& driver) { driver.state->swapChain->Present(0, 0); }

// The scene's frame road without its non-drawing steps (drops, physics,
// sounds, user interface, frame limiter).
void SceneFrame(CScene& scene, FrameTimes& times)
{
    CDriver& driver = *scene.driver;
    const uint64_t drawsBefore = driver.state->context->CopiesDrawn();
    Clock::time_point start = Clock::now();
    scene.CullView();
    scene.CollectMeshKinds();
    times.cull.push_back(Ms(start));

    start = Clock::now();
    scene.UpdateProjection(scene.mainCamera);
    driver.SetDepthStencilState(scene.world->FindDepthStencilState(u"default"));
    if (scene.shadowsOn) scene.RenderShadowMap();
    driver.Clear(17, 170, 250);
    driver.state->context->IASetPrimitiveTopology(gpu::PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    scene.RenderSkyBox();
    if (scene.shadowsOn) {
        scene.RenderShadowedPass();
        scene.RenderShadowedSkinnedPass();
        scene.RenderShadowedAlphaPass();
    } else {
        scene.RenderDefaultPass();
        scene.RenderSkinnedPass();
        scene.RenderAlphaPass();
    }
    scene.RenderFrames();
    driver.state->context->IASetPrimitiveTopology(gpu::PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    scene.RenderCursorSprite();
    scene.RenderLines();
    scene.RenderCursorMarker();
    times.passes.push_back(Ms(start));

    times.draws = driver.state->context->CopiesDrawn() - drawsBefore;
    start = Clock::now();
    Present(driver);
    times.present.push_back(Ms(start));
}

// Every object's parts, one DrawRenderSet per render set its mesh holds (as
// the scene's passes draw them), with whatever shaders and buffers are bound.
void DrawAll(CDriver& driver, CWorld& world, ConstantBufferEntry* worldBuffer, bool textured, bool seenOnly)
{
    for (CNBObject* object : world.objects) {
        if (seenOnly && !object->Visible) continue;
        const ConstantBufferWorldMatrix placed{ShaderMatrixOf(object->WorldMatrix)};
        driver.UpdateConstantBufferStart(worldBuffer, &placed, sizeof placed);
        for (int p = 0; object->Parts && p < object->PartCount; ++p) {
            CPolygonsGrid* mesh = object->Parts[p].mainMesh;
            if (!mesh) continue;
            if (textured) driver.SetPixelTexture(0, mesh->textures[0]);
            for (const SlotRenderSet& entry : mesh->BuiltRenderSets())
                if (entry.set) driver.DrawRenderSet(entry.set);
        }
    }
}

ConstantBufferDef CameraConstants(const Matrix4d& view, const Matrix4d& projection, const Vector3& eye)
{
    return ConstantBufferDef{ShaderMatrixOf(view),
                             ShaderMatrixOf(projection),
                             ShaderFloat4{eye.x, eye.y, eye.z, 1.0f},
                             ShaderFloat4{LightPosition.x, LightPosition.y, LightPosition.z, 1.0f},
                             ShaderFloat4{1.0f, 0.0f, 0.0f, 0.0f},
                             ShaderFloat4{1000000.0f, 1000000.0f, 1000000.0f, 1.0f}};
}

// The plain loop: no culling, every object drawn once with the default
// effect, and with `cascades` first into each shadow cascade (the scene's
// light matrices of its last shadow pass). With `seenOnly` only the objects
// the scene's last culling found in view.
void PlainFrame(CScene& scene, int cascades, FrameTimes& times, bool seenOnly = false)
{
    CDriver& driver = *scene.driver;
    CWorld& world = *scene.world;
    gpu::Context* context = driver.state->context;
    ConstantBufferEntry* cameraBuffer = world.FindConstantBuffer(u"ConstantBufferDef");
    ConstantBufferEntry* colourBuffer = world.FindConstantBuffer(u"PSConstantBufferDef");
    ConstantBufferEntry* worldBuffer = world.FindConstantBuffer(u"ConstantBufferWorldMatrix");
    times.cull.push_back(0.0);
    const uint64_t drawsBefore = context->CopiesDrawn();

    const Clock::time_point start = Clock::now();
    scene.UpdateProjection(scene.mainCamera);
    driver.SetDepthStencilState(world.FindDepthStencilState(u"default"));
    context->IASetPrimitiveTopology(gpu::PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    driver.SetVertexConstantBuffer(0, cameraBuffer);
    driver.SetPixelConstantBuffer(0, colourBuffer);
    driver.SetVertexConstantBuffer(1, worldBuffer);
    driver.SetPixelSampler(0, world.FindSamplerState(u"normal"));
    driver.SetBlendState(world.FindBlendState(u"normal"));
    const PSConstantBufferDef colours{ShaderFloat4{0.3f, 0.3f, 0.3f, 1.0f}, ShaderFloat4{0.8f, 0.8f, 0.8f, 1.0f},
                                      ShaderFloat4{0.24f, 0.24f, 0.24f, 1.0f}};
    driver.UpdateConstantBuffer(colourBuffer, &colours);

    if (cascades > 0 && world.shadowMap && world.shadowMapDepth) {
        gpu::Viewport kept;
        uint32_t keptCount = 1;
        context->RSGetViewports(&keptCount, &kept);
        driver.PushRenderTarget(world.shadowMap, world.shadowMapDepth);
        context->ClearDepthStencilView(world.shadowMapDepth->gpu->depthView, gpu::CLEAR_DEPTH | gpu::CLEAR_STENCIL,
                                       1.0f, 0);
        // The caster effect places copy 0 of a draw by the first matrix of its buffer.
        ConstantBufferEntry* casterBuffer = world.FindConstantBuffer(u"ConstantBufferCasterMatrices");
        driver.SetVertexConstantBuffer(1, casterBuffer);
        driver.SetVertexShader(world.FindVertexShader(u"rendershadowmap.fx"));
        driver.SetPixelShader(world.FindPixelShader(u"rendershadowmap.fx"));
        const float size = static_cast<float>(world.shadowMapSize);
        for (int c = 0; c < cascades; ++c) {
            const gpu::Viewport viewport{c * size, 0.0f, size, size, 0.0f, 1.0f};
            context->RSSetViewports(1, &viewport);
            const ConstantBufferDef light = CameraConstants(
                scene.shadowCascades.lightView, scene.shadowCascades.cascadeProjections[c], LightPosition);
            driver.UpdateConstantBuffer(cameraBuffer, &light);
            DrawAll(driver, world, casterBuffer, false, seenOnly);
        }
        driver.SetVertexConstantBuffer(1, worldBuffer);
        driver.PopRenderTarget();
        if (keptCount > 0) context->RSSetViewports(keptCount, &kept);
    }

    driver.Clear(17, 170, 250);
    const ConstantBufferDef camera =
        CameraConstants(scene.mainCamera.viewMatrix, scene.mainCamera.projectionMatrix, scene.mainCamera.position);
    driver.UpdateConstantBuffer(cameraBuffer, &camera);
    driver.SetVertexShader(world.FindVertexShader(u"default.fx"));
    driver.SetPixelShader(world.FindPixelShader(u"default.fx"));
    DrawAll(driver, world, worldBuffer, true, seenOnly);
    times.passes.push_back(Ms(start));
    times.draws = context->CopiesDrawn() - drawsBefore;

    const Clock::time_point presented = Clock::now();
    Present(driver);
    times.present.push_back(Ms(presented));
}

double FrameMs(const FrameTimes& t) { return Median(t.cull) + Median(t.passes) + Median(t.present); }

double MicrosecondsPerDraw(const FrameTimes& t) { return t.draws ? FrameMs(t) * 1000.0 / t.draws : 0.0; }

void Row(const char* what, int objects, const FrameTimes& t, const FrameTimes& plain, double kilobytesPerObject)
{
    const double perDraw = MicrosecondsPerDraw(t), plainPerDraw = MicrosecondsPerDraw(plain);
    std::printf("| %7d | %-24s | %7llu | %6.2f | %7.2f | %7.2f | %7.2f | %8.2f | %7.2f | %6.1f |\n", objects, what,
                static_cast<unsigned long long>(t.draws), Median(t.cull), Median(t.passes), Median(t.present),
                FrameMs(t), perDraw, plainPerDraw > 0 ? perDraw / plainPerDraw : 0.0, kilobytesPerObject);
    std::fflush(stdout);
}

int RunWorld(int objects, int frames)
{
    platform::ApplyProgramHeapPolicy();  // the program's heap, as WinMain sets it up
    platform::SetMessageBoxesSuppressed(true);
    std::string failure;
    platform::Window* window = platform::CreateMainWindow("Vesk render bench", nullptr, &failure);
    if (!window) {
        std::fprintf(stderr, "no window: %s\n", failure.c_str());
        return 1;
    }
    ResetStartupSetup();
    Settings.screenWidth = 640;
    Settings.screenHeight = 480;
    if (InitDefaultDriver() != 1) {
        std::fprintf(stderr, "no driver (see game.log)\n");
        return 1;
    }

    int result = 0;
    {
        CScene scene;
        scene.driver = Driver;
        const BlankSceneParams blank{500.0f, 20.0f, 0, 5.0f, 0, 0};
        if (!scene.CreateWorld(kGenerateWorld, "", kBlankScene, &blank, nullptr, nullptr)) {
            std::fprintf(stderr, "no world (see game.log)\n");
            return 1;
        }
        CWorld& world = *scene.world;
        // What every world pays whatever its objects (the shadow map's
        // texels, llvmpipe's first frames) is paid before the baseline.
        for (const int shadows : {0, 1}) {
            scene.shadowsOn = shadows;
            FrameTimes ignored;
            for (int f = 0; f < 2; ++f) SceneFrame(scene, ignored);
        }
        const long emptyPeak = PeakKilobytes();

        // A square grid of 1 m boxes 2 m apart around the origin.
        const int side = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(objects))));
        for (int i = 0; i < objects; ++i) {
            const float x = (i % side - side / 2) * 2.0f, z = (i / side - side / 2) * 2.0f;
            world.CreateBoxObject(1.0f, 1.0f, Vector3{x, 0.5f, z}, 1.0f, u"boxred.jpg", 1, 1, 1, 1, 1);
        }
        world.GenerateWorld();  // GPU buffers for the new boxes
        scene.renderCaches.Clear();  // the registries were made anew
        world.AssignSectors();

        // The viewer standing inside the grid, near its middle, looking
        // along +x and a little down: part of the grid is behind or beside it.
        const float half = side * 1.0f;
        const Vector3 eye{1.0f, 6.0f, 1.0f};
        Vector3 up{0.0f, 1.0f, 0.0f};
        scene.mainCamera.LookAt(eye, Vector3{half, 0.0f, 1.0f}, up);
        scene.mainCamera.position = eye;
        scene.cursorSpriteShown = 1;

        const auto run = [&](const std::function<void(FrameTimes&)>& frame) {
            FrameTimes warm, times;
            for (int f = 0; f < 2; ++f) frame(warm);
            for (int f = 0; f < frames; ++f) frame(times);
            return times;
        };

        scene.shadowsOn = 0;
        const FrameTimes sceneOff = run([&](FrameTimes& t) { SceneFrame(scene, t); });
        const FrameTimes plainOff = run([&](FrameTimes& t) { PlainFrame(scene, 0, t); });
        const FrameTimes plainSeen = run([&](FrameTimes& t) { PlainFrame(scene, 0, t, true); });
        scene.shadowsOn = 1;
        const FrameTimes sceneOn = run([&](FrameTimes& t) { SceneFrame(scene, t); });
        const FrameTimes plainOn = run([&](FrameTimes& t) { PlainFrame(scene, 3, t); });

        const double kilobytes = static_cast<double>(PeakKilobytes() - emptyPeak) / objects;

        // Like with like: the viewer high above the middle of the world,
        // looking down, sees every object (the grid and the ground's tiles),
        // so both loops draw the same ones.
        scene.shadowsOn = 0;
        const Vector3 above{0.0f, 1.7f * std::max(half, blank.worldSize / 2.0f), 0.0f};
        Vector3 north{0.0f, 0.0f, 1.0f};
        scene.mainCamera.LookAt(above, Vector3{0.0f, 0.0f, 0.0f}, north);
        scene.mainCamera.position = above;
        const FrameTimes sceneAll = run([&](FrameTimes& t) { SceneFrame(scene, t); });
        const FrameTimes plainAll = run([&](FrameTimes& t) { PlainFrame(scene, 0, t); });

        Row("scene, shadows off", objects, sceneOff, plainOff, kilobytes);
        Row("plain loop, shadows off", objects, plainOff, plainOff, kilobytes);
        Row("plain loop, objects seen", objects, plainSeen, plainOff, kilobytes);
        Row("scene, shadows on", objects, sceneOn, plainOn, kilobytes);
        Row("plain loop + 3 cascades", objects, plainOn, plainOn, kilobytes);
        Row("scene, all in view", objects, sceneAll, plainAll, kilobytes);
        Row("plain loop, all in view", objects, plainAll, plainAll, kilobytes);
    }
    Driver->ReleaseDevice();
    ReleaseDisplayEnumeration();
    platform::DestroyMainWindow(window);
    return result;
}

}  // namespace

int main(int argc, char** argv)
{
    const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    std::string here;
    if (!platform::GetCurrentDirectory(here) ||
        !platform::FileExists(platform::JoinPath(here, "Shaders/default.fx"))) {
        std::fprintf(stderr, "run from a start directory with Shaders and Textures (build/vesk)\n");
        return 1;
    }
    SetStartDirectory(here);
    ResetLog();

    std::printf("median ms per frame over %d frames, 640 x 480, llvmpipe\n\n", frames);
    std::printf("| objects | frame                    |   drawn |   cull |  passes | present |   total | us/drawn | x plain | KB/obj |\n");
    std::printf("|--------:|--------------------------|--------:|-------:|--------:|--------:|--------:|---------:|--------:|-------:|\n");
    std::fflush(stdout);
    std::vector<int> counts;
    for (int arg = 2; arg < argc; ++arg) counts.push_back(std::max(1, std::atoi(argv[arg])));
    if (counts.empty()) counts = {1000, 10000, 50000};
    for (int objects : counts) {
        const pid_t child = fork();
        if (child == 0) std::_Exit(RunWorld(objects, frames));
        int status = 0;
        waitpid(child, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::fprintf(stderr, "%d objects failed\n", objects);
    }
    return 0;
}
