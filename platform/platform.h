// The one place that knows the operating system.
//
// Everything else in the suite calls these functions and constants and never
// tests which platform it runs on. win32/ implements them for Windows, the
// reference platform; posix/ for the POSIX port. The build compiles one of
// the two folders, each split alike: process.cpp (children, signals and
// interrupts, the environment), files.cpp (paths, temporary names, files),
// drive.cpp (the physical drives' inquiry).
#ifndef VY_PLATFORM_PLATFORM_H
#define VY_PLATFORM_PLATFORM_H

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Separator between a directory and a file name in the paths the programs
// compose ("<install>\CLI.CFG").
extern const char kPathSeparator;
// Separator between the entries of a list of directories (class path, PATH).
extern const char kListSeparator;
// Where the multipath driver's tool is looked for when INSTALLLNB is not set:
// the two default directories, joined by kListSeparator.
extern const char* const kDefaultDriverDirectories;
// Whether an argument that begins with "/" may be an absolute path. On
// Windows only switches begin with "/", so a switch's value that does is
// taken as a missing value; on POSIX every absolute path does, and only
// the program's own switches are taken for missing values.
extern const bool kSlashBeginsPaths;

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

// The current directory; false when it cannot be determined.
bool CurrentDirectory(std::string* directory);

// A fresh file name that begins with a path separator, to be appended to
// folder (the current directory when folder is empty). Names from two
// processes that run at the same time never coincide (each carries its
// process id), and a name that already exists in that folder is passed over,
// a dangling link too.
bool FreshTempName(std::string* name, std::string_view folder = {});

// A fresh name, beginning with a path separator, for a file in a folder of
// the run's own, whose name already keeps runs apart; two calls never give
// the same name. POSIX: as FreshTempName. Windows: \<n> with a counter of
// the process, so that a path through the folder is hardly longer than
// the runtime's name alone would make it, within the 259 characters that
// Windows paths may have.
bool FreshNameIn(std::string_view folder, std::string* name);

// The folder in which a run's own folder for its temporary files is made:
// one whose entries, and those of every folder above it, no other user can
// rename, remove or replace, so that a path through it leads where it led
// when the run's folder was made. Windows: the current directory. POSIX: the
// current directory when each folder of its path is owned by the user or
// root and writable by no one else unless its sticky bit is set; otherwise
// TMPDIR (when absolute), then /tmp, when that one is such a folder. False
// when none is.
bool RunFolderParent(const std::string& currentDirectory, std::string* parent);

// Makes a new folder that only its owner may enter, list and change (POSIX:
// mode 0700; Windows: a protected security descriptor that grants the user
// alone, inherited by what is made in it): kExists when anything is already
// there under that name (a dangling link too: nothing is followed), kFailed
// when it cannot be made for another reason.
enum class NewFile { kCreated, kExists, kFailed };
NewFile CreatePrivateFolder(const char* path);

// Removes the folder made by CreatePrivateFolder together with the files
// in it (a link in it is removed, never followed). False when the folder is
// still there afterwards.
bool RemovePrivateFolder(const char* path);

// The command interpreter's command that deletes the files named after it,
// without complaint about a missing one: "erase" on Windows, "rm -f" on POSIX.
extern const char* const kEraseCommand;

// A path as one word of a command-interpreter line: in double quotes, so
// that a blank in it does not split it. On POSIX the characters that stay
// special inside double quotes (\ " $ `) get a backslash as well.
std::string InterpreterWord(std::string_view path);

bool FileExists(const char* path);
bool RemoveFile(const char* path);

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

// Creates a new file for writing in text mode (the platform's line ends).
// Fails, returning null, when anything already exists under that name, so
// that nothing there is replaced or followed.
std::FILE* CreateNewTextFile(const char* path);

// Physical drives, for the inquiry of the storage server's volumes.
//
// ListDeviceNames gives the system's device names in the system's order.
// On Windows these are the MS-DOS device names ("PhysicalDrive0", "C:",
// "COM1", ...). On POSIX each SCSI disk /dev/sd<letters> is listed as
// "PhysicalDrive<n>", numbered as the kernel names its disks: sda is 0, sdz
// 25, sdaa 26, sdaz 51, sdba 52, ... False when no list can be had.
//
// InquirePhysicalDrive opens drive <number> for reading and writing, sends
// it the standard INQUIRY (12h 00h 00h 00h A5h 00h) for kInquiryLength
// bytes, and closes it again. True when the drive answered with data; the
// bytes it did not send stay zero. False when it cannot be opened or sent
// nothing.
constexpr std::size_t kInquiryLength = 165;
bool ListDeviceNames(std::vector<std::string>* names);
bool InquirePhysicalDrive(int number, unsigned char (&data)[kInquiryLength]);

// Creates an empty file, new, that only its owner may read and write, and
// closes it again: kExists when anything is already there under that name
// (a dangling link too: nothing is followed), kFailed when it cannot be
// created for another reason.
NewFile CreateNewPrivateFile(const char* path);

}  // namespace platform

#endif
