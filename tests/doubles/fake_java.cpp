// A stand-in for the Java launcher, built as "java" and "jre".
//
// Every start appends to the file named by FAKEJAVA_LOG: one line per
// argument ("argv[i]=<text>"), each line of the volume file named after
// "-l" ("volume file: <line>", read in text mode), the JAVA_HOME it
// inherited, and "end". On
// Windows it also appends its raw command line to FAKEJAVA_CMDLOG.
//
// Three variables hold lists of rules "KEY=VALUE" separated by "|"; the
// first rule whose KEY equals one of its arguments (a class name,
// "-Server=name", ...) applies:
//   FAKEJAVA_EXIT       the exit status (otherwise 0)
//   FAKEJAVA_SLEEP      milliseconds to wait before ending, so that runs
//                       started together are all inside the class at once
//   FAKEJAVA_PID        a file to which it writes its process id, before
//                       it waits (interrupt.h)
//   FAKEJAVA_LEAVE      a file: before it ends, it starts a copy of itself
//                       that writes its process id to the file and then
//                       lives 20 seconds, left running on purpose as a
//                       client may leave something
//   FAKEJAVA_INTERRUPT  "int" or "quit": after its log it prints
//                       "[java] <class> raises <value>" and raises the
//                       user's interrupt (interrupt.h); if that has not ended
//                       it within 10 seconds it prints "[java] <class> was
//                       not interrupted" and exits with 99
// It prints one line of its own so that tests can see where its output falls.
#include <cstdio>
#include <cstdlib>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "tests/doubles/interrupt.h"

// The value of the first rule of the variable that names one of the
// arguments, or null.
static const char* Rule(const char* variable, int argc, char** argv, std::string* value) {
    const char* rules = std::getenv(variable);
    if (rules == nullptr) return nullptr;
    std::string list(rules);
    std::size_t start = 0;
    while (start < list.size()) {
        std::size_t end = list.find('|', start);
        if (end == std::string::npos) end = list.size();
        std::string rule = list.substr(start, end - start);
        std::size_t equals = rule.rfind('=');
        if (equals != std::string::npos) {
            std::string key = rule.substr(0, equals);
            for (int i = 1; i < argc; ++i) {
                if (key == argv[i]) {
                    *value = rule.substr(equals + 1);
                    return value->c_str();
                }
            }
        }
        start = end + 1;
    }
    return nullptr;
}

// Starts the copy of FAKEJAVA_LEAVE and waits, at most 5 seconds, until it
// has written its process id.
static void LeaveRunning(const std::string& pidFile) {
#ifdef _WIN32
    char self[MAX_PATH];
    if (GetModuleFileNameA(nullptr, self, MAX_PATH) == 0) return;
    std::string line = std::string("\"") + self + "\" --linger \"" + pidFile + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    // No handles inherited: the copy holds none of the run's files open.
    if (!CreateProcessA(self, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return;
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
#else
    pid_t pid = fork();
    if (pid < 0) return;
    if (pid == 0) {
        doubles::RecordProcessId(pidFile);
        doubles::PauseMilliseconds(20000);
        _exit(0);
    }
#endif
    for (int waited = 0; waited < 5000; waited += 20) {
        if (FILE* f = std::fopen(pidFile.c_str(), "rb")) {
            std::fclose(f);
            return;
        }
        doubles::PauseMilliseconds(20);
    }
}

int main(int argc, char** argv) {
    // The copy that FAKEJAVA_LEAVE starts (Windows).
    if (argc == 3 && std::string(argv[1]) == "--linger") {
        doubles::RecordProcessId(argv[2]);
        doubles::PauseMilliseconds(20000);
        return 0;
    }
    if (const char* log = std::getenv("FAKEJAVA_LOG")) {
        if (FILE* f = std::fopen(log, "ab")) {
            for (int i = 0; i < argc; ++i) std::fprintf(f, "argv[%d]=%s\n", i, argv[i]);
            // The volume file named after "-l", as the class reads it.
            for (int i = 1; i + 1 < argc; ++i) {
                if (std::string(argv[i]) != "-l") continue;
                FILE* volumes = std::fopen(argv[i + 1], "r");
                if (volumes == nullptr) {
                    std::fprintf(f, "volume file: cannot open\n");
                    continue;
                }
                char line[4096];
                while (std::fgets(line, sizeof line, volumes) != nullptr) std::fprintf(f, "volume file: %s", line);
                std::fclose(volumes);
            }
            const char* home = std::getenv("JAVA_HOME");
            std::fprintf(f, "JAVA_HOME=%s\n", home != nullptr ? home : "(unset)");
            std::fprintf(f, "end\n");
            std::fclose(f);
        }
    }
#ifdef _WIN32
    if (const char* log = std::getenv("FAKEJAVA_CMDLOG")) {
        if (FILE* f = std::fopen(log, "ab")) {
            std::fprintf(f, "%s\n", GetCommandLineA());
            std::fclose(f);
        }
    }
#endif
    // The class follows the class-path switch and its value.
    const char* cls = "(no class)";
    for (int i = 1; i + 2 < argc; ++i) {
        if (std::string(argv[i]) == "-classpath") {
            cls = argv[i + 2];
            break;
        }
    }
    std::string value;
    if (Rule("FAKEJAVA_PID", argc, argv, &value) != nullptr) doubles::RecordProcessId(value);
    if (Rule("FAKEJAVA_INTERRUPT", argc, argv, &value) != nullptr) {
        std::printf("[java] %s raises %s\n", cls, value.c_str());
        std::fflush(stdout);
        if (!doubles::RaiseInterrupt(value, 10000)) std::printf("[java] %s cannot raise %s\n", cls, value.c_str());
        std::printf("[java] %s was not interrupted\n", cls);
        std::fflush(stdout);
        return 99;
    }
    if (Rule("FAKEJAVA_SLEEP", argc, argv, &value) != nullptr) doubles::PauseMilliseconds(std::atol(value.c_str()));
    if (Rule("FAKEJAVA_LEAVE", argc, argv, &value) != nullptr) LeaveRunning(value);
    int status = Rule("FAKEJAVA_EXIT", argc, argv, &value) != nullptr ? std::atoi(value.c_str()) : 0;
    std::printf("[java] %s exits %d\n", cls, status);
    std::fflush(stdout);
    return status;
}
