// Runs end-to-end cases and compares what the program did with what each
// case expects. Usage:
//   e2e_runner CASES PROGRAMS_DIR DOUBLES_DIR WORK_DIR [NAME_FILTER]
// CASES is one case file (CTest runs each as a test of its own) or a folder
// whose *.case files run one after the other; NAME_FILTER keeps those whose
// name holds it. Each case runs in its own folder WORK_DIR/<case name>.
// The status is 0 when every case run passed, 77 when the one case given is
// not for this platform or not for the emulator it runs under (skipped), 1
// otherwise.
// When VY_E2E_WRAPPER is set, its words (blank-separated) are run in front
// of every program under test, such as a memory checker; the test doubles
// run as they are. The time and memory limits of the cases are not checked
// then, and a case may take up to ten minutes.
// When VY_E2E_EMULATOR is set, the programs run under that emulator of
// another machine (qemu-user): a case with a "skip-under" section for it is
// skipped with the reason given there. VY_E2E_SLOWDOWN, a whole number,
// multiplies every case's time limit and the time a program may take
// before it is ended (an emulated program runs slower).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
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
// The status of a run whose one case is not for this platform (CTest's
// SKIP_RETURN_CODE).
constexpr int kSkippedStatus = 77;
constexpr int kWrappedTimeoutSeconds = 600;

// The factor of VY_E2E_SLOWDOWN on the time limits: 1 without it.
int Slowdown() {
    const char* text = std::getenv("VY_E2E_SLOWDOWN");
    const int factor = text != nullptr ? std::atoi(text) : 0;
    return factor > 0 ? factor : 1;
}

// The exit status of a child that the user's interrupt ("int": SIGINT,
// Ctrl-C) or quit key ("quit": SIGQUIT, Ctrl-Break) ended: 128+N on POSIX;
// STATUS_CONTROL_C_EXIT on Windows, where Wine gives 0 instead.
std::string InterruptedStatus(bool quit) {
#ifdef _WIN32
    (void)quit;
    return UnderWine() ? "0" : "3221225786";
#else
    return quit ? "131" : "130";
#endif
}

struct Paths {
    fs::path programs;
    fs::path doubles;
    fs::path work;
    std::vector<std::string> wrapper;
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
        std::string s = LongNames(line);
        s = ReplaceAll(s, "{case}", caseDir_);
        s = ReplaceAll(s, "{doubles}", doubles_);
        s = ReplaceAll(s, "{/}", kPathSeparator);
        s = ReplaceAll(s, "{;}", kListSeparator);
        s = ReplaceAll(s, "{drivers}", kDrivers);
        s = ReplaceAll(s, "{interrupted}", InterruptedStatus(false));
        s = ReplaceAll(s, "{quit}", InterruptedStatus(true));
        return Repeat(s);
    }

    std::vector<std::string> operator()(const std::vector<std::string>& lines) const {
        std::vector<std::string> out;
        for (const std::string& l : lines) out.push_back((*this)(l));
        return out;
    }

private:
    // "{longN}": a folder name of x's that makes "{case}{/}{longN}" exactly
    // N characters long.
    std::string LongNames(std::string line) const {
        std::size_t pos;
        while ((pos = line.find("{long")) != std::string::npos) {
            std::size_t close = line.find('}', pos);
            std::string digits = close == std::string::npos ? "" : line.substr(pos + 5, close - pos - 5);
            if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) break;
            std::size_t total = std::stoul(digits);
            std::size_t length = total > caseDir_.size() + 1 ? total - caseDir_.size() - 1 : 1;
            line.replace(pos, close + 1 - pos, std::string(length, 'x'));
        }
        return line;
    }

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

// One run of a case's program: the sections of its own, looked up before
// those that all runs share (the sections before the first "run").
struct PlannedRun {
    std::vector<const Section*> own;
    std::vector<const Section*> shared;
    int copies = 1;

    const Section* Find(const std::string& kind) const {
        for (const Section* s : own) {
            if (s->kind == kind) return s;
        }
        for (const Section* s : shared) {
            if (s->kind == kind) return s;
        }
        return nullptr;
    }
};

