#include "tests/e2e/process.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Whether the file of a stop holds a whole line yet.
bool StopFileReady(const std::string& path) {
    if (path.empty()) return false;
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return text.find('\n') != std::string::npos;
}

}  // namespace

#ifdef _WIN32

#define PSAPI_VERSION 2
#include <windows.h>
// windows.h first: the process status header builds on it.
#include <psapi.h>

#include "platform/cmdline.h"

extern char** _environ;

std::vector<std::string> OwnEnvironment() {
    std::vector<std::string> env;
    for (char** e = _environ; *e != nullptr; ++e) env.push_back(*e);
    return env;
}

static HANDLE OpenForChild(const std::string& path) {
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

namespace {

struct Started {
    PROCESS_INFORMATION info = {};
    bool running = false;
};

// Creates the process suspended; false with a reason when it cannot be.
bool Create(const Launch& launch, Started* started, std::string* error) {
    if (!launch.wrapper.empty() || launch.removeDirectory) {
        *error = "a wrapper or a removed directory is not supported on Windows";
        return false;
    }
    // The command line that the C runtime splits back into exactly these
    // arguments.
    std::string line = cmdline::QuoteArgument(launch.program);
    for (const std::string& a : launch.arguments) {
        line += ' ';
        line += (a.empty() || cmdline::NeedsQuoting(a)) ? cmdline::QuoteArgument(a) : a;
    }
    std::string block;
    for (const std::string& e : launch.environment) {
        block += e;
        block += '\0';
    }
    block += '\0';

    HANDLE out = OpenForChild(launch.stdoutPath);
    HANDLE err = OpenForChild(launch.stderrPath);
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE in = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = in;
    si.hStdOutput = out;
    si.hStdError = err;
    std::vector<char> mutableLine(line.begin(), line.end());
    mutableLine.push_back('\0');
    DWORD flags = CREATE_SUSPENDED | (launch.ownConsole ? CREATE_NO_WINDOW : 0);
    BOOL created = CreateProcessA(launch.program.c_str(), mutableLine.data(), nullptr, nullptr, TRUE, flags,
                                  block.data(), launch.directory.c_str(), &si, &started->info);
    CloseHandle(out);
    CloseHandle(err);
    CloseHandle(in);
    if (!created) {
        *error = "cannot start " + launch.program + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    started->running = true;
    return true;
}

void Close(Started* s) {
    CloseHandle(s->info.hProcess);
    CloseHandle(s->info.hThread);
}

}  // namespace

bool RunTogether(const std::vector<Launch>& launches, int timeoutSeconds, std::vector<Outcome>* outcomes,
                 std::string* error) {
    std::vector<Started> started(launches.size());
    for (std::size_t i = 0; i < launches.size(); ++i) {
        if (!Create(launches[i], &started[i], error)) {
            for (std::size_t j = 0; j < i; ++j) {
                TerminateProcess(started[j].info.hProcess, 1);
                Close(&started[j]);
            }
            return false;
        }
    }
    const auto start = std::chrono::steady_clock::now();
    for (Started& s : started) ResumeThread(s.info.hThread);

    outcomes->assign(launches.size(), Outcome());
    // The peak memory is sampled while the programs run as well: Wine knows
    // it only of a process that still exists.
    auto sample = [](Started& s, Outcome& o) {
        PROCESS_MEMORY_COUNTERS memory = {};
        memory.cb = sizeof memory;
        if (GetProcessMemoryInfo(s.info.hProcess, &memory, sizeof memory) && memory.PeakWorkingSetSize != 0) {
            o.peakKilobytes = std::max(o.peakKilobytes, static_cast<long long>(memory.PeakWorkingSetSize / 1024));
        }
    };
    std::size_t left = started.size();
    bool allEnded = true;
    while (left > 0) {
        for (std::size_t i = 0; i < started.size(); ++i) {
            Started& s = started[i];
            if (!s.running) continue;
            Outcome& o = (*outcomes)[i];
            if (!o.stopped && StopFileReady(launches[i].stopFile)) {
                TerminateProcess(s.info.hProcess, 1);
                o.stopped = true;
            }
            sample(s, o);
            if (WaitForSingleObject(s.info.hProcess, 0) != WAIT_OBJECT_0) continue;
            s.running = false;
            --left;
            o.seconds = SecondsSince(start);
            sample(s, o);
            DWORD code = 0;
            GetExitCodeProcess(s.info.hProcess, &code);
            o.status = static_cast<long long>(code);
        }
        if (left == 0) break;
        if (SecondsSince(start) > timeoutSeconds) {
            allEnded = false;
            break;
        }
        Sleep(5);
    }
    for (Started& s : started) {
        if (s.running) {
            TerminateProcess(s.info.hProcess, 1);
            WaitForSingleObject(s.info.hProcess, INFINITE);
        }
        Close(&s);
    }
    if (!allEnded) *error = "did not end within " + std::to_string(timeoutSeconds) + " s";
    return allEnded;
}

LockedFile::~LockedFile() {
    if (handle_ != nullptr) CloseHandle(static_cast<HANDLE>(handle_));
}

bool LockedFile::Lock(const std::string& path) {
    // No sharing: every other open fails while this handle lives.
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    handle_ = h;
    return true;
}

int StopSignal(const std::string& how) { return how == "terminate" ? 0 : -1; }

bool ProcessGone(unsigned long id, int waitMilliseconds) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(id));
    if (process == nullptr) return true;  // no such process any more
    bool ended = WaitForSingleObject(process, static_cast<DWORD>(waitMilliseconds)) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

void EndProcess(unsigned long id) {
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, static_cast<DWORD>(id));
    if (process == nullptr) return;
    TerminateProcess(process, 1);
    WaitForSingleObject(process, 5000);
    CloseHandle(process);
}

