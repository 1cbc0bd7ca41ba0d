// Sound instances of generated boxes.
//
//   sound_instances_bench [boxes]        (run from the build's start directory)
//
// Direct Line makes 100 x (boxes / 1000) places stacked ten high, each level
// a little above the last, so the stacks fall onto the ground and each other
// and the contacts ask for impact and slide sounds, as a user's "Generate"
// does. Two seconds of 60 Hz frames follow: physics step, then the frame's
// sound update. Each back end is measured against a baseline run of the same
// scene whose sound manager is started but not given to the scene, in the
// same process:
//   - instances: the scene's sound instances after the last frame;
//   - heap per instance: heap bytes in use, less the baseline's, divided by
//     the instance count;
//   - read from disk: bytes the process read while the boxes fell, against
//     the bytes of one copy of each sound file.
// Then, on the DirectSound-style back end, the time to free as many instances
// as a world of 100,000 falling boxes holds, in the order they were made, as
// leaving the world frees them.
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/random.h"
#include "scene/scene.h"
#include "sound/sound_buffer.h"
#include "sound/sound_manager.h"
#include "support/generator_scene.h"
#include "support/started_sound.h"
#include "world/object.h"
#include "world/physic_body.h"

namespace {

constexpr int kFrames = 120;
constexpr uint32_t kFrameMs = 16;
const char* const kSoundFiles[] = {"impact.wav", "movement.wav", "click.wav", "walking.wav"};

size_t HeapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// Bytes this process has read through read() and its kin so far.
size_t BytesRead()
{
    std::ifstream io("/proc/self/io");
    std::string key;
    size_t value = 0;
    while (io >> key >> value)
        if (key == "rchar:") return value;
    return 0;
}

struct Outcome {
    size_t instances = 0;
    size_t playable = 0;   // instances whose sound loaded
    size_t heapBytes = 0;  // after the last frame
    size_t readBytes = 0;  // while the boxes fell
};

// Generates the boxes and lets them fall; `sound` may be null (the baseline).
// The scene's start directory is a folder of its own with the sounds.
Outcome Run(int boxes, CSoundManager* sound, const std::vector<std::pair<std::string, std::string>>& sounds)
{
    SeedRandomForTests(1);
    GeneratorScene generator;
    for (const auto& [name, bytes] : sounds) generator.folder.Write("Sounds/" + name, bytes);
    CScene& scene = generator.scene;
    scene.soundManager = sound;
    scene.timing.sceneClock = 1000;
    generator.UseBlockType(u"BenchCube");
    CNBObject* ground = generator.AddGround(400.0f);
    ground->Mass = 0.0f;
    ground->StaticFlag = 1;
    ground->InitODEPhysic();
    ground->PhysicBody->CreateBoxBody(ground, scene.physics.dynamicsWorld, scene.physics.collisionShapes,
                                      Vector3{0.0f, -0.5f, 0.0f}, 200.0f, 0.5f, 200.0f, 0.0f);

    ObjectGeneratorSettings& settings = scene.generator;
    settings.lineLengthCount = 100.0f;
    settings.lineWidthCount = static_cast<float>(boxes / 1000);
    settings.lineLengthOffset = settings.lineWidthOffset = 0.5f;
    settings.lineHeight = 10.0f;
    settings.lineHeightOffset = 0.3f;
    scene.cursor3D = Vector3{-75.0f, 0.0f, -75.0f};
    scene.GenerateObjects(kGenerateDirectLine, kGeneratorPreview);
    scene.GenerateObjects(kGenerateDirectLine, kGeneratorCreate);

    const size_t readBefore = BytesRead();
    for (int frame = 0; frame < kFrames; ++frame) {
        scene.timing.sceneClock += kFrameMs;
        scene.StepPhysics();
        scene.UpdateObjectSounds();
    }
    Outcome outcome;
    outcome.readBytes = BytesRead() - readBefore;
    outcome.instances = scene.soundInstances.size();
    for (const CSoundBuffer* instance : scene.soundInstances) outcome.playable += instance->Loaded == 1;
    malloc_trim(0);
    outcome.heapBytes = HeapInUse();
    return outcome;
}

// Seconds to free `count` instances of one file, in the order they were made.
double FreeingSeconds(CSoundManager& sound, int count)
{
    std::vector<CSoundBuffer*> instances;
    instances.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) instances.push_back(LoadSound(sound, "Sounds/impact.wav"));
    const auto start = std::chrono::steady_clock::now();
    for (CSoundBuffer* instance : instances) DestroySound(instance);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv)
{
    const int boxes = argc > 1 ? std::max(1000, std::atoi(argv[1])) : 10000;
    std::vector<std::pair<std::string, std::string>> sounds;
    size_t fileBytes = 0;  // one copy of the two contact sounds
    for (const char* name : kSoundFiles) {
        std::ifstream file(std::string("Sounds/") + name, std::ios::binary);
        std::ostringstream bytes;
        bytes << file.rdbuf();
        if (!file || bytes.str().empty()) {
            std::fprintf(stderr, "run from the build's start directory: Sounds/%s is missing\n", name);
            return 1;
        }
        sounds.emplace_back(name, bytes.str());
        if (std::string(name) == "impact.wav" || std::string(name) == "movement.wav") fileBytes += bytes.str().size();
    }

    std::printf("sound instances of %d generated boxes falling for %d frames\n", boxes, kFrames);
    for (const int backEnd : {0, 1}) {
        const char* name = backEnd == 0 ? "DirectSound-style" : "OpenAL";
        // The baseline runs while the manager exists, so its device and
        // mixer count in both figures and only the instances make the difference.
        std::unique_ptr<CSoundManager> sound = StartSound(backEnd);
        const Outcome baseline = Run(boxes, nullptr, sounds);
        const Outcome run = Run(boxes, sound.get(), sounds);
        const double perInstance =
            run.instances ? (static_cast<double>(run.heapBytes) - static_cast<double>(baseline.heapBytes)) / run.instances
                          : 0.0;
        std::printf("  %-18s %6zu instances (%zu playable)  %8.0f bytes per instance  read %8.2f MB (%.1f copies of "
                    "the files)\n",
                    name, run.instances, run.playable, perInstance, run.readBytes / 1e6,
                    static_cast<double>(run.readBytes) / static_cast<double>(fileBytes));
    }
    constexpr int kFreed = 100000;
    std::unique_ptr<CSoundManager> sound = StartSound(0);
    std::printf("  freeing %d DirectSound-style instances: %.3f s\n", kFreed, FreeingSeconds(*sound, kFreed));
    return 0;
}
