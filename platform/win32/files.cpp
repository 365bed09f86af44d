// The Windows platform layer: paths, the current directory, temporary names
// and files, as the C runtime gives them.
#include <windows.h>
#include <direct.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <errno.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/files.h"

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

bool FreshTempName(std::string* name, std::string_view folder) {
    // The runtime's names (\s<pid>.<n>, the process id in base 32) keep
    // runs that share a directory apart. The runtime makes sure only that the
    // name is free at the root of the drive, so a name that exists in the
    // folder is passed over here. The runtime's own buffer is
    // used: its names may outgrow L_tmpnam.
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const char* generated = tmpnam(nullptr);
        if (generated == nullptr) return false;
        std::string candidate = generated;
        // A runtime that names a folder as well: only the name is wanted.
        std::size_t last = candidate.rfind('\\');
        if (last != std::string::npos) candidate.erase(0, last);
        if (candidate.empty() || candidate[0] != '\\') candidate.insert(0, 1, '\\');
        const std::string path = folder.empty() ? candidate.substr(1) : std::string(folder) + candidate;
        if (!FileExists(path.c_str())) {
            *name = candidate;
            return true;
        }
    }
    return false;
}

bool FreshNameIn(std::string_view folder, std::string* name) {
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const std::string candidate = "\\" + std::to_string(++counter);
        if (!FileExists((std::string(folder) + candidate).c_str())) {
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

// The folder is held open while it exists (CreatePrivateFolder), so the
// current directory serves: no one can rename or remove an open folder
// that does not share its deletion.
bool RunFolderParent(const std::string& currentDirectory, std::string* parent) {
    *parent = currentDirectory;
    return true;
}

namespace {

// RemovePrivateFolder's wait for files still held open: 20 times 25 ms.
constexpr int kRemovalAttempts = 20;
constexpr DWORD kRemovalPauseMs = 25;

// The folders made by CreatePrivateFolder, each open without delete sharing
// until RemovePrivateFolder (or the console handler's clean-up, on a thread
// of its own) lets it go.
constexpr int kHeldFolders = 4;
char heldPaths[kHeldFolders][MAX_PATH * 16];
void* volatile heldHandles[kHeldFolders];

void Hold(const char* path) {
    if (std::strlen(path) >= sizeof heldPaths[0]) return;
    for (int i = 0; i < kHeldFolders; ++i) {
        if (heldHandles[i] != nullptr) continue;
        HANDLE handle = CreateFileA(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return;
        std::memcpy(heldPaths[i], path, std::strlen(path) + 1);
        InterlockedExchangePointer(&heldHandles[i], handle);
        return;
    }
}

void LetGo(const char* path) {
    for (int i = 0; i < kHeldFolders; ++i) {
        if (heldHandles[i] == nullptr || std::strcmp(heldPaths[i], path) != 0) continue;
        if (void* handle = InterlockedExchangePointer(&heldHandles[i], nullptr)) CloseHandle(handle);
    }
}

}  // namespace

NewFile CreatePrivateFolder(const char* path) {
    // A protected DACL of one entry, inherited by the files made in the
    // folder: full access for the user of the process token, nobody else.
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return NewFile::kFailed;
    alignas(8) unsigned char user[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    const BOOL known = GetTokenInformation(token, TokenUser, user, sizeof user, &size);
    CloseHandle(token);
    if (!known) return NewFile::kFailed;
    PSID sid = reinterpret_cast<TOKEN_USER*>(user)->User.Sid;
    alignas(8) unsigned char acl[sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + SECURITY_MAX_SID_SIZE];
    SECURITY_DESCRIPTOR descriptor;
    if (!InitializeAcl(reinterpret_cast<ACL*>(acl), sizeof acl, ACL_REVISION) ||
        !AddAccessAllowedAceEx(reinterpret_cast<ACL*>(acl), ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE,
                               FILE_ALL_ACCESS, sid) ||
        !InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&descriptor, TRUE, reinterpret_cast<ACL*>(acl), FALSE) ||
        !SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED)) {
        return NewFile::kFailed;
    }
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, &descriptor, FALSE};
    if (CreateDirectoryA(path, &attributes)) {
        Hold(path);
        return NewFile::kCreated;
    }
    const DWORD error = GetLastError();
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? NewFile::kExists : NewFile::kFailed;
}

bool RemovePrivateFolder(const char* path) {
    LetGo(path);
    const std::string folder = path;
    // A file that a child ending just now still holds open cannot be
    // deleted, or goes only once its last handle closes, and keeps the
    // folder until then: the folder is emptied again for up to half a
    // second while it is not empty.
    for (int attempt = 0;; ++attempt) {
        WIN32_FIND_DATAA entry;
        HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::string name = entry.cFileName;
                if (name == "." || name == "..") continue;
                const std::string inner = folder + "\\" + name;
                if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                    RemoveDirectoryA(inner.c_str());
                } else {
                    DeleteFileA(inner.c_str());
                }
            } while (FindNextFileA(search, &entry));
            FindClose(search);
        }
        if (RemoveDirectoryA(path)) return true;
        if (GetLastError() != ERROR_DIR_NOT_EMPTY || attempt == kRemovalAttempts) break;
        Sleep(kRemovalPauseMs);
    }
    return GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES;
}

}  // namespace platform
