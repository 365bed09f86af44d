// The invocation state's starting values, the program's name and the one
// path by which messages leave the programs.
#include "core/state.h"

#include <cstdarg>

#include "core/suite_facts.h"

// The programs the build makes are the program table's: a program without
// its row, or a row of a program the build does not make, does not compile.
static_assert(RowsAreThePrograms(kBuiltPrograms),
              "the program table and the vy_program() calls of CMakeLists.txt name other programs");

InvocationState g;

void InitGlobals() {
    g.programType = -1;
    g.debug = 0;
    g.verbose = 0;
    g.noSystemCommand = 0;
    g.quietFlag = false;

    g.userName.clear();
    g.password.clear();
    g.securityFilePath.clear();
    g.primaryServer.clear();
    g.backupServer.clear();
    g.hostName.clear();
    for (auto& v : g.requestedVolumes) v.clear();
    g.volumeCount = 0;
    g.volumeListFile.clear();
    g.mapFlag = 0;
    g.minutes.clear();
    g.threshold.clear();
    g.taskNames.clear();
    g.shellArguments.clear();

    g.taskServer.clear();
    for (auto& v : g.resolvedVolumes) v.clear();
    g.volumeFilePath.clear();
    g.installPath.clear();
    g.driverDirectory.clear();
    g.pathSetting.clear();
    g.javaHomeSetting.clear();
    g.securityLine.clear();

    g.java.launcherChoice.clear();
    g.java.javaInstall.clear();
    g.java.classPath.clear();
    g.java.javaOptions.clear();

    ResetArgumentTable();
    g.argCount = 0;
    g.launcherName.clear();
    g.javaOptions.clear();
    g.classPathArgument.clear();
}

const char* ProgramName() { return ProgramName(g.programType); }

const char* ProgramName(int type) { return ProgramOf(type).name; }

void Print(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vfprintf(g.out != nullptr ? g.out : stdout, format, args);
    va_end(args);
}

void ResetArgumentTable() {
    for (int i = 0; i < kArgSlots; ++i) {
        g.argSlots[i].clear();
        g.argVector[i] = g.argSlots[i].c_str();
    }
}

bool AppendArgument(const char* value) {
    // The runner needs one entry after the last argument for the end marker.
    if (g.argCount < kFirstArgSlot || g.argCount >= kArgSlots - 1) return false;
    if (!g.argSlots[g.argCount].assign(value)) return false;
    g.argVector[g.argCount] = g.argSlots[g.argCount].c_str();
    ++g.argCount;
    return true;
}
