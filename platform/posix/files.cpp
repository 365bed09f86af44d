// The POSIX port of the platform layer: paths, the current directory,
// temporary names and files.
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace platform {

const char kPathSeparator = '/';
const char kListSeparator = ':';
const char* const kDefaultDriverDirectories = "/opt/zeb/lanebinder/bin:/usr/lib/zeb/lanebinder/bin";
const bool kSlashBeginsPaths = true;

bool CurrentDirectory(std::string* directory) {
    std::vector<char> buf(PATH_MAX + 1);
    if (getcwd(buf.data(), buf.size()) == nullptr) return false;
    *directory = buf.data();
    return true;
}

bool FreshTempName(std::string* name) {
    // The process id keeps the names of runs that share a directory apart;
    // the counter keeps one run's names apart. A leftover of an earlier run
    // whose process had the same id is passed over (lstat: a dangling link
    // counts as taken, or the redirection would follow it).
    static unsigned counter = 0;
    const std::string prefix = "/vy" + std::to_string(static_cast<long>(getpid())) + "-";
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::string candidate = prefix + std::to_string(counter++) + ".tmp";
        struct stat st;
        if (lstat(candidate.c_str() + 1, &st) != 0 && errno == ENOENT) {
            *name = candidate;
            return true;
        }
    }
    return false;
}

const char* const kEraseCommand = "rm -f";

std::string InterpreterWord(std::string_view path) {
    std::string word = "\"";
    for (char c : path) {
        if (c == '\\' || c == '"' || c == '$' || c == '`') word += '\\';
        word += c;
    }
    word += '"';
    return word;
}

bool FileExists(const char* path) {
    struct stat st;
    return stat(path, &st) == 0;
}

bool RemoveFile(const char* path) { return unlink(path) == 0; }

std::FILE* CreateNewTextFile(const char* path) {
    int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return nullptr;
    std::FILE* file = fdopen(fd, "w");
    if (file == nullptr) close(fd);
    return file;
}


NewFile CreateNewPrivateFile(const char* path) {
    int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return errno == EEXIST ? NewFile::kExists : NewFile::kFailed;
    close(fd);
    return NewFile::kCreated;
}

}  // namespace platform
