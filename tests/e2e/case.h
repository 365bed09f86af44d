// An end-to-end case: one data file under tests/cases, a title line ("#")
// and sections, each from its "=== KIND [PARAMETER]" header to the next,
// taken exactly as written. Every section kind, the substitutions ({case},
// {/}, {*}, ...) and the runs at once are described in docs/TESTING.md,
// "The end-to-end case format".
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
