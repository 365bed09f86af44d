// The Windows platform layer: the C runtime's own operations, which define
// the behaviour that the POSIX port reproduces.
#include <windows.h>
// windows.h first: the pass-through header builds on it.
#include <ntddscsi.h>

#include <direct.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <errno.h>
#include <io.h>
#include <process.h>
#include <stdio.h>
#include <stdlib.h>

#include <cstddef>
#include <cstring>
#include <string>

#include "platform/platform.h"

namespace platform {

const char kPathSeparator = '\\';
const char kListSeparator = ';';
const char* const kDefaultDriverDirectories =
    "C:\\\"Program Files\"\\\"zeb corp\"\\\"Lanebinder\";C:\\\"Program Files\"\\\"zeb\"\\\"Lanebinder\"";
const bool kSlashBeginsPaths = false;

const char* GetEnv(const char* name) { return getenv(name); }

bool PutEnv(const char* assignment) { return _putenv(assignment) == 0; }

namespace {

// The console's events. While a child runs, Ctrl-C and Ctrl-Break are meant
// for the child: the launcher lets them pass, so that it lives on to return
// the child's status and remove its temporary files. Outside a child's run
// they end the launcher as usual, after the temporary files registered
// with RemoveOnInterrupt are removed; so do the other events (the console
// closing, log-off).
//
// A handler routine is used rather than SetConsoleCtrlHandler(nullptr,
// TRUE): children inherit that ignore flag, and the child would not get
// the interrupt either. The console delivers an event to each of its
// processes on a thread of its own, so the launcher may see it only after
// the child it was meant for has ended: an interrupt within a second of a
// child's end still counts as that child's.
constexpr ULONGLONG kLateInterruptMilliseconds = 1000;

volatile LONG childrenRunning = 0;
volatile LONG64 lastChildEnd = 0;  // GetTickCount64 when the last child ended

char interruptPaths[kInterruptFiles][MAX_PATH * 16];
volatile LONG interruptPathSet[kInterruptFiles];

BOOL WINAPI OnConsoleEvent(DWORD event) {
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
        const LONG64 ended = InterlockedCompareExchange64(&lastChildEnd, 0, 0);
        const ULONGLONG since = GetTickCount64() - static_cast<ULONGLONG>(ended);
        if (childrenRunning > 0 || (ended != 0 && since < kLateInterruptMilliseconds)) return TRUE;
    }
    for (int i = 0; i < kInterruptFiles; ++i) {
        if (interruptPathSet[i]) DeleteFileA(interruptPaths[i]);
    }
    return FALSE;  // the default handler ends the program
}

// Installed once, when first needed, and kept: removing and adding it again
// would only open gaps.
void WatchConsoleEvents() {
    static const bool installed = SetConsoleCtrlHandler(OnConsoleEvent, TRUE) != 0;
    (void)installed;
}

class InterruptsIgnored {
public:
    InterruptsIgnored() {
        WatchConsoleEvents();
        InterlockedIncrement(&childrenRunning);
    }
    ~InterruptsIgnored() {
        InterlockedExchange64(&lastChildEnd, static_cast<LONG64>(GetTickCount64()));
        InterlockedDecrement(&childrenRunning);
    }
    InterruptsIgnored(const InterruptsIgnored&) = delete;
    InterruptsIgnored& operator=(const InterruptsIgnored&) = delete;
};

// A launcher ended from outside (TerminateProcess, taskkill /F, a scheduled
// task's time limit) must not leave the child of its run behind. The
// launcher puts itself into a job object of its own, which every process it
// starts then belongs to, with the runtime's own spawn and system() as they
// are; while a child runs, the job ends all of its processes once its last
// handle closes, and the launcher holds the only one, so it closes when the
// launcher ends, however it ends. Once the child has ended the limit is
// cleared again: what the child left running on purpose outlives a
// launcher that ends normally.
//
// Nested jobs need Windows 8 or later: a launcher that is already in a job
// that does not allow it goes on without one.
class ChildJob {
public:
    ChildJob() {
        if (Job() != nullptr) SetKillOnClose(true);
    }
    ~ChildJob() {
        if (Job() != nullptr) SetKillOnClose(false);
    }
    ChildJob(const ChildJob&) = delete;
    ChildJob& operator=(const ChildJob&) = delete;

private:
    // Made once, on the first child's start, and kept for the process's
    // life: the handle's closing is what ends the processes.
    static HANDLE Job() {
        static const HANDLE job = [] {
            HANDLE made = CreateJobObjectA(nullptr, nullptr);  // not inherited by the children
            if (made != nullptr && !AssignProcessToJobObject(made, GetCurrentProcess())) {
                CloseHandle(made);
                made = nullptr;
            }
            return made;
        }();
        return job;
    }

    static void SetKillOnClose(bool on) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits;
        std::memset(&limits, 0, sizeof limits);
        limits.BasicLimitInformation.LimitFlags = on ? JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE : 0;
        SetInformationJobObject(Job(), JobObjectExtendedLimitInformation, &limits, sizeof limits);
    }
};

}  // namespace

