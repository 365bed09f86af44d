// InitParameter, the command line of the six programs that take switches.
//
// Input: the first byte picks the program type (1 to 6), the rest is the
// argument list after the program's name, split at zero bytes (an empty rest
// is no argument at all). Each run starts from InitGlobals.
//
// An independent model of the command-line rules (written from the rules,
// not from the parser) gives the exit code, the printed lines and every field
// the arguments set; the run must agree with it exactly. Beyond that: the
// code is 0 or one of 10, 11, 12, 15, 19, 20, 21; every text field of the
// invocation state is within its capacity and terminated at its size; the
// volume count is within 0 to 256; fields the parser never writes stay
// empty.
#include <cstdint>
#include <string>
#include <vector>

#include "core/launcher.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

const char* const kNames[] = {"vyTools", "vyRunJob", "vySeedHost", "vyProbeVol", "vyAwaitJob", "vyShowLuns",
                              "vyPingSrv"};

const char* const kUsage[] = {
    "",
    "vyRunJob [/v] /u username & /p password | /a securityfilepath /s primaryserver /b backupserver taskNames",
    "vySeedHost [/v] /u username & /p password | /a securityfilepath /d hostname /s primaryserver /b backupserver",
    "vyProbeVol [/v] /u username & /p password | /a securityfilepath /m /q volume|/f filename /s primaryserver /b "
    "backupserver",
    "vyAwaitJob [/v] /u username & /p password | /a securityfilepath /m minutes /t threshold /s primaryserver /b "
    "backupserver taskNames",
    "vyShowLuns",
    "vyPingSrv /s serverName",
};

// The longest value each field accepts (see docs/LIMITS.md).
constexpr std::size_t kCredential = 31;     // /u, /p, /t
constexpr std::size_t kSecurityPath = 1021;  // /a, passed on in double quotes
constexpr std::size_t kServer = 1015;        // /s, /b, passed on as -Server=<name>
constexpr std::size_t kHost = 1023;          // /d, also once quoted
constexpr std::size_t kVolume = 49;          // /q
constexpr std::size_t kVolumes = 256;
constexpr std::size_t kListFile = 2047;      // /f
constexpr std::size_t kMinutes = 111;        // /m of vyAwaitJob
constexpr std::size_t kTaskNames = 1023;     // all task names, a blank before each

// The length of a value in double quotes as the C runtime's rules need it: a
// quote inside takes a backslash, and every backslash right before a quote
// (or before the closing one) is doubled.
std::size_t QuotedLength(const std::string& value) {
    std::size_t length = 2;
    std::size_t run = 0;
    for (char c : value) {
        if (c == '\\') {
            ++run;
            continue;
        }
        length += c == '"' ? 2 * run + 2 : run + 1;
        run = 0;
    }
    return length + 2 * run;
}

bool NeedsQuotes(const std::string& value) { return value.find_first_of(" \t\"") != std::string::npos; }

// A value passed on unquoted reaches the class as one argument when it holds
// no double quote and exactly one run of characters other than blank and
// tab; where the probe receives it after "-Server=", nothing may come
// before that run either.
bool OneArgument(const std::string& value, bool probed) {
    if (value.find('"') != std::string::npos) return false;
    const std::size_t first = value.find_first_not_of(" \t");
    if (first == std::string::npos || (probed && first != 0)) return false;
    const std::size_t end = value.find_first_of(" \t", first);
    return end == std::string::npos || value.find_first_not_of(" \t", end) == std::string::npos;
}

struct Model {
    int type = 0;
    std::string out;
    int debug = 0, noSystemCommand = 0, verbose = 0, quiet = 0, map = 0;
    std::string user, password, securityFile, primary, backup, host, listFile, minutes, threshold, tasks;
    std::vector<std::string> volumes;

    std::string Name() const { return kNames[type]; }
    int WithUsage(const std::string& line, int code) {
        out += Name() + ": " + line + "\n";
        out += std::string("usage: ") + kUsage[type] + "\n";
        return code;
    }
    int TooLong(const std::string& option, std::size_t limit) {
        return WithUsage("The value of " + option + " is longer than " + std::to_string(limit) + " characters", 12);
    }
    int Conflict() { return WithUsage("Conflicting parameters", 15); }
    int NotOne(const std::string& option) {
        return WithUsage("The value of " + option + " would not reach the Java class as one argument", 11);
    }

