// Starting a program under test with an exact argument list, environment and
// current directory, its standard output and error going to files.
#ifndef VY_TESTS_E2E_PROCESS_H
#define VY_TESTS_E2E_PROCESS_H

#include <string>
#include <vector>

struct Launch {
    std::string program;                 // full path of the executable
    std::vector<std::string> arguments;  // after the program's name
    std::vector<std::string> environment;  // NAME=VALUE entries, the whole environment
    std::string directory;
    std::string stdoutPath;
    std::string stderrPath;
};

// The runner's own environment as NAME=VALUE entries.
std::vector<std::string> OwnEnvironment();

// Runs the program and waits at most timeoutSeconds. Returns false with a
// reason when it cannot be started or does not end in time; otherwise
// *status is its exit status as the operating system reports it.
bool RunProgram(const Launch& launch, int timeoutSeconds, long long* status, std::string* error);

// Whether exit statuses are 8 bits wide (POSIX) or 32 (Windows).
bool ExitStatusIs8Bits();
// The executable suffix of the platform.
const char* ExecutableSuffix();

#endif
