// The Windows platform layer: paths, the current directory, temporary names
// and files, as the C runtime gives them.
#include <direct.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <errno.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace platform {

const char kPathSeparator = '\\';
const char kListSeparator = ';';
const char* const kDefaultDriverDirectories =
    "C:\\\"Program Files\"\\\"zeb corp\"\\\"Lanebinder\";C:\\\"Program Files\"\\\"zeb\"\\\"Lanebinder\"";
const bool kSlashBeginsPaths = false;

bool CurrentDirectory(std::string* directory) {
    char* cwd = _getcwd(nullptr, 0);
    if (cwd == nullptr) return false;
    *directory = cwd;
    free(cwd);
    return true;
}

bool FreshTempName(std::string* name) {
    // The runtime's names (\s<pid>.<n>, the process id in base 32) keep
    // runs that share a directory apart. The runtime makes sure only that the
    // name is free at the root of the drive, so a name that exists in the
    // current directory is passed over here. The runtime's own buffer is
    // used: its names may outgrow L_tmpnam.
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const char* generated = tmpnam(nullptr);
        if (generated == nullptr) return false;
        std::string candidate = generated;
        // A runtime that names a folder as well: only the name is wanted.
        std::size_t last = candidate.rfind('\\');
        if (last != std::string::npos) candidate.erase(0, last);
        if (candidate.empty() || candidate[0] != '\\') candidate.insert(0, 1, '\\');
        if (!FileExists(candidate.c_str() + 1)) {
            *name = candidate;
            return true;
        }
    }
    return false;
}

const char* const kEraseCommand = "erase";

// A Windows path holds no double quote, so quoting it is enough.
std::string InterpreterWord(std::string_view path) {
    std::string word = "\"";
    word += path;
    word += '"';
    return word;
}

bool FileExists(const char* path) { return _access(path, 0) == 0; }

bool RemoveFile(const char* path) { return remove(path) == 0; }

std::FILE* CreateNewTextFile(const char* path) {
    int fd = _open(path, _O_WRONLY | _O_CREAT | _O_EXCL | _O_TEXT, _S_IREAD | _S_IWRITE);
    if (fd < 0) return nullptr;
    std::FILE* file = _fdopen(fd, "w");
    if (file == nullptr) _close(fd);
    return file;
}


NewFile CreateNewPrivateFile(const char* path) {
    int fd = _open(path, _O_WRONLY | _O_CREAT | _O_EXCL, _S_IREAD | _S_IWRITE);
    if (fd < 0) return errno == EEXIST ? NewFile::kExists : NewFile::kFailed;
    _close(fd);
    return NewFile::kCreated;
}

}  // namespace platform
