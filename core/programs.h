// The program table: every fact that differs from one program to another,
// one row per program type.
//
// The switch table (switches.h) says which switches a program accepts by
// the program sets below, which are read from this table. The launcher core
// decides nothing by a program's type: what a program reads from its
// command line and hands to its Java class is its row's. Adding a program
// is a type and a row here, its entry point under programs/ with its
// vy_program() line in CMakeLists.txt, and its page.
#ifndef VY_CORE_PROGRAMS_H
#define VY_CORE_PROGRAMS_H

#include <cstddef>
#include <iterator>

// Program types: they select the row below.
enum ProgramType {
    kVyRunJob = 1,
    kVySeedHost = 2,
    kVyProbeVol = 3,
    kVyAwaitJob = 4,
    kVyShowLuns = 5,
    kVyPingSrv = 6,
    kVyshell = 7,
};

// The groups of switches a program takes: every program with switches
// takes the common ones (/debug, /noSystemCommand) and has a usage line;
// the task programs also take the credentials and the servers (/u, /p, /a,
// /s, /b, /v).
enum SwitchSets : unsigned {
    kNoSwitches = 0,
    kCommonSwitches = 1u << 0,
    kTaskSwitches = 1u << 1,
};

// What the program's Java class receives after "-s <server>", before the
// switches placed after the server (switches.h).
enum class AfterServer {
    kNothing,
    // The task names, one argument that the class splits at its blanks; the
    // arguments that are not switches are the task names, and the usage line
    // ends with them.
    kTaskNames,
    // "-l" and the path of the volume file, in double quotes.
    kVolumeFile,
    // Every requested volume, as resolved, one argument each: each must be a
    // name, and all must fit the class's command line once the command line
    // is read.
    kVolumes,
};

struct Program {
    int type = 0;
    const char* name = "";
    unsigned switchSets = kNoSwitches;
    // The Java class that does the program's work, or null: the class of the
    // task, or the general command-line client.
    const char* javaClass = nullptr;
    // The class that tells whether a server answers; null for a program that
    // checks no server.
    const char* probeClass = nullptr;
    // The probe's status is the program's answer: a server that does not
    // answer is no error, and with /v the probe reports at length.
    bool probeAnswers = false;
    AfterServer afterServer = AfterServer::kNothing;
    // An empty command line is a run, not an error (21).
    bool runsWithoutArguments = false;
};

// Indexed by program type; type 0 names no program.
inline constexpr Program kPrograms[] = {
    {},
    {.type = kVyRunJob,
     .name = "vyRunJob",
     .switchSets = kCommonSwitches | kTaskSwitches,
     .javaClass = "vyMirrorKit.vyRunJob",
     .probeClass = "vyMirrorKit.vyNetProbe",
     .afterServer = AfterServer::kTaskNames},
    {.type = kVySeedHost,
     .name = "vySeedHost",
     .switchSets = kCommonSwitches | kTaskSwitches,
     .javaClass = "vyMirrorKit.vySeedHost",
     .probeClass = "vyMirrorKit.vyNetProbe",
     .afterServer = AfterServer::kVolumeFile},
    {.type = kVyProbeVol,
     .name = "vyProbeVol",
     .switchSets = kCommonSwitches | kTaskSwitches,
     .javaClass = "vyMirrorKit.vyProbeVol",
     .probeClass = "vyMirrorKit.vyNetProbe",
     .afterServer = AfterServer::kVolumes},
    {.type = kVyAwaitJob,
     .name = "vyAwaitJob",
     .switchSets = kCommonSwitches | kTaskSwitches,
     .javaClass = "vyMirrorKit.vyAwaitJob",
     .probeClass = "vyMirrorKit.vyNetProbe",
     .afterServer = AfterServer::kTaskNames},
    {.type = kVyShowLuns, .name = "vyShowLuns", .switchSets = kCommonSwitches, .runsWithoutArguments = true},
    {.type = kVyPingSrv, .name = "vyPingSrv", .switchSets = kCommonSwitches,
     .probeClass = "vyMirrorKit.vyNetProbe",
     .probeAnswers = true},
    {.type = kVyshell, .name = "vyshell", .javaClass = "vyShellKit.vyShellMain"},
};

constexpr int kProgramTypes = static_cast<int>(std::size(kPrograms));

// Two texts the same, at compile time.
constexpr bool SameText(const char* a, const char* b) {
    while (*a != '\0' && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

// Every row but the empty one names one program of the list given (the
// build's), and every program of it has its row.
template <std::size_t N>
constexpr bool RowsAreThePrograms(const char* const (&names)[N]) {
    if (N != static_cast<std::size_t>(kProgramTypes - 1)) return false;
    for (const char* name : names) {
        bool found = false;
        for (const Program& p : kPrograms) found = found || (p.type != 0 && SameText(p.name, name));
        if (!found) return false;
    }
    return true;
}

constexpr bool RowsInTypeOrder() {
    for (int i = 0; i < kProgramTypes; ++i) {
        if (kPrograms[i].type != i) return false;
    }
    return true;
}
static_assert(RowsInTypeOrder(), "the program table is indexed by program type");

// The program's row; the empty row for a type that names no program.
constexpr const Program& ProgramOf(int type) { return kPrograms[type > 0 && type < kProgramTypes ? type : 0]; }

constexpr bool TakesTaskNames(const Program& p) { return p.afterServer == AfterServer::kTaskNames; }

// A program hands something to a Java class after the server only when it
// starts one and checks a server first.
constexpr bool AfterServerNeedsClasses() {
    for (const Program& p : kPrograms) {
        if (p.afterServer != AfterServer::kNothing && (p.javaClass == nullptr || p.probeClass == nullptr)) return false;
    }
    return true;
}
static_assert(AfterServerNeedsClasses(), "what follows the server goes to a Java class, after a server check");

// A set of program types, one bit each.
using ProgramSet = unsigned;
constexpr ProgramSet Programs(int type) { return 1u << type; }
constexpr bool Accepts(ProgramSet set, int type) {
    return type >= 0 && type < kProgramTypes && (set & Programs(type)) != 0;
}

// The programs that take every switch of the sets given.
constexpr ProgramSet ProgramsTaking(unsigned sets) {
    ProgramSet programs = 0;
    for (const Program& p : kPrograms) {
        if (p.type != 0 && (p.switchSets & sets) == sets) programs |= Programs(p.type);
    }
    return programs;
}
constexpr ProgramSet kSwitchPrograms = ProgramsTaking(kCommonSwitches);
constexpr ProgramSet kTaskPrograms = ProgramsTaking(kTaskSwitches);

#endif
