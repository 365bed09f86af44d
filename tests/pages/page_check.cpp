// page_check: holds the reference pages to the tables they restate.
//
//   page_check PAGES STATE_H BIN CASES
//
// PAGES is docs/pages, STATE_H core/state.h, BIN the folder of the built
// programs and CASES tests/cases. For each program of the program table, its page <name>.1.scd
// must show:
//   - under OPTIONS exactly its rows of the switch table, each switch with
//     the value name of its usage part ("*/u* _username_") and the longest
//     value it takes ("At most 31 characters"), and the task names
//     ("_taskname_") where the program takes them;
//   - in SYNOPSIS exactly those switches, each valued one with that name;
//   - on every "usage: " line the usage text that the program prints when
//     it refuses an argument (the program is run for it);
//   - under EXIT STATUS exactly the codes of exit_statuses.h that the
//     program can end with, and "_other_" and "*-1*" when it ends with a
//     child's status.
// vy-exit-status(7) must list every code under EXIT STATUS, each item's
// last sentence naming exactly the programs that can end with it. The codes
// of state.h must be those of exit_statuses.h, number for number, and no
// end-to-end case may end a program with a code that the table does not give
// it.
//
// Prints one line per mismatch and ends with 1, or with 0 when there is
// none; 2 when it cannot run.
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/programs.h"
#include "core/state.h"
#include "core/switches.h"
#include "tests/pages/exit_statuses.h"

