// Children, interrupts and the environment: starting a child and waiting for
// it, the interrupt's removal of temporary files, and the variables of the
// process environment. process.cpp in posix/ and win32/ defines them.
#ifndef VY_PLATFORM_PROCESS_H
#define VY_PLATFORM_PROCESS_H

namespace platform {

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
//
// While the child runs, the user's interrupt is the child's alone: the
// caller ignores it (POSIX: SIGINT and SIGQUIT, as system() does; Windows:
// Ctrl-C and Ctrl-Break) and gets its own handling back once the child has
// ended (Windows: a second later, as the console may deliver the child's
// interrupt that late), while the child starts with the interrupt handling
// the caller had before. A child ended by the interrupt gives its status
// like any other (POSIX: 128+N for signal N).
//
// A request to end the caller is meant for the whole run, its child
// included. POSIX: SIGTERM or SIGHUP that comes while the child runs is
// passed on to the child; once the child has ended, the caller removes the
// files registered with RemoveOnInterrupt and ends of that signal (a shell
// sees 128+N), whatever the child's status. Windows: the child runs in a
// job object that ends it, with every process it started, when the caller
// is ended from outside (TerminateProcess, taskkill /F); once the child has
// ended, whatever it left running is released from that job's duty, so that
// a caller that ends normally leaves it running.
int SpawnWait(const char* const* argv);

// Runs one command line through the command interpreter and waits for it,
// interrupts and requests to end going to the interpreter as with
// SpawnWait. Returns the
// interpreter's exit status, or -1 when it cannot be started.
int RunCommandInterpreter(const char* command);

// Temporary files that an interrupt must not leave behind, and the run's
// folder that holds them (removed once the files are). While a path is
// registered, an interrupt that ends the program outside a child's run (the
// user's interrupt or quit key, such as a second Ctrl-C just as a child
// ends; on POSIX also SIGTERM and SIGHUP, at any time, during a child's run
// once the child has ended; on Windows also the console closing) removes
// the file first; the program then ends of it as
// it would have. A program that was started with the interrupt ignored
// keeps ignoring it. On Windows an interrupt within a second of a child's
// end counts as that child's: the console may deliver it that late. At most
// kInterruptFiles paths at once, each shorter than 4,096 characters: false,
// with nothing registered, beyond that (the file is then only removed the
// ordinary way). ForgetOnInterrupt ends the registration of that path.
constexpr int kInterruptFiles = 4;
bool RemoveOnInterrupt(const char* path);
void ForgetOnInterrupt(const char* path);

}  // namespace platform

#endif
