// Starting programs under test with an exact argument list, environment and
// current directory, their standard output and error going to files.
#ifndef VY_TESTS_E2E_PROCESS_H
#define VY_TESTS_E2E_PROCESS_H

#include <string>
#include <vector>

struct Launch {
    std::string program;                   // full path of the executable
    std::vector<std::string> wrapper;      // words run in front of it (a memory checker), or none
    std::vector<std::string> arguments;    // after the program's name
    std::vector<std::string> environment;  // NAME=VALUE entries, the whole environment
    std::string directory;
    bool removeDirectory = false;  // POSIX: the directory is removed once the program is in it
    bool ownConsole = false;       // Windows: a console of its own, without a window
    std::string stdoutPath;
    std::string stderrPath;
    // Once this file holds a whole line (the process id that a child of the
    // program writes when it has started), the program is stopped from
    // outside as stopHow says (see StopSignal); empty: never.
    std::string stopFile;
    std::string stopHow;
};

struct Outcome {
    long long status = 0;          // the exit status as the operating system reports it
    int signal = 0;                // POSIX: the signal that ended the program, else 0
    double seconds = 0;            // from the common start to the program's end
    long long peakKilobytes = -1;  // the most memory it held at once; -1 when unknown
    bool stopped = false;          // the stop of Launch::stopFile was sent
};

// How a program is stopped from outside. POSIX: a signal by its name
// without "SIG" ("TERM", "HUP", "INT", "QUIT"), sent to the program alone,
// which is then expected to end of it; Windows: "terminate", TerminateProcess
// with status 1, no signal. Returns the signal's number, 0 for "terminate"
// on Windows, -1 for a way that this platform does not know.
int StopSignal(const std::string& how);

// Whether the process with that id has ended (a zombie counts as ended),
// waiting for it at most that long.
bool ProcessGone(unsigned long id, int waitMilliseconds);

// Ends the process with that id at once, if it still runs.
void EndProcess(unsigned long id);

// The runner's own environment as NAME=VALUE entries.
std::vector<std::string> OwnEnvironment();

// Starts every program at the same moment: each is created first and held
// (POSIX: at a gate before exec; Windows: suspended) until all exist. On
// POSIX each runs in a process group of its own, so that an interrupt it
// raises reaches it and its children only. Waits for all at most
// timeoutSeconds. False with a reason when one cannot be started or does not
// end in time (every one still running is then ended); otherwise one
// outcome per launch, in order.
bool RunTogether(const std::vector<Launch>& launches, int timeoutSeconds, std::vector<Outcome>* outcomes,
                 std::string* error);

// Holds a file open so that no other process can open it, as long as the
// object lives (Windows). False when that cannot be done here.
class LockedFile {
public:
    LockedFile() = default;
    ~LockedFile();
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;
    bool Lock(const std::string& path);

private:
    void* handle_ = nullptr;
};

// Makes a fresh folder that only this user can reach, at a place whose path
// does not depend on where the sources or the build are (POSIX:
// "/tmp/vy-e2e.XXXXXX"; Windows: the user's temporary folder). Returns its
// path, or an empty text with a reason.
std::string MakePrivateFolder(std::string* error);

// Makes the folder name stand for the folder target: a symbolic link on
// POSIX, a copy of its files on Windows. False when that cannot be done.
bool LinkFolder(const std::string& target, const std::string& name);

// Whether exit statuses are 8 bits wide (POSIX) or 32 (Windows).
bool ExitStatusIs8Bits();
// The executable suffix of the platform.
const char* ExecutableSuffix();
// Whether the runner runs under Wine, which ends a process on Ctrl-C with
// status 0 where Windows gives STATUS_CONTROL_C_EXIT.
bool UnderWine();

#endif
