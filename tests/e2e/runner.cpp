// Runs every end-to-end case under a folder and compares what the program
// did with what the case expects. Usage:
//   e2e_runner CASES_DIR PROGRAMS_DIR DOUBLES_DIR WORK_DIR [NAME_FILTER]
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/e2e/case.h"
#include "tests/e2e/process.h"

namespace fs = std::filesystem;

namespace {

// The platform's conventions, written out here rather than taken from the
// code under test.
#ifdef _WIN32
const char* const kPlatform = "windows";
const char* const kPathSeparator = "\\";
const char* const kListSeparator = ";";
const char* const kDrivers =
    "C:\\\"Program Files\"\\\"zeb corp\"\\\"Lanebinder\";C:\\\"Program Files\"\\\"zeb\"\\\"Lanebinder\"";
const char* const kLineEnd = "\r\n";
#else
const char* const kPlatform = "posix";
const char* const kPathSeparator = "/";
const char* const kListSeparator = ":";
const char* const kDrivers = "/opt/zeb/lanebinder/bin:/usr/lib/zeb/lanebinder/bin";
const char* const kLineEnd = "\n";
#endif

constexpr int kTimeoutSeconds = 60;

struct Paths {
    fs::path programs;
    fs::path doubles;
    fs::path work;
};

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    std::size_t pos = 0;
    while ((pos = text.find(from, pos)) != std::string::npos) {
        text.replace(pos, from.size(), to);
        pos += to.size();
    }
    return text;
}

// "{N*c}" stands for N times the character c.
std::string Repeat(const std::string& line) {
    std::string out;
    std::size_t pos = 0;
    for (;;) {
        std::size_t open = line.find('{', pos);
        std::size_t star = open == std::string::npos ? open : line.find('*', open);
        bool match = star != std::string::npos && star > open + 1 && star + 2 < line.size() &&
                     line[star + 2] == '}' &&
                     line.find_first_not_of("0123456789", open + 1) == star;
        if (!match) {
            if (open == std::string::npos) break;
            out += line.substr(pos, open + 1 - pos);
            pos = open + 1;
            continue;
        }
        out += line.substr(pos, open - pos);
        out.append(std::stoul(line.substr(open + 1, star - open - 1)), line[star + 1]);
        pos = star + 3;
    }
    out += line.substr(pos);
    return out;
}

class Substitution {
public:
    Substitution(const fs::path& caseDir, const fs::path& doubles)
        : caseDir_(caseDir.string()), doubles_(doubles.string()) {}

    std::string operator()(const std::string& line) const {
        std::string s = ReplaceAll(line, "{case}", caseDir_);
        s = ReplaceAll(s, "{doubles}", doubles_);
        s = ReplaceAll(s, "{/}", kPathSeparator);
        s = ReplaceAll(s, "{;}", kListSeparator);
        s = ReplaceAll(s, "{drivers}", kDrivers);
        return Repeat(s);
    }

    std::vector<std::string> operator()(const std::vector<std::string>& lines) const {
        std::vector<std::string> out;
        for (const std::string& l : lines) out.push_back((*this)(l));
        return out;
    }

private:
    std::string caseDir_;
    std::string doubles_;
};

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool WriteFile(const fs::path& path, const std::string& content) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << content;
    return static_cast<bool>(out);
}

std::string WithLineEnds(const std::string& text) { return ReplaceAll(text, "\n", kLineEnd); }

// Shows a text with its line ends and unprintable bytes made visible.
std::string Visible(const std::string& text) {
    std::string out;
    for (char c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        if (c == '\n') {
            out += "\\n\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (u < 32 || u >= 127) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", u);
            out += buf;
        } else {
            out += c;
        }
    }
    return out;
}

