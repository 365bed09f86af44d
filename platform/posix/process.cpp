// The POSIX port of the platform layer: starting and waiting for children,
// the signals of a child's run, the environment they inherit, and the
// temporary files that a signal must not leave behind.
#include <dirent.h>
#include <errno.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "platform/cmdline.h"
#include "platform/process.h"

extern char** environ;

namespace platform {

const char* GetEnv(const char* name) { return getenv(name); }

bool PutEnv(const char* assignment) {
    const char* equals = strchr(assignment, '=');
    if (equals == nullptr || equals == assignment) return false;
    std::string name(assignment, equals);
    return setenv(name.c_str(), equals + 1, 1) == 0;
}

namespace {

bool IsExecutableFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// A name with a slash is taken as it is; any other is looked up in the PATH
// directories, in order. Unlike a POSIX shell, the current directory is not
// searched implicitly and empty PATH entries are skipped.
bool FindProgram(const char* name, std::string* path) {
    if (name == nullptr || *name == '\0') return false;
    if (strchr(name, '/') != nullptr) {
        *path = name;
        return true;
    }
    const char* search = getenv("PATH");
    if (search == nullptr) return false;
    std::string list(search);
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(':', start);
        if (end == std::string::npos) end = list.size();
        if (end > start) {
            std::string candidate = list.substr(start, end - start) + "/" + name;
            if (IsExecutableFile(candidate)) {
                *path = candidate;
                return true;
            }
        }
        start = end + 1;
    }
    return false;
}

// A child killed by signal N reports 128+N, as shells do.
int WaitFor(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

// Whether a disposition is "ignore".
bool IsIgnored(const struct sigaction& action) {
    return (action.sa_flags & SA_SIGINFO) == 0 && action.sa_handler == SIG_IGN;
}

// The temporary files that a signal must not leave behind (RemoveOnInterrupt),
// read by signal handlers: fixed arrays, and a flag that is set only once a
// path is complete.
constexpr std::size_t kInterruptPathSize = 4096;
char interruptPaths[kInterruptFiles][kInterruptPathSize];
volatile sig_atomic_t interruptPathSet[kInterruptFiles];

// Removes the registered files, then the registered folders (the run's
// folder, emptied by then), and ends the program of the signal, by its
// default action, so that whoever waits for the program sees it ended by
// that signal (a shell: 128+N). Only async-signal-safe calls: unlink,
// rmdir, sigaction, raise, sigprocmask, _exit.
void EndOfSignal(int signal) {
    for (int i = 0; i < kInterruptFiles; ++i) {
        if (interruptPathSet[i]) unlink(interruptPaths[i]);
    }
    for (int i = 0; i < kInterruptFiles; ++i) {
        if (interruptPathSet[i]) rmdir(interruptPaths[i]);
    }
    struct sigaction fallback;
    memset(&fallback, 0, sizeof fallback);
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
    raise(signal);
    // Blocked when called from a handler or after a child's run: pending
    // until now.
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    sigprocmask(SIG_UNBLOCK, &only, nullptr);
    _exit(128 + signal);  // not reached: the default action of each of these signals ends the program
}

// The requests to end (SIGTERM from a supervisor or a script's kill, SIGHUP
// from a closed session) are meant for the whole run: while a child runs,
// the launcher passes them on to the child and to every process the child
// started, waits for the child to end, and then ends of the signal itself.
// The handlers only take note; the passing on is done by the waiting loop,
// while these signals are blocked, so that it never races the child's end.
const int kStopSignals[] = {SIGTERM, SIGHUP};
constexpr int kStopSignalCount = sizeof kStopSignals / sizeof kStopSignals[0];
volatile sig_atomic_t stopRequested = 0;  // the first request during the child's run
volatile sig_atomic_t stopToPass = 0;     // the latest request not yet passed on

void NoteStop(int signal) {
    if (stopRequested == 0) stopRequested = signal;
    stopToPass = signal;
}

void NoteChild(int) {}  // only wakes the waiting loop

// The processes that descend from root, as /proc lists them (Linux); none
// where there is no such list.
std::vector<pid_t> Descendants(pid_t root) {
    std::vector<std::pair<pid_t, pid_t>> parents;  // (process, parent)
    if (DIR* proc = opendir("/proc")) {
        while (struct dirent* entry = readdir(proc)) {
            char* end = nullptr;
            const long id = strtol(entry->d_name, &end, 10);
            if (id <= 0 || *end != '\0') continue;
            char path[64];
            snprintf(path, sizeof path, "/proc/%ld/stat", id);
            FILE* stat = fopen(path, "r");
            if (stat == nullptr) continue;
            char line[1024];
            const bool read = fgets(line, sizeof line, stat) != nullptr;
            fclose(stat);
            // "id (name) state parent ...": the name may hold anything.
            const char* close = read ? strrchr(line, ')') : nullptr;
            char state = 0;
            long parent = 0;
            if (close != nullptr && sscanf(close + 1, " %c %ld", &state, &parent) == 2) {
                parents.emplace_back(static_cast<pid_t>(id), static_cast<pid_t>(parent));
            }
        }
        closedir(proc);
    }
    std::vector<pid_t> found;
    std::vector<pid_t> next = {root};
    while (!next.empty() && found.size() < parents.size()) {
        const pid_t parent = next.back();
        next.pop_back();
        for (const auto& [id, itsParent] : parents) {
            if (itsParent == parent) {
                found.push_back(id);
                next.push_back(id);
            }
        }
    }
    return found;
}

// The command interpreter runs its command as a process of its own, so the
// request goes to the child's descendants as well: to the child first, so
// that it has the request before it can see a descendant end and go on;
// the descendants are found before, while they are still the child's.
void PassOn(pid_t child, int signal) {
    const std::vector<pid_t> descendants = Descendants(child);
    kill(child, signal);
    for (pid_t id : descendants) kill(id, signal);
}

// What a child's run does to the launcher's signals, from before the child
// exists until it has been waited for.
//
// The user's interrupt and quit keys are meant for the child: the launcher
// ignores SIGINT and SIGQUIT, as system() does, so that it lives on to
// return the child's status and remove its temporary files.
//
// SIGTERM and SIGHUP are passed on (PassOn). They are blocked except while
// the launcher waits for the child, so one that comes while the child is
// being started reaches it once it exists, and one that comes after the
// child has been waited for finds the launcher's own handling again.
//
// A signal that the launcher was started with ignored stays ignored, and the
// child inherits that. The dispositions and the signal mask that the
// launcher had come back when the child has ended.
class ChildSignals {
public:
    ChildSignals() {
        sigset_t blocked;
        sigemptyset(&blocked);
        for (int s : kStopSignals) sigaddset(&blocked, s);
        sigaddset(&blocked, SIGCHLD);
        sigprocmask(SIG_BLOCK, &blocked, &savedMask_);
        stopRequested = 0;
        stopToPass = 0;

        struct sigaction action;
        memset(&action, 0, sizeof action);
        action.sa_handler = SIG_IGN;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &savedInt_);
        sigaction(SIGQUIT, &action, &savedQuit_);

        action.sa_handler = NoteStop;
        for (int i = 0; i < kStopSignalCount; ++i) {
            sigaction(kStopSignals[i], nullptr, &savedStop_[i]);
            if (!IsIgnored(savedStop_[i])) sigaction(kStopSignals[i], &action, nullptr);
        }
        // Delivered, not discarded, so that it ends the wait.
        action.sa_handler = NoteChild;
        action.sa_flags = SA_NOCLDSTOP;
        sigaction(SIGCHLD, &action, &savedChild_);
    }
    ChildSignals(const ChildSignals&) = delete;
    ChildSignals& operator=(const ChildSignals&) = delete;

    // The child starts with the launcher's signal mask and the default action
    // for every signal that the launcher did not ignore itself before.
    void SetChildSignals(posix_spawnattr_t* attributes) const {
        sigset_t defaults;
        sigemptyset(&defaults);
        if (!IsIgnored(savedInt_)) sigaddset(&defaults, SIGINT);
        if (!IsIgnored(savedQuit_)) sigaddset(&defaults, SIGQUIT);
        for (int i = 0; i < kStopSignalCount; ++i) {
            if (!IsIgnored(savedStop_[i])) sigaddset(&defaults, kStopSignals[i]);
        }
        posix_spawnattr_setsigdefault(attributes, &defaults);
        posix_spawnattr_setsigmask(attributes, &savedMask_);
        posix_spawnattr_setflags(attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    }

    // Waits until the child has ended, passing on every request to end that
    // comes meanwhile. The child is not reaped yet: as long as it is not, its
    // process id cannot be given to another process.
    void AwaitEnd(pid_t child) {
        sigset_t waiting = savedMask_;  // a signal that the caller blocks stays blocked
        sigdelset(&waiting, SIGCHLD);
        for (;;) {
            if (stopToPass != 0) {
                const int signal = stopToPass;
                stopToPass = 0;
                PassOn(child, signal);
            }
            siginfo_t info;
            memset(&info, 0, sizeof info);
            if (waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOHANG | WNOWAIT) != 0) {
                if (errno == EINTR) continue;
                return;  // no such child to wait for
            }
            if (info.si_pid == child) return;
            sigsuspend(&waiting);  // until the child's end or a request
        }
    }

    // The child has ended (pid: it is yet to be reaped) or never started (pid
    // 0). Returns its status, as WaitFor gives it, and the launcher's own
    // handling comes back; but when a request to end came during the run,
    // the launcher now ends of it instead, its temporary files removed first.
    int ChildEnded(pid_t pid) {
        const int status = pid > 0 ? WaitFor(pid) : -1;
        const int savedErrno = errno;
        sigaction(SIGINT, &savedInt_, nullptr);
        sigaction(SIGQUIT, &savedQuit_, nullptr);
        for (int i = 0; i < kStopSignalCount; ++i) sigaction(kStopSignals[i], &savedStop_[i], nullptr);
        sigaction(SIGCHLD, &savedChild_, nullptr);
        const int request = stopRequested;
        stopRequested = 0;
        if (request != 0) EndOfSignal(request);
        sigprocmask(SIG_SETMASK, &savedMask_, nullptr);
        errno = savedErrno;
        return status;
    }

private:
    sigset_t savedMask_;
    struct sigaction savedInt_;
    struct sigaction savedQuit_;
    struct sigaction savedStop_[kStopSignalCount];
    struct sigaction savedChild_;
};

int SpawnAndWait(const std::string& path, const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    // Set before the child exists, so that no signal falls between its start
    // and the wait.
    ChildSignals signals;
    posix_spawnattr_t attributes;
    if (posix_spawnattr_init(&attributes) != 0) {
        signals.ChildEnded(0);
        errno = ENOMEM;
        return -1;
    }
    signals.SetChildSignals(&attributes);
    pid_t pid;
    int rc = posix_spawn(&pid, path.c_str(), nullptr, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    if (rc != 0) {
        signals.ChildEnded(0);
        errno = rc;
        return -1;
    }
    signals.AwaitEnd(pid);
    return signals.ChildEnded(pid);
}

}  // namespace

int SpawnWait(const char* const* argv) {
    std::string path;
    if (!FindProgram(argv[0], &path)) {
        errno = ENOENT;
        return -1;
    }
    // The child gets the argv that the Windows C runtime would make of the
    // joined command line, not the vector itself.
    return SpawnAndWait(path, cmdline::SplitCommandLine(cmdline::JoinArguments(argv)));
}

int RunCommandInterpreter(const char* command) {
    return SpawnAndWait("/bin/sh", {"sh", "-c", command});
}

namespace {

int registeredPaths = 0;

const int kCleanupSignals[] = {SIGINT, SIGQUIT, SIGTERM, SIGHUP};
constexpr int kCleanupSignalCount = sizeof kCleanupSignals / sizeof kCleanupSignals[0];
struct sigaction savedCleanup[kCleanupSignalCount];

}  // namespace

bool RemoveOnInterrupt(const char* path) {
    if (strlen(path) >= kInterruptPathSize) return false;
    int slot = 0;
    while (slot < kInterruptFiles && interruptPathSet[slot]) ++slot;
    if (slot == kInterruptFiles) return false;
    memcpy(interruptPaths[slot], path, strlen(path) + 1);
    std::atomic_signal_fence(std::memory_order_seq_cst);  // the path is whole before the flag says so
    interruptPathSet[slot] = 1;
    if (registeredPaths++ == 0) {
        for (int i = 0; i < kCleanupSignalCount; ++i) {
            struct sigaction cleanup;
            memset(&cleanup, 0, sizeof cleanup);
            cleanup.sa_handler = EndOfSignal;
            sigfillset(&cleanup.sa_mask);  // one clean-up at a time
            sigaction(kCleanupSignals[i], nullptr, &savedCleanup[i]);
            // A signal that the program's starter set to be ignored stays so.
            if (!IsIgnored(savedCleanup[i])) sigaction(kCleanupSignals[i], &cleanup, nullptr);
        }
    }
    return true;
}

void ForgetOnInterrupt(const char* path) {
    for (int i = 0; i < kInterruptFiles; ++i) {
        if (interruptPathSet[i] && strcmp(interruptPaths[i], path) == 0) {
            interruptPathSet[i] = 0;
            if (--registeredPaths == 0) {
                for (int k = 0; k < kCleanupSignalCount; ++k) sigaction(kCleanupSignals[k], &savedCleanup[k], nullptr);
            }
            return;
        }
    }
}

}  // namespace platform