std::vector<PlannedRun> SplitRuns(const Case& c, std::vector<const Section*>* shared, std::string* error) {
    std::vector<PlannedRun> runs;
    for (const Section& s : c.sections) {
        if (s.kind == "run") {
            PlannedRun r;
            r.copies = std::atoi(s.parameter.c_str());
            if (r.copies < 1) *error = "a run needs a count of at least 1";
            runs.push_back(r);
        } else if (runs.empty()) {
            shared->push_back(&s);
        } else {
            runs.back().own.push_back(&s);
        }
    }
    if (runs.empty()) runs.push_back(PlannedRun());
    for (PlannedRun& r : runs) r.shared = *shared;
    return runs;
}

// The environment of the program under test: the runner's own, without the
// variables that the programs read or the test doubles obey, and with a
// known PATH; then the case's shared settings and the run's own.
std::vector<std::string> Environment(const PlannedRun& run, const Substitution& sub, const std::string& javaLog,
                                     const std::string& javaCmdLog) {
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
                    upper.rfind("FAKEJAVA_", 0) == 0 || upper.rfind("FAKELANECTL_", 0) == 0 ||
                    upper.rfind("VY_E2E_", 0) == 0;
        it = drop ? env.erase(it) : std::next(it);
    }
#ifdef _WIN32
    env["PATH"] = "C:\\windows\\system32;C:\\windows";
#else
    env["PATH"] = "/usr/bin:/bin";