bool ExitStatusIs8Bits() { return false; }
const char* ExecutableSuffix() { return ".exe"; }

std::string MakePrivateFolder(std::string* error) {
    char temp[MAX_PATH + 1];
    const DWORD length = GetTempPathA(sizeof temp, temp);
    if (length == 0 || length > MAX_PATH) {
        *error = "no temporary folder";
        return "";
    }
    // The process id and a count make the name fresh; CreateDirectory
    // refuses one that exists. Only the user's own profile holds it.
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[64];
        std::snprintf(name, sizeof name, "vy-e2e.%08lx%04x", static_cast<unsigned long>(GetCurrentProcessId()),
                      (counter++ + static_cast<unsigned>(GetTickCount())) & 0xFFFF);
        const std::string path = std::string(temp) + name;
        if (CreateDirectoryA(path.c_str(), nullptr)) return path;
        if (GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    *error = "cannot make a folder in " + std::string(temp);
    return "";
}

bool LinkFolder(const std::string& target, const std::string& name) {
    std::error_code ec;
    std::filesystem::copy(target, name, std::filesystem::copy_options::recursive, ec);
    return !ec;
}

bool UnderWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

#else

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

std::vector<std::string> OwnEnvironment() {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) env.push_back(*e);
    return env;
}

static std::vector<char*> Pointers(const std::vector<std::string>& texts) {
    std::vector<char*> p;
    for (const std::string& t : texts) p.push_back(const_cast<char*>(t.c_str()));
    p.push_back(nullptr);
    return p;
}

