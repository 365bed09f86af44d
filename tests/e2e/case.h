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
//                   (or an absolute path)
//   dir PATH        a folder to create
//   file PATH       a file to create: each line followed by a line feed;
//                   file-noeol leaves the last line without one, and
//                   file-escaped reads \r \t \0 \\ and \xHH in its lines
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
//
// In every line, {case} is the case's own folder, {doubles} the folder of
// the test doubles, {/} the path separator, {;} the list separator and
// {drivers} the default driver directories of the platform, and {N*c} N
// times the character c. In an expected text, {*} stands for any text
// within one line (such as a temporary file's name).
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