    // The switches of each program that begin with "/".
    bool OwnSwitch(const std::string& a) const {
        static const std::vector<std::string> kSwitches[] = {
            {},
            {"/debug", "/noSystemCommand", "/v", "/u", "/p", "/a", "/s", "/b"},
            {"/debug", "/noSystemCommand", "/v", "/u", "/p", "/a", "/s", "/b", "/d"},
            {"/debug", "/noSystemCommand", "/v", "/u", "/p", "/a", "/s", "/b", "/q", "/m", "/f"},
            {"/debug", "/noSystemCommand", "/v", "/u", "/p", "/a", "/s", "/b", "/m", "/t"},
            {"/debug", "/noSystemCommand"},
            {"/debug", "/noSystemCommand", "/v", "/s"},
        };
        for (const std::string& s : kSwitches[type]) {
            if (a == s) return true;
        }
        return false;
    }

    int Run(const std::vector<std::string>& args) {
        const int n = static_cast<int>(args.size());
        if (n == 0 && type != 5) return WithUsage("No parameter(s) specified", 21);
        const bool taskProgram = type >= 1 && type <= 4;
        const bool takesVerbose = taskProgram || type == 6;
        const bool takesServer = taskProgram || type == 6;

        for (int i = 0; i < n; ++i) {
            const std::string a = args[i];
            // A switch's value: the next argument, which must be there and
            // must not be one of the program's own switches (on POSIX any
            // other value that begins with "/" may be an absolute path).
            auto value = [&](std::string* v) {
                const bool last = i + 1 == n;
                if (debug == 2) {
                    out += Name() + "\t" + (last ? std::string("(null)") : args[i + 1]) + "\t" +
                           std::to_string(i + 1) + "\t" + std::to_string(n) + "\n";
                }
                if (last) return WithUsage("Missing argument for " + a, 10);
                if (OwnSwitch(args[i + 1])) return WithUsage("Missing argument for " + a, 20);
                *v = args[++i];
                return 0;
            };
            auto task = [&]() {
                if (a[0] == '/') return WithUsage("Invalid parameter specified (" + a + ")", 19);
                if (tasks.size() + 1 + a.size() > kTaskNames) {
                    return WithUsage("The task names are longer than 1023 characters in all", 12);
                }
                tasks += " " + a;
                return 0;
            };
            std::string v;
            int r = 0;
            if (a == "/debug") {
                ++debug;
            } else if (a == "/noSystemCommand") {
                ++noSystemCommand;
            } else if (a == "/v" && takesVerbose) {
                ++verbose;
            } else if ((a == "/u" || a == "/p") && taskProgram) {
                if ((r = value(&v)) != 0) return r;
                if (v.size() > kCredential) return TooLong(a, kCredential);
                (a == "/u" ? user : password) = v;
                if (!securityFile.empty()) return Conflict();
            } else if (a == "/a" && taskProgram) {
                if ((r = value(&v)) != 0) return r;
                if (v.size() > kSecurityPath) return TooLong(a, kSecurityPath);
                securityFile = v;
                if (!user.empty() || !password.empty()) return Conflict();
            } else if ((a == "/s" && takesServer) || (a == "/b" && taskProgram)) {
                if ((r = value(&v)) != 0) return r;
                if (v.size() > kServer) return TooLong(a, kServer);
                (a == "/s" ? primary : backup) = v;
                if (!v.empty() && !OneArgument(v, true)) return NotOne(a);
            } else if (type == 1) {
                if ((r = task()) != 0) return r;
            } else if (type == 2) {
                if (a != "/d") return WithUsage("Invalid parameter specified (" + a + ")", 19);
                if ((r = value(&v)) != 0) return r;
                if (v.size() > kHost) return TooLong(a, kHost);
                host = v;
                if (NeedsQuotes(v) && QuotedLength(v) > kHost) {
                    return WithUsage("The value of /d is longer than 1023 characters once quoted", 12);
                }
            } else if (type == 3) {
                if (a == "/q") {
                    if ((r = value(&v)) != 0) return r;
                    if (volumes.size() >= kVolumes) return WithUsage("More than 256 volumes are given with /q", 12);
                    if (v.size() > kVolume) return TooLong(a, kVolume);
                    if (!v.empty() && !OneArgument(v, false)) return NotOne(a);
                    volumes.push_back(v);
                    if (!listFile.empty()) return Conflict();
                } else if (a == "/m") {
                    ++map;
                } else if (a == "/f") {
                    if ((r = value(&v)) != 0) return r;
                    if (v.size() > kListFile) return TooLong(a, kListFile);
                    listFile = v;
                    if (!volumes.empty()) return Conflict();
                } else {
                    return WithUsage("Invalid parameter specified (" + a + ")", 19);
                }
            } else if (type == 4) {
                if (a == "/m" || a == "/t") {
                    if ((r = value(&v)) != 0) return r;
                    const std::size_t limit = a == "/m" ? kMinutes : kCredential;
                    if (v.size() > limit) return TooLong(a, limit);
                    (a == "/m" ? minutes : threshold) = v;
                    if (!v.empty() && !OneArgument(v, false)) return NotOne(a);
                } else if ((r = task()) != 0) {
                    return r;
                }
            } else if ((type == 5 || type == 6) && a == "-z") {
                quiet = 1;
            } else {
                return WithUsage("Invalid parameter specified (" + a + ")", 19);
            }
        }

        if (type == 3) {
            for (const std::string& volume : volumes) {
                if (volume.empty()) return WithUsage("The value of /q is empty", 11);
            }
            // The class's command line: 255 entries before the end marker;
            // the fixed arguments, the class, -s and the server come first,
            // then -v, and -u, -p, -a with their values.
            const int used = 6 + (verbose ? 1 : 0) + (user.empty() ? 0 : 2) + (password.empty() ? 0 : 2) +
                             (securityFile.empty() ? 0 : 2);
            const int room = 255 - used;
            if (static_cast<int>(volumes.size()) > room) {
                out += Name() + ": More volumes than one Java command line can carry (at most " +
                       std::to_string(room) + " here)\n";
                return 12;
            }
        }
        if (debug) out += "- InitParameter done\n";
        return 0;
    }
};

