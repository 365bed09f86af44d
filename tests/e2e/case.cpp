#include "tests/e2e/case.h"

#include <cctype>
#include <fstream>
#include <set>
#include <sstream>

namespace {

enum class Param { kNone, kOptional, kRequired };
enum class Lines { kAny, kNone, kOne };
enum class Scope { kShared, kBoth };

// Every section kind the format knows: its parameter, its lines, whether a
// run may give it itself, and whether it may come more than once (with a
// different parameter each time; "repeat" appends, so any number).
struct Kind {
    const char* name;
    Param param;
    Lines lines;
    Scope scope;
    bool several;
};

const Kind kKinds[] = {
    {"platform", Param::kNone, Lines::kOne, Scope::kShared, false},
    {"skip-under", Param::kRequired, Lines::kOne, Scope::kShared, true},
    {"program", Param::kNone, Lines::kOne, Scope::kBoth, false},
    {"args", Param::kNone, Lines::kAny, Scope::kBoth, false},
    {"env", Param::kNone, Lines::kAny, Scope::kBoth, false},
    {"cwd", Param::kOptional, Lines::kOne, Scope::kBoth, false},
    {"console", Param::kNone, Lines::kNone, Scope::kBoth, false},
    {"dir", Param::kRequired, Lines::kNone, Scope::kShared, true},
    {"file", Param::kRequired, Lines::kAny, Scope::kShared, true},
    {"file-noeol", Param::kRequired, Lines::kAny, Scope::kShared, true},
    {"file-escaped", Param::kRequired, Lines::kAny, Scope::kShared, true},
    {"repeat", Param::kRequired, Lines::kAny, Scope::kShared, true},
    {"locked", Param::kRequired, Lines::kNone, Scope::kShared, true},
    {"stdout", Param::kNone, Lines::kAny, Scope::kBoth, false},
    {"stdout-noeol", Param::kNone, Lines::kAny, Scope::kBoth, false},
    {"stderr", Param::kNone, Lines::kAny, Scope::kBoth, false},
    {"status", Param::kNone, Lines::kOne, Scope::kBoth, false},
    {"java", Param::kNone, Lines::kAny, Scope::kBoth, false},
    {"cmdline", Param::kNone, Lines::kAny, Scope::kBoth, false},
    {"files", Param::kRequired, Lines::kAny, Scope::kShared, true},
    {"seconds", Param::kNone, Lines::kOne, Scope::kBoth, false},
    {"megabytes", Param::kNone, Lines::kOne, Scope::kBoth, false},
    {"stop", Param::kRequired, Lines::kOne, Scope::kBoth, false},
    {"left", Param::kNone, Lines::kOne, Scope::kBoth, false},
    {"run", Param::kRequired, Lines::kNone, Scope::kShared, true},
};

const Kind* FindKind(const std::string& name) {
    for (const Kind& k : kKinds) {
        if (name == k.name) return &k;
    }
    return nullptr;
}

bool AllDigits(const std::string& text) {
    if (text.empty() || text.size() > 10) return false;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

bool IsHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

// Why the line is no line of escapes as Unescape reads them; empty when it is.
std::string EscapeError(const std::string& line) {
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] != '\\') continue;
        if (i + 1 >= line.size()) return "a backslash ends the line (write \\\\ for one)";
        char c = line[++i];
        if (c == 'x') {
            if (i + 2 >= line.size() || !IsHex(line[i + 1]) || !IsHex(line[i + 2])) {
                return "\\x needs two hexadecimal digits";
            }
            i += 2;
        } else if (c != 'r' && c != 'n' && c != 't' && c != '0' && c != '\\') {
            return std::string("unknown escape \\") + c;
        }
    }
    return "";
}

