// Windows only: checks SplitCommandLine against the C runtime itself. A real
// child (the fake Java launcher) is started with a raw command line, and the
// argv it logs must equal what SplitCommandLine makes of that line.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/cmdline.h"

namespace {

std::vector<std::string> ArgvSeenByChild(const std::string& line) {
    char logName[MAX_PATH];
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    GetTempFileNameA(dir, "vya", 0, logName);
    SetEnvironmentVariableA("FAKEJAVA_LOG", logName);

    std::string program = std::string(VY_DOUBLES_DIR) + "/java.exe";
    std::vector<char> mutableLine(line.begin(), line.end());
    mutableLine.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::vector<std::string> argv;
    if (!CreateProcessA(program.c_str(), mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi)) {
        ADD_FAILURE() << "cannot start " << program;
        return argv;
    }
    WaitForSingleObject(pi.hProcess, INFINITE);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    SetEnvironmentVariableA("FAKEJAVA_LOG", nullptr);

    std::ifstream in(logName, std::ios::binary);
    std::string entry;
    while (std::getline(in, entry)) {
        if (entry.rfind("argv[", 0) == 0) argv.push_back(entry.substr(entry.find('=') + 1));
    }
    in.close();
    DeleteFileA(logName);
    return argv;
}

}  // namespace

TEST(SplitCommandLineOnWindows, AgreesWithTheCRuntime) {
    const char* lines[] = {
        "java a b\tc",
        "java  -classpath \".;a b\" cls",
        "java a\"b c\"d e",
        "java \"\" x",
        "java a\\b c\\\\d",
        "java a\\\"b",
        "java a\\\\\"b c\"",
        "java a\\\\\\\"b",
        "java \"a\\\\\" b",
        "java \"q\"\"r s\" t",
        "java a\"\"\"b c\" d",
        "java a \"\"\"\"\" b \"\"\"\"\"\" c",
        "java x \\\\\\\"a\\\\b\\ \"\\\\\"",
        "java \"unterminated quote",
        "java trailing\\",
        "ja\\\"va\\x \"y\"",
        "\"ja va\" z",
    };
    for (const char* line : lines) {
        EXPECT_EQ(ArgvSeenByChild(line), cmdline::SplitCommandLine(line)) << "line: " << line;
    }
}

TEST(SplitCommandLineOnWindows, QuotedArgumentsArriveWhole) {
    const std::vector<std::string> args = {"", "a b", "\"", "x\\", "\\\"", "C:\\Program Files\\", "say \"hi\""};
    std::string line = "java";
    for (const std::string& a : args) line += " " + cmdline::QuoteArgument(a);
    std::vector<std::string> expected = {"java"};
    expected.insert(expected.end(), args.begin(), args.end());
    EXPECT_EQ(ArgvSeenByChild(line), expected);
}
