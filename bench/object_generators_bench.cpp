// Generate Objects in the whole program, as a user runs it.
//
//   cd build/vesk && ../bench/object_generators_bench [length width height [steps]]
//
// WinMain runs headless in a start directory of its own (the shipped data
// linked, an empty "Worlds" folder) with its sound manager on SDL's dummy
// driver. Through the front end: "Continue", "New World", the blank scene,
// "Continue"; in the world quick-bar slot 1 (key 1), and the 3D cursor on the
// ground at the world's centre, where a click there puts it. Then, with the
// "Generate Objects" window open on its "Direct Line" tab (100 x 100 x 10 by
// default):
//   - the preview, as a changed slider runs it (CScene::GenerateObjects);
//   - "Generate" pressed: the frame whose window makes the objects, and the
//     frame after it (with the first physics step over them);
//   - scene frames until the physics has made `steps` steps (3 by default)
//     since: the resident size then, less the blank world's, is what the boxes
//     cost with their contacts and sounds;
//   - the world saved, then "Quit to Menu" at once: from the start of the
//     frame in which it is pressed to the front end (the length of the frame
//     before is printed beside it), with the peak resident size meanwhile
//     beside the world's own peak;
//   - the resident size in the front end then, beside the one before entering.
// The baseline of a box's cost is the same world read from its file: a second
// process of this program opens it from the worlds list and runs frames until
// its physics made as many steps.
//
// Lines starting with "row" are the figures the project tracks, each with
// its baseline and its target.
#include <btBulletDynamicsCommon.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/message_box.h"
#include "platform/window.h"
#include "platform/window_test_events.h"
#include "program_session.h"
#include "shell/settings.h"
#include "shell/start_directory.h"
#include "shell/win_main.h"
#include "ui/menu.h"
#include "world/world.h"

namespace {

namespace fs = std::filesystem;
using namespace bench_session;

constexpr int kKeyEscape = 0x1B;
constexpr int kKeyOne = '1';
constexpr const char* kGenerateWindow = "Generate Objects";

struct Shape {
    int length = 100;
    int width = 100;
    int height = 10;
    int steps = 3;
};

// Figures handed from the "open" process to the one that started it.
struct LoadedFigures {
    long frontEnd = 0;
    long world = 0;
    long objects = 0;
};

// ---------------------------------------------------------------------------
// Physics steps, counted and timed from Bullet's tick callbacks
// ---------------------------------------------------------------------------

struct StepClock {
    int steps = 0;
    double seconds = 0.0;  // in steps, since the last Reset
    Clock::time_point began;

    void Reset() { steps = 0, seconds = 0.0; }
    static void Before(btDynamicsWorld* world, btScalar)
    {
        static_cast<StepClock*>(world->getWorldUserInfo())->began = Clock::now();
    }
    static void After(btDynamicsWorld* world, btScalar)
    {
        auto* clock = static_cast<StepClock*>(world->getWorldUserInfo());
        ++clock->steps;
        clock->seconds += SecondsSince(clock->began);
    }
    void Watch(btDiscreteDynamicsWorld* world)
    {
        if (!world || world->getWorldUserInfo() == this) return;
        world->setInternalTickCallback(&StepClock::Before, this, true);
        world->setInternalTickCallback(&StepClock::After, this, false);
    }
};

// /proc/self's peak resident size (VmHWM) starts again from the resident size.
void ResetPeak()
{
    if (FILE* file = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", file);
        std::fclose(file);
    }
}

// ---------------------------------------------------------------------------
// Into a world through the front end
// ---------------------------------------------------------------------------

// The front-end steps every run begins with: a new blank world, or (open) the
// world `worldName` from the list. Pass() is true once the world is entered;
// frontEndMb is the resident size just before.
struct FrontEnd {
    enum Step { kMainMenu, kWorldsList, kNewWorld, kEntering, kEntered };
    Step step = kMainMenu;
    int stepPass = 0;
    long frontEndMb = 0;
    std::string worldName;
    bool open = false;
    std::string failure;