// Why the section's own content is malformed; empty when it is not.
std::string ContentError(const Section& s, const Kind& k) {
    if (k.param == Param::kNone && !s.parameter.empty()) return "=== " + s.kind + " takes no parameter";
    if (k.param == Param::kRequired && s.parameter.empty()) return "=== " + s.kind + " needs a parameter";
    if (k.lines == Lines::kNone && !s.lines.empty()) return "=== " + s.kind + " holds no lines";
    if (k.lines == Lines::kOne && s.lines.size() != 1) return "=== " + s.kind + " holds exactly one line";
    const std::string first = s.lines.empty() ? "" : s.lines[0];
    if (s.kind == "platform" && first != "posix" && first != "windows") {
        return "unknown platform \"" + first + "\" (posix or windows)";
    }
    if (s.kind == "skip-under" && s.parameter != "qemu-user") {
        return "unknown emulator \"" + s.parameter + "\" (qemu-user)";
    }
    if (s.kind == "skip-under" && first.empty()) return "=== skip-under gives no reason";
    if ((s.kind == "program" || s.kind == "stop" || s.kind == "left" || s.kind == "cwd") && first.empty()) {
        return "=== " + s.kind + " names nothing";
    }
    if (s.kind == "status") {
        const std::string digits = !first.empty() && first[0] == '-' ? first.substr(1) : first;
        if (first != "{interrupted}" && first != "{quit}" && !AllDigits(digits)) {
            return "unreadable status \"" + first + "\" (a number, {interrupted} or {quit})";
        }
    }
    if (s.kind == "megabytes" && !AllDigits(first)) return "unreadable number of megabytes \"" + first + "\"";
    if (s.kind == "seconds") {
        const std::size_t dot = first.find('.');
        const bool ok = dot == std::string::npos
                            ? AllDigits(first)
                            : AllDigits(first.substr(0, dot)) && AllDigits(first.substr(dot + 1));
        if (!ok) return "unreadable number of seconds \"" + first + "\"";
    }
    if (s.kind == "cwd" && !s.parameter.empty() && s.parameter != "removed") {
        return "=== cwd takes no parameter but \"removed\"";
    }
    if (s.kind == "run" && (!AllDigits(s.parameter) || std::stoul(s.parameter) < 1)) {
        return "=== run needs a count of at least 1";
    }
    if (s.kind == "repeat") {
        const std::size_t blank = s.parameter.find(' ');
        if (blank == std::string::npos || !AllDigits(s.parameter.substr(0, blank)) ||
            std::stoul(s.parameter.substr(0, blank)) < 1 || blank + 1 == s.parameter.size()) {
            return "=== repeat needs a count of at least 1 and a path";
        }
    }
    return "";
}

// The sections of one scope: those before the first "run" (shared) or one
// run's own. Checks the repeats and the scope; false with the reason and its
// line.
bool CheckScope(const std::vector<const Section*>& scope, bool isRun, std::string* why, int* line) {
    std::set<std::string> seen;
    for (const Section* s : scope) {
        const Kind* k = FindKind(s->kind);
        if (isRun && k->scope == Scope::kShared) {
            *why = "=== " + s->kind + " belongs before the first run";
            *line = s->line;
            return false;
        }
        // stdout and stdout-noeol say the same thing: one of them.
        const std::string key = (s->kind == "stdout-noeol" ? std::string("stdout") : s->kind) + " " +
                                (k->several && s->kind != "repeat" ? s->parameter : "");
        if (s->kind != "repeat" && !seen.insert(key).second) {
            *why = "repeated section === " + s->kind + (s->parameter.empty() ? "" : " " + s->parameter);
            *line = s->line;
            return false;
        }
    }
    return true;
}

bool Has(const std::vector<const Section*>& sections, const std::string& kind) {
    for (const Section* s : sections) {
        if (s->kind == kind) return true;
    }
    return false;
}

}  // namespace

const Section* Case::Find(const std::string& kind) const {
    for (const Section& s : sections) {
        if (s.kind == kind) return &s;
    }
    return nullptr;
}

