// An end-to-end case: one data file under tests/cases, a title line ("#")
// and sections, each from its "=== KIND [PARAMETER]" header to the next,
// taken exactly as written. Every section kind, the substitutions ({case},
// {/}, {*}, ...) and the runs at once are described in docs/TESTING.md,
// "The end-to-end case format".
//
// The reader is strict: a case it cannot read whole is refused, with the
// file and line of what is wrong, so that a misspelled header or a missing
// expectation fails the case instead of dropping a check.
#ifndef VY_TESTS_E2E_CASE_H
#define VY_TESTS_E2E_CASE_H

#include <string>
#include <vector>

struct Section {
    std::string kind;
    std::string parameter;
    std::vector<std::string> lines;
    int line = 0;  // the header's line number in the file
};

struct Case {
    std::string name;   // the file name
    std::string title;  // the first line, without "#"
    std::vector<Section> sections;

    const Section* Find(const std::string& kind) const;
};

// Reads a case from its text and checks it against the format; false, with
// "WHERE:LINE: reason" in error, when the text is no valid case. WHERE names
// the file in the messages.
bool ParseCase(const std::string& where, const std::string& text, Case* result, std::string* error);

// Reads the case file at path (ParseCase on its content).
bool LoadCase(const std::string& path, Case* result, std::string* error);

// The text of a section: each line followed by "\n"; with noEol the last
// line is not.
std::string JoinLines(const std::vector<std::string>& lines, bool noEol);

// Reads \r \n \t \0 \\ and \xHH. The line must have been accepted by the
// reader (in a file-escaped or repeat section), which refuses any other
// escape.
std::string Unescape(const std::string& line);

#endif
