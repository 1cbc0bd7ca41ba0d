// Running one measurement in a child process of its own: the child starts
// from the parent's memory as it was, meets fresh pages for everything it
// allocates (as a program creating or opening a world does), and its peak
// resident size is its own.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <type_traits>

// What `measure` returned in a child process; `failed` when the child gave
// nothing back. T is copied as bytes through a pipe.
template <class T>
T ResultOfChild(const std::function<T()>& measure, const T& failed)
{
    static_assert(std::is_trivially_copyable_v<T>);
    int ends[2];
    if (pipe(ends) != 0) std::exit(1);
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        close(ends[0]);
        const T result = measure();
        if (write(ends[1], &result, sizeof(result)) != static_cast<ssize_t>(sizeof(result))) _exit(1);
        _exit(0);
    }
    close(ends[1]);
    T result = failed;
    if (read(ends[0], &result, sizeof(result)) != static_cast<ssize_t>(sizeof(result))) result = failed;
    close(ends[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return result;
}
