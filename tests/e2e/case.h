// An end-to-end case: one data file under tests/cases.
//
// A case file is a title line starting with "#", then sections. Each section
// starts with a header line "=== KIND [PARAMETER]" and holds every line up to
// the next header, taken exactly as written (no blank lines between
// sections: a blank line is content, such as an empty argument).
//
//   platform        "posix" or "windows": the case runs only there
//   program         the program to run, by its base name
//   args            one argument per line
//   env             NAME=VALUE sets a variable, a bare NAME removes it
//   cwd             the directory to run in, relative to the case folder
//                   (or an absolute path); "cwd removed" (POSIX) removes
//                   that folder once the program is in it, before it starts
//   console         Windows: the program gets a console of its own (without
//                   a window), so that a Ctrl-C raised in it reaches the
//                   program and its children only. On POSIX every program
//                   runs in a process group of its own anyway
//   dir PATH        a folder to create
//   file PATH       a file to create: each line followed by a line feed;
//                   file-noeol leaves the last line without one, and
//                   file-escaped reads \r \t \0 \\ and \xHH in its lines
//   repeat N PATH   appends the lines (each with a line feed, escapes read
//                   as in file-escaped) N times to the file: large inputs
//                   are made when the case runs, not kept in the repository
//   locked PATH     Windows: the file is held open without sharing while the
//                   program runs, so that it cannot be opened
//   stdout          the exact standard output (stdout-noeol: the last line
//                   has no line end); on Windows each line end is CR LF
//   stderr          what a child writes to standard error (the programs
//                   themselves never do); without it, nothing is expected
//   status          the exit status; -1 stands for 255 on POSIX
//   java            what the fake Java launcher logged, every start; a case
//                   without this section expects no Java start at all
//   cmdline         Windows only: the raw command lines the fake Java saw
//   files PATH      the names of everything in folder PATH after the run,
//                   one a line, in any order; no lines: the folder is empty
//   stop HOW        one line, a file: once the file holds a whole line (the
//                   process id that a test double writes, FAKEJAVA_PID,
//                   FAKELANECTL_PID), the program is stopped from outside.
//                   HOW is a signal's name without "SIG" (POSIX: "TERM",
//                   "HUP", sent to the program alone, which must then die of
//                   it) or "terminate" (Windows: TerminateProcess, status 1).
//                   The process named in the file must be gone within 5
//                   seconds after the program ended
//   left            one line, a file: the process whose id a child wrote to
//                   it (FAKEJAVA_LEAVE) must still run after the program
//                   ended; the runner then ends it
//   seconds         the most seconds the program may take (wall clock)
//   megabytes       the most memory it may hold at once (POSIX: its peak
//                   resident size, its children included; Windows: its peak
//                   working set, sampled while it runs)
//
// A program ended by a signal fails the case whatever its status: the
// programs never die of one, not even of an interrupt meant for a child;
// only of the signal that a "stop" section sends.
//
// Runs at once. "run N" starts a run of its own: the sections after it, up
// to the next "run", say what one program does (program, args, env, cwd,
// console, stdout, stderr, status, java, cmdline, stop, left, seconds,
// megabytes), and it is started N times. The sections before the first "run" are shared:
// the files and folders, the files check and whatever a run does not give
// itself (a run's env is applied after the shared one). Every copy of every
// run is started at the same moment (each waits until all exist), in the
// one current directory unless a run names another, with its own standard
// output, error and Java logs (stdout-R-K.txt, java-R-K.log for copy K of
// run R); each is compared with its run's expectations, the files check
// after all have ended. A case without "run" starts its program once.
//
// In every line, {case} is the case's own folder, {doubles} the folder of
// the test doubles, {/} the path separator, {;} the list separator and
// {drivers} the default driver directories of the platform, {N*c} N times
// the character c, and {longN} a folder name of x's that makes
// "{case}{/}{longN}" exactly N characters long. {interrupted} and {quit}
// are the exit status of a child ended by the user's interrupt or quit key:
// 130 and 131 on POSIX (128 + SIGINT, SIGQUIT); STATUS_CONTROL_C_EXIT
// (3221225786) on Windows, where Wine gives 0 instead. In an expected text,
// {*} stands for any text within one line (such as a temporary file's name).
//
// The test doubles raise an interrupt when told to (FAKEJAVA_INTERRUPT,
// FAKELANECTL_INTERRUPT) and wait when told to (FAKEJAVA_SLEEP,
// FAKELANECTL_SLEEP), so that runs started together overlap; see
// tests/doubles.
#ifndef VY_TESTS_E2E_CASE_H
#define VY_TESTS_E2E_CASE_H

#include <string>
#include <vector>

struct Section {
    std::string kind;
    std::string parameter;
    std::vector<std::string> lines;
};

struct Case {
    std::string name;   // the file name
    std::string title;  // the first line, without "#"
    std::vector<Section> sections;

    const Section* Find(const std::string& kind) const;
};

// False, with a reason, when the file cannot be read or is malformed.
bool LoadCase(const std::string& path, Case* result, std::string* error);

// The text of a section: each line followed by "\n"; with noEol the last
// line is not.
std::string JoinLines(const std::vector<std::string>& lines, bool noEol);

// Reads \r \n \t \0 \\ and \xHH.
std::string Unescape(const std::string& line);

#endif
