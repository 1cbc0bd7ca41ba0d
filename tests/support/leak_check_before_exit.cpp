// Leak-checked builds look for leaks once the last test has finished and the
// process's threads have settled, not at exit. LeakSanitizer's scan suspends
// every thread, and now and then crashed ("Tracer caught signal 11") on one
// of Mesa's worker threads that was still going away after its context was
// destroyed, or that Mesa's exit handler was stopping, after every test had
// passed. A leak found here still fails the run, and the exit-time scan is
// then skipped.
#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>

#include <chrono>
#include <filesystem>
#include <iterator>
#include <system_error>
#include <thread>

namespace {

std::ptrdiff_t ThreadCount()
{
    std::error_code error;
    const std::filesystem::directory_iterator tasks("/proc/self/task", error);
    return error ? -1 : std::distance(tasks, std::filesystem::directory_iterator());
}

// Until no thread has come or gone for a while (at most two seconds).
void WaitForThreadsToSettle()
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    Clock::time_point unchangedSince = start;
    std::ptrdiff_t count = ThreadCount();
    while (Clock::now() - start < std::chrono::seconds(2)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        const std::ptrdiff_t now = ThreadCount();
        if (now != count) {
            count = now;
            unchangedSince = Clock::now();
        } else if (Clock::now() - unchangedSince >= std::chrono::milliseconds(50)) {
            return;
        }
    }
}

class LeakCheckBeforeExit : public ::testing::Environment {
public:
    void TearDown() override
    {
        WaitForThreadsToSettle();
        __lsan_do_leak_check();
    }
};

const ::testing::Environment* const leakCheck = ::testing::AddGlobalTestEnvironment(new LeakCheckBeforeExit);

}  // namespace
#endif
