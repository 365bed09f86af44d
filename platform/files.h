// Paths, temporary names and files: the separators and defaults of the
// platform's paths, fresh names for temporary files, the run's private
// folder, the command interpreter's words for files, and new files that
// replace nothing. files.cpp in posix/ and win32/ defines them.
#ifndef VY_PLATFORM_FILES_H
#define VY_PLATFORM_FILES_H

#include <cstdio>
#include <string>
#include <string_view>

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
// in it (a link in it is removed, never followed). Windows: while a file in
// it is still held open (by a child that is ending), the removal is tried
// again for up to half a second. False when the folder is still there
// afterwards.
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

// Creates a new file for writing in text mode (the platform's line ends).
// Fails, returning null, when anything already exists under that name, so
// that nothing there is replaced or followed.
std::FILE* CreateNewTextFile(const char* path);

// Creates an empty file, new, that only its owner may read and write, and
// closes it again: kExists when anything is already there under that name
// (a dangling link too: nothing is followed), kFailed when it cannot be
// created for another reason.
NewFile CreateNewPrivateFile(const char* path);

}  // namespace platform

#endif