namespace {

int mismatches = 0;

void Mismatch(const std::string& where, const std::string& what) {
    std::printf("%s: %s\n", where.c_str(), what.c_str());
    ++mismatches;
}

bool ReadFile(const std::string& path, std::string* text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream all;
    all << in.rdbuf();
    *text = all.str();
    return !in.bad();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The lines under "# TITLE" up to the next heading of that level.
std::vector<std::string> Section(const std::vector<std::string>& lines, const std::string& title) {
    std::vector<std::string> section;
    bool inside = false;
    for (const std::string& line : lines) {
        if (line.rfind("# ", 0) == 0) {
            inside = line == "# " + title;
            continue;
        }
        if (inside) section.push_back(line);
    }
    return section;
}

// An item of a section: its term line (one that starts at the margin with
// "*" or "_", with an indented line right under it) and the indented lines
// under it, joined by blanks.
struct Item {
    std::string term;
    std::string body;
};

std::vector<Item> Items(const std::vector<std::string>& section) {
    std::vector<Item> items;
    bool inItem = false;
    for (std::size_t i = 0; i < section.size(); ++i) {
        const std::string& line = section[i];
        bool indentedNext = i + 1 < section.size() && section[i + 1].rfind('\t', 0) == 0;
        if (!line.empty() && (line[0] == '*' || line[0] == '_') && indentedNext) {
            items.push_back({line, ""});
            inItem = true;
        } else if (!line.empty() && line[0] == '\t' && inItem) {
            std::string& body = items.back().body;
            if (!body.empty()) body += ' ';
            body += line.substr(line.find_first_not_of('\t'));
        } else if (!line.empty()) {
            inItem = false;  // a paragraph after the items
        }
    }
    return items;
}

std::string Join(const std::set<std::string>& words) {
    std::string joined;
    for (const std::string& w : words) joined += (joined.empty() ? "" : " ") + w;
    return joined;
}

std::string ProgramList(ProgramSet set) {
    std::set<std::string> names;
    for (const Program& p : kPrograms) {
        if (p.type != 0 && Accepts(set, p.type)) names.insert(p.name);
    }
    return names.empty() ? "none" : Join(names);
}

// The value name of a switch that takes a value: what follows the switch in
// its part of the usage lines; empty for one that takes none.
bool ValueName(const Switch& s, std::string* name) {
    name->clear();
    if (s.target.action != SwitchAction::kStore && s.target.action != SwitchAction::kAddVolume) return true;
    std::string usage = s.usage != nullptr ? s.usage : "";
    std::size_t blank = usage.find(' ');
    if (blank == std::string::npos) return false;
    *name = usage.substr(blank + 1);
    return true;
}

// Switch text to value name ("" for none), from the switch table.
std::map<std::string, std::string> TableSwitches(int type, const std::string& where) {
    std::map<std::string, std::string> switches;
    for (const Switch& s : kSwitches) {
        if (!Accepts(s.programs, type)) continue;
        std::string name;
        if (!ValueName(s, &name)) Mismatch(where, std::string("the switch table's row ") + s.text +
                                                      " takes a value but its usage part names none");
        if (switches.count(s.text) != 0) Mismatch(where, std::string("the switch table holds ") + s.text + " twice");
        switches[s.text] = name;
    }
    return switches;
}

// 1021 as "1,021", as the pages write numbers.
std::string Grouped(std::size_t n) {
    std::string digits = std::to_string(n);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) digits.insert(static_cast<std::size_t>(at), ",");
    return digits;
}

// A valued switch's item tells the longest value it takes, and no other.
void CheckLimit(const std::string& body, const Switch& s, const std::string& where) {
    static const std::regex kLimit(R"(At most ([0-9,]+) characters)");
    const std::string expected = Grouped(s.Limit());
    int told = 0;
    for (std::sregex_iterator it(body.begin(), body.end(), kLimit), end; it != end; ++it) {
        ++told;
        if ((*it)[1] != expected) {
            Mismatch(where, std::string("OPTIONS: ") + s.text + " says at most " + (*it)[1].str() +
                                " characters, the switch table " + expected);
        }
    }
    if (told == 0) Mismatch(where, std::string("OPTIONS: ") + s.text + " does not say \"At most " + expected + " characters\"");
}

void CheckOptions(const std::vector<std::string>& lines, const Program& p,
                  const std::map<std::string, std::string>& table, const std::string& where) {
    static const std::regex kTerm(R"(^\*([^* ]+)\*(?: _([^_]+)_)?$)");
    std::map<std::string, std::string> page, bodies;
    bool taskNames = false;
    for (const Item& item : Items(Section(lines, "OPTIONS"))) {
        std::smatch m;
        if (item.term == "_taskname_" && TakesTaskNames(p)) {
            taskNames = true;
            continue;
        }
        if (item.term[0] == '_') {
            Mismatch(where, "OPTIONS: " + item.term + " is described, but the program takes no such operand");
            continue;
        }
        if (!std::regex_match(item.term, m, kTerm)) {
            Mismatch(where, "OPTIONS: cannot read the item \"" + item.term + "\"");
            continue;
        }
        if (page.count(m[1]) != 0) Mismatch(where, "OPTIONS: " + m[1].str() + " is described twice");
        page[m[1]] = m[2];
        bodies[m[1]] = item.body;
    }
    for (const auto& [text, value] : table) {
        auto found = page.find(text);
        if (found == page.end()) {
            Mismatch(where, "OPTIONS: " + text + " is in the switch table but not on the page");
            continue;
        }
        if (found->second != value) {
            Mismatch(where, "OPTIONS: " + text + " shows the value \"" + found->second + "\", the switch table \"" +
                                value + "\"");
        }
        if (!value.empty()) CheckLimit(bodies[text], *FindSwitch(p.type, text.c_str()), where);
    }
    for (const auto& [text, value] : page) {
        if (table.count(text) == 0) Mismatch(where, "OPTIONS: " + text + " is on the page but not in the switch table");
    }
    if (TakesTaskNames(p) && !taskNames) Mismatch(where, "OPTIONS: the task names (_taskname_) are not described");
}

void CheckSynopsis(const std::vector<std::string>& lines, const std::string& program,
                   const std::map<std::string, std::string>& table, const std::string& where) {
    std::string text;
    for (const std::string& line : Section(lines, "SYNOPSIS")) text += line + " ";
    // A switch in bold, and the value name in italics right after it.
    static const std::regex kSwitch(R"(\*([^* ]+)\*( _([^_ ]+)_)?)");
    std::set<std::string> shown;
    for (std::sregex_iterator it(text.begin(), text.end(), kSwitch), end; it != end; ++it) {
        std::string sw = (*it)[1];
        if (sw == program) continue;
        shown.insert(sw);
        auto row = table.find(sw);
        if (row == table.end()) {
            Mismatch(where, "SYNOPSIS: " + sw + " is not in the switch table");
        } else if (row->second != (*it)[3].str()) {
            Mismatch(where, "SYNOPSIS: " + sw + " shows the value \"" + (*it)[3].str() + "\", the switch table \"" +
                                row->second + "\"");
        }
    }
    for (const auto& [sw, value] : table) {
        if (shown.count(sw) == 0) Mismatch(where, "SYNOPSIS: " + sw + " is in the switch table but not shown");
    }
}

// The usage line that the program prints when it refuses an argument, with
// the status it ends with.
bool PrintedUsage(const std::string& bin, const std::string& program, std::string* usage, int* status) {
    std::string path = bin + "/" + program;
    std::string quoted = "'";
    for (char c : path) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    quoted += "'";
    std::string command = quoted + " /pagecheck-no-such-switch 2>/dev/null";
    FILE* out = popen(command.c_str(), "r");
    if (out == nullptr) return false;
    std::string text;
    char buffer[512];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, out)) > 0;) text.append(buffer, n);
    int raw = pclose(out);
    *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    usage->clear();
    int found = 0;
    for (const std::string& line : Lines(text)) {
        if (line.rfind("usage: ", 0) == 0) {
            *usage = line.substr(7);
            ++found;
        }
    }
    return found == 1;
}

