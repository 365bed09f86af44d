// The user's interrupt while a child runs (POSIX): the child gets it, the
// caller lives on with the child's status and its own handling restored.
// Outside a child's run, an interrupt still ends the program, but removes
// the temporary files registered with RemoveOnInterrupt first. A request to
// end (SIGTERM, SIGHUP) while a child runs ends the child, whatever it
// started, and then the caller.
//
// Every test runs in a forked process of a process group of its own, so
// that "kill 0" from the child reaches that process and the child only,
// never the test runner. The forked process reports through its exit
// status: 0 when every check held, otherwise the number of the first check
// that failed.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>
#include <functional>
#include <string>
#include <vector>

#include "platform/process.h"
#include "tests/unit/support.h"

namespace {

struct Ended {
    bool exited;
    int code;    // the exit status, when it exited
    int signal;  // the signal that ended it, when it did not
};

Ended Reap(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return {WIFEXITED(status), WIFEXITED(status) ? WEXITSTATUS(status) : 0,
            WIFSIGNALED(status) ? WTERMSIG(status) : 0};
}

pid_t StartInOwnProcessGroup(const std::function<int()>& body) {
    pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        struct rlimit none = {0, 0};
        setrlimit(RLIMIT_CORE, &none);  // SIGQUIT leaves no core file
        _exit(body());
    }
    return pid;
}

Ended InOwnProcessGroup(const std::function<int()>& body) { return Reap(StartInOwnProcessGroup(body)); }

sighandler_t Disposition(int signal) {
    struct sigaction action;
    sigaction(signal, nullptr, &action);
    return action.sa_handler;
}

void Handler(int) {}

// The command interpreter's child sends the signal to its whole process
// group, the caller included, then would exit with 7.
int Interpreter(const char* signal) {
    std::string command = std::string("kill -") + signal + " 0; exit 7";
    return platform::RunCommandInterpreter(command.c_str());
}

TEST(Interrupts, TheChildDiesOfSigintTheCallerLivesAndGets130) {
    Ended e = InOwnProcessGroup([] {
        if (Interpreter("INT") != 130) return 1;
        if (Disposition(SIGINT) != SIG_DFL) return 2;
        if (Disposition(SIGQUIT) != SIG_DFL) return 3;
        return 0;
    });
    EXPECT_TRUE(e.exited) << "ended by signal " << e.signal;
    EXPECT_EQ(e.code, 0);
}

TEST(Interrupts, SigquitLikewiseGives131) {
    Ended e = InOwnProcessGroup([] {
        if (Interpreter("QUIT") != 131) return 1;
        if (Disposition(SIGQUIT) != SIG_DFL) return 2;
        return 0;
    });
    EXPECT_TRUE(e.exited) << "ended by signal " << e.signal;
    EXPECT_EQ(e.code, 0);
}

TEST(Interrupts, SpawnedProgramsGetTheInterruptToo) {
    Ended e = InOwnProcessGroup([] {
        // Joined and split again by the C runtime's rules: the quotes keep
        // the script one argument.
        const char* argv[] = {"sh", "-c", "\"kill -INT 0; exit 7\"", nullptr};
        if (platform::SpawnWait(argv) != 130) return 1;
        if (Disposition(SIGINT) != SIG_DFL) return 2;
        return 0;
    });
    EXPECT_TRUE(e.exited) << "ended by signal " << e.signal;
    EXPECT_EQ(e.code, 0);
}

TEST(Interrupts, ACallerThatIgnoresInterruptsPassesThatOn) {
    // Started in the background, say: the child ignores them as well, and
    // the caller still does afterwards.
    Ended e = InOwnProcessGroup([] {
        signal(SIGINT, SIG_IGN);
        if (Interpreter("INT") != 7) return 1;
        if (Disposition(SIGINT) != SIG_IGN) return 2;
        return 0;
    });
    EXPECT_TRUE(e.exited) << "ended by signal " << e.signal;
    EXPECT_EQ(e.code, 0);
}

TEST(Interrupts, ACallersOwnHandlerComesBackAfterTheChild) {
    Ended e = InOwnProcessGroup([] {
        signal(SIGINT, Handler);
        if (Interpreter("INT") != 130) return 1;  // a handler does not survive exec: the child dies
        if (Disposition(SIGINT) != Handler) return 2;
        return 0;
    });
    EXPECT_TRUE(e.exited) << "ended by signal " << e.signal;
    EXPECT_EQ(e.code, 0);
}

class TemporaryFiles : public ::testing::Test {
protected:
    void SetUp() override { dir_ = support::ScratchFolder("interrupt"); }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string Make(const std::string& name) {
        std::string path = (dir_ / name).string();
        support::WriteBytes(path, "-l Disk2 -r 02B12028 \n");
        return path;
    }
    bool Exists(const std::string& path) { return std::filesystem::exists(path); }

    std::filesystem::path dir_;
};

