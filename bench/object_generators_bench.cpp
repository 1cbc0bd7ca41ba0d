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
//   - "Generate" pressed: the frame whose window makes the objects (and in
//     it Bullet's search for the pairs of touching boxes), and the frame
//     after it (with the first physics step over them);
//   - scene frames until the physics has made `steps` steps (3 by default)
//     since: the resident size then, less the blank world's, is what the boxes
//     cost with their contacts and sounds;
//   - the world saved, then "Quit to Menu" at once: from the start of the
//     frame in which it is pressed to the front end, beside the length of
//     that scene frame (its physics step, and the rest of the frame before),
//     with the peak resident size meanwhile beside the world's own peak;
//   - the resident size in the front end then, beside the one before entering.
// The baseline of a box's cost is the same world read from its file: a second
// process of this program opens it from the worlds list and runs frames until
// its physics made as many steps.
//
// Most of the boxes' time and memory is Bullet's: a pile of touching boxes
// keeps over a million contact manifolds. So the physics is measured against
// plain Bullet doing the same work (plain_bullet_reference.h): the boxes'
// bodies and the ground, with their settings, are written out as they stand
// before the first step over them, and a third process (this benchmark
// again, "plain") builds them in a bare Bullet world, finds their pairs,
// steps it as often, and reports its time and memory beside the program's.
//
// Lines starting with "row" are the figures the project tracks, each with
// its baseline and its target.
#include <btBulletDynamicsCommon.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/message_box.h"
#include "platform/window.h"
#include "platform/window_test_events.h"
#include "bullet_clocks.h"
#include "plain_bullet_reference.h"
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
    bench_bullet::StepClock physics;
    bench_bullet::PairSearchClock pairSearch;
    plain_bullet::DescriptionWriter description;  // of the boxes as made, for the plain-Bullet reference
    std::string descriptionPath;
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
    double describeSeconds = 0.0;  // the benchmark's own work in the Generate passes, not counted
    double firstStepSeconds = 0.0;
    double firstStepProcessor = 0.0;
    plain_bullet::Contacts entered;  // after the Generate frame
    plain_bullet::Contacts stepped;  // after the first step over the boxes
    size_t objectsBefore = 0;
    size_t made = 0;
    long boxesMb = 0;
    size_t soundInstances = 0;
    long worldPeakMb = 0;
    double leaveSeconds = 0.0;
    double leaveStepSeconds = 0.0;   // the physics step in the frame that handles the press
    double leaveFrameSeconds = 0.0;  // the scene frame before the press, less its physics step
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
        if (scene && scene->physics.dynamicsWorld) {
            physics.Watch(scene->physics.dynamicsWorld);
            pairSearch.Watch(scene->physics.dynamicsWorld->getPairCache());
        }
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
                pairSearch.Arm();
                Press(kGenerateWindow, {"MyTabBar", "Direct Line", "Generate"});
            }
            if (stepPass == 2) {
                const Clock::time_point describing = Clock::now();
                createPassSeconds = lastPassSeconds;
                pairSearch.Disarm();
                entered = plain_bullet::CountContacts(*scene->physics.dynamicsWorld);
                std::string why;
                if (!description.Begin(*scene->physics.dynamicsWorld, descriptionPath, why)) return Fail(why);
                physics.Reset();
                describeSeconds = SecondsSince(describing);
            }
            // A short frame may end before a fixed step is due: the first
            // step over the boxes is then in a later one.
            if (stepPass >= 3 && physics.steps > 0) {
                generateSeconds = SecondsSince(mark) - describeSeconds;
                firstStepSeconds = physics.firstSeconds;
                firstStepProcessor = physics.firstProcessor;
                made = scene->world->objects.size() - objectsBefore;
                if (made == 0) return Fail("Generate made no objects");
                stepped = plain_bullet::CountContacts(*scene->physics.dynamicsWorld);
                Go(kFrames);
            }
            return;
        case kFrames:
            if (physics.steps < shape.steps) return;
            boxesMb = ResidentMegabytes() - worldMb;
            soundInstances = scene->soundInstances.size();
            {
                std::string why;
                if (!description.Finish(*scene->physics.dynamicsWorld, physics.timeStep, why)) return Fail(why);
            }
            // The baseline process opens this world from its file.
            if (!frontEnd.worldName.ends_with(".vsk")) frontEnd.worldName += ".vsk";
            if (!scene->SaveCurrentWorld((fs::path(StartDirectory) / "Worlds" / frontEnd.worldName).c_str()))
                return Fail("the world could not be saved");
            return Go(kLeave);
        case kLeave:
            if (stepPass == 1) platform::PushKeyDownEvent(window, kKeyEscape, false);
            if (stepPass == 2) platform::PushKeyUpEvent(window, kKeyEscape);
            if (stepPass == 3) physics.Reset();
            if (stepPass == 4) {
                worldPeakMb = PeakMegabytes();
                // A scene frame as the one that handles the press, but for its
                // physics step, which is measured in that frame itself: the
                // steps of a pile this size vary by seconds from frame to frame.
                leaveFrameSeconds = lastPassSeconds - physics.seconds;
                physics.Reset();
                ResetPeak();
                mark = Clock::now();
                Press("GM##SceneMenu", {"Quit to Menu"});
                Go(kLeaving);
            }
            return;
        case kLeaving:
            if (Game->menuMode == 1 && !Game->scene) {
                leaveSeconds = SecondsSince(mark);
                leaveStepSeconds = physics.seconds;
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
    bench_bullet::StepClock physics;
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

// What this benchmark prints when run again, in a process of its own, with
// `arguments`: its lines.
std::vector<std::string> LinesOfOwnProcess(const std::vector<std::string>& arguments)
{
    std::string command = "'" + fs::read_symlink("/proc/self/exe").string() + "'";
    for (const std::string& argument : arguments) command += " '" + argument + "'";
    std::vector<std::string> lines;
    std::fflush(stdout);
    if (FILE* helper = popen(command.c_str(), "r")) {
        char line[1024];
        while (std::fgets(line, sizeof(line), helper)) lines.emplace_back(line);
        pclose(helper);
    }
    return lines;
}

LoadedFigures OpenInOwnProcess(const std::string& startDirectory, const std::string& worldName, int steps)
{
    LoadedFigures figures;
    for (const std::string& line : LinesOfOwnProcess({"open", startDirectory, worldName, std::to_string(steps)}))
        if (std::sscanf(line.c_str(), "loaded %ld %ld %ld", &figures.frontEnd, &figures.world, &figures.objects) == 3)
            break;
    return figures;
}

// ---------------------------------------------------------------------------
// The reference: the same boxes and ground in plain Bullet
// ---------------------------------------------------------------------------

constexpr const char* kPlainFigures = "plain %ld %lf %lf %lf %lf %lf %ld %ld %ld %ld %ld %ld";

// The reference process: a line of its settings, then its figures.
int RunPlainBullet(const std::string& descriptionPath, int steps)
{
    plain_bullet::Description description;
    std::string why;
    if (!plain_bullet::ReadDescription(descriptionPath, description, why)) {
        std::fprintf(stderr, "plain Bullet: %s\n", why.c_str());
        return 1;
    }
    const plain_bullet::WorldSettings& w = description.world;
    const plain_bullet::BoxKind& box = description.box;
    const plain_bullet::BodySettings& b = box.settings;
    std::printf("plain Bullet's world: gravity (%g, %g, %g), fixed step %.6f s, %d solver iterations, solver mode "
                "0x%x, SAT for convex shapes %s; %zu ground bodies on %zu shapes; boxes %g x %g x %g (margin %g), "
                "mass %g, friction %g, restitution %g, damping %g / %g, CCD threshold %g and swept radius %g\n",
                w.gravity[0], w.gravity[1], w.gravity[2], w.fixedTimeStep, w.solver.m_numIterations,
                static_cast<unsigned>(w.solver.m_solverMode), w.enableSatConvex ? "on" : "off", description.ground.size(),
                description.groundShapes.size(), 2 * box.halfExtents[0], 2 * box.halfExtents[1],
                2 * box.halfExtents[2], box.margin, b.mass, b.friction, b.restitution, b.linearDamping,
                b.angularDamping, b.ccdMotionThreshold, b.ccdSweptSphereRadius);
    const plain_bullet::Figures f = plain_bullet::Measure(description, steps);
    std::printf("plain %ld %.6f %.6f %.6f %.6f %.4f %ld %ld %ld %ld %ld %ld\n", f.boxes, f.makeSeconds,
                f.enterSeconds, f.firstStepSeconds, f.firstStepProcessor, f.kilobytesPerBox, f.entered.pairs,
                f.entered.manifolds, f.entered.points, f.stepped.pairs, f.stepped.manifolds, f.stepped.points);
    return f.boxes > 0 ? 0 : 1;
}

struct PlainFigures {
    std::string settings;
    plain_bullet::Figures figures;
};

PlainFigures PlainBulletInOwnProcess(const std::string& descriptionPath, int steps)
{
    PlainFigures plain;
    plain_bullet::Figures& f = plain.figures;
    for (const std::string& line : LinesOfOwnProcess({"plain", descriptionPath, std::to_string(steps)})) {
        if (line.starts_with("plain Bullet's world")) plain.settings = line;
        std::sscanf(line.c_str(), kPlainFigures, &f.boxes, &f.makeSeconds, &f.enterSeconds, &f.firstStepSeconds,
                    &f.firstStepProcessor, &f.kilobytesPerBox, &f.entered.pairs, &f.entered.manifolds,
                    &f.entered.points, &f.stepped.pairs, &f.stepped.manifolds, &f.stepped.points);
    }
    return plain;
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

double Ratio(double a, double b) { return b > 0.0 ? a / b : 0.0; }

void Print(const Shape& shape, const GenerateRun& run, const LoadedFigures& loaded, const PlainFigures& plain)
{
    const double boxes = static_cast<double>(run.made);
    const double generatedKb = run.boxesMb * 1024.0 / boxes;
    // The loaded world less what its blank world costs, per box.
    const long blankMb = run.worldMb - run.frontEnd.frontEndMb;
    const double loadedKb = loaded.objects > 0 ? (loaded.world - loaded.frontEnd - blankMb) * 1024.0 / boxes : 0.0;
    const double frozen = run.previewSeconds + run.generateSeconds;
    const double pairSearch = run.pairSearch.Seconds();
    const double leaveFrame = run.leaveStepSeconds + run.leaveFrameSeconds;
    const plain_bullet::Figures& p = plain.figures;
    std::printf("front end before entering     %6ld MB resident\n", run.frontEnd.frontEndMb);
    std::printf("blank world                   %6ld MB resident\n", run.worldMb);
    std::printf("preview                       %8.2f s\n", run.previewSeconds);
    std::printf("Generate to the next frame    %8.2f s   %zu objects; the frame that made them %.2f s (Bullet's pair "
                "search %.2f s), the first physics step over them %.2f s\n",
                run.generateSeconds, run.made, run.createPassSeconds, pairSearch, run.firstStepSeconds);
    std::printf("after %d physics steps         %6ld MB more than the blank world, %zu sound instances\n",
                shape.steps, run.boxesMb, run.soundInstances);
    std::printf("opened from its file          %6ld MB resident after as many steps (front end %ld MB, %ld "
                "objects)\n",
                loaded.world, loaded.frontEnd, loaded.objects);
    std::printf("leaving                       %8.2f s   of which the scene frame that handles it (about) %.2f s: "
                "its physics step %.2f s, the rest as much as in the frame before; peak %ld MB (the world's %ld MB)\n",
                run.leaveSeconds, leaveFrame, run.leaveStepSeconds, run.leavePeakMb, run.worldPeakMb);
    std::printf("front end after leaving       %6ld MB resident\n", run.frontEndAfterMb);
    std::printf("%s", plain.settings.c_str());
    std::printf("plain Bullet, %ld boxes: added one by one, their pairs found %.2f s (making their bodies %.2f s; "
                "the program's pair search %.2f s); %ld pairs (the program's %ld)\n",
                p.boxes, p.enterSeconds, p.makeSeconds, pairSearch, p.entered.pairs, run.entered.pairs);
    std::printf("plain Bullet's first step     %8.2f s   processor %.2f s; %ld manifolds, %ld contact points (the "
                "program's %.2f s, processor %.2f s; %ld manifolds, %ld contact points)\n",
                p.firstStepSeconds, p.firstStepProcessor, p.stepped.manifolds, p.stepped.points, run.firstStepSeconds,
                run.firstStepProcessor, run.stepped.manifolds, run.stepped.points);
    std::printf("plain Bullet after %d steps    %8.1f KB a box (the program's %.1f KB)\n", shape.steps,
                p.kilobytesPerBox, generatedKb);
    std::printf("row  first physics step over the generated boxes: %.2f s, %.2fx plain Bullet's %.2f s (processor "
                "time %.2fx)   target at most 1.2x\n",
                run.firstStepSeconds, Ratio(run.firstStepSeconds, p.firstStepSeconds), p.firstStepSeconds,
                Ratio(run.firstStepProcessor, p.firstStepProcessor));
    std::printf("row  memory per generated box after %d physics steps: %.1f KB, %.2fx plain Bullet's %.1f KB (a box "
                "read from the world file %.1f KB)   target at most 1.2x\n",
                shape.steps, generatedKb, Ratio(generatedKb, p.kilobytesPerBox), p.kilobytesPerBox, loadedKb);
    std::printf("row  Generate Objects %d x %d x %d besides Bullet's work: %.2f s (frozen %.2f s: preview %.2f s, "
                "Generate to the next frame %.2f s; less Bullet's pair search %.2f s and first physics step %.2f s)"
                "   target at most 3 s\n",
                shape.length, shape.width, shape.height, frozen - pairSearch - run.firstStepSeconds, frozen,
                run.previewSeconds, run.generateSeconds, pairSearch, run.firstStepSeconds);
    std::printf("row  leaving right after generating, besides the scene frame that handles the click: %.2f s (%.2f s "
                "with it), peak %+ld MB over the world's own   target at most 2 s\n",
                run.leaveSeconds - leaveFrame, run.leaveSeconds, run.leavePeakMb - run.worldPeakMb);
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
    run.descriptionPath = (fs::path(folder) / "plain-bullet-world").string();
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
        const LoadedFigures loaded = OpenInOwnProcess(folder, run.frontEnd.worldName, shape.steps);
        Print(shape, run, loaded, PlainBulletInOwnProcess(run.descriptionPath, shape.steps));
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
    // The reference process: plain Bullet only, from the description the
    // generate run wrote.
    if (mode == "plain" && argc == 4) return RunPlainBullet(argv[2], std::max(1, std::atoi(argv[3])));
    Shape shape;
    if (argc >= 4) {
        shape.length = std::max(1, std::atoi(argv[1]));
        shape.width = std::max(1, std::atoi(argv[2]));
        shape.height = std::max(1, std::atoi(argv[3]));
    }
    if (argc >= 5) shape.steps = std::max(1, std::atoi(argv[4]));
    return RunGenerate(shape);
}