// Whether the text matches the pattern, in which "{*}" stands for any run
// of characters within one line.
bool Matches(const std::string& pattern, std::size_t p, const std::string& text, std::size_t t) {
    std::size_t star = pattern.find("{*}", p);
    if (star == std::string::npos) return pattern.compare(p, std::string::npos, text, t, std::string::npos) == 0;
    if (pattern.compare(p, star - p, text, t, star - p) != 0) return false;
    for (std::size_t end = t + (star - p);; ++end) {
        if (Matches(pattern, star + 3, text, end)) return true;
        if (end >= text.size() || text[end] == '\n' || text[end] == '\r') return false;
    }
}

void Compare(const std::string& what, const std::string& expected, const std::string& actual,
             std::vector<std::string>* failures) {
    if (expected == actual || Matches(expected, 0, actual, 0)) return;
    failures->push_back(what + " differs\n--- expected\n" + Visible(expected) + "\n--- actual\n" + Visible(actual));
}

// The environment of the program under test: the runner's own, without the
// variables that the programs read or the test doubles obey, and with a
// known PATH; then the case's own settings.
std::vector<std::string> Environment(const Case& c, const Substitution& sub, const fs::path& caseDir) {
    std::map<std::string, std::string> env;
    for (const std::string& e : OwnEnvironment()) {
        std::size_t eq = e.find('=', 1);
        if (eq == std::string::npos) continue;
        env[e.substr(0, eq)] = e.substr(eq + 1);
    }
    for (auto it = env.begin(); it != env.end();) {
        std::string upper = it->first;
        std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char ch) { return std::toupper(ch); });
        bool drop = upper == "INSTALL" || upper == "INSTALLLNB" || upper == "JAVA_HOME" || upper == "PATH" ||
                    upper.rfind("FAKEJAVA_", 0) == 0 || upper.rfind("FAKELANECTL_", 0) == 0;
        it = drop ? env.erase(it) : std::next(it);
    }
#ifdef _WIN32
    env["PATH"] = "C:\\windows\\system32;C:\\windows";
#else
    env["PATH"] = "/usr/bin:/bin";
#endif
    env["FAKEJAVA_LOG"] = (caseDir / "java.log").string();
    env["FAKEJAVA_CMDLOG"] = (caseDir / "java.cmdline").string();
    if (const Section* s = c.Find("env")) {
        for (const std::string& line : sub(s->lines)) {
            std::size_t eq = line.find('=');
            if (eq == std::string::npos) {
                env.erase(line);
            } else {
                env[line.substr(0, eq)] = line.substr(eq + 1);
            }
        }
    }
    std::vector<std::string> entries;
    for (const auto& [name, value] : env) entries.push_back(name + "=" + value);
    return entries;
}