    void Go(Step next)
    {
        step = next;
        stepPass = 0;
    }
    void Enter(const char* window)
    {
        frontEndMb = ResidentMegabytes();
        Press(window, {"Continue"});
        Go(kEntering);
    }
    bool Pass()
    {
        ++stepPass;
        switch (step) {
        case kMainMenu:
            if (stepPass == 3) Press("GM", {"Continue"});
            if (stepPass == 5) Go(kWorldsList);
            return false;
        case kWorldsList:
            if (open) {
                const auto found = std::find(Game->worldNames.begin(), Game->worldNames.end(), worldName);
                if (Menu->screenState != 1 || found == Game->worldNames.end()) failure = "no such world";
                else if (stepPass == 1) Menu->selectedWorld = static_cast<int32_t>(found - Game->worldNames.begin());
                else if (stepPass == 3) Enter("GM");
                return false;
            }
            if (stepPass == 1) Press("GM", {"New World"});
            if (stepPass == 3) {
                if (!Menu || Menu->screenState != 8) failure = "New World did not open the new-world screen";
                worldName = Menu->proposedWorldName;
                Menu->sceneType = kBlankScene;
                Go(kNewWorld);
            }
            return false;
        case kNewWorld:
            if (stepPass == 2) Enter("SM");
            return false;
        case kEntering:
            if (InScene()) Go(kEntered);
            else if (stepPass > 5) failure = "the world was not entered";
            return false;
        case kEntered: return true;
        }
        return false;
    }
};

// ---------------------------------------------------------------------------
// The generate run
// ---------------------------------------------------------------------------

struct GenerateRun {
    enum Step { kFrontEnd, kSettle, kPreview, kGenerate, kFrames, kLeave, kLeaving, kDone };
    Shape shape;
    FrontEnd frontEnd;
    StepClock physics;
    Step step = kFrontEnd;
    int stepPass = 0;
    std::string failure;

    Clock::time_point mark;
    Clock::time_point passStart = Clock::now();
    double lastPassSeconds = 0.0;
    long worldMb = 0;
    double previewSeconds = 0.0;
    double createPassSeconds = 0.0;
    double generateSeconds = 0.0;
    double firstStepSeconds = 0.0;
    size_t objectsBefore = 0;
    size_t made = 0;
    long boxesMb = 0;
    size_t soundInstances = 0;
    long worldPeakMb = 0;
    double leaveSeconds = 0.0;
    double leaveFrameSeconds = 0.0;  // the scene frame before the press
    long leavePeakMb = 0;
    long frontEndAfterMb = 0;

    void Go(Step next)
    {
        step = next;
        stepPass = 0;
    }
    void Fail(const std::string& why)
    {
        if (failure.empty()) failure = why;
        platform::PushWindowCloseEvent(platform::GetMainWindow());
        Go(kDone);
    }