#endif
    env["FAKEJAVA_LOG"] = javaLog;
    env["FAKEJAVA_CMDLOG"] = javaCmdLog;
    std::vector<const Section*> settings;
    for (const Section* s : run.shared) {
        if (s->kind == "env") settings.push_back(s);
    }
    for (const Section* s : run.own) {
        if (s->kind == "env") settings.push_back(s);
    }
    for (const Section* s : settings) {
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

// Writes the files and folders of the case. False, with a reason, when one
// cannot be written.
bool Prepare(const std::vector<const Section*>& sections, const Substitution& sub, std::string* error) {
    for (const Section* s : sections) {
        if (s->kind == "dir") {
            fs::create_directories(fs::path(sub(s->parameter)));
        } else if (s->kind == "file" || s->kind == "file-noeol" || s->kind == "file-escaped") {
            // Escapes are read before substitution: the paths put in may
            // hold backslashes of their own.
            std::vector<std::string> lines = s->lines;
            if (s->kind == "file-escaped") {
                for (std::string& l : lines) l = Unescape(l);
            }
            lines = sub(lines);
            if (!WriteFile(fs::path(sub(s->parameter)), JoinLines(lines, s->kind == "file-noeol"))) {
                *error = "cannot write " + sub(s->parameter);
                return false;
            }
        } else if (s->kind == "repeat") {
            // "repeat N PATH": the lines, escapes read, N times at the end of
            // the file.
            std::size_t blank = s->parameter.find(' ');
            long long count = std::atoll(s->parameter.substr(0, blank).c_str());
            fs::path path(sub(blank == std::string::npos ? "" : s->parameter.substr(blank + 1)));
            std::vector<std::string> lines = s->lines;
            for (std::string& l : lines) l = Unescape(l);
            const std::string chunk = JoinLines(sub(lines), false);
            fs::create_directories(path.parent_path());
            std::ofstream out(path, std::ios::binary | std::ios::app);
            for (long long i = 0; i < count && out; ++i) out << chunk;
            if (count < 1 || !out) {
                *error = "cannot write " + path.string() + " " + s->parameter.substr(0, blank) + " times";
                return false;
            }
        }
    }
    return true;
}

// Where each copy of each run leaves what it did.
struct Copy {
    const PlannedRun* run;
    std::string label;  // "run.copy" when the case starts more than one program
    Launch launch;
    std::string javaLog;
    std::string javaCmdLog;
};

// Compares one copy's run with what its run expects.
void Check(const Copy& copy, const Outcome& outcome, const Substitution& sub, bool wrapped,
           std::vector<std::string>* failures) {
    const PlannedRun& run = *copy.run;
    std::vector<std::string> found;
    for (const std::string& kind : {std::string("stdout"), std::string("stdout-noeol")}) {
        if (const Section* s = run.Find(kind)) {
            Compare("standard output", WithLineEnds(JoinLines(sub(s->lines), kind == "stdout-noeol")),
                    ReadFile(copy.launch.stdoutPath), &found);
        }
    }
    // The programs write nothing to standard error; a case names what a
    // child (the command interpreter, say) is expected to write there.
    const Section* err = run.Find("stderr");
    Compare("standard error", err ? JoinLines(sub(err->lines), false) : "", ReadFile(copy.launch.stderrPath), &found);

    // A launcher never dies of a signal, not even of an interrupt meant for
    // its child; one that is stopped from outside dies of the signal it was
    // sent, and leaves no child behind.
    const Section* stop = run.Find("stop");
    const int expectedSignal = stop != nullptr ? StopSignal(stop->parameter) : 0;
    if (stop != nullptr && !outcome.stopped) found.push_back("the program ended before it could be stopped");
    if (outcome.signal != expectedSignal) {
        found.push_back("the program was ended by signal " + std::to_string(outcome.signal) + ", expected " +
                        std::to_string(expectedSignal));
    }
    // A process that the child left running on purpose outlives a launcher
    // that ends normally; it is ended here.
    if (const Section* left = run.Find("left")) {
        const unsigned long id = std::strtoul(ReadFile(sub(left->lines.at(0))).c_str(), nullptr, 10);
        if (id == 0) {
            found.push_back("the child left no process running");
        } else if (ProcessGone(id, 0)) {
            found.push_back("what the child left running (" + std::to_string(id) + ") ended with the launcher");
        } else {
            EndProcess(id);
        }
    }
    if (stop != nullptr && outcome.stopped) {
        const unsigned long child = std::strtoul(ReadFile(copy.launch.stopFile).c_str(), nullptr, 10);
        if (child == 0 || !ProcessGone(child, 5000)) {
            found.push_back("the child " + std::to_string(child) + " still runs after its launcher was stopped");
        }
    }
    if (const Section* s = run.Find("status")) {
        long long expected = std::stoll(sub(s->lines.at(0)));
        long long actual = outcome.status;
        if (ExitStatusIs8Bits()) {
            expected &= 0xFF;
        } else {
            expected &= 0xFFFFFFFFLL;
        }
        if (expected != actual) {
            found.push_back("exit status " + std::to_string(actual) + ", expected " + std::to_string(expected));
        }
    } else {
        found.push_back("the case gives no status");
    }

    const Section* java = run.Find("java");
    Compare("Java starts", java ? JoinLines(sub(java->lines), false) : "", ReadFile(copy.javaLog), &found);
    if (std::string(kPlatform) == "windows") {
        if (const Section* s = run.Find("cmdline")) {
            Compare("Java command lines", JoinLines(sub(s->lines), false), ReadFile(copy.javaCmdLog), &found);
        }
    }

    // Limits hold for the program as it is; under a wrapper they are not
    // checked.
    if (!wrapped) {
        if (const Section* s = run.Find("seconds")) {
            double limit = std::atof(s->lines.at(0).c_str()) * Slowdown();
            if (outcome.seconds > limit) {
                found.push_back("took " + std::to_string(outcome.seconds) + " s, more than " + s->lines.at(0) +
                                (Slowdown() > 1 ? " x " + std::to_string(Slowdown()) : ""));
            }
        }
        if (const Section* s = run.Find("megabytes")) {
            long long limit = std::atoll(s->lines.at(0).c_str()) * 1024;
            if (outcome.peakKilobytes > limit) {
                found.push_back("held " + std::to_string(outcome.peakKilobytes) + " KB at once, more than " +
                                s->lines.at(0) + " MB");
            }
        }
    }
    for (const std::string& f : found) failures->push_back(copy.label.empty() ? f : "run " + copy.label + ": " + f);
}

// Removes a folder and everything in it. Under Wine the console that a
// case's program was given may hold its output files for a moment after the
// program ended, so a removal that fails is tried again for up to 5 seconds.
void RemoveFolder(const fs::path& folder) {
    std::error_code ec;
    for (int attempt = 0; attempt < 50; ++attempt) {
        fs::remove_all(folder, ec);
        if (!fs::exists(folder, ec)) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

// The case's own folder under the work folder: where a failed case is left
// for a look.
fs::path CaseFolder(const Case& c, const Paths& paths) { return paths.work / fs::path(c.name).stem(); }

// Why a "{longN}" of the case cannot be made in that case folder (N must
// exceed the folder's own length and its separator); empty when all can.
std::string LongNameError(const Case& c, const fs::path& caseDir) {
    const std::size_t own = caseDir.string().size() + 1;
    auto check = [&](const std::string& text) -> std::string {
        for (std::size_t pos = text.find("{long"); pos != std::string::npos; pos = text.find("{long", pos + 1)) {
            const std::size_t close = text.find('}', pos);
            const std::string digits = close == std::string::npos ? "" : text.substr(pos + 5, close - pos - 5);
            if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos) {
                continue;
            }
            if (std::stoul(digits) <= own) {
                return "{long" + digits + "} cannot be made: the case folder " + caseDir.string() + " has " +
                       std::to_string(own - 1) + " characters already";
            }
        }
        return "";
    };
    for (const Section& s : c.sections) {
        std::string why = check(s.parameter);
        for (const std::string& line : s.lines) {
            if (why.empty()) why = check(line);
        }
        if (!why.empty()) return why;
    }
    return "";
}

std::vector<std::string> RunIn(const Case& c, const Paths& paths, const fs::path& caseDir, const fs::path& doubles);

// Runs one case; returns its failures (none when it passed). The case runs
// in a fresh private folder whose path is as long wherever the build is (a
// checkout's path decides no case): {case} is a folder in it, {doubles} a
// link to (or, on Windows, a copy of) the test doubles beside it. A failed
// case's folder is moved to the work folder.
std::vector<std::string> RunCase(const Case& c, const Paths& paths) {
    RemoveFolder(CaseFolder(c, paths));
    std::string error;
    const std::string base = MakePrivateFolder(&error);
    if (base.empty()) return {error};
    const fs::path caseDir = fs::path(base) / fs::path(c.name).stem();
    const fs::path doubles = fs::path(base) / "doubles";
    std::vector<std::string> failures;
    std::error_code ec;
    fs::create_directories(caseDir, ec);
    if (ec || !LinkFolder(fs::absolute(paths.doubles).string(), doubles.string())) {
        failures.push_back("cannot prepare the case's folder in " + base);
    } else {
        failures = RunIn(c, paths, caseDir, doubles);
    }
    if (!failures.empty()) {
        const fs::path kept = CaseFolder(c, paths);
        fs::create_directories(kept.parent_path(), ec);
        fs::rename(caseDir, kept, ec);
        if (ec) {
            ec.clear();
            fs::copy(caseDir, kept, fs::copy_options::recursive, ec);
        }
        failures.push_back("(" + caseDir.string() + " is kept as " + kept.string() + ")");
    }
    RemoveFolder(base);
    return failures;
}

std::vector<std::string> RunIn(const Case& c, const Paths& paths, const fs::path& caseDir, const fs::path& doubles) {
    std::vector<std::string> failures;
    std::error_code ec;
    if (std::string why = LongNameError(c, caseDir); !why.empty()) return {why};
    Substitution sub(caseDir, doubles);

    std::vector<const Section*> shared;
    std::string error;
    std::vector<PlannedRun> runs = SplitRuns(c, &shared, &error);
    if (!error.empty()) return {error};
    if (!Prepare(shared, sub, &error)) return {error};

    int total = 0;
    for (const PlannedRun& r : runs) total += r.copies;
    std::vector<Copy> copies;
    for (std::size_t r = 0; r < runs.size(); ++r) {
        const PlannedRun& run = runs[r];
        const Section* program = run.Find("program");
        if (program == nullptr || program->lines.empty()) return {"the case names no program"};
        for (int k = 1; k <= run.copies; ++k) {
            Copy copy;
            copy.run = &run;
            std::string suffix;
            if (total > 1) {
                copy.label = std::to_string(r + 1) + "." + std::to_string(k);
                suffix = "-" + std::to_string(r + 1) + "-" + std::to_string(k);
            }
            copy.javaLog = (caseDir / ("java" + suffix + ".log")).string();
            copy.javaCmdLog = (caseDir / ("java" + suffix + ".cmdline")).string();
            Launch& launch = copy.launch;
            launch.program = (fs::absolute(paths.programs) / (program->lines[0] + ExecutableSuffix())).string();
            launch.wrapper = paths.wrapper;
            if (const Section* s = run.Find("args")) launch.arguments = sub(s->lines);
            launch.environment = Environment(run, sub, copy.javaLog, copy.javaCmdLog);
            launch.directory = caseDir.string();
            if (const Section* s = run.Find("cwd")) {
                // Joined as text, so that a name reaches the program byte for
                // byte: a path object would encode it anew on Windows.
                const std::string cwd = sub(s->lines.at(0));
                launch.directory = fs::path(cwd).is_absolute() ? cwd : caseDir.string() + kPathSeparator + cwd;
                launch.removeDirectory = s->parameter == "removed";
            }
            launch.ownConsole = run.Find("console") != nullptr;
            launch.stdoutPath = (caseDir / ("stdout" + suffix + ".txt")).string();
            launch.stderrPath = (caseDir / ("stderr" + suffix + ".txt")).string();
            if (const Section* s = run.Find("stop")) {
                if (StopSignal(s->parameter) < 0 || s->lines.size() != 1) {
                    return {"stop: \"" + s->parameter + "\" is no way to stop a program here, or no file is named"};
                }
                launch.stopHow = s->parameter;
                launch.stopFile = sub(s->lines[0]);
            }
            copies.push_back(copy);
        }
    }

    // Files that no other process may open while the programs run.
    std::vector<std::unique_ptr<LockedFile>> locks;
    for (const Section* s : shared) {
        if (s->kind != "locked") continue;
        locks.push_back(std::make_unique<LockedFile>());
        if (!locks.back()->Lock(sub(s->parameter))) return {"cannot lock " + sub(s->parameter)};
    }

    std::vector<Launch> launches;
    for (const Copy& copy : copies) launches.push_back(copy.launch);
    std::vector<Outcome> outcomes;
    const int timeout = paths.wrapper.empty() ? kTimeoutSeconds * Slowdown() : kWrappedTimeoutSeconds;
    if (!RunTogether(launches, timeout, &outcomes, &error)) {
        // What a program that could not start left on its standard error.
        for (const Copy& copy : copies) {
            const std::string err = ReadFile(copy.launch.stderrPath);
            if (!err.empty()) error += "\n--- standard error of " + copy.launch.program + "\n" + Visible(err);
        }
        return {error};
    }
    locks.clear();

    for (std::size_t i = 0; i < copies.size(); ++i) Check(copies[i], outcomes[i], sub, !paths.wrapper.empty(), &failures);

    for (const Section* s : shared) {
        if (s->kind != "files") continue;
        std::vector<std::string> present;
        for (const auto& entry : fs::directory_iterator(fs::path(sub(s->parameter)), ec)) {
            present.push_back(entry.path().filename().string());
        }
        std::vector<std::string> expected = sub(s->lines);
        std::sort(present.begin(), present.end());
        std::sort(expected.begin(), expected.end());
        Compare("files in " + s->parameter, JoinLines(expected, false), JoinLines(present, false), &failures);
    }

    return failures;
}

// The reason a case gives for not running under the emulator of
// VY_E2E_EMULATOR, or null where it runs there (or under none).
const std::string* SkipUnderEmulator(const Case& c) {
    const char* emulator = std::getenv("VY_E2E_EMULATOR");
    if (emulator == nullptr || *emulator == '\0') return nullptr;
    for (const Section& s : c.sections) {
        if (s.kind == "skip-under" && s.parameter == emulator) return &s.lines.front();
    }
    return nullptr;
}

// The words of VY_E2E_WRAPPER; the first is looked up in PATH when it
// names no folder.
std::vector<std::string> Wrapper() {
    std::vector<std::string> words;
    const char* text = std::getenv("VY_E2E_WRAPPER");
    if (text == nullptr) return words;
    std::istringstream in(text);
    for (std::string w; in >> w;) words.push_back(w);
    if (!words.empty() && words[0].find('/') == std::string::npos) {
        const char* path = std::getenv("PATH");
        std::istringstream dirs(path != nullptr ? path : "");
        for (std::string dir; std::getline(dirs, dir, ':');) {
            fs::path candidate = fs::path(dir) / words[0];
            if (!dir.empty() && fs::exists(candidate)) {
                words[0] = candidate.string();
                break;
            }
        }
    }
    return words;
}

// Wine now and then fails to start a process (CreateProcess ends with
// error 1359 when the new process dies while it is being set up), so a case
// that failed under Wine runs once more. The first run's folder is kept and
// its failure added to the report; returns the failures of both runs, or
// none when the second passed.
std::vector<std::string> RunAgain(const Case& c, const Paths& paths, const std::vector<std::string>& first,
                                  std::string* report) {
    const fs::path kept = CaseFolder(c, paths).string() + ".first-run";
    std::error_code ec;
    RemoveFolder(kept);
    fs::rename(CaseFolder(c, paths), kept, ec);
    std::string text = "RERUN " + c.name + "  " + c.title + "\nthe first run (kept in " + kept.string() + "):\n";
    for (const std::string& f : first) text += f + "\n";
    *report += text;
    // Kept with the folder: a test that passes leaves no output behind.
    std::ofstream(kept / "first-run.txt", std::ios::binary) << text;

    std::vector<std::string> second = RunCase(c, paths);
    // The test command lists the cases whose first-run.txt ends so.
    if (second.empty()) {
        std::ofstream(kept / "first-run.txt", std::ios::binary | std::ios::app) << "passed on its second run\n";
        return {};
    }
    std::vector<std::string> both = {"the first run:"};
    both.insert(both.end(), first.begin(), first.end());
    both.push_back("the second run:");
    both.insert(both.end(), second.begin(), second.end());
    return both;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: e2e_runner CASES PROGRAMS_DIR DOUBLES_DIR WORK_DIR [NAME_FILTER]\n");
        return 2;
    }
    Paths paths{argv[2], argv[3], argv[4], Wrapper()};
    std::string filter = argc > 5 ? argv[5] : "";

    std::vector<fs::path> files;
    const bool oneCase = !fs::is_directory(argv[1]);
    if (oneCase) {
        files.push_back(argv[1]);
    } else {
        for (const auto& entry : fs::directory_iterator(argv[1])) {
            if (entry.path().extension() == ".case") files.push_back(entry.path());
        }
        std::sort(files.begin(), files.end());
    }

    int passed = 0;
    int failed = 0;
    int skipped = 0;
    // Every failure again after the totals: a log kept only in part (its
    // head and tail) still shows what failed.
    std::string failureReport;
    std::string rerunReport;
    for (const fs::path& file : files) {
        Case c;
        c.name = file.filename().string();
        if (!filter.empty() && c.name.find(filter) == std::string::npos) continue;
        std::string error;
        std::vector<std::string> failures;
        bool rerun = false;
        if (!LoadCase(file.string(), &c, &error)) {
            failures.push_back(error);
        } else if (const Section* p = c.Find("platform"); p != nullptr && p->lines.at(0) != kPlatform) {
            ++skipped;
            std::printf("skip  %s  %s (%s only)\n", c.name.c_str(), c.title.c_str(), p->lines.at(0).c_str());
            continue;
        } else if (const std::string* reason = SkipUnderEmulator(c)) {
            ++skipped;
            std::printf("skip  %s  %s (not under %s: %s)\n", c.name.c_str(), c.title.c_str(),
                        std::getenv("VY_E2E_EMULATOR"), reason->c_str());
            continue;
        } else {
            failures = RunCase(c, paths);
            if (!failures.empty() && UnderWine()) {
                failures = RunAgain(c, paths, failures, &rerunReport);
                rerun = true;
            }
        }
        if (failures.empty()) {
            ++passed;
            std::printf("ok    %s  %s%s\n", c.name.c_str(), c.title.c_str(), rerun ? " (on its second run)" : "");
        } else {
            ++failed;
            std::string report = "FAIL  " + c.name + "  " + c.title + "\n";
            for (const std::string& f : failures) report += f + "\n";
            std::fputs(report.c_str(), stdout);
            failureReport += report;
        }
        std::fflush(stdout);
    }
    std::printf("%d passed, %d failed, %d skipped\n", passed, failed, skipped);
    if (!rerunReport.empty()) std::printf("\nCases run twice under Wine:\n%s", rerunReport.c_str());
    if (failed > 0) std::printf("\nThe failures again:\n%s", failureReport.c_str());
    if (oneCase && skipped == 1) return kSkippedStatus;
    return failed == 0 && passed > 0 ? 0 : 1;
}