void CheckUsage(const std::string& page, const Program& p, const std::string& bin, const std::string& where) {
    std::string printed;
    bool printsUsage = Accepts(kSwitchPrograms, p.type);
    if (printsUsage) {
        int status = 0;
        if (!PrintedUsage(bin, p.name, &printed, &status)) {
            Mismatch(where, std::string("usage: ") + p.name + " does not print one usage line for a wrong argument");
            return;
        }
        if (status != kExitInvalidParameter) {
            Mismatch(where, "usage: a wrong argument ends " + std::string(p.name) + " with " + std::to_string(status));
        }
    }
    // Each "usage: " of the page, up to a closing double quote or the line's end.
    static const std::regex kUsage(R"(usage: ([^"\n]*))");
    int shown = 0;
    for (std::sregex_iterator it(page.begin(), page.end(), kUsage), end; it != end; ++it) {
        std::string text = (*it)[1];
        text.erase(text.find_last_not_of(" \t") + 1);
        ++shown;
        if (!printsUsage) {
            Mismatch(where, "usage: the page shows \"" + text + "\", the program prints no usage line");
        } else if (text != printed) {
            Mismatch(where, "usage: the page shows \"" + text + "\", the program prints \"" + printed + "\"");
        }
    }
    if (printsUsage && shown == 0) Mismatch(where, "usage: the page does not show \"" + printed + "\"");
}

std::string CodeNames(int code) {
    std::set<std::string> names;
    for (const ExitStatusRow& row : kExitStatusRows) {
        if (row.code == code) names.insert(row.name);
    }
    return Join(names);
}

// The EXIT STATUS items of a page, by term: "0", "-1", "_other_".
std::map<std::string, std::string> StatusItems(const std::vector<std::string>& lines, const std::string& where) {
    static const std::regex kCode(R"(^\*(-?[0-9]+)\*$)");
    std::map<std::string, std::string> items;
    for (const Item& item : Items(Section(lines, "EXIT STATUS"))) {
        std::smatch m;
        std::string term;
        if (item.term == "_other_") {
            term = item.term;
        } else if (std::regex_match(item.term, m, kCode)) {
            term = m[1];
        } else {
            Mismatch(where, "EXIT STATUS: cannot read the item \"" + item.term + "\"");
            continue;
        }
        if (items.count(term) != 0) Mismatch(where, "EXIT STATUS: " + term + " is described twice");
        items[term] = item.body;
    }
    return items;
}

// Compares the codes of a page with those the table gives; "-1" and
// "_other_" stand for a child's status.
void CompareCodes(const std::map<std::string, std::string>& page, const std::map<std::string, ProgramSet>& expected,
                  const std::string& where) {
    for (const auto& [code, programs] : expected) {
        if (page.count(code) == 0) {
            std::string names = code == "-1" || code == "_other_" ? "a child's status" : CodeNames(std::stoi(code));
            Mismatch(where, "EXIT STATUS: " + code + " (" + names + ") is missing");
        }
    }
    for (const auto& [code, body] : page) {
        if (expected.count(code) == 0) {
            Mismatch(where, "EXIT STATUS: " + code + " is on the page, but no exit code of the program is " + code +
                                " (tests/pages/exit_statuses.h)");
        }
    }
}