int SpawnWait(const char* const* argv) {
    InterruptsIgnored interrupts;
    ChildJob job;
    return static_cast<int>(_spawnvp(_P_WAIT, argv[0], argv));
}

int RunCommandInterpreter(const char* command) {
    InterruptsIgnored interrupts;
    ChildJob job;
    return system(command);
}

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

bool RemoveOnInterrupt(const char* path) {
    if (std::strlen(path) >= sizeof interruptPaths[0]) return false;
    int slot = 0;
    while (slot < kInterruptFiles && interruptPathSet[slot]) ++slot;
    if (slot == kInterruptFiles) return false;
    std::memcpy(interruptPaths[slot], path, std::strlen(path) + 1);
    InterlockedExchange(&interruptPathSet[slot], 1);
    WatchConsoleEvents();
    return true;
}

void ForgetOnInterrupt(const char* path) {
    for (int i = 0; i < kInterruptFiles; ++i) {
        if (interruptPathSet[i] && std::strcmp(interruptPaths[i], path) == 0) {
            InterlockedExchange(&interruptPathSet[i], 0);
            return;
        }
    }
}

std::FILE* CreateNewTextFile(const char* path) {
    int fd = _open(path, _O_WRONLY | _O_CREAT | _O_EXCL | _O_TEXT, _S_IREAD | _S_IWRITE);
    if (fd < 0) return nullptr;
    std::FILE* file = _fdopen(fd, "w");
    if (file == nullptr) _close(fd);
    return file;
}

bool ListDeviceNames(std::vector<std::string>* names) {
    // The names, each ended by a zero, the list by an empty name. When they
    // do not all fit, nothing is stored and no drive is found.
    static char list[8192];
    DWORD stored = QueryDosDeviceA(nullptr, list, 8191);
    if (stored == 0) return false;
    list[8191] = '\0';
    for (const char* p = list; p < list + stored && *p != '\0'; p += std::strlen(p) + 1) names->push_back(p);
    return true;
}

namespace {

// The pass-through request followed by its filler, the sense area and the
// inquiry data. On 32-bit Windows these are 44, 4, 32 and 165 bytes at
// offsets 0, 44, 48 and 80: 245 bytes in all.
struct PassThroughWithBuffers {
    SCSI_PASS_THROUGH request;
    ULONG filler;
    UCHAR sense[32];
    UCHAR data[kInquiryLength];
};

static_assert(sizeof(void*) != 4 || (sizeof(SCSI_PASS_THROUGH) == 44 &&
                                     offsetof(PassThroughWithBuffers, sense) == 48 &&
                                     offsetof(PassThroughWithBuffers, data) == 80),
              "the pass-through buffer's layout");

}  // namespace

bool InquirePhysicalDrive(int number, unsigned char (&data)[kInquiryLength]) {
    char path[48];
    std::snprintf(path, sizeof path, "\\\\.\\PhysicalDrive%d", number);
    HANDLE drive = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    if (drive == INVALID_HANDLE_VALUE) return false;

    PassThroughWithBuffers buffer;
    std::memset(&buffer, 0, sizeof buffer);
    SCSI_PASS_THROUGH& request = buffer.request;
    request.Length = static_cast<USHORT>(sizeof(SCSI_PASS_THROUGH));
    request.ScsiStatus = 0;
    request.PathId = 0;
    request.TargetId = 1;
    request.Lun = 0;
    request.CdbLength = 6;
    request.SenseInfoLength = 24;
    request.DataIn = SCSI_IOCTL_DATA_IN;
    request.DataTransferLength = static_cast<ULONG>(kInquiryLength);
    request.TimeOutValue = 5;  // seconds
    request.DataBufferOffset = offsetof(PassThroughWithBuffers, data);
    request.SenseInfoOffset = static_cast<ULONG>(offsetof(PassThroughWithBuffers, sense));
    request.Cdb[0] = 0x12;  // INQUIRY, standard data, allocation length A5h
    request.Cdb[4] = 0xA5;

    // The call's own result is not tested: the drive has answered when bytes
    // came back.
    DWORD returned = 0;
    const DWORD outputLength = static_cast<DWORD>(offsetof(PassThroughWithBuffers, data) + kInquiryLength);
    DeviceIoControl(drive, IOCTL_SCSI_PASS_THROUGH, &buffer, static_cast<DWORD>(sizeof(SCSI_PASS_THROUGH)),
                    &buffer, outputLength, &returned, nullptr);
    CloseHandle(drive);
    if (returned == 0) return false;
    std::memcpy(data, buffer.data, kInquiryLength);
    return true;
}

NewFile CreateNewPrivateFile(const char* path) {
    int fd = _open(path, _O_WRONLY | _O_CREAT | _O_EXCL, _S_IREAD | _S_IWRITE);
    if (fd < 0) return errno == EEXIST ? NewFile::kExists : NewFile::kFailed;
    _close(fd);
    return NewFile::kCreated;
}

}  // namespace platform
