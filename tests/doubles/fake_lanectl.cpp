// A stand-in for the multipath driver's tool, built as "lanectl".
//
// It knows one command line, "lanectl query device": it copies the file
// named by FAKELANECTL_REPORT byte for byte to its standard output (nothing
// when the variable is not set) and exits with FAKELANECTL_EXIT (0 when not
// set). A non-zero status is also told on standard error. Any other command
// line gets a message on standard error and status 2, so a report command
// that reaches it broken up shows as a failing tool.
//
// After the report, FAKELANECTL_PID names a file to which it writes its
// process id (interrupt.h), FAKELANECTL_SLEEP makes it wait that many milliseconds
// (runs started together then all have their temporary files at once), and
// FAKELANECTL_INTERRUPT ("int" or "quit") makes it raise the user's
// interrupt (interrupt.h); if that has not ended it within 10 seconds, it
// says so on standard error and exits with 99. On POSIX,
// FAKELANECTL_OUTPUT_FOLDER (set to anything) then replaces the file that its
// standard output went to by a folder of that name, which opens but cannot
// be read, as a report that cannot be read back.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "tests/doubles/interrupt.h"

int main(int argc, char** argv) {
    if (argc != 3 || std::strcmp(argv[1], "query") != 0 || std::strcmp(argv[2], "device") != 0) {
        std::fprintf(stderr, "lanectl: unknown command:");
        for (int i = 1; i < argc; ++i) std::fprintf(stderr, " [%s]", argv[i]);
        std::fprintf(stderr, "\n");
        return 2;
    }
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    if (const char* path = std::getenv("FAKELANECTL_REPORT")) {
        FILE* report = std::fopen(path, "rb");
        if (report == nullptr) {
            std::fprintf(stderr, "lanectl: cannot read %s\n", path);
            return 3;
        }
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, report)) > 0) std::fwrite(buf, 1, n, stdout);
        std::fclose(report);
    }
    std::fflush(stdout);
    if (const char* pidFile = std::getenv("FAKELANECTL_PID")) doubles::RecordProcessId(pidFile);
    if (const char* pause = std::getenv("FAKELANECTL_SLEEP")) doubles::PauseMilliseconds(std::atol(pause));
    if (const char* kind = std::getenv("FAKELANECTL_INTERRUPT")) {
        if (!doubles::RaiseInterrupt(kind, 10000)) std::fprintf(stderr, "lanectl: cannot raise %s\n", kind);
        std::fprintf(stderr, "lanectl: was not interrupted\n");
        return 99;
    }
#ifndef _WIN32
    if (std::getenv("FAKELANECTL_OUTPUT_FOLDER") != nullptr) {
        char target[4096];
        const ssize_t n = readlink("/proc/self/fd/1", target, sizeof target - 1);
        if (n <= 0) return 98;
        target[n] = '\0';
        if (unlink(target) != 0 || mkdir(target, 0700) != 0) return 98;
    }
#endif
    const char* exit = std::getenv("FAKELANECTL_EXIT");
    int status = exit != nullptr ? std::atoi(exit) : 0;
    if (status != 0) std::fprintf(stderr, "lanectl: failing with status %d\n", status);
    return status;
}
