// The invocation state: everything one run of a program knows.
//
// Each program does one job per process. Its entry point resets this record
// with InitGlobals, sets the program type and calls its steps in a fixed
// order; a step reads and writes the record and returns 0 to let the run go
// on, or the exit code that ends it.
#ifndef VY_CORE_STATE_H
#define VY_CORE_STATE_H

#include <cstdio>

#include "core/programs.h"
#include "core/text.h"

constexpr int kArgSlots = 256;       // argument table: slots of the Java command line
constexpr int kFirstArgSlot = 3;     // slots 0 to 2 carry the fixed Java arguments
constexpr int kMaxVolumes = 256;     // requested and resolved volumes

// Exit codes of the launcher core. Any other status a program ends with is
// the exit status of a child (or -1 when the Java runtime cannot start).
enum ExitCode {
    kExitOk = 0,
    kExitNoServer = 3,
    kExitNoTaskNames = 4,
    kExitMissingArgument = 10,
    kExitNotOneArgument = 11,
    kExitTooLong = 12,
    kExitNoCurrentDir = 13,
    kExitPutEnv = 14,
    kExitVolumeFile = 14,
    kExitConflict = 15,
    kExitVolumesPerLine = 16,
    kExitNoVolumeList = 17,
    kExitNoVolumes = 18,
    kExitInvalidParameter = 19,
    kExitArgumentIsSwitch = 20,
    kExitNoParameters = 21,
    kExitNoSecurityFile = 23,
    kExitSecurityFileEmpty = 24,
    kExitSecurityFileFormat = 25,
    kExitDiscovery = 30,
    kExitPrimaryDown = 41,
    kExitBothDown = 42,
    kExitBackupDown = 45,
    kExitNoInstall = 62,
    kExitNoConfig = 63,
    kExitNoJavaInstall = 64,
    kExitNoClassPath = 65,
    kExitConfigFormat = 66,
};

// The four values that CLI.CFG provides.
struct JavaSettings {
    Text<1024> launcherChoice;  // JAVA_JRE; replaced by the launcher name once chosen
    Text<1024> javaInstall;     // JAVA_INSTALL
    Text<1024> classPath;       // every JAVA_CLASSPATH value, each after a list separator
    Text<1024> javaOptions;     // JAVA_EXEC_OPTIONS
};

// Every member starts out zero with nothing run at start-up (a large part
// of the record, such as most argument slots, is never touched by a run):
// InitGlobals gives the run its starting values.
struct InvocationState {
    // Run control.
    int programType = 0;
    int debug = 0;
    int verbose = 0;
    int noSystemCommand = 0;
    bool quietFlag = false;  // -z: vyShowLuns prints nothing

    // Values from the command line.
    Text<32> userName;
    Text<32> password;
    Text<1024> securityFilePath;
    Text<1024> primaryServer;
    Text<1024> backupServer;
    Text<1024> hostName;
    Text<50> requestedVolumes[kMaxVolumes];
    int volumeCount = 0;
    Text<2048> volumeListFile;
    int mapFlag = 0;
    Text<112> minutes;
    Text<32> threshold;
    Text<1024> taskNames;
    // vyshell's arguments, each quoted and followed by a blank: at most
    // cmd.exe's own limit for one command line.
    Text<8192> shellArguments;

    // Values the steps compute.
    Text<1024> taskServer;
    Text<50> resolvedVolumes[kMaxVolumes];
    Text<4096> volumeFilePath;
    Text<4096> installPath;
    Text<4096> driverDirectory;
    Text<4100> pathSetting;
    Text<4096> javaHomeSetting;
    Text<1024> securityLine;

    JavaSettings java;

    // Argument table: argVector[i] points at argSlots[i]; the child process
    // runner ends the vector with a null entry after the last argument.
    Text<1024> argSlots[kArgSlots];
    const char* argVector[kArgSlots] = {};
    int argCount = 0;

    // Fixed Java arguments, slots 0 to 2 of every Java command line.
    Text<1024> launcherName;
    Text<1024> javaOptions;
    Text<2048> classPathArgument;

    // Where messages go when not null: a file of the unit tests. The
    // programs leave it null and print to standard output. InitGlobals does
    // not touch it.
    FILE* out = nullptr;
};

extern InvocationState g;

void InitGlobals();

// The running program's name, or that of the given program type ("" for
// none).
const char* ProgramName();
const char* ProgramName(int type);

// Every message of the programs goes through here, to standard output.
void Print(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Points every vector entry at its own slot and empties every slot.
void ResetArgumentTable();
// Copies a value into the slot at the argument count and moves the count on.
// False, with nothing changed, when the table or the slot has no room.
// The vector entry is pointed at its slot again, whatever the runner left in it.
bool AppendArgument(const char* value);

#endif
