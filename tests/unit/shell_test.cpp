// vyshell's steps: the joined arguments and the class's start.
#include <gtest/gtest.h>

#include <string>

#include "core/launcher.h"
#include "tests/unit/support.h"

namespace {

class ShellSteps : public ::testing::Test {
protected:
    void SetUp() override {
        InitGlobals();
        g.programType = kVyshell;
    }
    int Join(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "vyshell");
        std::vector<char*> argv;
        for (std::string& a : arguments) argv.push_back(a.data());
        return JoinShellArguments(static_cast<int>(argv.size()), argv.data());
    }
    support::CapturedOutput out_;
};

TEST_F(ShellSteps, EachArgumentIsQuotedAndFollowedByABlank) {
    EXPECT_EQ(Join({}), 0);
    EXPECT_EQ(g.shellArguments.view(), "");
    EXPECT_EQ(Join({"a b", "C:\\dir\\", "x\"y", ""}), 0);
    EXPECT_EQ(g.shellArguments.view(), "\"a b\" \"C:\\dir\\\\\" \"x\\\"y\" \"\" ");
    EXPECT_EQ(out_.Text(), "");
}

TEST_F(ShellSteps, TheJoinedArgumentsHoldAtMost8191Characters) {
    EXPECT_EQ(Join({std::string(8188, 'x')}), 0) << "8,188 characters, two quotes and a blank";
    EXPECT_EQ(g.shellArguments.size(), 8191u);
    EXPECT_EQ(Join({std::string(8189, 'x')}), 12);
    EXPECT_EQ(out_.Text(), "vyshell: The command line is too long: the quoted arguments exceed 8191 characters\n");
}

TEST_F(ShellSteps, TheClassReceivesTheJoinedArgumentsAsOneEntry) {
    g.debug = 1;
    g.noSystemCommand = 1;
    g.launcherName.assign("java");
    g.javaOptions.assign("-Da=1 ");
    g.classPathArgument.assign("-classpath x");
    ASSERT_EQ(Join({"a", "b c"}), 0);
    EXPECT_EQ(StartShellClass(), 0);
    const std::string text = out_.Text();
    EXPECT_NE(text.find("\njava -Da=1  -Djava.compiler=NONE  -classpath x vyShellKit.vyShellMain \"a\" \"b c\"  \n"),
              std::string::npos)
        << text;
}

}  // namespace
