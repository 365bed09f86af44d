// The Windows platform layer: the C runtime's own spawn and command
// interpreter, which define the behaviour that the POSIX port reproduces,
// the console's interrupts during a child's run and the job object that
// ends a child with its launcher.
#include <windows.h>

#include <process.h>
#include <stdlib.h>

#include <cstring>

#include "platform/files.h"
#include "platform/process.h"

namespace platform {

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
    // The files first, then the run's folder that held them.
    for (int i = 0; i < kInterruptFiles; ++i) {
        if (interruptPathSet[i]) DeleteFileA(interruptPaths[i]);
    }
    for (int i = 0; i < kInterruptFiles; ++i) {
        if (!interruptPathSet[i]) continue;
        const DWORD attributes = GetFileAttributesA(interruptPaths[i]);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            platform::RemovePrivateFolder(interruptPaths[i]);
        }
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

}  // namespace platform
