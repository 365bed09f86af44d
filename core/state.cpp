#include "core/state.h"

#include <cstdarg>

InvocationState g;

static const char* const kProgramNameTable[kProgramTypes] = {
    "vyTools", "vyRunJob", "vySeedHost", "vyProbeVol", "vyAwaitJob", "vyShowLuns", "vyPingSrv", "vyshell",
};

void InitGlobals() {
    g.programType = -1;
    g.resultCode = 0;
    g.debug = 0;
    g.verbose = 0;
    g.noSystemCommand = 0;
    g.quietFlag = 0;

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

    g.taskServer.clear();
    for (auto& v : g.resolvedVolumes) v.clear();
    g.volumeFilePath.clear();
    g.reportFileName.assign("vyFilename.notset");
    g.errorFileName.assign("vyFilename.notset.err");
    g.installPath.clear();
    g.driverDirectory.clear();
    g.pathSetting.clear();
    g.javaHomeSetting.clear();
    g.securityLine.clear();
    g.securityFile = nullptr;

    g.java.launcherChoice.clear();
    g.java.javaInstall.clear();
    g.java.classPath.clear();
    g.java.javaOptions.clear();

    ResetArgumentTable();
    g.argCount = 0;
    g.launcherName.clear();
    g.javaOptions.clear();
    g.classPathArgument.clear();

    for (int i = 0; i < kProgramTypes; ++i) {
        g.programNames[i] = kProgramNameTable[i];
        g.usage[i].clear();
    }
    InitOptions();
}

int InitOptions() {
    g.options = OptionNames{"/debug", "/noSystemCommand", "/v", "/u", "/p", "/a", "/s",
                            "/b",     "/d",               "/q", "/m", "/f", "/t", "-z"};

    g.usage[kVyTools].assign("vyTools [/v] /debug & [/full | /julian | /us | /zip /f \"filename\"]");
    g.usage[kVyRunJob].assign(
        "vyRunJob [/v] /u username & /p password | /a securityfilepath /s primaryserver");
    g.usage[kVyRunJob].append(" /b backupserver taskNames");
    g.usage[kVySeedHost].assign(
        "vySeedHost [/v] /u username & /p password | /a securityfilepath /d hostname /s primaryserver");
    g.usage[kVySeedHost].append(" /b backupserver");
    g.usage[kVyProbeVol].assign(
        "vyProbeVol [/v] /u username & /p password | /a securityfilepath /m /q volume|/f filename /s "
        "primaryserver");
    g.usage[kVyProbeVol].append(" /b backupserver");
    g.usage[kVyAwaitJob].assign(
        "vyAwaitJob [/v] /u username & /p password | /a securityfilepath /m minutes /t threshold /s "
        "primaryserver");
    g.usage[kVyAwaitJob].append(" /b backupserver taskNames");
    g.usage[kVyShowLuns].assign("vyShowLuns");
    g.usage[kVyPingSrv].assign("vyPingSrv /s serverName");
    return 0;
}

const char* ProgramName() {
    if (g.programType < 0 || g.programType >= kProgramTypes) return "";
    return g.programNames[g.programType];
}

const char* UsageText() {
    if (g.programType < 0 || g.programType >= kProgramTypes) return "";
    return g.usage[g.programType].c_str();
}

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