// The child's side: its own process group, its files and directory, then
// the gate, then the program. Never returns.
[[noreturn]] static void BecomeProgram(const Launch& launch, int gate) {
    setpgid(0, 0);
    std::vector<std::string> args = launch.wrapper;
    args.push_back(launch.program);
    args.insert(args.end(), launch.arguments.begin(), launch.arguments.end());
    std::vector<char*> argv = Pointers(args);
    std::vector<char*> envp = Pointers(launch.environment);

    int in = open("/dev/null", O_RDONLY);
    int out = open(launch.stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = open(launch.stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || err < 0 || chdir(launch.directory.c_str()) != 0) _exit(126);
    if (launch.removeDirectory && rmdir(launch.directory.c_str()) != 0) _exit(126);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    // The gate opens when the runner closes its end: every program exists.
    char c;
    while (read(gate, &c, 1) < 0 && errno == EINTR) {
    }
    close(gate);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
}

bool RunTogether(const std::vector<Launch>& launches, int timeoutSeconds, std::vector<Outcome>* outcomes,
                 std::string* error) {
    int gate[2];
    if (pipe(gate) != 0) {
        *error = "no pipe for the gate";
        return false;
    }
    std::vector<pid_t> pids;
    bool forked = true;
    for (const Launch& launch : launches) {
        pid_t pid = fork();
        if (pid < 0) {
            forked = false;
            break;
        }
        if (pid == 0) {
            close(gate[1]);
            BecomeProgram(launch, gate[0]);
        }
        setpgid(pid, pid);  // as the child does: whichever comes first
        pids.push_back(pid);
    }
    close(gate[0]);
    close(gate[1]);
    const auto start = std::chrono::steady_clock::now();

    outcomes->assign(launches.size(), Outcome());
    std::vector<bool> ended(pids.size(), false);
    std::size_t left = pids.size();
    bool timedOut = false;
    while (forked && left > 0) {
        for (std::size_t i = 0; i < pids.size(); ++i) {
            if (ended[i]) continue;
            Outcome& stop = (*outcomes)[i];
            if (!stop.stopped && StopFileReady(launches[i].stopFile)) {
                kill(pids[i], StopSignal(launches[i].stopHow));
                stop.stopped = true;
            }
            int status = 0;
            struct rusage usage;
            if (wait4(pids[i], &status, WNOHANG, &usage) != pids[i]) continue;
            ended[i] = true;
            --left;
            Outcome& o = (*outcomes)[i];
            o.seconds = SecondsSince(start);
            o.peakKilobytes = usage.ru_maxrss;  // kilobytes on Linux
            if (WIFEXITED(status)) {
                o.status = WEXITSTATUS(status);
            } else if (WIFSIGNALED(status)) {
                o.signal = WTERMSIG(status);
                o.status = 128 + o.signal;
            }
        }
        if (left == 0) break;
        if (SecondsSince(start) > timeoutSeconds) {
            timedOut = true;
            break;
        }
        struct timespec pause = {0, 5 * 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
    // Whatever still runs is ended with its whole process group.
    for (std::size_t i = 0; i < pids.size(); ++i) {
        if (ended[i]) continue;
        kill(-pids[i], SIGKILL);
        waitpid(pids[i], nullptr, 0);
    }
    if (!forked) {
        *error = "fork failed";
    } else if (timedOut) {
        *error = "did not end within " + std::to_string(timeoutSeconds) + " s";
    }
    return forked && !timedOut;
}

LockedFile::~LockedFile() {}

// Advisory locks do not keep a reader out: POSIX has no such lock.
std::string MakePrivateFolder(std::string* error) {
    char pattern[] = "/tmp/vy-e2e.XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        *error = std::string("cannot make a folder in /tmp: ") + std::strerror(errno);
        return "";
    }
    return pattern;
}

bool LinkFolder(const std::string& target, const std::string& name) {
    return symlink(target.c_str(), name.c_str()) == 0;
}

bool LockedFile::Lock(const std::string&) {
    handle_ = nullptr;
    return false;
}

int StopSignal(const std::string& how) {
    if (how == "TERM") return SIGTERM;
    if (how == "HUP") return SIGHUP;
    if (how == "INT") return SIGINT;
    if (how == "QUIT") return SIGQUIT;
    return -1;
}

// A zombie has ended: its parent has not yet taken its status.
static bool IsZombie(unsigned long id) {
    std::ifstream stat("/proc/" + std::to_string(id) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return false;
    std::size_t close = line.rfind(')');  // the name may hold blanks and brackets
    return close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'Z';
}

bool ProcessGone(unsigned long id, int waitMilliseconds) {
    for (int waited = 0;; waited += 20) {
        if ((kill(static_cast<pid_t>(id), 0) != 0 && errno == ESRCH) || IsZombie(id)) return true;
        if (waited >= waitMilliseconds) return false;
        struct timespec pause = {0, 20 * 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
}

void EndProcess(unsigned long id) {
    if (!ProcessGone(id, 0)) kill(static_cast<pid_t>(id), SIGKILL);
}

bool ExitStatusIs8Bits() { return true; }
const char* ExecutableSuffix() { return ""; }
bool UnderWine() { return false; }

#endif
