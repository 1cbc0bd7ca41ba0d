// The whole program, headless, driven through its front end as a user would.
//
//   cd build/vesk && ../bench/program_bench startup
//   cd build/vesk && ../bench/program_bench landscape [size] [height]
//
// Each run starts WinMain in a start directory of its own (links to the
// shipped data of the current directory, an empty "Worlds" folder, default
// settings) under the offscreen video and dummy audio drivers. Buttons are
// pressed through Dear ImGui's item activation and keys through synthetic
// SDL events, as the end-to-end tests do.
//
// startup: seconds from the process start (VESK_BENCH_LAUNCHED_NS, the
// launcher's CLOCK_REALTIME in nanoseconds, else the kernel's start time of
// the process) to the end of the first front-end frame; then the program is
// closed.
//
// landscape (default 512 cells, height 64): "Continue", "New World", the cube
// landscape, "Continue" (Create); the time to the end of the first scene
// frame; the designed save of that world again (SaveCurrentWorld) beside a
// plain fwrite + fflush + fsync of the same bytes in a process of its own
// (best of two each), with the peak resident size after the saves; "Quit to Menu" until the
// front end is back; the world opened again from the worlds list to its first
// frame; then the window closed with the world open, until WinMain returns.
// Leaving and quitting each begin with the scene frame in which the request
// is handled; the length of the scene frame before is printed beneath them.
// Resident and peak resident sizes are printed after each step, and the
// resident size in the front end after leaving beside the one before Create.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/message_box.h"
#include "platform/window.h"
#include "platform/window_test_events.h"
#include "program_session.h"
#include "scene/scene.h"
#include "shell/game.h"
#include "shell/settings.h"
#include "shell/start_directory.h"
#include "shell/win_main.h"
#include "ui/menu.h"
#include "world/world.h"

