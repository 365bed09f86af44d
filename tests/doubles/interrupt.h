// What the test doubles share: the user's interrupt raised from inside a
// child, a pause, and their process id written down for a test that stops
// the program from outside.
//
// RaiseInterrupt sends the interrupt to everything that the user's key would
// reach: on POSIX SIGINT ("int") or SIGQUIT ("quit") to the whole process
// group, the double itself included; on Windows CTRL_C_EVENT or
// CTRL_BREAK_EVENT to every process of the console. The double then waits
// to be ended by it; when that has not happened after the given time it
// returns, and the double reports that it was not interrupted.
#ifndef VY_TESTS_DOUBLES_INTERRUPT_H
#define VY_TESTS_DOUBLES_INTERRUPT_H

#include <cstdio>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <unistd.h>
#include <sys/resource.h>
#include <time.h>
#endif

namespace doubles {

inline void PauseMilliseconds(long milliseconds) {
#ifdef _WIN32
    Sleep(static_cast<DWORD>(milliseconds));
#else
    struct timespec pause = {milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    while (nanosleep(&pause, &pause) != 0) {
    }
#endif
}

// Writes the double's process id and a line end to the file, whole or not at
// all: under a new name first, then renamed to the file's.
inline void RecordProcessId(const std::string& path) {
#ifdef _WIN32
    const unsigned long id = GetCurrentProcessId();
#else
    const unsigned long id = static_cast<unsigned long>(getpid());
#endif
    const std::string partial = path + ".partial";
    FILE* f = std::fopen(partial.c_str(), "wb");
    if (f == nullptr) return;
    std::fprintf(f, "%lu\n", id);
    if (std::fclose(f) == 0) std::rename(partial.c_str(), path.c_str());
}

// False when the kind is unknown or the interrupt cannot be sent.
inline bool RaiseInterrupt(const std::string& kind, long waitMilliseconds) {
#ifdef _WIN32
    DWORD event;
    if (kind == "int") {
        event = CTRL_C_EVENT;
    } else if (kind == "quit") {
        event = CTRL_BREAK_EVENT;
    } else {
        return false;
    }
    if (!GenerateConsoleCtrlEvent(event, 0)) return false;
#else
    int signal;
    if (kind == "int") {
        signal = SIGINT;
    } else if (kind == "quit") {
        signal = SIGQUIT;
        // Its default action would also leave a core file behind.
        struct rlimit none = {0, 0};
        setrlimit(RLIMIT_CORE, &none);
    } else {
        return false;
    }
    if (kill(0, signal) != 0) return false;
#endif
    for (long waited = 0; waited < waitMilliseconds; waited += 50) PauseMilliseconds(50);
    return true;
}

}  // namespace doubles

#endif
