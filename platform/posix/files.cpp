// The POSIX port of the platform layer: paths, the current directory,
// temporary names and files.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

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

bool FreshTempName(std::string* name, std::string_view folder) {
    // The process id keeps the names of runs that share a directory apart;
    // the counter keeps one run's names apart. A leftover of an earlier run
    // whose process had the same id is passed over (lstat: a dangling link
    // counts as taken, or the redirection would follow it).
    static unsigned counter = 0;
    const std::string prefix = "/vy" + std::to_string(static_cast<long>(getpid())) + "-";
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::string candidate = prefix + std::to_string(counter++) + ".tmp";
        const std::string path = folder.empty() ? candidate.substr(1) : std::string(folder) + candidate;
        struct stat st;
        if (lstat(path.c_str(), &st) != 0 && errno == ENOENT) {
            *name = candidate;
            return true;
        }
    }
    return false;
}

bool FreshNameIn(std::string_view folder, std::string* name) { return FreshTempName(name, folder); }

namespace {

// Whether no other user can rename, remove or replace an entry of the
// absolute path's folders: each folder from the root down is a folder (not a
// link), owned by the user or root, and writable by no one else unless its
// sticky bit keeps others to their own entries.
bool OthersCannotSwap(const std::string& path) {
    if (path.empty() || path[0] != '/') return false;
    const uid_t user = geteuid();
    const auto safe = [user](const std::string& folder) {
        struct stat st;
        if (lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
        if (st.st_uid != user && st.st_uid != 0) return false;
        return (st.st_mode & (S_IWGRP | S_IWOTH)) == 0 || (st.st_mode & S_ISVTX) != 0;
    };
    if (!safe("/")) return false;
    for (std::size_t start = 1; start < path.size();) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        if (end > start && !safe(path.substr(0, end))) return false;
        start = end + 1;
    }
    return true;
}

}  // namespace

bool RunFolderParent(const std::string& currentDirectory, std::string* parent) {
    if (OthersCannotSwap(currentDirectory)) {
        *parent = currentDirectory;
        return true;
    }
    for (const char* candidate : {static_cast<const char*>(getenv("TMPDIR")), "/tmp"}) {
        if (candidate == nullptr || candidate[0] != '/') continue;
        char resolved[PATH_MAX];
        if (realpath(candidate, resolved) == nullptr || !OthersCannotSwap(resolved)) continue;
        *parent = resolved;
        return true;
    }
    return false;
}

NewFile CreatePrivateFolder(const char* path) {
    if (mkdir(path, 0700) != 0) return errno == EEXIST ? NewFile::kExists : NewFile::kFailed;
    return NewFile::kCreated;
}

bool RemovePrivateFolder(const char* path) {
    // Never through a link: only the folder itself is emptied.
    const int fd = open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    DIR* folder = fd < 0 ? nullptr : fdopendir(fd);
    if (folder == nullptr && fd >= 0) close(fd);
    if (folder != nullptr) {
        while (const dirent* entry = readdir(folder)) {
            if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0) {
                if (unlinkat(dirfd(folder), entry->d_name, 0) != 0) unlinkat(dirfd(folder), entry->d_name, AT_REMOVEDIR);
            }
        }
        closedir(folder);
    }
    struct stat st;
    return rmdir(path) == 0 || lstat(path, &st) != 0;
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