namespace {

namespace fs = std::filesystem;
using namespace bench_session;

constexpr int kKeyEscape = 0x1B;

// Seconds since the process was started: from the launcher's clock when it
// passed one, else from the kernel's start time (10 ms steps).
double SecondsSinceLaunch()
{
    if (const char* launched = std::getenv("VESK_BENCH_LAUNCHED_NS")) {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        const double nowNs = now.tv_sec * 1e9 + now.tv_nsec;
        return (nowNs - std::strtod(launched, nullptr)) / 1e9;
    }
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // Field 22 (start time in clock ticks since boot) counts from the ")" that ends field 2.
    std::size_t at = text.rfind(')');
    for (int field = 2; field < 22 && at != std::string::npos; ++field) at = text.find(' ', at + 1);
    const double ticks = at == std::string::npos ? 0.0 : std::strtod(text.c_str() + at + 1, nullptr);
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return now.tv_sec + now.tv_nsec / 1e9 - ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// fwrite + fflush + fsync of `bytes` into `path`, in seconds.
double PlainWrite(const std::vector<char>& bytes, const std::string& path)
{
    const Clock::time_point start = Clock::now();
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return -1.0;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fflush(file);
    fsync(fileno(file));
    std::fclose(file);
    return SecondsSince(start);
}

std::vector<char> ReadFile(const std::string& path)
{
    std::error_code failed;
    const auto size = fs::file_size(path, failed);
    std::vector<char> bytes;
    FILE* file = failed ? nullptr : std::fopen(path.c_str(), "rb");
    if (!file) return bytes;
    bytes.resize(size);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
    std::fclose(file);
    return bytes;
}

// ---------------------------------------------------------------------------
// The landscape run
// ---------------------------------------------------------------------------

struct LandscapeRun {
    enum Step { kMainMenu, kWorldsList, kNewWorld, kCreating, kFirstFrame, kLeave, kLeaving, kReopen, kReopening,
                kReopenedFrame, kQuit, kDone };
    int size = 512;
    int height = 64;
    std::string startDirectory;

    Step step = kMainMenu;
    int stepPass = 0;
    Clock::time_point mark;
    std::string failure;
    std::string worldName;
    long frontEndMb = 0;  // resident in the front end just before Create

    void Go(Step next)
    {
        step = next;
        stepPass = 0;
    }
    void Fail(const std::string& why)
    {
        if (failure.empty()) failure = why;
        Go(kQuit);
    }
    // Once the world is entered, on to `next`; a few passes without it fail.
    void AwaitWorld(Step next, const char* failure)
    {
        if (InScene()) Go(next);
        else if (stepPass > 5) Fail(failure);
    }
    static void Report(const char* what, double seconds)
    {
        std::printf("%-34s %8.2f s   resident %6ld MB   peak %6ld MB\n", what, seconds, ResidentMegabytes(),
                    PeakMegabytes());
        std::fflush(stdout);
    }

    // The best of two of each, taken in turns: the disk is shared too. The
    // plain write runs in a process of its own (this program started again
    // in its "plain-write" mode, not a fork, whose copy-on-write would slow
    // every later step), so its copy of the bytes is not counted in the
    // program's peak resident size, which is printed after the designed saves.
    void SaveBesidePlainWrite()
    {
        const std::string path = (fs::path(startDirectory) / "Worlds" / worldName).string();
        const std::string self = fs::read_symlink("/proc/self/exe").string();
        const std::string command = "'" + self + "' plain-write '" + path + "' '" + path + ".plain'";
        double designed = 1e30, plain = 1e30, megabytes = 0.0;
        long savedPeak = 0;
        for (int run = 0; run < 2; ++run) {
            const Clock::time_point start = Clock::now();
            Game->scene->SaveCurrentWorld(path.c_str());
            designed = std::min(designed, SecondsSince(start));
            savedPeak = PeakMegabytes();
            double seconds = -1.0;
            if (FILE* helper = popen(command.c_str(), "r")) {
                if (std::fscanf(helper, "%lf %lf", &seconds, &megabytes) != 2) seconds = -1.0;
                pclose(helper);
            }
            std::remove((path + ".plain").c_str());
            if (seconds >= 0) plain = std::min(plain, seconds);
        }
        std::printf("%-34s %8.2f s   plain fwrite + fsync %.2f s (%.1f MB): %.2fx   peak %6ld MB\n",
                    "designed save of the world", designed, plain, megabytes, plain < 1e30 ? designed / plain : 0.0,
                    savedPeak);
        std::fflush(stdout);
    }

    // The length of the pass before this one, and the one before the leave
    // or quit began: the scene frame every leave and quit starts with (the
    // request is handled in the frame it was made in, or ends the loop after
    // it), printed beside them.
    Clock::time_point passStart = Clock::now();
    double lastPassSeconds = 0.0;
    double frameBeforeSeconds = 0.0;
    static void ReportFrameBefore(double seconds)
    {
        std::printf("%-34s %8.2f s\n", "  of which a scene frame (about)", seconds);
        std::fflush(stdout);
    }

    void Pass(int)
    {
        const Clock::time_point now = Clock::now();
        lastPassSeconds = std::chrono::duration<double>(now - passStart).count();
        passStart = now;
        ++stepPass;
        platform::Window* window = platform::GetMainWindow();
        if (stepPass > 20000 && step < kQuit) Fail("a step did not finish");
        switch (step) {
        case kMainMenu:
            if (stepPass == 3) Press("GM", {"Continue"});
            if (stepPass == 5) Go(kWorldsList);
            return;
        case kWorldsList:
            if (stepPass == 1) Press("GM", {"New World"});
            if (stepPass == 3) {
                if (!Menu || Menu->screenState != 8) return Fail("New World did not open the new-world screen");
                worldName = Menu->proposedWorldName;
                Menu->sceneType = kLandscapeScene;
                Menu->landscapeParams.worldSize = size;
                Menu->landscapeParams.maxHeight = height;
                Go(kNewWorld);
            }
            return;
        case kNewWorld:
            if (stepPass == 2) {
                frontEndMb = ResidentMegabytes();
                mark = Clock::now();
                Press("SM", {"Continue"});
                Go(kCreating);
            }
            return;
        case kCreating: return AwaitWorld(kFirstFrame, "Create did not enter the world");
        case kFirstFrame:
            // The pass after the one that entered the world has drawn its first frame.
            Report("Create to the first frame", SecondsSince(mark));
            if (worldName.size() < 4 || worldName.compare(worldName.size() - 4, 4, ".vsk") != 0) worldName += ".vsk";
            SaveBesidePlainWrite();
            return Go(kLeave);
        case kLeave:
            if (stepPass == 1) platform::PushKeyDownEvent(window, kKeyEscape, false);
            if (stepPass == 2) platform::PushKeyUpEvent(window, kKeyEscape);
            if (stepPass == 5) {
                mark = Clock::now();
                frameBeforeSeconds = lastPassSeconds;
                Press("GM##SceneMenu", {"Quit to Menu"});
                Go(kLeaving);
            }
            return;
        case kLeaving:
            if (Game->menuMode == 1 && !Game->scene) {
                Report("leaving the world", SecondsSince(mark));
                ReportFrameBefore(frameBeforeSeconds);
                std::printf("%-34s %8ld MB resident   before entering %ld MB (%+ld MB)\n", "front end after leaving",
                            ResidentMegabytes(), frontEndMb, ResidentMegabytes() - frontEndMb);
                std::fflush(stdout);
                Go(kReopen);
            } else if (stepPass > 10) {
                Fail("Quit to Menu did not return to the front end");
            }
            return;
        case kReopen:
            if (stepPass == 2 && Menu->screenState == 8) Press("SM", {"Back"});
            if (stepPass == 4) {
                const auto found = std::find(Game->worldNames.begin(), Game->worldNames.end(), worldName);
                if (Menu->screenState != 1 || found == Game->worldNames.end())
                    return Fail("the new world is not in the worlds list");
                Menu->selectedWorld = static_cast<int32_t>(found - Game->worldNames.begin());
            }
            if (stepPass == 5) {
                mark = Clock::now();
                Press("GM", {"Continue"});
                Go(kReopening);
            }
            return;
        case kReopening: return AwaitWorld(kReopenedFrame, "Continue in the worlds list did not open the world");
        case kReopenedFrame:
            Report("reopening to the first frame", SecondsSince(mark));
            return Go(kQuit);
        case kQuit:
            mark = Clock::now();
            frameBeforeSeconds = lastPassSeconds;
            platform::PushWindowCloseEvent(window);
            return Go(kDone);
        case kDone:
            return;
        }
    }
};

int RunStartup()
{
    double firstFrame = -1.0;
    SetMainLoopPassHook([&](int pass) {
        if (pass != 1) return;
        firstFrame = SecondsSinceLaunch();
        platform::PushWindowCloseEvent(platform::GetMainWindow());
    });
    const int exitCode = WinMain(1);
    SetMainLoopPassHook(nullptr);
    if (exitCode != 0 || firstFrame < 0) {
        std::fprintf(stderr, "the program did not start (exit code %d)\n", exitCode);
        return 1;
    }
    std::printf("start to the first front-end frame %.3f s\n", firstFrame);
    return 0;
}

int RunLandscape(int size, int height, const std::string& startDirectory)
{
    LandscapeRun run;
    run.size = size;
    run.height = height;
    run.startDirectory = startDirectory;
    std::printf("cube landscape %d, height %d\n", size, height);
    SetMainLoopPassHook([&run](int pass) { run.Pass(pass); });
    const int exitCode = WinMain(1);
    SetMainLoopPassHook(nullptr);
    if (run.step == LandscapeRun::kDone) {
        LandscapeRun::Report("quitting with the world open", SecondsSince(run.mark));
        LandscapeRun::ReportFrameBefore(run.frameBeforeSeconds);
    }
    if (exitCode != 0 || !run.failure.empty() || run.step != LandscapeRun::kDone) {
        std::fprintf(stderr, "the run failed: %s (exit code %d)\n", run.failure.c_str(), exitCode);
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "startup";
    if (mode == "plain-write" && argc == 4) {
        // The baseline of the designed save: "<seconds> <MB>" of copying argv[2] to argv[3].
        const std::vector<char> bytes = ReadFile(argv[2]);
        std::printf("%.6f %.3f\n", PlainWrite(bytes, argv[3]), bytes.size() / 1048576.0);
        return 0;
    }
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("ALSOFT_DRIVERS", "null", 0);
    if (!fs::exists("Shaders/default.fx") || !fs::exists("TexturesUI")) {
        std::fprintf(stderr, "run from a start directory with the shipped data (build/vesk)\n");
        return 1;
    }
    const std::string folder = MakeStartDirectory("vesk-program-bench");
    if (folder.empty()) return 1;
    platform::SetMessageBoxesSuppressed(true);
    ResetStartupSetup();
    SetStartDirectory(folder);

    int result = 1;
    if (mode == "startup") {
        result = RunStartup();
    } else if (mode == "landscape") {
        const int size = argc > 2 ? std::atoi(argv[2]) : 512;
        const int height = argc > 3 ? std::atoi(argv[3]) : 64;
        result = RunLandscape(size, height, folder);
    } else {
        std::fprintf(stderr, "usage: program_bench startup | landscape [size] [height]\n");
    }
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return result;
}
