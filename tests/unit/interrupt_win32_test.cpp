// Ctrl-C outside a child's run (Windows): the temporary files registered
// with RemoveOnInterrupt are removed before the program would end of it;
// one that comes right after a child has ended is taken as the child's.
//
// The test process takes a console of its own and sends itself the event.
// A handler of the test, registered before the program's own one exists,
// is called after it and keeps the process alive, as the default handler
// would not.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <string>

#include "platform/process.h"
#include "tests/unit/support.h"

namespace {

volatile LONG expecting = 0;
HANDLE reached = CreateEventA(nullptr, FALSE, FALSE, nullptr);

BOOL WINAPI KeepAlive(DWORD event) {
    if (!expecting || event != CTRL_C_EVENT) return FALSE;
    SetEvent(reached);
    return TRUE;
}

// Before main, so before any test starts a child or registers a file.
const bool kKeepAliveRegistered = SetConsoleCtrlHandler(KeepAlive, TRUE) != 0;

// Handlers run on threads of their own; an interrupt counts as the last
// child's for a second after it ended.
constexpr DWORD kAfterAChild = 1100;

class CtrlC : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(kKeepAliveRegistered);
        ASSERT_TRUE(OwnConsole());
        dir_ = support::ScratchFolder("interrupt");
        ResetEvent(reached);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string Make(const std::string& name) {
        std::string path = (dir_ / name).string();
        support::WriteBytes(path, "-l Disk2 -r 02B12028 \n");
        return path;
    }

    // Sends Ctrl-C to this console; true when it got past the program's
    // handler to the test's within the time.
    bool PressCtrlC(DWORD wait = 10000) {
        InterlockedExchange(&expecting, 1);
        bool sent = GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0) != 0;
        bool got = sent && WaitForSingleObject(reached, wait) == WAIT_OBJECT_0;
        InterlockedExchange(&expecting, 0);
        return got;
    }

    // A console of the test process's own, made once and kept to the end
    // (under Wine, freeing it again takes the test output with it). The
    // standard handles stay those of the test run. A child that an earlier
    // test started may have ended just now: its second passes first.
    static bool OwnConsole() {
        static const bool made = [] {
            HANDLE saved[] = {GetStdHandle(STD_INPUT_HANDLE), GetStdHandle(STD_OUTPUT_HANDLE),
                              GetStdHandle(STD_ERROR_HANDLE)};
            FreeConsole();
            bool ok = AllocConsole() != 0;
            SetStdHandle(STD_INPUT_HANDLE, saved[0]);
            SetStdHandle(STD_OUTPUT_HANDLE, saved[1]);
            SetStdHandle(STD_ERROR_HANDLE, saved[2]);
            Sleep(kAfterAChild);
            return ok;
        }();
        return made;
    }

    std::filesystem::path dir_;
};

TEST_F(CtrlC, RemovesTheRegisteredFilesOnly) {
    const std::string a = Make("a.tmp");
    const std::string kept = Make("kept.tmp");
    ASSERT_TRUE(platform::RemoveOnInterrupt(a.c_str()));
    ASSERT_TRUE(PressCtrlC());
    EXPECT_FALSE(std::filesystem::exists(a));
    EXPECT_TRUE(std::filesystem::exists(kept));
    platform::ForgetOnInterrupt(a.c_str());
}

TEST_F(CtrlC, AForgottenFileStays) {
    const std::string a = Make("a.tmp");
    ASSERT_TRUE(platform::RemoveOnInterrupt(a.c_str()));
    platform::ForgetOnInterrupt(a.c_str());
    ASSERT_TRUE(PressCtrlC());
    EXPECT_TRUE(std::filesystem::exists(a));
}

TEST_F(CtrlC, OneRightAfterAChildIsTheChildsAndPassesOver) {
    const std::string a = Make("a.tmp");
    ASSERT_TRUE(platform::RemoveOnInterrupt(a.c_str()));
    ASSERT_EQ(platform::RunCommandInterpreter("exit 0"), 0);
    EXPECT_FALSE(PressCtrlC(500)) << "the program's handler took it";
    EXPECT_TRUE(std::filesystem::exists(a));

    Sleep(kAfterAChild);
    EXPECT_TRUE(PressCtrlC());
    EXPECT_FALSE(std::filesystem::exists(a));
    platform::ForgetOnInterrupt(a.c_str());
}

}  // namespace
