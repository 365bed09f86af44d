// The POSIX port of the platform layer.
#include <errno.h>
#include <limits.h>
#include <spawn.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/cmdline.h"
#include "platform/platform.h"

extern char** environ;

namespace platform {

const char kPathSeparator = '/';
const char kListSeparator = ':';
const char* const kDefaultDriverDirectories = "/opt/zeb/lanebinder/bin:/usr/lib/zeb/lanebinder/bin";

const char* GetEnv(const char* name) { return getenv(name); }

bool PutEnv(const char* assignment) {
    const char* equals = strchr(assignment, '=');
    if (equals == nullptr || equals == assignment) return false;
    std::string name(assignment, equals);
    return setenv(name.c_str(), equals + 1, 1) == 0;
}

static bool IsExecutableFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// A name with a slash is taken as it is; any other is looked up in the PATH
// directories, in order. Unlike a POSIX shell, the current directory is not
// searched implicitly and empty PATH entries are skipped.
static bool FindProgram(const char* name, std::string* path) {
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
static int WaitFor(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

static int SpawnAndWait(const std::string& path, const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid;
    int rc = posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv.data(), environ);
    if (rc != 0) {
        errno = rc;
        return -1;
    }
    return WaitFor(pid);
}

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

bool CurrentDirectory(std::string* directory) {
    std::vector<char> buf(PATH_MAX + 1);
    if (getcwd(buf.data(), buf.size()) == nullptr) return false;
    *directory = buf.data();
    return true;
}

bool FreshTempName(std::string* name) {
    static unsigned counter = 0;
    *name = "/vy" + std::to_string(static_cast<long>(getpid())) + "-" + std::to_string(counter++) + ".tmp";
    return true;
}

bool FileExists(const char* path) {
    struct stat st;
    return stat(path, &st) == 0;
}

bool RemoveFile(const char* path) { return unlink(path) == 0; }

}  // namespace platform