bool ParseCase(const std::string& where, const std::string& text, Case* result, std::string* error) {
    auto refuse = [&](int line, const std::string& why) {
        *error = where + ":" + std::to_string(line) + ": " + why;
        return false;
    };
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (number == 1) {
            const std::size_t start = line.find_first_not_of("# ");
            if (line.empty() || line[0] != '#' || start == std::string::npos) {
                return refuse(1, "the first line must be a title beginning with #");
            }
            result->title = line.substr(start);
            continue;
        }
        if (line.rfind("===", 0) == 0 && line.size() > 3 && line[3] != '=') {
            if (line[3] != ' ' || line.size() == 4 || line[4] == ' ') return refuse(number, "a malformed header");
            Section s;
            const std::string header = line.substr(4);
            const std::size_t blank = header.find(' ');
            s.kind = header.substr(0, blank);
            if (blank != std::string::npos) {
                s.parameter = header.substr(blank + 1);
                if (s.parameter.empty()) return refuse(number, "a blank ends the header");
            }
            s.line = number;
            if (FindKind(s.kind) == nullptr) return refuse(number, "unknown section kind \"" + s.kind + "\"");
            result->sections.push_back(s);
            continue;
        }
        if (result->sections.empty()) return refuse(number, "text before the first section");
        Section& s = result->sections.back();
        if (s.kind == "file-escaped" || s.kind == "repeat") {
            const std::string why = EscapeError(line);
            if (!why.empty()) return refuse(number, why);
        }
        if (s.kind == "env" && (line.empty() || line[0] == '=')) {
            return refuse(number, "an environment line needs a name");
        }
        s.lines.push_back(line);
    }
    if (number == 0) return refuse(1, "the file is empty");
    if (result->sections.empty()) return refuse(1, "the case has no sections");

    for (const Section& s : result->sections) {
        const std::string why = ContentError(s, *FindKind(s.kind));
        if (!why.empty()) return refuse(s.line, why);
    }

    // The shared sections, then each run's own.
    std::vector<const Section*> shared;
    std::vector<std::vector<const Section*>> runs;
    std::vector<int> runLines;
    for (const Section& s : result->sections) {
        if (s.kind == "run") {
            runs.emplace_back();
            runLines.push_back(s.line);
        } else if (runs.empty()) {
            shared.push_back(&s);
        } else {
            runs.back().push_back(&s);
        }
    }
    std::string why;
    int at = 0;
    if (!CheckScope(shared, false, &why, &at)) return refuse(at, why);
    for (const auto& run : runs) {
        if (!CheckScope(run, true, &why, &at)) return refuse(at, why);
    }
    // What every program run must be told: what to run and what to expect.
    if (runs.empty()) {
        runs.emplace_back();
        runLines.push_back(1);
    }
    for (std::size_t r = 0; r < runs.size(); ++r) {
        const std::string who = runLines[r] == 1 ? "the case" : "the run";
        auto given = [&](const std::string& kind) { return Has(runs[r], kind) || Has(shared, kind); };
        if (!given("program")) return refuse(runLines[r], who + " names no program");
        if (!given("status")) return refuse(runLines[r], who + " gives no status");
        if (!given("stdout") && !given("stdout-noeol")) {
            return refuse(runLines[r], who + " does not say what its standard output must be");
        }
    }
    return true;
}

bool LoadCase(const std::string& path, Case* result, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = path + ":1: cannot read the file";
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return ParseCase(path, text.str(), result, error);
}

std::string JoinLines(const std::vector<std::string>& lines, bool noEol) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        text += lines[i];
        if (!noEol || i + 1 < lines.size()) text += '\n';
    }
    return text;
}

std::string Unescape(const std::string& line) {
    std::string out;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] != '\\' || i + 1 >= line.size()) {
            out += line[i];
            continue;
        }
        char c = line[++i];
        switch (c) {
            case 'r': out += '\r'; break;
            case 'n': out += '\n'; break;
            case 't': out += '\t'; break;
            case '0': out += '\0'; break;
            case 'x':
                out += static_cast<char>(std::stoi(line.substr(i + 1, 2), nullptr, 16));
                i += 2;
                break;
            default: out += c; break;
        }
    }
    return out;
}