TEST_F(TemporaryFiles, AnInterruptOutsideAChildRemovesThemAndStillEndsTheProgram) {
    const std::string a = Make("a.tmp");
    const std::string b = Make("b.tmp");
    const std::string kept = Make("kept.tmp");
    Ended e = InOwnProcessGroup([&] {
        platform::RemoveOnInterrupt(a.c_str());
        platform::RemoveOnInterrupt(b.c_str());
        raise(SIGINT);
        return 1;  // not reached
    });
    EXPECT_FALSE(e.exited);
    EXPECT_EQ(e.signal, SIGINT) << "the program still ends of the interrupt";
    EXPECT_FALSE(Exists(a));
    EXPECT_FALSE(Exists(b));
    EXPECT_TRUE(Exists(kept)) << "only registered files are removed";
}

TEST_F(TemporaryFiles, QuitAndTerminationRequestsToo) {
    for (int signal : {SIGQUIT, SIGTERM, SIGHUP}) {
        const std::string path = Make("file.tmp");
        Ended e = InOwnProcessGroup([&] {
            platform::RemoveOnInterrupt(path.c_str());
            raise(signal);
            return 1;
        });
        EXPECT_EQ(e.signal, signal);
        EXPECT_FALSE(Exists(path)) << "signal " << signal;
    }
}

TEST_F(TemporaryFiles, AForgottenFileStaysAndTheHandlingIsAsBefore) {
    const std::string a = Make("a.tmp");
    const std::string b = Make("b.tmp");
    Ended e = InOwnProcessGroup([&] {
        platform::RemoveOnInterrupt(a.c_str());
        platform::RemoveOnInterrupt(b.c_str());
        platform::ForgetOnInterrupt(a.c_str());
        if (Disposition(SIGINT) == SIG_DFL) return 2;  // b is still registered
        platform::ForgetOnInterrupt(b.c_str());
        if (Disposition(SIGINT) != SIG_DFL || Disposition(SIGTERM) != SIG_DFL) return 3;
        raise(SIGINT);
        return 1;
    });
    EXPECT_EQ(e.signal, SIGINT) << "exit code " << e.code;
    EXPECT_TRUE(Exists(a));
    EXPECT_TRUE(Exists(b));
}

TEST_F(TemporaryFiles, AnIgnoredInterruptStaysIgnored) {
    const std::string path = Make("file.tmp");
    Ended e = InOwnProcessGroup([&] {
        signal(SIGINT, SIG_IGN);
        platform::RemoveOnInterrupt(path.c_str());
        raise(SIGINT);
        platform::ForgetOnInterrupt(path.c_str());
        return Disposition(SIGINT) == SIG_IGN ? 0 : 2;
    });
    EXPECT_TRUE(e.exited) << "ended by signal " << e.signal;
    EXPECT_EQ(e.code, 0);
    EXPECT_TRUE(Exists(path));
}

TEST_F(TemporaryFiles, AnInterruptMeantForAChildLeavesThemForTheCallerToRemove) {
    const std::string path = Make("file.tmp");
    Ended e = InOwnProcessGroup([&] {
        platform::RemoveOnInterrupt(path.c_str());
        if (Interpreter("INT") != 130) return 1;
        if (!std::filesystem::exists(path)) return 2;  // still the caller's to remove
        raise(SIGINT);  // the handling is back: a second interrupt removes it
        return 3;
    });
    EXPECT_EQ(e.signal, SIGINT) << "exit code " << e.code;
    EXPECT_FALSE(Exists(path));
}

TEST_F(TemporaryFiles, AtMostFourAtOnce) {
    std::vector<std::string> paths;
    for (int i = 0; i < 5; ++i) paths.push_back(Make("f" + std::to_string(i) + ".tmp"));
    Ended e = InOwnProcessGroup([&] {
        for (int i = 0; i < 4; ++i) {
            if (!platform::RemoveOnInterrupt(paths[i].c_str())) return 1;
        }
        if (platform::RemoveOnInterrupt(paths[4].c_str())) return 2;
        platform::ForgetOnInterrupt(paths[0].c_str());
        if (!platform::RemoveOnInterrupt(paths[4].c_str())) return 3;  // a slot is free again
        raise(SIGINT);
        return 4;
    });
    EXPECT_EQ(e.signal, SIGINT) << "exit code " << e.code;
    EXPECT_TRUE(Exists(paths[0]));
    for (int i = 1; i < 5; ++i) EXPECT_FALSE(Exists(paths[i])) << i;
}

// A request to end sent from outside (a supervisor, a script's kill) while
// the caller waits for a command interpreter that runs a command of its own.
class RequestsToEnd : public TemporaryFiles {
protected:
    std::string Path(const std::string& name) { return (dir_ / name).string(); }