// Runs one case; returns its failures (none when it passed).
std::vector<std::string> RunCase(const Case& c, const Paths& paths) {
    std::vector<std::string> failures;
    fs::path caseDir = paths.work / fs::path(c.name).stem();
    std::error_code ec;
    fs::remove_all(caseDir, ec);
    fs::create_directories(caseDir);
    caseDir = fs::absolute(caseDir);
    Substitution sub(caseDir, fs::absolute(paths.doubles));

    const Section* program = c.Find("program");
    if (program == nullptr || program->lines.empty()) return {"the case names no program"};

    for (const Section& s : c.sections) {
        if (s.kind == "dir") {
            fs::create_directories(fs::path(sub(s.parameter)));
        } else if (s.kind == "file" || s.kind == "file-noeol" || s.kind == "file-escaped") {
            // Escapes are read before substitution: the paths put in may
            // hold backslashes of their own.
            std::vector<std::string> lines = s.lines;
            if (s.kind == "file-escaped") {
                for (std::string& l : lines) l = Unescape(l);
            }
            lines = sub(lines);
            if (!WriteFile(fs::path(sub(s.parameter)), JoinLines(lines, s.kind == "file-noeol"))) {
                return {"cannot write " + sub(s.parameter)};
            }
        }
    }

    Launch launch;
    launch.program = (fs::absolute(paths.programs) / (program->lines[0] + ExecutableSuffix())).string();
    if (const Section* s = c.Find("args")) launch.arguments = sub(s->lines);
    launch.environment = Environment(c, sub, caseDir);
    launch.directory = caseDir.string();
    if (const Section* s = c.Find("cwd")) launch.directory = (caseDir / sub(s->lines.at(0))).string();
    launch.stdoutPath = (caseDir / "stdout.txt").string();
    launch.stderrPath = (caseDir / "stderr.txt").string();

    long long status = 0;
    std::string error;
    if (!RunProgram(launch, kTimeoutSeconds, &status, &error)) return {error};

    for (const Section& s : c.sections) {
        if (s.kind == "stdout" || s.kind == "stdout-noeol") {
            Compare("standard output", WithLineEnds(JoinLines(sub(s.lines), s.kind == "stdout-noeol")),
                    ReadFile(launch.stdoutPath), &failures);
        }
    }
    // The programs write nothing to standard error; a case names what a
    // child (the command interpreter, say) is expected to write there.
    const Section* err = c.Find("stderr");
    Compare("standard error", err ? JoinLines(sub(err->lines), false) : "", ReadFile(launch.stderrPath), &failures);

    if (const Section* s = c.Find("status")) {
        long long expected = std::stoll(s->lines.at(0));
        long long actual = status;
        if (ExitStatusIs8Bits()) {
            expected &= 0xFF;
        } else {
            expected &= 0xFFFFFFFFLL;
        }
        if (expected != actual) {
            failures.push_back("exit status " + std::to_string(actual) + ", expected " + std::to_string(expected));
        }
    } else {
        failures.push_back("the case gives no status");
    }

    for (const Section& s : c.sections) {
        if (s.kind != "files") continue;
        std::vector<std::string> present;
        for (const auto& entry : fs::directory_iterator(fs::path(sub(s.parameter)), ec)) {
            present.push_back(entry.path().filename().string());
        }
        std::vector<std::string> expected = sub(s.lines);
        std::sort(present.begin(), present.end());
        std::sort(expected.begin(), expected.end());
        Compare("files in " + s.parameter, JoinLines(expected, false), JoinLines(present, false), &failures);
    }

    const Section* java = c.Find("java");
    Compare("Java starts", java ? JoinLines(sub(java->lines), false) : "", ReadFile(caseDir / "java.log"), &failures);
    if (std::string(kPlatform) == "windows") {
        if (const Section* s = c.Find("cmdline")) {
            Compare("Java command lines", JoinLines(sub(s->lines), false),
                    ReadFile(caseDir / "java.cmdline"), &failures);
        }
    }

    if (failures.empty()) fs::remove_all(caseDir, ec);
    return failures;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: e2e_runner CASES_DIR PROGRAMS_DIR DOUBLES_DIR WORK_DIR [NAME_FILTER]\n");
        return 2;
    }
    Paths paths{argv[2], argv[3], argv[4]};
    std::string filter = argc > 5 ? argv[5] : "";

    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(argv[1])) {
        if (entry.path().extension() == ".case") files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());

    int passed = 0;
    int failed = 0;
    int skipped = 0;
    for (const fs::path& file : files) {
        Case c;
        c.name = file.filename().string();
        if (!filter.empty() && c.name.find(filter) == std::string::npos) continue;
        std::string error;
        std::vector<std::string> failures;
        if (!LoadCase(file.string(), &c, &error)) {
            failures.push_back(error);
        } else if (const Section* p = c.Find("platform"); p != nullptr && p->lines.at(0) != kPlatform) {
            ++skipped;
            continue;
        } else {
            failures = RunCase(c, paths);
        }
        if (failures.empty()) {
            ++passed;
            std::printf("ok    %s  %s\n", c.name.c_str(), c.title.c_str());
        } else {
            ++failed;
            std::printf("FAIL  %s  %s\n", c.name.c_str(), c.title.c_str());
            for (const std::string& f : failures) std::printf("%s\n", f.c_str());
        }
        std::fflush(stdout);
    }
    std::printf("%d passed, %d failed, %d skipped\n", passed, failed, skipped);
    return failed == 0 && passed > 0 ? 0 : 1;
}