std::map<std::string, ProgramSet> ExpectedCodes(ProgramSet programs) {
    std::map<std::string, ProgramSet> codes;
    ProgramSet children = 0;
    for (const Program& p : kPrograms) {
        if (p.type != 0 && ReturnsChildStatus(p)) children |= Programs(p.type);
    }
    for (const ExitStatusRow& row : kExitStatusRows) {
        if ((row.programs & programs) != 0) codes[std::to_string(row.code)] |= row.programs;
    }
    if ((children & programs) != 0) {
        codes["-1"] = children;
        codes["_other_"] = children;
    }
    return codes;
}

// The programs that the last sentence of a vy-exit-status(7) item names:
// "All programs.", "Task programs, *vyPingSrv*.", "All but *vyshell*.",
// "The launchers." (every program that starts a Java class) or names.
bool NamedPrograms(const std::string& body, ProgramSet* set) {
    std::string text = body;
    text.erase(text.find_last_not_of(" ") + 1);
    if (text.empty() || text.back() != '.') return false;
    text.pop_back();
    std::size_t stop = text.rfind(". ");
    if (stop != std::string::npos) text = text.substr(stop + 2);
    ProgramSet all = exit_statuses::kAll, launchers = 0;
    for (const Program& p : kPrograms) {
        if (p.type != 0 && (p.javaClass != nullptr || p.probeClass != nullptr)) launchers |= Programs(p.type);
    }
    auto named = [](const std::string& term, ProgramSet* one) {
        for (const Program& p : kPrograms) {
            if (p.type != 0 && term == "*" + std::string(p.name) + "*") {
                *one = Programs(p.type);
                return true;
            }
        }
        return false;
    };
    *set = 0;
    bool but = text.rfind("All but ", 0) == 0;
    if (but) text = text.substr(8);
    static const std::regex kSeparator(R"(, | and )");
    for (std::sregex_token_iterator it(text.begin(), text.end(), kSeparator, -1), end; it != end; ++it) {
        std::string term = *it;
        ProgramSet one = 0;
        if (!but && term == "All programs") {
            one = all;
        } else if (!but && term == "Task programs") {
            one = kTaskPrograms;
        } else if (!but && term == "The launchers") {
            one = launchers;
        } else if (!named(term, &one)) {
            return false;
        }
        *set |= one;
    }
    if (but) *set = all & ~*set;
    return true;
}

void CheckExitStatusPage(const std::string& pages) {
    const std::string where = "vy-exit-status.7.scd";
    std::string text;
    if (!ReadFile(pages + "/" + where, &text)) {
        Mismatch(where, "cannot be read");
        return;
    }
    std::map<std::string, std::string> page = StatusItems(Lines(text), where);
    std::map<std::string, ProgramSet> expected = ExpectedCodes(exit_statuses::kAll);
    CompareCodes(page, expected, where);
    for (const auto& [code, body] : page) {
        auto row = expected.find(code);
        if (row == expected.end()) continue;
        ProgramSet named = 0;
        if (!NamedPrograms(body, &named)) {
            Mismatch(where, "EXIT STATUS: " + code + ": the last sentence does not name the programs");
        } else if (named != row->second) {
            Mismatch(where, "EXIT STATUS: " + code + " names " + ProgramList(named) + "; it is returned by " +
                                ProgramList(row->second));
        }
    }
}

void CheckProgramPage(const std::string& pages, const std::string& bin, const Program& p) {
    const std::string where = std::string(p.name) + ".1.scd";
    std::string text;
    if (!ReadFile(pages + "/" + where, &text)) {
        Mismatch(where, "cannot be read");
        return;
    }
    std::vector<std::string> lines = Lines(text);
    std::map<std::string, std::string> switches = TableSwitches(p.type, where);
    CheckOptions(lines, p, switches, where);
    CheckSynopsis(lines, p.name, switches, where);
    CheckUsage(text, p, bin, where);
    std::map<std::string, ProgramSet> expected;
    for (const auto& [code, programs] : ExpectedCodes(Programs(p.type))) {
        if (Accepts(programs, p.type)) expected[code] = programs;
    }
    CompareCodes(StatusItems(lines, where), expected, where);
}

