// The one place that knows the operating system.
//
// Everything else in the suite calls these functions and constants and never
// tests which platform it runs on. win32.cpp implements them for Windows, the
// reference platform; posix.cpp for the POSIX port. The build compiles one.
#ifndef VY_PLATFORM_PLATFORM_H
#define VY_PLATFORM_PLATFORM_H

#include <string>

namespace platform {

// Separator between a directory and a file name in the paths the programs
// compose ("<install>\CLI.CFG").
extern const char kPathSeparator;
// Separator between the entries of a list of directories (class path, PATH).
extern const char kListSeparator;
// Where the multipath driver's tool is looked for when INSTALLLNB is not set:
// the two default directories, joined by kListSeparator.
extern const char* const kDefaultDriverDirectories;

// The value of an environment variable, or nullptr when it is not set. A
// variable set to the empty text is set.
const char* GetEnv(const char* name);

// Sets one variable of the process environment from a "NAME=value" text, so
// that every child started afterwards inherits it. False when the environment
// refuses it.
bool PutEnv(const char* assignment);

// Starts argv[0] with the arguments argv[0..] (ended by a null entry) and
// waits for it, as the C runtime's path-searching spawn does on Windows: the
// program is looked up by name, the child's command line is the arguments
// joined with single blanks and no quoting added. Returns the child's exit
// status, or -1 with errno set when the child cannot be started.
int SpawnWait(const char* const* argv);

// Runs one command line through the command interpreter and waits for it.
// Returns the interpreter's exit status, or -1 when it cannot be started.
int RunCommandInterpreter(const char* command);

// The current directory; false when it cannot be determined.
bool CurrentDirectory(std::string* directory);

// A fresh file name that begins with a path separator, to be appended to the
// current directory.
bool FreshTempName(std::string* name);

bool FileExists(const char* path);
bool RemoveFile(const char* path);

}  // namespace platform

#endif