    void Pass()
    {
        const Clock::time_point now = Clock::now();
        lastPassSeconds = std::chrono::duration<double>(now - passStart).count();
        passStart = now;
        ++stepPass;
        platform::Window* window = platform::GetMainWindow();
        if (stepPass > 20000 && step < kDone) return Fail("a step did not finish");
        CScene* scene = Game ? Game->scene : nullptr;
        if (scene) physics.Watch(scene->physics.dynamicsWorld);
        switch (step) {
        case kFrontEnd:
            if (frontEnd.Pass()) Go(kSettle);
            if (!frontEnd.failure.empty()) Fail(frontEnd.failure);
            return;
        case kSettle:
            if (stepPass == 1) platform::PushKeyDownEvent(window, kKeyOne, false);
            if (stepPass == 2) platform::PushKeyUpEvent(window, kKeyOne);
            if (stepPass == 5) {
                if (!scene->world->currentBlockType) return Fail("quick-bar slot 1 holds no block type");
                scene->cursor3D = Vector3{0.0f, 0.0f, 0.0f};
                worldMb = ResidentMegabytes();
                Go(kPreview);
            }
            return;
        case kPreview: {
            ObjectGeneratorSettings& settings = scene->generator;
            settings.lineLengthCount = static_cast<float>(shape.length);
            settings.lineWidthCount = static_cast<float>(shape.width);
            settings.lineHeight = static_cast<float>(shape.height);
            scene->Flag(kFlagGenerateObjects) = 1;
            mark = Clock::now();
            scene->GenerateObjects(kGenerateDirectLine, kGeneratorPreview);
            scene->Flag(kFlagGeneratorPreview) = 1;
            previewSeconds = SecondsSince(mark);
            objectsBefore = scene->world->objects.size();
            return Go(kGenerate);
        }
        case kGenerate:
            // The window is drawn in this pass's frame; the press lands in the next.
            if (stepPass == 1) {
                mark = Clock::now();
                Press(kGenerateWindow, {"MyTabBar", "Direct Line", "Generate"});
            }
            if (stepPass == 2) {
                createPassSeconds = lastPassSeconds;
                physics.Reset();
            }
            if (stepPass == 3) {
                generateSeconds = SecondsSince(mark);
                firstStepSeconds = physics.seconds;
                made = scene->world->objects.size() - objectsBefore;
                if (made == 0) return Fail("Generate made no objects");
                Go(kFrames);
            }
            return;
        case kFrames:
            if (physics.steps < shape.steps) return;
            boxesMb = ResidentMegabytes() - worldMb;
            soundInstances = scene->soundInstances.size();
            // The baseline process opens this world from its file.
            if (!frontEnd.worldName.ends_with(".vsk")) frontEnd.worldName += ".vsk";
            if (!scene->SaveCurrentWorld((fs::path(StartDirectory) / "Worlds" / frontEnd.worldName).c_str()))
                return Fail("the world could not be saved");
            return Go(kLeave);
        case kLeave:
            if (stepPass == 1) platform::PushKeyDownEvent(window, kKeyEscape, false);
            if (stepPass == 2) platform::PushKeyUpEvent(window, kKeyEscape);
            if (stepPass == 4) {
                worldPeakMb = PeakMegabytes();
                leaveFrameSeconds = lastPassSeconds;  // a scene frame as the one that handles the press
                ResetPeak();
                mark = Clock::now();
                Press("GM##SceneMenu", {"Quit to Menu"});
                Go(kLeaving);
            }
            return;
        case kLeaving:
            if (Game->menuMode == 1 && !Game->scene) {
                leaveSeconds = SecondsSince(mark);
                leavePeakMb = PeakMegabytes();
                frontEndAfterMb = ResidentMegabytes();
                platform::PushWindowCloseEvent(window);
                Go(kDone);
            } else if (stepPass > 10) {
                Fail("Quit to Menu did not return to the front end");
            }
            return;
        case kDone: return;
        }
    }
};

// ---------------------------------------------------------------------------
// The baseline: the saved world opened from the worlds list
// ---------------------------------------------------------------------------

LoadedFigures RunOpen(const std::string& worldName, int steps)
{
    FrontEnd frontEnd;
    frontEnd.open = true;
    frontEnd.worldName = worldName;
    StepClock physics;
    LoadedFigures figures;
    SetMainLoopPassHook([&](int) {
        if (!frontEnd.failure.empty() || figures.world > 0) return;
        if (!frontEnd.Pass()) {
            if (!frontEnd.failure.empty()) platform::PushWindowCloseEvent(platform::GetMainWindow());
            return;
        }
        physics.Watch(Game->scene->physics.dynamicsWorld);
        if (physics.steps < steps) return;
        figures.frontEnd = frontEnd.frontEndMb;
        figures.world = ResidentMegabytes();
        figures.objects = static_cast<long>(Game->scene->world->objects.size());
        platform::PushWindowCloseEvent(platform::GetMainWindow());
    });
    WinMain(1);
    SetMainLoopPassHook(nullptr);
    return figures;
}

LoadedFigures OpenInOwnProcess(const std::string& startDirectory, const std::string& worldName, int steps)
{
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    const std::string command = "'" + self + "' open '" + startDirectory + "' '" + worldName + "' " +
                                std::to_string(steps);
    LoadedFigures figures;
    if (FILE* helper = popen(command.c_str(), "r")) {
        char line[256];
        while (std::fgets(line, sizeof(line), helper))
            if (std::sscanf(line, "loaded %ld %ld %ld", &figures.frontEnd, &figures.world, &figures.objects) == 3)
                break;
        pclose(helper);
    }
    return figures;
}

void Prepare(const std::string& startDirectory)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("ALSOFT_DRIVERS", "null", 0);
    platform::SetMessageBoxesSuppressed(true);
    ResetStartupSetup();
    SetStartDirectory(startDirectory);
}