// The exit codes that state.h defines must be the rows of exit_statuses.h:
// a code added there needs its row (and its pages), and the numbers the
// built code uses must be those that state.h shows.
void CheckStateHeader(const std::string& path) {
    const std::string where = "core/state.h";
    std::string text;
    if (!ReadFile(path, &text)) {
        Mismatch(where, "cannot be read");
        return;
    }
    std::size_t start = text.find("enum ExitCode {");
    std::size_t stop = text.find("};", start);
    if (start == std::string::npos || stop == std::string::npos) {
        Mismatch(where, "holds no \"enum ExitCode {\" ... \"};\"");
        return;
    }
    std::string block = text.substr(start, stop - start);
    static const std::regex kCode(R"((kExit\w+)\s*=\s*(-?[0-9]+))");
    std::set<std::string> defined;
    for (std::sregex_iterator it(block.begin(), block.end(), kCode), end; it != end; ++it) {
        std::string name = (*it)[1];
        int code = std::stoi((*it)[2]);
        defined.insert(name);
        auto row = std::find_if(std::begin(kExitStatusRows), std::end(kExitStatusRows),
                                [&](const ExitStatusRow& r) { return name == r.name; });
        if (row == std::end(kExitStatusRows)) {
            Mismatch(where, name + " = " + std::to_string(code) +
                                " has no row in tests/pages/exit_statuses.h (which programs end with it?)");
        } else if (row->code != code) {
            Mismatch(where, name + " = " + std::to_string(code) + ", but the built code has " +
                                std::to_string(row->code));
        }
    }
    for (const ExitStatusRow& row : kExitStatusRows) {
        if (defined.count(row.name) == 0) Mismatch(where, std::string(row.name) + " is not among its exit codes");
    }
}

// The end-to-end cases hold the table to what the programs do: a case that
// ends a program with a code of state.h that the table does not give that
// program names a missing row, unless the code is the status that a child
// of the case reported ("[java] <class> exits <code>"). Cases that stop a
// program from outside or run several are left out.
void CheckCases(const std::string& folder) {
    std::error_code error;
    std::vector<std::filesystem::path> cases;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.path().extension() == ".case") cases.push_back(entry.path());
    }
    if (error || cases.empty()) {
        Mismatch(folder, "holds no cases");
        return;
    }
    std::sort(cases.begin(), cases.end());
    for (const std::filesystem::path& path : cases) {
        const std::string where = "tests/cases/" + path.filename().string();
        std::string text;
        if (!ReadFile(path.string(), &text)) {
            Mismatch(where, "cannot be read");
            continue;
        }
        std::map<std::string, std::vector<std::string>> sections;
        std::map<std::string, int> counts;
        std::vector<std::string>* current = nullptr;
        for (const std::string& line : Lines(text)) {
            if (line.rfind("=== ", 0) == 0) {
                std::string kind = line.substr(4, line.find(' ', 4) - 4);
                ++counts[kind];
                current = &sections[kind];
            } else if (current != nullptr) {
                current->push_back(line);
            }
        }
        if (counts["program"] != 1 || counts["stop"] != 0 || counts["run"] != 0 || sections["status"].empty()) continue;
        const std::string program = sections["program"].empty() ? "" : sections["program"][0];
        const std::string status = sections["status"][0];
        if (status.empty() || status.find_first_not_of("0123456789") != std::string::npos) continue;
        int code = std::stoi(status);
        const Program* p = nullptr;
        for (const Program& row : kPrograms) {
            if (row.type != 0 && program == row.name) p = &row;
        }
        bool isCode = false, given = false;
        for (const ExitStatusRow& row : kExitStatusRows) {
            if (row.code != code) continue;
            isCode = true;
            if (p != nullptr && Accepts(row.programs, p->type)) given = true;
        }
        if (p == nullptr || !isCode || given) continue;
        bool childStatus = false;
        for (const std::string& line : sections["stdout"]) {
            if (line.rfind("[java] ", 0) == 0 && line.size() > status.size() + 7 &&
                line.compare(line.size() - status.size() - 7, std::string::npos, " exits " + status) == 0) {
                childStatus = true;
            }
        }
        if (!childStatus || !ReturnsChildStatus(*p)) {
            Mismatch(where, program + " ends with " + status + " (" + CodeNames(code) +
                                "), which tests/pages/exit_statuses.h does not give it");
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: page_check PAGES STATE_H BIN CASES\n");
        return 2;
    }
    std::string pages = argv[1], bin = argv[3];
    CheckStateHeader(argv[2]);
    CheckCases(argv[4]);
    for (const Program& p : kPrograms) {
        if (p.type != 0) CheckProgramPage(pages, bin, p);
    }
    CheckExitStatusPage(pages);
    if (mismatches != 0) {
        std::printf("%d mismatches between the pages and the tables\n", mismatches);
        return 1;
    }
    return 0;
}
