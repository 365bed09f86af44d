// The Windows platform layer: the C runtime's own operations, which define
// the behaviour that the POSIX port reproduces.
#include <direct.h>
#include <errno.h>
#include <io.h>
#include <process.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>

#include "platform/platform.h"

namespace platform {

const char kPathSeparator = '\\';
const char kListSeparator = ';';
const char* const kDefaultDriverDirectories =
    "C:\\\"Program Files\"\\\"zeb corp\"\\\"Lanebinder\";C:\\\"Program Files\"\\\"zeb\"\\\"Lanebinder\"";

const char* GetEnv(const char* name) { return getenv(name); }

bool PutEnv(const char* assignment) { return _putenv(assignment) == 0; }

int SpawnWait(const char* const* argv) {
    return static_cast<int>(_spawnvp(_P_WAIT, argv[0], argv));
}

int RunCommandInterpreter(const char* command) { return system(command); }

bool CurrentDirectory(std::string* directory) {
    char* cwd = _getcwd(nullptr, 0);
    if (cwd == nullptr) return false;
    *directory = cwd;
    free(cwd);
    return true;
}

bool FreshTempName(std::string* name) {
    char buf[L_tmpnam];
    if (tmpnam(buf) == nullptr) return false;
    *name = buf;
    return true;
}

bool FileExists(const char* path) { return _access(path, 0) == 0; }

bool RemoveFile(const char* path) { return remove(path) == 0; }

}  // namespace platform