void Print(const Shape& shape, const GenerateRun& run, const LoadedFigures& loaded)
{
    const double boxes = static_cast<double>(run.made);
    const double generatedKb = run.boxesMb * 1024.0 / boxes;
    // The loaded world less what its blank world costs, per box.
    const long blankMb = run.worldMb - run.frontEnd.frontEndMb;
    const double loadedKb = loaded.objects > 0 ? (loaded.world - loaded.frontEnd - blankMb) * 1024.0 / boxes : 0.0;
    const double frozen = run.previewSeconds + run.generateSeconds;
    std::printf("front end before entering     %6ld MB resident\n", run.frontEnd.frontEndMb);
    std::printf("blank world                   %6ld MB resident\n", run.worldMb);
    std::printf("preview                       %8.2f s\n", run.previewSeconds);
    std::printf("Generate to the next frame    %8.2f s   %zu objects; the frame that made them %.2f s, the first "
                "physics step over them %.2f s\n",
                run.generateSeconds, run.made, run.createPassSeconds, run.firstStepSeconds);
    std::printf("after %d physics steps         %6ld MB more than the blank world, %zu sound instances\n",
                shape.steps, run.boxesMb, run.soundInstances);
    std::printf("opened from its file          %6ld MB resident after as many steps (front end %ld MB, %ld "
                "objects)\n",
                loaded.world, loaded.frontEnd, loaded.objects);
    std::printf("leaving                       %8.2f s   of which a scene frame (about) %.2f s; peak %ld MB (the "
                "world's %ld MB)\n",
                run.leaveSeconds, run.leaveFrameSeconds, run.leavePeakMb, run.worldPeakMb);
    std::printf("front end after leaving       %6ld MB resident\n", run.frontEndAfterMb);
    std::printf("row  Generate Objects %d x %d x %d: %.2f s frozen (preview %.2f s, Generate to the next frame %.2f s, "
                "of which its first physics step %.2f s)   target at most 3 s\n",
                shape.length, shape.width, shape.height, frozen, run.previewSeconds, run.generateSeconds,
                run.firstStepSeconds);
    std::printf("row  memory per generated box after %d physics steps: %.1f KB, a box read from the world file %.1f KB"
                "   target at most 8 KB\n",
                shape.steps, generatedKb, loadedKb);
    std::printf("row  leaving right after generating: %.2f s (%.2f s besides a scene frame), peak %+ld MB over the "
                "world's own   target at most 2 s, no peak above the world's\n",
                run.leaveSeconds, run.leaveSeconds - run.leaveFrameSeconds, run.leavePeakMb - run.worldPeakMb);
    std::printf("row  resident after leaving: %ld MB, before entering %ld MB (%+ld MB)   target within 150 MB\n",
                run.frontEndAfterMb, run.frontEnd.frontEndMb, run.frontEndAfterMb - run.frontEnd.frontEndMb);
}

int RunGenerate(const Shape& shape)
{
    const std::string folder = MakeStartDirectory("vesk-generator-bench");
    if (folder.empty()) return 1;
    Prepare(folder);
    GenerateRun run;
    run.shape = shape;
    std::printf("Generate Objects, Direct Line %d x %d x %d, in a blank world\n", shape.length, shape.width,
                shape.height);
    std::fflush(stdout);
    SetMainLoopPassHook([&run](int) { run.Pass(); });
    const int exitCode = WinMain(1);
    SetMainLoopPassHook(nullptr);
    int result = 0;
    if (exitCode != 0 || !run.failure.empty() || run.step != GenerateRun::kDone) {
        std::fprintf(stderr, "the run failed: %s (exit code %d)\n", run.failure.c_str(), exitCode);
        result = 1;
    } else {
        Print(shape, run, OpenInOwnProcess(folder, run.frontEnd.worldName, shape.steps));
    }
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return result;
}

}  // namespace

int main(int argc, char** argv)
{
    if (!fs::exists("Shaders/default.fx") || !fs::exists("TexturesUI")) {
        std::fprintf(stderr, "run from a start directory with the shipped data (build/vesk)\n");
        return 1;
    }
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "open" && argc == 5) {
        // The baseline process: "loaded <front end MB> <world MB> <objects>".
        Prepare(argv[2]);
        const LoadedFigures figures = RunOpen(argv[3], std::atoi(argv[4]));
        std::printf("loaded %ld %ld %ld\n", figures.frontEnd, figures.world, figures.objects);
        return figures.world > 0 ? 0 : 1;
    }
    Shape shape;
    if (argc >= 4) {
        shape.length = std::max(1, std::atoi(argv[1]));
        shape.width = std::max(1, std::atoi(argv[2]));
        shape.height = std::max(1, std::atoi(argv[3]));
    }
    if (argc >= 5) shape.steps = std::max(1, std::atoi(argv[4]));
    return RunGenerate(shape);
}
