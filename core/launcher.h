// The steps of the launcher core and the child process runner.
//
// A step takes no arguments, works on the invocation state and returns 0 to
// let the run go on, or the exit code that ends it.
#ifndef VY_CORE_LAUNCHER_H
#define VY_CORE_LAUNCHER_H

#include <cstddef>

#include "core/state.h"

// Command line. InitParameter reads the program's own argument list, the
// program's name first, by the switch table (switches.h).
int InitParameter(int argc, char** argv);

// Server availability check: probes the primary server and, when it does
// not answer, the backup server; sets the task server.
int CheckServer();

// Security file: its first line must hold a user name and a password.
int GetPwd();

// Task names: 4 with a message when the command line names none (checked
// after the security file and before any server is probed).
int CheckTaskNames();

// Java task invocation: the class of the program type with its arguments.
int ExecuteJava();
// A program that hands volumes on: refuses (12) more volumes than the
// class's command line can carry next to the other arguments.
int CheckVolumeRoom();

// vyshell: JoinShellArguments puts every argument after the program's name
// in double quotes, each followed by one blank, into the shell arguments of
// the invocation state (12 with a message when they do not fit);
// StartShellClass starts the program's class with that one argument.
int JoinShellArguments(int argc, char** argv);
int StartShellClass();

// Configuration file and Java environment.
int SetCLIEnv();
int ReadCLICfg(JavaSettings& settings);
int SetJavaEnv();
int SetPathEnv();

// Child process runner. SpawnJava starts the Java launcher with the fixed
// Java arguments in vector entries 0 to 2 and the caller's entries from the
// first argument slot up to count-1; RunShellCommand runs one command line
// through the command interpreter. Both return the child's exit status, 0
// without starting anything while no-system-command is set, or -1 when the
// child cannot be started.
int SpawnJava(int count, const char** vector);
int RunShellCommand(const char* command);

// The longest install path: "<install>\CLI.CFG" then holds at most 199
// characters.
constexpr int kMaxInstallPath = 191;

#endif
