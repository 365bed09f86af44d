// The child process runner: every child that the launcher core starts.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/launcher.h"
#include "platform/process.h"

namespace {

void PrintBanner(const char* word) {
    // Every banner is 137 characters long: the word, then dashes.
    constexpr int kWidth = 137;
    int dashes = kWidth - static_cast<int>(std::strlen(word));
    Print("%s", word);
    for (int i = 0; i < dashes; ++i) Print("-");
    Print("\n");
}

}  // namespace

int SpawnJava(int count, const char** vector) {
    vector[count] = nullptr;
    vector[0] = g.launcherName.c_str();
    vector[1] = g.javaOptions.c_str();
    vector[2] = g.classPathArgument.c_str();

    if (g.debug) {
        PrintBanner("spawnvp");
        for (int i = 0; i < count; ++i) Print("%s ", vector[i]);
        Print("\n");
    }
    std::fflush(nullptr);

    int result = 0;
    int error = 0;
    if (!g.noSystemCommand) {
        errno = 0;
        result = platform::SpawnWait(vector);
        error = errno;
    }
    std::fflush(nullptr);

    if (g.debug) {
        Print("%s: Execution of JAVA returned an error of %d\n", ProgramName(), result);
        if (result == -1) Print("%s: ERRNO is set to %d\n", ProgramName(), error);
        PrintBanner("");
    }
    return result;
}

int RunShellCommand(const char* command) {
    if (g.debug) {
        PrintBanner("system");
        Print("%s\n", command);
    }
    int result = 0;
    if (!g.noSystemCommand) result = platform::RunCommandInterpreter(command);
    if (g.debug) {
        Print("%s: The error number is %d\n", ProgramName(), result);
        PrintBanner("");
    }
    return result;
}