    // The contents of a file once it holds a whole line, or "" after 10 s.
    std::string AwaitLine(const std::string& name) {
        for (int i = 0; i < 1000; ++i) {
            std::ifstream in(Path(name));
            std::string line;
            if (std::getline(in, line) && !in.eof()) return line;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return "";
    }

    // Whether the process has ended (a zombie has), within 5 s.
    static bool Gone(pid_t id) {
        for (int i = 0; i < 250; ++i) {
            if (kill(id, 0) != 0 && errno == ESRCH) return true;
            std::ifstream stat("/proc/" + std::to_string(id) + "/stat");
            std::string line;
            if (std::getline(stat, line) && line.rfind(')') != std::string::npos &&
                line.substr(line.rfind(')') + 2, 1) == "Z") {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }
};

TEST_F(RequestsToEnd, ReachTheInterpretersCommandThenEndTheCallerWithItsFilesRemoved) {
    for (int signal : {SIGTERM, SIGHUP}) {
        const std::string file = Make("report.tmp");
        std::filesystem::remove(Path("tool.pid"));
        // The interpreter waits for a command of its own, as it does for the
        // multipath tool.
        const std::string command =
            "cd \"" + dir_.string() + "\"; sleep 30 & echo $! > tool.pid; wait; echo after > after.txt";
        const auto start = std::chrono::steady_clock::now();
        pid_t caller = StartInOwnProcessGroup([&] {
            platform::RemoveOnInterrupt(file.c_str());
            platform::RunCommandInterpreter(command.c_str());
            return 1;  // not reached: the caller ends of the request
        });
        const std::string tool = AwaitLine("tool.pid");
        ASSERT_FALSE(tool.empty()) << "the command did not start";
        kill(caller, signal);
        Ended e = Reap(caller);
        EXPECT_FALSE(e.exited) << "exit code " << e.code;
        EXPECT_EQ(e.signal, signal) << "a shell sees 128+N";
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
        EXPECT_TRUE(Gone(std::stoi(tool))) << "the interpreter's command outlived the caller, signal " << signal;
        EXPECT_FALSE(Exists(Path("after.txt"))) << "the interpreter went on, signal " << signal;
        EXPECT_FALSE(Exists(file)) << "signal " << signal;
    }
}

TEST_F(RequestsToEnd, AChildThatLivesOnIsWaitedForAndTheCallerStillEnds) {
    // The child takes note of the request and ends in its own time, with a
    // status of its own: the caller waits for it, then ends of the request.
    const std::string command = "cd \"" + dir_.string() + "\" && trap 'echo got > got.txt' TERM; echo $$ > sh.pid; "
                                "sleep 1; sleep 1; echo done > done.txt; exit 4";
    pid_t caller = StartInOwnProcessGroup([&] {
        platform::RunCommandInterpreter(command.c_str());
        return 1;
    });
    ASSERT_FALSE(AwaitLine("sh.pid").empty());
    kill(caller, SIGTERM);
    Ended e = Reap(caller);
    EXPECT_EQ(e.signal, SIGTERM) << "exit code " << e.code;
    EXPECT_TRUE(Exists(Path("got.txt"))) << "the request reached the child";
    EXPECT_TRUE(Exists(Path("done.txt"))) << "the caller ended before its child";
}

TEST_F(RequestsToEnd, AnIgnoredRequestStaysIgnoredByTheCallerAndTheChild) {
    // Started by nohup, say.
    const std::string command = "cd \"" + dir_.string() + "\" && echo $$ > sh.pid; sleep 1; exit 6";
    pid_t caller = StartInOwnProcessGroup([&] {
        signal(SIGHUP, SIG_IGN);
        if (platform::RunCommandInterpreter(command.c_str()) != 6) return 2;
        return Disposition(SIGHUP) == SIG_IGN ? 0 : 3;
    });
    const std::string child = AwaitLine("sh.pid");
    ASSERT_FALSE(child.empty());
    kill(caller, SIGHUP);
    kill(std::stoi(child), SIGHUP);
    Ended e = Reap(caller);
    EXPECT_TRUE(e.exited) << "ended by signal " << e.signal;
    EXPECT_EQ(e.code, 0);
}

TEST(RequestsToEndOutsideARun, TheCallersHandlingAndMaskComeBackAfterTheChild) {
    Ended e = InOwnProcessGroup([] {
        signal(SIGTERM, Handler);
        if (platform::RunCommandInterpreter("exit 3") != 3) return 1;
        if (Disposition(SIGTERM) != Handler) return 2;
        if (Disposition(SIGHUP) != SIG_DFL || Disposition(SIGCHLD) != SIG_DFL) return 3;
        sigset_t mask;
        sigprocmask(SIG_BLOCK, nullptr, &mask);
        if (sigismember(&mask, SIGTERM) || sigismember(&mask, SIGHUP) || sigismember(&mask, SIGCHLD)) return 4;
        raise(SIGHUP);  // after the child: the default action at once
        return 5;
    });
    EXPECT_EQ(e.signal, SIGHUP) << "exit code " << e.code;
}

}  // namespace
