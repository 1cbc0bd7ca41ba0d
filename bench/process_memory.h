// What the benchmark's process holds: its resident size now, the most it has
// held at once, and the heap's bytes in use. Header-only; Linux's /proc and
// getrusage.
#pragma once

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>

namespace bench_memory {

// The most the process has held at once (VmHWM), in MB.
inline long PeakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// Starts the peak resident size (VmHWM) again from the resident size.
inline void ResetPeak()
{
    if (FILE* file = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", file);
        std::fclose(file);
    }
}

// What the process holds now (VmRSS), in KB.
inline long ResidentKilobytes()
{
    long pages = 0, resident = 0;
    if (FILE* file = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(file, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(file);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

inline long ResidentMegabytes() { return ResidentKilobytes() / 1024; }

// The bytes the heap has handed out and not had back, in MB.
inline long HeapMegabytes() { return static_cast<long>(mallinfo2().uordblks >> 20); }

}  // namespace bench_memory