template <std::size_t N>
void Same(const Text<N>& field, const std::string& expected, const char* name) {
    fuzz::CheckText(field, name);
    FUZZ_CHECK(field.view() == expected, "%s is \"%s\", the arguments say \"%s\"", name, field.c_str(),
               expected.c_str());
}

void SameCount(int actual, int expected, const char* name) {
    FUZZ_CHECK(actual == expected, "%s is %d, the arguments say %d", name, actual, expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const int type = 1 + data[0] % 6;

    std::vector<std::string> args;
    if (size > 1) {
        std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
        std::size_t start = 0;
        for (;;) {
            std::size_t zero = rest.find('\0', start);
            args.push_back(rest.substr(start, zero == std::string::npos ? std::string::npos : zero - start));
            if (zero == std::string::npos) break;
            start = zero + 1;
        }
    }
    std::vector<char*> argv;
    std::string program = kNames[type];
    argv.push_back(program.data());
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    fuzz::Capture capture;
    InitGlobals();
    g.programType = type;
    const int code = InitParameter(static_cast<int>(argv.size()) - 1, argv.data());
    const std::string out = capture.Text();

    Model m;
    m.type = type;
    const int expected = m.Run(args);

    FUZZ_CHECK(code == 0 || code == 10 || code == 11 || code == 12 || code == 15 || code == 19 || code == 20 || code == 21,
               "InitParameter returned %d, not a documented code", code);
    FUZZ_CHECK(code == expected, "%s: InitParameter returned %d, the rules say %d", kNames[type], code, expected);
    FUZZ_CHECK(out == m.out, "%s printed\n%s\nthe rules say\n%s", kNames[type], out.c_str(), m.out.c_str());

    SameCount(g.debug, m.debug, "debug");
    SameCount(g.noSystemCommand, m.noSystemCommand, "no-system-command");
    SameCount(g.verbose, m.verbose, "verbose");
    SameCount(g.quietFlag, m.quiet, "quiet flag");
    SameCount(g.mapFlag, m.map, "map flag");
    Same(g.userName, m.user, "user name");
    Same(g.password, m.password, "password");
    Same(g.securityFilePath, m.securityFile, "security file path");
    Same(g.primaryServer, m.primary, "primary server");
    Same(g.backupServer, m.backup, "backup server");
    Same(g.hostName, m.host, "host name");
    Same(g.volumeListFile, m.listFile, "volume list file");
    Same(g.minutes, m.minutes, "minutes");
    Same(g.threshold, m.threshold, "threshold");
    Same(g.taskNames, m.tasks, "task names");

    FUZZ_CHECK(g.volumeCount >= 0 && g.volumeCount <= kMaxVolumes, "volume count %d", g.volumeCount);
    SameCount(g.volumeCount, static_cast<int>(m.volumes.size()), "volume count");
    for (int i = 0; i < kMaxVolumes; ++i) {
        const std::string expectedName = i < g.volumeCount ? m.volumes[i] : std::string();
        Same(g.requestedVolumes[i], expectedName, "requested volume");
        Same(g.resolvedVolumes[i], "", "resolved volume");
    }
    // Nothing else is the parser's to write.
    Same(g.taskServer, "", "task server");
    Same(g.installPath, "", "install path");
    Same(g.securityLine, "", "security line");
    SameCount(g.programType, type, "program type");
    SameCount(g.argCount, 0, "argument count");
    return 0;
}
