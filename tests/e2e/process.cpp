#include "tests/e2e/process.h"

#ifdef _WIN32

#include <windows.h>

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

bool RunProgram(const Launch& launch, int timeoutSeconds, long long* status, std::string* error) {
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
    PROCESS_INFORMATION pi = {};
    std::vector<char> mutableLine(line.begin(), line.end());
    mutableLine.push_back('\0');
    BOOL started = CreateProcessA(launch.program.c_str(), mutableLine.data(), nullptr, nullptr, TRUE, 0,
                                  block.data(), launch.directory.c_str(), &si, &pi);
    CloseHandle(out);
    CloseHandle(err);
    CloseHandle(in);
    if (!started) {
        *error = "cannot start " + launch.program + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    bool ended = WaitForSingleObject(pi.hProcess, static_cast<DWORD>(timeoutSeconds) * 1000) == WAIT_OBJECT_0;
    if (!ended) {
        TerminateProcess(pi.hProcess, 1);
        WaitForSingleObject(pi.hProcess, INFINITE);
        *error = "did not end within " + std::to_string(timeoutSeconds) + " s";
    }
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    *status = static_cast<long long>(code);
    return ended;
}

bool ExitStatusIs8Bits() { return false; }
const char* ExecutableSuffix() { return ".exe"; }

#else

#include <fcntl.h>
#include <signal.h>
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

bool RunProgram(const Launch& launch, int timeoutSeconds, long long* status, std::string* error) {
    std::vector<std::string> args = {launch.program};
    args.insert(args.end(), launch.arguments.begin(), launch.arguments.end());
    std::vector<char*> argv = Pointers(args);
    std::vector<char*> envp = Pointers(launch.environment);

    pid_t pid = fork();
    if (pid < 0) {
        *error = "fork failed";
        return false;
    }
    if (pid == 0) {
        int in = open("/dev/null", O_RDONLY);
        int out = open(launch.stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open(launch.stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0 || chdir(launch.directory.c_str()) != 0) _exit(126);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        execve(launch.program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    int waitStatus = 0;
    for (int tick = 0;; ++tick) {
        pid_t done = waitpid(pid, &waitStatus, WNOHANG);
        if (done == pid) break;
        if (tick >= timeoutSeconds * 100) {
            kill(pid, SIGKILL);
            waitpid(pid, &waitStatus, 0);
            *error = "did not end within " + std::to_string(timeoutSeconds) + " s";
            return false;
        }
        struct timespec pause = {0, 10 * 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
    if (WIFEXITED(waitStatus)) {
        *status = WEXITSTATUS(waitStatus);
    } else {
        *status = 128 + WTERMSIG(waitStatus);
    }
    return true;
}

bool ExitStatusIs8Bits() { return true; }
const char* ExecutableSuffix() { return ""; }

#endif
