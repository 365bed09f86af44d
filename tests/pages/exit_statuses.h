// Which program can end with which of the launcher core's exit codes: one
// row per code of core/state.h, in its order.
//
// The code paths decide this (each program's step chain and the codes its
// steps return); it is written down here once, by hand, and page_check holds
// every page to it: a program page's EXIT STATUS lists exactly its codes,
// vy-exit-status(7) lists every code with exactly these programs, and
// page_check refuses a state.h whose codes differ from these rows. A new
// exit code is a row here, a line on the page of each program that returns
// it and one on vy-exit-status(7).
//
// The status of a child (the Java class, the probe, -1 when the Java runtime
// cannot start) is no row: the program table says which programs return one.
#ifndef VY_TESTS_PAGES_EXIT_STATUSES_H
#define VY_TESTS_PAGES_EXIT_STATUSES_H

#include "core/programs.h"
#include "core/state.h"

struct ExitStatusRow {
    int code;
    const char* name;  // the enumerator's name in state.h
    ProgramSet programs;
};

namespace exit_statuses {

constexpr ProgramSet kAll = ProgramsTaking(kNoSwitches);
constexpr ProgramSet kParsing = kSwitchPrograms;  // every program that reads its command line
constexpr ProgramSet kValues = kTaskPrograms | Programs(kVyPingSrv);  // switches that take a value
constexpr ProgramSet kJavaSetUp = kAll & ~Programs(kVyShowLuns);  // read INSTALL and CLI.CFG
constexpr ProgramSet kTasks = Programs(kVyRunJob) | Programs(kVyAwaitJob);

}  // namespace exit_statuses

#define VY_STATUS(code, programs) {code, #code, programs}

inline constexpr ExitStatusRow kExitStatusRows[] = {
    VY_STATUS(kExitOk, exit_statuses::kAll),
    VY_STATUS(kExitNoServer, exit_statuses::kValues),
    VY_STATUS(kExitNoTaskNames, exit_statuses::kTasks),
    VY_STATUS(kExitMissingArgument, exit_statuses::kValues),
    // A value that would not reach the Java class as one argument, an empty /q.
    VY_STATUS(kExitNotOneArgument, exit_statuses::kValues),
    // A value past its limit, the Java command line or vyshell's joined
    // arguments too long.
    VY_STATUS(kExitTooLong, exit_statuses::kValues | Programs(kVyshell)),
    VY_STATUS(kExitNoCurrentDir, Programs(kVySeedHost)),
    VY_STATUS(kExitPutEnv, exit_statuses::kAll),
    VY_STATUS(kExitVolumeFile, Programs(kVySeedHost)),
    VY_STATUS(kExitConflict, kTaskPrograms),
    VY_STATUS(kExitVolumesPerLine, Programs(kVyProbeVol)),
    VY_STATUS(kExitNoVolumeList, Programs(kVyProbeVol)),
    VY_STATUS(kExitNoVolumes, Programs(kVyProbeVol) | Programs(kVyShowLuns)),
    VY_STATUS(kExitInvalidParameter, exit_statuses::kParsing),
    VY_STATUS(kExitArgumentIsSwitch, exit_statuses::kValues),
    VY_STATUS(kExitNoParameters, exit_statuses::kValues),
    VY_STATUS(kExitNoSecurityFile, kTaskPrograms),
    VY_STATUS(kExitSecurityFileEmpty, kTaskPrograms),
    VY_STATUS(kExitSecurityFileFormat, kTaskPrograms),
    VY_STATUS(kExitDiscovery, Programs(kVyShowLuns)),
    VY_STATUS(kExitPrimaryDown, kTaskPrograms),
    VY_STATUS(kExitBothDown, kTaskPrograms),
    VY_STATUS(kExitBackupDown, kTaskPrograms),
    VY_STATUS(kExitNoInstall, exit_statuses::kJavaSetUp),
    VY_STATUS(kExitNoConfig, exit_statuses::kJavaSetUp),
    VY_STATUS(kExitNoJavaInstall, exit_statuses::kJavaSetUp),
    VY_STATUS(kExitNoClassPath, exit_statuses::kJavaSetUp),
    VY_STATUS(kExitConfigFormat, exit_statuses::kJavaSetUp),
};

#undef VY_STATUS

// Whether the program ends with a child's own status when the run gets that
// far: the Java class's, or the probe's where the probe is the answer.
constexpr bool ReturnsChildStatus(const Program& p) { return p.javaClass != nullptr || p.probeAnswers; }

#endif
